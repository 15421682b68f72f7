// The Win32 services against what the system says through other routes: the
// environment, the raw API, and our own portable readers. Run under Wine in
// the test command and on Windows itself.
#include <gtest/gtest.h>

#include <windows.h>

#include <cstdlib>
#include <cstring>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "platform/EventLogRecord.h"
#include "platform/Unicode.h"
#include "platform/VersionResource.h"
#include "platform/win32/Win32Services.h"

namespace tallyvane::platform {
namespace {

std::string environment(const char* name) {
  const char* value = std::getenv(name);
  return value != nullptr ? value : "";
}

std::string thisProgram() {
  wchar_t path[MAX_PATH] = {};
  const DWORD n = GetModuleFileNameW(nullptr, path, MAX_PATH);
  return fromWide(std::wstring_view(path, n));
}

std::string baseName(const std::string& path) {
  const auto slash = path.find_last_of("\\/");
  return slash == std::string::npos ? path : path.substr(slash + 1);
}

TEST(Win32Text, WideTextRoundTripsOutsideTheBasicPlane) {
  const std::string text = "Příliš žluťoučký kůň \xF0\x9F\x90\x8E";
  const std::wstring wide = toWide(text);
  EXPECT_EQ(wide.size(), 23u);  // the horse is a surrogate pair
  EXPECT_EQ(fromWide(wide), text);
}

TEST(Win32SystemFacts, VersionIsTheRunningWindows) {
  Win32SystemFacts facts;
  OsVersionRecord extended;
  extended.osVersionInfoSize = OsVersionRecord::kExtendedSize;
  ASSERT_TRUE(facts.getVersionEx(extended));
  EXPECT_EQ(extended.platformId, kVerPlatformWin32Nt);
  EXPECT_GE(extended.majorVersion, 5u);
  EXPECT_NE(extended.productType, 0);  // workstation, domain controller or server

  OsVersionRecord basic;
  basic.osVersionInfoSize = OsVersionRecord::kBasicSize;
  ASSERT_TRUE(facts.getVersionEx(basic));
  EXPECT_EQ(basic.majorVersion, extended.majorVersion);
  EXPECT_EQ(basic.buildNumber, extended.buildNumber);
  EXPECT_EQ(basic.productType, 0);  // the basic record has no such field

  OsVersionRecord wrongSize;
  wrongSize.osVersionInfoSize = 100;
  EXPECT_FALSE(facts.getVersionEx(wrongSize));
}

TEST(Win32SystemFacts, NamesAndArchitecture) {
  Win32SystemFacts facts;
  std::string user;
  ASSERT_TRUE(facts.getUserName(257, user));
  EXPECT_FALSE(user.empty());
  if (!environment("USERNAME").empty()) {
    EXPECT_TRUE(equalsIgnoreAsciiCase(user, environment("USERNAME"))) << user;
  }
  // A buffer too small for the name and its terminator fails.
  EXPECT_FALSE(facts.getUserName(static_cast<std::uint32_t>(toWide(user).size()), user));

  std::string computer;
  ASSERT_TRUE(facts.getComputerName(MAX_COMPUTERNAME_LENGTH + 1, computer));
  EXPECT_EQ(computer, environment("COMPUTERNAME"));

  EXPECT_EQ(facts.processorArchitecture(true), kProcessorArchitectureAmd64);
  bool wow64 = true;
  ASSERT_TRUE(facts.isWow64Process(wow64));
  EXPECT_FALSE(wow64);  // a 64-bit program
  EXPECT_FALSE(facts.hostSystem(*std::make_unique<HostSystemDescription>()));
}

TEST(Win32SystemFacts, ModuleFileNameIsThisProgramAndCutsToTheBuffer) {
  Win32SystemFacts facts;
  const std::string full = facts.moduleFileName(MAX_PATH);
  EXPECT_EQ(full, thisProgram());
  EXPECT_EQ(baseName(full), "test_platform_win32.exe");
  const std::string cut = facts.moduleFileName(6);
  EXPECT_EQ(cut, full.substr(0, 5));
}

TEST(Win32Registry, ReadsKeysValuesAndReportsWindowsStatuses) {
  Win32Registry registry;
  RegKey machine = kNoKey;
  ASSERT_EQ(registry.connect("", kHKeyLocalMachine, machine), kErrorSuccess);
  RegKey key = kNoKey;
  ASSERT_EQ(
      registry.openKey(machine, "SOFTWARE\\Microsoft\\Windows NT\\CurrentVersion", kKeyRead, key),
      kErrorSuccess);
  const auto product = readStringValue(registry, key, "ProductName");
  ASSERT_TRUE(product.has_value());
  EXPECT_NE(product->find("Windows"), std::string::npos) << *product;

  // Size only, then too small a buffer.
  std::uint32_t type = 0;
  std::uint32_t size = 0;
  ASSERT_EQ(registry.queryValue(key, "ProductName", type, {}, size), kErrorSuccess);
  EXPECT_EQ(type, kRegSz);
  EXPECT_EQ(size, (toWide(*product).size() + 1) * 2);
  std::vector<std::byte> small(4);
  std::uint32_t smallSize = 0;
  EXPECT_EQ(registry.queryValue(key, "ProductName", type, small, smallSize), kErrorMoreData);
  EXPECT_EQ(smallSize, size);
  EXPECT_EQ(registry.queryValue(key, "NoSuchValue", type, small, smallSize), kErrorFileNotFound);
  EXPECT_EQ(registry.closeKey(key), kErrorSuccess);

  RegKey missing = kNoKey;
  EXPECT_EQ(registry.openKey(kHKeyLocalMachine, "SOFTWARE\\No\\Such\\Key", kKeyRead, missing),
            kErrorFileNotFound);

  RegKey software = kNoKey;
  ASSERT_EQ(registry.openKey(kHKeyLocalMachine, "SOFTWARE", kKeyRead, software), kErrorSuccess);
  bool sawMicrosoft = false;
  std::string name;
  std::uint32_t index = 0;
  std::uint32_t status = kErrorSuccess;
  for (; (status = registry.enumKey(software, index, 256, name)) == kErrorSuccess; ++index)
    sawMicrosoft = sawMicrosoft || name == "Microsoft";
  EXPECT_EQ(status, kErrorNoMoreItems);
  EXPECT_TRUE(sawMicrosoft);
  // "Microsoft" needs ten characters with its terminator.
  std::uint32_t microsoft = 0;
  for (std::uint32_t i = 0; i < index; ++i) {
    if (registry.enumKey(software, i, 256, name) == kErrorSuccess && name == "Microsoft")
      microsoft = i;
  }
  EXPECT_EQ(registry.enumKey(software, microsoft, 9, name), kErrorMoreData);
  EXPECT_EQ(registry.enumKey(software, microsoft, 10, name), kErrorSuccess);
  registry.closeKey(software);
  registry.closeKey(machine);
}

TEST(Win32Accounts, NamesAndSidsAgreeBothWays) {
  Win32Accounts accounts;
  Win32SystemFacts facts;
  std::string user;
  ASSERT_TRUE(facts.getUserName(257, user));

  std::vector<std::byte> sid;
  std::string domain;
  SidNameUse use = SidNameUse::Unknown;
  ASSERT_TRUE(accounts.lookupAccountName("", user, sid, domain, use));
  EXPECT_TRUE(isValidSid(sid));
  EXPECT_EQ(use, SidNameUse::User);

  std::string name;
  std::string domainBack;
  ASSERT_TRUE(accounts.lookupAccountSid("", sid, name, domainBack, use));
  EXPECT_TRUE(equalsIgnoreAsciiCase(name, user));
  EXPECT_EQ(domainBack, domain);

  const std::uint32_t system[] = {18};
  ASSERT_TRUE(accounts.lookupAccountSid("", makeSid(5, system), name, domain, use));
  EXPECT_EQ(name, "SYSTEM");
  EXPECT_EQ(use, SidNameUse::WellKnownGroup);

  EXPECT_FALSE(accounts.lookupAccountSid("", std::vector<std::byte>(3), name, domain, use));
  EXPECT_FALSE(accounts.lookupAccountName("", "no-such-account-7f3a", sid, domain, use));
}

TEST(Win32Accounts, SidTextAgreesWithTheSystemsConversion) {
  struct Case {
    std::uint64_t authority;
    std::vector<std::uint32_t> sub;
  };
  const Case cases[] = {
      {5, {18}},
      {5, {32, 544}},
      {1, {0}},
      {16, {12288}},
      {5, {21, 1'004'336'348, 1'177'238'915, 682'003'330, 1001}},
      {5, {21, 0xFFFFFFFF, 0, 1, 500}},
  };
  for (const Case& c : cases) {
    const auto sid = makeSid(c.authority, c.sub);
    EXPECT_EQ(SidToText(sid), win32SidToString(sid));
  }
  EXPECT_EQ(win32SidToString(std::vector<std::byte>(2)), "");
}

TEST(Win32Tokens, TheProcessUserIsTheLoggedOnAccount) {
  Win32ProcessTokens tokens;
  Win32Accounts accounts;
  Win32SystemFacts facts;
  Sid user;
  ASSERT_TRUE(tokens.processUser(GetCurrentProcessId(), user));
  std::string name;
  std::string domain;
  SidNameUse use = SidNameUse::Unknown;
  ASSERT_TRUE(accounts.lookupAccountSid("", user, name, domain, use));
  std::string loggedOn;
  ASSERT_TRUE(facts.getUserName(257, loggedOn));
  EXPECT_TRUE(equalsIgnoreAsciiCase(name, loggedOn));

  EXPECT_TRUE(tokens.canOpenProcess(GetCurrentProcessId()));
  std::vector<Sid> groups;
  ASSERT_TRUE(tokens.currentGroups(groups));
  EXPECT_FALSE(groups.empty());
  for (const Sid& g : groups)
    EXPECT_TRUE(isValidSid(g));
}

TEST(Win32Processes, SnapshotNativeListAndBaseNameFindThisProcess) {
  Win32ProcessList processes;
  Win32TerminalServices terminal;
  const std::uint32_t self = processes.currentProcessId();
  EXPECT_EQ(self, GetCurrentProcessId());

  std::vector<ProcessEntry> entries;
  ASSERT_TRUE(processes.snapshot(entries));
  bool inSnapshot = false;
  for (const auto& e : entries) {
    if (e.processId == self) {
      inSnapshot = true;
      EXPECT_TRUE(equalsIgnoreAsciiCase(baseName(e.exeFile), "test_platform_win32.exe"))
          << e.exeFile;
    }
  }
  EXPECT_TRUE(inSnapshot);

  std::uint32_t session = 0;
  ASSERT_TRUE(terminal.processIdToSessionId(self, session));
  std::vector<NativeProcessRecord> records;
  ASSERT_TRUE(processes.nativeProcesses(records));
  bool inNativeList = false;
  for (const auto& r : records) {
    if (r.processId == self) {
      inNativeList = true;
      EXPECT_EQ(r.sessionId, session);
    }
  }
  EXPECT_TRUE(inNativeList);

  std::string name;
  ASSERT_TRUE(processes.moduleBaseName(self, name));
  EXPECT_TRUE(equalsIgnoreAsciiCase(name, "test_platform_win32.exe")) << name;
  EXPECT_FALSE(processes.moduleBaseName(kNoProcess, name));
}

TEST(Win32TerminalServices, TheCurrentSessionAnswersAsTheProcessSession) {
  Win32TerminalServices terminal;
  ASSERT_TRUE(terminal.available());
  ASSERT_TRUE(terminal.hasProcessIdToSessionId());
  std::uint32_t fromProcess = 0;
  ASSERT_TRUE(terminal.processIdToSessionId(GetCurrentProcessId(), fromProcess));
  // Wine does not answer the session-number class; Windows does, and then
  // both routes agree.
  std::uint32_t fromQuery = 0;
  if (terminal.querySessionNumber(kCurrentSession, kWtsSessionId, fromQuery)) {
    EXPECT_EQ(fromQuery, fromProcess);
  }
  std::string user;
  if (terminal.querySessionText(kCurrentSession, kWtsUserName, user)) {
    EXPECT_FALSE(user.empty());
  }
  std::uint32_t console = 0;
  EXPECT_TRUE(terminal.activeConsoleSessionId(console));
  // A text class through the number query, and the reverse, fail.
  std::string text;
  EXPECT_FALSE(terminal.querySessionText(kCurrentSession, kWtsSessionId, text));
  EXPECT_FALSE(terminal.querySessionNumber(kCurrentSession, kWtsUserName, fromQuery));
}

TEST(Win32TimeAndClock, ConversionKeepsTheZoneOffsetAndTheClockRuns) {
  Win32TimeZone zone;
  ASSERT_TRUE(zone.available());
  SystemTime utc;
  utc.year = 2014;
  utc.month = 1;
  utc.day = 29;
  utc.dayOfWeek = 3;
  utc.hour = 12;
  utc.minute = 0;
  utc.second = 40;
  utc.milliseconds = 250;
  SystemTime local;
  ASSERT_TRUE(zone.utcToLocal(utc, local));
  EXPECT_EQ(local.second, 40);
  EXPECT_EQ(local.milliseconds, 250);
  // Zones are whole quarters of an hour away from UTC, at most 14 hours.
  FILETIME u{};
  FILETIME l{};
  SYSTEMTIME su{2014, 1, 3, 29, 12, 0, 40, 250};
  SYSTEMTIME sl{local.year, local.month,  local.dayOfWeek, local.day,
                local.hour, local.minute, local.second,    local.milliseconds};
  ASSERT_TRUE(SystemTimeToFileTime(&su, &u));
  ASSERT_TRUE(SystemTimeToFileTime(&sl, &l));
  const auto ticks = [](FILETIME f) {
    return static_cast<long long>((static_cast<unsigned long long>(f.dwHighDateTime) << 32) |
                                  f.dwLowDateTime);
  };
  const long long offsetMinutes = (ticks(l) - ticks(u)) / 600'000'000LL;
  EXPECT_EQ(offsetMinutes % 15, 0);
  EXPECT_LE(offsetMinutes < 0 ? -offsetMinutes : offsetMinutes, 14 * 60);

  SystemTime bad = utc;
  bad.month = 13;
  EXPECT_FALSE(zone.utcToLocal(bad, local));

  Win32Clock clock;
  const std::uint64_t first = clock.tickCount64();
  Sleep(20);
  EXPECT_GE(clock.tickCount64(), first + 15);
  SYSTEMTIME now{};
  GetLocalTime(&now);
  const SystemTime ours = clock.localNow();
  EXPECT_EQ(ours.year, now.wYear);
  EXPECT_EQ(ours.day, now.wDay);
}

TEST(Win32EventLog, TheSystemLogReadsToItsEnd) {
  Win32EventLogService service;
  std::uint32_t error = 0;
  auto log = service.open("", "System", &error);
  ASSERT_NE(log, nullptr) << error;
  std::uint32_t count = 0;
  ASSERT_TRUE(log->numberOfRecords(count));
  std::uint32_t oldest = 0;
  ASSERT_TRUE(log->oldestRecord(oldest));
  std::vector<std::byte> buffer(64 * 1024);
  std::uint32_t records = 0;
  EventLogReadResult r;
  while ((r = log->read(kSequentialRead | kForwardsRead, 0, buffer)).ok()) {
    ASSERT_GT(r.bytesRead, 0u);
    for (std::uint32_t offset = 0; offset < r.bytesRead;) {
      std::uint32_t length = 0;
      std::memcpy(&length, buffer.data() + offset, 4);
      ASSERT_GE(length, kEventLogRecordFixedSize);
      offset += length;
      ++records;
    }
  }
  EXPECT_EQ(r.error, kErrorHandleEof);
  EXPECT_EQ(records, count);
}

TEST(Win32VersionResources, TheSystemAndOurPeReaderAgreeOnThisProgram) {
  const std::string program = thisProgram();
  Win32VersionResources system;
  std::vector<std::byte> data;
  ASSERT_TRUE(system.getFileVersionInfo(program, data));

  std::ifstream in(program, std::ios::binary);
  const std::vector<char> chars{std::istreambuf_iterator<char>(in),
                                std::istreambuf_iterator<char>()};
  std::vector<std::byte> file(chars.size());
  std::memcpy(file.data(), chars.data(), chars.size());
  const auto block = findPeVersionBlock(file);
  ASSERT_TRUE(block.has_value());

  for (const char* path :
       {"\\", "\\VarFileInfo\\Translation", "\\StringFileInfo\\040904B0\\ProductName",
        "\\StringFileInfo\\040904B0\\FileVersion", "\\StringFileInfo\\040904B0\\CompanyName",
        "\\StringFileInfo\\040904B0\\OriginalFilename"}) {
    std::span<const std::byte> fromSystem;
    std::span<const std::byte> fromOurs;
    const bool systemHas = system.queryValue(data, path, fromSystem);
    const bool oursHas = queryVersionValue(*block, path, fromOurs);
    ASSERT_EQ(systemHas, oursHas) << path;
    if (!systemHas)
      continue;
    const std::string a =
        std::string(path).rfind("\\StringFileInfo", 0) == 0
            ? utf16ToUtf8(readUtf16z(fromSystem))
            : std::string(reinterpret_cast<const char*>(fromSystem.data()), fromSystem.size());
    const std::string b =
        std::string(path).rfind("\\StringFileInfo", 0) == 0
            ? utf16ToUtf8(readUtf16z(fromOurs))
            : std::string(reinterpret_cast<const char*>(fromOurs.data()), fromOurs.size());
    EXPECT_EQ(a, b) << path;
  }
  std::span<const std::byte> fixed;
  ASSERT_TRUE(system.queryValue(data, "\\", fixed));
  ASSERT_EQ(fixed.size(), VsFixedFileInfo::kSize);
  std::uint32_t signature = 0;
  std::uint32_t versionMs = 0;
  std::memcpy(&signature, fixed.data(), 4);
  std::memcpy(&versionMs, fixed.data() + 8, 4);
  EXPECT_EQ(signature, kVsFixedFileInfoSignature);
  EXPECT_EQ(versionMs, (TALLYVANE_VERSION_MAJOR << 16) | TALLYVANE_VERSION_MINOR);

  EXPECT_FALSE(system.getFileVersionInfo(program + ".missing", data));
}

TEST(Win32Network, HostNameAndWorkgroup) {
  Win32NetworkInfo network;
  std::string host;
  ASSERT_TRUE(network.hostName(host));
  EXPECT_FALSE(host.empty());
  ASSERT_TRUE(network.workstationAvailable());
  std::string group;
  EXPECT_TRUE(network.workstationLanGroup("", group));
  EXPECT_FALSE(group.empty());
  std::vector<std::uint32_t> addresses;
  if (network.resolveIpv4(host, addresses)) {
    EXPECT_FALSE(addresses.empty());
  }
  EXPECT_FALSE(network.resolveIpv4("no-such-host.invalid", addresses));
}

TEST(Win32Services, SystemServicesAreTheWin32Ones) {
  const Services& services = systemServices();
  EXPECT_NE(dynamic_cast<Win32EventLogService*>(services.eventLog), nullptr);
  EXPECT_NE(dynamic_cast<Win32Registry*>(services.registry), nullptr);
  EXPECT_NE(dynamic_cast<Win32VersionResources*>(services.versionResources), nullptr);
  EXPECT_NE(services.network, nullptr);
}

}  // namespace
}  // namespace tallyvane::platform
