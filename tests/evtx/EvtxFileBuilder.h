#pragma once
// Writes small .evtx files for tests, benchmarks and fuzz seeds: a file
// header, 64 KiB chunks with their checksums, and event records whose binary
// XML either spells each element out, or (as Windows writes them) instantiates
// a template of the chunk with the event's values as substitutions: a
// template is defined in the first record of a chunk that uses it and
// referred to by the later ones.
#include <array>
#include <cstddef>
#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "platform/ByteReader.h"
#include "platform/Unicode.h"

namespace tallyvane::testing {

// A typed substitution value: its value type and its bytes.
struct EvtxValue {
  std::uint8_t type = 0x01;
  std::vector<std::byte> bytes;
};

// One element of an event's XML.
struct EvtxElement {
  std::string name;
  std::vector<std::pair<std::string, std::string>> attributes;
  std::optional<std::string> text;  // character content, if any
  std::vector<EvtxElement> children;
  // In a template, the content as a typed value instead of `text`.
  std::optional<EvtxValue> value;
};

// A string as the value of a substitution (UTF-16LE, no terminator).
inline EvtxValue evtxStringValue(const std::string& text) {
  EvtxValue v;
  for (char16_t ch : utf8ToUtf16(text)) {
    v.bytes.push_back(static_cast<std::byte>(ch & 0xFF));
    v.bytes.push_back(static_cast<std::byte>(ch >> 8));
  }
  return v;
}

// One event as the builder writes it.
struct EvtxEventSpec {
  std::uint64_t recordId = 1;     // the record header's identifier
  std::uint64_t writtenTime = 0;  // FILETIME
  EvtxElement event;              // the <Event> element
};

inline std::uint32_t evtxCrc32(const std::byte* data, std::size_t size, std::uint32_t crc = 0) {
  static const auto table = [] {
    std::array<std::uint32_t, 256> t{};
    for (std::uint32_t i = 0; i < 256; ++i) {
      std::uint32_t c = i;
      for (int k = 0; k < 8; ++k)
        c = (c & 1) ? 0xEDB88320u ^ (c >> 1) : c >> 1;
      t[i] = c;
    }
    return t;
  }();
  crc = ~crc;
  for (std::size_t i = 0; i < size; ++i)
    crc = table[(crc ^ std::to_integer<std::uint8_t>(data[i])) & 0xFF] ^ (crc >> 8);
  return ~crc;
}

// The usual <Event> of a System log. `data` become <Data> elements of
// <EventData>; `binaryHex` a <Binary> element.
inline EvtxElement evtxSystemEvent(const std::string& provider, std::uint32_t eventId,
                                   std::optional<std::uint32_t> qualifiers, int level,
                                   const std::string& timeCreated, std::uint64_t eventRecordId,
                                   const std::vector<std::string>& data = {},
                                   const std::string& binaryHex = "",
                                   const std::string& channel = "System",
                                   const std::string& userSid = "",
                                   const std::string& eventSourceName = "",
                                   std::uint64_t keywords = 0x8000000000000000ULL, int task = 0) {
  auto element = [](std::string name, std::string text) {
    return EvtxElement{std::move(name), {}, std::move(text), {}, {}};
  };
  EvtxElement provider_{"Provider", {{"Name", provider}}, std::nullopt, {}, {}};
  if (!eventSourceName.empty())
    provider_.attributes.emplace_back("EventSourceName", eventSourceName);
  EvtxElement id = element("EventID", std::to_string(eventId));
  if (qualifiers)
    id.attributes.emplace_back("Qualifiers", std::to_string(*qualifiers));
  char keywordText[24];
  std::snprintf(keywordText, sizeof keywordText, "0x%016llX",
                static_cast<unsigned long long>(keywords));
  EvtxElement security{"Security", {}, std::nullopt, {}, {}};
  if (!userSid.empty())
    security.attributes.emplace_back("UserID", userSid);
  EvtxElement system{
      "System",
      {},
      std::nullopt,
      {provider_, id, element("Level", std::to_string(level)),
       element("Task", std::to_string(task)), element("Keywords", keywordText),
       EvtxElement{"TimeCreated", {{"SystemTime", timeCreated}}, std::nullopt, {}, {}},
       element("EventRecordID", std::to_string(eventRecordId)), element("Channel", channel),
       element("Computer", "BUILDER-PC"), security},
      {}};
  EvtxElement eventData{"EventData", {}, std::nullopt, {}, {}};
  for (const auto& d : data)
    eventData.children.push_back(element("Data", d));
  if (!binaryHex.empty())
    eventData.children.push_back(element("Binary", binaryHex));
  return EvtxElement{"Event",
                     {{"xmlns", "http://schemas.microsoft.com/win/2004/08/events/event"}},
                     std::nullopt,
                     {system, eventData},
                     {}};
}

class EvtxFileBuilder {
 public:
  static constexpr std::size_t kHeaderSize = 4096;
  static constexpr std::size_t kChunkSize = 65536;
  static constexpr std::size_t kChunkHeaderSize = 512;

  void add(const EvtxEventSpec& event) { events_.push_back(event); }
  // Writes the events as template instances.
  void useTemplates(bool on = true) { templates_ = on; }

  // The whole file. Events fill chunks in the order added.
  std::vector<std::byte> build() const {
    std::vector<std::vector<std::byte>> chunks;
    std::vector<std::byte> chunk;
    std::size_t inChunk = 0;
    std::uint64_t firstId = 0, lastId = 0, lastOffset = 0;
    Templates templates;  // of the chunk being written
    auto finish = [&] {
      if (inChunk == 0)
        return;
      finishChunk(chunk, firstId, lastId, lastOffset, static_cast<std::uint32_t>(chunk.size()),
                  chunks.size());
      chunk.resize(kChunkSize);
      chunks.push_back(std::move(chunk));
      chunk.clear();
      templates.clear();
      inChunk = 0;
    };
    for (const auto& e : events_) {
      if (chunk.empty())
        chunk.assign(kChunkHeaderSize, std::byte{0});
      Templates attempt = templates;
      std::vector<std::byte> record = recordBytes(e, chunk.size(), attempt);
      if (chunk.size() + record.size() > kChunkSize) {
        finish();
        chunk.assign(kChunkHeaderSize, std::byte{0});
        attempt.clear();
        record = recordBytes(e, chunk.size(), attempt);
      }
      templates = std::move(attempt);
      if (inChunk == 0)
        firstId = e.recordId;
      lastId = e.recordId;
      lastOffset = chunk.size();
      chunk.insert(chunk.end(), record.begin(), record.end());
      ++inChunk;
    }
    finish();

    ByteWriter header;
    header.bytes(bytesOf("ElfFile", 8));
    header.u64(0);                                                  // first chunk number
    header.u64(chunks.empty() ? 0 : chunks.size() - 1);             // last chunk number
    header.u64(events_.empty() ? 1 : events_.back().recordId + 1);  // next record identifier
    header.u32(128);                                                // header size
    header.u16(1);                                                  // minor version
    header.u16(3);                                                  // major version
    header.u16(static_cast<std::uint16_t>(kHeaderSize));            // chunk data offset
    header.u16(static_cast<std::uint16_t>(chunks.size()));          // number of chunks
    header.zeros(76);
    header.u32(0);  // flags
    header.u32(evtxCrc32(header.data().data(), 120));
    header.zeros(kHeaderSize - 128);
    std::vector<std::byte> file = header.take();
    for (const auto& c : chunks)
      file.insert(file.end(), c.begin(), c.end());
    return file;
  }

 private:
  static std::vector<std::byte> bytesOf(const char* text, std::size_t size) {
    std::vector<std::byte> out(size);
    for (std::size_t i = 0; i < size; ++i)
      out[i] = static_cast<std::byte>(text[i]);
    return out;
  }

  static void finishChunk(std::vector<std::byte>& chunk, std::uint64_t firstId,
                          std::uint64_t lastId, std::uint64_t lastOffset, std::uint32_t freeOffset,
                          std::size_t /*index*/) {
    ByteWriter h;
    h.bytes(bytesOf("ElfChnk", 8));
    h.u64(firstId);  // first event record number
    h.u64(lastId);   // last event record number
    h.u64(firstId);  // first event record identifier
    h.u64(lastId);   // last event record identifier
    h.u32(128);      // header size
    h.u32(static_cast<std::uint32_t>(lastOffset));
    h.u32(freeOffset);
    h.u32(evtxCrc32(chunk.data() + kChunkHeaderSize, freeOffset - kChunkHeaderSize));
    h.zeros(64);
    h.u32(0);  // flags
    std::copy(h.data().begin(), h.data().end(), chunk.begin());
    // Header checksum: bytes 0-120 and 128-512.
    std::uint32_t crc = evtxCrc32(chunk.data(), 120);
    crc = evtxCrc32(chunk.data() + 128, kChunkHeaderSize - 128, crc);
    ByteWriter c;
    c.u32(crc);
    std::copy(c.data().begin(), c.data().end(), chunk.begin() + 124);
  }

  // Binary XML of one element. `base` is the chunk offset where `out` starts,
  // so that names can be stored inline (their offset pointing right after).
  static void writeName(ByteWriter& out, std::size_t base, const std::string& name) {
    out.u32(static_cast<std::uint32_t>(base + out.size() + 4));  // the name follows
    const std::u16string text = utf8ToUtf16(name);
    std::uint16_t hash = 0;
    std::uint32_t h = 0;
    for (char16_t ch : text)
      h = h * 65599 + ch;
    hash = static_cast<std::uint16_t>(h);
    out.u32(0);  // next string offset
    out.u16(hash);
    out.u16(static_cast<std::uint16_t>(text.size()));
    for (char16_t ch : text)
      out.u16(ch);
    out.u16(0);
  }

  static void writeText(ByteWriter& out, const std::string& text) {
    const std::u16string t = utf8ToUtf16(text);
    out.u8(0x05);  // value text
    out.u8(0x01);  // string
    out.u16(static_cast<std::uint16_t>(t.size()));
    for (char16_t ch : t)
      out.u16(ch);
  }

  static void writeElement(ByteWriter& out, std::size_t base, const EvtxElement& e) {
    const bool hasAttributes = !e.attributes.empty();
    out.u8(hasAttributes ? 0x41 : 0x01);
    out.u16(0xFFFF);  // dependency identifier
    const std::size_t sizeAt = out.size();
    out.u32(0);  // element data size, patched below
    writeName(out, base, e.name);
    if (hasAttributes) {
      const std::size_t listAt = out.size();
      out.u32(0);
      for (std::size_t i = 0; i < e.attributes.size(); ++i) {
        out.u8(i + 1 < e.attributes.size() ? 0x46 : 0x06);
        writeName(out, base, e.attributes[i].first);
        writeText(out, e.attributes[i].second);
      }
      out.patchU32(listAt, static_cast<std::uint32_t>(out.size() - listAt - 4));
    }
    if (!e.text && e.children.empty()) {
      out.u8(0x03);  // close empty element
    } else {
      out.u8(0x02);  // close start element
      if (e.text && !e.text->empty())
        writeText(out, *e.text);
      for (const auto& child : e.children)
        writeElement(out, base, child);
      out.u8(0x04);  // end element
    }
    out.patchU32(sizeAt, static_cast<std::uint32_t>(out.size() - sizeAt - 4));
  }

  // Template definitions of a chunk by their shape: where each one starts.
  using Templates = std::map<std::vector<std::byte>, std::uint32_t>;

  // A template element: texts and attribute values become optional
  // substitutions, numbered in document order into `values`.
  static void writeTemplateElement(ByteWriter& out, std::size_t base, const EvtxElement& e,
                                   std::vector<EvtxValue>& values) {
    auto substitution = [&](EvtxValue v) {
      out.u8(0x0E);
      out.u16(static_cast<std::uint16_t>(values.size()));
      out.u8(v.type);
      values.push_back(std::move(v));
    };
    const bool hasAttributes = !e.attributes.empty();
    out.u8(hasAttributes ? 0x41 : 0x01);
    out.u16(0xFFFF);
    const std::size_t sizeAt = out.size();
    out.u32(0);
    writeName(out, base, e.name);
    if (hasAttributes) {
      const std::size_t listAt = out.size();
      out.u32(0);
      for (std::size_t i = 0; i < e.attributes.size(); ++i) {
        out.u8(i + 1 < e.attributes.size() ? 0x46 : 0x06);
        writeName(out, base, e.attributes[i].first);
        substitution(evtxStringValue(e.attributes[i].second));
      }
      out.patchU32(listAt, static_cast<std::uint32_t>(out.size() - listAt - 4));
    }
    if (!e.text && !e.value && e.children.empty()) {
      out.u8(0x03);
    } else {
      out.u8(0x02);
      if (e.value)
        substitution(*e.value);
      else if (e.text)
        substitution(evtxStringValue(*e.text));
      for (const auto& child : e.children)
        writeTemplateElement(out, base, child, values);
      out.u8(0x04);
    }
    out.patchU32(sizeAt, static_cast<std::uint32_t>(out.size() - sizeAt - 4));
  }

  // A template instance of the event: the definition where the chunk has none
  // of its shape yet, then the substitution values.
  static void writeInstance(ByteWriter& out, std::size_t base, const EvtxElement& event,
                            Templates& templates) {
    std::vector<EvtxValue> values;
    ByteWriter shape;
    writeTemplateElement(shape, 0, event, values);
    out.u8(0x0C);
    out.u8(0x01);
    const auto known = templates.find(shape.data());
    const std::uint32_t definition = known != templates.end()
                                         ? known->second
                                         : static_cast<std::uint32_t>(base + out.size() + 8);
    out.u32(static_cast<std::uint32_t>(templates.size() + 1));  // template identifier
    out.u32(definition);
    if (known == templates.end()) {
      templates.emplace(shape.data(), definition);
      ByteWriter data;
      data.u8(0x0F);
      data.u8(0x01);
      data.u8(0x01);
      data.u8(0x00);
      values.clear();
      writeTemplateElement(data, base + out.size() + 24, event, values);
      data.u8(0x00);
      out.u32(0);                                             // next definition
      out.u32(static_cast<std::uint32_t>(templates.size()));  // identifier (GUID)
      out.zeros(12);
      out.u32(static_cast<std::uint32_t>(data.size()));
      out.bytes(data.data());
    }
    out.u32(static_cast<std::uint32_t>(values.size()));
    for (const auto& v : values) {
      out.u16(static_cast<std::uint16_t>(v.bytes.size()));
      out.u8(v.type);
      out.u8(0);
    }
    for (const auto& v : values)
      out.bytes(v.bytes);
  }

  std::vector<std::byte> recordBytes(const EvtxEventSpec& e, std::size_t chunkOffset,
                                     Templates& templates) const {
    ByteWriter out;
    out.u32(0x00002A2A);  // "**\0\0"
    out.u32(0);           // size, patched below
    out.u64(e.recordId);
    out.u64(e.writtenTime);
    // Fragment header, the event, end of stream.
    out.u8(0x0F);
    out.u8(0x01);
    out.u8(0x01);
    out.u8(0x00);
    if (templates_)
      writeInstance(out, chunkOffset, e.event, templates);
    else
      writeElement(out, chunkOffset, e.event);
    out.u8(0x00);
    out.padTo(8);
    const auto size = static_cast<std::uint32_t>(out.size() + 4);
    out.u32(size);
    out.patchU32(4, size);
    return out.take();
  }

  std::vector<EvtxEventSpec> events_;
  bool templates_ = false;
};

}  // namespace tallyvane::testing
