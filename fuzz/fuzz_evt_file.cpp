// Reads arbitrary bytes as a classic .evt file, then the whole log through
// TEventLog, and checks that every record served lies inside the file.
#include <cstddef>
#include <cstdint>
#include <span>

#include "eventlog/Orvex_EventLogNT.h"
#include "platform/ByteReader.h"
#include "platform/EvtFileEventLogService.h"
#include "support/FakeAccounts.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  using namespace tallyvane;
  static testing::FakeAccounts accounts;
  accounts.lookups.clear();

  const auto file = std::as_bytes(std::span(data, size));
  platform::EvtReadReport report;
  auto records = platform::readEvtRecords(file, &report);
  std::size_t total = 0;
  for (std::size_t i = 0; i < records->count(); ++i) {
    const auto record = records->at(i);
    if (record.size() < 56 || ByteReader(record).u32(0) != record.size())
      __builtin_trap();
    total += record.size();
  }
  // A file holds each live byte once: the walk never goes round twice.
  if (total > size)
    __builtin_trap();
  if (report.records != records->count())
    __builtin_trap();

  platform::EvtFileEventLogService service(records, report);
  platform::Services services{};
  services.eventLog = &service;
  services.accounts = &accounts;
  TEventLog log(true, services);
  log.SetSourceName("System");
  log.SetLookupSID(true);
  log.RefreshData(true);
  if (log.RecordCount() != records->count())
    __builtin_trap();
  log.Sort();
  return 0;
}
