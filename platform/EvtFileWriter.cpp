#include "platform/EvtFileWriter.h"

#include <algorithm>
#include <stdexcept>

#include "platform/ByteReader.h"

namespace tallyvane::platform {

namespace {

// Writes bytes into the ring [kEvtHeaderSize, end) of `file`, wrapping.
void putRing(std::vector<std::byte>& file, std::uint64_t& pos, std::span<const std::byte> bytes) {
  for (std::byte b : bytes) {
    file[static_cast<std::size_t>(pos)] = b;
    if (++pos == file.size())
      pos = kEvtHeaderSize;
  }
}

}  // namespace

std::vector<std::byte> writeEvtFile(std::span<const std::vector<std::byte>> records,
                                    std::uint32_t firstNumber, const EvtWriteOptions& options) {
  std::uint64_t recordBytes = 0;
  for (const auto& r : records)
    recordBytes += r.size();
  const std::uint64_t needed = kEvtHeaderSize + recordBytes + kEvtEofRecordSize;
  const std::uint64_t size = options.maxSize != 0 ? options.maxSize : needed + options.slack;
  if (size < needed || size > 0xFFFFFFFFu) {
    throw std::invalid_argument("the records do not fit in the event log file");
  }
  if (options.startOffset < kEvtHeaderSize || options.startOffset >= size) {
    throw std::invalid_argument("the start offset lies outside the ring");
  }

  std::vector<std::byte> file(static_cast<std::size_t>(size), options.fill);
  std::uint64_t pos = options.startOffset;
  std::uint64_t lastRecord = pos;
  for (const auto& r : records) {
    lastRecord = pos;
    putRing(file, pos, r);
  }
  const std::uint64_t eofOffset = pos;
  const bool wrapped = eofOffset < options.startOffset || eofOffset + kEvtEofRecordSize > size;
  const std::uint32_t current = firstNumber + static_cast<std::uint32_t>(records.size());

  ByteWriter eof;
  eof.u32(kEvtEofRecordSize);
  for (std::uint32_t marker : kEvtEofMarkers)
    eof.u32(marker);
  eof.u32(options.startOffset);
  eof.u32(static_cast<std::uint32_t>(eofOffset));
  eof.u32(current);
  eof.u32(firstNumber);
  eof.u32(kEvtEofRecordSize);
  putRing(file, pos, eof.data());

  // A dirty header still describes the log as it was before the newest record.
  const bool stale = options.dirty && !records.empty();
  ByteWriter header;
  header.u32(kEvtHeaderSize);
  header.u32(kEventLogSignature);
  header.u32(1);
  header.u32(1);
  header.u32(options.startOffset);
  header.u32(static_cast<std::uint32_t>(stale ? lastRecord : eofOffset));
  header.u32(stale ? current - 1 : current);
  header.u32(firstNumber);
  header.u32(static_cast<std::uint32_t>(size));
  header.u32((options.dirty ? kEvtFlagDirty : 0u) | (wrapped ? kEvtFlagWrapped : 0u));
  header.u32(options.retention);
  header.u32(kEvtHeaderSize);
  std::copy(header.data().begin(), header.data().end(), file.begin());
  return file;
}

std::vector<std::byte> writeEvtFile(const std::vector<EventLogRecordFields>& records,
                                    std::uint32_t firstNumber, const EvtWriteOptions& options) {
  std::vector<std::vector<std::byte>> built;
  built.reserve(records.size());
  std::uint32_t number = firstNumber;
  for (auto fields : records) {
    fields.recordNumber = number++;
    built.push_back(buildEventLogRecord(fields));
  }
  return writeEvtFile(built, firstNumber, options);
}

}  // namespace tallyvane::platform
