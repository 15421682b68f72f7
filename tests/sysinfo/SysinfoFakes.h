#pragma once
// Test doubles for the system-information platform interfaces: each answers
// with what the test sets and records what it was asked.
#include <map>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "eventlog/Orvex_EventLogNT.h"
#include "platform/MemoryRegistry.h"
#include "platform/Services.h"

namespace tallyvane::testing {

class FakeSystemFacts : public platform::SystemFacts {
 public:
  platform::OsVersionRecord version;  // what the extended call gives
  bool versionFails = false;
  std::optional<std::uint32_t> productType;  // nothing: the entry point is missing
  bool productInfoFails = false;
  std::optional<bool> wow64;  // nothing: IsWow64Process is missing
  std::uint16_t nativeArchitecture = 0;
  std::uint16_t architecture = 0;
  std::map<int, int> metrics;
  std::optional<std::string> userName = "alice";
  std::optional<std::string> computerName = "pc1";
  std::string moduleFile = "/opt/tallyvane/tallyvane";
  std::optional<platform::HostSystemDescription> host;

  int productInfoCalls = 0;
  std::vector<std::uint32_t> versionSizesAsked;

  bool getVersionEx(platform::OsVersionRecord& record) override {
    versionSizesAsked.push_back(record.osVersionInfoSize);
    if (versionFails)
      return false;
    const std::uint32_t size = record.osVersionInfoSize;
    record = version;
    record.osVersionInfoSize = size;
    if (size == platform::OsVersionRecord::kBasicSize) {
      record.servicePackMajor = record.servicePackMinor = record.suiteMask = 0;
      record.productType = 0;
    }
    return true;
  }
  bool hasProductInfo() override { return productType.has_value() || productInfoFails; }
  bool getProductInfo(std::uint32_t, std::uint32_t, std::uint32_t, std::uint32_t,
                      std::uint32_t& type) override {
    ++productInfoCalls;
    if (productInfoFails || !productType)
      return false;
    type = *productType;
    return true;
  }
  bool isWow64Process(bool& result) override {
    if (!wow64)
      return false;
    result = *wow64;
    return true;
  }
  std::uint16_t processorArchitecture(bool native) override {
    return native ? nativeArchitecture : architecture;
  }
  int getSystemMetrics(int index) override {
    const auto it = metrics.find(index);
    return it == metrics.end() ? 0 : it->second;
  }
  bool getUserName(std::uint32_t, std::string& name) override {
    if (!userName)
      return false;
    name = *userName;
    return true;
  }
  bool getComputerName(std::uint32_t, std::string& name) override {
    if (!computerName)
      return false;
    name = *computerName;
    return true;
  }
  std::string moduleFileName(std::uint32_t) override { return moduleFile; }
  bool hostSystem(platform::HostSystemDescription& description) override {
    if (!host)
      return false;
    description = *host;
    return true;
  }
};

// A MemoryRegistry that records the access mask of every key it opens.
class RecordingRegistry : public platform::MemoryRegistry {
 public:
  std::vector<std::uint32_t> accessMasks;
  std::uint32_t openKey(platform::RegKey parent, std::string_view subKey, std::uint32_t access,
                        platform::RegKey& result) override {
    accessMasks.push_back(access);
    return MemoryRegistry::openKey(parent, subKey, access, result);
  }
};

class FakeTerminalServices : public platform::TerminalServices {
 public:
  bool isAvailable = true;
  // Per session (kCurrentSession included): user and domain.
  std::map<std::uint32_t, std::pair<std::string, std::string>> sessions;
  std::optional<std::uint32_t> currentSession;
  std::optional<std::uint32_t> consoleSession;
  bool hasSessionOfProcess = true;
  std::map<std::uint32_t, std::uint32_t> sessionOfProcess;
  std::vector<std::uint32_t> textQueries;

  bool available() override { return isAvailable; }
  bool querySessionText(std::uint32_t sessionId, platform::WtsInfoClass infoClass,
                        std::string& text) override {
    textQueries.push_back(sessionId);
    const auto it = sessions.find(sessionId);
    if (it == sessions.end())
      return false;
    text = infoClass == platform::kWtsUserName ? it->second.first : it->second.second;
    return true;
  }
  bool querySessionNumber(std::uint32_t, platform::WtsInfoClass, std::uint32_t& value) override {
    if (!currentSession)
      return false;
    value = *currentSession;
    return true;
  }
  bool activeConsoleSessionId(std::uint32_t& sessionId) override {
    if (!consoleSession)
      return false;
    sessionId = *consoleSession;
    return true;
  }
  bool hasProcessIdToSessionId() override { return hasSessionOfProcess; }
  bool processIdToSessionId(std::uint32_t processId, std::uint32_t& sessionId) override {
    const auto it = sessionOfProcess.find(processId);
    if (it == sessionOfProcess.end())
      return false;
    sessionId = it->second;
    return true;
  }
};

class FakeProcessList : public platform::ProcessList {
 public:
  std::uint32_t ownId = 100;
  std::optional<std::vector<platform::ProcessEntry>> entries;  // nothing: no snapshot
  std::optional<std::vector<platform::NativeProcessRecord>> native;
  std::map<std::uint32_t, std::string> baseNames;
  int snapshots = 0;
  int nativeWalks = 0;

  std::uint32_t currentProcessId() override { return ownId; }
  bool snapshot(std::vector<platform::ProcessEntry>& out) override {
    ++snapshots;
    if (!entries)
      return false;
    out = *entries;
    return true;
  }
  bool nativeProcesses(std::vector<platform::NativeProcessRecord>& out) override {
    ++nativeWalks;
    if (!native)
      return false;
    out = *native;
    return true;
  }
  bool moduleBaseName(std::uint32_t processId, std::string& name) override {
    const auto it = baseNames.find(processId);
    if (it == baseNames.end())
      return false;
    name = it->second;
    return true;
  }
};

class FakeTokens : public platform::ProcessTokens {
 public:
  std::map<std::uint32_t, platform::Sid> users;
  std::optional<std::vector<platform::Sid>> groups;
  bool canOpenProcess(std::uint32_t processId) override { return users.count(processId) > 0; }
  bool processUser(std::uint32_t processId, platform::Sid& user) override {
    const auto it = users.find(processId);
    if (it == users.end())
      return false;
    user = it->second;
    return true;
  }
  bool currentGroups(std::vector<platform::Sid>& out) override {
    if (!groups)
      return false;
    out = *groups;
    return true;
  }
};

class FakeNetwork : public platform::NetworkInfo {
 public:
  bool available = true;
  std::optional<std::string> lanGroup;
  std::vector<std::string> serversAsked;
  std::string host = "pc1";
  std::map<std::string, std::vector<std::uint32_t>> addresses;

  bool workstationAvailable() override { return available; }
  bool workstationLanGroup(std::string_view server, std::string& group) override {
    serversAsked.emplace_back(server);
    if (!lanGroup)
      return false;
    group = *lanGroup;
    return true;
  }
  bool hostName(std::string& name) override {
    name = host;
    return !host.empty();
  }
  bool resolveIpv4(std::string_view name, std::vector<std::uint32_t>& out) override {
    const auto it = addresses.find(std::string(name));
    if (it == addresses.end())
      return false;
    out = it->second;
    return true;
  }
};

// Accounts known by name and by SID text.
class FakeNamedAccounts : public platform::Accounts {
 public:
  struct Account {
    std::string name;
    std::string domain;
    platform::Sid sid;
  };
  std::vector<Account> accounts;
  int sidLookups = 0;

  bool lookupAccountSid(std::string_view, std::span<const std::byte> sid, std::string& name,
                        std::string& domain, platform::SidNameUse& use) override {
    ++sidLookups;
    for (const auto& a : accounts) {
      if (std::equal(a.sid.begin(), a.sid.end(), sid.begin(), sid.end())) {
        name = a.name;
        domain = a.domain;
        use = platform::SidNameUse::User;
        return true;
      }
    }
    return false;
  }
  bool lookupAccountName(std::string_view, std::string_view account, std::vector<std::byte>& sid,
                         std::string& domain, platform::SidNameUse& use) override {
    for (const auto& a : accounts) {
      if (a.name == account) {
        sid = a.sid;
        domain = a.domain;
        use = platform::SidNameUse::User;
        return true;
      }
    }
    return false;
  }
};

inline platform::Sid sidOf(std::uint64_t authority, std::vector<std::uint32_t> parts) {
  return platform::makeSid(authority, parts);
}

}  // namespace tallyvane::testing
