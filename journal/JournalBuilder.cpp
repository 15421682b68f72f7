#include "journal/JournalBuilder.h"

#include <cmath>
#include <cstdint>
#include <string>
#include <vector>

#include "platform/SystemLogEvents.h"
#include "platform/Unicode.h"
#include "present/DateFormat.h"
#include "present/TextFormat.h"

namespace tallyvane {

namespace {

using platform::kEventIdResumed;
using platform::kEventIdSleep;
using platform::kEventIdStarted;
using platform::kEventIdStopped;
using platform::kEventIdUnexpectedShutdown;
using platform::kSourceEventLog;
using platform::kSourceKernelGeneral;
using platform::kSourceKernelPower;

constexpr const char* kTextStarted = "The operating system started";
constexpr const char* kTextResumed = "The system has resumed from sleep";
constexpr const char* kTextShutDown = "The operating system was shut down";
constexpr const char* kTextSleep = "The system entered sleep";
constexpr const char* kTextUnexpected = "Unexpected shutdown";

constexpr const char* kDayRowFormat = "DDDD, c";
constexpr const char* kMonthRowFormat = "MMMM yyyy";

enum class Pick { kNone, kStart, kResume, kShutdown, kSleep, kUnexpectedShutdown };

Pick pickOf(const TLogRecord& rec, bool prevWasSleep) {
  const auto from = [&](std::string_view source) {
    return equalsIgnoreAsciiCase(rec.Source, source);
  };
  switch (rec.EventID) {
    case kEventIdStarted:
      return from(kSourceEventLog) ? Pick::kStart : Pick::kNone;
    case kEventIdResumed:
      return prevWasSleep && from(kSourceKernelGeneral) ? Pick::kResume : Pick::kNone;
    case kEventIdStopped:
      return from(kSourceEventLog) ? Pick::kShutdown : Pick::kNone;
    case kEventIdSleep:
      return from(kSourceKernelPower) ? Pick::kSleep : Pick::kNone;
    case kEventIdUnexpectedShutdown:
      return from(kSourceEventLog) ? Pick::kUnexpectedShutdown : Pick::kNone;
    default:
      return Pick::kNone;
  }
}

// Whole minutes between two date-times, from whole milliseconds, so that a
// difference of exactly four hours counts 240 minutes and not 239.
std::int64_t wholeMinutesBetween(TDateTime a, TDateTime b) {
  const std::int64_t ms = std::llround(std::fabs(a - b) * 86'400'000.0);
  return ms / 60'000;
}

// x lies on the calendar day of `basis`.
bool sameDay(TDateTime x, TDateTime basis) {
  const double day = std::trunc(basis);
  return x >= day && x < day + 1;
}

// Asks for the memory at `p` ahead of its use.
inline void prefetch(const void* p) {
#if defined(__GNUC__)
  __builtin_prefetch(p);
#else
  (void)p;
#endif
}

// Year and month as one number, so that months of different years differ.
int monthKey(TDateTime value) {
  const CalendarDate d = DecodeDate(value);
  return d.year * 12 + d.month;
}

std::string hoursMinutes(std::int64_t minutes, const FormatSettings& settings) {
  return Format("%dh %2.2dm", {minutes / 60, minutes % 60}, settings);
}

std::string withoutAll(std::string text, std::string_view unwanted) {
  for (std::size_t at = text.find(unwanted); at != std::string::npos;
       at = text.find(unwanted, at)) {
    text.erase(at, unwanted.size());
  }
  return text;
}

// The time of an unexpected shutdown from the record's text: the insertion
// strings are the time and the date, separated by carriage returns, possibly
// with "?" or left-to-right marks around the numbers.
std::optional<TDateTime> unexpectedShutdownTime(const std::string& description,
                                                const FormatSettings& settings) {
  std::vector<std::string_view> pieces;
  std::string_view rest = description;
  while (true) {
    const std::size_t cr = rest.find('\r');
    pieces.push_back(rest.substr(0, cr));
    if (cr == std::string_view::npos)
      break;
    rest.remove_prefix(cr + 1);
  }
  const auto piece = [&](std::size_t k) {
    return k < pieces.size() ? std::string(pieces[k]) : std::string();
  };
  const std::string d = withoutAll(piece(1), "?");
  const std::string t = withoutAll(piece(0), "?");
  const std::string s = withoutAll(d + " " + t, "\xE2\x80\x8E");  // U+200E
  // A text without a date would put the shutdown on 30 December 1899.
  return TryStrToDateTime(s, settings, DatePart::kRequired);
}

// Rounds milliseconds to whole minutes, a half to the even neighbour.
std::int64_t roundedMinutes(std::uint64_t ticks) {
  std::uint64_t minutes = ticks / 60'000;
  const std::uint64_t rest = ticks % 60'000;
  if (rest > 30'000 || (rest == 30'000 && minutes % 2 == 1))
    ++minutes;
  return static_cast<std::int64_t>(minutes);
}

// Ends the bulk update and the busy cursor on every way out of the build.
class ScreenGuard {
 public:
  explicit ScreenGuard(JournalView& view) : view_(view) {}
  ~ScreenGuard() { release(); }
  ScreenGuard(const ScreenGuard&) = delete;
  ScreenGuard& operator=(const ScreenGuard&) = delete;
  void release() {
    if (done_)
      return;
    done_ = true;
    view_.endBulkUpdate();
    view_.endBusy();
  }

 private:
  JournalView& view_;
  bool done_ = false;
};

// A moment of the journal: its local time, which places it on a calendar day
// and in a month and is what the rows show, and its absolute (UTC) time, by
// which durations are measured so that a change of the clock for daylight
// saving neither adds nor loses an hour.
struct Moment {
  TDateTime local = 0.0;
  TDateTime absolute = 0.0;
};

Moment momentOf(const TLogRecord& rec) {
  return {rec.DateTime, AbsoluteTime(rec)};
}

// The absolute time of a local time read from a record's text. The record's
// own offset from UTC is the first guess; the zone's rules at that guess
// correct it when the text lies on the other side of a clock change.
TDateTime absoluteOfLocal(TDateTime local, const Moment& near, platform::TimeZone* zone) {
  TDateTime absolute = local - (near.local - near.absolute);
  if (zone == nullptr)
    return absolute;
  for (int pass = 0; pass < 2; ++pass) {
    const TDateTime offset = UTCToLocalDateTime(absolute, *zone) - absolute;
    absolute = local - offset;
  }
  return absolute;
}

// The working state of one build; everything starts at zero.
struct JournalState {
  Moment DayStart;       // the start record that opened the current day
  Moment SessionStart;   // the latest start record
  Moment StopTime;       // the stop record in hand
  Moment LastEventTime;  // the previous picked record (for a crash: the crash)
  TDateTime MonthRef = 0.0;
  std::int64_t SessionSum = 0;
  std::int64_t MonthMinutes = 0;
  std::int64_t TotalMinutes = 0;
  bool PrevWasSleep = false;
  std::vector<DayUsage::Session> DaySessions;  // the current day's sessions

  bool dayOpened() const { return DayStart.local > 0; }
};

// Where the rows go and how they are written.
struct JournalOutput {
  JournalListModel& List;
  JournalListModel& MonthList;
  const FormatSettings& Settings;
  platform::TimeZone* Zone;
  std::vector<DayUsage>* Usage;
};

// Adds the span of the day being closed to its month; when `opening` lies in
// another month, that month is closed (its row written if it has time) and
// `opening`'s month begins.
void closeMonth(JournalState& st, std::int64_t daySpan, TDateTime opening,
                const JournalOutput& out) {
  st.MonthMinutes += daySpan;
  if (monthKey(opening) == monthKey(st.MonthRef))
    return;
  if (st.MonthMinutes != 0) {
    out.MonthList.append(
        {FormatDateTime(kMonthRowFormat, st.MonthRef, out.Settings),
         hoursMinutes(st.MonthMinutes, out.Settings),
         Format("%1.2f", {static_cast<double>(st.MonthMinutes) / 60 / 8}, out.Settings),
         kRowOrdinary});
  }
  st.MonthRef = opening;
  st.MonthMinutes = 0;
}

// Closes the current day before the start row at `r` that opens the next one:
// its span goes to the month and the total, its last row gets the spent-time
// text and a separator goes in before row `r`.
void closeDay(JournalState& st, const Moment& opening, std::size_t r, const JournalOutput& out) {
  const std::int64_t DaySpan =
      st.dayOpened() ? wholeMinutesBetween(st.DayStart.absolute, st.LastEventTime.absolute) : 0;
  if (DaySpan != 0 && out.Usage != nullptr) {
    const CalendarDate d = DecodeDate(st.DayStart.local);
    out.Usage->push_back(
        {d.year, d.month, d.day, DaySpan, st.SessionSum, std::move(st.DaySessions)});
  }
  st.DaySessions.clear();
  st.DayStart = opening;
  closeMonth(st, DaySpan, opening.local, out);
  if (DaySpan != 0) {
    st.TotalMinutes += DaySpan;
    std::string DayText = hoursMinutes(DaySpan, out.Settings);
    if (st.SessionSum != DaySpan) {
      DayText = Format("%s (%dh %2.2dm)", {DayText, st.SessionSum / 60, st.SessionSum % 60},
                       out.Settings);
    }
    JournalRow closing = out.List.row(r - 1);
    closing.SubItem2 = std::move(DayText);
    out.List.setRow(r - 1, std::move(closing));
    out.List.insertBefore(r, JournalRow{{}, {}, {}, kRowSeparator});
  }
  st.SessionSum = 0;
}

// A stop: the row's text and marker; the session in hand ends.
void takeStop(JournalState& st, const TLogRecord& rec, Pick pick, JournalRow& R,
              const JournalOutput& out) {
  st.StopTime = momentOf(rec);
  if (pick == Pick::kUnexpectedShutdown) {
    // The record was written by the next boot; the session ended when the
    // text says, and so did the day.
    if (const auto shutdown = unexpectedShutdownTime(rec.Description, out.Settings)) {
      st.StopTime = {*shutdown, absoluteOfLocal(*shutdown, st.StopTime, out.Zone)};
      R.Caption = FormatDateTime(kDayRowFormat, st.StopTime.local, out.Settings);
    }
    R.SubItem1 = kTextUnexpected;
    R.RowMarker = kRowUnexpectedShutdown;
  } else {
    R.SubItem1 = pick == Pick::kSleep ? kTextSleep : kTextShutDown;
  }
  if (st.dayOpened()) {
    st.SessionSum += wholeMinutesBetween(st.SessionStart.absolute, st.StopTime.absolute);
    st.DaySessions.push_back({st.SessionStart.local, st.StopTime.local});
  }
  st.LastEventTime = st.StopTime;
}

}  // namespace

std::int64_t BuildJournalRows(const TEventLog& Records, TDateTime Today, JournalListModel& List,
                              JournalListModel& MonthList, const FormatSettings& Settings,
                              std::vector<DayUsage>* Usage) {
  if (Usage != nullptr)
    Usage->clear();
  const JournalOutput out{List, MonthList, Settings, Records.services().timeZone, Usage};
  JournalState st;
  const std::uint32_t count = Records.RecordCount();
  // The records lie wherever they were allocated, and most are looked at only
  // for their identifier: the walk asks for records a few ahead.
  constexpr std::uint32_t kAhead = 8;
  for (std::uint32_t i = 0; i < count; ++i) {
    if (i + kAhead < count)
      prefetch(&Records.Records(i + kAhead)->EventID);
    const TLogRecord& rec = *Records.Records(i);
    const Pick pick = pickOf(rec, st.PrevWasSleep);
    if (pick == Pick::kNone)
      continue;
    if (rec.DateTime > Today && !sameDay(rec.DateTime, Today))
      continue;
    st.PrevWasSleep = pick == Pick::kSleep;

    // Each row goes into the list once, whole; closing a day then writes the
    // row before it and puts a separator in between.
    JournalRow R;
    R.Caption = FormatDateTime(kDayRowFormat, rec.DateTime, Settings);
    if (pick == Pick::kStart || pick == Pick::kResume) {
      const Moment at = momentOf(rec);
      R.SubItem1 = pick == Pick::kResume ? kTextResumed : kTextStarted;
      const bool opensDay = !sameDay(at.local, st.DayStart.local);
      if (opensDay)
        R.RowMarker = kRowDayStart;
      const std::size_t r = List.append(std::move(R));
      if (opensDay)
        closeDay(st, at, r, out);
      st.SessionStart = at;
      st.LastEventTime = at;
    } else {
      takeStop(st, rec, pick, R, out);
      List.append(std::move(R));
    }
  }
  return st.TotalMinutes;
}

void RefreshJournal(TOrvex_EventLog& EventLog, JournalListModel& List, JournalListModel& MonthList,
                    JournalView& View, platform::SystemClock& Clock, const FormatSettings& Settings,
                    std::vector<DayUsage>* Usage) {
  View.setUptimeText(std::string(kJournalProgressText));
  View.repaintNow();
  View.beginBusy();
  View.beginBulkUpdate();
  ScreenGuard guard(View);

  EventLog.SetConvertTimeToLocal(true);
  EventLog.SetExpandMessages(false);
  EventLog.SetSourceFilter(kJournalSourceFilter);
  EventLog.SetSourceName("System");
  EventLog.RefreshData(AllScanObjects);
  EventLog.Sort();

  List.clear();
  MonthList.clear();
  std::int64_t TotalMinutes =
      BuildJournalRows(EventLog.Reader(), Now(Clock), List, MonthList, Settings, Usage);

  if (List.count() > 0)
    View.selectRow(List.count() - 1);
  guard.release();

  TotalMinutes += roundedMinutes(Clock.tickCount64());
  View.setSpentTimeText(
      Format("Total spent time: %dh %2.2dm", {TotalMinutes / 60, TotalMinutes % 60}, Settings));
  const std::uint64_t uptime = Clock.tickCount64();
  View.setUptimeText(Format(
      "Current uptime: %s",
      {FormatSeconds(static_cast<double>(uptime) / 1000.0, true, true, true, Settings)}, Settings));
}

}  // namespace tallyvane
