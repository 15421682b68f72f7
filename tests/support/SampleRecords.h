#pragma once
// Event records shaped like those of a real System log, for tests, fuzz seeds
// and benchmarks. Header only.
#include <cstdint>
#include <string>
#include <vector>

#include "platform/Accounts.h"
#include "platform/EventLogRecord.h"

namespace tallyvane::testing {

inline platform::EventLogRecordFields sampleRecord(std::string source, std::uint32_t eventId,
                                                   std::uint32_t time,
                                                   std::vector<std::string> strings = {}) {
  platform::EventLogRecordFields f;
  f.sourceName = std::move(source);
  f.computerName = "WORKSTATION-07";
  f.eventId = eventId;
  f.timeGenerated = time;
  f.timeWritten = time;
  f.eventType = platform::kEventLogInformationType;
  f.strings = std::move(strings);
  return f;
}

inline std::vector<std::byte> localSystemSid() {
  const std::uint32_t sub[] = {18};
  return platform::makeSid(5, sub);
}

// A short day of a machine's life: start, a service, sleep, resume, an
// unexpected shutdown and the next start, with SIDs, data and categories.
inline std::vector<platform::EventLogRecordFields> sampleDay(std::uint32_t t0 = 1'700'000'000) {
  std::vector<platform::EventLogRecordFields> r;
  r.push_back(sampleRecord("EventLog", 0x80001779, t0,
                           {"6.01.", "7601", "Service Pack 1", "Multiprocessor Free", "17514"}));
  r.push_back(sampleRecord("EventLog", 0x80001775, t0 + 1));
  r.push_back(sampleRecord("Microsoft-Windows-Kernel-General", 12, t0 + 2,
                           {"6", "1", "7601", "1", "0", "0", "2023-11-14T22:13:20.500000000Z"}));
  auto scm = sampleRecord("Service Control Manager", 0x40001B8F, t0 + 60,
                          {"Windows Update", "auto start", "demand start", "wuauserv"});
  scm.userSid = localSystemSid();
  r.push_back(scm);
  auto time = sampleRecord("Microsoft-Windows-Time-Service", 35, t0 + 120,
                           {"time.windows.com,0x9 (ntp.m|0x9|0.0.0.0:123->1.2.3.4:123)", "1"});
  time.eventCategory = 0;
  r.push_back(time);
  auto tcpip = sampleRecord("Tcpip", 0xC0001067, t0 + 300);
  tcpip.eventType = platform::kEventLogWarningType;
  tcpip.data = {std::byte{0x41}, std::byte{0x2C}, std::byte{0x0A}, std::byte{0xE9}};
  r.push_back(tcpip);
  r.push_back(sampleRecord("Microsoft-Windows-Kernel-Power", 42, t0 + 3600, {"1", "0"}));
  r.push_back(sampleRecord("Microsoft-Windows-Kernel-General", 1, t0 + 7200,
                           {"2023-11-14T23:13:20Z", "2023-11-15T00:13:21Z"}));
  r.push_back(sampleRecord("Microsoft-Windows-Kernel-Power", 107, t0 + 7201));
  auto unexpected = sampleRecord("EventLog", 0x80001778, t0 + 9000,
                                 {"2:41:02 AM", "\u200e11/\u200e15/\u200e2023"});
  unexpected.eventType = platform::kEventLogErrorType;
  r.push_back(unexpected);
  auto disk = sampleRecord("Disk", 0xC0000007, t0 + 9001, {"\\Device\\Harddisk0\\DR0"});
  disk.eventType = platform::kEventLogErrorType;
  disk.eventCategory = 3;
  disk.data = std::vector<std::byte>(40, std::byte{0x7F});
  r.push_back(disk);
  r.push_back(sampleRecord("EventLog", 0x80001779, t0 + 9100, {"6.01.", "7601"}));
  return r;
}

}  // namespace tallyvane::testing
