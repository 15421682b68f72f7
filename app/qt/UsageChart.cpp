#include "app/qt/UsageChart.h"

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

double DayHours(const std::string& spent) {
  // "9h 00m (8h 10m)": the sessions' sum in brackets, else the span.
  const auto open = spent.find('(');
  if (open != std::string::npos) {
    if (const auto minutes = report::spentMinutes(std::string_view(spent).substr(open + 1))) {
      return static_cast<double>(*minutes) / 60.0;
    }
  }
  return static_cast<double>(report::spentMinutes(spent).value_or(0)) / 60.0;
}

constexpr int kMargin = 6;
constexpr int kLabelHeight = 14;
constexpr int kGap = 16;

}  // namespace

std::vector<TUsageBar> DayBars(const std::vector<JournalRow>& Days, std::size_t MaxDays) {
  std::vector<TUsageBar> bars;
  QString start;
  for (const JournalRow& row : Days) {
    if (row.RowMarker == kRowDayStart) {
      start = Text(row.Caption);
    }
    if (!row.SubItem2.empty()) {
      TUsageBar bar;
      bar.Label = start.left(2);
      bar.ToolTip = start + QStringLiteral("\n") + Text(row.SubItem2);
      bar.Hours = DayHours(row.SubItem2);
      bars.push_back(bar);
    }
  }
  if (bars.size() > MaxDays) {
    bars.erase(bars.begin(), bars.end() - static_cast<std::ptrdiff_t>(MaxDays));
  }
  return bars;
}

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
  setMinimumHeight(60);
  setAutoFillBackground(true);
  QPalette p = palette();
  p.setColor(QPalette::Window, Qt::white);
  setPalette(p);
}

void TUsageChart::SetRows(const std::vector<JournalRow>& Days,
                          const std::vector<JournalRow>& Months) {
  FDays = DayBars(Days, kMaxDays);
  FMonths = MonthBars(Months);
  update();
}

std::vector<QRect> TUsageChart::BarRects() const {
  std::vector<QRect> rects;
  const int plotHeight = height() - 2 * kMargin - kLabelHeight;
  const int slotCount = static_cast<int>(kMaxDays + std::max<std::size_t>(FMonths.size(), 12));
  const int slot = std::max(4, (width() - 2 * kMargin - kGap) / std::max(slotCount, 1));
  const auto place = [&](const std::vector<TUsageBar>& bars, int left) {
    double most = 0;
    for (const TUsageBar& bar : bars) {
      most = std::max(most, bar.Hours);
    }
    for (std::size_t i = 0; i < bars.size(); ++i) {
      const int h = most > 0 ? static_cast<int>(bars[i].Hours / most * plotHeight + 0.5) : 0;
      rects.emplace_back(left + static_cast<int>(i) * slot + 1, kMargin + plotHeight - h, slot - 2,
                         h);
    }
  };
  place(FDays, kMargin);
  place(FMonths, kMargin + static_cast<int>(kMaxDays) * slot + kGap);
  return rects;
}

void TUsageChart::paintEvent(QPaintEvent* Event) {
  QWidget::paintEvent(Event);
  QPainter painter(this);
  const std::vector<QRect> rects = BarRects();
  const int baseline = height() - kMargin - kLabelHeight;
  painter.setPen(QColor(0x88, 0x88, 0x88));
  painter.drawLine(kMargin, baseline, width() - kMargin, baseline);
  QFont small = font();
  small.setPointSizeF(std::max(6.0, small.pointSizeF() - 1));
  painter.setFont(small);
  for (std::size_t i = 0; i < rects.size(); ++i) {
    const bool day = i < FDays.size();
    const TUsageBar& bar = day ? FDays[i] : FMonths[i - FDays.size()];
    painter.fillRect(rects[i], day ? kDayColor : kMonthColor);
    painter.setPen(palette().color(QPalette::WindowText));
    const QRect label(rects[i].left() - 4, baseline + 1, rects[i].width() + 8, kLabelHeight);
    painter.drawText(label, Qt::AlignHCenter | Qt::AlignTop, bar.Label);
  }
}

bool TUsageChart::event(QEvent* Event) {
  if (Event->type() == QEvent::ToolTip) {
    const auto* help = static_cast<QHelpEvent*>(Event);
    const std::vector<QRect> rects = BarRects();
    for (std::size_t i = 0; i < rects.size(); ++i) {
      QRect area = rects[i];
      area.setTop(kMargin);  // the whole column, however short the bar
      if (area.contains(help->pos())) {
        const TUsageBar& bar = i < FDays.size() ? FDays[i] : FMonths[i - FDays.size()];
        QToolTip::showText(help->globalPos(), bar.ToolTip, this);
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
