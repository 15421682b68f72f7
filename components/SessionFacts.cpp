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
  WriterFacts Writer() override {
    const TSystemSnapshot& snapshot = SystemSnapshot();
    const platform::Services& services = snapshot.Services;
    WriterFacts w;
    w.ProductName = snapshot.ExeVersionInfo.ProductName;
    w.Version = snapshot.ExeVersionInfo.Version;
    w.Copyright = snapshot.ExeVersionInfo.Copyright;
    w.OSName = snapshot.OSName;
    w.OSEdition = snapshot.OSEdition;
    w.MachineName = snapshot.MachineName;
    // The same query that gave the snapshot's user name, asked again now.
    std::string user;
    if (services.systemFacts != nullptr && services.systemFacts->getUserName(255, user))
      w.Account = user;
    w.IsAdministrator = tallyvane::IsAdministrator(snapshot);
    w.HostAddresses = tallyvane::HostAddresses(snapshot);
    if (services.processes != nullptr)
      w.ProcessId = services.processes->currentProcessId();
    if (services.clock != nullptr)
      w.Now = SystemTimeToDateTime(services.clock->localNow()).value_or(0);
    return w;
  }
};

}  // namespace

SessionFacts& systemSessionFacts() {
  static SystemSessionFacts facts;
  return facts;
}

}  // namespace tallyvane
