#pragma once
// The windows' end of a conversion job: each output is announced in a message
// box and named in a save dialog, the `.ref` step asks in the program-wide
// windows, and what happened is kept for the status line.
#include <QString>
#include <QStringList>
#include <functional>

#include "convert/conversion_job.h"

class QWidget;

namespace corvelane::gui {

class Dialogs;
class Program;

// What the windows say before asking where the long table goes.
inline constexpr std::string_view kLongTableAnnouncement = "   Save Long Table (CSV)   ";
inline constexpr std::string_view kLongTableDialogTitle = "Save Long Table (CSV) File";

class DialogOutputSink final : public OutputSink {
 public:
  // `showStatus` puts a text on the window's status line.
  DialogOutputSink(Dialogs& dialogs, QWidget* parent, const InstrumentVariant& variant,
                   std::function<void(const QString&)> showStatus);

  void Computed(const ConversionResult& result, std::span<const std::string> warnings) override;
  // A table or the ENVI library: its announcement, then its save dialog; an
  // empty name is refused in an error box and ends the run. The corrected file: its save
  // dialog, the name taken as given.
  std::optional<std::string> PathFor(JobOutput output) override;
  void Written(JobOutput output, const std::string& path) override;
  void RefFileDeclined() override;

  // " Warning: ...." for each warning of the run, in order; empty without.
  const QString& Warned() const noexcept { return warned_; }
  // The files written, in order.
  const QStringList& WrittenPaths() const noexcept { return written_; }
  // The save dialog's title of the output where the run ended; empty when it did not.
  const QString& StoppedAt() const noexcept { return stoppedAt_; }

 private:
  Dialogs& dialogs_;
  QWidget* parent_;
  const InstrumentVariant& variant_;
  std::function<void(const QString&)> showStatus_;
  QString warned_;
  QStringList written_;
  QString stoppedAt_;
};

// The questions of the `.ref` step, asked in the program-wide windows:
// Form14 for the file, a Yes/No box for its range, Form15 for the number of
// indices and Form16 once per index, and the save dialog for the index file.
class DialogRefFileAsker final : public RefFileAsker {
 public:
  DialogRefFileAsker(Program& program, QWidget* parent) : program_(program), parent_(parent) {}
  std::string RefFilePath() override;
  bool RangeIsRight(const std::string& path, const RefFileSummary& summary) override;
  std::vector<IndexDefinition> Indices() override;
  std::string IndexFilePath() override;

 private:
  Program& program_;
  QWidget* parent_;
};

}  // namespace corvelane::gui
