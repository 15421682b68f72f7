#pragma once
// The set of operating-system services the core reaches. `systemServices()` gives
// this machine's real ones (chosen by the build); callers that read an exported
// log or run under test pass a copy with some members replaced.
#include "platform/Accounts.h"
#include "platform/EventLogService.h"
#include "platform/MessageFiles.h"
#include "platform/NetworkInfo.h"
#include "platform/ProcessList.h"
#include "platform/ProcessTokens.h"
#include "platform/Registry.h"
#include "platform/SystemFacts.h"
#include "platform/TerminalServices.h"
#include "platform/TimeZone.h"
#include "platform/VersionResource.h"

namespace tallyvane::platform {

struct Services {
  EventLogService* eventLog = nullptr;
  Registry* registry = nullptr;
  Accounts* accounts = nullptr;
  TimeZone* timeZone = nullptr;
  SystemClock* clock = nullptr;
  SystemFacts* systemFacts = nullptr;
  TerminalServices* terminalServices = nullptr;
  ProcessList* processes = nullptr;
  ProcessTokens* tokens = nullptr;
  NetworkInfo* network = nullptr;
  VersionResources* versionResources = nullptr;
  MessageFiles* messageFiles = nullptr;
};

// This machine's services. They live for the whole process.
const Services& systemServices();

}  // namespace tallyvane::platform
