// Serving the System log of a large Linux history, against journalctl's own
// boot listing on the same files.
//
// Usage: bench_linux_history [DIR]
// DIR (default: linux-history-journal beside this program, in the build tree)
// receives a journal of 1,000 boots and about 2,000,000 entries, generated once
// as journal export text and turned into a journal file by
// systemd-journal-remote. Generation is not measured. Then, in the same run:
//   - the time to serve the whole System log (open the log through the Linux
//     event log service and read every record through the reader),
//   - the time of `journalctl --list-boots -D DIR`,
// each the best of several runs, and their ratio.
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "eventlog/Orvex_EventLogNT.h"
#include "platform/linux/LinuxEventLogService.h"

namespace {

namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;

constexpr int kBoots = 1000;
constexpr int kEntriesPerBoot = 2000;
constexpr const char* kJournalRemote = "/lib/systemd/systemd-journal-remote";
constexpr const char* kMarker = "generated-1000-boots-2000000-entries";

// Messages repeat, as they do in real journals (the journal stores each
// distinct field value once).
const char* const kMessages[] = {
    "Started Session of user ann.",
    "pam_unix(sudo:session): session opened for user root",
    "NetworkManager: <info> dhcp4 (wlan0): state changed bound -> bound",
    "Reached target Timers.",
    "wlan0: associated",
    "CPU0: Package temperature above threshold, cpu clock throttled",
    "Finished Daily apt upgrade and clean activities.",
    "systemd-logind: New session 3 of user ann.",
};

std::string bootId(int boot) {
  char text[33];
  std::snprintf(text, sizeof text, "%08x%08x%08x%08x", 0x5eedb007u, static_cast<unsigned>(boot),
                0x0badcafeu, static_cast<unsigned>(boot * 2654435761u));
  return text;
}

// Writes the export text of the whole history to `out`.
void writeExport(std::FILE* out) {
  std::int64_t bootUsec = 1'600'000'000'000'000;  // September 2020
  std::string entry;
  for (int boot = 0; boot < kBoots; ++boot) {
    const std::string id = bootId(boot);
    const bool crashes = boot % 10 == 3;
    const bool sleeps = boot % 4 == 1;
    std::int64_t asleep = 0;
    std::int64_t now = bootUsec;
    for (int i = 0; i < kEntriesPerBoot; ++i) {
      now += 7'000'000 + (i % 13) * 100'000;
      std::string extra;
      if (i == 0) {
        extra = "_TRANSPORT=kernel\nMESSAGE=Linux version 6.1.0-" + std::to_string(boot % 30) +
                "-amd64 (debian-kernel@lists.debian.org) #1 SMP\n";
      } else if (sleeps && i == kEntriesPerBoot / 2) {
        extra =
            "MESSAGE_ID=6bbd95ee977941e497c48be27c254128\nSLEEP=suspend\n"
            "MESSAGE=System sleep state suspend entered.\n";
      } else if (sleeps && i == kEntriesPerBoot / 2 + 1) {
        asleep += 3'600'000'000;
        now += 3'600'000'000;
        extra =
            "MESSAGE_ID=8811e6df2a8e40f58a94cea26f8ebf14\n"
            "MESSAGE=System returned from sleep state.\n";
      } else if (!crashes && i == kEntriesPerBoot - 2) {
        extra = "MESSAGE_ID=98268866d1d54a499c4e98921d93bc40\nMESSAGE=System is powering down.\n";
      } else if (!crashes && i == kEntriesPerBoot - 1) {
        extra = "MESSAGE_ID=d93fb3c9c24d451a97cea615ce59c00b\nMESSAGE=Journal stopped\n";
      } else {
        extra = "_TRANSPORT=journal\nMESSAGE=" +
                std::string(kMessages[static_cast<std::size_t>(i) % std::size(kMessages)]) + "\n";
      }
      entry = "__REALTIME_TIMESTAMP=" + std::to_string(now) +
              "\n__MONOTONIC_TIMESTAMP=" + std::to_string(now - bootUsec - asleep) +
              "\n_BOOT_ID=" + id + "\n_HOSTNAME=bench-host\n" + extra + "\n";
      std::fwrite(entry.data(), 1, entry.size(), out);
    }
    bootUsec = now + 60'000'000;
  }
}

bool generate(const fs::path& dir) {
  if (fs::exists(dir / kMarker))
    return true;
  fs::remove_all(dir);
  fs::create_directories(dir);
  std::printf("generating %d boots x %d entries in %s ...\n", kBoots, kEntriesPerBoot, dir.c_str());
  std::fflush(stdout);
  const std::string command =
      std::string(kJournalRemote) + " -o '" + (dir / "system.journal").string() + "' - >/dev/null";
  std::FILE* pipe = popen(command.c_str(), "w");
  if (pipe == nullptr)
    return false;
  writeExport(pipe);
  if (pclose(pipe) != 0)
    return false;
  std::ofstream(dir / kMarker) << "done\n";
  return true;
}

// User and system CPU seconds of this process or of its finished children: the
// machine may be busy with other work, which wall time counts and CPU time does not.
double cpuSeconds(int who) {
  rusage usage{};
  getrusage(who, &usage);
  const auto seconds = [](const timeval& t) {
    return static_cast<double>(t.tv_sec) + static_cast<double>(t.tv_usec) / 1e6;
  };
  return seconds(usage.ru_utime) + seconds(usage.ru_stime);
}

double secondsSince(Clock::time_point start) {
  return std::chrono::duration<double>(Clock::now() - start).count();
}

}  // namespace

int main(int argc, char** argv) {
  if (access(kJournalRemote, X_OK) != 0) {
    std::fprintf(stderr, "%s is missing (scripts/deps.sh test installs it)\n", kJournalRemote);
    return 1;
  }
  const fs::path dir =
      argc > 1 ? fs::path(argv[1])
               : fs::read_symlink("/proc/self/exe").parent_path() / "linux-history-journal";
  const auto generation = Clock::now();
  if (!generate(dir)) {
    std::fprintf(stderr, "could not generate the journal in %s\n", dir.c_str());
    return 1;
  }
  std::printf("journal ready (%.1f s, not measured)\n", secondsSince(generation));

  constexpr int kRuns = 5;
  double serveBest = 1e9;
  double serveCpu = 1e9;
  std::uint32_t records = 0;
  for (int run = 0; run < kRuns; ++run) {
    const auto start = Clock::now();
    const double cpuStart = cpuSeconds(RUSAGE_SELF);
    tallyvane::platform::LinuxEventLogService service(
        tallyvane::platform::LinuxEventLogService::Origin::JournalDirectory, dir.string());
    tallyvane::platform::Services services = tallyvane::platform::systemServices();
    services.eventLog = &service;
    tallyvane::TEventLog log(true, services);
    log.SetSourceName("System");
    log.RefreshData(true);
    records = log.RecordCount();
    serveBest = std::min(serveBest, secondsSince(start));
    serveCpu = std::min(serveCpu, cpuSeconds(RUSAGE_SELF) - cpuStart);
  }

  double listBest = 1e9;
  double listCpu = 1e9;
  const std::string listBoots =
      "journalctl --no-pager --list-boots -D '" + dir.string() + "' >/dev/null 2>&1";
  int listStatus = 0;
  for (int run = 0; run < kRuns; ++run) {
    const auto start = Clock::now();
    const double cpuStart = cpuSeconds(RUSAGE_CHILDREN);
    listStatus = std::system(listBoots.c_str());
    listBest = std::min(listBest, secondsSince(start));
    listCpu = std::min(listCpu, cpuSeconds(RUSAGE_CHILDREN) - cpuStart);
  }

  // Every boot starts; a quarter sleep and resume once; nine in ten end in order
  // and the rest crash.
  std::printf("records served: %u (expected %d)\n", records,
              kBoots + kBoots / 4 * 2 + kBoots * 9 / 10 + kBoots / 10);
  std::printf("serve whole System log:        %.3f s wall, %.3f s CPU (best of %d)\n", serveBest,
              serveCpu, kRuns);
  std::printf(
      "journalctl --list-boots -D:    %.3f s wall, %.3f s CPU (best of %d, exit status %d)\n",
      listBest, listCpu, kRuns, WEXITSTATUS(listStatus));
  std::printf("ratio serve / list-boots:      %.2f wall, %.2f CPU\n", serveBest / listBest,
              serveCpu / listCpu);
  return 0;
}
