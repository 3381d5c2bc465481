#include "shell/about_window.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QFontDatabase>
#include <QFontInfo>
#include <QFontMetrics>
#include <QHBoxLayout>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QStringDecoder>
#include <QVBoxLayout>
#include <utility>

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

// A font whose characters are all one width, as the font matcher resolves it.
// The platform's fixed font is not one on every font set (fontconfig may
// answer "monospace" with a font Qt measures as proportional), so the font
// actually chosen is checked, then a typewriter hint, then every family the
// database calls fixed-pitch.
QFont FixedPitchFont() {
  QFont font = QFontDatabase::systemFont(QFontDatabase::FixedFont);
  if (QFontInfo(font).fixedPitch()) return font;
  font.setStyleHint(QFont::TypeWriter, QFont::PreferMatch);
  font.setFixedPitch(true);
  if (QFontInfo(font).fixedPitch()) return font;
  for (const QString& family : QFontDatabase::families()) {
    if (!QFontDatabase::isFixedPitch(family)) continue;
    QFont candidate(family, font.pointSize());
    if (QFontInfo(candidate).fixedPitch()) return candidate;
  }
  return font;  // none on this machine: the platform's choice
}

}  // namespace

AboutWindow::AboutWindow(QWidget* parent) : AboutWindow(ShippedHelpFiles(), parent) {}

AboutWindow::AboutWindow(QStringList otherPlaces, QWidget* parent)
    : QDialog(parent), otherPlaces_(std::move(otherPlaces)), text1_(new QPlainTextEdit(this)) {
  setObjectName(QStringLiteral("Form17"));
  setWindowTitle(QStringLiteral("About this version"));

  text1_->setObjectName(QStringLiteral("Text1"));
  text1_->setReadOnly(true);
  text1_->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
  // Ruled tables and aligned columns of the help text stay intact only in
  // a fixed-width font without wrapping.
  text1_->setLineWrapMode(QPlainTextEdit::NoWrap);
  text1_->setFont(FixedPitchFont());

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
  // Eighty columns of the help text side by side.
  const QFontMetrics metrics(text1_->font());
  resize(metrics.horizontalAdvance(QString(82, QLatin1Char('M'))) + 60, 34 * metrics.lineSpacing());
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

QStringList AboutWindow::ShippedHelpFiles() {
  QStringList places;
  const QString program = QCoreApplication::applicationDirPath();
  if (!program.isEmpty()) places << QDir(program).filePath(QStringLiteral("../share/corvelane/README"));
#ifdef CORVELANE_SHARE_DIR
  places << QStringLiteral(CORVELANE_SHARE_DIR "/README");
#endif
  return places;
}

bool AboutWindow::TryLoad(const QString& path) {
  QFile file(path);
  if (!QFileInfo(path).isFile() || !file.open(QIODevice::ReadOnly)) return false;
  const QByteArray bytes = file.readAll();
  if (file.error() != QFileDevice::NoError) return false;
  text1_->setPlainText(Decode(bytes));
  return true;
}

void AboutWindow::LoadHelp() {
  if (TryLoad(QStringLiteral("./README"))) return;
  for (const QString& place : otherPlaces_)
    if (TryLoad(place)) return;
  text1_->setPlainText(NoHelpText());
}

}  // namespace corvelane::gui
