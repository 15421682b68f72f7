// The portable formatter against FormatMessageW's rules for an argument array.
// The expected texts are what FormatMessageW gives for the same text and
// arguments (checked under Wine by tests/platform/messages/format_message_oracle.cpp).
#include <gtest/gtest.h>

#include "platform/MessageFormatter.h"
#include "platform/Unicode.h"

namespace tallyvane::platform {
namespace {

MessageArgument s(std::string_view text) {
  return utf8ToUtf16(text);
}
MessageArgument n(std::int64_t value) {
  return static_cast<std::uint64_t>(value);
}

struct Case {
  const char* text;
  std::vector<MessageArgument> args;
  const char* expected;  // nullptr: formatting fails
};

std::optional<std::string> format(std::string_view text, const std::vector<MessageArgument>* args,
                                  MessageFormatOptions options = {}) {
  const auto result = formatMessage(utf8ToUtf16(text), args, options);
  if (!result.text)
    return std::nullopt;
  return utf16ToUtf8(*result.text);
}

TEST(MessageFormatter, FollowsFormatMessageRules) {
  const std::vector<Case> cases = {
      // Line breaks of the text come out as CR LF, whatever they were.
      {"a\r\nb", {}, "a\r\nb"},
      {"a\nb", {}, "a\r\nb"},
      {"a\rb", {}, "a\r\nb"},
      {"ab\r\n\r\n", {}, "ab\r\n\r\n"},
      // Escapes.
      {"x%ny%rz%tw%%v%.u%!q% p", {}, "x\r\ny\rz\tw%v.u!q p"},
      {"%q%Z%,%-", {}, "qZ,-"},
      {"%1%0tail", {s("x")}, "x"},
      {"trail%", {}, nullptr},
      // Inserts: numbers up to 99, a third digit is text.
      {"%1 and %2", {s("one"), s("two")}, "one and two"},
      {"%10 %1 %100",
       {s("a"), s("b"), s("c"), s("d"), s("e"), s("f"), s("g"), s("h"), s("i"), s("j")},
       "j a j0"},
      {"%1!s!%2!s!%1", {s("a"), s("b")}, "aba"},
      {"<%1>", {s("a\nb")}, "<a\nb>"},  // inserted text is not rewritten
      // printf formats.
      {"%1!d! %2!5d! %3!-5d!| %4!05d!", {n(42), n(7), n(3), n(-9)}, "42     7 3    | -0009"},
      {"%1!x! %1!X! %1!#x! %1!o! %1!u!", {n(255)}, "ff FF 0xff 377 255"},
      {"%1!u!", {n(-1)}, "4294967295"},
      {"%1!ld! %1!hd! %1!hu! %1!x! %1!lx!", {n(-1)}, "-1 -1 65535 ffffffff ffffffff"},
      {"%1!hd!", {n(70000)}, "4464"},
      {"%1!I64x! %1!I64u! %1!I64X!",
       {n(-1)},
       "ffffffffffffffff 18446744073709551615 FFFFFFFFFFFFFFFF"},
      {"%1!lu!|%1!llu!|%1!I32u!", {n(-2)}, "4294967294|18446744073709551614|4294967294"},
      {"%1!I64d! %1!Id! %1!i! %1!lld!", {n(-5)}, "-5 -5 -5 -5"},
      {"%1!#o! %1!#X! %1! 5d! %1!ld!", {n(8)}, "010 0X8     8 8"},
      {"%1!+d! %1! d! %1!.3d! %1!+u! %1!+x!", {n(5)}, "+5  5 005 5 5"},
      {"%1!#5x!|%1!-#8o!|%1!08x!", {n(10)}, "  0xa|012     |0000000a"},
      {"%1!p!", {n(255)}, "00000000000000FF"},
      {"%1!c! %1!wc! %1!C! %1!5c!", {n(66)}, "B B B     B"},
      {"%1!10s!|%2!-6s!|%3!.2s!|%3!5.1s!",
       {s("abc"), s("de"), s("fghij")},
       "       abc|de    |fg|    f"},
      {"%1!05s!|%1!.0s!|", {s("ab")}, "000ab||"},
      {"%1!ls! %1!ws! %1!S! %1!hs!", {s("wide")}, "wide wide wide wide"},
      // "*" takes width and precision from the arguments that follow.
      {"%1!*.*s!|%4", {n(6), n(2), s("hello"), s("next")}, "    he|next"},
      {"%1!*d!|%3", {n(5), n(42), s("after")}, "   42|after"},
      {"%1!-*s!|%3", {n(4), s("ab"), s("z")}, "ab  |z"},
      {"%1!*d!", {n(-4), n(7)}, "7   "},
      {"%1!0*d!", {n(4), n(7)}, "0007"},
      {"%1!.*s!", {n(-1), s("abc")}, "abc"},
      {"%1!.0d!|", {n(0)}, "|"},
      // Conversions printf does not know come out as their letter.
      {"%1!e! %1!Z! %1!I!", {n(5)}, "e Z I"},
      // A format without its closing "!" or without a conversion fails.
      {"%1!s", {s("x")}, nullptr},
      {"%1!!", {s("x")}, nullptr},
      {"%1!5!", {n(5)}, nullptr},
      {"%1!5%!", {n(5)}, nullptr},
      {"%01", {s("a")}, nullptr},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.text);
    const auto got = format(c.text, &c.args);
    if (c.expected == nullptr) {
      EXPECT_FALSE(got) << *got;
    } else {
      ASSERT_TRUE(got);
      EXPECT_EQ(*got, c.expected);
    }
  }
}

TEST(MessageFormatter, IgnoreInsertsKeepsInsertsAndUnknownEscapes) {
  MessageFormatOptions ignore;
  ignore.ignoreInserts = true;
  EXPECT_EQ(format("%1 %n %% %0 x", nullptr, ignore), "%1 \r\n %% ");
  EXPECT_EQ(format("a%1!d!b%r%t%.%q", nullptr, ignore), "a%1!d!b\r\t%.%q");
  EXPECT_EQ(format("a\nb\rc", nullptr, ignore), "a\r\nb\r\nc");
  EXPECT_FALSE(format("trail%", nullptr, ignore));
}

TEST(MessageFormatter, MissingArgumentsFail) {
  // Without an argument array any insert fails; text without inserts is fine.
  EXPECT_FALSE(format("%1 x", nullptr));
  EXPECT_EQ(format("no inserts %n", nullptr), "no inserts \r\n");
  // FormatMessageW reads past the array; this formatter refuses instead.
  const std::vector<MessageArgument> one = {s("a")};
  const auto result = formatMessage(u"%1 %2", &one);
  EXPECT_FALSE(result.text);
  EXPECT_EQ(result.error, MessageFormatError::kMissingArgument);
  const std::vector<MessageArgument> widthOnly = {n(3)};
  EXPECT_FALSE(format("%1!*d!", &widthOnly));
  // Surplus arguments are ignored.
  const std::vector<MessageArgument> three = {s("a"), s("b"), s("c")};
  EXPECT_EQ(format("%2", &three), "b");
}

TEST(MessageFormatter, MixedArgumentKindsStayReadable) {
  // A string under a numeric format is the string; a number under a string
  // format is its decimal value.
  const std::vector<MessageArgument> args = {s("12 MB"), n(42)};
  EXPECT_EQ(format("%1!d!|%2!s!|%2!5s!", &args), "12 MB|42|   42");
}

TEST(MessageFormatter, ResultLongerThanTheBufferFails) {
  MessageFormatOptions small;
  small.bufferChars = 4;
  EXPECT_EQ(format("abc", nullptr, small), "abc");
  const auto result = formatMessage(u"abcd", nullptr, small);
  EXPECT_FALSE(result.text);
  EXPECT_EQ(result.error, MessageFormatError::kInsufficientBuffer);
}

}  // namespace
}  // namespace tallyvane::platform
