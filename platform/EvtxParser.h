#pragma once
// Our own reader of the .evtx format: the file header, its 64 KiB chunks and
// their checksums, the event records in them and the binary XML of each event
// (templates, substitution values, the chunk's string and template tables).
// It makes no XML text: walking an event's binary XML it keeps only what the
// EVENTLOGRECORD of the event needs (EvtxEventParts), and maps that the way
// mapEvtxEvent maps an event's XML.
//
// Speed: a template's tokens are read once per chunk and replayed for each of
// its instances; texts stay UTF-16 as the file holds them; parseEvtxRecords
// lays each event out as its record on the thread that read its chunk.
//
// Damage: a chunk whose header or records fail their checksum is left out and
// counted; a file whose header was not flushed (dirty) is read chunk by chunk
// as far as chunks are found; a file cut short gives every whole record in it.
// Every read goes through ByteReader, so nothing outside the file is read.
#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <vector>

#include "platform/EvtxEventMapping.h"

namespace tallyvane::platform {

inline constexpr std::size_t kEvtxFileHeaderSize = 4096;
inline constexpr std::size_t kEvtxChunkSize = 65536;
inline constexpr std::size_t kEvtxChunkHeaderSize = 512;

// The CRC-32 (IEEE 802.3) the format uses for its checksums; `crc` continues an
// earlier run.
std::uint32_t evtxCrc32(std::span<const std::byte> bytes, std::uint32_t crc = 0);

// What reading the chunks of one file found.
struct EvtxParseCounts {
  std::size_t records = 0;            // event records found in good chunks
  std::size_t unreadableRecords = 0;  // of those, records whose event could not be read
  std::size_t recoveredRecords = 0;   // left-overs of older records in free space, not read
  std::size_t chunks = 0;             // chunks read
  std::size_t badChunks = 0;          // chunks left out for a bad signature or checksum
  bool dirty = false;                 // the header says it was not flushed
  bool truncated = false;             // the file ends inside a chunk
  bool badHeader = false;             // the file header fails its checksum
};

struct EvtxParseResult : EvtxParseCounts {
  std::vector<EvtxEvent> events;  // in file order
};

// Reads every chunk of a .evtx file held in `file` (which starts with the
// signature). `threads` above 1 reads chunks in parallel where there are
// enough of them; the result is the same.
EvtxParseResult parseEvtxChunks(std::span<const std::byte> file, unsigned threads = 1);

struct EvtxParsedRecords : EvtxParseCounts {
  EvtxLaidOutEvents laidOut;
};

// The same, each event laid out as its record while the chunks are read (on
// the reading threads), with no EvtxEvent in between: the records are those
// layOutEvtxEvents makes of parseEvtxChunks' events.
EvtxParsedRecords parseEvtxRecords(std::span<const std::byte> file, unsigned threads = 1);

// Reads one event record's binary XML (the bytes after its 24-byte header,
// inside the chunk `chunk`, starting at chunk offset `begin` and ending at
// `end`). False when the binary XML is broken before its root element ends.
bool parseEvtxEvent(std::span<const std::byte> chunk, std::uint32_t begin, std::uint32_t end,
                    EvtxEventParts& parts);

}  // namespace tallyvane::platform
