#pragma once
// A printer for the tests: Wine's PostScript driver with a small A4 printer
// description, on the port FILE:, so print jobs land in files the tests read.
#include <windows.h>

#include <string>

namespace tallyvane::testing {

inline constexpr const wchar_t* kTestPrinterName = L"Tallyvane Test Printer";

// Installs a test printer `Name` on the port `Port` once per Wine prefix
// ("FILE:", or "|command" for Wine's pipe to a Unix command, which receives
// each job in turn). Throws when it cannot.
void EnsureTestPrinter(const std::wstring& Name = kTestPrinterName,
                       const std::wstring& Port = L"FILE:");

// A device context of a test printer (the caller deletes it).
HDC CreateTestPrinterDc(const std::wstring& Name = kTestPrinterName);

// The text of a file the driver wrote ("" when there is none).
std::string ReadPrintedFile(const std::wstring& Path);

// The number of pages in a PostScript file the driver wrote.
int PostScriptPageCount(const std::wstring& Path);

}  // namespace tallyvane::testing
