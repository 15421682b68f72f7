#pragma once
// The journal builder: from the System event log, the day list, the month
// list, the total spent time and the current uptime.
#include <cstdint>
#include <string_view>
#include <vector>

#include "eventlog/Qzi_EventLog.h"
#include "journal/JournalListModel.h"
#include "platform/TimeZone.h"
#include "present/FormatSettings.h"

namespace tallyvane {

// The status text shown while a build runs.
inline constexpr std::string_view kJournalProgressText = "Collecting data...please wait";
// The sources whose records the journal reads.
inline constexpr std::string_view kJournalSourceFilter =
    "Microsoft-Windows-Kernel-General,Microsoft-Windows-Kernel-Power,EventLog";

// One closed day of the journal in numbers, for charts that need dates rather
// than the rows' locale-formatted texts. Times are local, as the rows show them.
struct DayUsage {
  struct Session {
    TDateTime Start = 0.0;
    TDateTime Stop = 0.0;
  };
  int Year = 0;
  int Month = 0;                    // 1..12
  int Day = 0;                      // 1..31
  std::int64_t SpanMinutes = 0;     // first start to last event, as the day row
  std::int64_t SessionMinutes = 0;  // the sessions' sum: the time spent
  std::vector<Session> Sessions;    // the closed sessions of the day, in order
};

// Rebuilds the journal from scratch: configures and reads `EventLog` (the log
// "System"), clears and fills `List` (day rows) and `MonthList` (month rows),
// and sets the two status texts of `View`. `Clock` gives today's date and the
// milliseconds since the system started; `Settings` the locale's formats.
//
// An error while reading or walking the records ends the build and goes on to
// the caller; the rows added so far stay, the bulk update and the busy cursor
// end, and the status texts keep what they had.
// The row-building walk of RefreshJournal over records already read and
// sorted: appends the day rows to `List` and the month rows to `MonthList`
// (neither is cleared), passing over records on days after `Today` (local
// time). Returns the minutes of all closed days. When `Usage` is given, it
// gets a DayUsage for every day that gets a spent-time text, in the same walk
// (it is cleared first).
std::int64_t BuildJournalRows(const TEventLog& Records, TDateTime Today, JournalListModel& List,
                              JournalListModel& MonthList, const FormatSettings& Settings,
                              std::vector<DayUsage>* Usage = nullptr);

void RefreshJournal(TOrvex_EventLog& EventLog, JournalListModel& List, JournalListModel& MonthList,
                    JournalView& View, platform::SystemClock& Clock, const FormatSettings& Settings,
                    std::vector<DayUsage>* Usage = nullptr);

}  // namespace tallyvane
