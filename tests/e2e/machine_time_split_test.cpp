// The split by machine time (TIMEMODEL=1): the estimate against the programmed time over
// generated programs, the split's pieces against the whole program's estimate, the split decided
// on the machine time, and the settings that are refused.
#include <gtest/gtest.h>

#include <algorithm>
#include <climits>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "config/settings.h"
#include "header_footer/header_cut.h"
#include "log/run_log.h"
#include "nc/measure.h"
#include "platform/platform.h"
#include "split/intermediate.h"
#include "split/machine_meter.h"
#include "split/measure_pass.h"
#include "split/seam_rules.h"
#include "split/split_driver.h"
#include "support/fake_platform.h"
#include "support/program_generator.h"
#include "support/temp_dir.h"

namespace {

// The [MACHINE] section of these tests: equal axes, so a rapid's rate along its direction is
// easy to bound.
constexpr double kRapid = 30000;  // mm/min
constexpr double kAccel = 2000;   // mm/s^2
constexpr double kFeedMax = 10000;
constexpr double kBlockSeconds = 0.001;
const char kMachine[] =
    "RAPIDX=30000\r\nRAPIDY=30000\r\nRAPIDZ=30000\r\nFEEDX=10000\r\nFEEDY=10000\r\nFEEDZ=10000\r\n"
    "ACCELX=2000\r\nACCELY=2000\r\nACCELZ=2000\r\nCORNER=0.01\r\nTOOLCHANGE=4\r\nBLOCKTIME=1\r\n"
    "OVERRIDE=100\r\n";

MachineLimits TestMachine(double accel = kAccel) {
  return MachineLimits{{kRapid, kRapid, kRapid}, {kFeedMax, kFeedMax, kFeedMax}, {accel, accel, accel},
                       0.01, 4.0, kBlockSeconds, 1.0};
}

// The number after `label` in the first log line holding it (NaN: none).
double Figure(const std::vector<std::string>& log, const std::string& label) {
  for (const std::string& line : log) {
    const size_t at = line.find(label);
    if (at != std::string::npos) return std::strtod(line.c_str() + at + label.size(), nullptr);
  }
  return NAN;
}

// The pieces' machine times: "　　　機械時間 [ nn ] 見積 = M　指令 = P".
std::vector<double> PieceMachineTimes(const std::vector<std::string>& log) {
  std::vector<double> times;
  const std::string prefix = "　　　機械時間 [ ";
  const std::string label = "見積 = ";
  for (const std::string& line : log) {
    if (line.rfind(prefix, 0) != 0) continue;
    times.push_back(std::strtod(line.c_str() + line.find(label) + label.size(), nullptr));
  }
  return times;
}

class MachineTimeSplit : public testing::Test {
 protected:
  MachineTimeSplit() { fake_.executablePath = dir_.Path("quendrix"); }

  void Settings(const std::string& command, const std::string& machine = kMachine) {
    dir_.Write("Quendrix.ini", "[COMMAND]\r\nMODE=1\r\n" + command + "[PAVLOK]\r\nNCVIEWER=\r\n[MACHINE]\r\n" + machine);
    StartSettings();
    ReadCommandSettings(&command_);
  }

  // SplitProgram of `job` under the settings last written.
  int Split(SplitJob job) const {
    job.settings = command_;
    return SplitProgram(nullptr, job);
  }

  // The program's programmed time, the least time its rapids can take at the rapid rate along
  // their directions, and its machine time with `limits` (minutes), measured as a split does.
  struct Times {
    double programmed;
    double rapids;
    double machine;
  };
  Times Measure(const std::string& path, const double start[3], const MachineLimits& limits) {
    PositioningRecipe recipe{};
    EXPECT_EQ(CutHeader(path.c_str(), nullptr, &recipe), kHeaderCutOk);
    const int bodyLine = recipe.bodyLine == 0 ? INT_MAX : recipe.bodyLine;
    const std::string intermediate = dir_.Path("TIMES_ascii.txt");
    SplitMeter distance{}, time{};
    Extents minimum{}, maximum{};
    MeasureReport report{};
    EXPECT_EQ(MeasureProgram({path.c_str(), intermediate.c_str(), start, bodyLine, &limits},
                             {&distance, &time, &minimum, &maximum, &report}),
              kMeasureOk);
    Times times{time.running, 0.0, 0.0};
    EXPECT_EQ(EstimateMachineTime(intermediate.c_str(), limits, bodyLine, report.lastMoveRecord, &times.machine),
              kMachineEstimateOk);
    // The pass's own estimate (what the split decides on) is that of the file it wrote, read
    // back, up to the file's rounding of the coordinates.
    EXPECT_NEAR(report.machineMinutes, times.machine, 1e-5 * times.machine + 1e-9);
    platform::FileHandle file(intermediate.c_str(), "rb");
    IntermediateReader reader(file.get());
    Position at{};
    bool started = false;
    int kind;
    while ((kind = reader.Next()) != kRecordEnd && kind != kRecordBad) {
      if (kind == kRecordHole) at = HoleEnd(reader.hole());
      if (kind != kRecordMove) continue;
      const MoveRecord& move = reader.move();
      if (started && move.motion == 0) {
        double longest = 0.0;
        double length2 = 0.0;
        for (int axis = kX; axis <= kZ; ++axis) {
          const double d = std::fabs(move.at[axis] - at[axis]);
          longest = std::fmax(longest, d);
          length2 += d * d;
        }
        // The fastest axis-bounded rate along the move: kRapid / the largest share of an axis.
        if (longest > 0.0) times.rapids += std::sqrt(length2) / (kRapid * std::sqrt(length2) / longest);
      }
      at = move.at;
      started = true;
    }
    file.Close();
    platform::RemoveFile(intermediate.c_str());
    return times;
  }

  FakePlatform fake_;
  TempDir dir_;
  CommandSettings command_{0, 0, 1, 0, 1};
};

TEST_F(MachineTimeSplit, OverGeneratedProgramsTheEstimateBoundsAndSplitsConsistently) {
  Settings("TIMEMODEL=1\r\n");
  for (uint32_t seed = 3000; seed < 3012; ++seed) {
    for (int style : {kStateThePosition, kCamPost}) {
      const std::string name = "M" + std::to_string(seed) + "_" + std::to_string(style) + ".NC";
      SCOPED_TRACE(name);
      const GeneratedProgram program = GenerateProgram(seed, 300, style);
      dir_.Write(name, program.text);
      const std::string path = dir_.Path(name);
      const Times times = Measure(path, program.start, TestMachine());

      // Never below the programmed time with the rapids at their rate.
      EXPECT_GE(times.machine, times.programmed + times.rapids - 1e-9);
      // A slower machine takes longer.
      const Times slower = Measure(path, program.start, TestMachine(kAccel / 2));
      EXPECT_GE(slower.machine, times.machine - 1e-12);
      EXPECT_GT(slower.machine, times.machine);

      // Split by a share of the machine time: the pieces' times add up to the program's, give or
      // take what stopping and starting again costs at each seam (a rapid and a feed decelerating
      // and accelerating, and a block time) and the rounding of the printed figures.
      fake_.pane.Clear();
      const double limit = times.machine / (2.0 + seed % 4);
      const SplitJob job{path.c_str(), 1e6, limit, {program.start[0], program.start[1], program.start[2]}};
      ASSERT_EQ(Split(job), kSplitDone);
      const std::vector<std::string>& log = fake_.logLines();
      EXPECT_NEAR(Figure(log, "　合計機械時間 : "), times.machine, 0.001);
      const std::vector<double> pieces = PieceMachineTimes(log);
      ASSERT_GE(pieces.size(), 2u);
      double sum = 0.0;
      for (double piece : pieces) sum += piece;
      const double seamCost = (kRapid / 60 / kAccel + kFeedMax / 60 / kAccel + 2 * kBlockSeconds) / 60;
      EXPECT_NEAR(sum, times.machine, (pieces.size() - 1) * seamCost + 0.001 * pieces.size());
      EXPECT_NEAR(Figure(log, "機械時間合計 : "), sum, 0.001 * pieces.size() + 0.001);
    }
  }
}

// 400 steps of 0.5 mm with a corner at each, at 6 m/min: 0.2 minutes programmed, several times
// that on the machine.
TEST_F(MachineTimeSplit, TheSplitTimeIsTheMachineTimeUnderTimeModelOne) {
  std::string text = "%\r\nO0001\r\nG92X0.Y0.Z50.\r\nG90G17G40\r\nG00X0.Y0.Z5.\r\nG01Z0.F6000.\r\n";
  for (int i = 0; i < 200; ++i) {
    char step[64];
    std::snprintf(step, sizeof step, "X%d.5\r\nY%d.\r\n", i, i + 1);
    text += step;
  }
  text += "G00Z50.\r\nX0.Y0.\r\nM30\r\n%\r\n";
  dir_.Write("STAIRS.NC", text);
  const std::string path = dir_.Path("STAIRS.NC");
  const double start[3] = {0, 0, 50};
  const Times times = Measure(path, start, TestMachine());
  ASSERT_GT(times.machine, 2 * times.programmed);
  const double limit = 0.75 * times.programmed;
  const SplitJob job{path.c_str(), 1e6, limit, {0, 0, 50}};

  Settings("TIMEMODEL=0\r\n");  // programmed: two pieces
  ASSERT_EQ(Split(job), kSplitDone);
  EXPECT_EQ(PieceMachineTimes(fake_.logLines()).size(), 0u);
  EXPECT_EQ(dir_.Read("STAIRS_001.NC").find("MACHINE TIME"), std::string::npos);
  const int programmedPieces = static_cast<int>(std::count_if(
      fake_.logLines().begin(), fake_.logLines().end(),
      [](const std::string& line) { return line.rfind("　　　加工情報 [ ", 0) == 0; }));

  fake_.pane.Clear();
  Settings("TIMEMODEL=1\r\n");
  ASSERT_EQ(Split(job), kSplitDone);
  const std::vector<std::string>& log = fake_.logLines();
  EXPECT_NE(std::find(log.begin(), log.end(), "　　時間モデル : 機械時間の見積 (TIMEMODEL=1)"), log.end());
  const std::vector<double> pieces = PieceMachineTimes(log);
  EXPECT_GT(static_cast<int>(pieces.size()), programmedPieces);
  // Every piece but the last ends before its machine time passes the limit, and close to it.
  for (size_t i = 0; i + 1 < pieces.size(); ++i) {
    EXPECT_LE(pieces[i], limit + 0.001);
    EXPECT_GT(pieces[i], 0.8 * limit);
  }
  // The piece's comments hold both times.
  const std::string first = dir_.Read("STAIRS_001.NC");
  EXPECT_NE(first.find("(TIME = "), std::string::npos);
  EXPECT_NE(first.find("(MACHINE TIME = "), std::string::npos);
}

TEST_F(MachineTimeSplit, AnInchProgramRunsAsItsMillimetreTwin) {
  // The same path in both units (1 inch = 25.4 mm): a rapid, feed moves, an arc, a peck drilling
  // cycle and a dwell. The machine's limits are in mm whatever the program's units.
  const std::string metric =
      "%\r\nO1\r\nG21G90G17\r\nG92X0.Y0.Z254.\r\nG00X254.Y0.Z25.4\r\nG01Z0.F254.\r\n"
      "X508.F2540.\r\nG03X254.Y254.I-254.J0.\r\nG04P500\r\nG00Z25.4\r\n"
      "G99G83X0.Y0.Z-25.4R2.54Q6.35F127.\r\nG80\r\nG00Z254.\r\nM30\r\n%\r\n";
  const std::string inch =
      "%\r\nO1\r\nG20G90G17\r\nG92X0.Y0.Z10.\r\nG00X10.Y0.Z1.\r\nG01Z0.F10.\r\n"
      "X20.F100.\r\nG03X10.Y10.I-10.J0.\r\nG04P500\r\nG00Z1.\r\n"
      "G99G83X0.Y0.Z-1.R.1Q.25F5.\r\nG80\r\nG00Z10.\r\nM30\r\n%\r\n";
  dir_.Write("MM.NC", metric);
  dir_.Write("INCH.NC", inch);
  const double mmStart[3] = {0, 0, 254};
  const double inchStart[3] = {0, 0, 10};
  const Times mm = Measure(dir_.Path("MM.NC"), mmStart, TestMachine());
  const Times in = Measure(dir_.Path("INCH.NC"), inchStart, TestMachine());
  EXPECT_NEAR(in.machine, mm.machine, 1e-9 * mm.machine);
  EXPECT_NEAR(in.programmed, mm.programmed, 1e-9 * mm.programmed);
  // The dwell and the pecks are there: more than the programmed time by over half a second.
  EXPECT_GT(mm.machine, mm.programmed + 0.5 / 60);
}

// The split loop plans each piece from a stop only until its plan rejoins the whole program's,
// which the measurement pass planned once and the records carry; from there the piece's time
// runs on by the program's. Over generated programs (holes, tool changes, dwells, arcs), a long
// surfacing program and one of holes only, with a seam every so many records (pieces that never
// rejoin as well as long ones), the piece's time after every record is that of the piece planned
// by itself from its first record, within a nanosecond or so.
TEST_F(MachineTimeSplit, APieceFollowingTheCarriedTimeRunsAsThePiecePlannedByItself) {
  struct Program {
    std::string name;
    std::string text;
    double start[3];
  };
  std::vector<Program> programs;
  for (uint32_t seed : {3100u, 3101u, 3102u}) {
    for (int style : {kStateThePosition, kCamPost}) {
      const GeneratedProgram generated = GenerateProgram(seed, 1500, style);
      programs.push_back({"G" + std::to_string(seed) + "_" + std::to_string(style) + ".NC", generated.text,
                          {generated.start[0], generated.start[1], generated.start[2]}});
    }
  }
  for (const char* file : {"tests/data/programs/SURFACE_ROWS.NC", "tests/data/real/DRILLING_ONLY.NC"}) {
    platform::FileHandle in((std::string(QX_SOURCE_DIR) + "/" + file).c_str(), "rb");
    ASSERT_TRUE(in);
    std::string text;
    char chunk[4096];
    size_t got = 0;
    while ((got = std::fread(chunk, 1, sizeof chunk, in.get())) > 0) text.append(chunk, got);
    programs.push_back({"REAL.NC", text, {0, 0, 100}});
  }
  const MachineLimits limits = TestMachine();
  for (const Program& program : programs) {
    SCOPED_TRACE(program.name);
    dir_.Write(program.name, program.text);
    const std::string path = dir_.Path(program.name);
    PositioningRecipe recipe{};
    ASSERT_EQ(CutHeader(path.c_str(), nullptr, &recipe), kHeaderCutOk);
    const int bodyLine = recipe.bodyLine == 0 ? INT_MAX : recipe.bodyLine;
    const std::string intermediate = dir_.Path("CARRIED_ascii.txt");
    SplitMeter distance{}, time{};
    Extents minimum{}, maximum{};
    MeasureReport report{};
    ASSERT_EQ(MeasureProgram({path.c_str(), intermediate.c_str(), program.start, bodyLine, &limits},
                             {&distance, &time, &minimum, &maximum, &report}),
              kMeasureOk);
    // The pass's total is the estimate of the records as they are read back.
    double estimate = 0.0;
    ASSERT_EQ(EstimateMachineTime(intermediate.c_str(), limits, bodyLine, report.lastMoveRecord, &estimate),
              kMachineEstimateOk);
    EXPECT_EQ(report.machineMinutes, estimate);
    int rejoinedPieces = 0;
    for (int every : {1, 3, 40, 90, 300, 100000}) {
      SCOPED_TRACE(every);
      platform::FileHandle file(intermediate.c_str(), "rb");
      IntermediateReader reader(file.get());
      ASSERT_TRUE(reader.carriesTime());
      SplitMeter pieceDistance{0, 0, 1e300, 0}, pieceTime{0, 0, 1e300, 0}, machine{0, 0, 1e300, 0};
      MachineMeter followed(limits, reader.units());
      PieceMeters meters{&pieceDistance, &pieceTime, minimum, maximum, 1.0, &machine, &followed};
      meters.carried = true;
      meters.Start();
      MachineMeter alone(limits, reader.units());  // every piece planned by itself
      Position at{};
      int paths = 0;
      bool started = false;
      int kind;
      while ((kind = reader.Next()) == kRecordMove || kind == kRecordHole || kind == kRecordBlock) {
        if (kind == kRecordBlock) {
          const BlockRecord& block = reader.block();
          if (!started || block.line < bodyLine || block.line > report.lastMoveLine) continue;
          meters.Measure(block);
          alone.Block(block);
        } else {
          if (started && ++paths % every == 0) {  // a seam: the record begins the next piece
            if (meters.joined) ++rejoinedPieces;
            meters.Reset();
            alone.Reset();
          }
          if (kind == kRecordHole) {
            Position end{};
            meters.Measure(reader.hole(), at, &end);
            alone.Hole(reader.hole(), at);
            at = end;
          } else {
            meters.Measure(reader.move(), at, started);
            if (started) alone.Move(reader.move(), at);
            at = reader.move().at;
            started = true;
          }
        }
        ASSERT_NEAR(machine.running, alone.Minutes(), 1e-10 * (1.0 + alone.Minutes()))
            << "record line " << reader.lineNumber();
      }
      ASSERT_EQ(kind, kRecordEnd);
    }
    // The long pieces did rejoin the program's plan (else nothing here tells the two ways apart).
    EXPECT_GT(rejoinedPieces, 0);
    platform::RemoveFile(intermediate.c_str());
  }
}

// A program whose machine time the records cannot carry (past 31 years, by a feed far too slow)
// is refused under TIMEMODEL=1 with its line; by the programmed time it splits.
TEST_F(MachineTimeSplit, AMachineTimeTooLongToCarryIsRefusedWithItsLine) {
  dir_.Write("CRAWL.NC",
             "%\r\nO0001\r\nG92X0.Y0.Z50.\r\nG00X0.Y0.Z5.\r\nG01Z0.F100.\r\nX100.\r\n"
             "X999999.F0.001\r\nX0.F100.\r\nG00Z50.\r\nM30\r\n%\r\n");
  const std::string path = dir_.Path("CRAWL.NC");
  const SplitJob job{path.c_str(), 500, 1e12, {0, 0, 50}};
  Settings("TIMEMODEL=1\r\n");
  EXPECT_EQ(Split(job), kSplitFailed);
  ASSERT_FALSE(fake_.logLines().empty());
  EXPECT_EQ(fake_.logLines().back(),
            "エラー：7 行目までで機械時間の見積が長すぎます（３１年まで）。送り速度を確かめてください。");
  EXPECT_FALSE(dir_.Exists("CRAWL_001.NC"));
  EXPECT_FALSE(dir_.Exists("CRAWL_ascii.txt"));  // the intermediate file is removed
  // The same move a thousand times faster fits (about two years) and is split.
  fake_.pane.Clear();
  dir_.Write("BRISK.NC",
             "%\r\nO0001\r\nG92X0.Y0.Z50.\r\nG00X0.Y0.Z5.\r\nG01Z0.F100.\r\nX100.\r\n"
             "X999999.F1.\r\nX0.F100.\r\nG00Z50.\r\nM30\r\n%\r\n");
  const std::string brisk = dir_.Path("BRISK.NC");
  EXPECT_EQ(Split(SplitJob{brisk.c_str(), 500, 1e12, {0, 0, 50}}), kSplitDone);
  EXPECT_TRUE(dir_.Exists("BRISK_002.NC"));
  fake_.pane.Clear();
  Settings("TIMEMODEL=0\r\n");
  EXPECT_EQ(Split(job), kSplitDone);
  EXPECT_TRUE(dir_.Exists("CRAWL_001.NC"));
}

TEST_F(MachineTimeSplit, SettingsThatCannotDescribeAMachineAreRefused) {
  dir_.Write("STEP.NC", "%\r\nO0001\r\nG92X0.Y0.Z50.\r\nG00X0.Y0.Z5.\r\nG01Z0.F100.\r\nX100.\r\nX0.\r\nG00Z50.\r\nM30\r\n%\r\n");
  const std::string path = dir_.Path("STEP.NC");
  const struct {
    const char* command;
    const char* machine;
    const char* message;
  } cases[] = {
      {"TIMEMODEL=2\r\n", "", "エラー：設定 TIMEMODEL=2 は使えません。0（指令時間）か 1（機械時間の見積）を指定してください。"},
      {"TIMEMODEL=1\r\n", "ACCELX=0\r\n", "エラー：設定 [MACHINE] ACCELX=0 は使えません。０より大きい値を指定してください。"},
      {"TIMEMODEL=1\r\n", "RAPIDZ=fast\r\n", "エラー：設定 [MACHINE] RAPIDZ=fast は使えません。０より大きい値を指定してください。"},
      {"TIMEMODEL=1\r\n", "OVERRIDE=-50\r\n", "エラー：設定 [MACHINE] OVERRIDE=-50 は使えません。０より大きい値を指定してください。"},
      {"TIMEMODEL=1\r\n", "CORNER=-0.01\r\n", "エラー：設定 [MACHINE] CORNER=-0.01 は使えません。０以上の値を指定してください。"},
      {"TIMEMODEL=1\r\n", "BLOCKTIME=-1\r\n", "エラー：設定 [MACHINE] BLOCKTIME=-1 は使えません。０以上の値を指定してください。"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.message);
    fake_.pane.Clear();
    Settings(c.command, c.machine);
    EXPECT_EQ(Split(SplitJob{path.c_str(), 1e6, 0.5, {0, 0, 50}}), kSplitFailed);
    ASSERT_FALSE(fake_.logLines().empty());
    EXPECT_EQ(fake_.logLines().back(), c.message);
    EXPECT_FALSE(dir_.Exists("STEP_001.NC"));
  }
  // Values left out take the defaults: no refusal.
  fake_.pane.Clear();
  Settings("TIMEMODEL=1\r\n", "CORNER=\r\n");
  EXPECT_EQ(Split(SplitJob{path.c_str(), 1e6, 0.5, {0, 0, 50}}), kSplitDone);
}

}  // namespace
