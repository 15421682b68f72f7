// The Linux answers to the system-information interfaces, checked against
// what this machine says through other routes.
#include <gtest/gtest.h>
#include <pwd.h>
#include <sys/utsname.h>
#include <unistd.h>

#include <algorithm>
#include <fstream>
#include <sstream>

#include "eventlog/Orvex_EventLogNT.h"
#include "platform/Unicode.h"
#include "platform/linux/LinuxSystemInfo.h"
#include "sysinfo/Orvex_Routines.h"
#include "sysinfo/Orvex_SysUtils.h"

namespace tallyvane::platform {
namespace {

std::string ownExecutable() {
  char path[4096] = {};
  const ssize_t length = readlink("/proc/self/exe", path, sizeof path - 1);
  return length > 0 ? std::string(path, static_cast<std::size_t>(length)) : "";
}

std::string hostName() {
  char host[256] = {};
  gethostname(host, sizeof host - 1);
  return host;
}

TEST(LinuxSystemFacts, ReportThisMachine) {
  LinuxSystemFacts facts;
  utsname names{};
  ASSERT_EQ(uname(&names), 0);

  OsVersionRecord version;
  version.osVersionInfoSize = OsVersionRecord::kExtendedSize;
  ASSERT_TRUE(facts.getVersionEx(version));
  EXPECT_EQ(version.platformId, kVerPlatformOther);
  EXPECT_EQ(std::to_string(version.majorVersion) + "." + std::to_string(version.minorVersion),
            std::string(names.release).substr(0, std::string(names.release).find('.', 2)));
  OsVersionRecord wrongSize;
  wrongSize.osVersionInfoSize = 100;
  EXPECT_FALSE(facts.getVersionEx(wrongSize));

  EXPECT_EQ(facts.processorArchitecture(false), architectureOfMachine(names.machine));
  std::string user;
  ASSERT_TRUE(facts.getUserName(255, user));
  EXPECT_EQ(user, getpwuid(geteuid())->pw_name);
  EXPECT_FALSE(facts.getUserName(1, user));  // no room for a name
  std::string computer;
  ASSERT_TRUE(facts.getComputerName(255, computer));
  EXPECT_EQ(computer, hostName());
  EXPECT_EQ(facts.moduleFileName(260), ownExecutable());

  HostSystemDescription host;
  ASSERT_TRUE(facts.hostSystem(host));
  EXPECT_EQ(host.machine, names.machine);
  EXPECT_EQ(facts.getSystemMetrics(kSmTabletPc), 0);
}

TEST(LinuxSystemFacts, ArchitecturesByMachineName) {
  EXPECT_EQ(architectureOfMachine("x86_64"), kProcessorArchitectureAmd64);
  EXPECT_EQ(architectureOfMachine("i686"), kProcessorArchitectureIntel);
  EXPECT_EQ(architectureOfMachine("aarch64"), kProcessorArchitectureArm64);
  EXPECT_EQ(architectureOfMachine("armv7l"), kProcessorArchitectureArm);
  EXPECT_EQ(architectureOfMachine("ia64"), kProcessorArchitectureIa64);
  EXPECT_EQ(architectureOfMachine("riscv64"), kProcessorArchitectureUnknown);
}

TEST(LinuxSessions, ProcessesAndTokensOfThisProgram) {
  LinuxProcessList processes;
  const auto self = static_cast<std::uint32_t>(getpid());
  EXPECT_EQ(processes.currentProcessId(), self);
  std::vector<ProcessEntry> entries;
  ASSERT_TRUE(processes.snapshot(entries));
  const auto own = std::find_if(entries.begin(), entries.end(),
                                [&](const ProcessEntry& e) { return e.processId == self; });
  ASSERT_NE(own, entries.end());
  EXPECT_EQ(own->exeFile, ownExecutable());
  std::string base;
  ASSERT_TRUE(processes.moduleBaseName(self, base));
  EXPECT_EQ(base, ownExecutable().substr(ownExecutable().rfind('/') + 1));
  std::vector<NativeProcessRecord> records;
  ASSERT_TRUE(processes.nativeProcesses(records));
  EXPECT_TRUE(std::any_of(records.begin(), records.end(),
                          [&](const NativeProcessRecord& r) { return r.processId == self; }));

  LinuxProcessTokens tokens;
  EXPECT_TRUE(tokens.canOpenProcess(self));
  Sid user;
  ASSERT_TRUE(tokens.processUser(self, user));
  EXPECT_EQ(SidToText(user), "S-1-22-1-" + std::to_string(geteuid()));
  std::vector<Sid> groups;
  ASSERT_TRUE(tokens.currentGroups(groups));
  std::vector<std::string> texts;
  for (const auto& g : groups)
    texts.push_back(SidToText(g));
  EXPECT_NE(std::find(texts.begin(), texts.end(), "S-1-22-2-" + std::to_string(getegid())),
            texts.end());
  const bool administrators = std::find(texts.begin(), texts.end(), "S-1-5-32-544") != texts.end();
  if (geteuid() == 0) {
    EXPECT_TRUE(administrators);
  }
}

TEST(LinuxSessions, NetworkNamesOfThisMachine) {
  LinuxNetworkInfo network;
  std::string name;
  ASSERT_TRUE(network.hostName(name));
  EXPECT_EQ(name, hostName());
  std::vector<std::uint32_t> addresses;
  ASSERT_TRUE(network.resolveIpv4("localhost", addresses));
  EXPECT_NE(std::find(addresses.begin(), addresses.end(), 0x7F000001u), addresses.end());
  EXPECT_FALSE(network.resolveIpv4("no-such-host.invalid", addresses));
  std::string group;
  EXPECT_FALSE(network.workstationLanGroup("\\\\elsewhere", group));
}

TEST(LinuxSnapshot, TheProcessSnapshotHoldsThisMachinesFacts) {
  const TSystemSnapshot& s = SystemSnapshot();
  EXPECT_FALSE(s.OSName.empty());
  std::ifstream osRelease("/etc/os-release");
  std::stringstream text;
  text << osRelease.rdbuf();
  if (!text.str().empty()) {
    EXPECT_EQ(s.OSName, NameHostSystem({text.str(), ""}).OSName);
  }
  EXPECT_FALSE(s.IsNT);
  EXPECT_EQ(s.OSKind, 0);
  EXPECT_EQ(s.UserName, getpwuid(geteuid())->pw_name);
  EXPECT_EQ(s.MachineName, asciiUpper(hostName()));
  EXPECT_EQ(s.ExeFileName, ownExecutable());
  EXPECT_EQ(s.ExeVersionInfo.ProductName, "Tallyvane Journal");
  EXPECT_EQ(s.ShortOSName, CleanOSName(s.OSName + " " + s.OSEdition));
  // No Citrix on Linux; exactly one of Local and Terminal.
  const TSessionTypes types = DetectSessionTypes();
  EXPECT_FALSE(types.Contains(stCitrix));
  EXPECT_NE(types.Contains(stLocal), types.Contains(stTerminal));
  EXPECT_FALSE(LoggedOnUser(0xFFFFFFFF).empty());
}

}  // namespace
}  // namespace tallyvane::platform
