#pragma once
// A scripted stand-in for the message boxes and save dialogs: records every
// message and save-dialog title, and answers from queues.
#include <QString>
#include <deque>
#include <vector>

#include "widgets/dialogs.h"

namespace corvelane::testing {

class ScriptedDialogs final : public gui::Dialogs {
 public:
  struct Shown {
    gui::MessageRequest request;
  };

  gui::MessageAnswer ShowMessage(QWidget* parent, const gui::MessageRequest& request) override;
  QString AskSavePath(QWidget* parent, const QString& title) override;

  // Answers, used in order; when empty, messages answer Ok and save dialogs
  // answer an empty path (as a user who cancels).
  std::deque<gui::MessageAnswer> messageAnswers;
  std::deque<QString> savePaths;

  std::vector<gui::MessageRequest> messages;  // every message, in order
  std::vector<QString> saveTitles;            // every save dialog's title, in order
  // Message texts only, in order.
  std::vector<QString> Texts() const;
  void Clear() {
    messages.clear();
    saveTitles.clear();
  }
};

}  // namespace corvelane::testing
