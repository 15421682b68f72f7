#pragma once
// Time-zone conversion, shaped after GetTimeZoneInformation and
// SystemTimeToTzSpecificLocalTime, and the clock (GetLocalTime, GetTickCount64).
#include <cstdint>

namespace tallyvane::platform {

// SYSTEMTIME.
struct SystemTime {
  std::uint16_t year = 0;
  std::uint16_t month = 0;      // 1..12
  std::uint16_t dayOfWeek = 0;  // 0 = Sunday
  std::uint16_t day = 0;        // 1..31
  std::uint16_t hour = 0;
  std::uint16_t minute = 0;
  std::uint16_t second = 0;
  std::uint16_t milliseconds = 0;
  friend bool operator==(const SystemTime&, const SystemTime&) = default;
};

class TimeZone {
 public:
  virtual ~TimeZone() = default;
  // False where GetTimeZoneInformation would report TIME_ZONE_ID_INVALID.
  virtual bool available() = 0;
  // SystemTimeToTzSpecificLocalTime with the rules in force now.
  virtual bool utcToLocal(const SystemTime& utc, SystemTime& local) = 0;
};

class SystemClock {
 public:
  virtual ~SystemClock() = default;
  // GetTickCount64: milliseconds since the system started (suspend included on
  // Linux, as the boot-time clock counts it).
  virtual std::uint64_t tickCount64() = 0;
  // GetLocalTime.
  virtual SystemTime localNow() = 0;
};

}  // namespace tallyvane::platform
