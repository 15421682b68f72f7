#include "cli/LogSources.h"

#include <fstream>
#include <system_error>

#include "platform/EvtFileEventLogService.h"
#include "platform/LinuxHistoryFiles.h"
#include "platform/Unicode.h"

namespace tallyvane::report {

namespace {

OpenedLog failed(int code, std::string error) {
  OpenedLog log;
  log.exitCode = code;
  log.error = std::move(error);
  return log;
}

bool recogniseEvt(const std::filesystem::path& path) {
  return platform::isEvtFile(path);
}

OpenedLog openEvt(const std::filesystem::path& path) {
  std::string error;
  std::unique_ptr<platform::EvtFileEventLogService> service =
      platform::EvtFileEventLogService::fromFile(path, "System", &error);
  if (!service)
    return failed(kExitUnknownFormat, error);
  OpenedLog log;
  log.service = std::move(service);
  log.description = path.string();
  return log;
}

}  // namespace

const std::vector<FileLogFormat>& fileLogFormats() {
  static const std::vector<FileLogFormat> formats = {
      {".evt", "classic Windows event log file", &recogniseEvt, &openEvt},
  };
  return formats;
}

OpenedLog openThisMachine(const ReportEnvironment& env) {
  if (env.services.eventLog == nullptr) {
    return failed(kExitBuildFailed, "this machine offers no event log");
  }
  OpenedLog log;
  // The platform's service lives for the whole process.
  log.service = std::shared_ptr<platform::EventLogService>(env.services.eventLog,
                                                           [](platform::EventLogService*) {});
  log.description = "this machine's System log";
  log.thisMachine = true;
  return log;
}

namespace {

OpenedLog fromHistory(platform::OpenedHistory opened, const std::filesystem::path& path) {
  if (!opened.service) {
    switch (opened.error) {
      case platform::HistoryFileError::kNotFound:
        return failed(kExitFileNotFound, opened.message);
      case platform::HistoryFileError::kUnreadable:
        return failed(kExitUnreadable, opened.message);
      default:
        return failed(kExitUnknownFormat, opened.message);
    }
  }
  OpenedLog log;
  log.service = std::move(opened.service);
  log.description = path.string();
  return log;
}

}  // namespace

OpenedLog openJournalDirectory(const std::filesystem::path& directory) {
  return fromHistory(platform::openJournalDirectoryHistory(directory.string()), directory);
}

OpenedLog openWtmpFile(const std::filesystem::path& file) {
  return fromHistory(platform::openWtmpFileHistory(file.string()), file);
}

OpenedLog openLogFile(const std::filesystem::path& path) {
  const std::string name = path.string();
  std::error_code ec;
  const std::filesystem::file_status status = std::filesystem::status(path, ec);
  if (status.type() == std::filesystem::file_type::not_found) {
    return failed(kExitFileNotFound, name + ": no such file");
  }
  if (ec)
    return failed(kExitUnreadable, name + ": cannot be read (" + ec.message() + ")");
  if (std::filesystem::is_directory(status)) {
    return failed(kExitUnreadable, name + ": is a directory, not a log file");
  }
  if (!std::ifstream(path, std::ios::binary)) {
    return failed(kExitUnreadable, name + ": cannot be read (permission denied?)");
  }
  const std::string extension = asciiLower(path.extension().string());
  for (const FileLogFormat& format : fileLogFormats()) {
    if (extension == format.extension)
      return format.open(path);
  }
  for (const FileLogFormat& format : fileLogFormats()) {
    if (format.recognise != nullptr && format.recognise(path))
      return format.open(path);
  }
  std::string known;
  for (const FileLogFormat& format : fileLogFormats()) {
    known += (known.empty() ? "" : ", ") + std::string(format.extension);
  }
  return failed(kExitUnknownFormat, name + ": not a log file of a known format (" + known + ")");
}

}  // namespace tallyvane::report
