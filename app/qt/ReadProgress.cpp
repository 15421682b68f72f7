#include "app/qt/ReadProgress.h"

#include <algorithm>

#include "eventlog/Orvex_EventLogNT.h"

namespace tallyvane {

namespace {

class TReadProgressLog : public platform::EventLog {
 public:
  TReadProgressLog(std::unique_ptr<platform::EventLog> Inner, const TReadProgressCallback& Callback)
      : FInner(std::move(Inner)), FCallback(Callback) {
    std::uint32_t count = 0;
    if (FInner->numberOfRecords(count)) {
      FTotal = count;
    }
  }
  bool numberOfRecords(std::uint32_t& count) override { return FInner->numberOfRecords(count); }
  bool oldestRecord(std::uint32_t& number) override { return FInner->oldestRecord(number); }
  platform::EventLogReadResult read(std::uint32_t flags, std::uint32_t recordNumber,
                                    std::span<std::byte> buffer) override {
    const platform::EventLogReadResult result = FInner->read(flags, recordNumber, buffer);
    if (result.ok()) {
      std::span<const std::byte> bytes(buffer.data(),
                                       std::min<std::size_t>(result.bytesRead, buffer.size()));
      while (!bytes.empty()) {
        const std::size_t length = RecordWalker::recordLength(bytes);
        if (length == 0) {
          break;
        }
        ++FDone;
        bytes = bytes.subspan(length);
      }
    }
    // Also after the read that finds the end, so the window is kept alive to
    // the last call.
    if (FCallback) {
      FCallback(std::min(FDone, FTotal == 0 ? FDone : FTotal), FTotal);
    }
    return result;
  }
  bool visitNewestFirst(const platform::RecordVisitor& visit) override {
    // Records looked at in place are counted as they pass; the callback hears
    // of them every few thousand and at the end.
    constexpr std::uint64_t kEvery = 4096;
    const bool visited = FInner->visitNewestFirst([&](std::span<const std::byte> record) {
      ++FDone;
      if (FCallback && FDone % kEvery == 0) {
        FCallback(std::min(FDone, FTotal == 0 ? FDone : FTotal), FTotal);
      }
      return visit(record);
    });
    if (visited && FCallback) {
      FCallback(std::min(FDone, FTotal == 0 ? FDone : FTotal), FTotal);
    }
    return visited;
  }

 private:
  std::unique_ptr<platform::EventLog> FInner;
  const TReadProgressCallback& FCallback;
  std::uint64_t FDone = 0;
  std::uint64_t FTotal = 0;
};

}  // namespace

TReadProgressService::TReadProgressService(std::shared_ptr<platform::EventLogService> Inner,
                                           TReadProgressCallback Callback)
    : FInner(std::move(Inner)), FCallback(std::move(Callback)) {}

std::unique_ptr<platform::EventLog> TReadProgressService::open(std::string_view server,
                                                               std::string_view logName,
                                                               std::uint32_t* error) {
  if (FCallback) {
    FCallback(0, 0);
  }
  std::unique_ptr<platform::EventLog> log = FInner->open(server, logName, error);
  if (!log) {
    return nullptr;
  }
  return std::make_unique<TReadProgressLog>(std::move(log), FCallback);
}

}  // namespace tallyvane
