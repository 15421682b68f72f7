#pragma once
// The About dialog: the program's name, version, description and copyright,
// the operating system's name, the terms of use and two links.
#include <QDialog>
#include <QLabel>
#include <array>

#include "app/common/AboutTexts.h"
#include "app/common/SnapshotTexts.h"

class QPlainTextEdit;
class QPushButton;

namespace tallyvane {

// A label that reports a click with the left mouse button.
class TLinkLabel : public QLabel {
  Q_OBJECT
 public:
  using QLabel::QLabel;
 signals:
  void clicked();

 protected:
  void mouseReleaseEvent(QMouseEvent* Event) override;
};

class TdlgAbout : public QDialog {
  Q_OBJECT
 public:
  // Creates the dialog with its fields filled for `Language` (0 or 1) from
  // `Snapshot` (steps up to showing it).
  TdlgAbout(QWidget* Owner, int Language, const TSnapshotTexts& Snapshot);

  QLabel* Image2 = nullptr;
  QLabel* lProduct = nullptr;
  QLabel* lDesc = nullptr;
  QLabel* Icon = nullptr;
  QLabel* lVer = nullptr;
  QWidget* Panel1 = nullptr;
  QPlainTextEdit* mLic = nullptr;
  TLinkLabel* lEmail = nullptr;
  TLinkLabel* lWWW = nullptr;
  QLabel* lCR = nullptr;
  QLabel* lOS2 = nullptr;
  QPushButton* Button2 = nullptr;

 public slots:
  void cmEmail();
  void cmHomepage();

 private:
  void FormCreate();
};

// Shows the About dialog modally in `Language` (0 English, 1 Czech), owned by
// `Owner`; returns when it is closed.
void ShowAboutDialog(int Language, QWidget* Owner = nullptr,
                     const TSnapshotTexts& Snapshot = CurrentSnapshotTexts());

}  // namespace tallyvane
