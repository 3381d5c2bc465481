#pragma once
// Reading one scan file with its format's reader.
#include <string>
#include <string_view>

#include "instruments/variant.h"
#include "text/text_input.h"

namespace corvelane {

// Parses scan text already read from `path`. `truncated` tells that the text
// was cut at the read limit. Throws RunFailure naming the file, the line, the
// offending text and why. Every channel without a data line holds 0.
void ParseScan(const InstrumentVariant& variant, std::string_view text, bool truncated, const std::string& path,
               LabelSource labelSource, ScanRecord& out);

// Reads and parses `path`; `buffer` is reused between calls; `identity`,
// when given, takes the identity of the file read.
void ReadScanFile(const InstrumentVariant& variant, const std::string& path, LabelSource labelSource, ScanRecord& out,
                  std::string& buffer, FileIdentity* identity = nullptr);

}  // namespace corvelane
