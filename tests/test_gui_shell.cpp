// The start-up window, the About window, the program-wide state and the small
// input windows of the wavelength sources and the leaf header.
#include <gtest/gtest.h>

#include <QApplication>
#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QGroupBox>
#include <QLabel>
#include <QLayout>
#include <QLineEdit>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QPointer>
#include <QPushButton>
#include <QRadioButton>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <cstdlib>
#include <memory>
#include <string>
#include <vector>

#include "calibration/equation_window.h"
#include "calibration/external_file_window.h"
#include "convert/folder_browser_widget.h"
#include "convert/instrument_window.h"
#include "headers/leaf_header_window.h"
#include "instruments/variant.h"
#include "shell/about_window.h"
#include "shell/desktop.h"
#include "shell/program.h"
#include "shell/start_window.h"
#include "tests/gui_support.h"

namespace corvelane::gui {
namespace {

using corvelane::testing::ScriptedDialogs;

// Makes `path` the process's current directory until the end of the scope.
class CurrentDirectory {
 public:
  explicit CurrentDirectory(const QString& path) : previous_(QDir::currentPath()) { QDir::setCurrent(path); }
  ~CurrentDirectory() { QDir::setCurrent(previous_); }

 private:
  QString previous_;
};

void WriteFile(const QString& path, const QByteArray& bytes) {
  QFile f(path);
  ASSERT_TRUE(f.open(QIODevice::WriteOnly)) << path.toStdString();
  f.write(bytes);
}

template <typename T>
T* Child(QWidget& parent, const char* name) {
  T* w = parent.findChild<T*>(QString::fromLatin1(name));
  EXPECT_NE(w, nullptr) << "no control " << name;
  return w;
}

QStringList Items(const QListWidget* list) {
  QStringList out;
  for (int i = 0; i < list->count(); ++i) out << list->item(i)->text();
  return out;
}

void ClickItem(QListWidget* list, const QString& text) {
  const auto found = list->findItems(text, Qt::MatchExactly);
  ASSERT_EQ(found.size(), 1) << text.toStdString();
  list->scrollToItem(found.front());
  QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, list->visualItemRect(found.front()).center());
}

void DoubleClickItem(QListWidget* list, const QString& text) {
  const auto found = list->findItems(text, Qt::MatchExactly);
  ASSERT_EQ(found.size(), 1) << text.toStdString();
  list->scrollToItem(found.front());
  // A double click is a press and release followed by a second press that
  // the platform reports as a double click.
  const QPoint at = list->visualItemRect(found.front()).center();
  QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, at);
  QTest::mouseDClick(list->viewport(), Qt::LeftButton, {}, at);
}

int FormatIndex(Format format) {
  const auto all = AllVariants();
  for (std::size_t i = 0; i < all.size(); ++i)
    if (all[i].format == format) return static_cast<int>(i);
  return -1;
}

// ---------------------------------------------------------------------------
// Start-up window

class StartWindowTest : public ::testing::Test {
 protected:
  ScriptedDialogs dialogs;
  Program program{dialogs, QDir::currentPath()};
  StartWindow window{program};
  QPushButton* Button(const char* name) { return Child<QPushButton>(window, name); }
};

TEST_F(StartWindowTest, NineButtonsInOneColumnWithTheirCaptionsInOrder) {
  EXPECT_EQ(window.objectName(), "frmInitial");
  EXPECT_EQ(window.windowTitle(), "Corvelane ");
  const std::vector<std::pair<QString, QString>> expected = {
      {"cmdUnispecN", "UNISPEC-OLD"}, {"cmdUniDC", "UNI-DC "},         {"cmdUnispecNew", "UNISPEC-NEW"},
      {"cmdUnispecC", "UNISPEC-COMP"}, {"cmdGER1500", "GER1500"},      {"cmdGER2600", "GER2600"},
      {"cmd_proc", "Process Indices"}, {"cmdQuit", "&Quit"},           {"cmdAbout", "About - Help"}};
  window.show();
  ASSERT_TRUE(QTest::qWaitForWindowExposed(&window));
  EXPECT_EQ(window.findChildren<QPushButton*>().size(), 9);
  QPushButton* previous = nullptr;
  for (const auto& [name, caption] : expected) {
    QPushButton* b = Button(name.toLatin1().constData());
    ASSERT_NE(b, nullptr);
    EXPECT_EQ(b->text(), caption) << name.toStdString();
    if (previous != nullptr) {
      EXPECT_EQ(b->x(), previous->x()) << name.toStdString() << " is not in the same column";
      EXPECT_EQ(b->size(), previous->size()) << name.toStdString() << " differs in size";
      EXPECT_GT(b->y(), previous->y()) << name.toStdString() << " is out of order";
    }
    previous = b;
  }
}

TEST_F(StartWindowTest, TabOrderFollowsTheGivenSequence) {
  const QStringList expected = {"cmdUnispecN", "cmdGER1500",    "cmdGER2600", "cmdQuit", "cmdUnispecC",
                                "cmdUnispecNew", "cmdUniDC", "cmdAbout", "cmd_proc"};
  QStringList chain;
  QWidget* w = Button("cmdUnispecN");
  for (int guard = 0; w != nullptr && guard < 100 && chain.size() < expected.size(); ++guard) {
    if (qobject_cast<QPushButton*>(w) != nullptr) chain << w->objectName();
    w = w->nextInFocusChain();
  }
  EXPECT_EQ(chain, expected);
}

TEST_F(StartWindowTest, WindowsNotYetAvailableHaveDisabledButtonsThatSaySo) {
  for (const char* name : {"cmdUniDC", "cmd_proc"}) {
    EXPECT_FALSE(Button(name)->isEnabled()) << name;
    EXPECT_EQ(Button(name)->toolTip(), "This window is not available yet.") << name;
  }
  for (const char* name : {"cmdUnispecN", "cmdUnispecNew", "cmdUnispecC", "cmdGER1500", "cmdGER2600", "cmdQuit",
                           "cmdAbout"})
    EXPECT_TRUE(Button(name)->isEnabled()) << name;
}

TEST_F(StartWindowTest, QuitCancelKeepsTheProgramRunning) {
  window.show();
  QSignalSpy finished(&window, &QDialog::finished);
  dialogs.messageAnswers.push_back(MessageAnswer::Cancel);
  QTest::mouseClick(Button("cmdQuit"), Qt::LeftButton);
  ASSERT_EQ(dialogs.messages.size(), 1u);
  const MessageRequest& asked = dialogs.messages.front();
  EXPECT_EQ(asked.text, "Do you want to quit Corvelane?");
  EXPECT_EQ(asked.title, "Corvelane");
  EXPECT_EQ(asked.icon, MessageIcon::None);
  EXPECT_EQ(asked.buttons, MessageButtons::OkCancel);
  EXPECT_TRUE(window.isVisible());
  EXPECT_EQ(finished.count(), 0);
}

TEST_F(StartWindowTest, QuitOkEndsTheProgram) {
  window.show();
  QSignalSpy finished(&window, &QDialog::finished);
  dialogs.messageAnswers.push_back(MessageAnswer::Ok);
  QTest::mouseClick(Button("cmdQuit"), Qt::LeftButton);
  EXPECT_EQ(dialogs.messages.size(), 1u);
  EXPECT_FALSE(window.isVisible());
  EXPECT_EQ(finished.count(), 1);
}

TEST_F(StartWindowTest, EscapeDoesNotEndTheProgramWithoutTheQuestion) {
  window.show();
  ASSERT_TRUE(QTest::qWaitForWindowExposed(&window));
  QSignalSpy finished(&window, &QDialog::finished);
  QTest::keyClick(&window, Qt::Key_Escape);
  EXPECT_TRUE(window.isVisible());
  EXPECT_EQ(finished.count(), 0);
}

// Leaves the modal window that the next button press opens, as the user
// would: hidden by the window itself, or closed with the close box.
void LeaveModalWindow(bool closeBox, QString* seenName) {
  QTimer::singleShot(0, [closeBox, seenName] {
    QWidget* modal = QApplication::activeModalWidget();
    if (modal == nullptr) return;
    *seenName = modal->objectName();
    if (closeBox)
      modal->close();
    else
      modal->hide();
  });
}

TEST_F(StartWindowTest, InstrumentWindowIsKeptWhenHiddenAndMadeAfreshAfterTheCloseBox) {
  window.show();
  const int index = FormatIndex(Format::UniSpecOld);
  EXPECT_EQ(window.ExistingWindow(index), nullptr);

  QString seen;
  LeaveModalWindow(false, &seen);
  QTest::mouseClick(Button("cmdUnispecN"), Qt::LeftButton);
  EXPECT_EQ(seen, "Form1");
  QPointer<InstrumentWindow> first = window.ExistingWindow(index);
  ASSERT_FALSE(first.isNull());
  EXPECT_EQ(first->Variant().format, Format::UniSpecOld);
  first->setProperty("marked", true);

  LeaveModalWindow(false, &seen);
  QTest::mouseClick(Button("cmdUnispecN"), Qt::LeftButton);
  EXPECT_EQ(window.ExistingWindow(index), first.data()) << "a hidden window must be shown again, not rebuilt";

  LeaveModalWindow(true, &seen);
  QTest::mouseClick(Button("cmdUnispecN"), Qt::LeftButton);
  EXPECT_TRUE(first.isNull()) << "the close box discards the window";
  EXPECT_EQ(window.ExistingWindow(index), nullptr);

  LeaveModalWindow(false, &seen);
  QTest::mouseClick(Button("cmdUnispecN"), Qt::LeftButton);
  InstrumentWindow* again = window.ExistingWindow(index);
  ASSERT_NE(again, nullptr);
  EXPECT_FALSE(again->property("marked").isValid()) << "the reopened window must be a new one";
}

TEST_F(StartWindowTest, EachInstrumentButtonOpensItsOwnFormat) {
  const std::vector<std::pair<const char*, Format>> buttons = {{"cmdUnispecN", Format::UniSpecOld},
                                                               {"cmdUnispecNew", Format::UniSpecNew},
                                                               {"cmdUnispecC", Format::UniSpecCompact},
                                                               {"cmdGER1500", Format::Ger1500},
                                                               {"cmdGER2600", Format::Ger2600}};
  window.show();
  for (const auto& [name, format] : buttons) {
    QString seen;
    LeaveModalWindow(false, &seen);
    QTest::mouseClick(Button(name), Qt::LeftButton);
    const auto expected = VariantOf(format).windowName;
    EXPECT_EQ(seen.toStdString(), std::string(expected)) << name;
    InstrumentWindow* w = window.ExistingWindow(FormatIndex(format));
    ASSERT_NE(w, nullptr) << name;
    EXPECT_EQ(w->Variant().format, format) << name;
  }
}

// ---------------------------------------------------------------------------
// Program-wide state

TEST(ShellProgramTest, StartFolderStaysWhenTheCurrentDirectoryOrAFolderListMoves) {
  QTemporaryDir elsewhere;
  ASSERT_TRUE(elsewhere.isValid());
  ASSERT_TRUE(QDir(elsewhere.path()).mkdir("scans"));
  ScriptedDialogs dialogs;
  const QString started = QDir::currentPath();
  Program program(dialogs, started);

  // Browsing in a folder list moves the list, not the process.
  ExternalFileWindow& form3 = program.Form3();
  form3.show();
  auto* dir3 = Child<QListWidget>(form3, "Dir3");
  ASSERT_NE(dir3, nullptr);
  auto* browser = form3.findChild<FolderBrowser*>();
  ASSERT_NE(browser, nullptr);
  ASSERT_TRUE(browser->SetFolder(elsewhere.path()));
  DoubleClickItem(dir3, "scans");
  EXPECT_EQ(browser->CurrentFolder(), QDir(elsewhere.path()).filePath("scans"));
  EXPECT_EQ(QDir::currentPath(), started) << "the folder list must not change the current directory";
  EXPECT_EQ(program.StartFolder(), started);

  {
    CurrentDirectory moved(elsewhere.path());
    EXPECT_EQ(program.StartFolder(), started);
  }
  form3.hide();
}

TEST(ShellProgramTest, SmallWindowsAreSingleHiddenInstances) {
  ScriptedDialogs dialogs;
  Program program(dialogs, QDir::currentPath());
  EquationWindow* form2 = &program.Form2();
  ExternalFileWindow* form3 = &program.Form3();
  LeafHeaderWindow* form12 = &program.Form12();
  EXPECT_EQ(form2->objectName(), "Form2");
  EXPECT_EQ(form3->objectName(), "Form3");
  EXPECT_EQ(form12->objectName(), "Form12");
  EXPECT_FALSE(form2->isVisible());
  EXPECT_FALSE(form3->isVisible());
  EXPECT_FALSE(form12->isVisible());

  // What one user left in them is what the next reader finds.
  Child<QLineEdit>(*form2, "txtCoeffA")->setText("300");
  EXPECT_EQ(&program.Form2(), form2);
  EXPECT_EQ(program.Form2().Texts().a, "300");
  EXPECT_EQ(&program.Form3(), form3);
  EXPECT_EQ(&program.Form12(), form12);
}

TEST(ShellDesktopTest, WithoutADisplayExplainsTheCommandLineAndFails) {
  const QByteArray display = qgetenv("DISPLAY");
  const QByteArray wayland = qgetenv("WAYLAND_DISPLAY");
  const QByteArray platform = qgetenv("QT_QPA_PLATFORM");
  qunsetenv("DISPLAY");
  qunsetenv("WAYLAND_DISPLAY");
  qunsetenv("QT_QPA_PLATFORM");
  char program[] = "corvelane";
  char* argv[] = {program, nullptr};
  ::testing::internal::CaptureStderr();
  const int rc = RunDesktop(1, argv);
  const std::string said = ::testing::internal::GetCapturedStderr();
  if (!display.isNull()) qputenv("DISPLAY", display);
  if (!wayland.isNull()) qputenv("WAYLAND_DISPLAY", wayland);
  if (!platform.isNull()) qputenv("QT_QPA_PLATFORM", platform);

  EXPECT_EQ(rc, 1);
  EXPECT_NE(said.find("display"), std::string::npos) << said;
  EXPECT_NE(said.find("corvelane convert FORMAT --reflectance OUT SCAN..."), std::string::npos) << said;
  EXPECT_NE(said.find("corvelane check FORMAT --errors FILE SCAN..."), std::string::npos) << said;
  EXPECT_NE(said.find("corvelane --help"), std::string::npos) << said;
}

// ---------------------------------------------------------------------------
// About window

class AboutWindowTest : public ::testing::Test {
 protected:
  QTemporaryDir folder;
  void SetUp() override { ASSERT_TRUE(folder.isValid()); }
  QString ReadmePath() const { return QDir(folder.path()).filePath("README"); }
};

TEST_F(AboutWindowTest, ShowsTheReadmeOfTheCurrentDirectoryUnchanged) {
  const QString help = QString::fromUtf8(
      "  Corvelane help\n\nConvert scans   into tables.\n\tWavelengths in \xc3\x85ngstr\xc3\xb6m? No: nm.\n<b>not bold</b>\n");
  WriteFile(ReadmePath(), help.toUtf8());
  CurrentDirectory here(folder.path());
  AboutWindow about;
  EXPECT_EQ(about.objectName(), "Form17");
  EXPECT_EQ(about.windowTitle(), "About this version");
  about.show();
  auto* text1 = Child<QPlainTextEdit>(about, "Text1");
  ASSERT_NE(text1, nullptr);
  EXPECT_EQ(text1->toPlainText(), help);
  EXPECT_TRUE(text1->isReadOnly());
  EXPECT_EQ(text1->verticalScrollBarPolicy(), Qt::ScrollBarAlwaysOn);
}

TEST_F(AboutWindowTest, WithoutReadmeShowsTheApology) {
  CurrentDirectory here(folder.path());
  AboutWindow about;
  about.show();
  EXPECT_EQ(Child<QPlainTextEdit>(about, "Text1")->toPlainText(),
            "Sorry, no help file was found, please look for a README file for help.");
}

TEST_F(AboutWindowTest, ReadmeThatIsAFolderGivesTheApology) {
  ASSERT_TRUE(QDir(folder.path()).mkdir("README"));
  CurrentDirectory here(folder.path());
  AboutWindow about;
  about.show();
  EXPECT_EQ(Child<QPlainTextEdit>(about, "Text1")->toPlainText(),
            "Sorry, no help file was found, please look for a README file for help.");
}

TEST_F(AboutWindowTest, ReadOnceAndDoneOnlyHides) {
  WriteFile(ReadmePath(), "first text");
  CurrentDirectory here(folder.path());
  AboutWindow about;
  about.show();
  auto* done = Child<QPushButton>(about, "cmdDone");
  ASSERT_NE(done, nullptr);
  EXPECT_EQ(done->text(), "Done");
  QTest::mouseClick(done, Qt::LeftButton);
  EXPECT_FALSE(about.isVisible());

  WriteFile(ReadmePath(), "second text");
  about.show();
  EXPECT_EQ(Child<QPlainTextEdit>(about, "Text1")->toPlainText(), "first text");
}

TEST_F(AboutWindowTest, NotReadBeforeItIsFirstShown) {
  CurrentDirectory here(folder.path());
  AboutWindow about;  // created before the README exists
  WriteFile(ReadmePath(), "written later");
  about.show();
  EXPECT_EQ(Child<QPlainTextEdit>(about, "Text1")->toPlainText(), "written later");
}

TEST_F(AboutWindowTest, ReadmeInLatin1StillShows) {
  WriteFile(ReadmePath(), QByteArray("Temp\xe9rature 25\xb0"));
  CurrentDirectory here(folder.path());
  AboutWindow about;
  about.show();
  EXPECT_EQ(Child<QPlainTextEdit>(about, "Text1")->toPlainText(), QString::fromUtf8("Temp\xc3\xa9rature 25\xc2\xb0"));
}

// ---------------------------------------------------------------------------
// "Get coeffecients"

class EquationWindowTest : public ::testing::Test {
 protected:
  ScriptedDialogs dialogs;
  EquationWindow window{dialogs};
  QLineEdit* Box(const char* name) { return Child<QLineEdit>(window, name); }
  void Type(const char* name, const QString& text) {
    Box(name)->clear();
    QTest::keyClicks(Box(name), text);
  }
};

TEST_F(EquationWindowTest, StartsEmptyWithChannelOneAndTheGivenCaptions) {
  EXPECT_EQ(window.windowTitle(), "Get coeffecients");
  for (const char* name : {"txtCoeffA", "txtCoeffB", "txtCoeffC"}) EXPECT_TRUE(Box(name)->text().isEmpty()) << name;
  QStringList labels;
  for (const QLabel* l : window.findChildren<QLabel*>()) labels << l->text();
  for (const char* caption : {"Coeffecient 'A' :", "Coeffecient 'B' :", "Coeffecient 'C' :",
                              "equation:  A + B*(wave) + C*(wave)^2"})
    EXPECT_TRUE(labels.contains(caption)) << caption;
  EXPECT_EQ(Child<QGroupBox>(window, "Frame1")->title(), "Begining wave");
  EXPECT_EQ(Child<QRadioButton>(window, "Option1")->text(), "0");
  EXPECT_EQ(Child<QRadioButton>(window, "Option2")->text(), "1");
  EXPECT_TRUE(Child<QRadioButton>(window, "Option2")->isChecked());
  EXPECT_EQ(Child<QPushButton>(window, "cmdOK")->text(), "&OK");
  EXPECT_EQ(Child<QPushButton>(window, "cmdCancel")->text(), "&Cancel");
  EXPECT_EQ(window.Texts().startChannel, 1);
}

TEST_F(EquationWindowTest, TextsAreWhatWasTypedAndTheChosenStartChannel) {
  window.show();
  Type("txtCoeffA", "300");
  Type("txtCoeffB", "3.3");
  Type("txtCoeffC", "-1e-4");
  QTest::mouseClick(Child<QRadioButton>(window, "Option1"), Qt::LeftButton);
  const EquationTexts t = window.Texts();
  EXPECT_EQ(t.a, "300");
  EXPECT_EQ(t.b, "3.3");
  EXPECT_EQ(t.c, "-1e-4");
  EXPECT_EQ(t.startChannel, 0);
}

TEST_F(EquationWindowTest, OkWithNonNumbersComplainsAndStaysOpen) {
  window.show();
  Type("txtCoeffA", "300");
  Type("txtCoeffB", "three");
  Type("txtCoeffC", "0");
  QTest::mouseClick(Child<QPushButton>(window, "cmdOK"), Qt::LeftButton);
  ASSERT_EQ(dialogs.messages.size(), 1u);
  EXPECT_EQ(dialogs.messages[0].text, "Coefficients must be numbers");
  EXPECT_EQ(dialogs.messages[0].title, "Error");
  EXPECT_EQ(dialogs.messages[0].icon, MessageIcon::Exclamation);
  EXPECT_TRUE(window.isVisible());
  EXPECT_EQ(Box("txtCoeffB")->text(), "three");
}

TEST_F(EquationWindowTest, OkWithAnEmptyBoxComplainsAndStaysOpen) {
  window.show();
  Type("txtCoeffA", "300");
  Type("txtCoeffB", "3.3");
  QTest::mouseClick(Child<QPushButton>(window, "cmdOK"), Qt::LeftButton);
  ASSERT_EQ(dialogs.Texts(), std::vector<QString>{"Coefficients must be numbers"});
  EXPECT_TRUE(window.isVisible());
}

TEST_F(EquationWindowTest, OkWithNumbersHidesSilentlyAndKeepsTheTexts) {
  window.show();
  Type("txtCoeffA", "300");
  Type("txtCoeffB", "3.3");
  Type("txtCoeffC", "0");
  QTest::mouseClick(Child<QPushButton>(window, "cmdOK"), Qt::LeftButton);
  EXPECT_TRUE(dialogs.messages.empty());
  EXPECT_FALSE(window.isVisible());
  EXPECT_EQ(window.result(), QDialog::Accepted);
  EXPECT_EQ(window.Texts().b, "3.3");
}

TEST_F(EquationWindowTest, CancelHidesThenSaysNoEquationAndKeepsTheTexts) {
  window.show();
  Type("txtCoeffA", "abc");
  QTest::mouseClick(Child<QPushButton>(window, "cmdCancel"), Qt::LeftButton);
  EXPECT_FALSE(window.isVisible());
  ASSERT_EQ(dialogs.messages.size(), 1u);
  EXPECT_EQ(dialogs.messages[0].text, "No Equation Selected");
  EXPECT_EQ(dialogs.messages[0].title, "Coefficients");
  EXPECT_EQ(dialogs.messages[0].icon, MessageIcon::Information);
  EXPECT_EQ(window.Texts().a, "abc");
}

TEST_F(EquationWindowTest, CloseBoxHidesAndKeepsTheTexts) {
  window.show();
  Type("txtCoeffC", "0.5");
  window.close();
  EXPECT_FALSE(window.isVisible());
  EXPECT_TRUE(dialogs.messages.empty());
  EXPECT_EQ(window.Texts().c, "0.5");
  window.show();
  EXPECT_EQ(Box("txtCoeffC")->text(), "0.5");
}

// ---------------------------------------------------------------------------
// "External File" and the folder lists behind it

class ExternalFileWindowTest : public ::testing::Test {
 protected:
  QTemporaryDir folder;
  ScriptedDialogs dialogs;
  std::unique_ptr<CurrentDirectory> here;
  std::unique_ptr<ExternalFileWindow> window;

  void SetUp() override {
    ASSERT_TRUE(folder.isValid());
    const QDir d(folder.path());
    WriteFile(d.filePath("waves.txt"), "400\n401\n");
    WriteFile(d.filePath("waves"), "400\n");
    WriteFile(d.filePath("A.SPT"), "x");
    ASSERT_TRUE(d.mkdir("sub"));
    WriteFile(d.filePath("sub/inner.dat"), "1\n");
    here = std::make_unique<CurrentDirectory>(folder.path());
    window = std::make_unique<ExternalFileWindow>(dialogs);
    window->show();
  }
  void TearDown() override {
    window.reset();
    here.reset();
  }
  QListWidget* List(const char* name) { return Child<QListWidget>(*window, name); }
  QPushButton* Button(const char* name) { return Child<QPushButton>(*window, name); }
  QString InFolder(const QString& name) const { return QDir(folder.path()).filePath(name); }
};

TEST_F(ExternalFileWindowTest, StartsInTheCurrentDirectoryListingEveryFile) {
  EXPECT_EQ(window->objectName(), "Form3");
  EXPECT_EQ(window->windowTitle(), "External File");
  auto* combo = Child<QComboBox>(*window, "cboCombo3");
  ASSERT_EQ(combo->count(), 1);
  EXPECT_EQ(combo->currentText(), " *.* files  (*.*)");
  EXPECT_NE(Child<QComboBox>(*window, "Drive3"), nullptr);
  // "*.*" lists every file, a name without a dot included.
  EXPECT_EQ(Items(List("File3")), (QStringList{"A.SPT", "waves", "waves.txt"}));
  EXPECT_EQ(Items(List("Dir3")), (QStringList{"..", "sub"}));
  EXPECT_EQ(List("List3")->count(), 0);
  EXPECT_EQ(window->ExternalFilePath(), "");
}

TEST_F(ExternalFileWindowTest, OkWithNothingChosenComplainsAndStaysOpen) {
  QTest::mouseClick(Button("cmdOK"), Qt::LeftButton);
  ASSERT_EQ(dialogs.messages.size(), 1u);
  EXPECT_EQ(dialogs.messages[0].text, "No external file selected!");
  EXPECT_EQ(dialogs.messages[0].title, "Error");
  EXPECT_EQ(dialogs.messages[0].icon, MessageIcon::Exclamation);
  EXPECT_TRUE(window->isVisible());
  EXPECT_EQ(window->ExternalFilePath(), "");
}

TEST_F(ExternalFileWindowTest, ClickingAFileThenOkSetsThePath) {
  EXPECT_EQ(Button("cmdOK")->text(), "&OK");
  ClickItem(List("File3"), "waves.txt");
  EXPECT_EQ(Items(List("List3")), QStringList{InFolder("waves.txt")});
  ClickItem(List("File3"), "waves");
  EXPECT_EQ(Items(List("List3")), QStringList{InFolder("waves")}) << "List3 holds one file only";
  EXPECT_EQ(window->ExternalFilePath(), "") << "the path is taken on OK only";
  QTest::mouseClick(Button("cmdOK"), Qt::LeftButton);
  EXPECT_TRUE(dialogs.messages.empty());
  EXPECT_FALSE(window->isVisible());
  EXPECT_EQ(window->ExternalFilePath(), InFolder("waves").toStdString());
}

TEST_F(ExternalFileWindowTest, CancelEmptiesThePathAndSaysSo) {
  window->ChooseFile(InFolder("waves.txt"));
  QTest::mouseClick(Button("cmdOK"), Qt::LeftButton);
  ASSERT_EQ(window->ExternalFilePath(), InFolder("waves.txt").toStdString());

  window->show();
  EXPECT_EQ(Button("cmdCancel")->text(), "&Cancel");
  QTest::mouseClick(Button("cmdCancel"), Qt::LeftButton);
  EXPECT_EQ(window->ExternalFilePath(), "");
  EXPECT_FALSE(window->isVisible());
  ASSERT_EQ(dialogs.messages.size(), 1u);
  EXPECT_EQ(dialogs.messages[0].text, "No external file selected");
  EXPECT_EQ(dialogs.messages[0].title, "External");
  EXPECT_EQ(dialogs.messages[0].icon, MessageIcon::Information);
}

TEST_F(ExternalFileWindowTest, FolderDoubleClickEntersAndDotDotGoesBack) {
  DoubleClickItem(List("Dir3"), "sub");
  EXPECT_EQ(Items(List("File3")), QStringList{"inner.dat"});
  EXPECT_EQ(Items(List("Dir3")), QStringList{".."});
  ClickItem(List("File3"), "inner.dat");
  EXPECT_EQ(Items(List("List3")), QStringList{InFolder("sub/inner.dat")});
  DoubleClickItem(List("Dir3"), "..");
  EXPECT_EQ(Items(List("File3")), (QStringList{"A.SPT", "waves", "waves.txt"}));
}

TEST_F(ExternalFileWindowTest, UnreadableDriveComplainsAndReturnsToTheFolderDrive) {
  auto* drive3 = Child<QComboBox>(*window, "Drive3");
  const QString before = drive3->currentText();
  ASSERT_FALSE(before.isEmpty());
  drive3->addItem(InFolder("no-such-volume"));
  drive3->setCurrentIndex(drive3->count() - 1);
  ASSERT_EQ(dialogs.messages.size(), 1u);
  EXPECT_EQ(dialogs.messages[0].text, " Drive Error!");
  EXPECT_EQ(dialogs.messages[0].title, "Error");
  EXPECT_EQ(dialogs.messages[0].icon, MessageIcon::Exclamation);
  EXPECT_EQ(drive3->currentText(), before);
  EXPECT_EQ(Items(List("File3")), (QStringList{"A.SPT", "waves", "waves.txt"}));
}

TEST_F(ExternalFileWindowTest, ReopeningShowsFilesWrittenMeanwhile) {
  window->hide();
  WriteFile(InFolder("later.txt"), "1\n");
  window->show();
  EXPECT_TRUE(Items(List("File3")).contains("later.txt"));
}

TEST(ExternalFolderBrowserTest, PatternIgnoresLetterCaseAndClickGivesTheFullPath) {
  QTemporaryDir folder;
  ASSERT_TRUE(folder.isValid());
  const QDir d(folder.path());
  WriteFile(d.filePath("b.spt"), "x");
  WriteFile(d.filePath("A.SPT"), "x");
  WriteFile(d.filePath("c.spu"), "x");
  ScriptedDialogs dialogs;
  FolderBrowser browser(dialogs);
  ASSERT_TRUE(browser.SetFolder(folder.path()));
  browser.SetPattern("*.spt");
  EXPECT_EQ(Items(browser.FileList()), (QStringList{"A.SPT", "b.spt"}));
  browser.SetPattern("*.spt;*.spu");
  EXPECT_EQ(Items(browser.FileList()), (QStringList{"A.SPT", "b.spt", "c.spu"}));

  browser.show();
  QSignalSpy clicked(&browser, &FolderBrowser::fileClicked);
  ClickItem(browser.FileList(), "c.spu");
  ASSERT_EQ(clicked.count(), 1);
  EXPECT_EQ(clicked[0][0].toString(), d.filePath("c.spu"));
}

TEST(ExternalFolderBrowserTest, MissingFolderIsRefusedAndNothingMoves) {
  QTemporaryDir folder;
  ASSERT_TRUE(folder.isValid());
  ScriptedDialogs dialogs;
  FolderBrowser browser(dialogs);
  ASSERT_TRUE(browser.SetFolder(folder.path()));
  EXPECT_FALSE(browser.SetFolder(QDir(folder.path()).filePath("missing")));
  EXPECT_FALSE(browser.SetFolder(QString()));
  EXPECT_EQ(browser.CurrentFolder(), QDir(folder.path()).absolutePath());
  EXPECT_TRUE(dialogs.messages.empty());
}

TEST(ExternalFolderBrowserTest, FilesystemRootHasNoWayUp) {
  ScriptedDialogs dialogs;
  FolderBrowser browser(dialogs);
  ASSERT_TRUE(browser.SetFolder(QDir::rootPath()));
  EXPECT_FALSE(Items(browser.FolderList()).contains(".."));
  EXPECT_EQ(browser.PathOf("x.txt"), "/x.txt");
}

// ---------------------------------------------------------------------------
// "Leaf Header"

class LeafHeaderWindowTest : public ::testing::Test {
 protected:
  LeafHeaderWindow window;
  QLineEdit* Box(int n) { return Child<QLineEdit>(window, QStringLiteral("Text%1").arg(n).toLatin1().constData()); }
  QString LabelOf(int n) {
    for (const QLabel* l : window.findChildren<QLabel*>())
      if (l->buddy() == Box(n)) return l->text();
    return {};
  }
  void TypeAll() {
    for (int n = 1; n <= 14; ++n) QTest::keyClicks(Box(n), QStringLiteral("value %1").arg(n));
  }
};

TEST_F(LeafHeaderWindowTest, CaptionsAndFourteenLabelledBoxes) {
  EXPECT_EQ(window.objectName(), "Form12");
  EXPECT_EQ(window.windowTitle(), "Leaf Header");
  QStringList labels;
  for (const QLabel* l : window.findChildren<QLabel*>()) labels << l->text();
  EXPECT_TRUE(labels.contains("Header Information (Leaf)"));
  EXPECT_EQ(LabelOf(1), "File name:");
  EXPECT_EQ(LabelOf(2), "Person responsible");
  EXPECT_EQ(LabelOf(4), "File names (links) to other data");
  EXPECT_EQ(LabelOf(9), "Data processing prog. v.#");
  EXPECT_EQ(LabelOf(14), "Cautions");
  EXPECT_EQ(Child<QPushButton>(window, "Command1")->text(), "OK");
}

TEST_F(LeafHeaderWindowTest, OkHidesAndKeepsTheTextsInBoxOrder) {
  window.show();
  TypeAll();
  QTest::mouseClick(Child<QPushButton>(window, "Command1"), Qt::LeftButton);
  EXPECT_FALSE(window.isVisible());
  const LeafHeaderTexts texts = window.Texts();
  for (int n = 1; n <= 14; ++n)
    EXPECT_EQ(texts[static_cast<std::size_t>(n - 1)], "value " + std::to_string(n)) << "Text" << n;
  window.show();
  EXPECT_EQ(Box(7)->text(), "value 7") << "texts are offered again";
}

TEST_F(LeafHeaderWindowTest, CloseBoxLosesTheTypedTexts) {
  window.show();
  TypeAll();
  window.close();
  EXPECT_FALSE(window.isVisible());
  for (const std::string& t : window.Texts()) EXPECT_EQ(t, "");
}

TEST_F(LeafHeaderWindowTest, EscapeDoesNotThrowTheTextsAway) {
  window.show();
  ASSERT_TRUE(QTest::qWaitForWindowExposed(&window));
  QTest::keyClicks(Box(3), "project");
  QTest::keyClick(Box(3), Qt::Key_Escape);
  EXPECT_EQ(window.Texts()[2], "project");
}

}  // namespace
}  // namespace corvelane::gui
