// The picture window: opened from the menu after a split, drawn fitted to its client area at
// every size, closed on its own or with the main window; and the menu command that saves the
// picture.
#include <gtest/gtest.h>

#include <string>

#include "picture/split_picture.h"
#include "picture/split_svg.h"
#include "support/fake_platform.h"
#include "ui/common/split_preview.h"

#include <windows.h>

#include "../res/resource.h"
#include "gui/main_window_fixture.h"
#include "ui/win32/picture_window.h"
#include "ui/win32/wide_text.h"

namespace {

class PictureWindowTest : public MainWindowTest {
 protected:
  void SetUp() override {
    MainWindowTest::SetUp();
    ForgetSplitPictures();
  }
  void TearDown() override {
    MainWindowTest::TearDown();
    ForgetSplitPictures();
  }
  // Opens the main window and splits the example from its fields.
  void SplitExample() {
    ASSERT_NE(Open(), nullptr);
    FillAll();
    Command(IDM_EXECUTE);
    ASSERT_TRUE(dir_.Exists("SAMPLE01_002.NC"));
  }
  HWND Picture() const { return FindWindowW(ui::kPictureClassName, nullptr); }

  // Pixels of `colour` in the client rectangle `area` of `window`, as it was painted.
  int CountColour(HWND window, const RECT& area, COLORREF colour) {
    HDC dc = GetDC(window);
    int count = 0;
    for (int y = area.top; y < area.bottom; y += 2)
      for (int x = area.left; x < area.right; x += 2) count += GetPixel(dc, x, y) == colour;
    ReleaseDC(window, dc);
    return count;
  }
};

TEST_F(PictureWindowTest, TheMenusOfferItAndBeforeAnySplitThereIsNoPictureToShow) {
  ASSERT_NE(Open(), nullptr);
  // The menu bar and the right-click menu, by command.
  HMENU popup = LoadMenuW(GetModuleHandleW(nullptr), L"CMDPOPUPMENU");
  ASSERT_NE(popup, nullptr);
  for (HMENU menu : {GetMenu(window_), popup}) {
    wchar_t text[64] = L"";
    EXPECT_GT(GetMenuStringW(menu, IDM_SPLIT_PICTURE, text, 64, MF_BYCOMMAND), 0);
    EXPECT_EQ(std::wstring(text).rfind(L"\u5206\u5272\u306e\u56f3\u3092\u8868\u793a", 0), 0u);  // 分割の図を表示
    EXPECT_GT(GetMenuStringW(menu, IDM_SPLIT_PICTURE_SAVE, text, 64, MF_BYCOMMAND), 0);
    EXPECT_EQ(std::wstring(text), L"\u5206\u5272\u306e\u56f3\u3092\u4fdd\u5b58");  // 分割の図を保存
  }
  DestroyMenu(popup);

  Command(IDM_SPLIT_PICTURE);
  EXPECT_EQ(Picture(), nullptr);
  ASSERT_EQ(ErrorTexts().size(), 1u);
  EXPECT_EQ(ErrorTexts()[0], "エラー：分割の図がありません。先に分割を実行して下さい。");
}

TEST_F(PictureWindowTest, OpensAfterASplitFitsEverySizeAndCloses) {
  SplitExample();
  Command(IDM_SPLIT_PICTURE);
  HWND picture = Picture();
  ASSERT_NE(picture, nullptr);
  EXPECT_TRUE(IsWindowVisible(picture));
  EXPECT_EQ(GetWindow(picture, GW_OWNER), window_);
  wchar_t title[200];
  GetWindowTextW(picture, title, 200);
  const int pieces = LastSplitPicture().piecesWritten();
  EXPECT_EQ(std::wstring(title), ui::Wide(("分割の図 － SAMPLE01.NC（" + std::to_string(pieces) + " 個）").c_str()));

  // At each size the views fill the client area without leaving it, larger in a larger window.
  double previousScale = 0;
  for (SIZE size : {SIZE{560, 420}, SIZE{900, 700}, SIZE{1400, 1000}}) {
    SetWindowPos(picture, nullptr, 0, 0, size.cx, size.cy, SWP_NOMOVE | SWP_NOZORDER);
    UpdateWindow(picture);
    Pump();
    RECT client{};
    GetClientRect(picture, &client);
    const PictureLayout layout = ui::PictureWindowLayout(picture);
    EXPECT_GE(layout.left, 0) << size.cx;
    EXPECT_LE(layout.right, client.right) << size.cx;
    EXPECT_GE(layout.topTop, 0) << size.cx;
    EXPECT_LE(layout.sideBottom, client.bottom) << size.cx;
    EXPECT_GT(layout.scale, previousScale) << size.cx;
    previousScale = layout.scale;
    // Piece 1's cutting is painted in its colour inside the top view.
    RECT top{static_cast<LONG>(layout.left), static_cast<LONG>(layout.topTop), static_cast<LONG>(layout.right),
             static_cast<LONG>(layout.topBottom)};
    const uint32_t rgb = PieceColour(1);
    EXPECT_GT(CountColour(picture, top, RGB((rgb >> 16) & 0xFF, (rgb >> 8) & 0xFF, rgb & 0xFF)), 20) << size.cx;
  }
  // Never smaller than its minimum.
  SetWindowPos(picture, nullptr, 0, 0, 100, 80, SWP_NOMOVE | SWP_NOZORDER);
  RECT outer{};
  GetWindowRect(picture, &outer);
  EXPECT_GE(outer.right - outer.left, ui::kPictureMinimumWidth);
  EXPECT_GE(outer.bottom - outer.top, ui::kPictureMinimumHeight);

  // The command again brings the same window; closing it leaves the main window as it was.
  Command(IDM_SPLIT_PICTURE);
  EXPECT_EQ(Picture(), picture);
  SendMessageW(picture, WM_CLOSE, 0, 0);
  EXPECT_FALSE(IsWindow(picture));
  EXPECT_TRUE(IsWindow(window_));
  EXPECT_TRUE(ErrorTexts().empty());
}

TEST_F(PictureWindowTest, ANewSplitRedrawsTheOpenWindowAndTheMainWindowTakesItAlong) {
  SplitExample();
  Command(IDM_SPLIT_PICTURE);
  HWND picture = Picture();
  ASSERT_NE(picture, nullptr);
  // A second split, into more pieces: the title follows.
  const int before = LastSplitPicture().piecesWritten();
  FillAll();
  SetField(IDC_SPLIT_TIME, "3");
  Command(IDM_EXECUTE);
  const int after = LastSplitPicture().piecesWritten();
  EXPECT_GT(after, before);
  wchar_t title[200];
  GetWindowTextW(picture, title, 200);
  EXPECT_NE(std::wstring(title).find(std::to_wstring(after) + L" "), std::wstring::npos);
  SendMessageW(window_, WM_CLOSE, 0, 0);
  EXPECT_FALSE(IsWindow(picture));
}

TEST_F(PictureWindowTest, SaveWritesTheSvgOfTheLastSplitNextToItsProgram) {
  SplitExample();
  Command(IDM_SPLIT_PICTURE_SAVE);
  ASSERT_TRUE(dir_.Exists("SAMPLE01_split.svg"));
  EXPECT_EQ(dir_.Read("SAMPLE01_split.svg"), SplitSvgText(LastSplitPicture()));
  EXPECT_TRUE(PaneHas("情　報：分割の図を " + dir_.Path("SAMPLE01_split.svg") + " に保存しました。"));
  EXPECT_TRUE(ErrorTexts().empty());
}

}  // namespace
