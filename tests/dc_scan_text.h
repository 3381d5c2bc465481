#pragma once
// Hand-made UniSpec-DC scan files in the instruments' own header layout, and
// the real DC scans of the shared data folder.
#include "tests/scan_text.h"
#include "tests/test_support.h"

namespace corvelane::testing {

// Nine quoted header lines, an empty line, then "wavelength \ttarget \tpanel "
// per channel. Lines 260 to 263 repeat A1..A4 of line 5 when `status` is set.
inline Lines DcLines(const Channels& ch = {Rising(300.9, 3.3), Rising(1000, 1), Rising(2000, 2)}, bool status = false) {
  Lines l = {"\"File:       \\Storage Card\\2018\\2018-06-22\\DHT_00001.spu\"",
             "\"Remarks:    SW=UnispecDCcf Version=1.5 Comment=Datascan\"",
             "\"Time:       6/22/2018 3:36:29 PM\"",
             "\"Limits:     300.9122 - 1150.804\"",
             "\"Environment:   DegreesC=20.984 BattV=7.098 A1=1 A2=3 A3=9 A4=12\"",
             "\"Minimum:    1118.0nm  72.44357\"",
             "\"Maximum:    553.7nm  46762.82\"",
             "\"Integration:  50 ms\"",
             "\"Number Scans: 10\"",
             ""};
  const std::array<const char*, 4> a = {"1", "3", "9", "12"};
  for (int c = 0; c < 256; ++c) {
    const std::string target = status && c >= 249 && c <= 252 ? a[static_cast<std::size_t>(c - 249)] : ch.target(c);
    l.push_back(ch.wavelength(c) + " \t" + target + " \t" + ch.panel(c) + " ");
  }
  return l;
}

inline std::vector<std::string> RealUniSpecDcFiles() { return RealSpuFiles("unispec-dc"); }

}  // namespace corvelane::testing
