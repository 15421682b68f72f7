#include "sysinfo/Orvex_WtsApi32.h"

#include "sysinfo/Orvex_Routines.h"

namespace tallyvane {

bool ProbeWtsAvailable(const platform::Services& services) {
  return services.terminalServices != nullptr && services.terminalServices->available();
}

std::uint32_t CurrentSessionId(const TSystemSnapshot& snapshot) {
  auto* wts = snapshot.Services.terminalServices;
  if (wts == nullptr)
    return kNoSession;
  std::uint32_t session = 0;
  if (wts->querySessionNumber(platform::kCurrentSession, platform::kWtsSessionId, session)) {
    return session;
  }
  auto* processes = snapshot.Services.processes;
  if (processes != nullptr && wts->hasProcessIdToSessionId() &&
      wts->processIdToSessionId(processes->currentProcessId(), session)) {
    return session;
  }
  return kNoSession;
}

std::uint32_t CurrentSessionId() {
  return CurrentSessionId(SystemSnapshot());
}

std::uint32_t ConsoleSessionId(const TSystemSnapshot& snapshot) {
  auto* wts = snapshot.Services.terminalServices;
  std::uint32_t session = 0;
  if (wts == nullptr || !wts->activeConsoleSessionId(session))
    return kNoSession;
  return session;
}

std::uint32_t ConsoleSessionId() {
  return ConsoleSessionId(SystemSnapshot());
}

}  // namespace tallyvane
