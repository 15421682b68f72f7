#include "storage/AnsiCodePage.h"

#include <atomic>

#include "platform/CodePages.h"
#include "platform/Unicode.h"

namespace tallyvane {

namespace {

// Code points of the bytes 0x80 to 0x9F.
constexpr char16_t kHigh[32] = {0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021,
                                0x02C6, 0x2030, 0x0160, 0x2039, 0x0152, 0x008D, 0x017D, 0x008F,
                                0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014,
                                0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178};

std::atomic<std::uint32_t>& chosenCodePage() {
  static std::atomic<std::uint32_t> codePage{0};
  return codePage;
}

bool isValidUtf8(std::string_view text) {
  std::size_t i = 0;
  while (i < text.size()) {
    const auto lead = static_cast<unsigned char>(text[i]);
    std::size_t n = 0;
    std::uint32_t cp = 0;
    if (lead < 0x80) {
      ++i;
      continue;
    } else if (lead >= 0xC2 && lead <= 0xDF) {
      n = 1;
      cp = lead & 0x1F;
    } else if (lead >= 0xE0 && lead <= 0xEF) {
      n = 2;
      cp = lead & 0x0F;
    } else if (lead >= 0xF0 && lead <= 0xF4) {
      n = 3;
      cp = lead & 0x07;
    } else {
      return false;
    }
    if (text.size() - i <= n)
      return false;
    for (std::size_t k = 1; k <= n; ++k) {
      const auto c = static_cast<unsigned char>(text[i + k]);
      if ((c & 0xC0) != 0x80)
        return false;
      cp = (cp << 6) | (c & 0x3F);
    }
    const std::uint32_t least = n == 1 ? 0x80 : n == 2 ? 0x800 : 0x10000;
    if (cp < least || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF))
      return false;
    i += n + 1;
  }
  return true;
}

std::string windows1252ToUtf8(std::string_view bytes) {
  std::u16string wide;
  wide.reserve(bytes.size());
  for (const char c : bytes) {
    const auto b = static_cast<unsigned char>(c);
    wide.push_back(b >= 0x80 && b < 0xA0 ? kHigh[b - 0x80] : static_cast<char16_t>(b));
  }
  return utf16ToUtf8(wide);
}

std::string utf8ToWindows1252(std::string_view text) {
  const std::u16string wide = utf8ToUtf16(text);
  std::string out;
  out.reserve(wide.size());
  for (const char16_t u : wide) {
    if (u < 0x80 || (u >= 0xA0 && u <= 0xFF)) {
      out.push_back(static_cast<char>(u));
      continue;
    }
    char mapped = '?';
    for (int i = 0; i < 32; ++i) {
      if (kHigh[i] == u)
        mapped = static_cast<char>(0x80 + i);
    }
    out.push_back(mapped);
  }
  return out;
}

}  // namespace

std::uint16_t ansiCodePage() {
  std::uint32_t codePage = chosenCodePage().load();
  if (codePage == 0) {
    codePage = platform::systemAnsiCodePage();
    chosenCodePage().store(codePage);
  }
  return static_cast<std::uint16_t>(codePage);
}

void setAnsiCodePageForTesting(std::optional<std::uint16_t> codePage) {
  chosenCodePage().store(codePage.value_or(0));
}

std::string ansiToUtf8(std::string_view bytes, std::uint16_t codePage) {
  if (codePage == kCodePageUtf8 && isValidUtf8(bytes))
    return std::string(bytes);
  if (codePage != kWindows1252 && codePage != kCodePageUtf8) {
    if (auto text = platform::codePageToUtf8(codePage, bytes))
      return *text;
  }
  return windows1252ToUtf8(bytes);
}

std::string utf8ToAnsi(std::string_view text, std::uint16_t codePage) {
  if (codePage == kCodePageUtf8)
    return std::string(text);
  if (codePage != kWindows1252) {
    if (auto bytes = platform::utf8ToCodePage(codePage, text))
      return *bytes;
  }
  return utf8ToWindows1252(text);
}

}  // namespace tallyvane
