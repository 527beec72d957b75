// Real programs written by other people: every one either splits or is refused with a clear
// message, and none crashes or touches its source. Skipped when the corpus folder is absent.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <string>
#include <vector>

#include "config/settings.h"
#include "split/program_totals.h"
#include "nc/measure.h"
#include "split/split_driver.h"
#include "support/fake_platform.h"
#include "support/temp_dir.h"

namespace fs = std::filesystem;

namespace {

bool StartsWith(const std::string& text, const char* prefix) { return text.rfind(prefix, 0) == 0; }

TEST(CorpusSplit, EveryProgramSplitsOrIsRefusedClearly) {
  const fs::path corpus(QX_CORPUS_DIR);
  std::error_code ec;
  if (!fs::is_directory(corpus, ec)) GTEST_SKIP() << "no corpus at " << corpus;
  std::vector<fs::path> programs;
  for (const auto& entry : fs::directory_iterator(corpus)) {
    const std::string name = entry.path().filename().string();
    if (entry.is_regular_file() && name != "SOURCES.md" && name[0] != '.') programs.push_back(entry.path());
  }
  std::sort(programs.begin(), programs.end());

  const CommandSettings savedCommand = gCommandSettings;
  for (const fs::path& source : programs) {
    const std::string name = source.filename().string();
    SCOPED_TRACE(name);
    FakePlatform fake;
    TempDir dir;
    fake.executablePath = dir.Path("quendrix");
    dir.Write("Quendrix.ini", "[COMMAND]\r\nMODE=1\r\n[PAVLOK]\r\nNCVIEWER=\r\n");
    StartSettings();
    ReadCommandSettings(&gCommandSettings);
    const std::string bytes = ReadFileBytes(source.string());
    dir.Write("PROGRAM.NC", bytes);
    const std::string path = dir.Path("PROGRAM.NC");

    // The start point and totals as the front ends take them; limits that give about three pieces.
    double start[3] = {0, 0, 0};
    DistanceTotals distanceTotals{};
    TimeTotals timeTotals{};
    MeasureStartAndTotals(nullptr, path.c_str(), start, &distanceTotals, &timeTotals);
    const double metres = distanceTotals[kCutting];  // the cutting slot counts metres
    const SplitJob job{path.c_str(), metres > 0.003 ? metres / 3.0 : 1.0,
                       timeTotals[kCutting] > 0.003 ? timeTotals[kCutting] / 3.0 : 1.0,
                       {start[0], start[1], start[2]}};
    fake.boxes.clear();
    const size_t before = fake.logLines().size();

    const int result = SplitProgram(nullptr, job);
    EXPECT_TRUE(result == kSplitDone || result == kSplitFailed);
    if (result == kSplitFailed) {
      ASSERT_FALSE(fake.boxes.empty());
      const std::string& message = fake.boxes.back().text;
      EXPECT_TRUE(StartsWith(message, "エラー：") || message == "このＮＣファイルは分割の必要はありません。")
          << message;
    } else {
      EXPECT_TRUE(dir.Exists("PROGRAM_001.NC"));
      EXPECT_FALSE(dir.Exists("PROGRAM_ascii.txt"));
      EXPECT_GT(fake.logLines().size(), before);
    }
    EXPECT_TRUE(ReadFileBytes(path) == bytes);
  }
  gCommandSettings = savedCommand;
}

}  // namespace
