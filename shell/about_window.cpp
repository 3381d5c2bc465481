#include "shell/about_window.h"

#include <QFile>
#include <QHBoxLayout>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QStringDecoder>
#include <QVBoxLayout>

namespace corvelane::gui {

namespace {

// The README as text: UTF-8 when it is valid UTF-8, otherwise byte for byte
// as Latin-1, so an old file still shows instead of turning into apologies.
QString Decode(const QByteArray& bytes) {
  QStringDecoder utf8(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
  QString text = utf8.decode(bytes);
  if (utf8.hasError()) return QString::fromLatin1(bytes);
  return text;
}

}  // namespace

AboutWindow::AboutWindow(QWidget* parent) : QDialog(parent), text1_(new QPlainTextEdit(this)) {
  setObjectName(QStringLiteral("Form17"));
  setWindowTitle(QStringLiteral("About this version"));

  text1_->setObjectName(QStringLiteral("Text1"));
  text1_->setReadOnly(true);
  text1_->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
  text1_->setLineWrapMode(QPlainTextEdit::WidgetWidth);

  auto* done = new QPushButton(QStringLiteral("Done"), this);
  done->setObjectName(QStringLiteral("cmdDone"));
  done->setDefault(true);
  connect(done, &QPushButton::clicked, this, &QDialog::accept);

  auto* buttons = new QHBoxLayout;
  buttons->addStretch(1);
  buttons->addWidget(done);
  auto* layout = new QVBoxLayout(this);
  layout->addWidget(text1_, 1);
  layout->addLayout(buttons);
  resize(560, 420);
}

QString AboutWindow::NoHelpText() {
  return QStringLiteral("Sorry, no help file was found, please look for a README file for help.");
}

void AboutWindow::showEvent(QShowEvent* event) {
  if (!loaded_) {
    loaded_ = true;
    LoadHelp();
  }
  QDialog::showEvent(event);
}

void AboutWindow::LoadHelp() {
  QFile file(QStringLiteral("./README"));
  if (!file.open(QIODevice::ReadOnly)) {
    text1_->setPlainText(NoHelpText());
    return;
  }
  const QByteArray bytes = file.readAll();
  const bool failed = file.error() != QFileDevice::NoError;
  file.close();
  text1_->setPlainText(failed ? NoHelpText() : Decode(bytes));
}

}  // namespace corvelane::gui
