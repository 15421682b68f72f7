#pragma once
// Helpers of the storage tests: a temporary directory, whole-file reads and
// writes, running a command, and a builder of compound files laid out by
// hand (independently of the writer under test).
#if defined(_WIN32)
#include <process.h>
#else
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>
#endif

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

namespace tallyvane::testing {

class TempDir {
 public:
#if defined(_WIN32)
  TempDir() {
    // A fresh directory named after this process and a counter.
    static unsigned counter = 0;
    for (;;) {
      const auto candidate =
          std::filesystem::temp_directory_path() /
          ("tvstg-" + std::to_string(::_getpid()) + "-" + std::to_string(++counter));
      if (std::filesystem::create_directory(candidate)) {
        path_ = candidate.string();
        break;
      }
    }
  }
#else
  TempDir() {
    std::string pattern = (std::filesystem::temp_directory_path() / "tvstg-XXXXXX").string();
    path_ = ::mkdtemp(pattern.data());
  }
#endif
  ~TempDir() {
    std::error_code ec;
    std::filesystem::remove_all(path_, ec);
  }
  TempDir(const TempDir&) = delete;
  TempDir& operator=(const TempDir&) = delete;
  std::string file(const std::string& name) const {
    return path_ + "/" + name;
  }
  const std::string& path() const {
    return path_;
  }

 private:
  std::string path_;
};

inline std::vector<std::byte> readBytes(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::vector<char> chars{std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
  std::vector<std::byte> out(chars.size());
  for (std::size_t i = 0; i < chars.size(); ++i)
    out[i] = static_cast<std::byte>(chars[i]);
  return out;
}

// The names in a directory, sorted.
inline std::vector<std::string> namesIn(const std::string& directory) {
  std::vector<std::string> names;
  for (const auto& entry : std::filesystem::directory_iterator(directory))
    names.push_back(entry.path().filename().string());
  std::sort(names.begin(), names.end());
  return names;
}

inline void writeBytes(const std::string& path, const std::vector<std::byte>& bytes) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out.write(reinterpret_cast<const char*>(bytes.data()),
            static_cast<std::streamsize>(bytes.size()));
}

inline void writeText(const std::string& path, const std::string& text) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out << text;
}

// Runs a shell command; its standard output, and the exit status in `status`.
inline std::string run(const std::string& command, int* status = nullptr) {
  std::string out;
#if defined(_WIN32)
  FILE* pipe = ::_popen(command.c_str(), "rb");
#else
  FILE* pipe = ::popen(command.c_str(), "r");
#endif
  if (!pipe) {
    if (status)
      *status = -1;
    return out;
  }
  char buffer[4096];
  std::size_t n = 0;
  while ((n = std::fread(buffer, 1, sizeof buffer, pipe)) > 0)
    out.append(buffer, n);
#if defined(_WIN32)
  const int rc = ::_pclose(pipe);
  if (status)
    *status = rc;
#else
  const int rc = ::pclose(pipe);
  if (status)
    *status = WIFEXITED(rc) ? WEXITSTATUS(rc) : -1;
#endif
  return out;
}

// The tools the interop tests run are Linux programs.
inline bool haveTool(const std::string& path) {
#if defined(_WIN32)
  (void)path;
  return false;
#else
  return ::access(path.c_str(), X_OK) == 0;
#endif
}

inline bool haveOlefile() {
  if (!haveTool("/usr/bin/python3"))
    return false;
  int status = 0;
  run("/usr/bin/python3 -c 'import olefile' 2>/dev/null", &status);
  return status == 0;
}

// Little-endian patching of byte buffers.
inline void putU16(std::vector<std::byte>& b, std::size_t at, std::uint16_t v) {
  for (int i = 0; i < 2; ++i)
    b[at + i] = static_cast<std::byte>((v >> (8 * i)) & 0xFF);
}
inline void putU32(std::vector<std::byte>& b, std::size_t at, std::uint32_t v) {
  for (int i = 0; i < 4; ++i)
    b[at + i] = static_cast<std::byte>((v >> (8 * i)) & 0xFF);
}
inline void putU64(std::vector<std::byte>& b, std::size_t at, std::uint64_t v) {
  for (int i = 0; i < 8; ++i)
    b[at + i] = static_cast<std::byte>((v >> (8 * i)) & 0xFF);
}
inline std::uint32_t getU32(const std::vector<std::byte>& b, std::size_t at) {
  std::uint32_t v = 0;
  for (int i = 0; i < 4; ++i)
    v |= std::to_integer<std::uint32_t>(b[at + i]) << (8 * i);
  return v;
}

// A compound file laid out by hand: sector 0 the FAT, sector 1 the directory,
// sector 2 the mini FAT, then the mini stream and one large stream. The
// directory holds the root, a large stream "Big" and a small stream "Small"
// ("Big" is the root's child, "Small" its right sibling).
struct HandBuiltFile {
  std::size_t sectorSize = 512;
  std::vector<std::byte> big;
  std::vector<std::byte> small;

  // Offsets of interesting fields, filled by build().
  std::size_t directoryOffset = 0;  // of entry 0
  std::size_t fatOffset = 0;
  std::size_t miniFatOffset = 0;
  std::uint32_t bigStart = 0;

  std::vector<std::byte> build() {
    const std::size_t s = sectorSize;
    const std::uint16_t shift = s == 4096 ? 12 : 9;
    const std::size_t miniSectors = (small.size() + 63) / 64;
    const std::size_t miniStreamSectors = (miniSectors * 64 + s - 1) / s;
    const std::size_t bigSectors = (big.size() + s - 1) / s;
    const std::uint32_t miniStart = 3;
    bigStart = static_cast<std::uint32_t>(3 + miniStreamSectors);
    const std::size_t total = 3 + miniStreamSectors + bigSectors;
    std::vector<std::byte> out((total + 1) * s, std::byte{0});
    const unsigned char sig[8] = {0xD0, 0xCF, 0x11, 0xE0, 0xA1, 0xB1, 0x1A, 0xE1};
    for (int i = 0; i < 8; ++i)
      out[i] = static_cast<std::byte>(sig[i]);
    putU16(out, 24, 0x3E);
    putU16(out, 26, s == 4096 ? 4 : 3);
    putU16(out, 28, 0xFFFE);
    putU16(out, 30, shift);
    putU16(out, 32, 6);
    putU32(out, 40, s == 4096 ? 1 : 0);
    putU32(out, 44, 1);  // FAT sectors
    putU32(out, 48, 1);  // first directory sector
    putU32(out, 56, 4096);
    putU32(out, 60, 2);  // first mini FAT sector
    putU32(out, 64, 1);
    putU32(out, 68, 0xFFFFFFFE);
    putU32(out, 72, 0);
    putU32(out, 76, 0);  // DIFAT[0] = sector 0
    for (int i = 1; i < 109; ++i)
      putU32(out, 76 + 4 * i, 0xFFFFFFFF);
    auto sectorAt = [&](std::size_t n) { return (n + 1) * s; };
    fatOffset = sectorAt(0);
    for (std::size_t i = 0; i < s / 4; ++i)
      putU32(out, fatOffset + 4 * i, 0xFFFFFFFF);
    putU32(out, fatOffset + 0, 0xFFFFFFFD);
    putU32(out, fatOffset + 4, 0xFFFFFFFE);
    putU32(out, fatOffset + 8, 0xFFFFFFFE);
    for (std::size_t k = 0; k < miniStreamSectors; ++k) {
      putU32(out, fatOffset + 4 * (miniStart + k),
             k + 1 == miniStreamSectors ? 0xFFFFFFFE : miniStart + k + 1);
    }
    for (std::size_t k = 0; k < bigSectors; ++k) {
      putU32(out, fatOffset + 4 * (bigStart + k),
             k + 1 == bigSectors ? 0xFFFFFFFE : static_cast<std::uint32_t>(bigStart + k + 1));
    }
    miniFatOffset = sectorAt(2);
    for (std::size_t i = 0; i < s / 4; ++i)
      putU32(out, miniFatOffset + 4 * i, 0xFFFFFFFF);
    for (std::size_t k = 0; k < miniSectors; ++k) {
      putU32(out, miniFatOffset + 4 * k,
             k + 1 == miniSectors ? 0xFFFFFFFE : static_cast<std::uint32_t>(k + 1));
    }
    directoryOffset = sectorAt(1);
    auto entry = [&](std::size_t index, const std::u16string& name, std::uint8_t type,
                     std::uint32_t left, std::uint32_t right, std::uint32_t child,
                     std::uint32_t start, std::uint64_t size) {
      const std::size_t o = directoryOffset + 128 * index;
      for (std::size_t i = 0; i < name.size(); ++i)
        putU16(out, o + 2 * i, name[i]);
      putU16(out, o + 64, static_cast<std::uint16_t>((name.size() + 1) * 2));
      out[o + 66] = static_cast<std::byte>(type);
      out[o + 67] = std::byte{1};
      putU32(out, o + 68, left);
      putU32(out, o + 72, right);
      putU32(out, o + 76, child);
      putU32(out, o + 116, start);
      putU64(out, o + 120, size);
    };
    for (std::size_t i = 0; i < s / 128; ++i) {
      entry(i, u"", 0, 0xFFFFFFFF, 0xFFFFFFFF, 0xFFFFFFFF, 0, 0);
    }
    entry(0, u"Root Entry", 5, 0xFFFFFFFF, 0xFFFFFFFF, 1, miniSectors ? miniStart : 0xFFFFFFFE,
          miniSectors * 64);
    entry(1, u"Big", 2, 0xFFFFFFFF, 2, 0xFFFFFFFF, big.empty() ? 0xFFFFFFFE : bigStart, big.size());
    entry(2, u"Small", 2, 0xFFFFFFFF, 0xFFFFFFFF, 0xFFFFFFFF, 0, small.size());
    for (std::size_t i = 0; i < small.size(); ++i)
      out[sectorAt(miniStart) + i] = small[i];
    for (std::size_t i = 0; i < big.size(); ++i)
      out[sectorAt(bigStart) + i] = big[i];
    return out;
  }
};

inline std::vector<std::byte> patternBytes(std::size_t n, unsigned seed) {
  std::vector<std::byte> out(n);
  std::uint32_t x = seed * 2654435761u + 1;
  for (auto& b : out) {
    x = x * 1103515245u + 12345u;
    b = static_cast<std::byte>(x >> 16);
  }
  return out;
}

}  // namespace tallyvane::testing
