#include <gtest/gtest.h>

#include "present/Orvex_Datetime.h"

namespace tallyvane {
namespace {

struct Case {
  double seconds;
  bool whole, full, clock;
  const char* text;
};

TEST(FormatSeconds, GivesTheDocumentedTexts) {
  const Case cases[] = {
      // The uptime line.
      {59, true, true, true, "00.00.00 00:00:59"},
      {3600, true, true, true, "00.00.00 01:00:00"},
      {90061, true, true, true, "00.00.01 01:01:01"},
      {3'888'000, true, true, true, "00.01.15 00:00:00"},
      {34'603'200, true, true, true, "01.01.05 00:00:00"},
      // Text forms.
      {90061, true, false, false, "1 d, 1 h, 1 min, 1 s"},
      {90061, true, true, false, "0 c, 0 yr, 0 m, 0 wk, 1 d, 1 h, 1 min, 1 s"},
      {3600, true, false, false, "1 h, 0 min, 0 s"},
      {59.5, false, false, false, "59.50 s"},
      // Clock form without the date part drops the days.
      {90061, true, false, true, "01:01:01"},
      {3661, true, false, true, "01:01:01"},
      {59.5, false, false, true, "00:00:59.50"},
      // Zero.
      {0, true, false, false, "0 s"},
      {0, false, false, false, "0.00 s"},
      {0, true, false, true, "00:00:00"},
      {0, true, true, true, "00.00.00 00:00:00"},
      {0, false, true, true, "00.00.00 00:00:00.00"},
      {0, true, true, false, "0 c, 0 yr, 0 m, 0 wk, 0 d, 0 h, 0 min, 0 s"},
      // Exactly one unit length.
      {60, true, false, false, "1 min, 0 s"},
      {86'400, true, false, false, "1 d, 0 h, 0 min, 0 s"},
      {604'800, true, false, false, "1 wk, 0 d, 0 h, 0 min, 0 s"},
      {2'592'000, true, false, false, "1 m, 0 wk, 0 d, 0 h, 0 min, 0 s"},
      {31'579'200, true, false, false, "1 yr, 0 m, 0 wk, 0 d, 0 h, 0 min, 0 s"},
      {3'157'920'000.0, true, false, false, "1 c, 0 yr, 0 m, 0 wk, 0 d, 0 h, 0 min, 0 s"},
      {604'800, true, true, true, "00.00.07 00:00:00"},
      // 365 days are not yet a year; centuries never show in a clock form.
      {31'536'000, true, true, true, "00.12.05 00:00:00"},
      {3'157'920'000.0 + 61, true, true, true, "00.00.00 00:01:01"},
      // A rest that rounds up at two decimals, and one that is cut.
      {59.996, false, false, true, "00:00:60.00"},
      {59.996, false, false, false, "60.00 s"},
      {59.9, true, false, true, "00:00:59"},
      {59.9, true, false, false, "59 s"},
      // The day figure of the clock form is weeks times seven plus days.
      {90061 + 28 * 86'400.0, true, true, true, "00.00.29 01:01:01"},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(FormatSeconds(c.seconds, c.whole, c.full, c.clock), c.text)
        << c.seconds << " s, whole " << c.whole << ", full " << c.full << ", clock " << c.clock;
  }
}

TEST(FormatSeconds, UsesTheLocaleDecimalSeparator) {
  FormatSettings czech;
  czech.DecimalSeparator = ",";
  EXPECT_EQ(FormatSeconds(59.5, false, false, false, czech), "59,50 s");
  EXPECT_EQ(FormatSeconds(59.5, false, true, true, czech), "00.00.00 00:00:59,50");
}

}  // namespace
}  // namespace tallyvane
