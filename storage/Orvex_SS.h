#pragma once
// A simple object layer over structured storage files: TStructuredStorage (a
// storage, the root of a file or one inside it), TStorageStream (a stream,
// usable as a byte stream) and TStoragePropertySet (a property set), with free
// functions that read and write single typed properties and move a string
// list into and out of a stream.
//
// Objects made by a storage (sub-storages, streams, property sets) hold a
// reference on it and close it when they are destroyed; free them with
// delete. A root storage is freed by its creator, which releases the file.
#include <cstdint>
#include <iosfwd>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "present/Orvex_Datetime.h"
#include "storage/Guid.h"
#include "storage/PropertySet.h"
#include "storage/StorageError.h"
#include "storage/StorageFile.h"

namespace tallyvane {

// Transforms the bytes of one stream into the other; null means none.
using TCodeStreamProcedure = void (*)(std::istream& InStream, std::ostream& OutStream);

struct TElement {
  std::string Name;
  STATSTG Props;
};
struct TPropSet {
  std::string Name;
  STATPROPSETSTG Props;
};
using TElements = std::vector<TElement>;
using TPropSets = std::vector<TPropSet>;

enum TSeekOrigin : std::uint16_t { soBeginning = 0, soCurrent = 1, soEnd = 2 };

// The byte stream interface the system's streams share.
class TStream {
 public:
  virtual ~TStream() = default;
  virtual std::int32_t Read(void* Buffer, std::int32_t Count) = 0;
  virtual std::int32_t Write(const void* Buffer, std::int32_t Count) = 0;
  // The new position (the 64-bit form).
  virtual std::int64_t Seek(std::int64_t Offset, TSeekOrigin Origin) = 0;
  // The low 32 bits of the new position (the 32-bit form).
  std::int32_t Seek(std::int32_t Offset, std::uint16_t Origin) {
    return static_cast<std::int32_t>(Seek(std::int64_t{Offset}, static_cast<TSeekOrigin>(Origin)));
  }
  std::int64_t Position() { return Seek(std::int64_t{0}, soCurrent); }
  void SetPosition(std::int64_t Value) { Seek(Value, soBeginning); }
  virtual std::int64_t Size();
  virtual void SetSize(std::int64_t Value) = 0;
};

class TStructuredStorage;

class TStorageStream : public TStream {
 public:
  TStorageStream(std::shared_ptr<cfb::Stream> Stream, TStructuredStorage* Storage);
  ~TStorageStream() override;
  TStorageStream(const TStorageStream&) = delete;
  TStorageStream& operator=(const TStorageStream&) = delete;

  std::int32_t Read(void* Buffer, std::int32_t Count) override;
  std::int32_t Write(const void* Buffer, std::int32_t Count) override;
  using TStream::Seek;
  std::int64_t Seek(std::int64_t Offset, TSeekOrigin Origin) override;
  std::int64_t Size() override;
  void SetSize(std::int64_t Value) override;

  void WriteInteger(std::int64_t Value);
  // 0 when fewer than 8 bytes are left.
  std::int64_t ReadInteger();
  void WriteBoolean(bool Value);
  // False when fewer than 4 bytes are left.
  bool ReadBoolean();
  void WriteString(std::string_view Value);
  // Empty when fewer than 4 bytes are left; a count beyond the end gives the
  // code units that are there.
  std::string ReadString();

  // Replaces the stream's content with a disk file's, read whole first
  // (EFOpenError "Cannot open file %s" when it cannot be read; the stream is
  // then left as it was).
  void LoadFromFile(const std::string& FileName);
  // Copies the stream into a disk file: a new file takes the old one's place
  // once it is complete (EFCreateError when it cannot be written; the old
  // file is then left as it was).
  void SaveToFile(const std::string& FileName);
  // A new object with its own seek pointer on the same data.
  TStorageStream* Clone();
  void Clear();

  const std::shared_ptr<cfb::Stream>& _IStream() const { return FStream; }
  TStructuredStorage* Parent() const { return FParent; }

 private:
  std::shared_ptr<cfb::Stream> FStream;
  TStructuredStorage* FParent = nullptr;
};

class TStoragePropertySet {
 public:
  TStoragePropertySet(std::shared_ptr<cfb::PropertyStorage> PropertyStorage,
                      TStructuredStorage* Storage);
  ~TStoragePropertySet();
  TStoragePropertySet(const TStoragePropertySet&) = delete;
  TStoragePropertySet& operator=(const TStoragePropertySet&) = delete;

  const std::shared_ptr<cfb::PropertyStorage>& _IPropertyStorage() const { return FPS; }
  TStructuredStorage* Parent() const { return FParent; }
  STATPROPSETSTG Stat() const;

 private:
  std::shared_ptr<cfb::PropertyStorage> FPS;
  TStructuredStorage* FParent = nullptr;
};

class TStructuredStorage {
 public:
  TStructuredStorage(TStructuredStorage* AParent, std::shared_ptr<cfb::Storage> AStorage);
  ~TStructuredStorage();
  TStructuredStorage(const TStructuredStorage&) = delete;
  TStructuredStorage& operator=(const TStructuredStorage&) = delete;

  // Drops one reference; at none left, a storage with AutoFree destroys itself.
  void Close();

  // Whether the cached element list holds the name (A to Z without regard to case).
  bool ElementExists(std::string_view AName) const;
  TElement GetElement(std::uint32_t Index) const;
  // The first cached element of that name, or an all-zero record.
  TElement FindElement(std::string_view Name) const;

  // AName may be a path "a\b\c"; the storages on the way are created too.
  TStructuredStorage* CreateSubStorage(std::string_view AName, std::uint32_t AMode);
  TStorageStream* CreateStream(std::string_view AName, std::uint32_t AMode);
  TStructuredStorage* OpenSubStorage(std::string_view AName, std::uint32_t AMode, bool CanCreate);
  TStorageStream* OpenStream(std::string_view AName, std::uint32_t AMode, bool CanCreate);

  TStoragePropertySet* CreatePropertySet(std::string_view AName, const Guid& FmtID,
                                         const Guid& ClassID, std::uint32_t AFlags,
                                         std::uint32_t AMode);
  TStoragePropertySet* OpenPropertySet(const Guid& FmtID, std::uint32_t AMode, bool CanCreate,
                                       std::string_view AName = {});

  // Removes a stream or a whole sub-storage tree. False when something could
  // not be deleted (an element open elsewhere): the deletion then stops and
  // leaves the element in place.
  bool DeleteElement(std::string_view AName);
  // The sizes of all streams here and in all sub-storages.
  std::uint64_t GetSize();

  void RefreshElements();
  void RefreshPropertySets();

  const std::shared_ptr<cfb::Storage>& _IStorage() const { return FStorage; }
  TStructuredStorage* Parent() const { return FParent; }
  bool IsRoot() const { return FParent == nullptr; }
  std::uint32_t ElementCount() const { return static_cast<std::uint32_t>(FElements.size()); }
  std::uint32_t PropertySetCount() const { return static_cast<std::uint32_t>(FPropSets.size()); }
  bool AutoFree() const { return FAutoFree; }
  void SetAutoFree(bool Value) { FAutoFree = Value; }
  const TElements& Elements() const { return FElements; }
  const TPropSets& PropertySets() const { return FPropSets; }
  std::int32_t LockCount() const { return FLockCount; }

 private:
  friend class TStorageStream;
  friend class TStoragePropertySet;
  void AddRef() { ++FLockCount; }
  // Drops the reference a path walk held on a storage it passed through.
  void ReleaseWalked(TStructuredStorage* Walked, bool HasChild);
  TStructuredStorage* OpenOrCreateStep(TStructuredStorage* Current, const std::string& Name,
                                       std::uint32_t AMode, bool CanCreate, bool& Created);
  // Walks the storages of a path ("a\\b\\element") with `StepInto` (the
  // storage below a storage, by name), then makes the last element with
  // `MakeLeaf`. Every storage passed through is released as the walk goes on,
  // and freed when the walk fails or the leaf gives nothing. `Finish` runs last,
  // whether the walk succeeded or failed.
  template <typename Step, typename Leaf, typename Done>
  auto WalkPath(std::string_view AName, Step&& StepInto, Leaf&& MakeLeaf, Done&& Finish)
      -> decltype(MakeLeaf(this, std::string()));

  std::int32_t FLockCount = 0;
  std::shared_ptr<cfb::Storage> FStorage;
  TStructuredStorage* FParent = nullptr;
  bool FAutoFree = false;
  TElements FElements;
  TPropSets FPropSets;
};

// Cuts a path at "\" (after dropping one leading "\"): the storages to walk
// and the final element name.
void SplitStoragePath(std::string_view AName, std::vector<std::string>& Storages,
                      std::string& Element);

void WriteNamedStringProperty(cfb::PropertyStorage& PS, std::string_view Name,
                              std::string_view Value);
void WriteNamedIntegerProperty(cfb::PropertyStorage& PS, std::string_view Name, std::int64_t Value);
void WriteStringProperty(cfb::PropertyStorage& PS, std::uint32_t PropID, std::string_view Value);
// The date-time as a FILETIME without time-zone conversion.
void WriteDateTimeProperty(cfb::PropertyStorage& PS, std::uint32_t PropID, TDateTime Value);
std::string ReadNamedStringProperty(cfb::PropertyStorage& PS, std::string_view Name);
std::int64_t ReadNamedIntegerProperty(cfb::PropertyStorage& PS, std::string_view Name);
std::string ReadStringProperty(cfb::PropertyStorage& PS, std::uint32_t PropID);
TDateTime ReadDateTimeProperty(cfb::PropertyStorage& PS, std::uint32_t PropID, bool ToLocal,
                               platform::TimeZone& zone = *platform::systemServices().timeZone);

// Loads the lines of a stream (through CodeStream when given). Text with a
// byte-order mark is read in its Unicode form, other text in the ANSI code page.
void StreamToStrings(TStream& Stream, std::vector<std::string>& List,
                     TCodeStreamProcedure CodeStream);
// Writes the lines, each followed by CR LF, as UTF-8 with a byte-order mark,
// at the stream's position (through CodeStream when given), then seeks to 0.
void StringsToStream(const std::vector<std::string>& List, TStream& Stream,
                     TCodeStreamProcedure CodeStream);

// A std::streambuf over a TStream, so that code-stream procedures can read and
// write storage streams.
std::unique_ptr<std::iostream> MakeStdStream(TStream& Stream);

}  // namespace tallyvane
