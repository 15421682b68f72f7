// The three output forms of tallyvane-report.
#include <algorithm>
#include <array>
#include <cstdio>

#include "cli/Report.h"

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

}  // namespace tallyvane::report
