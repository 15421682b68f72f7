#include "platform/MessageTable.h"

#include <algorithm>
#include <cstdlib>
#include <fstream>
#include <map>
#include <system_error>

#include "platform/ByteReader.h"
#include "platform/PeResources.h"
#include "platform/Unicode.h"

namespace tallyvane::platform {

namespace {

constexpr std::uint16_t kEntryUnicode = 0x0001;
constexpr std::uint16_t kEntryUtf8 = 0x0002;
constexpr std::uint64_t kBlockSize = 12;
constexpr std::uint64_t kEntryHeaderSize = 4;

// Windows-1252 at 0x80 to 0x9F; the rest of the code page is Latin-1.
constexpr char16_t kCp1252High[32] = {
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
    0x2039, 0x0152, 0x008D, 0x017D, 0x008F, 0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
    0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178};

std::u16string entryText(std::span<const std::byte> text, std::uint16_t flags) {
  std::u16string out;
  if (flags & kEntryUnicode)
    return readUtf16z(text);
  std::string bytes;
  for (const std::byte b : text) {
    if (b == std::byte{0})
      break;
    bytes.push_back(static_cast<char>(b));
  }
  if (flags & kEntryUtf8)
    return utf8ToUtf16(bytes);
  out.reserve(bytes.size());
  for (const char c : bytes) {
    const auto u = static_cast<unsigned char>(c);
    out.push_back(u >= 0x80 && u < 0xA0 ? kCp1252High[u - 0x80] : static_cast<char16_t>(u));
  }
  return out;
}

struct Block {
  std::uint32_t low = 0;
  std::uint32_t high = 0;
  std::uint32_t offset = 0;
};

std::vector<Block> readBlocks(const ByteReader& reader) {
  std::vector<Block> blocks;
  const auto count = reader.u32(0);
  if (!count)
    return blocks;
  for (std::uint64_t i = 0; i < *count; ++i) {
    const std::uint64_t at = 4 + i * kBlockSize;
    const auto low = reader.u32(at);
    const auto high = reader.u32(at + 4);
    const auto offset = reader.u32(at + 8);
    if (!low || !high || !offset)
      break;
    if (*low <= *high)
      blocks.push_back({*low, *high, *offset});
  }
  return blocks;
}

// Walks the entries of `block` from its first ID; `visit(id, text bytes,
// flags)` returns false to stop.
template <typename Visit>
void walkBlock(const ByteReader& reader, const Block& block, std::uint32_t lastId, Visit&& visit) {
  std::uint64_t at = block.offset;
  for (std::uint64_t id = block.low; id <= std::min(block.high, lastId); ++id) {
    const auto length = reader.u16(at);
    const auto flags = reader.u16(at + 2);
    if (!length || !flags || *length < kEntryHeaderSize)
      return;
    const auto text = reader.slice(at + kEntryHeaderSize, *length - kEntryHeaderSize);
    if (!text)
      return;
    if (!visit(static_cast<std::uint32_t>(id), *text, *flags))
      return;
    at += *length;
  }
}

struct LanguageName {
  std::uint16_t id;
  const char* name;
};

// The languages Windows ships message files in.
constexpr LanguageName kLanguages[] = {
    {0x0401, "ar-SA"}, {0x0402, "bg-BG"}, {0x0403, "ca-ES"}, {0x0404, "zh-TW"},
    {0x0405, "cs-CZ"}, {0x0406, "da-DK"}, {0x0407, "de-DE"}, {0x0408, "el-GR"},
    {0x0409, "en-US"}, {0x040A, "es-ES"}, {0x040B, "fi-FI"}, {0x040C, "fr-FR"},
    {0x040D, "he-IL"}, {0x040E, "hu-HU"}, {0x0410, "it-IT"}, {0x0411, "ja-JP"},
    {0x0412, "ko-KR"}, {0x0413, "nl-NL"}, {0x0414, "nb-NO"}, {0x0415, "pl-PL"},
    {0x0416, "pt-BR"}, {0x0418, "ro-RO"}, {0x0419, "ru-RU"}, {0x041A, "hr-HR"},
    {0x041B, "sk-SK"}, {0x041D, "sv-SE"}, {0x041E, "th-TH"}, {0x041F, "tr-TR"},
    {0x0422, "uk-UA"}, {0x0424, "sl-SI"}, {0x0425, "et-EE"}, {0x0426, "lv-LV"},
    {0x0427, "lt-LT"}, {0x0804, "zh-CN"}, {0x0807, "de-CH"}, {0x0809, "en-GB"},
    {0x080A, "es-MX"}, {0x080C, "fr-BE"}, {0x0816, "pt-PT"}, {0x081A, "sr-Latn-CS"},
    {0x0C07, "de-AT"}, {0x0C09, "en-AU"}, {0x0C0A, "es-ES"}, {0x0C0C, "fr-CA"},
    {0x1009, "en-CA"},
};

std::uint16_t primaryLanguage(std::uint16_t language) {
  return language & 0x3FF;
}

std::optional<std::vector<std::byte>> readWholeFile(const std::filesystem::path& path) {
  std::ifstream in(path, std::ios::binary | std::ios::ate);
  if (!in)
    return std::nullopt;
  const std::streamoff size = in.tellg();
  if (size < 0)
    return std::nullopt;
  std::vector<std::byte> bytes(static_cast<std::size_t>(size));
  in.seekg(0);
  if (size > 0 && !in.read(reinterpret_cast<char*>(bytes.data()), size))
    return std::nullopt;
  return bytes;
}

// `name` in `folder`, its case as the folder spells it (file systems other
// than Windows' compare names exactly).
std::optional<std::filesystem::path> findInFolder(const std::filesystem::path& folder,
                                                  std::string_view name) {
  std::error_code ec;
  const std::filesystem::path exact = folder / std::filesystem::path(std::string(name));
  if (std::filesystem::is_regular_file(exact, ec))
    return exact;
  for (std::filesystem::directory_iterator it(folder, ec), end; !ec && it != end;
       it.increment(ec)) {
    if (equalsIgnoreAsciiCase(it->path().filename().string(), name))
      return it->path();
  }
  return std::nullopt;
}

}  // namespace

std::optional<std::u16string> findMessageInTable(std::span<const std::byte> table,
                                                 std::uint32_t id) {
  const ByteReader reader(table);
  for (const Block& block : readBlocks(reader)) {
    if (id < block.low || id > block.high)
      continue;
    std::optional<std::u16string> found;
    walkBlock(reader, block, id,
              [&](std::uint32_t at, std::span<const std::byte> text, std::uint16_t flags) {
                if (at == id)
                  found = entryText(text, flags);
                return true;
              });
    return found;
  }
  return std::nullopt;
}

std::vector<MessageEntry> readMessageTable(std::span<const std::byte> table) {
  std::vector<MessageEntry> entries;
  const ByteReader reader(table);
  for (const Block& block : readBlocks(reader)) {
    walkBlock(reader, block, block.high,
              [&](std::uint32_t id, std::span<const std::byte> text, std::uint16_t flags) {
                entries.push_back({id, entryText(text, flags)});
                return true;
              });
  }
  return entries;
}

std::optional<std::uint16_t> languageIdFromName(std::string_view name) {
  // "de_DE.UTF-8@euro" and "de-DE" name the same language.
  name = name.substr(0, name.find_first_of(".@"));
  std::string wanted(name);
  std::replace(wanted.begin(), wanted.end(), '_', '-');
  for (const LanguageName& l : kLanguages) {
    if (equalsIgnoreAsciiCase(wanted, l.name))
      return l.id;
  }
  // A language alone ("de") or a country we do not list ("de-LU"): the
  // language's first entry above.
  const std::string language = wanted.substr(0, wanted.find('-'));
  for (const LanguageName& l : kLanguages) {
    const std::string_view listed(l.name);
    if (equalsIgnoreAsciiCase(language, listed.substr(0, listed.find('-'))))
      return l.id;
  }
  return std::nullopt;
}

std::string languageNameFromId(std::uint16_t language) {
  for (const LanguageName& l : kLanguages) {
    if (l.id == language)
      return l.name;
  }
  return {};
}

LanguagePreferences processLanguagePreferences() {
  LanguagePreferences preferences;
  for (const char* variable : {"LC_ALL", "LC_MESSAGES", "LANG"}) {
    const char* value = std::getenv(variable);
    if (value == nullptr || *value == '\0')
      continue;
    if (const auto id = languageIdFromName(value))
      preferences.user = preferences.system = *id;
    break;
  }
  return preferences;
}

void MessageFile::addTables(std::shared_ptr<const std::vector<std::byte>> file) {
  for (const PeResource& resource : findPeResources(*file, kRtMessageTable))
    tables_.push_back({resource.language, resource.data});
  files_.push_back(std::move(file));
}

MessageFile MessageFile::fromBytes(std::vector<std::byte> bytes) {
  MessageFile file;
  file.addTables(std::make_shared<const std::vector<std::byte>>(std::move(bytes)));
  return file;
}

std::optional<MessageFile> MessageFile::open(const std::filesystem::path& path,
                                             const LanguagePreferences& preferences) {
  auto bytes = readWholeFile(path);
  if (!bytes)
    return std::nullopt;
  const ByteReader reader(*bytes);
  if (reader.u16(0) != 0x5A4D)
    return std::nullopt;
  MessageFile file = fromBytes(std::move(*bytes));

  // The satellite of the user's language, else of the system's, else of
  // English, else the first language folder that has one.
  const std::filesystem::path folder = path.parent_path();
  const std::string satelliteName = path.filename().string() + ".mui";
  std::vector<std::string> candidates;
  for (const std::uint16_t id : {preferences.user, preferences.system, kLangEnglishUs}) {
    if (std::string name = languageNameFromId(id); !name.empty())
      candidates.push_back(std::move(name));
  }
  std::error_code ec;
  std::vector<std::string> others;
  for (std::filesystem::directory_iterator it(folder.empty() ? "." : folder, ec), end;
       !ec && it != end; it.increment(ec)) {
    if (it->is_directory(ec))
      others.push_back(it->path().filename().string());
  }
  std::sort(others.begin(), others.end());
  candidates.insert(candidates.end(), others.begin(), others.end());
  for (const std::string& language : candidates) {
    const auto languageFolder = findInFolder(folder.empty() ? "." : folder, language);
    if (!languageFolder || !std::filesystem::is_directory(*languageFolder, ec))
      continue;
    const auto satellite = findInFolder(*languageFolder, satelliteName);
    if (!satellite)
      continue;
    auto satelliteBytes = readWholeFile(*satellite);
    if (!satelliteBytes || findPeResources(*satelliteBytes, kRtMessageTable).empty())
      continue;
    file.addTables(std::make_shared<const std::vector<std::byte>>(std::move(*satelliteBytes)));
    file.satellite_ = *satellite;
    break;
  }
  return file;
}

std::vector<std::uint16_t> MessageFile::languages() const {
  std::vector<std::uint16_t> out;
  for (const Table& t : tables_) {
    if (std::find(out.begin(), out.end(), t.language) == out.end())
      out.push_back(t.language);
  }
  return out;
}

std::optional<std::uint16_t> MessageFile::chooseLanguage(
    std::uint16_t language, const LanguagePreferences& preferences) const {
  const auto has = [&](std::uint16_t wanted) {
    return std::any_of(tables_.begin(), tables_.end(),
                       [&](const Table& t) { return t.language == wanted; });
  };
  if (primaryLanguage(language) != 0) {
    if (has(language))
      return language;
    return std::nullopt;
  }
  for (const std::uint16_t wanted :
       {preferences.user, primaryLanguage(preferences.user), kLangNeutral, preferences.system,
        primaryLanguage(preferences.system), kLangEnglishUs, primaryLanguage(kLangEnglishUs)}) {
    if (has(wanted))
      return wanted;
  }
  if (!tables_.empty())
    return tables_.front().language;
  return std::nullopt;
}

std::optional<std::u16string> MessageFile::message(std::uint32_t id, std::uint16_t language) const {
  for (const Table& t : tables_) {
    if (t.language != language)
      continue;
    if (auto text = findMessageInTable(t.bytes, id))
      return text;
  }
  return std::nullopt;
}

std::vector<MessageEntry> MessageFile::messages(std::uint16_t language) const {
  // Several tables of one language (rare) give each ID once, the first wins.
  std::map<std::uint32_t, std::u16string> byId;
  for (const Table& t : tables_) {
    if (t.language != language)
      continue;
    for (MessageEntry& e : readMessageTable(t.bytes))
      byId.emplace(e.id, std::move(e.text));
  }
  std::vector<MessageEntry> out;
  out.reserve(byId.size());
  for (auto& [id, text] : byId)
    out.push_back({id, std::move(text)});
  return out;
}

}  // namespace tallyvane::platform
