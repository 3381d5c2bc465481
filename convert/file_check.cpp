#include "convert/file_check.h"

#include "text/atomic_file.h"
#include "text/failure.h"
#include "text/text_input.h"
#include "text/numeric_text.h"
#include "instruments/file_label.h"
#include "text/line_reading.h"

namespace corvelane {

namespace {

class ProblemWriter {
 public:
  ProblemWriter(const std::string& path, std::string& out) : path_(path), out_(out) {}
  void Add(std::string_view text) {
    out_ += path_;
    out_ += text;
    out_ += kLineEnd;
    ++count_;
  }
  void Add(std::string_view text, std::size_t number) {
    out_ += path_;
    out_ += text;
    AppendNumber(out_, static_cast<double>(number));
    out_ += kLineEnd;
    ++count_;
  }
  std::size_t Count() const noexcept { return count_; }

 private:
  const std::string& path_;
  std::string& out_;
  std::size_t count_ = 0;
};

void LabelTest(ProblemWriter& problems, const std::string& path, std::size_t line, std::string_view source,
               LabelSeparator sep, bool tested) {
  const auto label = CutFileLabel(source, sep);
  if (!label) FailAtText(path, line, Trim(source), "cannot cut a file label: no \".\" follows the last separator");
  if (tested && label->empty()) problems.Add(kBadFileName);
}

void DateTest(ProblemWriter& problems, std::string_view date, std::string_view time) {
  if (!LooksLikeDate(date) || Trim(time).empty()) problems.Add(kBadDateTime);
}

// Reads `count` free-field items of one record; fails when the file ends first.
void RecordItems(FreeFieldCursor& items, const std::string& path, std::string_view* out, int count) {
  for (int i = 0; i < count; ++i)
    if (!items.Next(out[i])) FailAt(path, items.CurrentLine() + 1, "the file ends inside a data record");
}

void UniSpecHeader(ScanLines& in, ProblemWriter& problems, LabelSource labelSource) {
  const std::string_view line1 = in.Line("header line 1");
  if (labelSource == LabelSource::HeaderInfo)
    LabelTest(problems, in.Path(), 1, line1, LabelSeparator::Path, true);
  else
    LabelTest(problems, in.Path(), 0, in.Path(), LabelSeparator::Path, false);
}

void CheckUniSpecOld(ScanLines& in, std::string_view text, ProblemWriter& problems, LabelSource labelSource) {
  UniSpecHeader(in, problems, labelSource);
  in.Line("header line 2");
  const DateTimeText dt = UniSpecDateTime(in.Line("header line 3"));
  DateTest(problems, dt.date, dt.time);
  in.Skip(7, "header lines 4 to 10");
  FreeFieldCursor items(text, in.Cursor().Offset(), in.Cursor().LineNumber());
  for (std::size_t record = 1; record <= 256; ++record) {
    std::string_view item[2];
    RecordItems(items, in.Path(), item, 2);
    const auto a = ParseNumber(item[0]), b = ParseNumber(item[1]);
    if (!a || !b) problems.Add(kDataNonNumber, record);
    if ((a && *a < 0) || (b && *b < 0)) problems.Add(kDataNegative, record);
  }
  in.Cursor().SkipTo(items.Offset(), items.CurrentLine());
  in.Skip(2, "the two lines between the DATA and PANEL blocks");
  for (std::size_t line = 1; line <= 256; ++line) {
    const auto v = ParseNumber(Trim(in.Line("PANEL lines")));
    if (!v) problems.Add(kPanelNonNumber, line);
    else if (*v < 0) problems.Add(kPanelNegative, line);
  }
}

void CheckUniSpecNew(ScanLines& in, ProblemWriter& problems, LabelSource labelSource) {
  UniSpecHeader(in, problems, labelSource);
  in.Line("header line 2");
  const DateTimeText dt = UniSpecDateTime(in.Line("header line 3"));
  DateTest(problems, dt.date, dt.time);
  in.Skip(7, "header lines 4 to 10");
  for (std::size_t line = 1; line <= 256; ++line) {
    const std::string_view t = Trim(in.Line("channel lines"));
    std::size_t p = 0;
    while (p < t.size() && !IsBlank(t[p])) ++p;
    const std::string_view rest = Trim(t.substr(p));
    std::size_t q = 0;
    while (q < rest.size() && !IsBlank(rest[q])) ++q;
    if (p == t.size() || q == rest.size()) {
      problems.Add(kMissingData, line);
      continue;
    }
    const std::optional<double> fields[3] = {ParseNumber(t.substr(0, p)), ParseNumber(rest.substr(0, q)),
                                             ParseNumber(rest.substr(q))};
    bool nonNumber = false, negative = false;
    for (const auto& f : fields) {
      if (!f) nonNumber = true;
      else if (*f < 0) negative = true;
    }
    if (nonNumber) problems.Add(kDataNonNumber, line);
    if (negative) problems.Add(kDataNegative, line);
  }
}

void CheckUniSpecCompact(ScanLines& in, std::string_view text, ProblemWriter& problems, LabelSource labelSource) {
  UniSpecHeader(in, problems, labelSource);
  in.Skip(3, "header lines 2 to 4");
  FreeFieldCursor items(text, in.Cursor().Offset(), in.Cursor().LineNumber());
  for (std::size_t record = 1; record <= 256; ++record) {
    std::string_view item;
    RecordItems(items, in.Path(), &item, 1);
    const auto v = ParseNumber(item);
    if (!v) problems.Add(kDataNonNumber, record);
    else if (*v < 0) problems.Add(kDataNegative, record);
  }
}

void CheckGer(ScanLines& in, std::string_view text, ProblemWriter& problems, bool ger2600) {
  in.Line("header line 1");
  LabelTest(problems, in.Path(), 2, in.Line("header line 2"), LabelSeparator::Blank, true);
  in.Line("header line 3");
  const std::string_view line4 = Trim(in.Line("header line 4"));
  DateTest(problems, Characters(line4, 7, 14), Characters(line4, 14, 25));
  in.Skip(8, "header lines 5 to 12");
  FreeFieldCursor items(text, in.Cursor().Offset(), in.Cursor().LineNumber());
  const std::string_view problem = ger2600 ? kGer2600Record : kGer1500Record;
  for (std::size_t record = 1; ger2600 || record <= 512; ++record) {
    // A GER 2600 file's records run to its end; blanks and line ends after
    // the last record are not another record.
    if (ger2600 && items.OnlyBlanksLeft()) break;
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

}  // namespace

std::size_t CheckScanText(const InstrumentVariant& variant, std::string_view text, bool truncated,
                          const std::string& path, LabelSource labelSource, std::string& errors) {
  ProblemWriter problems(path, errors);
  ScanLines in(text, truncated, path);
  switch (variant.format) {
    case Format::UniSpecOld: CheckUniSpecOld(in, text, problems, labelSource); break;
    case Format::UniSpecNew: CheckUniSpecNew(in, problems, labelSource); break;
    case Format::UniSpecCompact: CheckUniSpecCompact(in, text, problems, labelSource); break;
    case Format::Ger1500: CheckGer(in, text, problems, false); break;
    case Format::Ger2600: CheckGer(in, text, problems, true); break;
  }
  return problems.Count();
}

CheckOutcome CheckFiles(const InstrumentVariant& variant, const std::vector<std::string>& files,
                        LabelSource labelSource, const std::string& errorPath, const ProgressFn& progress) {
  AtomicFileWriter errorFile(errorPath);
  CheckOutcome outcome;
  std::string buffer, errors;
  const int total = static_cast<int>(files.size());
  for (std::size_t f = 0; f < files.size(); ++f) {
    try {
      bool truncated = false;
      if (auto error = ReadFileBounded(files[f], buffer, truncated)) FailFile(files[f], *error);
      outcome.problemLines += CheckScanText(variant, buffer, truncated, files[f], labelSource, errors);
    } catch (const RunFailure&) {
      // Problem lines found so far stay in the error file.
      errorFile.Write(errors);
      errorFile.Commit();
      throw;
    }
    errorFile.Write(errors);
    errors.clear();
    if (progress) progress(static_cast<int>(f) + 1, total);
  }
  errorFile.Commit();
  return outcome;
}

}  // namespace corvelane
