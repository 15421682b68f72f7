// Time zone and clock from the C library and the kernel.
#include <ctime>

#include "platform/linux/LinuxServices.h"

namespace tallyvane::platform {

namespace {

SystemTime fromTm(const std::tm& tm, std::uint16_t milliseconds) {
  SystemTime st;
  st.year = static_cast<std::uint16_t>(tm.tm_year + 1900);
  st.month = static_cast<std::uint16_t>(tm.tm_mon + 1);
  st.dayOfWeek = static_cast<std::uint16_t>(tm.tm_wday);
  st.day = static_cast<std::uint16_t>(tm.tm_mday);
  st.hour = static_cast<std::uint16_t>(tm.tm_hour);
  st.minute = static_cast<std::uint16_t>(tm.tm_min);
  st.second = static_cast<std::uint16_t>(tm.tm_sec);
  st.milliseconds = milliseconds;
  return st;
}

}  // namespace

bool LinuxTimeZone::available() {
  // tzset() re-reads TZ and the zone file on every call, which costs more than
  // the conversion itself when a log is converted record by record; the zone
  // is read once here, and whoever changes TZ later calls tzset() again.
  static const bool initialised = [] {
    tzset();
    return true;
  }();
  return initialised;
}

bool LinuxTimeZone::utcToLocal(const SystemTime& utc, SystemTime& local) {
  if (utc.month < 1 || utc.month > 12 || utc.day < 1 || utc.day > 31 || utc.hour > 23 ||
      utc.minute > 59 || utc.second > 59 || utc.milliseconds > 999) {
    return false;
  }
  std::tm tm{};
  tm.tm_year = utc.year - 1900;
  tm.tm_mon = utc.month - 1;
  tm.tm_mday = utc.day;
  tm.tm_hour = utc.hour;
  tm.tm_min = utc.minute;
  tm.tm_sec = utc.second;
  const std::time_t t = timegm(&tm);
  std::tm out{};
  if (localtime_r(&t, &out) == nullptr)
    return false;
  local = fromTm(out, utc.milliseconds);
  return true;
}

std::uint64_t LinuxClock::tickCount64() {
  timespec ts{};
  clock_gettime(CLOCK_BOOTTIME, &ts);
  return static_cast<std::uint64_t>(ts.tv_sec) * 1000u +
         static_cast<std::uint64_t>(ts.tv_nsec) / 1000000u;
}

SystemTime LinuxClock::localNow() {
  timespec ts{};
  clock_gettime(CLOCK_REALTIME, &ts);
  std::tm tm{};
  localtime_r(&ts.tv_sec, &tm);
  return fromTm(tm, static_cast<std::uint16_t>(ts.tv_nsec / 1000000));
}

}  // namespace tallyvane::platform
