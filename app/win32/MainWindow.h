#pragma once
// The main window: a header with the operating system, the user and the
// installation date, the day list and the month list, and a status line; its
// menu refreshes the journal, prints both lists, shows the About dialog and
// ends the program.
#include <windows.h>

#include <commctrl.h>

#include <functional>
#include <memory>
#include <string>

#include "ReportList.h"
#include "Win32Handles.h"
#include "app/common/SnapshotTexts.h"
#include "components/TComponent.h"
#include "journal/JournalListModel.h"
#include "platform/Services.h"
#include "present/FormatSettings.h"

namespace tallyvane {

class TOrvex_EventLog;

inline constexpr const wchar_t* kApplicationTitle = L"Tallyvane Journal";

// Where the print command sends its jobs, as the print dialog chose it.
struct TPrintTarget {
  HDC Printer = nullptr;       // the printer's device context, owned by the target
  HGLOBAL DevMode = nullptr;   // its settings (may be null), owned by the target
  HGLOBAL DevNames = nullptr;  // owned by the target
  bool ToFile = false;         // the printer writes to a file
  std::wstring OutputFile;     // that file, when already known
  TPrintTarget() = default;
  TPrintTarget(const TPrintTarget&) = delete;
  TPrintTarget& operator=(const TPrintTarget&) = delete;
  ~TPrintTarget();
};

// Shows an error that escaped a command: a message box with the error's text,
// the program's title as its caption. Tests replace it to record the texts.
using TErrorPresenter = std::function<void(HWND Owner, const std::string& Text)>;
void SetErrorPresenter(TErrorPresenter Presenter);
void ShowApplicationError(HWND Owner, const std::string& Text);

// Registers the window classes of the program (once per process).
void RegisterWindowClasses();

class Twnd_Main : private JournalView {
 public:
  // `Services` gives the event log and the clock; `Facts` the header's and the
  // print footer's texts; `Settings` the user's locale formats.
  Twnd_Main(const platform::Services& Services, const TSnapshotTexts& Facts,
            const FormatSettings& Settings);
  ~Twnd_Main() override;
  Twnd_Main(const Twnd_Main&) = delete;
  Twnd_Main& operator=(const Twnd_Main&) = delete;

  // Creates the window, centred on its screen, and builds the journal
  // (FormCreate). An error of the first build is shown; the window stays.
  void Create(int ShowCommand);
  HWND Handle() const { return FHandle; }
  // The keyboard shortcuts; true when `Message` was one of them.
  bool TranslateShortcut(MSG& Message);
  // Closing the window ends the message loop (the program's main window).
  bool QuitOnClose = true;
  // True once the window has been closed and destroyed.
  bool Closed() const { return FClosed; }

  // Commands.
  void Refresh1Click();
  void pmPrintClick();
  void Exit1Click();
  void About1Click();

  // The print dialog: fills `Target` and returns true, or returns false when
  // the user cancels. Tests replace it to print without a dialog.
  std::function<bool(HWND Owner, TPrintTarget& Target)> PrintDialog;
  // The About dialog; tests replace it to look inside the open dialog.
  std::function<void(HWND Owner)> ShowAbout;

  // Controls, by their names in the layout.
  HWND Image2 = nullptr;
  HWND lOS = nullptr;
  HWND lUser = nullptr;
  HWND lInstalled = nullptr;
  TReportList List;
  HWND Splitter1 = nullptr;
  TReportList MonthList;
  HWND lUptime = nullptr;
  HWND lSpenttime = nullptr;
  // The busy cursor is on (a build runs).
  bool Busy() const { return FBusy > 0; }

  // The window procedure's dispatch (public for the class's static procedure).
  LRESULT HandleMessage(UINT Message, WPARAM WParam, LPARAM LParam);
  void Attach(HWND Window) { FHandle = Window; }
  // The splitter's drag moves the border between the lists by `Delta` pixels.
  void MoveSplitter(int Delta);

 private:
  // JournalView
  void setUptimeText(const std::string& Text) override;
  void setSpentTimeText(const std::string& Text) override;
  void repaintNow() override;
  void beginBusy() override;
  void endBusy() override;
  void beginBulkUpdate() override;
  void endBulkUpdate() override;
  void selectRow(std::size_t Index) override;

  void FormCreate();
  void RefreshJournal();
  void PrintJournal(TPrintTarget& Target);
  void CreateControls();
  void CreateFonts();
  void LoadHeaderIcon();
  void ApplyFonts();
  void Layout();
  void SetLabel(HWND Label, const std::string& Text);
  void PlaceHeaderLabels();
  void CenterOnScreen();
  template <class Command>
  void RunCommand(Command&& command);

  // Message handlers.
  void OnCreate();
  void OnSize();
  void OnPaint();
  LRESULT OnNotify(NMHDR& Header);
  void OnCommand(int Id);
  LRESULT OnCtlColorStatic(HDC Dc, HWND Control);
  bool OnSetCursor();
  void OnMoving(RECT& Frame);
  void OnDpiChanged(UINT Dpi, const RECT& Suggested);
  void OnDestroy();
  LRESULT OnDayListCustomDraw(NMLVCUSTOMDRAW& Draw);
  void PaintSeparator(NMLVCUSTOMDRAW& Draw, bool DefaultDrawing);

  const platform::Services& FServices;
  TSnapshotTexts FFacts;
  FormatSettings FSettings;
  TComponent FComponents{nullptr};
  TOrvex_EventLog* FEventLog = nullptr;  // owned by FComponents
  HWND FHandle = nullptr;
  UniqueAccelerators FAccelerators;
  UniqueIcon FIcon;
  UniqueFont FWindowFont, FOSFont, FListFont, FListBoldFont;
  UINT FDpi = USER_DEFAULT_SCREEN_DPI;
  int FMonthListHeight = 137;  // at 96 dots per inch
  int FBusy = 0;
  bool FClosed = false;
};

}  // namespace tallyvane
