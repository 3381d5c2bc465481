#pragma once
// The conversion readers of the five single-channel scan formats.
#include <string>
#include <string_view>
#include <vector>

#include "instruments/variant.h"

namespace corvelane {

// What reading one scan file yields. For UniSpec-Compact files `Target` holds
// the file's one value per channel and `Panel` is empty.
struct ScanRecord {
  std::string FileLabel;
  std::string Date;
  std::string Time;
  std::vector<double> Target;  // variant.channelCount entries
  std::vector<double> Panel;
};

// Parses scan text already read from `path`. `truncated` tells that the text
// was cut at the read limit. Throws RunFailure naming the file, the line, the
// offending text and why. Every channel without a data line holds 0.
void ParseScan(const InstrumentVariant& variant, std::string_view text, bool truncated,
               const std::string& path, LabelSource labelSource, ScanRecord& out);

// Reads and parses `path`; `buffer` is reused between calls.
void ReadScanFile(const InstrumentVariant& variant, const std::string& path, LabelSource labelSource,
                  ScanRecord& out, std::string& buffer);

}  // namespace corvelane
