#pragma once
// A printer for the tests: Wine's PostScript driver with a small A4 printer
// description, on the port FILE:, so print jobs land in files the tests read.
#include <windows.h>

#include <string>

namespace tallyvane::testing {

inline constexpr const wchar_t* kTestPrinterName = L"Tallyvane Test Printer";

// Installs the test printer once per Wine prefix. Throws when it cannot.
void EnsureTestPrinter();

// A device context of the test printer (the caller deletes it).
HDC CreateTestPrinterDc();

// The number of pages in a PostScript file the driver wrote.
int PostScriptPageCount(const std::wstring& Path);

}  // namespace tallyvane::testing
