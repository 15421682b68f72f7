#include "app/qt/AboutDlg.h"

#include <QApplication>
#include <QDesktopServices>
#include <QFile>
#include <QFrame>
#include <QMouseEvent>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTextCursor>
#include <QUrl>

#include "app/qt/AppStart.h"
#include "app/qt/JpegImage.h"

namespace tallyvane {

namespace {

const QColor kDialogBackground(254, 255, 238);
const QColor kNavy(0, 0, 128);
const QColor kTeal(0, 128, 128);
const QColor kGrey(128, 128, 128);

QString Text(const std::string& s) {
  return QString::fromUtf8(s.data(), static_cast<int>(s.size()));
}

void SetTextColor(QLabel* Label, const QColor& Color) {
  QPalette palette = Label->palette();
  palette.setColor(QPalette::WindowText, Color);
  Label->setPalette(palette);
}

// A label's text is replaced at run time: it grows from its left edge, or from
// its right edge when it is right-aligned.
void SetLabelText(QLabel* Label, const QString& Value, bool RightAligned) {
  const int right = Label->geometry().right();
  Label->setText(Value);
  Label->adjustSize();
  if (RightAligned) {
    Label->move(right - Label->width() + 1, Label->y());
  }
}

QLabel* MakeLabel(QWidget* Parent, const char* Name, int Left, int Top, const QFont& Font) {
  auto* label = new QLabel(Parent);
  label->setObjectName(QString::fromLatin1(Name));
  label->setFont(Font);
  label->setAttribute(Qt::WA_TranslucentBackground);
  label->move(Left, Top);
  return label;
}

// A line along the top edge of a bevel.
QFrame* MakeBevelLine(QWidget* Parent, const char* Name, int Left, int Top, int Width) {
  auto* line = new QFrame(Parent);
  line->setObjectName(QString::fromLatin1(Name));
  line->setFrameShape(QFrame::HLine);
  line->setFrameShadow(QFrame::Sunken);
  line->setGeometry(Left, Top, Width, 2);
  return line;
}

}  // namespace

void TLinkLabel::mouseReleaseEvent(QMouseEvent* Event) {
  QLabel::mouseReleaseEvent(Event);
  if (Event->button() == Qt::LeftButton && rect().contains(Event->position().toPoint())) {
    emit clicked();
  }
}

TdlgAbout::TdlgAbout(QWidget* Owner, int Language, const TSnapshotTexts& Snapshot)
    : QDialog(Owner) {
  EnsureAppResources();
  const auto& texts = AboutTexts.at(Language == 1 ? 1 : 0);
  setObjectName(QStringLiteral("dlgAbout"));
  setWindowTitle(QStringLiteral("About..."));
  setFixedSize(520, 358);
  setWindowFlags(Qt::Dialog | Qt::MSWindowsFixedSizeDialogHint | Qt::WindowTitleHint |
                 Qt::WindowCloseButtonHint);
  setFont(LayoutFont(QStringLiteral("MS Sans Serif"), 8));
  QPalette palette = this->palette();
  palette.setColor(QPalette::Window, kDialogBackground);
  setPalette(palette);
  setAutoFillBackground(true);

  Image2 = new QLabel(this);
  Image2->setObjectName(QStringLiteral("Image2"));
  Image2->setGeometry(0, 0, 520, 317);
  QFile picture(QStringLiteral(":/about-background.jpg"));
  if (picture.open(QIODevice::ReadOnly)) {
    const QImage image = DecodeJpeg(picture.readAll());
    if (!image.isNull()) {
      Image2->setPixmap(QPixmap::fromImage(image));
    }
  }

  lProduct = MakeLabel(this, "lProduct", 43, 3, LayoutFont(QStringLiteral("Tahoma"), 22, true));
  lProduct->setText(QStringLiteral("lProduct"));
  lProduct->adjustSize();

  lDesc = MakeLabel(this, "lDesc", 54, 39, LayoutFont(QStringLiteral("MS Sans Serif"), 10));
  lDesc->setGeometry(54, 39, 372, 31);
  lDesc->setWordWrap(true);
  lDesc->setAlignment(Qt::AlignLeft | Qt::AlignTop);
  SetTextColor(lDesc, kNavy);

  Icon = new QLabel(this);
  Icon->setObjectName(QStringLiteral("Icon"));
  Icon->setGeometry(460, 4, 32, 32);
  Icon->setAlignment(Qt::AlignCenter);
  Icon->setAttribute(Qt::WA_TranslucentBackground);

  lVer = MakeLabel(this, "lVer", 0, 46, BoldFont(font()));
  lVer->setAlignment(Qt::AlignRight | Qt::AlignTop);
  lVer->setText(QStringLiteral("lVer"));
  lVer->adjustSize();
  lVer->move(520 - 8 - lVer->width(), 46);

  MakeBevelLine(this, "Bevel1", 179, 76, 400);
  MakeBevelLine(this, "Bevel2", 0, 76, 16);

  auto* panel = new QFrame(this);
  panel->setObjectName(QStringLiteral("Panel1"));
  panel->setGeometry(197, 76, 303, 217);
  panel->setFrameShape(QFrame::Panel);
  panel->setFrameShadow(QFrame::Sunken);
  panel->setLineWidth(1);
  QPalette white = panel->palette();
  white.setColor(QPalette::Window, Qt::white);
  white.setColor(QPalette::Base, Qt::white);
  panel->setPalette(white);
  panel->setAutoFillBackground(true);
  Panel1 = panel;
  const int inner = panel->frameWidth();

  mLic = new QPlainTextEdit(panel);
  mLic->setObjectName(QStringLiteral("mLic"));
  mLic->setFrameShape(QFrame::NoFrame);
  mLic->setReadOnly(true);
  mLic->setGeometry(inner + 5, inner + 5, 303 - 2 * inner - 10, 217 - 2 * inner - 5 - 20);
  mLic->setPalette(white);
  mLic->document()->setDocumentMargin(0);

  QFont link = font();
  link.setUnderline(true);
  lEmail = new TLinkLabel(panel);
  lEmail->setObjectName(QStringLiteral("lEmail"));
  lEmail->setFont(link);
  lEmail->move(5, 198);
  lEmail->setCursor(Qt::PointingHandCursor);
  SetTextColor(lEmail, kNavy);
  lWWW = new TLinkLabel(panel);
  lWWW->setObjectName(QStringLiteral("lWWW"));
  lWWW->setFont(link);
  lWWW->setAlignment(Qt::AlignRight | Qt::AlignTop);
  lWWW->setCursor(Qt::PointingHandCursor);
  SetTextColor(lWWW, kNavy);
  lWWW->setText(QStringLiteral("lWWW"));
  lWWW->adjustSize();
  lWWW->move(303 - 2 * inner - 7 - lWWW->width() + inner, 198);
  connect(lEmail, &TLinkLabel::clicked, this, &TdlgAbout::cmEmail);
  connect(lWWW, &TLinkLabel::clicked, this, &TdlgAbout::cmHomepage);

  lCR = MakeLabel(this, "lCR", 12, 298, font());
  SetTextColor(lCR, kGrey);
  lOS2 = MakeLabel(this, "lOS2", 0, 298, font());
  lOS2->setAlignment(Qt::AlignRight | Qt::AlignTop);
  SetTextColor(lOS2, kTeal);
  lOS2->setText(QStringLiteral("lOS2"));
  lOS2->adjustSize();
  lOS2->move(520 - 20 - lOS2->width(), 298);

  auto* buttons = new QWidget(this);
  buttons->setObjectName(QStringLiteral("Panel3"));
  buttons->setGeometry(0, 317, 520, 41);
  buttons->setAutoFillBackground(true);
  QPalette face = buttons->palette();
  face.setColor(QPalette::Window, QApplication::palette().color(QPalette::Button));
  buttons->setPalette(face);
  MakeBevelLine(buttons, "Panel3Bevel", 0, 0, 520);
  Button2 = new QPushButton(QStringLiteral("OK"), buttons);
  Button2->setObjectName(QStringLiteral("Button2"));
  Button2->setGeometry(437, 4, 75, 25);
  Button2->setCursor(Qt::PointingHandCursor);
  Button2->setDefault(true);
  Button2->setAutoDefault(true);
  connect(Button2, &QPushButton::clicked, this, &QDialog::accept);

  FormCreate();

  // Fill the fields from the version information and the snapshot.
  SetLabelText(lProduct, Text(Snapshot.ProductName), false);
  SetLabelText(
      lVer, QStringLiteral("%1 %2").arg(QString::fromUtf8(texts[3]), Text(Snapshot.Version)), true);
  SetLabelText(lEmail, QString::fromLatin1(kAboutEmailLink).mid(7), false);
  SetLabelText(lWWW, QString::fromLatin1(kAboutWebLink).mid(7), true);
  SetLabelText(lCR, Text(Snapshot.Copyright), false);
  lDesc->setText(Text(Snapshot.Comments.empty() ? Snapshot.Description : Snapshot.Comments));
  SetLabelText(
      lOS2, QStringLiteral("%1 %2").arg(Text(Snapshot.OSName), Text(Snapshot.OSEdition)).trimmed(),
      true);
  setWindowTitle(QStringLiteral("%1....").arg(QString::fromUtf8(texts[0])));
  mLic->setPlainText(QString::fromUtf8(texts[8]));
  QTextCursor cursor = mLic->textCursor();
  cursor.movePosition(QTextCursor::Start);
  mLic->setTextCursor(cursor);
  Button2->setFocus();
}

void TdlgAbout::FormCreate() {
  const QIcon icon = QApplication::windowIcon();
  if (!icon.isNull()) {
    Icon->setPixmap(icon.pixmap(32, 32));
  }
}

void TdlgAbout::cmEmail() {
  QDesktopServices::openUrl(QUrl(QString::fromLatin1(kAboutEmailLink)));
}

void TdlgAbout::cmHomepage() {
  QDesktopServices::openUrl(QUrl(QString::fromLatin1(kAboutWebLink)));
}

void ShowAboutDialog(int Language, QWidget* Owner, const TSnapshotTexts& Snapshot) {
  TdlgAbout dialog(Owner, Language, Snapshot);
  CenterOnScreen(&dialog);
  dialog.exec();
}

}  // namespace tallyvane
