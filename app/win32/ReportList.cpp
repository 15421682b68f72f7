#include "ReportList.h"

#include <algorithm>
#include <cwchar>

#include "WideText.h"
#include "Win32Fonts.h"

namespace tallyvane {

void TReportList::Create(HWND Parent, int Id, const std::vector<TReportColumn>& Columns, UINT Dpi) {
  FHandle = ::CreateWindowExW(WS_EX_CLIENTEDGE, WC_LISTVIEWW, L"",
                              WS_CHILD | WS_VISIBLE | WS_TABSTOP | LVS_REPORT | LVS_OWNERDATA |
                                  LVS_SHOWSELALWAYS | LVS_SINGLESEL | LVS_NOSORTHEADER,
                              0, 0, 0, 0, Parent, reinterpret_cast<HMENU>(static_cast<INT_PTR>(Id)),
                              ::GetModuleHandleW(nullptr), nullptr);
  if (!FHandle) {
    throw std::runtime_error("The list could not be created");
  }
  ListView_SetExtendedListViewStyle(FHandle, LVS_EX_FULLROWSELECT | LVS_EX_DOUBLEBUFFER);
  int index = 0;
  for (const TReportColumn& column : Columns) {
    LVCOLUMNW lvc{};
    lvc.mask = LVCF_TEXT | LVCF_WIDTH | LVCF_FMT | LVCF_SUBITEM;
    lvc.fmt = column.Format;
    lvc.cx = ScaleForDpi(column.Width, Dpi);
    lvc.pszText = const_cast<wchar_t*>(column.Caption);
    lvc.iSubItem = index;
    ::SendMessageW(FHandle, LVM_INSERTCOLUMNW, static_cast<WPARAM>(index),
                   reinterpret_cast<LPARAM>(&lvc));
    ++index;
  }
}

void TReportList::SyncItemCount() {
  ::SendMessageW(FHandle, LVM_SETITEMCOUNT, static_cast<WPARAM>(FRows.rows.size()),
                 LVSICF_NOSCROLL);
  ::InvalidateRect(FHandle, nullptr, TRUE);
}

void TReportList::OnGetDispInfo(NMLVDISPINFOW& Info) {
  LVITEMW& item = Info.item;
  if (!(item.mask & LVIF_TEXT) || !item.pszText || item.cchTextMax <= 0) {
    return;
  }
  const auto index = static_cast<std::size_t>(item.iItem);
  item.pszText[0] = L'\0';
  if (item.iItem < 0 || index >= FRows.rows.size() || item.iSubItem < 0 || item.iSubItem > 2) {
    return;
  }
  const JournalRow& row = FRows.rows[index];
  const std::string& text = item.iSubItem == 0   ? row.Caption
                            : item.iSubItem == 1 ? row.SubItem1
                                                 : row.SubItem2;
  FCell = Wide(text);
  const std::size_t n = std::min(FCell.size(), static_cast<std::size_t>(item.cchTextMax - 1));
  std::wmemcpy(item.pszText, FCell.data(), n);
  item.pszText[n] = L'\0';
}

void TReportList::ScaleColumns(UINT OldDpi, UINT NewDpi) {
  for (int c = 0; c < ColumnCount(); ++c) {
    const int width = ColumnWidth(c);
    ::SendMessageW(
        FHandle, LVM_SETCOLUMNWIDTH, static_cast<WPARAM>(c),
        MAKELPARAM(::MulDiv(width, static_cast<int>(NewDpi), static_cast<int>(OldDpi)), 0));
  }
}

int TReportList::ColumnCount() const {
  const auto header = reinterpret_cast<HWND>(::SendMessageW(FHandle, LVM_GETHEADER, 0, 0));
  return header ? static_cast<int>(::SendMessageW(header, HDM_GETITEMCOUNT, 0, 0)) : 0;
}

std::string TReportList::ColumnCaption(int Column) const {
  wchar_t buffer[256] = {};
  LVCOLUMNW lvc{};
  lvc.mask = LVCF_TEXT;
  lvc.pszText = buffer;
  lvc.cchTextMax = static_cast<int>(std::size(buffer));
  if (!::SendMessageW(FHandle, LVM_GETCOLUMNW, static_cast<WPARAM>(Column),
                      reinterpret_cast<LPARAM>(&lvc))) {
    return {};
  }
  return Utf8(buffer);
}

int TReportList::ColumnWidth(int Column) const {
  return static_cast<int>(
      ::SendMessageW(FHandle, LVM_GETCOLUMNWIDTH, static_cast<WPARAM>(Column), 0));
}

int TReportList::ItemCount() const {
  return static_cast<int>(::SendMessageW(FHandle, LVM_GETITEMCOUNT, 0, 0));
}

std::string TReportList::ItemText(int Item, int SubItem) const {
  std::wstring buffer(1024, L'\0');
  LVITEMW lvi{};
  lvi.iSubItem = SubItem;
  lvi.pszText = buffer.data();
  lvi.cchTextMax = static_cast<int>(buffer.size());
  const auto length = ::SendMessageW(FHandle, LVM_GETITEMTEXTW, static_cast<WPARAM>(Item),
                                     reinterpret_cast<LPARAM>(&lvi));
  buffer.resize(static_cast<std::size_t>(std::max<LRESULT>(length, 0)));
  return Utf8(buffer);
}

std::string TReportList::ItemCaption(int Item) const {
  return ItemText(Item, 0);
}

std::vector<std::string> TReportList::ItemSubItems(int Item) const {
  std::vector<std::string> texts;
  for (int c = 1; c < ColumnCount(); ++c) {
    texts.push_back(ItemText(Item, c));
  }
  return texts;
}

}  // namespace tallyvane
