#pragma once
// The mapping of the POSIX locale's strftime patterns to Windows-style pictures.
#include <string>
#include <string_view>

namespace tallyvane::platform {

// "%m/%d/%Y" gives "MM/dd/yyyy", "%-d.%-m.%Y" gives "d.M.yyyy", "%I:%M:%S %p"
// gives "hh:mm:ss tt"; letters of literal text are quoted. %r, %x and %X take
// the current locale's own patterns. Conversions without a picture letter
// (time zones, week numbers) are left out.
std::string pictureFromStrftime(std::string_view pattern);

}  // namespace tallyvane::platform
