#include "AboutDlg.h"

#include <shellapi.h>

#include <optional>
#include <stdexcept>
#include <string>

#include "ResourceIds.h"
#include "WicPicture.h"
#include "WideText.h"
#include "Win32Fonts.h"
#include "Win32Handles.h"
#include "app/common/AboutTexts.h"

namespace tallyvane {

namespace {

enum AboutControl : int {
  kIdEmail = 200,
  kIdWeb,
};

constexpr COLORREF kBackground = RGB(254, 255, 238);
constexpr COLORREF kNavy = RGB(0, 0, 128);
constexpr COLORREF kGrey = RGB(128, 128, 128);
constexpr COLORREF kTeal = RGB(0, 128, 128);
constexpr COLORREF kWhite = RGB(255, 255, 255);
constexpr int kClientWidth = 520;
constexpr int kClientHeight = 358;
constexpr int kPictureHeight = 317;

class TdlgAbout {
 public:
  TdlgAbout(int Language, const TSnapshotTexts& Facts)
      : FTexts(AboutDialogTexts(Language, Facts)) {}

  void ShowModal(HWND Owner);
  LRESULT HandleMessage(UINT Message, WPARAM WParam, LPARAM LParam);
  void Attach(HWND Window) { FHandle = Window; }

 private:
  void FormCreate();
  int Px(int Pixels) const { return ScaleForDpi(Pixels, FDpi); }
  void OnPaint();
  void DrawLabel(HDC Dc, const std::string& Text, HFONT Font, COLORREF Color, RECT Box,
                 UINT Format);
  LRESULT OnCtlColor(HDC Dc, HWND Control);
  bool OnSetCursor(HWND Control);
  void OnCommand(int Id, int Code);
  void Close();
  void OpenLink(const char* Link);

  TAboutDialogTexts FTexts;
  HWND FHandle = nullptr;
  HWND FOwner = nullptr;
  UINT FDpi = USER_DEFAULT_SCREEN_DPI;
  bool FDone = false;
  std::optional<TDecodedPicture> FPicture;
  UniqueIcon FIcon;
  UniqueFont FWindowFont, FProductFont, FDescFont, FBoldFont, FLinkFont;
  UniqueBrush FBackgroundBrush{::CreateSolidBrush(kBackground)};
  UniqueBrush FWhiteBrush{::CreateSolidBrush(kWhite)};
  HWND mLic = nullptr, lEmail = nullptr, lWWW = nullptr, Button2 = nullptr;
};

LRESULT CALLBACK AboutProc(HWND Window, UINT Message, WPARAM WParam, LPARAM LParam) {
  if (Message == WM_NCCREATE) {
    const auto* create = reinterpret_cast<const CREATESTRUCTW*>(LParam);
    ::SetWindowLongPtrW(Window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(create->lpCreateParams));
  }
  auto* self = reinterpret_cast<TdlgAbout*>(::GetWindowLongPtrW(Window, GWLP_USERDATA));
  if (self && Message == WM_NCCREATE) {
    self->Attach(Window);
  }
  if (!self) {
    return ::DefWindowProcW(Window, Message, WParam, LParam);
  }
  return self->HandleMessage(Message, WParam, LParam);
}

void TdlgAbout::ShowModal(HWND Owner) {
  FOwner = Owner;
  const DWORD style = WS_POPUP | WS_CAPTION | WS_SYSMENU | WS_CLIPCHILDREN;
  const DWORD exStyle = WS_EX_DLGMODALFRAME;
  FHandle = ::CreateWindowExW(exStyle, kAboutDialogClass, Wide(FTexts.Caption).c_str(), style,
                              CW_USEDEFAULT, CW_USEDEFAULT, kClientWidth, kClientHeight, Owner,
                              nullptr, ::GetModuleHandleW(nullptr), this);
  if (!FHandle) {
    throw std::runtime_error("The About dialog could not be created");
  }
  FDpi = WindowDpi(FHandle);
  FormCreate();
  RECT frame{0, 0, Px(kClientWidth), Px(kClientHeight)};
  ::AdjustWindowRectExForDpi(&frame, style, FALSE, exStyle, FDpi);
  const int w = frame.right - frame.left;
  const int h = frame.bottom - frame.top;
  MONITORINFO monitor{};
  monitor.cbSize = sizeof(monitor);
  ::GetMonitorInfoW(::MonitorFromWindow(Owner ? Owner : FHandle, MONITOR_DEFAULTTOPRIMARY),
                    &monitor);
  const RECT& area = monitor.rcWork;
  ::SetWindowPos(FHandle, nullptr, area.left + (area.right - area.left - w) / 2,
                 area.top + (area.bottom - area.top - h) / 2, w, h, SWP_NOZORDER);

  // Modal: the owner takes no input until the dialog closes.
  if (Owner) {
    ::EnableWindow(Owner, FALSE);
  }
  ::ShowWindow(FHandle, SW_SHOW);
  ::SetFocus(Button2);
  MSG message{};
  while (!FDone && ::GetMessageW(&message, nullptr, 0, 0) > 0) {
    if (message.message == WM_KEYDOWN &&
        (message.wParam == VK_ESCAPE || message.wParam == VK_RETURN) &&
        (message.hwnd == FHandle || ::IsChild(FHandle, message.hwnd))) {
      Close();
      continue;
    }
    ::TranslateMessage(&message);
    ::DispatchMessageW(&message);
  }
  if (message.message == WM_QUIT) {
    ::PostQuitMessage(static_cast<int>(message.wParam));
  }
  if (FHandle) {
    Close();
  }
}

void TdlgAbout::Close() {
  if (FDone) {
    return;
  }
  FDone = true;
  if (FOwner) {
    ::EnableWindow(FOwner, TRUE);
  }
  HWND window = FHandle;
  FHandle = nullptr;
  ::SetWindowLongPtrW(window, GWLP_USERDATA, 0);
  ::DestroyWindow(window);
  if (FOwner) {
    ::SetActiveWindow(FOwner);
  }
}

void TdlgAbout::FormCreate() {
  const HINSTANCE instance = ::GetModuleHandleW(nullptr);
  FWindowFont = LayoutFont(L"MS Sans Serif", 8, TFontWeight::Regular, FDpi);
  FProductFont = LayoutFont(L"Tahoma", 22, TFontWeight::Bold, FDpi);
  FDescFont = LayoutFont(L"MS Sans Serif", 10, TFontWeight::Regular, FDpi);
  // "MS Sans Serif" has no bold face; the version line takes Tahoma's.
  FBoldFont = LayoutFont(L"Tahoma", 8, TFontWeight::Bold, FDpi);
  LOGFONTW link{};
  ::GetObjectW(FWindowFont.get(), sizeof(link), &link);
  link.lfUnderline = TRUE;
  FLinkFont.reset(::CreateFontIndirectW(&link));

  FIcon.reset(static_cast<HICON>(
      ::LoadImageW(instance, MAKEINTRESOURCEW(IDI_TALLYVANE), IMAGE_ICON, Px(32), Px(32), 0)));
  try {
    FPicture = DecodePicture(ProgramResource(IDR_ABOUT_PICTURE));
  } catch (const std::exception&) {
    // Without its picture the dialog still shows its texts on its own colour.
  }

  // Panel1 (white, with a bevel) holds the memo and the links.
  const int panelLeft = Px(197), panelTop = Px(76), panelWidth = Px(303), panelHeight = Px(217);
  const int inner = Px(2);
  mLic = ::CreateWindowExW(
      0, L"EDIT", Wide(FTexts.mLic).c_str(),
      WS_CHILD | WS_VISIBLE | WS_VSCROLL | ES_MULTILINE | ES_READONLY | ES_AUTOVSCROLL,
      panelLeft + inner + Px(5), panelTop + inner + Px(5), panelWidth - 2 * inner - Px(10),
      panelHeight - 2 * inner - Px(25), FHandle, nullptr, instance, nullptr);
  lEmail = ::CreateWindowExW(
      0, L"STATIC", Wide(FTexts.lEmail).c_str(), WS_CHILD | WS_VISIBLE | SS_NOTIFY | SS_NOPREFIX, 0,
      0, 0, 0, FHandle, reinterpret_cast<HMENU>(static_cast<INT_PTR>(kIdEmail)), instance, nullptr);
  lWWW = ::CreateWindowExW(0, L"STATIC", Wide(FTexts.lWWW).c_str(),
                           WS_CHILD | WS_VISIBLE | SS_NOTIFY | SS_NOPREFIX | SS_RIGHT, 0, 0, 0, 0,
                           FHandle, reinterpret_cast<HMENU>(static_cast<INT_PTR>(kIdWeb)), instance,
                           nullptr);
  Button2 =
      ::CreateWindowExW(0, L"BUTTON", L"OK", WS_CHILD | WS_VISIBLE | WS_TABSTOP | BS_DEFPUSHBUTTON,
                        Px(437), Px(kPictureHeight) + Px(4), Px(75), Px(25), FHandle,
                        reinterpret_cast<HMENU>(static_cast<INT_PTR>(IDOK)), instance, nullptr);
  for (HWND control : {mLic, Button2}) {
    ::SendMessageW(control, WM_SETFONT, reinterpret_cast<WPARAM>(FWindowFont.get()), FALSE);
  }
  for (HWND control : {lEmail, lWWW}) {
    ::SendMessageW(control, WM_SETFONT, reinterpret_cast<WPARAM>(FLinkFont.get()), FALSE);
  }
  // The links take the size of their text.
  auto fit = [&](HWND Label, const std::string& Text, bool RightAligned, int Edge) {
    const std::wstring text = Wide(Text);
    HDC dc = ::GetDC(FHandle);
    SIZE size{};
    {
      SelectedObject selected(dc, FLinkFont.get());
      ::GetTextExtentPoint32W(dc, text.c_str(), static_cast<int>(text.size()), &size);
    }
    ::ReleaseDC(FHandle, dc);
    const int x = RightAligned ? Edge - size.cx : Edge;
    ::MoveWindow(Label, x, panelTop + inner + Px(198), size.cx + 1, size.cy, FALSE);
  };
  fit(lEmail, FTexts.lEmail, false, panelLeft + inner + Px(5));
  fit(lWWW, FTexts.lWWW, true, panelLeft + panelWidth - inner - Px(7));
  // The caret at the start of the terms, nothing selected.
  ::SendMessageW(mLic, EM_SETSEL, 0, 0);
}

void TdlgAbout::DrawLabel(HDC Dc, const std::string& Text, HFONT Font, COLORREF Color, RECT Box,
                          UINT Format) {
  const std::wstring text = Wide(Text);
  SelectedObject selected(Dc, Font);
  ::SetTextColor(Dc, Color);
  ::DrawTextW(Dc, text.c_str(), static_cast<int>(text.size()), &Box, Format | DT_NOPREFIX);
}

void TdlgAbout::OnPaint() {
  PAINTSTRUCT paint{};
  HDC dc = ::BeginPaint(FHandle, &paint);
  RECT client{};
  ::GetClientRect(FHandle, &client);
  const int pictureBottom = Px(kPictureHeight);
  RECT picture{0, 0, client.right, pictureBottom};
  ::FillRect(dc, &client, FBackgroundBrush.get());
  if (FPicture) {
    UniqueDc memory(::CreateCompatibleDC(dc));
    SelectedObject bitmap(memory.get(), FPicture->Bitmap.get());
    ::SetStretchBltMode(dc, HALFTONE);
    ::StretchBlt(dc, 0, 0, picture.right, picture.bottom, memory.get(), 0, 0, FPicture->Width,
                 FPicture->Height, SRCCOPY);
  }
  ::SetBkMode(dc, TRANSPARENT);
  const UINT single = DT_SINGLELINE | DT_NOCLIP;
  DrawLabel(dc, FTexts.lProduct, FProductFont.get(), RGB(0, 0, 0),
            {Px(43), Px(3), client.right, Px(40)}, single | DT_LEFT);
  DrawLabel(dc, FTexts.lDesc, FDescFont.get(), kNavy, {Px(54), Px(39), Px(54 + 372), Px(39 + 31)},
            DT_WORDBREAK | DT_LEFT);
  DrawLabel(dc, FTexts.lVer, FBoldFont.get(), RGB(0, 0, 0),
            {0, Px(46), client.right - Px(8), Px(60)}, single | DT_RIGHT);
  if (FIcon) {
    ::DrawIconEx(dc, client.right - Px(520 - 460), Px(4), FIcon.get(), Px(32), Px(32), 0, nullptr,
                 DI_NORMAL);
  }
  // Bevel1 and Bevel2: a line along their top edge.
  RECT bevel1{Px(179), Px(76), Px(179 + 400), Px(78)};
  RECT bevel2{0, Px(76), Px(16), Px(78)};
  ::DrawEdge(dc, &bevel1, EDGE_ETCHED, BF_TOP);
  ::DrawEdge(dc, &bevel2, EDGE_ETCHED, BF_TOP);
  // Panel1: white, with a bevel around it.
  RECT panel{Px(197), Px(76), Px(197 + 303), Px(76 + 217)};
  ::FillRect(dc, &panel, FWhiteBrush.get());
  ::DrawEdge(dc, &panel, EDGE_SUNKEN, BF_RECT);
  DrawLabel(dc, FTexts.lCR, FWindowFont.get(), kGrey, {Px(12), Px(298), client.right, Px(314)},
            single | DT_LEFT);
  DrawLabel(dc, FTexts.lOS2, FWindowFont.get(), kTeal, {0, Px(298), client.right - Px(20), Px(314)},
            single | DT_RIGHT);
  // Panel3, the button panel: a line along its top edge.
  RECT buttons{0, client.bottom - Px(41), client.right, client.bottom};
  ::DrawEdge(dc, &buttons, EDGE_ETCHED, BF_TOP);
  ::EndPaint(FHandle, &paint);
}

LRESULT TdlgAbout::OnCtlColor(HDC Dc, HWND Control) {
  if (Control == lEmail || Control == lWWW) {
    ::SetTextColor(Dc, kNavy);
  } else {
    ::SetTextColor(Dc, RGB(0, 0, 0));
  }
  ::SetBkColor(Dc, kWhite);
  return reinterpret_cast<LRESULT>(FWhiteBrush.get());
}

bool TdlgAbout::OnSetCursor(HWND Control) {
  if (Control == lEmail || Control == lWWW || Control == Button2) {
    ::SetCursor(::LoadCursorW(nullptr, IDC_HAND));
    return true;
  }
  return false;
}

void TdlgAbout::OpenLink(const char* Link) {
  // A shell that cannot open the link says nothing; there is nothing to add.
  ::ShellExecuteW(FHandle, L"open", Wide(Link).c_str(), nullptr, nullptr, SW_SHOWNORMAL);
}

void TdlgAbout::OnCommand(int Id, int Code) {
  if (Id == IDOK || Id == IDCANCEL) {
    Close();
  } else if (Id == kIdEmail && Code == STN_CLICKED) {
    OpenLink(kAboutEmailLink);
  } else if (Id == kIdWeb && Code == STN_CLICKED) {
    OpenLink(kAboutWebLink);
  }
}

LRESULT TdlgAbout::HandleMessage(UINT Message, WPARAM WParam, LPARAM LParam) {
  switch (Message) {
    case WM_PAINT:
      OnPaint();
      return 0;
    case WM_ERASEBKGND:
      return 1;
    case WM_CTLCOLORSTATIC:
    case WM_CTLCOLOREDIT:
      return OnCtlColor(reinterpret_cast<HDC>(WParam), reinterpret_cast<HWND>(LParam));
    case WM_SETCURSOR:
      if (OnSetCursor(reinterpret_cast<HWND>(WParam))) {
        return TRUE;
      }
      break;
    case WM_COMMAND:
      OnCommand(LOWORD(WParam), HIWORD(WParam));
      return 0;
    case WM_CLOSE:
      Close();
      return 0;
    default:
      break;
  }
  return ::DefWindowProcW(FHandle, Message, WParam, LParam);
}

}  // namespace

void RegisterAboutDialogClass() {
  WNDCLASSEXW about{};
  about.cbSize = sizeof(about);
  about.lpfnWndProc = AboutProc;
  about.hInstance = ::GetModuleHandleW(nullptr);
  about.hCursor = ::LoadCursorW(nullptr, IDC_ARROW);
  about.lpszClassName = kAboutDialogClass;
  if (!::RegisterClassExW(&about)) {
    throw std::runtime_error("The About dialog's window class could not be registered");
  }
}

void ShowAboutDialog(int Language, HWND Owner, const TSnapshotTexts& Facts) {
  TdlgAbout dialog(Language, Facts);
  dialog.ShowModal(Owner);
}

}  // namespace tallyvane
