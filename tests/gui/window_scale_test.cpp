// The main window on displays of any scale: its layout is given for 96 DPI and drawn at the DPI
// of the display. These tests read the display's DPI and check the window against the 96-DPI
// layout scaled to it, so they pass on any display; CTest runs them once on the default display
// (96 DPI) and once with Wine set to 144 DPI (QX_EXPECTED_DPI says which, so that a run on the
// wrong display fails instead of passing at 96).
#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "config/settings.h"
#include "config/version.h"

#include <windows.h>
#include <commctrl.h>
#undef FindText

#include "../res/resource.h"
#include "gui/main_window_fixture.h"
#include "ui/win32/main_window.h"

namespace {

int ScreenDpi() {
  HDC screen = GetDC(nullptr);
  int dpi = GetDeviceCaps(screen, LOGPIXELSY);
  ReleaseDC(nullptr, screen);
  return dpi;
}

// `length` at 96 DPI in pixels at `dpi`, rounded to the nearest.
int At(int length, int dpi) { return MulDiv(length, dpi, 96); }

RECT Outer(HWND window) {
  RECT outer{};
  GetWindowRect(window, &outer);
  return outer;
}

// A child's rectangle in its parent's client coordinates.
RECT ChildBox(HWND parent, int id) {
  RECT box{};
  GetWindowRect(GetDlgItem(parent, id), &box);
  MapWindowPoints(nullptr, parent, reinterpret_cast<POINT*>(&box), 2);
  return box;
}

LOGFONTW FontOf(HWND control) {
  LOGFONTW logFont{};
  HGDIOBJ font = reinterpret_cast<HGDIOBJ>(SendMessageW(control, WM_GETFONT, 0, 0));
  GetObjectW(font != nullptr ? font : GetStockObject(SYSTEM_FONT), sizeof logFont, &logFont);
  return logFont;
}

class WindowScaleTest : public MainWindowTest {
 protected:
  void SetUp() override {
    MainWindowTest::SetUp();
    dpi_ = ScreenDpi();
    if (const char* expected = std::getenv("QX_EXPECTED_DPI")) {
      ASSERT_EQ(dpi_, std::atoi(expected)) << "the display is not at the DPI this run is for";
    }
  }

  // Opens the window after making sure the display holds it whole at `dpi` (default: the
  // display's): Windows keeps a window within the display's size, which would spoil every length
  // checked here.
  HWND OpenWhole(int dpi = 0) {
    if (dpi == 0) dpi = dpi_;
    EXPECT_GE(GetSystemMetrics(SM_CXSCREEN), At(ui::kWindowWidth, dpi)) << "display too small for " << dpi << " DPI";
    EXPECT_GE(GetSystemMetrics(SM_CYSCREEN), At(ui::kWindowHeight, dpi)) << "display too small for " << dpi << " DPI";
    return Open();
  }

  // Every control where the 96-DPI layout puts it, scaled to `dpi`. x and width may follow the
  // client width (Wc) or half the status bar's width (h).
  void ExpectLayoutAt(int dpi) {
    enum Edge { kFixed, kClient, kHalf, kClientLessHalf };
    struct Expected {
      int id;
      Edge xEdge;
      int x;
      int y;
      Edge widthEdge;
      int width;
      int height;
    };
    const Expected layout[] = {
        {IDC_NC_FILE_CAPTION, kFixed, 15, 15, kFixed, 170, 26},
        {IDC_NC_FILE, kFixed, 200, 17, kClient, -215, 22},
        {IDC_SPLIT_TIME, kFixed, 200, 57, kHalf, -200, 22},
        {IDC_SPLIT_DISTANCE, kFixed, 200, 97, kHalf, -200, 22},
        {IDC_START_X, kHalf, 180, 57, kClientLessHalf, -195, 22},
        {IDC_START_Y, kHalf, 180, 97, kClientLessHalf, -195, 22},
        {IDC_START_Z, kHalf, 180, 137, kClientLessHalf, -195, 22},
        {IDC_MAX_SIZE, kFixed, 200, 177, kHalf, -200, 22},
        {IDM_EXECUTE, kFixed, 15, 220, kFixed, 100, 30},
        {IDC_CLEAR, kHalf, -50, 220, kFixed, 100, 30},
        {IDM_EXIT_BUTTON, kClient, -115, 220, kFixed, 100, 30},
    };
    RECT client{};
    GetClientRect(window_, &client);
    RECT bar{};
    GetWindowRect(GetDlgItem(window_, IDC_STATUS_BAR), &bar);
    int half = (bar.right - bar.left) / 2;
    auto base = [&](Edge edge) {
      switch (edge) {
        case kClient:
          return static_cast<int>(client.right);
        case kHalf:
          return half;
        case kClientLessHalf:
          return static_cast<int>(client.right) - half;
        case kFixed:
          break;
      }
      return 0;
    };
    for (const Expected& control : layout) {
      RECT box = ChildBox(window_, control.id);
      EXPECT_EQ(box.left, base(control.xEdge) + At(control.x, dpi)) << control.id;
      EXPECT_EQ(box.top, At(control.y, dpi)) << control.id;
      EXPECT_EQ(box.right - box.left, base(control.widthEdge) + At(control.width, dpi)) << control.id;
      EXPECT_EQ(box.bottom - box.top, At(control.height, dpi)) << control.id;
    }
    // The seam policy's choice lines up with the split time and distance; its height is that of
    // its font, and it keeps clear of the size field below it.
    const RECT choice = ChildBox(window_, IDC_SEAM_POLICY);
    EXPECT_EQ(choice.left, At(200, dpi));
    EXPECT_EQ(choice.top, At(137, dpi));
    EXPECT_EQ(choice.right - choice.left, half - At(200, dpi));
    EXPECT_LE(choice.bottom, ChildBox(window_, IDC_MAX_SIZE).top);
    HWND pane = GetDlgItem(window_, IDC_LOG_PANE);
    EXPECT_EQ(ChildBox(window_, IDC_LOG_PANE).top, At(280, dpi));
    EXPECT_EQ(FontOf(pane).lfHeight, At(16, dpi));
  }

  int dpi_ = 96;
};

TEST_F(WindowScaleTest, SizeControlsStatusPartsAndLogFontFollowTheDisplay) {
  ASSERT_NE(OpenWhole(), nullptr);
  RECT outer = Outer(window_);
  int width = At(ui::kWindowWidth, dpi_);
  EXPECT_EQ(outer.right - outer.left, width);
  EXPECT_EQ(outer.bottom - outer.top, At(ui::kWindowHeight, dpi_));
  int edges[3] = {};
  SendMessageW(GetDlgItem(window_, IDC_STATUS_BAR), SB_GETPARTS, 3, reinterpret_cast<LPARAM>(edges));
  EXPECT_EQ(edges[0], width * 3 / 10);
  EXPECT_EQ(edges[1], width * 3 / 4);
  EXPECT_EQ(edges[2], width);
  ExpectLayoutAt(dpi_);
  // On the system DPI the buttons and fields keep the font Windows gives them.
  EXPECT_EQ(SendMessageW(GetDlgItem(window_, IDM_EXECUTE), WM_GETFONT, 0, 0), 0);
}

TEST_F(WindowScaleTest, TheMinimumSizeFollowsTheDisplay) {
  ASSERT_NE(OpenWhole(), nullptr);
  SetWindowPos(window_, nullptr, 0, 0, 100, 100, SWP_NOMOVE | SWP_NOZORDER);
  RECT outer = Outer(window_);
  EXPECT_EQ(outer.right - outer.left, At(ui::kMinimumWidth, dpi_));
  EXPECT_EQ(outer.bottom - outer.top, At(ui::kMinimumHeight, dpi_));
}

// The painted rights notice and the colours of the window and its controls, read back from the
// window's pixels.
class WindowPixels {
 public:
  explicit WindowPixels(HWND window) {
    RedrawWindow(window, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_UPDATENOW | RDW_ALLCHILDREN);
    RECT client{};
    GetClientRect(window, &client);
    width_ = client.right;
    height_ = client.bottom;
    BITMAPINFO info{};
    info.bmiHeader = {sizeof(BITMAPINFOHEADER), width_, -height_, 1, 32, BI_RGB, 0, 0, 0, 0, 0};
    void* bits = nullptr;
    HDC windowDc = GetDC(window);
    HDC memory = CreateCompatibleDC(windowDc);
    HBITMAP bitmap = CreateDIBSection(windowDc, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
    HGDIOBJ previous = SelectObject(memory, bitmap);
    BitBlt(memory, 0, 0, width_, height_, windowDc, 0, 0, SRCCOPY);
    GdiFlush();
    const auto* pixels = static_cast<const DWORD*>(bits);
    pixels_.assign(pixels, pixels + static_cast<size_t>(width_) * height_);
    SelectObject(memory, previous);
    DeleteObject(bitmap);
    DeleteDC(memory);
    ReleaseDC(window, windowDc);
  }

  // The pixel as a COLORREF (0x00bbggrr).
  COLORREF At(int x, int y) const {
    DWORD pixel = pixels_[static_cast<size_t>(y) * width_ + x];
    return RGB((pixel >> 16) & 0xFF, (pixel >> 8) & 0xFF, pixel & 0xFF);
  }

  // The smallest rectangle around every pixel of `colour` above row `bottom`.
  RECT Around(COLORREF colour, int bottom) const {
    RECT found{width_, bottom, -1, -1};
    for (int y = 0; y < bottom && y < height_; ++y) {
      for (int x = 0; x < width_; ++x) {
        if (At(x, y) != colour) continue;
        if (x < found.left) found.left = x;
        if (y < found.top) found.top = y;
        if (x + 1 > found.right) found.right = x + 1;
        if (y + 1 > found.bottom) found.bottom = y + 1;
      }
    }
    return found;
  }

 private:
  int width_ = 0;
  int height_ = 0;
  std::vector<DWORD> pixels_;
};

TEST_F(WindowScaleTest, TheNoticeAndTheColoursArePaintedAtTheDisplayScale) {
  const Colour savedText = gTextColour;
  char savedNotice[sizeof gNoticeLine];
  std::memcpy(savedNotice, gNoticeLine, sizeof savedNotice);
  gTextColour = Colour{255, 0, 0};
  std::snprintf(gNoticeLine, sizeof gNoticeLine, version::kNoticeFormat, version::kYear, version::kMakerName);
  ASSERT_NE(OpenWhole(), nullptr);
  WindowPixels pixels(window_);
  gTextColour = savedText;
  std::memcpy(gNoticeLine, savedNotice, sizeof savedNotice);

  RECT client{};
  GetClientRect(window_, &client);
  int paneTop = At(280, dpi_);
  // The notice: red text ending at the right margin, standing on the log pane, 12 px high at
  // 96 DPI (its letters a little less than their cell).
  RECT notice = pixels.Around(RGB(255, 0, 0), paneTop);
  EXPECT_LE(notice.right, client.right - At(15, dpi_));
  EXPECT_GT(notice.right, client.right - At(15, dpi_) - At(8, dpi_));
  EXPECT_LE(notice.bottom, paneTop);
  EXPECT_GT(notice.bottom, paneTop - At(5, dpi_));
  EXPECT_LE(notice.bottom - notice.top, At(12, dpi_));
  EXPECT_GE(notice.bottom - notice.top, At(12, dpi_) / 2);
  EXPECT_GT(notice.right - notice.left, At(200, dpi_));

  // The window's own colour around the controls; the flat buttons in the button face colour and
  // the fields and the log pane in the window colour of the system, as the classic controls
  // draw them.
  LOGBRUSH brush{};
  GetObjectW(reinterpret_cast<HGDIOBJ>(GetClassLongPtrW(window_, GCLP_HBRBACKGROUND)), sizeof brush, &brush);
  EXPECT_EQ(pixels.At(At(5, dpi_), At(5, dpi_)), brush.lbColor);
  RECT execute = ChildBox(window_, IDM_EXECUTE);
  EXPECT_EQ(pixels.At(execute.left + At(4, dpi_), execute.top + At(4, dpi_)), GetSysColor(COLOR_BTNFACE));
  RECT field = ChildBox(window_, IDC_NC_FILE);
  EXPECT_EQ(pixels.At(field.right - At(4, dpi_), field.top + At(4, dpi_)), GetSysColor(COLOR_WINDOW));
  RECT pane = ChildBox(window_, IDC_LOG_PANE);
  EXPECT_EQ(pixels.At(pane.right - GetSystemMetrics(SM_CXVSCROLL) - At(4, dpi_), pane.top + At(4, dpi_)),
            GetSysColor(COLOR_WINDOW));
}

// Moving to a monitor of another DPI: Windows suggests a rectangle for the new DPI and the window
// lays itself out again there; the buttons and fields get their font scaled to the new DPI, and
// back on the system DPI their own font again.
TEST_F(WindowScaleTest, ADpiChangeLaysTheWindowOutAgainInTheSuggestedRectangle) {
  const int other = dpi_ == 96 ? 144 : 96;
  ASSERT_NE(OpenWhole(other > dpi_ ? other : dpi_), nullptr);
  HWND execute = GetDlgItem(window_, IDM_EXECUTE);
  const LOGFONTW systemFont = FontOf(execute);
  auto moveTo = [&](int dpi, const RECT& from) {
    RECT suggested{from.left + 10, from.top + 10, from.left + 10 + At(ui::kWindowWidth, dpi),
                   from.top + 10 + At(ui::kWindowHeight, dpi)};
    SendMessageW(window_, WM_DPICHANGED, MAKEWPARAM(dpi, dpi), reinterpret_cast<LPARAM>(&suggested));
    RECT outer = Outer(window_);
    EXPECT_EQ(outer.left, suggested.left);
    EXPECT_EQ(outer.top, suggested.top);
    EXPECT_EQ(outer.right, suggested.right);
    EXPECT_EQ(outer.bottom, suggested.bottom);
  };

  moveTo(other, Outer(window_));
  ExpectLayoutAt(other);
  EXPECT_EQ(FontOf(execute).lfHeight, MulDiv(systemFont.lfHeight, other, dpi_));
  EXPECT_NE(SendMessageW(GetDlgItem(window_, IDC_NC_FILE), WM_GETFONT, 0, 0), 0);
  SetWindowPos(window_, nullptr, 0, 0, 100, 100, SWP_NOMOVE | SWP_NOZORDER);
  RECT outer = Outer(window_);
  EXPECT_EQ(outer.right - outer.left, At(ui::kMinimumWidth, other));
  EXPECT_EQ(outer.bottom - outer.top, At(ui::kMinimumHeight, other));

  moveTo(dpi_, Outer(window_));
  ExpectLayoutAt(dpi_);
  EXPECT_EQ(SendMessageW(execute, WM_GETFONT, 0, 0), 0);
}

}  // namespace
