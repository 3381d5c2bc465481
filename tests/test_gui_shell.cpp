// The start-up window, the About window, the program-wide state, the small
// input windows of the wavelength sources and the leaf header, and what the
// desktop program does around its windows: the real message boxes and save
// dialogs, and windows kept within the screen.
#include <gtest/gtest.h>
#include <sys/wait.h>

#include <QAbstractButton>
#include <QAbstractScrollArea>
#include <QAbstractSpinBox>
#include <QApplication>
#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QFileDialog>
#include <QFontInfo>
#include <QFontMetrics>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMessageBox>
#include <QPlainTextEdit>
#include <QPointer>
#include <QProgressBar>
#include <QPushButton>
#include <QRegularExpression>
#include <QScreen>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>
#include <algorithm>
#include <cstdlib>
#include <functional>
#include <memory>
#include <string>
#include <tuple>
#include <vector>

#include "calibration/dc_calibration_window.h"
#include "calibration/equation_window.h"
#include "calibration/external_file_window.h"
#include "calibration/new_instrument_window.h"
#include "convert/instrument_window.h"
#include "convert/program.h"
#include "headers/header_form_window.h"
#include "indices/index_count_window.h"
#include "indices/index_list_window.h"
#include "indices/index_run_window.h"
#include "instruments/variant.h"
#include "reference/calculate_reference_window.h"
#include "reference/reference_file_window.h"
#include "shell/about_window.h"
#include "shell/screen_fit.h"
#include "shell/start_window.h"
#include "tests/gui_support.h"
#include "tests/test_support.h"
#include "widgets/dialogs.h"
#include "widgets/folder_browser_widget.h"

namespace corvelane::gui {
namespace {

using namespace corvelane::testing;

// --- Every control carries its design name

// True for the widgets a user works with; their inner parts (a combo box's
// list, a scroll area's viewport and bars) are not controls of their own.
bool IsControl(const QWidget* w) {
  return qobject_cast<const QAbstractButton*>(w) || qobject_cast<const QLineEdit*>(w) ||
         qobject_cast<const QComboBox*>(w) || qobject_cast<const QAbstractScrollArea*>(w) ||
         qobject_cast<const QGroupBox*>(w) || qobject_cast<const QProgressBar*>(w) ||
         qobject_cast<const QAbstractSpinBox*>(w);
}

// The controls of `window` without an objectName, by class and caption;
// `controls` counts the controls looked at.
QStringList UnnamedControls(const QWidget& window, int& controls) {
  QStringList unnamed;
  for (const QWidget* w : window.findChildren<QWidget*>()) {
    if (!IsControl(w)) continue;
    bool inner = false;
    for (const QWidget* up = w->parentWidget(); up != nullptr && up != &window; up = up->parentWidget())
      inner = inner || (IsControl(up) && !qobject_cast<const QGroupBox*>(up));
    if (inner) continue;
    ++controls;
    if (!w->objectName().isEmpty()) continue;
    const auto* b = qobject_cast<const QAbstractButton*>(w);
    unnamed << QString::fromLatin1(w->metaObject()->className()) + (b ? " \"" + b->text() + "\"" : QString());
  }
  return unnamed;
}

TEST(ShellWindowsTest, EveryControlOfEveryWindowHasItsName) {
  ScriptedDialogs dialogs;
  QTemporaryDir folder;  // where the calibration window writes inst.cof
  CurrentDirectory here(folder.path());
  Program program(dialogs, folder.path());
  StartWindow start(program);
  AboutWindow about;
  std::vector<QWidget*> windows = {&start,
                                   &about,
                                   &program.Equation(),
                                   &program.ExternalFile(),
                                   &program.DcCalibration(),
                                   &program.TransectHeader(),
                                   &program.LeafHeader(),
                                   &program.CalculateReference(),
                                   &program.ReferenceFile(),
                                   &program.IndexCount(),
                                   &program.IndexList()};
  std::vector<std::unique_ptr<InstrumentWindow>> instruments;
  for (const InstrumentVariant& v : AllVariants()) {
    instruments.push_back(std::make_unique<InstrumentWindow>(program, v));
    windows.push_back(instruments.back().get());
  }
  for (QWidget* w : windows) {
    EXPECT_FALSE(w->objectName().isEmpty()) << w->windowTitle().toStdString();
    int controls = 0;
    EXPECT_EQ(UnnamedControls(*w, controls).join(", ").toStdString(), "") << w->objectName().toStdString();
    EXPECT_GT(controls, 0) << w->objectName().toStdString();
  }
}

// --- Start-up window

class StartWindowTest : public ::testing::Test {
 protected:
  ScriptedDialogs dialogs;
  Program program{dialogs, QDir::currentPath()};
  StartWindow window{program};
  QPushButton* Button(const char* name) { return Child<QPushButton>(window, name); }
};

TEST_F(StartWindowTest, NineButtonsInOneColumnInTabOrderAllAvailable) {
  window.show();
  ASSERT_TRUE(QTest::qWaitForWindowExposed(&window));
  EXPECT_EQ(window.findChildren<QPushButton*>().size(), 9);
  QPushButton* previous = nullptr;
  for (const char* name : {"cmdUnispecN", "cmdUniDC", "cmdUnispecNew", "cmdUnispecC", "cmdGER1500", "cmdGER2600",
                           "cmd_proc", "cmdQuit", "cmdAbout"}) {
    QPushButton* b = Button(name);
    ASSERT_NE(b, nullptr);
    EXPECT_TRUE(b->isEnabled()) << name;  // each says what it opens: ToolTipsTest
    if (previous != nullptr) {
      EXPECT_EQ(b->x(), previous->x()) << name << " is not in the same column";
      EXPECT_EQ(b->size(), previous->size()) << name << " differs in size";
      EXPECT_GT(b->y(), previous->y()) << name << " is out of order";
    }
    previous = b;
  }
  const QStringList tabOrder = {"cmdUnispecN",   "cmdGER1500", "cmdGER2600", "cmdQuit", "cmdUnispecC",
                                "cmdUnispecNew", "cmdUniDC",   "cmdAbout",   "cmd_proc"};
  QStringList chain;
  for (QWidget* w = Button("cmdUnispecN"); w != nullptr && chain.size() < tabOrder.size(); w = w->nextInFocusChain())
    if (qobject_cast<QPushButton*>(w) != nullptr) chain << w->objectName();
  EXPECT_EQ(chain, tabOrder);

  // Escape does nothing; Quit asks, and only Ok ends the program.
  QSignalSpy finished(&window, &QDialog::finished);
  QTest::keyClick(&window, Qt::Key_Escape);
  EXPECT_TRUE(window.isVisible());
  dialogs.messageAnswers = {MessageAnswer::Cancel, MessageAnswer::Ok};
  Click(window, "cmdQuit");
  ASSERT_NO_FATAL_FAILURE(ExpectOneMessage(dialogs, "Do you want to quit Corvelane?", "Corvelane", MessageIcon::None));
  EXPECT_EQ(dialogs.messages[0].buttons, MessageButtons::OkCancel);
  EXPECT_TRUE(window.isVisible());
  EXPECT_EQ(finished.count(), 0);
  Click(window, "cmdQuit");
  EXPECT_EQ(dialogs.messages.size(), 2u);
  EXPECT_FALSE(window.isVisible());
  EXPECT_EQ(finished.count(), 1);
}

// The conversion windows and the index window alike.
TEST_F(StartWindowTest, ItsWindowsAreKeptWhenHiddenAndMadeAfreshAfterTheCloseBox) {
  window.show();
  struct Opener {
    const char* button;
    std::string form;
    std::function<QWidget*()> existing;
  };
  const auto instrument = [this](const char* button, Format format) {
    const int i = static_cast<int>(&VariantOf(format) - AllVariants().data());
    return Opener{button, std::string(VariantOf(format).windowName), [this, i] { return window.ExistingWindow(i); }};
  };
  const std::vector<Opener> buttons = {instrument("cmdUnispecN", Format::UniSpecOld),
                                       instrument("cmdUnispecNew", Format::UniSpecNew),
                                       instrument("cmdUnispecC", Format::UniSpecCompact),
                                       instrument("cmdGER1500", Format::Ger1500),
                                       instrument("cmdGER2600", Format::Ger2600),
                                       instrument("cmdUniDC", Format::UniSpecDc),
                                       {"cmd_proc", "Form18", [this] { return window.ExistingIndexWindow(); }}};
  for (const auto& [name, form, existing] : buttons) {
    EXPECT_EQ(existing(), nullptr) << name;
    EXPECT_EQ(OpenAndLeave(Button(name), false).toStdString(), form) << name;
    QPointer<QWidget> first = existing();
    ASSERT_FALSE(first.isNull()) << name;
    first->setProperty("marked", true);

    OpenAndLeave(Button(name), false);
    EXPECT_EQ(existing(), first.data()) << name << ": a hidden window is shown again, not rebuilt";
    OpenAndLeave(Button(name), true);
    EXPECT_TRUE(first.isNull()) << name << ": the close box discards the window";
    EXPECT_EQ(existing(), nullptr) << name;
    OpenAndLeave(Button(name), false);
    ASSERT_NE(existing(), nullptr) << name;
    EXPECT_FALSE(existing()->property("marked").isValid()) << name << ": not a new window";
  }
}

// The executable opens the windows from its module (a module that cannot be
// loaded would say so instead of this), which without a display explains the
// command line and fails.
TEST(ShellDesktopTest, WithoutADisplayTheExecutableExplainsTheCommandLineAndFails) {
  using corvelane::testing::ReadAll;
  using corvelane::testing::ShellQuote;
  const corvelane::testing::TempFolder logs;
  const std::string errPath = logs.File("stderr.log");
  const std::string command = "env -u DISPLAY -u WAYLAND_DISPLAY -u QT_QPA_PLATFORM " + ShellQuote(CORVELANE_EXE) +
                              " >/dev/null 2>" + ShellQuote(errPath) + " </dev/null";
  const int status = std::system(command.c_str());
  ASSERT_TRUE(WIFEXITED(status));
  EXPECT_EQ(WEXITSTATUS(status), 1);
  const std::string said = ReadAll(errPath);
  for (const char* part :
       {"the desktop program needs a graphical display", "corvelane convert FORMAT --reflectance OUT SCAN...",
        "corvelane check FORMAT --errors FILE SCAN...", "corvelane --help"})
    EXPECT_NE(said.find(part), std::string::npos) << part << " not in " << said;
}

// --- About window: the README of the current directory, read when first
// shown, else the first readable of the help files shipped with the program;
// in a fixed-width font, unwrapped.

TEST(AboutWindowTest, ShowsTheReadmeAsFoundWhenFirstShownOrTheApology) {
  const QString help = QString::fromUtf8(
      "  Corvelane help\n\nConvert scans   into tables.\n\tWavelengths in \xc3\x85ngstr\xc3\xb6m? No: nm.\n<b>not "
      "bold</b>\n");
  const QString apology = "Sorry, no help file was found, please look for a README file for help.";
  const QString table = "| control | role |\n|---------|------|\n";
  const std::vector<std::tuple<const char*, std::function<void(const QDir&)>, QString>> cases = {
      {"UTF-8", [&help](const QDir& d) { WriteFile(d.filePath("README"), help.toUtf8()); }, help},
      {"Latin-1", [](const QDir& d) { WriteFile(d.filePath("README"), "Temp\xe9rature 25\xb0"); },
       QString::fromUtf8("Temp\xc3\xa9rature 25\xc2\xb0")},
      {"missing", [](const QDir&) {}, apology},
      {"a folder", [](const QDir& d) { d.mkdir("README"); }, apology},
      {"shipped",
       [&table](const QDir& d) {
         d.mkdir("shipped");
         WriteFile(d.filePath("shipped/README"), table.toUtf8());
       },
       table}};
  for (const auto& [what, make, expected] : cases) {
    QTemporaryDir folder;
    CurrentDirectory here(folder.path());
    const QDir d(folder.path());
    // Made before the README; the shipped places are a missing one and one of the folder.
    AboutWindow about(QStringList{d.filePath("missing/README"), d.filePath("shipped/README")});
    make(d);
    about.show();
    auto* text1 = Child<QPlainTextEdit>(about, "Text1");
    EXPECT_EQ(text1->toPlainText(), expected) << what;
    EXPECT_TRUE(text1->isReadOnly());
    EXPECT_EQ(text1->verticalScrollBarPolicy(), Qt::ScrollBarAlwaysOn);
    EXPECT_EQ(text1->lineWrapMode(), QPlainTextEdit::NoWrap);
    EXPECT_TRUE(QFontInfo(text1->font()).fixedPitch());
    // Done only hides; shown again, the README is not read again.
    Click(about, "cmdDone");
    EXPECT_FALSE(about.isVisible()) << what;
    d.rmdir("README");
    WriteFile(d.filePath("README"), "second text");
    about.show();
    EXPECT_EQ(text1->toPlainText(), expected) << what;
  }
  // The program's own list names the help text of this source tree.
  const QStringList shipped = AboutWindow::ShippedHelpFiles();
  EXPECT_TRUE(std::any_of(shipped.begin(), shipped.end(), [](const QString& f) { return QFile::exists(f); }));
}

// --- The small windows, single and hidden, kept with what a user left in them

TEST(SmallWindowsTest, EquationOkTakesThreeNumbersOnlyCancelSaysSoAllKeepTheTexts) {
  ScriptedDialogs dialogs;
  Program program(dialogs, QDir::currentPath());
  EquationWindow& form2 = program.Equation();
  EXPECT_FALSE(form2.isVisible());
  const EquationTexts& texts = program.Settings().equation;
  EXPECT_EQ(texts.a + texts.b + texts.c, "");
  EXPECT_EQ(texts.startChannel, 1);
  form2.show();
  for (const auto& [a, b, c, accepted] : std::vector<std::tuple<const char*, const char*, const char*, bool>>{
           {"300", "three", "0", false}, {"300", "3.3", "", false}, {"300", "3.3", "-1e-4", true}}) {
    dialogs.Clear();
    for (const auto& [box, text] : {std::pair{"txtCoeffA", a}, {"txtCoeffB", b}, {"txtCoeffC", c}})
      Type(form2, box, text);
    Click(form2, "Option1");
    Click(form2, "cmdOK");
    EXPECT_EQ(form2.isVisible(), !accepted) << b << " " << c;
    if (!accepted) {
      ExpectOneMessage(dialogs, "Coefficients must be numbers", "Error", MessageIcon::Exclamation);
      EXPECT_EQ(Child<QLineEdit>(form2, "txtCoeffB")->text(), b) << "what was typed stays";
    }
  }
  EXPECT_TRUE(dialogs.messages.empty());
  EXPECT_EQ(form2.result(), QDialog::Accepted);
  const EquationTexts t = program.Settings().equation;
  EXPECT_EQ(std::tie(t.a, t.b, t.c, t.startChannel), std::make_tuple("300", "3.3", "-1e-4", 0));

  form2.show();
  Type(form2, "txtCoeffA", "abc");
  Click(form2, "cmdCancel");
  EXPECT_FALSE(form2.isVisible());
  ExpectOneMessage(dialogs, "No Equation Selected", "Coefficients", MessageIcon::Information);
  dialogs.Clear();
  form2.show();
  Type(form2, "txtCoeffC", "0.5");
  form2.close();
  EXPECT_FALSE(form2.isVisible());
  EXPECT_TRUE(dialogs.messages.empty());
  EXPECT_EQ(&program.Equation(), &form2);
  EXPECT_EQ(texts.a + texts.c, "abc0.5") << "what the boxes hold, confirmed or not";
}

// Browsing in it moves its folder list, not the process; the start folder stays.
TEST(SmallWindowsTest, ExternalFileChosenBrowsedAndLeft) {
  QTemporaryDir folder;
  const QDir d(folder.path());
  for (const char* name : {"waves.txt", "waves", "A.SPT"}) WriteFile(d.filePath(name), "400\n");
  ASSERT_TRUE(d.mkdir("sub"));
  WriteFile(d.filePath("sub/inner.dat"), "1\n");
  ScriptedDialogs dialogs;
  const QString started = QDir::currentPath();
  Program program(dialogs, started);
  CurrentDirectory here(folder.path());
  const QString current = QDir::currentPath();
  ExternalFileWindow& form3 = program.ExternalFile();
  EXPECT_FALSE(form3.isVisible());
  form3.show();
  const auto list = [&form3](const char* name) { return Child<QListWidget>(form3, name); };
  // "*.*" lists every file, a name without a dot included.
  EXPECT_EQ(Items(list("File3")), (QStringList{"A.SPT", "waves", "waves.txt"}));
  EXPECT_EQ(Items(list("Dir3")), (QStringList{"..", "sub"}));
  EXPECT_EQ(Items(list("List3")), QStringList{});

  Click(form3, "cmdOK");
  ExpectOneMessage(dialogs, "No external file selected!", "Error", MessageIcon::Exclamation);
  EXPECT_TRUE(form3.isVisible());
  dialogs.Clear();
  ClickFile(list("File3"), "waves.txt");
  ClickFile(list("File3"), "waves");
  EXPECT_EQ(Items(list("List3")), QStringList{d.filePath("waves")}) << "List3 holds one file only";
  const std::string& path = program.Settings().externalWavelengthFile;
  EXPECT_EQ(path, "") << "the path is taken on OK only";
  Click(form3, "cmdOK");
  EXPECT_TRUE(dialogs.messages.empty());
  EXPECT_FALSE(form3.isVisible());
  EXPECT_EQ(path, d.filePath("waves").toStdString());
  form3.show();
  Click(form3, "cmdCancel");
  EXPECT_EQ(path, "");
  EXPECT_FALSE(form3.isVisible());
  ExpectOneMessage(dialogs, "No external file selected", "External", MessageIcon::Information);

  dialogs.Clear();
  form3.show();
  ClickFile(list("Dir3"), "sub", true);
  EXPECT_EQ(Items(list("File3")), QStringList{"inner.dat"});
  EXPECT_EQ(Items(list("Dir3")), QStringList{".."});
  ClickFile(list("File3"), "inner.dat");
  EXPECT_EQ(Items(list("List3")), QStringList{d.filePath("sub/inner.dat")});
  EXPECT_EQ(QDir::currentPath(), current) << "the folder list must not change the current directory";
  EXPECT_EQ(program.StartFolder(), started);
  ClickFile(list("Dir3"), "..", true);
  // Reopened, the window lists files written meanwhile.
  form3.hide();
  WriteFile(d.filePath("later.txt"), "1\n");
  form3.show();
  EXPECT_EQ(Items(list("File3")), (QStringList{"A.SPT", "later.txt", "waves", "waves.txt"}));

  // An unreadable drive: a complaint, and back to the folder's drive.
  auto* drive3 = Child<QComboBox>(form3, "Drive3");
  const QString before = drive3->currentText();
  drive3->addItem(d.filePath("no-such-volume"));
  drive3->setCurrentIndex(drive3->count() - 1);
  ExpectOneMessage(dialogs, " Drive Error!", "Error", MessageIcon::Exclamation);
  EXPECT_EQ(drive3->currentText(), before);
  EXPECT_TRUE(Items(list("File3")).contains("waves.txt"));
  EXPECT_EQ(&program.ExternalFile(), &form3);
}

// Typing starts in the first box, nothing selected, each time it opens.
TEST(SmallWindowsTest, LeafHeaderOkAndEscapeKeepTheTextsTheCloseBoxLosesThem) {
  ScriptedDialogs dialogs;
  Program program(dialogs, QDir::currentPath());
  HeaderFormWindow& form12 = program.LeafHeader();
  const LeafHeaderTexts& texts = program.Settings().leafHeader;
  EXPECT_FALSE(form12.isVisible());
  const auto box = [&form12](int n) { return Child<QLineEdit>(form12, QStringLiteral("Text%1").arg(n)); };
  const auto show = [&form12, &box] {
    form12.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&form12));
    QApplication::setActiveWindow(&form12);
    EXPECT_EQ(QApplication::focusWidget(), box(1));
    for (const QLineEdit* b : form12.findChildren<QLineEdit*>()) EXPECT_FALSE(b->hasSelectedText());
  };
  show();
  for (int n = 1; n <= 14; ++n) QTest::keyClicks(box(n), QStringLiteral("value %1").arg(n));
  QTest::keyClick(box(3), Qt::Key_Escape);
  EXPECT_EQ(texts[2], "value 3");
  Click(form12, "Command1");
  EXPECT_FALSE(form12.isVisible());
  for (int n = 1; n <= 14; ++n)
    EXPECT_EQ(texts[static_cast<std::size_t>(n - 1)], "value " + std::to_string(n)) << "Text" << n;
  show();
  EXPECT_EQ(box(7)->text(), "value 7") << "texts are offered again";
  form12.close();
  EXPECT_FALSE(form12.isVisible());
  for (const std::string& t : texts) EXPECT_EQ(t, "");
}

TEST(FolderBrowserTest, PatternsIgnoreLetterCaseMissingFoldersAreRefusedTheRootHasNoWayUp) {
  QTemporaryDir folder;
  const QDir d(folder.path());
  for (const char* name : {"b.spt", "A.SPT", "c.spu"}) WriteFile(d.filePath(name), "x");
  ScriptedDialogs dialogs;
  FolderBrowser browser(dialogs);
  ASSERT_TRUE(browser.SetFolder(folder.path()));
  browser.SetPattern("*.spt");
  EXPECT_EQ(Items(browser.FileList()), (QStringList{"A.SPT", "b.spt"}));
  browser.SetPattern("*.spt;*.spu");
  EXPECT_EQ(Items(browser.FileList()), (QStringList{"A.SPT", "b.spt", "c.spu"}));
  browser.show();
  QSignalSpy clicked(&browser, &FolderBrowser::fileClicked);
  ClickFile(browser.FileList(), "c.spu");
  ASSERT_EQ(clicked.count(), 1);
  EXPECT_EQ(clicked[0][0].toString(), d.filePath("c.spu"));

  EXPECT_FALSE(browser.SetFolder(d.filePath("missing")));
  EXPECT_FALSE(browser.SetFolder(QString()));
  EXPECT_EQ(browser.CurrentFolder(), d.absolutePath());
  EXPECT_TRUE(dialogs.messages.empty());
  ASSERT_TRUE(browser.SetFolder(QDir::rootPath()));
  EXPECT_FALSE(Items(browser.FolderList()).contains(".."));
  EXPECT_EQ(browser.PathOf("x.txt"), "/x.txt");
}

// The help text never calls a feature unavailable that a window offers: each
// sentence saying "not available" (or "not yet", "unavailable") is checked
// against the captions of every button the conversion windows enable.
TEST(AboutWindowTest, TheHelpDescribesNoEnabledFeatureAsUnavailable) {
  QFile help(QStringLiteral(CORVELANE_SAMPLES "/../share/README"));
  ASSERT_TRUE(help.open(QIODevice::ReadOnly)) << help.fileName().toStdString();
  const QString text = QString::fromUtf8(help.readAll()).simplified();
  QStringList denials;
  for (const QString& sentence : text.split(QRegularExpression(QStringLiteral("[.:;]\\s"))))
    if (sentence.contains(QStringLiteral("not available")) || sentence.contains(QStringLiteral("not yet")) ||
        sentence.contains(QStringLiteral("unavailable")))
      denials << sentence;
  ScriptedDialogs dialogs;
  QTemporaryDir start;
  Program program(dialogs, start.path());
  QStringList checked;
  for (const InstrumentVariant& v : AllVariants()) {
    InstrumentWindow window(program, v);
    window.PrepareForShow();
    for (const QAbstractButton* b : window.findChildren<QAbstractButton*>()) {
      const QString caption = b->text().remove(QLatin1Char('&')).trimmed();
      if (!b->isEnabled() || b->isHidden() || caption.size() < 4) continue;
      checked << caption;
      for (const QString& denial : denials)
        EXPECT_FALSE(denial.contains(QLatin1Char('"') + caption + QLatin1Char('"')))
            << v.caption << ": \"" << caption.toStdString()
            << "\" is enabled, but the help says: " << denial.toStdString();
    }
  }
  EXPECT_TRUE(checked.contains(QStringLiteral("Select Reference files")));
}

// Every button of the start, calibration, instrument editor, reference,
// index and Process Indices windows says what it does when the pointer rests
// on it, as the conversion windows' controls do.
TEST(ToolTipsTest, EveryButtonOfTheSmallWindowsHasATooltip) {
  ScriptedDialogs dialogs;
  QTemporaryDir start;
  CurrentDirectory here(start.path());
  Program program(dialogs, start.path());
  StartWindow startWindow(program);
  IndexRunWindow indices(program.UserDialogs(), program.IndexList(), program.Settings().indexList);
  const std::vector<std::pair<const char*, QWidget*>> windows = {
      {"start", &startWindow},
      {"calibrations", &program.DcCalibration()},
      {"instrument editor", &program.DcCalibration().InstrumentEditor()},
      {"Calculate Reference", &program.CalculateReference()},
      {"Reference and Index", &program.ReferenceFile()},
      {"Number of indices", &program.IndexCount()},
      {"Index name and formula", &program.IndexList()},
      {"Process Indices", &indices}};
  for (const auto& [name, window] : windows) {
    int buttons = 0;
    for (const QAbstractButton* b : window->findChildren<QAbstractButton*>()) {
      if (b->isHidden() && b->objectName().startsWith(QStringLiteral("Inst("))) continue;  // no instrument there
      if (b->objectName() == QStringLiteral("cmdCancelRun") || b->objectName().startsWith("qt_")) continue;
      ++buttons;
      EXPECT_FALSE(b->toolTip().isEmpty())
          << name << ": " << b->objectName().toStdString() << " \"" << b->text().toStdString() << "\" has no tooltip";
    }
    EXPECT_GT(buttons, 0) << name;
  }
}

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
