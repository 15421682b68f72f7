#include "present/DateFormat.h"

#include <cmath>

#include "platform/DatePicture.h"

namespace tallyvane {

namespace {

char upper(char c) {
  return c >= 'a' && c <= 'z' ? static_cast<char>(c - 32) : c;
}
bool isDigit(char c) {
  return c >= '0' && c <= '9';
}

// `value` with at least `digits` digits (zeros in front, a minus sign too).
void appendNumber(std::string& out, int value, int digits) {
  if (value >= 0) {
    platform::appendZeroPadded(out, value, digits);
    return;
  }
  std::string text = std::to_string(value);
  if (static_cast<int>(text.size()) < digits)
    out.append(static_cast<std::size_t>(digits) - text.size(), '0');
  out += text;
}

// How many times the letter at `i` repeats (without regard to case).
std::size_t runLength(std::string_view text, std::size_t i) {
  std::size_t n = 1;
  while (i + n < text.size() && upper(text[i + n]) == upper(text[i]))
    ++n;
  return n;
}

struct Parts {
  CalendarDate date;
  ClockTime time;
  int dayOfWeek = 0;  // 0 = Sunday
};

Parts partsOf(TDateTime value) {
  Parts p;
  p.date = DecodeDate(value);
  p.time = DecodeTime(value);
  p.dayOfWeek = DayOfWeek(value) - 1;
  return p;
}

int hour12(int hour) {
  const int h = hour % 12;
  return h == 0 ? 12 : h;
}

const std::string& monthName(const std::array<std::string, 12>& names, int month) {
  static const std::string empty;
  return month >= 1 && month <= 12 ? names[static_cast<std::size_t>(month - 1)] : empty;
}

const std::string& dayName(const std::array<std::string, 7>& names, int day) {
  static const std::string empty;
  return day >= 0 && day <= 6 ? names[static_cast<std::size_t>(day)] : empty;
}

// The long time picture without its seconds (and the separator before them).
std::string shortTimePicture(std::string_view longTime) {
  std::string out(longTime);
  const std::size_t s = out.find('s');
  if (s == std::string::npos)
    return out;
  std::size_t end = s;
  while (end < out.size() && out[end] == 's')
    ++end;
  std::size_t start = s;
  while (start > 0 && out[start - 1] != 'm' && out[start - 1] != '\'')
    --start;
  out.erase(start, end - start);
  return out;
}

bool startsWithIgnoreCase(std::string_view text, std::string_view prefix) {
  if (prefix.empty() || text.size() < prefix.size())
    return false;
  for (std::size_t i = 0; i < prefix.size(); ++i) {
    if (upper(text[i]) != upper(prefix[i]))
      return false;
  }
  return true;
}

platform::PictureFields pictureFields(const Parts& p) {
  return {p.date.year, p.date.month,  p.date.day,   p.dayOfWeek,
          p.time.hour, p.time.minute, p.time.second};
}

void appendPicture(std::string& out, std::string_view picture, const Parts& p,
                   const FormatSettings& settings) {
  const platform::PictureTexts texts{settings.LongDayNames,   settings.ShortDayNames,
                                     settings.LongMonthNames, settings.ShortMonthNames,
                                     settings.TimeAMString,   settings.TimePMString};
  platform::appendDatePicture(out, picture, pictureFields(p), texts);
}

}  // namespace

std::string FormatPicture(std::string_view picture, TDateTime value,
                          const FormatSettings& settings) {
  std::string out;
  out.reserve(64);  // a date and a time, without growing on the way
  appendPicture(out, picture, partsOf(value), settings);
  return out;
}

std::string FormatDateTime(std::string_view format, TDateTime value,
                           const FormatSettings& settings) {
  const Parts p = partsOf(value);
  // An hour prints in 12-hour form when an am/pm group follows it anywhere.
  bool use12Hour = false;
  std::size_t firstA = 0;
  while (firstA < format.size() && upper(format[firstA]) != 'A')
    ++firstA;
  for (std::size_t i = firstA; i < format.size(); ++i) {
    const std::string_view rest = format.substr(i);
    if (startsWithIgnoreCase(rest, "am/pm") || startsWithIgnoreCase(rest, "a/p") ||
        startsWithIgnoreCase(rest, "ampm")) {
      use12Hour = true;
      break;
    }
  }
  std::string out;
  out.reserve(64);  // a date and a time, without growing on the way
  char lastToken = ' ';
  std::size_t i = 0;
  while (i < format.size()) {
    const char raw = format[i];
    char token = upper(raw);
    if (token >= 'A' && token <= 'Z') {
      if (token == 'M' && lastToken == 'H')
        token = 'N';
      lastToken = token;
    }
    switch (token) {
      case 'Y': {
        const std::size_t n = runLength(format, i);
        appendNumber(out, n <= 2 ? p.date.year % 100 : p.date.year, n <= 2 ? 2 : 4);
        i += n;
        break;
      }
      case 'M': {
        const std::size_t n = runLength(format, i);
        if (n <= 2) {
          appendNumber(out, p.date.month, static_cast<int>(n));
        } else {
          out +=
              monthName(n == 3 ? settings.ShortMonthNames : settings.LongMonthNames, p.date.month);
        }
        i += n;
        break;
      }
      case 'D': {
        const std::size_t n = runLength(format, i);
        if (n <= 2) {
          appendNumber(out, p.date.day, static_cast<int>(n));
        } else if (n <= 4) {
          out += dayName(n == 3 ? settings.ShortDayNames : settings.LongDayNames, p.dayOfWeek);
        } else {
          appendPicture(out, settings.ShortDateFormat, p, settings);
        }
        i += n;
        break;
      }
      case 'H': {
        const std::size_t n = runLength(format, i);
        appendNumber(out, use12Hour ? hour12(p.time.hour) : p.time.hour, n >= 2 ? 2 : 1);
        i += n;
        break;
      }
      case 'N': {
        const std::size_t n = runLength(format, i);
        appendNumber(out, p.time.minute, n >= 2 ? 2 : 1);
        i += n;
        break;
      }
      case 'S': {
        const std::size_t n = runLength(format, i);
        appendNumber(out, p.time.second, n >= 2 ? 2 : 1);
        i += n;
        break;
      }
      case 'Z': {
        const std::size_t n = runLength(format, i);
        appendNumber(out, p.time.millisecond, n >= 2 ? 3 : 1);
        i += n;
        break;
      }
      case 'T': {
        const std::size_t n = runLength(format, i);
        appendPicture(out,
                      n == 1 ? shortTimePicture(settings.LongTimeFormat) : settings.LongTimeFormat,
                      p, settings);
        i += n;
        break;
      }
      case 'C': {
        appendPicture(out, settings.ShortDateFormat, p, settings);
        if (p.time.hour != 0 || p.time.minute != 0 || p.time.second != 0) {
          out += ' ';
          appendPicture(out, settings.LongTimeFormat, p, settings);
        }
        i += runLength(format, i);
        break;
      }
      case 'A': {
        const std::string_view rest = format.substr(i);
        const bool pm = p.time.hour >= 12;
        if (startsWithIgnoreCase(rest, "am/pm")) {
          const bool lower = raw == 'a';
          out += pm ? (lower ? "pm" : "PM") : (lower ? "am" : "AM");
          i += 5;
        } else if (startsWithIgnoreCase(rest, "a/p")) {
          const bool lower = raw == 'a';
          out += pm ? (lower ? "p" : "P") : (lower ? "a" : "A");
          i += 3;
        } else if (startsWithIgnoreCase(rest, "ampm")) {
          out += pm ? settings.TimePMString : settings.TimeAMString;
          i += 4;
        } else {
          out += raw;
          ++i;
        }
        break;
      }
      case '/':
        out += settings.DateSeparator;
        ++i;
        break;
      case ':':
        out += settings.TimeSeparator;
        ++i;
        break;
      case '\'':
      case '"': {
        const std::size_t close = format.find(raw, i + 1);
        const std::size_t end = close == std::string_view::npos ? format.size() : close;
        out += format.substr(i + 1, end - i - 1);
        i = close == std::string_view::npos ? format.size() : close + 1;
        break;
      }
      default:
        out += raw;
        ++i;
        break;
    }
  }
  return out;
}

namespace {

enum class DateOrder { kMDY, kDMY, kYMD };

DateOrder dateOrder(std::string_view picture) {
  std::string letters;
  bool quoted = false;
  for (std::size_t i = 0; i < picture.size(); ++i) {
    const char c = picture[i];
    if (c == '\'') {
      quoted = !quoted;
      continue;
    }
    if (quoted)
      continue;
    const char u = upper(c);
    if (u != 'D' && u != 'M' && u != 'Y')
      continue;
    const std::size_t n = runLength(picture, i);
    // Day names hold no number.
    if (!(u == 'D' && n >= 3) && letters.find(u) == std::string::npos)
      letters += u;
    i += n - 1;
  }
  if (letters.rfind("DM", 0) == 0)
    return DateOrder::kDMY;
  if (letters.rfind("Y", 0) == 0)
    return DateOrder::kYMD;
  return DateOrder::kMDY;
}

class Scanner {
 public:
  explicit Scanner(std::string_view text) : text_(text) {}
  std::size_t pos = 0;

  bool atEnd() const { return pos >= text_.size(); }
  void skipBlanks() {
    while (pos < text_.size() && (text_[pos] == ' ' || text_[pos] == '\t'))
      ++pos;
  }
  bool number(int& value, int& digits) {
    digits = 0;
    value = 0;
    while (pos < text_.size() && isDigit(text_[pos])) {
      if (digits >= 9)
        return false;
      value = value * 10 + (text_[pos] - '0');
      ++digits;
      ++pos;
    }
    return digits > 0;
  }
  bool literal(std::string_view s) {
    if (s.empty() || text_.substr(pos, s.size()) != s)
      return false;
    pos += s.size();
    return true;
  }
  bool literalIgnoreCase(std::string_view s) {
    if (!startsWithIgnoreCase(text_.substr(pos), s))
      return false;
    pos += s.size();
    return true;
  }
  std::string_view rest() const { return text_.substr(pos); }

 private:
  std::string_view text_;
};

std::optional<TDateTime> scanDate(Scanner& sc, const FormatSettings& settings) {
  int n[3] = {0, 0, 0};
  int digits[3] = {0, 0, 0};
  for (int k = 0; k < 3; ++k) {
    if (k > 0) {
      sc.skipBlanks();
      if (!sc.literal(settings.DateSeparator))
        return std::nullopt;
      sc.skipBlanks();
    }
    if (!sc.number(n[k], digits[k]))
      return std::nullopt;
  }
  int year = 0, month = 0, day = 0, yearDigits = 0;
  switch (dateOrder(settings.ShortDateFormat)) {
    case DateOrder::kMDY:
      month = n[0], day = n[1], year = n[2], yearDigits = digits[2];
      break;
    case DateOrder::kDMY:
      day = n[0], month = n[1], year = n[2], yearDigits = digits[2];
      break;
    case DateOrder::kYMD:
      year = n[0], month = n[1], day = n[2], yearDigits = digits[0];
      break;
  }
  if (yearDigits <= 2)
    year += year < 50 ? 2000 : 1900;
  return EncodeDate(year, month, day);
}

// 0 none, 1 AM, 2 PM.
int scanDesignator(Scanner& sc, const FormatSettings& settings) {
  if (sc.literalIgnoreCase(settings.TimeAMString))
    return 1;
  if (sc.literalIgnoreCase(settings.TimePMString))
    return 2;
  if (sc.literalIgnoreCase("AM"))
    return 1;
  if (sc.literalIgnoreCase("PM"))
    return 2;
  return 0;
}

std::optional<TDateTime> scanTime(Scanner& sc, const FormatSettings& settings) {
  int designator = scanDesignator(sc, settings);
  sc.skipBlanks();
  int hour = 0, minute = 0, second = 0, millisecond = 0, digits = 0;
  if (!sc.number(hour, digits))
    return std::nullopt;
  if (sc.literal(settings.TimeSeparator)) {
    if (!sc.number(minute, digits))
      return std::nullopt;
    if (sc.literal(settings.TimeSeparator)) {
      if (!sc.number(second, digits))
        return std::nullopt;
      if (sc.literal(settings.DecimalSeparator) || sc.literal(".")) {
        int fraction = 0;
        if (!sc.number(fraction, digits))
          return std::nullopt;
        while (digits > 3)
          fraction /= 10, --digits;
        while (digits < 3)
          fraction *= 10, ++digits;
        millisecond = fraction;
      }
    }
  }
  sc.skipBlanks();
  if (designator == 0) {
    designator = scanDesignator(sc, settings);
    sc.skipBlanks();
  }
  if (!sc.atEnd())
    return std::nullopt;
  if (designator != 0) {
    if (hour > 12)
      return std::nullopt;
    if (designator == 1 && hour == 12)
      hour = 0;
    if (designator == 2 && hour < 12)
      hour += 12;
  }
  return EncodeTime(hour, minute, second, millisecond);
}

// Drops the characters of code 32 or below from both ends. Bytes are compared
// by value, not through the C library's character classes: those follow the
// process's locale, and under a single-byte locale they would take the last
// byte of a UTF-8 character (0x85, 0xA0) for a blank.
std::string_view trimBlanks(std::string_view text) {
  const auto blank = [](char c) { return static_cast<unsigned char>(c) <= 0x20; };
  while (!text.empty() && blank(text.front()))
    text.remove_prefix(1);
  while (!text.empty() && blank(text.back()))
    text.remove_suffix(1);
  return text;
}

}  // namespace

std::optional<TDateTime> TryStrToDateTime(std::string_view text, const FormatSettings& settings,
                                          DatePart datePart) {
  text = trimBlanks(text);
  if (text.empty())
    return std::nullopt;
  Scanner sc(text);
  const std::optional<TDateTime> date = scanDate(sc, settings);
  if (!date) {
    if (datePart == DatePart::kRequired)
      return std::nullopt;
    Scanner timeOnly(text);
    return scanTime(timeOnly, settings);
  }
  sc.skipBlanks();
  if (sc.atEnd())
    return date;
  const std::optional<TDateTime> time = scanTime(sc, settings);
  if (!time)
    return std::nullopt;
  return *date >= 0 ? *date + *time : *date - *time;
}

}  // namespace tallyvane
