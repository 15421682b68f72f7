// Reads arbitrary bytes as a compound file. A file that reads must write and
// read back with the same streams, and its property sets must parse safely.
#include <cstddef>
#include <cstdint>
#include <span>
#include <vector>

#include "storage/CompoundFile.h"
#include "storage/PropertySet.h"

namespace {

void count(const tallyvane::cfb::Entry& e, std::size_t& streams, std::size_t& bytes) {
  for (const auto& c : e.children) {
    if (c->type == tallyvane::cfb::EntryType::Stream) {
      ++streams;
      bytes += c->data.size();
      if (!c->name.empty() && c->name[0] == 5)
        (void)tallyvane::cfb::parsePropertySet(c->data);
    } else {
      count(*c, streams, bytes);
    }
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  using namespace tallyvane::cfb;
  const auto parsed = parseCompoundFile(std::as_bytes(std::span(data, size)));
  if (parsed.status != 0) {
    if (parsed.root)
      __builtin_trap();
    return 0;
  }
  // Every stream's bytes come from the file, once.
  std::size_t streams = 0;
  std::size_t bytes = 0;
  count(*parsed.root, streams, bytes);
  if (bytes > size)
    __builtin_trap();
  const std::vector<std::byte> written = writeCompoundFile(*parsed.root);
  const auto again = parseCompoundFile(written);
  if (again.status != 0)
    __builtin_trap();
  std::size_t streams2 = 0;
  std::size_t bytes2 = 0;
  count(*again.root, streams2, bytes2);
  if (streams2 != streams || bytes2 != bytes)
    __builtin_trap();
  return 0;
}
