#pragma once
// The journal builder: from the System event log, the day list, the month
// list, the total spent time and the current uptime.
#include <cstdint>
#include <string_view>

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
// time). Returns the minutes of all closed days.
std::int64_t BuildJournalRows(const TEventLog& Records, TDateTime Today, JournalListModel& List,
                              JournalListModel& MonthList, const FormatSettings& Settings);

void RefreshJournal(TOrvex_EventLog& EventLog, JournalListModel& List, JournalListModel& MonthList,
                    JournalView& View, platform::SystemClock& Clock,
                    const FormatSettings& Settings);

}  // namespace tallyvane
