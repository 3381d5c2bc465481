// The long tables' shared writer: CSV fields that keep their rows whole, and
// a file of many megabytes written in pieces with the same bytes as the text.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "indices/long_table.h"
#include "tests/test_support.h"

namespace corvelane {
namespace {

using namespace testing;

TEST(LongTableFields, FieldsThatWouldSplitARowAreQuoted) {
  const struct {
    const char* field;
    const char* written;
  } cases[] = {
      {"plain text", "plain text"},
      {"", ""},
      {"a,b", "\"a,b\""},
      {"say \"hi\"", "\"say \"\"hi\"\"\""},
      {"two\r\nlines", "\"two\r\nlines\""},
      {"lf\nonly", "\"lf\nonly\""},
      {"cr\ronly", "\"cr\ronly\""},
  };
  for (const auto& c : cases) {
    std::string out = "x,";
    AppendCsvField(out, c.field);
    EXPECT_EQ(out, std::string("x,") + c.written) << c.field;
  }
}

TEST(LongTableFile, AFileOfSeveralPiecesHoldsTheSameBytesAsTheText) {
  // Columns of uneven size, so that pieces end anywhere in a row.
  const ColumnRowsWriter rows = [](std::string& out, std::size_t k) {
    for (std::size_t r = 0; r < 40 + k % 7; ++r) out += "scan " + std::to_string(k) + "," + std::to_string(r) + "\r\n";
  };
  const std::size_t columns = 9000;
  const std::string text = LongTableText("head,row", columns, rows);
  ASSERT_GT(text.size(), 3u << 20) << "the file must take several pieces";
  EXPECT_EQ(text.substr(0, 10), "head,row\r\n");
  TempFolder folder;
  const std::string path = folder.File("long.csv");
  WriteLongTable(path, "head,row", columns, rows);
  const std::string written = ReadAll(path);
  // Compared whole, not printed: a diff of megabytes would not end.
  EXPECT_EQ(written.size(), text.size());
  EXPECT_TRUE(written == text);
  // No columns: the head alone.
  WriteLongTable(path, "head,row", 0, rows);
  EXPECT_EQ(ReadAll(path), "head,row\r\n");
}

}  // namespace
}  // namespace corvelane
