#include "cli/Report.h"

#include <algorithm>
#include <cstdio>
#include <exception>

#include "cli/Progress.h"
#include "cli/SystemFacts.h"
#include "eventlog/Qzi_EventLog.h"
#include "journal/JournalBuilder.h"
#include "journal/UsageCalendar.h"
#include "present/Orvex_Datetime.h"

namespace tallyvane::report {

namespace {

Expected<void> setFormat(ReportRequest& request, OutputFormat format) {
  request.format = format;
  return {};
}

// A clock whose tick count is 0: the uptime of the machine running the tool
// has no place in the journal of a log from elsewhere.
class NoUptimeClock : public platform::SystemClock {
 public:
  explicit NoUptimeClock(platform::SystemClock& real) : real_(real) {}
  std::uint64_t tickCount64() override { return 0; }
  platform::SystemTime localNow() override { return real_.localNow(); }

 private:
  platform::SystemClock& real_;
};

}  // namespace

const std::vector<ReportOption>& reportOptions() {
  static const std::vector<ReportOption> options = [] {
    std::vector<ReportOption> all = {
        {"--csv", "", "print comma-separated values with the row markers",
         [](ReportRequest& r, const std::string&) { return setFormat(r, OutputFormat::kCsv); }},
        {"--json", "", "print JSON with the row markers",
         [](ReportRequest& r, const std::string&) { return setFormat(r, OutputFormat::kJson); }},
        {"--html", "",
         "print a self-contained HTML report with charts of the hours per day and month",
         [](ReportRequest& r, const std::string&) { return setFormat(r, OutputFormat::kHtml); }},
        {"--journal", "DIR", "read another Linux machine's history from its journal directory",
         [](ReportRequest& r, const std::string& dir) {
           return chooseSource(r, "--journal " + dir, [dir](const ReportEnvironment&) {
             return openJournalDirectory(dir);
           });
         }},
        {"--wtmp", "FILE", "read another Linux machine's history from its wtmp file",
         [](ReportRequest& r, const std::string& file) {
           return chooseSource(r, "--wtmp " + file,
                               [file](const ReportEnvironment&) { return openWtmpFile(file); });
         }},
        {"--windows", "DIR",
         "read the Windows installation whose drive root is DIR (its System log, shown in its "
         "time zone)",
         [](ReportRequest& r, const std::string& dir) {
           return chooseSource(r, "--windows " + dir, [dir](const ReportEnvironment&) {
             return openWindowsInstallation(dir);
           });
         }},
        {"--system", "",
         "print this system's facts (OS, user, machine, program version, session), or those of the "
         "Windows installation read",
         [](ReportRequest& r, const std::string&) {
           r.facts.push_back(systemFacts);
           return Expected<void>();
         }},
        {"--help", "", "show this help and exit",
         [](ReportRequest& r, const std::string&) {
           r.help = true;
           return Expected<void>();
         }},
    };
    for (ReportOption& o : messageOptions())
      all.insert(all.end() - 1, std::move(o));
    return all;
  }();
  return options;
}

Expected<void> chooseSource(ReportRequest& request, std::string name, LogOpener opener) {
  if (request.source)
    return Error{"only one log can be read at a time (" + request.sourceName + " and " + name +
                 ")"};
  request.sourceName = std::move(name);
  request.source = std::move(opener);
  return {};
}

Expected<ReportRequest> parseArguments(const std::vector<std::string>& args) {
  ReportRequest request;
  for (std::size_t i = 0; i < args.size(); ++i) {
    const std::string& arg = args[i];
    if (arg.size() > 1 && arg[0] == '-' && arg != "--") {
      std::string name = arg;
      std::optional<std::string> inlineValue;
      if (const std::size_t eq = arg.find('=');
          arg.rfind("--", 0) == 0 && eq != std::string::npos) {
        name = arg.substr(0, eq);
        inlineValue = arg.substr(eq + 1);
      }
      if (name == "-h")
        name = "--help";
      const auto& options = reportOptions();
      const auto it = std::find_if(options.begin(), options.end(),
                                   [&](const ReportOption& o) { return o.name == name; });
      if (it == options.end()) {
        return Error{"unknown option " + arg};
      }
      std::string value;
      if (!it->argument.empty()) {
        if (inlineValue) {
          value = *inlineValue;
        } else if (i + 1 < args.size()) {
          value = args[++i];
        } else {
          return Error{"option " + name + " needs " + std::string(it->argument)};
        }
      } else if (inlineValue) {
        return Error{"option " + name + " takes no value"};
      }
      if (auto taken = it->apply(request, value); !taken)
        return taken.error();
      continue;
    }
    const std::string file = arg == "--" && i + 1 < args.size() ? args[++i] : arg;
    auto chosen = chooseSource(request, file, [file](const ReportEnvironment&) {
      return openLogFile(std::filesystem::path(file));
    });
    if (!chosen)
      return chosen.error();
  }
  return request;
}

std::string usageText() {
  std::string text =
      "Usage: tallyvane-report [OPTION]... [FILE]\n"
      "Print the usage journal: when the computer was in use, and for how long.\n"
      "\n"
      "Without FILE, the System event log of this machine is read (on Linux: its\n"
      "boots, shutdowns, crashes, sleeps and resumes from the systemd journal, else\n"
      "from wtmp, and the running boot from the kernel). With FILE, --journal or\n"
      "--wtmp, that log is read; the total then counts its closed days only and the\n"
      "uptime line reads 0. FILE may also be a folder of exported logs (as\n"
      "winevt\\Logs), whose System log is read, or the root of a Windows installation\n"
      "(as --windows).\n"
      "\n"
      "Options:\n";
  for (const ReportOption& o : reportOptions()) {
    std::string left = "  " + std::string(o.name);
    if (!o.argument.empty())
      left += " " + std::string(o.argument);
    left.resize(std::max<std::size_t>(left.size() + 2, 20), ' ');
    text += left + std::string(o.help) + "\n";
  }
  text += "\nLog files:\n";
  for (const FileLogFormat& f : fileLogFormats()) {
    std::string left = "  " + std::string(f.extension);
    left.resize(std::max<std::size_t>(left.size() + 2, 20), ' ');
    text += left + std::string(f.description) + "\n";
  }
  text +=
      "\n"
      "Output: the day list (time stamp, event, spent time), the month list (month,\n"
      "spent time, spent working days of eight hours) and the two status lines.\n"
      "CSV and JSON carry each row's marker: 0 ordinary, -2 separator between days,\n"
      "-3 first start of a day, -4 unexpected shutdown.\n"
      "\n"
      "Exit status:\n"
      "  0  the journal was printed\n"
      "  1  the journal could not be built from the log\n"
      "  2  unknown option or bad arguments\n"
      "  3  the log file (or the installation's System log) does not exist\n"
      "  4  the log file (or every log of a folder) cannot be read\n"
      "  5  the file is no log of a known format\n";
  return text;
}

int runReport(const std::vector<std::string>& args, std::ostream& out, std::ostream& err,
              const ReportEnvironment& env, const FormatSettings& settings, bool progress) {
  const Expected<ReportRequest> request = parseArguments(args);
  if (!request) {
    err << "tallyvane-report: " << request.error().message << "\nTry 'tallyvane-report --help'.\n";
    return kExitUsage;
  }
  if (request->help) {
    out << usageText();
    return kExitOk;
  }

  // The listings come as text, CSV or JSON; an HTML request gets the text.
  const ListingFormat listingFormat = request->format == OutputFormat::kCsv ? ListingFormat::kCsv
                                      : request->format == OutputFormat::kJson
                                          ? ListingFormat::kJson
                                          : ListingFormat::kTable;
  if (request->messages.kind == MessageListing::Kind::kMessageTable) {
    platform::PortableMessageFiles portable;
    platform::MessageFiles& files =
        env.services.messageFiles ? *env.services.messageFiles : portable;
    return writeMessageTable(request->messages, files, listingFormat, out, err);
  }
  OpenedLog log = request->source ? request->source(env) : openThisMachine(env);
  for (const std::string& warning : log.warnings)
    err << "tallyvane-report: " << warning << "\n";
  if (!log.service) {
    err << "tallyvane-report: " << log.error << "\n";
    return log.exitCode != kExitOk ? log.exitCode : kExitBuildFailed;
  }

  if (request->messages.kind == MessageListing::Kind::kRecords)
    return writeRecords(log, request->messages, env.services, listingFormat, out, err);

  std::shared_ptr<ProgressEventLogService> shown;
  std::shared_ptr<platform::EventLogService> service = log.service;
  if (progress) {
    shown = std::make_shared<ProgressEventLogService>(service, err, log.description);
    service = shown;
  }
  // A Windows installation brings its own registry, zone and facts.
  ReportEnvironment sourceEnv = env;
  if (log.installation) {
    sourceEnv.services = log.installation->services(env.services);
    sourceEnv.installation = log.installation;
  }
  platform::Services services = sourceEnv.services;
  services.eventLog = service.get();
  NoUptimeClock noUptime(*services.clock);
  platform::SystemClock& clock = log.thisMachine ? *services.clock : noUptime;

  JournalReport report;
  try {
    for (const FactProvider& provider : request->facts) {
      for (ReportFact& fact : provider(sourceEnv))
        report.facts.push_back(std::move(fact));
    }
    TOrvex_EventLog eventLog(nullptr, services);
    VectorListModel days;
    VectorListModel months;
    TextOnlyJournalView view;
    RefreshJournal(eventLog, days, months, view, clock, settings, &report.usage);
    report.calendarEnd = CalendarEnd(report.usage, DecodeDate(Now(clock)));
    if (shown)
      shown->finish();
    report.days = std::move(days.rows);
    report.months = std::move(months.rows);
    report.uptime = view.uptimeText;
    report.totalSpentTime = view.spentTimeText;
  } catch (const std::exception& e) {
    if (shown)
      shown->finish();
    err << "tallyvane-report: cannot build the journal from " << log.description << ": " << e.what()
        << "\n";
    return kExitBuildFailed;
  }

  switch (request->format) {
    case OutputFormat::kTable:
      writeTable(report, out);
      break;
    case OutputFormat::kCsv:
      writeCsv(report, out);
      break;
    case OutputFormat::kJson:
      writeJson(report, out);
      break;
    case OutputFormat::kHtml:
      writeHtml(report, log.description, out);
      break;
  }
  out.flush();
  if (!out) {
    err << "tallyvane-report: cannot write the output\n";
    return kExitBuildFailed;
  }
  return kExitOk;
}

}  // namespace tallyvane::report
