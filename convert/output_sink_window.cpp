#include "convert/output_sink_window.h"

#include <cmath>

#include "convert/program.h"
#include "indices/index_count_window.h"
#include "indices/index_list_window.h"
#include "reference/reference_file_window.h"
#include "text/failure.h"
#include "text/numeric_text.h"
#include "text/text_input.h"
#include "widgets/dialogs.h"

namespace corvelane::gui {

namespace {

QString Q(std::string_view s) { return QString::fromUtf8(s.data(), static_cast<qsizetype>(s.size())); }

// The ENVI library is asked for as the tables are.
constexpr ModeTexts kEnviLibraryTexts{"   Save ENVI Spectral Library   ", "Save ENVI Library File (.sli)", ""};

}  // namespace

DialogOutputSink::DialogOutputSink(Dialogs& dialogs, QWidget* parent, const InstrumentVariant& variant,
                                   std::function<void(const QString&)> showStatus)
    : dialogs_(dialogs), parent_(parent), variant_(variant), showStatus_(std::move(showStatus)) {}

void DialogOutputSink::Computed(const ConversionResult& result, std::span<const std::string> warnings) {
  // Said on the status line now and after whatever the run says there later.
  for (const std::string& w : warnings) warned_ += QStringLiteral(" Warning: ") + Q(w) + QLatin1Char('.');
  showStatus_(warned_.trimmed());
  // Values marked 999 where plain arithmetic would have given a number are
  // worth a message before anything is saved.
  if (!result.marksWarnings.empty()) {
    QStringList marks;
    for (const std::string& w : result.marksWarnings) marks << Q(w);
    dialogs_.ShowMessage(parent_, {QStringLiteral("Warning"),
                                   QStringLiteral("Some values of this run are the mark 999 (no value); they are "
                                                  "never formed into numbers."),
                                   MessageIcon::Information, MessageButtons::Ok, marks.join(QLatin1Char('\n'))});
  }
}

std::optional<std::string> DialogOutputSink::PathFor(JobOutput output) {
  if (output == JobOutput::Corrected)
    return dialogs_.AskSavePath(parent_, QStringLiteral("Save Corrected Reflectance File?")).toStdString();
  if (output == JobOutput::Report) {
    const QString title = QStringLiteral("Save quality report");
    const QString path = dialogs_.AskSavePath(parent_, title);
    if (!path.isEmpty()) return path.toStdString();
    stoppedAt_ = title;
    return std::nullopt;
  }
  std::string_view announcement = kLongTableAnnouncement, title = kLongTableDialogTitle;
  if (output == JobOutput::EnviLibrary) {
    announcement = kEnviLibraryTexts.announcement;
    title = kEnviLibraryTexts.dialogTitle;
  } else if (output != JobOutput::LongTable) {
    const ModeTexts& texts = variant_.texts[static_cast<std::size_t>(output)];
    announcement = texts.announcement;
    title = texts.dialogTitle;
  }
  dialogs_.ShowMessage(parent_, AnnouncementBox(Q(announcement)));
  const QString path = dialogs_.AskSavePath(parent_, Q(title));
  if (!path.isEmpty()) return path.toStdString();
  dialogs_.ShowMessage(parent_, ErrorBox(Q(kNoFilenameSelected),
                                         QStringLiteral("No name was chosen in \"%1\"; that file and the outputs "
                                                        "after it were not written.")
                                             .arg(Q(title))));
  stoppedAt_ = Q(title);
  return std::nullopt;
}

void DialogOutputSink::Written(JobOutput, const std::string& path) { written_ << QString::fromStdString(path); }

void DialogOutputSink::RefFileDeclined() {
  dialogs_.ShowMessage(parent_, {QStringLiteral("Reference"),
                                 QStringLiteral("Reference file not applied"),
                                 MessageIcon::Information,
                                 MessageButtons::Ok,
                                 {}});
}

std::string DialogRefFileAsker::RefFilePath() {
  program_.ReferenceFile().exec();
  return program_.ReferenceFile().ReferenceFilePath();
}

bool DialogRefFileAsker::RangeIsRight(const std::string&, const RefFileSummary& summary) {
  const MessageRequest question{
      QStringLiteral("MsgBox Demonstration"), Q(RangeQuestion(summary)), MessageIcon::None, MessageButtons::YesNo, {}};
  return program_.UserDialogs().ShowMessage(parent_, question) != MessageAnswer::No;
}

std::vector<IndexDefinition> DialogRefFileAsker::Indices() {
  program_.IndexCount().exec();
  const QString text = program_.IndexCount().CountText().trimmed();
  const auto count = ParseNumber(text.toStdString());
  if (!count || *count < 0 || *count > 1000)
    Fail("the number of indices \"" + text.toStdString() + "\" is not a whole number from 0 on");
  std::vector<IndexDefinition> indices;
  const long m = std::lround(RoundHalfEven(*count, 0));
  for (long i = 0; i < m; ++i) {
    program_.IndexList().exec();
    indices.push_back(program_.IndexList().Boxes());
  }
  return indices;
}

std::string DialogRefFileAsker::IndexFilePath() {
  return program_.UserDialogs().AskSavePath(parent_, QStringLiteral("Save Indices File?")).toStdString();
}

}  // namespace corvelane::gui
