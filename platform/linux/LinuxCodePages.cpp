// Code pages on Linux: the locale's character set from nl_langinfo, and
// conversions through iconv.
#include <iconv.h>
#include <langinfo.h>
#include <locale.h>

#include <algorithm>
#include <cerrno>
#include <vector>

#include "platform/CodePages.h"

namespace tallyvane::platform {

namespace {

// iconv's names for a Windows code page, the likeliest first.
std::vector<std::string> iconvNames(std::uint16_t codePage) {
  std::vector<std::string> names;
  if (codePage == 65001)
    return {"UTF-8"};
  if (codePage >= 28591 && codePage <= 28599)
    return {"ISO-8859-" + std::to_string(codePage - 28590)};
  switch (codePage) {
    case 28603:
      return {"ISO-8859-13"};
    case 28605:
      return {"ISO-8859-15"};
    case 20866:
      return {"KOI8-R"};
    case 21866:
      return {"KOI8-U"};
    case 20932:
      return {"EUC-JP"};
    case 54936:
      return {"GB18030"};
    case 51949:
      return {"EUC-KR"};
    case 950:
      return {"CP950", "BIG5"};
    case 949:
      return {"CP949", "UHC"};
    case 874:
      return {"CP874", "TIS-620"};
    default:
      return {"CP" + std::to_string(codePage)};
  }
}

class Converter {
 public:
  Converter(const std::string& to, const std::string& from)
      : cd_(::iconv_open(to.c_str(), from.c_str())) {}
  ~Converter() {
    if (ok())
      ::iconv_close(cd_);
  }
  Converter(const Converter&) = delete;
  Converter& operator=(const Converter&) = delete;
  bool ok() const { return cd_ != reinterpret_cast<iconv_t>(-1); }

  // The whole of `in` converted, or nothing at an invalid or unconvertible
  // sequence.
  std::optional<std::string> convert(std::string_view in) {
    ::iconv(cd_, nullptr, nullptr, nullptr, nullptr);
    std::string out(in.size() * 4 + 16, '\0');
    char* src = const_cast<char*>(in.data());
    std::size_t srcLeft = in.size();
    char* dst = out.data();
    std::size_t dstLeft = out.size();
    while (srcLeft > 0) {
      if (::iconv(cd_, &src, &srcLeft, &dst, &dstLeft) == static_cast<std::size_t>(-1)) {
        if (errno != E2BIG)
          return std::nullopt;
        const std::size_t used = out.size() - dstLeft;
        out.resize(out.size() * 2);
        dst = out.data() + used;
        dstLeft = out.size() - used;
      }
    }
    if (::iconv(cd_, nullptr, nullptr, &dst, &dstLeft) == static_cast<std::size_t>(-1))
      return std::nullopt;
    out.resize(out.size() - dstLeft);
    return out;
  }

 private:
  iconv_t cd_;
};

}  // namespace

std::uint16_t systemAnsiCodePage() {
  // The user's locale from the environment, whatever this process's own
  // C locale is.
  const locale_t user = ::newlocale(LC_CTYPE_MASK, "", static_cast<locale_t>(nullptr));
  if (user == static_cast<locale_t>(nullptr))
    return 1252;
  const char* charset = ::nl_langinfo_l(CODESET, user);
  const auto codePage = charset ? codePageOfCharset(charset) : std::nullopt;
  ::freelocale(user);
  return codePage.value_or(1252);
}

std::optional<std::string> codePageToUtf8(std::uint16_t codePage, std::string_view bytes) {
  for (const auto& name : iconvNames(codePage)) {
    Converter converter("UTF-8", name);
    if (converter.ok())
      return converter.convert(bytes);
  }
  return std::nullopt;
}

std::optional<std::string> utf8ToCodePage(std::uint16_t codePage, std::string_view text) {
  for (const auto& name : iconvNames(codePage)) {
    Converter converter(name, "UTF-8");
    if (!converter.ok())
      continue;
    if (auto whole = converter.convert(text))
      return whole;
    // One character at a time, "?" for those the code page lacks.
    std::string out;
    std::size_t i = 0;
    while (i < text.size()) {
      std::size_t n = 1;
      const auto lead = static_cast<unsigned char>(text[i]);
      if (lead >= 0xF0)
        n = 4;
      else if (lead >= 0xE0)
        n = 3;
      else if (lead >= 0xC0)
        n = 2;
      n = std::min(n, text.size() - i);
      const auto one = converter.convert(text.substr(i, n));
      out += one ? *one : std::string("?");
      i += n;
    }
    return out;
  }
  return std::nullopt;
}

}  // namespace tallyvane::platform
