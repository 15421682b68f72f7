// Walks arbitrary bytes as a buffer of EVENTLOGRECORD structures, with SID
// look-up on, and checks that the walk stays inside the buffer.
#include <cstddef>
#include <cstdint>
#include <span>

#include "eventlog/Orvex_EventLogNT.h"
#include "support/FakeAccounts.h"

namespace {

// One hour east of UTC, without the C library's time-zone state.
class FixedZone : public tallyvane::platform::TimeZone {
 public:
  bool available() override { return true; }
  bool utcToLocal(const tallyvane::platform::SystemTime& utc,
                  tallyvane::platform::SystemTime& local) override {
    local = utc;
    local.hour = static_cast<std::uint16_t>((utc.hour + 1) % 24);
    return true;
  }
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  using namespace tallyvane;
  static testing::FakeAccounts accounts = [] {
    testing::FakeAccounts a;
    a.add("S-1-5-18", "SYSTEM", "NT AUTHORITY");
    return a;
  }();
  static FixedZone zone;
  accounts.lookups.clear();
  platform::Services services{};
  services.accounts = &accounts;
  services.timeZone = &zone;

  const auto bytes = std::as_bytes(std::span(data, size));
  // The first byte picks the options; the rest is the buffer.
  const std::uint8_t options = size > 0 ? data[0] : 0;
  const auto buffer = size > 0 ? bytes.subspan(1) : bytes;
  const std::string_view filter =
      (options & 2) ? "Microsoft-Windows-Kernel-General,Microsoft-Windows-Kernel-Power,EventLog"
                    : "";
  RecordWalker walker(
      services,
      {.LookupSID = true, .ConvertTimeToLocal = (options & 1) != 0, .SourceFilter = filter});
  std::size_t records = 0;
  const std::size_t walked = walker.walk(buffer, [&](TLogRecord&& r) {
    ++records;
    if (r.EventID > 0xFFFF || r.Category.empty())
      __builtin_trap();
  });
  if (walked > buffer.size())
    __builtin_trap();

  // Any bytes as one whole record.
  TLogRecord one;
  walker.parse(buffer, one);
  return 0;
}
