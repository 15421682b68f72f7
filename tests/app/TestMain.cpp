// The GUI tests run on Qt's offscreen platform in UTC, with the application
// object of the program and the fonts its layouts name.
#include <gtest/gtest.h>

#include <cstdlib>
#include <ctime>
#include <string>

#include "app/qt/AppStart.h"

int main(int argc, char** argv) {
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
  }
  setenv("TZ", "UTC", 1);
  // Remembered settings (recent sources, window geometry) go to a folder of the
  // test run, not the user's.
  const std::string config = std::string(TALLYVANE_BINARY_DIR) + "/test-tmp/app-config";
  setenv("XDG_CONFIG_HOME", config.c_str(), 1);
  tzset();
  ::testing::InitGoogleTest(&argc, argv);
  tallyvane::TApplication app(argc, argv);
  tallyvane::RegisterFallbackFonts();
  return RUN_ALL_TESTS();
}
