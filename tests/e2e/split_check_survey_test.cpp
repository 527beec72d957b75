// The split check over every real program we have: each program of the shared corpus and of
// tests/data/programs is split by today's splitter into about three pieces, and the pieces are
// checked; the expected pieces of the golden cases are checked against their programs too.
//
// These runs assert only what must hold whatever the splitter does (the check ends with a result
// and a log line, and passes or fails the same way twice); which splits pass is printed, with the
// first problem of each that fails, as the list of what the splitter still gets wrong, and for
// those that pass whether they also pass with the carried blocks checked.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "config/file_naming.h"
#include "support/fake_platform.h"
#include "ui/common/header_footer_files.h"
#include "support/golden_case.h"
#include "support/split_check_run.h"
#include "support/temp_dir.h"

namespace fs = std::filesystem;

namespace {

std::vector<fs::path> ProgramsIn(const fs::path& folder) {
  std::vector<fs::path> programs;
  std::error_code ec;
  if (!fs::is_directory(folder, ec)) return programs;
  for (const auto& entry : fs::directory_iterator(folder, ec)) {
    const std::string name = entry.path().filename().string();
    if (entry.is_regular_file() && name[0] != '.' && entry.path().extension() != ".md") programs.push_back(entry.path());
  }
  std::sort(programs.begin(), programs.end());
  return programs;
}

// Splits and checks each program; prints one line per program.
void Survey(const std::vector<fs::path>& programs, const char* title) {
  int passed = 0;
  int failed = 0;
  int refused = 0;
  std::printf("--- split check: %s ---\n", title);
  for (const fs::path& source : programs) {
    const std::string name = source.filename().string();
    SCOPED_TRACE(name);
    FakePlatform fake;
    TempDir dir;
    const std::string bytes = ReadFileBytes(source.string());
    SplitForCheck split = SplitInFolder(dir, fake, "PROGRAM.NC", bytes);
    const char* how = "";
    if (split.pieces == 0 && split.lastLine.find("冒頭") != std::string::npos) {
      // Refused for its header: the user's way on is to make the header file first and split
      // again with it.
      HeaderFooterFiles(nullptr, split.path.c_str());
      split = SplitInFolder(dir, fake, "PROGRAM.NC", bytes);
      how = ", header file made first";
    }
    if (split.pieces == 0) {
      ++refused;
      std::printf("REFUSED %s: %s\n", name.c_str(), split.log.c_str());
      continue;
    }
    // Behind the header and footer files made first, which are the user's to the run.
    const std::string header = dir.Path("PROGRAM_header.NC");
    const std::string footer = dir.Path("PROGRAM_footer.NC");
    UsersFiles files{};
    if (*how != '\0') files = UsersFiles{header.c_str(), footer.c_str()};
    SplitCheckReport report{};
    std::string line;
    const int result = RunCheck(split.path, split.pieces, split.start, &report, &line, files);
    EXPECT_FALSE(line.empty());
    SplitCheckReport again{};
    EXPECT_EQ(RunCheck(split.path, split.pieces, split.start, &again, nullptr, files), result);
    const std::string blocks = report.usersFiles ? "behind the user's files" : "the program's opening and closing";
    if (result == kCheckPassed) {
      ++passed;
      std::printf("PASS    %s (%d pieces%s; %s)\n", name.c_str(), split.pieces, how, blocks.c_str());
    } else {
      ++failed;
      std::printf("FAIL    %s (%d pieces%s, rule %d): %s\n", name.c_str(), split.pieces, how, report.rule,
                  line.c_str());
    }
  }
  std::printf("--- %d pass, %d fail, %d not split ---\n", passed, failed, refused);
}

TEST(SplitCheckSurvey, CorpusProgramsSplitByTodaysSplitter) {
  // A worktree lies one folder deeper than the main checkout: QX_CORPUS_DIR in the environment
  // names the corpus then.
  const char* folder = std::getenv("QX_CORPUS_DIR");
  const std::vector<fs::path> programs = ProgramsIn(folder != nullptr ? folder : QX_CORPUS_DIR);
  if (programs.empty()) GTEST_SKIP() << "no corpus at " << (folder != nullptr ? folder : QX_CORPUS_DIR);
  Survey(programs, "shared corpus");
}

TEST(SplitCheckSurvey, TestProgramsSplitByTodaysSplitter) {
  Survey(ProgramsIn(fs::path(QX_SOURCE_DIR) / "tests" / "data" / "programs"), "tests/data/programs");
}

TEST(SplitCheckSurvey, GoldenExpectedPieces) {
  std::printf("--- split check: golden expected pieces ---\n");
  for (const std::string& name : GoldenCases()) {
    SCOPED_TRACE(name);
    TempDir dir;
    std::string program;
    const int pieces = LayOutGoldenPieces(name, dir.Path(""), &program);
    if (pieces == 0) continue;
    const GoldenJob job = ReadGoldenJob(GoldenRoot() / name / "job.txt");
    SplitCheckReport report{};
    std::string line;
    // The case's own approach height, where its settings give one.
    double approach = 10.0;
    const std::string settings = ReadFileBytes((GoldenRoot() / name / "Quendrix.ini").string());
    const size_t key = settings.find("\nAPPROACH=");
    if (key != std::string::npos) approach = std::strtod(settings.c_str() + key + 10, nullptr);
    const int result = RunCheck(program, pieces, job.start, &report, &line, {}, approach);
    std::printf("%s %s (%d pieces): %s\n", result == kCheckPassed ? "PASS   " : "FAIL   ", name.c_str(), pieces,
                line.c_str());
  }
}

}  // namespace
