#pragma once
// Where the window takes its journal from: this computer's own System log, or
// a log from elsewhere (an .evt or .evtx file, a folder of exported logs, a
// Linux machine's journal directory or wtmp file). A new kind of source is one
// more function returning a JournalSource.
#include <QString>
#include <functional>

#include "cli/LogSources.h"

namespace tallyvane {

struct JournalSource {
  // Shown in the title and the recent list; empty for this computer.
  QString Name;
  // The file or folder, remembered among the recent sources; empty for this
  // computer.
  QString Path;
  report::LogOpener Open;

  bool ThisComputer() const { return Path.isEmpty(); }
};

JournalSource ThisComputerSource();

// A log file or folder of any kind the program reads, told apart by its
// extension, its first bytes, or what the folder holds.
JournalSource LogSourceAt(const QString& Path);

// Opens `Path` as LogSourceAt does: .evt and .evtx files and folders of .evtx
// files first, then a journal directory (for folders) or a wtmp file (for other
// files). The error of the first attempt is kept when none succeeds.
report::OpenedLog OpenAnyLog(const std::filesystem::path& Path);

}  // namespace tallyvane
