#include "components/SessionFacts.h"

namespace tallyvane {

SessionFacts& systemSessionFacts() {
  // Stand-in until the session routines are wired in: the answers they give on failure.
  static NoSessionFacts facts;
  return facts;
}

}  // namespace tallyvane
