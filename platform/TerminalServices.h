#pragma once
// Terminal services, shaped after WTSQuerySessionInformationW,
// WTSGetActiveConsoleSessionId and ProcessIdToSessionId. Session identifiers
// are unsigned 32-bit; kCurrentSession addresses the caller's own session.
#include <cstdint>
#include <string>

namespace tallyvane::platform {

inline constexpr std::uint32_t kCurrentSession = 0xFFFFFFFF;

enum WtsInfoClass : std::uint32_t {
  kWtsSessionId = 4,
  kWtsUserName = 5,
  kWtsDomainName = 7,
};

class TerminalServices {
 public:
  virtual ~TerminalServices() = default;
  // Whether the terminal-services library can be loaded (its
  // WTSEnumerateServersA entry point is found).
  virtual bool available() = 0;
  // WTSQuerySessionInformationW on the local server for a text class
  // (kWtsUserName, kWtsDomainName); false when the query fails.
  virtual bool querySessionText(std::uint32_t sessionId, WtsInfoClass infoClass,
                                std::string& text) = 0;
  // WTSQuerySessionInformationW with kWtsSessionId.
  virtual bool querySessionNumber(std::uint32_t sessionId, WtsInfoClass infoClass,
                                  std::uint32_t& value) = 0;
  // WTSGetActiveConsoleSessionId; nothing when the entry point is missing.
  virtual bool activeConsoleSessionId(std::uint32_t& sessionId) = 0;
  // Whether the ProcessIdToSessionId entry point exists.
  virtual bool hasProcessIdToSessionId() = 0;
  // ProcessIdToSessionId.
  virtual bool processIdToSessionId(std::uint32_t processId, std::uint32_t& sessionId) = 0;
};

}  // namespace tallyvane::platform
