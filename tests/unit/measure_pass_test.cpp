// The measurement pass: records written and read back, totals, the machine's reading of the
// program, and every refusal with its message.
#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <vector>

#include "platform/platform.h"
#include "split/measure_pass.h"
#include "support/line_count_limit.h"
#include "support/temp_dir.h"

namespace {

struct Measured {
  int result = -99;
  MeasureReport report{};
  SplitMeter distance{};
  SplitMeter time{};
  Extents minimum{0, 0, 0, 0};
  Extents maximum{0, 0, 0, 0};
  std::string records;  // the intermediate file's bytes
  std::string message;  // DescribeMeasureFailure's text (CP932)
};

Measured Measure(const TempDir& dir, const std::string& program, double x = 0, double y = 0,
                 double z = 100) {
  dir.Write("PART.NC", program);
  Measured m;
  const double start[3] = {x, y, z};
  std::string nc = dir.Path("PART.NC");
  std::string ascii = dir.Path("PART_ascii.txt");
  m.result = MeasureProgram({nc.c_str(), ascii.c_str(), start},
                            {&m.distance, &m.time, &m.minimum, &m.maximum, &m.report});
  m.records = dir.Read("PART_ascii.txt");
  char text[1024];
  if (DescribeMeasureFailure(m.result, m.report, nc.c_str(), ascii.c_str(), text) >= 0) {
    m.message = text;
  }
  return m;
}

// The record lines of an intermediate file whose kind is one of `kinds` ("MC": the moves and
// holes; "B": the carried blocks), without their "\r\n", and with the "=" of a move (the value of
// the move before) and its line "+" (the line after the move's before) written out.
std::vector<std::string> Lines(const std::string& bytes, const char* kinds = "MC") {
  std::vector<std::string> lines;
  std::vector<std::string> last;  // the fields of the move record before
  size_t at = 0;
  while (at < bytes.size()) {
    size_t end = bytes.find("\r\n", at);
    if (end == std::string::npos) end = bytes.size();
    std::string line = bytes.substr(at, end - at);
    at = end + 2;
    if (line.rfind("M ", 0) == 0) {
      std::vector<std::string> fields;
      for (size_t from = 0; from <= line.size();) {
        size_t blank = line.find(' ', from);
        if (blank == std::string::npos) blank = line.size();
        fields.push_back(line.substr(from, blank - from));
        from = blank + 1;
      }
      const bool arc = fields[1] == "2" || fields[1] == "3";
      const size_t feed = arc ? 11 : 7;
      for (size_t i : {size_t{4}, size_t{5}, size_t{6}, feed}) {
        if (fields[i] == "=") fields[i] = last[i == feed ? 0 : i];
      }
      if (fields[feed + 1] == "+") fields[feed + 1] = std::to_string(std::stoi(last[1]) + 1);
      last = {fields[feed], fields[feed + 1], "", "", fields[4], fields[5], fields[6]};
      line = fields[0];
      for (size_t i = 1; i < fields.size(); ++i) line += " " + fields[i];
    }
    if (!line.empty() && std::string(kinds).find(line[0]) != std::string::npos) lines.push_back(line);
  }
  return lines;
}

constexpr char kStartAt100[] = "M 0 17 0 0 0 100000 0 0";

TEST(MeasureProgram, RecordsOfASmallProgram) {
  TempDir dir;
  Measured m = Measure(dir,
                       "%\nO1000\nG92 X0 Y0 Z100.\nG90 G00 X10. Y20.\nG01 Z-5. F500\n"
                       "G02 X20. Y30. I10. (arc)\nG00 Z100.\nM30\n%\n");
  ASSERT_EQ(m.result, kMeasureOk) << m.message;
  EXPECT_EQ(Lines(m.records), (std::vector<std::string>{
                                  kStartAt100,
                                  "M 0 17 0 10000 20000 100000 0 4",
                                  "M 1 17 0 10000 20000 -5000 500000 5",
                                  "M 2 17 0 20000 30000 -5000 10000 0 0 0 500000 6",
                                  "M 0 17 0 20000 30000 100000 500000 7",
                              }));
  EXPECT_EQ(m.report.records, 5);
  EXPECT_EQ(m.report.endLine, 8);
  EXPECT_EQ(m.report.endCode, 30);
  EXPECT_EQ(m.report.linesAfterEnd, 0);  // a closing "%" is no block
  EXPECT_EQ(m.report.highestCutZ, 100.0);  // the plunge starts at the start height
  EXPECT_EQ(m.report.setPositionLine, 3);
  EXPECT_EQ(m.report.setPositionAxes, 7);
  EXPECT_EQ(m.report.firstCuttingLine, 5);
  EXPECT_DOUBLE_EQ(m.distance.rapid, std::hypot(10.0, 20.0) + 105.0);
  double arc = 2 * 10 * 3.1415926535 / 4;
  EXPECT_NEAR(m.distance.running, (105.0 + arc) / 1000.0, 1e-12);
  EXPECT_NEAR(m.time.running, (105.0 + arc) / 500.0, 1e-12);
  EXPECT_EQ(m.minimum[kExtentZ], -5.0);
  EXPECT_EQ(m.maximum[kExtentY], 30.0);
  EXPECT_EQ(m.maximum[kExtentFeed], 500.0);
}

TEST(MeasureProgram, EdgeCasesOfTheRecords) {
  struct Case {
    const char* name;
    const char* program;
    int records;       // start record included
    double cuttingM;   // distance meter's running slot after the pass
  };
  const Case cases[] = {
      {"first rapid to the start point gives no record", "G90 G00 X0 Y0 Z100.\nG01 X1. F10\n", 2,
       0.001},
      {"G18 in a comment does not stop", "(G18 G19)\nG90 G01 X10. F100\n", 2, 0.01},
      {"no return to the start point is recorded", "G90 G01 X10. F100\nG00 X0\n", 3, 0.01},
      {"cutting moves of 12345 mm give 12.345", "G90 G01 X12345. F1000\nX0\n", 3, 24.690},
      {"nothing after M30 is measured", "G90 G01 X10. F100\nM30\nG01 X500.\n", 2, 0.01},
  };
  for (const Case& c : cases) {
    TempDir dir;
    Measured m = Measure(dir, c.program);
    ASSERT_EQ(m.result, kMeasureOk) << c.name << ": " << m.message;
    EXPECT_EQ(m.report.records, c.records) << c.name;
    EXPECT_EQ(Lines(m.records).size(), static_cast<size_t>(c.records)) << c.name;
    EXPECT_EQ(Lines(m.records)[0], kStartAt100) << c.name;
    EXPECT_NEAR(m.distance.running, c.cuttingM, 1e-12) << c.name;
  }
  TempDir dir;
  Measured half = Measure(dir, "G90 G01 X12345. F1000\n");
  EXPECT_DOUBLE_EQ(half.distance.running, 12.345);
  // A program without a single cutting move is no NC program to split.
  for (const char* program : {"", "%\nO1(TEST)\nM30\n%\n", "G00 X10.\n", "\x7F" "ELF\x01\n"}) {
    EXPECT_EQ(Measure(dir, program).result, kMeasureNoCuttingMove) << program;
  }
  Measured after = Measure(dir, "G01 X1. F10\nM02\n\n(C)\nX2.\n%\nY3.\n");
  ASSERT_EQ(after.result, kMeasureOk) << after.message;
  EXPECT_EQ(after.report.endLine, 2);
  EXPECT_EQ(after.report.endCode, 2);
  EXPECT_EQ(after.report.linesAfterEnd, 2);
}

// The program read as the machine runs it: the end point of the last record of each program.
TEST(MeasureProgram, ReadsTheProgramAsTheMachineDoes) {
  struct Case {
    const char* name;
    const char* program;
    const char* lastMove;  // the last record before the closing one, without its line number
  };
  const Case cases[] = {
      {"no G90 or G91: absolute from power-on", "G00 X10. Y10.\nG01 Z-1. F100\n",
       "M 1 17 0 10000 10000 -1000 100000"},
      {"the only G90 shares a line with G54", "G91\nG90 G54\nG01 X10. F100\n",
       "M 1 17 0 10000 0 100000 100000"},
      {"G91 on a reference-return line takes effect; Z is then unknown", "G91 G28 Z0.\nG01 X5. F100\n",
       "M 1 17 72 5000 0 100000 100000"},
      {"G92 sets the position under G91 and moves nothing",
       "G91 G28 Z0.\nG92 X0 Y0 Z50.\nG90 G01 X5. F100\n", "M 1 17 0 5000 0 50000 100000"},
      {"G92 of one axis keeps the others", "G92 X7.\nG91 G01 Y3. F100\n",
       "M 1 17 0 7000 3000 100000 100000"},
      {"a dwell's X is a time", "G01 X10. F100\nG04 X2.\nG4P500\nG01 Y1.\n",
       "M 1 17 0 10000 1000 100000 100000"},
      {"G98 and G99 lines move like any other (the code rides on the move)",
       "G01 X10. F100\nG98 X50.\n", "M 1 17 0 50000 0 100000 100000 2"},
      {"full circle in one block is recorded", "G01 X10. F100\nG02 X10. I-10.\n",
       "M 2 17 1 10000 0 100000 -10000 0 0 0 100000"},
  };
  for (const Case& c : cases) {
    TempDir dir;
    Measured m = Measure(dir, c.program);
    ASSERT_EQ(m.result, kMeasureOk) << c.name << ": " << m.message;
    std::vector<std::string> lines = Lines(m.records);
    ASSERT_GE(lines.size(), 2u) << c.name;
    const std::string& last = lines.back();
    EXPECT_EQ(last.substr(0, last.rfind(' ')), c.lastMove) << c.name;
  }
}

TEST(MeasureProgram, FullCircleTestsTheBlocksOwnOffsets) {
  TempDir dir;
  // After an arc, a block that moves nothing is no move; a full circle after a line is one.
  Measured m = Measure(dir, "G90 G02 X10. Y10. I10. F100\nM08\nG01 X20.\nG02 X20. J5.\n");
  ASSERT_EQ(m.result, kMeasureOk) << m.message;
  EXPECT_EQ(m.report.records, 4);  // start, arc, line, full circle
  EXPECT_EQ(Lines(m.records).back(), "M 2 17 1 20000 10000 100000 0 5000 0 0 100000 4");
  double arcs = 2 * 10 * 3.1415926535 / 4 + 2 * 5 * 3.1415926535;
  EXPECT_NEAR(m.distance.running * 1000.0, arcs + 10.0, 1e-9);
}

// A start reached by increments (-62.564 + 18.657 is a hair off -43.907 in binary) is the same
// place as the end written absolute: the arc is a whole circle, not a tiny one that a piece would
// leave out.
TEST(MeasureProgram, FullCircleFromAStartReachedByIncrements) {
  TempDir dir;
  Measured m = Measure(dir, "G90 G01 X-62.564 Y26.101 Z-1. F100\nG91 G01 X18.657 Y-4.306\n"
                            "G90 G03 X-43.907 Y21.795 I10.479 J5.572\n");
  ASSERT_EQ(m.result, kMeasureOk) << m.message;
  EXPECT_EQ(Lines(m.records).back(), "M 3 17 1 -43907 21795 -1000 10479 5572 0 0 100000 3");
  const double circle = 2 * 3.14159265358979 * std::hypot(10.479, 5.572);
  EXPECT_NEAR(m.distance.running * 1000.0, std::hypot(62.564, 26.101, 101.0) + std::hypot(18.657, 4.306) + circle, 1e-6);
}

TEST(MeasureProgram, ArcsByRadiusAndTinyArcs) {
  TempDir dir;
  // A radius arc carries its R and the centre it gives; a tiny arc is no full circle.
  Measured m = Measure(dir,
                       "G90 G01 X10. F100\nG03 X0 Y10. R10.\nG02 X10. Y0 J-10.\n"
                       "G02 X9.999999992 Y-0.0004 I-10.\n");
  ASSERT_EQ(m.result, kMeasureOk) << m.message;
  std::vector<std::string> lines = Lines(m.records);
  ASSERT_EQ(lines.size(), 5u);
  EXPECT_EQ(lines[2], "M 3 17 2 0 10000 100000 -10000 0 0 10000 100000 2");
  EXPECT_EQ(lines[4], "M 2 17 0 10000 0 100000 -10000 0 0 0 100000 4");
  double quarter = 2 * 10 * 3.1415926535 / 4;
  EXPECT_NEAR(m.distance.running * 1000.0, 10.0 + 2 * quarter + 0.0004, 1e-6);
}

// R arcs a hair too short for their chord, as rounded half circles come: measured as the half
// circle up to 2.5 increments of the program's units over, refused from 3 on.
TEST(MeasureProgram, RadiusArcsAtTheRoundingLimit) {
  struct Case {
    const char* name;
    const char* program;
    double chord;  // of the half circle measured; 0: refused on line 2
  } cases[] = {
      {"2 increments over", "G90 G01 X10. F100\nG02 X10.426 R0.212\n", 0.426},
      {"3 increments over", "G90 G01 X10. F100\nG02 X10.427 R0.212\n", 0},
      {"2 over, counter-clockwise, the longer arc's R", "G90 G01 X10. F100\nG03 X10.426 R-0.212\n", 0.426},
      {"incremental, 2 over", "G91 G01 X10. F100\nG02 X0.426 R0.212\n", 0.426},
      {"a fourth decimal on the grid 2 over", "G90 G01 X10. F100\nG02 X10.4258 R0.212\n", 0.4258},
      {"a fourth decimal on the grid 3 over", "G90 G01 X10. F100\nG02 X10.4268 R0.212\n", 0},
      {"inch, 2 over", "G20 G90 G01 X10. F100\nG02 X10.4242 R0.212\n", 0.4242},
      {"inch, 0.0008 over", "G20 G90 G01 X10. F100\nG02 X10.4248 R0.212\n", 0},
  };
  for (const Case& c : cases) {
    TempDir dir;
    Measured m = Measure(dir, c.program);
    if (c.chord == 0) {
      EXPECT_EQ(m.result, kMeasureArcRadiusTooSmall) << c.name;
      EXPECT_EQ(m.report.line, 2) << c.name;
      EXPECT_EQ(m.message, "エラー：2 行目の円弧は半径 R0.212 では終点に届きません。") << c.name;
      continue;
    }
    ASSERT_EQ(m.result, kMeasureOk) << c.name << ": " << m.message;
    const double toMillimetres = std::string(c.program).rfind("G20", 0) == 0 ? 25.4 : 1.0;
    EXPECT_NEAR(m.distance.running * 1000.0, (10.0 + c.chord * 3.1415926535 / 2) * toMillimetres, 1e-6) << c.name;
  }
}

TEST(MeasureProgram, BlocksHolesAndWhatTheSplitMustKnowOfEachMove) {
  TempDir dir;
  Measured m = Measure(dir,
                       "G90 G00 X10. Y10. Z20.\n"                   // 1 a rapid
                       "M08\n"                                      // 2 a block of codes
                       "G99 G81 X10. Y10. Z-2. R3. Q1. F100 M09\n"  // 3 a hole; M09 rides on it
                       "X30. K2\n"                                  // 4 two holes at one place
                       "G80\n"                                      // 5
                       "G41 D1 G01 X40. F200\n"                     // 6 compensation starts
                       "G40 X50.\n"                                 // 7 ... and ends
                       "X60.\n"                                     // 8
                       "G91 G28 Z0.\n"                              // 9 Z goes where no one knows
                       "G90 X70.\n"                                 // 10 from an unknown Z
                       "Z5.\n"                                      // 11 Z known again
                       "(DONE)\n"                                   // 12 a comment line
                       "G00 X70.\n"                                 // 13 moves nothing: a block
                       "M30\n");
  ASSERT_EQ(m.result, kMeasureOk) << m.message;
  EXPECT_EQ(Lines(m.records), (std::vector<std::string>{
                                  kStartAt100,
                                  "M 0 17 0 10000 10000 20000 0 1",
                                  "C 81 99 0 10000 10000 -2000 3000 100000 20000 3 Q1. M09",
                                  "C 81 99 0 30000 10000 -2000 3000 100000 20000 4 Q1.",
                                  "C 81 99 0 30000 10000 -2000 3000 100000 20000 4 Q1.",
                                  "M 1 17 4 40000 10000 3000 200000 6 G41D1",
                                  "M 1 17 4 50000 10000 3000 200000 7 G40",
                                  "M 1 17 0 60000 10000 3000 200000 8",
                                  "M 1 17 72 70000 10000 3000 200000 10",
                                  "M 1 17 520 70000 10000 5000 200000 11",
                              }));
  EXPECT_EQ(Lines(m.records, "B"), (std::vector<std::string>{
                                       "B 2 90 M08", "B 5 90 G80", "B 9 90 G91 G28 Z0.",
                                       "B 12 90 (DONE)", "B 13 90 G00 X70.", "B 14 90 M30"}));
  EXPECT_EQ(m.report.lastMoveLine, 11);
  // Holes count their feed from R to the bottom (3 holes of 5 mm), then four moves of 10 mm, 2 in Z.
  EXPECT_NEAR(m.distance.running * 1000.0, 15.0 + 4 * 10.0 + 2.0, 1e-9);
}

TEST(MeasureProgram, OffsetWritesAreCarriedAndLoseThePlaceWhereTheFrameMayChange) {
  TempDir dir;
  Measured m = Measure(dir,
                       "G90 G01 X10. Y10. Z5. F100\n"   // 1
                       "G10 L12 P1 R5.\n"               // 2 a radius: every axis still known
                       "X20.\n"                         // 3
                       "G10 L2 P1 X-100. Y-50. Z-300.\n"  // 4 the work offset: no move, all unknown
                       "X30.\n"                         // 5 from unknown Y and Z
                       "Y20. Z4.\n"                     // 6 all known again
                       "M30\n");
  ASSERT_EQ(m.result, kMeasureOk) << m.message;
  EXPECT_EQ(Lines(m.records), (std::vector<std::string>{
                                  kStartAt100,
                                  "M 1 17 0 10000 10000 5000 100000 1",
                                  "M 1 17 0 20000 10000 5000 100000 3",
                                  "M 1 17 232 30000 10000 5000 100000 5",  // from unknown, Y Z unknown, X named
                                  "M 1 17 776 30000 20000 4000 100000 6",  // from unknown, Y Z named
                              }));
  EXPECT_EQ(Lines(m.records, "B"), (std::vector<std::string>{
                                       "B 2 90 G10 L12 P1 R5.", "B 4 90 G10 L2 P1 X-100. Y-50. Z-300.", "B 7 90 M30"}));
}

// G52 moves nothing: the tool's numbers change by the change of the shift, the moves after it
// are recorded in the new numbers and measured from where the tool stands; an axis the block
// leaves out keeps its shift, and a number without a point counts thousandths.
TEST(MeasureProgram, LocalSystemsAreFollowed) {
  TempDir dir;
  Measured m = Measure(dir,
                       "G90 G01 X10. Y10. Z5. F100\n"  // 1
                       "G52 X100. Y50.\n"              // 2 the tool stays: X-90. Y-40. now
                       "X10.\n"                        // 3 100 mm in X
                       "G52 Y20000\n"                  // 4 Y 20 mm, X keeps 100: the tool at Y-10.
                       "Y0.\n"                         // 5 10 mm in Y
                       "G52 X0 Y0\n"                   // 6 cancelled: the tool at X110. Y20.
                       "X100.\n"                       // 7 10 mm in X
                       "M30\n");
  ASSERT_EQ(m.result, kMeasureOk) << m.message;
  EXPECT_EQ(Lines(m.records), (std::vector<std::string>{
                                  kStartAt100,
                                  "M 1 17 0 10000 10000 5000 100000 1",
                                  "M 1 17 0 10000 -40000 5000 100000 3",
                                  "M 1 17 0 10000 0 5000 100000 5",
                                  "M 1 17 0 100000 20000 5000 100000 7",
                              }));
  EXPECT_EQ(Lines(m.records, "B"), (std::vector<std::string>{"B 2 90 G52 X100. Y50.", "B 4 90 G52 Y20000",
                                                             "B 6 90 G52 X0 Y0", "B 8 90 M30"}));
  EXPECT_NEAR(m.distance.running * 1000.0, std::sqrt(9225.0) + 100.0 + 10.0 + 10.0, 1e-9);
  EXPECT_TRUE(m.report.localShiftUsed);

  // The start point in the shifted frame, where the pieces' positioning and return go, must fit
  // the records as every coordinate does.
  Measured far = Measure(dir, "G01 X1. F10\nG52 X-999999.\n", 5, 0, 100);
  EXPECT_EQ(far.result, kMeasureValueTooLarge);
  EXPECT_EQ(far.message, "エラー：2 行目の座標 1000004. が大きすぎます（±999999.999 まで）。");

  // Only cancels: nothing for the pieces to state.
  Measured cancels = Measure(dir, "G52 X0. Y0.\nG01 X10. F100\nG52 X0 Y0 Z0\nM30\n");
  ASSERT_EQ(cancels.result, kMeasureOk) << cancels.message;
  EXPECT_FALSE(cancels.report.localShiftUsed);

  // In the header (before the body's first line) only a cancel is taken: a shift there would
  // stand under every piece's positioning line.
  for (const char* shift : {"G52 X0 Y0\n", "G52 X10.\n"}) {
    dir.Write("PART.NC", std::string("G90 G54\n") + shift + "G00 X5.\nG01 Z-1. F100\n");
    const double start[3] = {0, 0, 100};
    SplitMeter d{}, t{};
    Extents lo{}, hi{};
    MeasureReport report{};
    const std::string nc = dir.Path("PART.NC");
    const std::string ascii = dir.Path("PART_ascii.txt");
    const int result = MeasureProgram({nc.c_str(), ascii.c_str(), start, 3}, {&d, &t, &lo, &hi, &report});
    EXPECT_EQ(result, shift[5] == '0' ? kMeasureOk : kMeasureLocalSystemForm) << shift;
  }
}

TEST(MeasureProgram, TheHeaderIsReadForItsCodesAndTheBodyStartsAtTheStartPoint) {
  TempDir dir;
  dir.Write("PART.NC", "G91 G28 Z0.\nG43 H1 Z50.\nT1 M06\nG90 G00 X5.\nG01 Z-1. F100\n");
  const double start[3] = {0, 0, 100};
  SplitMeter d{}, t{};
  Extents lo{}, hi{};
  MeasureReport report{};
  const std::string nc = dir.Path("PART.NC");
  const std::string ascii = dir.Path("PART_ascii.txt");
  ASSERT_EQ(MeasureProgram({nc.c_str(), ascii.c_str(), start, 4}, {&d, &t, &lo, &hi, &report}), kMeasureOk);
  // Lines 1 to 3 are the header: no move, no unknown Z; the body goes on from the start point.
  EXPECT_EQ(Lines(dir.Read("PART_ascii.txt")),
            (std::vector<std::string>{kStartAt100, "M 0 17 0 5000 0 100000 0 4",
                                      "M 1 17 0 5000 0 -1000 100000 5"}));
  EXPECT_DOUBLE_EQ(d.running, 0.101);
}

TEST(MeasureProgram, CountsCuttingMovesWithoutFeed) {
  TempDir dir;
  Measured m = Measure(dir, "G90 G01 X10.\nY10.\nF200\nX0\n");
  ASSERT_EQ(m.result, kMeasureOk);
  EXPECT_EQ(m.report.zeroFeedMoves, 2);
  EXPECT_DOUBLE_EQ(m.time.running, 10.0 / 200.0);
  EXPECT_DOUBLE_EQ(m.distance.running, 0.03);
  char text[256];
  EXPECT_GT(DescribeZeroFeedWarning(2, text), 0);
  EXPECT_STREQ(text, "警　告：送り速度 F のない切削移動が 2 個あります。その切削時間は合計に入っていません。");
  EXPECT_EQ(DescribeZeroFeedWarning(0, text), 0);
  EXPECT_STREQ(text, "");
}

TEST(MeasureProgram, Refusals) {
  std::string longLine(4096, 'X');
  // One offset write more than a piece replays (the first 32 pass, the 33rd on line 34 is refused).
  std::string manyWrites = "G01 X1. F10\n";
  for (int i = 0; i < 33; ++i) manyWrites += "G10 L2 P2 X" + std::to_string(i) + ".\n";
  struct Case {
    const char* name;
    std::string program;
    int result;
    int line;
    const char* message;  // "{nc}" and "{ascii}" stand for the paths
  };
  const Case cases[] = {
      {"a call of a subprogram the file does not hold", "G01 X1. F10\nM98 P1000\n", kMeasureCall, 2,
       "エラー：2 行目の M98 が呼び出す O1000 がファイルの中にありません。"},
      {"a return in a program that calls nothing", "G01 X1. F10\nM99\n", kMeasureUnsupportedCode, 2,
       "エラー：2 行目の M99 は分割できません（サブプログラムの呼び出し）。"},
      {"a return in the main program", "M98 P1000\nM99\nM30\nO1000\nG01 X1. F10\nM99\n", kMeasureCall, 2,
       "エラー：2 行目の M99 はメインプログラムの中にあります（終わりなくくり返します）。分割できません。"},
      {"a subprogram calling itself", "M98 P1000\nM30\nO1000\nG01 X1. F10\nM98 P1000\nM99\n", kMeasureCall, 5,
       "エラー：5 行目の M98 は実行中の O1000 を呼び出します（再帰呼び出し）。分割できません。"},
      {"a call with a move", "G01 X1. F10 M98 P1000\nM30\nO1000\nM99\n", kMeasureCall, 1,
       "エラー：1 行目の M98 の書き方には対応していません。書けるのは M98 P.... と L か K（くり返し回数 1 から 9999）だけです。"},
      {"a return to a sequence number", "M98 P1000\nM30\nO1000\nG01 X1. F10\nM99 P3\n", kMeasureCall, 5,
       "エラー：5 行目の M99 の書き方には対応していません（M99 の行にほかの語は書けません）。"},
      {"a subprogram before the main program's end", "G01 X1. F10\nM98 P1000\nO1000\nM99\nM30\n", kMeasureCall, 2,
       "エラー：2 行目：サブプログラム O1000 がメインプログラムの終わり（M02/M30）より前にあります。分割できません。"},
      {"a subprogram without its return", "M98 P1000\nM30\nO1000\nG01 X1. F10\n%\n", kMeasureCall, 5,
       "エラー：5 行目：サブプログラム O1000 が M99 で終わらないまま、次のプログラムかファイルの終わりになります。"},
      {"a code a piece cannot carry inside a subprogram", "G01 X1. F10\nM98 P1000\nM30\nO1000\nG68 X0 Y0 R45.\nM99\n",
       kMeasureUnsupportedCode, 5,
       "エラー：5 行目の G68 は分割できません（座標回転）。（2 行目の M98 で呼ばれた O1000 の中）"},
      {"a macro call", "G65 P9000 A1.\nG01 X1. F10\n", kMeasureUnsupportedCode, 1,
       "エラー：1 行目の G65 は分割できません（マクロの呼び出し）。"},
      {"a rotation", "G01 X1. F10\nG68 X0 Y0 R45.\n", kMeasureUnsupportedCode, 2,
       "エラー：2 行目の G68 は分割できません（座標回転）。"},
      {"an incremental offset write", "G91 G10 L2 P1 X0\nG01 X1. F10\n", kMeasureOffsetWriteForm, 1,
       "エラー：1 行目の G10 は分割できません。分割ＮＣファイルの頭で繰り返せるのは、アブソリュート（G90）で L1, L2, L10～L13, L20 と P を指令し、ほかに X, Y, Z, R だけを持つオフセットの書き込みです。"},
      {"an offset write under G91", "G01 X1. F10\nG91\nG10 L2 P1 X0\n", kMeasureOffsetWriteForm, 3,
       "エラー：3 行目の G10 は分割できません。分割ＮＣファイルの頭で繰り返せるのは、アブソリュート（G90）で L1, L2, L10～L13, L20 と P を指令し、ほかに X, Y, Z, R だけを持つオフセットの書き込みです。"},
      {"an offset write without its register", "G01 X1. F10\nG10 L2 X0\n", kMeasureOffsetWriteForm, 2,
       "エラー：2 行目の G10 は分割できません。分割ＮＣファイルの頭で繰り返せるのは、アブソリュート（G90）で L1, L2, L10～L13, L20 と P を指令し、ほかに X, Y, Z, R だけを持つオフセットの書き込みです。"},
      {"a tool-life write", "G01 X1. F10\nG10 L3 P1\n", kMeasureOffsetWriteForm, 2,
       "エラー：2 行目の G10 は分割できません。分割ＮＣファイルの頭で繰り返せるのは、アブソリュート（G90）で L1, L2, L10～L13, L20 と P を指令し、ほかに X, Y, Z, R だけを持つオフセットの書き込みです。"},
      // After a write of a work offset or a length, no axis is known until named absolute.
      {"an incremental move after a work offset write", "G01 X1. F10\nG10 L2 P1 X0.\nG91 G01 X1.\n",
       kMeasureUnknownPosition, 3,
       "エラー：3 行目はインクリメンタル（G91）の移動ですが、その軸の位置が G28, G30, G53, オフセットの書き込み（G10）やワーク座標系の変更の後でわかりません。"},
      {"an incremental move after a length write", "G01 X1. F10\nG10 L10 P1 R-150.\nG91 G01 Z1.\n",
       kMeasureUnknownPosition, 3,
       "エラー：3 行目はインクリメンタル（G91）の移動ですが、その軸の位置が G28, G30, G53, オフセットの書き込み（G10）やワーク座標系の変更の後でわかりません。"},
      {"more offset writes than a piece replays", manyWrites, kMeasureTooManyOffsetWrites, 34,
       "エラー：34 行目の G10 で、本体のオフセットの書き込みが 32 個を超えます。分割ＮＣファイルの頭で繰り返せる数を超えるので分割できません。"},
      {"an offset write with a move word", "G01 X1. F10\nG10 L2 P1 X0 F100\n", kMeasureOffsetWriteForm, 2,
       "エラー：2 行目の G10 は分割できません。分割ＮＣファイルの頭で繰り返せるのは、アブソリュート（G90）で L1, L2, L10～L13, L20 と P を指令し、ほかに X, Y, Z, R だけを持つオフセットの書き込みです。"},
      {"an incremental local system", "G01 X1. F10\nG91 G52 X10.\n", kMeasureLocalSystemForm, 2,
       "エラー：2 行目の G52 は分割できません。分割ＮＣファイルで繰り返せるのは、本体でアブソリュート（G90）で X, Y だけをシフトし、ほかのワードを持たないローカル座標系の設定です（Z のシフト、固定サイクルや工具径補正の中、ヘッダでのシフト、G92 で位置を決めるＮＣファイルでのシフトは分割できません）。"},
      {"a local system under G91", "G01 X1. F10\nG91\nG52 X10.\n", kMeasureLocalSystemForm, 3,
       "エラー：3 行目の G52 は分割できません。分割ＮＣファイルで繰り返せるのは、本体でアブソリュート（G90）で X, Y だけをシフトし、ほかのワードを持たないローカル座標系の設定です（Z のシフト、固定サイクルや工具径補正の中、ヘッダでのシフト、G92 で位置を決めるＮＣファイルでのシフトは分割できません）。"},
      {"a Z shift", "G01 X1. F10\nG52 X10. Z5.\n", kMeasureLocalSystemForm, 2,
       "エラー：2 行目の G52 は分割できません。分割ＮＣファイルで繰り返せるのは、本体でアブソリュート（G90）で X, Y だけをシフトし、ほかのワードを持たないローカル座標系の設定です（Z のシフト、固定サイクルや工具径補正の中、ヘッダでのシフト、G92 で位置を決めるＮＣファイルでのシフトは分割できません）。"},
      {"a local system with another word", "G01 X1. F10\nG52 X10. M08\n", kMeasureLocalSystemForm, 2,
       "エラー：2 行目の G52 は分割できません。分割ＮＣファイルで繰り返せるのは、本体でアブソリュート（G90）で X, Y だけをシフトし、ほかのワードを持たないローカル座標系の設定です（Z のシフト、固定サイクルや工具径補正の中、ヘッダでのシフト、G92 で位置を決めるＮＣファイルでのシフトは分割できません）。"},
      {"a local system with a move code", "G01 X1. F10\nG00 G52 X10.\n", kMeasureLocalSystemForm, 2,
       "エラー：2 行目の G52 は分割できません。分割ＮＣファイルで繰り返せるのは、本体でアブソリュート（G90）で X, Y だけをシフトし、ほかのワードを持たないローカル座標系の設定です（Z のシフト、固定サイクルや工具径補正の中、ヘッダでのシフト、G92 で位置を決めるＮＣファイルでのシフトは分割できません）。"},
      {"a local system in a canned cycle", "G81 X5. Y5. Z-2. R2. F50\nG52 X10.\n", kMeasureLocalSystemForm, 2,
       "エラー：2 行目の G52 は分割できません。分割ＮＣファイルで繰り返せるのは、本体でアブソリュート（G90）で X, Y だけをシフトし、ほかのワードを持たないローカル座標系の設定です（Z のシフト、固定サイクルや工具径補正の中、ヘッダでのシフト、G92 で位置を決めるＮＣファイルでのシフトは分割できません）。"},
      {"a local system under cutter compensation", "G41 D1 G01 X5. F10\nG52 X10.\nG40 X0\n", kMeasureLocalSystemForm, 2,
       "エラー：2 行目の G52 は分割できません。分割ＮＣファイルで繰り返せるのは、本体でアブソリュート（G90）で X, Y だけをシフトし、ほかのワードを持たないローカル座標系の設定です（Z のシフト、固定サイクルや工具径補正の中、ヘッダでのシフト、G92 で位置を決めるＮＣファイルでのシフトは分割できません）。"},
      {"a shift in a program that states its position", "G92 X0. Y0. Z100.\nG01 X1. F10\nG52 X10.\n", kMeasureLocalSystemForm, 3,
       "エラー：3 行目の G52 は分割できません。分割ＮＣファイルで繰り返せるのは、本体でアブソリュート（G90）で X, Y だけをシフトし、ほかのワードを持たないローカル座標系の設定です（Z のシフト、固定サイクルや工具径補正の中、ヘッダでのシフト、G92 で位置を決めるＮＣファイルでのシフトは分割できません）。"},
      {"a shift out of the record", "G01 X1. F10\nG52 X1000000.\n", kMeasureValueTooLarge, 2,
       "エラー：2 行目の座標 1000000. が大きすぎます（±999999.999 まで）。"},
      {"G92.1 keeps its point", "G01 X1. F10\nG92.1 X0\n", kMeasureUnsupportedCode, 2,
       "エラー：2 行目の G92.1 は分割できません（途中での座標系の設定）。"},
      {"an engraving cycle", "G01 X1. F10\nG47 P0 X1. Y1. Z-0.1 R1.\n", kMeasureCannedCycle, 2,
       "エラー：固定サイクル G47 サポートしてません。（2 行目）"},
      {"a cycle without its depth", "G01 X1. F10\nG81 X5. Y5. R2.\n", kMeasureCycleWithoutDepth, 2,
       "エラー：2 行目の固定サイクル G81 に穴の深さ Z がない（または繰り返し回数が読めない）ので分割できません。"},
      {"a level change in cycle mode without a hole", "G81 X5. Y5. Z-2. R2. F50\nZ-4.\n",
       kMeasureCycleLevelOnly, 2,
       "エラー：2 行目は固定サイクル G81 の中で穴の位置（X, Y）のない Z / R の指令です。分割できません。"},
      {"an incremental move after a reference return", "G01 X1. F10\nG91 G28 Z0.\nG00 Z-10.\n",
       kMeasureUnknownPosition, 3,
       "エラー：3 行目はインクリメンタル（G91）の移動ですが、その軸の位置が G28, G30, G53, オフセットの書き込み（G10）やワーク座標系の変更の後でわかりません。"},
      {"units changed after the first move", "G21 G01 X1. F10\nG20\n", kMeasureUnitsChange, 2,
       "エラー：2 行目で単位（G20/G21）が変わります。途中で単位を変えるＮＣファイルは分割できません。"},
      {"coordinate out of the record", "G01 X1000000. F100\n", kMeasureValueTooLarge, 1,
       "エラー：1 行目の座標 1000000. が大きすぎます（±999999.999 まで）。"},
      {"feed out of the record", "G01 X1. F100000.\n", kMeasureValueTooLarge, 1,
       "エラー：1 行目の送り速度 F100000.0 が大きすぎます（99999.9 まで）。"},
      {"line too long", "G00 X1.\n(" + longLine + ")\n", kMeasureLineTooLong, 2,
       "エラー：分割ＮＣファイル {nc} の 2 行目が長すぎます（4095 文字まで）。"},
      {"a letter O typed for a zero", "G01 X1. F10\nGOO Z.500\n", kMeasureUnreadableBlock, 2,
       "エラー：2 行目の G の後に数値がありません。制御装置が読めないブロックは分割できません。"},
      {"full-width text outside a comment", "G01 X1. F10\nＧ91\n", kMeasureUnreadableBlock, 2,
       "エラー：2 行目のコメントの外に全角文字があります。制御装置が読めないブロックは分割できません。"},
      {"a macro statement", "#1=5\nG01 X1. F10\n", kMeasureUnreadableBlock, 1,
       "エラー：1 行目のマクロ文（# 変数、[ ] の式）は分割できません。"},
      {"a character that belongs to no word", "G01 X1. F10\nX2. *\n", kMeasureUnreadableBlock, 2,
       "エラー：2 行目に読めない文字 * があります。制御装置が読めないブロックは分割できません。"},
      {"a text file: no cutting move at all", "This is no program.\n", kMeasureNoCuttingMove, 0,
       "エラー：ＮＣファイル {nc} に切削移動（G01, G02, G03）が見つかりません。ＮＣファイルか確認してください。"},
      {"an arc without centre or radius", "G01 X1. F10\nG02 X5.\n", kMeasureArcWithoutCentre, 2,
       "エラー：2 行目の円弧に中心（I, J）も半径 R もありません。"},
      {"an R too small to reach", "G01 X1. F10\nG02 X9. R2.\n", kMeasureArcRadiusTooSmall, 2,
       "エラー：2 行目の円弧は半径 R2. では終点に届きません。"},
      {"G92 after the first move", "G01 X1. F10\nG92 X0\nG01 X2.\n", kMeasureLateSetPosition, 2,
       "エラー：2 行目の G92 は最初の移動の後にあります。途中で座標系を変えるＮＣファイルは分割できません。"},
  };
  for (const Case& c : cases) {
    TempDir dir;
    Measured m = Measure(dir, c.program);
    EXPECT_EQ(m.result, c.result) << c.name;
    EXPECT_EQ(m.report.line, c.line) << c.name;
    std::string expected = c.message;
    if (size_t at = expected.find("{nc}"); at != std::string::npos) {
      expected.replace(at, 4, dir.Path("PART.NC"));
    }
    EXPECT_EQ(m.message, expected) << c.name;
  }
}

TEST(MeasureProgram, ACallInTheHeaderIsRefused) {
  // Every piece copies the header as the file holds it: a call there would run in each piece.
  TempDir dir;
  dir.Write("PART.NC", "G90 G54\nM98 P1000\nG00 X5. Y5.\nG01 X10. F100\nM30\nO1000\nG04 P100\nM99\n");
  const double start[3] = {0, 0, 100};
  Measured m;
  const std::string nc = dir.Path("PART.NC");
  m.result = MeasureProgram({nc.c_str(), nullptr, start, 3},
                            {&m.distance, &m.time, &m.minimum, &m.maximum, &m.report});
  EXPECT_EQ(m.result, kMeasureUnsupportedCode);
  char text[512];
  DescribeMeasureFailure(m.result, m.report, nc.c_str(), "", text);
  EXPECT_STREQ(text, "エラー：2 行目の M98 は分割できません（最初の移動より前のサブプログラムの呼び出し）。");
  // The same call in the body is followed.
  m.result = MeasureProgram({nc.c_str(), nullptr, start, 1},
                            {&m.distance, &m.time, &m.minimum, &m.maximum, &m.report});
  EXPECT_EQ(m.result, kMeasureOk);
}

TEST(MeasureProgram, ACallRecordsTheSubprogramsMovesAtTheirLinesAsOftenAsItRuns) {
  TempDir dir;
  Measured m = Measure(dir,
                       "G90 G00 X0 Y0\n"       // 1
                       "M98 P21000\n"          // 2: two runs of O1000
                       "G00 X50.\n"            // 3
                       "M98 P1000\n"           // 4
                       "G00 Z100.\n"           // 5
                       "M30\n"                 // 6
                       "O1000\n"               // 7
                       "G91 G01 Z-101. F100\n" // 8: incremental, from where each call stands
                       "G90 G00 Z100.\n"       // 9
                       "M99\n");               // 10
  ASSERT_EQ(m.result, kMeasureOk) << m.message;
  // Each run cuts at line 8 and lifts at line 9: two at X0, the last at X50. (line 5 moves nothing)
  EXPECT_EQ(Lines(m.records), (std::vector<std::string>{kStartAt100, "M 1 17 0 0 0 -1000 100000 8",
                                                        "M 0 17 0 0 0 100000 100000 9", "M 1 17 0 0 0 -1000 100000 8",
                                                        "M 0 17 0 0 0 100000 100000 9", "M 0 17 0 50000 0 100000 100000 3",
                                                        "M 1 17 0 50000 0 -1000 100000 8",
                                                        "M 0 17 0 50000 0 100000 100000 9"}));
  EXPECT_EQ(m.report.lastMoveLine, 9);
  EXPECT_EQ(m.report.lastMoveMainLine, 4);
  // No M98, O or M99 is carried: no piece may hold a call.
  for (const std::string& block : Lines(m.records, "B")) {
    EXPECT_EQ(block.find("M98"), std::string::npos) << block;
    EXPECT_EQ(block.find("M99"), std::string::npos) << block;
    EXPECT_EQ(block.find("O1000"), std::string::npos) << block;
  }
  EXPECT_NEAR(m.distance.running, 3 * 101.0 / 1000.0, 1e-9);
}

TEST(MeasureProgram, TheLastMoveInsideACallIsKnownByTheCall) {
  // The last move is known by its line, the call it lies in and its place as the program runs.
  TempDir dir;
  Measured m = Measure(dir, "G00 X0 Y0\nM98 P1000 L2\nM05\nM30\nO1000\nG01 X5. F100\nG00 X0\nM99\n");
  ASSERT_EQ(m.result, kMeasureOk) << m.message;
  EXPECT_EQ(m.report.lastMoveLine, 7);
  EXPECT_EQ(m.report.lastMoveMainLine, 2);
  EXPECT_EQ(m.report.lastMoveOrdinal, 5);  // lines 1, 6, 7, then 6 and 7 again
  EXPECT_EQ(m.report.endLine, 4);
  EXPECT_EQ(m.report.linesAfterEnd, 0);  // the subprogram after the end is no line left unsplit
}

TEST(MeasureProgram, AllowedAroundTheRefusals) {
  const char* programs[] = {
      "G41 D1 G00 X5.\nG01 X10. F100\nG40 G00 X0\n",  // cutting under compensation
      "G01 X10. F100\nT2 M06\nG01 X1.\nM30\n",       // a tool change between cuts
      "G18 G02 X10. Z-5. I5. K0 F100\n",              // an arc in the ZX plane
      "G99 G83 X1. Y1. Z-5. R2. Q1. F100\nX2.\nG80\n", // drilling
      "G91 G28 Z0.\nG90 G00 X1. Y1.\nG43 H1 Z5.\nG01 Z-1. F10\n",  // the place known again
      "G01 X999999.999 F99999.9\n",                  // the largest values that fit
      "G80\nG01 X1. F100\n",                         // cancelling a cycle is no cycle
      "G43 H1 Z50.\nG01 X1. F100\n",                 // G43 is not G4
      "G91\nG90 G52 X10.\nG01 X1. F100\n",          // a local system made absolute on its block
      "G52 X10. Y5. Z0\nG01 X1. F100\nG52 X0 Y0\n",  // its Z left unshifted
      "G92 X0. Y0. Z100.\nG52 X0. Y0.\nG01 X1. F10\n",  // a cancel in a program with G92
  };
  for (const char* program : programs) {
    TempDir dir;
    Measured m = Measure(dir, program);
    EXPECT_EQ(m.result, kMeasureOk) << program << m.message;
  }
}

TEST(MeasureProgram, FilesThatCannotBeUsed) {
  TempDir dir;
  const double start[3] = {0, 0, 0};
  SplitMeter d{}, t{};
  Extents lo{}, hi{};
  MeasureReport report{};
  std::string nc = dir.Path("MISSING.NC");
  std::string ascii = dir.Path("a.txt");
  EXPECT_EQ(MeasureProgram({nc.c_str(), ascii.c_str(), start}, {&d, &t, &lo, &hi, &report}),
            kMeasureNcUnreadable);
  char text[1024];
  DescribeMeasureFailure(kMeasureNcUnreadable, report, nc.c_str(), ascii.c_str(), text);
  EXPECT_EQ(std::string(text), "エラー：分割ＮＣファイル " + nc + " が開けません。");

  dir.Write("P.NC", "G01 X1. F1\n");
  nc = dir.Path("P.NC");
  ascii = dir.Path("no/such/dir/a.txt");
  EXPECT_EQ(MeasureProgram({nc.c_str(), ascii.c_str(), start}, {&d, &t, &lo, &hi, &report}),
            kMeasureIntermediateUnwritable);
  DescribeMeasureFailure(kMeasureIntermediateUnwritable, report, nc.c_str(), ascii.c_str(), text);
  EXPECT_EQ(std::string(text), "エラー：中間ファイル " + ascii + " が開けません。");

  const double far[3] = {0, -1000000, 0};
  ascii = dir.Path("a.txt");
  EXPECT_EQ(MeasureProgram({nc.c_str(), ascii.c_str(), far}, {&d, &t, &lo, &hi, &report}),
            kMeasureValueTooLarge);
  DescribeMeasureFailure(kMeasureValueTooLarge, report, nc.c_str(), ascii.c_str(), text);
  EXPECT_STREQ(text, "エラー：スタート座標 -1000000. が大きすぎます（±999999.999 まで）。");
  EXPECT_EQ(DescribeMeasureFailure(kMeasureOk, report, "", "", text), -1);
  EXPECT_EQ(d.running, 0.0);  // nothing is handed back on failure
}

// Line numbers and the counts of records are ints: a program with more lines, or one that makes
// more records and blocks than a file may have lines, is refused (the limit lowered to be reached).
TEST(MeasureProgram, MoreLinesOrRecordsThanTheLimitAreRefused) {
  TempDir dir;
  LineCountLimit limit(8);
  const std::string body = "G90 G00 X0 Y0 Z100.\nG01 Z-1. F100\nX10.\nY10.\n";
  // The intermediate file: the units line, the start record, the G00 that moves nothing (a
  // block), three moves and the M30: seven lines.
  Measured m = Measure(dir, body + "M30\n\n\n\n");
  EXPECT_EQ(m.result, kMeasureOk) << m.message;
  const std::string tooLarge =
      "エラー：分割ＮＣファイル " + dir.Path("PART.NC") + " が大きすぎます（行数と、移動・穴・ブロックの数はそれぞれ 8 まで）。";
  const std::string cases[] = {
      body + "M30\n\n\n\n\n",                                    // nine lines
      body + "X0.\nY0.\nM30\n",                                 // nine lines of the file
      "G90 G00 X0 Y0 Z100.\nG91 G81 X10. Y0 Z-5. R-98. K10 F100\nG80\nM30\n",  // ten holes
  };
  for (const std::string& program : cases) {
    m = Measure(dir, program);
    EXPECT_EQ(m.result, kMeasureTooLarge) << program;
    EXPECT_EQ(m.message, tooLarge) << program;
  }
}

TEST(MoveRecord, ValuesThatDoNotFit) {
  struct Case {
    double x, i, feed;
    double bad;
    int isFeed;
  };
  const Case cases[] = {
      {1000000, 0, 0, 1000000, 0},
      {-999999.9996, 0, 0, -999999.9996, 0},
      {0, 1e300, 0, 1e300, 0},
      {0, 0, 99999.96, 99999.96, 1},
      {0, 0, -10000, -10000, 1},
  };
  for (const Case& c : cases) {
    MoveRecord record{};
    record.motion = 1;
    record.plane = 17;
    record.at[kX] = c.x;
    record.at[kI] = c.i;
    record.feed = c.feed;
    double bad = 0;
    int isFeed = -1;
    EXPECT_FALSE(MoveRecordFits(record, &bad, &isFeed));
    EXPECT_EQ(bad, c.bad);
    EXPECT_EQ(isFeed, c.isFeed);
  }
}

}  // namespace
