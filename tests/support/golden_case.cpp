#include "support/golden_case.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <sstream>

#include "config/file_naming.h"
#include "support/temp_dir.h"

namespace fs = std::filesystem;

namespace {

bool IsElapsedLine(const std::string& line) { return line.rfind("処理時間は", 0) == 0; }

}  // namespace

fs::path GoldenRoot() { return fs::path(QX_SOURCE_DIR) / "tests" / "data" / "golden"; }

std::vector<std::string> GoldenCases() {
  std::vector<std::string> names;
  std::error_code ec;
  for (const auto& entry : fs::directory_iterator(GoldenRoot(), ec)) {
    if (entry.is_directory()) names.push_back(entry.path().filename().string());
  }
  std::sort(names.begin(), names.end());
  return names;
}

GoldenJob ReadGoldenJob(const fs::path& file) {
  GoldenJob job;
  for (std::string line : SplitLines(ReadFileBytes(file.string()))) {
    if (!line.empty() && line.back() == '\r') line.pop_back();
    const size_t eq = line.find('=');
    if (line.empty() || line[0] == '#' || eq == std::string::npos) continue;
    const std::string key = line.substr(0, eq);
    const std::string value = line.substr(eq + 1);
    if (key == "program") job.program = value;
    if (key == "distance") job.distanceText = value;
    if (key == "time") job.timeText = value;
    if (key == "result") job.result = std::atoi(value.c_str());
    if (key == "start") {
      std::istringstream parts(value);
      for (std::string& axis : job.startText) std::getline(parts, axis, ',');
    }
    if (key == "copy") {
      const size_t arrow = value.find('>');
      job.copies.emplace_back(value.substr(0, arrow), value.substr(arrow + 1));
    }
  }
  job.distance = std::strtod(job.distanceText.c_str(), nullptr);
  job.time = std::strtod(job.timeText.c_str(), nullptr);
  for (int axis = 0; axis < 3; ++axis) job.start[axis] = std::strtod(job.startText[axis].c_str(), nullptr);
  return job;
}

std::map<std::string, std::string> FilesOf(const fs::path& folder, const std::string& except) {
  std::map<std::string, std::string> files;
  std::error_code ec;
  for (const auto& entry : fs::directory_iterator(folder, ec)) {
    const std::string name = entry.path().filename().string();
    if (entry.is_regular_file() && name != except) files[name] = ReadFileBytes(entry.path().string());
  }
  return files;
}

GoldenRun PrepareGoldenRun(const std::string& caseName, const fs::path& root) {
  GoldenRun run;
  run.caseDir = GoldenRoot() / caseName;
  run.job = ReadGoldenJob(run.caseDir / "job.txt");
  EXPECT_FALSE(run.job.program.empty()) << "job.txt names no program";
  const fs::path programSource = fs::path(QX_SOURCE_DIR) / run.job.program;
  run.programBytes = ReadFileBytes(programSource.string());
  EXPECT_FALSE(run.programBytes.empty()) << programSource;
  run.programName = programSource.filename().string();
  run.bin = root / "bin";
  run.work = root / "work";
  fs::create_directories(run.bin);
  fs::create_directories(run.work);
  WriteFileBytes((run.bin / "Quendrix.ini").string(), ReadFileBytes((run.caseDir / "Quendrix.ini").string()));
  WriteFileBytes((run.work / run.programName).string(), run.programBytes);
  for (const auto& [source, name] : run.job.copies) {
    WriteFileBytes((run.work / name).string(), ReadFileBytes((fs::path(QX_SOURCE_DIR) / source).string()));
  }
  return run;
}

int LayOutGoldenPieces(const std::string& caseName, const fs::path& folder, std::string* program) {
  const fs::path caseDir = GoldenRoot() / caseName;
  std::error_code ec;
  if (!fs::is_directory(caseDir / "expected", ec)) return 0;
  const GoldenJob job = ReadGoldenJob(caseDir / "job.txt");
  const fs::path source = fs::path(QX_SOURCE_DIR) / job.program;
  *program = (folder / source.filename()).string();
  WriteFileBytes(*program, ReadFileBytes(source.string()));
  for (const auto& [file, bytes] : FilesOf(caseDir / "expected")) WriteFileBytes((folder / file).string(), bytes);
  int pieces = 0;
  for (;; ++pieces) {
    char piece[512];
    if (PiecePath(program->c_str(), pieces + 1, piece, sizeof piece) != kNamingOk || !fs::exists(piece, ec)) break;
  }
  return pieces;
}

std::vector<std::string> GoldenLog(const GoldenRun& run) {
  return SplitLines(ReadFileBytes((run.caseDir / "log.txt").string()));
}

std::vector<std::string> LastLines(const std::vector<std::string>& lines, size_t count) {
  return std::vector<std::string>(lines.end() - static_cast<std::ptrdiff_t>(std::min(count, lines.size())), lines.end());
}

void ExpectGoldenOutputs(const GoldenRun& run, const std::vector<std::string>& logLines, bool exactElapsed,
                         bool mayUpdate) {
  const std::map<std::string, std::string> outputs = FilesOf(run.work, run.programName);
  if (mayUpdate && std::getenv("QX_UPDATE_GOLDEN") != nullptr) {
    std::string log;
    for (const std::string& line : logLines) log += line + "\n";
    WriteFileBytes((run.caseDir / "log.txt").string(), log);
    fs::remove_all(run.caseDir / "expected");
    fs::create_directories(run.caseDir / "expected");
    for (const auto& [name, bytes] : outputs) WriteFileBytes((run.caseDir / "expected" / name).string(), bytes);
  }

  const std::vector<std::string> expectedLog = GoldenLog(run);
  ASSERT_EQ(logLines.size(), expectedLog.size()) << "run-log line count";
  for (size_t i = 0; i < expectedLog.size(); ++i) {
    if (!exactElapsed && IsElapsedLine(expectedLog[i]) && IsElapsedLine(logLines[i])) continue;
    EXPECT_TRUE(logLines[i] == expectedLog[i]) << "run-log line " << i + 1 << " differs";
  }

  const std::map<std::string, std::string> expected = FilesOf(run.caseDir / "expected");
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
  EXPECT_TRUE(ReadFileBytes((run.work / run.programName).string()) == run.programBytes);
}
