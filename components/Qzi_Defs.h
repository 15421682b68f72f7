#pragma once
// Shared definitions of the component layer: the data areas a component can
// scan, the session kinds, the storage information header in memory and the
// optional byte-stream transformation of storage streams.
#include <cstdint>
#include <functional>
#include <iosfwd>
#include <string>

#include "present/Orvex_Datetime.h"
#include "sysinfo/SessionTypes.h"

namespace tallyvane {

// The data areas a system-information component can scan.
enum TScanObject : std::uint8_t {
  soCPU,
  soMachine,
  soDevices,
  soDisplay,
  soMonitor,
  soNetwork,
  soMedia,
  soMemory,
  soStorage,
  soUSB,
  soEngines,
  soAPM,
  soDisk,
  soOS,
  soPrinters,
  soSoftware,
  soStartup,
  soProcesses,
  soMSProduct,
  soBT,
  soEventLog,
  soAD,
  soSecurity,
  soWIFI,
};
using TScanObjects = TSmallSet<TScanObject, std::uint32_t>;
// All 24 members.
inline constexpr TScanObjects AllScanObjects = TScanObjects::FromBits(0x00FFFFFF);

// The storage information header in memory.
struct TStorageInfoRecord {
  std::int32_t SIFVersion = 0;
  std::string Machine;
  std::string Title;
  std::string Copyright;
  std::string Application;
  std::string OS;
  std::string OSName;
  std::string OSEdition;
  std::int32_t OSPlatform = 0;
  std::int32_t OSMajorVersion = 0;
  std::int32_t OSMinorversion = 0;
  std::int32_t OSBuildNumber = 0;
  std::string OSCSDVersion;
  TDateTime Timestamp = 0.0;
  std::string Security;
  std::string LoggedUser;
  std::string LoggedUserSID;
  std::string Account;
  std::string Session;
  std::int32_t SessionID = 0;
  std::string Comment;
  std::string IP;
  std::string FileName;
  std::string MD5;
  bool Encrypted = false;

  friend bool operator==(const TStorageInfoRecord&, const TStorageInfoRecord&) = default;
};

// Transforms the bytes of one stream into the other (for example an
// encryption); storage operations apply it to the data of a storage stream.
// Null means no transformation.
using TCodeStreamProcedure = void (*)(std::istream& InStream, std::ostream& OutStream);

class TOrvex_Component;

// Writes the storage information header into AFilename.
using THeaderWriter =
    std::function<void(const std::string& AFilename, const std::string& AComment, bool AEncoded)>;
// Reads the storage information header of AFilename into AHeader.
using THeaderReader =
    std::function<void(const std::string& AFilename, TStorageInfoRecord* AHeader)>;
// A debug message from a component.
using TOnDebugEvent = std::function<void(TOrvex_Component* Sender, const std::string& Msg)>;

}  // namespace tallyvane
