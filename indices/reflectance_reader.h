#pragma once
// Reading a comma-separated reflectance file as the conversion writes it:
// any preamble lines, a names row whose first item is "Wavelength" (any
// letter case), the date, time and temperature rows, at most one more title
// line, then one data row per wavelength: the wavelength and one value per
// column.
#include <cstddef>
#include <span>
#include <string>
#include <vector>

#include "text/large_buffer.h"

namespace corvelane {

// Data rows of one value per column, kept in large blocks: a table of tens
// of megabytes is neither zero-filled nor spread over many small allocations.
class RowStore {
 public:
  void SetColumns(std::size_t columns);
  // New rows are uninitialised until written.
  void Resize(std::size_t rows);
  std::size_t size() const noexcept { return rows_; }
  std::span<double> operator[](std::size_t row) noexcept {
    return {reinterpret_cast<double*>(blocks_[row / rowsPerBlock_].data()) + row % rowsPerBlock_ * columns_, columns_};
  }
  std::span<const double> operator[](std::size_t row) const noexcept {
    return {reinterpret_cast<const double*>(blocks_[row / rowsPerBlock_].data()) + row % rowsPerBlock_ * columns_,
            columns_};
  }

 private:
  std::size_t columns_ = 0, rowsPerBlock_ = 1, rows_ = 0;
  std::vector<LargeBuffer> blocks_;
};

// The most columns a table may name: the most scans one run converts. A
// longer names row is refused as soon as it is seen, before its names take
// memory.
inline constexpr std::size_t kMaxTableColumns = 32767;

struct ReflectanceTable {
  std::string path;
  // Per column: the texts of the four head rows, each trimmed.
  std::vector<std::string> names, dates, times, temperatures;
  std::vector<double> wavelengths;  // per data row
  RowStore rows;                    // per data row, one value per column
  std::size_t namesLine = 0;        // physical line of the names row (1-based)

  std::size_t Columns() const noexcept { return names.size(); }
  std::size_t Rows() const noexcept { return wavelengths.size(); }
  double First() const noexcept { return wavelengths[0]; }
  double Step() const noexcept { return wavelengths[1] - wavelengths[0]; }
};

// Reads the whole table. The field of a column in the date, time and
// temperature rows is the text between its comma and the next (or the line
// end). The line after the temperature row is a title line, and skipped, only
// when its first item is not a number, so both layouts the program writes
// (four head lines, or five title lines) give every data row. Throws
// RunFailure naming the file (and line) when there is no comma-separated
// names row, the names row names more than kMaxTableColumns columns, a data row is short or holds a non-number, or
// fewer than two data rows follow. Rows are parsed on `threads` threads (0: every core).
ReflectanceTable ReadReflectanceFile(const std::string& path, unsigned threads = 0);

}  // namespace corvelane
