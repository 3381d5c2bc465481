// What the desktop program does around its windows: the real message boxes
// and save dialogs, and windows kept within the screen.
#include <gtest/gtest.h>

#include <QApplication>
#include <QDir>
#include <QFileDialog>
#include <QFontMetrics>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QScreen>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <functional>
#include <memory>
#include <string>
#include <tuple>
#include <vector>

#include "calibration/equation_window.h"
#include "calibration/external_file_window.h"
#include "convert/instrument_window.h"
#include "convert/program.h"
#include "headers/header_form_window.h"
#include "instruments/variant.h"
#include "shell/about_window.h"
#include "shell/screen_fit.h"
#include "shell/start_window.h"
#include "tests/gui_support.h"
#include "widgets/dialogs.h"

namespace corvelane::gui {
namespace {

using corvelane::testing::ScriptedDialogs;
using corvelane::testing::WhenModal;

// --- Save dialogs: where they open, how wide, what they remember

TEST(QtDialogsTest, SaveDialogsOpenWideInTheLastFolderChosenEvenWhenTyped) {
  QTemporaryDir results, elsewhere;
  QtDialogs dialogs;
  dialogs.SetSaveFolder(results.path());
  const QString typed = QDir(elsewhere.path()).filePath("refl.txt");
  const int wanted = std::min(800, QApplication::primaryScreen()->availableGeometry().width() * 8 / 10);
  std::vector<QString> openedIn;
  const auto answer = [&](const QString& path) {
    WhenModal(qApp, [&openedIn, path, wanted](QWidget* modal) {
      auto* dialog = qobject_cast<QFileDialog*>(modal);
      ASSERT_NE(dialog, nullptr);
      openedIn.push_back(QDir(dialog->directory()).absolutePath());
      EXPECT_GE(dialog->width(), wanted) << "too narrow for the name, size, type and date columns";
      if (path.isEmpty()) {
        dialog->reject();
        return;
      }
      dialog->findChild<QLineEdit*>(QStringLiteral("fileNameEdit"))->setText(path);
      static_cast<QDialog*>(dialog)->accept();  // as the Save button does
    });
  };
  answer(typed);  // a full path typed into the name box
  EXPECT_EQ(dialogs.AskSavePath(nullptr, "Save Reflectance File"), typed);
  answer({});
  EXPECT_EQ(dialogs.AskSavePath(nullptr, "Save Absorbance File"), QString());
  answer(QDir(elsewhere.path()).filePath("abs.txt"));
  dialogs.AskSavePath(nullptr, "Save Absorbance File");
  ASSERT_EQ(openedIn.size(), 3u);
  EXPECT_EQ(openedIn[0], QDir(results.path()).absolutePath());
  EXPECT_EQ(openedIn[1], QDir(elsewhere.path()).absolutePath());
  EXPECT_EQ(openedIn[2], QDir(elsewhere.path()).absolutePath()) << "a cancelled dialog forgets nothing";
}

// --- Message boxes: the title readable, details only when they add something

TEST(QtDialogsTest, MessageBoxesShowTheirTitleAndDetailsOnlyWhenTheyAddSomething) {
  QString longDetail;
  for (int i = 1; i <= 30; ++i) longDetail += QStringLiteral("scan%1.spt: line 12: not a number\n").arg(i);
  // detail, what the box shows under the text, what "Show Details..." holds
  const std::vector<std::tuple<QString, QString, QString>> cases = {
      {{}, {}, {}},
      {"a.spt: line 3: \"x\" is not a number", "a.spt: line 3: \"x\" is not a number", {}},
      {"<b>a.spt</b> ends early", "<b>a.spt</b> ends early", {}},
      {longDetail, longDetail.section('\n', 0, 5) + " \u2026", longDetail}};
  for (const auto& [detail, shown, more] : cases) {
    QtDialogs dialogs;
    int width = 0, titleWidth = 0;
    QString informative, detailed;
    Qt::TextFormat format = Qt::AutoText;
    WhenModal(qApp, [&](QWidget* modal) {
      auto* box = qobject_cast<QMessageBox*>(modal);
      ASSERT_NE(box, nullptr);
      width = box->width();
      titleWidth = QFontMetrics(box->font()).horizontalAdvance(box->windowTitle());
      informative = box->informativeText();
      detailed = box->detailedText();
      if (auto* label = box->findChild<QLabel*>(QStringLiteral("qt_msgbox_informativelabel")))
        format = label->textFormat();
      box->accept();
    });
    dialogs.ShowMessage(nullptr, {"Message", "    Files Ok    ", MessageIcon::None, MessageButtons::Ok, detail});
    EXPECT_GE(width, titleWidth + 150) << "room for the title and the title bar's buttons";
    EXPECT_EQ(informative, shown);
    EXPECT_EQ(detailed, more) << "Show Details... repeats what the box shows";
    if (!detail.isEmpty()) EXPECT_EQ(format, Qt::PlainText);
  }
}

// --- Windows within the screen

TEST(ScreenFitTest, FitWithinKeepsWhatFitsShrinksAndMovesTheRest) {
  const QRect screen(0, 0, 800, 500);
  const std::vector<std::tuple<const char*, QRect, QSize, QRect>> cases = {
      {"fits", {10, 20, 300, 200}, {100, 100}, {10, 20, 300, 200}},
      {"too large", {50, 50, 1179, 640}, {300, 200}, {0, 0, 800, 500}},
      {"off the right edge", {700, 450, 300, 200}, {100, 100}, {500, 300, 300, 200}},
      {"above the top", {-40, -30, 300, 200}, {100, 100}, {0, 0, 300, 200}},
      {"minimum wins", {0, 0, 1000, 1000}, {900, 100}, {0, 0, 900, 500}}};
  for (const auto& [what, frame, minimum, expected] : cases)
    EXPECT_EQ(FitWithin(frame, minimum, screen), expected) << what;
  EXPECT_EQ(FitWithin({5, 5, 50, 50}, {}, QRect(0, 0, 100, 100).translated(1600, 0)), QRect(1600, 5, 50, 50));
}

TEST(ScreenFitTest, EveryWindowOpensWithinTheAvailableScreen) {
  ScreenFit fit;
  qApp->installEventFilter(&fit);
  ScriptedDialogs dialogs;
  Program program(dialogs, QDir::currentPath());
  const QRect available = QApplication::primaryScreen()->availableGeometry();
  std::vector<std::unique_ptr<QWidget>> windows;
  windows.push_back(std::make_unique<StartWindow>(program));
  windows.push_back(std::make_unique<AboutWindow>());
  for (const InstrumentVariant& v : AllVariants()) windows.push_back(std::make_unique<InstrumentWindow>(program, v));
  for (QWidget* w :
       std::initializer_list<QWidget*>{&program.Equation(), &program.ExternalFile(), &program.LeafHeader()}) {
    w->show();
    EXPECT_TRUE(available.contains(w->geometry())) << w->objectName().toStdString();
    w->hide();
  }
  for (const auto& w : windows) {
    w->show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(w.get()));
    EXPECT_TRUE(available.contains(w->geometry()))
        << w->objectName().toStdString() << " at " << w->width() << "x" << w->height() << " on " << available.width()
        << "x" << available.height();
    w->hide();
  }
  qApp->removeEventFilter(&fit);
}

}  // namespace
}  // namespace corvelane::gui
