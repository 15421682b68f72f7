#pragma once
// The user's locale formats as the platform gives them (GetLocaleInfo on
// Windows; on Linux the POSIX locale of LC_TIME and LC_NUMERIC mapped to the
// same picture strings). Pictures use the Windows letters: d dd ddd dddd, M MM
// MMM MMMM, y yy yyyy, h hh (12-hour), H HH (24-hour), m mm, s ss, t tt (the
// AM/PM designator) and text in single quotes.
#include <array>
#include <string>

namespace tallyvane::platform {

struct LocaleFormats {
  std::string shortDate;                     // e.g. "M/d/yyyy"
  std::string longTime;                      // e.g. "h:mm:ss tt"
  std::string dateSeparator;                 // e.g. "/"
  std::string timeSeparator;                 // e.g. ":"
  std::string am;                            // e.g. "AM"
  std::string pm;                            // e.g. "PM"
  std::array<std::string, 7> longDayNames;   // Sunday first
  std::array<std::string, 7> shortDayNames;  // Sunday first
  std::array<std::string, 12> longMonthNames;
  std::array<std::string, 12> shortMonthNames;
  std::string decimalSeparator;  // e.g. "."
};

// The formats of the process's current locale (on Linux: what setlocale made
// current for LC_TIME and LC_NUMERIC). Texts are UTF-8.
LocaleFormats userLocaleFormats();

}  // namespace tallyvane::platform
