#pragma once
// Status codes of the structured storage calls and the errors the storage layer
// raises with them. The values are the platform's (STG_E_* of winerror.h), so a
// caller sees the same code whichever implementation produced it.
#include <cstdint>
#include <stdexcept>
#include <string>

namespace tallyvane {

using HRESULT = std::int32_t;

inline constexpr HRESULT hresult(std::uint32_t value) {
  return static_cast<HRESULT>(value);
}
inline constexpr bool Succeeded(HRESULT hr) {
  return hr >= 0;
}
inline constexpr bool Failed(HRESULT hr) {
  return hr < 0;
}

inline constexpr HRESULT kSOk = 0;
inline constexpr HRESULT kSFalse = 1;
inline constexpr HRESULT kEOutOfMemory = hresult(0x8007000E);
inline constexpr HRESULT kEInvalidArg = hresult(0x80070057);
inline constexpr HRESULT STG_E_INVALIDFUNCTION = hresult(0x80030001);
inline constexpr HRESULT STG_E_FILENOTFOUND = hresult(0x80030002);
inline constexpr HRESULT STG_E_PATHNOTFOUND = hresult(0x80030003);
inline constexpr HRESULT STG_E_TOOMANYOPENFILES = hresult(0x80030004);
inline constexpr HRESULT STG_E_ACCESSDENIED = hresult(0x80030005);
inline constexpr HRESULT STG_E_INVALIDHANDLE = hresult(0x80030006);
inline constexpr HRESULT STG_E_INSUFFICIENTMEMORY = hresult(0x80030008);
inline constexpr HRESULT STG_E_INVALIDPOINTER = hresult(0x80030009);
inline constexpr HRESULT STG_E_NOMOREFILES = hresult(0x80030012);
inline constexpr HRESULT STG_E_DISKISWRITEPROTECTED = hresult(0x80030013);
inline constexpr HRESULT STG_E_SEEKERROR = hresult(0x80030019);
inline constexpr HRESULT STG_E_WRITEFAULT = hresult(0x8003001D);
inline constexpr HRESULT STG_E_READFAULT = hresult(0x8003001E);
inline constexpr HRESULT STG_E_SHAREVIOLATION = hresult(0x80030020);
inline constexpr HRESULT STG_E_LOCKVIOLATION = hresult(0x80030021);
inline constexpr HRESULT STG_E_FILEALREADYEXISTS = hresult(0x80030050);
inline constexpr HRESULT STG_E_INVALIDPARAMETER = hresult(0x80030057);
inline constexpr HRESULT STG_E_MEDIUMFULL = hresult(0x80030070);
inline constexpr HRESULT STG_E_INVALIDHEADER = hresult(0x800300FB);
inline constexpr HRESULT STG_E_INVALIDNAME = hresult(0x800300FC);
inline constexpr HRESULT STG_E_UNKNOWN = hresult(0x800300FD);
inline constexpr HRESULT STG_E_UNIMPLEMENTEDFUNCTION = hresult(0x800300FE);
inline constexpr HRESULT STG_E_INVALIDFLAG = hresult(0x800300FF);
inline constexpr HRESULT STG_E_INUSE = hresult(0x80030100);
inline constexpr HRESULT STG_E_REVERTED = hresult(0x80030102);
inline constexpr HRESULT STG_E_OLDFORMAT = hresult(0x80030104);
inline constexpr HRESULT STG_E_OLDDLL = hresult(0x80030105);
inline constexpr HRESULT STG_E_DOCFILECORRUPT = hresult(0x80030109);

// The system's text for a storage status code ("OLE error %.8x" when it has none).
std::string StorageErrorMessage(HRESULT code);

// A failed platform storage call: the status code and the system's message.
class EOleSysError : public std::runtime_error {
 public:
  explicit EOleSysError(HRESULT code);
  EOleSysError(const std::string& message, HRESULT code)
      : std::runtime_error(message), ErrorCode(code) {}
  HRESULT ErrorCode;
};

// A disk file that could not be opened ("Cannot open file %s").
class EFOpenError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

// A disk file that could not be created ("Cannot create file %s").
class EFCreateError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

// Raises EOleSysError when `code` is a failure.
inline void OleCheck(HRESULT code) {
  if (Failed(code))
    throw EOleSysError(code);
}

}  // namespace tallyvane
