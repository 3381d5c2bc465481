// The Calculate Reference window (Form13) and the Reference and Index window
// (Form14) driven as a user would, with scripted message boxes.
#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QApplication>
#include <QFrame>
#include <QImage>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMouseEvent>
#include <QSignalSpy>
#include <QTest>
#include <QTimer>
#include <filesystem>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "convert/instrument_window.h"
#include "convert/program.h"
#include "instruments/variant.h"
#include "reference/calculate_reference_window.h"
#include "reference/reference_file_window.h"
#include "reference/reference_plot_widget.h"
#include "tests/gui_support.h"
#include "tests/test_support.h"
#include "text/numeric_text.h"
#include "tools/dc_scan_synth.h"
#include "widgets/folder_browser_widget.h"

namespace corvelane::gui {
namespace {

using namespace corvelane::testing;
namespace fs = std::filesystem;

// A DC scan whose ratio is target / panel on every channel.
std::string DcScan(double target, double panel) {
  std::vector<std::string> lines;
  for (int i = 1; i <= 10; ++i) lines.push_back("\"header " + std::to_string(i) + "\"");
  for (int j = 0; j < 256; ++j)
    lines.push_back(PlainNumber(300.9 + 3.3 * j) + " \t" + PlainNumber(target) + " \t" + PlainNumber(panel));
  return CrLf(lines);
}

void SendMouse(QWidget* w, QEvent::Type type, QPoint at, Qt::MouseButton button, Qt::MouseButtons held) {
  QMouseEvent event(type, QPointF(at), w->mapToGlobal(QPointF(at)), button, held, Qt::NoModifier);
  QApplication::sendEvent(w, &event);
}

class Form13Test : public ::testing::Test {
 protected:
  Form13Test() : program(dialogs, QDir::currentPath()), form(program.CalculateReference()) {
    form.show();
    EXPECT_TRUE(QTest::qWaitForWindowExposed(&form));
    list = Child<QListWidget>(form, "RefList");
    graph = Child<ReferencePlotWidget>(form, "ref_pic");
  }
  ~Form13Test() override { form.hide(); }

  // Adds `count` scans named r0.spu ... with ratio 1 + n / 10.
  std::vector<QString> AddScans(int count) {
    std::vector<QString> paths;
    for (int n = 0; n < count; ++n) {
      paths.push_back(
          QString::fromStdString(folder.Write("r" + std::to_string(n) + ".spu", DcScan(100 + 10 * n, 100))));
      form.ChooseFile(paths.back());
    }
    return paths;
  }
  void Select(std::initializer_list<int> rows) {
    for (int r : rows) list->item(r)->setSelected(true);
  }
  int VisibleLegends() {
    int shown = 0;
    for (int n = 0; n < 15; ++n)
      if (Child<QLineEdit>(form, QStringLiteral("txt_legend(%1)").arg(n))->isVisibleTo(&form)) ++shown;
    return shown;
  }

  TempFolder folder;
  ScriptedDialogs dialogs;
  Program program;
  CalculateReferenceWindow& form;
  QListWidget* list = nullptr;
  ReferencePlotWidget* graph = nullptr;
};

TEST_F(Form13Test, StartState) {
  EXPECT_EQ(Child<FolderBrowser>(form, {})->Pattern(), "*.spu");
  EXPECT_FALSE(list->isEnabled());
  EXPECT_FALSE(Child<QFrame>(form, "Shape1")->isVisible());
  EXPECT_EQ(VisibleLegends(), 0);
  EXPECT_TRUE(form.ReferenceScans().empty());
}

TEST_F(Form13Test, FileListAddsOnceRemovesOnDoubleClickAndSelectsAll) {
  const auto paths = AddScans(3);
  EXPECT_TRUE(list->isEnabled());
  form.ChooseFile(paths[1]);
  ASSERT_EQ(dialogs.messages.size(), 1u);
  EXPECT_EQ(dialogs.messages[0].text, "File already selected!, please try again");
  EXPECT_EQ(dialogs.messages[0].title, "Error");
  EXPECT_EQ(dialogs.messages[0].icon, MessageIcon::Exclamation);
  EXPECT_EQ(list->count(), 3);

  Click(form, "Chk_all");
  EXPECT_EQ(list->selectedItems().size(), 3);
  Click(form, "UnChk_all");
  EXPECT_EQ(list->selectedItems().size(), 0);

  const QRect second = list->visualItemRect(list->item(1));
  QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, second.center());
  QTest::mouseDClick(list->viewport(), Qt::LeftButton, {}, second.center());
  EXPECT_EQ(Items(list), (QStringList{paths[0], paths[2]}));
}

TEST_F(Form13Test, DoneHandsOverTheSelectedScansInListOrder) {
  const auto paths = AddScans(5);
  QSignalSpy handed(&form, &CalculateReferenceWindow::selectionHandedOver);
  Select({3, 0, 2});
  Click(form, "Command1");
  EXPECT_FALSE(form.isVisible());
  EXPECT_EQ(form.ReferenceScans(),
            (std::vector<std::string>{paths[0].toStdString(), paths[2].toStdString(), paths[3].toStdString()}));
  EXPECT_TRUE(form.HandedOver());
  ASSERT_EQ(handed.size(), 1);
  EXPECT_EQ(handed[0][0].toInt(), 3);

  // The UniSpec-DC window empties the list before showing the window again.
  form.PrepareForReferenceChoice();
  EXPECT_FALSE(form.HandedOver());
  form.show();
  list->clearSelection();
  Click(form, "Command1");
  EXPECT_TRUE(form.ReferenceScans().empty());
  EXPECT_EQ(handed.back()[0].toInt(), 0);
}

TEST_F(Form13Test, SixteenScansPlotSixteenCurvesAndFifteenLegendEntries) {
  // The curves and names themselves are the plot's (ReferencePlot tests).
  AddScans(16);
  Click(form, "Chk_all");
  Click(form, "com_plot");
  EXPECT_EQ(VisibleLegends(), 15);
  EXPECT_EQ(Child<QLineEdit>(form, "txt_legend(14)")->text(), "r14.spu");
  EXPECT_TRUE(Child<QWidget>(form, "pic_legend(14)")->isVisibleTo(&form));
  EXPECT_EQ(form.PlottedNames().substr(0, 16), "r14.spu,r13.spu,");

  // Fewer scans hide the legend entries left over.
  Click(form, "UnChk_all");
  Select({4});
  Click(form, "com_plot");
  EXPECT_EQ(VisibleLegends(), 1);
  EXPECT_EQ(Child<QLineEdit>(form, "txt_legend(0)")->text(), "r4.spu");
  EXPECT_FALSE(Child<QWidget>(form, "pic_legend(1)")->isVisibleTo(&form));
  EXPECT_EQ(form.PlottedNames(), "r4.spu,");
}

TEST_F(Form13Test, AFileThatCannotBeDrawnIsNamedAndTheOthersAreDrawn) {
  AddScans(2);
  form.ChooseFile(QString::fromStdString(folder.Write("short.spu", "only\r\nthree\r\nlines\r\n")));
  Click(form, "Chk_all");
  Click(form, "com_plot");
  ASSERT_EQ(dialogs.messages.size(), 1u);
  EXPECT_TRUE(dialogs.messages[0].text.endsWith("short.spu")) << dialogs.messages[0].text.toStdString();
  EXPECT_FALSE(dialogs.messages[0].detail.isEmpty());
  EXPECT_EQ(VisibleLegends(), 2);
}

TEST_F(Form13Test, DragZoomsInEitherDirectionAndResetRestoresTheRange) {
  AddScans(1);
  Click(form, "Chk_all");
  Click(form, "com_plot");
  QFrame* shape = Child<QFrame>(form, "Shape1");
  // Pixel rows of heights 1 and 2 on the default range (top -0.2, height 5.2).
  const auto row = [&](double y) { return static_cast<int>((y + 0.2) / 5.2 * graph->height()); };
  for (const bool upward : {false, true}) {
    Click(form, "Reset");
    const QPoint from(upward ? 200 : 40, row(upward ? 2 : 1));
    const QPoint to(upward ? 40 : 200, row(upward ? 1 : 2));
    SendMouse(graph, QEvent::MouseButtonPress, from, Qt::LeftButton, Qt::LeftButton);
    SendMouse(graph, QEvent::MouseMove, to, Qt::NoButton, Qt::LeftButton);
    EXPECT_TRUE(shape->isVisible());
    EXPECT_EQ(shape->geometry(), QRect(from, to).normalized());
    SendMouse(graph, QEvent::MouseButtonRelease, to, Qt::LeftButton, Qt::NoButton);
    EXPECT_FALSE(shape->isVisible());
    EXPECT_TRUE(form.ZoomOn());
    // The pixel grid makes the heights approximate.
    const double pixel = 5.2 / graph->height();
    EXPECT_NEAR(form.Range().low, 2.8, 2 * pixel) << upward;
    EXPECT_NEAR(form.Range().high, 3.8, 2 * pixel) << upward;
  }
  // Plotting again keeps the zoomed range; Reset restores the default.
  const VerticalRange zoomed = form.Range();
  Click(form, "com_plot");
  EXPECT_EQ(form.Range(), zoomed);
  Click(form, "Reset");
  EXPECT_EQ(form.Range(), VerticalRange{});
  EXPECT_FALSE(form.ZoomOn());

  // A click without moving: a range 0.0001 high.
  SendMouse(graph, QEvent::MouseButtonPress, QPoint(50, row(1)), Qt::LeftButton, Qt::LeftButton);
  SendMouse(graph, QEvent::MouseButtonRelease, QPoint(50, row(1)), Qt::LeftButton, Qt::NoButton);
  EXPECT_NEAR(std::abs(form.Range().high - form.Range().low), 0.0001, 1e-9);
  // Choosing reference scans again from the DC window switches the zoom off.
  form.PrepareForReferenceChoice();
  Click(form, "com_plot");
  EXPECT_EQ(form.Range(), VerticalRange{});
}

TEST_F(Form13Test, TheGraphIsRedrawnToTheNewSizeWhenResized) {
  AddScans(1);  // ratio 1 on every channel, colour 0 (black)
  Click(form, "Chk_all");
  Click(form, "com_plot");
  for (const QSize size : {QSize(300, 200), QSize(600, 400)}) {
    graph->setFixedSize(size);
    QApplication::processEvents();
    const QImage image = graph->grab().toImage();
    // The curve at value 1 sits at y = low + high - 1 = 3.8 on the graph.
    const QPoint at = *graph->ToPixel(35 + 128, 3.8);
    bool dark = false;
    for (int dy = -1; dy <= 1; ++dy) dark = dark || QColor(image.pixel(at.x(), at.y() + dy)).lightness() < 60;
    EXPECT_TRUE(dark) << size.width() << "x" << size.height();
  }
}

TEST_F(Form13Test, ClickingAFolderShowsTheHourglassForFiveSeconds) {
  auto* timer = form.findChild<QTimer*>("Timer1");
  ASSERT_NE(timer, nullptr);
  auto* folders = Child<QListWidget>(form, "Dir1");
  ASSERT_GT(folders->count(), 0);
  QTest::mouseClick(folders->viewport(), Qt::LeftButton, {}, folders->visualItemRect(folders->item(0)).center());
  EXPECT_EQ(form.cursor().shape(), Qt::WaitCursor);
  EXPECT_TRUE(timer->isActive());
  EXPECT_EQ(timer->interval(), 5000);
  emit timer->timeout({});
  EXPECT_NE(form.cursor().shape(), Qt::WaitCursor);
  EXPECT_FALSE(timer->isActive());
}

TEST(Form14, ThePathChosenStaysForTheNextTime) {
  ScriptedDialogs dialogs;
  Program program(dialogs, QDir::currentPath());
  ReferenceFileWindow& form = program.ReferenceFile();
  EXPECT_EQ(&form, &program.ReferenceFile());
  EXPECT_EQ(Child<FolderBrowser>(form, {})->Pattern(), "*.ref");

  TempFolder folder;
  const std::string path = folder.Write("panel.ref", "310,0.9\r\n");
  Child<FolderBrowser>(form, {})->SetFolder(QString::fromStdString(folder.Path().string()));
  form.show();
  auto* files = Child<QListWidget>(form, "File1");
  ASSERT_EQ(files->count(), 1);
  QTest::mouseClick(files->viewport(), Qt::LeftButton, {}, files->visualItemRect(files->item(0)).center());
  EXPECT_EQ(Child<QLineEdit>(form, "Text1")->text().toStdString(), path);
  Click(form, "Command1");
  EXPECT_FALSE(form.isVisible());
  EXPECT_EQ(form.ReferenceFilePath(), path);
  // Offered again the next time.
  form.show();
  EXPECT_EQ(form.ReferenceFilePath(), path);
  form.hide();
}

// --- Form9's reference controls and run steps -------------------------------

// One index in Form16: the boxes, the formula, "--->" and OK.
std::function<void(QWidget*)> IndexIn16(const char* name, const char* a, const char* b, bool normalised) {
  return [=](QWidget* modal) {
    Child<QLineEdit>(*modal, "Text3")->setText(QString::fromLatin1(name));
    Child<QLineEdit>(*modal, "Text1")->setText(QString::fromLatin1(a));
    Child<QLineEdit>(*modal, "Text2")->setText(QString::fromLatin1(b));
    Child<QAbstractButton>(*modal, normalised ? "Option1" : "Option2")->click();
    Child<QAbstractButton>(*modal, "ComSubmit")->click();
    Child<QAbstractButton>(*modal, "Command1")->click();
  };
}

// Form14 or Form15: `text` in "Text1", then OK.
std::function<void(QWidget*)> Answer(const std::string& text) {
  return [text](QWidget* modal) {
    Child<QLineEdit>(*modal, "Text1")->setText(Q(text));
    Child<QAbstractButton>(*modal, "Command1")->click();
  };
}

class Form9Reference : public ::testing::Test {
 protected:
  Form9Reference()
      : previous(QDir::currentPath()),
        program(dialogs, (QDir::setCurrent(QString::fromStdString(folder.Path().string())), QDir::currentPath())) {
    scans = synth::WriteDcScans((folder.Path() / "dc").string(), 3, "TUN_");
    panels = synth::WriteDcScans((folder.Path() / "panels").string(), 2, "REF_", 40);
    std::vector<std::string> ref = {"panel", "nm,value"};
    for (int i = 0; i < 821; ++i) ref.push_back(std::to_string(310 + i) + "," + PlainNumber(0.9 + i * 0.0001));
    refFile = folder.Write("panel.ref", CrLf(ref));
    window = std::make_unique<InstrumentWindow>(program, VariantOf(Format::UniSpecDc));
    window->PrepareForShow();
    window->show();
    EXPECT_TRUE(QTest::qWaitForWindowExposed(window.get()));
    EXPECT_TRUE(
        window->findChild<FolderBrowser*>()->SetFolder(QString::fromStdString((folder.Path() / "dc").string())));
    Click(*window, "AddFile");
  }
  ~Form9Reference() override {
    window.reset();
    QDir::setCurrent(previous);
  }
  template <typename T = QWidget>
  T* Get(const char* name) {
    return Child<T>(*window, name);
  }
  // "Select Reference files": both panels chosen, plotted and handed over.
  void ChooseReferenceScans() {
    QObject watch;
    WhenModals(&watch, {[this](QWidget* modal) {
      auto* form13 = qobject_cast<CalculateReferenceWindow*>(modal);
      for (const auto& p : panels) form13->ChooseFile(QString::fromStdString(p));
      Child<QAbstractButton>(*modal, "Chk_all")->click();
      Child<QAbstractButton>(*modal, "com_plot")->click();
      Child<QAbstractButton>(*modal, "Command1")->click();
    }},
               nullptr);
    Click(*window, "ComRef");
  }
  void ConfirmListAndEquations() {
    Click(*window, "cmdFileListOk");
    QObject watch;
    WhenModal(&watch, [](QWidget* modal) { Child<QAbstractButton>(*modal, "cmdOK")->click(); });
    Click(*window, "Command4");
  }
  // The command line's files for the same settings.
  void ConvertOnTheCommandLine(std::vector<std::string> args) {
    args.insert(args.begin(), {"convert", "unispec-dc", "--reflectance", folder.File("cli-r.csv")});
    args.insert(args.end(), scans.begin(), scans.end());
    ASSERT_EQ(RunCorvelane(args).exit, 0);
  }

  TempFolder folder;
  QString previous;
  ScriptedDialogs dialogs;
  Program program;
  std::unique_ptr<InstrumentWindow> window;
  std::vector<std::string> scans, panels;
  std::string refFile;
};

TEST_F(Form9Reference, ReferenceControlsAndTheHandOver) {
  for (const char* name : {"ComRef", "ChkCorrect", "ChkNDVI"}) EXPECT_TRUE(Get(name)->isEnabled()) << name;
  EXPECT_FALSE(Get<QAbstractButton>("ChkCorrect")->isChecked());

  ChooseReferenceScans();
  EXPECT_TRUE(Get<QAbstractButton>("ChkCorrect")->isChecked());
  EXPECT_FALSE(Get("ComRef")->isEnabled());
  EXPECT_EQ(program.CalculateReference().ReferenceScans(), panels);
  EXPECT_EQ(program.CalculateReference().PlottedNames(), "REF_00002.spu,REF_00001.spu,");

  // Cancel makes "Select Reference files" available again; choosing again
  // starts from an empty reference list, and Done with nothing selected
  // leaves "Corrected rfl" as it was.
  Click(*window, "Command5");
  EXPECT_TRUE(Get("ComRef")->isEnabled());
  Get<QAbstractButton>("ChkCorrect")->setChecked(false);
  {
    QObject watch;
    WhenModals(&watch, {[](QWidget* modal) {
      Child<QAbstractButton>(*modal, "UnChk_all")->click();
      Child<QAbstractButton>(*modal, "Command1")->click();
    }},
               nullptr);
    Click(*window, "ComRef");
  }
  EXPECT_TRUE(program.CalculateReference().ReferenceScans().empty());
  EXPECT_FALSE(Get<QAbstractButton>("ChkCorrect")->isChecked());
}

TEST_F(Form9Reference, BothCorrectionsWriteTheCommandLinesBytes) {
  ChooseReferenceScans();
  Get<QAbstractButton>("ChkNDVI")->setChecked(true);
  ConfirmListAndEquations();
  dialogs.Clear();
  dialogs.messageAnswers = {MessageAnswer::Ok, MessageAnswer::Yes};
  dialogs.savePaths = {Q(folder.File("r.csv")), Q(folder.File("i.csv")), Q(folder.File("c.csv"))};
  QStringList opened;
  {
    QObject watch;
    WhenModals(
        &watch,
        {Answer(refFile), Answer("2"), IndexIn16("NDVI", "800", "670", true), IndexIn16("WBI", "900", "970", false)},
        &opened);
    Click(*window, "cmdDoOperation");
  }
  EXPECT_EQ(opened, (QStringList{"Form14", "Form15", "Form16", "Form16"}));
  ASSERT_EQ(dialogs.messages.size(), 2u) << dialogs.Texts().back().toStdString();
  EXPECT_EQ(dialogs.messages[1].text, "Are these values right? 310  1130");
  EXPECT_EQ(dialogs.messages[1].title, "MsgBox Demonstration");
  EXPECT_EQ(dialogs.messages[1].buttons, MessageButtons::YesNo);
  EXPECT_EQ(dialogs.saveTitles,
            (std::vector<QString>{"Save Reflectance File", "Save Indices File?", "Save Corrected Reflectance File?"}));
  ConvertOnTheCommandLine({"--reference-scan", panels[0], "--reference-scan", panels[1], "--corrected",
                           folder.File("cli-c.csv"), "--ref-file", refFile, "--index", "NDVI,800,670,nd", "--index",
                           "WBI,900,970,ratio", "--indices", folder.File("cli-i.csv")});
  for (const char* name : {"r.csv", "i.csv", "c.csv"})
    EXPECT_EQ(ReadAll(folder.File(name)), ReadAll(folder.File(std::string("cli-") + name))) << name;
  EXPECT_EQ(SplitCrLf(ReadAll(folder.File("i.csv"))).size(), 4u);
}

TEST_F(Form9Reference, CorrectedFileWithoutTheReflectanceFile) {
  ChooseReferenceScans();
  Get<QAbstractButton>("chkReflect")->setChecked(false);
  Get<QAbstractButton>("chkTarget")->setChecked(true);
  ConfirmListAndEquations();
  dialogs.Clear();
  dialogs.savePaths = {Q(folder.File("t.csv")), Q(folder.File("c.csv"))};
  Click(*window, "cmdDoOperation");
  EXPECT_EQ(dialogs.saveTitles, (std::vector<QString>{"Save Target File", "Save Corrected Reflectance File?"}));
  ConvertOnTheCommandLine(
      {"--reference-scan", panels[0], "--reference-scan", panels[1], "--corrected", folder.File("cli-c.csv")});
  EXPECT_EQ(ReadAll(folder.File("c.csv")), ReadAll(folder.File("cli-c.csv")));
}

TEST_F(Form9Reference, AMarkedReferenceScanIsNamedOnTheStatusLineAndMarksTheCorrectedFile) {
  // The first reference scan's panel reads 0 on channels 100 to 110.
  std::vector<std::string> lines = SplitCrLf(ReadAll(panels[0]));
  for (std::size_t c = 100; c <= 110; ++c) {
    std::string& line = lines[10 + c];
    line = line.substr(0, line.rfind('\t') + 1) + "0";
  }
  folder.Write("panels/" + std::filesystem::path(panels[0]).filename().string(), CrLf(lines));
  ChooseReferenceScans();
  ConfirmListAndEquations();
  dialogs.Clear();
  dialogs.savePaths = {Q(folder.File("r.csv")), Q(folder.File("c.csv"))};
  Click(*window, "cmdDoOperation");
  const QString status = Get<QLabel>("lblStatus")->text();
  EXPECT_TRUE(status.contains(QStringLiteral("Warning: 1 reference scan has no ratio where its panel read 0")))
      << status.toStdString();
  EXPECT_TRUE(status.contains(Q(panels[0]) + " (")) << status.toStdString();
  ASSERT_FALSE(dialogs.messages.empty());
  EXPECT_EQ(dialogs.messages[0].title, "Warning");
  EXPECT_TRUE(dialogs.messages[0].detail.startsWith("1 reference scan has no ratio"))
      << dialogs.messages[0].detail.toStdString();
  EXPECT_EQ(dialogs.Texts().back(), "   Save Reflectance File   ");
  ConvertOnTheCommandLine(
      {"--reference-scan", panels[0], "--reference-scan", panels[1], "--corrected", folder.File("cli-c.csv")});
  EXPECT_EQ(ReadAll(folder.File("c.csv")), ReadAll(folder.File("cli-c.csv")));
  // Every scan is 999 from where the panel's channel 99 lies below the grid
  // point to where its channel 111 lies above it, and nowhere far from it.
  const auto rows = SplitCrLf(ReadAll(folder.File("c.csv")));
  ASSERT_EQ(rows.size(), 6u + 821u);
  const auto marked = [&](int nm) {
    return rows[static_cast<std::size_t>(6 + nm - 310)].find(" 999 ") != std::string::npos;
  };
  for (int nm = 640; nm <= 660; ++nm) EXPECT_TRUE(marked(nm)) << nm;
  for (int nm : {400, 600, 700, 900}) EXPECT_FALSE(marked(nm)) << nm;
}

TEST_F(Form9Reference, NoToTheRangeQuestionLeavesTheRefFileUnapplied) {
  ChooseReferenceScans();
  Get<QAbstractButton>("ChkNDVI")->setChecked(true);
  ConfirmListAndEquations();
  dialogs.Clear();
  dialogs.messageAnswers = {MessageAnswer::Ok, MessageAnswer::No};
  dialogs.savePaths = {Q(folder.File("r.csv")), Q(folder.File("i.csv")), Q(folder.File("c.csv"))};
  {
    QObject watch;
    WhenModal(&watch, Answer(refFile));
    Click(*window, "cmdDoOperation");
  }
  ASSERT_EQ(dialogs.messages.size(), 3u);
  EXPECT_EQ(dialogs.messages[2].text, "Reference file not applied");
  EXPECT_EQ(dialogs.messages[2].title, "Reference");
  EXPECT_EQ(dialogs.messages[2].icon, MessageIcon::Information);
  EXPECT_TRUE(fs::exists(folder.File("r.csv")));
  EXPECT_FALSE(fs::exists(folder.File("i.csv")));
  EXPECT_FALSE(fs::exists(folder.File("c.csv")));
}

TEST_F(Form9Reference, AZeroInTheRefFileStopsTheRunNamingFileAndWavelength) {
  Get<QAbstractButton>("ChkNDVI")->setChecked(true);
  ConfirmListAndEquations();
  const std::string coarse = folder.Write("coarse.ref", CrLf({"310,0.9", "312,0.9", "314,0.9"}));
  dialogs.Clear();
  dialogs.messageAnswers = {MessageAnswer::Ok, MessageAnswer::Yes};
  dialogs.savePaths = {Q(folder.File("r.csv")), Q(folder.File("i.csv"))};
  {
    QObject watch;
    WhenModal(&watch, Answer(coarse));
    Click(*window, "cmdDoOperation");
  }
  ASSERT_EQ(dialogs.messages.size(), 3u);
  EXPECT_EQ(dialogs.messages[2].text, " Problem in Data File!!!");
  EXPECT_TRUE(dialogs.messages[2].detail.contains("coarse.ref")) << dialogs.messages[2].detail.toStdString();
  EXPECT_TRUE(dialogs.messages[2].detail.contains("310 nm")) << dialogs.messages[2].detail.toStdString();
  EXPECT_TRUE(fs::exists(folder.File("r.csv")));
  EXPECT_FALSE(fs::exists(folder.File("i.csv")));
}

}  // namespace
}  // namespace corvelane::gui
