#include "convert/output_sink_window.h"

#include <QDialog>
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
    return AskSavePathConfirmed(dialogs_, parent_, QStringLiteral("Save Corrected Reflectance File?")).toStdString();
  if (output == JobOutput::Report) {
    const QString title = QStringLiteral("Save quality report");
    const QString path = AskSavePathConfirmed(dialogs_, parent_, title);
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
  // The announcement once; a refused path asks the save dialog only again.
  if (!refused_) dialogs_.ShowMessage(parent_, AnnouncementBox(Q(announcement)));
  refused_ = false;
  const QString path = AskSavePathConfirmed(dialogs_, parent_, Q(title));
  if (!path.isEmpty()) return path.toStdString();
  dialogs_.ShowMessage(parent_, ErrorBox(Q(kNoFilenameSelected),
                                         QStringLiteral("No name was chosen in \"%1\"; that file and the outputs "
                                                        "after it were not written.")
                                             .arg(Q(title))));
  stoppedAt_ = Q(title);
  return std::nullopt;
}

void DialogOutputSink::Written(JobOutput, const std::string& path) { written_ << QString::fromStdString(path); }

void DialogOutputSink::PathRefused(JobOutput output, const std::string& path, const std::string& why) {
  refused_ = true;
  dialogs_.ShowMessage(parent_, ErrorBox(QStringLiteral("%1 cannot be replaced by the %2 file: choose another name")
                                             .arg(Q(path), Q(OutputName(output))),
                                         Q(why)));
}

void DialogOutputSink::RefFileDeclined() {
  dialogs_.ShowMessage(parent_, {QStringLiteral("Reference"),
                                 QStringLiteral("Reference file not applied"),
                                 MessageIcon::Information,
                                 MessageButtons::Ok,
                                 {}});
}

std::string DialogRefFileAsker::RefFilePath() {
  // Closed with its close box, or no path: the file is not applied, as the range question's No.
  if (program_.ReferenceFile().exec() != QDialog::Accepted) return {};
  return std::string(Trim(program_.ReferenceFile().ReferenceFilePath()));
}

bool DialogRefFileAsker::RangeIsRight(const std::string&, const RefFileSummary& summary) {
  const MessageRequest question{
      QStringLiteral("MsgBox Demonstration"), Q(RangeQuestion(summary)), MessageIcon::None, MessageButtons::YesNo, {}};
  return program_.UserDialogs().ShowMessage(parent_, question) != MessageAnswer::No;
}

std::vector<IndexDefinition> DialogRefFileAsker::Indices() {
  // Asked until the box holds a whole number from 1 to 9 (its OK refuses
  // anything else); closing the window asks again rather than ending a run
  // whose tables are written.
  IndexCountWindow& window = program_.IndexCount();
  while (window.exec() != QDialog::Accepted || !window.Count()) {
  }
  std::vector<IndexDefinition> indices;
  const int m = *window.Count();
  // Each prompt says which index of how many it is for.
  IndexListWindow& prompt = program_.IndexList();
  const QString title = prompt.windowTitle();
  for (int i = 0; i < m; ++i) {
    if (m > 1) prompt.setWindowTitle(QStringLiteral("%1 (index %2 of %3)").arg(title).arg(i + 1).arg(m));
    prompt.exec();
    indices.push_back(prompt.Boxes());
  }
  prompt.setWindowTitle(title);
  return indices;
}

std::string DialogRefFileAsker::IndexFilePath() {
  return AskSavePathConfirmed(program_.UserDialogs(), parent_, QStringLiteral("Save Indices File?")).toStdString();
}

}  // namespace corvelane::gui
