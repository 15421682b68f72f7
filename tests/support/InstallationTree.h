#pragma once
// Windows installations laid out in a test folder: the hives (built with
// hivexregedit), the System log, and folder names in the mixed case NTFS
// mounts show. One of Windows 7 (System.evtx) and one of Windows XP
// (SysEvent.Evt).
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "evtx/EvtxFileBuilder.h"
#include "platform/EvtFileWriter.h"
#include "support/HiveBuilder.h"
#include "support/SampleRecords.h"

namespace tallyvane::testing {

// Starts and clean shutdowns (seconds since 1970, UTC) around midnight in
// Pacific time and across the start of daylight saving there (10 March 2024,
// 10:00 UTC), so that the day a record falls on depends on the zone.
struct UsageEvent {
  std::uint32_t time;
  bool start;
};
inline std::vector<UsageEvent> usageAcrossZones() {
  return {
      {1709969400, true},   // 2024-03-09 07:30Z: 8 March 23:30 in Pacific time
      {1709974800, false},  // 2024-03-09 09:00Z
      {1710082800, true},   // 2024-03-10 15:00Z
      {1710138600, false},  // 2024-03-11 06:30Z: 10 March 23:30 PDT
      {1710172800, true},   // 2024-03-11 16:00Z
      {1710180000, false},  // 2024-03-11 18:00Z
      {1710259200, true},   // 2024-03-12 16:00Z
  };
}

inline std::string isoTime(std::uint32_t seconds) {
  const std::time_t t = seconds;
  std::tm tm{};
  gmtime_r(&t, &tm);
  char text[40];
  std::strftime(text, sizeof text, "%Y-%m-%dT%H:%M:%S.0000000Z", &tm);
  return text;
}

inline std::vector<std::byte> usageEvtx(const std::vector<UsageEvent>& events) {
  EvtxFileBuilder builder;
  std::uint64_t id = 1;
  for (const UsageEvent& e : events) {
    EvtxEventSpec spec;
    spec.recordId = id;
    spec.writtenTime = (static_cast<std::uint64_t>(e.time) + 11644473600ULL) * 10000000ULL;
    spec.event = evtxSystemEvent("EventLog", e.start ? 6009 : 6006, 32768, 4, isoTime(e.time), id);
    builder.add(spec);
    ++id;
  }
  return builder.build();
}

inline std::vector<std::byte> usageEvt(const std::vector<UsageEvent>& events) {
  std::vector<platform::EventLogRecordFields> records;
  for (const UsageEvent& e : events)
    records.push_back(sampleRecord("EventLog", e.start ? 0x80001779 : 0x80001776, e.time));
  return platform::writeEvtFile(records);
}

inline void writeBytes(const std::filesystem::path& path, const std::vector<std::byte>& bytes) {
  std::filesystem::create_directories(path.parent_path());
  std::ofstream(path, std::ios::binary)
      .write(reinterpret_cast<const char*>(bytes.data()),
             static_cast<std::streamsize>(bytes.size()));
}

// SYSTEM of a Windows 7 machine in Pacific time. ControlSet002, which Select
// does not name current, holds other values that must not be read.
inline std::string windows7SystemReg() {
  return R"([HKEY_LOCAL_MACHINE\SYSTEM\Select]
"Current"=dword:00000001
"LastKnownGood"=dword:00000002

[HKEY_LOCAL_MACHINE\SYSTEM\ControlSet001\Control\TimeZoneInformation]
"TimeZoneKeyName"="Pacific Standard Time"
"StandardName"="@tzres.dll,-212"
"Bias"=dword:000001e0

[HKEY_LOCAL_MACHINE\SYSTEM\ControlSet001\Control\ComputerName\ComputerName]
"ComputerName"="Win7-Box"

[HKEY_LOCAL_MACHINE\SYSTEM\ControlSet001\Control\ProductOptions]
"ProductType"="WinNT"

[HKEY_LOCAL_MACHINE\SYSTEM\ControlSet001\Control\Windows]
"CSDVersion"=dword:00000100

[HKEY_LOCAL_MACHINE\SYSTEM\ControlSet001\Control\Session Manager\Environment]
"PROCESSOR_ARCHITECTURE"="AMD64"

[HKEY_LOCAL_MACHINE\SYSTEM\ControlSet001\Services\EventLog\System\EventLog]
"EventMessageFile"=str(2):"%SystemRoot%\\System32\\netevent.dll;%SystemRoot%\\system32\\kernel32.dll"

[HKEY_LOCAL_MACHINE\SYSTEM\ControlSet002\Control\TimeZoneInformation]
"TimeZoneKeyName"="Tokyo Standard Time"

[HKEY_LOCAL_MACHINE\SYSTEM\ControlSet002\Control\ComputerName\ComputerName]
"ComputerName"="STALE-NAME"

)";
}

inline std::string windows7SoftwareReg() {
  return R"([HKEY_LOCAL_MACHINE\SOFTWARE\Microsoft\Windows NT\CurrentVersion]
"ProductName"="Windows 7 Ultimate"
"CurrentVersion"="6.1"
"CurrentBuild"="7601"
"CurrentBuildNumber"="7601"
"EditionID"="Ultimate"
"CSDVersion"="Service Pack 1"
"InstallDate"=dword:4e5d3a80
"RegisteredOwner"="Ada Lovelace"

)";
}

// SYSTEM of a Windows XP Home machine: no TimeZoneKeyName, the zone known by
// its standard name.
inline std::string windowsXpSystemReg() {
  return R"([HKEY_LOCAL_MACHINE\SYSTEM\Select]
"Current"=dword:00000001

[HKEY_LOCAL_MACHINE\SYSTEM\ControlSet001\Control\TimeZoneInformation]
"StandardName"="W. Europe Standard Time"
"Bias"=dword:ffffffc4

[HKEY_LOCAL_MACHINE\SYSTEM\ControlSet001\Control\ComputerName\ComputerName]
"ComputerName"="xp-den"

[HKEY_LOCAL_MACHINE\SYSTEM\ControlSet001\Control\ProductOptions]
"ProductType"="WinNT"
"ProductSuite"=str(7):"Personal"

[HKEY_LOCAL_MACHINE\SYSTEM\ControlSet001\Control\Session Manager\Environment]
"PROCESSOR_ARCHITECTURE"="x86"

)";
}

inline std::string windowsXpSoftwareReg() {
  return R"([HKEY_LOCAL_MACHINE\SOFTWARE\Microsoft\Windows NT\CurrentVersion]
"ProductName"="Microsoft Windows XP"
"CurrentVersion"="5.1"
"CurrentBuildNumber"="2600"
"CSDVersion"="Service Pack 3"
"InstallDate"=dword:3d6dd580
"RegisteredOwner"="Charles Babbage"

)";
}

// A Windows 7 installation at `root`: "WINDOWS\system32\Config" hives and
// "WINDOWS\system32\winevt\Logs\System.evtx".
inline bool writeWindows7Tree(const std::filesystem::path& root,
                              const std::string& systemReg = windows7SystemReg(),
                              const std::string& softwareReg = windows7SoftwareReg()) {
  const auto system32 = root / "WINDOWS" / "system32";
  writeBytes(system32 / "winevt" / "Logs" / "System.evtx", usageEvtx(usageAcrossZones()));
  return writeHive(system32 / "Config" / "SYSTEM", "HKEY_LOCAL_MACHINE\\SYSTEM", systemReg) &&
         writeHive(system32 / "Config" / "SOFTWARE", "HKEY_LOCAL_MACHINE\\SOFTWARE", softwareReg);
}

// A Windows XP installation at `root`: "windows\SYSTEM32\CONFIG" with the
// hives and SysEvent.Evt.
inline bool writeWindowsXpTree(const std::filesystem::path& root) {
  const auto config = root / "windows" / "SYSTEM32" / "CONFIG";
  writeBytes(config / "SysEvent.Evt", usageEvt(usageAcrossZones()));
  return writeHive(config / "system", "HKEY_LOCAL_MACHINE\\SYSTEM", windowsXpSystemReg()) &&
         writeHive(config / "software", "HKEY_LOCAL_MACHINE\\SOFTWARE", windowsXpSoftwareReg());
}

}  // namespace tallyvane::testing
