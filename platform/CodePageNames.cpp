#include <array>
#include <cctype>

#include "platform/CodePages.h"

namespace tallyvane::platform {

std::optional<std::uint16_t> codePageOfCharset(std::string_view charset) {
  std::string key;
  for (const char c : charset) {
    if (c != '-' && c != '_')
      key.push_back(static_cast<char>(std::toupper(static_cast<unsigned char>(c))));
  }
  struct Name {
    std::string_view key;
    std::uint16_t codePage;
  };
  static constexpr std::array kNames = {
      Name{"UTF8", 65001},       Name{"CP1250", 1250},      Name{"WINDOWS1250", 1250},
      Name{"CP1251", 1251},      Name{"WINDOWS1251", 1251}, Name{"CP1252", 1252},
      Name{"WINDOWS1252", 1252}, Name{"CP1253", 1253},      Name{"WINDOWS1253", 1253},
      Name{"CP1254", 1254},      Name{"WINDOWS1254", 1254}, Name{"CP1255", 1255},
      Name{"WINDOWS1255", 1255}, Name{"CP1256", 1256},      Name{"WINDOWS1256", 1256},
      Name{"CP1257", 1257},      Name{"WINDOWS1257", 1257}, Name{"CP1258", 1258},
      Name{"WINDOWS1258", 1258}, Name{"ISO88591", 28591},   Name{"ISO88592", 28592},
      Name{"ISO88593", 28593},   Name{"ISO88594", 28594},   Name{"ISO88595", 28595},
      Name{"ISO88596", 28596},   Name{"ISO88597", 28597},   Name{"ISO88598", 28598},
      Name{"ISO88599", 28599},   Name{"ISO885913", 28603},  Name{"ISO885915", 28605},
      Name{"KOI8R", 20866},      Name{"KOI8U", 21866},      Name{"SHIFTJIS", 932},
      Name{"SJIS", 932},         Name{"CP932", 932},        Name{"EUCJP", 20932},
      Name{"GBK", 936},          Name{"GB2312", 936},       Name{"CP936", 936},
      Name{"GB18030", 54936},    Name{"BIG5", 950},         Name{"BIG5HKSCS", 950},
      Name{"CP950", 950},        Name{"EUCKR", 51949},      Name{"CP949", 949},
      Name{"UHC", 949},          Name{"TIS620", 874},       Name{"CP874", 874},
  };
  for (const auto& name : kNames) {
    if (name.key == key)
      return name.codePage;
  }
  return std::nullopt;
}

}  // namespace tallyvane::platform
