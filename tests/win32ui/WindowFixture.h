#pragma once
// A known System log, a fixed clock and the program's facts for the window's
// tests, and the journal the builder makes of them on its own.
#include <string>
#include <vector>

#include "app/common/SnapshotTexts.h"
#include "journal/JournalListModel.h"
#include "platform/EventLogRecord.h"
#include "platform/Services.h"
#include "present/FormatSettings.h"
#include "support/FakeEventLogService.h"
#include "support/JournalDoubles.h"

namespace tallyvane::testing {

// A few days of a machine's life in early March 2026: a working day with a
// sleep, a day with an unexpected shutdown, and today still running.
std::vector<platform::EventLogRecordFields> KnownSystemLog();

struct KnownMachine {
  // `ExtraDays` adds as many working days before the known ones, from
  // 1 January 2026 on, for lists longer than a printed page.
  explicit KnownMachine(int ExtraDays = 0);
  FakeEventLogService service;
  FixedClock clock;
  FixedOffsetZone zone{0};
  platform::Services services;
};

TSnapshotTexts KnownFacts();

struct BuiltJournal {
  std::vector<JournalRow> days;
  std::vector<JournalRow> months;
  std::string uptimeText;
  std::string spentTimeText;
};

// The journal of `Services` as the builder makes it into plain vectors.
BuiltJournal BuildJournal(const platform::Services& Services, const FormatSettings& Settings);

}  // namespace tallyvane::testing
