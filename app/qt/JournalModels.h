#pragma once
// Qt item models over the journal's rows: the builder writes through the
// JournalListModel interface, the views read through QAbstractTableModel.
#include <QAbstractTableModel>
#include <QStringList>
#include <functional>
#include <vector>

#include "journal/JournalListModel.h"

namespace tallyvane {

// The role under which a row's RowMarker is read.
inline constexpr int RowMarkerRole = Qt::UserRole + 1;

struct TListColumn {
  const char* Caption;
  int Width;
  Qt::Alignment Alignment;
};

class TJournalTableModel : public QAbstractTableModel, public JournalListModel {
  Q_OBJECT
 public:
  TJournalTableModel(std::vector<TListColumn> Columns, QObject* Parent = nullptr);

  const std::vector<TListColumn>& Columns() const { return FColumns; }

  // QAbstractTableModel.
  int rowCount(const QModelIndex& Parent = QModelIndex()) const override;
  int columnCount(const QModelIndex& Parent = QModelIndex()) const override;
  QVariant data(const QModelIndex& Index, int Role = Qt::DisplayRole) const override;
  QVariant headerData(int Section, Qt::Orientation Orientation,
                      int Role = Qt::DisplayRole) const override;
  Qt::ItemFlags flags(const QModelIndex& Index) const override;

  // JournalListModel. Outside a bulk update each change is announced at once;
  // inside one the rows change silently and the views hear of them as one reset
  // when it ends.
  std::size_t count() const override { return FRows.size(); }
  JournalRow row(std::size_t index) const override;
  void setRow(std::size_t index, JournalRow row) override;
  std::size_t append(JournalRow row) override;
  void insertBefore(std::size_t index, JournalRow row) override;
  void clear() override;

  void BeginBulkUpdate();
  void EndBulkUpdate();
  bool InBulkUpdate() const { return FBulkDepth > 0; }

  const std::vector<JournalRow>& Rows() const { return FRows; }

  // Called before every row is added; an error it throws fails the change, as
  // a list control that cannot take a row would (tests use it).
  std::function<void()> BeforeAddRow;

 private:
  QString CellText(const JournalRow& Row, int Column) const;

  std::vector<TListColumn> FColumns;
  std::vector<JournalRow> FRows;
  int FBulkDepth = 0;
};

// The columns of the day list and of the month list.
std::vector<TListColumn> DayListColumns();
std::vector<TListColumn> MonthListColumns();

}  // namespace tallyvane
