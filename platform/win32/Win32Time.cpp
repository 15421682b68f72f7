// Time zone and clock: GetTimeZoneInformation, SystemTimeToTzSpecificLocalTime,
// GetTickCount64 and GetLocalTime.
#include <windows.h>

#include "platform/win32/Win32Services.h"

namespace tallyvane::platform {

namespace {

SYSTEMTIME toNative(const SystemTime& t) {
  SYSTEMTIME st{};
  st.wYear = t.year;
  st.wMonth = t.month;
  st.wDayOfWeek = t.dayOfWeek;
  st.wDay = t.day;
  st.wHour = t.hour;
  st.wMinute = t.minute;
  st.wSecond = t.second;
  st.wMilliseconds = t.milliseconds;
  return st;
}

SystemTime fromNative(const SYSTEMTIME& st) {
  SystemTime t;
  t.year = st.wYear;
  t.month = st.wMonth;
  t.dayOfWeek = st.wDayOfWeek;
  t.day = st.wDay;
  t.hour = st.wHour;
  t.minute = st.wMinute;
  t.second = st.wSecond;
  t.milliseconds = st.wMilliseconds;
  return t;
}

}  // namespace

bool Win32TimeZone::available() {
  TIME_ZONE_INFORMATION info{};
  return GetTimeZoneInformation(&info) != TIME_ZONE_ID_INVALID;
}

bool Win32TimeZone::utcToLocal(const SystemTime& utc, SystemTime& local) {
  const SYSTEMTIME in = toNative(utc);
  SYSTEMTIME out{};
  // A null zone is the zone in force now, as GetTimeZoneInformation reports it.
  if (!SystemTimeToTzSpecificLocalTime(nullptr, &in, &out))
    return false;
  local = fromNative(out);
  return true;
}

std::uint64_t Win32Clock::tickCount64() {
  return GetTickCount64();
}

SystemTime Win32Clock::localNow() {
  SYSTEMTIME st{};
  GetLocalTime(&st);
  return fromNative(st);
}

}  // namespace tallyvane::platform
