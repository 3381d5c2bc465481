// Output files of a conversion run: title line, empty line, column heads and
// data lines, separated by commas or print zones; or the leaf header block in
// place of the first three parts.
#include <algorithm>
#include <array>
#include <functional>
#include <future>
#include <thread>

#include "text/atomic_file.h"
#include "text/failure.h"
#include "convert/conversion_run.h"
#include "text/numeric_text.h"

namespace corvelane {

namespace {

constexpr std::size_t kChunkBytes = 1u << 21;  // text formatted per task before it is written

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

void AppendRows(std::string& out, const ConversionResult& r, OutputMode mode, ColumnSeparator sep,
                std::size_t first, std::size_t last) {
  const std::size_t rows = r.Rows();
  const double* table = r.tables[static_cast<std::size_t>(Index(mode))].data();
  for (std::size_t row = first; row < last; ++row) {
    const std::size_t lineStart = out.size();
    AppendNumber(out, r.rowWavelengths[row]);
    for (std::size_t f = 0; f < r.fileCount; ++f) {
      AppendSeparator(out, lineStart, sep);
      AppendNumber(out, table[f * rows + row]);
    }
    out += kLineEnd;
  }
}

void RequireTable(const ConversionResult& r, OutputMode mode) {
  if (r.tables[static_cast<std::size_t>(Index(mode))].size() != r.Rows() * r.fileCount)
    Fail("the run computed no " + std::string(ModeCliName(mode)) + " table to write");
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

// Formats the data lines in chunks, several chunks at a time on all cores,
// handing each to `sink` in row order.
void EmitRows(const ConversionResult& r, OutputMode mode, const std::function<void(std::string_view)>& sink) {
  const ColumnSeparator sep = r.variant->separators[static_cast<std::size_t>(Index(mode))];
  const std::size_t rows = r.Rows();
  const std::size_t bytesPerRow = 16 * (r.fileCount + 1);
  const std::size_t chunkRows = std::max<std::size_t>(1, kChunkBytes / bytesPerRow);
  const std::size_t workers = std::max(1u, std::thread::hardware_concurrency());
  std::vector<std::string> chunks(workers);
  for (std::size_t start = 0; start < rows; start += chunkRows * workers) {
    std::vector<std::future<void>> pending;
    std::size_t used = 0;
    for (std::size_t w = 0; w < workers; ++w) {
      const std::size_t a = start + w * chunkRows;
      if (a >= rows) break;
      const std::size_t b = std::min(rows, a + chunkRows);
      chunks[w].clear();
      ++used;
      if (w + 1 < workers && b < rows && r.fileCount >= 64) {
        pending.push_back(std::async(std::launch::async, [&, w, a, b] { AppendRows(chunks[w], r, mode, sep, a, b); }));
      } else {
        AppendRows(chunks[w], r, mode, sep, a, b);
      }
    }
    for (auto& p : pending) p.get();
    for (std::size_t w = 0; w < used; ++w) sink(chunks[w]);
  }
}

template <typename Header>
void WriteWith(const ConversionResult& r, OutputMode mode, const Header* header, const std::string& path) {
  const std::string preamble = Preamble(r, mode, header);
  AtomicFileWriter file(path);
  file.Write(preamble);
  EmitRows(r, mode, [&](std::string_view text) { file.Write(text); });
  file.Commit();
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

std::string OutputText(const ConversionResult& r, OutputMode mode, const HeaderBlock& header) {
  return TextWith(r, mode, &header);
}

std::string ColumnHeadText(const ConversionResult& r, OutputMode mode) {
  std::string out;
  AppendHeads(out, r, r.variant->separators[static_cast<std::size_t>(Index(mode))]);
  return out;
}

}  // namespace corvelane
