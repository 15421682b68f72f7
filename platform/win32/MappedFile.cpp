#include "platform/MappedFile.h"

#include <windows.h>

#include "platform/Unicode.h"

namespace tallyvane::platform {

namespace {

struct HandleCloser {
  void operator()(HANDLE handle) const {
    if (handle != nullptr && handle != INVALID_HANDLE_VALUE)
      ::CloseHandle(handle);
  }
};
using OwnedHandle = std::unique_ptr<void, HandleCloser>;

std::string lastErrorText(const char* what) {
  return std::string(what) + " (error " + std::to_string(::GetLastError()) + ")";
}

}  // namespace

Expected<std::unique_ptr<MappedFile>> MappedFile::open(const std::string& path, Access access) {
  const std::u16string wide = utf8ToUtf16(path);
  const OwnedHandle file(::CreateFileW(
      reinterpret_cast<const wchar_t*>(wide.c_str()), GENERIC_READ,
      FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr, OPEN_EXISTING,
      access == Access::kWhole ? FILE_FLAG_SEQUENTIAL_SCAN : FILE_FLAG_RANDOM_ACCESS, nullptr));
  if (file.get() == INVALID_HANDLE_VALUE)
    return Error{lastErrorText("cannot open the file")};
  LARGE_INTEGER size{};
  if (!::GetFileSizeEx(file.get(), &size))
    return Error{lastErrorText("cannot read the file's size")};
  std::unique_ptr<MappedFile> mapped(new MappedFile);
  if (size.QuadPart > 0) {
    // The view keeps the mapping alive once it exists.
    const OwnedHandle mapping(
        ::CreateFileMappingW(file.get(), nullptr, PAGE_READONLY, 0, 0, nullptr));
    if (mapping.get() == nullptr)
      return Error{lastErrorText("cannot map the file")};
    void* view = ::MapViewOfFile(mapping.get(), FILE_MAP_READ, 0, 0, 0);
    if (view == nullptr)
      return Error{lastErrorText("cannot map the file")};
    mapped->data_ = static_cast<const std::byte*>(view);
    mapped->size_ = static_cast<std::size_t>(size.QuadPart);
    mapped->handle_ = view;
  }
  return mapped;
}

MappedFile::~MappedFile() {
  if (handle_ != nullptr)
    ::UnmapViewOfFile(handle_);
}

}  // namespace tallyvane::platform
