#pragma once
// The base class of the system-information components: live or stored data,
// the data-available flag, the time-zone switch, the facts of the session the
// program runs in, and the storage information header read and written through
// two replaceable handlers.
#include <cstdint>
#include <string>

#include "components/Qzi_Defs.h"
#include "components/SessionFacts.h"
#include "components/TComponent.h"
#include "platform/Services.h"

namespace tallyvane {

class TOrvex_Component : public TComponent {
 public:
  explicit TOrvex_Component(TComponent* AOwner,
                            const platform::Services& services = platform::systemServices(),
                            SessionFacts& facts = systemSessionFacts());
  ~TOrvex_Component() override;

  // Gathers the data live. The base switches to live data and takes the
  // operating-system facts of the header again; it does not look at AScanObjects.
  virtual void RefreshData(TScanObjects AScanObjects);
  // Empties the component's data.
  virtual void Clear() = 0;
  // Writes the header (when OnWriteHeader is assigned); descendants write their data after it.
  virtual void SaveToStorage(const std::string& AFilename, const std::string& AComment,
                             TCodeStreamProcedure ACodeStream);
  // Switches to stored data from AFilename and reads the header (when
  // OnReadHeader is assigned); descendants read their data after it.
  virtual bool LoadFromStorage(const std::string& AFilename, TCodeStreamProcedure ACodeStream);

  // Takes the session facts for another session (asked on first use).
  void SetSession(std::uint32_t ASessionID);

  // The component's own header writer and reader, installed as OnWriteHeader
  // and OnReadHeader on creation.
  void WriteStorageHeader(const std::string& AFilename, const std::string& AComment, bool AEncoded);
  void ReadStorageHeader(const std::string& AFilename, TStorageInfoRecord* AHeader);

  const std::string& _About() const { return FAbout; }
  const std::string& _Refresh() const { return FRefresh; }
  bool LiveData() const { return FLiveData; }
  const TOnDebugEvent& OnDebug() const { return FOnDebug; }
  void SetOnDebug(TOnDebugEvent Value) { FOnDebug = std::move(Value); }
  const THeaderWriter& OnWriteHeader() const { return FHeaderWriter; }
  void SetOnWriteHeader(THeaderWriter Value) { FHeaderWriter = std::move(Value); }
  const THeaderReader& OnReadHeader() const { return FHeaderReader; }
  void SetOnReadHeader(THeaderReader Value) { FHeaderReader = std::move(Value); }

  const std::string& StorageFilename() const { return FFilename; }
  const TStorageInfoRecord& StorageInfo() const { return FSIR; }
  TCodeStreamProcedure StreamCodeProc() const { return FCS; }
  bool ConvertTimeToLocal() const { return FCTTL; }
  void SetConvertTimeToLocal(bool Value) { FCTTL = Value; }
  // The session facts are asked on first use (asking scans the processes of
  // the machine, which most runs never need).
  const std::string& LoggedUser() const {
    TakeSessionFacts();
    return FLU;
  }
  const std::string& SID() const {
    TakeSessionFacts();
    return FSID;
  }
  std::uint32_t SessionID() const { return FSessionID; }
  TSessionTypes Session() const {
    TakeSessionFacts();
    return FST;
  }
  bool DataAvailable() const { return FDA; }

  // The platform services and session facts this component was created with.
  const platform::Services& services() const { return services_; }
  SessionFacts& sessionFacts() const { return facts_; }

 protected:
  void SetDataAvailable(bool Value) { FDA = Value; }
  void SetLiveData(bool Value) { FLiveData = Value; }
  // Raises OnDebug when assigned.
  void Debug(const std::string& Msg);

 private:
  void TakeOSVersionFacts();
  void TakeSessionFacts() const;

  std::string FAbout;
  std::string FRefresh;
  TOnDebugEvent FOnDebug;
  std::string FFilename;
  bool FLiveData = true;
  TStorageInfoRecord FSIR;
  THeaderReader FHeaderReader;
  THeaderWriter FHeaderWriter;
  bool FUseWMI = false;
  bool FDA = false;
  mutable bool FSessionFactsTaken = false;
  mutable std::string FSID;
  mutable std::string FLU;
  mutable TSessionTypes FST;
  std::uint32_t FSessionID = 0xFFFFFFFF;
  TCodeStreamProcedure FCS = nullptr;
  bool FCTTL = true;

  platform::Services services_;
  SessionFacts& facts_;
};

}  // namespace tallyvane
