#include <gtest/gtest.h>

#include <QFile>
#include <QFontDatabase>
#include <QFontInfo>

#include "app/common/SnapshotTexts.h"
#include "app/qt/AppStart.h"
#include "app/qt/JpegImage.h"
#include "app/qt/Main.h"

namespace tallyvane {
namespace {

// The header, the About dialog and the print footer show this machine's facts
// and the version the program file carries, not empty texts.
TEST(SnapshotTexts, ComeFromThisMachineAndTheProgramsOwnVersion) {
  const TSnapshotTexts texts = CurrentSnapshotTexts();
  EXPECT_FALSE(texts.OSName.empty());
  EXPECT_FALSE(texts.UserName.empty());
  EXPECT_FALSE(texts.MachineName.empty());
  EXPECT_EQ(texts.ProductName, "Tallyvane Journal");
  EXPECT_EQ(texts.Version.rfind(TALLYVANE_VERSION, 0), 0u) << texts.Version;
  EXPECT_FALSE(texts.Copyright.empty());
}

TEST(Fonts, LayoutFontsResolveToTheNamedFamiliesOnceRegistered) {
  if (!QFile::exists(QStringLiteral("/usr/share/wine/fonts/tahoma.ttf"))) {
    GTEST_SKIP() << "fonts-wine is not installed";
  }
  RegisterFallbackFonts();
  EXPECT_EQ(QFontInfo(LayoutFont(QStringLiteral("Tahoma"), 10, true)).family(), "Tahoma");
  EXPECT_EQ(QFontInfo(LayoutFont(QStringLiteral("MS Sans Serif"), 8)).family(), "MS Sans Serif");
  // A second call registers nothing more.
  EXPECT_TRUE(RegisterFallbackFonts().isEmpty());
}

TEST(Fonts, MissingFamilyFallsBackToTheSystemFontAtTheSameSize) {
  const QFont font = LayoutFont(QStringLiteral("No Such Family 1234"), 9, true);
  EXPECT_NE(font.family(), "No Such Family 1234");
  EXPECT_EQ(font.pointSizeF(), 9.0);
  EXPECT_TRUE(font.bold());
}

TEST(JpegImage, DecodesTheEmbeddedBackgroundAndRejectsDamagedBytes) {
  EnsureAppResources();
  QFile file(QStringLiteral(":/about-background.jpg"));
  ASSERT_TRUE(file.open(QIODevice::ReadOnly));
  const QByteArray bytes = file.readAll();
  const QImage image = DecodeJpeg(bytes);
  ASSERT_FALSE(image.isNull());
  EXPECT_EQ(image.size(), QSize(520, 317));
  // The cream field of the dialog's colour near the bottom right.
  const QColor corner = image.pixelColor(510, 305);
  EXPECT_NEAR(corner.red(), 254, 4);
  EXPECT_NEAR(corner.blue(), 238, 6);

  EXPECT_TRUE(DecodeJpeg(QByteArray()).isNull());
  EXPECT_TRUE(DecodeJpeg(QByteArray("not a picture at all")).isNull());
  EXPECT_TRUE(DecodeJpeg(bytes.left(bytes.size() / 3)).isNull() ||
              DecodeJpeg(bytes.left(bytes.size() / 3)).size() == QSize(520, 317));
  QByteArray bad = bytes;
  bad[1] = 0;  // no start-of-image marker
  EXPECT_TRUE(DecodeJpeg(bad).isNull());
}

TEST(ScreenSnap, EdgesWithinTenPixelsSnapOntoTheScreen) {
  const QRect screen(0, 0, 1920, 1080);
  struct Case {
    QPoint at;
    QPoint expected;
  };
  const std::vector<Case> cases{
      {{8, 300}, {0, 300}},
      {{-7, 300}, {0, 300}},
      {{11, 300}, {11, 300}},
      {{1920 - 800 - 5, 200}, {1120, 200}},
      {{400, 6}, {400, 0}},
      {{400, 1080 - 600 + 9}, {400, 480}},
      {{4, 1080 - 600 - 3}, {0, 480}},
      {{500, 500}, {500, 500}},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(SnapToScreenEdges(QRect(c.at, QSize(800, 600)), screen), c.expected)
        << c.at.x() << "," << c.at.y();
  }
}

}  // namespace
}  // namespace tallyvane
