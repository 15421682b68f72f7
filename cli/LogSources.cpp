#include "cli/LogSources.h"

#include <algorithm>
#include <fstream>
#include <optional>
#include <system_error>

#include "platform/EvtFileEventLogService.h"
#include "platform/EvtxEventLogService.h"
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
  auto service = platform::EvtFileEventLogService::fromFile(path, "System");
  if (!service)
    return failed(kExitUnknownFormat, service.error().message);
  OpenedLog log;
  log.service = std::move(service).value();
  log.description = path.string();
  return log;
}

bool recogniseEvtx(const std::filesystem::path& path) {
  return platform::fileHasEvtxSignature(path.string());
}

// The System log of .evtx files already read into `service`; files that could
// not be read, or only in part, become warnings.
OpenedLog evtxLog(std::shared_ptr<platform::EvtxEventLogService> service, std::string description) {
  OpenedLog log;
  for (const auto& file : service->files()) {
    if (!file->opened()) {
      log.warnings.push_back(file->path + ": " + file->error->message);
    } else if (file->damaged()) {
      log.warnings.push_back(file->path + ": damaged .evtx file; " +
                             std::to_string(file->records->count()) + " records could be read" +
                             (file->unreadableRecords > 0
                                  ? ", " + std::to_string(file->unreadableRecords) + " could not"
                                  : std::string()));
    }
  }
  const auto names = service->logNames();
  const bool hasSystem = std::any_of(names.begin(), names.end(), [](const std::string& n) {
    return equalsIgnoreAsciiCase(n, "System");
  });
  if (!hasSystem) {
    std::string held;
    for (const auto& n : names)
      held += (held.empty() ? "" : ", ") + n;
    OpenedLog none =
        failed(kExitBuildFailed, description + ": holds no System log" +
                                     (held.empty() ? std::string() : " (it holds " + held + ")"));
    none.warnings = std::move(log.warnings);
    return none;
  }
  log.service = std::move(service);
  log.description = std::move(description);
  return log;
}

OpenedLog openEvtx(const std::filesystem::path& path) {
  auto service = std::make_shared<platform::EvtxEventLogService>();
  const platform::EvtxLogFile& file = service->addFile(path.string());
  if (!file.opened()) {
    const bool foreign = !platform::fileHasEvtxSignature(path.string());
    return failed(foreign ? kExitUnknownFormat : kExitUnreadable,
                  path.string() + ": " + file.error->message);
  }
  return evtxLog(std::move(service), path.string());
}

// A folder of exported logs; nothing when it holds no .evtx file.
std::optional<OpenedLog> openEvtxFolder(const std::filesystem::path& path) {
  auto service = std::make_shared<platform::EvtxEventLogService>();
  const auto added = service->addFolder(path.string());
  if (!added)
    return failed(kExitUnreadable,
                  path.string() + ": cannot be read (" + added.error().message + ")");
  const std::size_t found = *added;
  if (found == 0)
    return std::nullopt;
  if (service->logNames().empty()) {
    OpenedLog none =
        failed(kExitUnreadable, path.string() + ": none of its " + std::to_string(found) +
                                    " .evtx files can be read");
    for (const auto& file : service->files())
      none.warnings.push_back(file->path + ": " + file->error->message);
    return none;
  }
  return evtxLog(std::move(service), path.string());
}

}  // namespace

const std::vector<FileLogFormat>& fileLogFormats() {
  static const std::vector<FileLogFormat> formats = {
      {".evt", "classic Windows event log file", &recogniseEvt, &openEvt},
      {".evtx", "Windows XML event log file (Vista and later)", &recogniseEvtx, &openEvtx},
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

OpenedLog openWindowsInstallation(const std::filesystem::path& root) {
  const std::string name = root.string();
  std::error_code ec;
  const std::filesystem::file_status status = std::filesystem::status(root, ec);
  if (status.type() == std::filesystem::file_type::not_found)
    return failed(kExitFileNotFound, name + ": no such directory");
  if (ec)
    return failed(kExitUnreadable, name + ": cannot be read (" + ec.message() + ")");
  if (!platform::WindowsInstallation::recognise(root)) {
    return failed(
        kExitUnknownFormat,
        name + ": not the root of a Windows installation (it holds no Windows/System32 folder)");
  }
  auto installation = std::make_shared<platform::WindowsInstallation>(root);
  const std::filesystem::path& file = installation->systemLogFile();
  OpenedLog log;
  if (file.empty()) {
    log = failed(kExitFileNotFound, name +
                                        ": the Windows installation holds no System log (neither "
                                        "Windows/System32/winevt/Logs/System.evtx nor "
                                        "Windows/System32/config/SysEvent.Evt)");
  } else {
    log = installation->systemLogIsEvtx() ? openEvtx(file) : openEvt(file);
  }
  log.warnings.insert(log.warnings.begin(), installation->warnings().begin(),
                      installation->warnings().end());
  if (log.service) {
    log.description = "the Windows installation at " + name;
    log.installation = std::move(installation);
  }
  return log;
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
    if (platform::WindowsInstallation::recognise(path))
      return openWindowsInstallation(path);
    if (std::optional<OpenedLog> folder = openEvtxFolder(path))
      return std::move(*folder);
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
