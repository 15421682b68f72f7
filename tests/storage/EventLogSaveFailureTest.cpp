// Saving the event log component when the disk refuses or the process dies:
// the file holds the old save or the new one, whole, and nothing is left
// beside it. (Processes are forked and limited with POSIX calls.)
#include <gtest/gtest.h>
// Windows has neither fork nor setrlimit; the killed save at the file level is
// covered there by the storage file's own test.
#if !defined(_WIN32)
#include <signal.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <filesystem>
#include <memory>

#include "EventLogTestSupport.h"
#include "StorageTestSupport.h"
#include "eventlog/Qzi_EventLog.h"
#include "storage/Orvex_SS.h"
#include "storage/StorageHeader.h"
#include "support/FakeEventLogService.h"

namespace tallyvane {
namespace {

using testing::namesIn;
using testing::TempDir;

TEST(EventLogSave, ASaveThatCannotBeWrittenFailsAndLeavesTheFileAsItWas) {
  TextFormFixture f;
  const std::string file = f.dir.file("log.stg");
  auto c = f.component();
  c->Reader().SetSourceName("System");
  c->Reader().AddRecord(record(etInformation, 1.0, "S", 1, "the old record"));
  c->SaveToStorage(file, "old", nullptr);
  const auto oldBytes = testing::readBytes(file);
  ASSERT_LT(oldBytes.size(), 32'768u);
  for (int i = 0; i < 2000; ++i)
    c->Reader().AddRecord(record(etInformation, 2.0 + i, "S", 2, std::string(100, 'n')));
  // The child may write no file larger than 32 KiB: the header alone would
  // fit, the records do not.
  const pid_t child = ::fork();
  if (child == 0) {
    ::signal(SIGXFSZ, SIG_IGN);
    const rlimit limit{32'768, 32'768};
    ::setrlimit(RLIMIT_FSIZE, &limit);
    try {
      c->SaveToStorage(file, "new", nullptr);
    } catch (const EOleSysError& e) {
      ::_exit(e.ErrorCode == STG_E_MEDIUMFULL ? 0 : 2);
    } catch (...) {
      ::_exit(3);
    }
    ::_exit(1);
  }
  int status = 0;
  ::waitpid(child, &status, 0);
  ASSERT_TRUE(WIFEXITED(status));
  EXPECT_EQ(WEXITSTATUS(status), 0) << "1: no error, 2: another error, 3: another exception";
  EXPECT_EQ(testing::readBytes(file), oldBytes);
  EXPECT_EQ(namesIn(f.dir.path()), std::vector<std::string>{"log.stg"}) << "no temporary left";
}

// Saves the component in a child process that stops at the `stopAt`th write
// of a file and is killed there; true when it was killed (false when the save
// finished before).
bool saveKilledAtWrite(TOrvex_EventLog& c, const std::string& file, const std::string& comment,
                       int stopAt) {
  int ready[2];
  if (::pipe(ready) != 0)
    return false;
  const pid_t child = ::fork();
  if (child == 0) {
    ::close(ready[0]);
    int writes = 0;
    cfb::setSaveHookForTesting([&] {
      if (++writes < stopAt)
        return;
      const char stopped = 'k';
      (void)!::write(ready[1], &stopped, 1);
      for (;;)
        ::pause();
    });
    c.SaveToStorage(file, comment, nullptr);
    const char done = 'd';
    (void)!::write(ready[1], &done, 1);
    ::_exit(0);
  }
  ::close(ready[1]);
  char got = 0;
  const bool stopped = ::read(ready[0], &got, 1) == 1 && got == 'k';
  if (stopped)
    ::kill(child, SIGKILL);
  int status = 0;
  ::waitpid(child, &status, 0);
  ::close(ready[0]);
  return stopped;
}

TEST(EventLogSave, AKilledSaveLeavesTheOldFileOrTheNewOneWhole) {
  TextFormFixture f;
  const std::string file = f.dir.file("log.stg");
  auto c = f.component();
  c->Reader().SetSourceName("System");
  c->Reader().AddRecord(record(etInformation, 1.0, "S", 1, "old"));
  c->SaveToStorage(file, "old", nullptr);
  const auto oldBytes = testing::readBytes(file);
  c->Reader().ClearRecords();
  c->Reader().AddRecord(record(etInformation, 2.0, "S", 2, "new"));

  // Killed in the middle of writing the file: the old file, whole, and a
  // temporary file beside it.
  EXPECT_TRUE(saveKilledAtWrite(*c, file, "new", 1));
  EXPECT_EQ(testing::readBytes(file), oldBytes);
  EXPECT_EQ(namesIn(f.dir.path()).size(), 2u);

  // Killed at a second write, had the save one: the header and the records
  // still come from the same save.
  saveKilledAtWrite(*c, file, "new", 2);
  StorageHeaderValues header;
  ASSERT_TRUE(ReadStorageHeaderValues(file, header));
  auto back = f.component();
  back->LoadFromStorage(file, nullptr);
  back->SetSourceName("System");
  ASSERT_EQ(back->RecordCount(), 1u);
  EXPECT_EQ(back->Records(0).Description, header.Comment)
      << "the header of one save with the records of another";

  // The next save clears what the killed one left.
  c->SaveToStorage(file, "new", nullptr);
  EXPECT_EQ(namesIn(f.dir.path()), std::vector<std::string>{"log.stg"});
}

}  // namespace
}  // namespace tallyvane
#endif  // !_WIN32
