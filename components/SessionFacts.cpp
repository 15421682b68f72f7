#include "components/SessionFacts.h"

#include "sysinfo/Orvex_Routines.h"
#include "sysinfo/Orvex_SysUtils.h"

namespace tallyvane {

namespace {

// The session routines of this machine, over the process's system snapshot.
class SystemSessionFacts : public SessionFacts {
 public:
  std::string LoggedOnUser(std::uint32_t SessionId) override {
    return tallyvane::LoggedOnUser(SessionId);
  }
  std::string AccountSidText(std::string_view Machine, std::string_view Account) override {
    return tallyvane::AccountSidText(Machine, Account);
  }
  TSessionTypes DetectSessionTypes() override { return tallyvane::DetectSessionTypes(); }
  OSVersionFacts OSVersion() override {
    const TOSVersionInfoEx& v = OSVersionInfo();
    return {static_cast<std::int32_t>(v.platformId), static_cast<std::int32_t>(v.majorVersion),
            static_cast<std::int32_t>(v.minorVersion), static_cast<std::int32_t>(v.buildNumber),
            v.csdVersion};
  }
};

}  // namespace

SessionFacts& systemSessionFacts() {
  static SystemSessionFacts facts;
  return facts;
}

}  // namespace tallyvane
