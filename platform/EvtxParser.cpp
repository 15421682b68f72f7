#include "platform/EvtxParser.h"

#include <algorithm>
#include <array>
#include <bit>
#include <charconv>
#include <cstdio>
#include <cstring>
#include <limits>
#include <optional>
#include <string_view>
#include <thread>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif
#if (defined(__x86_64__) || defined(__i386__)) && (defined(__GNUC__) || defined(__clang__))
#define TALLYVANE_CRC_FOLDING 1
#include <smmintrin.h>
#include <wmmintrin.h>
#else
#define TALLYVANE_CRC_FOLDING 0
#endif

#include "platform/ByteReader.h"
#include "platform/Unicode.h"

namespace tallyvane::platform {

namespace {

// --- Checksums -------------------------------------------------------------

// Sixteen tables, so that the checksum of a chunk's 64 KiB takes sixteen bytes
// a step instead of one.
struct Crc32Tables {
  std::array<std::array<std::uint32_t, 256>, 16> t{};
  Crc32Tables() {
    for (std::uint32_t i = 0; i < 256; ++i) {
      std::uint32_t c = i;
      for (int k = 0; k < 8; ++k)
        c = (c & 1) ? 0xEDB88320u ^ (c >> 1) : c >> 1;
      t[0][i] = c;
    }
    for (std::size_t i = 0; i < 256; ++i)
      for (std::size_t k = 1; k < 16; ++k)
        t[k][i] = (t[k - 1][i] >> 8) ^ t[0][t[k - 1][i] & 0xFF];
  }
};

const Crc32Tables& crcTables() {
  static const Crc32Tables tables;
  return tables;
}

#if TALLYVANE_CRC_FOLDING
// The same checksum with carry-less multiplication, where the processor has
// it: four 16-byte lanes are folded forward 64 bytes a step, then into one,
// then reduced to 32 bits (Barrett). `crc` is the register as it runs (not
// inverted); `n` is at least 64 and a multiple of 16.
[[gnu::target("pclmul,sse4.1")]] inline __m128i foldLane(__m128i lane, __m128i next, __m128i k) {
  const __m128i low = _mm_clmulepi64_si128(lane, k, 0x00);
  const __m128i high = _mm_clmulepi64_si128(lane, k, 0x11);
  return _mm_xor_si128(_mm_xor_si128(high, next), low);
}

[[gnu::target("pclmul,sse4.1")]] std::uint32_t foldCrc32(const unsigned char* p, std::size_t n,
                                                         std::uint32_t crc) {
  // x^(4*128+32), x^(4*128-32), x^(128+32), x^(128-32), x^64 mod P (bit-reflected,
  // shifted left by one), then P and floor(x^64 / P) for the reduction.
  alignas(16) static const std::uint64_t kFold4[2] = {0x0154442bd4ULL, 0x01c6e41596ULL};
  alignas(16) static const std::uint64_t kFold1[2] = {0x01751997d0ULL, 0x00ccaa009eULL};
  alignas(16) static const std::uint64_t kFold64[2] = {0x0163cd6124ULL, 0};
  alignas(16) static const std::uint64_t kBarrett[2] = {0x01db710641ULL, 0x01f7011641ULL};
  auto load = [](const unsigned char* q) {
    return _mm_loadu_si128(reinterpret_cast<const __m128i*>(q));
  };
  __m128i x1 = _mm_xor_si128(load(p), _mm_cvtsi32_si128(static_cast<int>(crc)));
  __m128i x2 = load(p + 16), x3 = load(p + 32), x4 = load(p + 48);
  __m128i k = _mm_load_si128(reinterpret_cast<const __m128i*>(kFold4));
  for (p += 64, n -= 64; n >= 64; p += 64, n -= 64) {
    x1 = foldLane(x1, load(p), k);
    x2 = foldLane(x2, load(p + 16), k);
    x3 = foldLane(x3, load(p + 32), k);
    x4 = foldLane(x4, load(p + 48), k);
  }
  k = _mm_load_si128(reinterpret_cast<const __m128i*>(kFold1));
  x1 = foldLane(x1, x2, k);
  x1 = foldLane(x1, x3, k);
  x1 = foldLane(x1, x4, k);
  for (; n >= 16; p += 16, n -= 16)
    x1 = foldLane(x1, load(p), k);
  // 128 bits to 64.
  const __m128i low32 = _mm_setr_epi32(-1, 0, -1, 0);
  x1 = _mm_xor_si128(_mm_srli_si128(x1, 8), _mm_clmulepi64_si128(x1, k, 0x10));
  k = _mm_loadl_epi64(reinterpret_cast<const __m128i*>(kFold64));
  x1 =
      _mm_xor_si128(_mm_clmulepi64_si128(_mm_and_si128(x1, low32), k, 0x00), _mm_srli_si128(x1, 4));
  // Barrett reduction to 32 bits.
  k = _mm_load_si128(reinterpret_cast<const __m128i*>(kBarrett));
  __m128i t = _mm_clmulepi64_si128(_mm_and_si128(x1, low32), k, 0x10);
  t = _mm_clmulepi64_si128(_mm_and_si128(t, low32), k, 0x00);
  return static_cast<std::uint32_t>(_mm_extract_epi32(_mm_xor_si128(x1, t), 1));
}
#endif

// --- Names -----------------------------------------------------------------

// The element and attribute names the record needs; every other name is kOther.
enum Name : std::uint8_t {
  kUnresolved = 0,
  kOther,
  kSystem,
  kEventData,
  kUserData,
  kProvider,
  kEventID,
  kLevel,
  kTask,
  kKeywords,
  kTimeCreated,
  kEventRecordID,
  kChannel,
  kComputer,
  kSecurity,
  kData,
  kComplexData,
  kBinary,
  kQualifiers,
  kNameAttribute,
  kEventSourceName,
  kSystemTime,
  kUserID,
  kBroken,  // the name is not inside the chunk
};

struct KnownName {
  std::string_view text;
  Name name;
};

constexpr KnownName kKnownNames[] = {
    {"System", kSystem},
    {"EventData", kEventData},
    {"UserData", kUserData},
    {"Provider", kProvider},
    {"EventID", kEventID},
    {"Level", kLevel},
    {"Task", kTask},
    {"Keywords", kKeywords},
    {"TimeCreated", kTimeCreated},
    {"EventRecordID", kEventRecordID},
    {"Channel", kChannel},
    {"Computer", kComputer},
    {"Security", kSecurity},
    {"Data", kData},
    {"ComplexData", kComplexData},
    {"Binary", kBinary},
    {"Qualifiers", kQualifiers},
    {"Name", kNameAttribute},
    {"EventSourceName", kEventSourceName},
    {"SystemTime", kSystemTime},
    {"UserID", kUserID},
};

// A name string of the chunk: next string offset (4), hash (2), number of
// characters (2), the UTF-16 characters and a terminating NUL.
constexpr std::uint32_t kNameHeaderSize = 8;

// --- Values ----------------------------------------------------------------

enum ValueType : std::uint8_t {
  kNull = 0x00,
  kString = 0x01,
  kAnsiString = 0x02,
  kInt8 = 0x03,
  kUInt8 = 0x04,
  kInt16 = 0x05,
  kUInt16 = 0x06,
  kInt32 = 0x07,
  kUInt32 = 0x08,
  kInt64 = 0x09,
  kUInt64 = 0x0A,
  kReal32 = 0x0B,
  kReal64 = 0x0C,
  kBool = 0x0D,
  kBinaryValue = 0x0E,
  kGuid = 0x0F,
  kSizeT = 0x10,
  kFileTime = 0x11,
  kSystemTimeValue = 0x12,
  kSid = 0x13,
  kHexInt32 = 0x14,
  kHexInt64 = 0x15,
  kBinXml = 0x21,
  kArrayFlag = 0x80,
};

// A value in the chunk: its type and where its bytes lie.
struct Value {
  std::uint8_t type = kNull;
  std::uint32_t offset = 0;
  std::uint32_t size = 0;
};

// The text the record is made of stays UTF-16, as the .evtx file holds it and
// the EVENTLOGRECORD serves it.
using Text = std::u16string;

// How many units from the start of `p` (of `units`) are neither NUL nor part
// of a surrogate pair: those are taken as they are.
std::size_t plainUnits(const unsigned char* p, std::size_t units) {
  std::size_t i = 0;
#if defined(__SSE2__)
  const __m128i zero = _mm_setzero_si128();
  const __m128i high = _mm_set1_epi16(static_cast<short>(0xF800));
  const __m128i surrogate = _mm_set1_epi16(static_cast<short>(0xD800));
  for (; i + 8 <= units; i += 8) {
    const __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p + 2 * i));
    const __m128i stop =
        _mm_or_si128(_mm_cmpeq_epi16(v, zero), _mm_cmpeq_epi16(_mm_and_si128(v, high), surrogate));
    if (const int mask = _mm_movemask_epi8(stop); mask != 0)
      return i + static_cast<std::size_t>(std::countr_zero(static_cast<unsigned>(mask))) / 2;
  }
#endif
  for (; i < units; ++i) {
    const unsigned u = p[2 * i] | (p[2 * i + 1] << 8);
    if (u == 0 || (u & 0xF800) == 0xD800)
      break;
  }
  return i;
}

// UTF-16LE bytes up to the first NUL; unpaired surrogates become U+FFFD (an
// odd last byte is dropped).
void appendUnits(Text& out, std::span<const std::byte> bytes) {
  const std::size_t units = bytes.size() / 2;
  const auto* p = reinterpret_cast<const unsigned char*>(bytes.data());
  std::size_t i = 0;
  while (i < units) {
    const std::size_t plain = plainUnits(p + 2 * i, units - i);
    if (plain > 0) {
      const std::size_t at = out.size();
      out.resize(at + plain);
      if constexpr (std::endian::native == std::endian::little) {
        std::memcpy(out.data() + at, p + 2 * i, 2 * plain);
      } else {
        for (std::size_t k = 0; k < plain; ++k)
          out[at + k] = static_cast<char16_t>(p[2 * (i + k)] | (p[2 * (i + k) + 1] << 8));
      }
      i += plain;
    }
    if (i == units)
      break;
    const auto u = static_cast<char16_t>(p[2 * i] | (p[2 * i + 1] << 8));
    if (u == 0)
      break;
    ++i;
    if (u <= 0xDBFF && i < units) {
      const auto lo = static_cast<char16_t>(p[2 * i] | (p[2 * i + 1] << 8));
      if (lo >= 0xDC00 && lo <= 0xDFFF) {
        out += u;
        out += lo;
        ++i;
        continue;
      }
    }
    out += char16_t{0xFFFD};
  }
}

void appendAscii(Text& out, std::string_view ascii) {
  const std::size_t at = out.size();
  out.resize(at + ascii.size());
  for (std::size_t i = 0; i < ascii.size(); ++i)
    out[at + i] = static_cast<unsigned char>(ascii[i]);
}

// The text as ASCII in `out`; false when it holds anything else, which no
// number, time or hexadecimal text the record needs does.
bool narrowAscii(std::u16string_view text, std::string& out) {
  out.resize(text.size());
  for (std::size_t i = 0; i < text.size(); ++i) {
    if (text[i] >= 0x80)
      return false;
    out[i] = static_cast<char>(text[i]);
  }
  return true;
}

template <typename T>
void appendNumber(std::string& out, T value) {
  char buffer[32];
  const auto [end, ec] = std::to_chars(buffer, buffer + sizeof buffer, value);
  if (ec == std::errc())
    out.append(buffer, end);
}

void appendHex(std::string& out, std::uint64_t value, int digits, bool upper) {
  const char* set = upper ? "0123456789ABCDEF" : "0123456789abcdef";
  char buffer[16];
  for (int i = digits - 1; i >= 0; --i) {
    buffer[i] = set[value & 0xF];
    value >>= 4;
  }
  out.append(buffer, static_cast<std::size_t>(digits));
}

void appendPadded(std::string& out, std::uint64_t value, int digits) {
  char buffer[24];
  for (int i = digits - 1; i >= 0; --i) {
    buffer[i] = static_cast<char>('0' + value % 10);
    value /= 10;
  }
  out.append(buffer, static_cast<std::size_t>(digits));
}

// Calendar date of a day count since 1970-01-01.
void civilFromDays(std::int64_t z, std::int64_t& y, unsigned& m, unsigned& d) {
  z += 719468;
  const std::int64_t era = (z >= 0 ? z : z - 146096) / 146097;
  const auto doe = static_cast<unsigned>(z - era * 146097);
  const unsigned yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
  y = static_cast<std::int64_t>(yoe) + era * 400;
  const unsigned doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
  const unsigned mp = (5 * doy + 2) / 153;
  d = doy - (153 * mp + 2) / 5 + 1;
  m = mp < 10 ? mp + 3 : mp - 9;
  y += m <= 2;
}

// "2017-03-23T05:03:27.110359000Z": the time with nanosecond digits.
void appendTime(std::string& out, std::int64_t y, unsigned mo, unsigned d, unsigned h, unsigned mi,
                unsigned s, std::uint64_t nanoseconds) {
  appendPadded(out, static_cast<std::uint64_t>(std::max<std::int64_t>(y, 0)), 4);
  out += '-';
  appendPadded(out, mo, 2);
  out += '-';
  appendPadded(out, d, 2);
  out += 'T';
  appendPadded(out, h, 2);
  out += ':';
  appendPadded(out, mi, 2);
  out += ':';
  appendPadded(out, s, 2);
  out += '.';
  appendPadded(out, nanoseconds, 9);
  out += 'Z';
}

void appendFileTime(std::string& out, std::uint64_t ft) {
  const std::uint64_t seconds = ft / 10000000;
  const auto days = static_cast<std::int64_t>(seconds / 86400) - 134774;  // 1601 to 1970
  const std::uint64_t inDay = seconds % 86400;
  std::int64_t y = 0;
  unsigned m = 0, d = 0;
  civilFromDays(days, y, m, d);
  appendTime(out, y, m, d, static_cast<unsigned>(inDay / 3600),
             static_cast<unsigned>(inDay / 60 % 60), static_cast<unsigned>(inDay % 60),
             (ft % 10000000) * 100);
}

void appendSid(std::string& out, std::span<const std::byte> b) {
  const ByteReader r(b);
  const auto revision = r.u8(0);
  const auto count = r.u8(1);
  if (!revision || !count || !r.has(8, std::uint64_t{*count} * 4))
    return;
  std::uint64_t authority = 0;
  for (int i = 2; i < 8; ++i)
    authority = (authority << 8) | *r.u8(static_cast<std::uint64_t>(i));
  out += "S-";
  appendNumber(out, static_cast<unsigned>(*revision));
  out += '-';
  if (authority >> 32) {
    out += "0x";
    appendHex(out, authority, 12, true);
  } else {
    appendNumber(out, authority);
  }
  for (unsigned i = 0; i < *count; ++i) {
    out += '-';
    appendNumber(out, *r.u32(8 + 4 * std::uint64_t{i}));
  }
}

// The size of one element of an array of `type` (0: its elements end with a NUL).
std::size_t elementSize(std::uint8_t type) {
  switch (type) {
    case kInt8:
    case kUInt8:
      return 1;
    case kInt16:
    case kUInt16:
      return 2;
    case kInt32:
    case kUInt32:
    case kReal32:
    case kBool:
    case kHexInt32:
      return 4;
    case kInt64:
    case kUInt64:
    case kReal64:
    case kFileTime:
    case kHexInt64:
      return 8;
    case kGuid:
    case kSystemTimeValue:
      return 16;
    default:
      return 0;
  }
}

// One value (not an array, nor a string) as ASCII text.
void formatScalar(std::string& out, std::uint8_t type, std::span<const std::byte> b) {
  const ByteReader r(b);
  switch (type) {
    case kInt8:
      if (auto v = r.u8(0))
        appendNumber(out, static_cast<int>(static_cast<std::int8_t>(*v)));
      return;
    case kUInt8:
      if (auto v = r.u8(0))
        appendNumber(out, static_cast<unsigned>(*v));
      return;
    case kInt16:
      if (auto v = r.u16(0))
        appendNumber(out, static_cast<int>(static_cast<std::int16_t>(*v)));
      return;
    case kUInt16:
      if (auto v = r.u16(0))
        appendNumber(out, static_cast<unsigned>(*v));
      return;
    case kInt32:
      if (auto v = r.u32(0))
        appendNumber(out, static_cast<std::int32_t>(*v));
      return;
    case kUInt32:
      if (auto v = r.u32(0))
        appendNumber(out, *v);
      return;
    case kInt64:
      if (auto v = r.u64(0))
        appendNumber(out, static_cast<std::int64_t>(*v));
      return;
    case kUInt64:
      if (auto v = r.u64(0))
        appendNumber(out, *v);
      return;
    case kReal32:
      if (auto v = r.u32(0)) {
        float f = 0;
        std::memcpy(&f, &*v, sizeof f);
        char buffer[48];
        const int n = std::snprintf(buffer, sizeof buffer, "%.8e", static_cast<double>(f));
        out.append(buffer, static_cast<std::size_t>(std::max(n, 0)));
      }
      return;
    case kReal64:
      if (auto v = r.u64(0)) {
        double f = 0;
        std::memcpy(&f, &*v, sizeof f);
        char buffer[48];
        const int n = std::snprintf(buffer, sizeof buffer, "%.16e", f);
        out.append(buffer, static_cast<std::size_t>(std::max(n, 0)));
      }
      return;
    case kBool:
      if (auto v = r.u32(0))
        out += *v != 0 ? "true" : "false";
      return;
    case kBinaryValue:
      for (std::byte c : b)
        appendHex(out, std::to_integer<unsigned>(c), 2, true);
      return;
    case kGuid:
      if (b.size() >= 16) {
        out += '{';
        appendHex(out, *r.u32(0), 8, true);
        out += '-';
        appendHex(out, *r.u16(4), 4, true);
        out += '-';
        appendHex(out, *r.u16(6), 4, true);
        out += '-';
        for (std::uint64_t i = 8; i < 16; ++i) {
          if (i == 10)
            out += '-';
          appendHex(out, *r.u8(i), 2, true);
        }
        out += '}';
      }
      return;
    case kSizeT:
      if (b.size() >= 8)
        appendNumber(out, *r.u64(0));
      else if (b.size() >= 4)
        appendNumber(out, *r.u32(0));
      return;
    case kHexInt32:
    case kHexInt64:
      if (b.size() >= 8) {
        out += "0x";
        appendHex(out, *r.u64(0), 16, false);
      } else if (b.size() >= 4) {
        out += "0x";
        appendHex(out, *r.u32(0), 8, false);
      }
      return;
    case kFileTime:
      if (auto v = r.u64(0))
        appendFileTime(out, *v);
      return;
    case kSystemTimeValue:
      if (b.size() >= 16) {
        appendTime(out, *r.u16(0), *r.u16(2), *r.u16(6), *r.u16(8), *r.u16(10), *r.u16(12), 0);
        out.resize(out.size() - 10);  // milliseconds, not nanoseconds
        appendPadded(out, *r.u16(14), 3);
        out += 'Z';
      }
      return;
    case kSid:
      appendSid(out, b);
      return;
    default:
      return;  // handles, nested XML: no text
  }
}

// One value (not an array) as text; `scratch` is room for the ASCII form of
// values that are no strings.
void appendScalar(Text& out, std::uint8_t type, std::span<const std::byte> b,
                  std::string& scratch) {
  if (type == kString) {
    appendUnits(out, b);
  } else if (type == kAnsiString) {
    for (std::byte c : b) {
      if (c == std::byte{0})
        break;
      out += static_cast<char16_t>(std::to_integer<unsigned char>(c));  // Latin-1
    }
  } else {
    scratch.clear();
    formatScalar(scratch, type, b);
    appendAscii(out, scratch);
  }
}

// Calls `each` with the bytes of every element of an array value.
template <typename Each>
void forEachElement(std::uint8_t type, std::span<const std::byte> b, Each each) {
  const std::uint8_t base = type & static_cast<std::uint8_t>(~kArrayFlag);
  const std::size_t size = elementSize(base);
  if (size != 0) {
    for (std::size_t at = 0; at + size <= b.size(); at += size)
      each(b.subspan(at, size));
    return;
  }
  const std::size_t unit = base == kString ? 2 : 1;
  std::size_t start = 0;
  for (std::size_t at = 0; at + unit <= b.size(); at += unit) {
    bool nul = true;
    for (std::size_t k = 0; k < unit; ++k)
      nul = nul && b[at + k] == std::byte{0};
    if (nul) {
      each(b.subspan(start, at - start));
      start = at + unit;
    }
  }
  if (start + unit <= b.size())
    each(b.subspan(start, b.size() - start - (b.size() - start) % unit));
}

// --- Walking an event's binary XML ------------------------------------------

enum Token : std::uint8_t {
  kEndOfStream = 0x00,
  kOpenStartElement = 0x01,
  kCloseStartElement = 0x02,
  kCloseEmptyElement = 0x03,
  kEndElement = 0x04,
  kValueText = 0x05,
  kAttribute = 0x06,
  kCDataSection = 0x07,
  kCharRef = 0x08,
  kEntityRef = 0x09,
  kPITarget = 0x0A,
  kPIData = 0x0B,
  kTemplateInstance = 0x0C,
  kNormalSubstitution = 0x0D,
  kOptionalSubstitution = 0x0E,
  kFragmentHeader = 0x0F,
  kHasMoreFlag = 0x40,
};

// What an element is to the record.
enum Role : std::uint8_t {
  kIgnored,
  kRoot,
  kSystemRole,
  kEventDataRole,
  kUserDataRole,
  kUserBody,   // an element right below <UserData>
  kUserInner,  // below that: its text counts when it has no child elements
  kProviderRole,
  kEventIdRole,
  kLevelRole,
  kTaskRole,
  kKeywordsRole,
  kTimeCreatedRole,
  kRecordIdRole,
  kChannelRole,
  kComputerRole,
  kSecurityRole,
  kDataItem,
  kBinaryItem,
};

// The attribute being read.
enum AttributeRole : std::uint8_t {
  kNoAttribute,
  kOtherAttribute,  // an attribute the record does not need
  kQualifiersAttribute,
  kProviderNameAttribute,
  kEventSourceNameAttribute,
  kSystemTimeAttribute,
  kUserIdAttribute,
};

// Texts that keep their room when cleared, so that the records after the first
// allocate next to nothing.
struct TextList {
  std::vector<Text> items;  // the first `count` count
  std::size_t count = 0;

  Text& add() {
    if (count == items.size())
      items.emplace_back();
    Text& text = items[count++];
    text.clear();
    return text;
  }
  std::span<const Text> view() const { return {items.data(), count}; }
};

// What an event's binary XML gives the record, with its texts in UTF-16. One
// of these serves every record of a chunk.
struct RawParts : EvtxSystemNumbers {
  bool hasRoot = false;
  bool hasSystem = false;
  bool hasProvider = false;
  bool hasBody = false;
  bool hasProviderName = false, hasEventSourceName = false, hasComputer = false, hasChannel = false;
  Text providerName, eventSourceName, computer, channel;
  std::vector<std::byte> userSid;
  TextList strings;
  std::vector<std::byte> data;

  void reset() {
    static_cast<EvtxSystemNumbers&>(*this) = {};
    hasRoot = hasSystem = hasProvider = hasBody = false;
    hasProviderName = hasEventSourceName = hasComputer = hasChannel = false;
    providerName.clear();
    eventSourceName.clear();
    computer.clear();
    channel.clear();
    userSid.clear();
    strings.count = 0;
    data.clear();
  }
};

constexpr int kMaxDepth = 64;    // element nesting
constexpr int kMaxNesting = 16;  // templates and nested binary XML inside each other

class EventWalker {
 public:
  // The chunk the records are read from; what was learnt of the chunk before
  // (names, templates) is forgotten.
  void setChunk(const ByteReader& chunk) {
    chunk_ = chunk;
    for (const std::uint32_t offset : touchedNames_)
      names_[offset] = kUnresolved;
    touchedNames_.clear();
    for (const std::uint32_t offset : touchedTemplates_)
      templateSlots_[offset] = 0;
    touchedTemplates_.clear();
    recorded_.clear();
    steps_.clear();
    if (names_.size() < chunk.size()) {
      names_.resize(chunk.size(), kUnresolved);
      templateSlots_.resize(chunk.size(), 0);
    }
  }

  bool read(std::uint32_t begin, std::uint32_t end, RawParts& parts) {
    parts.reset();
    parts_ = &parts;
    depth_ = 0;
    rootDone_ = false;
    failed_ = false;
    attribute_ = kNoAttribute;
    attributeValueKept_ = false;
    seenSystem_ = seenEventData_ = seenUserData_ = false;
    seenSystemChildren_ = 0;
    userStrings_.count = 0;
    std::uint32_t pos = begin;
    const bool ok = walk(pos, end, {}, 0) && !failed_;
    if (!parts.hasRoot)
      return false;
    if (!parts.hasBody && seenUserData_) {
      parts.hasBody = true;
      std::swap(parts.strings, userStrings_);
    }
    return ok || rootDone_;
  }

 private:
  // --- names

  Name nameAt(std::uint32_t offset) {
    if (offset < names_.size() && names_[offset] != kUnresolved)
      return static_cast<Name>(names_[offset]);
    const Name name = resolveName(offset);
    if (offset < names_.size()) {
      names_[offset] = name;
      touchedNames_.push_back(offset);
    }
    return name;
  }

  Name resolveName(std::uint32_t offset) const {
    const auto count = chunk_.u16(std::uint64_t{offset} + 6);
    if (!count || !chunk_.has(std::uint64_t{offset} + kNameHeaderSize, std::uint64_t{*count} * 2))
      return kBroken;
    const auto chars =
        *chunk_.slice(std::uint64_t{offset} + kNameHeaderSize, std::uint64_t{*count} * 2);
    // The local name: after a namespace prefix, if any.
    std::size_t start = 0;
    for (std::size_t i = 0; i < *count; ++i) {
      if (chars[2 * i] == std::byte{':'} && chars[2 * i + 1] == std::byte{0}) {
        start = i + 1;
        break;
      }
    }
    const std::size_t length = *count - start;
    for (const auto& known : kKnownNames) {
      if (known.text.size() != length)
        continue;
      bool same = true;
      for (std::size_t i = 0; i < length && same; ++i)
        same = chars[2 * (start + i)] == static_cast<std::byte>(known.text[i]) &&
               chars[2 * (start + i) + 1] == std::byte{0};
      if (same)
        return known.name;
    }
    return kOther;
  }

  // Reads a name reference at pos (a chunk offset) and steps over the name
  // when it is stored right there.
  bool nameRef(std::uint32_t& pos, std::uint32_t end, Name& name) {
    const auto offset = chunk_.u32(pos);
    if (!offset || std::uint64_t{pos} + 4 > end)
      return false;
    pos += 4;
    name = nameAt(*offset);
    if (name == kBroken)
      return false;
    if (*offset == pos) {
      const std::uint64_t size = kNameHeaderSize + std::uint64_t{*chunk_.u16(pos + 6)} * 2 + 2;
      if (pos + size > end)
        return false;
      pos += static_cast<std::uint32_t>(size);
    }
    return true;
  }

  // --- the walk

  // Reads the tokens from pos to the end of the stream (or `end`) and hands
  // each to `visit`; a step of `visit` that returns false ends the read with
  // false. The stream's end and a token that does not fit give what
  // visit.end and visit.broken return.
  template <typename Visit>
  bool scan(std::uint32_t& pos, std::uint32_t end, Visit& visit) {
    while (pos < end && !visit.stopped()) {
      const std::uint8_t token = *chunk_.u8(pos);
      switch (token & ~kHasMoreFlag) {
        case kEndOfStream:
          ++pos;
          return visit.endOfStream();
        case kOpenStartElement: {
          if (std::uint64_t{pos} + 11 > end)
            return visit.broken();
          pos += 7;  // token, dependency identifier, data size
          Name name = kOther;
          if (!nameRef(pos, end, name))
            return visit.broken();
          if (token & kHasMoreFlag) {
            if (std::uint64_t{pos} + 4 > end)
              return visit.broken();
            pos += 4;  // size of the attribute list
          }
          if (!visit.open(name))
            return false;
          break;
        }
        case kCloseStartElement:
          ++pos;
          visit.closeStart();
          break;
        case kCloseEmptyElement:
          ++pos;
          visit.closeEmpty();
          break;
        case kEndElement:
          ++pos;
          visit.close();
          break;
        case kValueText: {
          const auto type = chunk_.u8(std::uint64_t{pos} + 1);
          const auto count = chunk_.u16(std::uint64_t{pos} + 2);
          if (!type || !count)
            return visit.broken();
          const std::uint64_t size = std::uint64_t{*count} * 2;
          if (pos + 4 + size > end)
            return visit.broken();
          visit.text(Value{kString, pos + 4, static_cast<std::uint32_t>(size)});
          pos += 4 + static_cast<std::uint32_t>(size);
          break;
        }
        case kAttribute: {
          ++pos;
          Name name = kOther;
          if (!nameRef(pos, end, name))
            return visit.broken();
          visit.attribute(name);
          break;
        }
        case kCDataSection: {
          const auto count = chunk_.u16(std::uint64_t{pos} + 1);
          if (!count || pos + 3 + std::uint64_t{*count} * 2 > end)
            return visit.broken();
          visit.text(Value{kString, pos + 3, static_cast<std::uint32_t>(*count) * 2});
          pos += 3 + static_cast<std::uint32_t>(*count) * 2;
          break;
        }
        case kCharRef: {
          const auto code = chunk_.u16(std::uint64_t{pos} + 1);
          if (!code || pos + 3 > end)
            return visit.broken();
          visit.character(*code);
          pos += 3;
          break;
        }
        case kEntityRef: {
          ++pos;
          const auto offset = chunk_.u32(pos);
          Name ignored = kOther;
          if (!offset || !nameRef(pos, end, ignored))
            return visit.broken();
          visit.entity(*offset);
          break;
        }
        case kPITarget: {
          ++pos;
          Name ignored = kOther;
          if (!nameRef(pos, end, ignored))
            return visit.broken();
          break;
        }
        case kPIData: {
          const auto count = chunk_.u16(std::uint64_t{pos} + 1);
          if (!count || pos + 3 + std::uint64_t{*count} * 2 > end)
            return visit.broken();
          pos += 3 + static_cast<std::uint32_t>(*count) * 2;
          break;
        }
        case kTemplateInstance:
          if (!visit.templateInstance(pos, end))
            return false;
          break;
        case kNormalSubstitution:
        case kOptionalSubstitution: {
          const auto id = chunk_.u16(std::uint64_t{pos} + 1);
          if (!id || std::uint64_t{pos} + 4 > end)
            return visit.broken();
          pos += 4;
          if (!visit.substitution(*id, (token & ~kHasMoreFlag) == kOptionalSubstitution))
            return false;
          break;
        }
        case kFragmentHeader:
          pos += 4;
          break;
        default:
          return visit.broken();
      }
    }
    return visit.end(pos <= end);
  }

  // What the tokens do to the record, as they are met.
  struct Live {
    EventWalker& w;
    std::span<const Value> subs;
    int nesting;

    bool stopped() const { return w.failed_; }
    bool endOfStream() { return true; }
    bool broken() { return false; }
    bool end(bool inside) { return !w.failed_ && inside; }
    bool open(Name name) { return w.startElement(name); }
    void closeStart() { w.finishAttribute(); }
    void closeEmpty() {
      w.finishAttribute();
      w.endElement();
    }
    void close() { w.endElement(); }
    void attribute(Name name) { w.startAttribute(name); }
    void text(const Value& v) {
      w.markContent();
      w.text(v);
    }
    void character(std::uint16_t code) {
      w.markContent();
      w.character(code);
    }
    void entity(std::uint32_t offset) {
      w.markContent();
      w.entity(offset);
    }
    bool templateInstance(std::uint32_t& pos, std::uint32_t end) {
      return w.templateInstance(pos, end, nesting);
    }
    bool substitution(std::uint16_t id, bool optional) {
      return w.substitute(subs, id, optional, nesting);
    }
  };

  // Walks tokens from pos to the end of the stream (or `end`). `subs` are the
  // values of the template being instantiated.
  bool walk(std::uint32_t& pos, std::uint32_t end, std::span<const Value> subs, int nesting) {
    if (nesting > kMaxNesting)
      return false;
    Live live{*this, subs, nesting};
    return scan(pos, end, live);
  }

  bool substitute(std::span<const Value> subs, std::uint16_t id, bool optional, int nesting) {
    if (id >= subs.size())
      return true;  // a value the instance does not give: nothing
    const Value& v = subs[id];
    if (v.type == kNull) {
      if (optional && attribute_ == kNoAttribute && depth_ > 0)
        levels_[depth_ - 1].absentOptional = true;
      return true;
    }
    markContent();
    if (v.size == 0)
      return true;
    if (v.type == kBinXml) {
      std::uint32_t inner = v.offset;
      return walk(inner, v.offset + v.size, {}, nesting + 1);
    }
    text(v);
    return true;
  }

  // --- templates

  // A template's tokens, read once per chunk: what each does to the record
  // depends only on the template, the values of an instance come in only at
  // the substitutions. Replaying these steps does what walking the template
  // does.
  struct Step {
    enum class Kind : std::uint8_t {
      kOpen,
      kCloseStart,
      kCloseEmpty,
      kClose,
      kAttribute,
      kText,
      kCharacter,
      kEntity,
      kSubstitution,
      kOptionalSubstitution,
      kBroken,       // a token that does not fit: the walk fails here
      kEndOfStream,  // the walk ends well here
      kEnd,          // the template's bytes end here (value: inside them or not)
    };
    Kind kind = Kind::kBroken;
    Name name = kOther;
    std::uint16_t number = 0;  // value index, character code, or 1 for an end inside
    Value value;               // a text, or an entity's name offset
  };

  // Records a template's steps; a template that instantiates another in its
  // own tokens is not recorded and always walked.
  struct Recorder {
    std::vector<Step>& steps;
    bool usable = true;

    void add(Step::Kind kind, Name name = kOther, std::uint16_t number = 0, Value value = {}) {
      steps.push_back(Step{kind, name, number, value});
    }
    bool stopped() const { return false; }
    bool endOfStream() {
      add(Step::Kind::kEndOfStream);
      return true;
    }
    bool broken() {
      add(Step::Kind::kBroken);
      return false;
    }
    bool end(bool inside) {
      add(Step::Kind::kEnd, kOther, inside ? 1 : 0);
      return true;
    }
    bool open(Name name) {
      add(Step::Kind::kOpen, name);
      return true;
    }
    void closeStart() { add(Step::Kind::kCloseStart); }
    void closeEmpty() { add(Step::Kind::kCloseEmpty); }
    void close() { add(Step::Kind::kClose); }
    void attribute(Name name) { add(Step::Kind::kAttribute, name); }
    void text(const Value& v) { add(Step::Kind::kText, kOther, 0, v); }
    void character(std::uint16_t code) { add(Step::Kind::kCharacter, kOther, code); }
    void entity(std::uint32_t offset) {
      add(Step::Kind::kEntity, kOther, 0, Value{kNull, offset, 0});
    }
    bool templateInstance(std::uint32_t&, std::uint32_t) {
      usable = false;
      return false;
    }
    bool substitution(std::uint16_t id, bool optional) {
      add(optional ? Step::Kind::kOptionalSubstitution : Step::Kind::kSubstitution, kOther, id);
      return true;
    }
  };

  struct Recorded {
    std::uint32_t definition = 0;
    std::uint32_t first = 0, count = 0;  // its steps in steps_
    bool usable = false;
  };

  // The recorded steps of the template defined at `definition`, whose tokens
  // run from `begin` to `end`; nothing when it is to be walked.
  const Recorded* recorded(std::uint32_t definition, std::uint32_t begin, std::uint32_t end) {
    if (definition < templateSlots_.size() && templateSlots_[definition] != 0)
      return &recorded_[templateSlots_[definition] - 1];
    if (definition >= templateSlots_.size() || recorded_.size() >= 0xFFFF)
      return nullptr;
    Recorded r;
    r.definition = definition;
    r.first = static_cast<std::uint32_t>(steps_.size());
    Recorder recorder{steps_};
    std::uint32_t pos = begin;
    scan(pos, end, recorder);
    r.usable = recorder.usable;
    if (!r.usable)
      steps_.resize(r.first);
    r.count = static_cast<std::uint32_t>(steps_.size()) - r.first;
    recorded_.push_back(r);
    templateSlots_[definition] = static_cast<std::uint16_t>(recorded_.size());
    touchedTemplates_.push_back(definition);
    return &recorded_.back();
  }

  // `r` is a copy: recording a template met on the way may move recorded_.
  bool replay(Recorded r, std::span<const Value> subs, int nesting) {
    if (nesting > kMaxNesting)
      return false;
    for (std::uint32_t i = r.first; i < r.first + r.count; ++i) {
      if (failed_)
        return false;
      const Step& step = steps_[i];
      switch (step.kind) {
        case Step::Kind::kOpen:
          if (!startElement(step.name))
            return false;
          break;
        case Step::Kind::kCloseStart:
          finishAttribute();
          break;
        case Step::Kind::kCloseEmpty:
          finishAttribute();
          endElement();
          break;
        case Step::Kind::kClose:
          endElement();
          break;
        case Step::Kind::kAttribute:
          startAttribute(step.name);
          break;
        case Step::Kind::kText:
          markContent();
          text(step.value);
          break;
        case Step::Kind::kCharacter:
          markContent();
          character(step.number);
          break;
        case Step::Kind::kEntity:
          markContent();
          entity(step.value.offset);
          break;
        case Step::Kind::kSubstitution:
        case Step::Kind::kOptionalSubstitution:
          if (!substitute(subs, step.number, step.kind == Step::Kind::kOptionalSubstitution,
                          nesting))
            return false;
          break;
        case Step::Kind::kBroken:
          return false;
        case Step::Kind::kEndOfStream:
          return true;
        case Step::Kind::kEnd:
          return !failed_ && step.number != 0;
      }
    }
    return false;  // not reached: every recording ends in one of the last three
  }

  bool templateInstance(std::uint32_t& pos, std::uint32_t end, int nesting) {
    if (std::uint64_t{pos} + 10 > end)
      return false;
    const std::uint32_t definition = *chunk_.u32(std::uint64_t{pos} + 6);
    pos += 10;
    // The definition: next definition offset (4), identifier (16), data size (4), data.
    const auto dataSize = chunk_.u32(std::uint64_t{definition} + 20);
    if (!dataSize || !chunk_.has(std::uint64_t{definition} + 24, *dataSize))
      return false;
    if (definition == pos) {  // defined right here, the first time the chunk uses it
      if (std::uint64_t{pos} + 24 + *dataSize > end)
        return false;
      pos += 24 + *dataSize;
    }
    const auto count = chunk_.u32(pos);
    if (!count || pos + 4 + std::uint64_t{*count} * 4 > end)
      return false;
    if (nesting >= kMaxNesting)
      return false;
    std::vector<Value>& values = subs_[static_cast<std::size_t>(nesting)];
    values.resize(*count);
    std::uint64_t at = pos + 4 + std::uint64_t{*count} * 4;
    // The descriptors, four bytes each: size (2), type (1), a byte unused.
    const auto descriptors =
        reinterpret_cast<const unsigned char*>(chunk_.slice(pos + 4, *count * 4ULL)->data());
    for (std::uint32_t i = 0; i < *count; ++i) {
      const unsigned char* d = descriptors + 4 * std::size_t{i};
      const auto size = static_cast<std::uint16_t>(d[0] | (d[1] << 8));
      values[i] = Value{d[2], static_cast<std::uint32_t>(at), size};
      at += size;
    }
    if (at > end)
      return false;
    pos = static_cast<std::uint32_t>(at);
    const std::uint32_t begin = definition + 24;
    if (const Recorded* r = recorded(definition, begin, begin + *dataSize); r && r->usable)
      return replay(*r, values, nesting + 1);
    std::uint32_t inner = begin;
    return walk(inner, begin + *dataSize, values, nesting + 1);
  }

  // --- what the record keeps

  struct Level {
    Role role = kIgnored;
    bool hadChild = false;
    // An element whose only content is optional values that are all absent is
    // left out of the event, as if it were not there.
    bool content = false;
    bool absentOptional = false;
    bool capture = false;  // its text is kept
    bool numeric = false;  // its text is a number the record needs
    // A number's one value is read as it is, its text made only when more
    // text follows it.
    bool deferred = false;
    std::uint8_t pieces = 0;  // pieces of text: 0, 1, or 2 for more
    Value first;              // the first piece of text, for a Data item holding one array
  };

  // Values whose text is a number that reads back as the value itself (or as
  // nothing), so that the number is taken from the value without its text.
  static bool directNumberType(std::uint8_t type) {
    switch (type) {
      case kInt8:
      case kUInt8:
      case kInt16:
      case kUInt16:
      case kInt32:
      case kUInt32:
      case kInt64:
      case kUInt64:
      case kHexInt32:
      case kHexInt64:
      case kSizeT:
        return true;
      default:
        return false;
    }
  }

  // What parseEvtxUnsigned gives for the text of `v` (a directNumberType), read
  // from its bytes: negative numbers have no unsigned reading.
  std::optional<std::uint64_t> directNumber(const Value& v) const {
    const auto bytes = chunk_.slice(v.offset, v.size);
    if (!bytes)
      return std::nullopt;
    const ByteReader r(*bytes);
    auto nonNegative = [](auto value) -> std::optional<std::uint64_t> {
      if (value < 0)
        return std::nullopt;
      return static_cast<std::uint64_t>(value);
    };
    switch (v.type) {
      case kUInt8:
        return r.u8(0);
      case kUInt16:
        return r.u16(0);
      case kUInt32:
        return r.u32(0);
      case kUInt64:
        return r.u64(0);
      case kInt8:
        if (const auto x = r.u8(0))
          return nonNegative(static_cast<std::int8_t>(*x));
        return std::nullopt;
      case kInt16:
        if (const auto x = r.u16(0))
          return nonNegative(static_cast<std::int16_t>(*x));
        return std::nullopt;
      case kInt32:
        if (const auto x = r.u32(0))
          return nonNegative(static_cast<std::int32_t>(*x));
        return std::nullopt;
      case kInt64:
        if (const auto x = r.u64(0))
          return nonNegative(static_cast<std::int64_t>(*x));
        return std::nullopt;
      default:  // the hexadecimal types and sizes: 64 bits where there are 8 bytes
        if (bytes->size() >= 8)
          return r.u64(0);
        if (bytes->size() >= 4)
          return r.u32(0);
        return std::nullopt;
    }
  }

  // The element's number: from its one value, or from its text.
  std::optional<std::uint64_t> elementNumber(const Level& level, const Text& text) {
    return level.deferred ? directNumber(level.first) : number(text);
  }

  // Before more text follows a deferred value, the value's text goes first.
  void undefer(Level& level, Text& out) {
    if (level.deferred) {
      level.deferred = false;
      appendValueText(out, level.first);
    }
  }

  bool startElement(Name name) {
    finishAttribute();
    if (depth_ >= kMaxDepth)
      return false;
    if (rootDone_) {
      failed_ = true;  // a second root: the record ends here
      return false;
    }
    Role role = kIgnored;
    if (depth_ == 0) {
      role = kRoot;
      parts_->hasRoot = true;
    } else {
      role = roleBelow(levels_[depth_ - 1].role, name);
    }
    attributesSeen_ = 0;
    Level& level = levels_[depth_];
    level = Level{};
    level.role = role;
    level.capture = role >= kUserInner && role != kProviderRole && role != kTimeCreatedRole &&
                    role != kSecurityRole;
    level.numeric = role == kEventIdRole || role == kLevelRole || role == kTaskRole ||
                    role == kKeywordsRole || role == kRecordIdRole;
    if (level.capture)
      texts_[depth_].clear();
    ++depth_;
    return true;
  }

  Role roleBelow(Role parent, Name name) {
    switch (parent) {
      case kRoot:
        if (name == kSystem && !seenSystem_) {
          seenSystem_ = true;
          parts_->hasSystem = true;
          return kSystemRole;
        }
        if (name == kEventData && !seenEventData_) {
          seenEventData_ = true;
          parts_->hasBody = true;
          return kEventDataRole;
        }
        if (name == kUserData && !seenUserData_) {
          seenUserData_ = true;
          return kUserDataRole;
        }
        return kIgnored;
      case kSystemRole: {
        Role role = kIgnored;
        switch (name) {
          case kProvider:
            role = kProviderRole;
            break;
          case kEventID:
            role = kEventIdRole;
            break;
          case kLevel:
            role = kLevelRole;
            break;
          case kTask:
            role = kTaskRole;
            break;
          case kKeywords:
            role = kKeywordsRole;
            break;
          case kTimeCreated:
            role = kTimeCreatedRole;
            break;
          case kEventRecordID:
            role = kRecordIdRole;
            break;
          case kChannel:
            role = kChannelRole;
            break;
          case kComputer:
            role = kComputerRole;
            break;
          case kSecurity:
            role = kSecurityRole;
            break;
          default:
            return kIgnored;
        }
        const std::uint32_t bit = 1u << role;
        if (seenSystemChildren_ & bit)
          return kIgnored;
        seenSystemChildren_ |= bit;
        if (role == kProviderRole)
          parts_->hasProvider = true;
        return role;
      }
      case kEventDataRole:
        if (name == kData || name == kComplexData)
          return kDataItem;
        if (name == kBinary)
          return kBinaryItem;
        return kIgnored;
      case kUserDataRole:
        return kUserBody;
      case kUserBody:
      case kUserInner:
        return kUserInner;
      default:
        return kIgnored;
    }
  }

  void endElement() {
    if (depth_ == 0)
      return;
    --depth_;
    if (depth_ == 0)
      rootDone_ = true;
    Level& level = levels_[depth_];
    if (!level.content && level.absentOptional)
      return;  // left out
    if (depth_ > 0) {
      levels_[depth_ - 1].hadChild = true;
      levels_[depth_ - 1].content = true;
    }
    if (level.capture)
      finishElement(level, texts_[depth_]);
  }

  // The text as UTF-8, in scratch_ (ASCII, the usual case, needs no conversion).
  std::string_view utf8Of(std::u16string_view text) {
    if (!narrowAscii(text, scratch_))
      scratch_ = utf16ToUtf8(text);
    return scratch_;
  }

  std::optional<std::uint64_t> number(std::u16string_view text) { return parseEvtxUnsigned(text); }

  // `text` is the element's, and may be taken.
  void finishElement(const Level& level, Text& text) {
    RawParts& p = *parts_;
    switch (level.role) {
      case kEventIdRole:
        p.eventId = elementNumber(level, text);
        break;
      case kLevelRole:
        p.level = elementNumber(level, text);
        break;
      case kTaskRole:
        p.task = elementNumber(level, text);
        break;
      case kKeywordsRole:
        p.keywords = elementNumber(level, text);
        break;
      case kRecordIdRole:
        p.eventRecordId = elementNumber(level, text);
        break;
      case kChannelRole:
        p.channel = trimEvtxSpace(text);
        p.hasChannel = true;
        break;
      case kComputerRole:
        p.computer = trimEvtxSpace(text);
        p.hasComputer = true;
        break;
      case kDataItem:
        // An array value stands for one item per element.
        if (level.pieces == 1 && (level.first.type & kArrayFlag)) {
          const auto bytes = chunk_.slice(level.first.offset, level.first.size);
          if (bytes) {
            forEachElement(level.first.type, *bytes, [&](std::span<const std::byte> b) {
              appendScalar(p.strings.add(),
                           level.first.type & static_cast<std::uint8_t>(~kArrayFlag), b, scratch_);
            });
          }
        } else {
          std::swap(p.strings.add(), text);
        }
        break;
      case kBinaryItem:
        if (narrowAscii(text, scratch_)) {
          const auto bytes = bytesFromHex(scratch_);
          p.data.insert(p.data.end(), bytes.begin(), bytes.end());
        }
        break;
      case kUserInner:
        if (!level.hadChild)
          std::swap(userStrings_.add(), text);
        break;
      default:
        break;
    }
  }

  void startAttribute(Name name) {
    finishAttribute();
    if (depth_ == 0)
      return;
    const Role role = levels_[depth_ - 1].role;
    AttributeRole attribute = kNoAttribute;
    if (role == kEventIdRole && name == kQualifiers)
      attribute = kQualifiersAttribute;
    else if (role == kProviderRole && name == kNameAttribute)
      attribute = kProviderNameAttribute;
    else if (role == kProviderRole && name == kEventSourceName)
      attribute = kEventSourceNameAttribute;
    else if (role == kTimeCreatedRole && name == kSystemTime)
      attribute = kSystemTimeAttribute;
    else if (role == kSecurityRole && name == kUserID)
      attribute = kUserIdAttribute;
    // Only the first attribute of a name counts.
    attribute_ = kOtherAttribute;
    if (attribute != kNoAttribute && (attributesSeen_ & (1u << attribute)) == 0) {
      attributesSeen_ |= 1u << attribute;
      attribute_ = attribute;
      attributeText_.clear();
      attributeValueKept_ = false;
    }
  }

  void finishAttribute() {
    if (attribute_ == kNoAttribute || attribute_ == kOtherAttribute) {
      attribute_ = kNoAttribute;
      return;
    }
    RawParts& p = *parts_;
    switch (attribute_) {
      case kQualifiersAttribute:
        p.qualifiers = number(attributeText_);
        break;
      case kProviderNameAttribute:
        p.providerName = attributeText_;
        p.hasProviderName = true;
        break;
      case kEventSourceNameAttribute:
        p.eventSourceName = attributeText_;
        p.hasEventSourceName = true;
        break;
      case kSystemTimeAttribute:
        if (attributeValueKept_)
          p.timeCreated = fileTimeToUnixSeconds(*chunk_.u64(attributeValue_.offset));
        else
          p.timeCreated = evtxXmlTimeToUnix(utf8Of(attributeText_));
        break;
      case kUserIdAttribute:
        if (attributeValueKept_) {
          const auto bytes = *chunk_.slice(attributeValue_.offset, attributeValue_.size);
          p.userSid.assign(bytes.begin(), bytes.end());
        } else {
          p.userSid = sidFromText(utf8Of(attributeText_));
        }
        break;
      default:
        break;
    }
    attribute_ = kNoAttribute;
    attributeValueKept_ = false;
  }

  // The time and the SID attributes are mostly one value each, whose text
  // would only be parsed back: such a value is kept as it is, and turned into
  // text only when more text follows it. Kept are the values whose text reads
  // back to the same result: a FILETIME of the years 1601 to 9999, and a SID
  // of revision 1 with a 32-bit authority and nothing after its sub-authorities.
  bool keepAttributeValue(const Value& v) {
    if (attributeValueKept_ || !attributeText_.empty())
      return false;
    bool keep = false;
    if (attribute_ == kSystemTimeAttribute && v.type == kFileTime) {
      constexpr std::uint64_t kYear10000 = 2650467744000000000ULL;
      const auto ft = chunk_.u64(v.offset);
      keep = v.size >= 8 && ft && *ft < kYear10000 && chunk_.slice(v.offset, v.size).has_value();
    } else if (attribute_ == kUserIdAttribute && v.type == kSid) {
      const auto revision = chunk_.u8(v.offset);
      const auto count = chunk_.u8(std::uint64_t{v.offset} + 1);
      const auto authorityHigh = chunk_.u16(std::uint64_t{v.offset} + 2);
      keep = revision == 1 && count && *count >= 1 && *count <= 15 &&
             v.size == 8 + 4 * std::uint32_t{*count} && authorityHigh == 0 &&
             chunk_.slice(v.offset, v.size).has_value();
    }
    if (keep) {
      attributeValue_ = v;
      attributeValueKept_ = true;
    }
    return keep;
  }

  void markContent() {
    if (attribute_ == kNoAttribute && depth_ > 0)
      levels_[depth_ - 1].content = true;
  }

  // Where text goes now: the attribute being read, the element's text, or nowhere.
  Text* textTarget() {
    if (attribute_ == kOtherAttribute)
      return nullptr;
    if (attribute_ != kNoAttribute) {
      if (attributeValueKept_) {
        // More text follows the kept value: the attribute is read as text.
        attributeValueKept_ = false;
        appendValueText(attributeText_, attributeValue_);
      }
      return &attributeText_;
    }
    if (depth_ == 0 || !levels_[depth_ - 1].capture)
      return nullptr;
    return &texts_[depth_ - 1];
  }

  void text(const Value& v) {
    if ((attribute_ == kSystemTimeAttribute || attribute_ == kUserIdAttribute) &&
        keepAttributeValue(v))
      return;
    Text* out = textTarget();
    if (out == nullptr)
      return;
    if (attribute_ == kNoAttribute) {
      Level& level = levels_[depth_ - 1];
      if (level.pieces == 0) {
        level.first = v;
        level.pieces = 1;
        if (level.numeric && directNumberType(v.type)) {
          level.deferred = true;
          return;
        }
      } else {
        undefer(level, *out);
        level.pieces = 2;
      }
    }
    appendValueText(*out, v);
  }

  void appendValueText(Text& out, const Value& v) {
    const auto bytes = chunk_.slice(v.offset, v.size);
    if (!bytes)
      return;
    if (v.type & kArrayFlag) {
      forEachElement(v.type, *bytes, [&](std::span<const std::byte> b) {
        appendScalar(out, v.type & static_cast<std::uint8_t>(~kArrayFlag), b, scratch_);
      });
    } else {
      appendScalar(out, v.type, *bytes, scratch_);
    }
  }

  void character(std::uint32_t code) {
    if (Text* out = textTarget()) {
      if (attribute_ == kNoAttribute) {
        undefer(levels_[depth_ - 1], *out);
        levels_[depth_ - 1].pieces = 2;  // not a single value any more
      }
      *out += (code >= 0xD800 && code <= 0xDFFF) || code == 0 ? char16_t{0xFFFD}
                                                              : static_cast<char16_t>(code);
    }
  }

  void entity(std::uint32_t nameOffset) {
    Text* out = textTarget();
    if (out == nullptr)
      return;
    if (attribute_ == kNoAttribute) {
      undefer(levels_[depth_ - 1], *out);
      levels_[depth_ - 1].pieces = 2;
    }
    Text name;
    const auto count = chunk_.u16(std::uint64_t{nameOffset} + 6);
    if (const auto chars = chunk_.slice(std::uint64_t{nameOffset} + kNameHeaderSize,
                                        std::uint64_t{count.value_or(0)} * 2))
      appendUnits(name, *chars);
    if (name == u"lt")
      *out += u'<';
    else if (name == u"gt")
      *out += u'>';
    else if (name == u"amp")
      *out += u'&';
    else if (name == u"quot")
      *out += u'"';
    else if (name == u"apos")
      *out += u'\'';
    else
      *out += u"&" + name + u";";
  }

  ByteReader chunk_;
  std::vector<std::uint8_t> names_;  // what each name offset of the chunk stands for
  std::vector<std::uint32_t> touchedNames_;
  std::vector<std::uint16_t> templateSlots_;  // by definition offset: 1 + index in recorded_
  std::vector<std::uint32_t> touchedTemplates_;
  std::vector<Recorded> recorded_;
  std::vector<Step> steps_;
  RawParts* parts_ = nullptr;
  int depth_ = 0;
  bool rootDone_ = false;
  bool failed_ = false;
  bool seenSystem_ = false, seenEventData_ = false, seenUserData_ = false;
  std::uint32_t seenSystemChildren_ = 0;
  std::uint32_t attributesSeen_ = 0;
  AttributeRole attribute_ = kNoAttribute;
  Text attributeText_;
  Value attributeValue_;  // the attribute's one value, kept without text
  bool attributeValueKept_ = false;
  std::array<Level, kMaxDepth> levels_{};
  std::array<Text, kMaxDepth> texts_{};
  std::array<std::vector<Value>, kMaxNesting> subs_{};
  TextList userStrings_;  // the texts of <UserData>
  std::string scratch_;   // room for ASCII forms
};

// --- Records -----------------------------------------------------------------

EvtxEventParts partsOf(const RawParts& raw) {
  EvtxEventParts parts;
  static_cast<EvtxSystemNumbers&>(parts) = raw;
  parts.hasRoot = raw.hasRoot;
  parts.hasSystem = raw.hasSystem;
  parts.hasProvider = raw.hasProvider;
  parts.hasBody = raw.hasBody;
  if (raw.hasProviderName)
    parts.providerName = utf16ToUtf8(raw.providerName);
  if (raw.hasEventSourceName)
    parts.eventSourceName = utf16ToUtf8(raw.eventSourceName);
  if (raw.hasComputer)
    parts.computer = utf16ToUtf8(raw.computer);
  if (raw.hasChannel)
    parts.channel = utf16ToUtf8(raw.channel);
  parts.userSid = raw.userSid;
  for (const Text& text : raw.strings.view())
    parts.strings.push_back(utf16ToUtf8(text));
  parts.data = raw.data;
  return parts;
}

// Collects each event as an EvtxEvent.
struct EventSink {
  std::vector<EvtxEvent> events;

  void expect(std::size_t) {}

  void add(const RawParts& raw, const EvtxEventValues& values) {
    events.push_back(mapEvtxEventParts(partsOf(raw), values));
  }
};

// Lays out each event at once as the record it is served as (record number
// 0), the way mapEvtxEventParts and appendEventLogRecord would, with no UTF-8
// on the way.
struct RecordSink {
  std::vector<std::byte> bytes;
  std::vector<std::size_t> starts;
  std::vector<EvtxRecordKey> keys;
  std::vector<Text> channels{Text()};  // what the keys' channel numbers stand for

  // Room for the records of `fileBytes` of chunks: the records take about as
  // much as the chunks do; room never touched costs no memory.
  void expect(std::size_t fileBytes) { bytes.reserve(fileBytes); }

  void add(const RawParts& raw, const EvtxEventValues& values) {
    EventLogRecordFields numbers;
    mapEvtxSystemNumbers(raw, values, numbers);
    EventLogRecordTexts16 texts;
    // Source: the provider's event source name where it has one.
    if (raw.hasEventSourceName && !raw.eventSourceName.empty())
      texts.sourceName = raw.eventSourceName;
    else if (raw.hasProviderName)
      texts.sourceName = raw.providerName;
    texts.computerName = raw.computer;
    texts.userSid = raw.userSid;
    texts.strings = raw.strings.view().first(std::min<std::size_t>(raw.strings.count, 0xFFFF));
    texts.data = raw.data;
    starts.push_back(bytes.size());
    appendEventLogRecord(numbers, texts, bytes);
    keys.push_back({raw.eventRecordId, values.identifier, channelNumber(raw.channel)});
  }

  std::uint32_t channelNumber(const Text& channel) {
    if (channel.empty())
      return 0;
    if (channels[last_] == channel)
      return last_;
    for (std::uint32_t i = 1; i < channels.size(); ++i) {
      if (channels[i] == channel)
        return last_ = i;
    }
    channels.push_back(channel);
    return last_ = static_cast<std::uint32_t>(channels.size() - 1);
  }

 private:
  std::uint32_t last_ = 0;
};

// --- Chunks ------------------------------------------------------------------

constexpr std::uint32_t kRecordSignature = 0x00002A2A;  // "**\0\0"
constexpr std::uint32_t kRecordHeaderSize = 24;
constexpr std::string_view kChunkSignature{"ElfChnk\0", 8};

struct ChunkCounts {
  std::size_t records = 0;
  std::size_t unreadable = 0;
  std::size_t recovered = 0;
  std::size_t chunks = 0;
  std::size_t badChunks = 0;
  bool truncated = false;
};

bool allZero(std::span<const std::byte> bytes) {
  return std::all_of(bytes.begin(), bytes.end(), [](std::byte b) { return b == std::byte{0}; });
}

// What one thread keeps while it reads its chunks.
struct ChunkReader {
  EventWalker walker;
  RawParts parts;

  template <typename Sink>
  void read(std::span<const std::byte> bytes, ChunkCounts& out, Sink& sink) {
    const ByteReader chunk(bytes);
    if (bytes.size() < kEvtxChunkSize && !allZero(bytes))
      out.truncated = true;  // the file ends inside the chunk
    if (bytes.size() < kEvtxChunkHeaderSize)
      return;
    if (std::memcmp(bytes.data(), kChunkSignature.data(), kChunkSignature.size()) != 0) {
      // A chunk never written is all zeros; anything else is damage.
      if (!allZero(bytes.first(kEvtxChunkHeaderSize)))
        ++out.badChunks;
      return;
    }
    const std::uint32_t headerCrc =
        evtxCrc32(bytes.subspan(128, kEvtxChunkHeaderSize - 128), evtxCrc32(bytes.first(120)));
    if (headerCrc != *chunk.u32(124)) {
      ++out.badChunks;
      return;
    }
    const std::uint32_t freeOffset = *chunk.u32(48);
    if (freeOffset < kEvtxChunkHeaderSize || freeOffset > kEvtxChunkSize) {
      ++out.badChunks;
      return;
    }
    std::uint32_t limit = freeOffset;
    if (freeOffset > bytes.size()) {
      // Cut short: no checksum to check, but every whole record counts.
      limit = static_cast<std::uint32_t>(bytes.size());
    } else if (evtxCrc32(bytes.subspan(kEvtxChunkHeaderSize, freeOffset - kEvtxChunkHeaderSize)) !=
               *chunk.u32(52)) {
      ++out.badChunks;
      return;
    }
    ++out.chunks;

    walker.setChunk(chunk);
    std::uint32_t pos = kEvtxChunkHeaderSize;
    while (std::uint64_t{pos} + kRecordHeaderSize + 4 <= limit) {
      if (*chunk.u32(pos) != kRecordSignature)
        break;
      const std::uint32_t size = *chunk.u32(std::uint64_t{pos} + 4);
      if (size < kRecordHeaderSize + 4 || std::uint64_t{pos} + size > limit ||
          *chunk.u32(std::uint64_t{pos} + size - 4) != size)
        break;
      ++out.records;
      EvtxEventValues values;
      values.identifier = *chunk.u64(std::uint64_t{pos} + 8);
      values.writtenTime = *chunk.u64(std::uint64_t{pos} + 16);
      if (walker.read(pos + kRecordHeaderSize, pos + size - 4, parts))
        sink.add(parts, values);
      else
        ++out.unreadable;
      pos += size;
    }

    // Left-overs of older records in the chunk's free space: counted, not read.
    for (pos = (pos + 7) & ~7u; std::uint64_t{pos} + kRecordHeaderSize + 4 <= bytes.size();
         pos += 8) {
      if (*chunk.u32(pos) != kRecordSignature)
        continue;
      const std::uint32_t size = *chunk.u32(std::uint64_t{pos} + 4);
      if (size >= kRecordHeaderSize + 4 && std::uint64_t{pos} + size <= bytes.size() &&
          *chunk.u32(std::uint64_t{pos} + size - 4) == size) {
        ++out.recovered;
        pos += (size & ~7u) - 8;
      }
    }
  }
};

template <typename Sink>
struct ThreadResult {
  ChunkCounts counts;
  Sink sink;
};

// Reads every chunk of the file into one Sink per thread, the threads taking
// consecutive runs of chunks, and sums up the counts.
template <typename Sink>
std::vector<ThreadResult<Sink>> readAllChunks(std::span<const std::byte> file, unsigned threads,
                                              EvtxParseCounts& counts) {
  const ByteReader header(file);
  counts.dirty = (header.u32(120).value_or(0) & 1) != 0;
  if (file.size() >= 124)
    counts.badHeader = evtxCrc32(file.first(120)) != header.u32(124).value_or(0);
  if (file.size() <= kEvtxFileHeaderSize)
    return {};
  // Every chunk the file holds, whatever its header says: a header that was
  // not flushed may count fewer.
  const std::size_t chunks =
      (file.size() - kEvtxFileHeaderSize + kEvtxChunkSize - 1) / kEvtxChunkSize;

  std::vector<ThreadResult<Sink>> parts(std::clamp<std::size_t>(threads, 1, 8));
  if (chunks < 8 * parts.size())
    parts.resize(1);  // too few chunks to pay for a thread
  const std::size_t per = (chunks + parts.size() - 1) / parts.size();
  auto readRun = [&](std::size_t k) {
    const std::size_t first = std::min(chunks, k * per);
    const std::size_t last = std::min(chunks, first + per);
    ChunkReader reader;
    parts[k].sink.expect((last - first) * kEvtxChunkSize);
    for (std::size_t i = first; i < last; ++i) {
      const std::size_t offset = kEvtxFileHeaderSize + i * kEvtxChunkSize;
      const std::size_t size = std::min(kEvtxChunkSize, file.size() - offset);
      reader.read(file.subspan(offset, size), parts[k].counts, parts[k].sink);
    }
  };
  std::vector<std::thread> workers;
  for (std::size_t k = 1; k < parts.size(); ++k)
    workers.emplace_back(readRun, k);
  readRun(0);
  for (auto& w : workers)
    w.join();

  for (const auto& p : parts) {
    counts.records += p.counts.records;
    counts.unreadableRecords += p.counts.unreadable;
    counts.recoveredRecords += p.counts.recovered;
    counts.chunks += p.counts.chunks;
    counts.badChunks += p.counts.badChunks;
    counts.truncated = counts.truncated || p.counts.truncated;
  }
  return parts;
}

}  // namespace

std::uint32_t evtxCrc32(std::span<const std::byte> bytes, std::uint32_t crc) {
  const auto* p = reinterpret_cast<const unsigned char*>(bytes.data());
  std::size_t n = bytes.size();
#if TALLYVANE_CRC_FOLDING
  static const bool folding = __builtin_cpu_supports("pclmul") && __builtin_cpu_supports("sse4.1");
  if (folding && n >= 64) {
    const std::size_t whole = n & ~std::size_t{15};
    crc = ~foldCrc32(p, whole, ~crc);
    p += whole;
    n -= whole;
  }
#endif
  const auto& t = crcTables().t;
  crc = ~crc;
  auto word = [](const unsigned char* q) {
    return q[0] | (std::uint32_t{q[1]} << 8) | (std::uint32_t{q[2]} << 16) |
           (std::uint32_t{q[3]} << 24);
  };
  while (n >= 16) {
    const std::uint32_t a = crc ^ word(p);
    const std::uint32_t b = word(p + 4), c = word(p + 8), d = word(p + 12);
    crc = t[15][a & 0xFF] ^ t[14][(a >> 8) & 0xFF] ^ t[13][(a >> 16) & 0xFF] ^ t[12][a >> 24] ^
          t[11][b & 0xFF] ^ t[10][(b >> 8) & 0xFF] ^ t[9][(b >> 16) & 0xFF] ^ t[8][b >> 24] ^
          t[7][c & 0xFF] ^ t[6][(c >> 8) & 0xFF] ^ t[5][(c >> 16) & 0xFF] ^ t[4][c >> 24] ^
          t[3][d & 0xFF] ^ t[2][(d >> 8) & 0xFF] ^ t[1][(d >> 16) & 0xFF] ^ t[0][d >> 24];
    p += 16;
    n -= 16;
  }
  while (n-- > 0)
    crc = t[0][(crc ^ *p++) & 0xFF] ^ (crc >> 8);
  return ~crc;
}

bool parseEvtxEvent(std::span<const std::byte> chunk, std::uint32_t begin, std::uint32_t end,
                    EvtxEventParts& parts) {
  EventWalker walker;
  walker.setChunk(ByteReader(chunk));
  RawParts raw;
  const bool ok =
      walker.read(begin, static_cast<std::uint32_t>(std::min<std::size_t>(end, chunk.size())), raw);
  parts = partsOf(raw);
  return ok;
}

EvtxParseResult parseEvtxChunks(std::span<const std::byte> file, unsigned threads) {
  EvtxParseResult result;
  auto parts = readAllChunks<EventSink>(file, threads, result);
  std::size_t total = 0;
  for (const auto& p : parts)
    total += p.sink.events.size();
  result.events.reserve(total);
  for (auto& p : parts)
    std::move(p.sink.events.begin(), p.sink.events.end(), std::back_inserter(result.events));
  return result;
}

EvtxParsedRecords parseEvtxRecords(std::span<const std::byte> file, unsigned threads) {
  EvtxParsedRecords result;
  auto parts = readAllChunks<RecordSink>(file, threads, result);
  auto& out = result.laidOut;
  auto blocks = std::make_shared<std::vector<std::vector<std::byte>>>();
  std::size_t total = 0;
  for (const auto& p : parts)
    total += p.sink.keys.size();
  out.records.reserve(total);
  out.keys.reserve(total);
  for (auto& p : parts) {
    RecordSink& sink = p.sink;
    // The thread's channel numbers as the log's.
    std::vector<std::uint32_t> channel(sink.channels.size(), 0);
    for (std::size_t i = 1; i < sink.channels.size(); ++i) {
      const std::string name = utf16ToUtf8(sink.channels[i]);
      const auto found = std::find(out.channels.begin(), out.channels.end(), name);
      channel[i] = static_cast<std::uint32_t>(found - out.channels.begin());
      if (found == out.channels.end())
        out.channels.push_back(name);
    }
    blocks->push_back(std::move(sink.bytes));
    std::byte* base = blocks->back().data();
    const std::size_t end = blocks->back().size();
    for (std::size_t i = 0; i < sink.starts.size(); ++i) {
      const std::size_t next = i + 1 < sink.starts.size() ? sink.starts[i + 1] : end;
      out.records.emplace_back(base + sink.starts[i], next - sink.starts[i]);
      EvtxRecordKey key = sink.keys[i];
      key.channel = channel[key.channel];
      out.keys.push_back(key);
    }
  }
  out.owner = std::move(blocks);
  return result;
}

}  // namespace tallyvane::platform
