#include "support/FakeEventLogService.h"

#include "platform/Unicode.h"

namespace tallyvane::testing {

namespace {

class HookedLog : public platform::EventLog {
 public:
  HookedLog(std::shared_ptr<const platform::RecordList> records, FakeEventLogService& owner)
      : inner_(std::move(records)), owner_(owner) {}
  bool numberOfRecords(std::uint32_t& count) override { return inner_.numberOfRecords(count); }
  bool oldestRecord(std::uint32_t& number) override { return inner_.oldestRecord(number); }
  platform::EventLogReadResult read(std::uint32_t flags, std::uint32_t record,
                                    std::span<std::byte> buffer) override {
    ++owner_.reads;
    owner_.readSizes.push_back(buffer.size());
    if (owner_.readHook) {
      if (const std::uint32_t error = owner_.readHook(flags, record, buffer.size())) {
        platform::EventLogReadResult r;
        r.error = error;
        return r;
      }
    }
    return inner_.read(flags, record, buffer);
  }

 private:
  platform::RecordListEventLog inner_;
  FakeEventLogService& owner_;
};

}  // namespace

void FakeEventLogService::addLog(const std::string& name,
                                 const std::vector<platform::EventLogRecordFields>& records,
                                 std::uint32_t firstNumber) {
  auto list = std::make_shared<platform::RecordList>(firstNumber);
  std::uint32_t number = firstNumber;
  for (auto fields : records) {
    fields.recordNumber = number++;
    list->append(platform::buildEventLogRecord(fields));
  }
  logs_[asciiLower(name)] = std::move(list);
}

void FakeEventLogService::addRawLog(const std::string& name,
                                    std::shared_ptr<platform::RecordList> records) {
  logs_[asciiLower(name)] = std::move(records);
}

std::unique_ptr<platform::EventLog> FakeEventLogService::open(std::string_view server,
                                                              std::string_view logName,
                                                              std::uint32_t* error) {
  ++opens;
  lastServer = server;
  if (openError != 0) {
    if (error) *error = openError;
    return nullptr;
  }
  const auto it = logs_.find(asciiLower(logName));
  // As on Windows, an unknown log name opens the Application log.
  const auto fallback = logs_.find("application");
  const auto& list = it != logs_.end() ? it->second
                     : fallback != logs_.end() ? fallback->second
                                               : std::make_shared<platform::RecordList>();
  return std::make_unique<HookedLog>(list, *this);
}

}  // namespace tallyvane::testing
