// Shared test main: runs every test under a decimal-comma locale when one is
// installed, so a number that reads or prints through the locale shows up.
#include <gtest/gtest.h>

#include <clocale>
#include <locale>

int main(int argc, char** argv) {
  ::testing::InitGoogleTest(&argc, argv);
  for (const char* name : {"de_DE.UTF-8", "fr_FR.UTF-8", "de_DE.utf8"}) {
    if (std::setlocale(LC_ALL, name)) {
      try {
        std::locale::global(std::locale(name));
      } catch (...) {
      }
      break;
    }
  }
  return RUN_ALL_TESTS();
}
