#include "platform/linux/LinuxAccounts.h"

#include <grp.h>
#include <pwd.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include "eventlog/Orvex_EventLogNT.h"

namespace tallyvane::platform {
namespace {

std::vector<std::byte> sidOf(std::uint64_t authority, std::vector<std::uint32_t> subs) {
  return makeSid(authority, subs);
}

TEST(LinuxAccounts, NamesWellKnownAndUnixSids) {
  LinuxAccounts accounts("vm-host");
  const passwd* self = getpwuid(getuid());
  ASSERT_NE(self, nullptr);
  const group* ownGroup = getgrgid(getgid());
  ASSERT_NE(ownGroup, nullptr);
  struct Case {
    std::vector<std::byte> sid;
    std::string name, domain;
    SidNameUse use;
  };
  const Case cases[] = {
      {sidOf(5, {18}), "SYSTEM", "NT AUTHORITY", SidNameUse::WellKnownGroup},
      {sidOf(5, {19}), "LOCAL SERVICE", "NT AUTHORITY", SidNameUse::WellKnownGroup},
      {sidOf(5, {20}), "NETWORK SERVICE", "NT AUTHORITY", SidNameUse::WellKnownGroup},
      {sidOf(5, {32, 544}), "Administrators", "BUILTIN", SidNameUse::Alias},
      {sidOf(1, {0}), "Everyone", "", SidNameUse::WellKnownGroup},
      {sidOf(22, {1, getuid()}), self->pw_name, "VM-HOST", SidNameUse::User},
      {sidOf(22, {2, getgid()}), ownGroup->gr_name, "VM-HOST", SidNameUse::Group},
  };
  for (const Case& c : cases) {
    std::string name, domain;
    SidNameUse use = SidNameUse::Unknown;
    ASSERT_TRUE(accounts.lookupAccountSid("", c.sid, name, domain, use)) << SidToText(c.sid);
    EXPECT_EQ(name, c.name);
    EXPECT_EQ(domain, c.domain);
    EXPECT_EQ(use, c.use);
  }
}

TEST(LinuxAccounts, UnknownSidsAndOtherSystemsFail) {
  LinuxAccounts accounts("vm-host");
  std::string name, domain;
  SidNameUse use{};
  const std::vector<std::vector<std::byte>> unknown = {sidOf(22, {1, 4'000'000'000u}),
                                                       sidOf(22, {3, 0}),
                                                       sidOf(22, {1}),
                                                       sidOf(5, {21, 1, 2, 3}),
                                                       {std::byte{2}, std::byte{0}}};
  for (const auto& sid : unknown) {
    EXPECT_FALSE(accounts.lookupAccountSid("", sid, name, domain, use)) << SidToText(sid);
  }
  EXPECT_FALSE(accounts.lookupAccountSid("\\\\elsewhere", sidOf(5, {18}), name, domain, use));
  EXPECT_TRUE(accounts.lookupAccountSid("\\\\VM-HOST", sidOf(5, {18}), name, domain, use));
}

TEST(LinuxAccounts, FindsSidsByName) {
  LinuxAccounts accounts("vm-host");
  const passwd* self = getpwuid(getuid());
  ASSERT_NE(self, nullptr);
  const std::string user = self->pw_name;
  struct Case {
    std::string account;
    std::string sid;  // empty: the look-up fails
    std::string domain;
  };
  const Case cases[] = {
      {user, "S-1-22-1-" + std::to_string(getuid()), "VM-HOST"},
      {"vm-host\\" + user, "S-1-22-1-" + std::to_string(getuid()), "VM-HOST"},
      {user + "@VM-HOST", "S-1-22-1-" + std::to_string(getuid()), "VM-HOST"},
      {"other\\" + user, "", ""},
      {"system", "S-1-5-18", "NT AUTHORITY"},
      {"NT AUTHORITY\\SYSTEM", "S-1-5-18", "NT AUTHORITY"},
      {"BUILTIN\\Administrators", "S-1-5-32-544", "BUILTIN"},
      {"no-such-account-here", "", ""},
      {"", "", ""},
  };
  for (const Case& c : cases) {
    std::vector<std::byte> sid;
    std::string domain;
    SidNameUse use{};
    const bool found = accounts.lookupAccountName("", c.account, sid, domain, use);
    EXPECT_EQ(found, !c.sid.empty()) << c.account;
    if (!found)
      continue;
    EXPECT_EQ(SidToText(sid), c.sid) << c.account;
    EXPECT_EQ(domain, c.domain) << c.account;
  }
  if (const group* g = getgrnam("nogroup"); g != nullptr && getpwnam("nogroup") == nullptr) {
    std::vector<std::byte> sid;
    std::string domain;
    SidNameUse use{};
    ASSERT_TRUE(accounts.lookupAccountName("", "nogroup", sid, domain, use));
    EXPECT_EQ(SidToText(sid), "S-1-22-2-" + std::to_string(g->gr_gid));
    EXPECT_EQ(use, SidNameUse::Group);
  }
}

}  // namespace
}  // namespace tallyvane::platform
