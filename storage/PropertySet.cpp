#include "storage/PropertySet.h"

#include <algorithm>
#include <cstring>

#include "platform/ByteReader.h"
#include "platform/Unicode.h"
#include "storage/AnsiCodePage.h"

namespace tallyvane {

PropValue PropValue::String(std::string value) {
  PropValue v;
  v.vt = VT_LPWSTR;
  v.text = std::move(value);
  return v;
}

PropValue PropValue::Int64(std::int64_t value) {
  PropValue v;
  v.vt = VT_I8;
  v.integer = value;
  return v;
}

PropValue PropValue::Int32(std::int32_t value) {
  PropValue v;
  v.vt = VT_I4;
  v.integer = value;
  return v;
}

PropValue PropValue::FileTimeValue(std::uint64_t ticks) {
  PropValue v;
  v.vt = VT_FILETIME;
  v.fileTime = ticks;
  return v;
}

bool PropValue::isInteger() const {
  switch (vt) {
    case VT_I2:
    case VT_I4:
    case VT_ERROR:
    case VT_BOOL:
    case VT_I1:
    case VT_UI1:
    case VT_UI2:
    case VT_UI4:
    case VT_I8:
    case VT_UI8:
    case VT_INT:
    case VT_UINT:
      return true;
    default:
      return false;
  }
}

namespace cfb {

namespace {

struct WellKnownSet {
  const Guid* fmtid;
  const char16_t* name;
};

const Guid kGlobalInfo = GuidOf("{56616F00-C154-11CE-8553-00AA00A1F95B}");
const Guid kImageContents = GuidOf("{56616400-C154-11CE-8553-00AA00A1F95B}");
const Guid kImageInfo = GuidOf("{56616500-C154-11CE-8553-00AA00A1F95B}");

std::string decodeBytes(std::span<const std::byte> bytes, std::uint16_t codePage) {
  if (codePage == kCodePageUnicode) {
    std::u16string wide;
    for (std::size_t i = 0; i + 1 < bytes.size(); i += 2) {
      const auto c = static_cast<char16_t>(std::to_integer<unsigned>(bytes[i]) |
                                           (std::to_integer<unsigned>(bytes[i + 1]) << 8));
      if (c == 0)
        break;
      wide.push_back(c);
    }
    return utf16ToUtf8(wide);
  }
  std::string narrow;
  for (const auto b : bytes) {
    if (b == std::byte{0})
      break;
    narrow.push_back(static_cast<char>(b));
  }
  if (codePage == 65001)
    return narrow;
  return ansiToUtf8(narrow, codePage);
}

std::vector<std::byte> encodeBytes(std::string_view text, std::uint16_t codePage) {
  std::vector<std::byte> out;
  if (codePage == kCodePageUnicode) {
    out = utf16leBytes(text, true);
  } else {
    const std::string narrow = codePage == 65001 ? std::string(text) : utf8ToAnsi(text, codePage);
    for (const char c : narrow)
      out.push_back(static_cast<std::byte>(c));
    out.push_back(std::byte{0});
  }
  return out;
}

// The length of the value bytes of known fixed-size types, 0 for others.
std::size_t fixedSize(std::uint16_t vt) {
  switch (vt) {
    case VT_I2:
    case VT_UI2:
    case VT_BOOL:
    case VT_I1:
    case VT_UI1:
      return 4;
    case VT_I4:
    case VT_UI4:
    case VT_INT:
    case VT_UINT:
    case VT_ERROR:
      return 4;
    case VT_I8:
    case VT_UI8:
    case VT_FILETIME:
      return 8;
    default:
      return 0;
  }
}

bool parseDictionary(const ByteReader& s, std::uint64_t offset, std::uint16_t codePage,
                     PropertySection& out, std::string& detail) {
  const auto count = s.u32(offset);
  if (!count) {
    detail = "dictionary outside its section";
    return false;
  }
  std::uint64_t o = offset + 4;
  if (*count > (s.size() - o) / 8 + 1) {
    detail = "dictionary holds more entries than its section";
    return false;
  }
  for (std::uint32_t i = 0; i < *count; ++i) {
    const auto id = s.u32(o);
    const auto length = s.u32(o + 4);
    if (!id || !length) {
      detail = "dictionary entry outside its section";
      return false;
    }
    const std::uint64_t bytes = codePage == kCodePageUnicode ? std::uint64_t{*length} * 2 : *length;
    const auto name = s.slice(o + 8, bytes);
    if (!name) {
      detail = "dictionary name outside its section";
      return false;
    }
    out.dictionary.emplace_back(*id, decodeBytes(*name, codePage));
    o += 8 + bytes;
    if (codePage == kCodePageUnicode)
      o = (o + 3) & ~std::uint64_t{3};
  }
  return true;
}

bool parseSection(const ByteReader& file, std::uint64_t offset, PropertySection& out,
                  std::string& detail) {
  const auto size = file.u32(offset);
  if (!size || *size < 8) {
    detail = "section header outside the stream";
    return false;
  }
  // Some writers round the stream but not the section; take what is there.
  const auto bytes = file.slice(offset, std::min<std::uint64_t>(*size, file.size() - offset));
  ByteReader s(*bytes);
  const std::uint32_t count = s.u32(4).value_or(0);
  if (count > (s.size() - 8) / 8) {
    detail = "section lists more properties than it holds";
    return false;
  }
  std::vector<std::pair<std::uint32_t, std::uint32_t>> pairs;  // id, offset
  std::vector<std::uint32_t> offsets;
  for (std::uint32_t i = 0; i < count; ++i) {
    const std::uint32_t id = s.u32(8 + 8 * std::uint64_t{i}).value_or(0);
    const std::uint32_t at = s.u32(12 + 8 * std::uint64_t{i}).value_or(0);
    pairs.emplace_back(id, at);
    offsets.push_back(at);
  }
  std::sort(offsets.begin(), offsets.end());
  out.codePage = 1252;
  for (const auto& [id, at] : pairs) {
    if (id == PID_CODEPAGE && s.u16(at).value_or(0) == VT_I2) {
      out.codePage = s.u16(at + 4).value_or(1252);
    }
  }
  std::uint64_t kept = 0;
  for (const auto& [id, at] : pairs) {
    if (id == PID_CODEPAGE)
      continue;
    if (id == PID_DICTIONARY) {
      if (!parseDictionary(s, at, out.codePage, out, detail))
        return false;
      continue;
    }
    const auto vt = s.u16(at);
    if (!vt) {
      detail = "property outside its section";
      return false;
    }
    // The value runs to the next property or the end of the section.
    const auto next = std::upper_bound(offsets.begin(), offsets.end(), at);
    const std::uint64_t end = next == offsets.end() ? s.size() : *next;
    std::uint64_t length = end > std::uint64_t{at} + 4 ? end - at - 4 : 0;
    if (const auto fixed = fixedSize(*vt); fixed != 0)
      length = std::min<std::uint64_t>(length, fixed);
    kept += length;
    if (kept > 4 * std::uint64_t{s.size()}) {
      detail = "properties overlap";
      return false;
    }
    const auto value =
        s.slice(std::uint64_t{at} + 4, length).value_or(std::span<const std::byte>{});
    out.properties.push_back({id, *vt, std::vector<std::byte>(value.begin(), value.end())});
  }
  return true;
}

void appendPadded(ByteWriter& w, std::span<const std::byte> bytes) {
  w.bytes(bytes);
  w.padTo(4);
}

}  // namespace

std::u16string propertySetStreamName(const Guid& fmtid) {
  const WellKnownSet known[] = {
      {&FMTID_SummaryInformation, u"\x05SummaryInformation"},
      {&FMTID_DocSummaryInformation,
       u"\x05"
       u"DocumentSummaryInformation"},
      {&FMTID_UserDefinedProperties,
       u"\x05"
       u"DocumentSummaryInformation"},
      {&kGlobalInfo, u"\x05GlobalInfo"},
      {&kImageContents, u"\x05ImageContents"},
      {&kImageInfo, u"\x05ImageInfo"},
  };
  for (const auto& k : known) {
    if (*k.fmtid == fmtid)
      return k.name;
  }
  // The 128 bits of the format ID, low bits of each byte first, in groups of
  // five bits mapped to "a".."z" and "0".."5"; a letter whose group starts a
  // byte is written in upper case.
  static const char16_t kMap[] = u"abcdefghijklmnopqrstuvwxyz012345";
  std::u16string name = u"\x05";
  std::size_t byte = 0;
  unsigned bitsRemaining = 8;
  while (byte < fmtid.bytes.size()) {
    unsigned i = static_cast<unsigned>(fmtid.bytes[byte]) >> (8 - bitsRemaining);
    if (bitsRemaining >= 5) {
      char16_t c = kMap[i & 0x1F];
      if (bitsRemaining == 8 && c >= u'a' && c <= u'z')
        c = static_cast<char16_t>(c - 32);
      name.push_back(c);
      bitsRemaining -= 5;
      if (bitsRemaining == 0) {
        ++byte;
        bitsRemaining = 8;
      }
    } else {
      if (++byte < fmtid.bytes.size())
        i |= static_cast<unsigned>(fmtid.bytes[byte]) << bitsRemaining;
      name.push_back(kMap[i & 0x1F]);
      bitsRemaining += 8 - 5;
    }
  }
  return name;
}

ParsedPropertySet parsePropertySet(std::span<const std::byte> bytes) {
  ParsedPropertySet out;
  ByteReader r(bytes);
  if (r.size() < 28 || r.u16(0).value_or(0) != 0xFFFE) {
    out.status = STG_E_INVALIDHEADER;
    out.detail = "no property set header";
    return out;
  }
  out.data.version = r.u16(2).value_or(0);
  out.data.systemIdentifier = r.u32(4).value_or(0);
  for (std::size_t k = 0; k < 16; ++k)
    out.data.clsid.bytes[k] = r.u8(8 + k).value_or(0);
  const std::uint32_t sets = r.u32(24).value_or(0);
  if (sets == 0 || sets > (r.size() - 28) / 20) {
    out.status = STG_E_INVALIDHEADER;
    out.detail = "bad number of property sets";
    return out;
  }
  for (std::uint32_t i = 0; i < sets; ++i) {
    Guid fmtid;
    for (std::size_t k = 0; k < 16; ++k)
      fmtid.bytes[k] = r.u8(28 + 20 * std::uint64_t{i} + k).value_or(0);
    const std::uint32_t offset = r.u32(44 + 20 * std::uint64_t{i}).value_or(0);
    if (i == 0) {
      out.data.section.fmtid = fmtid;
      if (!parseSection(r, offset, out.data.section, out.detail)) {
        out.status = STG_E_DOCFILECORRUPT;
        return out;
      }
      continue;
    }
    // A section holds at least its size and property count.
    const auto size = r.u32(offset);
    const auto section = size && *size >= 8 ? r.slice(offset, *size) : std::nullopt;
    if (!section) {
      out.status = STG_E_DOCFILECORRUPT;
      out.detail = "section outside the stream";
      return out;
    }
    out.data.extraSections.emplace_back(fmtid,
                                        std::vector<std::byte>(section->begin(), section->end()));
  }
  return out;
}

std::vector<std::byte> encodeValue(const PropValue& value, std::uint16_t codePage) {
  ByteWriter w;
  switch (value.vt) {
    case VT_LPWSTR: {
      const auto text = utf16leBytes(value.text, true);
      w.u32(static_cast<std::uint32_t>(text.size() / 2));
      appendPadded(w, text);
      break;
    }
    case VT_LPSTR:
    case VT_BSTR: {
      const auto text = encodeBytes(value.text, codePage);
      w.u32(static_cast<std::uint32_t>(text.size()));
      appendPadded(w, text);
      break;
    }
    case VT_I1:
    case VT_UI1:
      w.u8(static_cast<std::uint8_t>(value.integer));
      w.padTo(4);
      break;
    case VT_I2:
    case VT_UI2:
    case VT_BOOL:
      w.u16(static_cast<std::uint16_t>(value.integer));
      w.padTo(4);
      break;
    case VT_I4:
    case VT_UI4:
    case VT_INT:
    case VT_UINT:
    case VT_ERROR:
      w.u32(static_cast<std::uint32_t>(value.integer));
      break;
    case VT_I8:
    case VT_UI8:
      w.u64(static_cast<std::uint64_t>(value.integer));
      break;
    case VT_FILETIME:
      w.u64(value.fileTime);
      break;
    default:
      appendPadded(w, value.raw);
      break;
  }
  return w.take();
}

PropValue decodeValue(std::uint16_t vt, std::span<const std::byte> bytes, std::uint16_t codePage) {
  ByteReader r(bytes);
  PropValue v;
  v.vt = vt;
  switch (vt) {
    case VT_LPWSTR: {
      const std::uint64_t chars = r.u32(0).value_or(0);
      const auto text =
          r.slice(4, std::min<std::uint64_t>(chars * 2, r.size() >= 4 ? r.size() - 4 : 0));
      if (text)
        v.text = decodeBytes(*text, kCodePageUnicode);
      break;
    }
    case VT_LPSTR:
    case VT_BSTR: {
      const std::uint64_t length = r.u32(0).value_or(0);
      const auto text =
          r.slice(4, std::min<std::uint64_t>(length, r.size() >= 4 ? r.size() - 4 : 0));
      if (text)
        v.text = decodeBytes(*text, codePage);
      break;
    }
    case VT_I1:
      v.integer = static_cast<std::int8_t>(r.u8(0).value_or(0));
      break;
    case VT_UI1:
      v.integer = r.u8(0).value_or(0);
      break;
    case VT_I2:
    case VT_BOOL:
      v.integer = static_cast<std::int16_t>(r.u16(0).value_or(0));
      break;
    case VT_UI2:
      v.integer = r.u16(0).value_or(0);
      break;
    case VT_I4:
    case VT_INT:
    case VT_ERROR:
      v.integer = static_cast<std::int32_t>(r.u32(0).value_or(0));
      break;
    case VT_UI4:
    case VT_UINT:
      v.integer = r.u32(0).value_or(0);
      break;
    case VT_I8:
    case VT_UI8:
      v.integer = static_cast<std::int64_t>(r.u64(0).value_or(0));
      break;
    case VT_FILETIME:
      v.fileTime = r.u64(0).value_or(0);
      break;
    default:
      v.raw.assign(bytes.begin(), bytes.end());
      break;
  }
  return v;
}

std::vector<std::byte> writePropertySet(const PropertySetData& data) {
  const PropertySection& sec = data.section;
  std::vector<std::pair<std::uint32_t, std::vector<std::byte>>> items;
  if (!sec.dictionary.empty()) {
    ByteWriter d;
    d.u32(static_cast<std::uint32_t>(sec.dictionary.size()));
    for (const auto& [id, name] : sec.dictionary) {
      const auto bytes = encodeBytes(name, sec.codePage);
      d.u32(id);
      d.u32(static_cast<std::uint32_t>(sec.codePage == kCodePageUnicode ? bytes.size() / 2
                                                                        : bytes.size()));
      d.bytes(bytes);
      if (sec.codePage == kCodePageUnicode)
        d.padTo(4);
    }
    d.padTo(4);
    items.emplace_back(PID_DICTIONARY, d.take());
  }
  {
    ByteWriter c;
    c.u16(VT_I2);
    c.u16(0);
    c.u16(sec.codePage);
    c.u16(0);
    items.emplace_back(PID_CODEPAGE, c.take());
  }
  for (const auto& p : sec.properties) {
    ByteWriter v;
    v.u16(p.vt);
    v.u16(0);
    appendPadded(v, p.value);
    items.emplace_back(p.id, v.take());
  }
  ByteWriter section;
  std::size_t size = 8 + 8 * items.size();
  for (const auto& item : items)
    size += item.second.size();
  section.u32(static_cast<std::uint32_t>(size));
  section.u32(static_cast<std::uint32_t>(items.size()));
  std::size_t at = 8 + 8 * items.size();
  for (const auto& item : items) {
    section.u32(item.first);
    section.u32(static_cast<std::uint32_t>(at));
    at += item.second.size();
  }
  for (const auto& item : items)
    section.bytes(item.second);

  ByteWriter out;
  const auto sets = static_cast<std::uint32_t>(1 + data.extraSections.size());
  out.u16(0xFFFE);
  out.u16(data.version);
  out.u32(data.systemIdentifier);
  for (auto b : data.clsid.bytes)
    out.u8(b);
  out.u32(sets);
  std::size_t offset = 28 + 20 * std::size_t{sets};
  for (auto b : sec.fmtid.bytes)
    out.u8(b);
  out.u32(static_cast<std::uint32_t>(offset));
  offset += section.size();
  for (const auto& [fmtid, bytes] : data.extraSections) {
    for (auto b : fmtid.bytes)
      out.u8(b);
    out.u32(static_cast<std::uint32_t>(offset));
    offset += (bytes.size() + 3) & ~std::size_t{3};
  }
  out.bytes(section.data());
  for (const auto& extra : data.extraSections)
    appendPadded(out, extra.second);
  return out.take();
}

PropertyStorage::PropertyStorage(std::shared_ptr<Stream> stream, PropertySetData data,
                                 std::uint32_t mode)
    : stream_(std::move(stream)), data_(std::move(data)), mode_(mode) {}

std::optional<std::uint32_t> PropertyStorage::idOf(const PropSpec& spec) const {
  if (!spec.byName)
    return spec.id;
  const std::u16string wanted = utf8ToUtf16(spec.name);
  for (const auto& [id, name] : data_.section.dictionary) {
    if (id != PID_DICTIONARY && compareNames(utf8ToUtf16(name), wanted) == 0)
      return id;
  }
  return std::nullopt;
}

HRESULT PropertyStorage::Read(const PropSpec& spec, PropValue* out) const {
  *out = PropValue{};
  const auto id = idOf(spec);
  if (!id)
    return kSFalse;
  if (*id == PID_CODEPAGE) {
    out->vt = VT_I2;
    out->integer = data_.section.codePage;
    return kSOk;
  }
  for (const auto& p : data_.section.properties) {
    if (p.id == *id) {
      *out = decodeValue(p.vt, p.value, data_.section.codePage);
      return kSOk;
    }
  }
  return kSFalse;
}

HRESULT PropertyStorage::Write(const PropSpec& spec, const PropValue& value,
                               std::uint32_t propidNameFirst) {
  if ((mode_ & 3) == STGM_READ)
    return STG_E_ACCESSDENIED;
  if (spec.byName && spec.name.empty())
    return STG_E_INVALIDPARAMETER;
  auto id = idOf(spec);
  if (!spec.byName && (spec.id == PID_DICTIONARY || spec.id == PID_CODEPAGE)) {
    return STG_E_INVALIDPARAMETER;
  }
  auto& sec = data_.section;
  if (!id) {
    // A new name: the lowest ID from propidNameFirst upward that is neither a
    // property nor a name yet.
    std::uint32_t candidate = std::max(propidNameFirst, PID_FIRST_USABLE);
    auto taken = [&](std::uint32_t c) {
      for (const auto& p : sec.properties) {
        if (p.id == c)
          return true;
      }
      for (const auto& d : sec.dictionary) {
        if (d.first == c)
          return true;
      }
      return false;
    };
    while (taken(candidate)) {
      if (candidate >= PID_LOCALE - 1)
        return STG_E_INSUFFICIENTMEMORY;
      ++candidate;
    }
    id = candidate;
    sec.dictionary.emplace_back(candidate, spec.name);
  }
  auto encoded = encodeValue(value, sec.codePage);
  auto it = std::find_if(sec.properties.begin(), sec.properties.end(),
                         [&](const PropertySection::Property& p) { return p.id == *id; });
  if (it != sec.properties.end()) {
    it->vt = value.vt;
    it->value = std::move(encoded);
  } else {
    sec.properties.push_back({*id, value.vt, std::move(encoded)});
  }
  return save();
}

HRESULT PropertyStorage::Delete(const PropSpec& spec) {
  if ((mode_ & 3) == STGM_READ)
    return STG_E_ACCESSDENIED;
  const auto id = idOf(spec);
  if (!id)
    return kSOk;
  auto& props = data_.section.properties;
  props.erase(std::remove_if(props.begin(), props.end(),
                             [&](const PropertySection::Property& p) { return p.id == *id; }),
              props.end());
  return save();
}

HRESULT PropertyStorage::ReadPropertyName(std::uint32_t propid, std::string* out) const {
  out->clear();
  for (const auto& [id, name] : data_.section.dictionary) {
    if (id == propid) {
      *out = name;
      return kSOk;
    }
  }
  return kSFalse;
}

HRESULT PropertyStorage::WritePropertyName(std::uint32_t propid, std::string_view name) {
  if ((mode_ & 3) == STGM_READ)
    return STG_E_ACCESSDENIED;
  if (name.empty() || propid == PID_CODEPAGE)
    return STG_E_INVALIDPARAMETER;
  const std::u16string wanted = utf8ToUtf16(name);
  for (const auto& [id, existing] : data_.section.dictionary) {
    if (id != propid && compareNames(utf8ToUtf16(existing), wanted) == 0) {
      return STG_E_FILEALREADYEXISTS;
    }
  }
  for (auto& entry : data_.section.dictionary) {
    if (entry.first == propid) {
      entry.second = std::string(name);
      return save();
    }
  }
  data_.section.dictionary.emplace_back(propid, std::string(name));
  return save();
}

HRESULT PropertyStorage::Enum(std::vector<STATPROPSTG>* out) const {
  out->clear();
  for (const auto& p : data_.section.properties) {
    if (p.id == PID_LOCALE || p.id == PID_BEHAVIOR)
      continue;
    STATPROPSTG s;
    s.propid = p.id;
    s.vt = p.vt;
    for (const auto& [id, name] : data_.section.dictionary) {
      if (id == p.id)
        s.name = name;
    }
    out->push_back(std::move(s));
  }
  return kSOk;
}

HRESULT PropertyStorage::Stat(STATPROPSETSTG* out) const {
  *out = STATPROPSETSTG{};
  out->fmtid = data_.section.fmtid;
  out->clsid = data_.clsid;
  out->grfFlags = data_.section.codePage == kCodePageUnicode ? 0 : PROPSETFLAG_ANSI;
  STATSTG stat;
  const HRESULT hr = stream_->Stat(&stat);
  if (Failed(hr))
    return hr;
  out->mtime = stat.mtime;
  out->ctime = stat.ctime;
  out->atime = stat.atime;
  return kSOk;
}

HRESULT PropertyStorage::Commit(std::uint32_t flags) {
  return stream_->Commit(flags);
}

HRESULT PropertyStorage::save() {
  const auto bytes = writePropertySet(data_);
  HRESULT hr = stream_->Seek(0, STREAM_SEEK_SET, nullptr);
  if (Succeeded(hr))
    hr = stream_->SetSize(bytes.size());
  std::uint32_t written = 0;
  if (Succeeded(hr))
    hr = stream_->Write(bytes.data(), static_cast<std::uint32_t>(bytes.size()), &written);
  return hr;
}

}  // namespace cfb
}  // namespace tallyvane
