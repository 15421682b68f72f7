#include "TestPrinter.h"

#include <shlobj.h>
#include <winspool.h>

#include <stdexcept>

namespace tallyvane::testing {

namespace {

// A4 at 300 dots per inch with a quarter-inch unprintable margin.
constexpr char kPrinterDescription[] =
    "*PPD-Adobe: \"4.3\"\n"
    "*FormatVersion: \"4.3\"\n"
    "*FileVersion: \"1.0\"\n"
    "*LanguageVersion: English\n"
    "*LanguageEncoding: ISOLatin1\n"
    "*PCFileName: \"TVTEST.PPD\"\n"
    "*Manufacturer: \"Tallyvane\"\n"
    "*Product: \"(Test Printer)\"\n"
    "*ModelName: \"Tallyvane Test Printer\"\n"
    "*ShortNickName: \"Tallyvane Test Printer\"\n"
    "*NickName: \"Tallyvane Test Printer\"\n"
    "*PSVersion: \"(3010.000) 0\"\n"
    "*LanguageLevel: \"3\"\n"
    "*ColorDevice: False\n"
    "*DefaultColorSpace: Gray\n"
    "*DefaultResolution: 300dpi\n"
    "*OpenUI *PageSize: PickOne\n"
    "*OrderDependency: 10 AnySetup *PageSize\n"
    "*DefaultPageSize: A4\n"
    "*PageSize A4/A4: \"<</PageSize[595 842]>>setpagedevice\"\n"
    "*CloseUI: *PageSize\n"
    "*DefaultImageableArea: A4\n"
    "*ImageableArea A4/A4: \"18 18 577 824\"\n"
    "*DefaultPaperDimension: A4\n"
    "*PaperDimension A4/A4: \"595 842\"\n"
    "*DefaultFont: Courier\n"
    "*Font Courier: Standard \"(002.004S)\" Standard ROM\n";

constexpr wchar_t kDescriptionFile[] = L"tallyvane-test.ppd";

}  // namespace

void EnsureTestPrinter(const std::wstring& Name, const std::wstring& Port) {
  HANDLE existing = nullptr;
  if (::OpenPrinterW(const_cast<wchar_t*>(Name.c_str()), &existing, nullptr)) {
    ::ClosePrinter(existing);
    return;
  }
  // The driver reads the description from the driver folder.
  wchar_t folder[MAX_PATH] = {};
  DWORD size = 0;
  if (!::GetPrinterDriverDirectoryW(nullptr, nullptr, 1, reinterpret_cast<BYTE*>(folder),
                                    sizeof(folder), &size)) {
    throw std::runtime_error("test printer: no driver folder");
  }
  const std::wstring description = std::wstring(folder) + L"\\" + kDescriptionFile;
  ::SHCreateDirectoryExW(nullptr, folder, nullptr);
  HANDLE file = ::CreateFileW(description.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
  DWORD written = 0;
  const bool saved =
      file != INVALID_HANDLE_VALUE &&
      ::WriteFile(file, kPrinterDescription, sizeof(kPrinterDescription) - 1, &written, nullptr) &&
      written == sizeof(kPrinterDescription) - 1;
  if (file != INVALID_HANDLE_VALUE) {
    ::CloseHandle(file);
  }
  if (!saved) {
    throw std::runtime_error("test printer: the printer description could not be written");
  }
  DRIVER_INFO_3W driver{};
  driver.cVersion = 3;
  driver.pName = const_cast<wchar_t*>(kTestPrinterName);
  driver.pDriverPath = const_cast<wchar_t*>(L"wineps.drv");
  driver.pConfigFile = const_cast<wchar_t*>(L"wineps.drv");
  driver.pDataFile = const_cast<wchar_t*>(kDescriptionFile);
  ::AddPrinterDriverExW(nullptr, 3, reinterpret_cast<BYTE*>(&driver), APD_COPY_NEW_FILES);
  PRINTER_INFO_2W printer{};
  printer.pPrinterName = const_cast<wchar_t*>(Name.c_str());
  printer.pPortName = const_cast<wchar_t*>(Port.c_str());
  printer.pDriverName = const_cast<wchar_t*>(kTestPrinterName);
  printer.pPrintProcessor = const_cast<wchar_t*>(L"WinPrint");
  printer.pDatatype = const_cast<wchar_t*>(L"RAW");
  HANDLE added = ::AddPrinterW(nullptr, 2, reinterpret_cast<BYTE*>(&printer));
  if (!added) {
    throw std::runtime_error("test printer: AddPrinterW failed");
  }
  ::ClosePrinter(added);
}

HDC CreateTestPrinterDc(const std::wstring& Name) {
  HDC dc = ::CreateDCW(L"WINSPOOL", Name.c_str(), nullptr, nullptr);
  if (!dc) {
    throw std::runtime_error("test printer: no device context");
  }
  return dc;
}

std::string ReadPrintedFile(const std::wstring& Path) {
  std::string text;
  HANDLE file = ::CreateFileW(Path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) {
    return {};
  }
  char buffer[65536];
  DWORD read = 0;
  while (::ReadFile(file, buffer, sizeof(buffer), &read, nullptr) && read > 0) {
    text.append(buffer, read);
  }
  ::CloseHandle(file);
  return text;
}

int PostScriptPageCount(const std::wstring& Path) {
  const std::string text = ReadPrintedFile(Path);
  int pages = 0;
  for (std::size_t at = text.find("\n%%Page: "); at != std::string::npos;
       at = text.find("\n%%Page: ", at + 1)) {
    ++pages;
  }
  return pages;
}

}  // namespace tallyvane::testing
