#pragma once
// tallyvane-report's listings beside the journal: the records of a log with
// their message texts (--records, --expand, --messages) and the messages of a
// message file (--message-table, --language).
#include <cstdint>
#include <optional>
#include <ostream>
#include <string>
#include <vector>

#include "cli/LogSources.h"
#include "platform/MessageFiles.h"
#include "platform/Registry.h"

namespace tallyvane::report {

struct ReportOption;

// The settings of the message options in a request.
struct MessageListing {
  enum class Kind { kNone, kRecords, kMessageTable };
  Kind kind = Kind::kNone;
  bool expand = false;
  std::string messagesFolder;
  std::string messageTableFile;
  std::optional<std::uint16_t> language;
};

// The options above, for the option table.
std::vector<ReportOption> messageOptions();

// A registry that answers like `base` and, for an event source that `base`
// does not know (or when there is none), names the message file of that
// source found in `folder` as "<source>.dll" (any case) as its message,
// category and parameter file.
class MessageFolderRegistry : public platform::Registry {
 public:
  MessageFolderRegistry(platform::Registry* base, std::string folder);
  std::uint32_t connect(std::string_view machine, platform::RegKey root,
                        platform::RegKey& result) override;
  std::uint32_t openKey(platform::RegKey parent, std::string_view subKey, std::uint32_t access,
                        platform::RegKey& result) override;
  std::uint32_t enumKey(platform::RegKey key, std::uint32_t index, std::uint32_t bufferChars,
                        std::string& name) override;
  std::uint32_t queryValue(platform::RegKey key, std::string_view valueName, std::uint32_t& type,
                           std::span<std::byte> buffer, std::uint32_t& size) override;
  std::uint32_t closeKey(platform::RegKey key) override;

 private:
  platform::Registry* base_;
  std::string folder_;
  std::vector<std::pair<platform::RegKey, std::string>> sources_;  // key, message file
  platform::RegKey next_ = 0x7E000000;
};

enum class ListingFormat { kTable, kCsv, kJson };

// Lists the records of `log` (newest last): time (UTC, ISO form), source,
// event ID, type, category, description.
int writeRecords(const OpenedLog& log, const MessageListing& listing,
                 const platform::Services& services, ListingFormat format, std::ostream& out,
                 std::ostream& err);

// Lists every message of a message file: ID in hexadecimal, language, text.
int writeMessageTable(const MessageListing& listing, platform::MessageFiles& files,
                      ListingFormat format, std::ostream& out, std::ostream& err);

}  // namespace tallyvane::report
