// Message tables read from PE files that windmc, windres and ld made for the
// tests (windmc ends lines with LF alone, as Wine's own tables do), from built tables with damaged
// parts, and from Wine's own DLLs.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "platform/ByteReader.h"
#include "platform/MessageFiles.h"
#include "platform/MessageTable.h"
#include "platform/Unicode.h"

namespace tallyvane::platform {
namespace {

const std::filesystem::path kMessageFiles = TALLYVANE_MESSAGE_FILES_DIR;
const std::filesystem::path kWineKernelBase =
    "/usr/lib/x86_64-linux-gnu/wine/x86_64-windows/kernelbase.dll";

#define REQUIRE_MESSAGE_FILES()                                                        \
  if (kMessageFiles.empty() || !std::filesystem::exists(kMessageFiles / "events.dll")) \
  GTEST_SKIP() << "MinGW's windmc, windres and ld are not installed"

constexpr std::uint16_t kGerman = 0x0407;
constexpr std::uint16_t kFrench = 0x040C;
constexpr std::uint32_t kStarted = 0x40001775;  // informational, facility 0, 6005

std::string text(const std::optional<std::u16string>& t) {
  return t ? utf16ToUtf8(*t) : "<none>";
}

MessageFile openFile(const std::filesystem::path& path, LanguagePreferences preferences = {}) {
  auto file = MessageFile::open(path, preferences);
  EXPECT_TRUE(file) << path;
  return file ? std::move(*file) : MessageFile::fromBytes({});
}

// MESSAGE_RESOURCE_DATA with one block; entries given as (flags, bytes).
std::vector<std::byte> table(
    std::uint32_t low, std::uint32_t high,
    const std::vector<std::pair<std::uint16_t, std::vector<std::byte>>>& entries) {
  ByteWriter w;
  w.u32(1);
  w.u32(low);
  w.u32(high);
  w.u32(16);
  for (const auto& [flags, bytes] : entries) {
    w.u16(static_cast<std::uint16_t>(4 + bytes.size()));
    w.u16(flags);
    w.bytes(bytes);
  }
  return w.take();
}

std::vector<std::byte> ansi(std::string_view s) {
  // The text, its NUL and padding to a multiple of four bytes.
  ByteWriter out;
  for (char c : s)
    out.u8(static_cast<std::uint8_t>(c));
  out.u8(0);
  out.padTo(4);
  return out.take();
}

TEST(MessageTable, ReadsUnicodeEntriesInEveryLanguage) {
  REQUIRE_MESSAGE_FILES();
  const MessageFile file = openFile(kMessageFiles / "events.dll");
  EXPECT_EQ(file.languages(), (std::vector<std::uint16_t>{kGerman, kLangEnglishUs, kFrench}));
  EXPECT_EQ(text(file.message(1, kLangEnglishUs)), "Disk\n");
  EXPECT_EQ(text(file.message(2, kGerman)), "Netzwerk\n");
  EXPECT_EQ(text(file.message(kStarted, kFrench)), "Le service %1 a demarre a %2.\n");
  EXPECT_EQ(text(file.message(kStarted, kLangEnglishUs)), "The service %1 started at %2.\n\n\n");
  EXPECT_FALSE(file.message(3, kLangEnglishUs));
  EXPECT_FALSE(file.message(1, 0x0411));
  const auto all = file.messages(kLangEnglishUs);
  ASSERT_EQ(all.size(), 6u);
  EXPECT_EQ(all.front().id, 1u);
  EXPECT_EQ(all.back().id, 0xC0001B59u);
}

TEST(MessageTable, ReadsAnsiEntriesInWindows1252) {
  REQUIRE_MESSAGE_FILES();
  const MessageFile file = openFile(kMessageFiles / "params.dll");
  EXPECT_EQ(text(file.message(1078, kLangEnglishUs)), "a power failure at the Café (€)\n");
}

TEST(MessageTable, ChoosesTheLanguageAsFormatMessageDoes) {
  REQUIRE_MESSAGE_FILES();
  const MessageFile file = openFile(kMessageFiles / "events.dll");
  struct Choice {
    std::uint16_t user, system, wanted;
    std::optional<std::uint16_t> chosen;
  };
  const std::vector<Choice> choices = {
      {kGerman, kGerman, kLangUserDefault, kGerman},
      {kFrench, kGerman, kLangUserDefault, kFrench},
      {0x0411, kGerman, kLangUserDefault, kGerman},        // system default next
      {0x0411, 0x0412, kLangUserDefault, kLangEnglishUs},  // then English
      {0x0C07, 0x0411, kLangUserDefault, kLangEnglishUs},  // de-AT: no neutral German here
      {kGerman, kGerman, kFrench, kFrench},                // an explicit language
      {kGerman, kGerman, 0x0411, std::nullopt},            // only that language
  };
  for (const Choice& c : choices) {
    SCOPED_TRACE(c.user);
    EXPECT_EQ(file.chooseLanguage(c.wanted, {c.user, c.system}), c.chosen);
  }
  // With no English either, the first table.
  const MessageFile mui = openFile(kMessageFiles / "de-DE" / "app.dll.mui");
  EXPECT_EQ(mui.chooseLanguage(kLangUserDefault, {0x0411, 0x0412}), kGerman);
}

TEST(MessageTable, TakesTheTextsOfTheUsersSatellite) {
  REQUIRE_MESSAGE_FILES();
  const MessageFile main = openFile(kMessageFiles / "app.dll", {kGerman, kGerman});
  EXPECT_EQ(main.satellite(), kMessageFiles / "de-DE" / "app.dll.mui");
  EXPECT_EQ(text(main.message(100, kGerman)), "Anwendungsmeldung %1.\n");
  const MessageFile english = openFile(kMessageFiles / "app.dll", {0x0411, 0x0411});
  EXPECT_EQ(english.satellite(), kMessageFiles / "en-US" / "app.dll.mui");
  EXPECT_EQ(english.chooseLanguage(kLangUserDefault, {0x0411, 0x0411}), kLangEnglishUs);

  PortableMessageFiles files({kGerman, kGerman});
  const std::vector<std::string> args = {"X"};
  MessageRequest request;
  request.id = 100;
  request.arguments = &args;
  EXPECT_EQ(files.formatMessage((kMessageFiles / "app.dll").string(), request),
            "Anwendungsmeldung X.\r\n");
}

TEST(MessageTable, DamagedTablesGiveWhatIsReadable) {
  // Entry 11 is ANSI, 12 claims a length beyond the table, 13 is never reached.
  const auto bytes = table(
      10, 13,
      {{1, utf16leBytes("first\r\n")}, {0, ansi("caf\xE9")}, {1, std::vector<std::byte>(200)}});
  EXPECT_EQ(text(findMessageInTable(bytes, 10)), "first\r\n");
  EXPECT_EQ(text(findMessageInTable(bytes, 11)), "café");
  EXPECT_FALSE(findMessageInTable(bytes, 13));
  auto cut = bytes;
  cut.resize(36);
  EXPECT_EQ(text(findMessageInTable(cut, 10)), "first\r\n");
  EXPECT_FALSE(findMessageInTable(cut, 11));
  EXPECT_EQ(readMessageTable(cut).size(), 1u);

  // An entry shorter than its own header ends the block instead of looping.
  ByteWriter zero;
  for (std::uint32_t v : {1u, 1u, 0xFFFFFFFFu, 16u})
    zero.u32(v);
  zero.u32(0);
  EXPECT_TRUE(readMessageTable(zero.data()).empty());
  // A block count far beyond the bytes.
  ByteWriter many;
  many.u32(0xFFFFFFFF);
  EXPECT_TRUE(readMessageTable(many.data()).empty());
  EXPECT_FALSE(findMessageInTable({}, 1));
}

TEST(MessageTable, NoPeFileIsNoMessageFile) {
  const auto self = std::filesystem::path(TALLYVANE_BINARY_DIR) / "CMakeCache.txt";
  EXPECT_FALSE(MessageFile::open(self, {}));
  EXPECT_FALSE(MessageFile::open("/nonexistent/file.dll", {}));
}

TEST(MessageTable, LanguageNames) {
  EXPECT_EQ(languageIdFromName("de_DE.UTF-8"), 0x0407);
  EXPECT_EQ(languageIdFromName("fr-CA"), 0x0C0C);
  EXPECT_EQ(languageIdFromName("de_LU"), 0x0407);
  EXPECT_EQ(languageIdFromName("C.UTF-8"), std::nullopt);
  EXPECT_EQ(languageNameFromId(0x0409), "en-US");
}

TEST(MessageTable, ReadsWinesSystemMessages) {
  if (!std::filesystem::exists(kWineKernelBase))
    GTEST_SKIP() << "libwine is not installed";
  const MessageFile file = openFile(kWineKernelBase);
  const auto english = file.chooseLanguage(kLangUserDefault, {});
  ASSERT_TRUE(english);
  EXPECT_EQ(text(file.message(2, *english)), "File not found.\n");
  EXPECT_GT(file.messages(*english).size(), 700u);
  EXPECT_GT(file.languages().size(), 10u);
}

}  // namespace
}  // namespace tallyvane::platform
