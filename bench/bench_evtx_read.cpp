// Reading large .evtx files: records per second of the service (our parser,
// the mapping and the record layout), of the whole log read by the classic
// reader through the service, and of evtxexport (libevtx-utils) on the same
// file in the same run, with the ratios between them. The written file holds
// its events as template instances, as Windows writes them.
//
// Both wall-clock and CPU time are printed; the best of the repeats counts.
// The figures are fair only on a quiet machine: the load average is printed
// at the start.
//
// Usage: bench_evtx_read [EVENTS] [REAL-FILE]
//   EVENTS     events in the written file (default 100000)
//   REAL-FILE  a real .evtx file read the same way (default: the shared
//              fixture tsevtx_System.evtx when present)
#include <sys/resource.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <filesystem>
#include <fstream>
#include <string>

#include "eventlog/Orvex_EventLogNT.h"
#include "evtx/EvtxFileBuilder.h"
#include "platform/EvtxEventLogService.h"

using namespace tallyvane;
using Clock = std::chrono::steady_clock;

namespace {

double secondsSince(Clock::time_point start) {
  return std::chrono::duration<double>(Clock::now() - start).count();
}

// A System log of `count` events with the mix a real one has: boots,
// shutdowns, uptime reports, sleeps, resumes and service messages.
std::vector<std::byte> writeLog(std::size_t count) {
  testing::EvtxFileBuilder builder;
  builder.useTemplates();
  const std::uint64_t base = 133933849549349101ULL;
  for (std::size_t i = 0; i < count; ++i) {
    const std::uint64_t id = i + 1;
    const std::uint64_t written = base + i * 600ULL * 10'000'000ULL;
    char created[40];
    const std::time_t t = static_cast<std::time_t>(1748911354 + i * 600);
    std::strftime(created, sizeof created, "%Y-%m-%dT%H:%M:%S.1234567Z", std::gmtime(&t));
    testing::EvtxElement event;
    switch (i % 8) {
      case 0:
        event = testing::evtxSystemEvent("EventLog", 6009, 32768, 4, created, id,
                                         {"10.00.", "26100", "", "Multiprocessor Free", "0"});
        break;
      case 1:
        event = testing::evtxSystemEvent("EventLog", 6005, 32768, 4, created, id, {}, "");
        break;
      case 2:
        event =
            testing::evtxSystemEvent("EventLog", 6013, 32768, 4, created, id,
                                     {"", "", "", "", "639419", "60", "480 Pacific Standard Time"},
                                     "31002E003100000030000000570069006E0064006F0077007300");
        break;
      case 3:
        event = testing::evtxSystemEvent("Microsoft-Windows-Kernel-Power", 42, std::nullopt, 4,
                                         created, id, {"6", "5", "4", "0", "15"}, "", "System", "",
                                         "", 0x8000400000000404ULL, 64);
        break;
      case 4:
        event = testing::evtxSystemEvent(
            "Microsoft-Windows-Kernel-General", 1, std::nullopt, 4, created, id,
            {"2025-06-03T00:42:34.5000000Z", "2025-06-03T00:42:30.0000000Z", "0"}, "", "System",
            "S-1-5-18");
        break;
      case 5:
        event = testing::evtxSystemEvent(
            "Service Control Manager", 7036, 16384, 4, created, id,
            {"Windows Update", "running", "770075006100750073006500720076002F0034000000"}, "",
            "System", "", "Service Control Manager", 0x8080000000000000ULL);
        break;
      case 6:
        event = testing::evtxSystemEvent(
            "Microsoft-Windows-DistributedCOM", 10016, 0, 3, created, id,
            {"machine-default", "Local", "Activation", "{F87B28F1-DA9A-4F35-8EC0-800EFCF26B83}",
             "NT AUTHORITY", "NETWORK SERVICE", "S-1-5-20"},
            "", "System", "S-1-5-20", "DCOM");
        break;
      default:
        event = testing::evtxSystemEvent("EventLog", 6006, 32768, 4, created, id, {}, "");
        break;
    }
    builder.add(testing::EvtxEventSpec{id, written, std::move(event)});
  }
  return builder.build();
}

// CPU seconds of this process, or of its finished children.
double cpuSeconds(int who) {
  rusage usage{};
  ::getrusage(who, &usage);
  return static_cast<double>(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) +
         static_cast<double>(usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
}

// Wall-clock and CPU time: on a busy machine the CPU time is the fairer figure.
struct Figure {
  std::size_t records = 0;
  double seconds = 0;
  double cpu = 0;
  void print(const char* what) const {
    auto rate = [&](double s) { return s > 0 ? static_cast<double>(records) / s : 0.0; };
    std::printf("  %-44s %7zu records %8.3f s %9.0f/s wall %8.3f s %9.0f/s CPU\n", what, records,
                seconds, rate(seconds), cpu, rate(cpu));
  }
};

Figure timeService(const std::string& path) {
  const auto start = Clock::now();
  const double cpu = cpuSeconds(RUSAGE_SELF);
  const auto file = platform::readEvtxFile(path);
  Figure f{file.records->count(), secondsSince(start), cpuSeconds(RUSAGE_SELF) - cpu};
  if (!file.opened())
    std::printf("  cannot read %s: %s\n", path.c_str(), messageOf(file.error).c_str());
  return f;
}

Figure timeReader(const std::string& path) {
  const auto start = Clock::now();
  const double cpu = cpuSeconds(RUSAGE_SELF);
  platform::EvtxEventLogService service;
  const auto& file = service.addFile(path);
  platform::Services services = platform::systemServices();
  services.eventLog = &service;
  TEventLog reader(true, services);
  reader.SetSourceName(file.logName);
  reader.RefreshData(true);
  reader.Sort();
  return Figure{reader.RecordCount(), secondsSince(start), cpuSeconds(RUSAGE_SELF) - cpu};
}

// evtxexport on the same file, its output thrown away; bounded by `timeout`.
Figure timeEvtxexport(const std::string& path, std::size_t records, const char* format) {
  const std::string command =
      "timeout 600 evtxexport -f " + std::string(format) + " '" + path + "' >/dev/null 2>&1";
  const auto start = Clock::now();
  const double cpu = cpuSeconds(RUSAGE_CHILDREN);
  const int status = std::system(command.c_str());
  Figure f{records, secondsSince(start), cpuSeconds(RUSAGE_CHILDREN) - cpu};
  if (status != 0)
    std::printf("  evtxexport exited with status %d\n", status);
  return f;
}

// The first line of /proc/loadavg: the figures are fair only on a quiet machine.
std::string loadAverage() {
  std::ifstream in("/proc/loadavg");
  std::string line;
  std::getline(in, line);
  return line.empty() ? "unknown" : line;
}

bool haveEvtxexport() {
  return std::system("command -v evtxexport >/dev/null 2>&1") == 0;
}

// Our reads are repeated `repeats` times and evtxexport `toolRepeats` times
// (on a large file one run of it takes seconds and varies little).
void compare(const std::string& path, int repeats, int toolRepeats) {
  std::printf("%s (%ju bytes), best of %d (evtxexport: of %d):\n", path.c_str(),
              static_cast<std::uintmax_t>(std::filesystem::file_size(path)), repeats, toolRepeats);
  Figure service, reader, xml, text;
  for (int i = 0; i < repeats; ++i) {
    const Figure s = timeService(path);
    if (i == 0 || s.seconds < service.seconds)
      service = s;
    const Figure r = timeReader(path);
    if (i == 0 || r.seconds < reader.seconds)
      reader = r;
    if (haveEvtxexport() && i < toolRepeats) {
      const Figure x = timeEvtxexport(path, service.records, "xml");
      if (i == 0 || x.seconds < xml.seconds)
        xml = x;
      const Figure t = timeEvtxexport(path, service.records, "text");
      if (i == 0 || t.seconds < text.seconds)
        text = t;
    }
  }
  service.print("service: readEvtxFile (parse, map, lay out)");
  reader.print("reader: TEventLog through the service");
  if (haveEvtxexport()) {
    xml.print("evtxexport -f xml");
    text.print("evtxexport -f text");
    auto ratio = [](double a, double b) { return b > 0 ? a / b : 0.0; };
    std::printf("  service against evtxexport -f text: %.1f times as fast (wall), %.1f (CPU)\n",
                ratio(text.seconds, service.seconds), ratio(text.cpu, service.cpu));
    std::printf("  service against evtxexport -f xml:  %.1f times as fast (wall), %.1f (CPU)\n",
                ratio(xml.seconds, service.seconds), ratio(xml.cpu, service.cpu));
  } else {
    std::printf("  evtxexport is not installed (libevtx-utils)\n");
  }
}

}  // namespace

int main(int argc, char** argv) {
  std::printf("load average at start: %s\n", loadAverage().c_str());
  const std::size_t events = argc > 1 ? std::strtoull(argv[1], nullptr, 10) : 100000;
  // The shared fixtures lie beside the repository.
  const std::string real =
      argc > 2 ? argv[2] : std::string(TALLYVANE_SHARED_FIXTURES) + "/evtx/tsevtx_System.evtx";

  const auto path = std::filesystem::temp_directory_path() /
                    ("bench_evtx_read_" + std::to_string(events) + ".evtx");
  {
    const auto start = Clock::now();
    const auto bytes = writeLog(events);
    std::ofstream(path, std::ios::binary)
        .write(reinterpret_cast<const char*>(bytes.data()),
               static_cast<std::streamsize>(bytes.size()));
    std::printf("wrote %zu events in %.2f s\n", events, secondsSince(start));
  }
  compare(path.string(), 5, 1);
  std::filesystem::remove(path);

  if (std::filesystem::exists(real)) {
    compare(real, 5, 5);
  } else {
    std::printf("no real file at %s\n", real.c_str());
  }
  return 0;
}
