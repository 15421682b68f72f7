#pragma once
// The facts `--system` prints: the system snapshot and the session facts.
#include <vector>

#include "cli/Report.h"

namespace tallyvane::report {

std::vector<ReportFact> systemFacts(const ReportEnvironment& environment);

}  // namespace tallyvane::report
