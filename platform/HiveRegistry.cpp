#include "platform/HiveRegistry.h"

#if defined(TALLYVANE_HAVE_HIVEX)

#include <hivex.h>

#include <array>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>

#include "platform/ByteReader.h"
#include "platform/Unicode.h"

namespace tallyvane::platform {

namespace {

// hivex hands out strings and arrays from malloc.
struct FreeDeleter {
  void operator()(void* p) const { std::free(p); }
};
template <typename T>
using Malloced = std::unique_ptr<T, FreeDeleter>;

std::string errnoText(int error) {
  if (error == 0)
    return "not a readable registry hive";
  // hivex says EINVAL for a bad signature, checksum or block structure.
  if (error == EINVAL)
    return "not a registry hive, or a damaged one";
  if (error == ENOTSUP)
    return "not a registry hive (or a hive version this program does not read)";
  return std::strerror(error);
}

// A file beside `path` whose name equals `name` without regard to case.
std::filesystem::path siblingIgnoringCase(const std::filesystem::path& path,
                                          const std::string& name) {
  std::error_code ec;
  const std::filesystem::path dir = path.parent_path().empty() ? "." : path.parent_path();
  for (const auto& entry : std::filesystem::directory_iterator(dir, ec)) {
    if (equalsIgnoreAsciiCase(entry.path().filename().string(), name))
      return entry.path();
  }
  return {};
}

}  // namespace

struct HiveRegistry::Hive {
  std::string name;
  std::string path;
  hive_h* handle = nullptr;
  // The control set SYSTEM\Select\Current names (0 when there is none).
  hive_node_h currentControlSet = 0;
  ~Hive() {
    if (handle != nullptr)
      hivex_close(handle);
  }
};

HiveRegistry::HiveRegistry() = default;
HiveRegistry::~HiveRegistry() = default;

bool HiveRegistry::hiveHasPendingLog(const std::string& path) {
  std::array<char, 12> head{};
  std::ifstream in(path, std::ios::binary);
  if (!in.read(head.data(), head.size()))
    return false;
  const auto* bytes = reinterpret_cast<const std::byte*>(head.data());
  ByteReader reader(std::span<const std::byte>(bytes, head.size()));
  const std::uint32_t primary = reader.u32(4).value_or(0);
  const std::uint32_t secondary = reader.u32(8).value_or(0);
  return std::memcmp(head.data(), "regf", 4) == 0 && primary != secondary;
}

bool HiveRegistry::addHive(const HiveFile& file, std::string& error) {
  // A folder, device or pipe of that name is no hive (and a pipe would block
  // the open).
  std::error_code statusError;
  const auto status = std::filesystem::status(file.path, statusError);
  if (!statusError && std::filesystem::exists(status) &&
      status.type() != std::filesystem::file_type::regular) {
    error = file.path + ": cannot be read as the " + file.name + " hive (not a regular file)";
    return false;
  }
  auto hive = std::make_unique<Hive>();
  hive->name = file.name;
  hive->path = file.path;
  errno = 0;
  hive->handle = hivex_open(file.path.c_str(), 0);
  if (hive->handle == nullptr) {
    error = file.path + ": cannot be read as the " + file.name + " hive (" + errnoText(errno) + ")";
    return false;
  }

  if (hiveHasPendingLog(file.path)) {
    const std::string base = std::filesystem::path(file.path).filename().string();
    std::string logs;
    for (const char* suffix : {".LOG1", ".LOG2", ".LOG"}) {
      const auto log = siblingIgnoringCase(file.path, base + suffix);
      std::error_code ec;
      if (!log.empty() && std::filesystem::file_size(log, ec) > 0 && !ec)
        logs += (logs.empty() ? "" : " and ") + log.filename().string();
    }
    notes_.push_back(file.path + ": the hive's newest changes " +
                     (logs.empty() ? std::string("were not written back (its transaction logs are "
                                                 "missing)")
                                   : "sit in " + logs + " and were not applied") +
                     "; it is read as last written in full");
  }

  // SYSTEM\CurrentControlSet is a link on a running system; on disk it is the
  // control set SYSTEM\Select\Current names.
  const hive_node_h root = hivex_root(hive->handle);
  if (root != 0) {
    if (const hive_node_h select = hivex_node_get_child(hive->handle, root, "Select")) {
      if (const hive_value_h current = hivex_node_get_value(hive->handle, select, "Current")) {
        errno = 0;
        const std::int32_t n = hivex_value_dword(hive->handle, current);
        if (errno == 0 && n > 0 && n < 1000) {
          char name[16];
          std::snprintf(name, sizeof name, "ControlSet%03d", static_cast<int>(n));
          hive->currentControlSet = hivex_node_get_child(hive->handle, root, name);
        }
      }
    }
  }
  hives_.push_back(std::move(hive));
  return true;
}

bool HiveRegistry::positionOf(RegKey key, Position& where) const {
  if (key == kHKeyLocalMachine) {
    where = {};
    return true;
  }
  const auto it = handles_.find(key);
  if (it == handles_.end())
    return false;
  where = it->second;
  return true;
}

RegKey HiveRegistry::newHandle(Position where) {
  const RegKey key = nextHandle_++;
  handles_[key] = where;
  return key;
}

std::uint32_t HiveRegistry::step(Position& where, std::string_view part) const {
  if (where.hive == nullptr) {
    for (const auto& hive : hives_) {
      if (equalsIgnoreAsciiCase(hive->name, part)) {
        where.hive = hive.get();
        where.node = hivex_root(hive->handle);
        return where.node != 0 ? kErrorSuccess : kErrorFileNotFound;
      }
    }
    return kErrorFileNotFound;
  }
  hive_h* h = where.hive->handle;
  if (where.node == hivex_root(h) && where.hive->currentControlSet != 0 &&
      equalsIgnoreAsciiCase(part, "CurrentControlSet")) {
    where.node = where.hive->currentControlSet;
    return kErrorSuccess;
  }
  const std::string name(part);
  errno = 0;
  const hive_node_h child =
      hivex_node_get_child(h, static_cast<hive_node_h>(where.node), name.c_str());
  if (child == 0)
    return errno == 0 ? kErrorFileNotFound : kErrorInvalidData;
  where.node = child;
  return kErrorSuccess;
}

std::uint32_t HiveRegistry::connect(std::string_view machine, RegKey root, RegKey& result) {
  result = kNoKey;
  // The hives are one machine's, read from disk: there is no other to reach.
  if (!machine.empty())
    return kErrorBadNetpath;
  if (root != kHKeyLocalMachine)
    return kErrorInvalidHandle;
  result = newHandle({});
  return kErrorSuccess;
}

std::uint32_t HiveRegistry::openKey(RegKey parent, std::string_view subKey, std::uint32_t,
                                    RegKey& result) {
  result = kNoKey;
  Position where;
  if (!positionOf(parent, where))
    return kErrorInvalidHandle;
  while (!subKey.empty()) {
    const std::size_t cut = subKey.find('\\');
    const std::string_view part = subKey.substr(0, cut);
    subKey = cut == std::string_view::npos ? std::string_view{} : subKey.substr(cut + 1);
    if (part.empty())
      continue;
    if (const std::uint32_t status = step(where, part); status != kErrorSuccess)
      return status;
  }
  result = newHandle(where);
  return kErrorSuccess;
}

std::uint32_t HiveRegistry::enumKey(RegKey key, std::uint32_t index, std::uint32_t bufferChars,
                                    std::string& name) {
  Position where;
  if (!positionOf(key, where))
    return kErrorInvalidHandle;
  std::string found;
  if (where.hive == nullptr) {
    if (index >= hives_.size())
      return kErrorNoMoreItems;
    found = hives_[index]->name;
  } else {
    hive_h* h = where.hive->handle;
    errno = 0;
    Malloced<hive_node_h> children(hivex_node_children(h, static_cast<hive_node_h>(where.node)));
    if (!children)
      return errno == 0 ? kErrorNoMoreItems : kErrorInvalidData;
    std::size_t count = 0;
    while (children.get()[count] != 0)
      ++count;
    if (index >= count)
      return kErrorNoMoreItems;
    Malloced<char> childName(hivex_node_name(h, children.get()[index]));
    if (!childName)
      return kErrorInvalidData;
    found = childName.get();
  }
  if (utf8ToUtf16(found).size() + 1 > bufferChars)
    return kErrorMoreData;
  name = std::move(found);
  return kErrorSuccess;
}

std::uint32_t HiveRegistry::queryValue(RegKey key, std::string_view valueName, std::uint32_t& type,
                                       std::span<std::byte> buffer, std::uint32_t& size) {
  Position where;
  if (!positionOf(key, where))
    return kErrorInvalidHandle;
  if (where.hive == nullptr)
    return kErrorFileNotFound;
  hive_h* h = where.hive->handle;
  const std::string name(valueName);
  errno = 0;
  const hive_value_h value =
      hivex_node_get_value(h, static_cast<hive_node_h>(where.node), name.c_str());
  if (value == 0)
    return errno == 0 ? kErrorFileNotFound : kErrorInvalidData;
  hive_type valueType = hive_t_none;
  std::size_t length = 0;
  Malloced<char> data(hivex_value_value(h, value, &valueType, &length));
  if (!data && length != 0)
    return kErrorInvalidData;
  if (length > 0xFFFFFFFFu)
    return kErrorInvalidData;
  // The type is the file's 32-bit field as stored, any number at all: it is
  // taken as bytes, never read as a value of hivex's enumeration.
  static_assert(sizeof(valueType) == sizeof(std::uint32_t));
  std::memcpy(&type, &valueType, sizeof type);
  size = static_cast<std::uint32_t>(length);
  if (buffer.empty())
    return kErrorSuccess;
  if (length > buffer.size())
    return kErrorMoreData;
  if (length > 0)
    std::memcpy(buffer.data(), data.get(), length);
  return kErrorSuccess;
}

std::uint32_t HiveRegistry::closeKey(RegKey key) {
  if (key == kHKeyLocalMachine)
    return kErrorSuccess;
  return handles_.erase(key) == 1 ? kErrorSuccess : kErrorInvalidHandle;
}

}  // namespace tallyvane::platform

#else

// A build without hivex reads no hive: every hive is reported as unreadable.
namespace tallyvane::platform {

struct HiveRegistry::Hive {};

HiveRegistry::HiveRegistry() = default;
HiveRegistry::~HiveRegistry() = default;

bool HiveRegistry::hiveHasPendingLog(const std::string&) {
  return false;
}

bool HiveRegistry::addHive(const HiveFile& file, std::string& error) {
  error = file.path +
          ": cannot be read (this build reads no registry hives: it was built "
          "without hivex)";
  return false;
}

bool HiveRegistry::positionOf(RegKey, Position&) const {
  return false;
}
std::uint32_t HiveRegistry::step(Position&, std::string_view) const {
  return kErrorFileNotFound;
}
RegKey HiveRegistry::newHandle(Position) {
  return kNoKey;
}
std::uint32_t HiveRegistry::connect(std::string_view, RegKey, RegKey& result) {
  result = kNoKey;
  return kErrorBadNetpath;
}
std::uint32_t HiveRegistry::openKey(RegKey, std::string_view, std::uint32_t, RegKey& result) {
  result = kNoKey;
  return kErrorFileNotFound;
}
std::uint32_t HiveRegistry::enumKey(RegKey, std::uint32_t, std::uint32_t, std::string&) {
  return kErrorNoMoreItems;
}
std::uint32_t HiveRegistry::queryValue(RegKey, std::string_view, std::uint32_t&,
                                       std::span<std::byte>, std::uint32_t&) {
  return kErrorFileNotFound;
}
std::uint32_t HiveRegistry::closeKey(RegKey) {
  return kErrorSuccess;
}

}  // namespace tallyvane::platform

#endif
