#include "eventlog/Qzi_EventLog.h"

#include <stdexcept>

namespace tallyvane {

TOrvex_EventLog::TOrvex_EventLog(TComponent* AOwner, const platform::Services& services,
                                 SessionFacts& facts)
    : TOrvex_Component(AOwner, services, facts), FEL(std::make_unique<TEventLog>(false, services)) {
  FEL->SetConvertTimeToLocal(false);
}

TOrvex_EventLog::~TOrvex_EventLog() {
  FEL.reset();
}

void TOrvex_EventLog::SetSourceName(std::string_view Value) {
  FEL->SetSourceName(Value);
  FEL->SetConvertTimeToLocal(ConvertTimeToLocal());
  if (LiveData()) {
    RefreshData(AllScanObjects);
  } else {
    LoadFromStorage(StorageFilename(), StreamCodeProc());
  }
}

void TOrvex_EventLog::RefreshData(TScanObjects AScanObjects) {
  TOrvex_Component::RefreshData(AScanObjects);
  FEL->RefreshData(false);
  SetDataAvailable(true);
}

void TOrvex_EventLog::Clear() {
  FEL->ClearContainers();
  FEL->ClearRecords();
}

void TOrvex_EventLog::Sort() {
  FEL->Sort();
}

TLogRecord TOrvex_EventLog::Records(std::uint32_t Index) const {
  const TLogRecord* record = FEL->Records(Index);
  if (record == nullptr) {
    throw std::out_of_range("event log record index " + std::to_string(Index) +
                            " is out of range (the log holds " +
                            std::to_string(FEL->RecordCount()) + " records)");
  }
  return *record;
}

}  // namespace tallyvane
