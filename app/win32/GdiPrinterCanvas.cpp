#include "GdiPrinterCanvas.h"

#include <stdexcept>

#include "WideText.h"

namespace tallyvane {

namespace {

[[noreturn]] void ThrowPrintError(const char* What) {
  throw std::runtime_error(std::string("Printing failed: ") + What);
}

}  // namespace

TGdiPrinterCanvas::TGdiPrinterCanvas(HDC Printer, HGLOBAL DevMode, std::wstring OutputFile)
    : FDc(Printer), FDevMode(DevMode), FOutputFile(std::move(OutputFile)) {}

TGdiPrinterCanvas::~TGdiPrinterCanvas() {
  if (FOriginalFont) {
    ::SelectObject(FDc, FOriginalFont);
  }
  if (FInDoc) {
    // A job left open by an error is thrown away rather than half printed.
    ::AbortDoc(FDc);
  }
}

void TGdiPrinterCanvas::SetDocumentName(const std::string& Name) {
  FDocumentName = Wide(Name);
}

void TGdiPrinterCanvas::ApplyDevMode() {
  if (!FDevMode) {
    return;
  }
  auto* mode = static_cast<DEVMODEW*>(::GlobalLock(FDevMode));
  if (!mode) {
    return;
  }
  ::ResetDCW(FDc, mode);
  ::GlobalUnlock(FDevMode);
}

void TGdiPrinterCanvas::SetCopies(int Copies) {
  if (auto* mode = FDevMode ? static_cast<DEVMODEW*>(::GlobalLock(FDevMode)) : nullptr) {
    mode->dmFields |= DM_COPIES;
    mode->dmCopies = static_cast<short>(Copies);
    ::GlobalUnlock(FDevMode);
    ApplyDevMode();
  }
}

void TGdiPrinterCanvas::SetOrientation(TPrinterOrientation Orientation) {
  if (auto* mode = FDevMode ? static_cast<DEVMODEW*>(::GlobalLock(FDevMode)) : nullptr) {
    mode->dmFields |= DM_ORIENTATION;
    mode->dmOrientation = static_cast<short>(
        Orientation == TPrinterOrientation::poPortrait ? DMORIENT_PORTRAIT : DMORIENT_LANDSCAPE);
    ::GlobalUnlock(FDevMode);
    ApplyDevMode();
  }
}

void TGdiPrinterCanvas::BeginDoc() {
  DOCINFOW info{};
  info.cbSize = sizeof(info);
  info.lpszDocName = FDocumentName.c_str();
  info.lpszOutput = FOutputFile.empty() ? nullptr : FOutputFile.c_str();
  if (::StartDocW(FDc, &info) <= 0) {
    ThrowPrintError("the printer did not accept the job");
  }
  FInDoc = true;
  if (::StartPage(FDc) <= 0) {
    ThrowPrintError("the printer did not start a page");
  }
  FPage = 1;
  ::SetBkMode(FDc, TRANSPARENT);
}

void TGdiPrinterCanvas::NewPage() {
  if (::EndPage(FDc) <= 0 || ::StartPage(FDc) <= 0) {
    ThrowPrintError("the printer did not start a page");
  }
  ++FPage;
  // StartPage resets the device context's objects; the font goes back in.
  if (FFont) {
    ::SelectObject(FDc, FFont.get());
  }
  ::SetBkMode(FDc, TRANSPARENT);
}

void TGdiPrinterCanvas::EndDoc() {
  if (::EndPage(FDc) <= 0) {
    ThrowPrintError("the printer did not finish a page");
  }
  if (::EndDoc(FDc) <= 0) {
    ThrowPrintError("the printer did not finish the job");
  }
  FInDoc = false;
}

int TGdiPrinterCanvas::PageWidth() const {
  return ::GetDeviceCaps(FDc, HORZRES);
}
int TGdiPrinterCanvas::PageHeight() const {
  return ::GetDeviceCaps(FDc, VERTRES);
}
int TGdiPrinterCanvas::PhysicalOffsetX() const {
  return ::GetDeviceCaps(FDc, PHYSICALOFFSETX);
}
int TGdiPrinterCanvas::PhysicalOffsetY() const {
  return ::GetDeviceCaps(FDc, PHYSICALOFFSETY);
}

void TGdiPrinterCanvas::SetFont(const TPrintFont& Font) {
  LOGFONTW lf{};
  const std::wstring face = Wide(Font.Name);
  face.copy(lf.lfFaceName, LF_FACESIZE - 1);
  lf.lfHeight = -::MulDiv(Font.Size, ::GetDeviceCaps(FDc, LOGPIXELSY), 72);
  lf.lfWeight = Font.Bold ? FW_BOLD : FW_NORMAL;
  lf.lfCharSet = DEFAULT_CHARSET;
  UniqueFont font(::CreateFontIndirectW(&lf));
  if (!font) {
    ThrowPrintError("the font could not be made");
  }
  HGDIOBJ previous = ::SelectObject(FDc, font.get());
  if (!FOriginalFont) {
    FOriginalFont = previous;
  }
  FFont = std::move(font);
  ::SetTextColor(FDc, Font.Color);
}

SIZE TGdiPrinterCanvas::Extent(const std::string& Text) {
  const std::wstring text = Wide(Text);
  SIZE size{};
  ::GetTextExtentPoint32W(FDc, text.c_str(), static_cast<int>(text.size()), &size);
  return size;
}

int TGdiPrinterCanvas::TextWidth(const std::string& Text) {
  return static_cast<int>(Extent(Text).cx);
}

int TGdiPrinterCanvas::TextHeight(const std::string& Text) {
  return static_cast<int>(Extent(Text).cy);
}

void TGdiPrinterCanvas::TextOut(int X, int Y, const std::string& Text) {
  const std::wstring text = Wide(Text);
  ::TextOutW(FDc, X, Y, text.c_str(), static_cast<int>(text.size()));
}

void TGdiPrinterCanvas::TextRect(const TRect& Clip, int X, int Y, const std::string& Text) {
  const std::wstring text = Wide(Text);
  const RECT clip{Clip.Left, Clip.Top, Clip.Right, Clip.Bottom};
  ::ExtTextOutW(FDc, X, Y, ETO_CLIPPED, &clip, text.c_str(), static_cast<UINT>(text.size()),
                nullptr);
}

void TGdiPrinterCanvas::MoveTo(int X, int Y) {
  ::MoveToEx(FDc, X, Y, nullptr);
}

void TGdiPrinterCanvas::LineTo(int X, int Y) {
  ::LineTo(FDc, X, Y);
}

}  // namespace tallyvane
