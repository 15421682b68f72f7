#pragma once
// The records of the System log that mark the machine's state: a start, an
// orderly shutdown, an unexpected shutdown, a sleep and a resume. The journal
// reads them and the Linux event log service writes them, so both take their
// sources and event identifiers from here.
#include <cstdint>

namespace tallyvane::platform {

// The sources, as Windows names them.
inline constexpr const char* kSourceEventLog = "EventLog";
inline constexpr const char* kSourceKernelPower = "Microsoft-Windows-Kernel-Power";
inline constexpr const char* kSourceKernelGeneral = "Microsoft-Windows-Kernel-General";

// The sources of the System log's state records, in this order.
inline constexpr const char* kSystemStateSources[] = {kSourceEventLog, kSourceKernelPower,
                                                      kSourceKernelGeneral};

// Event numbers: the low 16 bits of the identifier, which readers compare.
inline constexpr std::uint16_t kEventIdStarted = 6009;             // EventLog
inline constexpr std::uint16_t kEventIdStopped = 6006;             // EventLog
inline constexpr std::uint16_t kEventIdUnexpectedShutdown = 6008;  // EventLog
inline constexpr std::uint16_t kEventIdSleep = 42;                 // Kernel-Power
inline constexpr std::uint16_t kEventIdResumed = 1;                // Kernel-General

// The whole identifiers as ReadEventLogW hands them out on Windows: the
// EventLog service's messages carry the qualifier 0x8000 in the upper bits
// (6009 is 0x80001779), the manifest-based kernel events carry none (42 is
// 0x0000002A).
inline constexpr std::uint32_t kEventLogQualifier = 0x80000000;
inline constexpr std::uint32_t kEventOsVersionAtBoot = kEventLogQualifier | kEventIdStarted;
inline constexpr std::uint32_t kEventLogStopped = kEventLogQualifier | kEventIdStopped;
inline constexpr std::uint32_t kEventUnexpectedShutdown =
    kEventLogQualifier | kEventIdUnexpectedShutdown;
inline constexpr std::uint32_t kEventEnteringSleep = kEventIdSleep;
inline constexpr std::uint32_t kEventResumed = kEventIdResumed;

}  // namespace tallyvane::platform
