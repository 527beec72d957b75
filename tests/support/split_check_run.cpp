#include "support/split_check_run.h"

#include <gtest/gtest.h>

#include "config/file_naming.h"
#include "config/settings.h"
#include "split/program_totals.h"
#include "log/run_log.h"
#include "nc/measure.h"
#include "platform/text_encoding.h"
#include "split/split_driver.h"

SplitForCheck SplitInFolder(const TempDir& dir, FakePlatform& fake, const std::string& name,
                            const std::string& bytes, int parts, const std::string& extraSettings) {
  SplitForCheck split{};
  fake.executablePath = dir.Path("quendrix");
  dir.Write("Quendrix.ini", "[COMMAND]\r\nMODE=1\r\n" + extraSettings + "[PAVLOK]\r\nNCVIEWER=\r\n");
  CommandSettings command{0, 0, 1, 0, 1};
  StartSettings();
  ReadCommandSettings(&command);
  dir.Write(name, bytes);
  split.path = dir.Path(name);

  StartAndTotals measured{};
  MeasureStartAndTotals(nullptr, split.path.c_str(), command.timeModel, &measured);
  for (int axis = 0; axis < 3; ++axis) split.start[axis] = measured.start[axis];
  const DistanceTotals& distanceTotals = measured.distance;
  const TimeTotals& timeTotals = measured.time;
  const double metres = distanceTotals[kCutting];  // the cutting slot counts metres
  SplitJob job{split.path.c_str(), metres > 0.003 ? metres / parts : 1.0,
               timeTotals[kCutting] > 0.003 ? timeTotals[kCutting] / parts : 1.0,
               {split.start[0], split.start[1], split.start[2]}};
  job.settings = command;
  fake.boxes.clear();
  split.result = SplitProgram(nullptr, job);
  if (!fake.logLines().empty()) split.lastLine = fake.logLines().back();
  platform::Cp932ToUtf8(split.lastLine, &split.log);

  for (int piece = 1;; ++piece) {
    char path[512];
    if (PiecePath(split.path.c_str(), piece, path, sizeof path) != kNamingOk) break;
    if (ReadFileBytes(path).empty()) break;
    split.pieces = piece;
  }
  return split;
}

int RunCheck(const std::string& path, int pieces, const double start[3], SplitCheckReport* report,
             std::string* line, const UsersFiles& files, double approach) {
  SplitCheckJob job{};
  job.ncFile = path.c_str();
  job.pieceCount = pieces;
  for (int axis = 0; axis < 3; ++axis) job.start[axis] = start[axis];
  job.approach = approach;
  job.headerFile = files.header;
  job.footerFile = files.footer;
  const int result = CheckSplit(job, report);
  if (line != nullptr) {
    char text[kLogLineSize];
    DescribeSplitCheck(*report, text);
    platform::Cp932ToUtf8(text, line);
  }
  return result;
}

void CheckPairs(const std::vector<CheckPair>& pairs) {
  for (const CheckPair& pair : pairs) {
    SCOPED_TRACE(pair.name);
    TempDir dir;
    dir.Write("P.NC", pair.source);
    for (size_t i = 0; i < pair.pieces.size(); ++i) {
      char path[512];
      PiecePath(dir.Path("P.NC").c_str(), static_cast<int>(i) + 1, path, sizeof path);
      WriteFileBytes(path, pair.pieces[i]);
    }
    const std::string header = dir.Path("P_header.NC");
    const std::string footer = dir.Path("P_footer.NC");
    UsersFiles files{};
    if (pair.header != nullptr) {
      dir.Write("P_header.NC", pair.header);
      files.header = header.c_str();
    }
    if (pair.footer != nullptr) {
      dir.Write("P_footer.NC", pair.footer);
      files.footer = footer.c_str();
    }
    SplitCheckReport report{};
    std::string line;
    const int result =
        RunCheck(dir.Path("P.NC"), static_cast<int>(pair.pieces.size()), pair.start, &report, &line, files);
    EXPECT_EQ(result, pair.result) << line;
    if (pair.result == kCheckFailed) {
      EXPECT_EQ(report.rule, pair.rule) << line;
      if (pair.piece != 0) {
        EXPECT_EQ(report.piece, pair.piece) << line;
      }
      EXPECT_NE(std::string(report.detail).find(pair.detail), std::string::npos) << line;
    }
  }
}
