#pragma once
// Date-time texts in the user's locale and the conversion of text to a date-time.
#include <optional>
#include <string>
#include <string_view>

#include "present/FormatSettings.h"
#include "present/Orvex_Datetime.h"

namespace tallyvane {

// Formats a date-time. Letters, without regard to case:
//   c       the short date format, then a blank and the long time format when
//           the hours, minutes and seconds are not all zero
//   d dd    day of the month; ddd dddd the short and long day name;
//   ddddd   the short date format
//   m mm    month number (minutes right after an hour); mmm mmmm the short and long month name
//   yy yyyy the year in two or four digits
//   h hh    hour (12-hour when an am/pm letter group follows); n nn minutes; s ss seconds;
//   z zzz   milliseconds
//   t tt    the time without seconds; the long time format
//   am/pm a/p ampm   the designator (ampm: the locale's texts)
//   / :     the locale's date and time separators
//   '...' "..."  literal text
// Any other character is copied.
std::string FormatDateTime(std::string_view format, TDateTime value,
                           const FormatSettings& settings);

// Formats a date-time through a Windows-style picture (the locale's short date
// and long time formats are such pictures).
std::string FormatPicture(std::string_view picture, TDateTime value,
                          const FormatSettings& settings);

enum class DatePart {
  kOptional,  // a time alone gives that time on day 0
  kRequired,  // a text without a date does not convert
};

// Converts text to a date-time: a date of three numbers in the order of the
// short date format, separated by the date separator; then, after blanks, a
// time of hours with optional minutes, seconds and milliseconds separated by
// the time separator (milliseconds by the decimal separator or a point), with
// an optional AM/PM designator before or after it (the locale's texts, or AM
// and PM, without regard to case). A two-digit year below 50 lies in 2000 to
// 2049, from 50 in 1950 to 1999. Blanks at both ends are ignored. Nothing for
// text that does not convert.
std::optional<TDateTime> TryStrToDateTime(std::string_view text, const FormatSettings& settings,
                                          DatePart datePart = DatePart::kOptional);

}  // namespace tallyvane
