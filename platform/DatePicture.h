#pragma once
// Formats a date and time through a Windows-style picture, the form in which
// the platform gives the locale's short date and long time formats (see
// LocaleFormats.h): d dd ddd dddd, M MM MMM MMMM, y yy yyyy, g (the era, not
// shown), h hh (12-hour), H HH (24-hour), m mm, s ss, t tt (the AM/PM
// designator) and text in single quotes ('' is one quote). Any other
// character is copied.
#include <array>
#include <string>
#include <string_view>

namespace tallyvane::platform {

// The calendar fields a picture can show.
struct PictureFields {
  int year = 0;
  int month = 1;      // 1..12
  int day = 1;        // 1..31
  int dayOfWeek = 0;  // 0 = Sunday
  int hour = 0;       // 0..23
  int minute = 0;
  int second = 0;
};

// The locale's names and designators, held by whoever calls.
// Appends `value` with at least `digits` digits: zeros after a minus sign.
void appendZeroPadded(std::string& out, int value, int digits);

struct PictureTexts {
  const std::array<std::string, 7>& longDayNames;  // Sunday first
  const std::array<std::string, 7>& shortDayNames;
  const std::array<std::string, 12>& longMonthNames;
  const std::array<std::string, 12>& shortMonthNames;
  const std::string& am;
  const std::string& pm;
};

enum class PictureYear {
  kAsPicture,         // y and yy give the last two digits, yyy and more all four
  kAlwaysFourDigits,  // every year letter gives four digits
};

// Appends the formatted picture to `out`.
void appendDatePicture(std::string& out, std::string_view picture, const PictureFields& fields,
                       const PictureTexts& texts, PictureYear year = PictureYear::kAsPicture);

}  // namespace tallyvane::platform
