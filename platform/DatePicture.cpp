#include "platform/DatePicture.h"

#include <algorithm>
#include <cstddef>

namespace tallyvane::platform {

namespace {

template <std::size_t N>
const std::string& nameAt(const std::array<std::string, N>& names, int index) {
  static const std::string empty;
  return index >= 0 && static_cast<std::size_t>(index) < N ? names[static_cast<std::size_t>(index)]
                                                           : empty;
}

int hour12(int hour) {
  const int h = hour % 12;
  return h == 0 ? 12 : h;
}

}  // namespace

void appendZeroPadded(std::string& out, int value, int digits) {
  if (value >= 0 && value < 100 && digits <= 2) {  // days, months, hours: the usual case
    const char two[2] = {static_cast<char>('0' + value / 10), static_cast<char>('0' + value % 10)};
    if (value >= 10 || digits == 2)
      out.append(two, 2);
    else
      out += two[1];
    return;
  }
  char buffer[16];
  int length = 0;
  const bool negative = value < 0;
  unsigned rest = negative ? 0u - static_cast<unsigned>(value) : static_cast<unsigned>(value);
  do {
    buffer[length++] = static_cast<char>('0' + rest % 10);
    rest /= 10;
  } while (rest != 0 && length < 15);
  if (negative)
    out += '-';
  if (length < digits)
    out.append(static_cast<std::size_t>(digits - length), '0');
  std::reverse(buffer, buffer + length);
  out.append(buffer, static_cast<std::size_t>(length));
}

void appendDatePicture(std::string& out, std::string_view picture, const PictureFields& f,
                       const PictureTexts& texts, PictureYear year) {
  std::size_t i = 0;
  while (i < picture.size()) {
    const char c = picture[i];
    if (c == '\'') {
      ++i;
      while (i < picture.size()) {
        if (picture[i] == '\'') {
          if (i + 1 < picture.size() && picture[i + 1] == '\'') {
            out += '\'';
            i += 2;
            continue;
          }
          ++i;
          break;
        }
        out += picture[i++];
      }
      continue;
    }
    std::size_t n = 1;
    while (i + n < picture.size() && picture[i + n] == c)
      ++n;
    const int width = n >= 2 ? 2 : 1;
    switch (c) {
      case 'd':
        if (n <= 2) {
          appendZeroPadded(out, f.day, width);
        } else {
          out += nameAt(n == 3 ? texts.shortDayNames : texts.longDayNames, f.dayOfWeek);
        }
        break;
      case 'M':
        if (n <= 2) {
          appendZeroPadded(out, f.month, width);
        } else {
          out += nameAt(n == 3 ? texts.shortMonthNames : texts.longMonthNames, f.month - 1);
        }
        break;
      case 'y':
        if (n <= 2 && year == PictureYear::kAsPicture) {
          appendZeroPadded(out, f.year % 100, width);
        } else {
          appendZeroPadded(out, f.year, 4);
        }
        break;
      case 'g':
        break;  // the era of the Gregorian calendar is not shown
      case 'h':
        appendZeroPadded(out, hour12(f.hour), width);
        break;
      case 'H':
        appendZeroPadded(out, f.hour, width);
        break;
      case 'm':
        appendZeroPadded(out, f.minute, width);
        break;
      case 's':
        appendZeroPadded(out, f.second, width);
        break;
      case 't': {
        const std::string& designator = f.hour < 12 ? texts.am : texts.pm;
        out.append(designator, 0, n == 1 ? (designator.empty() ? 0 : 1) : std::string::npos);
        break;
      }
      default:
        out.append(n, c);
        break;
    }
    i += n;
  }
}

}  // namespace tallyvane::platform
