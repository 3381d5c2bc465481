// Test main of the window tests: a QApplication on the offscreen platform,
// and a decimal-comma locale when one is installed.
#include <gtest/gtest.h>

#include <QApplication>
#include <clocale>

int main(int argc, char** argv) {
  qputenv("QT_QPA_PLATFORM", "offscreen");
  ::testing::InitGoogleTest(&argc, argv);
  QApplication app(argc, argv);
  std::setlocale(LC_ALL, "de_DE.UTF-8");
  std::setlocale(LC_NUMERIC, "de_DE.UTF-8");
  return RUN_ALL_TESTS();
}
