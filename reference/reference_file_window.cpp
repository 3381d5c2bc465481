#include "reference/reference_file_window.h"

#include <QComboBox>
#include <QDir>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QVBoxLayout>

#include "widgets/folder_browser_widget.h"

namespace corvelane::gui {

namespace {

// The format note; its first line is empty.
const char* const kFormatNote =
    "\nreference \nfile format: \nASCII comma-delimited\n310,.xxxx\n311,.xxxx\n.\n.\n1130,.xxxx\nOr it just won't work";

}  // namespace

ReferenceFileWindow::ReferenceFileWindow(Dialogs& dialogs, QWidget* parent)
    : QDialog(parent), browser_(new FolderBrowser(dialogs, this)), text1_(new QLineEdit(this)) {
  setObjectName(QStringLiteral("Form14"));
  setWindowTitle(QStringLiteral("Reference and Index"));
  browser_->DriveList()->setObjectName(QStringLiteral("Drive1"));
  browser_->FolderList()->setObjectName(QStringLiteral("Dir1"));
  browser_->FileList()->setObjectName(QStringLiteral("File1"));
  browser_->SetPattern(QStringLiteral("*.ref"));
  connect(browser_, &FolderBrowser::fileClicked, this, &ReferenceFileWindow::ChooseFile);

  auto* label2 = new QLabel(QStringLiteral("reference file:"), this);
  label2->setObjectName(QStringLiteral("Label2"));
  text1_->setObjectName(QStringLiteral("Text1"));
  auto* label1 = new QLabel(QStringLiteral("files must have .ref extension"), this);
  label1->setObjectName(QStringLiteral("Label1"));
  auto* text4 = new QPlainTextEdit(this);
  text4->setObjectName(QStringLiteral("Text4"));
  text4->setPlainText(QString::fromLatin1(kFormatNote));
  text4->setReadOnly(true);
  auto* command1 = new QPushButton(QStringLiteral("Open reference file"), this);
  command1->setObjectName(QStringLiteral("Command1"));
  command1->setDefault(true);
  command1->setToolTip(QStringLiteral("Apply this .ref file; with no path the file is not applied."));
  connect(command1, &QPushButton::clicked, this, [this] {
    // A file picked in File1 is taken; with none picked the path typed or
    // chosen before stays.
    if (const QListWidgetItem* item = browser_->FileList()->currentItem(); item && item->isSelected())
      ChooseFile(browser_->PathOf(item->text()));
    accept();
  });

  auto* pathRow = new QHBoxLayout;
  pathRow->addWidget(label2);
  pathRow->addWidget(text1_, 1);
  auto* note = new QVBoxLayout;
  note->addWidget(label1);
  note->addWidget(text4, 1);
  auto* top = new QHBoxLayout;
  top->addWidget(browser_, 3);
  top->addLayout(note, 1);
  auto* layout = new QVBoxLayout(this);
  layout->addLayout(top, 1);
  layout->addLayout(pathRow);
  layout->addWidget(command1, 0, Qt::AlignRight);
  resize(640, 380);
}

std::string ReferenceFileWindow::ReferenceFilePath() const { return text1_->text().toStdString(); }

void ReferenceFileWindow::ChooseFile(const QString& path) { text1_->setText(path); }

void ReferenceFileWindow::showEvent(QShowEvent* event) {
  // Files written since the last opening show up.
  if (!browser_->SetFolder(browser_->CurrentFolder())) browser_->SetFolder(QDir::currentPath());
  QDialog::showEvent(event);
}

}  // namespace corvelane::gui
