// The read semantics of ReadEventLogW as every event-log backend serves them.
#include <gtest/gtest.h>

#include "platform/ByteReader.h"
#include "platform/EventLogRecord.h"
#include "platform/RecordListEventLog.h"

namespace tallyvane::platform {
namespace {

// Five records numbered 100..104 whose sizes grow with their number.
std::shared_ptr<RecordList> fiveRecords() {
  auto list = std::make_shared<RecordList>(100);
  for (std::uint32_t i = 0; i < 5; ++i) {
    EventLogRecordFields f;
    f.recordNumber = 100 + i;
    f.sourceName = std::string(4 * i + 1, 's');
    list->append(buildEventLogRecord(f));
  }
  return list;
}

// The record numbers in a delivered buffer.
std::vector<std::uint32_t> numbersIn(std::span<const std::byte> bytes) {
  std::vector<std::uint32_t> out;
  const ByteReader r(bytes);
  std::size_t at = 0;
  while (at < bytes.size()) {
    out.push_back(*r.u32(at + 8));
    at += *r.u32(at);
  }
  return out;
}

struct Step {
  std::uint32_t flags;
  std::uint32_t record;
  std::size_t buffer;
  std::uint32_t error;
  std::vector<std::uint32_t> numbers;
  bool neededIsFirst = false;  // bytesNeeded is the size of the first wanted record
};

void run(const char* name, const std::vector<Step>& steps) {
  SCOPED_TRACE(name);
  const auto list = fiveRecords();
  RecordListEventLog log(list);
  for (std::size_t i = 0; i < steps.size(); ++i) {
    SCOPED_TRACE(i);
    const Step& s = steps[i];
    std::vector<std::byte> buffer(s.buffer);
    const auto result = log.read(s.flags, s.record, buffer);
    EXPECT_EQ(result.error, s.error);
    if (result.ok()) {
      EXPECT_EQ(numbersIn(std::span(buffer).first(result.bytesRead)), s.numbers);
    } else {
      EXPECT_EQ(result.bytesRead, 0u);
    }
    if (s.error == kErrorInsufficientBuffer) {
      EXPECT_EQ(result.bytesNeeded, list->at(s.numbers.front() - 100).size());
    }
  }
}

constexpr std::uint32_t kSeekBack = kSeekRead | kBackwardsRead;
constexpr std::uint32_t kSeekFwd = kSeekRead | kForwardsRead;
constexpr std::uint32_t kSeqBack = kSequentialRead | kBackwardsRead;
constexpr std::uint32_t kSeqFwd = kSequentialRead | kForwardsRead;
constexpr std::size_t kBig = 4096;

TEST(RecordListEventLog, ReadSemantics) {
  run("sequential from a fresh handle starts at the ends",
      {{kSeqFwd, 0, kBig, 0, {100, 101, 102, 103, 104}}});
  run("backwards from a fresh handle starts at the newest",
      {{kSeqBack, 0, kBig, 0, {104, 103, 102, 101, 100}},
       {kSeqBack, 0, kBig, kErrorHandleEof, {}}});
  run("seek then sequential continues next to the last record",
      {{kSeekBack, 103, 100, 0, {103}},
       {kSeqBack, 0, kBig, 0, {102, 101, 100}},
       {kSeqBack, 0, kBig, kErrorHandleEof, {}},
       {kSeqFwd, 7, kBig, 0, {101, 102, 103, 104}},
       {kSeqFwd, 0, kBig, kErrorHandleEof, {}}});
  run("seek forwards", {{kSeekFwd, 102, kBig, 0, {102, 103, 104}}});
  run("seek outside the log", {{kSeekBack, 99, kBig, kErrorInvalidParameter, {}},
                               {kSeekBack, 105, kBig, kErrorInvalidParameter, {}},
                               {kSeekFwd, 0xFFFFFFFF, kBig, kErrorInvalidParameter, {}}});
  run("insufficient buffer reports the size and does not move",
      {{kSeekBack, 104, 56, kErrorInsufficientBuffer, {104}, true},
       {kSeqBack, 0, 56, kErrorInsufficientBuffer, {104}, true},
       {kSeqBack, 0, kBig, 0, {104, 103, 102, 101, 100}}});
  run("whole records only: what fits, then the rest",
      {{kSeqFwd, 0, 150, 0, {100, 101}},
       {kSeqFwd, 0, 150, 0, {102}},
       {kSeqFwd, 0, 80, kErrorInsufficientBuffer, {103}, true}});
  run("flags must name one mode and one direction",
      {{kSeekRead | kSequentialRead | kBackwardsRead, 104, kBig, kErrorInvalidParameter, {}},
       {kSequentialRead, 0, kBig, kErrorInvalidParameter, {}},
       {kSeqBack | kForwardsRead, 0, kBig, kErrorInvalidParameter, {}}});
}

TEST(RecordListEventLog, CountsAndEmptyLog) {
  RecordListEventLog log(fiveRecords());
  std::uint32_t count = 0, oldest = 0;
  EXPECT_TRUE(log.numberOfRecords(count));
  EXPECT_TRUE(log.oldestRecord(oldest));
  EXPECT_EQ(count, 5u);
  EXPECT_EQ(oldest, 100u);

  RecordListEventLog empty(std::make_shared<RecordList>(100));
  EXPECT_TRUE(empty.numberOfRecords(count));
  EXPECT_TRUE(empty.oldestRecord(oldest));
  EXPECT_EQ(count, 0u);
  EXPECT_EQ(oldest, 0u);
  std::vector<std::byte> buffer(kBig);
  EXPECT_EQ(empty.read(kSeqBack, 0, buffer).error, kErrorHandleEof);
  EXPECT_EQ(empty.read(kSeekBack, 0xFFFFFFFF, buffer).error, kErrorInvalidParameter);
}

TEST(RecordListEventLog, RecordNumbersWrapAroundTheTopOfTheRange) {
  auto list = std::make_shared<RecordList>(0xFFFFFFFE);
  for (int i = 0; i < 4; ++i) {
    EventLogRecordFields f;
    f.recordNumber = 0xFFFFFFFE + static_cast<std::uint32_t>(i);
    list->append(buildEventLogRecord(f));
  }
  RecordListEventLog log(list);
  std::vector<std::byte> buffer(kBig);
  const auto r = log.read(kSeekBack, 1, buffer);  // the newest: 0xFFFFFFFE + 3
  ASSERT_TRUE(r.ok());
  EXPECT_EQ(numbersIn(std::span(buffer).first(r.bytesRead)),
            (std::vector<std::uint32_t>{1, 0, 0xFFFFFFFF, 0xFFFFFFFE}));
}

}  // namespace
}  // namespace tallyvane::platform
