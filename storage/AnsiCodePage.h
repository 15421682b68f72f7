#pragma once
// 8-bit text in the system's ANSI code page. The code page is the system's
// (see platform/CodePages.h); Windows-1252 is converted here by our own table,
// so text written with it reads the same on every machine.
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace tallyvane {

inline constexpr std::uint16_t kWindows1252 = 1252;
inline constexpr std::uint16_t kCodePageUtf8 = 65001;

// The system's ANSI code page, taken once.
std::uint16_t ansiCodePage();
// Sets the code page ansiCodePage gives (nothing: the system's again).
void setAnsiCodePageForTesting(std::optional<std::uint16_t> codePage);

// Bytes in `codePage` to UTF-8. Windows-1252's five unassigned bytes map to
// U+0081 and so on, as the platform's conversion does. Bytes that are not
// valid in the code page (or a code page the system cannot convert) are read
// as Windows-1252, the code page of files written before the code page was
// taken from the system.
std::string ansiToUtf8(std::string_view bytes, std::uint16_t codePage = kWindows1252);
// UTF-8 to `codePage`; characters outside the code page become "?".
std::string utf8ToAnsi(std::string_view text, std::uint16_t codePage = kWindows1252);

}  // namespace tallyvane
