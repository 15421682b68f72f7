// Conversions between the platform's time representations and TDateTime.
#include <gtest/gtest.h>

#include <filesystem>

#include "present/Orvex_Datetime.h"
#include "support/TimeZoneGuard.h"

namespace tallyvane {
namespace {

constexpr double kMs = 1.0 / 86'400'000;

TDateTime at(int y, int mo, int d, int h = 0, int mi = 0, int s = 0, int ms = 0) {
  const TDateTime date = *EncodeDate(y, mo, d);
  const TDateTime time = *EncodeTime(h, mi, s, ms);
  return date >= 0 ? date + time : date - time;
}

TEST(TimeConversion, UnixTimeCountsFromOneHourAfterTheEpoch) {
  EXPECT_NEAR(UnixTimeToDateTime(0), at(1970, 1, 1, 1), kMs);
  EXPECT_NEAR(UnixTimeToDateTime(0), 25569.0 + 1.0 / 24, 1e-12);
  // A Unix time stamp minus 3,600 gives that stamp's exact UTC time.
  const struct {
    std::uint32_t stamp;
    TDateTime utc;
  } cases[] = {
      {3600, at(1970, 1, 1, 1)},
      {7200, at(1970, 1, 1, 2)},
      {86400, at(1970, 1, 2)},
      {1'700'000'000, at(2023, 11, 14, 22, 13, 20)},
      {951'782'400, at(2000, 2, 29)},
      {4'294'967'295u, at(2106, 2, 7, 6, 28, 15)},
  };
  for (const auto& c : cases) {
    EXPECT_NEAR(UnixTimeToDateTime(c.stamp - 3600), c.utc, kMs) << c.stamp;
  }
  EXPECT_NEAR(UnixTimeToDateTime(0xFFFFFFFF), at(2106, 2, 7, 7, 28, 15), kMs);
}

TEST(TimeConversion, FileTimeToDateTime) {
  constexpr std::uint64_t kTicksPerSecond = 10'000'000;
  const struct {
    std::uint64_t ticks;
    TDateTime expected;
  } cases[] = {
      {0, at(1601, 1, 1)},
      {94'353'120'000'000'000ULL, 0.0},                                   // 1899-12-30
      {116'444'736'000'000'000ULL, 25569.0},                              // 1970-01-01
      {116'444'736'000'000'000ULL + 12'345'678, 25569.0 + 1234.0 * kMs},  // ms, truncated
      {94'353'120'000'000'000ULL - 12 * 3600 * kTicksPerSecond, -1.5},    // 1899-12-29 12:00
      {2'650'467'743'999'990'000ULL, at(9999, 12, 31, 23, 59, 59, 999)},
  };
  for (const auto& c : cases) {
    EXPECT_NEAR(FileTimeToDateTime(FileTime{c.ticks}, false), c.expected, kMs / 2) << c.ticks;
  }
  // Values that give no date of the date-time type: 0.0.
  for (std::uint64_t bad : {2'650'467'744'000'000'000ULL, 0x7FFFFFFFFFFFFFFFULL,
                            0x8000000000000000ULL, 0xFFFFFFFFFFFFFFFFULL}) {
    EXPECT_EQ(FileTimeToDateTime(FileTime{bad}, false), 0.0) << bad;
    EXPECT_EQ(FileTimeToDateTime(FileTime{bad}, true), 0.0) << bad;
  }
}

TEST(TimeConversion, DateTimeToFileTimeRoundTrips) {
  for (TDateTime value : {0.0, 25569.0, at(2023, 11, 14, 22, 13, 20, 123), at(1601, 1, 1),
                          at(1899, 12, 29, 12), at(1700, 6, 1, 23, 59, 59, 999),
                          at(9999, 12, 31, 23, 59, 59, 999), at(2000, 2, 29, 0, 0, 0, 1)}) {
    SCOPED_TRACE(value);
    const FileTime ft = DateTimeToFileTime(value);
    EXPECT_NEAR(FileTimeToDateTime(ft, false), value, kMs / 2);
    EXPECT_EQ(DateTimeToFileTime(FileTimeToDateTime(ft, false)), ft);
  }
  EXPECT_EQ(DateTimeToFileTime(25569.0).ticks, 116'444'736'000'000'000ULL);
  // A time of day that rounds up to midnight before 1899-12-30 is the next day.
  EXPECT_EQ(DateTimeToFileTime(-1.9999999999), DateTimeToFileTime(0.0));
}

// Time zones that answer with fixed results, for the fall-backs.
class StubZone : public platform::TimeZone {
 public:
  bool isAvailable = true;
  bool converts = true;
  bool available() override { return isAvailable; }
  bool utcToLocal(const platform::SystemTime& utc, platform::SystemTime& local) override {
    local = utc;
    local.hour = static_cast<std::uint16_t>((utc.hour + 2) % 24);
    return converts;
  }
};

TEST(TimeConversion, UtcToLocalFallsBackToTheInput) {
  StubZone zone;
  const TDateTime noon = at(2024, 1, 15, 12, 0, 0, 250);
  EXPECT_NEAR(UTCToLocalDateTime(noon, zone), at(2024, 1, 15, 14, 0, 0, 250), kMs / 2);
  zone.converts = false;
  EXPECT_EQ(UTCToLocalDateTime(noon, zone), noon);
  zone.converts = true;
  zone.isAvailable = false;
  EXPECT_EQ(UTCToLocalDateTime(noon, zone), noon);
  EXPECT_EQ(FileTimeToDateTime(DateTimeToFileTime(noon), true, zone), noon);
}

TEST(TimeConversion, UtcToLocalUsesTheZoneRulesOfTheDate) {
#if defined(_WIN32)
  GTEST_SKIP() << "Windows takes the zone from its own settings, not from TZ";
#endif
  if (!std::filesystem::exists("/usr/share/zoneinfo/Europe/Prague")) {
    GTEST_SKIP() << "no time-zone database";
  }
  platform::TimeZone& zone = *platform::systemServices().timeZone;
  {
    testing::TimeZoneGuard tz("Europe/Prague");
    const struct {
      TDateTime utc;
      TDateTime local;
    } cases[] = {
        {at(2024, 1, 15, 12), at(2024, 1, 15, 13)},                // winter, UTC+1
        {at(2024, 7, 15, 12), at(2024, 7, 15, 14)},                // summer, UTC+2
        {at(2024, 3, 31, 0, 59, 59), at(2024, 3, 31, 1, 59, 59)},  // just before the change
        {at(2024, 3, 31, 1), at(2024, 3, 31, 3)},                  // just after it
        {at(2023, 12, 31, 23, 30), at(2024, 1, 1, 0, 30)},         // into the next year
        {at(2024, 7, 15, 12, 0, 0, 789), at(2024, 7, 15, 14, 0, 0, 789)},
    };
    for (const auto& c : cases) {
      EXPECT_NEAR(UTCToLocalDateTime(c.utc, zone), c.local, kMs / 2) << c.utc;
    }
    EXPECT_NEAR(FileTimeToDateTime(DateTimeToFileTime(at(2024, 7, 15, 12)), true, zone),
                at(2024, 7, 15, 14), kMs / 2);
  }
  {
    testing::TimeZoneGuard tz("UTC");
    EXPECT_NEAR(UTCToLocalDateTime(at(2024, 7, 15, 12), zone), at(2024, 7, 15, 12), kMs / 2);
  }
  {
    testing::TimeZoneGuard tz("America/New_York");
    EXPECT_NEAR(UTCToLocalDateTime(at(2024, 1, 15, 3), zone), at(2024, 1, 14, 22), kMs / 2);
  }
}

}  // namespace
}  // namespace tallyvane
