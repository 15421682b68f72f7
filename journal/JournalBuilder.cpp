#include "journal/JournalBuilder.h"

#include <cmath>
#include <cstdint>
#include <string>
#include <vector>

#include "platform/Unicode.h"
#include "present/DateFormat.h"
#include "present/TextFormat.h"

namespace tallyvane {

namespace {

constexpr std::string_view kSourceEventLog = "EventLog";
constexpr std::string_view kSourceKernelGeneral = "Microsoft-Windows-Kernel-General";
constexpr std::string_view kSourceKernelPower = "Microsoft-Windows-Kernel-Power";

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
    case 6009:
      return from(kSourceEventLog) ? Pick::kStart : Pick::kNone;
    case 1:
      return prevWasSleep && from(kSourceKernelGeneral) ? Pick::kResume : Pick::kNone;
    case 6006:
      return from(kSourceEventLog) ? Pick::kShutdown : Pick::kNone;
    case 42:
      return from(kSourceKernelPower) ? Pick::kSleep : Pick::kNone;
    case 6008:
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

}  // namespace

void RefreshJournal(TOrvex_EventLog& EventLog, JournalListModel& List, JournalListModel& MonthList,
                    JournalView& View, platform::SystemClock& Clock,
                    const FormatSettings& Settings) {
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

  TDateTime DayStart = 0.0;
  TDateTime SessionStart = 0.0;
  TDateTime StopTime = 0.0;
  TDateTime LastEventTime = 0.0;
  TDateTime MonthRef = 0.0;
  std::int64_t DaySpan = 0;
  std::int64_t SessionSum = 0;
  std::int64_t MonthMinutes = 0;
  std::int64_t TotalMinutes = 0;
  bool PrevWasSleep = false;
  std::string DayText;

  const TDateTime today = Now(Clock);
  const std::uint32_t count = EventLog.RecordCount();
  for (std::uint32_t i = 0; i < count; ++i) {
    const TLogRecord rec = EventLog.Records(i);
    if (!sameDay(rec.DateTime, today) && rec.DateTime > today)
      continue;
    const Pick pick = pickOf(rec, PrevWasSleep);
    if (pick == Pick::kNone)
      continue;

    JournalRow R;
    R.Caption = FormatDateTime(kDayRowFormat, rec.DateTime, Settings);
    std::size_t r = List.append(R);
    PrevWasSleep = pick == Pick::kSleep;

    if (pick == Pick::kStart || pick == Pick::kResume) {
      R.SubItem1 = pick == Pick::kResume ? kTextResumed : kTextStarted;
      if (!sameDay(rec.DateTime, DayStart)) {
        R.RowMarker = kRowDayStart;
        DaySpan = DayStart > 0 ? wholeMinutesBetween(DayStart, LastEventTime) : 0;
        DayStart = rec.DateTime;
        if (monthKey(rec.DateTime) != monthKey(MonthRef)) {
          MonthMinutes += DaySpan;
          if (MonthMinutes != 0) {
            MonthList.append(
                {FormatDateTime(kMonthRowFormat, MonthRef, Settings),
                 hoursMinutes(MonthMinutes, Settings),
                 Format("%1.2f", {static_cast<double>(MonthMinutes) / 60 / 8}, Settings),
                 kRowOrdinary});
          }
          MonthRef = rec.DateTime;
          MonthMinutes = 0;
        } else {
          MonthMinutes += DaySpan;
        }
        if (DaySpan != 0) {
          TotalMinutes += DaySpan;
          DayText = hoursMinutes(DaySpan, Settings);
          if (SessionSum != DaySpan) {
            DayText =
                Format("%s (%dh %2.2dm)", {DayText, SessionSum / 60, SessionSum % 60}, Settings);
          }
          JournalRow closing = List.row(r - 1);
          closing.SubItem2 = DayText;
          List.setRow(r - 1, closing);
          List.insertBefore(r, JournalRow{{}, {}, {}, kRowSeparator});
          ++r;
        }
        SessionSum = 0;
        DaySpan = 0;
      }
      SessionStart = rec.DateTime;
    } else {
      StopTime = rec.DateTime;
      if (pick == Pick::kUnexpectedShutdown) {
        if (const auto shutdown = unexpectedShutdownTime(rec.Description, Settings)) {
          StopTime = *shutdown;
        }
        R.Caption = FormatDateTime(kDayRowFormat, StopTime, Settings);
        R.SubItem1 = kTextUnexpected;
        R.RowMarker = kRowUnexpectedShutdown;
      } else {
        R.SubItem1 = pick == Pick::kSleep ? kTextSleep : kTextShutDown;
      }
      if (DayStart > 0)
        SessionSum += wholeMinutesBetween(SessionStart, StopTime);
    }
    LastEventTime = rec.DateTime;
    List.setRow(r, R);
  }

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
