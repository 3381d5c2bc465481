#include "widgets/folder_browser_widget.h"

#include <QComboBox>
#include <QDir>
#include <QFileInfo>
#include <QGridLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QListWidget>
#include <QMouseEvent>
#include <QStorageInfo>

#include "widgets/dialogs.h"
#include "widgets/elided_label_widget.h"

namespace corvelane::gui {

namespace {

const QString kUp = QStringLiteral("..");

// The root of the volume that holds `folder`.
QString DriveOf(const QString& folder) {
  const QStorageInfo volume(folder);
  const QString root = volume.isValid() ? volume.rootPath() : QString();
  return root.isEmpty() ? QDir::rootPath() : root;
}

bool IsListableFolder(const QString& path) {
  const QFileInfo info(path);
  return info.exists() && info.isDir() && info.isReadable() && info.isExecutable();
}

}  // namespace

FolderBrowser::FolderBrowser(Dialogs& dialogs, QWidget* parent)
    : QWidget(parent),
      dialogs_(dialogs),
      drives_(new QComboBox(this)),
      folders_(new QListWidget(this)),
      files_(new QListWidget(this)) {
  // One line, cut in the middle when long (the whole path as tooltip): a
  // wrapping path made the folder list jump as folders were opened.
  auto* where = new ElidedLabel(this, Qt::ElideMiddle);
  where->setObjectName(QStringLiteral("lblFolder"));
  connect(this, &FolderBrowser::folderChanged, where, &QLabel::setText);

  auto* grid = new QGridLayout(this);
  grid->setContentsMargins(0, 0, 0, 0);
  grid->addWidget(drives_, 0, 0);
  grid->addWidget(where, 1, 0);
  grid->addWidget(folders_, 2, 0);
  grid->addWidget(files_, 0, 1, 3, 1);
  grid->setRowStretch(2, 1);

  folders_->setSelectionMode(QAbstractItemView::SingleSelection);
  files_->setSelectionMode(QAbstractItemView::SingleSelection);
  files_->setSortingEnabled(false);

  FillDrives();
  connect(drives_, &QComboBox::currentIndexChanged, this, &FolderBrowser::OnDriveChosen);
  connect(folders_, &QListWidget::itemActivated, this, &FolderBrowser::OnFolderActivated);
  connect(files_, &QListWidget::itemClicked, this, &FolderBrowser::OnFileClicked);
  connect(files_, &QListWidget::itemDoubleClicked, this, [this] {
    if (multiSelect_) ChooseSelected();
  });
  files_->installEventFilter(this);
  files_->viewport()->installEventFilter(this);

  if (!SetFolder(QDir::currentPath())) SetFolder(QDir::rootPath());
}

void FolderBrowser::SetPattern(const QString& glob) {
  pattern_ = glob.trimmed();
  FillFiles();
}

bool FolderBrowser::SetFolder(const QString& path) {
  if (path.isEmpty()) return false;
  const QString folder = QDir::cleanPath(QFileInfo(path).absoluteFilePath());
  if (!IsListableFolder(folder)) return false;
  folder_ = folder;
  SelectDriveOf(folder_);
  FillFolders();
  FillFiles();
  folders_->setToolTip(folder_);
  files_->setToolTip(folder_);
  emit folderChanged(folder_);
  return true;
}

QString FolderBrowser::PathOf(const QString& fileName) const {
  return folder_.endsWith(QLatin1Char('/')) ? folder_ + fileName : folder_ + QLatin1Char('/') + fileName;
}

void FolderBrowser::FillDrives() {
  QStringList roots{QDir::rootPath()};
  for (const QStorageInfo& volume : QStorageInfo::mountedVolumes()) {
    // Single files mounted into place are no drives.
    const QString root = volume.rootPath();
    if (root.isEmpty() || roots.contains(root) || !QFileInfo(root).isDir()) continue;
    roots.push_back(root);
  }
  roots.sort(Qt::CaseInsensitive);
  const bool was = updating_;
  updating_ = true;
  drives_->clear();
  drives_->addItems(roots);
  updating_ = was;
}

void FolderBrowser::SelectDriveOf(const QString& folder) {
  const QString root = DriveOf(folder);
  const bool was = updating_;
  updating_ = true;
  int index = drives_->findText(root);
  if (index < 0) {
    drives_->addItem(root);
    index = drives_->count() - 1;
  }
  drives_->setCurrentIndex(index);
  updating_ = was;
}

void FolderBrowser::FillFolders() {
  folders_->clear();
  const QDir dir(folder_);
  if (!dir.isRoot()) folders_->addItem(kUp);
  folders_->addItems(
      dir.entryList(QDir::Dirs | QDir::NoDotAndDotDot, QDir::Name | QDir::IgnoreCase | QDir::LocaleAware));
}

void FolderBrowser::FillFiles() {
  files_->clear();
  if (folder_.isEmpty()) return;
  QStringList filters;
  for (const QString& part : pattern_.split(QLatin1Char(';'), Qt::SkipEmptyParts)) {
    const QString p = part.trimmed();
    if (p.isEmpty()) continue;
    // "*.*" means every file, as the file-type items promise ("All Files").
    filters.push_back(p == QStringLiteral("*.*") ? QStringLiteral("*") : p);
  }
  if (filters.isEmpty()) filters.push_back(QStringLiteral("*"));
  QDir dir(folder_);
  dir.setNameFilters(filters);  // without QDir::CaseSensitive: letter case is ignored
  files_->addItems(dir.entryList(QDir::Files, QDir::Name | QDir::IgnoreCase | QDir::LocaleAware));
}

void FolderBrowser::OnDriveChosen(int index) {
  if (updating_ || index < 0) return;
  const QString root = drives_->itemText(index);
  if (root == DriveOf(folder_)) return;
  if (!SetFolder(root)) {
    dialogs_.ShowMessage(
        window(), ErrorBox(QStringLiteral(" Drive Error!"), QStringLiteral("The drive %1 cannot be read.").arg(root)));
    SelectDriveOf(folder_);
  }
}

void FolderBrowser::OnFolderActivated(QListWidgetItem* item) {
  if (item == nullptr) return;
  const QString name = item->text();
  QString target;
  if (name == kUp) {
    QDir up(folder_);
    if (!up.cdUp()) return;
    target = up.absolutePath();
  } else {
    target = QDir(folder_).absoluteFilePath(name);
  }
  if (!SetFolder(target)) {
    // Gone or unreadable since the list was filled: show what is there now.
    dialogs_.ShowMessage(window(), ErrorBox(QStringLiteral(" Folder Error!"),
                                            QStringLiteral("The folder %1 cannot be read.").arg(target)));
    SetFolder(folder_);
  }
}

void FolderBrowser::SetMultiSelect(bool on) {
  multiSelect_ = on;
  files_->setSelectionMode(on ? QAbstractItemView::ExtendedSelection : QAbstractItemView::SingleSelection);
}

void FolderBrowser::OnFileClicked(QListWidgetItem* item) {
  if (item == nullptr) return;
  if (multiSelect_ && (pressModifiers_ & (Qt::ShiftModifier | Qt::ControlModifier))) return;
  emit fileClicked(PathOf(item->text()));
}

void FolderBrowser::ChooseSelected() {
  QStringList paths;
  for (int row = 0; row < files_->count(); ++row)
    if (files_->item(row)->isSelected()) paths << PathOf(files_->item(row)->text());
  if (!paths.isEmpty()) emit filesChosen(paths);
}

bool FolderBrowser::eventFilter(QObject* watched, QEvent* event) {
  if (watched == files_->viewport() && event->type() == QEvent::MouseButtonPress)
    pressModifiers_ = static_cast<QMouseEvent*>(event)->modifiers();
  if (watched == files_ && multiSelect_ && event->type() == QEvent::KeyPress) {
    const auto* key = static_cast<QKeyEvent*>(event);
    if (key->key() == Qt::Key_Return || key->key() == Qt::Key_Enter) {
      ChooseSelected();
      return true;  // not the dialog's default button
    }
  }
  return QWidget::eventFilter(watched, event);
}

}  // namespace corvelane::gui
