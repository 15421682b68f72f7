#include "platform/linux/LinuxAccounts.h"

#include <grp.h>
#include <pwd.h>

#include <cerrno>
#include <optional>
#include <utility>

#include "platform/ByteReader.h"
#include "platform/Unicode.h"

namespace tallyvane::platform {

namespace {

constexpr std::uint64_t kWorldAuthority = 1;
constexpr std::uint64_t kLocalAuthority = 2;
constexpr std::uint64_t kCreatorAuthority = 3;
constexpr std::uint64_t kNtAuthority = 5;
constexpr std::uint64_t kUnixAuthority = 22;
constexpr std::uint32_t kUnixUsers = 1;
constexpr std::uint32_t kUnixGroups = 2;

struct WellKnownSid {
  std::uint64_t authority;
  std::vector<std::uint32_t> subAuthorities;
  const char* name;
  const char* domain;
  SidNameUse use;
};

const std::vector<WellKnownSid>& wellKnownSids() {
  static const std::vector<WellKnownSid> sids = {
      {kWorldAuthority, {0}, "Everyone", "", SidNameUse::WellKnownGroup},
      {kLocalAuthority, {0}, "LOCAL", "", SidNameUse::WellKnownGroup},
      {kCreatorAuthority, {0}, "CREATOR OWNER", "", SidNameUse::WellKnownGroup},
      {kNtAuthority, {2}, "NETWORK", "NT AUTHORITY", SidNameUse::WellKnownGroup},
      {kNtAuthority, {4}, "INTERACTIVE", "NT AUTHORITY", SidNameUse::WellKnownGroup},
      {kNtAuthority, {6}, "SERVICE", "NT AUTHORITY", SidNameUse::WellKnownGroup},
      {kNtAuthority, {11}, "Authenticated Users", "NT AUTHORITY", SidNameUse::WellKnownGroup},
      {kNtAuthority, {18}, "SYSTEM", "NT AUTHORITY", SidNameUse::WellKnownGroup},
      {kNtAuthority, {19}, "LOCAL SERVICE", "NT AUTHORITY", SidNameUse::WellKnownGroup},
      {kNtAuthority, {20}, "NETWORK SERVICE", "NT AUTHORITY", SidNameUse::WellKnownGroup},
      {kNtAuthority, {32}, "BUILTIN", "BUILTIN", SidNameUse::Domain},
      {kNtAuthority, {32, 544}, "Administrators", "BUILTIN", SidNameUse::Alias},
      {kNtAuthority, {32, 545}, "Users", "BUILTIN", SidNameUse::Alias},
      {kNtAuthority, {32, 546}, "Guests", "BUILTIN", SidNameUse::Alias},
  };
  return sids;
}

struct ParsedSid {
  std::uint64_t authority = 0;
  std::vector<std::uint32_t> subAuthorities;
};

std::optional<ParsedSid> parseSid(std::span<const std::byte> bytes) {
  const std::size_t length = sidLength(bytes);
  if (length == 0)
    return std::nullopt;
  const ByteReader reader(bytes.first(length));
  ParsedSid sid;
  for (std::size_t i = 0; i < 6; ++i)
    sid.authority = (sid.authority << 8) | *reader.u8(2 + i);
  const std::size_t count = *reader.u8(1);
  for (std::size_t i = 0; i < count; ++i)
    sid.subAuthorities.push_back(*reader.u32(8 + 4 * i));
  return sid;
}

// getpwuid_r and its relatives fill a caller's buffer that may prove too small;
// `take` reads what is needed from the entry while the buffer lives.
template <typename Entry, typename Call, typename Take>
auto withEntry(Call call, Take take) -> std::optional<decltype(take(std::declval<Entry&>()))> {
  Entry entry{};
  std::vector<char> buffer(1024);
  for (;;) {
    Entry* result = nullptr;
    const int error = call(&entry, buffer.data(), buffer.size(), &result);
    if (error == ERANGE && buffer.size() < (1u << 20)) {
      buffer.resize(buffer.size() * 4);
      continue;
    }
    if (error != 0 || result == nullptr)
      return std::nullopt;
    return take(*result);
  }
}

std::optional<std::string> userName(uid_t uid) {
  return withEntry<passwd>(
      [uid](passwd* e, char* b, std::size_t n, passwd** r) { return getpwuid_r(uid, e, b, n, r); },
      [](const passwd& e) { return std::string(e.pw_name); });
}

std::optional<std::string> groupName(gid_t gid) {
  return withEntry<group>(
      [gid](group* e, char* b, std::size_t n, group** r) { return getgrgid_r(gid, e, b, n, r); },
      [](const group& e) { return std::string(e.gr_name); });
}

std::optional<uid_t> userId(const std::string& name) {
  return withEntry<passwd>([&name](passwd* e, char* b, std::size_t n,
                                   passwd** r) { return getpwnam_r(name.c_str(), e, b, n, r); },
                           [](const passwd& e) { return e.pw_uid; });
}

std::optional<gid_t> groupId(const std::string& name) {
  return withEntry<group>([&name](group* e, char* b, std::size_t n,
                                  group** r) { return getgrnam_r(name.c_str(), e, b, n, r); },
                          [](const group& e) { return e.gr_gid; });
}

std::string_view withoutBackslashes(std::string_view system) {
  while (!system.empty() && system.front() == '\\')
    system.remove_prefix(1);
  return system;
}

}  // namespace

LinuxAccounts::LinuxAccounts(std::string hostName)
    : hostName_(std::move(hostName)), domain_(asciiUpper(hostName_)) {}

bool LinuxAccounts::isThisSystem(std::string_view system) const {
  system = withoutBackslashes(system);
  return system.empty() || equalsIgnoreAsciiCase(system, hostName_) ||
         equalsIgnoreAsciiCase(system, "localhost") || system == ".";
}

bool LinuxAccounts::lookupAccountSid(std::string_view system, std::span<const std::byte> sid,
                                     std::string& name, std::string& domain, SidNameUse& use) {
  if (!isThisSystem(system))
    return false;
  const auto parsed = parseSid(sid);
  if (!parsed)
    return false;
  for (const WellKnownSid& known : wellKnownSids()) {
    if (known.authority == parsed->authority && known.subAuthorities == parsed->subAuthorities) {
      name = known.name;
      domain = known.domain;
      use = known.use;
      return true;
    }
  }
  if (parsed->authority != kUnixAuthority || parsed->subAuthorities.size() != 2)
    return false;
  const std::uint32_t id = parsed->subAuthorities[1];
  std::optional<std::string> found;
  if (parsed->subAuthorities[0] == kUnixUsers) {
    found = userName(static_cast<uid_t>(id));
    use = SidNameUse::User;
  } else if (parsed->subAuthorities[0] == kUnixGroups) {
    found = groupName(static_cast<gid_t>(id));
    use = SidNameUse::Group;
  }
  if (!found)
    return false;
  name = *found;
  domain = domain_;
  return true;
}

bool LinuxAccounts::lookupAccountName(std::string_view system, std::string_view account,
                                      std::vector<std::byte>& sid, std::string& domain,
                                      SidNameUse& use) {
  if (!isThisSystem(system) || account.empty())
    return false;
  // "DOMAIN\name" and "name@domain" name their domain; a bare name is looked up
  // among the well-known accounts first, then among this machine's users and groups.
  std::optional<std::string_view> wantedDomain;
  if (const auto slash = account.find('\\'); slash != std::string_view::npos) {
    wantedDomain = account.substr(0, slash);
    account = account.substr(slash + 1);
  } else if (const auto at = account.rfind('@'); at != std::string_view::npos) {
    wantedDomain = account.substr(at + 1);
    account = account.substr(0, at);
  }
  if (account.empty())
    return false;
  for (const WellKnownSid& known : wellKnownSids()) {
    if (known.use == SidNameUse::Domain || !equalsIgnoreAsciiCase(known.name, account))
      continue;
    if (wantedDomain && !equalsIgnoreAsciiCase(*wantedDomain, known.domain))
      continue;
    sid = makeSid(known.authority, known.subAuthorities);
    domain = known.domain;
    use = known.use;
    return true;
  }
  if (wantedDomain && !equalsIgnoreAsciiCase(*wantedDomain, hostName_))
    return false;
  const std::string name(account);
  if (const auto uid = userId(name)) {
    const std::uint32_t subs[] = {kUnixUsers, static_cast<std::uint32_t>(*uid)};
    sid = makeSid(kUnixAuthority, subs);
    use = SidNameUse::User;
  } else if (const auto gid = groupId(name)) {
    const std::uint32_t subs[] = {kUnixGroups, static_cast<std::uint32_t>(*gid)};
    sid = makeSid(kUnixAuthority, subs);
    use = SidNameUse::Group;
  } else {
    return false;
  }
  domain = domain_;
  return true;
}

}  // namespace tallyvane::platform
