#include <gtest/gtest.h>

#include <stdexcept>

#include "eventlog/Qzi_EventLog.h"
#include "support/FakeEventLogService.h"
#include "support/JournalDoubles.h"

namespace tallyvane {
namespace {

using testing::journalRecord;
using testing::When;

// A System and an Application log; local time is UTC + 2 hours; no registry,
// so the reader falls back to its three standard containers.
struct EventLogFixture {
  EventLogFixture() {
    service.addLog("System",
                   {journalRecord({2014, 1, 30, 8, 0, 0}, 6009, "EventLog"),
                    journalRecord({2014, 1, 30, 9, 0, 0}, 7036, "Service Control Manager"),
                    journalRecord({2014, 1, 30, 7, 0, 0}, 42, "Microsoft-Windows-Kernel-Power")});
    service.addLog("Application", {journalRecord({2014, 1, 29, 10, 0, 0}, 1000, "App")});
    services = platform::systemServices();
    services.eventLog = &service;
    services.timeZone = &zone;
    services.registry = nullptr;
  }
  testing::FakeEventLogService service;
  testing::FixedOffsetZone zone{120};
  platform::Services services;
};

TDateTime at(int y, int mo, int d, int h) {
  return *EncodeDate(y, mo, d) + h / 24.0;
}

TEST(EventLogComponent, StartsLiveWithItsContainersAndAReaderInUtc) {
  EventLogFixture f;
  TOrvex_EventLog log(nullptr, f.services);
  EXPECT_TRUE(log.LiveData());
  EXPECT_FALSE(log.DataAvailable());
  EXPECT_TRUE(log.ConvertTimeToLocal());
  EXPECT_FALSE(log.Reader().ConvertTimeToLocal());
  EXPECT_EQ(log.ContainerCount(), 3u);
  EXPECT_EQ(log.RecordCount(), 0u);
  EXPECT_EQ(log.SourceName(), "Application");
  EXPECT_EQ(f.service.opens, 0);

  // RefreshData without a SourceName assignment reads "Application" in UTC.
  log.RefreshData(AllScanObjects);
  EXPECT_TRUE(log.DataAvailable());
  ASSERT_EQ(log.RecordCount(), 1u);
  EXPECT_EQ(log.Records(0).DateTime, at(2014, 1, 29, 10));
}

TEST(EventLogComponent, EveryAssignmentOfSourceNameReadsTheLog) {
  EventLogFixture f;
  TOrvex_EventLog log(nullptr, f.services);
  log.SetSourceName("System");
  EXPECT_EQ(f.service.opens, 1);
  EXPECT_TRUE(log.DataAvailable());
  EXPECT_EQ(log.RecordCount(), 3u);
  log.SetSourceName("System");
  EXPECT_EQ(f.service.opens, 2);
  // The other properties only store their value.
  log.SetSourceFilter("EventLog");
  log.SetExpandMessages(true);
  log.SetLookupSID(true);
  EXPECT_EQ(f.service.opens, 2);
  EXPECT_EQ(log.RecordCount(), 3u);
  log.RefreshData(TScanObjects{});
  EXPECT_EQ(log.RecordCount(), 1u);
  log.SetSourceFilter("");
  log.RefreshData(AllScanObjects);
  EXPECT_EQ(log.RecordCount(), 3u);
}

TEST(EventLogComponent, ConvertTimeToLocalReachesTheReaderOnlyThroughSourceName) {
  EventLogFixture f;
  TOrvex_EventLog log(nullptr, f.services);
  log.SetSourceName("System");  // the component's true goes to the reader
  log.Sort();
  EXPECT_EQ(log.Records(0).DateTime, at(2014, 1, 30, 9));

  log.SetConvertTimeToLocal(false);
  log.RefreshData(AllScanObjects);  // still local
  log.Sort();
  EXPECT_EQ(log.Records(0).DateTime, at(2014, 1, 30, 9));

  log.SetSourceName("System");  // now UTC
  log.Sort();
  EXPECT_EQ(log.Records(0).DateTime, at(2014, 1, 30, 7));
  EXPECT_EQ(log.Records(0).EventID, 42u);
  EXPECT_EQ(log.Records(2).EventID, 7036u);
}

TEST(EventLogComponent, SortKeepsRecordsOfOneTimeInTheOrderOfTheLog) {
  // Windows writes the unexpected shutdown just before the start that found
  // it, with one time stamp; a sleep and its resume can share a second.
  const When crash{2014, 1, 30, 8, 0, 0};
  const When nap{2014, 1, 30, 12, 0, 0};
  testing::FakeEventLogService service;
  service.addLog("System",
                 {journalRecord({2014, 1, 29, 20, 0, 0}, 6009, "EventLog"),
                  journalRecord(crash, 6008, "EventLog"), journalRecord(crash, 6009, "EventLog"),
                  journalRecord(crash, 7036, "Service Control Manager"),
                  journalRecord(nap, 42, "Microsoft-Windows-Kernel-Power"),
                  journalRecord(nap, 1, "Microsoft-Windows-Kernel-General"),
                  journalRecord(nap, 7036, "Service Control Manager")});
  testing::FixedOffsetZone zone{60};
  platform::Services services = platform::systemServices();
  services.eventLog = &service;
  services.timeZone = &zone;
  services.registry = nullptr;
  TOrvex_EventLog log(nullptr, services);
  log.SetSourceName("System");
  log.Sort();
  std::vector<std::uint32_t> ids;
  for (std::uint32_t i = 0; i < log.RecordCount(); ++i)
    ids.push_back(log.Records(i).EventID);
  EXPECT_EQ(ids, (std::vector<std::uint32_t>{6009, 6008, 6009, 7036, 42, 1, 7036}));
  // Sorting again changes nothing.
  log.Sort();
  EXPECT_EQ(log.Records(1).EventID, 6008u);
  EXPECT_EQ(log.Records(4).EventID, 42u);
}

TEST(EventLogComponent, ClearEmptiesRecordsAndContainersButKeepsTheFlags) {
  EventLogFixture f;
  TOrvex_EventLog log(nullptr, f.services);
  log.SetSourceName("System");
  log.Clear();
  EXPECT_EQ(log.RecordCount(), 0u);
  EXPECT_EQ(log.ContainerCount(), 0u);
  EXPECT_TRUE(log.DataAvailable());
  EXPECT_TRUE(log.LiveData());
}

TEST(EventLogComponent, RecordsAreCopiesAndAnIndexOutOfRangeThrows) {
  EventLogFixture f;
  TOrvex_EventLog log(nullptr, f.services);
  log.SetSourceName("System");
  TLogRecord copy = log.Records(0);
  copy.Source = "changed";
  EXPECT_NE(log.Records(0).Source, "changed");
  EXPECT_THROW(log.Records(3), std::out_of_range);
  try {
    log.Records(7);
  } catch (const std::out_of_range& e) {
    EXPECT_STREQ(e.what(), "event log record index 7 is out of range (the log holds 3 records)");
  }
}

TEST(EventLogComponent, StoredDataReloadsTheStorageFileOnSourceName) {
  EventLogFixture f;
  TOrvex_EventLog log(nullptr, f.services);
  std::vector<std::string> headerReads;
  log.SetOnReadHeader(
      [&](const std::string& name, TStorageInfoRecord*) { headerReads.push_back(name); });
  EXPECT_TRUE(log.LoadFromStorage("events.stg", nullptr));
  EXPECT_FALSE(log.LiveData());
  log.SetSourceName("System");
  EXPECT_EQ(f.service.opens, 0);
  EXPECT_EQ(headerReads, (std::vector<std::string>{"events.stg", "events.stg"}));
  // RefreshData goes back to live data.
  log.RefreshData(AllScanObjects);
  EXPECT_TRUE(log.LiveData());
  EXPECT_EQ(f.service.opens, 1);
}

TEST(EventLogComponent, IsFreedByItsOwner) {
  EventLogFixture f;
  TOrvex_EventLog owner(nullptr, f.services);
  auto* owned = new TOrvex_EventLog(&owner, f.services);
  owned->SetSourceName("System");
  EXPECT_EQ(owner.ComponentCount(), 1u);
  // The owner's destructor frees it (checked by the sanitizers).
}

}  // namespace
}  // namespace tallyvane
