#include "cli/SystemFacts.h"

#include "present/DateFormat.h"
#include "present/FormatSettings.h"
#include "sysinfo/Orvex_Routines.h"
#include "sysinfo/Orvex_SysUtils.h"

namespace tallyvane::report {

namespace {

// The release name of a Windows that its version numbers do not name (10
// and later): the installation's own ProductName. Windows 11 keeps "Windows
// 10" there; its build numbers (22000 on) tell it apart.
std::string productNameOf(platform::Registry& registry, std::uint32_t build) {
  platform::RegKey key = platform::kNoKey;
  if (registry.openKey(platform::kHKeyLocalMachine,
                       "SOFTWARE\\Microsoft\\Windows NT\\CurrentVersion", platform::kKeyRead,
                       key) != platform::kErrorSuccess) {
    return {};
  }
  std::string name = platform::readStringValue(registry, key, "ProductName").value_or("");
  registry.closeKey(key);
  if (build >= 22000 && name.rfind("Windows 10", 0) == 0)
    name.replace(0, 10, "Windows 11");
  return name;
}

std::vector<ReportFact> installationFacts(const ReportEnvironment& environment) {
  platform::WindowsInstallation& installation = *environment.installation;
  const TSystemSnapshot snapshot = TakeSystemSnapshot(environment.services);
  const FormatSettings settings = UserFormatSettings();
  std::string name = snapshot.OSName;
  std::string edition = snapshot.OSEdition;
  std::string shortName = snapshot.ShortOSName;
  if (name.empty() && snapshot.OSVersionInfo.majorVersion > 6) {
    name = productNameOf(installation.registry(), snapshot.OSVersionInfo.buildNumber);
    edition = snapshot.SystemInfo.wProcessorArchitecture == platform::kProcessorArchitectureAmd64
                  ? "x64"
                  : "";
    shortName = CleanOSName(name + " " + edition);
  }
  return {
      {"Windows installation", installation.root().string()},
      {"System log", installation.systemLogFile().string()},
      {"OS name", name},
      {"OS edition", edition},
      {"Short OS name", shortName},
      {"User", snapshot.UserName},
      {"Machine", snapshot.MachineName},
      {"Installed", snapshot.InstallDate > 0 ? FormatDateTime("c", snapshot.InstallDate, settings)
                                             : std::string("unknown")},
      {"Time zone", installation.timeZoneDescription()},
  };
}

}  // namespace

std::vector<ReportFact> systemFacts(const ReportEnvironment& environment) {
  if (environment.installation)
    return installationFacts(environment);
  const TSystemSnapshot& snapshot = SystemSnapshot();
  const FormatSettings settings = UserFormatSettings();
  const TVersionInfo& version = snapshot.ExeVersionInfo;
  const std::string user = LoggedOnUser(snapshot, 0xFFFFFFFF);
  std::string account = user.substr(0, user.find('@'));
  std::vector<ReportFact> facts = {
      {"OS name", snapshot.OSName},
      {"OS edition", snapshot.OSEdition},
      {"Short OS name", snapshot.ShortOSName},
      {"User", snapshot.UserName},
      {"Machine", snapshot.MachineName},
      {"Installed", snapshot.InstallDate > 0 ? FormatDateTime("c", snapshot.InstallDate, settings)
                                             : std::string("unknown")},
      {"Program", version.ProductName.empty() ? snapshot.ExeFileName
                                              : version.ProductName + " " + version.Version + " (" +
                                                    snapshot.ExeFileName + ")"},
      {"Logged-on user", user},
      {"SID", account.empty() ? std::string() : AccountSidText(snapshot, "", account)},
      {"Session", SessionTypesText(DetectSessionTypes(snapshot))},
  };
  return facts;
}

}  // namespace tallyvane::report
