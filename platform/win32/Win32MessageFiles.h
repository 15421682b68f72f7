#pragma once
// Message files through the system: LoadLibraryExW (LOAD_LIBRARY_AS_DATAFILE),
// FormatMessageW (FORMAT_MESSAGE_FROM_HMODULE, FORMAT_MESSAGE_ARGUMENT_ARRAY)
// and FreeLibrary; file existence by GetFileAttributesW; the environment by
// GetEnvironmentStringsW.
#include "platform/MessageFiles.h"

namespace tallyvane::platform {

class Win32MessageFiles : public MessageFiles {
 public:
  bool fileExists(std::string_view fileName) override;
  std::vector<std::string> environment() override;
  std::optional<std::string> formatMessage(std::string_view fileName,
                                           const MessageRequest& request) override;
};

}  // namespace tallyvane::platform
