#include "cli/Progress.h"

#include <cstdio>

#if defined(_WIN32)
#include <io.h>
#else
#include <unistd.h>
#endif

#include "eventlog/Orvex_EventLogNT.h"

namespace tallyvane::report {

#if defined(_WIN32)
bool stderrIsTerminal() {
  return _isatty(_fileno(stderr)) != 0;
}
#else
bool stderrIsTerminal() {
  return isatty(STDERR_FILENO) != 0;
}
#endif

class ProgressEventLog : public platform::EventLog {
 public:
  ProgressEventLog(std::unique_ptr<platform::EventLog> inner, ProgressEventLogService& owner)
      : inner_(std::move(inner)), owner_(owner) {
    std::uint32_t count = 0;
    if (inner_->numberOfRecords(count))
      total_ = count;
  }
  bool numberOfRecords(std::uint32_t& count) override { return inner_->numberOfRecords(count); }
  bool oldestRecord(std::uint32_t& number) override { return inner_->oldestRecord(number); }
  platform::EventLogReadResult read(std::uint32_t flags, std::uint32_t recordNumber,
                                    std::span<std::byte> buffer) override {
    const platform::EventLogReadResult result = inner_->read(flags, recordNumber, buffer);
    if (result.ok()) {
      std::span<const std::byte> bytes(buffer.data(),
                                       std::min<std::size_t>(result.bytesRead, buffer.size()));
      while (!bytes.empty()) {
        const std::size_t length = RecordWalker::recordLength(bytes);
        if (length == 0)
          break;
        ++done_;
        bytes = bytes.subspan(length);
      }
      owner_.report(done_, total_, first_);
      first_ = false;
    }
    return result;
  }
  bool visitNewestFirst(const platform::RecordVisitor& visit) override {
    // Records looked at in place are counted as they pass; the line is
    // brought up to date every few thousand of them and at the end.
    constexpr std::uint64_t kEvery = 4096;
    const bool visited = inner_->visitNewestFirst([&](std::span<const std::byte> record) {
      if (first_ || done_ % kEvery == 0) {
        owner_.report(done_, total_, first_);
        first_ = false;
      }
      ++done_;
      return visit(record);
    });
    if (visited && !first_)
      owner_.report(done_, total_, false);
    return visited;
  }

 private:
  std::unique_ptr<platform::EventLog> inner_;
  ProgressEventLogService& owner_;
  std::uint64_t done_ = 0;
  std::uint64_t total_ = 0;
  bool first_ = true;
};

ProgressEventLogService::ProgressEventLogService(std::shared_ptr<platform::EventLogService> inner,
                                                 std::ostream& out, std::string what,
                                                 std::chrono::milliseconds delay)
    : inner_(std::move(inner)), out_(out), what_(std::move(what)), delay_(delay) {}

ProgressEventLogService::~ProgressEventLogService() {
  finish();
}

std::unique_ptr<platform::EventLog> ProgressEventLogService::open(std::string_view server,
                                                                  std::string_view logName,
                                                                  std::uint32_t* error) {
  std::unique_ptr<platform::EventLog> log = inner_->open(server, logName, error);
  if (!log)
    return nullptr;
  return std::make_unique<ProgressEventLog>(std::move(log), *this);
}

void ProgressEventLogService::report(std::uint64_t done, std::uint64_t total, bool newPass) {
  const auto now = std::chrono::steady_clock::now();
  if (newPass) {
    ++pass_;
    if (pass_ == 1)
      started_ = now;
  }
  if (now - started_ < delay_)
    return;
  if (shown_ && now - lastShown_ < std::chrono::milliseconds(100) && done < total)
    return;
  lastShown_ = now;
  shown_ = true;
  out_ << "\rReading " << what_ << " (pass " << pass_ << "): " << done << " of " << total
       << " records\x1b[K" << std::flush;
}

void ProgressEventLogService::finish() {
  if (!shown_)
    return;
  out_ << "\r\x1b[K" << std::flush;
  shown_ = false;
}

}  // namespace tallyvane::report
