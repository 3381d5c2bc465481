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
#include <string>
#include <vector>

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
  std::vector<std::string> args = {"convert", "unispec-dc", "--reflectance", folder.File("cli-r.csv"),
                                   "--reference-scan", panels[0], "--reference-scan", panels[1], "--corrected",
                                   folder.File("cli-c.csv"), "--ref-file", refFile, "--index", "NDVI,800,670,nd",
                                   "--index", "WBI,900,970,ratio", "--indices", folder.File("cli-i.csv")};
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

}  // namespace
}  // namespace corvelane::gui
