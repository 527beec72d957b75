// The picture of a split: what the piece writer tells its observer, how a picture collects it
// (arcs, kinds, seams, totals, bounds) and how it keeps its points within bounds.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <string>
#include <vector>

#include "config/settings.h"
#include "nc/format.h"
#include "picture/split_picture.h"
#include "split/intermediate.h"
#include "split/piece_writer.h"
#include "split/split_driver.h"
#include "support/picture_split.h"
#include "support/temp_dir.h"

namespace {

Position At(double x, double y, double z) { return Position{x, y, z, 0, 0, 0, 0, 0}; }

MoveRecord Rec(int motion, double x, double y, double z, double feed = 400) {
  MoveRecord record{};
  record.motion = motion;
  record.plane = 17;
  record.at = At(x, y, z);
  record.feed = feed;
  return record;
}

// Everything an observer is told, as text lines.
class Recorder : public PieceObserver {
 public:
  void PieceOpened(int number, const Position& entry) override {
    lines.push_back("open " + std::to_string(number) + " " + Xyz(entry));
  }
  void MoveWritten(const WrittenMove& move) override {
    lines.push_back(std::string(move.origin == kSeamMove ? "seam" : "prog") + " G" + std::to_string(move.motion) +
                    " " + Xyz(move.from) + " > " + Xyz(move.to));
  }
  void PieceClosed(int number, double time, double distance) override {
    lines.push_back("close " + std::to_string(number) + " " + Number(time) + " " + Number(distance));
  }
  std::vector<std::string> lines;

 private:
  static std::string Number(double value) {
    char text[32];
    std::snprintf(text, sizeof text, "%g", value);
    return text;
  }
  static std::string Xyz(const Position& p) { return Number(p[kX]) + "," + Number(p[kY]) + "," + Number(p[kZ]); }
};

TEST(PieceObserver, IsToldOfEveryWrittenBlockWithItsOrigin) {
  TempDir dir;
  dir.Write("H.NC", "%\r\n");
  dir.Write("F.NC", "M30\r\n");
  const std::string header = dir.Path("H.NC"), footer = dir.Path("F.NC"), path = dir.Path("P.NC");
  Recorder recorder;
  PieceSettings settings{"P.NC",     header.c_str(),   footer.c_str(), "G0X0Y0Z50", {0, 0, 50},
                         {10, 1, 0.5, 1.0}, FormatSettings{3, 0}, kMillimetres, UnstatedMachine(),
                         &recorder};
  PieceWriter writer(settings);
  ASSERT_EQ(writer.Open(2, path.c_str(), At(20, 30, -2)), kPieceWritten);
  writer.Approach(At(20, 30, -2), 400);
  writer.WriteMove(Rec(1, 45, 30, -2));
  writer.WriteMove(Rec(1, 45, 30.0001, -2));  // within the rounding of every axis: no block
  writer.WriteMove(Rec(1, 45, 60, -2));
  writer.WriteMove(Rec(1, 20, 60, -2));
  ASSERT_EQ(writer.Close(1.5, 250), kPieceWritten);
  EXPECT_EQ(recorder.lines, (std::vector<std::string>{
                                "open 2 20,30,-2",
                                "seam G0 0,0,50 > 20,30,50",    // above the seam at the start height
                                "seam G0 20,30,50 > 20,30,8",   // down to the approach height
                                "seam G1 20,30,8 > 20,30,-2",   // the plunge
                                "prog G1 20,30,-2 > 45,30,-2",  // the record cut again
                                "prog G1 45,30.0001,-2 > 45,60,-2",
                                "prog G1 45,60,-2 > 20,60,-2",  // the record that ends the piece
                                "seam G1 20,60,-2 > 20,60,-1",  // lift
                                "seam G0 20,60,-1 > 20,60,50",  // retract
                                "seam G0 20,60,50 > 0,0,50",    // return
                                "close 2 1.5 250",
                            }));
}

using PictureOfASplit = PictureSplitTest;

bool Has(const PicturePiece& piece, const std::array<double, 3>& p) {
  return std::any_of(piece.points.begin(), piece.points.end(),
                     [&](const PicturePoint& q) { return q.x == p[0] && q.y == p[1] && q.z == p[2]; });
}

TEST_F(PictureOfASplit, SeamsAreWherePiecesMeetAndTotalsAreTheLogs) {
  SplitPicture picture;
  picture.Begin("PART.NC");
  ASSERT_EQ(Split(ZigzagProgram(), 5, 10, &picture), kSplitDone);
  const std::vector<PicturePiece>& pieces = picture.pieces();
  ASSERT_EQ(pieces.size(), 3u);
  EXPECT_EQ(picture.piecesWritten(), 3);
  double time = 0;
  for (size_t i = 0; i < pieces.size(); ++i) {
    const PicturePiece& piece = pieces[i];
    EXPECT_EQ(piece.number, static_cast<int>(i) + 1);
    EXPECT_TRUE(piece.closed);
    time += piece.time;
    // Every piece starts and ends at the start point.
    ASSERT_GE(piece.points.size(), 3u);
    EXPECT_EQ(Has(piece, {0, 0, 50}), true);
    EXPECT_EQ(piece.points.back().x, 0);
    EXPECT_EQ(piece.points.back().z, 50);
    if (i == 0) {
      EXPECT_FALSE(piece.resumes);
      continue;
    }
    // The seam: where the previous piece's last own move began, which this piece cuts again
    // first. Both pieces hold it exactly; here the seam moves end and cutting begins.
    ASSERT_TRUE(piece.resumes);
    EXPECT_TRUE(Has(pieces[i - 1], piece.entry));
    auto at = std::find_if(piece.points.begin(), piece.points.end(), [&](const PicturePoint& q) {
      return q.x == piece.entry[0] && q.y == piece.entry[1] && q.z == piece.entry[2];
    });
    ASSERT_NE(at, piece.points.end());
    EXPECT_TRUE(at->fixed);
    EXPECT_EQ(at->kind, kPathSeam);
    ASSERT_NE(at + 1, piece.points.end());
    EXPECT_EQ((at + 1)->kind, kPathCut);
  }
  // The totals are the ones the run log reports for each piece.
  for (const PicturePiece& piece : pieces) {
    char line[200], distance[64], minutes[64];
    FormatFixed(piece.distance, distance, 3);
    FormatFixed(piece.time, minutes, 3);
    std::snprintf(line, sizeof line, "　　　加工情報 [ %02d ] 距離 = %-12s　時間 = %s", piece.number, distance, minutes);
    EXPECT_NE(std::find(fake.logLines().begin(), fake.logLines().end(), std::string(line)), fake.logLines().end())
        << line;
  }
  EXPECT_NEAR(picture.totalTime(), time, 1e-9);
  // The stock is the cutting's bounds; the extents reach the start height.
  EXPECT_EQ(picture.stock().minimum, (std::array<double, 3>{0, 0, 0}));
  EXPECT_EQ(picture.stock().maximum, (std::array<double, 3>{105, 106, 5}));  // the half circle's
  EXPECT_EQ(picture.extents().maximum[2], 50);
}

// Feeds a picture the moves of one piece directly.
void Feed(SplitPicture* picture, const std::vector<WrittenMove>& moves) {
  for (const WrittenMove& move : moves) picture->MoveWritten(move);
}

WrittenMove Line(const Position& from, const Position& to, int motion = 1, int origin = kProgramMove) {
  return WrittenMove{from, to, motion, 17, 0, origin};
}

WrittenMove Arc(const Position& from, const Position& to, int motion, int plane, int flags = 0) {
  return WrittenMove{from, to, motion, plane, flags, kProgramMove};
}

Position Centre(Position p, double i, double j, double k, double r = 0) {
  p[kI] = i, p[kJ] = j, p[kK] = k, p[kR] = r;
  return p;
}

struct ArcCase {
  const char* name;
  WrittenMove move;
  int axisA, axisB;      // the plane's axes
  double centreA, centreB, radius;
  int across;            // the axis across the plane
  double acrossValue;
  int bulge;             // an axis the arc bulges into, and its sign there (0: both sides, a
  double bulgeSign;      // whole circle, which reaches +radius)
  int leastPoints;       // points the arc is drawn with at least
};

TEST(SplitPicture, ArcsAreDrawnOnTheirCircleInTheirPlaneAndSense) {
  const ArcCase cases[] = {
      // G17 G03 full circle of radius 10 around the origin: 36 chords.
      {"full circle", Arc(At(10, 0, -1), Centre(At(10, 0, -1), -10, 0, 0), 3, 17, kFullCircle), kX, kY, 0, 0, 10,
       kZ, -1, kY, 0, 36},
      // G17 G02 from (10, 0) to (-10, 0) around the origin: clockwise goes through Y -10.
      {"clockwise half", Arc(At(10, 0, -1), Centre(At(-10, 0, -1), -10, 0, 0), 2, 17), kX, kY, 0, 0, 10, kZ, -1,
       kY, -1, 18},
      // G18 G02 from X10 to X-10 around X0 Z0: clockwise seen from +Y goes over the top (Z +10).
      {"G18", Arc(At(10, 5, 0), Centre(At(-10, 5, 0), -10, 0, 0), 2, 18), kX, kZ, 0, 0, 10, kY, 5, kZ, 1, 18},
      // G19 G03 from Y10 to Y-10 around Y0 Z0: counter-clockwise seen from +X goes over the top.
      {"G19", Arc(At(3, 10, 0), Centre(At(3, -10, 0), 0, -10, 0), 3, 19), kY, kZ, 0, 0, 10, kX, 3, kZ, 1, 18},
      // G17 G02 R10 quarter from (0, -10) to (-10, 0): centre at the origin (the short way).
      {"radius form", Arc(At(0, -10, 0), Centre(At(-10, 0, 0), 0, 0, 0, 10), 2, 17, kRadiusForm), kX, kY, 0, 0, 10,
       kZ, 0, kX, -1, 9},
  };
  for (const ArcCase& c : cases) {
    SCOPED_TRACE(c.name);
    SplitPicture picture;
    picture.Begin("ARC.NC");
    picture.PieceOpened(1, At(0, 0, 0));
    picture.MoveWritten(c.move);
    const std::vector<PicturePoint>& points = picture.pieces()[0].points;
    EXPECT_GE(static_cast<int>(points.size()), c.leastPoints + 1);
    bool bulges = false;
    for (const PicturePoint& p : points) {
      const double xyz[3] = {p.x, p.y, p.z};
      EXPECT_NEAR(std::hypot(xyz[c.axisA] - c.centreA, xyz[c.axisB] - c.centreB), c.radius, 1e-9);
      EXPECT_EQ(xyz[c.across], c.acrossValue);
      const double sign = c.bulgeSign == 0 ? 1 : c.bulgeSign;
      if (c.bulgeSign != 0) {
        EXPECT_GE(xyz[c.bulge] * sign, -1e-9);
      }
      bulges = bulges || xyz[c.bulge] * sign > c.radius * 0.99;
    }
    EXPECT_TRUE(bulges);
    EXPECT_EQ(points.back().x, c.move.to[kX]);
    EXPECT_EQ(points.back().y, c.move.to[kY]);
    EXPECT_EQ(points.back().z, c.move.to[kZ]);
    // The stock takes the arc as drawn, not only its ends.
    EXPECT_NEAR(std::fabs(c.bulgeSign >= 0 ? picture.stock().maximum[static_cast<size_t>(c.bulge)]
                                          : picture.stock().minimum[static_cast<size_t>(c.bulge)]),
                c.radius, 1e-9);
  }
}

// The distance from `p` to the polyline `points`.
double DistanceToPolyline(const PicturePoint& p, const std::vector<PicturePoint>& points) {
  double best = 1e300;
  for (size_t i = 1; i < points.size(); ++i) {
    const PicturePoint& a = points[i - 1];
    const PicturePoint& b = points[i];
    const double dx = b.x - a.x, dy = b.y - a.y, dz = b.z - a.z;
    const double l2 = dx * dx + dy * dy + dz * dz;
    double t = l2 > 0 ? ((p.x - a.x) * dx + (p.y - a.y) * dy + (p.z - a.z) * dz) / l2 : 0;
    t = std::clamp(t, 0.0, 1.0);
    best = std::min(best, std::hypot(p.x - a.x - t * dx, p.y - a.y - t * dy, p.z - a.z - t * dz));
  }
  return best;
}

TEST(SplitPicture, ALongRunOfShortMovesStaysWithinTheShareAndNearThePath) {
  SplitPicture picture(PictureLimits{4, 800, 200});
  picture.Begin("SPIRAL.NC");
  picture.PieceOpened(1, At(0, 0, 0));
  // A descending spiral of 20 000 moves of about 0.3 mm, then a rapid up and back.
  std::vector<PicturePoint> path;
  Position at = At(0, 0, 50);
  Position previous = at;
  std::vector<WrittenMove> moves;
  for (int i = 0; i <= 20000; ++i) {
    const double angle = i * 0.01;
    const double radius = 5 + i * 0.002;
    at = At(radius * std::cos(angle), radius * std::sin(angle), -i * 0.0005);
    moves.push_back(Line(previous, at, i == 0 ? 0 : 1));
    path.push_back(PicturePoint{at[kX], at[kY], at[kZ], kPathCut, false});
    previous = at;
  }
  moves.push_back(Line(previous, At(0, 0, 50), 0, kSeamMove));
  Feed(&picture, moves);
  picture.PieceClosed(1, 3.5, 1234.5);

  const PicturePiece& piece = picture.pieces().at(0);
  EXPECT_LE(piece.points.size(), 200u);
  EXPECT_GT(piece.points.size(), 20u);
  EXPECT_EQ(piece.moves, 20002);
  EXPECT_GT(piece.tolerance, 0.0);
  // Simplified again and again, every point of the path still lies within twice the tolerance
  // reached of what is drawn.
  double worst = 0;
  for (const PicturePoint& p : path) worst = std::max(worst, DistanceToPolyline(p, piece.points));
  EXPECT_LE(worst, 2 * piece.tolerance);
  // The ends are kept exactly.
  EXPECT_EQ(piece.points.front().z, 50);
  EXPECT_EQ(piece.points[piece.points.size() - 2].x, previous[kX]);
  EXPECT_EQ(piece.points[piece.points.size() - 2].y, previous[kY]);
  EXPECT_EQ(piece.points.back().kind, kPathSeam);
}

TEST(SplitPicture, ManyPiecesShareTheBudgetAndLaterOnesAreOnlyCounted) {
  const PictureLimits limits{6, 600, 300};
  SplitPicture picture(limits);
  picture.Begin("MANY.NC");
  for (int number = 1; number <= 9; ++number) {
    picture.PieceOpened(number, At(number, 0, 0));
    Position previous = At(0, 0, 50);
    for (int i = 0; i < 3000; ++i) {
      // A zigzag whose every corner matters at first.
      Position next = At(i * 0.1, (i % 2) * 0.05 * number, -1);
      picture.MoveWritten(Line(previous, next));
      previous = next;
    }
    picture.PieceClosed(number, 1, 100);
    EXPECT_LE(picture.pointCount(), static_cast<size_t>(limits.points)) << number;
    for (const PicturePiece& piece : picture.pieces()) EXPECT_LE(piece.points.size(), picture.PieceShare());
  }
  EXPECT_EQ(picture.piecesWritten(), 9);
  EXPECT_EQ(picture.pieces().size(), 6u);
  EXPECT_EQ(picture.totalTime(), 9);
  // The moves of the pieces not kept still count in the bounds.
  EXPECT_NEAR(picture.stock().maximum[1], 0.45, 1e-12);
}

TEST(SplitPicture, RapidsStayApartFromCuttingWhileThereIsRoomAndMergeWhenThereIsNot) {
  // 40 holes: rapid over, plunge, rapid up. 120 changes of kind.
  auto Drill = [](SplitPicture* picture) {
    picture->PieceOpened(1, At(0, 0, 0));
    Position at = At(0, 0, 50);
    for (int hole = 0; hole < 40; ++hole) {
      const double x = hole * 5.0;
      picture->MoveWritten(Line(at, At(x, 0, 5), 0));
      picture->MoveWritten(Line(At(x, 0, 5), At(x, 0, -10), 1));
      picture->MoveWritten(Line(At(x, 0, -10), At(x, 0, 5), 0));
      at = At(x, 0, 5);
    }
    picture->PieceClosed(1, 1, 1);
  };
  SplitPicture roomy(PictureLimits{1, 1000, 1000});
  roomy.Begin("DRILL.NC");
  Drill(&roomy);
  int cuts = 0;
  for (const PicturePoint& p : roomy.pieces()[0].points) cuts += p.kind == kPathCut;
  EXPECT_EQ(cuts, 40);

  SplitPicture tight(PictureLimits{1, 60, 60});
  tight.Begin("DRILL.NC");
  Drill(&tight);
  const PicturePiece& piece = tight.pieces()[0];
  EXPECT_LE(piece.points.size(), 60u);
  EXPECT_TRUE(piece.kindsMerged);
}

TEST(PieceColour, NeighboursDiffer) {
  for (int number = 1; number < 40; ++number) EXPECT_NE(PieceColour(number), PieceColour(number + 1));
  EXPECT_EQ(PieceColour(1), PieceColour(13));
}

TEST(LayOutPicture, SharesXKeepsProportionsAndStretchesAFlatSide) {
  PictureBox box;
  box.Add(0, 0, -10);
  box.Add(100, 50, 10);
  PictureLayout layout = LayOutPicture(box, box, PictureArea{0, 0, 1000, 800, 40});
  EXPECT_DOUBLE_EQ(layout.zScale, layout.scale);
  EXPECT_FALSE(layout.sideClipped);
  EXPECT_LE(layout.right, 1000.0 + 1e-9);
  EXPECT_LE(layout.sideBottom, 800.0 + 1e-9);
  EXPECT_NEAR(layout.X(50), 500, 1e-9);          // centred
  EXPECT_LT(layout.TopY(50), layout.TopY(0));     // Y up
  EXPECT_LT(layout.SideY(10), layout.SideY(-10));  // Z up
  EXPECT_GT(layout.sideTop, layout.topBottom);

  // A flat part with a start point high above: the side view keeps to the stock's heights and
  // is stretched to a fifth of the height.
  PictureBox stock;
  stock.Add(0, 0, -1);
  stock.Add(300, 200, 0);
  PictureBox all = stock;
  all.Add(0, 0, 100);
  layout = LayOutPicture(all, stock, PictureArea{0, 0, 1000, 800, 40});
  EXPECT_TRUE(layout.sideClipped);
  EXPECT_GT(layout.zScale, layout.scale);
  EXPECT_NEAR(layout.sideBottom - layout.sideTop, (800 - 40) / 5.0, 1e-9);
  EXPECT_LT(layout.box.maximum[2], 1);
}

}  // namespace
