// Files we write, read by tools we did not write (olefile, libolecf, libgsf),
// and files they write or real files, read by ours. Each test skips when its
// tool or fixture is absent.
#include <gtest/gtest.h>

#include <filesystem>
#include <map>
#include <set>
#include <sstream>

#include "StorageTestSupport.h"
#include "eventlog/Orvex_CRC.h"
#include "eventlog/Qzi_EventLog.h"
#include "storage/Orvex_SS.h"
#include "support/FakeEventLogService.h"
#include "support/FakeSessionFacts.h"

namespace tallyvane {
namespace {

using testing::patternBytes;
using testing::run;
using testing::TempDir;

constexpr std::uint32_t kRead = 16;
constexpr std::uint32_t kReadWrite = 18;
constexpr std::uint32_t kCreate = 4114;

std::string shellQuote(const std::string& s) {
  std::string out = "'";
  for (const char c : s) {
    if (c == '\'') {
      out += "'\\''";
    } else {
      out += c;
    }
  }
  return out + "'";
}

// "\005" for control characters, as the listings below print them.
std::string printable(const std::string& name) {
  std::string out;
  for (const char c : name) {
    if (static_cast<unsigned char>(c) < 0x20) {
      char buf[8];
      std::snprintf(buf, sizeof buf, "\\%03o", static_cast<unsigned>(c));
      out += buf;
    } else {
      out += c;
    }
  }
  return out;
}

// Every stream of a file as "path size crc32", as olefile sees it.
const char* kOlefileListing = R"PY(
import olefile, sys, zlib
o = olefile.OleFileIO(sys.argv[1])
def show(s):
    return ''.join('\\%03o' % ord(c) if ord(c) < 32 else c for c in s)
for e in o.listdir(streams=True, storages=False):
    p = '/'.join(e)
    d = o.openstream(p).read()
    print('%s\t%d\t%08x' % (show(p), len(d), zlib.crc32(d) & 0xffffffff))
for e in o.listdir(streams=False, storages=True):
    print('%s/' % show('/'.join(e)))
)PY";

// The properties of a set as "id<TAB>value", through olefile's reader.
const char* kOlefileProperties = R"PY(
import olefile, sys
o = olefile.OleFileIO(sys.argv[1])
props = o.getproperties(sys.argv[2], convert_time=False)
for k in sorted(props):
    v = props[k]
    if isinstance(v, bytes):
        v = v.decode('cp1252')
    if isinstance(v, str):
        v = v.rstrip('\x00')  # olefile keeps the terminator the count includes
    print('%d\t%s' % (k, v))
)PY";

// Our own listing in the same form.
void listOurs(TStructuredStorage& stg, const std::string& prefix, std::set<std::string>& out) {
  for (std::uint32_t i = 0; i < stg.ElementCount(); ++i) {
    const TElement e = stg.GetElement(i);
    const std::string path = prefix.empty() ? e.Name : prefix + "/" + e.Name;
    if (e.Props.type == STGTY_STREAM) {
      std::unique_ptr<TStorageStream> s(stg.OpenStream(e.Name, kRead, false));
      std::vector<std::byte> data(static_cast<std::size_t>(s->Size()));
      if (!data.empty())
        s->Read(data.data(), static_cast<std::int32_t>(data.size()));
      char line[600];
      std::snprintf(line, sizeof line, "%s\t%zu\t%08x", printable(path).c_str(), data.size(),
                    CRC32(data));
      out.insert(line);
    } else {
      out.insert(printable(path) + "/");
      std::unique_ptr<TStructuredStorage> sub(stg.OpenSubStorage(e.Name, kRead, false));
      listOurs(*sub, path, out);
    }
  }
}

std::set<std::string> listOursOf(const std::string& file) {
  std::shared_ptr<cfb::Storage> stg;
  OleCheck(StgOpenStorage(file, kRead, &stg));
  TStructuredStorage root(nullptr, stg);
  std::set<std::string> out;
  listOurs(root, "", out);
  return out;
}

std::set<std::string> linesOf(const std::string& text) {
  std::set<std::string> out;
  std::istringstream in(text);
  std::string line;
  while (std::getline(in, line)) {
    if (!line.empty())
      out.insert(line);
  }
  return out;
}

std::string runPython(const TempDir& dir, const char* script, const std::string& args) {
  testing::writeText(dir.file("script.py"), script);
  int status = 0;
  const std::string out =
      run("/usr/bin/python3 " + shellQuote(dir.file("script.py")) + " " + args + " 2>&1", &status);
  EXPECT_EQ(status, 0) << out;
  return out;
}

// A file with streams around every size boundary, nested storages, a deleted
// element and two property sets (one with names).
void writeSample(const std::string& path) {
  std::shared_ptr<cfb::Storage> stg;
  OleCheck(StgCreateDocfile(path, kCreate, &stg));
  TStructuredStorage root(nullptr, stg);
  unsigned seed = 1;
  for (const std::size_t size : {0u, 1u, 64u, 511u, 512u, 4095u, 4096u, 4097u, 70000u}) {
    std::unique_ptr<TStorageStream> s(root.CreateStream("s" + std::to_string(size), kReadWrite));
    const auto data = patternBytes(size, seed++);
    if (size)
      s->Write(data.data(), static_cast<std::int32_t>(size));
  }
  std::unique_ptr<TStorageStream>(root.OpenStream("EventLog\\D91EFD29", kReadWrite, true))
      ->WriteString("System");
  std::unique_ptr<TStorageStream>(root.OpenStream("a\\b\\c\\deep", kReadWrite, true))
      ->WriteString("deep");
  std::unique_ptr<TStorageStream>(root.OpenStream("a\\gone", kReadWrite, true))
      ->WriteString("gone");
  {
    std::unique_ptr<TStructuredStorage> a(root.OpenSubStorage("a", kReadWrite, false));
    a->DeleteElement("gone");
  }
  std::unique_ptr<TStoragePropertySet> ps(
      root.OpenPropertySet(FMTID_SummaryInformation, kReadWrite, true));
  auto& p = *ps->_IPropertyStorage();
  WriteStringProperty(p, 2, "Tallyvane Journal");
  WriteStringProperty(p, 4, "Příliš žluťoučký kůň");
  WriteDateTimeProperty(p, 12, 41640.5);  // 2014-01-01 12:00
  WriteNamedIntegerProperty(p, "SIFVersion", 1);
  WriteNamedStringProperty(p, "OS.Name", "Debian GNU/Linux");
  std::unique_ptr<TStoragePropertySet> other(root.OpenPropertySet(
      GuidOf("{6B2A5C1E-0D3F-4F7A-9C21-3E4D5F607182}"), kReadWrite, true, "Custom"));
  WriteStringProperty(*other->_IPropertyStorage(), 2, "custom value");
}

TEST(Interop, OlefileListsAndReadsOurFiles) {
  if (!testing::haveOlefile())
    GTEST_SKIP() << "python3-olefile is not installed";
  TempDir dir;
  const std::string file = dir.file("ours.stg");
  writeSample(file);
  const auto theirs = linesOf(runPython(dir, kOlefileListing, shellQuote(file)));
  const auto ours = listOursOf(file);
  EXPECT_EQ(theirs, ours);
  const std::uint8_t deep[] = {4, 0, 0, 0, 'd', 0, 'e', 0, 'e', 0, 'p', 0};
  char crc[9];
  std::snprintf(crc, sizeof crc, "%08x", CRC32(std::as_bytes(std::span(deep))));
  EXPECT_TRUE(theirs.count(std::string("a/b/c/deep\t12\t") + crc));
  for (const auto& line : theirs)
    EXPECT_EQ(line.find("gone"), std::string::npos) << "deleted";
  const auto props =
      linesOf(runPython(dir, kOlefileProperties, shellQuote(file) + " '\x05SummaryInformation'"));
  std::string all;
  for (const auto& l : props)
    all += l + "\n";
  EXPECT_TRUE(props.count("1\t1200")) << "code page: Unicode\n" << all;
  EXPECT_TRUE(props.count("2\tTallyvane Journal")) << all;
  EXPECT_TRUE(props.count("4\tPříliš žluťoučký kůň")) << all;
  // olefile gives FILETIME values as whole seconds since 1601: 2014-01-01 12:00.
  EXPECT_TRUE(props.count("12\t13033051200")) << all;
}

// A stream's bytes decoded as text with a byte-order mark, lines joined by "|".
const char* kOlefileStreamText = R"PY(
import olefile, sys
o = olefile.OleFileIO(sys.argv[1])
d = o.openstream(sys.argv[2]).read()
print('|'.join(d.decode('utf-8-sig').split('\r\n')))
)PY";

TEST(Interop, OlefileReadsASavedEventLog) {
  if (!testing::haveOlefile())
    GTEST_SKIP() << "python3-olefile is not installed";
  TempDir dir;
  const std::string file = dir.file("log.stg");
  testing::FakeEventLogService service;
  testing::FakeSessionFacts facts;
  platform::Services services = platform::systemServices();
  services.eventLog = &service;
  TOrvex_EventLog log(nullptr, services, facts);
  log.Reader().SetSourceName("System");
  TLogRecord r;
  r.EventType = etError;
  r.DateTime = 41640.5;
  r.Source = "Ovladač";
  r.Category = "None";
  r.EventID = 41;
  r.Description = "a;b";
  log.Reader().AddRecord(r);
  log.SaveToStorage(file, "Příliš žluťoučký kůň", nullptr);

  EXPECT_EQ(runPython(dir, kOlefileStreamText, shellQuote(file) + " EventLog/D91EFD29"),
            "System|0;41640.5000000000;Ovladač;None;41;;;;a<SEMI>b|\n");
  const auto props =
      linesOf(runPython(dir, kOlefileProperties, shellQuote(file) + " '\x05SummaryInformation'"));
  std::string all;
  for (const auto& l : props)
    all += l + "\n";
  EXPECT_TRUE(props.count("2\tTallyvane Journal")) << all;
  EXPECT_TRUE(props.count("6\tPříliš žluťoučký kůň")) << all;
  EXPECT_TRUE(props.count("18\tTallyvane Journal 0.1.0.0")) << all;
  EXPECT_TRUE(props.count("19\tAdmin")) << all;
}

TEST(Interop, LibolecfListsAndExportsOurFiles) {
  if (!testing::haveTool("/usr/bin/olecfinfo") || !testing::haveTool("/usr/bin/olecfexport")) {
    GTEST_SKIP() << "libolecf-utils is not installed";
  }
  TempDir dir;
  const std::string file = dir.file("ours.stg");
  writeSample(file);
  int status = 0;
  const std::string info = run("/usr/bin/olecfinfo " + shellQuote(file) + " 2>&1", &status);
  EXPECT_EQ(status, 0) << info;
  for (const char* expected :
       {"s4096 (4096 bytes)", "s4095 (4095 bytes)", "s70000 (70000 bytes)", "D91EFD29 (16 bytes)",
        "\\x05SummaryInformation", "Value data\t\t: Tallyvane Journal",
        "Value data\t\t: Příliš žluťoučký kůň"}) {
    EXPECT_NE(info.find(expected), std::string::npos) << expected << "\n" << info;
  }
  run("cd " + shellQuote(dir.path()) + " && /usr/bin/olecfexport -t out " + shellQuote(file) +
          " >/dev/null 2>&1",
      &status);
  EXPECT_EQ(status, 0);
  // olecfexport makes a directory per element, with the data in StreamData.bin
  // and control characters of names written as "\x05".
  const std::filesystem::path base = dir.file("out.export");
  ASSERT_TRUE(std::filesystem::exists(base));
  std::set<std::string> exported;
  for (const auto& e : std::filesystem::recursive_directory_iterator(base)) {
    if (!e.is_regular_file() || e.path().filename() != "StreamData.bin")
      continue;
    std::string path = std::filesystem::relative(e.path().parent_path(), base).string();
    if (const auto at = path.find("\\x05"); at != std::string::npos)
      path.replace(at, 4, "\\005");
    const auto data = testing::readBytes(e.path().string());
    char crc[9];
    std::snprintf(crc, sizeof crc, "%08x", CRC32(data));
    exported.insert(path + "\t" + std::to_string(data.size()) + "\t" + crc);
  }
  for (const auto& line : listOursOf(file)) {
    if (line.back() == '/')
      continue;
    EXPECT_TRUE(exported.count(line)) << line;
  }
}

TEST(Interop, OursReadsFilesWrittenByGsf) {
  if (!testing::haveTool("/usr/bin/gsf"))
    GTEST_SKIP() << "libgsf-bin is not installed";
  TempDir dir;
  std::string inputs;
  unsigned seed = 10;
  for (const std::size_t size : {0u, 100u, 4095u, 4096u, 5000u, 20000u}) {
    const std::string name = "in" + std::to_string(size);
    testing::writeBytes(dir.file(name), patternBytes(size, seed++));
    inputs += " " + name;
  }
  int status = 0;
  const std::string out =
      run("cd " + shellQuote(dir.path()) + " && /usr/bin/gsf createole made.ole" + inputs + " 2>&1",
          &status);
  ASSERT_EQ(status, 0) << out;
  const auto ours = listOursOf(dir.file("made.ole"));
  seed = 10;
  for (const std::size_t size : {0u, 100u, 4095u, 4096u, 5000u, 20000u}) {
    char line[64];
    std::snprintf(line, sizeof line, "in%zu\t%zu\t%08x", size, size,
                  CRC32(patternBytes(size, seed++)));
    EXPECT_TRUE(ours.count(line)) << line;
  }
  if (testing::haveOlefile()) {
    EXPECT_EQ(linesOf(runPython(dir, kOlefileListing, shellQuote(dir.file("made.ole")))), ours);
  }
  // Ours can update what gsf wrote.
  {
    std::shared_ptr<cfb::Storage> stg;
    OleCheck(StgOpenStorage(dir.file("made.ole"), kReadWrite, &stg));
    TStructuredStorage root(nullptr, stg);
    EXPECT_TRUE(root.DeleteElement("in100"));
    std::unique_ptr<TStorageStream>(root.CreateStream("added", kReadWrite))->WriteString("x");
  }
  const auto updated = listOursOf(dir.file("made.ole"));
  EXPECT_EQ(updated.size(), ours.size());
}

TEST(Interop, OursReadsRealFilesAsOlefileDoes) {
  const std::filesystem::path fixtures = std::filesystem::path(TALLYVANE_SHARED_FIXTURES) / "cfb";
  if (!std::filesystem::exists(fixtures))
    GTEST_SKIP() << "no fixtures at " << fixtures;
  if (!testing::haveOlefile())
    GTEST_SKIP() << "python3-olefile is not installed";
  TempDir dir;
  int checked = 0;
  for (const auto& e : std::filesystem::directory_iterator(fixtures)) {
    const std::string file = e.path().string();
    SCOPED_TRACE(file);
    EXPECT_EQ(linesOf(runPython(dir, kOlefileListing, shellQuote(file))), listOursOf(file));
    ++checked;
    // The summary information, where there is one, has the values olefile reports.
    std::shared_ptr<cfb::Storage> stg;
    OleCheck(StgOpenStorage(file, kRead, &stg));
    TStructuredStorage root(nullptr, stg);
    if (!root.ElementExists("\x05SummaryInformation"))
      continue;
    const auto theirs =
        linesOf(runPython(dir, kOlefileProperties, shellQuote(file) + " '\x05SummaryInformation'"));
    std::unique_ptr<TStoragePropertySet> ps(
        root.OpenPropertySet(FMTID_SummaryInformation, kRead, false));
    ASSERT_TRUE(ps);
    std::vector<STATPROPSTG> props;
    ps->_IPropertyStorage()->Enum(&props);
    int compared = 0;
    for (const auto& p : props) {
      PropValue v;
      ps->_IPropertyStorage()->Read(PropSpec::Id(p.propid), &v);
      std::string text;
      if (v.isString()) {
        text = v.text;
      } else if (v.isInteger()) {
        text = std::to_string(v.integer);
      } else if (v.vt == VT_FILETIME) {
        text = std::to_string(v.fileTime / 10000000);
      } else {
        continue;
      }
      EXPECT_TRUE(theirs.count(std::to_string(p.propid) + "\t" + text))
          << p.propid << " = " << text;
      ++compared;
    }
    EXPECT_GT(compared, 5);
    EXPECT_EQ(ReadStringProperty(*ps->_IPropertyStorage(), 4), "user") << "author, an ANSI string";
  }
  EXPECT_GT(checked, 0);
}

}  // namespace
}  // namespace tallyvane
