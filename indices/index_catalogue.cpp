#include "indices/index_catalogue.h"

#include <muParser.h>

#include <algorithm>
#include <cmath>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <limits>
#include <memory>
#include <sstream>

#include "indices/index_values.h"
#include "indices/long_table.h"
#include "indices/satellite_bands.h"
#include "text/failure.h"
#include "text/numeric_text.h"
#include "text/text_input.h"

namespace corvelane {

namespace {

constexpr double kNotFormed = std::numeric_limits<double>::quiet_NaN();

[[noreturn]] void Refuse(const std::string& file, std::size_t line, std::string why) {
  throw RunFailure({file, line, {}, false}, std::move(why), FailureKind::Usage);
}

struct CsvRecord {
  std::vector<std::string> fields;
  std::size_t line = 0;
};

// RFC 4180 records: fields separated by commas, a field in double quotes may
// hold commas, line ends and doubled quotes. Lines may end in CR LF, LF or a
// lone CR. Blank lines are skipped.
std::vector<CsvRecord> CsvRecords(std::string_view text, const std::string& file) {
  if (text.substr(0, 3) == "\xEF\xBB\xBF") text.remove_prefix(3);
  std::vector<CsvRecord> records;
  std::size_t i = 0, line = 1;
  const auto lineEndAt = [&](std::size_t at) { return at < text.size() && (text[at] == '\r' || text[at] == '\n'); };
  const auto skipLineEnd = [&] {
    if (text[i] == '\r' && i + 1 < text.size() && text[i + 1] == '\n') ++i;
    ++i;
    ++line;
  };
  while (i < text.size()) {
    if (lineEndAt(i)) {  // a blank line
      skipLineEnd();
      continue;
    }
    CsvRecord record;
    record.line = line;
    for (;;) {
      std::string field;
      if (i < text.size() && text[i] == '"') {
        const std::size_t opened = line;
        ++i;
        for (;;) {
          if (i >= text.size()) Refuse(file, opened, "a quoted field is not closed");
          if (text[i] == '"') {
            if (i + 1 < text.size() && text[i + 1] == '"') {
              field += '"';
              i += 2;
              continue;
            }
            ++i;
            break;
          }
          if (text[i] == '\n' || (text[i] == '\r' && !(i + 1 < text.size() && text[i + 1] == '\n'))) ++line;
          field += text[i++];
        }
        if (i < text.size() && text[i] != ',' && !lineEndAt(i))
          Refuse(file, line, "text follows the closing quote of a field");
      } else {
        while (i < text.size() && text[i] != ',' && !lineEndAt(i)) {
          if (text[i] == '"') Refuse(file, line, "a quote inside a field that does not start with one");
          field += text[i++];
        }
      }
      record.fields.push_back(std::move(field));
      if (i < text.size() && text[i] == ',') {
        ++i;
        continue;
      }
      if (i < text.size()) skipLineEnd();
      break;
    }
    records.push_back(std::move(record));
  }
  return records;
}

std::string Lower(std::string_view s) {
  std::string out(s);
  for (char& c : out)
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
  return out;
}

bool IsBandName(std::string_view s) {
  if (s.empty() || !((s[0] >= 'A' && s[0] <= 'Z') || (s[0] >= 'a' && s[0] <= 'z'))) return false;
  return std::all_of(s.begin(), s.end(), [](char c) {
    return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '_';
  });
}

std::string EntryWhere(const std::string& name) { return "catalogue entry \"" + name + "\""; }

std::vector<CatalogueBand> ParseBands(const std::string& text, const std::string& entry, const std::string& file,
                                      std::size_t line) {
  std::vector<CatalogueBand> bands;
  std::size_t start = 0;
  for (;;) {
    const std::size_t semicolon = text.find(';', start);
    const std::string_view piece =
        Trim(std::string_view(text).substr(start, semicolon == std::string::npos ? semicolon : semicolon - start));
    if (!piece.empty()) {
      const std::string usage = EntryWhere(entry) + ": band \"" + std::string(piece) +
                                "\" is not NAME=WAVELENGTH or NAME=LOW-HIGH (nm; a name of letters, digits and _)";
      const std::size_t eq = piece.find('=');
      if (eq == std::string_view::npos) Refuse(file, line, usage);
      CatalogueBand band;
      band.name = std::string(Trim(piece.substr(0, eq)));
      band.text = std::string(piece);
      const std::string_view value = Trim(piece.substr(eq + 1));
      if (!IsBandName(band.name)) Refuse(file, line, usage);
      if (const std::size_t colon = value.find(':'); colon != std::string_view::npos) {
        // A satellite band, SENSOR:BAND.
        band.sensor = std::string(Trim(value.substr(0, colon)));
        band.sensorBand = std::string(Trim(value.substr(colon + 1)));
        const std::vector<std::string>& sensors = ShippedSensorNames();
        if (std::find(sensors.begin(), sensors.end(), band.sensor) == sensors.end()) {
          std::string known;
          for (const std::string& n : sensors) known += (known.empty() ? "" : ", ") + n;
          Refuse(file, line,
                 EntryWhere(entry) + ": band \"" + band.text + "\" names sensor \"" + band.sensor +
                     "\", which is not shipped (sensors: " + known + ")");
        }
        const SensorResponse& sensor = ShippedSensor(band.sensor);
        if (!sensor.Band(band.sensorBand)) {
          std::string known;
          for (const ResponseBand& b : sensor.bands) known += (known.empty() ? "" : ", ") + b.name;
          Refuse(file, line,
                 EntryWhere(entry) + ": band \"" + band.text + "\": " + band.sensor + " has no band \"" +
                     band.sensorBand + "\" (bands: " + known + ")");
        }
        for (const CatalogueBand& b : bands)
          if (b.name == band.name) Refuse(file, line, EntryWhere(entry) + ": band " + band.name + " is defined twice");
        bands.push_back(std::move(band));
        if (semicolon == std::string::npos) break;
        start = semicolon + 1;
        continue;
      }
      // A range "LOW-HIGH"; wavelengths are positive, so a dash after the
      // first character separates the two.
      const std::size_t dash = value.find('-', 1);
      const auto low = ParseNumber(Trim(value.substr(0, dash)));
      const auto high = dash == std::string_view::npos ? low : ParseNumber(Trim(value.substr(dash + 1)));
      if (!low || !high || !std::isfinite(*low) || !std::isfinite(*high)) Refuse(file, line, usage);
      band.low = *low;
      band.high = *high;
      band.single = dash == std::string_view::npos;
      if (band.low > band.high)
        Refuse(file, line, EntryWhere(entry) + ": band \"" + band.text + "\" runs from high to low");
      for (const CatalogueBand& b : bands)
        if (b.name == band.name) Refuse(file, line, EntryWhere(entry) + ": band " + band.name + " is defined twice");
      bands.push_back(std::move(band));
    }
    if (semicolon == std::string::npos) break;
    start = semicolon + 1;
  }
  if (bands.empty()) Refuse(file, line, EntryWhere(entry) + " defines no band");
  return bands;
}

// muParser's assignment operators (=, +=, -=, *=, /=) would write into a
// band: an expression only reads its bands.
bool Assigns(std::string_view expression) {
  for (std::size_t i = 0; i < expression.size(); ++i) {
    if (expression[i] != '=') continue;
    const char before = i > 0 ? expression[i - 1] : ' ';
    const char after = i + 1 < expression.size() ? expression[i + 1] : ' ';
    if (after == '=') {
      ++i;  // "=="
      continue;
    }
    if (before != '<' && before != '>' && before != '!') return true;
  }
  return false;
}

// A parser of `entry`'s expression whose band variables are `slots`
// (one per band, in the entry's order). Throws RunFailure (Usage) when the
// expression does not parse or names something other than the bands.
std::unique_ptr<mu::Parser> ExpressionParser(const CatalogueEntry& entry, std::vector<double>& slots) {
  const auto refuse = [&](const std::string& why) { Refuse(entry.file, entry.line, EntryWhere(entry.name) + why); };
  if (Trim(entry.expression).empty()) refuse(" has no expression");
  if (Assigns(entry.expression)) refuse(": the expression \"" + entry.expression + "\" assigns to a name");
  slots.assign(entry.bands.size(), 0.0);
  auto parser = std::make_unique<mu::Parser>();
  try {
    for (std::size_t b = 0; b < entry.bands.size(); ++b) parser->DefineVar(entry.bands[b].name, &slots[b]);
    parser->SetExpr(entry.expression);
    // Parses the whole expression; names that are not variables are
    // collected rather than refused, so the message can say which.
    for (const auto& [name, where] : parser->GetUsedVar()) {
      (void)where;
      const bool defined =
          std::any_of(entry.bands.begin(), entry.bands.end(), [&](const CatalogueBand& b) { return b.name == name; });
      if (!defined) {
        std::string known;
        for (const CatalogueBand& b : entry.bands) known += (known.empty() ? "" : ", ") + b.name;
        refuse(": the expression names \"" + name + "\", which is not one of its bands (" + known + ")");
      }
    }
    // muParser takes "A,B" as two expressions; an entry gives one value.
    for (std::size_t b = 0; b < slots.size(); ++b) slots[b] = 1.0 + static_cast<double>(b);
    parser->Eval();
    if (parser->GetNumResults() != 1)
      refuse(": the expression \"" + entry.expression + "\" gives " + std::to_string(parser->GetNumResults()) +
             " values (a comma separates expressions); it must give one");
  } catch (const mu::Parser::exception_type& e) {
    refuse(": the expression \"" + entry.expression + "\" does not parse: " + e.GetMsg());
  }
  return parser;
}

std::string ReadWhole(const std::string& path) {
  // A pipe or a device could block or never end; a folder holds no text.
  std::error_code ec;
  if (!std::filesystem::is_regular_file(path, ec))
    Refuse(path, 0, "cannot read the catalogue file: not a regular file");
  std::ifstream in(path, std::ios::binary);
  if (!in) Refuse(path, 0, "cannot read the catalogue file");
  std::ostringstream bytes;
  bytes << in.rdbuf();
  if (in.bad()) Refuse(path, 0, "cannot read the catalogue file");
  return std::move(bytes).str();
}

}  // namespace

std::vector<CatalogueEntry> ParseCatalogue(std::string_view text, const std::string& file) {
  const std::vector<CsvRecord> records = CsvRecords(text, file);
  if (records.empty()) Refuse(file, 0, "the catalogue is empty: its first line names the columns");
  const CsvRecord& head = records.front();
  const char* const columns[] = {"name", "expression", "bands", "citation", "notes"};
  std::size_t at[5];
  for (std::size_t c = 0; c < 5; ++c) {
    const auto found = std::find_if(head.fields.begin(), head.fields.end(),
                                    [&](const std::string& f) { return Lower(Trim(f)) == columns[c]; });
    if (found == head.fields.end())
      Refuse(file, head.line,
             std::string("the header row has no \"") + columns[c] +
                 "\" column (it names the columns name,expression,bands,citation,notes)");
    at[c] = static_cast<std::size_t>(found - head.fields.begin());
  }
  std::vector<CatalogueEntry> entries;
  for (std::size_t r = 1; r < records.size(); ++r) {
    const CsvRecord& record = records[r];
    if (record.fields.size() != head.fields.size())
      Refuse(file, record.line,
             "the record has " + std::to_string(record.fields.size()) + " fields where the header row has " +
                 std::to_string(head.fields.size()) + " (a field holding a comma must be in double quotes)");
    CatalogueEntry e;
    e.file = file;
    e.line = record.line;
    e.name = std::string(Trim(record.fields[at[0]]));
    e.expression = std::string(Trim(record.fields[at[1]]));
    e.bandsText = std::string(Trim(record.fields[at[2]]));
    e.citation = std::string(Trim(record.fields[at[3]]));
    e.notes = std::string(Trim(record.fields[at[4]]));
    if (e.name.empty()) Refuse(file, record.line, "a catalogue entry has no name");
    if (e.name.find(',') != std::string::npos || Lower(e.name) == "all")
      Refuse(file, record.line, EntryWhere(e.name) + ": a name holds no comma and is not \"all\"");
    for (const CatalogueEntry& other : entries)
      if (other.name == e.name)
        Refuse(file, record.line,
               EntryWhere(e.name) + " is defined twice (first on line " + std::to_string(other.line) + ")");
    e.bands = ParseBands(e.bandsText, e.name, file, record.line);
    std::vector<double> slots;
    ExpressionParser(e, slots);
    entries.push_back(std::move(e));
  }
  return entries;
}

std::vector<CatalogueEntry> LoadCatalogue(const std::string& userFile) {
  std::vector<CatalogueEntry> catalogue = ParseCatalogue(ShippedCatalogueText(), "share/index-catalogue.csv");
  if (userFile.empty()) return catalogue;
  for (CatalogueEntry& added : ParseCatalogue(ReadWhole(userFile), userFile)) {
    const auto same =
        std::find_if(catalogue.begin(), catalogue.end(), [&](const CatalogueEntry& e) { return e.name == added.name; });
    if (same != catalogue.end())
      *same = std::move(added);
    else
      catalogue.push_back(std::move(added));
  }
  return catalogue;
}

std::vector<CatalogueEntry> SelectCatalogueEntries(const std::vector<CatalogueEntry>& catalogue,
                                                   const std::string& names) {
  if (Lower(Trim(names)) == "all") return catalogue;
  std::vector<CatalogueEntry> chosen;
  std::size_t start = 0;
  for (;;) {
    const std::size_t comma = names.find(',', start);
    const std::string name(
        Trim(std::string_view(names).substr(start, comma == std::string::npos ? comma : comma - start)));
    const auto found =
        std::find_if(catalogue.begin(), catalogue.end(), [&](const CatalogueEntry& e) { return e.name == name; });
    if (found == catalogue.end()) {
      std::string known;
      for (const CatalogueEntry& e : catalogue) known += (known.empty() ? "" : ", ") + e.name;
      Fail("--catalogue: \"" + name + "\" is not an entry of the catalogue (entries: " + known + ")",
           FailureKind::Usage);
    }
    chosen.push_back(*found);
    if (comma == std::string::npos) break;
    start = comma + 1;
  }
  return chosen;
}

namespace {

// The rows of one band, found on the table.
std::vector<std::size_t> BandRows(const ReflectanceTable& table, const CatalogueEntry& entry,
                                  const CatalogueBand& band) {
  const std::size_t rows = table.Rows();
  const double first = table.First(), step = table.Step();
  const double lowest = std::min(first, table.wavelengths.back());
  const double highest = std::max(first, table.wavelengths.back());
  const std::string where = EntryWhere(entry.name) + ", band " + band.text;
  const std::string range = "the table runs from " + PlainNumber(lowest) + " to " + PlainNumber(highest) +
                            " nm (rows " + PlainNumber(std::fabs(step)) + " nm apart)";
  if (!(step != 0 && std::isfinite(step) && std::isfinite(first)))
    FailFile(table.path, "the wavelengths of the first two data rows do not rise, so no row can be found for " + where);
  if (band.single) {
    const double position = GridPosition(static_cast<float>(band.low), first, step);
    if (!(position >= 0 && position < static_cast<double>(rows)))
      FailFile(table.path, where + ": its wavelength lies outside the table; " + range);
    // As for the index file: a table with a missing or an added row would
    // give the value of another wavelength.
    const auto row = static_cast<std::size_t>(position);
    if (!(std::fabs(table.wavelengths[row] - band.low) <= std::fabs(step) / 2))
      FailFile(table.path, where + ": the row that should hold " + PlainNumber(band.low) + " nm holds " +
                               PlainNumber(table.wavelengths[row]) +
                               " nm; the table's rows are not evenly spaced (a row is missing or added)");
    return {row};
  }
  // Wavelengths as written carry a few decimals: a grid point counts as on
  // an edge within a millionth of a step.
  const double slack = std::fabs(step) * 1e-6;
  if (band.low < lowest - slack || band.high > highest + slack)
    FailFile(table.path, where + ": the band reaches beyond the table, so its mean would miss part of it; " + range);
  std::vector<std::size_t> inside;
  for (std::size_t r = 0; r < rows; ++r)
    if (table.wavelengths[r] >= band.low - slack && table.wavelengths[r] <= band.high + slack) inside.push_back(r);
  if (inside.empty()) FailFile(table.path, where + ": no grid point of the table lies inside the band; " + range);
  return inside;
}

}  // namespace

CatalogueValues ComputeCatalogue(const ReflectanceTable& table, const std::vector<CatalogueEntry>& entries) {
  const std::size_t columns = table.Columns();
  // Every band is found before any value is formed.
  std::vector<std::vector<std::vector<std::size_t>>> rows(entries.size());
  for (std::size_t j = 0; j < entries.size(); ++j)
    for (const CatalogueBand& band : entries[j].bands)
      rows[j].push_back(band.sensor.empty() ? BandRows(table, entries[j], band) : std::vector<std::size_t>{});

  CatalogueValues out;
  out.entries = entries.size();
  out.values.assign(columns * entries.size(), kNotFormed);
  std::vector<double> slots, means(columns);
  std::vector<bool> marked(columns);
  for (std::size_t j = 0; j < entries.size(); ++j) {
    const CatalogueEntry& entry = entries[j];
    const auto parser = ExpressionParser(entry, slots);
    // Band means, row by row over all columns; a 999 mark inside a band
    // leaves that column's band, and so its value, unformed.
    std::vector<std::vector<double>> bandValues(entry.bands.size());
    for (std::size_t b = 0; b < entry.bands.size(); ++b) {
      if (const CatalogueBand& band = entry.bands[b]; !band.sensor.empty()) {
        // Response-weighted; not formed where the table does not cover the
        // response or a mark lies under it.
        const ResponseBand& response = *ShippedSensor(band.sensor).Band(band.sensorBand);
        BandValues(table, PlaceBand(response, table.wavelengths), bandValues[b]);
        continue;
      }
      std::fill(means.begin(), means.end(), 0.0);
      std::fill(marked.begin(), marked.end(), false);
      for (const std::size_t r : rows[j][b]) {
        const std::span<const double> row = table.rows[r];
        for (std::size_t k = 0; k < columns; ++k) {
          if (row[k] == kNoIndexValue) marked[k] = true;
          means[k] += row[k];
        }
      }
      const double count = static_cast<double>(rows[j][b].size());
      bandValues[b].resize(columns);
      for (std::size_t k = 0; k < columns; ++k) bandValues[b][k] = marked[k] ? kNotFormed : means[k] / count;
    }
    for (std::size_t k = 0; k < columns; ++k) {
      bool formed = true;
      for (std::size_t b = 0; b < entry.bands.size(); ++b) {
        slots[b] = bandValues[b][k];
        formed = formed && !std::isnan(slots[b]);
      }
      if (!formed) continue;
      double value = kNotFormed;
      try {
        value = parser->Eval();
      } catch (const mu::Parser::exception_type&) {
        value = kNotFormed;  // muParser built to refuse a division by zero
      }
      if (std::isfinite(value)) out.values[k * entries.size() + j] = value;
    }
  }
  return out;
}

namespace {

constexpr std::string_view kLongHead = "path,label,date,time,index,value,bands,citation";

// The rows of column k, one per entry.
void AppendColumnRows(std::string& out, const ReflectanceTable& table, std::size_t k, const std::string& path,
                      const std::vector<CatalogueEntry>& entries, const CatalogueValues& values) {
  for (std::size_t j = 0; j < entries.size(); ++j) {
    AppendScanFields(out, table, k, path);
    AppendCsvField(out, entries[j].name);
    out += ',';
    const double value = values.Value(k, j);
    if (!std::isnan(value)) out += PlainNumber(value);
    out += ',';
    AppendCsvField(out, entries[j].bandsText);
    out += ',';
    AppendCsvField(out, entries[j].citation);
    out += kLineEnd;
  }
}

}  // namespace

std::string LongIndexText(const ReflectanceTable& table, const std::string& path,
                          const std::vector<CatalogueEntry>& entries, const CatalogueValues& values) {
  return LongTableText(kLongHead, table.Columns(), [&](std::string& out, std::size_t k) {
    AppendColumnRows(out, table, k, path, entries, values);
  });
}

void WriteLongIndexFile(const ReflectanceTable& table, const std::string& path,
                        const std::vector<CatalogueEntry>& entries, const CatalogueValues& values,
                        const std::string& out) {
  WriteLongTable(out, kLongHead, table.Columns(),
                 [&](std::string& text, std::size_t k) { AppendColumnRows(text, table, k, path, entries, values); });
}

}  // namespace corvelane
