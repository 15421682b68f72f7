#pragma once
// Open compound files and the objects that work on them, shaped after the
// platform's structured storage: a file opened or created with STGM_* modes,
// storages and streams opened inside it with their sharing rules, element
// statistics, and the property sets of a storage.
//
// A file is held in memory while it is open. A file opened for writing keeps
// its changes and is written whole when its root storage is released (or
// committed): into a new file beside it, flushed to disk, then put in place of
// the old one in one step, so the old content survives until the new one is
// complete. The file stays locked for as long as it is open, which gives a
// second opener the sharing error the platform gives.
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "platform/Files.h"
#include "storage/CompoundFile.h"
#include "storage/Guid.h"
#include "storage/StorageError.h"

namespace tallyvane {

// Open modes (STGM_*).
inline constexpr std::uint32_t STGM_READ = 0x0;
inline constexpr std::uint32_t STGM_WRITE = 0x1;
inline constexpr std::uint32_t STGM_READWRITE = 0x2;
inline constexpr std::uint32_t STGM_SHARE_DENY_NONE = 0x40;
inline constexpr std::uint32_t STGM_SHARE_DENY_READ = 0x30;
inline constexpr std::uint32_t STGM_SHARE_DENY_WRITE = 0x20;
inline constexpr std::uint32_t STGM_SHARE_EXCLUSIVE = 0x10;
inline constexpr std::uint32_t STGM_CREATE = 0x1000;
inline constexpr std::uint32_t STGM_TRANSACTED = 0x10000;
// Commit flags (STGC_*).
inline constexpr std::uint32_t STGC_DEFAULT = 0;
inline constexpr std::uint32_t STGC_OVERWRITE = 1;
inline constexpr std::uint32_t STGC_ONLYIFCURRENT = 2;
inline constexpr std::uint32_t STGC_CONSOLIDATE = 8;
// Element types (STGTY_*).
inline constexpr std::uint32_t STGTY_STORAGE = 1;
inline constexpr std::uint32_t STGTY_STREAM = 2;
inline constexpr std::uint32_t STGTY_LOCKBYTES = 3;
inline constexpr std::uint32_t STGTY_PROPERTY = 4;
// Property set flags (PROPSETFLAG_*).
inline constexpr std::uint32_t PROPSETFLAG_DEFAULT = 0;
inline constexpr std::uint32_t PROPSETFLAG_NONSIMPLE = 1;
inline constexpr std::uint32_t PROPSETFLAG_ANSI = 2;
// Seek origins.
inline constexpr std::uint32_t STREAM_SEEK_SET = 0;
inline constexpr std::uint32_t STREAM_SEEK_CUR = 1;
inline constexpr std::uint32_t STREAM_SEEK_END = 2;

// Statistics of an element (the platform's STATSTG without its name pointer).
struct STATSTG {
  std::uint32_t type = 0;
  std::uint64_t cbSize = 0;
  std::uint64_t mtime = 0;  // FILETIME ticks
  std::uint64_t ctime = 0;
  std::uint64_t atime = 0;
  std::uint32_t grfMode = 0;
  std::uint32_t grfLocksSupported = 0;
  Guid clsid;
  std::uint32_t grfStateBits = 0;
  std::uint32_t reserved = 0;
  friend bool operator==(const STATSTG&, const STATSTG&) = default;
};

// Statistics of a property set.
struct STATPROPSETSTG {
  Guid fmtid;
  Guid clsid;
  std::uint32_t grfFlags = 0;
  std::uint64_t mtime = 0;
  std::uint64_t ctime = 0;
  std::uint64_t atime = 0;
  friend bool operator==(const STATPROPSETSTG&, const STATPROPSETSTG&) = default;
};

namespace cfb {

class Stream;
class Storage;
class PropertyStorage;

// An element with its statistics, as the element enumerator hands it out.
struct ElementStat {
  std::string name;  // UTF-8
  STATSTG stat;
};

// One open compound file.
class Document {
 public:
  ~Document();
  Document(const Document&) = delete;
  Document& operator=(const Document&) = delete;

  bool writable() const { return writable_; }
  bool closed() const { return closed_; }
  void markDirty() { dirty_ = true; }
  const std::shared_ptr<Entry>& root() const { return root_; }
  const std::string& path() const { return path_; }
  std::uint16_t majorVersion() const { return majorVersion_; }

  // Writes the whole file anew when it changed (atomically, see above).
  HRESULT flush();
  // Flushes (for a writable file) and releases the file and its lock.
  HRESULT close();

  // A deferred document is written only by finishDeferred: flushing and
  // closing it do nothing before that.
  static HRESULT open(const std::string& path, std::uint32_t mode, std::shared_ptr<Document>& out,
                      bool deferred = false);
  static HRESULT create(const std::string& path, std::uint32_t mode, std::shared_ptr<Document>& out,
                        bool deferred = false);
  bool deferred() const { return deferred_; }
  // Writes a deferred document (when it changed) and closes it.
  HRESULT finishDeferred();
  // Closes the document without writing anything.
  void abandon();
  // Replaces the whole content with an empty root storage.
  void replaceRoot();

 private:
  Document() = default;
  std::string path_;
  platform::FileHandle file_;
  bool writable_ = false;
  bool closed_ = false;
  bool dirty_ = false;
  bool deferred_ = false;
  std::uint16_t majorVersion_ = 3;
  std::shared_ptr<Entry> root_;
};

// A stream opened inside a file.
class Stream {
 public:
  Stream(std::shared_ptr<Document> doc, std::shared_ptr<Entry> entry, std::uint32_t mode);
  ~Stream();
  Stream(const Stream&) = delete;
  Stream& operator=(const Stream&) = delete;

  HRESULT Read(void* buffer, std::uint32_t count, std::uint32_t* read);
  HRESULT Write(const void* buffer, std::uint32_t count, std::uint32_t* written);
  HRESULT Seek(std::int64_t move, std::uint32_t origin, std::uint64_t* newPosition);
  HRESULT SetSize(std::uint64_t size);
  HRESULT Stat(STATSTG* stat, std::string* name = nullptr) const;
  // A second stream object on the same data with its own seek pointer.
  HRESULT Clone(std::shared_ptr<Stream>* out) const;
  HRESULT Commit(std::uint32_t flags);

  // The whole content (for the property set layer).
  const std::vector<std::byte>* data() const;

 private:
  HRESULT check() const;
  std::shared_ptr<Document> doc_;
  std::shared_ptr<Entry> entry_;
  std::uint32_t mode_;
  std::uint64_t position_ = 0;
};

// A storage opened inside a file, or the root storage of a file. Releasing
// the root storage closes the file: it is written when it changed, its lock
// is dropped, and objects still open inside it fail with STG_E_REVERTED.
class Storage {
 public:
  Storage(std::shared_ptr<Document> doc, std::shared_ptr<Entry> entry, std::uint32_t mode,
          bool isRoot);
  ~Storage();
  Storage(const Storage&) = delete;
  Storage& operator=(const Storage&) = delete;

  HRESULT CreateStream(std::string_view name, std::uint32_t mode, std::shared_ptr<Stream>* out);
  HRESULT OpenStream(std::string_view name, std::uint32_t mode, std::shared_ptr<Stream>* out);
  HRESULT CreateStorage(std::string_view name, std::uint32_t mode, std::shared_ptr<Storage>* out);
  HRESULT OpenStorage(std::string_view name, std::uint32_t mode, std::shared_ptr<Storage>* out);
  HRESULT DestroyElement(std::string_view name);
  HRESULT RenameElement(std::string_view oldName, std::string_view newName);
  HRESULT EnumElements(std::vector<ElementStat>* out) const;
  HRESULT Commit(std::uint32_t flags);
  HRESULT Stat(STATSTG* stat, std::string* name = nullptr) const;
  HRESULT SetClass(const Guid& clsid);
  HRESULT SetStateBits(std::uint32_t bits, std::uint32_t mask);
  HRESULT SetElementTimes(std::string_view name, std::uint64_t ctime, std::uint64_t mtime);

  // The property sets of this storage (the platform's property-set storage view).
  HRESULT CreatePropertySet(const Guid& fmtid, const Guid& clsid, std::uint32_t flags,
                            std::uint32_t mode, std::shared_ptr<PropertyStorage>* out);
  HRESULT OpenPropertySet(const Guid& fmtid, std::uint32_t mode,
                          std::shared_ptr<PropertyStorage>* out);
  HRESULT DeletePropertySet(const Guid& fmtid);
  HRESULT EnumPropertySets(std::vector<STATPROPSETSTG>* out) const;

  bool isRoot() const { return isRoot_; }

 private:
  HRESULT check() const;
  HRESULT checkChildMode(std::uint32_t mode) const;
  HRESULT createElement(std::string_view name, std::uint32_t mode, EntryType type,
                        std::shared_ptr<Entry>* out);
  HRESULT openElement(std::string_view name, std::uint32_t mode, EntryType type,
                      std::shared_ptr<Entry>* out) const;
  void touch();

  std::shared_ptr<Document> doc_;
  std::shared_ptr<Entry> entry_;
  std::uint32_t mode_;
  bool isRoot_;
};

// The storage status code of a failed file call (a platform error code).
HRESULT fileStatus(std::uint32_t error);

// The FILETIME of now (UTC), for element time stamps.
std::uint64_t fileTimeNow();

// Called after the first part of a file has been written and before the
// rest; tests use it to stop a save halfway.
void setSaveHookForTesting(std::function<void()> hook);

}  // namespace cfb

// One save of a file made of several steps that each open the file by its
// name (a component writes its header, then its data): while the object
// lives, the entry points below hand this thread's opens of that path the one
// document held here, and nothing reaches the disk before Commit, which
// writes the file once, atomically. Without Commit the file stays as it was.
// A second object for a path that is already being saved joins the first
// (its Commit does nothing).
class StorageFileSave {
 public:
  // Opens the compound file for update, or starts a new one in memory when
  // the path holds no compound file. Raises EOleSysError when that fails.
  explicit StorageFileSave(const std::string& path);
  ~StorageFileSave();
  StorageFileSave(const StorageFileSave&) = delete;
  StorageFileSave& operator=(const StorageFileSave&) = delete;
  HRESULT Commit();

 private:
  std::shared_ptr<cfb::Document> doc_;
  StorageFileSave* outer_ = nullptr;
  bool joined_ = false;
};

// The platform's entry points for files.
// S_OK (0) for a compound file, S_FALSE (1) for another file,
// STG_E_FILENOTFOUND for a missing one.
HRESULT StgIsStorageFile(const std::string& path);
// Creates a compound file (STGM_CREATE replaces an existing file).
HRESULT StgCreateDocfile(const std::string& path, std::uint32_t mode,
                         std::shared_ptr<cfb::Storage>* out);
// Opens a compound file as its root storage.
HRESULT StgOpenStorage(const std::string& path, std::uint32_t mode,
                       std::shared_ptr<cfb::Storage>* out);

}  // namespace tallyvane
