// Files replaced whole: creating over an existing file, saving a stream to a
// file under a size limit, and the temporaries a killed save leaves.
#include <gtest/gtest.h>
#if !defined(_WIN32)
#include <fcntl.h>
#include <signal.h>
#include <sys/file.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>
#endif

#include <memory>

#include "StorageTestSupport.h"
#include "platform/Files.h"
#include "storage/Orvex_SS.h"

namespace tallyvane {
namespace {

using testing::namesIn;
using testing::TempDir;

TEST(FileReplace, CreatingOverAFileKeepsItUntilTheNewContentIsCommitted) {
  TempDir dir;
  const std::string path = dir.file("notes.txt");
  testing::writeText(path, "a text file the user keeps");
  const auto before = testing::readBytes(path);
  {
    std::shared_ptr<cfb::Storage> stg;
    ASSERT_EQ(StgCreateDocfile(path, 4114, &stg), kSOk);
    std::shared_ptr<cfb::Stream> s;
    ASSERT_EQ(stg->CreateStream("s", 18, &s), kSOk);
    EXPECT_EQ(testing::readBytes(path), before) << "nothing replaced before the commit";
    EXPECT_EQ(StgIsStorageFile(path), kSFalse);
    ASSERT_EQ(stg->Commit(STGC_DEFAULT), kSOk);
    EXPECT_EQ(StgIsStorageFile(path), kSOk);
  }
  // A new file exists as soon as it is created, as an empty compound file.
  std::shared_ptr<cfb::Storage> fresh;
  ASSERT_EQ(StgCreateDocfile(dir.file("new.stg"), 4114, &fresh), kSOk);
  EXPECT_EQ(StgIsStorageFile(dir.file("new.stg")), kSOk);
}

#if !defined(_WIN32)
// A size limit (setrlimit in a forked child) and a lock held with flock.
TEST(FileReplace, SavingAStreamThatDoesNotFitLeavesTheOldFile) {
  TempDir dir;
  const std::string out = dir.file("out.bin");
  testing::writeText(out, "the old file");
  const auto before = testing::readBytes(out);
  std::shared_ptr<cfb::Storage> stg;
  OleCheck(StgCreateDocfile(dir.file("t.stg"), 4114, &stg));
  TStructuredStorage root(nullptr, stg);
  std::unique_ptr<TStorageStream> s(root.CreateStream("v", 18));
  const auto data = testing::patternBytes(20'000, 3);
  s->Write(data.data(), static_cast<std::int32_t>(data.size()));
  const pid_t child = ::fork();
  if (child == 0) {
    ::signal(SIGXFSZ, SIG_IGN);
    const rlimit limit{4096, 4096};
    ::setrlimit(RLIMIT_FSIZE, &limit);
    try {
      s->SaveToFile(out);
    } catch (const EFCreateError&) {
      ::_exit(0);
    } catch (...) {
      ::_exit(2);
    }
    ::_exit(1);
  }
  int status = 0;
  ::waitpid(child, &status, 0);
  ASSERT_TRUE(WIFEXITED(status));
  EXPECT_EQ(WEXITSTATUS(status), 0) << "1: no error, 2: another error";
  EXPECT_EQ(testing::readBytes(out), before);
  EXPECT_EQ(namesIn(dir.path()), (std::vector<std::string>{"out.bin", "t.stg"}));
  s->SaveToFile(out);
  EXPECT_EQ(testing::readBytes(out), data);
}

TEST(FileReplace, OnlyTemporariesNobodyWritesAreRemoved) {
  TempDir dir;
  const std::string path = dir.file("log.stg");
  testing::writeText(path, "file");
  testing::writeText(dir.file("log.stg.~dead01"), "left by a killed save");
  testing::writeText(dir.file("log.stg.~live01"), "being written");
  testing::writeText(dir.file("log.stg.~other"), "not one of ours");
  testing::writeText(dir.file("other.stg.~dead02"), "another file's");
  const int live = ::open(dir.file("log.stg.~live01").c_str(), O_RDONLY | O_CLOEXEC);
  ASSERT_GE(live, 0);
  ASSERT_EQ(::flock(live, LOCK_EX), 0);
  platform::removeStaleTemporaries(path);
  ::close(live);
  EXPECT_EQ(namesIn(dir.path()), (std::vector<std::string>{"log.stg", "log.stg.~live01",
                                                           "log.stg.~other", "other.stg.~dead02"}));
}

#endif  // !_WIN32

}  // namespace
}  // namespace tallyvane
