// The ENVI spectral library: the pair read back by a reader of its own (the
// header's fields, every float32 against the table the same run writes),
// spectra names where labels repeat, per-channel runs, the quantities, the
// header's path, the requests refused, and where the library comes in a run.
#include <gtest/gtest.h>

#include <algorithm>
#include <bit>
#include <charconv>
#include <cmath>
#include <cstdint>
#include <filesystem>
#include <map>
#include <optional>
#include <set>
#include <string>
#include <vector>

#include "convert/conversion_job.h"
#include "convert/envi_library.h"
#include "tests/run_support.h"
#include "tests/scan_text.h"
#include "tests/test_support.h"
#include "text/failure.h"
#include "tools/dc_scan_synth.h"

namespace corvelane {
namespace {

namespace fs = std::filesystem;
using namespace testing;

// --- An ENVI reader of the test's own ---------------------------------------

std::string Trimmed(std::string_view s) {
  while (!s.empty() && (s.front() == ' ' || s.front() == '\t')) s.remove_prefix(1);
  while (!s.empty() && (s.back() == ' ' || s.back() == '\t' || s.back() == '\r')) s.remove_suffix(1);
  return std::string(s);
}

// The items of a braced list, line ends dropped and blanks trimmed.
std::vector<std::string> ListItems(std::string value) {
  std::erase(value, '\n');
  std::vector<std::string> items = Fields(value);
  for (std::string& item : items) item = Trimmed(item);
  return items;
}

struct EnviPair {
  std::string firstLine;
  std::map<std::string, std::string> fields;  // key -> value, braces removed
  std::vector<float> values;
  std::size_t Count(const std::string& key) const { return std::stoul(fields.at(key)); }
  std::vector<std::string> List(const std::string& key) const { return ListItems(fields.at(key)); }
};

// Reads "key = value" lines; a value in braces runs to its closing brace.
EnviPair ReadEnvi(const std::string& library, const std::string& header) {
  EnviPair pair;
  const std::string text = ReadAll(header);
  std::size_t at = text.find('\n');
  pair.firstLine = text.substr(0, at);
  while (at != std::string::npos && at + 1 < text.size()) {
    const std::size_t start = at + 1;
    const std::size_t eq = text.find('=', start);
    if (eq == std::string::npos) break;
    const std::string key = Trimmed(text.substr(start, eq - start));
    std::size_t v = eq + 1;
    while (v < text.size() && text[v] == ' ') ++v;
    if (v < text.size() && text[v] == '{') {
      const std::size_t close = text.find('}', v);
      pair.fields[key] = text.substr(v + 1, close - v - 1);
      at = text.find('\n', close);
    } else {
      at = text.find('\n', v);
      pair.fields[key] = Trimmed(text.substr(v, at - v));
    }
  }
  const std::string bytes = ReadAll(library);
  EXPECT_EQ(bytes.size() % 4, 0u);
  for (std::size_t i = 0; i + 4 <= bytes.size(); i += 4) {
    std::uint32_t bits = 0;
    for (int b = 0; b < 4; ++b) bits |= std::uint32_t(static_cast<unsigned char>(bytes[i + b])) << (8 * b);
    pair.values.push_back(std::bit_cast<float>(bits));
  }
  return pair;
}

// The data rows of a table the program wrote: wavelength, then one value per
// scan (fields between commas or blanks; rows holding anything else are heads).
std::vector<std::vector<double>> TableRows(const std::string& path) {
  std::vector<std::vector<double>> rows;
  for (std::string line : SplitCrLf(ReadAll(path))) {
    std::replace(line.begin(), line.end(), ',', ' ');
    std::vector<double> row;
    bool numbers = true;
    for (std::size_t i = line.find_first_not_of(' '); numbers && i != std::string::npos;
         i = line.find_first_not_of(' ', i)) {
      const std::size_t end = std::min(line.find(' ', i), line.size());
      row.push_back(0);
      const auto [p, ec] = std::from_chars(line.data() + i, line.data() + end, row.back());
      numbers = ec == std::errc() && p == line.data() + end;
      i = end;
    }
    if (numbers && row.size() > 1) rows.push_back(std::move(row));
  }
  return rows;
}

// Every float of the library is the table's value (scan s at row i); the
// table's 999 is NaN where `marks`. Returns how many NaNs it saw.
std::size_t ExpectValuesOfTable(const EnviPair& envi, const std::vector<std::vector<double>>& table, std::size_t scans,
                                bool marks = true) {
  const std::size_t samples = table.size();
  EXPECT_EQ(envi.values.size(), samples * scans);
  std::size_t nans = 0;
  for (std::size_t s = 0; s < scans && envi.values.size() == samples * scans; ++s)
    for (std::size_t i = 0; i < samples; ++i) {
      const double wide = table[i][s + 1];
      const float got = envi.values[s * samples + i];
      if (marks && wide == 999) {
        EXPECT_TRUE(std::isnan(got)) << "scan " << s << " row " << i;
        ++nans;
      } else {
        EXPECT_EQ(got, static_cast<float>(wide)) << "scan " << s << " row " << i;
      }
    }
  return nans;
}

// Old-format scans named <name> in folders of their own, each with its date.
std::vector<std::string> OldScans(const TempFolder& temp, const std::vector<std::pair<std::string, std::string>>& scans,
                                  const Channels& channels = {}) {
  std::vector<std::string> paths;
  static int n = 0;  // a folder of its own across calls too
  for (const auto& [name, date] : scans) {
    const fs::path folder = temp.Path() / ("day" + std::to_string(++n));
    fs::create_directories(folder);
    const std::string text = Join(With(OldLines(channels), {{2, "Date & time: " + date + "  10:22:05"}}));
    paths.push_back(temp.Write((folder / name).string(), text));
  }
  return paths;
}

// --- The pair read back -----------------------------------------------------

TEST(EnviLibraryReadBack, HeaderFieldsAndEveryFloatAreTheReflectanceTableWithMarksAsNaN) {
  const TempFolder temp;
  // The second scan's panel read 0 at two channels: its table holds 999 there.
  // The first two share a name: the spectra are named by date, a four-digit
  // year in ISO form (EnviSpectraNames counts repeats within a day).
  const Channels zeroPanel{.panel = Except("2000", {{10, "0"}, {11, "0"}})};
  auto scans = OldScans(temp, {{"a.spt", "06/22/2018"}, {"c.spt", "06/23/18"}});
  scans.insert(scans.begin() + 1, OldScans(temp, {{"a.spt", "06/23/2018"}}, zeroPanel).front());
  const auto run = RunCommand(
      "convert", temp.Path(),
      Then({"unispec-old", "--grid", "320,345,0.5", "--reflectance", "refl.txt", "--envi", "leaf.sli"}, scans));
  ASSERT_EQ(run.exit, 0) << run.err;
  const EnviPair envi = ReadEnvi(temp.File("leaf.sli"), temp.File("leaf.hdr"));
  EXPECT_EQ(envi.firstLine, "ENVI");
  EXPECT_EQ(envi.Count("samples"), 51u);
  EXPECT_EQ(envi.Count("lines"), 3u);
  for (const auto& [key, value] : std::map<std::string, std::string>{{"bands", "1"},
                                                                     {"header offset", "0"},
                                                                     {"file type", "ENVI Spectral Library"},
                                                                     {"data type", "4"},
                                                                     {"interleave", "bsq"},
                                                                     {"byte order", "0"},
                                                                     {"wavelength units", "Nanometers"}})
    EXPECT_EQ(envi.fields.count(key) ? envi.fields.at(key) : "(missing)", value) << key;
  const auto waves = envi.List("wavelength");
  ASSERT_EQ(waves.size(), 51u);
  EXPECT_EQ(waves[0], "320");
  EXPECT_EQ(waves[1], "320.5");
  EXPECT_EQ(waves[50], "345");
  EXPECT_EQ(envi.List("spectra names"), (std::vector<std::string>{"a.spt_2018-06-22", "a.spt_2018-06-23", "c.spt"}));
  EXPECT_TRUE(Has(envi.fields.at("description"), "NaN")) << envi.fields.at("description");
  const auto table = TableRows(temp.File("refl.txt"));
  ASSERT_EQ(table.size(), 51u);
  for (std::size_t i = 0; i < table.size(); ++i) EXPECT_EQ(waves[i], Dec(table[i][0])) << i;
  EXPECT_GT(ExpectValuesOfTable(envi, table, 3), 0u) << "the marked scan gives NaN";
}

// Without resampling, one sample per channel at its own wavelength. The raw
// readings hold no marks: a target that read 999 stays 999.
TEST(EnviLibraryReadBack, PerChannelRawTargetKeepsEachChannelsWavelengthAndAReadingOf999) {
  const TempFolder temp;
  const auto scans = OldScans(temp, {{"a.spt", "06/22/18"}, {"b.spt", "06/22/18"}},
                              {.wavelength = Rising(300.25, 3.3), .target = Except("1500", {{4, "999"}})});
  const auto run = RunCommand("convert", temp.Path(),
                              Then({"unispec-old", "--no-interpolate", "--target", "target.txt", "--envi", "t.sli",
                                    "--envi-quantity", "target"},
                                   scans));
  ASSERT_EQ(run.exit, 0) << run.err;
  const EnviPair envi = ReadEnvi(temp.File("t.sli"), temp.File("t.hdr"));
  EXPECT_EQ(envi.Count("samples"), 256u);
  const auto waves = envi.List("wavelength");
  ASSERT_EQ(waves.size(), 256u);
  EXPECT_EQ(waves[0], "300.25");
  EXPECT_EQ(waves[1], "303.55");
  EXPECT_EQ(waves[255], "1141.75");
  const auto table = TableRows(temp.File("target.txt"));
  ASSERT_EQ(table.size(), 256u);
  ExpectValuesOfTable(envi, table, 2, false);
  EXPECT_EQ(envi.values[4], 999.0f);
  EXPECT_EQ(envi.values[5], 1500.0f);
  EXPECT_FALSE(Has(envi.fields.at("description"), "NaN")) << envi.fields.at("description");
}

// A quantity whose table is not asked for is computed for the library; the
// tables written beside it stay byte for byte those of a run without it, and
// the long table holds none of its rows.
TEST(EnviLibraryReadBack, AbsorbanceWithoutItsTableAndTheOtherOutputsUnchanged) {
  const TempFolder temp;
  const auto scans = OldScans(temp, {{"a.spt", "06/22/18"}, {"b.spt", "06/22/18"}});
  const auto plain = RunCommand(
      "convert", temp.Path(),
      Then({"unispec-old", "--grid", "400,1000,1", "--reflectance", "plain.txt", "--absorbance", "abs.txt"}, scans));
  ASSERT_EQ(plain.exit, 0) << plain.err;
  const auto run = RunCommand("convert", temp.Path(),
                              Then({"unispec-old", "--grid", "400,1000,1", "--reflectance", "refl.txt", "--long",
                                    "long.csv", "--envi", "abs.sli", "--envi-quantity", "absorbance"},
                                   scans));
  ASSERT_EQ(run.exit, 0) << run.err;
  EXPECT_EQ(ReadAll(temp.File("refl.txt")), ReadAll(temp.File("plain.txt")));
  const auto table = TableRows(temp.File("abs.txt"));
  ASSERT_EQ(table.size(), 601u);
  ExpectValuesOfTable(ReadEnvi(temp.File("abs.sli"), temp.File("abs.hdr")), table, 2);
  const auto lines = SplitCrLf(ReadAll(temp.File("long.csv")));
  ASSERT_EQ(lines.size(), 1u + 2 * 601u);
  for (std::size_t i = 1; i < lines.size(); ++i) ASSERT_TRUE(Has(lines[i], ",reflectance,")) << lines[i];
}

// --- Spectra names ----------------------------------------------------------

TEST(EnviSpectraNames, RepeatedLabelsTakeTheDateThenACount) {
  struct Case {
    std::vector<std::string> labels, dates, expected;
  };
  const std::vector<Case> cases = {
      {{"a", "b"}, {"d1", "d1"}, {"a", "b"}},
      {{"a", "a", "b"}, {"d1", "d2", "d1"}, {"a_d1", "a_d2", "b"}},
      {{"a", "a", "a"}, {"d1", "d1", "d2"}, {"a_d1_1", "a_d1_2", "a_d2"}},
      {{"a", "a"}, {}, {"a_1", "a_2"}},
      // A numbered name that another scan already has is skipped.
      {{"x", "x", "x_1"}, {"", "", ""}, {"x_2", "x_3", "x_1"}},
      {{"p,q", "{r}"}, {"d", "d"}, {"p_q", "_r_"}},
  };
  for (const Case& c : cases) {
    const auto names = EnviSpectraNames(c.labels, c.dates);
    EXPECT_EQ(names, c.expected) << c.labels[0] << "...";
    EXPECT_EQ(std::set<std::string>(names.begin(), names.end()).size(), names.size());
  }
}

// --- Paths and refused requests ----------------------------------------------

TEST(EnviLibraryPaths, TheHeaderReplacesTheExtension) {
  for (const auto& [library, header] :
       std::vector<std::pair<std::string, std::string>>{{"lib.sli", "lib.hdr"},
                                                        {"out/lib.v2.sli", "out/lib.v2.hdr"},
                                                        {"lib", "lib.hdr"},
                                                        {"dir.d/lib", "dir.d/lib.hdr"},
                                                        {".sli", ".sli.hdr"},
                                                        {"lib.txt", "lib.hdr"}})
    EXPECT_EQ(EnviHeaderPath(library), header) << library;
  for (const char* refused : {"-", "/dev/stdout", "lib.hdr", ""})
    EXPECT_THROW(CheckEnviPath(refused), RunFailure) << refused;
}

TEST(EnviLibraryRequests, RefusedBeforeAnythingIsWritten) {
  const TempFolder temp;
  const auto old = OldScans(temp, {{"a.spt", "06/22/18"}});
  const auto compact = synth::WriteScans(temp.File("compact"), Format::UniSpecCompact, 1, "C");
  const auto dc = synth::WriteDcScans(temp.File("dc"), 1, "D");
  struct Refused {
    std::vector<std::string> args;
    const char* says;
  };
  const std::vector<Refused> refused = {
      {Then({"unispec-old", "--reflectance", "r.txt", "--envi-quantity", "absorbance"}, old), "--envi-quantity"},
      {Then({"unispec-old", "--reflectance", "r.txt", "--envi", "l.sli", "--envi-quantity", "ndvi"}, old), "ndvi"},
      {Then({"unispec-old", "--reflectance", "r.txt", "--envi", "l.sli", "--envi-quantity", "corrected"}, old),
       "--corrected"},
      {Then({"unispec-compact", "--waves", "equation=300,3,0", "--reflectance", "r.txt", "--envi", "l.sli",
             "--envi-quantity", "absorbance"},
            compact),
       "absorbance"},
      {Then({"unispec-old", "--reflectance", "r.txt", "--envi", "-"}, old), "standard output"},
      {Then({"unispec-old", "--reflectance", "r.txt", "--envi", "l.hdr"}, old), "header"},
      {Then({"unispec-old", "--reflectance", "r.hdr", "--envi", "r.sli"}, old), "r.hdr"},
      {Then({"unispec-dc", "--reflectance", "r.txt", "--envi", "l.sli", "--envi-quantity", "corrected"}, dc),
       "--corrected"},
  };
  for (const Refused& r : refused) {
    const auto run = RunCommand("convert", temp.Path(), r.args);
    EXPECT_TRUE(Exited(run, 2, {r.says})) << r.says;
    for (const char* file : {"r.txt", "r.hdr", "r.sli", "l.sli", "l.hdr"})
      EXPECT_FALSE(fs::exists(temp.File(file))) << r.says << ": " << file;
  }
}

// --- Where the library comes in a run ---------------------------------------

TEST(EnviLibraryInARun, LastAfterTheCorrectedFileWhoseValuesItHolds) {
  const TempFolder temp;
  ConversionJob job = DcReferenceJob(temp, 3);
  job.enviLibrary = EnviQuantity::Corrected;
  RecordingSink sink(temp);
  FixedAsker asker;
  RunJob(job, sink, asker);
  EXPECT_EQ(sink.calls,
            (std::vector<std::string>{"computed 1", "path reflectance", "written reflectance", "path corrected",
                                      "written corrected", "path lib.sli", "written lib.sli"}));
  const auto table = TableRows(temp.File("corrected"));
  ASSERT_EQ(table.size(), 21u);
  ExpectValuesOfTable(ReadEnvi(temp.File("lib.sli"), temp.File("lib.hdr")), table, 3);
}

// A declined `.ref` range leaves out the corrected file, not the library of
// the reflectance, which the `.ref` step must not have taken from the run.
TEST(EnviLibraryInARun, ADeclinedRefFileStillWritesTheReflectanceLibrary) {
  const TempFolder temp;
  ConversionJob job = DcReferenceJob(temp, 3);
  job.correctByScans = false;
  job.applyRefFile = true;
  job.enviLibrary = EnviQuantity::Reflectance;
  RecordingSink sink(temp);
  FixedAsker declines(HalfRefFile(temp), false);
  RunJob(job, sink, declines);
  EXPECT_EQ(sink.calls, (std::vector<std::string>{"computed 1", "path reflectance", "written reflectance", "declined",
                                                  "path lib.sli", "written lib.sli"}));
  ExpectValuesOfTable(ReadEnvi(temp.File("lib.sli"), temp.File("lib.hdr")), TableRows(temp.File("reflectance")), 3);
  // Accepted, the library is the same reflectance, after the `.ref` step.
  RecordingSink accepted(temp);
  FixedAsker accepts(temp.File("panel.ref"), true, temp.File("indices"));
  RunJob(job, accepted, accepts);
  EXPECT_EQ(accepted.calls.back(), "written lib.sli");
  ExpectValuesOfTable(ReadEnvi(temp.File("lib.sli"), temp.File("lib.hdr")), TableRows(temp.File("reflectance")), 3);
}

// Neither file may replace a scan, by whatever name it is reached; nothing
// of the library is written then.
TEST(EnviLibraryInARun, NeverReplacesAScan) {
  const TempFolder temp;
  ConversionJob job = DcReferenceJob(temp, 3);
  job.correctByScans = false;
  job.enviLibrary = EnviQuantity::Reflectance;
  const std::string scan = ReadAll(job.settings.files[1]);
  fs::create_hard_link(job.settings.files[1], temp.File("lib.hdr"));
  RecordingSink sink(temp);
  FixedAsker asker;
  EXPECT_THROW(RunJob(job, sink, asker), RunFailure);
  EXPECT_FALSE(fs::exists(temp.File("lib.sli")));
  EXPECT_EQ(ReadAll(job.settings.files[1]), scan);
  fs::remove(temp.File("lib.hdr"));
  const std::string linked = ReadAll(job.settings.files[2]);
  fs::create_symlink(job.settings.files[2], temp.File("lib.sli"));
  EXPECT_THROW(RunJob(job, sink, asker), RunFailure);
  EXPECT_FALSE(fs::exists(temp.File("lib.hdr")));
  EXPECT_EQ(ReadAll(job.settings.files[2]), linked);
}

}  // namespace
}  // namespace corvelane
