#pragma once
// The event log component's text form in a storage file: the stream name of a
// log and the text line of a record.
#include <cstdint>
#include <string>
#include <string_view>

#include "eventlog/Orvex_EventLogNT.h"

namespace tallyvane {

// The name of the stream that holds a log: the CRC-32 of the first half of the
// bytes of the name's UTF-16LE text, its four bytes reversed, in upper-case
// hexadecimal without leading zeros ("System" gives "D91EFD29"). Files
// written before rely on exactly this value.
std::string StorageStreamName(std::string_view Name);

// CR, LF and ";" in a text field as "<CR>", "<LF>" and "<SEMI>", and back
// (the markers without regard to letter case).
std::string EscapeLogText(std::string_view Text);
std::string UnescapeLogText(std::string_view Text);

// A record as one line "%d;%1.10f;%s;%s;%d;%s;%s;%s;%s" (event type, date-time
// with "." as the decimal separator, source, category, event ID, user name,
// domain, computer, description), every text field escaped.
std::string RecordToLine(const TLogRecord& Record);
// A line back into a record; a line without ";" gives an empty record.
TLogRecord LineToRecord(std::string_view Line);

}  // namespace tallyvane
