#pragma once
// How one event of a .evtx file becomes the EVENTLOGRECORD that the classic
// event log API hands out for it. The mapping works on the values the .evtx
// parser gives for a record (its header fields and its event rendered as XML)
// and needs no parser itself, so it is portable and tested on its own.
#include <cstddef>
#include <cstdint>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "platform/EventLogRecord.h"

namespace tallyvane::platform {

// Keywords of the Security log's audit events.
inline constexpr std::uint64_t kEvtxKeywordAuditFailure = 0x0010000000000000ULL;
inline constexpr std::uint64_t kEvtxKeywordAuditSuccess = 0x0020000000000000ULL;

// What the parser offers for one record. The XML rendering is the primary
// source; the separate values stand in when the XML lacks an element or could
// not be rendered.
struct EvtxEventValues {
  std::optional<std::uint64_t> identifier;   // the record header's identifier
  std::optional<std::uint64_t> writtenTime;  // FILETIME of the record header
  std::optional<std::uint32_t> eventIdentifier;
  std::optional<std::uint32_t> qualifiers;
  std::optional<std::uint8_t> level;
  std::string sourceName;  // the event source name, else the provider name
  std::string computerName;
  std::string userSid;  // text form, "S-1-5-18"
  std::vector<std::string> strings;
  std::string xml;  // the event as XML (UTF-8), or empty
};

// One mapped event.
struct EvtxEvent {
  EventLogRecordFields fields;  // fields.recordNumber is left 0; the log numbers its records
  // EventRecordID of the event as its XML states it (the number it had in the
  // live log), and the record header's identifier. Exported files may number
  // their record headers afresh while the events keep their EventRecordID.
  std::optional<std::uint64_t> eventRecordId;
  std::optional<std::uint64_t> headerIdentifier;
  std::string channel;  // the log the event belongs to ("System"), or empty
};

EvtxEvent mapEvtxEvent(const EvtxEventValues& values);

// Events laid out as the records they are served as (record number 0), with
// what ordering the records and naming the log needs of each.
struct EvtxRecordKey {
  std::optional<std::uint64_t> eventRecordId;
  std::optional<std::uint64_t> headerIdentifier;
  std::uint32_t channel = 0;  // index into EvtxLaidOutEvents::channels
};
struct EvtxLaidOutEvents {
  std::vector<std::span<std::byte>> records;         // in file order
  std::vector<EvtxRecordKey> keys;                   // one a record
  std::vector<std::string> channels{std::string()};  // the channels named; 0 is none
  std::shared_ptr<void> owner;                       // holds the records' bytes
};
EvtxLaidOutEvents layOutEvtxEvents(std::vector<EvtxEvent> events);

// What an event's XML says, element by element, however it was read (from XML
// text, or straight from the binary XML of a .evtx record). Only the first
// <System>, <EventData> and <UserData> below the root count, and within them
// the first element of each name.
struct EvtxSystemNumbers {
  std::optional<std::uint64_t> eventId, qualifiers, level, keywords, task, eventRecordId;
  std::optional<std::uint32_t> timeCreated;  // <TimeCreated SystemTime>, seconds
};

struct EvtxEventParts : EvtxSystemNumbers {
  bool hasRoot = false;    // the event could be read at all
  bool hasSystem = false;  // <System>
  bool hasProvider = false;
  std::optional<std::string> providerName, eventSourceName;
  std::optional<std::string> computer, channel;  // with surrounding white space removed
  std::vector<std::byte> userSid;                // <Security UserID>, binary
  // <EventData>'s Data and ComplexData texts and its Binary bytes, or the
  // texts of <UserData>'s leaf elements; `hasBody` when either element exists.
  bool hasBody = false;
  std::vector<std::string> strings;
  std::vector<std::byte> data;
};

// The record of an event from its parts; `fallback` gives what the parts lack
// (its xml is not looked at).
EvtxEvent mapEvtxEventParts(EvtxEventParts parts, const EvtxEventValues& fallback);
// The numbers of that record (event identifier, type, category, times) from
// the numbers of the event's <System>; `fallback` gives what they lack.
void mapEvtxSystemNumbers(const EvtxSystemNumbers& numbers, const EvtxEventValues& fallback,
                          EventLogRecordFields& fields);

// A decimal or "0x" hexadecimal unsigned number, white space around it
// allowed; nothing for any other text.
std::optional<std::uint64_t> parseEvtxUnsigned(std::string_view text);
// `text` without the white space around it.
std::string_view trimEvtxSpace(std::string_view text);
// The same two for UTF-16 text.
std::optional<std::uint64_t> parseEvtxUnsigned(std::u16string_view text);
std::u16string_view trimEvtxSpace(std::u16string_view text);

// The EventType the classic API gives for an event's level and keywords:
// audit keywords first, then levels 1 and 2 error, 3 warning, all others
// information.
std::uint16_t evtxEventType(std::uint8_t level, std::uint64_t keywords);

// Seconds since 1970-01-01 UTC of an XML time "2017-03-23T05:03:27.1103590Z"
// (fractions dropped), or nothing when the text is no such time. Times outside
// the 32-bit range are clamped to it.
std::optional<std::uint32_t> evtxXmlTimeToUnix(std::string_view text);
// Seconds since 1970-01-01 UTC of a FILETIME, clamped to the 32-bit range.
std::uint32_t fileTimeToUnixSeconds(std::uint64_t fileTime);

// A SID in text form ("S-1-5-21-1-2-3-1001") as its binary form; empty when the
// text is no SID.
std::vector<std::byte> sidFromText(std::string_view text);

// A hexadecimal text ("0A1B") as bytes; empty when the text is not an even
// number of hexadecimal digits.
std::vector<std::byte> bytesFromHex(std::string_view text);

}  // namespace tallyvane::platform
