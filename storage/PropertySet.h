#pragma once
// Property sets ([MS-OLEPS]): typed values addressed by a property ID or by a
// name from the set's dictionary, kept in a stream of a storage whose name is
// derived from the set's format ID.
#include <cstddef>
#include <cstdint>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "storage/Guid.h"
#include "storage/StorageError.h"
#include "storage/StorageFile.h"

namespace tallyvane {

// Value types (VT_*).
inline constexpr std::uint16_t VT_EMPTY = 0;
inline constexpr std::uint16_t VT_NULL = 1;
inline constexpr std::uint16_t VT_I2 = 2;
inline constexpr std::uint16_t VT_I4 = 3;
inline constexpr std::uint16_t VT_BSTR = 8;
inline constexpr std::uint16_t VT_ERROR = 10;
inline constexpr std::uint16_t VT_BOOL = 11;
inline constexpr std::uint16_t VT_I1 = 16;
inline constexpr std::uint16_t VT_UI1 = 17;
inline constexpr std::uint16_t VT_UI2 = 18;
inline constexpr std::uint16_t VT_UI4 = 19;
inline constexpr std::uint16_t VT_I8 = 20;
inline constexpr std::uint16_t VT_UI8 = 21;
inline constexpr std::uint16_t VT_INT = 22;
inline constexpr std::uint16_t VT_UINT = 23;
inline constexpr std::uint16_t VT_LPSTR = 30;
inline constexpr std::uint16_t VT_LPWSTR = 31;
inline constexpr std::uint16_t VT_FILETIME = 64;

// Property IDs with a meaning of their own.
inline constexpr std::uint32_t PID_DICTIONARY = 0;
inline constexpr std::uint32_t PID_CODEPAGE = 1;
inline constexpr std::uint32_t PID_FIRST_USABLE = 2;
inline constexpr std::uint32_t PID_LOCALE = 0x80000000;
inline constexpr std::uint32_t PID_BEHAVIOR = 0x80000003;

inline constexpr std::uint16_t kCodePageUnicode = 1200;

inline const Guid FMTID_SummaryInformation = GuidOf("{F29F85E0-4FF9-1068-AB91-08002B27B3D9}");
inline const Guid FMTID_DocSummaryInformation = GuidOf("{D5CDD502-2E9C-101B-9397-08002B2CF9AE}");
inline const Guid FMTID_UserDefinedProperties = GuidOf("{D5CDD505-2E9C-101B-9397-08002B2CF9AE}");

// A property value. Integer types are held in `integer`, string types as
// UTF-8 in `text`, FILETIME ticks in `fileTime`; any other type keeps its
// encoded bytes (after the type field) in `raw`.
struct PropValue {
  std::uint16_t vt = VT_EMPTY;
  std::int64_t integer = 0;
  std::uint64_t fileTime = 0;
  std::string text;
  std::vector<std::byte> raw;

  static PropValue String(std::string value);  // VT_LPWSTR
  static PropValue Int64(std::int64_t value);  // VT_I8
  static PropValue Int32(std::int32_t value);  // VT_I4
  static PropValue FileTimeValue(std::uint64_t ticks);
  bool isString() const { return vt == VT_LPWSTR || vt == VT_LPSTR || vt == VT_BSTR; }
  bool isInteger() const;
  friend bool operator==(const PropValue&, const PropValue&) = default;
};

// A property addressed by ID or by name.
struct PropSpec {
  bool byName = false;
  std::uint32_t id = 0;
  std::string name;
  static PropSpec Id(std::uint32_t id) { return PropSpec{false, id, {}}; }
  static PropSpec Name(std::string name) { return PropSpec{true, 0, std::move(name)}; }
};

// A property as the enumerator hands it out.
struct STATPROPSTG {
  std::string name;  // empty when the property has no name
  std::uint32_t propid = 0;
  std::uint16_t vt = VT_EMPTY;
  friend bool operator==(const STATPROPSTG&, const STATPROPSTG&) = default;
};

namespace cfb {

// The stream name of a property set: "\005SummaryInformation" and the other
// well-known names, else "\005" and the format ID in the format's base-32
// encoding.
std::u16string propertySetStreamName(const Guid& fmtid);

// One section of a property set stream.
struct PropertySection {
  struct Property {
    std::uint32_t id = 0;
    std::uint16_t vt = VT_EMPTY;
    std::vector<std::byte> value;  // the bytes after the type field, padded to 4
  };
  Guid fmtid;
  std::uint16_t codePage = kCodePageUnicode;
  std::vector<std::pair<std::uint32_t, std::string>> dictionary;  // names in UTF-8
  std::vector<Property> properties;  // without the dictionary and the code page
};

// A whole property set stream: header and first section; further sections
// (a user-defined section beside the document summary) are kept as bytes.
struct PropertySetData {
  std::uint16_t version = 0;
  std::uint32_t systemIdentifier = 0x0002000A;
  Guid clsid;
  PropertySection section;
  std::vector<std::pair<Guid, std::vector<std::byte>>> extraSections;
};

struct ParsedPropertySet {
  HRESULT status = kSOk;
  PropertySetData data;
  std::string detail;
};

// Reads a property set stream; bad bytes give STG_E_INVALIDHEADER or
// STG_E_DOCFILECORRUPT, never a read outside `bytes`.
ParsedPropertySet parsePropertySet(std::span<const std::byte> bytes);
std::vector<std::byte> writePropertySet(const PropertySetData& data);

// Encodes a value for the section (the bytes after the type field).
std::vector<std::byte> encodeValue(const PropValue& value, std::uint16_t codePage);
// Decodes the value bytes of type `vt`.
PropValue decodeValue(std::uint16_t vt, std::span<const std::byte> bytes, std::uint16_t codePage);

// An open property set. Every change is written into its stream at once.
class PropertyStorage {
 public:
  PropertyStorage(std::shared_ptr<Stream> stream, PropertySetData data, std::uint32_t mode);

  // S_OK with the value, S_FALSE when the property is missing.
  HRESULT Read(const PropSpec& spec, PropValue* out) const;
  // Writes a value; a new name receives the lowest free ID from
  // `propidNameFirst` upward.
  HRESULT Write(const PropSpec& spec, const PropValue& value,
                std::uint32_t propidNameFirst = PID_FIRST_USABLE);
  HRESULT Delete(const PropSpec& spec);
  // S_FALSE when the ID has no name.
  HRESULT ReadPropertyName(std::uint32_t propid, std::string* out) const;
  HRESULT WritePropertyName(std::uint32_t propid, std::string_view name);
  HRESULT Enum(std::vector<STATPROPSTG>* out) const;
  HRESULT Stat(STATPROPSETSTG* out) const;
  HRESULT Commit(std::uint32_t flags);

  const PropertySetData& data() const { return data_; }

 private:
  std::optional<std::uint32_t> idOf(const PropSpec& spec) const;
  HRESULT save();

  std::shared_ptr<Stream> stream_;
  PropertySetData data_;
  std::uint32_t mode_;
};

}  // namespace cfb
}  // namespace tallyvane
