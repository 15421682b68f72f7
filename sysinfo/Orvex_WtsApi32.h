#pragma once
// Terminal services: whether they exist, and the session numbers they give.
#include <cstdint>

#include "platform/Services.h"

namespace tallyvane {

struct TSystemSnapshot;

inline constexpr std::uint32_t kNoSession = 0xFFFFFFFF;

// Whether the terminal-services library can be loaded (`WtsAvailable`).
bool ProbeWtsAvailable(const platform::Services& services);

// The session of the current process as terminal services report it, else by
// the process-to-session call; -1 when neither answers.
std::uint32_t CurrentSessionId(const TSystemSnapshot& snapshot);
std::uint32_t CurrentSessionId();

// The session attached to the physical console; -1 when it cannot be asked.
std::uint32_t ConsoleSessionId(const TSystemSnapshot& snapshot);
std::uint32_t ConsoleSessionId();

}  // namespace tallyvane
