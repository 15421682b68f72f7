// The ANSI code page of 8-bit text: taken from the system, converted both
// ways, stored with the property sets written in it, and older text (written
// in Windows-1252) still read.
#include <gtest/gtest.h>

#include <memory>
#include <optional>
#include <sstream>

#include "StorageTestSupport.h"
#include "platform/CodePages.h"
#include "storage/AnsiCodePage.h"
#include "storage/Orvex_SS.h"

namespace tallyvane {
namespace {

using testing::TempDir;

// Sets the code page ansiCodePage gives for the scope.
struct CodePageScope {
  explicit CodePageScope(std::uint16_t codePage) { setAnsiCodePageForTesting(codePage); }
  ~CodePageScope() { setAnsiCodePageForTesting(std::nullopt); }
};

TEST(AnsiCodePage, TheLocalesCharacterSetNamesItsWindowsCodePage) {
  const struct {
    const char* charset;
    std::optional<std::uint16_t> codePage;
  } cases[] = {
      {"UTF-8", 65001},       {"utf8", 65001},       {"CP1251", 1251},
      {"WINDOWS-1250", 1250}, {"ISO-8859-2", 28592}, {"ISO-8859-15", 28605},
      {"KOI8-R", 20866},      {"EUC-JP", 20932},     {"SHIFT_JIS", 932},
      {"GB18030", 54936},     {"BIG5", 950},         {"ANSI_X3.4-1968", std::nullopt},
      {"", std::nullopt},
  };
  for (const auto& c : cases)
    EXPECT_EQ(platform::codePageOfCharset(c.charset), c.codePage) << c.charset;
}

TEST(AnsiCodePage, TextIsConvertedInTheCodePageAsked) {
  const struct {
    std::uint16_t codePage;
    std::string bytes;
    std::string text;
  } cases[] = {
      {1252, "caf\xE9 \x80", "café €"},
      {1251, "\xCF\xF0\xE8\xE2\xE5\xF2 \x88", "Привет €"},
      {28592, "\xB9\xE8", "šč"},
      {65001, "caf\xC3\xA9", "café"},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(ansiToUtf8(c.bytes, c.codePage), c.text) << c.codePage;
    EXPECT_EQ(utf8ToAnsi(c.text, c.codePage), c.bytes) << c.codePage;
  }
  EXPECT_EQ(utf8ToAnsi("a日本b", 1251), "a??b") << "characters the code page lacks";
  EXPECT_EQ(utf8ToAnsi("a日本b", 1252), "a??b");
  // Bytes that are not UTF-8 under a UTF-8 locale are older Windows-1252 text.
  EXPECT_EQ(ansiToUtf8("caf\xE9", 65001), "café");
}

TEST(AnsiCodePage, AnsiPropertySetsAreWrittenInTheSystemsCodePageAndOlderOnesStillRead) {
  TempDir dir;
  const std::string path = dir.file("p.stg");
  const auto write = [&](std::uint16_t codePage, const std::string& text) {
    CodePageScope scope(codePage);
    std::shared_ptr<cfb::Storage> stg;
    OleCheck(StgCreateDocfile(path, 4114, &stg));
    std::shared_ptr<cfb::PropertyStorage> ps;
    OleCheck(
        stg->CreatePropertySet(FMTID_SummaryInformation, kNullGuid, PROPSETFLAG_ANSI, 4114, &ps));
    OleCheck(ps->Write(PropSpec::Id(2), PropValue::String(text)));
  };
  const auto read = [&](std::uint16_t systemCodePage, std::uint16_t* stored) {
    CodePageScope scope(systemCodePage);
    std::shared_ptr<cfb::Storage> stg;
    OleCheck(StgOpenStorage(path, 16, &stg));
    std::shared_ptr<cfb::PropertyStorage> ps;
    OleCheck(stg->OpenPropertySet(FMTID_SummaryInformation, 16, &ps));
    *stored = ps->data().section.codePage;
    PropValue v;
    OleCheck(ps->Read(PropSpec::Id(2), &v));
    return v.text;
  };
  std::uint16_t stored = 0;
  write(1251, "Привет");
  EXPECT_EQ(read(1251, &stored), "Привет");
  EXPECT_EQ(stored, 1251);
  // A set written in Windows-1252 reads the same on a machine with another code page.
  write(1252, "café");
  EXPECT_EQ(read(1251, &stored), "café");
  EXPECT_EQ(stored, 1252);
}

TEST(AnsiCodePage, TextWithoutAByteOrderMarkIsReadInTheSystemsCodePage) {
  TempDir dir;
  std::shared_ptr<cfb::Storage> stg;
  OleCheck(StgCreateDocfile(dir.file("t.stg"), 4114, &stg));
  TStructuredStorage root(nullptr, stg);
  std::unique_ptr<TStorageStream> s(root.CreateStream("text", 18));
  const std::string bytes = "\xCF\xF0\xE8\xE2\xE5\xF2\r\ncaf\xC3\xA9";
  s->Write(bytes.data(), static_cast<std::int32_t>(bytes.size()));
  std::vector<std::string> lines;
  {
    CodePageScope scope(1251);
    StreamToStrings(*s, lines, nullptr);
  }
  EXPECT_EQ(lines, (std::vector<std::string>{"Привет", "caf\xD0\x93\xC2\xA9"}));
  // Under a UTF-8 locale: UTF-8 text as it is, and other bytes (text written
  // in Windows-1252 before) as Windows-1252.
  for (const auto& [text, line] :
       {std::pair<std::string, std::string>{"caf\xC3\xA9", "café"}, {"caf\xE9", "café"}}) {
    CodePageScope scope(65001);
    s->Clear();
    s->Write(text.data(), static_cast<std::int32_t>(text.size()));
    StreamToStrings(*s, lines, nullptr);
    EXPECT_EQ(lines, std::vector<std::string>{line}) << text;
  }
  // What the program writes carries its byte-order mark and reads the same anywhere.
  {
    CodePageScope scope(1252);
    s->Clear();
    StringsToStream({"Привет", "日本"}, *s, nullptr);
    StreamToStrings(*s, lines, nullptr);
  }
  EXPECT_EQ(lines, (std::vector<std::string>{"Привет", "日本"}));
}

}  // namespace
}  // namespace tallyvane
