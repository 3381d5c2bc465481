#include "convert/field_key.h"

#include <csv.h>

#include <algorithm>
#include <map>

#include "convert/scan_facts.h"
#include "text/comma_list.h"
#include "text/failure.h"
#include "text/text_input.h"

namespace corvelane {

namespace {

[[noreturn]] void KeyFails(const std::string& path, std::size_t line, std::string why) {
  throw RunFailure(ProblemPlace{path, line, {}, false}, std::move(why), FailureKind::Usage);
}

char Lower(char c) noexcept { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; }

bool SameLetters(std::string_view a, std::string_view b) noexcept {
  return a.size() == b.size() &&
         std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) { return Lower(x) == Lower(y); });
}

// What libcsv hands over while a key is parsed.
struct KeyParse {
  FieldKey* key = nullptr;
  std::size_t line = 1;     // the line being fed
  std::size_t rowLine = 0;  // where the current record started
  std::vector<std::string> record;
  bool headerDone = false;
  std::string failure;  // the first problem; parsing stops reporting after it
  std::size_t failureLine = 0;
};

void OnField(void* data, std::size_t length, void* parse) {
  auto& p = *static_cast<KeyParse*>(parse);
  if (p.record.empty()) p.rowLine = p.line;
  p.record.emplace_back(static_cast<const char*>(data), length);
}

void OnRecord(int, void* parse) {
  auto& p = *static_cast<KeyParse*>(parse);
  std::vector<std::string> record = std::move(p.record);
  p.record.clear();
  if (record.empty() || !p.failure.empty()) return;
  FieldKey& key = *p.key;
  if (!p.headerDone) {
    p.headerDone = true;
    // A spreadsheet's UTF-8 byte-order mark is not part of the first name.
    if (record[0].starts_with("\xEF\xBB\xBF")) record[0].erase(0, 3);
    // Trailing empty names are the commas a spreadsheet leaves after the last column.
    while (record.size() > 1 && record.back().empty()) record.pop_back();
    for (std::size_t i = 0; i < record.size(); ++i)
      for (std::size_t j = 0; j < i; ++j)
        if (!record[i].empty() && SameLetters(record[i], record[j])) {
          p.failure = "the key names the column \"" + record[i] + "\" twice";
          p.failureLine = p.rowLine;
          return;
        }
    key.columns = std::move(record);
    return;
  }
  // A row of empty cells (",,,") is a spacer line.
  if (std::all_of(record.begin(), record.end(), [](const std::string& c) { return c.empty(); })) return;
  for (std::size_t i = key.columns.size(); i < record.size(); ++i)
    if (!record[i].empty()) {
      p.failure = "the row has " + std::to_string(record.size()) + " cells but the key's header names " +
                  std::to_string(key.columns.size()) + " columns";
      p.failureLine = p.rowLine;
      return;
    }
  record.resize(key.columns.size());
  key.rows.push_back({p.rowLine, std::move(record)});
}

std::string FirstFew(const std::vector<std::string>& items) {
  constexpr std::size_t kNamed = 5;
  std::string out;
  for (std::size_t i = 0; i < items.size() && i < kNamed; ++i) out += (i ? ", " : "") + items[i];
  if (items.size() > kNamed) out += ", ...";
  return out;
}

}  // namespace

std::optional<std::size_t> FieldKey::Column(std::string_view name) const {
  for (std::size_t i = 0; i < columns.size(); ++i)
    if (SameLetters(columns[i], name)) return i;
  return std::nullopt;
}

FieldKey ParseFieldKey(std::string_view text, const std::string& path) {
  FieldKey key;
  key.path = path;
  csv_parser parser;
  if (csv_init(&parser, 0) != 0) KeyFails(path, 0, "cannot set up the CSV reader");
  KeyParse p;
  p.key = &key;
  // Fed a line at a time, so each row knows the line it starts on.
  std::size_t start = 0;
  bool parsed = true;
  while (start < text.size() && parsed) {
    std::size_t end = text.find('\n', start);
    end = end == std::string_view::npos ? text.size() : end + 1;
    parsed = csv_parse(&parser, text.data() + start, end - start, OnField, OnRecord, &p) == end - start;
    start = end;
    ++p.line;
  }
  if (parsed) csv_fini(&parser, OnField, OnRecord, &p);
  const std::string why = parsed ? std::string() : csv_strerror(csv_error(&parser));
  csv_free(&parser);
  if (!parsed) KeyFails(path, p.line - 1, "the key cannot be read as CSV: " + why);
  if (!p.failure.empty()) KeyFails(path, p.failureLine, p.failure);
  if (key.columns.empty()) KeyFails(path, 0, "the key holds no header row");
  return key;
}

FieldKey ReadFieldKey(const std::string& path) {
  std::string text;
  bool truncated = false;
  try {
    RefuseSpecialFile(path);
    ReadFileBounded(path, text, truncated);
  } catch (const RunFailure& f) {
    throw f.As(FailureKind::Usage);
  }
  if (truncated) KeyFails(path, 0, "the key is larger than " + std::to_string(kMaxReadBytes >> 20) + " MiB");
  return ParseFieldKey(text, path);
}

std::string ScanFileKey(std::string_view path) {
  const std::size_t slash = path.find_last_of("/\\");
  std::string name(slash == std::string_view::npos ? path : path.substr(slash + 1));
  for (char& c : name) c = Lower(c);
  return name;
}

KeyLayout FileColumnNames(const FieldKey& key) {
  const std::optional<std::size_t> file = key.Column("file");
  if (!file)
    KeyFails(key.path, 1,
             "the key has no column \"file\" naming each row's scan (its header names: " + FirstFew(key.columns) + ")");
  const std::optional<std::size_t> date = key.Column("date");
  KeyLayout layout;
  for (std::size_t c = 0; c < key.columns.size(); ++c)
    if (c != *file && c != date) layout.carried.push_back(c);
  for (std::size_t r = 0; r < key.rows.size(); ++r) {
    const std::vector<std::string>& cells = key.rows[r].cells;
    if (cells[*file].empty()) continue;
    layout.names.push_back(
        {r, ScanFileKey(cells[*file]), date ? IsoDate(Trim(cells[*date])) : std::string(), cells[*file], {}});
  }
  return layout;
}

KeyLayout ScanNumberNames(const FieldKey& key, std::span<const std::string> scanColumns, std::string_view pattern) {
  const auto column = [&](std::string_view name, std::string_view what) {
    const std::optional<std::size_t> c = key.Column(name);
    if (!c) KeyFails(key.path, 1, std::string(what) + ": the key has no column \"" + std::string(name) + "\"");
    return *c;
  };
  KeyLayout layout;
  layout.numbered = true;
  std::vector<std::size_t> numbers;
  for (const std::string& name : scanColumns) numbers.push_back(column(name, "--key-scans"));
  // The pattern as pieces: text, a column's value, or the number (with its width).
  struct Piece {
    std::string text;
    std::optional<std::size_t> column;
    bool number = false;
    int width = 0;
  };
  std::vector<Piece> pieces;
  for (std::size_t i = 0; i < pattern.size();) {
    if (pattern[i] == '}')
      KeyFails(key.path, 0, "--key-name: a \"}\" without \"{\" in \"" + std::string(pattern) + "\"");
    if (pattern[i] != '{') {
      const std::size_t next = std::min(pattern.find_first_of("{}", i), pattern.size());
      pieces.push_back({std::string(pattern.substr(i, next - i)), std::nullopt, false, 0});
      i = next;
      continue;
    }
    const std::size_t close = pattern.find('}', i);
    if (close == std::string_view::npos)
      KeyFails(key.path, 0, "--key-name: a \"{\" without \"}\" in \"" + std::string(pattern) + "\"");
    const std::string_view field = pattern.substr(i + 1, close - i - 1);
    Piece piece;
    if (field == "n") {
      piece.number = true;
    } else if (field.starts_with("n:0") && field.size() > 3 &&
               field.find_first_not_of("0123456789", 3) == std::string_view::npos && field.size() <= 5) {
      piece.number = true;
      piece.width = std::stoi(std::string(field.substr(3)));
    } else if (field.starts_with("n:")) {
      KeyFails(key.path, 0, "--key-name: \"{" + std::string(field) + "}\" is not {n} or {n:0W}");
    } else {
      piece.column = column(field, "--key-name");
    }
    pieces.push_back(std::move(piece));
    i = close + 1;
  }
  const std::optional<std::size_t> date = key.Column("date");
  for (std::size_t c = 0; c < key.columns.size(); ++c)
    if (std::find(numbers.begin(), numbers.end(), c) == numbers.end()) layout.carried.push_back(c);
  for (std::size_t r = 0; r < key.rows.size(); ++r) {
    const std::vector<std::string>& cells = key.rows[r].cells;
    std::vector<std::string> named;
    for (std::size_t c : numbers) {
      const std::string_view cell = Trim(cells[c]);
      if (cell.empty()) continue;
      if (cell.find_first_not_of("0123456789") != std::string_view::npos || cell.size() > 9)
        KeyFails(key.path, key.rows[r].line,
                 "column \"" + key.columns[c] + "\": \"" + std::string(cell) + "\" is not a scan number");
      const std::string digits = std::to_string(std::stol(std::string(cell)));
      // A row naming one number twice names its scan once.
      if (std::find(named.begin(), named.end(), digits) != named.end()) continue;
      named.push_back(digits);
      std::string name;
      for (const Piece& p : pieces) {
        if (p.column)
          name += Trim(cells[*p.column]);
        else if (p.number)
          name += std::string(
                      p.width > static_cast<int>(digits.size()) ? static_cast<std::size_t>(p.width) - digits.size() : 0,
                      '0') +
                  digits;
        else
          name += p.text;
      }
      layout.names.push_back({r, ScanFileKey(name), date ? IsoDate(Trim(cells[*date])) : std::string(), name, digits});
    }
  }
  return layout;
}

std::optional<ScanNumberGuess> GuessScanNumbers(const FieldKey& key, std::span<const std::string> scanPaths) {
  ScanNumberGuess guess;
  std::vector<std::size_t> numbers;
  for (std::size_t c = 0; c < key.columns.size(); ++c) {
    const std::string& name = key.columns[c];
    if (name.size() > 1 && (name[0] == 'P' || name[0] == 'p') &&
        name.find_first_not_of("0123456789", 1) == std::string::npos) {
      guess.scanColumns.push_back(name);
      numbers.push_back(c);
    }
  }
  if (numbers.empty()) return std::nullopt;
  // PREFIX_DIGITS.ext of each scan.
  std::vector<std::string> prefixes;
  std::size_t width = 0;
  std::string extension;
  for (const std::string& path : scanPaths) {
    const std::size_t slash = path.find_last_of("/\\");
    const std::string name = path.substr(slash == std::string::npos ? 0 : slash + 1);
    const std::size_t under = name.rfind('_'), dot = name.rfind('.');
    if (under == std::string::npos || dot == std::string::npos || dot < under + 2) continue;
    const std::string digits = name.substr(under + 1, dot - under - 1);
    if (digits.find_first_not_of("0123456789") != std::string::npos) continue;
    prefixes.push_back(name.substr(0, under));
    if (width == 0) {
      width = digits.size();
      extension = name.substr(dot);
    }
  }
  std::size_t best = 0, bestCount = 0;
  for (std::size_t c = 0; c < key.columns.size(); ++c) {
    if (std::find(numbers.begin(), numbers.end(), c) != numbers.end()) continue;
    std::size_t count = 0;
    for (const std::string& prefix : prefixes)
      count += std::any_of(key.rows.begin(), key.rows.end(),
                           [&](const FieldKey::Row& row) { return SameLetters(Trim(row.cells[c]), prefix); });
    if (count > bestCount) {
      best = c;
      bestCount = count;
    }
  }
  if (bestCount == 0) return std::nullopt;
  guess.pattern = "{" + key.columns[best] + "}_{n:0" + std::to_string(width) + "}" + extension;
  return guess;
}

std::optional<KeyReferenceGuess> GuessKeyReference(const FieldKey& key, std::span<const std::string> scanColumns) {
  const auto skipped = [&](std::size_t c) {
    return SameLetters(key.columns[c], "file") ||
           std::any_of(scanColumns.begin(), scanColumns.end(),
                       [&](const std::string& s) { return SameLetters(s, key.columns[c]); });
  };
  for (std::size_t c = 0; c < key.columns.size(); ++c) {
    if (skipped(c)) continue;
    const auto row = std::find_if(key.rows.begin(), key.rows.end(),
                                  [c](const FieldKey::Row& r) { return SameLetters(Trim(r.cells[c]), "REF"); });
    if (row == key.rows.end()) continue;
    KeyReferenceGuess guess{key.columns[c], std::string(Trim(row->cells[c])), {}};
    for (std::size_t b = 0; b < c; ++b)
      if (!skipped(b)) guess.by.push_back(key.columns[b]);
    if (guess.by.empty()) return std::nullopt;
    return guess;
  }
  return std::nullopt;
}

KeyLayout KeyNames(const FieldKey& key, std::span<const std::string> scanColumns, std::string_view pattern) {
  return scanColumns.empty() ? FileColumnNames(key) : ScanNumberNames(key, scanColumns, pattern);
}

KeyJoin JoinKey(const FieldKey& key, const KeyLayout& layout, std::span<const JoinScan> scans) {
  KeyJoin join;
  for (std::size_t c : layout.carried) join.columns.push_back(key.columns[c]);
  if (layout.numbered) {
    join.columns.push_back("scan_number");
    join.numbersOfScan.resize(scans.size());
  }
  join.values.resize(key.rows.size());
  for (std::size_t r = 0; r < key.rows.size(); ++r)
    for (std::size_t c : layout.carried) join.values[r].push_back(key.rows[r].cells[c]);
  join.rowsOfScan.resize(scans.size());

  std::multimap<std::string, std::size_t> scansByName;
  for (std::size_t s = 0; s < scans.size(); ++s) scansByName.emplace(ScanFileKey(scans[s].path), s);
  std::vector<std::string> unmatched;
  for (const KeyScanName& name : layout.names) {
    bool found = false;
    const auto [first, last] = scansByName.equal_range(name.fileName);
    for (auto it = first; it != last; ++it) {
      if (!name.date.empty() && name.date != scans[it->second].date) continue;
      std::vector<std::size_t>& rows = join.rowsOfScan[it->second];
      if (rows.empty() || rows.back() != name.row) {
        rows.push_back(name.row);
        if (layout.numbered) join.numbersOfScan[it->second].push_back(name.number);
      }
      found = true;
    }
    if (!found)
      unmatched.push_back("line " + std::to_string(key.rows[name.row].line) + " " + name.text +
                          (name.date.empty() ? std::string() : " (" + name.date + ")"));
  }

  std::vector<std::string> withoutRow, inSeveral;
  for (std::size_t s = 0; s < scans.size(); ++s) {
    const std::vector<std::size_t>& rows = join.rowsOfScan[s];
    if (rows.empty()) withoutRow.push_back(scans[s].path);
    if (rows.size() < 2) continue;
    std::string lines;
    for (std::size_t r : rows) lines += (lines.empty() ? "" : ", ") + std::to_string(key.rows[r].line);
    inSeveral.push_back(scans[s].path + " (lines " + lines + ")");
  }
  const std::string of = " the field key " + key.path;
  if (!withoutRow.empty())
    join.warnings.push_back(std::to_string(withoutRow.size()) + " of " + std::to_string(scans.size()) +
                            (withoutRow.size() == 1 ? " scans has" : " scans have") + " no row in" + of +
                            ", so their rows carry no key values: " + FirstFew(withoutRow));
  if (!unmatched.empty())
    join.warnings.push_back(std::to_string(unmatched.size()) +
                            (layout.numbered ? (unmatched.size() == 1 ? " scan number of" : " scan numbers of")
                                             : (unmatched.size() == 1 ? " row of" : " rows of")) +
                            of + (unmatched.size() == 1 ? " names" : " name") +
                            " no scan of the run: " + FirstFew(unmatched));
  if (!inSeveral.empty())
    join.warnings.push_back(std::to_string(inSeveral.size()) + (inSeveral.size() == 1 ? " scan is" : " scans are") +
                            " named by several rows of" + of + " and get" + (inSeveral.size() == 1 ? "s" : "") +
                            " one set of rows per key row: " + FirstFew(inSeveral));
  return join;
}

namespace {

// Per key row, whether it is a reference row, and per group column its items
// in lower case and sorted (a date as its day), so two rows share a group when
// every group column has an item in common.
struct KeyRowGroups {
  std::vector<bool> referenceRow;
  std::vector<std::vector<std::vector<std::string>>> items;

  bool Share(std::size_t a, std::size_t b) const {
    for (std::size_t i = 0; i < items[a].size(); ++i) {
      const std::vector<std::string>&x = items[a][i], &y = items[b][i];
      bool meet = false;
      for (auto p = x.begin(), q = y.begin(); p != x.end() && q != y.end() && !meet;)
        if (*p < *q)
          ++p;
        else if (*q < *p)
          ++q;
        else
          meet = true;
      if (!meet) return false;
    }
    return true;
  }
};

KeyRowGroups GroupsOfRows(const FieldKey& key, std::size_t marked, std::string_view value,
                          const std::vector<std::size_t>& by) {
  const std::optional<std::size_t> date = key.Column("date");
  KeyRowGroups groups;
  groups.referenceRow.resize(key.rows.size());
  groups.items.resize(key.rows.size());
  for (std::size_t r = 0; r < key.rows.size(); ++r) {
    const std::vector<std::string>& cells = key.rows[r].cells;
    groups.referenceRow[r] = SameLetters(Trim(cells[marked]), Trim(value));
    for (std::size_t c : by) {
      std::vector<std::string> list;
      if (date && c == *date) {
        list.push_back(IsoDate(Trim(cells[c])));
      } else {
        for (std::string item : SplitCommas(cells[c])) {
          std::transform(item.begin(), item.end(), item.begin(), Lower);
          list.push_back(std::move(item));
        }
      }
      std::sort(list.begin(), list.end());
      groups.items[r].push_back(std::move(list));
    }
  }
  return groups;
}

}  // namespace

KeyReferences KeyReferenceScans(const FieldKey& key, const KeyJoin& join, std::string_view column,
                                std::string_view value, std::span<const std::string> byColumns,
                                std::span<const JoinScan> scans) {
  auto columnOf = [&key](std::string_view name, std::string_view option) {
    const std::optional<std::size_t> c = key.Column(name);
    if (!c) KeyFails(key.path, 1, std::string(option) + ": the key has no column \"" + std::string(name) + "\"");
    return *c;
  };
  const std::size_t marked = columnOf(column, "--key-reference");
  std::vector<std::size_t> by;
  for (const std::string& name : byColumns) by.push_back(columnOf(name, "--key-reference-by"));
  const KeyRowGroups groups = GroupsOfRows(key, marked, value, by);
  const std::vector<bool>& referenceRow = groups.referenceRow;
  if (std::none_of(referenceRow.begin(), referenceRow.end(), [](bool b) { return b; }))
    KeyFails(key.path, 1,
             "--key-reference: no row of the key has " + key.columns[marked] + " " + std::string(value) +
                 ", so no scan can be corrected");

  KeyReferences out;
  out.isReference.assign(scans.size(), false);
  out.ofScan.resize(scans.size());
  // The reference scans named by each reference row.
  std::vector<std::vector<std::size_t>> scansOfRow(key.rows.size());
  for (std::size_t s = 0; s < scans.size(); ++s)
    for (std::size_t r : join.rowsOfScan[s])
      if (referenceRow[r]) {
        out.isReference[s] = true;
        scansOfRow[r].push_back(s);
      }
  std::vector<std::string> without;
  for (std::size_t s = 0; s < scans.size(); ++s) {
    if (out.isReference[s] || join.rowsOfScan[s].empty()) continue;
    std::vector<std::size_t>& refs = out.ofScan[s];
    for (std::size_t r : join.rowsOfScan[s])
      for (std::size_t ref = 0; ref < key.rows.size(); ++ref)
        if (referenceRow[ref] && !scansOfRow[ref].empty() && groups.Share(r, ref))
          refs.insert(refs.end(), scansOfRow[ref].begin(), scansOfRow[ref].end());
    std::sort(refs.begin(), refs.end());
    refs.erase(std::unique(refs.begin(), refs.end()), refs.end());
    if (refs.empty()) without.push_back(scans[s].path);
  }
  if (!without.empty()) {
    std::string shared;
    for (const std::string& name : byColumns) shared += (shared.empty() ? "" : ", ") + name;
    out.warnings.push_back(std::to_string(without.size()) + (without.size() == 1 ? " scan has" : " scans have") +
                           " no reference scan (" + key.columns[marked] + " " + std::string(value) +
                           ") with the same " + shared + " in the field key " + key.path +
                           ", so they get no corrected rows: " + FirstFew(without));
  }
  return out;
}

}  // namespace corvelane
