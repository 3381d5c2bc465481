// The conversion windows Form1, Form8, Form7, Form5 and Form6 driven as a user
// would: picking files, confirming the list, choosing the wavelength source,
// running, checking and previewing, with scripted message boxes and save
// dialogs. Full runs are compared byte for byte with the command line.
#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QApplication>
#include <QCheckBox>
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
#include <QTimer>
#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <ostream>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "calibration/equation_window.h"
#include "calibration/external_file_window.h"
#include "convert/folder_browser_widget.h"
#include "convert/instrument_window.h"
#include "convert/preview_widget.h"
#include "headers/leaf_header_window.h"
#include "instruments/variant.h"
#include "shell/program.h"
#include "tests/gui_support.h"
#include "tests/test_support.h"
#include "tools/scan_synth.h"

// Readable failure output for Qt texts.
[[maybe_unused]] static void PrintTo(const QString& s, std::ostream* os) { *os << '"' << s.toStdString() << '"'; }

namespace corvelane {

[[maybe_unused]] static void PrintTo(Format f, std::ostream* os) { *os << VariantOf(f).windowName; }

namespace {

namespace fs = std::filesystem;
using gui::InstrumentWindow;
using gui::MessageIcon;
using gui::PreviewWidget;
using testing::ReadAll;
using testing::ScriptedDialogs;
using testing::SplitCrLf;
using testing::TempFolder;

const std::vector<Format> kFormats = {Format::UniSpecOld, Format::UniSpecNew, Format::UniSpecCompact,
                                      Format::Ger1500, Format::Ger2600};

std::string FormatName(const ::testing::TestParamInfo<Format>& info) {
  switch (info.param) {
    case Format::UniSpecOld: return "Form1_UniSpecOld";
    case Format::UniSpecNew: return "Form8_UniSpecNew";
    case Format::UniSpecCompact: return "Form7_UniSpecCompact";
    case Format::Ger1500: return "Form5_Ger1500";
    case Format::Ger2600: return "Form6_Ger2600";
  }
  return "unknown";
}

QString Q(const std::string& s) { return QString::fromStdString(s); }

// Acts on the next modal window once it is up (a window's exec() blocks the
// handler that opened it). Cancelled with `context`.
void WhenModal(QObject* context, std::function<void(QWidget*)> act, int triesLeft = 400) {
  QTimer::singleShot(5, context, [context, act, triesLeft] {
    if (QWidget* modal = QApplication::activeModalWidget()) {
      act(modal);
      return;
    }
    if (triesLeft > 0) WhenModal(context, act, triesLeft - 1);
  });
}

// One instrument window as the start-up button leaves it, shown, with
// scripted message boxes and save dialogs.
class Harness {
 public:
  explicit Harness(Format format)
      : variant(VariantOf(format)),
        program(dialogs, QDir::currentPath()),
        window(std::make_unique<InstrumentWindow>(program, variant)) {
    window->PrepareForShow();
    window->show();
    EXPECT_TRUE(QTest::qWaitForWindowExposed(window.get()));
  }

  template <class T = QWidget>
  T* Get(const char* name) const {
    return window->findChild<T*>(QString::fromLatin1(name));
  }
  QAbstractButton* Button(const char* name) const { return Get<QAbstractButton>(name); }
  bool Exists(const char* name) const { return Get(name) != nullptr; }
  bool Enabled(const char* name) const {
    const QWidget* w = Get(name);
    EXPECT_NE(w, nullptr) << name;
    return w && w->isEnabled();
  }
  bool Checked(const char* name) const {
    const QAbstractButton* b = Button(name);
    EXPECT_NE(b, nullptr) << name;
    return b && b->isChecked();
  }
  QString Text(const char* name) const {
    if (const auto* e = Get<QLineEdit>(name)) return e->text();
    if (const auto* l = Get<QLabel>(name)) return l->text();
    if (const auto* b = Get<QAbstractButton>(name)) return b->text();
    if (const auto* g = Get<QGroupBox>(name)) return g->title();
    ADD_FAILURE() << "no control " << name;
    return {};
  }

  // A click near the left edge lands on the box of a check box or option
  // button as well as on a push button.
  void Click(const char* name) const {
    QAbstractButton* b = Button(name);
    ASSERT_NE(b, nullptr) << name;
    QTest::mouseClick(b, Qt::LeftButton, {}, QPoint(std::min(8, b->width() / 2), b->height() / 2));
  }
  void SetChecked(const char* name, bool checked) const {
    if (Checked(name) != checked) Click(name);
    ASSERT_EQ(Checked(name), checked) << name;
  }
  void SetText(const char* name, const QString& text) const {
    auto* e = Get<QLineEdit>(name);
    ASSERT_NE(e, nullptr) << name;
    e->setText(text);
  }

  // A click on the file list entry of `path` (after moving the folder list
  // to its folder).
  void Pick(const std::string& path) const {
    auto* browser = window->findChild<gui::FolderBrowser*>();
    ASSERT_NE(browser, nullptr);
    const QString folder = Q(fs::path(path).parent_path().string());
    if (browser->CurrentFolder() != folder) {
      ASSERT_TRUE(browser->SetFolder(folder));
    }
    ClickItem(Get<QListWidget>("File1"), Q(fs::path(path).filename().string()));
  }
  void PickAll(const std::vector<std::string>& paths) const {
    for (const auto& p : paths) Pick(p);
  }
  static void ClickItem(QListWidget* list, const QString& text) {
    ASSERT_NE(list, nullptr);
    const auto found = list->findItems(text, Qt::MatchExactly);
    ASSERT_EQ(found.size(), 1) << text.toStdString();
    list->scrollToItem(found.front());
    QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, list->visualItemRect(found.front()).center());
  }
  void ClickListRow(int row) const {
    auto* list = Get<QListWidget>("List1");
    list->scrollToItem(list->item(row));
    QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, list->visualItemRect(list->item(row)).center());
  }
  void DoubleClickListRow(int row) const {
    auto* list = Get<QListWidget>("List1");
    const QPoint at = list->visualItemRect(list->item(row)).center();
    QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, at);
    QTest::mouseDClick(list->viewport(), Qt::LeftButton, {}, at);
  }
  QStringList ListEntries() const {
    QStringList out;
    const auto* list = Get<QListWidget>("List1");
    for (int i = 0; i < list->count(); ++i) out << list->item(i)->text();
    return out;
  }

  // The start-up button again: what it prepares, then shown.
  void Reopen() const {
    window->PrepareForShow();
    window->show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(window.get()));
  }

  const InstrumentVariant& variant;
  ScriptedDialogs dialogs;
  gui::Program program;
  std::unique_ptr<InstrumentWindow> window;
};

struct Expect {
  const char* name;
  bool enabled;
};

void ExpectStates(const Harness& h, const std::vector<Expect>& expected, const char* phase) {
  for (const Expect& e : expected)
    if (h.Exists(e.name)) {
      EXPECT_EQ(h.Enabled(e.name), e.enabled) << phase << ": " << e.name;
    }
}

// The phase table, with each window's own differences.
void ExpectSelecting(const Harness& h, bool listUsed) {
  const Format f = h.variant.format;
  ExpectStates(h,
               {{"cboCombo", true}, {"File1", true}, {"Dir1", true}, {"Drive1", true}, {"chkReflect", true},
                {"chkShowGraph", true}, {"List1", listUsed}, {"cmdFileListOk", listUsed},
                {"cmdChkFile", listUsed}, {"Option1", false}, {"Option2", false}, {"Option3", false},
                {"Command3", false}, {"Command4", false}, {"txtBeginWave", false}, {"txtEndWave", false},
                {"txtDeltaWave", false}, {"cmdDoOperation", false}},
               "Selecting");
  const bool compact = f == Format::UniSpecCompact;
  ExpectStates(h, {{"chkAbsorb", !compact}, {"chkTarget", !compact}, {"chkRefer", !compact}}, "Selecting");
}

void ExpectConfiguring(const Harness& h) {
  const Format f = h.variant.format;
  ExpectStates(h,
               {{"frmSpectral", true}, {"Option1", f != Format::UniSpecCompact}, {"Option2", true},
                {"Option3", true}, {"frmInterpolate", true}, {"Option4", true}, {"Option5", true},
                {"cmdDoOperation", true}, {"List1", false}, {"Dir1", false}, {"Drive1", false}, {"File1", false},
                {"cboCombo", false}, {"frmOutput", false}, {"chkReflect", false}, {"chkTarget", false},
                {"chkRefer", false}, {"cmdFileListOk", false}, {"chkShowGraph", false}},
               "Configuring");
  // The GER 1500 window leaves Absorbance and the file check usable.
  ExpectStates(h, {{"chkAbsorb", f == Format::Ger1500}, {"cmdChkFile", f == Format::Ger1500}}, "Configuring");
}

void ExpectGridEnabled(const Harness& h, bool enabled, const char* when) {
  ExpectStates(h,
               {{"txtBeginWave", enabled}, {"txtEndWave", enabled}, {"txtDeltaWave", enabled}, {"lblBegin", enabled},
                {"lblEnd", enabled}, {"lblDelta", enabled}, {"frmWave", enabled}},
               when);
}

void ExpectFinished(const Harness& h) {
  ExpectStates(h,
               {{"cmdDoOperation", false}, {"Option1", false}, {"Option2", false}, {"Option3", false},
                {"List1", false}, {"File1", false}, {"Dir1", false}, {"Drive1", false}, {"cboCombo", false},
                {"chkReflect", false}, {"chkShowGraph", false}, {"cmdFileListOk", false}},
               "Finished");
}

// The run's settings for the wavelength source that needs no other window.
void ChooseFromFileOrExternal(Harness& h, const TempFolder& temp) {
  if (h.variant.format != Format::UniSpecCompact) {
    h.Click("Option1");
    return;
  }
  const std::string waves = temp.Write("waves.txt", synth::ExternalWavelengthText(Format::UniSpecCompact, 256));
  h.Click("Option2");
  WhenModal(h.window.get(), [waves](QWidget* modal) {
    auto* form3 = qobject_cast<gui::ExternalFileWindow*>(modal);
    ASSERT_NE(form3, nullptr);
    form3->ChooseFile(Q(waves));
    form3->findChild<QPushButton*>(QStringLiteral("cmdOK"))->click();
  });
  h.Click("Command3");
  ASSERT_EQ(h.program.Form3().ExternalFilePath(), waves);
}

class InstrumentWindowLoad : public ::testing::TestWithParam<Format> {};

TEST_P(InstrumentWindowLoad, ControlsCaptionsAndDefaults) {
  const Harness h(GetParam());
  const Format f = GetParam();
  const bool ger = f == Format::Ger1500 || f == Format::Ger2600;
  const bool compact = f == Format::UniSpecCompact;
  const std::map<Format, std::pair<const char*, const char*>> names = {
      {Format::UniSpecOld, {"Form1", "Unispec"}},
      {Format::UniSpecNew, {"Form8", "Unispec New-Format"}},
      {Format::UniSpecCompact, {"Form7", "Unispec-Compact"}},
      {Format::Ger1500, {"Form5", "GER1500"}},
      {Format::Ger2600, {"Form6", "GER2600"}}};
  EXPECT_EQ(h.window->objectName(), QString::fromLatin1(names.at(f).first));
  EXPECT_EQ(h.window->windowTitle(), QString::fromLatin1(names.at(f).second));

  auto* combo = h.Get<QComboBox>("cboCombo");
  ASSERT_NE(combo, nullptr);
  ASSERT_EQ(combo->count(), 1);
  const QString item = ger ? QStringLiteral(" All Files  (*.*)")
                           : (f == Format::UniSpecNew ? QStringLiteral(" .spu files  (*.spu)")
                                                      : QStringLiteral(" .spt files  (*.spt)"));
  EXPECT_EQ(combo->currentText(), item);
  EXPECT_EQ(h.Text("Label1"), "File type :");

  EXPECT_EQ(h.Text("cmdFileListOk"), "&File List OK ");
  EXPECT_EQ(h.Text("Command5"), "&Cancel");
  EXPECT_EQ(h.Text("cmdChkFile"), ger ? "&Check Files" : "&Check File");
  EXPECT_EQ(h.Text("frmOutput"), "Output mode:");
  EXPECT_EQ(h.Text("chkReflect"), "Reflectance");
  EXPECT_TRUE(h.Checked("chkReflect"));
  EXPECT_EQ(h.Text("chkAbsorb"), "Absorbance");
  EXPECT_FALSE(h.Checked("chkAbsorb"));
  EXPECT_EQ(h.Text("chkShowGraph"), "Show Graph");
  EXPECT_FALSE(h.Checked("chkShowGraph"));
  EXPECT_EQ(h.Text("frmSpectral"), "Spectral Band :");
  EXPECT_EQ(h.Text("Option1"), "From File");
  EXPECT_EQ(h.Text("Option2"), "External File");
  EXPECT_EQ(h.Text("Option3"), "Use Equation");
  EXPECT_EQ(h.Checked("Option1"), !compact);
  EXPECT_EQ(h.Checked("Option2"), compact);
  EXPECT_EQ(h.Text("Command3"), "-->");
  EXPECT_EQ(h.Text("Command4"), "-->");
  EXPECT_EQ(h.Text("frmInterpolate"), "Interpolate ?");
  EXPECT_EQ(h.Text("Option4"), "Yes");
  EXPECT_EQ(h.Text("Option5"), "No");
  EXPECT_TRUE(h.Checked("Option4"));
  EXPECT_EQ(h.Text("lblBegin"), "Begining");
  EXPECT_EQ(h.Text("lblEnd"), "Ending");
  EXPECT_EQ(h.Text("lblDelta"), "Increment");
  const bool wideGrid = f == Format::UniSpecOld || f == Format::UniSpecNew;
  EXPECT_EQ(h.Text("txtBeginWave"), wideGrid ? "310" : "400");
  EXPECT_EQ(h.Text("txtEndWave"), wideGrid ? "1130" : "1000");
  EXPECT_EQ(h.Text("txtDeltaWave"), "1");
  EXPECT_EQ(h.Text("cmdDoOperation"), "Do &Operation");
  EXPECT_EQ(h.Text("txtTarget"), "Target Data");
  EXPECT_EQ(h.Text("txtPlate"), "Panel Data");
  EXPECT_EQ(h.Text("Text1"), "Reflectance");
  for (const char* pic : {"picTarget", "picPlate", "picReflect"}) EXPECT_NE(h.Get<PreviewWidget>(pic), nullptr) << pic;
  for (const char* box : {"txtTarget", "txtPlate", "Text1"}) EXPECT_TRUE(h.Get<QLineEdit>(box)->isReadOnly()) << box;
  EXPECT_NE(h.Get<QProgressBar>("prgChkFile"), nullptr);
  EXPECT_NE(h.Get<QProgressBar>("prgCalc"), nullptr);
  for (const char* list : {"Drive1", "Dir1", "File1", "List1"}) EXPECT_TRUE(h.Exists(list)) << list;

  // Controls only some windows have.
  EXPECT_EQ(h.Exists("chkTarget"), !ger);
  EXPECT_EQ(h.Exists("chkRefer"), !ger);
  if (!ger) {
    EXPECT_EQ(h.Text("chkTarget"), "Raw Target Data");
    EXPECT_EQ(h.Text("chkRefer"), "Raw Refer. Data");
    EXPECT_FALSE(h.Checked("chkTarget"));
    EXPECT_FALSE(h.Checked("chkRefer"));
  }
  EXPECT_EQ(h.Exists("frmFileName"), !ger);
  EXPECT_EQ(h.Exists("Option6"), !ger);
  EXPECT_EQ(h.Exists("Option7"), !ger);
  if (!ger) {
    EXPECT_EQ(h.Text("frmFileName"), "Filename From:  ");
    EXPECT_EQ(h.Text("Option6"), "Header Info");
    EXPECT_EQ(h.Text("Option7"), "Data File Name");
    EXPECT_EQ(h.Checked("Option6"), compact);
    EXPECT_EQ(h.Checked("Option7"), !compact);
  }
  const bool leaf = f == Format::UniSpecOld || f == Format::UniSpecNew;
  EXPECT_EQ(h.Exists("Check1"), leaf);
  EXPECT_EQ(h.Exists("Label2"), leaf);
  EXPECT_EQ(h.Exists("ComIndices"), leaf);
  if (leaf) {
    EXPECT_EQ(h.Text("Label2"), "Insert Leaf Header?");
    EXPECT_EQ(h.Text("Check1"), "");
    EXPECT_FALSE(h.Checked("Check1"));
    EXPECT_EQ(h.Text("ComIndices"), "Input Indices");
    EXPECT_FALSE(h.Enabled("ComIndices"));
    EXPECT_EQ(h.Get("ComIndices")->toolTip(), "This window is not available yet.");
  }
  EXPECT_EQ(h.Exists("Check3"), ger);
  if (ger) {
    EXPECT_EQ(h.Text("Check3"), "Mixed");
    EXPECT_FALSE(h.Checked("Check3"));
    EXPECT_FALSE(h.Enabled("Check3"));
  }
  // UniSpec-Compact: one visible output mode and the hidden "No Data" boxes.
  if (compact) {
    for (const char* hidden : {"chkAbsorb", "chkTarget", "chkRefer"}) EXPECT_FALSE(h.Get(hidden)->isVisible()) << hidden;
    for (const char* box : {"Text2", "Text3"}) {
      ASSERT_TRUE(h.Exists(box)) << box;
      EXPECT_EQ(h.Text(box), "No Data");
      EXPECT_FALSE(h.Get(box)->isVisible());
      EXPECT_TRUE(h.Get<QLineEdit>(box)->isReadOnly());
    }
  } else {
    EXPECT_TRUE(h.Get("chkAbsorb")->isVisible());
    EXPECT_FALSE(h.Exists("Text2"));
    EXPECT_FALSE(h.Exists("Text3"));
  }

  // Disabled at load (the start-up preparation has run as well).
  ExpectStates(h,
               {{"List1", false}, {"frmSpectral", false}, {"frmInterpolate", false}, {"Option4", false},
                {"Option5", false}, {"frmWave", false}, {"lblBegin", false}, {"lblEnd", false},
                {"lblDelta", false}},
               "load");
  ExpectSelecting(h, false);
  EXPECT_EQ(h.Get<QProgressBar>("prgChkFile")->value(), 0);
  EXPECT_EQ(h.Get<QProgressBar>("prgCalc")->value(), 0);
}

TEST_P(InstrumentWindowLoad, FileListShowsTheWindowsFilesOnly) {
  const TempFolder temp;
  const Format f = GetParam();
  const std::string folder = (temp.Path() / "scans").string();
  synth::WriteScans(folder, f, 2, "S");
  temp.Write("scans/notes.txt", "field notes\r\n");
  const Harness h(f);
  ASSERT_TRUE(h.window->findChild<gui::FolderBrowser*>()->SetFolder(Q(folder)));
  QStringList listed;
  const auto* files = h.Get<QListWidget>("File1");
  for (int i = 0; i < files->count(); ++i) listed << files->item(i)->text();
  const bool ger = f == Format::Ger1500 || f == Format::Ger2600;
  // The GER windows list every file; the UniSpec windows their extension.
  EXPECT_EQ(listed.contains("notes.txt"), ger);
  EXPECT_EQ(listed.size(), ger ? 3 : 2);
}

INSTANTIATE_TEST_SUITE_P(InstrumentWindows, InstrumentWindowLoad, ::testing::ValuesIn(kFormats), FormatName);

class InstrumentWindowPhases : public ::testing::TestWithParam<Format> {};

TEST_P(InstrumentWindowPhases, SelectingConfiguringFinishedAndReopening) {
  const Format f = GetParam();
  const TempFolder temp;
  const auto scans = synth::WriteScans((temp.Path() / "scans").string(), f, 3, "P");
  Harness h(f);

  // Selecting: the first click enables the list; the buttons follow it.
  ExpectSelecting(h, false);
  h.Pick(scans[0]);
  h.Pick(scans[1]);
  ASSERT_EQ(h.ListEntries(), (QStringList{Q(scans[0]), Q(scans[1])}));
  EXPECT_TRUE(h.dialogs.messages.empty());
  ExpectSelecting(h, true);

  // Configuring.
  h.Click("cmdFileListOk");
  EXPECT_TRUE(h.dialogs.messages.empty());
  ExpectConfiguring(h);
  ExpectGridEnabled(h, true, "after File List OK");
  EXPECT_EQ(h.Enabled("Command3"), f == Format::UniSpecCompact);
  EXPECT_FALSE(h.Enabled("Command4"));

  // Wavelength-source and interpolation options.
  h.Click("Option5");
  EXPECT_TRUE(h.Checked("Option5"));
  ExpectGridEnabled(h, false, "No");
  h.Click("Option3");
  EXPECT_TRUE(h.Checked("Option3"));
  EXPECT_TRUE(h.Enabled("Command4"));
  EXPECT_FALSE(h.Enabled("Command3"));
  ExpectGridEnabled(h, false, "Use Equation with No");
  h.Click("Option2");
  EXPECT_TRUE(h.Enabled("Command3"));
  EXPECT_FALSE(h.Enabled("Command4"));
  if (f != Format::UniSpecCompact) {
    h.Click("Option1");
    EXPECT_FALSE(h.Enabled("Command3"));
    EXPECT_FALSE(h.Enabled("Command4"));
    ExpectGridEnabled(h, false, "From File with No");  // From File does not bring the grid back
  } else {
    h.Click("Option1");  // stays disabled in the compact window
    EXPECT_FALSE(h.Checked("Option1"));
    EXPECT_TRUE(h.Checked("Option2"));
  }
  h.Click("Option4");
  ExpectGridEnabled(h, true, "Yes");
  h.Click("Option5");
  h.Click("Option4");
  if (f != Format::UniSpecCompact) {
    h.Click("Option1");
    ExpectGridEnabled(h, true, "From File with Yes");
  }
  EXPECT_TRUE(h.Enabled("cmdDoOperation"));

  // A complete run: Finished.
  if (f == Format::UniSpecCompact) ChooseFromFileOrExternal(h, temp);
  else h.Click("Option1");
  h.dialogs.Clear();
  h.dialogs.savePaths = {Q(temp.File("out-reflectance.txt"))};
  h.SetText("txtBeginWave", "420");
  h.Click("cmdDoOperation");
  ASSERT_EQ(h.dialogs.saveTitles.size(), 1u) << h.dialogs.Texts().back().toStdString();
  EXPECT_TRUE(fs::exists(temp.File("out-reflectance.txt")));
  ExpectFinished(h);
  EXPECT_EQ(h.Get<QProgressBar>("prgCalc")->value(), h.Get<QProgressBar>("prgCalc")->maximum());

  // Cancel clears the list and hides the window; it is not discarded.
  h.Click("Command5");
  EXPECT_FALSE(h.window->isVisible());
  EXPECT_FALSE(h.window->Discarded());
  EXPECT_TRUE(h.ListEntries().isEmpty());

  // The start-up button again: preparation only, nothing else reset.
  h.Reopen();
  EXPECT_EQ(h.Get<QProgressBar>("prgCalc")->value(), 0);
  EXPECT_EQ(h.Get<QProgressBar>("prgChkFile")->value(), 0);
  ExpectSelecting(h, false);
  EXPECT_EQ(h.Text("txtBeginWave"), "420");
  EXPECT_TRUE(h.Checked("chkReflect"));
  EXPECT_TRUE(h.Checked("Option4"));
  // The output frame keeps its greyed caption, its boxes are usable again.
  EXPECT_FALSE(h.Enabled("frmOutput"));
  h.Click("chkReflect");
  EXPECT_FALSE(h.Checked("chkReflect"));
  h.Click("chkReflect");
  EXPECT_TRUE(h.Checked("chkReflect"));
  // A new selection round works as the first. The interpolation frame was
  // left enabled, so "No" can be chosen before the list is confirmed; the
  // grid is enabled all the same and follows the source options afterwards.
  h.Pick(scans[2]);
  EXPECT_EQ(h.ListEntries(), (QStringList{Q(scans[2])}));
  ExpectSelecting(h, true);
  EXPECT_TRUE(h.Enabled("Option5"));
  h.Click("Option5");
  h.Click("cmdFileListOk");
  ExpectConfiguring(h);
  ExpectGridEnabled(h, true, "File List OK with No");
  if (f != Format::UniSpecCompact) {
    h.Click("Option1");
    ExpectGridEnabled(h, true, "From File with No");  // From File never disables the grid
  }
  h.Click("Option3");
  ExpectGridEnabled(h, false, "Use Equation with No");

  // The close box discards the window.
  h.window->close();
  EXPECT_TRUE(h.window->Discarded());
}

TEST_P(InstrumentWindowPhases, OutputModeRequiredBeforeConfiguring) {
  const Format f = GetParam();
  const TempFolder temp;
  const auto scans = synth::WriteScans((temp.Path() / "scans").string(), f, 1, "M");
  Harness h(f);
  h.Pick(scans[0]);
  h.SetChecked("chkReflect", false);
  h.Click("cmdFileListOk");
  ASSERT_EQ(h.dialogs.messages.size(), 1u);
  const auto& m = h.dialogs.messages[0];
  EXPECT_EQ(m.text, f == Format::UniSpecCompact ? "Check 'Reflectance' Output Mode" : "Select Output Mode");
  EXPECT_EQ(m.title, "Error");
  EXPECT_EQ(m.icon, MessageIcon::Exclamation);
  ExpectSelecting(h, true);  // nothing changed

  if (f == Format::UniSpecCompact) return;  // only Reflectance counts there
  // Any single other mode is accepted.
  h.SetChecked(f == Format::UniSpecOld || f == Format::UniSpecNew ? "chkRefer" : "chkAbsorb", true);
  h.dialogs.Clear();
  h.Click("cmdFileListOk");
  EXPECT_TRUE(h.dialogs.messages.empty());
  ExpectConfiguring(h);
}

INSTANTIATE_TEST_SUITE_P(InstrumentWindows, InstrumentWindowPhases, ::testing::ValuesIn(kFormats), FormatName);

TEST(InstrumentWindowFileList, DuplicatesAndRemoval) {
  const TempFolder temp;
  const auto scans = synth::WriteScans((temp.Path() / "a").string(), Format::UniSpecOld, 2, "D");
  Harness h(Format::UniSpecOld);
  h.Pick(scans[0]);
  h.Pick(scans[0]);
  EXPECT_EQ(h.ListEntries(), (QStringList{Q(scans[0])}));
  ASSERT_EQ(h.dialogs.messages.size(), 1u);
  EXPECT_EQ(h.dialogs.messages[0].text, "File already selected!");
  EXPECT_EQ(h.dialogs.messages[0].title, "Error");
  EXPECT_EQ(h.dialogs.messages[0].icon, MessageIcon::Exclamation);

  // The same file reached through another path text counts as another entry.
  const fs::path alias = temp.Path() / "alias";
  fs::create_directory_symlink(temp.Path() / "a", alias);
  h.Pick((alias / fs::path(scans[0]).filename()).string());
  h.Pick(scans[1]);
  ASSERT_EQ(h.ListEntries().size(), 3);
  EXPECT_EQ(h.dialogs.messages.size(), 1u);

  // Double-clicks remove entries; the last one leaves the check usable.
  h.DoubleClickListRow(1);
  EXPECT_EQ(h.ListEntries(), (QStringList{Q(scans[0]), Q(scans[1])}));
  h.DoubleClickListRow(0);
  h.DoubleClickListRow(0);
  EXPECT_TRUE(h.ListEntries().isEmpty());
  EXPECT_FALSE(h.Enabled("cmdFileListOk"));
  EXPECT_TRUE(h.Enabled("cmdChkFile"));
}

TEST(InstrumentWindowFileList, ArrowButtonsOpenTheSharedWindows) {
  const TempFolder temp;
  const auto scans = synth::WriteScans((temp.Path() / "a").string(), Format::UniSpecNew, 1, "W");
  Harness h(Format::UniSpecNew);
  h.Pick(scans[0]);
  h.Click("cmdFileListOk");
  QStringList opened;
  const auto closeIt = [&opened](QWidget* modal) {
    opened << modal->objectName();
    qobject_cast<QDialog*>(modal)->done(QDialog::Rejected);
  };
  h.Click("Option2");
  WhenModal(h.window.get(), closeIt);
  h.Click("Command3");
  h.Click("Option3");
  WhenModal(h.window.get(), closeIt);
  h.Click("Command4");
  EXPECT_EQ(opened, (QStringList{"Form3", "Form2"}));
}

TEST(InstrumentWindowFileList, GerWindowsDifferAtFileListOk) {
  const TempFolder temp;
  for (const Format f : {Format::Ger1500, Format::Ger2600}) {
    const auto scans = synth::WriteScans((temp.Path() / FormatName({f, 0})).string(), f, 1, "G");
    Harness h(f);
    h.Pick(scans[0]);
    h.SetChecked("chkReflect", false);
    h.SetChecked("chkAbsorb", true);
    h.Click("cmdFileListOk");
    EXPECT_TRUE(h.dialogs.messages.empty());
    // GER 1500 keeps Absorbance and the check usable; GER 2600 does not.
    EXPECT_EQ(h.Enabled("chkAbsorb"), f == Format::Ger1500);
    EXPECT_EQ(h.Enabled("cmdChkFile"), f == Format::Ger1500);
    EXPECT_FALSE(h.Enabled("chkReflect"));
  }
}

// --- The run --------------------------------------------------------------

TEST(InstrumentWindowRun, AnnouncesAndAsksForEveryModeInOrder) {
  const TempFolder temp;
  const auto scans = synth::WriteScans((temp.Path() / "s").string(), Format::UniSpecOld, 2, "R");
  Harness h(Format::UniSpecOld);
  h.PickAll(scans);
  h.SetChecked("chkAbsorb", true);
  h.SetChecked("chkTarget", true);
  h.SetChecked("chkRefer", true);
  h.Click("cmdFileListOk");
  h.Click("Option1");
  for (const char* name : {"r.txt", "a.txt", "t.txt", "p.txt"}) h.dialogs.savePaths.push_back(Q(temp.File(name)));
  h.Click("cmdDoOperation");
  EXPECT_EQ(h.dialogs.Texts(),
            (std::vector<QString>{"   Save Reflectance File   ", "    Save Absorbance File    ",
                                  "    Save Raw Target Data File    ", "    Save Raw Reference File    "}));
  for (const auto& m : h.dialogs.messages) {
    EXPECT_EQ(m.title, "Message");
    EXPECT_EQ(m.icon, MessageIcon::None);
  }
  EXPECT_EQ(h.dialogs.saveTitles, (std::vector<QString>{"Save Reflectance File", "Save Absorbance File",
                                                        "Save Raw Target Data File", "Save Raw Referance File"}));
  const std::vector<std::pair<const char*, const char*>> titles = {
      {"r.txt", "Reflectance"}, {"a.txt", "Absorbance"}, {"t.txt", "Target"}, {"p.txt", "Reference"}};
  for (const auto& [name, title] : titles) {
    const auto lines = SplitCrLf(ReadAll(temp.File(name)));
    ASSERT_EQ(lines.size(), 2u + 4u + 821u) << name;  // 310..1130 by 1
    EXPECT_EQ(lines[0], title);
    EXPECT_EQ(lines[1], "");
  }
  ExpectFinished(h);
}

TEST(InstrumentWindowRun, GerAndCompactAnnouncements) {
  const TempFolder temp;
  const std::map<Format, std::vector<QString>> expected = {
      {Format::Ger1500, {"    Save Reflectance Data   ", "   Save Absorbance Data   "}},
      {Format::Ger2600, {"   Save Reflectance Data   ", "   Save Absorbance Data   "}},
      {Format::UniSpecCompact, {"   Save Reflectance File   "}}};
  for (const auto& [f, texts] : expected) {
    const auto scans = synth::WriteScans((temp.Path() / FormatName({f, 0})).string(), f, 1, "A");
    Harness h(f);
    h.Pick(scans[0]);
    if (f != Format::UniSpecCompact) h.SetChecked("chkAbsorb", true);
    h.Click("cmdFileListOk");
    ChooseFromFileOrExternal(h, temp);
    for (std::size_t i = 0; i < texts.size(); ++i) h.dialogs.savePaths.push_back(Q(temp.File("o" + std::to_string(i))));
    h.dialogs.Clear();
    h.Click("cmdDoOperation");
    EXPECT_EQ(h.dialogs.Texts(), texts) << FormatName({f, 0});
    const std::vector<QString> titles = {"Save Reflectance File", "Save Absorbance File"};
    EXPECT_EQ(h.dialogs.saveTitles, std::vector<QString>(titles.begin(), titles.begin() + texts.size()));
  }
}

TEST(InstrumentWindowRun, CancelledSaveDialogEndsTheRun) {
  const TempFolder temp;
  const auto scans = synth::WriteScans((temp.Path() / "s").string(), Format::UniSpecNew, 1, "C");
  Harness h(Format::UniSpecNew);
  h.Pick(scans[0]);
  h.SetChecked("chkAbsorb", true);
  h.Click("cmdFileListOk");
  h.Click("Option1");
  h.Click("cmdDoOperation");  // no path queued: the user cancels
  ASSERT_EQ(h.dialogs.messages.size(), 2u);
  EXPECT_EQ(h.dialogs.messages[0].text, "   Save Reflectance File   ");
  EXPECT_EQ(h.dialogs.messages[1].text, " No filename selected!");
  EXPECT_EQ(h.dialogs.messages[1].title, "Error");
  EXPECT_EQ(h.dialogs.messages[1].icon, MessageIcon::Exclamation);
  EXPECT_EQ(h.dialogs.saveTitles, (std::vector<QString>{"Save Reflectance File"}));  // absorbance never asked
  ExpectFinished(h);
}

TEST(InstrumentWindowRun, FailureAfterAFirstFileKeepsItAndStaysConfiguring) {
  const TempFolder temp;
  const auto scans = synth::WriteScans((temp.Path() / "s").string(), Format::Ger1500, 2, "F");
  Harness h(Format::Ger1500);
  h.PickAll(scans);
  h.SetChecked("chkAbsorb", true);
  h.Click("cmdFileListOk");
  h.Click("Option1");
  h.dialogs.savePaths = {Q(temp.File("refl.txt")), Q(temp.File("missing-folder/abs.txt"))};
  h.Click("cmdDoOperation");
  ASSERT_EQ(h.dialogs.messages.size(), 3u);
  const auto& failure = h.dialogs.messages.back();
  EXPECT_EQ(failure.text, " Problem in Data File!!!");
  EXPECT_EQ(failure.title, "Error");
  EXPECT_EQ(failure.icon, MessageIcon::Exclamation);
  EXPECT_TRUE(failure.detail.contains("abs.txt")) << failure.detail.toStdString();
  const auto lines = SplitCrLf(ReadAll(temp.File("refl.txt")));
  ASSERT_EQ(lines.size(), 2u + 4u + 601u);
  EXPECT_EQ(lines[0], "Reflectance");
  EXPECT_FALSE(fs::exists(temp.File("missing-folder")));
  // Still Configuring: the user may change the settings and run again.
  ExpectConfiguring(h);
  h.dialogs.Clear();
  h.dialogs.savePaths = {Q(temp.File("refl2.txt")), Q(temp.File("abs2.txt"))};
  h.Click("cmdDoOperation");
  EXPECT_EQ(h.dialogs.messages.size(), 2u);
  EXPECT_TRUE(fs::exists(temp.File("abs2.txt")));
  ExpectFinished(h);
}

TEST(InstrumentWindowRun, BadGridFailsBeforeTheLeafHeaderIsAsked) {
  const TempFolder temp;
  const auto scans = synth::WriteScans((temp.Path() / "s").string(), Format::UniSpecOld, 1, "B");
  Harness h(Format::UniSpecOld);
  h.Pick(scans[0]);
  h.SetChecked("Check1", true);
  h.Click("cmdFileListOk");
  h.Click("Option1");
  h.SetText("txtDeltaWave", "one");
  QStringList opened;
  {
    QObject watch;
    WhenModal(&watch, [&opened](QWidget* modal) {
      opened << modal->objectName();
      qobject_cast<QDialog*>(modal)->done(QDialog::Accepted);
    });
    h.Click("cmdDoOperation");
    QTest::qWait(20);
    EXPECT_TRUE(opened.isEmpty());
  }
  ASSERT_EQ(h.dialogs.messages.size(), 1u);
  EXPECT_EQ(h.dialogs.messages[0].text, " Problem in Data File!!!");
  EXPECT_EQ(h.dialogs.messages[0].icon, MessageIcon::Exclamation);
  EXPECT_FALSE(h.dialogs.messages[0].detail.isEmpty());
  EXPECT_TRUE(h.dialogs.saveTitles.empty());
  ExpectConfiguring(h);

  // A grid point beyond the channel wavelengths fails the run too.
  h.SetText("txtDeltaWave", "1");
  h.SetText("txtEndWave", "2000");
  h.dialogs.Clear();
  WhenModal(h.window.get(), [&opened](QWidget* modal) {
    opened << modal->objectName();
    modal->findChild<QPushButton*>(QStringLiteral("Command1"))->click();
  });
  h.Click("cmdDoOperation");
  EXPECT_EQ(opened, QStringList{"Form12"});  // asked after the grid passed
  EXPECT_EQ(h.dialogs.Texts(), std::vector<QString>{" Problem in Data File!!!"});
  EXPECT_TRUE(h.dialogs.saveTitles.empty());
  ExpectConfiguring(h);
}

// --- The check ------------------------------------------------------------

TEST(InstrumentWindowCheck, CleanFilesGiveFilesOk) {
  const TempFolder temp;
  const auto scans = synth::WriteScans((temp.Path() / "s").string(), Format::Ger1500, 2, "K");
  Harness h(Format::Ger1500);
  h.PickAll(scans);
  h.Click("cmdFileListOk");  // the GER 1500 window can still check
  h.dialogs.savePaths = {Q(temp.File("errors.txt"))};
  h.Click("cmdChkFile");
  EXPECT_EQ(h.dialogs.saveTitles, std::vector<QString>{"Save Error File"});
  ASSERT_EQ(h.dialogs.messages.size(), 1u);
  EXPECT_EQ(h.dialogs.messages[0].text, "    Files Ok    ");
  EXPECT_EQ(h.dialogs.messages[0].title, "Message");
  EXPECT_EQ(h.dialogs.messages[0].icon, MessageIcon::None);
  EXPECT_EQ(ReadAll(temp.File("errors.txt")), "");
  EXPECT_EQ(h.Get<QProgressBar>("prgChkFile")->value(), h.Get<QProgressBar>("prgChkFile")->maximum());
  ExpectConfiguring(h);  // the check changes no state
}

TEST(InstrumentWindowCheck, ProblemsGoToTheErrorFile) {
  const TempFolder temp;
  auto scans = synth::WriteScans((temp.Path() / "s").string(), Format::UniSpecOld, 2, "E");
  // The first data record of the second file holds "abc" and "-5".
  auto lines = SplitCrLf(ReadAll(scans[1]));
  lines[10] = "abc    -5";
  temp.Write("s/" + fs::path(scans[1]).filename().string(), testing::CrLf(lines));
  Harness h(Format::UniSpecOld);
  h.PickAll(scans);
  h.dialogs.savePaths = {Q(temp.File("errors.txt"))};
  h.Click("cmdChkFile");
  ASSERT_EQ(h.dialogs.messages.size(), 1u);
  EXPECT_EQ(h.dialogs.messages[0].text, "Error messages saved in the error file");
  EXPECT_EQ(h.dialogs.messages[0].title, "Errors in Files");
  EXPECT_EQ(h.dialogs.messages[0].icon, MessageIcon::None);
  const std::string listed = h.ListEntries()[1].toStdString();
  EXPECT_EQ(ReadAll(temp.File("errors.txt")), listed + " : Non-numbers in DATA line #  1 \r\n" + listed +
                                                   " : Negative value in DATA line #  1 \r\n");
  ExpectSelecting(h, true);
}

TEST(InstrumentWindowCheck, CancelledSaveShowsEachWindowsText) {
  const TempFolder temp;
  const std::map<Format, QString> texts = {{Format::UniSpecOld, "Unknown File Error"},
                                           {Format::UniSpecNew, "Unknown File Error"},
                                           {Format::UniSpecCompact, "Unknown File Error"},
                                           {Format::Ger1500, "    Unknown Error!!!   "},
                                           {Format::Ger2600, "No error file name selected"}};
  for (const auto& [f, text] : texts) {
    const auto scans = synth::WriteScans((temp.Path() / FormatName({f, 0})).string(), f, 1, "X");
    Harness h(f);
    h.Pick(scans[0]);
    h.Get<QProgressBar>("prgChkFile")->setValue(40);
    h.Click("cmdChkFile");
    ASSERT_EQ(h.dialogs.messages.size(), 1u);
    EXPECT_EQ(h.dialogs.messages[0].text, text);
    EXPECT_EQ(h.dialogs.messages[0].title, "Error");
    EXPECT_EQ(h.dialogs.messages[0].icon, MessageIcon::None);
    EXPECT_EQ(h.Get<QProgressBar>("prgChkFile")->value(), 40);  // nothing was checked
  }
}

TEST(InstrumentWindowCheck, UnreadableFileFailsWithDetail) {
  const TempFolder temp;
  const auto scans = synth::WriteScans((temp.Path() / "s").string(), Format::Ger2600, 2, "U");
  Harness h(Format::Ger2600);
  h.PickAll(scans);
  fs::remove(scans[1]);
  h.dialogs.savePaths = {Q(temp.File("errors.txt"))};
  h.Click("cmdChkFile");
  ASSERT_EQ(h.dialogs.messages.size(), 1u);
  EXPECT_EQ(h.dialogs.messages[0].text, "No error file name selected");
  EXPECT_EQ(h.dialogs.messages[0].title, "Error");
  EXPECT_TRUE(h.dialogs.messages[0].detail.contains(Q(fs::path(scans[1]).filename().string())));
}

// --- The preview ----------------------------------------------------------

struct PreviewCase {
  Format format;
  std::size_t zeroLine;     // 0-based line whose panel (or value) becomes 0 / 999
  std::string zeroText;
  double x0, yb;
  int channels;
  double targetOfChannel0;  // as written in zeroText
};

const std::vector<PreviewCase> kPreviewCases = {
    {Format::UniSpecOld, 268, "0", 25, 65000, 256, -1},
    {Format::UniSpecNew, 10, "305.4 1234 0", 25, 65000, 256, 1234},
    {Format::UniSpecCompact, 4, " 999", 25, 65000, 256, -1},
    {Format::Ger1500, 12, "299.70   4321   0", 50, 500000, 512, 4321},
    {Format::Ger2600, 12, "350.00   2222   0", 50, 500000, 594, 2222},
};

std::vector<DrawOp> Points(const std::vector<DrawOp>& ops) {
  std::vector<DrawOp> out;
  for (const auto& op : ops)
    if (op.kind == DrawOp::Point) out.push_back(op);
  return out;
}

TEST(InstrumentWindowPreview, PlotsEveryFormatAndHidesOutOfRangePoints) {
  const TempFolder temp;
  for (const PreviewCase& pc : kPreviewCases) {
    SCOPED_TRACE(FormatName({pc.format, 0}));
    auto scans = synth::WriteScans((temp.Path() / FormatName({pc.format, 0})).string(), pc.format, 1, "V");
    auto lines = SplitCrLf(ReadAll(scans[0]));
    lines.at(pc.zeroLine) = pc.zeroText;
    std::ofstream(scans[0], std::ios::binary) << testing::CrLf(lines);

    Harness h(pc.format);
    h.Pick(scans[0]);
    h.SetChecked("chkShowGraph", true);
    h.ClickListRow(0);
    EXPECT_TRUE(h.dialogs.messages.empty());
    EXPECT_TRUE(h.Text("lblPreviewStatus").isEmpty()) << h.Text("lblPreviewStatus").toStdString();
    const bool compact = pc.format == Format::UniSpecCompact;
    auto* reflect = h.Get<PreviewWidget>("picReflect");
    for (const char* name : {"picTarget", "picPlate", "picReflect"}) {
      const auto points = Points(h.Get<PreviewWidget>(name)->Ops());
      if (compact && std::string(name) != "picReflect") {
        EXPECT_TRUE(points.empty()) << name;
        continue;
      }
      ASSERT_EQ(points.size(), static_cast<std::size_t>(pc.channels)) << name;
      EXPECT_EQ(points.front().x, pc.x0 + 1) << name;
      EXPECT_EQ(points.back().x, pc.x0 + pc.channels) << name;
      EXPECT_TRUE(points.front().blue);
    }
    if (pc.targetOfChannel0 >= 0) {
      EXPECT_EQ(Points(h.Get<PreviewWidget>("picTarget")->Ops()).front().y, pc.yb - pc.targetOfChannel0);
    }
    if (!compact) {
      EXPECT_EQ(Points(h.Get<PreviewWidget>("picPlate")->Ops()).front().y, pc.yb);  // panel 0
    }

    // Reflectance 999 lies far above the area: not drawn.
    const auto reflPoints = Points(reflect->Ops());
    EXPECT_EQ(reflPoints.front().y, pc.yb - 999 * pc.yb);
    EXPECT_FALSE(reflect->ToPixel(reflPoints.front().x, reflPoints.front().y).has_value());
    // A point in view is a blue pixel where the mapping puts it.
    const DrawOp& mid = reflPoints[static_cast<std::size_t>(pc.channels / 2)];
    const auto pixel = reflect->ToPixel(mid.x, mid.y);
    ASSERT_TRUE(pixel.has_value());
    const QImage image = reflect->grab().toImage();
    const double sx = static_cast<double>(image.width()) / reflect->width();
    const double sy = static_cast<double>(image.height()) / reflect->height();
    EXPECT_EQ(image.pixelColor(static_cast<int>(pixel->x() * sx), static_cast<int>(pixel->y() * sy)),
              QColor(0, 0, 255));
    if (compact) {
      EXPECT_TRUE(h.Get("Text2")->isVisible());
      EXPECT_TRUE(h.Get("Text3")->isVisible());
    }
  }
}

TEST(InstrumentWindowPreview, ScalesWithTheWidget) {
  const TempFolder temp;
  const auto scans = synth::WriteScans((temp.Path() / "s").string(), Format::Ger1500, 1, "Z");
  Harness h(Format::Ger1500);
  auto* pic = h.Get<PreviewWidget>("picTarget");
  const auto before = pic->ToPixel(600, 550000);
  ASSERT_TRUE(before.has_value());
  h.window->resize(h.window->width() + 300, h.window->height() + 200);
  QApplication::processEvents();
  const auto after = pic->ToPixel(600, 550000);
  ASSERT_TRUE(after.has_value());
  EXPECT_EQ(after->x(), pic->width() - 1);
  EXPECT_EQ(after->y(), pic->height() - 1);
  EXPECT_GT(after->x(), before->x());
  EXPECT_EQ(pic->ToPixel(0, 0), QPoint(0, 0));
  EXPECT_FALSE(pic->ToPixel(300, -1).has_value());
  EXPECT_FALSE(pic->ToPixel(300, 550001).has_value());
  EXPECT_FALSE(pic->ToPixel(300, std::nan("")).has_value());
}

TEST(InstrumentWindowPreview, UncheckedOrUnreadableLeavesGraphsCleared) {
  const TempFolder temp;
  const auto scans = synth::WriteScans((temp.Path() / "s").string(), Format::UniSpecCompact, 2, "N");
  Harness h(Format::UniSpecCompact);
  h.PickAll(scans);
  h.SetChecked("chkShowGraph", true);
  h.ClickListRow(0);
  ASSERT_FALSE(Points(h.Get<PreviewWidget>("picReflect")->Ops()).empty());
  ASSERT_TRUE(h.Get("Text2")->isVisible());

  // Unchecked: every graph is cleared and nothing drawn; "No Data" hidden.
  h.SetChecked("chkShowGraph", false);
  h.ClickListRow(1);
  for (const char* name : {"picTarget", "picPlate", "picReflect"}) {
    const auto& ops = h.Get<PreviewWidget>(name)->Ops();
    ASSERT_EQ(ops.size(), 1u) << name;
    EXPECT_EQ(ops[0].kind, DrawOp::Clear) << name;
  }
  EXPECT_FALSE(h.Get("Text2")->isVisible());
  EXPECT_FALSE(h.Get("Text3")->isVisible());

  // A file gone since it was listed: cleared graphs and the reason beside them.
  fs::remove(scans[1]);
  h.SetChecked("chkShowGraph", true);
  h.ClickListRow(1);
  for (const char* name : {"picTarget", "picPlate", "picReflect"})
    EXPECT_TRUE(Points(h.Get<PreviewWidget>(name)->Ops()).empty()) << name;
  EXPECT_TRUE(h.Text("lblPreviewStatus").contains(Q(fs::path(scans[1]).filename().string())))
      << h.Text("lblPreviewStatus").toStdString();
  EXPECT_TRUE(h.dialogs.messages.empty());
  EXPECT_FALSE(h.Get("Text2")->isVisible());

  // A good file again clears the reason.
  h.ClickListRow(0);
  EXPECT_TRUE(h.Text("lblPreviewStatus").isEmpty());
}

// --- Same bytes as the command line --------------------------------------

std::string Quoted(const std::string& s) { return "'" + s + "'"; }

int RunCli(const std::string& args) {
  const std::string command = Quoted(CORVELANE_EXE) + " " + args + " >/dev/null 2>&1";
  return std::system(command.c_str());
}

void ExpectSameFile(const std::string& fromWindow, const std::string& fromCli) {
  ASSERT_TRUE(fs::exists(fromWindow)) << fromWindow;
  ASSERT_TRUE(fs::exists(fromCli)) << fromCli;
  const std::string a = ReadAll(fromWindow);
  EXPECT_FALSE(a.empty());
  EXPECT_TRUE(a == ReadAll(fromCli)) << fromWindow << " differs from " << fromCli;
}

TEST(InstrumentWindowMatchesCommandLine, Form1WithLeafHeaderAndAllModes) {
  const TempFolder temp;
  auto scans = synth::WriteScans((temp.Path() / "s").string(), Format::UniSpecOld, 3, "L");
  // Names on disk unlike the recorded ones, so the label source shows.
  for (auto& s : scans) {
    const fs::path renamed = fs::path(s).parent_path() / ("field-" + fs::path(s).filename().string());
    fs::rename(s, renamed);
    s = renamed.string();
  }
  const std::vector<std::pair<const char*, const char*>> header = {
      {"File name", "site1.csv"},           {"Person responsible", "A. Field"},
      {"Project description", "Tundra"},    {"File names (links) to other data", "lai.csv"},
      {"Measurement inst.", "UniSpec 1042"}, {"Foreoptics", "leaf clip"},
      {"Wavelength calib. coeff.", "A = 305.4"}, {"Reflectance standard", "99% panel"},
      {"Data processing prog. v.#", "corvelane"}, {"Data type", "reflectance"},
      {"Plant functional type", "shrub"},   {"Collection site", "Site 1"},
      {"Additional information", "sunlit"}, {"Cautions", "none"}};
  std::string headerFile;
  for (const auto& [label, value] : header) headerFile += std::string(label) + ": " + value + "\n";
  temp.Write("leaf.txt", headerFile);

  Harness h(Format::UniSpecOld);
  h.PickAll(scans);
  h.SetChecked("chkAbsorb", true);
  h.SetChecked("chkTarget", true);
  h.SetChecked("chkRefer", true);
  h.SetChecked("Option6", true);
  h.SetChecked("Check1", true);
  h.Click("cmdFileListOk");
  h.Click("Option1");
  h.SetText("txtBeginWave", "400");
  h.SetText("txtEndWave", "1000");
  h.SetText("txtDeltaWave", "2.5");
  const std::vector<std::string> names = {"w-r.txt", "w-a.txt", "w-t.txt", "w-p.txt"};
  for (const auto& n : names) h.dialogs.savePaths.push_back(Q(temp.File(n)));
  WhenModal(h.window.get(), [&header](QWidget* modal) {
    ASSERT_EQ(modal->objectName(), "Form12");
    for (std::size_t i = 0; i < header.size(); ++i)
      modal->findChild<QLineEdit*>(QStringLiteral("Text%1").arg(i + 1))->setText(QString::fromUtf8(header[i].second));
    modal->findChild<QPushButton*>(QStringLiteral("Command1"))->click();
  });
  h.Click("cmdDoOperation");
  ASSERT_EQ(h.dialogs.messages.size(), 4u) << h.dialogs.Texts().back().toStdString();

  std::string args = "convert unispec-old";
  for (const auto& s : scans) args += " " + Quoted(s);
  args += " --grid 400,1000,2.5 --label header --leaf-header " + Quoted(temp.File("leaf.txt")) +
          " --reflectance " + Quoted(temp.File("c-r.txt")) + " --absorbance " + Quoted(temp.File("c-a.txt")) +
          " --target " + Quoted(temp.File("c-t.txt")) + " --reference " + Quoted(temp.File("c-p.txt"));
  ASSERT_EQ(RunCli(args), 0);
  for (const char* m : {"r", "a", "t", "p"})
    ExpectSameFile(temp.File(std::string("w-") + m + ".txt"), temp.File(std::string("c-") + m + ".txt"));
  EXPECT_EQ(SplitCrLf(ReadAll(temp.File("w-r.txt")))[0], "Information that applies to the whole file:,");
}

TEST(InstrumentWindowMatchesCommandLine, Form8WithEquation) {
  const TempFolder temp;
  const auto scans = synth::WriteScans((temp.Path() / "s").string(), Format::UniSpecNew, 2, "Q");
  Harness h(Format::UniSpecNew);
  h.PickAll(scans);
  h.SetChecked("chkTarget", true);
  h.Click("cmdFileListOk");
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
  h.dialogs.savePaths = {Q(temp.File("w-r.txt")), Q(temp.File("w-t.txt"))};
  h.Click("cmdDoOperation");
  ASSERT_EQ(h.dialogs.messages.size(), 2u) << h.dialogs.Texts().back().toStdString();
  std::string args = "convert unispec-new";
  for (const auto& s : scans) args += " " + Quoted(s);
  args += " --waves equation=305.4,3.31,-0.0002 --start-channel 0 --reflectance " + Quoted(temp.File("c-r.txt")) +
          " --target " + Quoted(temp.File("c-t.txt"));
  ASSERT_EQ(RunCli(args), 0);
  ExpectSameFile(temp.File("w-r.txt"), temp.File("c-r.txt"));
  ExpectSameFile(temp.File("w-t.txt"), temp.File("c-t.txt"));
}

TEST(InstrumentWindowMatchesCommandLine, Form7WithExternalFile) {
  const TempFolder temp;
  const auto scans = synth::WriteScans((temp.Path() / "s").string(), Format::UniSpecCompact, 2, "T");
  Harness h(Format::UniSpecCompact);
  h.PickAll(scans);
  h.Click("cmdFileListOk");
  ChooseFromFileOrExternal(h, temp);
  h.dialogs.savePaths = {Q(temp.File("w-r.txt"))};
  h.Click("cmdDoOperation");
  ASSERT_EQ(h.dialogs.messages.size(), 1u) << h.dialogs.Texts().back().toStdString();
  std::string args = "convert unispec-compact";
  for (const auto& s : scans) args += " " + Quoted(s);
  args += " --waves external=" + Quoted(temp.File("waves.txt")) + " --reflectance " + Quoted(temp.File("c-r.txt"));
  ASSERT_EQ(RunCli(args), 0);
  ExpectSameFile(temp.File("w-r.txt"), temp.File("c-r.txt"));
}

TEST(InstrumentWindowMatchesCommandLine, Form5WithoutInterpolation) {
  const TempFolder temp;
  const auto scans = synth::WriteScans((temp.Path() / "s").string(), Format::Ger1500, 2, "H");
  Harness h(Format::Ger1500);
  h.PickAll(scans);
  h.SetChecked("chkAbsorb", true);
  h.Click("cmdFileListOk");
  h.Click("Option5");
  h.Click("Option1");
  h.dialogs.savePaths = {Q(temp.File("w-r.txt")), Q(temp.File("w-a.txt"))};
  h.Click("cmdDoOperation");
  ASSERT_EQ(h.dialogs.messages.size(), 2u) << h.dialogs.Texts().back().toStdString();
  EXPECT_EQ(SplitCrLf(ReadAll(temp.File("w-r.txt"))).size(), 2u + 4u + 512u);
  std::string args = "convert ger1500";
  for (const auto& s : scans) args += " " + Quoted(s);
  args += " --no-interpolate --reflectance " + Quoted(temp.File("c-r.txt")) + " --absorbance " +
          Quoted(temp.File("c-a.txt"));
  ASSERT_EQ(RunCli(args), 0);
  ExpectSameFile(temp.File("w-r.txt"), temp.File("c-r.txt"));
  ExpectSameFile(temp.File("w-a.txt"), temp.File("c-a.txt"));
}

TEST(InstrumentWindowMatchesCommandLine, Form6WithGrid) {
  const TempFolder temp;
  const auto scans = synth::WriteScans((temp.Path() / "s").string(), Format::Ger2600, 3, "J");
  Harness h(Format::Ger2600);
  h.PickAll(scans);
  h.SetChecked("chkAbsorb", true);
  h.Click("cmdFileListOk");
  h.Click("Option1");
  h.SetText("txtBeginWave", "500");
  h.SetText("txtEndWave", "2400");
  h.SetText("txtDeltaWave", "5");
  h.dialogs.savePaths = {Q(temp.File("w-r.txt")), Q(temp.File("w-a.txt"))};
  h.Click("cmdDoOperation");
  ASSERT_EQ(h.dialogs.messages.size(), 2u) << h.dialogs.Texts().back().toStdString();
  EXPECT_EQ(SplitCrLf(ReadAll(temp.File("w-r.txt"))).size(), 2u + 4u + 381u);
  std::string args = "convert ger2600";
  for (const auto& s : scans) args += " " + Quoted(s);
  args += " --grid 500,2400,5 --reflectance " + Quoted(temp.File("c-r.txt")) + " --absorbance " +
          Quoted(temp.File("c-a.txt"));
  ASSERT_EQ(RunCli(args), 0);
  ExpectSameFile(temp.File("w-r.txt"), temp.File("c-r.txt"));
  ExpectSameFile(temp.File("w-a.txt"), temp.File("c-a.txt"));
}

}  // namespace
}  // namespace corvelane
