#pragma once
// Hand-made scan files of the five single-channel formats, built line by line
// so that a test can replace any line before joining them, and the failure
// text a read of one ends with.
#include <algorithm>
#include <charconv>
#include <cstddef>
#include <filesystem>
#include <functional>
#include <initializer_list>
#include <string>
#include <utility>
#include <vector>

#include "tests/test_support.h"
#include "text/failure.h"

namespace corvelane::testing {

using Lines = std::vector<std::string>;
// The text of one reading (or wavelength) of channel c.
using Reading = std::function<std::string(int c)>;

inline std::string Num(int v) { return std::to_string(v); }
// Shortest text of v with a decimal point, whatever the locale.
inline std::string Dec(double v) {
  char buf[32];
  return std::string(buf, std::to_chars(buf, buf + sizeof buf, v).ptr);
}
inline Reading Always(const std::string& text) {
  return [text](int) { return text; };
}
// first + step * c.
inline Reading Rising(double first, double step) {
  return [=](int c) { return Dec(first + step * c); };
}
// `text` on every channel but the listed ones.
inline Reading Except(const std::string& text, std::vector<std::pair<int, std::string>> others) {
  return [=](int c) {
    for (const auto& [channel, t] : others)
      if (channel == c) return t;
    return text;
  };
}

struct Channels {
  Reading wavelength = Rising(300, 3);
  Reading target = Rising(1000, 1);
  Reading panel = Rising(2000, 1);
};

// Index of the line of channel 0 (line numbers are index + 1); the PANEL
// block of the old format starts at index 268.
constexpr std::size_t kUniSpecData = 10, kCompactData = 4, kGerData = 12;

// Old format: 10 header lines, "  wavelength   target " per channel, two
// separating lines, then one panel reading per line.
inline Lines OldLines(const Channels& ch = {}) {
  Lines l = {"C:\\DATA\\A0001.SPT", "UniSpec SN 1042", "Date & time: 02/14/03  10:22:05"};
  for (int k = 4; k <= 10; ++k) l.push_back("header line " + Num(k));
  for (int c = 0; c < 256; ++c) l.push_back("  " + ch.wavelength(c) + "   " + ch.target(c) + " ");
  l.push_back("Panel readings");
  l.push_back("");
  for (int c = 0; c < 256; ++c) l.push_back(" " + ch.panel(c));
  return l;
}

// New format: quoted header lines, "wavelength \ttarget \tpanel " per channel.
inline Lines NewLines(const Channels& ch = {}) {
  Lines l = {"\"File:       \\Storage Card\\ruby\\led00001.spu\"", "\"Remarks:    SW=UniSpec\"",
             "\"Time:       06/13/2022  15:42:15\""};
  for (int k = 4; k <= 10; ++k) l.push_back("\"Header " + Num(k) + "\"");
  for (int c = 0; c < 256; ++c) l.push_back(ch.wavelength(c) + " \t" + ch.target(c) + " \t" + ch.panel(c) + " ");
  return l;
}

// Compact: the name, three header lines, one value per channel.
inline Lines CompactLines(const Reading& value = [](int c) { return Num(c) + ".25"; }) {
  Lines l = {"C:\\DATA\\LEAF0001.SPT", "h2", "h3", "h4"};
  for (int c = 0; c < 256; ++c) l.push_back("  " + value(c) + "  ");
  return l;
}

// GER: 12 header lines (name on line 2, date and time on line 4), then
// "wavelength   target   panel" per channel.
inline Lines GerLines(int channels, const Channels& ch = {Rising(350, 1)}) {
  Lines l = {"GER SIGNATURE FILE", "GER1500 file name: SCAN0001.DAT", "instrument", "Date: 06/13/22 10:22:05.50"};
  for (int k = 5; k <= 12; ++k) l.push_back("header " + Num(k));
  for (int c = 0; c < channels; ++c) l.push_back(ch.wavelength(c) + "   " + ch.target(c) + "   " + ch.panel(c));
  return l;
}

// `lines` with some lines replaced: {index, new text}.
inline Lines With(Lines lines, std::initializer_list<std::pair<std::size_t, std::string>> edits) {
  for (const auto& [index, text] : edits) lines[index] = text;
  return lines;
}

// The first `count` lines.
inline Lines Head(Lines lines, std::size_t count) {
  lines.resize(count);
  return lines;
}

inline std::string Join(const Lines& lines, const std::string& eol = "\r\n") {
  std::string s;
  for (const auto& l : lines) s += l + eol;
  return s;
}

// The text of the RunFailure that reading (or running) throws, "" when none.
template <class Call>
std::string FailureOf(const Call& call) {
  try {
    call();
  } catch (const RunFailure& f) {
    return f.what();
  }
  return "";
}

// The real .spu scans in `sub` of the shared data folder, sorted; empty when
// the folder is absent (as on a user's machine).
inline std::vector<std::string> RealSpuFiles(const std::string& sub) {
  namespace fs = std::filesystem;
  std::vector<std::string> files;
  std::error_code ec;
  for (const auto& e : fs::directory_iterator(fs::path(RealDataFolder()) / sub, ec))
    if (e.path().extension() == ".spu") files.push_back(e.path().string());
  std::sort(files.begin(), files.end());
  return files;
}
inline std::vector<std::string> RealUniSpecNewFiles() { return RealSpuFiles("unispec-spu"); }

}  // namespace corvelane::testing
