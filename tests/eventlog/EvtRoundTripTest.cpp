// The same records served by the event log double and written into a .evt
// file read back identically through TEventLog; files we write open in an
// independent reader (evtexport) when it is installed.
#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <regex>

#include "eventlog/Orvex_EventLogNT.h"
#include "platform/EvtFileWriter.h"
#include "support/FakeAccounts.h"
#include "support/FakeEventLogService.h"
#include "support/SampleRecords.h"

namespace tallyvane {
namespace {

using platform::EventLogRecordFields;

std::vector<EventLogRecordFields> manyRecords() {
  std::vector<EventLogRecordFields> records;
  for (int day = 0; day < 6; ++day) {
    for (auto r : testing::sampleDay(1'700'000'000 + 86400 * static_cast<std::uint32_t>(day))) {
      records.push_back(std::move(r));
    }
  }
  return records;
}

std::vector<TLogRecord> readThrough(platform::EventLogService& service, bool sort,
                                    std::string_view filter = "") {
  testing::FakeAccounts accounts;
  accounts.add("S-1-5-18", "SYSTEM", "NT AUTHORITY");
  platform::Services services = platform::systemServices();
  services.eventLog = &service;
  services.accounts = &accounts;
  TEventLog log(true, services);
  log.SetSourceName("System");
  log.SetLookupSID(true);
  log.SetSourceFilter(filter);
  log.SetConvertTimeToLocal(!filter.empty());
  log.RefreshData(true);
  if (sort)
    log.Sort();
  std::vector<TLogRecord> out;
  for (std::uint32_t i = 0; i < log.RecordCount(); ++i)
    out.push_back(*log.Records(i));
  return out;
}

std::size_t bytesOf(const std::vector<EventLogRecordFields>& records) {
  std::size_t n = 0;
  for (const auto& r : records)
    n += platform::buildEventLogRecord(r).size();
  return n;
}

TEST(EvtRoundTrip, DoubleAndEvtFileGiveTheSameRecords) {
  const auto records = manyRecords();
  testing::FakeEventLogService fake;
  fake.addLog("System", records, 500);
  const auto expected = readThrough(fake, false);
  ASSERT_EQ(expected.size(), records.size());
  const auto expectedSorted = readThrough(fake, true);
  // The journal's filter, in local time: the file's records are looked at in
  // place and filtered on their bytes, the double's are copied through reads.
  const std::string_view journal =
      "Microsoft-Windows-Kernel-General,microsoft-windows-kernel-power,EventLog";
  const auto expectedFiltered = readThrough(fake, true, journal);
  ASSERT_GT(expectedFiltered.size(), 0u);
  ASSERT_LT(expectedFiltered.size(), records.size());

  const std::uint32_t size =
      static_cast<std::uint32_t>(platform::kEvtHeaderSize + bytesOf(records) + 1000);
  const struct {
    const char* name;
    platform::EvtWriteOptions options;
  } shapes[] = {
      {"plain", {}},
      {"with free space", {.slack = 4096}},
      {"wrapped inside a fixed part", {.maxSize = size, .startOffset = size - 1500}},
      {"wrapped inside a string", {.maxSize = size, .startOffset = size - 1333}},
      {"wrapped inside the end-of-file record",
       {.maxSize = size, .startOffset = size - static_cast<std::uint32_t>(bytesOf(records)) - 20}},
      {"dirty", {.slack = 100, .dirty = true}},
      {"dirty and wrapped", {.maxSize = size, .startOffset = size - 700, .dirty = true}},
  };
  for (const auto& shape : shapes) {
    SCOPED_TRACE(shape.name);
    const auto image = platform::writeEvtFile(records, 500, shape.options);
    // The records copied out of the image, and served where they lie in it.
    platform::EvtFileEventLogService copied(image);
    platform::EvtReadReport report;
    platform::EvtFileEventLogService inPlace(
        platform::readEvtRecordsInPlace(nullptr, image, &report), report);
    for (platform::EvtFileEventLogService* evt : {&copied, &inPlace}) {
      EXPECT_EQ(readThrough(*evt, false), expected);
      EXPECT_EQ(readThrough(*evt, true), expectedSorted);
      EXPECT_EQ(readThrough(*evt, true, journal), expectedFiltered);
    }
  }
}

TEST(EvtRoundTrip, ARecordOneByteShortOfTheFixedPartEndsTheRead) {
  // The fourth record's Length says 55, and so do the four bytes where a
  // 55-byte record would close: all that tells it from a record is its size.
  // The file is read up to it, and nothing of it or beyond is taken.
  const auto records = manyRecords();
  auto file = platform::writeEvtFile(records, 1);
  std::size_t at = platform::kEvtHeaderSize;
  for (std::size_t i = 0; i < 3; ++i)
    at += platform::buildEventLogRecord(records[i]).size();
  const auto put55 = [&](std::size_t offset) {
    file[offset] = std::byte{55};
    file[offset + 1] = file[offset + 2] = file[offset + 3] = std::byte{0};
  };
  put55(at);
  put55(at + 55 - 4);
  platform::EvtFileEventLogService evt(file);
  std::uint32_t count = 0;
  const auto log = evt.open("", "System");
  ASSERT_NE(log, nullptr);
  EXPECT_TRUE(log->numberOfRecords(count));
  EXPECT_EQ(count, 3u);
  const auto got = readThrough(evt, true);

  testing::FakeEventLogService fake;
  fake.addLog("System", {records.begin(), records.begin() + 3});
  EXPECT_EQ(got, readThrough(fake, true));
  EXPECT_EQ(got.size(), 3u);
}

// evtexport's text output: the event identifiers in order.
std::vector<std::uint32_t> evtexportIds(const std::filesystem::path& file) {
  std::vector<std::uint32_t> ids;
  const std::string command = "evtexport '" + file.string() + "' 2>/dev/null";
  FILE* pipe = popen(command.c_str(), "r");
  if (pipe == nullptr)
    return ids;
  char line[4096];
  static const std::regex id(R"(Event identifier\s*:\s*0x([0-9a-fA-F]+))");
  while (std::fgets(line, sizeof line, pipe) != nullptr) {
    std::cmatch m;
    if (std::regex_search(line, m, id))
      ids.push_back(static_cast<std::uint32_t>(std::stoul(m[1], nullptr, 16)));
  }
  pclose(pipe);
  return ids;
}

TEST(EvtRoundTrip, FilesWeWriteOpenInEvtexport) {
  if (std::system("command -v evtexport >/dev/null 2>&1") != 0) {
    GTEST_SKIP() << "evtexport (libevt-utils) is not installed";
  }
  const auto records = manyRecords();
  std::vector<std::uint32_t> expected;
  for (const auto& r : records)
    expected.push_back(r.eventId);
  const std::uint32_t size =
      static_cast<std::uint32_t>(platform::kEvtHeaderSize + bytesOf(records) + 1000);
  const struct {
    const char* name;
    platform::EvtWriteOptions options;
  } shapes[] = {
      {"plain", {}},
      {"dirty", {.slack = 100, .dirty = true}},
      {"wrapped inside a record", {.maxSize = size, .startOffset = size - 1333}},
  };
  const auto dir = std::filesystem::path(TALLYVANE_BINARY_DIR) / "evt-interop";
  std::filesystem::create_directories(dir);
  for (const auto& shape : shapes) {
    SCOPED_TRACE(shape.name);
    const auto bytes = platform::writeEvtFile(records, 1, shape.options);
    const auto path = dir / (std::string(shape.name) + ".evt");
    std::ofstream(path, std::ios::binary)
        .write(reinterpret_cast<const char*>(bytes.data()),
               static_cast<std::streamsize>(bytes.size()));
    EXPECT_EQ(evtexportIds(path), expected);
  }
}

}  // namespace
}  // namespace tallyvane
