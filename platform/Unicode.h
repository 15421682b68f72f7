#pragma once
// Conversions between the UTF-16LE bytes of Windows structures and the UTF-8
// strings the core keeps. Unpaired surrogates become U+FFFD; nothing throws.
#include <cstddef>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace tallyvane {

// UTF-16 code units to UTF-8.
std::string utf16ToUtf8(std::u16string_view text);
// UTF-8 to UTF-16 code units (invalid sequences become U+FFFD).
std::u16string utf8ToUtf16(std::string_view text);

// Reads a NUL-terminated UTF-16LE string at the start of `bytes`. A string
// without its terminator ends at the end of `bytes` (an odd last byte is
// dropped). `consumed` receives the bytes taken, terminator included.
std::u16string readUtf16z(std::span<const std::byte> bytes, std::size_t* consumed = nullptr);

// UTF-8 text as UTF-16LE bytes, with a NUL terminator when `terminate` is set.
std::vector<std::byte> utf16leBytes(std::string_view utf8, bool terminate = true);

// The code point U+00xx of a Latin-1 byte, as UTF-8.
// Appends one code point as UTF-8 (a hot path of the log readers, hence inline).
inline void appendUtf8(std::string& out, char32_t cp) {
  if (cp < 0x80) {
    out.push_back(static_cast<char>(cp));
  } else if (cp < 0x800) {
    out.push_back(static_cast<char>(0xC0 | (cp >> 6)));
    out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
  } else if (cp < 0x10000) {
    out.push_back(static_cast<char>(0xE0 | (cp >> 12)));
    out.push_back(static_cast<char>(0x80 | ((cp >> 6) & 0x3F)));
    out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
  } else {
    out.push_back(static_cast<char>(0xF0 | (cp >> 18)));
    out.push_back(static_cast<char>(0x80 | ((cp >> 12) & 0x3F)));
    out.push_back(static_cast<char>(0x80 | ((cp >> 6) & 0x3F)));
    out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
  }
}

void appendLatin1(std::string& out, unsigned char byte);

// ASCII letters compared without regard to case; all other bytes must match.
bool equalsIgnoreAsciiCase(std::string_view a, std::string_view b);
std::string asciiUpper(std::string_view text);
std::string asciiLower(std::string_view text);

}  // namespace tallyvane
