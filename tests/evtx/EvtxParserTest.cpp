// Our .evtx parser against libevtx (the oracle, where installed) on real and
// written files, the text of every substitution value type, and damage:
// checksums, cut files, headers not flushed.
#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>
#include <fstream>

#include "evtx/EvtxFileBuilder.h"
#include "evtx/LibevtxOracle.h"
#include "platform/ByteReader.h"
#include "platform/EvtxEventLogService.h"
#include "platform/EvtxParser.h"
#include "platform/Files.h"
#include "platform/Unicode.h"

namespace tallyvane::platform {
namespace {

using testing::EvtxElement;
using testing::EvtxEventSpec;
using testing::EvtxFileBuilder;
using testing::evtxSystemEvent;
using testing::EvtxValue;

constexpr std::uint64_t kFileTime2025 = 133933849549349101ULL;  // 2025-06-03 00:42:34.93 UTC

std::string fixture(const char* name) {
  return std::string(TALLYVANE_SHARED_FIXTURES) + "/evtx/" + name;
}

// A record's fields in words, for a failure message.
std::string describe(std::span<const std::byte> record) {
  const ByteReader r(record);
  std::string out =
      "number " + std::to_string(r.u32(8).value_or(0)) + ", generated " +
      std::to_string(r.u32(12).value_or(0)) + ", written " + std::to_string(r.u32(16).value_or(0)) +
      ", id " + std::to_string(r.u32(20).value_or(0)) + ", type " +
      std::to_string(r.u16(24).value_or(0)) + ", category " + std::to_string(r.u16(28).value_or(0));
  std::size_t used = 0;
  out += ", source " + utf16ToUtf8(readUtf16z(r.tail(kEventLogRecordFixedSize), &used));
  out += ", computer " + utf16ToUtf8(readUtf16z(r.tail(kEventLogRecordFixedSize + used)));
  std::uint64_t at = r.u32(36).value_or(0);
  for (std::uint16_t i = 0; i < r.u16(26).value_or(0); ++i) {
    out += ", \"" + utf16ToUtf8(readUtf16z(r.tail(at), &used)) + "\"";
    at += used;
  }
  out += ", " + std::to_string(r.u32(48).value_or(0)) + " data bytes";
  return out;
}

// libevtx prints a negative integer as "-" and the value's bits below the
// sign bit ("-2147483647" for a 32-bit -1, "-458839" for 0x80070057); our
// parser prints the value itself. This gives the value libevtx meant.
std::string trueNegative(const std::string& text) {
  if (text.size() < 2 || text.size() > 20 || text[0] != '-' ||
      text.find_first_not_of("0123456789", 1) != std::string::npos)
    return text;
  const unsigned long long low = std::stoull(text.substr(1));
  if (low < (1ULL << 15))
    return std::to_string(static_cast<long long>(low) - (1LL << 15));
  if (low < (1ULL << 31))
    return std::to_string(static_cast<long long>(low) - (1LL << 31));
  if (low < (1ULL << 63))
    return "-" + std::to_string((1ULL << 63) - low);
  return text;
}

// A record with its strings split off, and the oracle's negative numbers read
// as it meant them (`strings` may be changed).
struct Split {
  std::vector<std::byte> head;  // up to the strings
  std::vector<std::string> strings;
  std::vector<std::byte> rest;  // the user SID and data, and the length
};

Split split(std::span<const std::byte> record) {
  const ByteReader r(record);
  Split out;
  const std::uint32_t at = r.u32(36).value_or(0);
  out.head.assign(record.begin(), record.begin() + std::min<std::size_t>(at, 36));
  std::uint64_t pos = at;
  std::size_t used = 0;
  for (std::uint16_t i = 0; i < r.u16(26).value_or(0); ++i) {
    out.strings.push_back(utf16ToUtf8(readUtf16z(r.tail(pos), &used)));
    pos += used;
  }
  if (const auto sid = r.slice(r.u32(44).value_or(0), r.u32(40).value_or(0)))
    out.rest.assign(sid->begin(), sid->end());
  if (const auto data = r.slice(r.u32(52).value_or(0), r.u32(48).value_or(0)))
    out.rest.insert(out.rest.end(), data->begin(), data->end());
  return out;
}

// The records agree, but for libevtx's way with negative numbers.
bool sameRecord(std::span<const std::byte> ours, std::span<const std::byte> oracle) {
  if (std::equal(ours.begin(), ours.end(), oracle.begin(), oracle.end()))
    return true;
  const Split a = split(ours);
  Split b = split(oracle);
  if (a.strings.size() != b.strings.size())
    return false;
  for (std::size_t i = 0; i < a.strings.size(); ++i) {
    if (a.strings[i] != b.strings[i] && trueNegative(b.strings[i]) == a.strings[i])
      b.strings[i] = a.strings[i];
  }
  auto headOf = [](const Split& s) {  // the fixed fields but the offsets and length
    std::vector<std::byte> h = s.head;
    h.resize(36);
    std::fill(h.begin(), h.begin() + 4, std::byte{0});
    std::fill(h.begin() + 32, h.end(), std::byte{0});
    return h;
  };
  return headOf(a) == headOf(b) && a.strings == b.strings && a.rest == b.rest;
}

// Every record of both logs, every field of the layout.
void expectSameLog(const EvtxLogFile& ours, const EvtxLogFile& oracle) {
  ASSERT_TRUE(ours.opened()) << messageOf(ours.error);
  ASSERT_TRUE(oracle.opened()) << messageOf(oracle.error);
  EXPECT_EQ(ours.logName, oracle.logName);
  EXPECT_EQ(ours.identifiers, oracle.identifiers);
  EXPECT_EQ(ours.records->firstNumber(), oracle.records->firstNumber());
  ASSERT_EQ(ours.records->count(), oracle.records->count());
  int shown = 0;
  for (std::size_t i = 0; i < ours.records->count(); ++i) {
    const auto a = ours.records->at(i), b = oracle.records->at(i);
    if (!sameRecord(a, b) && shown++ < 5)
      ADD_FAILURE() << "record " << i << "\n ours:   " << describe(a)
                    << "\n libevtx: " << describe(b);
  }
  EXPECT_EQ(shown, 0) << "records that differ";
}

#define REQUIRE_ORACLE()                                    \
  do {                                                      \
    if (!testing::libevtxAvailable())                       \
      GTEST_SKIP() << "libevtx (the oracle) not installed"; \
  } while (false)

class EvtxOracleFixture : public ::testing::TestWithParam<const char*> {};

TEST_P(EvtxOracleFixture, EveryRecordMatchesLibevtx) {
  REQUIRE_ORACLE();
  const std::string path = fixture(GetParam());
  if (!std::filesystem::exists(path))
    GTEST_SKIP() << "no " << path;
  const auto ours = readEvtxFile(path);
  expectSameLog(ours, testing::libevtxReadFile(path));
  EXPECT_FALSE(ours.damaged());
  EXPECT_EQ(ours.badChunks, 0u);
}

INSTANTIATE_TEST_SUITE_P(RealFiles, EvtxOracleFixture,
                         ::testing::Values("etwtool_System.evtx", "tsevtx_System.evtx"));

// A mix of System events: several template shapes, some repeated, across
// chunks; the optional values left empty are left out of the event.
EvtxFileBuilder mixedLog(std::size_t events, bool templates) {
  EvtxFileBuilder b;
  b.useTemplates(templates);
  for (std::size_t i = 0; i < events; ++i) {
    const std::uint64_t id = 100 + i;
    const std::string created = "2025-06-03T00:" + std::to_string(10 + i % 50) + ":07.5Z";
    EvtxElement e;
    switch (i % 4) {
      case 0:
        e = evtxSystemEvent("EventLog", 6005, 32768, 4, created, id, {}, "E9070600");
        break;
      case 1:
        e = evtxSystemEvent("Microsoft-Windows-DistributedCOM", 10016, 0, 3, created, id,
                            {"machine-default", "", "x & <y>", "\u00e9t\u00e9"}, "", "System",
                            "S-1-5-20", "DCOM", 0x8080000000000000ULL, 7);
        break;
      case 2:
        e = evtxSystemEvent("Microsoft-Windows-Security-Auditing", 4624, std::nullopt, 0, created,
                            id, {std::string(300, 'a')}, "", "System", "S-1-5-21-1-2-3-1001", "",
                            0x8020000000000000ULL, 12544);
        break;
      default:
        e = evtxSystemEvent("User32", 1074, 32768, 4, created, id, {"a", "b", "c", "d", "e", "f"},
                            "", "System", "S-1-5-18");
        break;
    }
    b.add(EvtxEventSpec{id, kFileTime2025 + i * 10'000'000ULL, std::move(e)});
  }
  return b;
}

TEST(EvtxParser, WrittenFilesMatchLibevtx) {
  REQUIRE_ORACLE();
  for (const bool templates : {false, true}) {
    SCOPED_TRACE(templates ? "template instances" : "elements spelled out");
    const auto bytes = mixedLog(700, templates).build();
    ASSERT_GT(bytes.size(), kEvtxFileHeaderSize + 2 * kEvtxChunkSize);
    const auto ours = readEvtxBytes(bytes, "System.evtx");
    expectSameLog(ours, testing::libevtxReadBytes(bytes, "System.evtx"));
    EXPECT_EQ(ours.records->count(), 700u);
  }
}

// The file reader lays each event out as its record while the chunks are
// read; the events parseEvtxChunks gives, laid out afterwards, must make the
// same log byte for byte (the two paths choose source, computer and channel
// each in its own words).
TEST(EvtxParser, RecordsLaidOutWhileReadingEqualTheMappedEvents) {
  std::vector<std::pair<std::string, std::vector<std::byte>>> files = {
      {"spelled out", mixedLog(400, false).build()}, {"templates", mixedLog(400, true).build()}};
  for (const char* name : {"tsevtx_System.evtx", "etwtool_System.evtx"}) {
    std::vector<std::byte> bytes;
    if (readFile(fixture(name), bytes) != kErrorSuccess)
      continue;  // the shared fixtures are not beside this checkout
    files.emplace_back(name, std::move(bytes));
  }
  for (const auto& [what, bytes] : files) {
    SCOPED_TRACE(what);
    const auto direct = readEvtxBytes(bytes, "System.evtx");
    EvtxLogFile mapped;
    assembleEvtxLog(parseEvtxChunks(bytes, 2).events, "System", mapped);
    EXPECT_EQ(direct.logName, mapped.logName);
    EXPECT_EQ(direct.identifiers, mapped.identifiers);
    EXPECT_EQ(direct.records->firstNumber(), mapped.records->firstNumber());
    ASSERT_EQ(direct.records->count(), mapped.records->count());
    for (std::size_t i = 0; i < direct.records->count(); ++i) {
      const auto a = direct.records->at(i), b = mapped.records->at(i);
      ASSERT_TRUE(std::equal(a.begin(), a.end(), b.begin(), b.end())) << i << "\n"
                                                                      << describe(a) << "\n"
                                                                      << describe(b);
    }
  }
}

TEST(EvtxParser, TemplatesGiveWhatSpelledOutElementsGive) {
  const auto plain = readEvtxBytes(mixedLog(300, false).build(), "System.evtx");
  const auto instanced = readEvtxBytes(mixedLog(300, true).build(), "System.evtx");
  ASSERT_EQ(plain.records->count(), 300u);
  ASSERT_EQ(instanced.records->count(), 300u);
  for (std::size_t i = 0; i < plain.records->count(); ++i) {
    const auto a = plain.records->at(i), b = instanced.records->at(i);
    EXPECT_TRUE(std::equal(a.begin(), a.end(), b.begin(), b.end())) << i << "\n"
                                                                    << describe(a) << "\n"
                                                                    << describe(b);
  }
  EXPECT_NE(describe(instanced.records->at(1))
                .find("\"machine-default\", \"\", \"x & <y>\", \"\u00e9t\u00e9\""),
            std::string::npos)
      << describe(instanced.records->at(1));
}

// --- The text of each value type --------------------------------------------

EvtxValue value(std::uint8_t type, std::initializer_list<unsigned> bytes) {
  EvtxValue v{type, {}};
  for (unsigned b : bytes)
    v.bytes.push_back(static_cast<std::byte>(b));
  return v;
}

EvtxValue littleEndian(std::uint8_t type, std::uint64_t x, int size) {
  EvtxValue v{type, {}};
  for (int i = 0; i < size; ++i)
    v.bytes.push_back(static_cast<std::byte>((x >> (8 * i)) & 0xFF));
  return v;
}

struct TypeCase {
  const char* what;
  EvtxValue value;
  std::vector<std::string> strings;  // what the event's strings become
  bool oracle = true;                // libevtx gives the same text
};

std::vector<TypeCase> typeCases() {
  EvtxValue ansi{0x02, {}};
  for (char c : std::string("ansi"))
    ansi.bytes.push_back(static_cast<std::byte>(c));
  EvtxValue strings = testing::evtxStringValue(std::string("one\0two\0", 8));
  return {
      {"string", testing::evtxStringValue("text"), {"text"}},
      // libevtx turns characters beyond U+FFFF into others.
      {"string beyond the BMP", testing::evtxStringValue("\U0001F600!"), {"\U0001F600!"}, false},
      {"empty string", EvtxValue{0x01, {}}, {""}},
      {"null: the element is left out", EvtxValue{0x00, {}}, {}},
      {"ansi string", ansi, {"ansi"}},
      {"int8", littleEndian(0x03, 0x85, 1), {"-123"}, false},
      {"uint8", littleEndian(0x04, 200, 1), {"200"}},
      {"int16", littleEndian(0x05, 0xFFC4, 2), {"-60"}, false},
      {"uint16", littleEndian(0x06, 65535, 2), {"65535"}},
      {"int32", littleEndian(0x07, 0x80070057, 4), {"-2147024809"}, false},
      {"uint32", littleEndian(0x08, 4000000000u, 4), {"4000000000"}},
      {"int64",
       littleEndian(0x09, static_cast<std::uint64_t>(-28799616LL), 8),
       {"-28799616"},
       false},
      {"uint64", littleEndian(0x0A, 18446744073709551615ULL, 8), {"18446744073709551615"}},
      {"bool", littleEndian(0x0D, 1, 4), {"true"}},
      {"binary", value(0x0E, {0x00, 0xAB, 0x10}), {"00AB10"}},
      {"guid",
       value(0x0F, {0x91, 0x72, 0x13, 0x9C, 0x59, 0x40, 0xB8, 0x4C, 0xB6, 0x50, 0x12, 0xB0, 0x7B,
                    0xBE, 0x1D, 0xA1}),
       {"{9C137291-4059-4CB8-B650-12B07BBE1DA1}"}},
      {"size", littleEndian(0x10, 0x1234, 8), {"4660"}},
      {"filetime", littleEndian(0x11, kFileTime2025, 8), {"2025-06-03T00:42:34.934910100Z"}},
      {"systemtime",
       value(0x12, {0xE9, 0x07, 0x06, 0x00, 0x02, 0x00, 0x03, 0x00, 0x00, 0x00, 0x2A, 0x00, 0x22,
                    0x00, 0xA6, 0x03}),
       {"2025-06-03T00:42:34.934Z"}},
      {"sid",
       value(0x13, {1, 2, 0, 0, 0, 0, 0, 5, 32, 0, 0, 0, 0x20, 0x02, 0, 0}),
       {"S-1-5-32-544"}},
      {"hex32", littleEndian(0x14, 0xBEEF, 4), {"0x0000beef"}},
      {"hex64", littleEndian(0x15, 0x8000000000002004ULL, 8), {"0x8000000000002004"}},
      {"string array", EvtxValue{0x81, strings.bytes}, {"one", "two"}},
      {"uint16 array", value(0x86, {1, 0, 2, 0}), {"1", "2"}},
  };
}

EvtxFileBuilder typedEvent(const EvtxValue& v) {
  EvtxFileBuilder b;
  b.useTemplates();
  EvtxElement e =
      evtxSystemEvent("Typed", 1, std::nullopt, 4, "2025-06-03T00:42:34Z", 7, {"placeholder"});
  e.children[1].children[0].value = v;
  b.add(EvtxEventSpec{7, kFileTime2025, std::move(e)});
  return b;
}

std::vector<std::string> stringsOf(const EvtxLogFile& file) {
  std::vector<std::string> out;
  if (file.records->count() != 1)
    return out;
  const ByteReader r(file.records->at(0));
  std::uint64_t at = r.u32(36).value_or(0);
  std::size_t used = 0;
  for (std::uint16_t i = 0; i < r.u16(26).value_or(0); ++i) {
    out.push_back(utf16ToUtf8(readUtf16z(r.tail(at), &used)));
    at += used;
  }
  return out;
}

TEST(EvtxParser, EveryValueTypeBecomesItsText) {
  for (const auto& c : typeCases()) {
    SCOPED_TRACE(c.what);
    const auto bytes = typedEvent(c.value).build();
    const auto ours = readEvtxBytes(bytes, "System.evtx");
    ASSERT_TRUE(ours.opened()) << messageOf(ours.error);
    EXPECT_EQ(stringsOf(ours), c.strings);
    if (c.oracle && testing::libevtxAvailable())
      expectSameLog(ours, testing::libevtxReadBytes(bytes, "System.evtx"));
  }
}

// The numbers of <System> are read from typed values without their text: each
// must be what the value's text reads as, and nothing where the text is no
// unsigned number (negative numbers, strings, times).
TEST(EvtxParser, TypedSystemValuesGiveTheNumbersOfTheirTexts) {
  for (const auto& c : typeCases()) {
    if (c.value.type & 0x80)
      continue;  // arrays stand for several items, not one number
    SCOPED_TRACE(c.what);
    EvtxFileBuilder b;
    b.useTemplates();
    EvtxElement e = evtxSystemEvent("Typed", 1, std::nullopt, 4, "2025-06-03T00:42:34Z", 7, {"x"});
    e.children[0].children[1].value = c.value;  // <EventID>
    e.children[0].children[3].value = c.value;  // <Task>
    b.add(EvtxEventSpec{7, kFileTime2025, std::move(e)});
    const auto bytes = b.build();
    const auto ours = readEvtxBytes(bytes, "System.evtx");
    ASSERT_EQ(ours.records->count(), 1u);
    const auto number = parseEvtxUnsigned(c.strings.empty() ? "" : c.strings.front());
    const std::uint64_t expected = number.value_or(0);
    const ByteReader r(ours.records->at(0));
    EXPECT_EQ(r.u32(20), static_cast<std::uint32_t>(expected));           // EventID
    EXPECT_EQ(r.u16(28), static_cast<std::uint16_t>(expected & 0xFFFF));  // EventCategory
    // Where the text is no number, the oracle falls back on libevtx's own
    // reading of the identifier, which is no text.
    if (number && c.oracle && testing::libevtxAvailable())
      expectSameLog(ours, testing::libevtxReadBytes(bytes, "System.evtx"));
  }
}

// --- Damage -------------------------------------------------------------------

void flip(std::vector<std::byte>& bytes, std::size_t at) {
  bytes.at(at) ^= std::byte{0x5A};
}

TEST(EvtxParser, ABadChunkIsLeftOutAndCounted) {
  const auto whole = mixedLog(700, true).build();
  const auto intact = parseEvtxChunks(whole);
  ASSERT_GE(intact.chunks, 3u);
  ASSERT_EQ(intact.events.size(), 700u);
  const std::size_t second = kEvtxFileHeaderSize + kEvtxChunkSize;
  const auto inSecond = parseEvtxChunks(std::span(whole).first(second + kEvtxChunkSize)).records -
                        parseEvtxChunks(std::span(whole).first(second)).records;
  ASSERT_GT(inSecond, 0u);

  struct Case {
    const char* what;
    std::size_t offset;
  };
  for (const Case c : {Case{"a record byte", second + 2000}, Case{"a header field", second + 16},
                       Case{"the signature", second + 1}}) {
    SCOPED_TRACE(c.what);
    auto spoiled = whole;
    flip(spoiled, c.offset);
    const auto file = readEvtxBytes(spoiled, "System.evtx");
    ASSERT_TRUE(file.opened());
    EXPECT_EQ(file.badChunks, 1u);
    EXPECT_TRUE(file.damaged());
    EXPECT_EQ(file.records->count(), 700u - inSecond);
  }
}

TEST(EvtxParser, ACutFileGivesItsWholeRecords) {
  const auto whole = mixedLog(700, true).build();
  const std::size_t third = kEvtxFileHeaderSize + 2 * kEvtxChunkSize;
  const auto twoChunks = parseEvtxChunks(std::span(whole).first(third)).events.size();
  // Every cut inside the third chunk gives the first two chunks and then
  // exactly the records of the third that lie wholly before the cut.
  const auto all = parseEvtxChunks(whole);
  std::size_t previous = twoChunks;
  for (std::size_t cut : {third + 100, third + 600, third + 5000, third + 30000, third + 65000}) {
    SCOPED_TRACE(cut);
    const auto file = readEvtxBytes(std::span(whole).first(cut), "System.evtx");
    ASSERT_TRUE(file.opened());
    EXPECT_TRUE(file.corrupted);
    EXPECT_EQ(file.badChunks, 0u);
    EXPECT_GE(file.records->count(), previous);
    EXPECT_LE(file.records->count(), all.events.size());
    previous = file.records->count();
  }
  EXPECT_GT(previous, twoChunks);
}

TEST(EvtxParser, ADirtyHeaderIsReadAsFarAsChunksGo) {
  auto bytes = mixedLog(700, true).build();
  // The header still counts one chunk and says it was not flushed.
  ByteWriter patch;
  patch.u16(1);
  std::memcpy(bytes.data() + 42, patch.data().data(), 2);
  bytes[120] = std::byte{1};
  const std::uint32_t crc = evtxCrc32(std::span(bytes).first(120));
  for (int i = 0; i < 4; ++i)
    bytes[124 + static_cast<std::size_t>(i)] = static_cast<std::byte>((crc >> (8 * i)) & 0xFF);
  const auto parsed = parseEvtxChunks(bytes);
  EXPECT_TRUE(parsed.dirty);
  EXPECT_FALSE(parsed.badHeader);
  EXPECT_EQ(parsed.events.size(), 700u);
}

TEST(EvtxParser, ChunksReadInParallelGiveTheSameEvents) {
  const auto bytes = mixedLog(4000, true).build();
  const auto one = parseEvtxChunks(bytes, 1);
  const auto two = parseEvtxChunks(bytes, 2);
  const auto many = parseEvtxChunks(bytes, 5);
  ASSERT_EQ(one.events.size(), 4000u);
  for (const auto* other : {&two, &many}) {
    ASSERT_EQ(other->events.size(), one.events.size());
    EXPECT_EQ(other->chunks, one.chunks);
    for (std::size_t i = 0; i < one.events.size(); ++i) {
      EXPECT_EQ(other->events[i].eventRecordId, one.events[i].eventRecordId);
      EXPECT_EQ(other->events[i].fields.strings, one.events[i].fields.strings);
    }
  }
}

TEST(EvtxParser, ChecksumIsTheIeeeCrc32) {
  const std::string text = "123456789";
  EXPECT_EQ(evtxCrc32(std::as_bytes(std::span(text.data(), text.size()))), 0xCBF43926u);
  // Split runs continue each other.
  const auto bytes = std::as_bytes(std::span(text.data(), text.size()));
  EXPECT_EQ(evtxCrc32(bytes.subspan(5), evtxCrc32(bytes.first(5))), 0xCBF43926u);
}

// Long runs take the faster ways (sixteen bytes a step, or carry-less folding
// where the processor has it): every length and alignment must give what one
// bit at a time gives.
TEST(EvtxParser, ChecksumOfLongRunsMatchesTheBitwiseDefinition) {
  auto bitwise = [](std::span<const std::byte> bytes, std::uint32_t crc) {
    crc = ~crc;
    for (std::byte b : bytes) {
      crc ^= std::to_integer<std::uint32_t>(b);
      for (int k = 0; k < 8; ++k)
        crc = (crc & 1) ? 0xEDB88320u ^ (crc >> 1) : crc >> 1;
    }
    return ~crc;
  };
  std::vector<std::byte> data(kEvtxChunkSize + 16);
  std::uint32_t seed = 12345;
  for (auto& b : data) {
    seed = seed * 1103515245u + 12345u;
    b = static_cast<std::byte>(seed >> 24);
  }
  const std::span<const std::byte> all(data);
  for (std::size_t offset : {0u, 1u, 3u}) {
    for (std::size_t length = 0; length <= 260; ++length) {
      const auto run = all.subspan(offset, length);
      ASSERT_EQ(evtxCrc32(run), bitwise(run, 0)) << "offset " << offset << " length " << length;
      ASSERT_EQ(evtxCrc32(run, 0xDEADBEEF), bitwise(run, 0xDEADBEEF));
    }
  }
  const auto chunkRecords =
      all.subspan(kEvtxChunkHeaderSize, kEvtxChunkSize - kEvtxChunkHeaderSize);
  EXPECT_EQ(evtxCrc32(chunkRecords), bitwise(chunkRecords, 0));
}

}  // namespace
}  // namespace tallyvane::platform
