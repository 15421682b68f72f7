#pragma once
// Builds systemd journal files for tests: entries are written as journal export
// text and turned into a journal file by systemd-journal-remote.
#include <cstdint>
#include <filesystem>
#include <string>
#include <utility>
#include <vector>

namespace tallyvane::testing {

inline constexpr const char* kJournalRemote = "/lib/systemd/systemd-journal-remote";

class JournalExport {
 public:
  using Fields = std::vector<std::pair<std::string, std::string>>;

  // Starts a boot at `bootUsec` (microseconds since 1970 UTC): its first entry
  // is the kernel's banner naming `kernelRelease`, half a second after the boot,
  // or, with `bannerFirst` false, an ordinary message before the banner.
  void boot(const std::string& bootId, std::int64_t bootUsec, const std::string& host,
            const std::string& kernelRelease, bool bannerFirst = true);
  // An entry of the boot begun last, at `realtimeUsec`. `suspendedUsec` is the
  // time the boot has spent asleep so far (the monotonic clock stops then).
  void entry(std::int64_t realtimeUsec, const Fields& fields, std::int64_t suspendedUsec = 0);
  // Common entries.
  void message(std::int64_t usec, const std::string& text, std::int64_t suspendedUsec = 0);
  void sleep(std::int64_t usec, const std::string& kind);
  void resume(std::int64_t usec, std::int64_t suspendedUsec);
  void shutdownStarted(std::int64_t usec, std::int64_t suspendedUsec = 0);
  void journalStopped(std::int64_t usec, std::int64_t suspendedUsec = 0);

  const std::string& text() const { return text_; }
  // Writes the entries as the journal file `file` (its name ends in .journal).
  // False when systemd-journal-remote is missing or fails.
  bool write(const std::filesystem::path& file) const;

 private:
  std::string text_;
  std::string bootId_;
  std::string host_;
  std::int64_t bootUsec_ = 0;
};

// Seconds since 1970 UTC of a UTC calendar time.
std::int64_t utcSeconds(int year, int month, int day, int hour, int minute, int second);
inline std::int64_t usec(std::int64_t seconds) {
  return seconds * 1'000'000;
}

}  // namespace tallyvane::testing
