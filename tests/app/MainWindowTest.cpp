#include <gtest/gtest.h>

#include <QDir>
#include <QDropEvent>
#include <QFile>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QMimeData>
#include <QProgressBar>
#include <QRegularExpression>
#include <QSettings>
#include <QTemporaryDir>
#include <QThread>
#include <QUrl>
#include <fstream>
#include <set>

#include <QAction>
#include <QApplication>
#include <QHeaderView>
#include <QLabel>
#include <QMenuBar>
#include <QMessageBox>
#include <QScrollBar>
#include <QSignalSpy>
#include <QSplitter>
#include <QTest>
#include <QTimer>

#include "AppTestSupport.h"
#include "app/qt/AppStart.h"
#include "app/qt/JournalListView.h"
#include "app/qt/JournalModels.h"
#include "app/qt/Main.h"
#include "app/qt/UsageChart.h"
#include "eventlog/Qzi_EventLog.h"
#include "journal/JournalBuilder.h"
#include "platform/EvtFileWriter.h"

namespace tallyvane {
namespace {

QString Plain(QString caption) {
  return caption.remove(QLatin1Char('&'));
}

std::string Utf8(const QString& s) {
  return s.toUtf8().toStdString();
}

// Records the errors the application shows, instead of opening a modal box.
struct ErrorRecorder {
  QStringList texts;
  ErrorRecorder() {
    SetErrorPresenter([this](QWidget*, const QString& text) { texts << text; });
  }
  ~ErrorRecorder() { SetErrorPresenter({}); }
};

class MainWindowTest : public ::testing::Test {
 protected:
  testing::KnownMachine machine;
  FormatSettings settings;  // month/day/year, 12-hour clock

  std::unique_ptr<Twnd_Main> MakeWindow() {
    return std::make_unique<Twnd_Main>(machine.services, testing::KnownSnapshot(), settings);
  }
};

TEST_F(MainWindowTest, MenusCaptionsAndShortcuts) {
  auto w = MakeWindow();
  EXPECT_EQ(w->windowTitle(), "Tallyvane Journal");
  EXPECT_EQ(Plain(w->File1->title()), "File");
  QStringList captions;
  for (QAction* item : w->File1->actions()) {
    captions << (item->isSeparator() ? QStringLiteral("-") : Plain(item->text()));
  }
  EXPECT_EQ(captions, (QStringList{"Open log...", "Open log folder...",
                                   "Open Windows installation...", "Open recent", "This computer",
                                   "-", "Refresh", "-", "Print...", "Export...", "-", "Exit"}));
  EXPECT_EQ(w->OpenLog1->shortcut(), QKeySequence(Qt::CTRL | Qt::Key_O));
  EXPECT_EQ(w->Refresh1->shortcut(), QKeySequence(Qt::Key_F5));
  EXPECT_EQ(w->Print1->shortcut(), QKeySequence(Qt::CTRL | Qt::Key_P));
  EXPECT_EQ(w->Export1->shortcut(), QKeySequence(Qt::CTRL | Qt::Key_E));
  EXPECT_TRUE(w->Exit1->shortcut().isEmpty());
  const QList<QAction*> bar = w->menuBar()->actions();
  ASSERT_EQ(bar.size(), 2);
  EXPECT_EQ(bar[0]->menu(), w->File1);
  EXPECT_EQ(Plain(bar[1]->text()), "About...");
}

TEST_F(MainWindowTest, LayoutColumnsAndHeader) {
  auto w = MakeWindow();
  w->show();
  QApplication::processEvents();
  EXPECT_EQ(w->centralWidget()->size(), QSize(730, 654));
  EXPECT_EQ(w->Panel1->height(), 41);
  EXPECT_EQ(w->pStatus->height(), 16);
  EXPECT_EQ(w->MonthList->height(), 137);
  struct Column {
    TJournalListView* view;
    int index;
    const char* caption;
    int width;
  };
  for (const Column& c :
       {Column{w->List, 0, "Timestamp", 200}, Column{w->List, 1, "Event", 350},
        Column{w->List, 2, "Spent time", 150}, Column{w->MonthList, 0, "Month", 150},
        Column{w->MonthList, 1, "Spent time", 100},
        Column{w->MonthList, 2, "Spent working days", 120}}) {
    EXPECT_EQ(c.view->model()->headerData(c.index, Qt::Horizontal).toString(), c.caption);
    EXPECT_EQ(c.view->header()->sectionSize(c.index), c.width) << c.caption;
  }
  for (TJournalListView* view : {w->List, w->MonthList}) {
    EXPECT_FALSE(view->header()->sectionsClickable());
    EXPECT_EQ(view->selectionBehavior(), QAbstractItemView::SelectRows);
    EXPECT_EQ(view->editTriggers(), QAbstractItemView::NoEditTriggers);
    // The selection looks the same whether or not the list has the focus.
    EXPECT_EQ(view->palette().color(QPalette::Inactive, QPalette::Highlight),
              view->palette().color(QPalette::Active, QPalette::Highlight));
  }
  EXPECT_EQ(w->lOS->text(), "Debian GNU/Linux 12 (bookworm) x64");
  EXPECT_EQ(w->lUser->text(), "ada");
  EXPECT_EQ(w->lInstalled->text(), "System installed on 1/1/2024 10:30:00 AM");
  EXPECT_EQ(w->lInstalled->geometry().right() + 1, w->Panel1->width() - 7);
  EXPECT_FALSE(w->Image2->pixmap().isNull());
}

TEST_F(MainWindowTest, UnknownInstallDateLeavesTheDateTextOut) {
  auto snapshot = testing::KnownSnapshot();
  snapshot.InstallDate = 0;
  Twnd_Main w(machine.services, snapshot, settings);
  EXPECT_EQ(w.lInstalled->text(), "");
}

TEST_F(MainWindowTest, ViewsHoldExactlyWhatTheBuilderWrites) {
  auto w = MakeWindow();
  // The same build into plain vectors.
  TOrvex_EventLog log(nullptr, machine.services);
  log.SetSourceName("System");
  VectorListModel days, months;
  TextOnlyJournalView texts;
  RefreshJournal(log, days, months, texts, machine.clock, settings);

  ASSERT_FALSE(days.rows.empty());
  EXPECT_EQ(w->ListModel()->Rows(), days.rows);
  EXPECT_EQ(w->MonthListModel()->Rows(), months.rows);
  EXPECT_EQ(Utf8(w->lUptime->text()), texts.uptimeText);
  EXPECT_EQ(Utf8(w->lSpenttime->text()), texts.spentTimeText);
  // What the views show, cell by cell.
  for (int r = 0; r < w->ListModel()->rowCount(); ++r) {
    const JournalRow& row = days.rows[static_cast<size_t>(r)];
    const QAbstractItemModel* m = w->List->model();
    EXPECT_EQ(Utf8(m->index(r, 0).data().toString()), row.Caption);
    EXPECT_EQ(Utf8(m->index(r, 1).data().toString()), row.SubItem1);
    EXPECT_EQ(Utf8(m->index(r, 2).data().toString()), row.SubItem2);
    EXPECT_EQ(m->index(r, 0).data(RowMarkerRole).toInt(), row.RowMarker);
  }
  // The known log has every kind of row.
  std::set<int> markers;
  for (const auto& row : days.rows) {
    markers.insert(row.RowMarker);
  }
  EXPECT_EQ(markers,
            (std::set<int>{kRowOrdinary, kRowSeparator, kRowDayStart, kRowUnexpectedShutdown}));
  ASSERT_FALSE(months.rows.empty());
  EXPECT_EQ(months.rows[0].Caption, "February 2026");
  // The last row is selected and current.
  const int last = w->ListModel()->rowCount() - 1;
  EXPECT_EQ(w->List->currentIndex().row(), last);
  EXPECT_TRUE(w->List->selectionModel()->isRowSelected(last, QModelIndex()));
}

TEST_F(MainWindowTest, RefreshTwiceGivesIdenticalListsAndOneResetEach) {
  auto w = MakeWindow();
  w->show();
  const auto days = w->ListModel()->Rows();
  const auto months = w->MonthListModel()->Rows();
  QSignalSpy resets(w->ListModel(), &QAbstractItemModel::modelReset);
  QSignalSpy inserts(w->ListModel(), &QAbstractItemModel::rowsInserted);
  w->Refresh1->trigger();
  w->Refresh1->trigger();
  EXPECT_EQ(w->ListModel()->Rows(), days);
  EXPECT_EQ(w->MonthListModel()->Rows(), months);
  EXPECT_EQ(resets.count(), 2);
  EXPECT_EQ(inserts.count(), 0);
  EXPECT_EQ(QApplication::overrideCursor(), nullptr);
  EXPECT_TRUE(w->List->updatesEnabled());
  EXPECT_EQ(w->List->currentIndex().row(), w->ListModel()->rowCount() - 1);
}

// Notes the status text each time the label paints.
class PaintRecorder : public QObject {
 public:
  QStringList painted;
  bool eventFilter(QObject* watched, QEvent* event) override {
    if (event->type() == QEvent::Paint) {
      painted << static_cast<QLabel*>(watched)->text();
    }
    return false;
  }
};

TEST_F(MainWindowTest, ProgressTextIsPaintedAndTheCursorBusyWhileTheListsFill) {
  auto w = MakeWindow();
  w->show();
  ASSERT_TRUE(QTest::qWaitForWindowExposed(w.get()));
  PaintRecorder recorder;
  w->lUptime->installEventFilter(&recorder);
  QStringList paintedBeforeRows;
  Qt::CursorShape cursor = Qt::ArrowCursor;
  bool listsFrozen = false;
  w->ListModel()->BeforeAddRow = [&] {
    if (paintedBeforeRows.isEmpty()) {
      paintedBeforeRows = recorder.painted;
      cursor = QApplication::overrideCursor() ? QApplication::overrideCursor()->shape()
                                              : Qt::ArrowCursor;
      listsFrozen = !w->List->updatesEnabled() && !w->MonthList->updatesEnabled();
    }
  };
  w->Refresh1->trigger();
  EXPECT_TRUE(paintedBeforeRows.contains("Collecting data...please wait"));
  EXPECT_EQ(cursor, Qt::WaitCursor);
  EXPECT_TRUE(listsFrozen);
  EXPECT_EQ(QApplication::overrideCursor(), nullptr);
  w->lUptime->removeEventFilter(&recorder);
}

TEST_F(MainWindowTest, F5KeyRefreshes) {
  auto w = MakeWindow();
  w->show();
  ASSERT_TRUE(QTest::qWaitForWindowActive(w.get()));
  const int opens = machine.service.opens;
  QTest::keyClick(w.get(), Qt::Key_F5);
  EXPECT_GT(machine.service.opens, opens);
}

TEST_F(MainWindowTest, ErrorInsideARefreshIsShownAndTheWindowStaysUsable) {
  ErrorRecorder errors;
  auto w = MakeWindow();
  w->show();
  const auto full = w->ListModel()->Rows();
  const QString uptime = w->lUptime->text();
  int added = 0;
  w->ListModel()->BeforeAddRow = [&] {
    if (++added > 3) {
      throw std::runtime_error("The list cannot take another row.");
    }
  };
  w->Refresh1->trigger();
  ASSERT_EQ(errors.texts, QStringList{"The list cannot take another row."});
  EXPECT_EQ(w->ListModel()->rowCount(), 3);  // the rows built so far stay
  EXPECT_EQ(w->lUptime->text(), "Collecting data...please wait");
  EXPECT_EQ(QApplication::overrideCursor(), nullptr);
  EXPECT_TRUE(w->List->updatesEnabled());
  EXPECT_FALSE(w->ListModel()->InBulkUpdate());
  EXPECT_TRUE(w->isVisible());

  w->ListModel()->BeforeAddRow = nullptr;
  w->Refresh1->trigger();
  EXPECT_EQ(errors.texts.size(), 1);
  EXPECT_EQ(w->ListModel()->Rows(), full);
  EXPECT_EQ(w->lUptime->text(), uptime);
}

TEST_F(MainWindowTest, ErrorShowsARealMessageBoxWithItsText) {
  auto w = MakeWindow();
  w->show();
  w->ListModel()->BeforeAddRow = [] { throw std::runtime_error("Out of rows."); };
  QString shown;
  QString caption;
  QTimer::singleShot(0, [&] {
    auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
    if (box) {
      shown = box->text();
      caption = box->windowTitle();
      box->accept();
    }
  });
  w->Refresh1->trigger();
  EXPECT_EQ(shown, "Out of rows.");
  EXPECT_EQ(caption, "Tallyvane Journal");
  EXPECT_TRUE(w->isVisible());
}

TEST_F(MainWindowTest, EmptyLogLeavesNoSelectionAndShowsTheUptime) {
  testing::FakeEventLogService empty;
  empty.addLog("System", {});
  platform::Services services = machine.services;
  services.eventLog = &empty;
  Twnd_Main w(services, testing::KnownSnapshot(), settings);
  EXPECT_EQ(w.ListModel()->rowCount(), 0);
  EXPECT_EQ(w.MonthListModel()->rowCount(), 0);
  EXPECT_FALSE(w.List->selectionModel()->hasSelection());
  EXPECT_EQ(w.lSpenttime->text(), "Total spent time: 3h 30m");
  EXPECT_TRUE(w.lUptime->text().startsWith("Current uptime: "));
}

TEST_F(MainWindowTest, ExitClosesTheWindow) {
  auto w = MakeWindow();
  w->show();
  w->Exit1->trigger();
  EXPECT_FALSE(w->isVisible());
}

// Renders rows of each kind and looks at their pixels.
class RowPaintingTest : public ::testing::Test {
 protected:
  TJournalTableModel model{DayListColumns()};
  std::unique_ptr<TJournalListView> view;
  QImage image;

  void SetUp() override {
    for (int marker : {kRowOrdinary, kRowDayStart, kRowUnexpectedShutdown, kRowSeparator}) {
      if (marker == kRowSeparator) {
        model.append(JournalRow{"", "", "", marker});
      } else {
        model.append(JournalRow{"Monday, 3/2/2026 8:00:00 AM", "The operating system started",
                                "9h 00m", marker});
      }
    }
    model.append(JournalRow{"x", "y", "z", kRowOrdinary});
    view = std::make_unique<TJournalListView>(&model, true);
    view->setFont(LayoutFont(QStringLiteral("MS Sans Serif"), 8));  // the window's font
    view->resize(760, 200);
    view->show();
    view->SelectRow(4);  // the selection on a row of its own
    image = view->viewport()->grab().toImage().convertToFormat(QImage::Format_RGB32);
  }

  QRect Cell(int row, int column) const { return view->visualRect(model.index(row, column)); }

  // The ink of a cell: the sum of how much darker than white its pixels are.
  long Ink(const QRect& r) const {
    long ink = 0;
    for (int y = r.top(); y <= r.bottom(); ++y) {
      for (int x = r.left(); x <= r.right(); ++x) {
        ink += 255 - qGray(image.pixel(x, y));
      }
    }
    return ink;
  }

  // Pixels of text colour: dark ones, or red ones.
  int Count(const QRect& r, bool red) const {
    int n = 0;
    for (int y = r.top(); y <= r.bottom(); ++y) {
      for (int x = r.left(); x <= r.right(); ++x) {
        const QColor c = image.pixelColor(x, y);
        const bool isRed = c.red() > 180 && c.green() < 90 && c.blue() < 90;
        const bool isDark = c.red() < 100 && c.green() < 100 && c.blue() < 100;
        n += red ? isRed : isDark;
      }
    }
    return n;
  }
};

TEST_F(RowPaintingTest, DayStartIsBoldInEveryColumn) {
  for (int column = 0; column < 3; ++column) {
    EXPECT_GT(Ink(Cell(1, column)), Ink(Cell(0, column)) * 6 / 5) << column;
  }
}

TEST_F(RowPaintingTest, UnexpectedShutdownIsRedExceptItsTimestamp) {
  EXPECT_EQ(Count(Cell(2, 0), true), 0);
  EXPECT_GT(Count(Cell(2, 0), false), 20);
  EXPECT_GT(Count(Cell(2, 1), true), 20);
  EXPECT_GT(Count(Cell(2, 2), true), 10);
  EXPECT_EQ(Count(Cell(0, 1), true), 0);
}

TEST_F(RowPaintingTest, SeparatorIsASilverLineAcrossTheColumns) {
  const QRect row = Cell(3, 0);
  const int y = row.top() + 8;
  const int width = 200 + 350 + 150;
  const QColor silver(192, 192, 192);
  EXPECT_EQ(image.pixelColor(0, y), silver);
  EXPECT_EQ(image.pixelColor(width / 2, y), silver);
  EXPECT_EQ(image.pixelColor(width - 6, y), silver);
  EXPECT_NE(image.pixelColor(width - 4, y), silver);
  EXPECT_NE(image.pixelColor(width / 2, y - 2), silver);
  EXPECT_NE(image.pixelColor(width / 2, y + 2), silver);
}

TEST_F(RowPaintingTest, SeparatorLineStartsAtTheRowsEdgeWhenScrolledSideways) {
  view->resize(650, 200);
  view->horizontalScrollBar()->setValue(view->horizontalScrollBar()->maximum());
  ASSERT_GT(view->header()->offset(), 0);
  const QImage scrolled = view->viewport()->grab().toImage();
  const int y = Cell(3, 0).top() + 8;
  const int right = 700 - 5 - view->header()->offset();
  ASSERT_LT(right + 1, scrolled.width());
  const QColor silver(192, 192, 192);
  EXPECT_EQ(scrolled.pixelColor(0, y), silver);
  EXPECT_EQ(scrolled.pixelColor(right - 1, y), silver);
  EXPECT_NE(scrolled.pixelColor(right + 1, y), silver);
}

// The known log saved as an .evt file, opened by each of the window's ways.
class OpenLogTest : public MainWindowTest {
 protected:
  QTemporaryDir dir;
  QString evt;
  void SetUp() override {
    QSettings().remove(QStringLiteral("recentSources"));
    evt = dir.filePath(QStringLiteral("machine.evt"));
    const auto bytes = platform::writeEvtFile(testing::KnownSystemLog(), 1);
    std::ofstream(evt.toStdString(), std::ios::binary)
        .write(reinterpret_cast<const char*>(bytes.data()),
               static_cast<std::streamsize>(bytes.size()));
  }
  static void Drop(Twnd_Main& w, const QString& path) {
    QMimeData mime;
    mime.setUrls({QUrl::fromLocalFile(path)});
    QDragEnterEvent enter(QPoint(10, 10), Qt::CopyAction, &mime, Qt::LeftButton, Qt::NoModifier);
    QCoreApplication::sendEvent(&w, &enter);
    ASSERT_TRUE(enter.isAccepted());
    QDropEvent drop(QPointF(10, 10), Qt::CopyAction, &mime, Qt::LeftButton, Qt::NoModifier);
    QCoreApplication::sendEvent(&w, &drop);
  }
};

TEST_F(OpenLogTest, ArgumentActionAndDropGiveTheSameJournalAndNameTheSource) {
  ErrorRecorder errors;
  Twnd_Main byArgument(machine.services, testing::KnownSnapshot(), settings, nullptr,
                       LogSourceAt(evt));
  ASSERT_TRUE(errors.texts.isEmpty()) << Utf8(errors.texts.join("; "));
  EXPECT_EQ(byArgument.windowTitle(), "Tallyvane Journal - machine.evt");
  const auto days = byArgument.ListModel()->Rows();
  ASSERT_GT(days.size(), 5u);
  auto byAction = MakeWindow();
  // A log from elsewhere has no uptime of this machine.
  EXPECT_NE(byArgument.lUptime->text(), byAction->lUptime->text());
  const auto own = byAction->ListModel()->Rows();
  int asked = 0;
  byAction->OpenLogDialog = [&] {
    ++asked;
    return evt;
  };
  byAction->OpenLog1->trigger();
  EXPECT_EQ(asked, 1);
  EXPECT_EQ(byAction->ListModel()->Rows(), days);
  EXPECT_EQ(byAction->windowTitle(), "Tallyvane Journal - machine.evt");

  // F5 reads the file again; This computer returns to the machine's own log.
  byAction->Refresh1->trigger();
  EXPECT_EQ(byAction->ListModel()->Rows(), days);
  byAction->ThisComputer1->trigger();
  EXPECT_EQ(byAction->ListModel()->Rows(), own);
  EXPECT_EQ(byAction->windowTitle(), "Tallyvane Journal");

  auto byDrop = MakeWindow();
  Drop(*byDrop, evt);
  EXPECT_EQ(byDrop->ListModel()->Rows(), days);
  EXPECT_TRUE(errors.texts.isEmpty()) << Utf8(errors.texts.join("; "));

  // The file is remembered once, and the recent menu opens it.
  EXPECT_EQ(byDrop->RecentSources(), QStringList{QFileInfo(evt).absoluteFilePath()});
  auto another = MakeWindow();
  ASSERT_EQ(another->Recent1->actions().size(), 1);
  another->Recent1->actions().first()->trigger();
  EXPECT_EQ(another->ListModel()->Rows(), days);
}

TEST_F(OpenLogTest, AWindowsInstallationIsOpenedFromItsDriveRoot) {
  ErrorRecorder errors;
  auto w = MakeWindow();
  w->OpenLogDialog = [&] { return evt; };
  w->OpenLog1->trigger();
  const auto direct = w->ListModel()->Rows();

  // An XP-style tree, its folder names in the case NTFS mounts show them.
  const QString root = dir.filePath(QStringLiteral("xpdrive"));
  ASSERT_TRUE(QDir().mkpath(root + QStringLiteral("/WINDOWS/system32/Config")));
  ASSERT_TRUE(QFile::copy(evt, root + QStringLiteral("/WINDOWS/system32/Config/SysEvent.Evt")));
  int asked = 0;
  w->OpenInstallationDialog = [&] {
    ++asked;
    return root;
  };
  w->OpenInstallation1->trigger();
  EXPECT_EQ(asked, 1);
  EXPECT_TRUE(errors.texts.isEmpty()) << Utf8(errors.texts.join("; "));
  EXPECT_EQ(w->ListModel()->Rows(), direct);
  EXPECT_EQ(w->windowTitle(), "Tallyvane Journal - xpdrive");

  // A folder that is no installation is refused and the journal stays.
  w->OpenInstallationDialog = [&] { return dir.path(); };
  w->OpenInstallation1->trigger();
  ASSERT_EQ(errors.texts.size(), 1);
  EXPECT_TRUE(errors.texts[0].contains(QStringLiteral("not the root of a Windows installation")))
      << Utf8(errors.texts[0]);
  EXPECT_EQ(w->windowTitle(), "Tallyvane Journal - xpdrive");
  EXPECT_EQ(w->ListModel()->Rows(), direct);
}

TEST_F(OpenLogTest, ALogThatCannotBeOpenedLeavesThePreviousJournal) {
  ErrorRecorder errors;
  auto w = MakeWindow();
  w->OpenLogDialog = [&] { return evt; };
  w->OpenLog1->trigger();
  const auto days = w->ListModel()->Rows();
  const auto months = w->MonthListModel()->Rows();
  const QString spent = w->lSpenttime->text();

  const QString text = dir.filePath(QStringLiteral("notes.txt"));
  std::ofstream(text.toStdString()) << "not a log\n";
  struct Case {
    const char* name;
    QString path;
    const char* error;
  };
  for (const Case& c : {Case{"missing", dir.filePath(QStringLiteral("gone.evtx")), "no such file"},
                        Case{"not a log", text, "not a log file of a known format"},
                        Case{"empty folder", dir.filePath(QStringLiteral("empty")), ""}}) {
    SCOPED_TRACE(c.name);
    QDir().mkpath(dir.filePath(QStringLiteral("empty")));
    errors.texts.clear();
    w->OpenLogDialog = [&] { return c.path; };
    w->OpenLog1->trigger();
    ASSERT_EQ(errors.texts.size(), 1);
    EXPECT_TRUE(errors.texts[0].contains(QString::fromUtf8(c.error))) << Utf8(errors.texts[0]);
    EXPECT_EQ(w->ListModel()->Rows(), days);
    EXPECT_EQ(w->MonthListModel()->Rows(), months);
    EXPECT_EQ(w->lSpenttime->text(), spent);
    EXPECT_EQ(w->windowTitle(), "Tallyvane Journal - machine.evt");
  }
  // A cancelled dialog changes nothing.
  errors.texts.clear();
  w->OpenLogDialog = [] { return QString(); };
  w->OpenLog1->trigger();
  EXPECT_TRUE(errors.texts.isEmpty());
  EXPECT_EQ(w->ListModel()->Rows(), days);
}

TEST_F(OpenLogTest, ExportWritesEachFormatWithBothLists) {
  ErrorRecorder errors;
  auto w = MakeWindow();
  const auto days = w->ListModel()->Rows();
  const auto months = w->MonthListModel()->Rows();
  const auto read = [](const QString& path) {
    QFile file(path);
    EXPECT_TRUE(file.open(QIODevice::ReadOnly)) << Utf8(path);
    return QString::fromUtf8(file.readAll());
  };

  const QString csv = dir.filePath(QStringLiteral("journal.csv"));
  w->ExportDialog = [&] { return csv; };
  w->Export1->trigger();
  const QStringList lines = read(csv).split(QLatin1Char('\n'), Qt::SkipEmptyParts);
  ASSERT_FALSE(lines.isEmpty());
  EXPECT_EQ(lines[0], "list,caption,subitem1,subitem2,marker");
  EXPECT_EQ(lines.filter(QRegularExpression(QStringLiteral("^day,"))).size(),
            static_cast<qsizetype>(days.size()));
  EXPECT_EQ(lines.filter(QRegularExpression(QStringLiteral("^month,"))).size(),
            static_cast<qsizetype>(months.size()));
  EXPECT_EQ(lines.last(), "status," + w->lSpenttime->text() + ",,,");

  const QString json = dir.filePath(QStringLiteral("journal.json"));
  w->ExportDialog = [&] { return json; };
  w->Export1->trigger();
  const QJsonObject object = QJsonDocument::fromJson(read(json).toUtf8()).object();
  ASSERT_EQ(object.value(QStringLiteral("days")).toArray().size(),
            static_cast<qsizetype>(days.size()));
  EXPECT_EQ(object.value(QStringLiteral("months")).toArray().size(),
            static_cast<qsizetype>(months.size()));
  EXPECT_EQ(object.value(QStringLiteral("days"))
                .toArray()
                .first()
                .toObject()
                .value(QStringLiteral("timestamp")),
            QString::fromStdString(days.front().Caption));

  const QString html = dir.filePath(QStringLiteral("journal.html"));
  w->ExportDialog = [&] { return html; };
  w->Export1->trigger();
  const QString page = read(html);
  EXPECT_TRUE(page.startsWith("<!DOCTYPE html>"));
  EXPECT_TRUE(page.contains("<title>Tallyvane Journal - WORKSTATION-07</title>"));
  EXPECT_TRUE(page.contains("@media print"));
  EXPECT_TRUE(page.contains(w->lSpenttime->text()));
  EXPECT_EQ(page.count(QStringLiteral("<rect class=\"bar\"")),
            static_cast<qsizetype>(months.size()));
  for (const JournalRow& row : days) {
    if (row.RowMarker != kRowSeparator) {
      EXPECT_TRUE(page.contains(QString::fromStdString(row.Caption))) << row.Caption;
    }
  }
  EXPECT_EQ(page.count(QStringLiteral("<tr class=\"crash\">")),
            std::count_if(days.begin(), days.end(), [](const JournalRow& r) {
              return r.RowMarker == kRowUnexpectedShutdown;
            }));

  // A file that cannot be written is an error, not a silent loss.
  w->ExportDialog = [&] { return dir.filePath(QStringLiteral("no/such/folder/journal.csv")); };
  w->Export1->trigger();
  ASSERT_EQ(errors.texts.size(), 1);
  EXPECT_TRUE(errors.texts[0].startsWith("Cannot write "));
}

TEST_F(MainWindowTest, PartialHistoryIsNotedForThisComputerOnly) {
  struct Restore {
    ~Restore() { SetSystemJournalAccessCheck({}); }
  } restore;
  SetSystemJournalAccessCheck([] { return false; });
  auto w = MakeWindow();
  w->show();
  EXPECT_TRUE(w->lHistoryNote->isVisible());
  EXPECT_EQ(w->lHistoryNote->text(), "Partial history (wtmp only)");
  EXPECT_TRUE(w->lHistoryNote->toolTip().contains("systemd-journal"));
  // The rows are there all the same.
  EXPECT_GT(w->ListModel()->rowCount(), 0);

  // A log from elsewhere is whole whatever the user may read here.
  QTemporaryDir dir;
  const QString evt = dir.filePath(QStringLiteral("other.evt"));
  const auto bytes = platform::writeEvtFile(testing::KnownSystemLog(), 1);
  std::ofstream(evt.toStdString(), std::ios::binary)
      .write(reinterpret_cast<const char*>(bytes.data()),
             static_cast<std::streamsize>(bytes.size()));
  w->OpenSource(LogSourceAt(evt));
  EXPECT_FALSE(w->lHistoryNote->isVisible());

  SetSystemJournalAccessCheck([] { return true; });
  w->ThisComputer1->trigger();
  EXPECT_FALSE(w->lHistoryNote->isVisible());
}

TEST_F(MainWindowTest, WindowColumnsAndSplitterAreRemembered) {
  QSettings().remove(QStringLiteral("window"));
  QRect geometry;
  QList<int> sizes;
  {
    auto w = MakeWindow();
    w->show();
    QApplication::processEvents();
    w->resize(900, 700);
    w->move(40, 30);
    w->List->header()->resizeSection(1, 420);
    w->MonthList->header()->resizeSection(0, 180);
    w->Splitter1->setSizes({300, 250});
    QApplication::processEvents();
    geometry = w->geometry();
    sizes = w->Splitter1->sizes();
    w->close();
  }
  auto w = MakeWindow();
  w->show();
  QApplication::processEvents();
  EXPECT_EQ(w->size(), geometry.size());
  EXPECT_EQ(w->List->header()->sectionSize(1), 420);
  EXPECT_EQ(w->MonthList->header()->sectionSize(0), 180);
  EXPECT_EQ(w->Splitter1->sizes(), sizes);
  QSettings().remove(QStringLiteral("window"));
}

QColor PixelAt(const QImage& image, QPoint p) {
  return image.pixelColor(static_cast<int>(p.x() * image.devicePixelRatio()),
                          static_cast<int>(p.y() * image.devicePixelRatio()));
}

TEST_F(MainWindowTest, ChartShowsTheDaysAsAHeatMapAndTheMonthsAsBars) {
  auto w = MakeWindow();
  w->show();
  QApplication::processEvents();
  // A cell for every day of a year; the used days are those the list closes
  // with a spent time, shaded by the sessions' sum.
  const UsageCalendar& cal = w->Chart->Calendar();
  ASSERT_GE(cal.Cells.size(), 365u);
  const auto closed = std::count_if(w->ListModel()->Rows().begin(), w->ListModel()->Rows().end(),
                                    [](const JournalRow& r) { return !r.SubItem2.empty(); });
  const auto used = std::count_if(cal.Cells.begin(), cal.Cells.end(),
                                  [](const CalendarCell& c) { return c.Usage != nullptr; });
  ASSERT_GT(used, 0);
  EXPECT_EQ(used, closed);

  const QImage image = w->Chart->grab().toImage();
  const std::vector<QRect> cells = w->Chart->CellRects();
  ASSERT_EQ(cells.size(), cal.Cells.size());
  std::set<int> levels;
  for (std::size_t i = 0; i < cells.size(); ++i) {
    SCOPED_TRACE(CellDescription(cal.Cells[i]));
    const int level = HeatLevel(cal.Cells[i].Minutes);
    levels.insert(level);
    EXPECT_EQ(PixelAt(image, cells[i].center()), TUsageChart::HeatColor(level));
    EXPECT_TRUE(w->Chart->rect().contains(cells[i]));
  }
  EXPECT_GE(levels.size(), 2u);  // used and unused days look different
  // Cells do not overlap: a week column apart, a day row apart.
  ASSERT_GT(cells.size(), 8u);
  EXPECT_EQ(cells[7].left() - cells[0].left(), cells[0].width() + 1);
  EXPECT_GE(cells[0].width(), 8);

  const auto& months = w->Chart->Months();
  ASSERT_EQ(months.size(), w->MonthListModel()->Rows().size());
  ASSERT_FALSE(months.empty());
  const std::vector<QRect> bars = w->Chart->BarRects();
  ASSERT_EQ(bars.size(), months.size());
  for (const QRect& r : bars) {
    EXPECT_GT(r.left(), cells.back().right());  // right of the map
    EXPECT_LE(r.right(), w->Chart->width());
    EXPECT_GE(r.width(), 8);  // no slivers at the window's first size
    if (r.height() > 0) {
      EXPECT_EQ(PixelAt(image, r.center()), TUsageChart::kMonthColor);
    }
  }
  // The tallest month reaches the top of the plot.
  EXPECT_EQ(std::min_element(bars.begin(), bars.end(),
                             [](const QRect& a, const QRect& b) { return a.top() < b.top(); })
                ->top(),
            6);
}

// Counts the times a widget is shown.
class ShowCounter : public QObject {
 public:
  int shows = 0;
  bool eventFilter(QObject* Watched, QEvent* Event) override {
    if (Event->type() == QEvent::Show) {
      ++shows;
    }
    return QObject::eventFilter(Watched, Event);
  }
};

TEST_F(MainWindowTest, ALongReadShowsAProgressBarUntilItEnds) {
  auto w = MakeWindow();
  w->show();
  QApplication::processEvents();
  ShowCounter counter;
  w->pbRead->installEventFilter(&counter);
  ASSERT_FALSE(w->pbRead->isVisible());

  // A quick read: no bar.
  w->Refresh1->trigger();
  EXPECT_EQ(counter.shows, 0);

  // A slow source: every read takes a while, the whole well over the delay.
  int reads = 0;
  machine.service.readHook = [&](std::uint32_t, std::uint32_t, std::size_t) -> std::uint32_t {
    ++reads;
    QThread::msleep(Twnd_Main::kProgressDelayMs / 2 + 20);
    return 0;
  };
  w->Refresh1->trigger();
  EXPECT_GE(reads, 3) << "the fixture's log should take several reads";
  EXPECT_EQ(counter.shows, 1);
  EXPECT_FALSE(w->pbRead->isVisible());  // gone when the read is over
  EXPECT_FALSE(w->ListModel()->Rows().empty());
  w->pbRead->removeEventFilter(&counter);
}

}  // namespace
}  // namespace tallyvane
