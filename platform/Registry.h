#pragma once
// The registry, shaped after RegConnectRegistryW, RegOpenKeyExW, RegEnumKeyExW,
// RegQueryValueExW and RegCloseKey. Status values are WinError codes; names are
// UTF-8 here and compared as Windows does (ASCII letters without regard to case).
// String values hold UTF-16LE bytes with their terminator, as on Windows.
#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>

#include "platform/WinError.h"

namespace tallyvane::platform {

using RegKey = std::uint64_t;
inline constexpr RegKey kNoKey = 0;
inline constexpr RegKey kHKeyClassesRoot = 0x80000000;
inline constexpr RegKey kHKeyCurrentUser = 0x80000001;
inline constexpr RegKey kHKeyLocalMachine = 0x80000002;
inline constexpr RegKey kHKeyUsers = 0x80000003;

enum RegAccess : std::uint32_t {
  kKeyQueryValue = 0x0001,
  kKeyEnumerateSubKeys = 0x0008,
  kKeyRead = 0x20019,
  kKeyWow64_64Key = 0x0100,
  kKeyWow64_32Key = 0x0200,
};

enum RegValueType : std::uint32_t {
  kRegNone = 0,
  kRegSz = 1,
  kRegExpandSz = 2,
  kRegBinary = 3,
  kRegDword = 4,
  kRegMultiSz = 7,
  kRegQword = 11,
};

class Registry {
 public:
  virtual ~Registry() = default;
  // RegConnectRegistryW: `machine` empty for the local machine, else "\\name".
  virtual std::uint32_t connect(std::string_view machine, RegKey root, RegKey& result) = 0;
  // RegOpenKeyExW.
  virtual std::uint32_t openKey(RegKey parent, std::string_view subKey, std::uint32_t access,
                                RegKey& result) = 0;
  // RegEnumKeyExW: the name of subkey `index` when it fits in `bufferChars` UTF-16
  // units with its terminator (else kErrorMoreData); kErrorNoMoreItems past the end.
  virtual std::uint32_t enumKey(RegKey key, std::uint32_t index, std::uint32_t bufferChars,
                                std::string& name) = 0;
  // RegQueryValueExW: copies the value into `buffer` and sets `size` to its byte
  // length; when it does not fit, kErrorMoreData with `size` set to the length
  // needed. An empty buffer asks for the size only (kErrorSuccess).
  virtual std::uint32_t queryValue(RegKey key, std::string_view valueName, std::uint32_t& type,
                                   std::span<std::byte> buffer, std::uint32_t& size) = 0;
  // RegCloseKey.
  virtual std::uint32_t closeKey(RegKey key) = 0;
};

// Convenience readers over queryValue, for callers that take the whole value.
// A REG_SZ/REG_EXPAND_SZ value as UTF-8, up to its first NUL.
std::optional<std::string> readStringValue(Registry& registry, RegKey key,
                                           std::string_view valueName);
// A REG_DWORD (or a 4-byte REG_BINARY) value.
std::optional<std::uint32_t> readDwordValue(Registry& registry, RegKey key,
                                            std::string_view valueName);

}  // namespace tallyvane::platform
