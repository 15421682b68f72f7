#pragma once
// Accounts on Linux. Unix users and groups map to SIDs by the convention Samba
// and others use: user `uid` is S-1-22-1-uid, group `gid` is S-1-22-2-gid, and
// their domain is the host name in upper case, as Windows names the domain of a
// machine's local accounts after the computer. The well-known SIDs (S-1-5-18
// "SYSTEM" of "NT AUTHORITY", S-1-5-32-544 "Administrators" of "BUILTIN", ...)
// have their usual names. Only this machine answers: another system fails.
#include <string>

#include "platform/Accounts.h"

namespace tallyvane::platform {

class LinuxAccounts : public Accounts {
 public:
  explicit LinuxAccounts(std::string hostName);

  bool lookupAccountSid(std::string_view system, std::span<const std::byte> sid, std::string& name,
                        std::string& domain, SidNameUse& use) override;
  bool lookupAccountName(std::string_view system, std::string_view account,
                         std::vector<std::byte>& sid, std::string& domain,
                         SidNameUse& use) override;

  // The domain of the Unix accounts: the host name in upper case.
  const std::string& accountDomain() const { return domain_; }

 private:
  bool isThisSystem(std::string_view system) const;

  std::string hostName_;
  std::string domain_;
};

}  // namespace tallyvane::platform
