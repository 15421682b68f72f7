#pragma once
// This machine's history (boots, orderly shutdowns, unexpected shutdowns,
// sleeps and resumes) read from the systemd journal or from wtmp, and its
// translation into the System log records Windows writes for the same happenings.
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "platform/LocaleFormats.h"
#include "platform/RecordListEventLog.h"
#include "platform/SystemLogEvents.h"

namespace tallyvane::platform {

// A sleep or a resume within a boot. Times are microseconds since 1970 UTC.
struct PowerTransition {
  enum class Kind { Sleep, Resume };
  Kind kind = Kind::Sleep;
  std::int64_t usec = 0;
  std::string sleepKind;  // "suspend", "hibernate", ... when the source says
};

// One boot as a history source knows it.
struct BootHistory {
  std::string bootId;             // the journal's boot ID (32 hex digits); empty from wtmp
  std::int64_t startUsec = 0;     // the kernel's boot time
  std::int64_t lastSignUsec = 0;  // the last record the boot left
  std::optional<std::int64_t> shutdownUsec;  // set when it went down in order
  std::string kernelRelease;                 // empty when unknown
  std::string hostName;                      // empty when unknown
  std::vector<PowerTransition> transitions;  // in time order
  bool running = false;                      // the boot this process runs in: it has not ended
};

// Reads every boot the journal files in `directory` hold (as journalctl -D).
// Nothing when the directory cannot be opened.
std::optional<std::vector<BootHistory>> readJournalDirectory(const std::string& directory);
// Reads every boot this machine's system journal holds. Nothing when there is no journal.
std::optional<std::vector<BootHistory>> readSystemJournal();
// Reads the boots of a wtmp file: a boot record opens a boot, a "shutdown"
// run-level record ends it in order, and a boot that meets the next boot record
// first ended unexpectedly at the last record it left. Nothing when the file
// cannot be read.
std::optional<std::vector<BootHistory>> readWtmpFile(const std::string& path);

// The boot this process runs in, from the kernel: boot time (CLOCK_REALTIME minus
// CLOCK_BOOTTIME, else /proc/stat btime), release, host name and boot ID.
BootHistory currentKernelBoot();
// Marks the current boot in `boots` (same boot ID, or a boot that started no
// earlier than two seconds before it) as running, or appends it.
void addCurrentBoot(std::vector<BootHistory>& boots, const BootHistory& current);

// The two insertion strings of an unexpected shutdown: the local time and the
// local date of `unixSeconds` in the given locale formats (long time format,
// short date format), as Windows writes them.
std::pair<std::string, std::string> unexpectedShutdownTexts(std::int64_t unixSeconds,
                                                            const LocaleFormats& formats);

using ShutdownTextFormatter =
    std::function<std::pair<std::string, std::string>(std::int64_t unixSeconds)>;

// The System log of the history, oldest first, numbered from 1:
// - each boot: EventLog 6009 at its start (insertion string: the kernel release);
// - each sleep: Kernel-Power 42 (insertion string: the kind of sleep); each
//   resume: Kernel-General 1;
// - each orderly shutdown: EventLog 6006 at the time the system went down;
// - each boot that ended otherwise and was followed by another: EventLog 6008 at
//   the next boot's start, with the time and date of its last record.
// `defaultHost` names the computer of boots whose host name is unknown.
std::shared_ptr<RecordList> buildSystemLog(std::vector<BootHistory> boots,
                                           const std::string& defaultHost,
                                           const ShutdownTextFormatter& formatTexts);

}  // namespace tallyvane::platform
