#include "widgets/dialogs.h"

#include <QFileDialog>
#include <QMessageBox>
#include <QTextDocument>

namespace corvelane::gui {

MessageAnswer QtDialogs::ShowMessage(QWidget* parent, const MessageRequest& request) {
  QMessageBox box(parent);
  box.setWindowTitle(request.title);
  // The texts are shown as they are, blanks included, never as markup.
  box.setTextFormat(Qt::PlainText);
  box.setText(request.text);
  switch (request.icon) {
    case MessageIcon::Exclamation: box.setIcon(QMessageBox::Warning); break;
    case MessageIcon::Information: box.setIcon(QMessageBox::Information); break;
    case MessageIcon::None: box.setIcon(QMessageBox::NoIcon); break;
  }
  if (request.buttons == MessageButtons::OkCancel) {
    box.setStandardButtons(QMessageBox::Ok | QMessageBox::Cancel);
    box.setDefaultButton(QMessageBox::Ok);
    box.setEscapeButton(QMessageBox::Cancel);
  } else if (request.buttons == MessageButtons::YesNo) {
    box.setStandardButtons(QMessageBox::Yes | QMessageBox::No);
    box.setDefaultButton(QMessageBox::No);
    box.setEscapeButton(QMessageBox::No);
  } else {
    box.setStandardButtons(QMessageBox::Ok);
    box.setDefaultButton(QMessageBox::Ok);
    box.setEscapeButton(QMessageBox::Ok);
  }
  if (!request.detail.isEmpty()) {
    // What failed and why, visible at once; the details pane keeps it
    // selectable for copying into a report.
    box.setInformativeText(Qt::mightBeRichText(request.detail) ? Qt::convertFromPlainText(request.detail)
                                                                : request.detail);
    box.setDetailedText(request.detail);
  }
  const int answer = box.exec();
  if (request.buttons == MessageButtons::Ok) return MessageAnswer::Ok;
  if (request.buttons == MessageButtons::YesNo) return answer == QMessageBox::Yes ? MessageAnswer::Yes : MessageAnswer::No;
  return answer == QMessageBox::Ok ? MessageAnswer::Ok : MessageAnswer::Cancel;
}

QString QtDialogs::AskSavePath(QWidget* parent, const QString& title) {
  return QFileDialog::getSaveFileName(parent, title, QString(), QString(), nullptr,
                                      QFileDialog::DontConfirmOverwrite);
}

}  // namespace corvelane::gui
