#pragma once
// The About dialog: the program's name, version, description and copyright
// from its version information, the operating system, the terms of use and
// links to the maker's e-mail and web page, over a background picture.
#include <windows.h>

#include "app/common/SnapshotTexts.h"

namespace tallyvane {

inline constexpr const wchar_t* kAboutDialogClass = L"TdlgAbout";

void RegisterAboutDialogClass();

// Shows the dialog modally over `Owner` in `Language` (0 English, 1 Czech) and
// returns when it is closed (OK, Enter, Escape or the close button).
void ShowAboutDialog(int Language, HWND Owner, const TSnapshotTexts& Facts);

}  // namespace tallyvane
