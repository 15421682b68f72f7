#include "platform/win32/Win32MessageFiles.h"

#include <windows.h>

#include <memory>

#include "platform/Unicode.h"

namespace tallyvane::platform {

namespace {

static_assert(sizeof(wchar_t) == sizeof(char16_t));

std::wstring wide(std::string_view text) {
  const std::u16string units = utf8ToUtf16(text);
  return std::wstring(units.begin(), units.end());
}

std::string narrow(std::wstring_view text) {
  return utf16ToUtf8(std::u16string(text.begin(), text.end()));
}

struct ModuleRelease {
  void operator()(HMODULE module) const { FreeLibrary(module); }
};
using ModuleHandle = std::unique_ptr<std::remove_pointer_t<HMODULE>, ModuleRelease>;

struct EnvironmentRelease {
  void operator()(wchar_t* block) const { FreeEnvironmentStringsW(block); }
};

}  // namespace

std::vector<std::string> processEnvironment() {
  std::vector<std::string> entries;
  const std::unique_ptr<wchar_t, EnvironmentRelease> block(GetEnvironmentStringsW());
  if (!block)
    return entries;
  // The whole block: entries end with a NUL, the block with an empty entry.
  for (const wchar_t* entry = block.get(); *entry != L'\0';) {
    const std::wstring_view text(entry);
    entries.push_back(narrow(text));
    entry += text.size() + 1;
  }
  return entries;
}

bool Win32MessageFiles::fileExists(std::string_view fileName) {
  const DWORD attributes = GetFileAttributesW(wide(fileName).c_str());
  return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) == 0;
}

std::vector<std::string> Win32MessageFiles::environment() {
  return processEnvironment();
}

std::optional<std::string> Win32MessageFiles::formatMessage(std::string_view fileName,
                                                            const MessageRequest& request) {
  const ModuleHandle module(
      LoadLibraryExW(wide(fileName).c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE));
  if (!module)
    return std::nullopt;
  std::vector<std::wstring> texts;
  std::vector<DWORD_PTR> arguments;
  if (request.arguments != nullptr) {
    texts.reserve(kMessageArgumentSlots);
    for (const std::string& argument : *request.arguments)
      texts.push_back(wide(argument));
    while (texts.size() < kMessageArgumentSlots)
      texts.emplace_back();
    for (const std::wstring& text : texts)
      arguments.push_back(reinterpret_cast<DWORD_PTR>(text.c_str()));
  }
  DWORD flags = FORMAT_MESSAGE_FROM_HMODULE;
  if (request.arguments != nullptr)
    flags |= FORMAT_MESSAGE_ARGUMENT_ARRAY;
  if (request.ignoreInserts)
    flags |= FORMAT_MESSAGE_IGNORE_INSERTS;
  std::vector<wchar_t> buffer(request.bufferChars > 0 ? request.bufferChars : 1);
  const DWORD written = FormatMessageW(
      flags, module.get(), request.id, request.language, buffer.data(),
      static_cast<DWORD>(buffer.size()),
      request.arguments != nullptr ? reinterpret_cast<va_list*>(arguments.data()) : nullptr);
  if (written == 0)
    return std::nullopt;
  return narrow(std::wstring_view(buffer.data(), written));
}

}  // namespace tallyvane::platform
