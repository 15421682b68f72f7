#pragma once
// printf-like formatting with the locale's decimal separator, and number
// pictures. The conversions:
//   %d  a signed integer; the precision is the least number of digits (leading
//       zeros), and a zero with precision 0 still prints as "0";
//   %u  an unsigned integer, as %d;
//   %x  an integer in upper-case hexadecimal, as %d;
//   %f  a float in fixed notation with `precision` decimals (2 when none is given);
//   %s  a text; the precision cuts it to that many bytes;
//   %%  a percent sign.
// A width pads on the left with blanks, or on the right after a "-" flag.
#include <cstdint>
#include <initializer_list>
#include <string>
#include <string_view>
#include <type_traits>
#include <variant>

#include "present/FormatSettings.h"

namespace tallyvane {

class FormatArg {
 public:
  template <typename T>
  requires std::is_integral_v<T> FormatArg(T value) : value_(static_cast<std::int64_t>(value)) {}
  FormatArg(double value) : value_(value) {}
  FormatArg(long double value) : value_(static_cast<double>(value)) {}
  FormatArg(const char* value) : value_(std::string(value)) {}
  FormatArg(std::string_view value) : value_(std::string(value)) {}
  FormatArg(const std::string& value) : value_(value) {}

  const std::variant<std::int64_t, double, std::string>& value() const { return value_; }

 private:
  std::variant<std::int64_t, double, std::string> value_;
};

// Formats `format` with `args`. A conversion without an argument of its kind
// (or without any argument left) throws std::invalid_argument naming the format.
std::string Format(std::string_view format, std::initializer_list<FormatArg> args,
                   const FormatSettings& settings = FormatSettings{});

// A float through a picture of '0' and '#' digits with an optional '.': the
// zeros before the point give the least number of integer digits, the digits
// after it the number of decimals ("00.00": 5.5 gives 05.50). Rounded; the
// locale's decimal separator replaces the point.
std::string FormatFloat(std::string_view picture, double value,
                        const FormatSettings& settings = FormatSettings{});

// Removes every character whose code is 32 or below from both ends.
std::string TrimControl(std::string_view text);

}  // namespace tallyvane
