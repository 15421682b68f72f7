#pragma once
// The machine on the network, shaped after NetWkstaGetInfo (level 100),
// gethostname and gethostbyname.
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace tallyvane::platform {

class NetworkInfo {
 public:
  virtual ~NetworkInfo() = default;
  // Whether the network-workstation library and NetWkstaGetInfo are found.
  virtual bool workstationAvailable() = 0;
  // NetWkstaGetInfo level 100 for `server` ("" the local machine, else
  // "\\name"): the wki100_langroup text (domain or workgroup).
  virtual bool workstationLanGroup(std::string_view server, std::string& lanGroup) = 0;
  // gethostname.
  virtual bool hostName(std::string& name) = 0;
  // The IPv4 addresses the host name resolves to, in resolution order, each
  // in host byte order (192.168.0.1 is 0xC0A80001); false when it does not resolve.
  virtual bool resolveIpv4(std::string_view host, std::vector<std::uint32_t>& addresses) = 0;
};

}  // namespace tallyvane::platform
