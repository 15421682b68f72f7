#pragma once
// Doubles for building the journal in tests: a clock with a fixed date and tick
// count, a time zone with a fixed offset, a view that records what it was told,
// and record builders for the events the journal picks.
#include <cmath>
#include <cstdint>
#include <string>
#include <vector>

#include "journal/JournalListModel.h"
#include "platform/EventLogRecord.h"
#include "platform/TimeZone.h"
#include "present/Orvex_Datetime.h"

namespace tallyvane::testing {

class FixedClock : public platform::SystemClock {
 public:
  std::uint64_t ticks = 3'600'000;
  // Thursday, 6 February 2014, 12:00 local time.
  platform::SystemTime now{2014, 2, 4, 6, 12, 0, 0, 0};
  int tickReads = 0;
  std::uint64_t tickCount64() override {
    ++tickReads;
    return ticks;
  }
  platform::SystemTime localNow() override { return now; }
};

// Local time is UTC plus a fixed number of minutes.
class FixedOffsetZone : public platform::TimeZone {
 public:
  explicit FixedOffsetZone(int minutes = 0) : minutes_(minutes) {}
  bool available() override { return true; }
  bool utcToLocal(const platform::SystemTime& utc, platform::SystemTime& local) override {
    const auto value = SystemTimeToDateTime(utc);
    if (!value)
      return false;
    local = DateTimeToSystemTime(*value + minutes_ / 1440.0);
    return true;
  }

 private:
  int minutes_;
};

// Records every call in order ("uptime:<text>", "repaint", "busy", ...).
class RecordingJournalView : public TextOnlyJournalView {
 public:
  void setUptimeText(const std::string& text) override {
    calls.push_back("uptime:" + text);
    TextOnlyJournalView::setUptimeText(text);
  }
  void setSpentTimeText(const std::string& text) override {
    calls.push_back("spent:" + text);
    TextOnlyJournalView::setSpentTimeText(text);
  }
  void repaintNow() override { calls.push_back("repaint"); }
  void beginBusy() override { calls.push_back("busy"); }
  void endBusy() override { calls.push_back("idle"); }
  void beginBulkUpdate() override { calls.push_back("beginUpdate"); }
  void endBulkUpdate() override { calls.push_back("endUpdate"); }
  void selectRow(std::size_t index) override {
    calls.push_back("select:" + std::to_string(index));
    TextOnlyJournalView::selectRow(index);
  }
  std::vector<std::string> calls;
};

// Seconds since 1970 of a date and time (UTC).
inline std::uint32_t unixTime(int y, int mo, int d, int h, int mi, int s) {
  const double days = *EncodeDate(y, mo, d) + *EncodeTime(h, mi, s, 0) - 25569.0;
  return static_cast<std::uint32_t>(std::llround(days * 86400.0));
}

struct When {
  int y, mo, d, h, mi, s;
};

inline platform::EventLogRecordFields journalRecord(When w, std::uint32_t id, std::string source,
                                                    std::vector<std::string> strings = {}) {
  platform::EventLogRecordFields f;
  f.timeGenerated = f.timeWritten = unixTime(w.y, w.mo, w.d, w.h, w.mi, w.s);
  f.eventId = id;
  f.sourceName = std::move(source);
  f.computerName = "PC";
  f.strings = std::move(strings);
  return f;
}
inline platform::EventLogRecordFields startRecord(When w) {
  return journalRecord(w, 0x80001779,
                       "EventLog");  // 6009 with its upper bits, as Windows stores it
}
inline platform::EventLogRecordFields shutdownRecord(When w) {
  return journalRecord(w, 0x80001776, "EventLog");  // 6006
}
inline platform::EventLogRecordFields sleepRecord(When w) {
  return journalRecord(w, 42, "Microsoft-Windows-Kernel-Power");
}
inline platform::EventLogRecordFields resumeRecord(When w) {
  return journalRecord(w, 1, "Microsoft-Windows-Kernel-General");
}
inline platform::EventLogRecordFields unexpectedRecord(When w, std::string time, std::string date) {
  return journalRecord(w, 0x80001778, "EventLog", {std::move(time), std::move(date)});  // 6008
}

}  // namespace tallyvane::testing
