#include "app/SnapshotTexts.h"

namespace tallyvane {

TSnapshotTexts CurrentSnapshotTexts() {
  TSnapshotTexts texts;
  return texts;
}

}  // namespace tallyvane
