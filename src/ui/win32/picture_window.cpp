#include "config/file_naming.h"
#include "config/settings.h"
#include "log/run_log.h"
#include "nc/format.h"
#include "text/text_cut.h"
#include "ui/common/front_end_messages.h"
#include "ui/common/split_preview.h"

#include "ui/win32/picture_window.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <string>
#include <vector>

#include "../res/resource.h"
#include "ui/win32/display_scale.h"
#include "ui/win32/wide_text.h"
#include "ui/win32/window_texts.h"

namespace ui {
namespace {

// Lengths at 96 DPI.
constexpr int kMargin = 12;
constexpr int kLabelWidth = 60;    // left of the views: the Y and Z figures
constexpr int kHeaderHeight = 24;  // the totals line
constexpr int kCaptionHeight = 20;
constexpr int kFooterHeight = 18;  // under the side view: the X figures
constexpr int kViewGap = 44;
constexpr int kLegendWidth = 250;
constexpr int kLegendRow = 18;
constexpr int kFontHeight = 14;
constexpr int kSmallFontHeight = 12;
constexpr int kSeamRadius = 8;
constexpr COLORREF kWhite = RGB(255, 255, 255);
constexpr COLORREF kGrey = RGB(0x9A, 0x9A, 0x9A);
constexpr COLORREF kFrameGrey = RGB(0xCC, 0xCC, 0xCC);
constexpr COLORREF kDarkGrey = RGB(0x55, 0x55, 0x55);
constexpr COLORREF kBlack = RGB(0, 0, 0);

struct PictureWindowState {
  HWND window = nullptr;
  bool registered = false;
};
PictureWindowState gPicture;

COLORREF ToColorRef(uint32_t rgb) { return RGB((rgb >> 16) & 0xFF, (rgb >> 8) & 0xFF, rgb & 0xFF); }

// A coordinate as GDI takes it: far-off values (a view stretched hard) are held within reach.
int Pixel(double value) { return static_cast<int>(std::lround(std::clamp(value, -1e6, 1e6))); }

// "%s" of a figure cut to `decimals` decimals.
std::wstring Figure(const char* format, double value, int decimals) {
  char number[64];
  FormatFixed(value, number, decimals);
  char text[128];
  FormatText(text, sizeof text, format, number);
  return Wide(text);
}

PictureLayout ComputeLayout(const SplitPicture& picture, int width, int height, int dpi) {
  auto s = [dpi](int length) { return static_cast<double>(ScaleToDpi(length, dpi)); };
  const double left = s(kMargin) + s(kLabelWidth);
  const double top = s(kMargin) + s(kHeaderHeight) + s(kCaptionHeight);
  const double viewsWidth = std::max(width - s(kLegendWidth) - left - s(kMargin), s(100));
  const double viewsHeight = std::max(height - top - s(kMargin) - s(kFooterHeight), s(100));
  return LayOutPicture(picture.extents(), picture.stock(), PictureArea{left, top, viewsWidth, viewsHeight, s(kViewGap)});
}

// GDI objects selected for one drawing and given back at its end.
class Gdi {
 public:
  Gdi(HDC dc, int dpi) : dc_(dc), dpi_(dpi) {
    font_ = MakeFont(kFontHeight);
    smallFont_ = MakeFont(kSmallFontHeight);
    oldFont_ = SelectObject(dc_, font_);
    oldPen_ = SelectObject(dc_, GetStockObject(NULL_PEN));
    oldBrush_ = SelectObject(dc_, GetStockObject(NULL_BRUSH));
    SetBkMode(dc_, TRANSPARENT);
  }
  ~Gdi() {
    SelectObject(dc_, oldFont_);
    SelectObject(dc_, oldPen_);
    SelectObject(dc_, oldBrush_);
    DeleteObject(font_);
    DeleteObject(smallFont_);
    if (pen_ != nullptr) DeleteObject(pen_);
    if (brush_ != nullptr) DeleteObject(brush_);
  }
  Gdi(const Gdi&) = delete;
  Gdi& operator=(const Gdi&) = delete;

  int S(int length) const { return ScaleToDpi(length, dpi_); }
  void Pen(int style, int width, COLORREF colour) {
    HPEN pen = CreatePen(style, style == PS_SOLID ? std::max(1, S(width)) : 1, colour);
    SelectObject(dc_, pen);
    if (pen_ != nullptr) DeleteObject(pen_);
    pen_ = pen;
  }
  void Brush(COLORREF colour) {
    HBRUSH brush = CreateSolidBrush(colour);
    SelectObject(dc_, brush);
    if (brush_ != nullptr) DeleteObject(brush_);
    brush_ = brush;
  }
  void NoBrush() { SelectObject(dc_, GetStockObject(NULL_BRUSH)); }
  void Small(bool small) { SelectObject(dc_, small ? smallFont_ : font_); }
  // Text with its left (or right, or centre) end at x and its base line at y.
  void Text(int x, int y, const std::wstring& text, UINT align = TA_LEFT, COLORREF colour = kBlack) {
    SetTextAlign(dc_, align | TA_BASELINE);
    SetTextColor(dc_, colour);
    TextOutW(dc_, x, y, text.c_str(), static_cast<int>(text.size()));
  }
  HDC dc() const { return dc_; }

 private:
  HFONT MakeFont(int height) const {
    return CreateFontW(-S(height), 0, 0, 0, FW_NORMAL, FALSE, FALSE, FALSE, SHIFTJIS_CHARSET, OUT_DEFAULT_PRECIS,
                       CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY, FF_DONTCARE, Wide(kLogPaneFontFace).c_str());
  }
  HDC dc_;
  int dpi_;
  HFONT font_;
  HFONT smallFont_;
  HGDIOBJ oldFont_;
  HGDIOBJ oldPen_;
  HGDIOBJ oldBrush_;
  HPEN pen_ = nullptr;
  HBRUSH brush_ = nullptr;
};

// The stretches of one kind of `piece` in one view, each as one polyline.
template <typename MapY>
void DrawKind(Gdi& gdi, const PicturePiece& piece, uint8_t kind, const PictureLayout& layout, MapY mapY) {
  std::vector<POINT> run;
  auto flush = [&]() {
    if (run.size() >= 2) Polyline(gdi.dc(), run.data(), static_cast<int>(run.size()));
    run.clear();
  };
  const std::vector<PicturePoint>& points = piece.points;
  for (size_t i = 1; i < points.size(); ++i) {
    if (points[i].kind != kind) {
      flush();
      continue;
    }
    if (run.empty()) run.push_back(POINT{Pixel(layout.X(points[i - 1].x)), Pixel(mapY(points[i - 1]))});
    run.push_back(POINT{Pixel(layout.X(points[i].x)), Pixel(mapY(points[i]))});
  }
  flush();
}

template <typename MapY>
void DrawPiece(Gdi& gdi, const PicturePiece& piece, const PictureLayout& layout, MapY mapY) {
  gdi.Pen(PS_SOLID, 1, kGrey);
  DrawKind(gdi, piece, kPathRapid, layout, mapY);
  gdi.Pen(PS_DOT, 1, kGrey);
  DrawKind(gdi, piece, kPathSeam, layout, mapY);
  gdi.Pen(PS_SOLID, 2, ToColorRef(PieceColour(piece.number)));
  DrawKind(gdi, piece, kPathCut, layout, mapY);
}

void SeamMark(Gdi& gdi, int x, int y, int seam, COLORREF colour) {
  const int r = gdi.S(kSeamRadius);
  gdi.Pen(PS_SOLID, 2, colour);
  gdi.Brush(kWhite);
  Ellipse(gdi.dc(), x - r, y - r, x + r + 1, y + r + 1);
  gdi.Small(true);
  gdi.Text(x, y + gdi.S(4), std::to_wstring(seam), TA_CENTER);
  gdi.Small(false);
}

void DrawViews(Gdi& gdi, const SplitPicture& picture, const PictureLayout& layout) {
  const int left = Pixel(layout.left), right = Pixel(layout.right);
  gdi.Pen(PS_SOLID, 1, kFrameGrey);
  gdi.NoBrush();
  Rectangle(gdi.dc(), left, Pixel(layout.topTop), right + 1, Pixel(layout.topBottom) + 1);
  Rectangle(gdi.dc(), left, Pixel(layout.sideTop), right + 1, Pixel(layout.sideBottom) + 1);
  gdi.Text(left, Pixel(layout.topTop) - gdi.S(5), Wide(kPictureTopCaption));
  std::wstring side = Wide(kPictureSideCaption);
  if (layout.zScale > layout.scale * 1.001) side += Figure(kPictureStretchedFormat, layout.zScale / layout.scale, 1);
  if (layout.sideClipped) side += Wide(kPictureClipped);
  gdi.Text(left, Pixel(layout.sideTop) - gdi.S(5), side);

  gdi.Small(true);
  for (const AxisFigure& figure : AxisFigures(layout)) {
    const std::wstring text = std::wstring{static_cast<wchar_t>(figure.axis), L' '} + Figure("%s", figure.value, 1);
    gdi.Text(Pixel(figure.x) + gdi.S(figure.dx), Pixel(figure.y) + gdi.S(figure.dy), text,
             figure.centred ? TA_CENTER : TA_RIGHT, kDarkGrey);
  }
  gdi.Small(false);

  // The stock, dashed, in both views.
  const PictureBox& stock = picture.stock();
  if (stock.any) {
    gdi.Pen(PS_DASH, 1, kDarkGrey);
    Rectangle(gdi.dc(), Pixel(layout.X(stock.minimum[0])), Pixel(layout.TopY(stock.maximum[1])),
              Pixel(layout.X(stock.maximum[0])) + 1, Pixel(layout.TopY(stock.minimum[1])) + 1);
    Rectangle(gdi.dc(), Pixel(layout.X(stock.minimum[0])), Pixel(layout.SideY(stock.maximum[2])),
              Pixel(layout.X(stock.maximum[0])) + 1, Pixel(layout.SideY(stock.minimum[2])) + 1);
  }

  for (const PicturePiece& piece : picture.pieces()) {
    DrawPiece(gdi, piece, layout, [&](const PicturePoint& p) { return layout.TopY(p.y); });
  }
  // The side view keeps within its frame.
  const int saved = SaveDC(gdi.dc());
  IntersectClipRect(gdi.dc(), left, Pixel(layout.sideTop), right + 1, Pixel(layout.sideBottom) + 1);
  for (const PicturePiece& piece : picture.pieces()) {
    DrawPiece(gdi, piece, layout, [&](const PicturePoint& p) { return layout.SideY(p.z); });
  }
  RestoreDC(gdi.dc(), saved);

  // The start point, then the seams.
  const std::vector<PicturePiece>& pieces = picture.pieces();
  if (!pieces.empty() && !pieces.front().points.empty()) {
    const PicturePoint& start = pieces.front().points.front();
    gdi.Pen(PS_SOLID, 1, kBlack);
    const int d = gdi.S(5);
    for (int view = 0; view < 2; ++view) {
      const int x = Pixel(layout.X(start.x));
      const int y = Pixel(view == 0 ? layout.TopY(start.y) : layout.SideYInFrame(start.z));
      MoveToEx(gdi.dc(), x - d, y - d, nullptr);
      LineTo(gdi.dc(), x + d + 1, y + d + 1);
      MoveToEx(gdi.dc(), x - d, y + d, nullptr);
      LineTo(gdi.dc(), x + d + 1, y - d - 1);
      gdi.Small(true);
      gdi.Text(x + gdi.S(7), y + gdi.S(14), Wide(kPictureStart));
      gdi.Small(false);
    }
  }
  for (const PicturePiece& piece : pieces) {
    if (!piece.resumes) continue;
    const COLORREF colour = ToColorRef(PieceColour(piece.number));
    const int x = Pixel(layout.X(piece.entry[0]));
    SeamMark(gdi, x, Pixel(layout.TopY(piece.entry[1])), piece.number - 1, colour);
    SeamMark(gdi, x, Pixel(layout.SideYInFrame(piece.entry[2])), piece.number - 1, colour);
  }
}

void DrawLegend(Gdi& gdi, const SplitPicture& picture, int width, int height) {
  const int left = width - gdi.S(kLegendWidth) + gdi.S(8);
  const int right = width - gdi.S(kMargin);
  const int row = gdi.S(kLegendRow);
  int y = gdi.S(kMargin) + gdi.S(kHeaderHeight) + gdi.S(kCaptionHeight) - gdi.S(5);
  gdi.Text(left, y, Wide(kPictureLegendNumber));
  gdi.Text(left + gdi.S(120), y, Wide(kPictureLegendTime), TA_RIGHT);
  gdi.Text(right, y, Wide(kPictureLegendDistance), TA_RIGHT);
  // The key takes six rows at the bottom; the pieces get what is left above it.
  const int keyTop = height - gdi.S(kMargin) - 6 * row;
  const std::vector<PicturePiece>& pieces = picture.pieces();
  size_t shown = 0;
  for (const PicturePiece& piece : pieces) {
    if (y + 2 * row > keyTop && shown + 1 < pieces.size()) break;
    y += row;
    gdi.Pen(PS_SOLID, 1, ToColorRef(PieceColour(piece.number)));
    gdi.Brush(ToColorRef(PieceColour(piece.number)));
    Rectangle(gdi.dc(), left, y - gdi.S(11), left + gdi.S(12), y + 1);
    gdi.Text(left + gdi.S(18), y, std::to_wstring(piece.number));
    gdi.Text(left + gdi.S(120), y, Figure(kPictureMinutesFormat, piece.time, 3), TA_RIGHT);
    gdi.Text(right, y, Figure(kPictureMillimetresFormat, piece.distance, 3), TA_RIGHT);
    ++shown;
  }
  const int more = picture.piecesWritten() - static_cast<int>(shown);
  if (more > 0) {
    y += row;
    char text[64];
    FormatText(text, sizeof text, kPictureMoreFormat, more);
    gdi.Text(left + gdi.S(18), y, Wide(text));
  }

  // The key.
  y = std::max(y + row, keyTop);
  struct KeyLine {
    int style;
    int width;
    COLORREF colour;
    const char* text;
  };
  const KeyLine key[] = {{PS_SOLID, 2, kBlack, kPictureKeyCut},
                         {PS_SOLID, 1, kGrey, kPictureKeyRapid},
                         {PS_DOT, 1, kGrey, kPictureKeySeamMove},
                         {PS_DASH, 1, kDarkGrey, kPictureKeyStock}};
  for (const KeyLine& line : key) {
    y += row;
    gdi.Pen(line.style, line.width, line.colour);
    MoveToEx(gdi.dc(), left, y - gdi.S(4), nullptr);
    LineTo(gdi.dc(), left + gdi.S(28), y - gdi.S(4));
    gdi.Text(left + gdi.S(36), y, Wide(line.text));
  }
  y += row;
  SeamMark(gdi, left + gdi.S(14), y - gdi.S(4), 1, kBlack);
  gdi.Text(left + gdi.S(36), y, Wide(kPictureKeySeam));
}

void DrawPicture(HDC dc, int width, int height, int dpi) {
  const SplitPicture& picture = LastSplitPicture();
  RECT all{0, 0, width, height};
  FillRect(dc, &all, static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH)));
  Gdi gdi(dc, dpi);
  char time[64], distance[64], totals[256];
  FormatFixed(picture.totalTime(), time, 3);
  FormatFixed(picture.totalDistance(), distance, 3);
  FormatText(totals, sizeof totals, kPictureTotalsFormat, time, distance);
  gdi.Text(gdi.S(kMargin), gdi.S(kMargin) + gdi.S(kFontHeight), Wide(totals));
  DrawViews(gdi, picture, ComputeLayout(picture, width, height, dpi));
  DrawLegend(gdi, picture, width, height);
}

void SetPictureTitle(HWND window) {
  const SplitPicture& picture = LastSplitPicture();
  char name[kPathField];
  CopyText(picture.ncFile(), name, sizeof name);
  BareFileName(name, sizeof name);
  char title[kPathField + 64];
  FormatText(title, sizeof title, kPictureTitleFormat, name, picture.piecesWritten());
  SetWindowTextCp932(window, title);
}

// --- One handler per message ------------------------------------------------------------------

LRESULT OnPicturePaint(HWND window) {
  PAINTSTRUCT paint;
  HDC dc = BeginPaint(window, &paint);
  RECT client{};
  GetClientRect(window, &client);
  const int width = std::max<int>(client.right, 1), height = std::max<int>(client.bottom, 1);
  // Drawn off screen and copied at once: no flicker while the window is sized.
  HDC memory = CreateCompatibleDC(dc);
  HBITMAP bitmap = CreateCompatibleBitmap(dc, width, height);
  if (memory != nullptr && bitmap != nullptr) {
    HGDIOBJ previous = SelectObject(memory, bitmap);
    DrawPicture(memory, width, height, WindowDpi(window));
    BitBlt(dc, 0, 0, width, height, memory, 0, 0, SRCCOPY);
    SelectObject(memory, previous);
  } else {
    DrawPicture(dc, width, height, WindowDpi(window));
  }
  if (bitmap != nullptr) DeleteObject(bitmap);
  if (memory != nullptr) DeleteDC(memory);
  EndPaint(window, &paint);
  return 0;
}

LRESULT OnPictureSize(HWND window) {
  InvalidateRect(window, nullptr, FALSE);
  return 0;
}

LRESULT OnPictureMinMax(HWND window, MINMAXINFO* limits) {
  const int dpi = WindowDpi(window);
  limits->ptMinTrackSize.x = ScaleToDpi(kPictureMinimumWidth, dpi);
  limits->ptMinTrackSize.y = ScaleToDpi(kPictureMinimumHeight, dpi);
  return 0;
}

LRESULT OnPictureDpiChanged(HWND window, const RECT* suggested) {
  if (suggested != nullptr) {
    SetWindowPos(window, nullptr, suggested->left, suggested->top, suggested->right - suggested->left,
                 suggested->bottom - suggested->top, SWP_NOZORDER | SWP_NOACTIVATE);
  }
  InvalidateRect(window, nullptr, FALSE);
  return 0;
}

LRESULT OnPictureKey(HWND window, WPARAM key) {
  if (key == VK_ESCAPE) PostMessageW(window, WM_CLOSE, 0, 0);
  return 0;
}

LRESULT OnPictureDestroy(HWND window) {
  if (gPicture.window == window) gPicture.window = nullptr;
  return 0;
}

bool RegisterPictureClass(HINSTANCE instance) {
  if (gPicture.registered) return true;
  WNDCLASSEXW windowClass{};
  windowClass.cbSize = sizeof windowClass;
  windowClass.style = CS_HREDRAW | CS_VREDRAW;
  windowClass.lpfnWndProc = PictureWindowProc;
  windowClass.hInstance = instance;
  windowClass.hIcon = LoadIconW(instance, MAKEINTRESOURCEW(IDI_QUENDRIX));
  windowClass.hCursor = LoadCursorW(nullptr, IDC_ARROW);
  windowClass.lpszClassName = kPictureClassName;
  gPicture.registered = RegisterClassExW(&windowClass) != 0 || GetLastError() == ERROR_CLASS_ALREADY_EXISTS;
  return gPicture.registered;
}

}  // namespace

HWND ShowSplitPicture(HWND owner) {
  if (LastSplitPicture().piecesWritten() == 0) {
    FormatLog("%s", kNoSplitPicture);
    EmitLogLine(owner, kLogError);
    return nullptr;
  }
  if (gPicture.window != nullptr && IsWindow(gPicture.window)) {
    RefreshSplitPicture();
    ShowWindow(gPicture.window, SW_SHOWNORMAL);
    SetForegroundWindow(gPicture.window);
    return gPicture.window;
  }
  HINSTANCE instance = reinterpret_cast<HINSTANCE>(GetWindowLongPtrW(owner, GWLP_HINSTANCE));
  if (!RegisterPictureClass(instance)) return nullptr;
  const int dpi = owner != nullptr ? WindowDpi(owner) : SystemDpi();
  gPicture.window = CreateWindowExW(0, kPictureClassName, L"", WS_OVERLAPPEDWINDOW, CW_USEDEFAULT, CW_USEDEFAULT,
                                    ScaleToDpi(kPictureWidth, dpi), ScaleToDpi(kPictureHeight, dpi), owner, nullptr,
                                    instance, nullptr);
  if (gPicture.window == nullptr) return nullptr;
  SetPictureTitle(gPicture.window);
  ShowWindow(gPicture.window, SW_SHOWNORMAL);
  UpdateWindow(gPicture.window);
  return gPicture.window;
}

void RefreshSplitPicture() {
  if (gPicture.window == nullptr || !IsWindow(gPicture.window)) return;
  SetPictureTitle(gPicture.window);
  InvalidateRect(gPicture.window, nullptr, FALSE);
}

PictureLayout PictureWindowLayout(HWND window) {
  RECT client{};
  GetClientRect(window, &client);
  return ComputeLayout(LastSplitPicture(), client.right, client.bottom, WindowDpi(window));
}

LRESULT CALLBACK PictureWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_PAINT:
      return OnPicturePaint(window);
    case WM_ERASEBKGND:
      return 1;  // the paint covers every pixel
    case WM_SIZE:
      return OnPictureSize(window);
    case WM_GETMINMAXINFO:
      return OnPictureMinMax(window, reinterpret_cast<MINMAXINFO*>(lParam));
    case WM_DPICHANGED:
      return OnPictureDpiChanged(window, reinterpret_cast<const RECT*>(lParam));
    case WM_KEYDOWN:
      return OnPictureKey(window, wParam);
    case WM_DESTROY:
      return OnPictureDestroy(window);
    default:
      return DefWindowProcW(window, message, wParam, lParam);
  }
}

}  // namespace ui
