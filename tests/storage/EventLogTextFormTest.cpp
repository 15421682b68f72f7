// The event log component's text form: where the records lie in a storage
// file, their lines and escapes, and what saving and loading do.
#include <gtest/gtest.h>

#include <clocale>
#include <memory>

#include "EventLogTestSupport.h"
#include "StorageTestSupport.h"
#include "eventlog/Qzi_EventLog.h"
#include "eventlog/Qzi_EventLogStorage.h"
#include "storage/Orvex_SS.h"
#include "support/FakeEventLogService.h"

namespace tallyvane {
namespace {

using testing::TempDir;

// The lines of a stream of the "EventLog" sub-storage, read raw.
std::vector<std::string> storedLines(const std::string& file, const std::string& stream,
                                     std::string* rawBytes = nullptr) {
  std::shared_ptr<cfb::Storage> stg;
  OleCheck(StgOpenStorage(file, 16, &stg));
  TStructuredStorage root(nullptr, stg);
  std::unique_ptr<TStorageStream> s(root.OpenStream("EventLog\\" + stream, 16, false));
  if (!s)
    return {};
  if (rawBytes) {
    rawBytes->resize(static_cast<std::size_t>(s->Size()));
    s->Read(rawBytes->data(), static_cast<std::int32_t>(rawBytes->size()));
  }
  std::vector<std::string> lines;
  StreamToStrings(*s, lines, nullptr);
  return lines;
}

// Writes raw bytes as a stream of the "EventLog" sub-storage.
void writeStream(const std::string& file, const std::string& stream, const std::string& bytes) {
  std::shared_ptr<cfb::Storage> stg;
  if (StgIsStorageFile(file) == kSOk) {
    OleCheck(StgOpenStorage(file, 18, &stg));
  } else {
    OleCheck(StgCreateDocfile(file, 4114, &stg));
  }
  TStructuredStorage root(nullptr, stg);
  std::unique_ptr<TStorageStream> s(root.OpenStream("EventLog\\" + stream, 18, true));
  s->Clear();
  s->Write(bytes.data(), static_cast<std::int32_t>(bytes.size()));
}

TEST(EventLogTextForm, StreamNameIsTheCrcOfHalfTheNameReversed) {
  EXPECT_EQ(StorageStreamName("System"), "D91EFD29");
  EXPECT_EQ(StorageStreamName(""), "0");
  // Only the first half of the UTF-16 bytes counts: "Sy" + "s" and "Sys" agree.
  EXPECT_EQ(StorageStreamName("Sys\x01\x02\x03"), StorageStreamName("System"));
  EXPECT_NE(StorageStreamName("Application"), StorageStreamName("System"));
}

TEST(EventLogTextForm, RecordsSurviveASaveAndALoad) {
  TextFormFixture f;
  const std::string file = f.dir.file("log.stg");
  auto writer = f.component();
  writer->Reader().SetSourceName("System");
  const std::vector<TLogRecord> records = {
      record(etInformation, 41640.5, "EventLog", 6009, "Microsoft (R) Windows (R) 6.01."),
      record(etError, 41641.25, "Kernel;Power", 41, "line one\r\nline two;three\rfour\nfive"),
      record(etWarning, 41642.123456789, "Ovladač úložiště", 7, "日本語の説明"),
      record(etAuditFailure, 0.0, "Multi\r\nLine", 4294967295u, ""),
  };
  for (const auto& r : records)
    writer->Reader().AddRecord(r);
  writer->Reader().Records(3)->Username = "user;with\nbreak";
  writer->SaveToStorage(file, "comment", nullptr);
  auto expected = records;
  expected[3].Username = "user;with\nbreak";
  expected[2].DateTime = 41642.1234567890;

  auto reader = f.component();
  EXPECT_FALSE(reader->LoadFromStorage(file, nullptr));
  EXPECT_FALSE(reader->LiveData());
  EXPECT_EQ(reader->StorageFilename(), file);
  reader->SetSourceName("System");  // stored mode: reloads the file
  ASSERT_EQ(reader->RecordCount(), expected.size());
  EXPECT_TRUE(reader->DataAvailable());
  for (std::uint32_t i = 0; i < expected.size(); ++i) {
    EXPECT_EQ(reader->Records(i), expected[i]) << i;
  }
  ASSERT_EQ(reader->ContainerCount(), 1u);
  EXPECT_EQ(reader->Reader().Containers()[0], (TLogContainer{"System", ""}));
}

TEST(EventLogTextForm, LinesHaveTheirFormatAndTheTextIsUtf8WithBom) {
  TextFormFixture f;
  const std::string file = f.dir.file("log.stg");
  auto writer = f.component();
  writer->Reader().SetSourceName("System");
  writer->Reader().AddRecord(record(etInformation, 41640.5, "Ovladač", 6009, "a\r\nb;c"));
  // Whatever the user's decimal separator, the date-time is written with ".".
  const char* previous = std::setlocale(LC_ALL, nullptr);
  const std::string saved = previous ? previous : "C";
  const bool comma = std::setlocale(LC_ALL, "de_DE.UTF-8") || std::setlocale(LC_ALL, "cs_CZ.UTF-8");
  writer->SaveToStorage(file, "", nullptr);
  std::setlocale(LC_ALL, saved.c_str());
  (void)comma;
  std::string raw;
  const auto lines = storedLines(file, "D91EFD29", &raw);
  EXPECT_EQ(raw.substr(0, 3), "\xEF\xBB\xBF");
  EXPECT_EQ(raw.substr(raw.size() - 2), "\r\n");
  EXPECT_EQ(lines,
            (std::vector<std::string>{
                "System",
                "2;41640.5000000000;Ovladač;None;6009;SYSTEM;NT AUTHORITY;PC;a<CR><LF>b<SEMI>c"}));
}

TEST(EventLogTextForm, EveryTextFieldKeepsItsSeparatorsAndLineBreaks) {
  // Each field in turn holds ";", CR and LF; the others stay plain, so a field
  // written without its escapes shows in the line and shifts the loaded record.
  struct Field {
    const char* name;
    std::string TLogRecord::*member;
    int column;  // of the stored line
  };
  const Field fields[] = {
      {"Source", &TLogRecord::Source, 2},     {"Category", &TLogRecord::Category, 3},
      {"Username", &TLogRecord::Username, 5}, {"Domain", &TLogRecord::Domain, 6},
      {"Computer", &TLogRecord::Computer, 7}, {"Description", &TLogRecord::Description, 8},
  };
  const std::string tricky = "a;b\rc\nd\r\n;";
  const std::string escaped = "a<SEMI>b<CR>c<LF>d<CR><LF><SEMI>";
  for (const auto& field : fields) {
    TextFormFixture f;
    const std::string file = f.dir.file("log.stg");
    auto writer = f.component();
    writer->Reader().SetSourceName("System");
    TLogRecord r = record(etWarning, 41640.5, "S", 7, "D");
    r.*field.member = tricky;
    writer->Reader().AddRecord(r);
    writer->SaveToStorage(file, "", nullptr);

    const auto lines = storedLines(file, "D91EFD29");
    ASSERT_EQ(lines.size(), 2u) << field.name;
    std::vector<std::string> columns;
    std::string_view rest = lines[1];
    for (;;) {
      const auto semi = rest.find(';');
      columns.emplace_back(rest.substr(0, semi));
      if (semi == std::string_view::npos)
        break;
      rest.remove_prefix(semi + 1);
    }
    ASSERT_EQ(columns.size(), 9u) << field.name << ": " << lines[1];
    EXPECT_EQ(columns[static_cast<std::size_t>(field.column)], escaped) << field.name;

    auto reader = f.component();
    reader->LoadFromStorage(file, nullptr);
    reader->SetSourceName("System");
    ASSERT_EQ(reader->RecordCount(), 1u) << field.name;
    EXPECT_EQ(reader->Records(0), r) << field.name;
  }
}

TEST(EventLogTextForm, LinesBecomeRecords) {
  struct Case {
    std::string line;
    TEventType type;
    TDateTime when;
    std::string source, category;
    std::uint32_t id;
    std::string user, domain, computer, description;
  };
  const Case cases[] = {
      // A line written before fields were escaped: a ";" in the source shifts the rest.
      {"1;2.5;Kernel;Power;None;42;u;d;c;desc", etWarning, 2.5, "Kernel", "Power", 0, "42", "u",
       "d", "c;desc"},
      {"2;1.0;S;C;7;U;D;PC;<cr>x<Lf>y<semi>z", etInformation, 1.0, "S", "C", 7, "U", "D", "PC",
       "\rx\ny;z"},
      {"[3] failure text", etError, 0.0, "", "", 0, "", "", "", ""},
      {"2;1.5;OnlySource", etInformation, 1.5, "", "", 0, "", "", "", "OnlySource"},
      {"x;y;S;C;z;U;D;PC;d", etError, 0.0, "S", "C", 0, "U", "D", "PC", "d"},
      {"300;1.0;S;C;-1;U;D;PC;d;e;f", static_cast<TEventType>(44), 1.0, "S", "C", 4294967295u, "U",
       "D", "PC", "d;e;f"},
      {"4;41640,5;S;C;99999999999;U;D;PC;", etAuditFailure, 0.0, "S", "C", 0, "U", "D", "PC", ""},
      {"0;1e2;S<SEMI>x;C;1;U;D;PC;d", etError, 100.0, "S;x", "C", 1, "U", "D", "PC", "d"},
  };
  for (const auto& c : cases) {
    const TLogRecord r = LineToRecord(c.line);
    EXPECT_EQ(r.EventType, c.type) << c.line;
    EXPECT_EQ(r.DateTime, c.when) << c.line;
    EXPECT_EQ(r.Source, c.source) << c.line;
    EXPECT_EQ(r.Category, c.category) << c.line;
    EXPECT_EQ(r.EventID, c.id) << c.line;
    EXPECT_EQ(r.Username, c.user) << c.line;
    EXPECT_EQ(r.Domain, c.domain) << c.line;
    EXPECT_EQ(r.Computer, c.computer) << c.line;
    EXPECT_EQ(r.Description, c.description) << c.line;
    EXPECT_TRUE(r.BinaryData.empty() && r.CharData.empty());
  }
}

TEST(EventLogTextForm, LoadingNamesContainersAndFindsTheLogStream) {
  TextFormFixture f;
  const std::string file = f.dir.file("log.stg");
  // A stream with a header line, one named after its log without a header,
  // and an empty one.
  writeStream(file, StorageStreamName("Application"),
              "Application\r\n2;1.0;App;None;1;;;PC;first\r\n2;2.0;Other;None;2;;;PC;second\r\n");
  writeStream(file, "System",
              "2;3.0;EventLog;None;6005;;;PC;started\r\n6;4.0;EventLog;None;6006;;;PC;stopped\r\n");
  writeStream(file, "Empty", "");
  auto c = f.component();
  c->Reader().SetSourceName("");
  c->LoadFromStorage(file, nullptr);
  EXPECT_EQ(c->RecordCount(), 0u) << "no log named: containers only";
  ASSERT_EQ(c->ContainerCount(), 2u);
  std::vector<std::string> names;
  for (const auto& container : c->Reader().Containers())
    names.push_back(container.Name);
  std::sort(names.begin(), names.end());
  EXPECT_EQ(names, (std::vector<std::string>{"Application", "System"}));
  EXPECT_TRUE(c->DataAvailable() == false);

  c->SetSourceName("system");  // the element named after the log, found without regard to case
  ASSERT_EQ(c->RecordCount(), 2u) << "no header line: both lines are records";
  EXPECT_EQ(c->Records(1).EventID, 6006u);
  EXPECT_TRUE(c->DataAvailable());

  c->SetSourceFilter("Microsoft-Windows-Kernel-General,Microsoft-Windows-Kernel-Power,app");
  c->SetSourceName("Application");
  ASSERT_EQ(c->RecordCount(), 1u) << "the source filter applies on load";
  EXPECT_EQ(c->Records(0).Description, "first");

  c->SetSourceFilter("");
  c->SetSourceName("Missing");
  EXPECT_EQ(c->RecordCount(), 0u);
  EXPECT_FALSE(c->DataAvailable());
}

TEST(EventLogTextForm, OldAnsiFilesAreStillRead) {
  TextFormFixture f;
  const std::string file = f.dir.file("log.stg");
  writeStream(file, StorageStreamName("System"), "System\r\n2;1.0;Caf\xE9;None;1;;;PC;\x80 5\r\n");
  auto c = f.component();
  c->Reader().SetSourceName("System");
  c->LoadFromStorage(file, nullptr);
  ASSERT_EQ(c->RecordCount(), 1u);
  EXPECT_EQ(c->Records(0).Source, "Café");
  EXPECT_EQ(c->Records(0).Description, "€ 5");
}

TEST(EventLogTextForm, SavingFewerRecordsLeavesOnlyTheNewLines) {
  TextFormFixture f;
  const std::string file = f.dir.file("log.stg");
  auto c = f.component();
  c->Reader().SetSourceName("System");
  for (int i = 0; i < 50; ++i)
    c->Reader().AddRecord(record(etInformation, i, "S", 1, std::string(100, 'x')));
  c->SaveToStorage(file, "", nullptr);
  c->Reader().ClearRecords();
  c->Reader().AddRecord(record(etError, 1.0, "S", 2, "only"));
  c->SaveToStorage(file, "", nullptr);
  EXPECT_EQ(
      storedLines(file, "D91EFD29"),
      (std::vector<std::string>{"System", "0;1.0000000000;S;None;2;SYSTEM;NT AUTHORITY;PC;only"}));
}

void xorCode(std::istream& in, std::ostream& out) {
  char c;
  while (in.get(c))
    out.put(static_cast<char>(c ^ 0x5A));
}
void refusingCode(std::istream&, std::ostream&) {
  throw std::runtime_error("not encoded by me");
}

TEST(EventLogTextForm, CodeStreamProceduresEncodeAndUnreadableStreamsAreReadPlain) {
  TextFormFixture f;
  const std::string file = f.dir.file("log.stg");
  auto c = f.component();
  c->Reader().SetSourceName("System");
  c->Reader().AddRecord(record(etInformation, 2.0, "S", 1, "secret"));
  c->SaveToStorage(file, "", xorCode);
  std::string raw;
  storedLines(file, "D91EFD29", &raw);
  EXPECT_EQ(raw.find("secret"), std::string::npos);
  auto back = f.component();
  back->LoadFromStorage(file, xorCode);
  EXPECT_EQ(back->StreamCodeProc(), &xorCode);
  back->SetSourceName("System");  // reloads with the remembered procedure
  ASSERT_EQ(back->RecordCount(), 1u);
  EXPECT_EQ(back->Records(0).Description, "secret");
  // A plain stream and a procedure that cannot decode it: read as it is.
  c->SaveToStorage(file, "", nullptr);
  back->LoadFromStorage(file, refusingCode);
  back->SetSourceName("System");
  ASSERT_EQ(back->RecordCount(), 1u);
  EXPECT_EQ(back->Records(0).Description, "secret");
}

TEST(EventLogTextForm, FilesThatAreNoStorageAndFailures) {
  TextFormFixture f;
  auto c = f.component();
  c->Reader().SetSourceName("System");
  testing::writeText(f.dir.file("plain.txt"), "just text");
  EXPECT_TRUE(c->LoadFromStorage(f.dir.file("plain.txt"), nullptr));
  EXPECT_FALSE(c->LiveData());
  EXPECT_FALSE(c->DataAvailable());
  EXPECT_TRUE(c->LoadFromStorage(f.dir.file("missing.stg"), nullptr));
  // A storage file without the sub-storage: nothing, quietly.
  {
    std::shared_ptr<cfb::Storage> stg;
    OleCheck(StgCreateDocfile(f.dir.file("empty.stg"), 4114, &stg));
  }
  EXPECT_FALSE(c->LoadFromStorage(f.dir.file("empty.stg"), nullptr));
  EXPECT_EQ(c->ContainerCount(), 0u);
  EXPECT_FALSE(c->DataAvailable());
  // Saving replaces a file that is not a compound file, and fails loudly
  // where no file can be made.
  c->Reader().AddRecord(record(etInformation, 1.0, "S", 1, "d"));
  c->SaveToStorage(f.dir.file("plain.txt"), "", nullptr);
  EXPECT_EQ(StgIsStorageFile(f.dir.file("plain.txt")), kSOk);
  try {
    c->SaveToStorage(f.dir.file("no/such/dir.stg"), "", nullptr);
    FAIL() << "no error";
  } catch (const EOleSysError& e) {
    EXPECT_TRUE(Failed(e.ErrorCode));
  }
  // An open file cannot be loaded: the sharing error reaches the caller.
  std::shared_ptr<cfb::Storage> held;
  OleCheck(StgOpenStorage(f.dir.file("plain.txt"), 18, &held));
  try {
    c->LoadFromStorage(f.dir.file("plain.txt"), nullptr);
    FAIL() << "no error";
  } catch (const EOleSysError& e) {
    EXPECT_EQ(e.ErrorCode, STG_E_SHAREVIOLATION);
  }
}

}  // namespace
}  // namespace tallyvane
