#pragma once
// Fonts by the names the layouts give, at the window's DPI, with the system's
// UI font where a family is missing.
#include <windows.h>

#include "Win32Handles.h"

namespace tallyvane {

// `Pixels` at 96 dots per inch, at `Dpi`.
int ScaleForDpi(int Pixels, UINT Dpi);

// The DPI of the monitor `Window` is on (96 where the system cannot tell).
UINT WindowDpi(HWND Window);

// True when the system has a font of the family `Face`.
bool FontFamilyExists(const wchar_t* Face);

enum class TFontWeight { Regular, Bold };

// `Face` at `Points` points for `Dpi`; the system's message font at the same
// size and weight where `Face` is missing.
UniqueFont LayoutFont(const wchar_t* Face, int Points, TFontWeight Weight, UINT Dpi);

}  // namespace tallyvane
