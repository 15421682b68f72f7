#include "storage/StorageFile.h"

#include <algorithm>
#include <chrono>
#include <cstring>

#include "platform/Unicode.h"
#include "storage/AnsiCodePage.h"
#include "storage/PropertySet.h"

namespace tallyvane {
namespace cfb {

namespace {

std::function<void()>& saveHook() {
  static std::function<void()> hook;
  return hook;
}

bool wantsWrite(std::uint32_t mode) {
  return (mode & 3) != STGM_READ;
}

}  // namespace

// The storage status of a failed file call: the platform's codes for files
// are the same numbers in the storage facility.
HRESULT fileStatus(std::uint32_t error) {
  switch (error) {
    case platform::kErrorSuccess:
      return kSOk;
    case platform::kErrorFileNotFound:
    case platform::kErrorPathNotFound:
    case platform::kErrorTooManyOpenFiles:
    case platform::kErrorAccessDenied:
    case platform::kErrorInvalidHandle:
    case platform::kErrorNotEnoughMemory:
    case platform::kErrorWriteProtect:
    case platform::kErrorSeek:
    case platform::kErrorWriteFault:
    case platform::kErrorReadFault:
    case platform::kErrorSharingViolation:
    case platform::kErrorLockViolation:
    case platform::kErrorFileExists:
    case platform::kErrorDiskFull:
      return hresult(0x80030000u | error);
    case platform::kErrorHandleDiskFull:
      return STG_E_MEDIUMFULL;
    case platform::kErrorInvalidName:
      return STG_E_INVALIDNAME;
    default:
      return STG_E_UNKNOWN;
  }
}

namespace {

// The lock a sharing mode asks for.
platform::FileLock lockFor(std::uint32_t mode) {
  const std::uint32_t share = mode & 0x70;
  if (share == STGM_SHARE_DENY_NONE)
    return platform::FileLock::None;
  if (share == STGM_SHARE_DENY_WRITE && !wantsWrite(mode))
    return platform::FileLock::Shared;
  return platform::FileLock::Exclusive;
}

}  // namespace

std::uint64_t fileTimeNow() {
  using namespace std::chrono;
  const auto ticks =
      duration_cast<nanoseconds>(system_clock::now().time_since_epoch()).count() / 100;
  return static_cast<std::uint64_t>(ticks) + 116444736000000000ULL;
}

void setSaveHookForTesting(std::function<void()> hook) {
  saveHook() = std::move(hook);
}

// ---------------------------------------------------------------- Document

Document::~Document() {
  close();
}

HRESULT Document::open(const std::string& path, std::uint32_t mode, std::shared_ptr<Document>& out,
                       bool deferred) {
  out.reset();
  if (path.empty())
    return STG_E_INVALIDNAME;
  std::shared_ptr<Document> doc(new Document());
  doc->path_ = path;
  doc->deferred_ = deferred;
  doc->writable_ = wantsWrite(mode);
  const auto access = doc->writable_ ? platform::FileAccess::ReadWrite : platform::FileAccess::Read;
  HRESULT hr = fileStatus(platform::openFile(path, access, lockFor(mode), doc->file_));
  if (Failed(hr))
    return hr;
  std::vector<std::byte> bytes;
  hr = fileStatus(platform::readWholeFile(doc->file_, bytes));
  if (Failed(hr))
    return hr;
  ParsedFile parsed = parseCompoundFile(bytes);
  if (Failed(parsed.status))
    return parsed.status;
  doc->root_ = std::move(parsed.root);
  doc->majorVersion_ = parsed.majorVersion;
  out = std::move(doc);
  return kSOk;
}

HRESULT Document::create(const std::string& path, std::uint32_t mode,
                         std::shared_ptr<Document>& out, bool deferred) {
  out.reset();
  if (path.empty())
    return STG_E_INVALIDNAME;
  std::shared_ptr<Document> doc(new Document());
  doc->path_ = path;
  doc->deferred_ = deferred;
  doc->writable_ = true;
  const bool exists = platform::fileExists(path) == platform::kErrorSuccess;
  if (exists) {
    if (!(mode & STGM_CREATE))
      return STG_E_FILEALREADYEXISTS;
    // The existing file must not be open elsewhere; its lock is ours until
    // the new file replaces it. It keeps its content until the new one is
    // committed, whatever it holds.
    HRESULT hr = fileStatus(platform::openFile(path, platform::FileAccess::Read,
                                               platform::FileLock::Exclusive, doc->file_));
    if (Failed(hr))
      return hr;
  }
  doc->root_ = makeRoot();
  doc->root_->modifiedTime = fileTimeNow();
  doc->dirty_ = true;
  if (!exists && !deferred) {
    const HRESULT hr = doc->flush();
    if (Failed(hr)) {
      doc->dirty_ = false;
      return hr;
    }
  }
  out = std::move(doc);
  return kSOk;
}

HRESULT Document::flush() {
  if (closed_ || deferred_ || !writable_ || !dirty_)
    return kSOk;
  const std::vector<std::byte> bytes = writeCompoundFile(*root_);
  // Temporaries of a save that was killed are ours to clear: the file is
  // locked by this document.
  platform::removeStaleTemporaries(path_);
  platform::ReplaceOptions options;
  options.held = &file_;
  if (saveHook())
    options.halfway = saveHook();
  const HRESULT hr = fileStatus(platform::replaceFile(path_, bytes, options));
  if (Failed(hr))
    return hr;
  dirty_ = false;
  return kSOk;
}

HRESULT Document::finishDeferred() {
  deferred_ = false;
  return close();
}

void Document::abandon() {
  dirty_ = false;
  deferred_ = false;
  closed_ = true;
  file_.reset();
}

void Document::replaceRoot() {
  root_ = makeRoot();
  root_->modifiedTime = fileTimeNow();
  dirty_ = true;
}

HRESULT Document::close() {
  if (closed_ || deferred_)
    return kSOk;
  const HRESULT hr = flush();
  closed_ = true;
  file_.reset();
  return hr;
}

// ---------------------------------------------------------------- Stream

Stream::Stream(std::shared_ptr<Document> doc, std::shared_ptr<Entry> entry, std::uint32_t mode)
    : doc_(std::move(doc)), entry_(std::move(entry)), mode_(mode) {
  ++entry_->openCount;
}

Stream::~Stream() {
  --entry_->openCount;
}

HRESULT Stream::check() const {
  if (doc_->closed() || entry_->removed)
    return STG_E_REVERTED;
  return kSOk;
}

const std::vector<std::byte>* Stream::data() const {
  return Failed(check()) ? nullptr : &entry_->data;
}

HRESULT Stream::Read(void* buffer, std::uint32_t count, std::uint32_t* read) {
  if (read)
    *read = 0;
  if (HRESULT hr = check(); Failed(hr))
    return hr;
  const auto& data = entry_->data;
  if (position_ >= data.size())
    return kSOk;
  const auto n =
      static_cast<std::uint32_t>(std::min<std::uint64_t>(count, data.size() - position_));
  if (n > 0)
    std::memcpy(buffer, data.data() + position_, n);
  position_ += n;
  if (read)
    *read = n;
  return kSOk;
}

HRESULT Stream::Write(const void* buffer, std::uint32_t count, std::uint32_t* written) {
  if (written)
    *written = 0;
  if (HRESULT hr = check(); Failed(hr))
    return hr;
  if (!wantsWrite(mode_))
    return STG_E_ACCESSDENIED;
  if (count == 0)
    return kSOk;
  if (position_ + count > kMaxStreamSize)
    return STG_E_MEDIUMFULL;
  auto& data = entry_->data;
  const std::size_t end = static_cast<std::size_t>(position_ + count);
  if (data.size() < end)
    data.resize(end);
  std::memcpy(data.data() + position_, buffer, count);
  position_ = end;
  doc_->markDirty();
  if (written)
    *written = count;
  return kSOk;
}

HRESULT Stream::Seek(std::int64_t move, std::uint32_t origin, std::uint64_t* newPosition) {
  if (HRESULT hr = check(); Failed(hr))
    return hr;
  std::int64_t base = 0;
  switch (origin) {
    case STREAM_SEEK_SET:
      base = 0;
      break;
    case STREAM_SEEK_CUR:
      base = static_cast<std::int64_t>(position_);
      break;
    case STREAM_SEEK_END:
      base = static_cast<std::int64_t>(entry_->data.size());
      break;
    default:
      return STG_E_INVALIDFUNCTION;
  }
  if ((move < 0 && base + move < 0) || (move > 0 && move > INT64_MAX - base)) {
    return STG_E_INVALIDFUNCTION;
  }
  position_ = static_cast<std::uint64_t>(base + move);
  if (newPosition)
    *newPosition = position_;
  return kSOk;
}

HRESULT Stream::SetSize(std::uint64_t size) {
  if (HRESULT hr = check(); Failed(hr))
    return hr;
  if (!wantsWrite(mode_))
    return STG_E_ACCESSDENIED;
  if (size > kMaxStreamSize)
    return STG_E_MEDIUMFULL;
  if (size != entry_->data.size()) {
    entry_->data.resize(static_cast<std::size_t>(size));
    doc_->markDirty();
  }
  return kSOk;
}

HRESULT Stream::Stat(STATSTG* stat, std::string* name) const {
  if (HRESULT hr = check(); Failed(hr))
    return hr;
  *stat = STATSTG{};
  stat->type = STGTY_STREAM;
  stat->cbSize = entry_->data.size();
  stat->grfMode = mode_;
  stat->clsid = entry_->clsid;
  stat->grfStateBits = entry_->stateBits;
  if (name)
    *name = utf16ToUtf8(entry_->name);
  return kSOk;
}

HRESULT Stream::Clone(std::shared_ptr<Stream>* out) const {
  out->reset();
  if (HRESULT hr = check(); Failed(hr))
    return hr;
  auto clone = std::make_shared<Stream>(doc_, entry_, mode_);
  clone->position_ = position_;
  *out = std::move(clone);
  return kSOk;
}

HRESULT Stream::Commit(std::uint32_t) {
  return check();
}

// ---------------------------------------------------------------- Storage

Storage::Storage(std::shared_ptr<Document> doc, std::shared_ptr<Entry> entry, std::uint32_t mode,
                 bool isRoot)
    : doc_(std::move(doc)), entry_(std::move(entry)), mode_(mode), isRoot_(isRoot) {
  ++entry_->openCount;
}

Storage::~Storage() {
  --entry_->openCount;
  if (isRoot_)
    doc_->close();
}

HRESULT Storage::check() const {
  if (doc_->closed() || entry_->removed)
    return STG_E_REVERTED;
  return kSOk;
}

HRESULT Storage::checkChildMode(std::uint32_t mode) const {
  if ((mode & 0x70) != STGM_SHARE_EXCLUSIVE)
    return STG_E_INVALIDFLAG;
  if ((mode & 3) == 3)
    return STG_E_INVALIDFLAG;
  if (wantsWrite(mode) && !wantsWrite(mode_))
    return STG_E_ACCESSDENIED;
  return kSOk;
}

void Storage::touch() {
  if (entry_->type == EntryType::Storage)
    entry_->modifiedTime = fileTimeNow();
  doc_->markDirty();
}

HRESULT Storage::createElement(std::string_view name, std::uint32_t mode, EntryType type,
                               std::shared_ptr<Entry>* out) {
  if (HRESULT hr = check(); Failed(hr))
    return hr;
  if (HRESULT hr = checkChildMode(mode); Failed(hr))
    return hr;
  if (!wantsWrite(mode_))
    return STG_E_ACCESSDENIED;
  const std::u16string wide = utf8ToUtf16(name);
  if (!isValidName(wide))
    return STG_E_INVALIDNAME;
  if (auto existing = entry_->find(wide)) {
    if (!(mode & STGM_CREATE))
      return STG_E_FILEALREADYEXISTS;
    if (existing->openCount > 0)
      return STG_E_ACCESSDENIED;
    entry_->erase(wide);
  }
  auto e = std::make_shared<Entry>();
  e->name = wide;
  e->type = type;
  if (type == EntryType::Storage)
    e->creationTime = e->modifiedTime = fileTimeNow();
  entry_->insert(e);
  touch();
  *out = std::move(e);
  return kSOk;
}

HRESULT Storage::openElement(std::string_view name, std::uint32_t mode, EntryType type,
                             std::shared_ptr<Entry>* out) const {
  if (HRESULT hr = check(); Failed(hr))
    return hr;
  if (HRESULT hr = checkChildMode(mode); Failed(hr))
    return hr;
  const std::u16string wide = utf8ToUtf16(name);
  if (wide.empty() || wide.size() > kMaxNameLength)
    return STG_E_INVALIDNAME;
  auto e = entry_->find(wide);
  if (!e || e->type != type)
    return STG_E_FILENOTFOUND;
  if (e->openCount > 0)
    return STG_E_ACCESSDENIED;
  *out = std::move(e);
  return kSOk;
}

HRESULT Storage::CreateStream(std::string_view name, std::uint32_t mode,
                              std::shared_ptr<Stream>* out) {
  out->reset();
  std::shared_ptr<Entry> e;
  if (HRESULT hr = createElement(name, mode, EntryType::Stream, &e); Failed(hr))
    return hr;
  *out = std::make_shared<Stream>(doc_, e, mode);
  return kSOk;
}

HRESULT Storage::OpenStream(std::string_view name, std::uint32_t mode,
                            std::shared_ptr<Stream>* out) {
  out->reset();
  std::shared_ptr<Entry> e;
  if (HRESULT hr = openElement(name, mode, EntryType::Stream, &e); Failed(hr))
    return hr;
  *out = std::make_shared<Stream>(doc_, e, mode);
  return kSOk;
}

HRESULT Storage::CreateStorage(std::string_view name, std::uint32_t mode,
                               std::shared_ptr<Storage>* out) {
  out->reset();
  std::shared_ptr<Entry> e;
  if (HRESULT hr = createElement(name, mode, EntryType::Storage, &e); Failed(hr))
    return hr;
  *out = std::make_shared<Storage>(doc_, e, mode, false);
  return kSOk;
}

HRESULT Storage::OpenStorage(std::string_view name, std::uint32_t mode,
                             std::shared_ptr<Storage>* out) {
  out->reset();
  std::shared_ptr<Entry> e;
  if (HRESULT hr = openElement(name, mode, EntryType::Storage, &e); Failed(hr))
    return hr;
  *out = std::make_shared<Storage>(doc_, e, mode, false);
  return kSOk;
}

HRESULT Storage::DestroyElement(std::string_view name) {
  if (HRESULT hr = check(); Failed(hr))
    return hr;
  if (!wantsWrite(mode_))
    return STG_E_ACCESSDENIED;
  const std::u16string wide = utf8ToUtf16(name);
  if (!entry_->erase(wide))
    return STG_E_FILENOTFOUND;
  touch();
  return kSOk;
}

HRESULT Storage::RenameElement(std::string_view oldName, std::string_view newName) {
  if (HRESULT hr = check(); Failed(hr))
    return hr;
  if (!wantsWrite(mode_))
    return STG_E_ACCESSDENIED;
  const std::u16string from = utf8ToUtf16(oldName);
  const std::u16string to = utf8ToUtf16(newName);
  if (!isValidName(to))
    return STG_E_INVALIDNAME;
  auto e = entry_->find(from);
  if (!e)
    return STG_E_FILENOTFOUND;
  if (entry_->find(to))
    return STG_E_FILEALREADYEXISTS;
  if (e->openCount > 0)
    return STG_E_ACCESSDENIED;
  auto& kids = entry_->children;
  kids.erase(std::find(kids.begin(), kids.end(), e));
  e->name = to;
  entry_->insert(e);
  touch();
  return kSOk;
}

HRESULT Storage::EnumElements(std::vector<ElementStat>* out) const {
  out->clear();
  if (HRESULT hr = check(); Failed(hr))
    return hr;
  for (const auto& c : entry_->children) {
    ElementStat s;
    s.name = utf16ToUtf8(c->name);
    s.stat.type = c->isStorage() ? STGTY_STORAGE : STGTY_STREAM;
    s.stat.cbSize = c->isStorage() ? 0 : c->data.size();
    s.stat.mtime = c->modifiedTime;
    s.stat.ctime = c->creationTime;
    s.stat.clsid = c->clsid;
    s.stat.grfStateBits = c->stateBits;
    out->push_back(std::move(s));
  }
  return kSOk;
}

HRESULT Storage::Commit(std::uint32_t) {
  if (HRESULT hr = check(); Failed(hr))
    return hr;
  if (isRoot_ && wantsWrite(mode_))
    return doc_->flush();
  return kSOk;
}

HRESULT Storage::Stat(STATSTG* stat, std::string* name) const {
  if (HRESULT hr = check(); Failed(hr))
    return hr;
  *stat = STATSTG{};
  stat->type = STGTY_STORAGE;
  stat->mtime = entry_->modifiedTime;
  stat->ctime = entry_->creationTime;
  stat->grfMode = mode_;
  stat->clsid = entry_->clsid;
  stat->grfStateBits = entry_->stateBits;
  if (name)
    *name = isRoot_ ? doc_->path() : utf16ToUtf8(entry_->name);
  return kSOk;
}

HRESULT Storage::SetClass(const Guid& clsid) {
  if (HRESULT hr = check(); Failed(hr))
    return hr;
  if (!wantsWrite(mode_))
    return STG_E_ACCESSDENIED;
  entry_->clsid = clsid;
  doc_->markDirty();
  return kSOk;
}

HRESULT Storage::SetStateBits(std::uint32_t bits, std::uint32_t mask) {
  if (HRESULT hr = check(); Failed(hr))
    return hr;
  if (!wantsWrite(mode_))
    return STG_E_ACCESSDENIED;
  entry_->stateBits = (entry_->stateBits & ~mask) | (bits & mask);
  doc_->markDirty();
  return kSOk;
}

HRESULT Storage::SetElementTimes(std::string_view name, std::uint64_t ctime, std::uint64_t mtime) {
  if (HRESULT hr = check(); Failed(hr))
    return hr;
  if (!wantsWrite(mode_))
    return STG_E_ACCESSDENIED;
  auto e = entry_->find(utf8ToUtf16(name));
  if (!e)
    return STG_E_FILENOTFOUND;
  if (e->type == EntryType::Storage) {
    e->creationTime = ctime;
    e->modifiedTime = mtime;
    doc_->markDirty();
  }
  return kSOk;
}

// ------------------------------------------------------- Property sets

HRESULT Storage::CreatePropertySet(const Guid& fmtid, const Guid& clsid, std::uint32_t flags,
                                   std::uint32_t mode, std::shared_ptr<PropertyStorage>* out) {
  out->reset();
  if (flags & PROPSETFLAG_NONSIMPLE)
    return STG_E_UNIMPLEMENTEDFUNCTION;
  std::shared_ptr<Stream> stream;
  if (!wantsWrite(mode))
    return STG_E_INVALIDFLAG;
  HRESULT hr = CreateStream(utf16ToUtf8(propertySetStreamName(fmtid)), mode, &stream);
  if (Failed(hr))
    return hr;
  PropertySetData data;
  data.clsid = clsid;
  data.section.fmtid = fmtid;
  data.section.codePage = (flags & PROPSETFLAG_ANSI) ? ansiCodePage() : kCodePageUnicode;
  const auto bytes = writePropertySet(data);
  std::uint32_t written = 0;
  hr = stream->Write(bytes.data(), static_cast<std::uint32_t>(bytes.size()), &written);
  if (Failed(hr))
    return hr;
  *out = std::make_shared<PropertyStorage>(stream, std::move(data), mode);
  return kSOk;
}

HRESULT Storage::OpenPropertySet(const Guid& fmtid, std::uint32_t mode,
                                 std::shared_ptr<PropertyStorage>* out) {
  out->reset();
  std::shared_ptr<Stream> stream;
  HRESULT hr = OpenStream(utf16ToUtf8(propertySetStreamName(fmtid)), mode, &stream);
  if (Failed(hr))
    return hr;
  ParsedPropertySet parsed = parsePropertySet(*stream->data());
  if (Failed(parsed.status))
    return parsed.status;
  if (parsed.data.section.fmtid != fmtid) {
    // A user-defined section lives beside the document summary; only the
    // first section is offered here.
    return STG_E_FILENOTFOUND;
  }
  *out = std::make_shared<PropertyStorage>(stream, std::move(parsed.data), mode);
  return kSOk;
}

HRESULT Storage::DeletePropertySet(const Guid& fmtid) {
  return DestroyElement(utf16ToUtf8(propertySetStreamName(fmtid)));
}

HRESULT Storage::EnumPropertySets(std::vector<STATPROPSETSTG>* out) const {
  out->clear();
  if (HRESULT hr = check(); Failed(hr))
    return hr;
  for (const auto& c : entry_->children) {
    if (c->type != EntryType::Stream || c->name.empty() || c->name[0] != 5)
      continue;
    const ParsedPropertySet parsed = parsePropertySet(c->data);
    if (Failed(parsed.status))
      continue;
    STATPROPSETSTG s;
    s.fmtid = parsed.data.section.fmtid;
    s.clsid = parsed.data.clsid;
    s.grfFlags = parsed.data.section.codePage == kCodePageUnicode ? 0 : PROPSETFLAG_ANSI;
    out->push_back(s);
  }
  return kSOk;
}

}  // namespace cfb

// ---------------------------------------------------------------- one save

namespace {

thread_local StorageFileSave* activeSave = nullptr;

// The document of the save going on for `path` in this thread, if any.
std::shared_ptr<cfb::Document> savedDocument(const std::string& path,
                                             const std::shared_ptr<cfb::Document>& held) {
  if (held && held->path() == path && !held->closed())
    return held;
  return nullptr;
}

std::shared_ptr<cfb::Document>& activeHeld() {
  thread_local std::shared_ptr<cfb::Document> held;
  return held;
}

}  // namespace

StorageFileSave::StorageFileSave(const std::string& path) {
  if (savedDocument(path, activeHeld())) {
    joined_ = true;
    return;
  }
  constexpr std::uint32_t kMode = STGM_READWRITE | STGM_SHARE_EXCLUSIVE;
  if (StgIsStorageFile(path) == kSOk) {
    OleCheck(cfb::Document::open(path, kMode, doc_, true));
  } else {
    OleCheck(cfb::Document::create(path, kMode | STGM_CREATE, doc_, true));
  }
  outer_ = activeSave;
  activeSave = this;
  activeHeld() = doc_;
}

StorageFileSave::~StorageFileSave() {
  if (joined_)
    return;
  if (doc_ && doc_->deferred())
    doc_->abandon();
  activeSave = outer_;
  activeHeld() = outer_ ? outer_->doc_ : nullptr;
}

HRESULT StorageFileSave::Commit() {
  if (joined_)
    return kSOk;
  if (!doc_ || !doc_->deferred())
    return STG_E_REVERTED;
  return doc_->finishDeferred();
}

// ---------------------------------------------------------------- entry points

HRESULT StgIsStorageFile(const std::string& path) {
  if (savedDocument(path, activeHeld()))
    return kSOk;
  std::vector<std::byte> header;
  const HRESULT hr = cfb::fileStatus(platform::readFile(path, header, 8));
  if (Failed(hr))
    return hr;
  return cfb::hasSignature(header) ? kSOk : kSFalse;
}

HRESULT StgCreateDocfile(const std::string& path, std::uint32_t mode,
                         std::shared_ptr<cfb::Storage>* out) {
  out->reset();
  if (!(mode & (STGM_WRITE | STGM_READWRITE)))
    return STG_E_INVALIDFLAG;
  if (auto saved = savedDocument(path, activeHeld())) {
    if (!(mode & STGM_CREATE))
      return STG_E_FILEALREADYEXISTS;
    saved->replaceRoot();
    *out = std::make_shared<cfb::Storage>(saved, saved->root(), mode, true);
    return kSOk;
  }
  std::shared_ptr<cfb::Document> doc;
  const HRESULT hr = cfb::Document::create(path, mode, doc);
  if (Failed(hr))
    return hr;
  *out = std::make_shared<cfb::Storage>(doc, doc->root(), mode, true);
  return kSOk;
}

HRESULT StgOpenStorage(const std::string& path, std::uint32_t mode,
                       std::shared_ptr<cfb::Storage>* out) {
  out->reset();
  if (auto saved = savedDocument(path, activeHeld())) {
    *out = std::make_shared<cfb::Storage>(saved, saved->root(), mode, true);
    return kSOk;
  }
  std::shared_ptr<cfb::Document> doc;
  const HRESULT hr = cfb::Document::open(path, mode, doc);
  if (Failed(hr))
    return hr;
  *out = std::make_shared<cfb::Storage>(doc, doc->root(), mode, true);
  return kSOk;
}

}  // namespace tallyvane
