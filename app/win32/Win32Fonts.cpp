#include "Win32Fonts.h"

#include <cwchar>

namespace tallyvane {

int ScaleForDpi(int Pixels, UINT Dpi) {
  return ::MulDiv(Pixels, static_cast<int>(Dpi), USER_DEFAULT_SCREEN_DPI);
}

UINT WindowDpi(HWND Window) {
  const UINT dpi = Window ? ::GetDpiForWindow(Window) : 0;
  return dpi ? dpi : USER_DEFAULT_SCREEN_DPI;
}

namespace {

int CALLBACK NoteFamily(const LOGFONTW*, const TEXTMETRICW*, DWORD, LPARAM Found) {
  *reinterpret_cast<bool*>(Found) = true;
  return 0;
}

}  // namespace

bool FontFamilyExists(const wchar_t* Face) {
  LOGFONTW query{};
  query.lfCharSet = DEFAULT_CHARSET;
  std::wcsncpy(query.lfFaceName, Face, LF_FACESIZE - 1);
  bool found = false;
  HDC screen = ::GetDC(nullptr);
  ::EnumFontFamiliesExW(screen, &query, NoteFamily, reinterpret_cast<LPARAM>(&found), 0);
  ::ReleaseDC(nullptr, screen);
  return found;
}

UniqueFont LayoutFont(const wchar_t* Face, int Points, TFontWeight Weight, UINT Dpi) {
  LOGFONTW font{};
  if (FontFamilyExists(Face)) {
    std::wcsncpy(font.lfFaceName, Face, LF_FACESIZE - 1);
    font.lfCharSet = DEFAULT_CHARSET;
  } else {
    NONCLIENTMETRICSW metrics{};
    metrics.cbSize = sizeof(metrics);
    if (::SystemParametersInfoForDpi(SPI_GETNONCLIENTMETRICS, sizeof(metrics), &metrics, 0, Dpi)) {
      font = metrics.lfMessageFont;
    }
  }
  font.lfHeight = -::MulDiv(Points, static_cast<int>(Dpi), 72);
  font.lfWidth = 0;
  font.lfWeight = Weight == TFontWeight::Bold ? FW_BOLD : FW_NORMAL;
  font.lfQuality = DEFAULT_QUALITY;
  return UniqueFont(::CreateFontIndirectW(&font));
}

}  // namespace tallyvane
