#include "journal/UsageCalendar.h"

#include <cmath>
#include <cstdio>
#include <map>
#include <optional>

#include "present/Orvex_Datetime.h"

namespace tallyvane {

namespace {

// Whole day numbers on the TDateTime scale (day 0 is Saturday, 30 December
// 1899).
long dayNumber(int year, int month, int day) {
  const std::optional<TDateTime> d = EncodeDate(year, month, day);
  return d ? std::lround(std::floor(*d)) : 0;
}
long dayNumber(const CalendarDate& d) {
  return dayNumber(d.year, d.month, d.day);
}

int mondayBasedWeekday(long day) {
  return static_cast<int>(((day % 7) + 7 + 5) % 7);
}

// The same day a year earlier (29 February goes to the 28th).
CalendarDate yearBefore(CalendarDate d) {
  --d.year;
  if (d.month == 2 && d.day == 29 && !EncodeDate(d.year, 2, 29))
    d.day = 28;
  return d;
}

std::string clockText(TDateTime t) {
  const ClockTime c = DecodeTime(t);
  char buf[8];
  std::snprintf(buf, sizeof buf, "%02d:%02d", c.hour % 100, c.minute % 100);
  return buf;
}

}  // namespace

UsageCalendar LastTwelveMonths(const std::vector<DayUsage>& Usage, CalendarDate End) {
  UsageCalendar cal;
  const long last = dayNumber(End);
  const long first = dayNumber(yearBefore(End)) + 1;
  if (last < first)
    return cal;
  std::map<long, const DayUsage*> byDay;
  for (const DayUsage& u : Usage) {
    const long n = dayNumber(u.Year, u.Month, u.Day);
    if (n >= first && n <= last)
      byDay[n] = &u;  // a date twice (a clock set back) keeps the later
  }
  const long firstMonday = first - mondayBasedWeekday(first);
  int previousMonth = 0;
  for (long n = first; n <= last; ++n) {
    const CalendarDate d = DecodeDate(static_cast<TDateTime>(n));
    CalendarCell cell;
    cell.Year = d.year;
    cell.Month = d.month;
    cell.Day = d.day;
    cell.Column = static_cast<int>((n - firstMonday) / 7);
    cell.Row = mondayBasedWeekday(n);
    if (const auto it = byDay.find(n); it != byDay.end()) {
      cell.Usage = it->second;
      cell.Minutes = it->second->SessionMinutes;
    }
    if (d.month != previousMonth) {
      // A month is labelled at the first week that holds its first Monday or
      // its first day, whichever is later, so the label sits over its days.
      const int column = cell.Row == 0 || n == first ? cell.Column : cell.Column + 1;
      cal.MonthStarts.emplace_back(column, d.month);
      previousMonth = d.month;
    }
    cal.Cells.push_back(cell);
  }
  cal.Columns = cal.Cells.back().Column + 1;
  // Labels need about three weeks of room: a label past the map goes, and a
  // label crowded by the next one gives way to it.
  std::erase_if(cal.MonthStarts, [&](const auto& m) { return m.first >= cal.Columns; });
  for (std::size_t i = 0; i + 1 < cal.MonthStarts.size();) {
    if (cal.MonthStarts[i + 1].first - cal.MonthStarts[i].first < 3)
      cal.MonthStarts.erase(cal.MonthStarts.begin() + static_cast<std::ptrdiff_t>(i));
    else
      ++i;
  }
  return cal;
}

CalendarDate CalendarEnd(const std::vector<DayUsage>& Usage, CalendarDate Today) {
  if (Usage.empty())
    return Today;
  const long today = dayNumber(Today);
  const long yearAgo = dayNumber(yearBefore(Today));
  long latest = 0;
  CalendarDate latestDate = Today;
  for (const DayUsage& u : Usage) {
    const long n = dayNumber(u.Year, u.Month, u.Day);
    if (n > yearAgo && n <= today)
      return Today;
    if (n > latest && n <= today) {
      latest = n;
      latestDate = {u.Year, u.Month, u.Day};
    }
  }
  return latestDate;
}

int HeatLevel(std::int64_t Minutes) {
  if (Minutes <= 0)
    return 0;
  if (Minutes <= 120)
    return 1;
  if (Minutes <= 240)
    return 2;
  if (Minutes <= 480)
    return 3;
  return 4;
}

const char* ShortMonthName(int Month) {
  static const char* const names[] = {"Jan", "Feb", "Mar", "Apr", "May", "Jun",
                                      "Jul", "Aug", "Sep", "Oct", "Nov", "Dec"};
  return Month >= 1 && Month <= 12 ? names[Month - 1] : "";
}

const char* ShortWeekdayName(int Row) {
  static const char* const names[] = {"Mon", "Tue", "Wed", "Thu", "Fri", "Sat", "Sun"};
  return Row >= 0 && Row <= 6 ? names[Row] : "";
}

std::string CellDescription(const CalendarCell& Cell) {
  char head[48];
  std::snprintf(head, sizeof head, "%04d-%02d-%02d: %lldh %02lldm", Cell.Year % 10000,
                Cell.Month % 100, Cell.Day % 100, static_cast<long long>(Cell.Minutes / 60),
                static_cast<long long>(Cell.Minutes % 60));
  std::string text = head;
  if (Cell.Usage != nullptr) {
    for (const DayUsage::Session& s : Cell.Usage->Sessions)
      text += "\n" + clockText(s.Start) + "-" + clockText(s.Stop);
  }
  return text;
}

}  // namespace tallyvane
