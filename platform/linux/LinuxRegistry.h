#pragma once
// The registry view of a Linux machine: a read-only MemoryRegistry built once
// from facts of this machine, holding only the keys the program reads. A key or
// value whose fact is unknown is absent; nothing is invented.
//
// Keys and values (all below HKEY_LOCAL_MACHINE):
//   SYSTEM\CurrentControlSet\Services\EventLog\Application
//   SYSTEM\CurrentControlSet\Services\EventLog\Security
//   SYSTEM\CurrentControlSet\Services\EventLog\System
//       \EventLog, \Microsoft-Windows-Kernel-Power, \Microsoft-Windows-Kernel-General
//   SYSTEM\CurrentControlSet\Control\ComputerName\ComputerName   ComputerName (REG_SZ)
//   SOFTWARE\Microsoft\Windows NT\CurrentVersion                InstallDate (REG_DWORD)
//   SYSTEM\CurrentControlSet\Enum\IDE\<Disk...>\<instance>   (ATA disks)
//   SYSTEM\CurrentControlSet\Enum\SCSI\<Disk&Ven_...>\<instance>   (other disks)
#include <cstdint>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "platform/MemoryRegistry.h"
#include "platform/SystemLogEvents.h"

namespace tallyvane::platform {

// One block device with a vendor or a model, as sysfs reports it (trailing
// blanks removed).
struct LinuxDisk {
  std::string blockName;  // "sda"
  std::string vendor;     // "ATA", "QEMU", empty when sysfs has none
  std::string model;      // "VBOX HARDDISK"
  std::string revision;   // firmware revision, may be empty
  std::string address;    // SCSI address "2:0:0:0", may be empty
};

struct LinuxMachineFacts {
  std::string hostName;
  std::optional<std::uint32_t> installDate;  // Unix time of the installation
  std::vector<LinuxDisk> disks;
};

// The event logs the Linux event log service offers, in registry order (the
// System log's sources are kSystemStateSources).
inline constexpr const char* kLinuxEventLogs[] = {"Application", "Security", "System"};

// This machine's host name (the node name of uname), empty when unknown.
std::string linuxHostName();

// Reads the block devices below `sysBlock` (normally "/sys/block"); devices
// with neither vendor nor model (loop, zram, device mapper, virtio) are left out.
std::vector<LinuxDisk> readLinuxDisks(const std::string& sysBlock);

// The installation time of the system whose root is `root` ("/" for this
// machine): the earliest plausible of the installer's records, the birth times of
// the root file system, /etc and /etc/machine-id, and the first entry of the
// package manager's log; nothing when none gives a plausible time.
std::optional<std::uint32_t> readLinuxInstallDate(const std::string& root, std::int64_t now);

// The earliest plausible of the candidate times (Unix times): after 1991 and not
// after `now`.
std::optional<std::uint32_t> chooseInstallDate(std::span<const std::optional<std::int64_t>> clues,
                                               std::int64_t now);

// The facts of this machine.
LinuxMachineFacts readLinuxMachineFacts();

// The Windows device-enumeration key name of a disk below SYSTEM\CurrentControlSet\Enum:
// "IDE\DiskVBOX_HARDDISK___________________________1.0_____" for an ATA disk
// (vendor "ATA"), "SCSI\Disk&Ven_QEMU&Prod_QEMU_HARDDISK&Rev_2.5+" for others.
// Empty when the disk has no model.
std::string diskEnumKey(const LinuxDisk& disk);

// Builds the registry view from the facts.
std::unique_ptr<MemoryRegistry> buildLinuxRegistry(const LinuxMachineFacts& facts);

}  // namespace tallyvane::platform
