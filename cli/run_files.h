#pragma once
// The files one command-line run reads and writes, checked against each other
// before anything is read: no output may replace a file the run reads (a
// scan, a list, inst.cof, a header or wavelength file, a .ref file, a
// reference scan, INDEX) or another output.
#include <string>
#include <vector>

namespace corvelane::cli {

struct NamedPath {
  std::string option;  // how the command line named it ("--reflectance", "--files-from")
  std::string path;    // empty: not given, skipped
};

// Throws a usage RunFailure when two outputs name the same file, more than one
// goes to standard output, or an output names one of `inputs` or `scans`.
// Names are compared resolved (".", "..", links, the working folder) and, for
// files that exist, by device and inode. Scans are resolved only when their
// file name matches an output's: a run may list tens of thousands.
void RefuseOutputsOverInputs(const std::vector<NamedPath>& outputs, const std::vector<NamedPath>& inputs,
                             const std::vector<std::string>& scans = {});

}  // namespace corvelane::cli
