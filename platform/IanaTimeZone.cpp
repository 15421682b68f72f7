#include "platform/IanaTimeZone.h"

#include <chrono>
#include <cstdio>
#include <cstdlib>

#if defined(TALLYVANE_HAVE_ICU)
#include <unicode/ucal.h>
#include <unicode/ustring.h>
#endif

#include "platform/Unicode.h"

namespace tallyvane::platform {

namespace {

SystemTime utcFromMillis(std::int64_t millis) {
  std::int64_t days = millis / 86400000;
  std::int64_t rest = millis % 86400000;
  if (rest < 0) {
    rest += 86400000;
    --days;
  }
  // Civil date from days (the inverse of daysFromCivil).
  const std::int64_t z = days + 719468;
  const std::int64_t era = (z >= 0 ? z : z - 146096) / 146097;
  const auto doe = static_cast<unsigned>(z - era * 146097);
  const unsigned yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
  const unsigned doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
  const unsigned mp = (5 * doy + 2) / 153;
  const unsigned d = doy - (153 * mp + 2) / 5 + 1;
  const unsigned m = mp < 10 ? mp + 3 : mp - 9;
  const std::int64_t y = static_cast<std::int64_t>(yoe) + era * 400 + (m <= 2);
  SystemTime st;
  st.year = static_cast<std::uint16_t>(y);
  st.month = static_cast<std::uint16_t>(m);
  st.day = static_cast<std::uint16_t>(d);
  st.dayOfWeek = static_cast<std::uint16_t>(((days % 7) + 11) % 7);  // 1970-01-01 was a Thursday
  st.hour = static_cast<std::uint16_t>(rest / 3600000);
  st.minute = static_cast<std::uint16_t>(rest / 60000 % 60);
  st.second = static_cast<std::uint16_t>(rest / 1000 % 60);
  st.milliseconds = static_cast<std::uint16_t>(rest % 1000);
  return st;
}

}  // namespace

SystemTime ZonedClock::localNow() {
  const auto now =
      std::chrono::time_point_cast<std::chrono::milliseconds>(std::chrono::system_clock::now());
  const SystemTime utc = utcFromMillis(now.time_since_epoch().count());
  SystemTime local;
  return zone_.utcToLocal(utc, local) ? local : utc;
}

#if defined(TALLYVANE_HAVE_ICU)

namespace {

// Days since 1970-01-01 of a proleptic Gregorian date.
std::int64_t daysFromCivil(std::int64_t y, unsigned m, unsigned d) {
  y -= m <= 2;
  const std::int64_t era = (y >= 0 ? y : y - 399) / 400;
  const auto yoe = static_cast<unsigned>(y - era * 400);
  const unsigned doy = (153 * (m > 2 ? m - 3 : m + 9) + 2) / 5 + d - 1;
  const unsigned doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
  return era * 146097 + static_cast<std::int64_t>(doe) - 719468;
}

bool validUtc(const SystemTime& utc) {
  return utc.year >= 1601 && utc.year <= 30827 && utc.month >= 1 && utc.month <= 12 &&
         utc.day >= 1 && utc.day <= 31 && utc.hour <= 23 && utc.minute <= 59 && utc.second <= 59 &&
         utc.milliseconds <= 999;
}

}  // namespace

struct IanaTimeZone::Calendar {
  UCalendar* calendar = nullptr;
  ~Calendar() {
    if (calendar != nullptr)
      ucal_close(calendar);
  }
};

IanaTimeZone::IanaTimeZone(std::string id) : id_(std::move(id)), calendar_(new Calendar) {
  const std::u16string zone = utf8ToUtf16(id_);
  const auto* chars = reinterpret_cast<const UChar*>(zone.data());
  const auto length = static_cast<int32_t>(zone.size());
  // ICU quietly turns a name it does not know into "Etc/Unknown" (UTC); such a
  // name is refused here instead.
  UChar canonical[128];
  UBool isSystemId = false;
  UErrorCode status = U_ZERO_ERROR;
  ucal_getCanonicalTimeZoneID(chars, length, canonical, 128, &isSystemId, &status);
  if (U_FAILURE(status))
    return;
  status = U_ZERO_ERROR;
  UCalendar* calendar = ucal_open(chars, length, "en_US_POSIX", UCAL_GREGORIAN, &status);
  if (U_FAILURE(status)) {
    if (calendar != nullptr)
      ucal_close(calendar);
    return;
  }
  calendar_->calendar = calendar;
}

IanaTimeZone::~IanaTimeZone() = default;

bool IanaTimeZone::available() {
  return calendar_->calendar != nullptr;
}

bool IanaTimeZone::utcToLocal(const SystemTime& utc, SystemTime& local) {
  if (calendar_->calendar == nullptr || !validUtc(utc))
    return false;
  const std::int64_t days = daysFromCivil(utc.year, utc.month, utc.day);
  const std::int64_t millis = days * 86400000 + utc.hour * 3600000LL + utc.minute * 60000LL +
                              utc.second * 1000LL + utc.milliseconds;
  UCalendar* c = calendar_->calendar;
  UErrorCode status = U_ZERO_ERROR;
  ucal_setMillis(c, static_cast<UDate>(millis), &status);
  const auto field = [&](UCalendarDateFields f) {
    return static_cast<std::uint16_t>(ucal_get(c, f, &status));
  };
  SystemTime out;
  out.year = static_cast<std::uint16_t>(ucal_get(c, UCAL_EXTENDED_YEAR, &status));
  out.month = static_cast<std::uint16_t>(field(UCAL_MONTH) + 1);
  out.day = field(UCAL_DATE);
  out.dayOfWeek = static_cast<std::uint16_t>(field(UCAL_DAY_OF_WEEK) - 1);
  out.hour = field(UCAL_HOUR_OF_DAY);
  out.minute = field(UCAL_MINUTE);
  out.second = field(UCAL_SECOND);
  out.milliseconds = field(UCAL_MILLISECOND);
  if (U_FAILURE(status))
    return false;
  local = out;
  return true;
}

std::string ianaZoneForWindowsZone(std::string_view windowsName) {
  const std::u16string name = utf8ToUtf16(windowsName);
  UChar result[128];
  UErrorCode status = U_ZERO_ERROR;
  const int32_t length = ucal_getTimeZoneIDForWindowsID(reinterpret_cast<const UChar*>(name.data()),
                                                        static_cast<int32_t>(name.size()), nullptr,
                                                        result, 128, &status);
  if (U_FAILURE(status) || length <= 0 || length >= 128)
    return {};
  return utf16ToUtf8(std::u16string_view(reinterpret_cast<const char16_t*>(result),
                                         static_cast<std::size_t>(length)));
}

#else

// A build without ICU knows no zone by name.
struct IanaTimeZone::Calendar {};

IanaTimeZone::IanaTimeZone(std::string id) : id_(std::move(id)), calendar_(new Calendar) {}
IanaTimeZone::~IanaTimeZone() = default;
bool IanaTimeZone::available() {
  return false;
}
bool IanaTimeZone::utcToLocal(const SystemTime&, SystemTime&) {
  return false;
}
std::string ianaZoneForWindowsZone(std::string_view) {
  return {};
}

#endif

}  // namespace tallyvane::platform
