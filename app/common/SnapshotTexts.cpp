#include "app/common/SnapshotTexts.h"

#include "sysinfo/Orvex_Routines.h"

namespace tallyvane {

TSnapshotTexts CurrentSnapshotTexts() {
  const TSystemSnapshot& snapshot = SystemSnapshot();
  const TVersionInfo& version = snapshot.ExeVersionInfo;
  TSnapshotTexts texts;
  texts.OSName = snapshot.OSName;
  texts.OSEdition = snapshot.OSEdition;
  texts.ShortOSName = snapshot.ShortOSName;
  texts.UserName = snapshot.UserName;
  texts.MachineName = snapshot.MachineName;
  texts.InstallDate = snapshot.InstallDate;
  texts.ProductName = version.ProductName;
  texts.Version = version.Version;
  texts.Description = version.Description;
  texts.Comments = version.Comments;
  texts.Copyright = version.Copyright;
  return texts;
}

}  // namespace tallyvane
