#pragma once
// Registry hive files for tests: an empty hive written here (hivex edits hives
// but cannot create one), filled by `hivexregedit --merge` from .reg text.
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <set>
#include <string>
#include <vector>

#include "platform/ByteReader.h"

namespace tallyvane::testing {

inline std::uint32_t baseBlockChecksum(const std::vector<std::byte>& head);

// An empty hive: the base block, one bin holding the root key ("ROOT") and
// its security descriptor, and the bin's free space.
inline std::vector<std::byte> emptyHive() {
  const auto tag = [](ByteWriter& w, const char* text) {
    for (const char* c = text; *c != 0; ++c)
      w.u8(static_cast<std::uint8_t>(*c));
  };
  constexpr std::uint32_t kBinSize = 0x1000;
  ByteWriter bin;
  tag(bin, "hbin");
  bin.u32(0);         // offset of this bin
  bin.u32(kBinSize);  // its size
  bin.zeros(20);      // reserved, time stamp, spare

  // Root key cell at bin offset 0x20.
  constexpr std::uint32_t kRoot = 0x20;
  constexpr std::uint32_t kRootSize = 0x58;
  constexpr std::uint32_t kSecurity = kRoot + kRootSize;
  bin.u32(static_cast<std::uint32_t>(-static_cast<std::int32_t>(kRootSize)));
  tag(bin, "nk");
  bin.u16(0x2C);        // root key, not deletable, ASCII name
  bin.u64(0);           // last written
  bin.u32(0);           // access bits
  bin.u32(0);           // parent
  bin.u32(0);           // subkeys
  bin.u32(0);           // volatile subkeys
  bin.u32(0xFFFFFFFF);  // subkey list
  bin.u32(0xFFFFFFFF);  // volatile subkey list
  bin.u32(0);           // values
  bin.u32(0xFFFFFFFF);  // value list
  bin.u32(kSecurity);   // security descriptor cell
  bin.u32(0xFFFFFFFF);  // class name
  bin.zeros(20);        // name and data length maxima, work var
  bin.u16(4);           // name length
  bin.u16(0);           // class name length
  tag(bin, "ROOT");
  bin.zeros(4);  // to the cell's 8-byte size

  // Security cell: a self-relative descriptor with nothing in it, linked to
  // itself as the only one of the hive.
  constexpr std::uint32_t kSecuritySize = 0x30;
  bin.u32(static_cast<std::uint32_t>(-static_cast<std::int32_t>(kSecuritySize)));
  tag(bin, "sk");
  bin.u16(0);
  bin.u32(kSecurity);  // next
  bin.u32(kSecurity);  // previous
  bin.u32(1);          // reference count
  bin.u32(20);         // descriptor length
  bin.u8(1);           // revision
  bin.u8(0);
  bin.u16(0x8000);  // self-relative
  bin.zeros(16);    // owner, group, SACL, DACL: none
  bin.zeros(kSecuritySize - 44);

  // The rest of the bin is one free cell.
  const std::uint32_t used = kSecurity + kSecuritySize;
  bin.u32(kBinSize - used);
  bin.zeros(kBinSize - used - 4);

  ByteWriter base;
  tag(base, "regf");
  base.u32(1);  // primary sequence number
  base.u32(1);  // secondary sequence number
  base.u64(0);  // last written
  base.u32(1);  // major version
  base.u32(3);  // minor version
  base.u32(0);  // primary file
  base.u32(1);  // format: direct memory load
  base.u32(kRoot);
  base.u32(kBinSize);  // hive bins data size
  base.u32(1);         // clustering factor
  base.zeros(64);      // file name
  base.zeros(508 - 112);
  std::vector<std::byte> head = base.take();
  head.resize(512);
  const std::uint32_t sum = baseBlockChecksum(head);
  head.resize(508);
  for (int i = 0; i < 4; ++i)
    head.push_back(static_cast<std::byte>((sum >> (8 * i)) & 0xFF));
  head.resize(0x1000, std::byte{0});
  const std::vector<std::byte> bins = bin.take();
  head.insert(head.end(), bins.begin(), bins.end());
  return head;
}

// The checksum of a hive's base block: the XOR of its first 127 dwords.
inline std::uint32_t baseBlockChecksum(const std::vector<std::byte>& head) {
  std::uint32_t sum = 0;
  for (std::size_t i = 0; i < 508; i += 4) {
    sum ^= std::to_integer<std::uint32_t>(head[i]) |
           std::to_integer<std::uint32_t>(head[i + 1]) << 8 |
           std::to_integer<std::uint32_t>(head[i + 2]) << 16 |
           std::to_integer<std::uint32_t>(head[i + 3]) << 24;
  }
  return sum;
}

// Marks the hive file as one whose newest changes went to its transaction
// logs only: the primary sequence number one ahead of the secondary, with the
// base block's checksum made good again.
inline void markHiveDirty(const std::filesystem::path& path) {
  std::fstream file(path, std::ios::in | std::ios::out | std::ios::binary);
  std::vector<std::byte> head(512);
  file.read(reinterpret_cast<char*>(head.data()), 512);
  head[4] = static_cast<std::byte>(std::to_integer<int>(head[8]) + 1);
  const std::uint32_t sum = baseBlockChecksum(head);
  for (int i = 0; i < 4; ++i)
    head[508 + i] = static_cast<std::byte>((sum >> (8 * i)) & 0xFF);
  file.seekp(0);
  file.write(reinterpret_cast<const char*>(head.data()), 512);
}

// Whether hivexregedit is installed.
inline bool haveHivexregedit() {
  static const bool found = std::system("command -v hivexregedit >/dev/null 2>&1") == 0;
  return found;
}

// .reg text with an empty section for every parent key that has none before
// its first child (hivexregedit creates keys only below existing ones).
inline std::string withParentKeys(const std::string& prefix, const std::string& reg) {
  std::set<std::string> seen;
  std::string out;
  std::size_t at = 0;
  while (at < reg.size()) {
    std::size_t end = reg.find('\n', at);
    if (end == std::string::npos)
      end = reg.size();
    const std::string line = reg.substr(at, end - at);
    at = end + 1;
    if (line.size() > 2 && line.front() == '[' && line.back() == ']') {
      const std::string key = line.substr(1, line.size() - 2);
      for (std::size_t cut = key.find('\\', prefix.size() + 1); cut != std::string::npos;
           cut = key.find('\\', cut + 1)) {
        if (seen.insert(key.substr(0, cut)).second)
          out += "[" + key.substr(0, cut) + "]\n\n";
      }
      seen.insert(key);
    }
    out += line + "\n";
  }
  return out;
}

// Writes an empty hive at `path` and merges `reg` into it: .reg text whose
// keys start with `prefix` ("HKEY_LOCAL_MACHINE\\SYSTEM"), which names the
// hive's root. False when hivexregedit fails.
inline bool writeHive(const std::filesystem::path& path, const std::string& prefix,
                      const std::string& reg) {
  std::filesystem::create_directories(path.parent_path());
  {
    const std::vector<std::byte> bytes = emptyHive();
    std::ofstream out(path, std::ios::binary);
    out.write(reinterpret_cast<const char*>(bytes.data()),
              static_cast<std::streamsize>(bytes.size()));
  }
  const std::filesystem::path regFile = path.string() + ".reg";
  std::ofstream(regFile, std::ios::binary) << "Windows Registry Editor Version 5.00\n\n"
                                           << withParentKeys(prefix, reg);
  const std::string command = "hivexregedit --merge --prefix '" + prefix + "' '" + path.string() +
                              "' '" + regFile.string() + "' 2>&1";
  const int rc = std::system(command.c_str());
  std::filesystem::remove(regFile);
  return rc == 0;
}

}  // namespace tallyvane::testing
