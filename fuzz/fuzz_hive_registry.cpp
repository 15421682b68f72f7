// Fuzzes the hive path: the input is written out as a hive file (hivex reads
// files only), opened as the SYSTEM hive of a registry, and walked through
// the registry interface as the program walks an installation's hives: the
// keys below the root, the values read by name, the current control set and
// the installation's own facts.
#include <unistd.h>

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "platform/HiveRegistry.h"
#include "platform/WindowsInstallation.h"

using namespace tallyvane::platform;

namespace {

const std::string& scratchFile() {
  static const std::string path = [] {
    char name[] = "/tmp/fuzz_hive_registry.XXXXXX";
    const int fd = mkstemp(name);
    if (fd >= 0)
      close(fd);
    return std::string(name);
  }();
  return path;
}

void readValues(Registry& registry, RegKey key) {
  for (const char* name : {"", "Current", "ComputerName", "TimeZoneKeyName", "StandardName", "Bias",
                           "EventMessageFile", "ProductSuite", "ProductName"}) {
    std::uint32_t type = 0, size = 0;
    if (registry.queryValue(key, name, type, {}, size) != kErrorSuccess)
      continue;
    std::vector<std::byte> data(size);
    registry.queryValue(key, name, type, data, size);
    readStringValue(registry, key, name);
    readDwordValue(registry, key, name);
  }
}

// Every key to a bounded depth and count.
void walk(Registry& registry, RegKey key, int depth, int& budget) {
  readValues(registry, key);
  if (depth == 0)
    return;
  std::string name;
  for (std::uint32_t i = 0; budget > 0 && registry.enumKey(key, i, 256, name) == kErrorSuccess;
       ++i) {
    --budget;
    RegKey child = kNoKey;
    if (registry.openKey(key, name, kKeyRead, child) == kErrorSuccess) {
      walk(registry, child, depth - 1, budget);
      registry.closeKey(child);
    }
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string& path = scratchFile();
  FILE* file = std::fopen(path.c_str(), "wb");
  if (file == nullptr)
    return 0;
  std::fwrite(data, 1, size, file);
  std::fclose(file);

  for (const char* hiveName : {"SYSTEM", "SOFTWARE"}) {
    HiveRegistry registry;
    std::string error;
    if (!registry.addHive({hiveName, path}, error))
      return 0;
    int budget = 2000;
    walk(registry, kHKeyLocalMachine, 6, budget);
    InstallationSystemFacts facts(registry, nullptr);
    OsVersionRecord version;
    version.osVersionInfoSize = OsVersionRecord::kExtendedSize;
    facts.getVersionEx(version);
    std::uint32_t productType = 0;
    facts.getProductInfo(6, 1, 0, 0, productType);
    facts.processorArchitecture(true);
    facts.getSystemMetrics(kSmMediaCenter);
    std::string text;
    facts.getUserName(256, text);
    facts.getComputerName(256, text);
  }
  return 0;
}
