#if defined(_WIN32)
#include "ChildProcess.h"

#include <windows.h>

#include <cstdlib>

namespace tallyvane::testing {

namespace {

constexpr wchar_t kArgumentVariable[] = L"TALLYVANE_CHILD_ARGUMENT";
constexpr wchar_t kEventVariable[] = L"TALLYVANE_CHILD_EVENT";

std::wstring widen(const std::string& text) {
  const int n =
      MultiByteToWideChar(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), nullptr, 0);
  std::wstring out(static_cast<std::size_t>(n), L'\0');
  MultiByteToWideChar(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), out.data(), n);
  return out;
}

std::string narrow(const std::wstring& text) {
  const int n = WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), nullptr,
                                    0, nullptr, nullptr);
  std::string out(static_cast<std::size_t>(n), '\0');
  WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), out.data(), n,
                      nullptr, nullptr);
  return out;
}

std::wstring variable(const wchar_t* name) {
  wchar_t buffer[1024] = {};
  const DWORD n = GetEnvironmentVariableW(name, buffer, 1024);
  return n > 0 && n < 1024 ? std::wstring(buffer, n) : std::wstring();
}

}  // namespace

ChildTest::ChildTest(const std::string& name, const std::string& argument) {
  static unsigned counter = 0;
  const std::wstring eventName = L"Local\\tallyvane-test-" +
                                 std::to_wstring(GetCurrentProcessId()) + L"-" +
                                 std::to_wstring(++counter);
  event_ = CreateEventW(nullptr, TRUE, FALSE, eventName.c_str());
  wchar_t self[MAX_PATH] = {};
  GetModuleFileNameW(nullptr, self, MAX_PATH);
  std::wstring command = L"\"" + std::wstring(self) +
                         L"\" --gtest_also_run_disabled_tests --gtest_brief=1 "
                         L"--gtest_filter=StorageFileChild.DISABLED_" +
                         widen(name);
  // The child inherits the environment as it is when it starts.
  SetEnvironmentVariableW(kArgumentVariable, widen(argument).c_str());
  SetEnvironmentVariableW(kEventVariable, eventName.c_str());
  STARTUPINFOW startup{};
  startup.cb = sizeof startup;
  PROCESS_INFORMATION info{};
  if (CreateProcessW(nullptr, command.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr,
                     &startup, &info)) {
    CloseHandle(info.hThread);
    process_ = info.hProcess;
  }
  SetEnvironmentVariableW(kArgumentVariable, nullptr);
  SetEnvironmentVariableW(kEventVariable, nullptr);
}

ChildTest::~ChildTest() {
  if (process_ != nullptr) {
    TerminateProcess(process_, 1);
    WaitForSingleObject(process_, 10'000);
    CloseHandle(process_);
  }
  if (event_ != nullptr)
    CloseHandle(event_);
}

bool ChildTest::started() const {
  return process_ != nullptr;
}

bool ChildTest::waitForSignal(unsigned milliseconds) {
  HANDLE both[2] = {event_, process_};
  // The child ending first means it will never signal.
  return WaitForMultipleObjects(2, both, FALSE, milliseconds) == WAIT_OBJECT_0;
}

void ChildTest::kill() {
  TerminateProcess(process_, 9);
}

unsigned long ChildTest::wait() {
  WaitForSingleObject(process_, 60'000);
  DWORD code = 1;
  GetExitCodeProcess(process_, &code);
  CloseHandle(process_);
  process_ = nullptr;
  return code;
}

std::string ChildTest::argument() {
  return narrow(variable(kArgumentVariable));
}

void ChildTest::signalParent() {
  HANDLE event = OpenEventW(EVENT_MODIFY_STATE, FALSE, variable(kEventVariable).c_str());
  if (event != nullptr) {
    SetEvent(event);
    CloseHandle(event);
  }
}

}  // namespace tallyvane::testing
#endif
