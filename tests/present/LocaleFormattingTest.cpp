#include <gtest/gtest.h>

#include <stdexcept>

#include "present/DateFormat.h"
#include "present/TextFormat.h"
#include "support/LocaleSettings.h"

#if defined(__linux__)
#include "platform/linux/LinuxLocale.h"
#endif

namespace tallyvane {
namespace {

using testing::czechSettings;
using testing::usEnglishSettings;

TDateTime at(int y, int mo, int d, int h = 0, int mi = 0, int s = 0, int ms = 0) {
  return *EncodeDate(y, mo, d) + *EncodeTime(h, mi, s, ms);
}

TEST(FormatDateTime, FormatsTheJournalFormatsInBothLocales) {
  const FormatSettings us = usEnglishSettings();
  const FormatSettings cz = czechSettings();
  struct Case {
    const char* format;
    TDateTime value;
    const FormatSettings* settings;
    const char* text;
  };
  const Case cases[] = {
      {"DDDD, c", at(2014, 1, 30, 8, 0, 10), &us, "Thursday, 1/30/2014 8:00:10 AM"},
      {"DDDD, c", at(2014, 1, 30, 17, 0, 35), &us, "Thursday, 1/30/2014 5:00:35 PM"},
      {"DDDD, c", at(2014, 1, 30, 8, 0, 10), &cz, "čtvrtek, 30.1.2014 8:00:10"},
      {"DDDD, c", at(2014, 1, 30, 17, 0, 35), &cz, "čtvrtek, 30.1.2014 17:00:35"},
      // Midnight leaves the time out; half past midnight and noon in 12-hour form.
      {"c", at(2014, 5, 3), &us, "5/3/2014"},
      {"c", at(2014, 5, 3), &cz, "3.5.2014"},
      {"c", at(2014, 5, 3, 0, 30), &us, "5/3/2014 12:30:00 AM"},
      {"c", at(2014, 5, 3, 12, 0, 1), &us, "5/3/2014 12:00:01 PM"},
      {"c", 0.0, &us, "12/30/1899"},
      {"MMMM yyyy", at(2023, 12, 31), &us, "December 2023"},
      {"MMMM yyyy", at(2024, 7, 1), &cz, "červenec 2024"},
      // The other letters, as the format description gives them.
      {"ddd d/m/yy hh:nn:ss.zzz am/pm", at(2009, 2, 3, 14, 5, 6, 7), &us,
       "Tue 3/2/09 02:05:06.007 pm"},
      {"dd mmm 'at' h:mm ampm", at(2009, 2, 3, 9, 5), &cz, "03 úno at 9:05 dop."},
      {"ddddd t", at(2009, 2, 3, 9, 5, 30), &us, "2/3/2009 9:05 AM"},
      // Noon and midnight in the explicit designators: 12:xx is pm, 0:xx is 12 am.
      {"h:nn am/pm", at(2009, 2, 3, 12, 0), &us, "12:00 pm"},
      {"h:nn AM/PM", at(2009, 2, 3, 12, 59), &us, "12:59 PM"},
      {"h:nn a/p", at(2009, 2, 3, 12, 30), &us, "12:30 p"},
      {"h:nn ampm", at(2009, 2, 3, 12, 30), &us, "12:30 PM"},
      {"h:nn ampm", at(2009, 2, 3, 12, 30), &cz, "12:30 odp."},
      {"h:nn am/pm", at(2009, 2, 3, 0, 5), &us, "12:05 am"},
      {"h:nn A/P", at(2009, 2, 3, 0, 5), &us, "12:05 A"},
      {"h:nn ampm", at(2009, 2, 3, 0, 5), &us, "12:05 AM"},
      {"h:nn am/pm", at(2009, 2, 3, 11, 59), &us, "11:59 am"},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(FormatDateTime(c.format, c.value, *c.settings), c.text) << c.format;
  }
}

TEST(FormatPicture, FollowsWindowsPictureLetters) {
  FormatSettings s;
  const TDateTime v = at(2007, 9, 4, 21, 7, 8);
  EXPECT_EQ(FormatPicture("dd.MM.yyyy HH:mm:ss", v, s), "04.09.2007 21:07:08");
  EXPECT_EQ(FormatPicture("d/M/yy h:m:s t", v, s), "4/9/07 9:7:8 P");
  EXPECT_EQ(FormatPicture("dddd, MMMM d, yyyy", v, s), "Tuesday, September 4, 2007");
  EXPECT_EQ(FormatPicture("yyyy'年'M'月'd'日' 'o''clock'", v, s), "2007年9月4日 o'clock");
  // The era letter shows nothing.
  EXPECT_EQ(FormatPicture("d.M.yyyy g", v, s), "4.9.2007 ");
}

TEST(Format, FormatsThePrintfLikeConversions) {
  const FormatSettings us = usEnglishSettings();
  const FormatSettings cz = czechSettings();
  EXPECT_EQ(Format("%dh %2.2dm", {9, 5}, us), "9h 05m");
  EXPECT_EQ(Format("%dh %2.2dm", {123, 59}, us), "123h 59m");
  EXPECT_EQ(Format("%dh %2.2dm", {0, 0}, us), "0h 00m");
  EXPECT_EQ(Format("%s (%dh %2.2dm)", {"9h 00m", 8, 0}, us), "9h 00m (8h 00m)");
  EXPECT_EQ(Format("%1.2f", {2.25}, us), "2.25");
  EXPECT_EQ(Format("%1.2f", {2.25}, cz), "2,25");
  EXPECT_EQ(Format("%1.2f", {1.125}, us), "1.13");  // a half rounds away from zero
  EXPECT_EQ(Format("%1.2f", {2.675}, us), "2.67");  // held as 2.67499...
  EXPECT_EQ(Format("%1.2f", {-1.125}, us), "-1.13");
  EXPECT_EQ(Format("%1.2f", {1080 / 60.0 / 8 / 7}, us), "0.32");
  EXPECT_EQ(Format("%2.2d", {100}, us), "100");
  EXPECT_EQ(Format("%.0d%s", {0, " c, "}, us), "0 c, ");
  EXPECT_EQ(Format("%5s|%-5s|%d%%", {"ab", "cd", -7}, us), "   ab|cd   |-7%");
  EXPECT_EQ(Format("%x %u", {255, 3000000000u}, us), "FF 3000000000");
  EXPECT_EQ(Format("Total spent time: %dh %2.2dm", {std::int64_t{5'000'000'000}, 7}, us),
            "Total spent time: 5000000000h 07m");
  EXPECT_THROW(Format("%d", {"text"}, us), std::invalid_argument);
  EXPECT_THROW(Format("%d %d", {1}, us), std::invalid_argument);
  EXPECT_THROW(Format("%q", {1}, us), std::invalid_argument);
}

TEST(FormatFloat, FollowsThePicture) {
  EXPECT_EQ(FormatFloat("00.00", 5.5), "05.50");
  EXPECT_EQ(FormatFloat("00.00", 59.996), "60.00");
  EXPECT_EQ(FormatFloat("00.00", 123.456), "123.46");
  EXPECT_EQ(FormatFloat("00.00", 5.5, czechSettings()), "05,50");
  EXPECT_EQ(FormatFloat("0", 2.5), "3");
}

TEST(TryStrToDateTime, FollowsTheShortDateOrderAndTheTimeDesignator) {
  const FormatSettings us = usEnglishSettings();
  const FormatSettings cz = czechSettings();
  struct Case {
    const char* text;
    const FormatSettings* settings;
    std::optional<TDateTime> value;
  };
  const Case cases[] = {
      {"5/3/2014 10:57:21", &us, at(2014, 5, 3, 10, 57, 21)},
      {"  5/3/2014   10:57:21  ", &us, at(2014, 5, 3, 10, 57, 21)},
      {"5/3/2014 10:57:21 PM", &us, at(2014, 5, 3, 22, 57, 21)},
      {"5/3/2014 10:57:21 pm", &us, at(2014, 5, 3, 22, 57, 21)},
      {"5/3/2014 12:00:05 AM", &us, at(2014, 5, 3, 0, 0, 5)},
      {"5/3/2014 12:00:05 PM", &us, at(2014, 5, 3, 12, 0, 5)},
      {"5/3/2014 PM 1:00", &us, at(2014, 5, 3, 13, 0, 0)},
      {"5/3/2014 10:57", &us, at(2014, 5, 3, 10, 57, 0)},
      {"5/3/2014 10:57:21.5", &us, at(2014, 5, 3, 10, 57, 21, 500)},
      {"5/3/2014", &us, at(2014, 5, 3)},
      {"5/3/14 10:57:21", &us, at(2014, 5, 3, 10, 57, 21)},
      {"5/3/99", &us, at(1999, 5, 3)},
      {"3.5.2014 10:57:21", &cz, at(2014, 5, 3, 10, 57, 21)},
      {"3. 5. 2014 10:57:21", &cz, at(2014, 5, 3, 10, 57, 21)},
      {"3.5.2014 10:57:21 odp.", &cz, at(2014, 5, 3, 22, 57, 21)},
      {"10:57:21", &us, at(1899, 12, 30, 10, 57, 21)},
      // Control characters at the ends go as blanks do; bytes of UTF-8
      // characters stay, whatever the locale's character classes say.
      {"\x1f\t5/3/2014 10:57:21\r\n\x01", &us, at(2014, 5, 3, 10, 57, 21)},
      // Not dates of these locales, or no date-time at all.
      {"5/3/2014 10:57:21", &cz, std::nullopt},
      {"3.5.2014 10:57:21", &us, std::nullopt},
      {"13/3/2014", &us, std::nullopt},
      {"2/30/2014", &us, std::nullopt},
      {"5/3/2014 25:00:00", &us, std::nullopt},
      {"5/3/2014 13:00:00 PM", &us, std::nullopt},
      {"5/3/2014 10:57:21 XM", &us, std::nullopt},
      {"5/3/2014 10:61:00", &us, std::nullopt},
      {"5/3", &us, std::nullopt},
      {"", &us, std::nullopt},
      {"?", &us, std::nullopt},
      {"99999999999/1/1", &us, std::nullopt},
  };
  for (const Case& c : cases) {
    const auto value = TryStrToDateTime(c.text, *c.settings);
    ASSERT_EQ(value.has_value(), c.value.has_value()) << c.text;
    if (value) {
      EXPECT_NEAR(*value, *c.value, 1e-9) << c.text;
    }
  }
  EXPECT_FALSE(TryStrToDateTime("10:57:21", us, DatePart::kRequired));
  EXPECT_TRUE(TryStrToDateTime("5/3/2014 10:57:21", us, DatePart::kRequired));
}

TEST(UserFormatSettings, ReadsTheCLocale) {
#if defined(_WIN32)
  GTEST_SKIP() << "Windows formats come from the user's locale settings, not the C library's";
#endif
  testing::LocaleGuard time(LC_TIME, "C");
  testing::LocaleGuard numeric(LC_NUMERIC, "C");
  const FormatSettings s = UserFormatSettings();
  EXPECT_EQ(s.ShortDateFormat, "MM/dd/yy");
  EXPECT_EQ(s.LongTimeFormat, "HH:mm:ss");
  EXPECT_EQ(s.DateSeparator, "/");
  EXPECT_EQ(s.TimeSeparator, ":");
  EXPECT_EQ(s.TimeAMString, "AM");
  EXPECT_EQ(s.TimePMString, "PM");
  EXPECT_EQ(s.LongDayNames[0], "Sunday");
  EXPECT_EQ(s.ShortDayNames[6], "Sat");
  EXPECT_EQ(s.LongMonthNames[0], "January");
  EXPECT_EQ(s.ShortMonthNames[11], "Dec");
  EXPECT_EQ(s.DecimalSeparator, ".");
  EXPECT_EQ(FormatDateTime("DDDD, c", at(2014, 1, 30, 8, 0, 10), s), "Thursday, 01/30/14 08:00:10");
}

#if defined(__linux__)
TEST(LinuxLocale, MapsStrftimePatternsToPictures) {
  struct Case {
    const char* pattern;
    const char* picture;
  };
  const Case cases[] = {
      {"%m/%d/%Y", "MM/dd/yyyy"},
      {"%-d.%-m.%Y", "d.M.yyyy"},
      {"%d.%m.%Y", "dd.MM.yyyy"},
      {"%Y-%m-%d", "yyyy-MM-dd"},
      {"%F", "yyyy-MM-dd"},
      {"%D", "MM/dd/yy"},
      {"%e/%m/%y", "d/MM/yy"},
      {"%I:%M:%S %p", "hh:mm:ss tt"},
      {"%l:%M:%S %p", "h:mm:ss tt"},
      {"%H:%M:%S", "HH:mm:ss"},
      {"%T", "HH:mm:ss"},
      {"%H:%M:%S %Z", "HH:mm:ss"},
      {"%H h %M", "HH 'h' mm"},
      {"%Y年%m月%d日", "yyyy年MM月dd日"},
      {"%Ey", "yy"},
      {"%a %d %b %Y", "ddd dd MMM yyyy"},
  };
  for (const Case& c : cases)
    EXPECT_EQ(platform::pictureFromStrftime(c.pattern), c.picture);
}
#endif

}  // namespace
}  // namespace tallyvane

namespace tallyvane {
namespace {

// Formatting relies on the calendar functions agreeing with the time stamps of
// the records (days since 30 December 1899).
TEST(CalendarDates, CountDaysFrom30December1899) {
  EXPECT_EQ(*EncodeDate(1899, 12, 30), 0.0);
  EXPECT_EQ(*EncodeDate(1970, 1, 1), 25569.0);
  EXPECT_EQ(*EncodeDate(2014, 1, 30), UnixSecondsToDateTime(1'391'040'000));
  const CalendarDate epoch = DecodeDate(UnixSecondsToDateTime(0));
  EXPECT_EQ(epoch.year, 1970);
  EXPECT_EQ(epoch.month, 1);
  EXPECT_EQ(epoch.day, 1);
  EXPECT_EQ(DayOfWeek(0.0), 7);                       // a Saturday
  EXPECT_EQ(DayOfWeek(*EncodeDate(2014, 1, 30)), 5);  // a Thursday
}

}  // namespace
}  // namespace tallyvane
