// The day list's painting rules and the About dialog's texts, decided without
// the Windows API.
#include <gtest/gtest.h>

#include "AboutTexts.h"
#include "DayListPaint.h"
#include "journal/JournalListModel.h"

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

TWindowFacts SampleFacts() {
  TWindowFacts f;
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
  TWindowFacts f = SampleFacts();
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
  const TAboutDialogTexts empty = AboutDialogTexts(0, TWindowFacts{});
  EXPECT_EQ(empty.lProduct, "");
  EXPECT_EQ(empty.lVer, "Version ");
  EXPECT_EQ(empty.lOS2, "");
}

}  // namespace
}  // namespace tallyvane
