#pragma once
// The classic event log service, shaped after OpenEventLogW, GetNumberOfEventLogRecords,
// GetOldestEventLogRecord, ReadEventLogW and CloseEventLog.
//
// Read semantics every implementation keeps (they are the Windows ones):
// - Records carry consecutive numbers; the oldest has number `oldestRecord`.
// - A read packs as many whole EVENTLOGRECORD structures into the buffer as fit,
//   in the read direction, and never splits a record.
// - kSeekRead starts at `recordNumber`; a number outside the log fails with
//   kErrorInvalidParameter. kSequentialRead goes on from the record after the
//   last one delivered (a fresh handle starts at the oldest record forwards and
//   at the newest backwards) and ignores `recordNumber`.
// - When the first record does not fit, the read fails with
//   kErrorInsufficientBuffer, sets `bytesNeeded` to that record's length, and the
//   position does not move.
// - Past the last record in the read direction the read fails with kErrorHandleEof.
//
// A log whose records already lie in memory (a mapped file, a list built here)
// may also hand them out in place, newest first, so that a reader looks at
// each one without copying it through a read buffer; see visitNewestFirst.
#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <span>
#include <string_view>

#include "platform/WinError.h"

namespace tallyvane::platform {

enum EventLogReadFlags : std::uint32_t {
  kSequentialRead = 0x0001,
  kSeekRead = 0x0002,
  kForwardsRead = 0x0004,
  kBackwardsRead = 0x0008,
};

struct EventLogReadResult {
  std::uint32_t error = kErrorSuccess;
  std::uint32_t bytesRead = 0;
  std::uint32_t bytesNeeded = 0;
  bool ok() const { return error == kErrorSuccess; }
};

// Takes one whole record where it lies; returns false to stop the visit.
using RecordVisitor = std::function<bool(std::span<const std::byte> record)>;

// One open log; destroying it is CloseEventLog.
class EventLog {
 public:
  virtual ~EventLog() = default;
  // GetNumberOfEventLogRecords.
  virtual bool numberOfRecords(std::uint32_t& count) = 0;
  // GetOldestEventLogRecord.
  virtual bool oldestRecord(std::uint32_t& number) = 0;
  // ReadEventLogW.
  virtual EventLogReadResult read(std::uint32_t flags, std::uint32_t recordNumber,
                                  std::span<std::byte> buffer) = 0;
  // Hands every record to `visit` where it lies, newest first: the records a
  // seek to the newest one and sequential reads backwards would deliver, each
  // on its own, with no copy. Leaves the read position alone. Returns false,
  // having visited nothing, when the log serves its records through read()
  // only (the default, and the Windows service's way); the caller then reads.
  virtual bool visitNewestFirst(const RecordVisitor& visit) {
    (void)visit;
    return false;
  }
};

class EventLogService {
 public:
  virtual ~EventLogService() = default;
  // OpenEventLogW. `server` is empty for the local machine. Returns null on
  // failure and stores the reason in `error` when given.
  virtual std::unique_ptr<EventLog> open(std::string_view server, std::string_view logName,
                                         std::uint32_t* error = nullptr) = 0;
};

}  // namespace tallyvane::platform
