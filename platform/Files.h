#pragma once
// Files on disk, as the storage layer needs them: an owned handle, a whole
// file read at once, a lock that gives a second opener the sharing error, and
// a save that writes a new file beside the old one, flushes it to the disk and
// then puts it in place of the old one in one step, so that a reader (or a
// crash) sees either the old file or the new one, whole.
//
// Failures are Windows error codes (platform/WinError.h) on every platform.
// Paths are UTF-8.
#include <cstddef>
#include <cstdint>
#include <functional>
#include <span>
#include <string>
#include <vector>

#include "platform/WinError.h"

namespace tallyvane::platform {

// An open file, closed (and its lock dropped) when the object goes away.
class FileHandle {
 public:
  // A file descriptor on Linux, a HANDLE on Windows.
  using Native = std::intptr_t;
  static constexpr Native kInvalid = -1;

  FileHandle() = default;
  explicit FileHandle(Native native) : native_(native) {}
  ~FileHandle() { reset(); }
  FileHandle(FileHandle&& other) noexcept : native_(other.release()) {}
  FileHandle& operator=(FileHandle&& other) noexcept {
    if (this != &other)
      reset(other.release());
    return *this;
  }
  FileHandle(const FileHandle&) = delete;
  FileHandle& operator=(const FileHandle&) = delete;

  bool valid() const { return native_ != kInvalid; }
  Native native() const { return native_; }
  Native release() {
    const Native n = native_;
    native_ = kInvalid;
    return n;
  }
  void reset(Native native = kInvalid);

 private:
  Native native_ = kInvalid;
};

enum class FileAccess { Read, ReadWrite };
// Shared locks exclude exclusive ones; an exclusive lock excludes every other.
enum class FileLock { None, Shared, Exclusive };

// Opens an existing file and takes the lock. A lock held by another opener
// gives kErrorSharingViolation at once (no waiting); a directory gives
// kErrorAccessDenied.
std::uint32_t openFile(const std::string& path, FileAccess access, FileLock lock, FileHandle& out);

// The size of an open file in bytes.
std::uint32_t fileSize(const FileHandle& file, std::uint64_t& size);
// Moves the read position of an open file back to its start.
std::uint32_t rewindFile(const FileHandle& file);
// Reads at most `into.size()` bytes at the read position; `got` is 0 at the end.
std::uint32_t readChunk(const FileHandle& file, std::span<std::byte> into, std::size_t& got);

// The whole content of an open file, read from its start.
std::uint32_t readWholeFile(const FileHandle& file, std::vector<std::byte>& out);
// The content of the file at `path`, at most `limit` bytes (no lock taken).
std::uint32_t readFile(const std::string& path, std::vector<std::byte>& out,
                       std::uint64_t limit = UINT64_MAX);
// kErrorSuccess when `path` names an existing file or directory, else the
// error that looking for it gave (kErrorFileNotFound, ...).
std::uint32_t fileExists(const std::string& path);

// How a replacing write behaves beyond the default.
struct ReplaceOptions {
  // The caller's handle on the file being replaced, if it holds one. After a
  // successful write it is a handle on the new file holding an exclusive
  // lock; after a failed one it is as it was.
  FileHandle* held = nullptr;
  // Called when the first half of the data has been written; tests use it to
  // stop a save in the middle.
  std::function<void()> halfway;
};

// Writes `data` into a new temporary file beside `path` (named "<path>.~"
// and six more characters), flushes it to the disk, then replaces `path` with
// it atomically (the new file keeps the old one's permissions). On failure the
// temporary file is removed and `path` is left exactly as it was.
std::uint32_t replaceFile(const std::string& path, std::span<const std::byte> data,
                          const ReplaceOptions& options = {});

// Removes the temporary files a replacing write of `path` left behind when it
// was killed. A temporary file whose write is still going on is left alone.
void removeStaleTemporaries(const std::string& path);

}  // namespace tallyvane::platform
