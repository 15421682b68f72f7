// Ordering and numbering of a .evtx file's events into a log, and the service
// that offers such logs by name, read through the classic reader.
#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <fstream>

#include "eventlog/Orvex_EventLogNT.h"
#include "platform/ByteReader.h"
#include "platform/EvtxEventLogService.h"

namespace tallyvane::platform {
namespace {

EvtxEvent makeEvent(std::optional<std::uint64_t> recordId, std::optional<std::uint64_t> header,
                    std::uint32_t eventId = 1, std::string channel = "System") {
  EvtxEvent e;
  e.eventRecordId = recordId;
  e.headerIdentifier = header;
  e.channel = std::move(channel);
  e.fields.eventId = eventId;
  e.fields.sourceName = "EventLog";
  e.fields.computerName = "PC";
  e.fields.timeGenerated = 1'700'000'000 + eventId;
  return e;
}

struct Served {
  std::uint32_t number;
  std::uint32_t eventId;
};

// Every record of a list as (RecordNumber, EventID), checking that the
// numbers are consecutive from the list's first number.
std::vector<Served> served(const RecordList& list) {
  std::vector<Served> out;
  for (std::size_t i = 0; i < list.count(); ++i) {
    const ByteReader r(list.at(i));
    const std::uint32_t number = r.u32(8).value_or(0);
    EXPECT_EQ(number, list.firstNumber() + i);
    out.push_back({number, r.u32(20).value_or(0)});
  }
  return out;
}

std::vector<std::uint32_t> eventIds(const RecordList& list) {
  std::vector<std::uint32_t> ids;
  for (const auto& s : served(list))
    ids.push_back(s.eventId);
  return ids;
}

TEST(EvtxLog, NumbersRecordsByTheirIdentifiers) {
  struct Case {
    const char* what;
    std::vector<EvtxEvent> events;
    std::uint32_t firstNumber;
    std::vector<std::uint32_t> order;  // EventIDs in served order
  };
  const std::vector<Case> cases = {
      {"consecutive event record ids",
       {makeEvent(15391, 1, 1), makeEvent(15392, 2, 2)},
       15391,
       {1, 2}},
      {"a wrapped file: older chunk stored last",
       {makeEvent(500, 1, 3), makeEvent(501, 2, 4), makeEvent(100, 3, 1), makeEvent(101, 4, 2)},
       100,
       {1, 2, 3, 4}},
      {"a gap keeps the order and numbers on",
       {makeEvent(10, 1, 1), makeEvent(11, 2, 2), makeEvent(40, 3, 3)},
       10,
       {1, 2, 3}},
      {"header identifiers when an event lacks its EventRecordID",
       {makeEvent(9, 2, 2), makeEvent(std::nullopt, 1, 1)},
       1,
       {1, 2}},
      {"file order when neither is known",
       {makeEvent(std::nullopt, std::nullopt, 5), makeEvent(std::nullopt, std::nullopt, 6)},
       1,
       {5, 6}},
      {"numbers past 32 bits start at 1",
       {makeEvent(0x100000000ULL, 1, 1), makeEvent(0x100000001ULL, 2, 2)},
       1,
       {1, 2}},
      {"numbers that would wrap start at 1",
       {makeEvent(0xFFFFFFFFULL, 1, 1), makeEvent(0x100000000ULL, 2, 2)},
       1,
       {1, 2}},
      {"identifier 0 starts at 1", {makeEvent(0, 1, 1), makeEvent(1, 2, 2)}, 1, {1, 2}},
      {"an empty log", {}, 1, {}},
  };
  for (const auto& c : cases) {
    EvtxLogFile file;
    assembleEvtxLog(c.events, "Fallback", file);
    EXPECT_EQ(file.records->firstNumber(), c.firstNumber) << c.what;
    EXPECT_EQ(eventIds(*file.records), c.order) << c.what;
    EXPECT_EQ(file.identifiers.size(), c.events.size()) << c.what;
  }
}

TEST(EvtxLog, IsNamedAfterTheChannelOfItsEvents) {
  EvtxLogFile file;
  assembleEvtxLog({makeEvent(1, 1, 1, ""), makeEvent(2, 2, 2, "System"),
                   makeEvent(3, 3, 3, "Other"), makeEvent(4, 4, 4, "System")},
                  "Fallback", file);
  EXPECT_EQ(file.logName, "System");
  assembleEvtxLog({makeEvent(1, 1, 1, "")}, "Fallback", file);
  EXPECT_EQ(file.logName, "Fallback");

  EXPECT_EQ(evtxLogNameFromPath("C:\\Windows\\System32\\winevt\\Logs\\System.evtx"), "System");
  EXPECT_EQ(
      evtxLogNameFromPath("/mnt/Logs/Microsoft-Windows-Kernel-Power%4Thermal-Operational.EVTX"),
      "Microsoft-Windows-Kernel-Power/Thermal-Operational");
  EXPECT_EQ(evtxLogNameFromPath("export"), "export");
}

EvtxLogFile fileOf(std::string path, std::vector<EvtxEvent> events) {
  EvtxLogFile file;
  file.path = std::move(path);
  assembleEvtxLog(std::move(events), evtxLogNameFromPath(file.path), file);
  return file;
}

TEST(EvtxService, OffersEachLogUnderItsOwnName) {
  EvtxEventLogService service;
  service.addLog(fileOf("a/System.evtx", {makeEvent(1, 1, 6009), makeEvent(2, 2, 6005)}));
  service.addLog(fileOf("a/App.evtx", {makeEvent(7, 1, 100, "Application")}));
  EvtxLogFile broken;
  broken.path = "a/Broken.evtx";
  broken.logName = "Broken";
  broken.error = Error{"damaged .evtx file: invalid signature"};
  service.addLog(std::move(broken));
  EXPECT_EQ(service.logNames(), (std::vector<std::string>{"System", "Application"}));

  std::uint32_t error = 0;
  auto log = service.open("", "SYSTEM", &error);
  ASSERT_NE(log, nullptr);
  EXPECT_EQ(error, kErrorSuccess);
  std::uint32_t count = 0, oldest = 0;
  EXPECT_TRUE(log->numberOfRecords(count));
  EXPECT_TRUE(log->oldestRecord(oldest));
  EXPECT_EQ(count, 2u);
  EXPECT_EQ(oldest, 1u);

  EXPECT_EQ(service.open("", "Security", &error), nullptr);
  EXPECT_EQ(error, kErrorFileNotFound);
  EXPECT_EQ(service.open("", "Broken", &error), nullptr);
  EXPECT_EQ(error, kErrorFileNotFound);
  EXPECT_EQ(service.open("\\\\other", "System", &error), nullptr);
  EXPECT_EQ(error, kRpcServerUnavailable);
}

TEST(EvtxService, MergesTheFilesOfOneLog) {
  // The live log and an archive that overlaps it by one record.
  EvtxEventLogService service;
  service.addLog(fileOf("Logs/System.evtx", {makeEvent(3, 1, 3), makeEvent(4, 2, 4)}));
  service.addLog(fileOf("Logs/Archive-System-2024.evtx",
                        {makeEvent(1, 1, 1), makeEvent(2, 2, 2), makeEvent(3, 3, 3)}));
  EXPECT_EQ(service.logNames(), (std::vector<std::string>{"System"}));
  auto log = service.open("", "System");
  ASSERT_NE(log, nullptr);
  std::vector<std::byte> buffer(1 << 16);
  const auto result = log->read(kSequentialRead | kForwardsRead, 0, buffer);
  ASSERT_TRUE(result.ok());
  RecordList list(1);
  std::size_t at = 0;
  while (at < result.bytesRead) {
    const auto length = ByteReader(buffer).u32(at).value_or(0);
    ASSERT_GT(length, 0u);
    list.append(std::span<const std::byte>(buffer).subspan(at, length));
    at += length;
  }
  const auto records = served(list);
  ASSERT_EQ(records.size(), 4u);
  for (std::uint32_t i = 0; i < 4; ++i) {
    EXPECT_EQ(records[i].number, i + 1);
    EXPECT_EQ(records[i].eventId, i + 1);
  }
}

TEST(EvtxService, ServesItsLogToTheReaderWithTheWindowsReadRules) {
  EvtxEventLogService service;
  std::vector<EvtxEvent> events;
  for (std::uint32_t i = 0; i < 50; ++i)
    events.push_back(makeEvent(100 + i, i + 1, 6000 + i));
  service.addLog(fileOf("System.evtx", events));

  // Seek and sequential reads both ways, the buffer reply and the end of the log.
  auto log = service.open("", "System");
  ASSERT_NE(log, nullptr);
  std::vector<std::byte> small(8);
  auto r = log->read(kSeekRead | kBackwardsRead, 149, small);
  EXPECT_EQ(r.error, kErrorInsufficientBuffer);
  EXPECT_GT(r.bytesNeeded, kEventLogRecordFixedSize);
  std::vector<std::byte> one(r.bytesNeeded);
  r = log->read(kSeekRead | kBackwardsRead, 149, one);
  ASSERT_TRUE(r.ok());
  EXPECT_EQ(ByteReader(one).u32(8), 149u);
  r = log->read(kSequentialRead | kBackwardsRead, 0, one);
  ASSERT_TRUE(r.ok());
  EXPECT_EQ(ByteReader(one).u32(8), 148u);
  EXPECT_EQ(log->read(kSeekRead | kForwardsRead, 150, one).error, kErrorInvalidParameter);
  r = log->read(kSeekRead | kForwardsRead, 100, one);
  ASSERT_TRUE(r.ok());
  EXPECT_EQ(log->read(kSequentialRead | kBackwardsRead, 0, one).error, kErrorHandleEof);

  Services services = systemServices();
  services.eventLog = &service;
  TEventLog reader(true, services);
  reader.SetSourceName("System");
  reader.RefreshData(true);
  ASSERT_EQ(reader.RecordCount(), 50u);
  reader.Sort();
  EXPECT_EQ(reader.Records(0)->EventID, 6000u);
  EXPECT_EQ(reader.Records(49)->EventID, 6049u);
  EXPECT_EQ(reader.Records(0)->Source, "EventLog");
}

TEST(EvtxService, AddsTheEvtxFilesOfAFolder) {
  namespace fs = std::filesystem;
  const fs::path dir = fs::temp_directory_path() / ("evtx-folder-" + std::to_string(::getpid()));
  fs::create_directories(dir);
  auto write = [&](const char* name, std::string_view bytes) {
    std::ofstream(dir / name, std::ios::binary)
        .write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
  };
  write("System.evtx", std::string("ElfFile\0truncated", 17));  // damaged: signature only
  write("notes.txt", "not a log");
  write("Renamed.dat", std::string("ElfFile\0", 8));  // found by its signature
  write("Empty.evtx", "");
  fs::create_directories(dir / "sub.evtx");

  EvtxEventLogService service;
  const auto found = service.addFolder(dir.string());
  ASSERT_TRUE(found) << found.error().message;
  EXPECT_EQ(*found, 3u);
  ASSERT_EQ(service.files().size(), 3u);
  for (const auto& file : service.files()) {
    EXPECT_FALSE(file->opened()) << file->path;
    EXPECT_TRUE(file->error.has_value());
  }
  // Empty.evtx; a build without an .evtx reader says that instead.
  EXPECT_NE(messageOf(service.files()[0]->error)
                .find(evtxReadingAvailable() ? "no ElfFile signature" : "cannot read .evtx"),
            std::string::npos);
  EXPECT_TRUE(service.logNames().empty());

  const auto missing = service.addFolder((dir / "missing").string());
  ASSERT_FALSE(missing);
  EXPECT_FALSE(missing.error().message.empty());
  fs::remove_all(dir);
}

TEST(EvtxService, SignatureIsElfFileAndAZeroByte) {
  const auto bytes = [](std::string_view s) {
    return std::vector<std::byte>(reinterpret_cast<const std::byte*>(s.data()),
                                  reinterpret_cast<const std::byte*>(s.data()) + s.size());
  };
  EXPECT_TRUE(hasEvtxSignature(bytes(std::string_view("ElfFile\0\1\2", 10))));
  EXPECT_FALSE(hasEvtxSignature(bytes("ElfFile")));
  EXPECT_FALSE(hasEvtxSignature(bytes("ElfFileX")));
  EXPECT_FALSE(hasEvtxSignature(bytes(std::string_view("LfLe\0\0\0\0", 8))));
}

}  // namespace
}  // namespace tallyvane::platform
