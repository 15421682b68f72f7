#pragma once
// This machine's services on Windows: every platform interface answered by the
// Win32 call it is shaped after. Texts cross the API as UTF-16 and are UTF-8
// on this side.
#include <string>
#include <string_view>

#include "platform/Services.h"

namespace tallyvane::platform {

// UTF-8 to the UTF-16 of the wide API, and back.
std::wstring toWide(std::string_view text);
std::string fromWide(std::wstring_view text);

// OpenEventLogW and friends on the local or a remote machine.
class Win32EventLogService : public EventLogService {
 public:
  std::unique_ptr<EventLog> open(std::string_view server, std::string_view logName,
                                 std::uint32_t* error) override;
};

// The registry itself. Keys are the HKEY values; the predefined roots keep
// their 32-bit numbers on this side.
class Win32Registry : public Registry {
 public:
  std::uint32_t connect(std::string_view machine, RegKey root, RegKey& result) override;
  std::uint32_t openKey(RegKey parent, std::string_view subKey, std::uint32_t access,
                        RegKey& result) override;
  std::uint32_t enumKey(RegKey key, std::uint32_t index, std::uint32_t bufferChars,
                        std::string& name) override;
  std::uint32_t queryValue(RegKey key, std::string_view valueName, std::uint32_t& type,
                           std::span<std::byte> buffer, std::uint32_t& size) override;
  std::uint32_t closeKey(RegKey key) override;
};

// LookupAccountSidW and LookupAccountNameW.
class Win32Accounts : public Accounts {
 public:
  bool lookupAccountSid(std::string_view system, std::span<const std::byte> sid, std::string& name,
                        std::string& domain, SidNameUse& use) override;
  bool lookupAccountName(std::string_view system, std::string_view account,
                         std::vector<std::byte>& sid, std::string& domain,
                         SidNameUse& use) override;
};

// ConvertSidToStringSidW of a binary SID ("S-1-5-18"); empty when it is not valid.
std::string win32SidToString(std::span<const std::byte> sid);

class Win32TimeZone : public TimeZone {
 public:
  bool available() override;
  bool utcToLocal(const SystemTime& utc, SystemTime& local) override;
};

class Win32Clock : public SystemClock {
 public:
  std::uint64_t tickCount64() override;
  SystemTime localNow() override;
};

// The version numbers come from RtlGetVersion: GetVersionExW reports the
// version the program's manifest declares support for, not the running one.
class Win32SystemFacts : public SystemFacts {
 public:
  bool getVersionEx(OsVersionRecord& record) override;
  bool hasProductInfo() override;
  bool getProductInfo(std::uint32_t major, std::uint32_t minor, std::uint32_t spMajor,
                      std::uint32_t spMinor, std::uint32_t& productType) override;
  bool isWow64Process(bool& wow64) override;
  std::uint16_t processorArchitecture(bool native) override;
  int getSystemMetrics(int index) override;
  bool getUserName(std::uint32_t bufferChars, std::string& name) override;
  bool getComputerName(std::uint32_t bufferChars, std::string& name) override;
  std::string moduleFileName(std::uint32_t bufferChars) override;
  bool hostSystem(HostSystemDescription&) override { return false; }
};

class Win32TerminalServices : public TerminalServices {
 public:
  bool available() override;
  bool querySessionText(std::uint32_t sessionId, WtsInfoClass infoClass,
                        std::string& text) override;
  bool querySessionNumber(std::uint32_t sessionId, WtsInfoClass infoClass,
                          std::uint32_t& value) override;
  bool activeConsoleSessionId(std::uint32_t& sessionId) override;
  bool hasProcessIdToSessionId() override;
  bool processIdToSessionId(std::uint32_t processId, std::uint32_t& sessionId) override;
};

class Win32ProcessList : public ProcessList {
 public:
  std::uint32_t currentProcessId() override;
  bool snapshot(std::vector<ProcessEntry>& entries) override;
  bool nativeProcesses(std::vector<NativeProcessRecord>& records) override;
  bool moduleBaseName(std::uint32_t processId, std::string& name) override;
};

class Win32ProcessTokens : public ProcessTokens {
 public:
  bool canOpenProcess(std::uint32_t processId) override;
  bool processUser(std::uint32_t processId, Sid& user) override;
  bool currentGroups(std::vector<Sid>& groups) override;
};

// NetWkstaGetInfo, and the sockets layer for the host name and its addresses;
// when the host name does not resolve, the machine's own name falls back to
// the IPv4 addresses of its adapters (GetAdaptersAddresses).
class Win32NetworkInfo : public NetworkInfo {
 public:
  bool workstationAvailable() override;
  bool workstationLanGroup(std::string_view server, std::string& lanGroup) override;
  bool hostName(std::string& name) override;
  bool resolveIpv4(std::string_view host, std::vector<std::uint32_t>& addresses) override;
};

// GetFileVersionInfoSizeW/GetFileVersionInfoW and VerQueryValueW.
class Win32VersionResources : public VersionResources {
 public:
  bool getFileVersionInfo(std::string_view fileName, std::vector<std::byte>& data) override;
  bool queryValue(std::span<const std::byte> data, std::string_view subBlock,
                  std::span<const std::byte>& value) override;
};

}  // namespace tallyvane::platform
