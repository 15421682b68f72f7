#include "platform/Files.h"

#include <algorithm>

namespace tallyvane::platform {

namespace {

// Appends what is left of the file after its read position, up to `limit`
// bytes in all.
std::uint32_t readRest(const FileHandle& file, std::vector<std::byte>& out, std::uint64_t limit) {
  std::byte buffer[65536];
  while (out.size() < limit) {
    const auto want =
        static_cast<std::size_t>(std::min<std::uint64_t>(sizeof buffer, limit - out.size()));
    std::size_t got = 0;
    if (const std::uint32_t error = readChunk(file, std::span(buffer, want), got))
      return error;
    if (got == 0)
      break;
    out.insert(out.end(), buffer, buffer + got);
  }
  return kErrorSuccess;
}

}  // namespace

std::uint32_t readWholeFile(const FileHandle& file, std::vector<std::byte>& out) {
  out.clear();
  std::uint64_t size = 0;
  if (fileSize(file, size) == kErrorSuccess && size < (std::uint64_t{1} << 40))
    out.reserve(static_cast<std::size_t>(size));
  if (const std::uint32_t error = rewindFile(file))
    return error;
  return readRest(file, out, UINT64_MAX);
}

std::uint32_t readFile(const std::string& path, std::vector<std::byte>& out, std::uint64_t limit) {
  out.clear();
  FileHandle file;
  if (const std::uint32_t error = openFile(path, FileAccess::Read, FileLock::None, file))
    return error;
  if (limit == UINT64_MAX)
    return readWholeFile(file, out);
  return readRest(file, out, limit);
}

}  // namespace tallyvane::platform
