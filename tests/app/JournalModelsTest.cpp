#include <gtest/gtest.h>

#include <QAbstractItemModelTester>
#include <QSignalSpy>

#include "app/qt/JournalModels.h"

namespace tallyvane {
namespace {

JournalRow Row(const std::string& caption, int marker = kRowOrdinary) {
  return JournalRow{caption, caption + " event", caption + " spent", marker};
}

TEST(JournalTableModel, KeepsQtModelRulesThroughEveryChange) {
  TJournalTableModel model(DayListColumns());
  QAbstractItemModelTester tester(&model, QAbstractItemModelTester::FailureReportingMode::Fatal);
  model.append(Row("a"));
  model.append(Row("c", kRowDayStart));
  model.insertBefore(1, Row("b", kRowSeparator));
  model.setRow(0, Row("a2", kRowUnexpectedShutdown));
  ASSERT_EQ(model.rowCount(), 3);
  EXPECT_EQ(model.index(1, 0).data().toString(), "b");
  EXPECT_EQ(model.index(2, 1).data().toString(), "c event");
  EXPECT_EQ(model.index(0, 2).data().toString(), "a2 spent");
  EXPECT_EQ(model.index(0, 0).data(RowMarkerRole).toInt(), kRowUnexpectedShutdown);
  EXPECT_EQ(model.rowMarker(2), kRowDayStart);
  model.BeginBulkUpdate();
  model.clear();
  model.append(Row("x"));
  model.insertBefore(0, Row("w"));
  model.EndBulkUpdate();
  EXPECT_EQ(model.rowCount(), 2);
  model.clear();
  EXPECT_EQ(model.rowCount(), 0);
  EXPECT_THROW(model.insertBefore(1, Row("z")), std::out_of_range);
  EXPECT_THROW(model.row(0), std::out_of_range);
}

TEST(JournalTableModel, BulkUpdateAnnouncesOneResetAndNoRowChanges) {
  TJournalTableModel model(DayListColumns());
  QSignalSpy resets(&model, &QAbstractItemModel::modelReset);
  QSignalSpy inserts(&model, &QAbstractItemModel::rowsInserted);
  QSignalSpy changes(&model, &QAbstractItemModel::dataChanged);
  model.BeginBulkUpdate();
  for (int i = 0; i < 100; ++i) {
    model.append(Row(std::to_string(i)));
  }
  model.setRow(5, Row("five"));
  model.insertBefore(6, Row("sep", kRowSeparator));
  EXPECT_EQ(resets.count(), 0);
  model.EndBulkUpdate();
  EXPECT_EQ(resets.count(), 1);
  EXPECT_EQ(inserts.count(), 0);
  EXPECT_EQ(changes.count(), 0);
  EXPECT_EQ(model.rowCount(), 101);
}

TEST(JournalTableModel, ColumnsHaveTheirCaptionsAndAlignments) {
  struct Case {
    std::vector<TListColumn> columns;
    QStringList captions;
    std::vector<int> widths;
    std::vector<Qt::Alignment> horizontal;
  };
  const std::vector<Case> cases{
      {DayListColumns(),
       {"Timestamp", "Event", "Spent time"},
       {200, 350, 150},
       {Qt::AlignLeft, Qt::AlignLeft, Qt::AlignRight}},
      {MonthListColumns(),
       {"Month", "Spent time", "Spent working days"},
       {150, 100, 120},
       {Qt::AlignLeft, Qt::AlignRight, Qt::AlignRight}},
  };
  for (const Case& c : cases) {
    TJournalTableModel model(c.columns);
    model.append(Row("r"));
    ASSERT_EQ(model.columnCount(), c.captions.size());
    for (int i = 0; i < model.columnCount(); ++i) {
      EXPECT_EQ(model.headerData(i, Qt::Horizontal).toString(), c.captions[i]);
      EXPECT_EQ(c.columns[static_cast<size_t>(i)].Width, c.widths[static_cast<size_t>(i)]);
      const auto align = model.index(0, i).data(Qt::TextAlignmentRole).value<Qt::Alignment>();
      EXPECT_EQ(align & Qt::AlignHorizontal_Mask, c.horizontal[static_cast<size_t>(i)]);
      EXPECT_FALSE(model.flags(model.index(0, i)) & Qt::ItemIsEditable);
    }
  }
}

}  // namespace
}  // namespace tallyvane
