// System facts, terminal services, the process list, process tokens and the
// network names, each from the Win32 call of the same shape.
#include <winsock2.h>
#include <ws2tcpip.h>
// windows.h after the sockets headers, which it would otherwise conflict with.
#include <iphlpapi.h>
#include <lm.h>
#include <psapi.h>
#include <tlhelp32.h>
#include <windows.h>
#include <winternl.h>
#include <wtsapi32.h>

#include <algorithm>
#include <cstring>
#include <memory>
#include <vector>

#include "platform/Unicode.h"
#include "platform/win32/Win32Entry.h"
#include "platform/win32/Win32Services.h"

namespace tallyvane::platform {

namespace {

// Owns a handle that CloseHandle releases.
class Handle {
 public:
  explicit Handle(HANDLE handle) : handle_(handle) {}
  ~Handle() {
    if (valid())
      CloseHandle(handle_);
  }
  Handle(const Handle&) = delete;
  Handle& operator=(const Handle&) = delete;
  bool valid() const { return handle_ != nullptr && handle_ != INVALID_HANDLE_VALUE; }
  HANDLE get() const { return handle_; }

 private:
  HANDLE handle_;
};

using RtlGetVersionFn = LONG(WINAPI*)(OSVERSIONINFOEXW*);
using GetProductInfoFn = BOOL(WINAPI*)(DWORD, DWORD, DWORD, DWORD, DWORD*);
using IsWow64ProcessFn = BOOL(WINAPI*)(HANDLE, BOOL*);
using GetNativeSystemInfoFn = void(WINAPI*)(SYSTEM_INFO*);
using ProcessIdToSessionIdFn = BOOL(WINAPI*)(DWORD, DWORD*);
using WtsGetActiveConsoleSessionIdFn = DWORD(WINAPI*)();
using NtQuerySystemInformationFn = LONG(WINAPI*)(ULONG, void*, ULONG, ULONG*);
using NetWkstaGetInfoFn = DWORD(WINAPI*)(wchar_t*, DWORD, BYTE**);
using NetApiBufferFreeFn = DWORD(WINAPI*)(void*);

Sid sidBytes(PSID sid) {
  if (sid == nullptr || !IsValidSid(sid))
    return {};
  const DWORD length = GetLengthSid(sid);
  const auto* bytes = static_cast<const std::byte*>(sid);
  return Sid(bytes, bytes + length);
}

// GetTokenInformation into a buffer of the size the call asks for.
std::vector<std::byte> tokenInformation(HANDLE token, TOKEN_INFORMATION_CLASS kind) {
  DWORD needed = 0;
  GetTokenInformation(token, kind, nullptr, 0, &needed);
  if (needed == 0)
    return {};
  // TOKEN_USER and TOKEN_GROUPS hold pointers: the buffer is pointer-aligned.
  std::vector<std::byte> buffer(needed + sizeof(void*));
  if (!GetTokenInformation(token, kind, buffer.data(), needed, &needed))
    return {};
  return buffer;
}

class WinsockSession {
 public:
  WinsockSession() { started_ = WSAStartup(MAKEWORD(2, 2), &data_) == 0; }
  ~WinsockSession() {
    if (started_)
      WSACleanup();
  }
  WinsockSession(const WinsockSession&) = delete;
  WinsockSession& operator=(const WinsockSession&) = delete;
  bool started() const { return started_; }

 private:
  WSADATA data_{};
  bool started_ = false;
};

bool localHostName(std::string& name) {
  WinsockSession sockets;
  if (!sockets.started())
    return false;
  char host[256] = {};
  if (gethostname(host, sizeof host - 1) != 0)
    return false;
  name = host;
  return !name.empty();
}

// The IPv4 unicast addresses of the adapters that are up.
bool adapterIpv4Addresses(std::vector<std::uint32_t>& addresses) {
  ULONG size = 16 * 1024;
  std::vector<std::byte> buffer;
  ULONG status = ERROR_BUFFER_OVERFLOW;
  for (int attempt = 0; attempt < 3 && status == ERROR_BUFFER_OVERFLOW; ++attempt) {
    buffer.assign(size, std::byte{0});
    status = GetAdaptersAddresses(
        AF_INET, GAA_FLAG_SKIP_ANYCAST | GAA_FLAG_SKIP_MULTICAST | GAA_FLAG_SKIP_DNS_SERVER,
        nullptr, reinterpret_cast<IP_ADAPTER_ADDRESSES*>(buffer.data()), &size);
  }
  if (status != NO_ERROR)
    return false;
  std::vector<std::uint32_t> found;
  for (auto* adapter = reinterpret_cast<IP_ADAPTER_ADDRESSES*>(buffer.data()); adapter != nullptr;
       adapter = adapter->Next) {
    if (adapter->OperStatus != IfOperStatusUp || adapter->IfType == IF_TYPE_SOFTWARE_LOOPBACK)
      continue;
    for (auto* unicast = adapter->FirstUnicastAddress; unicast != nullptr;
         unicast = unicast->Next) {
      const SOCKADDR* address = unicast->Address.lpSockaddr;
      if (address == nullptr || address->sa_family != AF_INET)
        continue;
      const auto* in = reinterpret_cast<const sockaddr_in*>(address);
      found.push_back(ntohl(in->sin_addr.s_addr));
    }
  }
  if (found.empty())
    return false;
  addresses = std::move(found);
  return true;
}

}  // namespace

// --- system facts ----------------------------------------------------------

bool Win32SystemFacts::getVersionEx(OsVersionRecord& record) {
  if (record.osVersionInfoSize != OsVersionRecord::kBasicSize &&
      record.osVersionInfoSize != OsVersionRecord::kExtendedSize) {
    return false;
  }
  OSVERSIONINFOEXW info{};
  info.dwOSVersionInfoSize = sizeof info;
  static const auto rtlGetVersion = win32Entry<RtlGetVersionFn>(L"ntdll.dll", "RtlGetVersion");
  if (rtlGetVersion == nullptr || rtlGetVersion(&info) != 0)
    return false;
  const std::uint32_t size = record.osVersionInfoSize;
  record = OsVersionRecord{};
  record.osVersionInfoSize = size;
  record.majorVersion = info.dwMajorVersion;
  record.minorVersion = info.dwMinorVersion;
  record.buildNumber = info.dwBuildNumber;
  record.platformId = info.dwPlatformId;
  std::wstring csd(info.szCSDVersion, wcsnlen(info.szCSDVersion, 128));
  if (csd.size() > 127)
    csd.resize(127);
  record.csdVersion = fromWide(csd);
  if (size == OsVersionRecord::kExtendedSize) {
    record.servicePackMajor = info.wServicePackMajor;
    record.servicePackMinor = info.wServicePackMinor;
    record.suiteMask = info.wSuiteMask;
    record.productType = info.wProductType;
    record.reserved = info.wReserved;
  }
  return true;
}

bool Win32SystemFacts::hasProductInfo() {
  return win32Entry<GetProductInfoFn>(L"kernel32.dll", "GetProductInfo") != nullptr;
}

bool Win32SystemFacts::getProductInfo(std::uint32_t major, std::uint32_t minor,
                                      std::uint32_t spMajor, std::uint32_t spMinor,
                                      std::uint32_t& productType) {
  static const auto getProductInfoFn =
      win32Entry<GetProductInfoFn>(L"kernel32.dll", "GetProductInfo");
  if (getProductInfoFn == nullptr)
    return false;
  DWORD type = 0;
  if (!getProductInfoFn(major, minor, spMajor, spMinor, &type))
    return false;
  productType = type;
  return true;
}

bool Win32SystemFacts::isWow64Process(bool& wow64) {
  static const auto isWow64 = win32Entry<IsWow64ProcessFn>(L"kernel32.dll", "IsWow64Process");
  if (isWow64 == nullptr)
    return false;
  BOOL value = FALSE;
  if (!isWow64(GetCurrentProcess(), &value))
    return false;
  wow64 = value != FALSE;
  return true;
}

std::uint16_t Win32SystemFacts::processorArchitecture(bool native) {
  SYSTEM_INFO info{};
  static const auto getNative =
      win32Entry<GetNativeSystemInfoFn>(L"kernel32.dll", "GetNativeSystemInfo");
  if (native && getNative != nullptr)
    getNative(&info);
  else
    GetSystemInfo(&info);
  return info.wProcessorArchitecture;
}

int Win32SystemFacts::getSystemMetrics(int index) {
  return GetSystemMetrics(index);
}

bool Win32SystemFacts::getUserName(std::uint32_t bufferChars, std::string& name) {
  std::vector<wchar_t> buffer(bufferChars > 0 ? bufferChars : 1);
  DWORD chars = bufferChars;
  if (!GetUserNameW(buffer.data(), &chars))
    return false;
  name = fromWide(buffer.data());
  return true;
}

bool Win32SystemFacts::getComputerName(std::uint32_t bufferChars, std::string& name) {
  std::vector<wchar_t> buffer(bufferChars > 0 ? bufferChars : 1);
  DWORD chars = bufferChars;
  if (!GetComputerNameW(buffer.data(), &chars))
    return false;
  name = fromWide(std::wstring_view(buffer.data(), chars));
  return true;
}

std::string Win32SystemFacts::moduleFileName(std::uint32_t bufferChars) {
  // The module that holds this function: the program, or the DLL it is linked into.
  HMODULE module = nullptr;
  static const int anchor = 0;
  if (!GetModuleHandleExW(
          GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS | GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT,
          reinterpret_cast<const wchar_t*>(&anchor), &module)) {
    module = nullptr;
  }
  if (bufferChars == 0)
    return "";
  std::vector<wchar_t> buffer(bufferChars);
  const DWORD chars = GetModuleFileNameW(module, buffer.data(), bufferChars);
  // A name longer than the buffer comes back cut to fit, terminator included.
  const std::size_t kept = chars < bufferChars ? chars : bufferChars - 1;
  return fromWide(std::wstring_view(buffer.data(), kept));
}

// --- terminal services -----------------------------------------------------

bool Win32TerminalServices::available() {
  return win32Entry<void (*)()>(L"wtsapi32.dll", "WTSEnumerateServersA") != nullptr;
}

bool Win32TerminalServices::querySessionText(std::uint32_t sessionId, WtsInfoClass infoClass,
                                             std::string& text) {
  if (infoClass != kWtsUserName && infoClass != kWtsDomainName)
    return false;
  wchar_t* buffer = nullptr;
  DWORD bytes = 0;
  if (!WTSQuerySessionInformationW(WTS_CURRENT_SERVER_HANDLE, sessionId,
                                   static_cast<WTS_INFO_CLASS>(infoClass), &buffer, &bytes)) {
    return false;
  }
  text = buffer != nullptr ? fromWide(std::wstring_view(buffer, wcsnlen(buffer, bytes / 2))) : "";
  WTSFreeMemory(buffer);
  return true;
}

bool Win32TerminalServices::querySessionNumber(std::uint32_t sessionId, WtsInfoClass infoClass,
                                               std::uint32_t& value) {
  if (infoClass != kWtsSessionId)
    return false;
  wchar_t* buffer = nullptr;
  DWORD bytes = 0;
  if (!WTSQuerySessionInformationW(WTS_CURRENT_SERVER_HANDLE, sessionId,
                                   static_cast<WTS_INFO_CLASS>(infoClass), &buffer, &bytes)) {
    return false;
  }
  const bool ok = buffer != nullptr && bytes >= sizeof(DWORD);
  if (ok)
    std::memcpy(&value, buffer, sizeof(DWORD));
  WTSFreeMemory(buffer);
  return ok;
}

bool Win32TerminalServices::activeConsoleSessionId(std::uint32_t& sessionId) {
  static const auto get =
      win32Entry<WtsGetActiveConsoleSessionIdFn>(L"kernel32.dll", "WTSGetActiveConsoleSessionId");
  if (get == nullptr)
    return false;
  sessionId = get();
  return true;
}

bool Win32TerminalServices::hasProcessIdToSessionId() {
  return win32Entry<ProcessIdToSessionIdFn>(L"kernel32.dll", "ProcessIdToSessionId") != nullptr;
}

bool Win32TerminalServices::processIdToSessionId(std::uint32_t processId,
                                                 std::uint32_t& sessionId) {
  static const auto toSession =
      win32Entry<ProcessIdToSessionIdFn>(L"kernel32.dll", "ProcessIdToSessionId");
  DWORD session = 0;
  if (toSession == nullptr || !toSession(processId, &session))
    return false;
  sessionId = session;
  return true;
}

// --- processes -------------------------------------------------------------

std::uint32_t Win32ProcessList::currentProcessId() {
  return GetCurrentProcessId();
}

bool Win32ProcessList::snapshot(std::vector<ProcessEntry>& entries) {
  Handle snap(CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0));
  if (!snap.valid())
    return false;
  PROCESSENTRY32W entry{};
  entry.dwSize = sizeof entry;
  entries.clear();
  for (BOOL more = Process32FirstW(snap.get(), &entry); more;
       more = Process32NextW(snap.get(), &entry)) {
    entries.push_back({entry.th32ProcessID, fromWide(entry.szExeFile)});
  }
  return true;
}

bool Win32ProcessList::nativeProcesses(std::vector<NativeProcessRecord>& records) {
  constexpr ULONG kSystemProcessInformation = 5;
  constexpr LONG kStatusInfoLengthMismatch = static_cast<LONG>(0xC0000004);
  constexpr LONG kStatusBufferOverflow = static_cast<LONG>(0x80000005);
  static const auto query =
      win32Entry<NtQuerySystemInformationFn>(L"ntdll.dll", "NtQuerySystemInformation");
  if (query == nullptr)
    return false;
  // Grown until the list fits; the list changes between calls, so the size the
  // call returns is a lower bound.
  std::vector<std::byte> buffer(256 * 1024);
  LONG status = 0;
  for (int attempt = 0; attempt < 8; ++attempt) {
    ULONG needed = 0;
    status =
        query(kSystemProcessInformation, buffer.data(), static_cast<ULONG>(buffer.size()), &needed);
    if (status != kStatusInfoLengthMismatch && status != kStatusBufferOverflow)
      break;
    buffer.assign(std::max<std::size_t>(buffer.size() * 2, needed + 64 * 1024), std::byte{0});
  }
  if (status != 0)
    return false;
  records.clear();
  std::size_t offset = 0;
  while (offset + sizeof(SYSTEM_PROCESS_INFORMATION) <= buffer.size()) {
    SYSTEM_PROCESS_INFORMATION info;
    std::memcpy(&info, buffer.data() + offset, sizeof info);
    records.push_back(
        {static_cast<std::uint32_t>(reinterpret_cast<ULONG_PTR>(info.UniqueProcessId)),
         info.SessionId});
    if (info.NextEntryOffset == 0)
      break;
    offset += info.NextEntryOffset;
  }
  return true;
}

bool Win32ProcessList::moduleBaseName(std::uint32_t processId, std::string& name) {
  Handle process(OpenProcess(PROCESS_QUERY_INFORMATION | PROCESS_VM_READ, FALSE, processId));
  if (!process.valid())
    return false;
  wchar_t buffer[MAX_PATH] = {};
  const DWORD chars = GetModuleBaseNameW(process.get(), nullptr, buffer, MAX_PATH);
  if (chars == 0)
    return false;
  name = fromWide(std::wstring_view(buffer, chars));
  return true;
}

// --- tokens ----------------------------------------------------------------

bool Win32ProcessTokens::canOpenProcess(std::uint32_t processId) {
  Handle process(OpenProcess(PROCESS_ALL_ACCESS, FALSE, processId));
  return process.valid();
}

bool Win32ProcessTokens::processUser(std::uint32_t processId, Sid& user) {
  Handle process(OpenProcess(PROCESS_QUERY_INFORMATION, FALSE, processId));
  if (!process.valid())
    return false;
  HANDLE token = nullptr;
  if (!OpenProcessToken(process.get(), TOKEN_QUERY, &token))
    return false;
  Handle owned(token);
  const std::vector<std::byte> buffer = tokenInformation(token, TokenUser);
  if (buffer.empty())
    return false;
  TOKEN_USER header{};
  std::memcpy(&header, buffer.data(), sizeof header);
  Sid sid = sidBytes(header.User.Sid);
  if (sid.empty())
    return false;
  user = std::move(sid);
  return true;
}

bool Win32ProcessTokens::currentGroups(std::vector<Sid>& groups) {
  HANDLE token = nullptr;
  if (!OpenThreadToken(GetCurrentThread(), TOKEN_QUERY, TRUE, &token) &&
      !OpenProcessToken(GetCurrentProcess(), TOKEN_QUERY, &token)) {
    return false;
  }
  Handle owned(token);
  const std::vector<std::byte> buffer = tokenInformation(token, TokenGroups);
  if (buffer.size() < sizeof(TOKEN_GROUPS))
    return false;
  // The SIDs the entries point at live inside the same buffer.
  const auto* list = reinterpret_cast<const TOKEN_GROUPS*>(buffer.data());
  const auto* entries = list->Groups;
  std::vector<Sid> found;
  for (DWORD i = 0; i < list->GroupCount; ++i)
    found.push_back(sidBytes(entries[i].Sid));
  groups = std::move(found);
  return true;
}

// --- network ---------------------------------------------------------------

bool Win32NetworkInfo::workstationAvailable() {
  return win32Entry<NetWkstaGetInfoFn>(L"netapi32.dll", "NetWkstaGetInfo") != nullptr;
}

bool Win32NetworkInfo::workstationLanGroup(std::string_view server, std::string& lanGroup) {
  static const auto getInfo = win32Entry<NetWkstaGetInfoFn>(L"netapi32.dll", "NetWkstaGetInfo");
  static const auto freeBuffer =
      win32Entry<NetApiBufferFreeFn>(L"netapi32.dll", "NetApiBufferFree");
  if (getInfo == nullptr || freeBuffer == nullptr)
    return false;
  std::wstring name = toWide(server);
  BYTE* buffer = nullptr;
  const DWORD status = getInfo(server.empty() ? nullptr : name.data(), 100, &buffer);
  if (status != NERR_Success || buffer == nullptr) {
    if (buffer != nullptr)
      freeBuffer(buffer);
    return false;
  }
  const auto* info = reinterpret_cast<const WKSTA_INFO_100*>(buffer);
  lanGroup = info->wki100_langroup != nullptr ? fromWide(info->wki100_langroup) : "";
  freeBuffer(buffer);
  return true;
}

bool Win32NetworkInfo::hostName(std::string& name) {
  return localHostName(name);
}

bool Win32NetworkInfo::resolveIpv4(std::string_view host, std::vector<std::uint32_t>& addresses) {
  WinsockSession sockets;
  if (!sockets.started())
    return false;
  addrinfo hints{};
  hints.ai_family = AF_INET;
  hints.ai_socktype = SOCK_STREAM;
  addrinfo* found = nullptr;
  const std::string name(host);
  if (getaddrinfo(name.c_str(), nullptr, &hints, &found) == 0 && found != nullptr) {
    std::vector<std::uint32_t> list;
    for (const addrinfo* entry = found; entry != nullptr; entry = entry->ai_next) {
      if (entry->ai_family != AF_INET || entry->ai_addr == nullptr)
        continue;
      const auto* in = reinterpret_cast<const sockaddr_in*>(entry->ai_addr);
      const std::uint32_t address = ntohl(in->sin_addr.s_addr);
      bool seen = false;
      for (const std::uint32_t known : list)
        seen = seen || known == address;
      if (!seen)
        list.push_back(address);
    }
    freeaddrinfo(found);
    if (!list.empty()) {
      addresses = std::move(list);
      return true;
    }
  }
  std::string own;
  if (localHostName(own) && equalsIgnoreAsciiCase(own, host))
    return adapterIpv4Addresses(addresses);
  return false;
}

}  // namespace tallyvane::platform
