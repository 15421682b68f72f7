#include "platform/EvtxEventLogService.h"

#include <algorithm>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <limits>
#include <system_error>

#include "platform/ByteReader.h"
#include "platform/Unicode.h"

namespace tallyvane::platform {

namespace {

constexpr std::size_t kRecordNumberOffset = 8;

struct RecordRef {
  std::uint64_t id = 0;
  std::span<const std::byte> bytes;
};

bool sameRecordApartFromNumber(std::span<const std::byte> a, std::span<const std::byte> b) {
  if (a.size() != b.size() || a.size() < kEventLogRecordFixedSize)
    return false;
  return std::memcmp(a.data(), b.data(), kRecordNumberOffset) == 0 &&
         std::memcmp(a.data() + kRecordNumberOffset + 4, b.data() + kRecordNumberOffset + 4,
                     a.size() - kRecordNumberOffset - 4) == 0;
}

// The number of the first record when `count` records are numbered
// consecutively from `firstId`: the identifier itself when all numbers fit 32
// bits, else 1.
std::uint32_t firstNumberFor(std::uint64_t firstId, std::size_t count) {
  constexpr std::uint64_t kMax = std::numeric_limits<std::uint32_t>::max();
  if (firstId == 0 || firstId > kMax || count == 0 || count - 1 > kMax - firstId)
    return 1;
  return static_cast<std::uint32_t>(firstId);
}

// Orders the records by identifier (stable, so equal identifiers keep their
// order), drops a record that repeats its predecessor when `dropRepeats`, and
// numbers them consecutively.
std::shared_ptr<const RecordList> numberRecords(std::vector<RecordRef> refs, bool dropRepeats,
                                                std::vector<std::uint64_t>& ids) {
  std::stable_sort(refs.begin(), refs.end(),
                   [](const RecordRef& a, const RecordRef& b) { return a.id < b.id; });
  if (dropRepeats) {
    std::vector<RecordRef> kept;
    kept.reserve(refs.size());
    for (const auto& ref : refs) {
      if (!kept.empty() && kept.back().id == ref.id &&
          sameRecordApartFromNumber(kept.back().bytes, ref.bytes))
        continue;
      kept.push_back(ref);
    }
    refs = std::move(kept);
  }
  const std::uint32_t first = refs.empty() ? 1 : firstNumberFor(refs.front().id, refs.size());
  auto list = std::make_shared<RecordList>(first);
  std::size_t total = 0;
  for (const auto& ref : refs)
    total += ref.bytes.size();
  list->reserve(refs.size(), total);
  ids.clear();
  ids.reserve(refs.size());
  std::vector<std::byte> scratch;
  for (std::size_t i = 0; i < refs.size(); ++i) {
    scratch.assign(refs[i].bytes.begin(), refs[i].bytes.end());
    if (scratch.size() >= kEventLogRecordFixedSize) {
      ByteWriter patch;
      patch.u32(static_cast<std::uint32_t>(first + i));
      std::copy(patch.data().begin(), patch.data().end(), scratch.begin() + kRecordNumberOffset);
    }
    list->append(scratch);
    ids.push_back(refs[i].id);
  }
  return list;
}

std::string lowerName(std::string_view name) {
  return asciiLower(name);
}

}  // namespace

bool hasEvtxSignature(std::span<const std::byte> bytes) {
  if (bytes.size() < kEvtxSignature.size())
    return false;
  return std::memcmp(bytes.data(), kEvtxSignature.data(), kEvtxSignature.size()) == 0;
}

bool fileHasEvtxSignature(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  if (!in)
    return false;
  std::byte head[8] = {};
  in.read(reinterpret_cast<char*>(head), sizeof head);
  if (in.gcount() != static_cast<std::streamsize>(sizeof head))
    return false;
  return hasEvtxSignature(head);
}

std::string evtxLogNameFromPath(std::string_view path) {
  const std::size_t slash = path.find_last_of("/\\");
  std::string_view name = slash == std::string_view::npos ? path : path.substr(slash + 1);
  if (name.size() > 5 && equalsIgnoreAsciiCase(name.substr(name.size() - 5), ".evtx"))
    name.remove_suffix(5);
  std::string out;
  for (std::size_t i = 0; i < name.size(); ++i) {
    if (name[i] == '%' && i + 1 < name.size() && name[i + 1] == '4') {
      out += '/';
      ++i;
    } else {
      out += name[i];
    }
  }
  return out;
}

void assembleEvtxLog(std::vector<EvtxEvent> events, std::string_view fallbackName,
                     EvtxLogFile& file) {
  assembleEvtxLog(layOutEvtxEvents(std::move(events)), fallbackName, file);
}

void assembleEvtxLog(EvtxLaidOutEvents events, std::string_view fallbackName, EvtxLogFile& file) {
  const auto& keys = events.keys;
  // The identifiers the records are ordered by: the events' own EventRecordID
  // when every event states one, else the record headers' identifiers, else
  // the order of the file.
  const bool allEventIds = std::all_of(
      keys.begin(), keys.end(), [](const EvtxRecordKey& k) { return k.eventRecordId.has_value(); });
  const bool allHeaderIds = std::all_of(keys.begin(), keys.end(), [](const EvtxRecordKey& k) {
    return k.headerIdentifier.has_value();
  });
  std::vector<std::uint64_t> ids(keys.size());
  for (std::size_t i = 0; i < keys.size(); ++i) {
    ids[i] = allEventIds    ? *keys[i].eventRecordId
             : allHeaderIds ? *keys[i].headerIdentifier
                            : i + 1;
  }

  // The log's name: the channel most events name (of equally many, the one
  // that got there first).
  std::vector<std::size_t> counts(events.channels.size(), 0);
  std::uint32_t best = 0;
  std::size_t bestCount = 0;
  for (const auto& k : keys) {
    if (k.channel == 0 || k.channel >= counts.size())
      continue;
    const std::size_t n = ++counts[k.channel];
    if (n > bestCount) {
      bestCount = n;
      best = k.channel;
    }
  }
  file.logName = best == 0 ? std::string(fallbackName) : events.channels[best];

  // Usually the identifiers already run consecutively in file order, and the
  // records keep their place and only get their numbers.
  bool consecutive = true;
  for (std::size_t i = 1; i < ids.size() && consecutive; ++i)
    consecutive = ids[i] == ids[i - 1] + 1;
  const std::uint32_t first = ids.empty() ? 1 : firstNumberFor(ids.front(), ids.size());
  if (consecutive && (ids.empty() || first == ids.front())) {
    std::vector<std::span<const std::byte>> views;
    views.reserve(events.records.size());
    for (std::size_t i = 0; i < events.records.size(); ++i) {
      const std::span<std::byte> record = events.records[i];
      if (record.size() >= kEventLogRecordFixedSize) {
        const auto number = static_cast<std::uint32_t>(first + i);
        for (std::size_t b = 0; b < 4; ++b)
          record[kRecordNumberOffset + b] = static_cast<std::byte>((number >> (8 * b)) & 0xFF);
      }
      views.push_back(record);
    }
    file.records = std::make_shared<RecordList>(first, std::move(events.owner), std::move(views),
                                                std::vector<std::byte>{});
    file.identifiers = std::move(ids);
    return;
  }

  std::vector<RecordRef> refs(events.records.size());
  for (std::size_t i = 0; i < refs.size(); ++i)
    refs[i] = {ids[i], events.records[i]};
  file.records = numberRecords(std::move(refs), false, file.identifiers);
}

const EvtxLogFile& EvtxEventLogService::addFile(const std::string& path,
                                                const EvtxProgress& progress) {
  return addLog(readEvtxFile(path, progress));
}

const EvtxLogFile& EvtxEventLogService::addLog(EvtxLogFile file) {
  merged_.clear();
  files_.push_back(std::make_unique<EvtxLogFile>(std::move(file)));
  return *files_.back();
}

Expected<std::size_t> EvtxEventLogService::addFolder(const std::string& folder,
                                                     const EvtxProgress& progress) {
  namespace fs = std::filesystem;
  std::error_code ec;
  std::vector<std::string> candidates;
  fs::directory_iterator it(folder, ec);
  for (; !ec && it != fs::directory_iterator(); it.increment(ec)) {
    std::error_code typeError;
    if (!it->is_regular_file(typeError))
      continue;
    const std::string path = it->path().string();
    const std::string name = it->path().filename().string();
    // A file named .evtx is taken even without the signature, so that a
    // damaged one is reported rather than passed over.
    const bool named =
        name.size() > 5 &&
        equalsIgnoreAsciiCase(std::string_view(name).substr(name.size() - 5), ".evtx");
    if (named || fileHasEvtxSignature(path))
      candidates.push_back(path);
  }
  if (ec)
    return Error{ec.message()};
  std::sort(candidates.begin(), candidates.end());
  for (const auto& path : candidates)
    addFile(path, progress);
  return candidates.size();
}

std::vector<std::string> EvtxEventLogService::logNames() const {
  std::vector<std::string> names;
  for (const auto& file : files_) {
    if (!file->opened())
      continue;
    const bool seen = std::any_of(names.begin(), names.end(), [&](const std::string& n) {
      return equalsIgnoreAsciiCase(n, file->logName);
    });
    if (!seen)
      names.push_back(file->logName);
  }
  return names;
}

std::shared_ptr<const RecordList> EvtxEventLogService::recordsOf(std::string_view logName) {
  std::vector<const EvtxLogFile*> matching;
  for (const auto& file : files_) {
    if (file->opened() && equalsIgnoreAsciiCase(file->logName, logName))
      matching.push_back(file.get());
  }
  if (matching.empty())
    return nullptr;
  if (matching.size() == 1)
    return matching.front()->records;

  const std::string key = lowerName(logName);
  if (auto found = merged_.find(key); found != merged_.end())
    return found->second;
  std::vector<RecordRef> refs;
  for (const auto* file : matching) {
    for (std::size_t i = 0; i < file->records->count(); ++i) {
      const std::uint64_t id =
          i < file->identifiers.size() ? file->identifiers[i] : file->records->firstNumber() + i;
      refs.push_back({id, file->records->at(i)});
    }
  }
  std::vector<std::uint64_t> ids;
  auto list = numberRecords(std::move(refs), true, ids);
  merged_[key] = list;
  return list;
}

std::unique_ptr<EventLog> EvtxEventLogService::open(std::string_view server,
                                                    std::string_view logName,
                                                    std::uint32_t* error) {
  if (!server.empty()) {
    if (error != nullptr)
      *error = kRpcServerUnavailable;
    return nullptr;
  }
  auto records = recordsOf(logName);
  if (!records) {
    if (error != nullptr)
      *error = kErrorFileNotFound;
    return nullptr;
  }
  if (error != nullptr)
    *error = kErrorSuccess;
  return std::make_unique<RecordListEventLog>(std::move(records));
}

}  // namespace tallyvane::platform
