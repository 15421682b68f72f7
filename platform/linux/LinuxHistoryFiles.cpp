#include "platform/LinuxHistoryFiles.h"

#include <unistd.h>
#include <utmpx.h>

#include <filesystem>

#include "platform/linux/LinuxEventLogService.h"

namespace tallyvane::platform {

namespace {

namespace fs = std::filesystem;

OpenedHistory failure(HistoryFileError error, std::string message) {
  OpenedHistory result;
  result.error = error;
  result.message = std::move(message);
  return result;
}

bool isJournalFile(const fs::path& path) {
  const std::string name = path.filename().string();
  return name.ends_with(".journal") || name.ends_with(".journal~");
}

// Journal directories hold the files themselves or, as /var/log/journal does, one
// subdirectory per machine.
bool holdsJournalFiles(const fs::path& directory) {
  std::error_code ec;
  for (fs::directory_iterator it(directory, ec), end; !ec && it != end; it.increment(ec)) {
    if (isJournalFile(it->path()))
      return true;
    if (!it->is_directory(ec))
      continue;
    for (fs::directory_iterator inner(it->path(), ec); !ec && inner != end; inner.increment(ec)) {
      if (isJournalFile(inner->path()))
        return true;
    }
    ec.clear();
  }
  return false;
}

}  // namespace

OpenedHistory openJournalDirectoryHistory(const std::string& directory) {
  std::error_code ec;
  const fs::file_status status = fs::status(directory, ec);
  if (status.type() == fs::file_type::not_found) {
    return failure(HistoryFileError::kNotFound, directory + ": no such directory");
  }
  if (!ec && !fs::is_directory(status)) {
    return failure(HistoryFileError::kUnknownFormat,
                   directory + ": is no directory (give the directory of the journal files)");
  }
  if (ec || access(directory.c_str(), R_OK | X_OK) != 0) {
    return failure(HistoryFileError::kUnreadable, directory + ": cannot be read");
  }
  if (!holdsJournalFiles(directory)) {
    return failure(HistoryFileError::kUnknownFormat, directory + ": holds no journal files");
  }
  OpenedHistory result;
  result.service = std::make_unique<LinuxEventLogService>(
      LinuxEventLogService::Origin::JournalDirectory, directory);
  return result;
}

OpenedHistory openWtmpFileHistory(const std::string& file) {
  std::error_code ec;
  const fs::file_status status = fs::status(file, ec);
  if (status.type() == fs::file_type::not_found) {
    return failure(HistoryFileError::kNotFound, file + ": no such file");
  }
  if (ec || access(file.c_str(), R_OK) != 0) {
    return failure(HistoryFileError::kUnreadable, file + ": cannot be read");
  }
  if (fs::is_directory(status)) {
    return failure(HistoryFileError::kUnknownFormat, file + ": is a directory, not a wtmp file");
  }
  // A wtmp file is a sequence of whole utmpx records.
  const auto size = fs::file_size(file, ec);
  if (ec || size % sizeof(utmpx) != 0) {
    return failure(HistoryFileError::kUnknownFormat, file + ": is no wtmp file");
  }
  OpenedHistory result;
  result.service =
      std::make_unique<LinuxEventLogService>(LinuxEventLogService::Origin::WtmpFile, file);
  return result;
}

}  // namespace tallyvane::platform
