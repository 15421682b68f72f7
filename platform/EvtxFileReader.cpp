// Reading .evtx files with our own parser (EvtxParser.h), from a mapped file
// or from bytes in memory.
#include <algorithm>
#include <thread>

#include "platform/EvtxEventLogService.h"
#include "platform/EvtxParser.h"
#include "platform/MappedFile.h"

namespace tallyvane::platform {

namespace {

unsigned readerThreads() {
  return std::clamp(std::thread::hardware_concurrency(), 1u, 8u);
}

}  // namespace

bool evtxReadingAvailable() {
  return true;
}

EvtxLogFile readEvtxBytes(std::span<const std::byte> bytes, std::string_view name,
                          const EvtxProgress& progress) {
  EvtxLogFile out;
  out.path = std::string(name);
  out.logName = evtxLogNameFromPath(name);
  if (!hasEvtxSignature(bytes)) {
    out.error = Error{"not an .evtx file (no ElfFile signature)"};
    return out;
  }
  if (bytes.size() < 128) {
    out.error = Error{"damaged .evtx file: the file header is cut short"};
    return out;
  }
  EvtxParsedRecords parsed = parseEvtxRecords(bytes, readerThreads());
  out.liveRecords = parsed.records;
  out.unreadableRecords = parsed.unreadableRecords;
  out.recoveredRecords = parsed.recoveredRecords;
  out.badChunks = parsed.badChunks;
  out.corrupted = parsed.badChunks > 0 || parsed.truncated || parsed.badHeader;
  if (progress)
    progress(out.liveRecords, out.liveRecords);
  assembleEvtxLog(std::move(parsed.laidOut), out.logName, out);
  return out;
}

EvtxLogFile readEvtxFile(const std::string& path, const EvtxProgress& progress) {
  const auto file = MappedFile::open(path);
  if (!file) {
    EvtxLogFile out;
    out.path = path;
    out.logName = evtxLogNameFromPath(path);
    out.error = file.error();
    return out;
  }
  return readEvtxBytes((*file)->bytes(), path, progress);
}

}  // namespace tallyvane::platform
