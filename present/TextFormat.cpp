#include "present/TextFormat.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <stdexcept>
#include <string>
#include <vector>

namespace tallyvane {

namespace {

[[noreturn]] void invalidFormat(std::string_view format) {
  throw std::invalid_argument("Format '" + std::string(format) +
                              "' invalid or incompatible with argument");
}

// Fixed notation with `decimals` decimals and the locale's separator. The
// digits do not depend on the process's C locale.
std::string fixed(double value, int decimals, const FormatSettings& settings) {
  if (!std::isfinite(value))
    return std::isnan(value) ? "NAN" : (value < 0 ? "-INF" : "INF");
  decimals = std::clamp(decimals, 0, 18);
  // Halves round away from zero, on the value as written with 18 significant
  // digits (1.125 gives 1.13; 2.675, held as 2.67499..., gives 2.67). The
  // rounding is done on those decimal digits, so that it does not depend on
  // how wide a long double is where the program runs (MinGW's conversions of
  // long double go through double, which turns 267.4999... into 267.5).
  double rounded = value;
  if (std::fabs(value) < 1e15) {
    char printed[64];
    const auto written = std::to_chars(printed, printed + sizeof printed, std::fabs(value),
                                       std::chars_format::scientific, 17);
    // "d.ddddddddddddddddde+xx": 18 digits and the decimal exponent.
    std::string digits;
    const char* p = printed;
    for (; p != written.ptr && *p != 'e'; ++p) {
      if (*p != '.')
        digits += *p;
    }
    int exponent = 0;
    if (p != written.ptr)
      std::from_chars(p + 1 + (p[1] == '+' ? 1 : 0), written.ptr, exponent);
    // The value is 0.<digits> x 10^(exponent + 1); keep the digits before the
    // rounding place.
    const int keep = exponent + 1 + decimals;
    if (keep < 0) {
      rounded = 0;
    } else if (keep < static_cast<int>(digits.size())) {
      const bool up = digits[static_cast<std::size_t>(keep)] >= '5';
      digits.resize(static_cast<std::size_t>(keep));
      if (up) {
        int i = keep - 1;
        for (; i >= 0 && digits[static_cast<std::size_t>(i)] == '9'; --i)
          digits[static_cast<std::size_t>(i)] = '0';
        if (i >= 0) {
          ++digits[static_cast<std::size_t>(i)];
        } else {
          digits.insert(digits.begin(), '1');
          ++exponent;
        }
      }
      const std::string text = (digits.empty() ? std::string("0") : digits) + "e" +
                               std::to_string(exponent + 1 - static_cast<int>(digits.size()));
      double magnitude = 0;
      std::from_chars(text.data(), text.data() + text.size(), magnitude);
      rounded = value < 0 ? -magnitude : magnitude;
    }
  }
  // 400 characters hold every double in fixed notation with up to 18 decimals.
  char buffer[400];
  const auto end =
      std::to_chars(buffer, buffer + sizeof buffer, rounded, std::chars_format::fixed, decimals);
  std::string text(buffer, end.ec == std::errc{} ? end.ptr : buffer);
  const std::size_t point = text.find('.');
  if (point != std::string::npos)
    text.replace(point, 1, settings.DecimalSeparator);
  return text;
}

std::string integerText(std::int64_t value, bool isUnsigned, bool hex, int precision) {
  std::string digits;
  bool negative = false;
  std::uint64_t magnitude = 0;
  if (isUnsigned || hex) {
    magnitude = static_cast<std::uint64_t>(value);
  } else if (value < 0) {
    negative = true;
    magnitude = static_cast<std::uint64_t>(0) - static_cast<std::uint64_t>(value);
  } else {
    magnitude = static_cast<std::uint64_t>(value);
  }
  const unsigned base = hex ? 16 : 10;
  do {
    digits.insert(digits.begin(), "0123456789ABCDEF"[magnitude % base]);
    magnitude /= base;
  } while (magnitude != 0);
  if (precision > 0 && digits.size() < static_cast<std::size_t>(precision)) {
    digits.insert(0, static_cast<std::size_t>(precision) - digits.size(), '0');
  }
  return negative ? "-" + digits : digits;
}

// Display width in characters of a UTF-8 text (code points).
std::size_t characters(std::string_view text) {
  std::size_t n = 0;
  for (char c : text) {
    if ((static_cast<unsigned char>(c) & 0xC0) != 0x80)
      ++n;
  }
  return n;
}

}  // namespace

std::string Format(std::string_view format, std::initializer_list<FormatArg> args,
                   const FormatSettings& settings) {
  std::string out;
  const FormatArg* arg = args.begin();
  std::size_t i = 0;
  while (i < format.size()) {
    const char c = format[i++];
    if (c != '%') {
      out += c;
      continue;
    }
    if (i < format.size() && format[i] == '%') {
      out += '%';
      ++i;
      continue;
    }
    bool left = false;
    if (i < format.size() && format[i] == '-') {
      left = true;
      ++i;
    }
    int width = 0;
    while (i < format.size() && format[i] >= '0' && format[i] <= '9') {
      width = width * 10 + (format[i++] - '0');
      if (width > 1'000'000)
        invalidFormat(format);
    }
    int precision = -1;
    if (i < format.size() && format[i] == '.') {
      ++i;
      precision = 0;
      while (i < format.size() && format[i] >= '0' && format[i] <= '9') {
        precision = precision * 10 + (format[i++] - '0');
        if (precision > 1'000'000)
          invalidFormat(format);
      }
    }
    if (i >= format.size() || arg == args.end())
      invalidFormat(format);
    const char type = static_cast<char>(format[i++] | 0x20);
    const auto& value = arg->value();
    ++arg;
    std::string piece;
    switch (type) {
      case 'd':
      case 'u':
      case 'x': {
        const auto* number = std::get_if<std::int64_t>(&value);
        if (number == nullptr)
          invalidFormat(format);
        piece = integerText(*number, type == 'u', type == 'x', precision);
        break;
      }
      case 'f': {
        double number = 0;
        if (const auto* d = std::get_if<double>(&value)) {
          number = *d;
        } else {
          invalidFormat(format);
        }
        piece = fixed(number, precision < 0 ? 2 : std::min(precision, 18), settings);
        break;
      }
      case 's': {
        const auto* text = std::get_if<std::string>(&value);
        if (text == nullptr)
          invalidFormat(format);
        piece = precision >= 0 ? text->substr(0, static_cast<std::size_t>(precision)) : *text;
        break;
      }
      default:
        invalidFormat(format);
    }
    const std::size_t shown = characters(piece);
    if (static_cast<std::size_t>(width) > shown) {
      const std::string pad(static_cast<std::size_t>(width) - shown, ' ');
      piece = left ? piece + pad : pad + piece;
    }
    out += piece;
  }
  return out;
}

std::string FormatFloat(std::string_view picture, double value, const FormatSettings& settings) {
  const std::size_t point = picture.find('.');
  const std::string_view integral = picture.substr(0, point);
  const std::string_view fraction =
      point == std::string_view::npos ? std::string_view{} : picture.substr(point + 1);
  int minIntegerDigits = 0;
  for (char c : integral) {
    if (c == '0')
      ++minIntegerDigits;
  }
  int decimals = 0;
  for (char c : fraction) {
    if (c == '0' || c == '#')
      ++decimals;
  }
  std::string text = fixed(value, decimals, settings);
  if (!std::isfinite(value))
    return text;
  const bool negative = !text.empty() && text[0] == '-';
  if (negative)
    text.erase(0, 1);
  std::size_t integerDigits = text.find(settings.DecimalSeparator);
  if (decimals == 0)
    integerDigits = text.size();
  if (integerDigits == std::string::npos)
    integerDigits = text.size();
  if (integerDigits < static_cast<std::size_t>(minIntegerDigits)) {
    text.insert(0, static_cast<std::size_t>(minIntegerDigits) - integerDigits, '0');
  } else if (minIntegerDigits == 0 && integerDigits == 1 && text[0] == '0' && decimals > 0) {
    text.erase(0, 1);  // "#.00" prints 0.5 as ".50"
  }
  return negative ? "-" + text : text;
}

std::string TrimControl(std::string_view text) {
  std::size_t begin = 0;
  std::size_t end = text.size();
  while (begin < end && static_cast<unsigned char>(text[begin]) <= 32)
    ++begin;
  while (end > begin && static_cast<unsigned char>(text[end - 1]) <= 32)
    --end;
  return std::string(text.substr(begin, end - begin));
}

}  // namespace tallyvane
