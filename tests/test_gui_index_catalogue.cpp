// The index window's "Catalogue..." choice: the entries with check boxes and
// their bands as tooltips, a user's catalogue beside INDEX, and the long index
// file asked for after the other outputs, driven with the scripted dialogs.
#include <gtest/gtest.h>

#include <QCheckBox>
#include <QDir>
#include <QListWidget>
#include <QPushButton>
#include <functional>
#include <string>
#include <vector>

#include "convert/program.h"
#include "indices/index_catalogue.h"
#include "indices/index_catalogue_window.h"
#include "indices/index_list_window.h"
#include "indices/index_run.h"
#include "indices/index_run_window.h"
#include "tests/gui_support.h"
#include "tests/test_support.h"

namespace corvelane::gui {
namespace {

using namespace corvelane::testing;

class CatalogueWindowTest : public corvelane::testing::ReflectanceFilesTest {
 protected:
  void SetUp() override {
    ReflectanceFilesTest::SetUp();
    WriteFile(QDir(start.path()).filePath("INDEX"), "Indices\r\n\r\n\r\nNDVI, 800, 670, 1\r\n");
  }
  QString UserCatalogue() const { return QDir(start.path()).filePath("index-catalogue.csv"); }

  // Opens "Catalogue...", runs `inside` on the catalogue window, then OK.
  void InCatalogue(IndexRunWindow& w, const std::function<void(QWidget&)>& inside) {
    corvelane::testing::InModal<IndexCatalogueWindow>(w, "cmdCatalogue", "frmCatalogue", inside);
  }
};

TEST_F(CatalogueWindowTest, TickedEntriesGoToTheLongIndexFileAfterTheOtherOutputs) {
  WriteFile(UserCatalogue(),
            "name,expression,bands,citation,notes\r\nWBI,R970/R900,R900=900;R970=970,inverse here,\r\n"
            "GREEN,G,G=540-560,local,\r\n");
  IndexRunWindow w(program.UserDialogs(), program.IndexList(), program.Settings().indexList, nullptr, UserCatalogue());
  EXPECT_EQ(Child<QPushButton>(w, "cmdCatalogue")->text(), "Catalogue...");
  EXPECT_FALSE(Child<QCheckBox>(w, "ChkCat")->isEnabled());
  ASSERT_NO_FATAL_FAILURE(ShowWithFiles(w, {"refl-a.txt", "refl-b.txt"}));

  InCatalogue(w, [](QWidget& c) {
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
  dialogs.Clear();
  dialogs.savePaths = {Out("long-a.csv"), ""};
  Click(w, "Com_do_index");
  EXPECT_EQ(dialogs.Texts(), (std::vector<QString>{"   Save Long Index File   ", "   Save Long Index File   "}));
  for (const auto& m : dialogs.messages) EXPECT_EQ(m.title, "Catalogue prompt");
  EXPECT_EQ(dialogs.saveTitles, (std::vector<QString>{"Save Long Index File?", "Save Long Index File?"}));
  EXPECT_EQ(QDir(out.path()).entryList(QDir::Files), QStringList{"long-a.csv"});
  const auto entries = SelectCatalogueEntries(LoadCatalogue(UserCatalogue().toStdString()), "NDVI_MODIS,PRI");
  const ReflectanceTable a = ReadReflectanceFile(File("refl-a.txt"));
  EXPECT_EQ(corvelane::testing::ReadAll(Out("long-a.csv").toStdString()),
            LongIndexText(a, File("refl-a.txt"), entries, ComputeCatalogue(a, entries)));

  // With Form16's indices and the derivative: index, derivative, long file.
  QTimer::singleShot(0, [this] {
    IndexListWindow& form16 = program.IndexList();
    Click(form16, "ComSubmit");
    Click(form16, "Command1");
  });
  Click(w, "Command1");
  Click(w, "ChkDrv");
  dialogs.Clear();
  Click(w, "Com_do_index");
  EXPECT_EQ(dialogs.saveTitles,
            (std::vector<QString>{"Save Index File?", "Save Derivative File?", "Save Long Index File?",
                                  "Save Index File?", "Save Derivative File?", "Save Long Index File?"}));

  // Unticking the catalogue output leaves it out; ticking none turns it off.
  Click(w, "ChkCat");
  dialogs.Clear();
  Click(w, "Com_do_index");
  EXPECT_EQ(dialogs.saveTitles.size(), 4u);
  InCatalogue(w, [](QWidget& c) {
    auto* list = Child<QListWidget>(c, "lstCatalogue");
    EXPECT_EQ(Entry(list, "PRI")->checkState(), Qt::Checked) << "ticks stay when the window opens again";
    Tick(list, "PRI");
    Tick(list, "NDVI_MODIS");
  });
  EXPECT_FALSE(Child<QCheckBox>(w, "ChkCat")->isChecked());
  EXPECT_FALSE(Child<QCheckBox>(w, "ChkCat")->isEnabled());
}

TEST_F(CatalogueWindowTest, FailuresAreShownAndNothingOfTheFileIsWritten) {
  WriteFile(UserCatalogue(), "name,expression,bands,citation,notes\r\nODD,A/B,A=500,,\r\n");
  IndexRunWindow w(program.UserDialogs(), program.IndexList(), program.Settings().indexList, nullptr, UserCatalogue());
  ASSERT_NO_FATAL_FAILURE(ShowWithFiles(w, {"refl-a.txt"}));

  // A damaged user catalogue: said so, and the shipped entries are listed.
  InCatalogue(w, [](QWidget& c) {
    EXPECT_EQ(Child<QListWidget>(c, "lstCatalogue")->count(), 17);
    Click(c, "cmdAll");
  });
  ASSERT_EQ(dialogs.messages.size(), 1u);
  EXPECT_EQ(dialogs.messages[0].title, "Error");
  EXPECT_TRUE(dialogs.messages[0].detail.contains("catalogue entry \"ODD\""))
      << dialogs.messages[0].detail.toStdString();

  // The long file may not replace the reflectance file it is made of.
  const std::string before = corvelane::testing::ReadAll(File("refl-a.txt"));
  dialogs.Clear();
  dialogs.savePaths = {work.filePath("refl-a.txt")};
  Click(w, "Com_do_index");
  ASSERT_EQ(dialogs.messages.size(), 2u);
  EXPECT_EQ(dialogs.messages[1].text, " Problem in Data File!!!");
  EXPECT_TRUE(dialogs.messages[1].detail.contains("would replace the reflectance file"));
  EXPECT_EQ(corvelane::testing::ReadAll(File("refl-a.txt")), before);

  // A band the table cannot give fails before anything is asked.
  WriteFile(UserCatalogue(), "name,expression,bands,citation,notes\r\nSWIR,A,A=1500-1600,,\r\n");
  InCatalogue(w, [](QWidget& c) { Tick(Child<QListWidget>(c, "lstCatalogue"), "SWIR"); });
  dialogs.Clear();
  Click(w, "Com_do_index");
  ASSERT_EQ(dialogs.messages.size(), 1u);
  EXPECT_TRUE(dialogs.messages[0].detail.contains("band A=1500-1600")) << dialogs.messages[0].detail.toStdString();
  EXPECT_TRUE(dialogs.saveTitles.empty());
}

}  // namespace
}  // namespace corvelane::gui
