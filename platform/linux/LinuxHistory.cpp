#include "platform/linux/LinuxHistory.h"

#include <sys/utsname.h>
#include <systemd/sd-id128.h>
#include <systemd/sd-journal.h>
#include <unistd.h>
#include <utmpx.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <ctime>
#include <fstream>
#include <map>
#include <set>
#include <string_view>

#include "platform/DatePicture.h"
#include "platform/EventLogRecord.h"

namespace tallyvane::platform {

namespace {

// MESSAGE_IDs of the journal entries that mark the machine's state.
constexpr std::string_view kSleepStart = "6bbd95ee977941e497c48be27c254128";
constexpr std::string_view kSleepStop = "8811e6df2a8e40f58a94cea26f8ebf14";
constexpr std::string_view kShutdownStarted = "98268866d1d54a499c4e98921d93bc40";
constexpr std::string_view kJournalStopped = "d93fb3c9c24d451a97cea615ce59c00b";

constexpr std::int64_t kMicrosecondsPerSecond = 1'000'000;

std::int64_t floorSeconds(std::int64_t usec) {
  std::int64_t seconds = usec / kMicrosecondsPerSecond;
  if (usec % kMicrosecondsPerSecond < 0)
    --seconds;
  return seconds;
}

std::uint32_t recordTime(std::int64_t seconds) {
  return static_cast<std::uint32_t>(std::clamp<std::int64_t>(seconds, 0, 0xFFFFFFFFll));
}

struct JournalCloser {
  void operator()(sd_journal* journal) const { sd_journal_close(journal); }
};
using Journal = std::unique_ptr<sd_journal, JournalCloser>;

// The value of `field` in the current entry, or nothing.
std::optional<std::string> fieldValue(sd_journal* journal, const char* field) {
  const void* data = nullptr;
  std::size_t length = 0;
  if (sd_journal_get_data(journal, field, &data, &length) < 0)
    return std::nullopt;
  const std::string_view text(static_cast<const char*>(data), length);
  const std::size_t equals = text.find('=');
  if (equals == std::string_view::npos)
    return std::nullopt;
  return std::string(text.substr(equals + 1));
}

std::optional<std::int64_t> realtime(sd_journal* journal) {
  std::uint64_t usec = 0;
  if (sd_journal_get_realtime_usec(journal, &usec) < 0)
    return std::nullopt;
  return static_cast<std::int64_t>(usec);
}

// "Linux version 6.1.0-18-amd64 (debian-kernel@...) ..." gives "6.1.0-18-amd64".
std::string kernelReleaseOf(std::string_view message) {
  constexpr std::string_view kPrefix = "Linux version ";
  if (!message.starts_with(kPrefix))
    return {};
  message.remove_prefix(kPrefix.size());
  return std::string(message.substr(0, message.find(' ')));
}

bool isBootId(std::string_view text) {
  return text.size() == 32 && std::all_of(text.begin(), text.end(), [](char c) {
           return (c >= '0' && c <= '9') || (c >= 'a' && c <= 'f');
         });
}

// The boots of an open journal. Every look-up goes through the journal's indexes:
// the boot IDs from the unique values of _BOOT_ID, each boot's first and last
// entry by seeking to the head and the tail of its match, and the state changes
// by matching their MESSAGE_IDs, so the cost grows with the number of boots and
// state changes, not with the number of entries.
std::vector<BootHistory> readJournal(sd_journal* journal) {
  std::set<std::string> ids;
  if (sd_journal_query_unique(journal, "_BOOT_ID") >= 0) {
    const void* data = nullptr;
    std::size_t length = 0;
    SD_JOURNAL_FOREACH_UNIQUE(journal, data, length) {
      std::string_view text(static_cast<const char*>(data), length);
      constexpr std::string_view kField = "_BOOT_ID=";
      if (!text.starts_with(kField))
        continue;
      text.remove_prefix(kField.size());
      if (isBootId(text))
        ids.emplace(text);
    }
  }

  std::map<std::string, BootHistory> boots;
  std::map<std::string, bool> endedInOrder;
  for (const std::string& id : ids) {
    const std::string match = "_BOOT_ID=" + id;
    sd_journal_flush_matches(journal);
    if (sd_journal_add_match(journal, match.data(), match.size()) < 0)
      continue;
    if (sd_journal_seek_head(journal) < 0 || sd_journal_next(journal) <= 0)
      continue;
    BootHistory boot;
    boot.bootId = id;
    std::uint64_t monotonic = 0;
    sd_id128_t entryBoot{};
    const auto first = realtime(journal);
    if (!first || sd_journal_get_monotonic_usec(journal, &monotonic, &entryBoot) < 0)
      continue;
    boot.startUsec = *first - static_cast<std::int64_t>(monotonic);
    boot.hostName = fieldValue(journal, "_HOSTNAME").value_or("");
    boot.lastSignUsec = *first;
    // The kernel's banner naming its release is normally the boot's first entry.
    boot.kernelRelease = kernelReleaseOf(fieldValue(journal, "MESSAGE").value_or(""));

    if (sd_journal_seek_tail(journal) >= 0 && sd_journal_previous(journal) > 0) {
      boot.lastSignUsec = realtime(journal).value_or(boot.lastSignUsec);
      // The journal's own stop message is the last entry of a boot that ended in order.
      endedInOrder[id] = fieldValue(journal, "MESSAGE_ID") == kJournalStopped;
    }

    // Otherwise the kernel's first message of the boot.
    if (boot.kernelRelease.empty() && sd_journal_add_match(journal, "_TRANSPORT=kernel", 0) >= 0 &&
        sd_journal_seek_head(journal) >= 0 && sd_journal_next(journal) > 0) {
      boot.kernelRelease = kernelReleaseOf(fieldValue(journal, "MESSAGE").value_or(""));
    }
    boots.emplace(id, std::move(boot));
  }

  sd_journal_flush_matches(journal);
  for (const std::string_view id : {kSleepStart, kSleepStop, kShutdownStarted}) {
    const std::string match = "MESSAGE_ID=" + std::string(id);
    sd_journal_add_match(journal, match.data(), match.size());
  }
  if (sd_journal_seek_head(journal) >= 0) {
    while (sd_journal_next(journal) > 0) {
      std::uint64_t monotonic = 0;
      sd_id128_t bootId{};
      if (sd_journal_get_monotonic_usec(journal, &monotonic, &bootId) < 0)
        continue;
      char idText[SD_ID128_STRING_MAX];
      sd_id128_to_string(bootId, idText);
      const auto boot = boots.find(idText);
      const auto when = realtime(journal);
      const auto messageId = fieldValue(journal, "MESSAGE_ID");
      if (boot == boots.end() || !when || !messageId)
        continue;
      if (*messageId == kShutdownStarted) {
        endedInOrder[boot->first] = true;
      } else {
        PowerTransition transition;
        transition.usec = *when;
        if (*messageId == kSleepStart) {
          transition.kind = PowerTransition::Kind::Sleep;
          transition.sleepKind = fieldValue(journal, "SLEEP").value_or("");
        } else {
          transition.kind = PowerTransition::Kind::Resume;
        }
        boot->second.transitions.push_back(std::move(transition));
      }
    }
  }
  sd_journal_flush_matches(journal);

  std::vector<BootHistory> result;
  result.reserve(boots.size());
  for (auto& [id, boot] : boots) {
    if (endedInOrder[id])
      boot.shutdownUsec = boot.lastSignUsec;
    std::stable_sort(
        boot.transitions.begin(), boot.transitions.end(),
        [](const PowerTransition& a, const PowerTransition& b) { return a.usec < b.usec; });
    result.push_back(std::move(boot));
  }
  std::stable_sort(result.begin(), result.end(), [](const BootHistory& a, const BootHistory& b) {
    return a.startUsec < b.startUsec;
  });
  return result;
}

std::string boundedText(const char* text, std::size_t size) {
  return std::string(text, strnlen(text, size));
}

// Formats a broken-down time by a Windows-style picture, always with the full
// year: a two-digit year would make the date of an unexpected shutdown
// ambiguous for whoever reads it back.
std::string formatPicture(std::string_view picture, const std::tm& tm,
                          const LocaleFormats& formats) {
  const PictureTexts texts{formats.longDayNames,
                           formats.shortDayNames,
                           formats.longMonthNames,
                           formats.shortMonthNames,
                           formats.am,
                           formats.pm};
  const PictureFields fields{tm.tm_year + 1900, tm.tm_mon + 1, tm.tm_mday, tm.tm_wday,
                             tm.tm_hour,        tm.tm_min,     tm.tm_sec};
  std::string out;
  appendDatePicture(out, picture, fields, texts, PictureYear::kAlwaysFourDigits);
  return out;
}

}  // namespace

std::optional<std::vector<BootHistory>> readJournalDirectory(const std::string& directory) {
  if (access(directory.c_str(), R_OK | X_OK) != 0)
    return std::nullopt;
  sd_journal* raw = nullptr;
  if (sd_journal_open_directory(&raw, directory.c_str(), 0) < 0)
    return std::nullopt;
  const Journal journal(raw);
  return readJournal(journal.get());
}

std::optional<std::vector<BootHistory>> readSystemJournal() {
  sd_journal* raw = nullptr;
  if (sd_journal_open(&raw, SD_JOURNAL_LOCAL_ONLY | SD_JOURNAL_SYSTEM) < 0)
    return std::nullopt;
  const Journal journal(raw);
  auto boots = readJournal(journal.get());
  if (boots.empty())
    return std::nullopt;
  return boots;
}

std::optional<std::vector<BootHistory>> readWtmpFile(const std::string& path) {
  if (access(path.c_str(), R_OK) != 0)
    return std::nullopt;
  if (utmpxname(path.c_str()) != 0)
    return std::nullopt;
  setutxent();
  std::vector<BootHistory> boots;
  while (const utmpx* entry = getutxent()) {
    const std::int64_t usec =
        static_cast<std::int64_t>(entry->ut_tv.tv_sec) * kMicrosecondsPerSecond +
        static_cast<std::int64_t>(entry->ut_tv.tv_usec);
    if (entry->ut_type == BOOT_TIME) {
      BootHistory boot;
      boot.startUsec = usec;
      boot.lastSignUsec = usec;
      // systemd and sysvinit put the kernel release in the host field of the boot record.
      boot.kernelRelease = boundedText(entry->ut_host, sizeof entry->ut_host);
      boots.push_back(std::move(boot));
      continue;
    }
    // Records before the first boot record belong to a boot this file does not hold.
    if (boots.empty())
      continue;
    BootHistory& boot = boots.back();
    boot.lastSignUsec = std::max(boot.lastSignUsec, usec);
    if (entry->ut_type == RUN_LVL &&
        boundedText(entry->ut_user, sizeof entry->ut_user) == "shutdown" && !boot.shutdownUsec) {
      boot.shutdownUsec = usec;
    }
  }
  endutxent();
  utmpxname(UTMPX_FILE);
  return boots;
}

BootHistory currentKernelBoot() {
  BootHistory boot;
  timespec now{};
  timespec sinceBoot{};
  clock_gettime(CLOCK_REALTIME, &now);
  const std::int64_t nowUsec =
      static_cast<std::int64_t>(now.tv_sec) * kMicrosecondsPerSecond + now.tv_nsec / 1000;
  if (clock_gettime(CLOCK_BOOTTIME, &sinceBoot) == 0) {
    boot.startUsec =
        nowUsec - (static_cast<std::int64_t>(sinceBoot.tv_sec) * kMicrosecondsPerSecond +
                   sinceBoot.tv_nsec / 1000);
  } else {
    std::ifstream stat("/proc/stat");
    std::string key;
    std::int64_t value = 0;
    while (stat >> key) {
      if (key == "btime" && stat >> value) {
        boot.startUsec = value * kMicrosecondsPerSecond;
        break;
      }
      stat.ignore(1 << 20, '\n');
    }
  }
  boot.lastSignUsec = nowUsec;
  struct utsname names {};
  if (uname(&names) == 0) {
    boot.kernelRelease = names.release;
    boot.hostName = names.nodename;
  }
  sd_id128_t id{};
  if (sd_id128_get_boot(&id) >= 0) {
    char text[SD_ID128_STRING_MAX];
    boot.bootId = sd_id128_to_string(id, text);
  }
  boot.running = true;
  return boot;
}

void addCurrentBoot(std::vector<BootHistory>& boots, const BootHistory& current) {
  constexpr std::int64_t kSlackUsec = 2 * kMicrosecondsPerSecond;
  BootHistory* same = nullptr;
  for (BootHistory& boot : boots) {
    if (!current.bootId.empty() && boot.bootId == current.bootId)
      same = &boot;
  }
  // Without a boot ID (wtmp), a boot that started at or after the kernel's boot
  // time is this one: no other boot can start later.
  if (same == nullptr) {
    for (BootHistory& boot : boots) {
      if (boot.bootId.empty() && boot.startUsec >= current.startUsec - kSlackUsec)
        same = &boot;
    }
  }
  if (same == nullptr) {
    boots.push_back(current);
    return;
  }
  same->running = true;
  same->shutdownUsec.reset();
  if (same->kernelRelease.empty())
    same->kernelRelease = current.kernelRelease;
  if (same->hostName.empty())
    same->hostName = current.hostName;
}

std::pair<std::string, std::string> unexpectedShutdownTexts(std::int64_t unixSeconds,
                                                            const LocaleFormats& formats) {
  const auto seconds = static_cast<std::time_t>(unixSeconds);
  std::tm local{};
  if (localtime_r(&seconds, &local) == nullptr)
    return {};
  return {formatPicture(formats.longTime, local, formats),
          formatPicture(formats.shortDate, local, formats)};
}

std::shared_ptr<RecordList> buildSystemLog(std::vector<BootHistory> boots,
                                           const std::string& defaultHost,
                                           const ShutdownTextFormatter& formatTexts) {
  std::stable_sort(boots.begin(), boots.end(), [](const BootHistory& a, const BootHistory& b) {
    return a.startUsec < b.startUsec;
  });
  std::vector<EventLogRecordFields> events;
  const auto add = [&events](std::int64_t seconds, std::uint32_t eventId, std::uint16_t type,
                             const char* source, const std::string& computer,
                             std::vector<std::string> strings) {
    EventLogRecordFields fields;
    fields.timeGenerated = recordTime(seconds);
    fields.timeWritten = fields.timeGenerated;
    fields.eventId = eventId;
    fields.eventType = type;
    fields.sourceName = source;
    fields.computerName = computer;
    fields.strings = std::move(strings);
    events.push_back(std::move(fields));
  };

  for (std::size_t i = 0; i < boots.size(); ++i) {
    const BootHistory& boot = boots[i];
    const std::string& computer = boot.hostName.empty() ? defaultHost : boot.hostName;
    std::vector<std::string> release;
    if (!boot.kernelRelease.empty())
      release.push_back(boot.kernelRelease);
    add(floorSeconds(boot.startUsec), kEventOsVersionAtBoot, kEventLogInformationType,
        kSourceEventLog, computer, std::move(release));
    for (const PowerTransition& transition : boot.transitions) {
      if (transition.kind == PowerTransition::Kind::Sleep) {
        std::vector<std::string> kind;
        if (!transition.sleepKind.empty())
          kind.push_back(transition.sleepKind);
        add(floorSeconds(transition.usec), kEventEnteringSleep, kEventLogInformationType,
            kSourceKernelPower, computer, std::move(kind));
      } else {
        add(floorSeconds(transition.usec), kEventResumed, kEventLogInformationType,
            kSourceKernelGeneral, computer, {});
      }
    }
    if (boot.running)
      continue;
    if (boot.shutdownUsec) {
      add(floorSeconds(*boot.shutdownUsec), kEventLogStopped, kEventLogInformationType,
          kSourceEventLog, computer, {});
    } else if (i + 1 < boots.size()) {
      // Written at the next boot's start, in the second before its start record:
      // readers that order records by time alone then always see the crashed boot
      // closed before the next one opens.
      const BootHistory& next = boots[i + 1];
      const std::int64_t written = floorSeconds(next.startUsec);
      auto [time, date] = formatTexts(floorSeconds(boot.lastSignUsec));
      add(written - 1, kEventUnexpectedShutdown, kEventLogErrorType, kSourceEventLog,
          next.hostName.empty() ? defaultHost : next.hostName, {std::move(time), std::move(date)});
      events.back().timeWritten = recordTime(written);
    }
  }

  std::stable_sort(events.begin(), events.end(),
                   [](const EventLogRecordFields& a, const EventLogRecordFields& b) {
                     return a.timeGenerated < b.timeGenerated;
                   });
  auto list = std::make_shared<RecordList>(1);
  list->reserve(events.size(), events.size() * 160);
  std::uint32_t number = 1;
  for (EventLogRecordFields& fields : events) {
    fields.recordNumber = number++;
    list->append(buildEventLogRecord(fields));
  }
  return list;
}

}  // namespace tallyvane::platform
