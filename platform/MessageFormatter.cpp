#include "platform/MessageFormatter.h"

#include <algorithm>

namespace tallyvane::platform {

namespace {

struct Failure {
  MessageFormatError error;
};

// The parts of one "!format!" of an insert.
struct Spec {
  bool left = false;
  bool plus = false;
  bool space = false;
  bool alternate = false;
  bool zero = false;
  int width = 0;
  std::optional<int> precision;
  int bits = 32;  // size of an integer argument
  char16_t conversion = 0;
};

bool isDigit(char16_t c) {
  return c >= u'0' && c <= u'9';
}

class Formatter {
 public:
  Formatter(const std::vector<MessageArgument>* arguments) : arguments_(arguments) {}

  // The argument `number` (1-based).
  const MessageArgument& argument(std::size_t number) const {
    if (arguments_ == nullptr)
      throw Failure{MessageFormatError::kInvalidParameter};
    if (number == 0 || number > arguments_->size())
      throw Failure{MessageFormatError::kMissingArgument};
    return (*arguments_)[number - 1];
  }

  // A "*" width or precision: the low 32 bits of a number, as printf's int.
  int intArgument(std::size_t number) const {
    const MessageArgument& a = argument(number);
    if (const auto* n = std::get_if<std::uint64_t>(&a))
      return static_cast<std::int32_t>(static_cast<std::uint32_t>(*n));
    return 0;
  }

  // Parses the format between the "!" marks; `next` is the number of the next
  // argument, advanced past the ones "*" takes.
  Spec parseSpec(std::u16string_view format, std::size_t& next) const {
    Spec spec;
    std::size_t i = 0;
    for (; i < format.size(); ++i) {
      const char16_t c = format[i];
      if (c == u'-')
        spec.left = true;
      else if (c == u'+')
        spec.plus = true;
      else if (c == u' ')
        spec.space = true;
      else if (c == u'#')
        spec.alternate = true;
      else if (c == u'0')
        spec.zero = true;
      else
        break;
    }
    if (i < format.size() && format[i] == u'*') {
      spec.width = intArgument(next++);
      if (spec.width < 0) {
        spec.left = true;
        spec.width = -spec.width;
      }
      ++i;
    } else {
      while (i < format.size() && isDigit(format[i]))
        spec.width = std::min(spec.width * 10 + (format[i++] - u'0'), 1 << 24);
    }
    if (i < format.size() && format[i] == u'.') {
      ++i;
      int precision = 0;
      if (i < format.size() && format[i] == u'*') {
        precision = intArgument(next++);
        ++i;
      } else {
        while (i < format.size() && isDigit(format[i]))
          precision = std::min(precision * 10 + (format[i++] - u'0'), 1 << 24);
      }
      if (precision >= 0)
        spec.precision = precision;
    }
    auto takes = [&](std::u16string_view prefix) {
      if (format.substr(i).starts_with(prefix)) {
        i += prefix.size();
        return true;
      }
      return false;
    };
    if (takes(u"I64") || takes(u"ll")) {
      spec.bits = 64;
    } else if (takes(u"I32") || takes(u"l") || takes(u"w")) {
      spec.bits = 32;
    } else if (takes(u"h")) {
      spec.bits = 16;
    } else if (format.substr(i).starts_with(u"I") && i + 1 < format.size()) {
      ++i;
      spec.bits = 64;  // pointer-sized
    }
    if (i >= format.size())
      throw Failure{MessageFormatError::kInvalidFormat};
    spec.conversion = format[i];
    if (spec.conversion == u'%')
      throw Failure{MessageFormatError::kInvalidFormat};
    return spec;
  }

  static void pad(std::u16string& out, std::u16string_view body, const Spec& spec,
                  char16_t fill = u' ') {
    const std::size_t width = static_cast<std::size_t>(spec.width);
    const std::size_t padding = body.size() < width ? width - body.size() : 0;
    if (spec.left) {
      out += body;
      out.append(padding, u' ');
    } else {
      out.append(padding, fill);
      out += body;
    }
  }

  static void writeString(std::u16string& out, std::u16string_view text, const Spec& spec) {
    if (spec.precision && static_cast<std::size_t>(*spec.precision) < text.size())
      text = text.substr(0, static_cast<std::size_t>(*spec.precision));
    pad(out, text, spec, spec.zero ? u'0' : u' ');
  }

  static void writeInteger(std::u16string& out, std::uint64_t raw, const Spec& spec) {
    const bool isSigned = spec.conversion == u'd' || spec.conversion == u'i';
    std::uint64_t value = raw;
    bool negative = false;
    if (spec.bits == 16)
      value &= 0xFFFF;
    else if (spec.bits == 32)
      value &= 0xFFFFFFFF;
    if (isSigned) {
      std::int64_t s = 0;
      if (spec.bits == 16)
        s = static_cast<std::int16_t>(value);
      else if (spec.bits == 32)
        s = static_cast<std::int32_t>(value);
      else
        s = static_cast<std::int64_t>(value);
      negative = s < 0;
      value = negative ? 0 - static_cast<std::uint64_t>(s) : static_cast<std::uint64_t>(s);
    }
    unsigned base = 10;
    const char* digitSet = "0123456789abcdef";
    std::u16string prefix;
    Spec local = spec;
    switch (spec.conversion) {
      case u'x':
        base = 16;
        if (spec.alternate && value != 0)
          prefix = u"0x";
        break;
      case u'X':
        base = 16;
        digitSet = "0123456789ABCDEF";
        if (spec.alternate && value != 0)
          prefix = u"0X";
        break;
      case u'o':
        base = 8;
        break;
      case u'p':
        base = 16;
        digitSet = "0123456789ABCDEF";
        value = raw;
        local.precision = 16;
        break;
      default:
        break;
    }
    std::u16string digits;
    for (std::uint64_t v = value; v != 0; v /= base)
      digits.insert(digits.begin(), static_cast<char16_t>(digitSet[v % base]));
    const std::size_t minimum = local.precision ? static_cast<std::size_t>(*local.precision) : 1;
    if (digits.size() < minimum)
      digits.insert(0, minimum - digits.size(), u'0');
    if (spec.conversion == u'o' && spec.alternate && (digits.empty() || digits[0] != u'0'))
      digits.insert(digits.begin(), u'0');
    if (negative)
      prefix = u"-";
    else if (isSigned && spec.plus)
      prefix = u"+";
    else if (isSigned && spec.space)
      prefix = u" ";
    if (spec.zero && !spec.left && !local.precision) {
      const std::size_t width = static_cast<std::size_t>(spec.width);
      if (prefix.size() + digits.size() < width)
        digits.insert(0, width - prefix.size() - digits.size(), u'0');
    }
    pad(out, prefix + digits, local);
  }

  void writeInsert(std::u16string& out, std::size_t number, std::u16string_view format) {
    std::size_t next = number;
    const Spec spec = parseSpec(format, next);
    const MessageArgument& value = argument(next);
    if (const auto* text = std::get_if<std::u16string>(&value)) {
      switch (spec.conversion) {
        case u's':
        case u'S':
        case u'd':
        case u'i':
        case u'u':
        case u'x':
        case u'X':
        case u'o':
        case u'p':
          writeString(out, *text, spec);
          return;
        case u'c':
        case u'C':
          writeString(out, text->substr(0, 1), spec);
          return;
        default:
          out += spec.conversion;
          return;
      }
    }
    const std::uint64_t numeric = std::get<std::uint64_t>(value);
    switch (spec.conversion) {
      case u's':
      case u'S':
        writeString(out, decimal(numeric), spec);
        break;
      case u'c':
      case u'C':
        writeString(out, std::u16string(1, static_cast<char16_t>(numeric & 0xFFFF)), spec);
        break;
      case u'd':
      case u'i':
      case u'u':
      case u'x':
      case u'X':
      case u'o':
      case u'p':
        writeInteger(out, numeric, spec);
        break;
      default:
        // Conversions FormatMessageW's printf does not know come out as the
        // letter itself.
        out += spec.conversion;
        break;
    }
  }

  static std::u16string decimal(std::uint64_t value) {
    std::u16string digits;
    do {
      digits.insert(digits.begin(), static_cast<char16_t>(u'0' + value % 10));
      value /= 10;
    } while (value != 0);
    return digits;
  }

 private:
  const std::vector<MessageArgument>* arguments_;
};

}  // namespace

MessageFormatResult formatMessage(std::u16string_view text,
                                  const std::vector<MessageArgument>* arguments,
                                  const MessageFormatOptions& options) {
  MessageFormatResult result;
  std::u16string out;
  Formatter formatter(arguments);
  try {
    std::size_t i = 0;
    const std::size_t n = text.size();
    while (i < n) {
      const char16_t ch = text[i++];
      if (ch == u'\r') {
        if (i < n && text[i] == u'\n')
          ++i;
        out += u"\r\n";
        continue;
      }
      if (ch == u'\n') {
        out += u"\r\n";
        continue;
      }
      if (ch != u'%') {
        out += ch;
        continue;
      }
      if (i >= n)
        throw Failure{MessageFormatError::kInvalidParameter};
      const char16_t c = text[i];
      if (c >= u'1' && c <= u'9') {
        if (options.ignoreInserts) {
          // The digits and any format follow as plain text.
          out += u'%';
          continue;
        }
        std::size_t number = static_cast<std::size_t>(c - u'0');
        ++i;
        if (i < n && isDigit(text[i]))
          number = number * 10 + static_cast<std::size_t>(text[i++] - u'0');
        std::u16string_view format = u"s";
        if (i < n && text[i] == u'!') {
          const std::size_t close = text.find(u'!', i + 1);
          if (close == std::u16string_view::npos)
            throw Failure{MessageFormatError::kInvalidParameter};
          format = text.substr(i + 1, close - i - 1);
          i = close + 1;
        }
        formatter.writeInsert(out, number, format);
        continue;
      }
      ++i;
      if (c == u'0') {
        if (!options.ignoreInserts && i < n && isDigit(text[i]))
          throw Failure{MessageFormatError::kInvalidFormat};
        break;
      }
      if (c == u'n') {
        out += u"\r\n";
      } else if (c == u'r') {
        out += u'\r';
      } else if (c == u't') {
        out += u'\t';
      } else {
        if (options.ignoreInserts)
          out += u'%';
        out += c;
      }
    }
  } catch (const Failure& failure) {
    result.error = failure.error;
    return result;
  }
  if (options.bufferChars != 0 && out.size() + 1 > options.bufferChars) {
    result.error = MessageFormatError::kInsufficientBuffer;
    return result;
  }
  result.text = std::move(out);
  return result;
}

}  // namespace tallyvane::platform
