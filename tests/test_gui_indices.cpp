// The index windows: "Number of indices", "Index name and formula" with its
// quick picks and lists, and the index run window with its phases, dialogs
// and files, its catalogue and satellite-band choices, driven as a user would
// with the scripted dialogs.
#include <gtest/gtest.h>

#include <QCheckBox>
#include <QDir>
#include <QFile>
#include <QImage>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <functional>
#include <string>
#include <vector>

#include "convert/conversion_run.h"
#include "convert/program.h"
#include "indices/index_catalogue.h"
#include "indices/index_catalogue_window.h"
#include "indices/index_count_window.h"
#include "indices/index_list_window.h"
#include "indices/index_run.h"
#include "indices/index_run_window.h"
#include "indices/satellite_bands.h"
#include "indices/satellite_bands_window.h"
#include "tests/gui_support.h"
#include "tests/test_support.h"
#include "text/numeric_text.h"
#include "tools/scan_synth.h"
#include "widgets/folder_browser_widget.h"

namespace corvelane::gui {
namespace {

using namespace corvelane::testing;

const QByteArray kTitle = "Predefined indices\r\nname, A, B, formula\r\n1 = normalised difference\r\n";
const QByteArray kThree = kTitle + "NDVI, 800, 670, 1\r\nPRI, 531, 570, 1\r\nWBI, 900, 970, 2\r\n";

// --- Form15

// A count that is not a whole number from 1 to 9 ("abc" once ended a run
// whose tables were written) is refused and asked again.
TEST(IndexCountWindowTest, OkNeedsAWholeNumberFromOneToNineAndOnlyThenHides) {
  ScriptedDialogs dialogs;
  Program program(dialogs, QDir::currentPath());
  IndexCountWindow& form15 = program.IndexCount();
  form15.show();
  Click(form15, "Command1");
  ASSERT_EQ(dialogs.messages.size(), 1u);
  EXPECT_EQ(dialogs.messages[0].text, "You must enter a number between 1 and 9");
  EXPECT_EQ(dialogs.messages[0].icon, MessageIcon::None);
  EXPECT_TRUE(form15.isVisible());
  std::size_t refused = 1;
  for (const char* wrong : {"abc", "12", "0", "2.5", "-1"}) {
    Type(form15, "Text1", wrong);
    Click(form15, "Command1");
    EXPECT_TRUE(form15.isVisible()) << wrong;
    EXPECT_EQ(dialogs.messages.size(), ++refused) << wrong;
    EXPECT_FALSE(form15.Count()) << wrong;
  }
  Type(form15, "Text1", " 3 ");
  Click(form15, "Command1");
  EXPECT_FALSE(form15.isVisible());
  EXPECT_EQ(dialogs.messages.size(), refused);
  EXPECT_EQ(program.IndexCount().Count(), std::optional<int>(3));
}

// --- Form16

class IndexListTest : public ::testing::Test {
 protected:
  QTemporaryDir start;
  ScriptedDialogs dialogs;
  QString IndexPath() const { return QDir(start.path()).filePath("INDEX"); }
  QPushButton* Pick(IndexListWindow& w, int i) { return Child<QPushButton>(w, QStringLiteral("Index(%1)").arg(i)); }
  QStringList Shown(IndexListWindow& w) {
    QStringList captions;
    for (int i = 0; i < 8; ++i)
      if (!Pick(w, i)->isHidden()) captions << Pick(w, i)->text();
    return captions;
  }
  QString Box(IndexListWindow& w, const char* name) { return Child<QLineEdit>(w, name)->text(); }
};

TEST_F(IndexListTest, QuickPicksFromIndexFillTheBoxesAndTheFormula) {
  WriteFile(IndexPath(), kThree);
  Program program(dialogs, start.path());
  IndexListWindow& form16 = program.IndexList();
  form16.show();
  EXPECT_EQ(Shown(form16), (QStringList{"NDVI", "PRI", "WBI"}));
  EXPECT_TRUE(Child<QRadioButton>(form16, "Option1")->isChecked());
  EXPECT_TRUE(Child<QRadioButton>(form16, "RFL")->isChecked());
  EXPECT_EQ(Box(form16, "Text3") + Box(form16, "Text1") + Box(form16, "Text2"), "NDVI800670");

  Click(form16, "Deriv");
  QTest::mouseClick(Pick(form16, 2), Qt::LeftButton);
  EXPECT_EQ(Box(form16, "Text3") + Box(form16, "Text1") + Box(form16, "Text2"), "WBI900970");
  EXPECT_TRUE(Child<QRadioButton>(form16, "Option2")->isChecked());
  EXPECT_TRUE(Child<QRadioButton>(form16, "Deriv")->isChecked()) << "the quick pick leaves \"Apply to?\" alone";
  QTest::mouseClick(Pick(form16, 1), Qt::LeftButton);
  EXPECT_EQ(Box(form16, "Text3"), "PRI");
  EXPECT_TRUE(Child<QRadioButton>(form16, "Option1")->isChecked());
  const IndexDefinition boxes = form16.Boxes();
  EXPECT_EQ(boxes.name + boxes.a + boxes.b, "PRI531570");
  EXPECT_EQ(boxes.source, IndexSource::Derivative);

  // INDEX gone after loading: the boxes stay and the window says why.
  QFile::remove(IndexPath());
  Type(form16, "Text1", "555");
  QTest::mouseClick(Pick(form16, 0), Qt::LeftButton);
  EXPECT_EQ(Box(form16, "Text3") + Box(form16, "Text1"), "PRI555");
  EXPECT_TRUE(Child<QLabel>(form16, "lblQuickPick")->text().contains("could not be read"));
  EXPECT_TRUE(dialogs.messages.empty());
}

TEST_F(IndexListTest, TenRecordsShowEightButtonsAndNoFileShowsNoneWithTheStartValues) {
  QByteArray ten = kTitle;
  for (int i = 0; i < 10; ++i) ten += "I" + QByteArray::number(i) + ", 5" + QByteArray::number(i) + "0, 600, 2\r\n";
  WriteFile(IndexPath(), ten);
  {
    Program program(dialogs, start.path());
    EXPECT_EQ(Shown(program.IndexList()), (QStringList{"I0", "I1", "I2", "I3", "I4", "I5", "I6", "I7"}));
    EXPECT_EQ(Box(program.IndexList(), "Text1"), "500");
    EXPECT_TRUE(Child<QRadioButton>(program.IndexList(), "Option1")->isChecked()) << "the load leaves the formula";
  }
  QFile::remove(IndexPath());
  Program program(dialogs, start.path());
  EXPECT_EQ(Shown(program.IndexList()), QStringList{});
  for (int i = 0; i < 8; ++i) EXPECT_EQ(Pick(program.IndexList(), i)->text(), "Index");
  EXPECT_EQ(Box(program.IndexList(), "Text3") + Box(program.IndexList(), "Text1") + Box(program.IndexList(), "Text2"),
            "NDVI800670");
}

TEST_F(IndexListTest, SubmitRemoveAndTheOkRule) {
  Program program(dialogs, start.path());
  IndexListWindow& form16 = program.IndexList();
  QSignalSpy confirmed(&form16, &IndexListWindow::confirmed);
  form16.show();
  std::array<QListWidget*, 5> lists{};
  for (int i = 0; i < 5; ++i)
    lists[static_cast<std::size_t>(i)] = Child<QListWidget>(form16, QStringLiteral("List%1").arg(i + 1));
  for (int i = 1; i < 5; ++i) EXPECT_FALSE(lists[static_cast<std::size_t>(i)]->isVisible());
  EXPECT_TRUE(lists[0]->isVisible());

  // OK with both boxes filled but no row: the message, and "Calculate" off.
  Click(form16, "Command1");
  ASSERT_EQ(dialogs.messages.size(), 1u);
  EXPECT_EQ(dialogs.messages[0].text, "Enter a value for both boxes or at least 1 index");
  EXPECT_TRUE(form16.isVisible());
  ASSERT_EQ(confirmed.count(), 1);
  EXPECT_FALSE(confirmed[0][0].toBool());

  Click(form16, "ComSubmit");
  Click(form16, "ComSubmit");
  Type(form16, "Text3", "wet");
  Type(form16, "Text1", "900");
  Type(form16, "Text2", "970");
  Click(form16, "Option2");
  Click(form16, "Deriv");
  Click(form16, "ComSubmit");
  const std::vector<QStringList> rows = {
      {"NDVI", "NDVI", "wet"}, {"800", "800", "900"}, {"670", "670", "970"}, {"1", "1", "2"}, {"1", "1", "2"}};
  for (std::size_t i = 0; i < 5; ++i) EXPECT_EQ(Items(lists[i]), rows[i]) << "List" << i + 1;

  // Double-clicking the second of two identical rows removes only it, from all five.
  ClickRow(lists[0], 1, true);
  const std::vector<QStringList> left = {{"NDVI", "wet"}, {"800", "900"}, {"670", "970"}, {"1", "2"}, {"1", "2"}};
  for (std::size_t i = 0; i < 5; ++i) EXPECT_EQ(Items(lists[i]), left[i]) << "List" << i + 1;
  const std::vector<IndexDefinition> d = form16.Definitions();
  ASSERT_EQ(d.size(), 2u);
  EXPECT_EQ(d[1].name + d[1].a + d[1].b, "wet900970");
  EXPECT_EQ(d[1].formula, IndexFormula::SimpleRatio);
  EXPECT_EQ(d[1].source, IndexSource::Derivative);
  EXPECT_EQ(d[0].formula, IndexFormula::NormalisedDifference);
  EXPECT_EQ(d[0].source, IndexSource::Reflectance);

  // An empty B box refuses OK even with rows; then OK closes.
  Child<QLineEdit>(form16, "Text2")->clear();
  Click(form16, "Command1");
  EXPECT_EQ(dialogs.messages.size(), 2u);
  EXPECT_TRUE(form16.isVisible());
  Type(form16, "Text2", "970");
  Click(form16, "Command1");
  EXPECT_EQ(dialogs.messages.size(), 2u);
  EXPECT_FALSE(form16.isVisible());
  ASSERT_EQ(confirmed.count(), 3);
  EXPECT_TRUE(confirmed[2][0].toBool());
  EXPECT_EQ(program.IndexList().Definitions().size(), 2u) << "the list lives on in the hidden window";
}

// --- Form18

// The program on a fresh start folder with the INDEX of three records, and
// in `work` the reflectance files refl-a.txt and refl-b.txt the conversion
// wrote, of two UniSpec old-format scans each on 310-1130 nm, and their
// absorbance files abs-a.txt and abs-b.txt (which the index run cannot read).
class IndexRunTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(work.isValid() && start.isValid() && out.isValid());
    WriteFile(QDir(start.path()).filePath("INDEX"), kThree);
    corvelane::RunSettings s;
    s.variant = &VariantOf(Format::UniSpecOld);
    s.grid = {"310", "1130", "1"};
    s.modes[Index(OutputMode::Reflectance)] = s.modes[Index(OutputMode::Absorbance)] = true;
    for (const char* name : {"a", "b"}) {
      s.files =
          synth::WriteScans(work.filePath(QStringLiteral("scans-") + name).toStdString(), Format::UniSpecOld, 2, name);
      WavelengthTables tables;
      const ConversionResult r = ComputeConversion(s, tables);
      WriteOutputFile(r, OutputMode::Reflectance, nullptr, File(QStringLiteral("refl-") + name + ".txt"));
      WriteOutputFile(r, OutputMode::Absorbance, nullptr, File(QStringLiteral("abs-") + name + ".txt"));
    }
  }
  std::string File(const QString& name) const { return work.filePath(name).toStdString(); }
  QString Out(const QString& name) const { return QDir(out.path()).filePath(name); }
  QStringList Written() const { return QDir(out.path()).entryList(QDir::Files, QDir::Name); }
  QString UserCatalogue() const { return QDir(start.path()).filePath("index-catalogue.csv"); }

  // Shows the index window `w`, opens `work` in its folder browser and
  // clicks `files` in its file list "File1", in order.
  void ShowWithFiles(QWidget& w, const QStringList& files) {
    w.show();
    ASSERT_TRUE(w.findChild<FolderBrowser*>()->SetFolder(work.path()));
    for (const QString& file : files) ClickFile(Child<QListWidget>(w, "File1"), file);
  }
  // "Calculate", the save dialogs answering `paths`, the messages before forgotten.
  void Calculate(QWidget& w, const std::vector<QString>& paths = {}) {
    dialogs.Clear();
    dialogs.savePaths = {paths.begin(), paths.end()};
    Click(w, "Com_do_index");
  }
  // Opens Form16 through "Indices" and confirms it with the rows given.
  void ConfirmIndices(IndexRunWindow& w, const std::vector<std::function<void(IndexListWindow&)>>& rows) {
    QTimer::singleShot(0, [this, rows] {
      IndexListWindow& form16 = program.IndexList();
      ASSERT_TRUE(form16.isVisible());
      for (const auto& row : rows) {
        row(form16);
        Click(form16, "ComSubmit");
      }
      Click(form16, "Command1");
    });
    Click(w, "Command1");
  }

  QTemporaryDir start, work, out;
  ScriptedDialogs dialogs;
  Program program{dialogs, start.path()};
};

// A row of Form16 from its quick pick `i`.
std::function<void(IndexListWindow&)> QuickPick(int i) {
  return [i](IndexListWindow& f) {
    QTest::mouseClick(Child<QPushButton>(f, QStringLiteral("Index(%1)").arg(i)), Qt::LeftButton);
  };
}

TEST_F(IndexRunTest, PicksFilesConfirmsIndicesAndWritesEachFilesOutputsAsAsked) {
  IndexRunWindow w(program.UserDialogs(), program.IndexList(), program.Settings().indexList);
  EXPECT_TRUE(Child<QCheckBox>(w, "ChkInd")->isChecked());
  EXPECT_FALSE(Child<QCheckBox>(w, "ChkDrv")->isChecked());
  EXPECT_FALSE(Child<QPushButton>(w, "Com_do_index")->isEnabled());
  ShowWithFiles(w, {"refl-a.txt", "abs-a.txt", "refl-b.txt", "refl-a.txt"});
  auto* list1 = Child<QListWidget>(w, "List1");
  ExpectOneMessage(dialogs, "File already selected!", "Error", MessageIcon::Exclamation);
  ClickRow(list1, 1, true);  // abs-a.txt
  EXPECT_EQ(Items(list1), (QStringList{work.filePath("refl-a.txt"), work.filePath("refl-b.txt")}));

  ConfirmIndices(w, {QuickPick(0), [](IndexListWindow& f) {
                       QuickPick(2)(f);
                       Click(f, "Deriv");
                     }});
  EXPECT_FALSE(program.IndexList().isVisible());
  EXPECT_TRUE(Child<QPushButton>(w, "Com_do_index")->isEnabled());

  // Both outputs; the index file of the second reflectance file is skipped.
  Click(w, "ChkDrv");
  Calculate(w, {Out("index-a.txt"), Out("deriv-a.txt"), "", Out("deriv-b.txt")});
  const std::vector<QString> announcements = {"   Save Index File   ", "   Save derivative File   ",
                                              "   Save Index File   ", "   Save derivative File   "};
  EXPECT_EQ(dialogs.Texts(), announcements);
  // Each prompt names the reflectance file it is for.
  const QStringList prompts = {"Index prompt: refl-a.txt (1 of 2)", "Derivative prompt: refl-a.txt (1 of 2)",
                               "Index prompt: refl-b.txt (2 of 2)", "Derivative prompt: refl-b.txt (2 of 2)"};
  for (std::size_t i = 0; i < dialogs.messages.size() && i < 4; ++i) {
    EXPECT_EQ(dialogs.messages[i].title, prompts[static_cast<qsizetype>(i)]);
    EXPECT_EQ(dialogs.messages[i].icon, MessageIcon::None);
  }
  EXPECT_EQ(dialogs.saveTitles, (std::vector<QString>{"Save Index File?", "Save Derivative File?", "Save Index File?",
                                                      "Save Derivative File?"}));
  EXPECT_EQ(Written(), (QStringList{"deriv-a.txt", "deriv-b.txt", "index-a.txt"}));
  const std::vector<IndexDefinition> expected = {
      {"NDVI", "800", "670", IndexFormula::NormalisedDifference, IndexSource::Reflectance},
      {"WBI", "900", "970", IndexFormula::SimpleRatio, IndexSource::Derivative}};
  const ReflectanceTable a = ReadReflectanceFile(File("refl-a.txt"));
  EXPECT_EQ(ReadAll(Out("index-a.txt").toStdString()), IndexFileText(a, expected, ComputeIndices(a, expected)));
  EXPECT_EQ(Child<QProgressBar>(w, "ProgressBar1")->value(), Child<QProgressBar>(w, "ProgressBar1")->maximum());
  EXPECT_TRUE(Child<QPushButton>(w, "Com_do_index")->isEnabled());
  EXPECT_EQ(Child<QLabel>(w, "lblStatus")->text(),
            "Wrote index-a.txt, deriv-a.txt, deriv-b.txt. Skipped (no file name chosen): index file of refl-b.txt.");

  // Both boxes clear: every file is read, nothing asked or written.
  Click(w, "ChkInd");
  Click(w, "ChkDrv");
  Calculate(w);
  EXPECT_TRUE(dialogs.messages.empty());
  EXPECT_TRUE(dialogs.saveTitles.empty());
  EXPECT_EQ(Written().size(), 3u);

  // Form16 confirmed with an empty list turns "Calculate" off again.
  QTimer::singleShot(0, [this] {
    IndexListWindow& form16 = program.IndexList();
    auto* names = form16.findChild<QListWidget*>("List1");
    while (names->count() > 0) ClickRow(names, 0, true);
    Click(form16, "Command1");
    form16.hide();
  });
  Click(w, "Command1");
  EXPECT_FALSE(Child<QPushButton>(w, "Com_do_index")->isEnabled());
}

// A run whose every save dialog is cancelled says so and does not show a
// full bar; Escape keeps the picked list and "Close" closes the window.
TEST_F(IndexRunTest, CancelledSavesAreNamedEscapeKeepsTheListAndCloseCloses) {
  IndexRunWindow w(program.UserDialogs(), program.IndexList(), program.Settings().indexList);
  ShowWithFiles(w, {"refl-a.txt"});
  ConfirmIndices(w, {QuickPick(0)});
  Calculate(w);
  EXPECT_EQ(dialogs.saveTitles.size(), 1u);
  EXPECT_EQ(Child<QProgressBar>(w, "ProgressBar1")->value(), 0);
  EXPECT_EQ(Child<QLabel>(w, "lblStatus")->text(), "Skipped (no file name chosen): index file of refl-a.txt.");
  EXPECT_TRUE(Written().isEmpty());

  QTest::keyClick(&w, Qt::Key_Escape);
  EXPECT_TRUE(w.isVisible());
  EXPECT_EQ(Child<QListWidget>(w, "List1")->count(), 1);
  Click(w, "cmdClose");
  EXPECT_FALSE(w.isVisible());
}

TEST_F(IndexRunTest, AFailureShowsTheProblemAndStopsTheRemainingFiles) {
  IndexRunWindow w(program.UserDialogs(), program.IndexList(), program.Settings().indexList);
  ShowWithFiles(w, {"refl-a.txt", "abs-b.txt", "refl-b.txt"});
  ConfirmIndices(w, {[](IndexListWindow&) {}});
  Calculate(w, {Out("index-a.txt"), Out("never.txt")});
  ASSERT_EQ(dialogs.messages.size(), 2u);
  ExpectMessage(dialogs.messages[1], " Problem in Data File!!!", "Error", MessageIcon::Exclamation);
  EXPECT_TRUE(dialogs.messages[1].detail.contains(work.filePath("abs-b.txt")));
  EXPECT_EQ(dialogs.saveTitles.size(), 1u) << "refl-b.txt is not processed";
  EXPECT_EQ(Written(), QStringList{"index-a.txt"});
  EXPECT_TRUE(Child<QPushButton>(w, "Com_do_index")->isEnabled());

  // A row outside the table fails before anything of that file is asked.
  ConfirmIndices(w, {[](IndexListWindow& f) { Type(f, "Text1", "1500"); }});
  ClickRow(Child<QListWidget>(w, "List1"), 1, true);
  Calculate(w);
  ASSERT_EQ(dialogs.messages.size(), 1u);
  EXPECT_TRUE(Contains(dialogs.messages[0].detail, "wavelength A lies outside the table"));
  EXPECT_TRUE(dialogs.saveTitles.empty());
}

// The values themselves are the core's (IndexMarks tests); the window shows
// the warning once, after the files.
TEST_F(IndexRunTest, MarkedValuesGiveOneWarningAfterTheFilesAreWritten) {
  // s2 holds the mark at 670 nm, NDVI's wavelength B.
  std::vector<std::string> lines = {"",  "Wavelength,s1.spu,s2.spu", "  (nm),d1,d2", "  time  ,t1,t2", "temp C,21,22",
                                    ",,"};
  for (int nm = 600; nm <= 850; ++nm)
    lines.push_back(std::to_string(nm) + "," + PlainNumber(nm / 1000.0) + "," +
                    (nm == 670 ? std::string("999") : PlainNumber(nm / 2000.0)));
  WriteFile(work.filePath("refl-m.txt"), QByteArray::fromStdString(CrLf(lines)));
  IndexRunWindow w(program.UserDialogs(), program.IndexList(), program.Settings().indexList);
  ShowWithFiles(w, {"refl-m.txt", "refl-a.txt"});
  ConfirmIndices(w, {QuickPick(0)});
  Click(w, "ChkDrv");
  Calculate(w, {Out("index-m.txt"), Out("deriv-m.txt"), Out("index-a.txt"), Out("deriv-a.txt")});
  ASSERT_EQ(dialogs.messages.size(), 5u);
  EXPECT_EQ(Written(), (QStringList{"deriv-a.txt", "deriv-m.txt", "index-a.txt", "index-m.txt"}));
  const MessageRequest& warning = dialogs.messages[4];
  EXPECT_EQ(warning.title, "Warning");
  EXPECT_EQ(warning.icon, MessageIcon::Information);
  EXPECT_TRUE(warning.text.contains("999"));
  EXPECT_TRUE(Contains(warning.detail, "s2.spu (670 nm)"));
}

// --- The index window's catalogue and satellite-band outputs: entries with
// check boxes and their bands as tooltips, the long file asked for after the
// other outputs.

TEST_F(IndexRunTest, CatalogueTickedEntriesGoToTheLongIndexFileAfterTheOtherOutputs) {
  WriteFile(UserCatalogue(),
            "name,expression,bands,citation,notes\r\nWBI,R970/R900,R900=900;R970=970,inverse here,\r\n"
            "GREEN,G,G=540-560,local,\r\n");
  IndexRunWindow w(program.UserDialogs(), program.IndexList(), program.Settings().indexList, nullptr, UserCatalogue());
  EXPECT_FALSE(Child<QCheckBox>(w, "ChkCat")->isEnabled());
  ASSERT_NO_FATAL_FAILURE(ShowWithFiles(w, {"refl-a.txt", "refl-b.txt"}));

  InModal<IndexCatalogueWindow>(w, "cmdCatalogue", "frmCatalogue", [](QWidget& c) {
    auto* list = Child<QListWidget>(c, "lstCatalogue");
    ASSERT_EQ(list->count(), 18) << "seventeen shipped entries, WBI replaced, GREEN added";
    EXPECT_EQ(list->item(17)->text(), "GREEN");
    for (int i = 0; i < list->count(); ++i) EXPECT_EQ(list->item(i)->checkState(), Qt::Unchecked);
    const QString modis = Entry(list, "NDVI_MODIS")->toolTip();
    EXPECT_TRUE(modis.contains("NIR=841-876;RED=620-670") && modis.contains("Rouse")) << modis.toStdString();
    EXPECT_TRUE(Entry(list, "WBI")->toolTip().contains("R970/R900"));
    Tick(list, "PRI");
    Tick(list, "NDVI_MODIS");
    EXPECT_EQ(Entry(list, "PRI")->checkState(), Qt::Checked);
  });
  EXPECT_TRUE(Child<QCheckBox>(w, "ChkCat")->isChecked());
  EXPECT_TRUE(Child<QPushButton>(w, "Com_do_index")->isEnabled()) << "the catalogue alone enables Calculate";

  // Form16 not confirmed: no index file, although "Indices" stays ticked.
  Calculate(w, {Out("long-a.csv"), ""});
  EXPECT_EQ(dialogs.Texts(), (std::vector<QString>{"   Save Long Index File   ", "   Save Long Index File   "}));
  for (const auto& m : dialogs.messages)
    EXPECT_TRUE(m.title.startsWith("Catalogue prompt: refl-")) << m.title.toStdString();
  EXPECT_EQ(dialogs.saveTitles, (std::vector<QString>{"Save Long Index File?", "Save Long Index File?"}));
  EXPECT_EQ(QDir(out.path()).entryList(QDir::Files), QStringList{"long-a.csv"});
  const std::string longFile = ReadAll(Out("long-a.csv").toStdString());
  EXPECT_TRUE(longFile.find(",PRI,") != std::string::npos && longFile.find(",NDVI_MODIS,") != std::string::npos &&
              longFile.find(",GREEN,") == std::string::npos)
      << longFile;

  // With Form16's indices and the derivative: index, derivative, long file.
  ConfirmIndices(w, {[](IndexListWindow&) {}});
  Click(w, "ChkDrv");
  Calculate(w);
  EXPECT_EQ(dialogs.saveTitles,
            (std::vector<QString>{"Save Index File?", "Save Derivative File?", "Save Long Index File?",
                                  "Save Index File?", "Save Derivative File?", "Save Long Index File?"}));

  // Unticking the catalogue output leaves it out; ticking none turns it off.
  Click(w, "ChkCat");
  Calculate(w);
  EXPECT_EQ(dialogs.saveTitles.size(), 4u);
  InModal<IndexCatalogueWindow>(w, "cmdCatalogue", "frmCatalogue", [](QWidget& c) {
    auto* list = Child<QListWidget>(c, "lstCatalogue");
    EXPECT_EQ(Entry(list, "PRI")->checkState(), Qt::Checked) << "ticks stay when the window opens again";
    Tick(list, "PRI");
    Tick(list, "NDVI_MODIS");
  });
  EXPECT_FALSE(Child<QCheckBox>(w, "ChkCat")->isChecked());
  EXPECT_FALSE(Child<QCheckBox>(w, "ChkCat")->isEnabled());
}

TEST_F(IndexRunTest, CatalogueFailuresAreShownAndNothingOfTheFileIsWritten) {
  WriteFile(UserCatalogue(), "name,expression,bands,citation,notes\r\nODD,A/B,A=500,,\r\n");
  IndexRunWindow w(program.UserDialogs(), program.IndexList(), program.Settings().indexList, nullptr, UserCatalogue());
  ASSERT_NO_FATAL_FAILURE(ShowWithFiles(w, {"refl-a.txt"}));

  // A damaged user catalogue: said so, and the shipped entries are listed.
  InModal<IndexCatalogueWindow>(w, "cmdCatalogue", "frmCatalogue", [](QWidget& c) {
    EXPECT_EQ(Child<QListWidget>(c, "lstCatalogue")->count(), 17);
    Click(c, "cmdAll");
  });
  ASSERT_EQ(dialogs.messages.size(), 1u);
  EXPECT_EQ(dialogs.messages[0].title, "Error");
  EXPECT_TRUE(Contains(dialogs.messages[0].detail, "catalogue entry \"ODD\""));

  // The long file may not replace the reflectance file it is made of.
  const std::string before = ReadAll(File("refl-a.txt"));
  Calculate(w, {work.filePath("refl-a.txt")});
  ASSERT_EQ(dialogs.messages.size(), 3u);
  EXPECT_TRUE(dialogs.messages[1].text.endsWith("Do you want to replace it?"));  // answered Ok: go on
  EXPECT_EQ(dialogs.messages[2].text, " Problem in Data File!!!");
  EXPECT_TRUE(dialogs.messages[2].detail.contains("would replace the reflectance file"));
  EXPECT_EQ(ReadAll(File("refl-a.txt")), before);
}

// Pixels of the picture that are neither white nor grey: the responses and
// the band segments, drawn in colour.
int ColouredPixels(QWidget& picture) {
  const QImage image = picture.grab().toImage();
  int coloured = 0;
  for (int y = 0; y < image.height(); ++y)
    for (int x = 0; x < image.width(); ++x) {
      const QColor c = image.pixelColor(x, y);
      coloured += c.saturation() > 60;
    }
  return coloured;
}

TEST_F(IndexRunTest, BandsTickedSensorsGoToTheLongBandFileWithTheFirstScanPictured) {
  IndexRunWindow w(program.UserDialogs(), program.IndexList(), program.Settings().indexList, nullptr);
  EXPECT_FALSE(Child<QCheckBox>(w, "ChkBand")->isEnabled());
  ASSERT_NO_FATAL_FAILURE(ShowWithFiles(w, {"refl-a.txt", "refl-b.txt"}));

  InModal<SatelliteBandsWindow>(w, "cmdBands", "frmBands", [](QWidget& b) {
    auto* list = Child<QListWidget>(b, "lstSensors");
    ASSERT_EQ(list->count(), 9);
    for (int i = 0; i < list->count(); ++i) EXPECT_EQ(list->item(i)->checkState(), Qt::Unchecked);
    const QString tip = Entry(list, "sentinel-2a-msi")->toolTip();
    EXPECT_TRUE(tip.contains("B4  664.62") && tip.contains("B8A  864.71")) << tip.toStdString();
    QWidget* picture = Child<QWidget>(b, "picBands");
    ASSERT_NE(picture, nullptr);
    EXPECT_EQ(ColouredPixels(*picture), 0) << "nothing ticked, only the spectrum in black";
    Tick(list, "sentinel-2a-msi");
    Tick(list, "modis-terra");
    EXPECT_GT(ColouredPixels(*picture), 200) << "the responses and band values are drawn";
  });
  EXPECT_TRUE(Child<QCheckBox>(w, "ChkBand")->isChecked());
  EXPECT_TRUE(Child<QPushButton>(w, "Com_do_index")->isEnabled()) << "the bands alone enable Calculate";

  Calculate(w, {Out("bands-a.csv"), ""});
  // The bands beyond 310-1130 nm are named once, before the first save.
  ASSERT_EQ(dialogs.messages.size(), 3u);
  EXPECT_EQ(dialogs.messages[0].title, "Satellite bands");
  EXPECT_TRUE(dialogs.messages[0].detail.contains("sentinel-2a-msi B11 (0.00)") &&
              dialogs.messages[0].detail.contains("modis-terra B7 (0.00)") &&
              !dialogs.messages[0].detail.contains("B4"))
      << dialogs.messages[0].detail.toStdString();
  for (std::size_t m = 1; m < 3; ++m) {
    EXPECT_EQ(dialogs.messages[m].title,
              m == 1 ? "Bands prompt: refl-a.txt (1 of 2)" : "Bands prompt: refl-b.txt (2 of 2)");
    EXPECT_EQ(dialogs.messages[m].text, "   Save Long Band File   ");
  }
  EXPECT_EQ(QDir(out.path()).entryList(QDir::Files), QStringList{"bands-a.csv"});
  const std::string bands = ReadAll(Out("bands-a.csv").toStdString());
  EXPECT_TRUE(bands.find("sentinel-2a-msi") != std::string::npos && bands.find("modis-terra") != std::string::npos &&
              bands.find("landsat") == std::string::npos)
      << bands.substr(0, 400);

  // A save path naming the reflectance file is refused, and nothing replaced.
  const std::string before = ReadAll(File("refl-a.txt"));
  Calculate(w, {QString::fromStdString(File("refl-a.txt"))});
  ASSERT_FALSE(dialogs.messages.empty());
  EXPECT_EQ(dialogs.messages.back().title, "Error");
  EXPECT_EQ(ReadAll(File("refl-a.txt")), before);

  // Ticking none turns the output off.
  InModal<SatelliteBandsWindow>(w, "cmdBands", "frmBands", [](QWidget& b) {
    auto* list = Child<QListWidget>(b, "lstSensors");
    Tick(list, "sentinel-2a-msi");
    Tick(list, "modis-terra");
  });
  EXPECT_FALSE(Child<QCheckBox>(w, "ChkBand")->isEnabled());
  EXPECT_FALSE(Child<QPushButton>(w, "Com_do_index")->isEnabled());
}

}  // namespace
}  // namespace corvelane::gui
