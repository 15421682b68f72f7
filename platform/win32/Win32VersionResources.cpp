// Version information through version.dll: GetFileVersionInfoSizeW,
// GetFileVersionInfoW and VerQueryValueW.
#include <windows.h>

#include "platform/Unicode.h"
#include "platform/win32/Win32Services.h"

namespace tallyvane::platform {

bool Win32VersionResources::getFileVersionInfo(std::string_view fileName,
                                               std::vector<std::byte>& data) {
  const std::wstring name = toWide(fileName);
  DWORD ignored = 0;
  const DWORD size = GetFileVersionInfoSizeW(name.c_str(), &ignored);
  if (size == 0)
    return false;
  std::vector<std::byte> buffer(size);
  if (!GetFileVersionInfoW(name.c_str(), 0, size, buffer.data()))
    return false;
  data = std::move(buffer);
  return true;
}

bool Win32VersionResources::queryValue(std::span<const std::byte> data, std::string_view subBlock,
                                       std::span<const std::byte>& value) {
  if (data.size() < 6)
    return false;
  const std::wstring path = toWide(subBlock);
  void* pointer = nullptr;
  UINT length = 0;
  if (!VerQueryValueW(data.data(), path.c_str(), &pointer, &length) || pointer == nullptr)
    return false;
  const auto* start = static_cast<const std::byte*>(pointer);
  if (start < data.data() || start > data.data() + data.size())
    return false;
  // Text values are counted in characters, binary values in bytes.
  const bool text =
      subBlock.size() > 1 && equalsIgnoreAsciiCase(subBlock.substr(0, 15), "\\StringFileInfo");
  std::size_t bytes = text ? std::size_t{length} * 2 : std::size_t{length};
  const std::size_t room = static_cast<std::size_t>(data.data() + data.size() - start);
  if (bytes > room)
    bytes = room;
  value = std::span<const std::byte>(start, bytes);
  return true;
}

}  // namespace tallyvane::platform
