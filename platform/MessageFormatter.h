#pragma once
// A formatter of message texts with FormatMessageW's rules for an argument
// array (FORMAT_MESSAGE_ARGUMENT_ARRAY, no line width limit): inserts %1 to
// %99 with an optional !printf format!, %0 to end the text, %n, %r, %t, the
// escapes %%, %., %!, "% ", and line breaks of the text written as CR LF.
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <variant>
#include <vector>

namespace tallyvane::platform {

// One entry of the argument array: a string (the usual case for event
// messages) or a number (what a DWORD_PTR holds for the numeric formats and
// for "*" widths).
using MessageArgument = std::variant<std::u16string, std::uint64_t>;

struct MessageFormatOptions {
  // FORMAT_MESSAGE_IGNORE_INSERTS: inserts and unknown escapes are copied as
  // they stand; %0, %n, %r and %t still apply.
  bool ignoreInserts = false;
  // The caller's buffer in UTF-16 units, terminator included; a longer result
  // fails as FormatMessageW does with ERROR_INSUFFICIENT_BUFFER. 0: no limit.
  std::size_t bufferChars = 0;
};

// Why formatting failed, as FormatMessageW's last error.
enum class MessageFormatError : std::uint32_t {
  kInvalidParameter = 87,     // a lone "%" at the end, an unclosed "!format"
  kInsufficientBuffer = 122,  // the result does not fit bufferChars
  kInvalidFormat = 235,       // a "!format!" without a conversion, "%0" before a digit
  kMissingArgument = 1,       // an insert beyond the argument array (see below)
};

struct MessageFormatResult {
  std::optional<std::u16string> text;
  MessageFormatError error = MessageFormatError::kInvalidParameter;
};

// Formats `text` with `arguments`; a null `arguments` is the call without an
// argument array, in which any insert fails.
//
// Where FormatMessageW reads memory that the caller did not give, this
// formatter fails instead: an insert whose number (or "*" width) lies beyond
// the array makes the whole text fail (kMissingArgument). A string argument
// under a numeric format is written as the string (FormatMessageW would write
// its address), and a number under a string format as the number in decimal.
MessageFormatResult formatMessage(std::u16string_view text,
                                  const std::vector<MessageArgument>* arguments,
                                  const MessageFormatOptions& options = {});

}  // namespace tallyvane::platform
