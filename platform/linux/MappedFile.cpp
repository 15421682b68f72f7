#include "platform/MappedFile.h"

#include <fcntl.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

namespace tallyvane::platform {

Expected<std::unique_ptr<MappedFile>> MappedFile::open(const std::string& path, Access access) {
  auto fail = [](const char* what) -> Expected<std::unique_ptr<MappedFile>> {
    return Error{std::string(what) + ": " + std::strerror(errno)};
  };
  const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0)
    return fail("cannot open the file");
  struct stat st {};
  if (::fstat(fd, &st) != 0) {
    const int saved = errno;
    ::close(fd);
    errno = saved;
    return fail("cannot read the file's size");
  }
  std::unique_ptr<MappedFile> file(new MappedFile);
  if (st.st_size > 0) {
    void* data = ::mmap(nullptr, static_cast<std::size_t>(st.st_size), PROT_READ,
                        MAP_PRIVATE | (access == Access::kWhole ? MAP_POPULATE : 0), fd, 0);
    const int saved = errno;
    ::close(fd);
    errno = saved;
    if (data == MAP_FAILED)
      return fail("cannot map the file");
    ::madvise(data, static_cast<std::size_t>(st.st_size),
              access == Access::kWhole ? MADV_SEQUENTIAL : MADV_RANDOM);
    file->data_ = static_cast<const std::byte*>(data);
    file->size_ = static_cast<std::size_t>(st.st_size);
    file->handle_ = data;
  } else {
    ::close(fd);
  }
  return file;
}

MappedFile::~MappedFile() {
  if (handle_ != nullptr)
    ::munmap(handle_, size_);
}

}  // namespace tallyvane::platform
