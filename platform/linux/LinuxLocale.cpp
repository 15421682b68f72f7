// The user's locale formats from the POSIX locale (LC_TIME, LC_NUMERIC),
// with the strftime patterns of nl_langinfo mapped to Windows-style pictures.
#include <iconv.h>
#include <langinfo.h>

#include <cerrno>
#include <string>
#include <string_view>

#include "platform/LocaleFormats.h"
#include "platform/linux/LinuxLocale.h"

namespace tallyvane::platform {

namespace {

// A text of the current locale's code set as UTF-8.
std::string toUtf8(const char* text) {
  if (text == nullptr)
    return {};
  const std::string_view codeset = nl_langinfo(CODESET);
  std::string in(text);
  if (codeset == "UTF-8" || codeset == "ANSI_X3.4-1968" || in.empty())
    return in;
  iconv_t cd = iconv_open("UTF-8", std::string(codeset).c_str());
  if (cd == reinterpret_cast<iconv_t>(-1))
    return in;
  std::string out(in.size() * 4 + 4, '\0');
  char* inPtr = in.data();
  std::size_t inLeft = in.size();
  char* outPtr = out.data();
  std::size_t outLeft = out.size();
  const std::size_t rc = iconv(cd, &inPtr, &inLeft, &outPtr, &outLeft);
  iconv_close(cd);
  if (rc == static_cast<std::size_t>(-1))
    return in;
  out.resize(out.size() - outLeft);
  return out;
}

bool isAsciiLetter(char c) {
  return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z');
}

void appendLiteral(std::string& out, char c) {
  if (isAsciiLetter(c)) {
    out += '\'';
    out += c;
    out += '\'';
  } else if (c == '\'') {
    out += "''";
  } else {
    out += c;
  }
}

// `depth` stops patterns that name each other from recursing without end.
std::string pictureFromStrftime(std::string_view pattern, int depth) {
  std::string out;
  for (std::size_t i = 0; i < pattern.size(); ++i) {
    const char c = pattern[i];
    if (c != '%') {
      appendLiteral(out, c);
      continue;
    }
    bool unpadded = false;
    ++i;
    // Flags and the E/O modifiers of glibc.
    while (i < pattern.size() &&
           std::string_view("-_0^#EO").find(pattern[i]) != std::string_view::npos) {
      if (pattern[i] == '-' || pattern[i] == '_')
        unpadded = true;
      ++i;
    }
    while (i < pattern.size() && pattern[i] >= '0' && pattern[i] <= '9')
      ++i;
    if (i >= pattern.size())
      break;
    switch (pattern[i]) {
      case 'a':
        out += "ddd";
        break;
      case 'A':
        out += "dddd";
        break;
      case 'b':
      case 'h':
        out += "MMM";
        break;
      case 'B':
        out += "MMMM";
        break;
      case 'd':
        out += unpadded ? "d" : "dd";
        break;
      case 'e':
        out += "d";
        break;
      case 'm':
        out += unpadded ? "M" : "MM";
        break;
      case 'y':
        out += "yy";
        break;
      case 'Y':
      case 'G':
        out += "yyyy";
        break;
      case 'D':
        out += "MM/dd/yy";
        break;
      case 'F':
        out += "yyyy-MM-dd";
        break;
      case 'H':
        out += unpadded ? "H" : "HH";
        break;
      case 'k':
        out += "H";
        break;
      case 'I':
        out += unpadded ? "h" : "hh";
        break;
      case 'l':
        out += "h";
        break;
      case 'M':
        out += unpadded ? "m" : "mm";
        break;
      case 'S':
        out += unpadded ? "s" : "ss";
        break;
      case 'p':
      case 'P':
        out += "tt";
        break;
      case 'T':
        out += "HH:mm:ss";
        break;
      case 'R':
        out += "HH:mm";
        break;
      case 'r':
        if (depth < 2)
          out += pictureFromStrftime(nl_langinfo(T_FMT_AMPM), depth + 1);
        break;
      case 'x':
        if (depth < 2)
          out += pictureFromStrftime(nl_langinfo(D_FMT), depth + 1);
        break;
      case 'X':
        if (depth < 2)
          out += pictureFromStrftime(nl_langinfo(T_FMT), depth + 1);
        break;
      case 'n':
      case 't':
        out += ' ';
        break;
      case '%':
        out += '%';
        break;
      default:
        break;  // time zones, week numbers and the like have no picture letter
    }
  }
  // A pattern that ended in a dropped conversion may leave a trailing blank.
  while (!out.empty() && out.back() == ' ')
    out.pop_back();
  return out;
}

// The first character of a picture that is no picture letter, quote or blank.
std::string firstSeparator(std::string_view picture, std::string_view fallback) {
  bool quoted = false;
  for (std::size_t i = 0; i < picture.size(); ++i) {
    const char c = picture[i];
    if (c == '\'') {
      quoted = !quoted;
      continue;
    }
    if (quoted || isAsciiLetter(c) || c == ' ')
      continue;
    std::size_t length = 1;
    const auto byte = static_cast<unsigned char>(c);
    if (byte >= 0xF0) {
      length = 4;
    } else if (byte >= 0xE0) {
      length = 3;
    } else if (byte >= 0xC0) {
      length = 2;
    }
    return std::string(picture.substr(i, length));
  }
  return std::string(fallback);
}

}  // namespace

std::string pictureFromStrftime(std::string_view pattern) {
  return pictureFromStrftime(pattern, 0);
}

LocaleFormats userLocaleFormats() {
  LocaleFormats f;
  f.shortDate = pictureFromStrftime(toUtf8(nl_langinfo(D_FMT)));
  if (f.shortDate.empty())
    f.shortDate = "MM/dd/yy";
  f.longTime = pictureFromStrftime(toUtf8(nl_langinfo(T_FMT)));
  if (f.longTime.empty())
    f.longTime = "HH:mm:ss";
  f.dateSeparator = firstSeparator(f.shortDate, "/");
  f.timeSeparator = firstSeparator(f.longTime, ":");
  f.am = toUtf8(nl_langinfo(AM_STR));
  f.pm = toUtf8(nl_langinfo(PM_STR));
  for (int i = 0; i < 7; ++i) {
    f.longDayNames[i] = toUtf8(nl_langinfo(static_cast<nl_item>(DAY_1 + i)));
    f.shortDayNames[i] = toUtf8(nl_langinfo(static_cast<nl_item>(ABDAY_1 + i)));
  }
  for (int i = 0; i < 12; ++i) {
#ifdef ALTMON_1
    // The nominative form, as a month name stands alone ("MMMM yyyy").
    f.longMonthNames[i] = toUtf8(nl_langinfo(static_cast<nl_item>(ALTMON_1 + i)));
    f.shortMonthNames[i] = toUtf8(nl_langinfo(static_cast<nl_item>(_NL_ABALTMON_1 + i)));
#else
    f.longMonthNames[i] = toUtf8(nl_langinfo(static_cast<nl_item>(MON_1 + i)));
    f.shortMonthNames[i] = toUtf8(nl_langinfo(static_cast<nl_item>(ABMON_1 + i)));
#endif
  }
  f.decimalSeparator = toUtf8(nl_langinfo(RADIXCHAR));
  if (f.decimalSeparator.empty())
    f.decimalSeparator = ".";
  return f;
}

}  // namespace tallyvane::platform
