#pragma once
// Event records and the reader of classic event logs.
#include <algorithm>
#include <array>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <type_traits>
#include <vector>

#include "platform/Accounts.h"
#include "platform/EventLogRecord.h"
#include "platform/Services.h"
#include "present/Orvex_Datetime.h"

namespace tallyvane {

enum TEventType : std::uint8_t {
  etError,
  etWarning,
  etInformation,
  etAuditSuccess,
  etAuditFailure,
};

inline constexpr std::array<std::string_view, 5> EventTypeNames = {
    "Error", "Warning", "Information", "AuditSuccess", "AuditFailure"};

// The kind of an event from the platform's EventType value.
TEventType EventTypeFromPlatform(std::uint16_t value);

struct TLogRecord {
  TEventType EventType = etInformation;
  TDateTime DateTime = 0.0;
  std::string Source;
  std::string Category;
  std::uint32_t EventID = 0;
  std::string Username;
  std::string Domain;
  std::string Computer;
  std::string Description;
  std::string BinaryData;
  std::string CharData;

  // Where the record stands in the log and when it was written in UTC, for
  // ordering and for durations that must not depend on the local clock's
  // changes. Both are 0 for a record that did not come from a log (added by
  // hand or loaded from storage).
  std::uint32_t RecordNumber = 0;
  TDateTime UTCDateTime = 0.0;

  // Records are equal when what they say is equal; where they stood in a log
  // is not part of that.
  friend bool operator==(const TLogRecord& a, const TLogRecord& b) {
    return a.EventType == b.EventType && a.DateTime == b.DateTime && a.Source == b.Source &&
           a.Category == b.Category && a.EventID == b.EventID && a.Username == b.Username &&
           a.Domain == b.Domain && a.Computer == b.Computer && a.Description == b.Description &&
           a.BinaryData == b.BinaryData && a.CharData == b.CharData;
  }
};

// The absolute time a record is ordered and measured by: its UTC time stamp
// when it came from a log, else its DateTime.
inline TDateTime AbsoluteTime(const TLogRecord& record) {
  return record.UTCDateTime != 0.0 ? record.UTCDateTime : record.DateTime;
}

struct TLogContainer {
  std::string Name;
  std::string Filename;
  friend bool operator==(const TLogContainer&, const TLogContainer&) = default;
};
using TLogContainers = std::vector<TLogContainer>;

// The data bytes of a record as "41,2C,0A" and as characters "A,.,.".
std::string DataToHex(std::span<const std::byte> data);
std::string DataToChars(std::span<const std::byte> data);

// True when `source` is one of the comma-separated names of `filter` (ASCII
// letters without regard to case). An empty filter keeps every source.
bool SourceMatchesFilter(std::string_view source, std::string_view filter);

// How one EVENTLOGRECORD turns into a TLogRecord.
struct RecordParseOptions {
  bool LookupSID = false;
  bool ConvertTimeToLocal = false;
  std::string_view SourceFilter = {};
};

// Walks the records packed in `bytes` and calls `take` with each one that
// passes the filter. A record whose Length is below the fixed part or above the
// bytes left ends the walk. Returns the number of bytes walked.
class RecordWalker {
 public:
  RecordWalker(const platform::Services& services, RecordParseOptions options);
  template <typename Take>
  std::size_t walk(std::span<const std::byte> bytes, Take&& take) {
    std::size_t offset = 0;
    while (offset < bytes.size()) {
      const std::size_t length = recordLength(bytes.subspan(offset));
      if (length == 0)
        break;
      const auto raw = bytes.subspan(offset, length);
      offset += length;
      // Most records of a large log are dropped by their source's bytes alone;
      // nothing is made for them.
      if (droppedBySource(raw))
        continue;
      TLogRecord record;
      if (parse(raw, record)) {
        // A taker may also want the record's bytes (the message expansion does).
        if constexpr (std::is_invocable_v<Take, TLogRecord&&, std::span<const std::byte>>)
          take(std::move(record), raw);
        else
          take(std::move(record));
      }
    }
    return offset;
  }
  // The Length of the record at the start of `bytes`, or 0 when it is unusable.
  static std::size_t recordLength(std::span<const std::byte> bytes);
  // Fills `record` from one whole record; false when the source filter drops it.
  bool parse(std::span<const std::byte> record, TLogRecord& out) const;
  // True when the source filter drops the whole record by its source's bytes,
  // without decoding anything.
  bool droppedBySource(std::span<const std::byte> record) const {
    return !options_.SourceFilter.empty() &&
           sourceBytesMatch(record.subspan(
               std::min(record.size(), platform::kEventLogRecordFixedSize))) == false;
  }

 private:
  // One name of the source filter as the UTF-16LE bytes of a source that
  // matches it (lower case, its NUL included), and the bits that may differ
  // in such a source: the case bit of each ASCII letter.
  struct SourcePattern {
    std::vector<std::byte> bytes;
    std::vector<std::byte> caseBits;
  };
  std::optional<bool> sourceBytesMatch(std::span<const std::byte> source) const;

  const platform::Services& services_;
  RecordParseOptions options_;
  std::vector<SourcePattern> patterns_;
  // True when every name of the filter is plain ASCII, so that the source's
  // bytes decide; otherwise the decoded source does.
  bool patternsDecide_ = false;
};

class TEventLog {
 public:
  explicit TEventLog(bool NoContainers,
                     const platform::Services& services = platform::systemServices());
  ~TEventLog();
  TEventLog(const TEventLog&) = delete;
  TEventLog& operator=(const TEventLog&) = delete;

  void RefreshData(bool NoContainers);
  void ClearContainers();
  void ClearRecords();
  void AddRecord(const TLogRecord& ARecord);
  void AddContainer(const TLogContainer& AContainer);
  void Sort();

  std::uint32_t ContainerCount() const { return static_cast<std::uint32_t>(FLC.size()); }
  const std::string& Machine() const { return FMachine; }
  void SetMachine(std::string_view Value);
  const std::string& SourceName() const { return FSourceName; }
  void SetSourceName(std::string_view Value) { FSourceName = Value; }
  std::uint32_t RecordCount() const { return static_cast<std::uint32_t>(FRecords.size()); }
  bool ExpandMessages() const { return FExpand; }
  void SetExpandMessages(bool Value) { FExpand = Value; }
  bool LookupSID() const { return FLookupSID; }
  void SetLookupSID(bool Value) { FLookupSID = Value; }
  const std::string& SourceFilter() const { return FSourceFilter; }
  void SetSourceFilter(std::string_view Value) { FSourceFilter = Value; }
  bool ConvertTimeToLocal() const { return FCTTL; }
  void SetConvertTimeToLocal(bool Value) { FCTTL = Value; }

  // The stored record at `Index`, or null when Index is not below RecordCount.
  TLogRecord* Records(std::uint32_t Index);
  const TLogRecord* Records(std::uint32_t Index) const;
  const TLogContainers& Containers() const { return FLC; }

  // The services this reader reaches the platform through.
  const platform::Services& services() const { return services_; }
  // True while a registry connection is held (for tests of the Machine rules).
  bool registryConnected() const { return hkLM != platform::kNoKey; }

 private:
  void ScanContainers();
  void ReadLogRecords(const std::string& AMachine, const std::string& ASourceName,
                      const std::string& ASourceFilter);
  void closeRegistry();

  TLogContainers FLC;
  std::vector<std::unique_ptr<TLogRecord>> FRecords;
  std::string FMachine;
  std::string FSourceName = "Application";
  bool FExpand = false;
  platform::RegKey hkLM = platform::kNoKey;
  bool FLookupSID = false;
  std::string FSourceFilter;
  bool FCTTL = false;
  platform::Services services_;
};

}  // namespace tallyvane
