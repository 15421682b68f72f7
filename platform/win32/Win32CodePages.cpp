// Code pages on Windows: GetACP, MultiByteToWideChar and WideCharToMultiByte.
#include <windows.h>

#include "platform/CodePages.h"
#include "platform/Unicode.h"

namespace tallyvane::platform {

std::uint16_t systemAnsiCodePage() {
  return static_cast<std::uint16_t>(GetACP());
}

std::optional<std::string> codePageToUtf8(std::uint16_t codePage, std::string_view bytes) {
  if (bytes.empty())
    return std::string();
  const int size = static_cast<int>(bytes.size());
  const int n = MultiByteToWideChar(codePage, MB_ERR_INVALID_CHARS, bytes.data(), size, nullptr, 0);
  if (n <= 0)
    return std::nullopt;
  std::u16string wide(static_cast<std::size_t>(n), u'\0');
  MultiByteToWideChar(codePage, MB_ERR_INVALID_CHARS, bytes.data(), size,
                      reinterpret_cast<wchar_t*>(wide.data()), n);
  return utf16ToUtf8(wide);
}

std::optional<std::string> utf8ToCodePage(std::uint16_t codePage, std::string_view text) {
  const std::u16string wide = utf8ToUtf16(text);
  if (wide.empty())
    return std::string();
  const auto* in = reinterpret_cast<const wchar_t*>(wide.data());
  const int size = static_cast<int>(wide.size());
  // UTF-8 and some other code pages take no default character.
  const bool takesDefault = codePage != 65001 && codePage != 54936;
  const int n =
      WideCharToMultiByte(codePage, 0, in, size, nullptr, 0, takesDefault ? "?" : nullptr, nullptr);
  if (n <= 0)
    return std::nullopt;
  std::string out(static_cast<std::size_t>(n), '\0');
  WideCharToMultiByte(codePage, 0, in, size, out.data(), n, takesDefault ? "?" : nullptr, nullptr);
  return out;
}

}  // namespace tallyvane::platform
