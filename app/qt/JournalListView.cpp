#include "app/qt/JournalListView.h"

#include <QCursor>
#include <QHeaderView>
#include <QPainter>
#include <QStyle>
#include <algorithm>

#include "app/qt/AppStart.h"
#include "app/qt/JournalModels.h"

namespace tallyvane {

namespace {

QColor ToQColor(TColor c) {
  return QColor(ColorRed(c), ColorGreen(c), ColorBlue(c));
}

TColor ToTColor(const QColor& c) {
  return RGBColor(c.red(), c.green(), c.blue());
}

// The Windows default of the hot-light colour, which Qt's palette lacks.
const QColor kHotLight(0, 102, 204);

}  // namespace

TCellPaintStyle ListAdvancedCustomDrawItem(int RowMarker) {
  TCellPaintStyle style;
  if (RowMarker == kRowDayStart) {
    style.Bold = true;
  }
  return style;
}

TCellPaintStyle ListAdvancedCustomDrawSubItem(int RowMarker) {
  TCellPaintStyle style;
  if (RowMarker == kRowDayStart) {
    style.Bold = true;
  }
  if (RowMarker == kRowUnexpectedShutdown) {
    style.Color = clRed;
  }
  return style;
}

QSize TRowMarkerDelegate::sizeHint(const QStyleOptionViewItem& Option,
                                   const QModelIndex& Index) const {
  QSize size = QStyledItemDelegate::sizeHint(Option, Index);
  size.setHeight(std::max(size.height(), kMinimumRowHeight));
  return size;
}

void TRowMarkerDelegate::initStyleOption(QStyleOptionViewItem* Option,
                                         const QModelIndex& Index) const {
  QStyledItemDelegate::initStyleOption(Option, Index);
  if (!FPaintByMarker) {
    return;
  }
  const int marker = Index.data(RowMarkerRole).toInt();
  const TCellPaintStyle style = Index.column() == 0 ? ListAdvancedCustomDrawItem(marker)
                                                    : ListAdvancedCustomDrawSubItem(marker);
  if (style.Bold) {
    Option->font = BoldFont(Option->font);
  }
  const QColor color = ToQColor(style.Color);
  // The rule's colour holds on a selected row too, as it does for the list
  // control, except that black text turns into the highlighted-text colour.
  Option->palette.setColor(QPalette::Text, color);
  if (style.Color != clBlack) {
    Option->palette.setColor(QPalette::HighlightedText, color);
  }
  // Transparent text background: the cell's own background brush is not filled.
  Option->backgroundBrush = Qt::NoBrush;
}

TJournalListView::TJournalListView(TJournalTableModel* Model, bool PaintByMarker, QWidget* Parent)
    : QTreeView(Parent), FPaintByMarker(PaintByMarker) {
  setModel(Model);
  setRootIsDecorated(false);
  setItemsExpandable(false);
  setUniformRowHeights(true);
  setAllColumnsShowFocus(true);
  setSelectionBehavior(QAbstractItemView::SelectRows);
  setSelectionMode(QAbstractItemView::SingleSelection);
  setEditTriggers(QAbstractItemView::NoEditTriggers);
  setSortingEnabled(false);
  setTextElideMode(Qt::ElideRight);
  setMouseTracking(true);
  viewport()->setAttribute(Qt::WA_Hover);
  header()->setSectionsClickable(false);
  header()->setSectionsMovable(false);
  header()->setStretchLastSection(false);
  header()->setHighlightSections(false);
  const auto& columns = Model->Columns();
  for (std::size_t c = 0; c < columns.size(); ++c) {
    header()->resizeSection(static_cast<int>(c), columns[c].Width);
  }
  // The selection stays visible when the list loses the focus.
  QPalette p = palette();
  p.setColor(QPalette::Inactive, QPalette::Highlight,
             p.color(QPalette::Active, QPalette::Highlight));
  p.setColor(QPalette::Inactive, QPalette::HighlightedText,
             p.color(QPalette::Active, QPalette::HighlightedText));
  setPalette(p);
  setItemDelegate(new TRowMarkerDelegate(FPaintByMarker, this));
}

bool TJournalListView::ThemesActive() const {
  return style()->name().compare(QStringLiteral("windows"), Qt::CaseInsensitive) != 0;
}

void TJournalListView::SelectRow(int Row) {
  if (!model() || Row < 0 || Row >= model()->rowCount()) {
    return;
  }
  const QModelIndex index = model()->index(Row, 0);
  selectionModel()->setCurrentIndex(
      index, QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
  scrollTo(index, QAbstractItemView::EnsureVisible);
}

void TJournalListView::drawRow(QPainter* Painter, const QStyleOptionViewItem& Option,
                               const QModelIndex& Index) const {
  if (FPaintByMarker && Index.data(RowMarkerRole).toInt() == kRowSeparator) {
    DrawSeparator(Painter, Option, Index);
    return;
  }
  QTreeView::drawRow(Painter, Option, Index);
}

void TJournalListView::DrawSeparator(QPainter* Painter, const QStyleOptionViewItem& Option,
                                     const QModelIndex& Index) const {
  TSeparatorPaintState state;
  // The row's left edge moves with the horizontal scroll position.
  state.RowOrigin = TPoint{-header()->offset(), Option.rect.top()};
  int width = 0;
  for (int c = 0; c < header()->count(); ++c) {
    width += header()->sectionSize(c);
  }
  state.ColumnsWidth = width;
  state.Focused = currentIndex().isValid() && currentIndex().row() == Index.row();
  const QModelIndex hovered = indexAt(viewport()->mapFromGlobal(QCursor::pos()));
  state.Hot = underMouse() && hovered.isValid() && hovered.row() == Index.row();
  state.ListHasSelection = selectionModel() && selectionModel()->hasSelection();
  state.ThemesActive = ThemesActive();
  state.NormalBackground = ToTColor(Option.palette.color(QPalette::Base));
  state.Highlight = ToTColor(Option.palette.color(QPalette::Active, QPalette::Highlight));
  state.HotLight = ToTColor(kHotLight);
  state.LineColor = clSilver;
  const TSeparatorPaint paint = DrawSeparatorRow(state);

  if (paint.DefaultDraw) {
    QTreeView::drawRow(Painter, Option, Index);
  }
  Painter->save();
  const QRect rect(QPoint(paint.Rect.Left, paint.Rect.Top),
                   QPoint(paint.Rect.Right - 1, paint.Rect.Bottom - 1));
  if (paint.FillRect) {
    Painter->fillRect(rect, ToQColor(paint.FillColor));
  }
  Painter->setPen(QPen(ToQColor(paint.LineColor), 1));
  Painter->drawLine(QPoint(paint.LineFrom.X, paint.LineFrom.Y),
                    QPoint(paint.LineTo.X, paint.LineTo.Y));
  Painter->restore();
}

}  // namespace tallyvane
