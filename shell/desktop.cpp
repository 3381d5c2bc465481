#include "shell/desktop.h"

#include <QApplication>
#include <QDir>
#include <cstdio>
#include <cstring>

#include "convert/program.h"
#include "shell/screen_fit.h"
#include "shell/start_window.h"
#include "widgets/dialogs.h"

namespace corvelane::gui {

namespace {

bool DisplayAvailable(int argc, char** argv) {
  if (!qEnvironmentVariableIsEmpty("DISPLAY") || !qEnvironmentVariableIsEmpty("WAYLAND_DISPLAY") ||
      !qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
    return true;
  // A platform named on the command line (-platform offscreen) is one too.
  for (int i = 1; i < argc; ++i)
    if (std::strcmp(argv[i], "-platform") == 0 || std::strcmp(argv[i], "--platform") == 0) return true;
  return false;
}

constexpr const char* kNoDisplay =
    "corvelane: the desktop program needs a graphical display, and none was found\n"
    "(neither DISPLAY nor WAYLAND_DISPLAY is set).\n"
    "\n"
    "Without a display, use the command line instead:\n"
    "  corvelane convert FORMAT --reflectance OUT SCAN...   convert scan files into a reflectance table\n"
    "  corvelane check FORMAT --errors FILE SCAN...         check scan files for damaged lines\n"
    "  corvelane --help                                     all commands and options\n";

}  // namespace

int RunDesktop(int argc, char** argv) {
  if (!DisplayAvailable(argc, argv)) {
    std::fputs(kNoDisplay, stderr);
    return 1;
  }
  QApplication app(argc, argv);
  QApplication::setApplicationName(QStringLiteral("Corvelane"));
  // Recorded once; later folder changes in any window leave it as it is.
  const QString startFolder = QDir::currentPath();
  QtDialogs dialogs;
  // Results go to a results folder when the working folder has one.
  const QDir results(QDir(startFolder).filePath(QStringLiteral("results")));
  dialogs.SetSaveFolder(results.exists() ? results.path() : startFolder);
  ScreenFit screenFit;
  app.installEventFilter(&screenFit);
  Program program(dialogs, startFolder);
  StartWindow start(program);
  QObject::connect(&start, &QDialog::finished, &app, &QCoreApplication::quit);
  start.show();
  return app.exec();
}

}  // namespace corvelane::gui
