#include "platform/VersionResource.h"

#include <algorithm>
#include <cstring>

#include "platform/ByteReader.h"
#include "platform/MappedFile.h"
#include "platform/PeResources.h"
#include "platform/Unicode.h"

namespace tallyvane::platform {

namespace {

constexpr std::uint32_t kVsVersionInfoId = 1;
// A version block larger than this is not one (the whole block is limited to
// 64 KiB by its 16-bit length anyway).
constexpr std::uint64_t kMaxBlockSize = 0x10000;

std::uint64_t align4(std::uint64_t offset) {
  return (offset + 3) & ~std::uint64_t{3};
}

// The header of one block of a VS_VERSIONINFO tree at `offset`, limited to `end`.
struct BlockView {
  std::uint64_t offset = 0;
  std::uint64_t end = 0;  // offset + wLength
  std::uint16_t valueLength = 0;
  std::uint16_t type = 0;
  std::u16string key;
  std::uint64_t valueOffset = 0;
  std::uint64_t valueBytes = 0;
  std::uint64_t childrenOffset = 0;
};

std::optional<BlockView> readBlock(const ByteReader& reader, std::uint64_t offset,
                                   std::uint64_t limit) {
  const auto length = reader.u16(offset);
  const auto valueLength = reader.u16(offset + 2);
  const auto type = reader.u16(offset + 4);
  if (!length || !valueLength || !type || *length < 6)
    return std::nullopt;
  BlockView block;
  block.offset = offset;
  block.end = offset + *length;
  if (block.end > limit || block.end > reader.size())
    return std::nullopt;
  block.valueLength = *valueLength;
  block.type = *type;
  const auto keyBytes = reader.slice(offset + 6, block.end - (offset + 6));
  if (!keyBytes)
    return std::nullopt;
  std::size_t consumed = 0;
  block.key = readUtf16z(*keyBytes, &consumed);
  block.valueOffset = align4(offset + 6 + consumed);
  // Text values count UTF-16 characters, binary values bytes.
  std::uint64_t bytes = block.type == 1 ? std::uint64_t{*valueLength} * 2 : *valueLength;
  if (block.valueOffset > block.end) {
    block.valueOffset = block.end;
    bytes = 0;
  }
  if (block.valueOffset + bytes > block.end)
    bytes = block.end - block.valueOffset;
  block.valueBytes = bytes;
  block.childrenOffset = align4(block.valueOffset + bytes);
  return block;
}

std::vector<std::u16string> splitSubBlock(std::string_view subBlock) {
  std::vector<std::u16string> parts;
  std::size_t start = 0;
  while (start <= subBlock.size()) {
    const std::size_t stop = subBlock.find('\\', start);
    const std::string_view part = subBlock.substr(
        start, stop == std::string_view::npos ? std::string_view::npos : stop - start);
    if (!part.empty())
      parts.push_back(utf8ToUtf16(part));
    if (stop == std::string_view::npos)
      break;
    start = stop + 1;
  }
  return parts;
}

bool sameKey(std::u16string_view a, std::u16string_view b) {
  if (a.size() != b.size())
    return false;
  for (std::size_t i = 0; i < a.size(); ++i) {
    char16_t x = a[i];
    char16_t y = b[i];
    if (x >= u'a' && x <= u'z')
      x = static_cast<char16_t>(x - u'a' + u'A');
    if (y >= u'a' && y <= u'z')
      y = static_cast<char16_t>(y - u'a' + u'A');
    if (x != y)
      return false;
  }
  return true;
}

std::optional<std::vector<std::byte>> copyBlock(const ByteReader& reader, std::uint64_t offset,
                                                std::uint64_t available) {
  const auto length = reader.u16(offset);
  if (!length || *length < 6 || *length > available)
    return std::nullopt;
  const auto bytes = reader.slice(offset, *length);
  if (!bytes)
    return std::nullopt;
  return std::vector<std::byte>(bytes->begin(), bytes->end());
}

}  // namespace

std::optional<std::vector<std::byte>> findPeVersionBlock(std::span<const std::byte> file) {
  // VS_VERSION_INFO is resource 1; the language-neutral copy is preferred,
  // else the first one.
  const PeResource* chosen = nullptr;
  const auto resources = findPeResources(file, kRtVersion);
  for (const PeResource& resource : resources) {
    if (resource.id != kVsVersionInfoId)
      continue;
    if (!chosen || (resource.language == 0 && chosen->language != 0))
      chosen = &resource;
  }
  if (!chosen || chosen->data.empty() || chosen->data.size() > kMaxBlockSize)
    return std::nullopt;
  const ByteReader reader(chosen->data);
  return copyBlock(reader, 0, chosen->data.size());
}

std::optional<std::vector<std::byte>> findElfVersionBlock(std::span<const std::byte> file) {
  const ByteReader reader(file);
  if (reader.u32(0) != 0x464C457F)
    return std::nullopt;  // "\x7F" "ELF"
  const auto elfClass = reader.u8(4);
  const auto encoding = reader.u8(5);
  if (!elfClass || encoding != 1)
    return std::nullopt;  // little-endian files only
  const bool wide = *elfClass == 2;
  if (!wide && *elfClass != 1)
    return std::nullopt;

  std::optional<std::uint64_t> sectionTable;
  std::optional<std::uint16_t> entrySize, count, namesIndex;
  if (wide) {
    sectionTable = reader.u64(0x28);
    entrySize = reader.u16(0x3A);
    count = reader.u16(0x3C);
    namesIndex = reader.u16(0x3E);
  } else {
    if (auto v = reader.u32(0x20))
      sectionTable = *v;
    entrySize = reader.u16(0x2E);
    count = reader.u16(0x30);
    namesIndex = reader.u16(0x32);
  }
  if (!sectionTable || !entrySize || !count || !namesIndex || *sectionTable == 0) {
    return std::nullopt;
  }
  if (*entrySize < (wide ? 64u : 40u))
    return std::nullopt;

  struct Section {
    std::uint32_t name = 0;
    std::uint32_t type = 0;
    std::uint64_t offset = 0;
    std::uint64_t size = 0;
    std::uint32_t link = 0;
  };
  auto sectionAt = [&](std::uint64_t index) -> std::optional<Section> {
    const std::uint64_t at = *sectionTable + index * *entrySize;
    Section s;
    auto name = reader.u32(at);
    auto type = reader.u32(at + 4);
    if (!name || !type)
      return std::nullopt;
    s.name = *name;
    s.type = *type;
    if (wide) {
      auto offset = reader.u64(at + 24);
      auto size = reader.u64(at + 32);
      auto link = reader.u32(at + 40);
      if (!offset || !size || !link)
        return std::nullopt;
      s.offset = *offset;
      s.size = *size;
      s.link = *link;
    } else {
      auto offset = reader.u32(at + 16);
      auto size = reader.u32(at + 20);
      auto link = reader.u32(at + 24);
      if (!offset || !size || !link)
        return std::nullopt;
      s.offset = *offset;
      s.size = *size;
      s.link = *link;
    }
    return s;
  };

  // Files with very many sections keep the count and the names' index in
  // section 0.
  std::uint64_t sectionCount = *count;
  std::uint64_t namesSection = *namesIndex;
  if (sectionCount == 0 || namesSection == 0xFFFF) {
    const auto zero = sectionAt(0);
    if (!zero)
      return std::nullopt;
    if (sectionCount == 0)
      sectionCount = zero->size;
    if (namesSection == 0xFFFF)
      namesSection = zero->link;
  }
  if (!reader.has(*sectionTable, sectionCount * *entrySize))
    return std::nullopt;
  const auto names = sectionAt(namesSection);
  if (!names || names->type == 8)
    return std::nullopt;
  const auto nameBytes = reader.slice(names->offset, names->size);
  if (!nameBytes)
    return std::nullopt;
  const std::string_view wanted = kVersionSectionName;

  for (std::uint64_t i = 1; i < sectionCount; ++i) {
    const auto section = sectionAt(i);
    if (!section)
      return std::nullopt;
    if (section->type == 8 || section->name >= nameBytes->size())
      continue;  // SHT_NOBITS
    const auto* chars = reinterpret_cast<const char*>(nameBytes->data()) + section->name;
    const std::size_t room = nameBytes->size() - section->name;
    // The names table need not end in a zero: look for the terminator only
    // within the table, and take a name cut off by its end as it stands.
    const auto* end = static_cast<const char*>(std::memchr(chars, 0, room));
    const std::string_view name(chars, end ? static_cast<std::size_t>(end - chars) : room);
    if (name != wanted)
      continue;
    if (!reader.has(section->offset, section->size))
      return std::nullopt;
    return copyBlock(reader, section->offset, std::min(section->size, kMaxBlockSize));
  }
  return std::nullopt;
}

std::optional<std::vector<std::byte>> findVersionBlock(std::span<const std::byte> file) {
  if (auto block = findPeVersionBlock(file))
    return block;
  return findElfVersionBlock(file);
}

bool queryVersionValue(std::span<const std::byte> block, std::string_view subBlock,
                       std::span<const std::byte>& value) {
  const ByteReader reader(block);
  auto current = readBlock(reader, 0, reader.size());
  if (!current)
    return false;
  for (const auto& part : splitSubBlock(subBlock)) {
    std::optional<BlockView> found;
    std::uint64_t at = current->childrenOffset;
    while (at + 6 <= current->end) {
      const auto child = readBlock(reader, at, current->end);
      if (!child)
        break;
      if (sameKey(child->key, part)) {
        found = child;
        break;
      }
      at = align4(child->end);
    }
    if (!found)
      return false;
    current = found;
  }
  const auto bytes = reader.slice(current->valueOffset, current->valueBytes);
  if (!bytes)
    return false;
  value = *bytes;
  return true;
}

namespace {

void putU16(std::vector<std::byte>& out, std::uint16_t v) {
  out.push_back(static_cast<std::byte>(v & 0xFF));
  out.push_back(static_cast<std::byte>(v >> 8));
}

void pad4(std::vector<std::byte>& out) {
  while (out.size() % 4 != 0)
    out.push_back(std::byte{0});
}

struct BlockBuilder {
  std::vector<std::byte>& out;
  std::size_t start;

  // Starts a block; the value follows the key, padded to 4 bytes.
  BlockBuilder(std::vector<std::byte>& target, std::string_view key, std::uint16_t valueLength,
               std::uint16_t type, std::span<const std::byte> value)
      : out(target) {
    pad4(out);
    start = out.size();
    putU16(out, 0);
    putU16(out, valueLength);
    putU16(out, type);
    const auto keyBytes = utf16leBytes(key);
    out.insert(out.end(), keyBytes.begin(), keyBytes.end());
    pad4(out);
    out.insert(out.end(), value.begin(), value.end());
  }
  void finish() {
    const auto length = static_cast<std::uint16_t>(out.size() - start);
    out[start] = static_cast<std::byte>(length & 0xFF);
    out[start + 1] = static_cast<std::byte>(length >> 8);
  }
};

}  // namespace

std::vector<std::byte> buildVersionBlock(const VersionBlockContents& contents) {
  ByteWriter fixed;
  const auto& f = contents.fixed;
  for (std::uint32_t v :
       {f.dwSignature, f.dwStrucVersion, f.dwFileVersionMS, f.dwFileVersionLS, f.dwProductVersionMS,
        f.dwProductVersionLS, f.dwFileFlagsMask, f.dwFileFlags, f.dwFileOS, f.dwFileType,
        f.dwFileSubtype, f.dwFileDateMS, f.dwFileDateLS}) {
    fixed.u32(v);
  }
  std::vector<std::byte> out;
  BlockBuilder root(out, "VS_VERSION_INFO", static_cast<std::uint16_t>(VsFixedFileInfo::kSize), 0,
                    fixed.data());
  if (!contents.stringTableKey.empty()) {
    BlockBuilder info(out, "StringFileInfo", 0, 1, {});
    BlockBuilder table(out, contents.stringTableKey, 0, 1, {});
    for (const auto& [name, text] : contents.strings) {
      const auto textBytes = utf16leBytes(text);
      BlockBuilder entry(out, name, static_cast<std::uint16_t>(textBytes.size() / 2), 1, textBytes);
      entry.finish();
    }
    table.finish();
    info.finish();
  }
  if (contents.translation) {
    BlockBuilder info(out, "VarFileInfo", 0, 1, {});
    ByteWriter pair;
    pair.u16(contents.translation->first);
    pair.u16(contents.translation->second);
    BlockBuilder translation(out, "Translation", 4, 0, pair.data());
    translation.finish();
    info.finish();
  }
  root.finish();
  return out;
}

bool FileVersionResources::getFileVersionInfo(std::string_view fileName,
                                              std::vector<std::byte>& data) {
  // Mapped, not read: a program file can be tens of megabytes (debug
  // information) of which only the headers and the resource are looked at.
  const auto file = MappedFile::open(std::string(fileName), MappedFile::Access::kParts);
  if (!file || (*file)->bytes().empty())
    return false;
  const auto block = findVersionBlock((*file)->bytes());
  if (!block)
    return false;
  data = *block;
  return true;
}

bool FileVersionResources::queryValue(std::span<const std::byte> data, std::string_view subBlock,
                                      std::span<const std::byte>& value) {
  return queryVersionValue(data, subBlock, value);
}

}  // namespace tallyvane::platform
