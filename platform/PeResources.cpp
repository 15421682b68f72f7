#include "platform/PeResources.h"

#include <algorithm>
#include <optional>

#include "platform/ByteReader.h"

namespace tallyvane::platform {

namespace {

constexpr std::uint32_t kDirectoryBit = 0x80000000;
// Directories nest three levels (type, name, language); a file that claims
// more entries than this in one directory is damaged, not large.
constexpr std::uint32_t kMaxEntries = 0x10000;

struct PeSection {
  std::uint32_t virtualSize = 0;
  std::uint32_t virtualAddress = 0;
  std::uint32_t sizeOfRawData = 0;
  std::uint32_t pointerToRawData = 0;
};

std::optional<std::uint64_t> rvaToOffset(const std::vector<PeSection>& sections, std::uint32_t rva,
                                         std::uint64_t length) {
  for (const auto& s : sections) {
    const std::uint64_t span = std::max(s.virtualSize, s.sizeOfRawData);
    if (rva >= s.virtualAddress && rva - std::uint64_t{s.virtualAddress} < span) {
      const std::uint64_t delta = rva - std::uint64_t{s.virtualAddress};
      if (delta + length > s.sizeOfRawData)
        return std::nullopt;
      return std::uint64_t{s.pointerToRawData} + delta;
    }
  }
  return std::nullopt;
}

struct DirectoryEntry {
  bool numeric = false;
  std::uint32_t name = 0;
  std::uint32_t target = 0;  // with kDirectoryBit: a subdirectory
};

std::vector<DirectoryEntry> readDirectory(const ByteReader& rsrc, std::uint64_t dir) {
  std::vector<DirectoryEntry> entries;
  const auto named = rsrc.u16(dir + 12);
  const auto ids = rsrc.u16(dir + 14);
  if (!named || !ids)
    return entries;
  const std::uint32_t count = std::min<std::uint32_t>(std::uint32_t{*named} + *ids, kMaxEntries);
  for (std::uint32_t i = 0; i < count; ++i) {
    const std::uint64_t at = dir + 16 + std::uint64_t{i} * 8;
    const auto name = rsrc.u32(at);
    const auto target = rsrc.u32(at + 4);
    if (!name || !target)
      break;
    entries.push_back({(*name & kDirectoryBit) == 0, *name, *target});
  }
  return entries;
}

}  // namespace

std::vector<PeResource> findPeResources(std::span<const std::byte> file, std::uint32_t type) {
  std::vector<PeResource> found;
  const ByteReader reader(file);
  if (reader.u16(0) != 0x5A4D)
    return found;  // "MZ"
  const auto peOffset = reader.u32(0x3C);
  if (!peOffset || reader.u32(*peOffset) != 0x00004550)
    return found;  // "PE\0\0"
  const std::uint64_t coff = std::uint64_t{*peOffset} + 4;
  const auto sectionCount = reader.u16(coff + 2);
  const auto optionalSize = reader.u16(coff + 16);
  if (!sectionCount || !optionalSize)
    return found;
  const std::uint64_t optional = coff + 20;
  const auto magic = reader.u16(optional);
  std::uint64_t directories = 0;
  if (magic == 0x10B) {
    directories = optional + 92;  // PE32: NumberOfRvaAndSizes
  } else if (magic == 0x20B) {
    directories = optional + 108;  // PE32+
  } else {
    return found;
  }
  const auto directoryCount = reader.u32(directories);
  if (!directoryCount || *directoryCount < 3)
    return found;
  const std::uint64_t resourceEntry = directories + 4 + 2 * 8;
  if (resourceEntry + 8 > optional + *optionalSize)
    return found;
  const auto resourceRva = reader.u32(resourceEntry);
  const auto resourceSize = reader.u32(resourceEntry + 4);
  if (!resourceRva || !resourceSize || *resourceRva == 0 || *resourceSize == 0)
    return found;

  std::vector<PeSection> sections;
  const std::uint64_t table = optional + *optionalSize;
  for (std::uint32_t i = 0; i < *sectionCount; ++i) {
    const std::uint64_t at = table + std::uint64_t{i} * 40;
    const auto vsize = reader.u32(at + 8);
    const auto va = reader.u32(at + 12);
    const auto rawSize = reader.u32(at + 16);
    const auto rawPointer = reader.u32(at + 20);
    if (!vsize || !va || !rawSize || !rawPointer)
      return found;
    sections.push_back({*vsize, *va, *rawSize, *rawPointer});
  }

  // The resource section may be shorter on disk than its directory entry says;
  // take what the section holds.
  std::uint64_t rsrcLength = *resourceSize;
  std::optional<std::uint64_t> rsrcOffset;
  while (rsrcLength > 0 && !(rsrcOffset = rvaToOffset(sections, *resourceRva, rsrcLength)))
    rsrcLength /= 2;
  if (!rsrcOffset)
    return found;
  const auto rsrcBytes = reader.slice(*rsrcOffset, rsrcLength);
  if (!rsrcBytes)
    return found;
  const ByteReader rsrc(*rsrcBytes);

  // Type, then name, then language: the first two levels are subdirectories,
  // the last one data entries (RVA and size of the bytes).
  for (const DirectoryEntry& typeEntry : readDirectory(rsrc, 0)) {
    if (!typeEntry.numeric || typeEntry.name != type || !(typeEntry.target & kDirectoryBit))
      continue;
    for (const DirectoryEntry& nameEntry : readDirectory(rsrc, typeEntry.target & ~kDirectoryBit)) {
      if (!nameEntry.numeric || !(nameEntry.target & kDirectoryBit))
        continue;
      for (const DirectoryEntry& languageEntry :
           readDirectory(rsrc, nameEntry.target & ~kDirectoryBit)) {
        if (!languageEntry.numeric || (languageEntry.target & kDirectoryBit))
          continue;
        const auto dataRva = rsrc.u32(languageEntry.target);
        const auto dataSize = rsrc.u32(std::uint64_t{languageEntry.target} + 4);
        if (!dataRva || !dataSize)
          continue;
        const auto dataOffset = rvaToOffset(sections, *dataRva, *dataSize);
        if (!dataOffset)
          continue;
        const auto bytes = reader.slice(*dataOffset, *dataSize);
        if (!bytes)
          continue;
        found.push_back(
            {nameEntry.name, static_cast<std::uint16_t>(languageEntry.name & 0xFFFF), *bytes});
      }
    }
    break;
  }
  return found;
}

}  // namespace tallyvane::platform
