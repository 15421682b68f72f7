#pragma once
// tallyvane-report: the usage journal of this machine or of a log file, built
// by the same journal builder as the window and printed as a text table, CSV
// or JSON.
#include <functional>
#include <optional>
#include <ostream>
#include <string>
#include <string_view>
#include <vector>

#include "cli/LogSources.h"
#include "cli/MessageReports.h"
#include "journal/JournalBuilder.h"
#include "journal/JournalListModel.h"
#include "platform/Expected.h"
#include "present/FormatSettings.h"

namespace tallyvane::report {

enum class OutputFormat { kTable, kCsv, kJson, kHtml };

// A named fact printed before the lists (for example by an option that adds
// facts about the system).
struct ReportFact {
  std::string name;
  std::string value;
};
using FactProvider = std::function<std::vector<ReportFact>(const ReportEnvironment&)>;

// What the command line asks for.
struct ReportRequest {
  OutputFormat format = OutputFormat::kTable;
  bool help = false;
  // Null: this machine's System log.
  LogOpener source;
  std::string sourceName;  // the option or file that chose `source`, for messages
  std::vector<FactProvider> facts;
  // --records or --message-table instead of the journal.
  MessageListing messages;
};

// One command-line option. `apply` takes the option into the request, or says
// in a sentence why its argument is bad.
struct ReportOption {
  std::string_view name;      // "--csv"
  std::string_view argument;  // "" for none, else its placeholder ("DIR")
  std::string_view help;
  std::function<Expected<void>(ReportRequest&, const std::string& argument)> apply;
};
const std::vector<ReportOption>& reportOptions();

// Sets the request's log source; an error when one was chosen already.
Expected<void> chooseSource(ReportRequest& request, std::string name, LogOpener opener);

// Parses the arguments (without the program name), or says why they are no
// valid command line.
Expected<ReportRequest> parseArguments(const std::vector<std::string>& args);

// The help text.
std::string usageText();

// What was built: the two lists and the two status texts.
struct JournalReport {
  std::vector<JournalRow> days;
  std::vector<JournalRow> months;
  std::string uptime;
  std::string totalSpentTime;
  std::vector<ReportFact> facts;
  // The closed days in numbers and the day the heat map ends on (a zero year:
  // no heat map).
  std::vector<DayUsage> usage;
  CalendarDate calendarEnd;
};

// A CSV field, quoted when it holds a comma, a quote or a line break.
std::string csvField(const std::string& text);
// A JSON string literal with its escapes.
std::string jsonString(const std::string& text);

void writeTable(const JournalReport& report, std::ostream& out);
void writeCsv(const JournalReport& report, std::ostream& out);
void writeJson(const JournalReport& report, std::ostream& out);
// One self-contained HTML page: the totals, the last twelve months as an SVG
// calendar heat map beside the hours per month as an SVG bar chart, both lists, and a style sheet
// that prints well. `source` names the machine or log in the heading.
void writeHtml(const JournalReport& report, const std::string& source, std::ostream& out);
// The minutes of a spent-time text as the journal writes it ("7h 44m", the
// part before any bracket); nothing when it is not one.
std::optional<long long> spentMinutes(std::string_view text);

// Runs the tool and returns its exit code. `progress` turns on the progress
// line on `err` for long reads.
int runReport(const std::vector<std::string>& args, std::ostream& out, std::ostream& err,
              const ReportEnvironment& env, const FormatSettings& settings, bool progress);

}  // namespace tallyvane::report
