#pragma once
// The field key: the table a field team keeps beside its scans (date, site,
// block, treatment, replicate, ...), joined to the scans of a run so that
// every row written for a scan carries its plot's columns.
//
// Reading, naming and joining are three steps, so that another layout of key
// (rows naming their scans in another way) only adds a naming step:
//   ReadFieldKey     the CSV file: its columns and its rows with their lines
//   FileColumnNames  a layout: which scan file names (and dates) each row names
//   JoinKey          those names against the run's scans: per scan, its key rows
#include <cstddef>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace corvelane {

struct FieldKey {
  std::string path;                  // as the user gave it, for messages
  std::vector<std::string> columns;  // the header row
  struct Row {
    std::size_t line = 0;            // where the row starts in the file (1-based)
    std::vector<std::string> cells;  // one per column; missing cells are empty
  };
  std::vector<Row> rows;

  // The column called `name`, letter case ignored; none when there is none.
  std::optional<std::size_t> Column(std::string_view name) const;
};

// Reads a key: CSV with a header row (fields in double quotes may hold
// commas, quotes and line breaks; blanks around fields are dropped; a UTF-8
// byte-order mark is skipped). Throws RunFailure of kind Usage when the file
// cannot be read, has no header row or names a column twice, or a row holds
// more non-empty cells than there are columns (naming its line).
FieldKey ReadFieldKey(const std::string& path);
FieldKey ParseFieldKey(std::string_view text, const std::string& path);

// One scan a key row names.
struct KeyScanName {
  std::size_t row = 0;   // index into FieldKey::rows
  std::string fileName;  // file name without folder, in lower case
  std::string date;      // the day the row gives (ISO where it reads so); empty: any day
  std::string text;      // the name as the key writes it, for messages
  std::string number;    // the scan number the row gives it (numbered layouts); empty otherwise
};

// How a key's rows name their scans, and which of its columns go with them.
struct KeyLayout {
  std::vector<KeyScanName> names;    // in key order
  std::vector<std::size_t> carried;  // columns appended to each scan's rows, in key order
  bool numbered = false;             // a scan_number column follows them
};

// The layout of a key with a `file` column naming each row's scan (folder
// ignored, letter case ignored) and an optional `date` column (ISO or
// month/day/year) choosing between scans of one name taken on different
// days. Every other column is carried. A row with an empty `file` cell names
// no scan. Throws RunFailure (Usage) when there is no `file` column.
KeyLayout FileColumnNames(const FieldKey& key);

// The layout of a key with one row per plot visit naming its scans by
// number in `scanColumns` (empty cells skipped): `pattern` makes each number
// a file name, `{COLUMN}` standing for the row's value of that column, `{n}`
// for the number and `{n:0W}` for the number zero-padded to W digits
// ("{Site}_{n:05}.spu"). Column names match without letter case; a `date`
// column chooses the day as in FileColumnNames. Every column but the scan
// columns is carried, and the scan's number after them. Throws RunFailure
// (Usage) for an unknown column, a pattern that does not parse and a cell
// that is not a whole number (naming its line and column).
KeyLayout ScanNumberNames(const FieldKey& key, std::span<const std::string> scanColumns, std::string_view pattern);

// ScanNumberNames when scan columns are given, FileColumnNames otherwise.
KeyLayout KeyNames(const FieldKey& key, std::span<const std::string> scanColumns, std::string_view pattern);

// What a numbered key's settings probably are, from its header and the
// run's scan names: the columns named P1, P2, ... (in key order) and a
// pattern "{COLUMN}_{n:0W}.ext" whose COLUMN holds the most of the scans'
// name prefixes (MAT of MAT_00006.spu), W and ext as those names have them.
// None when the key has no such columns or no column holds a prefix.
struct ScanNumberGuess {
  std::vector<std::string> scanColumns;
  std::string pattern;
};
std::optional<ScanNumberGuess> GuessScanNumbers(const FieldKey& key, std::span<const std::string> scanPaths);

// What a key's white-reference settings probably are: the first column
// (not a file or scan-number column) holding the value REF (letter case
// ignored), and the columns before it but those, which usually say where and
// when (Date, Site, Block). None when no column holds REF.
struct KeyReferenceGuess {
  std::string column, value;
  std::vector<std::string> by;
};
std::optional<KeyReferenceGuess> GuessKeyReference(const FieldKey& key, std::span<const std::string> scanColumns);

// A scan of the run as the join sees it.
struct JoinScan {
  std::string path;  // as listed
  std::string date;  // the scan's date as the long table writes it
};

// The key joined to a run's scans, as a database join gives it.
struct KeyJoin {
  std::vector<std::string> columns;                  // the carried columns' names
  std::vector<std::vector<std::string>> values;      // per key row, its carried cells
  std::vector<std::vector<std::size_t>> rowsOfScan;  // per scan, the key rows naming it, in key order
  // Numbered layouts: per scan, the number each of those rows gives it (the
  // last column); empty otherwise.
  std::vector<std::vector<std::string>> numbersOfScan;
  // One each, when there is something to say: scans no row names, rows that
  // name no scan, scans named by several rows.
  std::vector<std::string> warnings;
};

// A key row's name matches a scan when the file names are equal (letter
// case and folder ignored) and, where the row gives a date, the scan's date
// is that day.
KeyJoin JoinKey(const FieldKey& key, const KeyLayout& layout, std::span<const JoinScan> scans);

// White references named in the key: the reference rows are those whose
// `column` cell is `value` (letter case ignored); a scan named by a reference
// row is a reference scan. Every other scan with a key row is a data scan,
// corrected by the reference scans whose rows share its values of
// `byColumns`: the cells are compared letter case ignored, a `date` column
// as the day it gives, and a cell holding a comma-separated list ("B1, B2")
// stands for each of its items, so two rows share a column when their items
// meet. A data scan named by several rows is corrected by the reference
// scans of all of them.
struct KeyReferences {
  std::vector<bool> isReference;                 // per scan
  std::vector<std::vector<std::size_t>> ofScan;  // per data scan, its reference scans in run order; else empty
  std::vector<std::string> warnings;             // the data scans whose rows have no reference scan
};
// Throws RunFailure (Usage) naming a column the key does not have, and when
// no row of the key is a reference row.
KeyReferences KeyReferenceScans(const FieldKey& key, const KeyJoin& join, std::string_view column,
                                std::string_view value, std::span<const std::string> byColumns,
                                std::span<const JoinScan> scans);

// The file name of `path` without its folder ('/' or '\'), in lower case.
std::string ScanFileKey(std::string_view path);

}  // namespace corvelane
