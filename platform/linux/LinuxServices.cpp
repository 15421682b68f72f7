#include "platform/linux/LinuxServices.h"

#include <memory>

#include "platform/MemoryRegistry.h"
#include "platform/RecordListEventLog.h"
#include "platform/Unicode.h"

namespace tallyvane::platform {

namespace {

// Until this machine's history is served, the logs open and are empty.
class EmptyEventLogService : public EventLogService {
 public:
  std::unique_ptr<EventLog> open(std::string_view server, std::string_view logName,
                                 std::uint32_t* error) override {
    if (!server.empty()) {
      if (error) *error = kRpcServerUnavailable;
      return nullptr;
    }
    (void)logName;
    return std::make_unique<RecordListEventLog>(std::make_shared<RecordList>());
  }
};

class NoAccounts : public Accounts {
 public:
  bool lookupAccountSid(std::string_view, std::span<const std::byte>, std::string&, std::string&,
                        SidNameUse&) override {
    return false;
  }
  bool lookupAccountName(std::string_view, std::string_view, std::vector<std::byte>&, std::string&,
                         SidNameUse&) override {
    return false;
  }
};

}  // namespace

const Services& systemServices() {
  static EmptyEventLogService eventLog;
  static MemoryRegistry registry;
  static NoAccounts accounts;
  static LinuxTimeZone timeZone;
  static LinuxClock clock;
  static const Services services{&eventLog, &registry, &accounts, &timeZone, &clock};
  return services;
}

}  // namespace tallyvane::platform
