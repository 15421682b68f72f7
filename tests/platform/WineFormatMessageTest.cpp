// Our formatter and message table reader against the platform's own
// FormatMessageW, run under Wine through a small MinGW-built program: the same
// table of texts and arguments, and every English message of Wine's
// kernelbase.dll, must come out the same. Skipped without Wine or MinGW.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "platform/MessageFiles.h"
#include "platform/MessageFormatter.h"
#include "platform/MessageTable.h"
#include "platform/Unicode.h"
#include "support/TempDir.h"

namespace tallyvane::platform {
namespace {

const std::filesystem::path kOracle = TALLYVANE_WINE_ORACLE;
const std::filesystem::path kCases = TALLYVANE_WINE_CASES;
const std::filesystem::path kKernelBase =
    "/usr/lib/x86_64-linux-gnu/wine/x86_64-windows/kernelbase.dll";
const std::filesystem::path kWine = "/usr/bin/wine";
// The comparison runs Wine from the Linux build; the Windows build has the
// platform's formatter itself and no Wine to start.
#ifdef _WIN32
constexpr bool kLinuxBuild = false;
#else
constexpr bool kLinuxBuild = true;
#endif

std::string readText(const std::filesystem::path& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream s;
  s << in.rdbuf();
  return s.str();
}

std::vector<std::string> lines(const std::string& text) {
  std::vector<std::string> out;
  std::istringstream in(text);
  for (std::string line; std::getline(in, line);) {
    // The oracle's standard output is in text mode: its lines end in CR LF.
    if (!line.empty() && line.back() == '\r')
      line.pop_back();
    out.push_back(line);
  }
  return out;
}

// Runs the oracle under Wine with `arguments`; its output lines, or nothing
// when Wine does not run it.
std::optional<std::vector<std::string>> runOracle(const std::string& arguments,
                                                  const testing::TempDir& dir) {
  const auto prefix = std::filesystem::path(TALLYVANE_BINARY_DIR) / "tests" / "wine-prefix";
  const auto output = dir.path() / "oracle.out";
  const std::string command = "WINEPREFIX='" + prefix.string() +
                              "' WINEDEBUG=-all WINEDLLOVERRIDES='mscoree,mshtml=' '" +
                              kWine.string() + "' '" + kOracle.string() + "' " + arguments +
                              " > '" + output.string() + "' 2>/dev/null";
  if (std::system(command.c_str()) != 0)
    return std::nullopt;
  return lines(readText(output));
}

// What the oracle prints for a result.
std::string oracleLine(const MessageFormatResult& result) {
  if (!result.text)
    return "fail";
  std::string line = "ok";
  for (const char16_t unit : *result.text) {
    char hex[8];
    std::snprintf(hex, sizeof hex, " %04x", static_cast<unsigned>(unit));
    line += hex;
  }
  return line;
}

std::string unescape(const std::string& field) {
  std::string out;
  for (std::size_t i = 0; i < field.size(); ++i) {
    if (field[i] == '\\' && i + 1 < field.size()) {
      const char c = field[++i];
      out += c == 'r' ? '\r' : c == 'n' ? '\n' : c == 't' ? '\t' : c;
    } else {
      out += field[i];
    }
  }
  return out;
}

#define REQUIRE_WINE()                                                        \
  if (!kLinuxBuild || kOracle.empty() || !std::filesystem::exists(kOracle) || \
      !std::filesystem::exists(kWine))                                        \
  GTEST_SKIP() << "Wine or the MinGW compiler is not installed"

TEST(WineFormatMessage, FormatterMatchesFormatMessageW) {
  REQUIRE_WINE();
  testing::TempDir dir;
  const auto expected = runOracle("'" + kCases.string() + "'", dir);
  if (!expected)
    GTEST_SKIP() << "Wine does not run here";
  std::vector<std::string> got;
  std::vector<std::string> shown;
  MessageFormatOptions options;
  bool noArgs = false;
  for (const std::string& line : lines(readText(kCases))) {
    if (line == "IGNORE" || line == "NOARGS") {
      (line == "IGNORE" ? options.ignoreInserts : noArgs) = true;
      continue;
    }
    std::vector<std::string> fields;
    std::istringstream in(line);
    for (std::string f; std::getline(in, f, '\t');)
      fields.push_back(unescape(f));
    std::vector<MessageArgument> arguments;
    for (std::size_t i = 1; i < fields.size(); ++i) {
      if (fields[i].rfind("n:", 0) == 0)
        arguments.emplace_back(static_cast<std::uint64_t>(std::stoll(fields[i].substr(2))));
      else
        arguments.emplace_back(utf8ToUtf16(fields[i].substr(2)));
    }
    got.push_back(
        oracleLine(formatMessage(utf8ToUtf16(fields[0]), noArgs ? nullptr : &arguments, options)));
    shown.push_back(line);
    options = {};
    noArgs = false;
  }
  ASSERT_EQ(expected->size(), got.size());
  for (std::size_t i = 0; i < got.size(); ++i) {
    // The oracle adds the error code to a failure.
    const std::string& want = (*expected)[i];
    EXPECT_EQ(want.rfind("fail", 0) == 0 ? std::string("fail") : want, got[i]) << shown[i];
  }
}

TEST(WineFormatMessage, EveryKernelBaseMessageListsAsFormatMessageWGivesIt) {
  REQUIRE_WINE();
  if (!std::filesystem::exists(kKernelBase))
    GTEST_SKIP() << "libwine is not installed";
  testing::TempDir dir;
  const auto file = MessageFile::open(kKernelBase, {});
  ASSERT_TRUE(file);
  const auto entries = file->messages(kLangEnglishUs);
  ASSERT_GT(entries.size(), 700u);
  std::string ids;
  for (const MessageEntry& e : entries) {
    char hex[16];
    std::snprintf(hex, sizeof hex, "%x\n", e.id);
    ids += hex;
  }
  const auto idsFile = dir.write("ids.txt", ids);
  std::string windowsPath = "Z:" + kKernelBase.string();
  std::replace(windowsPath.begin(), windowsPath.end(), '/', '\\');
  const auto expected =
      runOracle("--table '" + windowsPath + "' 409 '" + idsFile.string() + "'", dir);
  if (!expected)
    GTEST_SKIP() << "Wine does not run here";
  ASSERT_EQ(expected->size(), entries.size());
  PortableMessageFiles files({kLangEnglishUs, kLangEnglishUs});
  int differences = 0;
  for (std::size_t i = 0; i < entries.size(); ++i) {
    MessageRequest request;
    request.id = entries[i].id;
    request.language = kLangEnglishUs;
    request.ignoreInserts = true;
    request.bufferChars = 65536;
    const auto ours = files.formatMessage(kKernelBase.string(), request);
    MessageFormatResult asResult;
    if (ours)
      asResult.text = utf8ToUtf16(*ours);
    const std::string want = (*expected)[i].rfind("fail", 0) == 0 ? "fail" : (*expected)[i];
    if (oracleLine(asResult) != want && ++differences <= 5)
      ADD_FAILURE() << "message " << entries[i].id << ": " << want << " vs "
                    << oracleLine(asResult);
  }
  EXPECT_EQ(differences, 0);
}

}  // namespace
}  // namespace tallyvane::platform
