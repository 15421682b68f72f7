#include "platform/Accounts.h"

#include "platform/ByteReader.h"

namespace tallyvane::platform {

std::size_t sidLength(std::span<const std::byte> bytes) {
  const ByteReader reader(bytes);
  const auto revision = reader.u8(0);
  const auto count = reader.u8(1);
  if (!revision || !count || *revision != 1 || *count > 15)
    return 0;
  const std::size_t length = 8 + 4 * static_cast<std::size_t>(*count);
  return reader.has(0, length) ? length : 0;
}

bool isValidSid(std::span<const std::byte> bytes) {
  return sidLength(bytes) != 0;
}

std::vector<std::byte> makeSid(std::uint64_t identifierAuthority,
                               std::span<const std::uint32_t> subAuthorities) {
  ByteWriter out;
  out.u8(1);
  out.u8(static_cast<std::uint8_t>(subAuthorities.size()));
  for (int i = 5; i >= 0; --i)
    out.u8(static_cast<std::uint8_t>(identifierAuthority >> (8 * i)));
  for (std::uint32_t sub : subAuthorities)
    out.u32(sub);
  return out.take();
}

}  // namespace tallyvane::platform

namespace tallyvane {

std::string SidToText(std::span<const std::byte> sid) {
  const std::size_t length = platform::sidLength(sid);
  if (length == 0)
    return {};
  const ByteReader reader(sid);
  std::string text = "S-1-";
  for (std::uint64_t i = 2; i < 8; ++i) {
    const std::uint8_t b = *reader.u8(i);
    if (b != 0)
      text += std::to_string(b);
  }
  const std::uint8_t count = *reader.u8(1);
  for (std::uint8_t i = 0; i < count; ++i) {
    text += '-';
    text += std::to_string(*reader.u32(8 + 4u * i));
  }
  return text;
}

}  // namespace tallyvane
