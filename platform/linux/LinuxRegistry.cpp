#include "platform/linux/LinuxRegistry.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <sys/utsname.h>

#include <algorithm>
#include <ctime>
#include <filesystem>
#include <fstream>

namespace tallyvane::platform {

namespace {

namespace fs = std::filesystem;

constexpr const char* kEventLogKey = "SYSTEM\\CurrentControlSet\\Services\\EventLog";
constexpr const char* kComputerNameKey =
    "SYSTEM\\CurrentControlSet\\Control\\ComputerName\\ComputerName";
constexpr const char* kCurrentVersionKey = "SOFTWARE\\Microsoft\\Windows NT\\CurrentVersion";
constexpr const char* kEnumKey = "SYSTEM\\CurrentControlSet\\Enum";

// 1991-08-25, the first public word of Linux: no Linux root file system is older.
constexpr std::int64_t kEarliestPlausibleInstall = 683'078'400;

std::string trimmed(std::string text) {
  const auto notBlank = [](unsigned char c) { return c > ' '; };
  const auto end = std::find_if(text.rbegin(), text.rend(), notBlank).base();
  const auto begin = std::find_if(text.begin(), end, notBlank);
  return std::string(begin, end);
}

// The first line of a small sysfs attribute, trimmed; empty when it is missing.
std::string readAttribute(const fs::path& path) {
  std::ifstream in(path);
  std::string line;
  if (!in || !std::getline(in, line))
    return {};
  return trimmed(line);
}

// Windows names devices with blanks as underscores; characters a key name cannot
// hold (the separator, control characters, commas) become underscores too.
std::string enumName(std::string_view text) {
  std::string out;
  for (const char c : text) {
    const auto u = static_cast<unsigned char>(c);
    out += (u <= ' ' || u >= 0x7F || c == '\\' || c == ',') ? '_' : c;
  }
  return out;
}

std::string padded(std::string text, std::size_t width) {
  if (text.size() < width)
    text.append(width - text.size(), '_');
  return text;
}

// Birth time (statx) of `path`, when the file system records one.
std::optional<std::int64_t> birthTime(const fs::path& path) {
  struct statx sx {};
  if (statx(AT_FDCWD, path.c_str(), 0, STATX_BTIME, &sx) != 0)
    return std::nullopt;
  if ((sx.stx_mask & STATX_BTIME) == 0)
    return std::nullopt;
  return static_cast<std::int64_t>(sx.stx_btime.tv_sec);
}

std::optional<std::int64_t> modificationTime(const fs::path& path) {
  struct stat st {};
  if (::stat(path.c_str(), &st) != 0)
    return std::nullopt;
  return static_cast<std::int64_t>(st.st_mtim.tv_sec);
}

// The time the installer left its records: Debian and Ubuntu installers copy their
// logs to /var/log/installer at the end of the installation, Fedora's and RHEL's
// to /var/log/anaconda. The directory's birth time is that moment; where the file
// system keeps no birth time, its modification time (the installer's last write).
std::optional<std::int64_t> installerRecordsTime(const fs::path& root) {
  for (const char* dir : {"var/log/installer", "var/log/anaconda"}) {
    const fs::path path = root / dir;
    std::error_code ec;
    if (!fs::is_directory(path, ec))
      continue;
    std::optional<std::int64_t> best = birthTime(path);
    if (!best || *best <= 0)
      best = modificationTime(path);
    if (best && *best > 0)
      return best;
  }
  return std::nullopt;
}

}  // namespace

std::string linuxHostName() {
  struct utsname names {};
  if (uname(&names) != 0)
    return {};
  return names.nodename;
}

std::vector<LinuxDisk> readLinuxDisks(const std::string& sysBlock) {
  std::vector<LinuxDisk> disks;
  std::error_code ec;
  std::vector<fs::path> entries;
  for (fs::directory_iterator it(sysBlock, ec), end; !ec && it != end; it.increment(ec)) {
    entries.push_back(it->path());
  }
  std::sort(entries.begin(), entries.end());
  for (const fs::path& entry : entries) {
    const fs::path device = entry / "device";
    LinuxDisk disk;
    disk.blockName = entry.filename().string();
    disk.model = readAttribute(device / "model");
    // Without a model there is no name to give: virtio disks carry only a PCI
    // vendor number in "vendor", loop and zram devices nothing at all.
    if (disk.model.empty())
      continue;
    disk.vendor = readAttribute(device / "vendor");
    disk.revision = readAttribute(device / "rev");
    if (disk.revision.empty())
      disk.revision = readAttribute(device / "firmware_rev");
    // The SCSI address ("host:channel:target:lun") names the device's own sysfs
    // directory; other buses (NVMe) have none.
    const fs::path target = fs::read_symlink(device, ec);
    if (!ec) {
      const std::string name = target.filename().string();
      if (std::count(name.begin(), name.end(), ':') == 3)
        disk.address = name;
    }
    ec.clear();
    disks.push_back(std::move(disk));
  }
  return disks;
}

std::optional<std::uint32_t> chooseInstallDate(std::optional<std::int64_t> installerRecords,
                                               std::optional<std::int64_t> rootBirth,
                                               std::int64_t now) {
  const auto plausible = [now](std::optional<std::int64_t> t) {
    return t && *t >= kEarliestPlausibleInstall && *t <= now && *t <= 0xFFFFFFFFll;
  };
  // The installer's records say outright when the installation ran. The root file
  // system's birth is the moment it was made, which for an installed system is the
  // installation, but a cloned image or a file system without birth times gives
  // the image's date or zero: it counts only when nothing better exists and it is
  // plausible. The package database is not used: its files are rewritten by every
  // upgrade (base-files.list dates the last upgrade of base-files, not the install).
  if (plausible(installerRecords))
    return static_cast<std::uint32_t>(*installerRecords);
  if (plausible(rootBirth))
    return static_cast<std::uint32_t>(*rootBirth);
  return std::nullopt;
}

std::optional<std::uint32_t> readLinuxInstallDate(const std::string& root, std::int64_t now) {
  return chooseInstallDate(installerRecordsTime(root), birthTime(root), now);
}

LinuxMachineFacts readLinuxMachineFacts() {
  LinuxMachineFacts facts;
  facts.hostName = linuxHostName();
  facts.installDate = readLinuxInstallDate("/", static_cast<std::int64_t>(std::time(nullptr)));
  facts.disks = readLinuxDisks("/sys/block");
  return facts;
}

std::string diskEnumKey(const LinuxDisk& disk) {
  if (disk.model.empty())
    return {};
  // libata presents every ATA disk to the SCSI layer with the vendor "ATA"; Windows
  // lists such disks under Enum\IDE as "Disk" + the model padded to 40 characters +
  // the firmware revision padded to 8, blanks and padding as underscores.
  if (disk.vendor == "ATA") {
    return "IDE\\Disk" + padded(enumName(disk.model), 40) + padded(enumName(disk.revision), 8);
  }
  std::string vendor = disk.vendor;
  // NVMe disks have no vendor attribute; Windows names their vendor "NVMe".
  if (vendor.empty() && disk.blockName.starts_with("nvme"))
    vendor = "NVMe";
  std::string name = "SCSI\\Disk&Ven_" + enumName(vendor) + "&Prod_" + enumName(disk.model);
  if (!disk.revision.empty())
    name += "&Rev_" + enumName(disk.revision);
  return name;
}

std::unique_ptr<MemoryRegistry> buildLinuxRegistry(const LinuxMachineFacts& facts) {
  auto registry = std::make_unique<MemoryRegistry>();
  const std::string eventLog = kEventLogKey;
  for (const char* log : kLinuxEventLogs)
    registry->addKey(eventLog + "\\" + log);
  for (const char* source : kSystemStateSources) {
    registry->addKey(eventLog + "\\System\\" + source);
  }
  if (!facts.hostName.empty()) {
    registry->setString(kComputerNameKey, "ComputerName", facts.hostName);
  }
  if (facts.installDate)
    registry->setDword(kCurrentVersionKey, "InstallDate", *facts.installDate);
  for (const LinuxDisk& disk : facts.disks) {
    const std::string key = diskEnumKey(disk);
    if (key.empty())
      continue;
    // One instance subkey per disk, named after its address on the bus.
    std::string instance = disk.address.empty() ? disk.blockName : disk.address;
    std::replace(instance.begin(), instance.end(), ':', '.');
    registry->addKey(std::string(kEnumKey) + "\\" + key + "\\" + enumName(instance));
  }
  return registry;
}

}  // namespace tallyvane::platform
