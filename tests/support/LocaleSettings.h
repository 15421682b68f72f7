#pragma once
// FormatSettings values for tests, so formatting runs the same on any machine,
// and a guard that sets the process locale for the one test that reads it.
#include <clocale>
#include <string>

#include "present/FormatSettings.h"

namespace tallyvane::testing {

// Month/day/year, 12-hour clock with AM/PM, decimal point.
inline FormatSettings usEnglishSettings() {
  return FormatSettings{};
}

// Day.month.year, 24-hour clock, decimal comma, Czech names.
inline FormatSettings czechSettings() {
  FormatSettings s;
  s.ShortDateFormat = "d.M.yyyy";
  s.LongTimeFormat = "H:mm:ss";
  s.DateSeparator = ".";
  s.TimeSeparator = ":";
  s.TimeAMString = "dop.";
  s.TimePMString = "odp.";
  s.LongDayNames = {"neděle", "pondělí", "úterý", "středa", "čtvrtek", "pátek", "sobota"};
  s.ShortDayNames = {"ne", "po", "út", "st", "čt", "pá", "so"};
  s.LongMonthNames = {"leden",    "únor",  "březen", "duben", "květen",   "červen",
                      "červenec", "srpen", "září",   "říjen", "listopad", "prosinec"};
  s.ShortMonthNames = {"led", "úno", "bře", "dub", "kvě", "čvn",
                       "čvc", "srp", "zář", "říj", "lis", "pro"};
  s.DecimalSeparator = ",";
  return s;
}

// Sets the process locale for one category and puts the old one back.
class LocaleGuard {
 public:
  LocaleGuard(int category, const char* name) : category_(category) {
    const char* old = std::setlocale(category, nullptr);
    old_ = old ? old : "C";
    ok_ = std::setlocale(category, name) != nullptr;
  }
  ~LocaleGuard() { std::setlocale(category_, old_.c_str()); }
  LocaleGuard(const LocaleGuard&) = delete;
  LocaleGuard& operator=(const LocaleGuard&) = delete;
  bool ok() const { return ok_; }

 private:
  int category_;
  std::string old_;
  bool ok_ = false;
};

}  // namespace tallyvane::testing
