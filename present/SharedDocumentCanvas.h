#pragma once
// Several print jobs as one document, for a printer that writes to a file.
#include "present/Orvex_CtrlRtns.h"

namespace tallyvane {

// Lets several print jobs share one document: the first BeginDoc begins it,
// each later one starts a new page, and the document ends with Finish (or on
// destruction). Page numbers count per job. Used when the printer writes to a
// file, so a second job cannot replace the first one's file.
class TSharedDocumentCanvas : public TPrinterCanvas {
 public:
  explicit TSharedDocumentCanvas(TPrinterCanvas& Inner) : FInner(Inner) {}
  ~TSharedDocumentCanvas() override;
  void Finish();

  void SetDocumentName(const std::string& Name) override;
  void SetCopies(int Copies) override { FInner.SetCopies(Copies); }
  // The document keeps the orientation it began with.
  void SetOrientation(TPrinterOrientation Orientation) override {
    if (!FBegun)
      FInner.SetOrientation(Orientation);
  }
  void BeginDoc() override;
  void NewPage() override;
  void EndDoc() override {}
  int PageNumber() const override { return FPage; }
  int PageWidth() const override { return FInner.PageWidth(); }
  int PageHeight() const override { return FInner.PageHeight(); }
  int PhysicalOffsetX() const override { return FInner.PhysicalOffsetX(); }
  int PhysicalOffsetY() const override { return FInner.PhysicalOffsetY(); }
  void SetFont(const TPrintFont& Font) override { FInner.SetFont(Font); }
  int TextWidth(const std::string& Text) override { return FInner.TextWidth(Text); }
  int TextHeight(const std::string& Text) override { return FInner.TextHeight(Text); }
  void TextOut(int X, int Y, const std::string& Text) override { FInner.TextOut(X, Y, Text); }
  void TextRect(const TRect& Clip, int X, int Y, const std::string& Text) override {
    FInner.TextRect(Clip, X, Y, Text);
  }
  void MoveTo(int X, int Y) override { FInner.MoveTo(X, Y); }
  void LineTo(int X, int Y) override { FInner.LineTo(X, Y); }

 private:
  TPrinterCanvas& FInner;
  bool FBegun = false;
  bool FNamed = false;
  int FPage = 0;
};

}  // namespace tallyvane
