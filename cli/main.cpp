// tallyvane-report: prints the usage journal of this machine or of an exported log.
#include <cstdio>

#include "eventlog/Orvex_EventLogNT.h"

int main() {
  tallyvane::TEventLog log(false);
  log.SetSourceName("System");
  log.RefreshData(true);
  log.Sort();
  std::printf("%u records in the System log\n", log.RecordCount());
  return 0;
}
