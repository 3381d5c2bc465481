// Working with many files and reading what the windows show: several files
// chosen at once, the keyboard, the graphs' lettering, the status line, and
// the windows on a small screen at a scale factor of 2.
#include <gtest/gtest.h>

#include <QApplication>
#include <QCheckBox>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QFontMetrics>
#include <QImage>
#include <QLabel>
#include <QListWidget>
#include <QLocale>
#include <QPushButton>
#include <QScrollArea>
#include <QScrollBar>
#include <QSignalSpy>
#include <QStyledItemDelegate>
#include <QTabWidget>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "calibration/equation_window.h"
#include "convert/instrument_window.h"
#include "convert/output_sink_window.h"
#include "convert/preview_widget.h"
#include "convert/program.h"
#include "convert/spectrum_preview.h"
#include "instruments/variant.h"
#include "tests/gui_support.h"
#include "tests/test_support.h"
#include "tools/scan_synth.h"
#include "widgets/elided_label_widget.h"
#include "widgets/folder_browser_widget.h"

namespace corvelane::gui {
namespace {

namespace fs = std::filesystem;
using corvelane::testing::Contains;
using corvelane::testing::Q;
using corvelane::testing::ScriptedDialogs;
using corvelane::testing::TempFolder;

void Touch(const QString& path) {
  QFile f(path);
  ASSERT_TRUE(f.open(QIODevice::WriteOnly)) << path.toStdString();
  f.write("x");
}

QPoint CentreOf(QListWidget* list, int row) {
  list->scrollToItem(list->item(row));
  return list->visualItemRect(list->item(row)).center();
}

// --- The file box: a range chosen with Shift, added with Enter or a double click

TEST(FolderBrowserTest, ShiftAndCtrlOnlySelectEnterAndDoubleClickChooseTheSelection) {
  QTemporaryDir folder;
  const QDir d(folder.path());
  for (const char* name : {"a.spt", "b.spt", "c.spt", "d.spt"}) Touch(d.filePath(name));
  ScriptedDialogs dialogs;
  FolderBrowser browser(dialogs);
  browser.SetMultiSelect(true);
  ASSERT_TRUE(browser.SetFolder(folder.path()));
  browser.show();
  ASSERT_TRUE(QTest::qWaitForWindowExposed(&browser));
  QListWidget* files = browser.FileList();
  QSignalSpy clicked(&browser, &FolderBrowser::fileClicked);
  QSignalSpy chosen(&browser, &FolderBrowser::filesChosen);

  QTest::mouseClick(files->viewport(), Qt::LeftButton, {}, CentreOf(files, 0));
  QTest::mouseClick(files->viewport(), Qt::LeftButton, Qt::ShiftModifier, CentreOf(files, 2));
  QTest::mouseClick(files->viewport(), Qt::LeftButton, Qt::ControlModifier, CentreOf(files, 1));
  QTest::mouseClick(files->viewport(), Qt::LeftButton, Qt::ControlModifier, CentreOf(files, 3));
  ASSERT_EQ(clicked.count(), 1) << "Shift and Ctrl clicks only select";
  EXPECT_EQ(clicked[0][0].toString(), d.filePath("a.spt"));
  QTest::keyClick(files, Qt::Key_Return);
  ASSERT_EQ(chosen.count(), 1);
  EXPECT_EQ(chosen[0][0].toStringList(), (QStringList{d.filePath("a.spt"), d.filePath("c.spt"), d.filePath("d.spt")}));

  files->selectAll();
  QTest::keyClick(files, Qt::Key_Enter);
  ASSERT_EQ(chosen.count(), 2);
  EXPECT_EQ(chosen[1][0].toStringList().size(), 4);
  QTest::mouseClick(files->viewport(), Qt::LeftButton, {}, CentreOf(files, 1));
  QTest::mouseDClick(files->viewport(), Qt::LeftButton, {}, CentreOf(files, 1));
  ASSERT_EQ(chosen.count(), 3);
  EXPECT_TRUE(chosen[2][0].toStringList().contains(d.filePath("b.spt")));
  EXPECT_TRUE(dialogs.messages.empty());

  // Where only one file may be picked, Enter does nothing of the kind.
  browser.SetMultiSelect(false);
  QTest::keyClick(files, Qt::Key_Return);
  EXPECT_EQ(chosen.count(), 3);
}

// --- The graphs: visible when empty, lettering clear of lines and each other

TEST(PreviewWidgetTest, BaseColourFrameAndLabelsClearOfTheBaseLineAndEachOther) {
  for (const Format format : {Format::UniSpecOld, Format::Ger1500, Format::Ger2600}) {
    const PreviewGeometry range = PreviewGeometryOf(VariantOf(format));
    PreviewData data;
    data.target.assign(static_cast<std::size_t>(range.channels), 100.0);
    data.panel = data.target;
    data.refl.assign(static_cast<std::size_t>(range.channels), 0.5);
    std::vector<DrawOp> ops;
    AppendPreviewDrawing(VariantOf(format), data, ops);
    PreviewWidget pic(range);
    pic.SetOps(ops, PreviewArea::Target);
    const bool uniSpec = format == Format::UniSpecOld;
    const double yb = uniSpec ? 65000 : 500000, x0 = uniSpec ? 25 : 50;
    const double xe = uniSpec ? 290 : format == Format::Ger1500 ? 590 : 650;
    // The smallest size the window gives and a usual one.
    for (const QSize size : {pic.minimumSizeHint(), QSize(210, 125), QSize(400, 200)}) {
      pic.resize(size);
      const std::vector<QRect> texts = pic.TextRects();
      ASSERT_EQ(texts.size(), 7u);
      EXPECT_LT(texts[3].top(), texts[4].top()) << "R above a";
      EXPECT_LT(texts[4].top(), texts[5].top()) << "a above d";
      const QPoint from = *pic.ToPixel(x0, yb), to = *pic.ToPixel(xe, yb);
      const QRect baseLine(from, QPoint(to.x(), from.y()));
      for (std::size_t i = 0; i < texts.size(); ++i) {
        EXPECT_TRUE(pic.rect().contains(texts[i])) << i;
        EXPECT_FALSE(texts[i].intersects(baseLine))
            << "label " << i << " crosses the base line at " << size.width() << "x" << size.height();
        for (std::size_t j = 0; j < i; ++j)
          EXPECT_FALSE(texts[i].intersects(texts[j]))
              << "labels " << j << " and " << i << " overlap at " << size.width() << "x" << size.height();
      }
    }
  }
  // Before anything is drawn: the base colour inside a frame.
  PreviewWidget empty(PreviewGeometryOf(VariantOf(Format::UniSpecOld)));
  empty.resize(200, 100);
  const QImage image = empty.grab().toImage();
  const QColor base = empty.palette().color(QPalette::Base);
  EXPECT_EQ(image.pixelColor(image.width() / 2, image.height() / 2), base);
  EXPECT_NE(image.pixelColor(0, image.height() / 2), base) << "no frame";
  EXPECT_NE(image.pixelColor(image.width() / 2, image.height() - 1), base) << "no frame";
}

// --- The conversion window: a hand-built list is kept and easy to work with

using Harness = corvelane::testing::InstrumentHarness;

std::size_t PointsIn(const Harness& w, const char* pic) {
  std::size_t n = 0;
  for (const DrawOp& op : w.Get<PreviewWidget>(pic)->Ops()) n += op.kind == DrawOp::Point;
  return n;
}

std::vector<std::string> Scans(const TempFolder& temp, Format format, int count) {
  return synth::WriteScans((temp.Path() / "scans").string(), format, count, "S");
}

TEST(InstrumentWindowList, ManyFilesAtOnceEachListedOnceByNameNewestInView) {
  const TempFolder temp;
  const auto scans = Scans(temp, Format::UniSpecOld, 40);
  Harness w(Format::UniSpecOld);
  EXPECT_EQ(w.Text("lblListCount"), "No files listed");
  // One file clicked first, then every file of the folder at once.
  w.Pick({scans[0]});
  ASSERT_EQ(w.Entries().size(), 1);
  w.ChooseAll(temp.File("scans"));
  QStringList expected;
  for (const auto& s : scans) expected << Q(s);
  EXPECT_EQ(w.Entries(), expected) << "in file-box order, each once";
  EXPECT_TRUE(w.dialogs.messages.empty());
  EXPECT_EQ(w.Text("lblListCount"), "40 files listed (1 listed already, not added again)");
  EXPECT_TRUE(w.Enabled("cmdFileListOk"));
  EXPECT_TRUE(w.Enabled("cmdChkFile"));
  // A single click on a listed file still says so.
  w.Pick({scans[3]});
  ASSERT_EQ(w.dialogs.messages.size(), 1u);
  EXPECT_EQ(w.dialogs.messages[0].text, "File already selected!");

  // The newest entry is in view; entries show the file name, cut in the
  // middle, and the full path as their tooltip.
  QListWidget* list = w.List();
  QApplication::processEvents();
  EXPECT_TRUE(list->viewport()->rect().intersects(list->visualItemRect(list->item(39))));
  EXPECT_EQ(list->textElideMode(), Qt::ElideMiddle);
  auto* delegate = qobject_cast<QStyledItemDelegate*>(list->itemDelegate());
  ASSERT_NE(delegate, nullptr);
  EXPECT_EQ(delegate->displayText(list->item(5)->text(), QLocale()), Q(fs::path(scans[5]).filename().string()));
  EXPECT_EQ(list->item(5)->toolTip(), expected[5]);
}

TEST(InstrumentWindowList, KeysMovePreviewAndRemoveWithHighlightAndGraphInStep) {
  const TempFolder temp;
  const auto scans = Scans(temp, Format::UniSpecOld, 4);
  Harness w(Format::UniSpecOld);
  w.ChooseAll(temp.File("scans"));
  w.Get<QCheckBox>("chkShowGraph")->setChecked(true);
  QListWidget* list = w.List();
  const auto graphed = [&w] { return w.Text("lblPreviewFile"); };
  const auto agree = [&](const char* when) {
    ASSERT_NE(list->currentItem(), nullptr) << when;
    EXPECT_TRUE(list->currentItem()->isSelected()) << when;
    EXPECT_EQ(graphed(), list->currentItem()->text()) << when;
    EXPECT_EQ(PointsIn(w, "picTarget"), 256u) << when;
  };
  list->setFocus();
  list->setCurrentRow(0);
  agree("first row");
  QTest::keyClick(list, Qt::Key_Down);
  EXPECT_EQ(list->currentRow(), 1);
  agree("arrow down");
  QTest::keyClick(list, Qt::Key_Delete);
  EXPECT_EQ(w.Entries(), (QStringList{Q(scans[0]), Q(scans[2]), Q(scans[3])}));
  EXPECT_EQ(list->currentRow(), 1);
  agree("Delete");
  EXPECT_EQ(w.Text("lblListCount"), "3 files listed");
  // A double click on the last entry: its neighbour is highlighted and graphed.
  const QPoint last = list->visualItemRect(list->item(2)).center();
  QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, last);
  QTest::mouseDClick(list->viewport(), Qt::LeftButton, {}, last);
  ASSERT_EQ(list->count(), 2);
  EXPECT_EQ(list->currentRow(), 1);
  agree("double click");
  QTest::keyClick(list, Qt::Key_Up);
  agree("arrow up");
  QTest::keyClick(list, Qt::Key_Delete);
  QTest::keyClick(list, Qt::Key_Delete);
  EXPECT_EQ(list->count(), 0);
  EXPECT_EQ(graphed(), "");
  EXPECT_EQ(PointsIn(w, "picTarget"), 0u);
  EXPECT_FALSE(w.Enabled("cmdFileListOk"));
  EXPECT_EQ(w.Text("lblListCount"), "No files listed");
}

// A run failing on one bad file: the status line says why, the progress bar
// goes back to 0, and Edit List returns to the list, kept, to remove it.
TEST(InstrumentWindowRun, AfterAFailedRunEditListKeepsTheListToMendIt) {
  const TempFolder temp;
  auto scans = Scans(temp, Format::UniSpecOld, 3);
  {
    std::ofstream bad(scans[1], std::ios::binary | std::ios::trunc);
    bad << "C:\\DATA\\S0002.SPT\r\nonly a header\r\n";
  }
  Harness w(Format::UniSpecOld);
  w.ChooseAll(temp.File("scans"));
  EXPECT_FALSE(w.Enabled("cmdEditList")) << "nothing to go back to while selecting";
  w.Click("cmdFileListOk");
  EXPECT_TRUE(w.Enabled("cmdEditList"));
  w.Click("Option1");
  w.Click("cmdDoOperation");
  ASSERT_EQ(w.dialogs.messages.size(), 1u);
  EXPECT_EQ(w.dialogs.messages[0].text, " Problem in Data File!!!");
  EXPECT_TRUE(w.Text("lblStatus").startsWith("Run failed: ")) << w.Text("lblStatus").toStdString();
  EXPECT_TRUE(w.Text("lblStatus").contains(Q(fs::path(scans[1]).filename().string())))
      << w.Text("lblStatus").toStdString();
  EXPECT_EQ(w.Progress("prgCalc"), 0);

  w.Click("cmdEditList");
  EXPECT_EQ(w.Entries().size(), 3) << "the list is kept";
  for (const char* on :
       {"List1", "File1", "Dir1", "cboCombo", "chkReflect", "chkShowGraph", "cmdFileListOk", "cmdChkFile"})
    EXPECT_TRUE(w.Enabled(on)) << on;
  for (const char* off : {"cmdDoOperation", "Option1", "Option2", "Option3", "txtBeginWave", "cmdEditList"})
    EXPECT_FALSE(w.Enabled(off)) << off;
  w.List()->setCurrentRow(1);
  QTest::keyClick(w.List(), Qt::Key_Delete);
  EXPECT_EQ(w.Entries().size(), 2);
}

// A status line longer than the window is one line cut with "…": the whole
// text is its text, its tooltip and behind "Details"; a new step clears it.
TEST(InstrumentWindowRun, TheStatusLineIsOneElidedLineWithDetailsAndClearsOnANewStep) {
  const TempFolder temp;
  const auto scans = Scans(temp, Format::UniSpecOld, 2);
  Harness w(Format::UniSpecOld);
  w.ChooseAll(temp.File("scans"));
  w.Click("cmdFileListOk");
  w.Click("cmdEditList");
  EXPECT_TRUE(w.Text("lblStatus").startsWith("Editing the list"));
  w.Click("cmdFileListOk");
  EXPECT_EQ(w.Text("lblStatus"), "") << "the editing phase is over";
  EXPECT_FALSE(w.Enabled("cmdStatusDetails"));
  w.Click("Option1");
  // Outside the results folder, so named with its long folder.
  const std::string folder = temp.File(std::string(200, 'f'));
  fs::create_directories(folder);
  const QString longName = Q(folder + "/refl.txt");
  w.Run({longName});
  auto* status = w.Get<ElidedLabel>("lblStatus");
  EXPECT_TRUE(status->text().contains(longName));
  EXPECT_TRUE(status->Elided());
  EXPECT_LE(status->height(), 2 * status->fontMetrics().height()) << "one line";
  w.dialogs.Clear();
  w.Click("cmdStatusDetails");
  ASSERT_EQ(w.dialogs.messages.size(), 1u);
  EXPECT_EQ(w.dialogs.messages[0].text, status->text());
}

// Cancel empties the list; the window opened again says nothing about a
// file nobody chose ("Cannot show the graphs: cannot open the file").
TEST(InstrumentWindowRun, AnEmptiedListShowsNoPreviewFailure) {
  const TempFolder temp;
  const auto scans = Scans(temp, Format::UniSpecOld, 2);
  Harness w(Format::UniSpecOld);
  w.Get<QCheckBox>("chkShowGraph")->setChecked(true);
  w.ChooseAll(temp.File("scans"));
  w.Click("Command5");
  w.Reopen();
  EXPECT_EQ(w.Text("lblPreviewStatus"), "");
  EXPECT_EQ(w.Text("lblStatus"), "");
}

TEST(InstrumentWindowRun, StatusLineSaysWhatARunOrCheckDid) {
  const TempFolder temp;
  const auto scans = Scans(temp, Format::Ger2600, 2);
  Harness w(Format::Ger2600);
  w.ChooseAll(temp.File("scans"));
  w.dialogs.savePaths = {Q(temp.File("errors.txt"))};
  w.Click("cmdChkFile");
  EXPECT_EQ(w.Text("lblStatus"), "Checked 2 files: no damaged lines (error file " + Q(temp.File("errors.txt")) + ").");
  w.Click("cmdChkFile");  // no name given
  EXPECT_EQ(w.Text("lblStatus"), "Check not run: no error file was named.");
  w.dialogs.savePaths = {Q(temp.File("no-such-folder/errors.txt"))};
  w.Click("cmdChkFile");
  EXPECT_TRUE(w.Text("lblStatus").startsWith("Check failed: ")) << w.Text("lblStatus").toStdString();
  EXPECT_EQ(w.Progress("prgChkFile"), 0);
  // Cancel while the check reads the files: no error file, and it says so.
  const std::string cancelled = temp.File("cancelled.txt");
  w.dialogs.savePaths = {Q(cancelled)};
  auto* cancel = w.Get<QPushButton>("cmdCancelRun");
  EXPECT_TRUE(cancel->isHidden()) << "shown only while scans are read";
  bool shownDuringCheck = false;
  QTimer::singleShot(0, cancel, [cancel, &shownDuringCheck] {
    shownDuringCheck = !cancel->isHidden();
    cancel->click();
  });
  w.Click("cmdChkFile");
  EXPECT_TRUE(shownDuringCheck);
  EXPECT_EQ(w.Text("lblStatus"), "Check cancelled: no error file was written.");
  EXPECT_FALSE(fs::exists(cancelled));
  EXPECT_TRUE(cancel->isHidden());

  w.Get<QCheckBox>("chkAbsorb")->setChecked(true);
  w.Click("cmdFileListOk");
  w.Click("Option1");
  w.Run({Q(temp.File("refl.txt"))});  // the absorbance name is not given
  // The synthetic GER 2600 counts exceed 65535, which the instrument cannot
  // read: the saturation warning follows what the run did. The file went
  // elsewhere than the results folder: it is named with its folder.
  EXPECT_TRUE(w.Text("lblStatus")
                  .startsWith("Wrote " + Q(temp.File("refl.txt")) +
                              " (2 scans); stopped at \"Save Absorbance File\": no file name chosen. "
                              "Warning: 2 of 2 scans "
                              "read 65535 counts or more"))
      << w.Text("lblStatus").toStdString();
  EXPECT_TRUE(w.Enabled("cmdEditList"));
}

TEST(InstrumentWindowPreviewStatus, NamesTheFileAndSaysWhenEveryPanelReadingIsZero) {
  const TempFolder temp;
  std::string text = "GER SIGNATURE FILE\r\nGER1500 file name: Z.DAT\r\ni\r\nDate: 06/13/22 10:22:05.50\r\n";
  for (int k = 5; k <= 12; ++k) text += "h\r\n";
  for (int c = 0; c < 512; ++c) text += std::to_string(350 + c) + "   " + std::to_string(1000 + c) + "   0\r\n";
  const std::string zero = temp.Write("zero.dat", text);
  Harness w(Format::Ger1500);
  auto* browser = w.window->findChild<FolderBrowser*>();
  ASSERT_TRUE(browser->SetFolder(Q(temp.Path().string())));
  emit browser->fileClicked(browser->PathOf("zero.dat"));
  w.Get<QCheckBox>("chkShowGraph")->setChecked(true);
  w.List()->setCurrentRow(0);
  emit w.List()->itemClicked(w.List()->item(0));
  EXPECT_EQ(w.Text("lblPreviewFile"), Q(zero));
  EXPECT_TRUE(w.Text("lblPreviewStatus").startsWith("Every panel reading of"))
      << w.Text("lblPreviewStatus").toStdString();
  EXPECT_EQ(PointsIn(w, "picReflect"), 512u);
}

// Tooltips on what a new user cannot guess (the least size is ScaleTest's).
TEST(InstrumentWindowLook, Tooltips) {
  for (const InstrumentVariant& v : AllVariants()) {
    Harness w(FormatOf(v));
    for (const char* name :
         {"txtBeginWave", "txtEndWave", "txtDeltaWave", "Command3", "Command4", "cmdFileListOk", "cmdChkFile",
          "cmdDoOperation", "cmdEditList", "chkReflect", "frmOutput", "File1", "List1"})
      EXPECT_FALSE(w.Get(name)->toolTip().isEmpty()) << v.windowName << " " << name;
  }
  ScriptedDialogs dialogs;
  EquationTexts texts;
  EquationWindow form2(dialogs, texts);
  EXPECT_TRUE(form2.findChild<QWidget*>("Option1")->toolTip().contains("channel 0"));
  EXPECT_TRUE(form2.findChild<QWidget*>("Option2")->toolTip().contains("channel 1"));
}

// --- The windows' end of a conversion job: what the user is asked for each
// output.

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
  dialogs.savePaths = {file("old.csv"),      file("old.csv"),          file("new-refl.csv"),
                       file("new-refl.csv"), Q(job.settings.files[0]), file("abs.csv")};
  // The announcement, then "replace old.csv?" answered No twice; later
  // questions are answered Yes (Ok) and the run refuses the path itself.
  dialogs.messageAnswers = {MessageAnswer::Ok, MessageAnswer::No, MessageAnswer::No};
  NoRefFile asker;
  RunJob(job, sink, asker);

  // old.csv was offered twice and kept both times; the reflectance went to new-refl.csv.
  EXPECT_EQ(testing::ReadAll(file("old.csv").toStdString()), "keep me");
  const auto& m = dialogs.messages;
  ASSERT_EQ(m.size(), 8u);
  EXPECT_EQ(m[1].text, "old.csv already exists.\nDo you want to replace it?");
  EXPECT_EQ(m[1].buttons, MessageButtons::YesNo);
  EXPECT_EQ(m[2].text, m[1].text);
  // The absorbance at new-refl.csv, then at a scan: refused, naming the path
  // and both outputs, and asked again without a second announcement.
  EXPECT_EQ(m[4].text, "new-refl.csv already exists.\nDo you want to replace it?");
  EXPECT_TRUE(Contains(m[5].text, "new-refl.csv"));
  EXPECT_TRUE(Contains(m[5].text, "absorbance"));
  EXPECT_EQ(sink.WrittenPaths(), (QStringList{file("new-refl.csv"), file("abs.csv")}));
}

// --- The conversion windows at a scale factor of 2 on a 1600 x 1000 screen:
// the screen then offers about 800 x 460 logical pixels below the title bar.
// Every control must fit there without scrolling, file names such as
// "DHT_00000.spu" must show whole in the file lists, and the folder list must
// not move when a long folder path is shown above it.

const QSize kScreen(800, 460);

// What the window needs to show every control at once: its own least size,
// or, when its controls sit in a scroll area, the least size of what scrolls.
QSize Needed(const QWidget& window) {
  QSize need = window.minimumSizeHint();
  for (const QScrollArea* scroll : window.findChildren<QScrollArea*>())
    if (scroll->widget() != nullptr) need = need.expandedTo(scroll->widget()->minimumSizeHint());
  return need;
}

// Resizes `window` to the scaled screen as the user next sees it: a scroll
// area settles its bars when the window is resized or shown.
void Settle(QWidget& window) {
  window.resize(kScreen + QSize(1, 1));
  QApplication::processEvents();
  window.resize(kScreen);
  QApplication::processEvents();
  QApplication::processEvents();
}

// Names the scroll areas of `window` that show a scroll bar.
std::string BarsOf(const QWidget& window) {
  std::string shown;
  for (const QScrollArea* scroll : window.findChildren<QScrollArea*>()) {
    if (scroll->horizontalScrollBar()->isVisible()) shown += scroll->objectName().toStdString() + " across; ";
    if (scroll->verticalScrollBar()->isVisible()) shown += scroll->objectName().toStdString() + " down; ";
  }
  return shown;
}

// The same with each page of the option tabs in view in turn: a page out of
// view gives its size only once shown.
std::string ScrollBarsShown(QWidget& window) {
  auto* tabs = window.findChild<QTabWidget*>();
  if (tabs == nullptr) return BarsOf(window);
  std::string shown;
  const int current = tabs->currentIndex();
  for (int page = 0; page < tabs->count(); ++page) {
    tabs->setCurrentIndex(page);
    Settle(window);
    const std::string bars = BarsOf(window);
    if (!bars.empty()) shown += "on " + tabs->tabText(page).remove(QLatin1Char('&')).toStdString() + ": " + bars;
  }
  tabs->setCurrentIndex(current);
  Settle(window);
  return shown;
}

// Whether every entry of `list` lies whole within its visible width, or, when
// cut, is given whole by its tooltip.
void ExpectNamesWhole(QListWidget* list, const std::string& what) {
  ASSERT_GT(list->count(), 0) << what;
  const int viewWidth = list->viewport()->width();
  EXPECT_FALSE(list->horizontalScrollBar()->isVisible()) << what << ": names wider than the list";
  QStringList cut;
  for (int row = 0; row < list->count(); ++row) {
    QListWidgetItem* item = list->item(row);
    const QString name = QFileInfo(item->text()).fileName();
    const QRect at = list->visualItemRect(item);
    const bool whole =
        at.left() >= 0 && at.right() < viewWidth && list->fontMetrics().horizontalAdvance(name) < viewWidth;
    if (!whole && !item->toolTip().contains(name)) cut << name;
  }
  EXPECT_TRUE(cut.isEmpty()) << what << ": " << cut.size() << " names cut in a list " << viewWidth
                             << " pixels wide, without a tooltip, such as " << cut.value(0).toStdString();
}

// The built-in windows by name: UniSpec old, new, compact and DC, GER 1500
// and 2600.
const InstrumentVariant& VariantNamed(const char* windowName) {
  for (const InstrumentVariant& v : AllVariants())
    if (v.windowName == windowName) return v;
  ADD_FAILURE() << "no window " << windowName;
  return AllVariants()[0];
}

class ScaleTest : public ::testing::TestWithParam<const char*> {
 protected:
  const InstrumentVariant& Variant() const { return VariantNamed(GetParam()); }
};

TEST_P(ScaleTest, FitsTheScaledScreenWithWholeFileNames) {
  const TempFolder temp;
  const QDir folder(QString::fromStdString(temp.Path().string()));
  // Enough scans for the lists to need their own scroll bar down.
  QStringList names, paths;
  for (int n = 0; n < 40; ++n)
    names << QStringLiteral("DHT_%1.spu").arg(n, 5, 10, QLatin1Char('0'))
          << QStringLiteral("SHB1_%1.spu").arg(9960 + n, 5, 10, QLatin1Char('0'));
  for (const QString& name : names) paths << QString::fromStdString(temp.Write(name.toStdString(), "x"));
  ScriptedDialogs dialogs;
  gui::Program program(dialogs, QDir::currentPath());
  InstrumentWindow window(program, Variant());
  const std::string id = window.objectName().toStdString();

  const QSize need = Needed(window);
  EXPECT_LE(need.width(), kScreen.width()) << id << " needs " << need.width() << "x" << need.height();
  EXPECT_LE(need.height(), kScreen.height()) << id << " needs " << need.width() << "x" << need.height();

  window.PrepareForShow();
  window.show();
  ASSERT_TRUE(QTest::qWaitForWindowExposed(&window));
  auto* browser = window.findChild<FolderBrowser*>();
  ASSERT_NE(browser, nullptr);
  browser->SetPattern(QStringLiteral("*.spu"));
  ASSERT_TRUE(browser->SetFolder(folder.path()));
  emit browser->filesChosen(paths);  // as Enter on the selected files
  auto* list = window.findChild<QListWidget*>(QStringLiteral("List1"));
  ASSERT_EQ(list->count(), paths.size()) << id;
  Settle(window);
  EXPECT_EQ(window.size(), kScreen) << id;
  EXPECT_EQ(ScrollBarsShown(window), "") << id << " at " << kScreen.width() << "x" << kScreen.height();
  ExpectNamesWhole(window.findChild<QListWidget*>(QStringLiteral("File1")), id + " File1");
  ExpectNamesWhole(list, id + " List1");

  // Long texts of a window in use: the count of files chosen twice, the path
  // and reading failure of a scan deep in long-named folders, and a dark scan
  // of a long name.
  emit browser->filesChosen(paths);
  const QString deep = QStringLiteral(
      "campaign 2026 summer field season north transects/site eleven plot three wet "
      "meadow after the rain/second visit");
  ASSERT_TRUE(folder.mkpath(deep));
  const QString far = folder.filePath(deep + QStringLiteral("/SHB1_09998.spu"));
  testing::WriteFile(far, "x");
  emit browser->filesChosen({far});
  if (window.findChild<QWidget*>(QStringLiteral("cmdDarkScan")) != nullptr)
    window.SetDarkScan(folder.filePath(QStringLiteral("dark scan at noon under full cloud before the walk.spu")));
  window.findChild<QCheckBox*>(QStringLiteral("chkShowGraph"))->setChecked(true);
  testing::ClickRow(list, list->count() - 1);
  EXPECT_EQ(window.findChild<QLabel*>(QStringLiteral("lblPreviewFile"))->text(), far) << id;
  Settle(window);
  EXPECT_EQ(ScrollBarsShown(window), "") << id << " with long texts";

  // A field key with a long name and many columns to average by, on its page.
  QString header = QStringLiteral("File"), row = names[0];
  for (int n = 0; n < 14; ++n) {
    header += QStringLiteral(",treatment column %1").arg(n);
    row += QStringLiteral(",%1").arg(n);
  }
  const std::string key = temp.Write("field key of the summer campaign, every site, transect and plot.csv",
                                     (header + QLatin1Char('\n') + row + QLatin1Char('\n')).toStdString());
  dialogs.openPaths = {QString::fromStdString(key)};
  dialogs.Clear();
  testing::Click(window, QStringLiteral("cmdFieldKey"));
  EXPECT_TRUE(dialogs.messages.empty()) << id;
  ASSERT_EQ(window.findChild<QListWidget*>(QStringLiteral("lstAverageBy"))->count(), 14) << id;
  Settle(window);
  EXPECT_EQ(ScrollBarsShown(window), "") << id << " with a field key";
}

INSTANTIATE_TEST_SUITE_P(EveryWindow, ScaleTest,
                         ::testing::Values("Form9", "Form1", "Form8", "Form7", "Form5", "Form6"),
                         [](const ::testing::TestParamInfo<const char*>& info) { return std::string(info.param); });

// A long path above the folder list stays on one line: the list does not
// move as deeper folders are opened.
TEST(FolderPathLabelTest, StaysOnOneLineForALongPath) {
  const TempFolder temp;
  QDir deep(QString::fromStdString(temp.Path().string()));
  const QString longPath = QStringLiteral(
      "campaign_2026_summer_field_season_north_transects/site_eleven_plot_three_"
      "wet_meadow_after_rain/DHT");
  ASSERT_TRUE(deep.mkpath(longPath));
  ScriptedDialogs dialogs;
  gui::Program program(dialogs, QDir::currentPath());
  InstrumentWindow window(program, VariantNamed("Form9"));
  window.show();
  ASSERT_TRUE(QTest::qWaitForWindowExposed(&window));
  window.resize(kScreen);
  auto* browser = window.findChild<FolderBrowser*>();
  auto* where = browser->findChild<QLabel*>(QStringLiteral("lblFolder"));
  ASSERT_NE(where, nullptr);
  auto* folders = window.findChild<QListWidget*>(QStringLiteral("Dir1"));
  ASSERT_TRUE(browser->SetFolder(deep.path()));
  QApplication::processEvents();
  const int height = where->height(), listTop = folders->y();
  ASSERT_TRUE(browser->SetFolder(deep.filePath(longPath)));
  QApplication::processEvents();
  EXPECT_EQ(where->height(), height);
  EXPECT_EQ(folders->y(), listTop);
  EXPECT_EQ(where->text(), deep.filePath(longPath));
  EXPECT_LT(where->sizeHint().width(), where->fontMetrics().horizontalAdvance(deep.filePath(longPath)))
      << "the label asks for the whole path's width";
}

// The tabs follow the steps: File List OK brings the wavelengths forward,
// Edit List the outputs it frees, and Cancel leaves the next list to start
// from the outputs.
TEST(OptionTabsTest, FollowTheStepsOfAList) {
  const TempFolder temp;
  const auto scans = synth::WriteScans(temp.Path().string(), synth::Format::Ger1500, 2, "S");
  ScriptedDialogs dialogs;
  gui::Program program(dialogs, QDir::currentPath());
  InstrumentWindow window(program, VariantNamed("Form5"));
  window.PrepareForShow();
  window.show();
  ASSERT_TRUE(QTest::qWaitForWindowExposed(&window));
  auto* tabs = window.findChild<QTabWidget*>();
  ASSERT_NE(tabs, nullptr);
  const auto showing = [&](const char* control) {
    auto* w = window.findChild<QWidget*>(QString::fromLatin1(control));
    return w != nullptr && tabs->currentWidget()->isAncestorOf(w);
  };
  EXPECT_TRUE(showing("chkReflect"));
  // Tab goes left to right: the lists, the tabs and their pages, then the
  // buttons under them.
  QStringList order;
  for (QWidget* w = window.findChild<QWidget*>(QStringLiteral("List1")); w != nullptr && order.size() < 200;
       w = w->nextInFocusChain()) {
    order << w->objectName();
    if (w->objectName() == QStringLiteral("cmdDoOperation")) break;
  }
  const QStringList expected{QStringLiteral("List1"),         QStringLiteral("tabOptions"),
                             QStringLiteral("chkReflect"),    QStringLiteral("txtDeltaWave"),
                             QStringLiteral("cmdFileListOk"), QStringLiteral("cmdDoOperation")};
  for (int i = 1; i < expected.size(); ++i)
    EXPECT_LT(order.indexOf(expected[i - 1]), order.indexOf(expected[i]))
        << expected[i - 1].toStdString() << " after " << expected[i].toStdString() << " in "
        << order.join(QLatin1Char(' ')).toStdString();
  EXPECT_EQ(order.indexOf(QStringLiteral("List1")), 0);
  auto* browser = window.findChild<FolderBrowser*>();
  ASSERT_TRUE(browser->SetFolder(QString::fromStdString(temp.Path().string())));
  testing::ClickRow(browser->FileList(), 0);
  ASSERT_EQ(window.findChild<QListWidget*>(QStringLiteral("List1"))->count(), 1);
  testing::Click(window, QStringLiteral("cmdFileListOk"));
  EXPECT_TRUE(dialogs.messages.empty());
  EXPECT_TRUE(showing("Option2")) << "File List OK leaves the wavelengths hidden";
  EXPECT_TRUE(showing("txtBeginWave"));
  testing::Click(window, QStringLiteral("cmdEditList"));
  EXPECT_TRUE(showing("chkAbsorb")) << "Edit List leaves the freed outputs hidden";
  // A tab the user chose stays.
  testing::Click(window, QStringLiteral("cmdFileListOk"));
  tabs->setCurrentWidget(window.findChild<QWidget*>(QStringLiteral("frmFieldKey"))->parentWidget());
  testing::Click(window, QStringLiteral("cmdEditList"));
  EXPECT_TRUE(showing("cmdFieldKey"));
  testing::Click(window, QStringLiteral("cmdFileListOk"));
  testing::Click(window, QStringLiteral("Command5"));
  EXPECT_FALSE(window.isVisible());
  window.PrepareForShow();
  window.show();
  EXPECT_TRUE(showing("chkReflect")) << "a new list starts on the wavelengths";
}

}  // namespace
}  // namespace corvelane::gui
