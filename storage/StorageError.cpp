#include "storage/StorageError.h"

#include <cstdio>

namespace tallyvane {

std::string StorageErrorMessage(HRESULT code) {
  // The texts the system gives for these codes (inserts left unfilled, as the
  // message is formatted without arguments).
  switch (static_cast<std::uint32_t>(code)) {
    case 0x8007000E:
      return "Not enough memory resources are available to complete this operation.";
    case 0x80070057:
      return "The parameter is incorrect.";
    case 0x80030001:
      return "Unable to perform requested operation.";
    case 0x80030002:
      return "%1 could not be found.";
    case 0x80030003:
      return "The path %1 could not be found.";
    case 0x80030004:
      return "There are insufficient resources to open another file.";
    case 0x80030005:
      return "Access Denied.";
    case 0x80030006:
      return "Attempted an operation on an invalid object.";
    case 0x80030008:
      return "There is insufficient memory available to complete operation.";
    case 0x80030009:
      return "Invalid pointer error.";
    case 0x80030012:
      return "There are no more entries to return.";
    case 0x80030013:
      return "Disk is write-protected.";
    case 0x80030019:
      return "An error occurred during a seek operation.";
    case 0x8003001D:
      return "A disk error occurred during a write operation.";
    case 0x8003001E:
      return "A disk error occurred during a read operation.";
    case 0x80030020:
      return "A share violation has occurred.";
    case 0x80030021:
      return "A lock violation has occurred.";
    case 0x80030050:
      return "%1 already exists.";
    case 0x80030057:
      return "Invalid parameter error.";
    case 0x80030070:
      return "There is insufficient disk space to complete operation.";
    case 0x800300FB:
      return "The file %1 is not a valid compound file.";
    case 0x800300FC:
      return "The name %1 is not valid.";
    case 0x800300FD:
      return "An unexpected error occurred.";
    case 0x800300FE:
      return "That function is not implemented.";
    case 0x800300FF:
      return "Invalid flag error.";
    case 0x80030100:
      return "Attempted to use an object that is busy.";
    case 0x80030102:
      return "Attempted to use an object that has ceased to exist.";
    case 0x80030104:
      return "The compound file %1 was produced with an incompatible version of storage.";
    case 0x80030105:
      return "The compound file %1 was produced with a newer version of storage.";
    case 0x80030109:
      return "The docfile has been corrupted.";
    default:
      break;
  }
  char text[32];
  std::snprintf(text, sizeof text, "OLE error %.8X", static_cast<unsigned>(code));
  return text;
}

EOleSysError::EOleSysError(HRESULT code)
    : std::runtime_error(StorageErrorMessage(code)), ErrorCode(code) {}

}  // namespace tallyvane
