#pragma once
// The compound file format ([MS-CFB]): a tree of storages and streams laid out
// in sectors with a FAT, a mini FAT for small streams and a directory whose
// siblings form a red-black tree. Files are read whole into an Entry tree and
// written whole from one; the open-file logic lives in StorageFile.h.
#include <cstddef>
#include <cstdint>
#include <memory>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "storage/Guid.h"
#include "storage/StorageError.h"

namespace tallyvane::cfb {

// Directory object types ([MS-CFB] 2.6.1).
enum class EntryType : std::uint8_t { Unallocated = 0, Storage = 1, Stream = 2, Root = 5 };

inline constexpr std::uint32_t kMaxRegSect = 0xFFFFFFFA;
inline constexpr std::uint32_t kDifSect = 0xFFFFFFFC;
inline constexpr std::uint32_t kFatSect = 0xFFFFFFFD;
inline constexpr std::uint32_t kEndOfChain = 0xFFFFFFFE;
inline constexpr std::uint32_t kFreeSect = 0xFFFFFFFF;
inline constexpr std::uint32_t kNoStream = 0xFFFFFFFF;
inline constexpr std::uint32_t kMiniStreamCutoff = 4096;
inline constexpr std::uint32_t kMiniSectorSize = 64;
inline constexpr std::size_t kHeaderSize = 512;
inline constexpr std::size_t kDirectoryEntrySize = 128;
inline constexpr std::size_t kMaxNameLength = 31;  // code units, without the terminator
// Streams are kept below 2 GiB: a version 3 file cannot hold more.
inline constexpr std::uint64_t kMaxStreamSize = 0x7FFFFFFF;

inline constexpr std::uint8_t kSignature[8] = {0xD0, 0xCF, 0x11, 0xE0, 0xA1, 0xB1, 0x1A, 0xE1};

// One storage or stream of the tree, with the directory fields it keeps.
struct Entry {
  std::u16string name;
  EntryType type = EntryType::Stream;
  Guid clsid;
  std::uint32_t stateBits = 0;
  std::uint64_t creationTime = 0;  // FILETIME ticks
  std::uint64_t modifiedTime = 0;
  std::vector<std::byte> data;                   // a stream's bytes
  std::vector<std::shared_ptr<Entry>> children;  // a storage's elements, in directory order

  // Handles open on this element, and whether it was taken out of the tree.
  int openCount = 0;
  bool removed = false;

  bool isStorage() const { return type == EntryType::Storage || type == EntryType::Root; }
  // The child of that name (compared as the directory compares names), or null.
  std::shared_ptr<Entry> find(std::u16string_view childName) const;
  // Adds a child at its place in directory order.
  void insert(std::shared_ptr<Entry> child);
  // Takes the named child out of the tree (marking it and its subtree removed).
  bool erase(std::u16string_view childName);
};

// Orders names as the directory's red-black tree does: shorter names first,
// names of equal length by their upper-cased code units.
int compareNames(std::u16string_view a, std::u16string_view b);
// A name can be stored: 1 to 31 code units, none of them "/", "\", ":" or "!".
bool isValidName(std::u16string_view name);

// True when the bytes start with the compound file signature.
bool hasSignature(std::span<const std::byte> bytes);

struct ParsedFile {
  HRESULT status = kSOk;
  std::shared_ptr<Entry> root;
  std::uint16_t majorVersion = 0;
  std::string detail;  // what was wrong, for diagnostics
};

// Reads a whole compound file of version 3 or 4. Bad input gives
// STG_E_FILEALREADYEXISTS (not a compound file), STG_E_INVALIDHEADER or
// STG_E_DOCFILECORRUPT with a detail text; it never reads outside `bytes`.
ParsedFile parseCompoundFile(std::span<const std::byte> bytes);

// Lays out the tree as a version 3 file (512-byte sectors).
std::vector<std::byte> writeCompoundFile(const Entry& root);

// A new empty root entry.
std::shared_ptr<Entry> makeRoot();

}  // namespace tallyvane::cfb
