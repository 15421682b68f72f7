#pragma once
// The event log service of a Linux machine. The log "System" is the machine's
// history (see LinuxHistory.h), read anew at every open and served through
// RecordListEventLog; "Application" and "Security" open as empty logs, and so
// does any other name (Windows opens the Application log for a name it does not
// know). A remote machine cannot be reached.
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "platform/EventLogService.h"
#include "platform/linux/LinuxHistory.h"

namespace tallyvane::platform {

class LinuxEventLogService : public EventLogService {
 public:
  // Where the history comes from.
  enum class Origin {
    // This machine: its system journal, else its wtmp, and the running boot from
    // the kernel in every case.
    ThisMachine,
    // The journal files of a directory (another machine's, as journalctl -D).
    JournalDirectory,
    // A wtmp file.
    WtmpFile,
  };

  // The service over this machine.
  LinuxEventLogService();
  // The service over a journal directory or a wtmp file.
  LinuxEventLogService(Origin origin, std::string path);

  std::unique_ptr<EventLog> open(std::string_view server, std::string_view logName,
                                 std::uint32_t* error) override;

  // The history as the sources give it now; nothing when the given directory or
  // file cannot be read.
  std::optional<std::vector<BootHistory>> readHistory() const;
  // The System log as it would be served now; null when the history cannot be read.
  std::shared_ptr<RecordList> systemRecords() const;

  // Replaces how the time and date of an unexpected shutdown are written (by
  // default: the user's locale formats, read when the log is built).
  void setShutdownTextFormatter(ShutdownTextFormatter formatter) {
    formatter_ = std::move(formatter);
  }

 private:
  bool isThisMachine(std::string_view server) const;

  Origin origin_;
  std::string path_;
  std::string hostName_;
  ShutdownTextFormatter formatter_;
};

}  // namespace tallyvane::platform
