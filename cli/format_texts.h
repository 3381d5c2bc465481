#pragma once
// The command line's help and usage texts that name formats, taken from the
// registry so that a new format appears in them without an edit here.
#include <string>
#include <string_view>

#include "instruments/variant.h"

namespace corvelane::cli {

using FormatTest = bool (*)(const InstrumentVariant&);

// "unispec-old, unispec-new, ...": every format, in registry order.
std::string FormatList();
// The names of the formats that pass `test`: "a", "a and b", "a, b and c".
std::string CliNamesAnd(FormatTest test);
// The same joined by ", " only: "a, b".
std::string CliNamesCommas(FormatTest test);
// The default grids: "310,1130,1 for unispec-old, unispec-new and
// unispec-dc, 400,1000,1 otherwise" (the grid of most formats last, as
// "otherwise"; of two as common, the one named later in the registry).
std::string GridDefaults();

// The formats of the two-channel run's options (equations, transect header,
// reference correction).
inline bool TakesChannelEquations(const InstrumentVariant& v) { return v.window.channelEquations; }
inline bool TakesTransectHeader(const InstrumentVariant& v) { return v.window.transectHeaderBox; }
inline bool TakesReference(const InstrumentVariant& v) { return v.window.referenceControls; }

}  // namespace corvelane::cli
