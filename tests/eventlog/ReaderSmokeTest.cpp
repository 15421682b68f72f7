#include <gtest/gtest.h>

#include "eventlog/Orvex_EventLogNT.h"
#include "support/FakeEventLogService.h"

namespace tallyvane {
namespace {

TEST(EventLogReader, ReadsNewestFirstAndSortsByTime) {
  testing::FakeEventLogService service;
  std::vector<platform::EventLogRecordFields> records(3);
  for (int i = 0; i < 3; ++i) {
    records[i].sourceName = "EventLog";
    records[i].timeGenerated = 1'700'000'000 + 3600 * i;
    records[i].eventId = 6005 + i;
  }
  service.addLog("System", records);
  platform::Services services = platform::systemServices();
  services.eventLog = &service;

  TEventLog log(true, services);
  log.SetSourceName("System");
  log.RefreshData(true);
  ASSERT_EQ(log.RecordCount(), 3u);
  EXPECT_EQ(log.Records(0)->EventID, 6007u);
  log.Sort();
  EXPECT_EQ(log.Records(0)->EventID, 6005u);
  EXPECT_EQ(log.Records(3), nullptr);
}

}  // namespace
}  // namespace tallyvane
