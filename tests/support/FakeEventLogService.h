#pragma once
// A test double of the event log service with the Windows read semantics (it
// serves its logs through RecordListEventLog) and switches for the failures the
// reader must survive.
#include <functional>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "platform/EventLogRecord.h"
#include "platform/RecordListEventLog.h"

namespace tallyvane::testing {

class FakeEventLogService : public platform::EventLogService {
 public:
  // Adds a log whose records get numbers from `firstNumber` on, oldest first.
  void addLog(const std::string& name, const std::vector<platform::EventLogRecordFields>& records,
              std::uint32_t firstNumber = 1);
  void addRawLog(const std::string& name, std::shared_ptr<platform::RecordList> records);

  // Every open fails with this error when non-zero.
  std::uint32_t openError = 0;
  // Called before every read; a non-zero return fails that read with the code.
  std::function<std::uint32_t(std::uint32_t flags, std::uint32_t record, std::size_t size)>
      readHook;

  int opens = 0;
  int reads = 0;
  std::vector<std::size_t> readSizes;
  std::string lastServer;

  std::unique_ptr<platform::EventLog> open(std::string_view server, std::string_view logName,
                                           std::uint32_t* error) override;

 private:
  std::map<std::string, std::shared_ptr<platform::RecordList>> logs_;
};

}  // namespace tallyvane::testing
