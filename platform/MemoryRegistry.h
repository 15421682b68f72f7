#pragma once
// A registry held in memory: the read-only registry views built from Linux
// facts or from an offline Windows installation, and the tests' registry, are
// all one of these. Keys and value names compare without regard to ASCII case.
#include <cstdint>
#include <map>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "platform/Registry.h"

namespace tallyvane::platform {

class MemoryRegistry : public Registry {
 public:
  MemoryRegistry();

  // Building the tree. Paths use backslashes below HKEY_LOCAL_MACHINE ("SYSTEM\\...").
  void addKey(std::string_view path);
  void setString(std::string_view path, std::string_view valueName, std::string_view value,
                 RegValueType type = kRegSz);
  void setDword(std::string_view path, std::string_view valueName, std::uint32_t value);
  void setBinary(std::string_view path, std::string_view valueName, std::vector<std::byte> value,
                 RegValueType type = kRegBinary);

  // Remote machines this registry answers for (compared without regard to case,
  // with or without the leading backslashes). By default only the local machine.
  void addReachableMachine(std::string_view machine);
  // Makes every connect fail, as an unreachable machine does.
  void setUnreachable(bool unreachable) { unreachable_ = unreachable; }

  // Counters for tests.
  int connectCount() const { return connects_; }
  int openKeyCount() const { return opens_; }
  int openHandleCount() const { return static_cast<int>(handles_.size()); }
  // The machine text of the last connect, as the caller passed it.
  const std::string& lastConnectMachine() const { return lastMachine_; }

  std::uint32_t connect(std::string_view machine, RegKey root, RegKey& result) override;
  std::uint32_t openKey(RegKey parent, std::string_view subKey, std::uint32_t access,
                        RegKey& result) override;
  std::uint32_t enumKey(RegKey key, std::uint32_t index, std::uint32_t bufferChars,
                        std::string& name) override;
  std::uint32_t queryValue(RegKey key, std::string_view valueName, std::uint32_t& type,
                           std::span<std::byte> buffer, std::uint32_t& size) override;
  std::uint32_t closeKey(RegKey key) override;

 private:
  struct Node {
    std::string name;
    std::vector<std::unique_ptr<Node>> children;  // in insertion order
    std::map<std::string, std::pair<std::uint32_t, std::vector<std::byte>>>
        values;  // lower-case names
  };
  Node* find(Node* from, std::string_view path, bool create);
  Node* nodeOf(RegKey key);

  Node root_;  // HKEY_LOCAL_MACHINE
  std::map<RegKey, Node*> handles_;
  std::vector<std::string> machines_;
  RegKey nextHandle_ = 0x1000;
  bool unreachable_ = false;
  int connects_ = 0;
  std::string lastMachine_;
  int opens_ = 0;
};

}  // namespace tallyvane::platform
