#pragma once
// What the component base asks of the system-information routines when a
// component is created, refreshed or moved to another session: the logged-on
// user, the SID text of an account, the session kinds and the version facts of
// the running operating system. The routines themselves live in sysinfo/;
// the component base reaches them only through this interface so that it can
// be tested with any answers.
#include <cstdint>
#include <string>
#include <string_view>

#include "components/Qzi_Defs.h"

namespace tallyvane {

// The operating-system fields of the storage information header.
struct OSVersionFacts {
  std::int32_t PlatformId = 0;
  std::int32_t MajorVersion = 0;
  std::int32_t MinorVersion = 0;
  std::int32_t BuildNumber = 0;
  std::string CSDVersion;
  friend bool operator==(const OSVersionFacts&, const OSVersionFacts&) = default;
};

// What the storage information header says about the program, the machine and
// the moment when a component writes its live data.
struct WriterFacts {
  std::string ProductName;  // the program's own version information
  std::string Version;
  std::string Copyright;
  std::string OSName;
  std::string OSEdition;
  std::string MachineName;
  std::string Account;  // the user running the program, asked at writing time
  bool IsAdministrator = false;
  std::string HostAddresses;
  std::uint32_t ProcessId = 0;
  TDateTime Now = 0;  // the current local date and time
};

class SessionFacts {
 public:
  virtual ~SessionFacts() = default;
  // The user logged on in a session (0xFFFFFFFF: the current one); "" when none is found.
  virtual std::string LoggedOnUser(std::uint32_t SessionId) = 0;
  // The SID text of an account on a machine ("" for the local one); "" on failure.
  virtual std::string AccountSidText(std::string_view Machine, std::string_view Account) = 0;
  // The kinds of the running session.
  virtual TSessionTypes DetectSessionTypes() = 0;
  // Version facts of the running operating system.
  virtual OSVersionFacts OSVersion() = 0;
  // The facts the header writer takes when the data are live.
  virtual WriterFacts Writer() = 0;
};

// Answers what the routines give when they find nothing: "", "", the empty set,
// zero version facts and empty writer facts.
class NoSessionFacts : public SessionFacts {
 public:
  std::string LoggedOnUser(std::uint32_t) override { return {}; }
  std::string AccountSidText(std::string_view, std::string_view) override { return {}; }
  TSessionTypes DetectSessionTypes() override { return {}; }
  OSVersionFacts OSVersion() override { return {}; }
  WriterFacts Writer() override { return {}; }
};

// This machine's session facts. They live for the whole process.
SessionFacts& systemSessionFacts();

}  // namespace tallyvane
