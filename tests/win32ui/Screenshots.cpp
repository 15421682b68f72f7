// Renders the README's screenshots of the Windows window and its About dialog:
// the window over the known sample log, photographed from the screen once it
// has painted, and saved as PNG through the Windows Imaging Component.
// Run inside a Wine virtual desktop, so Wine draws the window frames itself.
// Usage: tallyvane-win32-screenshots <output folder>
#include <windows.h>

#include <objbase.h>
#include <wincodec.h>

#include <cstdio>
#include <memory>
#include <stdexcept>
#include <string>

#include "AboutDlg.h"
#include "MainWindow.h"
#include "WideText.h"
#include "Win32Handles.h"
#include "WindowFixture.h"
#include "support/LocaleSettings.h"

namespace tallyvane::testing {
namespace {

void PumpFor(DWORD Milliseconds) {
  const ULONGLONG end = ::GetTickCount64() + Milliseconds;
  while (::GetTickCount64() < end) {
    MSG message{};
    while (::PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
      ::TranslateMessage(&message);
      ::DispatchMessageW(&message);
    }
    ::Sleep(10);
  }
}

void Check(HRESULT Result, const char* What) {
  if (FAILED(Result)) {
    throw std::runtime_error(std::string("screenshot: ") + What);
  }
}

// The window's frame as it is on the screen, written to `Path` as PNG.
void SaveWindowPicture(HWND Window, const std::wstring& Path) {
  RECT frame{};
  ::GetWindowRect(Window, &frame);
  const int width = frame.right - frame.left;
  const int height = frame.bottom - frame.top;
  BITMAPINFO info{};
  info.bmiHeader.biSize = sizeof(info.bmiHeader);
  info.bmiHeader.biWidth = width;
  info.bmiHeader.biHeight = -height;
  info.bmiHeader.biPlanes = 1;
  info.bmiHeader.biBitCount = 32;
  void* bits = nullptr;
  HDC screen = ::GetDC(nullptr);
  UniqueDc memory(::CreateCompatibleDC(screen));
  UniqueBitmap bitmap(::CreateDIBSection(screen, &info, DIB_RGB_COLORS, &bits, nullptr, 0));
  {
    SelectedObject selected(memory.get(), bitmap.get());
    ::BitBlt(memory.get(), 0, 0, width, height, screen, frame.left, frame.top, SRCCOPY);
  }
  ::ReleaseDC(nullptr, screen);
  ::GdiFlush();

  IWICImagingFactory* rawFactory = nullptr;
  Check(::CoCreateInstance(CLSID_WICImagingFactory, nullptr, CLSCTX_INPROC_SERVER,
                           IID_IWICImagingFactory, reinterpret_cast<void**>(&rawFactory)),
        "no imaging component");
  ComPtr<IWICImagingFactory> factory(rawFactory);
  IWICStream* rawStream = nullptr;
  Check(factory->CreateStream(&rawStream), "stream");
  ComPtr<IWICStream> stream(rawStream);
  Check(stream->InitializeFromFilename(Path.c_str(), GENERIC_WRITE), "output file");
  IWICBitmapEncoder* rawEncoder = nullptr;
  Check(factory->CreateEncoder(GUID_ContainerFormatPng, nullptr, &rawEncoder), "encoder");
  ComPtr<IWICBitmapEncoder> encoder(rawEncoder);
  Check(encoder->Initialize(stream.get(), WICBitmapEncoderNoCache), "encoder");
  IWICBitmapFrameEncode* rawFrame = nullptr;
  Check(encoder->CreateNewFrame(&rawFrame, nullptr), "frame");
  ComPtr<IWICBitmapFrameEncode> encoded(rawFrame);
  Check(encoded->Initialize(nullptr), "frame");
  Check(encoded->SetSize(static_cast<UINT>(width), static_cast<UINT>(height)), "size");
  WICPixelFormatGUID format = GUID_WICPixelFormat32bppBGR;
  Check(encoded->SetPixelFormat(&format), "pixel format");
  if (format != GUID_WICPixelFormat32bppBGR) {
    throw std::runtime_error("screenshot: the PNG encoder wants another pixel format");
  }
  const UINT stride = static_cast<UINT>(width) * 4;
  Check(encoded->WritePixels(static_cast<UINT>(height), stride, stride * static_cast<UINT>(height),
                             static_cast<BYTE*>(bits)),
        "pixels");
  Check(encoded->Commit(), "commit");
  Check(encoder->Commit(), "commit");
}

std::wstring gAboutPath;
std::string gAboutError;

void CALLBACK PhotographAbout(HWND, UINT, UINT_PTR Timer, DWORD) {
  HWND dialog = ::FindWindowW(kAboutDialogClass, nullptr);
  if (!dialog) {
    return;
  }
  ::KillTimer(nullptr, Timer);
  PumpFor(500);
  try {
    SaveWindowPicture(dialog, gAboutPath);
  } catch (const std::exception& error) {
    gAboutError = error.what();
  }
  ::PostMessageW(dialog, WM_KEYDOWN, VK_ESCAPE, 0);
}

int Run(const std::wstring& Folder) {
  KnownMachine machine;
  RegisterWindowClasses();
  Twnd_Main window(machine.services, KnownFacts(), usEnglishSettings());
  window.QuitOnClose = false;
  window.Create(SW_SHOWNORMAL);
  PumpFor(1500);
  SaveWindowPicture(window.Handle(), Folder + L"\\win32-main-window.png");
  gAboutPath = Folder + L"\\win32-about-dialog.png";
  ::SetTimer(nullptr, 0, 100, PhotographAbout);
  window.About1Click();
  if (!gAboutError.empty()) {
    throw std::runtime_error(gAboutError);
  }
  return 0;
}

}  // namespace
}  // namespace tallyvane::testing

int wmain(int argc, wchar_t** argv) {
  if (argc != 2) {
    std::fputs("usage: tallyvane-win32-screenshots <output folder>\n", stderr);
    return 2;
  }
  ::CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
  try {
    return tallyvane::testing::Run(argv[1]);
  } catch (const std::exception& error) {
    std::fprintf(stderr, "%s\n", error.what());
    return 1;
  }
}
