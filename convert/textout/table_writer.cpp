// Output files of a conversion run: title line, empty line, column heads and
// data lines, separated by commas or print zones; or the leaf header block in
// place of the first three parts.
#include <algorithm>
#include <array>
#include <cmath>
#include <cstring>
#include <functional>
#include <new>
#include <vector>

#include "convert/conversion_run.h"
#include "text/atomic_file.h"
#include "text/failure.h"
#include "text/numeric_text.h"
#include "text/ordered_chunks.h"

namespace corvelane {

namespace {

void AppendSeparator(std::string& out, std::size_t lineStart, ColumnSeparator sep) {
  if (sep == ColumnSeparator::Comma)
    out += ',';
  else
    AppendPrintZoneFill(out, lineStart);
}

// The head rows the format declares, then an empty row.
void AppendHeads(std::string& out, const ConversionResult& r, ColumnSeparator sep) {
  const auto& rows = r.variant->headRows;
  for (std::size_t row = 0; row <= rows.size(); ++row) {
    const std::size_t lineStart = out.size();
    if (row < rows.size()) out += rows[row].title;
    for (std::size_t f = 0; f < r.fileCount; ++f) {
      AppendSeparator(out, lineStart, sep);
      if (row < rows.size()) out += r.heads[row][f];
    }
    out += kLineEnd;
  }
}

// Most bytes one value takes: the number, then at most a whole print zone
// or a comma before the next.
constexpr std::size_t kMaxCellBytes = kMaxNumberText + 14;

std::size_t RowBytesBound(const ConversionResult& r) { return (r.fileCount + 1) * kMaxCellBytes + 2; }

// Data lines first..last into `out` (room for RowBytesBound per row); returns
// the bytes written. Numbers go straight into the buffer; tables that hold
// channels are resampled here, row by row.
std::size_t WriteRows(char* const out, const ConversionResult& r, OutputMode mode, ColumnSeparator sep,
                      std::size_t first, std::size_t last) {
  const std::size_t files = r.fileCount;
  const double* table = r.tables[static_cast<std::size_t>(Index(mode))].data();
  const int decimals = r.variant->decimals;
  // Comma-separated six-decimal rows go through one call per row.
  const bool listed = sep == ColumnSeparator::Comma && decimals == 6;
  std::vector<double> resampled(listed && r.channelPlan ? files : 0);
  char* p = out;
  for (std::size_t row = first; row < last; ++row) {
    char* const lineStart = p;
    p = WriteNumber(p, r.rowWavelengths[row]);
    const ResamplePlan::Step* step = r.channelPlan ? &(*r.channelPlan)[row] : nullptr;
    const double* lo = step ? table + static_cast<std::size_t>(step->k) * files : table + row * files;
    const double* hi = step && !step->exact ? lo + files : lo;
    if (listed) {
      const double* values = lo;
      if (step) {
        for (std::size_t f = 0; f < files; ++f) {
          const double v = step->Between(lo[f], hi[f]);
          resampled[f] = std::isfinite(v) ? v : kNoValue;
        }
        values = resampled.data();
      }
      p = WriteRoundedSixList(p, values, files, ',');
      *p++ = '\r';
      *p++ = '\n';
      continue;
    }
    for (std::size_t f = 0; f < files; ++f) {
      if (sep == ColumnSeparator::Comma) {
        *p++ = ',';
      } else {
        const auto column = static_cast<std::size_t>(p - lineStart);
        const std::size_t fill = (column / 14 + 1) * 14 - column;
        std::memset(p, ' ', fill);
        p += fill;
      }
      double v = lo[f];
      if (step) {
        if (!step->exact) v = step->Between(v, hi[f]);
        if (!std::isfinite(v)) v = kNoValue;
      }
      if (decimals == 6) {
        // Rounding a value the table already holds rounded keeps it.
        p = WriteRoundedSix(p, v);
      } else {
        p = WriteNumber(p, step ? TableValue(v, decimals) : v);
      }
    }
    *p++ = '\r';
    *p++ = '\n';
  }
  return static_cast<std::size_t>(p - out);
}

void RequireTable(const ConversionResult& r, OutputMode mode) {
  if (!r.Computed(mode)) Fail("the run computed no " + std::string(ModeCliName(mode)) + " table to write");
}

std::string Preamble(const ConversionResult& r, OutputMode mode, const HeaderBlock* header) {
  const InstrumentVariant& v = *r.variant;
  RequireTable(r, mode);
  const ColumnSeparator sep = v.separators[static_cast<std::size_t>(Index(mode))];
  std::string out;
  if (header && mode == OutputMode::Reflectance) {
    std::array<const std::vector<std::string>*, 3> perScan{};
    for (std::size_t i = 0; i < 3; ++i) {
      const auto row = static_cast<std::size_t>(header->perScanHeads[i]);
      perScan[i] = row < r.heads.size() ? &r.heads[row] : nullptr;
    }
    AppendHeaderBlock(out, header->rows, perScan, header->zoneFill);
    return out;
  }
  // A format without a title line for a mode starts its file with the empty line.
  const std::string_view title = v.texts[static_cast<std::size_t>(Index(mode))].titleLine;
  if (!title.empty()) {
    out += title;
    out += kLineEnd;
  }
  out += kLineEnd;
  AppendHeads(out, r, sep);
  return out;
}

std::string Preamble(const ConversionResult& r, OutputMode mode, const LeafHeaderTexts* leafHeader) {
  if (leafHeader && mode == OutputMode::Reflectance && r.variant->hasLeafHeader) {
    const HeaderBlock block = LeafHeaderBlock(*leafHeader);
    return Preamble(r, mode, &block);
  }
  return Preamble(r, mode, static_cast<const HeaderBlock*>(nullptr));
}

// The data lines, formatted in chunks on every core and handed to `sink` in
// row order.
void EmitRows(const ConversionResult& r, OutputMode mode, const std::function<void(std::string_view)>& sink) {
  const ColumnSeparator sep = r.variant->separators[static_cast<std::size_t>(Index(mode))];
  // Small tables are not worth a thread.
  const unsigned threads = r.fileCount >= 64 ? 0 : 1;
  WriteRowsInOrder(
      r.Rows(), RowBytesBound(r), threads,
      [&](std::size_t first, std::size_t last, char* buffer) { return WriteRows(buffer, r, mode, sep, first, last); },
      sink);
}

template <typename Header>
void WriteWith(const ConversionResult& r, OutputMode mode, const Header* header, const std::string& path) {
  try {
    // Whatever name or link leads there, a scan of the run is never replaced.
    if (const auto scan = ScanReplacedBy(r, path))
      FailFile(path, "writing it would replace scan file " + std::to_string(*scan + 1) + " of the run's list",
               FailureKind::Usage);
    const std::string preamble = Preamble(r, mode, header);
    AtomicFileWriter file(path);
    file.Write(preamble);
    EmitRows(r, mode, [&](std::string_view text) { file.Write(text); });
    file.Commit();
  } catch (const std::bad_alloc&) {
    FailFile(path, "out of memory while writing the file");
  }
}

template <typename Header>
std::string TextWith(const ConversionResult& r, OutputMode mode, const Header* header) {
  std::string out = Preamble(r, mode, header);
  EmitRows(r, mode, [&](std::string_view text) { out += text; });
  return out;
}

}  // namespace

void WriteOutputFile(const ConversionResult& r, OutputMode mode, const LeafHeaderTexts* leafHeader,
                     const std::string& path) {
  WriteWith(r, mode, leafHeader, path);
}

std::string OutputText(const ConversionResult& r, OutputMode mode, const LeafHeaderTexts* leafHeader) {
  return TextWith(r, mode, leafHeader);
}

void WriteOutputFile(const ConversionResult& r, OutputMode mode, const HeaderBlock& header, const std::string& path) {
  WriteWith(r, mode, &header, path);
}

std::string ColumnHeadText(const ConversionResult& r, OutputMode mode) {
  std::string out;
  AppendHeads(out, r, r.variant->separators[static_cast<std::size_t>(Index(mode))]);
  return out;
}

}  // namespace corvelane
