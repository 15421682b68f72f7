#pragma once
// The report-style lists of the main window: whole-row selection kept visible
// when the list loses the focus, fixed captions that do nothing when clicked,
// and, for the day list, the painting of rows by their RowMarker.
#include <QStyledItemDelegate>
#include <QTreeView>

#include "present/Orvex_CtrlRtns.h"

namespace tallyvane {

class TJournalTableModel;

// How the day list paints the text of a cell: the row rule for the first
// column, the sub-item rule for the others.
struct TCellPaintStyle {
  bool Bold = false;
  TColor Color = clBlack;
};
TCellPaintStyle ListAdvancedCustomDrawItem(int RowMarker);
TCellPaintStyle ListAdvancedCustomDrawSubItem(int RowMarker);

// Rows of a report list are at least this high, as the list control's are
// with the window font.
inline constexpr int kMinimumRowHeight = 17;

class TRowMarkerDelegate : public QStyledItemDelegate {
  Q_OBJECT
 public:
  TRowMarkerDelegate(bool PaintByMarker, QObject* Parent)
      : QStyledItemDelegate(Parent), FPaintByMarker(PaintByMarker) {}
  QSize sizeHint(const QStyleOptionViewItem& Option, const QModelIndex& Index) const override;

 protected:
  void initStyleOption(QStyleOptionViewItem* Option, const QModelIndex& Index) const override;

 private:
  bool FPaintByMarker;
};

class TJournalListView : public QTreeView {
  Q_OBJECT
 public:
  // `PaintByMarker`: the day list's painting rules (the month list has none).
  TJournalListView(TJournalTableModel* Model, bool PaintByMarker, QWidget* Parent = nullptr);

  // Whether visual themes are active: the style draws the rows itself (every
  // style but the classic "Windows" one).
  bool ThemesActive() const;

  // Selects `Row`, makes it the focused row and scrolls it fully into view.
  void SelectRow(int Row);

 protected:
  void drawRow(QPainter* Painter, const QStyleOptionViewItem& Option,
               const QModelIndex& Index) const override;

 private:
  void DrawSeparator(QPainter* Painter, const QStyleOptionViewItem& Option,
                     const QModelIndex& Index) const;

  bool FPaintByMarker;
};

}  // namespace tallyvane
