#include "tests/gui_support.h"

namespace corvelane::testing {

gui::MessageAnswer ScriptedDialogs::ShowMessage(QWidget*, const gui::MessageRequest& request) {
  messages.push_back(request);
  if (messageAnswers.empty()) return gui::MessageAnswer::Ok;
  const auto a = messageAnswers.front();
  messageAnswers.pop_front();
  return a;
}

QString ScriptedDialogs::AskSavePath(QWidget*, const QString& title) {
  saveTitles.push_back(title);
  if (savePaths.empty()) return {};
  QString p = savePaths.front();
  savePaths.pop_front();
  return p;
}

std::vector<QString> ScriptedDialogs::Texts() const {
  std::vector<QString> t;
  for (const auto& m : messages) t.push_back(m.text);
  return t;
}

}  // namespace corvelane::testing
