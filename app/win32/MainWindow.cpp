#include "MainWindow.h"

// objbase.h first: commdlg.h declares the print dialog only with the COM types.
#include <objbase.h>

#include <commdlg.h>
#include <uxtheme.h>
#include <windowsx.h>

#include <algorithm>
#include <exception>
#include <stdexcept>

#include "AboutDlg.h"
#include "DayListPaint.h"
#include "GdiPrinterCanvas.h"
#include "ResourceIds.h"
#include "WideText.h"
#include "Win32Fonts.h"
#include "eventlog/Qzi_EventLog.h"
#include "journal/JournalBuilder.h"
#include "present/DateFormat.h"
#include "present/SharedDocumentCanvas.h"

namespace tallyvane {

namespace {

constexpr wchar_t kMainClass[] = L"Twnd_Main";
constexpr wchar_t kSplitterClass[] = L"TallyvaneSplitter";

enum ControlId : int {
  kIdList = 100,
  kIdMonthList,
  kIdSplitter,
};

// Layout at 96 dots per inch.
constexpr int kClientWidth = 730;
constexpr int kClientHeight = 654;
constexpr int kPanelHeight = 41;
constexpr int kListMargin = 3;
constexpr int kSplitterHeight = 3;
constexpr int kStatusHeight = 16;
constexpr int kSnapDistance = 10;

TErrorPresenter& ErrorPresenter() {
  static TErrorPresenter presenter;
  return presenter;
}

std::string CurrentExceptionText() {
  try {
    throw;
  } catch (const std::exception& error) {
    return error.what();
  } catch (...) {
    return "An unknown error occurred";
  }
}

bool ThemesActive() {
  return ::IsAppThemed() && ::IsThemeActive();
}

std::wstring WindowText(HWND Window) {
  std::wstring text(static_cast<std::size_t>(::GetWindowTextLengthW(Window)) + 1, L'\0');
  text.resize(static_cast<std::size_t>(
      ::GetWindowTextW(Window, text.data(), static_cast<int>(text.size()))));
  return text;
}

LRESULT CALLBACK MainWindowProc(HWND Window, UINT Message, WPARAM WParam, LPARAM LParam) {
  if (Message == WM_NCCREATE) {
    const auto* create = reinterpret_cast<const CREATESTRUCTW*>(LParam);
    ::SetWindowLongPtrW(Window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(create->lpCreateParams));
  }
  auto* self = reinterpret_cast<Twnd_Main*>(::GetWindowLongPtrW(Window, GWLP_USERDATA));
  if (self && Message == WM_NCCREATE) {
    self->Attach(Window);
  }
  if (!self) {
    return ::DefWindowProcW(Window, Message, WParam, LParam);
  }
  if (Message == WM_NCDESTROY) {
    ::SetWindowLongPtrW(Window, GWLP_USERDATA, 0);
    self->Attach(nullptr);
    return ::DefWindowProcW(Window, Message, WParam, LParam);
  }
  return self->HandleMessage(Message, WParam, LParam);
}

// The splitter: a thin bar whose drag moves the border between the lists.
LRESULT CALLBACK SplitterProc(HWND Window, UINT Message, WPARAM WParam, LPARAM LParam) {
  switch (Message) {
    case WM_SETCURSOR:
      ::SetCursor(::LoadCursorW(nullptr, IDC_SIZENS));
      return TRUE;
    case WM_LBUTTONDOWN:
      ::SetCapture(Window);
      ::SetWindowLongPtrW(Window, GWLP_USERDATA, GET_Y_LPARAM(LParam));
      return 0;
    case WM_MOUSEMOVE:
      if (::GetCapture() == Window) {
        const int delta =
            GET_Y_LPARAM(LParam) - static_cast<int>(::GetWindowLongPtrW(Window, GWLP_USERDATA));
        HWND parent = ::GetParent(Window);
        if (auto* main = reinterpret_cast<Twnd_Main*>(::GetWindowLongPtrW(parent, GWLP_USERDATA))) {
          main->MoveSplitter(delta);
        }
      }
      return 0;
    case WM_LBUTTONUP:
      ::ReleaseCapture();
      return 0;
    default:
      return ::DefWindowProcW(Window, Message, WParam, LParam);
  }
}

}  // namespace

TPrintTarget::~TPrintTarget() {
  if (Printer) {
    ::DeleteDC(Printer);
  }
  if (DevMode) {
    ::GlobalFree(DevMode);
  }
  if (DevNames) {
    ::GlobalFree(DevNames);
  }
}

void SetErrorPresenter(TErrorPresenter Presenter) {
  ErrorPresenter() = std::move(Presenter);
}

void ShowApplicationError(HWND Owner, const std::string& Text) {
  if (ErrorPresenter()) {
    ErrorPresenter()(Owner, Text);
    return;
  }
  ::MessageBoxW(Owner, Wide(Text).c_str(), kApplicationTitle, MB_OK | MB_ICONERROR);
}

void RegisterWindowClasses() {
  static const bool registered = [] {
    INITCOMMONCONTROLSEX controls{sizeof(controls), ICC_LISTVIEW_CLASSES | ICC_STANDARD_CLASSES};
    ::InitCommonControlsEx(&controls);
    HINSTANCE instance = ::GetModuleHandleW(nullptr);
    WNDCLASSEXW main{};
    main.cbSize = sizeof(main);
    main.lpfnWndProc = MainWindowProc;
    main.hInstance = instance;
    main.hIcon = ::LoadIconW(instance, MAKEINTRESOURCEW(IDI_TALLYVANE));
    main.hCursor = ::LoadCursorW(nullptr, IDC_ARROW);
    main.hbrBackground = ::GetSysColorBrush(COLOR_BTNFACE);
    main.lpszClassName = kMainClass;
    WNDCLASSEXW splitter{};
    splitter.cbSize = sizeof(splitter);
    splitter.lpfnWndProc = SplitterProc;
    splitter.hInstance = instance;
    splitter.hCursor = ::LoadCursorW(nullptr, IDC_SIZENS);
    splitter.hbrBackground = ::GetSysColorBrush(COLOR_BTNFACE);
    splitter.lpszClassName = kSplitterClass;
    if (!::RegisterClassExW(&main) || !::RegisterClassExW(&splitter)) {
      throw std::runtime_error("The window classes could not be registered");
    }
    RegisterAboutDialogClass();
    return true;
  }();
  (void)registered;
}

Twnd_Main::Twnd_Main(const platform::Services& Services, const TSnapshotTexts& Facts,
                     const FormatSettings& Settings)
    : FServices(Services), FFacts(Facts), FSettings(Settings) {}

Twnd_Main::~Twnd_Main() {
  if (FHandle) {
    QuitOnClose = false;
    ::DestroyWindow(FHandle);
  }
}

template <class Command>
void Twnd_Main::RunCommand(Command&& command) {
  try {
    command();
  } catch (...) {
    ShowApplicationError(FHandle, CurrentExceptionText());
  }
}

void Twnd_Main::Create(int ShowCommand) {
  RegisterWindowClasses();
  const HINSTANCE instance = ::GetModuleHandleW(nullptr);
  HMENU file = ::CreatePopupMenu();
  ::AppendMenuW(file, MF_STRING, IDM_REFRESH, L"Refresh\tF5");
  ::AppendMenuW(file, MF_SEPARATOR, 0, nullptr);
  ::AppendMenuW(file, MF_STRING, IDM_PRINT, L"Print...\tCtrl+P");
  ::AppendMenuW(file, MF_SEPARATOR, 0, nullptr);
  ::AppendMenuW(file, MF_STRING, IDM_EXIT, L"Exit");
  HMENU bar = ::CreateMenu();
  ::AppendMenuW(bar, MF_POPUP, reinterpret_cast<UINT_PTR>(file), L"File");
  ::AppendMenuW(bar, MF_STRING, IDM_ABOUT, L"About...");
  ACCEL keys[] = {
      {FVIRTKEY, VK_F5, IDM_REFRESH},
      {FVIRTKEY | FCONTROL, 'P', IDM_PRINT},
  };
  FAccelerators.reset(::CreateAcceleratorTableW(keys, static_cast<int>(std::size(keys))));

  // The window is made at its final size for the DPI of the primary screen
  // and corrected by WM_DPICHANGED when it lands on another one.
  const DWORD style = WS_OVERLAPPEDWINDOW | WS_CLIPCHILDREN;
  FHandle = ::CreateWindowExW(0, kMainClass, kApplicationTitle, style, CW_USEDEFAULT, CW_USEDEFAULT,
                              kClientWidth, kClientHeight, nullptr, bar, instance, this);
  if (!FHandle) {
    ::DestroyMenu(bar);
    throw std::runtime_error("The main window could not be created");
  }
  FDpi = WindowDpi(FHandle);
  RECT frame{0, 0, ScaleForDpi(kClientWidth, FDpi), ScaleForDpi(kClientHeight, FDpi)};
  ::AdjustWindowRectExForDpi(&frame, style, TRUE, 0, FDpi);
  ::SetWindowPos(FHandle, nullptr, 0, 0, frame.right - frame.left, frame.bottom - frame.top,
                 SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
  CenterOnScreen();
  ::ShowWindow(FHandle, ShowCommand);
  ::UpdateWindow(FHandle);
  RunCommand([this] { FormCreate(); });
}

bool Twnd_Main::TranslateShortcut(MSG& Message) {
  return FHandle && FAccelerators &&
         ::TranslateAcceleratorW(FHandle, FAccelerators.get(), &Message) != 0;
}

void Twnd_Main::FormCreate() {
  FEventLog = new TOrvex_EventLog(&FComponents, FServices);
  FEventLog->SetSourceName("System");
  FEventLog->SetExpandMessages(false);
  FEventLog->SetLookupSID(false);
  SetLabel(lOS, FFacts.ShortOSName);
  SetLabel(lUser, FFacts.UserName);
  // An unknown installation date (0) would read as 30 December 1899; the
  // label then says nothing it does not know.
  SetLabel(lInstalled,
           FFacts.InstallDate == 0
               ? std::string("System installed on ")
               : "System installed on " + FormatDateTime("c", FFacts.InstallDate, FSettings));
  PlaceHeaderLabels();
  RefreshJournal();
}

void Twnd_Main::RefreshJournal() {
  tallyvane::RefreshJournal(*FEventLog, List.Model(), MonthList.Model(), *this, *FServices.clock,
                            FSettings);
}

void Twnd_Main::Refresh1Click() {
  RunCommand([this] { RefreshJournal(); });
}

void Twnd_Main::Exit1Click() {
  ::SendMessageW(FHandle, WM_CLOSE, 0, 0);
}

void Twnd_Main::About1Click() {
  RunCommand([this] {
    if (ShowAbout) {
      ShowAbout(FHandle);
    } else {
      ShowAboutDialog(0, FHandle, FFacts);
    }
  });
}

namespace {

// True when the chosen printer's port writes a file (a file printer, or one
// that asks for a file name per job): such a printer gets one document.
bool PortWritesAFile(HGLOBAL DevNames) {
  const auto* names = DevNames ? static_cast<const DEVNAMES*>(::GlobalLock(DevNames)) : nullptr;
  if (!names) {
    return false;
  }
  const std::wstring port = reinterpret_cast<const wchar_t*>(names) + names->wOutputOffset;
  ::GlobalUnlock(DevNames);
  return port == L"FILE:" || port == L"PORTPROMPT:";
}

bool ShowPrintDialog(HWND Owner, TPrintTarget& Target) {
  PRINTDLGEXW dialog{};
  dialog.lStructSize = sizeof(dialog);
  dialog.hwndOwner = Owner;
  dialog.Flags = PD_RETURNDC | PD_NOPAGENUMS | PD_NOSELECTION | PD_NOCURRENTPAGE;
  dialog.nStartPage = START_PAGE_GENERAL;
  const HRESULT result = ::PrintDlgExW(&dialog);
  Target.Printer = dialog.hDC;
  Target.DevMode = dialog.hDevMode;
  Target.DevNames = dialog.hDevNames;
  if (FAILED(result)) {
    throw std::runtime_error("The print dialog could not be shown");
  }
  Target.ToFile = (dialog.Flags & PD_PRINTTOFILE) != 0 || PortWritesAFile(dialog.hDevNames);
  return dialog.dwResultAction == PD_RESULT_PRINT && Target.Printer;
}

}  // namespace

void Twnd_Main::pmPrintClick() {
  RunCommand([this] {
    TPrintTarget target;
    const bool print =
        PrintDialog ? PrintDialog(FHandle, target) : ShowPrintDialog(FHandle, target);
    if (!print) {
      return;
    }
    PrintJournal(target);
  });
}

void Twnd_Main::PrintJournal(TPrintTarget& Target) {
  const std::string printedAt = FormatDateTime("c", Now(*FServices.clock), FSettings);
  const std::string dayTitle = "Tallyvane Day Journal - " + FFacts.MachineName;
  const std::string monthTitle = "Tallyvane Month Journal - " + FFacts.MachineName;
  if (Target.ToFile) {
    // Two jobs to one file would leave only the month list: both lists go
    // into one document instead, the day list first, each numbered on its own.
    TGdiPrinterCanvas printer(Target.Printer, Target.DevMode, Target.OutputFile);
    TSharedDocumentCanvas document(printer);
    PrintListView(List, document, dayTitle, FFacts.ShortOSName, FFacts.Copyright, printedAt);
    PrintListView(MonthList, document, monthTitle, FFacts.ShortOSName, FFacts.Copyright, printedAt);
    document.Finish();
    return;
  }
  {
    TGdiPrinterCanvas printer(Target.Printer, Target.DevMode);
    PrintListView(List, printer, dayTitle, FFacts.ShortOSName, FFacts.Copyright, printedAt);
  }
  TGdiPrinterCanvas printer(Target.Printer, Target.DevMode);
  PrintListView(MonthList, printer, monthTitle, FFacts.ShortOSName, FFacts.Copyright, printedAt);
}

// --- The journal builder's view of the window ---

void Twnd_Main::setUptimeText(const std::string& Text) {
  ::SetWindowTextW(lUptime, Wide(Text).c_str());
}

void Twnd_Main::setSpentTimeText(const std::string& Text) {
  ::SetWindowTextW(lSpenttime, Wide(Text).c_str());
}

void Twnd_Main::repaintNow() {
  ::RedrawWindow(FHandle, nullptr, nullptr,
                 RDW_INVALIDATE | RDW_ERASE | RDW_UPDATENOW | RDW_ALLCHILDREN);
}

void Twnd_Main::beginBusy() {
  ++FBusy;
  ::SetCursor(::LoadCursorW(nullptr, IDC_WAIT));
}

void Twnd_Main::endBusy() {
  if (FBusy > 0 && --FBusy == 0) {
    POINT cursor{};
    ::GetCursorPos(&cursor);
    ::SetCursorPos(cursor.x, cursor.y);  // asks the window under it for its cursor again
    ::SetCursor(::LoadCursorW(nullptr, IDC_ARROW));
  }
}

void Twnd_Main::beginBulkUpdate() {
  ::SendMessageW(List.Handle(), WM_SETREDRAW, FALSE, 0);
  ::SendMessageW(MonthList.Handle(), WM_SETREDRAW, FALSE, 0);
}

void Twnd_Main::endBulkUpdate() {
  List.SyncItemCount();
  MonthList.SyncItemCount();
  ::SendMessageW(List.Handle(), WM_SETREDRAW, TRUE, 0);
  ::SendMessageW(MonthList.Handle(), WM_SETREDRAW, TRUE, 0);
  ::InvalidateRect(List.Handle(), nullptr, TRUE);
  ::InvalidateRect(MonthList.Handle(), nullptr, TRUE);
}

void Twnd_Main::selectRow(std::size_t Index) {
  List.SyncItemCount();
  const auto item = static_cast<int>(Index);
  ListView_SetItemState(List.Handle(), -1, 0, LVIS_SELECTED | LVIS_FOCUSED);
  ListView_SetItemState(List.Handle(), item, LVIS_SELECTED | LVIS_FOCUSED,
                        LVIS_SELECTED | LVIS_FOCUSED);
  ListView_EnsureVisible(List.Handle(), item, FALSE);
  ::SetFocus(List.Handle());
}

// --- Controls and layout ---

void Twnd_Main::CreateFonts() {
  FWindowFont = LayoutFont(L"MS Sans Serif", 8, TFontWeight::Regular, FDpi);
  FOSFont = LayoutFont(L"Tahoma", 10, TFontWeight::Bold, FDpi);
  // The rows: the window font, and its bold form for a day's first start.
  // "MS Sans Serif" is a bitmap font without a bold face, so both come from
  // Tahoma, its outline relative, where it exists.
  FListFont = LayoutFont(L"Tahoma", 8, TFontWeight::Regular, FDpi);
  FListBoldFont = LayoutFont(L"Tahoma", 8, TFontWeight::Bold, FDpi);
}

void Twnd_Main::ApplyFonts() {
  auto setFont = [](HWND Control, HFONT Font) {
    ::SendMessageW(Control, WM_SETFONT, reinterpret_cast<WPARAM>(Font), TRUE);
  };
  setFont(lOS, FOSFont.get());
  for (HWND label : {lUser, lInstalled, lUptime, lSpenttime}) {
    setFont(label, FWindowFont.get());
  }
  setFont(List.Handle(), FListFont.get());
  setFont(MonthList.Handle(), FListFont.get());
}

void Twnd_Main::CreateControls() {
  const HINSTANCE instance = ::GetModuleHandleW(nullptr);
  auto label = [&](const wchar_t* Text, DWORD Style) {
    return ::CreateWindowExW(0, L"STATIC", Text, WS_CHILD | WS_VISIBLE | SS_NOPREFIX | Style, 0, 0,
                             0, 0, FHandle, nullptr, instance, nullptr);
  };
  Image2 = label(L"", SS_ICON | SS_CENTERIMAGE | SS_REALSIZECONTROL);
  lOS = label(L"<n/a>", SS_LEFT);
  lUser = label(L"<n/a>", SS_LEFT);
  lInstalled = label(L"<n/a>", SS_RIGHT);
  lUptime = label(L"Collecting data...please wait", SS_LEFT | SS_LEFTNOWORDWRAP);
  lSpenttime = label(L" ", SS_RIGHT);
  List.Create(FHandle, kIdList,
              {{L"Timestamp", 200, LVCFMT_LEFT},
               {L"Event", 350, LVCFMT_LEFT},
               {L"Spent time", 150, LVCFMT_RIGHT}},
              FDpi);
  MonthList.Create(FHandle, kIdMonthList,
                   {{L"Month", 150, LVCFMT_LEFT},
                    {L"Spent time", 100, LVCFMT_RIGHT},
                    {L"Spent working days", 120, LVCFMT_RIGHT}},
                   FDpi);
  Splitter1 = ::CreateWindowExW(0, kSplitterClass, L"", WS_CHILD | WS_VISIBLE, 0, 0, 0, 0, FHandle,
                                reinterpret_cast<HMENU>(static_cast<INT_PTR>(kIdSplitter)),
                                instance, nullptr);
  LoadHeaderIcon();
  CreateFonts();
  ApplyFonts();
}

void Twnd_Main::LoadHeaderIcon() {
  // The icon at its size for this DPI, not a stretched 32-pixel one.
  UniqueIcon icon(static_cast<HICON>(
      ::LoadImageW(::GetModuleHandleW(nullptr), MAKEINTRESOURCEW(IDI_TALLYVANE), IMAGE_ICON,
                   ScaleForDpi(32, FDpi), ScaleForDpi(32, FDpi), 0)));
  ::SendMessageW(Image2, STM_SETICON, reinterpret_cast<WPARAM>(icon.get()), 0);
  FIcon = std::move(icon);
}

void Twnd_Main::SetLabel(HWND Label, const std::string& Text) {
  ::SetWindowTextW(Label, Wide(Text).c_str());
  if (Label == lInstalled || Label == lOS || Label == lUser) {
    PlaceHeaderLabels();
  }
}

void Twnd_Main::PlaceHeaderLabels() {
  // Each header label takes the size of its text, as a label does.
  auto fit = [this](HWND Label, int Left, int Top, bool RightAligned) {
    const std::wstring text = WindowText(Label);
    HDC dc = ::GetDC(Label);
    HFONT font = reinterpret_cast<HFONT>(::SendMessageW(Label, WM_GETFONT, 0, 0));
    SIZE size{};
    {
      SelectedObject selected(dc, font);
      ::GetTextExtentPoint32W(dc, text.c_str(), static_cast<int>(text.size()), &size);
    }
    ::ReleaseDC(Label, dc);
    const int x = RightAligned ? Left - size.cx : Left;
    ::MoveWindow(Label, x, Top, size.cx + 1, size.cy, TRUE);
  };
  RECT client{};
  ::GetClientRect(FHandle, &client);
  fit(lOS, ScaleForDpi(45, FDpi), ScaleForDpi(3, FDpi), false);
  fit(lUser, ScaleForDpi(51, FDpi), ScaleForDpi(20, FDpi), false);
  fit(lInstalled, client.right - ScaleForDpi(7, FDpi), ScaleForDpi(20, FDpi), true);
}

void Twnd_Main::Layout() {
  RECT client{};
  ::GetClientRect(FHandle, &client);
  const int width = client.right;
  const int height = client.bottom;
  auto px = [this](int Pixels) { return ScaleForDpi(Pixels, FDpi); };
  const int margin = px(kListMargin);
  const int panel = px(kPanelHeight);
  const int status = px(kStatusHeight);
  const int splitter = px(kSplitterHeight);
  const int month = px(FMonthListHeight);
  ::MoveWindow(Image2, px(7), px(3), px(32), px(32), TRUE);
  PlaceHeaderLabels();
  const int statusTop = height - status;
  ::MoveWindow(lUptime, px(3), statusTop, width / 2, status, TRUE);
  ::MoveWindow(lSpenttime, width / 2, statusTop, width - width / 2 - px(3), status, TRUE);
  const int monthTop = statusTop - month;
  ::MoveWindow(MonthList.Handle(), margin, monthTop + margin, width - 2 * margin,
               std::max(0, month - 2 * margin), TRUE);
  const int splitterTop = monthTop - splitter;
  ::MoveWindow(Splitter1, 0, splitterTop, width, splitter, TRUE);
  ::MoveWindow(List.Handle(), margin, panel + margin, width - 2 * margin,
               std::max(0, splitterTop - panel - 2 * margin), TRUE);
  ::InvalidateRect(FHandle, nullptr, TRUE);
}

void Twnd_Main::MoveSplitter(int Delta) {
  RECT client{};
  ::GetClientRect(FHandle, &client);
  const int limit =
      ::MulDiv(client.bottom - kPanelHeight - kStatusHeight - 40, 96, static_cast<int>(FDpi));
  const int height = FMonthListHeight - ::MulDiv(Delta, 96, static_cast<int>(FDpi));
  FMonthListHeight = std::clamp(height, 20, std::max(20, limit));
  Layout();
}

void Twnd_Main::CenterOnScreen() {
  RECT frame{};
  ::GetWindowRect(FHandle, &frame);
  MONITORINFO monitor{};
  monitor.cbSize = sizeof(monitor);
  ::GetMonitorInfoW(::MonitorFromWindow(FHandle, MONITOR_DEFAULTTOPRIMARY), &monitor);
  const RECT& area = monitor.rcWork;
  const int w = frame.right - frame.left;
  const int h = frame.bottom - frame.top;
  const int x = area.left + (area.right - area.left - w) / 2;
  const int y = area.top + (area.bottom - area.top - h) / 2;
  ::SetWindowPos(FHandle, nullptr, x, y, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
}

// --- Messages ---

LRESULT Twnd_Main::HandleMessage(UINT Message, WPARAM WParam, LPARAM LParam) {
  switch (Message) {
    case WM_CREATE:
      OnCreate();
      return 0;
    case WM_SIZE:
      OnSize();
      return 0;
    case WM_PAINT:
      OnPaint();
      return 0;
    case WM_NOTIFY:
      return OnNotify(*reinterpret_cast<NMHDR*>(LParam));
    case WM_COMMAND:
      OnCommand(LOWORD(WParam));
      return 0;
    case WM_CTLCOLORSTATIC:
      return OnCtlColorStatic(reinterpret_cast<HDC>(WParam), reinterpret_cast<HWND>(LParam));
    case WM_SETCURSOR:
      if (OnSetCursor()) {
        return TRUE;
      }
      break;
    case WM_MOVING:
      OnMoving(*reinterpret_cast<RECT*>(LParam));
      return TRUE;
    case WM_DPICHANGED:
      OnDpiChanged(HIWORD(WParam), *reinterpret_cast<const RECT*>(LParam));
      return 0;
    case WM_DESTROY:
      OnDestroy();
      return 0;
    default:
      break;
  }
  return ::DefWindowProcW(FHandle, Message, WParam, LParam);
}

void Twnd_Main::OnCreate() {
  FDpi = WindowDpi(FHandle);
  CreateControls();
}

void Twnd_Main::OnSize() {
  if (List.Handle()) {
    Layout();
  }
}

void Twnd_Main::OnPaint() {
  PAINTSTRUCT paint{};
  HDC dc = ::BeginPaint(FHandle, &paint);
  // The header's bevel: a line along its top and its bottom edge.
  RECT client{};
  ::GetClientRect(FHandle, &client);
  RECT panel{0, 0, client.right, ScaleForDpi(kPanelHeight, FDpi)};
  ::DrawEdge(dc, &panel, EDGE_ETCHED, BF_TOP | BF_BOTTOM);
  ::EndPaint(FHandle, &paint);
}

LRESULT Twnd_Main::OnNotify(NMHDR& Header) {
  const bool day = Header.hwndFrom == List.Handle();
  const bool month = Header.hwndFrom == MonthList.Handle();
  if (!day && !month) {
    return 0;
  }
  switch (Header.code) {
    case LVN_GETDISPINFOW:
      (day ? List : MonthList).OnGetDispInfo(*reinterpret_cast<NMLVDISPINFOW*>(&Header));
      return 0;
    case NM_CUSTOMDRAW:
      if (day) {
        return OnDayListCustomDraw(*reinterpret_cast<NMLVCUSTOMDRAW*>(&Header));
      }
      return CDRF_DODEFAULT;
    default:
      return 0;
  }
}

void Twnd_Main::OnCommand(int Id) {
  switch (Id) {
    case IDM_REFRESH:
      Refresh1Click();
      break;
    case IDM_PRINT:
      pmPrintClick();
      break;
    case IDM_EXIT:
      Exit1Click();
      break;
    case IDM_ABOUT:
      About1Click();
      break;
    default:
      break;
  }
}

LRESULT Twnd_Main::OnCtlColorStatic(HDC Dc, HWND) {
  ::SetTextColor(Dc, ::GetSysColor(COLOR_WINDOWTEXT));
  ::SetBkMode(Dc, TRANSPARENT);
  return reinterpret_cast<LRESULT>(::GetSysColorBrush(COLOR_BTNFACE));
}

bool Twnd_Main::OnSetCursor() {
  if (FBusy > 0) {
    ::SetCursor(::LoadCursorW(nullptr, IDC_WAIT));
    return true;
  }
  return false;
}

void Twnd_Main::OnMoving(RECT& Frame) {
  // An edge near an edge of the screen's work area snaps onto it.
  MONITORINFO monitor{};
  monitor.cbSize = sizeof(monitor);
  ::GetMonitorInfoW(::MonitorFromRect(&Frame, MONITOR_DEFAULTTONEAREST), &monitor);
  const RECT& area = monitor.rcWork;
  const int w = Frame.right - Frame.left;
  const int h = Frame.bottom - Frame.top;
  if (std::abs(Frame.left - area.left) < kSnapDistance) {
    Frame.left = area.left;
  } else if (std::abs(Frame.right - area.right) < kSnapDistance) {
    Frame.left = area.right - w;
  }
  if (std::abs(Frame.top - area.top) < kSnapDistance) {
    Frame.top = area.top;
  } else if (std::abs(Frame.bottom - area.bottom) < kSnapDistance) {
    Frame.top = area.bottom - h;
  }
  Frame.right = Frame.left + w;
  Frame.bottom = Frame.top + h;
}

void Twnd_Main::OnDpiChanged(UINT Dpi, const RECT& Suggested) {
  const UINT old = FDpi;
  FDpi = Dpi;
  // The controls hold the old fonts until they have the new ones.
  const UniqueFont previous[] = {std::move(FWindowFont), std::move(FOSFont), std::move(FListFont),
                                 std::move(FListBoldFont)};
  CreateFonts();
  ApplyFonts();
  LoadHeaderIcon();
  List.ScaleColumns(old, Dpi);
  MonthList.ScaleColumns(old, Dpi);
  ::SetWindowPos(FHandle, nullptr, Suggested.left, Suggested.top, Suggested.right - Suggested.left,
                 Suggested.bottom - Suggested.top, SWP_NOZORDER | SWP_NOACTIVATE);
  Layout();
}

void Twnd_Main::OnDestroy() {
  FClosed = true;
  if (QuitOnClose) {
    ::PostQuitMessage(0);
  }
}

// --- Row painting of the day list ---

LRESULT Twnd_Main::OnDayListCustomDraw(NMLVCUSTOMDRAW& Draw) {
  const DWORD stage = Draw.nmcd.dwDrawStage;
  if (stage == CDDS_PREPAINT) {
    return CDRF_NOTIFYITEMDRAW;
  }
  const auto item = static_cast<std::size_t>(Draw.nmcd.dwItemSpec);
  const auto& rows = List.Rows();
  const int marker = item < rows.size() ? rows[item].RowMarker : kRowOrdinary;
  const bool themes = ThemesActive();
  auto apply = [&](const TRowPaint& paint) {
    ::SelectObject(Draw.nmcd.hdc, paint.Bold ? FListBoldFont.get() : FListFont.get());
    Draw.clrText = paint.FontColor;
    if (paint.TransparentTextBackground) {
      Draw.clrTextBk = CLR_NONE;
    }
  };
  if (stage == CDDS_ITEMPREPAINT) {
    const TRowPaint paint = DayListRowPaint(marker, TListPaintStage::Row, themes);
    apply(paint);
    if (paint.Separator) {
      if (themes) {
        PaintSeparator(Draw, false);
        return CDRF_SKIPDEFAULT;
      }
      return CDRF_NEWFONT | CDRF_NOTIFYPOSTPAINT;
    }
    return CDRF_NEWFONT | CDRF_NOTIFYSUBITEMDRAW;
  }
  if (stage == (CDDS_ITEMPREPAINT | CDDS_SUBITEM)) {
    const auto paintStage = Draw.iSubItem == 0 ? TListPaintStage::Row : TListPaintStage::SubItem;
    apply(DayListRowPaint(marker, paintStage, themes));
    return CDRF_NEWFONT;
  }
  if (stage == CDDS_ITEMPOSTPAINT) {
    PaintSeparator(Draw, true);
  }
  return CDRF_DODEFAULT;
}

void Twnd_Main::PaintSeparator(NMLVCUSTOMDRAW& Draw, bool AfterDefaultDrawing) {
  HWND list = List.Handle();
  const int item = static_cast<int>(Draw.nmcd.dwItemSpec);
  RECT bounds{};
  bounds.left = LVIR_BOUNDS;
  ::SendMessageW(list, LVM_GETITEMRECT, static_cast<WPARAM>(item),
                 reinterpret_cast<LPARAM>(&bounds));
  TSeparatorPaintState state;
  state.RowOrigin = {bounds.left, bounds.top};
  for (int c = 0; c < List.ColumnCount(); ++c) {
    state.ColumnsWidth += List.ColumnWidth(c);
  }
  const UINT itemState = ListView_GetItemState(list, item, LVIS_FOCUSED | LVIS_SELECTED);
  state.Focused = (itemState & LVIS_FOCUSED) != 0;
  state.Hot = (Draw.nmcd.uItemState & CDIS_HOT) != 0;
  state.ListHasSelection = ListView_GetSelectedCount(list) > 0;
  state.ThemesActive = !AfterDefaultDrawing;
  const COLORREF background = ListView_GetBkColor(list);
  state.NormalBackground = background == CLR_NONE ? ::GetSysColor(COLOR_WINDOW) : background;
  state.Highlight = ::GetSysColor(COLOR_HIGHLIGHT);
  state.HotLight = ::GetSysColor(COLOR_HOTLIGHT);
  state.LineColor = clSilver;
  const TSeparatorPaint paint = DrawSeparatorRow(state);

  HDC dc = Draw.nmcd.hdc;
  RECT row{paint.Rect.Left, paint.Rect.Top, paint.Rect.Right, paint.Rect.Bottom};
  if (paint.FillRect) {
    UniqueBrush fill(::CreateSolidBrush(paint.FillColor));
    ::FillRect(dc, &row, fill.get());
  }
  UniquePen pen(::CreatePen(PS_SOLID, 1, paint.LineColor));
  SelectedObject selected(dc, pen.get());
  ::MoveToEx(dc, paint.LineFrom.X, paint.LineFrom.Y, nullptr);
  ::LineTo(dc, paint.LineTo.X, paint.LineTo.Y);
}

}  // namespace tallyvane
