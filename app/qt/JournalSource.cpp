#include "app/qt/JournalSource.h"

#include <grp.h>
#include <unistd.h>
#include <QFileInfo>

#include <algorithm>
#include <vector>

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

JournalSource WindowsInstallationSource(const QString& Root) {
  const QString absolute = QFileInfo(Root).absoluteFilePath();
  const std::filesystem::path path(absolute.toStdString());
  return {QFileInfo(absolute).fileName(), absolute, [path](const report::ReportEnvironment&) {
            return report::openWindowsInstallation(path);
          }};
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

namespace {

std::function<bool()>& AccessCheck() {
  static std::function<bool()> check;
  return check;
}

}  // namespace

bool UserCanReadSystemJournal() {
  if (AccessCheck()) {
    return AccessCheck()();
  }
  if (geteuid() == 0) {
    return true;
  }
  const int count = getgroups(0, nullptr);
  std::vector<gid_t> groups(static_cast<std::size_t>(std::max(count, 0)) + 1);
  const int got = getgroups(static_cast<int>(groups.size()), groups.data());
  groups.resize(static_cast<std::size_t>(std::max(got, 0)));
  groups.push_back(getegid());
  for (const char* name : {"systemd-journal", "adm", "wheel"}) {
    if (const group* entry = getgrnam(name)) {
      if (std::find(groups.begin(), groups.end(), entry->gr_gid) != groups.end()) {
        return true;
      }
    }
  }
  return false;
}

void SetSystemJournalAccessCheck(std::function<bool()> Check) {
  AccessCheck() = std::move(Check);
}

QString PartialHistoryNote() {
  if (UserCanReadSystemJournal()) {
    return QString();
  }
  return QStringLiteral(
      "History from wtmp only: you may not read the system journal, so crashes, sleeps "
      "and resumes may be missing. To see them, join the systemd-journal group "
      "(sudo usermod -aG systemd-journal $USER) and log in again.");
}

}  // namespace tallyvane
