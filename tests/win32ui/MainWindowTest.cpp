// The main window driven by window messages: what the lists show, the
// shortcuts, the painted colours of the day list, the About dialog, errors.
#include <windows.h>

#include <gtest/gtest.h>

#include <array>
#include <memory>
#include <stdexcept>
#include <string>
#include <vector>

#include "AboutDlg.h"
#include "GdiPrinterCanvas.h"
#include "MainWindow.h"
#include "ResourceIds.h"
#include "TestPrinter.h"
#include "WicPicture.h"
#include "WideText.h"
#include "WindowFixture.h"
#include "support/LocaleSettings.h"

namespace tallyvane::testing {
namespace {

using RowTexts = std::vector<std::array<std::string, 3>>;

RowTexts TextsOf(const std::vector<JournalRow>& Rows) {
  RowTexts texts;
  for (const JournalRow& row : Rows) {
    texts.push_back({row.Caption, row.SubItem1, row.SubItem2});
  }
  return texts;
}

// What the control shows, read through LVM_GETITEMCOUNT and LVM_GETITEMTEXTW.
RowTexts TextsOf(const TReportList& List) {
  RowTexts texts;
  for (int i = 0; i < List.ItemCount(); ++i) {
    const std::vector<std::string> sub = List.ItemSubItems(i);
    texts.push_back(
        {List.ItemCaption(i), sub.size() > 0 ? sub[0] : "", sub.size() > 1 ? sub[1] : ""});
  }
  return texts;
}

std::string TextOf(HWND Window) {
  wchar_t buffer[512] = {};
  ::GetWindowTextW(Window, buffer, static_cast<int>(std::size(buffer)));
  return Utf8(buffer);
}

void PumpMessages() {
  MSG message{};
  while (::PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
    ::TranslateMessage(&message);
    ::DispatchMessageW(&message);
  }
}

class MainWindowTest : public ::testing::Test {
 protected:
  void SetUp() override {
    SetErrorPresenter([this](HWND, const std::string& Text) { errors.push_back(Text); });
    expected = BuildJournal(machine.services, usEnglishSettings());
    window = std::make_unique<Twnd_Main>(machine.services, KnownFacts(), usEnglishSettings());
    window->QuitOnClose = false;
    window->Create(SW_SHOWNORMAL);
    PumpMessages();
  }
  void TearDown() override {
    window.reset();
    PumpMessages();
    SetErrorPresenter({});
  }

  KnownMachine machine;
  BuiltJournal expected;
  std::unique_ptr<Twnd_Main> window;
  std::vector<std::string> errors;
};

TEST_F(MainWindowTest, ListsAndStatusLineShowWhatTheBuilderMakes) {
  ASSERT_TRUE(errors.empty()) << errors.front();
  ASSERT_GT(expected.days.size(), 8u);
  ASSERT_GE(expected.months.size(), 1u);
  EXPECT_EQ(TextsOf(window->List), TextsOf(expected.days));
  EXPECT_EQ(TextsOf(window->MonthList), TextsOf(expected.months));
  EXPECT_EQ(TextOf(window->lUptime), expected.uptimeText);
  EXPECT_EQ(TextOf(window->lSpenttime), expected.spentTimeText);
  EXPECT_EQ(TextOf(window->lOS), "Windows 10 Pro x64");
  EXPECT_EQ(TextOf(window->lUser), "ada");
  EXPECT_EQ(TextOf(window->lInstalled).rfind("System installed on 1/1/2024", 0), 0u)
      << TextOf(window->lInstalled);
  // The window opens centred on its screen's work area.
  RECT frame{};
  ::GetWindowRect(window->Handle(), &frame);
  MONITORINFO monitor{};
  monitor.cbSize = sizeof(monitor);
  ::GetMonitorInfoW(::MonitorFromWindow(window->Handle(), MONITOR_DEFAULTTOPRIMARY), &monitor);
  EXPECT_NEAR(frame.left + frame.right, monitor.rcWork.left + monitor.rcWork.right, 1);
  EXPECT_NEAR(frame.top + frame.bottom, monitor.rcWork.top + monitor.rcWork.bottom, 1);
  // The columns, at 96 dots per inch.
  const std::vector<std::pair<std::string, int>> dayColumns = {
      {"Timestamp", 200}, {"Event", 350}, {"Spent time", 150}};
  const std::vector<std::pair<std::string, int>> monthColumns = {
      {"Month", 150}, {"Spent time", 100}, {"Spent working days", 120}};
  const UINT dpi = ::GetDpiForWindow(window->Handle());
  for (const auto& [list, columns] :
       {std::pair{&window->List, dayColumns}, std::pair{&window->MonthList, monthColumns}}) {
    ASSERT_EQ(list->ColumnCount(), 3);
    for (int c = 0; c < 3; ++c) {
      EXPECT_EQ(list->ColumnCaption(c), columns[c].first);
      EXPECT_EQ(list->ColumnWidth(c), ::MulDiv(columns[c].second, static_cast<int>(dpi), 96));
    }
  }
}

TEST_F(MainWindowTest, F5TwiceRebuildsTheSameRows) {
  const int opensBefore = machine.service.opens;
  for (int round = 0; round < 2; ++round) {
    MSG key{window->Handle(), WM_KEYDOWN, VK_F5, 0x003F0001, 0, {}};
    ASSERT_TRUE(window->TranslateShortcut(key));
    PumpMessages();
    EXPECT_EQ(TextsOf(window->List), TextsOf(expected.days)) << "round " << round;
    EXPECT_EQ(TextsOf(window->MonthList), TextsOf(expected.months)) << "round " << round;
  }
  // Each F5 read the log again rather than keeping the first build.
  EXPECT_GE(machine.service.opens, opensBefore + 2);
  EXPECT_FALSE(window->Busy());
  EXPECT_TRUE(errors.empty());
}

TEST_F(MainWindowTest, CtrlPOpensThePrintDialogAndCancelPrintsNothing) {
  int dialogs = 0;
  window->PrintDialog = [&](HWND, TPrintTarget&) {
    ++dialogs;
    return false;
  };
  MSG plainP{window->Handle(), WM_KEYDOWN, 'P', 0x00190001, 0, {}};
  EXPECT_FALSE(window->TranslateShortcut(plainP));
  BYTE keys[256] = {};
  ::GetKeyboardState(keys);
  keys[VK_CONTROL] = 0x80;
  ::SetKeyboardState(keys);
  MSG ctrlP = plainP;
  const bool translated = window->TranslateShortcut(ctrlP);
  keys[VK_CONTROL] = 0;
  ::SetKeyboardState(keys);
  EXPECT_TRUE(translated);
  PumpMessages();
  EXPECT_EQ(dialogs, 1);
  EXPECT_TRUE(errors.empty());
}

// The day list as painted: its client area rendered into a bitmap.
class RenderedList {
 public:
  explicit RenderedList(HWND List) : FList(List) {
    ::GetClientRect(List, &FClient);
    BITMAPINFO info{};
    info.bmiHeader.biSize = sizeof(info.bmiHeader);
    info.bmiHeader.biWidth = FClient.right;
    info.bmiHeader.biHeight = -FClient.bottom;
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    void* bits = nullptr;
    FDc.reset(::CreateCompatibleDC(nullptr));
    FBitmap.reset(::CreateDIBSection(FDc.get(), &info, DIB_RGB_COLORS, &bits, nullptr, 0));
    FPixels = static_cast<const std::uint32_t*>(bits);
    SelectedObject selected(FDc.get(), FBitmap.get());
    ::SendMessageW(List, WM_PRINTCLIENT, reinterpret_cast<WPARAM>(FDc.get()),
                   PRF_CLIENT | PRF_ERASEBKGND);
    ::GdiFlush();
  }
  // The pixel at (X, Y) as 0x00RRGGBB.
  std::uint32_t At(int X, int Y) const {
    return FPixels[static_cast<std::size_t>(Y) * static_cast<std::size_t>(FClient.right) +
                   static_cast<std::size_t>(X)] &
           0xFFFFFF;
  }
  // The number of reddish pixels in the cell (Item, SubItem).
  int RedPixels(int Item, int SubItem) const {
    RECT cell{};
    cell.top = SubItem;
    cell.left = LVIR_BOUNDS;
    ::SendMessageW(FList, LVM_GETSUBITEMRECT, static_cast<WPARAM>(Item),
                   reinterpret_cast<LPARAM>(&cell));
    if (SubItem == 0) {
      // The first sub-item's rectangle is the whole row; keep the first column.
      cell.right = cell.left + static_cast<int>(::SendMessageW(FList, LVM_GETCOLUMNWIDTH, 0, 0));
    }
    int count = 0;
    for (int y = std::max(0L, cell.top); y < std::min(cell.bottom, FClient.bottom); ++y) {
      for (int x = std::max(0L, cell.left); x < std::min(cell.right, FClient.right); ++x) {
        const std::uint32_t p = At(x, y);
        const int r = static_cast<int>(p >> 16), g = static_cast<int>((p >> 8) & 0xFF),
                  b = static_cast<int>(p & 0xFF);
        if (r > 150 && r - g > 100 && r - b > 100) {
          ++count;
        }
      }
    }
    return count;
  }

 private:
  HWND FList;
  RECT FClient{};
  UniqueDc FDc;
  UniqueBitmap FBitmap;
  const std::uint32_t* FPixels = nullptr;
};

int FirstRowWith(const std::vector<JournalRow>& Rows, int Marker) {
  for (std::size_t i = 0; i < Rows.size(); ++i) {
    if (Rows[i].RowMarker == Marker) {
      return static_cast<int>(i);
    }
  }
  return -1;
}

TEST_F(MainWindowTest, DayListPaintsShutdownsRedAndSeparatorsSilver) {
  HWND list = window->List.Handle();
  // No selection, so every row shows its own colours.
  ListView_SetItemState(list, -1, 0, LVIS_SELECTED | LVIS_FOCUSED);
  const int shutdown = FirstRowWith(expected.days, kRowUnexpectedShutdown);
  const int separator = FirstRowWith(expected.days, kRowSeparator);
  const int ordinary = FirstRowWith(expected.days, kRowOrdinary);
  ASSERT_GE(shutdown, 0);
  ASSERT_GE(separator, 0);
  ASSERT_GE(ordinary, 0);
  const RenderedList rendered(list);

  // The shutdown's event and spent time are red, its time stamp is not.
  EXPECT_EQ(rendered.RedPixels(shutdown, 0), 0);
  EXPECT_GT(rendered.RedPixels(shutdown, 1), 10);
  for (int column = 0; column < 3; ++column) {
    EXPECT_EQ(rendered.RedPixels(ordinary, column), 0) << "column " << column;
  }

  // The separator: a silver line 8 pixels below the row's top, ending 5
  // pixels short of the columns' right end.
  RECT row{};
  row.left = LVIR_BOUNDS;
  ::SendMessageW(list, LVM_GETITEMRECT, static_cast<WPARAM>(separator),
                 reinterpret_cast<LPARAM>(&row));
  int columnsWidth = 0;
  for (int c = 0; c < 3; ++c) {
    columnsWidth += window->List.ColumnWidth(c);
  }
  const std::uint32_t silver = 0xC0C0C0;
  const int y = row.top + 8;
  EXPECT_EQ(rendered.At(row.left + 1, y), silver);
  EXPECT_EQ(rendered.At(row.left + 300, y), silver);
  EXPECT_EQ(rendered.At(row.left + columnsWidth - 7, y), silver);
  EXPECT_NE(rendered.At(row.left + columnsWidth - 3, y), silver);
  EXPECT_NE(rendered.At(row.left + 300, y - 3), silver);
}

// Closes the About dialog from inside its modal loop, as a user would.
struct AboutCloser {
  enum class Way { Escape, Enter, OkButton } way = Way::Escape;
  std::string caption;
  bool ownerDisabled = false;
  HWND owner = nullptr;
  int ticks = 0;
};
AboutCloser* gCloser = nullptr;

void CALLBACK CloseAbout(HWND, UINT, UINT_PTR Timer, DWORD) {
  HWND dialog = ::FindWindowW(kAboutDialogClass, nullptr);
  if (!dialog && ++gCloser->ticks < 50) {
    return;
  }
  ::KillTimer(nullptr, Timer);
  if (!dialog) {
    return;
  }
  gCloser->caption = TextOf(dialog);
  gCloser->ownerDisabled = !::IsWindowEnabled(gCloser->owner);
  switch (gCloser->way) {
    case AboutCloser::Way::Escape:
      ::PostMessageW(dialog, WM_KEYDOWN, VK_ESCAPE, 0);
      break;
    case AboutCloser::Way::Enter:
      ::PostMessageW(dialog, WM_KEYDOWN, VK_RETURN, 0);
      break;
    case AboutCloser::Way::OkButton:
      ::SendMessageW(::FindWindowExW(dialog, nullptr, L"BUTTON", L"OK"), BM_CLICK, 0, 0);
      break;
  }
}

TEST_F(MainWindowTest, AboutOpensModallyAndClosesByEscapeEnterAndOk) {
  for (const auto way :
       {AboutCloser::Way::Escape, AboutCloser::Way::Enter, AboutCloser::Way::OkButton}) {
    AboutCloser closer;
    closer.way = way;
    closer.owner = window->Handle();
    gCloser = &closer;
    ::SetTimer(nullptr, 0, 50, CloseAbout);
    ::SendMessageW(window->Handle(), WM_COMMAND, IDM_ABOUT, 0);
    gCloser = nullptr;
    SCOPED_TRACE(static_cast<int>(way));
    EXPECT_EQ(closer.caption, "About....");
    EXPECT_TRUE(closer.ownerDisabled);
    EXPECT_EQ(::FindWindowW(kAboutDialogClass, nullptr), nullptr);
    EXPECT_TRUE(::IsWindowEnabled(window->Handle()));
  }
  EXPECT_TRUE(errors.empty());
}

TEST(AboutPicture, TheProgramsJpegDecodesThroughWic) {
  const TDecodedPicture picture = DecodePicture(ProgramResource(IDR_ABOUT_PICTURE));
  EXPECT_EQ(picture.Width, 520);
  EXPECT_EQ(picture.Height, 317);
  EXPECT_NE(picture.Bitmap, nullptr);
  const std::byte junk[] = {std::byte{0xFF}, std::byte{0xD8}, std::byte{0x00}};
  EXPECT_THROW(DecodePicture(junk), std::runtime_error);
}

TEST_F(MainWindowTest, AnErrorOfARefreshIsShownAndTheWindowStays) {
  // The clock fails in the middle of a build.
  struct FailingClock : FixedClock {
    std::uint64_t tickCount64() override { throw std::runtime_error("The clock cannot be read."); }
  } failing;
  failing.now = machine.clock.now;
  machine.services.clock = &failing;
  ::SendMessageW(window->Handle(), WM_COMMAND, IDM_REFRESH, 0);
  ASSERT_EQ(errors, std::vector<std::string>{"The clock cannot be read."});
  EXPECT_TRUE(::IsWindow(window->Handle()));
  EXPECT_TRUE(::IsWindowEnabled(window->Handle()));
  EXPECT_FALSE(window->Busy());
  EXPECT_EQ(TextOf(window->lUptime), "Collecting data...please wait");
  // The next refresh that can read the log works again.
  machine.services.clock = &machine.clock;
  ::SendMessageW(window->Handle(), WM_COMMAND, IDM_REFRESH, 0);
  EXPECT_EQ(errors.size(), 1u);
  EXPECT_EQ(TextsOf(window->List), TextsOf(expected.days));
}

TEST(PrintCommand, PrintingToAFileKeepsBothListsWithThePagesTheLayoutComputes) {
  EnsureTestPrinter();
  std::vector<std::string> errors;
  SetErrorPresenter([&](HWND, const std::string& Text) { errors.push_back(Text); });
  KnownMachine machine(40);
  Twnd_Main window(machine.services, KnownFacts(), usEnglishSettings());
  window.QuitOnClose = false;
  window.Create(SW_SHOWNORMAL);
  PumpMessages();

  wchar_t folder[MAX_PATH] = {};
  ::GetTempPathW(MAX_PATH, folder);
  const std::wstring output = std::wstring(folder) + L"tallyvane-print-test.ps";
  ::DeleteFileW(output.c_str());
  int dialogs = 0;
  bool cancel = true;
  window.PrintDialog = [&](HWND, TPrintTarget& Target) {
    ++dialogs;
    if (cancel) {
      return false;
    }
    Target.Printer = CreateTestPrinterDc();
    Target.ToFile = true;
    Target.OutputFile = output;
    return true;
  };
  // Cancelled: nothing is printed.
  ::SendMessageW(window.Handle(), WM_COMMAND, IDM_PRINT, 0);
  EXPECT_EQ(dialogs, 1);
  EXPECT_EQ(::GetFileAttributesW(output.c_str()), INVALID_FILE_ATTRIBUTES);

  cancel = false;
  ::SendMessageW(window.Handle(), WM_COMMAND, IDM_PRINT, 0);
  ASSERT_TRUE(errors.empty()) << errors.front();
  // The layout's page counts on this printer, list by list.
  HDC printer = CreateTestPrinterDc();
  int pages = 0;
  {
    TGdiPrinterCanvas canvas(printer, nullptr);
    pages = ComputePrintMetrics(window.List, canvas).P +
            ComputePrintMetrics(window.MonthList, canvas).P;
  }
  ::DeleteDC(printer);
  EXPECT_GE(pages, 3) << "the day list should need more than one page";
  EXPECT_EQ(PostScriptPageCount(output), pages);
  ::DeleteFileW(output.c_str());
  SetErrorPresenter({});
}

TEST_F(MainWindowTest, ARefreshShowsTheProgressTextAndTheBusyCursorWhileItReads) {
  std::string textDuringRead;
  bool busyDuringRead = false;
  bool waitCursorDuringRead = false;
  machine.service.readHook = [&](std::uint32_t, std::uint32_t, std::size_t) -> std::uint32_t {
    if (textDuringRead.empty()) {
      textDuringRead = TextOf(window->lUptime);
      busyDuringRead = window->Busy();
      waitCursorDuringRead = ::GetCursor() == ::LoadCursorW(nullptr, IDC_WAIT);
    }
    return 0;
  };
  ::SendMessageW(window->Handle(), WM_COMMAND, IDM_REFRESH, 0);
  EXPECT_EQ(textDuringRead, "Collecting data...please wait");
  EXPECT_TRUE(busyDuringRead);
  EXPECT_TRUE(waitCursorDuringRead);
  EXPECT_FALSE(window->Busy());
  EXPECT_EQ(TextOf(window->lUptime), expected.uptimeText);
}

TEST_F(MainWindowTest, DraggingTheSplitterResizesTheMonthList) {
  auto height = [](HWND Window) {
    RECT r{};
    ::GetWindowRect(Window, &r);
    return static_cast<int>(r.bottom - r.top);
  };
  const int month = height(window->MonthList.Handle());
  const int days = height(window->List.Handle());
  ::SendMessageW(window->Splitter1, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(5, 1));
  ::SendMessageW(window->Splitter1, WM_MOUSEMOVE, MK_LBUTTON, MAKELPARAM(5, -39));
  ::SendMessageW(window->Splitter1, WM_LBUTTONUP, 0, MAKELPARAM(5, -39));
  const int moved = ::MulDiv(40, static_cast<int>(::GetDpiForWindow(window->Handle())), 96);
  EXPECT_NEAR(height(window->MonthList.Handle()), month + moved, 1);
  EXPECT_NEAR(height(window->List.Handle()), days - moved, 1);
}

TEST_F(MainWindowTest, MovingToAScreenOfAnotherDpiScalesColumnsAndLayout) {
  const int dpi = static_cast<int>(::GetDpiForWindow(window->Handle()));
  const int newDpi = dpi * 3 / 2;
  RECT frame{};
  ::GetWindowRect(window->Handle(), &frame);
  RECT suggested{frame.left, frame.top, frame.left + (frame.right - frame.left) * 3 / 2,
                 frame.top + (frame.bottom - frame.top) * 3 / 2};
  ::SendMessageW(window->Handle(), WM_DPICHANGED, MAKEWPARAM(newDpi, newDpi),
                 reinterpret_cast<LPARAM>(&suggested));
  EXPECT_NEAR(window->List.ColumnWidth(0), ::MulDiv(200, newDpi, 96), 1);
  EXPECT_NEAR(window->MonthList.ColumnWidth(2), ::MulDiv(120, newDpi, 96), 1);
  RECT month{};
  ::GetWindowRect(window->MonthList.Handle(), &month);
  // 137 pixels less the margins above and below, at the new DPI.
  EXPECT_NEAR(month.bottom - month.top, ::MulDiv(137 - 6, newDpi, 96), 2);
  // The rows are still all there and painted from the same rows.
  EXPECT_EQ(TextsOf(window->List), TextsOf(expected.days));
}

TEST(PrintCommand, OnAPrinterTheDayListAndTheMonthListAreTwoJobsDayListFirst) {
  // Wine hands each job of this printer to the command, which appends it to
  // one file: the jobs can be told apart and counted there.
  const std::string jobs = TALLYVANE_PRINT_JOBS_FILE;
  EnsureTestPrinter(L"Tallyvane Pipe Printer", Wide("|cat >> '" + jobs + "'"));
  std::wstring jobsPath = L"Z:" + Wide(jobs);
  for (wchar_t& c : jobsPath) {
    c = c == L'/' ? L'\\' : c;
  }
  ::DeleteFileW(jobsPath.c_str());
  std::vector<std::string> errors;
  SetErrorPresenter([&](HWND, const std::string& Text) { errors.push_back(Text); });
  KnownMachine machine(40);
  Twnd_Main window(machine.services, KnownFacts(), usEnglishSettings());
  window.QuitOnClose = false;
  window.Create(SW_SHOWNORMAL);
  PumpMessages();
  window.PrintDialog = [&](HWND, TPrintTarget& Target) {
    Target.Printer = CreateTestPrinterDc(L"Tallyvane Pipe Printer");
    return true;
  };
  ::SendMessageW(window.Handle(), WM_COMMAND, IDM_PRINT, 0);
  ASSERT_TRUE(errors.empty()) << errors.front();
  HDC printer = CreateTestPrinterDc(L"Tallyvane Pipe Printer");
  int dayPages = 0, monthPages = 0;
  {
    TGdiPrinterCanvas canvas(printer, nullptr);
    dayPages = ComputePrintMetrics(window.List, canvas).P;
    monthPages = ComputePrintMetrics(window.MonthList, canvas).P;
  }
  ::DeleteDC(printer);
  // The pipe may still be writing when the jobs have been handed over.
  std::string text;
  for (int i = 0; i < 50; ++i, ::Sleep(100)) {
    text = ReadPrintedFile(jobsPath);
    const auto monthJob = text.find("%%Title: Tallyvane Month Journal");
    const auto end = text.rfind("%%EOF");
    if (monthJob != std::string::npos && end != std::string::npos && end > monthJob) {
      break;
    }
  }
  const auto day = text.find("%%Title: Tallyvane Day Journal - WORKSTATION-07");
  const auto month = text.find("%%Title: Tallyvane Month Journal - WORKSTATION-07");
  ASSERT_NE(day, std::string::npos);
  ASSERT_NE(month, std::string::npos);
  EXPECT_LT(day, month);
  EXPECT_EQ(PostScriptPageCount(jobsPath), dayPages + monthPages);
  ::DeleteFileW(jobsPath.c_str());
  SetErrorPresenter({});
}

TEST_F(MainWindowTest, DraggedNearAScreenEdgeTheWindowSnapsOntoIt) {
  MONITORINFO monitor{};
  monitor.cbSize = sizeof(monitor);
  ::GetMonitorInfoW(::MonitorFromWindow(window->Handle(), MONITOR_DEFAULTTOPRIMARY), &monitor);
  const RECT area = monitor.rcWork;
  struct Case {
    int left, top;  // where the drag would put the frame
    int snappedLeft, snappedTop;
  };
  const int w = 400, h = 300;
  const Case cases[] = {
      {area.left + 6, area.top + 100, area.left, area.top + 100},  // near the left edge
      {area.left + 100, area.top + 9, area.left + 100, area.top},  // near the top
      {area.right - w - 4, area.bottom - h + 7, area.right - w, area.bottom - h},
      {area.left + 40, area.top + 40, area.left + 40, area.top + 40},  // far from every edge
  };
  for (const Case& c : cases) {
    RECT frame{c.left, c.top, c.left + w, c.top + h};
    ::SendMessageW(window->Handle(), WM_MOVING, WMSZ_LEFT, reinterpret_cast<LPARAM>(&frame));
    EXPECT_EQ(frame.left, c.snappedLeft) << c.left << "," << c.top;
    EXPECT_EQ(frame.top, c.snappedTop) << c.left << "," << c.top;
    EXPECT_EQ(frame.right - frame.left, w);
    EXPECT_EQ(frame.bottom - frame.top, h);
  }
}

TEST_F(MainWindowTest, ExitClosesTheWindow) {
  ::SendMessageW(window->Handle(), WM_COMMAND, IDM_EXIT, 0);
  PumpMessages();
  EXPECT_TRUE(window->Closed());
  EXPECT_EQ(window->Handle(), nullptr);
}

}  // namespace
}  // namespace tallyvane::testing
