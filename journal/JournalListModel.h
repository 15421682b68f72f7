#pragma once
// What the journal builder needs of a list and of the window that shows it.
// The builder writes rows through JournalListModel and tells JournalView about
// the screen-only steps (progress text, busy cursor, bulk update, selection),
// so the same builder fills the window's lists, the command-line tool's tables
// and the tests' plain vectors.
#include <algorithm>
#include <cstddef>
#include <string>
#include <vector>

namespace tallyvane {

// The kind of a day-list row.
enum RowMarker : int {
  kRowOrdinary = 0,
  kRowSeparator = -2,
  kRowDayStart = -3,
  kRowUnexpectedShutdown = -4,
};

// One row of a list: the caption (first column), two sub-texts and the marker.
// Day list: "Timestamp", "Event", "Spent time". Month list: "Month", "Spent
// time", "Spent working days" (the month list leaves the marker 0).
struct JournalRow {
  std::string Caption;
  std::string SubItem1;
  std::string SubItem2;
  int RowMarker = kRowOrdinary;
  friend bool operator==(const JournalRow&, const JournalRow&) = default;
};

class JournalListModel {
 public:
  virtual ~JournalListModel() = default;
  virtual std::size_t count() const = 0;
  // The row at `index` (below count()).
  virtual JournalRow row(std::size_t index) const = 0;
  // Replaces the row at `index` (below count()). Rows are taken by value, so
  // that a builder's rows move in rather than being copied.
  virtual void setRow(std::size_t index, JournalRow row) = 0;
  // Adds a row at the end and returns its index.
  virtual std::size_t append(JournalRow row) = 0;
  // Inserts a row before the row at `index` (index == count() appends).
  virtual void insertBefore(std::size_t index, JournalRow row) = 0;
  virtual void clear() = 0;

  int rowMarker(std::size_t index) const { return row(index).RowMarker; }
};

// The screen-only side of a build. Calls come in this order: setUptimeText
// (the progress text), repaintNow, beginBusy, beginBulkUpdate; then, when the
// rows are done, selectRow (only when the day list has rows), endBulkUpdate and
// endBusy (these two also when the build fails); last setSpentTimeText and
// setUptimeText (not when the build fails).
class JournalView {
 public:
  virtual ~JournalView() = default;
  // The status texts: the uptime at the left end of the status line, the total
  // spent time at its right end.
  virtual void setUptimeText(const std::string& text) = 0;
  virtual void setSpentTimeText(const std::string& text) = 0;
  // Repaints the window at once, so the progress text shows during the load.
  virtual void repaintNow() = 0;
  // The busy cursor.
  virtual void beginBusy() = 0;
  virtual void endBusy() = 0;
  // A bulk update of both lists: no repainting until it ends.
  virtual void beginBulkUpdate() = 0;
  virtual void endBulkUpdate() = 0;
  // Selects the day-list row `index`, scrolls it fully into view and focuses it.
  virtual void selectRow(std::size_t index) = 0;
};

// A list model over a vector (command-line tool, tests, benchmarks).
class VectorListModel : public JournalListModel {
 public:
  std::size_t count() const override { return rows.size(); }
  JournalRow row(std::size_t index) const override { return rows.at(index); }
  void setRow(std::size_t index, JournalRow row) override { rows.at(index) = std::move(row); }
  std::size_t append(JournalRow row) override {
    rows.push_back(std::move(row));
    return rows.size() - 1;
  }
  void insertBefore(std::size_t index, JournalRow row) override {
    rows.insert(rows.begin() + static_cast<std::ptrdiff_t>(std::min(index, rows.size())),
                std::move(row));
  }
  void clear() override { rows.clear(); }

  std::vector<JournalRow> rows;
};

// A view that keeps the status texts and the selection and shows nothing.
class TextOnlyJournalView : public JournalView {
 public:
  void setUptimeText(const std::string& text) override { uptimeText = text; }
  void setSpentTimeText(const std::string& text) override { spentTimeText = text; }
  void repaintNow() override {}
  void beginBusy() override {}
  void endBusy() override {}
  void beginBulkUpdate() override {}
  void endBulkUpdate() override {}
  void selectRow(std::size_t index) override { selectedRow = static_cast<long long>(index); }

  std::string uptimeText;
  std::string spentTimeText = " ";
  long long selectedRow = -1;
};

}  // namespace tallyvane
