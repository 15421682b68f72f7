// Taking the system snapshot from the platform's facts: the version record,
// the installation date, the machine and user names, the short OS name and
// the registry view a 32-bit program on 64-bit Windows must read.
#include <gtest/gtest.h>

#include <chrono>
#include <cmath>
#include <functional>

#include "SysinfoFakes.h"
#include "sysinfo/Orvex_Routines.h"

namespace tallyvane {
namespace {

constexpr char kCurrentVersion[] = "SOFTWARE\\Microsoft\\Windows NT\\CurrentVersion";
constexpr char kComputerName[] = "SYSTEM\\CurrentControlSet\\Control\\ComputerName\\ComputerName";

struct Machine {
  testing::FakeSystemFacts facts;
  testing::RecordingRegistry registry;
  testing::FakeTerminalServices wts;
  platform::FileVersionResources versions;

  Machine() {
    facts.version.majorVersion = 6;
    facts.version.minorVersion = 1;
    facts.version.buildNumber = 7601;
    facts.version.platformId = 2;
    facts.version.productType = 1;
    facts.version.csdVersion = "Service Pack 1";
    facts.version.servicePackMajor = 1;
    facts.productType = 48;
    facts.architecture = facts.nativeArchitecture = 9;
  }
  platform::Services services() {
    platform::Services s;
    s.systemFacts = &facts;
    s.registry = &registry;
    s.terminalServices = &wts;
    s.versionResources = &versions;
    return s;
  }
};

TEST(SystemSnapshot, NamesWindowsAndBuildsTheShortName) {
  struct Case {
    const char* label;
    std::uint32_t major, minor;
    std::uint16_t spMajor, spMinor;
    std::uint8_t productType;
    std::uint16_t suite;
    std::uint16_t architecture;
    std::optional<std::uint32_t> product;
    const char* name;
    const char* edition;
    const char* servicePack;
    const char* shortName;
  };
  const Case cases[] = {
      {"7 Pro x64 SP1", 6, 1, 1, 0, 1, 0, 9, 48, "Windows 7", "Professional x64", "1.0",
       "Windows 7 Pro x64 SP 1.0"},
      {"XP Pro SP3", 5, 1, 3, 0, 1, 0, 0, std::nullopt, "Windows XP", "Professional", "3.0",
       "Windows XP Pro SP 3.0"},
      {"8.1 Pro, 32-bit", 6, 3, 0, 0, 1, 0, 0, 48, "Windows 8.1", "Professional", "",
       "Windows 8.1 Pro"},
      {"8.1 Pro, 64-bit", 6, 3, 0, 0, 1, 0, 9, 48, "Windows 8.1", "Professional x64", "",
       "Windows 8.1 Pro x64"},
      {"6.3 server", 6, 3, 0, 0, 3, 0, 9, 7, "", "Standard Full x64", "", "Std Full x64"},
      {"SP 2.1", 5, 2, 2, 1, 3, 0x0002, 0, std::nullopt, "Windows Server 2003", "Enterprise", "2.1",
       "Windows Server 2003 Ent SP 2.1"},
      {"10.0", 10, 0, 0, 0, 1, 0, 9, 48, "", "", "", ""},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.label);
    Machine m;
    m.facts.version.majorVersion = c.major;
    m.facts.version.minorVersion = c.minor;
    m.facts.version.servicePackMajor = c.spMajor;
    m.facts.version.servicePackMinor = c.spMinor;
    m.facts.version.productType = c.productType;
    m.facts.version.suiteMask = c.suite;
    m.facts.architecture = m.facts.nativeArchitecture = c.architecture;
    m.facts.productType = c.product;
    const auto s = TakeSystemSnapshot(m.services());
    EXPECT_EQ(s.OSName, c.name);
    EXPECT_EQ(s.OSEdition, c.edition);
    EXPECT_EQ(s.ServicePackText, c.servicePack);
    EXPECT_EQ(s.ShortOSName, c.shortName);
    EXPECT_TRUE(s.IsNT);
    EXPECT_EQ(s.OSVersionInfo.osVersionInfoSize, 284u);
    // GetProductInfo is asked for 6.x only.
    EXPECT_EQ(m.facts.productInfoCalls, c.major == 6 ? 1 : 0);
  }
}

TEST(SystemSnapshot, ReleasesBeforeWindows2000KeepOnlyTheBasicRecord) {
  Machine m;
  m.facts.version.majorVersion = 4;
  m.facts.version.minorVersion = 0;
  m.facts.version.buildNumber = 1381;
  m.facts.version.csdVersion = "Service Pack 6";
  m.facts.version.servicePackMajor = 6;  // only the extended record would carry these
  m.facts.version.productType = 1;
  const auto s = TakeSystemSnapshot(m.services());
  EXPECT_EQ(m.facts.versionSizesAsked, (std::vector<std::uint32_t>{276}));
  EXPECT_EQ(s.OSVersionInfo.majorVersion, 4u);
  EXPECT_EQ(s.OSVersionInfo.buildNumber, 1381u);
  EXPECT_EQ(s.OSVersionInfo.csdVersion, "Service Pack 6");
  EXPECT_EQ(s.OSVersionInfo.servicePackMajor, 0u);
  EXPECT_EQ(s.OSVersionInfo.productType, 0u);
  EXPECT_EQ(s.ServicePackText, "");
  EXPECT_EQ(s.OSName, "Windows NT 4");
  // Product type 0 is not a workstation.
  EXPECT_EQ(s.OSEdition, "Server 4.0");
}

TEST(SystemSnapshot, FailingVersionCallLeavesZeros) {
  Machine m;
  m.facts.versionFails = true;
  const auto s = TakeSystemSnapshot(m.services());
  EXPECT_EQ(s.OSVersionInfo.majorVersion, 0u);
  EXPECT_EQ(s.OSVersionInfo.platformId, 0u);
  EXPECT_EQ(s.OSName, "");
  EXPECT_FALSE(s.IsNT);
  EXPECT_EQ(s.OSKind, 0);
}

TEST(SystemSnapshot, InstallDateIsTheStoredSecondsSince1970InUtc) {
  struct Case {
    const char* label;
    std::function<void(platform::MemoryRegistry&)> store;
    int year, month, day, hour, minute, second;
  };
  const Case cases[] = {
      {"1300000000", [](auto& r) { r.setDword(kCurrentVersion, "InstallDate", 1300000000); }, 2011,
       3, 13, 7, 6, 40},
      {"0", [](auto& r) { r.setDword(kCurrentVersion, "InstallDate", 0); }, 1970, 1, 1, 0, 0, 0},
      {"all bits set is unsigned",
       [](auto& r) { r.setDword(kCurrentVersion, "InstallDate", 0xFFFFFFFF); }, 2106, 2, 7, 6, 28,
       15},
      {"missing value", [](auto& r) { r.addKey(kCurrentVersion); }, 1899, 12, 30, 0, 0, 0},
      {"missing key", [](auto&) {}, 1899, 12, 30, 0, 0, 0},
      {"a string is not a date",
       [](auto& r) { r.setString(kCurrentVersion, "InstallDate", "1300000000"); }, 1899, 12, 30, 0,
       0, 0},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.label);
    Machine m;
    c.store(m.registry);
    const auto s = TakeSystemSnapshot(m.services());
    // The calendar of the standard library is the oracle: day 0 is 1899-12-30.
    using namespace std::chrono;
    const double whole = std::floor(s.InstallDate);
    const year_month_day date{sys_days{1899y / December / 30} + days{static_cast<int>(whole)}};
    const auto second = std::llround((s.InstallDate - whole) * 86400.0);
    EXPECT_EQ(static_cast<int>(date.year()), c.year);
    EXPECT_EQ(static_cast<unsigned>(date.month()), static_cast<unsigned>(c.month));
    EXPECT_EQ(static_cast<unsigned>(date.day()), static_cast<unsigned>(c.day));
    EXPECT_EQ(second, (c.hour * 60 + c.minute) * 60 + c.second);
    EXPECT_EQ(m.registry.openHandleCount(), 0);
  }
  EXPECT_EQ(InstallDateFromSeconds(0), 25569.0);
}

TEST(SystemSnapshot, MachineNameIsTheRegisteredNameInUpperCase) {
  struct Case {
    const char* label;
    std::optional<std::string> computerName;
    std::optional<std::string> registered;
    const char* expected;
  };
  const Case cases[] = {
      {"plain", "my-pc", std::nullopt, "MY-PC"},
      {"the registry wins", "my-pc", "office-7", "OFFICE-7"},
      {"only ASCII letters change", "m\xC3\xBCnchen-pc", std::nullopt, "M\xC3\xBCNCHEN-PC"},
      {"call fails, registry answers", std::nullopt, "box", "BOX"},
      {"neither", std::nullopt, std::nullopt, ""},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.label);
    Machine m;
    m.facts.computerName = c.computerName;
    if (c.registered)
      m.registry.setString(kComputerName, "ComputerName", *c.registered);
    EXPECT_EQ(TakeSystemSnapshot(m.services()).MachineName, c.expected);
  }
}

TEST(SystemSnapshot, UserAndProgramFacts) {
  Machine m;
  m.facts.userName = "Alice";
  m.facts.moduleFile = "/nonexistent/program";
  auto s = TakeSystemSnapshot(m.services());
  EXPECT_EQ(s.UserName, "Alice");
  EXPECT_EQ(s.ExeFileName, "/nonexistent/program");
  EXPECT_EQ(s.ExeVersionInfo.FileName, "/nonexistent/program");
  EXPECT_EQ(s.ExeVersionInfo.Version, "");
  EXPECT_TRUE(s.WtsAvailable);

  m.facts.userName.reset();
  m.wts.isAvailable = false;
  s = TakeSystemSnapshot(m.services());
  EXPECT_EQ(s.UserName, "");
  EXPECT_FALSE(s.WtsAvailable);
}

TEST(SystemSnapshot, Wow64ReadsTheNativeSystemAndThe64BitRegistryView) {
  struct Case {
    std::optional<bool> wow64;
    bool expectWow64;
    std::uint32_t access;
    const char* edition;
  };
  const Case cases[] = {
      {true, true, 0x20119, "Professional x64"},
      {false, false, 0x20019, "Professional"},
      {std::nullopt, false, 0x20019, "Professional"},  // no IsWow64Process
  };
  for (const auto& c : cases) {
    Machine m;
    m.facts.wow64 = c.wow64;
    m.facts.architecture = 0;        // what a 32-bit program is told
    m.facts.nativeArchitecture = 9;  // what the machine is
    const auto s = TakeSystemSnapshot(m.services());
    EXPECT_EQ(s.IsWow64, c.expectWow64);
    EXPECT_EQ(s.OSEdition, c.edition);
    ASSERT_FALSE(m.registry.accessMasks.empty());
    for (std::uint32_t access : m.registry.accessMasks)
      EXPECT_EQ(access, c.access);
    EXPECT_EQ(s.CreateRegistryReader()->Access(), c.access);
  }
}

TEST(SystemSnapshot, OtherSystemsAreNamedByTheirOwnDescription) {
  Machine m;
  m.facts.version = {};
  m.facts.version.majorVersion = 6;
  m.facts.version.minorVersion = 1;
  m.facts.version.platformId = platform::kVerPlatformOther;
  m.facts.productType.reset();
  m.facts.host =
      platform::HostSystemDescription{"PRETTY_NAME=\"Debian GNU/Linux 12 (bookworm)\"\n", "x86_64"};
  const auto s = TakeSystemSnapshot(m.services());
  EXPECT_EQ(s.OSName, "Debian GNU/Linux 12 (bookworm)");
  EXPECT_EQ(s.OSEdition, "x64");
  EXPECT_EQ(s.ShortOSName, "Debian GNU/Linux 12 (bookworm) x64");
  EXPECT_FALSE(s.IsNT);
  EXPECT_EQ(s.OSKind, 0);

  // Windows 10 has no name by the Windows rules, and is not named otherwise.
  Machine windows10;
  windows10.facts.version.majorVersion = 10;
  windows10.facts.version.minorVersion = 0;
  windows10.facts.host = m.facts.host;
  EXPECT_EQ(TakeSystemSnapshot(windows10.services()).OSName, "");
}

}  // namespace
}  // namespace tallyvane
