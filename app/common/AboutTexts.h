#pragma once
// The About dialog's texts, decided without the toolkit: the vocabulary in two
// languages, the links, and what each label shows.
#include <array>
#include <cstddef>
#include <string>

#include "app/common/SnapshotTexts.h"

namespace tallyvane {

inline constexpr std::size_t kAboutTextCount = 13;
// Row 0 English, row 1 Czech.
extern const std::array<std::array<const char*, kAboutTextCount>, 2> AboutTexts;
// The maker's contact links. They point at the project's own placeholder
// addresses under the reserved ".example" domain.
extern const char* const kAboutEmailLink;
extern const char* const kAboutWebLink;

struct TAboutDialogTexts {
  std::string Caption;   // the dialog's caption
  std::string lProduct;  // product name
  std::string lVer;      // version line
  std::string lDesc;     // description
  std::string lEmail;    // e-mail address shown
  std::string lWWW;      // web address shown
  std::string lCR;       // copyright
  std::string lOS2;      // operating system
  std::string mLic;      // terms of use
};

// What the dialog shows in `Language` (0 English, 1 Czech; anything else is
// English) for this program and system.
TAboutDialogTexts AboutDialogTexts(int Language, const TSnapshotTexts& Facts);

}  // namespace tallyvane
