#pragma once
// The resource directory of a PE file: the one walk that every reader of
// resources (version information, message tables) goes through. Every offset
// is checked; a malformed file gives fewer resources or none, never a read
// outside the bytes.
#include <cstddef>
#include <cstdint>
#include <span>
#include <vector>

namespace tallyvane::platform {

inline constexpr std::uint32_t kRtMessageTable = 11;
inline constexpr std::uint32_t kRtVersion = 16;

// One resource of a PE file: its numeric name, its language and its bytes (a
// view into the file's bytes).
struct PeResource {
  std::uint32_t id = 0;
  std::uint16_t language = 0;
  std::span<const std::byte> data;
};

// Every resource of numeric type `type` with a numeric name, in the order of
// the directory (by name, then by language). Resources named by a string are
// left out: neither version blocks nor message tables use them.
std::vector<PeResource> findPeResources(std::span<const std::byte> file, std::uint32_t type);

}  // namespace tallyvane::platform
