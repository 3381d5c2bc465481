// Makes the README's screenshots: the start-up window; the UniSpec old-format
// window with the bundled samples listed and one previewed; and, when a folder
// of real New-Format scans is given, the New-Format window with every scan of
// it listed and one previewed. Run in the working folder the pictures should
// show, under a display (scripts/screenshots.sh prepares both).
// Usage: corvelane_screenshots SAMPLES_FOLDER OUTPUT_FOLDER [REAL_SCANS_FOLDER]
#include <QApplication>
#include <QCheckBox>
#include <QDir>
#include <QListWidget>
#include <QPixmap>
#include <QTimer>
#include <algorithm>
#include <cstdio>
#include <memory>
#include <vector>

#include "convert/instrument_window.h"
#include "convert/program.h"
#include "shell/start_window.h"
#include "widgets/folder_browser_widget.h"

using namespace corvelane;

namespace {

// The window with every file of `folder` listed (as a user selecting them all
// and pressing Enter), Show Graph ticked and the entry `previewed` shown.
void ListAndPreview(gui::InstrumentWindow& window, const QString& folder, int previewed) {
  auto* browser = window.findChild<gui::FolderBrowser*>();
  browser->SetFolder(folder);
  QStringList paths;
  for (int i = 0; i < browser->FileList()->count(); ++i) paths << browser->PathOf(browser->FileList()->item(i)->text());
  emit browser->filesChosen(paths);
  window.findChild<QCheckBox*>(QStringLiteral("chkShowGraph"))->setChecked(true);
  auto* list = window.findChild<QListWidget*>(QStringLiteral("List1"));
  list->setCurrentRow(std::min(previewed, list->count() - 1));
  emit list->itemClicked(list->currentItem());
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 3 && argc != 4) {
    std::fprintf(stderr, "usage: corvelane_screenshots SAMPLES_FOLDER OUTPUT_FOLDER [REAL_SCANS_FOLDER]\n");
    return 2;
  }
  QApplication app(argc, argv);
  // Paths as given (a link stays a link), so the pictures show the working folder.
  const QString samples = QDir::cleanPath(QDir::current().absoluteFilePath(QString::fromLocal8Bit(argv[1])));
  const QDir out(QString::fromLocal8Bit(argv[2]));
  const QString real =
      argc == 4 ? QDir::cleanPath(QDir::current().absoluteFilePath(QString::fromLocal8Bit(argv[3]))) : QString();
  gui::QtDialogs dialogs;
  gui::Program program(dialogs, QDir::currentPath());

  gui::StartWindow start(program);
  start.show();
  gui::InstrumentWindow old(program, *VariantByCliName("unispec-old"));
  old.PrepareForShow();
  old.resize(1180, 780);
  old.show();
  ListAndPreview(old, samples + "/unispec-old", 0);

  std::unique_ptr<gui::InstrumentWindow> fresh;
  if (!real.isEmpty()) {
    fresh = std::make_unique<gui::InstrumentWindow>(program, *VariantByCliName("unispec-new"));
    fresh->PrepareForShow();
    fresh->resize(1180, 780);
    fresh->show();
    ListAndPreview(*fresh, real, 0);
  }

  bool ok = true;
  QTimer::singleShot(500, [&] {
    ok = start.grab().save(out.filePath(QStringLiteral("start-window.png"))) &&
         old.grab().save(out.filePath(QStringLiteral("unispec-window.png"))) &&
         (!fresh || fresh->grab().save(out.filePath(QStringLiteral("unispec-new-real-scans.png"))));
    app.quit();
  });
  app.exec();
  if (!ok) std::fprintf(stderr, "corvelane_screenshots: could not write the pictures\n");
  return ok ? 0 : 1;
}
