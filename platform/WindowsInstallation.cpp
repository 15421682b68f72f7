#include "platform/WindowsInstallation.h"

#include <array>
#include <charconv>
#include <system_error>

#include "platform/Unicode.h"

namespace tallyvane::platform {

namespace {

constexpr std::string_view kCurrentVersionKey = "SOFTWARE\\Microsoft\\Windows NT\\CurrentVersion";
constexpr std::string_view kProductOptionsKey =
    "SYSTEM\\CurrentControlSet\\Control\\ProductOptions";
constexpr std::string_view kEnvironmentKey =
    "SYSTEM\\CurrentControlSet\\Control\\Session Manager\\Environment";
constexpr std::string_view kComputerNameKey =
    "SYSTEM\\CurrentControlSet\\Control\\ComputerName\\ComputerName";
constexpr std::string_view kTimeZoneKey = "SYSTEM\\CurrentControlSet\\Control\\TimeZoneInformation";

// One registry key opened for the life of the object.
class OpenKey {
 public:
  OpenKey(Registry& registry, std::string_view path) : registry_(registry) {
    if (registry_.openKey(kHKeyLocalMachine, path, kKeyRead, key_) != kErrorSuccess)
      key_ = kNoKey;
  }
  ~OpenKey() {
    if (key_ != kNoKey)
      registry_.closeKey(key_);
  }
  OpenKey(const OpenKey&) = delete;
  OpenKey& operator=(const OpenKey&) = delete;
  explicit operator bool() const { return key_ != kNoKey; }
  RegKey key() const { return key_; }

 private:
  Registry& registry_;
  RegKey key_ = kNoKey;
};

// The strings of a REG_MULTI_SZ value (or of a single string value).
std::vector<std::string> readMultiString(Registry& registry, RegKey key, std::string_view name) {
  std::uint32_t type = 0, size = 0;
  if (registry.queryValue(key, name, type, {}, size) != kErrorSuccess)
    return {};
  std::vector<std::byte> data(size);
  if (size > 0 && registry.queryValue(key, name, type, data, size) != kErrorSuccess)
    return {};
  data.resize(size);
  if (type != kRegMultiSz && type != kRegSz && type != kRegExpandSz)
    return {};
  std::vector<std::string> out;
  std::span<const std::byte> rest(data);
  while (rest.size() >= 2) {
    std::size_t used = 0;
    const std::u16string text = readUtf16z(rest, &used);
    if (used == 0)
      break;
    if (text.empty() && type == kRegMultiSz)
      break;  // the list's closing empty string
    out.push_back(utf16ToUtf8(text));
    rest = rest.subspan(std::min(used, rest.size()));
  }
  return out;
}

std::optional<std::vector<std::byte>> readBinaryValue(Registry& registry, RegKey key,
                                                      std::string_view name) {
  std::uint32_t type = 0, size = 0;
  if (registry.queryValue(key, name, type, {}, size) != kErrorSuccess || type != kRegBinary)
    return std::nullopt;
  std::vector<std::byte> data(size);
  if (size > 0 && registry.queryValue(key, name, type, data, size) != kErrorSuccess)
    return std::nullopt;
  data.resize(size);
  return data;
}

std::optional<std::uint32_t> parseNumber(std::string_view text) {
  std::uint32_t value = 0;
  const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), value);
  if (ec != std::errc() || end == text.data())
    return std::nullopt;
  return value;
}

}  // namespace

std::filesystem::path findPathIgnoringCase(const std::filesystem::path& root,
                                           const std::vector<std::string_view>& parts) {
  std::filesystem::path at = root;
  for (const std::string_view part : parts) {
    std::error_code ec;
    std::filesystem::path next = at / std::string(part);
    if (!std::filesystem::exists(next, ec)) {
      next.clear();
      for (const auto& entry : std::filesystem::directory_iterator(at, ec)) {
        if (equalsIgnoreAsciiCase(entry.path().filename().string(), part)) {
          next = entry.path();
          break;
        }
      }
      if (next.empty())
        return {};
    }
    at = std::move(next);
  }
  return at;
}

// ---- The installation's own facts ----

std::optional<std::string> InstallationSystemFacts::stringAt(std::string_view key,
                                                             std::string_view value) {
  OpenKey k(registry_, key);
  return k ? readStringValue(registry_, k.key(), value) : std::nullopt;
}

std::optional<std::uint32_t> InstallationSystemFacts::dwordAt(std::string_view key,
                                                              std::string_view value) {
  OpenKey k(registry_, key);
  return k ? readDwordValue(registry_, k.key(), value) : std::nullopt;
}

bool InstallationSystemFacts::getVersionEx(OsVersionRecord& record) {
  OpenKey key(registry_, kCurrentVersionKey);
  if (!key)
    return false;
  const RegKey k = key.key();
  // Windows 10 and later keep "6.3" in CurrentVersion for old programs and
  // their true numbers in CurrentMajor/MinorVersionNumber.
  const auto major = readDwordValue(registry_, k, "CurrentMajorVersionNumber");
  const auto minor = readDwordValue(registry_, k, "CurrentMinorVersionNumber");
  if (major) {
    record.majorVersion = *major;
    record.minorVersion = minor.value_or(0);
  } else if (const auto version = readStringValue(registry_, k, "CurrentVersion")) {
    const std::size_t dot = version->find('.');
    record.majorVersion = parseNumber(version->substr(0, dot)).value_or(0);
    record.minorVersion =
        dot == std::string::npos ? 0 : parseNumber(version->substr(dot + 1)).value_or(0);
  } else {
    return false;
  }
  record.buildNumber =
      parseNumber(readStringValue(registry_, k, "CurrentBuildNumber")
                      .value_or(readStringValue(registry_, k, "CurrentBuild").value_or("")))
          .value_or(0);
  record.platformId = kVerPlatformWin32Nt;
  record.csdVersion = readStringValue(registry_, k, "CSDVersion").value_or("");
  if (record.csdVersion.size() > 127)
    record.csdVersion.resize(127);
  if (record.osVersionInfoSize < OsVersionRecord::kExtendedSize)
    return true;

  // The service pack as numbers: SYSTEM keeps them as 0xMMmm; older systems
  // only in the text ("Service Pack 3").
  if (const auto csd = dwordAt("SYSTEM\\CurrentControlSet\\Control\\Windows", "CSDVersion")) {
    record.servicePackMajor = static_cast<std::uint16_t>((*csd >> 8) & 0xFF);
    record.servicePackMinor = static_cast<std::uint16_t>(*csd & 0xFF);
  } else if (const std::size_t at = record.csdVersion.find_last_of(' '); at != std::string::npos) {
    record.servicePackMajor = static_cast<std::uint16_t>(
        parseNumber(std::string_view(record.csdVersion).substr(at + 1)).value_or(0));
  }

  OpenKey options(registry_, kProductOptionsKey);
  if (options) {
    const std::string type = readStringValue(registry_, options.key(), "ProductType").value_or("");
    if (equalsIgnoreAsciiCase(type, "WinNT"))
      record.productType = 1;
    else if (equalsIgnoreAsciiCase(type, "LanmanNT"))
      record.productType = 2;
    else if (equalsIgnoreAsciiCase(type, "ServerNT"))
      record.productType = 3;
    static constexpr std::array<std::pair<std::string_view, std::uint16_t>, 15> kSuites = {{
        {"Small Business", 0x0001},
        {"Enterprise", 0x0002},
        {"BackOffice", 0x0004},
        {"CommunicationServer", 0x0008},
        {"Terminal Server", 0x0010},
        {"Small Business(Restricted)", 0x0020},
        {"EmbeddedNT", 0x0040},
        {"DataCenter", 0x0080},
        {"Personal", 0x0200},
        {"Blade", 0x0400},
        {"Embedded(Restricted)", 0x0800},
        {"Security Appliance", 0x1000},
        {"Storage Server", 0x2000},
        {"Compute Server", 0x4000},
        {"WH Server", 0x8000},
    }};
    for (const std::string& suite : readMultiString(registry_, options.key(), "ProductSuite")) {
      for (const auto& [name, bit] : kSuites) {
        if (equalsIgnoreAsciiCase(suite, name))
          record.suiteMask = static_cast<std::uint16_t>(record.suiteMask | bit);
      }
    }
  }
  return true;
}

std::optional<std::uint32_t> InstallationSystemFacts::productTypeOfEdition(
    std::string_view editionId) {
  static constexpr std::array<std::pair<std::string_view, std::uint32_t>, 45> kEditions = {{
      {"Ultimate", 1},
      {"HomeBasic", 2},
      {"HomePremium", 3},
      {"Enterprise", 4},
      {"HomeBasicN", 5},
      {"Business", 6},
      {"ServerStandard", 7},
      {"ServerDatacenter", 8},
      {"ServerSBSStandard", 9},
      {"ServerEnterprise", 10},
      {"Starter", 11},
      {"ServerDatacenterCore", 12},
      {"ServerStandardCore", 13},
      {"ServerEnterpriseCore", 14},
      {"ServerEnterpriseIA64", 15},
      {"BusinessN", 16},
      {"ServerWeb", 17},
      {"ServerComputeCluster", 18},
      {"ServerHomeServer", 19},
      {"ServerStorageExpress", 20},
      {"ServerStorageStandard", 21},
      {"ServerStorageWorkgroup", 22},
      {"ServerStorageEnterprise", 23},
      {"ServerForSBSolutions", 24},
      {"ServerSBSPremium", 25},
      {"HomePremiumN", 26},
      {"EnterpriseN", 27},
      {"UltimateN", 28},
      {"ServerWebCore", 29},
      {"ServerMediumBusinessManagement", 30},
      {"ServerMediumBusinessSecurity", 31},
      {"ServerMediumBusinessMessaging", 32},
      {"ServerFoundation", 33},
      {"ServerHomePremium", 34},
      {"ServerForSBSolutionsEM", 35},
      {"ServerStandardV", 36},
      {"ServerDatacenterV", 37},
      {"ServerEnterpriseV", 38},
      {"ServerHyper", 42},
      {"StarterN", 47},
      {"Professional", 48},
      {"ProfessionalN", 49},
      {"StarterE", 66},
      {"HomeBasicE", 67},
      {"HomePremiumE", 68},
  }};
  static constexpr std::array<std::pair<std::string_view, std::uint32_t>, 3> kMoreEditions = {{
      {"ProfessionalE", 69},
      {"EnterpriseE", 70},
      {"UltimateE", 71},
  }};
  for (const auto& table :
       {std::span<const std::pair<std::string_view, std::uint32_t>>(kEditions),
        std::span<const std::pair<std::string_view, std::uint32_t>>(kMoreEditions)}) {
    for (const auto& [name, type] : table) {
      if (equalsIgnoreAsciiCase(name, editionId))
        return type;
    }
  }
  return std::nullopt;
}

bool InstallationSystemFacts::hasProductInfo() {
  return stringAt(kCurrentVersionKey, "EditionID").has_value();
}

bool InstallationSystemFacts::getProductInfo(std::uint32_t, std::uint32_t, std::uint32_t,
                                             std::uint32_t, std::uint32_t& productType) {
  const auto edition = stringAt(kCurrentVersionKey, "EditionID");
  const auto type = edition ? productTypeOfEdition(*edition) : std::nullopt;
  if (!type)
    return false;
  productType = *type;
  return true;
}

bool InstallationSystemFacts::isWow64Process(bool& wow64) {
  // The installation is read as a whole, with no 32-bit view of it.
  wow64 = false;
  return true;
}

std::uint16_t InstallationSystemFacts::processorArchitecture(bool) {
  const std::string arch = stringAt(kEnvironmentKey, "PROCESSOR_ARCHITECTURE").value_or("");
  if (equalsIgnoreAsciiCase(arch, "AMD64"))
    return kProcessorArchitectureAmd64;
  if (equalsIgnoreAsciiCase(arch, "x86"))
    return kProcessorArchitectureIntel;
  if (equalsIgnoreAsciiCase(arch, "IA64"))
    return kProcessorArchitectureIa64;
  if (equalsIgnoreAsciiCase(arch, "ARM64"))
    return kProcessorArchitectureArm64;
  if (equalsIgnoreAsciiCase(arch, "ARM"))
    return kProcessorArchitectureArm;
  return kProcessorArchitectureUnknown;
}

int InstallationSystemFacts::getSystemMetrics(int index) {
  // The XP editions that Windows reports as system metrics are marked in
  // SYSTEM\WPA; the others are not recorded on disk and read as 0.
  switch (index) {
    case kSmMediaCenter:
      return static_cast<int>(dwordAt("SYSTEM\\WPA\\MediaCenter", "Installed").value_or(0));
    case kSmTabletPc:
      return static_cast<int>(dwordAt("SYSTEM\\WPA\\TabletPC", "Installed").value_or(0));
    default:
      return 0;
  }
}

bool InstallationSystemFacts::getUserName(std::uint32_t bufferChars, std::string& name) {
  const auto owner = stringAt(kCurrentVersionKey, "RegisteredOwner");
  if (!owner || utf8ToUtf16(*owner).size() + 1 > bufferChars)
    return false;
  name = *owner;
  return true;
}

bool InstallationSystemFacts::getComputerName(std::uint32_t bufferChars, std::string& name) {
  const auto computer = stringAt(kComputerNameKey, "ComputerName");
  if (!computer || utf8ToUtf16(*computer).size() + 1 > bufferChars)
    return false;
  name = *computer;
  return true;
}

std::string InstallationSystemFacts::moduleFileName(std::uint32_t bufferChars) {
  return host_ != nullptr ? host_->moduleFileName(bufferChars) : std::string();
}

bool InstallationSystemFacts::hostSystem(HostSystemDescription&) {
  return false;
}

// ---- The installation ----

bool WindowsInstallation::recognise(const std::filesystem::path& root) {
  std::error_code ec;
  const auto system32 = findPathIgnoringCase(root, {"Windows", "System32"});
  return !system32.empty() && std::filesystem::is_directory(system32, ec);
}

WindowsInstallation::WindowsInstallation(std::filesystem::path root) : root_(std::move(root)) {
  windows_ = findPathIgnoringCase(root_, {"Windows"});
  if (windows_.empty()) {
    warnings_.push_back(root_.string() + ": holds no Windows folder");
    return;
  }
  systemLog_ = findPathIgnoringCase(windows_, {"System32", "winevt", "Logs", "System.evtx"});
  systemLogIsEvtx_ = !systemLog_.empty();
  if (systemLog_.empty())
    systemLog_ = findPathIgnoringCase(windows_, {"System32", "config", "SysEvent.Evt"});

  for (const char* hive : {"SYSTEM", "SOFTWARE"}) {
    const auto path = findPathIgnoringCase(windows_, {"System32", "config", hive});
    if (path.empty()) {
      warnings_.push_back((windows_ / "System32" / "config" / hive).string() +
                          ": no such hive; the facts it holds are left out");
      continue;
    }
    std::string error;
    if (!registry_.addHive({hive, path.string()}, error))
      warnings_.push_back(error + "; the facts it holds are left out");
  }
  for (const std::string& note : registry_.notes())
    warnings_.push_back(note);

  facts_ = std::make_unique<InstallationSystemFacts>(registry_, nullptr);
  readTimeZone();
}

void WindowsInstallation::readTimeZone() {
  OpenKey key(registry_, kTimeZoneKey);
  if (!key) {
    if (!registry_.empty())
      warnings_.push_back(
          "the installation's time zone is not in its registry; local times are "
          "this machine's");
    return;
  }
  // TimeZoneKeyName (Windows 7 and later) is the zone's key; older systems
  // keep only display names, of which the standard name is the key's name on
  // English systems (later ones hold an indirect "@tzres.dll,-212" there).
  std::string name = readStringValue(registry_, key.key(), "TimeZoneKeyName").value_or("");
  if (name.empty()) {
    name = readStringValue(registry_, key.key(), "StandardName").value_or("");
    if (!name.empty() && name.front() == '@')
      name.clear();
  }
  windowsZoneName_ = name;
  if (!name.empty()) {
    const std::string iana = ianaZoneForWindowsZone(name);
    if (!iana.empty()) {
      auto zone = std::make_unique<IanaTimeZone>(iana);
      if (zone->available()) {
        zoneName_ = iana;
        zone_ = std::move(zone);
        return;
      }
    }
  }
  // A zone known by no usable name still has the rules Windows converts by:
  // "TZI" since Vista, separate values before.
  std::optional<TimeZoneRules> rules;
  if (const auto tzi = readBinaryValue(registry_, key.key(), "TZI"))
    rules = TimeZoneRules::fromTzi(*tzi);
  if (!rules) {
    if (const auto bias = readDwordValue(registry_, key.key(), "Bias")) {
      rules = TimeZoneRules{};
      rules->bias = static_cast<std::int32_t>(*bias);
      rules->standardBias = static_cast<std::int32_t>(
          readDwordValue(registry_, key.key(), "StandardBias").value_or(0));
      rules->daylightBias = static_cast<std::int32_t>(
          readDwordValue(registry_, key.key(), "DaylightBias").value_or(0));
      const auto date = [&](std::string_view value) {
        const auto bytes = readBinaryValue(registry_, key.key(), value);
        return bytes ? TimeZoneRules::systemTimeFrom(*bytes).value_or(SystemTime{}) : SystemTime{};
      };
      rules->standardDate = date("StandardStart");
      rules->daylightDate = date("DaylightStart");
    }
  }
  const std::string quoted = name.empty() ? std::string() : " \"" + name + "\"";
  if (rules) {
    auto zone = std::make_unique<WindowsRuleTimeZone>(*rules);
    zoneName_ = zone->describe();
    zone_ = std::move(zone);
    warnings_.push_back("the installation's time zone" + quoted +
                        " has no IANA equivalent; local times follow the rules stored with it (" +
                        zoneName_ + ")");
    return;
  }
  warnings_.push_back("the installation's time zone" + quoted +
                      " is unknown; local times are this machine's");
}

std::string WindowsInstallation::timeZoneDescription() const {
  if (zone_ == nullptr)
    return "unknown (this machine's zone is used)";
  if (windowsZoneName_.empty())
    return zoneName_;
  return windowsZoneName_ + " (" + zoneName_ + ")";
}

std::filesystem::path WindowsInstallation::hostPath(std::string_view windowsPath) const {
  std::string path(windowsPath);
  // Environment strings that name the Windows folder.
  for (const std::string_view variable : {"%SystemRoot%", "%windir%"}) {
    if (path.size() >= variable.size() &&
        equalsIgnoreAsciiCase(std::string_view(path).substr(0, variable.size()), variable)) {
      path = "\\Windows" + path.substr(variable.size());
    }
  }
  // A drive letter names the installation's own drive.
  if (path.size() >= 2 && path[1] == ':')
    path = path.substr(2);
  std::vector<std::string_view> parts;
  std::string_view rest(path);
  while (!rest.empty()) {
    const std::size_t cut = rest.find_first_of("\\/");
    const std::string_view part = rest.substr(0, cut);
    rest = cut == std::string_view::npos ? std::string_view{} : rest.substr(cut + 1);
    // The path comes from a foreign disk: ".." climbs within the
    // installation and never out of it.
    if (part == "..") {
      if (!parts.empty())
        parts.pop_back();
    } else if (!part.empty() && part != ".") {
      parts.push_back(part);
    }
  }
  // A relative name is looked for where Windows would load it from.
  if (!path.empty() && path.front() != '\\' && path.front() != '/') {
    parts.insert(parts.begin(), {"Windows", "System32"});
  }
  // The folders that exist are matched without regard to case; a missing
  // file keeps the name the registry gives it.
  std::filesystem::path joined = root_;
  bool exists = true;
  for (const std::string_view part : parts) {
    std::filesystem::path next;
    if (exists)
      next = findPathIgnoringCase(joined, {part});
    exists = !next.empty();
    joined = exists ? std::move(next) : joined / std::string(part);
  }
  return joined;
}

std::vector<std::string> WindowsInstallation::windowsEnvironment() {
  // The drive letter stands for the installation's root, whatever it was.
  return {"SystemDrive=C:", "SystemRoot=C:\\Windows", "windir=C:\\Windows"};
}

std::vector<std::filesystem::path> WindowsInstallation::eventMessageFiles(std::string_view log,
                                                                          std::string_view source) {
  const std::string key = "SYSTEM\\CurrentControlSet\\Services\\EventLog\\" + std::string(log) +
                          "\\" + std::string(source);
  OpenKey k(registry_, key);
  if (!k)
    return {};
  const std::string files = readStringValue(registry_, k.key(), "EventMessageFile").value_or("");
  std::vector<std::filesystem::path> out;
  std::string_view rest(files);
  while (!rest.empty()) {
    const std::size_t cut = rest.find(';');
    const std::string_view one = rest.substr(0, cut);
    rest = cut == std::string_view::npos ? std::string_view{} : rest.substr(cut + 1);
    if (!one.empty())
      out.push_back(hostPath(one));
  }
  return out;
}

Services WindowsInstallation::services(const Services& base) {
  Services s = base;
  s.registry = &registry_;
  facts_ = std::make_unique<InstallationSystemFacts>(registry_, base.systemFacts);
  s.systemFacts = facts_.get();
  if (TimeZone* zone = timeZone()) {
    s.timeZone = zone;
    if (base.clock != nullptr) {
      clock_ = std::make_unique<ZonedClock>(*base.clock, *zone);
      s.clock = clock_.get();
    }
  }
  return s;
}

}  // namespace tallyvane::platform
