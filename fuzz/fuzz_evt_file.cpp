// Reads arbitrary bytes as a classic .evt file, then the whole log through
// TEventLog, and checks that every record served lies inside the file, that
// the records served in place are those copied out, and that a log looked at
// in place reads as one read through a read buffer.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <span>
#include <string_view>
#include <vector>

#include "eventlog/Orvex_EventLogNT.h"
#include "platform/ByteReader.h"
#include "platform/EvtFileEventLogService.h"
#include "support/FakeAccounts.h"

namespace {

using namespace tallyvane;

// Serves a log through read() alone, as the Windows service does.
class ReadsOnly : public platform::EventLogService {
 public:
  explicit ReadsOnly(platform::EventLogService& inner) : inner_(inner) {}
  std::unique_ptr<platform::EventLog> open(std::string_view server, std::string_view logName,
                                           std::uint32_t* error) override {
    class Log : public platform::EventLog {
     public:
      explicit Log(std::unique_ptr<platform::EventLog> inner) : inner_(std::move(inner)) {}
      bool numberOfRecords(std::uint32_t& count) override { return inner_->numberOfRecords(count); }
      bool oldestRecord(std::uint32_t& number) override { return inner_->oldestRecord(number); }
      platform::EventLogReadResult read(std::uint32_t flags, std::uint32_t number,
                                        std::span<std::byte> buffer) override {
        return inner_->read(flags, number, buffer);
      }

     private:
      std::unique_ptr<platform::EventLog> inner_;
    };
    auto log = inner_.open(server, logName, error);
    return log ? std::make_unique<Log>(std::move(log)) : nullptr;
  }

 private:
  platform::EventLogService& inner_;
};

std::vector<TLogRecord> readThrough(platform::EventLogService& service,
                                    testing::FakeAccounts& accounts, std::string_view filter) {
  platform::Services services{};
  services.eventLog = &service;
  services.accounts = &accounts;
  TEventLog log(true, services);
  log.SetSourceName("System");
  log.SetLookupSID(true);
  log.SetSourceFilter(filter);
  log.RefreshData(true);
  log.Sort();
  std::vector<TLogRecord> out;
  for (std::uint32_t i = 0; i < log.RecordCount(); ++i)
    out.push_back(*log.Records(i));
  return out;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
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

  // The same records where they lie in the file.
  platform::EvtReadReport inPlaceReport;
  auto inPlace = platform::readEvtRecordsInPlace(nullptr, file, &inPlaceReport);
  if (inPlace->count() != records->count() || inPlace->firstNumber() != records->firstNumber() ||
      inPlaceReport.problem != report.problem || inPlaceReport.wrapped != report.wrapped)
    __builtin_trap();
  for (std::size_t i = 0; i < records->count(); ++i) {
    const auto a = records->at(i);
    const auto b = inPlace->at(i);
    if (!std::equal(a.begin(), a.end(), b.begin(), b.end()))
      __builtin_trap();
    if (b.data() != nullptr && !b.empty() && b.data() >= file.data() &&
        b.data() + b.size() > file.data() + file.size())
      __builtin_trap();
  }

  platform::EvtFileEventLogService service(inPlace, inPlaceReport);
  const auto all = readThrough(service, accounts, "");
  if (all.size() != records->count())
    __builtin_trap();
  // The journal's filter, on the records' bytes in place and through reads.
  ReadsOnly reads(service);
  const std::string_view journal =
      "Microsoft-Windows-Kernel-General,Microsoft-Windows-Kernel-Power,EventLog";
  if (readThrough(service, accounts, journal) != readThrough(reads, accounts, journal))
    __builtin_trap();
  return 0;
}
