// Output files of a conversion run: title line, empty line, column heads and
// data lines, separated by commas or print zones; or the leaf header block in
// place of the first three parts.
#include <algorithm>
#include <cstring>
#include <deque>
#include <functional>
#include <future>
#include <thread>

#include "text/atomic_file.h"
#include "text/failure.h"
#include "convert/conversion_run.h"
#include "text/numeric_text.h"

namespace corvelane {

namespace {

constexpr std::size_t kChunkBytes = 1u << 21;  // room formatted per task before it is written

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
// the bytes written. Numbers go straight into the buffer.
std::size_t WriteRows(char* const out, const ConversionResult& r, OutputMode mode, ColumnSeparator sep,
                      std::size_t first, std::size_t last) {
  const std::size_t rows = r.Rows();
  const double* table = r.tables[static_cast<std::size_t>(Index(mode))].data();
  char* p = out;
  std::string wavelength;
  for (std::size_t row = first; row < last; ++row) {
    char* const lineStart = p;
    wavelength.clear();
    AppendNumber(wavelength, r.rowWavelengths[row]);
    std::memcpy(p, wavelength.data(), wavelength.size());
    p += wavelength.size();
    for (std::size_t f = 0; f < r.fileCount; ++f) {
      if (sep == ColumnSeparator::Comma) {
        *p++ = ',';
      } else {
        const auto column = static_cast<std::size_t>(p - lineStart);
        const std::size_t fill = (column / 14 + 1) * 14 - column;
        std::memset(p, ' ', fill);
        p += fill;
      }
      // Table values are already rounded to six decimals; rounding again keeps them.
      p = WriteRoundedSix(p, table[f * rows + row]);
    }
    *p++ = '\r';
    *p++ = '\n';
  }
  return static_cast<std::size_t>(p - out);
}

std::string Preamble(const ConversionResult& r, OutputMode mode, const LeafHeaderTexts* leafHeader) {
  const InstrumentVariant& v = *r.variant;
  if (r.tables[static_cast<std::size_t>(Index(mode))].size() != r.Rows() * r.fileCount)
    Fail("the run computed no " + std::string(ModeCliName(mode)) + " table to write");
  const ColumnSeparator sep = v.separators[static_cast<std::size_t>(Index(mode))];
  std::string out;
  if (leafHeader && mode == OutputMode::Reflectance && v.hasLeafHeader) {
    AppendHeaderBlock(out, LeafHeaderTable(*leafHeader), {&r.heads[0], &r.heads[1], &r.heads[2]}, true);
    return out;
  }
  out += v.texts[static_cast<std::size_t>(Index(mode))].titleLine;
  out += kLineEnd;
  out += kLineEnd;
  AppendHeads(out, r, sep);
  return out;
}

// Formats the data lines in chunks on all cores, a few chunks ahead of the
// one being handed to `sink`, so formatting and writing overlap. Chunks reach
// `sink` in row order.
void EmitRows(const ConversionResult& r, OutputMode mode, const std::function<void(std::string_view)>& sink) {
  const ColumnSeparator sep = r.variant->separators[static_cast<std::size_t>(Index(mode))];
  const std::size_t rows = r.Rows();
  if (rows == 0) return;
  const std::size_t bound = RowBytesBound(r);
  const std::size_t chunkRows = std::max<std::size_t>(1, kChunkBytes / bound);
  const std::size_t chunks = (rows + chunkRows - 1) / chunkRows;
  const std::size_t cores = std::max(1u, std::thread::hardware_concurrency());
  const std::size_t ahead = r.fileCount >= 64 && chunks > 1 ? cores + 1 : 1;
  std::vector<std::string> buffers(std::min(ahead, chunks));
  for (auto& b : buffers) b.resize(std::min(rows, chunkRows) * bound);
  const auto format = [&](std::size_t chunk) {
    const std::size_t a = chunk * chunkRows;
    return WriteRows(buffers[chunk % buffers.size()].data(), r, mode, sep, a, std::min(rows, a + chunkRows));
  };
  if (buffers.size() == 1) {
    for (std::size_t c = 0; c < chunks; ++c) sink(std::string_view(buffers[0].data(), format(c)));
    return;
  }
  std::deque<std::future<std::size_t>> pending;
  std::size_t next = 0;
  for (std::size_t c = 0; c < chunks; ++c) {
    while (next < chunks && pending.size() < buffers.size()) pending.push_back(std::async(std::launch::async, format, next++));
    const std::size_t bytes = pending.front().get();
    pending.pop_front();
    sink(std::string_view(buffers[c % buffers.size()].data(), bytes));
  }
}

}  // namespace

void WriteOutputFile(const ConversionResult& r, OutputMode mode, const LeafHeaderTexts* leafHeader,
                     const std::string& path) {
  const std::string preamble = Preamble(r, mode, leafHeader);
  AtomicFileWriter file(path);
  file.Write(preamble);
  EmitRows(r, mode, [&](std::string_view text) { file.Write(text); });
  file.Commit();
}

std::string OutputText(const ConversionResult& r, OutputMode mode, const LeafHeaderTexts* leafHeader) {
  std::string out = Preamble(r, mode, leafHeader);
  EmitRows(r, mode, [&](std::string_view text) { out += text; });
  return out;
}

}  // namespace corvelane
