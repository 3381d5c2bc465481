// The UniSpec-DC calibration window and the instrument editor it opens.
#include <gtest/gtest.h>

#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <fstream>

#include "calibration/dc_calibration_window.h"
#include "calibration/instrument_table.h"
#include "calibration/new_instrument_window.h"
#include "tests/gui_support.h"
#include "tests/test_support.h"

namespace corvelane::gui {
namespace {

using corvelane::testing::ReadAll;
using corvelane::testing::ScriptedDialogs;

using corvelane::testing::Child;
using corvelane::testing::Click;
using corvelane::testing::ClickRow;
using corvelane::testing::ClickThrough;
using corvelane::testing::Contains;
using corvelane::testing::ExpectOneMessage;
using corvelane::testing::Items;
using corvelane::testing::WriteFile;

void Type(QWidget& parent, const QString& box, const QString& text) { Child<QLineEdit>(parent, box)->setText(text); }
QString Box(QWidget& parent, const QString& box) { return Child<QLineEdit>(parent, box)->text(); }

const QStringList kBoxes = {"txtCoeffA", "txtCoeffB", "txtCoeffC", "txtCoeffAChB", "txtCoeffBChB", "txtCoeffCChB"};
// The coefficients of DC 1 and DC 2 in the file written when there is none.
const QStringList kDc1 = {"301.1004976", "3.326823976", "-0.0002851923768",
                          "301.2242815", "3.332275231", "-0.0003061076534"};
const QStringList kDc2 = {"300.5829261", "3.325460401", "-0.0002928427608",
                          "301.0290324", "3.333019474", "-0.0003356843766"};

// The instrument buttons a user sees, in order.
QStringList VisibleInstruments(QWidget& form10) {
  QStringList names;
  for (int i = 0; i < 6; ++i) {
    auto* b = Child<QPushButton>(form10, QStringLiteral("Inst(%1)").arg(i));
    if (!b->isHidden()) names << b->text();
  }
  return names;
}

class DcCalibrationTest : public ::testing::Test {
 protected:
  QTemporaryDir folder;
  ScriptedDialogs dialogs;
  DcEquationTexts texts;
  std::string InstCof() const { return InstrumentFilePath(folder.path().toStdString()); }
};

TEST_F(DcCalibrationTest, LoadWritesTheDefaultFileAndAnInstrumentButtonFillsTheSixBoxes) {
  DcCalibrationWindow form10(dialogs, folder.path(), texts);
  EXPECT_EQ(ReadAll(InstCof()), DefaultInstrumentFileText());
  EXPECT_EQ(VisibleInstruments(form10), (QStringList{"DC 1", "DC 2"}));
  for (int i = 0; i < 6; ++i) EXPECT_EQ(Box(form10, kBoxes[i]), kDc1[i]);

  form10.show();
  Click(form10, "Option1");
  Click(form10, "Inst(1)");
  for (int i = 0; i < 6; ++i) EXPECT_EQ(Box(form10, kBoxes[i]), kDc2[i]);
  EXPECT_EQ(texts.startChannel, 0);  // the begin-channel option is not changed
  EXPECT_TRUE(dialogs.messages.empty());
}

TEST_F(DcCalibrationTest, OkNeedsSixNumbersAndCancelSaysNoEquation) {
  DcCalibrationWindow form10(dialogs, folder.path(), texts);
  QSignalSpy confirmed(&form10, &DcCalibrationWindow::Confirmed);
  form10.show();
  Type(form10, "txtCoeffBChB", "3,33");
  Click(form10, "cmdOK");
  ASSERT_EQ(dialogs.messages.size(), 1u);
  EXPECT_EQ(dialogs.messages[0].text, "Coefficients must be numbers");
  EXPECT_EQ(dialogs.messages[0].title, "Error");
  EXPECT_TRUE(dialogs.messages[0].detail.contains("B2"));
  EXPECT_TRUE(form10.isVisible());
  EXPECT_EQ(confirmed.count(), 0);

  Type(form10, "txtCoeffBChB", "3.332275231");
  Click(form10, "cmdOK");
  EXPECT_FALSE(form10.isVisible());
  EXPECT_EQ(confirmed.count(), 1);
  ASSERT_EQ(form10.Tables().channel1.size(), 256u);
  EXPECT_EQ(form10.Tables().channel1[0], 304.43);
  EXPECT_EQ(form10.Tables().channel2[255], 1134.23);

  dialogs.Clear();
  form10.show();
  Click(form10, "cmdCancel");
  EXPECT_FALSE(form10.isVisible());
  ExpectOneMessage(dialogs, "No Equation Selected", "Coefficients", MessageIcon::Information);
}

// Done in the editor lists the new instrument and keeps the coefficients
// chosen; the window says whose coefficients the boxes hold.
TEST_F(DcCalibrationTest, AddingAnInstrumentThenDoneKeepsTheChosenCoefficients) {
  DcCalibrationWindow form10(dialogs, folder.path(), texts);
  form10.show();
  Type(form10, "txtCoeffA", "999");
  QStringList listed, opened;
  ClickThrough(form10, "ComAdd", {[&listed](QWidget* form19) {
                 listed = Items(Child<QListWidget>(*form19, "Inst_list"));
                 Type(*form19, "Text1", "X");
                 const QStringList c = {"300", "3.3", "-0.0003", "301", "3.31", "-0.0004"};
                 for (int i = 0; i < 6; ++i) Type(*form19, QStringLiteral("Text2(%1)").arg(i), c[i]);
                 Click(*form19, "Com_add");
                 Click(*form19, "Com_close");
               }},
               &opened);
  EXPECT_EQ(opened, QStringList{"Form19"});
  EXPECT_EQ(listed, (QStringList{"DC 1", "DC 2"}));  // as many names as Form10 showed buttons
  EXPECT_EQ(VisibleInstruments(form10), (QStringList{"DC 1", "DC 2", "X"}));
  EXPECT_EQ(Box(form10, "txtCoeffA"), "999");
  EXPECT_TRUE(Contains(Child<QLabel>(form10, "lblActive")->text(), "typed"));
  Click(form10, "Inst(2)");
  EXPECT_EQ(Box(form10, "txtCoeffCChB"), "-0.0004");
  EXPECT_TRUE(Contains(Child<QLabel>(form10, "lblActive")->text(), "\"X\""));
  Click(form10, "Inst(0)");
  EXPECT_TRUE(Contains(Child<QLabel>(form10, "lblActive")->text(), "\"DC 1\""));
  EXPECT_TRUE(dialogs.messages.empty());
}

TEST_F(DcCalibrationTest, MoreThanSixInstrumentsShowSixButtonsAndLeaveTheFileAlone) {
  std::string text = "Data:\r\n";
  for (int i = 1; i <= 8; ++i) text += "I" + std::to_string(i) + ",1,2,3,4,5,6,\r\n";
  text += "end";
  std::ofstream(InstCof(), std::ios::binary) << text;
  DcCalibrationWindow form10(dialogs, folder.path(), texts);
  EXPECT_EQ(VisibleInstruments(form10), (QStringList{"I1", "I2", "I3", "I4", "I5", "I6"}));
  EXPECT_EQ(Items(Child<QListWidget>(form10.InstrumentEditor(), "Inst_list")), QStringList());  // not loaded yet
  ASSERT_TRUE(form10.InstrumentEditor().Load());
  EXPECT_EQ(Items(Child<QListWidget>(form10.InstrumentEditor(), "Inst_list")).size(), 8);
  EXPECT_EQ(ReadAll(InstCof()), text);
}

// A click on an instrument loads its coefficients, Update asks before
// replacing them and acts on the selected record (the table's own rules and
// its backup are the InstrumentFile tests').
TEST_F(DcCalibrationTest, EditorLoadsTheClickedInstrumentAndAsksBeforeUpdating) {
  NewInstrumentWindow form19(dialogs, QString::fromStdString(InstCof()));
  ASSERT_TRUE(form19.Load());
  form19.show();
  auto* list = Child<QListWidget>(form19, "Inst_list");
  // Boxes left over from typing elsewhere never reach the clicked record.
  for (int i = 0; i < 6; ++i) Type(form19, QStringLiteral("Text2(%1)").arg(i), "7");
  ClickRow(list, 1);
  EXPECT_EQ(Box(form19, "Text1"), "DC 2");
  for (int i = 0; i < 6; ++i) EXPECT_EQ(Box(form19, QStringLiteral("Text2(%1)").arg(i)), kDc2[i]);

  const std::string before = ReadAll(InstCof());
  Type(form19, "Text2(5)", "6");
  dialogs.messageAnswers = {MessageAnswer::No};
  Click(form19, "Com_update");
  ASSERT_EQ(dialogs.messages.size(), 1u);
  EXPECT_EQ(dialogs.messages[0].buttons, MessageButtons::YesNo);
  EXPECT_TRUE(dialogs.messages[0].text.contains("DC 2"));
  EXPECT_EQ(ReadAll(InstCof()), before);
  dialogs.messageAnswers = {MessageAnswer::Yes};
  Click(form19, "Com_update");
  EXPECT_EQ(ReadInstrument(InstCof(), 1).coefficients[5], "6");
  EXPECT_EQ(ReadInstrument(InstCof(), 1).coefficients[0], "300.5829261");

  // A name typed over the selected one is not a record to change.
  dialogs.Clear();
  Type(form19, "Text1", "DC 9");
  Click(form19, "Com_update");
  Click(form19, "EditParam");
  ASSERT_EQ(dialogs.messages.size(), 2u);
  EXPECT_EQ(dialogs.messages[0].title, "Error");
  EXPECT_EQ(LoadInstruments(InstCof()).size(), 2u);
}

// A request the table refuses is shown and changes nothing; with a table
// holding one name twice, Delete removes the row selected.
TEST_F(DcCalibrationTest, EditorShowsARefusalAndDeletesTheSelectedRow) {
  std::ofstream(InstCof(), std::ios::binary) << "Data:\r\nDC 1,1,2,3,4,5,6,\r\nDC 2,7,8,9,10,11,12,\r\n"
                                                "DC 2,3,0,1,5,0,0,\r\nend";
  NewInstrumentWindow form19(dialogs, QString::fromStdString(InstCof()));
  ASSERT_TRUE(form19.Load());
  form19.show();
  const std::string table = ReadAll(InstCof());
  Type(form19, "Text1", "dc 1");
  for (int i = 0; i < 6; ++i) Type(form19, QStringLiteral("Text2(%1)").arg(i), "1");
  Click(form19, "Com_add");
  ASSERT_EQ(dialogs.messages.size(), 1u);
  EXPECT_EQ(dialogs.messages[0].title, "Error");
  EXPECT_TRUE(dialogs.messages[0].detail.contains("DC 1")) << dialogs.messages[0].detail.toStdString();
  EXPECT_EQ(ReadAll(InstCof()), table);

  auto* list = Child<QListWidget>(form19, "Inst_list");
  ClickRow(list, 2);
  EXPECT_EQ(Box(form19, "Text2(0)"), "3");
  dialogs.Clear();
  dialogs.messageAnswers = {MessageAnswer::Yes};
  Click(form19, "EditParam");
  ASSERT_EQ(dialogs.messages.size(), 1u);
  EXPECT_EQ(dialogs.messages[0].buttons, MessageButtons::YesNo);
  const auto records = LoadInstruments(InstCof());
  ASSERT_EQ(records.size(), 2u);
  EXPECT_EQ(records[1].coefficients[0], "7") << "the real DC 2 stays";
}

// "From scans": the six boxes take the equation of the listed scans'
// wavelength column (both channels alike); scans that give none leave them.
TEST_F(DcCalibrationTest, FromScansFillsTheBoxesWithTheListedScansFit) {
  DcCalibrationWindow form10(dialogs, folder.path(), texts);
  const auto write = [&](const QString& name, const std::string& text) {
    const QString path = folder.filePath(name);
    WriteFile(path, QByteArray::fromStdString(text));
    return path.toStdString();
  };
  std::string scan;
  scan += "\"File:       \\Storage Card\\A.spu\"\r\n\"Remarks:    SW=UnispecDCcf Comment=Datascan\"\r\n";
  scan += "\"Time:       6/22/2018 3:36:29 PM\"\r\n";
  for (int i = 0; i < 7; ++i) scan += "\"header\"\r\n";
  for (int c = 1; c <= 256; ++c) scan += std::to_string(300 + 3 * c) + " \t100 \t200 \r\n";
  form10.SetListedScans({write("a.spu", scan)});
  form10.show();
  Click(form10, "cmdFromScans");
  const QStringList fitted = {"300.000000000", "3.000000000", "0.000000000000000"};
  for (int i = 0; i < 6; ++i) EXPECT_EQ(Box(form10, kBoxes[i]), fitted[i % 3]) << i;
  ASSERT_EQ(dialogs.messages.size(), 1u);
  EXPECT_TRUE(dialogs.messages[0].text.contains("largest residual 0.000 nm")) << dialogs.messages[0].text.toStdString();
  EXPECT_EQ(texts.coefficients[3], "300.000000000");  // the run reads the boxes

  dialogs.Clear();
  form10.SetListedScans({write("b.txt", "not a scan\r\n")});
  Click(form10, "cmdFromScans");
  ASSERT_EQ(dialogs.messages.size(), 1u);
  EXPECT_EQ(dialogs.messages[0].text, "These scans give no calibration");
  EXPECT_TRUE(dialogs.messages[0].detail.contains("b.txt"));
  EXPECT_EQ(Box(form10, "txtCoeffA"), "300.000000000");
}

}  // namespace
}  // namespace corvelane::gui
