// The Calculate Reference window (Form13), the Reference and Index window
// (Form14), the UniSpec-DC window's reference steps, and the calibration
// window with its instrument editor, driven as a user would, with scripted
// message boxes.
#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QApplication>
#include <QFrame>
#include <QImage>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMouseEvent>
#include <QPushButton>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <filesystem>
#include <fstream>
#include <functional>
#include <string>
#include <vector>

#include "calibration/dc_calibration_window.h"
#include "calibration/instrument_table.h"
#include "calibration/new_instrument_window.h"
#include "convert/instrument_window.h"
#include "indices/index_list_window.h"
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
      paths.push_back(Q(folder.Write("r" + std::to_string(n) + ".spu", DcScan(100 + 10 * n, 100))));
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

TEST_F(Form13Test, FileListAddsOnceRemovesOnDoubleClickAndSelectsAll) {
  EXPECT_EQ(Child<FolderBrowser>(form, {})->Pattern(), "*.spu");
  EXPECT_FALSE(list->isEnabled());
  EXPECT_FALSE(Child<QFrame>(form, "Shape1")->isVisible());
  EXPECT_EQ(VisibleLegends(), 0);
  const auto paths = AddScans(3);
  EXPECT_TRUE(list->isEnabled());
  form.ChooseFile(paths[1]);
  ExpectOneMessage(dialogs, "File already selected!, please try again", "Error", MessageIcon::Exclamation);
  EXPECT_EQ(list->count(), 3);

  Click(form, "Chk_all");
  EXPECT_EQ(list->selectedItems().size(), 3);
  Click(form, "UnChk_all");
  EXPECT_EQ(list->selectedItems().size(), 0);

  ClickRow(list, 1, true);
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

  // Fewer scans hide the legend entries left over.
  Click(form, "UnChk_all");
  Select({4});
  Click(form, "com_plot");
  EXPECT_EQ(VisibleLegends(), 1);
  EXPECT_EQ(Child<QLineEdit>(form, "txt_legend(0)")->text(), "r4.spu");
  EXPECT_FALSE(Child<QWidget>(form, "pic_legend(1)")->isVisibleTo(&form));
}

TEST_F(Form13Test, AFileThatCannotBeDrawnIsNamedAndTheOthersAreDrawn) {
  AddScans(2);
  form.ChooseFile(Q(folder.Write("short.spu", "only\r\nthree\r\nlines\r\n")));
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
  ClickRow(folders, 0);
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
  Child<FolderBrowser>(form, {})->SetFolder(Q(folder.Path().string()));
  form.show();
  auto* files = Child<QListWidget>(form, "File1");
  ASSERT_EQ(files->count(), 1);
  ClickRow(files, 0);
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
  Form9Reference() {
    scans = synth::WriteDcScans((folder.Path() / "dc").string(), 3, "TUN_");
    panels = synth::WriteDcScans((folder.Path() / "panels").string(), 2, "REF_", 40);
    std::vector<std::string> ref = {"panel", "nm,value"};
    for (int i = 0; i < 821; ++i) ref.push_back(std::to_string(310 + i) + "," + PlainNumber(0.9 + i * 0.0001));
    refFile = folder.Write("panel.ref", CrLf(ref));
    EXPECT_TRUE(window.findChild<FolderBrowser*>()->SetFolder(Q((folder.Path() / "dc").string())));
    Click(window, "AddFile");
  }
  template <typename T = QWidget>
  T* Get(const char* name) {
    return Child<T>(window, name);
  }
  // "Select Reference files": both panels chosen, plotted and handed over.
  void ChooseReferenceScans() {
    ClickThrough(window, "ComRef", {[this](QWidget* modal) {
                   for (const auto& p : panels) qobject_cast<CalculateReferenceWindow*>(modal)->ChooseFile(Q(p));
                   for (const char* button : {"Chk_all", "com_plot", "Command1"}) Click(*modal, button);
                 }});
  }
  void ConfirmListAndEquations() {
    Click(window, "cmdFileListOk");
    ClickThrough(window, "Command4", {Pressing("cmdOK")});
  }
  // Runs with the outputs saved as `paths` and the messages answered with
  // `answers`, acting on the windows the run opens; the messages before start
  // from nothing.
  void Run(const std::vector<QString>& paths, std::vector<std::function<void(QWidget*)>> acts = {},
           QStringList* opened = nullptr, std::deque<MessageAnswer> answers = {}) {
    dialogs.Clear();
    dialogs.savePaths = {paths.begin(), paths.end()};
    dialogs.messageAnswers = std::move(answers);
    ClickThrough(window, "cmdDoOperation", std::move(acts), opened);
  }
  QString Out(const char* name) const { return Q(folder.File(name)); }

  TempFolder folder;
  CurrentDirectory here{Q(folder.Path().string())};  // the start folder
  InstrumentHarness h{Format::UniSpecDc};
  ScriptedDialogs& dialogs = h.dialogs;
  Program& program = h.program;
  InstrumentWindow& window = *h.window;
  std::vector<std::string> scans, panels;
  std::string refFile;
};

TEST_F(Form9Reference, ReferenceControlsAndTheHandOver) {
  for (const char* name : {"ComRef", "ChkCorrect", "ChkNDVI"}) EXPECT_TRUE(Get(name)->isEnabled()) << name;
  EXPECT_FALSE(Get<QAbstractButton>("ChkCorrect")->isChecked());

  ChooseReferenceScans();
  EXPECT_TRUE(Get<QAbstractButton>("ChkCorrect")->isChecked());
  // It opened in the DC window's folder, not the working folder; its list is
  // wide enough to tell names apart and shows the whole path as a tooltip.
  CalculateReferenceWindow& form13 = program.CalculateReference();
  EXPECT_EQ(QDir(form13.findChild<FolderBrowser*>()->CurrentFolder()), QDir(Q((folder.Path() / "dc").string())));
  auto* refList = form13.findChild<QListWidget*>(QStringLiteral("RefList"));
  EXPECT_GE(refList->minimumWidth(), refList->fontMetrics().horizontalAdvance(QStringLiteral("REF_00001.spu")));
  EXPECT_EQ(refList->item(0)->toolTip(), Q(panels[0]));
  // The legend shows whole file names.
  auto* legend = form13.findChild<QLineEdit*>(QStringLiteral("txt_legend(0)"));
  EXPECT_GE(legend->minimumWidth(), legend->fontMetrics().horizontalAdvance(legend->text()));
  EXPECT_EQ(legend->cursorPosition(), 0);
  // The reference scans stay editable until the run starts, the list confirmed or not.
  EXPECT_TRUE(Get("ComRef")->isEnabled());
  EXPECT_EQ(form13.ReferenceScans(), panels);
  ConfirmListAndEquations();
  EXPECT_TRUE(Get("ComRef")->isEnabled());
  Click(window, "cmdEditList");
  EXPECT_TRUE(Get("ComRef")->isEnabled());
  // Looking again and closing without Done keeps the scans handed over.
  ClickThrough(window, "ComRef", {[](QWidget* modal) { qobject_cast<QDialog*>(modal)->reject(); }});
  EXPECT_EQ(form13.ReferenceScans(), panels);
  EXPECT_EQ(form13.PlottedNames(), "REF_00002.spu,REF_00001.spu,");

  // Cancel makes "Select Reference files" available again; choosing again
  // starts from an empty reference list, and Done with nothing selected
  // leaves "Corrected rfl" as it was.
  Click(window, "Command5");
  EXPECT_TRUE(Get("ComRef")->isEnabled());
  Get<QAbstractButton>("ChkCorrect")->setChecked(false);
  ClickThrough(window, "ComRef", {[](QWidget* modal) {
                 Click(*modal, "UnChk_all");
                 Click(*modal, "Command1");
               }});
  EXPECT_TRUE(form13.ReferenceScans().empty());
  EXPECT_FALSE(Get<QAbstractButton>("ChkCorrect")->isChecked());
}

TEST_F(Form9Reference, BothCorrectionsWriteTheCommandLinesBytes) {
  ChooseReferenceScans();
  Get<QAbstractButton>("ChkNDVI")->setChecked(true);
  ConfirmListAndEquations();
  QStringList opened, titles;
  const auto index = [&titles](const char* name, const char* a, const char* b, bool normalised) {
    return [=, &titles](QWidget* modal) {
      titles << modal->windowTitle();
      IndexIn16(name, a, b, normalised)(modal);
    };
  };
  Run({Out("r.csv"), Out("i.csv"), Out("c.csv")},
      {Answer(refFile), Answer("2"), index("NDVI", "800", "670", true), index("WBI", "900", "970", false)}, &opened,
      {MessageAnswer::Ok, MessageAnswer::Yes});
  EXPECT_EQ(opened, (QStringList{"Form14", "Form15", "Form16", "Form16"}));
  // Each index prompt says which of how many it is for.
  EXPECT_EQ(titles, (QStringList{"Index name and formula (index 1 of 2)", "Index name and formula (index 2 of 2)"}));
  EXPECT_EQ(program.IndexList().windowTitle(), "Index name and formula");
  ASSERT_EQ(dialogs.messages.size(), 2u) << dialogs.Texts().back().toStdString();
  EXPECT_EQ(dialogs.messages[1].text, "Are these values right? 310  1130");
  EXPECT_EQ(dialogs.messages[1].title, "MsgBox Demonstration");
  EXPECT_EQ(dialogs.messages[1].buttons, MessageButtons::YesNo);
  EXPECT_EQ(dialogs.saveTitles,
            (std::vector<QString>{"Save Reflectance File", "Save Indices File?", "Save Corrected Reflectance File?"}));
  // The command line's files for the same settings.
  std::vector<std::string> args = {"convert",          "unispec-dc",
                                   "--reflectance",    folder.File("cli-r.csv"),
                                   "--reference-scan", panels[0],
                                   "--reference-scan", panels[1],
                                   "--corrected",      folder.File("cli-c.csv"),
                                   "--ref-file",       refFile,
                                   "--index",          "NDVI,800,670,nd",
                                   "--index",          "WBI,900,970,ratio",
                                   "--indices",        folder.File("cli-i.csv")};
  args.insert(args.end(), scans.begin(), scans.end());
  ASSERT_EQ(RunCorvelane(args).exit, 0);
  for (const char* name : {"r.csv", "i.csv", "c.csv"})
    EXPECT_EQ(ReadAll(folder.File(name)), ReadAll(folder.File(std::string("cli-") + name))) << name;
  EXPECT_EQ(SplitCrLf(ReadAll(folder.File("i.csv"))).size(), 4u);
}

// The marks in the corrected file are the core's (ReferenceMarks tests).
TEST_F(Form9Reference, AMarkedReferenceScanIsNamedOnTheStatusLine) {
  // The first reference scan's panel reads 0 on channels 100 to 110.
  std::vector<std::string> lines = SplitCrLf(ReadAll(panels[0]));
  for (std::size_t c = 100; c <= 110; ++c) {
    std::string& line = lines[10 + c];
    line = line.substr(0, line.rfind('\t') + 1) + "0";
  }
  folder.Write("panels/" + std::filesystem::path(panels[0]).filename().string(), CrLf(lines));
  ChooseReferenceScans();
  ConfirmListAndEquations();
  Run({Out("r.csv"), Out("c.csv")});
  const QString status = Get<QLabel>("lblStatus")->text();
  EXPECT_TRUE(Contains(status, "Warning: 1 reference scan has no ratio where its panel read 0"));
  EXPECT_TRUE(Contains(status, Q(panels[0]) + " ("));
  ASSERT_FALSE(dialogs.messages.empty());
  EXPECT_EQ(dialogs.messages[0].title, "Warning");
  EXPECT_TRUE(dialogs.messages[0].detail.startsWith("1 reference scan has no ratio"))
      << dialogs.messages[0].detail.toStdString();
  EXPECT_EQ(dialogs.Texts().back(), "   Save Reflectance File   ");
}

// Edit List and Cancel free every output box, and a confirmed list takes no
// change: Absorbance once stayed ticked and greyed until the program
// restarted, and "Add Files" added to a confirmed list.
TEST_F(Form9Reference, EditListFreesTheOutputBoxesAndAConfirmedListTakesNoChange) {
  auto* absorb = Get<QAbstractButton>("chkAbsorb");
  absorb->setChecked(true);
  const int listed = Get<QListWidget>("List1")->count();
  ASSERT_EQ(listed, 3);
  ConfirmListAndEquations();
  EXPECT_FALSE(absorb->isEnabled());
  EXPECT_FALSE(Get("AddFile")->isEnabled());
  Click(window, "AddFile");  // a click on the greyed button does nothing
  window.findChild<FolderBrowser*>()->filesChosen({Q(panels[0]), Q(panels[1])});
  EXPECT_EQ(Get<QListWidget>("List1")->count(), listed);

  Click(window, "cmdEditList");
  EXPECT_TRUE(absorb->isEnabled());
  EXPECT_TRUE(Get("AddFile")->isEnabled());
  Click(window, "chkAbsorb");
  EXPECT_FALSE(absorb->isChecked());

  // Cancel frees them too, for the next opening.
  absorb->setChecked(true);
  ConfirmListAndEquations();
  Click(window, "Command5");
  EXPECT_TRUE(absorb->isEnabled());
  EXPECT_TRUE(Get("AddFile")->isEnabled());
}

// Slips during the .ref step do not end a run that has written files
// (a range answered No is the ReferenceStep and RunJob tests'):
// closing "Reference and Index" is No, and the status line then lists what
// was written; after an applied .ref file it lists the index file too.
TEST_F(Form9Reference, AClosedReferenceWindowIsNoAndTheStatusLineListsTheIndexFile) {
  Get<QAbstractButton>("ChkNDVI")->setChecked(true);
  ConfirmListAndEquations();
  Run({Out("r.csv")}, {[](QWidget* modal) { modal->close(); }});
  ASSERT_EQ(dialogs.messages.size(), 2u) << dialogs.Texts().back().toStdString();
  EXPECT_EQ(dialogs.messages[1].text, "Reference file not applied");
  EXPECT_TRUE(fs::exists(folder.File("r.csv")));
  EXPECT_FALSE(Get<QLabel>("lblStatus")->text().contains("failed")) << Get<QLabel>("lblStatus")->text().toStdString();

  // An empty path is No as well.
  Click(window, "cmdEditList");
  ConfirmListAndEquations();
  Run({Out("r2.csv")}, {Answer("  ")});
  ASSERT_EQ(dialogs.messages.size(), 2u);
  EXPECT_EQ(dialogs.messages[1].text, "Reference file not applied");

  // "abc" as the number of indices is asked again; the index file is then
  // listed on the status line (by name: the start folder has no results/).
  Click(window, "cmdEditList");
  ConfirmListAndEquations();
  QStringList opened;
  Run({Out("r3.csv"), Out("i3.csv")},
      {Answer(refFile),
       [](QWidget* modal) {
         Answer("abc")(modal);  // refused: the window stays
         Answer("1")(modal);
       },
       IndexIn16("NDVI", "800", "670", true)},
      &opened, {MessageAnswer::Ok, MessageAnswer::Yes});
  EXPECT_EQ(opened, (QStringList{"Form14", "Form15", "Form16"}));
  EXPECT_TRUE(fs::exists(folder.File("i3.csv")));
  const QString status = Get<QLabel>("lblStatus")->text();
  EXPECT_TRUE(status.startsWith("Wrote r3.csv, i3.csv (3 scans)")) << status.toStdString();
}

// --- The UniSpec-DC calibration window (Form10) and the instrument editor it
// opens (Form19).

void SetText(QWidget& parent, const QString& box, const QString& text) { Child<QLineEdit>(parent, box)->setText(text); }
QString Box(QWidget& parent, const QString& box) { return Child<QLineEdit>(parent, box)->text(); }

const QStringList kBoxes = {"txtCoeffA", "txtCoeffB", "txtCoeffC", "txtCoeffAChB", "txtCoeffBChB", "txtCoeffCChB"};
// The coefficients of DC 1 and DC 2 in the file written when there is none.
const QStringList kDc1 = {"301.1004976", "3.326823976", "-0.0002851923768",
                          "301.2242815", "3.332275231", "-0.0003061076534"};
const QStringList kDc2 = {"300.5829261", "3.325460401", "-0.0002928427608",
                          "301.0290324", "3.333019474", "-0.0003356843766"};

// The instrument buttons a user sees, in order.
QStringList VisibleInstruments(QWidget& form10) {
  QStringList names;
  for (int i = 0; i < 6; ++i) {
    auto* b = Child<QPushButton>(form10, QStringLiteral("Inst(%1)").arg(i));
    if (!b->isHidden()) names << b->text();
  }
  return names;
}

class DcCalibrationTest : public ::testing::Test {
 protected:
  QTemporaryDir folder;
  ScriptedDialogs dialogs;
  DcEquationTexts texts;
  std::string InstCof() const { return InstrumentFilePath(folder.path().toStdString()); }
};

TEST_F(DcCalibrationTest, LoadWritesTheDefaultFileAndAnInstrumentButtonFillsTheSixBoxes) {
  DcCalibrationWindow form10(dialogs, folder.path(), texts);
  EXPECT_EQ(ReadAll(InstCof()), DefaultInstrumentFileText());
  EXPECT_EQ(VisibleInstruments(form10), (QStringList{"DC 1", "DC 2"}));
  for (int i = 0; i < 6; ++i) EXPECT_EQ(Box(form10, kBoxes[i]), kDc1[i]);

  form10.show();
  Click(form10, "Option1");
  Click(form10, "Inst(1)");
  for (int i = 0; i < 6; ++i) EXPECT_EQ(Box(form10, kBoxes[i]), kDc2[i]);
  EXPECT_EQ(texts.startChannel, 0);  // the begin-channel option is not changed
  EXPECT_TRUE(dialogs.messages.empty());
}

TEST_F(DcCalibrationTest, OkNeedsSixNumbersAndCancelSaysNoEquation) {
  DcCalibrationWindow form10(dialogs, folder.path(), texts);
  QSignalSpy confirmed(&form10, &DcCalibrationWindow::Confirmed);
  form10.show();
  SetText(form10, "txtCoeffBChB", "3,33");
  Click(form10, "cmdOK");
  ASSERT_EQ(dialogs.messages.size(), 1u);
  EXPECT_EQ(dialogs.messages[0].text, "Coefficients must be numbers");
  EXPECT_EQ(dialogs.messages[0].title, "Error");
  EXPECT_TRUE(dialogs.messages[0].detail.contains("B2"));
  EXPECT_TRUE(form10.isVisible());
  EXPECT_EQ(confirmed.count(), 0);

  SetText(form10, "txtCoeffBChB", "3.332275231");
  Click(form10, "cmdOK");
  EXPECT_FALSE(form10.isVisible());
  EXPECT_EQ(confirmed.count(), 1);
  ASSERT_EQ(form10.Tables().channel1.size(), 256u);
  EXPECT_EQ(form10.Tables().channel1[0], 304.43);
  EXPECT_EQ(form10.Tables().channel2[255], 1134.23);

  dialogs.Clear();
  form10.show();
  Click(form10, "cmdCancel");
  EXPECT_FALSE(form10.isVisible());
  ExpectOneMessage(dialogs, "No Equation Selected", "Coefficients", MessageIcon::Information);
}

// Done in the editor lists the new instrument and keeps the coefficients
// chosen; the window says whose coefficients the boxes hold.
TEST_F(DcCalibrationTest, AddingAnInstrumentThenDoneKeepsTheChosenCoefficients) {
  DcCalibrationWindow form10(dialogs, folder.path(), texts);
  form10.show();
  SetText(form10, "txtCoeffA", "999");
  QStringList listed, opened;
  ClickThrough(form10, "ComAdd", {[&listed](QWidget* form19) {
                 listed = Items(Child<QListWidget>(*form19, "Inst_list"));
                 SetText(*form19, "Text1", "X");
                 const QStringList c = {"300", "3.3", "-0.0003", "301", "3.31", "-0.0004"};
                 for (int i = 0; i < 6; ++i) SetText(*form19, QStringLiteral("Text2(%1)").arg(i), c[i]);
                 Click(*form19, "Com_add");
                 Click(*form19, "Com_close");
               }},
               &opened);
  EXPECT_EQ(opened, QStringList{"Form19"});
  EXPECT_EQ(listed, (QStringList{"DC 1", "DC 2"}));  // as many names as Form10 showed buttons
  EXPECT_EQ(VisibleInstruments(form10), (QStringList{"DC 1", "DC 2", "X"}));
  EXPECT_EQ(Box(form10, "txtCoeffA"), "999");
  EXPECT_TRUE(Contains(Child<QLabel>(form10, "lblActive")->text(), "typed"));
  Click(form10, "Inst(2)");
  EXPECT_EQ(Box(form10, "txtCoeffCChB"), "-0.0004");
  EXPECT_TRUE(Contains(Child<QLabel>(form10, "lblActive")->text(), "\"X\""));
  Click(form10, "Inst(0)");
  EXPECT_TRUE(Contains(Child<QLabel>(form10, "lblActive")->text(), "\"DC 1\""));
  EXPECT_TRUE(dialogs.messages.empty());
}

TEST_F(DcCalibrationTest, MoreThanSixInstrumentsShowSixButtonsAndLeaveTheFileAlone) {
  std::string text = "Data:\r\n";
  for (int i = 1; i <= 8; ++i) text += "I" + std::to_string(i) + ",1,2,3,4,5,6,\r\n";
  text += "end";
  std::ofstream(InstCof(), std::ios::binary) << text;
  DcCalibrationWindow form10(dialogs, folder.path(), texts);
  EXPECT_EQ(VisibleInstruments(form10), (QStringList{"I1", "I2", "I3", "I4", "I5", "I6"}));
  EXPECT_EQ(Items(Child<QListWidget>(form10.InstrumentEditor(), "Inst_list")), QStringList());  // not loaded yet
  ASSERT_TRUE(form10.InstrumentEditor().Load());
  EXPECT_EQ(Items(Child<QListWidget>(form10.InstrumentEditor(), "Inst_list")).size(), 8);
  EXPECT_EQ(ReadAll(InstCof()), text);
}

// A click on an instrument loads its coefficients, Update asks before
// replacing them and acts on the selected record (the table's own rules and
// its backup are the InstrumentFile tests').
TEST_F(DcCalibrationTest, EditorLoadsTheClickedInstrumentAndAsksBeforeUpdating) {
  NewInstrumentWindow form19(dialogs, QString::fromStdString(InstCof()));
  ASSERT_TRUE(form19.Load());
  form19.show();
  auto* list = Child<QListWidget>(form19, "Inst_list");
  // Boxes left over from typing elsewhere never reach the clicked record.
  for (int i = 0; i < 6; ++i) SetText(form19, QStringLiteral("Text2(%1)").arg(i), "7");
  ClickRow(list, 1);
  EXPECT_EQ(Box(form19, "Text1"), "DC 2");
  for (int i = 0; i < 6; ++i) EXPECT_EQ(Box(form19, QStringLiteral("Text2(%1)").arg(i)), kDc2[i]);

  const std::string before = ReadAll(InstCof());
  SetText(form19, "Text2(5)", "6");
  dialogs.messageAnswers = {MessageAnswer::No};
  Click(form19, "Com_update");
  ASSERT_EQ(dialogs.messages.size(), 1u);
  EXPECT_EQ(dialogs.messages[0].buttons, MessageButtons::YesNo);
  EXPECT_TRUE(dialogs.messages[0].text.contains("DC 2"));
  EXPECT_EQ(ReadAll(InstCof()), before);
  dialogs.messageAnswers = {MessageAnswer::Yes};
  Click(form19, "Com_update");
  EXPECT_EQ(ReadInstrument(InstCof(), 1).coefficients[5], "6");
  EXPECT_EQ(ReadInstrument(InstCof(), 1).coefficients[0], "300.5829261");

  // A name typed over the selected one is not a record to change.
  dialogs.Clear();
  SetText(form19, "Text1", "DC 9");
  Click(form19, "Com_update");
  Click(form19, "EditParam");
  ASSERT_EQ(dialogs.messages.size(), 2u);
  EXPECT_EQ(dialogs.messages[0].title, "Error");
  EXPECT_EQ(LoadInstruments(InstCof()).size(), 2u);
}

// A request the table refuses is shown and changes nothing; with a table
// holding one name twice, Delete removes the row selected.
TEST_F(DcCalibrationTest, EditorShowsARefusalAndDeletesTheSelectedRow) {
  std::ofstream(InstCof(), std::ios::binary) << "Data:\r\nDC 1,1,2,3,4,5,6,\r\nDC 2,7,8,9,10,11,12,\r\n"
                                                "DC 2,3,0,1,5,0,0,\r\nend";
  NewInstrumentWindow form19(dialogs, QString::fromStdString(InstCof()));
  ASSERT_TRUE(form19.Load());
  form19.show();
  const std::string table = ReadAll(InstCof());
  SetText(form19, "Text1", "dc 1");
  for (int i = 0; i < 6; ++i) SetText(form19, QStringLiteral("Text2(%1)").arg(i), "1");
  Click(form19, "Com_add");
  ASSERT_EQ(dialogs.messages.size(), 1u);
  EXPECT_EQ(dialogs.messages[0].title, "Error");
  EXPECT_TRUE(dialogs.messages[0].detail.contains("DC 1")) << dialogs.messages[0].detail.toStdString();
  EXPECT_EQ(ReadAll(InstCof()), table);

  auto* list = Child<QListWidget>(form19, "Inst_list");
  ClickRow(list, 2);
  EXPECT_EQ(Box(form19, "Text2(0)"), "3");
  dialogs.Clear();
  dialogs.messageAnswers = {MessageAnswer::Yes};
  Click(form19, "EditParam");
  ASSERT_EQ(dialogs.messages.size(), 1u);
  EXPECT_EQ(dialogs.messages[0].buttons, MessageButtons::YesNo);
  const auto records = LoadInstruments(InstCof());
  ASSERT_EQ(records.size(), 2u);
  EXPECT_EQ(records[1].coefficients[0], "7") << "the real DC 2 stays";
}

// "From scans": the six boxes take the equation of the listed scans'
// wavelength column (both channels alike); scans that give none leave them.
TEST_F(DcCalibrationTest, FromScansFillsTheBoxesWithTheListedScansFit) {
  DcCalibrationWindow form10(dialogs, folder.path(), texts);
  const auto write = [&](const QString& name, const std::string& text) {
    const QString path = folder.filePath(name);
    WriteFile(path, QByteArray::fromStdString(text));
    return path.toStdString();
  };
  std::string scan;
  scan += "\"File:       \\Storage Card\\A.spu\"\r\n\"Remarks:    SW=UnispecDCcf Comment=Datascan\"\r\n";
  scan += "\"Time:       6/22/2018 3:36:29 PM\"\r\n";
  for (int i = 0; i < 7; ++i) scan += "\"header\"\r\n";
  for (int c = 1; c <= 256; ++c) scan += std::to_string(300 + 3 * c) + " \t100 \t200 \r\n";
  form10.SetListedScans({write("a.spu", scan)});
  form10.show();
  Click(form10, "cmdFromScans");
  const QStringList fitted = {"300.000000000", "3.000000000", "0.000000000000000"};
  for (int i = 0; i < 6; ++i) EXPECT_EQ(Box(form10, kBoxes[i]), fitted[i % 3]) << i;
  ASSERT_EQ(dialogs.messages.size(), 1u);
  EXPECT_TRUE(dialogs.messages[0].text.contains("largest residual 0.000 nm")) << dialogs.messages[0].text.toStdString();
  EXPECT_EQ(texts.coefficients[3], "300.000000000");  // the run reads the boxes

  dialogs.Clear();
  form10.SetListedScans({write("b.txt", "not a scan\r\n")});
  Click(form10, "cmdFromScans");
  ASSERT_EQ(dialogs.messages.size(), 1u);
  EXPECT_EQ(dialogs.messages[0].text, "These scans give no calibration");
  EXPECT_TRUE(dialogs.messages[0].detail.contains("b.txt"));
  EXPECT_EQ(Box(form10, "txtCoeffA"), "300.000000000");
}

}  // namespace
}  // namespace corvelane::gui
