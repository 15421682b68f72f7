// The storage file at work: an event log of 100,000 records saved by the
// component (header, then the text form) and loaded back, and one 64 MiB
// stream written and read in 8,192-byte pieces. Reports the time per run and
// the file's size.
#include <benchmark/benchmark.h>

#include <unistd.h>

#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "components/SessionFacts.h"
#include "eventlog/Qzi_EventLog.h"
#include "storage/Orvex_SS.h"

namespace {

using namespace tallyvane;

constexpr int kRecords = 100'000;
constexpr std::int64_t kStreamBytes = 64LL << 20;
constexpr std::int32_t kPiece = 8192;

std::string scratchFile(const char* name) {
  return (std::filesystem::temp_directory_path() /
          (std::string("tallyvane-bench-") + std::to_string(::getpid()) + "-" + name))
      .string();
}

void fill(TOrvex_EventLog& log) {
  log.Reader().SetSourceName("System");
  TLogRecord r;
  r.Category = "None";
  r.Username = "SYSTEM";
  r.Domain = "NT AUTHORITY";
  r.Computer = "BENCH";
  for (int i = 0; i < kRecords; ++i) {
    r.EventType = static_cast<TEventType>(i % 5);
    r.DateTime = 35000.0 + i / 96.0;
    r.Source = i % 2 ? "EventLog" : "Microsoft-Windows-Kernel-Power";
    r.EventID = i % 2 ? 6005 : 42;
    r.Description = "The system is entering sleep; reason " + std::to_string(i) + ".\r\nDone.";
    log.Reader().AddRecord(r);
  }
}

void BM_SaveEventLog(benchmark::State& state) {
  const std::string file = scratchFile("save.stg");
  NoSessionFacts facts;
  TOrvex_EventLog log(nullptr, platform::systemServices(), facts);
  fill(log);
  for (auto _ : state) {
    std::filesystem::remove(file);
    log.SaveToStorage(file, "benchmark", nullptr);
  }
  state.counters["file_MB"] = static_cast<double>(std::filesystem::file_size(file)) / 1e6;
  state.counters["records/s"] = benchmark::Counter(static_cast<double>(kRecords),
                                                   benchmark::Counter::kIsIterationInvariantRate);
  std::filesystem::remove(file);
}
BENCHMARK(BM_SaveEventLog)->Unit(benchmark::kMillisecond)->UseRealTime();

void BM_LoadEventLog(benchmark::State& state) {
  const std::string file = scratchFile("load.stg");
  NoSessionFacts facts;
  {
    TOrvex_EventLog log(nullptr, platform::systemServices(), facts);
    fill(log);
    log.SaveToStorage(file, "benchmark", nullptr);
  }
  for (auto _ : state) {
    TOrvex_EventLog log(nullptr, platform::systemServices(), facts);
    log.LoadFromStorage(file, nullptr);
    log.SetSourceName("System");  // stored data: reads the file
    if (log.RecordCount() != kRecords)
      state.SkipWithError("records lost");
  }
  state.counters["records/s"] = benchmark::Counter(static_cast<double>(kRecords),
                                                   benchmark::Counter::kIsIterationInvariantRate);
  std::filesystem::remove(file);
}
BENCHMARK(BM_LoadEventLog)->Unit(benchmark::kMillisecond)->UseRealTime();

void BM_LargeStream(benchmark::State& state) {
  const std::string file = scratchFile("stream.stg");
  std::vector<char> piece(kPiece);
  for (std::size_t i = 0; i < piece.size(); ++i)
    piece[i] = static_cast<char>(i * 31);
  for (auto _ : state) {
    std::filesystem::remove(file);
    {
      std::shared_ptr<cfb::Storage> stg;
      OleCheck(StgCreateDocfile(file, STGM_CREATE | STGM_READWRITE | STGM_SHARE_EXCLUSIVE, &stg));
      TStructuredStorage root(nullptr, stg);
      std::unique_ptr<TStorageStream> s(
          root.OpenStream("data", STGM_READWRITE | STGM_SHARE_EXCLUSIVE, true));
      for (std::int64_t done = 0; done < kStreamBytes; done += kPiece)
        s->Write(piece.data(), kPiece);
    }
    std::shared_ptr<cfb::Storage> stg;
    OleCheck(StgOpenStorage(file, STGM_READ | STGM_SHARE_EXCLUSIVE, &stg));
    TStructuredStorage root(nullptr, stg);
    std::unique_ptr<TStorageStream> s(
        root.OpenStream("data", STGM_READ | STGM_SHARE_EXCLUSIVE, false));
    std::int64_t read = 0;
    while (const std::int32_t n = s->Read(piece.data(), kPiece))
      read += n;
    if (read != kStreamBytes)
      state.SkipWithError("bytes lost");
  }
  state.counters["MB/s"] = benchmark::Counter(2.0 * static_cast<double>(kStreamBytes) / 1e6,
                                              benchmark::Counter::kIsIterationInvariantRate);
  std::filesystem::remove(file);
}
BENCHMARK(BM_LargeStream)->Unit(benchmark::kMillisecond)->UseRealTime();

}  // namespace

BENCHMARK_MAIN();
