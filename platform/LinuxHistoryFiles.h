#pragma once
// Event log services over a Linux machine's history files, for reading another
// machine's history the way an exported log is read: the System log holds its
// boots, shutdowns, crashes, sleeps and resumes (see platform/linux/LinuxHistory.h).
#include <memory>
#include <string>

#include "platform/EventLogService.h"

namespace tallyvane::platform {

// Why a history file could not be opened.
enum class HistoryFileError {
  kNone,
  kNotFound,       // the directory or file does not exist
  kUnreadable,     // it exists but cannot be read
  kUnknownFormat,  // it holds no journal files / is no wtmp file
  kNotSupported,   // this system cannot read such files
};

struct OpenedHistory {
  std::unique_ptr<EventLogService> service;  // null on failure
  HistoryFileError error = HistoryFileError::kNone;
  std::string message;  // one sentence naming the path, set on failure
};

// The journal files of `directory` (as journalctl -D reads them).
OpenedHistory openJournalDirectoryHistory(const std::string& directory);
// A wtmp file.
OpenedHistory openWtmpFileHistory(const std::string& file);

}  // namespace tallyvane::platform
