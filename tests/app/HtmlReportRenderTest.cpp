// The HTML report as a browser shows it: tallyvane-report --html writes the
// page for a log the test writes, headless Chromium renders it to a PNG, and
// the test reads the pixels back with QImage and looks for the chart: the heat
// map's shades in the right cells and the month bars at their heights.
// Exits with 77 (skipped) where no Chromium is installed.
#include <gtest/gtest.h>

#include <QByteArray>
#include <QImage>
#include <QProcess>
#include <QProcessEnvironment>
#include <QStandardPaths>
#include <QString>
#include <QStringList>
#include <QUrl>
#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <fstream>
#include <map>
#include <string>
#include <vector>

#include "journal/UsageCalendar.h"
#include "platform/EvtFileWriter.h"
#include "support/JournalDoubles.h"
#include "support/TempDir.h"

namespace tallyvane {
namespace {

// The month bars' fill in the report.
constexpr std::uint32_t kBarColor = 0x2e7d32;
// A heat map cell is 10 pixels square with a 2 pixel gap.
constexpr int kCellPitch = 12;
constexpr int kCellSide = 10;

QString chromium() {
  for (const char* name : {"chromium", "chromium-browser"}) {
    const QString path = QStandardPaths::findExecutable(QString::fromLatin1(name));
    if (!path.isEmpty())
      return path;
  }
  return {};
}

QString text(const std::string& s) {
  return QString::fromStdString(s);
}

// Writes the HTML report of `log` with tallyvane-report, in UTC and the C locale.
void writeReport(const std::string& log, const std::string& html) {
  QProcess report;
  QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
  env.insert(QStringLiteral("TZ"), QStringLiteral("UTC"));
  env.insert(QStringLiteral("LC_ALL"), QStringLiteral("C"));
  report.setProcessEnvironment(env);
  report.setStandardOutputFile(text(html));
  report.start(QStringLiteral(TALLYVANE_REPORT_BINARY), {text(log), QStringLiteral("--html")});
  ASSERT_TRUE(report.waitForFinished(60000)) << "tallyvane-report did not finish";
  ASSERT_EQ(report.exitStatus(), QProcess::NormalExit);
  ASSERT_EQ(report.exitCode(), 0) << report.readAllStandardError().toStdString();
}

// Renders `html` to a 1200x1600 screenshot. The browser runs under timeout(1),
// which ends the whole process group should it hang; it gets a profile of its
// own, no sandbox (it cannot set one up as root or in most containers, and the
// page is our own file), no use of /dev/shm (small in containers), and sRGB
// output at one pixel per CSS pixel so the SVG's colours come out exact.
QImage render(const testing::TempDir& dir, const std::string& html) {
  const std::string png = dir.file("page.png");
  QProcess browser;
  browser.setProcessChannelMode(QProcess::MergedChannels);  // its log noise, for a failure
  browser.start(
      QStringLiteral("timeout"),
      {QStringLiteral("-k"), QStringLiteral("5"), QStringLiteral("45"), chromium(),
       QStringLiteral("--headless"), QStringLiteral("--no-sandbox"),
       QStringLiteral("--disable-gpu"), QStringLiteral("--disable-dev-shm-usage"),
       QStringLiteral("--no-first-run"), QStringLiteral("--no-default-browser-check"),
       QStringLiteral("--hide-scrollbars"), QStringLiteral("--force-device-scale-factor=1"),
       QStringLiteral("--force-color-profile=srgb"),
       QStringLiteral("--user-data-dir=") + text(dir.file("profile")),
       QStringLiteral("--window-size=1200,1600"), QStringLiteral("--screenshot=") + text(png),
       QUrl::fromLocalFile(text(html)).toString()});
  const bool finished = browser.waitForFinished(60000);
  const std::string output = browser.readAll().toStdString();
  if (!finished) {
    browser.kill();
    browser.waitForFinished(5000);
  }
  EXPECT_TRUE(finished && browser.exitCode() == 0)
      << "chromium failed (exit " << browser.exitCode() << "):\n"
      << output.substr(output.size() > 4000 ? output.size() - 4000 : 0);
  QImage image(text(png));
  EXPECT_FALSE(image.isNull()) << "no screenshot at " << png;
  return image.convertToFormat(QImage::Format_RGB32);
}

// Where one colour occurs in an image: how many pixels, and their bounding box.
struct ColorSpread {
  int pixels = 0;
  int left = 0, top = 0, right = -1, bottom = -1;  // inclusive
};

std::map<std::uint32_t, ColorSpread> spreadOf(const QImage& image,
                                              const std::vector<std::uint32_t>& colors) {
  std::map<std::uint32_t, ColorSpread> found;
  for (std::uint32_t c : colors)
    found[c];
  for (int y = 0; y < image.height(); ++y) {
    const auto* line = reinterpret_cast<const QRgb*>(image.constScanLine(y));
    for (int x = 0; x < image.width(); ++x) {
      const auto it = found.find(line[x] & 0xffffffu);
      if (it == found.end())
        continue;
      ColorSpread& s = it->second;
      if (s.pixels++ == 0) {
        s.left = s.right = x;
        s.top = s.bottom = y;
      } else {
        s.left = std::min(s.left, x);
        s.right = std::max(s.right, x);
        s.top = std::min(s.top, y);
        s.bottom = std::max(s.bottom, y);
      }
    }
  }
  return found;
}

std::uint32_t rgbAt(const QImage& image, int x, int y) {
  return image.pixel(x, y) & 0xffffffu;
}

std::vector<std::uint32_t> heatColors() {
  return {kHeatColors.begin(), kHeatColors.end()};
}

// Writes the records as a classic .evt file in `dir`.
std::string writeLog(const testing::TempDir& dir, const std::string& name,
                     const std::vector<platform::EventLogRecordFields>& records) {
  const std::vector<std::byte> bytes = platform::writeEvtFile(records);
  const std::string path = dir.file(name);
  std::ofstream(path, std::ios::binary)
      .write(reinterpret_cast<const char*>(bytes.data()),
             static_cast<std::streamsize>(bytes.size()));
  return path;
}

// A start at `from` and a shutdown `hours` later on the same day.
void addDay(std::vector<platform::EventLogRecordFields>& log, testing::When from, int hours) {
  log.push_back(testing::startRecord(from));
  from.h += hours;
  log.push_back(testing::shutdownRecord(from));
}

// The HTML report of the log `evt`, as Chromium draws it.
void renderReportOf(const testing::TempDir& dir, const std::string& evt, QImage& page) {
  const std::string html = dir.file("report.html");
  ASSERT_NO_FATAL_FAILURE(writeReport(evt, html));
  page = render(dir, html);
  ASSERT_FALSE(page.isNull());
}

// Where the chart's colours (the map's shades and the bars') lie on the page.
std::map<std::uint32_t, ColorSpread> chartSpread(const QImage& page) {
  std::vector<std::uint32_t> colors = heatColors();
  colors.push_back(kBarColor);
  return spreadOf(page, colors);
}

TEST(HtmlReportInChromium, ShowsEachDaysShadeInItsCellAndTheMonthsAsBars) {
  testing::TempDir dir;
  // Monday 6 to Thursday 9 January 2014, one shade each, and Monday 3
  // February four weeks on, the last day of the map: the start on 3 March that
  // closes February is the log's last day, still open, and adds no cell.
  std::vector<platform::EventLogRecordFields> log;
  addDay(log, {2014, 1, 6, 8, 0, 0}, 1);   // 1 h: shade 1
  addDay(log, {2014, 1, 7, 8, 0, 0}, 3);   // 3 h: shade 2
  addDay(log, {2014, 1, 8, 8, 0, 0}, 6);   // 6 h: shade 3
  addDay(log, {2014, 1, 9, 8, 0, 0}, 10);  // 10 h: shade 4
  addDay(log, {2014, 2, 3, 9, 0, 0}, 1);   // 1 h: shade 1
  log.push_back(testing::startRecord({2014, 3, 3, 9, 0, 0}));
  const std::string evt = writeLog(dir, "system.evt", log);
  QImage page;
  ASSERT_NO_FATAL_FAILURE(renderReportOf(dir, evt, page));
  auto spread = chartSpread(page);

  // The map: a year of cells in week columns of seven, every pixel of a cell
  // its shade (no blur at the edges), the cells with use one each.
  ColorSpread map = spread[kHeatColors[0]];
  for (std::uint32_t c : kHeatColors) {
    const ColorSpread& s = spread[c];
    ASSERT_GT(s.pixels, 0) << "no pixel of heat shade #" << std::hex << c;
    map.left = std::min(map.left, s.left);
    map.top = std::min(map.top, s.top);
    map.right = std::max(map.right, s.right);
    map.bottom = std::max(map.bottom, s.bottom);
  }
  EXPECT_EQ(map.bottom - map.top + 1, 6 * kCellPitch + kCellSide);
  const int columns = (map.right - map.left + 1 + kCellPitch - kCellSide) / kCellPitch;
  EXPECT_EQ((map.right - map.left + 1 + kCellPitch - kCellSide) % kCellPitch, 0);
  EXPECT_GE(columns, 53);
  EXPECT_LE(columns, 54);
  const int cellArea = kCellSide * kCellSide;
  EXPECT_EQ(spread[kHeatColors[1]].pixels, 2 * cellArea);
  EXPECT_EQ(spread[kHeatColors[2]].pixels, cellArea);
  EXPECT_EQ(spread[kHeatColors[3]].pixels, cellArea);
  EXPECT_EQ(spread[kHeatColors[4]].pixels, cellArea);
  const int days = spread[kHeatColors[0]].pixels / cellArea + 5;
  EXPECT_EQ(spread[kHeatColors[0]].pixels % cellArea, 0);
  EXPECT_GE(days, 365);
  EXPECT_LE(days, 366);

  // Each day in its cell: rows Monday to Sunday, 3 February in the last column.
  const auto cell = [&](int column, int row) {
    return rgbAt(page, map.left + column * kCellPitch + kCellSide / 2,
                 map.top + row * kCellPitch + kCellSide / 2);
  };
  const int february3 = columns - 1, january6 = february3 - 4;
  const std::pair<std::pair<int, int>, std::uint32_t> cells[] = {
      {{january6, 0}, kHeatColors[1]},  {{january6, 1}, kHeatColors[2]},
      {{january6, 2}, kHeatColors[3]},  {{january6, 3}, kHeatColors[4]},
      {{january6, 4}, kHeatColors[0]},  {{january6 - 1, 6}, kHeatColors[0]},
      {{february3, 0}, kHeatColors[1]}, {{february3 - 1, 0}, kHeatColors[0]},
  };
  for (const auto& [at, color] : cells) {
    EXPECT_EQ(cell(at.first, at.second), color)
        << "column " << at.first << " row " << at.second << " of " << columns;
  }

  // The bars, right of the map: January (20 h) at the chart's full height, its
  // top level with the map's first row, and February (1 h) a twentieth of it;
  // March is not over, so it has no bar.
  const ColorSpread& bars = spread[kBarColor];
  ASSERT_GT(bars.pixels, 0) << "no pixel of the bar colour";
  EXPECT_GT(bars.left, map.right);
  EXPECT_EQ(bars.top, map.top);
  EXPECT_EQ(bars.bottom - bars.top + 1, 200);
  std::vector<std::pair<int, int>> runs;  // the bars' columns, as [first, last]
  for (int x = bars.left; x <= bars.right; ++x) {
    if (rgbAt(page, x, bars.bottom) != kBarColor)
      continue;
    if (!runs.empty() && runs.back().second == x - 1)
      runs.back().second = x;
    else
      runs.push_back({x, x});
  }
  ASSERT_EQ(runs.size(), 2u);
  EXPECT_EQ(runs[0].second - runs[0].first + 1, 36);
  EXPECT_EQ(runs[1].second - runs[1].first + 1, 36);
  EXPECT_EQ(bars.pixels, 36 * 200 + 36 * 10);
}

TEST(HtmlReportInChromium, AReportWithoutDaysShowsAnEmptyYearAndNoBars) {
  testing::TempDir dir;
  const std::string evt = writeLog(dir, "empty.evt", {});
  QImage page;
  ASSERT_NO_FATAL_FAILURE(renderReportOf(dir, evt, page));
  auto spread = chartSpread(page);
  // The year up to today, as the window shows it, every cell unused.
  const int cellArea = kCellSide * kCellSide;
  EXPECT_EQ(spread[kHeatColors[0]].pixels % cellArea, 0);
  EXPECT_GE(spread[kHeatColors[0]].pixels / cellArea, 365);
  EXPECT_LE(spread[kHeatColors[0]].pixels / cellArea, 366);
  for (std::size_t level = 1; level < kHeatColors.size(); ++level) {
    EXPECT_EQ(spread[kHeatColors[level]].pixels, 0) << "a day of shade " << level;
  }
  EXPECT_EQ(spread[kBarColor].pixels, 0) << "a month bar";
}

}  // namespace
}  // namespace tallyvane

int main(int argc, char** argv) {
  ::testing::InitGoogleTest(&argc, argv);
  if (tallyvane::chromium().isEmpty()) {
    std::printf("chromium is not installed: skipping the rendered HTML report tests\n");
    return 77;
  }
  return RUN_ALL_TESTS();
}
