#pragma once
// A GUID (class ID, format ID) in the byte order compound files store it:
// Data1, Data2 and Data3 little-endian, then the eight bytes of Data4.
#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace tallyvane {

struct Guid {
  std::array<std::uint8_t, 16> bytes{};

  // Parses "{XXXXXXXX-XXXX-XXXX-XXXX-XXXXXXXXXXXX}" (braces optional).
  static std::optional<Guid> fromString(std::string_view text);
  // The registry form with braces and upper-case digits.
  std::string toString() const;
  bool isNull() const;
  friend bool operator==(const Guid&, const Guid&) = default;
};

// Parses a GUID literal known to be valid (for constants).
Guid GuidOf(std::string_view text);

inline const Guid kNullGuid{};

}  // namespace tallyvane
