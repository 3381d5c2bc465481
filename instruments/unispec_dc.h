#pragma once
// UniSpec-DC scan files (.spu): nine header lines and an empty line (ten
// header lines in all), then 256 lines "wavelength target panel", the target
// taken by channel 2 and the panel by channel 1 of the instrument.
#include <span>
#include <string>
#include <string_view>

namespace corvelane {

inline constexpr int kDcHeaderLines = 10;
inline constexpr int kDcChannels = 256;
// The instruments write status values instead of target readings into the
// last eight channels; 247 is the last spectral channel.
inline constexpr int kDcLastSpectralChannel = 247;

struct DcDateTime {
  std::string date;
  std::string time;
};

// Header line 3, trimmed: the date runs from character 14 to the first blank;
// the time is the rest of the line, trimmed, without a closing quote
// ("6/22/2018" and "3:36:29 PM"; "06/22/2018" and "15:36:29" on older files).
DcDateTime DcDateAndTime(std::string_view line3);

// The temperature text. Of header line 2, trimmed: its 8 characters from
// character 10, trimmed; the first 3 characters of that, or the first 2 when
// those 3 are not a number. When that text is not a number (blanks aside)
// and a header line holds "DegreesC=" directly followed by a number, the
// first 3 characters of that number (or 2 when 3 are not a number) instead.
std::string DcTemperature(std::span<const std::string_view> headerLines);

// The integration time of the header line "Integration:  50 ms" ("50");
// empty when no header line gives one.
std::string DcIntegrationMs(std::span<const std::string_view> headerLines);

// A dark scan says "Comment=DARKscan"; a scan the instrument corrected for
// the dark signal already names its dark file ("Dark=...").
struct DcDarkState {
  bool darkScan = false;
  bool corrected = false;
};
DcDarkState DcDarkStateOf(std::span<const std::string_view> headerLines);

struct DcReadings {
  double target = 0;
  double panel = 1;
};

// One data line: a missing or non-numeric target reads 0, a missing or
// non-numeric panel 1. The trimmed line must hold a blank and at most three
// fields.
enum class DcLineProblem { None, NoBlank, TooManyFields };
DcLineProblem SplitDcLine(std::string_view line, DcReadings& out) noexcept;

// The format's description is kUniSpecDcFormat (registry name "unispec-dc"):
// its reader yields the label, date, time and temperature, the 256 target
// readings (placed by channel 2, table 1) and panel readings (channel 1,
// table 0), spectralChannels 248 (the last eight channels hold status values
// of the instrument, whatever its firmware writes there), the dark state and
// integration time of the header, and each line's own wavelength when asked.

}  // namespace corvelane
