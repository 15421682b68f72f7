#pragma once
// A Windows installation read from another system: the root of its drive (a
// mounted disk, a backup image) gives its System log, its registry (the SYSTEM
// and SOFTWARE hives), its time zone and its own facts. Folder and file names
// are matched without regard to case, as NTFS mounts show them as stored
// ("WINDOWS", "system32", "Config").
#include <filesystem>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/HiveRegistry.h"
#include "platform/IanaTimeZone.h"
#include "platform/Services.h"
#include "platform/WindowsRuleTimeZone.h"

namespace tallyvane::platform {

// `root` followed by `parts`, each matched without regard to case; empty when
// some part does not exist.
std::filesystem::path findPathIgnoringCase(const std::filesystem::path& root,
                                           const std::vector<std::string_view>& parts);

// The facts of the installation's release, user and machine, read from its
// hives in the shape the running system reports its own.
class InstallationSystemFacts : public SystemFacts {
 public:
  // `registry` holds the installation's hives; `host` answers for the program
  // that reads them (its module file name).
  InstallationSystemFacts(Registry& registry, SystemFacts* host)
      : registry_(registry), host_(host) {}

  bool getVersionEx(OsVersionRecord& record) override;
  bool hasProductInfo() override;
  bool getProductInfo(std::uint32_t major, std::uint32_t minor, std::uint32_t spMajor,
                      std::uint32_t spMinor, std::uint32_t& productType) override;
  bool isWow64Process(bool& wow64) override;
  std::uint16_t processorArchitecture(bool native) override;
  int getSystemMetrics(int index) override;
  bool getUserName(std::uint32_t bufferChars, std::string& name) override;
  bool getComputerName(std::uint32_t bufferChars, std::string& name) override;
  std::string moduleFileName(std::uint32_t bufferChars) override;
  bool hostSystem(HostSystemDescription& description) override;

  // The product type GetProductInfo reports for an EditionID ("Ultimate" is
  // 1); nothing for an edition it has no number for.
  static std::optional<std::uint32_t> productTypeOfEdition(std::string_view editionId);

 private:
  std::optional<std::string> stringAt(std::string_view key, std::string_view value);
  std::optional<std::uint32_t> dwordAt(std::string_view key, std::string_view value);
  Registry& registry_;
  SystemFacts* host_;
};

class WindowsInstallation {
 public:
  // Whether `root` holds a Windows folder with System32 in it.
  static bool recognise(const std::filesystem::path& root);

  // Reads what the installation at `root` offers. Nothing here fails as a
  // whole: a missing or damaged hive, an unknown time zone or a missing log
  // leave their part out and say so in warnings().
  explicit WindowsInstallation(std::filesystem::path root);
  WindowsInstallation(const WindowsInstallation&) = delete;
  WindowsInstallation& operator=(const WindowsInstallation&) = delete;

  const std::filesystem::path& root() const { return root_; }
  // The System log: winevt\Logs\System.evtx (Vista and later), else
  // config\SysEvent.Evt (XP and 2003); empty when there is neither.
  const std::filesystem::path& systemLogFile() const { return systemLog_; }
  bool systemLogIsEvtx() const { return systemLogIsEvtx_; }

  // The installation's registry: the hives that could be read.
  HiveRegistry& registry() { return registry_; }
  // Its time zone; null when neither its name nor its offset could be read.
  TimeZone* timeZone() { return zone_.get(); }
  // The zone's Windows name ("Pacific Standard Time") and the zone used: an
  // IANA name, or the rules stored with the installation ("UTC+01:00 with
  // daylight saving") when its name maps to none.
  const std::string& windowsZoneName() const { return windowsZoneName_; }
  const std::string& zoneName() const { return zoneName_; }
  // "Pacific Standard Time (America/Los_Angeles)", or why the zone is unknown.
  std::string timeZoneDescription() const;

  // Sentences about what could not be read or was read in part.
  const std::vector<std::string>& warnings() const { return warnings_; }

  // A path inside the installation for a path as its registry holds it:
  // "%SystemRoot%\System32\netevent.dll" gives <root>/Windows/System32/netevent.dll
  // (matched without regard to case where the file exists).
  std::filesystem::path hostPath(std::string_view windowsPath) const;
  // The environment its paths are written against ("SystemRoot=C:\\Windows"
  // and friends), for expanding them as Windows would before hostPath().
  static std::vector<std::string> windowsEnvironment();
  // The message files of an event source (EventMessageFile of
  // SYSTEM\CurrentControlSet\Services\EventLog\<log>\<source>), as host paths.
  std::vector<std::filesystem::path> eventMessageFiles(std::string_view log,
                                                       std::string_view source);

  // `base` with the installation's registry, zone, clock and system facts in
  // place of this machine's. The result points into this object.
  Services services(const Services& base);

 private:
  void readTimeZone();

  std::filesystem::path root_;
  std::filesystem::path windows_;
  std::filesystem::path systemLog_;
  bool systemLogIsEvtx_ = false;
  HiveRegistry registry_;
  std::unique_ptr<TimeZone> zone_;
  std::string windowsZoneName_;
  std::string zoneName_;
  std::unique_ptr<ZonedClock> clock_;
  std::unique_ptr<InstallationSystemFacts> facts_;
  std::vector<std::string> warnings_;
};

}  // namespace tallyvane::platform
