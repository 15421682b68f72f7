#include <gtest/gtest.h>

#include <QDesktopServices>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTest>
#include <QTimer>
#include <QUrl>

#include "AppTestSupport.h"
#include "app/qt/AboutDlg.h"

namespace tallyvane {
namespace {

class UrlRecorder : public QObject {
  Q_OBJECT
 public:
  QList<QUrl> urls;
 public slots:
  void open(const QUrl& url) { urls << url; }
};

TEST(AboutDialog, FillsItsFieldsFromTheVersionInformationInEitherLanguage) {
  const TSnapshotTexts snapshot = testing::KnownSnapshot();
  struct Case {
    int language;
    QString caption;
    QString version;
    int licence;
  };
  for (const Case& c : {Case{0, "About....", "Version 0.1.0", 0},
                        Case{1, QString::fromUtf8("O programu...."), "Verze 0.1.0", 1}}) {
    TdlgAbout dialog(nullptr, c.language, snapshot);
    EXPECT_EQ(dialog.windowTitle(), c.caption);
    EXPECT_EQ(dialog.size(), QSize(520, 358));
    EXPECT_EQ(dialog.lProduct->text(), "Tallyvane Journal");
    EXPECT_EQ(dialog.lVer->text(), c.version);
    EXPECT_EQ(dialog.lEmail->text(), "journal@tallyvane.example");
    EXPECT_EQ(dialog.lWWW->text(), "www.tallyvane.example/journal");
    EXPECT_EQ(dialog.lCR->text(), "Copyright (C) 2026 The Tallyvane authors");
    EXPECT_EQ(dialog.lDesc->text(), "When was this computer in use, and for how long.");
    EXPECT_EQ(dialog.lOS2->text(), "Debian GNU/Linux 12 (bookworm) x64");
    EXPECT_EQ(dialog.mLic->toPlainText(), QString::fromUtf8(AboutTexts[c.language][8]));
    EXPECT_TRUE(dialog.mLic->isReadOnly());
    EXPECT_EQ(dialog.mLic->textCursor().position(), 0);
    EXPECT_FALSE(dialog.mLic->textCursor().hasSelection());
    // Right-aligned labels keep their right edges.
    EXPECT_EQ(dialog.lVer->geometry().right() + 1, 520 - 8);
    EXPECT_EQ(dialog.lOS2->geometry().right() + 1, 520 - 20);
    EXPECT_EQ(dialog.Image2->pixmap().size(), QSize(520, 317));
    EXPECT_FALSE(dialog.Icon->pixmap().isNull());
  }
}

TEST(AboutDialog, DescriptionStandsInForMissingCommentsAndEmptyFieldsStayEmpty) {
  TSnapshotTexts snapshot = testing::KnownSnapshot();
  snapshot.Comments.clear();
  snapshot.OSEdition.clear();
  TdlgAbout dialog(nullptr, 0, snapshot);
  EXPECT_EQ(dialog.lDesc->text(), "Computer usage journal");
  EXPECT_EQ(dialog.lOS2->text(), "Debian GNU/Linux 12 (bookworm)");

  TdlgAbout empty(nullptr, 0, TSnapshotTexts{});
  EXPECT_EQ(empty.lProduct->text(), "");
  EXPECT_EQ(empty.lVer->text(), "Version ");
  EXPECT_EQ(empty.lOS2->text(), "");
}

TEST(AboutDialog, TextTableHasThirteenEntriesInBothRows) {
  const std::vector<std::pair<int, std::string>> fixed{
      {0, "About"},    {1, "Application"}, {2, "Description"},
      {3, "Version"},  {4, "Author"},      {5, "E-mail"},
      {6, "Homepage"}, {7, "License"},     {9, "System Information"},
      {10, "OS"},      {11, "CPU"},        {12, "Memory"}};
  for (const auto& [entry, text] : fixed) {
    EXPECT_EQ(AboutTexts[0][static_cast<size_t>(entry)], text);
  }
  EXPECT_STREQ(AboutTexts[1][6], "Domovsk\u00e1 str\u00e1nka");
  EXPECT_STREQ(AboutTexts[1][12], "Pam\u011b\u0165");
  EXPECT_GT(std::string(AboutTexts[1][8]).size(), 100u);
}

TEST(AboutDialog, LinksOpenThroughTheDesktopsUrlHandler) {
  UrlRecorder recorder;
  QDesktopServices::setUrlHandler(QStringLiteral("mailto"), &recorder, "open");
  QDesktopServices::setUrlHandler(QStringLiteral("http"), &recorder, "open");
  {
    TdlgAbout dialog(nullptr, 0, testing::KnownSnapshot());
    dialog.show();
    QTest::mouseClick(dialog.lEmail, Qt::LeftButton);
    QTest::mouseClick(dialog.lWWW, Qt::LeftButton);
    QTest::mouseClick(dialog.lWWW, Qt::RightButton);
  }
  QDesktopServices::unsetUrlHandler(QStringLiteral("mailto"));
  QDesktopServices::unsetUrlHandler(QStringLiteral("http"));
  ASSERT_EQ(recorder.urls.size(), 2);
  EXPECT_EQ(recorder.urls[0], QUrl("mailto:journal@tallyvane.example"));
  EXPECT_EQ(recorder.urls[1], QUrl("http://www.tallyvane.example/journal"));
}

TEST(AboutDialog, EnterEscapeAndOkCloseIt) {
  for (const int key : {int(Qt::Key_Return), int(Qt::Key_Enter), int(Qt::Key_Escape), 0}) {
    TdlgAbout dialog(nullptr, 0, testing::KnownSnapshot());
    bool closedInTime = false;
    QTimer::singleShot(0, &dialog, [&] {
      if (key == 0) {
        QTest::mouseClick(dialog.Button2, Qt::LeftButton);
      } else {
        QTest::keyClick(dialog.focusWidget() ? dialog.focusWidget() : &dialog,
                        static_cast<Qt::Key>(key));
      }
      closedInTime = !dialog.isVisible();
      if (!closedInTime) {
        dialog.done(99);  // never leave the test waiting
      }
    });
    dialog.exec();
    EXPECT_TRUE(closedInTime) << key;
    EXPECT_TRUE(dialog.Button2->isDefault());
  }
}

}  // namespace
}  // namespace tallyvane

#include "AboutDlgTest.moc"
