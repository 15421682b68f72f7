// .evtx files the tests write themselves (EvtxFileBuilder), read through
// our parser and the service: every field of the record layout, numbering across
// chunks and gaps, other logs, and damage.
#include <gtest/gtest.h>

#include "eventlog/Orvex_EventLogNT.h"
#include "evtx/EvtxFileBuilder.h"
#include "platform/ByteReader.h"
#include "platform/EvtxEventLogService.h"
#include "platform/Unicode.h"

namespace tallyvane::platform {
namespace {

using testing::EvtxEventSpec;
using testing::EvtxFileBuilder;
using testing::evtxSystemEvent;

constexpr std::uint64_t kFileTime2025 = 133933849549349101ULL;  // 2025-06-03 00:42:34.93 UTC
constexpr std::uint32_t kUnix2025 = 1748911354;

#define REQUIRE_LIBEVTX()                \
  do {                                   \
    if (!evtxReadingAvailable())         \
      GTEST_SKIP() << "no .evtx reader"; \
  } while (false)

EvtxEventSpec spec(std::uint64_t recordId, testing::EvtxElement event,
                   std::uint64_t writtenTime = kFileTime2025) {
  return EvtxEventSpec{recordId, writtenTime, std::move(event)};
}

EvtxLogFile readBuilt(const EvtxFileBuilder& builder, const char* name = "System.evtx") {
  const auto bytes = builder.build();
  return readEvtxBytes(bytes, name);
}

TEST(EvtxBuiltFile, EveryFieldReachesTheRecordLayout) {
  REQUIRE_LIBEVTX();
  EvtxFileBuilder b;
  // An unexpected shutdown with its time and date first, binary data and a SID.
  b.add(spec(41,
             evtxSystemEvent("EventLog", 6008, 32768, 2, "2025-06-03T00:42:34.934910100Z", 41,
                             {"2:41:02 AM", "\u200e5/\u200e29/\u200e2023", "", "x & <y>"},
                             "412C0AE9", "System", "S-1-5-21-1-2-3-1001"),
             kFileTime2025 + 25 * 10'000'000ULL));
  // A source with its own event source name, a warning with a category.
  b.add(spec(42, evtxSystemEvent("Microsoft-Windows-DistributedCOM", 10016, 0, 3,
                                 "2025-06-03T00:43:00Z", 42, {"machine-default"}, "", "System",
                                 "S-1-5-20", "DCOM", 0x8080000000000000ULL, 7)));
  // An audit success without level.
  b.add(spec(43, evtxSystemEvent("Microsoft-Windows-Security-Auditing", 4624, std::nullopt, 0,
                                 "2025-06-03T00:44:00Z", 43, {}, "", "System", "", "",
                                 0x8020000000000000ULL, 12544)));
  const auto file = readBuilt(b);
  ASSERT_TRUE(file.opened()) << messageOf(file.error);
  EXPECT_FALSE(file.damaged());
  EXPECT_EQ(file.logName, "System");
  ASSERT_EQ(file.records->count(), 3u);
  EXPECT_EQ(file.records->firstNumber(), 41u);

  EvtxEventLogService service;
  service.addLog(file);
  Services services = systemServices();
  services.eventLog = &service;
  TEventLog reader(true, services);
  reader.SetSourceName("System");
  reader.RefreshData(true);
  ASSERT_EQ(reader.RecordCount(), 3u);
  reader.Sort();
  const TLogRecord* shutdown = reader.Records(0);
  EXPECT_EQ(shutdown->Source, "EventLog");
  EXPECT_EQ(shutdown->EventID, 6008u);
  EXPECT_EQ(shutdown->EventType, etError);
  EXPECT_EQ(shutdown->Computer, "BUILDER-PC");
  EXPECT_EQ(shutdown->Username, "S-1-5-21-1-2-3-1001");
  EXPECT_EQ(shutdown->Description, "2:41:02 AM\r\u200e5/\u200e29/\u200e2023\r\rx & <y>");
  EXPECT_EQ(shutdown->BinaryData, "41,2C,0A,E9");
  EXPECT_EQ(shutdown->Category, "0");
  EXPECT_EQ(shutdown->DateTime, UnixTimeToDateTime(kUnix2025 - 3600));
  const TLogRecord* dcom = reader.Records(1);
  EXPECT_EQ(dcom->Source, "DCOM");
  EXPECT_EQ(dcom->EventID, 10016u);
  EXPECT_EQ(dcom->EventType, etWarning);
  EXPECT_EQ(dcom->Category, "7");
  EXPECT_EQ(dcom->Username, "S-1-5-20");
  const TLogRecord* audit = reader.Records(2);
  EXPECT_EQ(audit->EventType, etAuditSuccess);
  EXPECT_EQ(audit->Category, "12544");
  EXPECT_EQ(audit->Username, "");
  EXPECT_EQ(audit->Description, "");

  // The raw layout: full EventID, both times, the record number.
  const ByteReader first(file.records->at(0));
  EXPECT_EQ(first.u32(8), 41u);
  EXPECT_EQ(first.u32(12), kUnix2025);
  EXPECT_EQ(first.u32(16), kUnix2025 + 25);
  EXPECT_EQ(first.u32(20), 0x80001778u);
  EXPECT_EQ(first.u16(26), 4u);
}

TEST(EvtxBuiltFile, RecordsAcrossChunksGapsAndWrapsAreNumberedConsecutively) {
  REQUIRE_LIBEVTX();
  // 700 events fill several chunks; the file holds the newest chunk's events
  // first (a wrapped log) and misses identifiers 300 to 309.
  std::vector<EvtxEventSpec> events;
  for (std::uint64_t id = 1; id <= 700; ++id) {
    if (id >= 300 && id < 310)
      continue;
    events.push_back(spec(id, evtxSystemEvent("EventLog", 6013, 32768, 4, "2025-06-03T00:42:34Z",
                                              id, {std::to_string(id), "60", "padding text"})));
  }
  EvtxFileBuilder b;
  for (std::size_t i = 400; i < events.size(); ++i)
    b.add(events[i]);
  for (std::size_t i = 0; i < 400; ++i)
    b.add(events[i]);
  const auto bytes = b.build();
  ASSERT_GT(bytes.size(), EvtxFileBuilder::kHeaderSize + 2 * EvtxFileBuilder::kChunkSize);
  const auto file = readEvtxBytes(bytes, "System.evtx");
  ASSERT_TRUE(file.opened()) << messageOf(file.error);
  ASSERT_EQ(file.records->count(), 690u);
  EXPECT_EQ(file.records->firstNumber(), 1u);
  for (std::size_t i = 0; i < file.records->count(); ++i) {
    const ByteReader r(file.records->at(i));
    ASSERT_EQ(r.u32(8), i + 1);
    // The first insertion string is the event's own record identifier.
    const auto strings = r.tail(r.u32(36).value_or(0));
    const std::uint64_t id = std::stoull(utf16ToUtf8(readUtf16z(strings)));
    ASSERT_EQ(id, i < 299 ? i + 1 : i + 11) << i;
    ASSERT_EQ(file.identifiers[i], id);
  }
}

TEST(EvtxBuiltFile, AFileOfAnotherLogIsOfferedUnderThatName) {
  REQUIRE_LIBEVTX();
  EvtxFileBuilder b;
  b.add(spec(5, evtxSystemEvent("Application Error", 1000, 0, 2, "2025-06-03T00:42:34Z", 5, {}, "",
                                "Application")));
  EvtxEventLogService service;
  service.addLog(readBuilt(b, "renamed.evtx"));
  EXPECT_EQ(service.logNames(), (std::vector<std::string>{"Application"}));
  EXPECT_NE(service.open("", "application"), nullptr);
  EXPECT_EQ(service.open("", "System"), nullptr);

  // A file without events is named after the file.
  EvtxEventLogService empty;
  empty.addLog(
      readBuilt(EvtxFileBuilder(), "Microsoft-Windows-Kernel-Power%4Thermal-Operational.evtx"));
  EXPECT_EQ(empty.logNames(),
            (std::vector<std::string>{"Microsoft-Windows-Kernel-Power/Thermal-Operational"}));
  auto log = empty.open("", "Microsoft-Windows-Kernel-Power/Thermal-Operational");
  ASSERT_NE(log, nullptr);
  std::vector<std::byte> buffer(256);
  EXPECT_EQ(log->read(kSequentialRead | kForwardsRead, 0, buffer).error, kErrorHandleEof);
}

TEST(EvtxBuiltFile, ADamagedChunkLeavesTheOthersReadable) {
  REQUIRE_LIBEVTX();
  EvtxFileBuilder b;
  for (std::uint64_t id = 1; id <= 400; ++id)
    b.add(spec(id, evtxSystemEvent("EventLog", 6005, 32768, 4, "2025-06-03T00:42:34Z", id,
                                   {"some text to fill the chunks faster"})));
  auto bytes = b.build();
  const std::size_t chunks =
      (bytes.size() - EvtxFileBuilder::kHeaderSize) / EvtxFileBuilder::kChunkSize;
  ASSERT_GE(chunks, 3u);
  // Spoil one byte of the second chunk's records: its checksum no longer holds.
  bytes[EvtxFileBuilder::kHeaderSize + EvtxFileBuilder::kChunkSize + 600] ^= std::byte{0x5A};
  const auto file = readEvtxBytes(bytes, "System.evtx");
  ASSERT_TRUE(file.opened()) << messageOf(file.error);
  EXPECT_GT(file.records->count(), 0u);
  EXPECT_LE(file.records->count(), 400u);
  for (std::size_t i = 1; i < file.identifiers.size(); ++i)
    EXPECT_LT(file.identifiers[i - 1], file.identifiers[i]);
}

}  // namespace
}  // namespace tallyvane::platform
