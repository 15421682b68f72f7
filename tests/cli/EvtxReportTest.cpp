// tallyvane-report on exported modern logs: .evtx files, found by their
// extension or their signature, and folders of them.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <functional>
#include <sstream>

#include "cli/Report.h"
#include "platform/EvtxEventLogService.h"
#include "support/JournalDoubles.h"
#include "support/LocaleSettings.h"

namespace tallyvane {
namespace {

namespace fs = std::filesystem;

std::string fixture(const char* name) {
  return std::string(TALLYVANE_SHARED_FIXTURES) + "/evtx/" + name;
}

class EvtxReport : public ::testing::Test {
 protected:
  void SetUp() override {
    if (!platform::evtxReadingAvailable())
      GTEST_SKIP() << "this build reads no .evtx files";
    env.services.timeZone = &utc;
    env.services.clock = &clock;
    clock.now = {2026, 1, 4, 1, 12, 0, 0, 0};  // after every record of the files
    dir = fs::path(TALLYVANE_BINARY_DIR) / "test-tmp" /
          (std::string("cli-evtx.") +
           ::testing::UnitTest::GetInstance()->current_test_info()->name());
    fs::remove_all(dir);
    fs::create_directories(dir);
  }
  void TearDown() override {
    std::error_code ec;
    fs::remove_all(dir, ec);
  }
  int run(const std::vector<std::string>& args) {
    out.str({});
    err.str({});
    return report::runReport(args, out, err, env, testing::usEnglishSettings(), false);
  }
  fs::path write(const std::string& name, std::string_view bytes) {
    std::ofstream(dir / name, std::ios::binary)
        .write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    return dir / name;
  }
  bool haveFixtures() const {
    return fs::exists(fixture("tsevtx_System.evtx")) && fs::exists(fixture("etwtool_System.evtx"));
  }

  testing::FixedOffsetZone utc{0};
  testing::FixedClock clock;
  report::ReportEnvironment env;
  std::ostringstream out, err;
  fs::path dir;
};

TEST_F(EvtxReport, PrintsTheStartsAndCleanShutdownsOfAnExportedSystemLog) {
  if (!haveFixtures())
    GTEST_SKIP() << "no .evtx fixtures";
  ASSERT_EQ(run({fixture("tsevtx_System.evtx")}), 0) << err.str();
  EXPECT_EQ(out.str(),
            "Timestamp                      Event                               Spent time\n"
            "Monday, 6/2/2025 4:46:30 PM    The operating system started\n"
            "Monday, 6/2/2025 4:46:34 PM    The operating system was shut down\n"
            "Monday, 6/2/2025 4:46:49 PM    The operating system started\n"
            "Monday, 6/2/2025 4:47:52 PM    The operating system was shut down\n"
            "Monday, 6/2/2025 4:48:01 PM    The operating system started            0h 01m\n"
            "-----------------------------------------------------------------------------\n"
            "Tuesday, 6/3/2025 12:42:34 AM  The operating system started\n"
            "Tuesday, 6/3/2025 12:43:41 AM  The operating system was shut down\n"
            "\n"
            "Month  Spent time  Spent working days\n"
            "\n"
            "Current uptime: 00.00.00 00:00:00\n"
            "Total spent time: 0h 01m\n");
  EXPECT_EQ(err.str(), "");
}

TEST_F(EvtxReport, RecognisesAnEvtxFileByItsSignatureAndReadsAFolderOfLogs) {
  if (!haveFixtures())
    GTEST_SKIP() << "no .evtx fixtures";
  fs::copy_file(fixture("etwtool_System.evtx"), dir / "exported.log");
  // The copy keeps the fixture's read-only mode, which Windows will not delete.
  fs::permissions(dir / "exported.log", fs::perms::owner_write, fs::perm_options::add);
  ASSERT_EQ(run({(dir / "exported.log").string()}), 0) << err.str();
  EXPECT_NE(out.str().find("The system entered sleep"), std::string::npos);
  EXPECT_NE(out.str().find("The system has resumed from sleep"), std::string::npos);

  // A folder as winevt\Logs: its System log, and a word on the file that
  // could not be read.
  fs::remove(dir / "exported.log");
  fs::copy_file(fixture("tsevtx_System.evtx"), dir / "System.evtx");
  fs::permissions(dir / "System.evtx", fs::perms::owner_write, fs::perm_options::add);
  write("Application.evtx", "not a log at all");
  ASSERT_EQ(run({dir.string()}), 0) << err.str();
  EXPECT_NE(out.str().find("Tuesday, 6/3/2025 12:43:41 AM  The operating system was shut down"),
            std::string::npos);
  EXPECT_EQ(err.str(), "tallyvane-report: " + (dir / "Application.evtx").string() +
                           ": not an .evtx file (no ElfFile signature)\n");
}

TEST_F(EvtxReport, DamagedFilesGiveAMessageAndTheRecordsThatCouldBeRead) {
  if (!haveFixtures())
    GTEST_SKIP() << "no .evtx fixtures";
  std::string whole(fs::file_size(fixture("tsevtx_System.evtx")), '\0');
  std::ifstream(fixture("tsevtx_System.evtx"), std::ios::binary)
      .read(whole.data(), static_cast<std::streamsize>(whole.size()));
  const auto cut = write("cut.evtx", std::string_view(whole).substr(0, 4096 + 3 * 65536 + 100));
  ASSERT_EQ(run({cut.string()}), 0);
  EXPECT_NE(err.str().find(cut.string() + ": damaged .evtx file; "), std::string::npos)
      << err.str();
  EXPECT_NE(err.str().find(" records could be read"), std::string::npos) << err.str();
  EXPECT_NE(out.str().find("Total spent time"), std::string::npos);
}

TEST_F(EvtxReport, FilesAndFoldersWithoutAReadableLogGiveTheirExitCodes) {
  struct Case {
    std::string what;
    std::function<fs::path()> make;
    int exitCode;
    std::string message;  // the last line on standard error, after the path
  };
  const std::vector<Case> cases = {
      {"an .evtx file that is none", [&] { return write("x.evtx", "hello"); }, 5,
       ": not an .evtx file (no ElfFile signature)"},
      {"a folder whose only log is unreadable",
       [&] {
         fs::create_directories(dir / "logs");
         std::ofstream(dir / "logs" / "System.evtx") << "broken";
         return dir / "logs";
       },
       4, ": none of its 1 .evtx files can be read"},
      {"a folder of other files",
       [&] {
         fs::create_directories(dir / "other");
         std::ofstream(dir / "other" / "notes.txt") << "hi";
         return dir / "other";
       },
       4, ": is a directory, not a log file"},
  };
  for (const auto& c : cases) {
    const fs::path path = c.make();
    EXPECT_EQ(run({path.string()}), c.exitCode) << c.what;
    const std::string e = err.str();
    EXPECT_NE(e.find(path.string() + c.message + "\n"), std::string::npos) << c.what << ": " << e;
    EXPECT_EQ(out.str(), "") << c.what;
  }
}

}  // namespace
}  // namespace tallyvane
