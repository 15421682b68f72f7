#pragma once
// The system snapshot (the operating system, the machine, the user and the
// running program, gathered once at start-up), the naming of the Windows
// release, and the version information of program files.
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/Services.h"
#include "present/Orvex_Datetime.h"

namespace tallyvane {

// ---- Version information of a program file ----

struct TVersionInfo {
  std::string FileName;
  std::string FileVersion;
  std::string Version;
  std::string ProductName;
  std::string CompanyName;
  std::string Description;
  std::string Comments;
  std::string Copyright;
  std::string Trademarks;
  std::string InternalName;
  std::string OriginalFilename;
  std::string ProductVersion;
  std::uint32_t Major = 0;
  std::uint32_t Minor = 0;
  std::uint32_t Release = 0;
  std::uint32_t Build = 0;
  std::uint32_t ProductMajor = 0;
  std::uint32_t ProductMinor = 0;
  std::uint32_t ProductRelease = 0;
  std::uint32_t ProductBuild = 0;
  std::string SpecialBuild;
  bool PreRelease = false;
};

// Fills `Info` from the version resource of `FileName`. True when the file has
// version data whose fixed part could be read; otherwise false with `Info`
// cleared but for `FileName`.
bool ReadVersionInfo(platform::VersionResources& resources, const std::string& FileName,
                     TVersionInfo& Info);
// The same through this machine's version resources.
bool ReadVersionInfo(const std::string& FileName, TVersionInfo& Info);

// ---- Registry accessor ----

// Read-only access to one key at a time below a root key, in the manner of a
// registry object: open a key, test and read its values, list its subkeys.
class TRegistryReader {
 public:
  TRegistryReader(platform::Registry& registry, std::uint32_t access);
  ~TRegistryReader();
  TRegistryReader(const TRegistryReader&) = delete;
  TRegistryReader& operator=(const TRegistryReader&) = delete;

  std::uint32_t Access() const { return FAccess; }
  platform::RegKey RootKey() const { return FRootKey; }
  // Switches the root (closing the open key).
  void SetRootKey(platform::RegKey root);

  // Opens `path` below the root without creating it; a leading backslash makes
  // no difference. The key open before is closed first.
  bool OpenKeyReadOnly(std::string_view path);
  // Whether `path` below the root can be opened (the open key stays as it is).
  bool KeyExists(std::string_view path);
  void CloseKey();

  bool ValueExists(std::string_view name);
  // The registry type of a value, nothing when it does not exist.
  std::optional<std::uint32_t> ValueType(std::string_view name);
  // A REG_SZ or REG_EXPAND_SZ value; "" when it is missing or of another type.
  std::string ReadString(std::string_view name);
  // A REG_DWORD value.
  std::optional<std::uint32_t> ReadInteger(std::string_view name);
  // The names of the open key's subkeys, in the registry's order.
  std::vector<std::string> GetKeyNames();
  bool HasSubKeys();

 private:
  platform::Registry& FRegistry;
  std::uint32_t FAccess;
  platform::RegKey FRootKey = platform::kHKeyLocalMachine;
  platform::RegKey FCurrentKey = platform::kNoKey;
};

// A key opened with OpenKeyReadOnly for the length of a scope: closed when the
// object goes away, on every path out of the scope.
class TOpenRegistryKey {
 public:
  TOpenRegistryKey(TRegistryReader& registry, std::string_view path)
      : FRegistry(registry), FOpen(registry.OpenKeyReadOnly(path)) {}
  ~TOpenRegistryKey() {
    if (FOpen)
      FRegistry.CloseKey();
  }
  TOpenRegistryKey(const TOpenRegistryKey&) = delete;
  TOpenRegistryKey& operator=(const TOpenRegistryKey&) = delete;
  explicit operator bool() const { return FOpen; }

 private:
  TRegistryReader& FRegistry;
  bool FOpen;
};

// A registry accessor with root HKEY_LOCAL_MACHINE and access KEY_READ, or
// KEY_READ | KEY_WOW64_64KEY when a 32-bit program runs on 64-bit Windows.
std::unique_ptr<TRegistryReader> CreateRegistryReader(platform::Registry& registry, bool IsWow64);

// ---- OS naming ----

using TOSVersionInfoEx = platform::OsVersionRecord;

struct TSystemInfo {
  std::uint16_t wProcessorArchitecture = 0;
};

// The recognised Windows releases (`OSKind`).
enum TOSKind : std::uint8_t {
  okUnknown = 0,
  okWin95 = 1,
  okWin98 = 2,
  okWinME = 3,
  okWinNT4 = 4,
  okWin2000 = 5,
  okWinXP = 6,
  okWin2003 = 7,
  okWinVista = 8,
  okWin2008 = 9,
  okWin7 = 10,
  okWin2008R2 = 11,
  okWin8 = 12,
  okWin2012 = 13,
  okWin81 = 14,
};

struct TOSNaming {
  std::string OSName;
  std::string OSEdition;
  std::uint8_t OSKind = okUnknown;
  bool IsNT = false;
};

// GetSystemMetrics values the naming reads.
struct TNamingMetrics {
  int TabletPC = 0;     // SM_TABLETPC
  int MediaCenter = 0;  // SM_MEDIACENTER
  int Starter = 0;      // SM_STARTER
  int ServerR2 = 0;     // SM_SERVERR2
};

// Names the Windows release from the version record GetVersionExW gave, the
// processor architecture, the product type GetProductInfo gave (nothing when
// the entry point is missing or the call failed; asked for 6.x only) and the
// system metrics. On Windows NT 4 it reads the product options and the
// Q246009 hotfix through `registry` and may rewrite `version.csdVersion`.
TOSNaming NameWindowsRelease(TOSVersionInfoEx& version, std::uint16_t architecture,
                             std::optional<std::uint32_t> productType,
                             const TNamingMetrics& metrics, TRegistryReader& registry);

// The edition text of a GetProductInfo product type ("" for types without one).
std::string ProductTypeEdition(std::uint32_t productType);

// Names a system that is not Windows: the name from its os-release text
// (PRETTY_NAME, else NAME and VERSION), the edition from the machine
// architecture ("x64" for x86-64).
TOSNaming NameHostSystem(const platform::HostSystemDescription& host);

// The compact form of an OS name ("Microsoft Windows XP Professional Service
// Pack 3" gives "Windows XP Pro SP3").
std::string CleanOSName(std::string_view text);

// The installation date stored as seconds since 1970-01-01 UTC, as a date-time.
TDateTime InstallDateFromSeconds(std::uint32_t seconds);

// ---- The snapshot ----

struct TSystemSnapshot {
  platform::Services Services;  // where the facts came from; later reads use the same
  std::string OSName;
  std::string OSEdition;
  std::string ShortOSName;
  std::string UserName;
  std::string MachineName;
  TDateTime InstallDate = 0;
  TVersionInfo ExeVersionInfo;
  std::string ExeFileName;
  TOSVersionInfoEx OSVersionInfo;
  std::string ServicePackText;
  TSystemInfo SystemInfo;
  bool IsWow64 = false;
  bool IsNT = false;
  std::uint8_t OSKind = okUnknown;
  bool WtsAvailable = false;

  std::unique_ptr<TRegistryReader> CreateRegistryReader() const;
};

// Gathers every snapshot value from `services`, in the start-up order.
TSystemSnapshot TakeSystemSnapshot(const platform::Services& services);

// The process's snapshot, taken from this machine's services at its first use
// (the program asks for it first thing at start-up) and constant afterwards.
const TSystemSnapshot& SystemSnapshot();

inline const std::string& OSName() {
  return SystemSnapshot().OSName;
}
inline const std::string& OSEdition() {
  return SystemSnapshot().OSEdition;
}
inline const std::string& ShortOSName() {
  return SystemSnapshot().ShortOSName;
}
inline const std::string& UserName() {
  return SystemSnapshot().UserName;
}
inline const std::string& MachineName() {
  return SystemSnapshot().MachineName;
}
inline TDateTime InstallDate() {
  return SystemSnapshot().InstallDate;
}
inline const TVersionInfo& ExeVersionInfo() {
  return SystemSnapshot().ExeVersionInfo;
}
inline const std::string& ExeFileName() {
  return SystemSnapshot().ExeFileName;
}
inline const TOSVersionInfoEx& OSVersionInfo() {
  return SystemSnapshot().OSVersionInfo;
}
inline const std::string& ServicePackText() {
  return SystemSnapshot().ServicePackText;
}
inline bool IsWow64() {
  return SystemSnapshot().IsWow64;
}
inline bool IsNT() {
  return SystemSnapshot().IsNT;
}
inline std::uint8_t OSKind() {
  return SystemSnapshot().OSKind;
}
inline bool WtsAvailable() {
  return SystemSnapshot().WtsAvailable;
}

// A registry accessor over this machine's registry with the snapshot's view.
std::unique_ptr<TRegistryReader> CreateRegistryReader();

}  // namespace tallyvane
