// Reading scan and list files: numbers whatever the locale, lines whatever
// their ending, free-field items, bounded whole-file reads.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "convert/text_input.h"
#include "tests/test_support.h"

namespace corvelane {
namespace {

using testing::TempFolder;

TEST(ParseNumber, AcceptsDecimalNumbersWithPointSignAndExponent) {
  struct Case {
    std::string text;
    double value;
  };
  const Case cases[] = {
      {".5", 0.5},    {"0.", 0.0},       {"-3", -3.0},     {"+2", 2.0},       {"1e3", 1000.0},
      {"  7  ", 7.0}, {"\t7\t", 7.0},    {"1E-2", 0.01},   {"-.25", -0.25},   {"400.12", 400.12},
      {"0.", 0.0},    {"12345", 12345},  {"2.5e+2", 250},  {"-0", 0.0},       {"1e-400", 0.0},
  };
  for (const Case& c : cases) {
    const auto v = ParseNumber(c.text);
    ASSERT_TRUE(v.has_value()) << '"' << c.text << '"';
    EXPECT_EQ(*v, c.value) << '"' << c.text << '"';
    EXPECT_TRUE(IsNumber(c.text));
  }
}

TEST(ParseNumber, RejectsEverythingElse) {
  const std::string cases[] = {
      "abc", "", "   ", ".", "inf", "nan", "-inf", "+nan", "infinity",
      "1,5",        // the decimal comma of the test locale is not a separator here
      "0x10", "1e", "e5", "--1", "+-1", "1 2", "1.2.3", "12abc", "-", "+", "1e400",
      std::string("1\0", 2), std::string("\0" "1", 2), std::string("12\0" "34", 5),
  };
  for (const std::string& c : cases) EXPECT_FALSE(ParseNumber(c).has_value()) << '"' << c << '"';
}

TEST(Trim, RemovesBlanksAndTabsAtBothEnds) {
  EXPECT_EQ(Trim(" \t a b \t "), "a b");
  EXPECT_EQ(Trim("\t\t"), "");
  EXPECT_EQ(Trim(""), "");
  EXPECT_EQ(Trim("x"), "x");
  EXPECT_EQ(Trim("\r x \r"), "\r x \r");  // only blanks count
}

TEST(Characters, OneBasedPositionsShortenedAtTheEnd) {
  EXPECT_EQ(Characters("abcdefghij", 3, 5), "cde");
  EXPECT_EQ(Characters("abcdefghij", 8, 20), "hij");
  EXPECT_EQ(Characters("abc", 4, 10), "");
  EXPECT_EQ(Characters("abc", 0, 2), "");
  EXPECT_EQ(Characters("abc", 3, 3), "c");
}

std::vector<std::string> Lines(std::string_view text) {
  LineCursor cursor(text);
  std::vector<std::string> out;
  std::string_view line;
  while (cursor.Next(line)) {
    out.emplace_back(line);
    EXPECT_EQ(cursor.LineNumber(), out.size());
  }
  EXPECT_TRUE(cursor.AtEnd());
  return out;
}

using V = std::vector<std::string>;

TEST(LineCursor, EndsLinesAtCrLfCrOrLf) {
  EXPECT_EQ(Lines("a\r\nb\r\n"), (V{"a", "b"}));
  EXPECT_EQ(Lines("a\rb\r"), (V{"a", "b"}));
  EXPECT_EQ(Lines("a\nb\n"), (V{"a", "b"}));
  EXPECT_EQ(Lines("a\r\nb\rc\nd"), (V{"a", "b", "c", "d"}));
  EXPECT_EQ(Lines("a\n\rb"), (V{"a", "", "b"}));  // LF then a lone CR: an empty line between
  EXPECT_EQ(Lines("a\r\r\nb"), (V{"a", "", "b"}));
}

TEST(LineCursor, LastLineNeedsNoTerminatorAndGetsNoExtraEmptyLine) {
  EXPECT_EQ(Lines("a\r\nb"), (V{"a", "b"}));
  EXPECT_EQ(Lines("a\r\n\r\n"), (V{"a", ""}));
  EXPECT_EQ(Lines("\r\n"), (V{""}));
  EXPECT_EQ(Lines(""), V{});
  EXPECT_EQ(Lines("  only  "), (V{"  only  "}));
  EXPECT_EQ(Lines("x\r"), (V{"x"}));
}

TEST(LineCursor, KeepsBlanksAndOtherBytesInsideLines) {
  const std::string text = std::string(" a\tb \0c\r\n", 9) + "\xff\xfe";
  const V lines = Lines(text);
  ASSERT_EQ(lines.size(), 2u);
  EXPECT_EQ(lines[0], std::string(" a\tb \0c", 7));
  EXPECT_EQ(lines[1], "\xff\xfe");
}

struct Item {
  std::string text;
  std::size_t line;
  bool operator==(const Item&) const = default;
};
std::ostream& operator<<(std::ostream& o, const Item& i) { return o << '"' << i.text << "\"@" << i.line; }

std::vector<Item> Items(std::string_view text) {
  FreeFieldCursor cursor(text, 0, 0);
  std::vector<Item> out;
  std::string_view item;
  while (cursor.Next(item)) out.push_back({std::string(item), cursor.LineNumber()});
  EXPECT_TRUE(cursor.OnlyBlanksLeft());
  return out;
}

TEST(FreeFieldCursor, ItemsEndAtCommasBlanksAndLineEnds) {
  EXPECT_EQ(Items("1,2 3\r\n  4 ,5\n6\r7"),
            (std::vector<Item>{{"1", 1}, {"2", 1}, {"3", 1}, {"4", 2}, {"5", 2}, {"6", 3}, {"7", 4}}));
  EXPECT_EQ(Items("402.1, -3, 800\r\n403.9,\t5 ,  801  \r\n"),
            (std::vector<Item>{{"402.1", 1}, {"-3", 1}, {"800", 1}, {"403.9", 2}, {"5", 2}, {"801", 2}}));
}

TEST(FreeFieldCursor, EmptyItemsBetweenCommas) {
  EXPECT_EQ(Items("1,,2"), (std::vector<Item>{{"1", 1}, {"", 1}, {"2", 1}}));
  EXPECT_EQ(Items("x\r\n,,7"), (std::vector<Item>{{"x", 1}, {"", 2}, {"", 2}, {"7", 2}}));
  EXPECT_EQ(Items("1 , 2"), (std::vector<Item>{{"1", 1}, {"2", 1}}));  // blanks before a comma are no item
}

TEST(FreeFieldCursor, QuotedItemsKeepBlanksAndCommas) {
  EXPECT_EQ(Items("\"a b, c\",x\r\n\"q\" 5"),
            (std::vector<Item>{{"a b, c", 1}, {"x", 1}, {"q", 2}, {"5", 2}}));
}

TEST(FreeFieldCursor, BlankLinesAndTrailingBlanksAreSkipped) {
  EXPECT_EQ(Items("\r\n\r\n  \r\n 9 \r\n\r\n \t"), (std::vector<Item>{{"9", 4}}));
  EXPECT_EQ(Items(""), std::vector<Item>{});
  FreeFieldCursor cursor("5 \r\n x", 0, 0);
  std::string_view item;
  ASSERT_TRUE(cursor.Next(item));
  EXPECT_FALSE(cursor.OnlyBlanksLeft());
  ASSERT_TRUE(cursor.Next(item));
  EXPECT_EQ(item, "x");
  EXPECT_TRUE(cursor.OnlyBlanksLeft());
  EXPECT_FALSE(cursor.Next(item));
}

TEST(FreeFieldCursor, StartsWhereTheLineCursorStopped) {
  const std::string text = "header\r\nmore header\r\n1 2\r\n3 4\r\n";
  LineCursor lines(text);
  std::string_view line;
  lines.Next(line);
  lines.Next(line);
  FreeFieldCursor items(text, lines.Offset(), lines.LineNumber());
  std::string_view item;
  ASSERT_TRUE(items.Next(item));
  EXPECT_EQ(item, "1");
  EXPECT_EQ(items.LineNumber(), 3u);
  items.Next(item);
  items.Next(item);
  EXPECT_EQ(item, "3");
  EXPECT_EQ(items.LineNumber(), 4u);
}

TEST(ReadFileBounded, ReadsWholeFilesAndReportsWhatCannotBeRead) {
  TempFolder folder;
  std::string buffer = "stale";
  bool truncated = true;
  const std::string bytes = std::string("a\r\nb\0c", 6);
  EXPECT_FALSE(ReadFileBounded(folder.Write("f.txt", bytes), buffer, truncated).has_value());
  EXPECT_EQ(buffer, bytes);
  EXPECT_FALSE(truncated);

  EXPECT_FALSE(ReadFileBounded(folder.Write("empty.txt", ""), buffer, truncated).has_value());
  EXPECT_EQ(buffer, "");

  const auto missing = ReadFileBounded(folder.File("missing.txt"), buffer, truncated);
  ASSERT_TRUE(missing.has_value());
  EXPECT_FALSE(missing->empty());
  EXPECT_TRUE(ReadFileBounded(folder.Path().string(), buffer, truncated).has_value());
}

TEST(ReadFileBounded, StopsAtTheLimit) {
  TempFolder folder;
  const std::string path = folder.Write("big.txt", std::string(kMaxReadBytes + 1000, '7'));
  std::string buffer;
  bool truncated = false;
  EXPECT_FALSE(ReadFileBounded(path, buffer, truncated).has_value());
  EXPECT_TRUE(truncated);
  EXPECT_EQ(buffer.size(), kMaxReadBytes);

  const std::string exact = folder.Write("exact.txt", std::string(kMaxReadBytes, '7'));
  EXPECT_FALSE(ReadFileBounded(exact, buffer, truncated).has_value());
  EXPECT_FALSE(truncated);
  EXPECT_EQ(buffer.size(), kMaxReadBytes);
}

}  // namespace
}  // namespace corvelane
