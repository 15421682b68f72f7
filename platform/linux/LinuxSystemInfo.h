#pragma once
// The system facts, sessions, processes, tokens and network names of a Linux
// machine, answered from its own sources: uname, /etc/os-release, the user
// database, logind (sd-login) and utmp, /proc, and the resolver.
#include "platform/NetworkInfo.h"
#include "platform/ProcessList.h"
#include "platform/ProcessTokens.h"
#include "platform/SystemFacts.h"
#include "platform/TerminalServices.h"

namespace tallyvane::platform {

// The architecture of a uname machine name ("x86_64" is AMD64).
std::uint16_t architectureOfMachine(std::string_view machine);

// Whether the session this process runs in is remote: logind's word for it,
// else utmp's entry for the process's terminal (a remote host is recorded).
bool linuxSessionIsRemote();

class LinuxSystemFacts : public SystemFacts {
 public:
  bool getVersionEx(OsVersionRecord& record) override;
  bool hasProductInfo() override { return false; }
  bool getProductInfo(std::uint32_t, std::uint32_t, std::uint32_t, std::uint32_t,
                      std::uint32_t&) override {
    return false;
  }
  bool isWow64Process(bool&) override { return false; }
  std::uint16_t processorArchitecture(bool native) override;
  int getSystemMetrics(int index) override;
  bool getUserName(std::uint32_t bufferChars, std::string& name) override;
  bool getComputerName(std::uint32_t bufferChars, std::string& name) override;
  std::string moduleFileName(std::uint32_t bufferChars) override;
  bool hostSystem(HostSystemDescription& description) override;
};

// Sessions are logind's; their numbers are the kernel's audit session
// identifiers, which logind uses as session names.
class LinuxTerminalServices : public TerminalServices {
 public:
  bool available() override;
  bool querySessionText(std::uint32_t sessionId, WtsInfoClass infoClass,
                        std::string& text) override;
  bool querySessionNumber(std::uint32_t sessionId, WtsInfoClass infoClass,
                          std::uint32_t& value) override;
  bool activeConsoleSessionId(std::uint32_t& sessionId) override;
  bool hasProcessIdToSessionId() override { return true; }
  bool processIdToSessionId(std::uint32_t processId, std::uint32_t& sessionId) override;
};

class LinuxProcessList : public ProcessList {
 public:
  std::uint32_t currentProcessId() override;
  bool snapshot(std::vector<ProcessEntry>& entries) override;
  bool nativeProcesses(std::vector<NativeProcessRecord>& records) override;
  bool moduleBaseName(std::uint32_t processId, std::string& name) override;
};

// Unix users and groups as SIDs (S-1-22-1-uid, S-1-22-2-gid). The token of a
// process whose effective user is root, or that is a member of the group
// sudo, wheel or admin, also holds the Administrators group S-1-5-32-544.
class LinuxProcessTokens : public ProcessTokens {
 public:
  bool canOpenProcess(std::uint32_t processId) override;
  bool processUser(std::uint32_t processId, Sid& user) override;
  bool currentGroups(std::vector<Sid>& groups) override;
};

class LinuxNetworkInfo : public NetworkInfo {
 public:
  bool workstationAvailable() override { return true; }
  bool workstationLanGroup(std::string_view server, std::string& lanGroup) override;
  bool hostName(std::string& name) override;
  bool resolveIpv4(std::string_view host, std::vector<std::uint32_t>& addresses) override;
};

}  // namespace tallyvane::platform
