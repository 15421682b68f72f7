// Seeds of the compound file and property set fuzz targets, made by the test
// builders. Set TALLYVANE_FUZZ_CORPUS to the corpus folder to write them.
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>

#include "StorageTestSupport.h"
#include "storage/CompoundFile.h"
#include "storage/PropertySet.h"
#include "storage/StorageHeader.h"

namespace tallyvane {
namespace {

using Seeds = std::vector<std::pair<std::string, std::vector<std::byte>>>;

Seeds compoundFileSeeds() {
  Seeds seeds;
  for (const std::size_t sector : {512u, 4096u}) {
    testing::HandBuiltFile f;
    f.sectorSize = sector;
    f.big = testing::patternBytes(sector == 512 ? 4200 : 4100, 1);
    f.small = testing::patternBytes(150, 2);
    seeds.emplace_back("hand-v" + std::to_string(sector == 512 ? 3 : 4), f.build());
  }
  auto root = cfb::makeRoot();
  auto sub = std::make_shared<cfb::Entry>();
  sub->name = u"EventLog";
  sub->type = cfb::EntryType::Storage;
  for (const char16_t* name : {u"D91EFD29", u"System", u"a"}) {
    auto s = std::make_shared<cfb::Entry>();
    s->name = name;
    s->data = testing::patternBytes(70, 3);
    sub->insert(s);
  }
  root->insert(sub);
  cfb::PropertySetData set;
  set.section.fmtid = FMTID_SummaryInformation;
  set.section.dictionary = {{2, "SIFVersion"}};
  set.section.properties.push_back({2, VT_I8, cfb::encodeValue(PropValue::Int64(1), 1200)});
  auto summary = std::make_shared<cfb::Entry>();
  summary->name = u"\x05SummaryInformation";
  summary->data = cfb::writePropertySet(set);
  root->insert(summary);
  seeds.emplace_back("ours", cfb::writeCompoundFile(*root));
  return seeds;
}

Seeds propertySetSeeds() {
  Seeds seeds;
  cfb::PropertySetData unicode;
  unicode.section.fmtid = FMTID_SummaryInformation;
  unicode.section.dictionary = {{0, "Set"}, {7, "OS.Name"}, {8, "SIFVersion"}};
  unicode.section.properties = {
      {2, VT_LPWSTR, cfb::encodeValue(PropValue::String("Title"), 1200)},
      {12, VT_FILETIME, cfb::encodeValue(PropValue::FileTimeValue(130330512000000000ULL), 1200)},
      {7, VT_LPWSTR, cfb::encodeValue(PropValue::String("Debian"), 1200)},
      {8, VT_I8, cfb::encodeValue(PropValue::Int64(1), 1200)}};
  seeds.emplace_back("unicode", cfb::writePropertySet(unicode));
  cfb::PropertySetData ansi = unicode;
  ansi.section.codePage = 1252;
  PropValue lpstr;
  lpstr.vt = VT_LPSTR;
  lpstr.text = "Caf\xC3\xA9";
  ansi.section.properties[0] = {4, VT_LPSTR, cfb::encodeValue(lpstr, 1252)};
  ansi.section.properties.push_back({14, VT_I4, cfb::encodeValue(PropValue::Int32(-3), 1252)});
  // A second section: the section part of another stream (after its 48-byte header).
  const auto other = cfb::writePropertySet(unicode);
  ansi.extraSections.emplace_back(FMTID_UserDefinedProperties,
                                  std::vector<std::byte>(other.begin() + 48, other.end()));
  seeds.emplace_back("ansi-two-sections", cfb::writePropertySet(ansi));
  return seeds;
}

TEST(StorageFuzzSeeds, SeedsReadBackAndAreWrittenOnRequest) {
  const auto files = compoundFileSeeds();
  const auto sets = propertySetSeeds();
  for (const auto& [name, bytes] : files)
    EXPECT_EQ(cfb::parseCompoundFile(bytes).status, kSOk) << name;
  for (const auto& [name, bytes] : sets)
    EXPECT_EQ(cfb::parsePropertySet(bytes).status, kSOk) << name;
  const char* corpus = std::getenv("TALLYVANE_FUZZ_CORPUS");
  if (corpus == nullptr)
    GTEST_SKIP() << "set TALLYVANE_FUZZ_CORPUS to write the seeds";
  for (const auto& [target, seeds] :
       {std::pair{"fuzz_compound_file", files}, std::pair{"fuzz_property_set", sets}}) {
    const auto dir = std::filesystem::path(corpus) / target;
    std::filesystem::create_directories(dir);
    for (const auto& [name, bytes] : seeds)
      testing::writeBytes((dir / ("seed-" + name)).string(), bytes);
  }
}

}  // namespace
}  // namespace tallyvane
