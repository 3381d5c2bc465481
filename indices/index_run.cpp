#include "indices/index_run.h"

#include <algorithm>
#include <functional>
#include <string_view>

#include "instruments/file_label.h"
#include "text/atomic_file.h"
#include "text/marks.h"
#include "text/numeric_text.h"
#include "text/ordered_chunks.h"

namespace corvelane {

namespace {

void AppendZoned(std::string& out, std::size_t lineStart, std::string_view field) {
  out += field;
  AppendPrintZoneFill(out, lineStart);
  out += ',';
}

void AppendZonedNumber(std::string& out, std::size_t lineStart, double value) {
  AppendNumber(out, value);
  AppendPrintZoneFill(out, lineStart);
  out += ',';
}

// Derivative lines first..last at `out` (room for DerivativeLineBound per
// line); returns the bytes written.
std::size_t WriteDerivativeRows(char* const out, const ReflectanceTable& t, std::size_t first, std::size_t last) {
  const double step = t.Step();
  const std::size_t columns = t.Columns();
  char* p = out;
  for (std::size_t i = first; i < last; ++i) {
    p = WriteNumber(p, t.wavelengths[i + 1]);
    *p++ = ',';
    const double* now = t.rows[i].data();
    const double* next = t.rows[i + 1].data();
    for (std::size_t k = 0; k < columns; ++k) {
      p = WriteNumber(p, WrittenValue(MarkedDifference(now[k], next[k], step)));
      *p++ = ',';
    }
    *p++ = '\r';
    *p++ = '\n';
  }
  return static_cast<std::size_t>(p - out);
}

// An index name goes into comma-separated rows: each comma, CR or LF in it is "_".
std::string RowText(std::string name) {
  MakeLabelTableSafe(name);
  return name;
}

std::size_t DerivativeLineBound(const ReflectanceTable& t) { return (kMaxNumberText + 1) * (t.Columns() + 1) + 2; }

std::string DerivativeHead(const ReflectanceTable& t) {
  std::string out = "Derivative file";
  out += kLineEnd;
  for (const auto* texts : {&t.names, &t.dates, &t.times, &t.temperatures}) {
    for (const std::string& field : *texts) {
      out += field;
      out += ',';
    }
    out += ',';  // the empty extra column
    out += kLineEnd;
  }
  return out;
}

// The derivative lines, formatted in chunks on `threads` threads (0: every
// core) and handed to `sink` in row order.
void EmitDerivativeRows(const ReflectanceTable& t, unsigned threads,
                        const std::function<void(std::string_view)>& sink) {
  WriteRowsInOrder(
      t.Rows() - 1, DerivativeLineBound(t), threads,
      [&](std::size_t first, std::size_t last, char* buffer) { return WriteDerivativeRows(buffer, t, first, last); },
      sink);
}

}  // namespace

IndexTable ComputeIndices(const ReflectanceTable& t, const std::vector<IndexDefinition>& definitions) {
  std::vector<IndexRows> rows;
  rows.reserve(definitions.size());
  for (const IndexDefinition& d : definitions) {
    rows.push_back(ResolveIndexRows(d, t.First(), t.Step(), t.Rows(), t.path));
    RequireRowsAtWavelengths(d, rows.back(), t.wavelengths, t.Step(), t.path);
  }
  IndexTable out;
  out.indices = definitions.size();
  out.values.resize(t.Columns() * definitions.size());
  const double step = t.Step();
  for (std::size_t j = 0; j < definitions.size(); ++j) {
    const IndexDefinition& d = definitions[j];
    const IndexRows& r = rows[j];
    // A derivative row r is (row r + 1 - row r) / step.
    const bool derivative = d.source == IndexSource::Derivative;
    const double* a0 = t.rows[r.a].data();
    const double* b0 = t.rows[r.b].data();
    const double* a1 = derivative ? t.rows[r.a + 1].data() : nullptr;
    const double* b1 = derivative ? t.rows[r.b + 1].data() : nullptr;
    for (std::size_t k = 0; k < t.Columns(); ++k) {
      const double atA = derivative ? MarkedDifference(a0[k], a1[k], step) : a0[k];
      const double atB = derivative ? MarkedDifference(b0[k], b1[k], step) : b0[k];
      out.values[k * out.indices + j] = FormulaValue(d.formula, atA, atB);
    }
  }
  return out;
}

std::string MarkedColumnsWarning(const ReflectanceTable& t, const std::vector<IndexDefinition>& definitions,
                                 bool derivativeFile) {
  const std::size_t columns = t.Columns();
  std::vector<char> read(columns, 0);
  const auto look = [&](std::size_t row) {
    const std::span<const double> values = t.rows[row];
    for (std::size_t k = 0; k < columns; ++k)
      if (IsMark(values[k])) read[k] = 1;
  };
  if (derivativeFile) {
    for (std::size_t i = 0; i < t.Rows(); ++i) look(i);
  } else {
    for (const IndexDefinition& d : definitions) {
      const IndexRows r = ResolveIndexRows(d, t.First(), t.Step(), t.Rows(), t.path);
      // A derivative row r is the difference of data rows r and r + 1.
      const std::size_t span = d.source == IndexSource::Derivative ? 2 : 1;
      for (const std::size_t row : {r.a, r.b})
        for (std::size_t i = row; i < row + span; ++i) look(i);
    }
  }
  std::vector<MarkedScan> marked;
  for (std::size_t k = 0; k < columns; ++k)
    if (read[k])
      marked.push_back({t.names[k], MarkedRanges(t.wavelengths, [&](std::size_t i) { return IsMark(t.rows[i][k]); })});
  const std::string warning =
      MarkedScansWarning(marked,
                         "scan holds the mark 999 (no value) where this run reads it; every index and "
                         "derivative formed from a mark is 999",
                         "scans hold the mark 999 (no value) where this run reads it; every index and derivative "
                         "formed from a mark is 999");
  return warning.empty() ? warning : t.path + ": " + warning;
}

std::string IndexFileText(const ReflectanceTable& t, const std::vector<IndexDefinition>& definitions,
                          const IndexTable& values) {
  std::string out = "Index file";
  out += kLineEnd;
  for (const IndexDefinition& d : definitions) {
    const std::size_t lineStart = out.size();
    AppendZoned(out, lineStart, RowText(d.name));
    AppendZoned(out, lineStart, d.a);
    AppendZoned(out, lineStart, d.b);
    AppendZoned(out, lineStart, FormulaWords(d.formula));
    AppendZoned(out, lineStart, SourceWords(d.source));
    out += kLineEnd;
  }
  {
    const std::size_t lineStart = out.size();
    out += "Filename,Date,time,temp C,";
    for (const IndexDefinition& d : definitions) AppendZoned(out, lineStart, RowText(d.name));
    out += kLineEnd;
  }
  for (std::size_t k = 0; k < t.Columns(); ++k) {
    const std::size_t lineStart = out.size();
    AppendZoned(out, lineStart, t.names[k]);
    AppendZoned(out, lineStart, t.dates[k]);
    AppendZoned(out, lineStart, t.times[k]);
    AppendZoned(out, lineStart, t.temperatures[k]);
    for (std::size_t j = 0; j < values.indices; ++j) AppendZonedNumber(out, lineStart, values.Value(k, j));
    out += kLineEnd;
  }
  return out;
}

void WriteIndexFile(const ReflectanceTable& t, const std::vector<IndexDefinition>& definitions,
                    const IndexTable& values, const std::string& path) {
  const std::string text = IndexFileText(t, definitions, values);
  AtomicFileWriter file(path);
  file.Write(text);
  file.Commit();
}

std::string DerivativeFileText(const ReflectanceTable& t) {
  std::string out = DerivativeHead(t);
  EmitDerivativeRows(t, 1, [&](std::string_view text) { out += text; });
  return out;
}

void WriteDerivativeFile(const ReflectanceTable& t, const std::string& path, unsigned threads) {
  AtomicFileWriter file(path);
  file.Write(DerivativeHead(t));
  EmitDerivativeRows(t, threads, [&](std::string_view text) { file.Write(text); });
  file.Commit();
}

}  // namespace corvelane
