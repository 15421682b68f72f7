// The registry through the advapi32 calls.
#include <windows.h>

#include <vector>

#include "platform/win32/Win32Services.h"

namespace tallyvane::platform {

namespace {

// The predefined roots are small negative numbers as HKEY (0x80000002 is
// sign-extended on 64-bit Windows); every other key is its handle value.
bool isPredefined(RegKey key) {
  return key >= 0x80000000u && key <= 0x80000006u;
}

HKEY toHkey(RegKey key) {
  if (isPredefined(key)) {
    const auto value = static_cast<LONG>(static_cast<std::uint32_t>(key));
    return reinterpret_cast<HKEY>(static_cast<LONG_PTR>(value));
  }
  return reinterpret_cast<HKEY>(static_cast<ULONG_PTR>(key));
}

RegKey fromHkey(HKEY key) {
  const auto value = reinterpret_cast<ULONG_PTR>(key);
  const auto low = static_cast<std::uint32_t>(value);
  if (static_cast<LONG_PTR>(value) < 0 && isPredefined(low))
    return low;
  return value;
}

}  // namespace

std::uint32_t Win32Registry::connect(std::string_view machine, RegKey root, RegKey& result) {
  const std::wstring name = toWide(machine);
  HKEY key = nullptr;
  const LONG status =
      RegConnectRegistryW(machine.empty() ? nullptr : name.c_str(), toHkey(root), &key);
  if (status == ERROR_SUCCESS)
    result = fromHkey(key);
  return static_cast<std::uint32_t>(status);
}

std::uint32_t Win32Registry::openKey(RegKey parent, std::string_view subKey, std::uint32_t access,
                                     RegKey& result) {
  const std::wstring name = toWide(subKey);
  HKEY key = nullptr;
  const LONG status = RegOpenKeyExW(toHkey(parent), name.c_str(), 0, access, &key);
  if (status == ERROR_SUCCESS)
    result = fromHkey(key);
  return static_cast<std::uint32_t>(status);
}

std::uint32_t Win32Registry::enumKey(RegKey key, std::uint32_t index, std::uint32_t bufferChars,
                                     std::string& name) {
  std::vector<wchar_t> buffer(bufferChars > 0 ? bufferChars : 1);
  DWORD chars = bufferChars;
  const LONG status =
      RegEnumKeyExW(toHkey(key), index, buffer.data(), &chars, nullptr, nullptr, nullptr, nullptr);
  if (status == ERROR_SUCCESS)
    name = fromWide(std::wstring_view(buffer.data(), chars));
  return static_cast<std::uint32_t>(status);
}

std::uint32_t Win32Registry::queryValue(RegKey key, std::string_view valueName, std::uint32_t& type,
                                        std::span<std::byte> buffer, std::uint32_t& size) {
  const std::wstring name = toWide(valueName);
  DWORD valueType = REG_NONE;
  DWORD bytes = static_cast<DWORD>(buffer.size());
  auto* data = buffer.empty() ? nullptr : reinterpret_cast<BYTE*>(buffer.data());
  const LONG status =
      RegQueryValueExW(toHkey(key), name.c_str(), nullptr, &valueType, data, &bytes);
  if (status == ERROR_SUCCESS || status == ERROR_MORE_DATA) {
    type = valueType;
    size = bytes;
  }
  return static_cast<std::uint32_t>(status);
}

std::uint32_t Win32Registry::closeKey(RegKey key) {
  return static_cast<std::uint32_t>(RegCloseKey(toHkey(key)));
}

}  // namespace tallyvane::platform
