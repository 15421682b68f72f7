#pragma once
// CRC-32 of IEEE 802.3 (reflected polynomial 0xEDB88320, initial value
// 0xFFFFFFFF, final complement), the checksum of zip and PNG.
#include <cstddef>
#include <cstdint>
#include <span>

namespace tallyvane {

// The CRC-32 of `data`; pass the result of an earlier call as `crc` to go on
// over more bytes.
std::uint32_t CRC32(std::span<const std::byte> data, std::uint32_t crc = 0);

}  // namespace tallyvane
