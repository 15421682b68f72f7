#pragma once
// A list view control in report mode over a list of journal rows. The control
// holds no texts of its own (owner data): it asks for each cell as it paints,
// so a build of thousands of rows costs one item count. Printing reads the
// control through the report-list interface, as a user sees it.
#include <windows.h>

#include <commctrl.h>

#include <string>
#include <vector>

#include "journal/JournalListModel.h"
#include "present/Orvex_CtrlRtns.h"

namespace tallyvane {

struct TReportColumn {
  const wchar_t* Caption;
  int Width;   // pixels at 96 dots per inch
  int Format;  // LVCFMT_LEFT or LVCFMT_RIGHT
};

class TReportList : public TReportListSource {
 public:
  // Makes the control as a child of `Parent` with the id `Id`.
  void Create(HWND Parent, int Id, const std::vector<TReportColumn>& Columns, UINT Dpi);
  HWND Handle() const { return FHandle; }
  JournalListModel& Model() { return FRows; }
  const std::vector<JournalRow>& Rows() const { return FRows.rows; }

  // Tells the control how many rows there are now (after a build).
  void SyncItemCount();
  // Answers the control's request for a cell text.
  void OnGetDispInfo(NMLVDISPINFOW& Info);
  // Column widths for a new DPI.
  void ScaleColumns(UINT OldDpi, UINT NewDpi);

  int ColumnCount() const override;
  std::string ColumnCaption(int Column) const override;
  int ColumnWidth(int Column) const override;
  int ItemCount() const override;
  std::string ItemCaption(int Item) const override;
  std::vector<std::string> ItemSubItems(int Item) const override;

 private:
  std::string ItemText(int Item, int SubItem) const;

  HWND FHandle = nullptr;
  VectorListModel FRows;
  std::wstring FCell;  // the text last handed to the control
};

}  // namespace tallyvane
