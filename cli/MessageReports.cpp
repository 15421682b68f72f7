#include "cli/MessageReports.h"

#include <algorithm>
#include <charconv>
#include <cstdio>
#include <filesystem>
#include <system_error>

#include "cli/Report.h"
#include "eventlog/Orvex_EventLogNT.h"
#include "platform/MessageTable.h"
#include "platform/Unicode.h"
#include "platform/WindowsInstallation.h"
#include "present/Orvex_Datetime.h"

namespace tallyvane::report {

namespace {

constexpr char kEventLogKey[] = "SYSTEM\\CurrentControlSet\\Services\\EventLog\\";
// A message of a message file may be long; the listing takes up to this.
constexpr std::size_t kListingBufferChars = 65536;

std::optional<std::uint16_t> parseLanguage(const std::string& text) {
  if (const auto named = platform::languageIdFromName(text);
      named && text.find('-') != std::string::npos)
    return named;
  unsigned value = 0;
  const bool hex = text.size() > 2 && text[0] == '0' && (text[1] == 'x' || text[1] == 'X');
  const char* begin = text.data() + (hex ? 2 : 0);
  const char* end = text.data() + text.size();
  const auto [ptr, ec] = std::from_chars(begin, end, value, hex ? 16 : 10);
  if (ec != std::errc() || ptr != end || begin == end || value > 0xFFFF)
    return platform::languageIdFromName(text);
  return static_cast<std::uint16_t>(value);
}

std::string hex(std::uint32_t value, int digits) {
  char text[16];
  std::snprintf(text, sizeof text, "0x%0*X", digits, value);
  return text;
}

std::string isoTime(TDateTime value) {
  const CalendarDate d = DecodeDate(value);
  const ClockTime t = DecodeTime(value);
  char text[32];
  std::snprintf(text, sizeof text, "%04d-%02d-%02d %02d:%02d:%02d", d.year, d.month, d.day, t.hour,
                t.minute, t.second);
  return text;
}

// Line breaks (CR LF, CR or LF) shown as continuation lines indented by four.
std::string textCell(const std::string& text) {
  std::string out;
  for (std::size_t i = 0; i < text.size(); ++i) {
    if (text[i] == '\r' || text[i] == '\n') {
      if (text[i] == '\r' && i + 1 < text.size() && text[i + 1] == '\n')
        ++i;
      out += "\n    ";
    } else {
      out += text[i];
    }
  }
  return out;
}

// Writes rows of named fields in one of the three forms.
void writeRows(const std::vector<std::string>& names,
               const std::vector<std::vector<std::string>>& rows, ListingFormat format,
               std::ostream& out) {
  switch (format) {
    case ListingFormat::kTable:
      for (const auto& row : rows) {
        std::string line;
        for (std::size_t i = 0; i < row.size(); ++i) {
          if (i > 0)
            line += "  ";
          line += i + 1 == row.size() ? textCell(row[i]) : row[i];
        }
        line.erase(line.find_last_not_of(" \n") + 1);
        out << line << '\n';
      }
      break;
    case ListingFormat::kCsv:
      for (std::size_t i = 0; i < names.size(); ++i)
        out << (i ? "," : "") << names[i];
      out << '\n';
      for (const auto& row : rows) {
        for (std::size_t i = 0; i < row.size(); ++i)
          out << (i ? "," : "") << csvField(row[i]);
        out << '\n';
      }
      break;
    case ListingFormat::kJson:
      out << '[';
      for (std::size_t r = 0; r < rows.size(); ++r) {
        out << (r ? ",\n  {" : "\n  {");
        for (std::size_t i = 0; i < names.size(); ++i)
          out << (i ? ", " : "") << jsonString(names[i]) << ": " << jsonString(rows[r][i]);
        out << '}';
      }
      out << (rows.empty() ? "]\n" : "\n]\n");
      break;
  }
}

Expected<void> setKind(ReportRequest& r, MessageListing::Kind kind) {
  if (r.messages.kind != MessageListing::Kind::kNone && r.messages.kind != kind)
    return Error{"--records and --message-table cannot be combined"};
  r.messages.kind = kind;
  return {};
}

}  // namespace

std::vector<ReportOption> messageOptions() {
  using Kind = MessageListing::Kind;
  return {
      {"--records", "", "list the log's records (time, source, ID, type, category, description)",
       [](ReportRequest& r, const std::string&) { return setKind(r, Kind::kRecords); }},
      {"--expand", "", "with --records: texts from the sources' message files",
       [](ReportRequest& r, const std::string&) {
         r.messages.expand = true;
         return Expected<void>();
       }},
      {"--messages", "DIR", "with --expand: message files in DIR (SOURCE.dll, or by file name)",
       [](ReportRequest& r, const std::string& dir) {
         std::error_code ec;
         if (!std::filesystem::is_directory(dir, ec))
           return Expected<void>(Error{"no folder " + dir});
         r.messages.messagesFolder = dir;
         r.messages.expand = true;
         return Expected<void>();
       }},
      {"--message-table", "FILE", "list every message of a message file (ID, language, text)",
       [](ReportRequest& r, const std::string& file) {
         r.messages.messageTableFile = file;
         return setKind(r, Kind::kMessageTable);
       }},
      {"--language", "ID", "with --message-table: only this language (0x0407, 1031 or de-DE)",
       [](ReportRequest& r, const std::string& id) {
         r.messages.language = parseLanguage(id);
         if (!r.messages.language)
           return Expected<void>(Error{"unknown language " + id});
         return Expected<void>();
       }},
  };
}

MessageFolderRegistry::MessageFolderRegistry(platform::Registry* base, std::string folder)
    : base_(base), folder_(std::move(folder)) {}

std::uint32_t MessageFolderRegistry::connect(std::string_view machine, platform::RegKey root,
                                             platform::RegKey& result) {
  if (base_ != nullptr && base_->connect(machine, root, result) == platform::kErrorSuccess)
    return platform::kErrorSuccess;
  result = platform::kHKeyLocalMachine;
  return platform::kErrorSuccess;
}

std::uint32_t MessageFolderRegistry::openKey(platform::RegKey parent, std::string_view subKey,
                                             std::uint32_t access, platform::RegKey& result) {
  std::uint32_t status = platform::kErrorFileNotFound;
  if (base_ != nullptr) {
    status = base_->openKey(parent, subKey, access, result);
    if (status == platform::kErrorSuccess)
      return status;
  }
  // "...\EventLog\<log>\<source>" of a source the registry does not know.
  const std::string_view prefix = kEventLogKey;
  if (subKey.size() <= prefix.size() ||
      !equalsIgnoreAsciiCase(subKey.substr(0, prefix.size()), prefix))
    return status;
  const std::string_view rest = subKey.substr(prefix.size());
  const std::size_t slash = rest.find('\\');
  if (slash == std::string_view::npos || rest.find('\\', slash + 1) != std::string_view::npos)
    return status;
  const std::string wanted = std::string(rest.substr(slash + 1)) + ".dll";
  std::error_code ec;
  for (std::filesystem::directory_iterator it(folder_, ec), end; !ec && it != end;
       it.increment(ec)) {
    if (equalsIgnoreAsciiCase(it->path().filename().string(), wanted)) {
      result = next_++;
      sources_.emplace_back(result, it->path().string());
      return platform::kErrorSuccess;
    }
  }
  return status;
}

std::uint32_t MessageFolderRegistry::enumKey(platform::RegKey key, std::uint32_t index,
                                             std::uint32_t bufferChars, std::string& name) {
  const auto own =
      std::find_if(sources_.begin(), sources_.end(), [&](const auto& s) { return s.first == key; });
  if (own != sources_.end() || base_ == nullptr)
    return platform::kErrorNoMoreItems;
  return base_->enumKey(key, index, bufferChars, name);
}

std::uint32_t MessageFolderRegistry::queryValue(platform::RegKey key, std::string_view valueName,
                                                std::uint32_t& type, std::span<std::byte> buffer,
                                                std::uint32_t& size) {
  const auto own =
      std::find_if(sources_.begin(), sources_.end(), [&](const auto& s) { return s.first == key; });
  if (own == sources_.end()) {
    return base_ != nullptr ? base_->queryValue(key, valueName, type, buffer, size)
                            : platform::kErrorFileNotFound;
  }
  if (!equalsIgnoreAsciiCase(valueName, "EventMessageFile") &&
      !equalsIgnoreAsciiCase(valueName, "CategoryMessageFile") &&
      !equalsIgnoreAsciiCase(valueName, "ParameterMessageFile")) {
    return platform::kErrorFileNotFound;
  }
  const std::vector<std::byte> value = utf16leBytes(own->second);
  type = platform::kRegExpandSz;
  size = static_cast<std::uint32_t>(value.size());
  if (buffer.empty())
    return platform::kErrorSuccess;
  if (buffer.size() < value.size())
    return platform::kErrorMoreData;
  std::copy(value.begin(), value.end(), buffer.begin());
  return platform::kErrorSuccess;
}

std::uint32_t MessageFolderRegistry::closeKey(platform::RegKey key) {
  const auto own =
      std::find_if(sources_.begin(), sources_.end(), [&](const auto& s) { return s.first == key; });
  if (own != sources_.end()) {
    sources_.erase(own);
    return platform::kErrorSuccess;
  }
  return base_ != nullptr ? base_->closeKey(key) : platform::kErrorInvalidHandle;
}

int writeRecords(const OpenedLog& log, const MessageListing& listing,
                 const platform::Services& given, ListingFormat format, std::ostream& out,
                 std::ostream& err) {
  // A Windows installation brings its own registry and its own message
  // files, under its System32 folder.
  platform::Services services = log.installation ? log.installation->services(given) : given;
  services.eventLog = log.service.get();
  std::optional<platform::PortableMessageFiles> folderFiles;
  std::optional<MessageFolderRegistry> folderRegistry;
  if (log.installation) {
    std::filesystem::path system32 = log.installation->systemLogFile();
    while (system32.has_relative_path() &&
           !equalsIgnoreAsciiCase(system32.filename().string(), "System32"))
      system32 = system32.parent_path();
    if (system32.has_relative_path()) {
      folderFiles.emplace();
      folderFiles->addFolder(system32.string());
      std::vector<std::string> environment = platform::processEnvironment();
      environment.push_back("SystemRoot=" + system32.parent_path().string());
      environment.push_back("windir=" + system32.parent_path().string());
      folderFiles->setEnvironment(std::move(environment));
      services.messageFiles = &*folderFiles;
    }
  }
  if (!listing.messagesFolder.empty()) {
    folderFiles.emplace();
    folderFiles->addFolder(listing.messagesFolder);
    services.messageFiles = &*folderFiles;
    folderRegistry.emplace(services.registry, listing.messagesFolder);
    services.registry = &*folderRegistry;
  }
  std::vector<std::vector<std::string>> rows;
  try {
    TEventLog reader(true, services);
    reader.SetSourceName("System");
    reader.SetExpandMessages(listing.expand);
    reader.RefreshData(true);
    reader.Sort();
    for (std::uint32_t i = 0; i < reader.RecordCount(); ++i) {
      const TLogRecord& r = *reader.Records(i);
      rows.push_back({isoTime(r.DateTime), r.Source, std::to_string(r.EventID),
                      std::string(EventTypeNames[r.EventType]), r.Category, r.Description});
    }
  } catch (const std::exception& e) {
    err << "tallyvane-report: cannot read " << log.description << ": " << e.what() << "\n";
    return kExitBuildFailed;
  }
  writeRows({"time", "source", "event_id", "type", "category", "description"}, rows, format, out);
  return kExitOk;
}

int writeMessageTable(const MessageListing& listing, platform::MessageFiles& files,
                      ListingFormat format, std::ostream& out, std::ostream& err) {
  const std::string& path = listing.messageTableFile;
  std::error_code ec;
  if (!std::filesystem::exists(path, ec)) {
    err << "tallyvane-report: " << path << " does not exist\n";
    return kExitFileNotFound;
  }
  const platform::LanguagePreferences preferences = platform::processLanguagePreferences();
  const auto file = platform::MessageFile::open(path, preferences);
  if (!file) {
    err << "tallyvane-report: " << path << " is no PE file\n";
    return kExitUnknownFormat;
  }
  std::vector<std::uint16_t> languages = file->languages();
  if (listing.language) {
    if (std::find(languages.begin(), languages.end(), *listing.language) == languages.end()) {
      err << "tallyvane-report: " << path << " has no messages in language "
          << hex(*listing.language, 4) << "\n";
      return kExitBuildFailed;
    }
    languages = {*listing.language};
  }
  if (languages.empty()) {
    err << "tallyvane-report: " << path << " has no message table\n";
    return kExitUnknownFormat;
  }
  std::vector<std::vector<std::string>> rows;
  for (const std::uint16_t language : languages) {
    for (const platform::MessageEntry& entry : file->messages(language)) {
      // The text as the platform's formatter gives it with the inserts left
      // in place; the table's own text where the formatter refuses it.
      platform::MessageRequest request;
      request.id = entry.id;
      request.language = language;
      request.ignoreInserts = true;
      request.bufferChars = kListingBufferChars;
      std::string text = files.formatMessage(path, request).value_or(utf16ToUtf8(entry.text));
      std::string name = platform::languageNameFromId(language);
      rows.push_back(
          {hex(entry.id, 8), hex(language, 4) + (name.empty() ? "" : " " + name), std::move(text)});
    }
  }
  writeRows({"id", "language", "text"}, rows, format, out);
  return kExitOk;
}

}  // namespace tallyvane::report
