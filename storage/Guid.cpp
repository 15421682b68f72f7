#include "storage/Guid.h"

#include <cstdio>

namespace tallyvane {

namespace {

int hexValue(char c) {
  if (c >= '0' && c <= '9')
    return c - '0';
  if (c >= 'a' && c <= 'f')
    return c - 'a' + 10;
  if (c >= 'A' && c <= 'F')
    return c - 'A' + 10;
  return -1;
}

}  // namespace

std::optional<Guid> Guid::fromString(std::string_view text) {
  if (text.size() == 38 && text.front() == '{' && text.back() == '}') {
    text = text.substr(1, 36);
  }
  if (text.size() != 36 || text[8] != '-' || text[13] != '-' || text[18] != '-' ||
      text[23] != '-') {
    return std::nullopt;
  }
  std::array<std::uint8_t, 16> big{};  // the digits in text order
  std::size_t n = 0;
  for (std::size_t i = 0; i < text.size(); ++i) {
    if (i == 8 || i == 13 || i == 18 || i == 23)
      continue;
    const int hi = hexValue(text[i]);
    const int lo = i + 1 < text.size() ? hexValue(text[i + 1]) : -1;
    if (hi < 0 || lo < 0)
      return std::nullopt;
    big[n++] = static_cast<std::uint8_t>(hi * 16 + lo);
    ++i;
  }
  Guid g;
  // Data1, Data2 and Data3 are stored little-endian.
  const int order[16] = {3, 2, 1, 0, 5, 4, 7, 6, 8, 9, 10, 11, 12, 13, 14, 15};
  for (int i = 0; i < 16; ++i)
    g.bytes[static_cast<std::size_t>(i)] = big[static_cast<std::size_t>(order[i])];
  return g;
}

std::string Guid::toString() const {
  char text[40];
  const auto& b = bytes;
  std::snprintf(text, sizeof text,
                "{%02X%02X%02X%02X-%02X%02X-%02X%02X-%02X%02X-%02X%02X%02X%02X%02X%02X}", b[3],
                b[2], b[1], b[0], b[5], b[4], b[7], b[6], b[8], b[9], b[10], b[11], b[12], b[13],
                b[14], b[15]);
  return text;
}

bool Guid::isNull() const {
  for (auto b : bytes) {
    if (b != 0)
      return false;
  }
  return true;
}

Guid GuidOf(std::string_view text) {
  return Guid::fromString(text).value_or(Guid{});
}

}  // namespace tallyvane
