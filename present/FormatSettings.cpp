#include "present/FormatSettings.h"

#include "platform/LocaleFormats.h"

namespace tallyvane {

FormatSettings UserFormatSettings() {
  const platform::LocaleFormats locale = platform::userLocaleFormats();
  FormatSettings s;
  s.ShortDateFormat = locale.shortDate;
  s.LongTimeFormat = locale.longTime;
  s.DateSeparator = locale.dateSeparator;
  s.TimeSeparator = locale.timeSeparator;
  s.TimeAMString = locale.am;
  s.TimePMString = locale.pm;
  s.LongDayNames = locale.longDayNames;
  s.ShortDayNames = locale.shortDayNames;
  s.LongMonthNames = locale.longMonthNames;
  s.ShortMonthNames = locale.shortMonthNames;
  s.DecimalSeparator = locale.decimalSeparator;
  return s;
}

}  // namespace tallyvane
