#pragma once
// The usage at a glance: hours per day for the last days of the day list and
// hours per month for the month list, as bars drawn with QPainter, a tooltip
// on each bar. Drawn from the lists' own rows, so it always shows what the
// lists show, for any source.
#include <QString>
#include <QWidget>
#include <vector>

#include "journal/JournalListModel.h"

namespace tallyvane {

struct TUsageBar {
  QString Label;    // under the bar
  QString ToolTip;  // the day's or month's rows in words
  double Hours = 0;
};

// One bar per day of the day list (its spent time: the sessions' sum where the
// row gives one in brackets, else the day's span), the last `MaxDays` days.
std::vector<TUsageBar> DayBars(const std::vector<JournalRow>& Days, std::size_t MaxDays);
// One bar per month of the month list.
std::vector<TUsageBar> MonthBars(const std::vector<JournalRow>& Months);

class TUsageChart : public QWidget {
 public:
  static constexpr std::size_t kMaxDays = 31;
  static inline const QColor kDayColor{0x1f, 0x77, 0xb4};
  static inline const QColor kMonthColor{0x2e, 0x7d, 0x32};

  explicit TUsageChart(QWidget* Parent = nullptr);
  void SetRows(const std::vector<JournalRow>& Days, const std::vector<JournalRow>& Months);
  const std::vector<TUsageBar>& Days() const { return FDays; }
  const std::vector<TUsageBar>& Months() const { return FMonths; }
  // Where each bar is drawn (days first, then months), for tooltips and tests.
  std::vector<QRect> BarRects() const;

 protected:
  void paintEvent(QPaintEvent* Event) override;
  bool event(QEvent* Event) override;

 private:
  std::vector<TUsageBar> FDays;
  std::vector<TUsageBar> FMonths;
};

}  // namespace tallyvane
