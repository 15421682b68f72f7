// Naming the Windows release and its edition, naming other systems, and the
// cleanup that makes the short OS name.
#include <gtest/gtest.h>

#include <optional>
#include <string>

#include "SysinfoFakes.h"
#include "platform/MemoryRegistry.h"
#include "sysinfo/Orvex_Routines.h"

namespace tallyvane {
namespace {

constexpr std::uint16_t kIntel = 0;
constexpr std::uint16_t kIa64 = 6;
constexpr std::uint16_t kAmd64 = 9;
constexpr std::uint8_t kWorkstation = 1;
constexpr std::uint8_t kServer = 3;
constexpr std::uint8_t kDomainController = 2;

struct NamingCase {
  const char* label;
  std::uint32_t platformId;
  std::uint32_t major;
  std::uint32_t minor;
  std::uint8_t productType;
  std::uint16_t suite;
  std::uint16_t architecture;
  std::optional<std::uint32_t> productInfo;
  TNamingMetrics metrics;
  const char* name;
  const char* edition;
  std::uint8_t kind;
};

TOSNaming nameOf(const NamingCase& c, platform::MemoryRegistry& registry,
                 TOSVersionInfoEx* out = nullptr) {
  TOSVersionInfoEx version;
  version.platformId = c.platformId;
  version.majorVersion = c.major;
  version.minorVersion = c.minor;
  version.productType = c.productType;
  version.suiteMask = c.suite;
  auto reader = CreateRegistryReader(registry, false);
  auto naming = NameWindowsRelease(version, c.architecture, c.productInfo, c.metrics, *reader);
  if (out)
    *out = version;
  return naming;
}

TEST(OSNaming, NamesReleasesAndEditionsByVersionProductTypeAndArchitecture) {
  const TNamingMetrics none;
  const NamingCase cases[] = {
      // 6.x: the name by workstation or server, the edition from the product type.
      {"7 Ultimate x64", 2, 6, 1, kWorkstation, 0, kAmd64, 1, none, "Windows 7", "Ultimate x64",
       10},
      {"2008 R2 Standard Full x64", 2, 6, 1, kServer, 0, kAmd64, 7, none, "Windows Server 2008 R2",
       "Standard Full x64", 11},
      {"Vista Business", 2, 6, 0, kWorkstation, 0, kIntel, 6, none, "Windows Vista", "Business", 8},
      {"2008 on a domain controller", 2, 6, 0, kDomainController, 0, kIntel, 8, none,
       "Windows Server 2008", "Datacenter Full", 9},
      {"8 Pro", 2, 6, 2, kWorkstation, 0, kIntel, 48, none, "Windows 8", "Professional", 12},
      {"2012 Datacenter", 2, 6, 2, kServer, 0, kAmd64, 8, none, "Windows Server 2012",
       "Datacenter Full x64", 13},
      {"8.1 Pro x64", 2, 6, 3, kWorkstation, 0, kAmd64, 48, none, "Windows 8.1", "Professional x64",
       14},
      {"6.3 server: no name", 2, 6, 3, kServer, 0, kAmd64, 7, none, "", "Standard Full x64", 0},
      {"6.4: no name", 2, 6, 4, kWorkstation, 0, kAmd64, 48, none, "", "Professional x64", 0},
      {"type 0", 2, 6, 1, kWorkstation, 0, kIntel, 0, none, "Windows 7", "An unknown product", 10},
      {"type 19 has no entry", 2, 6, 0, kWorkstation, 0, kIntel, 19, none, "Windows Vista", "", 8},
      {"type 19 on x64", 2, 6, 0, kWorkstation, 0, kAmd64, 19, none, "Windows Vista", "x64", 8},
      {"type 71 is the last", 2, 6, 1, kWorkstation, 0, kIntel, 71, none, "Windows 7", "Ultimate E",
       10},
      {"type 72 is above the table", 2, 6, 1, kWorkstation, 0, kAmd64, 72, none, "Windows 7", "x64",
       10},
      {"no GetProductInfo", 2, 6, 1, kWorkstation, 0, kIntel, std::nullopt, none, "Windows 7", "",
       10},
      {"no GetProductInfo, x64", 2, 6, 1, kWorkstation, 0, kAmd64, std::nullopt, none, "Windows 7",
       "x64", 10},
      // 10.0 and later are not named, whatever the product type.
      {"10.0", 2, 10, 0, kWorkstation, 0, kAmd64, 48, none, "", "", 0},
      // 5.2.
      {"XP x64", 2, 5, 2, kWorkstation, 0, kAmd64, std::nullopt, none, "Windows XP",
       "Professional x64", 6},
      {"5.2 workstation, 32-bit", 2, 5, 2, kWorkstation, 0, kIntel, std::nullopt, none,
       "Windows Server 2003", "", 7},
      {"2003 Enterprise, ignored suite bit", 2, 5, 2, kServer, 0x0012, kIntel, std::nullopt, none,
       "Windows Server 2003", "Enterprise", 7},
      {"2003 R2 Datacenter x64",
       2,
       5,
       2,
       kServer,
       0x0080,
       kAmd64,
       std::nullopt,
       {0, 0, 0, 1},
       "Windows Server 2003 R2",
       "Datacenter x64",
       7},
      {"2003 Enterprise x64", 2, 5, 2, kServer, 0x0002, kAmd64, std::nullopt, none,
       "Windows Server 2003", "Enterprise x64", 7},
      {"2003 Standard x64", 2, 5, 2, kServer, 0, kAmd64, std::nullopt, none, "Windows Server 2003",
       "Standard x64", 7},
      {"Storage Server", 2, 5, 2, kServer, 0x2000, kIntel, std::nullopt, none,
       "Windows Storage Server 2003", "Standard", 7},
      {"Home Server", 2, 5, 2, kServer, 0x8000, kIntel, std::nullopt, none, "Windows Home Server",
       "Standard", 7},
      {"R2 wins over storage",
       2,
       5,
       2,
       kServer,
       0x2000,
       kIntel,
       std::nullopt,
       {0, 0, 0, 1},
       "Windows Server 2003 R2",
       "Standard",
       7},
      {"Itanium Datacenter", 2, 5, 2, kServer, 0x0082, kIa64, std::nullopt, none,
       "Windows Server 2003", "Datacenter for Itanium-based Systems", 7},
      {"Itanium Enterprise", 2, 5, 2, kServer, 0x0002, kIa64, std::nullopt, none,
       "Windows Server 2003", "Enterprise for Itanium-based Systems", 7},
      {"Itanium plain", 2, 5, 2, kServer, 0, kIa64, std::nullopt, none, "Windows Server 2003", "",
       7},
      {"Compute Cluster", 2, 5, 2, kServer, 0x4080, kIntel, std::nullopt, none,
       "Windows Server 2003", "Compute Cluster", 7},
      {"Web", 2, 5, 2, kServer, 0x0400, kIntel, std::nullopt, none, "Windows Server 2003", "Web",
       7},
      // 5.1 with the system metrics.
      {"XP Home Media Center",
       2,
       5,
       1,
       kWorkstation,
       0x0200,
       kIntel,
       std::nullopt,
       {0, 1, 0, 0},
       "Windows XP",
       "Home Media Center",
       6},
      {"XP Professional", 2, 5, 1, kWorkstation, 0, kIntel, std::nullopt, none, "Windows XP",
       "Professional", 6},
      {"XP Starter first",
       2,
       5,
       1,
       kWorkstation,
       0x0200,
       kIntel,
       std::nullopt,
       {1, 1, 1, 0},
       "Windows XP",
       "Home Starter",
       6},
      {"XP Tablet PC",
       2,
       5,
       1,
       kWorkstation,
       0,
       kIntel,
       std::nullopt,
       {1, 1, 0, 0},
       "Windows XP",
       "Professional Tablet PC",
       6},
      // 5.0.
      {"2000 Professional", 2, 5, 0, kWorkstation, 0, kIntel, std::nullopt, none, "Windows 2000",
       "Professional", 5},
      {"2000 Datacenter", 2, 5, 0, kServer, 0x0082, kIntel, std::nullopt, none, "Windows 2000",
       "Datacenter Server", 5},
      {"2000 Advanced", 2, 5, 0, kServer, 0x0002, kIntel, std::nullopt, none, "Windows 2000",
       "Advanced Server", 5},
      {"2000 Server", 2, 5, 0, kServer, 0, kIntel, std::nullopt, none, "Windows 2000", "Server", 5},
      // NT 4 without its registry keys: the edition from the suite mask.
      {"NT 4 Workstation", 2, 4, 0, kWorkstation, 0, kIntel, std::nullopt, none, "Windows NT 4",
       "Workstation", 4},
      {"NT 4 Enterprise", 2, 4, 0, kServer, 0x0002, kIntel, std::nullopt, none, "Windows NT 4",
       "Server 4.0, Enterprise", 4},
      {"NT 4 Server", 2, 4, 0, kServer, 0, kIntel, std::nullopt, none, "Windows NT 4", "Server 4.0",
       4},
      // Windows 9x.
      {"ME", 1, 4, 90, 0, 0, kIntel, std::nullopt, none, "Windows Millennium Edition", "", 3},
      // Combinations that match no row.
      {"9x 4.20", 1, 4, 20, 0, 0, kIntel, std::nullopt, none, "", "", 0},
      {"NT 3.51", 2, 3, 51, kWorkstation, 0, kIntel, std::nullopt, none, "", "", 0},
      {"Win32s", 0, 3, 10, 0, 0, kIntel, std::nullopt, none, "", "", 0},
      // Another system reporting its kernel version: no Windows name nor edition.
      {"Linux 6.1", platform::kVerPlatformOther, 6, 1, 0, 0, kAmd64, std::nullopt, none, "", "", 0},
      {"Linux 5.2", platform::kVerPlatformOther, 5, 2, 0, 0x0080, kAmd64, std::nullopt, none, "",
       "", 0},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.label);
    platform::MemoryRegistry registry;
    const auto naming = nameOf(c, registry);
    EXPECT_EQ(naming.OSName, c.name);
    EXPECT_EQ(naming.OSEdition, c.edition);
    EXPECT_EQ(naming.OSKind, c.kind);
    EXPECT_EQ(naming.IsNT, c.platformId == 2);
  }
}

TEST(OSNaming, Windows9xEditionsComeFromTheServicePackLetter) {
  struct Case {
    std::uint32_t minor;
    const char* csd;
    const char* name;
    const char* edition;
  };
  const Case cases[] = {
      {0, " A", "Windows 95", "OSR 1"},   {0, " B", "Windows 95", "OSR 2"},
      {0, " C", "Windows 95", "OSR 2.5"}, {0, " D", "Windows 95", ""},
      {0, "", "Windows 95", ""},          {0, "B", "Windows 95", ""},
      {10, " A", "Windows 98", "SE"},     {10, " B", "Windows 98", "SE"},
      {10, " C", "Windows 98", ""},       {10, "", "Windows 98", ""},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(std::string(c.name) + " '" + c.csd + "'");
    TOSVersionInfoEx version;
    version.platformId = 1;
    version.majorVersion = 4;
    version.minorVersion = c.minor;
    version.csdVersion = c.csd;
    platform::MemoryRegistry registry;
    auto reader = CreateRegistryReader(registry, false);
    const auto naming = NameWindowsRelease(version, kIntel, std::nullopt, {}, *reader);
    EXPECT_EQ(naming.OSName, c.name);
    EXPECT_EQ(naming.OSEdition, c.edition);
    EXPECT_FALSE(naming.IsNT);
  }
}

TEST(OSNaming, NtFourReadsProductOptionsAndTheServicePack6aHotfix) {
  constexpr char kOptions[] = "SYSTEM\\CurrentControlSet\\Control\\ProductOptions";
  constexpr char kHotfix[] = "SOFTWARE\\Microsoft\\Windows NT\\CurrentVersion\\Hotfix\\Q246009";
  struct Case {
    const char* label;
    std::optional<std::string> productType;
    std::function<void(platform::MemoryRegistry&)> hotfix;
    const char* csd;
    const char* edition;
    const char* csdAfter;
  };
  const Case cases[] = {
      {"WINNT", "winnt", nullptr, "Service Pack 5", "Workstation", "Service Pack 5"},
      {"LANMANNT", "LANMANNT", nullptr, "", "Server", ""},
      {"SERVERNT", "ServerNT", nullptr, "", "Advanced Server", ""},
      {"other text keeps the suite's edition", "Terminal", nullptr, "", "Server 4.0", ""},
      {"key without the value", std::string(), nullptr, "", "Server 4.0", ""},
      {"hotfix as string 1", std::nullopt,
       [&](platform::MemoryRegistry& r) { r.setString(kHotfix, "Installed", "1"); },
       "Service Pack 6", "Server 4.0", "Service Pack 6a"},
      {"hotfix as integer 1", std::nullopt,
       [&](platform::MemoryRegistry& r) { r.setDword(kHotfix, "Installed", 1); }, "service pack 6",
       "Server 4.0", "Service Pack 6a"},
      {"hotfix as string 01", std::nullopt,
       [&](platform::MemoryRegistry& r) { r.setString(kHotfix, "Installed", "01"); },
       "Service Pack 6", "Server 4.0", "Service Pack 6a"},
      {"hotfix not a number", std::nullopt,
       [&](platform::MemoryRegistry& r) { r.setString(kHotfix, "Installed", "yes"); },
       "Service Pack 6", "Server 4.0", "Service Pack 6"},
      {"hotfix as expandable string", std::nullopt,
       [&](platform::MemoryRegistry& r) {
         r.setString(kHotfix, "Installed", "1", platform::kRegExpandSz);
       },
       "Service Pack 6", "Server 4.0", "Service Pack 6"},
      {"hotfix 0", std::nullopt,
       [&](platform::MemoryRegistry& r) { r.setDword(kHotfix, "Installed", 0); }, "Service Pack 6",
       "Server 4.0", "Service Pack 6"},
      {"hotfix on another service pack", std::nullopt,
       [&](platform::MemoryRegistry& r) { r.setDword(kHotfix, "Installed", 1); }, "Service Pack 5",
       "Server 4.0", "Service Pack 5"},
      {"hotfix key without the value", std::nullopt,
       [&](platform::MemoryRegistry& r) { r.addKey(kHotfix); }, "Service Pack 6", "Server 4.0",
       "Service Pack 6"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.label);
    platform::MemoryRegistry registry;
    if (c.productType) {
      if (c.productType->empty()) {
        registry.addKey(kOptions);
      } else {
        registry.setString(kOptions, "ProductType", *c.productType);
      }
    }
    if (c.hotfix)
      c.hotfix(registry);
    TOSVersionInfoEx version;
    version.platformId = 2;
    version.majorVersion = 4;
    version.productType = kServer;
    version.csdVersion = c.csd;
    auto reader = CreateRegistryReader(registry, false);
    const auto naming = NameWindowsRelease(version, kIntel, std::nullopt, {}, *reader);
    EXPECT_EQ(naming.OSName, "Windows NT 4");
    EXPECT_EQ(naming.OSEdition, c.edition);
    EXPECT_EQ(version.csdVersion, c.csdAfter);
    reader.reset();
    EXPECT_EQ(registry.openHandleCount(), 0);
  }
}

TEST(OSNaming, CleanupMakesTheShortName) {
  const std::pair<const char*, const char*> cases[] = {
      {"Microsoft Windows Millennium Edition", "Windows Millennium"},
      {"Windows 7 Professional x64", "Windows 7 Pro x64"},
      {"Windows Server 2008 Enterprise Full", "Windows Server 2008 Ent Full"},
      {"Windows Seven (TM)  Home", "Windows 7 Home"},
      {"Windows Server 2008 R2 Standard Full x64", "Windows Server 2008 R2 Std Full x64"},
      {" Standard Full x64", "Std Full x64"},
      {"Windows XP Professional Service Pack 3", "Windows XP Pro SP3"},
      {"MICROSOFT(R) WINDOWS\xC2\xAE XP PROFESSIONAL", "WINDOWS XP Pro"},
      {"Windows NULL Edition", "Windows"},
      {"Windows 2000 ", "Windows 2000"},
      {" ", ""},
      {"", ""},
      {"\tWindows\x01  Vista\n", "Windows\x01 Vista"},
  };
  for (const auto& [text, expected] : cases) {
    SCOPED_TRACE(text);
    EXPECT_EQ(CleanOSName(text), expected);
  }
}

TEST(OSNaming, OtherSystemsAreNamedFromOsReleaseAndTheMachine) {
  struct Case {
    const char* osRelease;
    const char* machine;
    const char* name;
    const char* edition;
  };
  const Case cases[] = {
      {"PRETTY_NAME=\"Debian GNU/Linux 12 (bookworm)\"\nNAME=\"Debian GNU/Linux\"\nVERSION=\"12 "
       "(bookworm)\"\n",
       "x86_64", "Debian GNU/Linux 12 (bookworm)", "x64"},
      {"NAME=Fedora\nVERSION='39 (Workstation Edition)'\n", "aarch64",
       "Fedora 39 (Workstation Edition)", "ARM64"},
      {"NAME=\"Alpine Linux\"\n# VERSION=commented\n", "i686", "Alpine Linux", "x86"},
      {"PRETTY_NAME=\"\"\nNAME=Arch\n", "armv7l", "Arch", "ARM"},
      {"PRETTY_NAME=\"Quoted \\\"name\\\"\"\n", "riscv64", "Quoted \"name\"", "riscv64"},
      {"", "x86_64", "Linux", "x64"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    const auto naming = NameHostSystem({c.osRelease, c.machine});
    EXPECT_EQ(naming.OSName, c.name);
    EXPECT_EQ(naming.OSEdition, c.edition);
    EXPECT_EQ(naming.OSKind, okUnknown);
    EXPECT_FALSE(naming.IsNT);
  }
}

}  // namespace
}  // namespace tallyvane
