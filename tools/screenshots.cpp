// Makes the README's screenshots: the start-up window, and the UniSpec
// old-format window with the bundled samples listed and one previewed.
// Run under a display (scripts/screenshots.sh starts Xvfb).
// Usage: corvelane_screenshots SAMPLES_FOLDER OUTPUT_FOLDER
#include <QApplication>
#include <QCheckBox>
#include <QDir>
#include <QListWidget>
#include <QPixmap>
#include <QTimer>
#include <cstdio>

#include "widgets/folder_browser_widget.h"
#include "convert/instrument_window.h"
#include "convert/program.h"
#include "shell/start_window.h"

using namespace corvelane;

int main(int argc, char** argv) {
  if (argc != 3) {
    std::fprintf(stderr, "usage: corvelane_screenshots SAMPLES_FOLDER OUTPUT_FOLDER\n");
    return 2;
  }
  QApplication app(argc, argv);
  const QString samples = QDir(QString::fromLocal8Bit(argv[1])).absolutePath();
  const QDir out(QString::fromLocal8Bit(argv[2]));
  gui::QtDialogs dialogs;
  gui::Program program(dialogs, QDir::currentPath());

  gui::StartWindow start(program);
  start.show();
  gui::InstrumentWindow window(program, VariantOf(Format::UniSpecOld));
  window.PrepareForShow();
  window.resize(1180, 760);
  window.show();

  auto* browser = window.findChild<gui::FolderBrowser*>();
  browser->SetFolder(samples + "/unispec-old");
  for (const char* name : {"LEAF0001.spt", "LEAF0002.spt", "WREF0003.spt"})
    emit browser->fileClicked(browser->PathOf(QString::fromLatin1(name)));
  window.findChild<QCheckBox*>(QStringLiteral("chkShowGraph"))->setChecked(true);
  auto* list = window.findChild<QListWidget*>(QStringLiteral("List1"));
  list->setCurrentRow(0);
  emit list->itemClicked(list->item(0));

  bool ok = true;
  QTimer::singleShot(500, [&] {
    ok = start.grab().save(out.filePath(QStringLiteral("start-window.png"))) &&
         window.grab().save(out.filePath(QStringLiteral("unispec-window.png")));
    app.quit();
  });
  app.exec();
  if (!ok) std::fprintf(stderr, "corvelane_screenshots: could not write the pictures\n");
  return ok ? 0 : 1;
}
