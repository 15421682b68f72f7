#pragma once
// The system's ANSI code page and conversions of 8-bit text in a Windows code
// page (by its number) to and from UTF-8.
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace tallyvane::platform {

// GetACP on Windows. On Linux the Windows code page matching the character set
// of the user's locale (LC_ALL, LC_CTYPE, LANG): 65001 for UTF-8, 1251 for
// CP1251, 28592 for ISO-8859-2, 932 for Shift_JIS, and so on; 1252 when none
// matches (the C locale among them).
std::uint16_t systemAnsiCodePage();

// The Windows code page matching a character set name as nl_langinfo gives
// it (case, "-" and "_" do not matter), or nothing.
std::optional<std::uint16_t> codePageOfCharset(std::string_view charset);

// Text in `codePage` to UTF-8; nothing when the system cannot convert that
// code page or the bytes are not valid in it.
std::optional<std::string> codePageToUtf8(std::uint16_t codePage, std::string_view bytes);
// UTF-8 to `codePage`; characters the code page lacks become "?". Nothing when
// the system cannot convert that code page.
std::optional<std::string> utf8ToCodePage(std::uint16_t codePage, std::string_view text);

}  // namespace tallyvane::platform
