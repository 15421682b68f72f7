// Writes and checks the files two builds of the program exchange: a classic
// event log file for both builds' tallyvane-report to read, and a storage file
// written by one build and read back by the other.
//
//   tallyvane_interop evt FILE            writes the event log file
//   tallyvane_interop write-storage FILE  saves a known event log as a storage file
//   tallyvane_interop check-storage FILE  loads FILE and compares it with that log
//
// The exit status is 0 on success and 1 with a message on failure.
#include <cstdio>
#include <fstream>
#include <iostream>
#include <string>
#include <vector>

#include "eventlog/Qzi_EventLog.h"
#include "platform/EvtFileWriter.h"
#include "platform/Services.h"
#include "support/FakeEventLogService.h"
#include "support/FakeSessionFacts.h"
#include "support/JournalDoubles.h"

namespace tallyvane {
namespace {

using testing::journalRecord;
using testing::resumeRecord;
using testing::shutdownRecord;
using testing::sleepRecord;
using testing::startRecord;
using testing::unexpectedRecord;

// Two months of use: sleeps and a resume, an unexpected shutdown written with
// left-to-right marks, a span across midnight and the change to summer time,
// and records the journal passes over.
std::vector<platform::EventLogRecordFields> sampleLog() {
  const std::string lrm = "\xE2\x80\x8E";
  return {
      startRecord({2014, 1, 29, 8, 0, 10}),
      journalRecord({2014, 1, 29, 8, 0, 12}, 0x8000177D, "EventLog"),
      sleepRecord({2014, 1, 29, 12, 0, 40}),
      journalRecord({2014, 1, 29, 12, 30, 0}, 7036, "Service Control Manager"),
      resumeRecord({2014, 1, 29, 13, 0, 5}),
      shutdownRecord({2014, 1, 29, 17, 0, 35}),
      startRecord({2014, 1, 30, 9, 0, 0}),
      unexpectedRecord({2014, 1, 30, 23, 0, 0}, "22:57:21", lrm + "01/" + lrm + "30/" + lrm + "14"),
      startRecord({2014, 1, 31, 22, 0, 0}),
      shutdownRecord({2014, 2, 1, 2, 30, 0}),
      startRecord({2014, 3, 29, 20, 0, 0}),
      shutdownRecord({2014, 3, 30, 4, 0, 0}),
      startRecord({2014, 3, 31, 9, 0, 0}),
  };
}

// The event log the storage file holds: texts beyond ASCII and the field
// separator inside a description (the text form keeps no record data bytes).
std::vector<TLogRecord> storageRecords() {
  std::vector<TLogRecord> records;
  TLogRecord a;
  a.EventType = etError;
  a.DateTime = 41640.5;
  a.Source = "Ovladač";
  a.Category = "None";
  a.EventID = 41;
  a.Username = "Jiří";
  a.Domain = "PRACOVNÍ";
  a.Computer = "STROJ-7";
  a.Description = "a;b \"quoted\" \u20AC";
  records.push_back(a);
  TLogRecord b;
  b.EventType = etInformation;
  b.DateTime = 41641.25;
  b.Source = "EventLog";
  b.Category = "None";
  b.EventID = 6005;
  b.Computer = "STROJ-7";
  b.Description = "The Event log service was started.";
  records.push_back(b);
  return records;
}

const char* const kComment = "Příliš žluťoučký kůň";

int writeEvt(const std::string& path) {
  const std::vector<std::byte> bytes = platform::writeEvtFile(sampleLog());
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out.write(reinterpret_cast<const char*>(bytes.data()),
            static_cast<std::streamsize>(bytes.size()));
  return out ? 0 : 1;
}

int writeStorage(const std::string& path) {
  testing::FakeEventLogService service;
  testing::FakeSessionFacts facts;
  platform::Services services = platform::systemServices();
  services.eventLog = &service;
  TOrvex_EventLog log(nullptr, services, facts);
  log.Reader().SetSourceName("System");
  for (const TLogRecord& r : storageRecords())
    log.Reader().AddRecord(r);
  log.SaveToStorage(path, kComment, nullptr);
  return 0;
}

int checkStorage(const std::string& path) {
  testing::FakeEventLogService service;
  testing::FakeSessionFacts facts;
  platform::Services services = platform::systemServices();
  services.eventLog = &service;
  TOrvex_EventLog log(nullptr, services, facts);
  // The records of the source named before the load are read; the load's
  // result does not tell whether they were.
  log.Reader().SetSourceName("System");
  log.LoadFromStorage(path, nullptr);
  const std::vector<TLogRecord> expected = storageRecords();
  if (log.RecordCount() != expected.size()) {
    std::cerr << path << ": " << log.RecordCount() << " records, expected " << expected.size()
              << "\n";
    return 1;
  }
  for (std::uint32_t i = 0; i < expected.size(); ++i) {
    const TLogRecord got = log.Records(i);
    if (!(got == expected[i])) {
      std::cerr << path << ": record " << i << " differs: source \"" << got.Source
                << "\", description \"" << got.Description << "\"\n";
      return 1;
    }
  }
  return 0;
}

}  // namespace
}  // namespace tallyvane

int main(int argc, char** argv) {
  if (argc != 3) {
    std::cerr << "usage: tallyvane_interop evt|write-storage|check-storage FILE\n";
    return 2;
  }
  const std::string command = argv[1];
  const std::string path = argv[2];
  try {
    if (command == "evt")
      return tallyvane::writeEvt(path);
    if (command == "write-storage")
      return tallyvane::writeStorage(path);
    if (command == "check-storage")
      return tallyvane::checkStorage(path);
  } catch (const std::exception& e) {
    std::cerr << path << ": " << e.what() << "\n";
    return 1;
  }
  std::cerr << "unknown command " << command << "\n";
  return 2;
}
