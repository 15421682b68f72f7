#include "eventlog/Orvex_EventLogNT.h"

#include <algorithm>
#include <bit>
#include <cmath>
#include <cstring>
#include <optional>
#include <utility>

#include "eventlog/MessageExpansion.h"
#include "platform/ByteReader.h"
#include "platform/EventLogRecord.h"
#include "platform/Unicode.h"

namespace tallyvane {

namespace {

using platform::kEventLogRecordFixedSize;

constexpr std::uint32_t kReadSeekBackwards = platform::kSeekRead | platform::kBackwardsRead;
constexpr std::uint32_t kReadSequentialBackwards =
    platform::kSequentialRead | platform::kBackwardsRead;
constexpr std::uint32_t kNameBufferChars = 256;
constexpr std::uint32_t kFileValueBytes = 512;

// The fixed-part fields the reader uses, at their EVENTLOGRECORD offsets.
enum RecordOffset : std::uint32_t {
  kLength = 0,
  kRecordNumber = 8,
  kTimeGenerated = 12,
  kEventId = 20,
  kEventType = 24,
  kNumStrings = 26,
  kEventCategory = 28,
  kStringOffset = 36,
  kUserSidLength = 40,
  kUserSidOffset = 44,
  kDataLength = 48,
  kDataOffset = 52,
};

// Appends the NUL-terminated UTF-16LE string at `offset` of the record as
// UTF-8 (nothing when the offset lies outside it; cut at the record's end when
// the terminator is missing) and returns the bytes it takes, terminator
// included. Event log strings are nearly always ASCII: those are copied
// straight across, the rest go through the general conversion.
std::size_t appendStringAt(std::string& out, const ByteReader& record, std::uint64_t offset) {
  if (offset >= record.size())
    return 0;
  const std::span<const std::byte> bytes = record.tail(offset);
  const std::size_t units = bytes.size() / 2;
  std::size_t length = 0;
  bool ascii = true;
  // Four units a step while they are all ASCII and none is the NUL; the
  // unit-by-unit loop below takes over where that stops.
  constexpr std::uint64_t kNotAscii = 0xFF80FF80FF80FF80ULL;
  constexpr std::uint64_t kLowBits = 0x0001000100010001ULL;
  constexpr std::uint64_t kHighBits = 0x8000800080008000ULL;
  constexpr bool kWords = std::endian::native == std::endian::little;
  for (; kWords && length + 4 <= units; length += 4) {
    std::uint64_t word;
    std::memcpy(&word, bytes.data() + 2 * length, 8);
    if ((word & kNotAscii) != 0 || ((word - kLowBits) & ~word & kHighBits) != 0)
      break;
  }
  for (; length < units; ++length) {
    const unsigned lo = std::to_integer<unsigned>(bytes[2 * length]);
    const unsigned hi = std::to_integer<unsigned>(bytes[2 * length + 1]);
    if (lo == 0 && hi == 0)
      break;
    if (hi != 0 || lo >= 0x80)
      ascii = false;
  }
  const bool terminated = length < units;
  if (ascii) {
    const std::size_t at = out.size();
    out.resize(at + length);
    std::size_t i = 0;
    for (; kWords && i + 4 <= length; i += 4) {
      std::uint64_t word;
      std::memcpy(&word, bytes.data() + 2 * i, 8);
      const auto packed =
          static_cast<std::uint32_t>((word & 0xFF) | ((word >> 8) & 0xFF00) |
                                     ((word >> 16) & 0xFF0000) | ((word >> 24) & 0xFF000000));
      std::memcpy(out.data() + at + i, &packed, 4);
    }
    for (; i < length; ++i)
      out[at + i] = static_cast<char>(std::to_integer<unsigned char>(bytes[2 * i]));
  } else {
    out += utf16ToUtf8(readUtf16z(bytes));
  }
  return terminated ? 2 * (length + 1) : bytes.size();
}

std::string stringAt(const ByteReader& record, std::uint64_t offset, std::size_t* consumed) {
  std::string text;
  const std::size_t used = appendStringAt(text, record, offset);
  if (consumed)
    *consumed = used;
  return text;
}

// Removes every character whose code is 32 or below from both ends, in place.
void trimControlInPlace(std::string& text) {
  std::size_t end = text.size();
  while (end > 0 && static_cast<unsigned char>(text[end - 1]) <= 32)
    --end;
  text.resize(end);
  std::size_t begin = 0;
  while (begin < end && static_cast<unsigned char>(text[begin]) <= 32)
    ++begin;
  text.erase(0, begin);
}

// The sort key; a time that is not a number (a record added by hand) sorts
// first, so that the comparison stays a strict weak order.
TDateTime sortTime(const TLogRecord& record) {
  const TDateTime t = AbsoluteTime(record);
  return std::isnan(t) ? -HUGE_VAL : t;
}

}  // namespace

TEventType EventTypeFromPlatform(std::uint16_t value) {
  switch (value) {
    case platform::kEventLogErrorType:
      return etError;
    case platform::kEventLogWarningType:
      return etWarning;
    case platform::kEventLogAuditSuccess:
      return etAuditSuccess;
    case platform::kEventLogAuditFailure:
      return etAuditFailure;
    default:
      return etInformation;
  }
}

std::string DataToHex(std::span<const std::byte> data) {
  static constexpr char kDigits[] = "0123456789ABCDEF";
  std::string out;
  out.reserve(data.size() * 3);
  for (std::size_t i = 0; i < data.size(); ++i) {
    if (i > 0)
      out += ',';
    const auto b = std::to_integer<unsigned>(data[i]);
    out += kDigits[b >> 4];
    out += kDigits[b & 0xF];
  }
  return out;
}

std::string DataToChars(std::span<const std::byte> data) {
  std::string out;
  out.reserve(data.size() * 2);
  for (std::size_t i = 0; i < data.size(); ++i) {
    if (i > 0)
      out += ',';
    const auto b = std::to_integer<unsigned char>(data[i]);
    if (b < 32 || b == ',') {
      out += '.';
    } else {
      appendLatin1(out, b);
    }
  }
  return out;
}

bool SourceMatchesFilter(std::string_view source, std::string_view filter) {
  if (filter.empty())
    return true;
  while (true) {
    const std::size_t comma = filter.find(',');
    const std::string_view name = filter.substr(0, comma);
    if (!name.empty() && equalsIgnoreAsciiCase(name, source))
      return true;
    if (comma == std::string_view::npos)
      return false;
    filter.remove_prefix(comma + 1);
  }
}

RecordWalker::RecordWalker(const platform::Services& services, RecordParseOptions options)
    : services_(services), options_(options) {
  patternsDecide_ = !options_.SourceFilter.empty();
  std::string_view filter = options_.SourceFilter;
  while (patternsDecide_) {
    const std::size_t comma = filter.find(',');
    const std::string_view name = filter.substr(0, comma);
    SourcePattern pattern;
    bool usable = !name.empty();
    for (const char c : name) {
      const auto unit = static_cast<unsigned char>(c);
      if (unit >= 0x80)
        patternsDecide_ = false;
      // A NUL ends every source: a name holding one matches none.
      usable = usable && unit != 0;
      const bool letter = (unit | 0x20) >= 'a' && (unit | 0x20) <= 'z';
      pattern.bytes.push_back(std::byte{static_cast<unsigned char>(letter ? unit | 0x20 : unit)});
      pattern.bytes.push_back(std::byte{0});
      pattern.caseBits.push_back(letter ? std::byte{0x20} : std::byte{0});
      pattern.caseBits.push_back(std::byte{0});
    }
    pattern.bytes.insert(pattern.bytes.end(), 2, std::byte{0});
    pattern.caseBits.insert(pattern.caseBits.end(), 2, std::byte{0});
    if (usable)
      patterns_.push_back(std::move(pattern));
    if (comma == std::string_view::npos)
      break;
    filter.remove_prefix(comma + 1);
  }
}

// Whether the NUL-terminated UTF-16LE source name at the start of `source` is
// one of the filter's names, told from its bytes without decoding it: ASCII
// letters compared without regard to case, any other unit exactly. Nothing
// when a name of the filter is not plain ASCII (the decoded name decides).
std::optional<bool> RecordWalker::sourceBytesMatch(std::span<const std::byte> source) const {
  if (!patternsDecide_)
    return std::nullopt;
  const auto word = [](const std::byte* at) {
    std::uint64_t w;
    std::memcpy(&w, at, 8);
    return w;
  };
  for (const SourcePattern& pattern : patterns_) {
    const std::size_t size = pattern.bytes.size();  // the name's units and the NUL
    std::size_t compared = size;
    // The source ends with its NUL, or with the record's last whole unit.
    if (source.size() < size) {
      if (source.size() / 2 != size / 2 - 1)
        continue;
      compared = size - 2;
    }
    const std::byte* s = source.data();
    const std::byte* p = pattern.bytes.data();
    const std::byte* m = pattern.caseBits.data();
    bool same = true;
    if (compared >= 8) {
      // Eight bytes a step. The last eight first: they hold the end of the
      // name, which tells apart most sources that begin alike
      // ("Microsoft-Windows-..."); then the rest from the start.
      const auto sameAt = [&](std::size_t k) {
        return ((word(s + k) | word(m + k)) ^ word(p + k)) == 0;
      };
      same = sameAt(compared - 8);
      for (std::size_t k = 0; same && k + 8 < compared; k += 8)
        same = sameAt(k);
    } else {
      for (std::size_t k = 0; same && k < compared; ++k)
        same = (s[k] | m[k]) == p[k];
    }
    if (same)
      return true;
  }
  return false;
}

std::size_t RecordWalker::recordLength(std::span<const std::byte> bytes) {
  const auto length = ByteReader(bytes).u32(kLength);
  if (!length || *length < kEventLogRecordFixedSize || *length > bytes.size())
    return 0;
  return *length;
}

bool RecordWalker::parse(std::span<const std::byte> bytes, TLogRecord& out) const {
  const ByteReader record(bytes);
  std::size_t sourceBytes = 0;
  // The filter looks at the source's bytes first: a record it drops is not
  // decoded at all.
  if (droppedBySource(bytes))
    return false;
  out.Source = stringAt(record, kEventLogRecordFixedSize, &sourceBytes);
  // Where the bytes could not decide, the decoded name does.
  if (!patternsDecide_ && !SourceMatchesFilter(out.Source, options_.SourceFilter))
    return false;

  out.Computer = stringAt(record, kEventLogRecordFixedSize + sourceBytes, nullptr);

  // A record with no SID has UserSidLength 0; its offset then points at
  // whatever follows and is not read.
  const std::uint32_t sidLength = record.u32(kUserSidLength).value_or(0);
  const auto sidBytes = record.tail(record.u32(kUserSidOffset).value_or(0xFFFFFFFF));
  if (sidLength != 0 && platform::isValidSid(sidBytes)) {
    const auto sid = sidBytes.first(platform::sidLength(sidBytes));
    std::string name;
    std::string domain;
    platform::SidNameUse use{};
    if (options_.LookupSID && services_.accounts != nullptr &&
        services_.accounts->lookupAccountSid(out.Computer, sid, name, domain, use)) {
      out.Username = std::move(name);
      out.Domain = std::move(domain);
    } else {
      out.Username = SidToText(sid);
    }
  }

  const auto data = record.slice(record.u32(kDataOffset).value_or(0xFFFFFFFF),
                                 record.u32(kDataLength).value_or(0));
  if (data) {
    out.BinaryData = DataToHex(*data);
    out.CharData = DataToChars(*data);
  }

  // Every one of the NumStrings strings keeps its place in the joined text; a
  // string that lies outside the record is empty. The joined text is built in
  // Description and trimmed there at the end.
  std::string& inserts = out.Description;
  inserts.clear();
  const std::uint16_t numStrings = record.u16(kNumStrings).value_or(0);
  std::uint64_t at = record.u32(kStringOffset).value_or(0xFFFFFFFF);
  // ASCII text takes one byte per UTF-16 unit: one allocation in the usual case.
  if (numStrings > 0 && at < record.size())
    inserts.reserve((record.size() - at) / 2 + numStrings);
  for (std::uint16_t i = 0; i < numStrings; ++i) {
    if (i > 0)
      inserts += '\r';
    at += appendStringAt(inserts, record, at);
  }

  out.EventID = record.u32(kEventId).value_or(0) & 0xFFFF;
  out.EventType = EventTypeFromPlatform(record.u16(kEventType).value_or(0));

  // TimeGenerated counts from the Unix epoch and the conversion from one hour
  // later; a stamp within that first hour still gives its own moment instead
  // of wrapping around the 32-bit range.
  const std::uint32_t generated = record.u32(kTimeGenerated).value_or(0);
  out.DateTime =
      generated >= 3600 ? UnixTimeToDateTime(generated - 3600) : UnixSecondsToDateTime(generated);
  out.UTCDateTime = out.DateTime;
  out.RecordNumber = record.u32(kRecordNumber).value_or(0);
  if (options_.ConvertTimeToLocal && services_.timeZone != nullptr) {
    out.DateTime = UTCToLocalDateTime(out.DateTime, *services_.timeZone);
  }

  out.Category = std::to_string(record.u16(kEventCategory).value_or(0));
  trimControlInPlace(out.Description);
  return true;
}

TEventLog::TEventLog(bool NoContainers, const platform::Services& services) : services_(services) {
  if (!NoContainers)
    ScanContainers();
}

TEventLog::~TEventLog() {
  ClearRecords();
  FLC.clear();
  closeRegistry();
}

void TEventLog::closeRegistry() {
  if (hkLM != platform::kNoKey && services_.registry != nullptr) {
    services_.registry->closeKey(hkLM);
  }
  hkLM = platform::kNoKey;
}

void TEventLog::RefreshData(bool NoContainers) {
  if (!NoContainers)
    ScanContainers();
  ReadLogRecords(FMachine, FSourceName, FSourceFilter);
}

void TEventLog::ClearContainers() {
  FLC.clear();
}

void TEventLog::ClearRecords() {
  FRecords.clear();
}

void TEventLog::AddRecord(const TLogRecord& ARecord) {
  FRecords.push_back(std::make_unique<TLogRecord>(ARecord));
}

void TEventLog::AddContainer(const TLogContainer& AContainer) {
  FLC.push_back(AContainer);
}

void TEventLog::Sort() {
  // Oldest first by the absolute time. Records of the same time keep the order
  // the log holds them in: Windows writes an unexpected shutdown and the start
  // that found it with one time stamp, and a sleep and its resume can share a
  // second. The record number says that order; records without one keep
  // their place in the list. A merge sort: O(n log n) on any input.
  const auto before = [](const std::unique_ptr<TLogRecord>& a,
                         const std::unique_ptr<TLogRecord>& b) {
    const TDateTime ta = sortTime(*a);
    const TDateTime tb = sortTime(*b);
    if (ta != tb)
      return ta < tb;
    return a->RecordNumber < b->RecordNumber;
  };
  // A log read newest first is in exactly the reverse order, with no two
  // records of one key: turning it around is the whole sort.
  const auto notDescending = [&](const std::unique_ptr<TLogRecord>& a,
                                 const std::unique_ptr<TLogRecord>& b) { return !before(b, a); };
  if (std::adjacent_find(FRecords.begin(), FRecords.end(), notDescending) == FRecords.end()) {
    std::reverse(FRecords.begin(), FRecords.end());
    return;
  }
  std::stable_sort(FRecords.begin(), FRecords.end(), before);
}

void TEventLog::SetMachine(std::string_view Value) {
  if (!equalsIgnoreAsciiCase(Value, FMachine))
    closeRegistry();
  FMachine = Value;
}

TLogRecord* TEventLog::Records(std::uint32_t Index) {
  return Index < FRecords.size() ? FRecords[Index].get() : nullptr;
}

const TLogRecord* TEventLog::Records(std::uint32_t Index) const {
  return Index < FRecords.size() ? FRecords[Index].get() : nullptr;
}

void TEventLog::ScanContainers() {
  std::string machine;
  if (!FMachine.empty()) {
    machine = FMachine.find("\\\\") != std::string::npos ? FMachine : "\\\\" + FMachine;
  }
  FLC.clear();
  platform::Registry* registry = services_.registry;
  if (hkLM == platform::kNoKey) {
    platform::RegKey key = platform::kNoKey;
    if (registry == nullptr ||
        registry->connect(machine, platform::kHKeyLocalMachine, key) != platform::kErrorSuccess) {
      for (const char* name : {"Application", "Security", "System"})
        FLC.push_back({name, ""});
      return;
    }
    hkLM = key;
  }
  platform::RegKey eventLogKey = platform::kNoKey;
  if (registry->openKey(hkLM, "SYSTEM\\CurrentControlSet\\Services\\EventLog", platform::kKeyRead,
                        eventLogKey) != platform::kErrorSuccess) {
    return;
  }
  std::string name;
  for (std::uint32_t index = 0;
       registry->enumKey(eventLogKey, index, kNameBufferChars, name) == platform::kErrorSuccess;
       ++index) {
    platform::RegKey sub = platform::kNoKey;
    if (registry->openKey(eventLogKey, name, platform::kKeyRead, sub) != platform::kErrorSuccess) {
      continue;
    }
    TLogContainer container{name, ""};
    std::vector<std::byte> buffer(kFileValueBytes);
    std::uint32_t type = 0;
    std::uint32_t size = 0;
    if (registry->queryValue(sub, "File", type, buffer, size) == platform::kErrorSuccess) {
      std::u16string file = readUtf16z(std::span<const std::byte>(buffer).first(size));
      if (file.size() > 256)
        file.resize(256);
      container.Filename = utf16ToUtf8(file);
    }
    registry->closeKey(sub);
    FLC.push_back(std::move(container));
  }
  registry->closeKey(eventLogKey);
}

void TEventLog::ReadLogRecords(const std::string& AMachine, const std::string& ASourceName,
                               const std::string& ASourceFilter) {
  ClearRecords();
  if (services_.eventLog == nullptr)
    return;
  std::unique_ptr<platform::EventLog> log = services_.eventLog->open(AMachine, ASourceName);
  if (!log)
    return;

  std::uint32_t count = 0;
  std::uint32_t oldest = 0;
  log->numberOfRecords(count);
  log->oldestRecord(oldest);
  std::uint32_t recordNumber = oldest + count - 1;

  RecordWalker walker(services_, {FLookupSID, FCTTL, ASourceFilter});
  MessageExpansionContext expansion{services_.registry, services_.messageFiles, &hkLM, AMachine,
                                    ASourceName};
  const auto keep = [&](TLogRecord&& r, std::span<const std::byte> raw) {
    if (FExpand)
      ExpandRecordMessages(r, raw, expansion);
    FRecords.push_back(std::make_unique<TLogRecord>(std::move(r)));
  };
  // Room for the whole log up front (within reason: the count is the
  // service's word, not a promise), unless a filter keeps only some of it.
  if (ASourceFilter.empty())
    FRecords.reserve(std::min<std::uint32_t>(count, 1u << 22));

  // A log that hands out its records where they lie is walked in place: the
  // filter looks at each record's source in the log's own bytes, and nothing
  // of a record it drops is copied. Each record is walked as a read of it
  // alone would deliver it, and one that is not whole ends the read likewise.
  if (log->visitNewestFirst(
          [&](std::span<const std::byte> record) { return walker.walk(record, keep) != 0; })) {
    return;
  }
  if (!ASourceFilter.empty())
    FRecords.reserve(std::min<std::uint32_t>(count, 1u << 22));

  std::vector<std::byte> buffer(kEventLogRecordFixedSize);
  std::uint32_t flags = kReadSeekBackwards;
  bool finished = false;
  while (!finished) {
    platform::EventLogReadResult result = log->read(flags, recordNumber, buffer);
    if (result.error == platform::kErrorInsufficientBuffer) {
      // Grow to what the platform asks for; a reply that would not grow the
      // buffer can never succeed and ends the read instead of looping.
      if (result.bytesNeeded <= buffer.size()) {
        finished = true;
      } else {
        buffer.resize(result.bytesNeeded);
        result = log->read(flags, recordNumber, buffer);
      }
    } else if (!result.ok()) {
      finished = true;
    }
    flags = kReadSequentialBackwards;
    recordNumber = 0;

    const std::size_t delivered =
        result.ok() ? std::min<std::size_t>(result.bytesRead, buffer.size()) : 0;
    const std::size_t walked =
        walker.walk(std::span<const std::byte>(buffer).first(delivered), keep);
    // A delivery that holds no whole record makes no progress; reading on
    // would return the same bytes forever.
    if (result.ok() && walked == 0)
      finished = true;
  }
}

}  // namespace tallyvane
