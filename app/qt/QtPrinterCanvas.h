#pragma once
// The Qt side of printing a report list: a printer canvas over a QPrinter and
// a report-list source over a Qt item view.
#include <QFont>
#include <QPainter>
#include <QPrinter>

#include "present/Orvex_CtrlRtns.h"

class QTreeView;

namespace tallyvane {

class TQtPrinterCanvas : public TPrinterCanvas {
 public:
  explicit TQtPrinterCanvas(QPrinter& Printer);
  ~TQtPrinterCanvas() override;

  void SetDocumentName(const std::string& Name) override;
  void SetCopies(int Copies) override;
  void SetOrientation(TPrinterOrientation Orientation) override;
  void BeginDoc() override;
  void NewPage() override;
  void EndDoc() override;
  int PageNumber() const override { return FPageNumber; }
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
  QPrinter& FPrinter;
  QPainter FPainter;
  QFont FFont;
  QColor FColor = Qt::black;
  QPoint FPen;
  int FPageNumber = 0;
};

// The columns and rows of a report-style view as the print layout reads them:
// the header's captions and current widths, the model's texts (column 0 is the
// caption, the others the sub-items).
class TItemViewReportSource : public TReportListSource {
 public:
  explicit TItemViewReportSource(const QTreeView& View) : FView(View) {}
  int ColumnCount() const override;
  std::string ColumnCaption(int Column) const override;
  int ColumnWidth(int Column) const override;
  int ItemCount() const override;
  std::string ItemCaption(int Item) const override;
  std::vector<std::string> ItemSubItems(int Item) const override;

 private:
  const QTreeView& FView;
};

}  // namespace tallyvane
