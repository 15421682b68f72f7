// The user's locale formats from GetLocaleInfoEx; Windows gives the pictures
// in the form the formatting routines take.
#include <windows.h>

#include <string>

#include "platform/LocaleFormats.h"
#include "platform/Unicode.h"

namespace tallyvane::platform {

namespace {

std::string info(LCTYPE type, const char* fallback) {
  wchar_t buffer[256] = {};
  const int n = GetLocaleInfoEx(LOCALE_NAME_USER_DEFAULT, type, buffer, 256);
  if (n <= 1)
    return fallback;
  return utf16ToUtf8(std::u16string_view(reinterpret_cast<const char16_t*>(buffer),
                                         static_cast<std::size_t>(n - 1)));
}

}  // namespace

LocaleFormats userLocaleFormats() {
  static constexpr const char* kDays[7] = {"Sunday",   "Monday", "Tuesday", "Wednesday",
                                           "Thursday", "Friday", "Saturday"};
  static constexpr const char* kMonths[12] = {"January",   "February", "March",    "April",
                                              "May",       "June",     "July",     "August",
                                              "September", "October",  "November", "December"};
  LocaleFormats f;
  f.shortDate = info(LOCALE_SSHORTDATE, "M/d/yyyy");
  f.longTime = info(LOCALE_STIMEFORMAT, "h:mm:ss tt");
  f.dateSeparator = info(LOCALE_SDATE, "/");
  f.timeSeparator = info(LOCALE_STIME, ":");
  f.am = info(LOCALE_S1159, "AM");
  f.pm = info(LOCALE_S2359, "PM");
  // Windows counts the day names from Monday (1) to Sunday (7).
  for (int i = 0; i < 7; ++i) {
    const int windowsDay = i == 0 ? 6 : i - 1;
    f.longDayNames[i] = info(static_cast<LCTYPE>(LOCALE_SDAYNAME1 + windowsDay), kDays[i]);
    f.shortDayNames[i] = info(static_cast<LCTYPE>(LOCALE_SABBREVDAYNAME1 + windowsDay),
                              std::string(kDays[i]).substr(0, 3).c_str());
  }
  for (int i = 0; i < 12; ++i) {
    f.longMonthNames[i] = info(static_cast<LCTYPE>(LOCALE_SMONTHNAME1 + i), kMonths[i]);
    f.shortMonthNames[i] = info(static_cast<LCTYPE>(LOCALE_SABBREVMONTHNAME1 + i),
                                std::string(kMonths[i]).substr(0, 3).c_str());
  }
  f.decimalSeparator = info(LOCALE_SDECIMAL, ".");
  return f;
}

}  // namespace tallyvane::platform
