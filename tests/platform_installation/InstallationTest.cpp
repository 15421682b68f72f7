// A Windows installation read from disk: its hives behind the registry
// interface, its time zone, its own facts and its System log, in trees laid
// out with the mixed-case names NTFS mounts show.
#include <gtest/gtest.h>

#include <sys/stat.h>

#include <ctime>
#include <fstream>

#include "platform/HiveRegistry.h"
#include "platform/IanaTimeZone.h"
#include "platform/WindowsInstallation.h"
#include "platform/WindowsRuleTimeZone.h"
#include "support/InstallationTree.h"
#include "support/JournalDoubles.h"
#include "support/TempDir.h"
#include "support/TimeZoneGuard.h"
#include "sysinfo/Orvex_Routines.h"

namespace tallyvane {
namespace {

namespace fs = std::filesystem;
using platform::HiveRegistry;
using platform::RegKey;

#define REQUIRE_HIVEXREGEDIT()      \
  if (!testing::haveHivexregedit()) \
  GTEST_SKIP() << "hivexregedit (libwin-hivex-perl) is not installed"

std::string stringValue(platform::Registry& registry, std::string_view path,
                        std::string_view name) {
  RegKey key = platform::kNoKey;
  if (registry.openKey(platform::kHKeyLocalMachine, path, platform::kKeyRead, key) !=
      platform::kErrorSuccess) {
    return "<no key>";
  }
  const auto value = platform::readStringValue(registry, key, name);
  registry.closeKey(key);
  return value.value_or("<no value>");
}

class HiveRegistryTest : public ::testing::Test {
 protected:
  void SetUp() override {
    REQUIRE_HIVEXREGEDIT();
    system = dir.path() / "SYSTEM";
    ASSERT_TRUE(
        testing::writeHive(system, "HKEY_LOCAL_MACHINE\\SYSTEM", testing::windows7SystemReg()));
    std::string error;
    ASSERT_TRUE(registry.addHive({"SYSTEM", system.string()}, error)) << error;
  }
  testing::TempDir dir;
  fs::path system;
  HiveRegistry registry;
};

TEST_F(HiveRegistryTest, CurrentControlSetIsTheOneSelectNamesAndNamesMatchWithoutCase) {
  EXPECT_EQ(stringValue(registry, "SYSTEM\\CurrentControlSet\\Control\\ComputerName\\ComputerName",
                        "ComputerName"),
            "Win7-Box");
  EXPECT_EQ(stringValue(registry, "\\system\\currentcontrolset\\control\\TIMEZONEINFORMATION",
                        "timezonekeyname"),
            "Pacific Standard Time");
  EXPECT_EQ(stringValue(registry, "SYSTEM\\ControlSet002\\Control\\TimeZoneInformation",
                        "TimeZoneKeyName"),
            "Tokyo Standard Time");
  EXPECT_EQ(stringValue(registry, "SOFTWARE\\Microsoft", "x"), "<no key>");
  EXPECT_EQ(stringValue(registry, "SYSTEM\\NoSuchKey", "x"), "<no key>");
}

TEST_F(HiveRegistryTest, ReadsValuesAndKeysWithTheWindowsBufferRules) {
  RegKey key = platform::kNoKey;
  ASSERT_EQ(registry.openKey(platform::kHKeyLocalMachine,
                             "SYSTEM\\CurrentControlSet\\Services\\EventLog\\System\\EventLog",
                             platform::kKeyRead, key),
            platform::kErrorSuccess);
  std::uint32_t type = 0, size = 0;
  ASSERT_EQ(registry.queryValue(key, "EventMessageFile", type, {}, size), platform::kErrorSuccess);
  EXPECT_EQ(type, platform::kRegExpandSz);
  const std::string expected =
      "%SystemRoot%\\System32\\netevent.dll;%SystemRoot%\\system32\\kernel32.dll";
  EXPECT_EQ(size, (expected.size() + 1) * 2);  // UTF-16 with its terminator
  std::vector<std::byte> small(size - 1);
  std::uint32_t needed = static_cast<std::uint32_t>(small.size());
  EXPECT_EQ(registry.queryValue(key, "EventMessageFile", type, small, needed),
            platform::kErrorMoreData);
  EXPECT_EQ(needed, size);
  EXPECT_EQ(platform::readStringValue(registry, key, "EventMessageFile"), expected);
  EXPECT_EQ(registry.queryValue(key, "Missing", type, {}, size), platform::kErrorFileNotFound);
  EXPECT_EQ(registry.closeKey(key), platform::kErrorSuccess);
  EXPECT_EQ(registry.closeKey(key), platform::kErrorInvalidHandle);
  EXPECT_EQ(registry.queryValue(key, "EventMessageFile", type, {}, size),
            platform::kErrorInvalidHandle);

  ASSERT_EQ(registry.openKey(platform::kHKeyLocalMachine, "SYSTEM", platform::kKeyRead, key),
            platform::kErrorSuccess);
  std::vector<std::string> names;
  std::string name;
  std::uint32_t status = 0;
  for (std::uint32_t i = 0; (status = registry.enumKey(key, i, 256, name)) == 0; ++i)
    names.push_back(name);
  EXPECT_EQ(status, platform::kErrorNoMoreItems);
  EXPECT_EQ(names, (std::vector<std::string>{"ControlSet001", "ControlSet002", "Select"}));
  EXPECT_EQ(registry.enumKey(key, 0, 13, name), platform::kErrorMoreData);  // 13 chars + NUL
  EXPECT_EQ(registry.enumKey(key, 0, 14, name), platform::kErrorSuccess);
  registry.closeKey(key);

  // HKEY_LOCAL_MACHINE lists the hives; another machine is out of reach.
  EXPECT_EQ(registry.enumKey(platform::kHKeyLocalMachine, 0, 256, name), platform::kErrorSuccess);
  EXPECT_EQ(name, "SYSTEM");
  RegKey remote = platform::kNoKey;
  EXPECT_EQ(registry.connect("\\\\other", platform::kHKeyLocalMachine, remote),
            platform::kErrorBadNetpath);
}

TEST_F(HiveRegistryTest, ADamagedHiveIsLeftOutWithASentenceAndTheOthersServe) {
  const struct {
    const char* name;
    std::string bytes;
  } cases[] = {
      {"garbage", std::string(8192, 'x')},
      {"empty", std::string()},
      {"truncated",
       [&] {
         std::string head(4200, '\0');
         std::ifstream(system, std::ios::binary).read(head.data(), 4200);
         return head;
       }()},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    const fs::path file = dir.path() / c.name;
    std::ofstream(file, std::ios::binary) << c.bytes;
    std::string error;
    EXPECT_FALSE(registry.addHive({"SOFTWARE", file.string()}, error));
    EXPECT_NE(error.find(file.string()), std::string::npos) << error;
    EXPECT_NE(error.find("SOFTWARE hive"), std::string::npos) << error;
  }
  std::string error;
  fs::create_directories(dir.path() / "folder");
  mkfifo((dir.path() / "pipe").c_str(), 0600);
  for (const char* odd : {"folder", "pipe"}) {
    EXPECT_FALSE(registry.addHive({"SOFTWARE", (dir.path() / odd).string()}, error));
    EXPECT_NE(error.find("(not a regular file)"), std::string::npos) << error;
  }
  EXPECT_FALSE(registry.addHive({"SOFTWARE", (dir.path() / "absent").string()}, error));
  EXPECT_NE(error.find("No such file"), std::string::npos) << error;
  EXPECT_EQ(stringValue(registry, "SYSTEM\\Select", "Current"), "<no value>");  // a DWORD
  EXPECT_EQ(stringValue(registry, "SOFTWARE", "x"), "<no key>");
  EXPECT_EQ(stringValue(registry, "SYSTEM\\CurrentControlSet\\Control\\ComputerName\\ComputerName",
                        "ComputerName"),
            "Win7-Box");
}

TEST_F(HiveRegistryTest, UnappliedTransactionLogsAreNoted) {
  // A hive whose sequence numbers differ was changed in its logs after it was
  // last written in full.
  testing::markHiveDirty(system);
  std::ofstream(dir.path() / "system.log1", std::ios::binary) << std::string(512, 'L');
  std::ofstream(dir.path() / "SYSTEM.LOG2", std::ios::binary);  // empty: nothing in it

  HiveRegistry dirty;
  std::string error;
  ASSERT_TRUE(dirty.addHive({"SYSTEM", system.string()}, error)) << error;
  ASSERT_EQ(dirty.notes().size(), 1u);
  EXPECT_NE(dirty.notes()[0].find("sit in system.log1 and were not applied"), std::string::npos)
      << dirty.notes()[0];
  EXPECT_EQ(stringValue(dirty, "SYSTEM\\CurrentControlSet\\Control\\ComputerName\\ComputerName",
                        "ComputerName"),
            "Win7-Box");
  EXPECT_TRUE(registry.notes().empty());
}

TEST(IanaTimeZone, ConvertsAsTheCLibraryDoesForTheSameZone) {
  // The C library's zone data is the independent oracle: every hour of two
  // years that cross both daylight-saving changes of each zone.
  for (const char* id : {"America/Los_Angeles", "Europe/Berlin", "Australia/Lord_Howe",
                         "Asia/Kolkata", "GMT-08:00"}) {
    SCOPED_TRACE(id);
    platform::IanaTimeZone zone(id);
    ASSERT_TRUE(zone.available());
    const std::string posix = std::string(id) == "GMT-08:00" ? "<GMT-08>8" : id;
    testing::TimeZoneGuard guard(posix.c_str());
    for (std::time_t t = 1704067200; t < 1704067200 + 2 * 366 * 86400; t += 3600) {
      std::tm u{}, l{};
      gmtime_r(&t, &u);
      localtime_r(&t, &l);
      const platform::SystemTime utc{static_cast<std::uint16_t>(u.tm_year + 1900),
                                     static_cast<std::uint16_t>(u.tm_mon + 1),
                                     0,
                                     static_cast<std::uint16_t>(u.tm_mday),
                                     static_cast<std::uint16_t>(u.tm_hour),
                                     static_cast<std::uint16_t>(u.tm_min),
                                     static_cast<std::uint16_t>(u.tm_sec),
                                     250};
      platform::SystemTime local;
      ASSERT_TRUE(zone.utcToLocal(utc, local));
      const platform::SystemTime expected{
          static_cast<std::uint16_t>(l.tm_year + 1900), static_cast<std::uint16_t>(l.tm_mon + 1),
          static_cast<std::uint16_t>(l.tm_wday),        static_cast<std::uint16_t>(l.tm_mday),
          static_cast<std::uint16_t>(l.tm_hour),        static_cast<std::uint16_t>(l.tm_min),
          static_cast<std::uint16_t>(l.tm_sec),         250};
      ASSERT_EQ(local, expected) << "at " << t;
    }
  }
}

TEST(WindowsRuleTimeZone, ConvertsAsTheCLibraryDoesForTheSameRule) {
  // POSIX TZ rules state the same thing as Windows' own: the start of
  // daylight saving in standard time, its end in daylight time.
  const auto date = [](std::uint16_t month, std::uint16_t week, std::uint16_t hour) {
    return platform::SystemTime{0, month, 0, week, hour, 0, 0, 0};
  };
  const struct {
    const char* posix;
    platform::TimeZoneRules rules;
  } zones[] = {
      {"PST8PDT,M3.2.0,M11.1.0", {480, 0, -60, date(11, 1, 2), date(3, 2, 2)}},
      {"CET-1CEST,M3.5.0,M10.5.0/3", {-60, 0, -60, date(10, 5, 3), date(3, 5, 2)}},
      {"AEST-10AEDT,M10.1.0,M4.1.0/3", {-600, 0, -60, date(4, 1, 3), date(10, 1, 2)}},
      {"IST-5:30", {-330, 0, 0, {}, {}}},
  };
  for (const auto& z : zones) {
    SCOPED_TRACE(z.posix);
    platform::WindowsRuleTimeZone zone(z.rules);
    testing::TimeZoneGuard guard(z.posix);
    for (std::time_t t = 1704067200; t < 1704067200 + 2 * 366 * 86400; t += 1800) {
      std::tm u{}, l{};
      gmtime_r(&t, &u);
      localtime_r(&t, &l);
      const platform::SystemTime utc{static_cast<std::uint16_t>(u.tm_year + 1900),
                                     static_cast<std::uint16_t>(u.tm_mon + 1),
                                     0,
                                     static_cast<std::uint16_t>(u.tm_mday),
                                     static_cast<std::uint16_t>(u.tm_hour),
                                     static_cast<std::uint16_t>(u.tm_min),
                                     static_cast<std::uint16_t>(u.tm_sec),
                                     0};
      platform::SystemTime local;
      ASSERT_TRUE(zone.utcToLocal(utc, local));
      ASSERT_EQ(local,
                (platform::SystemTime{
                    static_cast<std::uint16_t>(l.tm_year + 1900),
                    static_cast<std::uint16_t>(l.tm_mon + 1), static_cast<std::uint16_t>(l.tm_wday),
                    static_cast<std::uint16_t>(l.tm_mday), static_cast<std::uint16_t>(l.tm_hour),
                    static_cast<std::uint16_t>(l.tm_min), static_cast<std::uint16_t>(l.tm_sec), 0}))
          << "at " << t;
    }
  }
}

TEST(WindowsRuleTimeZone, RulesAreReadFromTheRegistryFormAndBadOnesRefused) {
  std::vector<std::byte> tzi(44);
  tzi[0] = std::byte{0xE0};  // bias 480
  tzi[1] = std::byte{0x01};
  EXPECT_FALSE(platform::TimeZoneRules::fromTzi(std::span(tzi).first(43)));
  const auto rules = platform::TimeZoneRules::fromTzi(tzi);
  ASSERT_TRUE(rules);
  EXPECT_EQ(rules->bias, 480);
  platform::WindowsRuleTimeZone zone(*rules);
  EXPECT_EQ(zone.describe(), "UTC-08:00");
  platform::SystemTime local;
  ASSERT_TRUE(zone.utcToLocal({2024, 1, 0, 1, 3, 0, 0, 0}, local));
  EXPECT_EQ(local, (platform::SystemTime{2023, 12, 0, 31, 19, 0, 0, 0}));
  EXPECT_FALSE(zone.utcToLocal({2024, 2, 0, 30, 0, 0, 0, 0}, local));
  platform::TimeZoneRules wild;
  wild.bias = 1 << 30;
  platform::WindowsRuleTimeZone broken(wild);
  EXPECT_FALSE(broken.utcToLocal({2024, 1, 0, 1, 3, 0, 0, 0}, local));
}

TEST(IanaTimeZone, UnknownZonesAndBadTimesAreRefused) {
  platform::IanaTimeZone unknown("Middle/Earth");
  EXPECT_FALSE(unknown.available());
  platform::SystemTime local;
  EXPECT_FALSE(unknown.utcToLocal({2024, 1, 0, 1, 0, 0, 0, 0}, local));
  platform::IanaTimeZone berlin("Europe/Berlin");
  EXPECT_FALSE(berlin.utcToLocal({2024, 13, 0, 1, 0, 0, 0, 0}, local));
  EXPECT_FALSE(berlin.utcToLocal({2024, 1, 0, 1, 24, 0, 0, 0}, local));
}

TEST(IanaTimeZone, WindowsNamesAndBiasesMapToIanaZones) {
  const struct {
    const char* windows;
    const char* iana;
  } names[] = {
      {"Pacific Standard Time", "America/Los_Angeles"},
      {"W. Europe Standard Time", "Europe/Berlin"},
      {"Tokyo Standard Time", "Asia/Tokyo"},
      {"UTC", "Etc/UTC"},
      {"India Standard Time", "Asia/Calcutta"},
      {"Nowhere Standard Time", ""},
      {"", ""},
  };
  for (const auto& n : names)
    EXPECT_EQ(platform::ianaZoneForWindowsZone(n.windows), n.iana) << n.windows;
}

TEST(WindowsInstallation, TheZoneComesFromItsKeyNameItsStandardNameOrItsBias) {
  REQUIRE_HIVEXREGEDIT();
  const struct {
    const char* name;
    const char* values;
    const char* zone;     // the IANA zone used, "" for none
    const char* warning;  // part of the warning, "" for none
  } cases[] = {
      {"key name", "\"TimeZoneKeyName\"=\"Pacific Standard Time\"\n\"StandardName\"=\"x\"\n",
       "America/Los_Angeles", ""},
      {"standard name", "\"StandardName\"=\"W. Europe Standard Time\"\n", "Europe/Berlin", ""},
      {"indirect name", "\"StandardName\"=\"@tzres.dll,-212\"\n\"Bias\"=dword:000001e0\n",
       "UTC-08:00", "follow the rules stored with it (UTC-08:00)"},
      {"unknown key name with its rules",
       "\"TimeZoneKeyName\"=\"Nowhere Standard Time\"\n"
       "\"TZI\"=hex:e0,01,00,00,00,00,00,00,c4,ff,ff,ff,00,00,0b,00,00,00,01,00,02,00,00,00,00,"
       "00,00,00,00,00,03,00,00,00,02,00,02,00,00,00,00,00,00,00\n",
       "UTC-08:00 with daylight saving", "\"Nowhere Standard Time\" has no IANA equivalent"},
      {"localised name with its rules",
       "\"StandardName\"=\"Mitteleuropaeische Zeit\"\n\"Bias\"=dword:ffffffc4\n"
       "\"StandardBias\"=dword:00000000\n\"DaylightBias\"=dword:ffffffc4\n"
       "\"StandardStart\"=hex:00,00,0a,00,00,00,05,00,03,00,00,00,00,00,00,00\n"
       "\"DaylightStart\"=hex:00,00,03,00,00,00,05,00,02,00,00,00,00,00,00,00\n",
       "UTC+01:00 with daylight saving", "\"Mitteleuropaeische Zeit\" has no IANA equivalent"},
      {"nothing", "\"DaylightBias\"=dword:ffffffc4\n", "", "is unknown; local times are this"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    testing::TempDir dir;
    const std::string reg =
        std::string(
            "[HKEY_LOCAL_MACHINE\\SYSTEM\\Select]\n\"Current\"=dword:00000001\n\n"
            "[HKEY_LOCAL_MACHINE\\SYSTEM\\ControlSet001\\Control\\TimeZoneInformation]\n") +
        c.values + "\n";
    ASSERT_TRUE(testing::writeWindows7Tree(dir.path(), reg));
    platform::WindowsInstallation installation(dir.path());
    EXPECT_EQ(installation.zoneName(), c.zone);
    EXPECT_EQ(installation.timeZone() != nullptr, *c.zone != 0);
    std::string warnings;
    for (const auto& w : installation.warnings())
      warnings += w + "\n";
    if (*c.warning == 0)
      EXPECT_EQ(warnings, "");
    else
      EXPECT_NE(warnings.find(c.warning), std::string::npos) << warnings;
  }
}

// The facts the header shows, taken by the same snapshot that names this
// machine, over the installation's services.
TSystemSnapshot snapshotOf(platform::WindowsInstallation& installation) {
  testing::FixedClock clock;
  platform::Services base;
  base.clock = &clock;
  return TakeSystemSnapshot(installation.services(base));
}

TEST(WindowsInstallation, AWindows7TreeGivesItsLogZoneAndFacts) {
  REQUIRE_HIVEXREGEDIT();
  testing::TempDir dir;
  ASSERT_TRUE(testing::writeWindows7Tree(dir.path()));
  // An XP log left behind by an upgrade does not win over the modern one.
  testing::writeBytes(dir.path() / "WINDOWS" / "system32" / "Config" / "SysEvent.Evt",
                      testing::usageEvt(testing::usageAcrossZones()));
  EXPECT_TRUE(platform::WindowsInstallation::recognise(dir.path()));
  platform::WindowsInstallation installation(dir.path());
  EXPECT_EQ(installation.systemLogFile(),
            dir.path() / "WINDOWS" / "system32" / "winevt" / "Logs" / "System.evtx");
  EXPECT_TRUE(installation.systemLogIsEvtx());
  EXPECT_TRUE(installation.warnings().empty());
  EXPECT_EQ(installation.timeZoneDescription(), "Pacific Standard Time (America/Los_Angeles)");

  const TSystemSnapshot s = snapshotOf(installation);
  EXPECT_EQ(s.OSName, "Windows 7");
  EXPECT_EQ(s.OSEdition, "Ultimate x64");
  EXPECT_EQ(s.OSKind, okWin7);
  EXPECT_EQ(s.ShortOSName, "Windows 7 Ultimate x64 SP 1.0");
  EXPECT_EQ(s.UserName, "Ada Lovelace");
  EXPECT_EQ(s.MachineName, "WIN7-BOX");
  EXPECT_DOUBLE_EQ(s.InstallDate, InstallDateFromSeconds(0x4e5d3a80));
  EXPECT_EQ(s.OSVersionInfo.buildNumber, 7601u);

  // Message files, with %SystemRoot% inside the installation.
  testing::writeBytes(dir.path() / "WINDOWS" / "system32" / "NETEVENT.DLL", {std::byte{0}});
  const auto files = installation.eventMessageFiles("System", "EventLog");
  ASSERT_EQ(files.size(), 2u);
  EXPECT_EQ(files[0], dir.path() / "WINDOWS" / "system32" / "NETEVENT.DLL");
  EXPECT_EQ(files[1], dir.path() / "WINDOWS" / "system32" / "kernel32.dll");  // not on disk
  EXPECT_EQ(installation.hostPath("C:\\Windows\\System32\\netevent.dll"), files[0]);
  EXPECT_EQ(installation.hostPath("netevent.dll"), files[0]);
  EXPECT_EQ(installation.hostPath("%windir%/SYSTEM32/NetEvent.dll"), files[0]);
  // Paths from the disk stay inside the installation.
  EXPECT_EQ(installation.hostPath("D:\\Windows\\System32\\..\\netevent.dll"),
            dir.path() / "WINDOWS" / "netevent.dll");
  EXPECT_EQ(installation.hostPath("%SystemRoot%\\..\\..\\..\\etc\\passwd"),
            dir.path() / "etc" / "passwd");
}

TEST(WindowsInstallation, AnXpTreeGivesItsClassicLogZoneAndFacts) {
  REQUIRE_HIVEXREGEDIT();
  testing::TempDir dir;
  ASSERT_TRUE(testing::writeWindowsXpTree(dir.path()));
  platform::WindowsInstallation installation(dir.path());
  EXPECT_EQ(installation.systemLogFile(),
            dir.path() / "windows" / "SYSTEM32" / "CONFIG" / "SysEvent.Evt");
  EXPECT_FALSE(installation.systemLogIsEvtx());
  EXPECT_EQ(installation.timeZoneDescription(), "W. Europe Standard Time (Europe/Berlin)");
  const TSystemSnapshot s = snapshotOf(installation);
  EXPECT_EQ(s.OSName, "Windows XP");
  EXPECT_EQ(s.OSEdition, "Home");
  EXPECT_EQ(s.ShortOSName, "Windows XP Home SP 3.0");
  EXPECT_EQ(s.UserName, "Charles Babbage");
  EXPECT_EQ(s.MachineName, "XP-DEN");
}

TEST(WindowsInstallation, MissingAndDamagedPartsAreWarningsNotFailures) {
  REQUIRE_HIVEXREGEDIT();
  testing::TempDir dir;
  ASSERT_TRUE(testing::writeWindows7Tree(dir.path()));
  const fs::path config = dir.path() / "WINDOWS" / "system32" / "Config";
  std::ofstream(config / "SOFTWARE", std::ios::binary | std::ios::trunc) << "not a hive";
  fs::remove(dir.path() / "WINDOWS" / "system32" / "winevt" / "Logs" / "System.evtx");
  platform::WindowsInstallation installation(dir.path());
  EXPECT_TRUE(installation.systemLogFile().empty());
  ASSERT_EQ(installation.warnings().size(), 1u);
  EXPECT_NE(installation.warnings()[0].find((config / "SOFTWARE").string() +
                                            ": cannot be read as the SOFTWARE hive"),
            std::string::npos)
      << installation.warnings()[0];
  // SYSTEM still serves: the zone and the machine name.
  EXPECT_EQ(installation.zoneName(), "America/Los_Angeles");
  const TSystemSnapshot s = snapshotOf(installation);
  EXPECT_EQ(s.MachineName, "WIN7-BOX");
  EXPECT_EQ(s.OSName, "");
  EXPECT_EQ(s.UserName, "");

  testing::TempDir other;
  fs::create_directories(other.path() / "Windows");
  EXPECT_FALSE(platform::WindowsInstallation::recognise(other.path()));
}

TEST(WindowsInstallation, EditionIdsGiveTheProductTypesWindowsReports) {
  const struct {
    const char* edition;
    std::optional<std::uint32_t> type;
  } cases[] = {{"Ultimate", 1},       {"HomePremium", 3}, {"professional", 48},
               {"ServerStandard", 7}, {"UltimateE", 71},  {"Core", std::nullopt},
               {"", std::nullopt}};
  for (const auto& c : cases) {
    EXPECT_EQ(platform::InstallationSystemFacts::productTypeOfEdition(c.edition), c.type)
        << c.edition;
  }
}

}  // namespace
}  // namespace tallyvane
