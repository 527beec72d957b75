// The seam policies over many programs: generated ones (support/program_generator.h) and the shared
// corpus when it is there (QX_CORPUS_DIR; skipped when absent). Under SEAM=break and tool every
// split passes the split check, and every piece is within its limits except a piece that a logged
// forced seam ends (or the last piece, where a seam the log names could never fall); the size each
// piece's log line gives is its file's. The corpus run prints, per policy, the seams that cut a
// move twice, the spread of the piece times and the forced seams.
#include <gtest/gtest.h>

#include <algorithm>
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
#include "split/split_driver.h"
#include "support/fake_platform.h"
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
    for (int i = 0; i < programs; ++i) {
      const uint32_t seed = 3000 + static_cast<uint32_t>(i);
      const int style = i % 2 == 0 ? kStateThePosition : kCamPost;
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
    for (int i = 0; i < programs; ++i) {
      const uint32_t seed = 5000 + static_cast<uint32_t>(i);
      const int style = i % 2 == 0 ? kStateThePosition : kCamPost;
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

// --pieces N with limits out of reach: N pieces under cut and break, each proven by the check; the
// spread of their times is printed.
TEST_F(SeamPolicies, GeneratedProgramsSplitIntoTheNumberOfPiecesAskedFor) {
  const int programs = std::getenv("QX_LONG_TESTS") != nullptr ? 100 : 8;
  for (const char* policy : {"cut", "break"}) {
    settings_.Write(std::string("SEAM=") + policy + "\r\n");
    double spread = 0.0;
    int splits = 0;
    for (int i = 0; i < programs; ++i) {
      const uint32_t seed = 7000 + static_cast<uint32_t>(i);
      const GeneratedProgram program = GenerateProgram(seed, 300, i % 2 == 0 ? kStateThePosition : kCamPost);
      const std::string name = "EQ" + std::to_string(seed) + ".NC";
      dir_.Write(name, program.text);
      const std::string path = dir_.Path(name);
      const int count = 2 + static_cast<int>(seed % 4);
      const std::string text = std::to_string(count);
      SCOPED_TRACE(name + " " + policy + " --pieces " + text);
      SplitJob job = settings_.Job({path.c_str(), 1e6, 1e6, {program.start[0], program.start[1], program.start[2]}});
      job.pieces = text.c_str();
      fake_.pane.Clear();
      fake_.boxes.clear();
      const int result = SplitProgram(nullptr, job);
      const LoggedSplit split = ReadLog(fake_.logLines());
      ASSERT_EQ(result, kSplitDone) << split.errors;
      ++splits;
      EXPECT_EQ(static_cast<int>(split.pieces.size()), count);
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
    std::printf("--pieces under %s: %d splits, mean (longest - shortest) / mean piece time %.2f\n", policy, splits,
                spread / splits);
  }
}

// The start point a user would give (as the corpus split test takes it).
void SafeStart(const std::string& path, double start[3]) {
  ProgramStartPoint(path.c_str(), start);
  PositioningRecipe recipe{};
  const int body =
      CutHeader(path.c_str(), nullptr, &recipe) == kHeaderCutOk && recipe.bodyLine > 0 ? recipe.bodyLine : 1;
  SplitMeter distance{}, time{};
  Extents minimum{}, maximum{};
  MeasureReport report{};
  if (MeasureProgram({path.c_str(), nullptr, start, body}, {&distance, &time, &minimum, &maximum, &report}) !=
      kMeasureOk) {
    return;
  }
  if ((report.setPositionAxes & 4) == 0 && maximum[kExtentZ] > start[2]) start[2] = maximum[kExtentZ];
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
  std::vector<fs::path> programs;
  for (const auto& entry : fs::directory_iterator(corpus)) {
    const std::string name = entry.path().filename().string();
    if (entry.is_regular_file() && name != "SOURCES.md" && name[0] != '.') programs.push_back(entry.path());
  }
  std::sort(programs.begin(), programs.end());
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

}  // namespace
