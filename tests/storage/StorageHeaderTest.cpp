// The storage information header as properties of a file.
#include <gtest/gtest.h>

#include "StorageTestSupport.h"
#include "storage/Orvex_SS.h"
#include "storage/StorageHeader.h"

namespace tallyvane {
namespace {

using testing::TempDir;

StorageHeaderValues sample() {
  StorageHeaderValues v;
  v.Title = "Tallyvane Journal";
  v.Application = "Tallyvane Journal 0.1.0";
  v.Copyright = "© 2026 Tallyvane";
  v.Comment = "a comment";
  v.OS = "Windows 7 6.1.7601 Ultimate";
  v.Machine = "PC-01";
  v.Timestamp = 41640.5 + 1234.0 / 86400000.0;  // to the millisecond
  v.Security = "Admin";
  v.SIFVersion = 1;
  v.SIFFormat = 1;
  v.LoggedUser = "jana";
  v.LoggedUserSID = "S-1-5-21-1-2-3-1001";
  v.Account = "jana";
  v.OSPlatform = 2;
  v.OSMajorVersion = 6;
  v.OSMinorVersion = 1;
  v.OSBuildNumber = 7601;
  v.OSName = "Windows 7";
  v.OSEdition = "Ultimate";
  v.OSCSD = "Service Pack 1";
  v.ParentProcessPID = 4242;
  v.Session = "Local";
  v.SessionID = 1;
  v.IP = "192.168.1.5";
  return v;
}

TEST(StorageHeader, ValuesRoundTripInTheirOrderAndTypes) {
  TempDir dir;
  const std::string file = dir.file("h.stg");
  const StorageHeaderValues written = sample();
  WriteStorageHeaderValues(file, written);
  StorageHeaderValues read;
  bool commentRead = false;
  ASSERT_TRUE(ReadStorageHeaderValues(file, read, &commentRead));
  EXPECT_TRUE(commentRead);
  StorageHeaderValues expected = written;
  expected.ParentProcessPID.reset();  // written, never read
  EXPECT_EQ(read.Timestamp, written.Timestamp);
  EXPECT_EQ(read, expected);

  std::shared_ptr<cfb::Storage> stg;
  OleCheck(StgOpenStorage(file, 16, &stg));
  TStructuredStorage root(nullptr, stg);
  std::unique_ptr<TStoragePropertySet> set(
      root.OpenPropertySet(FMTID_SummaryInformation, 16, false));
  ASSERT_TRUE(set);
  std::vector<STATPROPSTG> props;
  set->_IPropertyStorage()->Enum(&props);
  std::vector<std::pair<std::string, std::uint16_t>> got;
  for (const auto& p : props)
    got.emplace_back(p.name.empty() ? std::to_string(p.propid) : p.name, p.vt);
  const std::vector<std::pair<std::string, std::uint16_t>> order = {{"2", VT_LPWSTR},
                                                                    {"18", VT_LPWSTR},
                                                                    {"4", VT_LPWSTR},
                                                                    {"6", VT_LPWSTR},
                                                                    {"5", VT_LPWSTR},
                                                                    {"3", VT_LPWSTR},
                                                                    {"12", VT_FILETIME},
                                                                    {"19", VT_LPWSTR},
                                                                    {"SIFVersion", VT_I8},
                                                                    {"SIFFormat", VT_I8},
                                                                    {"OS.LoggedUser", VT_LPWSTR},
                                                                    {"OS.LoggedUserSID", VT_LPWSTR},
                                                                    {"OS.Account", VT_LPWSTR},
                                                                    {"OS.Platform", VT_I8},
                                                                    {"OS.MajorVersion", VT_I8},
                                                                    {"OS.MinorVersion", VT_I8},
                                                                    {"OS.BuildNumber", VT_I8},
                                                                    {"OS.Name", VT_LPWSTR},
                                                                    {"OS.Edition", VT_LPWSTR},
                                                                    {"OS.CSD", VT_LPWSTR},
                                                                    {"ParentProcessPID", VT_I8},
                                                                    {"Session", VT_LPWSTR},
                                                                    {"SessionID", VT_I8},
                                                                    {"IP", VT_LPWSTR}};
  EXPECT_EQ(got, order);
  // The names took the free IDs from 2 upward.
  EXPECT_EQ(props[8].propid, 7u);
  EXPECT_EQ(props[9].propid, 8u);
}

TEST(StorageHeader, RewritingKeepsOneSetAndLeavesOtherContent) {
  TempDir dir;
  const std::string file = dir.file("h.stg");
  {
    std::shared_ptr<cfb::Storage> stg;
    OleCheck(StgCreateDocfile(file, 4114, &stg));
    TStructuredStorage root(nullptr, stg);
    std::unique_ptr<TStorageStream>(root.OpenStream("EventLog\\D91EFD29", 18, true))
        ->WriteString("x");
  }
  WriteStorageHeaderValues(file, sample());
  StorageHeaderValues second = sample();
  second.Comment = "second";
  second.ParentProcessPID.reset();
  WriteStorageHeaderValues(file, second);
  StorageHeaderValues read;
  ASSERT_TRUE(ReadStorageHeaderValues(file, read));
  EXPECT_EQ(read.Comment, "second");
  std::shared_ptr<cfb::Storage> stg;
  OleCheck(StgOpenStorage(file, 16, &stg));
  TStructuredStorage root(nullptr, stg);
  EXPECT_EQ(root.ElementCount(), 2u);
  EXPECT_TRUE(root.ElementExists("EventLog"));
}

TEST(StorageHeader, FilesWithoutAHeader) {
  TempDir dir;
  StorageHeaderValues v = sample();
  testing::writeText(dir.file("plain.txt"), "text");
  EXPECT_FALSE(ReadStorageHeaderValues(dir.file("plain.txt"), v));
  EXPECT_FALSE(ReadStorageHeaderValues(dir.file("missing"), v));
  EXPECT_EQ(v, sample()) << "untouched";
  {
    std::shared_ptr<cfb::Storage> stg;
    OleCheck(StgCreateDocfile(dir.file("bare.stg"), 4114, &stg));
  }
  EXPECT_TRUE(ReadStorageHeaderValues(dir.file("bare.stg"), v));
  StorageHeaderValues empty;
  EXPECT_EQ(v, empty) << "a compound file without the set empties every field";
  // A text file is replaced by a compound file with the header.
  WriteStorageHeaderValues(dir.file("plain.txt"), sample());
  EXPECT_EQ(StgIsStorageFile(dir.file("plain.txt")), kSOk);
}

TEST(StorageHeader, OtherToolsReadTheSummaryInformation) {
  if (!testing::haveTool("/usr/bin/olecfinfo"))
    GTEST_SKIP() << "libolecf-utils is not installed";
  TempDir dir;
  WriteStorageHeaderValues(dir.file("h.stg"), sample());
  int status = 0;
  const std::string info =
      testing::run("/usr/bin/olecfinfo " + dir.file("h.stg") + " 2>&1", &status);
  EXPECT_EQ(status, 0);
  for (const char* expected :
       {"PIDSI_TITLE (0x00000002)\n\tValue type\t\t: VT_LPWSTR (0x0000001f)\n\tValue data\t\t: "
        "Tallyvane Journal",
        "PIDSI_CREATE_DTM (0x0000000c)\n\tValue type\t\t: VT_FILETIME (0x00000040)\n\tValue "
        "data\t\t: Jan 01, 2014 12:00:01.234",
        "VT_I8 (0x00000014)\n\tValue data\t\t: 7601", "Value data\t\t: © 2026 Tallyvane"}) {
    EXPECT_NE(info.find(expected), std::string::npos) << expected << "\n" << info;
  }
}

}  // namespace
}  // namespace tallyvane
