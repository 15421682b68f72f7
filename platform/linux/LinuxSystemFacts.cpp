#include <pwd.h>
#include <sys/utsname.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <vector>

#include "platform/Unicode.h"
#include "platform/linux/LinuxSystemInfo.h"

namespace tallyvane::platform {

namespace {

std::string readWholeFile(const char* path) {
  std::ifstream in(path, std::ios::binary);
  if (!in)
    return {};
  std::ostringstream text;
  text << in.rdbuf();
  return text.str();
}

// Characters as Windows counts them: UTF-16 code units.
std::size_t utf16Length(std::string_view text) {
  return utf8ToUtf16(text).size();
}

}  // namespace

std::uint16_t architectureOfMachine(std::string_view machine) {
  const std::string m = asciiLower(machine);
  if (m == "x86_64" || m == "amd64")
    return kProcessorArchitectureAmd64;
  if (m == "i386" || m == "i486" || m == "i586" || m == "i686" || m == "x86") {
    return kProcessorArchitectureIntel;
  }
  if (m == "aarch64" || m == "arm64")
    return kProcessorArchitectureArm64;
  if (m.rfind("arm", 0) == 0)
    return kProcessorArchitectureArm;
  if (m == "ia64")
    return kProcessorArchitectureIa64;
  return kProcessorArchitectureUnknown;
}

bool LinuxSystemFacts::getVersionEx(OsVersionRecord& record) {
  if (record.osVersionInfoSize != OsVersionRecord::kBasicSize &&
      record.osVersionInfoSize != OsVersionRecord::kExtendedSize) {
    return false;
  }
  utsname names{};
  if (uname(&names) != 0)
    return false;
  // The kernel release ("6.1.0-18-amd64") gives the version numbers.
  unsigned numbers[3] = {0, 0, 0};
  const char* p = names.release;
  for (int i = 0; i < 3 && *p != '\0'; ++i) {
    char* end = nullptr;
    numbers[i] = static_cast<unsigned>(std::strtoul(p, &end, 10));
    if (end == p || *end != '.')
      break;
    p = end + 1;
  }
  const std::uint32_t size = record.osVersionInfoSize;
  record = OsVersionRecord{};
  record.osVersionInfoSize = size;
  record.majorVersion = numbers[0];
  record.minorVersion = numbers[1];
  record.buildNumber = numbers[2];
  record.platformId = kVerPlatformOther;
  return true;
}

std::uint16_t LinuxSystemFacts::processorArchitecture(bool) {
  utsname names{};
  if (uname(&names) != 0)
    return kProcessorArchitectureUnknown;
  return architectureOfMachine(names.machine);
}

int LinuxSystemFacts::getSystemMetrics(int index) {
  if (index == kSmRemoteSession)
    return linuxSessionIsRemote() ? 1 : 0;
  // Tablet, media-center, starter and server-R2 editions are Windows' own.
  return 0;
}

bool LinuxSystemFacts::getUserName(std::uint32_t bufferChars, std::string& name) {
  long size = sysconf(_SC_GETPW_R_SIZE_MAX);
  std::vector<char> buffer(size > 0 ? static_cast<std::size_t>(size) : 16384);
  passwd entry{};
  passwd* found = nullptr;
  while (getpwuid_r(geteuid(), &entry, buffer.data(), buffer.size(), &found) == ERANGE) {
    buffer.resize(buffer.size() * 2);
  }
  if (found == nullptr || found->pw_name == nullptr)
    return false;
  const std::string user = found->pw_name;
  if (utf16Length(user) + 1 > bufferChars)
    return false;
  name = user;
  return true;
}

bool LinuxSystemFacts::getComputerName(std::uint32_t bufferChars, std::string& name) {
  char host[256] = {};
  if (gethostname(host, sizeof host - 1) != 0)
    return false;
  const std::string text = host;
  if (text.empty() || utf16Length(text) + 1 > bufferChars)
    return false;
  name = text;
  return true;
}

std::string LinuxSystemFacts::moduleFileName(std::uint32_t bufferChars) {
  std::vector<char> path(4096);
  const ssize_t length = readlink("/proc/self/exe", path.data(), path.size() - 1);
  if (length <= 0)
    return "";
  std::string text(path.data(), static_cast<std::size_t>(length));
  // A name longer than the buffer is cut to fit, terminator included.
  std::u16string wide = utf8ToUtf16(text);
  if (bufferChars > 0 && wide.size() + 1 > bufferChars) {
    wide.resize(bufferChars - 1);
    text = utf16ToUtf8(wide);
  }
  return text;
}

bool LinuxSystemFacts::hostSystem(HostSystemDescription& description) {
  description.osRelease = readWholeFile("/etc/os-release");
  if (description.osRelease.empty())
    description.osRelease = readWholeFile("/usr/lib/os-release");
  utsname names{};
  description.machine = uname(&names) == 0 ? names.machine : "";
  return true;
}

}  // namespace tallyvane::platform
