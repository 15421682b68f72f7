#include "platform/linux/LinuxRegistry.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <sys/utsname.h>

#include <algorithm>
#include <ctime>
#include <filesystem>
#include <fstream>
#include <span>
#include <string_view>

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
  std::optional<std::int64_t> earliest;
  for (const char* dir : {"var/log/installer", "var/log/anaconda"}) {
    const fs::path path = root / dir;
    std::error_code ec;
    if (!fs::is_directory(path, ec))
      continue;
    std::optional<std::int64_t> best = birthTime(path);
    if (!best || *best <= 0)
      best = modificationTime(path);
    if (best && *best > 0 && (!earliest || *best < *earliest))
      earliest = best;
  }
  return earliest;
}

// Reads `count` decimal digits at `at`; nothing when any is not a digit.
std::optional<int> digits(std::string_view text, std::size_t at, std::size_t count) {
  if (at + count > text.size())
    return std::nullopt;
  int value = 0;
  for (std::size_t i = at; i < at + count; ++i) {
    if (text[i] < '0' || text[i] > '9')
      return std::nullopt;
    value = value * 10 + (text[i] - '0');
  }
  return value;
}

// "YYYY-MM-DD?HH:MM[:SS]" at the start of `text` (the separator is a blank or
// 'T', any number of blanks), then an optional zone offset ("+0100", "+01:00",
// "Z"). Without an offset the time is the machine's local time, as package
// managers write it.
std::optional<std::int64_t> parseLogTime(std::string_view text) {
  const auto year = digits(text, 0, 4), month = digits(text, 5, 2), day = digits(text, 8, 2);
  if (!year || !month || !day || text[4] != '-' || text[7] != '-')
    return std::nullopt;
  std::size_t at = 10;
  if (at < text.size() && text[at] == 'T')
    ++at;
  while (at < text.size() && text[at] == ' ')
    ++at;
  const auto hour = digits(text, at, 2), minute = digits(text, at + 3, 2);
  if (!hour || !minute || text[at + 2] != ':')
    return std::nullopt;
  at += 5;
  int second = 0;
  if (at < text.size() && text[at] == ':') {
    const auto s = digits(text, at + 1, 2);
    if (!s)
      return std::nullopt;
    second = *s;
    at += 3;
  }
  if (*month < 1 || *month > 12 || *day < 1 || *day > 31 || *hour > 23 || *minute > 59 ||
      second > 60)
    return std::nullopt;
  std::tm tm{};
  tm.tm_year = *year - 1900;
  tm.tm_mon = *month - 1;
  tm.tm_mday = *day;
  tm.tm_hour = *hour;
  tm.tm_min = *minute;
  tm.tm_sec = second;
  if (at < text.size() && (text[at] == '+' || text[at] == '-' || text[at] == 'Z')) {
    int offset = 0;
    if (text[at] != 'Z') {
      const bool colon = at + 3 < text.size() && text[at + 3] == ':';
      const auto h = digits(text, at + 1, 2), m = digits(text, at + (colon ? 4 : 3), 2);
      if (!h || !m)
        return std::nullopt;
      offset = (*h * 60 + *m) * 60 * (text[at] == '-' ? -1 : 1);
    }
    return static_cast<std::int64_t>(timegm(&tm)) - offset;
  }
  tm.tm_isdst = -1;
  const std::time_t local = std::mktime(&tm);
  if (local == static_cast<std::time_t>(-1))
    return std::nullopt;
  return static_cast<std::int64_t>(local);
}

// The time of the first dated line among the first lines of `path`; the text
// before the date is `prefix` ("Start-Date: " in apt's history, "[" in
// pacman's log).
std::optional<std::int64_t> firstLogTime(const fs::path& path, std::string_view prefix) {
  std::ifstream in(path, std::ios::binary);
  std::string line;
  for (int lines = 0; lines < 200 && std::getline(in, line); ++lines) {
    std::string_view text = line;
    if (text.substr(0, prefix.size()) != prefix)
      continue;
    text.remove_prefix(prefix.size());
    while (!text.empty() && text.front() == ' ')
      text.remove_prefix(1);
    if (auto time = parseLogTime(text))
      return time;
  }
  return std::nullopt;
}

// The first entry of the package manager's logs, over every rotation kept
// uncompressed (dpkg.log.1, history.log.1, dnf.log-20240101): dpkg's and apt's
// logs on Debian and Ubuntu, pacman's on Arch, dnf's on Fedora, and the dates
// of yum's history databases (history-YYYY-MM-DD.sqlite) on older Red Hat
// systems.
std::optional<std::int64_t> packageLogTime(const fs::path& root) {
  struct Log {
    const char* dir;
    const char* name;
    const char* prefix;
  };
  static constexpr Log kLogs[] = {
      {"var/log", "dpkg.log", ""},    {"var/log/apt", "history.log", "Start-Date:"},
      {"var/log", "pacman.log", "["}, {"var/log", "dnf.rpm.log", ""},
      {"var/log", "dnf.log", ""},
  };
  std::optional<std::int64_t> earliest;
  const auto consider = [&](std::optional<std::int64_t> t) {
    if (t && *t >= kEarliestPlausibleInstall && (!earliest || *t < *earliest))
      earliest = t;
  };
  for (const Log& log : kLogs) {
    std::error_code ec;
    for (fs::directory_iterator it(root / log.dir, ec), end; !ec && it != end; it.increment(ec)) {
      const std::string name = it->path().filename().string();
      if (name.rfind(log.name, 0) != 0)
        continue;
      const std::string rest = name.substr(std::string_view(log.name).size());
      const bool rotation =
          rest.empty() || ((rest[0] == '.' || rest[0] == '-') &&
                           rest.find_first_not_of("0123456789", 1) == std::string::npos);
      if (rotation && rest != "." && rest != "-")
        consider(firstLogTime(it->path(), log.prefix));
    }
  }
  std::error_code ec;
  for (fs::directory_iterator it(root / "var/lib/yum/history", ec), end; !ec && it != end;
       it.increment(ec)) {
    const std::string name = it->path().filename().string();
    if (name.rfind("history-", 0) == 0)
      consider(parseLogTime(name.substr(8, 10) + " 00:00"));
  }
  return earliest;
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

std::optional<std::uint32_t> chooseInstallDate(std::span<const std::optional<std::int64_t>> clues,
                                               std::int64_t now) {
  // Every clue dates something made during or after the installation: the
  // installer's records, the root file system and /etc being created, the
  // machine's identity being written, the package manager's first entry. Clones
  // and upgrades only make them later, so the earliest plausible one (after
  // 1991, not in the future, and within the 32-bit range the value is kept in)
  // is the closest to the installation. File systems without birth times give
  // nothing or zero, which is not plausible.
  std::optional<std::uint32_t> earliest;
  for (const auto& t : clues) {
    if (t && *t >= kEarliestPlausibleInstall && *t <= now && *t <= 0xFFFFFFFFll &&
        (!earliest || *t < *earliest))
      earliest = static_cast<std::uint32_t>(*t);
  }
  return earliest;
}

std::optional<std::uint32_t> readLinuxInstallDate(const std::string& root, std::int64_t now) {
  const fs::path base(root);
  const std::optional<std::int64_t> clues[] = {
      installerRecordsTime(base),
      birthTime(base),
      packageLogTime(base),
      birthTime(base / "etc"),
      birthTime(base / "etc/machine-id"),
  };
  return chooseInstallDate(clues, now);
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
