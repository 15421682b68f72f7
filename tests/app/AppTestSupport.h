#pragma once
// A known System log, a fixed clock and a snapshot for the window's tests and
// for the screenshots.
#include <cstdint>
#include <vector>

#include "app/common/SnapshotTexts.h"
#include "platform/EventLogRecord.h"
#include "platform/Services.h"
#include "support/FakeEventLogService.h"

namespace tallyvane::testing {

class FixedClock : public platform::SystemClock {
 public:
  std::uint64_t ticks = 0;
  platform::SystemTime now;
  std::uint64_t tickCount64() override { return ticks; }
  platform::SystemTime localNow() override { return now; }
};

// Seconds since 1970 of a UTC calendar time.
std::uint32_t UnixTime(int year, int month, int day, int hour, int minute, int second);

// Several days of a machine's life in late February and early March 2026: a
// working day with sleep and resume, a day with an unexpected shutdown, and
// today (4 March 2026) still running. The clock stands at 4 March 12:00 with
// 3 h 30 min of uptime.
std::vector<platform::EventLogRecordFields> KnownSystemLog();

struct KnownMachine {
  FakeEventLogService service;
  FixedClock clock;
  platform::Services services;
  KnownMachine();
};

TSnapshotTexts KnownSnapshot();

}  // namespace tallyvane::testing
