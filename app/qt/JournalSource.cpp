#include "app/qt/JournalSource.h"

#include <QFileInfo>

namespace tallyvane {

JournalSource ThisComputerSource() {
  return {QString(), QString(),
          [](const report::ReportEnvironment& env) { return report::openThisMachine(env); }};
}

JournalSource LogSourceAt(const QString& Path) {
  const QString absolute = QFileInfo(Path).absoluteFilePath();
  const std::filesystem::path path(absolute.toStdString());
  return {QFileInfo(absolute).fileName(), absolute,
          [path](const report::ReportEnvironment&) { return OpenAnyLog(path); }};
}

report::OpenedLog OpenAnyLog(const std::filesystem::path& Path) {
  report::OpenedLog log = report::openLogFile(Path);
  if (log.service || log.exitCode == report::kExitFileNotFound) {
    return log;
  }
  std::error_code ec;
  report::OpenedLog other = std::filesystem::is_directory(Path, ec)
                                ? report::openJournalDirectory(Path)
                                : report::openWtmpFile(Path);
  return other.service ? std::move(other) : std::move(log);
}

}  // namespace tallyvane
