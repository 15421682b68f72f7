#include "sysinfo/Orvex_Routines.h"

#include <cstdio>

#include "platform/ByteReader.h"
#include "platform/MemoryRegistry.h"
#include "platform/Unicode.h"
#include "sysinfo/Orvex_WtsApi32.h"

namespace tallyvane {

namespace {

constexpr std::uint16_t kVerSuiteEnterprise = 0x0002;
constexpr std::uint16_t kVerSuiteDatacenter = 0x0080;
constexpr std::uint16_t kVerSuitePersonal = 0x0200;
constexpr std::uint16_t kVerSuiteBlade = 0x0400;
constexpr std::uint16_t kVerSuiteStorageServer = 0x2000;
constexpr std::uint16_t kVerSuiteComputeServer = 0x4000;
constexpr std::uint16_t kVerSuiteWhServer = 0x8000;
constexpr std::uint8_t kVerNtWorkstation = 1;
constexpr std::uint32_t kMaxProductType = 71;

constexpr char kCurrentVersionKey[] = "SOFTWARE\\Microsoft\\Windows NT\\CurrentVersion";
constexpr char kComputerNameKey[] =
    "\\SYSTEM\\CurrentControlSet\\Control\\ComputerName\\ComputerName";

std::string hex4(std::uint16_t v) {
  char text[8];
  std::snprintf(text, sizeof text, "%04X", v);
  return text;
}

bool isTrimmed(char c) {
  return static_cast<unsigned char>(c) <= 0x20;
}

// Removes leading and trailing spaces and control characters.
std::string trim(std::string_view text) {
  std::size_t first = 0;
  std::size_t last = text.size();
  while (first < last && isTrimmed(text[first]))
    ++first;
  while (last > first && isTrimmed(text[last - 1]))
    --last;
  return std::string(text.substr(first, last - first));
}

// Replaces every occurrence of `from` (ASCII letters compared without regard
// to case) by `to`.
std::string replaceAllIgnoreCase(std::string_view text, std::string_view from,
                                 std::string_view to) {
  std::string out;
  std::size_t i = 0;
  while (i < text.size()) {
    if (i + from.size() <= text.size() &&
        equalsIgnoreAsciiCase(text.substr(i, from.size()), from)) {
      out += to;
      i += from.size();
    } else {
      out += text[i++];
    }
  }
  return out;
}

std::string valueText(std::span<const std::byte> value) {
  return utf16ToUtf8(readUtf16z(value));
}

}  // namespace

// ---- Version information ----

bool ReadVersionInfo(platform::VersionResources& resources, const std::string& FileName,
                     TVersionInfo& Info) {
  Info = TVersionInfo{};
  Info.FileName = FileName;
  std::vector<std::byte> data;
  if (!resources.getFileVersionInfo(FileName, data) || data.empty())
    return false;

  std::span<const std::byte> fixed;
  if (!resources.queryValue(data, "\\", fixed) || fixed.size() < platform::VsFixedFileInfo::kSize) {
    return false;
  }
  const ByteReader reader(fixed);
  const std::uint32_t fileMS = reader.u32(8).value_or(0);
  const std::uint32_t fileLS = reader.u32(12).value_or(0);
  const std::uint32_t productMS = reader.u32(16).value_or(0);
  const std::uint32_t productLS = reader.u32(20).value_or(0);
  const std::uint32_t fileFlags = reader.u32(28).value_or(0);
  Info.Major = fileMS >> 16;
  Info.Minor = fileMS & 0xFFFF;
  Info.Release = fileLS >> 16;
  Info.Build = fileLS & 0xFFFF;
  Info.ProductMajor = productMS >> 16;
  Info.ProductMinor = productMS & 0xFFFF;
  Info.ProductRelease = productLS >> 16;
  Info.ProductBuild = productLS & 0xFFFF;
  // The flags are taken as they are, not masked with dwFileFlagsMask.
  Info.PreRelease = (fileFlags & platform::kVsFfPrerelease) != 0;

  std::string key = "040904E4";
  std::span<const std::byte> translation;
  if (resources.queryValue(data, "\\VarFileInfo\\Translation", translation) &&
      translation.size() >= 4) {
    const ByteReader entry(translation);
    key = hex4(entry.u16(0).value_or(0)) + hex4(entry.u16(2).value_or(0));
  }

  // Names are looked up as the version API does: without regard to ASCII
  // case, so "OriginalFileName" finds the usual spelling "OriginalFilename".
  const std::pair<const char*, std::string TVersionInfo::*> names[] = {
      {"ProductVersion", &TVersionInfo::ProductVersion},
      {"FileVersion", &TVersionInfo::FileVersion},
      {"FileDescription", &TVersionInfo::Description},
      {"LegalCopyright", &TVersionInfo::Copyright},
      {"LegalTrademarks", &TVersionInfo::Trademarks},
      {"Comments", &TVersionInfo::Comments},
      {"SpecialBuild", &TVersionInfo::SpecialBuild},
      {"ProductName", &TVersionInfo::ProductName},
      {"CompanyName", &TVersionInfo::CompanyName},
      {"InternalName", &TVersionInfo::InternalName},
      {"OriginalFileName", &TVersionInfo::OriginalFilename},
  };
  for (const auto& [name, field] : names) {
    std::span<const std::byte> value;
    if (resources.queryValue(data, "\\StringFileInfo\\" + key + "\\" + name, value)) {
      Info.*field = valueText(value);
    }
  }

  char version[64];
  std::snprintf(version, sizeof version, "%u.%u.%u.%u", Info.Major, Info.Minor, Info.Release,
                Info.Build);
  Info.Version = version;
  if (Info.PreRelease) {
    if (Info.Build > 0) {
      Info.Version += " BETA " + std::to_string(Info.Build);
    } else {
      Info.Version += " BETA";
    }
  }
  return true;
}

bool ReadVersionInfo(const std::string& FileName, TVersionInfo& Info) {
  auto* resources = platform::systemServices().versionResources;
  if (resources == nullptr) {
    Info = TVersionInfo{};
    Info.FileName = FileName;
    return false;
  }
  return ReadVersionInfo(*resources, FileName, Info);
}

// ---- Registry accessor ----

TRegistryReader::TRegistryReader(platform::Registry& registry, std::uint32_t access)
    : FRegistry(registry), FAccess(access) {}

TRegistryReader::~TRegistryReader() {
  CloseKey();
}

void TRegistryReader::SetRootKey(platform::RegKey root) {
  CloseKey();
  FRootKey = root;
}

namespace {
std::string_view relativePath(std::string_view path) {
  while (!path.empty() && path.front() == '\\')
    path.remove_prefix(1);
  return path;
}
}  // namespace

bool TRegistryReader::OpenKeyReadOnly(std::string_view path) {
  CloseKey();
  platform::RegKey key = platform::kNoKey;
  if (FRegistry.openKey(FRootKey, relativePath(path), FAccess, key) != platform::kErrorSuccess) {
    return false;
  }
  FCurrentKey = key;
  return true;
}

bool TRegistryReader::KeyExists(std::string_view path) {
  platform::RegKey key = platform::kNoKey;
  if (FRegistry.openKey(FRootKey, relativePath(path), FAccess, key) != platform::kErrorSuccess) {
    return false;
  }
  FRegistry.closeKey(key);
  return true;
}

void TRegistryReader::CloseKey() {
  if (FCurrentKey != platform::kNoKey) {
    FRegistry.closeKey(FCurrentKey);
    FCurrentKey = platform::kNoKey;
  }
}

std::optional<std::uint32_t> TRegistryReader::ValueType(std::string_view name) {
  if (FCurrentKey == platform::kNoKey)
    return std::nullopt;
  std::uint32_t type = 0;
  std::uint32_t size = 0;
  if (FRegistry.queryValue(FCurrentKey, name, type, {}, size) != platform::kErrorSuccess) {
    return std::nullopt;
  }
  return type;
}

bool TRegistryReader::ValueExists(std::string_view name) {
  return ValueType(name).has_value();
}

std::string TRegistryReader::ReadString(std::string_view name) {
  if (FCurrentKey == platform::kNoKey)
    return "";
  return platform::readStringValue(FRegistry, FCurrentKey, name).value_or("");
}

std::optional<std::uint32_t> TRegistryReader::ReadInteger(std::string_view name) {
  if (FCurrentKey == platform::kNoKey || ValueType(name) != platform::kRegDword) {
    return std::nullopt;
  }
  return platform::readDwordValue(FRegistry, FCurrentKey, name);
}

std::vector<std::string> TRegistryReader::GetKeyNames() {
  std::vector<std::string> names;
  if (FCurrentKey == platform::kNoKey)
    return names;
  for (std::uint32_t index = 0;; ++index) {
    std::string name;
    std::uint32_t status = FRegistry.enumKey(FCurrentKey, index, 256, name);
    // Key names are at most 255 characters; ask again with room for any.
    if (status == platform::kErrorMoreData)
      status = FRegistry.enumKey(FCurrentKey, index, 32768, name);
    if (status != platform::kErrorSuccess)
      break;
    names.push_back(name);
  }
  return names;
}

bool TRegistryReader::HasSubKeys() {
  if (FCurrentKey == platform::kNoKey)
    return false;
  std::string name;
  const std::uint32_t status = FRegistry.enumKey(FCurrentKey, 0, 32768, name);
  return status == platform::kErrorSuccess || status == platform::kErrorMoreData;
}

std::unique_ptr<TRegistryReader> CreateRegistryReader(platform::Registry& registry, bool IsWow64) {
  const std::uint32_t access =
      platform::kKeyRead | (IsWow64 ? platform::kKeyWow64_64Key : std::uint32_t{0});
  return std::make_unique<TRegistryReader>(registry, access);
}

// ---- OS naming ----

std::string ProductTypeEdition(std::uint32_t productType) {
  switch (productType) {
    case 0:
      return "An unknown product";
    case 1:
      return "Ultimate";
    case 2:
      return "Home Basic";
    case 3:
      return "Home Premium";
    case 4:
      return "Enterprise";
    case 5:
      return "Home Basic N";
    case 6:
      return "Business";
    case 7:
      return "Standard Full";
    case 8:
      return "Datacenter Full";
    case 9:
      return "Windows Small Business Server";
    case 10:
      return "Enterprise Full";
    case 11:
      return "Starter";
    case 12:
      return "Datacenter Core";
    case 13:
      return "Standard Core";
    case 14:
      return "Enterprise Core";
    case 15:
      return "Enterprise for Itanium-based Systems";
    case 16:
      return "Business N";
    case 17:
      return "Web Server Full";
    case 18:
      return "HPC Edition";
    case 20:
      return "Storage Server Express";
    case 21:
      return "Storage Server Standard";
    case 22:
      return "Storage Server Workgroup";
    case 23:
      return "Storage Server Enterprise";
    case 24:
      return "Windows Essential Server Solutions";
    case 26:
      return "Home Premium N";
    case 27:
      return "Enterprise N";
    case 28:
      return "Ultimate N";
    case 29:
      return "Web Server Core";
    case 30:
      return "Windows Essential Business Server Management Server";
    case 31:
      return "Windows Essential Business Server Security Server";
    case 32:
      return "Windows Essential Business Server Messaging Server";
    case 33:
      return "Server Foundation";
    case 35:
      return "without Hyper-V for Windows Essential Server Solutions";
    case 36:
      return "Standard without Hyper-V Full";
    case 37:
      return "Datacenter without Hyper-V Full";
    case 38:
      return "Enterprise without Hyper-V Full";
    case 39:
      return "Datacenter without Hyper-V Core";
    case 40:
      return "Standard without Hyper-V Core";
    case 41:
      return "Enterprise without Hyper-V Core";
    case 42:
      return "Microsoft Hyper-V Server";
    case 47:
      return "Starter N";
    case 48:
      return "Professional";
    case 49:
      return "Professional N";
    case 66:
      return "Starter E";
    case 67:
      return "Home Basic E";
    case 68:
      return "Home Premium E";
    case 69:
      return "Professional E";
    case 70:
      return "Enterprise E";
    case 71:
      return "Ultimate E";
    default:
      return "";
  }
}

namespace {

// The number of the hotfix value "Installed": a REG_SZ converted to an
// integer (0 when it is not one), a REG_DWORD as it is, anything else 0.
std::uint32_t hotfixInstalled(TRegistryReader& registry) {
  const auto type = registry.ValueType("Installed");
  if (type == platform::kRegDword)
    return registry.ReadInteger("Installed").value_or(0);
  if (type != platform::kRegSz)
    return 0;
  const std::string text = trim(registry.ReadString("Installed"));
  if (text.empty())
    return 0;
  std::size_t i = 0;
  bool negative = false;
  if (text[0] == '-' || text[0] == '+') {
    negative = text[0] == '-';
    i = 1;
  }
  if (i == text.size())
    return 0;
  std::int64_t number = 0;
  for (; i < text.size(); ++i) {
    if (text[i] < '0' || text[i] > '9')
      return 0;
    number = number * 10 + (text[i] - '0');
    if (number > 0xFFFFFFFFLL)
      return 0;
  }
  return static_cast<std::uint32_t>(negative ? -number : number);
}

std::string ntFourEdition(TOSVersionInfoEx& version, TRegistryReader& registry) {
  std::string edition;
  if (version.productType == kVerNtWorkstation) {
    edition = "Workstation";
  } else if ((version.suiteMask & kVerSuiteEnterprise) != 0) {
    edition = "Server 4.0, Enterprise";
  } else {
    edition = "Server 4.0";
  }
  if (const TOpenRegistryKey key(registry, "SYSTEM\\CurrentControlSet\\Control\\ProductOptions");
      key) {
    std::string productType;
    if (registry.ValueExists("ProductType"))
      productType = registry.ReadString("ProductType");
    if (equalsIgnoreAsciiCase(productType, "WINNT")) {
      edition = "Workstation";
    } else if (equalsIgnoreAsciiCase(productType, "LANMANNT")) {
      edition = "Server";
    } else if (equalsIgnoreAsciiCase(productType, "SERVERNT")) {
      edition = "Advanced Server";
    }
  }
  if (const TOpenRegistryKey key(
          registry, "SOFTWARE\\Microsoft\\Windows NT\\CurrentVersion\\Hotfix\\Q246009");
      key) {
    if (registry.ValueExists("Installed") && hotfixInstalled(registry) == 1 &&
        equalsIgnoreAsciiCase(version.csdVersion, "Service Pack 6")) {
      version.csdVersion = "Service Pack 6a";
    }
  }
  return edition;
}

char csdLetter(const TOSVersionInfoEx& version) {
  return version.csdVersion.size() >= 2 ? version.csdVersion[1] : '\0';
}

}  // namespace

TOSNaming NameWindowsRelease(TOSVersionInfoEx& version, std::uint16_t architecture,
                             std::optional<std::uint32_t> productType,
                             const TNamingMetrics& metrics, TRegistryReader& registry) {
  TOSNaming result;
  const std::uint32_t platformId = version.platformId;
  const std::uint32_t major = version.majorVersion;
  const std::uint32_t minor = version.minorVersion;
  const bool nt = platformId == platform::kVerPlatformWin32Nt;
  const bool workstation = version.productType == kVerNtWorkstation;
  const std::uint16_t suite = version.suiteMask;
  const bool amd64 = architecture == platform::kProcessorArchitectureAmd64;

  // Name and kind.
  if (nt) {
    if (major == 6 && minor == 0) {
      result.OSName = workstation ? "Windows Vista" : "Windows Server 2008";
      result.OSKind = workstation ? okWinVista : okWin2008;
    } else if (major == 6 && minor == 1) {
      result.OSName = workstation ? "Windows 7" : "Windows Server 2008 R2";
      result.OSKind = workstation ? okWin7 : okWin2008R2;
    } else if (major == 6 && minor == 2) {
      result.OSName = workstation ? "Windows 8" : "Windows Server 2012";
      result.OSKind = workstation ? okWin8 : okWin2012;
    } else if (major == 6 && minor == 3 && workstation) {
      result.OSName = "Windows 8.1";
      result.OSKind = okWin81;
    } else if (major == 5 && minor == 2) {
      result.OSKind = okWin2003;
      if (workstation && amd64) {
        result.OSName = "Windows XP";
        result.OSKind = okWinXP;
      } else if (metrics.ServerR2 > 0) {
        result.OSName = "Windows Server 2003 R2";
      } else if ((suite & kVerSuiteStorageServer) != 0) {
        result.OSName = "Windows Storage Server 2003";
      } else if ((suite & kVerSuiteWhServer) != 0) {
        result.OSName = "Windows Home Server";
      } else {
        result.OSName = "Windows Server 2003";
      }
    } else if (major == 5 && minor == 1) {
      result.OSName = "Windows XP";
      result.OSKind = okWinXP;
    } else if (major == 5 && minor == 0) {
      result.OSName = "Windows 2000";
      result.OSKind = okWin2000;
    } else if (major == 4) {
      result.OSName = "Windows NT 4";
      result.OSKind = okWinNT4;
    }
  } else if (platformId == platform::kVerPlatformWin32Windows && major == 4) {
    if (minor == 0) {
      result.OSName = "Windows 95";
      result.OSKind = okWin95;
    } else if (minor == 10) {
      result.OSName = "Windows 98";
      result.OSKind = okWin98;
    } else if (minor == 90) {
      result.OSName = "Windows Millennium Edition";
      result.OSKind = okWinME;
    }
  }

  // Edition. The NT rules go by version; they are applied to NT platforms
  // only, so that another system's kernel version (Linux 6.1, say) names no
  // Windows edition.
  std::string edition;
  if (nt && major == 6) {
    if (productType && *productType <= kMaxProductType)
      edition = ProductTypeEdition(*productType);
    if (amd64)
      edition += edition.empty() ? "x64" : " x64";
  } else if (nt && major == 5 && minor == 2) {
    if (workstation) {
      if (amd64)
        edition = "Professional x64";
    } else if (architecture == platform::kProcessorArchitectureIa64) {
      if ((suite & kVerSuiteDatacenter) != 0) {
        edition = "Datacenter for Itanium-based Systems";
      } else if ((suite & kVerSuiteEnterprise) != 0) {
        edition = "Enterprise for Itanium-based Systems";
      }
    } else if (amd64) {
      if ((suite & kVerSuiteDatacenter) != 0) {
        edition = "Datacenter x64";
      } else if ((suite & kVerSuiteEnterprise) != 0) {
        edition = "Enterprise x64";
      } else {
        edition = "Standard x64";
      }
    } else if ((suite & kVerSuiteComputeServer) != 0) {
      edition = "Compute Cluster";
    } else if ((suite & kVerSuiteDatacenter) != 0) {
      edition = "Datacenter";
    } else if ((suite & kVerSuiteEnterprise) != 0) {
      edition = "Enterprise";
    } else if ((suite & kVerSuiteBlade) != 0) {
      edition = "Web";
    } else {
      edition = "Standard";
    }
  } else if (nt && major == 5 && minor == 1) {
    edition = (suite & kVerSuitePersonal) != 0 ? "Home" : "Professional";
    if (metrics.Starter > 0) {
      edition += " Starter";
    } else if (metrics.TabletPC > 0) {
      edition += " Tablet PC";
    } else if (metrics.MediaCenter > 0) {
      edition += " Media Center";
    }
  } else if (nt && major == 5 && minor == 0) {
    if (workstation) {
      edition = "Professional";
    } else if ((suite & kVerSuiteDatacenter) != 0) {
      edition = "Datacenter Server";
    } else if ((suite & kVerSuiteEnterprise) != 0) {
      edition = "Advanced Server";
    } else {
      edition = "Server";
    }
  } else if (result.OSKind == okWinNT4) {
    edition = ntFourEdition(version, registry);
  } else if (result.OSKind == okWin95) {
    switch (csdLetter(version)) {
      case 'A':
        edition = "OSR 1";
        break;
      case 'B':
        edition = "OSR 2";
        break;
      case 'C':
        edition = "OSR 2.5";
        break;
      default:
        break;
    }
  } else if (result.OSKind == okWin98) {
    const char letter = csdLetter(version);
    if (letter == 'A' || letter == 'B')
      edition = "SE";
  }
  result.OSEdition = trim(edition);
  result.IsNT = nt;
  return result;
}

TOSNaming NameHostSystem(const platform::HostSystemDescription& host) {
  // os-release: KEY=value lines, values optionally quoted with shell escapes.
  std::string prettyName;
  std::string name;
  std::string versionText;
  std::size_t start = 0;
  const std::string_view text = host.osRelease;
  while (start < text.size()) {
    std::size_t stop = text.find('\n', start);
    if (stop == std::string_view::npos)
      stop = text.size();
    const std::string line = trim(text.substr(start, stop - start));
    start = stop + 1;
    const std::size_t equals = line.find('=');
    if (line.empty() || line[0] == '#' || equals == std::string::npos)
      continue;
    const std::string key = line.substr(0, equals);
    std::string raw = line.substr(equals + 1);
    std::string value;
    char quote = 0;
    if (!raw.empty() && (raw[0] == '"' || raw[0] == '\'')) {
      quote = raw[0];
      raw.erase(0, 1);
    }
    for (std::size_t i = 0; i < raw.size(); ++i) {
      if (quote != 0 && raw[i] == quote)
        break;
      if (raw[i] == '\\' && quote != '\'' && i + 1 < raw.size()) {
        value += raw[++i];
      } else {
        value += raw[i];
      }
    }
    if (key == "PRETTY_NAME")
      prettyName = value;
    if (key == "NAME")
      name = value;
    if (key == "VERSION")
      versionText = value;
  }

  TOSNaming result;
  if (!prettyName.empty()) {
    result.OSName = prettyName;
  } else {
    // A file without NAME names the system "Linux", as os-release itself says.
    result.OSName = name.empty() ? "Linux" : name;
    if (!versionText.empty())
      result.OSName += " " + versionText;
  }
  result.OSName = trim(result.OSName);

  const std::string machine = asciiLower(host.machine);
  if (machine == "x86_64" || machine == "amd64") {
    result.OSEdition = "x64";
  } else if (machine == "i386" || machine == "i486" || machine == "i586" || machine == "i686" ||
             machine == "x86") {
    result.OSEdition = "x86";
  } else if (machine == "aarch64" || machine == "arm64") {
    result.OSEdition = "ARM64";
  } else if (machine.rfind("arm", 0) == 0) {
    result.OSEdition = "ARM";
  } else if (machine == "ia64") {
    result.OSEdition = "Itanium";
  } else {
    result.OSEdition = trim(host.machine);
  }
  return result;
}

std::string CleanOSName(std::string_view text) {
  std::string s(text);
  s = replaceAllIgnoreCase(s, "Service Pack ", "SP");
  s = replaceAllIgnoreCase(s, "Standard", "Std");
  s = replaceAllIgnoreCase(s, "Professional", "Pro");
  s = replaceAllIgnoreCase(s, "Enterprise", "Ent");
  s = replaceAllIgnoreCase(s, "Edition", "");
  s = replaceAllIgnoreCase(s, "(R)", "");
  s = replaceAllIgnoreCase(s, "NULL", "");
  s = replaceAllIgnoreCase(s, "\xC2\xAE", "");  // U+00AE
  s = replaceAllIgnoreCase(s, "(TM)", " ");
  s = replaceAllIgnoreCase(s, "Microsoft", "");
  s = replaceAllIgnoreCase(s, "Seven", "7");
  std::string collapsed;
  for (char c : s) {
    if (c == ' ' && !collapsed.empty() && collapsed.back() == ' ')
      continue;
    collapsed += c;
  }
  return trim(collapsed);
}

TDateTime InstallDateFromSeconds(std::uint32_t seconds) {
  constexpr long double kUnixEpochDays = 25569.0L;
  return static_cast<TDateTime>((kUnixEpochDays * 86400.0L + static_cast<long double>(seconds)) /
                                86400.0L);
}

// ---- The snapshot ----

std::unique_ptr<TRegistryReader> TSystemSnapshot::CreateRegistryReader() const {
  static platform::MemoryRegistry empty;
  platform::Registry& registry = Services.registry != nullptr ? *Services.registry : empty;
  return tallyvane::CreateRegistryReader(registry, IsWow64);
}

TSystemSnapshot TakeSystemSnapshot(const platform::Services& services) {
  TSystemSnapshot s;
  s.Services = services;
  platform::SystemFacts* facts = services.systemFacts;

  // Whether a 32-bit program runs on 64-bit Windows, then the system
  // information for the view of the system it matters for.
  if (facts != nullptr) {
    bool wow64 = false;
    if (facts->isWow64Process(wow64))
      s.IsWow64 = wow64;
    s.SystemInfo.wProcessorArchitecture = facts->processorArchitecture(s.IsWow64);
  }

  // The version record: the basic one first; releases from Windows 2000 on
  // fill the extended one.
  if (facts != nullptr) {
    TOSVersionInfoEx basic;
    basic.osVersionInfoSize = TOSVersionInfoEx::kBasicSize;
    if (!facts->getVersionEx(basic)) {
      basic = TOSVersionInfoEx{};
      basic.osVersionInfoSize = TOSVersionInfoEx::kBasicSize;
    }
    if (basic.majorVersion < 5) {
      s.OSVersionInfo.majorVersion = basic.majorVersion;
      s.OSVersionInfo.minorVersion = basic.minorVersion;
      s.OSVersionInfo.buildNumber = basic.buildNumber;
      s.OSVersionInfo.platformId = basic.platformId;
      s.OSVersionInfo.csdVersion = basic.csdVersion;
    } else {
      TOSVersionInfoEx extended;
      extended.osVersionInfoSize = TOSVersionInfoEx::kExtendedSize;
      if (!facts->getVersionEx(extended)) {
        extended = TOSVersionInfoEx{};
        extended.osVersionInfoSize = TOSVersionInfoEx::kExtendedSize;
      }
      s.OSVersionInfo = extended;
    }
  }

  // The installation date, stored as seconds since 1970 (UTC, unconverted).
  {
    auto registry = s.CreateRegistryReader();
    if (const TOpenRegistryKey key(*registry, kCurrentVersionKey); key) {
      if (registry->ValueExists("InstallDate")) {
        // A value that is not a 32-bit integer leaves the date unknown.
        if (const auto seconds = registry->ReadInteger("InstallDate")) {
          s.InstallDate = InstallDateFromSeconds(*seconds);
        }
      }
    }
  }

  // Naming. Windows names itself by its version numbers; another system by
  // its own description.
  {
    std::optional<std::uint32_t> productType;
    TNamingMetrics metrics;
    if (facts != nullptr) {
      const auto& v = s.OSVersionInfo;
      if (v.platformId == platform::kVerPlatformWin32Nt && v.majorVersion == 6 &&
          facts->hasProductInfo()) {
        std::uint32_t type = 0;
        if (facts->getProductInfo(v.majorVersion, v.minorVersion, v.servicePackMajor,
                                  v.servicePackMinor, type)) {
          productType = type;
        }
      }
      metrics.TabletPC = facts->getSystemMetrics(platform::kSmTabletPc);
      metrics.MediaCenter = facts->getSystemMetrics(platform::kSmMediaCenter);
      metrics.Starter = facts->getSystemMetrics(platform::kSmStarter);
      metrics.ServerR2 = facts->getSystemMetrics(platform::kSmServerR2);
    }
    auto registry = s.CreateRegistryReader();
    TOSNaming naming = NameWindowsRelease(s.OSVersionInfo, s.SystemInfo.wProcessorArchitecture,
                                          productType, metrics, *registry);
    platform::HostSystemDescription host;
    if (naming.OSName.empty() && naming.OSEdition.empty() && facts != nullptr &&
        s.OSVersionInfo.platformId != platform::kVerPlatformWin32Nt &&
        s.OSVersionInfo.platformId != platform::kVerPlatformWin32Windows &&
        facts->hostSystem(host)) {
      naming = NameHostSystem(host);
    }
    s.OSName = naming.OSName;
    s.OSEdition = naming.OSEdition;
    s.OSKind = naming.OSKind;
    s.IsNT = naming.IsNT;
  }

  if (facts != nullptr) {
    std::string user;
    if (facts->getUserName(255, user))
      s.UserName = user;
  }

  {
    std::string machine;
    if (facts != nullptr && !facts->getComputerName(255, machine))
      machine.clear();
    auto registry = s.CreateRegistryReader();
    if (const TOpenRegistryKey key(*registry, kComputerNameKey); key) {
      if (registry->ValueExists("ComputerName"))
        machine = registry->ReadString("ComputerName");
    }
    s.MachineName = asciiUpper(machine);
  }

  if (facts != nullptr)
    s.ExeFileName = facts->moduleFileName(260);
  if (services.versionResources != nullptr) {
    ReadVersionInfo(*services.versionResources, s.ExeFileName, s.ExeVersionInfo);
  } else {
    s.ExeVersionInfo.FileName = s.ExeFileName;
  }

  if (s.OSVersionInfo.servicePackMajor > 0) {
    s.ServicePackText = std::to_string(s.OSVersionInfo.servicePackMajor) + "." +
                        std::to_string(s.OSVersionInfo.servicePackMinor);
  }
  s.ShortOSName = CleanOSName(s.OSName + " " + s.OSEdition);
  if (!s.ServicePackText.empty())
    s.ShortOSName += " SP " + s.ServicePackText;

  s.WtsAvailable = ProbeWtsAvailable(services);
  return s;
}

const TSystemSnapshot& SystemSnapshot() {
  static const TSystemSnapshot snapshot = TakeSystemSnapshot(platform::systemServices());
  return snapshot;
}

std::unique_ptr<TRegistryReader> CreateRegistryReader() {
  return SystemSnapshot().CreateRegistryReader();
}

}  // namespace tallyvane
