// Accounts through LookupAccountSidW, LookupAccountNameW and
// ConvertSidToStringSidW. Each lookup asks for the lengths first.
#include <windows.h>
// sddl.h needs the types of windows.h.
#include <sddl.h>

#include <vector>

#include "platform/win32/Win32Services.h"

namespace tallyvane::platform {

bool Win32Accounts::lookupAccountSid(std::string_view system, std::span<const std::byte> sid,
                                     std::string& name, std::string& domain, SidNameUse& use) {
  if (!isValidSid(sid))
    return false;
  // The call takes a non-const SID; it does not write to it.
  std::vector<std::byte> copy(sid.begin(),
                              sid.begin() + static_cast<std::ptrdiff_t>(sidLength(sid)));
  const std::wstring wideSystem = toWide(system);
  const wchar_t* systemName = system.empty() ? nullptr : wideSystem.c_str();
  DWORD nameChars = 0;
  DWORD domainChars = 0;
  SID_NAME_USE kind = SidTypeUnknown;
  LookupAccountSidW(systemName, copy.data(), nullptr, &nameChars, nullptr, &domainChars, &kind);
  if (GetLastError() != ERROR_INSUFFICIENT_BUFFER)
    return false;
  std::vector<wchar_t> nameBuffer(nameChars + 1);
  std::vector<wchar_t> domainBuffer(domainChars + 1);
  nameChars = static_cast<DWORD>(nameBuffer.size());
  domainChars = static_cast<DWORD>(domainBuffer.size());
  if (!LookupAccountSidW(systemName, copy.data(), nameBuffer.data(), &nameChars,
                         domainBuffer.data(), &domainChars, &kind)) {
    return false;
  }
  name = fromWide(nameBuffer.data());
  domain = fromWide(domainBuffer.data());
  use = static_cast<SidNameUse>(kind);
  return true;
}

bool Win32Accounts::lookupAccountName(std::string_view system, std::string_view account,
                                      std::vector<std::byte>& sid, std::string& domain,
                                      SidNameUse& use) {
  const std::wstring wideSystem = toWide(system);
  const std::wstring wideAccount = toWide(account);
  const wchar_t* systemName = system.empty() ? nullptr : wideSystem.c_str();
  DWORD sidBytes = 0;
  DWORD domainChars = 0;
  SID_NAME_USE kind = SidTypeUnknown;
  LookupAccountNameW(systemName, wideAccount.c_str(), nullptr, &sidBytes, nullptr, &domainChars,
                     &kind);
  if (GetLastError() != ERROR_INSUFFICIENT_BUFFER || sidBytes == 0)
    return false;
  std::vector<std::byte> sidBuffer(sidBytes);
  std::vector<wchar_t> domainBuffer(domainChars + 1);
  domainChars = static_cast<DWORD>(domainBuffer.size());
  if (!LookupAccountNameW(systemName, wideAccount.c_str(), sidBuffer.data(), &sidBytes,
                          domainBuffer.data(), &domainChars, &kind)) {
    return false;
  }
  sidBuffer.resize(sidLength(sidBuffer));
  sid = std::move(sidBuffer);
  domain = fromWide(domainBuffer.data());
  use = static_cast<SidNameUse>(kind);
  return true;
}

std::string win32SidToString(std::span<const std::byte> sid) {
  if (!isValidSid(sid))
    return "";
  std::vector<std::byte> copy(sid.begin(),
                              sid.begin() + static_cast<std::ptrdiff_t>(sidLength(sid)));
  wchar_t* text = nullptr;
  if (!ConvertSidToStringSidW(copy.data(), &text))
    return "";
  std::string result = fromWide(text);
  LocalFree(text);
  return result;
}

}  // namespace tallyvane::platform
