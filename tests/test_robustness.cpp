// Damaged input never crashes a reader: mutated scans of every format go
// through the conversion reader, the file check and the preview reader, which
// must either succeed or report a failure. Inputs that once broke a reader
// are kept in tests/data/crashes and replayed here.
#include <gtest/gtest.h>

#include <filesystem>
#include <random>

#include "convert/file_check.h"
#include "convert/spectrum_preview.h"
#include "instruments/scan_readers.h"
#include "tests/test_support.h"
#include "text/failure.h"
#include "tools/scan_synth.h"

namespace corvelane {
namespace {

// Runs every reader of `v` over `text`; any exception but a RunFailure fails the test.
void ReadEverything(const InstrumentVariant& v, const std::string& text) {
  for (LabelSource label : {LabelSource::HeaderInfo, LabelSource::DataFileName}) {
    ScanRecord record;
    try {
      ParseScan(v, text, false, "C:\\SITE\\X.SPT", label, record);
      ASSERT_EQ(record.target.size(), static_cast<std::size_t>(v.channelCount));
    } catch (const RunFailure& f) {
      ASSERT_NE(std::string(f.what()).find("X.SPT"), std::string::npos) << f.what();
    }
    std::string errors;
    try {
      CheckScanText(v, text, false, "scan.txt", label, errors);
    } catch (const RunFailure&) {
    }
    ASSERT_TRUE(errors.empty() || errors.rfind("scan.txt", 0) == 0);
  }
  PreviewData data;
  try {
    ReadPreview(v, text, false, "scan.txt", data);
  } catch (const RunFailure& f) {
    ASSERT_NE(std::string(f.what()).find("scan.txt"), std::string::npos) << f.what();
    return;
  }
  std::vector<DrawOp> ops;
  AppendPreviewDrawing(v, data, ops);
  ASSERT_FALSE(ops.empty());
}

std::string Mutate(std::string text, std::mt19937& rng) {
  std::uniform_int_distribution<int> kind(0, 6);
  const int edits = 1 + static_cast<int>(rng() % 4);
  for (int e = 0; e < edits && !text.empty(); ++e) {
    const std::size_t at = rng() % text.size();
    switch (kind(rng)) {
      case 0: text[at] = static_cast<char>(rng() % 256); break;  // any byte, NUL included
      case 1: text.resize(at); break;                            // truncated
      case 2: text.erase(at, rng() % 200); break;                // a piece lost
      case 3: text.insert(at, std::string(rng() % 300, static_cast<char>(" \t,.-e\r\n0"[rng() % 10]))); break;
      case 4: text.insert(at, "-1e999 nan inf 0x1p3 ,,, \"\r\r\n"); break;
      case 5: text.replace(at, 1, "\n"); break;  // lone line ends
      case 6: {                                  // a line repeated
        const auto start = text.rfind('\n', at);
        const auto end = text.find('\n', at);
        if (start != std::string::npos && end != std::string::npos) text.insert(end, text.substr(start, end - start));
        break;
      }
    }
  }
  return text;
}

TEST(Robustness, MutatedScansOfEveryFormatNeverCrashAReader) {
  std::mt19937 rng(20261206);
  for (const auto& v : AllVariants()) {
    SCOPED_TRACE(std::string(v.cliName));
    const std::string clean = synth::ScanText(FormatOf(v), 7, "LEAF0007.SPT");
    ReadEverything(v, clean);
    for (int i = 0; i < 300; ++i) {
      ReadEverything(v, Mutate(clean, rng));
      if (::testing::Test::HasFatalFailure()) return;
    }
  }
}

TEST(Robustness, HostileWholeFilesGiveFailuresNotCrashes) {
  const std::vector<std::string> hostile = {
      "",
      std::string(1, '\0'),
      std::string(5000, '\0'),
      std::string(3 << 20, 'x'),  // one 3 MB line
      std::string(100000, '\n'),
      std::string(100000, '\r'),
      "\xEF\xBB\xBF\xFF\xFE not text \x80\x81\r\n",
      std::string(600, ' ') + "\r\n",
  };
  for (const auto& v : AllVariants())
    for (const auto& text : hostile) ReadEverything(v, text);
}

// The fuzzer's seeds (its corpus and the bundled samples) and every input
// that once broke a reader go through every reader of every format.
TEST(Robustness, FuzzSeedsAndFilesThatOnceBrokeAReaderAreReplayed) {
  namespace fs = std::filesystem;
  const auto replay = [](const fs::path& folder) {
    std::size_t replayed = 0;
    for (const auto& entry : fs::recursive_directory_iterator(folder)) {
      if (!entry.is_regular_file() || entry.path().filename() == ".keep") continue;
      SCOPED_TRACE(entry.path().string());
      const std::string text = testing::ReadAll(entry.path().string());
      for (const auto& v : AllVariants()) ReadEverything(v, text);
      ++replayed;
    }
    return replayed;
  };
  EXPECT_GE(replay(CORVELANE_FUZZ_CORPUS), 5u) << "the fuzz seed corpus is missing";
  EXPECT_GE(replay(CORVELANE_SAMPLES), 18u) << "the bundled samples are missing";
  replay(fs::path(CORVELANE_TEST_DATA) / "crashes");  // empty until the fuzzer finds something
}

}  // namespace
}  // namespace corvelane
