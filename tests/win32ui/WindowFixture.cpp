#include "WindowFixture.h"

#include "components/TComponent.h"
#include "eventlog/Qzi_EventLog.h"
#include "journal/JournalBuilder.h"
#include "support/JournalExport.h"
#include "support/SampleRecords.h"

namespace tallyvane::testing {

namespace {

std::uint32_t At(int month, int day, int hour, int minute, int second) {
  return static_cast<std::uint32_t>(utcSeconds(2026, month, day, hour, minute, second));
}

}  // namespace

std::vector<platform::EventLogRecordFields> KnownSystemLog() {
  std::vector<platform::EventLogRecordFields> r;
  auto add = [&](const char* source, std::uint32_t id, std::uint32_t t,
                 std::vector<std::string> strings = {}) {
    r.push_back(sampleRecord(source, id, t, std::move(strings)));
  };
  const char* kEventLog = "EventLog";
  // Friday 27 February: one session.
  add(kEventLog, 0x80001779, At(2, 27, 8, 55, 12));
  add("Service Control Manager", 7036, At(2, 27, 8, 56, 0));
  add(kEventLog, 0x80001776, At(2, 27, 16, 40, 3));
  // Monday 2 March: a sleep over lunch.
  add(kEventLog, 0x80001779, At(3, 2, 7, 58, 40));
  add("Microsoft-Windows-Kernel-Power", 42, At(3, 2, 12, 1, 15));
  add("Microsoft-Windows-Kernel-General", 1, At(3, 2, 12, 47, 2));
  add(kEventLog, 0x80001776, At(3, 2, 17, 22, 9));
  // Tuesday 3 March: the machine stops answering and is restarted.
  add(kEventLog, 0x80001779, At(3, 3, 8, 30, 0));
  add(kEventLog, 0x80001778, At(3, 3, 16, 5, 30), {"3:42:10 PM", "3/3/2026"});
  add(kEventLog, 0x80001779, At(3, 3, 16, 5, 31));
  add(kEventLog, 0x80001776, At(3, 3, 18, 10, 0));
  // Wednesday 4 March, today: started in the morning, still running.
  add(kEventLog, 0x80001779, At(3, 4, 8, 30, 0));
  return r;
}

KnownMachine::KnownMachine(int ExtraDays) {
  std::vector<platform::EventLogRecordFields> log;
  for (int day = 0; day < ExtraDays; ++day) {
    const std::uint32_t morning = At(1, 1, 8, 0, 0) + static_cast<std::uint32_t>(day) * 86400u;
    log.push_back(sampleRecord("EventLog", 0x80001779, morning));
    log.push_back(sampleRecord("EventLog", 0x80001776, morning + 8 * 3600 + 60 * day));
  }
  for (auto& record : KnownSystemLog()) {
    log.push_back(std::move(record));
  }
  service.addLog("System", log);
  service.addLog("Application", {});
  service.addLog("Security", {});
  clock.ticks = (3 * 3600 + 30 * 60) * 1000ull;
  clock.now = platform::SystemTime{2026, 3, 3, 4, 12, 0, 0, 0};
  services = platform::systemServices();
  services.eventLog = &service;
  services.clock = &clock;
  services.timeZone = &zone;
}

TSnapshotTexts KnownFacts() {
  TSnapshotTexts f;
  f.OSName = "Windows 10 Pro";
  f.OSEdition = "x64";
  f.ShortOSName = "Windows 10 Pro x64";
  f.UserName = "ada";
  f.MachineName = "WORKSTATION-07";
  f.InstallDate = 45292.4375;  // 1 January 2024, 10:30
  f.ProductName = "Tallyvane Journal";
  f.Version = "0.1.0";
  f.Description = "Computer usage journal";
  f.Comments = "When was this computer in use, and for how long.";
  f.Copyright = "Copyright (C) 2026 The Tallyvane authors";
  return f;
}

BuiltJournal BuildJournal(const platform::Services& Services, const FormatSettings& Settings) {
  TComponent owner(nullptr);
  auto* log = new TOrvex_EventLog(&owner, Services);
  log->SetSourceName("System");
  log->SetExpandMessages(false);
  log->SetLookupSID(false);
  VectorListModel days, months;
  TextOnlyJournalView view;
  RefreshJournal(*log, days, months, view, *Services.clock, Settings);
  return {days.rows, months.rows, view.uptimeText, view.spentTimeText};
}

}  // namespace tallyvane::testing
