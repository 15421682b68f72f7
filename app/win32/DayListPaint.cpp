#include "DayListPaint.h"

#include "journal/JournalListModel.h"

namespace tallyvane {

TRowPaint DayListRowPaint(int RowMarker, TListPaintStage Stage, bool ThemesActive) {
  TRowPaint paint;
  paint.Bold = RowMarker == kRowDayStart;
  if (Stage == TListPaintStage::Row) {
    paint.Separator = RowMarker == kRowSeparator;
  } else if (RowMarker == kRowUnexpectedShutdown) {
    paint.FontColor = clRed;
  }
  paint.TransparentTextBackground = ThemesActive;
  return paint;
}

}  // namespace tallyvane
