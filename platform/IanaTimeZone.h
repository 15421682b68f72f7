#pragma once
// Time zones by their IANA names (through ICU), for a journal shown in the
// zone of the machine that wrote its log rather than the one reading it, and
// the mapping from Windows time zone names to IANA names.
#include <memory>
#include <string>
#include <string_view>

#include "platform/TimeZone.h"

namespace tallyvane::platform {

class IanaTimeZone : public TimeZone {
 public:
  // The zone `id` ("America/Los_Angeles", or a fixed offset "GMT-08:00");
  // available() is false for a name the zone data does not know.
  explicit IanaTimeZone(std::string id);
  ~IanaTimeZone() override;
  IanaTimeZone(const IanaTimeZone&) = delete;
  IanaTimeZone& operator=(const IanaTimeZone&) = delete;

  const std::string& id() const { return id_; }
  bool available() override;
  bool utcToLocal(const SystemTime& utc, SystemTime& local) override;

 private:
  struct Calendar;
  std::string id_;
  std::unique_ptr<Calendar> calendar_;
};

// The IANA zone that stands for a Windows time zone name ("Pacific Standard
// Time" gives "America/Los_Angeles"), by the CLDR mapping for the zone's main
// region; "" for a name Windows does not use as a zone key.
std::string ianaZoneForWindowsZone(std::string_view windowsName);

// A clock whose local time is that of `zone`; its tick count is `ticks`'.
class ZonedClock : public SystemClock {
 public:
  ZonedClock(SystemClock& ticks, TimeZone& zone) : ticks_(ticks), zone_(zone) {}
  std::uint64_t tickCount64() override { return ticks_.tickCount64(); }
  SystemTime localNow() override;

 private:
  SystemClock& ticks_;
  TimeZone& zone_;
};

}  // namespace tallyvane::platform
