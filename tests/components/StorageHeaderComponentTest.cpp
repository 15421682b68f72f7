// The component's own storage information header: what a save writes from live
// and from stored data, and what a load takes back.
#include <gtest/gtest.h>

#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <memory>
#include <string>
#include <vector>

#include "components/Qzi_Common.h"
#include "storage/Orvex_SS.h"
#include "storage/StorageHeader.h"
#include "support/FakeSessionFacts.h"
#include "support/TempDir.h"

namespace tallyvane {
namespace {

using testing::FakeSessionFacts;
using testing::TempDir;

class HeaderComponent : public TOrvex_Component {
 public:
  explicit HeaderComponent(SessionFacts& facts)
      : TOrvex_Component(nullptr, platform::systemServices(), facts) {}
  void Clear() override {}
};

void Identity(std::istream& in, std::ostream& out) {
  out << in.rdbuf();
}

// The header set's property names (IDs for unnamed ones) in their order, and
// the named integers as they lie in the file.
struct HeaderSet {
  std::vector<std::string> names;
  std::int64_t processId = 0;
  std::int64_t platform = 0;
  std::int64_t build = 0;
  std::int64_t sessionId = 0;
};

HeaderSet ReadHeaderSet(const std::string& file) {
  std::shared_ptr<cfb::Storage> stg;
  OleCheck(StgOpenStorage(file, STGM_READ | STGM_SHARE_EXCLUSIVE, &stg));
  TStructuredStorage root(nullptr, stg);
  std::unique_ptr<TStoragePropertySet> set(
      root.OpenPropertySet(FMTID_SummaryInformation, STGM_READ | STGM_SHARE_EXCLUSIVE, false));
  HeaderSet h;
  if (!set)
    return h;
  cfb::PropertyStorage& p = *set->_IPropertyStorage();
  std::vector<STATPROPSTG> props;
  p.Enum(&props);
  for (const auto& prop : props)
    h.names.push_back(prop.name.empty() ? std::to_string(prop.propid) : prop.name);
  h.processId = ReadNamedIntegerProperty(p, "ParentProcessPID");
  h.platform = ReadNamedIntegerProperty(p, "OS.Platform");
  h.build = ReadNamedIntegerProperty(p, "OS.BuildNumber");
  h.sessionId = ReadNamedIntegerProperty(p, "SessionID");
  return h;
}

TEST(ComponentHeader, LiveSaveDescribesThisProgramMachineAndSession) {
  TempDir dir;
  FakeSessionFacts facts;
  facts.os.CSDVersion = "  Service Pack 1 ";
  HeaderComponent c(facts);
  c.SetSession(5);
  const std::string file = dir.file("live.stg");
  c.SaveToStorage(file, "before the move", nullptr);

  StorageHeaderValues v;
  ASSERT_TRUE(ReadStorageHeaderValues(file, v));
  EXPECT_EQ(v.Title, "Tallyvane Journal");
  EXPECT_EQ(v.Application, "Tallyvane Journal 0.1.0.0");
  EXPECT_EQ(v.Copyright, "© 2026 Tallyvane");
  EXPECT_EQ(v.Comment, "before the move");
  EXPECT_EQ(v.OS, "Windows 10 10.0.19045 Professional");
  EXPECT_EQ(v.Machine, "PC-01");
  EXPECT_EQ(v.Timestamp, facts.writer.Now);
  EXPECT_EQ(v.Security, "Admin");
  EXPECT_EQ(v.SIFVersion, 1);
  EXPECT_EQ(v.SIFFormat, 0);
  EXPECT_EQ(v.LoggedUser, "user5");
  EXPECT_EQ(v.LoggedUserSID, "SID of user5");
  EXPECT_EQ(v.Account, "jana");
  EXPECT_EQ(v.OSPlatform, 2);
  EXPECT_EQ(v.OSMajorVersion, 10);
  EXPECT_EQ(v.OSMinorVersion, 0);
  EXPECT_EQ(v.OSBuildNumber, 19045);
  EXPECT_EQ(v.OSName, "Windows 10");
  EXPECT_EQ(v.OSEdition, "Professional");
  EXPECT_EQ(v.OSCSD, "Service Pack 1");
  EXPECT_EQ(v.Session, "Local+VirtualBox");
  EXPECT_EQ(v.SessionID, 5);
  EXPECT_EQ(v.IP, "192.168.1.5, 10.0.0.2");

  const HeaderSet set = ReadHeaderSet(file);
  EXPECT_EQ(set.names.size(), 24u);
  EXPECT_EQ(set.processId, 4242);
}

TEST(ComponentHeader, LiveIntegersAndTexts) {
  struct Case {
    const char* what;
    std::int32_t platform;
    std::int32_t build;
    std::uint32_t session;
    std::uint32_t processId;
    bool encoded;
    bool admin;
    std::string csd;
    std::int64_t wantPlatform, wantBuild, wantSession, wantProcess, wantFormat;
    const char* wantSecurity;
    std::string wantCsd;
  };
  const Case cases[] = {
      {"the platform is sign-extended, the rest zero-extended", -2,
       static_cast<std::int32_t>(0x80000001u), 0x80000000u, 0xFFFFFFFEu, false, true, "", -2,
       0x80000001LL, 0x80000000LL, 0xFFFFFFFELL, 0, "Admin", ""},
      {"the current session keeps its all-ones number", 2, 7601, 0xFFFFFFFFu, 1, true, false,
       std::string("Service Pack 2\0junk", 19), 2, 7601, 0xFFFFFFFFLL, 1, 1, "", "Service Pack 2"},
      {"the service pack text is cut at 128 characters", 2, 1, 0, 1, false, false,
       std::string(130, 'x'), 2, 1, 0, 1, 0, "", std::string(128, 'x')},
  };
  for (const Case& k : cases) {
    SCOPED_TRACE(k.what);
    TempDir dir;
    FakeSessionFacts facts;
    facts.os.PlatformId = k.platform;
    facts.os.BuildNumber = k.build;
    facts.os.CSDVersion = k.csd;
    facts.writer.ProcessId = k.processId;
    facts.writer.IsAdministrator = k.admin;
    HeaderComponent c(facts);
    if (k.session != 0xFFFFFFFFu)
      c.SetSession(k.session);
    const std::string file = dir.file("h.stg");
    c.SaveToStorage(file, "", k.encoded ? Identity : nullptr);
    const HeaderSet set = ReadHeaderSet(file);
    EXPECT_EQ(set.platform, k.wantPlatform);
    EXPECT_EQ(set.build, k.wantBuild);
    EXPECT_EQ(set.sessionId, k.wantSession);
    EXPECT_EQ(set.processId, k.wantProcess);
    StorageHeaderValues v;
    ASSERT_TRUE(ReadStorageHeaderValues(file, v));
    EXPECT_EQ(v.SIFFormat, k.wantFormat);
    EXPECT_EQ(v.Security, k.wantSecurity);
    EXPECT_EQ(v.OSCSD, k.wantCsd);
  }
}

TEST(ComponentHeader, LoadTakesTheHeaderAndTheSessionNumber) {
  TempDir dir;
  const std::string file = dir.file("h.stg");
  FakeSessionFacts writerFacts;
  HeaderComponent writer(writerFacts);
  writer.SetSession(7);
  writer.SaveToStorage(file, "weekly", Identity);

  FakeSessionFacts readerFacts;
  readerFacts.os = {2, 6, 1, 7601, "Service Pack 1"};
  HeaderComponent reader(readerFacts);
  EXPECT_TRUE(reader.LoadFromStorage(file, nullptr));
  const TStorageInfoRecord& h = reader.StorageInfo();
  EXPECT_EQ(h.SIFVersion, 1);
  EXPECT_TRUE(h.Encrypted);
  EXPECT_EQ(h.Machine, "PC-01");
  EXPECT_EQ(h.Application, "Tallyvane Journal 0.1.0.0");
  EXPECT_EQ(h.Title, "Tallyvane Journal");
  EXPECT_EQ(h.OS, "Windows 10 10.0.19045 Professional");
  EXPECT_EQ(h.Timestamp, writerFacts.writer.Now);  // to the millisecond
  EXPECT_EQ(h.Comment, "weekly");
  EXPECT_EQ(h.LoggedUser, "user7");
  EXPECT_EQ(h.LoggedUserSID, "SID of user7");
  EXPECT_EQ(h.Account, "jana");
  EXPECT_EQ(h.OSPlatform, 2);
  EXPECT_EQ(h.OSMajorVersion, 10);
  EXPECT_EQ(h.OSBuildNumber, 19045);
  EXPECT_EQ(h.OSCSDVersion, "Service Pack 1");
  EXPECT_EQ(h.Session, "Local+VirtualBox");
  EXPECT_EQ(h.SessionID, 7);
  EXPECT_EQ(h.IP, "192.168.1.5, 10.0.0.2");
  EXPECT_EQ(h.Security, "Admin");
  EXPECT_EQ(reader.SessionID(), 7u);

  // Only a format of exactly 1 means the data went through a code-stream procedure.
  for (std::int64_t format : {0, 2, -1}) {
    StorageHeaderValues v;
    ASSERT_TRUE(ReadStorageHeaderValues(file, v));
    v.SIFFormat = format;
    WriteStorageHeaderValues(file, v);
    reader.LoadFromStorage(file, nullptr);
    EXPECT_FALSE(reader.StorageInfo().Encrypted) << format;
  }
}

TEST(ComponentHeader, SavingStoredDataWritesTheLoadedHeaderBack) {
  TempDir dir;
  const std::string first = dir.file("first.stg");
  FakeSessionFacts writerFacts;
  HeaderComponent writer(writerFacts);
  writer.SaveToStorage(first, "original", Identity);  // the current session, 0xFFFFFFFF
  StorageHeaderValues original;
  ASSERT_TRUE(ReadStorageHeaderValues(first, original));

  FakeSessionFacts otherFacts;
  otherFacts.writer = {"Other", "9", "", "Linux", "", "elsewhere", "bob", false, "", 1, 1.0};
  HeaderComponent c(otherFacts);
  c.LoadFromStorage(first, nullptr);
  const std::string second = dir.file("second.stg");
  c.SaveToStorage(second, "a new comment", nullptr);

  StorageHeaderValues copy;
  ASSERT_TRUE(ReadStorageHeaderValues(second, copy));
  StorageHeaderValues expected = original;
  // Written from the record, the session number is sign-extended from 32 bits.
  EXPECT_EQ(original.SessionID, 0xFFFFFFFFLL);
  expected.SessionID = -1;
  EXPECT_EQ(copy, expected);
  EXPECT_EQ(copy.Comment, "original");
  EXPECT_EQ(copy.SIFFormat, 1);

  const HeaderSet set = ReadHeaderSet(second);
  EXPECT_EQ(set.names.size(), 23u);
  EXPECT_EQ(std::find(set.names.begin(), set.names.end(), "ParentProcessPID"), set.names.end());

  // A refresh returns to live data, and the next save describes this machine again.
  c.RefreshData(TScanObjects{});
  c.SaveToStorage(second, "live again", nullptr);
  ASSERT_TRUE(ReadStorageHeaderValues(second, copy));
  EXPECT_EQ(copy.Machine, "elsewhere");
  EXPECT_EQ(copy.Comment, "live again");
  EXPECT_EQ(ReadHeaderSet(second).processId, 1);
}

TEST(ComponentHeader, FilesWithoutAHeader) {
  TempDir dir;
  FakeSessionFacts facts;
  HeaderComponent source(facts);
  source.SetSession(4);
  const std::string saved = dir.file("saved.stg");
  source.SaveToStorage(saved, "kept", nullptr);

  HeaderComponent c(facts);
  c.LoadFromStorage(saved, nullptr);
  const TStorageInfoRecord loaded = c.StorageInfo();

  // A file that is no compound file leaves the record and the session number alone.
  const std::string text = dir.write("plain.txt", "just text").string();
  c.LoadFromStorage(text, nullptr);
  EXPECT_EQ(c.StorageInfo(), loaded);
  EXPECT_EQ(c.SessionID(), 4u);
  c.LoadFromStorage(dir.file("missing.stg"), nullptr);
  EXPECT_EQ(c.StorageInfo(), loaded);

  // A compound file without the set empties every field the header fills.
  const std::string bare = dir.file("bare.stg");
  {
    std::shared_ptr<cfb::Storage> stg;
    OleCheck(StgCreateDocfile(bare, STGM_CREATE | STGM_READWRITE | STGM_SHARE_EXCLUSIVE, &stg));
  }
  c.LoadFromStorage(bare, nullptr);
  TStorageInfoRecord empty;
  EXPECT_EQ(c.StorageInfo(), empty);
  EXPECT_EQ(c.SessionID(), 0u);

  // A save onto a text file replaces it with a compound file that has the header.
  HeaderComponent live(facts);
  live.SaveToStorage(text, "replaced", nullptr);
  StorageHeaderValues v;
  ASSERT_TRUE(ReadStorageHeaderValues(text, v));
  EXPECT_EQ(v.Comment, "replaced");
}

TEST(ComponentHeader, ThisMachinesWriterFacts) {
  const auto before = std::chrono::system_clock::now();
  const WriterFacts w = systemSessionFacts().Writer();
  EXPECT_EQ(w.ProcessId, static_cast<std::uint32_t>(::getpid()));
  EXPECT_FALSE(w.Account.empty());
  EXPECT_FALSE(w.MachineName.empty());
  EXPECT_FALSE(w.OSName.empty());
  // Local time: within a day of the UTC clock, whatever the zone.
  const double utcDays =
      std::chrono::duration<double>(before.time_since_epoch()).count() / 86400.0 + 25569.0;
  EXPECT_NEAR(w.Now, utcDays, 1.0);
}

}  // namespace
}  // namespace tallyvane
