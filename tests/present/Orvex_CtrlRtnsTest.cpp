#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "present/Orvex_CtrlRtns.h"

namespace tallyvane {
namespace {

// A printer that records every call. Text is 10 device pixels wide per
// character at 8 points (scaled with the size) and `rowHeight` high at 8 points.
class RecordingCanvas : public TPrinterCanvas {
 public:
  struct Op {
    std::string Kind;  // "text", "clip", "line", "newpage", "begin", "end"
    int Page = 0;
    int X = 0, Y = 0, X2 = 0, Y2 = 0;
    TRect Clip;
    std::string Text;
    TPrintFont Font;
  };
  Op make(const std::string& kind, int x = 0, int y = 0, int x2 = 0, int y2 = 0) const {
    Op op;
    op.Kind = kind;
    op.Page = page;
    op.X = x;
    op.Y = y;
    op.X2 = x2;
    op.Y2 = y2;
    op.Font = font_;
    return op;
  }

  int pageWidth = 2100, pageHeight = 291, offsetX = 0, offsetY = 0, rowHeight = 50;

  std::string documentName;
  int copies = 0;
  TPrinterOrientation orientation = TPrinterOrientation::poLandscape;
  std::vector<Op> ops;
  int page = 0;
  bool begun = false;

  void SetDocumentName(const std::string& Name) override { documentName = Name; }
  void SetCopies(int Copies) override { copies = Copies; }
  void SetOrientation(TPrinterOrientation Orientation) override { orientation = Orientation; }
  void BeginDoc() override {
    begun = true;
    page = 1;
    ops.push_back(make("begin"));
  }
  void NewPage() override {
    ++page;
    ops.push_back(make("newpage"));
  }
  void EndDoc() override { ops.push_back(make("end")); }
  int PageNumber() const override { return page; }
  int PageWidth() const override { return pageWidth; }
  int PageHeight() const override { return pageHeight; }
  int PhysicalOffsetX() const override { return offsetX; }
  int PhysicalOffsetY() const override { return offsetY; }
  void SetFont(const TPrintFont& Font) override { font_ = Font; }
  int TextWidth(const std::string& Text) override {
    return static_cast<int>(Text.size()) * 10 * font_.Size / 8;
  }
  int TextHeight(const std::string&) override { return rowHeight * font_.Size / 8; }
  void TextOut(int X, int Y, const std::string& Text) override {
    Op op = make("text", X, Y);
    op.Text = Text;
    ops.push_back(op);
  }
  void TextRect(const TRect& Clip, int X, int Y, const std::string& Text) override {
    Op op = make("clip", X, Y);
    op.Clip = Clip;
    op.Text = Text;
    ops.push_back(op);
  }
  void MoveTo(int X, int Y) override { pen_ = TPoint{X, Y}; }
  void LineTo(int X, int Y) override {
    ops.push_back(make("line", pen_.X, pen_.Y, X, Y));
    pen_ = TPoint{X, Y};
  }

  std::vector<Op> of(const std::string& kind, int onPage = 0) const {
    std::vector<Op> out;
    for (const Op& op : ops) {
      if (op.Kind == kind && (onPage == 0 || op.Page == onPage)) {
        out.push_back(op);
      }
    }
    return out;
  }
  const Op* textNamed(const std::string& text, int onPage) const {
    for (const Op& op : ops) {
      if ((op.Kind == "text" || op.Kind == "clip") && op.Text == text && op.Page == onPage) {
        return &op;
      }
    }
    return nullptr;
  }

 private:
  TPrintFont font_;
  TPoint pen_;
};

class TableList : public TReportListSource {
 public:
  std::vector<std::string> captions{"Timestamp", "Event", "Spent time"};
  std::vector<int> widths{200, 350, 150};
  std::vector<std::vector<std::string>> rows;  // caption, then sub-items

  void fill(int count) {
    rows.clear();
    for (int i = 0; i < count; ++i) {
      rows.push_back(
          {"row" + std::to_string(i), "event" + std::to_string(i), "spent" + std::to_string(i)});
    }
  }
  int ColumnCount() const override { return static_cast<int>(captions.size()); }
  std::string ColumnCaption(int c) const override { return captions[static_cast<size_t>(c)]; }
  int ColumnWidth(int c) const override { return widths[static_cast<size_t>(c)]; }
  int ItemCount() const override { return static_cast<int>(rows.size()); }
  std::string ItemCaption(int i) const override { return rows[static_cast<size_t>(i)][0]; }
  std::vector<std::string> ItemSubItems(int i) const override {
    const auto& r = rows[static_cast<size_t>(i)];
    return {r.begin() + 1, r.end()};
  }
};

void print(const TableList& list, RecordingCanvas& canvas) {
  PrintListView(list, canvas, "Title", "Header", "Footer", "1/2/2026 10:00:00");
}

TEST(RoundToEven, SendsHalvesToTheEvenNeighbour) {
  const std::vector<std::pair<double, int>> cases{
      {0.5, 0}, {1.5, 2}, {2.5, 2}, {-0.5, 0}, {-1.5, -2}, {2.4999, 2}, {2.5001, 3}, {150.0, 150}};
  for (const auto& [value, expected] : cases) {
    EXPECT_EQ(RoundToEven(value), expected) << value;
  }
}

TEST(PrintListView, ComputesMarginsColumnsAndRowsPerPage) {
  TableList list;
  list.fill(3);
  RecordingCanvas canvas;
  canvas.pageWidth = 2000;
  canvas.offsetX = 50;  // H = (2000 + 100) / 21 = 100
  canvas.pageHeight = 2800;
  canvas.offsetY = 20;  // V = 2840 / 28.215
  const TPrintMetrics m = ComputePrintMetrics(list, canvas);
  EXPECT_DOUBLE_EQ(m.H, 100.0);
  EXPECT_EQ(m.L, 150);
  EXPECT_EQ(m.R, 1850);
  EXPECT_EQ(m.U, 1700);
  // 200/700, 350/700 and 150/700 of 1700, each rounded by itself.
  EXPECT_EQ(m.X, (std::vector<int>{150, 636, 1486, 1850}));
  EXPECT_EQ(m.T, RoundToEven(2 * 2840 / 28.215));
  EXPECT_EQ(m.RH, 50);
  EXPECT_EQ(m.N, RoundToEven((2800 - 4 * (2840 / 28.215)) / 50));
  EXPECT_EQ(m.P, 1);
}

TEST(PrintListView, SetsUpTheJobAsOnePortraitCopy) {
  TableList list;
  list.fill(1);
  RecordingCanvas canvas;
  print(list, canvas);
  EXPECT_EQ(canvas.documentName, "Title");
  EXPECT_EQ(canvas.copies, 1);
  EXPECT_EQ(canvas.orientation, TPrinterOrientation::poPortrait);
  EXPECT_EQ(canvas.ops.front().Kind, "begin");
  EXPECT_EQ(canvas.ops.back().Kind, "end");
}

TEST(PrintListView, DrawsCaptionsUnderlineCellsAndPageTexts) {
  TableList list;
  list.fill(2);
  RecordingCanvas canvas;
  print(list, canvas);
  const TPrintMetrics m = ComputePrintMetrics(list, canvas);
  ASSERT_EQ(m.N, 5);
  const int padH = RoundToEven(0.1 * m.H), padV = RoundToEven(0.1 * m.V);

  // Captions: bold, centred on the column, clipped to the column less padding.
  for (int c = 0; c < 3; ++c) {
    const auto* op = canvas.textNamed(list.captions[static_cast<size_t>(c)], 1);
    ASSERT_NE(op, nullptr);
    EXPECT_EQ(op->Kind, "clip");
    EXPECT_TRUE(op->Font.Bold);
    EXPECT_EQ(op->Font.Size, 8);
    EXPECT_EQ(op->Font.Name, "Tahoma");
    const int width = static_cast<int>(op->Text.size()) * 10;
    EXPECT_EQ(op->X, m.X[c] + (m.X[c + 1] - m.X[c]) / 2 - width / 2);
    EXPECT_EQ(op->Y, m.T - padV);
    EXPECT_EQ(op->Clip, (TRect{m.X[c] + padH, m.T - padV, m.X[c + 1] - padH, m.T + m.RH - padV}));
  }
  // Cells: left-aligned whatever the column, row k at T + k * RH.
  for (int row = 0; row < 2; ++row) {
    const int y = m.T + (row + 1) * m.RH;
    const auto* spent = canvas.textNamed("spent" + std::to_string(row), 1);
    ASSERT_NE(spent, nullptr);
    EXPECT_FALSE(spent->Font.Bold);
    EXPECT_EQ(spent->X, m.X[2] + padH);
    EXPECT_EQ(spent->Y, y);
    EXPECT_EQ(spent->Clip, (TRect{m.X[2] + padH, y, m.X[3] - padH, y + m.RH}));
    const auto* caption = canvas.textNamed("row" + std::to_string(row), 1);
    ASSERT_NE(caption, nullptr);
    EXPECT_EQ(caption->X, m.X[0] + padH);
  }
  // The underline, and the page texts in 10 points.
  const int underline = m.T + m.RH - RoundToEven(0.05 * m.V);
  const auto lines = canvas.of("line");
  EXPECT_NE(std::find_if(lines.begin(), lines.end(),
                         [&](const auto& l) {
                           return l.Y == underline && l.Y2 == underline && l.X == m.X[0] - padH &&
                                  l.X2 == m.X[3] + padH;
                         }),
            lines.end());
  const int F = m.PH - RoundToEven(m.V);
  const auto* footer = canvas.textNamed("Footer", 1);
  ASSERT_NE(footer, nullptr);
  EXPECT_EQ(footer->Font.Size, 10);
  EXPECT_EQ(footer->X, m.L + (m.U - 75) / 2);  // 10 points: 12.5 pixels a character
  EXPECT_EQ(footer->Y, F);
  const auto* when = canvas.textNamed("1/2/2026 10:00:00", 1);
  ASSERT_NE(when, nullptr);
  EXPECT_EQ(when->X, m.L);
  const auto* pageNo = canvas.textNamed("1 / 1", 1);
  ASSERT_NE(pageNo, nullptr);
  EXPECT_EQ(pageNo->X, m.PW - 62 - (m.PW - m.U) / 2);
  const auto* title = canvas.textNamed("Title", 1);
  ASSERT_NE(title, nullptr);
  EXPECT_EQ(title->X, m.L);
  EXPECT_EQ(title->Y, RoundToEven(m.V));
  const auto* header = canvas.textNamed("Header", 1);
  ASSERT_NE(header, nullptr);
  EXPECT_EQ(header->X, m.PW - 75 - (m.PW - m.U) / 2);
}

TEST(PrintListView, BreaksPagesAfterNRows) {
  for (const int extra : {0, 1}) {
    TableList list;
    list.fill(5 + extra);
    RecordingCanvas canvas;
    print(list, canvas);
    const TPrintMetrics m = ComputePrintMetrics(list, canvas);
    ASSERT_EQ(m.N, 5);
    EXPECT_EQ(canvas.of("newpage").size(), static_cast<size_t>(extra));
    const std::string pages = std::to_string(1 + extra);
    EXPECT_NE(canvas.textNamed("1 / " + pages, 1), nullptr);
    EXPECT_NE(canvas.textNamed("row4", 1), nullptr);
    EXPECT_EQ(canvas.textNamed("row4", 1)->Y, m.T + 5 * m.RH);
    if (extra == 1) {
      EXPECT_NE(canvas.textNamed("2 / 2", 2), nullptr);
      const auto* last = canvas.textNamed("row5", 2);
      ASSERT_NE(last, nullptr);
      EXPECT_EQ(last->Y, m.T + m.RH);
      EXPECT_NE(canvas.textNamed("Timestamp", 2), nullptr);
      EXPECT_NE(canvas.textNamed("Title", 2), nullptr);
    }
  }
}

TEST(PrintListView, ColumnLinesReachTheLastRowOrOneRowBelowItOnTheLastPage) {
  TableList list;
  list.fill(7);  // five rows on page 1, two on page 2
  RecordingCanvas canvas;
  print(list, canvas);
  const TPrintMetrics m = ComputePrintMetrics(list, canvas);
  auto vertical = [&](int page) {
    std::vector<RecordingCanvas::Op> out;
    for (const auto& l : canvas.of("line", page)) {
      if (l.X == l.X2) {
        out.push_back(l);
      }
    }
    return out;
  };
  const auto first = vertical(1);
  ASSERT_EQ(first.size(), 2u);
  for (size_t i = 0; i < 2; ++i) {
    EXPECT_EQ(first[i].X, m.X[i + 1]);
    EXPECT_EQ(first[i].Y, m.T);
    EXPECT_EQ(first[i].Y2, m.T + (m.N + 1) * m.RH);
  }
  const auto last = vertical(2);
  ASSERT_EQ(last.size(), 2u);
  for (const auto& l : last) {
    EXPECT_EQ(l.Y2, m.T + (2 + 2) * m.RH);
  }
}

TEST(PrintListView, ColumnOfWidthZeroTakesNoSpaceAndPrintsNothing) {
  TableList list;
  list.widths = {200, 0, 150};
  list.fill(6);
  RecordingCanvas canvas;
  print(list, canvas);
  const TPrintMetrics m = ComputePrintMetrics(list, canvas);
  EXPECT_EQ(m.X[1], m.X[2]);
  for (int page : {1, 2}) {
    EXPECT_EQ(canvas.textNamed("Event", page), nullptr);
    EXPECT_NE(canvas.textNamed("Spent time", page), nullptr);
  }
  EXPECT_EQ(canvas.textNamed("event0", 1), nullptr);
  EXPECT_NE(canvas.textNamed("spent0", 1), nullptr);
  auto verticalXs = [&](int page) {
    std::vector<int> xs;
    for (const auto& l : canvas.of("line", page)) {
      if (l.X == l.X2) {
        xs.push_back(l.X);
      }
    }
    return xs;
  };
  // Not the last page: only right of a column with a width.
  EXPECT_EQ(verticalXs(1), (std::vector<int>{m.X[1]}));
  // The last page: at every inner boundary.
  EXPECT_EQ(verticalXs(2), (std::vector<int>{m.X[1], m.X[2]}));
}

TEST(PrintListView, MissingSubItemsPrintEmptyCells) {
  TableList list;
  list.rows = {{"only caption"}};
  RecordingCanvas canvas;
  print(list, canvas);
  const auto cells = canvas.of("clip");
  // Three captions and three cells, the last two empty.
  ASSERT_EQ(cells.size(), 6u);
  EXPECT_EQ(cells[3].Text, "only caption");
  EXPECT_EQ(cells[4].Text, "");
  EXPECT_EQ(cells[5].Text, "");
}

TEST(PrintListView, EmptyListGivesOneBlankPage) {
  TableList list;
  RecordingCanvas canvas;
  print(list, canvas);
  ASSERT_EQ(canvas.ops.size(), 2u);
  EXPECT_EQ(canvas.ops[0].Kind, "begin");
  EXPECT_EQ(canvas.ops[1].Kind, "end");
}

TEST(PrintListView, PageTooSmallForOneRowPrintsNothingAndSaysSo) {
  TableList list;
  list.fill(3);
  RecordingCanvas canvas;
  canvas.pageHeight = 20;  // (20 - 4V) / 50 rounds to 0
  EXPECT_THROW(print(list, canvas), EPrintPageTooSmall);
  EXPECT_FALSE(canvas.begun);
  EXPECT_TRUE(canvas.ops.empty());
}

TEST(DrawSeparatorRow, ChoosesFillAndLineByFocusHotAndTheme) {
  const TColor white = RGBColor(255, 255, 255), blue = RGBColor(0, 120, 215),
               hot = RGBColor(0, 102, 204);
  struct Case {
    bool focused, hot, hasSelection, themes;
    TColor fill, line;
    bool fillRect, defaultDraw;
  };
  const std::vector<Case> cases{
      {false, false, true, false, white, clSilver, true, true},
      {false, true, true, false, white, clSilver, true, true},
      {true, false, true, false, blue, white, true, true},
      {true, true, true, false, hot, white, true, true},
      {true, false, false, false, white, clSilver, true, true},
      {false, false, true, true, white, clSilver, false, false},
      {true, false, true, true, blue, white, false, false},
  };
  for (const Case& c : cases) {
    TSeparatorPaintState s;
    s.RowOrigin = {-30, 48};
    s.ColumnsWidth = 700;
    s.Focused = c.focused;
    s.Hot = c.hot;
    s.ListHasSelection = c.hasSelection;
    s.ThemesActive = c.themes;
    s.NormalBackground = white;
    s.Highlight = blue;
    s.HotLight = hot;
    s.LineColor = clSilver;
    const TSeparatorPaint p = DrawSeparatorRow(s);
    SCOPED_TRACE(::testing::Message() << c.focused << c.hot << c.hasSelection << c.themes);
    EXPECT_EQ(p.FillColor, c.fill);
    EXPECT_EQ(p.LineColor, c.line);
    EXPECT_EQ(p.FillRect, c.fillRect);
    EXPECT_EQ(p.DefaultDraw, c.defaultDraw);
    // Scrolled sideways: the line still starts at the row's left edge.
    EXPECT_EQ(p.Rect, (TRect{-30, 48, 670, 64}));
    EXPECT_EQ(p.LineFrom, (TPoint{-30, 56}));
    EXPECT_EQ(p.LineTo, (TPoint{665, 56}));
  }
}

}  // namespace
}  // namespace tallyvane
