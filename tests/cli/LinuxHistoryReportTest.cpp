// tallyvane-report over Linux history files (--journal, --wtmp) and over this
// machine with no argument.
#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>
#include <utmpx.h>

#include <cstdio>
#include <cstring>
#include <fstream>
#include <sstream>

#include "cli/Report.h"
#include "support/JournalDoubles.h"
#include "support/JournalExport.h"
#include "support/LocaleSettings.h"
#include "support/TempDir.h"

namespace tallyvane {
namespace {

struct LinuxReportRun {
  LinuxReportRun() {
    env.services.timeZone = &utc;
    env.services.clock = &clock;
    clock.now = platform::SystemTime{2024, 2, 0, 10, 12, 0, 0, 0};
  }
  int run(const std::vector<std::string>& args) {
    out.str({});
    err.str({});
    return report::runReport(args, out, err, env, testing::usEnglishSettings(), false);
  }
  testing::FixedOffsetZone utc{0};
  testing::FixedClock clock;
  report::ReportEnvironment env;
  std::ostringstream out, err;
};

void appendWtmp(const std::string& path, short type, const char* user, std::int64_t seconds) {
  std::ofstream(path, std::ios::app).close();
  utmpx entry{};
  entry.ut_type = type;
  std::strncpy(entry.ut_user, user, sizeof entry.ut_user - 1);
  entry.ut_tv.tv_sec = static_cast<std::int32_t>(seconds);
  updwtmpx(path.c_str(), &entry);
}

TEST(LinuxHistoryReport, WtmpFileGivesItsJournal) {
  testing::TempDir dir;
  const std::string wtmp = (dir.path() / "wtmp").string();
  using testing::utcSeconds;
  appendWtmp(wtmp, BOOT_TIME, "reboot", utcSeconds(2024, 1, 30, 8, 0, 10));
  appendWtmp(wtmp, RUN_LVL, "shutdown", utcSeconds(2024, 1, 30, 17, 0, 35));
  appendWtmp(wtmp, BOOT_TIME, "reboot", utcSeconds(2024, 2, 3, 9, 0, 0));
  LinuxReportRun r;
  ASSERT_EQ(r.run({"--csv", "--wtmp", wtmp}), 0) << r.err.str();
  const std::string csv = r.out.str();
  EXPECT_NE(csv.find("Tuesday, 1/30/2024 8:00:10 AM"), std::string::npos) << csv;
  EXPECT_NE(csv.find("The operating system was shut down"), std::string::npos) << csv;
  EXPECT_NE(csv.find("9h 00m"), std::string::npos) << csv;
  EXPECT_NE(csv.find("Saturday, 2/3/2024 9:00:00 AM"), std::string::npos) << csv;
}

TEST(LinuxHistoryReport, BadHistoryArgumentsGiveTheirExitCodes) {
  testing::TempDir dir;
  dir.write("not-wtmp", "hello");
  dir.write("empty/readme.txt", "no journal here");
  struct Case {
    std::vector<std::string> args;
    int exitCode;
  };
  const Case cases[] = {
      {{"--wtmp", (dir.path() / "absent").string()}, report::kExitFileNotFound},
      {{"--wtmp", (dir.path() / "not-wtmp").string()}, report::kExitUnknownFormat},
      {{"--wtmp", dir.path().string()}, report::kExitUnknownFormat},
      {{"--journal", (dir.path() / "absent").string()}, report::kExitFileNotFound},
      {{"--journal", (dir.path() / "empty").string()}, report::kExitUnknownFormat},
      {{"--journal", (dir.path() / "not-wtmp").string()}, report::kExitUnknownFormat},
      {{"--journal", dir.path().string(), "--wtmp", "x"}, report::kExitUsage},
      {{"--journal"}, report::kExitUsage},
  };
  for (const Case& c : cases) {
    LinuxReportRun r;
    EXPECT_EQ(r.run(c.args), c.exitCode) << c.args[0] << " " << c.args.back();
  }
}

TEST(LinuxHistoryReport, JournalDirectoryGivesItsJournal) {
  if (access(testing::kJournalRemote, X_OK) != 0)
    GTEST_SKIP() << "no systemd-journal-remote";
  using testing::usec;
  using testing::utcSeconds;
  testing::TempDir dir;
  testing::JournalExport j;
  j.boot("1111111111111111111111111111aaaa", usec(utcSeconds(2024, 1, 30, 8, 0, 10)), "box",
         "6.1.0");
  j.journalStopped(usec(utcSeconds(2024, 1, 30, 17, 0, 35)));
  j.boot("2222222222222222222222222222bbbb", usec(utcSeconds(2024, 2, 3, 9, 0, 0)), "box", "6.1.0");
  ASSERT_TRUE(j.write(dir.path() / "remote.journal"));
  LinuxReportRun r;
  ASSERT_EQ(r.run({"--journal=" + dir.path().string()}), 0) << r.err.str();
  const std::string table = r.out.str();
  EXPECT_NE(table.find("Tuesday, 1/30/2024 5:00:35 PM"), std::string::npos) << table;
  EXPECT_NE(table.find("9h 00m"), std::string::npos) << table;
  EXPECT_NE(table.find("Current uptime: 00.00.00 00:00:00"), std::string::npos) << table;
}

// With no journal and an empty wtmp (as on a build machine), the journal still
// shows the running boot, started at the kernel's boot time, and the uptime.
TEST(LinuxHistoryReport, ProgramShowsTheRunningBootAndTheUptime) {
  const std::string command =
      "TZ=UTC LC_ALL=C \"" + std::string(TALLYVANE_REPORT_BINARY) + "\" --csv 2>/dev/null";
  FILE* pipe = popen(command.c_str(), "r");
  ASSERT_NE(pipe, nullptr);
  std::string output;
  char buffer[4096];
  std::size_t n = 0;
  while ((n = std::fread(buffer, 1, sizeof buffer, pipe)) > 0)
    output.append(buffer, n);
  const int status = pclose(pipe);
  ASSERT_TRUE(WIFEXITED(status));
  EXPECT_EQ(WEXITSTATUS(status), 0);
  EXPECT_NE(output.find("The operating system started"), std::string::npos) << output;
  EXPECT_NE(output.find("Current uptime"), std::string::npos) << output;
  EXPECT_EQ(output.find("Current uptime: 00.00.00 00:00:00"), std::string::npos) << output;
}

}  // namespace
}  // namespace tallyvane
