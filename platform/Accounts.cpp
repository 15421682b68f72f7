#include "platform/Accounts.h"

#include "platform/ByteReader.h"

namespace tallyvane::platform {

std::size_t sidLength(std::span<const std::byte> bytes) {
  const ByteReader reader(bytes);
  const auto revision = reader.u8(0);
  const auto count = reader.u8(1);
  if (!revision || !count || *revision != 1 || *count > 15) return 0;
  const std::size_t length = 8 + 4 * static_cast<std::size_t>(*count);
  return reader.has(0, length) ? length : 0;
}

bool isValidSid(std::span<const std::byte> bytes) { return sidLength(bytes) != 0; }

std::vector<std::byte> makeSid(std::uint64_t identifierAuthority,
                               std::span<const std::uint32_t> subAuthorities) {
  ByteWriter out;
  out.u8(1);
  out.u8(static_cast<std::uint8_t>(subAuthorities.size()));
  for (int i = 5; i >= 0; --i) out.u8(static_cast<std::uint8_t>(identifierAuthority >> (8 * i)));
  for (std::uint32_t sub : subAuthorities) out.u32(sub);
  return out.take();
}

}  // namespace tallyvane::platform
