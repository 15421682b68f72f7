#pragma once
// Lays out one EVENTLOGRECORD byte for byte as the Windows event log service
// hands it out: the 56-byte fixed part, SourceName and Computername (UTF-16,
// NUL-terminated), padding to 4 bytes, the SID, the insertion strings, the data,
// padding to 4 bytes, and the Length again as the last 4 bytes.
#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace tallyvane::platform {

inline constexpr std::size_t kEventLogRecordFixedSize = 56;
inline constexpr std::uint32_t kEventLogSignature = 0x654C664C;  // "LfLe"

enum EventLogType : std::uint16_t {
  kEventLogSuccess = 0x0000,
  kEventLogErrorType = 0x0001,
  kEventLogWarningType = 0x0002,
  kEventLogInformationType = 0x0004,
  kEventLogAuditSuccess = 0x0008,
  kEventLogAuditFailure = 0x0010,
};

struct EventLogRecordFields {
  std::uint32_t recordNumber = 0;
  std::uint32_t timeGenerated = 0;  // seconds since 1970-01-01 UTC
  std::uint32_t timeWritten = 0;
  std::uint32_t eventId = 0;  // the full 32-bit identifier
  std::uint16_t eventType = kEventLogInformationType;
  std::uint16_t eventCategory = 0;
  std::string sourceName;            // UTF-8
  std::string computerName;          // UTF-8
  std::vector<std::byte> userSid;    // binary SID, or empty
  std::vector<std::string> strings;  // insertion strings, UTF-8
  std::vector<std::byte> data;
};

std::vector<std::byte> buildEventLogRecord(const EventLogRecordFields& fields);
// The same record appended to `out`, where many records are laid out one after
// another.
void appendEventLogRecord(const EventLogRecordFields& fields, std::vector<std::byte>& out);

// The texts of a record already in UTF-16, for readers whose source holds them
// so: they are laid out as they are, each with its NUL terminator added.
struct EventLogRecordTexts16 {
  std::u16string_view sourceName;
  std::u16string_view computerName;
  std::span<const std::byte> userSid;
  std::span<const std::u16string> strings;
  std::span<const std::byte> data;
};
// The record of `numbers` (its texts are not looked at) with the texts of
// `texts`, appended to `out`.
void appendEventLogRecord(const EventLogRecordFields& numbers, const EventLogRecordTexts16& texts,
                          std::vector<std::byte>& out);

}  // namespace tallyvane::platform
