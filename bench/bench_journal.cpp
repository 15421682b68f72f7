// Builds the journal from System logs where one record in ten is picked
// (starts, sleeps, resumes and shutdowns), the rest being records of the same
// sources that the journal passes over and records of other sources that the
// source filter drops. Reports the time of a whole build (two reads of the
// log, the sort, the walk) of a 100,000-record log (target: under 150 ms), of
// the walk that makes the rows from 100,000 picked records already read and
// sorted (target: under 50 ms), and how both grow with the log.
#include <benchmark/benchmark.h>

#include <map>
#include <memory>
#include <string>

#include "journal/JournalBuilder.h"
#include "platform/EventLogRecord.h"
#include "platform/RecordListEventLog.h"

namespace {

using namespace tallyvane;

constexpr int kPickedPerDay = 10;
constexpr int kRecordsPerDay = 100;

class MemoryLogService : public platform::EventLogService {
 public:
  explicit MemoryLogService(std::shared_ptr<platform::RecordList> records)
      : records_(std::move(records)) {}
  std::unique_ptr<platform::EventLog> open(std::string_view, std::string_view,
                                           std::uint32_t*) override {
    return std::make_unique<platform::RecordListEventLog>(records_);
  }

 private:
  std::shared_ptr<platform::RecordList> records_;
};

std::shared_ptr<platform::RecordList> makeLog(int kDays) {
  auto list = std::make_shared<platform::RecordList>(1);
  list->reserve(static_cast<std::size_t>(kDays) * kRecordsPerDay, 160u * kDays * kRecordsPerDay);
  // From 1 January 1995, one day after another.
  const std::uint32_t firstDay = 788'918'400;
  std::uint32_t number = 1;
  platform::EventLogRecordFields f;
  f.computerName = "BENCH";
  for (int day = 0; day < kDays; ++day) {
    const std::uint32_t base = firstDay + static_cast<std::uint32_t>(day) * 86'400 + 8 * 3600;
    for (int k = 0; k < kRecordsPerDay; ++k) {
      f.recordNumber = number++;
      f.timeGenerated = f.timeWritten = base + static_cast<std::uint32_t>(k) * 300;
      f.strings.clear();
      if (k % 10 == 0) {
        // The picked ones: a start, four sleeps each followed by a resume, a shutdown.
        const int p = k / 10;
        if (p == 0) {
          f.eventId = 6009, f.sourceName = "EventLog";
        } else if (p == kPickedPerDay - 1) {
          f.eventId = 6006, f.sourceName = "EventLog";
        } else if (p % 2 == 1) {
          f.eventId = 42, f.sourceName = "Microsoft-Windows-Kernel-Power";
        } else {
          f.eventId = 1, f.sourceName = "Microsoft-Windows-Kernel-General";
        }
      } else if (k % 2 == 0) {
        f.eventId = 6013, f.sourceName = "EventLog";
        f.strings = {"123456", "60", "0"};
      } else {
        f.eventId = 7036, f.sourceName = "Service Control Manager";
        f.strings = {"Windows Update", "running"};
      }
      list->append(platform::buildEventLogRecord(f));
    }
  }
  return list;
}

struct Fixture {
  explicit Fixture(int days) : service(makeLog(days)) {
    services = platform::systemServices();
    services.eventLog = &service;
  }
  MemoryLogService service;
  platform::Services services;
  FormatSettings settings;
};

Fixture& fixture(int days) {
  static std::map<int, std::unique_ptr<Fixture>> fixtures;
  auto& f = fixtures[days];
  if (!f)
    f = std::make_unique<Fixture>(days);
  return *f;
}

void BM_RefreshJournal(benchmark::State& state) {
  const int kDays = static_cast<int>(state.range(0));
  Fixture& f = fixture(kDays);
  TOrvex_EventLog log(nullptr, f.services);
  VectorListModel days, months;
  TextOnlyJournalView view;
  for (auto _ : state) {
    RefreshJournal(log, days, months, view, *f.services.clock, f.settings);
    benchmark::DoNotOptimize(days.rows.data());
  }
  state.counters["records"] = static_cast<double>(kDays) * kRecordsPerDay;
  state.counters["picked"] = static_cast<double>(kDays) * kPickedPerDay;
  state.counters["dayRows"] = static_cast<double>(days.count());
  state.counters["monthRows"] = static_cast<double>(months.count());
}
// The argument is the number of days of 100 records each: 1,000 days make the
// 100,000-record log.
BENCHMARK(BM_RefreshJournal)->Unit(benchmark::kMillisecond)->Arg(1'000)->Iterations(10);
BENCHMARK(BM_RefreshJournal)->Unit(benchmark::kMillisecond)->Arg(10'000)->Iterations(3);

// The row-building walk alone, over records read and sorted once: 10,000
// days hold 100,000 picked records among 1,000,000.
void BM_BuildRows(benchmark::State& state) {
  const int kDays = static_cast<int>(state.range(0));
  Fixture& f = fixture(kDays);
  TOrvex_EventLog log(nullptr, f.services);
  log.SetConvertTimeToLocal(true);
  log.SetSourceFilter(kJournalSourceFilter);
  log.SetSourceName("System");
  log.Sort();
  const TDateTime today = Now(*f.services.clock);
  VectorListModel days, months;
  for (auto _ : state) {
    days.clear();
    months.clear();
    benchmark::DoNotOptimize(BuildJournalRows(log.Reader(), today, days, months, f.settings));
  }
  state.counters["picked"] = static_cast<double>(kDays) * kPickedPerDay;
  state.counters["dayRows"] = static_cast<double>(days.count());
  state.counters["rowsPerSecond"] = benchmark::Counter(
      static_cast<double>(days.count()), benchmark::Counter::kIsIterationInvariantRate);
}
BENCHMARK(BM_BuildRows)->Unit(benchmark::kMillisecond)->Arg(10'000)->Iterations(5);
BENCHMARK(BM_BuildRows)->Unit(benchmark::kMillisecond)->Arg(1'000)->Iterations(20);

// What a build spends in the component alone: the two reads of the log and
// the sort, without the walk that makes the rows.
void BM_ReadAndSortOnly(benchmark::State& state) {
  const int kDays = static_cast<int>(state.range(0));
  Fixture& f = fixture(kDays);
  TOrvex_EventLog log(nullptr, f.services);
  for (auto _ : state) {
    log.SetConvertTimeToLocal(true);
    log.SetSourceFilter(kJournalSourceFilter);
    log.SetSourceName("System");
    log.RefreshData(AllScanObjects);
    log.Sort();
    benchmark::DoNotOptimize(log.RecordCount());
  }
}
BENCHMARK(BM_ReadAndSortOnly)->Unit(benchmark::kMillisecond)->Arg(1'000)->Iterations(10);

}  // namespace

BENCHMARK_MAIN();
