// tallyvane-report: prints the usage journal of this machine or of an exported log.
#include <clocale>
#include <iostream>
#include <string>
#include <vector>

#include "cli/Progress.h"
#include "cli/Report.h"

int main(int argc, char** argv) {
  // Dates, times and numbers follow the user's locale.
  std::setlocale(LC_ALL, "");
  const std::vector<std::string> args(argv + (argc > 0 ? 1 : 0), argv + argc);
  const tallyvane::report::ReportEnvironment env;
  return tallyvane::report::runReport(args, std::cout, std::cerr, env,
                                      tallyvane::UserFormatSettings(),
                                      tallyvane::report::stderrIsTerminal());
}
