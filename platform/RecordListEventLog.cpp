#include "platform/RecordListEventLog.h"

#include <algorithm>
#include <cstring>
#include <utility>

#include "platform/ByteReader.h"

namespace tallyvane::platform {

RecordList::RecordList(std::uint32_t firstNumber, std::vector<std::byte> bytes,
                       std::vector<std::size_t> offsets, std::size_t end)
    : firstNumber_(firstNumber),
      bytes_(std::move(bytes)),
      offsets_(std::move(offsets)),
      end_(end) {}

RecordList::RecordList(std::uint32_t firstNumber, std::shared_ptr<const void> owner,
                       std::vector<std::span<const std::byte>> records,
                       std::vector<std::byte> split)
    : firstNumber_(firstNumber),
      layout_(Layout::kViews),
      owner_(std::move(owner)),
      views_(std::move(records)),
      bytes_(std::move(split)) {}

RecordList::RecordList(std::uint32_t firstNumber, std::shared_ptr<const void> owner,
                       std::span<const std::byte> base, std::vector<std::uint32_t> places,
                       std::vector<std::byte> split, std::size_t splitIndex)
    : firstNumber_(firstNumber),
      layout_(Layout::kPlaces),
      owner_(std::move(owner)),
      base_(base),
      places_(std::move(places)),
      splitIndex_(splitIndex),
      bytes_(std::move(split)) {}

void RecordList::append(std::span<const std::byte> record) {
  if (layout_ != Layout::kBuffer) {
    // Records served in place become a list of its own before it grows.
    std::vector<std::byte> bytes;
    std::vector<std::size_t> offsets;
    for (std::size_t i = 0; i < count(); ++i) {
      const auto held = at(i);
      offsets.push_back(bytes.size());
      bytes.insert(bytes.end(), held.begin(), held.end());
    }
    bytes_ = std::move(bytes);
    offsets_ = std::move(offsets);
    end_ = bytes_.size();
    views_ = {};
    places_ = {};
    layout_ = Layout::kBuffer;
    base_ = {};
    splitIndex_ = kNoSplit;
    owner_.reset();
  }
  // Appending to an adopted buffer first drops what follows its last record.
  bytes_.resize(end_);
  offsets_.push_back(bytes_.size());
  bytes_.insert(bytes_.end(), record.begin(), record.end());
  end_ = bytes_.size();
}

void RecordList::reserve(std::size_t records, std::size_t bytes) {
  offsets_.reserve(records);
  bytes_.reserve(bytes);
}

std::span<const std::byte> RecordList::at(std::size_t index) const {
  if (layout_ == Layout::kViews)
    return views_[index];
  if (layout_ == Layout::kPlaces) {
    if (index == splitIndex_)
      return bytes_;
    const std::size_t begin = places_[index];
    const std::size_t length = ByteReader(base_).u32(begin).value_or(0);
    return base_.subspan(begin, std::min(length, base_.size() - begin));
  }
  const std::size_t begin = offsets_[index];
  const std::size_t end = index + 1 < offsets_.size() ? offsets_[index + 1] : end_;
  return std::span<const std::byte>(bytes_).subspan(begin, end - begin);
}

void RecordList::prefetch(std::size_t index) const {
  const std::byte* start = nullptr;
  if (layout_ == Layout::kViews)
    start = views_[index].data();
  else if (layout_ == Layout::kPlaces)
    start = index == splitIndex_ ? bytes_.data() : base_.data() + places_[index];
  else
    start = bytes_.data() + offsets_[index];
  // The fixed part and the source name: the first 128 bytes, in at most three lines.
  __builtin_prefetch(start);
  __builtin_prefetch(start + 64);
  __builtin_prefetch(start + 127);
}

RecordListEventLog::RecordListEventLog(std::shared_ptr<const RecordList> records)
    : records_(std::move(records)) {}

bool RecordListEventLog::numberOfRecords(std::uint32_t& count) {
  count = static_cast<std::uint32_t>(records_->count());
  return true;
}

bool RecordListEventLog::oldestRecord(std::uint32_t& number) {
  number = records_->count() == 0 ? 0 : records_->firstNumber();
  return true;
}

EventLogReadResult RecordListEventLog::read(std::uint32_t flags, std::uint32_t recordNumber,
                                            std::span<std::byte> buffer) {
  EventLogReadResult result;
  const bool seek = (flags & kSeekRead) != 0;
  const bool sequential = (flags & kSequentialRead) != 0;
  const bool forwards = (flags & kForwardsRead) != 0;
  const bool backwards = (flags & kBackwardsRead) != 0;
  if (seek == sequential || forwards == backwards) {
    result.error = kErrorInvalidParameter;
    return result;
  }
  const auto count = static_cast<std::int64_t>(records_->count());
  if (!positioned_) {
    nextForwards_ = 0;
    nextBackwards_ = count - 1;
    positioned_ = true;
  }

  std::int64_t index = 0;
  if (seek) {
    // Record numbers are 32-bit and may wrap past 2^32 - 1 inside one log.
    const std::int64_t wanted = static_cast<std::uint32_t>(recordNumber - records_->firstNumber());
    if (wanted >= count) {
      result.error = kErrorInvalidParameter;
      return result;
    }
    index = wanted;
  } else {
    index = forwards ? nextForwards_ : nextBackwards_;
  }
  if (index < 0 || index >= count) {
    result.error = kErrorHandleEof;
    return result;
  }

  const std::int64_t step = forwards ? 1 : -1;
  std::size_t used = 0;
  std::int64_t i = index;
  for (; i >= 0 && i < count; i += step) {
    const auto record = records_->at(static_cast<std::size_t>(i));
    if (record.size() > buffer.size() - used)
      break;
    // Records served from a mapped file are read in order: ask for the next
    // ones before they are needed.
    if (const std::int64_t ahead = i + 8 * step; ahead >= 0 && ahead < count)
      records_->prefetch(static_cast<std::size_t>(ahead));
    std::memcpy(buffer.data() + used, record.data(), record.size());
    used += record.size();
  }
  if (used == 0) {
    result.error = kErrorInsufficientBuffer;
    result.bytesNeeded =
        static_cast<std::uint32_t>(records_->at(static_cast<std::size_t>(index)).size());
    return result;
  }
  result.bytesRead = static_cast<std::uint32_t>(used);
  // The next sequential read in either direction continues next to the last
  // record delivered.
  const std::int64_t last = i - step;
  nextForwards_ = last + 1;
  nextBackwards_ = last - 1;
  return result;
}

bool RecordListEventLog::visitNewestFirst(const RecordVisitor& visit) {
  // The records are looked at one after another, newest first: ask for the
  // bytes a few records ahead before they are needed (a record's Length and its
  // source name lie in its first two cache lines).
  constexpr std::size_t kAhead = 16;
  const std::size_t count = records_->count();
  for (std::size_t i = count; i-- > 0;) {
    if (i >= kAhead)
      records_->prefetch(i - kAhead);
    if (!visit(records_->at(i)))
      break;
  }
  return true;
}

}  // namespace tallyvane::platform
