#include "platform/linux/LinuxHistory.h"

#include <unistd.h>
#include <utmpx.h>

#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <fstream>

#include "eventlog/Orvex_EventLogNT.h"
#include "journal/JournalBuilder.h"
#include "platform/ByteReader.h"
#include "platform/linux/LinuxEventLogService.h"
#include "support/FakeEventLogService.h"
#include "support/JournalDoubles.h"
#include "support/JournalExport.h"
#include "support/LocaleSettings.h"
#include "support/TempDir.h"

namespace tallyvane::platform {
namespace {

using testing::JournalExport;
using testing::usec;
using testing::utcSeconds;

class TimeZoneGuard {
 public:
  explicit TimeZoneGuard(const char* zone) {
    if (const char* old = std::getenv("TZ"))
      saved_ = old;
    setenv("TZ", zone, 1);
    tzset();
  }
  ~TimeZoneGuard() {
    if (saved_) {
      setenv("TZ", saved_->c_str(), 1);
    } else {
      unsetenv("TZ");
    }
    tzset();
  }

 private:
  std::optional<std::string> saved_;
};

LocaleFormats usFormats() {
  LocaleFormats f;
  f.shortDate = "M/d/yyyy";
  f.longTime = "h:mm:ss tt";
  f.am = "AM";
  f.pm = "PM";
  return f;
}

ShutdownTextFormatter usFormatter() {
  return [](std::int64_t seconds) { return unexpectedShutdownTexts(seconds, usFormats()); };
}

// What the reader makes of one served record, in a line easy to compare.
struct Served {
  std::uint32_t eventId;
  std::string source;
  std::int64_t time;  // TimeGenerated
  std::string description;
  std::string computer;
  TEventType type = etInformation;
  friend bool operator==(const Served&, const Served&) = default;
  friend std::ostream& operator<<(std::ostream& out, const Served& s) {
    return out << s.eventId << " " << s.source << " @" << s.time << " [" << s.description << "] "
               << s.computer << " type " << int(s.type);
  }
};

std::vector<Served> readThroughReader(EventLogService& service) {
  Services services = systemServices();
  services.eventLog = &service;
  TEventLog log(true, services);
  log.SetSourceName("System");
  log.RefreshData(true);
  log.Sort();
  std::vector<Served> out;
  for (std::uint32_t i = 0; i < log.RecordCount(); ++i) {
    const TLogRecord& r = *log.Records(i);
    const auto seconds = static_cast<std::int64_t>(std::llround(r.DateTime * 86400.0)) -
                         static_cast<std::int64_t>(25569) * 86400;
    out.push_back(Served{r.EventID, r.Source, seconds, r.Description, r.Computer, r.EventType});
  }
  return out;
}

std::uint32_t u32At(std::span<const std::byte> record, std::size_t offset) {
  return ByteReader(record).u32(offset).value_or(0);
}

constexpr const char* kBootA = "0aa1d1c9c0e54b4c9f4a8c3f0a1b2c01";
constexpr const char* kBootB = "0bb1d1c9c0e54b4c9f4a8c3f0a1b2c02";
constexpr const char* kBootC = "0cc1d1c9c0e54b4c9f4a8c3f0a1b2c03";
constexpr const char* kBootD = "0dd1d1c9c0e54b4c9f4a8c3f0a1b2c04";

// Four boots: a clean one with a suspend; one that runs past midnight into a new
// month and ends without shutdown; a clean one with a hibernation that ends with
// the shutdown message but no journal stop; and a last one still going.
JournalExport fourBoots() {
  JournalExport j;
  const std::int64_t a = utcSeconds(2024, 1, 30, 8, 0, 10);
  j.boot(kBootA, usec(a), "alpha", "6.1.0-17-amd64");
  j.message(usec(a + 60), "Started session 1 of user ann.");
  j.sleep(usec(utcSeconds(2024, 1, 30, 12, 0, 40)), "suspend");
  const std::int64_t slept =
      usec(utcSeconds(2024, 1, 30, 13, 0, 5) - utcSeconds(2024, 1, 30, 12, 0, 40));
  j.resume(usec(utcSeconds(2024, 1, 30, 13, 0, 5)), slept);
  j.shutdownStarted(usec(utcSeconds(2024, 1, 30, 17, 0, 30)), slept);
  j.journalStopped(usec(utcSeconds(2024, 1, 30, 17, 0, 35)), slept);

  const std::int64_t b = utcSeconds(2024, 1, 31, 9, 0, 0);
  j.boot(kBootB, usec(b) + 250'000, "alpha", "6.1.0-18-amd64");
  j.message(usec(utcSeconds(2024, 1, 31, 23, 58, 0)), "still here");
  j.message(usec(utcSeconds(2024, 2, 1, 0, 30, 12)) + 900'000, "last words");

  const std::int64_t c = utcSeconds(2024, 2, 1, 8, 15, 0);
  j.boot(kBootC, usec(c), "alpha", "6.1.0-18-amd64");
  j.sleep(usec(utcSeconds(2024, 2, 1, 10, 0, 0)), "hibernate");
  const std::int64_t away = usec(3600);
  j.resume(usec(utcSeconds(2024, 2, 1, 11, 0, 0)), away);
  j.shutdownStarted(usec(utcSeconds(2024, 2, 1, 18, 0, 0)), away);
  j.message(usec(utcSeconds(2024, 2, 1, 18, 0, 4)), "Reached target System Power Off.", away);

  const std::int64_t d = utcSeconds(2024, 2, 2, 7, 0, 0);
  // Its first entry is no kernel banner: the release is found all the same.
  j.boot(kBootD, usec(d), "alpha-renamed", "6.1.0-18-amd64", false);
  j.message(usec(utcSeconds(2024, 2, 2, 7, 30, 0)), "working");
  return j;
}

class JournalHistory : public ::testing::Test {
 protected:
  void SetUp() override {
    if (access(testing::kJournalRemote, X_OK) != 0) {
      GTEST_SKIP() << "systemd-journal-remote is not installed (scripts/deps.sh test)";
    }
  }
  testing::TempDir dir_;
};

TEST_F(JournalHistory, ServesBootsShutdownsCrashesAndSleepsAsTheWindowsRecords) {
  TimeZoneGuard utc("UTC");
  ASSERT_TRUE(fourBoots().write(dir_.path() / "system.journal"));
  LinuxEventLogService service(LinuxEventLogService::Origin::JournalDirectory,
                               dir_.path().string());
  service.setShutdownTextFormatter(usFormatter());

  const std::vector<Served> expected = {
      {6009, "EventLog", utcSeconds(2024, 1, 30, 8, 0, 10), "6.1.0-17-amd64", "alpha"},
      {42, "Microsoft-Windows-Kernel-Power", utcSeconds(2024, 1, 30, 12, 0, 40), "suspend",
       "alpha"},
      {1, "Microsoft-Windows-Kernel-General", utcSeconds(2024, 1, 30, 13, 0, 5), "", "alpha"},
      {6006, "EventLog", utcSeconds(2024, 1, 30, 17, 0, 35), "", "alpha"},
      {6009, "EventLog", utcSeconds(2024, 1, 31, 9, 0, 0), "6.1.0-18-amd64", "alpha"},
      // The crash of the boot of 31 January, written just before the next boot's
      // start record with the time and date of the boot's last entry.
      {6008, "EventLog", utcSeconds(2024, 2, 1, 8, 14, 59), "12:30:12 AM\r2/1/2024", "alpha",
       etError},
      {6009, "EventLog", utcSeconds(2024, 2, 1, 8, 15, 0), "6.1.0-18-amd64", "alpha"},
      {42, "Microsoft-Windows-Kernel-Power", utcSeconds(2024, 2, 1, 10, 0, 0), "hibernate",
       "alpha"},
      {1, "Microsoft-Windows-Kernel-General", utcSeconds(2024, 2, 1, 11, 0, 0), "", "alpha"},
      {6006, "EventLog", utcSeconds(2024, 2, 1, 18, 0, 4), "", "alpha"},
      {6009, "EventLog", utcSeconds(2024, 2, 2, 7, 0, 0), "6.1.0-18-amd64", "alpha-renamed"},
  };
  EXPECT_EQ(readThroughReader(service), expected);

  // Record numbers rise with time from 1, and the identifiers carry the upper
  // bits ReadEventLogW hands out.
  const auto records = service.systemRecords();
  ASSERT_NE(records, nullptr);
  ASSERT_EQ(records->count(), expected.size());
  EXPECT_EQ(records->firstNumber(), 1u);
  for (std::size_t i = 0; i < records->count(); ++i) {
    EXPECT_EQ(u32At(records->at(i), 8), i + 1);
    if (i > 0) {
      EXPECT_LE(u32At(records->at(i - 1), 12), u32At(records->at(i), 12));
    }
  }
  EXPECT_EQ(u32At(records->at(0), 20), 0x80001779u);
  EXPECT_EQ(u32At(records->at(1), 20), 42u);
  EXPECT_EQ(u32At(records->at(3), 20), 0x80001776u);
  EXPECT_EQ(u32At(records->at(5), 20), 0x80001778u);
  // The unexpected shutdown is written at the next boot's start.
  EXPECT_EQ(u32At(records->at(5), 16),
            static_cast<std::uint32_t>(utcSeconds(2024, 2, 1, 8, 15, 0)));
}

// The journal built from the served history, in two locales: the crash time is
// written in the locale the journal reads it back with.
TEST_F(JournalHistory, BuildsTheUsageJournalFromTheServedHistory) {
  TimeZoneGuard utc("UTC");
  ASSERT_TRUE(fourBoots().write(dir_.path() / "system.journal"));
  struct Locale {
    FormatSettings settings;
    std::string crashCaption;
  };
  const Locale locales[] = {
      {testing::usEnglishSettings(), "Thursday, 2/1/2024 12:30:12 AM"},
      {testing::czechSettings(), ""},
  };
  for (const Locale& locale : locales) {
    LinuxEventLogService service(LinuxEventLogService::Origin::JournalDirectory,
                                 dir_.path().string());
    LocaleFormats formats;
    formats.shortDate = locale.settings.ShortDateFormat;
    formats.longTime = locale.settings.LongTimeFormat;
    formats.am = locale.settings.TimeAMString;
    formats.pm = locale.settings.TimePMString;
    service.setShutdownTextFormatter(
        [formats](std::int64_t s) { return unexpectedShutdownTexts(s, formats); });
    Services services = systemServices();
    services.eventLog = &service;
    testing::FixedOffsetZone zone(0);
    services.timeZone = &zone;
    testing::FixedClock clock;
    clock.now = SystemTime{2024, 2, 2, 2, 12, 0, 0, 0};
    TOrvex_EventLog log(nullptr, services);
    VectorListModel days;
    VectorListModel months;
    testing::RecordingJournalView view;
    RefreshJournal(log, days, months, view, clock, locale.settings);

    std::vector<std::string> lines;
    for (const JournalRow& r : days.rows) {
      lines.push_back(std::to_string(r.RowMarker) + " " + r.SubItem1 + "|" + r.SubItem2);
    }
    const std::vector<std::string> expected = {
        "-3 The operating system started|",
        "0 The system entered sleep|",
        "0 The system has resumed from sleep|",
        "0 The operating system was shut down|9h 00m (8h 00m)",
        "-2 |",
        "-3 The operating system started|",
        // The crashed session and its day end at its last entry, 00:30:12 on
        // 1 February, not when the next boot wrote the record.
        "-4 Unexpected shutdown|15h 30m",
        "-2 |",
        "-3 The operating system started|",
        "0 The system entered sleep|",
        "0 The system has resumed from sleep|",
        "0 The operating system was shut down|9h 45m (8h 45m)",
        "-2 |",
        "-3 The operating system started|",
    };
    EXPECT_EQ(lines, expected) << locale.settings.ShortDateFormat;
    if (!locale.crashCaption.empty()) {
      EXPECT_EQ(days.rows.at(6).Caption, locale.crashCaption);
    }
    ASSERT_EQ(months.rows.size(), 1u);
    EXPECT_EQ(months.rows[0].SubItem1, "24h 30m");
  }
}

// The day list of a System log served by the fake service, in UTC.
std::vector<std::string> journalOf(std::shared_ptr<RecordList> records) {
  testing::FakeEventLogService service;
  service.addRawLog("System", std::move(records));
  Services services = systemServices();
  services.eventLog = &service;
  testing::FixedOffsetZone zone(0);
  services.timeZone = &zone;
  testing::FixedClock clock;
  clock.now = SystemTime{2024, 3, 1, 5, 12, 0, 0, 0};
  TOrvex_EventLog log(nullptr, services);
  VectorListModel days, months;
  testing::RecordingJournalView view;
  RefreshJournal(log, days, months, view, clock, testing::usEnglishSettings());
  std::vector<std::string> lines;
  for (const JournalRow& r : days.rows)
    lines.push_back(r.Caption + "|" + r.SubItem1 + "|" + r.SubItem2);
  lines.push_back(view.spentTimeText);
  return lines;
}

// The history's unexpected shutdown is stamped one second before the next
// boot's start; Windows writes it with the start's own time stamp just before
// the start. The journal is the same either way, and the crashed day ends at
// the crash.
TEST(LinuxHistory, ACrashGivesTheJournalOfTheWindowsOrder) {
  TimeZoneGuard utc("UTC");
  struct Case {
    const char* name;
    std::int64_t crashedStart, crash, nextStart;
    const char* crashedDay;
  };
  const Case cases[] = {
      {"a crash before midnight, the boot after it", utcSeconds(2024, 2, 1, 20, 0, 0),
       utcSeconds(2024, 2, 1, 23, 30, 12), utcSeconds(2024, 2, 2, 0, 30, 0), "3h 30m"},
      {"a crash on Friday, the boot on Monday", utcSeconds(2024, 2, 2, 8, 0, 0),
       utcSeconds(2024, 2, 2, 17, 0, 0), utcSeconds(2024, 2, 5, 8, 0, 0), "9h 00m"},
  };
  const std::int64_t lastStart = utcSeconds(2024, 2, 20, 8, 0, 0);
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    BootHistory crashed;
    crashed.startUsec = usec(c.crashedStart);
    crashed.lastSignUsec = usec(c.crash);
    BootHistory next;
    next.startUsec = usec(c.nextStart);
    next.lastSignUsec = next.shutdownUsec.emplace(usec(c.nextStart + 3600));
    BootHistory last;
    last.startUsec = usec(lastStart);
    last.running = true;
    const auto linux = journalOf(buildSystemLog({crashed, next, last}, "PC", usFormatter()));

    // The same boots as Windows logs them.
    const auto [time, date] = unexpectedShutdownTexts(c.crash, usFormats());
    const struct {
      std::uint32_t id;
      std::int64_t at;
    } windowsOrder[] = {{kEventOsVersionAtBoot, c.crashedStart},
                        {kEventUnexpectedShutdown, c.nextStart},
                        {kEventOsVersionAtBoot, c.nextStart},
                        {kEventLogStopped, c.nextStart + 3600},
                        {kEventOsVersionAtBoot, lastStart}};
    auto windows = std::make_shared<RecordList>(1);
    std::uint32_t number = 1;
    for (const auto& r : windowsOrder) {
      EventLogRecordFields f;
      f.recordNumber = number++;
      f.timeGenerated = f.timeWritten = static_cast<std::uint32_t>(r.at);
      f.eventId = r.id;
      f.sourceName = kSourceEventLog;
      f.computerName = "PC";
      if (r.id == kEventUnexpectedShutdown)
        f.strings = {time, date};
      windows->append(buildEventLogRecord(f));
    }
    EXPECT_EQ(linux, journalOf(windows));
    ASSERT_GE(linux.size(), 2u);
    EXPECT_EQ(linux[1].substr(linux[1].find('|')),
              std::string("|Unexpected shutdown|") + c.crashedDay);
  }
}

TEST_F(JournalHistory, ReadsBootTimeFromTheFirstEntryAndTheCrashTimeFromTheLast) {
  ASSERT_TRUE(fourBoots().write(dir_.path() / "system.journal"));
  const auto boots = readJournalDirectory(dir_.path().string());
  ASSERT_TRUE(boots.has_value());
  ASSERT_EQ(boots->size(), 4u);
  const BootHistory& b = (*boots)[1];
  EXPECT_EQ(b.bootId, kBootB);
  EXPECT_EQ(b.startUsec, usec(utcSeconds(2024, 1, 31, 9, 0, 0)) + 250'000);
  EXPECT_EQ(b.lastSignUsec, usec(utcSeconds(2024, 2, 1, 0, 30, 12)) + 900'000);
  EXPECT_FALSE(b.shutdownUsec.has_value());
  // A boot whose monotonic clock stood still during a sleep still starts when
  // its kernel did: the boot time comes from its first entry.
  EXPECT_EQ((*boots)[2].startUsec, usec(utcSeconds(2024, 2, 1, 8, 15, 0)));
  EXPECT_EQ((*boots)[2].transitions.size(), 2u);
  EXPECT_FALSE((*boots)[3].shutdownUsec.has_value());
}

TEST_F(JournalHistory, WritesTheCrashTimeInTheUsersLocalTime) {
  TimeZoneGuard berlin("Europe/Berlin");
  ASSERT_TRUE(fourBoots().write(dir_.path() / "system.journal"));
  LinuxEventLogService service(LinuxEventLogService::Origin::JournalDirectory,
                               dir_.path().string());
  LocaleFormats german = usFormats();
  german.shortDate = "dd.MM.yyyy";
  german.longTime = "HH:mm:ss";
  service.setShutdownTextFormatter(
      [german](std::int64_t s) { return unexpectedShutdownTexts(s, german); });
  for (const Served& s : readThroughReader(service)) {
    if (s.eventId == 6008) {
      EXPECT_EQ(s.description, "01:30:12\r01.02.2024");
    }
  }
}

TEST_F(JournalHistory, MissingDirectoryFailsToOpenAndEmptyDirectoryIsAnEmptyLog) {
  LinuxEventLogService missing(LinuxEventLogService::Origin::JournalDirectory,
                               (dir_.path() / "absent").string());
  std::uint32_t error = 0;
  EXPECT_EQ(missing.open("", "System", &error), nullptr);
  EXPECT_EQ(error, kErrorFileNotFound);

  LinuxEventLogService empty(LinuxEventLogService::Origin::JournalDirectory, dir_.path().string());
  auto log = empty.open("", "System", &error);
  ASSERT_NE(log, nullptr);
  std::uint32_t count = 99;
  EXPECT_TRUE(log->numberOfRecords(count));
  EXPECT_EQ(count, 0u);
}

TEST(LinuxEventLog, OpensApplicationAndSecurityEmptyAndNoRemoteMachine) {
  LinuxEventLogService service;
  for (const char* name : {"Application", "Security", "Nonexistent"}) {
    std::uint32_t error = 0;
    auto log = service.open("", name, &error);
    ASSERT_NE(log, nullptr) << name;
    std::uint32_t count = 99;
    log->numberOfRecords(count);
    EXPECT_EQ(count, 0u) << name;
    std::array<std::byte, 64> buffer{};
    EXPECT_EQ(log->read(kSeekRead | kBackwardsRead, 1, buffer).error, kErrorInvalidParameter);
    EXPECT_EQ(log->read(kSequentialRead | kBackwardsRead, 0, buffer).error, kErrorHandleEof);
  }
  std::uint32_t error = 0;
  EXPECT_EQ(service.open("\\\\far-away", "System", &error), nullptr);
  EXPECT_EQ(error, kRpcServerUnavailable);
  LinuxEventLogService files(LinuxEventLogService::Origin::WtmpFile, "/nonexistent/wtmp");
  EXPECT_EQ(files.open("other", "System", &error), nullptr);
  EXPECT_EQ(error, kRpcServerUnavailable);
}

TEST(LinuxEventLog, ThisMachineEndsWithTheRunningBootAtTheKernelsBootTime) {
  LinuxEventLogService service;
  const BootHistory kernel = currentKernelBoot();
  const auto records = service.systemRecords();
  ASSERT_NE(records, nullptr);
  ASSERT_GT(records->count(), 0u);
  // The newest start record is this boot's, and nothing says it has ended.
  std::optional<std::size_t> lastStart;
  for (std::size_t i = 0; i < records->count(); ++i) {
    if (u32At(records->at(i), 20) == kEventOsVersionAtBoot)
      lastStart = i;
  }
  ASSERT_TRUE(lastStart.has_value());
  const auto started = static_cast<std::int64_t>(u32At(records->at(*lastStart), 12));
  EXPECT_NEAR(static_cast<double>(started), static_cast<double>(kernel.startUsec / 1'000'000), 2.0);
  for (std::size_t i = *lastStart + 1; i < records->count(); ++i) {
    const std::uint32_t id = u32At(records->at(i), 20);
    EXPECT_NE(id, kEventLogStopped);
    EXPECT_NE(id, kEventUnexpectedShutdown);
  }
}

TEST(LinuxHistory, TheRunningBootIsMatchedByIdOrByTimeElseAdded) {
  BootHistory current;
  current.bootId = "ffffffffffffffffffffffffffffffff";
  current.startUsec = usec(1'000'000);
  current.kernelRelease = "6.9.0";
  current.running = true;

  const auto make = [](std::string id, std::int64_t start, bool shut) {
    BootHistory b;
    b.bootId = std::move(id);
    b.startUsec = start;
    b.lastSignUsec = start + usec(100);
    if (shut)
      b.shutdownUsec = b.lastSignUsec;
    return b;
  };
  struct Case {
    const char* what;
    std::vector<BootHistory> boots;
    std::size_t size;
    std::optional<std::size_t> running;
  };
  const Case cases[] = {
      {"same boot ID",
       {make("", usec(500'000), true), make(current.bootId, usec(1'000'000), true)},
       2,
       1},
      {"wtmp boot written after the kernel started",
       {make("", usec(500'000), true), make("", usec(1'000'001), false)},
       2,
       1},
      {"no source has it", {make("", usec(500'000), true)}, 2, 1},
      {"journal boot of another ID", {make("0123", usec(1'000'000), false)}, 2, 1},
      {"nothing at all", {}, 1, 0},
  };
  for (const Case& c : cases) {
    auto boots = c.boots;
    addCurrentBoot(boots, current);
    ASSERT_EQ(boots.size(), c.size) << c.what;
    for (std::size_t i = 0; i < boots.size(); ++i) {
      EXPECT_EQ(boots[i].running, c.running == i) << c.what << " " << i;
    }
    const BootHistory& running = boots[*c.running];
    EXPECT_FALSE(running.shutdownUsec.has_value()) << c.what;
    EXPECT_EQ(running.kernelRelease, "6.9.0") << c.what;
  }
}

// wtmp files written with the C library.
// updwtmpx appends to an existing file only.
void appendWtmp(const std::string& path, const utmpx& entry) {
  std::ofstream(path, std::ios::app).close();
  updwtmpx(path.c_str(), &entry);
}

class WtmpHistory : public ::testing::Test {
 protected:
  void add(short type, const char* user, std::int64_t seconds, const char* host = "") {
    utmpx entry{};
    entry.ut_type = type;
    std::strncpy(entry.ut_user, user, sizeof entry.ut_user - 1);
    std::strncpy(entry.ut_line, type == BOOT_TIME ? "~" : "pts/0", sizeof entry.ut_line - 1);
    std::strncpy(entry.ut_host, host, sizeof entry.ut_host - 1);
    entry.ut_tv.tv_sec = static_cast<std::int32_t>(seconds);
    appendWtmp(file(), entry);
  }
  std::string file() const { return (dir_.path() / "wtmp").string(); }
  testing::TempDir dir_;
};

TEST_F(WtmpHistory, MapsBootShutdownAndCrashRecords) {
  TimeZoneGuard utc("UTC");
  const std::int64_t t1 = utcSeconds(2023, 12, 31, 22, 0, 0);
  const std::int64_t t2 = utcSeconds(2024, 1, 1, 9, 0, 0);
  const std::int64_t t3 = utcSeconds(2024, 1, 2, 9, 0, 0);
  add(USER_PROCESS, "old", t1 - 500);  // belongs to a boot this file does not hold
  add(BOOT_TIME, "reboot", t1, "5.10.0-20-amd64");
  add(USER_PROCESS, "ann", t1 + 100);
  add(RUN_LVL, "shutdown", t1 + 7200);  // past midnight, into the new year
  add(DEAD_PROCESS, "", t1 + 7201);
  add(BOOT_TIME, "reboot", t2, "5.10.0-21-amd64");
  add(USER_PROCESS, "ann", t2 + 50);
  add(DEAD_PROCESS, "", t2 + 500);
  add(BOOT_TIME, "reboot", t3, "");

  LinuxEventLogService service(LinuxEventLogService::Origin::WtmpFile, file());
  service.setShutdownTextFormatter(usFormatter());
  const std::vector<Served> expected = {
      {6009, "EventLog", t1, "5.10.0-20-amd64", ""},
      {6006, "EventLog", t1 + 7200, "", ""},
      {6009, "EventLog", t2, "5.10.0-21-amd64", ""},
      {6008, "EventLog", t3 - 1, "9:08:20 AM\r1/1/2024", "", etError},
      {6009, "EventLog", t3, "", ""},
  };
  EXPECT_EQ(readThroughReader(service), expected);
}

TEST_F(WtmpHistory, NamesTheComputerFromTheRootTheFileLiesIn) {
  dir_.write("etc/hostname", "old-box\n");
  std::filesystem::create_directories(dir_.path() / "var/log");
  const std::string path = (dir_.path() / "var/log/wtmp").string();
  utmpx entry{};
  entry.ut_type = BOOT_TIME;
  std::strncpy(entry.ut_user, "reboot", sizeof entry.ut_user - 1);
  entry.ut_tv.tv_sec = 1'700'000'000;
  appendWtmp(path, entry);
  LinuxEventLogService service(LinuxEventLogService::Origin::WtmpFile, path);
  const auto served = readThroughReader(service);
  ASSERT_EQ(served.size(), 1u);
  EXPECT_EQ(served[0].computer, "old-box");
}

TEST_F(WtmpHistory, EmptyFileIsAnEmptyLogAndMissingFileFailsToOpen) {
  dir_.write("wtmp", "");
  LinuxEventLogService empty(LinuxEventLogService::Origin::WtmpFile, file());
  EXPECT_TRUE(readThroughReader(empty).empty());
  std::uint32_t error = 0;
  LinuxEventLogService missing(LinuxEventLogService::Origin::WtmpFile, file() + ".absent");
  EXPECT_EQ(missing.open("", "System", &error), nullptr);
  EXPECT_EQ(error, kErrorFileNotFound);
}

}  // namespace
}  // namespace tallyvane::platform
