#pragma once
// The native process list: finding a process by image name in a session.
#include <cstdint>
#include <string_view>

namespace tallyvane {

struct TSystemSnapshot;

// Walks the native process list for a process whose module base name equals
// `ImageName` (without regard to case) in session `SessionId`; its identifier,
// or -1 when there is none or the list cannot be had.
std::uint32_t NativeFindProcessInSession(const TSystemSnapshot& snapshot,
                                         std::string_view ImageName, std::uint32_t SessionId);

}  // namespace tallyvane
