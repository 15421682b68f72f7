#pragma once
// The printer canvas of the print layout over a GDI printer device context:
// StartDocW, StartPage, EndPage and EndDoc for the job, GetDeviceCaps for the
// page, text and lines in device pixels.
#include <windows.h>

#include <string>

#include "Win32Handles.h"
#include "present/Orvex_CtrlRtns.h"

namespace tallyvane {

class TGdiPrinterCanvas : public TPrinterCanvas {
 public:
  // `Printer` stays the caller's. `DevMode` (may be null) is the printer's
  // settings from the print dialog; copies and orientation are set in it.
  // `OutputFile`, when not empty, is where the job is written instead of the
  // printer's port.
  TGdiPrinterCanvas(HDC Printer, HGLOBAL DevMode, std::wstring OutputFile = {});
  ~TGdiPrinterCanvas() override;
  TGdiPrinterCanvas(const TGdiPrinterCanvas&) = delete;
  TGdiPrinterCanvas& operator=(const TGdiPrinterCanvas&) = delete;

  void SetDocumentName(const std::string& Name) override;
  void SetCopies(int Copies) override;
  void SetOrientation(TPrinterOrientation Orientation) override;
  void BeginDoc() override;
  void NewPage() override;
  void EndDoc() override;
  int PageNumber() const override { return FPage; }
  int PageWidth() const override;
  int PageHeight() const override;
  int PhysicalOffsetX() const override;
  int PhysicalOffsetY() const override;
  void SetFont(const TPrintFont& Font) override;
  int TextWidth(const std::string& Text) override;
  int TextHeight(const std::string& Text) override;
  void TextOut(int X, int Y, const std::string& Text) override;
  void TextRect(const TRect& Clip, int X, int Y, const std::string& Text) override;
  void MoveTo(int X, int Y) override;
  void LineTo(int X, int Y) override;

 private:
  void ApplyDevMode();
  SIZE Extent(const std::string& Text);

  HDC FDc;
  HGLOBAL FDevMode;
  std::wstring FOutputFile;
  std::wstring FDocumentName;
  UniqueFont FFont;
  HGDIOBJ FOriginalFont = nullptr;
  int FPage = 0;
  bool FInDoc = false;
};

}  // namespace tallyvane
