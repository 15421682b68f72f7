#include <gtest/gtest.h>

#if !defined(_WIN32)
#include <unistd.h>
#endif
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "cli/Progress.h"
#include "cli/Report.h"
#include "journal/JournalBuilder.h"
#include "platform/EvtFileWriter.h"
#include "platform/Unicode.h"
#include "present/DateFormat.h"
#include "support/FakeEventLogService.h"
#include "support/JournalDoubles.h"
#include "support/LocaleSettings.h"

namespace tallyvane {
namespace {

using platform::EventLogRecordFields;

// A directory under the build tree for one test.
class ScratchDir {
 public:
  ScratchDir() {
    const auto* info = ::testing::UnitTest::GetInstance()->current_test_info();
    path_ = std::filesystem::path(TALLYVANE_BINARY_DIR) / "test-tmp" /
            (std::string("cli.") + info->name());
    std::filesystem::remove_all(path_);
    std::filesystem::create_directories(path_);
  }
  ~ScratchDir() {
    std::error_code ec;
    std::filesystem::remove_all(path_, ec);
  }
  std::filesystem::path write(const std::string& name, const std::vector<std::byte>& bytes) const {
    const auto file = path_ / name;
    std::ofstream(file, std::ios::binary)
        .write(reinterpret_cast<const char*>(bytes.data()),
               static_cast<std::streamsize>(bytes.size()));
    return file;
  }
  const std::filesystem::path& path() const { return path_; }

 private:
  std::filesystem::path path_;
};

// Two months of use with sleeps, a resume, an unexpected shutdown written with
// left-to-right marks, and records the journal passes over.
std::vector<EventLogRecordFields> sampleLog() {
  using namespace testing;
  const std::string lrm = "\xE2\x80\x8E";
  return {
      startRecord({2014, 1, 29, 8, 0, 10}),
      journalRecord({2014, 1, 29, 8, 0, 12}, 0x8000177D, "EventLog"),  // 6013
      sleepRecord({2014, 1, 29, 12, 0, 40}),
      journalRecord({2014, 1, 29, 12, 30, 0}, 7036, "Service Control Manager"),
      resumeRecord({2014, 1, 29, 13, 0, 5}),
      shutdownRecord({2014, 1, 29, 17, 0, 35}),
      startRecord({2014, 1, 30, 9, 0, 0}),
      unexpectedRecord({2014, 1, 30, 23, 0, 0}, "22:57:21", lrm + "01/" + lrm + "30/" + lrm + "14"),
      startRecord({2014, 1, 31, 9, 0, 0}),
      shutdownRecord({2014, 1, 31, 18, 30, 0}),
      startRecord({2014, 2, 3, 9, 0, 0}),
      shutdownRecord({2014, 2, 3, 10, 0, 0}),
      startRecord({2014, 2, 4, 9, 0, 0}),
  };
}

std::vector<std::string> splitCsvLine(const std::string& line) {
  std::vector<std::string> fields(1);
  bool quoted = false;
  for (std::size_t i = 0; i < line.size(); ++i) {
    const char c = line[i];
    if (quoted) {
      if (c == '"' && i + 1 < line.size() && line[i + 1] == '"') {
        fields.back() += '"';
        ++i;
      } else if (c == '"') {
        quoted = false;
      } else {
        fields.back() += c;
      }
    } else if (c == '"') {
      quoted = true;
    } else if (c == ',') {
      fields.emplace_back();
    } else {
      fields.back() += c;
    }
  }
  return fields;
}

#if defined(_WIN32)
// The program through the command interpreter; the zone is the one the tests
// run in (the test command runs them in UTC), and its line ends become "\n".
std::string runProgram(const std::string& arguments, int& status) {
  const std::string command =
      "\"\"" + std::string(TALLYVANE_REPORT_BINARY) + "\" " + arguments + " 2>NUL\"";
  FILE* pipe = _popen(command.c_str(), "r");
  if (pipe == nullptr)
    return {};
  std::string output;
  char buffer[4096];
  std::size_t n = 0;
  while ((n = fread(buffer, 1, sizeof buffer, pipe)) > 0)
    output.append(buffer, n);
  status = _pclose(pipe);
  return output;
}

std::string machineName() {
  const char* name = std::getenv("COMPUTERNAME");
  return name != nullptr ? name : "";
}
#else
std::string runProgram(const std::string& arguments, int& status) {
  const std::string command = "TZ=UTC LC_ALL=C \"" + std::string(TALLYVANE_REPORT_BINARY) + "\" " +
                              arguments + " 2>/dev/null";
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

std::string machineName() {
  char host[256] = {};
  if (gethostname(host, sizeof host - 1) != 0)
    return "";
  return host;
}
#endif

TEST(ReportProgram, CsvOfAnEvtFileGivesExactlyTheBuilderRows) {
  ScratchDir dir;
  const auto file = dir.write("system.evt", platform::writeEvtFile(sampleLog()));
  int status = -1;
  const std::string csv = runProgram("\"" + file.string() + "\" --csv", status);
  ASSERT_EQ(status, 0) << csv;

  // The same records through the builder, under the same locale and zone.
  testing::LocaleGuard locale(LC_ALL, "C");
  testing::FakeEventLogService service;
  service.addLog("System", sampleLog());
  testing::FixedOffsetZone utc(0);
  platform::Services services = platform::systemServices();
  services.eventLog = &service;
  services.timeZone = &utc;
  testing::FixedClock clock;
  clock.ticks = 0;  // a log file brings no uptime
  TOrvex_EventLog log(nullptr, services);
  VectorListModel days, months;
  TextOnlyJournalView view;
  RefreshJournal(log, days, months, view, clock, UserFormatSettings());
  ASSERT_EQ(days.rows.size(), 15u);
  ASSERT_EQ(months.rows.size(), 1u);

  std::vector<std::string> expected = {"list,caption,subitem1,subitem2,marker"};
  const auto add = [&](const char* list, const JournalRow& r) {
    expected.push_back(std::string(list) + "|" + r.Caption + "|" + r.SubItem1 + "|" + r.SubItem2 +
                       "|" + std::to_string(r.RowMarker));
  };
  for (const JournalRow& r : days.rows)
    add("day", r);
  for (const JournalRow& r : months.rows)
    add("month", r);
  expected.push_back("status|" + view.uptimeText + "|||");
  expected.push_back("status|" + view.spentTimeText + "|||");

  std::vector<std::string> got;
  std::istringstream lines(csv);
  std::string line;
  std::getline(lines, line);
  got.push_back(line);
  while (std::getline(lines, line)) {
    std::string joined;
    for (const std::string& field : splitCsvLine(line))
      joined += (joined.empty() ? "" : "|") + field;
    got.push_back(joined);
  }
  EXPECT_EQ(got, expected);
  EXPECT_EQ(view.uptimeText, "Current uptime: 00.00.00 00:00:00");
#if !defined(_WIN32)
  // The C locale's pictures; on Windows both sides use the user's settings.
  EXPECT_EQ(days.rows[6].Caption, "Thursday, 01/30/14 22:57:21");
#endif
  EXPECT_EQ(days.rows[6].RowMarker, kRowUnexpectedShutdown);
}

// A log laid out as Windows writes it: the boot that finds a crash writes the
// unexpected shutdown (its text: the crash's local time and date) and then its
// start record, with one time stamp. A crash on Friday, found on Monday.
TEST(ReportProgram, CsvCountsACrashedDayUpToTheCrash) {
  using namespace testing;
  ScratchDir dir;
  const auto file =
      dir.write("crash.evt", platform::writeEvtFile({
                                 startRecord({2014, 1, 31, 8, 0, 0}),
                                 unexpectedRecord({2014, 2, 3, 8, 0, 0}, "17:00:00", "01/31/14"),
                                 startRecord({2014, 2, 3, 8, 0, 0}),
                                 shutdownRecord({2014, 2, 3, 12, 0, 0}),
                                 startRecord({2014, 2, 4, 9, 0, 0}),
                             }));
  int status = -1;
  const std::string csv = runProgram("--csv \"" + file.string() + "\"", status);
  ASSERT_EQ(status, 0) << csv;
  std::vector<std::string> got;
  std::istringstream lines(csv);
  std::string line;
  while (std::getline(lines, line)) {
    std::string joined;
    for (const std::string& field : splitCsvLine(line))
      joined += (joined.empty() ? "" : "|") + field;
    got.push_back(joined);
  }
#if defined(_WIN32)
  // The program writes dates, times and numbers in the user's formats.
  const FormatSettings user = UserFormatSettings();
  const auto when = [&](int d, int mo, int h) {
    return FormatDateTime("DDDD, c", *EncodeDate(2014, mo, d) + *EncodeTime(h, 0, 0, 0), user);
  };
  EXPECT_EQ(got, (std::vector<std::string>{
                     "list|caption|subitem1|subitem2|marker",
                     "day|" + when(31, 1, 8) + "|The operating system started||-3",
                     "day|" + when(31, 1, 17) + "|Unexpected shutdown|9h 00m|-4",
                     "day||||-2",
                     "day|" + when(3, 2, 8) + "|The operating system started||-3",
                     "day|" + when(3, 2, 12) + "|The operating system was shut down|4h 00m|0",
                     "day||||-2",
                     "day|" + when(4, 2, 9) + "|The operating system started||-3",
                     "month|January 2014|9h 00m|1" + user.DecimalSeparator + "13|0",
                     "status|Current uptime: 00.00.00 00:00:00|||",
                     "status|Total spent time: 13h 00m|||",
                 }));
  return;
#endif
  EXPECT_EQ(got, (std::vector<std::string>{
                     "list|caption|subitem1|subitem2|marker",
                     "day|Friday, 01/31/14 08:00:00|The operating system started||-3",
                     "day|Friday, 01/31/14 17:00:00|Unexpected shutdown|9h 00m|-4",
                     "day||||-2",
                     "day|Monday, 02/03/14 08:00:00|The operating system started||-3",
                     "day|Monday, 02/03/14 12:00:00|The operating system was shut down|4h 00m|0",
                     "day||||-2",
                     "day|Tuesday, 02/04/14 09:00:00|The operating system started||-3",
                     "month|January 2014|9h 00m|1.13|0",
                     "status|Current uptime: 00.00.00 00:00:00|||",
                     "status|Total spent time: 13h 00m|||",
                 }));
}

struct ReportRun {
  ReportRun() {
    service.addLog("System", sampleLog());
    env.services.eventLog = &service;
    env.services.timeZone = &utc;
    env.services.clock = &clock;
  }
  int run(const std::vector<std::string>& args) {
    out.str({});
    err.str({});
    return report::runReport(args, out, err, env, testing::usEnglishSettings(), false);
  }
  testing::FakeEventLogService service;
  testing::FixedOffsetZone utc{0};
  testing::FixedClock clock;
  report::ReportEnvironment env;
  std::ostringstream out, err;
};

TEST(Report, WithoutArgumentsPrintsThisMachinesJournalAsATable) {
  ReportRun r;
  r.service.addLog("System", {testing::startRecord({2014, 1, 30, 8, 0, 10}),
                              testing::shutdownRecord({2014, 1, 30, 17, 0, 35}),
                              testing::startRecord({2014, 2, 3, 9, 0, 0})});
  EXPECT_EQ(r.run({}), 0);
  EXPECT_EQ(r.out.str(),
            "Timestamp                       Event                               Spent time\n"
            "Thursday, 1/30/2014 8:00:10 AM  The operating system started\n"
            "Thursday, 1/30/2014 5:00:35 PM  The operating system was shut down      9h 00m\n"
            "------------------------------------------------------------------------------\n"
            "Monday, 2/3/2014 9:00:00 AM     The operating system started\n"
            "\n"
            "Month         Spent time  Spent working days\n"
            "January 2014      9h 00m                1.13\n"
            "\n"
            "Current uptime: 00.00.00 01:00:00\n"
            "Total spent time: 10h 00m\n");
  EXPECT_EQ(r.err.str(), "");
}

TEST(Report, JsonCarriesTheRowMarkers) {
  ReportRun r;
  r.service.addLog("System", {testing::startRecord({2014, 1, 30, 8, 0, 0}),
                              testing::shutdownRecord({2014, 1, 30, 9, 0, 0}),
                              testing::startRecord({2014, 1, 31, 8, 0, 0})});
  EXPECT_EQ(r.run({"--json"}), 0);
  EXPECT_EQ(r.out.str(),
            "{\n"
            "  \"days\": [\n"
            "    {\"timestamp\": \"Thursday, 1/30/2014 8:00:00 AM\", \"event\": \"The operating "
            "system started\", \"spentTime\": \"\", \"rowMarker\": -3},\n"
            "    {\"timestamp\": \"Thursday, 1/30/2014 9:00:00 AM\", \"event\": \"The operating "
            "system was shut down\", \"spentTime\": \"1h 00m\", \"rowMarker\": 0},\n"
            "    {\"timestamp\": \"\", \"event\": \"\", \"spentTime\": \"\", \"rowMarker\": -2},\n"
            "    {\"timestamp\": \"Friday, 1/31/2014 8:00:00 AM\", \"event\": \"The operating "
            "system started\", \"spentTime\": \"\", \"rowMarker\": -3}\n"
            "  ],\n"
            "  \"months\": [],\n"
            "  \"uptime\": \"Current uptime: 00.00.00 01:00:00\",\n"
            "  \"totalSpentTime\": \"Total spent time: 2h 00m\"\n"
            "}\n");
}

TEST(Report, HtmlIsOnePageWithBothListsTheTotalsAHeatMapAndAMonthChart) {
  ReportRun r;
  r.service.addLog("System", {testing::startRecord({2014, 1, 30, 8, 0, 10}),
                              testing::shutdownRecord({2014, 1, 30, 17, 0, 35}),
                              testing::startRecord({2014, 1, 31, 8, 0, 0}),
                              testing::shutdownRecord({2014, 1, 31, 12, 30, 0}),
                              testing::startRecord({2014, 2, 3, 9, 0, 0})});
  ASSERT_EQ(r.run({"--html"}), 0);
  const std::string page = r.out.str();
  EXPECT_EQ(page.rfind("<!DOCTYPE html>", 0), 0u);
  EXPECT_NE(page.find("<title>Tallyvane Journal - this machine&#39;s System log</title>"),
            std::string::npos)
      << page.substr(0, 300);
  // One bar for January, its tooltip the month's row.
  EXPECT_NE(page.find("<title>January 2014: 13h 30m</title></rect>"), std::string::npos);
  // The heat map: a year of days, shaded by the sessions' sum, the sessions in
  // the tooltip; before the month bars.
  std::size_t cells = 0;
  for (std::size_t at = page.find("<rect class=\"day\""); at != std::string::npos;
       at = page.find("<rect class=\"day\"", at + 1))
    ++cells;
  EXPECT_GE(cells, 365u);
  EXPECT_LE(cells, 366u);
  EXPECT_NE(page.find("fill=\"#0d47a1\"><title>2014-01-30: 9h 00m\n08:00-17:00</title>"),
            std::string::npos);
  EXPECT_NE(page.find("fill=\"#1e88e5\"><title>2014-01-31: 4h 30m\n08:00-12:30</title>"),
            std::string::npos);
  EXPECT_LT(page.find("aria-label=\"Hours per day\""), page.find("aria-label=\"Hours per month\""));
  EXPECT_NE(page.find("<tr class=\"day-start\"><td>Friday, 1/31/2014 8:00:00 AM</td>"),
            std::string::npos);
  EXPECT_NE(page.find("Total spent time: 14h 30m"), std::string::npos);
  EXPECT_NE(page.find("</html>\n"), std::string::npos);
  EXPECT_EQ(page.find("<script"), std::string::npos);  // nothing from elsewhere
}

TEST(Report, SpentMinutesReadsTheJournalsDurations) {
  const std::pair<const char*, std::optional<long long>> cases[] = {
      {"7h 44m", 464},    {"0h 01m", 1},         {"123h 05m (9h 00m)", 7385},
      {"", std::nullopt}, {"h m", std::nullopt}, {"12h", std::nullopt},
  };
  for (const auto& [text, minutes] : cases) {
    EXPECT_EQ(report::spentMinutes(text), minutes) << text;
  }
}

TEST(Report, ReportsBadFilesAndArgumentsWithTheirExitCodes) {
  ScratchDir dir;
  const auto text = dir.write("notes.txt", {std::byte{'h'}, std::byte{'i'}});
  const auto fakeEvt = dir.write("broken.evt", std::vector<std::byte>(100, std::byte{0x41}));
  struct Case {
    std::vector<std::string> args;
    int code;
    std::string message;
  };
  const Case cases[] = {
      {{(dir.path() / "missing.evt").string()},
       3,
       (dir.path() / "missing.evt").string() + ": no such file"},
      {{dir.path().string()}, 4, dir.path().string() + ": is a directory, not a log file"},
      {{text.string()}, 5, text.string() + ": not a log file of a known format (.evt, .evtx)"},
      {{fakeEvt.string()}, 5, fakeEvt.string() + " is not a classic event log file (.evt)"},
      {{"--bogus"}, 2, "unknown option --bogus"},
      {{"--csv=yes"}, 2, "option --csv takes no value"},
      {{text.string(), fakeEvt.string()},
       2,
       "only one log can be read at a time (" + text.string() + " and " + fakeEvt.string() + ")"},
  };
  for (const Case& c : cases) {
    ReportRun r;
    EXPECT_EQ(r.run(c.args), c.code) << c.message;
    EXPECT_NE(r.err.str().find(c.message), std::string::npos) << r.err.str();
    EXPECT_EQ(r.out.str(), "");
  }
}

TEST(Report, RecognisesAnEvtFileByItsContent) {
  ScratchDir dir;
  const auto file = dir.write("exported.log", platform::writeEvtFile(sampleLog()));
  ReportRun r;
  EXPECT_EQ(r.run({"--csv", file.string()}), 0) << r.err.str();
  EXPECT_NE(r.out.str().find("month,January 2014,"), std::string::npos);
  // A log file brings no uptime of the machine running the tool.
  EXPECT_NE(r.out.str().find("status,Current uptime: 00.00.00 00:00:00"), std::string::npos);
}

TEST(Report, ExplainsItselfWithHelp) {
  ReportRun r;
  EXPECT_EQ(r.run({"--help"}), 0);
  for (const char* part : {"Usage: tallyvane-report", "--csv", "--json", ".evt",
                           "Exit status:", "5  the file is no log of a known format"}) {
    EXPECT_NE(r.out.str().find(part), std::string::npos) << part;
  }
}

void showsProgressOf(std::shared_ptr<platform::EventLogService> inner);

TEST(ReportProgress, ShowsOneLineForLongReadsAndClearsIt) {
  // A log read through a read buffer, and one whose records are looked at in
  // place.
  testing::FakeEventLogService fake;
  fake.addLog("System", sampleLog());
  platform::EvtFileEventLogService evt(platform::writeEvtFile(sampleLog()));
  for (platform::EventLogService* service : {static_cast<platform::EventLogService*>(&fake),
                                             static_cast<platform::EventLogService*>(&evt)}) {
    showsProgressOf(std::shared_ptr<platform::EventLogService>(service, [](auto*) {}));
  }
}

void showsProgressOf(std::shared_ptr<platform::EventLogService> inner) {
  std::ostringstream err;
  {
    report::ProgressEventLogService slow(inner, err, "the log", std::chrono::milliseconds(0));
    TEventLog reader(true, [&] {
      platform::Services s = platform::systemServices();
      s.eventLog = &slow;
      return s;
    }());
    reader.SetSourceName("System");
    reader.RefreshData(true);
    EXPECT_EQ(reader.RecordCount(), 13u);
    EXPECT_NE(err.str().find("Reading the log (pass 1): 13 of 13 records"), std::string::npos)
        << err.str();
    slow.finish();
    EXPECT_EQ(err.str().substr(err.str().size() - 4), "\r\x1b[K");
  }
  std::ostringstream quiet;
  report::ProgressEventLogService fast(inner, quiet, "the log");
  TEventLog reader(true, [&] {
    platform::Services s = platform::systemServices();
    s.eventLog = &fast;
    return s;
  }());
  reader.SetSourceName("System");
  reader.RefreshData(true);
  EXPECT_EQ(quiet.str(), "");
}

}  // namespace
}  // namespace tallyvane

namespace tallyvane::report {
namespace {

// --system prints this machine's facts before the journal, the program's
// version read from its own file among them.
TEST(ReportProgram, SystemPrintsThisMachinesFactsAndOwnVersion) {
  int status = -1;
  const std::string output = runProgram("--system", status);
  EXPECT_EQ(status, 0);
  const std::string host = machineName();
  ASSERT_FALSE(host.empty());
  EXPECT_NE(output.find("Machine: " + asciiUpper(host) + "\n"), std::string::npos) << output;
  EXPECT_NE(output.find("Program: Tallyvane Journal " TALLYVANE_VERSION), std::string::npos)
      << output;
  EXPECT_EQ(output.find("OS name: \n"), std::string::npos) << output;
  EXPECT_NE(output.find("OS name: "), std::string::npos) << output;
  EXPECT_NE(output.find("SID: S-1-"), std::string::npos) << output;
#if defined(_WIN32)
  // Wine keeps no System log, so its journal may be empty; it still prints.
  EXPECT_NE(output.find("Total spent time: "), std::string::npos) << output;
#else
  EXPECT_NE(output.find("The operating system started"), std::string::npos) << output;
#endif
}

}  // namespace
}  // namespace tallyvane::report
