#include "app/qt/Main.h"

#include <QAction>
#include <QApplication>
#include <QCloseEvent>
#include <QDateTime>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QFileDialog>
#include <QFileInfo>
#include <QFrame>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QMenuBar>
#include <QMimeData>
#include <QPainter>
#include <QPrintDialog>
#include <QPrinter>
#include <QProgressBar>
#include <QScreen>
#include <QSettings>
#include <QSplitter>
#include <QTimer>
#include <QVBoxLayout>
#include <fstream>
#include <stdexcept>

#include "app/qt/AboutDlg.h"
#include "app/qt/AppStart.h"
#include "app/qt/JournalListView.h"
#include "app/qt/JournalModels.h"
#include "app/qt/QtPrinterCanvas.h"
#include "app/qt/ReadProgress.h"
#include "app/qt/UsageChart.h"
#include "cli/Report.h"
#include "eventlog/Qzi_EventLog.h"
#include "journal/JournalBuilder.h"
#include "present/DateFormat.h"
#include "present/Orvex_Datetime.h"
#include "present/SharedDocumentCanvas.h"

namespace tallyvane {

namespace {

QString Text(const std::string& s) {
  return QString::fromUtf8(s.data(), static_cast<int>(s.size()));
}

// The header panel: a bevel line along its top and bottom edges, and a hook
// that keeps the right-aligned label at the right edge.
class THeaderPanel : public QFrame {
 public:
  using QFrame::QFrame;
  std::function<void()> OnResize;

 protected:
  void paintEvent(QPaintEvent* Event) override {
    QFrame::paintEvent(Event);
    QPainter painter(this);
    const QColor shadow = palette().color(QPalette::Mid);
    const QColor light = palette().color(QPalette::Light);
    const int w = width();
    const int h = height();
    painter.setPen(shadow);
    painter.drawLine(0, 0, w - 1, 0);
    painter.drawLine(0, h - 2, w - 1, h - 2);
    painter.setPen(light);
    painter.drawLine(0, 1, w - 1, 1);
    painter.drawLine(0, h - 1, w - 1, h - 1);
  }
  void resizeEvent(QResizeEvent* Event) override {
    QFrame::resizeEvent(Event);
    if (OnResize) {
      OnResize();
    }
  }
};

// The clock of a log from elsewhere: today's date is this machine's, but its
// uptime has no place in that journal.
class TNoUptimeClock : public platform::SystemClock {
 public:
  explicit TNoUptimeClock(platform::SystemClock& Real) : FReal(Real) {}
  std::uint64_t tickCount64() override { return 0; }
  platform::SystemTime localNow() override { return FReal.localNow(); }

 private:
  platform::SystemClock& FReal;
};

QWidget* WithMargins(QWidget* Inner, int Margin) {
  auto* box = new QWidget;
  auto* layout = new QVBoxLayout(box);
  layout->setContentsMargins(Margin, Margin, Margin, Margin);
  layout->setSpacing(0);
  layout->addWidget(Inner);
  return box;
}

}  // namespace

QPoint SnapToScreenEdges(const QRect& Frame, const QRect& Screen, int Buffer) {
  QPoint at = Frame.topLeft();
  if (std::abs(Frame.left() - Screen.left()) <= Buffer) {
    at.setX(Screen.left());
  } else if (std::abs(Frame.right() - Screen.right()) <= Buffer) {
    at.setX(Screen.right() - Frame.width() + 1);
  }
  if (std::abs(Frame.top() - Screen.top()) <= Buffer) {
    at.setY(Screen.top());
  } else if (std::abs(Frame.bottom() - Screen.bottom()) <= Buffer) {
    at.setY(Screen.bottom() - Frame.height() + 1);
  }
  return at;
}

// The log being read, with the services and the clock its journal is built
// with.
struct Twnd_Main::TOpenLog {
  report::OpenedLog Opened;
  platform::Services Services;
  std::unique_ptr<platform::SystemClock> NoUptime;
  std::shared_ptr<platform::EventLogService> Progress;
  std::unique_ptr<TOrvex_EventLog> EventLog;
  platform::SystemClock& Clock() { return NoUptime ? *NoUptime : *Services.clock; }
};

Twnd_Main::Twnd_Main(const platform::Services& Services, const TSnapshotTexts& Snapshot,
                     const FormatSettings& Settings, QWidget* Parent,
                     std::optional<JournalSource> Initial)
    : QMainWindow(Parent),
      FServices(Services),
      FSnapshot(Snapshot),
      FSettings(Settings),
      FInitial(std::move(Initial)),
      FSource(ThisComputerSource()) {
  EnsureAppResources();
  setObjectName(QStringLiteral("wnd_Main"));
  setWindowTitle(QString::fromLatin1(kApplicationTitle));
  CanvasFactory = [](QPrinter& printer) -> std::unique_ptr<TPrinterCanvas> {
    return std::make_unique<TQtPrinterCanvas>(printer);
  };
  PrintDialog = [this](QPrinter& printer) {
    QPrintDialog pd(&printer, this);
    pd.setObjectName(QStringLiteral("pd"));
    return pd.exec() == QDialog::Accepted;
  };
  OpenLogDialog = [this] {
    return QFileDialog::getOpenFileName(
        this, QStringLiteral("Open log"), QString(),
        QStringLiteral("Event logs (*.evt *.evtx);;wtmp files (wtmp*);;All files (*)"));
  };
  OpenFolderDialog = [this] {
    return QFileDialog::getExistingDirectory(
        this, QStringLiteral("Open a folder of logs or a journal directory"));
  };
  OpenInstallationDialog = [this] {
    return QFileDialog::getExistingDirectory(
        this, QStringLiteral("Open the drive root of a Windows installation"));
  };
  ExportDialog = [this] {
    return QFileDialog::getSaveFileName(
        this, QStringLiteral("Export"), QStringLiteral("journal.html"),
        QStringLiteral("HTML report (*.html);;CSV (*.csv);;JSON (*.json)"));
  };
  setAcceptDrops(true);
  CreateControls();
  RunCommand(this, [this] { FormCreate(); });
}

Twnd_Main::~Twnd_Main() = default;

void Twnd_Main::CreateControls() {
  setFont(LayoutFont(QStringLiteral("MS Sans Serif"), 8));
  QPalette face = palette();
  face.setColor(QPalette::Window, QApplication::palette().color(QPalette::Button));
  face.setColor(QPalette::WindowText, QApplication::palette().color(QPalette::WindowText));
  setPalette(face);

  // Menus.
  File1 = menuBar()->addMenu(QStringLiteral("&File"));
  File1->setObjectName(QStringLiteral("File1"));
  OpenLog1 = File1->addAction(QStringLiteral("&Open log..."));
  OpenLog1->setObjectName(QStringLiteral("OpenLog1"));
  OpenLog1->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_O));
  OpenFolder1 = File1->addAction(QStringLiteral("Open log &folder..."));
  OpenFolder1->setObjectName(QStringLiteral("OpenFolder1"));
  OpenInstallation1 = File1->addAction(QStringLiteral("Open &Windows installation..."));
  OpenInstallation1->setObjectName(QStringLiteral("OpenInstallation1"));
  Recent1 = File1->addMenu(QStringLiteral("Open &recent"));
  Recent1->setObjectName(QStringLiteral("Recent1"));
  ThisComputer1 = File1->addAction(QStringLiteral("&This computer"));
  ThisComputer1->setObjectName(QStringLiteral("ThisComputer1"));
  File1->addSeparator()->setObjectName(QStringLiteral("N3"));
  Refresh1 = File1->addAction(QStringLiteral("&Refresh"));
  Refresh1->setObjectName(QStringLiteral("Refresh1"));
  Refresh1->setShortcut(QKeySequence(Qt::Key_F5));
  File1->addSeparator()->setObjectName(QStringLiteral("N2"));
  Print1 = File1->addAction(QStringLiteral("&Print..."));
  Print1->setObjectName(QStringLiteral("Print1"));
  Print1->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_P));
  Export1 = File1->addAction(QStringLiteral("&Export..."));
  Export1->setObjectName(QStringLiteral("Export1"));
  Export1->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_E));
  File1->addSeparator()->setObjectName(QStringLiteral("N1"));
  Exit1 = File1->addAction(QStringLiteral("E&xit"));
  Exit1->setObjectName(QStringLiteral("Exit1"));
  About1 = menuBar()->addAction(QStringLiteral("&About..."));
  About1->setObjectName(QStringLiteral("About1"));
  connect(Refresh1, &QAction::triggered, this, &Twnd_Main::Refresh1Click);
  connect(Print1, &QAction::triggered, this, &Twnd_Main::pmPrintClick);
  connect(Exit1, &QAction::triggered, this, &Twnd_Main::Exit1Click);
  connect(About1, &QAction::triggered, this, &Twnd_Main::About1Click);
  connect(OpenLog1, &QAction::triggered, this, &Twnd_Main::OpenLog1Click);
  connect(OpenFolder1, &QAction::triggered, this, &Twnd_Main::OpenFolder1Click);
  connect(OpenInstallation1, &QAction::triggered, this, &Twnd_Main::OpenInstallation1Click);
  connect(ThisComputer1, &QAction::triggered, this, &Twnd_Main::ThisComputer1Click);
  connect(Export1, &QAction::triggered, this, &Twnd_Main::Export1Click);
  FillRecentMenu();

  auto* central = new QWidget(this);
  auto* column = new QVBoxLayout(central);
  column->setContentsMargins(0, 0, 0, 0);
  column->setSpacing(0);

  // Header.
  auto* header = new THeaderPanel(central);
  header->setObjectName(QStringLiteral("Panel1"));
  header->setFixedHeight(41);
  Panel1 = header;
  Image2 = new QLabel(header);
  Image2->setObjectName(QStringLiteral("Image2"));
  Image2->setGeometry(7, 3, 32, 32);
  Image2->setAlignment(Qt::AlignCenter);
  Image2->setPixmap(QApplication::windowIcon().pixmap(32, 32));
  lOS = new QLabel(QStringLiteral("<n/a>"), header);
  lOS->setObjectName(QStringLiteral("lOS"));
  lOS->setTextFormat(Qt::PlainText);
  lOS->setFont(LayoutFont(QStringLiteral("Tahoma"), 10, true));
  lOS->move(45, 3);
  lOS->adjustSize();
  lUser = new QLabel(QStringLiteral("<n/a>"), header);
  lUser->setObjectName(QStringLiteral("lUser"));
  lUser->setTextFormat(Qt::PlainText);
  lUser->move(51, 20);
  lUser->adjustSize();
  lInstalled = new QLabel(QStringLiteral("<n/a>"), header);
  lInstalled->setObjectName(QStringLiteral("lInstalled"));
  lInstalled->setTextFormat(Qt::PlainText);
  lInstalled->setAlignment(Qt::AlignRight | Qt::AlignTop);
  header->OnResize = [this] {
    lInstalled->adjustSize();
    lInstalled->move(Panel1->width() - 7 - lInstalled->width(), 20);
  };
  column->addWidget(header);

  // The two lists, with the splitter between them.
  FListModel = new TJournalTableModel(DayListColumns(), this);
  FMonthModel = new TJournalTableModel(MonthListColumns(), this);
  List = new TJournalListView(FListModel, true);
  List->setObjectName(QStringLiteral("List"));
  MonthList = new TJournalListView(FMonthModel, false);
  MonthList->setObjectName(QStringLiteral("MonthList"));
  Splitter1 = new QSplitter(Qt::Vertical, central);
  Splitter1->setObjectName(QStringLiteral("Splitter1"));
  Splitter1->setHandleWidth(3);
  Splitter1->setChildrenCollapsible(false);
  Splitter1->addWidget(WithMargins(List, 3));
  Splitter1->addWidget(WithMargins(MonthList, 3));
  Chart = new TUsageChart;
  Splitter1->addWidget(WithMargins(Chart, 3));
  Splitter1->setStretchFactor(0, 1);
  Splitter1->setStretchFactor(1, 0);
  Splitter1->setStretchFactor(2, 0);
  column->addWidget(Splitter1, 1);

  // Status line.
  pStatus = new QWidget(central);
  pStatus->setObjectName(QStringLiteral("pStatus"));
  pStatus->setFixedHeight(16);
  auto* status = new QHBoxLayout(pStatus);
  status->setContentsMargins(0, 0, 0, 0);
  status->setSpacing(0);
  lUptime = new QLabel(Text(std::string(kJournalProgressText)), pStatus);
  lUptime->setObjectName(QStringLiteral("lUptime"));
  lUptime->setTextFormat(Qt::PlainText);
  lUptime->setContentsMargins(3, 0, 0, 0);
  lSpenttime = new QLabel(QStringLiteral(" "), pStatus);
  lSpenttime->setObjectName(QStringLiteral("lSpenttime"));
  lSpenttime->setTextFormat(Qt::PlainText);
  lSpenttime->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
  lSpenttime->setContentsMargins(0, 0, 3, 0);
  lHistoryNote = new QLabel(pStatus);
  lHistoryNote->setObjectName(QStringLiteral("lHistoryNote"));
  lHistoryNote->setTextFormat(Qt::PlainText);
  lHistoryNote->setStyleSheet(QStringLiteral("color: #a04000;"));
  lHistoryNote->setContentsMargins(6, 0, 6, 0);
  lHistoryNote->hide();
  pbRead = new QProgressBar(pStatus);
  pbRead->setObjectName(QStringLiteral("pbRead"));
  pbRead->setTextVisible(false);
  pbRead->setFixedWidth(160);
  pbRead->hide();
  status->addWidget(lUptime, 1);
  status->addWidget(pbRead, 0);
  status->addWidget(lHistoryNote, 0);
  status->addWidget(lSpenttime, 0);
  column->addWidget(pStatus);

  setCentralWidget(central);
  // Client area 730 x 654; the month list 137 pixels high inside its margins.
  const int menuHeight = menuBar()->sizeHint().height();
  resize(730, 654 + menuHeight);
  const int listsHeight = 654 - 41 - 16 - Splitter1->handleWidth();
  const int chartHeight = 110 + 6;
  Splitter1->setSizes(
      {listsHeight - (137 + 6) - chartHeight - Splitter1->handleWidth(), 137 + 6, chartHeight});
}

void Twnd_Main::FormCreate() {
  lOS->setText(Text(FSnapshot.ShortOSName));
  lOS->adjustSize();
  lUser->setText(Text(FSnapshot.UserName));
  lUser->adjustSize();
  // An unknown installation date (day 0, 30 December 1899) is left out rather
  // than shown as a date.
  lInstalled->setText(FSnapshot.InstallDate > 0
                          ? QStringLiteral("System installed on ") +
                                Text(FormatDateTime("c", FSnapshot.InstallDate, FSettings))
                          : QString());
  lInstalled->adjustSize();
  lInstalled->move(Panel1->width() - 7 - lInstalled->width(), 20);
  UpdateTitle();
  if (FInitial) {
    const JournalSource initial = std::move(*FInitial);
    FInitial.reset();
    bool opened = false;
    RunCommand(this, [&] {
      OpenSource(initial);
      opened = true;
    });
    if (opened) {
      return;
    }
  }
  FLog = MakeOpenLog(ThisComputerSource());
  FEventLog = FLog->EventLog.get();
  UpdateHistoryNote();
  RefreshJournal();
}

void Twnd_Main::UpdateHistoryNote() {
  const QString note = FSource.ThisComputer() ? PartialHistoryNote() : QString();
  // The short form fits the status line; the whole sentence is its tooltip.
  lHistoryNote->setText(note.isEmpty() ? QString() : QStringLiteral("Partial history (wtmp only)"));
  lHistoryNote->setToolTip(note);
  lHistoryNote->setVisible(!note.isEmpty());
  lHistoryNote->setStatusTip(note);
}

void Twnd_Main::RestoreSettings() {
  QSettings settings;
  settings.beginGroup(QStringLiteral("window"));
  const QByteArray geometry = settings.value(QStringLiteral("geometry")).toByteArray();
  const bool placed = !geometry.isEmpty() && restoreGeometry(geometry);
  List->header()->restoreState(settings.value(QStringLiteral("dayColumns")).toByteArray());
  MonthList->header()->restoreState(settings.value(QStringLiteral("monthColumns")).toByteArray());
  Splitter1->restoreState(settings.value(QStringLiteral("splitter")).toByteArray());
  if (!placed) {
    CenterOnScreen(this);
  }
}

void Twnd_Main::SaveSettings() {
  QSettings settings;
  settings.beginGroup(QStringLiteral("window"));
  settings.setValue(QStringLiteral("geometry"), saveGeometry());
  settings.setValue(QStringLiteral("dayColumns"), List->header()->saveState());
  settings.setValue(QStringLiteral("monthColumns"), MonthList->header()->saveState());
  settings.setValue(QStringLiteral("splitter"), Splitter1->saveState());
}

std::unique_ptr<Twnd_Main::TOpenLog> Twnd_Main::MakeOpenLog(const JournalSource& Source) {
  report::ReportEnvironment env;
  env.services = FServices;
  auto log = std::make_unique<TOpenLog>();
  log->Opened = Source.Open(env);
  if (!log->Opened.service) {
    throw std::runtime_error(log->Opened.error.empty() ? "The log cannot be opened."
                                                       : log->Opened.error);
  }
  // A Windows installation brings its own registry, time zone and clock: its
  // journal is in that machine's local time.
  log->Services =
      log->Opened.installation ? log->Opened.installation->services(FServices) : FServices;
  // The reads report their progress to the status line.
  log->Progress = std::make_shared<TReadProgressService>(
      log->Opened.service,
      [this](std::uint64_t Done, std::uint64_t Total) { ReadProgress(Done, Total); });
  log->Services.eventLog = log->Progress.get();
  if (!log->Opened.thisMachine) {
    log->NoUptime = std::make_unique<TNoUptimeClock>(*log->Services.clock);
  }
  log->EventLog = std::make_unique<TOrvex_EventLog>(nullptr, log->Services);
  log->EventLog->SetSourceName("System");
  log->EventLog->SetExpandMessages(false);
  log->EventLog->SetLookupSID(false);
  return log;
}

void Twnd_Main::RefreshJournal() {
  tallyvane::RefreshJournal(*FEventLog, *FListModel, *FMonthModel, *this, FLog->Clock(), FSettings,
                            &FUsage);
}

void Twnd_Main::UpdateChart() {
  Chart->SetRows(FMonthModel->Rows());
  const CalendarDate today = FLog ? DecodeDate(Now(FLog->Clock())) : DecodeDate(Now());
  Chart->SetDays(FUsage, CalendarEnd(FUsage, today));
}

void Twnd_Main::OpenSource(const JournalSource& Source) {
  std::unique_ptr<TOpenLog> next = MakeOpenLog(Source);
  // What is shown now, put back when the new log cannot be read.
  const std::vector<JournalRow> days = FListModel->Rows();
  const std::vector<JournalRow> months = FMonthModel->Rows();
  const QString uptime = lUptime->text();
  const QString spent = lSpenttime->text();
  const std::vector<DayUsage> usage = FUsage;
  std::swap(FLog, next);
  FEventLog = FLog ? FLog->EventLog.get() : nullptr;
  try {
    RefreshJournal();
  } catch (...) {
    std::swap(FLog, next);
    FEventLog = FLog ? FLog->EventLog.get() : nullptr;
    for (auto [model, rows] : {std::pair{FListModel, &days}, std::pair{FMonthModel, &months}}) {
      model->BeginBulkUpdate();
      model->clear();
      for (const JournalRow& row : *rows) {
        model->append(row);
      }
      model->EndBulkUpdate();
    }
    lUptime->setText(uptime);
    lSpenttime->setText(spent);
    FUsage = usage;
    UpdateChart();
    throw;
  }
  FSource = Source;
  UpdateTitle();
  UpdateHistoryNote();
  if (!Source.ThisComputer()) {
    RememberRecent(Source.Path);
  }
}

void Twnd_Main::UpdateTitle() {
  const QString title = QString::fromLatin1(kApplicationTitle);
  setWindowTitle(FSource.ThisComputer() ? title : title + QStringLiteral(" - ") + FSource.Name);
}

QStringList Twnd_Main::RecentSources() const {
  return QSettings().value(QStringLiteral("recentSources")).toStringList();
}

void Twnd_Main::RememberRecent(const QString& Path) {
  QStringList recent = RecentSources();
  recent.removeAll(Path);
  recent.prepend(Path);
  while (recent.size() > kMaxRecentSources) {
    recent.removeLast();
  }
  QSettings().setValue(QStringLiteral("recentSources"), recent);
  FillRecentMenu();
}

void Twnd_Main::FillRecentMenu() {
  Recent1->clear();
  const QStringList recent = RecentSources();
  for (const QString& path : recent) {
    QAction* item = Recent1->addAction(path);
    connect(item, &QAction::triggered, this,
            [this, path] { RunCommand(this, [&] { OpenSource(LogSourceAt(path)); }); });
  }
  Recent1->setEnabled(!recent.isEmpty());
}

void Twnd_Main::ExportJournal(const QString& FileName) {
  report::JournalReport journal;
  journal.days = FListModel->Rows();
  journal.months = FMonthModel->Rows();
  journal.uptime = lUptime->text().toStdString();
  journal.totalSpentTime = lSpenttime->text().toStdString();
  journal.usage = FUsage;
  journal.calendarEnd = Chart->End();
  const QString suffix = QFileInfo(FileName).suffix().toLower();
  std::ofstream out(FileName.toStdString(), std::ios::binary | std::ios::trunc);
  if (!out) {
    throw std::runtime_error("Cannot write " + FileName.toStdString() + ".");
  }
  if (suffix == QLatin1String("csv")) {
    report::writeCsv(journal, out);
  } else if (suffix == QLatin1String("json")) {
    report::writeJson(journal, out);
  } else {
    const std::string name =
        FSource.ThisComputer() ? FSnapshot.MachineName : FSource.Name.toStdString();
    report::writeHtml(journal, name, out);
  }
  out.close();
  if (!out) {
    throw std::runtime_error("Cannot write " + FileName.toStdString() + ".");
  }
}

void Twnd_Main::PrintJournal(QPrinter& Printer) {
  const std::string printedAt = FormatDateTime("c", Now(*FServices.clock), FSettings);
  const std::string machine = FSnapshot.MachineName;
  const auto printDays = [&](TPrinterCanvas& canvas) {
    PrintListView(TItemViewReportSource(*List), canvas, "Tallyvane Day Journal - " + machine,
                  FSnapshot.ShortOSName, FSnapshot.Copyright, printedAt);
  };
  const auto printMonths = [&](TPrinterCanvas& canvas) {
    PrintListView(TItemViewReportSource(*MonthList), canvas, "Tallyvane Month Journal - " + machine,
                  FSnapshot.ShortOSName, FSnapshot.Copyright, printedAt);
  };
  if (!Printer.outputFileName().isEmpty()) {
    // A printer that writes to a file would write the month list over the day
    // list: both go into the one document, the month list from a new page.
    auto canvas = CanvasFactory(Printer);
    TSharedDocumentCanvas joined(*canvas);
    printDays(joined);
    printMonths(joined);
    joined.Finish();
    return;
  }
  printDays(*CanvasFactory(Printer));
  printMonths(*CanvasFactory(Printer));
}

void Twnd_Main::Refresh1Click() {
  // A log from elsewhere is opened again (the file may have grown); this
  // computer's log is read again through the same service.
  RunCommand(this, [this] {
    if (FSource.ThisComputer()) {
      RefreshJournal();
    } else {
      OpenSource(FSource);
    }
  });
}

void Twnd_Main::OpenLog1Click() {
  const QString path = OpenLogDialog();
  if (!path.isEmpty()) {
    RunCommand(this, [&] { OpenSource(LogSourceAt(path)); });
  }
}

void Twnd_Main::OpenFolder1Click() {
  const QString path = OpenFolderDialog();
  if (!path.isEmpty()) {
    RunCommand(this, [&] { OpenSource(LogSourceAt(path)); });
  }
}

void Twnd_Main::OpenInstallation1Click() {
  const QString path = OpenInstallationDialog();
  if (!path.isEmpty()) {
    RunCommand(this, [&] { OpenSource(WindowsInstallationSource(path)); });
  }
}

void Twnd_Main::ThisComputer1Click() {
  RunCommand(this, [this] { OpenSource(ThisComputerSource()); });
}

void Twnd_Main::Export1Click() {
  const QString path = ExportDialog();
  if (!path.isEmpty()) {
    RunCommand(this, [&] { ExportJournal(path); });
  }
}

void Twnd_Main::dragEnterEvent(QDragEnterEvent* Event) {
  const QMimeData* mime = Event->mimeData();
  if (mime->hasUrls() && !mime->urls().isEmpty() && mime->urls().first().isLocalFile()) {
    Event->acceptProposedAction();
  }
}

void Twnd_Main::dropEvent(QDropEvent* Event) {
  const QList<QUrl> urls = Event->mimeData()->urls();
  if (urls.isEmpty() || !urls.first().isLocalFile()) {
    return;
  }
  Event->acceptProposedAction();
  const QString path = urls.first().toLocalFile();
  RunCommand(this, [&] { OpenSource(LogSourceAt(path)); });
}

void Twnd_Main::Exit1Click() {
  close();
}

void Twnd_Main::About1Click() {
  RunCommand(this, [this] { ShowAboutDialog(0, this, FSnapshot); });
}

void Twnd_Main::pmPrintClick() {
  RunCommand(this, [this] {
    QPrinter printer(QPrinter::HighResolution);
    if (!PrintDialog(printer)) {
      return;
    }
    PrintJournal(printer);
  });
}

void Twnd_Main::closeEvent(QCloseEvent* Event) {
  SaveSettings();
  Event->accept();
}

void Twnd_Main::showEvent(QShowEvent* Event) {
  QMainWindow::showEvent(Event);
  if (!FPlaced) {
    FPlaced = true;
    // Where the user left the window, with its column widths and splitter;
    // centred the first time.
    RestoreSettings();
  }
}

void Twnd_Main::moveEvent(QMoveEvent* Event) {
  QMainWindow::moveEvent(Event);
  if (FSnapping || !isVisible() || !screen()) {
    return;
  }
  const QRect frame = frameGeometry();
  const QPoint snapped = SnapToScreenEdges(frame, screen()->availableGeometry());
  if (snapped != frame.topLeft()) {
    FSnapping = true;
    move(snapped);
    FSnapping = false;
  }
}

void Twnd_Main::setUptimeText(const std::string& text) {
  lUptime->setText(Text(text));
}

void Twnd_Main::setSpentTimeText(const std::string& text) {
  lSpenttime->setText(Text(text));
}

void Twnd_Main::repaintNow() {
  if (isVisible()) {
    repaint();
  }
}

void Twnd_Main::beginBusy() {
  if (FBusyDepth++ == 0) {
    QApplication::setOverrideCursor(Qt::WaitCursor);
    // Busy mode until a read says how far it is.
    pbRead->setRange(0, 0);
    FLastPumpMs = 0;
    FReadClock.start();
  }
}

void Twnd_Main::endBusy() {
  if (FBusyDepth > 0 && --FBusyDepth == 0) {
    FReadClock.invalidate();
    pbRead->hide();
    QApplication::restoreOverrideCursor();
  }
}

void Twnd_Main::ReadProgress(std::uint64_t Done, std::uint64_t Total) {
  if (FBusyDepth == 0) {
    return;
  }
  if (Total > 0) {
    // Progress bars count in int; a scale of per mille keeps any log in range.
    pbRead->setRange(0, 1000);
    pbRead->setValue(static_cast<int>(std::min<std::uint64_t>(Done, Total) * 1000 / Total));
  } else {
    pbRead->setRange(0, 0);
  }
  // A quick read stays as it was: no bar, no events handled in between.
  if (!FReadClock.isValid() || FReadClock.elapsed() < kProgressDelayMs) {
    return;
  }
  pbRead->show();
  // The read runs on this thread: let the window repaint now and then (not
  // the user's input, which could start another read).
  const long long now = FReadClock.elapsed();
  if (now - FLastPumpMs >= 30) {
    FLastPumpMs = now;
    QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
  }
}

void Twnd_Main::beginBulkUpdate() {
  FPendingSelection = -1;
  List->setUpdatesEnabled(false);
  MonthList->setUpdatesEnabled(false);
  FListModel->BeginBulkUpdate();
  FMonthModel->BeginBulkUpdate();
}

void Twnd_Main::endBulkUpdate() {
  FListModel->EndBulkUpdate();
  FMonthModel->EndBulkUpdate();
  if (FPendingSelection >= 0) {
    List->SelectRow(static_cast<int>(FPendingSelection));
    FPendingSelection = -1;
  }
  List->setUpdatesEnabled(true);
  MonthList->setUpdatesEnabled(true);
  UpdateChart();
}

void Twnd_Main::selectRow(std::size_t index) {
  // The models announce their rows when the bulk update ends; the selection is
  // made then, so the reset does not clear it.
  if (FListModel->InBulkUpdate()) {
    FPendingSelection = static_cast<long long>(index);
  } else {
    List->SelectRow(static_cast<int>(index));
  }
}

}  // namespace tallyvane
