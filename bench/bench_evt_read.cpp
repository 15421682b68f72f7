// Reading a large classic .evt System log: generates a 1,000,000-record file
// shaped like a real System log (about 5 % from the three sources the journal
// reads), then times, in one run:
//   - a plain sequential read of the file's bytes (best of several),
//   - opening the file and reading + sorting it through TEventLog, without a
//     filter and with the journal's source filter (best of several, with the
//     processor time of that run),
//   - the peak memory of opening, reading, filtering and sorting the file with
//     the journal's filter in a process of its own, against the file's size,
//   - evtexport (libevt-utils) on the same file, bounded by a timeout, and on
//     a 100,000-record file whose time is scaled up tenfold for comparison.
// The load average is printed beside the figures: other work on the machine
// slows the runs down.
// Usage: bench_evt_read [records] [evtexport timeout in seconds] [work dir] [runs]
//        bench_evt_read --peak-memory FILE FILTER  (used by the run above)
#include <sys/resource.h>

#include <algorithm>
#include <chrono>
#include <cinttypes>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <filesystem>
#include <fstream>
#include <random>
#include <string>
#include <vector>

#include "eventlog/Orvex_EventLogNT.h"
#include "platform/Accounts.h"
#include "platform/EvtFileEventLogService.h"
#include "platform/EvtFileWriter.h"

namespace {

using namespace tallyvane;
using Clock = std::chrono::steady_clock;

double secondsSince(Clock::time_point start) {
  return std::chrono::duration<double>(Clock::now() - start).count();
}

// Processor seconds of this process, and of its finished children.
double cpuSeconds() {
  return static_cast<double>(std::clock()) / CLOCKS_PER_SEC;
}
double childCpuSeconds() {
  rusage usage{};
  getrusage(RUSAGE_CHILDREN, &usage);
  return static_cast<double>(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) +
         static_cast<double>(usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
}

struct Kind {
  const char* source;
  std::uint32_t eventId;
  std::uint16_t type;
  std::vector<std::string> strings;
  bool sid = false;
  std::size_t dataBytes = 0;
};

// The journal's sources (5 % of the log) and common others.
const std::vector<Kind>& journalKinds() {
  static const std::vector<Kind> kinds = {
      {"EventLog", 0x80001775, 4, {}},
      {"EventLog", 0x80001776, 4, {}},
      {"EventLog",
       0x80001779,
       4,
       {"6.01.", "7601", "Service Pack 1", "Multiprocessor Free", "17514"}},
      {"EventLog", 0x8000177D, 4, {"", "", "", "", "65", "", "7200"}, false, 0},
      {"EventLog",
       0x80001778,
       1,
       {"2:41:02 AM", "\u200e5/\u200e29/\u200e2023", "", "", "3261", ""},
       false,
       40},
      {"Microsoft-Windows-Kernel-Power", 42, 4, {"1", "0", "0"}},
      {"Microsoft-Windows-Kernel-Power", 107, 4, {}},
      {"Microsoft-Windows-Kernel-Power", 41, 1, {"0", "0x0", "0x0", "0x0", "0x0", "false", "0"}},
      {"Microsoft-Windows-Kernel-General",
       1,
       4,
       {"2023-11-14T23:13:20.500000000Z", "2023-11-15T00:13:21.733000000Z", "1"}},
      {"Microsoft-Windows-Kernel-General",
       12,
       4,
       {"6", "1", "7601", "24545", "0", "0", "2023-11-14T22:13:20.500000000Z"}},
      {"Microsoft-Windows-Kernel-General", 13, 4, {"2023-11-14T22:13:20.500000000Z"}},
  };
  return kinds;
}

const std::vector<Kind>& otherKinds() {
  static const std::vector<Kind> kinds = {
      {"Service Control Manager", 0x40001B7C, 4, {"Windows Update", "running"}},
      {"Service Control Manager",
       0x40001B7C,
       4,
       {"Background Intelligent Transfer Service", "stopped"}},
      {"Service Control Manager",
       0x40001B80,
       4,
       {"Windows Modules Installer", "demand start", "auto start", "TrustedInstaller"},
       true},
      {"Service Control Manager", 0xC0001B58, 1, {"Print Spooler", "%%1053"}, false, 0},
      {"Microsoft-Windows-Time-Service",
       35,
       4,
       {"time.windows.com,0x9 (ntp.m|0x9|0.0.0.0:123->40.119.6.228:123)", "1"}},
      {"Microsoft-Windows-Time-Service",
       37,
       4,
       {"time.windows.com,0x9 (ntp.m|0x9|0.0.0.0:123->40.119.6.228:123)"}},
      {"Tcpip", 0x40001069, 4, {"Local Area Connection", "192.168.1.23", "0"}, false, 24},
      {"Tcpip", 0xC0001067, 2, {"10.0.0.5", "00-1A-2B-3C-4D-5E"}, false, 32},
      {"Microsoft-Windows-DistributedCOM",
       10016,
       2,
       {"application-specific", "Local", "Activation", "{D63B10C5-BB46-4990-A94F-E40B9D520160}",
        "{9CA88EE3-ACB7-47C8-AFC4-AB702511C276}", "NT AUTHORITY", "SYSTEM", "S-1-5-18",
        "LocalHost (Using LRPC)"},
       true},
      {"Microsoft-Windows-WindowsUpdateClient",
       19,
       4,
       {"Security Intelligence Update for Microsoft Defender Antivirus - KB2267602 (Version "
        "1.401.1166.0)",
        "{6a2e8f0b-2b5a-4c4e-9b0e-5c3c3f1a2b7d}", "200"}},
      {"Microsoft-Windows-DNS-Client",
       1014,
       2,
       {"wpad", "\\Device\\NetBT_Tcpip_{A4E1C2F3-1234-4BCD-9876-0123456789AB}"}},
      {"Netlogon", 0x00001657, 2, {"WORKGROUP"}},
      {"Microsoft-Windows-Kernel-Processor-Power", 55, 4, {"0", "4", "0x0", "2400", "0", "0"}},
  };
  return kinds;
}

std::vector<std::vector<std::byte>> generate(std::size_t count) {
  std::mt19937 random(2024);
  std::vector<std::vector<std::byte>> records;
  records.reserve(count);
  const std::uint32_t systemSub[] = {18};
  const auto systemSid = platform::makeSid(5, systemSub);
  std::uint32_t time = 1'420'070'400;  // 2015-01-01
  for (std::size_t i = 0; i < count; ++i) {
    const bool journal = random() % 100 < 5;
    const auto& kinds = journal ? journalKinds() : otherKinds();
    const Kind& k = kinds[random() % kinds.size()];
    platform::EventLogRecordFields f;
    f.recordNumber = static_cast<std::uint32_t>(i + 1);
    time += 1 + random() % 60;
    f.timeGenerated = time;
    f.timeWritten = time;
    f.eventId = k.eventId;
    f.eventType = k.type;
    f.sourceName = k.source;
    f.computerName = "WORKSTATION-07";
    f.strings = k.strings;
    if (k.sid)
      f.userSid = systemSid;
    f.data.assign(k.dataBytes, std::byte{0x5A});
    records.push_back(platform::buildEventLogRecord(f));
  }
  return records;
}

void writeFile(const std::filesystem::path& path, const std::vector<std::byte>& bytes) {
  std::ofstream(path, std::ios::binary)
      .write(reinterpret_cast<const char*>(bytes.data()),
             static_cast<std::streamsize>(bytes.size()));
}

double plainRead(const std::filesystem::path& path, std::uint64_t& checksum) {
  const auto start = Clock::now();
  std::FILE* f = std::fopen(path.string().c_str(), "rb");
  std::vector<unsigned char> buffer(1 << 20);
  checksum = 0;
  std::size_t n = 0;
  while ((n = std::fread(buffer.data(), 1, buffer.size(), f)) > 0) {
    for (std::size_t i = 0; i < n; i += 64)
      checksum += buffer[i];
  }
  std::fclose(f);
  return secondsSince(start);
}

struct ReaderTimes {
  double open = 0, read = 0, sort = 0, cpu = 0;
  std::uint32_t records = 0;
  double total() const { return open + read + sort; }
};

ReaderTimes readAndSortOnce(const std::filesystem::path& path, const char* filter, bool toLocal) {
  ReaderTimes t;
  const double cpu = cpuSeconds();
  auto start = Clock::now();
  auto service = platform::EvtFileEventLogService::fromFile(path);
  t.open = secondsSince(start);
  if (!service)
    return t;
  platform::Services services = platform::systemServices();
  services.eventLog = service.value().get();
  TEventLog log(true, services);
  log.SetSourceName("System");
  log.SetSourceFilter(filter);
  log.SetConvertTimeToLocal(toLocal);
  start = Clock::now();
  log.RefreshData(true);
  t.read = secondsSince(start);
  start = Clock::now();
  log.Sort();
  t.sort = secondsSince(start);
  t.records = log.RecordCount();
  t.cpu = cpuSeconds() - cpu;
  return t;
}

// The best of `runs` runs by wall time.
ReaderTimes readAndSort(const std::filesystem::path& path, const char* filter, bool toLocal,
                        int runs) {
  ReaderTimes best;
  for (int i = 0; i < runs; ++i) {
    const ReaderTimes t = readAndSortOnce(path, filter, toLocal);
    if (i == 0 || t.total() < best.total())
      best = t;
  }
  return best;
}

// Peak resident memory of this process in KiB.
long peakRssKib() {
  rusage usage{};
  getrusage(RUSAGE_SELF, &usage);
  return usage.ru_maxrss;
}

// Opens, reads, filters and sorts `path` in a process of its own and returns
// its peak resident memory in KiB (0 when it could not be run).
long peakMemoryOfRead(const char* self, const std::filesystem::path& path, const char* filter) {
  const std::string command =
      std::string("'") + self + "' --peak-memory '" + path.string() + "' '" + filter + "'";
  std::FILE* pipe = popen(command.c_str(), "r");
  if (pipe == nullptr)
    return 0;
  long kib = 0;
  if (std::fscanf(pipe, "%ld", &kib) != 1)
    kib = 0;
  pclose(pipe);
  return kib;
}

std::string loadAverage() {
  double load[3] = {0, 0, 0};
  if (getloadavg(load, 3) != 3)
    return "load average unknown";
  char text[64];
  std::snprintf(text, sizeof text, "load average %.2f, %.2f, %.2f", load[0], load[1], load[2]);
  return text;
}

struct ExportTimes {
  double wall = 0, cpu = 0;
  bool finished = false;
};

// Runs evtexport on `path` with a timeout.
ExportTimes evtexport(const std::filesystem::path& path, int timeoutSeconds) {
  const std::string command = "timeout " + std::to_string(timeoutSeconds) + " evtexport '" +
                              path.string() + "' >/dev/null 2>&1";
  const double cpu = childCpuSeconds();
  const auto start = Clock::now();
  const int status = std::system(command.c_str());
  return {secondsSince(start), childCpuSeconds() - cpu, status == 0};
}

}  // namespace

int main(int argc, char** argv) {
  if (argc == 4 && std::string(argv[1]) == "--peak-memory") {
    readAndSortOnce(argv[2], argv[3], true);
    std::printf("%ld\n", peakRssKib());
    return 0;
  }
  const std::size_t count = argc > 1 ? std::strtoul(argv[1], nullptr, 10) : 1'000'000;
  const int timeoutSeconds = argc > 2 ? std::atoi(argv[2]) : 120;
  const std::filesystem::path dir =
      argc > 3 ? std::filesystem::path(argv[3])
               : std::filesystem::temp_directory_path() / "tallyvane-bench";
  std::filesystem::create_directories(dir);
  const auto bigPath = dir / "system-large.evt";
  const auto smallPath = dir / "system-100k.evt";
  const int repeats = argc > 4 ? std::max(1, std::atoi(argv[4])) : 5;

  auto start = Clock::now();
  const std::size_t smallCount = std::min<std::size_t>(count, 100'000);
  {
    const auto records = generate(count);
    // A log that has wrapped once, as a long-lived System log has.
    std::size_t bytes = 0;
    for (const auto& r : records)
      bytes += r.size();
    const std::uint32_t maxSize =
        static_cast<std::uint32_t>(platform::kEvtHeaderSize + bytes + 65536);
    writeFile(bigPath,
              platform::writeEvtFile(records, 1, {.maxSize = maxSize, .startOffset = maxSize / 3}));
    writeFile(smallPath, platform::writeEvtFile(std::span(records).first(smallCount), 1));
  }
  std::printf("generated %zu records (%.1f MB) in %.2f s: %s\n", count,
              static_cast<double>(std::filesystem::file_size(bigPath)) / 1e6, secondsSince(start),
              bigPath.string().c_str());

  std::printf("%s; best of %d runs\n", loadAverage().c_str(), repeats);

  std::uint64_t checksum = 0;
  plainRead(bigPath, checksum);  // warm the page cache
  double plain = 0;
  double plainCpu = 0;
  for (int i = 0; i < repeats; ++i) {
    const double cpu0 = cpuSeconds();
    const double wall = plainRead(bigPath, checksum);
    const double cpu = cpuSeconds() - cpu0;
    if (i == 0 || wall < plain) {
      plain = wall;
      plainCpu = cpu;
    }
  }
  std::printf("%-45s %8.3f s wall %8.3f s cpu\n", "plain sequential read of the file", plain,
              plainCpu);

  const char* journalFilter =
      "Microsoft-Windows-Kernel-General,Microsoft-Windows-Kernel-Power,EventLog";
  const struct {
    const char* name;
    const char* filter;
    bool toLocal;
  } runs[] = {
      {"TEventLog read+sort, no filter, UTC", "", false},
      {"TEventLog read+sort, no filter, local time", "", true},
      {"TEventLog read+sort, journal filter, local", journalFilter, true},
  };
  std::vector<ReaderTimes> times;
  for (const auto& run : runs) {
    const ReaderTimes t = readAndSort(bigPath, run.filter, run.toLocal, repeats);
    times.push_back(t);
    std::printf("%-45s %8.3f s wall %8.3f s cpu (open %.3f, read %.3f, sort %.3f) %u records\n",
                run.name, t.total(), t.cpu, t.open, t.read, t.sort, t.records);
  }

  std::printf("%s\n", loadAverage().c_str());

  // Memory: the file is mapped (its pages count as the process's own), so the
  // peak is the file, the kept records and what the reader needs besides.
  const double fileMib = static_cast<double>(std::filesystem::file_size(bigPath)) / 1048576.0;
  const long keptKib = peakMemoryOfRead(argv[0], bigPath, journalFilter);
  const long noneKib = peakMemoryOfRead(argv[0], bigPath, "no such source");
  if (keptKib > 0 && noneKib > 0) {
    std::printf(
        "peak memory, journal filter, process of its own: %.1f MiB (file %.1f MiB; "
        "%.1f MiB beyond it, of which the kept records take %.1f MiB and a filter "
        "that keeps nothing leaves %.1f MiB)\n",
        static_cast<double>(keptKib) / 1024.0, fileMib,
        static_cast<double>(keptKib) / 1024.0 - fileMib,
        static_cast<double>(keptKib - noneKib) / 1024.0,
        static_cast<double>(noneKib) / 1024.0 - fileMib);
  }

  ExportTimes exported;
  bool extrapolated = false;
  const bool haveEvtexport = std::system("command -v evtexport >/dev/null 2>&1") == 0;
  if (haveEvtexport) {
    const ExportTimes small = evtexport(smallPath, timeoutSeconds);
    std::printf("%-45s %8.3f s wall %8.3f s cpu%s (%.1f us cpu a record)\n",
                ("evtexport, " + std::to_string(smallCount) + " records").c_str(), small.wall,
                small.cpu, small.finished ? "" : " (timed out)",
                small.cpu / static_cast<double>(smallCount) * 1e6);
    exported = evtexport(bigPath, timeoutSeconds);
    if (exported.finished) {
      std::printf("%-45s %8.3f s wall %8.3f s cpu\n",
                  ("evtexport, " + std::to_string(count) + " records").c_str(), exported.wall,
                  exported.cpu);
    } else {
      const double scale = static_cast<double>(count) / static_cast<double>(smallCount);
      std::printf(
          "evtexport, %zu records: stopped by the %d s timeout; extrapolated linearly "
          "from %zu records: %.1f s wall %.1f s cpu (a lower bound: it slows down "
          "beyond 100,000 records)\n",
          count, timeoutSeconds, smallCount, small.wall * scale, small.cpu * scale);
      exported = {small.wall * scale, small.cpu * scale, false};
      extrapolated = true;
    }
  } else {
    std::printf("evtexport not installed (libevt-utils): skipped\n");
  }

  std::printf("\nratios to the plain read (wall, cpu):\n");
  for (std::size_t i = 0; i < times.size(); ++i) {
    std::printf("  %-43s %8.1fx %8.1fx\n", runs[i].name, times[i].total() / plain,
                times[i].cpu / plainCpu);
  }
  if (haveEvtexport) {
    std::printf("  %-43s %8.1fx %8.1fx%s\n", "evtexport", exported.wall / plain,
                exported.cpu / plainCpu, extrapolated ? " (extrapolated)" : "");
    std::printf("ratios of evtexport to TEventLog (wall, cpu):\n");
    std::printf("  %-43s %8.1fx %8.1fx\n", "without filter (UTC)", exported.wall / times[0].total(),
                exported.cpu / times[0].cpu);
    std::printf("  %-43s %8.1fx %8.1fx\n", "with the journal filter",
                exported.wall / times[2].total(), exported.cpu / times[2].cpu);
  }
  std::printf("(checksum %" PRIu64 ")\n", checksum);
  if (argc <= 3) {
    std::filesystem::remove(bigPath);
    std::filesystem::remove(smallPath);
  }
  return 0;
}
