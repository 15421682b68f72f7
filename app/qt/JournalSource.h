#pragma once
// Where the window takes its journal from: this computer's own System log, or
// a log from elsewhere (an .evt or .evtx file, a folder of exported logs, a
// Linux machine's journal directory or wtmp file). A new kind of source is one
// more function returning a JournalSource.
#include <QString>
#include <filesystem>
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

// The Windows installation whose drive root is `Root`: its System log in its
// own time zone.
JournalSource WindowsInstallationSource(const QString& Root);

// Opens `Path` as LogSourceAt does: .evt and .evtx files and folders of .evtx
// files first, then a journal directory (for folders) or a wtmp file (for other
// files). The error of the first attempt is kept when none succeeds.
report::OpenedLog OpenAnyLog(const std::filesystem::path& Path);

// Whether this user may read the machine's system journal: root, or a member
// of one of the groups the journal is shared with (systemd-journal, adm,
// wheel). Without it this computer's history comes from wtmp alone and may
// lack crashes, sleeps and resumes.
bool UserCanReadSystemJournal();
// Replaces the check above (tests); an empty function restores it.
void SetSystemJournalAccessCheck(std::function<bool()> Check);
// The status-line note for this computer's journal when the user may not read
// the system journal; empty when the history is whole.
QString PartialHistoryNote();

}  // namespace tallyvane
