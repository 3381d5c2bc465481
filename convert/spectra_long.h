#pragma once
// The long table of a conversion: one CSV row per scan, quantity and
// wavelength (R, pandas and database tools read it without reshaping), the
// key's columns appended; or, grouped by key columns, one row per group,
// quantity and wavelength with the mean, the sample standard deviation and
// the counts. Both are formatted straight from the run's tables, in chunks on
// every core, and written as they are made; a path ending in `.gz` is written
// gzip-compressed.
#include <cstddef>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "convert/conversion_run.h"
#include "convert/field_key.h"

namespace corvelane {

// The columns of a scan before its quantity.
struct LongScan {
  std::string path, label, date, time, temperature, integrationMs;
};

// One quantity of the table: its name and where its values are.
struct LongQuantity {
  std::string name;                           // reflectance, absorbance, target, panel, corrected
  const ConversionResult* result = nullptr;   // a table of the run ...
  OutputMode mode = OutputMode::Reflectance;  //   ... this one
  // or per scan, per row (the corrected values); a scan whose column is
  // empty has no value of this quantity and no rows of it
  const std::vector<std::vector<double>>* columns = nullptr;
  int decimals = 6;    // as its wide table rounds it
  bool marked = true;  // 999 is the mark (no value); raw readings are written as they are

  bool Has(std::size_t scan) const noexcept { return !columns || !(*columns)[scan].empty(); }
  double Value(std::size_t row, std::size_t scan) const noexcept {
    return columns ? (*columns)[scan][row] : result->Value(mode, row, scan);
  }
};

struct SpectraLong {
  std::vector<std::string> wavelengths;  // the text of each row's wavelength
  std::vector<LongScan> scans;
  std::vector<LongQuantity> quantities;
  const KeyJoin* key = nullptr;  // its columns appended; scans without a key row get empty cells
};

// The head row's first columns.
inline constexpr std::string_view kLongHead =
    "path,label,date,time,temperature,integration_ms,quantity,wavelength_nm,value";

// Each row's wavelength as the table writes it: on a grid, begin + i*step
// with no more decimals than begin and step need (536.9, never
// 536.900000000031); per channel, the shortest text that reads back as the
// run's wavelength.
std::vector<std::string> LongWavelengths(std::span<const double> rows, const GridTexts& grid, bool onGrid);

// Appends `value` rounded to `decimals` in its shortest form: no trailing
// zeros, no decimal point for whole values, "0" for zero of either sign.
void AppendShortDecimal(std::string& out, double value, int decimals);

// The whole table as text (tests and small runs), and the same bytes written
// to `path` (`.gz`: compressed). Throws RunFailure when it cannot be written.
std::string SpectraLongText(const SpectraLong& table);
void WriteSpectraLong(const SpectraLong& table, const std::string& path);

// The groups of a mean table: the key rows sharing the values of the chosen
// columns, in the order the groups first appear in the key, and the scans
// each group holds (a scan named by two rows of one group counts once; by
// rows of two groups, once in each).
struct PlotGroups {
  std::vector<std::string> columns;              // the group columns, as the key names them
  std::vector<std::vector<std::string>> values;  // per group, its values
  std::vector<std::vector<std::size_t>> scans;   // per group, its scans in run order
};

// Throws RunFailure (Usage) naming a column the key does not have.
PlotGroups GroupScans(const FieldKey& key, const KeyJoin& join, std::span<const std::string> byColumns);

// The mean table: group columns, quantity, wavelength_nm, mean, sd, n,
// n_left_out. A mark is left out of its mean and counted in n_left_out;
// mean and sd are rounded as the quantity's values; sd is empty below two
// values, mean below one. A quantity none of a group's scans has (corrected
// values of reference scans) gives that group no rows; scans without it are
// not counted.
std::string PlotMeansText(const SpectraLong& table, const PlotGroups& groups);
void WritePlotMeans(const SpectraLong& table, const PlotGroups& groups, const std::string& path);

}  // namespace corvelane
