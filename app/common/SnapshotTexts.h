#pragma once
// The facts about this system and this program that both windows, the About
// dialog and the print command show, taken once at start-up.
#include <string>

#include "present/Orvex_Datetime.h"

namespace tallyvane {

struct TSnapshotTexts {
  std::string OSName;
  std::string OSEdition;
  std::string ShortOSName;
  std::string UserName;
  std::string MachineName;
  TDateTime InstallDate = 0;  // as the snapshot holds it (UTC); 0 when unknown
  // The program's own version information.
  std::string ProductName;
  std::string Version;
  std::string Description;
  std::string Comments;
  std::string Copyright;
};

// This system's snapshot values and the running program's version information.
TSnapshotTexts CurrentSnapshotTexts();

}  // namespace tallyvane
