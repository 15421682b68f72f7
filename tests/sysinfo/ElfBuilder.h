#pragma once
// Builds small little-endian ELF files (32- or 64-bit) in memory carrying a
// version block in a named section, for the version reader's tests and the
// fuzz seeds. The section-name table is the file's last bytes, so a reader that
// runs past its end runs past the file.
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "platform/ByteReader.h"
#include "platform/VersionResource.h"

namespace tallyvane::testing {

struct ElfLayout {
  bool wide = true;  // ELFCLASS64 instead of ELFCLASS32
  std::vector<std::byte> versionBlock;
  std::string sectionName = platform::kVersionSectionName;
  // The names table ends with the version section's name; without its zero
  // the table ends inside the name.
  bool terminateNames = true;
  // Bytes of the names table kept (from its start); all of it when larger.
  std::size_t namesLength = static_cast<std::size_t>(-1);
};

inline std::vector<std::byte> buildElf(const ElfLayout& layout) {
  const std::uint32_t headerSize = layout.wide ? 64 : 52;
  const std::uint16_t entrySize = layout.wide ? 64 : 40;
  std::string names = std::string("\0.shstrtab\0", 11) + layout.sectionName;
  if (layout.terminateNames)
    names.push_back('\0');
  names.resize(std::min(names.size(), layout.namesLength));

  const std::uint64_t blockOffset = headerSize;
  std::uint64_t tableOffset = blockOffset + layout.versionBlock.size();
  tableOffset = (tableOffset + 7) & ~std::uint64_t{7};
  const std::uint64_t namesOffset = tableOffset + 3u * entrySize;

  ByteWriter out;
  out.u32(0x464C457F);
  out.u8(layout.wide ? 2 : 1);  // class
  out.u8(1);                    // little-endian
  out.u8(1);                    // version
  out.zeros(9);
  out.u16(2);   // ET_EXEC
  out.u16(62);  // x86-64
  out.u32(1);
  auto word = [&](std::uint64_t v) {
    if (layout.wide)
      out.u64(v);
    else
      out.u32(static_cast<std::uint32_t>(v));
  };
  word(0);            // entry
  word(0);            // program headers
  word(tableOffset);  // section headers
  out.u32(0);         // flags
  out.u16(static_cast<std::uint16_t>(headerSize));
  out.u16(0);
  out.u16(0);
  out.u16(entrySize);
  out.u16(3);  // sections
  out.u16(1);  // names section
  out.bytes(layout.versionBlock);
  out.padTo(8);

  auto section = [&](std::uint32_t name, std::uint32_t type, std::uint64_t offset,
                     std::uint64_t size) {
    out.u32(name);
    out.u32(type);
    word(0);  // flags
    word(0);  // address
    word(offset);
    word(size);
    out.u32(0);  // link
    out.u32(0);  // info
    word(1);     // alignment
    word(0);     // entry size
  };
  section(0, 0, 0, 0);
  section(1, 3, namesOffset, names.size());  // SHT_STRTAB
  section(11, 1, blockOffset, layout.versionBlock.size());
  for (char c : names)
    out.u8(static_cast<std::uint8_t>(c));
  return out.take();
}

}  // namespace tallyvane::testing
