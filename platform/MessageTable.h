#pragma once
// Message tables (resource type 11, RT_MESSAGETABLE) of PE files and of their
// MUI satellite files, read without the platform's loader.
#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace tallyvane::platform {

inline constexpr std::uint16_t kLangNeutral = 0x0000;
inline constexpr std::uint16_t kLangUserDefault =
    0x0400;  // MAKELANGID(LANG_NEUTRAL, SUBLANG_DEFAULT)
inline constexpr std::uint16_t kLangEnglishUs = 0x0409;

struct MessageEntry {
  std::uint32_t id = 0;
  std::u16string text;
};

// The text of message `id` in one MESSAGE_RESOURCE_DATA, or nothing when the
// table lacks it or is damaged there. Unicode entries are UTF-16LE, ANSI
// entries are taken in Windows-1252 (the code page of the files we meet),
// entries flagged UTF-8 (2) as UTF-8. The text ends at its first NUL.
std::optional<std::u16string> findMessageInTable(std::span<const std::byte> table,
                                                 std::uint32_t id);

// Every message of one MESSAGE_RESOURCE_DATA, by block and ID. A damaged block
// ends the listing of that block.
std::vector<MessageEntry> readMessageTable(std::span<const std::byte> table);

// The languages FormatMessage tries, in order, for a LANGID.
struct LanguagePreferences {
  std::uint16_t user = kLangEnglishUs;    // the user's UI language
  std::uint16_t system = kLangEnglishUs;  // the system's default language
};

// The preferences of this process: on Linux from LC_ALL, LC_MESSAGES or LANG
// ("de_DE.UTF-8" gives 0x0407); English (United States) when none names a
// language we know.
LanguagePreferences processLanguagePreferences();

// "de-DE" or "de_DE.UTF-8" to its LANGID; nothing for names we do not know.
std::optional<std::uint16_t> languageIdFromName(std::string_view name);
// 0x0407 to "de-DE"; empty for IDs we do not know.
std::string languageNameFromId(std::uint16_t language);

// The message tables of one message file: the file's own and those of the MUI
// satellite file Windows would load beside it (<folder>/<language>/<file>.mui).
class MessageFile {
 public:
  // Reads `path` and its satellite; nothing when the file cannot be read or
  // is no PE file. A file with no message table at all is still a file.
  static std::optional<MessageFile> open(const std::filesystem::path& path,
                                         const LanguagePreferences& preferences);
  // The same over bytes already in memory (no satellite).
  static MessageFile fromBytes(std::vector<std::byte> bytes);

  // The languages that have a message table, in file order, without repeats.
  std::vector<std::uint16_t> languages() const;
  // The table FormatMessage would use for `language`: for 0x0400 (or 0) the
  // user's language, its primary language, neutral, the system default,
  // English, then the first table; for any other LANGID that language only.
  std::optional<std::uint16_t> chooseLanguage(std::uint16_t language,
                                              const LanguagePreferences& preferences) const;
  // Message `id` in the table of `language` (exactly).
  std::optional<std::u16string> message(std::uint32_t id, std::uint16_t language) const;
  // Every message of the table of `language`, sorted by ID.
  std::vector<MessageEntry> messages(std::uint16_t language) const;
  // The satellite file that contributed tables, if any.
  const std::filesystem::path& satellite() const { return satellite_; }

 private:
  struct Table {
    std::uint16_t language = 0;
    std::span<const std::byte> bytes;
  };
  void addTables(std::shared_ptr<const std::vector<std::byte>> file);

  std::vector<std::shared_ptr<const std::vector<std::byte>>> files_;
  std::vector<Table> tables_;
  std::filesystem::path satellite_;
};

}  // namespace tallyvane::platform
