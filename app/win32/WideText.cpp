#include "WideText.h"

#include "platform/Unicode.h"

namespace tallyvane {

static_assert(sizeof(wchar_t) == sizeof(char16_t), "the Windows API's wide characters are UTF-16");

std::wstring Wide(std::string_view Utf8Text) {
  const std::u16string units = utf8ToUtf16(Utf8Text);
  return std::wstring(units.begin(), units.end());
}

std::string Utf8(std::wstring_view Text) {
  const std::u16string units(Text.begin(), Text.end());
  return utf16ToUtf8(units);
}

}  // namespace tallyvane
