#include "platform/WindowsRuleTimeZone.h"

#include <cstdio>

#include "platform/ByteReader.h"

namespace tallyvane::platform {

namespace {

constexpr std::int64_t kSecondsPerDay = 86400;

// Days since 1970-01-01 of a proleptic Gregorian date.
std::int64_t daysFromCivil(std::int64_t y, unsigned m, unsigned d) {
  y -= m <= 2;
  const std::int64_t era = (y >= 0 ? y : y - 399) / 400;
  const auto yoe = static_cast<unsigned>(y - era * 400);
  const unsigned doy = (153 * (m > 2 ? m - 3 : m + 9) + 2) / 5 + d - 1;
  const unsigned doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
  return era * 146097 + static_cast<std::int64_t>(doe) - 719468;
}

void civilFromDays(std::int64_t days, std::int64_t& y, unsigned& m, unsigned& d) {
  const std::int64_t z = days + 719468;
  const std::int64_t era = (z >= 0 ? z : z - 146096) / 146097;
  const auto doe = static_cast<unsigned>(z - era * 146097);
  const unsigned yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
  const unsigned doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
  const unsigned mp = (5 * doy + 2) / 153;
  d = doy - (153 * mp + 2) / 5 + 1;
  m = mp < 10 ? mp + 3 : mp - 9;
  y = static_cast<std::int64_t>(yoe) + era * 400 + (m <= 2);
}

unsigned weekday(std::int64_t days) {  // 0 = Sunday; 1970-01-01 was a Thursday
  return static_cast<unsigned>(((days % 7) + 11) % 7);
}

unsigned daysInMonth(std::int64_t y, unsigned m) {
  return static_cast<unsigned>(daysFromCivil(m == 12 ? y + 1 : y, m == 12 ? 1 : m + 1, 1) -
                               daysFromCivil(y, m, 1));
}

// The local wall-clock second of year `y` at which a transition happens.
std::optional<std::int64_t> transitionIn(const SystemTime& rule, std::int64_t y) {
  if (rule.month < 1 || rule.month > 12)
    return std::nullopt;
  unsigned day = 0;
  if (rule.year == 0) {
    if (rule.day < 1 || rule.day > 5 || rule.dayOfWeek > 6)
      return std::nullopt;
    const unsigned first = weekday(daysFromCivil(y, rule.month, 1));
    day = 1 + (rule.dayOfWeek + 7 - first) % 7 + 7 * (rule.day - 1u);
    while (day > daysInMonth(y, rule.month))
      day -= 7;  // week 5 is the last such day of the month
  } else {
    // A date of one year only; other years keep it as their day of the month.
    day = rule.day;
    if (day < 1 || day > daysInMonth(y, rule.month))
      return std::nullopt;
  }
  return daysFromCivil(y, rule.month, day) * kSecondsPerDay + rule.hour * 3600 + rule.minute * 60 +
         rule.second;
}

}  // namespace

std::optional<SystemTime> TimeZoneRules::systemTimeFrom(std::span<const std::byte> bytes) {
  ByteReader r(bytes);
  if (bytes.size() < 16)
    return std::nullopt;
  SystemTime t;
  t.year = r.u16(0).value_or(0);
  t.month = r.u16(2).value_or(0);
  t.dayOfWeek = r.u16(4).value_or(0);
  t.day = r.u16(6).value_or(0);
  t.hour = r.u16(8).value_or(0);
  t.minute = r.u16(10).value_or(0);
  t.second = r.u16(12).value_or(0);
  t.milliseconds = r.u16(14).value_or(0);
  return t;
}

std::optional<TimeZoneRules> TimeZoneRules::fromTzi(std::span<const std::byte> bytes) {
  if (bytes.size() < 44)
    return std::nullopt;
  ByteReader r(bytes);
  TimeZoneRules rules;
  rules.bias = static_cast<std::int32_t>(r.u32(0).value_or(0));
  rules.standardBias = static_cast<std::int32_t>(r.u32(4).value_or(0));
  rules.daylightBias = static_cast<std::int32_t>(r.u32(8).value_or(0));
  rules.standardDate = *systemTimeFrom(bytes.subspan(12, 16));
  rules.daylightDate = *systemTimeFrom(bytes.subspan(28, 16));
  return rules;
}

bool WindowsRuleTimeZone::utcToLocal(const SystemTime& utc, SystemTime& local) {
  if (utc.year < 1601 || utc.month < 1 || utc.month > 12 || utc.day < 1 ||
      utc.day > daysInMonth(utc.year, utc.month) || utc.hour > 23 || utc.minute > 59 ||
      utc.second > 59 || utc.milliseconds > 999) {
    return false;
  }
  // Biases beyond a day are no zone's.
  const auto sane = [](std::int32_t minutes) { return minutes > -1440 && minutes < 1440; };
  if (!sane(rules_.bias) || !sane(rules_.standardBias) || !sane(rules_.daylightBias))
    return false;
  const std::int64_t t = daysFromCivil(utc.year, utc.month, utc.day) * kSecondsPerDay +
                         utc.hour * 3600 + utc.minute * 60 + utc.second;
  const std::int64_t standardOffset = (rules_.bias + rules_.standardBias) * 60LL;
  const std::int64_t daylightOffset = (rules_.bias + rules_.daylightBias) * 60LL;
  bool daylight = false;
  // The year the transitions are taken from is the one in standard time.
  std::int64_t year = 0;
  unsigned m = 0, d = 0;
  civilFromDays((t - standardOffset) / kSecondsPerDay - ((t - standardOffset) % kSecondsPerDay < 0),
                year, m, d);
  const auto starts = transitionIn(rules_.daylightDate, year);
  const auto ends = transitionIn(rules_.standardDate, year);
  if (starts && ends) {
    // The start is written in standard time, the end in daylight time.
    const std::int64_t startUtc = *starts + standardOffset;
    const std::int64_t endUtc = *ends + daylightOffset;
    daylight = startUtc < endUtc ? (t >= startUtc && t < endUtc) : (t >= startUtc || t < endUtc);
  }
  const std::int64_t localSeconds = t - (daylight ? daylightOffset : standardOffset);
  std::int64_t days = localSeconds / kSecondsPerDay;
  std::int64_t rest = localSeconds % kSecondsPerDay;
  if (rest < 0) {
    rest += kSecondsPerDay;
    --days;
  }
  std::int64_t y = 0;
  civilFromDays(days, y, m, d);
  if (y < 1 || y > 30827)
    return false;
  local.year = static_cast<std::uint16_t>(y);
  local.month = static_cast<std::uint16_t>(m);
  local.day = static_cast<std::uint16_t>(d);
  local.dayOfWeek = static_cast<std::uint16_t>(weekday(days));
  local.hour = static_cast<std::uint16_t>(rest / 3600);
  local.minute = static_cast<std::uint16_t>(rest / 60 % 60);
  local.second = static_cast<std::uint16_t>(rest % 60);
  local.milliseconds = utc.milliseconds;
  return true;
}

std::string WindowsRuleTimeZone::describe() const {
  const std::int32_t offset = -(rules_.bias + rules_.standardBias);
  const std::int32_t magnitude = offset < 0 ? -offset : offset;
  char text[48];
  std::snprintf(text, sizeof text, "UTC%c%02d:%02d%s", offset < 0 ? '-' : '+',
                static_cast<int>(magnitude / 60 % 100), static_cast<int>(magnitude % 60),
                rules_.daylightDate.month != 0 && rules_.standardDate.month != 0
                    ? " with daylight saving"
                    : "");
  return text;
}

}  // namespace tallyvane::platform
