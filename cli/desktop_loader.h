#pragma once
// Opens the desktop program from its module, found beside the executable (a
// build folder) or in ../lib/corvelane/ (an installed tree). Says which
// module could not be loaded, and why, when it fails.
namespace corvelane::cli {
int RunDesktopModule(int argc, char** argv);
}
