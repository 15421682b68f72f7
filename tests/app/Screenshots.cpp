// Renders the main window over a sample log (several days, a separator, an
// unexpected shutdown), the window over the shared real .evtx fixture and the
// About dialog to PNG files, and writes the sample's HTML report (whose chart
// scripts/screenshots.sh renders), for the README.
// Usage: tallyvane-screenshots OUTPUT_FOLDER   (under xvfb-run, or with
// QT_QPA_PLATFORM=offscreen)
#include <QDir>
#include <QPixmap>
#include <QTimer>
#include <cstdio>
#include <cstdlib>
#include <ctime>

#include "AppTestSupport.h"
#include "app/qt/AboutDlg.h"
#include "app/qt/AppStart.h"
#include "app/qt/JournalListView.h"
#include "app/qt/JournalSource.h"
#include "app/qt/Main.h"

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

  window.ExportJournal(out.filePath(QStringLiteral("report.html")));

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

  TdlgAbout about(&window, 0, testing::KnownSnapshot());
  about.show();
  QApplication::processEvents();
  if (!about.grab().save(out.filePath(QStringLiteral("about-dialog.png")))) {
    std::fprintf(stderr, "cannot write about-dialog.png\n");
    return 1;
  }
  return 0;
}
