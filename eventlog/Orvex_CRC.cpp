#include "eventlog/Orvex_CRC.h"

#include <array>

namespace tallyvane {

namespace {

constexpr std::array<std::uint32_t, 256> makeTable() {
  std::array<std::uint32_t, 256> table{};
  for (std::uint32_t i = 0; i < 256; ++i) {
    std::uint32_t c = i;
    for (int k = 0; k < 8; ++k)
      c = (c & 1) ? 0xEDB88320u ^ (c >> 1) : c >> 1;
    table[i] = c;
  }
  return table;
}

constexpr auto kTable = makeTable();

}  // namespace

std::uint32_t CRC32(std::span<const std::byte> data, std::uint32_t crc) {
  std::uint32_t c = ~crc;
  for (const auto b : data)
    c = kTable[(c ^ std::to_integer<std::uint32_t>(b)) & 0xFF] ^ (c >> 8);
  return ~c;
}

}  // namespace tallyvane
