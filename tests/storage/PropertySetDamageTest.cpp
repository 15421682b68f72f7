// Property set streams whose section table points at sections too short to
// hold their own header.
#include <gtest/gtest.h>

#include "platform/ByteReader.h"
#include "storage/PropertySet.h"

namespace tallyvane {
namespace {

// A set with a second section whose size field is `size`; the stream ends
// right after that field and four bytes of count.
std::vector<std::byte> twoSectionsWithSecondOfSize(std::uint32_t size) {
  cfb::PropertySetData data;
  data.section.fmtid = FMTID_SummaryInformation;
  auto bytes = cfb::writePropertySet(data);
  ByteWriter out;
  out.bytes(std::span<const std::byte>(bytes).first(24));
  out.u32(2);  // two sections
  const std::uint32_t firstOffset = 28 + 40;
  const auto firstSection = std::span<const std::byte>(bytes).subspan(48);
  out.bytes(std::span<const std::byte>(bytes).subspan(28, 16));
  out.u32(firstOffset);
  out.zeros(16);  // FMTID of the second section
  out.u32(firstOffset + static_cast<std::uint32_t>(firstSection.size()));
  out.bytes(firstSection);
  out.u32(size);
  out.u32(0);
  return out.take();
}

TEST(PropertySetDamage, ASectionShorterThanItsHeaderIsCorrupt) {
  for (const std::uint32_t size : {0u, 4u, 7u}) {
    const auto parsed = cfb::parsePropertySet(twoSectionsWithSecondOfSize(size));
    EXPECT_EQ(parsed.status, STG_E_DOCFILECORRUPT) << size;
  }
  // A whole, empty second section reads, and writes back into bytes that read.
  const auto parsed = cfb::parsePropertySet(twoSectionsWithSecondOfSize(8));
  ASSERT_EQ(parsed.status, kSOk);
  ASSERT_EQ(parsed.data.extraSections.size(), 1u);
  EXPECT_EQ(cfb::parsePropertySet(cfb::writePropertySet(parsed.data)).status, kSOk);
}

}  // namespace
}  // namespace tallyvane
