// The compound file format: reading and writing whole trees, the directory's
// red-black tree, and damaged files.
#include <gtest/gtest.h>

#include <functional>
#include <map>

#include "StorageTestSupport.h"
#include "platform/ByteReader.h"
#include "platform/Unicode.h"
#include "storage/CompoundFile.h"

namespace tallyvane::cfb {
namespace {

using tallyvane::testing::getU32;
using tallyvane::testing::HandBuiltFile;
using tallyvane::testing::patternBytes;
using tallyvane::testing::putU32;

std::shared_ptr<Entry> stream(const std::u16string& name, std::vector<std::byte> data) {
  auto e = std::make_shared<Entry>();
  e->name = name;
  e->type = EntryType::Stream;
  e->data = std::move(data);
  return e;
}

std::shared_ptr<Entry> storage(const std::u16string& name) {
  auto e = std::make_shared<Entry>();
  e->name = name;
  e->type = EntryType::Storage;
  return e;
}

ParsedFile reparse(const Entry& root) {
  const auto bytes = writeCompoundFile(root);
  return parseCompoundFile(bytes);
}

TEST(CompoundFile, StreamsOfEverySizeClassRoundTrip) {
  // Around the mini sector (64), the sector (512), the mini stream cutoff
  // (4096), and a stream large enough to need more FAT sectors than the
  // header lists (DIFAT sectors).
  const std::size_t sizes[] = {0,    1,    63,   64,   65,   511,   512,   513,
                               4095, 4096, 4097, 8191, 8192, 65536, 70000, 7'500'000};
  auto root = makeRoot();
  for (std::size_t i = 0; i < std::size(sizes); ++i) {
    root->insert(stream(u"s" + utf8ToUtf16(std::to_string(sizes[i])),
                        patternBytes(sizes[i], static_cast<unsigned>(i))));
  }
  const auto bytes = writeCompoundFile(*root);
  EXPECT_EQ((bytes.size() - 512) % 512, 0u);
  EXPECT_GT(ByteReader(bytes).u32(72).value_or(0), 0u) << "a DIFAT sector is needed";
  const ParsedFile parsed = parseCompoundFile(bytes);
  ASSERT_EQ(parsed.status, kSOk) << parsed.detail;
  EXPECT_EQ(parsed.majorVersion, 3);
  for (std::size_t i = 0; i < std::size(sizes); ++i) {
    const auto name = u"s" + utf8ToUtf16(std::to_string(sizes[i]));
    const auto e = parsed.root->find(name);
    ASSERT_TRUE(e) << sizes[i];
    EXPECT_EQ(e->data, patternBytes(sizes[i], static_cast<unsigned>(i))) << sizes[i];
  }
}

TEST(CompoundFile, NestedStoragesKeepTheirFields) {
  auto root = makeRoot();
  root->clsid = GuidOf("{00020906-0000-0000-C000-000000000046}");
  auto a = storage(u"a");
  a->clsid = GuidOf("{11111111-2222-3333-4444-555555555555}");
  a->stateBits = 0x12345678;
  a->creationTime = 0x01D0000000000001;
  a->modifiedTime = 0x01D0000000000002;
  auto b = storage(u"b");
  b->insert(stream(u"deep", patternBytes(5000, 1)));
  a->insert(b);
  a->insert(stream(u"x", patternBytes(10, 2)));
  root->insert(a);
  root->insert(storage(u"empty"));
  const ParsedFile parsed = reparse(*root);
  ASSERT_EQ(parsed.status, kSOk) << parsed.detail;
  EXPECT_EQ(parsed.root->clsid, root->clsid);
  const auto pa = parsed.root->find(u"A");  // names are found without regard to case
  ASSERT_TRUE(pa);
  EXPECT_EQ(pa->type, EntryType::Storage);
  EXPECT_EQ(pa->clsid, a->clsid);
  EXPECT_EQ(pa->stateBits, 0x12345678u);
  EXPECT_EQ(pa->creationTime, a->creationTime);
  EXPECT_EQ(pa->modifiedTime, a->modifiedTime);
  ASSERT_TRUE(pa->find(u"b"));
  EXPECT_EQ(pa->find(u"b")->find(u"deep")->data, patternBytes(5000, 1));
  EXPECT_EQ(pa->find(u"x")->data, patternBytes(10, 2));
  ASSERT_TRUE(parsed.root->find(u"empty"));
  EXPECT_TRUE(parsed.root->find(u"empty")->children.empty());
}

TEST(CompoundFile, NameOrderIsLengthThenUpperCase) {
  struct Case {
    std::u16string a, b;
    int expected;
  };
  const Case cases[] = {
      {u"b", u"aa", -1},         {u"aa", u"b", 1},          {u"abc", u"ABC", 0},
      {u"abc", u"abd", -1},      {u"Z", u"a", 1},           {u"_", u"a", 1},  // "_" sorts after "A"
      {u"\u00e9", u"\u00c9", 0}, {u"\u0434", u"\u0414", 0},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(compareNames(c.a, c.b), c.expected) << utf16ToUtf8(c.a) << " vs " << utf16ToUtf8(c.b);
  }
}

// Walks the directory of written bytes independently and checks that every
// storage's children form a binary search tree in directory order and a valid
// red-black tree (no red node with a red child, equal black height).
void checkRedBlackTrees(const std::vector<std::byte>& bytes) {
  ByteReader r(bytes);
  const std::uint32_t firstDir = r.u32(48).value();
  // Our files keep the directory contiguous; follow the FAT all the same.
  std::vector<std::uint32_t> fat;
  for (std::uint32_t i = 0; i < r.u32(44).value() && i < 109; ++i) {
    const std::uint32_t s = r.u32(76 + 4 * i).value();
    for (int k = 0; k < 128; ++k)
      fat.push_back(r.u32((s + 1) * 512 + 4 * k).value());
  }
  std::vector<std::byte> dir;
  for (std::uint32_t s = firstDir; s != kEndOfChain; s = fat.at(s)) {
    const auto sector = r.slice((s + 1) * 512, 512).value();
    dir.insert(dir.end(), sector.begin(), sector.end());
  }
  ByteReader d(dir);
  auto name = [&](std::uint32_t i) {
    std::u16string n;
    for (int k = 0; k < 31; ++k) {
      const auto c = static_cast<char16_t>(d.u16(i * 128 + 2 * k).value());
      if (!c)
        break;
      n.push_back(c);
    }
    return n;
  };
  auto left = [&](std::uint32_t i) { return d.u32(i * 128 + 68).value(); };
  auto right = [&](std::uint32_t i) { return d.u32(i * 128 + 72).value(); };
  auto black = [&](std::uint32_t i) { return d.u8(i * 128 + 67).value() == 1; };
  std::function<int(std::uint32_t, const std::u16string*, const std::u16string*)> check =
      [&](std::uint32_t node, const std::u16string* lo, const std::u16string* hi) -> int {
    if (node == kNoStream)
      return 1;
    const auto n = name(node);
    if (lo) {
      EXPECT_LT(compareNames(*lo, n), 0);
    }
    if (hi) {
      EXPECT_LT(compareNames(n, *hi), 0);
    }
    if (!black(node)) {
      EXPECT_TRUE(left(node) == kNoStream || black(left(node)));
      EXPECT_TRUE(right(node) == kNoStream || black(right(node)));
    }
    const int l = check(left(node), lo, &n);
    const int rr = check(right(node), &n, hi);
    EXPECT_EQ(l, rr) << "black height differs below " << utf16ToUtf8(n);
    return l + (black(node) ? 1 : 0);
  };
  for (std::uint32_t i = 0; i < dir.size() / 128; ++i) {
    const auto type = d.u8(i * 128 + 66).value();
    if (type == 1 || type == 5) {
      const std::uint32_t child = d.u32(i * 128 + 76).value();
      EXPECT_TRUE(child == kNoStream || black(child)) << "the root of a tree is black";
      check(child, nullptr, nullptr);
    }
  }
}

TEST(CompoundFile, SiblingsFormAValidRedBlackTree) {
  for (const int count : {1, 2, 3, 4, 5, 7, 8, 9, 15, 16, 17, 100}) {
    auto root = makeRoot();
    auto sub = storage(u"sub");
    for (int i = 0; i < count; ++i) {
      // Names of different lengths and cases, inserted out of order.
      const std::u16string n = utf8ToUtf16(
          std::string(static_cast<std::size_t>(1 + (i * 7) % 5), static_cast<char>('a' + i % 26)) +
          std::to_string(count - i));
      root->insert(stream(n, patternBytes(static_cast<std::size_t>(i), 1)));
      sub->insert(stream(n, {}));
    }
    root->insert(sub);
    const auto bytes = writeCompoundFile(*root);
    SCOPED_TRACE(count);
    checkRedBlackTrees(bytes);
    const auto parsed = parseCompoundFile(bytes);
    ASSERT_EQ(parsed.status, kSOk);
    EXPECT_EQ(parsed.root->children.size(), static_cast<std::size_t>(count) + 1);
    // Enumeration follows directory order.
    for (std::size_t i = 1; i < parsed.root->children.size(); ++i) {
      EXPECT_LT(compareNames(parsed.root->children[i - 1]->name, parsed.root->children[i]->name),
                0);
    }
  }
}

TEST(CompoundFile, ReadsVersion4AndVersion3HandBuiltFiles) {
  for (const std::size_t sector : {512u, 4096u}) {
    HandBuiltFile f;
    f.sectorSize = sector;
    f.big = patternBytes(9000, 3);
    f.small = patternBytes(200, 4);
    const auto parsed = parseCompoundFile(f.build());
    ASSERT_EQ(parsed.status, kSOk) << parsed.detail;
    EXPECT_EQ(parsed.majorVersion, sector == 4096 ? 4 : 3);
    ASSERT_EQ(parsed.root->children.size(), 2u);
    EXPECT_EQ(parsed.root->find(u"Big")->data, f.big);
    EXPECT_EQ(parsed.root->find(u"Small")->data, f.small);
  }
}

TEST(CompoundFile, DamagedFilesGiveClearErrors) {
  struct Case {
    const char* what;
    std::function<void(HandBuiltFile&, std::vector<std::byte>&)> damage;
    HRESULT expected;
  };
  const std::uint32_t kEnd = 0xFFFFFFFE;
  const Case cases[] = {
      {"no signature", [](HandBuiltFile&, std::vector<std::byte>& b) { b[0] = std::byte{0}; },
       STG_E_FILEALREADYEXISTS},
      {"shorter than a header", [](HandBuiltFile&, std::vector<std::byte>& b) { b.resize(300); },
       STG_E_FILEALREADYEXISTS},
      {"byte order", [](HandBuiltFile&, std::vector<std::byte>& b) { tallyvane::testing::putU16(b, 28, 0xFEFF); },
       STG_E_INVALIDHEADER},
      {"version 5", [](HandBuiltFile&, std::vector<std::byte>& b) { tallyvane::testing::putU16(b, 26, 5); },
       STG_E_INVALIDHEADER},
      {"version 3 with 4096-byte sectors",
       [](HandBuiltFile&, std::vector<std::byte>& b) { tallyvane::testing::putU16(b, 30, 12); },
       STG_E_INVALIDHEADER},
      {"FAT sector count beyond the file",
       [](HandBuiltFile&, std::vector<std::byte>& b) { putU32(b, 44, 0x7FFFFFFF); },
       STG_E_DOCFILECORRUPT},
      {"FAT sector outside the file",
       [](HandBuiltFile&, std::vector<std::byte>& b) { putU32(b, 76, 999); }, STG_E_DOCFILECORRUPT},
      {"large stream chain loops",
       [&](HandBuiltFile& f, std::vector<std::byte>& b) {
         putU32(b, f.fatOffset + 4 * (f.bigStart + 1), f.bigStart);
       },
       STG_E_DOCFILECORRUPT},
      {"large stream chain ends early",
       [&](HandBuiltFile& f, std::vector<std::byte>& b) { putU32(b, f.fatOffset + 4 * f.bigStart, kEnd); },
       STG_E_DOCFILECORRUPT},
      {"directory chain loops",
       [](HandBuiltFile& f, std::vector<std::byte>& b) { putU32(b, f.fatOffset + 4, 1); },
       STG_E_DOCFILECORRUPT},
      {"mini chain loops",
       [](HandBuiltFile& f, std::vector<std::byte>& b) { putU32(b, f.miniFatOffset + 4, 0); },
       STG_E_DOCFILECORRUPT},
      {"mini chain leaves the mini stream",
       [](HandBuiltFile& f, std::vector<std::byte>& b) { putU32(b, f.miniFatOffset, 5000); },
       STG_E_DOCFILECORRUPT},
      {"sibling link out of range",
       [](HandBuiltFile& f, std::vector<std::byte>& b) { putU32(b, f.directoryOffset + 128 + 72, 77); },
       STG_E_DOCFILECORRUPT},
      {"sibling links form a cycle",
       [](HandBuiltFile& f, std::vector<std::byte>& b) { putU32(b, f.directoryOffset + 256 + 68, 1); },
       STG_E_DOCFILECORRUPT},
      {"child links back to the root",
       [](HandBuiltFile& f, std::vector<std::byte>& b) {
         b[f.directoryOffset + 256 + 66] = std::byte{1};
         putU32(b, f.directoryOffset + 256 + 76, 0);
       },
       STG_E_DOCFILECORRUPT},
      {"first entry is not the root",
       [](HandBuiltFile& f, std::vector<std::byte>& b) { b[f.directoryOffset + 66] = std::byte{1}; },
       STG_E_DOCFILECORRUPT},
      {"stream size beyond the file",
       [](HandBuiltFile& f, std::vector<std::byte>& b) { tallyvane::testing::putU64(b, f.directoryOffset + 128 + 120, 0xFFFFFFF0); },
       STG_E_DOCFILECORRUPT},
      {"two streams share sectors",
       [](HandBuiltFile& f, std::vector<std::byte>& b) {
         tallyvane::testing::putU64(b, f.directoryOffset + 256 + 120, 5000);
         putU32(b, f.directoryOffset + 256 + 116, f.bigStart);
       },
       STG_E_DOCFILECORRUPT},
  };
  for (const auto& c : cases) {
    HandBuiltFile f;
    f.big = patternBytes(2000, 1);
    f.small = patternBytes(130, 2);
    auto bytes = f.build();
    c.damage(f, bytes);
    const auto parsed = parseCompoundFile(bytes);
    EXPECT_EQ(parsed.status, c.expected) << c.what << ": " << parsed.detail;
    EXPECT_FALSE(parsed.root) << c.what;
  }
}

TEST(CompoundFile, ToleratesWhatRealWritersLeave) {
  HandBuiltFile f;
  f.big = patternBytes(5000, 1);
  f.small = patternBytes(100, 2);
  auto bytes = f.build();
  // Garbage in the upper half of a version 3 size, and a last sector cut short.
  putU32(bytes, f.directoryOffset + 256 + 124, 0xDEADBEEF);
  bytes.resize(bytes.size() - 100);
  const auto parsed = parseCompoundFile(bytes);
  ASSERT_EQ(parsed.status, kSOk) << parsed.detail;
  EXPECT_EQ(parsed.root->find(u"Small")->data, f.small);
  EXPECT_EQ(parsed.root->find(u"Big")->data, f.big);
  (void)getU32;
}

}  // namespace
}  // namespace tallyvane::cfb
