#pragma once
// The locale settings that every user-visible date, time and number follows.
// One value is read from the platform once and passed explicitly to the
// formatting and parsing routines, so they run the same under any locale.
#include <array>
#include <string>

namespace tallyvane {

struct FormatSettings {
  // Windows-style pictures (see platform/LocaleFormats.h).
  std::string ShortDateFormat = "M/d/yyyy";
  std::string LongTimeFormat = "h:mm:ss tt";
  std::string DateSeparator = "/";
  std::string TimeSeparator = ":";
  std::string TimeAMString = "AM";
  std::string TimePMString = "PM";
  std::array<std::string, 7> LongDayNames = {"Sunday",   "Monday", "Tuesday", "Wednesday",
                                             "Thursday", "Friday", "Saturday"};
  std::array<std::string, 7> ShortDayNames = {"Sun", "Mon", "Tue", "Wed", "Thu", "Fri", "Sat"};
  std::array<std::string, 12> LongMonthNames = {"January",   "February", "March",    "April",
                                                "May",       "June",     "July",     "August",
                                                "September", "October",  "November", "December"};
  std::array<std::string, 12> ShortMonthNames = {"Jan", "Feb", "Mar", "Apr", "May", "Jun",
                                                 "Jul", "Aug", "Sep", "Oct", "Nov", "Dec"};
  std::string DecimalSeparator = ".";
};

// The settings of the user's locale, read from the platform now.
FormatSettings UserFormatSettings();

}  // namespace tallyvane
