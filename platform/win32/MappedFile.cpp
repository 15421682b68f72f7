#include "platform/MappedFile.h"

#include <windows.h>

#include "platform/Unicode.h"

namespace tallyvane::platform {

namespace {

std::string lastErrorText(const char* what) {
  return std::string(what) + " (error " + std::to_string(::GetLastError()) + ")";
}

}  // namespace

std::unique_ptr<MappedFile> MappedFile::open(const std::string& path, std::string* error,
                                             Access access) {
  const std::u16string wide = utf8ToUtf16(path);
  HANDLE file = ::CreateFileW(
      reinterpret_cast<const wchar_t*>(wide.c_str()), GENERIC_READ,
      FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr, OPEN_EXISTING,
      access == Access::kWhole ? FILE_FLAG_SEQUENTIAL_SCAN : FILE_FLAG_RANDOM_ACCESS, nullptr);
  if (file == INVALID_HANDLE_VALUE) {
    if (error != nullptr)
      *error = lastErrorText("cannot open the file");
    return nullptr;
  }
  LARGE_INTEGER size{};
  if (!::GetFileSizeEx(file, &size)) {
    if (error != nullptr)
      *error = lastErrorText("cannot read the file's size");
    ::CloseHandle(file);
    return nullptr;
  }
  std::unique_ptr<MappedFile> mapped(new MappedFile);
  if (size.QuadPart > 0) {
    HANDLE mapping = ::CreateFileMappingW(file, nullptr, PAGE_READONLY, 0, 0, nullptr);
    if (mapping == nullptr) {
      if (error != nullptr)
        *error = lastErrorText("cannot map the file");
      ::CloseHandle(file);
      return nullptr;
    }
    void* view = ::MapViewOfFile(mapping, FILE_MAP_READ, 0, 0, 0);
    if (view == nullptr && error != nullptr)
      *error = lastErrorText("cannot map the file");
    ::CloseHandle(mapping);  // the view keeps the mapping alive
    if (view == nullptr) {
      ::CloseHandle(file);
      return nullptr;
    }
    mapped->data_ = static_cast<const std::byte*>(view);
    mapped->size_ = static_cast<std::size_t>(size.QuadPart);
    mapped->handle_ = view;
  }
  ::CloseHandle(file);
  return mapped;
}

MappedFile::~MappedFile() {
  if (handle_ != nullptr)
    ::UnmapViewOfFile(handle_);
}

}  // namespace tallyvane::platform
