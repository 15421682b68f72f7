// The text form of the event log component: SaveToStorage and LoadFromStorage
// keep the records as text lines in a stream of the sub-storage "EventLog".
#include "eventlog/Qzi_EventLogStorage.h"

#include <charconv>
#include <cstdio>
#include <memory>
#include <vector>

#include "eventlog/Orvex_CRC.h"
#include "eventlog/Qzi_EventLog.h"
#include "platform/Unicode.h"
#include "storage/Orvex_SS.h"

namespace tallyvane {

namespace {

constexpr std::uint32_t kModeRead = STGM_READ | STGM_SHARE_EXCLUSIVE;                       // 16
constexpr std::uint32_t kModeReadWrite = STGM_READWRITE | STGM_SHARE_EXCLUSIVE;             // 18
constexpr std::uint32_t kModeCreate = STGM_CREATE | STGM_READWRITE | STGM_SHARE_EXCLUSIVE;  // 4114
constexpr const char* kSubStorage = "EventLog";

std::string replaceAll(std::string_view text, std::string_view from, std::string_view to,
                       bool ignoreCase) {
  std::string out;
  std::size_t i = 0;
  while (i < text.size()) {
    if (text.size() - i >= from.size() &&
        (ignoreCase ? equalsIgnoreAsciiCase(text.substr(i, from.size()), from)
                    : text.substr(i, from.size()) == from)) {
      out += to;
      i += from.size();
    } else {
      out += text[i++];
    }
  }
  return out;
}

std::string_view trimBlanks(std::string_view s) {
  while (!s.empty() && s.front() == ' ')
    s.remove_prefix(1);
  while (!s.empty() && s.back() == ' ')
    s.remove_suffix(1);
  return s;
}

// A decimal integer of 32 bits (with an optional sign), or 0.
std::int32_t toInt(std::string_view s) {
  s = trimBlanks(s);
  if (!s.empty() && s.front() == '+')
    s.remove_prefix(1);
  std::int32_t v = 0;
  const auto [end, ec] = std::from_chars(s.data(), s.data() + s.size(), v);
  if (ec != std::errc() || end != s.data() + s.size() || s.empty())
    return 0;
  return v;
}

// A decimal number with "." whatever the locale, or 0.
double toFloat(std::string_view s) {
  s = trimBlanks(s);
  if (!s.empty() && s.front() == '+')
    s.remove_prefix(1);
  double v = 0;
  const auto [end, ec] =
      std::from_chars(s.data(), s.data() + s.size(), v, std::chars_format::general);
  if (ec != std::errc() || end != s.data() + s.size() || s.empty())
    return 0;
  return v;
}

// Takes the text up to the next ";" and removes it and the ";" from `rest`;
// without a ";" the field is empty and `rest` stays as it is.
std::string_view takeField(std::string_view& rest) {
  const auto semi = rest.find(';');
  if (semi == std::string_view::npos)
    return {};
  const std::string_view field = rest.substr(0, semi);
  rest.remove_prefix(semi + 1);
  return field;
}

}  // namespace

std::string StorageStreamName(std::string_view Name) {
  const std::u16string wide = utf8ToUtf16(Name);
  const std::vector<std::byte> bytes = utf16leBytes(Name, false);
  // Only the first half of the bytes: as many bytes as the name has characters.
  const std::uint32_t crc = CRC32(std::span(bytes).first(wide.size()));
  const std::uint32_t reversed =
      ((crc & 0xFF) << 24) | ((crc & 0xFF00) << 8) | ((crc >> 8) & 0xFF00) | (crc >> 24);
  char text[16];
  std::snprintf(text, sizeof text, "%X", reversed);
  return text;
}

std::string EscapeLogText(std::string_view Text) {
  std::string out = replaceAll(Text, "\r", "<CR>", false);
  out = replaceAll(out, "\n", "<LF>", false);
  return replaceAll(out, ";", "<SEMI>", false);
}

std::string UnescapeLogText(std::string_view Text) {
  std::string out = replaceAll(Text, "<CR>", "\r", true);
  out = replaceAll(out, "<LF>", "\n", true);
  return replaceAll(out, "<SEMI>", ";", true);
}

std::string RecordToLine(const TLogRecord& Record) {
  char number[64];
  std::snprintf(number, sizeof number, "%d", static_cast<int>(Record.EventType));
  std::string line = number;
  line += ';';
  const auto [end, ec] = std::to_chars(number, number + sizeof number - 1, Record.DateTime,
                                       std::chars_format::fixed, 10);
  if (ec != std::errc())
    throw std::runtime_error("the date-time cannot be written");
  line.append(number, end);
  line += ';';
  line += EscapeLogText(Record.Source) + ';';
  line += EscapeLogText(Record.Category) + ';';
  line += std::to_string(static_cast<std::int32_t>(Record.EventID)) + ';';
  line += EscapeLogText(Record.Username) + ';';
  line += EscapeLogText(Record.Domain) + ';';
  line += EscapeLogText(Record.Computer) + ';';
  line += EscapeLogText(Record.Description);
  return line;
}

TLogRecord LineToRecord(std::string_view Line) {
  TLogRecord r;
  r.EventType = static_cast<TEventType>(0);
  r.DateTime = 0.0;
  r.EventID = 0;
  if (Line.find(';') == std::string_view::npos)
    return r;
  std::string_view rest = Line;
  r.EventType = static_cast<TEventType>(static_cast<std::uint8_t>(toInt(takeField(rest))));
  r.DateTime = toFloat(takeField(rest));
  r.Source = UnescapeLogText(takeField(rest));
  r.Category = UnescapeLogText(takeField(rest));
  r.EventID = static_cast<std::uint32_t>(toInt(takeField(rest)));
  r.Username = UnescapeLogText(takeField(rest));
  r.Domain = UnescapeLogText(takeField(rest));
  r.Computer = UnescapeLogText(takeField(rest));
  r.Description = UnescapeLogText(rest);
  return r;
}

void TOrvex_EventLog::SaveToStorage(const std::string& AFilename, const std::string& AComment,
                                    TCodeStreamProcedure ACodeStream) {
  // The header and the records reach the file together, in one atomic write.
  StorageFileSave save(AFilename);
  TOrvex_Component::SaveToStorage(AFilename, AComment, ACodeStream);
  std::shared_ptr<cfb::Storage> file;
  if (StgIsStorageFile(AFilename) == kSOk) {
    OleCheck(StgOpenStorage(AFilename, kModeReadWrite, &file));
  } else {
    OleCheck(StgCreateDocfile(AFilename, kModeCreate, &file));
  }
  auto root = std::make_unique<TStructuredStorage>(nullptr, file);
  file.reset();
  std::unique_ptr<TStructuredStorage> sub(root->OpenSubStorage(kSubStorage, kModeReadWrite, true));
  const std::string streamName = StorageStreamName(FEL->SourceName());
  std::unique_ptr<TStorageStream> stream(sub->OpenStream(streamName, kModeReadWrite, true));
  if (!stream) {
    // The open failed quietly; ask again for its status to report it.
    std::shared_ptr<cfb::Stream> probe;
    const HRESULT hr = sub->_IStorage()->OpenStream(streamName, kModeReadWrite, &probe);
    throw EOleSysError(Failed(hr) ? hr : STG_E_FILENOTFOUND);
  }
  std::vector<std::string> lines;
  lines.reserve(FEL->RecordCount() + 1);
  lines.push_back(FEL->SourceName());
  for (std::uint32_t i = 0; i < FEL->RecordCount(); ++i) {
    try {
      lines.push_back(RecordToLine(*FEL->Records(i)));
    } catch (const std::exception& e) {
      lines.push_back("[" + std::to_string(i) + "] " + e.what());
    }
  }
  stream->Clear();
  StringsToStream(lines, *stream, ACodeStream);
  stream.reset();
  sub.reset();
  root.reset();
  OleCheck(save.Commit());
}

bool TOrvex_EventLog::LoadFromStorage(const std::string& AFilename,
                                      TCodeStreamProcedure ACodeStream) {
  Clear();
  TOrvex_Component::LoadFromStorage(AFilename, ACodeStream);
  if (StgIsStorageFile(AFilename) != kSOk)
    return true;
  std::shared_ptr<cfb::Storage> file;
  OleCheck(StgOpenStorage(AFilename, kModeRead, &file));
  auto root = std::make_unique<TStructuredStorage>(nullptr, file);
  file.reset();
  std::unique_ptr<TStructuredStorage> sub;
  try {
    sub.reset(root->OpenSubStorage(kSubStorage, kModeRead, false));
  } catch (const std::exception&) {
    return false;
  }
  if (!sub)
    return false;
  std::vector<std::string> lines;
  for (std::uint32_t i = 0; i < sub->ElementCount(); ++i) {
    const TElement element = sub->GetElement(i);
    try {
      std::unique_ptr<TStorageStream> stream(sub->OpenStream(element.Name, kModeRead, false));
      if (!stream)
        continue;
      StreamToStrings(*stream, lines, ACodeStream);
    } catch (const std::exception&) {
      continue;
    }
    if (lines.empty())
      continue;
    const bool header = lines.front().find(';') == std::string::npos;
    FEL->AddContainer(TLogContainer{header ? lines.front() : element.Name, ""});
  }
  const std::string& source = FEL->SourceName();
  if (source.empty())
    return false;
  std::string name;
  if (sub->ElementExists(source)) {
    name = source;
  } else if (sub->ElementExists(StorageStreamName(source))) {
    name = StorageStreamName(source);
  } else {
    return false;
  }
  try {
    std::unique_ptr<TStorageStream> stream(sub->OpenStream(name, kModeRead, false));
    if (!stream)
      return false;
    StreamToStrings(*stream, lines, ACodeStream);
  } catch (const std::exception&) {
    return false;
  }
  const std::string& filter = FEL->SourceFilter();
  for (std::size_t i = 0; i < lines.size(); ++i) {
    if (i == 0 && lines[0].find(';') == std::string::npos)
      continue;
    const TLogRecord record = LineToRecord(lines[i]);
    if (!filter.empty() && !SourceMatchesFilter(record.Source, filter))
      continue;
    FEL->AddRecord(record);
  }
  SetDataAvailable(true);
  return false;
}

}  // namespace tallyvane
