#pragma once
// The system's ANSI code page for 8-bit text. On this platform it is
// Windows-1252, the code page of Western European Windows installations.
#include <cstdint>
#include <string>
#include <string_view>

namespace tallyvane {

inline constexpr std::uint16_t kAnsiCodePage = 1252;

// Windows-1252 bytes to UTF-8 (the five unassigned bytes map to U+0081 and so on,
// as the platform's conversion does).
std::string ansiToUtf8(std::string_view bytes);
// UTF-8 to Windows-1252; characters outside the code page become "?".
std::string utf8ToAnsi(std::string_view text);

}  // namespace tallyvane
