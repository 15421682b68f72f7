// tallyvane-report on a Windows installation read from disk: its System log
// shown in its own time zone, its facts, and what it says about parts it
// cannot read.
#include <gtest/gtest.h>

#include <sys/wait.h>

#include <cstdio>
#include <sstream>

#include "cli/Report.h"
#include "support/InstallationTree.h"
#include "support/JournalDoubles.h"
#include "support/LocaleSettings.h"
#include "support/TempDir.h"

namespace tallyvane {
namespace {

namespace fs = std::filesystem;

#define REQUIRE_HIVEXREGEDIT()      \
  if (!testing::haveHivexregedit()) \
  GTEST_SKIP() << "hivexregedit (libwin-hivex-perl) is not installed"

std::string runProgram(const std::string& environment, const std::string& arguments, int& status) {
  const std::string command =
      environment + " LC_ALL=C '" TALLYVANE_REPORT_BINARY "' " + arguments + " 2>/dev/null";
  FILE* pipe = popen(command.c_str(), "r");
  if (pipe == nullptr)
    return {};
  std::string output;
  char buffer[4096];
  std::size_t n = 0;
  while ((n = fread(buffer, 1, sizeof buffer, pipe)) > 0)
    output.append(buffer, n);
  const int rc = pclose(pipe);
  status = WIFEXITED(rc) ? WEXITSTATUS(rc) : -1;
  return output;
}

// The day rows of CSV output.
std::vector<std::string> dayRows(const std::string& csv) {
  std::vector<std::string> rows;
  std::istringstream lines(csv);
  std::string line;
  while (std::getline(lines, line)) {
    if (line.rfind("day,", 0) == 0)
      rows.push_back(line);
  }
  return rows;
}

TEST(WindowsInstallationProgram, DayRowsAreTheLogsReadInTheInstallationsZone) {
  REQUIRE_HIVEXREGEDIT();
  const struct {
    const char* name;
    bool (*write)(const fs::path&);
    const char* log;
    const char* zone;
  } layouts[] = {
      {"Windows 7", [](const fs::path& p) { return testing::writeWindows7Tree(p); },
       "WINDOWS/system32/winevt/Logs/System.evtx", "America/Los_Angeles"},
      {"Windows XP", [](const fs::path& p) { return testing::writeWindowsXpTree(p); },
       "windows/SYSTEM32/CONFIG/SysEvent.Evt", "Europe/Berlin"},
  };
  for (const auto& layout : layouts) {
    SCOPED_TRACE(layout.name);
    testing::TempDir dir;
    ASSERT_TRUE(layout.write(dir.path()));
    const std::string root = "'" + dir.path().string() + "'";
    const std::string log = "'" + (dir.path() / layout.log).string() + "'";
    int status = -1;
    const auto installation = dayRows(runProgram("TZ=UTC", "--windows " + root + " --csv", status));
    ASSERT_EQ(status, 0);
    const auto direct =
        dayRows(runProgram(std::string("TZ=") + layout.zone, log + " --csv", status));
    ASSERT_EQ(status, 0);
    EXPECT_EQ(installation, direct);
    EXPECT_EQ(installation.size(), 10u);
    // The zone matters: this machine's UTC puts the records on other days.
    EXPECT_NE(installation, dayRows(runProgram("TZ=UTC", log + " --csv", status)));
    // The installation's root given as the log is the same source.
    EXPECT_EQ(dayRows(runProgram("TZ=UTC", root + " --csv", status)), installation);
  }
}

class WindowsInstallationReport : public ::testing::Test {
 protected:
  void SetUp() override {
    REQUIRE_HIVEXREGEDIT();
    env.services.clock = &clock;
  }
  int run(const std::vector<std::string>& args) {
    out.str({});
    err.str({});
    return report::runReport(args, out, err, env, testing::usEnglishSettings(), false);
  }
  // The value of the fact line "name: value".
  std::string fact(const std::string& name) const {
    std::istringstream lines(out.str());
    std::string line;
    while (std::getline(lines, line)) {
      if (line.rfind(name + ": ", 0) == 0)
        return line.substr(name.size() + 2);
    }
    return "<none>";
  }

  testing::TempDir dir;
  testing::FixedClock clock;
  report::ReportEnvironment env;
  std::ostringstream out, err;
};

TEST_F(WindowsInstallationReport, SystemPrintsTheInstallationsFactsAndZone) {
  ASSERT_TRUE(testing::writeWindows7Tree(dir.path()));
  ASSERT_EQ(run({"--windows", dir.path().string(), "--system"}), 0) << err.str();
  EXPECT_EQ(err.str(), "");
  EXPECT_EQ(fact("Windows installation"), dir.path().string());
  EXPECT_EQ(fact("OS name"), "Windows 7");
  EXPECT_EQ(fact("OS edition"), "Ultimate x64");
  EXPECT_EQ(fact("Short OS name"), "Windows 7 Ultimate x64 SP 1.0");
  EXPECT_EQ(fact("User"), "Ada Lovelace");
  EXPECT_EQ(fact("Machine"), "WIN7-BOX");
  EXPECT_EQ(fact("Time zone"), "Pacific Standard Time (America/Los_Angeles)");
  // Nothing of the machine running the tool.
  EXPECT_EQ(fact("Logged-on user"), "<none>");
  EXPECT_NE(out.str().find("Friday, 3/8/2024 11:30:00 PM"), std::string::npos) << out.str();
}

TEST_F(WindowsInstallationReport, ReleasesAfterWindows8AreNamedByTheirProductName) {
  const auto software = [](const char* build) {
    return std::string(R"([HKEY_LOCAL_MACHINE\SOFTWARE\Microsoft\Windows NT\CurrentVersion]
"ProductName"="Windows 10 Pro"
"CurrentVersion"="6.3"
"CurrentMajorVersionNumber"=dword:0000000a
"CurrentMinorVersionNumber"=dword:00000000
"CurrentBuild"=")") +
           build + R"("
"EditionID"="Professional"

)";
  };
  for (const auto& [build, name] :
       {std::pair{"19045", "Windows 10 Pro"}, std::pair{"22631", "Windows 11 Pro"}}) {
    SCOPED_TRACE(build);
    testing::TempDir tree;
    ASSERT_TRUE(
        testing::writeWindows7Tree(tree.path(), testing::windows7SystemReg(), software(build)));
    ASSERT_EQ(run({"--windows", tree.path().string(), "--system"}), 0) << err.str();
    EXPECT_EQ(fact("OS name"), name);
    EXPECT_EQ(fact("OS edition"), "x64");
    EXPECT_EQ(fact("Short OS name"), std::string(name) + " x64");
  }
}

TEST_F(WindowsInstallationReport, ADamagedHiveIsReportedAndTheJournalStillPrinted) {
  ASSERT_TRUE(testing::writeWindows7Tree(dir.path()));
  const fs::path software = dir.path() / "WINDOWS" / "system32" / "Config" / "SOFTWARE";
  std::ofstream(software, std::ios::binary | std::ios::trunc) << std::string(5000, '\xff');
  ASSERT_EQ(run({"--windows", dir.path().string(), "--system"}), 0) << err.str();
  EXPECT_NE(err.str().find("tallyvane-report: " + software.string() +
                           ": cannot be read as the SOFTWARE hive"),
            std::string::npos)
      << err.str();
  EXPECT_EQ(fact("OS name"), "");
  EXPECT_EQ(fact("User"), "");
  EXPECT_EQ(fact("Machine"), "WIN7-BOX");
  EXPECT_EQ(fact("Time zone"), "Pacific Standard Time (America/Los_Angeles)");
  EXPECT_NE(out.str().find("Total spent time: 19h 00m"), std::string::npos) << out.str();
}

TEST_F(WindowsInstallationReport, SourcesThatAreNoInstallationGiveTheirExitCodes) {
  fs::create_directories(dir.path() / "Windows" / "System32");
  const struct {
    std::string root;
    int exitCode;
    std::string error;
  } cases[] = {
      {(dir.path() / "missing").string(), report::kExitFileNotFound, ": no such directory"},
      {(dir.path() / "Windows").string(), report::kExitUnknownFormat,
       ": not the root of a Windows installation"},
      {dir.path().string(), report::kExitFileNotFound,
       ": the Windows installation holds no System log"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.root);
    EXPECT_EQ(run({"--windows", c.root}), c.exitCode);
    EXPECT_NE(err.str().find(c.root + c.error), std::string::npos) << err.str();
    EXPECT_EQ(out.str(), "");
  }
}

}  // namespace
}  // namespace tallyvane
