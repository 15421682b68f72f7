// Text to date-time and date-time formatting on arbitrary input: the text of
// an unexpected-shutdown record comes from the log, format strings from code.
// The first byte picks the locale settings; the rest is the text.
#include <cstddef>
#include <cstdint>
#include <string_view>

#include "present/DateFormat.h"
#include "present/TextFormat.h"
#include "support/LocaleSettings.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size == 0) return 0;
  using namespace tallyvane;
  static const FormatSettings us = testing::usEnglishSettings();
  static const FormatSettings cz = testing::czechSettings();
  const FormatSettings& settings = (data[0] & 1) ? cz : us;
  const std::string_view text(reinterpret_cast<const char*>(data + 1), size - 1);

  if (const auto value = TryStrToDateTime(text, settings)) {
    (void)FormatDateTime("DDDD, c", *value, settings);
  }
  (void)TryStrToDateTime(text, settings, DatePart::kRequired);
  // The same bytes as a format and as a picture, on a fixed date-time.
  (void)FormatDateTime(text, 41669.5, settings);
  (void)FormatPicture(text, 41669.5, settings);
  return 0;
}
