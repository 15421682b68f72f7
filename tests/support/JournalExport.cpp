#include "support/JournalExport.h"

#include <unistd.h>

#include <cstdio>
#include <ctime>

namespace tallyvane::testing {

void JournalExport::boot(const std::string& bootId, std::int64_t bootUsec, const std::string& host,
                         const std::string& kernelRelease, bool bannerFirst) {
  bootId_ = bootId;
  host_ = host;
  bootUsec_ = bootUsec;
  if (!bannerFirst)
    message(bootUsec + 100'000, "early bird");
  entry(bootUsec + 500'000,
        {{"_TRANSPORT", "kernel"},
         {"PRIORITY", "5"},
         {"MESSAGE", "Linux version " + kernelRelease + " (builder@example) (gcc 12.2.0) #1 SMP"}});
}

void JournalExport::entry(std::int64_t realtimeUsec, const Fields& fields,
                          std::int64_t suspendedUsec) {
  text_ += "__REALTIME_TIMESTAMP=" + std::to_string(realtimeUsec) + "\n";
  text_ +=
      "__MONOTONIC_TIMESTAMP=" + std::to_string(realtimeUsec - bootUsec_ - suspendedUsec) + "\n";
  text_ += "_BOOT_ID=" + bootId_ + "\n";
  text_ += "_HOSTNAME=" + host_ + "\n";
  for (const auto& [name, value] : fields)
    text_ += name + "=" + value + "\n";
  text_ += "\n";
}

void JournalExport::message(std::int64_t usec, const std::string& text,
                            std::int64_t suspendedUsec) {
  entry(usec, {{"_TRANSPORT", "journal"}, {"MESSAGE", text}}, suspendedUsec);
}

void JournalExport::sleep(std::int64_t usec, const std::string& kind) {
  entry(usec, {{"MESSAGE_ID", "6bbd95ee977941e497c48be27c254128"},
               {"MESSAGE", "System sleep state " + kind + " entered."},
               {"SLEEP", kind}});
}

void JournalExport::resume(std::int64_t usec, std::int64_t suspendedUsec) {
  entry(usec,
        {{"MESSAGE_ID", "8811e6df2a8e40f58a94cea26f8ebf14"},
         {"MESSAGE", "System returned from sleep state."}},
        suspendedUsec);
}

void JournalExport::shutdownStarted(std::int64_t usec, std::int64_t suspendedUsec) {
  entry(
      usec,
      {{"MESSAGE_ID", "98268866d1d54a499c4e98921d93bc40"}, {"MESSAGE", "System is powering down."}},
      suspendedUsec);
}

void JournalExport::journalStopped(std::int64_t usec, std::int64_t suspendedUsec) {
  entry(usec, {{"MESSAGE_ID", "d93fb3c9c24d451a97cea615ce59c00b"}, {"MESSAGE", "Journal stopped"}},
        suspendedUsec);
}

bool JournalExport::write(const std::filesystem::path& file) const {
  if (access(kJournalRemote, X_OK) != 0)
    return false;
  const std::string command =
      std::string(kJournalRemote) + " -o '" + file.string() + "' - >/dev/null 2>&1";
  FILE* pipe = popen(command.c_str(), "w");
  if (pipe == nullptr)
    return false;
  const bool written = std::fwrite(text_.data(), 1, text_.size(), pipe) == text_.size();
  return pclose(pipe) == 0 && written;
}

std::int64_t utcSeconds(int year, int month, int day, int hour, int minute, int second) {
  std::tm tm{};
  tm.tm_year = year - 1900;
  tm.tm_mon = month - 1;
  tm.tm_mday = day;
  tm.tm_hour = hour;
  tm.tm_min = minute;
  tm.tm_sec = second;
#if defined(_WIN32)
  return static_cast<std::int64_t>(_mkgmtime(&tm));
#else
  return static_cast<std::int64_t>(timegm(&tm));
#endif
}

}  // namespace tallyvane::testing
