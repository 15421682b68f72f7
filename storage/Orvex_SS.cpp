#include "storage/Orvex_SS.h"

#include <algorithm>
#include <cstring>
#include <iostream>
#include <sstream>
#include <streambuf>

#include "platform/ByteReader.h"
#include "platform/Files.h"
#include "platform/Unicode.h"
#include "present/TextFormat.h"
#include "storage/AnsiCodePage.h"

namespace tallyvane {

namespace {

constexpr std::uint32_t kModeRead = STGM_READ | STGM_SHARE_EXCLUSIVE;            // 16
constexpr std::uint32_t kModeReadWrite = STGM_READWRITE | STGM_SHARE_EXCLUSIVE;  // 18
constexpr std::size_t kChunk = 8192;

// A get and put area over a TStream, unbuffered on the put side.
class TStreamBuf : public std::streambuf {
 public:
  explicit TStreamBuf(TStream& stream) : stream_(stream) {}

 protected:
  int_type underflow() override {
    const std::int32_t n = stream_.Read(buffer_, sizeof buffer_);
    if (n <= 0)
      return traits_type::eof();
    setg(buffer_, buffer_, buffer_ + n);
    return traits_type::to_int_type(buffer_[0]);
  }
  std::streamsize xsputn(const char* s, std::streamsize n) override {
    syncGet();
    std::streamsize done = 0;
    while (done < n) {
      const auto part = static_cast<std::int32_t>(std::min<std::streamsize>(n - done, 1 << 20));
      const std::int32_t w = stream_.Write(s + done, part);
      if (w <= 0)
        break;
      done += w;
    }
    return done;
  }
  int_type overflow(int_type c) override {
    if (traits_type::eq_int_type(c, traits_type::eof()))
      return traits_type::not_eof(c);
    const char ch = traits_type::to_char_type(c);
    return xsputn(&ch, 1) == 1 ? c : traits_type::eof();
  }
  pos_type seekoff(off_type off, std::ios_base::seekdir dir, std::ios_base::openmode) override {
    syncGet();
    const TSeekOrigin origin = dir == std::ios_base::beg   ? soBeginning
                               : dir == std::ios_base::cur ? soCurrent
                                                           : soEnd;
    return pos_type(static_cast<off_type>(stream_.Seek(std::int64_t{off}, origin)));
  }
  pos_type seekpos(pos_type pos, std::ios_base::openmode which) override {
    return seekoff(off_type(pos), std::ios_base::beg, which);
  }

 private:
  // Gives back the bytes read ahead but not taken.
  void syncGet() {
    if (gptr() && egptr() > gptr())
      stream_.Seek(-std::int64_t{egptr() - gptr()}, soCurrent);
    setg(nullptr, nullptr, nullptr);
  }
  TStream& stream_;
  char buffer_[kChunk];
};

class TStdStream : public std::iostream {
 public:
  explicit TStdStream(TStream& stream) : std::iostream(nullptr), buf_(stream) { rdbuf(&buf_); }

 private:
  TStreamBuf buf_;
};

std::vector<std::string> splitLines(std::string_view text) {
  std::vector<std::string> lines;
  std::size_t start = 0;
  std::size_t i = 0;
  while (i < text.size()) {
    if (text[i] == '\r' || text[i] == '\n') {
      lines.emplace_back(text.substr(start, i - start));
      if (text[i] == '\r' && i + 1 < text.size() && text[i + 1] == '\n')
        ++i;
      start = ++i;
    } else {
      ++i;
    }
  }
  if (start < text.size())
    lines.emplace_back(text.substr(start));
  return lines;
}

// UTF-16LE code units (an even number of bytes) as UTF-8.
std::string utf16leToUtf8(std::span<const std::byte> bytes) {
  const ByteReader reader(bytes);
  std::u16string wide;
  wide.reserve(bytes.size() / 2);
  for (std::uint64_t at = 0; reader.has(at, 2); at += 2)
    wide.push_back(static_cast<char16_t>(*reader.u16(at)));
  return utf16ToUtf8(wide);
}

std::string decodeText(std::string_view bytes) {
  if (bytes.size() >= 3 && bytes.substr(0, 3) == "\xEF\xBB\xBF") {
    return std::string(bytes.substr(3));
  }
  if (bytes.size() >= 2 && (bytes.substr(0, 2) == "\xFF\xFE" || bytes.substr(0, 2) == "\xFE\xFF")) {
    const bool little = bytes[0] == '\xFF';
    const ByteReader text(std::as_bytes(std::span(bytes.data() + 2, bytes.size() - 2)));
    std::u16string wide;
    wide.reserve(text.size() / 2);
    for (std::uint64_t at = 0; text.has(at, 2); at += 2) {
      const std::uint16_t unit = *text.u16(at);
      wide.push_back(static_cast<char16_t>(little ? unit : ((unit >> 8) | (unit << 8))));
    }
    return utf16ToUtf8(wide);
  }
  return ansiToUtf8(bytes, ansiCodePage());
}

}  // namespace

std::unique_ptr<std::iostream> MakeStdStream(TStream& Stream) {
  return std::make_unique<TStdStream>(Stream);
}

// ---------------------------------------------------------------- TStream

std::int64_t TStream::Size() {
  const std::int64_t position = Seek(std::int64_t{0}, soCurrent);
  const std::int64_t size = Seek(std::int64_t{0}, soEnd);
  Seek(position, soBeginning);
  return size;
}

// ---------------------------------------------------------------- TStorageStream

TStorageStream::TStorageStream(std::shared_ptr<cfb::Stream> Stream, TStructuredStorage* Storage)
    : FStream(std::move(Stream)), FParent(Storage) {
  if (FParent)
    FParent->AddRef();
}

TStorageStream::~TStorageStream() {
  FStream.reset();
  if (FParent)
    FParent->Close();
}

std::int32_t TStorageStream::Read(void* Buffer, std::int32_t Count) {
  if (!FStream || Count <= 0)
    return 0;
  std::uint32_t read = 0;
  OleCheck(FStream->Read(Buffer, static_cast<std::uint32_t>(Count), &read));
  return static_cast<std::int32_t>(read);
}

std::int32_t TStorageStream::Write(const void* Buffer, std::int32_t Count) {
  if (!FStream || Count <= 0)
    return 0;
  std::uint32_t written = 0;
  OleCheck(FStream->Write(Buffer, static_cast<std::uint32_t>(Count), &written));
  return static_cast<std::int32_t>(written);
}

std::int64_t TStorageStream::Seek(std::int64_t Offset, TSeekOrigin Origin) {
  if (!FStream)
    return 0;
  std::uint64_t position = 0;
  OleCheck(FStream->Seek(Offset, Origin, &position));
  return static_cast<std::int64_t>(position);
}

std::int64_t TStorageStream::Size() {
  if (!FStream)
    return 0;
  STATSTG stat;
  OleCheck(FStream->Stat(&stat));
  return static_cast<std::int64_t>(stat.cbSize);
}

void TStorageStream::SetSize(std::int64_t Value) {
  if (!FStream)
    return;
  if (Value < 0)
    OleCheck(STG_E_INVALIDFUNCTION);
  OleCheck(FStream->SetSize(static_cast<std::uint64_t>(Value)));
}

void TStorageStream::WriteInteger(std::int64_t Value) {
  ByteWriter bytes;
  bytes.u64(static_cast<std::uint64_t>(Value));
  Write(bytes.data().data(), 8);
}

std::int64_t TStorageStream::ReadInteger() {
  std::byte bytes[8] = {};
  if (Read(bytes, 8) != 8)
    return 0;
  return static_cast<std::int64_t>(ByteReader(bytes).u64(0).value_or(0));
}

void TStorageStream::WriteBoolean(bool Value) {
  const std::uint8_t bytes[4] = {static_cast<std::uint8_t>(Value ? 1 : 0), 0, 0, 0};
  Write(bytes, 4);
}

bool TStorageStream::ReadBoolean() {
  std::uint8_t bytes[4] = {};
  if (Read(bytes, 4) != 4)
    return false;
  return bytes[0] != 0;
}

void TStorageStream::WriteString(std::string_view Value) {
  const std::u16string wide = utf8ToUtf16(Value);
  const auto n = static_cast<std::uint32_t>(wide.size());
  ByteWriter count;
  count.u32(n);
  Write(count.data().data(), 4);
  if (n == 0)
    return;
  const auto bytes = utf16leBytes(Value, false);
  Write(bytes.data(), static_cast<std::int32_t>(bytes.size()));
}

std::string TStorageStream::ReadString() {
  std::byte count[4] = {};
  if (Read(count, 4) != 4)
    return {};
  const std::uint64_t n = ByteReader(count).u32(0).value_or(0);
  if (n == 0)
    return {};
  const std::int64_t left = std::max<std::int64_t>(Size() - Position(), 0);
  const auto want =
      static_cast<std::size_t>(std::min<std::uint64_t>(n * 2, static_cast<std::uint64_t>(left)));
  std::vector<std::byte> bytes(want);
  const std::int32_t got = want ? Read(bytes.data(), static_cast<std::int32_t>(want)) : 0;
  bytes.resize(static_cast<std::size_t>(std::max<std::int32_t>(got, 0)) & ~std::size_t{1});
  return utf16leToUtf8(bytes);
}

void TStorageStream::LoadFromFile(const std::string& FileName) {
  if (!FStream)
    return;
  // The file is read whole before the stream changes, so a file that cannot
  // be read leaves the stream as it was.
  std::vector<std::byte> bytes;
  if (platform::readFile(FileName, bytes) != platform::kErrorSuccess)
    throw EFOpenError("Cannot open file " + FileName);
  SetPosition(0);
  SetSize(0);
  if (bytes.empty())
    return;
  SetSize(static_cast<std::int64_t>(bytes.size()));
  for (std::size_t done = 0; done < bytes.size();) {
    const auto part = static_cast<std::int32_t>(std::min(bytes.size() - done, kChunk));
    const std::int32_t n = Write(bytes.data() + done, part);
    if (n <= 0)
      break;
    done += static_cast<std::size_t>(n);
  }
}

void TStorageStream::SaveToFile(const std::string& FileName) {
  if (!FStream)
    return;
  // The new file is written whole and then takes the old one's place, so a
  // failed save leaves the old file as it was.
  std::uint64_t position = 0;
  FStream->Seek(0, STREAM_SEEK_SET, &position);
  std::vector<std::byte> bytes;
  char buffer[kChunk];
  for (;;) {
    const std::int32_t n = Read(buffer, kChunk);
    if (n <= 0)
      break;
    const auto* first = reinterpret_cast<const std::byte*>(buffer);
    bytes.insert(bytes.end(), first, first + n);
  }
  platform::removeStaleTemporaries(FileName);
  if (platform::replaceFile(FileName, bytes) != platform::kErrorSuccess)
    throw EFCreateError("Cannot create file " + FileName);
}

TStorageStream* TStorageStream::Clone() {
  if (!FStream)
    return nullptr;
  std::shared_ptr<cfb::Stream> clone;
  OleCheck(FStream->Clone(&clone));
  return new TStorageStream(std::move(clone), FParent);
}

void TStorageStream::Clear() {
  SetPosition(0);
  SetSize(0);
}

// ---------------------------------------------------------------- TStoragePropertySet

TStoragePropertySet::TStoragePropertySet(std::shared_ptr<cfb::PropertyStorage> PropertyStorage,
                                         TStructuredStorage* Storage)
    : FPS(std::move(PropertyStorage)), FParent(Storage) {
  if (FParent)
    FParent->AddRef();
}

TStoragePropertySet::~TStoragePropertySet() {
  FPS.reset();
  if (FParent)
    FParent->Close();
}

STATPROPSETSTG TStoragePropertySet::Stat() const {
  STATPROPSETSTG stat;
  if (FPS)
    OleCheck(FPS->Stat(&stat));
  return stat;
}

// ---------------------------------------------------------------- TStructuredStorage

TStructuredStorage::TStructuredStorage(TStructuredStorage* AParent,
                                       std::shared_ptr<cfb::Storage> AStorage)
    : FStorage(std::move(AStorage)), FParent(AParent) {
  ++FLockCount;
  if (FParent)
    FParent->AddRef();
  FAutoFree = FParent != nullptr;
  try {
    RefreshElements();
    RefreshPropertySets();
  } catch (...) {
    FStorage.reset();
    if (FParent)
      --FParent->FLockCount;
    throw;
  }
}

TStructuredStorage::~TStructuredStorage() {
  FElements.clear();
  FPropSets.clear();
  FStorage.reset();
  if (FParent)
    FParent->Close();
}

void TStructuredStorage::Close() {
  if (FLockCount > 0) {
    --FLockCount;
  } else if (FAutoFree) {
    delete this;
  }
}

void TStructuredStorage::ReleaseWalked(TStructuredStorage* Walked, bool HasChild) {
  if (Walked == this || Walked == nullptr)
    return;
  if (!HasChild) {
    delete Walked;
    return;
  }
  // The walk drops its own reference and leaves the count at 0, so that the
  // storage frees itself when the element it leads to closes it. (Closing
  // only once would leave it alive, and open, for good.)
  Walked->FLockCount = std::max(Walked->FLockCount - 2, 0);
}

bool TStructuredStorage::ElementExists(std::string_view AName) const {
  return std::any_of(FElements.begin(), FElements.end(),
                     [&](const TElement& e) { return equalsIgnoreAsciiCase(e.Name, AName); });
}

TElement TStructuredStorage::GetElement(std::uint32_t Index) const {
  if (Index >= FElements.size())
    return TElement{};
  return FElements[Index];
}

TElement TStructuredStorage::FindElement(std::string_view Name) const {
  for (const auto& e : FElements) {
    if (equalsIgnoreAsciiCase(e.Name, Name))
      return e;
  }
  return TElement{};
}

void SplitStoragePath(std::string_view AName, std::vector<std::string>& Storages,
                      std::string& Element) {
  Storages.clear();
  Element.clear();
  if (!AName.empty() && AName.front() == '\\')
    AName.remove_prefix(1);
  std::vector<std::string> pieces;
  std::size_t start = 0;
  for (;;) {
    const auto cut = AName.find('\\', start);
    if (cut == std::string_view::npos) {
      pieces.emplace_back(AName.substr(start));
      break;
    }
    pieces.emplace_back(AName.substr(start, cut - start));
    start = cut + 1;
  }
  Element = pieces.back();
  pieces.pop_back();
  Storages = std::move(pieces);
}

template <typename Step, typename Leaf, typename Done>
auto TStructuredStorage::WalkPath(std::string_view AName, Step&& StepInto, Leaf&& MakeLeaf,
                                  Done&& Finish) -> decltype(MakeLeaf(this, std::string())) {
  std::vector<std::string> storages;
  std::string element;
  SplitStoragePath(AName, storages, element);
  TStructuredStorage* current = this;
  decltype(MakeLeaf(this, std::string())) result = nullptr;
  try {
    for (const auto& name : storages) {
      auto* next = StepInto(current, name);
      ReleaseWalked(current, true);
      current = next;
    }
    result = MakeLeaf(current, element);
    ReleaseWalked(current, result != nullptr);
  } catch (...) {
    ReleaseWalked(current, false);
    Finish();
    throw;
  }
  Finish();
  return result;
}

TStructuredStorage* TStructuredStorage::CreateSubStorage(std::string_view AName,
                                                         std::uint32_t AMode) {
  if (AName.empty())
    return nullptr;
  const auto createStorage = [AMode](TStructuredStorage* current, const std::string& name) {
    std::shared_ptr<cfb::Storage> made;
    OleCheck(current->FStorage->CreateStorage(name, AMode, &made));
    return new TStructuredStorage(current, std::move(made));
  };
  return WalkPath(AName, createStorage, createStorage, [this] { RefreshElements(); });
}

TStorageStream* TStructuredStorage::CreateStream(std::string_view AName, std::uint32_t AMode) {
  if (AName.empty())
    return nullptr;
  return WalkPath(
      AName,
      [AMode](TStructuredStorage* current, const std::string& name) {
        std::shared_ptr<cfb::Storage> next;
        OleCheck(current->FStorage->CreateStorage(name, AMode, &next));
        return new TStructuredStorage(current, std::move(next));
      },
      [AMode](TStructuredStorage* current, const std::string& element) {
        std::shared_ptr<cfb::Stream> made;
        OleCheck(current->FStorage->CreateStream(element, AMode, &made));
        return new TStorageStream(std::move(made), current);
      },
      [this] { RefreshElements(); });
}

TStructuredStorage* TStructuredStorage::OpenOrCreateStep(TStructuredStorage* Current,
                                                         const std::string& Name,
                                                         std::uint32_t AMode, bool CanCreate,
                                                         bool& Created) {
  std::shared_ptr<cfb::Storage> next;
  if (CanCreate && !Current->ElementExists(Name)) {
    OleCheck(Current->FStorage->CreateStorage(Name, AMode | STGM_CREATE, &next));
    Created = true;
  } else {
    OleCheck(Current->FStorage->OpenStorage(Name, AMode, &next));
  }
  return new TStructuredStorage(Current, std::move(next));
}

TStructuredStorage* TStructuredStorage::OpenSubStorage(std::string_view AName, std::uint32_t AMode,
                                                       bool CanCreate) {
  bool created = false;
  const auto step = [&](TStructuredStorage* current, const std::string& name) {
    return OpenOrCreateStep(current, name, AMode, CanCreate, created);
  };
  return WalkPath(AName, step, step, [&] {
    if (created)
      RefreshElements();
  });
}

TStorageStream* TStructuredStorage::OpenStream(std::string_view AName, std::uint32_t AMode,
                                               bool CanCreate) {
  bool created = false;
  std::vector<std::string> storages;
  std::string element;
  SplitStoragePath(AName, storages, element);
  if (storages.empty()) {
    // A stream of this storage: one that cannot be opened gives nothing.
    if (CanCreate && !ElementExists(element)) {
      std::shared_ptr<cfb::Stream> made;
      OleCheck(FStorage->CreateStream(element, AMode, &made));
      created = true;
    }
    TStorageStream* result = nullptr;
    std::shared_ptr<cfb::Stream> opened;
    if (Succeeded(FStorage->OpenStream(element, AMode, &opened)))
      result = new TStorageStream(std::move(opened), this);
    if (created)
      RefreshElements();
    return result;
  }
  return WalkPath(
      AName,
      [&](TStructuredStorage* current, const std::string& name) {
        return OpenOrCreateStep(current, name, AMode, CanCreate, created);
      },
      [&](TStructuredStorage* current, const std::string& leaf) -> TStorageStream* {
        std::shared_ptr<cfb::Stream> opened;
        if (current->ElementExists(leaf)) {
          OleCheck(current->FStorage->OpenStream(leaf, AMode, &opened));
        } else if (CanCreate) {
          std::shared_ptr<cfb::Stream> made;
          OleCheck(current->FStorage->CreateStream(leaf, AMode, &made));
          made.reset();
          created = true;
          OleCheck(current->FStorage->OpenStream(leaf, AMode, &opened));
        }
        return opened ? new TStorageStream(std::move(opened), current) : nullptr;
      },
      [&] {
        if (created)
          RefreshElements();
      });
}

TStoragePropertySet* TStructuredStorage::CreatePropertySet(std::string_view AName,
                                                           const Guid& FmtID, const Guid& ClassID,
                                                           std::uint32_t AFlags,
                                                           std::uint32_t AMode) {
  std::shared_ptr<cfb::PropertyStorage> ps;
  OleCheck(FStorage->CreatePropertySet(FmtID, ClassID, AFlags, AMode, &ps));
  auto result = std::make_unique<TStoragePropertySet>(ps, this);
  const std::string name = TrimControl(AName);
  if (!name.empty()) {
    const HRESULT hr = ps->WritePropertyName(PID_DICTIONARY, AName);
    if (Failed(hr)) {
      result.reset();
      RefreshElements();
      OleCheck(hr);
    }
  }
  RefreshElements();
  return result.release();
}

TStoragePropertySet* TStructuredStorage::OpenPropertySet(const Guid& FmtID, std::uint32_t AMode,
                                                         bool CanCreate, std::string_view AName) {
  std::shared_ptr<cfb::PropertyStorage> ps;
  const HRESULT hr = FStorage->OpenPropertySet(FmtID, AMode, &ps);
  TStoragePropertySet* result = nullptr;
  if (Failed(hr) && CanCreate) {
    try {
      result = CreatePropertySet(AName, FmtID, kNullGuid, PROPSETFLAG_DEFAULT, AMode | STGM_CREATE);
    } catch (...) {
      RefreshElements();
      throw;
    }
  } else if (Succeeded(hr)) {
    result = new TStoragePropertySet(ps, this);
  }
  RefreshElements();
  return result;
}

bool TStructuredStorage::DeleteElement(std::string_view AName) {
  if (!ElementExists(AName))
    return true;
  const TElement element = FindElement(AName);
  bool complete = true;
  try {
    if (element.Props.type == STGTY_STREAM) {
      std::unique_ptr<TStorageStream> stream;
      try {
        stream.reset(OpenStream(element.Name, kModeReadWrite, false));
      } catch (...) {
        stream.reset();
      }
      if (!stream)
        return false;
      try {
        stream->SetPosition(0);
        stream->SetSize(0);
      } catch (...) {
      }
    } else if (element.Props.type == STGTY_STORAGE) {
      std::unique_ptr<TStructuredStorage> sub;
      try {
        sub.reset(OpenSubStorage(element.Name, kModeReadWrite, false));
      } catch (...) {
        sub.reset();
      }
      if (!sub)
        return false;
      // Each round must remove an element; one that stays ends the deletion.
      while (sub->ElementCount() > 0) {
        const std::uint32_t before = sub->ElementCount();
        const bool removed = sub->DeleteElement(sub->GetElement(0).Name);
        if (!removed || sub->ElementCount() >= before) {
          complete = false;
          break;
        }
      }
      sub.reset();
      if (!complete) {
        RefreshElements();
        return false;
      }
    }
    const HRESULT hr = FStorage->DestroyElement(element.Name);
    if (Failed(hr))
      complete = false;
    FStorage->Commit(STGC_CONSOLIDATE | STGC_ONLYIFCURRENT);
    RefreshElements();
  } catch (...) {
    return false;
  }
  return complete;
}

std::uint64_t TStructuredStorage::GetSize() {
  std::uint64_t total = 0;
  for (const auto& e : FElements) {
    if (e.Props.type == STGTY_STREAM) {
      total += e.Props.cbSize;
    } else if (e.Props.type == STGTY_STORAGE) {
      const std::unique_ptr<TStructuredStorage> sub(OpenSubStorage(e.Name, kModeRead, false));
      if (sub)
        total += sub->GetSize();
    }
  }
  return total;
}

void TStructuredStorage::RefreshElements() {
  FElements.clear();
  std::vector<cfb::ElementStat> stats;
  OleCheck(FStorage->EnumElements(&stats));
  for (auto& s : stats)
    FElements.push_back(TElement{std::move(s.name), s.stat});
}

void TStructuredStorage::RefreshPropertySets() {
  FPropSets.clear();
  std::vector<STATPROPSETSTG> sets;
  OleCheck(FStorage->EnumPropertySets(&sets));
  for (const auto& s : sets) {
    std::shared_ptr<cfb::PropertyStorage> ps;
    if (Failed(FStorage->OpenPropertySet(s.fmtid, kModeRead, &ps)))
      continue;
    TPropSet set;
    set.Props = s;
    ps->ReadPropertyName(PID_DICTIONARY, &set.Name);
    FPropSets.push_back(std::move(set));
  }
}

// ---------------------------------------------------------------- properties

void WriteNamedStringProperty(cfb::PropertyStorage& PS, std::string_view Name,
                              std::string_view Value) {
  OleCheck(PS.Write(PropSpec::Name(std::string(Name)), PropValue::String(std::string(Value))));
}

void WriteNamedIntegerProperty(cfb::PropertyStorage& PS, std::string_view Name,
                               std::int64_t Value) {
  OleCheck(PS.Write(PropSpec::Name(std::string(Name)), PropValue::Int64(Value)));
}

void WriteStringProperty(cfb::PropertyStorage& PS, std::uint32_t PropID, std::string_view Value) {
  OleCheck(PS.Write(PropSpec::Id(PropID), PropValue::String(std::string(Value))));
}

void WriteDateTimeProperty(cfb::PropertyStorage& PS, std::uint32_t PropID, TDateTime Value) {
  OleCheck(
      PS.Write(PropSpec::Id(PropID), PropValue::FileTimeValue(DateTimeToFileTime(Value).ticks)));
}

namespace {

PropValue readProperty(cfb::PropertyStorage& PS, const PropSpec& spec) {
  PropValue v;
  OleCheck(PS.Read(spec, &v));
  return v;
}

std::string textOf(const PropValue& v) {
  return v.isString() ? v.text : std::string();
}
std::int64_t integerOf(const PropValue& v) {
  return v.isInteger() ? v.integer : 0;
}

}  // namespace

std::string ReadNamedStringProperty(cfb::PropertyStorage& PS, std::string_view Name) {
  return textOf(readProperty(PS, PropSpec::Name(std::string(Name))));
}

std::int64_t ReadNamedIntegerProperty(cfb::PropertyStorage& PS, std::string_view Name) {
  return integerOf(readProperty(PS, PropSpec::Name(std::string(Name))));
}

std::string ReadStringProperty(cfb::PropertyStorage& PS, std::uint32_t PropID) {
  return textOf(readProperty(PS, PropSpec::Id(PropID)));
}

TDateTime ReadDateTimeProperty(cfb::PropertyStorage& PS, std::uint32_t PropID, bool ToLocal,
                               platform::TimeZone& zone) {
  const PropValue v = readProperty(PS, PropSpec::Id(PropID));
  if (v.vt != VT_FILETIME)
    return 0.0;
  return FileTimeToDateTime(FileTime{v.fileTime}, ToLocal, zone);
}

// ---------------------------------------------------------------- string lists

void StreamToStrings(TStream& Stream, std::vector<std::string>& List,
                     TCodeStreamProcedure CodeStream) {
  List.clear();
  Stream.SetPosition(0);
  std::stringstream buffer;
  auto copyPlain = [&] {
    buffer.str(std::string());
    buffer.clear();
    Stream.SetPosition(0);
    char chunk[kChunk];
    for (;;) {
      const std::int32_t n = Stream.Read(chunk, kChunk);
      if (n <= 0)
        break;
      buffer.write(chunk, n);
    }
  };
  if (CodeStream) {
    try {
      auto in = MakeStdStream(Stream);
      CodeStream(*in, buffer);
    } catch (...) {
      copyPlain();
    }
  } else {
    copyPlain();
  }
  try {
    // The text starts at the buffer's read position (where a code-stream
    // procedure left its decoded bytes).
    const auto start = buffer.tellg();
    std::string bytes = buffer.str();
    if (start > 0)
      bytes.erase(0, static_cast<std::size_t>(start));
    List = splitLines(decodeText(bytes));
  } catch (...) {
  }
}

void StringsToStream(const std::vector<std::string>& List, TStream& Stream,
                     TCodeStreamProcedure CodeStream) {
  std::string text = "\xEF\xBB\xBF";
  for (const auto& line : List) {
    text += line;
    text += "\r\n";
  }
  if (CodeStream) {
    std::istringstream in(text);
    auto out = MakeStdStream(Stream);
    CodeStream(in, *out);
    out->flush();
  } else {
    Stream.Write(text.data(), static_cast<std::int32_t>(text.size()));
  }
  Stream.SetPosition(0);
}

}  // namespace tallyvane
