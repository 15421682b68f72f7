// The .evtx files read with libevtx, each record's XML mapped the way the
// product maps an event: the oracle our own parser is compared with.
#include "evtx/LibevtxOracle.h"

#if defined(TALLYVANE_HAVE_LIBEVTX)

#include <libevtx.h>

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <filesystem>
#include <fstream>

#include "platform/EvtxEventLogService.h"

using namespace tallyvane::platform;

namespace tallyvane::testing {

namespace {

// An error slot for one libevtx call; frees what the call left in it.
class LibevtxError {
 public:
  LibevtxError() = default;
  LibevtxError(const LibevtxError&) = delete;
  LibevtxError& operator=(const LibevtxError&) = delete;
  ~LibevtxError() { reset(); }

  libevtx_error_t** slot() {
    reset();
    return &error_;
  }
  void reset() {
    if (error_ != nullptr)
      libevtx_error_free(&error_);
  }
  // The library's description of the last failure (its first line).
  std::string text() const {
    if (error_ == nullptr)
      return "unknown error";
    char buffer[512] = {};
    if (libevtx_error_sprint(error_, buffer, sizeof buffer) < 0)
      return "unknown error";
    std::string message(buffer);
    if (const auto nl = message.find('\n'); nl != std::string::npos)
      message.resize(nl);
    return message.empty() ? "unknown error" : message;
  }

 private:
  libevtx_error_t* error_ = nullptr;
};

class EvtxFile {
 public:
  EvtxFile() {
    LibevtxError error;
    if (libevtx_file_initialize(&file_, error.slot()) != 1)
      file_ = nullptr;
  }
  EvtxFile(const EvtxFile&) = delete;
  EvtxFile& operator=(const EvtxFile&) = delete;
  ~EvtxFile() {
    LibevtxError error;
    if (file_ != nullptr) {
      if (opened_)
        libevtx_file_close(file_, error.slot());
      libevtx_file_free(&file_, error.slot());
    }
  }

  libevtx_file_t* get() const { return file_; }

  bool openPath(const std::string& path, std::string& message) {
    if (file_ == nullptr) {
      message = "out of memory";
      return false;
    }
    LibevtxError error;
    if (libevtx_file_open(file_, path.c_str(), libevtx_get_access_flags_read(), error.slot()) !=
        1) {
      message = error.text();
      return false;
    }
    opened_ = true;
    return true;
  }

 private:
  libevtx_file_t* file_ = nullptr;
  bool opened_ = false;
};

class EvtxRecord {
 public:
  EvtxRecord() = default;
  EvtxRecord(const EvtxRecord&) = delete;
  EvtxRecord& operator=(const EvtxRecord&) = delete;
  ~EvtxRecord() {
    LibevtxError error;
    if (record_ != nullptr)
      libevtx_record_free(&record_, error.slot());
  }
  libevtx_record_t** slot() { return &record_; }
  libevtx_record_t* get() const { return record_; }

 private:
  libevtx_record_t* record_ = nullptr;
};

// A UTF-8 value of a record through libevtx's size-then-copy pair of calls;
// empty when the record has none.
template <typename SizeFn, typename GetFn>
std::string utf8Value(libevtx_record_t* record, SizeFn sizeFn, GetFn getFn) {
  LibevtxError error;
  std::size_t size = 0;
  if (sizeFn(record, &size, error.slot()) != 1 || size == 0 || size > (64u << 20))
    return {};
  std::string value(size, '\0');
  if (getFn(record, reinterpret_cast<std::uint8_t*>(value.data()), size, error.slot()) != 1)
    return {};
  value.resize(std::strlen(value.c_str()));
  return value;
}

EvtxEventValues valuesOf(libevtx_record_t* record) {
  EvtxEventValues v;
  LibevtxError error;
  std::uint64_t u64 = 0;
  std::uint32_t u32 = 0;
  std::uint8_t u8 = 0;
  if (libevtx_record_get_identifier(record, &u64, error.slot()) == 1)
    v.identifier = u64;
  if (libevtx_record_get_written_time(record, &u64, error.slot()) == 1)
    v.writtenTime = u64;
  if (libevtx_record_get_event_identifier(record, &u32, error.slot()) == 1)
    v.eventIdentifier = u32;
  if (libevtx_record_get_event_identifier_qualifiers(record, &u32, error.slot()) == 1)
    v.qualifiers = u32;
  if (libevtx_record_get_event_level(record, &u8, error.slot()) == 1)
    v.level = u8;
  v.xml = utf8Value(record, libevtx_record_get_utf8_xml_string_size,
                    libevtx_record_get_utf8_xml_string);
  if (!v.xml.empty())
    return v;  // the XML carries everything else

  v.sourceName = utf8Value(record, libevtx_record_get_utf8_source_name_size,
                           libevtx_record_get_utf8_source_name);
  v.computerName = utf8Value(record, libevtx_record_get_utf8_computer_name_size,
                             libevtx_record_get_utf8_computer_name);
  v.userSid = utf8Value(record, libevtx_record_get_utf8_user_security_identifier_size,
                        libevtx_record_get_utf8_user_security_identifier);
  int strings = 0;
  if (libevtx_record_get_number_of_strings(record, &strings, error.slot()) == 1) {
    for (int i = 0; i < strings && i < 0x10000; ++i) {
      std::size_t size = 0;
      std::string s;
      if (libevtx_record_get_utf8_string_size(record, i, &size, error.slot()) == 1 && size > 0 &&
          size < (64u << 20)) {
        s.assign(size, '\0');
        if (libevtx_record_get_utf8_string(record, i, reinterpret_cast<std::uint8_t*>(s.data()),
                                           size, error.slot()) == 1)
          s.resize(std::strlen(s.c_str()));
        else
          s.clear();
      }
      v.strings.push_back(std::move(s));
    }
  }
  return v;
}

void readOpenedFile(const EvtxFile& evtx, EvtxLogFile& out, const EvtxProgress& progress) {
  LibevtxError error;
  int count = 0;
  if (libevtx_file_get_number_of_records(evtx.get(), &count, error.slot()) != 1 || count < 0)
    count = 0;
  int recovered = 0;
  if (libevtx_file_get_number_of_recovered_records(evtx.get(), &recovered, error.slot()) == 1 &&
      recovered > 0)
    out.recoveredRecords = static_cast<std::size_t>(recovered);
  out.corrupted = libevtx_file_is_corrupted(evtx.get(), error.slot()) == 1;
  out.liveRecords = static_cast<std::size_t>(count);

  std::vector<EvtxEvent> events;
  events.reserve(out.liveRecords);
  for (int i = 0; i < count; ++i) {
    EvtxRecord record;
    if (libevtx_file_get_record_by_index(evtx.get(), i, record.slot(), error.slot()) != 1 ||
        record.get() == nullptr) {
      ++out.unreadableRecords;
      continue;
    }
    events.push_back(mapEvtxEvent(valuesOf(record.get())));
    if (progress && (i + 1) % 1000 == 0)
      progress(static_cast<std::size_t>(i + 1), out.liveRecords);
  }
  if (progress)
    progress(out.liveRecords, out.liveRecords);
  assembleEvtxLog(std::move(events), evtxLogNameFromPath(out.path), out);
}

}  // namespace

bool libevtxAvailable() {
  return true;
}

namespace {

// Reads the file at `path`; `name` stands for it in the result.
EvtxLogFile readPath(const std::string& path, std::string_view name, const EvtxProgress& progress) {
  EvtxLogFile out;
  out.path = std::string(name);
  out.logName = evtxLogNameFromPath(name);
  {
    std::ifstream in(path, std::ios::binary);
    if (!in) {
      out.error = Error{std::string("cannot open the file: ") + std::strerror(errno)};
      return out;
    }
  }
  if (!fileHasEvtxSignature(path)) {
    out.error = Error{"not an .evtx file (no ElfFile signature)"};
    return out;
  }
  EvtxFile evtx;
  std::string message;
  if (!evtx.openPath(path, message)) {
    out.error = Error{"damaged .evtx file: " + message};
    return out;
  }
  readOpenedFile(evtx, out, progress);
  return out;
}

}  // namespace

EvtxLogFile libevtxReadFile(const std::string& path, const EvtxProgress& progress) {
  return readPath(path, path, progress);
}

// libbfio's memory ranges (of the version libevtx comes with here) read past
// the end of a range shorter than what libevtx asks for, so bytes in memory are
// read from a temporary file, whose reads the system bounds.
EvtxLogFile libevtxReadBytes(std::span<const std::byte> bytes, std::string_view name,
                             const EvtxProgress& progress) {
  if (!hasEvtxSignature(bytes)) {
    EvtxLogFile out;
    out.path = std::string(name);
    out.logName = evtxLogNameFromPath(name);
    out.error = Error{"not an .evtx file (no ElfFile signature)"};
    return out;
  }
  std::error_code ec;
  std::string path = (std::filesystem::temp_directory_path(ec) / "tallyvane-evtx-XXXXXX").string();
  const int fd = ::mkstemp(path.data());
  bool written = fd >= 0;
  for (std::size_t done = 0; written && done < bytes.size();) {
    const ssize_t n = ::write(fd, bytes.data() + done, bytes.size() - done);
    if (n <= 0) {
      written = false;
    } else {
      done += static_cast<std::size_t>(n);
    }
  }
  if (fd >= 0)
    ::close(fd);
  EvtxLogFile out;
  if (written) {
    out = readPath(path, name, progress);
  } else {
    out.path = std::string(name);
    out.logName = evtxLogNameFromPath(name);
    out.error = Error{std::string("cannot write a temporary file: ") + std::strerror(errno)};
  }
  if (fd >= 0)
    ::unlink(path.c_str());
  return out;
}

}  // namespace tallyvane::testing

#else

namespace tallyvane::testing {

bool libevtxAvailable() {
  return false;
}

platform::EvtxLogFile libevtxReadFile(const std::string& path, const platform::EvtxProgress&) {
  platform::EvtxLogFile out;
  out.path = path;
  out.error = Error{"libevtx is not installed"};
  return out;
}

platform::EvtxLogFile libevtxReadBytes(std::span<const std::byte>, std::string_view name,
                                       const platform::EvtxProgress&) {
  platform::EvtxLogFile out;
  out.path = std::string(name);
  out.error = Error{"libevtx is not installed"};
  return out;
}

}  // namespace tallyvane::testing

#endif  // TALLYVANE_HAVE_LIBEVTX
