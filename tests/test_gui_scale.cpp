// The conversion windows at a scale factor of 2 on a 1600 x 1000 screen: the
// screen then offers about 800 x 460 logical pixels below the title bar. Every
// control must fit there without scrolling, file names such as
// "DHT_00000.spu" must show whole in the file lists, and the folder list must
// not move when a long folder path is shown above it.
#include <gtest/gtest.h>

#include <QApplication>
#include <QCheckBox>
#include <QDir>
#include <QFileInfo>
#include <QFontMetrics>
#include <QLabel>
#include <QListWidget>
#include <QScrollArea>
#include <QScrollBar>
#include <QTabWidget>
#include <QTest>
#include <memory>
#include <string>

#include "convert/instrument_window.h"
#include "convert/program.h"
#include "instruments/variant.h"
#include "tests/gui_support.h"
#include "tests/test_support.h"
#include "tools/scan_synth.h"
#include "widgets/folder_browser_widget.h"

namespace corvelane {
namespace {

using gui::FolderBrowser;
using gui::InstrumentWindow;
using testing::ScriptedDialogs;
using testing::TempFolder;

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
}  // namespace corvelane
