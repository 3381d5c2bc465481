// The windows' end of a conversion job: what the user sees and is asked for
// each output, and what is kept for the status line.
#include <gtest/gtest.h>

#include "convert/output_sink_window.h"
#include "tests/gui_support.h"

namespace corvelane::gui {
namespace {

using testing::ScriptedDialogs;

TEST(DialogOutputSinkTest, AnnouncesAndAsksEachTableRefusesAnEmptyNameAndTakesTheCorrectedNameAsGiven) {
  const InstrumentVariant& v = *VariantByCliName("unispec-old");
  ScriptedDialogs dialogs;
  QStringList statusLine;
  DialogOutputSink sink(dialogs, nullptr, v, [&statusLine](const QString& text) { statusLine << text; });

  const std::vector<std::string> warnings = {"first", "second"};
  sink.Computed(ConversionResult{}, warnings);
  EXPECT_EQ(statusLine, QStringList{"Warning: first. Warning: second."}) << "shown before any dialog";
  EXPECT_EQ(sink.Warned(), " Warning: first. Warning: second.");

  dialogs.savePaths = {QStringLiteral("/tmp/r.txt")};
  EXPECT_EQ(sink.PathFor(JobOutput::Reflectance), std::optional<std::string>("/tmp/r.txt"));
  sink.Written(JobOutput::Reflectance, "/tmp/r.txt");
  EXPECT_EQ(sink.PathFor(JobOutput::Absorbance), std::nullopt) << "no name chosen";
  const ModeTexts& refl = v.texts[0];
  const ModeTexts& abs = v.texts[1];
  ASSERT_EQ(dialogs.messages.size(), 3u);
  EXPECT_EQ(dialogs.messages[0].text.toStdString(), refl.announcement);
  EXPECT_EQ(dialogs.messages[1].text.toStdString(), abs.announcement);
  EXPECT_EQ(dialogs.messages[2].text, " No filename selected!");
  EXPECT_EQ(dialogs.messages[2].icon, MessageIcon::Exclamation);
  EXPECT_EQ(dialogs.saveTitles, (std::vector<QString>{QString::fromStdString(std::string(refl.dialogTitle)),
                                                      QString::fromStdString(std::string(abs.dialogTitle))}));
  EXPECT_EQ(sink.StoppedAt().toStdString(), abs.dialogTitle);
  EXPECT_EQ(sink.WrittenPaths(), QStringList{"/tmp/r.txt"});

  // The corrected file: no announcement, and an empty name goes on to the
  // writer, which refuses it.
  dialogs.Clear();
  EXPECT_EQ(sink.PathFor(JobOutput::Corrected), std::optional<std::string>(""));
  EXPECT_TRUE(dialogs.messages.empty());
  EXPECT_EQ(dialogs.saveTitles, std::vector<QString>{"Save Corrected Reflectance File?"});

  sink.RefFileDeclined();
  ASSERT_EQ(dialogs.messages.size(), 1u);
  EXPECT_EQ(dialogs.messages[0].text, "Reference file not applied");
  EXPECT_EQ(dialogs.messages[0].title, "Reference");
}

}  // namespace
}  // namespace corvelane::gui
