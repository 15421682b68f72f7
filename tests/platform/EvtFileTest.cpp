#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <functional>

#include "platform/ByteReader.h"
#include "platform/EvtFileEventLogService.h"
#include "platform/EvtFileWriter.h"
#include "support/SampleRecords.h"

namespace tallyvane::platform {
namespace {

using testing::sampleDay;

// The records of `fields` as the service hands them out, numbered from `first`.
std::vector<std::vector<std::byte>> builtRecords(std::vector<EventLogRecordFields> fields,
                                                 std::uint32_t first = 1) {
  std::vector<std::vector<std::byte>> out;
  for (auto& f : fields) {
    f.recordNumber = first++;
    out.push_back(buildEventLogRecord(f));
  }
  return out;
}

std::vector<std::vector<std::byte>> listed(const RecordList& list) {
  std::vector<std::vector<std::byte>> out;
  for (std::size_t i = 0; i < list.count(); ++i) {
    const auto r = list.at(i);
    out.emplace_back(r.begin(), r.end());
  }
  return out;
}

std::size_t totalSize(const std::vector<std::vector<std::byte>>& records) {
  std::size_t n = 0;
  for (const auto& r : records)
    n += r.size();
  return n;
}

void putU32(std::vector<std::byte>& file, std::size_t offset, std::uint32_t v) {
  for (int i = 0; i < 4; ++i)
    file[offset + i] = static_cast<std::byte>((v >> (8 * i)) & 0xFF);
}
std::uint32_t getU32(const std::vector<std::byte>& file, std::size_t offset) {
  return *ByteReader(file).u32(offset);
}

TEST(EvtFile, ReadsHeaderRecordsAndEndOfFileRecord) {
  const auto expected = builtRecords(sampleDay(), 40);
  const auto file = writeEvtFile(sampleDay(), 40, {.slack = 100});
  EvtReadReport report;
  const auto list = readEvtRecords(file, &report);
  EXPECT_EQ(listed(*list), expected);
  EXPECT_EQ(list->firstNumber(), 40u);
  EXPECT_EQ(report.records, expected.size());
  EXPECT_EQ(report.header.StartOffset, kEvtHeaderSize);
  EXPECT_EQ(report.header.EndOffset, kEvtHeaderSize + totalSize(expected));
  EXPECT_EQ(report.header.OldestRecordNumber, 40u);
  EXPECT_EQ(report.header.CurrentRecordNumber, 40u + expected.size());
  EXPECT_EQ(report.header.MaxSize, file.size());
  EXPECT_TRUE(report.eofRecordFound);
  EXPECT_FALSE(report.dirty);
  EXPECT_FALSE(report.wrapped);
  EXPECT_FALSE(report.usedEofRecord);
  EXPECT_EQ(report.problem, "");
}

TEST(EvtFile, EmptyLogHasNoRecords) {
  EvtReadReport report;
  const auto list = readEvtRecords(writeEvtFile(std::vector<EventLogRecordFields>{}, 7), &report);
  EXPECT_EQ(list->count(), 0u);
  EXPECT_TRUE(report.eofRecordFound);
  EXPECT_EQ(report.problem, "");
}

// Every split point of the ring: the oldest record starts k bytes before the
// end of the file, so some record (or the end-of-file record) is cut at every
// byte position in turn, the fixed parts included.
TEST(EvtFile, WrappedRingIsReadAcrossEverySplitPoint) {
  const auto expected = builtRecords(sampleDay());
  const std::uint32_t size =
      static_cast<std::uint32_t>(kEvtHeaderSize + totalSize(expected) + kEvtEofRecordSize + 64);
  for (std::uint32_t k = 1; k < totalSize(expected) + kEvtEofRecordSize; ++k) {
    SCOPED_TRACE(k);
    EvtWriteOptions options{.maxSize = size, .startOffset = size - k, .fill = std::byte{0xCC}};
    EvtReadReport report;
    const auto list = readEvtRecords(writeEvtFile(sampleDay(), 1, options), &report);
    ASSERT_EQ(listed(*list), expected);
    EXPECT_TRUE(report.wrapped);
    EXPECT_TRUE(report.header.Flags & kEvtFlagWrapped);
    EXPECT_EQ(report.problem, "");
  }
}

TEST(EvtFile, DirtyHeaderTakesOffsetsFromEndOfFileRecord) {
  const auto expected = builtRecords(sampleDay());
  for (std::uint32_t k : {0u, 3u, 57u, 200u}) {
    SCOPED_TRACE(k);
    const std::uint32_t size =
        static_cast<std::uint32_t>(kEvtHeaderSize + totalSize(expected) + kEvtEofRecordSize + 64);
    EvtWriteOptions options{
        .maxSize = size, .startOffset = k == 0 ? kEvtHeaderSize : size - k, .dirty = true};
    const auto file = writeEvtFile(sampleDay(), 1, options);
    EvtReadReport report;
    const auto list = readEvtRecords(file, &report);
    EXPECT_TRUE(report.dirty);
    EXPECT_TRUE(report.usedEofRecord);
    // The stale header leaves the newest record out; the end-of-file record does not.
    EXPECT_EQ(report.header.CurrentRecordNumber, expected.size());
    EXPECT_EQ(listed(*list), expected);
  }
  // The end-of-file record is found wherever it lies, split by the ring's end
  // at any byte included, with old bytes that look like its markers before it.
  const std::uint32_t size =
      static_cast<std::uint32_t>(kEvtHeaderSize + totalSize(expected) + kEvtEofRecordSize + 64);
  int decoys = 0;
  for (std::uint32_t k = 1; k < totalSize(expected) + kEvtEofRecordSize + 64; ++k) {
    SCOPED_TRACE("split " + std::to_string(k));
    EvtWriteOptions options{.maxSize = size, .startOffset = size - k, .dirty = true};
    auto file = writeEvtFile(sampleDay(), 1, options);
    // Where the free space comes first in the file, a stale end-of-file record
    // that names another place lies there, before the true one.
    if (size - k >= kEvtHeaderSize + kEvtEofRecordSize &&
        size - k + totalSize(expected) + kEvtEofRecordSize <= size) {
      putU32(file, kEvtHeaderSize, kEvtEofRecordSize);
      for (std::size_t i = 0; i < 4; ++i)
        putU32(file, kEvtHeaderSize + 4 + 4 * i, kEvtEofMarkers[i]);
      putU32(file, kEvtHeaderSize + 20, kEvtHeaderSize);
      putU32(file, kEvtHeaderSize + 24, kEvtHeaderSize + 1);
      putU32(file, kEvtHeaderSize + 36, kEvtEofRecordSize);
      ++decoys;
    }
    EvtReadReport report;
    const auto list = readEvtRecords(file, &report);
    EXPECT_TRUE(report.usedEofRecord);
    ASSERT_EQ(listed(*list), expected);
  }
  EXPECT_GT(decoys, 0);
}

TEST(EvtFile, UnusedSpaceWithOldRecordsIsIgnored) {
  // Old records lie between the end-of-file record and the oldest live record.
  auto old = sampleDay(1'600'000'000);
  const auto oldBytes = writeEvtFile(old, 1);
  const auto expected = builtRecords(sampleDay(), 13);
  const std::uint32_t size = static_cast<std::uint32_t>(oldBytes.size() + totalSize(expected) + 64);
  auto file = writeEvtFile(sampleDay(), 13, {.maxSize = size, .startOffset = size - 500});
  // Copy the old log's records into the free space after the live log's end.
  const std::uint32_t eof = getU32(file, 20);
  const std::size_t freeBytes = (size - 500) - (eof + kEvtEofRecordSize);
  const std::size_t n = std::min(freeBytes, oldBytes.size() - kEvtHeaderSize);
  std::copy_n(oldBytes.begin() + kEvtHeaderSize, n, file.begin() + eof + kEvtEofRecordSize);
  EXPECT_EQ(listed(*readEvtRecords(file)), expected);
}

// Damaged files: each case damages a sound file and says how many records
// must still come out (the ones before the damage, never more).
TEST(EvtFile, DamagedFilesGiveTheSoundRecordsBeforeTheDamage) {
  const auto expected = builtRecords(sampleDay());
  const auto sound = writeEvtFile(sampleDay(), 1, {.slack = 64});
  std::vector<std::size_t> at;  // file offset of each record
  std::size_t pos = kEvtHeaderSize;
  for (const auto& r : expected) {
    at.push_back(pos);
    pos += r.size();
  }
  const std::size_t eof = pos;
  struct Case {
    const char* name;
    std::function<void(std::vector<std::byte>&)> damage;
    std::size_t records;
  };
  const std::vector<Case> cases = {
      {"length below the fixed part", [&](auto& f) { putU32(f, at[4], 20); }, 4},
      {"length zero", [&](auto& f) { putU32(f, at[4], 0); }, 4},
      {"length beyond the file", [&](auto& f) { putU32(f, at[4], 0xFFFFFFF0); }, 4},
      {"length past the end-of-file record",
       [&](auto& f) {
         putU32(f, at.back(), static_cast<std::uint32_t>(expected.back().size() + 8));
       },
       expected.size() - 1},
      {"closing length differs", [&](auto& f) { putU32(f, at[5] - 4, 4); }, 4},
      {"signature damaged", [&](auto& f) { putU32(f, at[2] + 4, 0); }, 2},
      {"file cut inside a record", [&](auto& f) { f.resize(at[3] + 30); }, 3},
      {"file cut inside the header", [&](auto& f) { f.resize(20); }, 0},
      {"start offset outside the file", [&](auto& f) { putU32(f, 16, 0x7FFFFFF0); }, 0},
      {"start offset inside the header", [&](auto& f) { putU32(f, 16, 8); }, 0},
      {"header signature damaged", [&](auto& f) { putU32(f, 4, 0x454C664C); }, 0},
      {"end-of-file record gone, records intact", [&](auto& f) { putU32(f, eof + 4, 0); },
       expected.size()},
      {"end-of-file record gone and a record damaged",
       [&](auto& f) {
         putU32(f, eof + 4, 0);
         putU32(f, at[6] + 4, 0);
       },
       6},
      {"header end offset wrong, end-of-file record sound",
       [&](auto& f) { putU32(f, 20, static_cast<std::uint32_t>(at[2])); }, expected.size()},
      {"max size beyond the file", [&](auto& f) { putU32(f, 32, 0x10000000); }, expected.size()},
      {"max size inside the header", [&](auto& f) { putU32(f, 32, 4); }, expected.size()},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    auto file = sound;
    c.damage(file);
    EvtReadReport report;
    const auto list = readEvtRecords(file, &report);
    const auto got = listed(*list);
    ASSERT_EQ(got.size(), c.records);
    EXPECT_TRUE(std::equal(got.begin(), got.end(), expected.begin()));
    if (c.records < expected.size()) {
      EXPECT_NE(report.problem, "");
    }
  }
}

TEST(EvtFile, RingFullOfRecordsWithoutEndIsWalkedOnce) {
  // Records fill the ring exactly and there is no end-of-file record: the
  // walk must stop after one round.
  const auto records = builtRecords(sampleDay());
  std::vector<std::byte> file = writeEvtFile(records, 1);
  file.resize(file.size() - kEvtEofRecordSize);
  putU32(file, 32, static_cast<std::uint32_t>(file.size()));
  putU32(file, 20, 0);
  EvtReadReport report;
  EXPECT_EQ(listed(*readEvtRecords(file, &report)), records);
}

TEST(EvtFile, DetectsTheSignature) {
  const auto file = writeEvtFile(sampleDay(), 1);
  EXPECT_TRUE(isEvtFile(file));
  EXPECT_FALSE(isEvtFile(std::span(file).first(7)));
  auto other = file;
  putU32(other, 0, 0x31);
  EXPECT_FALSE(isEvtFile(other));
  const std::string elf = "ElfFile\0";
  EXPECT_FALSE(isEvtFile(std::as_bytes(std::span(elf))));

  const auto dir = std::filesystem::path(TALLYVANE_BINARY_DIR) / "evt-test";
  std::filesystem::create_directories(dir);
  const auto path = dir / "detect.evt";
  std::ofstream(path, std::ios::binary)
      .write(reinterpret_cast<const char*>(file.data()), static_cast<std::streamsize>(file.size()));
  EXPECT_TRUE(isEvtFile(path));
  EXPECT_FALSE(isEvtFile(dir / "missing.evt"));
}

TEST(EvtFile, ServiceOpensItsLogUnderTheGivenName) {
  const auto file = writeEvtFile(sampleDay(), 1);
  EvtFileEventLogService service(file);
  std::uint32_t error = 0;
  EXPECT_NE(service.open("", "System"), nullptr);
  EXPECT_NE(service.open("", "SYSTEM"), nullptr);
  EXPECT_EQ(service.open("", "Application", &error), nullptr);
  EXPECT_EQ(error, kErrorFileNotFound);
  EXPECT_EQ(service.open("\\\\server", "System", &error), nullptr);
  EXPECT_EQ(error, kRpcServerUnavailable);

  EvtFileEventLogService named(file, "Backup");
  const auto log = named.open("", "backup");
  ASSERT_NE(log, nullptr);
  std::uint32_t count = 0, oldest = 0;
  EXPECT_TRUE(log->numberOfRecords(count));
  EXPECT_TRUE(log->oldestRecord(oldest));
  EXPECT_EQ(count, sampleDay().size());
  EXPECT_EQ(oldest, 1u);
}

TEST(EvtFile, FromFileReportsUnreadableAndForeignFiles) {
  const auto dir = std::filesystem::path(TALLYVANE_BINARY_DIR) / "evt-test";
  std::filesystem::create_directories(dir);
  const auto missing = EvtFileEventLogService::fromFile(dir / "missing.evt", "System");
  ASSERT_FALSE(missing);
  EXPECT_NE(missing.error().message.find("cannot open"), std::string::npos);

  const auto text = dir / "notes.evt";
  std::ofstream(text) << "not an event log";
  const auto foreign = EvtFileEventLogService::fromFile(text, "System");
  ASSERT_FALSE(foreign);
  EXPECT_NE(foreign.error().message.find("not a classic event log file"), std::string::npos);

  const auto file = writeEvtFile(sampleDay(), 1);
  const auto good = dir / "good.evt";
  std::ofstream(good, std::ios::binary)
      .write(reinterpret_cast<const char*>(file.data()), static_cast<std::streamsize>(file.size()));
  const auto service = EvtFileEventLogService::fromFile(good);
  ASSERT_TRUE(service) << service.error().message;
  EXPECT_EQ((*service)->records()->count(), sampleDay().size());
  EXPECT_EQ((*service)->logName(), "System");
}

}  // namespace
}  // namespace tallyvane::platform

namespace tallyvane::platform {
namespace {

// Opening a file from disk turns its ring in place instead of copying the
// records; the records served must be the same as from the image.
TEST(EvtFile, FileOnDiskGivesTheSameRecordsAsItsImage) {
  const auto dir = std::filesystem::path(TALLYVANE_BINARY_DIR) / "evt-test";
  std::filesystem::create_directories(dir);
  const auto expected = builtRecords(sampleDay(), 9);
  const std::uint32_t size =
      static_cast<std::uint32_t>(kEvtHeaderSize + totalSize(expected) + kEvtEofRecordSize + 64);
  for (std::uint32_t k : {0u, 1u, 30u, 57u, 212u, 1000u, 2223u, 2240u}) {
    for (bool dirty : {false, true}) {
      SCOPED_TRACE(std::to_string(k) + (dirty ? " dirty" : ""));
      const EvtWriteOptions options{
          .maxSize = size, .startOffset = k == 0 ? kEvtHeaderSize : size - k, .dirty = dirty};
      const auto file = writeEvtFile(sampleDay(), 9, options);
      const auto path = dir / "on-disk.evt";
      std::ofstream(path, std::ios::binary)
          .write(reinterpret_cast<const char*>(file.data()),
                 static_cast<std::streamsize>(file.size()));
      const auto service = EvtFileEventLogService::fromFile(path);
      ASSERT_TRUE(service) << service.error().message;
      EXPECT_EQ(listed(*(*service)->records()), expected);
      EXPECT_EQ((*service)->records()->firstNumber(), 9u);
      EXPECT_EQ((*service)->report().records, expected.size());
    }
  }
}

// The records of a file on disk are served from its mapping, which they keep
// alive after the service is gone.
TEST(EvtFile, RecordsOfAFileOnDiskOutliveTheirService) {
  const auto dir = std::filesystem::path(TALLYVANE_BINARY_DIR) / "evt-test";
  std::filesystem::create_directories(dir);
  const auto expected = builtRecords(sampleDay(), 9);
  const std::uint32_t size =
      static_cast<std::uint32_t>(kEvtHeaderSize + totalSize(expected) + kEvtEofRecordSize + 64);
  const auto file = writeEvtFile(sampleDay(), 9, {.maxSize = size, .startOffset = size - 57});
  const auto path = dir / "outlive.evt";
  std::ofstream(path, std::ios::binary)
      .write(reinterpret_cast<const char*>(file.data()), static_cast<std::streamsize>(file.size()));
  std::shared_ptr<const RecordList> records =
      EvtFileEventLogService::fromFile(path).value()->records();
  std::filesystem::remove(path);
  EXPECT_EQ(listed(*records), expected);
}

TEST(RecordList, ViewsBecomeItsOwnWhenAppendedTo) {
  auto owner = std::make_shared<std::vector<std::byte>>(10, std::byte{7});
  const std::span<const std::byte> all(*owner);
  RecordList list(3, owner, {all.subspan(0, 4), all.subspan(4, 6)}, {});
  ASSERT_EQ(list.count(), 2u);
  EXPECT_EQ(list.at(1).size(), 6u);
  const std::byte more[2] = {std::byte{2}, std::byte{2}};
  list.append(more);
  owner.reset();
  ASSERT_EQ(list.count(), 3u);
  EXPECT_EQ(list.at(0).size(), 4u);
  EXPECT_EQ(list.at(1)[5], std::byte{7});
  EXPECT_EQ(list.at(2)[1], std::byte{2});
}

TEST(RecordList, RecordsInPlaceBecomeItsOwnWhenAppendedTo) {
  // Two records of 60 and 64 bytes in memory owned elsewhere, and one put
  // together in a buffer of its own.
  auto owner = std::make_shared<std::vector<std::byte>>(130, std::byte{7});
  putU32(*owner, 2, 60);
  putU32(*owner, 62, 64);
  std::vector<std::byte> split(58, std::byte{9});
  putU32(split, 0, 58);
  RecordList list(3, owner, *owner, {62, 2, 2}, split, 1);
  ASSERT_EQ(list.count(), 3u);
  EXPECT_EQ(list.at(0).size(), 64u);
  EXPECT_EQ(list.at(1).size(), 58u);
  EXPECT_EQ(list.at(2).size(), 60u);
  const std::byte more[2] = {std::byte{2}, std::byte{2}};
  list.append(more);
  owner.reset();
  ASSERT_EQ(list.count(), 4u);
  EXPECT_EQ(list.at(0).size(), 64u);
  EXPECT_EQ(list.at(0)[63], std::byte{7});
  EXPECT_EQ(list.at(1)[57], std::byte{9});
  EXPECT_EQ(list.at(2).size(), 60u);
  EXPECT_EQ(list.at(3)[1], std::byte{2});
}

TEST(RecordList, AppendingToAnAdoptedBufferDropsItsTail) {
  std::vector<std::byte> bytes(20, std::byte{1});
  RecordList list(5, bytes, {4, 10}, 16);
  EXPECT_EQ(list.count(), 2u);
  EXPECT_EQ(list.at(0).size(), 6u);
  EXPECT_EQ(list.at(1).size(), 6u);
  const std::byte more[3] = {std::byte{2}, std::byte{2}, std::byte{2}};
  list.append(more);
  EXPECT_EQ(list.at(1).size(), 6u);
  EXPECT_EQ(list.at(2).size(), 3u);
  EXPECT_EQ(list.at(2)[0], std::byte{2});
}

}  // namespace
}  // namespace tallyvane::platform
