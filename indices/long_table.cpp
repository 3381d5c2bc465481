#include "indices/long_table.h"

#include "indices/reflectance_reader.h"
#include "text/atomic_file.h"
#include "text/numeric_text.h"

namespace corvelane {

void AppendCsvField(std::string& out, std::string_view field) {
  if (field.find_first_of(",\"\r\n") == std::string_view::npos) {
    out += field;
    return;
  }
  out += '"';
  for (const char c : field) {
    if (c == '"') out += '"';
    out += c;
  }
  out += '"';
}

void AppendScanFields(std::string& out, const ReflectanceTable& table, std::size_t k, const std::string& path) {
  for (const std::string_view field : {std::string_view(path), std::string_view(table.names[k]),
                                       std::string_view(table.dates[k]), std::string_view(table.times[k])}) {
    AppendCsvField(out, field);
    out += ',';
  }
}

std::string LongTableText(std::string_view head, std::size_t columns, const ColumnRowsWriter& rows) {
  std::string out(head);
  out += kLineEnd;
  for (std::size_t k = 0; k < columns; ++k) rows(out, k);
  return out;
}

void WriteLongTable(const std::string& out, std::string_view head, std::size_t columns, const ColumnRowsWriter& rows) {
  constexpr std::size_t kPiece = std::size_t{1} << 20;
  AtomicFileWriter writer(out);
  std::string text(head);
  text += kLineEnd;
  for (std::size_t k = 0; k < columns; ++k) {
    rows(text, k);
    if (text.size() >= kPiece) {
      writer.Write(text);
      text.clear();
    }
  }
  writer.Write(text);
  writer.Commit();
}

}  // namespace corvelane
