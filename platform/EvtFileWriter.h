#pragma once
// Writes classic event log files (.evt): the header, the ring of records, the
// end-of-file record. Used to export records as a .evt file and by the tests and
// benchmarks to produce files in every shape the reader meets: wrapped around
// the end of the ring, marked dirty with stale header offsets, with old bytes in
// the unused space.
#include <cstddef>
#include <cstdint>
#include <span>
#include <vector>

#include "platform/EventLogRecord.h"
#include "platform/EvtFileEventLogService.h"

namespace tallyvane::platform {

struct EvtWriteOptions {
  // Size of the file and of the ring; 0 makes it just large enough for the
  // header, the records, the end-of-file record and `slack` more bytes.
  std::uint32_t maxSize = 0;
  std::uint32_t slack = 0;
  // File offset of the oldest record. Records that reach the end of the ring
  // continue at the header's end, so an offset near the end gives a wrapped log.
  std::uint32_t startOffset = kEvtHeaderSize;
  // Marks the header dirty and leaves in it the offsets and numbers of the log
  // before its newest record was written; the end-of-file record is current.
  bool dirty = false;
  std::uint32_t retention = 0;
  // The byte that fills the space outside the live records.
  std::byte fill{0};
};

// Lays out whole EVENTLOGRECORD structures, oldest first; their RecordNumbers
// are taken as they are and `firstNumber` goes into the header. Throws
// std::invalid_argument when they do not fit in the ring.
std::vector<std::byte> writeEvtFile(std::span<const std::vector<std::byte>> records,
                                    std::uint32_t firstNumber, const EvtWriteOptions& options = {});

// Builds the records from their fields, numbered from `firstNumber` on.
std::vector<std::byte> writeEvtFile(const std::vector<EventLogRecordFields>& records,
                                    std::uint32_t firstNumber = 1,
                                    const EvtWriteOptions& options = {});

}  // namespace tallyvane::platform
