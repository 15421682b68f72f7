#pragma once
// An event log over records held in memory, with the read semantics of
// ReadEventLogW (see EventLogService.h). Every backend that produces whole
// EVENTLOGRECORD structures (exported .evt and .evtx files, this machine's
// history on Linux, test doubles) hands them to a RecordList and serves it
// through RecordListEventLog, so seek, sequential reads in both directions,
// the insufficient-buffer reply and the end of the log behave the same everywhere.
#include <cstddef>
#include <cstdint>
#include <memory>
#include <span>
#include <vector>

#include "platform/EventLogService.h"

namespace tallyvane::platform {

// Records in one contiguous buffer, oldest first, numbered consecutively from
// `firstNumber`.
class RecordList {
 public:
  explicit RecordList(std::uint32_t firstNumber = 1) : firstNumber_(firstNumber) {}
  // Takes over a buffer that already holds the records one after another:
  // record i starts at offsets[i] and the last one ends at `end`. Bytes before
  // the first record and after `end` are kept but never served.
  RecordList(std::uint32_t firstNumber, std::vector<std::byte> bytes,
             std::vector<std::size_t> offsets, std::size_t end);
  // Serves records that lie elsewhere without copying them: `owner` keeps
  // their bytes alive, `split` holds the bytes of records that had to be put
  // together (and `records` may point into it).
  RecordList(std::uint32_t firstNumber, std::shared_ptr<const void> owner,
             std::vector<std::span<const std::byte>> records, std::vector<std::byte> split);
  // The same for records in one mapped file, more compactly: `owner` keeps `base` alive, record i
  // starts at base[places[i]] and is as long as its Length field says (cut at the end of `base`).
  // The one record at `splitIndex`, if any, had to be put together and lies in `split`. Four bytes
  // a record: a list of a million records costs 4 MB besides the file.
  static constexpr std::size_t kNoSplit = static_cast<std::size_t>(-1);
  RecordList(std::uint32_t firstNumber, std::shared_ptr<const void> owner,
             std::span<const std::byte> base, std::vector<std::uint32_t> places,
             std::vector<std::byte> split = {}, std::size_t splitIndex = kNoSplit);

  void append(std::span<const std::byte> record);
  void reserve(std::size_t records, std::size_t bytes);

  std::uint32_t firstNumber() const { return firstNumber_; }
  std::size_t count() const {
    return layout_ == Layout::kBuffer   ? offsets_.size()
           : layout_ == Layout::kPlaces ? places_.size()
                                        : views_.size();
  }
  std::span<const std::byte> at(std::size_t index) const;
  // Asks for the first bytes of record `index` ahead of their use, without
  // waiting for them.
  void prefetch(std::size_t index) const;

 private:
  std::uint32_t firstNumber_;
  // Where the records lie: one after another in `bytes_` from `offsets_`, at
  // `views_`, or in `base_` at `places_`.
  enum class Layout { kBuffer, kViews, kPlaces };
  Layout layout_ = Layout::kBuffer;
  std::shared_ptr<const void> owner_;  // keeps the bytes of views and places alive
  std::vector<std::span<const std::byte>> views_;
  std::span<const std::byte> base_;
  std::vector<std::uint32_t> places_;
  std::size_t splitIndex_ = kNoSplit;  // its bytes are `bytes_`
  std::vector<std::byte> bytes_;
  std::vector<std::size_t> offsets_;
  std::size_t end_ = 0;
};

class RecordListEventLog : public EventLog {
 public:
  explicit RecordListEventLog(std::shared_ptr<const RecordList> records);

  bool numberOfRecords(std::uint32_t& count) override;
  bool oldestRecord(std::uint32_t& number) override;
  EventLogReadResult read(std::uint32_t flags, std::uint32_t recordNumber,
                          std::span<std::byte> buffer) override;
  bool visitNewestFirst(const RecordVisitor& visit) override;

 private:
  std::shared_ptr<const RecordList> records_;
  // Index of the next record for a sequential read in each direction; -1 and
  // count() mean "before the first" and "after the last".
  std::int64_t nextForwards_ = 0;
  std::int64_t nextBackwards_ = -1;
  bool positioned_ = false;
};

}  // namespace tallyvane::platform
