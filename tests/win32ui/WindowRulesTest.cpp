// The day list's painting rules and the About dialog's texts, decided without
// the Windows API.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "DayListPaint.h"
#include "app/common/AboutTexts.h"
#include "journal/JournalListModel.h"
#include "present/SharedDocumentCanvas.h"

namespace tallyvane {
namespace {

TEST(DayListRowPaint, BoldStartsRedShutdownsAndSeparatorsByStage) {
  using S = TListPaintStage;
  struct Case {
    int marker;
    S stage;
    bool bold;
    TColor colour;
    bool separator;
  };
  const Case cases[] = {
      {kRowOrdinary, S::Row, false, clBlack, false},
      {kRowOrdinary, S::SubItem, false, clBlack, false},
      // A day's first start is bold in all three columns.
      {kRowDayStart, S::Row, true, clBlack, false},
      {kRowDayStart, S::SubItem, true, clBlack, false},
      // An unexpected shutdown: the time stamp stays black, the rest is red.
      {kRowUnexpectedShutdown, S::Row, false, clBlack, false},
      {kRowUnexpectedShutdown, S::SubItem, false, clRed, false},
      // The separator painter runs from the row rule only.
      {kRowSeparator, S::Row, false, clBlack, true},
      {kRowSeparator, S::SubItem, false, clBlack, false},
  };
  for (const Case& c : cases) {
    for (const bool themes : {false, true}) {
      SCOPED_TRACE(::testing::Message() << "marker " << c.marker << " sub-item "
                                        << (c.stage == S::SubItem) << " themes " << themes);
      const TRowPaint paint = DayListRowPaint(c.marker, c.stage, themes);
      EXPECT_EQ(paint.Bold, c.bold);
      EXPECT_EQ(paint.FontColor, c.colour);
      EXPECT_EQ(paint.Separator, c.separator);
      EXPECT_EQ(paint.TransparentTextBackground, themes);
    }
  }
}

TSnapshotTexts SampleFacts() {
  TSnapshotTexts f;
  f.OSName = "Windows 10 Pro";
  f.OSEdition = "x64";
  f.ProductName = "Tallyvane Journal";
  f.Version = "0.1.0";
  f.Description = "Usage journal";
  f.Comments = "When was this computer in use";
  f.Copyright = "Copyright (C) 2026 Tallyvane";
  return f;
}

TEST(AboutDialogTexts, EnglishTextsFromTheVersionInformation) {
  const TAboutDialogTexts t = AboutDialogTexts(0, SampleFacts());
  EXPECT_EQ(t.Caption, "About....");
  EXPECT_EQ(t.lProduct, "Tallyvane Journal");
  EXPECT_EQ(t.lVer, "Version 0.1.0");
  EXPECT_EQ(t.lDesc, "When was this computer in use");
  EXPECT_EQ(t.lCR, "Copyright (C) 2026 Tallyvane");
  EXPECT_EQ(t.lOS2, "Windows 10 Pro x64");
  EXPECT_EQ(t.lEmail, std::string(kAboutEmailLink).substr(7));
  EXPECT_EQ(t.lEmail.find("mailto:"), std::string::npos);
  EXPECT_EQ(std::string(kAboutWebLink).substr(0, 7) + t.lWWW, kAboutWebLink);
  EXPECT_EQ(t.mLic, AboutTexts[0][8]);
}

TEST(AboutDialogTexts, CzechRowAndFallbacks) {
  TSnapshotTexts f = SampleFacts();
  f.Comments.clear();
  f.OSEdition.clear();
  const TAboutDialogTexts cz = AboutDialogTexts(1, f);
  EXPECT_EQ(cz.Caption, "O programu....");
  EXPECT_EQ(cz.lVer, "Verze 0.1.0");
  // Without comments the description shows; an empty edition leaves no blank.
  EXPECT_EQ(cz.lDesc, "Usage journal");
  EXPECT_EQ(cz.lOS2, "Windows 10 Pro");
  // A row that does not exist reads as English.
  EXPECT_EQ(AboutDialogTexts(7, f).Caption, "About....");
  // Empty version fields leave the labels empty.
  const TAboutDialogTexts empty = AboutDialogTexts(0, TSnapshotTexts{});
  EXPECT_EQ(empty.lProduct, "");
  EXPECT_EQ(empty.lVer, "Version ");
  EXPECT_EQ(empty.lOS2, "");
}

// A printer that keeps the job calls and the texts printed, with fixed metrics.
class JobRecorder : public TPrinterCanvas {
 public:
  std::vector<std::string> calls;  // "begin", "page", "end", and "text:" + each text
  std::string documentName;
  int page = 0;

  void SetDocumentName(const std::string& Name) override { documentName = Name; }
  void SetCopies(int) override {}
  void SetOrientation(TPrinterOrientation) override {}
  void BeginDoc() override {
    page = 1;
    calls.push_back("begin");
  }
  void NewPage() override {
    ++page;
    calls.push_back("page");
  }
  void EndDoc() override { calls.push_back("end"); }
  int PageNumber() const override { return page; }
  int PageWidth() const override { return 2100; }
  int PageHeight() const override { return 2970; }
  int PhysicalOffsetX() const override { return 0; }
  int PhysicalOffsetY() const override { return 0; }
  void SetFont(const TPrintFont&) override {}
  int TextWidth(const std::string& Text) override { return static_cast<int>(Text.size()) * 10; }
  int TextHeight(const std::string&) override { return 50; }
  void TextOut(int, int, const std::string& Text) override { calls.push_back("text:" + Text); }
  void TextRect(const TRect&, int, int, const std::string&) override {}
  void MoveTo(int, int) override {}
  void LineTo(int, int) override {}
};

class Rows : public TReportListSource {
 public:
  explicit Rows(int Count) : FCount(Count) {}
  int ColumnCount() const override { return 1; }
  std::string ColumnCaption(int) const override { return "Column"; }
  int ColumnWidth(int) const override { return 100; }
  int ItemCount() const override { return FCount; }
  std::string ItemCaption(int Item) const override { return "row " + std::to_string(Item); }
  std::vector<std::string> ItemSubItems(int) const override { return {}; }

 private:
  int FCount;
};

TEST(SharedDocumentCanvas, TwoListsMakeOneDocumentEachNumberedOnItsOwn) {
  JobRecorder printer;
  // Rows per page on this paper: nearest((2970 - 4 * 2970 / 28.215) / 50) = 51.
  const Rows days(52), months(3);
  {
    TSharedDocumentCanvas document(printer);
    PrintListView(days, document, "Day", "header", "footer", "now");
    PrintListView(months, document, "Month", "header", "footer", "now");
    document.Finish();
  }
  std::vector<std::string> jobs, numbers;
  for (const std::string& call : printer.calls) {
    if (call.rfind("text:", 0) != 0) {
      jobs.push_back(call);
    } else if (call.find(" / ") != std::string::npos) {
      numbers.push_back(call.substr(5));
    }
  }
  // One document: the day list's two pages, a new page, the month list's one.
  EXPECT_EQ(jobs, (std::vector<std::string>{"begin", "page", "page", "end"}));
  EXPECT_EQ(numbers, (std::vector<std::string>{"1 / 2", "2 / 2", "1 / 1"}));
  EXPECT_EQ(printer.documentName, "Day");
}

TEST(SharedDocumentCanvas, EndsTheDocumentWhenLeftUnfinished) {
  JobRecorder printer;
  {
    TSharedDocumentCanvas document(printer);
    PrintListView(Rows(1), document, "Day", "", "", "");
  }
  EXPECT_EQ(printer.calls.back(), "end");
}

}  // namespace
}  // namespace tallyvane
