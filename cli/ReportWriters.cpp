// The three output forms of tallyvane-report.
#include <algorithm>
#include <array>
#include <cstdio>

#include "cli/Report.h"
#include "journal/UsageCalendar.h"

namespace tallyvane::report {

namespace {

// Characters (code points) of a UTF-8 text, for aligning columns.
std::size_t width(std::string_view text) {
  return static_cast<std::size_t>(std::count_if(text.begin(), text.end(), [](char c) {
    return (static_cast<unsigned char>(c) & 0xC0) != 0x80;
  }));
}

enum class Align { kLeft, kRight };

struct Column {
  const char* title;
  Align align;
};

std::string cell(const JournalRow& row, std::size_t column) {
  return column == 0 ? row.Caption : column == 1 ? row.SubItem1 : row.SubItem2;
}

void writeList(const std::array<Column, 3>& columns, const std::vector<JournalRow>& rows,
               std::ostream& out) {
  std::array<std::size_t, 3> widths{};
  for (std::size_t c = 0; c < 3; ++c) {
    widths[c] = width(columns[c].title);
    for (const JournalRow& row : rows)
      widths[c] = std::max(widths[c], width(cell(row, c)));
  }
  const auto line = [&](const std::array<std::string, 3>& texts) {
    std::string text;
    for (std::size_t c = 0; c < 3; ++c) {
      if (c > 0)
        text += "  ";
      const std::string pad(widths[c] - width(texts[c]), ' ');
      text += columns[c].align == Align::kRight ? pad + texts[c] : texts[c] + pad;
    }
    text.erase(text.find_last_not_of(' ') + 1);
    out << text << '\n';
  };
  line({columns[0].title, columns[1].title, columns[2].title});
  const std::size_t total = widths[0] + widths[1] + widths[2] + 4;
  for (const JournalRow& row : rows) {
    if (row.RowMarker == kRowSeparator) {
      out << std::string(total, '-') << '\n';
    } else {
      line({row.Caption, row.SubItem1, row.SubItem2});
    }
  }
}

void writeJsonRows(const std::vector<JournalRow>& rows, const std::array<const char*, 3>& keys,
                   std::ostream& out) {
  out << "[";
  for (std::size_t i = 0; i < rows.size(); ++i) {
    const JournalRow& r = rows[i];
    out << (i == 0 ? "\n" : ",\n") << "    {" << jsonString(keys[0]) << ": "
        << jsonString(r.Caption) << ", " << jsonString(keys[1]) << ": " << jsonString(r.SubItem1)
        << ", " << jsonString(keys[2]) << ": " << jsonString(r.SubItem2)
        << ", \"rowMarker\": " << r.RowMarker << "}";
  }
  out << (rows.empty() ? "]" : "\n  ]");
}

}  // namespace

std::string csvField(const std::string& text) {
  if (text.find_first_of(",\"\r\n") == std::string::npos)
    return text;
  std::string quoted = "\"";
  for (char c : text) {
    if (c == '"')
      quoted += '"';
    quoted += c;
  }
  return quoted + "\"";
}

std::string jsonString(const std::string& text) {
  std::string out = "\"";
  for (char c : text) {
    switch (c) {
      case '"':
        out += "\\\"";
        break;
      case '\\':
        out += "\\\\";
        break;
      case '\n':
        out += "\\n";
        break;
      case '\r':
        out += "\\r";
        break;
      case '\t':
        out += "\\t";
        break;
      default:
        if (static_cast<unsigned char>(c) < 0x20) {
          char escaped[8];
          std::snprintf(escaped, sizeof escaped, "\\u%04x", static_cast<unsigned char>(c));
          out += escaped;
        } else {
          out += c;
        }
    }
  }
  return out + "\"";
}

void writeTable(const JournalReport& report, std::ostream& out) {
  for (const ReportFact& fact : report.facts)
    out << fact.name << ": " << fact.value << '\n';
  if (!report.facts.empty())
    out << '\n';
  writeList({{{"Timestamp", Align::kLeft}, {"Event", Align::kLeft}, {"Spent time", Align::kRight}}},
            report.days, out);
  out << '\n';
  writeList({{{"Month", Align::kLeft},
              {"Spent time", Align::kRight},
              {"Spent working days", Align::kRight}}},
            report.months, out);
  out << '\n' << report.uptime << '\n' << report.totalSpentTime << '\n';
}

void writeCsv(const JournalReport& report, std::ostream& out) {
  out << "list,caption,subitem1,subitem2,marker\n";
  for (const ReportFact& fact : report.facts) {
    out << "fact," << csvField(fact.name) << ',' << csvField(fact.value) << ",,\n";
  }
  for (const JournalRow& r : report.days) {
    out << "day," << csvField(r.Caption) << ',' << csvField(r.SubItem1) << ','
        << csvField(r.SubItem2) << ',' << r.RowMarker << '\n';
  }
  for (const JournalRow& r : report.months) {
    out << "month," << csvField(r.Caption) << ',' << csvField(r.SubItem1) << ','
        << csvField(r.SubItem2) << ',' << r.RowMarker << '\n';
  }
  out << "status," << csvField(report.uptime) << ",,,\n";
  out << "status," << csvField(report.totalSpentTime) << ",,,\n";
}

void writeJson(const JournalReport& report, std::ostream& out) {
  out << "{\n";
  if (!report.facts.empty()) {
    out << "  \"facts\": {";
    for (std::size_t i = 0; i < report.facts.size(); ++i) {
      out << (i == 0 ? "\n" : ",\n") << "    " << jsonString(report.facts[i].name) << ": "
          << jsonString(report.facts[i].value);
    }
    out << "\n  },\n";
  }
  out << "  \"days\": ";
  writeJsonRows(report.days, {"timestamp", "event", "spentTime"}, out);
  out << ",\n  \"months\": ";
  writeJsonRows(report.months, {"month", "spentTime", "spentWorkingDays"}, out);
  out << ",\n  \"uptime\": " << jsonString(report.uptime)
      << ",\n  \"totalSpentTime\": " << jsonString(report.totalSpentTime) << "\n}\n";
}

namespace {

std::string htmlText(std::string_view text) {
  std::string out;
  for (char c : text) {
    switch (c) {
      case '&':
        out += "&amp;";
        break;
      case '<':
        out += "&lt;";
        break;
      case '>':
        out += "&gt;";
        break;
      case '"':
        out += "&quot;";
        break;
      case '\'':
        out += "&#39;";
        break;
      default:
        out += c;
    }
  }
  return out;
}

void writeHtmlList(const char* caption, const std::array<const char*, 3>& titles,
                   const std::vector<JournalRow>& rows, std::ostream& out) {
  out << "<h2>" << caption << "</h2>\n<table>\n<thead><tr>";
  for (const char* title : titles)
    out << "<th>" << title << "</th>";
  out << "</tr></thead>\n<tbody>\n";
  for (const JournalRow& row : rows) {
    if (row.RowMarker == kRowSeparator) {
      out << "<tr class=\"separator\"><td colspan=\"3\"></td></tr>\n";
      continue;
    }
    const char* kind = row.RowMarker == kRowDayStart             ? " class=\"day-start\""
                       : row.RowMarker == kRowUnexpectedShutdown ? " class=\"crash\""
                                                                 : "";
    out << "<tr" << kind << "><td>" << htmlText(row.Caption) << "</td><td>"
        << htmlText(row.SubItem1) << "</td><td>" << htmlText(row.SubItem2) << "</td></tr>\n";
  }
  out << "</tbody>\n</table>\n";
}

// Hours per month as bars, the months in the list's order, a tooltip (title)
// on each bar.
void writeMonthChart(const std::vector<JournalRow>& months, std::ostream& out) {
  constexpr int kBar = 36, kGap = 12, kHeight = 200, kTop = 20, kBottom = 40, kLeft = 50;
  long long most = 1;
  for (const JournalRow& m : months)
    most = std::max(most, spentMinutes(m.SubItem1).value_or(0));
  const int width = kLeft + static_cast<int>(months.size()) * (kBar + kGap) + kGap;
  out << "<svg class=\"chart\" xmlns=\"http://www.w3.org/2000/svg\" width=\"" << width
      << "\" height=\"" << kTop + kHeight + kBottom << "\" role=\"img\" "
      << "aria-label=\"Hours per month\">\n";
  const double hours = static_cast<double>(most) / 60.0;
  char label[32];
  std::snprintf(label, sizeof label, "%.0f h", hours);
  out << "<line x1=\"" << kLeft << "\" y1=\"" << kTop << "\" x2=\"" << kLeft << "\" y2=\""
      << kTop + kHeight << "\" stroke=\"#888\"/>\n"
      << "<line x1=\"" << kLeft << "\" y1=\"" << kTop + kHeight << "\" x2=\"" << width << "\" y2=\""
      << kTop + kHeight << "\" stroke=\"#888\"/>\n"
      << "<text x=\"" << kLeft - 4 << "\" y=\"" << kTop + 4
      << "\" text-anchor=\"end\" font-size=\"11\">" << label << "</text>\n";
  for (std::size_t i = 0; i < months.size(); ++i) {
    const long long minutes = spentMinutes(months[i].SubItem1).value_or(0);
    const int height = static_cast<int>(minutes * kHeight / most);
    const int x = kLeft + kGap + static_cast<int>(i) * (kBar + kGap);
    out << "<rect class=\"bar\" x=\"" << x << "\" y=\"" << kTop + kHeight - height << "\" width=\""
        << kBar << "\" height=\"" << height << "\" fill=\"#2e7d32\"><title>"
        << htmlText(months[i].Caption) << ": " << htmlText(months[i].SubItem1)
        << "</title></rect>\n"
        << "<text x=\"" << x + kBar / 2 << "\" y=\"" << kTop + kHeight + 14
        << "\" text-anchor=\"middle\" font-size=\"10\">" << htmlText(months[i].Caption.substr(0, 3))
        << "</text>\n";
  }
  out << "</svg>\n";
}

// The last twelve months as a calendar heat map: a square a day in week
// columns, shaded by spent time, a tooltip (title) with the day's sessions,
// month labels above and weekday labels on the left.
void writeHeatMap(const std::vector<DayUsage>& usage, CalendarDate end, std::ostream& out) {
  constexpr int kCell = 12, kLeft = 30, kTop = 20, kBottom = 10;
  const UsageCalendar cal = LastTwelveMonths(usage, end);
  // Room right of the last column for a month name that starts there.
  const int width = kLeft + cal.Columns * kCell + 16;
  const int height = kTop + 7 * kCell + kBottom;
  out << "<svg class=\"chart heatmap\" xmlns=\"http://www.w3.org/2000/svg\" width=\"" << width
      << "\" height=\"" << height << "\" role=\"img\" aria-label=\"Hours per day\">\n";
  for (const auto& [column, month] : cal.MonthStarts) {
    out << "<text x=\"" << kLeft + column * kCell << "\" y=\"" << kTop - 6 << "\" font-size=\"10\">"
        << ShortMonthName(month) << "</text>\n";
  }
  for (int row = 0; row < 7; row += 2) {
    out << "<text x=\"0\" y=\"" << kTop + row * kCell + kCell - 2 << "\" font-size=\"10\">"
        << ShortWeekdayName(row) << "</text>\n";
  }
  char color[8];
  for (const CalendarCell& cell : cal.Cells) {
    std::snprintf(
        color, sizeof color, "#%06x",
        static_cast<unsigned>(kHeatColors[static_cast<std::size_t>(HeatLevel(cell.Minutes))]));
    out << "<rect class=\"day\" x=\"" << kLeft + cell.Column * kCell << "\" y=\""
        << kTop + cell.Row * kCell << "\" width=\"" << kCell - 2 << "\" height=\"" << kCell - 2
        << "\" fill=\"" << color << "\"><title>" << htmlText(CellDescription(cell))
        << "</title></rect>\n";
  }
  out << "</svg>\n";
}

}  // namespace

std::optional<long long> spentMinutes(std::string_view text) {
  long long hours = 0, minutes = 0;
  std::size_t at = 0;
  const auto number = [&](long long& value) {
    const std::size_t start = at;
    while (at < text.size() && text[at] >= '0' && text[at] <= '9' && at - start < 12)
      value = value * 10 + (text[at++] - '0');
    return at > start;
  };
  if (!number(hours) || at >= text.size() || text[at++] != 'h')
    return std::nullopt;
  while (at < text.size() && text[at] == ' ')
    ++at;
  if (!number(minutes) || at >= text.size() || text[at] != 'm')
    return std::nullopt;
  return hours * 60 + minutes;
}

void writeHtml(const JournalReport& report, const std::string& source, std::ostream& out) {
  out << "<!DOCTYPE html>\n<html lang=\"en\">\n<head>\n<meta charset=\"utf-8\">\n"
      << "<title>Tallyvane Journal - " << htmlText(source) << "</title>\n<style>\n"
      << "body { font-family: Tahoma, Verdana, sans-serif; font-size: 13px; margin: 24px; }\n"
      << "table { border-collapse: collapse; margin-bottom: 24px; }\n"
      << "th, td { padding: 2px 12px 2px 4px; text-align: left; }\n"
      << "th { border-bottom: 1px solid #888; }\n"
      << "tr.day-start td { font-weight: bold; }\n"
      << "tr.crash td + td { color: #c00; }\n"
      << "tr.separator td { border-top: 1px solid silver; padding: 0; }\n"
      << ".totals { font-size: 15px; }\n"
      << ".charts { display: flex; flex-wrap: wrap; gap: 32px; align-items: flex-start; }\n"
      << ".charts figure { margin: 0; }\n"
      << "@media print {\n  body { margin: 0; font-size: 10pt; }\n"
      << "  h2 { page-break-after: avoid; }\n  tr { page-break-inside: avoid; }\n"
      << "  .chart { page-break-inside: avoid; }\n}\n"
      << "</style>\n</head>\n<body>\n"
      << "<h1>Tallyvane Journal - " << htmlText(source) << "</h1>\n";
  for (const ReportFact& fact : report.facts)
    out << "<p>" << htmlText(fact.name) << ": " << htmlText(fact.value) << "</p>\n";
  out << "<p class=\"totals\">" << htmlText(report.totalSpentTime) << "<br>"
      << htmlText(report.uptime) << "</p>\n<div class=\"charts\">\n";
  if (report.calendarEnd.year != 0) {
    out << "<figure>\n<h2>Hours per day</h2>\n";
    writeHeatMap(report.usage, report.calendarEnd, out);
    out << "</figure>\n";
  }
  out << "<figure>\n<h2>Hours per month</h2>\n";
  writeMonthChart(report.months, out);
  out << "</figure>\n</div>\n";
  writeHtmlList("Months", {"Month", "Spent time", "Spent working days"}, report.months, out);
  writeHtmlList("Days", {"Timestamp", "Event", "Spent time"}, report.days, out);
  out << "</body>\n</html>\n";
}

}  // namespace tallyvane::report
