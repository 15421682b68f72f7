#pragma once
// The network-workstation facts: the domain or workgroup of a machine.
#include <string>
#include <string_view>

namespace tallyvane {

struct TSystemSnapshot;

// The domain or workgroup of `Server` ("" the local machine) in upper case
// (ASCII letters only); "" when it cannot be asked.
std::string WorkstationDomain(const TSystemSnapshot& snapshot, std::string_view Server);
std::string WorkstationDomain(std::string_view Server);

}  // namespace tallyvane
