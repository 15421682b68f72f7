#pragma once
// The storage information header of a file: the summary-information property
// set of the root storage, extended with named properties, that says which
// program and machine wrote the file, when, on which operating system, for
// which user and session, and whether the data went through a code-stream
// procedure.
#include <cstdint>
#include <optional>
#include <string>

#include "present/Orvex_Datetime.h"

namespace tallyvane {

// The header's values in the form its properties take.
struct StorageHeaderValues {
  std::string Title;        // ID 2
  std::string Application;  // ID 18
  std::string Copyright;    // ID 4 (author)
  std::string Comment;      // ID 6
  std::string OS;           // ID 5 (keywords)
  std::string Machine;      // ID 3 (subject)
  TDateTime Timestamp = 0;  // ID 12, a FILETIME holding local time
  std::string Security;     // ID 19, a text
  std::int64_t SIFVersion = 0;
  std::int64_t SIFFormat = 0;
  std::string LoggedUser;
  std::string LoggedUserSID;
  std::string Account;
  std::int64_t OSPlatform = 0;
  std::int64_t OSMajorVersion = 0;
  std::int64_t OSMinorVersion = 0;
  std::int64_t OSBuildNumber = 0;
  std::string OSName;
  std::string OSEdition;
  std::string OSCSD;
  std::optional<std::int64_t> ParentProcessPID;  // written only when set
  std::string Session;
  std::int64_t SessionID = 0;
  std::string IP;
  friend bool operator==(const StorageHeaderValues&, const StorageHeaderValues&) = default;
};

// Writes the header into AFilename: a file that is not a compound file (or is
// missing) is created anew, an existing one is opened for update. The
// properties are written in the header's order. Failures raise EOleSysError.
void WriteStorageHeaderValues(const std::string& AFilename, const StorageHeaderValues& Values);

// Reads the header of AFilename into Values. False, with Values untouched,
// when AFilename is not a compound file; a missing property (or a missing
// set) gives its empty value. Failures to open the file raise EOleSysError.
// `CommentRead` tells whether the comment could be read (it is left as it was
// otherwise).
bool ReadStorageHeaderValues(const std::string& AFilename, StorageHeaderValues& Values,
                             bool* CommentRead = nullptr);

}  // namespace tallyvane
