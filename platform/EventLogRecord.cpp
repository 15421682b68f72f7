#include "platform/EventLogRecord.h"

#include <algorithm>
#include <bit>
#include <cstring>

#include "platform/ByteReader.h"
#include "platform/Unicode.h"

namespace tallyvane::platform {

namespace {

// Appends `text` as NUL-terminated UTF-16LE; ASCII (the usual case) without a
// temporary.
void appendUtf16z(std::vector<std::byte>& out, std::string_view text) {
  const bool ascii = std::all_of(text.begin(), text.end(),
                                 [](char c) { return static_cast<unsigned char>(c) < 0x80; });
  if (!ascii) {
    const auto bytes = utf16leBytes(text);
    out.insert(out.end(), bytes.begin(), bytes.end());
    return;
  }
  const std::size_t at = out.size();
  out.resize(at + 2 * text.size() + 2);
  std::byte* p = out.data() + at;
  for (std::size_t i = 0; i < text.size(); ++i) {
    p[2 * i] = static_cast<std::byte>(text[i]);
    p[2 * i + 1] = std::byte{0};
  }
  p[2 * text.size()] = std::byte{0};
  p[2 * text.size() + 1] = std::byte{0};
}

void padTo4(std::vector<std::byte>& out, std::size_t start) {
  while ((out.size() - start) % 4 != 0)
    out.push_back(std::byte{0});
}

void putU32(std::byte* at, std::uint32_t v) {
  for (int i = 0; i < 4; ++i)
    at[i] = static_cast<std::byte>((v >> (8 * i)) & 0xFF);
}

void putU16(std::byte* at, std::uint16_t v) {
  at[0] = static_cast<std::byte>(v & 0xFF);
  at[1] = static_cast<std::byte>(v >> 8);
}

// UTF-16 text as it is, NUL-terminated.
void appendUtf16z(std::vector<std::byte>& out, std::u16string_view text) {
  const std::size_t at = out.size();
  out.resize(at + 2 * text.size() + 2);
  std::byte* p = out.data() + at;
  if constexpr (std::endian::native == std::endian::little) {
    if (!text.empty())
      std::memcpy(p, text.data(), 2 * text.size());
  } else {
    for (std::size_t i = 0; i < text.size(); ++i) {
      p[2 * i] = static_cast<std::byte>(text[i] & 0xFF);
      p[2 * i + 1] = static_cast<std::byte>(text[i] >> 8);
    }
  }
  p[2 * text.size()] = std::byte{0};
  p[2 * text.size() + 1] = std::byte{0};
}

// The layout, whatever form the texts are in.
template <typename View, typename Text>
void layOutRecord(const EventLogRecordFields& f, View source, View computer,
                  std::span<const std::byte> sid, std::span<const Text> strings,
                  std::span<const std::byte> data, std::vector<std::byte>& out) {
  const std::size_t start = out.size();
  out.resize(start + kEventLogRecordFixedSize, std::byte{0});
  appendUtf16z(out, source);
  appendUtf16z(out, computer);
  padTo4(out, start);
  const auto sidOffset = static_cast<std::uint32_t>(out.size() - start);
  out.insert(out.end(), sid.begin(), sid.end());
  const auto stringOffset = static_cast<std::uint32_t>(out.size() - start);
  for (const auto& s : strings)
    appendUtf16z(out, s);
  const auto dataOffset = static_cast<std::uint32_t>(out.size() - start);
  out.insert(out.end(), data.begin(), data.end());
  padTo4(out, start);
  const auto length = static_cast<std::uint32_t>(out.size() - start + 4);
  out.resize(out.size() + 4);
  putU32(out.data() + out.size() - 4, length);

  static_assert(kEventLogRecordFixedSize == 56);
  std::byte* h = out.data() + start;
  putU32(h + 0, length);
  putU32(h + 4, kEventLogSignature);
  putU32(h + 8, f.recordNumber);
  putU32(h + 12, f.timeGenerated);
  putU32(h + 16, f.timeWritten);
  putU32(h + 20, f.eventId);
  putU16(h + 24, f.eventType);
  putU16(h + 26, static_cast<std::uint16_t>(strings.size()));
  putU16(h + 28, f.eventCategory);
  putU16(h + 30, 0);  // ReservedFlags
  putU32(h + 32, 0);  // ClosingRecordNumber
  putU32(h + 36, stringOffset);
  putU32(h + 40, static_cast<std::uint32_t>(sid.size()));
  putU32(h + 44, sidOffset);
  putU32(h + 48, static_cast<std::uint32_t>(data.size()));
  putU32(h + 52, dataOffset);
}

}  // namespace

void appendEventLogRecord(const EventLogRecordFields& f, std::vector<std::byte>& out) {
  layOutRecord<std::string_view, std::string>(f, f.sourceName, f.computerName, f.userSid, f.strings,
                                              f.data, out);
}

void appendEventLogRecord(const EventLogRecordFields& numbers, const EventLogRecordTexts16& texts,
                          std::vector<std::byte>& out) {
  layOutRecord<std::u16string_view, std::u16string>(numbers, texts.sourceName, texts.computerName,
                                                    texts.userSid, texts.strings, texts.data, out);
}

std::vector<std::byte> buildEventLogRecord(const EventLogRecordFields& f) {
  std::vector<std::byte> out;
  appendEventLogRecord(f, out);
  return out;
}

}  // namespace tallyvane::platform
