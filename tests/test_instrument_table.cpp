// inst.cof: loading, the default file, reading, adding, updating and
// deleting named two-channel calibrations.
#include <gtest/gtest.h>

#include <filesystem>
#include <optional>

#include "calibration/instrument_table.h"
#include "tests/test_support.h"
#include "text/failure.h"

namespace corvelane {
namespace {

using namespace testing;
namespace fs = std::filesystem;

const std::array<std::string, 6> kX = {"300", "3.3", "-0.0003", "301", "3.31", "-0.0004"};

TEST(InstrumentFile, MissingFileIsReplacedByTheDefaultWithTwoInstruments) {
  TempFolder folder;
  const std::string path = InstrumentFilePath(folder.Path().string());
  const auto records = LoadInstruments(path);
  ASSERT_EQ(records.size(), 2u);
  EXPECT_EQ(records[0].name, "DC 1");
  EXPECT_EQ(records[1].name, "DC 2");
  EXPECT_EQ(ReadAll(path),
            "Data:\r\n"
            "DC 1, 301.1004976 , 3.326823976 ,-0.0002851923768 , 301.2242815 , 3.332275231 ,-0.0003061076534 ,\r\n"
            "DC 2, 300.5829261 , 3.325460401 ,-0.0002928427608 , 301.0290324 , 3.333019474 ,-0.0003356843766 ,\r\n"
            "end");
  const InstrumentRecord dc2 = ReadInstrument(path, 1);
  EXPECT_EQ(dc2.coefficients[0], "300.5829261");
  const auto values = InstrumentCoefficients(dc2);
  ASSERT_TRUE(values);
  EXPECT_DOUBLE_EQ((*values)[5], -0.0003356843766);
  EXPECT_FALSE(EnsureInstrumentFile(path));  // an existing file is never replaced
  // An addition goes before "end", which keeps its missing line end.
  AddInstrument(path, "X", kX);
  EXPECT_EQ(LoadInstruments(path).at(2).name, "X");
  EXPECT_EQ(ReadAll(path).substr(ReadAll(path).size() - 5), "\r\nend");
}

TEST(InstrumentFile, CommentLinesBeforeTheMarkerAreSkippedAndKeptByEveryRewrite) {
  TempFolder folder;
  const std::string original =
      "calibrated 2018-05-02\r\n"
      "Data sheet numbers below\r\n"  // starts with "Data": this is the marker
      "U1,1,2,3,4,5,6,\r\n"
      "\r\n"
      "U2 , 7 , 8 , 9 , 10 , 11 , 12 ,\r\n"
      "end\r\n"
      "notes after the end\r\n";
  const std::string path = folder.Write("inst.cof", original);
  auto records = LoadInstruments(path);
  ASSERT_EQ(records.size(), 2u);
  EXPECT_EQ(records[1].name, "U2");
  EXPECT_EQ(records[1].coefficients[5], "12");
  EXPECT_EQ(ReadInstrument(path, 0).coefficients[0], "1");
  EXPECT_THROW(ReadInstrument(path, 2), RunFailure);

  AddInstrument(path, "X", kX);
  EXPECT_EQ(ReadAll(path),
            "calibrated 2018-05-02\r\nData sheet numbers below\r\nU1,1,2,3,4,5,6,\r\n\r\n"
            "U2 , 7 , 8 , 9 , 10 , 11 , 12 ,\r\n"
            "X,300         ,3.3          ,-0.0003      ,301          ,3.31         ,-0.0004      ,\r\n"
            "end\r\nnotes after the end\r\n");

  ASSERT_TRUE(UpdateInstrument(path, " U2 ", {"70", "80", "90", "100", "110", "120"}));
  records = LoadInstruments(path);
  ASSERT_EQ(records.size(), 3u);
  EXPECT_EQ(records[1].coefficients[0], "70");
  EXPECT_EQ(records[2].name, "X");

  ASSERT_TRUE(DeleteInstrument(path, "U1"));
  EXPECT_EQ(ReadAll(path),
            "calibrated 2018-05-02\r\nData sheet numbers below\r\n\r\n"
            "U2,70         ,80           ,90           ,100          ,110          ,120          ,\r\n"
            "X,300         ,3.3          ,-0.0003      ,301          ,3.31         ,-0.0004      ,\r\n"
            "end\r\nnotes after the end\r\n");
}

TEST(InstrumentFile, MoreThanSixRecordsAllLoadAndEditingOneKeepsTheOthers) {
  TempFolder folder;
  std::string text = "Data:\n";
  for (int i = 1; i <= 9; ++i) text += "I" + std::to_string(i) + ",1,2,3,4,5,6,\n";
  text += "end";
  const std::string path = folder.Write("inst.cof", text);
  ASSERT_EQ(LoadInstruments(path).size(), 9u);
  EXPECT_EQ(ReadInstrument(path, 8).name, "I9");
  ASSERT_TRUE(UpdateInstrument(path, "I8", kX));
  const auto records = LoadInstruments(path);
  ASSERT_EQ(records.size(), 9u);
  EXPECT_EQ(records[7].coefficients[2], "-0.0003");
  // The file keeps its own line ends on untouched lines and on the rewritten one.
  EXPECT_NE(ReadAll(path).find("-0.0004      ,\nI9,1,2,3,4,5,6,\nend"), std::string::npos);
}

// Names are one name whatever their letter case, and every coefficient is a
// number: a second "dc 2", a "3o1.5" or a text that would break the table
// never reaches it, and the file stays untouched.
TEST(InstrumentFile, UnknownNamesDuplicatesAndBadTextsLeaveTheFileUntouched) {
  TempFolder folder;
  const std::string path = InstrumentFilePath(folder.Path().string());
  EnsureInstrumentFile(path);
  const std::string before = ReadAll(path);
  EXPECT_FALSE(UpdateInstrument(path, "dc 1", kX));  // letter case counts
  EXPECT_FALSE(DeleteInstrument(path, "DC 3"));
  for (const std::string name : {"", "  ", "end", "a,b", "two\nlines"}) {
    EXPECT_THROW(AddInstrument(path, name, kX), RunFailure) << name;
  }
  for (const std::string name : {"DC 2", "dc 2", " Dc 2 "}) {
    try {
      AddInstrument(path, name, kX);
      ADD_FAILURE() << name << " was added";
    } catch (const RunFailure& f) {
      EXPECT_EQ(f.Kind(), FailureKind::Usage) << name;
      EXPECT_NE(f.Why().find("\"DC 2\""), std::string::npos) << f.Why();
    }
  }
  for (const std::string coefficient : {"3o1.5", "", "  ", "abc", "1,5"}) {
    auto bad = kX;
    bad[1] = coefficient;
    EXPECT_THROW(AddInstrument(path, "New", bad), RunFailure) << coefficient;
    EXPECT_THROW(UpdateInstrument(path, "DC 1", bad), RunFailure) << coefficient;
    EXPECT_THROW(UpdateInstrumentAt(path, 0, "DC 1", bad), RunFailure) << coefficient;
  }
  EXPECT_EQ(ReadAll(path), before);
  EXPECT_FALSE(std::filesystem::exists(InstrumentBackupPath(path))) << "nothing was rewritten";
  EXPECT_EQ(FindInstrumentName(LoadInstruments(path), "dc 1"), std::optional<std::size_t>(0));
  EXPECT_FALSE(FindInstrument(LoadInstruments(path), "dc 1"));  // the exact lookup of --instrument stays exact
  // A file without the marker holds no instruments and is not appended to.
  const std::string noMarker = folder.Write("other.cof", "U1,1,2,3,4,5,6,\r\nend");
  EXPECT_TRUE(LoadInstruments(noMarker).empty());
  EXPECT_THROW(AddInstrument(noMarker, "Y", kX), RunFailure);
}

// A list shows records, not names: a table holding one name twice (written
// by hand or by an older program) has its selected record changed, and every
// rewrite keeps the file as it stood in inst.cof.bak.
TEST(InstrumentFile, UpdateAndDeleteByPlaceActOnThatRecordAndKeepABackup) {
  TempFolder folder;
  const std::string original =
      "Data:\r\n"
      "DC 1,1,2,3,4,5,6,\r\n"
      "DC 2,7,8,9,10,11,12,\r\n"
      "DC 2,3,0,1,5,0,0,\r\n"
      "end";
  const std::string path = folder.Write("inst.cof", original);
  ASSERT_TRUE(DeleteInstrumentAt(path, 2, "DC 2"));
  EXPECT_EQ(ReadAll(InstrumentBackupPath(path)), original);
  auto records = LoadInstruments(path);
  ASSERT_EQ(records.size(), 2u);
  EXPECT_EQ(records[1].coefficients[0], "7") << "the first DC 2 stays";

  const std::string beforeUpdate = ReadAll(path);
  ASSERT_TRUE(UpdateInstrumentAt(path, 1, " DC 2 ", kX));
  EXPECT_EQ(ReadAll(InstrumentBackupPath(path)), beforeUpdate);
  records = LoadInstruments(path);
  EXPECT_EQ(records[1].coefficients, kX);
  EXPECT_EQ(records[0].coefficients[0], "1");

  // A record that is no longer where the list showed it is left alone.
  const std::string now = ReadAll(path);
  EXPECT_FALSE(UpdateInstrumentAt(path, 0, "DC 2", kX));
  EXPECT_FALSE(DeleteInstrumentAt(path, 5, "DC 1"));
  EXPECT_EQ(ReadAll(path), now);

  AddInstrument(path, "DC 3", kX);
  EXPECT_EQ(ReadAll(InstrumentBackupPath(path)), now);
}

TEST(InstrumentFile, ShortAndNonNumericRecordsGiveNoCoefficientsAndAnUnreadableFileIsNotReplaced) {
  TempFolder folder;
  const std::string path = folder.Write("inst.cof", "Data:\r\nShort,1,2,\r\nWords,a,b,c,d,e,f,\r\nend");
  const auto records = LoadInstruments(path);
  ASSERT_EQ(records.size(), 2u);
  EXPECT_EQ(records[0].fieldCount, 3u);
  EXPECT_EQ(records[0].coefficients[2], "");
  EXPECT_FALSE(InstrumentCoefficients(records[0]));
  EXPECT_FALSE(InstrumentCoefficients(records[1]));
  // A file that cannot be read is reported, not replaced.
  const std::string folderPath = folder.File("inst.d");
  fs::create_directory(folderPath);
  EXPECT_THROW(LoadInstruments(folderPath), RunFailure);
  EXPECT_TRUE(fs::is_directory(folderPath));
}

}  // namespace
}  // namespace corvelane
