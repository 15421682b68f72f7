// Message expansion: the reader with ExpandMessages on, over a registry in
// memory and message files that windmc, windres and ld made for the tests;
// and the routines it is built from.
#include <gtest/gtest.h>

#include <filesystem>

#include "eventlog/MessageExpansion.h"
#include "eventlog/Orvex_EventLogNT.h"
#include "platform/MemoryRegistry.h"
#include "support/FakeEventLogService.h"
#include "support/SampleRecords.h"

namespace tallyvane {
namespace {

using platform::EventLogRecordFields;
using testing::sampleRecord;

const std::filesystem::path kMessageFiles = TALLYVANE_MESSAGE_FILES_DIR;
constexpr char kSourceKey[] = "SYSTEM\\CurrentControlSet\\Services\\EventLog\\System\\";
constexpr std::uint32_t kStarted = 0x40001775;  // "The service %1 started at %2."
constexpr std::uint32_t kStopped = 0x40001776;  // numeric formats and %0
constexpr std::uint32_t kFailed = 0xC0001B58;   // uses %10
constexpr std::uint32_t kBroken = 0xC0001B59;   // "%1!5!" has no conversion
constexpr std::uint32_t kDay = 1'700'006'400;

#define REQUIRE_MESSAGE_FILES()                                                        \
  if (kMessageFiles.empty() || !std::filesystem::exists(kMessageFiles / "events.dll")) \
  GTEST_SKIP() << "MinGW's windmc, windres and ld are not installed"

// Message files of a fixed language and environment that count the files
// they are asked about.
class CountingMessageFiles : public platform::PortableMessageFiles {
 public:
  CountingMessageFiles()
      : PortableMessageFiles({platform::kLangEnglishUs, platform::kLangEnglishUs}) {
    setEnvironment({"=C:=C:\\", "TESTROOT=" + kMessageFiles.string(), "Path=/usr/bin"});
  }
  bool fileExists(std::string_view name) override {
    ++asked;
    return PortableMessageFiles::fileExists(name);
  }
  int asked = 0;
};

struct Machine {
  testing::FakeEventLogService eventLog;
  platform::MemoryRegistry registry;
  CountingMessageFiles files;

  platform::Services services() {
    platform::Services s = platform::systemServices();
    s.eventLog = &eventLog;
    s.registry = &registry;
    s.messageFiles = &files;
    return s;
  }
  void addSource(const std::string& source, const std::string& messages,
                 const std::string& categories = "", const std::string& parameters = "") {
    const std::string key = kSourceKey + source;
    registry.addKey(key);
    if (!messages.empty())
      registry.setString(key, "EventMessageFile", messages, platform::kRegExpandSz);
    if (!categories.empty())
      registry.setString(key, "CategoryMessageFile", categories, platform::kRegExpandSz);
    if (!parameters.empty())
      registry.setString(key, "ParameterMessageFile", parameters, platform::kRegExpandSz);
  }
  // Reads the log "System" (newest first) with ExpandMessages on or off.
  std::vector<TLogRecord> read(const std::vector<EventLogRecordFields>& records,
                               bool expand = true) {
    eventLog.addLog("System", records);
    TEventLog log(true, services());
    log.SetSourceName("System");
    log.SetExpandMessages(expand);
    log.RefreshData(true);
    std::vector<TLogRecord> out;
    for (std::uint32_t i = log.RecordCount(); i-- > 0;)
      out.push_back(*log.Records(i));
    return out;
  }
};

EventLogRecordFields withCategory(EventLogRecordFields f, std::uint16_t category) {
  f.eventCategory = category;
  return f;
}

TEST(MessageExpansion, OffTouchesNoKeyAndNoFile) {
  Machine m;
  m.addSource("Svc", "%TESTROOT%\\events.dll", "%TESTROOT%\\events.dll");
  const auto records = m.read({sampleRecord("Svc", kStarted, kDay, {"a", "b"})}, false);
  ASSERT_EQ(records.size(), 1u);
  EXPECT_EQ(records[0].Description, "a\rb");
  EXPECT_EQ(m.registry.openKeyCount(), 0);
  EXPECT_EQ(m.files.asked, 0);
}

TEST(MessageExpansion, FormatsDescriptionAndCategoryFromTheSourcesFiles) {
  REQUIRE_MESSAGE_FILES();
  Machine m;
  // Only the second category piece holds categories; quotes keep a piece whole.
  m.addSource("Svc", "%TESTROOT%\\events.dll",
              "\\TESTROOT\\nothing-here.dll;\"%TESTROOT%\\events.dll\"");
  const auto records = m.read({
      withCategory(sampleRecord("Svc", kStarted, kDay, {"Spooler", "10:02"}), 2),
      sampleRecord("Svc", kStopped, kDay + 1, {"42"}),
  });
  ASSERT_EQ(records.size(), 2u);
  // Both markers filled, the trailing line breaks trimmed away.
  EXPECT_EQ(records[0].Description, "The service Spooler started at 10:02.");
  EXPECT_EQ(records[0].Category, "Network");
  EXPECT_EQ(records[0].EventID, 6005u);
  // A string under a numeric format is the string with its width; %2 is the
  // empty string after the insertion strings; %n and %0 apply.
  EXPECT_EQ(records[1].Description, "Stopped with code 42 (0x00000042); reason: \r\nend");
  EXPECT_EQ(records[1].Category, "0");  // category 0 is no category message
}

TEST(MessageExpansion, FailuresKeepTheUnexpandedTexts) {
  REQUIRE_MESSAGE_FILES();
  Machine m;
  m.addSource("Svc", "%TESTROOT%\\events.dll", "%TESTROOT%\\events.dll");
  m.addSource("NoFiles", "");
  m.addSource("Missing", "%TESTROOT%\\missing.dll", "%TESTROOT%\\missing.dll");
  const auto records = m.read({
      withCategory(sampleRecord("Svc", kStarted, kDay, {"x", "y"}), 1),
      withCategory(sampleRecord("NoKey", kStarted, kDay + 1, {" raw ", "text "}), 1),
      withCategory(sampleRecord("NoFiles", kStarted, kDay + 2, {"a"}), 1),
      withCategory(sampleRecord("Missing", kStarted, kDay + 3, {"b "}), 3),
      // The message is there but its format is broken: the formatting fails
      // and the raw insertion text stands in, not trimmed.
      sampleRecord("Svc", kBroken, kDay + 4, {"s1 ", "s2"}),
      // No insertion strings: no argument array, so a message with inserts fails.
      sampleRecord("Svc", kStarted, kDay + 5),
      // Inserts beyond the strings read as empty strings.
      sampleRecord("Svc", kFailed, kDay + 6, {"s1", "s2"}),
  });
  ASSERT_EQ(records.size(), 7u);
  EXPECT_EQ(records[0].Category, "Disk");
  // A source without key keeps its category number and trimmed strings, also
  // right after a record whose source had message files.
  EXPECT_EQ(records[1].Category, "1");
  EXPECT_EQ(records[1].Description, "raw \rtext");
  EXPECT_EQ(records[2].Category, "1");
  EXPECT_EQ(records[2].Description, "a");
  EXPECT_EQ(records[3].Category, "3");
  EXPECT_EQ(records[3].Description, "b ");
  EXPECT_EQ(records[4].Description, "s1 \rs2");
  EXPECT_EQ(records[5].Description, "");
  EXPECT_EQ(records[6].Description, "Service s1 failed: s2 (). Tenth insert: .");
}

TEST(MessageExpansion, LaterPieceWithoutTheMessageGivesTheRawStrings) {
  REQUIRE_MESSAGE_FILES();
  Machine m;
  m.addSource("Svc", "%TESTROOT%\\events.dll;%TESTROOT%\\params.dll");
  const auto records = m.read({sampleRecord("Svc", kStarted, kDay, {"a", "b"})});
  ASSERT_EQ(records.size(), 1u);
  EXPECT_EQ(records[0].Description, "a\rb");
}

TEST(MessageExpansion, ParameterReferencesComeFromTheParameterFile) {
  REQUIRE_MESSAGE_FILES();
  Machine m;
  m.addSource("Svc", "%TESTROOT%\\events.dll", "", "%TESTROOT%\\params.dll");
  const auto records = m.read({sampleRecord("Svc", kStarted, kDay, {"%%1077", "%%9999"})});
  ASSERT_EQ(records.size(), 1u);
  EXPECT_EQ(records[0].Description,
            "The service the system was shut down by the user started at %%9999.");
}

TEST(MessageExpansion, UnreachableRegistryExpandsNothing) {
  REQUIRE_MESSAGE_FILES();
  Machine m;
  m.addSource("Svc", "%TESTROOT%\\events.dll");
  m.registry.setUnreachable(true);
  const auto records = m.read({sampleRecord("Svc", kStarted, kDay, {"a", "b"})});
  ASSERT_EQ(records.size(), 1u);
  EXPECT_EQ(records[0].Description, "a\rb");
  EXPECT_EQ(m.files.asked, 0);
}

TEST(MessageExpansion, LoadMessageTextKeepsEveryStringInItsPlace) {
  REQUIRE_MESSAGE_FILES();
  CountingMessageFiles files;
  const std::string events = (kMessageFiles / "events.dll").string();
  // An empty second string still is %2.
  EXPECT_EQ(LoadMessageText(files, events, kStarted, "a\r\rc"), "The service a started at .");
  EXPECT_EQ(LoadMessageText(files, events, kStarted, ""), "");
  EXPECT_EQ(LoadMessageText(files, events, 1, ""), "Disk");
  EXPECT_EQ(LoadMessageText(files, events + ".missing", 1, ""), "");
  EXPECT_EQ(LoadMessageText(files, events, 12345, "x"), "");
}

TEST(MessageExpansion, ApplyInsertionStrings) {
  struct Case {
    const char* text;
    const char* inserts;
    const char* expected;
  };
  const std::vector<Case> cases = {
      {"", "a\rb", "a\rb"},
      {"x %1 y %2", "a\rb", "x a y b"},
      {"%1 %1", "a", "a %1"},  // the first occurrence only
      // Whole numbers only: %1 is not the start of %10.
      {"%10 %1", "a\r2\r3\r4\r5\r6\r7\r8\r9\rten", "ten a"},
      {"%10 end", "a", "%10 end"},
      {"%2|%1", "\rb", "b|"},  // empty strings keep their number
      {"a\r\n\r\nb\r\n\r\n\r\nc", "", "a\r\nb\r\n\r\nc"},
  };
  for (const Case& c : cases)
    EXPECT_EQ(ApplyInsertionStrings(c.text, c.inserts), c.expected) << c.text;
  // Nothing is cut off after a marker, however long the text.
  const std::string tail(5000, 'z');
  EXPECT_EQ(ApplyInsertionStrings("%1" + tail, "a"), "a" + tail);
}

TEST(MessageExpansion, PathExpansionWithTheEnvironment) {
  platform::PortableMessageFiles files;
  std::vector<std::string> environment = {"=C:=C:\\x", " =blank", "SystemRoot=C:\\Windows",
                                          "ProgramFiles=C:\\Program Files"};
  // A variable far beyond the first 4096 characters of the block still counts.
  for (int i = 0; i < 200; ++i)
    environment.push_back("FILLER" + std::to_string(i) + "=" + std::string(40, 'f'));
  environment.push_back("LATE=D:\\late");
  files.setEnvironment(environment);
  struct Case {
    const char* value;
    const char* expected;
  };
  const std::vector<Case> cases = {
      {"%SystemRoot%\\System32\\netevent.dll", "C:\\Windows\\System32\\netevent.dll"},
      {"%SYSTEMROOT%\\a.dll;%systemroot%\\b.dll", "C:\\Windows\\a.dll;%systemroot%\\b.dll"},
      {"\\SystemRoot\\System32\\x.dll", "C:\\Windows\\System32\\x.dll"},
      {"%ProgramFiles% (x86)\\App\\m.dll", "C:\\Program Files\\App\\m.dll"},
      {"%LATE%\\m.dll", "D:\\late\\m.dll"},
      {"C:\\plain.dll", "C:\\plain.dll"},
      {"%C:%\\x", "%C:%\\x"},
  };
  for (const Case& c : cases)
    EXPECT_EQ(ExpandMessageFilePath(c.value, files), c.expected) << c.value;
}

TEST(MessageExpansion, SplitMessageFileList) {
  using V = std::vector<std::string>;
  EXPECT_EQ(SplitMessageFileList("a.dll;b.dll"), (V{"a.dll", "b.dll"}));
  EXPECT_EQ(SplitMessageFileList(";a.dll;;"), (V{"a.dll"}));
  EXPECT_EQ(SplitMessageFileList("\"C:\\x;y\\a.dll\";b.dll"), (V{"C:\\x;y\\a.dll", "b.dll"}));
  EXPECT_EQ(SplitMessageFileList(""), V{});
}

}  // namespace
}  // namespace tallyvane
