#pragma once
// The main window: a header with the operating system, the user and the
// installation date, the day list, the month list and a status line; its menu
// refreshes the journal, prints both lists, shows the About dialog and ends
// the program.
#include <QElapsedTimer>
#include <QMainWindow>
#include <functional>
#include <memory>
#include <optional>

#include "app/qt/JournalSource.h"
#include "app/common/SnapshotTexts.h"
#include "components/TComponent.h"
#include "journal/JournalBuilder.h"
#include "journal/JournalListModel.h"
#include "platform/Services.h"
#include "present/FormatSettings.h"
#include "present/Orvex_CtrlRtns.h"

class QAction;
class QDragEnterEvent;
class QDropEvent;
class QFrame;
class QLabel;
class QMenu;
class QPrinter;
class QProgressBar;
class QTimer;
class QSplitter;

namespace tallyvane {

class TJournalListView;
class TJournalTableModel;
class TUsageChart;
class TOrvex_EventLog;

// Where a window whose frame is `Frame` comes to rest on a screen whose
// available area is `Screen`: an edge within `Buffer` pixels of the screen's
// edge snaps onto it.
QPoint SnapToScreenEdges(const QRect& Frame, const QRect& Screen, int Buffer = 10);

class Twnd_Main : public QMainWindow, private JournalView {
  Q_OBJECT
 public:
  // `Services` gives the event log and the clock; `Snapshot` the header's and
  // the print footer's facts; `Settings` the user's locale formats.
  // `Initial` is the source read first (this computer when none, or when it
  // cannot be read).
  Twnd_Main(const platform::Services& Services, const TSnapshotTexts& Snapshot,
            const FormatSettings& Settings, QWidget* Parent = nullptr,
            std::optional<JournalSource> Initial = std::nullopt);
  ~Twnd_Main() override;

  // Controls, by their names in the layout.
  QMenu* File1 = nullptr;
  QAction* OpenLog1 = nullptr;
  QAction* OpenFolder1 = nullptr;
  QAction* OpenInstallation1 = nullptr;
  QMenu* Recent1 = nullptr;
  QAction* ThisComputer1 = nullptr;
  QAction* Export1 = nullptr;
  QAction* Refresh1 = nullptr;
  QAction* Print1 = nullptr;
  QAction* Exit1 = nullptr;
  QAction* About1 = nullptr;
  QFrame* Panel1 = nullptr;
  QLabel* Image2 = nullptr;
  QLabel* lOS = nullptr;
  QLabel* lUser = nullptr;
  QLabel* lInstalled = nullptr;
  TJournalListView* List = nullptr;
  QSplitter* Splitter1 = nullptr;
  TJournalListView* MonthList = nullptr;
  TUsageChart* Chart = nullptr;
  QWidget* pStatus = nullptr;
  QLabel* lUptime = nullptr;
  QLabel* lSpenttime = nullptr;
  // Says why this computer's history may be incomplete; hidden when it is not.
  QLabel* lHistoryNote = nullptr;
  // Shown in the status line when a read takes longer than kProgressDelayMs.
  QProgressBar* pbRead = nullptr;
  static constexpr int kProgressDelayMs = 300;

  TJournalTableModel* ListModel() const { return FListModel; }
  TJournalTableModel* MonthListModel() const { return FMonthModel; }
  TOrvex_EventLog* EventLog() const { return FEventLog; }

  // Rebuilds the journal from the log that is open.
  void RefreshJournal();
  void UpdateChart();

  // Reads `Source` and shows its journal; the title names it and it joins the
  // recent sources. When it cannot be opened or read, the error is thrown and
  // the journal shown before stays.
  void OpenSource(const JournalSource& Source);
  const JournalSource& Source() const { return FSource; }
  // The recent sources, newest first (at most kMaxRecentSources).
  QStringList RecentSources() const;
  static constexpr int kMaxRecentSources = 8;

  // Writes both lists and the totals to `FileName`: CSV, JSON or an HTML report,
  // chosen by its extension (.csv, .json, .html or .htm).
  void ExportJournal(const QString& FileName);

  // Prints both lists as two jobs on `Printer`: the day list, then the month list.
  void PrintJournal(QPrinter& Printer);

  // How a print job reaches the printer; tests record the jobs instead.
  std::function<std::unique_ptr<TPrinterCanvas>(QPrinter&)> CanvasFactory;
  // Shows the print dialog; false when the user cancels it. Tests answer it.
  std::function<bool(QPrinter&)> PrintDialog;
  // Ask for a log file, a folder of logs and an export file; an empty answer
  // cancels. Tests answer them.
  std::function<QString()> OpenLogDialog;
  std::function<QString()> OpenFolderDialog;
  std::function<QString()> OpenInstallationDialog;
  std::function<QString()> ExportDialog;

 public slots:
  void Refresh1Click();
  void Exit1Click();
  void About1Click();
  void pmPrintClick();
  void OpenLog1Click();
  void OpenFolder1Click();
  void OpenInstallation1Click();
  void ThisComputer1Click();
  void Export1Click();

 protected:
  void closeEvent(QCloseEvent* Event) override;
  void moveEvent(QMoveEvent* Event) override;
  void showEvent(QShowEvent* Event) override;
  void dragEnterEvent(QDragEnterEvent* Event) override;
  void dropEvent(QDropEvent* Event) override;

 private:
  void CreateControls();
  void FormCreate();
  void UpdateTitle();
  void UpdateHistoryNote();
  void RestoreSettings();
  void SaveSettings();
  void RememberRecent(const QString& Path);
  void FillRecentMenu();
  struct TOpenLog;
  std::unique_ptr<TOpenLog> MakeOpenLog(const JournalSource& Source);

  // JournalView.
  void setUptimeText(const std::string& text) override;
  void setSpentTimeText(const std::string& text) override;
  void repaintNow() override;
  void beginBusy() override;
  void endBusy() override;
  void beginBulkUpdate() override;
  void endBulkUpdate() override;
  void selectRow(std::size_t index) override;

  platform::Services FServices;
  TSnapshotTexts FSnapshot;
  FormatSettings FSettings;
  std::optional<JournalSource> FInitial;
  JournalSource FSource;
  std::unique_ptr<TOpenLog> FLog;        // the log read, its services and clock
  TOrvex_EventLog* FEventLog = nullptr;  // FLog's
  TJournalTableModel* FListModel = nullptr;
  TJournalTableModel* FMonthModel = nullptr;
  long long FPendingSelection = -1;
  // The per-day summary of the last build, for the chart.
  std::vector<DayUsage> FUsage;
  int FBusyDepth = 0;
  QElapsedTimer FReadClock;   // since the build began; pbRead shows past the delay
  long long FLastPumpMs = 0;  // when the read last let the window repaint
  void ReadProgress(std::uint64_t Done, std::uint64_t Total);
  bool FPlaced = false;
  bool FSnapping = false;
};

}  // namespace tallyvane
