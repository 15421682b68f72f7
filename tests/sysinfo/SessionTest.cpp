// The session routines: who is logged on, the session kinds, virtual disks,
// administrator rights and the host's addresses, over platform doubles.
#include <gtest/gtest.h>

#include "SysinfoFakes.h"
#include "sysinfo/Orvex_NetAPI32.h"
#include "sysinfo/Orvex_Routines.h"
#include "sysinfo/Orvex_SysUtils.h"
#include "sysinfo/Orvex_WtsApi32.h"

namespace tallyvane {
namespace {

using testing::sidOf;

constexpr char kIde[] = "SYSTEM\\CurrentControlSet\\Enum\\IDE";
constexpr char kScsi[] = "SYSTEM\\CurrentControlSet\\Enum\\SCSI";

// A Windows 7 machine named PC1 with doubles for every service; each test
// changes what it looks at.
struct Rig {
  testing::FakeSystemFacts facts;
  platform::MemoryRegistry registry;
  testing::FakeTerminalServices wts;
  testing::FakeProcessList processes;
  testing::FakeTokens tokens;
  testing::FakeNetwork network;
  testing::FakeNamedAccounts accounts;
  TSystemSnapshot snapshot;

  Rig() {
    facts.computerName = "pc1";
    facts.userName = "runner";
    snapshot.IsNT = true;
    snapshot.OSKind = okWin7;
    snapshot.OSVersionInfo.platformId = 2;
    snapshot.OSVersionInfo.majorVersion = 6;
    snapshot.WtsAvailable = true;
    snapshot.Services.systemFacts = &facts;
    snapshot.Services.registry = &registry;
    snapshot.Services.terminalServices = &wts;
    snapshot.Services.processes = &processes;
    snapshot.Services.tokens = &tokens;
    snapshot.Services.network = &network;
    snapshot.Services.accounts = &accounts;
  }
};

TEST(SessionTypes, TextListsTheKindsInDisplayOrder) {
  const std::pair<TSessionTypes, const char*> cases[] = {
      {{}, ""},
      {{stLocal}, "Local"},
      {{stVBOX, stTerminal}, "Terminal+VirtualBox"},
      {{stLocal, stVMWare, stCitrix}, "Local+Citrix+VMWare"},
      {{stQEMU, stVPC, stTerminal}, "Terminal+VirtualPC+QEMU"},
      {{stLocal, stVMWare, stVPC, stVBOX, stQEMU, stTerminal, stCitrix},
       "Local+Terminal+Citrix+VMWare+VirtualPC+VirtualBox+QEMU"},
  };
  for (const auto& [types, text] : cases)
    EXPECT_EQ(SessionTypesText(types), text);
}

TEST(SessionTypes, VirtualDiskNeedsAMatchingDeviceKeyWithInstances) {
  struct Case {
    const char* label;
    std::vector<std::string> keys;  // below HKLM
    const char* marker;
    bool expected;
  };
  const Case cases[] = {
      {"lower-case marker in the IDE name, one instance",
       {std::string(kIde) + "\\DiskVmware_Virtual_IDE_Hard_Drive___00000001\\3030303030"},
       "VMWARE",
       true},
      {"matching name without instances",
       {std::string(kIde) + "\\DiskVBOX_HARDDISK"},
       "VBOX_HARD",
       false},
      {"first match empty, second has an instance",
       {std::string(kIde) + "\\DiskVBOX_HARDDISK_A",
        std::string(kIde) + "\\DiskVBOX_HARDDISK_B\\1"},
       "VBOX_HARD",
       true},
      {"SCSI when IDE has none",
       {std::string(kIde) + "\\DiskST500",
        std::string(kScsi) + "\\Disk&Ven_QEMU&Prod_QEMU_HARDDISK\\0"},
       "QEMU_HARD",
       true},
      {"SCSI after an empty IDE match",
       {std::string(kIde) + "\\DiskVirtual_HD", std::string(kScsi) + "\\Disk&Prod_Virtual_HD\\1"},
       "VIRTUAL_HD",
       true},
      {"no enumeration keys", {}, "VMWARE", false},
      {"physical disks only", {std::string(kIde) + "\\DiskST500DM002\\5"}, "VMWARE", false},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.label);
    Rig rig;
    for (const auto& key : c.keys)
      rig.registry.addKey(key);
    EXPECT_EQ(HasVirtualDisk(rig.snapshot, c.marker), c.expected);
    EXPECT_EQ(rig.registry.openHandleCount(), 0);
  }
}

TEST(SessionTypes, DetectionCombinesDisksCitrixAndRemoteness) {
  Rig rig;
  EXPECT_EQ(DetectSessionTypes(rig.snapshot), TSessionTypes({stLocal}));

  rig.registry.addKey(std::string(kIde) + "\\DiskVBOX_HARDDISK___1.0\\4d4d");
  rig.facts.metrics[platform::kSmRemoteSession] = 1;
  EXPECT_EQ(DetectSessionTypes(rig.snapshot), TSessionTypes({stVBOX, stTerminal}));
  EXPECT_EQ(SessionTypesText(DetectSessionTypes(rig.snapshot)), "Terminal+VirtualBox");

  rig.registry.setString("SOFTWARE\\Microsoft\\Windows NT\\CurrentVersion\\Winlogon", "GinaDLL",
                         "C:\\Program Files\\Citrix\\ctxgina.dll");
  EXPECT_TRUE(IsCitrixSession(rig.snapshot));
  EXPECT_EQ(DetectSessionTypes(rig.snapshot), TSessionTypes({stVBOX, stTerminal, stCitrix}));
}

TEST(SessionTypes, CitrixNeedsItsGina) {
  Rig rig;
  EXPECT_FALSE(IsCitrixSession(rig.snapshot));
  rig.registry.setString("SOFTWARE\\Microsoft\\Windows NT\\CurrentVersion\\Winlogon", "GinaDLL",
                         "msgina.dll");
  EXPECT_FALSE(IsCitrixSession(rig.snapshot));
  EXPECT_EQ(rig.registry.openHandleCount(), 0);
}

TEST(LoggedOnUser, NamesTheSessionUserAndItsDomainAccount) {
  const auto aliceSid = sidOf(5, {21, 1, 2, 3, 1001});
  struct Case {
    const char* label;
    const char* user;
    const char* domain;
    bool domainAccountResolves;
    const char* expected;
  };
  const Case cases[] = {
      {"workgroup: the domain is the computer", "alice", "PC1", false, "alice"},
      {"domain account that resolves", "alice", "CORP", true, "alice@CORP"},
      {"domain account that does not resolve", "alice", "CORP", false, "alice"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.label);
    Rig rig;
    rig.wts.sessions[kNoSession] = {c.user, c.domain};
    if (c.domainAccountResolves)
      rig.accounts.accounts.push_back({"alice@CORP", "CORP", aliceSid});
    EXPECT_EQ(LoggedOnUser(rig.snapshot, kNoSession), c.expected);
  }
}

TEST(LoggedOnUser, FallsBackToTheOwnerOfTheSessionsExplorer) {
  Rig rig;
  rig.wts.isAvailable = false;
  rig.snapshot.WtsAvailable = false;
  rig.wts.consoleSession = 1;
  rig.processes.entries = std::vector<platform::ProcessEntry>{
      {40, "C:\\Windows\\System32\\svchost.exe"},
      {41, "C:\\Windows\\Explorer.EXE"},
      {42, "C:\\Windows\\explorer.exe"},
  };
  rig.wts.sessionOfProcess = {{41, 2}, {42, 1}, {100, 1}};
  const auto bobSid = sidOf(5, {21, 7, 1002});
  rig.tokens.users[42] = bobSid;
  rig.accounts.accounts.push_back({"bob", "PC1", bobSid});
  EXPECT_EQ(LoggedOnUser(rig.snapshot, kNoSession), "bob");

  // A token whose SID has no name gives the SID text.
  rig.accounts.accounts.clear();
  EXPECT_EQ(LoggedOnUser(rig.snapshot, kNoSession), "S-1-5-21-7-1002");
  EXPECT_EQ(rig.accounts.sidLookups, 1 + 11);

  // Session 2's explorer cannot be opened: the program's own user.
  EXPECT_EQ(LoggedOnUser(rig.snapshot, 2), "runner");
}

TEST(LoggedOnUser, WithoutSessionsTheProgramsUserAndWorkgroup) {
  Rig rig;
  rig.snapshot.IsNT = false;
  rig.snapshot.OSVersionInfo.platformId = 1;  // Windows 9x
  rig.wts.sessions[kNoSession] = {"alice", "PC1"};
  rig.network.lanGroup = "workgroup";
  EXPECT_EQ(LoggedOnUser(rig.snapshot, kNoSession), "runner");
  EXPECT_TRUE(rig.wts.textQueries.empty());
  EXPECT_EQ(rig.network.serversAsked, (std::vector<std::string>{""}));
}

TEST(Sessions, FindProcessInSessionResolvesTheCurrentSession) {
  Rig rig;
  rig.processes.entries = std::vector<platform::ProcessEntry>{{7, "/usr/bin/explorer.exe"}};
  rig.wts.sessionOfProcess = {{100, 3}, {7, 3}};
  std::uint32_t session = kNoSession;
  EXPECT_EQ(FindProcessInSession(rig.snapshot, "EXPLORER.EXE", session), 7u);
  EXPECT_EQ(session, 3u);
  EXPECT_EQ(rig.processes.nativeWalks, 0);

  // Before XP the native list is walked, by module base name.
  rig.snapshot.OSKind = okWin2000;
  rig.processes.native = std::vector<platform::NativeProcessRecord>{{8, 2}, {9, 3}};
  rig.processes.baseNames = {{8, "explorer.exe"}, {9, "Explorer.exe"}};
  session = 3;
  EXPECT_EQ(FindProcessInSession(rig.snapshot, "explorer.exe", session), 9u);

  // A snapshot that cannot be taken falls back to the native list.
  rig.snapshot.OSKind = okWin7;
  rig.processes.entries.reset();
  session = 2;
  EXPECT_EQ(FindProcessInSession(rig.snapshot, "explorer.exe", session), 8u);
  session = 5;
  EXPECT_EQ(FindProcessInSession(rig.snapshot, "explorer.exe", session), platform::kNoProcess);
}

TEST(Sessions, SessionNumbers) {
  Rig rig;
  EXPECT_EQ(ConsoleSessionId(rig.snapshot), kNoSession);
  rig.wts.consoleSession = 1;
  EXPECT_EQ(ConsoleSessionId(rig.snapshot), 1u);
  rig.wts.sessionOfProcess[100] = 4;
  EXPECT_EQ(CurrentSessionId(rig.snapshot), 4u);  // by the process when the query fails
  rig.wts.currentSession = 6;
  EXPECT_EQ(CurrentSessionId(rig.snapshot), 6u);
}

TEST(Sessions, WorkstationDomainIsUpperCasedAndAddressedAsAServer) {
  Rig rig;
  EXPECT_EQ(WorkstationDomain(rig.snapshot, ""), "");
  rig.network.lanGroup = "corp-\xC3\xA9st";
  EXPECT_EQ(WorkstationDomain(rig.snapshot, ""), "CORP-\xC3\xA9ST");
  EXPECT_EQ(WorkstationDomain(rig.snapshot, "server1"), "CORP-\xC3\xA9ST");
  EXPECT_EQ(WorkstationDomain(rig.snapshot, "\\\\server2"), "CORP-\xC3\xA9ST");
  EXPECT_EQ(rig.network.serversAsked,
            (std::vector<std::string>{"\\\\.", "\\\\.", "\\\\server1", "\\\\server2"}));
  rig.network.available = false;
  EXPECT_EQ(WorkstationDomain(rig.snapshot, ""), "");
}

TEST(Sessions, AdministratorIsTheAdministratorsGroupInTheToken) {
  Rig rig;
  EXPECT_FALSE(IsAdministrator(rig.snapshot));  // no token
  rig.tokens.groups = std::vector<platform::Sid>{sidOf(1, {0}), sidOf(5, {32, 545})};
  EXPECT_FALSE(IsAdministrator(rig.snapshot));
  rig.tokens.groups->push_back(sidOf(5, {32, 544}));
  EXPECT_TRUE(IsAdministrator(rig.snapshot));
}

TEST(Sessions, HostAddressesInResolutionOrder) {
  Rig rig;
  EXPECT_EQ(HostAddresses(rig.snapshot), "");  // does not resolve
  rig.network.addresses["pc1"] = {0xC0A80105, 0x0A000001};
  EXPECT_EQ(HostAddresses(rig.snapshot), "192.168.1.5,10.0.0.1");
  std::vector<std::uint32_t> many;
  for (std::uint32_t i = 0; i < 300; ++i)
    many.push_back(0x0A000000 + i);
  rig.network.addresses["pc1"] = many;
  const std::string text = HostAddresses(rig.snapshot);
  EXPECT_EQ(std::count(text.begin(), text.end(), ','), 254);
  EXPECT_EQ(text.substr(text.rfind(',') + 1), "10.0.0.254");
}

TEST(Sessions, AccountSidText) {
  Rig rig;
  rig.accounts.accounts.push_back({"alice", "PC1", sidOf(5, {21, 1, 2, 3, 1001})});
  EXPECT_EQ(AccountSidText(rig.snapshot, "", "alice"), "S-1-5-21-1-2-3-1001");
  EXPECT_EQ(AccountSidText(rig.snapshot, "", "nobody"), "");
}

}  // namespace
}  // namespace tallyvane
