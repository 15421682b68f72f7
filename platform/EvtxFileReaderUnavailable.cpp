// Stands in for EvtxFileReader.cpp in a build without libevtx: every .evtx
// file is reported as unreadable with the reason.
#if !defined(TALLYVANE_HAVE_LIBEVTX)

#include "platform/EvtxEventLogService.h"

namespace tallyvane::platform {

namespace {

EvtxLogFile unavailable(std::string_view name) {
  EvtxLogFile out;
  out.path = std::string(name);
  out.logName = evtxLogNameFromPath(name);
  out.error = "this build cannot read .evtx files (it was built without libevtx)";
  return out;
}

}  // namespace

bool evtxReadingAvailable() {
  return false;
}

EvtxLogFile readEvtxFile(const std::string& path, const EvtxProgress&) {
  return unavailable(path);
}

EvtxLogFile readEvtxBytes(std::span<const std::byte>, std::string_view name, const EvtxProgress&) {
  return unavailable(name);
}

}  // namespace tallyvane::platform

#endif  // !TALLYVANE_HAVE_LIBEVTX
