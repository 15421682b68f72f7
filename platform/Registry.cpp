#include "platform/Registry.h"

#include <vector>

#include "platform/Unicode.h"

namespace tallyvane::platform {

namespace {

std::optional<std::vector<std::byte>> readValue(Registry& registry, RegKey key,
                                                std::string_view valueName, std::uint32_t& type) {
  std::uint32_t size = 0;
  if (registry.queryValue(key, valueName, type, {}, size) != kErrorSuccess) return std::nullopt;
  std::vector<std::byte> data(size);
  if (size > 0 && registry.queryValue(key, valueName, type, data, size) != kErrorSuccess) {
    return std::nullopt;
  }
  data.resize(size);
  return data;
}

}  // namespace

std::optional<std::string> readStringValue(Registry& registry, RegKey key,
                                           std::string_view valueName) {
  std::uint32_t type = 0;
  const auto data = readValue(registry, key, valueName, type);
  if (!data || (type != kRegSz && type != kRegExpandSz)) return std::nullopt;
  std::size_t used = 0;
  return utf16ToUtf8(readUtf16z(*data, &used));
}

std::optional<std::uint32_t> readDwordValue(Registry& registry, RegKey key,
                                            std::string_view valueName) {
  std::uint32_t type = 0;
  const auto data = readValue(registry, key, valueName, type);
  if (!data || data->size() != 4 || (type != kRegDword && type != kRegBinary)) return std::nullopt;
  std::uint32_t v = 0;
  for (int i = 0; i < 4; ++i) v |= std::to_integer<std::uint32_t>((*data)[i]) << (8 * i);
  return v;
}

}  // namespace tallyvane::platform
