// Windows has no reader of systemd journals, and wtmp files are read by the C
// library of Linux: both report that they are not supported here.
#include "platform/LinuxHistoryFiles.h"

namespace tallyvane::platform {

namespace {

OpenedHistory notSupported(const std::string& path) {
  OpenedHistory result;
  result.error = HistoryFileError::kNotSupported;
  result.message = path + ": Linux history files can be read by the Linux build only";
  return result;
}

}  // namespace

OpenedHistory openJournalDirectoryHistory(const std::string& directory) {
  return notSupported(directory);
}

OpenedHistory openWtmpFileHistory(const std::string& file) {
  return notSupported(file);
}

}  // namespace tallyvane::platform
