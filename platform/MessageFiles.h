#pragma once
// Message files of event sources, shaped after LoadLibraryExW
// (LOAD_LIBRARY_AS_DATAFILE), FormatMessageW (FORMAT_MESSAGE_FROM_HMODULE and
// FORMAT_MESSAGE_ARGUMENT_ARRAY) and FreeLibrary, with the two helpers the
// paths of message files need: the file existence test and the process
// environment block. On Windows the system calls answer; elsewhere our own
// reader of PE message tables and formatter with FormatMessageW's rules.
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/MessageTable.h"

namespace tallyvane::platform {

// Inserts are numbered up to 99; "*" widths take up to two more entries.
inline constexpr std::size_t kMessageArgumentSlots = 101;

struct MessageRequest {
  std::uint32_t id = 0;
  // A LANGID; 0x0400 lets the platform choose as FormatMessage does.
  std::uint16_t language = kLangUserDefault;
  // The argument array, each string passed as a zero-terminated string;
  // null: no argument array at all. The array is padded with empty strings to
  // kMessageArgumentSlots entries, so an insert beyond the strings given reads
  // an empty string instead of memory that is not the array's.
  const std::vector<std::string>* arguments = nullptr;
  bool ignoreInserts = false;
  // The output buffer in characters, terminator included.
  std::size_t bufferChars = 4096;
};

class MessageFiles {
 public:
  virtual ~MessageFiles() = default;
  // True when a file of this name exists.
  virtual bool fileExists(std::string_view fileName) = 0;
  // The whole environment block, "NAME=VALUE" entries in its order (entries
  // beginning with "=" included, as GetEnvironmentStringsW gives them).
  virtual std::vector<std::string> environment() = 0;
  // Loads `fileName` as data, formats the message and releases the file: the
  // characters written, or nothing when the file does not load, lacks the
  // message or the formatting fails.
  virtual std::optional<std::string> formatMessage(std::string_view fileName,
                                                   const MessageRequest& request) = 0;
};

// The environment block of this process, "NAME=VALUE" entries in order.
std::vector<std::string> processEnvironment();

// The message files of this system read by our own reader: a name that is no
// file here is looked for by its last component (without regard to case) in
// the folders given, so a Windows path such as
// "C:\Windows\System32\netevent.dll" finds netevent.dll in a folder of
// message files copied from that system.
class PortableMessageFiles : public MessageFiles {
 public:
  explicit PortableMessageFiles(LanguagePreferences preferences = processLanguagePreferences());
  void addFolder(std::string folder) {
    folders_.push_back(std::move(folder));
    resolved_.clear();
  }
  // Replaces the process environment (for tests and for another system's).
  void setEnvironment(std::vector<std::string> entries) { environment_ = std::move(entries); }

  bool fileExists(std::string_view fileName) override;
  std::vector<std::string> environment() override;
  std::optional<std::string> formatMessage(std::string_view fileName,
                                           const MessageRequest& request) override;

  // The file this reader uses for `fileName`, or nothing.
  std::optional<std::string> resolve(std::string_view fileName) const;

 private:
  std::optional<std::string> find(std::string_view fileName) const;
  const MessageFile* load(const std::string& path);

  LanguagePreferences preferences_;
  std::vector<std::string> folders_;
  std::optional<std::vector<std::string>> environment_;
  // Names resolved so far, and files opened so far: the same few files serve
  // every record of a log.
  mutable std::vector<std::pair<std::string, std::optional<std::string>>> resolved_;
  std::vector<std::pair<std::string, std::optional<MessageFile>>> cache_;
};

}  // namespace tallyvane::platform
