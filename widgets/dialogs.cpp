#include "widgets/dialogs.h"

#include <QFileDialog>
#include <QFileInfo>
#include <QFontMetrics>
#include <QGridLayout>
#include <QLabel>
#include <QMessageBox>
#include <QScreen>
#include <QSpacerItem>
#include <QStyle>
#include <algorithm>

namespace corvelane::gui {

namespace {

// A detail longer than this is cut in the box and given in full behind
// "Show Details..."; shorter ones would only be repeated there.
constexpr qsizetype kShownDetailLines = 6;
constexpr qsizetype kShownDetailChars = 480;

// Message boxes size themselves to their text; a short text ("Files Ok")
// gives a box too narrow for the window manager to show the title. Room for
// the title plus the title bar's buttons.
int TitleWidth(const QWidget& box, const QString& title) {
  const QFontMetrics metrics(box.font());
  return metrics.horizontalAdvance(title) + 4 * metrics.height() + 120;
}

}  // namespace

DetailParts SplitDetail(const QString& detail) {
  const QStringList lines = detail.split(QLatin1Char('\n'));
  if (lines.size() <= kShownDetailLines && detail.size() <= kShownDetailChars) return {detail, {}};
  QString shown = lines.mid(0, kShownDetailLines).join(QLatin1Char('\n'));
  if (shown.size() > kShownDetailChars) shown.truncate(kShownDetailChars);
  return {shown + QStringLiteral(" \u2026"), detail};
}

void SetToolTips(QWidget& window, std::initializer_list<std::pair<const char*, const char*>> tips) {
  for (const auto& [name, tip] : tips)
    for (QWidget* w : window.findChildren<QWidget*>(QString::fromLatin1(name))) w->setToolTip(QString::fromUtf8(tip));
}

QString AskSavePathConfirmed(Dialogs& dialogs, QWidget* parent, const QString& title) {
  for (;;) {
    const QString path = dialogs.AskSavePath(parent, title);
    if (path.isEmpty()) return path;
    const QFileInfo file(path);
    if (!file.exists() || file.isDir()) return path;  // a folder is refused by the writer, naming it
    const MessageRequest question{title,
                                  QStringLiteral("%1 already exists.\nDo you want to replace it?").arg(file.fileName()),
                                  MessageIcon::Exclamation, MessageButtons::YesNo, file.absoluteFilePath()};
    if (dialogs.ShowMessage(parent, question) != MessageAnswer::No) return path;
  }
}

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
    // What failed and why, visible at once and selectable for a report; the
    // details pane only when the box cannot show all of it.
    const DetailParts parts = SplitDetail(request.detail);
    box.setInformativeText(parts.shown);
    if (!parts.more.isEmpty()) box.setDetailedText(parts.more);
    for (QLabel* label : box.findChildren<QLabel*>(QStringLiteral("qt_msgbox_informativelabel"))) {
      label->setTextFormat(Qt::PlainText);
      label->setTextInteractionFlags(Qt::TextSelectableByMouse);
    }
  }
  if (auto* grid = qobject_cast<QGridLayout*>(box.layout()))
    grid->addItem(new QSpacerItem(TitleWidth(box, request.title), 0, QSizePolicy::Minimum, QSizePolicy::Fixed),
                  grid->rowCount(), 0, 1, grid->columnCount());
  // Wide enough for the longest line of the text (within the screen), and
  // centred over the window it belongs to.
  const QScreen* screen = parent ? parent->screen() : box.screen();
  const int widest = screen ? screen->availableGeometry().width() * 2 / 3 : 1000;
  int textWidth = 0;
  const QFontMetrics metrics(box.font());
  for (const QString& line : request.text.split(QLatin1Char('\n')))
    textWidth = std::max(textWidth, metrics.horizontalAdvance(line));
  if (auto* grid = qobject_cast<QGridLayout*>(box.layout()))
    grid->addItem(new QSpacerItem(std::min(textWidth + 6 * metrics.height(), widest), 0, QSizePolicy::Minimum,
                                  QSizePolicy::Fixed),
                  grid->rowCount(), 0, 1, grid->columnCount());
  if (parent) {
    box.adjustSize();
    box.move(parent->window()->frameGeometry().center() - box.rect().center());
  }
  const int answer = box.exec();
  if (request.buttons == MessageButtons::Ok) return MessageAnswer::Ok;
  if (request.buttons == MessageButtons::YesNo)
    return answer == QMessageBox::Yes ? MessageAnswer::Yes : MessageAnswer::No;
  return answer == QMessageBox::Ok ? MessageAnswer::Ok : MessageAnswer::Cancel;
}

QString QtDialogs::AskSavePath(QWidget* parent, const QString& title) {
  QFileDialog dialog(parent, title, saveFolder_);
  dialog.setAcceptMode(QFileDialog::AcceptSave);
  dialog.setFileMode(QFileDialog::AnyFile);
  dialog.setOption(QFileDialog::DontConfirmOverwrite);
  // Wide enough for the name, size, type and date columns, within the screen.
  QSize size = dialog.sizeHint().expandedTo(QSize(820, 520));
  if (const QScreen* screen = parent ? parent->screen() : dialog.screen())
    size = size.boundedTo(screen->availableGeometry().size() * 9 / 10);
  dialog.resize(size);
  if (dialog.exec() != QDialog::Accepted) return {};
  const QStringList chosen = dialog.selectedFiles();
  if (chosen.isEmpty() || chosen.front().isEmpty()) return {};
  const QString path = chosen.front();
  saveFolder_ = QFileInfo(path).absolutePath();
  return path;
}

QString QtDialogs::AskOpenPath(QWidget* parent, const QString& title) {
  QFileDialog dialog(parent, title, saveFolder_);
  dialog.setAcceptMode(QFileDialog::AcceptOpen);
  dialog.setFileMode(QFileDialog::ExistingFile);
  if (dialog.exec() != QDialog::Accepted) return {};
  const QStringList chosen = dialog.selectedFiles();
  return chosen.isEmpty() ? QString() : chosen.front();
}

}  // namespace corvelane::gui
