#include "platform/linux/LinuxServices.h"

#include <memory>

#include "platform/MemoryRegistry.h"
#include "platform/RecordListEventLog.h"
#include "platform/Unicode.h"
#include "platform/linux/LinuxAccounts.h"
#include "platform/linux/LinuxRegistry.h"

namespace tallyvane::platform {

namespace {

// Until this machine's history is served, the logs open and are empty.
class EmptyEventLogService : public EventLogService {
 public:
  std::unique_ptr<EventLog> open(std::string_view server, std::string_view logName,
                                 std::uint32_t* error) override {
    if (!server.empty()) {
      if (error)
        *error = kRpcServerUnavailable;
      return nullptr;
    }
    (void)logName;
    return std::make_unique<RecordListEventLog>(std::make_shared<RecordList>());
  }
};

}  // namespace

const Services& systemServices() {
  static EmptyEventLogService eventLog;
  static const std::string hostName = linuxHostName();
  static const std::unique_ptr<MemoryRegistry> registry =
      buildLinuxRegistry(readLinuxMachineFacts());
  static LinuxAccounts accounts(hostName);
  static LinuxTimeZone timeZone;
  static LinuxClock clock;
  static const Services services{&eventLog, registry.get(), &accounts, &timeZone, &clock};
  return services;
}

}  // namespace tallyvane::platform
