// tallyvane-report --records and --message-table over message files that
// windmc, windres and ld made for the tests.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <sstream>

#include "cli/Report.h"
#include "platform/EvtFileWriter.h"
#include "platform/MemoryRegistry.h"
#include "support/JournalDoubles.h"
#include "support/LocaleSettings.h"
#include "support/TempDir.h"

namespace tallyvane {
namespace {

const std::filesystem::path kMessageFiles = TALLYVANE_MESSAGE_FILES_DIR;

#define REQUIRE_MESSAGE_FILES()                                                        \
  if (kMessageFiles.empty() || !std::filesystem::exists(kMessageFiles / "events.dll")) \
  GTEST_SKIP() << "MinGW's windmc, windres and ld are not installed"

struct ToolRun {
  ToolRun() {
    env.services.timeZone = &utc;
    env.services.clock = &clock;
    env.services.registry = &registry;  // names no message files
  }
  int operator()(const std::vector<std::string>& args) {
    out.str({});
    err.str({});
    return report::runReport(args, out, err, env, testing::usEnglishSettings(), false);
  }
  testing::FixedOffsetZone utc{0};
  testing::FixedClock clock;
  platform::MemoryRegistry registry;
  report::ReportEnvironment env;
  std::ostringstream out, err;
};

platform::EventLogRecordFields record(std::string source, std::uint32_t id, std::uint32_t time,
                                      std::vector<std::string> strings, std::uint16_t category) {
  platform::EventLogRecordFields f;
  f.sourceName = std::move(source);
  f.computerName = "PC";
  f.eventId = id;
  f.timeGenerated = f.timeWritten = time;
  f.eventCategory = category;
  f.strings = std::move(strings);
  return f;
}

void writeFile(const std::filesystem::path& path, const std::vector<std::byte>& bytes) {
  std::ofstream(path, std::ios::binary)
      .write(reinterpret_cast<const char*>(bytes.data()),
             static_cast<std::streamsize>(bytes.size()));
}

TEST(MessageReport, ListsEveryMessageOfALanguage) {
  REQUIRE_MESSAGE_FILES();
  ToolRun run;
  const std::string file = (kMessageFiles / "events.dll").string();
  ASSERT_EQ(run({"--message-table", file, "--language", "de-DE", "--csv"}), 0) << run.err.str();
  EXPECT_EQ(run.out.str(),
            "id,language,text\n"
            "0x00000001,0x0407 de-DE,\"Datentraeger\r\n\"\n"
            "0x00000002,0x0407 de-DE,\"Netzwerk\r\n\"\n"
            "0x40001775,0x0407 de-DE,\"Der Dienst %1 wurde um %2 gestartet.\r\n\"\n"
            "0x40001776,0x0407 de-DE,\"Angehalten mit Code %1!d!.\r\n\"\n"
            "0xC0001B58,0x0407 de-DE,\"Dienst %1 fehlgeschlagen: %2.\r\n\"\n");
  // A file whose texts live in its satellite (the user's, else English).
  ASSERT_EQ(run({"--message-table", (kMessageFiles / "app.dll").string(), "--language", "1033"}),
            0);
  EXPECT_EQ(run.out.str(), "0x00000064  0x0409 en-US  Application message %1.\n");
  // Without --language every language, in the file's order.
  ASSERT_EQ(run({"--message-table", file}), 0);
  const std::string all = run.out.str();
  EXPECT_NE(all.find("0x00000001  0x040C fr-FR  Disque\n"), std::string::npos) << all;
  EXPECT_EQ(std::count(all.begin(), all.end(), '\n'), 17);
}

TEST(MessageReport, MessageTableErrors) {
  REQUIRE_MESSAGE_FILES();
  ToolRun run;
  testing::TempDir dir;
  const auto text = dir.write("notes.txt", "no PE file");
  EXPECT_EQ(run({"--message-table", dir.file("missing.dll")}), report::kExitFileNotFound);
  EXPECT_EQ(run({"--message-table", text.string()}), report::kExitUnknownFormat);
  EXPECT_EQ(
      run({"--message-table", (kMessageFiles / "events.dll").string(), "--language", "0x0411"}),
      report::kExitBuildFailed);
  EXPECT_NE(run.err.str().find("no messages in language 0x0411"), std::string::npos);
  EXPECT_EQ(run({"--message-table", "x.dll", "--language", "klingon"}), report::kExitUsage);
  EXPECT_EQ(run({"--records", "--message-table", "x.dll"}), report::kExitUsage);
}

TEST(MessageReport, RecordsWithTextsFromAFolderOfMessageFiles) {
  REQUIRE_MESSAGE_FILES();
  ToolRun run;
  testing::TempDir dir;
  // 2023-11-15 00:00:00 UTC, then a second later.
  const auto log = dir.path() / "System.evt";
  writeFile(log, platform::writeEvtFile({
                     record("Events", 0x40001775, 1'700'006'400, {"Spooler", "10:02"}, 2),
                     record("Unknown", 7, 1'700'006'401, {" raw "}, 4),
                 }));
  ASSERT_EQ(run({"--records", log.string(), "--json"}), 0) << run.err.str();
  EXPECT_EQ(
      run.out.str(),
      "[\n"
      "  {\"time\": \"2023-11-15 00:00:00\", \"source\": \"Events\", \"event_id\": \"6005\", "
      "\"type\": \"Information\", \"category\": \"2\", \"description\": \"Spooler\\r10:02\"},\n"
      "  {\"time\": \"2023-11-15 00:00:01\", \"source\": \"Unknown\", \"event_id\": \"7\", "
      "\"type\": \"Information\", \"category\": \"4\", \"description\": \"raw\"}\n"
      "]\n");
  ASSERT_EQ(run({"--records", "--messages", kMessageFiles.string(), log.string()}), 0)
      << run.err.str();
  EXPECT_EQ(run.out.str(),
            "2023-11-15 00:00:00  Events  6005  Information  Network  The service Spooler started "
            "at 10:02.\n"
            "2023-11-15 00:00:01  Unknown  7  Information  4  raw\n");
  EXPECT_EQ(run({"--records", "--messages", dir.file("nowhere")}), report::kExitUsage);
}

}  // namespace
}  // namespace tallyvane
