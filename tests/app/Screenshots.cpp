// Renders the main window over a sample log (several days, a separator, an
// unexpected shutdown), the window over the shared real .evtx fixture, the
// usage chart over a sample year and the About dialog to PNG files, and writes
// the sample year's HTML report (which scripts/screenshots.sh renders with
// Chromium), for the README.
// Usage: tallyvane-screenshots OUTPUT_FOLDER   (under xvfb-run, or with
// QT_QPA_PLATFORM=offscreen)
#include <QDir>
#include <QPixmap>
#include <QSplitter>
#include <QTimer>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <ctime>

#include "AppTestSupport.h"
#include "app/qt/AboutDlg.h"
#include "app/qt/AppStart.h"
#include "app/qt/JournalListView.h"
#include "app/qt/JournalSource.h"
#include "app/qt/Main.h"
#include "app/qt/UsageChart.h"
#include "support/SampleRecords.h"

namespace {

// A year of an office machine up to the sample log's today (4 March 2026):
// working days of four to ten hours, an occasional Saturday, a summer and a
// Christmas holiday, and today's start still running.
std::vector<tallyvane::platform::EventLogRecordFields> SampleYear() {
  using namespace std::chrono;
  using tallyvane::testing::sampleRecord;
  using tallyvane::testing::UnixTime;
  std::vector<tallyvane::platform::EventLogRecordFields> log;
  const sys_days first = 2025y / March / 5, today = 2026y / March / 4;
  const auto on = [](sys_days d, const year_month_day& from, const year_month_day& to) {
    return d >= sys_days(from) && d <= sys_days(to);
  };
  for (sys_days d = first; d < today; d += days(1)) {
    const year_month_day ymd(d);
    const unsigned weekday = std::chrono::weekday(d).c_encoding();  // 0 Sunday
    // A fixed scramble of the day's number picks the hours.
    const auto n = static_cast<std::uint32_t>(d.time_since_epoch().count());
    const std::uint32_t x = (n * 2654435761u) >> 8;
    if (on(d, 2025y / August / 4, 2025y / August / 15) ||
        on(d, 2025y / December / 22, 2026y / January / 2) || weekday == 0 ||
        (weekday == 6 && x % 4 != 0) || x % 23 == 0)
      continue;
    const int y = static_cast<int>(ymd.year()), m = static_cast<int>(unsigned(ymd.month())),
              dd = static_cast<int>(unsigned(ymd.day()));
    const int hours =
        weekday == 6 ? 1 + static_cast<int>(x / 4 % 3) : 3 + static_cast<int>(x / 8 % 8);
    const int minute = static_cast<int>(x / 64 % 50);
    log.push_back(sampleRecord("EventLog", 0x80001779, UnixTime(y, m, dd, 8, minute, 0)));
    log.push_back(
        sampleRecord("EventLog", 0x80001776, UnixTime(y, m, dd, 8 + hours, minute + 7, 0)));
  }
  log.push_back(sampleRecord("EventLog", 0x80001779, UnixTime(2026, 3, 4, 8, 30, 0)));
  return log;
}

}  // namespace

int main(int argc, char** argv) {
  using namespace tallyvane;
  if (argc != 2) {
    std::fprintf(stderr, "usage: %s OUTPUT_FOLDER\n", argv[0]);
    return 2;
  }
  setenv("TZ", "UTC", 1);
  tzset();
  TApplication app(argc, argv);
  RegisterFallbackFonts();
  const QDir out(QString::fromLocal8Bit(argv[1]));

  testing::KnownMachine machine;
  Twnd_Main window(machine.services, testing::KnownSnapshot(), FormatSettings{});
  window.show();
  window.activateWindow();
  QApplication::processEvents();
  // Give the month list a focus of its own so the day list shows its selection
  // as it looks when the list has lost the focus.
  window.List->setFocus();
  QApplication::processEvents();
  if (!window.grab().save(out.filePath(QStringLiteral("main-window.png")))) {
    std::fprintf(stderr, "cannot write main-window.png\n");
    return 1;
  }

  const QString fixture = QString::fromLocal8Bit(TALLYVANE_SHARED_FIXTURES) +
                          QStringLiteral("/evtx/tsevtx_System.evtx");
  Twnd_Main evtx(machine.services, testing::KnownSnapshot(), FormatSettings{}, nullptr,
                 LogSourceAt(fixture));
  evtx.show();
  QApplication::processEvents();
  if (!evtx.grab().save(out.filePath(QStringLiteral("main-window-evtx.png")))) {
    std::fprintf(stderr, "cannot write main-window-evtx.png\n");
    return 1;
  }

  // The chart alone, over the sample year, in a wide window with room for it.
  testing::KnownMachine year;
  year.service.addLog("System", SampleYear());
  Twnd_Main yearWindow(year.services, testing::KnownSnapshot(), FormatSettings{});
  yearWindow.resize(1100, 800);
  yearWindow.show();
  QApplication::processEvents();
  const QList<int> sizes = yearWindow.Splitter1->sizes();
  yearWindow.Splitter1->setSizes({sizes[0] + sizes[2] - 150, sizes[1], 150});
  QApplication::processEvents();
  if (!yearWindow.Chart->grab().save(out.filePath(QStringLiteral("usage-chart.png")))) {
    std::fprintf(stderr, "cannot write usage-chart.png\n");
    return 1;
  }
  yearWindow.ExportJournal(out.filePath(QStringLiteral("report.html")));

  TdlgAbout about(&window, 0, testing::KnownSnapshot());
  about.show();
  QApplication::processEvents();
  if (!about.grab().save(out.filePath(QStringLiteral("about-dialog.png")))) {
    std::fprintf(stderr, "cannot write about-dialog.png\n");
    return 1;
  }
  return 0;
}
