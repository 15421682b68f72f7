#pragma once
// The processes of the machine, shaped after the ToolHelp snapshot
// (CreateToolhelp32Snapshot, Process32FirstW/NextW), the native list of
// NtQuerySystemInformation(SystemProcessInformation) and GetModuleBaseNameW.
#include <cstdint>
#include <string>
#include <vector>

namespace tallyvane::platform {

inline constexpr std::uint32_t kNoProcess = 0xFFFFFFFF;

// One PROCESSENTRY32W: the process and its image path (or bare name).
struct ProcessEntry {
  std::uint32_t processId = 0;
  std::string exeFile;
};

// One SYSTEM_PROCESS_INFORMATION record: the fields the callers read.
struct NativeProcessRecord {
  std::uint32_t processId = 0;
  std::uint32_t sessionId = 0;
};

class ProcessList {
 public:
  virtual ~ProcessList() = default;
  // The identifier of the calling process (GetCurrentProcessId).
  virtual std::uint32_t currentProcessId() = 0;
  // A process snapshot walked to its end; false when no snapshot can be taken.
  virtual bool snapshot(std::vector<ProcessEntry>& entries) = 0;
  // The native process list; false when the call does not succeed.
  virtual bool nativeProcesses(std::vector<NativeProcessRecord>& records) = 0;
  // GetModuleBaseNameW of a process opened with PROCESS_QUERY_INFORMATION |
  // PROCESS_VM_READ; false when it cannot be opened or the call fails.
  virtual bool moduleBaseName(std::uint32_t processId, std::string& name) = 0;
};

}  // namespace tallyvane::platform
