#include "platform/MemoryRegistry.h"

#include <cstring>

#include "platform/Unicode.h"

namespace tallyvane::platform {

namespace {

std::string_view stripBackslashes(std::string_view machine) {
  while (!machine.empty() && machine.front() == '\\')
    machine.remove_prefix(1);
  return machine;
}

}  // namespace

MemoryRegistry::MemoryRegistry() {
  root_.name = "HKEY_LOCAL_MACHINE";
}

MemoryRegistry::Node* MemoryRegistry::find(Node* from, std::string_view path, bool create) {
  Node* node = from;
  while (!path.empty()) {
    const std::size_t cut = path.find('\\');
    const std::string_view part = path.substr(0, cut);
    path = cut == std::string_view::npos ? std::string_view{} : path.substr(cut + 1);
    if (part.empty())
      continue;
    Node* next = nullptr;
    for (auto& child : node->children) {
      if (equalsIgnoreAsciiCase(child->name, part)) {
        next = child.get();
        break;
      }
    }
    if (next == nullptr) {
      if (!create)
        return nullptr;
      node->children.push_back(std::make_unique<Node>());
      next = node->children.back().get();
      next->name = std::string(part);
    }
    node = next;
  }
  return node;
}

MemoryRegistry::Node* MemoryRegistry::nodeOf(RegKey key) {
  if (key == kHKeyLocalMachine)
    return &root_;
  const auto it = handles_.find(key);
  return it == handles_.end() ? nullptr : it->second;
}

void MemoryRegistry::addKey(std::string_view path) {
  find(&root_, path, true);
}

void MemoryRegistry::setString(std::string_view path, std::string_view valueName,
                               std::string_view value, RegValueType type) {
  find(&root_, path, true)->values[asciiLower(valueName)] = {type, utf16leBytes(value)};
}

void MemoryRegistry::setDword(std::string_view path, std::string_view valueName,
                              std::uint32_t value) {
  std::vector<std::byte> bytes(4);
  for (int i = 0; i < 4; ++i)
    bytes[i] = static_cast<std::byte>((value >> (8 * i)) & 0xFF);
  find(&root_, path, true)->values[asciiLower(valueName)] = {kRegDword, std::move(bytes)};
}

void MemoryRegistry::setBinary(std::string_view path, std::string_view valueName,
                               std::vector<std::byte> value, RegValueType type) {
  find(&root_, path, true)->values[asciiLower(valueName)] = {type, std::move(value)};
}

void MemoryRegistry::addReachableMachine(std::string_view machine) {
  machines_.emplace_back(stripBackslashes(machine));
}

std::uint32_t MemoryRegistry::connect(std::string_view machine, RegKey root, RegKey& result) {
  ++connects_;
  lastMachine_ = machine;
  result = kNoKey;
  if (unreachable_)
    return kErrorBadNetpath;
  if (root != kHKeyLocalMachine)
    return kErrorInvalidHandle;
  const std::string_view name = stripBackslashes(machine);
  bool known = name.empty();
  for (const auto& m : machines_)
    known = known || equalsIgnoreAsciiCase(m, name);
  if (!known)
    return kErrorBadNetpath;
  result = nextHandle_++;
  handles_[result] = &root_;
  return kErrorSuccess;
}

std::uint32_t MemoryRegistry::openKey(RegKey parent, std::string_view subKey, std::uint32_t,
                                      RegKey& result) {
  ++opens_;
  result = kNoKey;
  Node* from = nodeOf(parent);
  if (from == nullptr)
    return kErrorInvalidHandle;
  Node* node = find(from, subKey, false);
  if (node == nullptr)
    return kErrorFileNotFound;
  result = nextHandle_++;
  handles_[result] = node;
  return kErrorSuccess;
}

std::uint32_t MemoryRegistry::enumKey(RegKey key, std::uint32_t index, std::uint32_t bufferChars,
                                      std::string& name) {
  Node* node = nodeOf(key);
  if (node == nullptr)
    return kErrorInvalidHandle;
  if (index >= node->children.size())
    return kErrorNoMoreItems;
  const std::string& childName = node->children[index]->name;
  if (utf8ToUtf16(childName).size() + 1 > bufferChars)
    return kErrorMoreData;
  name = childName;
  return kErrorSuccess;
}

std::uint32_t MemoryRegistry::queryValue(RegKey key, std::string_view valueName,
                                         std::uint32_t& type, std::span<std::byte> buffer,
                                         std::uint32_t& size) {
  Node* node = nodeOf(key);
  if (node == nullptr)
    return kErrorInvalidHandle;
  const auto it = node->values.find(asciiLower(valueName));
  if (it == node->values.end())
    return kErrorFileNotFound;
  type = it->second.first;
  const auto& data = it->second.second;
  size = static_cast<std::uint32_t>(data.size());
  if (buffer.empty())
    return kErrorSuccess;
  if (data.size() > buffer.size())
    return kErrorMoreData;
  if (!data.empty())
    std::memcpy(buffer.data(), data.data(), data.size());
  return kErrorSuccess;
}

std::uint32_t MemoryRegistry::closeKey(RegKey key) {
  return handles_.erase(key) == 1 ? kErrorSuccess : kErrorInvalidHandle;
}

}  // namespace tallyvane::platform
