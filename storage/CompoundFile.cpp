#include "storage/CompoundFile.h"

#include <algorithm>
#include <cstring>
#include <functional>

#include "platform/ByteReader.h"

namespace tallyvane::cfb {

namespace {

// Simple upper-case mapping of the letters compound file names use; the
// directory compares names by these values.
char16_t upperUnit(char16_t c) {
  if (c >= u'a' && c <= u'z')
    return static_cast<char16_t>(c - 32);
  if (c < 0x80)
    return c;
  if ((c >= 0xE0 && c <= 0xFE && c != 0xF7))
    return static_cast<char16_t>(c - 32);
  if (c == 0xFF)
    return 0x178;
  if (c >= 0x100 && c <= 0x17F) {
    // Latin Extended-A: pairs of upper and lower case, with a shift in the middle.
    if ((c >= 0x139 && c <= 0x148) || (c >= 0x179 && c <= 0x17E)) {
      return (c % 2 == 0) ? static_cast<char16_t>(c - 1) : c;
    }
    if (c == 0x131 || c == 0x138 || c == 0x149 || c == 0x17F)
      return c;
    return (c % 2 == 1) ? static_cast<char16_t>(c - 1) : c;
  }
  if (c >= 0x3B1 && c <= 0x3C9 && c != 0x3C2)
    return static_cast<char16_t>(c - 32);
  if (c >= 0x430 && c <= 0x44F)
    return static_cast<char16_t>(c - 32);
  if (c >= 0x450 && c <= 0x45F)
    return static_cast<char16_t>(c - 80);
  if (c >= 0xFF41 && c <= 0xFF5A)
    return static_cast<char16_t>(c - 32);
  return c;
}

std::uint64_t ceilDiv(std::uint64_t a, std::uint64_t b) {
  return (a + b - 1) / b;
}

struct RawEntry {
  std::u16string name;
  std::uint8_t type = 0;
  std::uint32_t left = kNoStream;
  std::uint32_t right = kNoStream;
  std::uint32_t child = kNoStream;
  Guid clsid;
  std::uint32_t stateBits = 0;
  std::uint64_t creationTime = 0;
  std::uint64_t modifiedTime = 0;
  std::uint32_t startSector = 0;
  std::uint64_t size = 0;
};

class Reader {
 public:
  explicit Reader(std::span<const std::byte> bytes) : file_(bytes) {}

  ParsedFile run() {
    ParsedFile out;
    if (!hasSignature(file_.bytes())) {
      return fail(STG_E_FILEALREADYEXISTS, "no compound file signature");
    }
    if (file_.size() < kHeaderSize)
      return fail(STG_E_FILEALREADYEXISTS, "file shorter than its header");
    if (!readHeader())
      return result_;
    if (!readFat())
      return result_;
    if (!readDirectory())
      return result_;
    if (!readMiniStream())
      return result_;
    if (!buildTree())
      return result_;
    result_.majorVersion = major_;
    return result_;
  }

 private:
  ParsedFile fail(HRESULT status, std::string detail) {
    result_.status = status;
    result_.detail = std::move(detail);
    result_.root.reset();
    return result_;
  }
  bool failed(HRESULT status, std::string detail) {
    fail(status, std::move(detail));
    return false;
  }

  bool readHeader() {
    major_ = file_.u16(26).value_or(0);
    const auto byteOrder = file_.u16(28).value_or(0);
    const auto sectorShift = file_.u16(30).value_or(0);
    const auto miniShift = file_.u16(32).value_or(0);
    if (byteOrder != 0xFFFE)
      return failed(STG_E_INVALIDHEADER, "byte order mark is not FFFE");
    if (!((major_ == 3 && sectorShift == 9) || (major_ == 4 && sectorShift == 12))) {
      return failed(STG_E_INVALIDHEADER, "unsupported version or sector size");
    }
    if (miniShift != 6)
      return failed(STG_E_INVALIDHEADER, "mini sector size is not 64");
    if (file_.u32(56).value_or(0) != kMiniStreamCutoff) {
      return failed(STG_E_INVALIDHEADER, "mini stream cutoff is not 4096");
    }
    sectorSize_ = std::size_t{1} << sectorShift;
    numFat_ = file_.u32(44).value_or(0);
    firstDir_ = file_.u32(48).value_or(kEndOfChain);
    firstMiniFat_ = file_.u32(60).value_or(kEndOfChain);
    numMiniFat_ = file_.u32(64).value_or(0);
    firstDifat_ = file_.u32(68).value_or(kEndOfChain);
    // Sectors present in the file; a last sector cut short reads as zeros.
    sectorCount_ =
        file_.size() > sectorSize_ ? ceilDiv(file_.size() - sectorSize_, sectorSize_) : 0;
    used_.assign(static_cast<std::size_t>(sectorCount_), false);
    return true;
  }

  // Copies sector `n` (zero-padded when the file ends inside it).
  void sector(std::uint32_t n, std::vector<std::byte>& out) const {
    out.assign(sectorSize_, std::byte{0});
    const std::uint64_t offset = (std::uint64_t{n} + 1) * sectorSize_;
    const auto bytes = file_.tail(offset);
    std::memcpy(out.data(), bytes.data(), std::min(bytes.size(), sectorSize_));
  }

  bool claim(std::uint32_t n, const char* what) {
    if (n >= sectorCount_)
      return failed(STG_E_DOCFILECORRUPT, std::string(what) + ": sector outside the file");
    if (used_[n])
      return failed(STG_E_DOCFILECORRUPT, std::string(what) + ": sector used twice");
    used_[n] = true;
    return true;
  }

  bool readFat() {
    if (numFat_ > sectorCount_)
      return failed(STG_E_DOCFILECORRUPT, "more FAT sectors than the file holds");
    std::vector<std::uint32_t> fatSectors;
    for (std::size_t i = 0; i < 109 && fatSectors.size() < numFat_; ++i) {
      fatSectors.push_back(file_.u32(76 + 4 * i).value_or(kFreeSect));
    }
    std::uint32_t difat = firstDifat_;
    std::vector<std::byte> buf;
    const std::size_t perSector = sectorSize_ / 4;
    while (fatSectors.size() < numFat_) {
      if (difat == kEndOfChain || difat == kFreeSect) {
        return failed(STG_E_DOCFILECORRUPT, "DIFAT ends before all FAT sectors are listed");
      }
      if (!claim(difat, "DIFAT"))
        return false;
      sector(difat, buf);
      ByteReader r(buf);
      for (std::size_t i = 0; i + 1 < perSector && fatSectors.size() < numFat_; ++i) {
        fatSectors.push_back(r.u32(4 * i).value_or(kFreeSect));
      }
      difat = r.u32(4 * (perSector - 1)).value_or(kEndOfChain);
    }
    fat_.reserve(fatSectors.size() * perSector);
    for (const auto s : fatSectors) {
      if (!claim(s, "FAT"))
        return false;
      sector(s, buf);
      ByteReader r(buf);
      for (std::size_t i = 0; i < perSector; ++i)
        fat_.push_back(r.u32(4 * i).value_or(kFreeSect));
    }
    return true;
  }

  // Follows a chain of at most `limit` sectors (all when limit is 0) and
  // appends their bytes to `out`.
  bool readChain(std::uint32_t start, std::uint64_t limit, std::vector<std::byte>& out,
                 const char* what) {
    std::uint32_t s = start;
    std::uint64_t taken = 0;
    std::vector<std::byte> buf;
    while (s != kEndOfChain && (limit == 0 || taken < limit)) {
      if (s >= fat_.size())
        return failed(STG_E_DOCFILECORRUPT, std::string(what) + ": chain leaves the FAT");
      if (!claim(s, what))
        return false;
      sector(s, buf);
      out.insert(out.end(), buf.begin(), buf.end());
      ++taken;
      s = fat_[s];
    }
    if (limit != 0 && taken < limit) {
      return failed(STG_E_DOCFILECORRUPT, std::string(what) + ": chain shorter than its size");
    }
    return true;
  }

  bool readDirectory() {
    std::vector<std::byte> dir;
    if (!readChain(firstDir_, 0, dir, "directory"))
      return false;
    ByteReader r(dir);
    const std::size_t count = dir.size() / kDirectoryEntrySize;
    if (count == 0)
      return failed(STG_E_DOCFILECORRUPT, "empty directory");
    raw_.resize(count);
    for (std::size_t i = 0; i < count; ++i) {
      const std::size_t o = i * kDirectoryEntrySize;
      RawEntry& e = raw_[i];
      const std::size_t nameBytes = std::min<std::size_t>(r.u16(o + 64).value_or(0), 64);
      for (std::size_t k = 0; k + 1 < nameBytes; k += 2) {
        const auto c = static_cast<char16_t>(r.u16(o + k).value_or(0));
        if (c == 0)
          break;
        e.name.push_back(c);
      }
      e.type = r.u8(o + 66).value_or(0);
      e.left = r.u32(o + 68).value_or(kNoStream);
      e.right = r.u32(o + 72).value_or(kNoStream);
      e.child = r.u32(o + 76).value_or(kNoStream);
      for (std::size_t k = 0; k < 16; ++k)
        e.clsid.bytes[k] = r.u8(o + 80 + k).value_or(0);
      e.stateBits = r.u32(o + 96).value_or(0);
      e.creationTime = r.u64(o + 100).value_or(0);
      e.modifiedTime = r.u64(o + 108).value_or(0);
      e.startSector = r.u32(o + 116).value_or(kEndOfChain);
      e.size = r.u64(o + 120).value_or(0);
      // Version 3 files keep only 32 bits of size; some writers leave garbage above.
      if (major_ == 3)
        e.size &= 0xFFFFFFFF;
    }
    if (raw_[0].type != static_cast<std::uint8_t>(EntryType::Root)) {
      return failed(STG_E_DOCFILECORRUPT, "first directory entry is not the root");
    }
    return true;
  }

  bool readMiniStream() {
    const RawEntry& root = raw_[0];
    if (root.size > 0) {
      if (root.size > file_.size())
        return failed(STG_E_DOCFILECORRUPT, "mini stream larger than the file");
      if (!readChain(root.startSector, ceilDiv(root.size, sectorSize_), mini_, "mini stream")) {
        return false;
      }
      mini_.resize(static_cast<std::size_t>(root.size));
    }
    if (numMiniFat_ > 0 && firstMiniFat_ != kEndOfChain) {
      if (numMiniFat_ > sectorCount_)
        return failed(STG_E_DOCFILECORRUPT, "mini FAT larger than the file");
      std::vector<std::byte> bytes;
      if (!readChain(firstMiniFat_, numMiniFat_, bytes, "mini FAT"))
        return false;
      ByteReader r(bytes);
      for (std::size_t i = 0; i + 4 <= bytes.size(); i += 4)
        miniFat_.push_back(r.u32(i).value_or(kFreeSect));
    }
    miniUsed_.assign(mini_.size() / kMiniSectorSize, false);
    return true;
  }

  bool readStreamData(const RawEntry& raw, std::vector<std::byte>& out) {
    if (raw.size == 0)
      return true;
    if (raw.size > file_.size())
      return failed(STG_E_DOCFILECORRUPT, "stream larger than the file");
    if (raw.size < kMiniStreamCutoff) {
      std::uint32_t s = raw.startSector;
      const std::uint64_t need = ceilDiv(raw.size, kMiniSectorSize);
      out.reserve(static_cast<std::size_t>(need * kMiniSectorSize));
      for (std::uint64_t k = 0; k < need; ++k) {
        if (s >= miniFat_.size() || s >= miniUsed_.size()) {
          return failed(STG_E_DOCFILECORRUPT, "mini stream chain leaves the mini stream");
        }
        if (miniUsed_[s])
          return failed(STG_E_DOCFILECORRUPT, "mini sector used twice");
        miniUsed_[s] = true;
        const auto begin =
            mini_.begin() + static_cast<std::ptrdiff_t>(std::size_t{s} * kMiniSectorSize);
        out.insert(out.end(), begin, begin + kMiniSectorSize);
        s = miniFat_[s];
      }
    } else {
      if (!readChain(raw.startSector, ceilDiv(raw.size, sectorSize_), out, "stream"))
        return false;
    }
    out.resize(static_cast<std::size_t>(raw.size));
    return true;
  }

  std::shared_ptr<Entry> makeEntry(const RawEntry& raw) {
    auto e = std::make_shared<Entry>();
    e->name = raw.name;
    e->type = static_cast<EntryType>(raw.type);
    e->clsid = raw.clsid;
    e->stateBits = raw.stateBits;
    e->creationTime = raw.creationTime;
    e->modifiedTime = raw.modifiedTime;
    return e;
  }

  bool buildTree() {
    std::vector<bool> visited(raw_.size(), false);
    visited[0] = true;
    auto root = makeEntry(raw_[0]);
    root->type = EntryType::Root;
    // Storages waiting for their children: (directory index of the storage, entry).
    std::vector<std::pair<std::uint32_t, std::shared_ptr<Entry>>> pending{{0, root}};
    while (!pending.empty()) {
      auto [index, storage] = pending.back();
      pending.pop_back();
      // In-order walk of the sibling tree below the storage, without recursion.
      std::vector<std::uint32_t> stack;
      std::uint32_t node = raw_[index].child;
      while (node != kNoStream || !stack.empty()) {
        while (node != kNoStream) {
          if (node >= raw_.size())
            return failed(STG_E_DOCFILECORRUPT, "directory link out of range");
          if (visited[node])
            return failed(STG_E_DOCFILECORRUPT, "directory entry linked twice");
          visited[node] = true;
          stack.push_back(node);
          node = raw_[node].left;
        }
        const std::uint32_t current = stack.back();
        stack.pop_back();
        const RawEntry& raw = raw_[current];
        if (raw.type == static_cast<std::uint8_t>(EntryType::Stream)) {
          auto e = makeEntry(raw);
          if (!readStreamData(raw, e->data))
            return false;
          storage->children.push_back(std::move(e));
        } else if (raw.type == static_cast<std::uint8_t>(EntryType::Storage)) {
          auto e = makeEntry(raw);
          storage->children.push_back(e);
          pending.emplace_back(current, std::move(e));
        }
        // Entries of other types carry nothing a reader can use; they are left out.
        node = raw.right;
      }
    }
    result_.root = std::move(root);
    return true;
  }

  ByteReader file_;
  ParsedFile result_;
  std::uint16_t major_ = 0;
  std::size_t sectorSize_ = 512;
  std::uint64_t sectorCount_ = 0;
  std::uint32_t numFat_ = 0;
  std::uint32_t firstDir_ = kEndOfChain;
  std::uint32_t firstMiniFat_ = kEndOfChain;
  std::uint32_t numMiniFat_ = 0;
  std::uint32_t firstDifat_ = kEndOfChain;
  std::vector<bool> used_;
  std::vector<std::uint32_t> fat_;
  std::vector<RawEntry> raw_;
  std::vector<std::byte> mini_;
  std::vector<std::uint32_t> miniFat_;
  std::vector<bool> miniUsed_;
};

// Layout of one file being written.
class Writer {
 public:
  explicit Writer(const Entry& root) { collect(root); }

  std::vector<std::byte> run() {
    // Small streams go into the mini stream, the others into sectors of their own.
    for (auto& d : dir_) {
      if (d.entry->type != EntryType::Stream)
        continue;
      const std::uint64_t size = d.entry->data.size();
      if (size == 0) {
        d.start = kEndOfChain;
      } else if (size < kMiniStreamCutoff) {
        d.start = static_cast<std::uint32_t>(miniFat_.size());
        const auto n = ceilDiv(size, kMiniSectorSize);
        for (std::uint64_t k = 0; k < n; ++k) {
          const auto next = static_cast<std::uint32_t>(miniFat_.size() + 1);
          miniFat_.push_back(k + 1 == n ? kEndOfChain : next);
        }
      } else {
        d.big = true;
        bigSectors_ += ceilDiv(size, kSector);
      }
    }
    const std::uint64_t dirSectors = ceilDiv(dir_.size(), kSector / kDirectoryEntrySize);
    const std::uint64_t miniFatSectors = ceilDiv(miniFat_.size(), kSector / 4);
    const std::uint64_t miniStreamSectors = ceilDiv(miniFat_.size() * kMiniSectorSize, kSector);
    const std::uint64_t data = dirSectors + miniFatSectors + miniStreamSectors + bigSectors_;
    std::uint64_t fatCount = 1;
    std::uint64_t difatCount = 0;
    for (;;) {
      difatCount = fatCount > 109 ? ceilDiv(fatCount - 109, kSector / 4 - 1) : 0;
      const std::uint64_t need = ceilDiv(data + fatCount + difatCount, kSector / 4);
      if (need <= fatCount)
        break;
      fatCount = need;
    }
    std::vector<std::uint32_t> fat(static_cast<std::size_t>(fatCount * (kSector / 4)), kFreeSect);
    std::uint32_t next = 0;
    for (std::uint64_t i = 0; i < fatCount; ++i)
      fat[next++] = kFatSect;
    const std::uint32_t firstDifat = difatCount ? next : kEndOfChain;
    for (std::uint64_t i = 0; i < difatCount; ++i)
      fat[next++] = kDifSect;
    auto chain = [&](std::uint64_t count) {
      const std::uint32_t start = next;
      for (std::uint64_t k = 0; k < count; ++k, ++next) {
        fat[next] = (k + 1 == count) ? kEndOfChain : next + 1;
      }
      return start;
    };
    const std::uint32_t firstDir = chain(dirSectors);
    const std::uint32_t firstMiniFat = miniFatSectors ? chain(miniFatSectors) : kEndOfChain;
    const std::uint32_t miniStart = miniStreamSectors ? chain(miniStreamSectors) : kEndOfChain;
    for (auto& d : dir_) {
      if (d.big)
        d.start = chain(ceilDiv(d.entry->data.size(), kSector));
    }

    ByteWriter out;
    // Header.
    for (auto b : kSignature)
      out.u8(b);
    out.zeros(16);    // header CLSID
    out.u16(0x003E);  // minor version
    out.u16(0x0003);  // major version
    out.u16(0xFFFE);  // byte order
    out.u16(9);       // sector shift
    out.u16(6);       // mini sector shift
    out.zeros(6);     // reserved
    out.u32(0);       // directory sectors (always 0 in version 3)
    out.u32(static_cast<std::uint32_t>(fatCount));
    out.u32(firstDir);
    out.u32(0);  // transaction signature
    out.u32(kMiniStreamCutoff);
    out.u32(firstMiniFat);
    out.u32(static_cast<std::uint32_t>(miniFatSectors));
    out.u32(firstDifat);
    out.u32(static_cast<std::uint32_t>(difatCount));
    for (std::uint32_t i = 0; i < 109; ++i)
      out.u32(i < fatCount ? i : kFreeSect);
    // FAT.
    for (auto v : fat)
      out.u32(v);
    // DIFAT: the FAT sectors beyond the 109 the header lists.
    for (std::uint64_t i = 0; i < difatCount; ++i) {
      for (std::uint64_t k = 0; k < kSector / 4 - 1; ++k) {
        const std::uint64_t fatIndex = 109 + i * (kSector / 4 - 1) + k;
        out.u32(fatIndex < fatCount ? static_cast<std::uint32_t>(fatIndex) : kFreeSect);
      }
      out.u32(i + 1 < difatCount ? firstDifat + static_cast<std::uint32_t>(i) + 1 : kEndOfChain);
    }
    // Directory.
    const std::uint64_t miniSize = miniFat_.size() * kMiniSectorSize;
    for (std::size_t i = 0; i < dir_.size(); ++i)
      writeEntry(out, dir_[i], i == 0 ? miniStart : dir_[i].start, miniSize);
    for (std::uint64_t i = dir_.size(); i < dirSectors * (kSector / kDirectoryEntrySize); ++i) {
      out.zeros(68);
      out.u32(kNoStream);
      out.u32(kNoStream);
      out.u32(kNoStream);
      out.zeros(kDirectoryEntrySize - 80);
    }
    // Mini FAT.
    for (auto v : miniFat_)
      out.u32(v);
    for (std::uint64_t i = miniFat_.size(); i < miniFatSectors * (kSector / 4); ++i)
      out.u32(kFreeSect);
    // Mini stream.
    for (const auto& d : dir_) {
      if (d.entry->type != EntryType::Stream || d.big || d.entry->data.empty())
        continue;
      out.bytes(d.entry->data);
      out.padTo(kMiniSectorSize);
    }
    out.padTo(kSector);
    // Large streams.
    for (const auto& d : dir_) {
      if (!d.big)
        continue;
      out.bytes(d.entry->data);
      out.padTo(kSector);
    }
    return out.take();
  }

 private:
  static constexpr std::uint64_t kSector = 512;

  struct DirEntry {
    const Entry* entry = nullptr;
    std::uint32_t left = kNoStream;
    std::uint32_t right = kNoStream;
    std::uint32_t child = kNoStream;
    bool black = true;
    bool big = false;
    std::uint32_t start = 0;
  };

  // Numbers the entries storage by storage and links each storage's children
  // as a balanced binary tree coloured as a valid red-black tree.
  void collect(const Entry& root) {
    dir_.push_back(DirEntry{&root});
    std::vector<std::size_t> storages{0};
    while (!storages.empty()) {
      const std::size_t index = storages.back();
      storages.pop_back();
      std::vector<const Entry*> kids;
      for (const auto& c : dir_[index].entry->children) {
        if (!c->removed)
          kids.push_back(c.get());
      }
      std::stable_sort(kids.begin(), kids.end(), [](const Entry* a, const Entry* b) {
        return compareNames(a->name, b->name) < 0;
      });
      const auto first = static_cast<std::uint32_t>(dir_.size());
      for (const Entry* k : kids) {
        dir_.push_back(DirEntry{k});
        if (k->isStorage())
          storages.push_back(dir_.size() - 1);
      }
      if (kids.empty())
        continue;
      int maxDepth = 0;
      std::vector<int> depth(kids.size(), 0);
      std::function<std::uint32_t(int, int, int)> build = [&](int lo, int hi,
                                                              int d) -> std::uint32_t {
        if (lo > hi)
          return kNoStream;
        const int mid = lo + (hi - lo) / 2;
        depth[static_cast<std::size_t>(mid)] = d;
        maxDepth = std::max(maxDepth, d);
        const auto left = build(lo, mid - 1, d + 1);
        const auto right = build(mid + 1, hi, d + 1);
        dir_[first + static_cast<std::uint32_t>(mid)].left = left;
        dir_[first + static_cast<std::uint32_t>(mid)].right = right;
        return first + static_cast<std::uint32_t>(mid);
      };
      dir_[index].child = build(0, static_cast<int>(kids.size()) - 1, 0);
      // Every path from the root to a leaf then holds the same number of black
      // nodes: only the deepest, incomplete level is red.
      for (std::size_t i = 0; i < kids.size(); ++i) {
        dir_[first + i].black = !(maxDepth > 0 && depth[i] == maxDepth);
      }
    }
  }

  static void writeEntry(ByteWriter& out, const DirEntry& d, std::uint32_t start,
                         std::uint64_t miniSize) {
    const Entry& e = *d.entry;
    const std::u16string name = e.type == EntryType::Root ? u"Root Entry" : e.name;
    const std::size_t units = std::min(name.size(), kMaxNameLength);
    for (std::size_t i = 0; i < 32; ++i)
      out.u16(i < units ? name[i] : 0);
    out.u16(static_cast<std::uint16_t>((units + 1) * 2));
    out.u8(static_cast<std::uint8_t>(e.type));
    out.u8(d.black ? 1 : 0);
    out.u32(d.left);
    out.u32(d.right);
    out.u32(d.child);
    for (auto b : e.clsid.bytes)
      out.u8(b);
    out.u32(e.stateBits);
    const bool stream = e.type == EntryType::Stream;
    out.u64(stream || e.type == EntryType::Root ? 0 : e.creationTime);
    out.u64(stream ? 0 : e.modifiedTime);
    if (e.type == EntryType::Root) {
      out.u32(miniSize ? start : kEndOfChain);
      out.u64(miniSize);
    } else if (stream) {
      out.u32(start);
      out.u64(e.data.size());
    } else {
      out.u32(0);
      out.u64(0);
    }
  }

  std::vector<DirEntry> dir_;
  std::vector<std::uint32_t> miniFat_;
  std::uint64_t bigSectors_ = 0;
};

}  // namespace

std::shared_ptr<Entry> Entry::find(std::u16string_view childName) const {
  for (const auto& c : children) {
    if (!c->removed && compareNames(c->name, childName) == 0)
      return c;
  }
  return nullptr;
}

void Entry::insert(std::shared_ptr<Entry> child) {
  auto at = std::find_if(children.begin(), children.end(), [&](const std::shared_ptr<Entry>& c) {
    return compareNames(c->name, child->name) > 0;
  });
  children.insert(at, std::move(child));
}

bool Entry::erase(std::u16string_view childName) {
  for (auto it = children.begin(); it != children.end(); ++it) {
    if (compareNames((*it)->name, childName) != 0)
      continue;
    std::vector<Entry*> stack{it->get()};
    while (!stack.empty()) {
      Entry* e = stack.back();
      stack.pop_back();
      e->removed = true;
      for (auto& c : e->children)
        stack.push_back(c.get());
    }
    children.erase(it);
    return true;
  }
  return false;
}

int compareNames(std::u16string_view a, std::u16string_view b) {
  if (a.size() != b.size())
    return a.size() < b.size() ? -1 : 1;
  for (std::size_t i = 0; i < a.size(); ++i) {
    const char16_t x = upperUnit(a[i]);
    const char16_t y = upperUnit(b[i]);
    if (x != y)
      return x < y ? -1 : 1;
  }
  return 0;
}

bool isValidName(std::u16string_view name) {
  if (name.empty() || name.size() > kMaxNameLength)
    return false;
  for (const char16_t c : name) {
    if (c == u'/' || c == u'\\' || c == u':' || c == u'!')
      return false;
  }
  return true;
}

bool hasSignature(std::span<const std::byte> bytes) {
  if (bytes.size() < sizeof kSignature)
    return false;
  for (std::size_t i = 0; i < sizeof kSignature; ++i) {
    if (std::to_integer<std::uint8_t>(bytes[i]) != kSignature[i])
      return false;
  }
  return true;
}

ParsedFile parseCompoundFile(std::span<const std::byte> bytes) {
  return Reader(bytes).run();
}

std::vector<std::byte> writeCompoundFile(const Entry& root) {
  return Writer(root).run();
}

std::shared_ptr<Entry> makeRoot() {
  auto root = std::make_shared<Entry>();
  root->type = EntryType::Root;
  root->name = u"Root Entry";
  return root;
}

}  // namespace tallyvane::cfb
