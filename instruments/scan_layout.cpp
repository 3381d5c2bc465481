#include "instruments/scan_layout.h"

#include <limits>

#include "text/numeric_text.h"
#include "text/text_input.h"

namespace corvelane {

void SetLabel(ScanRecord& out, const std::string& path, std::size_t line, std::string_view source, LabelSeparator sep) {
  const auto label = CutFileLabel(source, sep);
  if (!label) {
    FailAtText(path, line, Trim(source), "cannot cut a file label: no \".\" follows the last separator");
  }
  out.fileLabel.assign(*label);
}

void ReadUniSpecHeader(ScanLines& in, ScanRecord& out, LabelSource labelSource) {
  const std::string_view line1 = in.Line("header line 1");
  if (labelSource == LabelSource::HeaderInfo)
    SetLabel(out, in.Path(), 1, line1, LabelSeparator::Path);
  else
    SetLabel(out, in.Path(), 0, in.Path(), LabelSeparator::Path);
  in.Line("header line 2");
  const DateTimeText dt = UniSpecDateTime(in.Line("header line 3 (date and time)"));
  out.date.assign(dt.date);
  out.time.assign(dt.time);
  in.Skip(7, "header lines 4 to 10");
}

ThreeFields SplitThreeFields(std::string_view line) noexcept {
  ThreeFields f;
  const std::string_view t = Trim(line);
  std::size_t p = 0;
  while (p < t.size() && !IsBlank(t[p])) ++p;
  f.first = t.substr(0, p);
  if (p == t.size()) {
    f.count = 1;
    return f;
  }
  const std::string_view rest = Trim(t.substr(p));
  std::size_t q = 0;
  while (q < rest.size() && !IsBlank(rest[q])) ++q;
  if (q == rest.size()) {
    f.count = 2;
    f.second = rest;
    return f;
  }
  f.count = 3;
  f.second = Trim(rest.substr(0, q));
  f.third = Trim(rest.substr(q));
  return f;
}

double OwnWavelength(std::string_view t) noexcept {
  std::size_t blank = 0;
  while (blank < t.size() && !IsBlank(t[blank])) ++blank;
  if (blank == t.size()) return std::numeric_limits<double>::quiet_NaN();
  return ParseNumber(t.substr(0, blank)).value_or(std::numeric_limits<double>::quiet_NaN());
}

void SplitGerLine(ScanLines& in, std::string_view line, double& target, double& panel, double* wave) {
  const std::string_view t = Trim(line);
  if (wave) *wave = OwnWavelength(t);
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

void ReadGerHeader(ScanLines& in, ScanRecord& out, GerTimeColumns time) {
  in.Line("header line 1");
  const std::string_view line2 = in.Line("header line 2 (file name)");
  SetLabel(out, in.Path(), 2, line2, LabelSeparator::Blank);
  in.Line("header line 3");
  const std::string_view line4 = Trim(in.Line("header line 4 (date and time)"));
  out.date.assign(Characters(line4, 7, 14));
  out.time.assign(Characters(line4, time.first, time.last));
  in.Skip(8, "header lines 5 to 12");
}

void ReadGerData(ScanLines& in, std::span<double> target, std::span<double> panel, std::size_t fixed,
                 std::span<double> waves) {
  if (fixed > 0) {
    const std::string what = "data lines (" + std::to_string(fixed) + " channels)";
    for (std::size_t c = 0; c < fixed; ++c)
      SplitGerLine(in, in.Line(what.c_str()), target[c], panel[c], waves.empty() ? nullptr : &waves[c]);
    return;
  }
  // Files of variable length: every line to the end; the channels a short
  // file does not reach keep the zeros they start with.
  std::string_view line;
  std::size_t c = 0;
  while (in.TryLine(line)) {
    if (c == target.size()) in.FailHere(line, ("more than " + std::to_string(target.size()) + " data lines").c_str());
    SplitGerLine(in, line, target[c], panel[c]);
    ++c;
  }
}

std::size_t FirstFieldWavelengths(ScanLines& in, int headerLines, std::span<double> table) {
  in.Skip(headerLines, "the header lines");
  for (double& w : table) {
    const std::string_view t = Trim(in.Line("the channel lines"));
    std::size_t blank = 0;
    while (blank < t.size() && !IsBlank(t[blank])) ++blank;
    if (blank == t.size()) in.FailHere(t, "no blank follows the wavelength");
    w = in.Number(t.substr(0, blank), "the wavelength (first field) is not a number");
  }
  return table.size();
}

void ProblemWriter::Add(std::string_view text) {
  *out_ += path_;
  *out_ += text;
  *out_ += kLineEnd;
  ++count_;
}

void ProblemWriter::Add(std::string_view text, std::size_t number) {
  *out_ += path_;
  *out_ += text;
  AppendNumber(*out_, static_cast<double>(number));
  *out_ += kLineEnd;
  ++count_;
}

void LabelTest(ProblemWriter& problems, const std::string& path, std::size_t line, std::string_view source,
               LabelSeparator sep, bool tested) {
  const auto label = CutFileLabel(source, sep);
  if (!label) FailAtText(path, line, Trim(source), "cannot cut a file label: no \".\" follows the last separator");
  if (tested && label->empty()) problems.Add(kBadFileName);
}

void DateTest(ProblemWriter& problems, std::string_view date, std::string_view time) {
  if (!LooksLikeDate(date) || Trim(time).empty()) problems.Add(kBadDateTime);
}

void UniSpecLabelTest(ScanLines& in, ProblemWriter& problems, LabelSource labelSource) {
  const std::string_view line1 = in.Line("header line 1");
  if (labelSource == LabelSource::HeaderInfo)
    LabelTest(problems, in.Path(), 1, line1, LabelSeparator::Path, true);
  else
    LabelTest(problems, in.Path(), 0, in.Path(), LabelSeparator::Path, false);
}

void RecordItems(FreeFieldCursor& items, const std::string& path, std::string_view* out, int count) {
  for (int i = 0; i < count; ++i)
    if (!items.Next(out[i])) FailAt(path, items.CurrentLine() + 1, "the file ends inside a data record");
}

// New-Format and UniSpec-DC files hold 256 channel lines.
constexpr std::size_t kUniSpecChannelLines = 256;

void CheckUniSpecNewLines(ScanLines& in, LabelSource labelSource, ProblemWriter& problems) {
  UniSpecLabelTest(in, problems, labelSource);
  in.Line("header line 2");
  const DateTimeText dt = UniSpecDateTime(in.Line("header line 3"));
  DateTest(problems, dt.date, dt.time);
  in.Skip(7, "header lines 4 to 10");
  for (std::size_t line = 1; line <= kUniSpecChannelLines; ++line) {
    const ThreeFields f = SplitThreeFields(in.Line("channel lines"));
    if (f.count < 3) {
      problems.Add(kMissingData, line);
      continue;
    }
    bool nonNumber = false, negative = false;
    for (const std::string_view field : {f.first, f.second, f.third}) {
      const auto v = ParseNumber(field);
      if (!v)
        nonNumber = true;
      else if (*v < 0)
        negative = true;
    }
    if (nonNumber) problems.Add(kDataNonNumber, line);
    if (negative) problems.Add(kDataNegative, line);
  }
}

void CheckGer(ScanLines& in, ProblemWriter& problems, std::string_view problem, std::size_t records,
              std::size_t maxRecords) {
  in.Line("header line 1");
  LabelTest(problems, in.Path(), 2, in.Line("header line 2"), LabelSeparator::Blank, true);
  in.Line("header line 3");
  const std::string_view line4 = Trim(in.Line("header line 4"));
  DateTest(problems, Characters(line4, 7, 14), Characters(line4, 14, 25));
  in.Skip(8, "header lines 5 to 12");
  // A file the conversion cannot read fails the check the same way: cut at
  // the read limit, or more records than the format has channels.
  if (records == 0 && in.Truncated()) in.EndedEarly("the data records");
  FreeFieldCursor items = in.Items();
  for (std::size_t record = 1; records == 0 || record <= records; ++record) {
    // Records of a variable-length file run to its end; blanks and line ends
    // after the last record are not another record.
    if (records == 0 && items.OnlyBlanksLeft()) break;
    if (records == 0 && maxRecords > 0 && record > maxRecords)
      FailAt(in.Path(), items.CurrentLine() + 1, "more than " + std::to_string(maxRecords) + " data lines");
    std::string_view item[3];
    RecordItems(items, in.Path(), item, 3);
    for (const auto& it : item) {
      const auto v = ParseNumber(it);
      if (!v || *v < 0) {
        problems.Add(problem, record);
        break;
      }
    }
  }
}

void PreviewGer(ScanLines& in, PreviewData& d, std::size_t fixed) {
  in.Skip(12, "header lines 1 to 12");
  ReadGerData(in, d.target, d.panel, fixed);
}

}  // namespace corvelane
