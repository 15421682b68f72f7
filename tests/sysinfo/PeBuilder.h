#pragma once
// Builds small PE files (32- or 64-bit) in memory, with or without a version
// resource, for the version reader's tests.
#include <cstddef>
#include <cstdint>
#include <optional>
#include <vector>

#include "platform/ByteReader.h"

namespace tallyvane::testing {

struct PeLayout {
  bool wide = false;  // PE32+ (64-bit) instead of PE32
  // The VS_VERSIONINFO block placed as resource 16/1/<language>; no resource
  // section at all when empty.
  std::optional<std::vector<std::byte>> versionBlock;
  std::uint16_t language = 0x0409;
  std::uint32_t resourceType = 16;
  std::uint32_t resourceName = 1;
};

inline std::vector<std::byte> buildPe(const PeLayout& layout) {
  constexpr std::uint32_t kPeOffset = 0x40;
  constexpr std::uint32_t kSectionRva = 0x1000;
  constexpr std::uint32_t kSectionFileOffset = 0x200;
  const std::uint16_t optionalSize = layout.wide ? 240 : 224;

  ByteWriter resource;
  if (layout.versionBlock) {
    auto directory = [&](std::uint32_t id, std::uint32_t target) {
      resource.u32(0);  // Characteristics
      resource.u32(0);  // TimeDateStamp
      resource.u16(0);  // MajorVersion
      resource.u16(0);  // MinorVersion
      resource.u16(0);  // NumberOfNamedEntries
      resource.u16(1);  // NumberOfIdEntries
      resource.u32(id);
      resource.u32(target);
    };
    directory(layout.resourceType, 0x80000000 | 0x18);
    directory(layout.resourceName, 0x80000000 | 0x30);
    directory(layout.language, 0x48);
    resource.u32(kSectionRva + 0x58);  // data entry: OffsetToData (an RVA)
    resource.u32(static_cast<std::uint32_t>(layout.versionBlock->size()));
    resource.u32(0);  // CodePage
    resource.u32(0);  // Reserved
    resource.zeros(0x58 - resource.size());
    resource.bytes(*layout.versionBlock);
    resource.padTo(0x200);
  }
  const auto rsrcSize = static_cast<std::uint32_t>(resource.size());

  ByteWriter pe;
  pe.u16(0x5A4D);  // "MZ"
  pe.zeros(0x3C - 2);
  pe.u32(kPeOffset);
  pe.u32(0x00004550);  // "PE\0\0"
  pe.u16(layout.wide ? 0x8664 : 0x014C);
  pe.u16(layout.versionBlock ? 1 : 0);  // NumberOfSections
  pe.u32(0);                            // TimeDateStamp
  pe.u32(0);                            // PointerToSymbolTable
  pe.u32(0);                            // NumberOfSymbols
  pe.u16(optionalSize);
  pe.u16(0x0102);  // executable, 32-bit machine
  const std::size_t optionalStart = pe.size();
  pe.u16(layout.wide ? 0x20B : 0x10B);
  pe.zeros((layout.wide ? 108 : 92) - 2);
  pe.u32(16);  // NumberOfRvaAndSizes
  for (int i = 0; i < 16; ++i) {
    const bool isResource = i == 2 && layout.versionBlock;
    pe.u32(isResource ? kSectionRva : 0);
    pe.u32(isResource ? rsrcSize : 0);
  }
  while (pe.size() < optionalStart + optionalSize)
    pe.u8(0);
  if (layout.versionBlock) {
    const char name[8] = {'.', 'r', 's', 'r', 'c', 0, 0, 0};
    for (char c : name)
      pe.u8(static_cast<std::uint8_t>(c));
    pe.u32(rsrcSize);  // VirtualSize
    pe.u32(kSectionRva);
    pe.u32(rsrcSize);  // SizeOfRawData
    pe.u32(kSectionFileOffset);
    pe.zeros(12);
    pe.u32(0x40000040);  // initialised data, readable
  }
  while (pe.size() < kSectionFileOffset)
    pe.u8(0);
  pe.bytes(resource.data());
  return pe.take();
}

}  // namespace tallyvane::testing
