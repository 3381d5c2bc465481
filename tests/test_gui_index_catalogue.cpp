// The index window's "Catalogue..." choice: the entries with check boxes and
// their bands as tooltips, a user's catalogue beside INDEX, and the long index
// file asked for after the other outputs, driven with the scripted dialogs.
#include <gtest/gtest.h>

#include <QApplication>
#include <QCheckBox>
#include <QDir>
#include <QFile>
#include <QListWidget>
#include <QPushButton>
#include <QRadioButton>
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
#include "indices/index_list_window.h"
#include "indices/index_run.h"
#include "indices/index_run_window.h"
#include "tests/gui_support.h"
#include "tests/test_support.h"
#include "tools/scan_synth.h"
#include "widgets/folder_browser_widget.h"

namespace corvelane::gui {
namespace {

using corvelane::testing::ScriptedDialogs;

template <typename T = QWidget>
T* Child(QWidget& parent, const QString& name) {
  T* w = parent.findChild<T*>(name);
  EXPECT_NE(w, nullptr) << "no control " << name.toStdString();
  return w;
}

void Click(QWidget& parent, const QString& name) {
  auto* b = Child<QAbstractButton>(parent, name);
  ASSERT_NE(b, nullptr);
  if (qobject_cast<QPushButton*>(b))
    QTest::mouseClick(b, Qt::LeftButton);
  else
    QTest::mouseClick(b, Qt::LeftButton, {}, QPoint(b->height() / 2, b->height() / 2));
}

void ClickFile(QListWidget* list, const QString& text) {
  const auto found = list->findItems(text, Qt::MatchExactly);
  ASSERT_EQ(found.size(), 1) << text.toStdString();
  QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, list->visualItemRect(found.front()).center());
}

void WriteFile(const QString& path, const QByteArray& bytes) {
  QFile f(path);
  ASSERT_TRUE(f.open(QIODevice::WriteOnly)) << path.toStdString();
  f.write(bytes);
}

QListWidgetItem* Entry(QListWidget* list, const char* name) {
  const auto found = list->findItems(QString::fromLatin1(name), Qt::MatchExactly);
  EXPECT_EQ(found.size(), 1) << name;
  return found.isEmpty() ? nullptr : found.front();
}

// Ticks a check box the way a user does: a click on its indicator.
void Tick(QListWidget* list, const char* name) {
  QListWidgetItem* item = Entry(list, name);
  ASSERT_NE(item, nullptr);
  const QRect r = list->visualItemRect(item);
  QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, QPoint(r.left() + r.height() / 2, r.center().y()));
}

class CatalogueWindowTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(work.isValid() && start.isValid() && out.isValid());
    WriteFile(QDir(start.path()).filePath("INDEX"), "Indices\r\n\r\n\r\nNDVI, 800, 670, 1\r\n");
    RunSettings s;
    s.variant = &VariantOf(Format::UniSpecOld);
    s.grid = {"310", "1130", "1"};
    s.modes[Index(OutputMode::Reflectance)] = true;
    for (const char* name : {"a", "b"}) {
      s.files =
          synth::WriteScans(work.filePath(QStringLiteral("scans-") + name).toStdString(), Format::UniSpecOld, 2, name);
      WavelengthTables tables;
      const ConversionResult r = ComputeConversion(s, tables);
      WriteOutputFile(r, OutputMode::Reflectance, nullptr, File(QStringLiteral("refl-") + name + ".txt"));
    }
  }
  std::string File(const QString& name) const { return work.filePath(name).toStdString(); }
  QString Out(const QString& name) const { return QDir(out.path()).filePath(name); }
  QString UserCatalogue() const { return QDir(start.path()).filePath("index-catalogue.csv"); }

  // Opens "Catalogue...", runs `inside` on the catalogue window, then OK.
  void InCatalogue(IndexRunWindow& w, const std::function<void(QWidget&)>& inside) {
    QTimer::singleShot(0, [&w, inside] {
      auto* window = w.findChild<IndexCatalogueWindow*>("frmCatalogue");
      ASSERT_NE(window, nullptr);
      ASSERT_TRUE(window->isVisible());
      inside(*window);
      Click(*window, "cmdOk");
    });
    Click(w, "cmdCatalogue");
  }

  QTemporaryDir start, work, out;
  ScriptedDialogs dialogs;
  Program program{dialogs, start.path()};
};

TEST_F(CatalogueWindowTest, TickedEntriesGoToTheLongIndexFileAfterTheOtherOutputs) {
  WriteFile(UserCatalogue(),
            "name,expression,bands,citation,notes\r\nWBI,R970/R900,R900=900;R970=970,inverse here,\r\n"
            "GREEN,G,G=540-560,local,\r\n");
  IndexRunWindow w(program.UserDialogs(), program.IndexList(), program.Settings().indexList, nullptr, UserCatalogue());
  EXPECT_EQ(Child<QPushButton>(w, "cmdCatalogue")->text(), "Catalogue...");
  EXPECT_FALSE(Child<QCheckBox>(w, "ChkCat")->isEnabled());
  w.show();
  ASSERT_TRUE(w.findChild<FolderBrowser*>()->SetFolder(work.path()));
  ClickFile(Child<QListWidget>(w, "File1"), "refl-a.txt");
  ClickFile(Child<QListWidget>(w, "File1"), "refl-b.txt");

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
  w.show();
  ASSERT_TRUE(w.findChild<FolderBrowser*>()->SetFolder(work.path()));
  ClickFile(Child<QListWidget>(w, "File1"), "refl-a.txt");

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
