#pragma once
// Routines for report-style list controls that do not depend on a toolkit:
// the layout of a printed list (PrintListView) over a small printer-canvas
// interface, and the decisions of the separator-row painter (DrawSeparatorRow).
// The window's toolkit supplies the canvas, the list and the actual painting.
#include <cstdint>
#include <stdexcept>
#include <string>
#include <vector>

namespace tallyvane {

// A colour as 0x00BBGGRR, the layout of a Windows COLORREF.
using TColor = std::uint32_t;

constexpr TColor RGBColor(int r, int g, int b) {
  return static_cast<TColor>((r & 0xFF) | ((g & 0xFF) << 8) | ((b & 0xFF) << 16));
}
constexpr int ColorRed(TColor c) {
  return static_cast<int>(c & 0xFF);
}
constexpr int ColorGreen(TColor c) {
  return static_cast<int>((c >> 8) & 0xFF);
}
constexpr int ColorBlue(TColor c) {
  return static_cast<int>((c >> 16) & 0xFF);
}

inline constexpr TColor clBlack = RGBColor(0, 0, 0);
inline constexpr TColor clRed = RGBColor(255, 0, 0);
inline constexpr TColor clSilver = RGBColor(192, 192, 192);

struct TPoint {
  int X = 0;
  int Y = 0;
  friend bool operator==(const TPoint&, const TPoint&) = default;
};

struct TRect {
  int Left = 0;
  int Top = 0;
  int Right = 0;
  int Bottom = 0;
  friend bool operator==(const TRect&, const TRect&) = default;
};

// ---------------------------------------------------------------------------
// Printing a report list.

enum class TPrinterOrientation { poPortrait, poLandscape };

struct TPrintFont {
  std::string Name = "Tahoma";
  int Size = 8;  // points
  bool Bold = false;
  TColor Color = clBlack;
  friend bool operator==(const TPrintFont&, const TPrintFont&) = default;
};

// What the layout needs of a printer: job control, page metrics in device
// pixels (origin at the top-left corner of the printable area), and a canvas.
// Errors of the printing platform are thrown by the implementation.
class TPrinterCanvas {
 public:
  virtual ~TPrinterCanvas() = default;

  virtual void SetDocumentName(const std::string& Name) = 0;
  virtual void SetCopies(int Copies) = 0;
  virtual void SetOrientation(TPrinterOrientation Orientation) = 0;

  // Starts the job and its first page (page number 1).
  virtual void BeginDoc() = 0;
  virtual void NewPage() = 0;
  virtual void EndDoc() = 0;
  virtual int PageNumber() const = 0;

  // The printable area and its offset from the paper's edge (PHYSICALOFFSETX/Y).
  // Valid once the orientation is set, before BeginDoc.
  virtual int PageWidth() const = 0;
  virtual int PageHeight() const = 0;
  virtual int PhysicalOffsetX() const = 0;
  virtual int PhysicalOffsetY() const = 0;

  virtual void SetFont(const TPrintFont& Font) = 0;
  // Measured in the current font; valid before BeginDoc.
  virtual int TextWidth(const std::string& Text) = 0;
  virtual int TextHeight(const std::string& Text) = 0;
  // Text with its top-left corner at (X, Y).
  virtual void TextOut(int X, int Y, const std::string& Text) = 0;
  // The same, with everything outside Clip cut away.
  virtual void TextRect(const TRect& Clip, int X, int Y, const std::string& Text) = 0;
  virtual void MoveTo(int X, int Y) = 0;
  virtual void LineTo(int X, int Y) = 0;
};

// What the layout reads of a report-style list: its columns (caption and the
// current on-screen width) and its items (a caption and the sub-item texts).
class TReportListSource {
 public:
  virtual ~TReportListSource() = default;
  virtual int ColumnCount() const = 0;
  virtual std::string ColumnCaption(int Column) const = 0;
  virtual int ColumnWidth(int Column) const = 0;
  virtual int ItemCount() const = 0;
  virtual std::string ItemCaption(int Item) const = 0;
  virtual std::vector<std::string> ItemSubItems(int Item) const = 0;
};

// Thrown when a page cannot hold a single row of the list; nothing has been
// printed then.
class EPrintPageTooSmall : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

// The quantities of one print job, computed once before the first page.
struct TPrintMetrics {
  int PH = 0, PW = 0;       // printable height and width
  double V = 0, H = 0;      // vertical and horizontal units
  int L = 0, R = 0, U = 0;  // left and right edges, usable width
  std::vector<int> X;       // column boundaries X[0..n]
  int T = 0;                // top of the caption row
  int RH = 0;               // row height
  int N = 0;                // rows per page
  int P = 0;                // pages
};

// Rounds to the nearest integer, halves to the even neighbour.
int RoundToEven(double Value);

// The metrics of a job printing `List` on `Printer` (the canvas font is set to
// the row font to measure the row height).
TPrintMetrics ComputePrintMetrics(const TReportListSource& List, TPrinterCanvas& Printer);

// Prints `List` as one job: a title and header text on each page, bold column
// captions over an underline, lines between the columns, the rows, and a footer
// with `PrintTimeText` (the date and time of printing, formatted by the caller
// in the user's locale), `FooterText` and "page / pages". Throws
// EPrintPageTooSmall, before the job begins, when no row fits on a page.
void PrintListView(const TReportListSource& List, TPrinterCanvas& Printer, const std::string& Title,
                   const std::string& HeaderText, const std::string& FooterText,
                   const std::string& PrintTimeText);

// ---------------------------------------------------------------------------
// The separator row of a report list: what to paint, decided without a toolkit.

struct TSeparatorPaintState {
  TPoint RowOrigin;      // the row's left and top in the list's client area
  int ColumnsWidth = 0;  // sum of the widths of all columns
  bool Focused = false;  // the row has the focus
  bool Hot = false;      // the mouse is over the row
  bool ListHasSelection = false;
  bool ThemesActive = false;
  TColor NormalBackground = 0;  // the canvas's fill colour before painting
  TColor Highlight = 0;         // system highlight colour
  TColor HotLight = 0;          // system hot-light colour
  TColor LineColor = clSilver;
};

struct TSeparatorPaint {
  bool DefaultDraw = true;  // false: the control draws nothing of this row itself
  TRect Rect;               // the row rectangle
  bool FillRect = false;    // paint Rect with FillColor (classic look only)
  TColor FillColor = 0;
  TColor LineColor = 0;
  TPoint LineFrom, LineTo;  // a one-pixel horizontal line
};

inline constexpr int SeparatorRowHeight = 16;

// Decides how a separator row is painted: a horizontal line across the columns,
// in `LineColor` on the normal background, or in the normal background on the
// highlight (hot-light when the mouse is over it) when the row is focused.
TSeparatorPaint DrawSeparatorRow(const TSeparatorPaintState& State);

}  // namespace tallyvane
