#pragma once
// Drive, folder and file lists that move together: choosing a drive moves the
// folder list to it, entering a folder refreshes the file list, and a click on
// a file reports its full path. The conversion windows, the external-file
// window and the index window each own one.
//
// The browser lays the three lists out itself (drive above folders, files to
// the right), so a window can add the browser as one widget. A window that
// wants them elsewhere may add DriveList(), FolderList() and FileList() to its
// own layout instead; they keep working wherever they sit. The window names
// them ("Drive1", "Dir1", "File1" ...) and enables or disables each itself.
#include <QString>
#include <QStringList>
#include <QWidget>

class QComboBox;
class QListWidget;
class QListWidgetItem;

namespace corvelane::gui {

class Dialogs;

class FolderBrowser final : public QWidget {
  Q_OBJECT
 public:
  // Starts in the current directory, showing every file.
  FolderBrowser(Dialogs& dialogs, QWidget* parent = nullptr);

  QComboBox* DriveList() const noexcept { return drives_; }
  QListWidget* FolderList() const noexcept { return folders_; }
  QListWidget* FileList() const noexcept { return files_; }

  // The file-name pattern of the file list ("*.spt"; several may be given
  // separated by ";"). "*.*" and "*" list every file, names without a dot
  // included. Letter case does not matter. Refreshes the file list.
  void SetPattern(const QString& glob);
  QString Pattern() const { return pattern_; }

  // Moves the lists to `path` (made absolute and clean). Returns false, and
  // changes nothing, when it is not a folder that can be listed. Calling it
  // with CurrentFolder() re-reads the folder.
  bool SetFolder(const QString& path);
  QString CurrentFolder() const { return folder_; }

  // The full path a click on `fileName` in the file list gives.
  QString PathOf(const QString& fileName) const;

  // With several files selectable, Shift and Ctrl clicks only select, and
  // Enter or a double click chooses every selected file at once (in list
  // order); a plain click still reports the one file clicked. Off at first.
  void SetMultiSelect(bool on);

 signals:
  void fileClicked(const QString& fullPath);
  void filesChosen(const QStringList& fullPaths);
  void folderChanged(const QString& folder);

 private:
  void FillDrives();
  void SelectDriveOf(const QString& folder);
  void FillFolders();
  void FillFiles();
  void OnDriveChosen(int index);
  void OnFolderActivated(QListWidgetItem* item);
  void OnFileClicked(QListWidgetItem* item);
  void ChooseSelected();
  bool eventFilter(QObject* watched, QEvent* event) override;

  Dialogs& dialogs_;
  QComboBox* drives_;
  QListWidget* folders_;
  QListWidget* files_;
  QString folder_;
  QString pattern_ = QStringLiteral("*.*");
  bool updating_ = false;  // set while the lists are refilled from code
  bool multiSelect_ = false;
  Qt::KeyboardModifiers pressModifiers_;  // of the last press in the file list
};

}  // namespace corvelane::gui
