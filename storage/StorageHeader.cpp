#include "storage/StorageHeader.h"

#include <memory>

#include "storage/Orvex_SS.h"

namespace tallyvane {

namespace {

constexpr std::uint32_t kModeRead = STGM_READ | STGM_SHARE_EXCLUSIVE;
constexpr std::uint32_t kModeReadWrite = STGM_READWRITE | STGM_SHARE_EXCLUSIVE;
constexpr std::uint32_t kModeCreate = STGM_CREATE | kModeReadWrite;

// Summary-information property IDs.
constexpr std::uint32_t PIDSI_TITLE = 2;
constexpr std::uint32_t PIDSI_SUBJECT = 3;
constexpr std::uint32_t PIDSI_AUTHOR = 4;
constexpr std::uint32_t PIDSI_KEYWORDS = 5;
constexpr std::uint32_t PIDSI_COMMENTS = 6;
constexpr std::uint32_t PIDSI_CREATE_DTM = 12;
constexpr std::uint32_t PIDSI_APPNAME = 18;
constexpr std::uint32_t PIDSI_DOC_SECURITY = 19;

}  // namespace

void WriteStorageHeaderValues(const std::string& AFilename, const StorageHeaderValues& v) {
  std::shared_ptr<cfb::Storage> file;
  if (StgIsStorageFile(AFilename) != kSOk) {
    OleCheck(StgCreateDocfile(AFilename, kModeCreate, &file));
  } else {
    OleCheck(StgOpenStorage(AFilename, kModeReadWrite, &file));
  }
  auto root = std::make_unique<TStructuredStorage>(nullptr, file);
  file.reset();
  std::unique_ptr<TStoragePropertySet> set(
      root->OpenPropertySet(FMTID_SummaryInformation, kModeReadWrite, true, ""));
  if (!set)
    OleCheck(STG_E_FILENOTFOUND);
  cfb::PropertyStorage& p = *set->_IPropertyStorage();
  WriteStringProperty(p, PIDSI_TITLE, v.Title);
  WriteStringProperty(p, PIDSI_APPNAME, v.Application);
  WriteStringProperty(p, PIDSI_AUTHOR, v.Copyright);
  WriteStringProperty(p, PIDSI_COMMENTS, v.Comment);
  WriteStringProperty(p, PIDSI_KEYWORDS, v.OS);
  WriteStringProperty(p, PIDSI_SUBJECT, v.Machine);
  WriteDateTimeProperty(p, PIDSI_CREATE_DTM, v.Timestamp);
  WriteStringProperty(p, PIDSI_DOC_SECURITY, v.Security);
  WriteNamedIntegerProperty(p, "SIFVersion", v.SIFVersion);
  WriteNamedIntegerProperty(p, "SIFFormat", v.SIFFormat);
  WriteNamedStringProperty(p, "OS.LoggedUser", v.LoggedUser);
  WriteNamedStringProperty(p, "OS.LoggedUserSID", v.LoggedUserSID);
  WriteNamedStringProperty(p, "OS.Account", v.Account);
  WriteNamedIntegerProperty(p, "OS.Platform", v.OSPlatform);
  WriteNamedIntegerProperty(p, "OS.MajorVersion", v.OSMajorVersion);
  WriteNamedIntegerProperty(p, "OS.MinorVersion", v.OSMinorVersion);
  WriteNamedIntegerProperty(p, "OS.BuildNumber", v.OSBuildNumber);
  WriteNamedStringProperty(p, "OS.Name", v.OSName);
  WriteNamedStringProperty(p, "OS.Edition", v.OSEdition);
  WriteNamedStringProperty(p, "OS.CSD", v.OSCSD);
  if (v.ParentProcessPID)
    WriteNamedIntegerProperty(p, "ParentProcessPID", *v.ParentProcessPID);
  WriteNamedStringProperty(p, "Session", v.Session);
  WriteNamedIntegerProperty(p, "SessionID", v.SessionID);
  WriteNamedStringProperty(p, "IP", v.IP);
  set.reset();
  // Written whole now, so that a failure is reported rather than lost when
  // the root is released.
  OleCheck(root->_IStorage()->Commit(STGC_DEFAULT));
  root.reset();
}

bool ReadStorageHeaderValues(const std::string& AFilename, StorageHeaderValues& v,
                             bool* CommentRead) {
  if (CommentRead)
    *CommentRead = false;
  if (StgIsStorageFile(AFilename) != kSOk)
    return false;
  std::shared_ptr<cfb::Storage> file;
  OleCheck(StgOpenStorage(AFilename, kModeRead, &file));
  auto root = std::make_unique<TStructuredStorage>(nullptr, file);
  file.reset();
  std::unique_ptr<TStoragePropertySet> set(
      root->OpenPropertySet(FMTID_SummaryInformation, kModeRead, false));
  // Without the set every property reads as missing.
  cfb::PropertyStorage empty(nullptr, cfb::PropertySetData{}, kModeRead);
  cfb::PropertyStorage& p = set ? *set->_IPropertyStorage() : empty;
  v.SIFVersion = ReadNamedIntegerProperty(p, "SIFVersion");
  v.SIFFormat = ReadNamedIntegerProperty(p, "SIFFormat");
  v.Machine = ReadStringProperty(p, PIDSI_SUBJECT);
  v.Application = ReadStringProperty(p, PIDSI_APPNAME);
  v.Copyright = ReadStringProperty(p, PIDSI_AUTHOR);
  v.Title = ReadStringProperty(p, PIDSI_TITLE);
  v.OS = ReadStringProperty(p, PIDSI_KEYWORDS);
  v.Timestamp = ReadDateTimeProperty(p, PIDSI_CREATE_DTM, false);
  try {
    v.Comment = ReadStringProperty(p, PIDSI_COMMENTS);
    if (CommentRead)
      *CommentRead = true;
  } catch (const EOleSysError&) {
  }
  v.LoggedUser = ReadNamedStringProperty(p, "OS.LoggedUser");
  v.LoggedUserSID = ReadNamedStringProperty(p, "OS.LoggedUserSID");
  v.Account = ReadNamedStringProperty(p, "OS.Account");
  v.OSPlatform = ReadNamedIntegerProperty(p, "OS.Platform");
  v.OSMajorVersion = ReadNamedIntegerProperty(p, "OS.MajorVersion");
  v.OSMinorVersion = ReadNamedIntegerProperty(p, "OS.MinorVersion");
  v.OSBuildNumber = ReadNamedIntegerProperty(p, "OS.BuildNumber");
  v.OSCSD = ReadNamedStringProperty(p, "OS.CSD");
  v.OSName = ReadNamedStringProperty(p, "OS.Name");
  v.OSEdition = ReadNamedStringProperty(p, "OS.Edition");
  v.Session = ReadNamedStringProperty(p, "Session");
  v.SessionID = ReadNamedIntegerProperty(p, "SessionID");
  v.IP = ReadNamedStringProperty(p, "IP");
  v.Security = ReadStringProperty(p, PIDSI_DOC_SECURITY);
  v.ParentProcessPID.reset();
  return true;
}

}  // namespace tallyvane
