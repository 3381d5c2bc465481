#pragma once
// The index catalogue: indices kept as data, each an arithmetic expression
// over named bands with its band definitions and its citation side by side.
// The shipped catalogue is share/index-catalogue.csv, built into the program;
// a user's catalogue file adds entries or replaces shipped ones by name.
//
// A band is a range "NIR=841-876", the mean of the reflectance at the grid
// points from 841 to 876 nm inclusive, or a single wavelength "R531=531",
// the value at the grid point the index run finds for it (grid steps from the
// table's first wavelength, halves to even). A band "NIR=sentinel-2a-msi:B8"
// is a shipped sensor's band weighted by its spectral response
// (indices/satellite_bands.h); where it is not computed for coverage, or
// holds a 999 mark, the entry's value is not formed.
#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

#include "indices/reflectance_reader.h"

namespace corvelane {

struct CatalogueBand {
  std::string name;
  double low = 0;   // nm
  double high = 0;  // nm; equal to low for a single wavelength
  bool single = false;
  std::string sensor;      // a satellite band: the shipped sensor's name
  std::string sensorBand;  // and its band; both empty otherwise
  std::string text;        // as written in the catalogue, "NIR=841-876"
};

struct CatalogueEntry {
  std::string name;
  std::string expression;
  std::string bandsText;  // the catalogue's field as written
  std::string citation;
  std::string notes;
  std::vector<CatalogueBand> bands;
  std::string file;      // where the entry was read, for messages
  std::size_t line = 0;  // physical line of its record (1-based)
};

// The text of share/index-catalogue.csv as built into the program.
std::string_view ShippedCatalogueText() noexcept;

// Reads a catalogue: an RFC 4180 table whose header row names the columns
// name, expression, bands, citation and notes (in any order; other columns
// are ignored), one entry per record. Throws RunFailure of kind Usage naming
// `file` and the line for a damaged table, a missing column, an empty or
// repeated name, a name holding a comma, a band that is not NAME=NM or
// NAME=LOW-HIGH with LOW <= HIGH or NAME=SENSOR:BAND of a shipped sensor,
// a repeated band name, an expression that
// does not parse, one that names something other than its bands, or one
// that assigns.
std::vector<CatalogueEntry> ParseCatalogue(std::string_view text, const std::string& file);

// The shipped entries, then those of `userFile` (when not empty): a user
// entry replaces the shipped one of the same name in its place, others are
// added at the end. Throws as ParseCatalogue, and RunFailure of kind Usage
// when the user file cannot be read.
std::vector<CatalogueEntry> LoadCatalogue(const std::string& userFile);

// The entries `names` asks for: "all", or names separated by commas (blanks
// around a name are ignored), in that order. Throws RunFailure of kind Usage
// naming an unknown name and listing the known ones.
std::vector<CatalogueEntry> SelectCatalogueEntries(const std::vector<CatalogueEntry>& catalogue,
                                                   const std::string& names);

// Values of every column and entry: Value(k, j); NaN where the value cannot
// be formed (a 999 mark inside a band, a zero denominator, anything not
// finite).
struct CatalogueValues {
  std::size_t entries = 0;
  std::vector<double> values;
  double Value(std::size_t column, std::size_t entry) const noexcept { return values[column * entries + entry]; }
};

// Every entry for every column of `table`. Every band of every entry is found
// on the table before any value is formed: a range with no grid point inside
// it or reaching beyond the table's wavelengths, or a single wavelength whose
// grid point lies outside the table or whose row stands more than half a step
// from it (a row missing or added), throws RunFailure (kind Run) naming the
// file, the entry, the band and the table's range.
CatalogueValues ComputeCatalogue(const ReflectanceTable& table, const std::vector<CatalogueEntry>& entries);

// The long index file: RFC 4180, lines ending in CR LF, the header row
// "path,label,date,time,index,value,bands,citation" and one row per column
// and entry, columns outer. `path` fills the path field of every row; a value
// that cannot be formed is an empty field.
std::string LongIndexText(const ReflectanceTable& table, const std::string& path,
                          const std::vector<CatalogueEntry>& entries, const CatalogueValues& values);
// The same text written to `out` under a temporary name and renamed into place.
void WriteLongIndexFile(const ReflectanceTable& table, const std::string& path,
                        const std::vector<CatalogueEntry>& entries, const CatalogueValues& values,
                        const std::string& out);

}  // namespace corvelane
