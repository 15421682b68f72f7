// The ANSI code page of the Linux machine: the Windows code page matching the
// character set of the user's locale.
#include <gtest/gtest.h>

#include <cstdlib>
#include <optional>
#include <string>

#include "platform/CodePages.h"

namespace tallyvane {
namespace {

// Sets an environment variable for the scope.
struct EnvScope {
  EnvScope(const char* name, const char* value) : name_(name) {
    if (const char* old = std::getenv(name))
      old_ = old;
    ::setenv(name, value, 1);
  }
  ~EnvScope() {
    if (old_)
      ::setenv(name_, old_->c_str(), 1);
    else
      ::unsetenv(name_);
  }
  const char* name_;
  std::optional<std::string> old_;
};

TEST(LinuxCodePages, TheUsersLocaleGivesTheAnsiCodePage) {
  // The user's locale decides, whatever this process's own locale is.
  {
    EnvScope all("LC_ALL", "C.UTF-8");
    EXPECT_EQ(platform::systemAnsiCodePage(), 65001);
  }
  {
    EnvScope all("LC_ALL", "C");
    EXPECT_EQ(platform::systemAnsiCodePage(), 1252) << "no match: Windows-1252";
  }
  {
    EnvScope all("LC_ALL", "xx_YY.NOSUCHSET");
    EXPECT_EQ(platform::systemAnsiCodePage(), 1252) << "a locale that does not exist";
  }
}

TEST(LinuxCodePages, ConversionsGoThroughTheSystem) {
  EXPECT_EQ(platform::codePageToUtf8(1251, "\xCF\xF0\xE8"), "При");
  EXPECT_EQ(platform::codePageToUtf8(20866, "\xF0\xD2\xC9"), "При") << "KOI8-R";
  EXPECT_EQ(platform::utf8ToCodePage(932, "日本"), "\x93\xFA\x96\x7B") << "Shift_JIS";
  EXPECT_EQ(platform::utf8ToCodePage(28592, "a€b"), "a?b") << "ISO-8859-2 has no euro sign";
  EXPECT_EQ(platform::codePageToUtf8(65001, "\xFF"), std::nullopt) << "not UTF-8";
  EXPECT_EQ(platform::codePageToUtf8(1, "x"), std::nullopt) << "no such code page";
}

}  // namespace
}  // namespace tallyvane
