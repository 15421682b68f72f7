#include "platform/linux/LinuxRegistry.h"

#include <gtest/gtest.h>

#include <ctime>
#include <filesystem>
#include <string_view>

#include "eventlog/Orvex_EventLogNT.h"
#include "platform/Unicode.h"
#include "support/TempDir.h"
#include "support/TimeZoneGuard.h"

namespace tallyvane::platform {
namespace {

std::vector<std::string> subkeys(Registry& registry, const std::string& path) {
  std::vector<std::string> names;
  RegKey key = kNoKey;
  if (registry.openKey(kHKeyLocalMachine, path, kKeyRead, key) != kErrorSuccess)
    return names;
  std::string name;
  for (std::uint32_t i = 0; registry.enumKey(key, i, 256, name) == kErrorSuccess; ++i) {
    names.push_back(name);
  }
  registry.closeKey(key);
  return names;
}

// The virtual-disk check of the session facts: a subkey of Enum\IDE or Enum\SCSI
// whose name holds the marker and which has a device subkey.
bool hasVirtualDisk(Registry& registry, const std::string& marker) {
  for (const char* bus : {"IDE", "SCSI"}) {
    const std::string path = std::string("SYSTEM\\CurrentControlSet\\Enum\\") + bus;
    for (const std::string& name : subkeys(registry, path)) {
      if (asciiUpper(name).find(marker) == std::string::npos)
        continue;
      if (!subkeys(registry, path + "\\" + name).empty())
        return true;
    }
  }
  return false;
}

TEST(LinuxRegistry, DiskKeysAreNamedTheWindowsWay) {
  struct Case {
    LinuxDisk disk;
    std::string key;
  };
  const Case cases[] = {
      {{"sda", "ATA", "VBOX HARDDISK", "1.0", "0:0:0:0"},
       "IDE\\DiskVBOX_HARDDISK___________________________1.0_____"},
      {{"sda", "ATA", "QEMU HARDDISK", "2.5+", "0:0:0:0"},
       "IDE\\DiskQEMU_HARDDISK___________________________2.5+____"},
      {{"sdb", "QEMU", "QEMU HARDDISK", "2.5+", "2:0:0:0"},
       "SCSI\\Disk&Ven_QEMU&Prod_QEMU_HARDDISK&Rev_2.5+"},
      {{"sdc", "VMware", "Virtual disk", "2.0", ""},
       "SCSI\\Disk&Ven_VMware&Prod_Virtual_disk&Rev_2.0"},
      {{"nvme0n1", "", "Samsung SSD 970 EVO", "2B2QEXE7", ""},
       "SCSI\\Disk&Ven_NVMe&Prod_Samsung_SSD_970_EVO&Rev_2B2QEXE7"},
      {{"sdd", "ODD\\NAME", "A,B", "", ""}, "SCSI\\Disk&Ven_ODD_NAME&Prod_A_B"},
      {{"vda", "0x1af4", "", "", ""}, ""},
  };
  for (const Case& c : cases)
    EXPECT_EQ(diskEnumKey(c.disk), c.key) << c.disk.model;
}

TEST(LinuxRegistry, ReadsDisksFromSysfsAndFeedsTheVirtualDiskCheck) {
  testing::TempDir dir;
  const auto block = dir.path() / "block";
  // A VirtualBox SATA disk as libata shows it: padded vendor, model and revision.
  dir.write("devices/0:0:0:0/vendor", "ATA     \n");
  dir.write("devices/0:0:0:0/model", "VBOX HARDDISK   \n");
  dir.write("devices/0:0:0:0/rev", "1.0 \n");
  std::filesystem::create_directories(block / "sda");
  std::filesystem::create_symlink(dir.path() / "devices/0:0:0:0", block / "sda/device");
  // A virtio disk has a PCI vendor number and no model; a loop device nothing.
  dir.write("block/vda/device/vendor", "0x1af4\n");
  std::filesystem::create_directories(block / "loop0");

  const auto disks = readLinuxDisks(block.string());
  ASSERT_EQ(disks.size(), 1u);
  EXPECT_EQ(disks[0].blockName, "sda");
  EXPECT_EQ(disks[0].vendor, "ATA");
  EXPECT_EQ(disks[0].model, "VBOX HARDDISK");
  EXPECT_EQ(disks[0].revision, "1.0");
  EXPECT_EQ(disks[0].address, "0:0:0:0");

  LinuxMachineFacts facts;
  facts.disks = disks;
  const auto registry = buildLinuxRegistry(facts);
  EXPECT_TRUE(hasVirtualDisk(*registry, "VBOX_HARD"));
  EXPECT_FALSE(hasVirtualDisk(*registry, "QEMU_HARD"));
  const std::string key =
      "SYSTEM\\CurrentControlSet\\Enum\\IDE\\DiskVBOX_HARDDISK___________________________1.0_____";
  EXPECT_EQ(subkeys(*registry, key), std::vector<std::string>{"0.0.0.0"});
  EXPECT_TRUE(subkeys(*registry, "SYSTEM\\CurrentControlSet\\Enum\\SCSI").empty());
}

TEST(LinuxRegistry, HoldsTheEventLogsTheComputerNameAndTheInstallDate) {
  LinuxMachineFacts facts;
  facts.hostName = "build-host";
  facts.installDate = 1'300'000'000;
  const auto registry = buildLinuxRegistry(facts);

  Services services = systemServices();
  services.registry = registry.get();
  TEventLog log(false, services);
  ASSERT_EQ(log.ContainerCount(), 3u);
  EXPECT_EQ(log.Containers()[0].Name, "Application");
  EXPECT_EQ(log.Containers()[1].Name, "Security");
  EXPECT_EQ(log.Containers()[2].Name, "System");
  EXPECT_EQ(subkeys(*registry, "SYSTEM\\CurrentControlSet\\Services\\EventLog\\System"),
            (std::vector<std::string>{"EventLog", "Microsoft-Windows-Kernel-Power",
                                      "Microsoft-Windows-Kernel-General"}));

  RegKey key = kNoKey;
  ASSERT_EQ(registry->openKey(kHKeyLocalMachine,
                              "SYSTEM\\CurrentControlSet\\Control\\ComputerName\\ComputerName",
                              kKeyRead, key),
            kErrorSuccess);
  EXPECT_EQ(readStringValue(*registry, key, "ComputerName"), "build-host");
  registry->closeKey(key);
  ASSERT_EQ(registry->openKey(kHKeyLocalMachine, "SOFTWARE\\Microsoft\\Windows NT\\CurrentVersion",
                              kKeyRead, key),
            kErrorSuccess);
  EXPECT_EQ(readDwordValue(*registry, key, "InstallDate"), 1'300'000'000u);
  registry->closeKey(key);
}

TEST(LinuxRegistry, LeavesOutWhatIsUnknown) {
  const auto registry = buildLinuxRegistry(LinuxMachineFacts{});
  RegKey key = kNoKey;
  EXPECT_EQ(registry->openKey(kHKeyLocalMachine, "SOFTWARE\\Microsoft\\Windows NT\\CurrentVersion",
                              kKeyRead, key),
            kErrorFileNotFound);
  EXPECT_EQ(registry->openKey(kHKeyLocalMachine,
                              "SYSTEM\\CurrentControlSet\\Control\\ComputerName\\ComputerName",
                              kKeyRead, key),
            kErrorFileNotFound);
  EXPECT_TRUE(subkeys(*registry, "SYSTEM\\CurrentControlSet\\Enum").empty());
}

TEST(LinuxRegistry, InstallDateIsTheEarliestPlausibleClue) {
  const std::int64_t now = 1'800'000'000;
  using Clues = std::vector<std::optional<std::int64_t>>;
  struct Case {
    const char* name;
    Clues clues;
    std::optional<std::uint32_t> expected;
  };
  const Case cases[] = {
      {"earliest wins", {1'600'000'000, 1'500'000'000, 1'550'000'000}, 1'500'000'000u},
      {"file systems without birth times", {std::nullopt, 0, std::nullopt}, std::nullopt},
      {"future and pre-Linux times are left out",
       {1'900'000'000, 100'000, 1'700'000'000},
       1'700'000'000u},
      {"nothing known", {std::nullopt, std::nullopt}, std::nullopt},
      {"none", {}, std::nullopt},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    EXPECT_EQ(chooseInstallDate(c.clues, now), c.expected);
  }
}

TEST(LinuxRegistry, InstallDateComesFromThePackageManagersFirstEntry) {
  testing::TimeZoneGuard zone("UTC");
  // 2021-03-04 05:06:07 UTC; the fake root's own birth times are today.
  const std::int64_t expected = 1'614'834'367;
  struct Case {
    const char* name;
    std::vector<std::pair<std::string, std::string>> files;
  };
  const Case cases[] = {
      {"dpkg, the earliest in a kept rotation",
       {{"var/log/dpkg.log", "2022-01-01 10:00:00 startup archives unpack\n"},
        {"var/log/dpkg.log.1",
         "2021-03-04 05:06:07 startup archives unpack\n2021-03-05 00:00:00 install x\n"},
        {"var/log/dpkg.log.2.gz", "not read"}}},
      {"apt history",
       {{"var/log/apt/history.log",
         "\nStart-Date: 2021-03-04  05:06:07\nCommandline: apt-get install x\n"}}},
      {"pacman, with a zone offset",
       {{"var/log/pacman.log", "[2021-03-04T06:06:07+0100] [PACMAN] Running 'pacman -S'\n"}}},
      {"dnf, after a line without a date",
       {{"var/log/dnf.rpm.log", "--- log opened ---\n2021-03-04T05:06:07Z SUBDEBUG Installed\n"}}},
      {"yum history databases",
       {{"var/lib/yum/history/history-2021-03-04.sqlite", ""},
        {"var/lib/yum/history/history-2022-06-01.sqlite", ""}}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    testing::TempDir dir;
    for (const auto& [path, text] : c.files)
      dir.write(path, text);
    const auto date = readLinuxInstallDate(dir.path().string(), std::time(nullptr) + 5);
    ASSERT_TRUE(date.has_value());
    if (std::string_view(c.name).starts_with("yum"))
      EXPECT_EQ(*date, static_cast<std::uint32_t>(expected - (5 * 3600 + 6 * 60 + 7)));
    else
      EXPECT_EQ(*date, static_cast<std::uint32_t>(expected));
  }
}

TEST(LinuxRegistry, InstallDateComesFromTheInstallerLogDirectory) {
  testing::TempDir dir;
  const auto before = static_cast<std::int64_t>(std::time(nullptr));
  dir.write("var/log/installer/syslog", "installed\n");
  const auto after = static_cast<std::int64_t>(std::time(nullptr));
  const auto date = readLinuxInstallDate(dir.path().string(), after + 1);
  ASSERT_TRUE(date.has_value());
  EXPECT_GE(static_cast<std::int64_t>(*date), before - 1);
  EXPECT_LE(static_cast<std::int64_t>(*date), after + 1);
}

}  // namespace
}  // namespace tallyvane::platform
