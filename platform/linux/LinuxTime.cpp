// Time zone and clock from the C library and the kernel.
#include <cstdint>
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

// Seconds since 1970 of a UTC date and time, as timegm() gives them for fields
// in range, by the calendar's arithmetic alone: timegm() takes the C library's
// time-zone lock and normalises a whole struct, which costs more than the
// local-time conversion that follows it when a log is converted record by
// record. Days past a month's end run on into the next month, as with timegm().
std::int64_t utcSeconds(const SystemTime& utc) {
  // Days from 1970-01-01 to the date, counting years from March so that the
  // leap day comes last.
  const std::int64_t y = static_cast<std::int64_t>(utc.year) - (utc.month <= 2 ? 1 : 0);
  const std::int64_t era = (y >= 0 ? y : y - 399) / 400;
  const std::int64_t yearOfEra = y - era * 400;
  const std::int64_t monthFromMarch = utc.month > 2 ? utc.month - 3 : utc.month + 9;
  const std::int64_t dayOfYear = (153 * monthFromMarch + 2) / 5 + utc.day - 1;
  const std::int64_t dayOfEra = yearOfEra * 365 + yearOfEra / 4 - yearOfEra / 100 + dayOfYear;
  const std::int64_t days = era * 146097 + dayOfEra - 719468;
  return days * 86400 + utc.hour * 3600 + utc.minute * 60 + utc.second;
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
  const auto t = static_cast<std::time_t>(utcSeconds(utc));
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
