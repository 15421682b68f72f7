// The component's storage information header writer and reader.
//
// Until the structured storage file exists, the writer writes nothing and the
// reader leaves the record as it is (what it does for a file that is not a
// compound file).
#include "components/Qzi_Common.h"

namespace tallyvane {

void TOrvex_Component::WriteStorageHeader(const std::string& AFilename, const std::string& AComment,
                                          bool AEncoded) {
  (void)AFilename;
  (void)AComment;
  (void)AEncoded;
}

void TOrvex_Component::ReadStorageHeader(const std::string& AFilename,
                                         TStorageInfoRecord* AHeader) {
  (void)AFilename;
  (void)AHeader;
}

}  // namespace tallyvane
