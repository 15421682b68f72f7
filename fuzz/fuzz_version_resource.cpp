// Reads arbitrary bytes as a program file (PE or ELF), finds its version block
// and walks it with the queries the About dialog and the snapshot make: every
// value found lies inside the block.
#include <cstddef>
#include <cstdint>
#include <span>

#include "platform/VersionResource.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  using namespace tallyvane;
  const auto file = std::as_bytes(std::span(data, size));
  const auto block = platform::findVersionBlock(file);
  if (!block)
    return 0;
  if (block->size() > 0x10000)
    __builtin_trap();
  for (const char* query :
       {"\\", "\\VarFileInfo\\Translation", "\\StringFileInfo\\040904B0\\ProductName",
        "\\StringFileInfo\\040904B0\\FileVersion", "\\StringFileInfo\\040904E4\\Comments"}) {
    std::span<const std::byte> value;
    if (platform::queryVersionValue(*block, query, value)) {
      if (value.data() < block->data() ||
          value.data() + value.size() > block->data() + block->size())
        __builtin_trap();
    }
  }
  return 0;
}
