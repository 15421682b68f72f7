#include <string>
#include <vector>

#include "platform/MessageFiles.h"

extern char** environ;

namespace tallyvane::platform {

std::vector<std::string> processEnvironment() {
  std::vector<std::string> entries;
  for (char** e = environ; e != nullptr && *e != nullptr; ++e)
    entries.emplace_back(*e);
  return entries;
}

}  // namespace tallyvane::platform
