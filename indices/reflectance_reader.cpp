#include "indices/reflectance_reader.h"

#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <limits>
#include <memory>
#include <optional>
#include <string_view>
#include <thread>

#include "text/failure.h"
#include "text/parallel_ordered.h"
#include "text/text_input.h"

namespace corvelane {

void RowStore::SetColumns(std::size_t columns) {
  columns_ = columns;
  // Blocks of about 8 MB, at least one row each.
  rowsPerBlock_ =
      std::max<std::size_t>(1, (std::size_t{8} << 20) / (std::max<std::size_t>(1, columns) * sizeof(double)));
  rows_ = 0;
  blocks_.clear();
}

void RowStore::Resize(std::size_t rows) {
  const std::size_t blocks = (rows + rowsPerBlock_ - 1) / rowsPerBlock_;
  while (blocks_.size() < blocks) blocks_.emplace_back(rowsPerBlock_ * columns_ * sizeof(double));
  rows_ = rows;
}

namespace {

constexpr std::size_t kBlockBytes = 4u << 20;  // read and parsed at a time

// The comma-separated field `index` (0-based) of a line, trimmed; empty
// when the line has fewer fields.
std::string_view Field(std::string_view line, std::size_t index) {
  std::size_t start = 0;
  for (std::size_t i = 0; i < index; ++i) {
    const auto comma = line.find(',', start);
    if (comma == std::string_view::npos) return {};
    start = comma + 1;
  }
  const auto comma = line.find(',', start);
  return Trim(line.substr(start, comma == std::string_view::npos ? std::string_view::npos : comma - start));
}

std::string LowerCase(std::string_view s) {
  std::string out(s);
  for (char& c : out)
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
  return out;
}

struct PendingLine {
  std::string_view text;
  std::size_t number;  // physical line, 1-based
};

struct LineFailure {
  std::size_t number = std::numeric_limits<std::size_t>::max();
  std::string text;
  std::string why;
};

// Parses data lines [first, last) of `lines` into rows starting at `row0`.
void ParseLines(const std::vector<PendingLine>& lines, std::size_t first, std::size_t last, std::size_t columns,
                ReflectanceTable& table, std::size_t row0, LineFailure& failure) {
  for (std::size_t i = first; i < last; ++i) {
    const std::string_view line = lines[i].text;
    const std::span<double> values = table.rows[row0 + i];
    std::size_t start = 0;
    std::size_t item = 0;
    for (;; ++item) {
      const auto comma = line.find(',', start);
      const std::string_view text =
          line.substr(start, comma == std::string_view::npos ? std::string_view::npos : comma - start);
      if (item <= columns) {
        const auto value = ParseNumber(text);
        if (!value) {
          failure = {lines[i].number, std::string(text),
                     item == 0 ? "the wavelength of a data row is not a number"
                               : "value " + std::to_string(item) + " of the data row is not a number"};
          return;
        }
        if (item == 0)
          table.wavelengths[row0 + i] = *value;
        else
          values[item - 1] = *value;
      } else if (!Trim(text).empty()) {
        failure = {lines[i].number, std::string(text),
                   "the data row holds more values than the " + std::to_string(columns) + " columns named"};
        return;
      }
      if (comma == std::string_view::npos) break;
      start = comma + 1;
    }
    if (item < columns) {
      failure = {lines[i].number, std::string(line.substr(0, 60)),
                 "the data row holds " + std::to_string(item) + " values for " + std::to_string(columns) + " columns"};
      return;
    }
  }
}

class Reader {
 public:
  Reader(const std::string& path, unsigned threads) : path_(path), threads_(threads) { table_.path = path; }

  ReflectanceTable Read() {
    RefuseSpecialFile(path_);
    // Not blocking, in case the name is replaced by a pipe after the check.
    const int fd = ::open(path_.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK | O_NOCTTY);
    if (fd < 0) FailFile(path_, std::string("cannot open the file: ") + std::strerror(errno));
    // Not zero-filled: only the bytes read are ever looked at.
    std::unique_ptr<char[]> buffer;
    std::size_t capacity = 0;
    std::size_t carried = 0;  // bytes of an unfinished line at the start of the buffer
    bool atEnd = false;
    try {
      while (!atEnd) {
        if (capacity < carried + kBlockBytes) {  // a line longer than a block grows the buffer
          auto larger = std::make_unique_for_overwrite<char[]>(carried + kBlockBytes);
          if (carried) std::memcpy(larger.get(), buffer.get(), carried);
          buffer = std::move(larger);
          capacity = carried + kBlockBytes;
        }
        std::size_t got = carried;
        while (got < capacity) {
          const ssize_t n = ::read(fd, buffer.get() + got, capacity - got);
          if (n < 0) {
            if (errno == EINTR) continue;
            FailFile(path_, std::string("cannot read the file: ") + std::strerror(errno));
          }
          if (n == 0) {
            atEnd = true;
            break;
          }
          got += static_cast<std::size_t>(n);
        }
        const std::string_view text(buffer.get(), got);
        std::size_t complete = text.size();
        if (!atEnd) {
          // Up to the last line end; a CR at the very end may be followed by its LF.
          const auto lf = text.rfind('\n');
          const auto cr = text.substr(0, text.size() - 1).rfind('\r');
          const auto last = lf == std::string_view::npos ? cr : (cr == std::string_view::npos ? lf : std::max(lf, cr));
          complete = last == std::string_view::npos ? 0 : last + 1;
        }
        TakeLines(text.substr(0, complete));
        carried = got - complete;
        std::memmove(buffer.get(), buffer.get() + complete, carried);
      }
    } catch (...) {
      ::close(fd);
      throw;
    }
    ::close(fd);
    return Finish();
  }

 private:
  enum class Stage { Preamble, HeaderBlock, Dates, Times, Temperatures, TitleOrData, Data };

  // The first row of the leaf and of the transect header block the
  // conversion may write in place of the head rows.
  static bool OpensHeaderBlock(std::string_view first) {
    return first == "information that applies to the whole file:" || first == "data information:";
  }

  // A row of a header block: the per-scan rows give the names (the file
  // names), dates, times and temperatures; the first row whose first field
  // is a number after the names is the first data row. The other rows'
  // values (quoted where they hold a comma) are not read.
  bool TakeHeaderBlockRow(std::string_view line, std::size_t number) {
    const std::string label = LowerCase(Field(line, 0));
    if (label == "unispec file name:" || label == "original file name:") {
      TakeNames(line, number);
    } else if (!table_.names.empty()) {
      if (label == "collection date:")
        TakeHeadRow(line, table_.dates);
      else if (label == "collection time:" || label == "collection time (pst)")
        TakeHeadRow(line, table_.times);
      else if (label == "temp c")
        TakeHeadRow(line, table_.temperatures);
      else if (IsNumber(label))
        return true;
    }
    return false;
  }

  void TakeLines(std::string_view text) {
    LineCursor cursor(text);
    std::string_view line;
    pending_.clear();
    while (cursor.Next(line)) {
      const std::size_t number = lineBase_ + cursor.LineNumber();
      switch (stage_) {
        case Stage::Preamble:
          if (LowerCase(Field(line, 0)) == "wavelength" && line.find(',') != std::string_view::npos) {
            TakeNames(line, number);
            stage_ = Stage::Dates;
          } else if (number == 1 && OpensHeaderBlock(LowerCase(Field(line, 0)))) {
            stage_ = Stage::HeaderBlock;
          }
          break;
        case Stage::HeaderBlock:
          if (!TakeHeaderBlockRow(line, number)) break;
          stage_ = Stage::Data;
          pending_.push_back({line, number});
          break;
        case Stage::Dates:
          TakeHeadRow(line, table_.dates);
          stage_ = Stage::Times;
          break;
        case Stage::Times:
          TakeHeadRow(line, table_.times);
          stage_ = Stage::Temperatures;
          break;
        case Stage::Temperatures:
          TakeHeadRow(line, table_.temperatures);
          stage_ = Stage::TitleOrData;
          break;
        case Stage::TitleOrData:
          stage_ = Stage::Data;
          if (!IsNumber(Field(line, 0))) break;  // the last title line
          [[fallthrough]];
        case Stage::Data:
          if (Trim(line).empty()) {
            if (blankLine_ == 0) blankLine_ = number;  // an error only when data rows follow
            break;
          }
          if (blankLine_ != 0) FailAt(path_, blankLine_, "an empty line stands among the data rows");
          pending_.push_back({line, number});
          break;
      }
    }
    lineBase_ += cursor.LineNumber();
    ParsePending();
  }

  void TakeNames(std::string_view line, std::size_t number) {
    TakeNameFields(line, number);
    table_.rows.SetColumns(table_.Columns());
  }

  void TakeNameFields(std::string_view line, std::size_t number) {
    table_.namesLine = number;
    // One comma before each name, and perhaps one closing the row.
    const auto commas = static_cast<std::size_t>(std::count(line.begin(), line.end(), ','));
    if (commas > kMaxTableColumns + 1 ||
        (commas == kMaxTableColumns + 1 && !Trim(line.substr(line.rfind(',') + 1)).empty()))
      FailAt(path_, number,
             "the names row names more than " + std::to_string(kMaxTableColumns) +
                 " columns, the most scans one run converts");
    std::size_t start = line.find(',') + 1;
    for (;;) {
      const auto comma = line.find(',', start);
      table_.names.emplace_back(
          Trim(line.substr(start, comma == std::string_view::npos ? std::string_view::npos : comma - start)));
      if (comma == std::string_view::npos) break;
      start = comma + 1;
    }
    // A comma closing the row names no further column.
    if (table_.names.size() > 1 && table_.names.back().empty()) table_.names.pop_back();
  }

  void TakeHeadRow(std::string_view line, std::vector<std::string>& texts) const {
    texts.resize(table_.Columns());
    std::size_t start = line.find(',');
    for (std::size_t k = 0; k < texts.size() && start != std::string_view::npos; ++k) {
      const auto comma = line.find(',', start + 1);
      texts[k] = std::string(
          Trim(line.substr(start + 1, comma == std::string_view::npos ? std::string_view::npos : comma - start - 1)));
      start = comma;
    }
  }

  void ParsePending() {
    if (pending_.empty()) return;
    const std::size_t row0 = table_.Rows();
    const std::size_t count = pending_.size();
    table_.wavelengths.resize(row0 + count);
    table_.rows.Resize(row0 + count);
    const std::size_t columns = table_.Columns();
    unsigned workers = threads_ ? threads_ : std::max(1u, std::thread::hardware_concurrency());
    workers = static_cast<unsigned>(std::min<std::size_t>(workers, std::max<std::size_t>(1, count * columns / 20000)));
    // One block per thread; each notes its first damaged line.
    const std::size_t share = (count + workers - 1) / workers;
    std::vector<LineFailure> failures(workers);
    ParallelOrdered({.count = count, .block = share, .threads = workers},
                    [&](std::size_t first, std::size_t last, unsigned) {
                      ParseLines(pending_, first, last, columns, table_, row0, failures[first / share]);
                    });
    // The first damaged line in the file is the one reported.
    const auto first = std::min_element(failures.begin(), failures.end(),
                                        [](const LineFailure& x, const LineFailure& y) { return x.number < y.number; });
    if (first->number != std::numeric_limits<std::size_t>::max())
      FailAtText(path_, first->number, first->text, first->why);
  }

  ReflectanceTable Finish() {
    if (stage_ == Stage::Preamble)
      FailFile(path_,
               "no names row was found: an index run reads the comma-separated reflectance files the conversion "
               "writes, whose head has a row starting \"Wavelength,\" or a leaf or transect header block (files "
               "with columns in 14-character zones cannot be read)");
    if (stage_ == Stage::HeaderBlock)
      FailFile(path_, table_.names.empty() ? "the header block has no file name row (\"UniSpec file name:\" or "
                                             "\"Original file name:\")"
                                           : "the header block is followed by no data row");
    if (table_.names.empty() || (table_.names.size() == 1 && table_.names[0].empty()))
      FailAt(path_, table_.namesLine, "the names row names no column");
    if (stage_ != Stage::Data && stage_ != Stage::TitleOrData)
      FailAt(path_, table_.namesLine, "the file ends within the head rows after the names row");
    table_.dates.resize(table_.Columns());
    table_.times.resize(table_.Columns());
    table_.temperatures.resize(table_.Columns());
    if (table_.Rows() < 2)
      FailFile(path_, "the file holds " + std::to_string(table_.Rows()) +
                          " data row(s); derivatives and index rows need at least two");
    return std::move(table_);
  }

  const std::string& path_;
  unsigned threads_;
  ReflectanceTable table_;
  Stage stage_ = Stage::Preamble;
  std::size_t lineBase_ = 0;
  std::size_t blankLine_ = 0;
  std::vector<PendingLine> pending_;
};

}  // namespace

ReflectanceTable ReadReflectanceFile(const std::string& path, unsigned threads) { return Reader(path, threads).Read(); }

}  // namespace corvelane
