#include "picture/split_svg.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <string_view>

#include "config/file_naming.h"
#include "config/settings_keys.h"
#include "nc/format.h"
#include "platform/platform.h"
#include "platform/text_encoding.h"
#include "text/text_cut.h"

namespace {

// The page, in pixels.
constexpr double kPageWidth = 1240;
constexpr double kViewsLeft = 80;
constexpr double kViewsTop = 84;
constexpr double kViewsWidth = 840;
constexpr double kViewsHeight = 760;
constexpr double kViewsGap = 44;
constexpr double kLegendLeft = 950;
constexpr double kLegendTop = 84;
constexpr double kLegendRow = 18;
constexpr double kSeamRadius = 7;

// Builds the text of the file.
class Svg {
 public:
  Svg& operator<<(std::string_view text) {
    text_.append(text);
    return *this;
  }
  Svg& operator<<(int value) {
    text_.append(std::to_string(value));
    return *this;
  }
  // A pixel coordinate: one decimal.
  Svg& Px(double value) {
    char digits[64];
    const int length = FormatRounded(value, digits, 1);
    if (length > 0 && static_cast<size_t>(length) < sizeof digits) text_.append(digits, static_cast<size_t>(length));
    return *this;
  }
  // A figure for people: `decimals` decimals, cut as the run log cuts them.
  Svg& Fixed(double value, int decimals) {
    char digits[64];
    const int length = FormatFixed(value, digits, decimals);
    if (length > 0 && static_cast<size_t>(length) < sizeof digits) text_.append(digits, static_cast<size_t>(length));
    return *this;
  }
  Svg& Colour(uint32_t rgb) {
    static constexpr char kHex[] = "0123456789abcdef";
    char text[8] = "#";
    for (int i = 0; i < 6; ++i) text[1 + i] = kHex[(rgb >> (20 - 4 * i)) & 0xF];
    text_.append(text, 7);
    return *this;
  }
  // CP932 text as escaped UTF-8 character data (or attribute value). A byte that starts no
  // character of code page 932, or a character it cannot convert, becomes "?"; control
  // characters, which XML does not allow, become "?" too.
  Svg& Text(std::string_view cp932) {
    for (size_t i = 0; i < cp932.size(); ++i) {
      const unsigned char c = static_cast<unsigned char>(cp932[i]);
      if (c < 0x80) {
        switch (c) {
          case '&': text_ += "&amp;"; break;
          case '<': text_ += "&lt;"; break;
          case '>': text_ += "&gt;"; break;
          case '"': text_ += "&quot;"; break;
          case '\'': text_ += "&apos;"; break;
          default: text_ += c < 0x20 || c == 0x7F ? '?' : static_cast<char>(c);
        }
        continue;
      }
      size_t width = 1;
      if (platform::IsLeadByte(c)) {
        if (i + 1 >= cp932.size() || !platform::IsTrailByte(static_cast<unsigned char>(cp932[i + 1]))) {
          text_ += '?';
          continue;
        }
        width = 2;
      } else if (c < 0xA1 || c > 0xDF) {  // neither a lead byte nor a half-width katakana
        text_ += '?';
        continue;
      }
      std::string utf8;
      if (platform::Cp932ToUtf8(cp932.substr(i, width), &utf8) && !utf8.empty()) {
        text_ += utf8;
      } else {
        text_ += '?';
      }
      i += width - 1;
    }
    return *this;
  }

  const std::string& text() const { return text_; }

 private:
  std::string text_;
};

// The path of one kind of stretch of `piece` in one view: "M x y L x y ..." over every stretch of
// that kind, moving without drawing over the others. A point within half a pixel of the last one
// drawn is left out (unless it ends a stretch): it would change no pixel. Returns false when
// there is none.
template <typename MapY>
bool PathData(Svg& svg, const PicturePiece& piece, uint8_t kind, const PictureLayout& layout, MapY mapY) {
  const std::vector<PicturePoint>& points = piece.points;
  bool any = false;
  size_t penAt = SIZE_MAX;  // the point the stretch has reached
  double drawnX = 0, drawnY = 0;  // the last point written
  for (size_t i = 1; i < points.size(); ++i) {
    if (points[i].kind != kind) continue;
    if (penAt != i - 1) {
      drawnX = layout.X(points[i - 1].x);
      drawnY = mapY(points[i - 1]);
      svg << (any ? " M" : "M");
      svg.Px(drawnX) << " ";
      svg.Px(drawnY);
    }
    penAt = i;
    any = true;
    const double x = layout.X(points[i].x);
    const double y = mapY(points[i]);
    const bool stretchEnds = i + 1 == points.size() || points[i + 1].kind != kind;
    if (!stretchEnds && std::fabs(x - drawnX) < 0.5 && std::fabs(y - drawnY) < 0.5) continue;
    svg << " L";
    svg.Px(x) << " ";
    svg.Px(y);
    drawnX = x;
    drawnY = y;
  }
  return any;
}

bool HasKind(const PicturePiece& piece, uint8_t kind) {
  for (size_t i = 1; i < piece.points.size(); ++i)
    if (piece.points[i].kind == kind) return true;
  return false;
}

// The three paths of one piece in one view: rapids, seam moves, then the cutting on top.
template <typename MapY>
void PiecePaths(Svg& svg, const PicturePiece& piece, const PictureLayout& layout, bool side, MapY mapY) {
  struct Style {
    uint8_t kind;
    const char* name;
    const char* attributes;
  };
  static constexpr Style kStyles[] = {
      {kPathRapid, "rapid", "stroke=\"#9a9a9a\" stroke-width=\"0.6\""},
      {kPathSeam, "seam-move", "stroke=\"#9a9a9a\" stroke-width=\"0.8\" stroke-dasharray=\"4 3\""},
      {kPathCut, "cut", "stroke-width=\"1.4\""},
  };
  for (const Style& style : kStyles) {
    if (!HasKind(piece, style.kind)) continue;
    svg << "<path class=\"" << style.name << (side ? " side\" clip-path=\"url(#side-view)\" " : " top\" ")
        << style.attributes << " d=\"";
    PathData(svg, piece, style.kind, layout, mapY);
    svg << "\"/>\n";
  }
}

void TextAt(Svg& svg, double x, double y, const char* attributes) {
  svg << "<text x=\"";
  svg.Px(x) << "\" y=\"";
  svg.Px(y) << "\"" << attributes << ">";
}

void Rect(Svg& svg, double x0, double y0, double x1, double y1, const char* attributes) {
  svg << "<rect x=\"";
  svg.Px(std::min(x0, x1)) << "\" y=\"";
  svg.Px(std::min(y0, y1)) << "\" width=\"";
  svg.Px(std::max(x0, x1) - std::min(x0, x1)) << "\" height=\"";
  svg.Px(std::max(y0, y1) - std::min(y0, y1)) << "\" " << attributes << "/>\n";
}

// "X 0 to 120" with the run log's three decimals.
void Range(Svg& svg, const char* axis, const PictureBox& box, int slot) {
  svg << axis << " ";
  svg.Fixed(box.minimum[static_cast<size_t>(slot)], 3) << " to ";
  svg.Fixed(box.maximum[static_cast<size_t>(slot)], 3);
}

void Header(Svg& svg, const SplitPicture& picture, double height) {
  char name[kPathField];
  CopyText(picture.ncFile(), name, sizeof name);
  BareFileName(name, sizeof name);
  svg << "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n";
  svg << "<svg xmlns=\"http://www.w3.org/2000/svg\" width=\"";
  svg.Px(kPageWidth) << "\" height=\"";
  svg.Px(height) << "\" viewBox=\"0 0 ";
  svg.Px(kPageWidth) << " ";
  svg.Px(height) << "\" font-family=\"Arial, Helvetica, sans-serif\" font-size=\"12\">\n";
  svg << "<title>Split of ";
  svg.Text(name) << "</title>\n";
  svg << "<rect width=\"100%\" height=\"100%\" fill=\"#ffffff\"/>\n";
  TextAt(svg, 20, 28, " font-size=\"18\" font-weight=\"bold\"");
  svg.Text(name) << ": " << picture.piecesWritten() << (picture.piecesWritten() == 1 ? " piece" : " pieces")
                 << "</text>\n";
  TextAt(svg, 20, 50, "");
  svg << "Cutting time ";
  svg.Fixed(picture.totalTime(), 3) << " min, cutting distance ";
  svg.Fixed(picture.totalDistance(), 3) << " mm</text>\n";
  if (picture.stock().any) {
    TextAt(svg, 20, 68, "");
    svg << "Stock (bounds of the cutting moves): ";
    Range(svg, "X", picture.stock(), 0);
    svg << ", ";
    Range(svg, "Y", picture.stock(), 1);
    svg << ", ";
    Range(svg, "Z", picture.stock(), 2);
    svg << " mm</text>\n";
  }
}

// Frames, captions and the axis figures of both views.
void Views(Svg& svg, const PictureLayout& layout) {
  const char* frame = "fill=\"none\" stroke=\"#cccccc\" stroke-width=\"1\"";
  svg << "<defs><clipPath id=\"side-view\">";
  Rect(svg, layout.left, layout.sideTop, layout.right, layout.sideBottom, "");
  svg << "</clipPath></defs>\n";
  svg << "<g id=\"views\">\n";
  Rect(svg, layout.left, layout.topTop, layout.right, layout.topBottom, frame);
  Rect(svg, layout.left, layout.sideTop, layout.right, layout.sideBottom, frame);
  TextAt(svg, layout.left, layout.topTop - 4, " font-weight=\"bold\"");
  svg << "Top view (X right, Y up)</text>\n";
  TextAt(svg, layout.left, layout.sideTop - 4, " font-weight=\"bold\"");
  svg << "Side view (X right, Z up)";
  if (layout.zScale > layout.scale * 1.001) {
    svg << ", Z stretched x";
    svg.Fixed(layout.zScale / layout.scale, 1);
  }
  if (layout.sideClipped) svg << ", cut off at the stock's heights";
  svg << "</text>\n";
  for (const AxisFigure& figure : AxisFigures(layout)) {
    TextAt(svg, figure.x + figure.dx, figure.y + figure.dy,
           figure.centred ? " text-anchor=\"middle\" font-size=\"10\" fill=\"#555555\""
                          : " text-anchor=\"end\" font-size=\"10\" fill=\"#555555\"");
    const char label[3] = {figure.axis, ' ', '\0'};
    svg << label;
    svg.Fixed(figure.value, 1) << "</text>\n";
  }
  svg << "</g>\n";
}

void Stock(Svg& svg, const SplitPicture& picture, const PictureLayout& layout) {
  const PictureBox& stock = picture.stock();
  if (!stock.any) return;
  const char* style = "fill=\"none\" stroke=\"#555555\" stroke-width=\"1\" stroke-dasharray=\"6 4\"";
  svg << "<g id=\"stock\">\n";
  Rect(svg, layout.X(stock.minimum[0]), layout.TopY(stock.minimum[1]), layout.X(stock.maximum[0]),
       layout.TopY(stock.maximum[1]), style);
  Rect(svg, layout.X(stock.minimum[0]), layout.SideY(stock.minimum[2]), layout.X(stock.maximum[0]),
       layout.SideY(stock.maximum[2]), style);
  svg << "</g>\n";
}

void Pieces(Svg& svg, const SplitPicture& picture, const PictureLayout& layout) {
  for (const PicturePiece& piece : picture.pieces()) {
    svg << "<g id=\"piece-" << piece.number << "\" fill=\"none\" stroke=\"";
    svg.Colour(PieceColour(piece.number)) << "\" stroke-linejoin=\"round\">\n";
    svg << "<title>Piece " << piece.number << ": ";
    svg.Fixed(piece.time, 3) << " min, ";
    svg.Fixed(piece.distance, 3) << " mm</title>\n";
    PiecePaths(svg, piece, layout, false, [&](const PicturePoint& p) { return layout.TopY(p.y); });
    PiecePaths(svg, piece, layout, true, [&](const PicturePoint& p) { return layout.SideY(p.z); });
    svg << "</g>\n";
  }
}

// A seam's mark: a circle where the next piece cuts the last move again, a square where it ends
// at a break (or before a cut) and nothing is cut twice.
void SeamMark(Svg& svg, double x, double y, int seam, uint32_t colour, bool clean = false) {
  if (clean) {
    svg << "<rect x=\"";
    svg.Px(x - kSeamRadius) << "\" y=\"";
    svg.Px(y - kSeamRadius) << "\" width=\"";
    svg.Px(2 * kSeamRadius) << "\" height=\"";
    svg.Px(2 * kSeamRadius) << "\" fill=\"#ffffff\" stroke=\"";
  } else {
    svg << "<circle cx=\"";
    svg.Px(x) << "\" cy=\"";
    svg.Px(y) << "\" r=\"";
    svg.Px(kSeamRadius) << "\" fill=\"#ffffff\" stroke=\"";
  }
  svg.Colour(colour) << "\" stroke-width=\"1.5\"/>\n";
  TextAt(svg, x, y + 3.5, " text-anchor=\"middle\" font-size=\"10\" font-weight=\"bold\"");
  svg << seam << "</text>\n";
}

void Seams(Svg& svg, const SplitPicture& picture, const PictureLayout& layout) {
  svg << "<g id=\"seams\">\n";
  // The start point: where every piece begins and ends.
  const std::vector<PicturePiece>& pieces = picture.pieces();
  if (!pieces.empty() && !pieces.front().points.empty()) {
    const PicturePoint& start = pieces.front().points.front();
    const char* cross = "stroke=\"#000000\" stroke-width=\"1.2\"";
    for (int view = 0; view < 2; ++view) {
      const double x = layout.X(start.x);
      const double y = view == 0 ? layout.TopY(start.y) : layout.SideYInFrame(start.z);
      svg << "<path " << cross << " d=\"M";
      svg.Px(x - 5) << " ";
      svg.Px(y - 5) << " L";
      svg.Px(x + 5) << " ";
      svg.Px(y + 5) << " M";
      svg.Px(x - 5) << " ";
      svg.Px(y + 5) << " L";
      svg.Px(x + 5) << " ";
      svg.Px(y - 5) << "\"/>\n";
      // Under the cross when above it would run into the view's caption.
      const double frameTop = view == 0 ? layout.topTop : layout.sideTop;
      TextAt(svg, x + 7, y - 6 < frameTop + 10 ? y + 14 : y - 6, " font-size=\"10\"");
      svg << "start";
      if (view == 1 && start.z > layout.box.maximum[2]) {
        svg << " Z";
        svg.Fixed(start.z, 3) << " (above)";
      }
      svg << "</text>\n";
    }
  }
  const PicturePiece* before = nullptr;
  for (const PicturePiece& piece : pieces) {
    const PicturePiece* previous = before;
    before = &piece;
    if (!piece.resumes) continue;
    const int seam = piece.number - 1;
    const bool clean = previous != nullptr && previous->number == seam && previous->endsClean;
    svg << "<g id=\"seam-" << seam << "\">\n<title>Seam " << seam << ": piece " << seam << " stops, piece "
        << piece.number << " resumes at X";
    svg.Fixed(piece.entry[0], 3) << " Y";
    svg.Fixed(piece.entry[1], 3) << " Z";
    svg.Fixed(piece.entry[2], 3);
    if (picture.factsKnown()) svg << (clean ? " (at a break: nothing cut twice)" : " (the last move cut again)");
    svg << "</title>\n";
    const uint32_t colour = PieceColour(piece.number);
    SeamMark(svg, layout.X(piece.entry[0]), layout.TopY(piece.entry[1]), seam, colour, clean);
    SeamMark(svg, layout.X(piece.entry[0]), layout.SideYInFrame(piece.entry[2]), seam, colour, clean);
    svg << "</g>\n";
  }
  svg << "</g>\n";
}

// The legend's rows; returns the y under the last one.
double Legend(Svg& svg, const SplitPicture& picture) {
  svg << "<g id=\"legend\">\n";
  double y = kLegendTop;
  TextAt(svg, kLegendLeft, y, " font-weight=\"bold\"");
  svg << "Piece</text>\n";
  // With the pieces' sizes a fourth column: the others closer together.
  const bool sizes = picture.factsKnown();
  const double timeRight = kLegendLeft + (sizes ? 110 : 130);
  const double distanceRight = kLegendLeft + (sizes ? 200 : 260);
  const double sizeRight = kLegendLeft + 282;
  TextAt(svg, timeRight, y, " font-weight=\"bold\" text-anchor=\"end\"");
  svg << "Cutting time</text>\n";
  TextAt(svg, distanceRight, y, " font-weight=\"bold\" text-anchor=\"end\"");
  svg << "Distance</text>\n";
  if (sizes) {
    TextAt(svg, sizeRight, y, " font-weight=\"bold\" text-anchor=\"end\"");
    svg << "Size</text>\n";
  }
  for (const PicturePiece& piece : picture.pieces()) {
    y += kLegendRow;
    svg << "<rect x=\"";
    svg.Px(kLegendLeft) << "\" y=\"";
    svg.Px(y - 10) << "\" width=\"12\" height=\"12\" fill=\"";
    svg.Colour(PieceColour(piece.number)) << "\"/>\n";
    TextAt(svg, kLegendLeft + 18, y, "");
    svg << piece.number << "</text>\n";
    TextAt(svg, timeRight, y, " text-anchor=\"end\"");
    svg.Fixed(piece.time, 3) << " min</text>\n";
    TextAt(svg, distanceRight, y, " text-anchor=\"end\"");
    svg.Fixed(piece.distance, 3) << " mm</text>\n";
    if (sizes && piece.bytes >= 0) {
      TextAt(svg, sizeRight, y, " text-anchor=\"end\"");
      svg << piece.bytes << " B</text>\n";
    }
  }
  const int hidden = picture.piecesWritten() - static_cast<int>(picture.pieces().size());
  if (hidden > 0) {
    y += kLegendRow;
    TextAt(svg, kLegendLeft, y, "");
    svg << "and " << hidden << " more pieces, not drawn</text>\n";
  }
  // The key.
  y += kLegendRow * 1.5;
  struct KeyLine {
    const char* stroke;
    const char* text;
  };
  static constexpr KeyLine kKey[] = {
      {"stroke=\"#000000\" stroke-width=\"1.4\"", "cutting (colour of its piece)"},
      {"stroke=\"#9a9a9a\" stroke-width=\"0.6\"", "rapid of the program"},
      {"stroke=\"#9a9a9a\" stroke-width=\"0.8\" stroke-dasharray=\"4 3\"", "seam move added by the split"},
      {"stroke=\"#555555\" stroke-width=\"1\" stroke-dasharray=\"6 4\"", "stock: bounds of the cutting"},
  };
  for (const KeyLine& line : kKey) {
    y += kLegendRow;
    svg << "<path " << line.stroke << " d=\"M";
    svg.Px(kLegendLeft) << " ";
    svg.Px(y - 4) << " L";
    svg.Px(kLegendLeft + 24) << " ";
    svg.Px(y - 4) << "\"/>\n";
    TextAt(svg, kLegendLeft + 32, y, "");
    svg << line.text << "</text>\n";
  }
  y += kLegendRow;
  SeamMark(svg, kLegendLeft + 12, y - 4, 1, 0x000000);
  TextAt(svg, kLegendLeft + 32, y, "");
  svg << "seam K: piece K stops, K+1 resumes</text>\n";
  if (picture.factsKnown()) {
    svg << "<text x=\"";
    svg.Px(kLegendLeft + 32) << "\" y=\"";
    svg.Px(y + 14) << "\" font-size=\"10\">(cutting its last move again)</text>\n";
    y += kLegendRow * 1.5;
    SeamMark(svg, kLegendLeft + 12, y - 4, 1, 0x000000, true);
    TextAt(svg, kLegendLeft + 32, y, "");
    svg << "seam at a break: nothing cut twice</text>\n";
  }
  svg << "</g>\n";
  return y + kLegendRow;
}

}  // namespace

int SplitPicturePath(const char* ncFile, char* out, size_t size) {
  if (size > 0) out[0] = '\0';
  char path[kPathField];
  if (SuffixPath(ncFile, kPictureSuffix, path, sizeof path) != kNamingOk || std::strlen(path) >= size) {
    return kPicturePathTooLong;
  }
  // The split's own files, as the driver names them.
  const TextSetting* suffixes[] = {&kAsciiFileSetting, &kSplitHeaderSuffixSetting, &kSplitFooterSuffixSetting};
  bool taken = SamePath(path, ncFile) || IsPiecePath(ncFile, path);
  for (const TextSetting* setting : suffixes) {
    char suffix[64];
    char derived[kPathField];
    ReadSettingText(*setting, suffix, sizeof suffix);
    if (SuffixPath(ncFile, suffix, derived, sizeof derived) == kNamingOk && SamePath(path, derived)) taken = true;
  }
  if (taken) return kPicturePathTaken;
  std::memcpy(out, path, std::strlen(path) + 1);
  return kPicturePathOk;
}

std::string SplitSvgText(const SplitPicture& picture) {
  const PictureLayout layout = LayOutPicture(picture.extents(), picture.stock(),
                                             PictureArea{kViewsLeft, kViewsTop + 16, kViewsWidth, kViewsHeight - 16, kViewsGap});
  // The legend is drawn first into a text of its own: its length sets the page's height.
  Svg legend;
  const double legendBottom = Legend(legend, picture);
  const double height = std::max(kViewsTop + kViewsHeight + 40, legendBottom + 20);

  Svg svg;
  Header(svg, picture, height);
  Views(svg, layout);
  Stock(svg, picture, layout);
  Pieces(svg, picture, layout);
  Seams(svg, picture, layout);
  svg << legend.text();
  svg << "</svg>\n";
  return svg.text();
}

int WriteSplitSvg(const SplitPicture& picture, const char* path) {
  const std::string text = SplitSvgText(picture);
  platform::FileHandle file(path, "wb");
  if (!file) return kSvgNotWritten;
  const bool written = platform::WriteBytes(file.get(), text.data(), text.size());
  if (!file.Close() || !written) {
    platform::RemoveFile(path);
    return kSvgNotWritten;
  }
  return kSvgWritten;
}
