// End-to-end split of realistic programs against reviewed expected files (the cases of
// tests/data/golden/, see support/golden_case.h), by the library call and, on Linux, by the
// console program as a user runs it. QX_UPDATE_GOLDEN=1 rewrites log.txt and expected/ from the
// library run (review them before checking them in).
#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "config/settings.h"
#include "split/split_driver.h"
#include "support/fake_platform.h"
#include "support/golden_case.h"
#include "support/temp_dir.h"

#ifndef _WIN32
#include <sys/wait.h>

#include <cstdlib>

#include "platform/text_encoding.h"
#endif

namespace fs = std::filesystem;

namespace {

std::string CaseName(const testing::TestParamInfo<std::string>& info) { return info.param; }

class GoldenSplit : public testing::TestWithParam<std::string> {};

TEST_P(GoldenSplit, MatchesExpectedFilesAndLog) {
  TempDir dir;
  const GoldenRun run = PrepareGoldenRun(GetParam(), dir.path());
  FakePlatform fake;  // fixed clock: the elapsed time is the sum of the waits
  fake.executablePath = (run.bin / "quendrix").generic_string();
  StartSettings();

  const fs::path savedCwd = fs::current_path();
  fs::current_path(run.work);
  SplitJob job{run.programName.c_str(), run.job.distance, run.job.time,
               {run.job.start[0], run.job.start[1], run.job.start[2]}};
  ReadCommandSettings(&job.settings);
  const int result = SplitProgram(nullptr, job);
  fs::current_path(savedCwd);

  EXPECT_EQ(result, run.job.result);
  ExpectGoldenOutputs(run, fake.logLines(), true, true);
}

INSTANTIATE_TEST_SUITE_P(Cases, GoldenSplit, testing::ValuesIn(GoldenCases()), CaseName);
GTEST_ALLOW_UNINSTANTIATED_PARAMETERIZED_TEST(GoldenSplit);

#ifndef _WIN32

// The console program with the job's arguments, as typed: its run log (standard output) must be
// the library's, line for line after the start banner, and its files the same bytes.
class GoldenConsole : public testing::TestWithParam<std::string> {};

TEST_P(GoldenConsole, WritesTheSameFilesAndLog) {
  TempDir dir;
  const GoldenRun run = PrepareGoldenRun(GetParam(), dir.path());
  fs::copy_file(QX_BINARY_DIR "/quendrix", run.bin / "quendrix");
  std::string command = "cd " + ShellQuoted(run.work.string()) + " && ../bin/quendrix " +
                        ShellQuoted(run.programName) + " " + ShellQuoted(run.job.distanceText) + " " +
                        ShellQuoted(run.job.timeText);
  for (const std::string& axis : run.job.startText) command += " " + ShellQuoted(axis);
  const fs::path out = fs::path(dir.path()) / "stdout";
  command += " >" + ShellQuoted(out.string()) + " 2>/dev/null </dev/null";
  const int status = std::system(command.c_str());
  ASSERT_TRUE(WIFEXITED(status));
  EXPECT_EQ(WEXITSTATUS(status), run.job.result == 0 ? 0 : 1);

  std::vector<std::string> printed;
  for (const std::string& line : SplitLines(ReadFileBytes(out.string()))) {
    std::string cp932;
    EXPECT_TRUE(platform::Utf8ToCp932(line, &cp932));
    printed.push_back(cp932);
  }
  // A split that wrote its pieces ends with the console's line naming their folder.
  if (run.job.result == 0) {
    ASSERT_FALSE(printed.empty());
    std::string folder;
    EXPECT_TRUE(platform::Utf8ToCp932(fs::canonical(run.work).string(), &folder));
    EXPECT_EQ(printed.back(), "情　報：分割ＮＣファイルの出力先 : " + folder);
    printed.pop_back();
  }
  // The run log is what follows the banner and the front end's own lines.
  ExpectGoldenOutputs(run, LastLines(printed, GoldenLog(run).size()), false);
}

INSTANTIATE_TEST_SUITE_P(Cases, GoldenConsole, testing::ValuesIn(GoldenCases()), CaseName);

#endif

}  // namespace
