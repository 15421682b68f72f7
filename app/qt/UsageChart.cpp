#include "app/qt/UsageChart.h"

#include <QFontMetrics>
#include <QHelpEvent>
#include <QPainter>
#include <QToolTip>
#include <algorithm>

#include "cli/Report.h"

namespace tallyvane {

namespace {

QString Text(const std::string& s) {
  return QString::fromUtf8(s.data(), static_cast<int>(s.size()));
}

constexpr int kMargin = 6;
constexpr int kLabelHeight = 14;
constexpr int kGap = 16;
constexpr int kWeekdayWidth = 26;  // the weekday labels left of the map
constexpr int kMaxCell = 14;
// The room kept right of the map for a year of month bars, so a narrow window
// shrinks the cells rather than squeezing the bars to slivers.
constexpr int kMinBarsWidth = 12 * 10;

}  // namespace

std::vector<TUsageBar> MonthBars(const std::vector<JournalRow>& Months) {
  std::vector<TUsageBar> bars;
  for (const JournalRow& row : Months) {
    TUsageBar bar;
    bar.Label = Text(row.Caption).left(3);
    bar.ToolTip = Text(row.Caption) + QStringLiteral(": ") + Text(row.SubItem1);
    bar.Hours = static_cast<double>(report::spentMinutes(row.SubItem1).value_or(0)) / 60.0;
    bars.push_back(bar);
  }
  return bars;
}

TUsageChart::TUsageChart(QWidget* Parent) : QWidget(Parent) {
  setObjectName(QStringLiteral("UsageChart"));
  setMinimumHeight(6 + 14 + 7 * 11 + 6);
  setAutoFillBackground(true);
  QPalette p = palette();
  p.setColor(QPalette::Window, Qt::white);
  setPalette(p);
}

QColor TUsageChart::HeatColor(int Level) {
  return QColor::fromRgb(kHeatColors.at(static_cast<std::size_t>(std::clamp(Level, 0, 4))));
}

void TUsageChart::SetDays(const std::vector<DayUsage>& Days, CalendarDate End) {
  FDays = Days;
  FEnd = End;
  FCalendar = LastTwelveMonths(FDays, End);
  update();
}

void TUsageChart::SetRows(const std::vector<JournalRow>& Months) {
  FMonths = MonthBars(Months);
  update();
}

int TUsageChart::CellSize() const {
  const int columns = std::max(FCalendar.Columns, 53);
  const int byHeight = (height() - 2 * kMargin - kLabelHeight) / 7;
  const int byWidth = (width() - 2 * kMargin - kWeekdayWidth - kGap - kMinBarsWidth) / columns;
  return std::clamp(std::min(byHeight, byWidth), 4, kMaxCell);
}

int TUsageChart::BarsLeft() const {
  const int columns = std::max(FCalendar.Columns, 53);
  return kMargin + kWeekdayWidth + columns * CellSize() + kGap;
}

std::vector<QRect> TUsageChart::CellRects() const {
  std::vector<QRect> rects;
  const int cell = CellSize();
  const int top = kMargin + kLabelHeight;
  for (const CalendarCell& c : FCalendar.Cells) {
    rects.emplace_back(kMargin + kWeekdayWidth + c.Column * cell, top + c.Row * cell, cell - 1,
                       cell - 1);
  }
  return rects;
}

std::vector<QRect> TUsageChart::BarRects() const {
  std::vector<QRect> rects;
  const int left = BarsLeft();
  const int plotHeight = height() - 2 * kMargin - kLabelHeight;
  const int slotCount = static_cast<int>(std::max<std::size_t>(FMonths.size(), 12));
  const int slot = std::clamp((width() - left - kMargin) / slotCount, 4, 40);
  double most = 0;
  for (const TUsageBar& bar : FMonths) {
    most = std::max(most, bar.Hours);
  }
  for (std::size_t i = 0; i < FMonths.size(); ++i) {
    const int h = most > 0 ? static_cast<int>(FMonths[i].Hours / most * plotHeight + 0.5) : 0;
    rects.emplace_back(left + static_cast<int>(i) * slot + 1, kMargin + plotHeight - h, slot - 2,
                       h);
  }
  return rects;
}

void TUsageChart::paintEvent(QPaintEvent* Event) {
  QWidget::paintEvent(Event);
  QPainter painter(this);
  QFont small = font();
  small.setPointSizeF(std::max(6.0, small.pointSizeF() - 1));
  painter.setFont(small);
  const QColor text = palette().color(QPalette::WindowText);

  // The heat map, its weekday labels (every other day) and month labels.
  const std::vector<QRect> cells = CellRects();
  for (std::size_t i = 0; i < cells.size(); ++i) {
    painter.fillRect(cells[i], HeatColor(HeatLevel(FCalendar.Cells[i].Minutes)));
  }
  const int cell = CellSize();
  painter.setPen(text);
  for (int row = 0; row < 7; row += 2) {
    const QRect label(kMargin, kMargin + kLabelHeight + row * cell - 2, kWeekdayWidth - 2,
                      cell + 4);
    painter.drawText(label, Qt::AlignLeft | Qt::AlignVCenter,
                     QString::fromLatin1(ShortWeekdayName(row)));
  }
  for (const auto& [column, month] : FCalendar.MonthStarts) {
    const QRect label(kMargin + kWeekdayWidth + column * cell, kMargin, 3 * cell + 8, kLabelHeight);
    painter.drawText(label, Qt::AlignLeft | Qt::AlignTop,
                     QString::fromLatin1(ShortMonthName(month)));
  }

  // The month bars on a baseline, a label under each.
  const std::vector<QRect> rects = BarRects();
  const int baseline = height() - kMargin - kLabelHeight;
  painter.setPen(QColor(0x88, 0x88, 0x88));
  painter.drawLine(BarsLeft(), baseline, width() - kMargin, baseline);
  // Where a month's name is wider than its slot, its first letter stands in.
  const QFontMetrics metrics(small);
  for (std::size_t i = 0; i < rects.size(); ++i) {
    painter.fillRect(rects[i], kMonthColor);
    painter.setPen(text);
    const QRect label(rects[i].left() - 1, baseline + 1, rects[i].width() + 2, kLabelHeight);
    const QString name = metrics.horizontalAdvance(FMonths[i].Label) <= label.width()
                             ? FMonths[i].Label
                             : FMonths[i].Label.left(1);
    painter.drawText(label, Qt::AlignHCenter | Qt::AlignTop | Qt::TextDontClip, name);
  }
}

bool TUsageChart::event(QEvent* Event) {
  if (Event->type() == QEvent::ToolTip) {
    const auto* help = static_cast<QHelpEvent*>(Event);
    const std::vector<QRect> cells = CellRects();
    for (std::size_t i = 0; i < cells.size(); ++i) {
      if (cells[i].adjusted(0, 0, 1, 1).contains(help->pos())) {
        QToolTip::showText(help->globalPos(),
                           QString::fromStdString(CellDescription(FCalendar.Cells[i])), this);
        return true;
      }
    }
    const std::vector<QRect> rects = BarRects();
    for (std::size_t i = 0; i < rects.size(); ++i) {
      QRect area = rects[i];
      area.setTop(kMargin);  // the whole column, however short the bar
      if (area.contains(help->pos())) {
        QToolTip::showText(help->globalPos(), FMonths[i].ToolTip, this);
        return true;
      }
    }
    QToolTip::hideText();
    Event->ignore();
    return true;
  }
  return QWidget::event(Event);
}

}  // namespace tallyvane
