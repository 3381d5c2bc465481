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
#include <QPlainTextEdit>
#include <QPushButton>
#include <QSignalSpy>
#include <QTest>
#include <QTimer>
#include <string>
#include <vector>

#include "widgets/folder_browser_widget.h"
#include "reference/calculate_reference_window.h"
#include "reference/reference_file_window.h"
#include "reference/reference_plot_widget.h"
#include "convert/program.h"
#include "tests/gui_support.h"
#include "tests/test_support.h"
#include "text/numeric_text.h"

namespace corvelane::gui {
namespace {

using corvelane::testing::CrLf;
using corvelane::testing::ScriptedDialogs;
using corvelane::testing::TempFolder;

template <typename T = QWidget>
T* Child(QWidget& parent, const QString& name) {
  T* w = parent.findChild<T*>(name);
  EXPECT_NE(w, nullptr) << "no control " << name.toStdString();
  return w;
}

void Click(QWidget& parent, const char* button) { Child<QAbstractButton>(parent, button)->click(); }

QStringList Items(const QListWidget* list) {
  QStringList out;
  for (int i = 0; i < list->count(); ++i) out << list->item(i)->text();
  return out;
}

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
  Form13Test() : program(dialogs, QDir::currentPath()), form(program.Form13()) {
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
      paths.push_back(QString::fromStdString(folder.Write("r" + std::to_string(n) + ".spu", DcScan(100 + 10 * n, 100))));
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

TEST_F(Form13Test, CaptionsAndStartState) {
  EXPECT_EQ(form.windowTitle(), "Calculate Reference");
  const std::pair<const char*, const char*> captions[] = {{"Chk_all", "Check All"}, {"UnChk_all", "Un-Check All"},
                                                          {"com_plot", "Plot"},     {"Reset", "Reset"},
                                                          {"Command1", "Done"}};
  for (const auto& [name, caption] : captions) EXPECT_EQ(Child<QAbstractButton>(form, name)->text(), caption);
  EXPECT_EQ(Child<FolderBrowser>(form, {})->Pattern(), "*.spu");
  EXPECT_FALSE(list->isEnabled());
  EXPECT_FALSE(Child<QFrame>(form, "Shape1")->isVisible());
  EXPECT_EQ(VisibleLegends(), 0);
  EXPECT_TRUE(form.ReferenceScans().empty());
}

TEST_F(Form13Test, FileListAddsOnceRemovesOnDoubleClickAndSelectsAll) {
  const auto paths = AddScans(3);
  EXPECT_TRUE(list->isEnabled());
  form.ChooseFile(paths[1]);
  ASSERT_EQ(dialogs.messages.size(), 1u);
  EXPECT_EQ(dialogs.messages[0].text, "File already selected!, please try again");
  EXPECT_EQ(dialogs.messages[0].title, "Error");
  EXPECT_EQ(dialogs.messages[0].icon, MessageIcon::Exclamation);
  EXPECT_EQ(list->count(), 3);

  Click(form, "Chk_all");
  EXPECT_EQ(list->selectedItems().size(), 3);
  Click(form, "UnChk_all");
  EXPECT_EQ(list->selectedItems().size(), 0);

  const QRect second = list->visualItemRect(list->item(1));
  QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, second.center());
  QTest::mouseDClick(list->viewport(), Qt::LeftButton, {}, second.center());
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
  AddScans(16);
  Click(form, "Chk_all");
  Click(form, "com_plot");
  int curves = 0;
  for (const PlotOp& op : graph->Ops()) curves += op.kind == PlotOp::LineTo && op.x == 36;
  EXPECT_EQ(curves, 16);
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
  form.ChooseFile(QString::fromStdString(folder.Write("short.spu", "only\r\nthree\r\nlines\r\n")));
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
  QTest::mouseClick(folders->viewport(), Qt::LeftButton, {}, folders->visualItemRect(folders->item(0)).center());
  EXPECT_EQ(form.cursor().shape(), Qt::WaitCursor);
  EXPECT_TRUE(timer->isActive());
  EXPECT_EQ(timer->interval(), 5000);
  emit timer->timeout({});
  EXPECT_NE(form.cursor().shape(), Qt::WaitCursor);
  EXPECT_FALSE(timer->isActive());
}

TEST(Form14, PathStaysAndTheFormatNoteIsShown) {
  ScriptedDialogs dialogs;
  Program program(dialogs, QDir::currentPath());
  ReferenceFileWindow& form = program.Form14();
  EXPECT_EQ(&form, &program.Form14());
  EXPECT_EQ(form.windowTitle(), "Reference and Index");
  EXPECT_EQ(Child<QLabel>(form, "Label2")->text(), "reference file:");
  EXPECT_EQ(Child<QLabel>(form, "Label1")->text(), "files must have .ref extension");
  EXPECT_EQ(Child<QPlainTextEdit>(form, "Text4")->toPlainText().split('\n'),
            (QStringList{"", "reference ", "file format: ", "ASCII comma-delimited", "310,.xxxx", "311,.xxxx", ".",
                         ".", "1130,.xxxx", "Or it just won't work"}));
  EXPECT_EQ(Child<QAbstractButton>(form, "Command1")->text(), "Open reference file");
  EXPECT_EQ(Child<FolderBrowser>(form, {})->Pattern(), "*.ref");

  TempFolder folder;
  const std::string path = folder.Write("panel.ref", "310,0.9\r\n");
  Child<FolderBrowser>(form, {})->SetFolder(QString::fromStdString(folder.Path().string()));
  form.show();
  auto* files = Child<QListWidget>(form, "File1");
  ASSERT_EQ(files->count(), 1);
  QTest::mouseClick(files->viewport(), Qt::LeftButton, {}, files->visualItemRect(files->item(0)).center());
  EXPECT_EQ(Child<QLineEdit>(form, "Text1")->text().toStdString(), path);
  Click(form, "Command1");
  EXPECT_FALSE(form.isVisible());
  EXPECT_EQ(form.ReferenceFilePath(), path);
  // Offered again the next time.
  form.show();
  EXPECT_EQ(form.ReferenceFilePath(), path);
  form.hide();
}

}  // namespace
}  // namespace corvelane::gui
