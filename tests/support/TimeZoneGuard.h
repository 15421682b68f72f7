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
    set(zone);
  }
  ~TimeZoneGuard() {
    if (previous_) {
      set(previous_->c_str());
    } else {
      unset();
    }
  }
  TimeZoneGuard(const TimeZoneGuard&) = delete;
  TimeZoneGuard& operator=(const TimeZoneGuard&) = delete;

 private:
  static void set(const char* zone) {
#if defined(_WIN32)
    _putenv_s("TZ", zone);
    _tzset();
#else
    setenv("TZ", zone, 1);
    tzset();
#endif
  }
  static void unset() {
#if defined(_WIN32)
    _putenv_s("TZ", "");
    _tzset();
#else
    unsetenv("TZ");
    tzset();
#endif
  }

  std::optional<std::string> previous_;
};

}  // namespace tallyvane::testing
