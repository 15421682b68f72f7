#include "platform/linux/LinuxEventLogService.h"

#include <paths.h>

#include <filesystem>
#include <fstream>

#include "platform/Unicode.h"
#include "platform/linux/LinuxRegistry.h"

namespace tallyvane::platform {

namespace {

// wtmp records carry no host name. A wtmp file that lies in var/log of a copied or
// mounted root file system has the machine's name in etc/hostname of that root.
std::string hostNameBesideWtmp(const std::string& path) {
  const std::filesystem::path file(path);
  if (!file.filename().string().starts_with("wtmp"))
    return {};
  const std::filesystem::path log = file.parent_path();
  if (log.filename() != "log" || log.parent_path().filename() != "var")
    return {};
  std::ifstream in(log.parent_path().parent_path() / "etc" / "hostname");
  std::string name;
  if (!in || !std::getline(in, name))
    return {};
  while (!name.empty() && static_cast<unsigned char>(name.back()) <= ' ')
    name.pop_back();
  return name;
}

}  // namespace

LinuxEventLogService::LinuxEventLogService()
    : origin_(Origin::ThisMachine), hostName_(linuxHostName()) {}

LinuxEventLogService::LinuxEventLogService(Origin origin, std::string path)
    : origin_(origin), path_(std::move(path)) {
  if (origin_ == Origin::ThisMachine) {
    hostName_ = linuxHostName();
  } else if (origin_ == Origin::WtmpFile) {
    hostName_ = hostNameBesideWtmp(path_);
  }
}

bool LinuxEventLogService::isThisMachine(std::string_view server) const {
  while (!server.empty() && server.front() == '\\')
    server.remove_prefix(1);
  return server.empty() || (!hostName_.empty() && equalsIgnoreAsciiCase(server, hostName_));
}

std::optional<std::vector<BootHistory>> LinuxEventLogService::readHistory() const {
  switch (origin_) {
    case Origin::JournalDirectory:
      return readJournalDirectory(path_);
    case Origin::WtmpFile:
      return readWtmpFile(path_);
    case Origin::ThisMachine:
      break;
  }
  auto boots = readSystemJournal();
  if (!boots || boots->empty())
    boots = readWtmpFile(_PATH_WTMP);
  if (!boots)
    boots.emplace();
  addCurrentBoot(*boots, currentKernelBoot());
  return boots;
}

std::shared_ptr<RecordList> LinuxEventLogService::systemRecords() const {
  auto boots = readHistory();
  if (!boots)
    return nullptr;
  ShutdownTextFormatter formatter = formatter_;
  if (!formatter) {
    formatter = [formats = userLocaleFormats()](std::int64_t seconds) {
      return unexpectedShutdownTexts(seconds, formats);
    };
  }
  return buildSystemLog(std::move(*boots), hostName_, formatter);
}

std::unique_ptr<EventLog> LinuxEventLogService::open(std::string_view server,
                                                     std::string_view logName,
                                                     std::uint32_t* error) {
  // Another machine is out of reach, as one whose RPC server does not answer.
  if (!server.empty() && (origin_ != Origin::ThisMachine || !isThisMachine(server))) {
    if (error)
      *error = kRpcServerUnavailable;
    return nullptr;
  }
  if (!equalsIgnoreAsciiCase(logName, "System")) {
    return std::make_unique<RecordListEventLog>(std::make_shared<RecordList>());
  }
  auto records = systemRecords();
  if (!records) {
    if (error)
      *error = kErrorFileNotFound;
    return nullptr;
  }
  return std::make_unique<RecordListEventLog>(std::move(records));
}

}  // namespace tallyvane::platform
