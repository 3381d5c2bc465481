// The conversion windows Form1, Form8, Form7, Form5 and Form6 driven as a user
// would: picking files, confirming the list, choosing the wavelength source,
// running, checking and previewing, with scripted message boxes and save
// dialogs. Each window's full run is compared byte for byte with the command
// line.
#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QApplication>
#include <QColor>
#include <QComboBox>
#include <QDir>
#include <QGroupBox>
#include <QImage>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>
#include <QTest>
#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <map>
#include <memory>
#include <ostream>
#include <string>
#include <tuple>
#include <vector>

#include "calibration/external_file_window.h"
#include "convert/conversion_run.h"
#include "convert/instrument_window.h"
#include "convert/preview_widget.h"
#include "convert/program.h"
#include "headers/transect_header.h"
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
using gui::InstrumentWindow;
using gui::MessageIcon;
using gui::MessageRequest;
using gui::PreviewWidget;
using testing::ExpectMessage;
using testing::Q;
using testing::ReadAll;
using testing::ScriptedDialogs;
using testing::SplitCrLf;
using testing::TempFolder;
using testing::WhenModal;

// One instrument window as the start-up button leaves it, shown, with
// scripted message boxes and save dialogs.
class Harness {
 public:
  explicit Harness(Format format)
      : program(dialogs, QDir::currentPath()), window(std::make_unique<InstrumentWindow>(program, VariantOf(format))) {
    Reopen();
  }
  // The start-up button: what it prepares, then shown.
  void Reopen() const {
    window->PrepareForShow();
    window->show();
    EXPECT_TRUE(QTest::qWaitForWindowExposed(window.get()));
  }

  template <class T = QWidget>
  T* Get(const char* name) const {
    return window->findChild<T*>(QString::fromLatin1(name));
  }
  bool Exists(const char* name) const { return Get(name) != nullptr; }
  bool Found(const char* name) const {
    EXPECT_TRUE(Exists(name)) << "no control " << name;
    return Exists(name);
  }
  bool Enabled(const char* name) const { return Found(name) && Get(name)->isEnabled(); }
  bool Checked(const char* name) const { return Found(name) && Get<QAbstractButton>(name)->isChecked(); }
  QString Text(const char* name) const {
    if (const auto* e = Get<QLineEdit>(name)) return e->text();
    if (const auto* l = Get<QLabel>(name)) return l->text();
    if (const auto* b = Get<QAbstractButton>(name)) return b->text();
    if (const auto* g = Get<QGroupBox>(name)) return g->title();
    ADD_FAILURE() << "no control " << name;
    return {};
  }
  int Progress(const char* name) const { return Get<QProgressBar>(name)->value(); }

  // A click near the left edge lands on the box of a check box or option
  // button as well as on a push button.
  void Click(const char* name) const {
    auto* b = Get<QAbstractButton>(name);
    ASSERT_NE(b, nullptr) << name;
    QTest::mouseClick(b, Qt::LeftButton, {}, QPoint(std::min(8, b->width() / 2), b->height() / 2));
  }
  void SetChecked(const char* name, bool checked) const {
    if (Checked(name) != checked) Click(name);
    ASSERT_EQ(Checked(name), checked) << name;
  }
  void SetGrid(const char* begin, const char* end, const char* step) const {
    for (const auto& [box, text] : {std::pair{"txtBeginWave", begin}, {"txtEndWave", end}, {"txtDeltaWave", step}})
      Get<QLineEdit>(box)->setText(QString::fromLatin1(text));
  }

  // A click on the file list entry of each path (after moving the folder
  // list to its folder).
  void Pick(const std::vector<std::string>& paths) const {
    auto* browser = window->findChild<gui::FolderBrowser*>();
    for (const auto& path : paths) {
      const QString folder = Q(fs::path(path).parent_path().string());
      ASSERT_TRUE(browser->CurrentFolder() == folder || browser->SetFolder(folder)) << path;
      const auto found = Get<QListWidget>("File1")->findItems(Q(fs::path(path).filename().string()), Qt::MatchExactly);
      ASSERT_EQ(found.size(), 1) << path;
      testing::ClickRow(found.front()->listWidget(), found.front()->listWidget()->row(found.front()));
    }
  }
  QStringList Entries(const char* list = "List1") const { return testing::Items(Get<QListWidget>(list)); }
  void ClickListRow(int row, bool twice = false) const { testing::ClickRow(Get<QListWidget>("List1"), row, twice); }
  // Picks the files, ticks the output modes and confirms the list.
  void Configure(const std::vector<std::string>& scans, std::vector<const char*> modes = {}) const {
    Pick(scans);
    for (const char* m : modes) SetChecked(m, true);
    Click("cmdFileListOk");
  }

  ScriptedDialogs dialogs;
  gui::Program program;
  std::unique_ptr<InstrumentWindow> window;
};

// --- Phase tables, with each window's own differences ----------------------

bool IsGer(Format f) { return f == Format::Ger1500 || f == Format::Ger2600; }
bool IsCompact(Format f) { return f == Format::UniSpecCompact; }

void ExpectStates(const Harness& h, const std::vector<std::pair<const char*, bool>>& expected, const char* phase) {
  for (const auto& [name, enabled] : expected)
    if (h.Exists(name)) EXPECT_EQ(h.Enabled(name), enabled) << phase << ": " << name;
}

void ExpectSelecting(const Harness& h, bool listUsed) {
  const bool notCompact = !IsCompact(FormatOf(h.window->Variant()));
  ExpectStates(h,
               {{"cboCombo", true},
                {"File1", true},
                {"Dir1", true},
                {"Drive1", true},
                {"chkReflect", true},
                {"chkShowGraph", true},
                {"List1", listUsed},
                {"cmdFileListOk", listUsed},
                {"cmdChkFile", listUsed},
                {"Option1", false},
                {"Option2", false},
                {"Option3", false},
                {"Command3", false},
                {"Command4", false},
                {"txtBeginWave", false},
                {"txtEndWave", false},
                {"txtDeltaWave", false},
                {"cmdDoOperation", false},
                {"chkAbsorb", notCompact},
                {"chkTarget", notCompact},
                {"chkRefer", notCompact}},
               "Selecting");
}

void ExpectConfiguring(const Harness& h) {
  const Format f = FormatOf(h.window->Variant());
  // The GER 1500 window leaves Absorbance and the file check usable.
  ExpectStates(h,
               {{"frmSpectral", true},
                {"Option1", !IsCompact(f)},
                {"Option2", true},
                {"Option3", true},
                {"frmInterpolate", true},
                {"Option4", true},
                {"Option5", true},
                {"cmdDoOperation", true},
                {"List1", false},
                {"Dir1", false},
                {"Drive1", false},
                {"File1", false},
                {"cboCombo", false},
                {"frmOutput", false},
                {"chkReflect", false},
                {"chkTarget", false},
                {"chkRefer", false},
                {"cmdFileListOk", false},
                {"chkShowGraph", false},
                {"chkAbsorb", f == Format::Ger1500},
                {"cmdChkFile", f == Format::Ger1500}},
               "Configuring");
}

void ExpectGridEnabled(const Harness& h, bool enabled, const char* when) {
  for (const char* name : {"txtBeginWave", "txtEndWave", "txtDeltaWave", "lblBegin", "lblEnd", "lblDelta", "frmWave"})
    EXPECT_EQ(h.Enabled(name), enabled) << when << ": " << name;
}

void ExpectFinished(const Harness& h) {
  ExpectStates(h,
               {{"cmdDoOperation", false},
                {"Option1", false},
                {"Option2", false},
                {"Option3", false},
                {"List1", false},
                {"File1", false},
                {"Dir1", false},
                {"Drive1", false},
                {"cboCombo", false},
                {"chkReflect", false},
                {"chkShowGraph", false},
                {"cmdFileListOk", false}},
               "Finished");
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

const std::vector<std::pair<const char*, const char*>> kLeafHeader = {{"File name", "site1.csv"},
                                                                      {"Person responsible", "A. Field"},
                                                                      {"Project description", "Tundra"},
                                                                      {"File names (links) to other data", "lai.csv"},
                                                                      {"Measurement inst.", "UniSpec 1042"},
                                                                      {"Foreoptics", "leaf clip"},
                                                                      {"Wavelength calib. coeff.", "A = 305.4"},
                                                                      {"Reflectance standard", "99% panel"},
                                                                      {"Data processing prog. v.#", "corvelane"},
                                                                      {"Data type", "reflectance"},
                                                                      {"Plant functional type", "shrub"},
                                                                      {"Collection site", "Site 1"},
                                                                      {"Additional information", "sunlit"},
                                                                      {"Cautions", "none"}};

// Sets the wavelength source and options of the run after File List OK.
using RunSettings = std::function<void(Harness&, const TempFolder&)>;

// Each window's expectations: names and grid defaults; the texts of File List OK
// without an output mode and of a failed check; the announcements of the
// reflectance and absorbance files.
struct Window {
  Format format;
  const char *id, *name, *gridBegin, *gridEnd;  // id names the test
  const char *noModeText, *checkFailure, *reflAnnouncement, *absAnnouncement;
  // The preview: line zeroLine rewritten so that the panel (or value) reads 0 / 999.
  std::size_t zeroLine;
  const char* zeroText;
  double x0, yb;
  int channels;
  double targetOfChannel0;  // as written in zeroText, -1 when none
  // The run: its modes (indices into kModes).
  std::vector<std::size_t> modes;
  RunSettings settings;
  bool leaf() const { return format == Format::UniSpecOld || format == Format::UniSpecNew; }
};

void PrintTo(const Window& w, std::ostream* os) { *os << w.name; }

const std::vector<Window> kWindows = {
    {Format::UniSpecOld,
     "Form1_UniSpecOld",
     "Form1",
     "310",
     "1130",
     "Select Output Mode",
     "Unknown File Error",
     "   Save Reflectance File   ",
     "    Save Absorbance File    ",
     268,
     "0",
     25,
     65000,
     256,
     -1,
     {0, 1, 2, 3},
     [](Harness& h, const TempFolder&) {
       // Labels from the header, a leaf header, a grid of its own.
       for (const char* box : {"Option6", "Check1"}) h.SetChecked(box, true);
       h.Click("Option1");
       h.SetGrid("400", "1000", "2.5");
       WhenModal(h.window.get(), [](QWidget* modal) {
         ASSERT_EQ(modal->objectName(), "Form12");
         for (std::size_t i = 0; i < kLeafHeader.size(); ++i)
           modal->findChild<QLineEdit*>(QStringLiteral("Text%1").arg(i + 1))->setText(kLeafHeader[i].second);
         modal->findChild<QPushButton*>(QStringLiteral("Command1"))->click();
       });
     }},
    {Format::UniSpecNew,
     "Form8_UniSpecNew",
     "Form8",
     "310",
     "1130",
     "Select Output Mode",
     "Unknown File Error",
     "   Save Reflectance File   ",
     "    Save Absorbance File    ",
     10,
     "305.4 1234 0",
     25,
     65000,
     256,
     1234,
     {0, 1, 2},
     [](Harness& h, const TempFolder&) {
       h.Click("Option3");
       WhenModal(h.window.get(), [](QWidget* modal) {
         ASSERT_EQ(modal->objectName(), "Form2");
         modal->findChild<QLineEdit*>(QStringLiteral("txtCoeffA"))->setText("305.4");
         modal->findChild<QLineEdit*>(QStringLiteral("txtCoeffB"))->setText("3.31");
         modal->findChild<QLineEdit*>(QStringLiteral("txtCoeffC"))->setText("-0.0002");
         modal->findChild<QRadioButton*>(QStringLiteral("Option1"))->setChecked(true);  // first channel is 0
         modal->findChild<QPushButton*>(QStringLiteral("cmdOK"))->click();
       });
       h.Click("Command4");
       const EquationTexts& e = h.program.Settings().equation;
       EXPECT_EQ(std::tie(e.a, e.b, e.c, e.startChannel), std::make_tuple("305.4", "3.31", "-0.0002", 0));
     }},
    {Format::UniSpecCompact,
     "Form7_UniSpecCompact",
     "Form7",
     "400",
     "1000",
     "Check 'Reflectance' Output Mode",
     "Unknown File Error",
     "   Save Reflectance File   ",
     nullptr,
     4,
     " 999",
     25,
     65000,
     256,
     -1,
     {0},
     [](Harness& h, const TempFolder& temp) {
       const std::string waves = temp.Write("waves.txt", synth::ExternalWavelengthText(Format::UniSpecCompact, 256));
       h.Click("Option2");
       WhenModal(h.window.get(), [waves](QWidget* modal) {
         auto* form3 = qobject_cast<gui::ExternalFileWindow*>(modal);
         ASSERT_NE(form3, nullptr);
         form3->ChooseFile(Q(waves));
         form3->findChild<QPushButton*>(QStringLiteral("cmdOK"))->click();
       });
       h.Click("Command3");
       EXPECT_EQ(h.program.Settings().externalWavelengthFile, waves);
     }},
    {Format::Ger1500,
     "Form5_Ger1500",
     "Form5",
     "400",
     "1000",
     "Select Output Mode",
     "    Unknown Error!!!   ",
     "    Save Reflectance Data   ",
     "   Save Absorbance Data   ",
     12,
     "299.70   4321   0",
     50,
     500000,
     512,
     4321,
     {0, 1},
     [](Harness& h, const TempFolder&) {
       for (const char* option : {"Option5", "Option1"}) h.Click(option);
     }},
    {Format::Ger2600,
     "Form6_Ger2600",
     "Form6",
     "400",
     "1000",
     "Select Output Mode",
     "No error file name selected",
     "   Save Reflectance Data   ",
     "   Save Absorbance Data   ",
     12,
     "350.00   2222   0",
     50,
     500000,
     594,
     2222,
     {0, 1},
     [](Harness& h, const TempFolder&) {
       h.Click("Option1");
       h.SetGrid("500", "2400", "5");
     }},
};

class InstrumentWindowTest : public ::testing::TestWithParam<Window> {};

TEST_P(InstrumentWindowTest, ControlsOfEachFormatAndTheirDefaults) {
  const Window& w = GetParam();
  Harness h(w.format);
  const bool ger = IsGer(w.format), compact = IsCompact(w.format);
  EXPECT_EQ(h.Get<QComboBox>("cboCombo")->count(), 1);

  // Controls only some windows have; the others every window has.
  const std::map<std::string, bool> some = {{"chkTarget", !ger},  {"chkRefer", !ger},       {"frmFileName", !ger},
                                            {"Option6", !ger},    {"Option7", !ger},        {"Check1", w.leaf()},
                                            {"Label2", w.leaf()}, {"ComIndices", w.leaf()}, {"Check3", ger},
                                            {"Text2", compact},   {"Text3", compact}};
  for (const auto& [name, exists] : some) EXPECT_EQ(h.Exists(name.c_str()), exists) << name;
  // The grid boxes start from the format's defaults.
  for (const auto& [name, text] : {std::pair{"txtBeginWave", w.gridBegin}, {"txtEndWave", w.gridEnd}})
    EXPECT_EQ(h.Text(name), text) << name;
  const std::vector<std::pair<const char*, bool>> checked = {
      {"chkReflect", true},    {"chkAbsorb", false},  {"chkTarget", false}, {"chkRefer", false},
      {"chkShowGraph", false}, {"Option1", !compact}, {"Option2", compact}, {"Option4", true},
      {"Option6", compact},    {"Option7", !compact}, {"Check1", false},    {"Check3", false}};
  for (const auto& [name, on] : checked)
    if (h.Exists(name)) EXPECT_EQ(h.Checked(name), on) << name;

  for (const char* box : {"txtTarget", "txtPlate", "Text1", "Text2", "Text3"})
    if (h.Exists(box)) EXPECT_TRUE(h.Get<QLineEdit>(box)->isReadOnly()) << box;
  for (const char* c :
       {"Drive1", "Dir1", "File1", "List1", "prgChkFile", "prgCalc", "picTarget", "picPlate", "picReflect"})
    EXPECT_TRUE(h.Exists(c)) << c;
  // "Input Indices" opens the Calculate Reference window, modally, whatever the phase.
  if (w.leaf()) {
    bool opened = false;
    WhenModal(h.window.get(), [&opened](QWidget* modal) {
      opened = modal->objectName() == "Form13";
      modal->findChild<QPushButton*>(QStringLiteral("Command1"))->click();
    });
    h.Click("ComIndices");
    EXPECT_TRUE(opened);
    EXPECT_FALSE(h.program.CalculateReference().isVisible());
  }
  // UniSpec-Compact: one visible output mode, "No Data" boxes hidden until a preview.
  for (const char* name : {"chkAbsorb", "chkTarget", "chkRefer", "Text2", "Text3"})
    if (h.Exists(name)) EXPECT_EQ(h.Get(name)->isVisible(), !compact) << name;

  ExpectStates(h,
               {{"List1", false},
                {"frmSpectral", false},
                {"frmInterpolate", false},
                {"Option4", false},
                {"Option5", false},
                {"frmWave", false},
                {"lblBegin", false},
                {"lblEnd", false},
                {"lblDelta", false},
                {"ComIndices", true},
                {"Check3", false}},
               "load");
  ExpectSelecting(h, false);
}

// Every phase in order: selecting (with the file filter, the cancelled check
// and the output-mode check), configuring and the option buttons, a full run,
// Cancel, the start-up button again, a second round and the close box.
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
  // The first two scans listed and every mode of the window ticked.
  void Configure() {
    h.Pick({scans[0], scans[1]});
    for (std::size_t m : w.modes) h.SetChecked(kModes[m].box, true);
    h.Click("cmdFileListOk");
  }
  const Window& w;
  const TempFolder temp;
  std::vector<std::string> scans;
  Harness h;
};

TEST_P(InstrumentWindowTest, SelectingAndConfiguring) {
  PhaseSetup p(GetParam());
  const Window& w = p.w;
  const Format f = w.format;
  const bool compact = IsCompact(f);
  Harness& h = p.h;
  const auto& scans = p.scans;
  // Selecting: the GER windows list every file, the UniSpec windows their
  // extension; the first click enables the list and the buttons follow it.
  // A file picked twice is refused.
  h.Pick({scans[0], scans[1], scans[0]});
  EXPECT_EQ(h.Entries("File1").contains("notes.txt"), IsGer(f));
  ASSERT_EQ(h.Entries(), (QStringList{Q(scans[0]), Q(scans[1])}));
  ExpectSelecting(h, true);
  ASSERT_EQ(h.dialogs.messages.size(), 1u);
  ExpectMessage(h.dialogs.messages[0], "File already selected!", "Error", MessageIcon::Exclamation);
  h.dialogs.Clear();
  // A check whose save dialog is cancelled: the window's own text, nothing checked.
  h.Get<QProgressBar>("prgChkFile")->setValue(40);
  h.Click("cmdChkFile");
  ASSERT_EQ(h.dialogs.messages.size(), 1u);
  ExpectMessage(h.dialogs.messages[0], w.checkFailure, "Error", MessageIcon::None);
  EXPECT_EQ(h.Progress("prgChkFile"), 40);
  h.dialogs.Clear();

  // Configuring.
  for (std::size_t m : w.modes) h.SetChecked(kModes[m].box, true);
  h.Click("cmdFileListOk");
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
  const TempFolder& temp = p.temp;
  p.Configure();
  // Interpolation on, wavelengths from the file where the window offers it.
  h.Click("Option4");
  h.Click("Option1");
  // The run: announcements and save dialogs for each mode in order.
  w.settings(h, temp);
  std::vector<QString> texts, titles;
  for (std::size_t m : w.modes) {
    const Mode& mode = kModes[m];
    texts.push_back(m == 0 ? w.reflAnnouncement : m == 1 ? w.absAnnouncement : mode.rawAnnouncement);
    titles.push_back(mode.saveTitle);
    h.dialogs.savePaths.push_back(Q(temp.File(std::string("w-") + mode.cli)));
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
  for (std::size_t m : w.modes) EXPECT_FALSE(ReadAll(temp.File(std::string("w-") + kModes[m].cli)).empty());
  // The leaf header typed in its window heads the reflectance file.
  if (h.Exists("Check1") && h.Checked("Check1"))
    EXPECT_NE(ReadAll(temp.File("w-reflectance")).find("Collection site:,Site 1"), std::string::npos);

  // Cancel clears the list and hides the window; it is not discarded.
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
  const Window& w = p.w;
  const Format f = w.format;
  const bool compact = IsCompact(f);
  Harness& h = p.h;
  const TempFolder& temp = p.temp;
  const auto& scans = p.scans;
  p.Configure();
  h.Click("Command5");
  h.Reopen();
  // A second round. The same file through another path text is another
  // entry; double-clicks remove entries, the last leaving the check usable.
  h.dialogs.Clear();
  fs::create_directory_symlink(temp.Path() / "scans", temp.Path() / "alias");
  h.Pick({scans[2], (temp.Path() / "alias" / fs::path(scans[2]).filename()).string()});
  ASSERT_EQ(h.Entries().size(), 2);
  h.ClickListRow(1, true);
  EXPECT_EQ(h.Entries(), (QStringList{Q(scans[2])}));
  h.ClickListRow(0, true);
  EXPECT_TRUE(h.Entries().isEmpty());
  EXPECT_FALSE(h.Enabled("cmdFileListOk"));
  EXPECT_TRUE(h.Enabled("cmdChkFile"));
  // No output mode is refused with the window's text; any single mode is
  // enough (only Reflectance counts in the compact window).
  h.Pick({scans[2]});
  for (const Mode& m : kModes)
    if (h.Exists(m.box) && h.Get(m.box)->isVisible()) h.SetChecked(m.box, false);
  h.Click("cmdFileListOk");
  ASSERT_EQ(h.dialogs.messages.size(), 1u);
  ExpectMessage(h.dialogs.messages[0], w.noModeText, "Error", MessageIcon::Exclamation);
  ExpectSelecting(h, true);
  h.SetChecked(compact ? "chkReflect" : IsGer(f) ? "chkAbsorb" : "chkRefer", true);
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
  const TempFolder temp;
  auto scans = synth::WriteScans((temp.Path() / "s").string(), w.format, 1, "V");
  auto lines = SplitCrLf(ReadAll(scans[0]));
  lines.at(w.zeroLine) = w.zeroText;
  const std::string text = testing::CrLf(lines);
  std::ofstream(scans[0], std::ios::binary) << text;
  Harness h(w.format);
  const auto noDataShown = [&h, compact](bool shown) {
    if (compact)
      for (const char* box : {"Text2", "Text3"}) EXPECT_EQ(h.Get(box)->isVisible(), shown) << box;
  };
  h.Pick(scans);
  h.SetChecked("chkShowGraph", true);
  h.ClickListRow(0);
  EXPECT_TRUE(h.dialogs.messages.empty());
  EXPECT_EQ(h.Text("lblPreviewStatus"), "");
  for (const char* name : {"picTarget", "picPlate", "picReflect"}) {
    const auto points = Points(h.Get<PreviewWidget>(name));
    if (compact && std::string(name) != "picReflect") {
      EXPECT_TRUE(points.empty()) << name;
      continue;
    }
    ASSERT_EQ(points.size(), static_cast<std::size_t>(w.channels)) << name;
    EXPECT_EQ(points.front().x, w.x0 + 1) << name;
    EXPECT_EQ(points.back().x, w.x0 + w.channels) << name;
    EXPECT_TRUE(points.front().blue);
  }
  if (w.targetOfChannel0 >= 0)
    EXPECT_EQ(Points(h.Get<PreviewWidget>("picTarget")).front().y, w.yb - w.targetOfChannel0);
  if (!compact) EXPECT_EQ(Points(h.Get<PreviewWidget>("picPlate")).front().y, w.yb);  // panel 0
  noDataShown(true);

  // Reflectance 999 lies far above the area: not drawn. A point in view is a
  // blue pixel where the mapping puts it.
  auto* reflect = h.Get<PreviewWidget>("picReflect");
  const auto refl = Points(reflect);
  EXPECT_EQ(refl.front().y, w.yb - 999 * w.yb);
  EXPECT_FALSE(reflect->ToPixel(refl.front().x, refl.front().y).has_value());
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
  for (const char* name : {"picTarget", "picPlate", "picReflect"}) {
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
  for (const char* name : {"picTarget", "picPlate", "picReflect"})
    EXPECT_TRUE(Points(h.Get<PreviewWidget>(name)).empty()) << name;
  EXPECT_TRUE(h.Text("lblPreviewStatus").contains(Q(fs::path(scans[0]).filename().string())))
      << h.Text("lblPreviewStatus").toStdString();
  EXPECT_TRUE(h.dialogs.messages.empty());
  noDataShown(false);
  std::ofstream(scans[0], std::ios::binary) << text;
  h.ClickListRow(0);
  EXPECT_EQ(h.Text("lblPreviewStatus"), "");
}

INSTANTIATE_TEST_SUITE_P(InstrumentWindows, InstrumentWindowTest, ::testing::ValuesIn(kWindows),
                         [](const auto& info) { return std::string(info.param.id); });

// --- Runs and checks ------------------------------------------------------

// The GER 1500 window checks after File List OK too; then a run failing
// after its first file, a cancelled save dialog and a check failing.
TEST(InstrumentWindowRun, Form5CheckThenFailingRunsAndCheck) {
  const TempFolder temp;
  const auto scans = synth::WriteScans((temp.Path() / "s").string(), Format::Ger1500, 2, "F");
  Harness h(Format::Ger1500);
  h.Configure(scans, {"chkAbsorb"});
  h.dialogs.savePaths = {Q(temp.File("errors.txt"))};
  h.Click("cmdChkFile");
  EXPECT_EQ(h.dialogs.saveTitles, std::vector<QString>{"Save Error File"});
  ASSERT_EQ(h.dialogs.messages.size(), 1u);
  ExpectMessage(h.dialogs.messages[0], "    Files Ok    ", "Message", MessageIcon::None);
  EXPECT_EQ(ReadAll(temp.File("errors.txt")), "");
  EXPECT_EQ(h.Progress("prgChkFile"), h.Get<QProgressBar>("prgChkFile")->maximum());
  ExpectConfiguring(h);  // the check changes no state

  h.Click("Option1");
  h.dialogs.Clear();
  h.dialogs.savePaths = {Q(temp.File("refl.txt")), Q(temp.File("missing-folder/abs.txt"))};
  h.Click("cmdDoOperation");
  ASSERT_EQ(h.dialogs.messages.size(), 3u);
  const auto& failure = h.dialogs.messages.back();
  ExpectMessage(failure, " Problem in Data File!!!", "Error", MessageIcon::Exclamation);
  EXPECT_TRUE(failure.detail.contains("abs.txt")) << failure.detail.toStdString();
  const auto lines = SplitCrLf(ReadAll(temp.File("refl.txt")));
  ASSERT_EQ(lines.size(), 2u + 4u + 601u);
  EXPECT_EQ(lines[0], "Reflectance");
  EXPECT_FALSE(fs::exists(temp.File("missing-folder")));
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

  // A file removed since it was listed: the check fails with the window's
  // text, naming the file.
  fs::remove(scans[1]);
  h.dialogs.Clear();
  h.dialogs.savePaths = {Q(temp.File("errors2.txt"))};
  h.Click("cmdChkFile");
  ASSERT_EQ(h.dialogs.messages.size(), 1u);
  ExpectMessage(h.dialogs.messages[0], "    Unknown Error!!!   ", "Error", MessageIcon::None);
  EXPECT_TRUE(h.dialogs.messages[0].detail.contains(Q(fs::path(scans[1]).filename().string())));
}

// The run's warnings end up on the status line after what was written.
TEST(InstrumentWindowRun, RunWarningsOnTheStatusLine) {
  const TempFolder temp;
  // The same names in two folders: two scans for each label.
  auto scans = synth::WriteScans((temp.Path() / "a").string(), Format::Ger1500, 1, "F");
  const auto more = synth::WriteScans((temp.Path() / "b").string(), Format::Ger1500, 1, "F");
  scans.insert(scans.end(), more.begin(), more.end());
  Harness h(Format::Ger1500);
  h.Configure(scans);
  ASSERT_EQ(h.Entries().size(), 2);
  h.Click("Option1");
  h.dialogs.savePaths = {Q(temp.File("refl.txt"))};
  h.Click("cmdDoOperation");
  ASSERT_TRUE(fs::exists(temp.File("refl.txt")));
  const QString status = h.Text("lblStatus");
  EXPECT_TRUE(status.startsWith(QStringLiteral("Wrote "))) << status.toStdString();
  EXPECT_TRUE(status.contains(QStringLiteral(" Warning: 2 scans share the label"))) << status.toStdString();
  EXPECT_TRUE(status.contains(Q(scans[1]))) << status.toStdString();
}

TEST(InstrumentWindowRun, BadGridFailsBeforeTheLeafHeaderIsAsked) {
  const TempFolder temp;
  Harness h(Format::UniSpecOld);
  h.Configure(synth::WriteScans((temp.Path() / "s").string(), Format::UniSpecOld, 1, "B"), {"Check1"});
  h.Click("Option1");
  h.SetGrid("310", "1130", "one");
  QStringList opened;
  const auto leaveModal = [&opened](QWidget* modal) {
    opened << modal->objectName();
    if (auto* ok = modal->findChild<QPushButton*>(QStringLiteral("Command1"))) ok->click();
  };
  {
    QObject watch;
    WhenModal(&watch, leaveModal);
    h.Click("cmdDoOperation");
    QTest::qWait(20);
    EXPECT_TRUE(opened.isEmpty());
  }
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
  WhenModal(h.window.get(), leaveModal);
  h.Click("cmdDoOperation");
  EXPECT_EQ(opened, QStringList{"Form12"});
  ASSERT_EQ(h.dialogs.messages.size(), 1u);
  EXPECT_TRUE(h.dialogs.messages[0].text.endsWith("\n Problem in Data File!!!"));
  EXPECT_TRUE(h.dialogs.messages[0].text.startsWith("grid point 1137 nm")) << h.dialogs.messages[0].text.toStdString();
  EXPECT_TRUE(h.dialogs.saveTitles.empty());
  ExpectConfiguring(h);
}

TEST(InstrumentWindowCheck, ProblemsGoToTheErrorFile) {
  const TempFolder temp;
  auto scans = synth::WriteScans((temp.Path() / "s").string(), Format::UniSpecOld, 2, "E");
  // The first file records an empty name (tested with labels from the header);
  // the first data record of the second holds "abc" and "-5".
  for (const auto& [file, line, text] : {std::tuple{0, 0, "C:\\DATA\\X.\\"}, std::tuple{1, 10, "abc    -5"}}) {
    auto lines = SplitCrLf(ReadAll(scans[file]));
    lines[line] = text;
    std::ofstream(scans[file], std::ios::binary) << testing::CrLf(lines);
  }
  Harness h(Format::UniSpecOld);
  h.Pick(scans);
  h.SetChecked("Option6", true);
  h.dialogs.savePaths = {Q(temp.File("errors.txt"))};
  h.Click("cmdChkFile");
  ASSERT_EQ(h.dialogs.messages.size(), 1u);
  ExpectMessage(h.dialogs.messages[0], "Error messages saved in the error file", "Errors in Files", MessageIcon::None);
  const std::string first = h.Entries()[0].toStdString(), second = h.Entries()[1].toStdString();
  EXPECT_EQ(ReadAll(temp.File("errors.txt")), first + "   bad 'file name'field\r\n" + second +
                                                  " : Non-numbers in DATA line #  1 \r\n" + second +
                                                  " : Negative value in DATA line #  1 \r\n");
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
// transect header, four outputs and the status warning; the files are those
// the core writes with the same settings.
TEST(InstrumentWindowRun, Form9RunsWithTheChannelEquationsAndTheTransectHeader) {
  const TempFolder temp;
  const QString previous = QDir::currentPath();
  QDir::setCurrent(Q(temp.Path().string()));  // the start folder, where inst.cof is written
  {
    const auto scans = synth::WriteDcScans((temp.Path() / "dc").string(), 3, "TUN_");
    Harness h(Format::UniSpecDc);
    EXPECT_EQ(h.window->windowTitle(), "Uni-DC 1 or 2 v. 2.4.0");
    EXPECT_EQ(h.Text("AddFile"), "Add Files");
    EXPECT_EQ(h.Get<QComboBox>("cboCombo")->currentText(), " .spu files  (*.spu)");
    EXPECT_EQ(h.Text("frmFileName"), "Filename From:   ");
    EXPECT_EQ(h.Text("chkaircraft"), "Input Transect Header?");
    EXPECT_EQ(h.Text("Frame1"), "Correct reflectance?");
    EXPECT_EQ(h.Text("ComRef"), "Select Reference files");
    for (const char* box : {"ChkCorrect", "ChkNDVI"}) EXPECT_FALSE(h.Checked(box)) << box;
    EXPECT_TRUE(h.Enabled("txtBeginWave"));  // the grid is open from the start
    EXPECT_FALSE(h.Checked("chkaircraft"));

    auto* browser = h.window->findChild<gui::FolderBrowser*>();
    ASSERT_TRUE(browser->SetFolder(Q((temp.Path() / "dc").string())));
    h.Click("AddFile");
    h.Click("AddFile");  // no file twice
    ASSERT_EQ(h.Entries().size(), 3);
    EXPECT_TRUE(h.Enabled("List1"));
    h.SetChecked("chkAbsorb", true);
    h.SetChecked("chkTarget", true);
    h.Click("cmdFileListOk");
    EXPECT_FALSE(h.Enabled("Option1"));
    EXPECT_FALSE(h.Enabled("Option2"));
    EXPECT_TRUE(h.Enabled("Option3"));
    EXPECT_TRUE(h.Enabled("Command4"));

    QStringList opened;
    {
      QObject watch;
      WhenModal(&watch, [&opened](QWidget* modal) {
        opened << modal->objectName();
        modal->findChild<QPushButton*>(QStringLiteral("cmdOK"))->click();
      });
      h.Click("Command4");
    }
    EXPECT_EQ(opened, QStringList{"Form10"});
    EXPECT_FALSE(h.Enabled("Command4"));
    EXPECT_TRUE(h.Enabled("cmdDoOperation"));
    EXPECT_TRUE(fs::exists(temp.File("inst.cof")));

    h.SetChecked("chkaircraft", true);
    h.dialogs.savePaths = {Q(temp.File("r.txt")), Q(temp.File("a.txt")), Q(temp.File("t.txt"))};
    {
      QObject watch;
      WhenModal(&watch, [&opened](QWidget* modal) {
        opened << modal->objectName();
        modal->findChild<QLineEdit*>(QStringLiteral("Text1"))->setText(QStringLiteral("Site 4"));
        modal->findChild<QPushButton*>(QStringLiteral("Command1"))->click();
      });
      h.Click("cmdDoOperation");
    }
    EXPECT_EQ(opened, (QStringList{"Form10", "Form11"}));
    // One scan's status values include a reading of 0, so its absorbance at
    // the grid points placed from it is 999: said in a message before the files.
    ASSERT_EQ(h.dialogs.messages.size(), 4u);
    EXPECT_EQ(h.dialogs.messages[0].title, "Warning");
    EXPECT_TRUE(h.dialogs.messages[0].detail.contains("TUN_00002.spu (1116 to 1121 nm)"))
        << h.dialogs.messages[0].detail.toStdString();
    EXPECT_EQ(h.dialogs.messages[1].text, "   Save Reflectance File   ");
    EXPECT_EQ(h.dialogs.messages[2].text, "   Save Absorbance File   ");
    EXPECT_EQ(h.dialogs.messages[3].text, "   Save Target File   ");
    EXPECT_EQ(h.dialogs.saveTitles,
              (std::vector<QString>{"Save Reflectance File", "Save Absorbance File", "Save Target File"}));
    EXPECT_TRUE(h.Text("lblStatus").contains("3 of 3 files hold instrument status values"))
        << h.Text("lblStatus").toStdString();
    EXPECT_FALSE(h.Enabled("cmdDoOperation"));

    corvelane::RunSettings s;
    s.variant = &VariantOf(Format::UniSpecDc);
    s.files = scans;
    s.grid = {"310", "1130", "1"};
    s.modes[Index(OutputMode::Reflectance)] = s.modes[Index(OutputMode::Absorbance)] =
        s.modes[Index(OutputMode::RawTarget)] = true;
    UseChannelEquations(s, DcStartTexts());
    WavelengthTables tables;
    const ConversionResult expected = ComputeConversion(s, tables);
    TransectHeaderTexts texts;
    texts[0] = "Site 4";
    EXPECT_EQ(ReadAll(temp.File("r.txt")), OutputText(expected, OutputMode::Reflectance, TransectHeaderBlock(texts)));
    EXPECT_EQ(ReadAll(temp.File("a.txt")), OutputText(expected, OutputMode::Absorbance, nullptr));
    EXPECT_EQ(ReadAll(temp.File("t.txt")), OutputText(expected, OutputMode::RawTarget, nullptr));
    EXPECT_EQ(SplitCrLf(ReadAll(temp.File("r.txt")))[1], "File name:,Site 4");

    h.Click("Command5");
    h.Reopen();  // the start-up button clears the transect box
    EXPECT_FALSE(h.Checked("chkaircraft"));
  }
  QDir::setCurrent(previous);
}

// Form9's dark scan and every window's quality report: the job takes both
// from the window, and the report is the last file asked for.
TEST(InstrumentWindowRun, Form9SubtractsTheChosenDarkScanAndSavesTheQualityReportLast) {
  const TempFolder temp;
  const QString previous = QDir::currentPath();
  QDir::setCurrent(Q(temp.Path().string()));
  {
    const auto scans = synth::WriteDcScans((temp.Path() / "dc").string(), 2, "TUN_");
    Harness h(Format::UniSpecDc);
    EXPECT_EQ(h.Text("lblDarkScan"), "No dark scan");
    // The scan as its own dark scan (the synthetic scans differ in
    // integration time): every reading becomes 0, every reflectance 999.
    h.window->SetDarkScan(Q(scans[0]));
    EXPECT_EQ(h.Text("lblDarkScan"), "Dark scan: TUN_00001.spu");
    EXPECT_EQ(h.program.Settings().darkScan, scans[0]);
    h.Configure({scans[0]});
    {
      QObject watch;
      WhenModal(&watch, [](QWidget* modal) { modal->findChild<QPushButton*>(QStringLiteral("cmdOK"))->click(); });
      h.Click("Command4");
    }
    h.SetChecked("chkReport", true);
    h.dialogs.savePaths = {Q(temp.File("r.txt")), Q(temp.File("q.csv"))};
    h.Click("cmdDoOperation");
    EXPECT_EQ(h.dialogs.saveTitles, (std::vector<QString>{"Save Reflectance File", "Save quality report"}))
        << h.Text("lblStatus").toStdString();
    const std::vector<std::string> rows = SplitCrLf(ReadAll(temp.File("q.csv")));
    ASSERT_EQ(rows.size(), 2u);
    EXPECT_TRUE(rows[1].find(",no,no,yes,") != std::string::npos) << rows[1];  // dark subtracted

    corvelane::RunSettings s;
    s.variant = &VariantOf(Format::UniSpecDc);
    s.files = {scans[0]};
    s.grid = {"310", "1130", "1"};
    s.modes[Index(OutputMode::Reflectance)] = true;
    UseChannelEquations(s, DcStartTexts());
    s.darkScan = scans[0];
    WavelengthTables tables;
    const std::string expected = OutputText(ComputeConversion(s, tables), OutputMode::Reflectance, nullptr);
    EXPECT_EQ(ReadAll(temp.File("r.txt")), expected);
    EXPECT_EQ(SplitCrLf(expected)[100], " 404 , 999 ");

    h.window->SetDarkScan({});
    EXPECT_EQ(h.Text("lblDarkScan"), "No dark scan");
    EXPECT_TRUE(h.program.Settings().darkScan.empty());
  }
  QDir::setCurrent(previous);
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
  EXPECT_TRUE(h.dialogs.messages[0].detail.contains("no column \"file\""))
      << h.dialogs.messages[0].detail.toStdString();
  EXPECT_TRUE(h.program.Settings().fieldKeyFile.empty());
  EXPECT_EQ(h.Text("lblFieldKey"), "(none)");
  h.dialogs.Clear();
  h.dialogs.openPaths = {Q(key)};
  h.Click("cmdFieldKey");
  EXPECT_EQ(h.dialogs.openTitles.back(), "Field key");
  EXPECT_EQ(h.program.Settings().fieldKeyFile, key);
  EXPECT_EQ(h.Text("lblFieldKey"), "key.csv (2 rows)");
  EXPECT_EQ(h.Entries("lstAverageBy"), (QStringList{"Plot", "Rep"}));

  h.Configure(scans, {"chkLongTable"});
  h.Click("Option1");
  h.dialogs.savePaths = {Q(temp.File("refl.txt")), Q(temp.File("long.csv"))};
  h.Click("cmdDoOperation");
  EXPECT_EQ(h.dialogs.saveTitles, (std::vector<QString>{"Save Reflectance File", "Save Long Table (CSV) File"}));
  ASSERT_TRUE(fs::exists(temp.File("long.csv")));
  const std::vector<std::string> lines = SplitCrLf(ReadAll(temp.File("long.csv")));
  EXPECT_EQ(lines[0], "path,label,date,time,temperature,integration_ms,quantity,wavelength_nm,value,Plot,Rep");
  EXPECT_TRUE(lines[1].ends_with(",north,1")) << lines[1];
  EXPECT_TRUE(lines.back().ends_with(",,")) << lines.back();  // the third scan has no key row
  // The key's misses on the status line.
  const QString status = h.Text("lblStatus");
  EXPECT_TRUE(status.contains("1 of 3 scans has no row in the field key")) << status.toStdString();

  // "Average by" Plot: the means of the two scans of the north plot.
  testing::Tick(h.Get<QListWidget>("lstAverageBy"), "Plot");
  EXPECT_EQ(h.program.Settings().averageBy, std::vector<std::string>{"Plot"});
  h.Click("cmdEditList");
  h.Click("cmdFileListOk");
  h.Click("Option1");
  h.dialogs.savePaths = {Q(temp.File("refl2.txt")), Q(temp.File("means.csv"))};
  h.Click("cmdDoOperation");
  const std::vector<std::string> means = SplitCrLf(ReadAll(temp.File("means.csv")));
  ASSERT_GT(means.size(), 1u);
  EXPECT_EQ(means[0], "Plot,quantity,wavelength_nm,mean,sd,n,n_left_out");
  EXPECT_TRUE(means[1].starts_with("north,reflectance,400,")) << means[1];
  EXPECT_TRUE(means[1].ends_with(",2,0")) << means[1];
  EXPECT_EQ(ReadAll(temp.File("refl.txt")), ReadAll(temp.File("refl2.txt")));

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
  h.dialogs.openPaths = {Q(key)};
  h.dialogs.messageAnswers = {gui::MessageAnswer::No};
  h.Click("cmdFieldKey");
  ASSERT_EQ(h.dialogs.messages.size(), 1u);
  EXPECT_EQ(h.dialogs.messages[0].text,
            "This key names its scans by number. Read the numbers in P1, P2 as the files {Site}_{n:05}.gr1?");
  EXPECT_TRUE(h.program.Settings().fieldKeyFile.empty());
  h.dialogs.openPaths = {Q(key)};
  h.dialogs.messageAnswers = {gui::MessageAnswer::Yes};
  h.Click("cmdFieldKey");
  EXPECT_EQ(h.program.Settings().keyScans, (std::vector<std::string>{"P1", "P2"}));
  EXPECT_EQ(h.Entries("lstAverageBy"), (QStringList{"Site", "Block"}));
  EXPECT_TRUE(h.Text("lblFieldKey").contains("files {Site}_{n:05}.gr1")) << h.Text("lblFieldKey").toStdString();

  h.SetChecked("chkReflect", false);
  h.Configure({}, {"chkLongTable"});
  h.Click("Option1");
  h.dialogs.savePaths = {Q(temp.File("long.csv"))};
  h.Click("cmdDoOperation");
  const std::vector<std::string> lines = SplitCrLf(ReadAll(temp.File("long.csv")));
  ASSERT_GT(lines.size(), 1u);
  EXPECT_TRUE(lines[0].ends_with(",value,Site,Block,scan_number")) << lines[0];
  EXPECT_TRUE(lines[1].ends_with(",MAT,B1,1")) << lines[1];
  EXPECT_TRUE(h.Text("lblStatus").contains("1 of 3 scans has no row")) << h.Text("lblStatus").toStdString();
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
    h.dialogs.openPaths = {Q(key)};
    h.dialogs.messageAnswers = {gui::MessageAnswer::No};
    h.Click("cmdFieldKey");
    ASSERT_EQ(h.dialogs.messages.size(), 1u);
    EXPECT_EQ(h.dialogs.messages[0].text,
              "Correct each scan of the long table by the mean of the reference scans of rows with Treatment ref "
              "and the same Date, Site, Block?");
    EXPECT_EQ(h.program.Settings().fieldKeyFile, key);  // the key stays, without references
    EXPECT_TRUE(h.program.Settings().keyReferenceColumn.empty());
    h.dialogs.openPaths = {Q(key)};
    h.dialogs.messageAnswers = {gui::MessageAnswer::Yes};
    h.Click("cmdFieldKey");
    const Session& session = h.program.Settings();
    EXPECT_EQ(session.keyReferenceColumn, "Treatment");
    EXPECT_EQ(session.keyReferenceValue, "ref");
    EXPECT_EQ(session.keyReferenceBy, (std::vector<std::string>{"Date", "Site", "Block"}));
    EXPECT_TRUE(h.Text("lblFieldKey").contains("references Treatment ref")) << h.Text("lblFieldKey").toStdString();
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
// its own; a cancelled dialog ends the run there.
TEST(InstrumentWindowRun, EnviLibraryComesAfterTheTables) {
  const TempFolder temp;
  const auto scans = synth::WriteScans((temp.Path() / "s").string(), Format::UniSpecOld, 2, "V");
  Harness h(Format::UniSpecOld);
  h.Configure(scans, {"chkAbsorb", "chkLongTable", "chkEnvi"});
  h.Click("Option1");
  h.SetGrid("400", "1000", "2");
  h.dialogs.savePaths = {Q(temp.File("refl.txt")), Q(temp.File("abs.txt")), Q(temp.File("long.csv")),
                         Q(temp.File("leaf.sli"))};
  h.Click("cmdDoOperation");
  EXPECT_EQ(h.dialogs.saveTitles,
            (std::vector<QString>{"Save Reflectance File", "Save Absorbance File", "Save Long Table (CSV) File",
                                  "Save ENVI Library File (.sli)"}));
  ASSERT_EQ(h.dialogs.messages.size(), 4u);
  ExpectMessage(h.dialogs.messages[3], "   Save ENVI Spectral Library   ", "Message", MessageIcon::None);
  EXPECT_TRUE(fs::exists(temp.File("long.csv")));
  EXPECT_EQ(fs::file_size(temp.File("leaf.sli")), 2u * 301u * 4u);
  const std::string header = ReadAll(temp.File("leaf.hdr"));
  EXPECT_EQ(header.rfind("ENVI\n", 0), 0u) << header;
  EXPECT_NE(header.find("samples = 301\nlines = 2\n"), std::string::npos) << header;
  EXPECT_TRUE(h.Text("lblStatus").contains(QStringLiteral("leaf.sli"))) << h.Text("lblStatus").toStdString();

  // Alone: the reflectance is computed for the library, no table is asked for.
  Harness alone(Format::UniSpecOld);
  alone.Pick(scans);
  alone.SetChecked("chkReflect", false);
  alone.SetChecked("chkEnvi", true);
  alone.Click("cmdFileListOk");
  alone.Click("Option1");
  alone.SetGrid("400", "1000", "2");
  alone.dialogs.Clear();
  alone.dialogs.savePaths = {Q(temp.File("alone.sli"))};
  alone.Click("cmdDoOperation");
  EXPECT_EQ(alone.dialogs.saveTitles, std::vector<QString>{"Save ENVI Library File (.sli)"});
  EXPECT_EQ(ReadAll(temp.File("alone.sli")), ReadAll(temp.File("leaf.sli")));

  // A cancelled library dialog: the tables stay, the run ends there.
  h.dialogs.Clear();
  fs::remove(temp.File("leaf.sli"));
  h.dialogs.savePaths = {Q(temp.File("refl2.txt")), Q(temp.File("abs2.txt")), Q(temp.File("long2.csv"))};
  h.Click("cmdEditList");
  h.Click("cmdFileListOk");
  h.Click("Option1");
  h.SetGrid("400", "1000", "2");
  h.Click("cmdDoOperation");
  ASSERT_EQ(h.dialogs.messages.size(), 5u);
  ExpectMessage(h.dialogs.messages[4], " No filename selected!", "Error", MessageIcon::Exclamation);
  EXPECT_TRUE(fs::exists(temp.File("long2.csv")));
  EXPECT_FALSE(fs::exists(temp.File("leaf.sli")));
  EXPECT_TRUE(h.Text("lblStatus").contains(QStringLiteral("Save ENVI Library File")))
      << h.Text("lblStatus").toStdString();
}

}  // namespace
}  // namespace corvelane
