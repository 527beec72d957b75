// The picture of a split of a long program from the benchmark generator: each piece stays within
// its share of points however many moves it holds, and the SVG stays well-formed and small. The
// program is made by bench/generate_program.py, so this runs where Python does (not under Wine).
#ifndef _WIN32

#include <gtest/gtest.h>

#include <cstdlib>
#include <string>

#include "config/settings.h"
#include "picture/split_picture.h"
#include "picture/split_svg.h"
#include "split/split_driver.h"
#include "support/fake_platform.h"
#include "support/temp_dir.h"
#include "support/xml_check.h"

namespace {

// Lines of the generated program: some 60 000 moves, far beyond a piece's share of 4 000 points,
// and still a fraction of a second to make and split.
constexpr int kLines = 60000;

TEST(PictureOfALongProgram, EveryPieceStaysWithinItsShare) {
  TempDir dir;
  const std::string program = dir.Path("LONG.NC");
  const std::string command = "python3 " + ShellQuoted(std::string(QX_SOURCE_DIR) + "/bench/generate_program.py") +
                              " " + std::to_string(kLines) + " " + ShellQuoted(program) + " >/dev/null 2>&1";
  if (std::system(command.c_str()) != 0) GTEST_SKIP() << "no python3 to generate the program";

  FakePlatform fake;
  fake.executablePath = dir.Path("quendrix");
  dir.Write("Quendrix.ini", "[COMMAND]\r\nMODE=1\r\n");
  StartSettings();

  SplitPicture picture;
  picture.Begin(program.c_str());
  SplitJob job{program.c_str(), 10, 1000, {0, 0, 100}};
  ReadCommandSettings(&job.settings);
  job.observer = &picture;
  const int result = SplitProgram(nullptr, job);
  gSettingsPath[0] = '\0';
  gProgramDirectory[0] = '\0';
  ASSERT_EQ(result, kSplitDone);

  ASSERT_GE(picture.pieces().size(), 2u);
  long long moves = 0;
  for (const PicturePiece& piece : picture.pieces()) {
    moves += piece.moves;
    EXPECT_LE(piece.points.size(), picture.PieceShare()) << piece.number;
    // Every piece but the rest at the end held far more moves than points: it was simplified.
    if (piece.number < picture.piecesWritten()) {
      EXPECT_GT(piece.moves, static_cast<long long>(kPictureLimits.pointsPerPiece)) << piece.number;
      EXPECT_GT(piece.tolerance, 0.0) << piece.number;
    }
  }
  EXPECT_GT(moves, kLines / 2);
  EXPECT_LE(picture.pointCount(), static_cast<size_t>(kPictureLimits.points));

  const std::string svg = SplitSvgText(picture);
  const XmlDocument doc = ParseXml(svg);
  ASSERT_EQ(doc.error, "");
  size_t groups = 0;
  for (const XmlElement* g : doc.All("g"))
    if (g->attributes.count("id") && g->attributes.at("id").rfind("piece-", 0) == 0) ++groups;
  EXPECT_EQ(groups, picture.pieces().size());
  // Two views of at most the points kept, some 14 bytes a point, and the rest.
  EXPECT_LT(svg.size(), 2 * 14 * picture.pointCount() + 20000);
}

}  // namespace

#endif  // _WIN32
