#pragma once
// A scripted stand-in for the message boxes and save dialogs: records every
// message and save-dialog title, and answers from queues. Also what the window
// tests do the same way: find a control, click where a user aims, tick a list
// entry, work inside a window another one opens, and a fixture with two
// reflectance files for the index window.
#include <gtest/gtest.h>

#include <QByteArray>
#include <QListWidget>
#include <QString>
#include <QStringList>
#include <QTemporaryDir>
#include <QTimer>
#include <QWidget>
#include <deque>
#include <functional>
#include <string>
#include <vector>

#include "convert/program.h"
#include "widgets/dialogs.h"

namespace corvelane::testing {

class ScriptedDialogs final : public gui::Dialogs {
 public:
  struct Shown {
    gui::MessageRequest request;
  };

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
// A click on the list entry showing `text`.
void ClickFile(QListWidget* list, const QString& text);
// Ticks or unticks a list entry the way a user does: a click on its indicator.
void Tick(QListWidget* list, const char* name);
// The list entry showing `name`, or null with a failed expectation.
QListWidgetItem* Entry(QListWidget* list, const char* name);
void WriteFile(const QString& path, const QByteArray& bytes);

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

// The program on a fresh start folder with the scripted dialogs, and in
// `work` the reflectance files refl-a.txt and refl-b.txt the conversion
// wrote, of two UniSpec old-format scans each on 310-1130 nm.
class ReflectanceFilesTest : public ::testing::Test {
 protected:
  void SetUp() override;
  std::string File(const QString& name) const { return work.filePath(name).toStdString(); }
  QString Out(const QString& name) const;
  // Shows the index window `w`, opens `work` in its folder browser and
  // clicks `files` in its file list "File1", in order.
  void ShowWithFiles(QWidget& w, const QStringList& files);

  QTemporaryDir start, work, out;
  ScriptedDialogs dialogs;
  gui::Program program{dialogs, start.path()};
};

}  // namespace corvelane::testing
