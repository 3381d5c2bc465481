// Reading scan and list files: numbers whatever the locale, lines whatever
// their ending, free-field items, bounded whole-file reads.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <bit>
#include <charconv>
#include <chrono>
#include <cmath>
#include <cstdint>
#include <random>
#include <string>
#include <vector>

#include "tests/test_support.h"
#include "text/batch_read.h"
#include "text/failure.h"
#include "text/text_input.h"

namespace corvelane {
namespace {

using testing::TempFolder;
using V = std::vector<std::string>;

TEST(ParseNumber, DecimalNumbersWithPointSignAndExponentOnly) {
  struct Case {
    std::string text;
    double value;
  };
  const Case cases[] = {
      {".5", 0.5},      {"0.", 0.0},     {"-3", -3.0},   {"+2", 2.0},     {"1e3", 1000.0},
      {"  7  ", 7.0},   {"\t7\t", 7.0},  {"1E-2", 0.01}, {"-.25", -0.25}, {"400.12", 400.12},
      {"12345", 12345}, {"2.5e+2", 250}, {"-0", 0.0},    {"1e-400", 0.0},
  };
  for (const Case& c : cases) {
    const auto v = ParseNumber(c.text);
    ASSERT_TRUE(v.has_value()) << '"' << c.text << '"';
    EXPECT_EQ(*v, c.value) << '"' << c.text << '"';
    EXPECT_TRUE(IsNumber(c.text));
  }
  // "1,5": the decimal comma of the test locale is not a separator here.
  for (const std::string c : {"abc", "",   "   ", ".",   "inf", "nan",   "-inf",  "+nan", "infinity", "1,5",  "0x10",
                              "1e",  "e5", "--1", "+-1", "1 2", "1.2.3", "12abc", "-",    "+",        "1e400"})
    EXPECT_FALSE(ParseNumber(c).has_value()) << '"' << c << '"';
  for (const std::string& c : {std::string("1\0", 2), std::string("\0001", 2), std::string("12\00034", 5)})
    EXPECT_FALSE(ParseNumber(c).has_value()) << "a NUL inside";
  EXPECT_FALSE(ParseNumber(std::string_view()).has_value()) << "an empty view without data";
}

// Plain decimals take a short path; it must give exactly the value the
// general reader gives, bit for bit, including the last digit's rounding.
TEST(ParseNumber, PlainDecimalsReadExactlyAsTheGeneralReader) {
  std::mt19937_64 random(20260613);
  for (int i = 0; i < 2000000; ++i) {
    const int length = 1 + static_cast<int>(random() % 18);
    const int point = static_cast<int>(random() % static_cast<std::uint64_t>(length + 2)) - 1;
    std::string text = random() % 4 == 0 ? "-" : "";
    for (int d = 0; d < length; ++d) {
      if (d == point) text += '.';
      text += static_cast<char>('0' + random() % 10);
    }
    double expected = 0;
    const char* begin = text.data() + (text[0] == '-');
    const auto [end, ec] = std::from_chars(begin, text.data() + text.size(), expected);
    ASSERT_TRUE(ec == std::errc() && end == text.data() + text.size()) << text;
    if (text[0] == '-') expected = -expected;
    const auto v = ParseNumber(text);
    ASSERT_TRUE(v.has_value()) << text;
    ASSERT_EQ(std::bit_cast<std::uint64_t>(*v), std::bit_cast<std::uint64_t>(expected)) << text;
  }
  EXPECT_TRUE(std::signbit(*ParseNumber("-0.0")));
  EXPECT_EQ(*ParseNumber("0.1"), 0.1);
  EXPECT_EQ(*ParseNumber("123456789012345.6"), 123456789012345.6);  // 16 digits: the general path
}

TEST(TrimAndCharacters, BlanksAtBothEndsAndOneBasedPositionsShortenedAtTheEnd) {
  EXPECT_EQ(Trim(" \t a b \t "), "a b");
  EXPECT_EQ(Trim("\t\t"), "");
  EXPECT_EQ(Trim("\r x \r"), "\r x \r");  // only blanks count
  EXPECT_EQ(Characters("abcdefghij", 3, 5), "cde");
  EXPECT_EQ(Characters("abcdefghij", 8, 20), "hij");
  EXPECT_EQ(Characters("abc", 4, 10), "");
  EXPECT_EQ(Characters("abc", 0, 2), "");
  EXPECT_EQ(Characters("abc", 3, 3), "c");
}

TEST(LineCursor, EndsLinesAtCrLfCrOrLfAndTheLastLineNeedsNoEnd) {
  struct Case {
    std::string text;
    V lines;
  };
  const Case cases[] = {
      {"a\r\nb\r\n", {"a", "b"}},
      {"a\rb\r", {"a", "b"}},
      {"a\nb\n", {"a", "b"}},
      {"a\r\nb\rc\nd", {"a", "b", "c", "d"}},
      {"a\n\rb", {"a", "", "b"}},  // LF then a lone CR: an empty line between
      {"a\r\r\nb", {"a", "", "b"}},
      {"a\r\n\r\n", {"a", ""}},
      {"\r\n", {""}},
      {"", {}},
      {"  only  ", {"  only  "}},
      {std::string(" a\tb \0c\r\n\xff\xfe", 11), {std::string(" a\tb \0c", 7), "\xff\xfe"}},
  };
  for (const Case& c : cases) {
    LineCursor cursor(c.text);
    V lines;
    std::string_view line;
    while (cursor.Next(line)) {
      lines.emplace_back(line);
      EXPECT_EQ(cursor.LineNumber(), lines.size());
    }
    EXPECT_TRUE(cursor.AtEnd());
    EXPECT_EQ(lines, c.lines) << ::testing::PrintToString(c.text);
  }
}

// Splitting must stay linear for every line-end style: a 1 MB file of short
// LF-ended lines once took seconds where the same lines ended in CR LF took
// a millisecond.
TEST(LineCursor, SplitTimeDoesNotDependOnTheLineEndStyle) {
  const auto splitSeconds = [](const std::string& lineEnd) {
    std::string text;
    for (int i = 0; i < 100000; ++i) text += "12345678" + lineEnd;
    const auto t0 = std::chrono::steady_clock::now();
    LineCursor cursor(text);
    std::string_view line;
    std::size_t count = 0;
    while (cursor.Next(line)) count += line.size() == 8;
    EXPECT_EQ(count, 100000u) << ::testing::PrintToString(lineEnd);
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count();
  };
  const double crlf = splitSeconds("\r\n");
  for (const std::string lineEnd : {"\n", "\r"})
    EXPECT_LT(splitSeconds(lineEnd), 10 * crlf + 0.05) << ::testing::PrintToString(lineEnd);
}

struct Item {
  std::string text;
  std::size_t line;
  bool operator==(const Item&) const = default;
};
std::ostream& operator<<(std::ostream& o, const Item& i) { return o << '"' << i.text << "\"@" << i.line; }

TEST(FreeFieldCursor, ItemsEndAtCommasBlanksAndLineEnds) {
  struct Case {
    std::string text;
    std::vector<Item> items;
  };
  const Case cases[] = {
      {"1,2 3\r\n  4 ,5\n6\r7", {{"1", 1}, {"2", 1}, {"3", 1}, {"4", 2}, {"5", 2}, {"6", 3}, {"7", 4}}},
      {"402.1, -3, 800\r\n403.9,\t5 ,  801  \r\n",
       {{"402.1", 1}, {"-3", 1}, {"800", 1}, {"403.9", 2}, {"5", 2}, {"801", 2}}},
      {"1,,2", {{"1", 1}, {"", 1}, {"2", 1}}},  // an empty item between two commas
      {"x\r\n,,7", {{"x", 1}, {"", 2}, {"", 2}, {"7", 2}}},
      {"1 , 2", {{"1", 1}, {"2", 1}}},                                             // blanks before a comma are no item
      {"\"a b, c\",x\r\n\"q\" 5", {{"a b, c", 1}, {"x", 1}, {"q", 2}, {"5", 2}}},  // quotes keep blanks and commas
      {"\r\n\r\n  \r\n 9 \r\n\r\n \t", {{"9", 4}}},
      {"", {}},
  };
  for (const Case& c : cases) {
    FreeFieldCursor cursor(c.text, 0, 0);
    std::vector<Item> items;
    std::string_view item;
    while (cursor.Next(item)) items.push_back({std::string(item), cursor.LineNumber()});
    EXPECT_TRUE(cursor.OnlyBlanksLeft());
    EXPECT_EQ(items, c.items) << ::testing::PrintToString(c.text);
  }
  FreeFieldCursor cursor("5 \r\n x", 0, 0);
  std::string_view item;
  ASSERT_TRUE(cursor.Next(item));
  EXPECT_FALSE(cursor.OnlyBlanksLeft());
}

TEST(ReadFileBounded, ReadsWholeFilesUpToTheLimitAndReportsWhatCannotBeRead) {
  TempFolder folder;
  std::string buffer = "stale";
  bool truncated = true;
  const std::string bytes = std::string("a\r\nb\0c", 6);
  EXPECT_NO_THROW(ReadFileBounded(folder.Write("f.txt", bytes), buffer, truncated));
  EXPECT_EQ(buffer, bytes);
  EXPECT_FALSE(truncated);
  EXPECT_NO_THROW(ReadFileBounded(folder.Write("empty.txt", ""), buffer, truncated));
  EXPECT_EQ(buffer, "");

  // Failures name the file and why, as a run failure.
  const std::string missingPath = folder.File("missing.txt");
  try {
    ReadFileBounded(missingPath, buffer, truncated);
    ADD_FAILURE() << "a missing file was read";
  } catch (const RunFailure& f) {
    EXPECT_EQ(f.Kind(), FailureKind::Run);
    EXPECT_EQ(f.Place().file, missingPath);
    EXPECT_EQ(f.Why().rfind("cannot open the file: ", 0), 0u) << f.Why();
  }

  for (const std::size_t size : {kMaxReadBytes + 1000, kMaxReadBytes}) {
    EXPECT_NO_THROW(ReadFileBounded(folder.Write("big.txt", std::string(size, '7')), buffer, truncated));
    EXPECT_EQ(truncated, size > kMaxReadBytes) << size;
    EXPECT_EQ(buffer.size(), kMaxReadBytes);
  }
}

// A batch reads the ordinary scan files exactly as ReadFileBounded does and
// leaves everything else to it: a missing file, a folder, a pipe (without
// opening it, which would wait for a writer) and a file past the read limit.
// Where the system offers no io_uring the batch reads nothing.
TEST(BatchReader, ReadsOrdinaryFilesAsThePlainReadAndLeavesTheRestToIt) {
  TempFolder folder;
  const std::string fifo = folder.File("pipe");
  ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
  const std::string big = folder.Write("big.txt", std::string(kMaxReadBytes + 1, '7'));
  const std::vector<std::string> paths = {folder.Write("a.txt", std::string("a\r\nb\0c", 6)),
                                          folder.Write("empty.txt", ""),
                                          folder.File("missing.txt"),
                                          folder.Path().string(),
                                          fifo,
                                          big,
                                          folder.Write("b.spu", std::string(70000, 'b'))};
  const std::vector<bool> ordinary = {true, true, false, false, false, false, true};
  std::vector<const std::string*> pointers;
  for (const std::string& p : paths) pointers.push_back(&p);
  std::vector<std::string> buffers(paths.size(), "stale");
  std::vector<FileIdentity> identities(paths.size());
  bool read[BatchReader::kMaxBatch] = {};
  BatchReader batch;
  batch.Read(pointers, buffers, identities, std::span(read, paths.size()));
  for (std::size_t i = 0; i < paths.size(); ++i) {
    EXPECT_EQ(read[i], batch.Batches() && ordinary[i]) << paths[i];
    if (!read[i]) continue;
    std::string plain;
    bool truncated = true;
    FileIdentity identity;
    ReadFileBounded(paths[i], plain, truncated, &identity);
    EXPECT_EQ(buffers[i], plain) << paths[i];
    EXPECT_EQ(identities[i], identity) << paths[i];
  }
}

}  // namespace
}  // namespace corvelane
