#pragma once
// Classic event log files (.evt, written by Windows NT up to Windows Server
// 2003 and by BackupEventLog) served as an event log.
//
// The file is a 48-byte header followed by a ring of EVENTLOGRECORD structures
// from offset 0x30 to MaxSize, closed by a 40-byte end-of-file record. A record
// that reaches the end of the ring continues at 0x30, split at any byte. When
// the header is marked dirty (the log was not closed cleanly) its offsets may be
// stale and the end-of-file record holds the true ones.
//
// Damaged files give what is sound: the walk from the oldest record stops at
// the first record that is not whole and consistent, never reads outside the
// file and never goes round the ring more than once.
#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <memory>
#include <span>
#include <string>
#include <string_view>

#include "platform/EventLogService.h"
#include "platform/Expected.h"
#include "platform/RecordListEventLog.h"

namespace tallyvane::platform {

inline constexpr std::uint32_t kEvtHeaderSize = 0x30;
inline constexpr std::uint32_t kEvtEofRecordSize = 0x28;

// ELF_LOGFILE_HEADER flags.
enum EvtFileFlags : std::uint32_t {
  kEvtFlagDirty = 0x1,
  kEvtFlagWrapped = 0x2,
  kEvtFlagLogFull = 0x4,
  kEvtFlagArchive = 0x8,
};

// ELF_LOGFILE_HEADER, 48 bytes.
struct EvtFileHeader {
  std::uint32_t HeaderSize = kEvtHeaderSize;
  std::uint32_t Signature = 0;
  std::uint32_t MajorVersion = 1;
  std::uint32_t MinorVersion = 1;
  std::uint32_t StartOffset = 0;
  std::uint32_t EndOffset = 0;
  std::uint32_t CurrentRecordNumber = 0;
  std::uint32_t OldestRecordNumber = 0;
  std::uint32_t MaxSize = 0;
  std::uint32_t Flags = 0;
  std::uint32_t Retention = 0;
  std::uint32_t EndHeaderSize = kEvtHeaderSize;
};

// ELF_EOF_RECORD, 40 bytes; the four marker words are fixed.
struct EvtEofRecord {
  std::uint32_t BeginRecord = 0;
  std::uint32_t EndRecord = 0;
  std::uint32_t CurrentRecordNumber = 0;
  std::uint32_t OldestRecordNumber = 0;
};
inline constexpr std::uint32_t kEvtEofMarkers[4] = {0x11111111, 0x22222222, 0x33333333, 0x44444444};

// What reading a file found, for callers that report on it.
struct EvtReadReport {
  EvtFileHeader header;
  bool dirty = false;
  bool wrapped = false;        // the live log runs past the end of the ring
  bool usedEofRecord = false;  // the offsets came from the end-of-file record
  bool eofRecordFound = false;
  std::uint32_t records = 0;
  // Where the walk stopped short of the end of the log, and why (empty when the
  // walk reached the end-of-file record).
  std::uint64_t damageOffset = 0;
  std::string problem;
};

// True when `head` (the first bytes of a file, at least 8) starts like a classic
// event log file: HeaderSize 0x30 and the signature "LfLe".
bool isEvtFile(std::span<const std::byte> head);
// The same for a file on disk; false when it cannot be read.
bool isEvtFile(const std::filesystem::path& path);

// Reads the live records of a .evt file image, oldest first. Never fails: a file
// that is no event log, or is damaged from the start, gives an empty list and
// says why in the report.
std::shared_ptr<RecordList> readEvtRecords(std::span<const std::byte> file,
                                           EvtReadReport* report = nullptr);
// The same records served where they lie in `file`, which `owner` keeps alive:
// the list holds each record's place, and only a record split by the end of
// the ring is copied.
std::shared_ptr<RecordList> readEvtRecordsInPlace(std::shared_ptr<const void> owner,
                                                  std::span<const std::byte> file,
                                                  EvtReadReport* report = nullptr);

// The event log service over one .evt file: its log opens under the name given
// (any letter case); other names and remote servers fail to open.
class EvtFileEventLogService : public EventLogService {
 public:
  explicit EvtFileEventLogService(std::span<const std::byte> file, std::string logName = "System");
  EvtFileEventLogService(std::shared_ptr<const RecordList> records, EvtReadReport report,
                         std::string logName = "System");

  // Reads the file at `path`, or says why it cannot be read or is no classic
  // event log file.
  static Expected<std::unique_ptr<EvtFileEventLogService>> fromFile(
      const std::filesystem::path& path, std::string logName = "System");

  const std::string& logName() const { return logName_; }
  const EvtReadReport& report() const { return report_; }
  std::shared_ptr<const RecordList> records() const { return records_; }

  std::unique_ptr<EventLog> open(std::string_view server, std::string_view logName,
                                 std::uint32_t* error = nullptr) override;

 private:
  std::shared_ptr<const RecordList> records_;
  EvtReadReport report_;
  std::string logName_;
};

}  // namespace tallyvane::platform
