#pragma once
// The date-time type and conversions between it and the platform's time
// representations.
#include <cstdint>
#include <optional>

#include <string>

#include "platform/Services.h"
#include "present/FormatSettings.h"

namespace tallyvane {

// Days since 30 December 1899, the time of day as the fraction.
using TDateTime = double;

// FILETIME: 100-nanosecond ticks since 1 January 1601 UTC.
struct FileTime {
  std::uint64_t ticks = 0;
  friend bool operator==(const FileTime&, const FileTime&) = default;
};

struct CalendarDate {
  int year = 0;
  int month = 0;  // 1..12
  int day = 0;    // 1..31
};
struct ClockTime {
  int hour = 0;
  int minute = 0;
  int second = 0;
  int millisecond = 0;
};

// Calendar helpers on the proleptic Gregorian calendar.
bool IsLeapYear(int year);
int DaysInMonth(int year, int month);
// The date-time of a calendar date (years 1..9999), or nothing when it is no date.
std::optional<TDateTime> EncodeDate(int year, int month, int day);
std::optional<TDateTime> EncodeTime(int hour, int minute, int second, int millisecond);
// The calendar date and time of day of a date-time, rounded to milliseconds (the
// time of day of a negative value is taken from its absolute fraction).
CalendarDate DecodeDate(TDateTime value);
ClockTime DecodeTime(TDateTime value);
// 1 = Sunday .. 7 = Saturday.
int DayOfWeek(TDateTime value);

platform::SystemTime DateTimeToSystemTime(TDateTime value);
std::optional<TDateTime> SystemTimeToDateTime(const platform::SystemTime& st);

// Converts a UTC date-time to local time with the time-zone rules in force now;
// the input comes back unchanged when the zone or the conversion fails.
TDateTime UTCToLocalDateTime(TDateTime value,
                             platform::TimeZone& zone = *platform::systemServices().timeZone);

// A FILETIME as a date-time (local time when `ToLocal`); 0.0 for a value that
// gives no valid calendar date.
TDateTime FileTimeToDateTime(FileTime value, bool ToLocal,
                             platform::TimeZone& zone = *platform::systemServices().timeZone);

// Seconds counted from 1970-01-01 01:00:00 UTC, one hour after the Unix epoch:
// a caller holding a Unix time stamp subtracts 3,600 first.
TDateTime UnixTimeToDateTime(std::uint32_t seconds);

// A date-time as a FILETIME, with no time-zone conversion.
FileTime DateTimeToFileTime(TDateTime value);

// The date-time of a Unix time stamp (seconds since 1970-01-01 00:00:00 UTC).
TDateTime UnixSecondsToDateTime(std::int64_t seconds);
// The current local date-time of the given clock.
TDateTime Now(platform::SystemClock& clock = *platform::systemServices().clock);

// A duration in seconds as text: the text form with unit labels ("1 d, 1 h,
// 1 min, 1 s") or the clock form ("01:01:01"; with FullForm the years, months
// and days in front: "00.00.01 01:01:01"). The calendar units have fixed
// lengths (a year is 365.5 days, a month 30). WholeSeconds cuts the rest
// seconds to a whole number; otherwise they print with two decimals and the
// locale's decimal separator.
std::string FormatSeconds(double Seconds, bool WholeSeconds, bool FullForm, bool ClockForm,
                          const FormatSettings& Settings = FormatSettings{});

}  // namespace tallyvane
