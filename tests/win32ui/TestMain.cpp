// The window tests run on one thread with COM (the About picture's decoder)
// and the window classes set up once.
#include <windows.h>

#include <objbase.h>

#include <gtest/gtest.h>

#include "MainWindow.h"

int main(int argc, char** argv) {
  ::testing::InitGoogleTest(&argc, argv);
  ::CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
  tallyvane::RegisterWindowClasses();
  const int result = RUN_ALL_TESTS();
  ::CoUninitialize();
  return result;
}
