// How one EVENTLOGRECORD becomes a TLogRecord, field by field, and what a
// malformed record buffer gives.
#include <gtest/gtest.h>

#include <cmath>
#include <functional>
#include <optional>

#include "eventlog/Orvex_EventLogNT.h"
#include "platform/ByteReader.h"
#include "support/FakeAccounts.h"
#include "support/SampleRecords.h"

namespace tallyvane {
namespace {

using platform::EventLogRecordFields;

// A time zone one hour east of UTC all year.
class PlusOneHour : public platform::TimeZone {
 public:
  bool available() override { return true; }
  bool utcToLocal(const platform::SystemTime& utc, platform::SystemTime& local) override {
    const auto dt = SystemTimeToDateTime(utc);
    if (!dt)
      return false;
    local = DateTimeToSystemTime(*dt + 1.0 / 24);
    return true;
  }
};

struct Parser {
  testing::FakeAccounts accounts;
  PlusOneHour zone;
  platform::Services services() {
    platform::Services s = platform::systemServices();
    s.accounts = &accounts;
    s.timeZone = &zone;
    return s;
  }
  // Parses one record; nullopt when the filter drops it.
  std::optional<TLogRecord> parse(std::span<const std::byte> bytes,
                                  RecordParseOptions options = {}) {
    const platform::Services s = services();
    RecordWalker walker(s, options);
    TLogRecord out;
    if (!walker.parse(bytes, out))
      return std::nullopt;
    return out;
  }
  TLogRecord parse(const EventLogRecordFields& fields, RecordParseOptions options = {}) {
    return *parse(platform::buildEventLogRecord(fields), options);
  }
};

EventLogRecordFields basic() {
  return testing::sampleRecord("Disk", 7, 1'700'000'000);
}

void putU32(std::vector<std::byte>& b, std::size_t offset, std::uint32_t v) {
  for (int i = 0; i < 4; ++i)
    b[offset + i] = static_cast<std::byte>((v >> (8 * i)) & 0xFF);
}
void putU16(std::vector<std::byte>& b, std::size_t offset, std::uint16_t v) {
  b[offset] = static_cast<std::byte>(v & 0xFF);
  b[offset + 1] = static_cast<std::byte>(v >> 8);
}

TEST(RecordFields, EventTypeFromPlatformValue) {
  const struct {
    std::uint16_t value;
    TEventType type;
    std::string_view name;
  } cases[] = {
      {1, etError, "Error"},
      {2, etWarning, "Warning"},
      {4, etInformation, "Information"},
      {0, etInformation, "Information"},
      {3, etInformation, "Information"},
      {5, etInformation, "Information"},
      {8, etAuditSuccess, "AuditSuccess"},
      {16, etAuditFailure, "AuditFailure"},
      {0xFFFF, etInformation, "Information"},
  };
  Parser p;
  for (const auto& c : cases) {
    SCOPED_TRACE(c.value);
    auto f = basic();
    f.eventType = c.value;
    const TLogRecord r = p.parse(f);
    EXPECT_EQ(r.EventType, c.type);
    EXPECT_EQ(EventTypeNames[r.EventType], c.name);
  }
}

TEST(RecordFields, EventIdKeepsItsLowSixteenBits) {
  const std::pair<std::uint32_t, std::uint32_t> cases[] = {
      {0x80001775, 6005}, {0x0000002A, 42},    {0xC0001B58, 7000},
      {0x80001779, 6009}, {0xFFFFFFFF, 65535}, {0x00010000, 0},
  };
  Parser p;
  for (const auto& [raw, id] : cases) {
    auto f = basic();
    f.eventId = raw;
    EXPECT_EQ(p.parse(f).EventID, id) << std::hex << raw;
  }
}

TEST(RecordFields, DataBytesAsHexAndCharacters) {
  const struct {
    std::vector<std::uint8_t> data;
    std::string hex;
    std::string chars;
  } cases[] = {
      {{}, "", ""},
      {{0x41, 0x2C, 0x0A, 0xE9}, "41,2C,0A,E9", "A,.,.,\u00e9"},
      {{0x00, 0x1F, 0x20, 0x7E, 0x7F, 0xFF}, "00,1F,20,7E,7F,FF", ".,., ,~,\x7f,\u00ff"},
      {{0x2C}, "2C", "."},
  };
  Parser p;
  for (const auto& c : cases) {
    auto f = basic();
    for (auto b : c.data)
      f.data.push_back(static_cast<std::byte>(b));
    const TLogRecord r = p.parse(f);
    EXPECT_EQ(r.BinaryData, c.hex);
    EXPECT_EQ(r.CharData, c.chars);
  }
}

TEST(RecordFields, InsertionStringsJoinedAndTrimmedAtTheEnds) {
  const struct {
    std::vector<std::string> strings;
    std::string description;
  } cases[] = {
      {{}, ""},
      {{" 10:02:07", "", "x "}, "10:02:07\r\rx"},
      {{"", "", ""}, ""},
      {{"\t a \x01\r\n"}, "a"},
      {{"a b", "  c  "}, "a b\r  c"},
      {{"2:41:02 AM", "\u200e5/\u200e29/\u200e2023"}, "2:41:02 AM\r\u200e5/\u200e29/\u200e2023"},
      {{"", "mid", ""}, "mid"},
  };
  Parser p;
  for (const auto& c : cases) {
    auto f = basic();
    f.strings = c.strings;
    EXPECT_EQ(p.parse(f).Description, c.description);
  }
}

TEST(RecordFields, CategoryIsTheNumberInDecimal) {
  Parser p;
  for (const auto& [category, text] :
       std::vector<std::pair<std::uint16_t, std::string>>{{0, "0"}, {3, "3"}, {65535, "65535"}}) {
    auto f = basic();
    f.eventCategory = category;
    EXPECT_EQ(p.parse(f).Category, text);
  }
}

TEST(RecordFields, SourceAndComputerNames) {
  Parser p;
  auto f = basic();
  f.sourceName = "Microsoft-Windows-Kernel-General";
  f.computerName = "M\u00dcNCHEN-PC";
  const TLogRecord r = p.parse(f);
  EXPECT_EQ(r.Source, "Microsoft-Windows-Kernel-General");
  EXPECT_EQ(r.Computer, "M\u00dcNCHEN-PC");
}

TEST(RecordFields, UserSidAsAccountOrText) {
  const std::uint32_t system[] = {18};
  const std::uint32_t user[] = {21, 1004336348, 1177238915, 682003330, 1001};
  const auto systemSid = platform::makeSid(5, system);
  const auto userSid = platform::makeSid(5, user);
  auto badRevision = systemSid;
  badRevision[0] = std::byte{2};
  auto tooManySubs = systemSid;
  tooManySubs[1] = std::byte{16};
  const struct {
    const char* name;
    std::vector<std::byte> sid;
    bool lookup;
    std::string username;
    std::string domain;
  } cases[] = {
      {"known, look-up on", systemSid, true, "SYSTEM", "NT AUTHORITY"},
      {"known, look-up off", systemSid, false, "S-1-5-18", ""},
      {"unknown, look-up on", userSid, true, "S-1-5-21-1004336348-1177238915-682003330-1001", ""},
      {"no SID", {}, true, "", ""},
      {"revision 2, look-up on", badRevision, true, "", ""},
      {"revision 2, look-up off", badRevision, false, "", ""},
      {"16 sub-authorities", tooManySubs, true, "", ""},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    Parser p;
    p.accounts.add("S-1-5-18", "SYSTEM", "NT AUTHORITY");
    auto f = basic();
    f.userSid = c.sid;
    const TLogRecord r = p.parse(f, {.LookupSID = c.lookup});
    EXPECT_EQ(r.Username, c.username);
    EXPECT_EQ(r.Domain, c.domain);
    const bool valid = platform::isValidSid(c.sid);
    ASSERT_EQ(p.accounts.lookups.size(), c.lookup && valid ? 1u : 0u);
    if (!p.accounts.lookups.empty()) {
      // The account is looked up on the computer that logged the event.
      EXPECT_EQ(p.accounts.lookups[0].first, "WORKSTATION-07");
    }
  }
}

TEST(RecordFields, RecordWithoutSidLengthHasNoUser) {
  // A record with UserSidLength 0 whose offset points at bytes that happen to
  // look like a SID (here: its own insertion string) has no user.
  Parser p;
  auto f = basic();
  f.strings = {std::string("\u0101\u0000\u0005\u0000", 6)};  // 01 01 00 00 00 00 00 05 ...
  auto bytes = platform::buildEventLogRecord(f);
  const auto stringOffset = *ByteReader(bytes).u32(36);
  putU32(bytes, 44, stringOffset);
  ASSERT_TRUE(platform::isValidSid(std::span(bytes).subspan(stringOffset)));
  const auto r = p.parse(bytes, {.LookupSID = false});
  ASSERT_TRUE(r);
  EXPECT_EQ(r->Username, "");
}

TEST(RecordFields, SidTexts) {
  const struct {
    std::uint64_t authority;
    std::vector<std::uint32_t> subs;
    std::string text;
  } cases[] = {
      {5, {18}, "S-1-5-18"},
      {5, {32, 544}, "S-1-5-32-544"},
      {5, {4294967295u}, "S-1-5-4294967295"},
      {0x000000000102, {7}, "S-1-12-7"},
      {0x010203040506, {1, 2}, "S-1-123456-1-2"},
      {0xFFFFFFFFFFFF, {}, "S-1-255255255255255255"},
      {22, {1, 1000}, "S-1-22-1-1000"},
      {5,
       {21, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14},
       "S-1-5-21-1-2-3-4-5-6-7-8-9-10-11-12-13-14"},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(SidToText(platform::makeSid(c.authority, c.subs)), c.text);
  }
  EXPECT_EQ(SidToText({}), "");
  const std::uint32_t one[] = {1};
  auto truncated = platform::makeSid(5, one);
  truncated.pop_back();
  EXPECT_EQ(SidToText(truncated), "");
}

TEST(RecordFields, TimeGeneratedInUtcOrLocal) {
  const struct {
    std::uint32_t generated;
    TDateTime utc;
  } cases[] = {
      {86400, 25570.0},
      {0, 25569.0},  // within the first hour: no wrap to 2106
      {3599, 25569.0 + 3599.0 / 86400},
      {3600, 25569.0 + 1.0 / 24},
      {1'700'000'000, 25569.0 + 1'700'000'000.0 / 86400},
      {0xFFFFFFFF, 25569.0 + 4294967295.0 / 86400},  // 2106-02-07 06:28:15
  };
  Parser p;
  for (const auto& c : cases) {
    SCOPED_TRACE(c.generated);
    auto f = basic();
    f.timeGenerated = c.generated;
    EXPECT_NEAR(p.parse(f).DateTime, c.utc, 1e-9);
    EXPECT_NEAR(p.parse(f, {.ConvertTimeToLocal = true}).DateTime, c.utc + 1.0 / 24, 1e-8);
  }
}

TEST(RecordFields, SourceFilterKeepsExactNamesOnly) {
  const std::string_view journal =
      "Microsoft-Windows-Kernel-General,Microsoft-Windows-Kernel-Power,EventLog";
  const struct {
    std::string_view source;
    std::string_view filter;
    bool kept;
  } cases[] = {
      {"EventLog", journal, true},
      {"eventlog", journal, true},
      {"EVENTLOG", journal, true},
      {"Microsoft-Windows-Kernel-Power", journal, true},
      {"Microsoft-Windows-Kernel-General", journal, true},
      {"Microsoft-Windows-Kernel-Processor-Power", journal, false},
      {"Service Control Manager", journal, false},
      {"Log", journal, false},
      {"Power", journal, false},
      {"General", journal, false},
      {"", journal, false},
      {"EventLog,", journal, false},
      {"", "", true},
      {"Anything", "", true},
      {"", "A,,B", false},
      {"B", "A,,B", true},
      {"\u00c9vent", "\u00e9vent", false},  // only ASCII letters ignore case
      {"\u00e9vent", "\u00e9VENT", true},
      {"EventLogX", journal, false},
      {"EventL\u00f6g", journal, false},
      {"EventLog", "x,eventLOG", true},
      // Names of every length around the eight bytes the source's bytes are
      // compared by, differing at the start, in the middle and at the end.
      {"X", "x", true},
      {"Y", "x", false},
      {"ab", "abc", false},
      {"abcd", "abc", false},
      {"ABCD", "abcd", true},
      {"abcdefgh", "abcdefgH", true},
      {"abcdefgi", "abcdefgh", false},
      {"Microsoft-Windows-Kernel-Pow3r", journal, false},
      {"microsoft-windows-kernel-generaL", journal, true},
      {"Nicrosoft-Windows-Kernel-General", journal, false},
      // Only letters ignore case: '[' and '{', '@' and '`' differ by the same bit.
      {"[", "{", false},
      {"a`b", "a@b", false},
      {"A@B", "a@b", true},
  };
  Parser p;
  for (const auto& c : cases) {
    SCOPED_TRACE(std::string(c.source) + " in " + std::string(c.filter));
    EXPECT_EQ(SourceMatchesFilter(c.source, c.filter), c.kept);
    auto f = basic();
    f.sourceName = std::string(c.source);
    EXPECT_EQ(p.parse(platform::buildEventLogRecord(f), {.SourceFilter = c.filter}).has_value(),
              c.kept);
  }
}

// A source that runs to the end of the record without its NUL is the name up
// to there, for the filter as for the field.
TEST(RecordFields, SourceCutByTheEndOfTheRecordIsFilteredByWhatIsThere) {
  auto f = basic();
  f.sourceName = "EventLog";
  const auto whole = platform::buildEventLogRecord(f);
  Parser p;
  for (const std::size_t extra : {0u, 1u}) {
    const std::span<const std::byte> cut(whole.data(), 56 + 16 + extra);
    for (const char* filter : {"EventLog", "eventLOG", "EventLo", "EventLogs", "x,EVENTLOG"}) {
      SCOPED_TRACE(std::string(filter) + " +" + std::to_string(extra));
      const auto r = p.parse(cut, {.SourceFilter = filter});
      EXPECT_EQ(r.has_value(), SourceMatchesFilter("EventLog", filter));
      if (r) {
        EXPECT_EQ(r->Source, "EventLog");
      }
    }
  }
}

// Malformed records: each case damages one field of a sound record and states
// what the fields must hold; nothing may be read outside the record.
TEST(RecordFields, FieldsOutsideTheRecordAreEmpty) {
  auto f = basic();
  f.strings = {"one", "two"};
  f.data = {std::byte{1}, std::byte{2}};
  f.userSid = testing::localSystemSid();
  const auto sound = platform::buildEventLogRecord(f);
  const std::uint32_t length = static_cast<std::uint32_t>(sound.size());
  const struct {
    const char* name;
    std::function<void(std::vector<std::byte>&)> damage;
    std::function<void(const TLogRecord&)> check;
  } cases[] = {
      {"strings beyond the record", [&](auto& b) { putU32(b, 36, length + 100); },
       [](const TLogRecord& r) { EXPECT_EQ(r.Description, ""); }},
      {"string offset at 2^32 - 1", [&](auto& b) { putU32(b, 36, 0xFFFFFFFF); },
       [](const TLogRecord& r) { EXPECT_EQ(r.Description, ""); }},
      {"more strings than there are", [&](auto& b) { putU16(b, 26, 65535); },
       [](const TLogRecord& r) { EXPECT_EQ(r.Description.substr(0, 7), "one\rtwo"); }},
      {"last string without terminator",
       [&](auto& b) {
         // The data, padding and closing Length follow "two" unterminated.
         const auto at = *ByteReader(b).u32(52);
         b[at - 2] = std::byte{'!'};
       },
       [](const TLogRecord& r) { EXPECT_EQ(r.Description.substr(0, 8), "one\rtwo!"); }},
      {"SID beyond the record", [&](auto& b) { putU32(b, 44, length); },
       [](const TLogRecord& r) { EXPECT_EQ(r.Username, ""); }},
      {"SID cut by the record's end", [&](auto& b) { putU32(b, 44, length - 8); },
       [](const TLogRecord& r) { EXPECT_EQ(r.Username, ""); }},
      {"data beyond the record", [&](auto& b) { putU32(b, 52, length); },
       [](const TLogRecord& r) {
         EXPECT_EQ(r.BinaryData, "");
         EXPECT_EQ(r.CharData, "");
       }},
      {"data length beyond the record", [&](auto& b) { putU32(b, 48, 0xFFFFFFFF); },
       [](const TLogRecord& r) { EXPECT_EQ(r.BinaryData, ""); }},
      {"source without terminator",
       [&](auto& b) {
         std::vector<std::byte> fixed(b.begin(), b.begin() + 56);
         for (char c : std::string("Disk")) {
           fixed.push_back(static_cast<std::byte>(c));
           fixed.push_back(std::byte{0});
         }
         putU32(fixed, 0, static_cast<std::uint32_t>(fixed.size()));
         putU32(fixed, 36, 0xFFFF);
         putU32(fixed, 44, 0xFFFF);
         putU32(fixed, 52, 0xFFFF);
         b = fixed;
       },
       [](const TLogRecord& r) {
         EXPECT_EQ(r.Source, "Disk");
         EXPECT_EQ(r.Computer, "");
       }},
      {"fixed part only",
       [&](auto& b) {
         b.resize(56);
         putU32(b, 0, 56);
       },
       [](const TLogRecord& r) {
         EXPECT_EQ(r.Source, "");
         EXPECT_EQ(r.Computer, "");
         EXPECT_EQ(r.Description, "");
         EXPECT_EQ(r.Username, "");
       }},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    auto bytes = sound;
    c.damage(bytes);
    Parser p;
    const auto r = p.parse(bytes, {.LookupSID = true});
    ASSERT_TRUE(r);
    c.check(*r);
  }
}

TEST(RecordWalk, LengthOutsideBoundsEndsTheWalk) {
  std::vector<std::byte> bytes;
  std::vector<std::size_t> starts;
  for (int i = 0; i < 3; ++i) {
    auto f = basic();
    f.eventId = 100 + i;
    const auto r = platform::buildEventLogRecord(f);
    starts.push_back(bytes.size());
    bytes.insert(bytes.end(), r.begin(), r.end());
  }
  const struct {
    const char* name;
    std::uint32_t secondLength;
    std::size_t records;
  } cases[] = {
      {"sound", 0, 3},
      {"length zero", 1, 1},  // 1 stands for: write 0
      {"length below the fixed part", 55, 1},
      {"length beyond the bytes left", 0x10000, 1},
      {"length at 2^32 - 1", 0xFFFFFFFF, 1},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    auto b = bytes;
    if (c.secondLength != 0)
      putU32(b, starts[1], c.secondLength == 1 ? 0 : c.secondLength);
    const platform::Services services = platform::systemServices();
    RecordWalker walker(services, {});
    std::vector<std::uint32_t> ids;
    const std::size_t walked = walker.walk(b, [&](TLogRecord&& r) { ids.push_back(r.EventID); });
    EXPECT_EQ(ids.size(), c.records);
    EXPECT_EQ(walked, c.records == 3 ? b.size() : starts[1]);
  }
  // A buffer shorter than a Length.
  const platform::Services services = platform::systemServices();
  RecordWalker walker(services, {});
  int n = 0;
  EXPECT_EQ(walker.walk(std::span(bytes).first(3), [&](TLogRecord&&) { ++n; }), 0u);
  EXPECT_EQ(n, 0);
}

}  // namespace
}  // namespace tallyvane
