#include "platform/EvtFileEventLogService.h"

#include <algorithm>
#include <cstring>
#include <fstream>
#include <functional>
#include <iterator>
#include <optional>
#include <utility>
#include <vector>

#include "platform/ByteReader.h"
#include "platform/EventLogRecord.h"
#include "platform/MappedFile.h"
#include "platform/Unicode.h"

namespace tallyvane::platform {

namespace {

// The ring of records: file offsets [kEvtHeaderSize, end). Positions are file
// offsets inside the ring; reads that cross `end` continue at the header's end.
class Ring {
 public:
  Ring(std::span<const std::byte> file, std::uint64_t end) : file_(file), end_(end) {}

  std::uint64_t size() const { return end_ - kEvtHeaderSize; }
  std::uint64_t end() const { return end_; }
  const ByteReader& file() const { return file_; }
  bool contains(std::uint64_t pos) const { return pos >= kEvtHeaderSize && pos < end_; }

  // The position `n` bytes after `pos` (n never exceeds the ring's size).
  std::uint64_t advance(std::uint64_t pos, std::uint64_t n) const {
    const std::uint64_t p = pos + n;
    return p >= end_ ? kEvtHeaderSize + (p - end_) : p;
  }

  // Bytes from `from` forwards to `to` (0 when they are equal).
  std::uint64_t distance(std::uint64_t from, std::uint64_t to) const {
    return to >= from ? to - from : (end_ - from) + (to - kEvtHeaderSize);
  }

  // Copies `length` bytes at `pos`, following the ring; false when any of them
  // lies outside the file.
  bool copy(std::uint64_t pos, std::uint64_t length, std::byte* out) const {
    if (length > size())
      return false;
    const std::uint64_t first = std::min(length, end_ - pos);
    if (!file_.has(pos, first) || !file_.has(kEvtHeaderSize, length - first))
      return false;
    std::memcpy(out, file_.bytes().data() + pos, static_cast<std::size_t>(first));
    if (length > first) {
      std::memcpy(out + first, file_.bytes().data() + kEvtHeaderSize,
                  static_cast<std::size_t>(length - first));
    }
    return true;
  }

  // Whether the `length` bytes at `pos` lie in one piece (no wrap) inside the file.
  std::optional<std::span<const std::byte>> contiguous(std::uint64_t pos,
                                                       std::uint64_t length) const {
    if (pos + length > end_)
      return std::nullopt;
    return file_.slice(pos, length);
  }

  std::optional<std::uint32_t> u32(std::uint64_t pos) const {
    // Nearly every word lies in one piece; only one at the ring's end is copied.
    if (pos >= kEvtHeaderSize && pos + 4 <= end_)
      return file_.u32(pos);
    std::byte b[4];
    if (!copy(pos, 4, b))
      return std::nullopt;
    return ByteReader(b).u32(0);
  }

 private:
  ByteReader file_;
  std::uint64_t end_;
};

EvtFileHeader parseHeader(const ByteReader& file) {
  EvtFileHeader h;
  std::uint32_t* fields[] = {
      &h.HeaderSize,  &h.Signature, &h.MajorVersion,        &h.MinorVersion,
      &h.StartOffset, &h.EndOffset, &h.CurrentRecordNumber, &h.OldestRecordNumber,
      &h.MaxSize,     &h.Flags,     &h.Retention,           &h.EndHeaderSize};
  static_assert(sizeof(fields) / sizeof(fields[0]) * 4 == kEvtHeaderSize);
  for (std::size_t i = 0; i < 12; ++i)
    *fields[i] = file.u32(4 * i).value_or(0);
  return h;
}

// The end-of-file record at `pos`, when all ten words are in place.
std::optional<EvtEofRecord> eofRecordAt(const Ring& ring, std::uint64_t pos) {
  std::byte raw[kEvtEofRecordSize];
  if (!ring.contains(pos) || !ring.copy(pos, kEvtEofRecordSize, raw))
    return std::nullopt;
  const ByteReader r(raw);
  if (*r.u32(0) != kEvtEofRecordSize || *r.u32(36) != kEvtEofRecordSize)
    return std::nullopt;
  for (int i = 0; i < 4; ++i) {
    if (*r.u32(4 + 4 * i) != kEvtEofMarkers[i])
      return std::nullopt;
  }
  return EvtEofRecord{*r.u32(20), *r.u32(24), *r.u32(28), *r.u32(32)};
}

// Searches the ring for the end-of-file record that names its own position,
// the first one from the ring's start.
std::optional<std::pair<std::uint64_t, EvtEofRecord>> findEofRecord(const Ring& ring,
                                                                    std::span<const std::byte> file,
                                                                    std::uint64_t end) {
  // Every candidate holds the four marker words in a row after its size. Where
  // they lie in one piece they are searched for as one 16-byte pattern, which
  // skips most of a large ring without looking at every byte; the few
  // positions whose markers wrap round the ring's end are tried one by one.
  std::byte markers[16];
  for (int i = 0; i < 4; ++i) {
    for (int b = 0; b < 4; ++b)
      markers[4 * i + b] = static_cast<std::byte>((kEvtEofMarkers[i] >> (8 * b)) & 0xFF);
  }
  const std::boyer_moore_horspool_searcher search(std::begin(markers), std::end(markers));
  const std::byte* const ringEnd = file.data() + end;
  for (const std::byte* at = file.data() + kEvtHeaderSize + 4; at < ringEnd;) {
    const std::byte* const hit = std::search(at, ringEnd, search);
    if (hit == ringEnd)
      break;
    const auto pos = static_cast<std::uint64_t>(hit - file.data()) - 4;
    const auto eof = eofRecordAt(ring, pos);
    if (eof && eof->EndRecord == pos)
      return std::pair{pos, *eof};
    at = hit + 1;
  }
  const std::uint64_t wrapping = end - kEvtHeaderSize > 20 ? end - 20 + 1 : kEvtHeaderSize;
  for (std::uint64_t pos = std::max<std::uint64_t>(wrapping, kEvtHeaderSize); pos < end; ++pos) {
    const auto eof = eofRecordAt(ring, pos);
    if (eof && eof->EndRecord == pos)
      return std::pair{pos, *eof};
  }
  return std::nullopt;
}

// The whole record at `pos`, when its Length, signature and closing Length
// agree and it fits in `room` bytes.
std::optional<std::uint32_t> recordLengthAt(const Ring& ring, std::uint64_t pos,
                                            std::uint64_t room) {
  // Nearly every record lies in one piece before the ring's end: its three
  // words are read straight from the file.
  const ByteReader& file = ring.file();
  if (pos >= kEvtHeaderSize && pos + kEventLogRecordFixedSize <= ring.end()) {
    const std::uint32_t length = file.u32(pos).value_or(0);
    if (length < kEventLogRecordFixedSize || length > room)
      return std::nullopt;
    if (pos + length <= ring.end()) {
      if (file.u32(pos + 4).value_or(0) != kEventLogSignature ||
          file.u32(pos + length - 4).value_or(0) != length)
        return std::nullopt;
      return length;
    }
  }
  const auto length = ring.u32(pos);
  if (!length || *length < kEventLogRecordFixedSize || *length > room)
    return std::nullopt;
  const auto signature = ring.u32(ring.advance(pos, 4));
  if (!signature || *signature != kEventLogSignature)
    return std::nullopt;
  const auto closing = ring.u32(ring.advance(pos, *length - 4));
  if (!closing || *closing != *length)
    return std::nullopt;
  return *length;
}

}  // namespace

bool isEvtFile(std::span<const std::byte> head) {
  const ByteReader r(head);
  return r.u32(0) == kEvtHeaderSize && r.u32(4) == kEventLogSignature;
}

bool isEvtFile(const std::filesystem::path& path) {
  std::ifstream in(path, std::ios::binary);
  std::byte head[8];
  if (!in.read(reinterpret_cast<char*>(head), sizeof head))
    return false;
  return isEvtFile(head);
}

namespace {

// The live records of a file: the ring's end and where each record starts,
// oldest first. Offsets in the format are 32-bit, so four bytes hold a place.
struct LiveRecords {
  std::uint64_t end = 0;
  std::uint32_t firstNumber = 0;
  std::uint64_t totalBytes = 0;
  std::vector<std::uint32_t> places;
  // The record that runs past the end of the ring and goes on at its start
  // (there is at most one).
  std::size_t splitIndex = RecordList::kNoSplit;
};

// How far ahead of the walk the bytes of the ring are asked for.
constexpr std::uint64_t kWalkAhead = 4096;

// Finds the live records of a file image: where each one lies in the ring.
LiveRecords findLiveRecords(std::span<const std::byte> file, EvtReadReport& rep) {
  LiveRecords live;
  rep = EvtReadReport{};
  const ByteReader reader(file);
  if (!isEvtFile(file) || file.size() < kEvtHeaderSize) {
    rep.problem = "no classic event log header";
    return live;
  }
  rep.header = parseHeader(reader);
  const EvtFileHeader& h = rep.header;
  rep.dirty = (h.Flags & kEvtFlagDirty) != 0;

  // The ring ends at MaxSize when the file holds it; a file that has not grown
  // to its maximum yet (or has lost its tail) ends where the file ends, and
  // never past the 4 GiB that the format's 32-bit offsets reach.
  const std::uint64_t fileEnd = std::min<std::uint64_t>(file.size(), 0xFFFFFFFFu);
  const std::uint64_t end =
      h.MaxSize > kEvtHeaderSize && h.MaxSize <= fileEnd ? h.MaxSize : fileEnd;
  if (end <= kEvtHeaderSize) {
    rep.problem = "no room for records after the header";
    return live;
  }
  live.end = end;
  const Ring ring(file, end);

  std::uint64_t start = h.StartOffset;
  std::optional<std::uint64_t> stop;
  std::uint32_t oldestNumber = h.OldestRecordNumber;
  // A clean header is trusted when its end-of-file record is where it says;
  // otherwise the end-of-file record found in the ring holds the true offsets.
  const auto eofAtHeader = rep.dirty ? std::nullopt : eofRecordAt(ring, h.EndOffset);
  if (eofAtHeader) {
    rep.eofRecordFound = true;
    stop = h.EndOffset;
  } else if (const auto found = findEofRecord(ring, file, end)) {
    rep.eofRecordFound = true;
    rep.usedEofRecord = true;
    start = found->second.BeginRecord;
    stop = found->first;
    oldestNumber = found->second.OldestRecordNumber;
  } else if (ring.contains(h.EndOffset)) {
    stop = h.EndOffset;
  }

  if (!ring.contains(start)) {
    rep.problem = "the oldest record lies outside the ring";
    rep.damageOffset = start;
    return live;
  }

  // Find the whole records from the oldest to the end-of-file record; every
  // record must end before it, so the walk goes round at most once.
  std::vector<std::uint32_t> found;
  std::uint64_t totalBytes = 0;
  std::uint64_t pos = start;
  const std::uint64_t span = stop ? ring.distance(start, *stop) : ring.size();
  std::uint64_t room = span;
  // Each record is found from the Length of the one before, so on its own the
  // walk would wait for memory at every record. Asking for every cache line of
  // the ring some way ahead of the walk keeps the bytes coming at the speed of
  // memory instead.
  std::uint64_t asked = 0;  // bytes of the walk asked for, counted from `start`
  while (room > 0) {
    // Four lines at a time (a prefetch never faults, even past the ring).
    for (const std::uint64_t walked = span - room; asked < span && asked < walked + kWalkAhead;
         asked += 256) {
      const std::byte* block = file.data() + ring.advance(start, asked);
      __builtin_prefetch(block);
      __builtin_prefetch(block + 64);
      __builtin_prefetch(block + 128);
      __builtin_prefetch(block + 192);
    }
    const auto length = recordLengthAt(ring, pos, room);
    if (!length) {
      // Without an end-of-file record there is no telling the last record from
      // damage: the walk ends where the whole records end.
      rep.problem = stop ? "a damaged record before the end of the log" : "no end-of-file record";
      rep.damageOffset = pos;
      break;
    }
    if (pos + *length > end)
      live.splitIndex = found.size();
    found.push_back(static_cast<std::uint32_t>(pos));
    totalBytes += *length;
    room -= *length;
    const std::uint64_t next = ring.advance(pos, *length);
    if (next < pos)
      rep.wrapped = true;
    pos = next;
  }
  if (stop && room == 0 && *stop + kEvtEofRecordSize > end)
    rep.wrapped = true;

  // The list numbers its records from the oldest one's own RecordNumber.
  live.firstNumber =
      found.empty() ? oldestNumber : ring.u32(ring.advance(found.front(), 8)).value_or(0);
  live.totalBytes = totalBytes;
  live.places = std::move(found);
  rep.records = static_cast<std::uint32_t>(live.places.size());
  return live;
}

}  // namespace

std::shared_ptr<RecordList> readEvtRecords(std::span<const std::byte> file, EvtReadReport* report) {
  EvtReadReport local;
  EvtReadReport& rep = report != nullptr ? *report : local;
  const LiveRecords live = findLiveRecords(file, rep);
  auto list = std::make_shared<RecordList>(live.firstNumber);
  if (live.places.empty())
    return list;
  const Ring ring(file, live.end);
  list->reserve(live.places.size(), static_cast<std::size_t>(live.totalBytes));
  std::vector<std::byte> split;
  for (const std::uint32_t at : live.places) {
    // The walk found every Length whole and consistent.
    const std::uint32_t length = ring.u32(at).value_or(0);
    if (const auto whole = ring.contiguous(at, length)) {
      list->append(*whole);
    } else {
      split.resize(length);
      ring.copy(at, length, split.data());
      list->append(split);
    }
  }
  return list;
}

std::shared_ptr<RecordList> readEvtRecordsInPlace(std::shared_ptr<const void> owner,
                                                  std::span<const std::byte> file,
                                                  EvtReadReport* report) {
  EvtReadReport local;
  EvtReadReport& rep = report != nullptr ? *report : local;
  LiveRecords live = findLiveRecords(file, rep);
  if (live.places.empty())
    return std::make_shared<RecordList>(live.firstNumber);
  std::vector<std::byte> split;
  if (live.splitIndex != RecordList::kNoSplit) {
    const Ring ring(file, live.end);
    const std::uint32_t at = live.places[live.splitIndex];
    split.resize(ring.u32(at).value_or(0));
    ring.copy(at, split.size(), split.data());
  }
  return std::make_shared<RecordList>(live.firstNumber, std::move(owner), file,
                                      std::move(live.places), std::move(split), live.splitIndex);
}

EvtFileEventLogService::EvtFileEventLogService(std::span<const std::byte> file, std::string logName)
    : logName_(std::move(logName)) {
  records_ = readEvtRecords(file, &report_);
}

EvtFileEventLogService::EvtFileEventLogService(std::shared_ptr<const RecordList> records,
                                               EvtReadReport report, std::string logName)
    : records_(std::move(records)), report_(std::move(report)), logName_(std::move(logName)) {}

Expected<std::unique_ptr<EvtFileEventLogService>> EvtFileEventLogService::fromFile(
    const std::filesystem::path& path, std::string logName) {
  auto mapped = MappedFile::open(path.string());
  if (!mapped)
    return Error{"cannot open " + path.string() + " (" + mapped.error().message + ")"};
  std::shared_ptr<const MappedFile> file = std::move(mapped).value();
  if (!isEvtFile(file->bytes()))
    return Error{path.string() + " is not a classic event log file (.evt)"};
  EvtReadReport report;
  const std::span<const std::byte> bytes = file->bytes();
  auto records = readEvtRecordsInPlace(std::move(file), bytes, &report);
  return std::make_unique<EvtFileEventLogService>(std::move(records), std::move(report),
                                                  std::move(logName));
}

std::unique_ptr<EventLog> EvtFileEventLogService::open(std::string_view server,
                                                       std::string_view logName,
                                                       std::uint32_t* error) {
  if (!server.empty()) {
    if (error)
      *error = kRpcServerUnavailable;
    return nullptr;
  }
  if (!equalsIgnoreAsciiCase(logName, logName_)) {
    if (error)
      *error = kErrorFileNotFound;
    return nullptr;
  }
  return std::make_unique<RecordListEventLog>(records_);
}

}  // namespace tallyvane::platform
