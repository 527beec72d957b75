// End-to-end split of realistic programs against reviewed expected files.
//
// Every folder under tests/data/golden/ is one case:
//   job.txt       the job: program (path from the source tree), distance (m), time (min),
//                 start (x,y,z), result (0 or -1) and optional copy=<source file>><name> lines for
//                 files that lie next to the program before the run (an edited header, say)
//   Quendrix.ini  the settings file next to the executable
//   log.txt       the expected run-log lines (code page 932), one per line
//   expected/     every file the working folder holds after the run, the program excepted
// The run works in a fresh folder with the program given by its bare name, so the pieces and the
// log are the same bytes on every platform. QX_UPDATE_GOLDEN=1 rewrites log.txt and expected/
// from the run (review them before checking them in).
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <map>
#include <sstream>
#include <string>
#include <vector>

#include "config/settings.h"
#include "split/split_driver.h"
#include "support/fake_platform.h"
#include "support/temp_dir.h"

namespace fs = std::filesystem;

namespace {

const fs::path kGoldenRoot = fs::path(QX_SOURCE_DIR) / "tests" / "data" / "golden";

struct Job {
  std::string program;
  double distance = 0;
  double time = 0;
  double start[3] = {0, 0, 0};
  int result = 0;
  std::vector<std::pair<std::string, std::string>> copies;  // source in the tree, name next to it
};

Job ReadJob(const fs::path& file) {
  Job job;
  std::istringstream in(ReadFileBytes(file.string()));
  std::string line;
  while (std::getline(in, line)) {
    if (!line.empty() && line.back() == '\r') line.pop_back();
    const size_t eq = line.find('=');
    if (line.empty() || line[0] == '#' || eq == std::string::npos) continue;
    const std::string key = line.substr(0, eq);
    const std::string value = line.substr(eq + 1);
    if (key == "program") job.program = value;
    if (key == "distance") job.distance = std::strtod(value.c_str(), nullptr);
    if (key == "time") job.time = std::strtod(value.c_str(), nullptr);
    if (key == "result") job.result = std::atoi(value.c_str());
    if (key == "start") {
      std::istringstream parts(value);
      std::string part;
      for (double& axis : job.start) {
        std::getline(parts, part, ',');
        axis = std::strtod(part.c_str(), nullptr);
      }
    }
    if (key == "copy") {
      const size_t arrow = value.find('>');
      job.copies.emplace_back(value.substr(0, arrow), value.substr(arrow + 1));
    }
  }
  return job;
}

std::vector<std::string> Cases() {
  std::vector<std::string> names;
  std::error_code ec;
  for (const auto& entry : fs::directory_iterator(kGoldenRoot, ec)) {
    if (entry.is_directory()) names.push_back(entry.path().filename().string());
  }
  std::sort(names.begin(), names.end());
  return names;
}

// Names and bytes of the regular files of a folder.
std::map<std::string, std::string> FilesOf(const fs::path& folder, const std::string& except = "") {
  std::map<std::string, std::string> files;
  std::error_code ec;
  for (const auto& entry : fs::directory_iterator(folder, ec)) {
    const std::string name = entry.path().filename().string();
    if (entry.is_regular_file() && name != except) files[name] = ReadFileBytes(entry.path().string());
  }
  return files;
}

class GoldenSplit : public testing::TestWithParam<std::string> {};

TEST_P(GoldenSplit, MatchesExpectedFilesAndLog) {
  const fs::path caseDir = kGoldenRoot / GetParam();
  const Job job = ReadJob(caseDir / "job.txt");
  ASSERT_FALSE(job.program.empty()) << "job.txt names no program";
  const fs::path programSource = fs::path(QX_SOURCE_DIR) / job.program;
  const std::string programBytes = ReadFileBytes(programSource.string());
  ASSERT_FALSE(programBytes.empty()) << programSource;
  const std::string programName = programSource.filename().string();

  FakePlatform fake;  // fixed clock: the elapsed time is the sum of the waits
  TempDir dir;
  const fs::path bin = fs::path(dir.path()) / "bin";
  const fs::path work = fs::path(dir.path()) / "work";
  fs::create_directories(bin);
  fs::create_directories(work);
  WriteFileBytes((bin / "Quendrix.ini").string(), ReadFileBytes((caseDir / "Quendrix.ini").string()));
  WriteFileBytes((work / programName).string(), programBytes);
  for (const auto& [source, name] : job.copies) {
    WriteFileBytes((work / name).string(), ReadFileBytes((fs::path(QX_SOURCE_DIR) / source).string()));
  }
  fake.executablePath = (bin / "quendrix").generic_string();
  const CommandSettings savedCommand = gCommandSettings;
  StartSettings();
  ReadCommandSettings(&gCommandSettings);

  SplitMeter distance{0, 0, job.distance, 0};
  SplitMeter time{0, 0, job.time, 0};
  const fs::path savedCwd = fs::current_path();
  fs::current_path(work);
  const int result = SplitProgram(nullptr, programName.c_str(), &distance, &time, job.start);
  fs::current_path(savedCwd);
  gCommandSettings = savedCommand;

  std::string log;
  for (const std::string& line : fake.logLines()) log += line + "\n";
  std::map<std::string, std::string> outputs = FilesOf(work, programName);

  if (std::getenv("QX_UPDATE_GOLDEN") != nullptr) {
    WriteFileBytes((caseDir / "log.txt").string(), log);
    fs::remove_all(caseDir / "expected");
    fs::create_directories(caseDir / "expected");
    for (const auto& [name, bytes] : outputs) WriteFileBytes((caseDir / "expected" / name).string(), bytes);
  }

  EXPECT_EQ(result, job.result);
  EXPECT_EQ(log, ReadFileBytes((caseDir / "log.txt").string()));
  const std::map<std::string, std::string> expected = FilesOf(caseDir / "expected");
  std::vector<std::string> outputNames;
  std::vector<std::string> expectedNames;
  for (const auto& entry : outputs) outputNames.push_back(entry.first);
  for (const auto& entry : expected) expectedNames.push_back(entry.first);
  EXPECT_EQ(outputNames, expectedNames);
  for (const auto& [name, bytes] : expected) {
    auto it = outputs.find(name);
    if (it != outputs.end()) {
      EXPECT_TRUE(it->second == bytes) << name << " differs from its expected bytes";
    }
  }
  // The source program is never written.
  EXPECT_TRUE(ReadFileBytes((work / programName).string()) == programBytes);
}

INSTANTIATE_TEST_SUITE_P(Cases, GoldenSplit, testing::ValuesIn(Cases()),
                         [](const testing::TestParamInfo<std::string>& info) { return info.param; });
GTEST_ALLOW_UNINSTANTIATED_PARAMETERIZED_TEST(GoldenSplit);

}  // namespace
