#pragma once
// Accounts and security identifiers, shaped after LookupAccountSidW and
// LookupAccountNameW. SIDs travel as their binary form (revision, sub-authority
// count, 6-byte big-endian identifier authority, 32-bit little-endian sub-authorities).
#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace tallyvane::platform {

enum class SidNameUse : std::uint32_t {
  User = 1,
  Group,
  Domain,
  Alias,
  WellKnownGroup,
  DeletedAccount,
  Invalid,
  Unknown,
  Computer,
  Label,
};

class Accounts {
 public:
  virtual ~Accounts() = default;
  // LookupAccountSidW on `system` (empty: this machine).
  virtual bool lookupAccountSid(std::string_view system, std::span<const std::byte> sid,
                                std::string& name, std::string& domain, SidNameUse& use) = 0;
  // LookupAccountNameW on `system` (empty: this machine).
  virtual bool lookupAccountName(std::string_view system, std::string_view account,
                                 std::vector<std::byte>& sid, std::string& domain,
                                 SidNameUse& use) = 0;
};

// IsValidSid: revision 1, at most 15 sub-authorities, and all of it inside `bytes`.
bool isValidSid(std::span<const std::byte> bytes);
// The byte length of the SID at the start of `bytes` (0 when it is not valid).
std::size_t sidLength(std::span<const std::byte> bytes);
// Builds a binary SID from its identifier authority and sub-authorities.
std::vector<std::byte> makeSid(std::uint64_t identifierAuthority,
                               std::span<const std::uint32_t> subAuthorities);

}  // namespace tallyvane::platform

namespace tallyvane {

// "S-1-", the non-zero bytes of the identifier authority in decimal without
// separators, then "-" and each sub-authority as unsigned decimal. Empty for
// bytes that are no valid SID.
std::string SidToText(std::span<const std::byte> sid);

}  // namespace tallyvane
