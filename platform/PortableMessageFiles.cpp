#include <algorithm>
#include <filesystem>
#include <system_error>

#include "platform/MessageFiles.h"
#include "platform/MessageFormatter.h"
#include "platform/Unicode.h"

namespace tallyvane::platform {

namespace {

// A few message files serve a whole log; more than this are not kept open.
constexpr std::size_t kCachedFiles = 64;

bool isFile(const std::filesystem::path& path) {
  std::error_code ec;
  return std::filesystem::is_regular_file(path, ec);
}

}  // namespace

PortableMessageFiles::PortableMessageFiles(LanguagePreferences preferences)
    : preferences_(preferences) {}

std::optional<std::string> PortableMessageFiles::resolve(std::string_view fileName) const {
  for (const auto& [name, path] : resolved_) {
    if (name == fileName)
      return path;
  }
  if (resolved_.size() >= kCachedFiles)
    resolved_.erase(resolved_.begin());
  resolved_.emplace_back(std::string(fileName), find(fileName));
  return resolved_.back().second;
}

std::optional<std::string> PortableMessageFiles::find(std::string_view fileName) const {
  if (fileName.empty())
    return std::nullopt;
  const std::string name(fileName);
  if (isFile(name))
    return name;
  // A Windows path whose folders exist here ("/mnt/win\\System32\\x.dll").
  std::string slashed = name;
  std::replace(slashed.begin(), slashed.end(), '\\', '/');
  if (isFile(slashed))
    return slashed;
  const std::size_t slash = name.find_last_of("\\/");
  const std::string last = slash == std::string::npos ? name : name.substr(slash + 1);
  if (last.empty())
    return std::nullopt;
  for (const std::string& folder : folders_) {
    const std::filesystem::path exact = std::filesystem::path(folder) / last;
    if (isFile(exact))
      return exact.string();
    std::error_code ec;
    for (std::filesystem::directory_iterator it(folder, ec), end; !ec && it != end;
         it.increment(ec)) {
      if (equalsIgnoreAsciiCase(it->path().filename().string(), last) && isFile(it->path()))
        return it->path().string();
    }
  }
  return std::nullopt;
}

bool PortableMessageFiles::fileExists(std::string_view fileName) {
  return resolve(fileName).has_value();
}

std::vector<std::string> PortableMessageFiles::environment() {
  if (environment_)
    return *environment_;
  return processEnvironment();
}

const MessageFile* PortableMessageFiles::load(const std::string& path) {
  for (const auto& [cached, file] : cache_) {
    if (cached == path)
      return file ? &*file : nullptr;
  }
  if (cache_.size() >= kCachedFiles)
    cache_.erase(cache_.begin());
  cache_.emplace_back(path, MessageFile::open(path, preferences_));
  return cache_.back().second ? &*cache_.back().second : nullptr;
}

std::optional<std::string> PortableMessageFiles::formatMessage(std::string_view fileName,
                                                               const MessageRequest& request) {
  const auto path = resolve(fileName);
  if (!path)
    return std::nullopt;
  const MessageFile* file = load(*path);
  if (file == nullptr)
    return std::nullopt;
  const auto language = file->chooseLanguage(request.language, preferences_);
  if (!language)
    return std::nullopt;
  const auto text = file->message(request.id, *language);
  if (!text)
    return std::nullopt;
  std::vector<MessageArgument> arguments;
  if (request.arguments != nullptr) {
    for (const std::string& a : *request.arguments)
      arguments.emplace_back(utf8ToUtf16(a));
    while (arguments.size() < kMessageArgumentSlots)
      arguments.emplace_back(std::u16string());
  }
  const MessageFormatResult result =
      platform::formatMessage(*text, request.arguments != nullptr ? &arguments : nullptr,
                              {request.ignoreInserts, request.bufferChars});
  if (!result.text || result.text->empty())
    return std::nullopt;
  return utf16ToUtf8(*result.text);
}

}  // namespace tallyvane::platform
