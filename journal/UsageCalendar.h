#pragma once
// The calendar heat map of the last twelve months, laid out without any
// drawing library: a cell a day in columns of weeks (Monday at the top), each
// with the day's spent time and a shade. The window paints it with QPainter
// and the HTML report writes it as SVG, so both show the same map.
#include <array>
#include <cstdint>
#include <string>
#include <vector>

#include "journal/JournalBuilder.h"

namespace tallyvane {

struct CalendarCell {
  int Year = 0;
  int Month = 0;                    // 1..12
  int Day = 0;                      // 1..31
  int Column = 0;                   // the week, 0 the oldest
  int Row = 0;                      // the weekday, 0 Monday .. 6 Sunday
  std::int64_t Minutes = 0;         // spent time: the sessions' sum
  const DayUsage* Usage = nullptr;  // the day's summary, null for an unused day
};

struct UsageCalendar {
  std::vector<CalendarCell> Cells;  // oldest first, one per day
  int Columns = 0;
  // The first column of each month shown, with the month (1..12).
  std::vector<std::pair<int, int>> MonthStarts;
};

// The days from a year before `End` (exclusive) through `End`, with the
// minutes of the days in `Usage` (which must outlive the result).
UsageCalendar LastTwelveMonths(const std::vector<DayUsage>& Usage, CalendarDate End);

// The day the map should end on: `Today`, unless no summarised day lies in the
// twelve months up to it (an old log opened from a file), then the last
// summarised day, so an old log still fills the map.
CalendarDate CalendarEnd(const std::vector<DayUsage>& Usage, CalendarDate Today);

// The shade of a day: 0 for none, 1 up to two hours, 2 up to four, 3 up to
// eight, 4 above.
int HeatLevel(std::int64_t Minutes);
// The shades as 0xRRGGBB, from no use to the most.
inline constexpr std::array<std::uint32_t, 5> kHeatColors = {0xebedf0, 0xbbdefb, 0x64b5f6, 0x1e88e5,
                                                             0x0d47a1};
// "Jan" .. "Dec"; "Mon" .. "Sun".
const char* ShortMonthName(int Month);
const char* ShortWeekdayName(int Row);

// The tooltip text of a cell: "2014-01-30: 1h 30m" and a line per session
// ("08:00-09:00"). Fixed formats, the same in the window and the report.
std::string CellDescription(const CalendarCell& Cell);

}  // namespace tallyvane
