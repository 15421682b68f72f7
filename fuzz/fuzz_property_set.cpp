// Reads arbitrary bytes as a property set stream, decodes every value, and
// checks that a set that reads writes and reads back with the same properties.
#include <cstddef>
#include <cstdint>
#include <span>

#include "storage/PropertySet.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  using namespace tallyvane;
  const auto parsed = cfb::parsePropertySet(std::as_bytes(std::span(data, size)));
  if (parsed.status != 0)
    return 0;
  const auto& section = parsed.data.section;
  for (const auto& p : section.properties) {
    (void)cfb::decodeValue(p.vt, p.value, section.codePage);
  }
  const auto again = cfb::parsePropertySet(cfb::writePropertySet(parsed.data));
  if (again.status != 0)
    __builtin_trap();
  if (again.data.section.properties.size() != section.properties.size())
    __builtin_trap();
  if (again.data.section.dictionary.size() != section.dictionary.size())
    __builtin_trap();
  if (again.data.extraSections.size() != parsed.data.extraSections.size())
    __builtin_trap();
  return 0;
}
