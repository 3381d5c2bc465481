// The conversion windows driven as a user would: picking files, confirming
// the list, choosing the wavelength source, running, checking and
// previewing, with scripted message boxes and save dialogs.
#include <gtest/gtest.h>

#include <QApplication>
#include <QColor>
#include <QComboBox>
#include <QImage>
#include <QLineEdit>
#include <QListWidget>
#include <QProgressBar>
#include <QRadioButton>
#include <QTest>
#include <cmath>
#include <filesystem>
#include <fstream>
#include <map>
#include <ostream>
#include <string>
#include <tuple>
#include <vector>

#include "calibration/external_file_window.h"
#include "convert/preview_widget.h"
#include "instruments/variant.h"
#include "reference/calculate_reference_window.h"
#include "tests/gui_support.h"
#include "tests/test_support.h"
#include "tools/dc_scan_synth.h"
#include "tools/scan_synth.h"
#include "widgets/folder_browser_widget.h"

// Readable failure output for Qt texts.
[[maybe_unused]] static void PrintTo(const QString& s, std::ostream* os) { *os << '"' << s.toStdString() << '"'; }

namespace corvelane {
namespace {

namespace fs = std::filesystem;
using gui::MessageIcon;
using gui::PreviewWidget;
using namespace testing;
using Harness = testing::InstrumentHarness;

// --- Phase tables, with each window's own differences ----------------------

bool IsGer(Format f) { return f == Format::Ger1500 || f == Format::Ger2600; }
bool IsCompact(Format f) { return f == Format::UniSpecCompact; }

// Each control of `names` that the window has is enabled or not as `enabled` says.
void ExpectStates(const Harness& h, const char* phase, bool enabled, std::initializer_list<const char*> names) {
  for (const char* name : names)
    if (h.Exists(name)) EXPECT_EQ(h.Enabled(name), enabled) << phase << ": " << name;
}

void ExpectSelecting(const Harness& h, bool listUsed) {
  const char* phase = "Selecting";
  ExpectStates(h, phase, true, {"cboCombo", "File1", "Dir1", "Drive1", "chkReflect", "chkShowGraph"});
  ExpectStates(h, phase, listUsed, {"List1", "cmdFileListOk", "cmdChkFile"});
  ExpectStates(h, phase, false,
               {"Option1", "Option2", "Option3", "Command3", "Command4", "txtBeginWave", "txtEndWave", "txtDeltaWave",
                "cmdDoOperation"});
  ExpectStates(h, phase, !IsCompact(FormatOf(h.window->Variant())), {"chkAbsorb", "chkTarget", "chkRefer"});
}

void ExpectConfiguring(const Harness& h) {
  const Format f = FormatOf(h.window->Variant());
  const char* phase = "Configuring";
  ExpectStates(h, phase, true,
               {"frmSpectral", "Option2", "Option3", "frmInterpolate", "Option4", "Option5", "cmdDoOperation"});
  ExpectStates(h, phase, !IsCompact(f), {"Option1"});
  ExpectStates(h, phase, false,
               {"List1", "Dir1", "Drive1", "File1", "cboCombo", "frmOutput", "chkReflect", "chkTarget", "chkRefer",
                "cmdFileListOk", "chkShowGraph"});
  // The GER 1500 window leaves Absorbance and the file check usable.
  ExpectStates(h, phase, f == Format::Ger1500, {"chkAbsorb", "cmdChkFile"});
}

void ExpectGridEnabled(const Harness& h, bool enabled, const char* when) {
  ExpectStates(h, when, enabled,
               {"txtBeginWave", "txtEndWave", "txtDeltaWave", "lblBegin", "lblEnd", "lblDelta", "frmWave"});
}

void ExpectFinished(const Harness& h) {
  ExpectStates(h, "Finished", false,
               {"cmdDoOperation", "Option1", "Option2", "Option3", "List1", "File1", "Dir1", "Drive1", "cboCombo",
                "chkReflect", "chkShowGraph", "cmdFileListOk"});
}

// --- The windows ----------------------------------------------------------

// Output modes in run order: check box, command-line name, save-dialog title
// and, for the raw modes, the announcement (the others differ per window).
struct Mode {
  const char *box, *cli, *saveTitle, *rawAnnouncement;
};
const std::vector<Mode> kModes = {
    {"chkReflect", "reflectance", "Save Reflectance File", nullptr},
    {"chkAbsorb", "absorbance", "Save Absorbance File", nullptr},
    {"chkTarget", "target", "Save Raw Target Data File", "    Save Raw Target Data File    "},
    {"chkRefer", "reference", "Save Raw Referance File", "    Save Raw Reference File    "}};

// The run settings of each window after File List OK.
// UniSpec old-format: labels from the header, a leaf header, a grid of its own.
void Form1Settings(Harness& h, const TempFolder&) {
  for (const char* box : {"Option6", "Check1"}) h.SetChecked(box, true);
  h.Click("Option1");
  h.SetGrid("400", "1000", "2.5");
  WhenModal(h.window.get(), [](QWidget* modal) {
    ASSERT_EQ(modal->objectName(), "Form12");
    Child<QLineEdit>(*modal, "Text12")->setText("Site 1");  // the collection site
    Click(*modal, "Command1");
  });
}

// UniSpec New-Format: an equation whose first channel is 0.
void Form8Settings(Harness& h, const TempFolder&) {
  h.Click("Option3");
  ClickThrough(*h.window, "Command4", {[](QWidget* modal) {
    ASSERT_EQ(modal->objectName(), "Form2");
    for (const auto& [box, text] : {std::pair{"txtCoeffA", "305.4"}, {"txtCoeffB", "3.31"}, {"txtCoeffC", "-0.0002"}})
      Child<QLineEdit>(*modal, box)->setText(text);
    Child<QRadioButton>(*modal, "Option1")->setChecked(true);  // first channel is 0
    Click(*modal, "cmdOK");
  }});
  const EquationTexts& e = h.program.Settings().equation;
  EXPECT_EQ(std::tie(e.a, e.b, e.c, e.startChannel), std::make_tuple("305.4", "3.31", "-0.0002", 0));
}

// UniSpec-Compact: an external wavelength file.
void Form7Settings(Harness& h, const TempFolder& temp) {
  const std::string waves = temp.Write("waves.txt", synth::ExternalWavelengthText(Format::UniSpecCompact, 256));
  h.Click("Option2");
  ClickThrough(*h.window, "Command3", {[waves](QWidget* modal) {
    auto* form3 = qobject_cast<gui::ExternalFileWindow*>(modal);
    ASSERT_NE(form3, nullptr);
    form3->ChooseFile(Q(waves));
    Click(*modal, "cmdOK");
  }});
  EXPECT_EQ(h.program.Settings().externalWavelengthFile, waves);
}

// GER 1500: no interpolation, wavelengths from the file.
void Form5Settings(Harness& h, const TempFolder&) {
  for (const char* option : {"Option5", "Option1"}) h.Click(option);
}

// GER 2600: a grid of its own.
void Form6Settings(Harness& h, const TempFolder&) {
  h.Click("Option1");
  h.SetGrid("500", "2400", "5");
}

// Each window's own texts: File List OK without an output mode, a failed
// check, the announcements of the reflectance and absorbance files.
struct Window {
  Format format;
  const char *noModeText, *checkFailure, *reflAnnouncement, *absAnnouncement;
  int channels;       // the points of each graph of the preview
  std::size_t modes;  // the run's modes: the first of kModes
  void (*settings)(Harness&, const TempFolder&);
  bool leaf() const { return format == Format::UniSpecOld || format == Format::UniSpecNew; }
};

void PrintTo(const Window& w, std::ostream* os) { *os << VariantOf(w.format).windowName; }

const std::vector<Window> kWindows = {
    {Format::UniSpecOld, "Select Output Mode", "Unknown File Error", "   Save Reflectance File   ",
     "    Save Absorbance File    ", 256, 4, Form1Settings},
    {Format::UniSpecNew, "Select Output Mode", "Unknown File Error", "   Save Reflectance File   ",
     "    Save Absorbance File    ", 256, 3, Form8Settings},
    {Format::UniSpecCompact, "Check 'Reflectance' Output Mode", "Unknown File Error", "   Save Reflectance File   ",
     nullptr, 256, 1, Form7Settings},
    {Format::Ger1500, "Select Output Mode", "    Unknown Error!!!   ", "    Save Reflectance Data   ",
     "   Save Absorbance Data   ", 512, 2, Form5Settings},
    {Format::Ger2600, "Select Output Mode", "No error file name selected", "   Save Reflectance Data   ",
     "   Save Absorbance Data   ", 594, 2, Form6Settings},
};

class InstrumentWindowTest : public ::testing::TestWithParam<Window> {};

TEST_P(InstrumentWindowTest, ControlsOfEachFormatAndTheirDefaults) {
  const Window& w = GetParam();
  Harness h(w.format);
  const bool ger = IsGer(w.format), compact = IsCompact(w.format);
  EXPECT_EQ(h.Get<QComboBox>("cboCombo")->count(), 1);

  // Controls only some windows have.
  const std::map<std::string, bool> some = {{"chkTarget", !ger},  {"chkRefer", !ger},       {"frmFileName", !ger},
                                            {"Option6", !ger},    {"Option7", !ger},        {"Check1", w.leaf()},
                                            {"Label2", w.leaf()}, {"ComIndices", w.leaf()}, {"Check3", ger},
                                            {"Text2", compact},   {"Text3", compact}};
  for (const auto& [name, exists] : some) EXPECT_EQ(h.Exists(name.c_str()), exists) << name;
  // The grid boxes start from the format's defaults.
  EXPECT_EQ(h.Text("txtBeginWave"), w.leaf() ? "310" : "400");
  EXPECT_EQ(h.Text("txtEndWave"), w.leaf() ? "1130" : "1000");
  const std::vector<std::pair<const char*, bool>> checked = {
      {"chkReflect", true},    {"chkAbsorb", false},  {"chkTarget", false}, {"chkRefer", false},
      {"chkShowGraph", false}, {"Option1", !compact}, {"Option2", compact}, {"Option4", true},
      {"Option6", compact},    {"Option7", !compact}, {"Check1", false},    {"Check3", false}};
  for (const auto& [name, on] : checked)
    if (h.Exists(name)) EXPECT_EQ(h.Checked(name), on) << name;
  for (const char* box : {"txtTarget", "txtPlate", "Text1", "Text2", "Text3"})
    if (h.Exists(box)) EXPECT_TRUE(h.Get<QLineEdit>(box)->isReadOnly()) << box;
  // "Input Indices" opens the Calculate Reference window, modally, whatever the phase.
  if (w.leaf()) {
    QStringList opened;
    ClickThrough(*h.window, "ComIndices", {Pressing("Command1")}, &opened);
    EXPECT_EQ(opened, QStringList{"Form13"});
    EXPECT_FALSE(h.program.CalculateReference().isVisible());
  }
  // UniSpec-Compact: one visible output mode, "No Data" boxes hidden until a preview.
  for (const char* name : {"chkAbsorb", "chkTarget", "chkRefer", "Text2", "Text3"})
    if (h.Exists(name)) EXPECT_EQ(h.Get(name)->isVisible(), !compact) << name;

  ExpectStates(h, "load", false,
               {"List1", "frmSpectral", "frmInterpolate", "Option4", "Option5", "frmWave", "lblBegin", "lblEnd",
                "lblDelta", "Check3"});
  ExpectStates(h, "load", true, {"ComIndices"});
  ExpectSelecting(h, false);
}

// Three scans of the window's format under names on disk unlike the
// recorded ones (so the label source shows) and a note beside them, and the
// window as the start-up button leaves it.
struct PhaseSetup {
  explicit PhaseSetup(const Window& window) : w(window), h(window.format) {
    scans = synth::WriteScans((temp.Path() / "scans").string(), w.format, 3, "P");
    for (auto& s : scans) {
      const fs::path renamed = fs::path(s).parent_path() / ("field-" + fs::path(s).filename().string());
      fs::rename(s, renamed);
      s = renamed.string();
    }
    temp.Write("scans/notes.txt", "field notes\r\n");
  }
  // Every mode of the window ticked, then File List OK.
  void ConfirmModes() {
    for (std::size_t m = 0; m < w.modes; ++m) h.SetChecked(kModes[m].box, true);
    h.Click("cmdFileListOk");
  }
  const Window& w;
  const TempFolder temp;
  std::vector<std::string> scans;
  Harness h;
};

TEST_P(InstrumentWindowTest, SelectingAndConfiguring) {
  PhaseSetup p(GetParam());
  Harness& h = p.h;
  const Format f = p.w.format;
  const bool compact = IsCompact(f);
  // Selecting: the GER windows list every file, the UniSpec windows their
  // extension; the first click enables the list and the buttons follow it.
  // A file picked twice is refused.
  h.Pick({p.scans[0], p.scans[1], p.scans[0]});
  EXPECT_EQ(h.Entries("File1").contains("notes.txt"), IsGer(f));
  ASSERT_EQ(h.Entries(), (QStringList{Q(p.scans[0]), Q(p.scans[1])}));
  ExpectSelecting(h, true);
  ExpectOneMessage(h.dialogs, "File already selected!", "Error", MessageIcon::Exclamation);
  h.dialogs.Clear();
  // A check whose save dialog is cancelled: the window's own text, nothing checked.
  h.Get<QProgressBar>("prgChkFile")->setValue(40);
  h.Click("cmdChkFile");
  ExpectOneMessage(h.dialogs, p.w.checkFailure, "Error", MessageIcon::None);
  EXPECT_EQ(h.Progress("prgChkFile"), 40);
  h.dialogs.Clear();

  p.ConfirmModes();
  EXPECT_TRUE(h.dialogs.messages.empty());
  ExpectConfiguring(h);
  ExpectGridEnabled(h, true, "after File List OK");
  EXPECT_EQ(h.Enabled("Command3"), compact);
  EXPECT_FALSE(h.Enabled("Command4"));

  // Wavelength-source and interpolation options: the arrow buttons follow
  // the source, the grid follows "No" and "Yes" (From File, disabled in the
  // compact window, does not bring it back after "No").
  for (const auto& [click, command3, command4, grid] :
       std::vector<std::tuple<const char*, bool, bool, bool>>{{"Option5", compact, false, false},
                                                              {"Option3", false, true, false},
                                                              {"Option2", true, false, false},
                                                              {"Option1", compact, false, false},
                                                              {"Option4", compact, false, true},
                                                              {"Option1", compact, false, true}}) {
    h.Click(click);
    EXPECT_EQ(h.Enabled("Command3"), command3) << click;
    EXPECT_EQ(h.Enabled("Command4"), command4) << click;
    ExpectGridEnabled(h, grid, click);
  }
  EXPECT_EQ(h.Checked("Option1"), !compact);
}

TEST_P(InstrumentWindowTest, ARunThenCancelAndTheStartUpButton) {
  PhaseSetup p(GetParam());
  const Window& w = p.w;
  Harness& h = p.h;
  h.Pick({p.scans[0], p.scans[1]});
  p.ConfirmModes();
  // Interpolation on, wavelengths from the file where the window offers it.
  h.Click("Option4");
  h.Click("Option1");
  // The run: announcements and save dialogs for each mode in order.
  w.settings(h, p.temp);
  std::vector<QString> texts, titles;
  for (std::size_t m = 0; m < w.modes; ++m) {
    const Mode& mode = kModes[m];
    texts.push_back(m == 0 ? w.reflAnnouncement : m == 1 ? w.absAnnouncement : mode.rawAnnouncement);
    titles.push_back(mode.saveTitle);
    h.dialogs.savePaths.push_back(Q(p.temp.File(std::string("w-") + mode.cli)));
  }
  const QString begin = h.Text("txtBeginWave");
  const bool interpolate = h.Checked("Option4");
  h.Click("cmdDoOperation");
  ASSERT_EQ(h.dialogs.Texts(), texts);
  for (const auto& m : h.dialogs.messages) {
    EXPECT_EQ(m.title, "Message");
    EXPECT_EQ(m.icon, MessageIcon::None);
  }
  EXPECT_EQ(h.dialogs.saveTitles, titles);
  ExpectFinished(h);
  EXPECT_EQ(h.Progress("prgCalc"), h.Get<QProgressBar>("prgCalc")->maximum());
  for (std::size_t m = 0; m < w.modes; ++m)
    EXPECT_FALSE(ReadAll(p.temp.File(std::string("w-") + kModes[m].cli)).empty());
  // The leaf header typed in its window heads the reflectance file.
  if (h.Exists("Check1") && h.Checked("Check1"))
    EXPECT_NE(ReadAll(p.temp.File("w-reflectance")).find("Collection site:,Site 1"), std::string::npos);

  // Escape neither closes the window nor empties the list; Cancel clears the
  // list and hides the window; it is not discarded.
  QTest::keyClick(h.window.get(), Qt::Key_Escape);
  QTest::keyClick(h.List(), Qt::Key_Escape);
  EXPECT_TRUE(h.window->isVisible());
  EXPECT_EQ(h.Entries().size(), 2);
  h.Click("Command5");
  EXPECT_FALSE(h.window->isVisible());
  EXPECT_FALSE(h.window->Discarded());
  EXPECT_TRUE(h.Entries().isEmpty());

  // The start-up button again: preparation only, nothing else reset.
  h.Reopen();
  EXPECT_EQ(h.Progress("prgCalc"), 0);
  EXPECT_EQ(h.Progress("prgChkFile"), 0);
  ExpectSelecting(h, false);
  EXPECT_EQ(h.Text("txtBeginWave"), begin);
  EXPECT_TRUE(h.Checked("chkReflect"));
  EXPECT_EQ(h.Checked("Option4"), interpolate);
  EXPECT_FALSE(h.Enabled("frmOutput"));  // a greyed caption over usable boxes
}

TEST_P(InstrumentWindowTest, ASecondRoundRemovesEntriesAndNeedsAnOutputMode) {
  PhaseSetup p(GetParam());
  const Format f = p.w.format;
  Harness& h = p.h;
  const std::string& scan = p.scans[2];
  h.Configure({p.scans[0]});
  h.Click("Command5");
  h.Reopen();
  // The same file through another path text is another entry; double-clicks
  // remove entries, the last leaving the check usable.
  fs::create_directory_symlink(p.temp.Path() / "scans", p.temp.Path() / "alias");
  h.Pick({scan, (p.temp.Path() / "alias" / fs::path(scan).filename()).string()});
  ASSERT_EQ(h.Entries().size(), 2);
  h.ClickListRow(1, true);
  EXPECT_EQ(h.Entries(), (QStringList{Q(scan)}));
  h.ClickListRow(0, true);
  EXPECT_TRUE(h.Entries().isEmpty());
  EXPECT_FALSE(h.Enabled("cmdFileListOk"));
  EXPECT_TRUE(h.Enabled("cmdChkFile"));
  // No output mode is refused with the window's text; any single mode is
  // enough (only Reflectance counts in the compact window).
  h.Pick({scan});
  for (const Mode& m : kModes)
    if (h.Exists(m.box) && h.Get(m.box)->isVisible()) h.SetChecked(m.box, false);
  h.Click("cmdFileListOk");
  ExpectOneMessage(h.dialogs, p.w.noModeText, "Error", MessageIcon::Exclamation);
  ExpectSelecting(h, true);
  h.SetChecked(IsCompact(f) ? "chkReflect" : IsGer(f) ? "chkAbsorb" : "chkRefer", true);
  // The interpolation frame was left enabled, so "No" can be chosen before
  // the list is confirmed; the grid is enabled all the same and follows the
  // source options afterwards.
  h.Click("Option5");
  h.Click("cmdFileListOk");
  ExpectConfiguring(h);
  ExpectGridEnabled(h, true, "File List OK with No");
  h.Click("Option1");
  ExpectGridEnabled(h, true, "From File with No");  // From File never disables the grid
  h.Click("Option3");
  ExpectGridEnabled(h, false, "Use Equation with No");

  // The close box discards the window.
  h.window->close();
  EXPECT_TRUE(h.window->Discarded());
}

std::vector<DrawOp> Points(const PreviewWidget* pic) {
  std::vector<DrawOp> out;
  for (const auto& op : pic->Ops())
    if (op.kind == DrawOp::Point) out.push_back(op);
  return out;
}

// The graphs of a list entry: plotted, cleared when unchecked, cleared with
// the reason beside them when the file is gone.
TEST_P(InstrumentWindowTest, Preview) {
  const Window& w = GetParam();
  const bool compact = IsCompact(w.format);
  const double x0 = IsGer(w.format) ? 50 : 25;
  const TempFolder temp;
  auto scans = synth::WriteScans((temp.Path() / "s").string(), w.format, 1, "V");
  const std::string text = ReadAll(scans[0]);
  Harness h(w.format);
  const auto noDataShown = [&h, compact](bool shown) {
    if (compact)
      for (const char* box : {"Text2", "Text3"}) EXPECT_EQ(h.Get(box)->isVisible(), shown) << box;
  };
  const char* const graphs[] = {"picTarget", "picPlate", "picReflect"};
  h.Pick(scans);
  h.SetChecked("chkShowGraph", true);
  h.ClickListRow(0);
  EXPECT_TRUE(h.dialogs.messages.empty());
  EXPECT_EQ(h.Text("lblPreviewStatus"), "");
  for (const char* name : graphs) {
    const auto points = Points(h.Get<PreviewWidget>(name));
    if (compact && std::string(name) != "picReflect") {
      EXPECT_TRUE(points.empty()) << name;
      continue;
    }
    ASSERT_EQ(points.size(), static_cast<std::size_t>(w.channels)) << name;
    EXPECT_EQ(points.front().x, x0 + 1) << name;
    EXPECT_EQ(points.back().x, x0 + w.channels) << name;
    EXPECT_TRUE(points.front().blue);
  }
  noDataShown(true);

  // The points' values are the SpectrumPreview tests'; a point in view is a
  // blue pixel where the mapping puts it.
  auto* reflect = h.Get<PreviewWidget>("picReflect");
  const auto refl = Points(reflect);
  const DrawOp& mid = refl[static_cast<std::size_t>(w.channels / 2)];
  const auto pixel = reflect->ToPixel(mid.x, mid.y);
  ASSERT_TRUE(pixel.has_value());
  const QImage image = reflect->grab().toImage();
  const double sx = static_cast<double>(image.width()) / reflect->width();
  const double sy = static_cast<double>(image.height()) / reflect->height();
  EXPECT_EQ(image.pixelColor(static_cast<int>(pixel->x() * sx), static_cast<int>(pixel->y() * sy)), QColor(0, 0, 255));

  // Unchecked: every graph is cleared and nothing drawn; "No Data" hidden.
  h.SetChecked("chkShowGraph", false);
  h.ClickListRow(0);
  for (const char* name : graphs) {
    const auto& ops = h.Get<PreviewWidget>(name)->Ops();
    ASSERT_EQ(ops.size(), 1u) << name;
    EXPECT_EQ(ops[0].kind, DrawOp::Clear) << name;
  }
  noDataShown(false);

  // A file gone since it was listed: cleared graphs, the reason beside them,
  // no message box. Back again, the reason goes.
  fs::remove(scans[0]);
  h.SetChecked("chkShowGraph", true);
  h.ClickListRow(0);
  for (const char* name : graphs) EXPECT_TRUE(Points(h.Get<PreviewWidget>(name)).empty()) << name;
  EXPECT_TRUE(Contains(h.Text("lblPreviewStatus"), Q(fs::path(scans[0]).filename().string())));
  EXPECT_TRUE(h.dialogs.messages.empty());
  noDataShown(false);
  std::ofstream(scans[0], std::ios::binary) << text;
  h.ClickListRow(0);
  EXPECT_EQ(h.Text("lblPreviewStatus"), "");
}

INSTANTIATE_TEST_SUITE_P(InstrumentWindows, InstrumentWindowTest, ::testing::ValuesIn(kWindows),
                         [](const auto& info) { return std::string(VariantOf(info.param.format).windowName); });

// --- Runs and checks ------------------------------------------------------

// The GER 1500 window checks after File List OK too; then a run failing
// after its first file and a cancelled save dialog (a failing check shows the
// window's text as in SelectingAndConfiguring).
TEST(InstrumentWindowRun, Form5CheckThenFailingRunsAndCheck) {
  const TempFolder temp;
  const auto scans = synth::WriteScans((temp.Path() / "s").string(), Format::Ger1500, 2, "F");
  Harness h(Format::Ger1500);
  h.Configure(scans, {"chkAbsorb"});
  h.dialogs.savePaths = {Q(temp.File("errors.txt"))};
  h.Click("cmdChkFile");
  EXPECT_EQ(h.dialogs.saveTitles, std::vector<QString>{"Save Error File"});
  ExpectOneMessage(h.dialogs, "    Files Ok    ", "Message", MessageIcon::None);
  EXPECT_EQ(ReadAll(temp.File("errors.txt")), "");
  EXPECT_EQ(h.Progress("prgChkFile"), h.Get<QProgressBar>("prgChkFile")->maximum());
  ExpectConfiguring(h);  // the check changes no state

  h.Click("Option1");
  h.dialogs.Clear();
  h.Run({Q(temp.File("refl.txt")), Q(temp.File("missing-folder/abs.txt"))});
  ASSERT_EQ(h.dialogs.messages.size(), 3u);
  const auto& failure = h.dialogs.messages.back();
  ExpectMessage(failure, " Problem in Data File!!!", "Error", MessageIcon::Exclamation);
  EXPECT_TRUE(Contains(failure.detail, "abs.txt"));
  EXPECT_TRUE(fs::exists(temp.File("refl.txt")));
  // Still Configuring: the user may run again. A cancelled save dialog ends
  // that run; the absorbance file is never asked for.
  ExpectConfiguring(h);
  h.dialogs.Clear();
  h.Click("cmdDoOperation");
  ASSERT_EQ(h.dialogs.messages.size(), 2u);
  EXPECT_EQ(h.dialogs.messages[0].text, "    Save Reflectance Data   ");
  ExpectMessage(h.dialogs.messages[1], " No filename selected!", "Error", MessageIcon::Exclamation);
  EXPECT_EQ(h.dialogs.saveTitles, (std::vector<QString>{"Save Reflectance File"}));
  ExpectFinished(h);
}

TEST(InstrumentWindowRun, BadGridFailsBeforeTheLeafHeaderIsAsked) {
  const TempFolder temp;
  Harness h(Format::UniSpecOld);
  h.Configure(synth::WriteScans((temp.Path() / "s").string(), Format::UniSpecOld, 1, "B"), {"Check1"});
  h.Click("Option1");
  h.SetGrid("310", "1130", "one");
  QStringList opened;
  ClickThrough(*h.window, "cmdDoOperation", {Pressing("Command1")}, &opened);
  EXPECT_TRUE(opened.isEmpty());
  // Not about a data file: what is wrong comes first, the usual headline after it.
  ASSERT_EQ(h.dialogs.messages.size(), 1u);
  EXPECT_TRUE(h.dialogs.messages[0].text.startsWith("the grid")) << h.dialogs.messages[0].text.toStdString();
  EXPECT_TRUE(h.dialogs.messages[0].text.endsWith("\n Problem in Data File!!!"));
  EXPECT_EQ(h.dialogs.messages[0].icon, MessageIcon::Exclamation);
  EXPECT_TRUE(h.dialogs.saveTitles.empty());
  ExpectConfiguring(h);

  // A grid point beyond the channel wavelengths fails the run too, after the
  // leaf header was asked.
  h.SetGrid("310", "2000", "1");
  h.dialogs.Clear();
  ClickThrough(*h.window, "cmdDoOperation", {Pressing("Command1")}, &opened);
  EXPECT_EQ(opened, QStringList{"Form12"});
  ASSERT_EQ(h.dialogs.messages.size(), 1u);
  EXPECT_TRUE(h.dialogs.messages[0].text.endsWith("\n Problem in Data File!!!"));
  EXPECT_TRUE(h.dialogs.messages[0].text.startsWith("grid point 1137 nm")) << h.dialogs.messages[0].text.toStdString();
  EXPECT_TRUE(h.dialogs.saveTitles.empty());
  ExpectConfiguring(h);
}

// The check's rules and the error file's lines are the FileCheck and
// CheckFiles tests'; "labels from the header" reaches the check.
TEST(InstrumentWindowCheck, ProblemsGoToTheErrorFile) {
  const TempFolder temp;
  auto scans = synth::WriteScans((temp.Path() / "s").string(), Format::UniSpecOld, 1, "E");
  auto lines = SplitCrLf(ReadAll(scans[0]));
  lines[0] = "C:\\DATA\\X.\\";  // an empty name
  std::ofstream(scans[0], std::ios::binary) << CrLf(lines);
  Harness h(Format::UniSpecOld);
  h.Pick(scans);
  h.SetChecked("Option6", true);
  h.dialogs.savePaths = {Q(temp.File("errors.txt"))};
  h.Click("cmdChkFile");
  ExpectOneMessage(h.dialogs, "Error messages saved in the error file", "Errors in Files", MessageIcon::None);
  EXPECT_EQ(ReadAll(temp.File("errors.txt")), scans[0] + "   bad 'file name'field\r\n");
  ExpectSelecting(h, true);
}

// --- The preview ----------------------------------------------------------

TEST(InstrumentWindowPreview, ScalesWithTheWidget) {
  Harness h(Format::Ger1500);
  auto* pic = h.Get<PreviewWidget>("picTarget");
  const int widthBefore = pic->width();
  h.window->resize(h.window->width() + 300, h.window->height() + 200);
  QApplication::processEvents();
  ASSERT_GT(pic->width(), widthBefore);
  // Inside a one-pixel frame.
  EXPECT_EQ(pic->ToPixel(600, 550000), QPoint(pic->width() - 2, pic->height() - 2));
  EXPECT_EQ(pic->ToPixel(0, 0), QPoint(1, 1));
  for (const double y : {-1.0, 550001.0, std::nan("")}) EXPECT_FALSE(pic->ToPixel(300, y).has_value()) << y;
}

// --- The UniSpec-DC window ---------------------------------------------------

// Form9: Add Files, only the channel equations, the calibration window, the
// transect header, three outputs and the status warning (the files' bytes are
// the DcRun tests').
TEST(InstrumentWindowRun, Form9RunsWithTheChannelEquationsAndTheTransectHeader) {
  const TempFolder temp;
  CurrentDirectory here(Q(temp.Path().string()));  // the start folder, where inst.cof is written
  synth::WriteDcScans((temp.Path() / "dc").string(), 3, "TUN_");
  Harness h(Format::UniSpecDc);
  for (const char* box : {"ChkCorrect", "ChkNDVI", "chkaircraft"}) EXPECT_FALSE(h.Checked(box)) << box;
  EXPECT_TRUE(h.Enabled("txtBeginWave"));  // the grid is open from the start

  ASSERT_TRUE(h.window->findChild<gui::FolderBrowser*>()->SetFolder(Q((temp.Path() / "dc").string())));
  h.Click("AddFile");
  h.Click("AddFile");  // no file twice
  ASSERT_EQ(h.Entries().size(), 3);
  EXPECT_TRUE(h.Enabled("List1"));
  h.Configure({}, {"chkAbsorb", "chkTarget"});
  EXPECT_FALSE(h.Enabled("Option1"));
  EXPECT_FALSE(h.Enabled("Option2"));
  EXPECT_TRUE(h.Enabled("Option3"));
  QStringList opened;
  ClickThrough(*h.window, "Command4", {Pressing("cmdOK")}, &opened);
  EXPECT_EQ(opened, QStringList{"Form10"});
  EXPECT_FALSE(h.Enabled("Command4"));
  EXPECT_TRUE(h.Enabled("cmdDoOperation"));
  EXPECT_TRUE(fs::exists(temp.File("inst.cof")));

  h.SetChecked("chkaircraft", true);
  h.dialogs.savePaths = {Q(temp.File("r.txt")), Q(temp.File("a.txt")), Q(temp.File("t.txt"))};
  ClickThrough(*h.window, "cmdDoOperation", {[](QWidget* modal) {
    Child<QLineEdit>(*modal, "Text1")->setText(QStringLiteral("Site 4"));
    Click(*modal, "Command1");
  }},
               &opened);
  EXPECT_EQ(opened, (QStringList{"Form10", "Form11"}));
  // One scan's status values include a reading of 0, so its absorbance at
  // the grid points placed from it is 999: said in a message before the files.
  ASSERT_EQ(h.dialogs.messages.size(), 4u);
  EXPECT_EQ(h.dialogs.messages[0].title, "Warning");
  const std::vector<QString> said = h.dialogs.Texts();
  EXPECT_EQ(
      std::vector<QString>(said.begin() + 1, said.end()),
      (std::vector<QString>{"   Save Reflectance File   ", "   Save Absorbance File   ", "   Save Target File   "}));
  EXPECT_EQ(h.dialogs.saveTitles,
            (std::vector<QString>{"Save Reflectance File", "Save Absorbance File", "Save Target File"}));
  EXPECT_TRUE(Contains(h.Text("lblStatus"), "3 of 3 files hold instrument status values"));
  EXPECT_FALSE(h.Enabled("cmdDoOperation"));
  EXPECT_EQ(SplitCrLf(ReadAll(temp.File("r.txt")))[1], "File name:,Site 4");

  h.Click("Command5");
  h.Reopen();  // the start-up button clears the transect box
  EXPECT_FALSE(h.Checked("chkaircraft"));
}

// Form9's dark scan and every window's quality report: the job takes both
// from the window, and the report is the last file asked for.
TEST(InstrumentWindowRun, Form9TakesTheChosenDarkScanAndSavesTheQualityReportLast) {
  const TempFolder temp;
  CurrentDirectory here(Q(temp.Path().string()));
  const auto scans = synth::WriteDcScans((temp.Path() / "dc").string(), 2, "TUN_");
  Harness h(Format::UniSpecDc);
  EXPECT_EQ(h.Text("lblDarkScan"), "No dark scan");
  // The scan as its own dark scan: every reading becomes 0.
  h.window->SetDarkScan(Q(scans[0]));
  EXPECT_EQ(h.Text("lblDarkScan"), "Dark scan: TUN_00001.spu");
  EXPECT_EQ(h.program.Settings().darkScan, scans[0]);
  h.Configure({scans[0]});
  ClickThrough(*h.window, "Command4", {Pressing("cmdOK")});
  h.SetChecked("chkReport", true);
  h.Run({Q(temp.File("r.txt")), Q(temp.File("q.csv"))});
  EXPECT_EQ(h.dialogs.saveTitles, (std::vector<QString>{"Save Reflectance File", "Save quality report"}))
      << h.Text("lblStatus").toStdString();
  const std::vector<std::string> rows = SplitCrLf(ReadAll(temp.File("q.csv")));
  ASSERT_EQ(rows.size(), 2u);
  EXPECT_TRUE(rows[1].find(",no,no,yes,") != std::string::npos) << rows[1];  // dark subtracted

  h.window->SetDarkScan({});
  EXPECT_EQ(h.Text("lblDarkScan"), "No dark scan");
  EXPECT_TRUE(h.program.Settings().darkScan.empty());
}

TEST(InstrumentWindowRun, LongTableWithTheFieldKeyAndItsGroupsAfterTheTables) {
  const TempFolder temp;
  const auto scans = synth::WriteScans((temp.Path() / "s").string(), Format::Ger1500, 3, "F");
  const std::string key = temp.Write("key.csv", "File,Plot,Rep\nF00001.gr1,north,1\nF00002.gr1,north,2\n");
  Harness h(Format::Ger1500);
  // A file that names no scans is refused and the key stays unset.
  h.dialogs.openPaths = {Q(temp.Write("notes.csv", "name,Plot\nx,north\n"))};
  h.Click("cmdFieldKey");
  ASSERT_EQ(h.dialogs.messages.size(), 1u);
  EXPECT_TRUE(Contains(h.dialogs.messages[0].detail, "no column \"file\""));
  EXPECT_TRUE(h.program.Settings().fieldKeyFile.empty());
  EXPECT_EQ(h.Text("lblFieldKey"), "(none)");
  h.dialogs.openPaths = {Q(key)};
  h.Click("cmdFieldKey");
  EXPECT_EQ(h.dialogs.openTitles.back(), "Field key");
  EXPECT_EQ(h.program.Settings().fieldKeyFile, key);
  EXPECT_EQ(h.Text("lblFieldKey"), "key.csv (2 rows)");
  EXPECT_EQ(h.Entries("lstAverageBy"), (QStringList{"Plot", "Rep"}));

  h.Configure(scans, {"chkLongTable"});
  h.Click("Option1");
  h.Run({Q(temp.File("refl.txt")), Q(temp.File("long.csv"))});
  EXPECT_EQ(h.dialogs.saveTitles, (std::vector<QString>{"Save Reflectance File", "Save Long Table (CSV) File"}));
  // The key reached the job (the table itself is the LongTableRun tests'),
  // and its misses are on the status line.
  EXPECT_TRUE(SplitCrLf(ReadAll(temp.File("long.csv"))).at(1).ends_with(",north,1"));
  EXPECT_TRUE(Contains(h.Text("lblStatus"), "1 of 3 scans has no row in the field key"));

  // "Average by" Plot: the means of the two scans of the north plot.
  testing::Tick(h.Get<QListWidget>("lstAverageBy"), "Plot");
  EXPECT_EQ(h.program.Settings().averageBy, std::vector<std::string>{"Plot"});
  h.Click("cmdEditList");
  h.Click("cmdFileListOk");
  h.Click("Option1");
  h.Run({Q(temp.File("refl2.txt")), Q(temp.File("means.csv"))});
  EXPECT_TRUE(SplitCrLf(ReadAll(temp.File("means.csv"))).at(1).starts_with("north,reflectance,400,"));

  // "No key" forgets it for every window.
  h.Click("cmdNoFieldKey");
  EXPECT_TRUE(h.program.Settings().fieldKeyFile.empty());
  EXPECT_TRUE(h.program.Settings().averageBy.empty());
  EXPECT_EQ(h.Entries("lstAverageBy"), QStringList{});
}

TEST(InstrumentWindowRun, AKeyOfPlotRowsIsReadByTheScanNumbersTheUserConfirms) {
  const TempFolder temp;
  const auto scans = synth::WriteScans((temp.Path() / "s").string(), Format::Ger1500, 3, "MAT_");
  const std::string key = temp.Write("plots.csv", "Site,Block,P1,P2\nMAT,B1,1,2\n");
  Harness h(Format::Ger1500);
  h.Pick(scans);
  // Declined: no key.
  h.dialogs.openPaths = {Q(key), Q(key)};
  h.dialogs.messageAnswers = {gui::MessageAnswer::No, gui::MessageAnswer::Yes};
  h.Click("cmdFieldKey");
  ASSERT_EQ(h.dialogs.messages.size(), 1u);
  EXPECT_EQ(h.dialogs.messages[0].text,
            "This key names its scans by number. Read the numbers in P1, P2 as the files {Site}_{n:05}.gr1?");
  EXPECT_TRUE(h.program.Settings().fieldKeyFile.empty());
  h.Click("cmdFieldKey");
  EXPECT_EQ(h.program.Settings().keyScans, (std::vector<std::string>{"P1", "P2"}));
  EXPECT_EQ(h.Entries("lstAverageBy"), (QStringList{"Site", "Block"}));
  EXPECT_TRUE(Contains(h.Text("lblFieldKey"), "files {Site}_{n:05}.gr1"));

  h.SetChecked("chkReflect", false);
  h.Configure({}, {"chkLongTable"});
  h.Click("Option1");
  h.Run({Q(temp.File("long.csv"))});
  EXPECT_TRUE(SplitCrLf(ReadAll(temp.File("long.csv"))).at(1).ends_with(",MAT,B1,1"));
}

TEST(InstrumentWindowRun, TheKeysWhiteReferencesAreOfferedWhereTheFormatIsCorrected) {
  const TempFolder temp;
  const std::string key = temp.Write("key.csv",
                                     "file,Date,Site,Block,Treatment\n"
                                     "TUN_00001.spu,8/11/2018,TUN,\"B1, B2\",ref\n"
                                     "TUN_00002.spu,8/11/2018,TUN,B1,CT\n");
  {
    Harness h(Format::UniSpecDc);
    ASSERT_TRUE(h.Enabled("cmdFieldKey"));
    h.dialogs.openPaths = {Q(key), Q(key)};
    h.dialogs.messageAnswers = {gui::MessageAnswer::No, gui::MessageAnswer::Yes};
    h.Click("cmdFieldKey");
    ASSERT_EQ(h.dialogs.messages.size(), 1u);
    EXPECT_EQ(h.dialogs.messages[0].text,
              "Correct each scan of the long table by the mean of the reference scans of rows with Treatment ref "
              "and the same Date, Site, Block?");
    EXPECT_EQ(h.program.Settings().fieldKeyFile, key);  // the key stays, without references
    EXPECT_TRUE(h.program.Settings().keyReferenceColumn.empty());
    h.Click("cmdFieldKey");
    // The guess itself is the KeyReferenceScans tests'.
    EXPECT_EQ(h.program.Settings().keyReferenceColumn, "Treatment");
    EXPECT_TRUE(Contains(h.Text("lblFieldKey"), "references Treatment ref"));
    h.Click("cmdNoFieldKey");
    EXPECT_TRUE(h.program.Settings().keyReferenceColumn.empty());
  }
  // A format without reference correction is not asked.
  Harness h(Format::Ger1500);
  h.dialogs.openPaths = {Q(key)};
  h.Click("cmdFieldKey");
  EXPECT_TRUE(h.dialogs.messages.empty());
  EXPECT_EQ(h.program.Settings().fieldKeyFile, key);
  EXPECT_TRUE(h.program.Settings().keyReferenceColumn.empty());
}

// "ENVI library" is asked for last, after the long table, with its
// announcement and save dialog as the tables are; alone it is an output of
// its own.
TEST(InstrumentWindowRun, EnviLibraryComesAfterTheTables) {
  const TempFolder temp;
  const auto scans = synth::WriteScans((temp.Path() / "s").string(), Format::UniSpecOld, 2, "V");
  const auto run = [](Harness& h, const std::vector<QString>& paths) {
    h.Click("Option1");
    h.SetGrid("400", "1000", "2");
    h.Run(paths);
  };
  Harness h(Format::UniSpecOld);
  h.Configure(scans, {"chkAbsorb", "chkLongTable", "chkEnvi"});
  run(h, {Q(temp.File("refl.txt")), Q(temp.File("abs.txt")), Q(temp.File("long.csv")), Q(temp.File("leaf.sli"))});
  EXPECT_EQ(h.dialogs.saveTitles,
            (std::vector<QString>{"Save Reflectance File", "Save Absorbance File", "Save Long Table (CSV) File",
                                  "Save ENVI Library File (.sli)"}));
  ASSERT_EQ(h.dialogs.messages.size(), 4u);
  ExpectMessage(h.dialogs.messages[3], "   Save ENVI Spectral Library   ", "Message", MessageIcon::None);
  EXPECT_TRUE(Contains(h.Text("lblStatus"), "leaf.sli"));

  // Alone: the reflectance is computed for the library, no table is asked for.
  Harness alone(Format::UniSpecOld);
  alone.SetChecked("chkReflect", false);
  alone.Configure(scans, {"chkEnvi"});
  run(alone, {Q(temp.File("alone.sli"))});
  EXPECT_EQ(alone.dialogs.saveTitles, std::vector<QString>{"Save ENVI Library File (.sli)"});

  // A cancelled library dialog: the tables stay, the run ends there.
  h.dialogs.Clear();
  fs::remove(temp.File("leaf.sli"));
  h.Click("cmdEditList");
  h.Click("cmdFileListOk");
  run(h, {Q(temp.File("refl2.txt")), Q(temp.File("abs2.txt")), Q(temp.File("long2.csv"))});
  ASSERT_EQ(h.dialogs.messages.size(), 5u);
  ExpectMessage(h.dialogs.messages[4], " No filename selected!", "Error", MessageIcon::Exclamation);
  EXPECT_TRUE(fs::exists(temp.File("long2.csv")));
  EXPECT_FALSE(fs::exists(temp.File("leaf.sli")));
}

}  // namespace
}  // namespace corvelane
