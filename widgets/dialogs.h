#pragma once
// How the windows tell the user things and ask for file names. The program
// plugs in real Qt dialogs; tests plug in a scripted stand-in that records
// every message and answers from a queue.
#include <QString>
#include <initializer_list>
#include <utility>

class QWidget;

namespace corvelane::gui {

enum class MessageIcon { None, Exclamation, Information };
enum class MessageButtons { Ok, OkCancel, YesNo };
enum class MessageAnswer { Ok, Cancel, Yes, No };

struct MessageRequest {
  QString title;
  QString text;  // the system's own message text, blanks included
  MessageIcon icon = MessageIcon::None;
  MessageButtons buttons = MessageButtons::Ok;
  QString detail;  // what failed, where and why; empty when there is nothing to add
};

class Dialogs {
 public:
  virtual ~Dialogs() = default;
  virtual MessageAnswer ShowMessage(QWidget* parent, const MessageRequest& request) = 0;
  // The chosen path, or an empty text when the user chose none. No filter,
  // no default extension and no overwrite question.
  virtual QString AskSavePath(QWidget* parent, const QString& title) = 0;
  // An existing file to read, or an empty text when the user chose none.
  virtual QString AskOpenPath(QWidget* parent, const QString& title) = 0;
};

// The save dialog `title`, then, when the chosen path is an existing file,
// the question whether to replace it: No opens the dialog again. Every save
// dialog of the program asks this way. Empty when no path was chosen.
QString AskSavePathConfirmed(Dialogs& dialogs, QWidget* parent, const QString& title);

// Sets the tooltip of each named control of `window` (object name, text).
void SetToolTips(QWidget& window, std::initializer_list<std::pair<const char*, const char*>> tips);

// Real message boxes and the platform's save dialog. Save dialogs open in
// the folder of the last path chosen in any of them (a typed full path
// included), and the first one in SaveFolder().
class QtDialogs final : public Dialogs {
 public:
  MessageAnswer ShowMessage(QWidget* parent, const MessageRequest& request) override;
  QString AskSavePath(QWidget* parent, const QString& title) override;
  // Opens in the same folder as the save dialogs.
  QString AskOpenPath(QWidget* parent, const QString& title) override;

  void SetSaveFolder(const QString& folder) { saveFolder_ = folder; }
  const QString& SaveFolder() const noexcept { return saveFolder_; }

 private:
  QString saveFolder_;
};

// How a failure's detail is shown: the first lines in the box itself and,
// only when that is not all of it, the whole text behind "Show Details...".
struct DetailParts {
  QString shown;
  QString more;  // empty when `shown` is the whole detail
};
DetailParts SplitDetail(const QString& detail);

// Short forms of the two boxes most windows use.
inline MessageRequest ErrorBox(const QString& text, const QString& detail = {}) {
  return {QStringLiteral("Error"), text, MessageIcon::Exclamation, MessageButtons::Ok, detail};
}
inline MessageRequest AnnouncementBox(const QString& text) {
  return {QStringLiteral("Message"), text, MessageIcon::None, MessageButtons::Ok, {}};
}

}  // namespace corvelane::gui
