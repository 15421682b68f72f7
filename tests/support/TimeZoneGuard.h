#pragma once
// Sets the TZ environment variable for the life of the guard and restores the
// previous value (or its absence) afterwards.
#include <cstdlib>
#include <ctime>
#include <optional>
#include <string>

namespace tallyvane::testing {

class TimeZoneGuard {
 public:
  explicit TimeZoneGuard(const char* zone) {
    if (const char* old = std::getenv("TZ"))
      previous_ = old;
    setenv("TZ", zone, 1);
    tzset();
  }
  ~TimeZoneGuard() {
    if (previous_) {
      setenv("TZ", previous_->c_str(), 1);
    } else {
      unsetenv("TZ");
    }
    tzset();
  }
  TimeZoneGuard(const TimeZoneGuard&) = delete;
  TimeZoneGuard& operator=(const TimeZoneGuard&) = delete;

 private:
  std::optional<std::string> previous_;
};

}  // namespace tallyvane::testing
