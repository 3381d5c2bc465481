#include "cli/dc_command.h"

#include <CLI/CLI.hpp>
#include <cctype>
#include <iostream>

#include "calibration/channel_fit.h"
#include "calibration/dc_equation.h"
#include "calibration/instrument_table.h"
#include "text/comma_list.h"
#include "text/failure.h"
#include "text/text_input.h"

namespace corvelane::cli {

namespace {

[[noreturn]] void UsageError(std::string why) { Fail(std::move(why), FailureKind::Usage); }

const std::string kInstrumentFile = InstrumentFilePath(".");

// The name of a record that equals `name` when blanks and letter case are
// set aside: two such names cannot be told apart in the windows' lists.
std::optional<std::string> SameNameIgnoringCase(const std::vector<InstrumentRecord>& records, std::string_view name) {
  const auto folded = [](std::string_view text) {
    std::string out(Trim(text));
    for (char& ch : out) ch = static_cast<char>(std::tolower(static_cast<unsigned char>(ch)));
    return out;
  };
  const std::string wanted = folded(name);
  for (const InstrumentRecord& r : records)
    if (folded(r.name) == wanted) return r.name;
  return std::nullopt;
}

}  // namespace

void ApplyChannelEquations(const ChannelEquationOptions& o, RunSettings& s) {
  if (o.startChannel != 0 && o.startChannel != 1) UsageError("--start-channel takes 0 or 1");
  if (!o.coefficients.empty() && !o.instrument.empty())
    UsageError("give either --coefficients or --instrument, not both");
  if (o.instrumentGiven && Trim(o.instrument).empty())
    UsageError("--instrument needs the name of an instrument of " + kInstrumentFile + " (see corvelane instruments)");
  DcEquationTexts eq = DcStartTexts();
  eq.startChannel = o.startChannel;
  if (!o.coefficients.empty()) {
    const std::vector<std::string> c = SplitCommas(o.coefficients);
    if (c.size() != 6) UsageError("--coefficients takes A1,B1,C1,A2,B2,C2, not \"" + o.coefficients + "\"");
    for (std::size_t i = 0; i < 6; ++i) {
      if (!IsNumber(c[i]))
        UsageError("--coefficients: " + std::string(kDcCoefficientNames[i]) + " is not a number: \"" + c[i] + "\"");
      eq.coefficients[i] = c[i];
    }
  } else if (!o.instrument.empty()) {
    const std::vector<InstrumentRecord> records = LoadInstruments(kInstrumentFile);
    const auto i = FindInstrument(records, o.instrument);
    if (!i) {
      std::string names;
      for (const auto& r : records) names += (names.empty() ? "\"" : ", \"") + r.name + "\"";
      UsageError("--instrument: no instrument \"" + std::string(Trim(o.instrument)) + "\" in " + kInstrumentFile +
                 (names.empty() ? std::string("; it lists none") : "; it lists " + names));
    }
    const InstrumentRecord& r = records[*i];
    if (!InstrumentCoefficients(r))
      FailAtText(kInstrumentFile, r.line, r.name,
                 "the instrument's six coefficients (A1, B1, C1, A2, B2, C2) are not all numbers");
    eq.coefficients = r.coefficients;
  }
  UseChannelEquations(s, eq);
}

InstrumentsCommand::InstrumentsCommand(CLI::App& app) {
  command_ = app.add_subcommand(
      "instruments", "List the UniSpec-DC instrument calibrations of inst.cof in the current folder, or add one");
  command_->add_option("--add", add_,
                       "Add an instrument NAME,A1,B1,C1,A2,B2,C2 (channel 1, then channel 2), as the "
                       "New Instrument properties window does; a NAME the table already holds is refused");
  command_->add_option("--fit", fit_,
                       "Fit the calibration of instrument NAME to the UniSpec-DC scans given: A + B*ch + C*ch^2 by "
                       "least squares to the wavelength each channel line of the scans begins with; prints the six "
                       "coefficients (the same equation for both channels: the files give one wavelength per line) "
                       "and the largest residual, and adds the instrument as --add does. Refused: scans whose "
                       "wavelength columns differ by more than 0.1 nm, a residual above 0.2 nm, a name inst.cof "
                       "holds already (letter case aside), files that are not UniSpec-DC scans");
  command_->add_option("SCAN", fitScans_, "With --fit: the scans to fit, of one instrument");
  command_->add_option("--start-channel", startChannel_,
                       "With --fit: the number of the first channel line, 0 or 1 (default 1)");
  command_->footer(
      "inst.cof is written with the instruments DC 1 and DC 2 when it is missing. A change waits up to 5 s "
      "while another program changes the table. "
      "Exit status: 0 done; 1 the file could not be read or written; 2 usage error.");
}

bool InstrumentsCommand::Parsed() const { return command_->parsed(); }

int InstrumentsCommand::Run() const {
  if (!add_.empty() && !fit_.empty()) UsageError("give either --add or --fit, not both");
  if (fit_.empty() && !fitScans_.empty()) UsageError("scan files are for --fit NAME SCAN... only");
  if (!fit_.empty()) return Fit();
  if (!add_.empty()) {
    const std::vector<std::string> f = SplitCommas(add_);
    if (f.size() != 7) UsageError("--add takes NAME,A1,B1,C1,A2,B2,C2, not \"" + add_ + "\"");
    const std::array<std::string, 6> c = {f[1], f[2], f[3], f[4], f[5], f[6]};
    try {
      RequireStorableInstrument(kInstrumentFile, f[0], c);
    } catch (const RunFailure& refused) {
      UsageError("--add: " + refused.Why());  // the request, not the file, is at fault
    }
    // A second record of a name is never used: the first of the name is found.
    if (FindInstrument(LoadInstruments(kInstrumentFile), f[0]))
      UsageError("--add: " + kInstrumentFile + " already holds an instrument \"" + std::string(Trim(f[0])) +
                 "\"; choose another name");
    AddInstrument(kInstrumentFile, f[0], c);
  }
  for (const InstrumentRecord& r : LoadInstruments(kInstrumentFile)) {
    std::cout << r.name;
    for (const std::string& c : r.coefficients) std::cout << "," << c;
    std::cout << "\n";
  }
  return 0;
}

int InstrumentsCommand::Fit() const {
  if (startChannel_ != 0 && startChannel_ != 1) UsageError("--start-channel takes 0 or 1");
  if (fitScans_.empty()) UsageError("--fit NAME needs the scans to fit: --fit NAME SCAN...");
  const std::array<std::string, 6> placeholder = {"0", "0", "0", "0", "0", "0"};
  try {
    RequireStorableInstrument(kInstrumentFile, fit_, placeholder);
  } catch (const RunFailure& refused) {
    UsageError("--fit: " + refused.Why());
  }
  if (const auto same = SameNameIgnoringCase(LoadInstruments(kInstrumentFile), fit_))
    UsageError("--fit: " + kInstrumentFile + " already holds an instrument \"" + *same + "\"; choose another name");
  ChannelFit fit;
  try {
    fit = FitFromScans(fitScans_, startChannel_);
  } catch (const RunFailure& refused) {
    // The scans given do not make a calibration: the request is at fault.
    throw RunFailure(refused.Place(), refused.Why(), FailureKind::Usage);
  }
  const std::array<std::string, 6> c = FitCoefficientTexts(fit);
  AddInstrument(kInstrumentFile, fit_, c);
  std::cout << Trim(fit_);
  for (const std::string& text : c) std::cout << "," << text;
  std::cout << "\nlargest residual " << FixedText(fit.largestResidual, 3) << " nm over " << fitScans_.size() << " scan"
            << (fitScans_.size() == 1 ? "" : "s") << "; the same equation for both channels\n";
  return 0;
}

}  // namespace corvelane::cli
