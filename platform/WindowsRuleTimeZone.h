#pragma once
// A time zone given by Windows' own description of it (TIME_ZONE_INFORMATION:
// the bias from UTC, the standard and daylight biases and the yearly dates on
// which daylight saving starts and ends), converted as
// SystemTimeToTzSpecificLocalTime does. It serves an installation whose zone
// has no name that maps to an IANA zone (an XP system in another language
// keeps only translated display names).
#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <string>

#include "platform/TimeZone.h"

namespace tallyvane::platform {

struct TimeZoneRules {
  std::int32_t bias = 0;  // minutes: UTC = local time + bias
  std::int32_t standardBias = 0;
  std::int32_t daylightBias = 0;
  // When daylight saving ends (in daylight time) and starts (in standard
  // time): a month of 0 means the zone has no daylight saving. With a year of
  // 0, `day` is the week of the month (5: the last) and `dayOfWeek` the day.
  SystemTime standardDate;
  SystemTime daylightDate;

  // The 44-byte REG_TZI_FORMAT of the registry's "TZI" value.
  static std::optional<TimeZoneRules> fromTzi(std::span<const std::byte> bytes);
  // A SYSTEMTIME as the registry stores it (16 bytes).
  static std::optional<SystemTime> systemTimeFrom(std::span<const std::byte> bytes);
};

class WindowsRuleTimeZone : public TimeZone {
 public:
  explicit WindowsRuleTimeZone(const TimeZoneRules& rules) : rules_(rules) {}
  bool available() override { return true; }
  bool utcToLocal(const SystemTime& utc, SystemTime& local) override;
  // "UTC+01:00 with daylight saving", "UTC-08:00".
  std::string describe() const;

 private:
  TimeZoneRules rules_;
};

}  // namespace tallyvane::platform
