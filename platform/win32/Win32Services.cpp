#include "platform/win32/Win32Services.h"

#include "platform/Unicode.h"
#include "platform/win32/Win32MessageFiles.h"

namespace tallyvane::platform {

// wchar_t is UTF-16 on Windows, so the wide API's strings are char16_t strings.
static_assert(sizeof(wchar_t) == sizeof(char16_t));

std::wstring toWide(std::string_view text) {
  const std::u16string wide = utf8ToUtf16(text);
  return std::wstring(wide.begin(), wide.end());
}

std::string fromWide(std::wstring_view text) {
  return utf16ToUtf8(std::u16string(text.begin(), text.end()));
}

const Services& systemServices() {
  static Win32EventLogService eventLog;
  static Win32Registry registry;
  static Win32Accounts accounts;
  static Win32TimeZone timeZone;
  static Win32Clock clock;
  static Win32SystemFacts systemFacts;
  static Win32TerminalServices terminalServices;
  static Win32ProcessList processes;
  static Win32ProcessTokens tokens;
  static Win32NetworkInfo network;
  static Win32VersionResources versionResources;
  static Win32MessageFiles messageFiles;
  static const Services services{&eventLog, &registry,    &accounts,         &timeZone,
                                 &clock,    &systemFacts, &terminalServices, &processes,
                                 &tokens,   &network,     &versionResources, &messageFiles};
  return services;
}

}  // namespace tallyvane::platform
