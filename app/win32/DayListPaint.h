#pragma once
// How the day list paints a row, decided without the toolkit: the list asks
// before it paints a row (the first column is painted with what the row rule
// chose) and again before each further column. The window applies the result
// to its device context; the tests check the decisions on their own.
#include "present/Orvex_CtrlRtns.h"

namespace tallyvane {

enum class TListPaintStage {
  Row,      // before the row, which also paints the first column
  SubItem,  // before the "Event" and "Spent time" columns
};

struct TRowPaint {
  bool Bold = false;
  TColor FontColor = clBlack;
  // The row is a separator: DrawSeparatorRow paints it.
  bool Separator = false;
  // The text the control draws gets no background fill of its own.
  bool TransparentTextBackground = false;
  friend bool operator==(const TRowPaint&, const TRowPaint&) = default;
};

// The rules of the day list for a row of kind `RowMarker` at `Stage`. A day's
// first start is bold in every column; an unexpected shutdown has its later
// columns red and its time stamp black; a separator row is drawn by
// DrawSeparatorRow, with the row rule only.
TRowPaint DayListRowPaint(int RowMarker, TListPaintStage Stage, bool ThemesActive);

}  // namespace tallyvane
