// The index window's "Satellite bands..." choice: the sensors with check
// boxes and their bands as tooltips, the picture of the first listed scan,
// and the long band file asked for after the other outputs, driven with the
// scripted dialogs.
#include <gtest/gtest.h>

#include <QCheckBox>
#include <QDir>
#include <QImage>
#include <QListWidget>
#include <QPushButton>
#include <functional>
#include <string>
#include <vector>

#include "convert/program.h"
#include "indices/index_run_window.h"
#include "indices/satellite_bands.h"
#include "indices/satellite_bands_window.h"
#include "tests/gui_support.h"
#include "tests/test_support.h"

namespace corvelane::gui {
namespace {

using namespace corvelane::testing;

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

class BandsWindowTest : public corvelane::testing::ReflectanceFilesTest {
 protected:
  // Opens "Satellite bands...", runs `inside` on its window, then OK.
  void InBands(IndexRunWindow& w, const std::function<void(QWidget&)>& inside) {
    corvelane::testing::InModal<SatelliteBandsWindow>(w, "cmdBands", "frmBands", inside);
  }
};

TEST_F(BandsWindowTest, TickedSensorsGoToTheLongBandFileWithTheFirstScanPictured) {
  IndexRunWindow w(program.UserDialogs(), program.IndexList(), program.Settings().indexList, nullptr);
  EXPECT_EQ(Child<QPushButton>(w, "cmdBands")->text(), "Satellite bands...");
  EXPECT_FALSE(Child<QCheckBox>(w, "ChkBand")->isEnabled());
  ASSERT_NO_FATAL_FAILURE(ShowWithFiles(w, {"refl-a.txt", "refl-b.txt"}));

  InBands(w, [](QWidget& b) {
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

  dialogs.Clear();
  dialogs.savePaths = {Out("bands-a.csv"), ""};
  Click(w, "Com_do_index");
  // The bands beyond 310-1130 nm are named once, before the first save.
  ASSERT_EQ(dialogs.messages.size(), 3u);
  EXPECT_EQ(dialogs.messages[0].title, "Satellite bands");
  EXPECT_TRUE(dialogs.messages[0].detail.contains("sentinel-2a-msi B11 (0.00)") &&
              dialogs.messages[0].detail.contains("modis-terra B7 (0.00)") &&
              !dialogs.messages[0].detail.contains("B4"))
      << dialogs.messages[0].detail.toStdString();
  for (std::size_t m = 1; m < 3; ++m) {
    EXPECT_EQ(dialogs.messages[m].title, "Bands prompt");
    EXPECT_EQ(dialogs.messages[m].text, "   Save Long Band File   ");
  }
  EXPECT_EQ(QDir(out.path()).entryList(QDir::Files), QStringList{"bands-a.csv"});
  const ReflectanceTable a = ReadReflectanceFile(File("refl-a.txt"));
  EXPECT_EQ(corvelane::testing::ReadAll(Out("bands-a.csv").toStdString()),
            LongBandText(a, File("refl-a.txt"),
                         ComputeBands(a, {&ShippedSensor("sentinel-2a-msi"), &ShippedSensor("modis-terra")})));

  // A save path naming the reflectance file is refused, and nothing replaced.
  const std::string before = corvelane::testing::ReadAll(File("refl-a.txt"));
  dialogs.Clear();
  dialogs.savePaths = {QString::fromStdString(File("refl-a.txt"))};
  Click(w, "Com_do_index");
  ASSERT_FALSE(dialogs.messages.empty());
  EXPECT_EQ(dialogs.messages.back().title, "Error");
  EXPECT_EQ(corvelane::testing::ReadAll(File("refl-a.txt")), before);

  // Ticking none turns the output off.
  InBands(w, [](QWidget& b) {
    auto* list = Child<QListWidget>(b, "lstSensors");
    Tick(list, "sentinel-2a-msi");
    Tick(list, "modis-terra");
  });
  EXPECT_FALSE(Child<QCheckBox>(w, "ChkBand")->isEnabled());
  EXPECT_FALSE(Child<QPushButton>(w, "Com_do_index")->isEnabled());
}

}  // namespace
}  // namespace corvelane::gui
