#include "WindowFacts.h"

#include "sysinfo/Orvex_Routines.h"

namespace tallyvane {

TWindowFacts CurrentWindowFacts() {
  const TSystemSnapshot& snapshot = SystemSnapshot();
  const TVersionInfo& version = snapshot.ExeVersionInfo;
  TWindowFacts facts;
  facts.OSName = snapshot.OSName;
  facts.OSEdition = snapshot.OSEdition;
  facts.ShortOSName = snapshot.ShortOSName;
  facts.UserName = snapshot.UserName;
  facts.MachineName = snapshot.MachineName;
  facts.InstallDate = snapshot.InstallDate;
  facts.ProductName = version.ProductName;
  facts.Version = version.Version;
  facts.Description = version.Description;
  facts.Comments = version.Comments;
  facts.Copyright = version.Copyright;
  return facts;
}

}  // namespace tallyvane
