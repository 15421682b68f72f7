#include "platform/Unicode.h"

#include <cstdint>

namespace tallyvane {

namespace {

char asciiLowerChar(char c) {
  return (c >= 'A' && c <= 'Z') ? static_cast<char>(c + 32) : c;
}
char asciiUpperChar(char c) {
  return (c >= 'a' && c <= 'z') ? static_cast<char>(c - 32) : c;
}

}  // namespace

std::string utf16ToUtf8(std::u16string_view text) {
  std::string out;
  out.reserve(text.size());
  for (std::size_t i = 0; i < text.size(); ++i) {
    char32_t u = text[i];
    if (u >= 0xD800 && u <= 0xDBFF && i + 1 < text.size() && text[i + 1] >= 0xDC00 &&
        text[i + 1] <= 0xDFFF) {
      u = 0x10000 + ((u - 0xD800) << 10) + (text[i + 1] - 0xDC00);
      ++i;
    } else if (u >= 0xD800 && u <= 0xDFFF) {
      u = 0xFFFD;
    }
    appendUtf8(out, u);
  }
  return out;
}

std::u16string utf8ToUtf16(std::string_view text) {
  std::u16string out;
  out.reserve(text.size());
  std::size_t i = 0;
  while (i < text.size()) {
    const auto b0 = static_cast<unsigned char>(text[i]);
    char32_t cp = 0xFFFD;
    std::size_t len = 1;
    if (b0 < 0x80) {
      cp = b0;
    } else {
      std::size_t need = 0;
      char32_t min = 0;
      if ((b0 & 0xE0) == 0xC0) {
        need = 1, cp = b0 & 0x1F, min = 0x80;
      } else if ((b0 & 0xF0) == 0xE0) {
        need = 2, cp = b0 & 0x0F, min = 0x800;
      } else if ((b0 & 0xF8) == 0xF0) {
        need = 3, cp = b0 & 0x07, min = 0x10000;
      }
      bool ok = need > 0;
      for (std::size_t k = 1; ok && k <= need; ++k) {
        if (i + k >= text.size()) {
          ok = false;
          break;
        }
        const auto b = static_cast<unsigned char>(text[i + k]);
        if ((b & 0xC0) != 0x80) {
          ok = false;
          break;
        }
        cp = (cp << 6) | (b & 0x3F);
      }
      if (ok && cp >= min && cp <= 0x10FFFF && !(cp >= 0xD800 && cp <= 0xDFFF)) {
        len = need + 1;
      } else {
        cp = 0xFFFD;
        len = 1;
      }
    }
    if (cp >= 0x10000) {
      cp -= 0x10000;
      out.push_back(static_cast<char16_t>(0xD800 + (cp >> 10)));
      out.push_back(static_cast<char16_t>(0xDC00 + (cp & 0x3FF)));
    } else {
      out.push_back(static_cast<char16_t>(cp));
    }
    i += len;
  }
  return out;
}

std::u16string readUtf16z(std::span<const std::byte> bytes, std::size_t* consumed) {
  std::u16string out;
  std::size_t i = 0;
  bool terminated = false;
  for (; i + 1 < bytes.size(); i += 2) {
    const auto unit = static_cast<char16_t>(std::to_integer<std::uint8_t>(bytes[i]) |
                                            (std::to_integer<std::uint8_t>(bytes[i + 1]) << 8));
    if (unit == 0) {
      terminated = true;
      i += 2;
      break;
    }
    out.push_back(unit);
  }
  if (consumed != nullptr)
    *consumed = terminated ? i : bytes.size();
  return out;
}

std::vector<std::byte> utf16leBytes(std::string_view utf8, bool terminate) {
  const std::u16string units = utf8ToUtf16(utf8);
  std::vector<std::byte> out;
  out.reserve(units.size() * 2 + 2);
  for (char16_t u : units) {
    out.push_back(static_cast<std::byte>(u & 0xFF));
    out.push_back(static_cast<std::byte>(u >> 8));
  }
  if (terminate) {
    out.push_back(std::byte{0});
    out.push_back(std::byte{0});
  }
  return out;
}

void appendLatin1(std::string& out, unsigned char byte) {
  appendUtf8(out, byte);
}

bool equalsIgnoreAsciiCase(std::string_view a, std::string_view b) {
  if (a.size() != b.size())
    return false;
  if (a == b)
    return true;  // the usual case, a word at a time
  for (std::size_t i = 0; i < a.size(); ++i) {
    if (asciiLowerChar(a[i]) != asciiLowerChar(b[i]))
      return false;
  }
  return true;
}

std::string asciiUpper(std::string_view text) {
  std::string out(text);
  for (char& c : out)
    c = asciiUpperChar(c);
  return out;
}

std::string asciiLower(std::string_view text) {
  std::string out(text);
  for (char& c : out)
    c = asciiLowerChar(c);
  return out;
}

}  // namespace tallyvane
