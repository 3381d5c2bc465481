#include "calibration/external_file_window.h"

#include <QComboBox>
#include <QDir>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QVBoxLayout>

#include "widgets/dialogs.h"
#include "widgets/folder_browser_widget.h"

namespace corvelane::gui {

struct ExternalFileWindow::Controls {
  FolderBrowser* browser = nullptr;
  QComboBox* cboCombo3 = nullptr;
  QListWidget* List3 = nullptr;
};

ExternalFileWindow::ExternalFileWindow(Dialogs& dialogs, std::string& path, QWidget* parent)
    : QDialog(parent), dialogs_(dialogs), path_(path), c_(new Controls) {
  setObjectName(QStringLiteral("Form3"));
  setWindowTitle(QStringLiteral("External File"));

  c_->browser = new FolderBrowser(dialogs_, this);
  c_->browser->DriveList()->setObjectName(QStringLiteral("Drive3"));
  c_->browser->FolderList()->setObjectName(QStringLiteral("Dir3"));
  c_->browser->FileList()->setObjectName(QStringLiteral("File3"));

  c_->cboCombo3 = new QComboBox(this);
  c_->cboCombo3->setObjectName(QStringLiteral("cboCombo3"));
  c_->cboCombo3->addItem(QStringLiteral(" *.* files  (*.*)"));
  c_->cboCombo3->setCurrentIndex(0);
  c_->browser->SetPattern(QStringLiteral("*.*"));
  connect(c_->cboCombo3, &QComboBox::currentIndexChanged, this,
          [this] { c_->browser->SetPattern(QStringLiteral("*.*")); });

  c_->List3 = new QListWidget(this);
  c_->List3->setObjectName(QStringLiteral("List3"));
  c_->List3->setSelectionMode(QAbstractItemView::NoSelection);
  c_->List3->setFixedHeight(c_->List3->fontMetrics().height() + 2 * c_->List3->frameWidth() + 8);
  c_->List3->setMinimumWidth(420);

  connect(c_->browser, &FolderBrowser::fileClicked, this, &ExternalFileWindow::ChooseFile);

  auto* ok = new QPushButton(QStringLiteral("&OK"), this);
  ok->setObjectName(QStringLiteral("cmdOK"));
  ok->setDefault(true);
  auto* cancel = new QPushButton(QStringLiteral("&Cancel"), this);
  cancel->setObjectName(QStringLiteral("cmdCancel"));
  cancel->setAutoDefault(false);
  connect(ok, &QPushButton::clicked, this, &ExternalFileWindow::OnOk);
  connect(cancel, &QPushButton::clicked, this, &ExternalFileWindow::OnCancel);

  auto* type = new QHBoxLayout;
  type->addWidget(new QLabel(QStringLiteral("File type :"), this));
  type->addWidget(c_->cboCombo3, 1);
  auto* buttons = new QHBoxLayout;
  buttons->addStretch(1);
  buttons->addWidget(ok);
  buttons->addWidget(cancel);

  auto* layout = new QVBoxLayout(this);
  layout->addWidget(c_->browser, 1);
  layout->addLayout(type);
  layout->addWidget(c_->List3);
  layout->addLayout(buttons);
  resize(560, 400);
}

ExternalFileWindow::~ExternalFileWindow() { delete c_; }

void ExternalFileWindow::ChooseFile(const QString& path) {
  c_->List3->clear();
  c_->List3->addItem(path);
}

void ExternalFileWindow::showEvent(QShowEvent* event) {
  // Files written since the last opening show up; a folder removed meanwhile
  // gives way to the current directory.
  if (!c_->browser->SetFolder(c_->browser->CurrentFolder())) c_->browser->SetFolder(QDir::currentPath());
  QDialog::showEvent(event);
}

void ExternalFileWindow::OnOk() {
  if (c_->List3->count() == 0) {
    dialogs_.ShowMessage(this, ErrorBox(QStringLiteral("No external file selected!")));
    return;
  }
  path_ = c_->List3->item(0)->text().toStdString();
  accept();
}

void ExternalFileWindow::OnCancel() {
  path_.clear();
  reject();
  dialogs_.ShowMessage(parentWidget(), {QStringLiteral("External"),
                                        QStringLiteral("No external file selected"),
                                        MessageIcon::Information,
                                        MessageButtons::Ok,
                                        {}});
}

}  // namespace corvelane::gui
