#include "sysinfo/Orvex_NetAPI32.h"

#include "platform/Unicode.h"
#include "sysinfo/Orvex_Routines.h"

namespace tallyvane {

std::string WorkstationDomain(const TSystemSnapshot& snapshot, std::string_view Server) {
  auto* network = snapshot.Services.network;
  if (network == nullptr || !network->workstationAvailable())
    return "";
  std::string server(Server);
  if (snapshot.IsNT) {
    if (server.empty()) {
      server = "\\\\.";
    } else if (server.rfind("\\\\", 0) != 0) {
      server = "\\\\" + server;
    }
  }
  std::string group;
  if (!network->workstationLanGroup(server, group))
    return "";
  return asciiUpper(group);
}

std::string WorkstationDomain(std::string_view Server) {
  return WorkstationDomain(SystemSnapshot(), Server);
}

}  // namespace tallyvane
