#pragma once
// This machine's services on Linux.
#include "platform/Services.h"

namespace tallyvane::platform {

class LinuxTimeZone : public TimeZone {
 public:
  bool available() override;
  bool utcToLocal(const SystemTime& utc, SystemTime& local) override;
};

class LinuxClock : public SystemClock {
 public:
  std::uint64_t tickCount64() override;
  SystemTime localNow() override;
};

}  // namespace tallyvane::platform
