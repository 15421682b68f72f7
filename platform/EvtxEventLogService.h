#pragma once
// An event log service over exported modern event logs (.evtx files, as
// Windows writes them since Vista, or the winevt\Logs folder of a Windows
// disk). Each file's events become the EVENTLOGRECORD structures the classic
// API hands out for them (see EvtxEventMapping.h) and are served through
// RecordListEventLog under the name of the log they belong to ("System").
//
// Record numbers: a log serves its live records ordered by their EventRecordID
// (the number each event had in the machine's log; when a file lacks it, the
// record header's identifier) and numbers them consecutively from the first
// one. Where the identifiers run without gaps, RecordNumber equals the
// identifier; after a gap (a damaged chunk left out, a filtered export) the
// records keep their order and numbers go on consecutively. When the numbers
// would not fit 32 bits the log is numbered from 1. Records the parser marks as
// recovered (left-overs of overwritten or cleared chunks) are not part of the
// live log and are not served.
#include <cstddef>
#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "platform/EventLogService.h"
#include "platform/EvtxEventMapping.h"
#include "platform/Expected.h"
#include "platform/RecordListEventLog.h"

namespace tallyvane::platform {

// The signature a .evtx file starts with: "ElfFile" and a zero byte.
inline constexpr std::string_view kEvtxSignature{"ElfFile\0", 8};

// What reading one .evtx file gave.
struct EvtxLogFile {
  std::string path;
  // The log the file holds: the channel its events name, else the file name
  // without extension ("%4" read as "/", as winevt\Logs names files).
  std::string logName;
  std::shared_ptr<const RecordList> records = std::make_shared<RecordList>();
  // The identifier each served record was ordered by, in list order.
  std::vector<std::uint64_t> identifiers;
  std::size_t liveRecords = 0;        // live records the file announces
  std::size_t unreadableRecords = 0;  // of those, records the parser could not read
  std::size_t recoveredRecords = 0;   // recovered records found and left out
  std::size_t badChunks = 0;          // chunks left out for a bad signature or checksum
  bool corrupted = false;             // the parser found damage in the file
  // Why the file could not be read at all; nothing when it opened.
  std::optional<Error> error;

  bool opened() const { return !error.has_value(); }
  // True when the file opened but not everything in it could be read.
  bool damaged() const { return opened() && (corrupted || unreadableRecords > 0); }
};

// Called with the records done and the records in all while a file is read.
using EvtxProgress = std::function<void(std::size_t done, std::size_t total)>;

// True when the bytes start with the .evtx signature.
bool hasEvtxSignature(std::span<const std::byte> bytes);
// True when the file at `path` starts with the .evtx signature.
bool fileHasEvtxSignature(const std::string& path);

// True when this build can read .evtx files (every build can).
bool evtxReadingAvailable();

// Reads a .evtx file. A file that cannot be opened, is no .evtx file or is
// damaged beyond reading gives `error`; a damaged file gives the records that
// could be read.
EvtxLogFile readEvtxFile(const std::string& path, const EvtxProgress& progress = {});
// The same for a .evtx file held in memory; `name` stands for its path.
EvtxLogFile readEvtxBytes(std::span<const std::byte> bytes, std::string_view name,
                          const EvtxProgress& progress = {});

// Orders and numbers mapped events into `file` (records, identifiers and
// logName); `fallbackName` names the log when no event names its channel.
void assembleEvtxLog(std::vector<EvtxEvent> events, std::string_view fallbackName,
                     EvtxLogFile& file);
// The same for events already laid out as records.
void assembleEvtxLog(EvtxLaidOutEvents events, std::string_view fallbackName, EvtxLogFile& file);

// The log name a file name stands for: "System.evtx" gives "System",
// "Microsoft-Windows-Kernel-Power%4Thermal-Operational.evtx" gives
// "Microsoft-Windows-Kernel-Power/Thermal-Operational".
std::string evtxLogNameFromPath(std::string_view path);

class EvtxEventLogService : public EventLogService {
 public:
  // Reads a .evtx file and offers its log. The result stays available from
  // files(); a file that could not be read offers nothing.
  const EvtxLogFile& addFile(const std::string& path, const EvtxProgress& progress = {});
  // Offers a log read elsewhere (readEvtxBytes, tests).
  const EvtxLogFile& addLog(EvtxLogFile file);
  // Reads every file of `folder` that carries the .evtx signature, in name
  // order. Gives the number of such files, or why the folder cannot be listed.
  Expected<std::size_t> addFolder(const std::string& folder, const EvtxProgress& progress = {});

  const std::vector<std::unique_ptr<EvtxLogFile>>& files() const { return files_; }
  // The logs offered, in the order they first appeared.
  std::vector<std::string> logNames() const;

  // Opens a log by name (ASCII letters without regard to case). Several files
  // of one log (the live file and its archives) are served as one log: their
  // records merged in identifier order, the same record (same identifier and
  // bytes) once. Only the local machine (an empty server) holds the files.
  std::unique_ptr<EventLog> open(std::string_view server, std::string_view logName,
                                 std::uint32_t* error = nullptr) override;

 private:
  std::shared_ptr<const RecordList> recordsOf(std::string_view logName);

  std::vector<std::unique_ptr<EvtxLogFile>> files_;
  std::map<std::string, std::shared_ptr<const RecordList>> merged_;  // by lower-case name
};

}  // namespace tallyvane::platform
