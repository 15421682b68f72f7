#include <arpa/inet.h>
#include <dirent.h>
#include <grp.h>
#include <netdb.h>
#include <pwd.h>
#include <signal.h>
#include <sys/socket.h>
#include <systemd/sd-daemon.h>
#include <systemd/sd-login.h>
#include <unistd.h>
#include <utmpx.h>

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <optional>
#include <sstream>

#include "platform/Accounts.h"
#include "platform/Unicode.h"
#include "platform/linux/LinuxSystemInfo.h"

namespace tallyvane::platform {

namespace {

constexpr std::uint32_t kUnsetAuditSession = 0xFFFFFFFF;

std::optional<std::uint32_t> parseNumber(std::string_view text) {
  if (text.empty() || text.size() > 10)
    return std::nullopt;
  std::uint64_t value = 0;
  for (char c : text) {
    if (c < '0' || c > '9')
      return std::nullopt;
    value = value * 10 + static_cast<std::uint64_t>(c - '0');
  }
  if (value > 0xFFFFFFFFULL)
    return std::nullopt;
  return static_cast<std::uint32_t>(value);
}

std::string readFirstLine(const std::string& path) {
  std::ifstream in(path);
  std::string line;
  if (in)
    std::getline(in, line);
  return line;
}

// The audit session of a process, as the kernel keeps it.
std::optional<std::uint32_t> auditSessionOf(std::uint32_t processId) {
  const auto value =
      parseNumber(readFirstLine("/proc/" + std::to_string(processId) + "/sessionid"));
  if (!value || *value == kUnsetAuditSession)
    return std::nullopt;
  return value;
}

// A string that sd-login allocated, freed on every path.
struct SdString {
  char* text = nullptr;
  ~SdString() { std::free(text); }
};

std::optional<std::string> userNameOf(uid_t uid) {
  long size = sysconf(_SC_GETPW_R_SIZE_MAX);
  std::vector<char> buffer(size > 0 ? static_cast<std::size_t>(size) : 16384);
  passwd entry{};
  passwd* found = nullptr;
  while (getpwuid_r(uid, &entry, buffer.data(), buffer.size(), &found) == ERANGE) {
    buffer.resize(buffer.size() * 2);
  }
  if (found == nullptr || found->pw_name == nullptr)
    return std::nullopt;
  return std::string(found->pw_name);
}

std::string localHostName() {
  char host[256] = {};
  if (gethostname(host, sizeof host - 1) != 0)
    return "";
  return host;
}

// The logind session a number names, when logind knows it.
std::optional<std::string> logindSession(std::uint32_t sessionId) {
  if (sessionId == kCurrentSession) {
    SdString name;
    if (sd_pid_get_session(0, &name.text) < 0 || name.text == nullptr)
      return std::nullopt;
    return std::string(name.text);
  }
  const std::string name = std::to_string(sessionId);
  uid_t uid = 0;
  if (sd_session_get_uid(name.c_str(), &uid) < 0)
    return std::nullopt;
  return name;
}

// The utmp login record of a session: for the current session the one of this
// process's terminal, for a numbered one a login whose process is in it.
struct LoginRecord {
  std::string user;
  std::string host;
};

std::optional<std::string> ownTerminalLine() {
  for (int fd = 0; fd <= 2; ++fd) {
    if (const char* name = ttyname(fd)) {
      std::string line = name;
      if (line.rfind("/dev/", 0) == 0)
        line.erase(0, 5);
      return line;
    }
  }
  return std::nullopt;
}

std::optional<LoginRecord> utmpLogin(std::uint32_t sessionId) {
  std::optional<std::string> terminal;
  if (sessionId == kCurrentSession) {
    terminal = ownTerminalLine();
    if (!terminal)
      return std::nullopt;
  }
  std::optional<LoginRecord> found;
  setutxent();
  while (const utmpx* entry = getutxent()) {
    if (entry->ut_type != USER_PROCESS)
      continue;
    const std::string line(entry->ut_line, strnlen(entry->ut_line, sizeof entry->ut_line));
    bool matches = false;
    if (terminal) {
      matches = line == *terminal;
    } else {
      const auto session = auditSessionOf(static_cast<std::uint32_t>(entry->ut_pid));
      matches = session && *session == sessionId;
    }
    if (!matches)
      continue;
    found =
        LoginRecord{std::string(entry->ut_user, strnlen(entry->ut_user, sizeof entry->ut_user)),
                    std::string(entry->ut_host, strnlen(entry->ut_host, sizeof entry->ut_host))};
    break;
  }
  endutxent();
  return found;
}

// A utmp host names a remote machine; an X display (":0") is local.
bool isRemoteHost(std::string_view host) {
  return !host.empty() && host.front() != ':';
}

Sid unixSid(std::uint32_t kind, std::uint32_t id) {
  const std::uint32_t parts[] = {kind, id};
  return makeSid(22, parts);
}

std::vector<std::uint32_t> processIds() {
  std::vector<std::uint32_t> ids;
  DIR* proc = opendir("/proc");
  if (proc == nullptr)
    return ids;
  while (const dirent* entry = readdir(proc)) {
    if (const auto id = parseNumber(entry->d_name))
      ids.push_back(*id);
  }
  closedir(proc);
  std::sort(ids.begin(), ids.end());
  return ids;
}

std::optional<std::string> executablePath(std::uint32_t processId) {
  std::vector<char> path(4096);
  const std::string link = "/proc/" + std::to_string(processId) + "/exe";
  const ssize_t length = readlink(link.c_str(), path.data(), path.size() - 1);
  if (length <= 0)
    return std::nullopt;
  return std::string(path.data(), static_cast<std::size_t>(length));
}

}  // namespace

bool linuxSessionIsRemote() {
  if (const auto session = logindSession(kCurrentSession)) {
    return sd_session_is_remote(session->c_str()) > 0;
  }
  if (const auto login = utmpLogin(kCurrentSession))
    return isRemoteHost(login->host);
  return false;
}

// ---- Terminal services ----

bool LinuxTerminalServices::available() {
  if (sd_booted() > 0 && access("/run/systemd/sessions", F_OK) == 0)
    return true;
  return access(_PATH_UTMPX, R_OK) == 0;
}

bool LinuxTerminalServices::querySessionText(std::uint32_t sessionId, WtsInfoClass infoClass,
                                             std::string& text) {
  std::optional<std::string> user;
  if (const auto session = logindSession(sessionId)) {
    uid_t uid = 0;
    if (sd_session_get_uid(session->c_str(), &uid) >= 0)
      user = userNameOf(uid);
  }
  if (!user) {
    if (const auto login = utmpLogin(sessionId))
      user = login->user;
  }
  if (!user)
    return false;
  switch (infoClass) {
    case kWtsUserName:
      text = *user;
      return true;
    case kWtsDomainName:
      // Local accounts belong to the machine itself, as on a Windows workgroup computer.
      text = localHostName();
      return !text.empty();
    default:
      return false;
  }
}

bool LinuxTerminalServices::querySessionNumber(std::uint32_t sessionId, WtsInfoClass infoClass,
                                               std::uint32_t& value) {
  if (infoClass != kWtsSessionId)
    return false;
  if (sessionId != kCurrentSession) {
    value = sessionId;
    return logindSession(sessionId).has_value();
  }
  if (const auto session = logindSession(kCurrentSession)) {
    if (const auto number = parseNumber(*session)) {
      value = *number;
      return true;
    }
  }
  if (const auto own = auditSessionOf(static_cast<std::uint32_t>(getpid()))) {
    value = *own;
    return true;
  }
  return false;
}

bool LinuxTerminalServices::activeConsoleSessionId(std::uint32_t& sessionId) {
  SdString session;
  if (sd_seat_get_active("seat0", &session.text, nullptr) < 0 || session.text == nullptr) {
    return false;
  }
  const auto number = parseNumber(session.text);
  if (!number)
    return false;
  sessionId = *number;
  return true;
}

bool LinuxTerminalServices::processIdToSessionId(std::uint32_t processId,
                                                 std::uint32_t& sessionId) {
  const auto session = auditSessionOf(processId);
  if (!session)
    return false;
  sessionId = *session;
  return true;
}

// ---- Processes ----

std::uint32_t LinuxProcessList::currentProcessId() {
  return static_cast<std::uint32_t>(getpid());
}

bool LinuxProcessList::snapshot(std::vector<ProcessEntry>& entries) {
  if (access("/proc/self", F_OK) != 0)
    return false;
  entries.clear();
  for (std::uint32_t id : processIds()) {
    // Every process is listed; one whose program file cannot be read (another
    // user's) goes by its command name.
    std::string name = executablePath(id).value_or("");
    if (name.empty())
      name = readFirstLine("/proc/" + std::to_string(id) + "/comm");
    if (name.empty())
      continue;
    entries.push_back({id, name});
  }
  return true;
}

bool LinuxProcessList::nativeProcesses(std::vector<NativeProcessRecord>& records) {
  if (access("/proc/self", F_OK) != 0)
    return false;
  records.clear();
  for (std::uint32_t id : processIds()) {
    records.push_back({id, auditSessionOf(id).value_or(kUnsetAuditSession)});
  }
  return true;
}

bool LinuxProcessList::moduleBaseName(std::uint32_t processId, std::string& name) {
  const auto path = executablePath(processId);
  if (!path)
    return false;
  const std::size_t slash = path->find_last_of('/');
  name = slash == std::string::npos ? *path : path->substr(slash + 1);
  return true;
}

// ---- Tokens ----

bool LinuxProcessTokens::canOpenProcess(std::uint32_t processId) {
  return kill(static_cast<pid_t>(processId), 0) == 0;
}

bool LinuxProcessTokens::processUser(std::uint32_t processId, Sid& user) {
  std::ifstream status("/proc/" + std::to_string(processId) + "/status");
  std::string line;
  while (std::getline(status, line)) {
    if (line.rfind("Uid:", 0) != 0)
      continue;
    std::istringstream fields(line.substr(4));
    std::uint32_t real = 0;
    std::uint32_t effective = 0;
    if (!(fields >> real >> effective))
      return false;
    user = unixSid(1, effective);
    return true;
  }
  return false;
}

bool LinuxProcessTokens::currentGroups(std::vector<Sid>& groups) {
  const int count = getgroups(0, nullptr);
  if (count < 0)
    return false;
  std::vector<gid_t> ids(static_cast<std::size_t>(count));
  if (count > 0 && getgroups(count, ids.data()) < 0)
    return false;
  ids.push_back(getegid());
  std::sort(ids.begin(), ids.end());
  ids.erase(std::unique(ids.begin(), ids.end()), ids.end());

  bool administrator = geteuid() == 0;
  groups.clear();
  for (gid_t id : ids) {
    groups.push_back(unixSid(2, static_cast<std::uint32_t>(id)));
    std::vector<char> buffer(16384);
    group entry{};
    group* found = nullptr;
    while (getgrgid_r(id, &entry, buffer.data(), buffer.size(), &found) == ERANGE) {
      buffer.resize(buffer.size() * 2);
    }
    if (found != nullptr && found->gr_name != nullptr) {
      const std::string_view name = found->gr_name;
      if (name == "sudo" || name == "wheel" || name == "admin")
        administrator = true;
    }
  }
  if (administrator) {
    const std::uint32_t parts[] = {32, 544};
    groups.push_back(makeSid(5, parts));
  }
  return true;
}

// ---- Network ----

bool LinuxNetworkInfo::workstationLanGroup(std::string_view server, std::string& lanGroup) {
  // Only this machine answers: the NIS domain it belongs to, when it has one.
  if (!server.empty() && server != "\\\\." && !equalsIgnoreAsciiCase(server, localHostName()) &&
      !equalsIgnoreAsciiCase(server, "\\\\" + localHostName())) {
    return false;
  }
  char domain[256] = {};
  if (getdomainname(domain, sizeof domain - 1) != 0)
    return false;
  const std::string_view text = domain;
  if (text.empty() || text == "(none)")
    return false;
  lanGroup = std::string(text);
  return true;
}

bool LinuxNetworkInfo::hostName(std::string& name) {
  name = localHostName();
  return !name.empty();
}

bool LinuxNetworkInfo::resolveIpv4(std::string_view host, std::vector<std::uint32_t>& addresses) {
  addrinfo hints{};
  hints.ai_family = AF_INET;
  hints.ai_socktype = SOCK_STREAM;
  addrinfo* result = nullptr;
  if (getaddrinfo(std::string(host).c_str(), nullptr, &hints, &result) != 0)
    return false;
  addresses.clear();
  for (const addrinfo* a = result; a != nullptr; a = a->ai_next) {
    if (a->ai_family != AF_INET || a->ai_addr == nullptr)
      continue;
    sockaddr_in address{};
    std::memcpy(&address, a->ai_addr, sizeof address);
    const std::uint32_t value = ntohl(address.sin_addr.s_addr);
    if (std::find(addresses.begin(), addresses.end(), value) == addresses.end()) {
      addresses.push_back(value);
    }
  }
  freeaddrinfo(result);
  return !addresses.empty();
}

}  // namespace tallyvane::platform
