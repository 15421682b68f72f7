// The component's storage information header writer and reader.
//
// Live data get a header that describes this program, this machine and this
// moment; stored data (after a load) get the header they were loaded with, so
// that saving a loaded file again keeps what it says about its origin.
#include <cstdint>
#include <string>
#include <string_view>

#include "components/Qzi_Common.h"
#include "present/TextFormat.h"
#include "storage/StorageHeader.h"
#include "sysinfo/Orvex_SysUtils.h"

namespace tallyvane {

namespace {

constexpr std::int64_t kHeaderLayoutVersion = 1;
constexpr std::size_t kServicePackChars = 128;

// Widens an unsigned 32-bit fact without carrying a sign into the 64 bits.
std::int64_t ZeroExtended(std::uint32_t value) {
  return static_cast<std::int64_t>(value);
}
std::int64_t ZeroExtended(std::int32_t value) {
  return ZeroExtended(static_cast<std::uint32_t>(value));
}

// The service pack text as the version record holds it: at most 128
// characters, ended at its terminator, blanks trimmed at both ends.
std::string ServicePackField(std::string_view text) {
  text = text.substr(0, text.find('\0'));
  std::size_t chars = 0;
  std::size_t end = 0;
  while (end < text.size()) {
    if ((static_cast<unsigned char>(text[end]) & 0xC0) != 0x80 && chars++ == kServicePackChars)
      break;
    ++end;
  }
  return TrimControl(text.substr(0, end));
}

}  // namespace

void TOrvex_Component::WriteStorageHeader(const std::string& AFilename, const std::string& AComment,
                                          bool AEncoded) {
  StorageHeaderValues v;
  if (FLiveData) {
    const WriterFacts w = facts_.Writer();
    const OSVersionFacts os = facts_.OSVersion();
    v.Title = w.ProductName;
    v.Application = Format("%s %s", {w.ProductName, w.Version});
    v.Copyright = w.Copyright;
    v.Comment = AComment;
    v.OS = Format("%s %d.%d.%d %s",
                  {w.OSName, ZeroExtended(os.MajorVersion), ZeroExtended(os.MinorVersion),
                   ZeroExtended(os.BuildNumber), w.OSEdition});
    v.Machine = w.MachineName;
    v.Timestamp = w.Now;
    v.Security = w.IsAdministrator ? "Admin" : "";
    v.SIFVersion = kHeaderLayoutVersion;
    v.SIFFormat = AEncoded ? 1 : 0;
    v.LoggedUser = LoggedUser();
    v.LoggedUserSID = SID();
    v.Account = w.Account;
    v.OSPlatform = os.PlatformId;
    v.OSMajorVersion = ZeroExtended(os.MajorVersion);
    v.OSMinorVersion = ZeroExtended(os.MinorVersion);
    v.OSBuildNumber = ZeroExtended(os.BuildNumber);
    v.OSName = w.OSName;
    v.OSEdition = w.OSEdition;
    v.OSCSD = ServicePackField(os.CSDVersion);
    v.ParentProcessPID = ZeroExtended(w.ProcessId);
    v.Session = SessionTypesText(Session());
    v.SessionID = ZeroExtended(FSessionID);
    v.IP = TrimControl(w.HostAddresses);
  } else {
    // The loaded header goes back as it was; the new comment and format are not used.
    v.Title = FSIR.Title;
    v.Application = FSIR.Application;
    v.Copyright = FSIR.Copyright;
    v.Comment = FSIR.Comment;
    v.OS = FSIR.OS;
    v.Machine = FSIR.Machine;
    v.Timestamp = FSIR.Timestamp;
    v.Security = FSIR.Security;
    v.SIFVersion = FSIR.SIFVersion;
    v.SIFFormat = FSIR.Encrypted ? 1 : 0;
    v.LoggedUser = FSIR.LoggedUser;
    v.LoggedUserSID = FSIR.LoggedUserSID;
    v.Account = FSIR.Account;
    v.OSPlatform = FSIR.OSPlatform;
    v.OSMajorVersion = FSIR.OSMajorVersion;
    v.OSMinorVersion = FSIR.OSMinorversion;
    v.OSBuildNumber = FSIR.OSBuildNumber;
    v.OSName = FSIR.OSName;
    v.OSEdition = FSIR.OSEdition;
    v.OSCSD = FSIR.OSCSDVersion;
    v.Session = FSIR.Session;
    v.SessionID = FSIR.SessionID;
    v.IP = FSIR.IP;
  }
  WriteStorageHeaderValues(AFilename, v);
}

void TOrvex_Component::ReadStorageHeader(const std::string& AFilename,
                                         TStorageInfoRecord* AHeader) {
  StorageHeaderValues v;
  bool commentRead = false;
  if (AHeader == nullptr || !ReadStorageHeaderValues(AFilename, v, &commentRead))
    return;
  // Integers keep their low 32 bits, as the record's fields hold them.
  const auto low32 = [](std::int64_t value) { return static_cast<std::int32_t>(value); };
  TStorageInfoRecord& h = *AHeader;
  h.SIFVersion = low32(v.SIFVersion);
  h.Encrypted = v.SIFFormat == 1;
  h.Machine = v.Machine;
  h.Application = v.Application;
  h.Copyright = v.Copyright;
  h.Title = v.Title;
  h.OS = v.OS;
  h.Timestamp = v.Timestamp;
  if (commentRead)
    h.Comment = v.Comment;
  h.LoggedUser = v.LoggedUser;
  h.LoggedUserSID = v.LoggedUserSID;
  h.Account = v.Account;
  h.OSPlatform = low32(v.OSPlatform);
  h.OSMajorVersion = low32(v.OSMajorVersion);
  h.OSMinorversion = low32(v.OSMinorVersion);
  h.OSBuildNumber = low32(v.OSBuildNumber);
  h.OSCSDVersion = v.OSCSD;
  h.OSName = v.OSName;
  h.OSEdition = v.OSEdition;
  h.Session = v.Session;
  h.SessionID = low32(v.SessionID);
  h.IP = v.IP;
  h.Security = v.Security;
  FSessionID = static_cast<std::uint32_t>(h.SessionID);
}

}  // namespace tallyvane
