#include "platform/EventLogRecord.h"

#include <algorithm>

#include "platform/ByteReader.h"
#include "platform/Unicode.h"

namespace tallyvane::platform {

std::vector<std::byte> buildEventLogRecord(const EventLogRecordFields& f) {
  ByteWriter out;
  out.zeros(kEventLogRecordFixedSize);
  out.bytes(utf16leBytes(f.sourceName));
  out.bytes(utf16leBytes(f.computerName));
  out.padTo(4);
  const auto sidOffset = static_cast<std::uint32_t>(out.size());
  out.bytes(f.userSid);
  const auto stringOffset = static_cast<std::uint32_t>(out.size());
  for (const auto& s : f.strings) out.bytes(utf16leBytes(s));
  const auto dataOffset = static_cast<std::uint32_t>(out.size());
  out.bytes(f.data);
  out.padTo(4);
  const auto length = static_cast<std::uint32_t>(out.size() + 4);
  out.u32(length);

  auto& b = out.data();
  ByteWriter head;
  head.u32(length);
  head.u32(kEventLogSignature);
  head.u32(f.recordNumber);
  head.u32(f.timeGenerated);
  head.u32(f.timeWritten);
  head.u32(f.eventId);
  head.u16(f.eventType);
  head.u16(static_cast<std::uint16_t>(f.strings.size()));
  head.u16(f.eventCategory);
  head.u16(0);  // ReservedFlags
  head.u32(0);  // ClosingRecordNumber
  head.u32(stringOffset);
  head.u32(static_cast<std::uint32_t>(f.userSid.size()));
  head.u32(sidOffset);
  head.u32(static_cast<std::uint32_t>(f.data.size()));
  head.u32(dataOffset);
  static_assert(kEventLogRecordFixedSize == 56);
  std::copy(head.data().begin(), head.data().end(), b.begin());
  return out.take();
}

}  // namespace tallyvane::platform
