#include "platform/linux/LinuxServices.h"

#include <memory>

#include "platform/MemoryRegistry.h"
#include "platform/VersionResource.h"
#include "platform/linux/LinuxAccounts.h"
#include "platform/linux/LinuxEventLogService.h"
#include "platform/linux/LinuxRegistry.h"
#include "platform/linux/LinuxSystemInfo.h"

namespace tallyvane::platform {

const Services& systemServices() {
  static LinuxEventLogService eventLog;
  static const std::string hostName = linuxHostName();
  static const std::unique_ptr<MemoryRegistry> registry =
      buildLinuxRegistry(readLinuxMachineFacts());
  static LinuxAccounts accounts(hostName);
  static LinuxTimeZone timeZone;
  static LinuxClock clock;
  static LinuxSystemFacts systemFacts;
  static LinuxTerminalServices terminalServices;
  static LinuxProcessList processes;
  static LinuxProcessTokens tokens;
  static LinuxNetworkInfo network;
  static FileVersionResources versionResources;
  static PortableMessageFiles messageFiles;
  static const Services services{&eventLog, registry.get(), &accounts,         &timeZone,
                                 &clock,    &systemFacts,   &terminalServices, &processes,
                                 &tokens,   &network,       &versionResources,
                                 &messageFiles};
  return services;
}

}  // namespace tallyvane::platform
