#pragma once
// A read-only registry over the hive files of a Windows installation read from
// disk (Windows\System32\config\SYSTEM, SOFTWARE, ...). Each hive appears as a
// key of HKEY_LOCAL_MACHINE named as the hive; SYSTEM\CurrentControlSet is the
// control set that SYSTEM\Select\Current names, as on a running system.
//
// Hives are read with hivex. A hive whose newest changes still sit in its
// transaction logs (.LOG1/.LOG2) is read as last written in full, with a note
// saying so; a hive that cannot be read is left out with an error sentence,
// and the others serve as usual.
#include <cstdint>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "platform/Registry.h"

namespace tallyvane::platform {

class HiveRegistry : public Registry {
 public:
  struct HiveFile {
    std::string name;  // the HKEY_LOCAL_MACHINE subkey it serves ("SYSTEM")
    std::string path;  // the hive file
  };

  HiveRegistry();
  ~HiveRegistry() override;
  HiveRegistry(const HiveRegistry&) = delete;
  HiveRegistry& operator=(const HiveRegistry&) = delete;

  // Opens one hive. False with a sentence in `error` naming the file when it
  // cannot be read (missing, not a hive, damaged). A readable hive with
  // unapplied transaction logs adds a sentence to notes().
  bool addHive(const HiveFile& file, std::string& error);
  // Whether any hive could be read.
  bool empty() const { return hives_.empty(); }
  // Sentences about what was read in a reduced form (unapplied logs).
  const std::vector<std::string>& notes() const { return notes_; }

  // Whether the file's base block says that changes were written to its
  // transaction logs after the hive itself (its two sequence numbers differ).
  static bool hiveHasPendingLog(const std::string& path);

  std::uint32_t connect(std::string_view machine, RegKey root, RegKey& result) override;
  std::uint32_t openKey(RegKey parent, std::string_view subKey, std::uint32_t access,
                        RegKey& result) override;
  std::uint32_t enumKey(RegKey key, std::uint32_t index, std::uint32_t bufferChars,
                        std::string& name) override;
  std::uint32_t queryValue(RegKey key, std::string_view valueName, std::uint32_t& type,
                           std::span<std::byte> buffer, std::uint32_t& size) override;
  std::uint32_t closeKey(RegKey key) override;

 private:
  struct Hive;
  // Where a handle points: HKEY_LOCAL_MACHINE itself (hive null) or a node.
  struct Position {
    Hive* hive = nullptr;
    std::uint64_t node = 0;
  };
  bool positionOf(RegKey key, Position& where) const;
  std::uint32_t step(Position& where, std::string_view part) const;
  RegKey newHandle(Position where);

  std::vector<std::unique_ptr<Hive>> hives_;
  std::map<RegKey, Position> handles_;
  RegKey nextHandle_ = 0x1000;
  std::vector<std::string> notes_;
};

}  // namespace tallyvane::platform
