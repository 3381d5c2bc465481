#include "convert/spectra_long.h"

#include <zlib.h>

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstring>
#include <functional>
#include <map>
#include <new>

#include "indices/long_table.h"
#include "text/atomic_file.h"
#include "text/failure.h"
#include "text/numeric_text.h"
#include "text/ordered_chunks.h"
#include "text/text_input.h"

namespace corvelane {

namespace {

constexpr std::uint64_t kPowers[] = {1, 10, 100, 1000, 10000, 100000, 1000000, 10000000, 100000000, 1000000000};
constexpr int kMaxDecimals = 9;
// Most bytes a number takes (sign, 20 digits, point, exponent and more).
constexpr std::size_t kNumberBytes = 48;

// `value`, already rounded to `decimals`, in its shortest form.
char* WriteShort(char* p, double value, int decimals) noexcept {
  decimals = std::clamp(decimals, 0, kMaxDecimals);
  const double scaled = std::fabs(value) * static_cast<double>(kPowers[decimals]);
  if (!(scaled < 9e15)) return std::to_chars(p, p + kNumberBytes, value).ptr;
  const auto n = static_cast<std::uint64_t>(std::llround(scaled));
  if (n == 0) {
    *p++ = '0';
    return p;
  }
  if (value < 0) *p++ = '-';
  const std::uint64_t power = kPowers[decimals];
  p = std::to_chars(p, p + kNumberBytes, n / power).ptr;
  std::uint64_t fraction = n % power;
  if (fraction == 0) return p;
  int digits = decimals;
  while (fraction % 10 == 0) {
    fraction /= 10;
    --digits;
  }
  *p++ = '.';
  for (int i = digits - 1; i >= 0; --i) {
    p[i] = static_cast<char>('0' + fraction % 10);
    fraction /= 10;
  }
  return p + digits;
}

char* Put(char* p, std::string_view s) noexcept {
  std::memcpy(p, s.data(), s.size());
  return p + s.size();
}

std::string CsvJoined(std::span<const std::string> fields) {
  std::string out;
  for (std::size_t i = 0; i < fields.size(); ++i) {
    if (i) out += ',';
    AppendCsvField(out, fields[i]);
  }
  return out;
}

bool EndsWithGz(std::string_view path) {
  if (path.size() < 3) return false;
  const std::string_view end = path.substr(path.size() - 3);
  return end[0] == '.' && (end[1] == 'g' || end[1] == 'G') && (end[2] == 'z' || end[2] == 'Z');
}

// A file written through an AtomicFileWriter, deflated into gzip on the way
// when its name ends in `.gz`.
class LongFile {
 public:
  explicit LongFile(const std::string& path) : path_(path), file_(path), gzip_(EndsWithGz(path)) {
    if (gzip_ && deflateInit2(&stream_, Z_DEFAULT_COMPRESSION, Z_DEFLATED, 15 + 16, 8, Z_DEFAULT_STRATEGY) != Z_OK)
      FailFile(path_, "cannot set up the gzip compression");
  }
  ~LongFile() {
    if (gzip_) deflateEnd(&stream_);
  }
  LongFile(const LongFile&) = delete;
  LongFile& operator=(const LongFile&) = delete;

  void Write(std::string_view text) {
    if (gzip_)
      Deflate(text, Z_NO_FLUSH);
    else
      file_.Write(text);
  }
  void Commit() {
    if (gzip_) Deflate({}, Z_FINISH);
    file_.Commit();
  }

 private:
  void Deflate(std::string_view text, int flush) {
    stream_.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(text.data()));
    stream_.avail_in = static_cast<uInt>(text.size());
    int rc = Z_OK;
    do {
      stream_.next_out = reinterpret_cast<Bytef*>(out_);
      stream_.avail_out = sizeof out_;
      rc = deflate(&stream_, flush);
      if (rc == Z_STREAM_ERROR) FailFile(path_, "the gzip compression failed");
      file_.Write(std::string_view(out_, sizeof out_ - stream_.avail_out));
    } while (stream_.avail_out == 0);
  }

  std::string path_;
  AtomicFileWriter file_;
  bool gzip_;
  z_stream stream_{};
  char out_[1 << 16];
};

// Lines made by `format` (first, last, buffer) written after `head`, into
// `path` or into a string.
struct LineSource {
  std::string head;
  std::size_t lines = 0;
  std::size_t lineBytes = 0;  // the longest a line may be
  std::function<std::size_t(std::size_t, std::size_t, char*)> format;
};

void Emit(const LineSource& source, const std::function<void(std::string_view)>& sink) {
  sink(source.head);
  // A small table is not worth a thread.
  const unsigned threads = source.lines >= 100000 ? 0 : 1;
  WriteRowsInOrder(source.lines, source.lineBytes, threads, source.format, sink);
}

std::string TextOf(const LineSource& source) {
  std::string out;
  Emit(source, [&](std::string_view text) { out += text; });
  return out;
}

void WriteTo(const LineSource& source, const std::string& path) {
  try {
    auto file = std::make_unique<LongFile>(path);
    Emit(source, [&](std::string_view text) { file->Write(text); });
    file->Commit();
  } catch (const std::bad_alloc&) {
    FailFile(path, "out of memory while writing the file");
  }
}

std::size_t LongestOf(std::span<const std::string> texts) {
  std::size_t n = 0;
  for (const std::string& t : texts) n = std::max(n, t.size());
  return n;
}

// Each quantity's name and a comma.
std::vector<std::string> QuantityFields(const SpectraLong& t) {
  std::vector<std::string> out;
  for (const LongQuantity& q : t.quantities) out.push_back(q.name + ",");
  return out;
}

// The long table's lines: per scan (once per key row naming it), quantity and row.
LineSource LongLines(const SpectraLong& t) {
  struct Entry {
    std::size_t scan;
    std::size_t suffix;    // the key cells after the value
    std::size_t quantity;  // one entry per quantity the scan has
  };
  auto entries = std::make_shared<std::vector<Entry>>();
  auto prefixes = std::make_shared<std::vector<std::string>>();
  for (const LongScan& s : t.scans) {
    std::string p;
    for (const std::string* f : {&s.path, &s.label, &s.date, &s.time, &s.temperature, &s.integrationMs}) {
      AppendCsvField(p, *f);
      p += ',';
    }
    prefixes->push_back(std::move(p));
  }
  // The empty cells of a scan without a key row first, then the cells of
  // each of a scan's key rows (and the number the row gives it).
  auto suffixes = std::make_shared<std::vector<std::string>>();
  suffixes->push_back(std::string(t.key ? t.key->columns.size() : 0, ',') + "\r\n");
  for (std::size_t s = 0; s < t.scans.size(); ++s) {
    const std::vector<std::size_t>* rows = t.key ? &t.key->rowsOfScan[s] : nullptr;
    auto add = [&t, &entries, s](std::size_t suffix) {
      for (std::size_t q = 0; q < t.quantities.size(); ++q)
        if (t.quantities[q].Has(s)) entries->push_back({s, suffix, q});
    };
    if (!rows || rows->empty()) {
      add(0);
      continue;
    }
    for (std::size_t i = 0; i < rows->size(); ++i) {
      std::string cells(1, ',');
      cells += CsvJoined(t.key->values[(*rows)[i]]);
      if (!t.key->numbersOfScan.empty()) {
        cells += ',';
        cells += t.key->numbersOfScan[s][i];
      }
      cells += "\r\n";
      add(suffixes->size());
      suffixes->push_back(std::move(cells));
    }
  }

  LineSource source;
  source.head = std::string(kLongHead);
  if (t.key)
    for (const std::string& c : t.key->columns) {
      source.head += ',';
      AppendCsvField(source.head, c);
    }
  source.head += "\r\n";
  auto names = std::make_shared<std::vector<std::string>>(QuantityFields(t));
  const std::size_t rows = t.wavelengths.size();
  source.lines = entries->size() * rows;
  source.lineBytes =
      LongestOf(*prefixes) + LongestOf(*names) + LongestOf(t.wavelengths) + 1 + kNumberBytes + LongestOf(*suffixes);
  source.format = [&t, entries, prefixes, suffixes, names, rows](std::size_t first, std::size_t last, char* buffer) {
    char* p = buffer;
    for (std::size_t i = first; i < last; ++i) {
      const Entry& e = (*entries)[i / rows];
      const std::size_t q = e.quantity;
      const std::size_t row = i % rows;
      const LongQuantity& quantity = t.quantities[q];
      p = Put(p, (*prefixes)[e.scan]);
      p = Put(p, (*names)[q]);
      p = Put(p, t.wavelengths[row]);
      *p++ = ',';
      const double v = quantity.Value(row, e.scan);
      if (!(quantity.marked && IsMark(v))) p = WriteShort(p, v, quantity.decimals);
      p = Put(p, (*suffixes)[e.suffix]);
    }
    return static_cast<std::size_t>(p - buffer);
  };
  return source;
}

LineSource MeanLines(const SpectraLong& t, const PlotGroups& g) {
  auto prefixes = std::make_shared<std::vector<std::string>>();
  for (const std::vector<std::string>& values : g.values) prefixes->push_back(CsvJoined(values) + ",");
  LineSource source;
  source.head = CsvJoined(g.columns) + ",quantity,wavelength_nm,mean,sd,n,n_left_out\r\n";
  auto names = std::make_shared<std::vector<std::string>>(QuantityFields(t));
  const std::size_t rows = t.wavelengths.size();
  // Per group, each quantity its scans have, with those scans.
  struct Entry {
    std::size_t group, quantity;
    std::vector<std::size_t> scans;
  };
  auto entries = std::make_shared<std::vector<Entry>>();
  for (std::size_t group = 0; group < g.values.size(); ++group)
    for (std::size_t q = 0; q < t.quantities.size(); ++q) {
      Entry e{group, q, {}};
      for (std::size_t s : g.scans[group])
        if (t.quantities[q].Has(s)) e.scans.push_back(s);
      if (e.scans.empty() && !g.scans[group].empty()) continue;
      entries->push_back(std::move(e));
    }
  source.lines = entries->size() * rows;
  source.lineBytes = LongestOf(*prefixes) + LongestOf(*names) + LongestOf(t.wavelengths) + 4 * kNumberBytes + 8;
  source.format = [&t, entries, prefixes, names, rows](std::size_t first, std::size_t last, char* buffer) {
    char* p = buffer;
    for (std::size_t i = first; i < last; ++i) {
      const Entry& e = (*entries)[i / rows];
      const std::size_t group = e.group;
      const std::size_t q = e.quantity;
      const std::size_t row = i % rows;
      const LongQuantity& quantity = t.quantities[q];
      const std::vector<std::size_t>& scans = e.scans;
      std::size_t n = 0;
      double sum = 0;
      for (std::size_t s : scans) {
        const double v = quantity.Value(row, s);
        if (quantity.marked && IsMark(v)) continue;
        sum += v;
        ++n;
      }
      const double mean = n ? sum / static_cast<double>(n) : 0;
      double squares = 0;
      if (n > 1)
        for (std::size_t s : scans) {
          const double v = quantity.Value(row, s);
          if (!(quantity.marked && IsMark(v))) squares += (v - mean) * (v - mean);
        }
      p = Put(p, (*prefixes)[group]);
      p = Put(p, (*names)[q]);
      p = Put(p, t.wavelengths[row]);
      *p++ = ',';
      if (n) p = WriteShort(p, RoundHalfEven(mean, quantity.decimals), quantity.decimals);
      *p++ = ',';
      if (n > 1)
        p = WriteShort(p, RoundHalfEven(std::sqrt(squares / static_cast<double>(n - 1)), quantity.decimals),
                       quantity.decimals);
      *p++ = ',';
      p = std::to_chars(p, p + kNumberBytes, n).ptr;
      *p++ = ',';
      p = std::to_chars(p, p + kNumberBytes, scans.size() - n).ptr;
      *p++ = '\r';
      *p++ = '\n';
    }
    return static_cast<std::size_t>(p - buffer);
  };
  return source;
}

}  // namespace

void AppendShortDecimal(std::string& out, double value, int decimals) {
  char buffer[kNumberBytes];
  out.append(buffer, WriteShort(buffer, RoundHalfEven(value, std::clamp(decimals, 0, kMaxDecimals)), decimals));
}

std::vector<std::string> LongWavelengths(std::span<const double> rows, const GridTexts& grid, bool onGrid) {
  std::vector<std::string> out;
  out.reserve(rows.size());
  const std::optional<double> begin = ParseNumber(grid.begin), step = ParseNumber(grid.step);
  int decimals = -1;
  if (onGrid && begin && step)
    for (int d = 0; d <= kMaxDecimals && decimals < 0; ++d) {
      const double b = *begin * static_cast<double>(kPowers[d]), s = *step * static_cast<double>(kPowers[d]);
      if (std::fabs(b - std::round(b)) < 1e-6 && std::fabs(s - std::round(s)) < 1e-6) decimals = d;
    }
  for (std::size_t i = 0; i < rows.size(); ++i) {
    std::string text;
    if (decimals >= 0) {
      const double power = static_cast<double>(kPowers[decimals]);
      const double units = std::round(*begin * power) + static_cast<double>(i) * std::round(*step * power);
      char buffer[kNumberBytes];
      text.assign(buffer, WriteShort(buffer, units / power, decimals));
    } else {
      char buffer[kNumberBytes];
      text.assign(buffer, std::to_chars(buffer, buffer + kNumberBytes, rows[i]).ptr);
    }
    out.push_back(std::move(text));
  }
  return out;
}

std::string SpectraLongText(const SpectraLong& table) { return TextOf(LongLines(table)); }

void WriteSpectraLong(const SpectraLong& table, const std::string& path) { WriteTo(LongLines(table), path); }

PlotGroups GroupScans(const FieldKey& key, const KeyJoin& join, std::span<const std::string> byColumns) {
  PlotGroups g;
  std::vector<std::size_t> columns;
  for (const std::string& name : byColumns) {
    const std::optional<std::size_t> c = key.Column(name);
    if (!c)
      throw RunFailure(ProblemPlace{key.path, 1, {}, false}, "--average-by: the key has no column \"" + name + "\"",
                       FailureKind::Usage);
    columns.push_back(*c);
    g.columns.push_back(key.columns[*c]);
  }
  // Each key row's group, groups numbered as they first appear in the key.
  std::map<std::vector<std::string>, std::size_t> numbers;
  std::vector<std::size_t> groupOfRow(key.rows.size());
  std::vector<std::vector<std::string>> values;
  for (std::size_t r = 0; r < key.rows.size(); ++r) {
    std::vector<std::string> v;
    for (std::size_t c : columns) v.push_back(key.rows[r].cells[c]);
    const auto [it, added] = numbers.emplace(v, values.size());
    if (added) values.push_back(std::move(v));
    groupOfRow[r] = it->second;
  }
  std::vector<std::vector<std::size_t>> scans(values.size());
  for (std::size_t s = 0; s < join.rowsOfScan.size(); ++s)
    for (std::size_t r : join.rowsOfScan[s]) {
      std::vector<std::size_t>& members = scans[groupOfRow[r]];
      if (members.empty() || members.back() != s) members.push_back(s);
    }
  // Groups whose rows name no scan of the run have nothing to average.
  for (std::size_t i = 0; i < values.size(); ++i) {
    if (scans[i].empty()) continue;
    g.values.push_back(std::move(values[i]));
    g.scans.push_back(std::move(scans[i]));
  }
  return g;
}

std::string PlotMeansText(const SpectraLong& table, const PlotGroups& groups) {
  return TextOf(MeanLines(table, groups));
}

void WritePlotMeans(const SpectraLong& table, const PlotGroups& groups, const std::string& path) {
  WriteTo(MeanLines(table, groups), path);
}

}  // namespace corvelane
