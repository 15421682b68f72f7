#include "sysinfo/Orvex_SysUtils.h"

#include <array>
#include <vector>

#include "platform/Accounts.h"
#include "platform/Unicode.h"
#include "sysinfo/Orvex_NativeAPI.h"
#include "sysinfo/Orvex_NetAPI32.h"
#include "sysinfo/Orvex_Routines.h"
#include "sysinfo/Orvex_WtsApi32.h"

namespace tallyvane {

namespace {

constexpr std::uint32_t kMaxAddresses = 255;
constexpr int kLookupAttempts = 11;

// Whether the system keeps sessions, tokens and terminal services: Windows NT,
// and any system that is not Windows at all (its own services answer);
// Windows 9x has none of them.
bool hasSessions(const TSystemSnapshot& snapshot) {
  const auto platformId = snapshot.OSVersionInfo.platformId;
  return snapshot.IsNT || (platformId != platform::kVerPlatformWin32Windows &&
                           platformId != platform::kVerPlatformWin32s);
}

// The computer name as GetComputerNameW gives it, replaced by the registered
// one when there is one (not upper-cased).
std::string registeredComputerName(const TSystemSnapshot& snapshot) {
  std::string name;
  auto* facts = snapshot.Services.systemFacts;
  if (facts == nullptr || !facts->getComputerName(255, name))
    name.clear();
  auto registry = snapshot.CreateRegistryReader();
  if (const TOpenRegistryKey key(
          *registry, "\\SYSTEM\\CurrentControlSet\\Control\\ComputerName\\ComputerName");
      key) {
    if (registry->ValueExists("ComputerName"))
      name = registry->ReadString("ComputerName");
  }
  return name;
}

std::string fileNamePart(std::string_view path) {
  const std::size_t slash = path.find_last_of("\\/");
  return std::string(slash == std::string_view::npos ? path : path.substr(slash + 1));
}

bool findDiskUnder(TRegistryReader& registry, const std::string& base, const std::string& marker) {
  std::vector<std::string> names;
  if (const TOpenRegistryKey key(registry, base); key)
    names = registry.GetKeyNames();
  for (const auto& name : names) {
    if (asciiUpper(name).find(marker) == std::string::npos)
      continue;
    const TOpenRegistryKey key(registry, base + "\\" + name);
    if (key && registry.HasSubKeys())
      return true;
  }
  return false;
}

}  // namespace

const char* SessionTypeName(TSessionType member) {
  switch (member) {
    case stLocal:
      return "Local";
    case stVMWare:
      return "VMWare";
    case stVPC:
      return "VirtualPC";
    case stVBOX:
      return "VirtualBox";
    case stQEMU:
      return "QEMU";
    case stTerminal:
      return "Terminal";
    case stCitrix:
      return "Citrix";
  }
  return "";
}

std::string SessionTypesText(TSessionTypes types) {
  static constexpr std::array<TSessionType, 7> kOrder = {stLocal, stTerminal, stCitrix, stVMWare,
                                                         stVPC,   stVBOX,     stQEMU};
  std::string text;
  for (TSessionType member : kOrder) {
    if (!types.Contains(member))
      continue;
    if (!text.empty())
      text += "+";
    text += SessionTypeName(member);
  }
  return text;
}

std::uint32_t FindProcessInSession(const TSystemSnapshot& snapshot, std::string_view ImageName,
                                   std::uint32_t& SessionId) {
  std::uint32_t result = platform::kNoProcess;
  auto* wts = snapshot.Services.terminalServices;
  auto* processes = snapshot.Services.processes;
  const bool sessionOfProcess = wts != nullptr && wts->hasProcessIdToSessionId();
  if (SessionId == kNoSession && sessionOfProcess && processes != nullptr) {
    std::uint32_t own = kNoSession;
    if (wts->processIdToSessionId(processes->currentProcessId(), own))
      SessionId = own;
  }
  if (processes == nullptr)
    return result;

  bool snapshotTaken = false;
  if (snapshot.OSKind > okWin2000) {
    std::vector<platform::ProcessEntry> entries;
    snapshotTaken = processes->snapshot(entries);
    if (snapshotTaken) {
      for (const auto& entry : entries) {
        if (!equalsIgnoreAsciiCase(fileNamePart(entry.exeFile), ImageName))
          continue;
        std::uint32_t session = 0;
        if (sessionOfProcess && wts->processIdToSessionId(entry.processId, session) &&
            session == SessionId) {
          result = entry.processId;
          break;
        }
      }
    }
  }
  // Releases before XP (and unrecognised ones) have no process snapshot worth
  // asking; there, and where the snapshot cannot be taken, the native list
  // answers. A snapshot that was walked is not walked again natively.
  if (!snapshotTaken)
    result = NativeFindProcessInSession(snapshot, ImageName, SessionId);
  return result;
}

bool ProcessOwner(const TSystemSnapshot& snapshot, std::uint32_t ProcessId, std::string& User,
                  std::string& Domain) {
  User.clear();
  Domain.clear();
  auto* tokens = snapshot.Services.tokens;
  if (tokens == nullptr)
    return false;
  platform::Sid sid;
  if (!tokens->processUser(ProcessId, sid))
    return false;
  std::string name;
  std::string domain;
  auto* accounts = snapshot.Services.accounts;
  if (accounts != nullptr) {
    // The look-up is repeated a few times: on a busy domain member the first
    // answer may come back empty.
    for (int attempt = 0; attempt < kLookupAttempts && name.empty(); ++attempt) {
      platform::SidNameUse use{};
      domain.clear();
      if (!accounts->lookupAccountSid("", sid, name, domain, use))
        name.clear();
    }
  }
  if (!name.empty()) {
    User = name;
    Domain = domain;
  } else {
    User = SidToText(sid);
  }
  return true;
}

std::string AccountSidText(const TSystemSnapshot& snapshot, std::string_view Machine,
                           std::string_view Account) {
  auto* accounts = snapshot.Services.accounts;
  if (accounts == nullptr)
    return "";
  std::vector<std::byte> sid;
  std::string domain;
  platform::SidNameUse use{};
  if (!accounts->lookupAccountName(Machine, Account, sid, domain, use))
    return "";
  return SidToText(sid);
}

std::string AccountSidText(std::string_view Machine, std::string_view Account) {
  return AccountSidText(SystemSnapshot(), Machine, Account);
}

std::string LoggedOnUser(const TSystemSnapshot& snapshot, std::uint32_t SessionId) {
  std::string user;
  std::string domain;
  if (hasSessions(snapshot)) {
    auto* wts = snapshot.Services.terminalServices;
    if (snapshot.WtsAvailable && wts != nullptr) {
      std::string text;
      if (wts->querySessionText(SessionId, platform::kWtsUserName, text))
        user = text;
      if (wts->querySessionText(SessionId, platform::kWtsDomainName, text))
        domain = text;
    }
    if (user.empty()) {
      if (SessionId == kNoSession) {
        SessionId =
            IsRemoteSession(snapshot) ? CurrentSessionId(snapshot) : ConsoleSessionId(snapshot);
      }
      if (SessionId == kNoSession)
        SessionId = snapshot.OSVersionInfo.majorVersion >= 6 ? 1 : 0;
      const std::uint32_t process = FindProcessInSession(snapshot, "explorer.exe", SessionId);
      auto* tokens = snapshot.Services.tokens;
      if (process != platform::kNoProcess && tokens != nullptr && tokens->canOpenProcess(process)) {
        ProcessOwner(snapshot, process, user, domain);
      }
    }
  }
  if (user.empty()) {
    auto* facts = snapshot.Services.systemFacts;
    if (facts == nullptr || !facts->getUserName(255, user))
      user.clear();
  }
  if (domain.empty())
    domain = WorkstationDomain(snapshot, "");
  if (!domain.empty() && !user.empty() &&
      !equalsIgnoreAsciiCase(domain, registeredComputerName(snapshot))) {
    const std::string joined = user + "@" + domain;
    if (AccountSidText(snapshot, "", joined).rfind("S-", 0) == 0)
      user = joined;
  }
  return user;
}

std::string LoggedOnUser(std::uint32_t SessionId) {
  return LoggedOnUser(SystemSnapshot(), SessionId);
}

bool HasVirtualDisk(const TSystemSnapshot& snapshot, std::string_view Marker) {
  const std::string marker = asciiUpper(Marker);
  auto registry = snapshot.CreateRegistryReader();
  if (findDiskUnder(*registry, "SYSTEM\\CurrentControlSet\\Enum\\IDE", marker))
    return true;
  return findDiskUnder(*registry, "SYSTEM\\CurrentControlSet\\Enum\\SCSI", marker);
}

bool IsRemoteSession(const TSystemSnapshot& snapshot) {
  auto* facts = snapshot.Services.systemFacts;
  return facts != nullptr && facts->getSystemMetrics(platform::kSmRemoteSession) > 0;
}

bool IsCitrixSession(const TSystemSnapshot& snapshot) {
  auto registry = snapshot.CreateRegistryReader();
  if (const TOpenRegistryKey key(*registry,
                                 "SOFTWARE\\Microsoft\\Windows NT\\CurrentVersion\\Winlogon");
      key) {
    if (registry->ValueExists("GinaDLL") &&
        asciiUpper(registry->ReadString("GinaDLL")).find("CTXGINA") != std::string::npos)
      return true;
  }
  registry->SetRootKey(platform::kHKeyCurrentUser);
  return registry->KeyExists("Software\\Citrix\\GoToAssist\\ConnectionInfo\\LastGood\\0000");
}

bool IsAdministrator(const TSystemSnapshot& snapshot) {
  auto* tokens = snapshot.Services.tokens;
  std::vector<platform::Sid> groups;
  if (tokens == nullptr || !tokens->currentGroups(groups))
    return false;
  constexpr std::uint32_t kAdministrators[] = {32, 544};
  const auto administrators = platform::makeSid(5, kAdministrators);
  for (const auto& group : groups) {
    if (group == administrators)
      return true;
  }
  return false;
}

TSessionTypes DetectSessionTypes(const TSystemSnapshot& snapshot) {
  TSessionTypes types;
  if (HasVirtualDisk(snapshot, "VMWARE"))
    types.Include(stVMWare);
  if (HasVirtualDisk(snapshot, "VBOX_HARD"))
    types.Include(stVBOX);
  if (HasVirtualDisk(snapshot, "VIRTUAL_HD"))
    types.Include(stVPC);
  if (HasVirtualDisk(snapshot, "QEMU_HARD"))
    types.Include(stQEMU);
  if (IsCitrixSession(snapshot))
    types.Include(stCitrix);
  types.Include(IsRemoteSession(snapshot) ? stTerminal : stLocal);
  return types;
}

std::string HostAddresses(const TSystemSnapshot& snapshot) {
  auto* network = snapshot.Services.network;
  std::string host;
  std::vector<std::uint32_t> addresses;
  if (network == nullptr || !network->hostName(host) || !network->resolveIpv4(host, addresses)) {
    return "";
  }
  std::string text;
  std::uint32_t count = 0;
  for (std::uint32_t address : addresses) {
    if (count++ == kMaxAddresses)
      break;
    text += std::to_string(address >> 24) + "." + std::to_string((address >> 16) & 0xFF) + "." +
            std::to_string((address >> 8) & 0xFF) + "." + std::to_string(address & 0xFF) + ",";
  }
  if (!text.empty())
    text.pop_back();
  return text;
}

TSessionTypes DetectSessionTypes() {
  return DetectSessionTypes(SystemSnapshot());
}
bool IsRemoteSession() {
  return IsRemoteSession(SystemSnapshot());
}
bool IsCitrixSession() {
  return IsCitrixSession(SystemSnapshot());
}
bool IsAdministrator() {
  return IsAdministrator(SystemSnapshot());
}
std::string HostAddresses() {
  return HostAddresses(SystemSnapshot());
}

}  // namespace tallyvane
