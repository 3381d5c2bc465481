#include "indices/satellite_bands.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <filesystem>
#include <fstream>
#include <limits>
#include <map>
#include <memory>
#include <mutex>
#include <sstream>

#include "indices/index_values.h"
#include "indices/long_table.h"
#include "text/comma_list.h"
#include "text/failure.h"
#include "text/numeric_text.h"
#include "text/text_input.h"

namespace corvelane {

// Made by CMake from share/srf/*.csv (generated/shipped_responses.cpp).
std::string_view ShippedResponseText(std::size_t index) noexcept;
extern const char* const kShippedResponseNames[];
extern const std::size_t kShippedResponseCount;

namespace {

constexpr double kNotFormed = std::numeric_limits<double>::quiet_NaN();

[[noreturn]] void Refuse(const std::string& file, std::size_t line, std::string why) {
  throw RunFailure({file, line, {}, false}, std::move(why), FailureKind::Usage);
}

std::string Stem(const std::string& path) { return std::filesystem::path(path).stem().string(); }

// S at `x` by linear interpolation over the band's rows; 0 outside them.
double ResponseAt(const ResponseBand& band, double x) {
  const std::vector<double>& w = band.wavelengths;
  if (w.empty() || x < w.front() || x > w.back()) return 0;
  const auto upper = std::upper_bound(w.begin(), w.end(), x);
  if (upper == w.end()) return band.response.back();  // x is the last wavelength
  const std::size_t j = static_cast<std::size_t>(upper - w.begin());
  if (j == 0) return band.response.front();
  const double x0 = w[j - 1], x1 = w[j];
  const double s0 = band.response[j - 1], s1 = band.response[j];
  if (x == x0) return s0;
  return s0 + (s1 - s0) * (x - x0) / (x1 - x0);
}

// The trapezoidal integral of the band's interpolated response over [lo, hi].
double ResponseIntegral(const ResponseBand& band, double lo, double hi) {
  const std::vector<double>& w = band.wavelengths;
  double sum = 0;
  for (std::size_t j = 0; j + 1 < w.size(); ++j) {
    const double a = std::max(lo, w[j]), b = std::min(hi, w[j + 1]);
    if (!(b > a)) continue;
    const double sa = a == w[j] ? band.response[j] : ResponseAt(band, a);
    const double sb = b == w[j + 1] ? band.response[j + 1] : ResponseAt(band, b);
    sum += (b - a) * (sa + sb) / 2;
  }
  return sum;
}

}  // namespace

std::string FixedDecimals(double value, int decimals) {
  char text[64];
  const auto end = std::to_chars(text, text + sizeof text, value, std::chars_format::fixed, decimals).ptr;
  return std::string(text, end);
}

const ResponseBand* SensorResponse::Band(std::string_view band) const noexcept {
  for (const ResponseBand& b : bands)
    if (b.name == band) return &b;
  return nullptr;
}

SensorResponse ParseSensorTable(std::string_view text, const std::string& name, const std::string& file) {
  if (text.substr(0, 3) == "\xEF\xBB\xBF") text.remove_prefix(3);
  SensorResponse sensor;
  sensor.name = name;
  sensor.file = file;
  std::vector<std::string> fields;
  std::size_t line = 0, at = 0, columns = 0;
  double previous = 0;
  bool headed = false;
  while (at < text.size()) {
    std::size_t end = text.find_first_of("\r\n", at);
    if (end == std::string_view::npos) end = text.size();
    const std::string_view row = text.substr(at, end - at);
    at = end;
    if (at < text.size() && text[at] == '\r' && at + 1 < text.size() && text[at + 1] == '\n') ++at;
    if (at < text.size()) ++at;
    ++line;
    if (Trim(row).empty()) continue;
    fields = SplitCommas(row);
    if (!headed) {
      headed = true;
      if (fields.front() != "wavelength_nm")
        Refuse(file, line,
               "the first column of a response table is \"wavelength_nm\", not \"" + std::string(fields.front()) +
                   "\" (header wavelength_nm,<band>,...)");
      if (fields.size() < 2) Refuse(file, line, "the header row names no band after wavelength_nm");
      for (std::size_t c = 1; c < fields.size(); ++c) {
        if (fields[c].empty()) Refuse(file, line, "column " + std::to_string(c + 1) + " of the header has no name");
        if (fields[c].find(':') != std::string_view::npos)
          Refuse(file, line, "a band name holds no ':' (\"" + std::string(fields[c]) + "\")");
        for (std::size_t d = 1; d < c; ++d)
          if (fields[d] == fields[c]) Refuse(file, line, "band " + std::string(fields[c]) + " is named twice");
        sensor.bands.push_back({std::string(fields[c]), {}, {}});
      }
      columns = fields.size();
      continue;
    }
    if (fields.size() != columns)
      Refuse(
          file, line,
          "the row has " + std::to_string(fields.size()) + " fields where the header has " + std::to_string(columns));
    const auto wavelength = ParseNumber(fields[0]);
    if (!wavelength || !std::isfinite(*wavelength))
      Refuse(file, line, "the wavelength \"" + std::string(fields[0]) + "\" is not a number");
    if (sensor.rows > 0 && !(*wavelength > previous))
      Refuse(file, line,
             "the wavelengths do not increase (" + PlainNumber(*wavelength) + " nm follows " + PlainNumber(previous) +
                 " nm)");
    previous = *wavelength;
    ++sensor.rows;
    for (std::size_t c = 1; c < columns; ++c) {
      if (fields[c].empty()) continue;  // the source gives no value here
      const auto value = ParseNumber(fields[c]);
      if (!value || !std::isfinite(*value))
        Refuse(file, line, "band " + sensor.bands[c - 1].name + ": \"" + std::string(fields[c]) + "\" is not a number");
      sensor.bands[c - 1].wavelengths.push_back(*wavelength);
      sensor.bands[c - 1].response.push_back(*value);
    }
  }
  if (!headed) Refuse(file, 0, "the response table is empty: its first line is wavelength_nm,<band>,...");
  for (const ResponseBand& band : sensor.bands)
    if (band.wavelengths.empty()) Refuse(file, 0, "band " + band.name + " has no value");
  return sensor;
}

const std::vector<std::string>& ShippedSensorNames() {
  static const std::vector<std::string> names(kShippedResponseNames, kShippedResponseNames + kShippedResponseCount);
  return names;
}

const SensorResponse& ShippedSensor(std::string_view name) {
  static std::mutex mutex;
  static std::map<std::string, std::unique_ptr<SensorResponse>, std::less<>> read;
  const std::lock_guard lock(mutex);
  if (const auto found = read.find(name); found != read.end()) return *found->second;
  const std::vector<std::string>& names = ShippedSensorNames();
  const auto index = static_cast<std::size_t>(std::find(names.begin(), names.end(), name) - names.begin());
  if (index == names.size()) {
    std::string why = "\"";
    why.append(name);
    why += "\" is not a shipped sensor (sensors:";
    for (const std::string& n : names) why.append(" ").append(n).append(&n == &names.back() ? ")" : ",");
    Fail(std::move(why), FailureKind::Usage);
  }
  const std::string key(name);
  auto sensor =
      std::make_unique<SensorResponse>(ParseSensorTable(ShippedResponseText(index), key, "share/srf/" + key + ".csv"));
  return *read.emplace(key, std::move(sensor)).first->second;
}

SensorResponse ReadSensorFile(const std::string& path) {
  // A pipe or a device could block or never end; a folder holds no table.
  std::error_code ec;
  if (!std::filesystem::is_regular_file(path, ec)) Refuse(path, 0, "cannot read the sensor file: not a regular file");
  std::ifstream in(path, std::ios::binary);
  if (!in) Refuse(path, 0, "cannot read the sensor file");
  std::ostringstream bytes;
  bytes << in.rdbuf();
  if (in.bad()) Refuse(path, 0, "cannot read the sensor file");
  return ParseSensorTable(bytes.str(), Stem(path), path);
}

double ResponseCentre(const ResponseBand& band) {
  double weighted = 0, sum = 0;
  for (std::size_t j = 0; j < band.wavelengths.size(); ++j) {
    weighted += band.wavelengths[j] * band.response[j];
    sum += band.response[j];
  }
  return sum != 0 ? weighted / sum : kNotFormed;
}

WavelengthRange HalfMaximumRange(const ResponseBand& band) {
  const std::vector<double>& w = band.wavelengths;
  const std::vector<double>& s = band.response;
  const double half = *std::max_element(s.begin(), s.end()) / 2;
  // Where the response crosses `half` between rows j-1 and j.
  const auto crossing = [&](std::size_t j) {
    if (j == 0 || s[j] == s[j - 1]) return w[j];
    return w[j - 1] + (half - s[j - 1]) * (w[j] - w[j - 1]) / (s[j] - s[j - 1]);
  };
  std::size_t first = 0, last = w.size() - 1;
  while (s[first] < half) ++first;
  while (s[last] < half) --last;
  return {crossing(first), last + 1 < w.size() ? crossing(last + 1) : w[last]};
}

PlacedBand PlaceBand(const ResponseBand& band, const std::vector<double>& tableWavelengths, double minCoverage) {
  PlacedBand placed;
  const std::size_t rows = tableWavelengths.size();
  std::vector<double> weights(rows);
  double lowest = std::numeric_limits<double>::infinity(), highest = -lowest;
  for (std::size_t r = 0; r < rows; ++r) {
    weights[r] = ResponseAt(band, tableWavelengths[r]);
    lowest = std::min(lowest, tableWavelengths[r]);
    highest = std::max(highest, tableWavelengths[r]);
  }
  std::size_t first = 0, last = rows;
  while (first < rows && weights[first] == 0) ++first;
  while (last > first && weights[last - 1] == 0) --last;
  placed.firstRow = first;
  placed.weights.assign(weights.begin() + static_cast<std::ptrdiff_t>(first),
                        weights.begin() + static_cast<std::ptrdiff_t>(last));
  double weighted = 0;
  for (std::size_t r = first; r < last; ++r) {
    placed.weightSum += weights[r];
    weighted += tableWavelengths[r] * weights[r];
  }
  placed.centre = placed.weightSum != 0 ? weighted / placed.weightSum : kNotFormed;
  const double whole = ResponseIntegral(band, band.wavelengths.front(), band.wavelengths.back());
  placed.coverage = rows > 0 && whole != 0 ? ResponseIntegral(band, lowest, highest) / whole : 0;
  placed.computed = placed.coverage >= minCoverage && placed.weightSum != 0;
  return placed;
}

namespace {

// sums[k] += w·row[k], and marks[k] counts the 999 marks; the three arrays
// do not overlap and hold doubles alike, so the loop vectorises.
void Accumulate(double* __restrict sums, double* __restrict marks, const double* __restrict row, double w,
                std::size_t columns) {
  for (std::size_t k = 0; k < columns; ++k) {
    marks[k] += row[k] == kNoIndexValue ? 1.0 : 0.0;
    sums[k] += w * row[k];
  }
}

}  // namespace

namespace {

// The band values of columns [first, first + count) into values[0..count):
// NaN where a 999 mark lies under the band's nonzero response.
void BandValuesOf(const ReflectanceTable& table, const PlacedBand& placed, std::size_t first, std::size_t count,
                  double* values, std::vector<double>& marked) {
  std::fill(values, values + count, 0.0);
  marked.assign(count, 0.0);
  for (std::size_t i = 0; i < placed.weights.size(); ++i)
    if (placed.weights[i] != 0)
      Accumulate(values, marked.data(), table.rows[placed.firstRow + i].data() + first, placed.weights[i], count);
  for (std::size_t k = 0; k < count; ++k) {
    const double value = values[k] / placed.weightSum;
    values[k] = marked[k] != 0 || !std::isfinite(value) ? kNotFormed : value;
  }
}

}  // namespace

void BandValues(const ReflectanceTable& table, const PlacedBand& placed, std::vector<double>& out) {
  out.assign(table.Columns(), kNotFormed);
  if (!placed.computed) return;
  std::vector<double> marked;
  BandValuesOf(table, placed, 0, out.size(), out.data(), marked);
}

BandResults ComputeBands(const ReflectanceTable& table, const std::vector<const SensorResponse*>& sensors,
                         double minCoverage) {
  BandResults results;
  for (const SensorResponse* sensor : sensors)
    for (const ResponseBand& band : sensor->bands)
      results.bands.push_back({sensor, &band, PlaceBand(band, table.wavelengths, minCoverage)});
  const std::size_t columns = table.Columns(), count = results.bands.size();
  results.values.assign(columns * count, kNotFormed);
  // A few hundred columns at a time: their rows stay in the cache while
  // every band passes over them.
  constexpr std::size_t kBlock = 256;
  std::vector<double> values(kBlock), marked;
  for (std::size_t first = 0; first < columns; first += kBlock) {
    const std::size_t n = std::min(kBlock, columns - first);
    for (std::size_t b = 0; b < count; ++b) {
      if (!results.bands[b].placed.computed) continue;
      BandValuesOf(table, results.bands[b].placed, first, n, values.data(), marked);
      for (std::size_t k = 0; k < n; ++k) results.values[(first + k) * count + b] = values[k];
    }
  }
  return results;
}

std::string UncoveredBandsText(const BandResults& results) {
  std::string text;
  for (const BandResults::Band& b : results.bands) {
    if (b.placed.computed) continue;
    text += (text.empty() ? "" : ", ") + b.sensor->name + " " + b.band->name + " (" +
            FixedDecimals(b.placed.coverage, 2) + ")";
  }
  return text;
}

namespace {

void AppendNumberField(std::string& out, double value) {
  if (!std::isnan(value)) out += PlainNumber(value);
}

constexpr std::string_view kLongHead = "path,label,date,time,sensor,band,center_nm,coverage,value";

// Per band, the fields after the scan's: "sensor,band,center_nm,coverage,".
std::vector<std::string> BandFields(const BandResults& results) {
  std::vector<std::string> fields;
  for (const BandResults::Band& band : results.bands) {
    std::string f;
    AppendCsvField(f, band.sensor->name);
    f += ',';
    AppendCsvField(f, band.band->name);
    f += ',';
    AppendNumberField(f, band.placed.centre);
    f += ',';
    AppendNumberField(f, band.placed.coverage);
    f += ',';
    fields.push_back(std::move(f));
  }
  return fields;
}

void AppendColumnRows(std::string& out, const ReflectanceTable& table, std::size_t k, const std::string& path,
                      const BandResults& results, const std::vector<std::string>& bandFields) {
  std::string scan;
  AppendScanFields(scan, table, k, path);
  for (std::size_t b = 0; b < results.bands.size(); ++b) {
    out += scan;
    out += bandFields[b];
    AppendNumberField(out, results.Value(k, b));
    out += kLineEnd;
  }
}

}  // namespace

std::string LongBandText(const ReflectanceTable& table, const std::string& path, const BandResults& results) {
  const std::vector<std::string> bandFields = BandFields(results);
  return LongTableText(kLongHead, table.Columns(), [&](std::string& out, std::size_t k) {
    AppendColumnRows(out, table, k, path, results, bandFields);
  });
}

void WriteLongBandFile(const ReflectanceTable& table, const std::string& path, const BandResults& results,
                       const std::string& out) {
  const std::vector<std::string> bandFields = BandFields(results);
  WriteLongTable(out, kLongHead, table.Columns(), [&](std::string& text, std::size_t k) {
    AppendColumnRows(text, table, k, path, results, bandFields);
  });
}

}  // namespace corvelane
