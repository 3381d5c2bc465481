#include "convert/envi_library.h"

#include <algorithm>
#include <array>
#include <bit>
#include <cmath>
#include <cstdint>
#include <filesystem>
#include <limits>
#include <unordered_map>
#include <unordered_set>

#include "text/atomic_file.h"
#include "text/failure.h"
#include "text/numeric_text.h"
#include "text/text_input.h"

namespace corvelane {

namespace {

constexpr std::array<std::string_view, 5> kQuantityNames = {"reflectance", "absorbance", "target", "panel",
                                                            "corrected"};

// Items of a list in braces, so many to a line.
constexpr std::size_t kItemsPerLine = 10;

// A header text safe inside braces and a comma-separated list.
std::string HeaderSafe(std::string_view text) {
  std::string out(text);
  for (char& c : out)
    if (c == ',' || c == '{' || c == '}' || c == '\r' || c == '\n') c = '_';
  return out;
}

std::string WavelengthText(double w, std::optional<int> decimals) {
  if (!decimals) return PlainNumber(w);
  std::string text = PlainNumber(RoundHalfEven(w, *decimals));
  return text == "-0" ? "0" : text;
}

// `name = {` then the items, kItemsPerLine to a line, then `}`.
void AppendList(std::string& out, std::string_view key, std::span<const std::string> items) {
  out += key;
  out += " = {";
  for (std::size_t i = 0; i < items.size(); ++i) {
    out += i % kItemsPerLine == 0 ? "\n  " : " ";
    out += items[i];
    if (i + 1 < items.size()) out += ',';
  }
  out += "}\n";
}

// Decimals after the point of a plain decimal number; none for other text.
std::optional<int> PlainDecimals(std::string_view text) {
  text = Trim(text);
  if (text.empty() || !ParseNumber(text)) return std::nullopt;
  const std::size_t point = text.find('.');
  for (char c : text)
    if (c != '.' && c != '-' && c != '+' && (c < '0' || c > '9')) return std::nullopt;
  return point == std::string_view::npos ? 0 : static_cast<int>(text.size() - point - 1);
}

std::string HeaderText(const ConversionResult& result, const EnviSpectraInfo& info, std::size_t lines) {
  const std::string_view quantity = EnviQuantityName(info.quantity);
  const bool raw = info.quantity == EnviQuantity::Target || info.quantity == EnviQuantity::Panel;
  std::string out = "ENVI\n";
  out += "description = {Corvelane spectral library: ";
  out += quantity;
  out += " of ";
  out += std::to_string(lines);
  out += lines == 1 ? " scan" : " scans";
  out += info.wavelengthDecimals ? " on the grid" : " at the channel wavelengths";
  out += raw ? ". Raw readings as the table holds them (999 is a reading there)."
             : ". Values as the table holds them; where it holds the mark 999 (no value could be formed) the "
               "value is NaN.";
  out += "}\n";
  out += "samples = " + std::to_string(result.Rows()) + "\n";
  out += "lines = " + std::to_string(lines) + "\n";
  out += "bands = 1\n";
  out += "header offset = 0\n";
  out += "file type = ENVI Spectral Library\n";
  out += "data type = 4\n";
  out += "interleave = bsq\n";
  out += "byte order = 0\n";
  out += "wavelength units = Nanometers\n";
  std::vector<std::string> waves;
  waves.reserve(result.Rows());
  for (double w : result.rowWavelengths) waves.push_back(WavelengthText(w, info.wavelengthDecimals));
  AppendList(out, "wavelength", waves);
  AppendList(out, "spectra names", EnviSpectraNames(info.labels, info.dates));
  return out;
}

// `value` as float32, little-endian, at `out`.
void PutFloat(char* out, double value) {
  const auto bits = std::bit_cast<std::uint32_t>(static_cast<float>(value));
  for (int b = 0; b < 4; ++b) out[b] = static_cast<char>((bits >> (8 * b)) & 0xFF);
}

}  // namespace

std::string_view EnviQuantityName(EnviQuantity q) noexcept { return kQuantityNames[static_cast<std::size_t>(q)]; }

std::optional<EnviQuantity> EnviQuantityNamed(std::string_view name) noexcept {
  for (std::size_t i = 0; i < kQuantityNames.size(); ++i)
    if (kQuantityNames[i] == name) return static_cast<EnviQuantity>(i);
  return std::nullopt;
}

std::optional<OutputMode> EnviTable(EnviQuantity q) noexcept {
  if (q == EnviQuantity::Corrected) return std::nullopt;
  return static_cast<OutputMode>(static_cast<int>(q));
}

std::string EnviHeaderPath(const std::string& path) {
  const std::size_t slash = path.find_last_of('/');
  const std::size_t nameStart = slash == std::string::npos ? 0 : slash + 1;
  const std::size_t dot = path.find_last_of('.');
  // A name's leading dot (".sli") starts no extension, nor do "." and "..".
  if (dot == std::string::npos || dot <= nameStart) return path + ".hdr";
  return path.substr(0, dot) + ".hdr";
}

void CheckEnviPath(const std::string& path) {
  if (path.empty()) Fail("the ENVI library needs a file name", FailureKind::Usage);
  if (IsStandardOutput(path))
    FailFile(path, "the ENVI library is two files (the library and its header) and cannot go to standard output",
             FailureKind::Usage);
  const std::string header = EnviHeaderPath(path);
  std::error_code ec;
  if (header == path || std::filesystem::equivalent(header, path, ec))
    FailFile(path, "the ENVI library's header would be the library itself; name the library FILE.sli",
             FailureKind::Usage);
}

std::vector<std::string> EnviSpectraNames(std::span<const std::string> labels, std::span<const std::string> dates) {
  std::vector<std::string> names;
  names.reserve(labels.size());
  for (const std::string& label : labels) names.push_back(HeaderSafe(label));
  std::unordered_map<std::string, std::size_t> count;
  for (const std::string& n : names) ++count[n];
  // Repeated labels get their scan's date.
  for (std::size_t i = 0; i < names.size(); ++i) {
    if (count[names[i]] < 2 || i >= dates.size() || Trim(dates[i]).empty()) continue;
    names[i] += '_';
    names[i] += HeaderSafe(Trim(dates[i]));
  }
  std::unordered_map<std::string, std::size_t> repeats;
  for (const std::string& n : names) ++repeats[n];
  std::unordered_set<std::string> taken(names.begin(), names.end());
  std::unordered_map<std::string, std::size_t> next;
  for (std::string& n : names) {
    if (repeats[n] < 2) continue;
    std::size_t& k = next[n];
    std::string numbered;
    do {
      numbered = n;
      numbered += '_';
      numbered += std::to_string(++k);
    } while (taken.contains(numbered));
    taken.insert(numbered);
    n = std::move(numbered);
  }
  return names;
}

std::optional<int> GridDecimals(const GridTexts& grid) {
  const auto begin = PlainDecimals(grid.begin);
  const auto step = PlainDecimals(grid.step);
  if (!begin || !step) return std::nullopt;
  return std::max(*begin, *step);
}

EnviSpectraInfo EnviSpectraInfoOf(const ConversionResult& result, const RunSettings& settings, EnviQuantity quantity) {
  EnviSpectraInfo info;
  info.quantity = quantity;
  const auto& rows = result.variant->headRows;
  for (std::size_t h = 0; h < rows.size() && h < result.heads.size(); ++h) {
    if (rows[h].field == &ScanRecord::fileLabel) info.labels = result.heads[h];
    if (rows[h].field == &ScanRecord::date) info.dates = result.heads[h];
  }
  // The dates in the form other tools join on, where the run kept them.
  if (result.facts.size() == result.fileCount) {
    info.dates.clear();
    for (const ScanFacts& scan : result.facts) info.dates.push_back(scan.date);
  }
  if (info.labels.size() != result.fileCount) {
    info.labels.clear();
    for (const std::string& file : settings.files)
      info.labels.push_back(std::filesystem::path(file).filename().string());
  }
  if (settings.interpolate) info.wavelengthDecimals = GridDecimals(settings.grid);
  return info;
}

void WriteEnviLibrary(const ConversionResult& result, const EnviSpectraInfo& info,
                      std::span<const std::vector<double>> corrected, const std::string& path) {
  CheckEnviPath(path);
  // Whatever name or link leads there, a scan of the run is never replaced.
  const std::string headerPath = EnviHeaderPath(path);
  for (const std::string* file : {&path, &headerPath})
    if (const auto scan = ScanReplacedBy(result, *file))
      FailFile(*file, "writing it would replace scan file " + std::to_string(*scan + 1) + " of the run's list",
               FailureKind::Usage);
  const std::optional<OutputMode> table = EnviTable(info.quantity);
  const std::size_t lines = table ? result.fileCount : corrected.size();
  const std::size_t samples = result.Rows();
  if (table && !result.Computed(*table))
    Fail("the run computed no " + std::string(EnviQuantityName(info.quantity)) + " for the ENVI library");
  const bool marks = info.quantity != EnviQuantity::Target && info.quantity != EnviQuantity::Panel;
  const double nan = std::numeric_limits<double>::quiet_NaN();
  {
    AtomicFileWriter out(path);
    // Spectra a batch at a time, each row's values of the batch read side by
    // side as the table keeps them.
    constexpr std::size_t kBatch = 64;
    std::string chunk;
    for (std::size_t first = 0; first < lines; first += kBatch) {
      const std::size_t n = std::min(kBatch, lines - first);
      chunk.resize(n * samples * 4);
      for (std::size_t i = 0; i < samples; ++i)
        for (std::size_t k = 0; k < n; ++k) {
          const std::size_t line = first + k;
          double v =
              table ? result.Value(*table, i, line) : (i < corrected[line].size() ? corrected[line][i] : kNoValue);
          if (marks && IsMark(v)) v = nan;
          PutFloat(&chunk[(k * samples + i) * 4], v);
        }
      out.Write(chunk);
    }
    out.Commit();
  }
  AtomicFileWriter header(headerPath);
  header.Write(HeaderText(result, info, lines));
  header.Commit();
}

}  // namespace corvelane
