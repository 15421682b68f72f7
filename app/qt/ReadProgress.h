#pragma once
// Progress of a log read for the window: an event log service that passes
// every call on and, after each read, tells a callback how many records have
// come in of how many (0 when the log does not say).
#include <cstdint>
#include <functional>
#include <memory>

#include "platform/EventLogService.h"

namespace tallyvane {

using TReadProgressCallback = std::function<void(std::uint64_t Done, std::uint64_t Total)>;

class TReadProgressService : public platform::EventLogService {
 public:
  TReadProgressService(std::shared_ptr<platform::EventLogService> Inner,
                       TReadProgressCallback Callback);
  std::unique_ptr<platform::EventLog> open(std::string_view server, std::string_view logName,
                                           std::uint32_t* error) override;

 private:
  std::shared_ptr<platform::EventLogService> FInner;
  TReadProgressCallback FCallback;
};

}  // namespace tallyvane
