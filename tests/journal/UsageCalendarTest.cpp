#include "journal/UsageCalendar.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <tuple>

#include "present/Orvex_Datetime.h"

namespace tallyvane {
namespace {

TDateTime at(int y, int mo, int d, int h, int mi) {
  return *EncodeDate(y, mo, d) + *EncodeTime(h, mi, 0, 0);
}

TEST(UsageCalendar, LaysOutAYearOfDaysInWeekColumns) {
  std::vector<DayUsage> usage = {
      {2023, 6, 1, 600, 480, {}},  // more than a year before the end: left out
      {2024,
       1,
       15,
       150,
       90,
       {{at(2024, 1, 15, 8, 0), at(2024, 1, 15, 9, 0)},
        {at(2024, 1, 15, 10, 0), at(2024, 1, 15, 10, 30)}}},
      {2024, 6, 30, 700, 600, {}},
  };
  // Sunday 30 June 2024: the map runs from Saturday 1 July 2023.
  const UsageCalendar cal = LastTwelveMonths(usage, {2024, 6, 30});
  ASSERT_EQ(cal.Cells.size(), 366u);  // a leap year in between
  EXPECT_EQ(cal.Cells.front().Year, 2023);
  EXPECT_EQ(cal.Cells.front().Month, 7);
  EXPECT_EQ(cal.Cells.front().Day, 1);
  EXPECT_EQ(cal.Cells.front().Row, 5);  // Saturday
  EXPECT_EQ(cal.Cells.front().Column, 0);
  EXPECT_EQ(cal.Cells[2].Row, 0);  // Monday 3 July opens the second week
  EXPECT_EQ(cal.Cells[2].Column, 1);
  EXPECT_EQ(cal.Cells.back().Row, 6);
  EXPECT_EQ(cal.Columns, cal.Cells.back().Column + 1);

  std::vector<std::pair<int, std::int64_t>> used;
  for (const CalendarCell& c : cal.Cells) {
    if (c.Usage != nullptr)
      used.emplace_back(c.Month * 100 + c.Day, c.Minutes);
  }
  EXPECT_EQ(used, (std::vector<std::pair<int, std::int64_t>>{{115, 90}, {630, 600}}));
  const auto jan15 = std::find_if(cal.Cells.begin(), cal.Cells.end(),
                                  [](const CalendarCell& c) { return c.Usage != nullptr; });
  EXPECT_EQ(CellDescription(*jan15), "2024-01-15: 1h 30m\n08:00-09:00\n10:00-10:30");
  EXPECT_EQ(jan15->Row, 0);  // a Monday

  // Twelve months labelled, in order, each inside the map.
  ASSERT_GE(cal.MonthStarts.size(), 11u);
  EXPECT_EQ(cal.MonthStarts.back().second, 6);
  for (std::size_t i = 1; i < cal.MonthStarts.size(); ++i)
    EXPECT_GE(cal.MonthStarts[i].first - cal.MonthStarts[i - 1].first, 3);
}

TEST(UsageCalendar, EndsTodayUnlessTheLogIsOlderThanAYear) {
  const std::vector<DayUsage> old = {{2014, 1, 30, 60, 60, {}}, {2014, 2, 3, 60, 60, {}}};
  const CalendarDate end = CalendarEnd(old, {2026, 12, 11});
  EXPECT_EQ(std::tuple(end.year, end.month, end.day), std::tuple(2014, 2, 3));
  const std::vector<DayUsage> recent = {{2026, 3, 1, 60, 60, {}}};
  const CalendarDate today = CalendarEnd(recent, {2026, 12, 11});
  EXPECT_EQ(std::tuple(today.year, today.month, today.day), std::tuple(2026, 12, 11));
  const CalendarDate none = CalendarEnd({}, {2026, 12, 11});
  EXPECT_EQ(none.year, 2026);
}

TEST(UsageCalendar, ShadesBySpentTime) {
  const std::pair<std::int64_t, int> cases[] = {{0, 0},   {1, 1},   {120, 1}, {121, 2},
                                                {240, 2}, {241, 3}, {480, 3}, {481, 4}};
  for (const auto& [minutes, level] : cases)
    EXPECT_EQ(HeatLevel(minutes), level) << minutes;
}

}  // namespace
}  // namespace tallyvane
