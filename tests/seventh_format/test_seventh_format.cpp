// A seventh format, known only to this test program, is added by its own
// file and the one registry line below. With no other edit it is offered by
// the command line's help, converts from the command line and gets its
// button in the start-up window.
#include <gtest/gtest.h>

#include <QApplication>
#include <QBoxLayout>
#include <QDir>
#include <QPushButton>
#include <QTimer>
#include <string>
#include <vector>

#include "cli/commands.h"
#include "convert/program.h"
#include "instruments/variant.h"
#include "shell/start_window.h"
#include "tests/gui_support.h"
#include "tests/test_support.h"

namespace corvelane {

extern const InstrumentVariant kSeventhFormat;
const FormatRegistration kSeventhRegistered(kSeventhFormat);

namespace {

using namespace testing;

// Standard output of the command line run with `args`, and its exit code.
std::pair<int, std::string> RunCli(const std::vector<std::string>& args) {
  ::testing::internal::CaptureStdout();
  const int code = cli::Run(args);
  return {code, ::testing::internal::GetCapturedStdout()};
}

TEST(SeventhFormat, IsListedAfterTheBuiltInOnesInEveryHelpText) {
  ASSERT_EQ(AllVariants().size(), 7u);
  EXPECT_EQ(VariantByCliName("seventh"), &AllVariants().back());
  for (const char* command : {"convert", "check"}) {
    const auto [code, help] = RunCli({command, "--help"});
    EXPECT_EQ(code, 0);
    EXPECT_NE(help.find("unispec-old, unispec-new, unispec-compact, ger1500, ger2600, unispec-dc, seventh"),
              std::string::npos)
        << help;
  }
  const std::string convert = RunCli({"convert", "--help"}).second;
  // Its own grid joins the defaults; it offers no absorbance and no raw tables.
  for (const char* derived : {"310,1130,1 for unispec-old, unispec-new and unispec-dc, 400,600,100 for seventh, "
                              "400,1000,1 otherwise",
                              "(not unispec-compact and seventh)", "(unispec-old, unispec-new and unispec-dc)"})
    EXPECT_NE(convert.find(derived), std::string::npos) << derived;
}

TEST(SeventhFormat, ConvertsFromTheCommandLine) {
  TempFolder folder;
  const std::string a = folder.Write("a.sev", CrLf({"C:\\field\\leaf1.sev", "400 10 100", "500 20 100", "600 30 60"}));
  const std::string b = folder.Write("b.sev", CrLf({"C:\\field\\leaf2.sev", "400 5 100", "500 0 100", "600 9 0"}));
  const std::string out = folder.File("refl.csv");
  EXPECT_EQ(RunCli({"convert", "seventh", "--reflectance", out, a, b}).first, cli::kOk);
  // Wavelengths from the first scan, the description's grid 400..600 by 100,
  // four decimals; a zero panel gives 999.
  const std::vector<std::string> lines = SplitCrLf(ReadAll(out));
  ASSERT_GE(lines.size(), 3u);
  EXPECT_EQ(std::vector<std::string>(lines.end() - 3, lines.end()),
            (std::vector<std::string>{" 400 , 0.1 , 0.05 ", " 500 , 0.2 , 0 ", " 600 , 0.5 , 999 "}));
  EXPECT_EQ(lines[0], "Reflectance");
  EXPECT_NE(ReadAll(out).find("Wavelength,leaf1.sev,leaf2.sev"), std::string::npos);

  EXPECT_EQ(RunCli({"convert", "seventh", "--absorbance", folder.File("abs.csv"), a}).first, cli::kUsage);
}

TEST(SeventhFormat, HasItsButtonInTheStartWindowBelowTheOthers) {
  ScriptedDialogs dialogs;
  gui::Program program(dialogs, QDir::currentPath());
  gui::StartWindow window(program);
  auto* button = window.findChild<QPushButton*>(QStringLiteral("cmdSeventh"));
  ASSERT_NE(button, nullptr);
  EXPECT_EQ(button->text(), QStringLiteral("SEVENTH"));
  auto* column = qobject_cast<QBoxLayout*>(window.layout());
  ASSERT_NE(column, nullptr);
  const auto row = [&](const char* name) {
    return column->indexOf(window.findChild<QPushButton*>(QString::fromLatin1(name)));
  };
  EXPECT_EQ(row("cmdSeventh"), row("cmdGER2600") + 1);
  EXPECT_EQ(row("cmd_proc"), row("cmdSeventh") + 1);
  EXPECT_EQ(window.findChild<QPushButton*>(QStringLiteral("cmd_proc"))->nextInFocusChain(), button);

  // The button opens the format's own window, built from its description.
  window.show();
  QString opened;
  QTimer::singleShot(0, [&opened] {
    if (QWidget* modal = QApplication::activeModalWidget()) {
      opened = modal->objectName();
      QMetaObject::invokeMethod(modal, "hide");
    }
  });
  button->click();
  EXPECT_EQ(opened, QStringLiteral("FormSeventh"));
  EXPECT_NE(window.ExistingWindow(6), nullptr);
}

}  // namespace
}  // namespace corvelane
