#pragma once
// Facts about the running system, shaped after GetVersionExW, GetProductInfo,
// IsWow64Process, GetSystemInfo/GetNativeSystemInfo, GetSystemMetrics,
// GetUserNameW, GetComputerNameW and GetModuleFileNameW. A system that is not
// Windows reports its own platform identifier (none of Windows' values), and
// describes itself through `hostSystem`.
#include <cstdint>
#include <string>

namespace tallyvane::platform {

enum VerPlatform : std::uint32_t {
  kVerPlatformWin32s = 0,
  kVerPlatformWin32Windows = 1,
  kVerPlatformWin32Nt = 2,
  // Not a Windows value: the platform is another operating system.
  kVerPlatformOther = 0x10000,
};

enum ProcessorArchitecture : std::uint16_t {
  kProcessorArchitectureIntel = 0,
  kProcessorArchitectureArm = 5,
  kProcessorArchitectureIa64 = 6,
  kProcessorArchitectureAmd64 = 9,
  kProcessorArchitectureArm64 = 12,
  kProcessorArchitectureUnknown = 0xFFFF,
};

enum SystemMetric : int {
  kSmTabletPc = 86,
  kSmMediaCenter = 87,
  kSmStarter = 88,
  kSmServerR2 = 89,
  kSmRemoteSession = 0x1000,
};

// OSVERSIONINFOEXW. `osVersionInfoSize` is 276 for the basic OSVERSIONINFOW
// record and 284 for the extended one; the basic record has no service-pack,
// suite-mask or product-type fields.
struct OsVersionRecord {
  static constexpr std::uint32_t kBasicSize = 276;
  static constexpr std::uint32_t kExtendedSize = 284;
  std::uint32_t osVersionInfoSize = 0;
  std::uint32_t majorVersion = 0;
  std::uint32_t minorVersion = 0;
  std::uint32_t buildNumber = 0;
  std::uint32_t platformId = 0;
  std::string csdVersion;  // at most 127 characters
  std::uint16_t servicePackMajor = 0;
  std::uint16_t servicePackMinor = 0;
  std::uint16_t suiteMask = 0;
  std::uint8_t productType = 0;
  std::uint8_t reserved = 0;
};

// What a system that is not Windows says about itself.
struct HostSystemDescription {
  std::string osRelease;  // the text of /etc/os-release (KEY=value lines)
  std::string machine;    // the machine architecture as uname reports it ("x86_64")
};

class SystemFacts {
 public:
  virtual ~SystemFacts() = default;
  // GetVersionExW: fills `record` as far as its osVersionInfoSize asks
  // (276 or 284); false when the call fails.
  virtual bool getVersionEx(OsVersionRecord& record) = 0;
  // Whether the GetProductInfo entry point exists.
  virtual bool hasProductInfo() = 0;
  // GetProductInfo: false (a zero return) when the call fails.
  virtual bool getProductInfo(std::uint32_t major, std::uint32_t minor, std::uint32_t spMajor,
                              std::uint32_t spMinor, std::uint32_t& productType) = 0;
  // IsWow64Process for the current process; nothing when the entry point is missing.
  virtual bool isWow64Process(bool& wow64) = 0;
  // wProcessorArchitecture of GetNativeSystemInfo (`native`) or GetSystemInfo.
  virtual std::uint16_t processorArchitecture(bool native) = 0;
  // GetSystemMetrics.
  virtual int getSystemMetrics(int index) = 0;
  // GetUserNameW with a buffer of `bufferChars` characters.
  virtual bool getUserName(std::uint32_t bufferChars, std::string& name) = 0;
  // GetComputerNameW with a buffer of `bufferChars` characters.
  virtual bool getComputerName(std::uint32_t bufferChars, std::string& name) = 0;
  // GetModuleFileNameW of the module holding this code (the program file, or
  // the dynamic library the code runs in), with a buffer of `bufferChars`.
  virtual std::string moduleFileName(std::uint32_t bufferChars) = 0;
  // The description of a platform that is not Windows; false on Windows.
  virtual bool hostSystem(HostSystemDescription& description) = 0;
};

}  // namespace tallyvane::platform
