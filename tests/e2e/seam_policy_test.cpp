// The seam policies over many programs: generated ones (support/program_generator.h) and the shared
// corpus when it is there (QX_CORPUS_DIR; skipped when absent). Under SEAM=break and tool every
// split passes the split check, and every piece is within its limits except a piece that a logged
// forced seam ends (or the last piece, where a seam the log names could never fall); the size each
// piece's log line gives is its file's. The corpus run prints, per policy, the seams that cut a
// move twice, the spread of the piece times and the forced seams.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <random>
#include <string>
#include <vector>

#include "config/file_naming.h"
#include "config/settings.h"
#include "header_footer/header_cut.h"
#include "header_footer/start_point.h"
#include "nc/measure.h"
#include "platform/text_encoding.h"
#include "split/measure_pass.h"
#include "split/program_totals.h"
#include "split/piece_observer.h"
#include "split/split_driver.h"
#include "support/corpus.h"
#include "support/fake_platform.h"
#include "support/piece_figures.h"
#include "support/program_generator.h"
#include "support/quiet_settings.h"
#include "support/temp_dir.h"

namespace fs = std::filesystem;

namespace {

bool StartsWith(const std::string& text, const std::string& prefix) { return text.rfind(prefix, 0) == 0; }

// One piece as the run log describes it.
struct LoggedPiece {
  bool forced = false;    // ended by a seam that falls as under SEAM=cut (a limit passed)
  bool rest = false;      // the last piece
  double distance = 0.0;  // mm
  double time = 0.0;      // minutes
  long size = -1;         // bytes, from its size line (-1: none)
  std::string tools;
};

struct LoggedSplit {
  std::vector<LoggedPiece> pieces;
  int forcedWarnings = 0;  // forced seams the log announces
  int refusedChanges = 0;  // SEAM=tool: tool changes the log names as no place for a seam
  bool neverReached = false;  // a seam waited to the end of the program
  bool lastCutPassed = false;  // the program's last cut passed a limit with no break before it
  std::string errors;         // UTF-8
};

// Reads the piece lines of a run log (CP932).
LoggedSplit ReadLog(const std::vector<std::string>& log) {
  LoggedSplit split;
  const std::string kind = "　　　分割種類 [ ";
  const std::string totals = "　　　加工情報 [ ";
  const std::string tools = "　　　使用工具 [ ";
  const std::string size = "　　　ファイル容量 [ ";
  for (const std::string& line : log) {
    if (StartsWith(line, kind)) {
      LoggedPiece piece;
      piece.forced = line.find("切削時間分割") != std::string::npos || line.find("切削距離分割") != std::string::npos;
      if (line.find("（区切り）") != std::string::npos) piece.forced = false;
      piece.rest = line.find("残り分割") != std::string::npos;
      split.pieces.push_back(piece);
    } else if (StartsWith(line, totals) && !split.pieces.empty()) {
      const size_t d = line.find("距離 = ");
      const size_t t = line.find("時間 = ");
      split.pieces.back().distance = std::strtod(line.c_str() + d + std::string("距離 = ").size(), nullptr);
      split.pieces.back().time = std::strtod(line.c_str() + t + std::string("時間 = ").size(), nullptr);
    } else if (StartsWith(line, tools) && !split.pieces.empty()) {
      split.pieces.back().tools = line.substr(line.find("] ") + 2);
    } else if (StartsWith(line, size) && !split.pieces.empty()) {
      split.pieces.back().size = std::strtol(line.c_str() + line.find("] ") + 2, nullptr, 10);
    } else if (StartsWith(line, "警　告：") && line.find("区切りがなく") != std::string::npos) {
      ++split.forcedWarnings;
    } else if (StartsWith(line, "情　報：") && line.find("工具交換では分割できない") != std::string::npos) {
      ++split.refusedChanges;
    } else if (StartsWith(line, "情　報：") && line.find("最後までを１つの") != std::string::npos) {
      split.neverReached = true;
    } else if (StartsWith(line, "情　報：") && line.find("最後の切削移動で分割の上限を超えました") != std::string::npos) {
      split.lastCutPassed = true;
    } else if (StartsWith(line, "エラー")) {
      std::string utf8;
      platform::Cp932ToUtf8(line, &utf8);
      split.errors += utf8 + "\n";
    }
  }
  return split;
}

// The properties of one split under SEAM=break or tool with limits `distance` (m) and `time`.
void ExpectWithinLimits(const LoggedSplit& split, double distance, double time, const std::string& program,
                        int policy) {
  int forced = 0;
  int severalTools = 0;  // tool changes inside pieces
  for (size_t i = 0; i < split.pieces.size(); ++i) {
    const std::string& tools = split.pieces[i].tools;
    severalTools += static_cast<int>(std::count(tools.begin(), tools.end(), ' '));
    const LoggedPiece& piece = split.pieces[i];
    SCOPED_TRACE("piece " + std::to_string(i + 1));
    if (piece.forced) {
      ++forced;
      continue;
    }
    if (piece.rest && (split.neverReached || split.lastCutPassed)) continue;
    // A piece after a forced seam begins by cutting the move of the seam again, which may be
    // longer than a limit by itself (its next cut is a seam then, or the program ends).
    if (i > 0 && split.pieces[i - 1].forced) continue;
    // The figures are printed to three decimals.
    EXPECT_LE(piece.time, time + 0.0005 + 1e-9);
    EXPECT_LE(piece.distance, distance * 1000.0 + 0.0005 + 1e-9);
  }
  // Under SEAM=tool a piece changes tools only where the log says it could not end there.
  if (policy == kSeamTool) {
    EXPECT_LE(severalTools, split.refusedChanges);
  }
  // Every piece a limit ended where no break was had its warning.
  EXPECT_EQ(forced, split.forcedWarnings - (split.neverReached ? 1 : 0));
  for (size_t i = 0; i < split.pieces.size(); ++i) {
    char path[kPathField];
    PiecePath(program.c_str(), static_cast<int>(i + 1), path, sizeof path);
    std::error_code ec;
    EXPECT_EQ(split.pieces[i].size, static_cast<long>(fs::file_size(path, ec))) << path;
  }
}

class SeamPolicies : public testing::Test {
 protected:
  FakePlatform fake_;
  TempDir dir_;
  QuietSettings settings_{fake_, dir_};
};

// Generated programs of both openings under both policies, with limits of a few pieces.
TEST_F(SeamPolicies, GeneratedProgramsStayWithinTheirLimitsExceptLoggedForcedSeams) {
  const int programs = std::getenv("QX_LONG_TESTS") != nullptr ? 200 : 12;
  int splits = 0;
  int forcedSeams = 0;
  int breakSeams = 0;
  for (int policy : {kSeamBreak, kSeamTool}) {
    settings_.Write(policy == kSeamTool ? "SEAM=tool\r\n" : "SEAM=break\r\n");
    // Half as many again of programs that call subprograms of their own file.
    for (int i = 0; i < programs + programs / 2; ++i) {
      const uint32_t seed = 3000 + static_cast<uint32_t>(i);
      const int style = i >= programs ? kSubprograms : i % 2 == 0 ? kStateThePosition : kCamPost;
      const std::string name = "SEAM" + std::to_string(seed) + ".NC";
      SCOPED_TRACE(name + (policy == kSeamTool ? " tool" : " break"));
      const GeneratedProgram program = GenerateProgram(seed, 300, style);
      dir_.Write(name, program.text);
      const std::string path = dir_.Path(name);
      SplitMeter distance{};
      SplitMeter time{};
      Extents minimum{};
      Extents maximum{};
      MeasureReport report{};
      ASSERT_EQ(MeasureProgram({path.c_str(), nullptr, program.start},
                               {&distance, &time, &minimum, &maximum, &report}),
                kMeasureOk);
      std::mt19937 rng(seed);
      const double parts = 2.0 + static_cast<double>(rng() % 5);
      const SplitJob job = settings_.Job({path.c_str(), distance.running / parts, time.running / parts,
                                          {program.start[0], program.start[1], program.start[2]}});
      fake_.pane.Clear();
      fake_.boxes.clear();
      SCOPED_TRACE("limits " + std::to_string(job.distance) + " m, " + std::to_string(job.time) + " min");
      const int result = SplitProgram(nullptr, job);
      const LoggedSplit split = ReadLog(fake_.logLines());
      ASSERT_EQ(result, kSplitDone) << split.errors;
      ++splits;
      ExpectWithinLimits(split, job.distance, job.time, path, policy);
      forcedSeams += split.forcedWarnings;
      for (const LoggedPiece& piece : split.pieces) breakSeams += !piece.forced && !piece.rest ? 1 : 0;
    }
  }
  std::printf("generated: %d splits, %d seams at breaks, %d forced\n", splits, breakSeams, forcedSeams);
}

// SIZE with every policy: no piece file passes it, counting its header, footer and added lines,
// and every piece passes the split check (the run checks them).
TEST_F(SeamPolicies, GeneratedProgramsSplitBySizeStayWithinIt) {
  const int programs = std::getenv("QX_LONG_TESTS") != nullptr ? 100 : 8;
  int splits = 0;
  int pieces = 0;
  for (const char* policy : {"cut", "break", "tool"}) {
    for (int i = 0; i < programs + programs / 2; ++i) {
      const uint32_t seed = 5000 + static_cast<uint32_t>(i);
      const int style = i >= programs ? kSubprograms : i % 2 == 0 ? kStateThePosition : kCamPost;
      const GeneratedProgram program = GenerateProgram(seed, 300, style);
      const std::string name = "SIZE" + std::to_string(seed) + ".NC";
      dir_.Write(name, program.text);
      const std::string path = dir_.Path(name);
      // A limit of a third to a sixth of the program's size, at least 2 KB.
      const int kb = std::max(2, static_cast<int>(program.text.size() / 1024 / (3 + seed % 4)));
      settings_.Write(std::string("SEAM=") + policy + "\r\nSIZE=" + std::to_string(kb) + "\r\n");
      SCOPED_TRACE(name + " " + policy + " SIZE=" + std::to_string(kb));
      const SplitJob job = settings_.Job({path.c_str(), 1e6, 1e6, {program.start[0], program.start[1], program.start[2]}});
      fake_.pane.Clear();
      fake_.boxes.clear();
      const int result = SplitProgram(nullptr, job);
      const LoggedSplit split = ReadLog(fake_.logLines());
      ASSERT_EQ(result, kSplitDone) << split.errors;
      ++splits;
      ASSERT_GE(split.pieces.size(), 2u);
      for (size_t n = 0; n < split.pieces.size(); ++n) {
        char piece[kPathField];
        PiecePath(path.c_str(), static_cast<int>(n + 1), piece, sizeof piece);
        std::error_code ec;
        const auto bytes = fs::file_size(piece, ec);
        EXPECT_LE(bytes, static_cast<uintmax_t>(kb) * 1024u) << piece;
        EXPECT_EQ(split.pieces[n].size, static_cast<long>(bytes));
        ++pieces;
      }
      for (size_t n = 0; n < split.pieces.size(); ++n) {
        char piece[kPathField];
        PiecePath(path.c_str(), static_cast<int>(n + 1), piece, sizeof piece);
        fs::remove(piece);
      }
    }
  }
  std::printf("generated under SIZE: %d splits, %d pieces, none larger than its limit\n", splits, pieces);
}


// N pieces of nearly equal time. A piece counts its cuts up to the seam; the cut of a seam that
// falls as under SEAM=cut is counted in the next piece, which cuts it again, so the pieces add up
// to the program and their mean is its N-th share.
//   - Under cut a seam falls at the cut that passes its share's end, so it lands less than that
//     cut before the end; where no piece may begin there (inside cutter compensation, say) it is
//     carried to the next cut where one may. No piece is further from the mean than the longest
//     cut and the longest carry together.
//   - Under break a seam falls at the break nearest to the share's end: no piece is further from
//     the mean than the longest stretch between two breaks. Where no break lies within half a
//     share the seam falls as under cut, so a piece between two such seams is held to the bound
//     of cut as well.
// Returns (furthest distance from the mean) / mean, for the printed figure.
double ExpectEvenShares(const PieceFigures& observer, int count, int policy) {
  EXPECT_EQ(static_cast<int>(observer.times.size()), count);
  EXPECT_GE(observer.cut, 0.0) << "the plan's figures were not told";
  if (static_cast<int>(observer.times.size()) != count || observer.cleanEnds.size() != observer.times.size()) {
    return 0.0;
  }
  double sum = 0.0;
  for (double time : observer.times) sum += time;
  const double mean = sum / count;
  const double asUnderCut = observer.cut + observer.carry;  // how far a seam as under cut lands
  const double slack = 1e-9 * (1.0 + sum);
  double furthest = 0.0;
  for (int n = 0; n < count; ++n) {
    const double off = std::abs(observer.times[n] - mean);
    furthest = std::max(furthest, off);
    SCOPED_TRACE("piece " + std::to_string(n + 1) + " of " + std::to_string(count) + ": " +
                 std::to_string(observer.times[n]) + " min, mean " + std::to_string(mean) + ", longest cut " +
                 std::to_string(observer.cut) + ", carry " + std::to_string(observer.carry) + ", stretch " +
                 std::to_string(observer.stretch));
    if (policy == kSeamCut) {
      EXPECT_LE(off, asUnderCut + slack);
      continue;
    }
    EXPECT_LE(off, observer.stretch + slack);
    const bool startsAsUnderCut = n == 0 || !observer.cleanEnds[n - 1];
    const bool endsAsUnderCut = n == count - 1 || !observer.cleanEnds[n];
    if (startsAsUnderCut && endsAsUnderCut) {
      EXPECT_LE(off, (n == 0 ? 0.0 : asUnderCut) + (n == count - 1 ? 0.0 : asUnderCut) + slack);
    }
  }
  return mean > 0.0 ? furthest / mean : 0.0;
}

// SIZE together with the time and distance limits: the limits hold as without SIZE. Under cut a
// piece counts its cuts up to the seam's cut (the next piece cuts it again and counts it), so no
// piece of a program without holes passes either limit (a piece that a hole passes a limit in
// ends after it: no hole is drilled twice); under break only a logged forced seam ends a piece
// past one.
TEST_F(SeamPolicies, GeneratedProgramsSplitBySizeAndLimitsStayWithinBoth) {
  const int programs = std::getenv("QX_LONG_TESTS") != nullptr ? 120 : 30;
  int splits = 0;
  for (int policy : {kSeamCut, kSeamBreak}) {
    int done = 0;
    for (uint32_t seed = 9000; done < programs; ++seed) {
      const GeneratedProgram program =
          GenerateProgram(seed, 300, seed % 2 == 0 ? kStateThePosition : kCamPost);
      if (policy == kSeamCut && program.holes > 0) continue;
      ++done;
      const std::string name = "SL" + std::to_string(seed) + ".NC";
      dir_.Write(name, program.text);
      const std::string path = dir_.Path(name);
      const int kb = std::max(2, static_cast<int>(program.text.size() / 1024 / (2 + seed % 3)));
      settings_.Write(std::string("SEAM=") + (policy == kSeamCut ? "cut" : "break") + "\r\nSIZE=" +
                      std::to_string(kb) + "\r\n");
      SplitMeter distance{};
      SplitMeter time{};
      Extents minimum{};
      Extents maximum{};
      MeasureReport report{};
      ASSERT_EQ(MeasureProgram({path.c_str(), nullptr, program.start},
                               {&distance, &time, &minimum, &maximum, &report}),
                kMeasureOk);
      const double parts = 2.0 + static_cast<double>(seed % 5);
      const SplitJob job = settings_.Job({path.c_str(), distance.running / parts, time.running / parts,
                                          {program.start[0], program.start[1], program.start[2]}});
      SCOPED_TRACE(name + (policy == kSeamCut ? " cut" : " break") + " SIZE=" + std::to_string(kb) + ", limits " +
                   std::to_string(job.distance) + " m, " + std::to_string(job.time) + " min");
      fake_.pane.Clear();
      fake_.boxes.clear();
      const int result = SplitProgram(nullptr, job);
      const LoggedSplit split = ReadLog(fake_.logLines());
      ASSERT_EQ(result, kSplitDone) << split.errors;
      ++splits;
      if (policy == kSeamBreak) {
        ExpectWithinLimits(split, job.distance, job.time, path, policy);
        continue;
      }
      for (size_t n = 0; n < split.pieces.size(); ++n) {
        const LoggedPiece& piece = split.pieces[n];
        if (piece.rest && (split.neverReached || split.lastCutPassed)) continue;
        EXPECT_LE(piece.time, job.time + 0.0005 + 1e-9) << "piece " << n + 1;
        EXPECT_LE(piece.distance, job.distance * 1000.0 + 0.0005 + 1e-9) << "piece " << n + 1;
      }
    }
  }
  std::printf("generated under SIZE and limits: %d splits (those under cut of programs without holes)\n", splits);
}

// --pieces N with limits out of reach: N pieces under cut and break, each proven by the check,
// and none further from the mean than the program allows (ExpectEvenShares).
TEST_F(SeamPolicies, GeneratedProgramsSplitIntoTheNumberOfPiecesAskedFor) {
  const int programs = std::getenv("QX_LONG_TESTS") != nullptr ? 100 : 8;
  for (int policy : {kSeamCut, kSeamBreak}) {
    settings_.Write(policy == kSeamCut ? "SEAM=cut\r\n" : "SEAM=break\r\n");
    double spread = 0.0;
    double furthest = 0.0;
    int splits = 0;
    for (int i = 0; i < programs + programs / 2; ++i) {
      const uint32_t seed = 7000 + static_cast<uint32_t>(i);
      const GeneratedProgram program =
          GenerateProgram(seed, 300, i >= programs ? kSubprograms : i % 2 == 0 ? kStateThePosition : kCamPost);
      const std::string name = "EQ" + std::to_string(seed) + ".NC";
      dir_.Write(name, program.text);
      const std::string path = dir_.Path(name);
      const int count = 2 + static_cast<int>(seed % 4);
      const std::string text = std::to_string(count);
      SCOPED_TRACE(name + (policy == kSeamCut ? " cut" : " break") + " --pieces " + text);
      PieceFigures observer;
      SplitJob job = settings_.Job({path.c_str(), 1e6, 1e6, {program.start[0], program.start[1], program.start[2]}});
      job.pieces = text.c_str();
      job.observer = &observer;
      fake_.pane.Clear();
      fake_.boxes.clear();
      const int result = SplitProgram(nullptr, job);
      const LoggedSplit split = ReadLog(fake_.logLines());
      ASSERT_EQ(result, kSplitDone) << split.errors;
      ++splits;
      EXPECT_EQ(static_cast<int>(split.pieces.size()), count);
      furthest = std::max(furthest, ExpectEvenShares(observer, count, policy));
      double sum = 0.0;
      double longest = 0.0;
      double shortest = 1e300;
      for (const LoggedPiece& piece : split.pieces) {
        sum += piece.time;
        longest = std::max(longest, piece.time);
        shortest = std::min(shortest, piece.time);
      }
      spread += (longest - shortest) / (sum / count);
      for (int n = 1; n <= static_cast<int>(split.pieces.size()); ++n) {
        char piece[kPathField];
        PiecePath(path.c_str(), n, piece, sizeof piece);
        fs::remove(piece);
      }
    }
    std::printf("--pieces under %s: %d splits, mean (longest - shortest) / mean piece time %.2f, "
                "furthest from the mean %.2f of it\n",
                policy == kSeamCut ? "cut" : "break", splits, spread / splits, furthest);
  }
}

// Hand-made programs of straight cuts at F100 after a plunge of 6 mm (0.06 min), all at Z-1 with
// no lift between them (no break), so that the pieces of --pieces can be reckoned by hand.
std::string StraightCuts(const std::vector<double>& lengths) {
  std::string text = "%\r\nO2000\r\nG92X0Y0Z100.\r\nG90G17G40G80\r\nS1000M03\r\nG00X0Y0\r\nZ5.\r\nG01Z-1.F100\r\n";
  double x = 0.0;
  for (double length : lengths) {
    x += length;
    text += "X" + std::to_string(static_cast<int>(x)) + ".\r\n";
  }
  return text + "G00Z100.\r\nX0Y0\r\nM05\r\nM30\r\n%\r\n";
}

// --pieces on programs whose seams can be reckoned: the times of the pieces, as the run log gives
// them (a seam's cut counted in the piece that cuts it again).
TEST_F(SeamPolicies, PiecesOfEqualTimeFallWhereTheSharesEnd) {
  struct Case {
    const char* name;
    const char* policy;
    int pieces;
    std::vector<double> cuts;    // mm at F100: 10 mm take 0.1 min
    std::vector<double> times;   // the pieces' times, minutes
  };
  const Case cases[] = {
      // No break anywhere: each seam falls as under cut, at the cut that passes its share's end
      // (0.42 and 0.84 of 1.26 min), not half a share later.
      {"NoBreakAsUnderCut", "break", 3, std::vector<double>(12, 10.0), {0.36, 0.4, 0.5}},
      {"NoBreakUnderCut", "cut", 3, std::vector<double>(12, 10.0), {0.36, 0.4, 0.5}},
      // The second share ends in the program's last cut: no seam falls there, since the piece
      // after it would only cut it again.
      {"LastCutHoldsAShareEnd", "cut", 3, {10, 10, 10, 10, 10, 100}, {0.46, 1.1}},
      {"LastCutHoldsAShareEndBreak", "break", 3, {10, 10, 10, 10, 10, 100}, {0.46, 1.1}},
      // One cut longer than a share and more, right at the first share's end: the seams fall at the
      // cuts that pass the ends (0.39, 0.78, 1.17 of 1.56 min), each as soon as it can.
      {"ALongCutAtTheFirstShare", "break", 4, {100, 5, 5, 5, 5, 5, 5, 5, 5, 5, 5}, {0.06, 1.0, 0.1, 0.4}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    settings_.Write(std::string("SEAM=") + c.policy + "\r\n");
    const std::string name = std::string(c.name).substr(0, 8) + ".NC";
    dir_.Write(name, StraightCuts(c.cuts));
    const std::string path = dir_.Path(name);
    const std::string count = std::to_string(c.pieces);
    PieceFigures observer;
    SplitJob job = settings_.Job({path.c_str(), 1e6, 1e6, {0, 0, 100}});
    job.pieces = count.c_str();
    job.observer = &observer;
    fake_.pane.Clear();
    fake_.boxes.clear();
    ASSERT_EQ(SplitProgram(nullptr, job), kSplitDone) << ReadLog(fake_.logLines()).errors;
    ASSERT_EQ(observer.times.size(), c.times.size());
    for (size_t n = 0; n < c.times.size(); ++n) EXPECT_NEAR(observer.times[n], c.times[n], 1e-9) << "piece " << n + 1;
  }
}

struct PolicyFigures {
  int splits = 0;
  int pieces = 0;
  int seams = 0;
  int reCuts = 0;    // seams at a cutting move (cut: every seam a limit placed; an upper bound, as
                     // a seam between holes or at a tool change cuts nothing twice)
  int forced = 0;
  double spread = 0.0;  // the sum over splits of (longest - shortest) / mean piece time
};

TEST(SeamPoliciesCorpus, EveryPieceWithinItsLimitsExceptLoggedForcedSeams) {
  const fs::path corpus(QX_CORPUS_DIR);
  std::error_code ec;
  if (!fs::is_directory(corpus, ec)) GTEST_SKIP() << "no corpus at " << corpus;
  const std::vector<fs::path> programs = CorpusPrograms(corpus);
  CommandSettings command{0, 0, 1, 0, 1};
  PolicyFigures figures[3];
  int sizedSplits = 0;
  int sizedPieces = 0;
  const char* names[3] = {"cut", "break", "tool"};
  for (const fs::path& source : programs) {
    SCOPED_TRACE(source.filename().string());
    bool cutSplit = false;
    for (int policy : {kSeamCut, kSeamBreak, kSeamTool}) {
      FakePlatform fake;
      TempDir dir;
      fake.executablePath = dir.Path("quendrix");
      dir.Write("Quendrix.ini", std::string("[COMMAND]\r\nMODE=1\r\nSEAM=") + names[policy] +
                                    "\r\n[PAVLOK]\r\nNCVIEWER=\r\n");
      StartSettings();
      ReadCommandSettings(&command);
      std::string bytes;
      {
        FILE* file = std::fopen(source.string().c_str(), "rb");
        ASSERT_NE(file, nullptr);
        char chunk[65536];
        size_t n;
        while ((n = std::fread(chunk, 1, sizeof chunk, file)) > 0) bytes.append(chunk, n);
        std::fclose(file);
      }
      dir.Write("PROGRAM.NC", bytes);
      const std::string path = dir.Path("PROGRAM.NC");
      double start[3] = {0, 0, 0};
      SafeStart(path, start);
      StartAndTotals measured{};  // its start point is not the one taken
      MeasureStartAndTotals(nullptr, path.c_str(), command.timeModel, &measured);
      const DistanceTotals& distanceTotals = measured.distance;
      const TimeTotals& timeTotals = measured.time;
      const double metres = distanceTotals[kCutting];
      SplitJob job{path.c_str(), metres > 0.003 ? metres / 3.0 : 1.0,
                   timeTotals[kCutting] > 0.003 ? timeTotals[kCutting] / 3.0 : 1.0,
                   {start[0], start[1], start[2]}};
      job.settings = command;
      SCOPED_TRACE(std::string(names[policy]) + ": limits " + std::to_string(job.distance) + " m, " +
                   std::to_string(job.time) + " min, start " + std::to_string(start[0]) + " " +
                   std::to_string(start[1]) + " " + std::to_string(start[2]));
      const int result = SplitProgram(nullptr, job);
      const LoggedSplit split = ReadLog(fake.logLines());
      // A program split under SEAM=cut is split under every policy.
      if (policy == kSeamCut) cutSplit = result == kSplitDone;
      if (policy != kSeamCut && cutSplit) {
        EXPECT_EQ(result, kSplitDone) << split.errors;
      }
      if (result != kSplitDone) continue;
      if (policy != kSeamCut) ExpectWithinLimits(split, job.distance, job.time, path, policy);
      if (policy == kSeamBreak) {
        // The same program under SIZE of a third of its size (at least 2 KB): no piece larger.
        const int kb = std::max(2, static_cast<int>(bytes.size() / 1024 / 3));
        dir.Write("Quendrix.ini", "[COMMAND]\r\nMODE=1\r\nSEAM=break\r\nSIZE=" + std::to_string(kb) +
                                      "\r\n[PAVLOK]\r\nNCVIEWER=\r\n");
        ReadCommandSettings(&command);
        SplitJob big{path.c_str(), 1e6, 1e6, {start[0], start[1], start[2]}};
        big.settings = command;
        fake.pane.Clear();
        const int sized = SplitProgram(nullptr, big);
        const LoggedSplit bySize = ReadLog(fake.logLines());
        if (bytes.size() > static_cast<size_t>(kb) * 1024u) {
          EXPECT_EQ(sized, kSplitDone) << "SIZE=" << kb << " " << bySize.errors;
        }
        for (size_t n = 0; sized == kSplitDone && n < bySize.pieces.size(); ++n) {
          char piece[kPathField];
          PiecePath(path.c_str(), static_cast<int>(n + 1), piece, sizeof piece);
          EXPECT_LE(fs::file_size(piece, ec), static_cast<uintmax_t>(kb) * 1024u) << piece << " SIZE=" << kb;
        }
        sizedSplits += sized == kSplitDone ? 1 : 0;
        sizedPieces += sized == kSplitDone ? static_cast<int>(bySize.pieces.size()) : 0;
      }
      PolicyFigures& f = figures[policy];
      ++f.splits;
      f.pieces += static_cast<int>(split.pieces.size());
      f.seams += static_cast<int>(split.pieces.size()) - 1;
      f.forced += split.forcedWarnings;
      for (const LoggedPiece& piece : split.pieces) f.reCuts += piece.forced ? 1 : 0;
      double longest = 0.0;
      double shortest = 1e300;
      double sum = 0.0;
      for (const LoggedPiece& piece : split.pieces) {
        longest = std::max(longest, piece.time);
        shortest = std::min(shortest, piece.time);
        sum += piece.time;
      }
      if (sum > 0.0) f.spread += (longest - shortest) / (sum / static_cast<double>(split.pieces.size()));
    }
  }
  std::printf("corpus under SIZE (a third of each program, break): %d splits, %d pieces\n", sizedSplits,
              sizedPieces);
  std::printf("corpus seams     splits pieces  seams re-cuts(at most)  forced  mean spread of piece times\n");
  for (int policy = 0; policy < 3; ++policy) {
    const PolicyFigures& f = figures[policy];
    std::printf("  %-6s %12d %6d %6d %15d %7d  %.2f\n", names[policy], f.splits, f.pieces, f.seams, f.reCuts,
                f.forced, f.splits > 0 ? f.spread / f.splits : 0.0);
  }
}

// --pieces over the corpus: every program a split takes gives N pieces under cut and break, none
// further from the mean than the program allows (ExpectEvenShares).
TEST(SeamPoliciesCorpus, PiecesOfEqualTimeComeAsCloseAsTheProgramAllows) {
  const fs::path corpus(QX_CORPUS_DIR);
  std::error_code ec;
  if (!fs::is_directory(corpus, ec)) GTEST_SKIP() << "no corpus at " << corpus;
  const std::vector<fs::path> programs = CorpusPrograms(corpus);
  int splits[2] = {0, 0};
  int coarse = 0;  // splits of programs too coarse for the pieces asked for
  double furthest[2] = {0.0, 0.0};
  for (const fs::path& source : programs) {
    SCOPED_TRACE(source.filename().string());
    bool cutSplit = false;
    for (int policy : {kSeamCut, kSeamBreak}) {
      FakePlatform fake;
      TempDir dir;
      fake.executablePath = dir.Path("quendrix");
      dir.Write("Quendrix.ini", std::string("[COMMAND]\r\nMODE=1\r\nSEAM=") + (policy == kSeamCut ? "cut" : "break") +
                                    "\r\n[PAVLOK]\r\nNCVIEWER=\r\n");
      StartSettings();
      CommandSettings command{0, 0, 1, 0, 1};
      ReadCommandSettings(&command);
      dir.Write("PROGRAM.NC", ReadFileBytes(source.string()));
      const std::string path = dir.Path("PROGRAM.NC");
      double start[3] = {0, 0, 0};
      SafeStart(path, start);
      const int count = 2 + static_cast<int>(source.filename().string().size() % 4);
      const std::string text = std::to_string(count);
      SCOPED_TRACE(std::string(policy == kSeamCut ? "cut" : "break") + " --pieces " + text);
      PieceFigures observer;
      SplitJob job{path.c_str(), 1e6, 1e6, {start[0], start[1], start[2]}};
      job.settings = command;
      job.pieces = text.c_str();
      job.observer = &observer;
      const int result = SplitProgram(nullptr, job);
      const LoggedSplit split = ReadLog(fake.logLines());
      if (policy == kSeamCut) cutSplit = result == kSplitDone;
      if (policy != kSeamCut && cutSplit) {
        EXPECT_EQ(result, kSplitDone) << split.errors;
      }
      if (result != kSplitDone) continue;
      ++splits[policy];
      // A program whose single cut (or a cut where no piece may begin, and those after it) takes a
      // share or more has shares that no seam can part: fewer pieces come, never more.
      double total = 0.0;
      for (double time : observer.times) total += time;
      if (observer.cut + observer.carry >= total / count) {
        EXPECT_LE(static_cast<int>(observer.times.size()), count);
        ++coarse;
        continue;
      }
      furthest[policy] = std::max(furthest[policy], ExpectEvenShares(observer, count, policy));
    }
  }
  std::printf("corpus --pieces: cut %d splits (furthest from the mean %.2f of it), break %d (%.2f); %d of them "
              "too coarse for their count\n",
              splits[0], furthest[0], splits[1], furthest[1], coarse);
}

}  // namespace
