#include "app/qt/JournalModels.h"

#include <stdexcept>

namespace tallyvane {

std::vector<TListColumn> DayListColumns() {
  return {{"Timestamp", 200, Qt::AlignLeft | Qt::AlignVCenter},
          {"Event", 350, Qt::AlignLeft | Qt::AlignVCenter},
          {"Spent time", 150, Qt::AlignRight | Qt::AlignVCenter}};
}

std::vector<TListColumn> MonthListColumns() {
  return {{"Month", 150, Qt::AlignLeft | Qt::AlignVCenter},
          {"Spent time", 100, Qt::AlignRight | Qt::AlignVCenter},
          {"Spent working days", 120, Qt::AlignRight | Qt::AlignVCenter}};
}

TJournalTableModel::TJournalTableModel(std::vector<TListColumn> Columns, QObject* Parent)
    : QAbstractTableModel(Parent), FColumns(std::move(Columns)) {}

int TJournalTableModel::rowCount(const QModelIndex& Parent) const {
  return Parent.isValid() ? 0 : static_cast<int>(FRows.size());
}

int TJournalTableModel::columnCount(const QModelIndex& Parent) const {
  return Parent.isValid() ? 0 : static_cast<int>(FColumns.size());
}

QString TJournalTableModel::CellText(const JournalRow& Row, int Column) const {
  const std::string& text = Column == 0 ? Row.Caption : (Column == 1 ? Row.SubItem1 : Row.SubItem2);
  return QString::fromUtf8(text.data(), static_cast<int>(text.size()));
}

QVariant TJournalTableModel::data(const QModelIndex& Index, int Role) const {
  if (!checkIndex(Index, CheckIndexOption::IndexIsValid | CheckIndexOption::ParentIsInvalid)) {
    return {};
  }
  const JournalRow& r = FRows[static_cast<std::size_t>(Index.row())];
  switch (Role) {
    case Qt::DisplayRole:
      return CellText(r, Index.column());
    case Qt::TextAlignmentRole:
      return QVariant::fromValue(FColumns[static_cast<std::size_t>(Index.column())].Alignment);
    case RowMarkerRole:
      return r.RowMarker;
    default:
      return {};
  }
}

QVariant TJournalTableModel::headerData(int Section, Qt::Orientation Orientation, int Role) const {
  if (Orientation != Qt::Horizontal || Section < 0 || Section >= columnCount()) {
    return {};
  }
  const TListColumn& column = FColumns[static_cast<std::size_t>(Section)];
  switch (Role) {
    case Qt::DisplayRole:
      return QString::fromLatin1(column.Caption);
    case Qt::TextAlignmentRole:
      return QVariant::fromValue(column.Alignment);
    default:
      return {};
  }
}

Qt::ItemFlags TJournalTableModel::flags(const QModelIndex& Index) const {
  if (!Index.isValid()) {
    return Qt::NoItemFlags;
  }
  return Qt::ItemIsEnabled | Qt::ItemIsSelectable | Qt::ItemNeverHasChildren;
}

JournalRow TJournalTableModel::row(std::size_t index) const {
  return FRows.at(index);
}

void TJournalTableModel::setRow(std::size_t index, JournalRow row) {
  FRows.at(index) = std::move(row);
  if (!InBulkUpdate()) {
    const int r = static_cast<int>(index);
    emit dataChanged(this->index(r, 0), this->index(r, columnCount() - 1));
  }
}

std::size_t TJournalTableModel::append(JournalRow row) {
  insertBefore(FRows.size(), std::move(row));
  return FRows.size() - 1;
}

void TJournalTableModel::insertBefore(std::size_t index, JournalRow row) {
  if (index > FRows.size()) {
    throw std::out_of_range("The row to insert before is past the end of the list.");
  }
  if (BeforeAddRow) {
    BeforeAddRow();
  }
  const int r = static_cast<int>(index);
  if (!InBulkUpdate()) {
    beginInsertRows(QModelIndex(), r, r);
  }
  FRows.insert(FRows.begin() + static_cast<std::ptrdiff_t>(index), std::move(row));
  if (!InBulkUpdate()) {
    endInsertRows();
  }
}

void TJournalTableModel::clear() {
  if (FRows.empty()) {
    return;
  }
  if (InBulkUpdate()) {
    FRows.clear();
    return;
  }
  beginRemoveRows(QModelIndex(), 0, static_cast<int>(FRows.size()) - 1);
  FRows.clear();
  endRemoveRows();
}

void TJournalTableModel::BeginBulkUpdate() {
  if (FBulkDepth++ == 0) {
    beginResetModel();
  }
}

void TJournalTableModel::EndBulkUpdate() {
  if (FBulkDepth > 0 && --FBulkDepth == 0) {
    endResetModel();
  }
}

}  // namespace tallyvane
