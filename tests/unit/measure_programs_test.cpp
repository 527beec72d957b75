// Whole programs through the measurement pass: the refused programs of tests/data/refused with
// their expected messages, and every real program of the shared corpus.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "platform/text_encoding.h"
#include "split/measure_pass.h"
#include "support/fake_platform.h"
#include "support/temp_dir.h"

namespace fs = std::filesystem;

namespace {

std::vector<fs::path> FilesIn(const fs::path& folder, const std::string& extension) {
  std::vector<fs::path> files;
  std::error_code ec;
  for (const auto& entry : fs::directory_iterator(folder, ec)) {
    if (entry.is_regular_file() && entry.path().extension() == extension) {
      files.push_back(entry.path());
    }
  }
  std::sort(files.begin(), files.end());
  return files;
}

std::string Utf8(const std::string& cp932) {
  std::string out;
  platform::Cp932ToUtf8(cp932, &out);
  return out;
}

// A refused program: the measurement pass refuses it before anything is written.
TEST(RefusedPrograms, EachIsRefusedWithItsMessage) {
  fs::path folder = fs::path(QX_SOURCE_DIR) / "tests" / "data" / "refused";
  std::vector<fs::path> programs = FilesIn(folder, ".NC");
  ASSERT_FALSE(programs.empty());
  for (const fs::path& program : programs) {
    SCOPED_TRACE(program.filename().string());
    TempDir dir;
    dir.Write("P.NC", ReadFileBytes(program.string()));
    std::string nc = dir.Path("P.NC");
    std::string ascii = dir.Path("P_ascii.txt");
    const double start[3] = {0, 0, 100};
    SplitMeter distance{}, time{};
    Extents minimum{}, maximum{};
    MeasureReport report{};
    int result = MeasureProgram({nc.c_str(), ascii.c_str(), start},
                                {&distance, &time, &minimum, &maximum, &report});
    ASSERT_NE(result, kMeasureOk);
    char text[1024];
    ASSERT_GT(DescribeMeasureFailure(result, report, nc.c_str(), ascii.c_str(), text), 0);
    std::string message = text;
    std::string expected = ReadFileBytes(fs::path(program).replace_extension(".expected").string());
    ASSERT_FALSE(expected.empty()) << "no expected message";
    while (!expected.empty() && (expected.back() == '\n' || expected.back() == '\r')) expected.pop_back();
    if (size_t at = expected.find("{nc}"); at != std::string::npos) expected.replace(at, 4, nc);
    EXPECT_EQ(Utf8(message), expected);
  }
}

// Every real program either measures or is refused with a message; none crashes the pass.
TEST(CorpusPrograms, MeasureOrAreRefusedClearly) {
  fs::path folder = QX_CORPUS_DIR;
  std::error_code ec;
  if (!fs::is_directory(folder, ec)) GTEST_SKIP() << "no corpus at " << folder;
  int measured = 0;
  int refused = 0;
  for (const auto& entry : fs::directory_iterator(folder)) {
    std::string name = entry.path().filename().string();
    if (!entry.is_regular_file() || name[0] == '.' || entry.path().extension() == ".md") continue;
    SCOPED_TRACE(entry.path().filename().string());
    TempDir dir;
    dir.Write("P.NC", ReadFileBytes(entry.path().string()));
    std::string nc = dir.Path("P.NC");
    std::string ascii = dir.Path("P_ascii.txt");
    const double start[3] = {0, 0, 0};
    SplitMeter distance{}, time{};
    Extents minimum{}, maximum{};
    MeasureReport report{};
    int result = MeasureProgram({nc.c_str(), ascii.c_str(), start},
                                {&distance, &time, &minimum, &maximum, &report});
    if (result == kMeasureOk) {
      ++measured;
      if (std::getenv("QX_SHOW")) {
        std::printf("%s: %d records, %.3f m, %.3f min, zero-feed %d\n",
                    entry.path().filename().string().c_str(), report.records, distance.running,
                    time.running, report.zeroFeedMoves);
      }
      EXPECT_GE(report.records, 1);
      EXPECT_GE(distance.running, 0.0);
      EXPECT_GE(time.running, 0.0);
      // Every record written can be read back.
      platform::FileHandle file(ascii.c_str(), "rb");
      ASSERT_TRUE(file);
      IntermediateReader reader(file.get());
      int count = 0;
      int status = 0;
      while ((status = reader.Next()) == kRecordMove || status == kRecordBlock ||
             status == kRecordHole) {
        if (status != kRecordBlock) ++count;
      }
      EXPECT_EQ(status, kRecordEnd);
      EXPECT_EQ(count, report.records);
    } else {
      ++refused;
      char text[1024];
      EXPECT_GT(DescribeMeasureFailure(result, report, nc.c_str(), ascii.c_str(), text), 0)
          << "result " << result;
      if (std::getenv("QX_SHOW")) std::printf("%s: %s\n", entry.path().filename().string().c_str(), Utf8(text).c_str());
      EXPECT_EQ(std::string(text, 8), "エラー：") << "result " << result;
    }
  }
  EXPECT_GT(measured + refused, 0);
  std::printf("corpus: %d measured, %d refused\n", measured, refused);
}

}  // namespace
