#include "sysinfo/Orvex_NativeAPI.h"

#include <string>
#include <vector>

#include "platform/Unicode.h"
#include "sysinfo/Orvex_Routines.h"

namespace tallyvane {

std::uint32_t NativeFindProcessInSession(const TSystemSnapshot& snapshot,
                                         std::string_view ImageName, std::uint32_t SessionId) {
  auto* processes = snapshot.Services.processes;
  if (processes == nullptr)
    return platform::kNoProcess;
  std::vector<platform::NativeProcessRecord> records;
  if (!processes->nativeProcesses(records))
    return platform::kNoProcess;
  for (const auto& record : records) {
    std::string name;
    if (!processes->moduleBaseName(record.processId, name))
      name.clear();
    if (equalsIgnoreAsciiCase(name, ImageName) && record.sessionId == SessionId) {
      return record.processId;
    }
  }
  return platform::kNoProcess;
}

}  // namespace tallyvane
