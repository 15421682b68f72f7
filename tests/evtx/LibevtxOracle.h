#pragma once
// libevtx as the oracle of the .evtx tests: a file read through libevtx, each
// record's XML rendering mapped with mapEvtxEvent, gives the log our own
// parser must give. Built with libevtx where the build found it; without it
// libevtxAvailable() is false and the tests that need it skip.
#include <span>
#include <string>
#include <string_view>

#include "platform/EvtxEventLogService.h"

namespace tallyvane::testing {

bool libevtxAvailable();
platform::EvtxLogFile libevtxReadFile(const std::string& path,
                                      const platform::EvtxProgress& progress = {});
platform::EvtxLogFile libevtxReadBytes(std::span<const std::byte> bytes, std::string_view name,
                                       const platform::EvtxProgress& progress = {});

}  // namespace tallyvane::testing
