#include "config/settings.h"
#include "config/version.h"
#include "log/run_log.h"
#include "platform/platform.h"
#include "ui/common/front_end.h"
#include "ui/common/split_preview.h"
#include "ui/common/start_banner.h"

#include "ui/win32/main_window.h"

#include <windows.h>
#include <commctrl.h>
#include <shellapi.h>

#include <cstdio>
#include <memory>
#include <string>
#include <vector>

#include "../res/resource.h"
#include "ui/win32/display_scale.h"
#include "ui/win32/list_box_log_pane.h"
#include "ui/win32/picture_window.h"
#include "ui/win32/program_info.h"
#include "ui/win32/wide_text.h"
#include "ui/win32/window_commands.h"
#include "ui/win32/window_texts.h"

namespace ui {
namespace {

// Lengths of the layout at 96 DPI; the window scales them to its monitor's DPI.
constexpr int kLogPaneTop = 280;
// The dropped list of a choice, below its field.
constexpr int kChoiceListHeight = 120;
constexpr int kLogFontHeight = 16;
constexpr int kNoticeFontHeight = 12;
constexpr int kNoticeRightMargin = 15;
constexpr int kDroppedPathSize = 520;

// A coordinate of the upper band: wc * Wc + h * h + c, where Wc is the client width and h half
// the status bar's width, both in pixels; c is given for 96 DPI and scaled to `dpi`.
struct Linear {
  int wc;
  int h;
  int c;
  int At(int clientWidth, int half, int dpi) const { return wc * clientWidth + h * half + ScaleToDpi(c, dpi); }
  bool Fixed() const { return wc == 0 && h == 0; }
};

enum ControlKind {
  kButton = 0,  // a flat push button (a caption, or an action)
  kEdit = 1,    // a single-line edit that scrolls horizontally
  kChoice = 2,  // a drop-down list of fixed choices
};

struct ControlSpec {
  int id;
  int kind;  // ControlKind
  const char* text;
  Linear x;
  int y;
  Linear width;
  int height;
};

// The controls in the order they are created: the fifteen of the job's six fields, then the seam
// policy and the size limit in the two rows below the split distance (the buttons below them).
constexpr ControlSpec kControls[] = {
    {IDC_NC_FILE_CAPTION, kButton, kNcFileCaption, {0, 0, 15}, 15, {0, 0, 170}, 26},
    {IDC_CAPTION, kButton, kSplitTimeCaption, {0, 0, 15}, 55, {0, 0, 170}, 26},
    {IDC_CAPTION, kButton, kSplitDistanceCaption, {0, 0, 15}, 95, {0, 0, 170}, 26},
    {IDC_NC_FILE, kEdit, "", {0, 0, 200}, 17, {1, 0, -215}, 22},
    {IDC_SPLIT_TIME, kEdit, "", {0, 0, 200}, 57, {0, 1, -200}, 22},
    {IDC_SPLIT_DISTANCE, kEdit, "", {0, 0, 200}, 97, {0, 1, -200}, 22},
    {IDC_CAPTION, kButton, kStartXCaption, {0, 1, 15}, 55, {0, 0, 150}, 26},
    {IDC_CAPTION, kButton, kStartYCaption, {0, 1, 15}, 95, {0, 0, 150}, 26},
    {IDC_CAPTION, kButton, kStartZCaption, {0, 1, 15}, 135, {0, 0, 150}, 26},
    {IDC_START_X, kEdit, "", {0, 1, 180}, 57, {1, -1, -195}, 22},
    {IDC_START_Y, kEdit, "", {0, 1, 180}, 97, {1, -1, -195}, 22},
    {IDC_START_Z, kEdit, "", {0, 1, 180}, 137, {1, -1, -195}, 22},
    {IDM_EXECUTE, kButton, kExecuteCaption, {0, 0, 15}, 220, {0, 0, 100}, 30},
    {IDC_CLEAR, kButton, kClearCaption, {0, 1, -50}, 220, {0, 0, 100}, 30},
    {IDM_EXIT_BUTTON, kButton, kExitCaption, {1, 0, -115}, 220, {0, 0, 100}, 30},
    {IDC_CAPTION, kButton, kSeamPolicyCaption, {0, 0, 15}, 135, {0, 0, 170}, 26},
    {IDC_SEAM_POLICY, kChoice, "", {0, 0, 200}, 137, {0, 1, -200}, kChoiceListHeight},
    {IDC_CAPTION, kButton, kSizeLimitCaption, {0, 0, 15}, 175, {0, 0, 170}, 26},
    {IDC_MAX_SIZE, kEdit, "", {0, 0, 200}, 177, {0, 1, -200}, 22},
};
constexpr int kControlCount = sizeof kControls / sizeof kControls[0];

// Where a control goes, in client pixels.
struct Box {
  int x;
  int y;
  int width;
  int height;
};

// The one main window of the process and what lives as long as it does.
struct MainWindowState {
  HWND window = nullptr;
  HWND statusBar = nullptr;
  HWND logPane = nullptr;
  HWND controls[kControlCount] = {};
  HFONT logFont = nullptr;
  // The DPI the layout is drawn for: the window's at creation, then the one of each DPI change.
  int dpi = kLayoutDpi;
  // The fonts the controls and the status bar came with, and the scaled copies they show while
  // the window is on a monitor whose DPI is not the system DPI (nullptr on the system DPI).
  HFONT controlBaseFont = nullptr;
  HFONT statusBaseFont = nullptr;
  HFONT controlFont = nullptr;
  HFONT statusFont = nullptr;
  std::unique_ptr<ListBoxLogPane> pane;
  platform::LogPane* previousPane = nullptr;
  // Runs in progress (the dispatch at creation, Execute, a handed-over run). While one runs, a
  // handed-over run waits; a second one is refused.
  int busy = 0;
  std::vector<std::string> handedRun;
};
MainWindowState gMain;

struct CreateArguments {
  int count;
  const char* const* arguments;
  int dpi;  // the DPI the outer size at creation was scaled to
};

class RunScope {
 public:
  RunScope() { ++gMain.busy; }
  ~RunScope() {
    // An open picture window shows the split that may just have been made.
    RefreshSplitPicture();
    if (--gMain.busy == 0 && !gMain.handedRun.empty() && gMain.window != nullptr)
      PostMessageW(gMain.window, kMsgHandedRun, 0, 0);
  }
  RunScope(const RunScope&) = delete;
  RunScope& operator=(const RunScope&) = delete;
};

HINSTANCE InstanceOf(HWND window) { return reinterpret_cast<HINSTANCE>(GetWindowLongPtrW(window, GWLP_HINSTANCE)); }

// A length of the layout (96 DPI) in pixels at the window's DPI.
int Scaled(int length) { return ScaleToDpi(length, gMain.dpi); }

// S (the status bar's height) and h (half its width).
void MeasureStatusBar(int* height, int* half) {
  RECT bar{};
  GetWindowRect(gMain.statusBar, &bar);
  *height = bar.bottom - bar.top;
  *half = (bar.right - bar.left) / 2;
}

void SetStatusParts(HWND window) {
  RECT outer{};
  GetWindowRect(window, &outer);
  int edges[3];
  StatusPartEdges(outer.right - outer.left, edges);
  SendMessageW(gMain.statusBar, SB_SETPARTS, 3, reinterpret_cast<LPARAM>(edges));
}

void PlaceLogPane(HWND window) {
  int statusHeight, half;
  MeasureStatusBar(&statusHeight, &half);
  RECT client{};
  GetClientRect(window, &client);
  int top = Scaled(kLogPaneTop);
  MoveWindow(gMain.logPane, 0, top, client.right, client.bottom - top - statusHeight, TRUE);
}

Box ControlBox(const ControlSpec& control, int clientWidth, int half) {
  return {control.x.At(clientWidth, half, gMain.dpi), Scaled(control.y), control.width.At(clientWidth, half, gMain.dpi),
          Scaled(control.height)};
}

// Status bar, log pane and controls after a change of the window's size or DPI. Controls of a
// fixed place and size move only when `everyControl` is true (the DPI changed). `sizeKind` is
// the WM_SIZE kind handed on to the status bar.
void LayOut(HWND window, WPARAM sizeKind, bool everyControl) {
  SetStatusParts(window);
  SendMessageW(gMain.statusBar, WM_SIZE, sizeKind, 0);
  if (gMain.logPane == nullptr) return;
  PlaceLogPane(window);
  int statusHeight, half;
  MeasureStatusBar(&statusHeight, &half);
  RECT client{};
  GetClientRect(window, &client);
  for (int i = 0; i < kControlCount; ++i) {
    const ControlSpec& control = kControls[i];
    if (!everyControl && control.x.Fixed() && control.width.Fixed()) continue;
    Box box = ControlBox(control, client.right, half);
    MoveWindow(gMain.controls[i], box.x, box.y, box.width, box.height, TRUE);
  }
}

HFONT CreateNoticeFont(int height) {
  return CreateFontW(height, 0, 0, 0, FW_DONTCARE, FALSE, FALSE, FALSE, SHIFTJIS_CHARSET, OUT_DEFAULT_PRECIS,
                     CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY, VARIABLE_PITCH | FF_ROMAN, Wide(kLogPaneFontFace).c_str());
}

// On the system DPI the controls and the status bar show the fonts they came with, which Windows
// makes for that DPI; on a monitor of another DPI they show those fonts scaled to it.
void SetControlFonts() {
  if (gMain.dpi == SystemDpi() && gMain.controlFont == nullptr && gMain.statusFont == nullptr) return;
  HFONT controlFont = nullptr;
  HFONT statusFont = nullptr;
  if (gMain.dpi != SystemDpi()) {
    controlFont = FontForDpi(gMain.controlBaseFont, gMain.dpi);
    statusFont = FontForDpi(gMain.statusBaseFont, gMain.dpi);
  }
  HFONT shownControlFont = controlFont != nullptr ? controlFont : gMain.controlBaseFont;
  for (HWND control : gMain.controls)
    SendMessageW(control, WM_SETFONT, reinterpret_cast<WPARAM>(shownControlFont), TRUE);
  SendMessageW(gMain.statusBar, WM_SETFONT,
               reinterpret_cast<WPARAM>(statusFont != nullptr ? statusFont : gMain.statusBaseFont), TRUE);
  if (gMain.controlFont != nullptr) DeleteObject(gMain.controlFont);
  if (gMain.statusFont != nullptr) DeleteObject(gMain.statusFont);
  gMain.controlFont = controlFont;
  gMain.statusFont = statusFont;
}

// The log pane's font at the window's DPI, after a change from `previousDpi`.
void ReplaceLogFont(int previousDpi) {
  HFONT font = CreateNoticeFont(Scaled(kLogFontHeight));
  if (font == nullptr) return;
  SendMessageW(gMain.logPane, WM_SETFONT, reinterpret_cast<WPARAM>(font), TRUE);
  if (gMain.pane != nullptr) gMain.pane->SetFont(font);
  if (gMain.logFont != nullptr) DeleteObject(gMain.logFont);
  gMain.logFont = font;
  // The widest line so far, measured in the old font: its width in the new one.
  LRESULT extent = SendMessageW(gMain.logPane, LB_GETHORIZONTALEXTENT, 0, 0);
  SendMessageW(gMain.logPane, LB_SETHORIZONTALEXTENT,
               static_cast<WPARAM>(MulDiv(static_cast<int>(extent), gMain.dpi, previousDpi)), 0);
}

void SetFullTitle(HWND window) {
  char title[256];
  std::snprintf(title, sizeof title, kTitleFormat, version::kMakerName, version::kProductName, version::kYear,
                version::kMajor, version::kMinor, version::kMakerName);
  SetWindowTextCp932(window, title);
}

// Puts the list-box pane in place of whatever pane the run log wrote to before.
void InstallLogPane() {
  gMain.pane = std::make_unique<ListBoxLogPane>(gMain.logPane, gMain.logFont);
  gMain.previousPane = platform::Current().logPane;
  platform::Current().logPane = gMain.pane.get();
}

void UninstallLogPane() {
  if (gMain.pane == nullptr) return;
  if (platform::Current().logPane == gMain.pane.get()) platform::Current().logPane = gMain.previousPane;
  gMain.pane.reset();
  gMain.previousPane = nullptr;
}

void RunArguments(HWND window, const std::vector<std::string>& arguments) {
  std::vector<const char*> vector;
  for (const std::string& argument : arguments) vector.push_back(argument.c_str());
  vector.push_back(nullptr);
  RunScope scope;
  DispatchFrontEnd(window, static_cast<int>(arguments.size()), vector.data());
}

// --- One handler per message ------------------------------------------------------------------

LRESULT OnCreate(HWND window, const CREATESTRUCTW* create) {
  gMain.window = window;
  // The picture window shows the last split at any time: every split keeps its picture.
  KeepSplitPictures(true);
  HINSTANCE instance = create->hInstance;
  const CreateArguments* start = static_cast<const CreateArguments*>(create->lpCreateParams);
  // The outer size was scaled to the system DPI; a window that opened on a monitor of another DPI
  // takes that monitor's.
  gMain.dpi = WindowDpi(window);
  if (start != nullptr && start->dpi != gMain.dpi) {
    SetWindowPos(window, nullptr, 0, 0, Scaled(kWindowWidth), Scaled(kWindowHeight),
                 SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
  }
  SetTimer(window, IDT_CLOCK, 1000, nullptr);
  SetFullTitle(window);

  gMain.statusBar = CreateWindowExW(0, STATUSCLASSNAMEW, nullptr, WS_CHILD | WS_VISIBLE, 0, 0, 0, 0, window,
                                    reinterpret_cast<HMENU>(static_cast<INT_PTR>(IDC_STATUS_BAR)), instance, nullptr);
  gMain.statusBaseFont = reinterpret_cast<HFONT>(SendMessageW(gMain.statusBar, WM_GETFONT, 0, 0));
  SetStatusParts(window);
  int statusHeight, half;
  MeasureStatusBar(&statusHeight, &half);

  RECT client{};
  GetClientRect(window, &client);
  int paneTop = Scaled(kLogPaneTop);
  gMain.logPane = CreateWindowExW(0, L"LISTBOX", nullptr, WS_CHILD | WS_VISIBLE | WS_VSCROLL | WS_HSCROLL, 0,
                                  paneTop, client.right, client.bottom - paneTop - statusHeight, window,
                                  reinterpret_cast<HMENU>(static_cast<INT_PTR>(IDC_LOG_PANE)), instance, nullptr);
  if (gMain.logPane == nullptr) {
    platform::ShowMessage(nullptr, kWindowCreationFailed, version::kProductName, platform::BoxIcon::kError);
    return 0;
  }
  gMain.logFont = CreateNoticeFont(Scaled(kLogFontHeight));
  SendMessageW(gMain.logPane, WM_SETFONT, reinterpret_cast<WPARAM>(gMain.logFont), TRUE);
  PlaceLogPane(window);
  InstallLogPane();

  for (int i = 0; i < kControlCount; ++i) {
    const ControlSpec& control = kControls[i];
    DWORD style = WS_CHILD | WS_VISIBLE;
    const wchar_t* kind = L"BUTTON";
    if (control.kind == kEdit) {
      style |= ES_AUTOHSCROLL;
      kind = L"EDIT";
    } else if (control.kind == kChoice) {
      style |= CBS_DROPDOWNLIST | WS_VSCROLL;
      kind = L"COMBOBOX";
    } else {
      style |= BS_PUSHBUTTON | BS_FLAT;
    }
    Box box = ControlBox(control, client.right, half);
    gMain.controls[i] = CreateWindowExW(0, kind, Wide(control.text).c_str(), style, box.x, box.y, box.width,
                                        box.height, window,
                                        reinterpret_cast<HMENU>(static_cast<INT_PTR>(control.id)), instance, nullptr);
  }
  gMain.controlBaseFont = reinterpret_cast<HFONT>(SendMessageW(gMain.controls[0], WM_GETFONT, 0, 0));
  SetControlFonts();
  FillSeamChoices(window);
  // The seam policy and the size limit as the settings give them.
  ClearSeamFields(window);

  // Visible before the banner and any run, so the log fills while the user watches.
  ShowWindow(window, SW_SHOW);
  UpdateWindow(window);
  WriteStartBanner(window);
  if (start != nullptr && start->count > 1) {
    RunScope scope;
    DispatchFrontEnd(window, start->count, start->arguments);
  }
  DragAcceptFiles(window, TRUE);
  return 0;
}

LRESULT OnSize(HWND window, WPARAM kind) {
  // A minimized window keeps its restored size and layout: the minimum-size rule would otherwise
  // blow the icon up to a full window.
  if (kind == SIZE_MINIMIZED || gMain.statusBar == nullptr) return 0;
  RECT outer{};
  GetWindowRect(window, &outer);
  int width = outer.right - outer.left;
  int height = outer.bottom - outer.top;
  int minimumWidth = Scaled(kMinimumWidth);
  int minimumHeight = Scaled(kMinimumHeight);
  if (width < minimumWidth || height < minimumHeight) {
    SetWindowPos(window, nullptr, 0, 0, width < minimumWidth ? minimumWidth : width,
                 height < minimumHeight ? minimumHeight : height, SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
  }
  LayOut(window, kind, false);
  return 0;
}

// The window moved to a monitor of another DPI (or that monitor's scale changed): fonts and
// layout for the new DPI, in the rectangle Windows suggests, which keeps the window's place.
LRESULT OnDpiChanged(HWND window, WPARAM wParam, const RECT* suggested) {
  int dpi = HIWORD(wParam);
  if (dpi == 0 || suggested == nullptr) return 0;
  int previousDpi = gMain.dpi;
  gMain.dpi = dpi;
  if (gMain.statusBar == nullptr) return 0;
  if (gMain.logPane != nullptr) ReplaceLogFont(previousDpi);
  SetControlFonts();
  SetWindowPos(window, nullptr, suggested->left, suggested->top, suggested->right - suggested->left,
               suggested->bottom - suggested->top, SWP_NOZORDER | SWP_NOACTIVATE);
  LayOut(window, SIZE_RESTORED, true);
  InvalidateRect(window, nullptr, TRUE);
  return 0;
}

LRESULT OnPaint(HWND window) {
  PAINTSTRUCT paint;
  HDC dc = BeginPaint(window, &paint);
  RECT client{};
  GetClientRect(window, &client);
  RECT area{0, 0, client.right - Scaled(kNoticeRightMargin), Scaled(kLogPaneTop)};
  HFONT font = CreateNoticeFont(Scaled(kNoticeFontHeight));
  HGDIOBJ previous = SelectObject(dc, font);
  SetBkMode(dc, TRANSPARENT);
  SetTextColor(dc, ColourValue(gTextColour));
  std::wstring notice = Wide(gNoticeLine);
  DrawTextW(dc, notice.c_str(), -1, &area, DT_RIGHT | DT_BOTTOM | DT_SINGLELINE | DT_END_ELLIPSIS);
  SelectObject(dc, previous);
  DeleteObject(font);
  EndPaint(window, &paint);
  return 0;
}

LRESULT OnClose(HWND window) {
  ClearFields(window);
  KillTimer(window, IDT_CLOCK);
  UninstallLogPane();
  for (HWND& control : gMain.controls) {
    if (control != nullptr) DestroyWindow(control);
    control = nullptr;
  }
  if (gMain.statusBar != nullptr) DestroyWindow(gMain.statusBar);
  if (gMain.logPane != nullptr) DestroyWindow(gMain.logPane);
  gMain.statusBar = gMain.logPane = nullptr;
  if (gMain.logFont != nullptr) DeleteObject(gMain.logFont);
  if (gMain.controlFont != nullptr) DeleteObject(gMain.controlFont);
  if (gMain.statusFont != nullptr) DeleteObject(gMain.statusFont);
  gMain.logFont = gMain.controlFont = gMain.statusFont = nullptr;
  DestroyWindow(window);
  return 0;
}

LRESULT OnDestroy() {
  UninstallLogPane();
  gMain = MainWindowState();
  PostQuitMessage(0);
  return 0;
}

LRESULT OnCommand(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  switch (LOWORD(wParam)) {
    case IDM_EXECUTE: {
      RunScope scope;
      if (Execute(window) == 0) ClearFields(window);
      return 0;
    }
    case IDM_EXIT_BUTTON:
    case IDM_EXIT:
      SendMessageW(window, WM_CLOSE, 0, 0);
      return 0;
    case IDC_CLEAR:
      ClearFields(window);
      return 0;
    case IDC_NC_FILE_CAPTION:
      ChooseNcFile(window);
      return 0;
    case IDM_OPEN_FILE:
      OpenAnyFile(window);
      return 0;
    case IDM_SAVE_LOG:
      SaveLogCommand(window);
      return 0;
    case IDM_HELP:
      ShowHelp(window, version::kProductName);
      return 0;
    case IDM_VERSION:
      ShowVersion(window, kVersionDescription, version::kProductName);
      return 0;
    case IDM_PROGRAM_INFO:
      ShowProgramInfo(window);
      return 0;
    case IDM_SPLIT_PICTURE:
      ShowSplitPicture(window);
      return 0;
    case IDM_SPLIT_PICTURE_SAVE:
      SavePictureOfLastSplit(window);
      return 0;
    case IDM_SPLIT_CHECK: {
      RunScope scope;
      CheckPiecesCommand(window);
      return 0;
    }
    case IDM_HEADER_FOOTER_CREATE:
    case IDM_HEADER_FOOTER_VIEW: {
      RunScope scope;
      if (HeaderFooterCommand(window, LOWORD(wParam) == IDM_HEADER_FOOTER_CREATE ? 1 : 0) < 0)
        EmitLogLine(window, kLogError);
      return 0;
    }
    default:
      return DefWindowProcW(window, message, wParam, lParam);
  }
}

LRESULT OnTimer(HWND window) {
  (void)window;
  platform::LocalTime now{};
  platform::GetLocalTimeNow(&now);
  char text[128];
  FormatClock(now, text, sizeof text);
  SendMessageW(gMain.statusBar, SB_SETTEXTW, 0, reinterpret_cast<LPARAM>(Wide(text).c_str()));
  TimeOfDayMessage(text, sizeof text);
  SendMessageW(gMain.statusBar, SB_SETTEXTW, 1, reinterpret_cast<LPARAM>(Wide(text).c_str()));
  const char* model = gCommandSettings.timeModel == 1 ? kTimeModelMachineStatus : kTimeModelProgrammedStatus;
  SendMessageW(gMain.statusBar, SB_SETTEXTW, 2, reinterpret_cast<LPARAM>(Wide(model).c_str()));
  return 0;
}

LRESULT OnRightButtonDown(HWND window, LPARAM lParam) {
  HMENU menu = LoadMenuW(InstanceOf(window), L"CMDPOPUPMENU");
  if (menu == nullptr) return 0;
  POINT point{static_cast<short>(LOWORD(lParam)), static_cast<short>(HIWORD(lParam))};
  ClientToScreen(window, &point);
  TrackPopupMenu(GetSubMenu(menu, 0), TPM_LEFTALIGN, point.x, point.y, 0, window, nullptr);
  DestroyMenu(menu);
  return 0;
}

LRESULT OnDropFiles(HWND window, HDROP drop) {
  wchar_t first[kDroppedPathSize] = {};
  UINT length = DragQueryFileW(drop, 0, first, kDroppedPathSize);
  DragFinish(drop);
  if (length == 0) return 0;
  // A character CP932 cannot hold becomes "?", so FileChosen reports a file that does not exist
  // instead of measuring some other one.
  std::string path = NarrowLossy(first);
  FileChosen(window, path.c_str());
  return 0;
}

LRESULT OnCopyData(const COPYDATASTRUCT* data) {
  if (data == nullptr || data->dwData != kHandOverTag) return FALSE;
  if (gMain.busy > 0 || !gMain.handedRun.empty() || gMain.logPane == nullptr) return FALSE;
  const char* bytes = static_cast<const char*>(data->lpData);
  std::vector<std::string> arguments;
  size_t start = 0;
  for (size_t i = 0; i < data->cbData; ++i) {
    if (bytes[i] != '\0') continue;
    arguments.emplace_back(bytes + start, i - start);
    start = i + 1;
  }
  if (arguments.size() < 2) return FALSE;
  gMain.handedRun = std::move(arguments);
  PostMessageW(gMain.window, kMsgHandedRun, 0, 0);
  return TRUE;
}

LRESULT OnHandedRun(HWND window) {
  // Still inside another run (a modal box of it pumps messages): the run waits for its end.
  if (gMain.busy > 0 || gMain.handedRun.empty()) return 0;
  std::vector<std::string> arguments = std::move(gMain.handedRun);
  gMain.handedRun.clear();
  EmitLogLine(window, kLogPlain);
  FormatLog("%s", kHandedRunNotice);
  EmitLogLine(window, kLogPlain);
  RunArguments(window, arguments);
  return 0;
}

}  // namespace

void StatusPartEdges(int outerWidth, int edges[3]) {
  edges[0] = static_cast<int>(outerWidth * 0.3);
  edges[1] = static_cast<int>(outerWidth * 0.75);
  edges[2] = outerWidth;
}

int FormatClock(const platform::LocalTime& time, char* out, size_t size) {
  const char* weekday = time.dayOfWeek >= 0 && time.dayOfWeek < 7 ? kWeekdays[time.dayOfWeek] : "";
  return std::snprintf(out, size, kClockFormat, time.year, time.month, time.day, weekday, time.hour, time.minute,
                       time.second);
}

ATOM RegisterMainClass(HINSTANCE instance) {
  INITCOMMONCONTROLSEX controls{sizeof controls, ICC_BAR_CLASSES};
  InitCommonControlsEx(&controls);
  WNDCLASSEXW windowClass{};
  windowClass.cbSize = sizeof windowClass;
  windowClass.style = CS_HREDRAW | CS_VREDRAW;
  windowClass.lpfnWndProc = MainWindowProc;
  windowClass.hInstance = instance;
  windowClass.hIcon = LoadIconW(instance, MAKEINTRESOURCEW(IDI_QUENDRIX));
  windowClass.hCursor = LoadCursorW(nullptr, IDC_ARROW);
  windowClass.hbrBackground = CreateSolidBrush(ColourValue(gWindowColour));
  windowClass.lpszMenuName = L"PROGMENU";
  windowClass.lpszClassName = kMainClassName;
  return RegisterClassExW(&windowClass);
}

HWND CreateMainWindow(HINSTANCE instance, int showState, int count, const char* const* arguments) {
  // The window opens on the primary monitor, whose DPI is the system DPI.
  CreateArguments start{count, arguments, SystemDpi()};
  HWND window = CreateWindowExW(0, kMainClassName, Wide(kInitialTitle).c_str(),
                                WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX, CW_USEDEFAULT, CW_USEDEFAULT,
                                ScaleToDpi(kWindowWidth, start.dpi), ScaleToDpi(kWindowHeight, start.dpi), nullptr,
                                nullptr, instance, &start);
  if (window == nullptr) return nullptr;
  ShowWindow(window, showState);
  UpdateWindow(window);
  return window;
}

LRESULT CALLBACK MainWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_CREATE:
      return OnCreate(window, reinterpret_cast<const CREATESTRUCTW*>(lParam));
    case WM_DESTROY:
      return OnDestroy();
    case WM_SIZE:
      return OnSize(window, wParam);
    case WM_PAINT:
      return OnPaint(window);
    case WM_DPICHANGED:
      return OnDpiChanged(window, wParam, reinterpret_cast<const RECT*>(lParam));
    case WM_CLOSE:
      return OnClose(window);
    case WM_COMMAND:
      return OnCommand(window, message, wParam, lParam);
    case WM_TIMER:
      return OnTimer(window);
    case WM_RBUTTONDOWN:
      return OnRightButtonDown(window, lParam);
    case WM_DROPFILES:
      return OnDropFiles(window, reinterpret_cast<HDROP>(wParam));
    case WM_COPYDATA:
      return OnCopyData(reinterpret_cast<const COPYDATASTRUCT*>(lParam));
    case kMsgHandedRun:
      return OnHandedRun(window);
    default:
      return DefWindowProcW(window, message, wParam, lParam);
  }
}

int HandOverToRunningWindow(HWND running, int count, const char* const* arguments) {
  ShowWindow(running, SW_RESTORE);
  SetForegroundWindow(running);
  if (count < 2) return 0;
  std::string payload;
  for (int i = 0; i < count; ++i) {
    payload += arguments[i];
    payload += '\0';
  }
  COPYDATASTRUCT data{kHandOverTag, static_cast<DWORD>(payload.size()), payload.data()};
  DWORD_PTR accepted = FALSE;
  LRESULT answered = SendMessageTimeoutW(running, WM_COPYDATA, 0, reinterpret_cast<LPARAM>(&data),
                                         SMTO_ABORTIFHUNG, 10000, &accepted);
  if (answered != 0 && accepted == TRUE) return 0;
  platform::ShowMessage(nullptr, kRunnerBusy, version::kProductName, platform::BoxIcon::kError);
  return 1;
}

}  // namespace ui
