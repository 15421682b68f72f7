#pragma once
// UTF-8 in the core, UTF-16 at the Windows API: the one place the window's
// texts change form.
#include <string>
#include <string_view>

namespace tallyvane {

std::wstring Wide(std::string_view Utf8);
std::string Utf8(std::wstring_view Text);

}  // namespace tallyvane
