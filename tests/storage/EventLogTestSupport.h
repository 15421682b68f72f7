#pragma once
// Helpers of the event log component's storage tests: components on a fake
// event log service, and records to save.
#include <memory>
#include <string>

#include "StorageTestSupport.h"
#include "eventlog/Qzi_EventLog.h"
#include "support/FakeEventLogService.h"

namespace tallyvane {

// Components on a fake event log service with no logs and no registry.
struct TextFormFixture {
  TextFormFixture() {
    services = platform::systemServices();
    services.eventLog = &service;
    services.registry = nullptr;
  }
  std::unique_ptr<TOrvex_EventLog> component() {
    auto c = std::make_unique<TOrvex_EventLog>(nullptr, services, facts);
    return c;
  }
  testing::FakeEventLogService service;
  NoSessionFacts facts;
  platform::Services services;
  testing::TempDir dir;
};

inline TLogRecord record(TEventType type, TDateTime when, std::string source, std::uint32_t id,
                         std::string description) {
  TLogRecord r;
  r.EventType = type;
  r.DateTime = when;
  r.Source = std::move(source);
  r.Category = "None";
  r.EventID = id;
  r.Username = "SYSTEM";
  r.Domain = "NT AUTHORITY";
  r.Computer = "PC";
  r.Description = std::move(description);
  return r;
}

}  // namespace tallyvane
