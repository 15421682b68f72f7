#include <gtest/gtest.h>

#include <istream>
#include <ostream>
#include <string>
#include <vector>

#include "components/Qzi_Common.h"
#include "support/FakeSessionFacts.h"

namespace tallyvane {
namespace {

using testing::FakeSessionFacts;

// The base with the one operation it leaves abstract, and a way to raise the debug event.
class TestComponent : public TOrvex_Component {
 public:
  explicit TestComponent(TComponent* AOwner, SessionFacts& facts = systemSessionFacts(),
                         int* destroyed = nullptr)
      : TOrvex_Component(AOwner, platform::systemServices(), facts), destroyed_(destroyed) {}
  ~TestComponent() override {
    if (destroyed_)
      ++*destroyed_;
  }
  void Clear() override {}
  void SayDebug(const std::string& msg) { Debug(msg); }

 private:
  int* destroyed_;
};

void CopyStream(std::istream& in, std::ostream& out) {
  out << in.rdbuf();
}

TEST(ComponentBase, StartsLiveWithoutDataAndTakesTheSessionFacts) {
  FakeSessionFacts facts;
  TestComponent c(nullptr, facts);
  EXPECT_TRUE(c.ConvertTimeToLocal());
  EXPECT_TRUE(c.LiveData());
  EXPECT_FALSE(c.DataAvailable());
  EXPECT_EQ(c.SessionID(), 0xFFFFFFFFu);
  EXPECT_EQ(c.StorageFilename(), "");
  EXPECT_EQ(c.StreamCodeProc(), nullptr);
  EXPECT_EQ(c._Refresh(), "Double-click to get data");
  EXPECT_FALSE(c._About().empty());
  EXPECT_EQ(c.LoggedUser(), "alice");
  EXPECT_EQ(c.SID(), "SID of alice");
  EXPECT_EQ(c.Session(), (TSessionTypes{stLocal, stVBOX}));
  EXPECT_EQ(c.Session().ToBits(), 0x09);
  EXPECT_EQ(facts.askedSessions, (std::vector<std::uint32_t>{0xFFFFFFFF}));
  const TStorageInfoRecord& sir = c.StorageInfo();
  EXPECT_EQ(sir.OSPlatform, 2);
  EXPECT_EQ(sir.OSMajorVersion, 10);
  EXPECT_EQ(sir.OSMinorversion, 0);
  EXPECT_EQ(sir.OSBuildNumber, 19045);
  EXPECT_EQ(sir.OSCSDVersion, "Service Pack 1");
  EXPECT_TRUE(c.OnWriteHeader());
  EXPECT_TRUE(c.OnReadHeader());
  EXPECT_FALSE(c.OnDebug());
}

TEST(ComponentBase, AsksTheSessionFactsOnlyWhenTheyAreUsed) {
  FakeSessionFacts facts;
  TestComponent c(nullptr, facts);
  c.SetSession(3);
  EXPECT_TRUE(facts.askedSessions.empty());  // neither creating nor switching asks
  EXPECT_EQ(c.SID(), "SID of user3");
  EXPECT_EQ(c.LoggedUser(), "user3");
  c.Session();
  EXPECT_EQ(facts.askedSessions, (std::vector<std::uint32_t>{3}));  // asked once
}

TEST(ComponentBase, NoSessionFactsGiveTheFailureValues) {
  NoSessionFacts facts;
  TestComponent c(nullptr, facts);
  EXPECT_EQ(c.LoggedUser(), "");
  EXPECT_EQ(c.SID(), "");
  EXPECT_TRUE(c.Session().Empty());
  EXPECT_EQ(c.SessionID(), 0xFFFFFFFFu);
  EXPECT_EQ(c.StorageInfo(), TStorageInfoRecord{});
}

TEST(ComponentBase, SystemSessionFactsAreThisMachines) {
  TestComponent c(nullptr);
  EXPECT_FALSE(c.LoggedUser().empty());
  // Exactly one of a local and a remote session.
  EXPECT_NE(c.Session().Contains(stLocal), c.Session().Contains(stTerminal));
  EXPECT_EQ(c.SessionID(), 0xFFFFFFFFu);
}

TEST(ComponentBase, SetSessionTakesTheFactsOfThatSessionOnly) {
  FakeSessionFacts facts;
  TestComponent c(nullptr, facts);
  facts.types = {stTerminal};
  facts.os.BuildNumber = 1;
  c.SetSession(3);
  EXPECT_EQ(c.SessionID(), 3u);
  EXPECT_EQ(c.LoggedUser(), "user3");
  EXPECT_EQ(c.SID(), "SID of user3");
  EXPECT_EQ(c.Session(), TSessionTypes{stTerminal});
  EXPECT_EQ(c.StorageInfo().OSBuildNumber, 19045);  // nothing else is refreshed
}

TEST(ComponentBase, LoadSwitchesToStoredDataAndRefreshBack) {
  FakeSessionFacts facts;
  TestComponent c(nullptr, facts);
  std::vector<std::string> reads;
  c.SetOnReadHeader([&](const std::string& name, TStorageInfoRecord* header) {
    reads.push_back(name);
    EXPECT_EQ(header, &c.StorageInfo());
    EXPECT_FALSE(c.LiveData());  // switched before the header is read
    header->Comment = "read";
  });
  EXPECT_TRUE(c.LoadFromStorage("saved.stg", CopyStream));
  EXPECT_FALSE(c.LiveData());
  EXPECT_FALSE(c.DataAvailable());
  EXPECT_EQ(c.StorageFilename(), "saved.stg");
  EXPECT_EQ(c.StreamCodeProc(), &CopyStream);
  EXPECT_EQ(reads, (std::vector<std::string>{"saved.stg"}));
  EXPECT_EQ(c.StorageInfo().Comment, "read");

  facts.os.BuildNumber = 22631;
  c.RefreshData(TScanObjects{});
  EXPECT_TRUE(c.LiveData());
  EXPECT_EQ(c.StorageInfo().OSBuildNumber, 22631);
  EXPECT_EQ(c.StorageFilename(), "saved.stg");

  // Without a reader the header stays as it was.
  c.SetOnReadHeader(nullptr);
  EXPECT_TRUE(c.LoadFromStorage("other.stg", nullptr));
  EXPECT_EQ(c.StorageInfo().Comment, "read");
  EXPECT_EQ(c.StreamCodeProc(), nullptr);
}

TEST(ComponentBase, SaveCallsTheHeaderWriterWhenAssigned) {
  TestComponent c(nullptr);
  std::vector<std::string> writes;
  c.SetOnWriteHeader([&](const std::string& name, const std::string& comment, bool encoded) {
    writes.push_back(name + "|" + comment + "|" + (encoded ? "encoded" : "plain"));
  });
  c.SaveToStorage("a.stg", "first", nullptr);
  c.SaveToStorage("b.stg", "second", CopyStream);
  c.SetOnWriteHeader(nullptr);
  c.SaveToStorage("c.stg", "third", nullptr);
  EXPECT_EQ(writes, (std::vector<std::string>{"a.stg|first|plain", "b.stg|second|encoded"}));
}

TEST(ComponentBase, RaisesTheDebugEventOnlyWhenAssigned) {
  TestComponent c(nullptr);
  c.SayDebug("nobody listens");
  std::string got;
  c.SetOnDebug([&](TOrvex_Component* sender, const std::string& msg) {
    EXPECT_EQ(sender, &c);
    got = msg;
  });
  c.SayDebug("hello");
  EXPECT_EQ(got, "hello");
}

TEST(OwnedComponents, AnOwnerFreesWhatItOwns) {
  int destroyed = 0;
  {
    TestComponent owner(nullptr);
    auto* a = new TestComponent(&owner, systemSessionFacts(), &destroyed);
    new TestComponent(&owner, systemSessionFacts(), &destroyed);
    auto* c = new TestComponent(&owner, systemSessionFacts(), &destroyed);
    EXPECT_EQ(owner.ComponentCount(), 3u);
    EXPECT_EQ(a->Owner(), &owner);
    // A component freed first leaves its owner.
    delete c;
    EXPECT_EQ(destroyed, 1);
    EXPECT_EQ(owner.ComponentCount(), 2u);
    // Moving a component to another owner.
    TestComponent other(nullptr);
    other.InsertComponent(a);
    EXPECT_EQ(a->Owner(), &other);
    EXPECT_EQ(owner.ComponentCount(), 1u);
    EXPECT_EQ(other.ComponentCount(), 1u);
  }
  EXPECT_EQ(destroyed, 3);
}

TEST(OwnedComponents, AClassReferenceCreatesItsOwnClass) {
  TestComponent owner(nullptr);
  struct Made : TestComponent {
    explicit Made(TComponent* AOwner) : TestComponent(AOwner) {}
  };
  const TComponentClass cls = &ConstructComponent<Made>;
  TComponent* made = cls(&owner);
  EXPECT_NE(dynamic_cast<Made*>(made), nullptr);
  EXPECT_EQ(owner.Components(0), made);
}

TEST(ComponentSets, HoldTheirMembersAtTheirBits) {
  EXPECT_EQ(AllScanObjects.ToBits(), 0x00FFFFFFu);
  EXPECT_TRUE(AllScanObjects.Contains(soCPU));
  EXPECT_TRUE(AllScanObjects.Contains(soWIFI));
  EXPECT_EQ((TScanObjects{soEventLog}).ToBits(), 1u << 20);
  EXPECT_EQ((TSessionTypes{stLocal}).ToBits(), 0x01);
  EXPECT_EQ((TSessionTypes{stCitrix}).ToBits(), 0x40);
  TSessionTypes s{stLocal, stQEMU};
  s.Exclude(stLocal);
  EXPECT_EQ(s, TSessionTypes{stQEMU});
  EXPECT_EQ(TSessionTypes::FromBits(0x10), TSessionTypes{stQEMU});
}

}  // namespace
}  // namespace tallyvane
