// The SVG file of a split's picture: well-formed XML in valid UTF-8 whatever the program's name,
// one group per piece, the seams where the pieces meet, its name next to the program and never
// on a file of the program or its split.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "config/settings.h"
#include "picture/split_picture.h"
#include "picture/split_svg.h"
#include "platform/platform.h"
#include "split/split_driver.h"
#include "support/picture_split.h"
#include "support/file_faults.h"
#include "support/temp_dir.h"
#include "support/xml_check.h"

namespace {

TEST(XmlChecker, TellsWellFormedFromBroken) {
  EXPECT_EQ(ParseXml("<?xml version=\"1.0\"?>\n<a x=\"1\"><b/>t&amp;t</a>\n").error, "");
  for (const char* bad : {"<a><b></a></b>", "<a>x & y</a>", "<a x=\"<\"/>", "<a>", "<a/><b/>", "<a x=1/>",
                          "<a>&nbsp;</a>", "<a>\x01</a>", "<a>\xE9</a>", "text<a/>"}) {
    EXPECT_NE(ParseXml(bad).error, "") << bad;
  }
}

// --- The file ------------------------------------------------------------------------------------

class SvgTest : public PictureSplitTest {
 protected:
  void SplitZigzag() {
    picture.Begin(dir.Path("PART.NC").c_str());
    ASSERT_EQ(Split(ZigzagProgram(), 5, 10, &picture), kSplitDone);
  }

  SplitPicture picture;
};

// The vertices of a path's data ("M x y L x y ...").
std::vector<std::pair<double, double>> Vertices(const std::string& data) {
  std::vector<std::pair<double, double>> points;
  const char* p = data.c_str();
  while (*p != '\0') {
    if (*p == 'M' || *p == 'L' || *p == ' ') {
      ++p;
      continue;
    }
    char* end;
    const double x = std::strtod(p, &end);
    const double y = std::strtod(end, &end);
    if (end == p) break;
    points.emplace_back(x, y);
    p = end;
  }
  return points;
}

bool HasVertexNear(const XmlElement& path, double x, double y) {
  for (const auto& [vx, vy] : Vertices(path.attributes.at("d")))
    if (std::fabs(vx - x) <= 0.051 && std::fabs(vy - y) <= 0.051) return true;
  return false;
}

TEST_F(SvgTest, ASmallSplitIsWellFormedWithOneGroupPerPieceAndItsSeamsWhereThePiecesMeet) {
  SplitZigzag();
  ASSERT_EQ(picture.pieces().size(), 3u);
  const std::string svg = SplitSvgText(picture);
  const XmlDocument doc = ParseXml(svg);
  ASSERT_EQ(doc.error, "") << svg.substr(0, 2000);
  ASSERT_EQ(doc.elements.front().name, "svg");
  EXPECT_EQ(doc.elements.front().attributes.at("xmlns"), "http://www.w3.org/2000/svg");

  // Exactly one group per piece, in order; each draws its cutting in both views.
  std::vector<const XmlElement*> pieces;
  std::map<std::string, int> ids;
  for (const XmlElement* g : doc.All("g")) {
    auto id = g->attributes.find("id");
    if (id == g->attributes.end()) continue;
    ++ids[id->second];
    if (id->second.rfind("piece-", 0) == 0) pieces.push_back(g);
  }
  for (const auto& [id, count] : ids) EXPECT_EQ(count, 1) << id;
  ASSERT_EQ(pieces.size(), 3u);
  for (int i = 0; i < 3; ++i) EXPECT_EQ(pieces[static_cast<size_t>(i)]->attributes.at("id"), "piece-" + std::to_string(i + 1));

  // The paths of each piece, by class, in document order after its group.
  auto PathOf = [&](int piece, const std::string& cls) -> const XmlElement* {
    bool inside = false;
    for (const XmlElement& e : doc.elements) {
      if (e.name == "g") inside = e.attributes.count("id") && e.attributes.at("id") == "piece-" + std::to_string(piece);
      if (inside && e.name == "path" && e.attributes.at("class") == cls) return &e;
    }
    return nullptr;
  };
  for (int piece = 1; piece <= 3; ++piece) {
    EXPECT_NE(PathOf(piece, "cut top"), nullptr) << piece;
    EXPECT_NE(PathOf(piece, "cut side"), nullptr) << piece;
    if (piece > 1) {
      EXPECT_NE(PathOf(piece, "seam-move top"), nullptr) << piece;
    }
  }

  // Each seam is marked in both views where the pieces on both sides of it cut.
  for (int seam = 1; seam <= 2; ++seam) {
    const XmlElement* group = nullptr;
    size_t at = 0;
    for (size_t i = 0; i < doc.elements.size(); ++i) {
      auto id = doc.elements[i].attributes.find("id");
      if (doc.elements[i].name == "g" && id != doc.elements[i].attributes.end() && id->second == "seam-" + std::to_string(seam)) {
        group = &doc.elements[i];
        at = i;
      }
    }
    ASSERT_NE(group, nullptr) << seam;
    std::vector<const XmlElement*> circles;
    for (size_t i = at + 1; i < doc.elements.size() && doc.elements[i].depth > group->depth; ++i) {
      if (doc.elements[i].name == "circle") circles.push_back(&doc.elements[i]);
      if (doc.elements[i].name == "text") {
        EXPECT_EQ(doc.elements[i].text, std::to_string(seam));
      }
    }
    ASSERT_EQ(circles.size(), 2u);
    const char* views[2] = {"cut top", "cut side"};
    for (int view = 0; view < 2; ++view) {
      const double cx = std::strtod(circles[static_cast<size_t>(view)]->attributes.at("cx").c_str(), nullptr);
      const double cy = std::strtod(circles[static_cast<size_t>(view)]->attributes.at("cy").c_str(), nullptr);
      EXPECT_TRUE(HasVertexNear(*PathOf(seam, views[view]), cx, cy)) << "seam " << seam << " " << views[view];
      EXPECT_TRUE(HasVertexNear(*PathOf(seam + 1, views[view]), cx, cy)) << "seam " << seam << " " << views[view];
    }
  }
  EXPECT_EQ(doc.All("title").front()->text, "Split of PART.NC");
}

// Every build draws the same picture to the byte: the arcs come from the portable arctangent and
// plain arithmetic, the numbers from the project's formatter. The expected file was written by
// the Linux build (QX_UPDATE_GOLDEN set writes it again, as for the golden cases).
// Told of each piece's end and size (under the seam policies, SIZE and --pieces), the picture marks
// a seam where nothing is cut twice with a square and one that cuts the last move again with a
// circle, and gives each piece's size; untold (SEAM=cut), neither.
TEST_F(SvgTest, SeamsAtBreaksAreSquaresAndThePiecesShowTheirSizes) {
  SplitPicture told;
  told.Begin(dir.Path("PART.NC").c_str());
  const double entries[3][3] = {{0, 0, 50}, {10, 0, 50}, {20, 0, -1}};
  for (int number = 1; number <= 3; ++number) {
    Position entry{};
    for (int axis = 0; axis < 3; ++axis) entry[axis] = entries[number - 1][axis];
    told.PieceOpened(number, entry);
    Position from = entry;
    Position to = entry;
    to[kX] += 5;
    told.MoveWritten(WrittenMove{from, to, 1, 17, 0, kProgramMove});
    told.PieceClosed(number, 1, 5);
    told.PieceFacts(number, number == 1, 1000 + number);
  }
  const std::string svg = SplitSvgText(told);
  const XmlDocument doc = ParseXml(svg);
  ASSERT_EQ(doc.error, "");
  // Seam 1 (after piece 1, which ended at a break) in both views as squares, seam 2 as circles.
  int inSeam = 0;
  int squares[3] = {};
  int circles[3] = {};
  for (const XmlElement& e : doc.elements) {
    if (e.name == "g" && e.attributes.count("id")) {
      const std::string& id = e.attributes.at("id");
      inSeam = id.rfind("seam-", 0) == 0 ? std::atoi(id.c_str() + 5) : 0;
    }
    if (inSeam > 0 && inSeam < 3 && e.name == "rect") ++squares[inSeam];
    if (inSeam > 0 && inSeam < 3 && e.name == "circle") ++circles[inSeam];
  }
  EXPECT_EQ(squares[1], 2);
  EXPECT_EQ(circles[1], 0);
  EXPECT_EQ(squares[2], 0);
  EXPECT_EQ(circles[2], 2);
  for (const char* size : {">1001 B<", ">1002 B<", ">1003 B<", ">Size<"}) {
    EXPECT_NE(svg.find(size), std::string::npos) << size;
  }

  SplitZigzag();  // untold
  const std::string plain = SplitSvgText(picture);
  EXPECT_EQ(plain.find(">Size<"), std::string::npos);
  EXPECT_EQ(plain.find("nothing cut twice"), std::string::npos);
}

TEST_F(SvgTest, EveryBuildWritesTheSameBytes) {
  SplitZigzag();
  const std::string expectedPath = std::string(QX_SOURCE_DIR) + "/tests/data/picture/PART_split.svg";
  const std::string svg = SplitSvgText(picture);
#ifndef _WIN32
  if (std::getenv("QX_UPDATE_GOLDEN") != nullptr) WriteFileBytes(expectedPath, svg);
#endif
  EXPECT_EQ(svg, ReadFileBytes(expectedPath));
}

TEST_F(SvgTest, ProgramNamesOfAnyBytesMakeValidText) {
  struct Case {
    const char* name;      // CP932 bytes
    const char* expected;  // the title's text, UTF-8
  } cases[] = {
      {"C:\\NC\\\x95\x94\x95\x69&<\"A\">'.NC", "Split of \xE9\x83\xA8\xE5\x93\x81&<\"A\">'.NC"},  // 部品
      {"\xB6\xC0.NC", "Split of \xEF\xBD\xB6\xEF\xBE\x80.NC"},                                 // ｶﾀ (half width)
      {"BAD\x81.NC", "Split of BAD?.NC"},   // a lead byte whose second byte is no trail byte
      {"BAD\x80\xFD.NC", "Split of BAD??.NC"},
      {"CTRL\x01\x7F.NC", "Split of CTRL??.NC"},
      {"END\x95", "Split of END?"},
  };
  for (const Case& c : cases) {
    SplitPicture named;
    named.Begin(c.name);
    named.PieceOpened(1, Position{});
    named.PieceClosed(1, 0, 0);
    const std::string svg = SplitSvgText(named);
    const XmlDocument doc = ParseXml(svg);
    ASSERT_EQ(doc.error, "") << c.name;
    EXPECT_EQ(doc.All("title").front()->text, c.expected) << c.name;
  }
}

TEST_F(SvgTest, TheFileIsWrittenWholeOrNotAtAll) {
  SplitZigzag();
  const std::string svgPath = dir.Path("PART_split.svg");
  ASSERT_EQ(WriteSplitSvg(picture, svgPath.c_str()), kSvgWritten);
  EXPECT_EQ(dir.Read("PART_split.svg"), SplitSvgText(picture));
  {
    FileFaults faults;
    faults.DiskFullAfter(svgPath, 100);
    EXPECT_EQ(WriteSplitSvg(picture, svgPath.c_str()), kSvgNotWritten);
  }
  EXPECT_FALSE(dir.Exists("PART_split.svg"));
  EXPECT_EQ(WriteSplitSvg(picture, dir.Path("no/such/folder/PART_split.svg").c_str()), kSvgNotWritten);
}

struct PathCase {
  const char* program;
  const char* settings;  // extra lines of [PAVLOK] and [QUENDRA]
  int result;
  const char* expected;  // the picture's name
};

TEST_F(SvgTest, ThePictureIsNamedAfterTheProgramAndNeverFallsOnAFileOfIt) {
  const PathCase cases[] = {
      {"PART.NC", "", kPicturePathOk, "PART_split.svg"},
      {"sub/PART", "", kPicturePathOk, "sub/PART_split.svg"},
      {"C:\\NC\\\x95\x94.nc", "", kPicturePathOk, "C:\\NC\\\x95\x94_split.svg"},
      // The suffix replaces the extension, so the picture never takes the program's own name.
      {"PART_split.svg", "", kPicturePathOk, "PART_split_split.svg"},
      // A header, footer or intermediate file named so.
      {"PART.NC", "[PAVLOK]\r\nNCHEADER=_split.svg\r\n", kPicturePathTaken, ""},
      {"PART.NC", "[PAVLOK]\r\nNCFOOTER=_SPLIT.svg\r\n", kPicturePathTaken, ""},
      {"PART.NC", "[QUENDRA]\r\nASCIIFILE=_split.svg\r\n", kPicturePathTaken, ""},
  };
  for (const PathCase& c : cases) {
    dir.Write("Quendrix.ini", std::string("[COMMAND]\r\nMODE=1\r\n") + c.settings);
    char out[kPathField] = "x";
    EXPECT_EQ(SplitPicturePath(c.program, out, sizeof out), c.result) << c.program << c.settings;
    EXPECT_EQ(std::string(out), c.expected) << c.program << c.settings;
  }
  const std::string longName(kPathField - 8, 'A');
  char out[kPathField];
  EXPECT_EQ(SplitPicturePath((longName + ".NC").c_str(), out, sizeof out), kPicturePathTooLong);
  EXPECT_EQ(SplitPicturePath("PART.NC", out, 10), kPicturePathTooLong);
  EXPECT_STREQ(out, "");
}

}  // namespace
