// Program start: the system snapshot, the window classes, the main window and
// the message loop until the window is closed.
#include <windows.h>

#include <objbase.h>

#include <clocale>
#include <memory>

#include "MainWindow.h"
#include "app/common/SnapshotTexts.h"
#include "present/FormatSettings.h"

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR, int ShowCommand) {
  using namespace tallyvane;
  std::setlocale(LC_ALL, "");
  // The About picture is decoded by the Windows Imaging Component (COM).
  const HRESULT com = ::CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
  std::unique_ptr<Twnd_Main> window;
  try {
    const TSnapshotTexts facts = CurrentSnapshotTexts();
    window = std::make_unique<Twnd_Main>(platform::systemServices(), facts, UserFormatSettings());
    window->Create(ShowCommand);
  } catch (const std::exception& error) {
    ShowApplicationError(nullptr, error.what());
    return 1;
  }
  MSG message{};
  while (::GetMessageW(&message, nullptr, 0, 0) > 0) {
    if (window->TranslateShortcut(message)) {
      continue;
    }
    ::TranslateMessage(&message);
    ::DispatchMessageW(&message);
  }
  window.reset();
  if (SUCCEEDED(com)) {
    ::CoUninitialize();
  }
  return static_cast<int>(message.wParam);
}
