#include "cli/commands.h"

#include <unistd.h>

#include <CLI/CLI.hpp>
#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <new>
#include <sstream>
#include <system_error>

#include "calibration/instrument_table.h"
#include "cli/bands_command.h"
#include "cli/dc_command.h"
#include "cli/envi_option.h"
#include "cli/format_texts.h"
#include "cli/indices_command.h"
#include "cli/reference_options.h"
#include "cli/run_files.h"
#include "convert/conversion_job.h"
#include "convert/conversion_run.h"
#include "convert/dc_reference.h"
#include "convert/field_key.h"
#include "convert/file_check.h"
#include "instruments/file_label.h"
#include "instruments/variant.h"
#include "reference/reference_files.h"
#include "text/atomic_file.h"
#include "text/comma_list.h"
#include "text/failure.h"
#include "text/text_input.h"

#ifndef CORVELANE_SOURCE_SAMPLES
#define CORVELANE_SOURCE_SAMPLES "samples"
#endif

namespace corvelane::cli {

namespace {

[[noreturn]] void UsageError(std::string why) { Fail(std::move(why), FailureKind::Usage); }

std::string Trimmed(std::string_view s) { return std::string(Trim(s)); }

const InstrumentVariant& FormatArgument(const std::string& name) {
  const InstrumentVariant* v = VariantByCliName(name);
  if (!v) {
    UsageError("unknown format \"" + name + "\"; use one of " + FormatList());
  }
  return *v;
}

LabelSource LabelArgument(const InstrumentVariant& v, const std::string& label) {
  if (label.empty()) return v.defaultLabelSource;
  if (!v.hasLabelChoice) UsageError("--label is for the UniSpec formats only");
  if (label == "header") return LabelSource::HeaderInfo;
  if (label == "path") return LabelSource::DataFileName;
  UsageError("--label takes header or path, not \"" + label + "\"");
}

// Progress on stderr while a batch runs, when stderr is a terminal.
ProgressFn TerminalProgress(const char* verb) {
  if (!::isatty(2)) return {};
  return [verb, last = std::size_t{101}](std::size_t done, std::size_t total) mutable {
    const std::size_t percent = total ? done * 100 / total : 100;
    if (percent == last) return true;
    last = percent;
    std::fprintf(stderr, "\r%s: %zu of %zu files (%zu%%)", verb, done, total, percent);
    if (done == total) std::fputc('\n', stderr);
    std::fflush(stderr);
    return true;
  };
}

void SplitGrid(const std::string& text, GridTexts& grid) {
  const std::vector<std::string> parts = SplitCommas(text);
  if (parts.size() != 3) UsageError("--grid takes BEGIN,END,STEP, not \"" + text + "\"");
  for (const auto& p : parts)
    if (!IsNumber(p)) UsageError("--grid: \"" + p + "\" is not a number");
  grid = {parts[0], parts[1], parts[2]};
}

// Paths listed one per line in FILE, or on standard input for "-". A CR
// before the LF and empty lines are dropped.
void AddFilesFrom(const std::string& list, std::vector<std::string>& files) {
  if (list.empty()) return;
  std::ifstream file;
  std::istream* in = &std::cin;
  if (list != "-") {
    // A list may come through a pipe (`--files-from <(find ...)`), never from a device or a folder.
    std::error_code ec;
    if (!std::filesystem::is_fifo(list, ec)) try {
        RefuseSpecialFile(list);
      } catch (const RunFailure& f) {
        throw f.As(FailureKind::Usage);
      }
    file.open(list, std::ios::binary);
    if (!file) UsageError("--files-from: cannot read \"" + list + "\"");
    in = &file;
  }
  std::string line;
  while (std::getline(*in, line)) {
    if (!line.empty() && line.back() == '\r') line.pop_back();
    if (!line.empty()) files.push_back(line);
  }
  if (in->bad()) UsageError("--files-from: cannot read \"" + list + "\"");
}

std::vector<std::string> ListedFiles(const std::vector<std::string>& scans, const std::string& filesFrom) {
  std::vector<std::string> files = scans;
  AddFilesFrom(filesFrom, files);
  if (files.empty()) UsageError("no scan files: list them or give --files-from FILE");
  return files;
}

void WaveArgument(const std::string& text, int startChannel, RunSettings& s) {
  const auto eq = text.find('=');
  const std::string kind = text.substr(0, eq);
  const std::string value = eq == std::string::npos ? std::string() : text.substr(eq + 1);
  if (kind == "file" && eq == std::string::npos) {
    if (!s.variant->WavesFromFileOffered())
      UsageError(std::string(s.variant->cliName) +
                 " files hold no wavelengths: use --waves external=PATH or --waves equation=A,B,C");
    s.waveSource = WaveSource::FromFile;
  } else if (kind == "external" && !value.empty()) {
    s.waveSource = WaveSource::ExternalFile;
    s.externalFilePath = value;
  } else if (kind == "equation" && !value.empty()) {
    const std::vector<std::string> c = SplitCommas(value);
    if (c.size() != 3) UsageError("--waves equation takes A,B,C, not \"" + value + "\"");
    s.waveSource = WaveSource::Equation;
    s.equation = {c[0], c[1], c[2], startChannel};
    if (!CoefficientsAreNumbers(s.equation)) UsageError("--waves equation: coefficients must be numbers");
  } else {
    UsageError("--waves takes file, external=PATH or equation=A,B,C, not \"" + text + "\"");
  }
}

// The one place where a failure becomes what the user sees and the exit code.
// `checkHeadline` is the failure text of the checked format's window.
int Report(const RunFailure& f, std::string_view checkHeadline = {}) {
  switch (f.Kind()) {
    case FailureKind::Usage:
      std::cerr << "corvelane: " << f.what() << "\nRun with --help for more information.\n";
      return kUsage;
    case FailureKind::Run: std::cerr << Trimmed(kProblemInDataFile) << "\n" << f.what() << "\n"; return kRunFailed;
    case FailureKind::Check: std::cerr << Trimmed(checkHeadline) << "\n" << f.what() << "\n"; return kCheckFailed;
  }
  return kRunFailed;
}

struct ConvertOptions {
  std::string format;
  std::vector<std::string> scans;
  std::string filesFrom;
  std::string waves;
  int startChannel = 1;
  std::string grid;
  bool noInterpolate = false;
  std::string label;
  std::array<std::string, 4> outputs;
  std::string leafHeader;
  unsigned threads = 0;
  ChannelEquationOptions channels;  // unispec-dc
  std::string transectHeader;       // unispec-dc
  ReferenceOptions reference;       // unispec-dc
  std::string longTable;            // the long table
  std::string key;                  // the field key joined to it
  std::string averageBy;            // key columns whose groups are averaged
  std::string keyScans;             // key columns naming scans by number
  std::string keyName;              // how a number becomes a file name
  std::string keyReference;         // COLUMN=VALUE: the key's rows naming white reference scans
  std::string keyReferenceBy;       // key columns a scan shares with its references
  std::string dark;                 // unispec-dc
  std::string report;
  EnviOption envi;
};

struct CheckOptions {
  std::string format;
  std::vector<std::string> scans;
  std::string filesFrom;
  std::string errors;
  std::string label;
};

// Every output of a conversion, as the command line named it.
std::vector<NamedPath> ConvertOutputs(const ConvertOptions& o) {
  std::vector<NamedPath> outputs;
  for (OutputMode m : kAllModes) outputs.push_back({"--" + std::string(ModeCliName(m)), o.outputs[Index(m)]});
  outputs.push_back({"--corrected", o.reference.corrected});
  outputs.push_back({"--indices", o.reference.indices});
  outputs.push_back({"--long", o.longTable});
  outputs.push_back({"--report", o.report});
  for (NamedPath& envi : o.envi.Outputs()) outputs.push_back(std::move(envi));
  return outputs;
}

// Every file a conversion reads besides the scans.
std::vector<NamedPath> ConvertInputs(const ConvertOptions& o) {
  std::vector<NamedPath> inputs = {{"--leaf-header", o.leafHeader},
                                   {"--transect-header", o.transectHeader},
                                   {"--ref-file", o.reference.refFile},
                                   {"--key", o.key},
                                   {"--files-from", o.filesFrom == "-" ? std::string() : o.filesFrom}};
  for (const std::string& scan : o.reference.referenceScans) inputs.push_back({"--reference-scan", scan});
  inputs.push_back({"--dark", o.dark});
  if (o.waves.starts_with("external=")) inputs.push_back({"--waves external=", o.waves.substr(9)});
  if (!o.channels.instrument.empty()) inputs.push_back({"--instrument", InstrumentFilePath(".")});
  return inputs;
}

// The run's settings from the options, format, scans, grid, label and
// wavelength source checked; the tables wanted are set by ChooseTables. No
// output may replace a file the run reads.
RunSettings SettingsOf(const ConvertOptions& o) {
  RunSettings s;
  s.variant = &FormatArgument(o.format);
  const InstrumentVariant& v = *s.variant;
  s.files = ListedFiles(o.scans, o.filesFrom);
  if (s.files.size() > kMaxRunFiles)
    UsageError(std::to_string(s.files.size()) + " scan files listed; a run takes at most " +
               std::to_string(kMaxRunFiles));
  RefuseOutputsOverInputs(ConvertOutputs(o), ConvertInputs(o), s.files);
  s.grid = {std::string(v.beginText), std::string(v.endText), std::string(v.stepText)};
  if (!o.grid.empty()) SplitGrid(o.grid, s.grid);
  s.interpolate = !o.noInterpolate;
  if (s.interpolate) {
    int points = 0;
    try {
      points = GridCount(s.grid);
    } catch (const RunFailure& f) {
      UsageError(std::string("--grid: ") + f.Why());
    }
    if (points == 0)
      UsageError("--grid " + o.grid + " has no points: END must lie on the side of BEGIN that STEP goes to");
  }
  s.labelSource = LabelArgument(v, o.label);
  if (o.startChannel != 0 && o.startChannel != 1) UsageError("--start-channel takes 0 or 1");
  if (v.window.channelEquations) {
    // Always the two channel equations, always resampled.
    for (const auto& [given, option] : {std::pair{!o.waves.empty(), "--waves"},
                                        {o.noInterpolate, "--no-interpolate"},
                                        {!o.leafHeader.empty(), "--leaf-header"}})
      if (given)
        UsageError(std::string(option) + " is not for " + std::string(v.cliName) +
                   ": its run always resamples with the two channel equations (--coefficients, --instrument)");
    ChannelEquationOptions channels = o.channels;
    channels.startChannel = o.startChannel;
    ApplyChannelEquations(channels, s);
    s.darkScan = o.dark;
  } else if (!o.channels.coefficients.empty() || o.channels.instrumentGiven || !o.transectHeader.empty() ||
             !o.dark.empty()) {
    UsageError("--coefficients, --instrument, --transect-header and --dark are for " +
               CliNamesAnd(TakesChannelEquations) + " only");
  } else if (!o.waves.empty())
    WaveArgument(o.waves, o.startChannel, s);
  else if (!v.WavesFromFileOffered())
    UsageError(std::string(v.cliName) +
               " files hold no wavelengths: use --waves external=PATH or --waves equation=A,B,C");
  return s;
}

// The tables asked for, set in `s`. A run may write only its reference
// outputs (`referenceOutput`: the corrected file or the index file).
void ChooseTables(const ConvertOptions& o, RunSettings& s, bool referenceOutput) {
  const InstrumentVariant& v = *s.variant;
  bool any = false;
  for (OutputMode m : kAllModes) {
    if (o.outputs[Index(m)].empty()) continue;
    if (!v.Offers(m)) UsageError(std::string(v.cliName) + " offers no --" + std::string(ModeCliName(m)) + " output");
    s.modes[Index(m)] = true;
    any = true;
  }
  if (!any && !referenceOutput && o.longTable.empty() && !o.envi.Asked())
    UsageError("choose at least one output: --reflectance PATH, --absorbance PATH, ..., --long FILE");
}

// The leaf or transect header block of the reflectance file, read from its file.
std::optional<HeaderBlock> ReflectanceHeaderOf(const ConvertOptions& o, const RunSettings& s) {
  if (!o.leafHeader.empty()) {
    if (!s.variant->hasLeafHeader)
      UsageError("--leaf-header is for " + CliNamesAnd([](const InstrumentVariant& f) { return f.hasLeafHeader; }) +
                 " only");
    if (!s.modes[Index(OutputMode::Reflectance)])
      UsageError("--leaf-header goes into the reflectance file: add --reflectance PATH");
    return LeafHeaderBlock(ReadLeafHeaderFile(o.leafHeader));
  }
  if (!o.transectHeader.empty()) {
    if (!s.modes[Index(OutputMode::Reflectance)])
      UsageError("--transect-header goes into the reflectance file: add --reflectance PATH");
    return TransectHeaderBlock(ReadTransectHeaderFile(o.transectHeader));
  }
  return std::nullopt;
}

// The key's white references, checked before any scan is read.
void KeyReferenceOptions(const ConvertOptions& o, ConversionJob& job) {
  if (o.keyReference.empty() && o.keyReferenceBy.empty()) return;
  if (o.keyReference.empty() || o.keyReferenceBy.empty())
    UsageError(
        "--key-reference and --key-reference-by go together: the key's reference rows and the columns a scan "
        "shares with its references, e.g. --key-reference Treatment=REF --key-reference-by Date,Site,Block");
  if (!job.settings.variant->window.referenceControls)
    UsageError("--key-reference is for " + CliNamesAnd(TakesReference) + " only");
  if (job.correctByScans)
    UsageError("--key-reference and --reference-scan both choose the reference: give one of them");
  const std::size_t equals = o.keyReference.find('=');
  job.keyReferenceColumn = Trimmed(o.keyReference.substr(0, equals));
  if (equals != std::string::npos) job.keyReferenceValue = Trimmed(o.keyReference.substr(equals + 1));
  if (equals == std::string::npos || job.keyReferenceColumn.empty() || job.keyReferenceValue.empty())
    UsageError("--key-reference takes COLUMN=VALUE, e.g. Treatment=REF, not \"" + o.keyReference + "\"");
  for (const std::string& c : SplitCommas(o.keyReferenceBy)) {
    if (Trimmed(c).empty()) UsageError("--key-reference-by takes COLUMN[,COLUMN...], not \"" + o.keyReferenceBy + "\"");
    job.keyReferenceBy.push_back(Trimmed(c));
  }
  if (!job.key->Column(job.keyReferenceColumn))
    UsageError("--key-reference: the field key " + o.key + " has no column \"" + job.keyReferenceColumn + "\"");
  for (const std::string& name : job.keyReferenceBy)
    if (!job.key->Column(name))
      UsageError("--key-reference-by: the field key " + o.key + " has no column \"" + name + "\"");
}

// The long table, its field key and its groups, checked before any scan is read.
void LongTableOptions(const ConvertOptions& o, ConversionJob& job) {
  if (!o.key.empty() && o.longTable.empty()) UsageError("--key joins the field key to the long table: add --long FILE");
  if ((!o.keyScans.empty() || !o.keyName.empty()) && o.key.empty())
    UsageError("--key-scans and --key-name say how the field key names its scans: add --key FILE");
  if (!o.averageBy.empty() && o.key.empty())
    UsageError("--average-by averages the groups of the field key's columns: add --key FILE");
  if ((!o.keyReference.empty() || !o.keyReferenceBy.empty()) && o.key.empty())
    UsageError("--key-reference and --key-reference-by correct by the field key's reference scans: add --key FILE");
  job.longTable = !o.longTable.empty();
  if (o.key.empty()) return;
  if (o.keyScans.empty() != o.keyName.empty())
    UsageError(
        "--key-scans and --key-name go together: the columns holding scan numbers and the file name "
        "pattern, e.g. --key-scans P1,P2 --key-name \"{Site}_{n:05}.spu\"");
  job.key = ReadFieldKey(o.key);
  for (const std::string& c : SplitCommas(o.keyScans))
    if (!Trimmed(c).empty()) job.keyScans.push_back(Trimmed(c));
  if (!o.keyScans.empty() && job.keyScans.empty())
    UsageError("--key-scans takes COLUMN[,COLUMN...], not \"" + o.keyScans + "\"");
  job.keyName = o.keyName;
  KeyNames(*job.key, job.keyScans, job.keyName);  // the key must name its scans
  KeyReferenceOptions(o, job);
  if (o.averageBy.empty()) return;
  job.averageBy = SplitCommas(o.averageBy);
  for (std::string& name : job.averageBy) {
    name = Trimmed(name);
    if (name.empty()) UsageError("--average-by takes COLUMN[,COLUMN...], not \"" + o.averageBy + "\"");
    if (!job.key->Column(name)) UsageError("--average-by: the field key " + o.key + " has no column \"" + name + "\"");
  }
}

// The command line's end of a run: each output goes to its option's path,
// warnings to stderr.
class OptionPathsSink final : public OutputSink {
 public:
  OptionPathsSink(const ConvertOptions& o, const ReferenceOptions& ref, std::vector<NamedPath> outputs,
                  const std::vector<std::string>& scans)
      : o_(o), ref_(ref), outputs_(std::move(outputs)), scans_(scans) {}

  void Computed(const ConversionResult& result, std::span<const std::string> warnings) override {
    // A scan reached under another name (a link, a hard link) is found by the
    // file it is, once the run has read them all; still before anything is written.
    for (const NamedPath& out : outputs_) {
      if (out.path.empty()) continue;
      if (const auto scan = ScanReplacedBy(result, out.path))
        UsageError(out.option + " " + out.path + " would replace the scan file " + scans_[*scan]);
    }
    for (const std::string& w : warnings) std::cerr << "corvelane: warning: " << w << "\n";
  }
  std::optional<std::string> PathFor(JobOutput output) override {
    if (output == JobOutput::Corrected) return ref_.corrected;
    if (output == JobOutput::LongTable) return o_.longTable;
    if (output == JobOutput::Report) return o_.report;
    if (output == JobOutput::EnviLibrary) return o_.envi.Path();
    return o_.outputs[static_cast<std::size_t>(output)];
  }
  void Written(JobOutput, const std::string&) override {}
  void RefFileDeclined() override {}  // the options never decline

 private:
  const ConvertOptions& o_;
  const ReferenceOptions& ref_;
  std::vector<NamedPath> outputs_;
  const std::vector<std::string>& scans_;
};

int Convert(const ConvertOptions& o) {
  ConversionJob job;
  job.settings = SettingsOf(o);
  RunSettings& s = job.settings;
  ReferenceOptions ref = o.reference;
  CheckReferenceOptions(ref, s.variant->window.referenceControls);
  ChooseTables(o, s, ref.Correct() || ref.ApplyRef());
  job.reflectanceHeader = ReflectanceHeaderOf(o, s);
  job.correctByScans = ref.Correct();
  job.referenceScans = ref.referenceScans;
  job.plottedNames = PlottedNamesText(ref.referenceScans);
  job.applyRefFile = ref.ApplyRef();
  job.enviLibrary = o.envi.Quantity(ref.Correct());
  job.threads = o.threads;
  LongTableOptions(o, job);
  job.qualityReport = !o.report.empty();
  OptionPathsSink sink(o, ref, ConvertOutputs(o), s.files);
  OptionsRefFileAsker asker(ref, std::cerr);
  RunJob(job, sink, asker, TerminalProgress("converting"));
  return kOk;
}

int Check(const CheckOptions& o) {
  const InstrumentVariant& v = FormatArgument(o.format);
  const LabelSource label = LabelArgument(v, o.label);
  const std::vector<std::string> files = ListedFiles(o.scans, o.filesFrom);
  RefuseOutputsOverInputs({{"--errors", o.errors}}, {{"--files-from", o.filesFrom == "-" ? "" : o.filesFrom}}, files);
  const CheckOutcome outcome = CheckFiles(v, files, label, o.errors, TerminalProgress("checking"));
  std::cout << (outcome.Clean() ? Trimmed(kFilesOk) : std::string(kErrorsSaved)) << "\n";
  return outcome.Clean() ? kOk : kProblemsFound;
}

}  // namespace

bool IsHeadless(const std::vector<std::string>& args) { return !args.empty(); }

int FinishStandardOutput(int code) {
  std::cout.flush();
  errno = 0;
  const bool failed = !std::cout || std::fflush(stdout) != 0 || std::ferror(stdout);
  if (!failed) return code;
  const int err = errno;
  std::cerr << "corvelane: cannot write to standard output" << (err ? std::string(": ") + std::strerror(err) : "")
            << "\n";
  return code == kOk ? kRunFailed : code;
}

namespace {

// The tables of `corvelane convert` and the header blocks of the reflectance table.
void AddTableOptions(CLI::App* convert, ConvertOptions& co) {
  convert->add_option("--reflectance", co.outputs[0], "Write the reflectance table to PATH");
  convert->add_option("--absorbance", co.outputs[1],
                      "Write the absorbance table to PATH (not " + CliNamesAnd([](const InstrumentVariant& v) {
                        return !v.Offers(OutputMode::Absorbance);
                      }) + ")");
  convert->add_option("--target", co.outputs[2],
                      "Write the raw target table to PATH (" + CliNamesAnd([](const InstrumentVariant& v) {
                        return v.Offers(OutputMode::RawTarget);
                      }) + ")");
  convert->add_option("--reference", co.outputs[3],
                      "Write the raw reference (panel) table to PATH (" + CliNamesAnd([](const InstrumentVariant& v) {
                        return v.Offers(OutputMode::RawReference);
                      }) + ")");
  convert->add_option(
      "--leaf-header", co.leafHeader,
      CliNamesCommas([](const InstrumentVariant& v) { return v.hasLeafHeader; }) +
          ": put a leaf header block at the head of the reflectance file. "
          "FILE holds one 'Label: value' line per box of the Leaf Header window, labels as captioned there "
          "(File name, Person responsible, Project description, File names (links) to other data, "
          "Measurement inst., Foreoptics, Wavelength calib. coeff., Reflectance standard, "
          "Data processing prog. v.#, Data type, Plant functional type, Collection site, "
          "Additional information, Cautions); '#' starts a comment line");
  convert->add_option("--coefficients", co.channels.coefficients,
                      CliNamesCommas(TakesChannelEquations) +
                          ": the channel equations A1,B1,C1 (channel 1, the panel) and A2,B2,C2 (channel 2, "
                          "the target), each A + B*ch + C*ch^2 (default those of the instrument DC 1)");
  convert->add_option("--instrument", co.channels.instrument,
                      CliNamesCommas(TakesChannelEquations) +
                          ": the six coefficients of the instrument NAME in inst.cof of the current folder "
                          "(see corvelane instruments)");
  convert->add_option("--transect-header", co.transectHeader,
                      CliNamesCommas(TakesTransectHeader) +
                          ": put a transect header block at the head of the reflectance file. FILE holds one "
                          "'Label: value' line per box of the Transect Header Info window, labels as captioned there "
                          "(File name, Data format?, Collection Date, Person responsible, Data proc. prog and v#, "
                          "Scans ave., Data proc. date, Instrument used, Platform (ground, tram...), Foreoptics, FOV, "
                          "View angle, Instrument calibration, Vegetation type, Location description, GPS at 0m, "
                          "GPS at 100m, Precision of GPS, Transect direction (deg), Meas. on rt or left side, "
                          "Dist. from trail, Dist. from sensor to canopy, Illumination cond., Auxilliary data, "
                          "File names (links) to other data, Cautions); '#' starts a comment line");
}

// The long table of `corvelane convert` and the field key joined to it.
void AddLongTableOptions(CLI::App* convert, ConvertOptions& co) {
  convert->add_option("--long", co.longTable,
                      "Write the long table to FILE: CSV, one row per scan, quantity (the tables written; "
                      "reflectance when none) and wavelength, columns "
                      "path,label,date,time,temperature,integration_ms,quantity,wavelength_nm,value and the "
                      "field key's columns; FILE ending in .gz is gzip-compressed");
  convert->add_option("--key", co.key,
                      "Field key joined to the long table: CSV with a header row, a column file naming each scan "
                      "(folder and letter case ignored) and optionally a column date (ISO or month/day/year) for "
                      "scans of one name on different days; its other columns are appended to the scan's rows");
  convert->add_option("--key-scans", co.keyScans,
                      "COLUMN[,COLUMN...] of the field key holding scan numbers (one row per plot visit; empty cells "
                      "skipped), made file names by --key-name; the rows get a scan_number column");
  convert->add_option("--key-name", co.keyName,
                      "How a scan number becomes a file name: {COLUMN} the row's value of that column, {n} the "
                      "number, {n:0W} the number zero-padded to W digits, e.g. \"{Site}_{n:05}.spu\"");
  convert->add_option("--average-by", co.averageBy,
                      "COLUMN[,COLUMN...] of the field key: the long table holds one row per group of these "
                      "columns, quantity and wavelength, with mean, sd (sample), n and n_left_out (marks left out)");
  convert->add_option("--key-reference", co.keyReference,
                      "COLUMN=VALUE of the field key (letter case ignored), e.g. Treatment=REF: the rows naming the "
                      "white reference scans; every other scan of the key is divided by the mean ratio of the "
                      "reference scans sharing its --key-reference-by values, giving corrected rows in the long "
                      "table (unispec-dc)");
  convert->add_option("--key-reference-by", co.keyReferenceBy,
                      "COLUMN[,COLUMN...] a scan shares with its reference scans, e.g. Date,Site,Block; a cell "
                      "holding a list (\"B1, B2, B3, B4\") stands for each of its items");
}

// `corvelane convert` and its options, read into `co`.
CLI::App* AddConvertCommand(CLI::App& app, ConvertOptions& co) {
  auto* convert = app.add_subcommand(
      "convert", "Convert scan files into reflectance, absorbance, raw target and raw reference tables");
  convert->add_option("FORMAT", co.format, "Scan format: " + FormatList())->required();
  convert->add_option("SCAN", co.scans, "Scan files, in column order");
  convert->add_option(
      "--files-from", co.filesFrom,
      "Also convert the files listed in FILE, one path per line, after any SCAN; - reads the list from standard input");
  convert->add_option(
      "--waves", co.waves,
      "Channel wavelengths: file (from the first scan; the default), external=PATH "
      "(one wavelength per line; the default source of " +
          CliNamesAnd([](const InstrumentVariant& v) { return v.defaultWaveSource == WaveSource::ExternalFile; }) +
          ", which needs it), equation=A,B,C (A + B*ch + C*ch^2, rounded to 0.01 nm)");
  convert->add_option("--start-channel", co.startChannel,
                      "Channel number of the first channel in the equation: 0 or 1 (default 1)");
  convert->add_option("--grid", co.grid, "BEGIN,END,STEP in nm (default " + GridDefaults() + ")");
  convert->add_flag("--no-interpolate", co.noInterpolate,
                    "Write the channels as they are instead of resampling onto the grid");
  convert->add_option("--label", co.label,
                      "UniSpec formats: column label from the header's first line (header) or from the scan's path "
                      "(path; default, header for " +
                          CliNamesAnd([](const InstrumentVariant& v) {
                            return v.hasLabelChoice && v.defaultLabelSource == LabelSource::HeaderInfo;
                          }) +
                          ")");
  AddTableOptions(convert, co);
  AddReferenceOptions(*convert, co.reference);
  AddLongTableOptions(convert, co);
  convert->add_option("--dark", co.dark,
                      CliNamesCommas(TakesChannelEquations) +
                          ": subtract the target and panel readings of this dark scan, channel by channel, from every "
                          "scan and reference scan before placing them on the grid; its integration time must be "
                          "each scan's (the run fails otherwise); scans whose header names a Dark= file were corrected "
                          "by the instrument and are left as they are (a warning names them)");
  convert->add_option("--report", co.report,
                      "Write the quality report to PATH, the last output: one CSV row per scan (path, label, date, "
                      "time, temperature, integration time and what the checks of real field scans found)");
  co.envi.Add(*convert);
  convert->add_option("--threads", co.threads, "Threads reading scan files (default: every core)");
  convert->footer(
      "Checking real field scans: the run warns on stderr (outputs unchanged) about saturated readings (65000 counts "
      "or more, 65535 in GER files), dark scans converted as spectra, unispec-dc equations more than 1 nm from the "
      "scans' own wavelength column (fit them with corvelane instruments --fit NAME SCAN...), and unispec-dc grids "
      "reaching the last eight channels, which hold instrument status values, not readings (end the grid at or below "
      "the wavelength named). A .ref file whose first wavelength or step does not match the grid fails the run. "
      "Exit status: 0 every output written; 1 the run failed (stderr says where and why); 2 usage error.");
  return convert;
}

// `corvelane check` and its options, read into `ko`.
CLI::App* AddCheckCommand(CLI::App& app, CheckOptions& ko) {
  auto* check = app.add_subcommand("check", "Check scan files for damaged lines into an error file");
  check->add_option("FORMAT", ko.format, "Scan format: " + FormatList())->required();
  check->add_option("SCAN", ko.scans, "Scan files, in order");
  check->add_option("--files-from", ko.filesFrom,
                    "Also check the files listed in FILE, one path per line; - reads standard input");
  check->add_option("--errors", ko.errors, "Error file to write (replaced)")->required();
  check->add_option("--label", ko.label,
                    "UniSpec formats: test the file name of the header's first line (header) or take it from the path "
                    "(path; default)");
  check->footer("Exit status: 0 no problem found; 1 problem lines written; 2 usage error; 3 the check failed.");
  return check;
}

}  // namespace

int Run(const std::vector<std::string>& args) {
  CLI::App app{
      "Corvelane: field-spectroscopy scan files into spectra tables.\n"
      "With no arguments the desktop program opens."};
  app.require_subcommand(1);
  app.set_version_flag("--version", std::string("corvelane ") + "0.1.0");
  ConvertOptions co;
  CLI::App* convert = AddConvertCommand(app, co);
  CheckOptions ko;
  CLI::App* check = AddCheckCommand(app, ko);

  std::string samplesOut;
  auto* samples = app.add_subcommand("samples", "Convert the bundled sample scans of every format into a folder");
  samples->add_option("FOLDER", samplesOut, "Output folder (default corvelane-output)");

  IndicesCommand indices(app);
  BandsCommand bands(app);
  InstrumentsCommand instruments(app);

  RemoveTemporaryFilesOnSignals();
  std::vector<std::string> reversed(args.rbegin(), args.rend());
  try {
    app.parse(reversed);
  } catch (const CLI::CallForHelp& e) {
    return app.exit(e);
  } catch (const CLI::CallForAllHelp& e) {
    return app.exit(e);
  } catch (const CLI::CallForVersion& e) {
    return app.exit(e);
  } catch (const CLI::ParseError& e) {
    app.exit(e);
    return kUsage;
  }
  co.channels.instrumentGiven = convert->count("--instrument") > 0;
  try {
    if (convert->parsed()) return Convert(co);
    if (check->parsed()) return Check(ko);
    if (indices.Parsed()) return indices.Run();
    if (bands.Parsed()) return bands.Run();
    if (instruments.Parsed()) return instruments.Run();
    if (samples->parsed()) return ConvertSamples(SamplesFolder(), samplesOut.empty() ? "corvelane-output" : samplesOut);
  } catch (const RunFailure& f) {
    const InstrumentVariant* checked = VariantByCliName(ko.format);
    return Report(f, checked ? checked->checkFailureText : std::string_view{});
  } catch (const std::bad_alloc&) {
    std::cerr << "corvelane: out of memory: the run needs more memory than the machine has available\n";
    return kRunFailed;
  } catch (const std::system_error& e) {
    // A system resource refused on the way (temporary files are removed as the failure unwinds).
    std::cerr << "corvelane: " << e.what() << "\n";
    return kRunFailed;
  }
  return kUsage;
}

std::string SamplesFolder() {
  if (std::filesystem::is_directory("samples/unispec-old")) return "samples";
  return CORVELANE_SOURCE_SAMPLES;
}

int ConvertSamples(const std::string& samplesFolder, const std::string& outputFolder) {
  namespace fs = std::filesystem;
  std::error_code ec;
  fs::create_directories(outputFolder, ec);
  if (ec) {
    std::cerr << "corvelane: cannot create " << outputFolder << ": " << ec.message() << "\n";
    return kRunFailed;
  }
  int failures = 0;
  WavelengthTables tables;
  std::cout << "Converting the bundled samples of " << samplesFolder << " into " << outputFolder << "/\n";
  for (const InstrumentVariant& v : AllVariants()) {
    const fs::path folder = fs::path(samplesFolder) / std::string(v.cliName);
    std::vector<std::string> scans;
    for (const auto& entry : fs::directory_iterator(folder, ec)) scans.push_back(entry.path().string());
    std::sort(scans.begin(), scans.end());
    if (scans.empty()) {
      std::cerr << "corvelane: no samples in " << folder.string() << "\n";
      ++failures;
      continue;
    }
    RunSettings s;
    s.variant = &v;
    s.files = scans;
    s.grid = {std::string(v.beginText), std::string(v.endText), std::string(v.stepText)};
    s.labelSource = v.defaultLabelSource;
    s.waveSource = v.defaultWaveSource;
    s.externalFilePath = (fs::path(samplesFolder) / "waves-unispec-256.txt").string();
    if (v.window.channelEquations) ApplyChannelEquations({}, s);  // the start coefficients
    for (OutputMode m : kAllModes) s.modes[Index(m)] = v.Offers(m);
    try {
      const ConversionResult r = ComputeConversion(s, tables);
      for (OutputMode m : kAllModes) {
        if (!s.modes[Index(m)]) continue;
        const std::string path =
            (fs::path(outputFolder) / (std::string(v.cliName) + "-" + std::string(ModeCliName(m)) + ".txt")).string();
        WriteOutputFile(r, m, nullptr, path);
        std::cout << "  " << path << ": " << ModeCliName(m) << " of " << scans.size() << " " << v.caption << " scans, "
                  << r.Rows() << " rows\n";
      }
    } catch (const RunFailure& f) {
      Report(f);
      ++failures;
    }
  }
  return failures ? kRunFailed : kOk;
}

}  // namespace corvelane::cli
