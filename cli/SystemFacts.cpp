#include "cli/SystemFacts.h"

#include "present/DateFormat.h"
#include "present/FormatSettings.h"
#include "sysinfo/Orvex_Routines.h"
#include "sysinfo/Orvex_SysUtils.h"

namespace tallyvane::report {

std::vector<ReportFact> systemFacts(const ReportEnvironment&) {
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
