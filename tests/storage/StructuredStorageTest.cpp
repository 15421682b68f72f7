// The object layer over storage files: paths, create and open rules, the
// reference counting, deletion, sizes, file copies, typed values, property
// sets, string lists, and the file-level rules (sharing, atomic saves).
#include <gtest/gtest.h>
#if !defined(_WIN32)
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>
#endif

#include <chrono>
#include <filesystem>
#include <sstream>
#include <thread>

#include "ChildProcess.h"
#include "StorageTestSupport.h"
#include "storage/Orvex_SS.h"

namespace tallyvane {
namespace {

using testing::patternBytes;
using testing::TempDir;

constexpr std::uint32_t kRead = 16;
constexpr std::uint32_t kReadWrite = 18;
constexpr std::uint32_t kCreate = 4114;

// A root storage on a new file, freed at the end of the scope.
struct RootFile {
  explicit RootFile(const std::string& path, std::uint32_t mode = kCreate) {
    std::shared_ptr<cfb::Storage> stg;
    const HRESULT hr =
        mode & STGM_CREATE ? StgCreateDocfile(path, mode, &stg) : StgOpenStorage(path, mode, &stg);
    OleCheck(hr);
    root = std::make_unique<TStructuredStorage>(nullptr, stg);
  }
  TStructuredStorage* operator->() { return root.get(); }
  std::unique_ptr<TStructuredStorage> root;
};

HRESULT errorOf(const std::function<void()>& f) {
  try {
    f();
  } catch (const EOleSysError& e) {
    return e.ErrorCode;
  }
  return kSOk;
}

std::vector<std::uint8_t> streamBytes(TStorageStream& s) {
  std::vector<std::uint8_t> out(static_cast<std::size_t>(s.Size()));
  s.SetPosition(0);
  if (!out.empty())
    s.Read(out.data(), static_cast<std::int32_t>(out.size()));
  return out;
}

TEST(StorageStream, TypedValuesHaveTheirByteLayout) {
  TempDir dir;
  RootFile f(dir.file("t.stg"));
  std::unique_ptr<TStorageStream> s(f->CreateStream("v", kReadWrite));
  s->WriteString("abc");
  EXPECT_EQ(streamBytes(*s), (std::vector<std::uint8_t>{3, 0, 0, 0, 'a', 0, 'b', 0, 'c', 0}));
  s->Clear();
  s->WriteString("");
  s->WriteInteger(-2);
  s->WriteBoolean(true);
  EXPECT_EQ(streamBytes(*s), (std::vector<std::uint8_t>{0, 0, 0, 0, 0xFE, 0xFF, 0xFF, 0xFF, 0xFF,
                                                        0xFF, 0xFF, 0xFF, 1, 0, 0, 0}));
  s->SetPosition(0);
  EXPECT_EQ(s->ReadString(), "");
  EXPECT_EQ(s->ReadInteger(), -2);
  EXPECT_TRUE(s->ReadBoolean());
  // At the end: empty, 0 and false; a Boolean is true by its lowest byte only.
  EXPECT_EQ(s->ReadString(), "");
  EXPECT_EQ(s->ReadInteger(), 0);
  EXPECT_FALSE(s->ReadBoolean());
  for (const auto& [bytes, expected] : std::vector<std::pair<std::vector<std::uint8_t>, bool>>{
           {{2, 0, 0, 0}, true}, {{0, 1, 0, 0}, false}, {{0, 0, 0, 0x80}, false}}) {
    s->Clear();
    s->Write(bytes.data(), 4);
    s->SetPosition(0);
    EXPECT_EQ(s->ReadBoolean(), expected);
  }
  // A count beyond the end gives what is there; a string round-trips non-ASCII text.
  s->Clear();
  s->WriteString("Žluťoučký kůň 日本");
  s->SetPosition(0);
  EXPECT_EQ(s->ReadString(), "Žluťoučký kůň 日本");
  s->Clear();
  const std::uint8_t lying[] = {100, 0, 0, 0, 'x', 0};
  s->Write(lying, 6);
  s->SetPosition(0);
  EXPECT_EQ(s->ReadString(), "x");
}

TEST(StorageStream, PositionSizeSeekAndClone) {
  TempDir dir;
  RootFile f(dir.file("t.stg"));
  std::unique_ptr<TStorageStream> s(f->CreateStream("v", kReadWrite));
  s->Write("0123456789", 10);
  EXPECT_EQ(s->Position(), 10);
  EXPECT_EQ(s->Size(), 10);
  EXPECT_EQ(s->Seek(std::int64_t{-3}, soEnd), 7);
  EXPECT_EQ(s->Seek(std::int32_t{2}, std::uint16_t{1}), 9);
  s->SetSize(4);
  EXPECT_EQ(s->Size(), 4);
  EXPECT_EQ(errorOf([&] { s->Seek(std::int64_t{-1}, soBeginning); }), STG_E_INVALIDFUNCTION);
  const std::int32_t before = f->LockCount();
  std::unique_ptr<TStorageStream> c(s->Clone());
  EXPECT_EQ(f->LockCount(), before + 1);
  c->SetPosition(1);
  char x = 0;
  c->Read(&x, 1);
  EXPECT_EQ(x, '1');
  EXPECT_EQ(s->Position(), 9) << "the clone has its own seek pointer";
  c.reset();
  EXPECT_EQ(f->LockCount(), before);
  // Without a platform stream everything is a no-op.
  TStorageStream none(nullptr, nullptr);
  EXPECT_EQ(none.Write("a", 1), 0);
  EXPECT_EQ(none.Size(), 0);
  EXPECT_EQ(none.ReadString(), "");
  EXPECT_FALSE(none.ReadBoolean());
}

TEST(StorageStream, LoadAndSaveFilesInChunks) {
  TempDir dir;
  RootFile f(dir.file("t.stg"));
  std::unique_ptr<TStorageStream> s(f->CreateStream("v", kReadWrite));
  for (const std::size_t size : {0u, 1u, 8191u, 8192u, 8193u, 20000u}) {
    const auto data = patternBytes(size, 7);
    testing::writeBytes(dir.file("in"), data);
    s->WriteString("old content to be replaced");
    s->LoadFromFile(dir.file("in"));
    EXPECT_EQ(s->Size(), static_cast<std::int64_t>(size));
    EXPECT_EQ(s->Position(), static_cast<std::int64_t>(size));
    s->SaveToFile(dir.file("out"));
    EXPECT_EQ(testing::readBytes(dir.file("out")), data) << size;
  }
  s->Clear();
  s->WriteString("x");
  try {
    s->LoadFromFile(dir.file("missing"));
    FAIL();
  } catch (const EFOpenError& e) {
    EXPECT_EQ(std::string(e.what()), "Cannot open file " + dir.file("missing"));
  }
  EXPECT_EQ(s->Size(), 6) << "a file that does not open leaves the stream as it was";
}

TEST(StructuredStorage, PathsCreateAndOpenRules) {
  TempDir dir;
  RootFile f(dir.file("t.stg"));
  {
    std::unique_ptr<TStorageStream> s(f->OpenStream("a\\b\\s", kReadWrite, true));
    ASSERT_TRUE(s);
    s->WriteString("deep");
  }
  EXPECT_TRUE(f->ElementExists("A"));
  EXPECT_EQ(f->LockCount(), 1) << "the storages on the way were freed with the stream";
  {
    // The same path again: the walked storages were released, so it opens.
    std::unique_ptr<TStorageStream> s(f->OpenStream("\\a\\b\\s", kReadWrite, false));
    ASSERT_TRUE(s);
    EXPECT_EQ(s->ReadString(), "deep");
  }
  EXPECT_EQ(errorOf([&] { f->OpenStream("x\\y\\s", kReadWrite, false); }), STG_E_FILENOTFOUND);
  EXPECT_EQ(f->OpenStream("s", kReadWrite, false), nullptr);
  EXPECT_EQ(f->OpenStream("a\\b\\missing", kReadWrite, false), nullptr);
  EXPECT_EQ(f->LockCount(), 1);
  std::unique_ptr<TStorageStream>(f->CreateStream("s", kReadWrite));
  EXPECT_EQ(errorOf([&] { f->CreateStream("s", kReadWrite); }), STG_E_FILEALREADYEXISTS);
  EXPECT_EQ(errorOf([&] {
              std::unique_ptr<TStorageStream>(f->CreateStream("s", kReadWrite | STGM_CREATE));
            }),
            kSOk);
  EXPECT_EQ(f->CreateStream("", kReadWrite), nullptr);
  EXPECT_EQ(f->CreateSubStorage("", kReadWrite), nullptr);
  {
    std::unique_ptr<TStructuredStorage> sub(f->CreateSubStorage("p\\q", kReadWrite));
    ASSERT_TRUE(sub);
    EXPECT_FALSE(sub->IsRoot());
    EXPECT_TRUE(sub->AutoFree());
    EXPECT_TRUE(f->ElementExists("p"));
    // An open element cannot be opened a second time.
    EXPECT_EQ(errorOf([&] { f->OpenSubStorage("p\\q", kReadWrite, false); }), STG_E_ACCESSDENIED);
  }
  {
    std::unique_ptr<TStructuredStorage> sub(f->OpenSubStorage("p\\q\\r", kReadWrite, true));
    ASSERT_TRUE(sub);
  }
  EXPECT_EQ(errorOf([&] { f->OpenSubStorage("nothing", kReadWrite, false); }), STG_E_FILENOTFOUND);
  EXPECT_EQ(errorOf([&] { f->CreateStream("bad:name", kReadWrite); }), STG_E_INVALIDNAME);
  EXPECT_EQ(errorOf([&] { f->CreateStream(std::string(32, 'n'), kReadWrite); }), STG_E_INVALIDNAME);
  EXPECT_EQ(f->LockCount(), 1);
}

TEST(StructuredStorage, SplitStoragePathCutsAtBackslashes) {
  const std::vector<std::tuple<std::string, std::vector<std::string>, std::string>> cases = {
      {"c", {}, "c"}, {"a\\b\\c", {"a", "b"}, "c"}, {"\\a\\c", {"a"}, "c"}, {"a\\", {"a"}, ""}};
  for (const auto& [path, storages, element] : cases) {
    std::vector<std::string> s;
    std::string e;
    SplitStoragePath(path, s, e);
    EXPECT_EQ(s, storages) << path;
    EXPECT_EQ(e, element) << path;
  }
}

TEST(StructuredStorage, CloseCountsReferencesAndFreesAutoFreeStorages) {
  TempDir dir;
  RootFile f(dir.file("t.stg"));
  auto* sub = f->CreateSubStorage("sub", kReadWrite);
  EXPECT_EQ(sub->LockCount(), 1);
  EXPECT_EQ(f->LockCount(), 2);
  auto* s = sub->CreateStream("s", kReadWrite);
  EXPECT_EQ(sub->LockCount(), 2);
  sub->Close();  // the creator's reference
  EXPECT_EQ(sub->LockCount(), 1);
  delete s;  // closes sub: 1 -> 0, still there
  EXPECT_EQ(sub->LockCount(), 0);
  sub->Close();  // at 0 with AutoFree: frees itself and closes its parent
  EXPECT_EQ(f->LockCount(), 1);
  // A root is never freed by Close.
  f->Close();
  f->Close();
  EXPECT_EQ(f->LockCount(), 0);
  EXPECT_TRUE(f->IsRoot());
  EXPECT_FALSE(f->AutoFree());
}

TEST(StructuredStorage, DeleteElementRemovesTreesAndStopsWhenBlocked) {
  TempDir dir;
  RootFile f(dir.file("t.stg"));
  std::unique_ptr<TStorageStream>(f->OpenStream("t\\u\\s1", kReadWrite, true));
  std::unique_ptr<TStorageStream>(f->OpenStream("t\\u\\v\\s2", kReadWrite, true));
  std::unique_ptr<TStorageStream>(f->OpenStream("t\\s3", kReadWrite, true));
  std::unique_ptr<TStorageStream>(f->OpenStream("keep", kReadWrite, true));
  EXPECT_TRUE(f->DeleteElement("missing"));
  EXPECT_TRUE(f->DeleteElement("T"));
  EXPECT_FALSE(f->ElementExists("t"));
  EXPECT_TRUE(f->ElementExists("keep"));
  // Something held open inside: the deletion ends, says so, and keeps the tree.
  std::unique_ptr<TStorageStream>(f->OpenStream("b\\other", kReadWrite, true));
  std::unique_ptr<TStorageStream> held(f->OpenStream("b\\c\\held", kReadWrite, true));
  EXPECT_FALSE(f->DeleteElement("b"));
  EXPECT_TRUE(f->ElementExists("b"));
  held->WriteString("still usable");
  std::unique_ptr<TStorageStream> heldTop(f->OpenStream("keep", kReadWrite, false));
  EXPECT_FALSE(f->DeleteElement("keep"));
  heldTop.reset();
  held.reset();
  EXPECT_TRUE(f->DeleteElement("b"));
  EXPECT_FALSE(f->ElementExists("b"));
  EXPECT_TRUE(f->DeleteElement("keep"));
  EXPECT_EQ(f->ElementCount(), 0u);
  EXPECT_EQ(f->LockCount(), 1);
}

TEST(StructuredStorage, DeleteElementInAReadOnlyFileDeletesNothing) {
  TempDir dir;
  {
    RootFile f(dir.file("t.stg"));
    std::unique_ptr<TStorageStream>(f->OpenStream("a\\s", kReadWrite, true));
  }
  RootFile f(dir.file("t.stg"), kRead);
  EXPECT_FALSE(f->DeleteElement("a"));
  EXPECT_TRUE(f->ElementExists("a"));
}

TEST(StructuredStorage, GetSizeSumsStreamsOfTheWholeTree) {
  TempDir dir;
  RootFile f(dir.file("t.stg"));
  auto add = [&](const char* path, std::size_t n) {
    std::unique_ptr<TStorageStream> s(f->OpenStream(path, kReadWrite, true));
    const auto bytes = patternBytes(n, 1);
    s->Write(bytes.data(), static_cast<std::int32_t>(n));
  };
  add("a", 10);
  add("b", 20);
  add("sub\\c", 5);
  f->RefreshElements();
  EXPECT_EQ(f->GetSize(), 35u);
}

TEST(StructuredStorage, ElementsAreListedWithTheirStatistics) {
  TempDir dir;
  RootFile f(dir.file("t.stg"));
  std::unique_ptr<TStorageStream>(f->OpenStream("Stream", kReadWrite, true))->Write("xyz", 3);
  std::unique_ptr<TStructuredStorage>(f->OpenSubStorage("Sub", kReadWrite, true));
  f->RefreshElements();
  ASSERT_EQ(f->ElementCount(), 2u);
  EXPECT_EQ(f->GetElement(0).Name, "Sub") << "directory order: shorter names first";
  EXPECT_EQ(f->GetElement(0).Props.type, STGTY_STORAGE);
  EXPECT_NE(f->GetElement(0).Props.ctime, 0u);
  EXPECT_EQ(f->FindElement("STREAM").Props.cbSize, 3u);
  EXPECT_EQ(f->FindElement("none").Name, "");
  EXPECT_EQ(f->FindElement("none").Props.type, 0u);
  EXPECT_EQ(f->GetElement(9).Name, "");
}

TEST(StoragePropertySet, OpenCreatesNamedSetsAndPropertiesRoundTrip) {
  TempDir dir;
  const Guid fmtid = GuidOf("{6B2A5C1E-0D3F-4F7A-9C21-3E4D5F607182}");
  {
    RootFile f(dir.file("t.stg"));
    EXPECT_EQ(f->OpenPropertySet(fmtid, kReadWrite, false), nullptr);
    std::unique_ptr<TStoragePropertySet> ps(f->OpenPropertySet(fmtid, kReadWrite, true, "My set"));
    ASSERT_TRUE(ps);
    EXPECT_EQ(ps->Stat().fmtid, fmtid);
    auto& p = *ps->_IPropertyStorage();
    WriteNamedStringProperty(p, "Name.One", "Žluťoučký");
    WriteNamedIntegerProperty(p, "Count", -5'000'000'000);
    WriteStringProperty(p, 40, "by id");
    WriteDateTimeProperty(p, 41, 41640.5);
    WriteNamedIntegerProperty(p, "count", 7);  // the same name, another case
    std::string name;
    EXPECT_EQ(p.ReadPropertyName(0, &name), kSOk);
    EXPECT_EQ(name, "My set");
    std::vector<STATPROPSTG> props;
    p.Enum(&props);
    ASSERT_EQ(props.size(), 4u);
    EXPECT_EQ(props[0].propid, 2u) << "names take IDs from 2 upward";
    EXPECT_EQ(props[0].name, "Name.One");
    EXPECT_EQ(props[1].propid, 3u);
    EXPECT_EQ(props[1].vt, VT_I8);
  }
  RootFile f(dir.file("t.stg"), kRead);
  ASSERT_EQ(f->PropertySetCount(), 1u);
  EXPECT_EQ(f->PropertySets()[0].Name, "My set");
  EXPECT_EQ(f->PropertySets()[0].Props.fmtid, fmtid);
  std::unique_ptr<TStoragePropertySet> ps(f->OpenPropertySet(fmtid, kRead, false));
  ASSERT_TRUE(ps);
  auto& p = *ps->_IPropertyStorage();
  EXPECT_EQ(ReadNamedStringProperty(p, "name.one"), "Žluťoučký");
  EXPECT_EQ(ReadNamedIntegerProperty(p, "Count"), 7);
  EXPECT_EQ(ReadStringProperty(p, 40), "by id");
  EXPECT_DOUBLE_EQ(ReadDateTimeProperty(p, 41, false), 41640.5);
  // Missing properties give the empty values; writing a read-only set fails.
  EXPECT_EQ(ReadNamedStringProperty(p, "absent"), "");
  EXPECT_EQ(ReadNamedIntegerProperty(p, "absent"), 0);
  EXPECT_EQ(ReadStringProperty(p, 99), "");
  EXPECT_EQ(ReadDateTimeProperty(p, 99, false), 0.0);
  EXPECT_EQ(ReadNamedIntegerProperty(p, "Name.One"), 0) << "a string is no integer";
  EXPECT_EQ(errorOf([&] { WriteStringProperty(p, 40, "x"); }), STG_E_ACCESSDENIED);
}

TEST(StoragePropertySet, SetStreamsAreNamedAfterTheirFormatId) {
  EXPECT_EQ(cfb::propertySetStreamName(FMTID_SummaryInformation), u"\x05SummaryInformation");
  EXPECT_EQ(cfb::propertySetStreamName(FMTID_DocSummaryInformation),
            u"\x05"
            u"DocumentSummaryInformation");
  const auto other = cfb::propertySetStreamName(GuidOf("{6B2A5C1E-0D3F-4F7A-9C21-3E4D5F607182}"));
  EXPECT_EQ(other.size(), 27u) << "\\005 and 26 base-32 characters";
  TempDir dir;
  RootFile f(dir.file("t.stg"));
  std::unique_ptr<TStoragePropertySet>(
      f->OpenPropertySet(FMTID_SummaryInformation, kReadWrite, true));
  EXPECT_TRUE(f->ElementExists("\x05SummaryInformation"));
}

TEST(StringLists, WrittenAsUtf8WithBomAndReadBackInEveryEncoding) {
  TempDir dir;
  RootFile f(dir.file("t.stg"));
  std::unique_ptr<TStorageStream> s(f->CreateStream("lines", kReadWrite));
  const std::vector<std::string> lines = {"System", "Příliš žluťoučký kůň", "", "日本語"};
  StringsToStream(lines, *s, nullptr);
  EXPECT_EQ(s->Position(), 0);
  const auto bytes = streamBytes(*s);
  ASSERT_GE(bytes.size(), 3u);
  EXPECT_EQ(std::vector<std::uint8_t>(bytes.begin(), bytes.begin() + 3),
            (std::vector<std::uint8_t>{0xEF, 0xBB, 0xBF}));
  std::vector<std::string> back;
  StreamToStrings(*s, back, nullptr);
  EXPECT_EQ(back, lines);
  struct Case {
    std::string bytes;
    std::vector<std::string> lines;
  };
  const Case cases[] = {
      {"a\r\nb\rc\nd", {"a", "b", "c", "d"}},
      {"a\r\n\r\n", {"a", ""}},
      {"", {}},
      {"caf\xE9 \x80", {"café €"}},                         // ANSI (Windows-1252)
      {std::string("\xFF\xFEh\0i\0\r\0\n\0", 10), {"hi"}},  // UTF-16LE with its mark
      {std::string("\xEF\xBB\xBFZ\xC3\xA1\r\n"), {"Zá"}},   // UTF-8 with its mark
  };
  for (const auto& c : cases) {
    s->Clear();
    s->Write(c.bytes.data(), static_cast<std::int32_t>(c.bytes.size()));
    StreamToStrings(*s, back, nullptr);
    EXPECT_EQ(back, c.lines) << c.bytes;
  }
}

void reverseBytes(std::istream& in, std::ostream& out) {
  std::string all;
  char buffer[256];
  while (in.read(buffer, sizeof buffer) || in.gcount() > 0)
    all.append(buffer, static_cast<std::size_t>(in.gcount()));
  out << std::string(all.rbegin(), all.rend());
}
void failingCode(std::istream&, std::ostream&) {
  throw std::runtime_error("cannot decode");
}

TEST(StringLists, CodeStreamProcedureTransformsBothWaysAndFallsBack) {
  TempDir dir;
  RootFile f(dir.file("t.stg"));
  std::unique_ptr<TStorageStream> s(f->CreateStream("lines", kReadWrite));
  StringsToStream({"one", "two"}, *s, reverseBytes);
  const auto bytes = streamBytes(*s);
  EXPECT_EQ(bytes.front(), '\n');
  std::vector<std::string> back;
  StreamToStrings(*s, back, reverseBytes);
  EXPECT_EQ(back, (std::vector<std::string>{"one", "two"}));
  // A procedure that fails: the stream's bytes are read unchanged.
  s->Clear();
  StringsToStream({"plain"}, *s, nullptr);
  StreamToStrings(*s, back, failingCode);
  EXPECT_EQ(back, (std::vector<std::string>{"plain"}));
}

TEST(StorageFile, EntryPointsReportThePlatformCodes) {
  TempDir dir;
  testing::writeText(dir.file("text.txt"), "not a compound file, but long enough to look at");
  EXPECT_EQ(StgIsStorageFile(dir.file("missing")), STG_E_FILENOTFOUND);
  EXPECT_EQ(StgIsStorageFile(dir.file("text.txt")), kSFalse);
  std::shared_ptr<cfb::Storage> stg;
  EXPECT_EQ(StgOpenStorage(dir.file("missing"), kRead, &stg), STG_E_FILENOTFOUND);
  EXPECT_EQ(StgOpenStorage(dir.file("text.txt"), kRead, &stg), STG_E_FILEALREADYEXISTS);
  EXPECT_EQ(StgCreateDocfile(dir.file("text.txt"), kReadWrite, &stg), STG_E_FILEALREADYEXISTS);
  EXPECT_EQ(StgCreateDocfile(dir.file("text.txt"), kCreate, &stg), kSOk);
  stg.reset();
  EXPECT_EQ(StgIsStorageFile(dir.file("text.txt")), kSOk);
#if defined(_WIN32)
  // Windows tells a missing folder from a missing file.
  EXPECT_EQ(StgOpenStorage(dir.file("nodir/x"), kRead, &stg), STG_E_PATHNOTFOUND);
#else
  EXPECT_EQ(StgOpenStorage(dir.file("nodir/x"), kRead, &stg), STG_E_FILENOTFOUND);
#endif
  try {
    OleCheck(STG_E_SHAREVIOLATION);
  } catch (const EOleSysError& e) {
    EXPECT_STREQ(e.what(), "A share violation has occurred.");
  }
  EXPECT_EQ(StorageErrorMessage(hresult(0x80031234)), "OLE error 80031234");
}

TEST(StorageFile, ExclusiveOpenKeepsOthersOutUntilReleased) {
  TempDir dir;
  const std::string path = dir.file("t.stg");
  std::shared_ptr<cfb::Storage> first;
  ASSERT_EQ(StgCreateDocfile(path, kCreate, &first), kSOk);
  std::shared_ptr<cfb::Storage> second;
  EXPECT_EQ(StgOpenStorage(path, kRead, &second), STG_E_SHAREVIOLATION);
  EXPECT_EQ(StgOpenStorage(path, kReadWrite, &second), STG_E_SHAREVIOLATION);
  EXPECT_EQ(StgCreateDocfile(path, kCreate, &second), STG_E_SHAREVIOLATION);
  // Another process is kept out as well.
#if defined(_WIN32)
  testing::ChildTest child("OpenIsRefused", path);
  ASSERT_TRUE(child.started());
  EXPECT_EQ(child.wait(), 0u);
#else
  const pid_t child = ::fork();
  if (child == 0) {
    std::shared_ptr<cfb::Storage> other;
    ::_exit(StgOpenStorage(path, kRead, &other) == STG_E_SHAREVIOLATION ? 0 : 1);
  }
  int status = 0;
  ::waitpid(child, &status, 0);
  EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
#endif
  std::shared_ptr<cfb::Stream> s;
  ASSERT_EQ(first->CreateStream("s", kReadWrite, &s), kSOk);
  first.reset();  // the root closes the file
  std::uint32_t n = 0;
  EXPECT_EQ(s->Write("x", 1, &n), STG_E_REVERTED) << "objects inside a released root are gone";
  EXPECT_EQ(StgOpenStorage(path, kRead, &second), kSOk);
  std::shared_ptr<cfb::Stream> again;
  EXPECT_EQ(second->OpenStream("s", kReadWrite, &again), STG_E_ACCESSDENIED) << "read-only file";
  EXPECT_EQ(second->CreateStream("t", kReadWrite, &again), STG_E_ACCESSDENIED);
  EXPECT_EQ(second->OpenStream("s", kReadWrite & ~0x10u, &again), STG_E_INVALIDFLAG);
}

TEST(StorageFile, ChangesReachTheFileWhenTheRootIsReleased) {
  TempDir dir;
  const std::string path = dir.file("t.stg");
  { RootFile f(path); }
  const auto before = testing::readBytes(path);
  {
    RootFile f(path, kReadWrite);
    std::unique_ptr<TStorageStream>(f->OpenStream("s", kReadWrite, true))->WriteString("new");
    EXPECT_EQ(testing::readBytes(path), before) << "nothing written while open";
  }
  RootFile f(path, kRead);
  std::unique_ptr<TStorageStream> s(f->OpenStream("s", kRead, false));
  ASSERT_TRUE(s);
  EXPECT_EQ(s->ReadString(), "new");
  std::vector<std::string> leftovers;
  for (const auto& e : std::filesystem::directory_iterator(dir.path()))
    leftovers.push_back(e.path().filename().string());
  EXPECT_EQ(leftovers, std::vector<std::string>{"t.stg"}) << "no temporary file stays behind";
}

TEST(StorageFile, AKillDuringASaveLeavesTheOldFileWhole) {
  TempDir dir;
  const std::string path = dir.file("t.stg");
  const auto oldData = patternBytes(100'000, 1);
  {
    RootFile f(path);
    std::unique_ptr<TStorageStream> s(f->OpenStream("data", kReadWrite, true));
    s->Write(oldData.data(), static_cast<std::int32_t>(oldData.size()));
  }
  const auto oldBytes = testing::readBytes(path);
#if defined(_WIN32)
  testing::ChildTest child("SaveUntilKilled", path);
  ASSERT_TRUE(child.started());
  ASSERT_TRUE(child.waitForSignal(60'000));
  child.kill();
  EXPECT_EQ(child.wait(), 9u);
#else
  int ready[2];
  ASSERT_EQ(::pipe(ready), 0);
  const pid_t child = ::fork();
  if (child == 0) {
    ::close(ready[0]);
    cfb::setSaveHookForTesting([&] {
      // Half of the new file is written: tell the parent and wait to be killed.
      const char c = 'x';
      (void)!::write(ready[1], &c, 1);
      for (;;)
        ::pause();
    });
    RootFile f(path, kReadWrite);
    std::unique_ptr<TStorageStream> s(f->OpenStream("data", kReadWrite, false));
    const auto newData = patternBytes(300'000, 2);
    s->Write(newData.data(), static_cast<std::int32_t>(newData.size()));
    s.reset();
    f.root.reset();
    ::_exit(3);
  }
  ::close(ready[1]);
  char c = 0;
  ASSERT_EQ(::read(ready[0], &c, 1), 1);
  ::kill(child, SIGKILL);
  int status = 0;
  ::waitpid(child, &status, 0);
  ::close(ready[0]);
  EXPECT_TRUE(WIFSIGNALED(status));
#endif
  EXPECT_EQ(testing::readBytes(path), oldBytes);
  RootFile f(path, kReadWrite);
  std::unique_ptr<TStorageStream> s(f->OpenStream("data", kRead, false));
  ASSERT_TRUE(s);
  EXPECT_EQ(s->Size(), 100'000);
}

#if defined(_WIN32)
// The second process of the tests above, run by testing::ChildTest only.
TEST(StorageFileChild, DISABLED_OpenIsRefused) {
  std::shared_ptr<cfb::Storage> other;
  EXPECT_EQ(StgOpenStorage(testing::ChildTest::argument(), kRead, &other), STG_E_SHAREVIOLATION);
}

TEST(StorageFileChild, DISABLED_SaveUntilKilled) {
  const std::string path = testing::ChildTest::argument();
  cfb::setSaveHookForTesting([] {
    // Half of the new file is written: tell the parent and wait to be killed.
    testing::ChildTest::signalParent();
    for (;;)
      std::this_thread::sleep_for(std::chrono::hours(1));
  });
  RootFile f(path, kReadWrite);
  std::unique_ptr<TStorageStream> s(f->OpenStream("data", kReadWrite, false));
  const auto newData = patternBytes(300'000, 2);
  s->Write(newData.data(), static_cast<std::int32_t>(newData.size()));
  s.reset();
  f.root.reset();
  FAIL() << "the save finished without reaching the hook";
}
#endif

}  // namespace
}  // namespace tallyvane
