#include "app/qt/QtPrinterCanvas.h"

#include <QFontMetrics>
#include <QHeaderView>
#include <QTreeView>
#include <stdexcept>

#include "app/qt/AppStart.h"

namespace tallyvane {

namespace {

QString Text(const std::string& s) {
  return QString::fromUtf8(s.data(), static_cast<int>(s.size()));
}

std::string Utf8(const QString& s) {
  return s.toUtf8().toStdString();
}

QRect PrintableArea(const QPrinter& Printer) {
  return Printer.pageRect(QPrinter::DevicePixel).toRect();
}

}  // namespace

TQtPrinterCanvas::TQtPrinterCanvas(QPrinter& Printer) : FPrinter(Printer) {}

TQtPrinterCanvas::~TQtPrinterCanvas() {
  if (FPainter.isActive()) {
    FPainter.end();
  }
}

void TQtPrinterCanvas::SetDocumentName(const std::string& Name) {
  FPrinter.setDocName(Text(Name));
}

void TQtPrinterCanvas::SetCopies(int Copies) {
  FPrinter.setCopyCount(Copies);
}

void TQtPrinterCanvas::SetOrientation(TPrinterOrientation Orientation) {
  FPrinter.setPageOrientation(Orientation == TPrinterOrientation::poPortrait
                                  ? QPageLayout::Portrait
                                  : QPageLayout::Landscape);
}

void TQtPrinterCanvas::BeginDoc() {
  if (!FPainter.begin(&FPrinter)) {
    throw std::runtime_error("The printer could not start the print job.");
  }
  FPageNumber = 1;
  FPainter.setRenderHint(QPainter::TextAntialiasing);
}

void TQtPrinterCanvas::NewPage() {
  if (!FPrinter.newPage()) {
    throw std::runtime_error("The printer could not start a new page.");
  }
  ++FPageNumber;
}

void TQtPrinterCanvas::EndDoc() {
  if (FPainter.isActive() && !FPainter.end()) {
    throw std::runtime_error("The printer could not finish the print job.");
  }
}

int TQtPrinterCanvas::PageWidth() const {
  return PrintableArea(FPrinter).width();
}
int TQtPrinterCanvas::PageHeight() const {
  return PrintableArea(FPrinter).height();
}
int TQtPrinterCanvas::PhysicalOffsetX() const {
  return PrintableArea(FPrinter).left();
}
int TQtPrinterCanvas::PhysicalOffsetY() const {
  return PrintableArea(FPrinter).top();
}

void TQtPrinterCanvas::SetFont(const TPrintFont& Font) {
  FFont = LayoutFont(Text(Font.Name), Font.Size, Font.Bold);
  FColor = QColor(ColorRed(Font.Color), ColorGreen(Font.Color), ColorBlue(Font.Color));
  if (FPainter.isActive()) {
    FPainter.setFont(FFont);
  }
}

int TQtPrinterCanvas::TextWidth(const std::string& Text_) {
  return QFontMetrics(FFont, &FPrinter).horizontalAdvance(Text(Text_));
}

int TQtPrinterCanvas::TextHeight(const std::string&) {
  return QFontMetrics(FFont, &FPrinter).height();
}

void TQtPrinterCanvas::TextOut(int X, int Y, const std::string& Text_) {
  FPainter.setFont(FFont);
  FPainter.setPen(FColor);
  FPainter.drawText(QPoint(X, Y + QFontMetrics(FFont, &FPrinter).ascent()), Text(Text_));
}

void TQtPrinterCanvas::TextRect(const TRect& Clip, int X, int Y, const std::string& Text_) {
  if (Clip.Right <= Clip.Left || Clip.Bottom <= Clip.Top) {
    return;
  }
  FPainter.save();
  FPainter.setClipRect(QRect(QPoint(Clip.Left, Clip.Top), QPoint(Clip.Right - 1, Clip.Bottom - 1)));
  TextOut(X, Y, Text_);
  FPainter.restore();
}

void TQtPrinterCanvas::MoveTo(int X, int Y) {
  FPen = QPoint(X, Y);
}

void TQtPrinterCanvas::LineTo(int X, int Y) {
  FPainter.setPen(QPen());
  FPainter.drawLine(FPen, QPoint(X, Y));
  FPen = QPoint(X, Y);
}

int TItemViewReportSource::ColumnCount() const {
  return FView.model() ? FView.model()->columnCount() : 0;
}

std::string TItemViewReportSource::ColumnCaption(int Column) const {
  return Utf8(FView.model()->headerData(Column, Qt::Horizontal, Qt::DisplayRole).toString());
}

int TItemViewReportSource::ColumnWidth(int Column) const {
  return FView.isColumnHidden(Column) ? 0 : FView.header()->sectionSize(Column);
}

int TItemViewReportSource::ItemCount() const {
  return FView.model() ? FView.model()->rowCount() : 0;
}

std::string TItemViewReportSource::ItemCaption(int Item) const {
  return Utf8(FView.model()->index(Item, 0).data(Qt::DisplayRole).toString());
}

std::vector<std::string> TItemViewReportSource::ItemSubItems(int Item) const {
  std::vector<std::string> texts;
  const QAbstractItemModel* model = FView.model();
  for (int c = 1; c < model->columnCount(); ++c) {
    texts.push_back(Utf8(model->index(Item, c).data(Qt::DisplayRole).toString()));
  }
  return texts;
}

}  // namespace tallyvane
