#pragma once
// Message expansion of event records: the message files a source registered,
// their paths expanded with the process environment, the message and category
// texts formatted from them, and the second pass over the insertion strings.
#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "eventlog/Orvex_EventLogNT.h"
#include "platform/MessageFiles.h"
#include "platform/Registry.h"

namespace tallyvane {

// The text of message `MessageID` of the message file `FileName`, formatted
// with the insertion strings (`Inserts`, joined by carriage returns) as its
// argument array, trimmed at both ends; empty when the file does not exist,
// does not load or lacks the message.
std::string LoadMessageText(platform::MessageFiles& files, std::string_view FileName,
                            std::uint32_t MessageID, std::string_view Inserts);

// Replaces the markers %1, %2, ... left in `Text` by the insertion strings
// (empty pieces keep their number) and folds each doubled line break CR LF
// CR LF into one. Empty `Text` gives `Inserts` unchanged.
std::string ApplyInsertionStrings(std::string_view Text, std::string_view Inserts);

// A registry value naming message files, with each environment reference
// ("%NAME%", else "\NAME") replaced by its value.
std::string ExpandMessageFilePath(std::string_view text, platform::MessageFiles& files);

// The pieces of a message file list: separated by ";", a piece in double
// quotes taken whole (quotes removed), empty pieces dropped.
std::vector<std::string> SplitMessageFileList(std::string_view text);

// Replaces each "%%N" (a parameter reference of the insertion strings) by the
// text of message N of the parameter message file; unknown ones stay.
std::string ApplyParameterMessages(platform::MessageFiles& files, std::string_view text,
                                   std::string_view parameterFile);

// What the expansion of one record reaches: the reader's registry connection
// (made on first need and kept by the reader) and its log name.
struct MessageExpansionContext {
  platform::Registry* registry = nullptr;
  platform::MessageFiles* files = nullptr;
  platform::RegKey* hkLM = nullptr;
  std::string machine;     // the reader's Machine: "" for this machine
  std::string sourceName;  // the log ("System")
};

// Expands one record whose fields the reader has filled from `rawRecord` (a
// whole EVENTLOGRECORD): sets Category and Description when texts are found.
void ExpandRecordMessages(TLogRecord& record, std::span<const std::byte> rawRecord,
                          MessageExpansionContext& context);

}  // namespace tallyvane
