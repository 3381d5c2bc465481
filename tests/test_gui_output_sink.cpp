// The windows' end of a conversion job: what the user sees and is asked for
// each output, and what is kept for the status line.
#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include "convert/output_sink_window.h"
#include "tests/gui_support.h"
#include "tests/test_support.h"
#include "tools/scan_synth.h"

namespace corvelane::gui {
namespace {

using testing::ScriptedDialogs;

// The tables' announcements, save dialogs, a refused empty name and the
// status line are checked on the windows' runs (InstrumentWindowTest,
// InstrumentWindowRun); the corrected file has no announcement, and an empty
// name goes on to the writer, which refuses it.
TEST(DialogOutputSinkTest, TheCorrectedNameIsTakenAsGivenWithoutAnAnnouncement) {
  ScriptedDialogs dialogs;
  DialogOutputSink sink(dialogs, nullptr, *VariantByCliName("unispec-old"), [](const QString&) {});
  EXPECT_EQ(sink.PathFor(JobOutput::Corrected), std::optional<std::string>(""));
  EXPECT_TRUE(dialogs.messages.empty());
  EXPECT_EQ(dialogs.saveTitles, std::vector<QString>{"Save Corrected Reflectance File?"});
  EXPECT_TRUE(sink.StoppedAt().isEmpty());
}

class NoRefFile final : public RefFileAsker {
 public:
  std::string RefFilePath() override { return {}; }
  bool RangeIsRight(const std::string&, const RefFileSummary&) override { return false; }
  std::vector<IndexDefinition> Indices() override { return {}; }
  std::string IndexFilePath() override { return {}; }
};

// A window run never replaces a file without asking, nor a file it has
// written or read: the reflectance saved as new-refl.csv and the absorbance
// then typed as new-refl.csv once replaced the reflectance.
TEST(DialogOutputSinkTest, AskBeforeReplacingAndRefuseTheRunsOwnFilesNamingBoth) {
  QTemporaryDir dir;
  const auto file = [&dir](const char* name) { return dir.filePath(QString::fromLatin1(name)); };
  ConversionJob job;
  job.settings.variant = VariantByCliName("unispec-old");
  job.settings.files = synth::WriteScans(file("scans").toStdString(), synth::Format::UniSpecOld, 2, "S");
  job.settings.grid = {"400", "410", "1"};
  job.settings.modes = {true, true, false, false};
  testing::WriteFile(file("old.csv"), "keep me");

  ScriptedDialogs dialogs;
  DialogOutputSink sink(dialogs, nullptr, *job.settings.variant, [](const QString&) {});
  dialogs.savePaths = {file("old.csv"),
                       file("old.csv"),
                       file("new-refl.csv"),
                       file("new-refl.csv"),
                       QString::fromStdString(job.settings.files[0]),
                       file("abs.csv")};
  // The announcement, then "replace old.csv?" answered No twice; later
  // questions are answered Yes (Ok) and the run refuses the path itself.
  dialogs.messageAnswers = {MessageAnswer::Ok, MessageAnswer::No, MessageAnswer::No};
  NoRefFile asker;
  RunJob(job, sink, asker);

  const QStringList texts = [&] {
    QStringList t;
    for (const auto& m : dialogs.messages) t << m.text;
    return t;
  }();
  // old.csv was offered twice and kept both times; the reflectance went to new-refl.csv.
  EXPECT_EQ(testing::ReadAll(file("old.csv").toStdString()), "keep me");
  ASSERT_GE(texts.size(), 6);
  EXPECT_EQ(texts[1], "old.csv already exists.\nDo you want to replace it?");
  EXPECT_EQ(dialogs.messages[1].buttons, MessageButtons::YesNo);
  EXPECT_EQ(texts[2], texts[1]);
  // The absorbance at new-refl.csv, then at a scan: refused, naming the path
  // and both outputs, and asked again without a second announcement.
  const auto refused = [&](int i) { return dialogs.messages[static_cast<std::size_t>(i)]; };
  ASSERT_EQ(texts.size(), 8) << texts.join(" | ").toStdString();
  EXPECT_EQ(texts[4], "new-refl.csv already exists.\nDo you want to replace it?");
  EXPECT_TRUE(refused(5).text.contains("new-refl.csv")) << refused(5).text.toStdString();
  EXPECT_TRUE(refused(5).text.contains("absorbance")) << refused(5).text.toStdString();
  EXPECT_TRUE(refused(5).detail.contains("reflectance file this run has just written"))
      << refused(5).detail.toStdString();
  EXPECT_TRUE(refused(7).detail.contains("is the scan")) << refused(7).detail.toStdString();
  EXPECT_EQ(sink.WrittenPaths(), (QStringList{file("new-refl.csv"), file("abs.csv")}));
  EXPECT_NE(testing::ReadAll(file("new-refl.csv").toStdString()), testing::ReadAll(file("abs.csv").toStdString()));
}

}  // namespace
}  // namespace corvelane::gui
