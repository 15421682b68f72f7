// The portable formatter and message table reader against the platform's own
// FormatMessageW in the same process, and the message files through the
// system calls. Run under Wine in the test command and on Windows itself.
#include <gtest/gtest.h>

#include <windows.h>

#include <algorithm>
#include <filesystem>
#include <string>
#include <vector>

#include "platform/MessageFormatter.h"
#include "platform/MessageTable.h"
#include "platform/Unicode.h"
#include "platform/win32/Win32MessageFiles.h"

namespace tallyvane::platform {
namespace {

// A path of the Linux build tree as the Wine prefix's Z: drive shows it.
std::string buildPath(std::string path) {
  if (path.empty() || path[0] != '/')
    return path;
  std::replace(path.begin(), path.end(), '/', '\\');
  return "Z:" + path;
}

std::wstring wide(std::u16string_view text) {
  return std::wstring(text.begin(), text.end());
}

// FormatMessageW over a string with `arguments` (strings and numbers).
std::optional<std::u16string> platformFormat(std::u16string_view text,
                                             const std::vector<MessageArgument>* arguments,
                                             bool ignoreInserts) {
  std::vector<std::wstring> strings;
  std::vector<DWORD_PTR> array;
  if (arguments != nullptr) {
    strings.reserve(arguments->size());
    for (const MessageArgument& a : *arguments) {
      if (const auto* s = std::get_if<std::u16string>(&a)) {
        strings.push_back(wide(*s));
        array.push_back(reinterpret_cast<DWORD_PTR>(strings.back().c_str()));
      } else {
        array.push_back(static_cast<DWORD_PTR>(std::get<std::uint64_t>(a)));
      }
    }
  }
  const std::wstring pattern = wide(text);
  std::vector<wchar_t> buffer(4096);
  DWORD flags = FORMAT_MESSAGE_FROM_STRING;
  if (arguments != nullptr)
    flags |= FORMAT_MESSAGE_ARGUMENT_ARRAY;
  if (ignoreInserts)
    flags |= FORMAT_MESSAGE_IGNORE_INSERTS;
  const DWORD written =
      FormatMessageW(flags, pattern.c_str(), 0, 0, buffer.data(), static_cast<DWORD>(buffer.size()),
                     arguments != nullptr ? reinterpret_cast<va_list*>(array.data()) : nullptr);
  if (written == 0)
    return std::nullopt;
  return std::u16string(buffer.begin(), buffer.begin() + written);
}

TEST(Win32MessageFiles, FormatterMatchesFormatMessageW) {
  auto n = [](std::int64_t v) { return MessageArgument(static_cast<std::uint64_t>(v)); };
  auto s = [](std::string_view v) { return MessageArgument(utf8ToUtf16(v)); };
  struct Case {
    const char* text;
    std::vector<MessageArgument> args;
    bool ignore = false;
  };
  const std::vector<Case> cases = {
      {"a\r\nb\nc\rd", {}},
      {"x%ny%rz%tw%%v%.u%!q% p%0tail", {}},
      {"trail%", {}},
      {"%1 and %2, %10",
       {s("1"), s("2"), s("3"), s("4"), s("5"), s("6"), s("7"), s("8"), s("9"), s("10")}},
      {"%1!d! %2!5d! %3!-5d!| %4!05d! %4!u! %4!x! %4!I64X! %4!hd!", {n(42), n(7), n(3), n(-9)}},
      {"%1!#x! %1!#o! %1!+d! %1! d! %1!.3d! %1!p! %1!c!", {n(66)}},
      {"%1!10s!|%2!-6s!|%3!.2s!|%3!05s!", {s("abc"), s("de"), s("fghij")}},
      {"%1!*.*s!|%4 %5!*d!", {n(6), n(2), s("hello"), s("next"), n(-4), n(7)}},
      {"%1!s", {s("x")}},
      {"%1!5!", {n(5)}},
      {"%1 %n %% %0 x", {}, true},
      {"a%1!d!b%r%t%.%q", {}, true},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.text);
    const std::u16string text = utf8ToUtf16(c.text);
    MessageFormatOptions options;
    options.ignoreInserts = c.ignore;
    const auto* args = c.ignore ? nullptr : &c.args;
    EXPECT_EQ(formatMessage(text, args, options).text, platformFormat(text, args, c.ignore));
  }
}

TEST(Win32MessageFiles, FormatsFromTheTestMessageFiles) {
  const std::string folder = buildPath(TALLYVANE_MESSAGE_FILES_DIR);
  const std::string events = folder + "\\events.dll";
  Win32MessageFiles files;
  if (folder.empty() || !files.fileExists(events))
    GTEST_SKIP() << "no test message files";
  const std::vector<std::string> args = {"Spooler", "10:02", ""};
  MessageRequest request;
  request.id = 0x40001775;
  request.language = kLangEnglishUs;
  request.arguments = &args;
  EXPECT_EQ(files.formatMessage(events, request),
            "The service Spooler started at 10:02.\r\n\r\n\r\n");
  // The same text through our own reader and formatter.
  const auto file = MessageFile::open(events, {});
  ASSERT_TRUE(file);
  const auto table = file->message(request.id, kLangEnglishUs);
  ASSERT_TRUE(table);
  const std::vector<MessageArgument> ours = {std::u16string(u"Spooler"), std::u16string(u"10:02"),
                                             std::u16string()};
  EXPECT_EQ(utf16ToUtf8(*formatMessage(*table, &ours).text),
            "The service Spooler started at 10:02.\r\n\r\n\r\n");
  EXPECT_FALSE(files.formatMessage(folder + "\\missing.dll", request));
  request.id = 12345;
  EXPECT_FALSE(files.formatMessage(events, request));
}

TEST(Win32MessageFiles, EnvironmentIsTheWholeBlock) {
  SetEnvironmentVariableW(L"TALLYVANE_LATE", std::wstring(5000, L'x').c_str());
  Win32MessageFiles files;
  const auto entries = files.environment();
  const auto late = std::find_if(entries.begin(), entries.end(), [](const std::string& e) {
    return e.rfind("TALLYVANE_LATE=", 0) == 0;
  });
  ASSERT_NE(late, entries.end());
  EXPECT_EQ(late->size(), 15u + 5000u);
}

}  // namespace
}  // namespace tallyvane::platform
