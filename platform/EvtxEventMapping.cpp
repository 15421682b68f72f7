#include "platform/EvtxEventMapping.h"

#include <algorithm>
#include <charconv>
#include <limits>

#include "platform/Accounts.h"
#include "platform/Unicode.h"

namespace tallyvane::platform {

namespace {

// A small XML tree: enough for the event XML the .evtx parser renders. Names
// lose their namespace prefix; text is the entity-decoded character data of
// the element itself (not of its children).
struct XmlNode {
  std::string name;
  std::vector<std::pair<std::string, std::string>> attributes;
  std::string text;
  std::vector<XmlNode> children;

  const XmlNode* child(std::string_view local) const {
    for (const auto& c : children)
      if (c.name == local)
        return &c;
    return nullptr;
  }
  const std::string* attribute(std::string_view local) const {
    for (const auto& [key, value] : attributes)
      if (key == local)
        return &value;
    return nullptr;
  }
};

// A character reference's code point as UTF-8; one no character stands for
// becomes U+FFFD.
void appendReferenced(std::string& out, std::uint32_t cp) {
  if (cp == 0 || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF))
    cp = 0xFFFD;
  appendUtf8(out, cp);
}

// Appends `text` with its character and entity references replaced. An
// unknown or malformed reference stays as written.
void appendDecoded(std::string& out, std::string_view text) {
  std::size_t i = 0;
  while (i < text.size()) {
    const char c = text[i];
    if (c != '&') {
      out += c;
      ++i;
      continue;
    }
    const std::size_t semi = text.find(';', i);
    if (semi == std::string_view::npos || semi - i > 12) {
      out += c;
      ++i;
      continue;
    }
    const std::string_view ref = text.substr(i + 1, semi - i - 1);
    bool known = true;
    if (ref == "lt") {
      out += '<';
    } else if (ref == "gt") {
      out += '>';
    } else if (ref == "amp") {
      out += '&';
    } else if (ref == "quot") {
      out += '"';
    } else if (ref == "apos") {
      out += '\'';
    } else if (ref.size() > 1 && ref[0] == '#') {
      const bool hex = ref[1] == 'x' || ref[1] == 'X';
      const std::string_view digits = ref.substr(hex ? 2 : 1);
      std::uint32_t cp = 0;
      const auto [end, ec] =
          std::from_chars(digits.data(), digits.data() + digits.size(), cp, hex ? 16 : 10);
      known = ec == std::errc() && end == digits.data() + digits.size() && !digits.empty();
      if (known)
        appendReferenced(out, cp);
    } else {
      known = false;
    }
    if (known) {
      i = semi + 1;
    } else {
      out += c;
      ++i;
    }
  }
}

std::string_view localName(std::string_view name) {
  const std::size_t colon = name.find(':');
  return colon == std::string_view::npos ? name : name.substr(colon + 1);
}

bool isSpace(char c) {
  return c == ' ' || c == '\t' || c == '\r' || c == '\n';
}

// A forgiving parser: it never reads outside the text, limits the nesting, and
// on malformed input keeps what it has read so far.
class XmlParser {
 public:
  explicit XmlParser(std::string_view text) : s_(text) {}

  // The first element of the document, or nothing.
  std::optional<XmlNode> parseDocument() {
    while (pos_ < s_.size()) {
      const std::size_t lt = s_.find('<', pos_);
      if (lt == std::string_view::npos)
        return std::nullopt;
      pos_ = lt;
      if (skipMarkup())
        continue;
      // A document cut short still gives the elements read before the cut.
      XmlNode root;
      parseElement(root, 0);
      if (root.name.empty())
        return std::nullopt;
      return root;
    }
    return std::nullopt;
  }

 private:
  static constexpr int kMaxDepth = 64;

  bool startsWith(std::string_view prefix) const { return s_.substr(pos_).starts_with(prefix); }

  // Skips a declaration, processing instruction, comment or DOCTYPE at pos_.
  bool skipMarkup() {
    auto skipTo = [&](std::string_view end) {
      const std::size_t at = s_.find(end, pos_);
      pos_ = at == std::string_view::npos ? s_.size() : at + end.size();
      return true;
    };
    if (startsWith("<?"))
      return skipTo("?>");
    if (startsWith("<!--"))
      return skipTo("-->");
    if (startsWith("<!") && !startsWith("<![CDATA["))
      return skipTo(">");
    return false;
  }

  std::string_view readName() {
    const std::size_t begin = pos_;
    while (pos_ < s_.size() && !isSpace(s_[pos_]) && s_[pos_] != '/' && s_[pos_] != '>' &&
           s_[pos_] != '=' && s_[pos_] != '<')
      ++pos_;
    return s_.substr(begin, pos_ - begin);
  }

  void skipSpace() {
    while (pos_ < s_.size() && isSpace(s_[pos_]))
      ++pos_;
  }

  // Parses the element whose '<' is at pos_. False on input too broken to go on.
  bool parseElement(XmlNode& node, int depth) {
    if (depth > kMaxDepth)
      return false;
    ++pos_;  // '<'
    const std::string_view name = readName();
    if (name.empty())
      return false;
    node.name = std::string(localName(name));
    for (;;) {
      skipSpace();
      if (pos_ >= s_.size())
        return false;
      if (s_[pos_] == '>') {
        ++pos_;
        break;
      }
      if (startsWith("/>")) {
        pos_ += 2;
        return true;
      }
      const std::string_view key = readName();
      if (key.empty())
        return false;
      skipSpace();
      std::string value;
      if (pos_ < s_.size() && s_[pos_] == '=') {
        ++pos_;
        skipSpace();
        if (pos_ >= s_.size())
          return false;
        const char quote = s_[pos_];
        if (quote != '"' && quote != '\'')
          return false;
        const std::size_t end = s_.find(quote, pos_ + 1);
        if (end == std::string_view::npos)
          return false;
        appendDecoded(value, s_.substr(pos_ + 1, end - pos_ - 1));
        pos_ = end + 1;
      }
      node.attributes.emplace_back(std::string(localName(key)), std::move(value));
    }
    // Content up to the matching end tag.
    while (pos_ < s_.size()) {
      const std::size_t lt = s_.find('<', pos_);
      const std::size_t textEnd = lt == std::string_view::npos ? s_.size() : lt;
      appendDecoded(node.text, s_.substr(pos_, textEnd - pos_));
      pos_ = textEnd;
      if (pos_ >= s_.size())
        return false;
      if (startsWith("</")) {
        const std::size_t gt = s_.find('>', pos_);
        pos_ = gt == std::string_view::npos ? s_.size() : gt + 1;
        return true;
      }
      if (startsWith("<![CDATA[")) {
        const std::size_t end = s_.find("]]>", pos_);
        const std::size_t stop = end == std::string_view::npos ? s_.size() : end;
        node.text.append(s_.substr(pos_ + 9, stop - std::min(stop, pos_ + 9)));
        pos_ = end == std::string_view::npos ? s_.size() : end + 3;
        continue;
      }
      if (skipMarkup())
        continue;
      XmlNode child;
      const bool ok = parseElement(child, depth + 1);
      node.children.push_back(std::move(child));
      if (!ok)
        return false;
    }
    return false;
  }

  std::string_view s_;
  std::size_t pos_ = 0;
};

// The same for UTF-8 text and for UTF-16 text (the .evtx parser's).
template <typename Char>
std::basic_string_view<Char> trimSpaceOf(std::basic_string_view<Char> text) {
  auto space = [](Char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n'; };
  while (!text.empty() && space(text.front()))
    text.remove_prefix(1);
  while (!text.empty() && space(text.back()))
    text.remove_suffix(1);
  return text;
}

std::string_view trimSpace(std::string_view text) {
  return trimSpaceOf(text);
}

// A decimal or "0x" hexadecimal unsigned number, white space around it
// allowed; nothing for a sign, another character or more than 64 bits.
template <typename Char>
std::optional<std::uint64_t> parseUnsignedOf(std::basic_string_view<Char> text) {
  text = trimSpaceOf(text);
  std::uint64_t base = 10;
  if (text.size() > 2 && text[0] == '0' && (text[1] == 'x' || text[1] == 'X')) {
    text.remove_prefix(2);
    base = 16;
  }
  if (text.empty())
    return std::nullopt;
  std::uint64_t value = 0;
  for (const Char c : text) {
    std::uint64_t digit = 0;
    if (c >= '0' && c <= '9')
      digit = static_cast<std::uint64_t>(c - '0');
    else if (base == 16 && c >= 'a' && c <= 'f')
      digit = static_cast<std::uint64_t>(c - 'a' + 10);
    else if (base == 16 && c >= 'A' && c <= 'F')
      digit = static_cast<std::uint64_t>(c - 'A' + 10);
    else
      return std::nullopt;
    if (value > (std::numeric_limits<std::uint64_t>::max() - digit) / base)
      return std::nullopt;  // too large
    value = value * base + digit;
  }
  return value;
}

std::optional<std::uint64_t> parseUnsigned(std::string_view text) {
  return parseUnsignedOf(text);
}

std::optional<std::uint64_t> childNumber(const XmlNode* parent, std::string_view name) {
  if (parent == nullptr)
    return std::nullopt;
  const XmlNode* node = parent->child(name);
  if (node == nullptr)
    return std::nullopt;
  return parseUnsigned(node->text);
}

// Days from 1970-01-01 to a date of the proleptic Gregorian calendar.
std::int64_t daysFromCivil(std::int64_t y, unsigned m, unsigned d) {
  y -= m <= 2;
  const std::int64_t era = (y >= 0 ? y : y - 399) / 400;
  const auto yoe = static_cast<unsigned>(y - era * 400);
  const unsigned doy = (153 * (m + (m > 2 ? -3 : 9)) + 2) / 5 + d - 1;
  const unsigned doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
  return era * 146097 + static_cast<std::int64_t>(doe) - 719468;
}

std::uint32_t clampSeconds(std::int64_t seconds) {
  if (seconds < 0)
    return 0;
  if (seconds > std::numeric_limits<std::uint32_t>::max())
    return std::numeric_limits<std::uint32_t>::max();
  return static_cast<std::uint32_t>(seconds);
}

// The text of every leaf element below `node`, in document order.
void collectLeafTexts(const XmlNode& node, std::vector<std::string>& out, int depth = 0) {
  if (depth > 64)
    return;
  for (const auto& child : node.children) {
    if (child.children.empty())
      out.push_back(child.text);
    else
      collectLeafTexts(child, out, depth + 1);
  }
}

}  // namespace

std::uint16_t evtxEventType(std::uint8_t level, std::uint64_t keywords) {
  if ((keywords & kEvtxKeywordAuditFailure) != 0)
    return kEventLogAuditFailure;
  if ((keywords & kEvtxKeywordAuditSuccess) != 0)
    return kEventLogAuditSuccess;
  switch (level) {
    case 1:  // critical
    case 2:
      return kEventLogErrorType;
    case 3:
      return kEventLogWarningType;
    default:
      return kEventLogInformationType;
  }
}

std::optional<std::uint32_t> evtxXmlTimeToUnix(std::string_view text) {
  text = trimSpace(text);
  // YYYY-MM-DDTHH:MM:SS, then an optional fraction and zone designator.
  if (text.size() < 19)
    return std::nullopt;
  auto number = [&](std::size_t at, std::size_t len) -> std::optional<int> {
    int value = 0;
    for (std::size_t i = at; i < at + len; ++i) {
      if (text[i] < '0' || text[i] > '9')
        return std::nullopt;
      value = value * 10 + (text[i] - '0');
    }
    return value;
  };
  if (text[4] != '-' || text[7] != '-' || (text[10] != 'T' && text[10] != ' ') || text[13] != ':' ||
      text[16] != ':')
    return std::nullopt;
  const auto year = number(0, 4), month = number(5, 2), day = number(8, 2);
  const auto hour = number(11, 2), minute = number(14, 2), second = number(17, 2);
  if (!year || !month || !day || !hour || !minute || !second)
    return std::nullopt;
  if (*month < 1 || *month > 12 || *day < 1 || *day > 31 || *hour > 23 || *minute > 59 ||
      *second > 60)
    return std::nullopt;
  const std::int64_t days =
      daysFromCivil(*year, static_cast<unsigned>(*month), static_cast<unsigned>(*day));
  return clampSeconds(days * 86400 + *hour * 3600 + *minute * 60 + *second);
}

std::uint32_t fileTimeToUnixSeconds(std::uint64_t fileTime) {
  constexpr std::int64_t kEpochDifference = 11644473600;  // 1601-01-01 to 1970-01-01
  return clampSeconds(static_cast<std::int64_t>(fileTime / 10000000) - kEpochDifference);
}

std::vector<std::byte> sidFromText(std::string_view text) {
  text = trimSpace(text);
  if (!(text.starts_with("S-1-") || text.starts_with("s-1-")))
    return {};
  text.remove_prefix(4);
  std::vector<std::string_view> parts;
  while (true) {
    const std::size_t dash = text.find('-');
    parts.push_back(text.substr(0, dash));
    if (dash == std::string_view::npos)
      break;
    text.remove_prefix(dash + 1);
  }
  // The authority, then at most 15 sub-authorities.
  if (parts.empty() || parts.size() > 16)
    return {};
  const auto authority = parseUnsigned(parts[0]);
  if (!authority || *authority > 0xFFFFFFFFFFFFULL)
    return {};
  std::vector<std::uint32_t> subs;
  for (std::size_t i = 1; i < parts.size(); ++i) {
    if (parts[i].empty() || parts[i].starts_with("0x") || parts[i].starts_with("0X"))
      return {};
    const auto sub = parseUnsigned(parts[i]);
    if (!sub || *sub > 0xFFFFFFFFULL)
      return {};
    subs.push_back(static_cast<std::uint32_t>(*sub));
  }
  return makeSid(*authority, subs);
}

std::vector<std::byte> bytesFromHex(std::string_view text) {
  text = trimSpace(text);
  if (text.size() % 2 != 0)
    return {};
  auto nibble = [](char c) -> int {
    if (c >= '0' && c <= '9')
      return c - '0';
    if (c >= 'A' && c <= 'F')
      return c - 'A' + 10;
    if (c >= 'a' && c <= 'f')
      return c - 'a' + 10;
    return -1;
  };
  std::vector<std::byte> out;
  out.reserve(text.size() / 2);
  for (std::size_t i = 0; i < text.size(); i += 2) {
    const int hi = nibble(text[i]), lo = nibble(text[i + 1]);
    if (hi < 0 || lo < 0)
      return {};
    out.push_back(static_cast<std::byte>(hi * 16 + lo));
  }
  return out;
}

std::optional<std::uint64_t> parseEvtxUnsigned(std::string_view text) {
  return parseUnsigned(text);
}

std::string_view trimEvtxSpace(std::string_view text) {
  return trimSpace(text);
}

std::optional<std::uint64_t> parseEvtxUnsigned(std::u16string_view text) {
  return parseUnsignedOf(text);
}

std::u16string_view trimEvtxSpace(std::u16string_view text) {
  return trimSpaceOf(text);
}

EvtxEvent mapEvtxEvent(const EvtxEventValues& v) {
  EvtxEventParts parts;
  std::optional<XmlNode> root;
  if (!v.xml.empty())
    root = XmlParser(v.xml).parseDocument();
  if (!root)
    return mapEvtxEventParts(std::move(parts), v);
  parts.hasRoot = true;
  if (const XmlNode* system = root->child("System")) {
    parts.hasSystem = true;
    parts.eventId = childNumber(system, "EventID");
    if (const XmlNode* node = system->child("EventID")) {
      if (const std::string* q = node->attribute("Qualifiers"))
        parts.qualifiers = parseUnsigned(*q);
    }
    parts.level = childNumber(system, "Level");
    parts.keywords = childNumber(system, "Keywords");
    parts.task = childNumber(system, "Task");
    parts.eventRecordId = childNumber(system, "EventRecordID");
    if (const XmlNode* provider = system->child("Provider")) {
      parts.hasProvider = true;
      if (const std::string* name = provider->attribute("Name"))
        parts.providerName = *name;
      if (const std::string* name = provider->attribute("EventSourceName"))
        parts.eventSourceName = *name;
    }
    if (const XmlNode* computer = system->child("Computer"))
      parts.computer = std::string(trimSpace(computer->text));
    if (const XmlNode* channel = system->child("Channel"))
      parts.channel = std::string(trimSpace(channel->text));
    if (const XmlNode* security = system->child("Security")) {
      if (const std::string* sid = security->attribute("UserID"))
        parts.userSid = sidFromText(*sid);
    }
    if (const XmlNode* node = system->child("TimeCreated")) {
      if (const std::string* t = node->attribute("SystemTime"))
        parts.timeCreated = evtxXmlTimeToUnix(*t);
    }
  }
  if (const XmlNode* eventData = root->child("EventData")) {
    parts.hasBody = true;
    for (const auto& item : eventData->children) {
      if (item.name == "Binary") {
        const auto bytes = bytesFromHex(item.text);
        parts.data.insert(parts.data.end(), bytes.begin(), bytes.end());
      } else if (item.name == "Data" || item.name == "ComplexData") {
        parts.strings.push_back(item.text);
      }
    }
  } else if (const XmlNode* userData = root->child("UserData")) {
    parts.hasBody = true;
    for (const auto& body : userData->children)
      collectLeafTexts(body, parts.strings);
  }
  return mapEvtxEventParts(std::move(parts), v);
}

void mapEvtxSystemNumbers(const EvtxSystemNumbers& p, const EvtxEventValues& v,
                          EventLogRecordFields& f) {
  // Event identifier and its qualifiers, as the classic API joins them.
  std::optional<std::uint64_t> id = p.eventId;
  std::optional<std::uint64_t> qualifiers = p.qualifiers;
  if (!id && v.eventIdentifier)
    id = *v.eventIdentifier;
  if (!qualifiers && v.qualifiers)
    qualifiers = *v.qualifiers;
  if (id) {
    f.eventId = qualifiers
                    ? static_cast<std::uint32_t>(((*qualifiers & 0xFFFF) << 16) | (*id & 0xFFFF))
                    : static_cast<std::uint32_t>(*id);
  }

  std::optional<std::uint64_t> level = p.level;
  if (!level && v.level)
    level = *v.level;
  f.eventType =
      evtxEventType(static_cast<std::uint8_t>(level.value_or(0) & 0xFF), p.keywords.value_or(0));
  f.eventCategory = static_cast<std::uint16_t>(p.task.value_or(0) & 0xFFFF);

  // Times: generated is the creation time, written the record's written time.
  const std::optional<std::uint32_t> written =
      v.writtenTime ? std::optional(fileTimeToUnixSeconds(*v.writtenTime)) : std::nullopt;
  f.timeGenerated = p.timeCreated.value_or(written.value_or(0));
  f.timeWritten = written.value_or(f.timeGenerated);
}

EvtxEvent mapEvtxEventParts(EvtxEventParts p, const EvtxEventValues& v) {
  EvtxEvent event;
  auto& f = event.fields;
  event.headerIdentifier = v.identifier;
  mapEvtxSystemNumbers(p, v, f);

  // Source: the provider's event source name where it has one.
  if (p.eventSourceName && !p.eventSourceName->empty())
    f.sourceName = std::move(*p.eventSourceName);
  else if (p.providerName)
    f.sourceName = std::move(*p.providerName);
  if (f.sourceName.empty())
    f.sourceName = v.sourceName;

  if (p.computer)
    f.computerName = std::move(*p.computer);
  if (f.computerName.empty())
    f.computerName = v.computerName;
  f.userSid = std::move(p.userSid);
  if (f.userSid.empty() && !v.userSid.empty())
    f.userSid = sidFromText(v.userSid);
  if (p.channel)
    event.channel = std::move(*p.channel);
  event.eventRecordId = p.eventRecordId;

  // Insertion strings and binary data.
  if (p.hasRoot) {
    f.strings = std::move(p.strings);
    f.data = std::move(p.data);
  } else {
    f.strings = v.strings;
  }
  // NumStrings is 16 bits wide.
  if (f.strings.size() > 0xFFFF)
    f.strings.resize(0xFFFF);
  return event;
}

EvtxLaidOutEvents layOutEvtxEvents(std::vector<EvtxEvent> events) {
  EvtxLaidOutEvents out;
  auto bytes = std::make_shared<std::vector<std::byte>>();
  std::vector<std::size_t> starts;
  starts.reserve(events.size());
  out.keys.reserve(events.size());
  for (const auto& e : events) {
    starts.push_back(bytes->size());
    appendEventLogRecord(e.fields, *bytes);
    EvtxRecordKey key{e.eventRecordId, e.headerIdentifier, 0};
    if (!e.channel.empty()) {
      const auto found = std::find(out.channels.begin(), out.channels.end(), e.channel);
      key.channel = static_cast<std::uint32_t>(found - out.channels.begin());
      if (found == out.channels.end())
        out.channels.push_back(e.channel);
    }
    out.keys.push_back(key);
  }
  out.records.reserve(events.size());
  for (std::size_t i = 0; i < starts.size(); ++i) {
    const std::size_t next = i + 1 < starts.size() ? starts[i + 1] : bytes->size();
    out.records.emplace_back(bytes->data() + starts[i], next - starts[i]);
  }
  out.owner = std::move(bytes);
  return out;
}

}  // namespace tallyvane::platform
