#include "app/qt/Main.h"

#include <QAction>
#include <QApplication>
#include <QCloseEvent>
#include <QFrame>
#include <QHBoxLayout>
#include <QLabel>
#include <QMenuBar>
#include <QPainter>
#include <QPrintDialog>
#include <QPrinter>
#include <QScreen>
#include <QSplitter>
#include <QVBoxLayout>

#include "app/qt/AboutDlg.h"
#include "app/qt/AppStart.h"
#include "app/qt/JournalListView.h"
#include "app/qt/JournalModels.h"
#include "app/qt/QtPrinterCanvas.h"
#include "eventlog/Qzi_EventLog.h"
#include "journal/JournalBuilder.h"
#include "present/DateFormat.h"

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

Twnd_Main::Twnd_Main(const platform::Services& Services, const TSnapshotTexts& Snapshot,
                     const FormatSettings& Settings, QWidget* Parent)
    : QMainWindow(Parent), FServices(Services), FSnapshot(Snapshot), FSettings(Settings) {
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
  Refresh1 = File1->addAction(QStringLiteral("&Refresh"));
  Refresh1->setObjectName(QStringLiteral("Refresh1"));
  Refresh1->setShortcut(QKeySequence(Qt::Key_F5));
  File1->addSeparator()->setObjectName(QStringLiteral("N2"));
  Print1 = File1->addAction(QStringLiteral("&Print..."));
  Print1->setObjectName(QStringLiteral("Print1"));
  Print1->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_P));
  File1->addSeparator()->setObjectName(QStringLiteral("N1"));
  Exit1 = File1->addAction(QStringLiteral("E&xit"));
  Exit1->setObjectName(QStringLiteral("Exit1"));
  About1 = menuBar()->addAction(QStringLiteral("&About..."));
  About1->setObjectName(QStringLiteral("About1"));
  connect(Refresh1, &QAction::triggered, this, &Twnd_Main::Refresh1Click);
  connect(Print1, &QAction::triggered, this, &Twnd_Main::pmPrintClick);
  connect(Exit1, &QAction::triggered, this, &Twnd_Main::Exit1Click);
  connect(About1, &QAction::triggered, this, &Twnd_Main::About1Click);

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
  Splitter1->setStretchFactor(0, 1);
  Splitter1->setStretchFactor(1, 0);
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
  status->addWidget(lUptime, 1);
  status->addWidget(lSpenttime, 0);
  column->addWidget(pStatus);

  setCentralWidget(central);
  // Client area 730 x 654; the month list 137 pixels high inside its margins.
  const int menuHeight = menuBar()->sizeHint().height();
  resize(730, 654 + menuHeight);
  const int listsHeight = 654 - 41 - 16 - Splitter1->handleWidth();
  Splitter1->setSizes({listsHeight - (137 + 6), 137 + 6});
}

void Twnd_Main::FormCreate() {
  FEventLog = new TOrvex_EventLog(&FComponents, FServices);
  FEventLog->SetSourceName("System");
  FEventLog->SetExpandMessages(false);
  FEventLog->SetLookupSID(false);
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
  RefreshJournal();
}

void Twnd_Main::RefreshJournal() {
  if (!FEventLog) {
    FEventLog = new TOrvex_EventLog(&FComponents, FServices);
  }
  tallyvane::RefreshJournal(*FEventLog, *FListModel, *FMonthModel, *this, *FServices.clock,
                            FSettings);
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
    TJoinedDocumentCanvas joined(*canvas);
    printDays(joined);
    printMonths(joined);
    joined.Finish();
    return;
  }
  printDays(*CanvasFactory(Printer));
  printMonths(*CanvasFactory(Printer));
}

void Twnd_Main::Refresh1Click() {
  RunCommand(this, [this] { RefreshJournal(); });
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
  Event->accept();
}

void Twnd_Main::showEvent(QShowEvent* Event) {
  QMainWindow::showEvent(Event);
  if (!FPlaced) {
    FPlaced = true;
    CenterOnScreen(this);
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
  }
}

void Twnd_Main::endBusy() {
  if (FBusyDepth > 0 && --FBusyDepth == 0) {
    QApplication::restoreOverrideCursor();
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
