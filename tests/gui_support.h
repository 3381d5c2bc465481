#pragma once
// A scripted stand-in for the message boxes and save dialogs: records every
// message and save-dialog title, and answers from queues. Also what the window
// tests do the same way: find a control, click where a user aims, tick a list
// entry, work inside a window another one opens, and one conversion window as
// the start-up button leaves it.
#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QByteArray>
#include <QDir>
#include <QListWidget>
#include <QString>
#include <QStringList>
#include <QTimer>
#include <QWidget>
#include <deque>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "convert/instrument_window.h"
#include "convert/program.h"
#include "tools/scan_synth.h"
#include "widgets/dialogs.h"

namespace corvelane::testing {

class ScriptedDialogs final : public gui::Dialogs {
 public:
  gui::MessageAnswer ShowMessage(QWidget* parent, const gui::MessageRequest& request) override;
  QString AskSavePath(QWidget* parent, const QString& title) override;
  QString AskOpenPath(QWidget* parent, const QString& title) override;

  // Answers, used in order; when empty, messages answer Ok and save dialogs
  // answer an empty path (as a user who cancels).
  std::deque<gui::MessageAnswer> messageAnswers;
  std::deque<QString> savePaths;
  std::deque<QString> openPaths;  // open dialogs answer these, then an empty path

  std::vector<gui::MessageRequest> messages;  // every message, in order
  std::vector<QString> saveTitles;            // every save dialog's title, in order
  std::vector<QString> openTitles;            // every open dialog's title, in order
  // Message texts only, in order.
  std::vector<QString> Texts() const;
  void Clear() {
    messages.clear();
    saveTitles.clear();
  }
};

// The control `name` of `parent`, or null with a failed expectation.
template <typename T = QWidget>
T* Child(QWidget& parent, const QString& name) {
  T* w = parent.findChild<T*>(name);
  EXPECT_NE(w, nullptr) << "no control " << name.toStdString();
  return w;
}

// A click where a user aims: the middle of a push button, the indicator of
// an option or a check box.
void Click(QWidget& parent, const QString& name);
void Click(QAbstractButton* b);
// A click, or with `twice` a click and a double click, on the list entry
// showing `text` (ClickRow: on entry `row`).
void ClickFile(QListWidget* list, const QString& text, bool twice = false);
void ClickRow(QListWidget* list, int row, bool twice = false);
// Every entry's text, in list order.
QStringList Items(const QListWidget* list);
// Empties the box `box` of `parent` and types `text` into it.
void Type(QWidget& parent, const char* box, const QString& text);
// Message `m` says `text` under `title` with `icon`; ExpectOneMessage: it is
// the only message shown since the last Clear().
void ExpectMessage(const gui::MessageRequest& m, const QString& text, const QString& title, gui::MessageIcon icon);
void ExpectOneMessage(const ScriptedDialogs& dialogs, const QString& text, const QString& title, gui::MessageIcon icon);
// For EXPECT_TRUE: `text` holds `part`; a failure shows the whole text.
::testing::AssertionResult Contains(const QString& text, const QString& part);
// Ticks or unticks a list entry the way a user does: a click on its indicator.
void Tick(QListWidget* list, const char* name);
// The list entry showing `name`, or null with a failed expectation.
QListWidgetItem* Entry(QListWidget* list, const char* name);
void WriteFile(const QString& path, const QByteArray& bytes);
inline QString Q(const std::string& s) { return QString::fromStdString(s); }

// Makes `path` the process's current directory until the end of the scope.
class CurrentDirectory {
 public:
  explicit CurrentDirectory(const QString& path) : previous_(QDir::currentPath()) { QDir::setCurrent(path); }
  ~CurrentDirectory() { QDir::setCurrent(previous_); }

 private:
  QString previous_;
};

// Acts on the modal windows as they come up (a window's exec() blocks the
// handler that opened it), one action each, in order, noting each window's
// name in `opened`. Cancelled with `context`.
void WhenModals(QObject* context, std::vector<std::function<void(QWidget*)>> acts, QStringList* opened = nullptr,
                int triesLeft = 400);
inline void WhenModal(QObject* context, std::function<void(QWidget*)> act) { WhenModals(context, {std::move(act)}); }
// Clicks `button` of `owner` and acts on the modal windows it opens, as
// WhenModals does; whatever has not come up when the click returns is dropped.
void ClickThrough(QWidget& owner, const QString& button, std::vector<std::function<void(QWidget*)>> acts,
                  QStringList* opened = nullptr);
// The act that clicks the button `name` of the modal window.
std::function<void(QWidget*)> Pressing(const QString& name);

// Presses `button`; the modal window it opens is left as the user would:
// hidden by the window itself, or closed with the close box. Returns its name.
QString OpenAndLeave(QAbstractButton* button, bool closeBox);

// Clicks `opener` of `owner`; once the modal window `name` it opens shows,
// runs `inside` on it, then clicks its "cmdOk".
template <typename Window>
void InModal(QWidget& owner, const QString& opener, const QString& name, const std::function<void(QWidget&)>& inside) {
  QTimer::singleShot(0, [&owner, name, inside] {
    auto* window = owner.findChild<Window*>(name);
    ASSERT_NE(window, nullptr);
    ASSERT_TRUE(window->isVisible());
    inside(*window);
    Click(*window, QStringLiteral("cmdOk"));
  });
  Click(owner, opener);
}

// One conversion window as the start-up button leaves it, shown, with
// scripted message boxes and save dialogs, on a program started in the
// current folder.
class InstrumentHarness {
 public:
  explicit InstrumentHarness(synth::Format format);
  // The start-up button: what it prepares, then shown.
  void Reopen() const;

  template <class T = QWidget>
  T* Get(const char* name) const {
    return window->findChild<T*>(QString::fromLatin1(name));
  }
  bool Exists(const char* name) const { return Get(name) != nullptr; }
  // With a failed expectation when the window has no such control.
  bool Enabled(const char* name) const;
  bool Checked(const char* name) const;
  // A box's, label's or button's text, or a frame's title.
  QString Text(const char* name) const;
  int Progress(const char* name) const;

  // A click near the left edge lands on the box of a check box or option
  // button as well as on a push button.
  void Click(const char* name) const;
  void SetChecked(const char* name, bool checked) const;
  void SetGrid(const char* begin, const char* end, const char* step) const;
  // A click on the file list entry of each path (after moving the folder
  // list to its folder).
  void Pick(const std::vector<std::string>& paths) const;
  // Selects every file of `folder` in the file box and presses Enter.
  void ChooseAll(const std::string& folder) const;
  QListWidget* List() const { return Get<QListWidget>("List1"); }
  QStringList Entries(const char* list = "List1") const { return Items(Get<QListWidget>(list)); }
  void ClickListRow(int row, bool twice = false) const { ClickRow(List(), row, twice); }
  // Runs: the save dialogs answer `paths` in order, then the run button.
  void Run(const std::vector<QString>& paths) {
    dialogs.savePaths = {paths.begin(), paths.end()};
    Click("cmdDoOperation");
  }
  // Picks the files, ticks the output modes and confirms the list.
  void Configure(const std::vector<std::string>& scans, const std::vector<const char*>& modes = {}) const;

  ScriptedDialogs dialogs;
  gui::Program program;
  std::unique_ptr<gui::InstrumentWindow> window;
};

}  // namespace corvelane::testing
