// Files on Linux: descriptors, flock for sharing, a temporary file made with
// mkostemp, fsync, and rename for the atomic replacement.
#include <dirent.h>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <string_view>

#include "platform/Files.h"
#include "platform/WinError.h"

namespace tallyvane::platform {

namespace {

std::uint32_t fromErrno(int error) {
  switch (error) {
    case 0:
      return kErrorSuccess;
    case ENOENT:
      return kErrorFileNotFound;
    case ENOTDIR:
      return kErrorPathNotFound;
    case EACCES:
    case EPERM:
    case EISDIR:
      return kErrorAccessDenied;
    case EROFS:
      return kErrorWriteProtect;
    case ENOSPC:
    case EDQUOT:
    case EFBIG:
      return kErrorDiskFull;
    case EMFILE:
    case ENFILE:
      return kErrorTooManyOpenFiles;
    case ENOMEM:
      return kErrorNotEnoughMemory;
    case EEXIST:
      return kErrorFileExists;
    case ENAMETOOLONG:
      return kErrorInvalidName;
    case EWOULDBLOCK:
      return kErrorSharingViolation;
    case EIO:
      return kErrorGenFailure;
    default:
      return kErrorGenFailure;
  }
}

int fdOf(const FileHandle& file) {
  return static_cast<int>(file.native());
}

std::uint32_t writeAll(int fd, const std::byte* data, std::size_t size) {
  while (size > 0) {
    const ssize_t n = ::write(fd, data, size);
    if (n < 0) {
      if (errno == EINTR)
        continue;
      return fromErrno(errno);
    }
    if (n == 0)
      return kErrorWriteFault;
    data += n;
    size -= static_cast<std::size_t>(n);
  }
  return kErrorSuccess;
}

std::string directoryOf(const std::string& path) {
  const auto slash = path.rfind('/');
  if (slash == std::string::npos)
    return ".";
  if (slash == 0)
    return "/";
  return path.substr(0, slash);
}

std::string nameOf(const std::string& path) {
  const auto slash = path.rfind('/');
  return slash == std::string::npos ? path : path.substr(slash + 1);
}

constexpr std::string_view kTempMarker = ".~";
constexpr std::size_t kTempSuffix = 6;

}  // namespace

void FileHandle::reset(Native native) {
  if (native_ != kInvalid)
    ::close(static_cast<int>(native_));
  native_ = native;
}

std::uint32_t openFile(const std::string& path, FileAccess access, FileLock lock, FileHandle& out) {
  out.reset();
  const int flags = (access == FileAccess::ReadWrite ? O_RDWR : O_RDONLY) | O_CLOEXEC;
  const int how = lock == FileLock::Shared ? LOCK_SH : LOCK_EX;
  // The lock is taken on the file the path names at that moment: when a save
  // puts a new file in place meanwhile, the new one is opened again.
  for (int attempt = 0; attempt < 8; ++attempt) {
    FileHandle file(::open(path.c_str(), flags, 0666));
    if (!file.valid())
      return fromErrno(errno);
    struct stat opened {};
    if (::fstat(fdOf(file), &opened) != 0)
      return fromErrno(errno);
    if (S_ISDIR(opened.st_mode))
      return kErrorAccessDenied;
    if (lock == FileLock::None) {
      out = std::move(file);
      return kErrorSuccess;
    }
    if (::flock(fdOf(file), how | LOCK_NB) != 0)
      return errno == EWOULDBLOCK ? kErrorSharingViolation : fromErrno(errno);
    struct stat now {};
    if (::stat(path.c_str(), &now) == 0 && now.st_ino == opened.st_ino &&
        now.st_dev == opened.st_dev) {
      out = std::move(file);
      return kErrorSuccess;
    }
  }
  return kErrorLockViolation;
}

std::uint32_t fileSize(const FileHandle& file, std::uint64_t& size) {
  struct stat st {};
  if (::fstat(fdOf(file), &st) != 0)
    return fromErrno(errno);
  size = static_cast<std::uint64_t>(std::max<off_t>(st.st_size, 0));
  return kErrorSuccess;
}

std::uint32_t rewindFile(const FileHandle& file) {
  return ::lseek(fdOf(file), 0, SEEK_SET) < 0 ? kErrorSeek : kErrorSuccess;
}

std::uint32_t readChunk(const FileHandle& file, std::span<std::byte> into, std::size_t& got) {
  got = 0;
  for (;;) {
    const ssize_t n = ::read(fdOf(file), into.data(), into.size());
    if (n >= 0) {
      got = static_cast<std::size_t>(n);
      return kErrorSuccess;
    }
    if (errno != EINTR)
      return kErrorReadFault;
  }
}

std::uint32_t fileExists(const std::string& path) {
  struct stat st {};
  return ::stat(path.c_str(), &st) == 0 ? kErrorSuccess : fromErrno(errno);
}

std::uint32_t replaceFile(const std::string& path, std::span<const std::byte> data,
                          const ReplaceOptions& options) {
  std::string temp = path;
  temp += kTempMarker;
  temp.append(kTempSuffix, 'X');
  FileHandle file(::mkostemp(temp.data(), O_CLOEXEC));
  if (!file.valid())
    return fromErrno(errno);
  const int fd = fdOf(file);
  const auto fail = [&](std::uint32_t error) {
    ::unlink(temp.c_str());
    return error;
  };
  // Locked before it gets its name, so the lock on the file never lapses;
  // the lock also tells removeStaleTemporaries that this write is alive.
  ::flock(fd, LOCK_EX | LOCK_NB);
  struct stat old {};
  if ((options.held && options.held->valid() && ::fstat(fdOf(*options.held), &old) == 0) ||
      ::stat(path.c_str(), &old) == 0) {
    ::fchmod(fd, old.st_mode & 07777);
  } else {
    const mode_t mask = ::umask(0);
    ::umask(mask);
    ::fchmod(fd, 0666 & ~mask);
  }
  const std::size_t half = data.size() / 2;
  if (const std::uint32_t error = writeAll(fd, data.data(), half))
    return fail(error);
  if (options.halfway)
    options.halfway();
  if (const std::uint32_t error = writeAll(fd, data.data() + half, data.size() - half))
    return fail(error);
  // Some file systems report a full disk only when the data is flushed.
  if (::fsync(fd) != 0)
    return fail(errno == ENOSPC || errno == EDQUOT ? kErrorDiskFull : kErrorWriteFault);
  if (::rename(temp.c_str(), path.c_str()) != 0)
    return fail(fromErrno(errno));
  // The new name itself reaches the disk with its directory.
  if (FileHandle dir(::open(directoryOf(path).c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
      dir.valid()) {
    ::fsync(fdOf(dir));
  }
  if (options.held)
    *options.held = std::move(file);
  return kErrorSuccess;
}

void removeStaleTemporaries(const std::string& path) {
  const std::string directory = directoryOf(path);
  const std::string prefix = nameOf(path) + std::string(kTempMarker);
  DIR* dir = ::opendir(directory.c_str());
  if (!dir)
    return;
  while (const dirent* entry = ::readdir(dir)) {
    const std::string_view name(entry->d_name);
    if (name.size() != prefix.size() + kTempSuffix || !name.starts_with(prefix))
      continue;
    const std::string full = directory + "/" + std::string(name);
    FileHandle file(::open(full.c_str(), O_RDONLY | O_CLOEXEC | O_NOFOLLOW));
    if (!file.valid())
      continue;
    struct stat st {};
    if (::fstat(fdOf(file), &st) != 0 || !S_ISREG(st.st_mode))
      continue;
    // A write in progress holds the lock on its temporary file.
    if (::flock(fdOf(file), LOCK_EX | LOCK_NB) == 0)
      ::unlink(full.c_str());
  }
  ::closedir(dir);
}

}  // namespace tallyvane::platform
