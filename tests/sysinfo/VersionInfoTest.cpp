// Reading the version information of program files: PE files of both widths
// built here, a file without version data, damaged files, and this very test
// program, which carries the project's version block in its ELF section.
#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <memory>
#include <string>

#include "ElfBuilder.h"
#include "PeBuilder.h"
#include "platform/Services.h"
#include "platform/VersionResource.h"
#include "sysinfo/Orvex_Routines.h"

namespace tallyvane {
namespace {

using platform::VersionBlockContents;

// A file in a fresh temporary directory, removed with it.
class TempFile {
 public:
  explicit TempFile(const std::vector<std::byte>& bytes) {
    dir_ = std::filesystem::temp_directory_path() /
           ("tallyvane-version-" + std::to_string(getpid()) + "-" + std::to_string(counter_++));
    std::filesystem::create_directories(dir_);
    path_ = (dir_ / "program.exe").string();
    std::ofstream out(path_, std::ios::binary);
    out.write(reinterpret_cast<const char*>(bytes.data()),
              static_cast<std::streamsize>(bytes.size()));
  }
  ~TempFile() {
    std::error_code ignored;
    std::filesystem::remove_all(dir_, ignored);
  }
  const std::string& path() const { return path_; }

 private:
  static inline int counter_ = 0;
  std::filesystem::path dir_;
  std::string path_;
};

VersionBlockContents contentsFor(std::uint16_t a, std::uint16_t b, std::uint16_t c, std::uint16_t d,
                                 bool prerelease) {
  VersionBlockContents contents;
  contents.fixed.dwFileVersionMS = (std::uint32_t{a} << 16) | b;
  contents.fixed.dwFileVersionLS = (std::uint32_t{c} << 16) | d;
  contents.fixed.dwProductVersionMS = (5u << 16) | 6;
  contents.fixed.dwProductVersionLS = (7u << 16) | 8;
  contents.fixed.dwFileFlags = prerelease ? platform::kVsFfPrerelease : 0;
  contents.translation = std::pair<std::uint16_t, std::uint16_t>{0x0409, 0x04B0};
  contents.stringTableKey = "040904B0";
  contents.strings = {
      {"CompanyName", "Example Company"},
      {"FileDescription", "Example program"},
      {"FileVersion", "1.2.3.4 (text)"},
      {"InternalName", "example"},
      {"LegalCopyright", "Copyright (C) Example"},
      {"LegalTrademarks", "Example(TM)"},
      {"OriginalFilename", "example.exe"},
      {"ProductName", "Example Product"},
      {"ProductVersion", "5.6"},
      {"Comments", "Some comments"},
      {"SpecialBuild", "private"},
  };
  return contents;
}

TVersionInfo readFile(const std::vector<std::byte>& bytes, bool* result,
                      std::string* path = nullptr) {
  TempFile file(bytes);
  if (path)
    *path = file.path();
  platform::FileVersionResources resources;
  TVersionInfo info;
  *result = ReadVersionInfo(resources, file.path(), info);
  return info;
}

TEST(ReadVersionInfo, ReadsEveryFieldOfA32And64BitProgram) {
  for (bool wide : {false, true}) {
    SCOPED_TRACE(wide ? "PE32+" : "PE32");
    const auto block = platform::buildVersionBlock(contentsFor(1, 2, 3, 4, false));
    bool ok = false;
    std::string path;
    const TVersionInfo info = readFile(testing::buildPe({wide, block}), &ok, &path);
    ASSERT_TRUE(ok);
    EXPECT_EQ(info.FileName, path);
    EXPECT_EQ(info.Version, "1.2.3.4");
    EXPECT_EQ(info.FileVersion, "1.2.3.4 (text)");
    EXPECT_EQ(info.ProductVersion, "5.6");
    EXPECT_EQ(info.ProductName, "Example Product");
    EXPECT_EQ(info.CompanyName, "Example Company");
    EXPECT_EQ(info.Description, "Example program");
    EXPECT_EQ(info.Comments, "Some comments");
    EXPECT_EQ(info.Copyright, "Copyright (C) Example");
    EXPECT_EQ(info.Trademarks, "Example(TM)");
    EXPECT_EQ(info.InternalName, "example");
    // Asked for as "OriginalFileName"; found under the usual spelling.
    EXPECT_EQ(info.OriginalFilename, "example.exe");
    EXPECT_EQ(info.SpecialBuild, "private");
    EXPECT_EQ(info.Major, 1u);
    EXPECT_EQ(info.Minor, 2u);
    EXPECT_EQ(info.Release, 3u);
    EXPECT_EQ(info.Build, 4u);
    EXPECT_EQ(info.ProductMajor, 5u);
    EXPECT_EQ(info.ProductMinor, 6u);
    EXPECT_EQ(info.ProductRelease, 7u);
    EXPECT_EQ(info.ProductBuild, 8u);
    EXPECT_FALSE(info.PreRelease);
  }
}

TEST(ReadVersionInfo, VersionTextMarksPreReleases) {
  struct Case {
    std::uint16_t v[4];
    bool prerelease;
    std::uint32_t flagsMask;
    const char* expected;
  };
  const Case cases[] = {
      {{1, 2, 3, 4}, false, 0x3F, "1.2.3.4"},
      {{1, 2, 3, 4}, true, 0x3F, "1.2.3.4 BETA 4"},
      {{2, 0, 0, 0}, true, 0x3F, "2.0.0.0 BETA"},
      // The flag counts even where the mask does not cover it.
      {{2, 0, 0, 7}, true, 0x00, "2.0.0.7 BETA 7"},
      {{65535, 65535, 65535, 65535}, false, 0x3F, "65535.65535.65535.65535"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.expected);
    auto contents = contentsFor(c.v[0], c.v[1], c.v[2], c.v[3], c.prerelease);
    contents.fixed.dwFileFlagsMask = c.flagsMask;
    bool ok = false;
    const auto info =
        readFile(testing::buildPe({false, platform::buildVersionBlock(contents)}), &ok);
    ASSERT_TRUE(ok);
    EXPECT_EQ(info.Version, c.expected);
    EXPECT_EQ(info.PreRelease, c.prerelease);
  }
}

TEST(ReadVersionInfo, TranslationEntryChoosesTheStringTable) {
  struct Case {
    const char* name;
    std::optional<std::pair<std::uint16_t, std::uint16_t>> translation;
    const char* tableKey;
    const char* expectedProduct;
  };
  const Case cases[] = {
      {"entry 0409/04B0", std::pair<std::uint16_t, std::uint16_t>{0x0409, 0x04B0}, "040904B0",
       "Example Product"},
      {"entry 0407/04E4", std::pair<std::uint16_t, std::uint16_t>{0x0407, 0x04E4}, "040704E4",
       "Example Product"},
      {"no entry: read under 040904E4", std::nullopt, "040904E4", "Example Product"},
      {"no entry, table under another key", std::nullopt, "040904B0", ""},
      {"entry names a table that is missing",
       std::pair<std::uint16_t, std::uint16_t>{0x0409, 0x04E4}, "040904B0", ""},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    auto contents = contentsFor(1, 0, 0, 0, false);
    contents.translation = c.translation;
    contents.stringTableKey = c.tableKey;
    bool ok = false;
    const auto info =
        readFile(testing::buildPe({true, platform::buildVersionBlock(contents)}), &ok);
    EXPECT_TRUE(ok);  // the fixed part is there either way
    EXPECT_EQ(info.ProductName, c.expectedProduct);
    EXPECT_EQ(info.Version, "1.0.0.0");
  }
}

TEST(ReadVersionInfo, MissingStringsStayEmpty) {
  auto contents = contentsFor(3, 1, 0, 0, false);
  contents.strings = {{"FileDescription", "Only a description"}, {"Empty", ""}};
  bool ok = false;
  const auto info = readFile(testing::buildPe({false, platform::buildVersionBlock(contents)}), &ok);
  ASSERT_TRUE(ok);
  EXPECT_EQ(info.Description, "Only a description");
  EXPECT_EQ(info.Comments, "");
  EXPECT_EQ(info.ProductName, "");
  EXPECT_EQ(info.Version, "3.1.0.0");
}

TEST(ReadVersionInfo, FileWithoutVersionDataGivesFalseAndAClearedRecord) {
  auto contents = contentsFor(1, 2, 3, 4, false);
  const auto block = platform::buildVersionBlock(contents);
  struct Case {
    const char* name;
    std::vector<std::byte> bytes;
  };
  const std::string text = "just some text, not a program\n";
  const Case cases[] = {
      {"PE without resources", testing::buildPe({false, std::nullopt})},
      {"PE with an icon but no version",
       [&] {
         testing::PeLayout layout{false, block};
         layout.resourceType = 3;
         return testing::buildPe(layout);
       }()},
      {"PE whose version resource is not named 1",
       [&] {
         testing::PeLayout layout{true, block};
         layout.resourceName = 2;
         return testing::buildPe(layout);
       }()},
      {"text file",
       std::vector<std::byte>(reinterpret_cast<const std::byte*>(text.data()),
                              reinterpret_cast<const std::byte*>(text.data()) + text.size())},
      {"empty file", {}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    bool ok = true;
    std::string path;
    const auto info = readFile(c.bytes, &ok, &path);
    EXPECT_FALSE(ok);
    EXPECT_EQ(info.FileName, path);
    EXPECT_EQ(info.Version, "");
    EXPECT_EQ(info.ProductName, "");
    EXPECT_EQ(info.Major + info.Minor + info.Release + info.Build, 0u);
    EXPECT_FALSE(info.PreRelease);
  }

  platform::FileVersionResources resources;
  TVersionInfo info;
  info.Comments = "left over from before";
  EXPECT_FALSE(ReadVersionInfo(resources, "/nonexistent/tallyvane.exe", info));
  EXPECT_EQ(info.FileName, "/nonexistent/tallyvane.exe");
  EXPECT_EQ(info.Comments, "");
}

TEST(ReadVersionInfo, DamagedFilesNeverReadOutsideTheirBytes) {
  const auto pe =
      testing::buildPe({true, platform::buildVersionBlock(contentsFor(1, 2, 3, 4, true))});
  // Every truncation, and every single byte of the headers and resource
  // directory set to 0xFF: the reader gives an answer and nothing else.
  for (std::size_t length = 0; length <= pe.size(); length += 7) {
    const std::span<const std::byte> cut(pe.data(), length);
    const auto block = platform::findVersionBlock(cut);
    if (block) {
      std::span<const std::byte> value;
      platform::queryVersionValue(*block, "\\StringFileInfo\\040904B0\\ProductName", value);
    }
  }
  for (std::size_t at = 0; at < pe.size(); ++at) {
    auto damaged = pe;
    damaged[at] = std::byte{0xFF};
    const auto block = platform::findVersionBlock(damaged);
    if (!block)
      continue;
    for (const char* query :
         {"\\", "\\VarFileInfo\\Translation", "\\StringFileInfo\\040904B0\\Comments"}) {
      std::span<const std::byte> value;
      if (platform::queryVersionValue(*block, query, value)) {
        EXPECT_GE(value.data(), block->data());
        EXPECT_LE(value.data() + value.size(), block->data() + block->size());
      }
    }
  }
}

TEST(ReadVersionInfo, ElfSectionNamesAreReadWithinTheirTable) {
  const auto block = platform::buildVersionBlock(contentsFor(1, 2, 3, 4, false));
  // The names table is the file's last bytes; AddressSanitizer catches any read
  // past it. A name cut off by the table's end is taken as it stands, so only
  // the whole name matches.
  struct Case {
    const char* name;
    bool wide;
    bool terminated;
    std::size_t namesLength;
    bool found;
  };
  const std::size_t whole = 11 + std::string_view(platform::kVersionSectionName).size();
  const Case cases[] = {
      {"64-bit, terminated", true, true, 1000, true},
      {"32-bit, terminated", false, true, 1000, true},
      {"64-bit, table ends with the name", true, false, 1000, true},
      {"32-bit, table ends with the name", false, false, 1000, true},
      {"table ends inside the name", true, false, whole - 3, false},
      {"table ends inside the first name", true, false, 5, false},
      {"empty table", false, false, 0, false},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    testing::ElfLayout layout{c.wide, block};
    layout.terminateNames = c.terminated;
    layout.namesLength = c.namesLength;
    const auto file = testing::buildElf(layout);
    // A copy of exactly the file's size, on the heap.
    const auto bytes = std::make_unique<std::byte[]>(file.size());
    std::copy(file.begin(), file.end(), bytes.get());
    const auto found = platform::findVersionBlock({bytes.get(), file.size()});
    ASSERT_EQ(found.has_value(), c.found);
    if (found) {
      EXPECT_EQ(*found, block);
    }
  }
}

TEST(ReadVersionInfo, QueryWalksTheBlockWithoutRegardToCase) {
  const auto block = platform::buildVersionBlock(contentsFor(1, 2, 3, 4, false));
  std::span<const std::byte> value;
  ASSERT_TRUE(platform::queryVersionValue(block, "\\", value));
  EXPECT_EQ(value.size(), platform::VsFixedFileInfo::kSize);
  ASSERT_TRUE(platform::queryVersionValue(block, "\\varfileinfo\\TRANSLATION", value));
  EXPECT_EQ(value.size(), 4u);
  EXPECT_TRUE(platform::queryVersionValue(block, "StringFileInfo\\040904b0\\productname", value));
  EXPECT_FALSE(platform::queryVersionValue(block, "\\StringFileInfo\\040904B0\\Nothing", value));
  EXPECT_FALSE(platform::queryVersionValue(block, "\\StringFileInfo\\040904B1", value));
}

TEST(ReadVersionInfo, OwnProgramFileCarriesTheProjectVersion) {
  const std::string path = platform::systemServices().systemFacts->moduleFileName(4096);
  ASSERT_FALSE(path.empty());
  platform::FileVersionResources resources;
  TVersionInfo info;
  ASSERT_TRUE(ReadVersionInfo(resources, path, info));
  EXPECT_EQ(info.ProductName, "Tallyvane Journal");
  EXPECT_EQ(info.CompanyName, "Tallyvane");
  EXPECT_FALSE(info.Description.empty());
  EXPECT_FALSE(info.Comments.empty());
  EXPECT_FALSE(info.Copyright.empty());
  EXPECT_EQ(info.Major, static_cast<std::uint32_t>(TALLYVANE_VERSION_MAJOR));
  EXPECT_EQ(info.Minor, static_cast<std::uint32_t>(TALLYVANE_VERSION_MINOR));
  EXPECT_EQ(info.Release, static_cast<std::uint32_t>(TALLYVANE_VERSION_PATCH));
  EXPECT_EQ(info.Version.rfind(TALLYVANE_VERSION, 0), 0u) << info.Version;
  EXPECT_EQ(info.FileVersion.rfind(TALLYVANE_VERSION, 0), 0u) << info.FileVersion;
  if (info.PreRelease) {
    EXPECT_NE(info.Version.find(" BETA"), std::string::npos);
  }
}

}  // namespace
}  // namespace tallyvane
