#include <gtest/gtest.h>

#include <QDir>
#include <QHeaderView>
#include <QPrinter>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>

#include "AppTestSupport.h"
#include "app/qt/JournalListView.h"
#include "app/qt/JournalModels.h"
#include "app/qt/Main.h"
#include "app/qt/QtPrinterCanvas.h"

namespace tallyvane {
namespace {

// Counts the pages of a PDF file with pdfinfo; -1 when it cannot tell.
int PdfPages(const QString& path) {
  QProcess pdfinfo;
  pdfinfo.start(QStringLiteral("pdfinfo"), {path});
  if (!pdfinfo.waitForFinished(30000) || pdfinfo.exitCode() != 0) {
    return -1;
  }
  for (const QString& line : QString::fromUtf8(pdfinfo.readAllStandardOutput()).split('\n')) {
    if (line.startsWith(QStringLiteral("Pages:"))) {
      return line.mid(6).trimmed().toInt();
    }
  }
  return -1;
}

void PdfPrinter(QPrinter& printer, const QString& file) {
  printer.setOutputFormat(QPrinter::PdfFormat);
  printer.setOutputFileName(file);
  printer.setPageSize(QPageSize(QPageSize::A4));
}

TEST(QtPrint, PdfHasOnePageForNRowsAndTwoForNPlusOne) {
  if (QStandardPaths::findExecutable(QStringLiteral("pdfinfo")).isEmpty()) {
    GTEST_SKIP() << "pdfinfo (poppler-utils) is not installed";
  }
  QTemporaryDir dir;
  ASSERT_TRUE(dir.isValid());
  TJournalTableModel model(DayListColumns());
  TJournalListView view(&model, true);

  QPrinter probe(QPrinter::HighResolution);
  PdfPrinter(probe, dir.filePath("probe.pdf"));
  TQtPrinterCanvas probeCanvas(probe);
  const TPrintMetrics metrics = ComputePrintMetrics(TItemViewReportSource(view), probeCanvas);
  ASSERT_GT(metrics.N, 10);
  EXPECT_GT(metrics.PW, 0);

  for (const auto& [rows, pages] : std::vector<std::pair<int, int>>{
           {0, 1}, {metrics.N, 1}, {metrics.N + 1, 2}, {2 * metrics.N + 1, 3}}) {
    model.clear();
    for (int i = 0; i < rows; ++i) {
      model.append(JournalRow{"Monday, 3/2/2026 8:00:00 AM", "The operating system started",
                              i % 5 == 0 ? "9h 00m (8h 10m)" : "", kRowOrdinary});
    }
    const QString file = dir.filePath(QStringLiteral("list-%1.pdf").arg(rows));
    QPrinter printer(QPrinter::HighResolution);
    PdfPrinter(printer, file);
    TQtPrinterCanvas canvas(printer);
    PrintListView(TItemViewReportSource(view), canvas, "Tallyvane Day Journal - TEST", "Header",
                  "Footer", "3/4/2026 12:00:00 PM");
    EXPECT_EQ(PdfPages(file), pages) << rows << " rows";
  }
}

TEST(QtPrint, ReportSourceReadsCaptionsCurrentWidthsAndTexts) {
  TJournalTableModel model(MonthListColumns());
  model.append(JournalRow{"February 2026", "7h 44m", "0.97", 0});
  TJournalListView view(&model, false);
  view.header()->resizeSection(1, 0);
  const TItemViewReportSource source(view);
  EXPECT_EQ(source.ColumnCount(), 3);
  EXPECT_EQ(source.ColumnCaption(2), "Spent working days");
  EXPECT_EQ(source.ColumnWidth(0), 150);
  EXPECT_EQ(source.ColumnWidth(1), 0);
  EXPECT_EQ(source.ItemCount(), 1);
  EXPECT_EQ(source.ItemCaption(0), "February 2026");
  EXPECT_EQ(source.ItemSubItems(0), (std::vector<std::string>{"7h 44m", "0.97"}));
}

// A canvas that only notes which jobs were started.
class JobRecorder : public TPrinterCanvas {
 public:
  explicit JobRecorder(std::vector<std::string>& jobs) : FJobs(jobs) {}
  void SetDocumentName(const std::string& Name) override { FName = Name; }
  void SetCopies(int) override {}
  void SetOrientation(TPrinterOrientation) override {}
  void BeginDoc() override { FJobs.push_back(FName); }
  void NewPage() override {}
  void EndDoc() override {}
  int PageNumber() const override { return 1; }
  int PageWidth() const override { return 4800; }
  int PageHeight() const override { return 6800; }
  int PhysicalOffsetX() const override { return 0; }
  int PhysicalOffsetY() const override { return 0; }
  void SetFont(const TPrintFont&) override {}
  int TextWidth(const std::string&) override { return 10; }
  int TextHeight(const std::string&) override { return 40; }
  void TextOut(int, int, const std::string&) override {}
  void TextRect(const TRect&, int, int, const std::string&) override {}
  void MoveTo(int, int) override {}
  void LineTo(int, int) override {}

 private:
  std::vector<std::string>& FJobs;
  std::string FName;
};

TEST(PrintCommand, CancelPrintsNothingAndOkPrintsTheDayListThenTheMonthList) {
  testing::KnownMachine machine;
  Twnd_Main w(machine.services, testing::KnownSnapshot(), FormatSettings{});
  std::vector<std::string> jobs;
  w.CanvasFactory = [&](QPrinter&) { return std::make_unique<JobRecorder>(jobs); };
  int dialogs = 0;
  bool answer = false;
  w.PrintDialog = [&](QPrinter&) {
    ++dialogs;
    return answer;
  };
  w.Print1->trigger();
  EXPECT_EQ(dialogs, 1);
  EXPECT_TRUE(jobs.empty());
  answer = true;
  w.Print1->trigger();
  EXPECT_EQ(jobs, (std::vector<std::string>{"Tallyvane Day Journal - WORKSTATION-07",
                                            "Tallyvane Month Journal - WORKSTATION-07"}));
}

TEST(PrintCommand, PrintingToAPdfFileKeepsBothListsInOneDocument) {
  if (QStandardPaths::findExecutable(QStringLiteral("pdfinfo")).isEmpty()) {
    GTEST_SKIP() << "pdfinfo (poppler-utils) is not installed";
  }
  QTemporaryDir dir;
  ASSERT_TRUE(dir.isValid());
  const QString file = dir.filePath(QStringLiteral("journal.pdf"));
  testing::KnownMachine machine;
  Twnd_Main w(machine.services, testing::KnownSnapshot(), FormatSettings{});
  w.PrintDialog = [&](QPrinter& printer) {
    PdfPrinter(printer, file);
    return true;
  };
  // Each list fits on one page alone.
  w.Print1->trigger();
  EXPECT_EQ(PdfPages(file), 2);

  // A day list of several pages: the document holds the pages of each list
  // printed alone.
  for (int i = 0; i < 150; ++i) {
    w.ListModel()->append(JournalRow{"Monday, 3/2/2026 8:00:00 AM", "The operating system started",
                                     "", kRowOrdinary});
  }
  w.Print1->trigger();
  const auto alone = [&](const QTreeView& view, const QString& name) {
    QPrinter printer(QPrinter::HighResolution);
    PdfPrinter(printer, dir.filePath(name));
    TQtPrinterCanvas canvas(printer);
    PrintListView(TItemViewReportSource(view), canvas, "T", "H", "F", "P");
    return PdfPages(dir.filePath(name));
  };
  const int days = alone(*w.List, QStringLiteral("days.pdf"));
  EXPECT_GE(days, 2);
  EXPECT_EQ(PdfPages(file), days + alone(*w.MonthList, QStringLiteral("months.pdf")));
}

}  // namespace
}  // namespace tallyvane
