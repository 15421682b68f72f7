#pragma once
// Entry points looked up by name, for calls that older Windows releases lack.
#include <windows.h>

namespace tallyvane::platform {

// The entry point `name` of the loaded (or loadable) module `module`, or null.
template <typename Function>
Function win32Entry(const wchar_t* module, const char* name) {
  HMODULE handle = GetModuleHandleW(module);
  if (handle == nullptr)
    handle = LoadLibraryW(module);
  if (handle == nullptr)
    return nullptr;
  // Through the generic function pointer type, which converts to any other.
  return reinterpret_cast<Function>(reinterpret_cast<void (*)()>(GetProcAddress(handle, name)));
}

}  // namespace tallyvane::platform
