#pragma once
// What a scan's header says about the measurement, in the forms analysts
// join on: ISO dates, 24-hour times, the temperature at the header's full
// precision and the integration time. The wide tables keep the header's own
// texts; outputs meant for other tools (the long table, the quality report,
// spectral-library names) take these.
#include <string>
#include <string_view>

#include "instruments/variant.h"

namespace corvelane {

struct ScanFacts {
  std::string label;          // the scan's column label, as the wide tables write it
  std::string date;           // see IsoDate
  std::string time;           // see Time24
  std::string temperature;    // "DegreesC=21.472" gives "21.472"; empty when the header gives none
  std::string integrationMs;  // "Integration:  50 ms" gives "50"; empty when the header gives none
};

// "YYYY-MM-DD" for a month/day/year date with a four-digit year ("6/22/2018")
// or a date already in that form; otherwise the text as given. Two-digit
// years ("06/02/03") are left alone: their century is a guess.
std::string IsoDate(std::string_view headerDate);

// "HH:MM:SS" on the 24-hour clock for "H:MM[:SS[.frac]]" with or without
// AM/PM ("1:05:09 PM" gives "13:05:09"); fractional seconds are kept
// ("09:16:10.70"). Anything else is returned as given.
std::string Time24(std::string_view headerTime);

// The facts of one scan from its file text (only its header lines are
// looked at) and what its reader made of it. The label is the record's.
ScanFacts ReadScanFacts(std::string_view fileText, const ScanRecord& record);

}  // namespace corvelane
