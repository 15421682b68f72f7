// The seed inputs of the version resource fuzz target, from the tests' PE and
// ELF builders. Set TALLYVANE_FUZZ_CORPUS to the corpus folder to write them.
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>

#include "ElfBuilder.h"
#include "PeBuilder.h"

namespace tallyvane {
namespace {

std::vector<std::pair<std::string, std::vector<std::byte>>> versionSeeds() {
  platform::VersionBlockContents contents;
  contents.fixed.dwFileVersionMS = (1u << 16) | 2;
  contents.fixed.dwFileVersionLS = (3u << 16) | 4;
  contents.translation = std::pair<std::uint16_t, std::uint16_t>{0x0409, 0x04B0};
  contents.stringTableKey = "040904B0";
  contents.strings = {{"ProductName", "Seed"}, {"FileVersion", "1.2.3.4"}};
  const auto block = platform::buildVersionBlock(contents);
  testing::ElfLayout unterminated{true, block};
  unterminated.terminateNames = false;
  return {
      {"pe32", testing::buildPe({false, block})},
      {"pe64", testing::buildPe({true, block})},
      {"pe-no-resources", testing::buildPe({false, std::nullopt})},
      {"elf64", testing::buildElf({true, block})},
      {"elf32", testing::buildElf({false, block})},
      {"elf64-unterminated-names", testing::buildElf(unterminated)},
  };
}

TEST(VersionFuzzSeeds, WritesTheSeedCorpus) {
  const auto seeds = versionSeeds();
  for (const auto& [name, bytes] : seeds) {
    SCOPED_TRACE(name);
    EXPECT_EQ(platform::findVersionBlock(bytes).has_value(), name != "pe-no-resources");
  }
  const char* corpus = std::getenv("TALLYVANE_FUZZ_CORPUS");
  if (corpus == nullptr)
    GTEST_SKIP() << "set TALLYVANE_FUZZ_CORPUS to write the seeds";
  const auto dir = std::filesystem::path(corpus) / "fuzz_version_resource";
  std::filesystem::create_directories(dir);
  for (const auto& [name, bytes] : seeds) {
    std::ofstream(dir / ("seed-" + name), std::ios::binary)
        .write(reinterpret_cast<const char*>(bytes.data()),
               static_cast<std::streamsize>(bytes.size()));
  }
}

}  // namespace
}  // namespace tallyvane
