#pragma once
// The command line's UniSpec-DC pieces: the channel equations of
// `convert unispec-dc` (--coefficients, --instrument, --start-channel), its
// transect header, and `corvelane instruments` over inst.cof.
#include <optional>
#include <string>
#include <vector>

#include "convert/conversion_run.h"
#include "headers/transect_header.h"

namespace CLI {
class App;
}

namespace corvelane::cli {

struct ChannelEquationOptions {
  std::string coefficients;      // "A1,B1,C1,A2,B2,C2"
  std::string instrument;        // a record name of ./inst.cof
  bool instrumentGiven = false;  // --instrument was given, even as ""
  int startChannel = 1;
};

// Sets the two channel equations (channel 1 table 0, channel 2 table 1) and
// resampling: the start coefficients, --coefficients, or the record of
// --instrument. Throws RunFailure: Usage for wrong options or an unknown
// instrument (listing the names), Run for a record whose coefficients are
// not numbers. Only --instrument reads (and, when missing, writes) inst.cof.
void ApplyChannelEquations(const ChannelEquationOptions& o, RunSettings& s);

// `corvelane instruments [--add NAME,A1,B1,C1,A2,B2,C2 | --fit NAME SCAN...]`.
class InstrumentsCommand {
 public:
  explicit InstrumentsCommand(CLI::App& app);
  bool Parsed() const;
  int Run() const;

 private:
  int Fit() const;
  CLI::App* command_ = nullptr;
  std::string add_;
  std::string fit_;
  std::vector<std::string> fitScans_;
  int startChannel_ = 1;
};

}  // namespace corvelane::cli
