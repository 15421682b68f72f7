#include "present/Orvex_Datetime.h"

#include <cmath>

#include "present/TextFormat.h"

namespace tallyvane {

namespace {

constexpr std::int64_t kMsPerDay = 86'400'000;
// Days from 0001-01-01 to 1899-12-30.
constexpr std::int64_t kDateDelta = 693593;
// FILETIME ticks from 1601-01-01 to 1899-12-30.
constexpr std::int64_t kFileTimeDelta = 94'353'120'000'000'000LL;
constexpr std::int64_t kTicksPerMs = 10'000;
constexpr double kMaxDateTime = 2958465.99999999;  // 9999-12-31 23:59:59.999

// Days since 0001-01-01 of a date (no validation).
std::int64_t daysFromCivil(int year, int month, int day) {
  std::int64_t days = 0;
  const int y = year - 1;
  days = static_cast<std::int64_t>(y) * 365 + y / 4 - y / 100 + y / 400;
  for (int m = 1; m < month; ++m)
    days += DaysInMonth(year, m);
  return days + day - 1;
}

CalendarDate civilFromDays(std::int64_t days) {
  // days since 0001-01-01, >= 0
  std::int64_t d = days;
  const std::int64_t n400 = d / 146097;
  d %= 146097;
  std::int64_t n100 = d / 36524;
  if (n100 == 4)
    n100 = 3;
  d -= n100 * 36524;
  const std::int64_t n4 = d / 1461;
  d %= 1461;
  std::int64_t n1 = d / 365;
  if (n1 == 4)
    n1 = 3;
  d -= n1 * 365;
  CalendarDate out;
  out.year = static_cast<int>(n400 * 400 + n100 * 100 + n4 * 4 + n1 + 1);
  out.month = 1;
  while (d >= DaysInMonth(out.year, out.month)) {
    d -= DaysInMonth(out.year, out.month);
    ++out.month;
  }
  out.day = static_cast<int>(d) + 1;
  return out;
}

// Whole days (since 1899-12-30) and milliseconds of the day of a date-time.
void split(TDateTime value, std::int64_t& days, std::int64_t& ms) {
  days = static_cast<std::int64_t>(std::trunc(value));
  ms = std::llround(std::fabs(value - std::trunc(value)) * static_cast<double>(kMsPerDay));
  // A time of day that rounds up to midnight is the start of the next day in
  // both directions: the time of day counts forwards also before 1899-12-30.
  if (ms >= kMsPerDay) {
    ms -= kMsPerDay;
    days += 1;
  }
}

}  // namespace

bool IsLeapYear(int year) {
  return (year % 4 == 0 && year % 100 != 0) || year % 400 == 0;
}

int DaysInMonth(int year, int month) {
  static constexpr int kDays[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
  if (month < 1 || month > 12)
    return 0;
  return month == 2 && IsLeapYear(year) ? 29 : kDays[month - 1];
}

std::optional<TDateTime> EncodeDate(int year, int month, int day) {
  if (year < 1 || year > 9999 || month < 1 || month > 12 || day < 1 ||
      day > DaysInMonth(year, month)) {
    return std::nullopt;
  }
  return static_cast<double>(daysFromCivil(year, month, day) - kDateDelta);
}

std::optional<TDateTime> EncodeTime(int hour, int minute, int second, int millisecond) {
  if (hour < 0 || hour > 23 || minute < 0 || minute > 59 || second < 0 || second > 59 ||
      millisecond < 0 || millisecond > 999) {
    return std::nullopt;
  }
  const std::int64_t ms = ((hour * 60LL + minute) * 60 + second) * 1000 + millisecond;
  return static_cast<double>(ms) / static_cast<double>(kMsPerDay);
}

CalendarDate DecodeDate(TDateTime value) {
  if (!std::isfinite(value) || std::fabs(value) > 3.0e6)
    return {};
  std::int64_t days = 0, ms = 0;
  split(value, days, ms);
  const std::int64_t civil = days + kDateDelta;
  if (civil < 0)
    return {};
  return civilFromDays(civil);
}

ClockTime DecodeTime(TDateTime value) {
  if (!std::isfinite(value) || std::fabs(value) > 3.0e6)
    return {};
  std::int64_t days = 0, ms = 0;
  split(value, days, ms);
  ClockTime t;
  t.hour = static_cast<int>(ms / 3'600'000);
  t.minute = static_cast<int>(ms / 60'000 % 60);
  t.second = static_cast<int>(ms / 1000 % 60);
  t.millisecond = static_cast<int>(ms % 1000);
  return t;
}

int DayOfWeek(TDateTime value) {
  std::int64_t days = 0, ms = 0;
  split(value, days, ms);
  // 1899-12-30 was a Saturday.
  std::int64_t dow = (days + 6) % 7;  // 0 = Sunday
  if (dow < 0)
    dow += 7;
  return static_cast<int>(dow) + 1;
}

platform::SystemTime DateTimeToSystemTime(TDateTime value) {
  const CalendarDate d = DecodeDate(value);
  const ClockTime t = DecodeTime(value);
  platform::SystemTime st;
  st.year = static_cast<std::uint16_t>(d.year);
  st.month = static_cast<std::uint16_t>(d.month);
  st.day = static_cast<std::uint16_t>(d.day);
  st.dayOfWeek = static_cast<std::uint16_t>(DayOfWeek(value) - 1);
  st.hour = static_cast<std::uint16_t>(t.hour);
  st.minute = static_cast<std::uint16_t>(t.minute);
  st.second = static_cast<std::uint16_t>(t.second);
  st.milliseconds = static_cast<std::uint16_t>(t.millisecond);
  return st;
}

std::optional<TDateTime> SystemTimeToDateTime(const platform::SystemTime& st) {
  const auto date = EncodeDate(st.year, st.month, st.day);
  const auto time = EncodeTime(st.hour, st.minute, st.second, st.milliseconds);
  if (!date || !time)
    return std::nullopt;
  return *date >= 0 ? *date + *time : *date - *time;
}

TDateTime UTCToLocalDateTime(TDateTime value, platform::TimeZone& zone) {
  if (!zone.available())
    return value;
  const platform::SystemTime utc = DateTimeToSystemTime(value);
  platform::SystemTime local;
  if (!zone.utcToLocal(utc, local))
    return value;
  const auto result = SystemTimeToDateTime(local);
  return result ? *result : value;
}

TDateTime FileTimeToDateTime(FileTime value, bool ToLocal, platform::TimeZone& zone) {
  // FileTimeToSystemTime accepts values below 2^63; the date-time type ends with
  // the year 9999.
  if (value.ticks >= 0x8000000000000000ULL)
    return 0.0;
  const auto ms = static_cast<std::int64_t>(value.ticks / kTicksPerMs);
  const std::int64_t sinceDelta = ms - kFileTimeDelta / kTicksPerMs;
  // Before 1899-12-30 the whole days count down while the time of day still
  // counts up: 29 December 1899, 12:00 is -1.5.
  std::int64_t day = sinceDelta / kMsPerDay;
  std::int64_t msOfDay = sinceDelta % kMsPerDay;
  if (msOfDay < 0) {
    day -= 1;
    msOfDay += kMsPerDay;
  }
  const double fraction = static_cast<double>(msOfDay) / static_cast<double>(kMsPerDay);
  const double dt =
      day >= 0 ? static_cast<double>(day) + fraction : static_cast<double>(day) - fraction;
  if (dt > kMaxDateTime)
    return 0.0;
  return ToLocal ? UTCToLocalDateTime(dt, zone) : dt;
}

TDateTime UnixTimeToDateTime(std::uint32_t seconds) {
  const std::uint64_t ticks =
      (static_cast<std::uint64_t>(seconds) + 11'644'473'600ULL + 3'600ULL) * 10'000'000ULL;
  return FileTimeToDateTime(FileTime{ticks}, false);
}

FileTime DateTimeToFileTime(TDateTime value) {
  std::int64_t days = 0, ms = 0;
  split(value, days, ms);
  const std::int64_t total = (days * kMsPerDay + ms) * kTicksPerMs + kFileTimeDelta;
  return FileTime{total < 0 ? 0 : static_cast<std::uint64_t>(total)};
}

TDateTime UnixSecondsToDateTime(std::int64_t seconds) {
  return 25569.0 + static_cast<double>(seconds) / 86400.0;
}

TDateTime Now(platform::SystemClock& clock) {
  const auto value = SystemTimeToDateTime(clock.localNow());
  return value ? *value : 0.0;
}

}  // namespace tallyvane

// ---- Duration texts ----

namespace tallyvane {

std::string FormatSeconds(double Seconds, bool WholeSeconds, bool FullForm, bool ClockForm,
                          const FormatSettings& Settings) {
  static constexpr long double kLengths[7] = {
      3'157'920'000.0L, 31'579'200.0L, 2'592'000.0L, 604'800.0L, 86'400.0L, 3'600.0L, 60.0L};
  static constexpr const char* kLabels[7] = {" c, ", " yr, ", " m, ",  " wk, ",
                                             " d, ", " h, ",  " min, "};
  long double r = Seconds;
  std::uint16_t counts[7] = {};
  for (int k = 0; k < 7; ++k) {
    const long double whole = std::trunc(r / kLengths[k]);
    // Counts are 16-bit; a larger count keeps its low 16 bits.
    counts[k] = whole >= 0 && whole < 1.8e19L
                    ? static_cast<std::uint16_t>(static_cast<std::uint64_t>(whole) & 0xFFFF)
                    : 0;
    r -= static_cast<long double>(counts[k]) * kLengths[k];
  }
  const long double rest = WholeSeconds ? std::trunc(r) : r;
  const std::uint16_t years = counts[1], months = counts[2], weeks = counts[3], days = counts[4],
                      hours = counts[5], minutes = counts[6];

  if (ClockForm) {
    const int dayFigure = weeks * 7 + days;
    if (FullForm) {
      if (WholeSeconds) {
        return Format("%2.2d.%2.2d.%2.2d %2.2d:%2.2d:%2.2d",
                      {years, months, dayFigure, hours, minutes, static_cast<std::int64_t>(rest)},
                      Settings);
      }
      return Format("%2.2d.%2.2d.%2.2d %2.2d:%2.2d:%s",
                    {years, months, dayFigure, hours, minutes,
                     FormatFloat("00.00", static_cast<double>(rest), Settings)},
                    Settings);
    }
    if (WholeSeconds) {
      return Format("%2.2d:%2.2d:%2.2d", {hours, minutes, static_cast<std::int64_t>(rest)},
                    Settings);
    }
    return Format("%2.2d:%2.2d:%s",
                  {hours, minutes, FormatFloat("00.00", static_cast<double>(rest), Settings)},
                  Settings);
  }

  int first = 0;
  if (!FullForm) {
    first = 7;
    for (int k = 0; k < 7; ++k) {
      if (counts[k] >= 1) {
        first = k;
        break;
      }
    }
  }
  std::string text;
  for (int k = first; k < 7; ++k)
    text += Format("%.0d%s", {counts[k], kLabels[k]}, Settings);
  text += Format(WholeSeconds ? "%.0f%s" : "%.2f%s", {static_cast<double>(rest), " s"}, Settings);
  return text;
}

}  // namespace tallyvane
