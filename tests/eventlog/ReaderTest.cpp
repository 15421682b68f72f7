// TEventLog: the read loop against the event log double, the sort, the
// container scan and the Machine setter's registry connection.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <random>

#include "eventlog/Orvex_EventLogNT.h"
#include "platform/MemoryRegistry.h"
#include "platform/RecordListEventLog.h"
#include "support/FakeAccounts.h"
#include "support/FakeEventLogService.h"
#include "support/SampleRecords.h"

namespace tallyvane {
namespace {

using platform::EventLogRecordFields;
using testing::sampleRecord;

constexpr std::uint32_t kDay = 1'700'000'000 - 1'700'000'000 % 86400;  // 2023-11-14 00:00 UTC

struct Machine {
  testing::FakeEventLogService eventLog;
  platform::MemoryRegistry registry;
  testing::FakeAccounts accounts;
  platform::Services services() {
    platform::Services s = platform::systemServices();
    s.eventLog = &eventLog;
    s.registry = &registry;
    s.accounts = &accounts;
    return s;
  }
};

std::vector<EventLogRecordFields> numbered(int n, std::uint32_t t0 = kDay) {
  std::vector<EventLogRecordFields> r;
  for (int i = 0; i < n; ++i) {
    // Sizes vary so that the buffer has to grow more than once.
    r.push_back(sampleRecord("Source" + std::to_string(i % 7), static_cast<std::uint32_t>(i),
                             t0 + 60 * static_cast<std::uint32_t>(i),
                             {std::string(static_cast<std::size_t>(i % 13) * 5, 'x')}));
  }
  return r;
}

std::vector<std::uint32_t> ids(const TEventLog& log) {
  std::vector<std::uint32_t> out;
  for (std::uint32_t i = 0; i < log.RecordCount(); ++i)
    out.push_back(log.Records(i)->EventID);
  return out;
}

std::vector<std::uint32_t> descending(int n) {
  std::vector<std::uint32_t> out;
  for (int i = n - 1; i >= 0; --i)
    out.push_back(static_cast<std::uint32_t>(i));
  return out;
}

TEST(EventLogReader, EmptyLogGivesNoRecords) {
  Machine m;
  m.eventLog.addLog("System", {});
  TEventLog log(true, m.services());
  log.SetSourceName("System");
  log.RefreshData(true);
  EXPECT_EQ(log.RecordCount(), 0u);
  EXPECT_EQ(m.eventLog.reads, 1);
}

TEST(EventLogReader, ReadsNewestFirstThroughEveryBufferSize) {
  for (int n : {1, 2, 3, 50, 600}) {
    for (std::uint32_t first : {1u, 1000u, 0xFFFFFF00u}) {
      SCOPED_TRACE(std::to_string(n) + " records from number " + std::to_string(first));
      Machine m;
      m.eventLog.addLog("System", numbered(n), first);
      TEventLog log(true, m.services());
      log.SetSourceName("System");
      log.RefreshData(true);
      EXPECT_EQ(ids(log), descending(n));
    }
  }
}

TEST(EventLogReader, BufferStartsAtTheFixedPartAndGrowsToExactlyTheSizeNeeded) {
  Machine m;
  auto records = numbered(40);
  m.eventLog.addLog("System", records);
  std::vector<std::uint32_t> sizes;  // of each record, newest first
  for (auto it = records.rbegin(); it != records.rend(); ++it) {
    sizes.push_back(static_cast<std::uint32_t>(platform::buildEventLogRecord(*it).size()));
  }
  std::vector<std::pair<std::uint32_t, std::uint32_t>> calls;  // flags, record number
  m.eventLog.readHook = [&](std::uint32_t flags, std::uint32_t record, std::size_t) {
    calls.emplace_back(flags, record);
    return 0u;
  };
  TEventLog log(true, m.services());
  log.SetSourceName("System");
  log.RefreshData(true);
  ASSERT_EQ(log.RecordCount(), 40u);

  const auto& got = m.eventLog.readSizes;
  ASSERT_GE(got.size(), 3u);
  // The first read fails with 56 bytes; the retry asks for the newest record's size.
  EXPECT_EQ(got[0], 56u);
  EXPECT_EQ(got[1], sizes[0]);
  EXPECT_EQ(calls[0], std::make_pair(0x0Au, 40u));
  EXPECT_EQ(calls[1], std::make_pair(0x0Au, 40u));
  for (std::size_t i = 2; i < calls.size(); ++i)
    EXPECT_EQ(calls[i], std::make_pair(0x09u, 0u));
  // The buffer never shrinks and every growth is to the size of a record.
  for (std::size_t i = 1; i < got.size(); ++i) {
    EXPECT_GE(got[i], got[i - 1]);
    if (got[i] != got[i - 1]) {
      EXPECT_NE(std::find(sizes.begin(), sizes.end(), got[i]), sizes.end()) << i;
    }
  }
  EXPECT_EQ(got.back(), *std::max_element(sizes.begin(), sizes.end()));
}

TEST(EventLogReader, ReadEndsAtTheEndOfTheLog) {
  Machine m;
  m.eventLog.addLog("System", numbered(5));
  TEventLog log(true, m.services());
  log.SetSourceName("System");
  log.RefreshData(true);
  EXPECT_EQ(log.RecordCount(), 5u);
  // A second refresh replaces the list instead of adding to it.
  log.RefreshData(true);
  EXPECT_EQ(ids(log), descending(5));
}

TEST(EventLogReader, FailingOpenLeavesNoRecords) {
  Machine m;
  m.eventLog.addLog("System", numbered(5));
  TEventLog log(true, m.services());
  log.SetSourceName("System");
  log.RefreshData(true);
  ASSERT_EQ(log.RecordCount(), 5u);
  m.eventLog.openError = platform::kErrorAccessDenied;
  log.RefreshData(true);
  EXPECT_EQ(log.RecordCount(), 0u);
}

TEST(EventLogReader, ReadErrorPartWayKeepsWhatWasRead) {
  Machine m;
  m.eventLog.addLog("System", numbered(30));
  int reads = 0;
  m.eventLog.readHook = [&](std::uint32_t, std::uint32_t, std::size_t) {
    return ++reads == 12 ? static_cast<std::uint32_t>(platform::kErrorInvalidHandle) : 0u;
  };
  TEventLog log(true, m.services());
  log.SetSourceName("System");
  log.RefreshData(true);
  const auto got = ids(log);
  ASSERT_GT(got.size(), 0u);
  ASSERT_LT(got.size(), 30u);
  EXPECT_TRUE(std::equal(got.begin(), got.end(), descending(30).begin()));
  EXPECT_EQ(m.eventLog.reads, 12);
}

// Replies of a service that would keep a naive read loop going forever, served
// through the fake service's hook and raw log.
TEST(EventLogReader, ReadEndsOnRepliesThatMakeNoProgress) {
  const auto whole = [](std::uint32_t id) {
    EventLogRecordFields f = sampleRecord("EventLog", id, kDay + id);
    return platform::buildEventLogRecord(f);
  };
  // A record of 55 bytes whose Length says so: one byte short of the fixed part.
  std::vector<std::byte> shortRecord(55);
  shortRecord[0] = std::byte{55};
  struct Case {
    const char* name;
    std::vector<std::vector<std::byte>> raw;  // oldest first
    std::uint32_t insufficientBufferReplies;  // the hook answers 122 with no size
    std::vector<std::uint32_t> ids;
  };
  const Case cases[] = {
      {"a buffer reply that would not grow the buffer", {whole(1), whole(2)}, 1000, {}},
      {"a record shorter than the fixed part", {whole(1), shortRecord, whole(3)}, 0, {3}},
      {"a Length above the bytes delivered",
       {whole(1),
        [&] {
          auto r = whole(2);
          r[0] = std::byte{0xFF};
          r[1] = std::byte{0xFF};
          return r;
        }(),
        whole(3)},
       0,
       {3}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    auto list = std::make_shared<platform::RecordList>(1);
    for (const auto& r : c.raw)
      list->append(r);
    Machine m;
    m.eventLog.addRawLog("System", list);
    std::uint32_t replies = c.insufficientBufferReplies;
    m.eventLog.readHook = [&](std::uint32_t, std::uint32_t, std::size_t) -> std::uint32_t {
      if (replies == 0)
        return 0;
      --replies;
      return platform::kErrorInsufficientBuffer;
    };
    TEventLog log(true, m.services());
    log.SetSourceName("System");
    log.RefreshData(true);
    EXPECT_EQ(ids(log), c.ids);
    EXPECT_LE(m.eventLog.reads, 3);
  }
}

// A log that hands out its records in place (as a mapped .evt file does) is
// read without a single read(), and gives what reads give: the same records in
// the same order, the same filter, and the same end at a record that is not
// whole.
TEST(EventLogReader, RecordsHandedOutInPlaceReadAsThroughReads) {
  class InPlaceOnly : public platform::RecordListEventLog {
   public:
    using RecordListEventLog::RecordListEventLog;
    platform::EventLogReadResult read(std::uint32_t, std::uint32_t, std::span<std::byte>) override {
      ADD_FAILURE() << "a record was copied through read()";
      return {platform::kErrorInvalidHandle, 0, 0};
    }
  };
  class InPlaceService : public platform::EventLogService {
   public:
    explicit InPlaceService(std::shared_ptr<const platform::RecordList> list)
        : list_(std::move(list)) {}
    std::unique_ptr<platform::EventLog> open(std::string_view, std::string_view,
                                             std::uint32_t*) override {
      return std::make_unique<InPlaceOnly>(list_);
    }

   private:
    std::shared_ptr<const platform::RecordList> list_;
  };
  const auto listOf = [](const std::vector<std::vector<std::byte>>& raw) {
    auto list = std::make_shared<platform::RecordList>(1);
    for (const auto& r : raw)
      list->append(r);
    return list;
  };
  std::vector<std::vector<std::byte>> sound;
  std::uint32_t number = 1;
  for (auto f : numbered(40)) {
    f.recordNumber = number++;
    sound.push_back(platform::buildEventLogRecord(f));
  }
  std::vector<std::byte> shortRecord(55);
  shortRecord[0] = std::byte{55};
  auto tooLong = sound[20];
  tooLong[0] = tooLong[1] = std::byte{0xFF};
  // The short record goes in before the 26th (built whole: inserting into a
  // copy trips a false -Warray-bounds of MinGW's GCC 12 at -O2).
  std::vector<std::vector<std::byte>> withShort;
  for (std::size_t i = 0; i < sound.size(); ++i) {
    if (i == 25)
      withShort.push_back(shortRecord);
    withShort.push_back(sound[i]);
  }
  auto withTooLong = sound;
  withTooLong[20] = tooLong;
  const struct {
    const char* name;
    std::vector<std::vector<std::byte>> raw;
    const char* filter;
  } cases[] = {
      {"every record", sound, ""},
      {"a filter", sound, "source3,SOURCE5"},
      {"a record shorter than the fixed part", withShort, ""},
      {"a Length above the record", withTooLong, "Source1"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    Machine m;
    m.eventLog.addRawLog("System", listOf(c.raw));
    InPlaceService inPlace(listOf(c.raw));
    std::vector<TLogRecord> got[2];
    for (int k = 0; k < 2; ++k) {
      platform::Services s = m.services();
      if (k == 1)
        s.eventLog = &inPlace;
      TEventLog log(true, s);
      log.SetSourceName("System");
      log.SetSourceFilter(c.filter);
      log.RefreshData(true);
      for (std::uint32_t i = 0; i < log.RecordCount(); ++i)
        got[k].push_back(*log.Records(i));
    }
    ASSERT_FALSE(got[0].empty());
    EXPECT_EQ(got[1], got[0]);
    for (std::size_t i = 0; i < got[0].size() && i < got[1].size(); ++i)
      EXPECT_EQ(got[1][i].RecordNumber, got[0][i].RecordNumber);
  }
}

TEST(EventLogReader, OpensTheLogOnTheMachineAsWritten) {
  Machine m;
  m.eventLog.addLog("Application", numbered(2));
  TEventLog log(true, m.services());
  EXPECT_EQ(log.SourceName(), "Application");
  log.SetMachine("\\\\Server7");
  log.RefreshData(true);
  EXPECT_EQ(m.eventLog.lastServer, "\\\\Server7");
  EXPECT_EQ(log.RecordCount(), 2u);
}

TEST(EventLogReader, SourceFilterKeepsTheNamedSourcesOnly) {
  Machine m;
  std::vector<EventLogRecordFields> records;
  std::uint32_t t = kDay;
  for (const char* source : {"EventLog", "eventlog", "Microsoft-Windows-Kernel-Power",
                             "Microsoft-Windows-Kernel-Processor-Power", "Service Control Manager",
                             "Log", "Power", "General", "", "Microsoft-Windows-Kernel-General"}) {
    records.push_back(sampleRecord(source, 1, t += 10));
  }
  m.eventLog.addLog("System", records);
  TEventLog log(true, m.services());
  log.SetSourceName("System");
  log.SetSourceFilter("Microsoft-Windows-Kernel-General,Microsoft-Windows-Kernel-Power,EventLog");
  log.RefreshData(true);
  std::vector<std::string> sources;
  for (std::uint32_t i = 0; i < log.RecordCount(); ++i)
    sources.push_back(log.Records(i)->Source);
  EXPECT_EQ(sources,
            (std::vector<std::string>{"Microsoft-Windows-Kernel-General",
                                      "Microsoft-Windows-Kernel-Power", "eventlog", "EventLog"}));
  log.SetSourceFilter("");
  log.RefreshData(true);
  EXPECT_EQ(log.RecordCount(), records.size());
}

TEST(EventLogReader, LookupSidAndLocalTimeReachTheRecords) {
  Machine m;
  m.accounts.add("S-1-5-18", "SYSTEM", "NT AUTHORITY");
  auto r = sampleRecord("Service Control Manager", 7036, 86400);
  r.userSid = testing::localSystemSid();
  m.eventLog.addLog("System", {r});
  TEventLog log(true, m.services());
  log.SetSourceName("System");
  log.RefreshData(true);
  ASSERT_EQ(log.RecordCount(), 1u);
  EXPECT_EQ(log.Records(0)->Username, "S-1-5-18");
  EXPECT_EQ(log.Records(0)->DateTime, 25570.0);
  log.SetLookupSID(true);
  log.RefreshData(true);
  EXPECT_EQ(log.Records(0)->Username, "SYSTEM");
  EXPECT_EQ(log.Records(0)->Domain, "NT AUTHORITY");
}

TEST(EventLogReader, AddRecordIgnoresTheFilterAndIndexesAreChecked) {
  TEventLog log(true, platform::systemServices());
  log.SetSourceFilter("EventLog");
  TLogRecord r;
  r.Source = "Other";
  log.AddRecord(r);
  ASSERT_EQ(log.RecordCount(), 1u);
  EXPECT_EQ(log.Records(0)->Source, "Other");
  EXPECT_EQ(log.Records(1), nullptr);
  EXPECT_EQ(log.Records(static_cast<std::uint32_t>(-1)), nullptr);
  log.ClearRecords();
  EXPECT_EQ(log.RecordCount(), 0u);
  log.AddContainer({"Custom", "x.evt"});
  EXPECT_EQ(log.Containers(), (TLogContainers{{"Custom", "x.evt"}}));
  log.ClearContainers();
  EXPECT_EQ(log.ContainerCount(), 0u);
}

TEST(EventLogReaderSort, ThreeRecordsOfOneDay) {
  Machine m;
  m.eventLog.addLog("System", {sampleRecord("EventLog", 10, kDay + 10 * 3600),
                               sampleRecord("EventLog", 11, kDay + 11 * 3600),
                               sampleRecord("EventLog", 12, kDay + 12 * 3600)});
  TEventLog log(true, m.services());
  log.SetSourceName("System");
  log.RefreshData(true);
  EXPECT_EQ(ids(log), (std::vector<std::uint32_t>{12, 11, 10}));
  log.Sort();
  EXPECT_EQ(ids(log), (std::vector<std::uint32_t>{10, 11, 12}));
  // A later read restores the newest-first order.
  log.RefreshData(true);
  EXPECT_EQ(ids(log), (std::vector<std::uint32_t>{12, 11, 10}));
}

TEST(EventLogReaderSort, EqualTimesKeepTheOrderOfTheLog) {
  // Logs of random times drawn from a few values, read newest first: after the
  // sort the times ascend and records of one time follow their record numbers.
  std::mt19937 random(7);
  for (int n : {2, 3, 5, 10, 100, 1000, 5000}) {
    for (int distinct : {1, 3, 50}) {
      SCOPED_TRACE(std::to_string(n) + " records, " + std::to_string(distinct) + " times");
      std::vector<EventLogRecordFields> records;
      for (int i = 0; i < n; ++i) {
        const auto t =
            kDay + static_cast<std::uint32_t>(random() % static_cast<unsigned>(distinct));
        records.push_back(sampleRecord("EventLog", static_cast<std::uint32_t>(i), t));
      }
      Machine m;
      m.eventLog.addLog("System", records);
      TEventLog log(true, m.services());
      log.SetSourceName("System");
      log.RefreshData(true);
      log.Sort();
      ASSERT_EQ(log.RecordCount(), static_cast<std::uint32_t>(n));
      for (std::uint32_t i = 1; i < log.RecordCount(); ++i) {
        const TLogRecord& a = *log.Records(i - 1);
        const TLogRecord& b = *log.Records(i);
        ASSERT_TRUE(a.DateTime < b.DateTime ||
                    (a.DateTime == b.DateTime && a.RecordNumber < b.RecordNumber))
            << i;
      }
    }
  }
}

TEST(EventLogReaderSort, RecordsAddedByHandKeepTheirPlaceAmongEqualTimes) {
  TEventLog log(true, platform::systemServices());
  const double times[] = {3, 1, 2, 1, 3, 1, std::nan(""), 2};
  for (std::uint32_t i = 0; i < std::size(times); ++i) {
    TLogRecord r;
    r.DateTime = 45000.0 + times[i];
    r.EventID = i;
    log.AddRecord(r);
  }
  log.Sort();
  EXPECT_EQ(ids(log), (std::vector<std::uint32_t>{6, 1, 3, 5, 2, 7, 0, 4}));
}

TEST(EventLogReaderSort, LongRunsInEveryOrderSortWithoutDeepRecursion) {
  // Sorted, reversed and sawtooth lists of 200,000 records.
  for (int shape = 0; shape < 3; ++shape) {
    TEventLog log(true, platform::systemServices());
    const int n = 200'000;
    for (int i = 0; i < n; ++i) {
      TLogRecord r;
      r.DateTime = shape == 0 ? i : shape == 1 ? n - i : i % 1000 * 1000 + i / 1000;
      log.AddRecord(r);
    }
    log.Sort();
    for (std::uint32_t i = 1; i < static_cast<std::uint32_t>(n); ++i) {
      ASSERT_LE(log.Records(i - 1)->DateTime, log.Records(i)->DateTime);
    }
  }
}

constexpr const char* kEventLogKey = "SYSTEM\\CurrentControlSet\\Services\\EventLog";

TEST(EventLogContainers, ScanReadsTheLogsAndTheirFiles) {
  Machine m;
  const std::string key = kEventLogKey;
  m.registry.setString(key + "\\Application", "File",
                       "%SystemRoot%\\System32\\Winevt\\Logs\\Application.evtx",
                       platform::kRegExpandSz);
  m.registry.addKey(key + "\\HardwareEvents");
  m.registry.setString(key + "\\System", "File", std::string(300, 'f'));
  m.registry.setString(key + "\\Security", "File", std::string(255, 's'));
  m.registry.addKey(key + "\\" + std::string(256, 'n'));  // too long a name ends the enumeration
  m.registry.addKey(key + "\\AfterLongName");
  TEventLog log(false, m.services());
  EXPECT_EQ(
      log.Containers(),
      (TLogContainers{{"Application", "%SystemRoot%\\System32\\Winevt\\Logs\\Application.evtx"},
                      {"HardwareEvents", ""},
                      {"System", ""},  // a value over 512 bytes does not fit the buffer
                      {"Security", std::string(255, 's')}}));
  EXPECT_EQ(log.ContainerCount(), 4u);
  // The connection stays; subkeys and the EventLog key are closed.
  EXPECT_TRUE(log.registryConnected());
  EXPECT_EQ(m.registry.openHandleCount(), 1);
}

TEST(EventLogContainers, UnreachableRegistryGivesTheThreeDefaultLogs) {
  Machine m;
  m.registry.setUnreachable(true);
  TEventLog log(false, m.services());
  EXPECT_EQ(log.Containers(),
            (TLogContainers{{"Application", ""}, {"Security", ""}, {"System", ""}}));
  EXPECT_FALSE(log.registryConnected());
}

TEST(EventLogContainers, MissingEventLogKeyGivesNoLogs) {
  Machine m;
  m.registry.addKey("SYSTEM\\CurrentControlSet\\Services\\Tcpip");
  TEventLog log(false, m.services());
  EXPECT_EQ(log.ContainerCount(), 0u);
  EXPECT_TRUE(log.registryConnected());
}

TEST(EventLogContainers, NoContainersSkipsTheScan) {
  Machine m;
  m.registry.addKey(std::string(kEventLogKey) + "\\System");
  TEventLog log(true, m.services());
  EXPECT_EQ(log.ContainerCount(), 0u);
  EXPECT_EQ(m.registry.connectCount(), 0);
  log.RefreshData(false);
  EXPECT_EQ(log.ContainerCount(), 1u);
}

TEST(EventLogMachine, SettingTheMachineKeepsOrDropsTheConnection) {
  Machine m;
  m.registry.addKey(std::string(kEventLogKey) + "\\System");
  m.registry.addReachableMachine("server1");
  m.registry.addReachableMachine("server2");
  TEventLog log(false, m.services());
  ASSERT_TRUE(log.registryConnected());
  log.RefreshData(false);
  EXPECT_EQ(m.registry.connectCount(), 1);  // later scans reuse the connection

  log.SetMachine("");  // the same machine
  EXPECT_TRUE(log.registryConnected());
  log.SetMachine("Server1");
  EXPECT_FALSE(log.registryConnected());
  EXPECT_EQ(m.registry.openHandleCount(), 0);  // the dropped connection is closed
  log.RefreshData(false);
  EXPECT_EQ(m.registry.connectCount(), 2);
  EXPECT_EQ(m.registry.lastConnectMachine(), "\\\\Server1");

  log.SetMachine("SERVER1");  // the same name in other letter case
  EXPECT_TRUE(log.registryConnected());
  EXPECT_EQ(log.Machine(), "SERVER1");
  log.RefreshData(false);
  EXPECT_EQ(m.registry.connectCount(), 2);

  log.SetMachine("server2");
  EXPECT_FALSE(log.registryConnected());
  log.RefreshData(false);
  EXPECT_EQ(m.registry.connectCount(), 3);
}

TEST(EventLogMachine, NameWithAndWithoutBackslashesReachesTheSameRegistry) {
  for (const char* machine : {"server1", "\\\\server1"}) {
    SCOPED_TRACE(machine);
    Machine m;
    m.registry.addKey(std::string(kEventLogKey) + "\\Remote");
    m.registry.addReachableMachine("server1");
    TEventLog log(true, m.services());
    log.SetMachine(machine);
    log.RefreshData(false);
    EXPECT_EQ(m.registry.lastConnectMachine(), "\\\\server1");
    EXPECT_EQ(log.Containers(), (TLogContainers{{"Remote", ""}}));
  }
  // An unknown machine cannot be reached and gives the default logs.
  Machine m;
  TEventLog log(true, m.services());
  log.SetMachine("elsewhere");
  log.RefreshData(false);
  EXPECT_EQ(log.ContainerCount(), 3u);
}

}  // namespace
}  // namespace tallyvane
