#include "cli/desktop_loader.h"

#include <dlfcn.h>

#include <filesystem>
#include <iostream>
#include <string>
#include <system_error>

namespace corvelane::cli {

int RunDesktopModule(int argc, char** argv) {
  namespace fs = std::filesystem;
  std::error_code ec;
  const fs::path exe = fs::read_symlink("/proc/self/exe", ec);
  const fs::path folder = ec ? fs::path(".") : exe.parent_path();
  std::string why;
  for (const fs::path& module :
       {folder / CORVELANE_DESKTOP_MODULE, folder / ".." / "lib" / "corvelane" / CORVELANE_DESKTOP_MODULE}) {
    if (!fs::exists(module, ec)) {
      why += "\n  " + module.string() + ": not found";
      continue;
    }
    void* handle = ::dlopen(module.c_str(), RTLD_NOW | RTLD_LOCAL);
    if (!handle) {
      why += "\n  " + std::string(::dlerror());
      continue;
    }
    using Entry = int (*)(int, char**);
    if (const auto run = reinterpret_cast<Entry>(::dlsym(handle, "CorvelaneRunDesktop"))) return run(argc, argv);
    why += "\n  " + module.string() + ": holds no desktop program";
  }
  std::cerr << "corvelane: the desktop program could not be loaded:" << why
            << "\nThe command line works without it: corvelane --help\n";
  return 1;
}

}  // namespace corvelane::cli
