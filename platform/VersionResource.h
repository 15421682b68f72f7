#pragma once
// Version resources (VS_VERSIONINFO), shaped after GetFileVersionInfoSizeW/
// GetFileVersionInfoW and VerQueryValueW. Besides the interface this header
// has the portable pieces every implementation may use: finding the block in
// the bytes of a PE file (resource type 16, RT_VERSION) or of one of our own
// ELF program files (the section ".tv_version"), walking the block, and
// building one.
#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace tallyvane::platform {

inline constexpr std::uint32_t kVsFixedFileInfoSignature = 0xFEEF04BD;
inline constexpr std::uint32_t kVsFfPrerelease = 0x2;
inline constexpr char kVersionSectionName[] = ".tv_version";

// VS_FIXEDFILEINFO, 52 bytes.
struct VsFixedFileInfo {
  static constexpr std::size_t kSize = 52;
  std::uint32_t dwSignature = kVsFixedFileInfoSignature;
  std::uint32_t dwStrucVersion = 0x00010000;
  std::uint32_t dwFileVersionMS = 0;
  std::uint32_t dwFileVersionLS = 0;
  std::uint32_t dwProductVersionMS = 0;
  std::uint32_t dwProductVersionLS = 0;
  std::uint32_t dwFileFlagsMask = 0x3F;
  std::uint32_t dwFileFlags = 0;
  std::uint32_t dwFileOS = 0x00040004;  // VOS_NT_WINDOWS32
  std::uint32_t dwFileType = 1;         // VFT_APP
  std::uint32_t dwFileSubtype = 0;
  std::uint32_t dwFileDateMS = 0;
  std::uint32_t dwFileDateLS = 0;
};

class VersionResources {
 public:
  virtual ~VersionResources() = default;
  // GetFileVersionInfoSizeW + GetFileVersionInfoW: the version data of a file;
  // false when the file cannot be read or has none.
  virtual bool getFileVersionInfo(std::string_view fileName, std::vector<std::byte>& data) = 0;
  // VerQueryValueW on data from getFileVersionInfo: "\\" gives the
  // VS_FIXEDFILEINFO bytes, "\\VarFileInfo\\Translation" the translation
  // array, "\\StringFileInfo\\<key>\\<name>" the UTF-16LE text (its NUL
  // included when the block has one).
  virtual bool queryValue(std::span<const std::byte> data, std::string_view subBlock,
                          std::span<const std::byte>& value) = 0;
};

// The version block of a PE or ELF file, or nothing when it has none or is
// neither. Every offset is checked; a malformed file gives nothing.
std::optional<std::vector<std::byte>> findVersionBlock(std::span<const std::byte> file);
std::optional<std::vector<std::byte>> findPeVersionBlock(std::span<const std::byte> file);
std::optional<std::vector<std::byte>> findElfVersionBlock(std::span<const std::byte> file);

// VerQueryValueW's walk of a VS_VERSIONINFO block. Path parts are compared
// without regard to ASCII case, as Windows does, so "OriginalFileName" finds
// the entry spelled "OriginalFilename".
bool queryVersionValue(std::span<const std::byte> block, std::string_view subBlock,
                       std::span<const std::byte>& value);

// The fields of a VS_VERSIONINFO block to build.
struct VersionBlockContents {
  VsFixedFileInfo fixed;
  // The translation entry (language, code page); no VarFileInfo when empty.
  std::optional<std::pair<std::uint16_t, std::uint16_t>> translation;
  // The key of the one string table ("040904B0"); no StringFileInfo when empty.
  std::string stringTableKey;
  std::vector<std::pair<std::string, std::string>> strings;
};

// Lays out a VS_VERSIONINFO block as resource compilers do.
std::vector<std::byte> buildVersionBlock(const VersionBlockContents& contents);

// The version data of a file read from disk by `findVersionBlock`.
class FileVersionResources : public VersionResources {
 public:
  bool getFileVersionInfo(std::string_view fileName, std::vector<std::byte>& data) override;
  bool queryValue(std::span<const std::byte> data, std::string_view subBlock,
                  std::span<const std::byte>& value) override;
};

}  // namespace tallyvane::platform
