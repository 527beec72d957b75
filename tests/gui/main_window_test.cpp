// The real main window under test: created with the program's own window procedure and driven
// with the messages a user's clicks and drops would send. Message boxes are recorded by the fake
// platform; the run log is read back through the list-box pane the window installs.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>
#include <filesystem>
#include <string>
#include <vector>

#include "config/settings.h"
#include "config/settings_keys.h"
#include "split/program_totals.h"
#include "log/run_log.h"
#include "nc/format.h"
#include "support/fake_platform.h"
#include "support/golden_case.h"
#include "support/temp_dir.h"
#include "ui/common/front_end.h"

#include <windows.h>
#include <commctrl.h>
#include <shellapi.h>
#include <shlobj.h>

#include "../res/resource.h"
#include "ui/win32/main_window.h"
#include "ui/win32/program_info.h"
#include "ui/win32/wide_text.h"
#include "ui/win32/window_commands.h"
#include "gui/main_window_fixture.h"

namespace {

constexpr int kFields[6] = {IDC_NC_FILE, IDC_SPLIT_TIME, IDC_SPLIT_DISTANCE, IDC_START_X, IDC_START_Y, IDC_START_Z};

TEST_F(MainWindowTest, CreationMakesControlsBannerTitleAndStatusParts) {
  ASSERT_NE(Open(), nullptr);
  wchar_t title[200];
  GetWindowTextW(window_, title, 200);
  EXPECT_EQ(std::wstring(title), ui::Wide("TORVANEK Quendrix 2021R2.34　ＮＣデータ加工条件分割 / TORVANEK"));
  for (int id : {IDC_LOG_PANE, IDC_NC_FILE_CAPTION, IDC_NC_FILE, IDC_SPLIT_TIME, IDC_SPLIT_DISTANCE, IDC_START_X,
                 IDC_START_Y, IDC_START_Z, IDM_EXECUTE, IDC_CLEAR, IDM_EXIT_BUTTON, IDC_STATUS_BAR, IDC_SEAM_POLICY,
                 IDC_MAX_SIZE})
    EXPECT_NE(GetDlgItem(window_, id), nullptr) << id;
  RECT outer;
  GetWindowRect(window_, &outer);
  EXPECT_EQ(outer.right - outer.left, 750);
  EXPECT_EQ(outer.bottom - outer.top, 550);
  int edges[3] = {};
  SendMessageW(GetDlgItem(window_, IDC_STATUS_BAR), SB_GETPARTS, 3, reinterpret_cast<LPARAM>(edges));
  EXPECT_EQ(edges[0], 225);
  EXPECT_EQ(edges[1], 562);
  EXPECT_EQ(edges[2], 750);
  // The banner is the first thing in the pane, read back through the list box.
  std::vector<std::string> lines = PaneLines();
  ASSERT_GE(lines.size(), 9u);
  EXPECT_EQ(lines[0].rfind("ＮＣデータ編集アプリケーション", 0), 0u);
  EXPECT_EQ(lines[3], std::string(69, '-'));
  EXPECT_TRUE(Boxes().empty());
}

TEST_F(MainWindowTest, ALongerLineWidensTheLogPaneToItsTextWidth) {
  ASSERT_NE(Open(), nullptr);
  HWND pane = GetDlgItem(window_, IDC_LOG_PANE);
  LRESULT before = SendMessageW(pane, LB_GETHORIZONTALEXTENT, 0, 0);
  std::string line = "情　報：" + std::string(400, 'W');
  FormatLog("%s", line.c_str());
  EmitLogLine(window_, kLogPlain);
  HDC dc = GetDC(pane);
  HGDIOBJ previous = SelectObject(dc, reinterpret_cast<HFONT>(SendMessageW(pane, WM_GETFONT, 0, 0)));
  std::wstring wide = ui::Wide(line.c_str());
  SIZE extent{};
  GetTextExtentPoint32W(dc, wide.c_str(), static_cast<int>(wide.size()), &extent);
  SelectObject(dc, previous);
  ReleaseDC(pane, dc);
  LRESULT after = SendMessageW(pane, LB_GETHORIZONTALEXTENT, 0, 0);
  EXPECT_GT(after, before);
  EXPECT_EQ(after, extent.cx + GetSystemMetrics(SM_CXVSCROLL));
  EXPECT_EQ(PaneLines().back(), line);
  EXPECT_EQ(SendMessageW(pane, LB_GETCURSEL, 0, 0), platform::Log().Count() - 1);
}

TEST_F(MainWindowTest, ClockTickShowsDateAndTimeInFirstStatusPart) {
  ASSERT_NE(Open(), nullptr);
  HWND status = GetDlgItem(window_, IDC_STATUS_BAR);
  wchar_t text[200] = {};
  SendMessageW(status, SB_GETTEXTW, 0, reinterpret_cast<LPARAM>(text));
  EXPECT_EQ(std::wstring(text), L"");  // nothing before the first tick
  SendMessageW(window_, WM_TIMER, IDT_CLOCK, 0);
  SendMessageW(status, SB_GETTEXTW, 0, reinterpret_cast<LPARAM>(text));
  EXPECT_EQ(std::wstring(text), ui::Wide(" 2021年 5月24日 (月) 9時05分07秒"));
  // The third part names the time the split weighs its split time against.
  SendMessageW(status, SB_GETTEXTW, 2, reinterpret_cast<LPARAM>(text));
  EXPECT_EQ(std::wstring(text), ui::Wide("時間：指令時間"));
  const int model = gCommandSettings.timeModel;
  gCommandSettings.timeModel = 1;
  SendMessageW(window_, WM_TIMER, IDT_CLOCK, 0);
  SendMessageW(status, SB_GETTEXTW, 2, reinterpret_cast<LPARAM>(text));
  gCommandSettings.timeModel = model;
  EXPECT_EQ(std::wstring(text), ui::Wide("時間：機械時間の見積"));
}

TEST_F(MainWindowTest, ExecuteWritesPiecesAndClearsTheFields) {
  ASSERT_NE(Open(), nullptr);
  FillAll();
  Command(IDM_EXECUTE);
  EXPECT_EQ(ErrorTexts(), std::vector<std::string>());
  EXPECT_TRUE(dir_.Exists("SAMPLE01_001.NC"));
  EXPECT_TRUE(dir_.Exists("SAMPLE01_002.NC"));
  for (int id : kFields) EXPECT_EQ(Field(id), "") << id;
  EXPECT_TRUE(PaneHas("SAMPLE01_001.NC"));
}

TEST_F(MainWindowTest, ExecuteReportsTheFirstMissingFieldAndKeepsTheOthers) {
  struct Case {
    int emptied;
    const char* message;
  };
  const Case cases[] = {
      {IDC_NC_FILE, "エラー：編集ＮＣファイル名を入力して下さい"},
      {IDC_SPLIT_TIME, "エラー：分割時間を入力して下さい"},
      {IDC_SPLIT_DISTANCE, "エラー：分割距離を入力して下さい"},
  };
  ASSERT_NE(Open(), nullptr);
  for (const Case& c : cases) {
    FakePlatform::Active().boxes.clear();
    FillAll();
    SetField(c.emptied, "");
    Command(IDM_EXECUTE);
    ASSERT_EQ(ErrorTexts().size(), 1u) << c.message;
    EXPECT_EQ(ErrorTexts()[0], c.message);
    EXPECT_EQ(PaneLines().back(), c.message);
    for (int id : kFields) {
      if (id == c.emptied) continue;
      EXPECT_NE(Field(id), "") << c.message << " field " << id;
    }
  }
  EXPECT_FALSE(dir_.Exists("SAMPLE01_001.NC"));
}

TEST_F(MainWindowTest, ExecuteTakesEmptyStartFieldsFromTheProgramAndRefusesNonNumbers) {
  ASSERT_NE(Open(), nullptr);
  FillAll();
  SetField(IDC_START_X, "abc");
  Command(IDM_EXECUTE);
  ASSERT_EQ(ErrorTexts().size(), 1u);
  EXPECT_EQ(ErrorTexts()[0], "エラー：スタートＸ座標 「abc」 は数値ではありません。");
  EXPECT_FALSE(dir_.Exists("SAMPLE01_001.NC"));
  FakePlatform::Active().boxes.clear();
  FillAll();
  SetField(IDC_START_Y, "");
  SetField(IDC_START_Z, "");
  Command(IDM_EXECUTE);
  EXPECT_TRUE(ErrorTexts().empty());
  EXPECT_TRUE(PaneHas("警　告：スタート座標が指定されてません。"));
  EXPECT_TRUE(PaneHas("スタートＺ座標 : 100."));
  EXPECT_TRUE(dir_.Exists("SAMPLE01_001.NC"));
}

TEST_F(MainWindowTest, ExecuteWithAMissingProgramNamesIt) {
  ASSERT_NE(Open(), nullptr);
  FillAll();
  std::string missing = dir_.Path("NONE.NC");
  SetField(IDC_NC_FILE, missing);
  Command(IDM_EXECUTE);
  ASSERT_EQ(ErrorTexts().size(), 1u);
  EXPECT_EQ(ErrorTexts()[0], "エラー：編集ＮＣファイル " + missing + " が見つかりません");
  EXPECT_EQ(Field(IDC_SPLIT_TIME), "10");
}

TEST_F(MainWindowTest, ClearEmptiesAllSixFields) {
  ASSERT_NE(Open(), nullptr);
  FillAll();
  Command(IDC_CLEAR);
  for (int id : kFields) EXPECT_EQ(Field(id), "") << id;
}

// The seam policy's choice and the size field: what they show, what Execute hands the split, and
// what Clear puts back.
int ChosenSeam(HWND window) {
  return static_cast<int>(SendMessageW(GetDlgItem(window, IDC_SEAM_POLICY), CB_GETCURSEL, 0, 0));
}
void ChooseSeam(HWND window, int index) {
  SendMessageW(GetDlgItem(window, IDC_SEAM_POLICY), CB_SETCURSEL, static_cast<WPARAM>(index), 0);
}

TEST_F(MainWindowTest, TheSeamChoiceAndTheSizeShowTheSettingsAndClearPutsThemBack) {
  gCommandSettings.seam = kSeamBreak;
  gCommandSettings.sizeKb = 300;
  ASSERT_NE(Open(), nullptr);
  HWND choice = GetDlgItem(window_, IDC_SEAM_POLICY);
  ASSERT_EQ(SendMessageW(choice, CB_GETCOUNT, 0, 0), 3);
  const char* labels[3] = {"切削中で分割", "区切りで分割", "工具ごとに分割"};
  for (int i = 0; i < 3; ++i) {
    wchar_t text[64] = {};
    SendMessageW(choice, CB_GETLBTEXT, static_cast<WPARAM>(i), reinterpret_cast<LPARAM>(text));
    EXPECT_EQ(std::wstring(text), ui::Wide(labels[i])) << i;
  }
  EXPECT_EQ(ChosenSeam(window_), kSeamBreak);
  EXPECT_EQ(Field(IDC_MAX_SIZE), "300");
  ChooseSeam(window_, kSeamTool);
  SetField(IDC_MAX_SIZE, "5");
  Command(IDC_CLEAR);
  EXPECT_EQ(ChosenSeam(window_), kSeamBreak);
  EXPECT_EQ(Field(IDC_MAX_SIZE), "300");
  // Nothing was written back to the settings file.
  EXPECT_EQ(ReadSettingInt(kSizeSetting), 0);
}

TEST_F(MainWindowTest, ExecuteSplitsWithTheChosenPolicyAndSizeAndShowsTheSettingsAgain) {
  ASSERT_NE(Open(), nullptr);
  FillAll();
  ChooseSeam(window_, kSeamBreak);
  SetField(IDC_MAX_SIZE, "2");
  Command(IDM_EXECUTE);
  EXPECT_EQ(ErrorTexts(), std::vector<std::string>());
  EXPECT_TRUE(PaneHas("　　　分割位置 : break"));
  EXPECT_TRUE(PaneHas("　　ファイル容量 : 2 KB まで"));
  EXPECT_TRUE(dir_.Exists("SAMPLE01_001.NC"));
  EXPECT_LE(std::filesystem::file_size(dir_.Path("SAMPLE01_001.NC")), 2048u);
  EXPECT_EQ(ChosenSeam(window_), kSeamCut);
  EXPECT_EQ(Field(IDC_MAX_SIZE), "0");
}

TEST_F(MainWindowTest, ExecuteRefusesASizeThatIsNotWholeKilobytesAndKeepsTheFields) {
  ASSERT_NE(Open(), nullptr);
  for (const char* size : {"12KB", "-1", "1.5"}) {
    FakePlatform::Active().boxes.clear();
    FillAll();
    SetField(IDC_MAX_SIZE, size);
    Command(IDM_EXECUTE);
    const std::string message = std::string("エラー：ファイル容量の上限 ") + size +
                                " は使えません。０（上限なし）以上の整数（KB）を指定してください。";
    EXPECT_EQ(ErrorTexts(), std::vector<std::string>{message});
    EXPECT_EQ(Field(IDC_MAX_SIZE), size);
    EXPECT_EQ(Field(IDC_SPLIT_TIME), "10");
  }
  EXPECT_FALSE(dir_.Exists("SAMPLE01_001.NC"));
}

TEST_F(MainWindowTest, ASeamSettingTheWindowCannotShowIsNoChoiceAndTheSplitNamesIt) {
  gCommandSettings.seam = kSeamUnknown;
  std::snprintf(gCommandSettings.seamText, sizeof gCommandSettings.seamText, "%s", "brake");
  ASSERT_NE(Open(), nullptr);
  EXPECT_EQ(ChosenSeam(window_), CB_ERR);
  FillAll();
  Command(IDM_EXECUTE);
  EXPECT_EQ(ErrorTexts(),
            std::vector<std::string>{"エラー：設定 SEAM=brake は使えません。cut, break, tool のどれかを指定してください。"});
  EXPECT_FALSE(dir_.Exists("SAMPLE01_001.NC"));
  FakePlatform::Active().boxes.clear();
  ChooseSeam(window_, kSeamCut);
  Command(IDM_EXECUTE);
  EXPECT_EQ(ErrorTexts(), std::vector<std::string>());
  EXPECT_TRUE(dir_.Exists("SAMPLE01_001.NC"));
}

// No two controls of the upper band overlap, and all stand above the log pane.
TEST_F(MainWindowTest, TheControlsOfTheBandDoNotOverlap) {
  ASSERT_NE(Open(), nullptr);
  std::vector<RECT> boxes;
  const RECT pane = [&] {
    RECT box{};
    GetWindowRect(GetDlgItem(window_, IDC_LOG_PANE), &box);
    MapWindowPoints(nullptr, window_, reinterpret_cast<POINT*>(&box), 2);
    return box;
  }();
  for (HWND child = GetWindow(window_, GW_CHILD); child != nullptr; child = GetWindow(child, GW_HWNDNEXT)) {
    const int id = GetDlgCtrlID(child);
    if (id == IDC_LOG_PANE || id == IDC_STATUS_BAR || !IsWindowVisible(child)) continue;
    RECT box{};
    GetWindowRect(child, &box);
    MapWindowPoints(nullptr, window_, reinterpret_cast<POINT*>(&box), 2);
    EXPECT_LE(box.bottom, pane.top) << id;
    for (const RECT& other : boxes) {
      RECT both{};
      EXPECT_FALSE(IntersectRect(&both, &box, &other)) << id << " at " << box.left << "," << box.top;
    }
    boxes.push_back(box);
  }
  EXPECT_EQ(boxes.size(), 19u);
}

// An HDROP as the shell builds it: DROPFILES followed by the wide paths, each NUL-terminated,
// and a final NUL.
HDROP MakeDrop(const std::vector<std::string>& paths) {
  std::wstring list;
  for (const std::string& path : paths) list += ui::Wide(path.c_str()) + L'\0';
  list += L'\0';
  HGLOBAL memory = GlobalAlloc(GHND, sizeof(DROPFILES) + list.size() * sizeof(wchar_t));
  auto* drop = static_cast<DROPFILES*>(GlobalLock(memory));
  drop->pFiles = sizeof(DROPFILES);
  drop->fWide = TRUE;
  std::memcpy(reinterpret_cast<char*>(drop) + sizeof(DROPFILES), list.data(), list.size() * sizeof(wchar_t));
  GlobalUnlock(memory);
  return static_cast<HDROP>(memory);
}

TEST_F(MainWindowTest, DropTakesTheFirstFileAndFillsOnlyEmptyFields) {
  ASSERT_NE(Open(), nullptr);
  SetField(IDC_SPLIT_TIME, "10");
  HDROP drop = MakeDrop({ncPath_, dir_.Path("OTHER1.NC"), dir_.Path("OTHER2.NC")});
  SendMessageW(window_, WM_DROPFILES, reinterpret_cast<WPARAM>(drop), 0);

  StartAndTotals measured{};
  ASSERT_EQ(MeasureStartAndTotals(nullptr, ncPath_.c_str(), gCommandSettings.timeModel, &measured), kStartPointDone);
  const double* start = measured.start;
  const DistanceTotals& distance = measured.distance;
  auto text = [](double value) {
    char out[kCoordinateTextSize];
    FormatCoordinate(value, out);
    return std::string(out);
  };
  EXPECT_EQ(Field(IDC_NC_FILE), ncPath_);
  EXPECT_EQ(Field(IDC_SPLIT_TIME), "10");  // typed before: kept
  EXPECT_EQ(Field(IDC_SPLIT_DISTANCE), text(distance[kCutting]));
  EXPECT_EQ(Field(IDC_START_X), text(start[0]));
  EXPECT_EQ(Field(IDC_START_Y), text(start[1]));
  EXPECT_EQ(Field(IDC_START_Z), text(start[2]));
  EXPECT_TRUE(ErrorTexts().empty());
}

// The field's button chooses one program through the platform's open-file dialog and fills the
// empty fields from it; a dialog closed without a choice changes nothing.
TEST_F(MainWindowTest, TheFieldsButtonChoosesOneProgram) {
  ASSERT_NE(Open(), nullptr);
  FakePlatform& fake = FakePlatform::Active();
  fake.dialogs.clear();
  fake.choices.clear();
  Command(IDC_NC_FILE_CAPTION);
  EXPECT_EQ(Field(IDC_NC_FILE), "");
  fake.choices = {{ncPath_}};
  Command(IDC_NC_FILE_CAPTION);
  ASSERT_EQ(fake.dialogs.size(), 2u);
  EXPECT_EQ(fake.dialogs[1].title, "ppp ファイルを開く");
  EXPECT_EQ(fake.dialogs[1].filter, std::string("ppp Files(*.ppp)\0*.ppp\0All Files(*.*)\0*.*\0", 42));
  EXPECT_FALSE(fake.dialogs[1].multiple);
  EXPECT_EQ(fake.dialogs[1].owner, window_);
  EXPECT_EQ(Field(IDC_NC_FILE), ncPath_);
  EXPECT_NE(Field(IDC_SPLIT_TIME), "");
  EXPECT_EQ(Field(IDC_START_Z), "100.");
  fake.dialogs.clear();
}

TEST_F(MainWindowTest, DroppingAMissingFileReportsItAndLeavesTheFields) {
  ASSERT_NE(Open(), nullptr);
  SetField(IDC_NC_FILE, "before");
  std::string missing = dir_.Path("GONE.NC");
  SendMessageW(window_, WM_DROPFILES, reinterpret_cast<WPARAM>(MakeDrop({missing})), 0);
  ASSERT_EQ(ErrorTexts().size(), 1u);
  EXPECT_EQ(ErrorTexts()[0], "エラー：ＮＣファイル " + missing + " が存在しません。");
  EXPECT_EQ(Field(IDC_NC_FILE), "before");
}

TEST_F(MainWindowTest, SaveLogWritesThePaneAndSaysWhere) {
  ASSERT_NE(Open(), nullptr);
  int linesBefore = platform::Log().Count();
  Command(IDM_SAVE_LOG);
  std::string saved = dir_.Read("Quendrix.log");
  EXPECT_EQ(saved.rfind("ＮＣデータ編集アプリケーション", 0), 0u);
  int savedLines = 0;
  for (size_t at = saved.find("\r\n"); at != std::string::npos; at = saved.find("\r\n", at + 2)) ++savedLines;
  EXPECT_EQ(savedLines, linesBefore);
  std::string notice = "情　報：ログを " + dir_.Path("Quendrix.log") + " に保存しました。";
  EXPECT_EQ(PaneLines().back(), notice);
  ASSERT_FALSE(Boxes().empty());
  EXPECT_EQ(Boxes().back().text, notice);
  EXPECT_EQ(Boxes().back().icon, platform::BoxIcon::kInformation);
}

TEST_F(MainWindowTest, HeaderFooterCreateCutsBothFilesAndOpensThemInTheEditor) {
  ASSERT_NE(Open(), nullptr);
  SetField(IDC_NC_FILE, ncPath_);
  Command(IDM_HEADER_FOOTER_CREATE);
  EXPECT_TRUE(ErrorTexts().empty());
  ASSERT_TRUE(dir_.Exists("SAMPLE01_header.NC"));
  ASSERT_TRUE(dir_.Exists("SAMPLE01_footer.NC"));
  const auto& started = FakePlatform::Active().started;
  ASSERT_EQ(started.size(), 2u);
  char editor[kEditorSetting.field];
  ReadEditorPath(editor, sizeof editor);
  EXPECT_EQ(started[0].program, editor);
  EXPECT_EQ(started[1].program, editor);
  EXPECT_EQ(started[0].parameters, dir_.Path("SAMPLE01_header.NC"));
  EXPECT_EQ(started[1].parameters, dir_.Path("SAMPLE01_footer.NC"));
}

TEST_F(MainWindowTest, HeaderFooterViewWithoutFilesDoesNothing) {
  ASSERT_NE(Open(), nullptr);
  SetField(IDC_NC_FILE, ncPath_);
  Command(IDM_HEADER_FOOTER_VIEW);
  EXPECT_TRUE(Boxes().empty());
  EXPECT_TRUE(FakePlatform::Active().started.empty());
  EXPECT_FALSE(dir_.Exists("SAMPLE01_header.NC"));
}

TEST_F(MainWindowTest, HeaderFooterWithAnEmptyFieldIsAnError) {
  ASSERT_NE(Open(), nullptr);
  Command(IDM_HEADER_FOOTER_CREATE);
  ASSERT_EQ(ErrorTexts().size(), 1u);
  EXPECT_EQ(ErrorTexts()[0], "エラー：ＮＣファイル名を入力して下さい");
  EXPECT_EQ(PaneLines().back(), "エラー：ＮＣファイル名を入力して下さい");
}

TEST_F(MainWindowTest, HeaderCutFailureStopsBeforeTheFooter) {
  ASSERT_NE(Open(), nullptr);
  SetField(IDC_NC_FILE, dir_.Path("NONE.NC"));
  Command(IDM_HEADER_FOOTER_CREATE);
  ASSERT_EQ(ErrorTexts().size(), 1u);
  EXPECT_EQ(ErrorTexts()[0], "エラー：ヘッダーファイルの作成失敗");
  EXPECT_TRUE(FakePlatform::Active().started.empty());
}

TEST_F(MainWindowTest, ResizeBelowTheMinimumRaisesOnlyTheSmallDimension) {
  ASSERT_NE(Open(), nullptr);
  SetWindowPos(window_, nullptr, 0, 0, 600, 450, SWP_NOMOVE | SWP_NOZORDER);
  RECT outer;
  GetWindowRect(window_, &outer);
  EXPECT_EQ(outer.right - outer.left, 700);
  EXPECT_EQ(outer.bottom - outer.top, 450);
  SetWindowPos(window_, nullptr, 0, 0, 800, 200, SWP_NOMOVE | SWP_NOZORDER);
  GetWindowRect(window_, &outer);
  EXPECT_EQ(outer.right - outer.left, 800);
  EXPECT_EQ(outer.bottom - outer.top, 400);

  int edges[3] = {};
  SendMessageW(GetDlgItem(window_, IDC_STATUS_BAR), SB_GETPARTS, 3, reinterpret_cast<LPARAM>(edges));
  EXPECT_EQ(edges[0], 240);
  EXPECT_EQ(edges[1], 600);
  EXPECT_EQ(edges[2], 800);
  // The log pane fills the client area between the band and the status bar (the list box keeps
  // to whole lines, so it may end up to one line short); the Exit button follows the right edge.
  RECT client, pane, bar, exitButton;
  GetClientRect(window_, &client);
  GetWindowRect(GetDlgItem(window_, IDC_STATUS_BAR), &bar);
  GetWindowRect(GetDlgItem(window_, IDC_LOG_PANE), &pane);
  MapWindowPoints(nullptr, window_, reinterpret_cast<POINT*>(&pane), 2);
  EXPECT_EQ(pane.top, 280);
  EXPECT_EQ(pane.right - pane.left, client.right);
  int itemHeight = static_cast<int>(SendMessageW(GetDlgItem(window_, IDC_LOG_PANE), LB_GETITEMHEIGHT, 0, 0));
  EXPECT_LE(pane.bottom, client.bottom - (bar.bottom - bar.top));
  EXPECT_GT(pane.bottom, client.bottom - (bar.bottom - bar.top) - itemHeight);
  GetWindowRect(GetDlgItem(window_, IDM_EXIT_BUTTON), &exitButton);
  MapWindowPoints(nullptr, window_, reinterpret_cast<POINT*>(&exitButton), 2);
  EXPECT_EQ(exitButton.left, client.right - 115);
}

TEST_F(MainWindowTest, CommandLineRunAtCreationFillsTheLog) {
  ASSERT_NE(Open({"quendrix.exe", ncPath_, "5", "10", "0", "0", "100"}), nullptr);
  EXPECT_EQ(ErrorTexts(), std::vector<std::string>());
  EXPECT_TRUE(dir_.Exists("SAMPLE01_001.NC"));
  EXPECT_TRUE(PaneHas("SAMPLE01_001.NC"));
  EXPECT_TRUE(IsWindow(window_));  // the window stays open after the run
}

TEST_F(MainWindowTest, CommandLineErrorAtCreationIsLoggedAndShown) {
  ASSERT_NE(Open({"quendrix.exe", ncPath_}), nullptr);
  ASSERT_EQ(ErrorTexts().size(), 1u);
  EXPECT_EQ(ErrorTexts()[0], "エラー：分割する切削距離を指定して下さい。");
  EXPECT_EQ(Boxes().back().owner, window_);
  EXPECT_TRUE(PaneHas("エラー：分割する切削距離を指定して下さい。"));
}

TEST_F(MainWindowTest, BatchRunAtCreationFillsTheLog) {
  dir_.Write("RUN.INI", "[Quendrix]\r\nPARAMETER1=" + ncPath_ +
                            "\r\nPARAMETER2=10\r\nPARAMETER3=5\r\nPARAMETER4=0\r\nPARAMETER5=0\r\nPARAMETER6=100\r\n"
                            "PARAMETER7=BATCH\r\n");
  ASSERT_NE(Open({"quendrix.exe", "-ctrl", dir_.Path("RUN.INI")}), nullptr);
  EXPECT_TRUE(ErrorTexts().empty());
  EXPECT_TRUE(PaneHas("★ バッチモードで動作します！"));
  EXPECT_TRUE(PaneHas("SAMPLE01_001.NC"));
  EXPECT_TRUE(dir_.Exists("SAMPLE01_001.NC"));
}

// The golden cases run as a user starts the program with the job's arguments: the same files
// and the same run-log lines (after the banner) as the library call and the console program.
class GoldenWindowTest : public MainWindowTest, public testing::WithParamInterface<std::string> {};

TEST_P(GoldenWindowTest, ACommandLineRunWritesTheGoldenFilesAndLog) {
  const GoldenRun run = PrepareGoldenRun(GetParam(), dir_.Path("golden"));
  // The program's folder holds the case's settings, as after the program's own start-up.
  FakePlatform& fake = FakePlatform::Active();
  const std::string savedExecutable = fake.executablePath;
  fake.executablePath = (run.bin / "quendrix.exe").generic_string();
  const std::string bin = run.bin.generic_string() + "/";
  std::snprintf(gProgramDirectory, sizeof gProgramDirectory, "%s", bin.c_str());
  std::snprintf(gSettingsPath, sizeof gSettingsPath, "%sQuendrix.ini", bin.c_str());
  ReadCommandSettings(&gCommandSettings);
  const std::filesystem::path savedCwd = std::filesystem::current_path();
  std::filesystem::current_path(run.work);
  std::vector<std::string> arguments = {"quendrix.exe", run.programName, run.job.distanceText, run.job.timeText};
  for (const std::string& axis : run.job.startText) arguments.push_back(axis);
  HWND window = Open(arguments);
  std::filesystem::current_path(savedCwd);
  fake.executablePath = savedExecutable;
  ASSERT_NE(window, nullptr);
  ExpectGoldenOutputs(run, LastLines(PaneLines(), GoldenLog(run).size()), false);
}

INSTANTIATE_TEST_SUITE_P(Cases, GoldenWindowTest, testing::ValuesIn(GoldenCases()),
                         [](const testing::TestParamInfo<std::string>& info) { return info.param; });

TEST_F(MainWindowTest, ASecondStartHandsItsRunToTheOpenWindow) {
  ASSERT_NE(Open(), nullptr);
  std::vector<std::string> arguments = {"quendrix.exe", ncPath_, "5", "10", "0", "0", "100"};
  std::vector<const char*> vector;
  for (const std::string& argument : arguments) vector.push_back(argument.c_str());
  EXPECT_EQ(ui::HandOverToRunningWindow(window_, 7, vector.data()), 0);
  Pump();
  EXPECT_TRUE(PaneHas("情　報：新しい起動で指定された分割をこのウインドウで実行します。"));
  EXPECT_TRUE(dir_.Exists("SAMPLE01_001.NC"));
  EXPECT_TRUE(ErrorTexts().empty());
}

TEST_F(MainWindowTest, ASecondHandOverWhileOneWaitsIsRefusedAndReported) {
  ASSERT_NE(Open(), nullptr);
  std::vector<const char*> vector = {"quendrix.exe", ncPath_.c_str(), "5", "10"};
  EXPECT_EQ(ui::HandOverToRunningWindow(window_, 4, vector.data()), 0);
  EXPECT_EQ(ui::HandOverToRunningWindow(window_, 4, vector.data()), 1);  // the first has not run yet
  ASSERT_EQ(ErrorTexts().size(), 1u);
  EXPECT_NE(ErrorTexts()[0].find("処理中"), std::string::npos);
}

TEST_F(MainWindowTest, CloseEmptiesFieldsAndGivesTheLogBackToThePreviousPane) {
  platform::LogPane* before = platform::Current().logPane;
  ASSERT_NE(Open(), nullptr);
  EXPECT_NE(platform::Current().logPane, before);
  Command(IDM_EXIT_BUTTON);
  EXPECT_FALSE(IsWindow(window_));
  EXPECT_EQ(platform::Current().logPane, before);
  MSG message;
  EXPECT_TRUE(PeekMessageW(&message, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE));
  EXPECT_EQ(message.wParam, 0u);
}

// A literal with embedded NULs, without its own terminator.
template <size_t N>
std::string Literal(const char (&text)[N]) {
  return std::string(text, N - 1);
}

TEST(ChooserFilter, OffersTheExtensionThenAllFiles) {
  std::string filter, title;
  ui::ChooserFilter("ppp", &filter, &title);
  EXPECT_EQ(filter, Literal("ppp Files(*.ppp)\0*.ppp\0All Files(*.*)\0*.*\0"));
  EXPECT_EQ(title, "ppp ファイルを開く");
  ui::ChooserFilter(nullptr, &filter, &title);
  EXPECT_EQ(filter, Literal("All Files(*.*)\0*.*\0"));
  EXPECT_EQ(title, "全てのファイルを開く");
}

TEST(ProgramInfo, RowsShowVersionWithBuildNumberAndExecutableTime) {
  FakePlatform::Active().executableTimeResult = 0;
  char info[ui::kProgramInfoSize];
  ui::BuildProgramInfo(info, sizeof info);
  std::string text = info;
  EXPECT_EQ(text.rfind("  開　発　元 : TORVANEK\n  プログラム : Quendrix\n  バージョン : 2021R2.34.2545\n"
                       "  Build Date : 2021/05/24 12:34:56\n",
                       0),
            0u)
      << text;
}

TEST(ProgramInfo, UnreadableExecutableShowsTheBuildDate) {
  FakePlatform::Active().executableTimeResult = -1;
  char built[32];
  EXPECT_EQ(ui::GetExecutableTime(nullptr, built, sizeof built), -1);
  EXPECT_STREQ(built, "2021/05/24 00:00:00");
  FakePlatform::Active().executableTimeResult = 0;
}

// The dialog's own procedure over a template like PROGRAMINFODIALOG's (the test program carries
// no resources): its 閉じる button, id 1, must close it.
BOOL CALLBACK PressClose(HWND candidate, LPARAM found) {
  wchar_t name[16];
  GetClassNameW(candidate, name, 16);
  if (std::wstring(name) != L"#32770") return TRUE;
  *reinterpret_cast<HWND*>(found) = candidate;
  return FALSE;
}
int gTimerTicks = 0;
void CALLBACK PressCloseLater(HWND, UINT, UINT_PTR timer, DWORD) {
  HWND dialog = nullptr;
  EnumThreadWindows(GetCurrentThreadId(), PressClose, reinterpret_cast<LPARAM>(&dialog));
  if (dialog == nullptr) return;
  if (++gTimerTicks == 1) {
    SendMessageW(dialog, WM_COMMAND, MAKEWPARAM(1, BN_CLICKED), reinterpret_cast<LPARAM>(GetDlgItem(dialog, 1)));
  } else {
    KillTimer(nullptr, timer);
    EndDialog(dialog, 99);  // the button did not close it: end the test instead of hanging
  }
}

TEST(ProgramInfoDialog, TheCloseButtonClosesIt) {
  alignas(4) unsigned char buffer[256] = {};
  auto* dialog = reinterpret_cast<DLGTEMPLATE*>(buffer);
  dialog->style = WS_POPUP | WS_CAPTION | WS_SYSMENU;
  dialog->cdit = 1;
  dialog->cx = 330;
  dialog->cy = 85;
  auto* words = reinterpret_cast<WORD*>(dialog + 1);
  *words++ = 0;  // no menu
  *words++ = 0;  // default class
  *words++ = 0;  // no title
  words = reinterpret_cast<WORD*>((reinterpret_cast<uintptr_t>(words) + 3) & ~uintptr_t{3});
  auto* item = reinterpret_cast<DLGITEMTEMPLATE*>(words);
  item->style = WS_CHILD | WS_VISIBLE | WS_TABSTOP | BS_DEFPUSHBUTTON;
  item->x = 140;
  item->y = 65;
  item->cx = 50;
  item->cy = 15;
  item->id = 1;
  words = reinterpret_cast<WORD*>(item + 1);
  *words++ = 0xFFFF;
  *words++ = 0x0080;  // button
  *words++ = 0;       // no text
  *words++ = 0;       // no creation data
  gTimerTicks = 0;
  UINT_PTR timer = SetTimer(nullptr, 0, 100, PressCloseLater);
  INT_PTR result = DialogBoxIndirectParamW(GetModuleHandleW(nullptr), dialog, nullptr, ui::ProgramInfoDialogProc, 0);
  KillTimer(nullptr, timer);
  EXPECT_EQ(result, 16);
  EXPECT_EQ(gTimerTicks, 1);
}

}  // namespace
