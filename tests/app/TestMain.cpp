// The GUI tests run on Qt's offscreen platform in UTC, with the application
// object of the program and the fonts its layouts name.
#include <gtest/gtest.h>

#include <cstdlib>
#include <ctime>

#include "app/qt/AppStart.h"

int main(int argc, char** argv) {
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
  }
  setenv("TZ", "UTC", 1);
  tzset();
  ::testing::InitGoogleTest(&argc, argv);
  tallyvane::TApplication app(argc, argv);
  tallyvane::RegisterFallbackFonts();
  return RUN_ALL_TESTS();
}
