// Planned seams (SEAM=break and tool, SIZE, --pieces) weighed by the machine time (TIMEMODEL=1):
// the planner's machine time of every piece is the one the split loop measures for it, every
// piece a forced seam does not end keeps within the time limit, the machine time (not the
// programmed time) decides where a seam falls, and --pieces shares the program's machine time.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <random>
#include <string>
#include <utility>
#include <vector>

#include "config/file_naming.h"
#include "config/settings.h"
#include "nc/measure.h"
#include "platform/platform.h"
#include "split/piece_observer.h"
#include "split/split_driver.h"
#include "support/corpus.h"
#include "support/piece_figures.h"
#include "support/fake_platform.h"
#include "support/program_generator.h"
#include "support/temp_dir.h"

namespace {

// A machine of slow acceleration, so that short moves and corners take far longer than their
// programmed time, with a tool change and a block time of its own.
const char kMachine[] =
    "RAPIDX=20000\r\nRAPIDY=20000\r\nRAPIDZ=15000\r\nFEEDX=8000\r\nFEEDY=8000\r\nFEEDZ=6000\r\n"
    "ACCELX=800\r\nACCELY=800\r\nACCELZ=600\r\nCORNER=0.01\r\nTOOLCHANGE=3\r\nBLOCKTIME=2\r\n"
    "OVERRIDE=100\r\n";

bool StartsWith(const std::string& text, const std::string& prefix) { return text.rfind(prefix, 0) == 0; }


// What the run log says besides the pieces.
struct LogFacts {
  bool lastCutPassed = false;  // the last piece holds a last cut past a limit
  bool neverReached = false;   // a seam waited to the program's end
  int forcedWarnings = 0;
  std::vector<double> machineLines;  // "機械時間 [ nn ] 見積 = M" of each piece
  std::string errors;
};

LogFacts ReadFacts(const std::vector<std::string>& log) {
  LogFacts facts;
  const std::string machine = "　　　機械時間 [ ";
  const std::string estimate = "見積 = ";
  for (const std::string& line : log) {
    if (StartsWith(line, machine)) {
      facts.machineLines.push_back(std::strtod(line.c_str() + line.find(estimate) + estimate.size(), nullptr));
    } else if (StartsWith(line, "情　報：") && line.find("最後の切削移動で分割の上限を超えました") != std::string::npos) {
      facts.lastCutPassed = true;
    } else if (StartsWith(line, "情　報：") && line.find("最後までを１つの") != std::string::npos) {
      facts.neverReached = true;
    } else if (StartsWith(line, "警　告：") && line.find("区切りがなく") != std::string::npos) {
      ++facts.forcedWarnings;
    } else if (StartsWith(line, "エラー")) {
      facts.errors += line + "\n";
    }
  }
  return facts;
}

// The machine-time properties of one split with time limit `limit` (minutes): the planner's time
// of each piece is the split loop's, bit for bit, and the log prints it; no piece a forced seam
// does not end passes the limit (the piece after a forced seam begins by cutting that seam's move
// again, which may pass it alone; the last piece may hold a last cut past it).
void ExpectMachineTimesKept(const PieceFigures& pieces, const LogFacts& facts, double limit) {
  const size_t count = pieces.measured.size();
  ASSERT_GE(count, 1u);
  ASSERT_EQ(pieces.planned.size(), count);
  ASSERT_EQ(facts.machineLines.size(), count);
  ASSERT_EQ(pieces.cleanEnds.size(), count);
  for (size_t n = 0; n < count; ++n) {
    SCOPED_TRACE("piece " + std::to_string(n + 1));
    EXPECT_EQ(pieces.numbers[n], static_cast<int>(n + 1));
    EXPECT_EQ(pieces.measured[n], pieces.planned[n]);
    // (The log cuts the figure to three decimals.)
    EXPECT_NEAR(facts.machineLines[n], pieces.measured[n], 0.001);
    const bool forced = !pieces.cleanEnds[n];
    const bool afterForced = n > 0 && !pieces.cleanEnds[n - 1];
    const bool last = n + 1 == count;
    if (forced || afterForced || (last && (facts.lastCutPassed || facts.neverReached))) continue;
    EXPECT_LE(pieces.measured[n], limit);
  }
}

// Each piece of the program at `path` states in its comment the machine time measured for it (to
// three decimals).
void ExpectCommentsAsMeasured(const std::string& path, const PieceFigures& pieces) {
  const std::string label = "(MACHINE TIME = ";
  for (size_t n = 0; n < pieces.measured.size(); ++n) {
    char piece[kPathField];
    PiecePath(path.c_str(), static_cast<int>(n + 1), piece, sizeof piece);
    const std::string text = ReadFileBytes(piece);
    const size_t at = text.find(label);
    ASSERT_NE(at, std::string::npos) << piece;
    EXPECT_NEAR(std::strtod(text.c_str() + at + label.size(), nullptr), pieces.measured[n], 0.0005 + 1e-9) << piece;
  }
}

class MachineTimeSeams : public testing::Test {
 protected:
  MachineTimeSeams() { fake_.executablePath = dir_.Path("quendrix"); }

  void Settings(const std::string& command) {
    dir_.Write("Quendrix.ini", "[COMMAND]\r\nMODE=1\r\n" + command + "[PAVLOK]\r\nNCVIEWER=\r\n[MACHINE]\r\n" + kMachine);
    StartSettings();
    ReadCommandSettings(&command_);
  }

  // Splits `job` under the settings last written, telling `pieces`; the log's facts.
  int Split(SplitJob job, PieceFigures* pieces, LogFacts* facts, const char* piecesText = nullptr) {
    job.settings = command_;
    job.observer = pieces;
    job.pieces = piecesText;
    fake_.pane.Clear();
    fake_.boxes.clear();
    const int result = SplitProgram(nullptr, job);
    *facts = ReadFacts(fake_.logLines());
    return result;
  }

  // The program's machine time (minutes) as the run log gives it (a split that needs none).
  double MachineTotal(const std::string& path, const double start[3]) {
    Settings("TIMEMODEL=1\r\n");
    SplitJob job{path.c_str(), 1e6, 1e6, {start[0], start[1], start[2]}};
    job.settings = command_;
    fake_.pane.Clear();
    EXPECT_EQ(SplitProgram(nullptr, job), kSplitFailed);  // no split needed
    const std::string label = "　合計機械時間 : ";
    for (const std::string& line : fake_.logLines()) {
      if (StartsWith(line, label)) return std::strtod(line.c_str() + label.size(), nullptr);
    }
    ADD_FAILURE() << "no machine time in the log";
    return 0.0;
  }

  void RemovePieces(const std::string& path) {
    for (int n = 1;; ++n) {
      char piece[kPathField];
      PiecePath(path.c_str(), n, piece, sizeof piece);
      if (!platform::FileExists(piece)) break;
      platform::RemoveFile(piece);
    }
  }

  FakePlatform fake_;
  TempDir dir_;
  CommandSettings command_{0, 0, 1, 0, 1};
};

// Generated programs (holes, tool changes, dwells, arcs, subprograms) under SEAM=break, tool, and
// SIZE with each policy, with machine-time limits of a few pieces. Every split passes the split
// check (the run checks it).
TEST_F(MachineTimeSeams, GeneratedProgramsKeepTheirMachineTimesAsPlanned) {
  const int programs = std::getenv("QX_LONG_TESTS") != nullptr ? 60 : 6;
  int splits = 0;
  int pieceCount = 0;
  int forced = 0;
  // Each with a limit of a few pieces (0: drawn), and break and tool with one of many short pieces.
  const std::vector<std::pair<std::string, double>> commands = {
      {"SEAM=break\r\n", 0}, {"SEAM=tool\r\n", 0}, {"SEAM=cut\r\nSIZE=6\r\n", 0}, {"SEAM=break\r\nSIZE=6\r\n", 0},
      {"SEAM=break\r\n", 25}, {"SEAM=tool\r\nSIZE=4\r\n", 25}};
  for (int i = 0; i < programs + programs / 2; ++i) {
    const uint32_t seed = 8100 + static_cast<uint32_t>(i);
    const int style = i >= programs ? kSubprograms : i % 2 == 0 ? kStateThePosition : kCamPost;
    const GeneratedProgram program = GenerateProgram(seed, 300, style);
    const std::string name = "MT" + std::to_string(seed) + ".NC";
    dir_.Write(name, program.text);
    const std::string path = dir_.Path(name);
    const double total = MachineTotal(path, program.start);
    std::mt19937 rng(seed);
    for (const auto& [command, parts] : commands) {
      const double limit = total / (parts > 0 ? parts : 2.0 + static_cast<double>(rng() % 5));
      SCOPED_TRACE(name + " " + command + " limit " + std::to_string(limit));
      Settings("TIMEMODEL=1\r\n" + command);
      PieceFigures pieces;
      LogFacts facts;
      ASSERT_EQ(Split({path.c_str(), 1e6, limit, {program.start[0], program.start[1], program.start[2]}}, &pieces,
                      &facts),
                kSplitDone)
          << facts.errors;
      ExpectMachineTimesKept(pieces, facts, limit);
      ExpectCommentsAsMeasured(path, pieces);
      ++splits;
      pieceCount += static_cast<int>(pieces.measured.size());
      forced += facts.forcedWarnings;
      RemovePieces(path);
    }
  }
  std::printf("machine time, planned seams: %d splits, %d pieces, %d forced seams\n", splits, pieceCount, forced);
}

// Golden programs of tool changes, holes, 3D surfacing and arcs, under each planned policy.
TEST_F(MachineTimeSeams, RealProgramsKeepTheirMachineTimesAsPlanned) {
  struct Program {
    const char* file;
    double start[3];
  };
  const Program programs[] = {
      {"tests/data/real/CAM_TWO_TOOLS.NC", {0, 0, 50}},
      {"tests/data/real/TWO_TOOLS.NC", {0, 0, 100}},
      {"tests/data/real/DRILLING_ONLY.NC", {0, 0, 100}},
      {"tests/data/programs/SURFACE_ROWS.NC", {0, 0, 100}},
  };
  int splits = 0;
  for (const Program& program : programs) {
    const std::string text = ReadFileBytes(std::string(QX_SOURCE_DIR) + "/" + program.file);
    ASSERT_FALSE(text.empty()) << program.file;
    dir_.Write("REAL.NC", text);
    const std::string path = dir_.Path("REAL.NC");
    const double total = MachineTotal(path, program.start);
    for (const char* command : {"SEAM=break\r\n", "SEAM=tool\r\n", "SEAM=break\r\nSIZE=4\r\n"}) {
      for (double parts : {2.5, 4.0, 7.0}) {
        const double limit = total / parts;
        SCOPED_TRACE(std::string(program.file) + " " + command + " limit " + std::to_string(limit));
        Settings(std::string("TIMEMODEL=1\r\n") + command);
        PieceFigures pieces;
        LogFacts facts;
        ASSERT_EQ(Split({path.c_str(), 1e6, limit, {program.start[0], program.start[1], program.start[2]}},
                        &pieces, &facts),
                  kSplitDone)
            << facts.errors;
        ExpectMachineTimesKept(pieces, facts, limit);
        ExpectCommentsAsMeasured(path, pieces);
        ++splits;
        RemovePieces(path);
      }
    }
  }
  std::printf("machine time, planned seams over real programs: %d splits\n", splits);
}

// Three passes, each from the start height down and back up (a break between them): a long
// straight pass, a pass of 250 zigzags of 1 mm (a sharp corner at each, several times slower on
// the machine than programmed), and another long pass. By the programmed time the first piece
// holds the first two passes; by the machine time the zigzags pass the limit after the first, so
// the seam falls at the earlier break, before the zigzags, and the last pass is a piece of its own.
TEST_F(MachineTimeSeams, TheMachineTimeMovesTheSeamToAnEarlierBreak) {
  std::string text = "%\r\nO0001\r\nG92X0.Y0.Z50.\r\nG90G17G40\r\nG00X0.Y0.Z50.\r\n";
  text += "G00Z5.\r\nG01Z0.F3000.\r\nX600.\r\nG00Z50.\r\n";  // pass 1: 0.2 min at F3000
  text += "G00X0.Y20.\r\nZ5.\r\nG01Z0.F3000.\r\n";           // pass 2, zigzags (line 13 on)
  for (int i = 0; i < 250; ++i) {
    char step[48];
    std::snprintf(step, sizeof step, "X%.1fY%d.\r\n", 0.4 * (i + 1), i % 2 == 0 ? 20 : 21);
    text += step;
  }
  text += "G00Z50.\r\n";
  text += "G00X0.Y40.\r\nZ5.\r\nG01Z0.F3000.\r\nX600.\r\nG00Z50.\r\n";  // pass 3
  text += "X0.Y0.\r\nM30\r\n%\r\n";
  dir_.Write("ZIGZAG.NC", text);
  const std::string path = dir_.Path("ZIGZAG.NC");
  const double start[3] = {0, 0, 50};
  const double limit = 0.45;  // passes 1 and 2 programmed: 0.29 min; with pass 3 over 0.45
  const std::string zigzag = "X0.8Y21.";  // the zigzags' second move, as written in a piece

  Settings("TIMEMODEL=0\r\nSEAM=break\r\n");
  PieceFigures programmed;
  LogFacts facts;
  ASSERT_EQ(Split({path.c_str(), 1e6, limit, {start[0], start[1], start[2]}}, &programmed, &facts), kSplitDone)
      << facts.errors;
  ASSERT_EQ(programmed.times.size(), 2u);
  EXPECT_NE(dir_.Read("ZIGZAG_001.NC").find(zigzag), std::string::npos);  // the zigzags in piece 1
  RemovePieces(path);

  Settings("TIMEMODEL=1\r\nSEAM=break\r\n");
  PieceFigures machine;
  ASSERT_EQ(Split({path.c_str(), 1e6, limit, {start[0], start[1], start[2]}}, &machine, &facts), kSplitDone)
      << facts.errors;
  ASSERT_EQ(machine.measured.size(), 3u);
  EXPECT_EQ(dir_.Read("ZIGZAG_001.NC").find(zigzag), std::string::npos);  // piece 1: pass 1 alone
  EXPECT_NE(dir_.Read("ZIGZAG_002.NC").find(zigzag), std::string::npos);
  EXPECT_EQ(facts.forcedWarnings, 0);
  ExpectMachineTimesKept(machine, facts, limit);
  // Every piece ends at a break.
  for (size_t n = 0; n + 1 < machine.cleanEnds.size(); ++n) EXPECT_TRUE(machine.cleanEnds[n]) << n + 1;
}

// The machine time grows between cuts too: here by a dwell of 20 s at the start height after a
// pass, before the break to the next pass. A limit that falls inside the dwell is passed only
// after the pass's last cut, yet a piece ending at the break after the dwell would pass it: the
// piece ends at its break before, or, with no break since it began, as under "cut" at its last cut
// (logged as forced). Never at the break after the dwell.
TEST_F(MachineTimeSeams, APiecePassingTheLimitAfterItsLastCutEndsBefore) {
  // Each pass: down from the start height, a cut of 600 mm at F3000 (0.2 min), up again.
  auto pass = [](int y, bool leftward) {
    char text[128];
    std::snprintf(text, sizeof text, "G00X%d.Y%d.\r\nZ5.\r\nG01Z0.F3000.\r\nX%d.\r\nG00Z50.\r\n",
                  leftward ? 600 : 0, y, leftward ? 0 : 600);
    return std::string(text);
  };
  const std::string head = "%\r\nO0001\r\nG92X0.Y0.Z50.\r\nG90G17G40\r\nG00X0.Y0.Z50.\r\n";
  const std::string dwell = "G04P20000\r\n";
  const std::string tail = "G00X0.Y0.\r\nM30\r\n%\r\n";
  const struct {
    const char* name;
    std::string program;
    double limit;
    size_t pieces;
    int forced;
    const char* firstEndsBefore;  // a move the first piece does not hold
  } cases[] = {
      // pass, pass, dwell (0.75 min by then), pass, pass: the first piece ends at the break before
      // the second pass, the second at the break after the dwell.
      {"a break before", head + pass(0, false) + pass(10, true) + dwell + pass(20, false) + pass(30, true) + tail,
       0.6, 3, 0, "G00X600.Y10."},
      // pass, dwell (0.54 min), pass: no break before the dwell in the first piece, so it ends as
      // under "cut" with its last cut, which the next piece cuts again.
      {"no break before", head + pass(0, false) + dwell + pass(10, true) + tail, 0.4, 3, 1, "G00X600.Y10."},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    dir_.Write("DWELL.NC", c.program);
    const std::string path = dir_.Path("DWELL.NC");
    Settings("TIMEMODEL=1\r\nSEAM=break\r\n");
    PieceFigures pieces;
    LogFacts facts;
    ASSERT_EQ(Split({path.c_str(), 1e6, c.limit, {0, 0, 50}}, &pieces, &facts), kSplitDone) << facts.errors;
    EXPECT_EQ(pieces.measured.size(), c.pieces);
    EXPECT_EQ(facts.forcedWarnings, c.forced);
    ExpectMachineTimesKept(pieces, facts, c.limit);
    EXPECT_LE(pieces.measured[0], c.limit);
    EXPECT_EQ(dir_.Read("DWELL_001.NC").find(c.firstEndsBefore), std::string::npos);
    EXPECT_EQ(dir_.Read("DWELL_001.NC").find("G04P20000"), std::string::npos);
    RemovePieces(path);
  }
}

// A tool change takes its time on the machine (3 s here). A limit passed during the change is
// passed after the tool's last cut and its way out of the stock, before the change block, where
// the piece can still end: the seam falls at the change, not at the break before the last pass.
TEST_F(MachineTimeSeams, ALimitPassedDuringAToolChangeEndsThePieceBeforeIt) {
  const std::string program =
      "%\r\nO1234\r\nG90 G94 G17 G21 G40 G49 G80\r\nG91 G28 Z0.\r\nG90\r\nT1 M06\r\nS4500 M03\r\nG54\r\n"
      "G90 G00 X0. Y0.\r\nG43 H1 Z50.\r\nM08\r\n"
      "Z5.\r\nG01 Z-1. F3000.\r\nX600.\r\nG00 Z50.\r\n"            // pass A
      "X0. Y10.\r\nZ5.\r\nG01 Z-1.\r\nX600.\r\nG00 Z50.\r\n"     // pass B
      "M09\r\nM05\r\nG91 G28 Z0.\r\nT2 M06\r\nS4000 M03\r\n"     // the change (line 25)
      "G90 G00 X0. Y20.\r\nG43 H2 Z50.\r\nM08\r\nZ5.\r\nG01 Z-1. F3000.\r\nX600.\r\nG00 Z50.\r\n"
      "M09\r\nM05\r\nG91 G28 Z0.\r\nG28 X0. Y0.\r\nM30\r\n%\r\n";
  dir_.Write("CHANGE.NC", program);
  const std::string path = dir_.Path("CHANGE.NC");
  // The machine time of the first tool's piece: SEAM=tool ends a piece at every tool change.
  Settings("TIMEMODEL=1\r\nSEAM=tool\r\n");
  PieceFigures byTool;
  LogFacts facts;
  ASSERT_EQ(Split({path.c_str(), 1e6, 1e6, {0, 0, 50}}, &byTool, &facts), kSplitDone) << facts.errors;
  ASSERT_EQ(byTool.measured.size(), 2u);
  const double firstTool = byTool.measured[0];
  RemovePieces(path);

  // A limit half way through the change.
  const double limit = firstTool + 1.5 / 60.0;
  Settings("TIMEMODEL=1\r\nSEAM=break\r\n");
  PieceFigures pieces;
  ASSERT_EQ(Split({path.c_str(), 1e6, limit, {0, 0, 50}}, &pieces, &facts), kSplitDone) << facts.errors;
  ASSERT_EQ(pieces.measured.size(), 2u);
  EXPECT_EQ(pieces.measured[0], firstTool);
  EXPECT_EQ(facts.forcedWarnings, 0);
  ExpectMachineTimesKept(pieces, facts, limit);
  EXPECT_EQ(dir_.Read("CHANGE_001.NC").find("T2"), std::string::npos);
  EXPECT_NE(dir_.Read("CHANGE_002.NC").find("T2 M06"), std::string::npos);
  EXPECT_EQ(dir_.Read("CHANGE_002.NC").find("X0.Y10."), std::string::npos);  // pass B is in piece 1
}

// A seam that waits for a place (here after the hole that passed the limit) falls at the next tool
// change where a piece may begin, even one the program does not come to from the reference point
// (no break there): the plan follows the split loop there, so the next piece's machine time counts
// from the change, its 3 s included.
TEST_F(MachineTimeSeams, ASeamWaitingAfterAHoleFallsAtTheNextToolChangeAsPlanned) {
  dir_.Write("HOLE.NC",
             "%\r\nO0001\r\nG90 G17 G21 G40 G49 G80\r\nT1 M06\r\nS3000 M03\r\nG00 X0. Y0.\r\nG43 H1 Z50.\r\n"
             "Z5.\r\nG01 Z-1. F1000.\r\nX100.\r\nG00 Z50.\r\n"
             "G81 X50. Y50. Z-20. R2. F30.\r\nG80\r\nG00 Z50.\r\nM05\r\n"  // a hole of 0.73 min
             "T2 M06\r\nS3000 M03\r\nG00 X0. Y0.\r\nG43 H2 Z50.\r\nZ5.\r\nG01 Z-1. F1000.\r\nX100.\r\nG00 Z50.\r\n"
             "M30\r\n%\r\n");
  const std::string path = dir_.Path("HOLE.NC");
  // (Under break and tool the first cut is a piece of its own, ended at the break before the hole.)
  const struct {
    const char* command;
    size_t pieces;
  } cases[] = {{"SEAM=cut\r\nSIZE=100\r\n", 2}, {"SEAM=break\r\n", 3}, {"SEAM=tool\r\n", 3}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.command);
    Settings(std::string("TIMEMODEL=1\r\n") + c.command);
    PieceFigures pieces;
    LogFacts facts;
    ASSERT_EQ(Split({path.c_str(), 1e6, 0.5, {0, 0, 50}}, &pieces, &facts), kSplitDone) << facts.errors;
    ASSERT_EQ(pieces.measured.size(), c.pieces);
    ExpectMachineTimesKept(pieces, facts, 0.5);
    EXPECT_EQ(facts.forcedWarnings, c.pieces == 3 ? 1 : 0);  // (under cut every seam falls so unannounced)
    char last[kPathField];
    PiecePath(path.c_str(), static_cast<int>(c.pieces), last, sizeof last);
    const std::string text = ReadFileBytes(last);
    EXPECT_NE(text.find("T2 M06"), std::string::npos);
    EXPECT_EQ(text.find("G81"), std::string::npos);
    // The tool change's 3 s are the last piece's.
    EXPECT_GT(pieces.measured.back(), 3.0 / 60.0);
    RemovePieces(path);
  }
}

// --pieces N under TIMEMODEL=1 shares the program's machine time: the log says so, and the pieces'
// machine times are near the N-th share, as near as the program's cuts allow.
TEST_F(MachineTimeSeams, PiecesShareTheMachineTime) {
  int splits = 0;
  double furthest = 0.0;
  for (uint32_t seed : {8300u, 8301u, 8302u, 8303u}) {
    const GeneratedProgram program = GenerateProgram(seed, 400, seed % 2 == 0 ? kStateThePosition : kCamPost);
    const std::string name = "EQ" + std::to_string(seed) + ".NC";
    dir_.Write(name, program.text);
    const std::string path = dir_.Path(name);
    const double total = MachineTotal(path, program.start);
    for (const char* policy : {"SEAM=cut\r\n", "SEAM=break\r\n"}) {
      const int count = 2 + static_cast<int>(seed % 3);
      const std::string countText = std::to_string(count);
      SCOPED_TRACE(name + " " + policy + " --pieces " + countText);
      Settings(std::string("TIMEMODEL=1\r\n") + policy);
      PieceFigures pieces;
      LogFacts facts;
      ASSERT_EQ(Split({path.c_str(), 1e6, 1e6, {program.start[0], program.start[1], program.start[2]}}, &pieces,
                      &facts, countText.c_str()),
                kSplitDone)
          << facts.errors;
      const std::vector<std::string>& log = fake_.logLines();
      EXPECT_NE(std::find(log.begin(), log.end(), "　　　　分割数 : " + countText + " （機械時間の等分）"), log.end());
      EXPECT_EQ(std::find(log.begin(), log.end(), "　　　　分割数 : " + countText + " （切削時間の等分）"), log.end());
      ExpectMachineTimesKept(pieces, facts, 1e6);
      ASSERT_EQ(static_cast<int>(pieces.measured.size()), count);
      double sum = 0.0;
      for (double minutes : pieces.measured) sum += minutes;
      // The pieces add up to the program, give or take what stopping and starting costs at a seam.
      EXPECT_NEAR(sum, total, 0.01 * total + 0.002);
      // Each seam lands near its share's end: under cut within the cut that passes it (and a carry
      // past cuts where no piece may begin), under break within the stretch between two breaks,
      // all in machine time; a piece also starts and stops (a few hundredths of a minute here).
      ASSERT_GE(pieces.cut, 0.0) << "the plan's figures were not told";
      const double share = total / count;
      const double bound = std::string(policy) == "SEAM=cut\r\n" ? pieces.cut + pieces.carry
                                                                 : std::max(pieces.stretch, pieces.cut + pieces.carry);
      for (size_t n = 0; n < pieces.measured.size(); ++n) {
        const double off = std::abs(pieces.measured[n] - share);
        EXPECT_LE(off, 2 * bound + 0.05) << "piece " << n + 1 << " of " << pieces.measured[n] << " min, share "
                                         << share << ", bound " << bound;
        furthest = std::max(furthest, off / share);
      }
      ++splits;
      RemovePieces(path);
    }
  }
  std::printf("--pieces by machine time: %d splits, the piece furthest from its share off by %.2f of it\n", splits,
              furthest);
}

// Two straight passes of 0.2 min, each in ten moves, then 250 zigzags of 0.09 min programmed but
// about 0.33 on the machine. Halved by the programmed time, the seam falls early in the second
// pass and the second piece takes far longer on the machine; halved by the machine time it falls
// late in the second pass, and both pieces take about as long.
TEST_F(MachineTimeSeams, TheSharesOfTheMachineTimeBalanceTheMachineTimes) {
  std::string text = "%\r\nO0001\r\nG92X0.Y0.Z50.\r\nG90G17G40\r\nG00X0.Y0.Z50.\r\n";
  for (int pass = 0; pass < 2; ++pass) {
    char line[64];
    std::snprintf(line, sizeof line, "G00X0.Y%d.\r\nZ5.\r\nG01Z0.F3000.\r\n", 10 * pass);
    text += line;
    for (int i = 1; i <= 10; ++i) {
      std::snprintf(line, sizeof line, "X%d.\r\n", 60 * i);
      text += line;
    }
    text += "G00Z50.\r\n";
  }
  text += "G00X0.Y20.\r\nZ5.\r\nG01Z0.F3000.\r\n";
  for (int i = 0; i < 250; ++i) {
    char step[48];
    std::snprintf(step, sizeof step, "X%.1fY%d.\r\n", 0.4 * (i + 1), i % 2 == 0 ? 20 : 21);
    text += step;
  }
  text += "G00Z50.\r\nX0.Y0.\r\nM30\r\n%\r\n";
  dir_.Write("SHARES.NC", text);
  const std::string path = dir_.Path("SHARES.NC");
  const double start[3] = {0, 0, 50};
  const double total = MachineTotal(path, start);

  std::string byProgrammed;
  for (int model : {0, 1}) {
    SCOPED_TRACE(model);
    Settings("TIMEMODEL=" + std::to_string(model) + "\r\nSEAM=cut\r\n");
    PieceFigures pieces;
    LogFacts facts;
    ASSERT_EQ(Split({path.c_str(), 1e6, 1e6, {start[0], start[1], start[2]}}, &pieces, &facts, "2"), kSplitDone)
        << facts.errors;
    ASSERT_EQ(pieces.times.size(), 2u);
    if (model == 0) {
      byProgrammed = dir_.Read("SHARES_001.NC");
      // Half the programmed time each, within a move of 0.02 min.
      EXPECT_NEAR(pieces.times[0], pieces.times[1], 0.05);
    } else {
      ASSERT_EQ(pieces.measured.size(), 2u);
      EXPECT_NEAR(pieces.measured[0], total / 2, 0.03);
      EXPECT_NEAR(pieces.measured[1], total / 2, 0.03);
      // The seam fell further on: the first piece holds more of the second pass.
      EXPECT_GT(dir_.Read("SHARES_001.NC").size(), byProgrammed.size());
    }
    RemovePieces(path);
  }
}

// --pieces N with the limits in force as well (a limit a little above or below a share): the
// seams of the limits and of the shares are one plan, no seam planned twice (which the split loop
// would stop following there), and no piece a forced seam does not end passes the limit, by
// either time.
TEST_F(MachineTimeSeams, PiecesWithTheLimitsInForceKeepThem) {
  int splits = 0;
  for (uint32_t seed = 9000; seed < 9016; ++seed) {
    const GeneratedProgram program = GenerateProgram(seed, 300, seed % 2 == 0 ? kStateThePosition : kCamPost);
    const std::string name = "PL" + std::to_string(seed) + ".NC";
    dir_.Write(name, program.text);
    const std::string path = dir_.Path(name);
    const double machineTotal = MachineTotal(path, program.start);
    double programmedTotal = 0.0;
    const std::string label = "　合計加工時間 : ";
    for (const std::string& line : fake_.logLines()) {
      if (StartsWith(line, label)) programmedTotal = std::strtod(line.c_str() + label.size(), nullptr);
    }
    ASSERT_GT(programmedTotal, 0.0);
    const int count = 2 + static_cast<int>(seed % 3);
    const std::string countText = std::to_string(count);
    for (int model : {0, 1}) {
      for (double factor : {0.9, 1.02, 1.1, 1.3}) {
        const double limit = (model == 1 ? machineTotal : programmedTotal) / count * factor;
        SCOPED_TRACE(name + " TIMEMODEL=" + std::to_string(model) + " --pieces " + countText + " limit " +
                     std::to_string(limit));
        Settings("TIMEMODEL=" + std::to_string(model) + "\r\nSEAM=break\r\n");
        PieceFigures pieces;
        LogFacts facts;
        ASSERT_EQ(Split({path.c_str(), 1e6, limit, {program.start[0], program.start[1], program.start[2]}}, &pieces,
                        &facts, countText.c_str()),
                  kSplitDone)
            << facts.errors;
        if (model == 1) {
          ExpectMachineTimesKept(pieces, facts, limit);
        } else {
          ASSERT_EQ(pieces.cleanEnds.size(), pieces.times.size());
          for (size_t n = 0; n < pieces.times.size(); ++n) {
            const bool forced = !pieces.cleanEnds[n] || (n > 0 && !pieces.cleanEnds[n - 1]);
            const bool last = n + 1 == pieces.times.size();
            if (forced || (last && (facts.lastCutPassed || facts.neverReached))) continue;
            EXPECT_LE(pieces.times[n], limit) << "piece " << n + 1;
          }
        }
        ++splits;
        RemovePieces(path);
      }
    }
  }
  std::printf("--pieces with the limits in force: %d splits\n", splits);
}

// The shared corpus of real programs (QX_CORPUS_DIR; skipped when absent) under SEAM=break, tool,
// SIZE and --pieces with TIMEMODEL=1: every program that splits by the programmed time splits by
// the machine time too, each piece's planned machine time is the one measured, and no piece a
// forced seam does not end passes the limit.
TEST(MachineTimeSeamsCorpus, RealProgramsKeepTheirMachineTimesAsPlanned) {
  namespace fs = std::filesystem;
  const fs::path corpus(QX_CORPUS_DIR);
  std::error_code ec;
  if (!fs::is_directory(corpus, ec)) GTEST_SKIP() << "no corpus at " << corpus;
  int splits = 0;
  int pieceCount = 0;
  for (const fs::path& source : CorpusPrograms(corpus)) {
    SCOPED_TRACE(source.filename().string());
    FakePlatform fake;
    TempDir dir;
    fake.executablePath = dir.Path("quendrix");
    dir.Write("PROGRAM.NC", ReadFileBytes(source.string()));
    const std::string path = dir.Path("PROGRAM.NC");
    double start[3] = {0, 0, 0};
    SafeStart(path, start);
    auto run = [&](const std::string& command, double limit, const char* piecesText, PieceFigures* pieces,
                   LogFacts* facts) {
      dir.Write("Quendrix.ini", "[COMMAND]\r\nMODE=1\r\n" + command + "[PAVLOK]\r\nNCVIEWER=\r\n[MACHINE]\r\n" + kMachine);
      StartSettings();
      CommandSettings settings{0, 0, 1, 0, 1};
      ReadCommandSettings(&settings);
      SplitJob job{path.c_str(), 1e6, limit, {start[0], start[1], start[2]}};
      job.settings = settings;
      job.observer = pieces;
      job.pieces = piecesText;
      fake.pane.Clear();
      const int result = SplitProgram(nullptr, job);
      *facts = ReadFacts(fake.logLines());
      return result;
    };
    // The machine time of the whole program, from a run that needs no split.
    PieceFigures none;
    LogFacts facts;
    run("TIMEMODEL=1\r\n", 1e6, nullptr, &none, &facts);
    double total = 0.0;
    const std::string label = "　合計機械時間 : ";
    for (const std::string& line : fake.logLines()) {
      if (StartsWith(line, label)) total = std::strtod(line.c_str() + label.size(), nullptr);
    }
    if (!(total > 0.0)) continue;  // refused, or no time to split
    for (const char* command : {"SEAM=break\r\n", "SEAM=tool\r\n", "SEAM=break\r\nSIZE=64\r\n", "PIECES"}) {
      const bool shares = std::string(command) == "PIECES";
      const std::string seam = shares ? "SEAM=break\r\n" : command;
      const double limit = shares ? 1e6 : total / 3.0;
      SCOPED_TRACE(seam + (shares ? " --pieces 3" : ""));
      PieceFigures programmed;
      const int byProgrammed = run("TIMEMODEL=0\r\n" + seam, limit, shares ? "3" : nullptr, &programmed, &facts);
      PieceFigures pieces;
      const int result = run("TIMEMODEL=1\r\n" + seam, limit, shares ? "3" : nullptr, &pieces, &facts);
      if (byProgrammed == kSplitDone) {
        EXPECT_EQ(result, kSplitDone) << facts.errors;
      }
      if (result != kSplitDone) continue;
      ExpectMachineTimesKept(pieces, facts, limit);
      ++splits;
      pieceCount += static_cast<int>(pieces.measured.size());
    }
  }
  std::printf("corpus, machine time, planned seams: %d splits, %d pieces\n", splits, pieceCount);
}

}  // namespace
