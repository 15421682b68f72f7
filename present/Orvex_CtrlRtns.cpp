#include "present/Orvex_CtrlRtns.h"

#include <cfenv>
#include <cmath>
#include <cstdio>
#include <limits>

namespace tallyvane {

int RoundToEven(double Value) {
  // nearbyint rounds in the current mode; the default mode (and the one we set
  // here for safety) sends halves to the even neighbour.
  const int saved = std::fegetround();
  std::fesetround(FE_TONEAREST);
  const double rounded = std::nearbyint(Value);
  std::fesetround(saved);
  if (!(rounded >= static_cast<double>(std::numeric_limits<int>::min())) ||
      !(rounded <= static_cast<double>(std::numeric_limits<int>::max()))) {
    return Value < 0 ? std::numeric_limits<int>::min() : std::numeric_limits<int>::max();
  }
  return static_cast<int>(rounded);
}

namespace {

const TPrintFont kRowFont{"Tahoma", 8, false, clBlack};
const TPrintFont kCaptionFont{"Tahoma", 8, true, clBlack};
const TPrintFont kPageFont{"Tahoma", 10, false, clBlack};

std::string PageNumberText(int Page, int Pages) {
  char buffer[64];
  std::snprintf(buffer, sizeof buffer, "%d / %d", Page, Pages);
  return buffer;
}

}  // namespace

TPrintMetrics ComputePrintMetrics(const TReportListSource& List, TPrinterCanvas& Printer) {
  TPrintMetrics m;
  m.PH = Printer.PageHeight();
  m.PW = Printer.PageWidth();
  m.V = (m.PH + 2.0 * Printer.PhysicalOffsetY()) / 28.215;
  m.H = (m.PW + 2.0 * Printer.PhysicalOffsetX()) / 21.0;
  m.L = RoundToEven(1.5 * m.H);
  m.R = m.PW - RoundToEven(1.5 * m.H);
  m.U = m.R - m.L;

  const int n = List.ColumnCount() > 0 ? List.ColumnCount() : 0;
  long long W = 0;
  for (int c = 0; c < n; ++c) {
    W += List.ColumnWidth(c) > 0 ? List.ColumnWidth(c) : 0;
  }
  m.X.assign(static_cast<std::size_t>(n) + 1, m.L);
  for (int c = 0; c < n; ++c) {
    const int w = List.ColumnWidth(c) > 0 ? List.ColumnWidth(c) : 0;
    // With no width at all there is nothing to share; every column gets none.
    const int share =
        W > 0 ? RoundToEven(static_cast<double>(w) / static_cast<double>(W) * m.U) : 0;
    m.X[static_cast<std::size_t>(c) + 1] = m.X[static_cast<std::size_t>(c)] + share;
  }
  m.T = RoundToEven(2 * m.V);

  Printer.SetFont(kRowFont);
  m.RH = Printer.TextHeight("W");
  m.N = m.RH > 0 ? RoundToEven((m.PH - 4 * m.V) / m.RH) : 0;
  const int items = List.ItemCount();
  if (m.N > 0) {
    m.P = items <= 0 ? 1 : (items + m.N - 1) / m.N;
  }
  return m;
}

void PrintListView(const TReportListSource& List, TPrinterCanvas& Printer, const std::string& Title,
                   const std::string& HeaderText, const std::string& FooterText,
                   const std::string& PrintTimeText) {
  Printer.SetDocumentName(Title);
  Printer.SetCopies(1);
  Printer.SetOrientation(TPrinterOrientation::poPortrait);

  // The metrics are taken before the job starts so that a page too small for a
  // single row stops here, with nothing sent to the printer.
  const TPrintMetrics m = ComputePrintMetrics(List, Printer);
  if (m.N <= 0) {
    throw EPrintPageTooSmall(
        "The printer's page is too small to hold a single row of the list; nothing was printed.");
  }

  const int n = static_cast<int>(m.X.size()) - 1;
  const int items = List.ItemCount();
  const int padH = RoundToEven(0.1 * m.H);
  const int padV = RoundToEven(0.1 * m.V);
  auto X = [&](int i) { return m.X[static_cast<std::size_t>(i)]; };

  auto drawDecorations = [&](int firstItem) {
    const int page = Printer.PageNumber();
    // Column lines at the inner boundaries.
    for (int i = 1; i < n; ++i) {
      if (page != m.P) {
        if (List.ColumnWidth(i - 1) > 0) {
          Printer.MoveTo(X(i), m.T);
          Printer.LineTo(X(i), m.T + (m.N + 1) * m.RH);
        }
      } else {
        const int remaining = items - firstItem;
        Printer.MoveTo(X(i), m.T);
        Printer.LineTo(X(i), m.T + (remaining + 2) * m.RH);
      }
    }
    // Column captions, centred in their columns.
    Printer.SetFont(kCaptionFont);
    for (int c = 0; c < n; ++c) {
      if (List.ColumnWidth(c) <= 0) {
        continue;
      }
      const std::string caption = List.ColumnCaption(c);
      const TRect clip{X(c) + padH, m.T - padV, X(c + 1) - padH, m.T + m.RH - padV};
      const int x = X(c) + (X(c + 1) - X(c)) / 2 - Printer.TextWidth(caption) / 2;
      Printer.TextRect(clip, x, m.T - padV, caption);
    }
    // The caption underline.
    const int underline = m.T + m.RH - RoundToEven(0.05 * m.V);
    Printer.MoveTo(X(0) - padH, underline);
    Printer.LineTo(X(n) + padH, underline);
    // Footer and header.
    Printer.SetFont(kPageFont);
    const int F = m.PH - RoundToEven(m.V);
    const int headerTop = RoundToEven(m.V);
    Printer.TextOut(m.L + (m.U - Printer.TextWidth(FooterText)) / 2, F, FooterText);
    Printer.TextOut(m.L, F, PrintTimeText);
    const std::string pageText = PageNumberText(page, m.P);
    Printer.TextOut(m.PW - Printer.TextWidth(pageText) - (m.PW - m.U) / 2, F, pageText);
    Printer.TextOut(m.L, headerTop, Title);
    Printer.TextOut(m.PW - Printer.TextWidth(HeaderText) - (m.PW - m.U) / 2, headerTop, HeaderText);
    Printer.SetFont(kRowFont);
  };

  Printer.BeginDoc();
  Printer.SetFont(kRowFont);
  int k = 0;
  for (int item = 0; item < items; ++item) {
    if (k == 0 || k > m.N) {
      if (k > m.N) {
        Printer.NewPage();
      }
      k = 1;
      drawDecorations(item);
    }
    const int y = m.T + k * m.RH;
    std::vector<std::string> subItems = List.ItemSubItems(item);
    for (int c = 0; c < n; ++c) {
      if (List.ColumnWidth(c) <= 0) {
        continue;
      }
      std::string text;
      if (c == 0) {
        text = List.ItemCaption(item);
      } else if (static_cast<std::size_t>(c - 1) < subItems.size()) {
        text = subItems[static_cast<std::size_t>(c - 1)];
      }
      const TRect cell{X(c) + padH, y, X(c + 1) - padH, y + m.RH};
      Printer.TextRect(cell, cell.Left, y, text);
    }
    ++k;
  }
  Printer.EndDoc();
}

TSeparatorPaint DrawSeparatorRow(const TSeparatorPaintState& State) {
  TSeparatorPaint p;
  if (State.ThemesActive) {
    p.DefaultDraw = false;
  }
  p.Rect = TRect{State.RowOrigin.X, State.RowOrigin.Y, State.RowOrigin.X + State.ColumnsWidth,
                 State.RowOrigin.Y + SeparatorRowHeight};
  const TColor normal = State.NormalBackground;
  TColor fill = normal;
  if (State.Focused && State.ListHasSelection) {
    fill = State.Hot ? State.HotLight : State.Highlight;
  }
  p.FillColor = fill;
  p.FillRect = !State.ThemesActive;
  p.LineColor = fill == normal ? State.LineColor : normal;
  const int middle = p.Rect.Top + SeparatorRowHeight / 2;
  p.LineFrom = TPoint{p.Rect.Left, middle};
  p.LineTo = TPoint{p.Rect.Right - 5, middle};
  return p;
}

}  // namespace tallyvane
