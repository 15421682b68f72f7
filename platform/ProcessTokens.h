#pragma once
// Access tokens, shaped after OpenProcessToken, OpenThreadToken and
// GetTokenInformation (TokenUser, TokenGroups). SIDs are in their binary form.
#include <cstddef>
#include <cstdint>
#include <vector>

namespace tallyvane::platform {

using Sid = std::vector<std::byte>;

class ProcessTokens {
 public:
  virtual ~ProcessTokens() = default;
  // Opens process `processId` with PROCESS_ALL_ACCESS; false when it cannot
  // be opened (the process is gone or access is denied).
  virtual bool canOpenProcess(std::uint32_t processId) = 0;
  // TokenUser of the process's token (opened with TOKEN_QUERY); false when
  // the token cannot be opened or read.
  virtual bool processUser(std::uint32_t processId, Sid& user) = 0;
  // TokenGroups of the current thread's token, or of the process's token when
  // the thread has none; false when there is no token or it cannot be read.
  virtual bool currentGroups(std::vector<Sid>& groups) = 0;
};

}  // namespace tallyvane::platform
