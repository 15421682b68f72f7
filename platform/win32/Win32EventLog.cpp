// The classic event log through the advapi32 calls. The records ReadEventLogW
// hands out are the EVENTLOGRECORD layout the core reads, so they pass through
// unchanged.
#include <windows.h>

#include "platform/win32/Win32Services.h"

namespace tallyvane::platform {

namespace {

class Win32EventLog : public EventLog {
 public:
  explicit Win32EventLog(HANDLE handle) : handle_(handle) {}
  ~Win32EventLog() override { CloseEventLog(handle_); }
  Win32EventLog(const Win32EventLog&) = delete;
  Win32EventLog& operator=(const Win32EventLog&) = delete;

  bool numberOfRecords(std::uint32_t& count) override {
    DWORD n = 0;
    if (!GetNumberOfEventLogRecords(handle_, &n))
      return false;
    count = n;
    return true;
  }

  bool oldestRecord(std::uint32_t& number) override {
    DWORD n = 0;
    if (!GetOldestEventLogRecord(handle_, &n))
      return false;
    number = n;
    return true;
  }

  EventLogReadResult read(std::uint32_t flags, std::uint32_t recordNumber,
                          std::span<std::byte> buffer) override {
    EventLogReadResult result;
    // A record is never larger than 0x7FFFF bytes; the service takes a DWORD size.
    const DWORD size =
        buffer.size() > 0x7FFFFFFFu ? 0x7FFFFFFFu : static_cast<DWORD>(buffer.size());
    DWORD read = 0;
    DWORD needed = 0;
    if (!ReadEventLogW(handle_, flags, recordNumber, buffer.data(), size, &read, &needed)) {
      result.error = GetLastError();
      if (result.error == kErrorSuccess)
        result.error = kErrorInvalidParameter;
      result.bytesNeeded = needed;
      return result;
    }
    result.bytesRead = read;
    return result;
  }

 private:
  HANDLE handle_;
};

}  // namespace

std::unique_ptr<EventLog> Win32EventLogService::open(std::string_view server,
                                                     std::string_view logName,
                                                     std::uint32_t* error) {
  const std::wstring wideServer = toWide(server);
  const std::wstring wideLog = toWide(logName);
  HANDLE handle = OpenEventLogW(server.empty() ? nullptr : wideServer.c_str(), wideLog.c_str());
  if (handle == nullptr) {
    if (error)
      *error = GetLastError();
    return nullptr;
  }
  return std::make_unique<Win32EventLog>(handle);
}

}  // namespace tallyvane::platform
