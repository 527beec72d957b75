// Real programs written by other people: every one either splits into pieces that pass the split
// check, or is refused with a clear message before anything is written; none crashes or touches
// its source. Skipped when the corpus folder is absent.
#include <gtest/gtest.h>

#include <algorithm>
#include <climits>
#include <cstdio>
#include <filesystem>
#include <set>
#include <string>
#include <vector>

#include "check/split_check.h"
#include "config/settings.h"
#include "header_footer/header_cut.h"
#include "header_footer/start_point.h"
#include "nc/measure.h"
#include "platform/text_encoding.h"
#include "split/measure_pass.h"
#include "split/program_totals.h"
#include "split/split_driver.h"
#include "support/corpus.h"
#include "support/fake_platform.h"
#include "support/temp_dir.h"

namespace fs = std::filesystem;

namespace {

bool StartsWith(const std::string& text, const char* prefix) { return text.rfind(prefix, 0) == 0; }

// The programs a split refuses, and why: what the pieces could not carry, or what a control could
// not read.
const std::set<std::string> kRefused = {
    "cade__4x3_block_-_o78244.nc",                  // G47 engraving cycle
    "gcws__HAAS.nc",                                // macro statements
    "gcws__HK.nc",                                  // another control's number forms (P123.22.5)
    "lduran__steps.nc",                             // "GOO": letters O typed for zeros
    "linuxcnc__mill-g90g91g92-test.ngc",            // bracketed expressions
    "ncvc__macro_sample.ncd",                       // G65 macro calls
    "ncvc__sampleNC-comment-fullwidth-parens.ncd",  // full-width parentheses outside a comment
    "ncvc__sampleNC-fullwidth-address.ncd",         // a full-width address letter
};

TEST(CorpusSplit, EveryProgramSplitsAndPassesTheCheckOrIsRefusedClearly) {
  const fs::path corpus(QX_CORPUS_DIR);
  std::error_code ec;
  if (!fs::is_directory(corpus, ec)) GTEST_SKIP() << "no corpus at " << corpus;
  const std::vector<fs::path> programs = CorpusPrograms(corpus);

  int split = 0;
  int refused = 0;
  for (const fs::path& source : programs) {
    const std::string name = source.filename().string();
    SCOPED_TRACE(name);
    FakePlatform fake;
    TempDir dir;
    fake.executablePath = dir.Path("quendrix");
    dir.Write("Quendrix.ini", "[COMMAND]\r\nMODE=1\r\nVERIFY=1\r\n[PAVLOK]\r\nNCVIEWER=\r\n");
    StartSettings();
    CommandSettings command{0, 0, 1, 0, 1};
    ReadCommandSettings(&command);
    const std::string bytes = ReadFileBytes(source.string());
    dir.Write("PROGRAM.NC", bytes);
    const std::string path = dir.Path("PROGRAM.NC");

    // Limits that give about three pieces.
    double start[3] = {0, 0, 0};
    SafeStart(path, start);
    StartAndTotals measured{};  // its start point is not the one taken
    MeasureStartAndTotals(nullptr, path.c_str(), command.timeModel, &measured);
    const DistanceTotals& distanceTotals = measured.distance;
    const TimeTotals& timeTotals = measured.time;
    const double metres = distanceTotals[kCutting];  // the cutting slot counts metres
    SplitJob job{path.c_str(), metres > 0.003 ? metres / 3.0 : 1.0,
                 timeTotals[kCutting] > 0.003 ? timeTotals[kCutting] / 3.0 : 1.0,
                 {start[0], start[1], start[2]}};
    job.settings = command;
    fake.boxes.clear();

    const int result = SplitProgram(nullptr, job);
    const std::string box = fake.boxes.empty() ? std::string() : fake.boxes.back().text;
    std::string message;  // for the failure report
    platform::Cp932ToUtf8(box, &message);
    if (kRefused.count(name) != 0) {
      ++refused;
      EXPECT_EQ(result, kSplitFailed);
      EXPECT_TRUE(StartsWith(box, "エラー：")) << message;
      // Refused before anything was written.
      EXPECT_FALSE(dir.Exists("PROGRAM_001.NC"));
      EXPECT_FALSE(dir.Exists("PROGRAM_ascii.txt"));
    } else {
      ++split;
      EXPECT_EQ(result, kSplitDone) << name << ": " << message;
      EXPECT_TRUE(dir.Exists("PROGRAM_001.NC"));
      EXPECT_FALSE(dir.Exists("PROGRAM_ascii.txt"));
      // The run checked its own pieces; the check passes on them again from outside.
      int pieces = 0;
      while (dir.Exists("PROGRAM_" + std::string(pieces + 1 < 10 ? "00" : "0") +
                        std::to_string(pieces + 1) + ".NC")) {
        ++pieces;
      }
      SplitCheckJob check{};
      check.ncFile = path.c_str();
      check.pieceCount = pieces;
      for (int axis = 0; axis < 3; ++axis) check.start[axis] = start[axis];
      check.approach = 10.0;
      SplitCheckReport report{};
      EXPECT_EQ(CheckSplit(check, &report), kCheckPassed) << report.detail;
    }
    EXPECT_TRUE(ReadFileBytes(path) == bytes);
  }
  std::printf("corpus: %d programs split and passed the check, %d refused\n", split, refused);
}

}  // namespace
