// Generated programs end to end: random valid programs (support/program_generator.h) from fixed
// seeds, each split with random limits and the split check on (VERIFY=1). Each split must succeed,
// its pieces must pass the check (run again here with the carried blocks checked too), and the
// pieces' totals in the run log must add up to the program's totals.
//
// How the split counts: a piece's totals leave out the move that passed a limit (the piece ends
// with it and the next one cuts it again from its start); the next piece counts it. So every move
// and hole counts once, and the sum of the pieces is the program's total up to the rounding of the
// printed figures (three decimals per piece) and of the arc centres a radius gives.
//
// QX_LONG_TESTS=1: many more and longer programs. QX_FIRST_SEED and QX_SEEDS pick the seeds (to
// repeat one: QX_FIRST_SEED=1030 QX_SEEDS=1); a program that fails is left in the test folder
// with the pieces of the same split made without the check.
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <random>
#include <string>
#include <vector>

#include "config/file_naming.h"
#include "config/settings.h"
#include "log/run_log.h"
#include "platform/text_encoding.h"
#include "split/measure_pass.h"
#include "split/split_driver.h"
#include "support/fake_platform.h"
#include "ui/common/header_footer_files.h"
#include "support/program_generator.h"
#include "support/quiet_settings.h"
#include "support/split_check_run.h"
#include "support/temp_dir.h"

namespace {

struct PieceTotals {
  double distance;  // mm
  double time;      // minutes
};

// The per-piece totals lines of the run log: "　　　加工情報 [ nn ] 距離 = D　時間 = T".
std::vector<PieceTotals> TotalsOf(const std::vector<std::string>& log) {
  const std::string prefix = "　　　加工情報 [ ";
  const std::string distance = "距離 = ";
  const std::string time = "時間 = ";
  std::vector<PieceTotals> totals;
  for (const std::string& line : log) {
    if (line.rfind(prefix, 0) != 0) continue;
    const size_t d = line.find(distance);
    const size_t t = line.find(time);
    if (d == std::string::npos || t == std::string::npos) continue;
    totals.push_back({std::strtod(line.c_str() + d + distance.size(), nullptr),
                      std::strtod(line.c_str() + t + time.size(), nullptr)});
  }
  return totals;
}

// The error lines of the run log in UTF-8, for the failure message.
std::string Errors(const std::vector<std::string>& log) {
  std::string errors;
  for (const std::string& line : log) {
    std::string utf8;
    if (line.rfind("エラー", 0) == 0 && platform::Cp932ToUtf8(line, &utf8)) errors += utf8 + "\n";
  }
  return errors;
}

class GeneratedPrograms : public testing::Test {
 protected:

  // Generates the program of `seed`, splits it and checks it; removes its files when all went well.
  void SplitAndCheck(uint32_t seed, int lines, int style = kStateThePosition);
  // SplitAndCheck for the seeds of this run (QX_LONG_TESTS, QX_FIRST_SEED, QX_SEEDS).
  void SplitAndCheckEach(int style);

  FakePlatform fake_;
  TempDir dir_;
  int resumedUnderShift_ = 0;  // pieces whose head stated a G52 shift
  QuietSettings settings_{fake_, dir_};  // VERIFY=1 by default
};

void GeneratedPrograms::SplitAndCheck(uint32_t seed, int lines, int style) {
  const std::string name = std::string(style == kCamPost ? "CAM" : style == kPcControlPost ? "PC" : style == kFixtureOffsets ? "OFS" : style == kLocalSystems ? "G52" : style == kSubprograms ? "SUB" : "GEN") +
                           std::to_string(seed) + ".NC";
  SCOPED_TRACE("seed " + std::to_string(seed) + ": " + dir_.Path(name));
  const GeneratedProgram program = GenerateProgram(seed, lines, style);
  const std::string path = dir_.Path(name);
  dir_.Write(name, program.text);

  // The program's totals, measured as the split measures them.
  SplitMeter distance{};
  SplitMeter time{};
  Extents minimum{};
  Extents maximum{};
  MeasureReport report{};
  const int measured = MeasureProgram({path.c_str(), nullptr, program.start},
                                      {&distance, &time, &minimum, &maximum, &report});
  char reason[kLogLineSize] = "";
  DescribeMeasureFailure(measured, report, path.c_str(), "", reason);
  ASSERT_EQ(measured, kMeasureOk) << reason;
  ASSERT_GT(time.running, 0.0);
  EXPECT_EQ(report.zeroFeedMoves, 0);

  // Limits: a share of the totals, on the time, on the distance or on both.
  std::mt19937 rng(seed);
  const double parts = 2.0 + static_cast<double>(rng() % 6);
  const uint32_t kind = rng() % 3;
  const double distanceLimit = kind == 1 ? 1e6 : distance.running / parts;  // metres
  const double timeLimit = kind == 2 ? 1e6 : time.running / parts;
  fake_.pane.Clear();
  fake_.boxes.clear();
  SplitJob job = settings_.Job({path.c_str(), distanceLimit, timeLimit,
                                {program.start[0], program.start[1], program.start[2]}});
  if (SplitProgram(nullptr, job) != kSplitDone) {
    const std::string errors = Errors(fake_.logLines());
    // For a look at what went wrong: the same split without the check leaves its pieces.
    job.settings.verify = 0;
    SplitProgram(nullptr, job);
    FAIL() << errors;
  }

  const std::vector<PieceTotals> totals = TotalsOf(fake_.logLines());
  const int pieces = static_cast<int>(totals.size());
  EXPECT_GE(pieces, 2);
  char last[kPathField];
  PiecePath(path.c_str(), pieces, last, sizeof last);
  EXPECT_TRUE(dir_.Exists(std::filesystem::path(last).filename().string()));
  SplitCheckReport check{};
  std::string line;
  EXPECT_EQ(RunCheck(path, pieces, program.start, &check, &line), kCheckPassed) << line;

  // The pieces that resume under a local coordinate system: their heads state it.
  for (int number = 2; number <= pieces; ++number) {
    char piece[kPathField];
    PiecePath(path.c_str(), number, piece, sizeof piece);
    const std::string text = ReadFileBytes(piece);
    const size_t at = text.find("\r\nG90G52");
    if (at == std::string::npos) continue;
    const std::string stated = text.substr(at + 2, text.find("\r\n", at + 2) - at - 2);
    if (stated != "G90G52X0.Y0." && stated != "G90G52X0Y0") ++resumedUnderShift_;
  }
  if (style == kSubprograms) {
    // The program calls; its pieces hold the expanded blocks and no call.
    EXPECT_NE(program.text.find("M98"), std::string::npos);
    for (int number = 1; number <= pieces; ++number) {
      char piece[kPathField];
      PiecePath(path.c_str(), number, piece, sizeof piece);
      const std::string text = dir_.Read(std::filesystem::path(piece).filename().string());
      EXPECT_EQ(text.find("M98"), std::string::npos) << piece;
      EXPECT_EQ(text.find("M99"), std::string::npos) << piece;
    }
  }

  double distanceSum = 0.0;
  double timeSum = 0.0;
  for (const PieceTotals& piece : totals) {
    distanceSum += piece.distance;
    timeSum += piece.time;
  }
  // Each printed figure is within 0.001 of its value (cut to three decimals); an arc given by R
  // has its centre on the resolution's grid in the pieces, which changes its length by up to a
  // few thousandths. (Seen over 200 programs: at most 0.02 mm in all, 0.006 minutes.)
  const double distanceTolerance = 0.001 * pieces + 0.005 * program.radiusArcs + 1e-6;
  EXPECT_NEAR(distanceSum, distance.running * 1000.0, distanceTolerance);
  EXPECT_NEAR(timeSum, time.running, 0.001 * pieces + distanceTolerance / program.lowestFeed + 1e-9);

  if (!HasFailure()) {
    std::filesystem::remove(path);
    for (int number = 1; number <= pieces; ++number) {
      char piece[kPathField];
      PiecePath(path.c_str(), number, piece, sizeof piece);
      std::filesystem::remove(piece);
    }
  }
}

void GeneratedPrograms::SplitAndCheckEach(int style) {
  const bool longRun = std::getenv("QX_LONG_TESTS") != nullptr;
  const int programs = longRun ? 400 : 20;
  const int lines = longRun ? 3000 : 300;
  const int first = std::getenv("QX_FIRST_SEED") ? std::atoi(std::getenv("QX_FIRST_SEED")) : 1000;
  const int count = std::getenv("QX_SEEDS") ? std::atoi(std::getenv("QX_SEEDS")) : programs;
  for (int i = 0; i < count; ++i) {
    SplitAndCheck(static_cast<uint32_t>(first + i), lines, style);
  }
}

TEST_F(GeneratedPrograms, SplitCheckedAndTotalled) { SplitAndCheckEach(kStateThePosition); }

// The same for programs opened as a CAM post for a machining centre opens them: no G92, G49 in
// the safety line, the length offset taken up with each tool's first Z move.
TEST_F(GeneratedPrograms, CamPostProgramsSplitCheckedAndTotalled) { SplitAndCheckEach(kCamPost); }

// The same for posts of PC-based controls: G91.1 in the safety line, ";" comments and ";" block
// ends, read alike by the split and by its check.
TEST_F(GeneratedPrograms, PcControlPostProgramsSplitCheckedAndTotalled) { SplitAndCheckEach(kPcControlPost); }

// The same for programs that write the work offset in force and tool lengths (G10) as they go:
// every piece after a write writes it again before it moves, and the check holds them to it.
TEST_F(GeneratedPrograms, FixtureOffsetProgramsSplitCheckedAndTotalled) { SplitAndCheckEach(kFixtureOffsets); }

// The same for several parts on one plate, each in a local coordinate system (G52) of its own: a
// piece that resumes under a shift states it before it moves and makes its own moves in its frame,
// and the check holds every cut to the shift the program cuts it under.
TEST_F(GeneratedPrograms, LocalSystemProgramsSplitCheckedAndTotalled) {
  SplitAndCheckEach(kLocalSystems);
  EXPECT_GT(resumedUnderShift_, 0) << "no piece resumed under a shift";
}

// The same for programs that call subprograms of the same file, once or repeated: the pieces hold
// the expanded blocks, and the check runs the program through its calls.
TEST_F(GeneratedPrograms, SubprogramProgramsSplitCheckedAndTotalled) { SplitAndCheckEach(kSubprograms); }

// What the fuzz targets and the generated programs found (tests/data/fuzz_findings/), split as
// they were found: each either splits and passes the check, or is refused with its reason.
TEST_F(GeneratedPrograms, FuzzFindingsStayMended) {
  struct Finding {
    const char* file;
    double distance;      // the limits, metres and minutes
    double time;
    double start[3];      // the start point (the program's G92)
    const char* refusal;  // a text of the error line of a refused split; nullptr: it splits
    bool userHeader;      // split behind header and footer files that were there before the run
  };
  const Finding findings[] = {
      // A whole circle whose end, in thousandths, lies a hair of binary beside its start.
      {"check_full_circle_in_thousandths.NC", 0.03, 100.0, {0.0, 0.0, 100.0}, nullptr, false},
      // A coolant state restored before the repeat of the interrupted cut, the same words riding
      // on the program's closing rapid after that cut.
      {"check_coolant_off_restored_before_a_closing_rapid.NC", 1000.0, 2.5, {0.0, 0.0, 100.0}, nullptr, false},
      // Behind a header file of the user's: the program's rapid up to Z50. after its G43 line, which
      // the piece's approach had already made, left before the reference return that follows.
      {"check_user_header_rapid_before_a_reference_return.NC", 1e6, 1200.8625, {0.0, 0.0, 100.0}, nullptr, true},
      // Behind a header file of the user's: a piece's return to the start point that is also the
      // program's last rapid (X-1: a thousandth), after the piece's lift.
      {"check_user_header_return_that_the_program_makes_too.NC", 0.063397333333333333, 1e6, {-0.001, -1.167, 1.0},
       nullptr, true},
      // Behind a header file of the user's: the program cuts the interrupted move again a few lines
      // later; the piece's repeat of it is the repeat, not that later cut with the program's
      // rapid before it passed over.
      {"check_user_header_same_cut_again_after_the_seam.NC", 1e6, 1.21375, {0.0, 0.0, 100.0}, nullptr, true},
      // Behind a header file of the user's: the program's last rapid is the piece's retract to the
      // start point, and its footer returns to the reference point (G91 G28 Z0., G28 X0 Y0).
      {"check_user_header_program_returns_from_the_start_point.NC", 1e6, 94.212571593402046, {0.0939, 0.0, 100.0},
       nullptr, true},
      // Behind a header file of the user's: the program's opening homes with G53, moves along the
      // top of travel and goes down below the start height before it homes Z again.
      {"check_user_header_opening_below_the_start_then_g53.NC", 1e6, 1.8529468429033273, {1.7, 1.6, 11.0}, nullptr,
       true},
      // Behind a header file of the user's: the opening (G53 homing, tool change, rapid along the top
      // of travel) written twice; the piece homes again from its start height.
      {"check_user_header_opening_written_twice.NC", 1e6, 0.05235602094240837, {0.8, 1.75, 11.0}, nullptr, true},
      // Behind a header file of the user's: two tool changes in the opening, the second after a
      // G91 G28 X10. Z0 that the piece makes from its start height, the program from the top of
      // travel.
      {"check_user_header_two_tool_changes_in_the_opening.NC", 1e9, 0.60333333333333328, {50.0, 80.0, 110.0}, nullptr,
       true},
      // Behind a header file of the user's: after G28 X-5 Z39. the opening's rapids go along the
      // top of travel with X lost too (G0 Y-49., G0 X-910. Y0.) before G43 H5 Z54. comes down; the
      // piece's approach at its start height takes their place.
      {"check_user_header_rapids_along_the_top_of_travel.NC", 1e9, 1.8171748996185799, {0.0, 35.0, 64.0}, nullptr,
       true},
      // Behind a header file of the user's: the opening homes Y and Z with G53 twice over and comes
      // down with G43 H05 Z0.1 from the top of travel; the piece comes straight down there too.
      {"check_user_header_down_from_the_top_of_travel.NC", 1e9, 0.026178010471204185, {0.8, 1.75, 11.0}, nullptr,
       true},
      // Behind a header file of the user's: after the seam the program returns Z (P91 G28 Z0.: a P
      // word, not G91) and cuts G01 Z-5. straight down from the top of travel where the interrupted
      // cut began; the second piece's approach there, at its own feed, is its approach.
      {"check_user_header_approach_that_a_later_cut_makes_too.NC", 1e9, 0.057499999999999996, {0.0, 0.0, -1.0},
       nullptr, true},
      // Behind a header file of the user's: the opening written three times over, the third copy
      // coming down below the start height with rapids of its own before the first hole.
      {"check_user_header_rapids_below_the_start_in_a_repeated_opening.NC", 1e9, 0.026178010471204185,
       {2.7749999999999999, 0.65000000000000002, 11.0}, nullptr, true},
      // Behind a header file of the user's: the opening written over and over. The first piece's
      // approach comes before the opening's later copies, which then start elsewhere: its moves
      // are looked for further on in the program's opening, and among those passed over.
      {"check_user_header_opening_written_many_times.NC", 1e9, 0.013089005235602092,
       {2.7749999999999999, 0.65000000000000002, 11.0}, nullptr, true},
      // Behind a header file of the user's, in inches: cuts and rapids of a ten-thousandth. The
      // second piece's first rapid was taken for a program rapid after the next cut (a cut the
      // pieces may leave out, being that short): a head comes before the program's next cut.
      {"check_user_header_head_rapid_past_a_tiny_cut.NC", 2.0549031657123665e-06, 1e9, {0.0001, 0.0, 0.5}, nullptr,
       true},
      // The same, four pieces: the third piece's approach rapid was taken for the program's rapid
      // after the interrupted cut, and its repeat for the program's next cut but one, past a cut
      // a ten-thousandth long. A head whose first cut is the repeat makes no program move before
      // it; a cut like the interrupted one found only past such moves is the repeat.
      {"check_user_header_repeat_among_tiny_moves.NC", 8.5758783731365262e-06, 1e9, {0.0001, 0.0, 0.5}, nullptr,
       true},
      // The same, five pieces: the third piece's repeat of a cut one step long was within the
      // tolerance at both ends of the program's next cut, the same cut run backwards (and under a
      // C word): the same move also goes the same way.
      {"check_user_header_one_step_move_run_backwards.NC", 4.1139800020331122e-06, 1e9, {0.0001, 0.0, 0.5}, nullptr,
       true},
      // The same whole circle cut twice over (a block with no move between), the seam at the
      // first: the next piece's first circle is the repeat, its second the program's.
      {"check_same_circle_twice_over_after_the_seam.NC", 1.0, 1.0, {0.0, 0.0, 100.0}, nullptr, true},
      // "%G00Z110.0Z-20.0F100": words beside the tape mark, which the split read and the check
      // skipped, and Z given twice; refused at the tape mark.
      {"refused_tape_mark_beside_words_and_an_address_twice.NC", 1e9, 0.0071029784506375171, {0.0, 0.0, 50.0},
       "1 行目に読めない文字 %", false},
      // The same opening, split in two at its second tool change: the program cuts after that
      // change with the spindle speed it set before it (its own S M03 lies inside a comment), and
      // the piece that begins at the change sets that speed before it too.
      {"check_user_header_opening_written_twice.NC", 0.0005, 0.0525, {0.0, 0.0, 120.0}, nullptr, false},
      // A D number no control holds: the check refuses it instead of converting it blindly.
      {"check_register_beyond_int.NC", 0.1, 100.0, {0.0, 0.0, 50.0}, "８桁を超えています", false},
  };
  for (const Finding& f : findings) {
    SCOPED_TRACE(f.file);
    std::ifstream in(std::string(QX_SOURCE_DIR) + "/tests/data/fuzz_findings/" + f.file, std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    ASSERT_FALSE(text.str().empty());
    dir_.Write("F.NC", text.str());
    const std::string path = dir_.Path("F.NC");
    fake_.pane.Clear();
    fake_.boxes.clear();
    const SplitJob job = settings_.Job({path.c_str(), f.distance, f.time, {f.start[0], f.start[1], f.start[2]}});
    // Behind header and footer files of the user's: made first, as the user does for a program
    // whose opening the split cannot cut, and left as they were. The split checks its pieces
    // behind them.
    if (f.userHeader) {
      ASSERT_EQ(HeaderFooterFiles(nullptr, path.c_str()), 0);
    }
    const int result = SplitProgram(nullptr, job);
    std::string errors;
    for (const std::string& line : fake_.logLines()) {
      if (line.rfind("エラー", 0) == 0) errors += line;
    }
    if (f.refusal == nullptr) {
      EXPECT_EQ(result, kSplitDone) << Errors(fake_.logLines());
    } else {
      EXPECT_EQ(result, kSplitFailed);
      EXPECT_NE(errors.find(f.refusal), std::string::npos) << Errors(fake_.logLines());
    }
  }
}

}  // namespace
