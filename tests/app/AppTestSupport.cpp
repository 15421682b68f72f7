#include "AppTestSupport.h"

#include "support/JournalExport.h"
#include "support/SampleRecords.h"

namespace tallyvane::testing {

std::uint32_t UnixTime(int year, int month, int day, int hour, int minute, int second) {
  return static_cast<std::uint32_t>(utcSeconds(year, month, day, hour, minute, second));
}

std::vector<platform::EventLogRecordFields> KnownSystemLog() {
  std::vector<platform::EventLogRecordFields> r;
  auto add = [&](const char* source, std::uint32_t id, std::uint32_t t,
                 std::vector<std::string> strings = {}) {
    r.push_back(sampleRecord(source, id, t, std::move(strings)));
  };
  const char* kEventLog = "EventLog";
  const char* kPower = "Microsoft-Windows-Kernel-Power";
  const char* kGeneral = "Microsoft-Windows-Kernel-General";
  // Friday 27 February: one session.
  add(kEventLog, 0x80001779, UnixTime(2026, 2, 27, 8, 55, 12));
  add("Service Control Manager", 7036, UnixTime(2026, 2, 27, 8, 56, 0));
  add(kEventLog, 0x80001776, UnixTime(2026, 2, 27, 16, 40, 3));
  // Monday 2 March: a sleep over lunch.
  add(kEventLog, 0x80001779, UnixTime(2026, 3, 2, 7, 58, 40));
  add(kPower, 42, UnixTime(2026, 3, 2, 12, 1, 15));
  add(kGeneral, 1, UnixTime(2026, 3, 2, 12, 47, 2));
  add(kEventLog, 0x80001776, UnixTime(2026, 3, 2, 17, 22, 9));
  // Tuesday 3 March: the machine stops answering at 15:42:10 and is restarted.
  add(kEventLog, 0x80001779, UnixTime(2026, 3, 3, 8, 30, 0));
  add(kEventLog, 0x80001778, UnixTime(2026, 3, 3, 16, 5, 30),
      {"3:42:10 PM", "\u200e3/\u200e3/\u200e2026"});
  add(kEventLog, 0x80001779, UnixTime(2026, 3, 3, 16, 5, 31));
  add(kEventLog, 0x80001776, UnixTime(2026, 3, 3, 18, 10, 0));
  // Wednesday 4 March, today: started in the morning, still running.
  add(kEventLog, 0x80001779, UnixTime(2026, 3, 4, 8, 30, 0));
  return r;
}

KnownMachine::KnownMachine() {
  service.addLog("System", KnownSystemLog());
  service.addLog("Application", {});
  service.addLog("Security", {});
  clock.ticks = (3 * 3600 + 30 * 60) * 1000ull;
  clock.now = platform::SystemTime{2026, 3, 3, 4, 12, 0, 0, 0};
  services = platform::systemServices();
  services.eventLog = &service;
  services.clock = &clock;
}

TSnapshotTexts KnownSnapshot() {
  TSnapshotTexts s;
  s.OSName = "Debian GNU/Linux 12 (bookworm)";
  s.OSEdition = "x64";
  s.ShortOSName = "Debian GNU/Linux 12 (bookworm) x64";
  s.UserName = "ada";
  s.MachineName = "WORKSTATION-07";
  s.InstallDate = 45292.4375;  // 1 January 2024, 10:30
  s.ProductName = "Tallyvane Journal";
  s.Version = "0.1.0";
  s.Description = "Computer usage journal";
  s.Comments = "When was this computer in use, and for how long.";
  s.Copyright = "Copyright (C) 2026 The Tallyvane authors";
  return s;
}

}  // namespace tallyvane::testing
