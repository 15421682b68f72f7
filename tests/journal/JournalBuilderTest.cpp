#include <gtest/gtest.h>

#include <stdexcept>
#include <tuple>

#include "journal/JournalBuilder.h"
#include "support/FakeEventLogService.h"
#include "support/JournalDoubles.h"
#include "support/LocaleSettings.h"
#include "support/TimeZoneGuard.h"

namespace tallyvane {
namespace {

using platform::EventLogRecordFields;
using testing::FixedClock;
using testing::FixedOffsetZone;
using testing::RecordingJournalView;
using testing::When;

// One build over the given System log, everything else fixed.
struct JournalRun {
  explicit JournalRun(const std::vector<EventLogRecordFields>& records, int zoneMinutes = 0)
      : zone(zoneMinutes) {
    service.addLog("System", records);
    services = platform::systemServices();
    services.eventLog = &service;
    services.timeZone = &zone;
  }
  void build(const FormatSettings& settings = testing::usEnglishSettings()) {
    TOrvex_EventLog log(nullptr, services);
    RefreshJournal(log, days, months, view, clock, settings, &usage);
  }

  testing::FakeEventLogService service;
  FixedOffsetZone zone;
  FixedClock clock;
  platform::Services services;
  VectorListModel days;
  VectorListModel months;
  RecordingJournalView view;
  std::vector<DayUsage> usage;
};

// A day row as "<marker> <event>|<spent time>" (the caption checked elsewhere).
std::vector<std::string> dayLines(const VectorListModel& list) {
  std::vector<std::string> out;
  for (const JournalRow& r : list.rows) {
    out.push_back(std::to_string(r.RowMarker) + " " + r.SubItem1 + "|" + r.SubItem2);
  }
  return out;
}
std::vector<std::string> monthLines(const VectorListModel& list) {
  std::vector<std::string> out;
  for (const JournalRow& r : list.rows) {
    out.push_back(r.Caption + "|" + r.SubItem1 + "|" + r.SubItem2);
  }
  return out;
}

const char* const kStarted = "The operating system started";
const char* const kResumed = "The system has resumed from sleep";
const char* const kShutDown = "The operating system was shut down";
const char* const kSleep = "The system entered sleep";

TEST(JournalBuilder, BuildsTheWorkedDayExactly) {
  // Local time is UTC + 1 hour; the records carry UTC.
  JournalRun run(
      {
          testing::startRecord({2014, 1, 30, 7, 0, 10}),
          testing::sleepRecord({2014, 1, 30, 11, 0, 40}),
          testing::resumeRecord({2014, 1, 30, 12, 0, 5}),
          testing::shutdownRecord({2014, 1, 30, 16, 0, 35}),
          testing::startRecord({2014, 1, 31, 8, 0, 0}),
      },
      60);
  run.build();

  const std::vector<JournalRow> expected = {
      {"Thursday, 1/30/2014 8:00:10 AM", kStarted, "", kRowDayStart},
      {"Thursday, 1/30/2014 12:00:40 PM", kSleep, "", kRowOrdinary},
      {"Thursday, 1/30/2014 1:00:05 PM", kResumed, "", kRowOrdinary},
      {"Thursday, 1/30/2014 5:00:35 PM", kShutDown, "9h 00m (8h 00m)", kRowOrdinary},
      {"", "", "", kRowSeparator},
      {"Friday, 1/31/2014 9:00:00 AM", kStarted, "", kRowDayStart},
  };
  EXPECT_EQ(run.days.rows, expected);
  EXPECT_TRUE(run.months.rows.empty());
  // 540 closed minutes plus one hour of uptime.
  EXPECT_EQ(run.view.spentTimeText, "Total spent time: 10h 00m");
  EXPECT_EQ(run.view.uptimeText, "Current uptime: 00.00.00 01:00:00");
  EXPECT_EQ(run.view.calls,
            (std::vector<std::string>{"uptime:Collecting data...please wait", "repaint", "busy",
                                      "beginUpdate", "select:5", "endUpdate", "idle",
                                      "spent:Total spent time: 10h 00m",
                                      "uptime:Current uptime: 00.00.00 01:00:00"}));
  // The SourceName assignment reads the log, then RefreshData reads it again.
  EXPECT_EQ(run.service.opens, 2);

  // A second build starts from scratch and gives the same lists.
  run.build();
  EXPECT_EQ(run.days.rows, expected);
}

TEST(JournalBuilder, FormatsRowsInADayMonthYearLocale) {
  JournalRun run({
      testing::startRecord({2014, 1, 30, 8, 0, 10}),
      testing::shutdownRecord({2014, 1, 30, 17, 0, 35}),
      testing::startRecord({2014, 2, 3, 9, 0, 0}),
      testing::shutdownRecord({2014, 2, 3, 10, 0, 0}),
  });
  run.build(testing::czechSettings());
  ASSERT_EQ(run.days.rows.size(), 5u);
  EXPECT_EQ(run.days.rows[0].Caption, "čtvrtek, 30.1.2014 8:00:10");
  EXPECT_EQ(run.days.rows[1].Caption, "čtvrtek, 30.1.2014 17:00:35");
  EXPECT_EQ(run.days.rows[1].SubItem2, "9h 00m");
  EXPECT_EQ(run.days.rows[3].Caption, "pondělí, 3.2.2014 9:00:00");
  // 540 minutes are 1.125 working days.
  EXPECT_EQ(monthLines(run.months), (std::vector<std::string>{"leden 2014|9h 00m|1,13"}));
}

struct JournalCase {
  const char* name;
  std::vector<EventLogRecordFields> records;
  std::vector<std::string> days;
  std::vector<std::string> months;
};

void expectJournal(const JournalCase& c) {
  SCOPED_TRACE(c.name);
  JournalRun run(c.records);
  run.build();
  EXPECT_EQ(dayLines(run.days), c.days);
  EXPECT_EQ(monthLines(run.months), c.months);
}

TEST(JournalBuilder, PicksStartsStopsSleepsAndResumesOnlyAfterASleep) {
  using namespace testing;
  const JournalCase cases[] = {
      {"a resume without a sleep before it is passed over",
       {startRecord({2014, 1, 30, 8, 0, 0}), resumeRecord({2014, 1, 30, 9, 0, 0})},
       {"-3 The operating system started|"},
       {}},
      {"records passed over between sleep and resume do not clear the sleep",
       {startRecord({2014, 1, 30, 8, 0, 0}), sleepRecord({2014, 1, 30, 9, 0, 0}),
        journalRecord({2014, 1, 30, 9, 30, 0}, 6013, "EventLog"),
        journalRecord({2014, 1, 30, 9, 40, 0}, 41, "Microsoft-Windows-Kernel-Power"),
        resumeRecord({2014, 1, 30, 10, 0, 0})},
       {"-3 The operating system started|", std::string("0 ") + kSleep + "|",
        std::string("0 ") + kResumed + "|"},
       {}},
      {"a second resume after a resume is passed over",
       {startRecord({2014, 1, 30, 8, 0, 0}), sleepRecord({2014, 1, 30, 9, 0, 0}),
        resumeRecord({2014, 1, 30, 10, 0, 0}), resumeRecord({2014, 1, 30, 11, 0, 0})},
       {"-3 The operating system started|", std::string("0 ") + kSleep + "|",
        std::string("0 ") + kResumed + "|"},
       {}},
      {"IDs count only with their own source; sources match without regard to case",
       {journalRecord({2014, 1, 30, 8, 0, 0}, 6009, "eventlog"),
        journalRecord({2014, 1, 30, 8, 30, 0}, 42, "EventLog"),
        journalRecord({2014, 1, 30, 8, 40, 0}, 6006, "Microsoft-Windows-Kernel-Power"),
        journalRecord({2014, 1, 30, 9, 0, 0}, 42, "MICROSOFT-WINDOWS-KERNEL-POWER"),
        journalRecord({2014, 1, 30, 9, 10, 0}, 1, "Microsoft-Windows-Kernel-Power")},
       {"-3 The operating system started|", std::string("0 ") + kSleep + "|"},
       {}},
      {"a first record that is a stop adds no session time",
       {shutdownRecord({2014, 1, 30, 7, 0, 0}), startRecord({2014, 1, 30, 8, 0, 0}),
        shutdownRecord({2014, 1, 30, 9, 0, 0}), startRecord({2014, 1, 31, 8, 0, 0})},
       {std::string("0 ") + kShutDown + "|", "-3 The operating system started|",
        std::string("0 ") + kShutDown + "|1h 00m", "-2 |", "-3 The operating system started|"},
       {}},
      {"two stops after one start both count from that start",
       {startRecord({2014, 1, 30, 8, 0, 0}), sleepRecord({2014, 1, 30, 9, 0, 0}),
        shutdownRecord({2014, 1, 30, 10, 0, 0}), startRecord({2014, 1, 31, 8, 0, 0})},
       {"-3 The operating system started|", std::string("0 ") + kSleep + "|",
        std::string("0 ") + kShutDown + "|2h 00m (3h 00m)", "-2 |",
        "-3 The operating system started|"},
       {}},
  };
  for (const JournalCase& c : cases)
    expectJournal(c);
}

TEST(JournalBuilder, ClosesDaysBySpanAndSessions) {
  using namespace testing;
  const JournalCase cases[] = {
      {"a day of span 0 gets no text and no separator; the next start is still bold",
       {startRecord({2014, 1, 29, 8, 0, 0}), startRecord({2014, 1, 30, 8, 0, 0}),
        shutdownRecord({2014, 1, 30, 9, 0, 0}), startRecord({2014, 1, 31, 8, 0, 0})},
       {"-3 The operating system started|", "-3 The operating system started|",
        std::string("0 ") + kShutDown + "|1h 00m", "-2 |", "-3 The operating system started|"},
       {}},
      {"a session under a minute counts 0 minutes",
       {startRecord({2014, 1, 30, 8, 0, 0}), shutdownRecord({2014, 1, 30, 8, 0, 59}),
        startRecord({2014, 1, 31, 8, 0, 0})},
       {"-3 The operating system started|", std::string("0 ") + kShutDown + "|",
        "-3 The operating system started|"},
       {}},
      {"short sessions of a longer day",
       {startRecord({2014, 1, 30, 8, 0, 0}), shutdownRecord({2014, 1, 30, 8, 0, 59}),
        startRecord({2014, 1, 30, 9, 0, 0}), shutdownRecord({2014, 1, 30, 10, 0, 30}),
        startRecord({2014, 1, 31, 8, 0, 0})},
       {"-3 The operating system started|", std::string("0 ") + kShutDown + "|",
        "0 The operating system started|", std::string("0 ") + kShutDown + "|2h 00m (1h 00m)",
        "-2 |", "-3 The operating system started|"},
       {}},
      {"exactly four hours count 240 minutes",
       {startRecord({2014, 1, 30, 8, 0, 0}), shutdownRecord({2014, 1, 30, 12, 0, 0}),
        startRecord({2014, 1, 31, 8, 0, 0})},
       {"-3 The operating system started|", std::string("0 ") + kShutDown + "|4h 00m", "-2 |",
        "-3 The operating system started|"},
       {}},
      {"a session over midnight belongs to the day of its start",
       {startRecord({2014, 1, 30, 22, 0, 0}), shutdownRecord({2014, 1, 31, 2, 0, 0}),
        startRecord({2014, 1, 31, 9, 0, 0}), shutdownRecord({2014, 1, 31, 10, 0, 0})},
       {"-3 The operating system started|", std::string("0 ") + kShutDown + "|4h 00m", "-2 |",
        "-3 The operating system started|", std::string("0 ") + kShutDown + "|"},
       {}},
      {"a start at exactly midnight opens the next day",
       {startRecord({2014, 1, 30, 8, 0, 0}), shutdownRecord({2014, 1, 30, 9, 0, 0}),
        startRecord({2014, 1, 31, 0, 0, 0})},
       {"-3 The operating system started|", std::string("0 ") + kShutDown + "|1h 00m", "-2 |",
        "-3 The operating system started|"},
       {}},
      {"a long day prints all its hours",
       {startRecord({2014, 1, 27, 8, 0, 0}), shutdownRecord({2014, 1, 29, 10, 5, 0}),
        startRecord({2014, 1, 30, 8, 0, 0})},
       {"-3 The operating system started|", std::string("0 ") + kShutDown + "|50h 05m", "-2 |",
        "-3 The operating system started|"},
       {}},
  };
  for (const JournalCase& c : cases)
    expectJournal(c);
}

// The per-day numbers come from the same walk as the rows: a day for each
// spent-time text, its span and sessions' sum as the text gives them.
TEST(JournalBuilder, SummarisesEachClosedDayWithItsSessions) {
  using namespace testing;
  JournalRun run({startRecord({2014, 1, 30, 8, 0, 0}), shutdownRecord({2014, 1, 30, 9, 0, 0}),
                  startRecord({2014, 1, 30, 10, 0, 0}), shutdownRecord({2014, 1, 30, 10, 30, 0}),
                  startRecord({2014, 1, 31, 22, 0, 0}), shutdownRecord({2014, 2, 1, 2, 0, 0}),
                  startRecord({2014, 2, 3, 8, 0, 0}), shutdownRecord({2014, 2, 3, 8, 0, 30}),
                  startRecord({2014, 2, 4, 8, 0, 0})});
  run.build();
  const auto at = [](int d, int h, int mi) {  // January 2014, local time (UTC here)
    return *EncodeDate(2014, 1, 1) + (d - 1) + *EncodeTime(h, mi, 0, 0);
  };
  constexpr double kSecond = 1.0 / 86400;
  ASSERT_EQ(run.usage.size(), 2u);
  const DayUsage& first = run.usage[0];
  EXPECT_EQ(std::tuple(first.Year, first.Month, first.Day), std::tuple(2014, 1, 30));
  EXPECT_EQ(first.SpanMinutes, 150);
  EXPECT_EQ(first.SessionMinutes, 90);
  ASSERT_EQ(first.Sessions.size(), 2u);
  EXPECT_NEAR(first.Sessions[1].Start, at(30, 10, 0), kSecond);
  EXPECT_NEAR(first.Sessions[1].Stop, at(30, 10, 30), kSecond);
  // A session over midnight stays with the day it started on; a day of a
  // zero span has no text and no summary.
  const DayUsage& second = run.usage[1];
  EXPECT_EQ(std::tuple(second.Year, second.Month, second.Day), std::tuple(2014, 1, 31));
  EXPECT_EQ(second.SessionMinutes, 240);
  ASSERT_EQ(second.Sessions.size(), 1u);
  EXPECT_NEAR(second.Sessions[0].Stop, at(32, 2, 0), kSecond);
  // Rebuilding starts the summary over.
  run.build();
  EXPECT_EQ(run.usage.size(), 2u);
}

TEST(JournalBuilder, WritesARowForEachClosedMonth) {
  using namespace testing;
  const JournalCase cases[] = {
      {"January closes when a start falls in February; February gets no row",
       {startRecord({2014, 1, 30, 8, 0, 0}), shutdownRecord({2014, 1, 30, 16, 0, 0}),
        startRecord({2014, 1, 31, 8, 0, 0}), shutdownRecord({2014, 1, 31, 18, 0, 0}),
        startRecord({2014, 2, 3, 8, 0, 0}), shutdownRecord({2014, 2, 3, 9, 0, 0}),
        startRecord({2014, 2, 4, 8, 0, 0})},
       {"-3 The operating system started|", std::string("0 ") + kShutDown + "|8h 00m", "-2 |",
        "-3 The operating system started|", std::string("0 ") + kShutDown + "|10h 00m", "-2 |",
        "-3 The operating system started|", std::string("0 ") + kShutDown + "|1h 00m", "-2 |",
        "-3 The operating system started|"},
       {"January 2014|18h 00m|2.25"}},
      {"the same month of the next year closes the month before it",
       {startRecord({2013, 1, 30, 8, 0, 0}), shutdownRecord({2013, 1, 30, 9, 0, 0}),
        startRecord({2014, 1, 30, 8, 0, 0})},
       {"-3 The operating system started|", std::string("0 ") + kShutDown + "|1h 00m", "-2 |",
        "-3 The operating system started|"},
       {"January 2013|1h 00m|0.13"}},
      {"a first start in December names its own month",
       {journalRecord({2013, 11, 2, 8, 0, 0}, 6005, "EventLog"),
        startRecord({2013, 12, 30, 8, 0, 0}), shutdownRecord({2013, 12, 30, 12, 0, 0}),
        startRecord({2014, 1, 2, 8, 0, 0})},
       {"-3 The operating system started|", std::string("0 ") + kShutDown + "|4h 00m", "-2 |",
        "-3 The operating system started|"},
       {"December 2013|4h 00m|0.50"}},
      {"a month whose days all have span 0 gets no row",
       {startRecord({2013, 12, 30, 8, 0, 0}), startRecord({2013, 12, 31, 8, 0, 0}),
        startRecord({2014, 1, 2, 8, 0, 0}), shutdownRecord({2014, 1, 2, 9, 0, 0}),
        startRecord({2014, 2, 2, 8, 0, 0})},
       {"-3 The operating system started|", "-3 The operating system started|",
        "-3 The operating system started|", std::string("0 ") + kShutDown + "|1h 00m", "-2 |",
        "-3 The operating system started|"},
       {"January 2014|1h 00m|0.13"}},
  };
  for (const JournalCase& c : cases)
    expectJournal(c);
}

TEST(JournalBuilder, UsesRecordsUpToTheEndOfToday) {
  // Today is 6 February 2014, 12:00.
  JournalRun run({
      testing::startRecord({2014, 2, 6, 8, 0, 0}),
      testing::shutdownRecord({2014, 2, 6, 23, 59, 59}),
      testing::sleepRecord({2014, 2, 7, 0, 0, 0}),
      testing::startRecord({2014, 2, 7, 0, 0, 1}),
      testing::shutdownRecord({2014, 3, 1, 8, 0, 0}),
  });
  run.build();
  EXPECT_EQ(dayLines(run.days), (std::vector<std::string>{"-3 The operating system started|",
                                                          std::string("0 ") + kShutDown + "|"}));
}

TEST(JournalBuilder, TakesTheUnexpectedShutdownTimeFromTheRecordText) {
  const char* const lrm = "\xE2\x80\x8E";
  const std::string usDate = std::string(lrm) + "1/" + lrm + "30/" + lrm + "2014";
  const std::string czDate = std::string(lrm) + "30." + lrm + "1." + lrm + "2014";
  struct Case {
    const char* name;
    std::string time, date;
    FormatSettings settings;
    const char* caption;
    const char* spent;
  };
  const Case cases[] = {
      {"marks, month/day/year", "10:57:21 PM", usDate, testing::usEnglishSettings(),
       "Thursday, 1/30/2014 10:57:21 PM", "2h 57m"},
      {"question marks, month/day/year", "10:57:21 PM", "?1/?30/?2014",
       testing::usEnglishSettings(), "Thursday, 1/30/2014 10:57:21 PM", "2h 57m"},
      {"marks, day.month.year", "22:57:21", czDate, testing::czechSettings(),
       "čtvrtek, 30.1.2014 22:57:21", "2h 57m"},
      {"question marks, day.month.year", "22:57:21", "?30.?1.?2014", testing::czechSettings(),
       "čtvrtek, 30.1.2014 22:57:21", "2h 57m"},
      {"a date of another locale keeps the record's own time", "10:57:21 PM", usDate,
       testing::czechSettings(), "čtvrtek, 30.1.2014 23:00:00", "3h 00m"},
      {"a text that does not convert keeps the record's own time", "late", "yesterday",
       testing::usEnglishSettings(), "Thursday, 1/30/2014 11:00:00 PM", "3h 00m"},
      {"a text without a date keeps the record's own time", "10:57:21 PM", "",
       testing::usEnglishSettings(), "Thursday, 1/30/2014 11:00:00 PM", "3h 00m"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    JournalRun run({
        testing::startRecord({2014, 1, 30, 20, 0, 0}),
        testing::unexpectedRecord({2014, 1, 30, 23, 0, 0}, c.time, c.date),
        testing::startRecord({2014, 1, 31, 9, 0, 0}),
    });
    run.build(c.settings);
    ASSERT_EQ(run.days.rows.size(), 4u);
    const JournalRow& row = run.days.rows[1];
    EXPECT_EQ(row.Caption, c.caption);
    EXPECT_EQ(row.SubItem1, "Unexpected shutdown");
    EXPECT_EQ(row.RowMarker, kRowUnexpectedShutdown);
    // The session and the day end at the shutdown when the text gives it, else
    // at the time the record was written.
    EXPECT_EQ(row.SubItem2, c.spent);
  }
}

// The records Windows writes when a boot finds that the one before it crashed:
// the unexpected shutdown (its text: the time and date of the crash, local)
// and then the start, with one time stamp. The Linux history writes the
// unexpected shutdown one second earlier.
enum class CrashOrder { kWindows, kLinux };
std::vector<EventLogRecordFields> crashThenBoot(CrashOrder order, testing::When boot,
                                                const char* time, const char* date) {
  EventLogRecordFields crash = testing::unexpectedRecord(boot, time, date);
  if (order == CrashOrder::kLinux)
    crash.timeGenerated = crash.timeWritten = crash.timeGenerated - 1;
  return {crash, testing::startRecord(boot)};
}

TEST(JournalBuilder, ADayThatEndedInACrashEndsAtTheCrash) {
  using namespace testing;
  struct Case {
    const char* name;
    When start, boot;
    const char *crashTime, *crashDate;
    std::vector<std::string> days;
    std::vector<std::string> months;
    const char* total;  // one hour of uptime included
  };
  const std::string crashRow = "-4 Unexpected shutdown|";
  const Case cases[] = {
      {"a crash before midnight with the boot after it",
       {2014, 1, 30, 20, 0, 0},
       {2014, 1, 31, 0, 30, 0},
       "11:30:00 PM",
       "1/30/2014",
       {"-3 The operating system started|", crashRow + "3h 30m", "-2 |",
        "-3 The operating system started|", std::string("0 ") + kShutDown + "|1h 00m", "-2 |",
        "-3 The operating system started|"},
       {"January 2014|4h 30m|0.56"},
       "Total spent time: 5h 30m"},
      {"a crash on Friday with the next boot on Monday",
       {2014, 1, 31, 8, 0, 0},
       {2014, 2, 3, 8, 0, 0},
       "5:00:00 PM",
       "1/31/2014",
       {"-3 The operating system started|", crashRow + "9h 00m", "-2 |",
        "-3 The operating system started|", std::string("0 ") + kShutDown + "|1h 00m", "-2 |",
        "-3 The operating system started|"},
       {"January 2014|9h 00m|1.13"},
       "Total spent time: 11h 00m"},
  };
  for (const Case& c : cases) {
    for (const CrashOrder order : {CrashOrder::kWindows, CrashOrder::kLinux}) {
      SCOPED_TRACE(std::string(c.name) + (order == CrashOrder::kWindows ? ", Windows" : ", Linux"));
      std::vector<EventLogRecordFields> records = {startRecord(c.start)};
      for (auto& r : crashThenBoot(order, c.boot, c.crashTime, c.crashDate))
        records.push_back(std::move(r));
      When stop = c.boot;
      stop.h += 1;
      records.push_back(shutdownRecord(stop));
      records.push_back(startRecord({2014, 2, 4, 8, 0, 0}));
      JournalRun run(records);
      run.build();
      EXPECT_EQ(dayLines(run.days), c.days);
      EXPECT_EQ(monthLines(run.months), c.months);
      EXPECT_EQ(run.view.spentTimeText, c.total);
    }
  }
}

// Records in UTC read in a zone with daylight saving. Sessions are measured and
// ordered by the absolute time; rows show local time.
TEST(JournalBuilder, MeasuresAcrossClockChangesInAbsoluteTime) {
#if defined(_WIN32)
  GTEST_SKIP() << "the zones are chosen through TZ, which Windows does not take its zone from";
#endif
  using namespace testing;
  struct Case {
    const char* name;
    const char* zone;
    std::vector<EventLogRecordFields> records;  // UTC
    std::vector<std::string> days;
    std::vector<std::string> captions;  // of the first two rows
  };
  const std::string stopped = std::string("0 ") + kShutDown + "|";
  const std::vector<std::string> oneSession = {"-3 The operating system started|", stopped, "-2 |",
                                               "-3 The operating system started|"};
  const auto session = [&](const char* spent) {
    std::vector<std::string> rows = oneSession;
    rows[1] += spent;
    return rows;
  };
  const Case cases[] = {
      {"Prague, spring: 01:30 CET to 03:30 CEST is one hour",
       "Europe/Prague",
       {startRecord({2014, 3, 30, 0, 30, 0}), shutdownRecord({2014, 3, 30, 1, 30, 0}),
        startRecord({2014, 3, 31, 7, 0, 0})},
       session("1h 00m"),
       {"Sunday, 3/30/2014 1:30:00 AM", "Sunday, 3/30/2014 3:30:00 AM"}},
      {"Prague, autumn: 02:00 CEST to 04:00 CET is three hours",
       "Europe/Prague",
       {startRecord({2014, 10, 26, 0, 0, 0}), shutdownRecord({2014, 10, 26, 3, 0, 0}),
        startRecord({2014, 10, 27, 7, 0, 0})},
       session("3h 00m"),
       {"Sunday, 10/26/2014 2:00:00 AM", "Sunday, 10/26/2014 4:00:00 AM"}},
      {"Prague, a start in the repeated hour and a stop in its second pass",
       "Europe/Prague",
       {startRecord({2014, 10, 26, 0, 30, 0}), shutdownRecord({2014, 10, 26, 1, 10, 0}),
        startRecord({2014, 10, 27, 7, 0, 0})},
       session("0h 40m"),
       {"Sunday, 10/26/2014 2:30:00 AM", "Sunday, 10/26/2014 2:10:00 AM"}},
      {"New York, spring: 01:30 EST to 03:30 EDT is one hour",
       "America/New_York",
       {startRecord({2014, 3, 9, 6, 30, 0}), shutdownRecord({2014, 3, 9, 7, 30, 0}),
        startRecord({2014, 3, 10, 12, 0, 0})},
       session("1h 00m"),
       {"Sunday, 3/9/2014 1:30:00 AM", "Sunday, 3/9/2014 3:30:00 AM"}},
      {"New York, autumn: 00:30 EDT to 02:30 EST is three hours",
       "America/New_York",
       {startRecord({2014, 11, 2, 4, 30, 0}), shutdownRecord({2014, 11, 2, 7, 30, 0}),
        startRecord({2014, 11, 3, 12, 0, 0})},
       session("3h 00m"),
       {"Sunday, 11/2/2014 12:30:00 AM", "Sunday, 11/2/2014 2:30:00 AM"}},
      {"New York, a start in the repeated hour and a stop in its second pass",
       "America/New_York",
       {startRecord({2014, 11, 2, 5, 30, 0}), shutdownRecord({2014, 11, 2, 6, 10, 0}),
        startRecord({2014, 11, 3, 12, 0, 0})},
       session("0h 40m"),
       {"Sunday, 11/2/2014 1:30:00 AM", "Sunday, 11/2/2014 1:10:00 AM"}},
      {"Prague, a crash before the spring change found after it",
       "Europe/Prague",
       {startRecord({2014, 3, 30, 0, 0, 0}),
        unexpectedRecord({2014, 3, 31, 6, 0, 0}, "1:50:00 AM", "3/30/2014"),
        startRecord({2014, 3, 31, 6, 0, 0})},
       {"-3 The operating system started|", "-4 Unexpected shutdown|0h 50m", "-2 |",
        "-3 The operating system started|"},
       {"Sunday, 3/30/2014 1:00:00 AM", "Sunday, 3/30/2014 1:50:00 AM"}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    TimeZoneGuard tz(c.zone);
    JournalRun run(c.records);
    run.services.timeZone = platform::systemServices().timeZone;
    run.clock.now = {2014, 12, 1, 1, 12, 0, 0, 0};
    run.build();
    EXPECT_EQ(dayLines(run.days), c.days);
    ASSERT_GE(run.days.rows.size(), 2u);
    EXPECT_EQ(run.days.rows[0].Caption, c.captions[0]);
    EXPECT_EQ(run.days.rows[1].Caption, c.captions[1]);
  }
}

TEST(JournalBuilder, AnEmptyLogShowsOnlyTheUptime) {
  struct Case {
    std::uint64_t ticks;
    const char* total;
    const char* uptime;
  };
  const Case cases[] = {
      {90'061'000, "Total spent time: 25h 01m", "Current uptime: 00.00.01 01:01:01"},
      {30'000, "Total spent time: 0h 00m", "Current uptime: 00.00.00 00:00:30"},
      {90'000, "Total spent time: 0h 02m", "Current uptime: 00.00.00 00:01:30"},
      {89'999, "Total spent time: 0h 01m", "Current uptime: 00.00.00 00:01:29"},
      // 60 days: a 32-bit tick counter would have wrapped after 49.7 days.
      {5'184'000'000, "Total spent time: 1440h 00m", "Current uptime: 00.02.00 00:00:00"},
  };
  for (const Case& c : cases) {
    JournalRun run(
        {testing::journalRecord({2014, 1, 30, 8, 0, 0}, 7036, "Service Control Manager")});
    run.clock.ticks = c.ticks;
    run.build();
    EXPECT_TRUE(run.days.rows.empty());
    EXPECT_TRUE(run.months.rows.empty());
    EXPECT_EQ(run.view.selectedRow, -1);
    EXPECT_EQ(run.view.spentTimeText, c.total);
    EXPECT_EQ(run.view.uptimeText, c.uptime);
  }
}

// A day list that fails on its n-th append, as a list control may.
class FailingListModel : public VectorListModel {
 public:
  explicit FailingListModel(int failAt) : failAt_(failAt) {}
  std::size_t append(JournalRow row) override {
    if (++appends_ == failAt_)
      throw std::runtime_error("list control failed");
    return VectorListModel::append(std::move(row));
  }

 private:
  int failAt_;
  int appends_ = 0;
};

TEST(JournalBuilder, AnErrorPartWayKeepsTheRowsAndTheStatusTexts) {
  JournalRun run({
      testing::startRecord({2014, 1, 30, 8, 0, 0}),
      testing::shutdownRecord({2014, 1, 30, 9, 0, 0}),
      testing::startRecord({2014, 1, 31, 8, 0, 0}),
  });
  FailingListModel days(3);
  TOrvex_EventLog log(nullptr, run.services);
  EXPECT_THROW(
      RefreshJournal(log, days, run.months, run.view, run.clock, testing::usEnglishSettings()),
      std::runtime_error);
  EXPECT_EQ(dayLines(days), (std::vector<std::string>{"-3 The operating system started|",
                                                      std::string("0 ") + kShutDown + "|"}));
  EXPECT_EQ(run.view.uptimeText, "Collecting data...please wait");
  EXPECT_EQ(run.view.spentTimeText, " ");
  EXPECT_EQ(run.view.calls,
            (std::vector<std::string>{"uptime:Collecting data...please wait", "repaint", "busy",
                                      "beginUpdate", "endUpdate", "idle"}));
  EXPECT_EQ(run.clock.tickReads, 0);
}

}  // namespace
}  // namespace tallyvane
