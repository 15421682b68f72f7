#pragma once
// Where tallyvane-report takes its records from: this machine's System log, or
// a log file whose format is known by its extension or its first bytes. A new
// file format is one entry in fileLogFormats(); a new kind of source chosen by
// an option is one entry in the option table of Report.cpp.
#include <filesystem>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "platform/Services.h"
#include "platform/WindowsInstallation.h"

namespace tallyvane::report {

// Documented exit codes of tallyvane-report.
enum ExitCode : int {
  kExitOk = 0,
  kExitBuildFailed = 1,    // the journal could not be built from the log
  kExitUsage = 2,          // unknown option or bad arguments
  kExitFileNotFound = 3,   // the log file does not exist
  kExitUnreadable = 4,     // the log file exists but cannot be read
  kExitUnknownFormat = 5,  // the file is no log of a known format
};

// An event log service ready to be read, or why there is none.
struct OpenedLog {
  std::shared_ptr<platform::EventLogService> service;  // null when opening failed
  std::string description;  // for messages: "this machine's System log", the file name
  // True for the running machine's own log: its uptime belongs to the journal.
  bool thisMachine = false;
  int exitCode = kExitOk;
  std::string error;  // one sentence, set when service is null
  // Sentences printed before the journal: files that could not be read in a
  // folder, damaged files whose readable records are used.
  std::vector<std::string> warnings;
  // Set for a Windows installation read from disk: its registry, time zone
  // and facts replace this machine's for the journal and --system.
  std::shared_ptr<platform::WindowsInstallation> installation;
};

// What a source needs of the running program.
struct ReportEnvironment {
  platform::Services services = platform::systemServices();
  // The Windows installation whose log is read, if any (its services are
  // then in `services`).
  std::shared_ptr<platform::WindowsInstallation> installation;
};

using LogOpener = std::function<OpenedLog(const ReportEnvironment&)>;

// The System log of this machine through the platform's event log service.
OpenedLog openThisMachine(const ReportEnvironment& env);

// Another Linux machine's history: its journal directory (as journalctl -D) or
// its wtmp file.
OpenedLog openJournalDirectory(const std::filesystem::path& directory);
OpenedLog openWtmpFile(const std::filesystem::path& file);

// The System log of the Windows installation whose drive root is `root`,
// with its registry, time zone and facts.
OpenedLog openWindowsInstallation(const std::filesystem::path& root);

// One kind of log file.
struct FileLogFormat {
  std::string_view extension;    // with the dot, compared without regard to case
  std::string_view description;  // for --help and messages
  // True when the file's first bytes show this format (may be null).
  bool (*recognise)(const std::filesystem::path& path);
  OpenedLog (*open)(const std::filesystem::path& path);
};
const std::vector<FileLogFormat>& fileLogFormats();

// Opens a log file: a missing or unreadable file and a file of no known format
// give their exit codes and a sentence that names the file. A folder of
// exported logs (as winevt\Logs) is read when it holds .evtx files; a folder
// that is the root of a Windows installation is read as one.
OpenedLog openLogFile(const std::filesystem::path& path);

}  // namespace tallyvane::report
