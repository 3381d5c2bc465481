#include "instruments/scan_readers.h"

#include <algorithm>

#include "text/failure.h"
#include "text/text_input.h"
#include "instruments/file_label.h"
#include "text/line_reading.h"

namespace corvelane {

namespace {

void SetLabel(ScanRecord& out, const std::string& path, std::size_t line, std::string_view source,
              LabelSeparator sep) {
  const auto label = CutFileLabel(source, sep);
  if (!label) {
    FailAtText(path, line, Trim(source),
               "cannot cut a file label: no \".\" follows the last separator");
  }
  out.FileLabel.assign(*label);
}

void LabelFromFirstLine(ScanRecord& out, const std::string& path, std::string_view line1,
                        LabelSource labelSource) {
  if (labelSource == LabelSource::HeaderInfo)
    SetLabel(out, path, 1, line1, LabelSeparator::Path);
  else
    SetLabel(out, path, 0, path, LabelSeparator::Path);
}

void ReadUniSpecHeader(ScanLines& in, ScanRecord& out, LabelSource labelSource) {
  LabelFromFirstLine(out, in.Path(), in.Line("header line 1"), labelSource);
  in.Line("header line 2");
  const DateTimeText dt = UniSpecDateTime(in.Line("header line 3 (date and time)"));
  out.Date.assign(dt.date);
  out.Time.assign(dt.time);
  in.Skip(7, "header lines 4 to 10");
}

void ParseUniSpecOld(ScanLines& in, ScanRecord& out, LabelSource labelSource) {
  ReadUniSpecHeader(in, out, labelSource);
  for (int c = 0; c < 256; ++c) {
    const std::string_view t = Trim(in.Line("DATA lines (256 channels)"));
    std::size_t blank = t.size();
    while (blank > 0 && !IsBlank(t[blank - 1])) --blank;
    out.Target[c] = in.Number(t.substr(blank), "the target reading is not a number");
  }
  in.Skip(2, "the two lines between the DATA and PANEL blocks");
  for (int c = 0; c < 256; ++c) {
    const std::string_view t = Trim(in.Line("PANEL lines (256 channels)"));
    out.Panel[c] = in.Number(t, "the panel reading is not a number");
  }
}

void ParseUniSpecNew(ScanLines& in, ScanRecord& out, LabelSource labelSource) {
  ReadUniSpecHeader(in, out, labelSource);
  for (int c = 0; c < 256; ++c) {
    const std::string_view s = Trim(in.Line("channel lines (256 channels)"));
    std::size_t p = 0;
    while (p < s.size() && !IsBlank(s[p])) ++p;
    if (p == s.size()) in.FailHere(s, "the channel line has no blank after its wavelength");
    const std::string_view rest = Trim(s.substr(p));
    std::size_t q = 0;
    while (q < rest.size() && !IsBlank(rest[q])) ++q;
    if (q == rest.size()) {  // fewer than three fields: a reading is missing
      out.Target[c] = 999;
      out.Panel[c] = 0;
      continue;
    }
    const std::string_view t = Trim(rest.substr(0, q));
    const std::string_view u = Trim(rest.substr(q));
    // A damaged reading becomes 0 and does not stop the run.
    out.Target[c] = t == "." ? 0.0 : ParseNumber(t).value_or(0.0);
    out.Panel[c] = ParseNumber(u).value_or(0.0);
  }
}

void ParseUniSpecCompact(ScanLines& in, ScanRecord& out, LabelSource labelSource) {
  LabelFromFirstLine(out, in.Path(), in.Line("header line 1"), labelSource);
  out.Date.clear();
  out.Time.clear();
  in.Skip(3, "header lines 2 to 4");
  for (int c = 0; c < 256; ++c)
    out.Target[c] = in.Number(Trim(in.Line("value lines (256 channels)")), "the value is not a number");
}

// Target and panel of a GER data line: the middle field and the last field.
void GerSplit(ScanLines& in, std::string_view line, double& target, double& panel) {
  const std::string_view t = Trim(line);
  std::size_t f = 0;
  while (f < t.size() && !IsBlank(t[f])) ++f;
  std::size_t l = t.size();
  while (l > 0 && !IsBlank(t[l - 1])) --l;
  if (f == t.size() || l == 0 || l - 1 == f) {
    in.FailHere(t, "the data line needs three fields (wavelength, target, panel) separated by blanks");
  }
  target = in.Number(t.substr(f, l - 1 - f), "the target reading (middle field) is not a number");
  panel = in.Number(t.substr(l), "the panel reading (last field) is not a number");
}

void ParseGer(ScanLines& in, ScanRecord& out, bool ger2600) {
  in.Line("header line 1");
  const std::string_view line2 = in.Line("header line 2 (file name)");
  SetLabel(out, in.Path(), 2, line2, LabelSeparator::Blank);
  in.Line("header line 3");
  const std::string_view line4 = Trim(in.Line("header line 4 (date and time)"));
  out.Date.assign(Characters(line4, 7, 14));
  out.Time.assign(ger2600 ? Characters(line4, 14, 25) : Characters(line4, 15, 26));
  in.Skip(8, "header lines 5 to 12");
  if (!ger2600) {
    for (int c = 0; c < 512; ++c) GerSplit(in, in.Line("data lines (512 channels)"), out.Target[c], out.Panel[c]);
    return;
  }
  // GER 2600 files may hold fewer than 594 channels; each file starts from
  // zeroed readings so a short file never carries over an earlier file's values.
  std::string_view line;
  int c = 0;
  while (in.TryLine(line)) {
    if (c == 594) in.FailHere(line, "more than 594 data lines");
    GerSplit(in, line, out.Target[c], out.Panel[c]);
    ++c;
  }
}

}  // namespace

void ParseScan(const InstrumentVariant& variant, std::string_view text, bool truncated,
               const std::string& path, LabelSource labelSource, ScanRecord& out) {
  const auto n = static_cast<std::size_t>(variant.channelCount);
  out.Target.assign(n, 0.0);
  if (variant.format == Format::UniSpecCompact)
    out.Panel.clear();
  else
    out.Panel.assign(n, 0.0);
  out.Date.clear();
  out.Time.clear();
  ScanLines in(text, truncated, path);
  switch (variant.format) {
    case Format::UniSpecOld: ParseUniSpecOld(in, out, labelSource); break;
    case Format::UniSpecNew: ParseUniSpecNew(in, out, labelSource); break;
    case Format::UniSpecCompact: ParseUniSpecCompact(in, out, labelSource); break;
    case Format::Ger1500: ParseGer(in, out, false); break;
    case Format::Ger2600: ParseGer(in, out, true); break;
  }
}

void ReadScanFile(const InstrumentVariant& variant, const std::string& path, LabelSource labelSource,
                  ScanRecord& out, std::string& buffer) {
  bool truncated = false;
  if (auto error = ReadFileBounded(path, buffer, truncated)) FailFile(path, *error);
  ParseScan(variant, buffer, truncated, path, labelSource, out);
}

}  // namespace corvelane
