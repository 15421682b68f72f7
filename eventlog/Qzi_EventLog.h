#pragma once
// The event log component: the reader's settings as properties, the live or
// stored data of the component base, and the records handed out as copies.
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>

#include "components/Qzi_Common.h"
#include "eventlog/Orvex_EventLogNT.h"

namespace tallyvane {

class TOrvex_EventLog : public TOrvex_Component {
 public:
  // Reads the container list at once; the reader works in UTC until the next
  // SourceName assignment hands it the component's ConvertTimeToLocal.
  explicit TOrvex_EventLog(TComponent* AOwner,
                           const platform::Services& services = platform::systemServices(),
                           SessionFacts& facts = systemSessionFacts());
  ~TOrvex_EventLog() override;

  void RefreshData(TScanObjects AScanObjects) override;
  // Empties the containers and the records; the flags keep their values.
  void Clear() override;
  // Saves the records as text lines into the storage file (its sub-storage
  // "EventLog"), after the header; defined with the text form. The header and
  // the records reach the file in one atomic write; a failed save raises
  // EOleSysError and leaves the file as it was.
  void SaveToStorage(const std::string& AFilename, const std::string& AComment,
                     TCodeStreamProcedure ACodeStream) override;
  bool LoadFromStorage(const std::string& AFilename, TCodeStreamProcedure ACodeStream) override;

  // Orders the records by time, oldest first; records of the same time keep
  // the order of the log.
  void Sort();

  const std::string& SourceName() const { return FEL->SourceName(); }
  // Names the log and reads it at once (live) or reloads the storage file
  // (stored), also when the name does not change.
  void SetSourceName(std::string_view Value);
  const std::string& SourceFilter() const { return FEL->SourceFilter(); }
  void SetSourceFilter(std::string_view Value) { FEL->SetSourceFilter(Value); }
  std::uint32_t ContainerCount() const { return FEL->ContainerCount(); }
  std::uint32_t RecordCount() const { return FEL->RecordCount(); }
  bool ExpandMessages() const { return FEL->ExpandMessages(); }
  void SetExpandMessages(bool Value) { FEL->SetExpandMessages(Value); }
  bool LookupSID() const { return FEL->LookupSID(); }
  void SetLookupSID(bool Value) { FEL->SetLookupSID(Value); }

  // A copy of the record at Index; std::out_of_range when Index is not below RecordCount.
  TLogRecord Records(std::uint32_t Index) const;

  // The reader, for the text form and for tests.
  TEventLog& Reader() { return *FEL; }
  const TEventLog& Reader() const { return *FEL; }

 private:
  std::unique_ptr<TEventLog> FEL;
};

}  // namespace tallyvane
