// Working with many files and reading what the windows show: several files
// chosen at once, the keyboard, the graphs' lettering, the status line.
#include <gtest/gtest.h>

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QImage>
#include <QListWidget>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>
#include <string>
#include <vector>

#include "widgets/folder_browser_widget.h"
#include "convert/preview_widget.h"
#include "convert/spectrum_preview.h"
#include "instruments/variant.h"
#include "tests/gui_support.h"

namespace corvelane::gui {
namespace {

using corvelane::testing::ScriptedDialogs;

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
          EXPECT_FALSE(texts[i].intersects(texts[j])) << "labels " << j << " and " << i << " overlap at "
                                                      << size.width() << "x" << size.height();
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

}  // namespace
}  // namespace corvelane::gui
