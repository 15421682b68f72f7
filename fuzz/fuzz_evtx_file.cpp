// Fuzzes the .evtx path: an input with the .evtx signature is read as a file
// by our parser (chunks, checksums, binary XML, templates), and its first
// chunk's bytes once more as one event's binary XML, checksums aside; every
// other input is taken as an event's XML rendering. Either way the mapped events are laid out as EVENTLOGRECORDs,
// served through the event log service and read whole by the classic reader.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <span>
#include <string>

#include "eventlog/Orvex_EventLogNT.h"
#include "platform/EvtxEventLogService.h"
#include "platform/EvtxParser.h"

using namespace tallyvane;

namespace {

void readEveryLog(platform::EvtxEventLogService& service) {
  platform::Services services = platform::systemServices();
  services.eventLog = &service;
  for (const std::string& name : service.logNames()) {
    TEventLog reader(true, services);
    reader.SetSourceName(name);
    reader.RefreshData(true);
    reader.Sort();
    for (std::uint32_t i = 0; i < reader.RecordCount(); ++i) {
      // Touch every field so that a bad length shows up here.
      const TLogRecord* r = reader.Records(i);
      volatile std::size_t sink = r->Source.size() + r->Computer.size() + r->Description.size() +
                                  r->BinaryData.size() + r->Username.size();
      (void)sink;
    }
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::span<const std::byte> bytes(reinterpret_cast<const std::byte*>(data), size);
  platform::EvtxEventLogService service;
  if (platform::hasEvtxSignature(bytes)) {
    service.addLog(platform::readEvtxBytes(bytes, "fuzz.evtx"));
    // Damage the checksums would catch still reaches the binary XML here.
    if (bytes.size() > platform::kEvtxFileHeaderSize + platform::kEvtxChunkHeaderSize + 24) {
      const auto chunk = bytes.subspan(platform::kEvtxFileHeaderSize);
      platform::EvtxEventParts parts;
      platform::parseEvtxEvent(chunk, platform::kEvtxChunkHeaderSize + 24,
                               static_cast<std::uint32_t>(std::min<std::size_t>(
                                   chunk.size(), platform::kEvtxChunkSize)),
                               parts);
    }
  } else {
    platform::EvtxEventValues values;
    values.identifier = size;
    values.writtenTime = size * 10'000'000ULL;
    values.xml.assign(reinterpret_cast<const char*>(data), size);
    const platform::EvtxEvent event = platform::mapEvtxEvent(values);
    platform::EvtxLogFile file;
    file.path = "fuzz.evtx";
    platform::assembleEvtxLog({event, event}, "fuzz", file);
    service.addLog(std::move(file));
  }
  readEveryLog(service);
  return 0;
}
