// The desktop program as a module the command line loads only when it opens
// the windows: headless runs never load Qt (about 16 MB and 20 ms a run).
#include "shell/desktop.h"

extern "C" __attribute__((visibility("default"))) int CorvelaneRunDesktop(int argc, char** argv) {
  return corvelane::gui::RunDesktop(argc, argv);
}
