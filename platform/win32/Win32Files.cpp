// Files on Windows: CreateFileW with UTF-16 paths, LockFileEx for sharing,
// FlushFileBuffers and MoveFileExW (replace existing, write through) for the
// atomic replacement.
#include <windows.h>

#include <algorithm>
#include <atomic>
#include <string_view>

#include "platform/Files.h"
#include "platform/Unicode.h"
#include "platform/WinError.h"

namespace tallyvane::platform {

namespace {

// The lock covers one byte far beyond any data, so that it excludes other
// lockers without keeping anyone from reading the file.
constexpr DWORD kLockOffsetHigh = 0x7FFFFFFF;
constexpr DWORD kLockOffsetLow = 0;

constexpr std::wstring_view kTempMarker = L".~";
constexpr std::size_t kTempSuffix = 6;

std::wstring wide(const std::string& utf8) {
  const std::u16string u = utf8ToUtf16(utf8);
  return std::wstring(u.begin(), u.end());
}

HANDLE handleOf(const FileHandle& file) {
  return reinterpret_cast<HANDLE>(file.native());
}

FileHandle own(HANDLE h) {
  return FileHandle(h == INVALID_HANDLE_VALUE ? FileHandle::kInvalid
                                              : reinterpret_cast<FileHandle::Native>(h));
}

std::uint32_t lastError() {
  const DWORD error = GetLastError();
  return error == ERROR_SUCCESS ? kErrorGenFailure : static_cast<std::uint32_t>(error);
}

std::uint32_t lockFile(HANDLE h, FileLock lock) {
  if (lock == FileLock::None)
    return kErrorSuccess;
  OVERLAPPED at{};
  at.Offset = kLockOffsetLow;
  at.OffsetHigh = kLockOffsetHigh;
  DWORD flags = LOCKFILE_FAIL_IMMEDIATELY;
  if (lock == FileLock::Exclusive)
    flags |= LOCKFILE_EXCLUSIVE_LOCK;
  if (LockFileEx(h, flags, 0, 1, 0, &at))
    return kErrorSuccess;
  const DWORD error = GetLastError();
  return error == ERROR_LOCK_VIOLATION || error == ERROR_IO_PENDING
             ? kErrorSharingViolation
             : static_cast<std::uint32_t>(error);
}

std::uint32_t writeAll(HANDLE h, const std::byte* data, std::size_t size) {
  while (size > 0) {
    const DWORD part = static_cast<DWORD>(std::min<std::size_t>(size, 1u << 30));
    DWORD written = 0;
    if (!WriteFile(h, data, part, &written, nullptr))
      return lastError();
    if (written == 0)
      return kErrorWriteFault;
    data += written;
    size -= written;
  }
  return kErrorSuccess;
}

std::wstring directoryOf(const std::wstring& path) {
  const auto slash = path.find_last_of(L"\\/");
  if (slash == std::wstring::npos)
    return L".";
  return path.substr(0, slash + 1 == path.size() ? slash + 1 : slash);
}

std::wstring nameOf(const std::wstring& path) {
  const auto slash = path.find_last_of(L"\\/");
  return slash == std::wstring::npos ? path : path.substr(slash + 1);
}

std::wstring tempSuffix() {
  static std::atomic<std::uint32_t> counter{0};
  std::uint64_t seed = GetTickCount64() ^ (std::uint64_t{GetCurrentProcessId()} << 20) ^
                       counter.fetch_add(0x9E3779B9u);
  static constexpr wchar_t kDigits[] = L"abcdefghijklmnopqrstuvwxyz0123456789";
  std::wstring suffix;
  for (std::size_t i = 0; i < kTempSuffix; ++i) {
    suffix.push_back(kDigits[seed % 36]);
    seed = seed / 36 + (seed << 7);
  }
  return suffix;
}

}  // namespace

void FileHandle::reset(Native native) {
  if (native_ != kInvalid)
    CloseHandle(reinterpret_cast<HANDLE>(native_));
  native_ = native;
}

std::uint32_t openFile(const std::string& path, FileAccess access, FileLock lock, FileHandle& out) {
  out.reset();
  const std::wstring name = wide(path);
  const DWORD attributes = GetFileAttributesW(name.c_str());
  if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY))
    return kErrorAccessDenied;
  const DWORD rights = GENERIC_READ | (access == FileAccess::ReadWrite ? GENERIC_WRITE : 0);
  FileHandle file =
      own(CreateFileW(name.c_str(), rights, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                      nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
  if (!file.valid())
    return lastError();
  if (const std::uint32_t error = lockFile(handleOf(file), lock))
    return error;
  out = std::move(file);
  return kErrorSuccess;
}

std::uint32_t fileSize(const FileHandle& file, std::uint64_t& size) {
  LARGE_INTEGER bytes{};
  if (!GetFileSizeEx(handleOf(file), &bytes))
    return lastError();
  size = static_cast<std::uint64_t>(bytes.QuadPart);
  return kErrorSuccess;
}

std::uint32_t rewindFile(const FileHandle& file) {
  LARGE_INTEGER start{};
  return SetFilePointerEx(handleOf(file), start, nullptr, FILE_BEGIN) ? kErrorSuccess : kErrorSeek;
}

std::uint32_t readChunk(const FileHandle& file, std::span<std::byte> into, std::size_t& got) {
  got = 0;
  DWORD n = 0;
  const auto want = static_cast<DWORD>(std::min<std::size_t>(into.size(), 1u << 30));
  if (!ReadFile(handleOf(file), into.data(), want, &n, nullptr))
    return kErrorReadFault;
  got = n;
  return kErrorSuccess;
}

std::uint32_t fileExists(const std::string& path) {
  if (GetFileAttributesW(wide(path).c_str()) != INVALID_FILE_ATTRIBUTES)
    return kErrorSuccess;
  return lastError();
}

std::uint32_t replaceFile(const std::string& path, std::span<const std::byte> data,
                          const ReplaceOptions& options) {
  const std::wstring target = wide(path);
  std::wstring temp;
  FileHandle file;
  for (int attempt = 0; attempt < 16 && !file.valid(); ++attempt) {
    temp = target + std::wstring(kTempMarker) + tempSuffix();
    // Not shared while it is written: removeStaleTemporaries cannot open it.
    file = own(CreateFileW(temp.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                           FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file.valid() && GetLastError() != ERROR_FILE_EXISTS)
      return lastError();
  }
  if (!file.valid())
    return kErrorFileExists;
  const auto fail = [&](std::uint32_t error) {
    file.reset();
    DeleteFileW(temp.c_str());
    return error;
  };
  const std::size_t half = data.size() / 2;
  if (const std::uint32_t error = writeAll(handleOf(file), data.data(), half))
    return fail(error);
  if (options.halfway)
    options.halfway();
  if (const std::uint32_t error = writeAll(handleOf(file), data.data() + half, data.size() - half))
    return fail(error);
  if (!FlushFileBuffers(handleOf(file)))
    return fail(lastError());
  file.reset();
  // Windows does not replace a file that is open, so the caller's handle (and
  // its lock) is let go for the move and taken again on the new file.
  const bool hadHandle = options.held && options.held->valid();
  if (hadHandle)
    options.held->reset();
  if (!MoveFileExW(temp.c_str(), target.c_str(),
                   MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)) {
    const std::uint32_t error = lastError();
    DeleteFileW(temp.c_str());
    if (hadHandle)
      openFile(path, FileAccess::Read, FileLock::Exclusive, *options.held);
    return error;
  }
  if (options.held)
    openFile(path, FileAccess::Read, FileLock::Exclusive, *options.held);
  return kErrorSuccess;
}

void removeStaleTemporaries(const std::string& path) {
  const std::wstring target = wide(path);
  const std::wstring directory = directoryOf(target);
  const std::wstring prefix = nameOf(target) + std::wstring(kTempMarker);
  const std::wstring pattern = directory + L"\\" + prefix + L"*";
  WIN32_FIND_DATAW found{};
  const HANDLE search = FindFirstFileW(pattern.c_str(), &found);
  if (search == INVALID_HANDLE_VALUE)
    return;
  do {
    const std::wstring_view name(found.cFileName);
    if ((found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) ||
        name.size() != prefix.size() + kTempSuffix)
      continue;
    const std::wstring full = directory + L"\\" + std::wstring(name);
    // A write in progress keeps its temporary file unshared, so this open
    // fails for it; a temporary nobody holds is deleted when closed.
    const HANDLE h = CreateFileW(full.c_str(), DELETE, 0, nullptr, OPEN_EXISTING,
                                 FILE_FLAG_DELETE_ON_CLOSE, nullptr);
    if (h != INVALID_HANDLE_VALUE)
      CloseHandle(h);
  } while (FindNextFileW(search, &found));
  FindClose(search);
}

}  // namespace tallyvane::platform
