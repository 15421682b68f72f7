#pragma once
// A file's bytes, read-only, mapped into memory rather than copied: the
// system pages them in as they are read and shares them with its file cache.
// An empty file gives an empty span.
#include <cstddef>
#include <memory>
#include <span>
#include <string>

#include "platform/Expected.h"

namespace tallyvane::platform {

class MappedFile {
 public:
  // How the bytes will be read: all of them in order (paged in up front), or
  // a few parts of a large file (paged in only when touched).
  enum class Access { kWhole, kParts };

  // Maps the file at `path`, or says why it cannot.
  static Expected<std::unique_ptr<MappedFile>> open(const std::string& path,
                                                    Access access = Access::kWhole);

  MappedFile(const MappedFile&) = delete;
  MappedFile& operator=(const MappedFile&) = delete;
  ~MappedFile();

  std::span<const std::byte> bytes() const { return {data_, size_}; }

 private:
  MappedFile() = default;
  const std::byte* data_ = nullptr;
  std::size_t size_ = 0;
  void* handle_ = nullptr;  // what the system needs to unmap it
};

}  // namespace tallyvane::platform
