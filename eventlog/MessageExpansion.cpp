#include "eventlog/MessageExpansion.h"

#include <exception>

#include "platform/ByteReader.h"
#include "platform/EventLogRecord.h"
#include "platform/Unicode.h"

namespace tallyvane {

namespace {

constexpr std::size_t kValueBufferBytes = 8192;
constexpr std::size_t kValueChars = 4096;
constexpr std::size_t kMessageBufferChars = 4096;
constexpr std::uint64_t kEventIdOffset = 20;
constexpr std::uint64_t kNumStringsOffset = 26;
constexpr std::uint64_t kEventCategoryOffset = 28;
constexpr std::uint64_t kStringOffsetOffset = 36;

std::string trimmed(std::string_view text) {
  std::size_t begin = 0;
  std::size_t end = text.size();
  while (begin < end && static_cast<unsigned char>(text[begin]) <= 32)
    ++begin;
  while (end > begin && static_cast<unsigned char>(text[end - 1]) <= 32)
    --end;
  return std::string(text.substr(begin, end - begin));
}

std::vector<std::string> splitAtCarriageReturns(std::string_view text) {
  std::vector<std::string> pieces;
  std::size_t start = 0;
  while (true) {
    const std::size_t cr = text.find('\r', start);
    pieces.emplace_back(text.substr(start, cr == std::string_view::npos ? cr : cr - start));
    if (cr == std::string_view::npos)
      return pieces;
    start = cr + 1;
  }
}

// The first occurrence of `needle` in `text`, ASCII letters without regard to case.
std::size_t findIgnoreCase(std::string_view text, std::string_view needle) {
  if (needle.empty() || needle.size() > text.size())
    return std::string_view::npos;
  for (std::size_t i = 0; i + needle.size() <= text.size(); ++i) {
    if (equalsIgnoreAsciiCase(text.substr(i, needle.size()), needle))
      return i;
  }
  return std::string_view::npos;
}

// The joined insertion strings of a raw record, not trimmed.
std::string joinedInsertionStrings(const ByteReader& record) {
  std::string joined;
  const std::uint16_t count = record.u16(kNumStringsOffset).value_or(0);
  std::uint64_t at = record.u32(kStringOffsetOffset).value_or(0xFFFFFFFF);
  for (std::uint16_t i = 0; i < count; ++i) {
    if (i > 0)
      joined += '\r';
    if (at >= record.size())
      continue;
    std::size_t consumed = 0;
    joined += utf16ToUtf8(readUtf16z(record.tail(at), &consumed));
    at += consumed;
  }
  return joined;
}

// A string value of the source's key: the text up to its first zero, at most
// 4096 characters; empty when missing or larger than the buffer.
std::string readMessageFileValue(platform::Registry& registry, platform::RegKey key,
                                 std::string_view name) {
  std::vector<std::byte> buffer(kValueBufferBytes);
  std::uint32_t type = 0;
  std::uint32_t size = 0;
  if (registry.queryValue(key, name, type, buffer, size) != platform::kErrorSuccess)
    return {};
  std::u16string text = readUtf16z(
      std::span<const std::byte>(buffer).first(std::min<std::size_t>(size, buffer.size())));
  if (text.size() > kValueChars)
    text.resize(kValueChars);
  return utf16ToUtf8(text);
}

}  // namespace

std::string LoadMessageText(platform::MessageFiles& files, std::string_view FileName,
                            std::uint32_t MessageID, std::string_view Inserts) {
  // Every insertion string keeps its number, empty ones included, with one
  // more empty string after them; no strings at all pass no argument array.
  std::vector<std::string> arguments;
  if (!Inserts.empty()) {
    arguments = splitAtCarriageReturns(Inserts);
    arguments.emplace_back();
  }
  if (!files.fileExists(FileName))
    return {};
  platform::MessageRequest request;
  request.id = MessageID;
  request.language = platform::kLangUserDefault;
  request.arguments = Inserts.empty() ? nullptr : &arguments;
  request.bufferChars = kMessageBufferChars;
  const auto text = files.formatMessage(FileName, request);
  if (!text || text->empty())
    return {};
  return trimmed(*text);
}

std::string ApplyInsertionStrings(std::string_view Text, std::string_view Inserts) {
  if (Text.empty())
    return std::string(Inserts);
  std::string text(Text);
  const std::vector<std::string> pieces = splitAtCarriageReturns(Inserts);
  for (std::size_t k = 1; k <= pieces.size(); ++k) {
    const std::string marker = "%" + std::to_string(k);
    // A marker is a whole number: "%1" is not the start of "%10".
    std::size_t at = text.find(marker);
    while (at != std::string::npos && at + marker.size() < text.size() &&
           text[at + marker.size()] >= '0' && text[at + marker.size()] <= '9') {
      at = text.find(marker, at + 1);
    }
    if (at != std::string::npos)
      text.replace(at, marker.size(), pieces[k - 1]);
  }
  std::string out;
  out.reserve(text.size());
  for (std::size_t i = 0; i < text.size();) {
    if (text.compare(i, 4, "\r\n\r\n") == 0) {
      out += "\r\n";
      i += 4;
    } else {
      out += text[i++];
    }
  }
  return out;
}

std::string ExpandMessageFilePath(std::string_view text, platform::MessageFiles& files) {
  std::string path(text);
  for (const std::string& entry : files.environment()) {
    const std::size_t equals = entry.find('=');
    if (equals == std::string::npos || equals == 0)
      continue;  // entries beginning with "=" are no variables
    const std::string_view name = std::string_view(entry).substr(0, equals);
    if (trimmed(name).empty())
      continue;
    const std::string_view value = std::string_view(entry).substr(equals + 1);
    std::string reference = "%" + std::string(name) + "%";
    std::size_t at = findIgnoreCase(path, reference);
    if (at == std::string::npos) {
      reference = "\\" + std::string(name);
      at = findIgnoreCase(path, reference);
    }
    if (at == std::string::npos)
      continue;
    path.replace(at, reference.size(), value);
    if (!files.fileExists(path)) {
      const std::size_t x86 = findIgnoreCase(path, " (x86)");
      if (x86 != std::string::npos)
        path.erase(x86, 6);
    }
  }
  return path;
}

std::vector<std::string> SplitMessageFileList(std::string_view text) {
  std::vector<std::string> pieces;
  std::string piece;
  bool quoted = false;
  for (const char c : text) {
    if (c == '"') {
      quoted = !quoted;
    } else if (c == ';' && !quoted) {
      if (!piece.empty())
        pieces.push_back(std::move(piece));
      piece.clear();
    } else {
      piece += c;
    }
  }
  if (!piece.empty())
    pieces.push_back(std::move(piece));
  return pieces;
}

std::string ApplyParameterMessages(platform::MessageFiles& files, std::string_view text,
                                   std::string_view parameterFile) {
  if (parameterFile.empty() || text.find("%%") == std::string_view::npos)
    return std::string(text);
  const std::vector<std::string> pieces = SplitMessageFileList(parameterFile);
  std::string out;
  for (std::size_t i = 0; i < text.size();) {
    std::size_t digits = i + 2;
    while (digits < text.size() && digits - i < 12 && text[digits] >= '0' && text[digits] <= '9')
      ++digits;
    if (text.compare(i, 2, "%%") == 0 && digits > i + 2) {
      const std::uint64_t id = std::stoull(std::string(text.substr(i + 2, digits - i - 2)));
      std::string replacement;
      if (id <= 0xFFFFFFFF) {
        for (const std::string& file : pieces) {
          replacement = LoadMessageText(files, file, static_cast<std::uint32_t>(id), {});
          if (!replacement.empty())
            break;
        }
      }
      if (!replacement.empty()) {
        out += replacement;
        i = digits;
        continue;
      }
    }
    out += text[i++];
  }
  return out;
}

void ExpandRecordMessages(TLogRecord& record, std::span<const std::byte> rawRecord,
                          MessageExpansionContext& context) {
  if (context.registry == nullptr || context.files == nullptr || context.hkLM == nullptr)
    return;
  platform::Registry& registry = *context.registry;
  if (*context.hkLM == platform::kNoKey) {
    platform::RegKey key = platform::kNoKey;
    std::string machine = context.machine;
    if (!machine.empty() && machine.find("\\\\") == std::string::npos)
      machine = "\\\\" + machine;
    if (registry.connect(machine, platform::kHKeyLocalMachine, key) != platform::kErrorSuccess) {
      return;
    }
    *context.hkLM = key;
  }
  platform::RegKey sourceKey = platform::kNoKey;
  if (registry.openKey(*context.hkLM,
                       "SYSTEM\\CurrentControlSet\\Services\\EventLog\\" + context.sourceName +
                           "\\" + record.Source,
                       platform::kKeyRead, sourceKey) != platform::kErrorSuccess) {
    return;
  }
  const std::string messageFiles = ExpandMessageFilePath(
      readMessageFileValue(registry, sourceKey, "EventMessageFile"), *context.files);
  const std::string categoryFiles = ExpandMessageFilePath(
      readMessageFileValue(registry, sourceKey, "CategoryMessageFile"), *context.files);
  const std::string parameterFiles = ExpandMessageFilePath(
      readMessageFileValue(registry, sourceKey, "ParameterMessageFile"), *context.files);
  registry.closeKey(sourceKey);

  const ByteReader raw(rawRecord);
  const std::uint32_t eventId = raw.u32(kEventIdOffset).value_or(0);
  const std::uint16_t category = raw.u16(kEventCategoryOffset).value_or(0);
  const std::string inserts = joinedInsertionStrings(raw);

  for (const std::string& piece : SplitMessageFileList(categoryFiles)) {
    try {
      std::string text = trimmed(LoadMessageText(*context.files, piece, category, inserts));
      if (!text.empty())
        record.Category = std::move(text);
    } catch (const std::exception&) {
      // This piece contributes nothing; the next one is tried.
    }
  }
  for (const std::string& piece : SplitMessageFileList(messageFiles)) {
    try {
      const std::string message = LoadMessageText(*context.files, piece, eventId, inserts);
      std::string text = ApplyInsertionStrings(message, inserts);
      if (!text.empty())
        record.Description = ApplyParameterMessages(*context.files, text, parameterFiles);
    } catch (const std::exception&) {
      // As above.
    }
  }
}

}  // namespace tallyvane
