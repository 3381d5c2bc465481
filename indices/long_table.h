#pragma once
// The long tables of the index run, one row per scan and index or band:
// fields quoted as CSV, each row opening with its scan's fields, the file
// written in pieces.
#include <cstddef>
#include <functional>
#include <string>
#include <string_view>

namespace corvelane {

struct ReflectanceTable;

// Appends `field`, in double quotes with its quotes doubled when it holds a
// comma, a quote or a line break.
void AppendCsvField(std::string& out, std::string_view field);

// Appends "path,label,date,time," of column k of `table`.
void AppendScanFields(std::string& out, const ReflectanceTable& table, std::size_t k, const std::string& path);

// Appends the rows of one column of the table to `out`.
using ColumnRowsWriter = std::function<void(std::string& out, std::size_t column)>;

// `head`, a line end, then the rows of columns 0 to `columns` - 1.
std::string LongTableText(std::string_view head, std::size_t columns, const ColumnRowsWriter& rows);

// The same text written to `out` through an AtomicFileWriter, in pieces of
// about a megabyte (a season's table gives a hundred megabytes of rows);
// throws RunFailure as the writer does.
void WriteLongTable(const std::string& out, std::string_view head, std::size_t columns, const ColumnRowsWriter& rows);

}  // namespace corvelane
