#pragma once
// Progress of long log reads on a terminal.
#include <chrono>
#include <cstdint>
#include <memory>
#include <ostream>
#include <string>

#include "platform/EventLogService.h"

namespace tallyvane::report {

// True when the standard error stream is a terminal.
bool stderrIsTerminal();

// Passes every call to `inner` and, once a read has taken longer than `delay`,
// keeps one line on `out` up to date with the records read so far.
class ProgressEventLogService : public platform::EventLogService {
 public:
  ProgressEventLogService(std::shared_ptr<platform::EventLogService> inner, std::ostream& out,
                          std::string what,
                          std::chrono::milliseconds delay = std::chrono::milliseconds(500));
  ~ProgressEventLogService() override;

  std::unique_ptr<platform::EventLog> open(std::string_view server, std::string_view logName,
                                           std::uint32_t* error) override;

  // Removes the progress line, if one was shown.
  void finish();

 private:
  friend class ProgressEventLog;
  void report(std::uint64_t done, std::uint64_t total, bool newPass);

  std::shared_ptr<platform::EventLogService> inner_;
  std::ostream& out_;
  std::string what_;
  std::chrono::milliseconds delay_;
  std::chrono::steady_clock::time_point started_{};
  std::chrono::steady_clock::time_point lastShown_{};
  int pass_ = 0;
  bool shown_ = false;
};

}  // namespace tallyvane::report
