// Writes the seed inputs of the fuzz targets when TALLYVANE_FUZZ_CORPUS names
// the corpus folder (fuzz/corpus); otherwise checks that the seeds build.
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>

#include "platform/EvtFileWriter.h"
#include "support/SampleRecords.h"

namespace tallyvane {
namespace {

using Bytes = std::vector<std::byte>;

Bytes concat(const std::vector<platform::EventLogRecordFields>& records) {
  Bytes out;
  for (const auto& r : records) {
    const auto b = platform::buildEventLogRecord(r);
    out.insert(out.end(), b.begin(), b.end());
  }
  return out;
}

std::vector<std::pair<std::string, Bytes>> recordWalkSeeds() {
  const auto day = testing::sampleDay();
  std::vector<std::pair<std::string, Bytes>> seeds;
  for (std::uint8_t options : {0, 1, 2, 3}) {
    Bytes b{std::byte{options}};
    const auto records = concat(day);
    b.insert(b.end(), records.begin(), records.end());
    seeds.emplace_back("day-options-" + std::to_string(options), b);
  }
  auto scm = day[3];  // with a SID
  Bytes one{std::byte{3}};
  const auto r = platform::buildEventLogRecord(scm);
  one.insert(one.end(), r.begin(), r.end());
  seeds.emplace_back("one-record-with-sid", one);
  return seeds;
}

std::vector<std::pair<std::string, Bytes>> evtFileSeeds() {
  const auto day = testing::sampleDay();
  const std::uint32_t size =
      static_cast<std::uint32_t>(platform::writeEvtFile(day, 1, {.slack = 64}).size());
  return {
      {"plain", platform::writeEvtFile(day, 1)},
      {"empty", platform::writeEvtFile(std::vector<platform::EventLogRecordFields>{}, 1)},
      {"wrapped", platform::writeEvtFile(day, 100, {.maxSize = size, .startOffset = size - 301})},
      {"wrapped-eof",
       platform::writeEvtFile(day, 100, {.maxSize = size, .startOffset = size - 2250})},
      {"dirty", platform::writeEvtFile(day, 7, {.slack = 32, .dirty = true})},
      {"dirty-wrapped",
       platform::writeEvtFile(day, 7, {.maxSize = size, .startOffset = size - 90, .dirty = true})},
  };
}

TEST(FuzzSeeds, WritesTheSeedCorpus) {
  const auto walk = recordWalkSeeds();
  const auto evt = evtFileSeeds();
  EXPECT_FALSE(walk.empty());
  EXPECT_FALSE(evt.empty());
  const char* corpus = std::getenv("TALLYVANE_FUZZ_CORPUS");
  if (corpus == nullptr)
    GTEST_SKIP() << "set TALLYVANE_FUZZ_CORPUS to write the seeds";
  for (const auto& [target, seeds] :
       {std::pair{"fuzz_record_walk", walk}, std::pair{"fuzz_evt_file", evt}}) {
    const auto dir = std::filesystem::path(corpus) / target;
    std::filesystem::create_directories(dir);
    for (const auto& [name, bytes] : seeds) {
      std::ofstream(dir / ("seed-" + name), std::ios::binary)
          .write(reinterpret_cast<const char*>(bytes.data()),
                 static_cast<std::streamsize>(bytes.size()));
    }
  }
}

}  // namespace
}  // namespace tallyvane
