// The program itself: started as a process under Wine it opens its window over
// this machine's System log, and Exit ends it.
#include <windows.h>

#include <gtest/gtest.h>

#include <string>

#include "ResourceIds.h"
#include "WideText.h"

namespace tallyvane::testing {
namespace {

// The program's path as Wine sees it (the Unix root is drive Z:).
std::wstring ProgramPath() {
  std::wstring path = L"Z:" + Wide(TALLYVANE_JOURNAL_EXE);
  for (wchar_t& c : path) {
    if (c == L'/') {
      c = L'\\';
    }
  }
  return path;
}

struct ProcessHandles {
  PROCESS_INFORMATION info{};
  ~ProcessHandles() {
    if (info.hProcess) {
      ::TerminateProcess(info.hProcess, 99);
      ::CloseHandle(info.hProcess);
      ::CloseHandle(info.hThread);
    }
  }
};

HWND WaitForMainWindow(DWORD ProcessId) {
  for (int i = 0; i < 300; ++i) {
    HWND window = nullptr;
    while ((window = ::FindWindowExW(nullptr, window, L"Twnd_Main", nullptr))) {
      DWORD owner = 0;
      ::GetWindowThreadProcessId(window, &owner);
      if (owner == ProcessId) {
        return window;
      }
    }
    ::Sleep(100);
  }
  return nullptr;
}

TEST(ProgramStart, OpensTheWindowOverThisMachinesLogAndExitEndsIt) {
  std::wstring command = L"\"" + ProgramPath() + L"\"";
  STARTUPINFOW startup{};
  startup.cb = sizeof(startup);
  ProcessHandles process;
  ASSERT_TRUE(::CreateProcessW(nullptr, command.data(), nullptr, nullptr, FALSE, 0, nullptr,
                               nullptr, &startup, &process.info))
      << "cannot start " << Utf8(command);
  HWND window = WaitForMainWindow(process.info.dwProcessId);
  ASSERT_NE(window, nullptr) << "no main window";
  wchar_t title[128] = {};
  ::GetWindowTextW(window, title, 128);
  EXPECT_EQ(Utf8(title), "Tallyvane Journal");
  // Both lists, and the header's installation date once the first build has
  // run (the window shows while it is being built).
  int lists = 0;
  bool installed = false;
  for (int i = 0; i < 300 && !installed; ++i, ::Sleep(100)) {
    lists = 0;
    HWND child = nullptr;
    while ((child = ::FindWindowExW(window, child, nullptr, nullptr))) {
      wchar_t kind[64] = {}, text[256] = {};
      ::GetClassNameW(child, kind, 64);
      ::GetWindowTextW(child, text, 256);
      lists += std::wstring(kind) == L"SysListView32";
      installed = installed || std::wstring(text).rfind(L"System installed on ", 0) == 0;
    }
  }
  EXPECT_EQ(lists, 2);
  EXPECT_TRUE(installed);
  EXPECT_TRUE(::IsWindowVisible(window));
  // Its client area is laid out for 730 x 654 pixels at 96 dots per inch.
  RECT client{};
  ::GetClientRect(window, &client);
  const int dpi = static_cast<int>(::GetDpiForWindow(window));
  EXPECT_EQ(client.right, ::MulDiv(730, dpi, 96));
  EXPECT_EQ(client.bottom, ::MulDiv(654, dpi, 96));

  ::PostMessageW(window, WM_COMMAND, IDM_EXIT, 0);
  ASSERT_EQ(::WaitForSingleObject(process.info.hProcess, 20000), WAIT_OBJECT_0);
  DWORD code = 1;
  ::GetExitCodeProcess(process.info.hProcess, &code);
  EXPECT_EQ(code, 0u);
}

}  // namespace
}  // namespace tallyvane::testing
