#pragma once
// Status codes of the Windows calls that the platform interfaces are shaped
// after. Every implementation (Windows, Linux, exported files, test doubles)
// reports failures with these values so that callers behave identically.
#include <cstdint>

namespace tallyvane::platform {

enum WinError : std::uint32_t {
  kErrorSuccess = 0,
  kErrorFileNotFound = 2,
  kErrorPathNotFound = 3,
  kErrorTooManyOpenFiles = 4,
  kErrorAccessDenied = 5,
  kErrorInvalidHandle = 6,
  kErrorNotEnoughMemory = 8,
  kErrorInvalidData = 13,
  kErrorWriteProtect = 19,
  kErrorSeek = 25,
  kErrorWriteFault = 29,
  kErrorReadFault = 30,
  kErrorGenFailure = 31,
  kErrorSharingViolation = 32,
  kErrorLockViolation = 33,
  kErrorHandleEof = 38,
  kErrorHandleDiskFull = 39,
  kErrorNotSupported = 50,
  kErrorBadNetpath = 53,
  kErrorFileExists = 80,
  kErrorInvalidParameter = 87,
  kErrorDiskFull = 112,
  kErrorInsufficientBuffer = 122,
  kErrorInvalidName = 123,
  kErrorMoreData = 234,
  kErrorNoMoreItems = 259,
  kErrorNoneMapped = 1332,
  kErrorEventlogFileCorrupt = 1500,
  kRpcServerUnavailable = 1722,
};

}  // namespace tallyvane::platform
