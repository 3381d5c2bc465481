// The transect header block and the "Label: value" files the command line
// reads for both header windows.
#include <gtest/gtest.h>

#include "headers/label_value_file.h"
#include "headers/transect_header.h"
#include "tests/test_support.h"
#include "text/failure.h"

namespace corvelane {
namespace {

using namespace testing;

TEST(TransectHeader, ThirtyNineLinesWithPerScanNamesTimesAndTemperatures) {
  TransectHeaderTexts texts;
  texts[0] = "Site 4 transect";
  texts[8] = "tram";
  texts[25] = "wet, windy";  // a comma is written unchanged
  // As the run writes it: the block's rows, each scan's label, time and
  // temperature directly followed by ",".
  const HeaderBlock block = TransectHeaderBlock(texts);
  EXPECT_EQ(block.perScanHeads, (std::array<int, 3>{0, 2, 3}));
  const std::vector<std::string> names = {"a.spu", "b.spu", "c.spu"}, times = {"3:36:29 PM", "3:37:01 PM", "15:40:00"},
                                 temperatures = {"20.", "21.", "7 "};
  std::string out;
  AppendHeaderBlock(out, block.rows, {&names, &times, &temperatures}, block.zoneFill);
  const auto lines = SplitCrLf(out);
  ASSERT_EQ(lines.size(), 39u);
  EXPECT_EQ(out.substr(out.size() - 2), "\r\n");
  EXPECT_EQ(lines[0], "Data Information:,");
  EXPECT_EQ(lines[1], "File name:,Site 4 transect");
  EXPECT_EQ(lines[2], "Data Format:,");
  EXPECT_EQ(lines[8], "Instrument parameters, ");
  EXPECT_EQ(lines[10], "Platform (ground/tram/aircraft),tram");
  EXPECT_EQ(lines[15], "Transect Specific information:, ");
  EXPECT_EQ(lines[26], " , ");
  EXPECT_EQ(lines[29], "Cautions:,\"wet, windy\"");  // one quoted field
  EXPECT_EQ(lines[30], " ,");
  EXPECT_EQ(lines[35], "Original file name:,a.spu,b.spu,c.spu,");
  EXPECT_EQ(lines[36], "Collection time (PST),3:36:29 PM,3:37:01 PM,15:40:00,");
  EXPECT_EQ(lines[37], "Additional information:,");
  EXPECT_EQ(lines[38], "Temp C,20.,21.,7 ,");
}

TEST(TransectHeaderFile, FollowsTheLabelValueRules) {
  struct Case {
    std::string text;
    std::size_t box;       // transect box checked
    std::string expected;  // its value, or the start of the error
    bool fails;
  };
  const Case cases[] = {
      {"File name: Site 4 transect\r\n", 0, "Site 4 transect", false},    // the caption's colon is not the label's
      {"  gps AT 0M :  68.63N 149.60W \n", 15, "68.63N 149.60W", false},  // letter case does not count
      {"Data proc. date: 2018-06-22 15:00:01\n", 6, "2018-06-22 15:00:01", false},
      {"FOV: 20\r# comment\r\n\nFOV: 25\n", 10, "25", false},  // the last of two wins
      {"   # FOV: 20\nFOV:\n", 10, "", false},                 // a comment after blanks
      {"data format?: ascii\n", 1, "ascii", false},
      {"FOV: 20\nSite 4\n", 0, "line 2: expected \"Label: value\"", true},
      {"\n\nFavourite colour: green\n", 0, "line 3: unknown label \"Favourite colour\"", true},
      {"Collection site: ridge\n", 0, "line 1: unknown label", true},  // a leaf label
  };
  const auto& captions = TransectHeaderBoxLabels();
  for (const Case& c : cases) {
    SCOPED_TRACE(c.text);
    try {
      const std::vector<std::string> values = ParseLabelValueText(c.text, captions, "t.txt");
      EXPECT_FALSE(c.fails) << "accepted";
      ASSERT_EQ(values.size(), captions.size());
      EXPECT_EQ(values[c.box], c.expected);
    } catch (const RunFailure& f) {
      EXPECT_TRUE(c.fails) << f.what();
      EXPECT_EQ(f.Kind(), FailureKind::Usage);
      EXPECT_EQ(f.Place().file, "t.txt");
      EXPECT_EQ(f.Why().rfind(c.expected, 0), 0u) << f.Why();
    }
  }
}

}  // namespace
}  // namespace corvelane
