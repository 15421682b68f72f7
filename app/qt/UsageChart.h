#pragma once
// The usage at a glance: the last twelve months as a calendar heat map (a cell
// a day, shaded by spent time, a tooltip with the day's sessions) from the
// journal builder's per-day summary, and hours per month as bars from the
// month list's rows. Drawn with QPainter: the map is a grid of rectangles,
// which Qt Charts has no series for, and the package needs no extra library.
#include <QString>
#include <QWidget>
#include <vector>

#include "journal/JournalListModel.h"
#include "journal/UsageCalendar.h"

namespace tallyvane {

struct TUsageBar {
  QString Label;    // under the bar
  QString ToolTip;  // the day's or month's rows in words
  double Hours = 0;
};

// One bar per month of the month list.
std::vector<TUsageBar> MonthBars(const std::vector<JournalRow>& Months);

class TUsageChart : public QWidget {
 public:
  static inline const QColor kMonthColor{0x2e, 0x7d, 0x32};
  static QColor HeatColor(int Level);

  explicit TUsageChart(QWidget* Parent = nullptr);
  // The days (kept by copy) and the day the map ends on.
  void SetDays(const std::vector<DayUsage>& Days, CalendarDate End);
  void SetRows(const std::vector<JournalRow>& Months);
  const UsageCalendar& Calendar() const { return FCalendar; }
  CalendarDate End() const { return FEnd; }
  const std::vector<TUsageBar>& Months() const { return FMonths; }
  // Where each day's cell is drawn, in the order of Calendar().Cells.
  std::vector<QRect> CellRects() const;
  // Where each month's bar is drawn.
  std::vector<QRect> BarRects() const;

 protected:
  void paintEvent(QPaintEvent* Event) override;
  bool event(QEvent* Event) override;

 private:
  int CellSize() const;
  int BarsLeft() const;

  std::vector<DayUsage> FDays;
  UsageCalendar FCalendar;
  CalendarDate FEnd;
  std::vector<TUsageBar> FMonths;
};

}  // namespace tallyvane
