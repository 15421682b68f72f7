// Real .evtx files written by Windows machines, read through the service and
// the classic reader, and compared with what evtxexport (libevtx-utils) shows
// for the same files. The tests skip when the files or the tool are absent.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <map>
#include <regex>
#include <sstream>

#include "eventlog/Orvex_EventLogNT.h"
#include "platform/ByteReader.h"
#include "platform/EvtxEventLogService.h"
#include "platform/Unicode.h"

namespace tallyvane::platform {
namespace {

std::string fixture(const char* name) {
  return std::string(TALLYVANE_SHARED_FIXTURES) + "/evtx/" + name;
}

#define REQUIRE_FIXTURE(path)            \
  do {                                   \
    if (!std::filesystem::exists(path))  \
      GTEST_SKIP() << "no " << path;     \
    if (!evtxReadingAvailable())         \
      GTEST_SKIP() << "no .evtx reader"; \
  } while (false)

// One EVENTLOGRECORD taken apart again, field by field.
struct Decoded {
  std::uint32_t recordNumber, timeGenerated, timeWritten, eventId;
  std::uint16_t eventType, eventCategory;
  std::string source, computer, sid;
  std::vector<std::string> strings;
  std::vector<std::byte> data;
};

Decoded decode(std::span<const std::byte> bytes) {
  const ByteReader r(bytes);
  Decoded d{};
  d.recordNumber = r.u32(8).value_or(0);
  d.timeGenerated = r.u32(12).value_or(0);
  d.timeWritten = r.u32(16).value_or(0);
  d.eventId = r.u32(20).value_or(0);
  d.eventType = r.u16(24).value_or(0);
  d.eventCategory = r.u16(28).value_or(0);
  std::size_t used = 0;
  d.source = utf16ToUtf8(readUtf16z(r.tail(kEventLogRecordFixedSize), &used));
  d.computer = utf16ToUtf8(readUtf16z(r.tail(kEventLogRecordFixedSize + used)));
  if (const auto sid = r.slice(r.u32(44).value_or(0), r.u32(40).value_or(0)))
    d.sid = SidToText(*sid);
  std::uint64_t at = r.u32(36).value_or(0);
  for (std::uint16_t i = 0; i < r.u16(26).value_or(0); ++i) {
    d.strings.push_back(utf16ToUtf8(readUtf16z(r.tail(at), &used)));
    at += used;
  }
  if (const auto data = r.slice(r.u32(52).value_or(0), r.u32(48).value_or(0)))
    d.data.assign(data->begin(), data->end());
  EXPECT_EQ(r.u32(bytes.size() - 4), bytes.size());
  return d;
}

// The events evtxexport prints for a file, in file order.
struct Exported {
  std::uint64_t number = 0;  // the record header's identifier
  std::string writtenTime;   // "Mar 23, 2017 05:03:27.156939000 UTC"
  int level = -1;
  std::string sid, computer, source;
  std::uint32_t eventId = 0;  // as evtxexport prints it (the low 16 bits)
  std::vector<std::string> strings;
  // From its XML output.
  std::string xml;
};

std::string run(const std::string& command) {
  std::string out;
  FILE* pipe = ::popen(command.c_str(), "r");
  if (pipe == nullptr)
    return out;
  char buffer[65536];
  std::size_t n = 0;
  while ((n = std::fread(buffer, 1, sizeof buffer, pipe)) > 0)
    out.append(buffer, n);
  ::pclose(pipe);
  return out;
}

bool haveEvtxexport() {
  return std::system("command -v evtxexport >/dev/null 2>&1") == 0;
}

std::vector<Exported> exportOf(const std::string& path) {
  std::vector<Exported> events;
  std::istringstream text(run("evtxexport '" + path + "' 2>/dev/null"));
  std::string line;
  auto value = [](const std::string& l) {
    const auto colon = l.find("\t: ");
    return colon == std::string::npos ? std::string() : l.substr(colon + 3);
  };
  // A string may span lines; its lines run until the next field.
  bool inString = false;
  std::string blanks;
  while (std::getline(text, line)) {
    const bool field = line.find("\t: ") != std::string::npos && !line.starts_with("\t");
    if (!field || events.empty()) {
      if (inString && !events.empty() && !events.back().strings.empty()) {
        if (line.empty()) {
          blanks += '\n';
        } else {
          events.back().strings.back() += "\n" + blanks + line;
          blanks.clear();
        }
      }
      if (!line.starts_with("Event number"))
        continue;
    }
    inString = line.starts_with("String: ");
    blanks.clear();
    if (line.starts_with("Event number")) {
      events.emplace_back();
      events.back().number = std::stoull(value(line));
    } else if (line.starts_with("Written time")) {
      events.back().writtenTime = value(line);
    } else if (line.starts_with("Event level")) {
      const auto open = line.rfind('(');
      events.back().level = std::stoi(line.substr(open + 1));
    } else if (line.starts_with("User security identifier")) {
      events.back().sid = value(line);
    } else if (line.starts_with("Computer name")) {
      events.back().computer = value(line);
    } else if (line.starts_with("Source name")) {
      events.back().source = value(line);
    } else if (line.starts_with("Event identifier")) {
      events.back().eventId = static_cast<std::uint32_t>(std::stoul(value(line), nullptr, 16));
    } else if (inString) {
      events.back().strings.push_back(value(line));
    }
  }
  const std::string xml = run("evtxexport -f xml '" + path + "' 2>/dev/null");
  std::size_t at = 0;
  for (auto& e : events) {
    const auto begin = xml.find("<Event ", at);
    const auto end = xml.find("</Event>", begin);
    if (begin == std::string::npos || end == std::string::npos)
      break;
    e.xml = xml.substr(begin, end - begin);
    at = end;
  }
  return events;
}

std::string match(const std::string& text, const char* pattern) {
  std::smatch m;
  return std::regex_search(text, m, std::regex(pattern)) ? m[1].str() : std::string();
}

// Unix seconds of evtxexport's "Mar 23, 2017 05:03:27.156939000 UTC".
std::uint32_t exportTimeToUnix(const std::string& text) {
  static const std::map<std::string, int> months = {
      {"Jan", 1}, {"Feb", 2}, {"Mar", 3}, {"Apr", 4},  {"May", 5},  {"Jun", 6},
      {"Jul", 7}, {"Aug", 8}, {"Sep", 9}, {"Oct", 10}, {"Nov", 11}, {"Dec", 12}};
  char month[4] = {};
  int day = 0, year = 0, h = 0, m = 0, s = 0;
  if (std::sscanf(text.c_str(), "%3s %d, %d %d:%d:%d", month, &day, &year, &h, &m, &s) != 6)
    return 0;
  char iso[32];
  std::snprintf(iso, sizeof iso, "%04d-%02d-%02dT%02d:%02d:%02dZ", year, months.at(month), day, h,
                m, s);
  return evtxXmlTimeToUnix(iso).value_or(0);
}

std::string hexOf(std::span<const std::byte> data) {
  std::string out;
  char two[3];
  for (auto b : data) {
    std::snprintf(two, sizeof two, "%02X", std::to_integer<unsigned>(b));
    out += two;
  }
  return out;
}

// evtxexport prints a negative integer as "-" and the value's bits below the
// sign bit ("-2147483647" for a 32-bit -1, "-458839" for 0x80070057); our
// parser prints the value itself. This gives the value evtxexport meant.
std::string trueNegative(const std::string& text) {
  if (text.size() < 2 || text[0] != '-' ||
      text.find_first_not_of("0123456789", 1) != std::string::npos || text.size() > 20)
    return text;
  const unsigned long long low = std::stoull(text.substr(1));
  if (low < (1ULL << 31))
    return std::to_string(static_cast<long long>(low) - (1LL << 31));
  if (low < (1ULL << 63))
    return "-" + std::to_string((1ULL << 63) - low);
  return text;
}

class EvtxFixture : public ::testing::TestWithParam<const char*> {};

// Every field of every record against evtxexport's text and XML output.
TEST_P(EvtxFixture, EveryFieldMatchesEvtxexport) {
  const std::string path = fixture(GetParam());
  REQUIRE_FIXTURE(path);
  if (!haveEvtxexport())
    GTEST_SKIP() << "evtxexport is not installed";
  const auto file = readEvtxFile(path);
  ASSERT_TRUE(file.opened()) << messageOf(file.error);
  const auto exported = exportOf(path);
  ASSERT_EQ(file.records->count(), exported.size());

  for (std::size_t i = 0; i < exported.size(); ++i) {
    const auto& want = exported[i];
    const Decoded got = decode(file.records->at(i));
    SCOPED_TRACE("record " + std::to_string(i) + "\n" + want.xml);
    const std::string recordId = match(want.xml, "<EventRecordID>(\\d+)<");
    EXPECT_EQ(std::to_string(got.recordNumber), recordId);
    EXPECT_EQ(file.identifiers[i], std::stoull(recordId));
    EXPECT_EQ(got.timeWritten, exportTimeToUnix(want.writtenTime));
    EXPECT_EQ(got.timeGenerated,
              evtxXmlTimeToUnix(match(want.xml, "<TimeCreated SystemTime=\"([^\"]+)\"")));
    EXPECT_EQ(got.eventId & 0xFFFF, want.eventId);
    const std::string qualifiers = match(want.xml, "<EventID Qualifiers=\"(\\d+)\"");
    EXPECT_EQ(got.eventId >> 16, qualifiers.empty() ? 0u : std::stoul(qualifiers));
    const std::uint64_t keywords =
        std::stoull(match(want.xml, "<Keywords>(0x[0-9a-fA-F]+)<"), nullptr, 16);
    EXPECT_EQ(got.eventType, evtxEventType(static_cast<std::uint8_t>(want.level), keywords));
    EXPECT_EQ(std::to_string(got.eventCategory), match(want.xml, "<Task>(\\d+)<"));
    EXPECT_EQ(got.source, want.source);
    EXPECT_EQ(got.computer, want.computer);
    EXPECT_EQ(got.sid, want.sid);
    // evtxexport lists the binary data as one more string, in hexadecimal.
    // Its text output cannot tell a string's last line break from the blank
    // line after the event, so both sides are compared without them.
    auto strings = got.strings;
    if (!got.data.empty())
      strings.push_back(hexOf(got.data));
    auto wanted = want.strings;
    for (std::size_t k = 0; k < wanted.size() && k < strings.size(); ++k) {
      if (wanted[k] != strings[k] && trueNegative(wanted[k]) == strings[k])
        wanted[k] = strings[k];
    }
    for (auto* list : {&strings, &wanted}) {
      for (auto& s : *list) {
        while (!s.empty() && s.back() == '\n')
          s.pop_back();
      }
    }
    EXPECT_EQ(strings, wanted);
  }
}

INSTANTIATE_TEST_SUITE_P(RealFiles, EvtxFixture,
                         ::testing::Values("etwtool_System.evtx", "tsevtx_System.evtx"));

struct Counts {
  std::size_t records = 0;
  std::map<std::pair<std::string, std::uint32_t>, int> events;  // (source, id) -> count
};

Counts readThroughReader(EvtxEventLogService& service, std::string_view logName) {
  Services services = systemServices();
  services.eventLog = &service;
  TEventLog reader(true, services);
  reader.SetSourceName(logName);
  reader.RefreshData(true);
  reader.Sort();
  Counts c;
  c.records = reader.RecordCount();
  for (std::uint32_t i = 0; i < reader.RecordCount(); ++i) {
    const auto* r = reader.Records(i);
    ++c.events[{r->Source, r->EventID}];
    if (i > 0) {
      EXPECT_LE(reader.Records(i - 1)->DateTime, r->DateTime);
    }
  }
  return c;
}

TEST(EvtxRealFiles, BootsAndCleanShutdownsOfTheTsevtxLog) {
  const std::string path = fixture("tsevtx_System.evtx");
  REQUIRE_FIXTURE(path);
  EvtxEventLogService service;
  const auto& file = service.addFile(path);
  ASSERT_TRUE(file.opened()) << messageOf(file.error);
  EXPECT_EQ(file.logName, "System");
  EXPECT_EQ(file.liveRecords, 1247u);
  EXPECT_EQ(file.unreadableRecords, 0u);
  EXPECT_GT(file.recoveredRecords, 0u);  // present in the file, not served
  EXPECT_EQ(file.records->firstNumber(), 1u);

  const Counts c = readThroughReader(service, "System");
  EXPECT_EQ(c.records, 1247u);
  EXPECT_EQ((c.events.at({"EventLog", 6009})), 4);
  EXPECT_EQ((c.events.at({"EventLog", 6005})), 4);
  EXPECT_EQ((c.events.at({"EventLog", 6006})), 3);
  EXPECT_EQ((c.events.count({"EventLog", 6008})), 0u);
  EXPECT_EQ((c.events.at({"Microsoft-Windows-Kernel-General", 12})), 4);
  EXPECT_EQ((c.events.at({"Microsoft-Windows-Kernel-General", 13})), 3);
}

TEST(EvtxRealFiles, SleepsAndResumesOfTheEtwtoolLog) {
  const std::string path = fixture("etwtool_System.evtx");
  REQUIRE_FIXTURE(path);
  EvtxEventLogService service;
  const auto& file = service.addFile(path);
  ASSERT_TRUE(file.opened()) << messageOf(file.error);
  // The export numbers its record headers from 1; the events keep the
  // numbers they had in the machine's log.
  EXPECT_EQ(file.records->firstNumber(), 15391u);
  EXPECT_EQ(file.records->count(), 100u);

  const Counts c = readThroughReader(service, "system");
  EXPECT_EQ(c.records, 100u);
  EXPECT_EQ((c.events.at({"Microsoft-Windows-Kernel-Power", 42})), 2);
  EXPECT_EQ((c.events.at({"Microsoft-Windows-Kernel-Power", 107})), 2);
  EXPECT_EQ((c.events.at({"Microsoft-Windows-Kernel-General", 1})), 2);
  EXPECT_EQ((c.events.at({"Microsoft-Windows-Power-Troubleshooter", 1})), 2);
  EXPECT_EQ((c.events.count({"EventLog", 6009})), 0u);

  // Each sleep comes before its resume.
  Services services = systemServices();
  services.eventLog = &service;
  TEventLog reader(true, services);
  reader.SetSourceName("System");
  reader.SetSourceFilter("Microsoft-Windows-Kernel-Power");
  reader.RefreshData(true);
  reader.Sort();
  std::vector<std::uint32_t> ids;
  for (std::uint32_t i = 0; i < reader.RecordCount(); ++i) {
    const auto id = reader.Records(i)->EventID;
    if (id == 42 || id == 107)
      ids.push_back(id);
  }
  EXPECT_EQ(ids, (std::vector<std::uint32_t>{42, 107, 42, 107}));
}

TEST(EvtxRealFiles, AFolderOfLogsOffersEachFilesLog) {
  const std::string path = fixture("etwtool_System.evtx");
  REQUIRE_FIXTURE(path);
  EvtxEventLogService service;
  const auto found = service.addFolder(std::string(TALLYVANE_SHARED_FIXTURES) + "/evtx");
  ASSERT_TRUE(found) << found.error().message;
  EXPECT_EQ(*found, 2u);
  // Both files hold a System log (of two machines, with no identifiers in
  // common): one log of both.
  EXPECT_EQ(service.logNames(), (std::vector<std::string>{"System"}));
  auto log = service.open("", "System");
  ASSERT_NE(log, nullptr);
  std::uint32_t count = 0;
  log->numberOfRecords(count);
  EXPECT_EQ(count, 1347u);
}

std::vector<std::byte> fileBytes(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::vector<char> chars((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  std::vector<std::byte> bytes(chars.size());
  std::memcpy(bytes.data(), chars.data(), chars.size());
  return bytes;
}

TEST(EvtxRealFiles, ReadsFromMemoryAsFromTheFile) {
  const std::string path = fixture("tsevtx_System.evtx");
  REQUIRE_FIXTURE(path);
  const auto bytes = fileBytes(path);
  const auto fromMemory = readEvtxBytes(bytes, "tsevtx_System.evtx");
  const auto fromFile = readEvtxFile(path);
  ASSERT_TRUE(fromMemory.opened()) << messageOf(fromMemory.error);
  ASSERT_EQ(fromMemory.records->count(), fromFile.records->count());
  for (std::size_t i = 0; i < fromFile.records->count(); ++i) {
    const auto a = fromMemory.records->at(i), b = fromFile.records->at(i);
    ASSERT_TRUE(std::equal(a.begin(), a.end(), b.begin(), b.end())) << i;
  }
}

TEST(EvtxRealFiles, DamagedFilesGiveTheRecordsThatCouldBeRead) {
  const std::string path = fixture("tsevtx_System.evtx");
  REQUIRE_FIXTURE(path);
  const auto whole = fileBytes(path);
  constexpr std::size_t kHeader = 4096, kChunk = 65536;

  // Cut after the second chunk: the records of the first two chunks stay.
  std::vector<std::byte> cut(whole.begin(), whole.begin() + kHeader + 2 * kChunk + 1000);
  const auto truncated = readEvtxBytes(cut, "cut.evtx");
  ASSERT_TRUE(truncated.opened()) << messageOf(truncated.error);
  EXPECT_GT(truncated.records->count(), 0u);
  EXPECT_LT(truncated.records->count(), 1247u);

  // A chunk overwritten with garbage in the middle of the file.
  auto spoiled = whole;
  for (std::size_t i = kHeader + 3 * kChunk; i < kHeader + 4 * kChunk; ++i)
    spoiled[i] = static_cast<std::byte>(i * 7919u >> 3);
  const auto damaged = readEvtxBytes(spoiled, "spoiled.evtx");
  ASSERT_TRUE(damaged.opened()) << messageOf(damaged.error);
  EXPECT_GT(damaged.records->count(), 500u);
  EXPECT_LT(damaged.records->count(), 1247u);
  // Records after the damage keep their own numbers' order.
  for (std::size_t i = 1; i < damaged.identifiers.size(); ++i)
    EXPECT_LT(damaged.identifiers[i - 1], damaged.identifiers[i]);

  // Only the header: an empty log or an error, never a crash.
  std::vector<std::byte> header(whole.begin(), whole.begin() + kHeader);
  const auto headerOnly = readEvtxBytes(header, "header.evtx");
  if (headerOnly.opened()) {
    EXPECT_EQ(headerOnly.records->count(), 0u);
  }

  // A spoiled file header.
  auto badHeader = whole;
  for (std::size_t i = 8; i < 128; ++i)
    badHeader[i] = std::byte{0xEE};
  const auto badHead = readEvtxBytes(badHeader, "badheader.evtx");
  if (!badHead.opened()) {
    EXPECT_NE(messageOf(badHead.error).find("damaged"), std::string::npos)
        << messageOf(badHead.error);
  }
}

TEST(EvtxRealFiles, FilesThatAreNoLogsGiveAClearError) {
  const auto missing = readEvtxFile("/nonexistent/System.evtx");
  EXPECT_FALSE(missing.opened());
  // A build without an .evtx reader gives that as the reason for every file.
  const bool reader = evtxReadingAvailable();
  EXPECT_NE(messageOf(missing.error).find(reader ? "cannot open" : "cannot read .evtx"),
            std::string::npos)
      << messageOf(missing.error);
  const auto notALog = readEvtxBytes(std::vector<std::byte>(100, std::byte{'x'}), "x.evtx");
  EXPECT_FALSE(notALog.opened());
  EXPECT_NE(messageOf(notALog.error).find(reader ? "no ElfFile signature" : "cannot read .evtx"),
            std::string::npos)
      << messageOf(notALog.error);
}

}  // namespace
}  // namespace tallyvane::platform
