#include "components/Qzi_Common.h"

namespace tallyvane {

namespace {
constexpr std::uint32_t kCurrentSession = 0xFFFFFFFF;
}

TOrvex_Component::TOrvex_Component(TComponent* AOwner, const platform::Services& services,
                                   SessionFacts& facts)
    : TComponent(AOwner), services_(services), facts_(facts) {
  FCTTL = true;
  FAbout = "Tallyvane system information components " TALLYVANE_VERSION;
  FRefresh = "Double-click to get data";
  FOnDebug = nullptr;
  FLiveData = true;
  FFilename.clear();
  FDA = false;

  FSessionID = kCurrentSession;

  TakeOSVersionFacts();

  FHeaderWriter = [this](const std::string& AFilename, const std::string& AComment, bool AEncoded) {
    WriteStorageHeader(AFilename, AComment, AEncoded);
  };
  FHeaderReader = [this](const std::string& AFilename, TStorageInfoRecord* AHeader) {
    ReadStorageHeader(AFilename, AHeader);
  };
  (void)FUseWMI;
}

TOrvex_Component::~TOrvex_Component() = default;

void TOrvex_Component::TakeOSVersionFacts() {
  const OSVersionFacts os = facts_.OSVersion();
  FSIR.OSPlatform = os.PlatformId;
  FSIR.OSMajorVersion = os.MajorVersion;
  FSIR.OSMinorversion = os.MinorVersion;
  FSIR.OSBuildNumber = os.BuildNumber;
  FSIR.OSCSDVersion = os.CSDVersion;
}

void TOrvex_Component::RefreshData(TScanObjects AScanObjects) {
  (void)AScanObjects;
  FLiveData = true;
  TakeOSVersionFacts();
}

void TOrvex_Component::SaveToStorage(const std::string& AFilename, const std::string& AComment,
                                     TCodeStreamProcedure ACodeStream) {
  if (FHeaderWriter)
    FHeaderWriter(AFilename, AComment, ACodeStream != nullptr);
}

bool TOrvex_Component::LoadFromStorage(const std::string& AFilename,
                                       TCodeStreamProcedure ACodeStream) {
  FCS = ACodeStream;
  FDA = false;
  FFilename = AFilename;
  FLiveData = false;
  if (FHeaderReader)
    FHeaderReader(AFilename, &FSIR);
  return true;
}

void TOrvex_Component::SetSession(std::uint32_t ASessionID) {
  FSessionID = ASessionID;
  FSessionFactsTaken = false;
}

void TOrvex_Component::TakeSessionFacts() const {
  if (FSessionFactsTaken)
    return;
  FSessionFactsTaken = true;
  FLU = facts_.LoggedOnUser(FSessionID);
  FSID = facts_.AccountSidText("", FLU);
  FST = facts_.DetectSessionTypes();
}

void TOrvex_Component::Debug(const std::string& Msg) {
  if (FOnDebug)
    FOnDebug(this, Msg);
}

}  // namespace tallyvane
