#include "platform/linux/LinuxServices.h"

#include <memory>

#include "platform/MemoryRegistry.h"
#include "platform/linux/LinuxAccounts.h"
#include "platform/linux/LinuxEventLogService.h"
#include "platform/linux/LinuxRegistry.h"

namespace tallyvane::platform {

const Services& systemServices() {
  static LinuxEventLogService eventLog;
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
