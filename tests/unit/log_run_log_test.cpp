// The run log: levels and boxes, the longest-line rule, saving and the echo.
#include <gtest/gtest.h>

#include <filesystem>
#include <optional>
#include <string>

#include "config/settings.h"
#include "log/run_log.h"
#include "support/fake_platform.h"
#include "support/temp_dir.h"

namespace {

struct LevelCase {
  int level;
  std::optional<platform::BoxIcon> icon;  // nullopt: no box
};

class EmitLevelTest : public testing::TestWithParam<LevelCase> {};

TEST_P(EmitLevelTest, AppendsSelectsAndBoxesByLevel) {
  FakePlatform fake;
  fake.pane.Append("earlier");
  int owner = 0;
  FormatLog("エラー：%s", "x");
  EmitLogLine(&owner, GetParam().level);
  ASSERT_EQ(fake.logLines().size(), 2u);
  EXPECT_EQ(fake.logLines()[1], "エラー：x");
  EXPECT_EQ(fake.pane.selected(), 1);
  if (GetParam().icon) {
    ASSERT_EQ(fake.boxes.size(), 1u);
    EXPECT_EQ(fake.boxes[0].text, "エラー：x");
    EXPECT_EQ(fake.boxes[0].title, "Quendrix");
    EXPECT_EQ(fake.boxes[0].icon, *GetParam().icon);
    EXPECT_EQ(fake.boxes[0].owner, &owner);
  } else {
    EXPECT_TRUE(fake.boxes.empty());
  }
  for (char c : gLogLine) ASSERT_EQ(c, '\0');
}

INSTANTIATE_TEST_SUITE_P(Levels, EmitLevelTest,
                         testing::Values(LevelCase{-1, platform::BoxIcon::kError},
                                         LevelCase{-5, platform::BoxIcon::kError},
                                         LevelCase{0, std::nullopt}, LevelCase{2, std::nullopt},
                                         LevelCase{4, std::nullopt},
                                         LevelCase{1, platform::BoxIcon::kInformation},
                                         LevelCase{3, platform::BoxIcon::kWarning}));

TEST(EmitLogLine, EmptyBufferIsTheBlankLine) {
  FakePlatform fake;
  EmitLogLine(nullptr, kLogPlain);
  EmitLogLine(nullptr, kLogError);
  ASSERT_EQ(fake.logLines().size(), 2u);
  EXPECT_EQ(fake.logLines()[0], "");
  EXPECT_EQ(fake.logLines()[1], "");
  ASSERT_EQ(fake.boxes.size(), 1u);
  EXPECT_EQ(fake.boxes[0].text, "");
}

TEST(EmitLogLine, LongestLineWidensOnlyWhenExceeded) {
  FakePlatform fake;
  int saved = gLongestLogLine;
  gLongestLogLine = 70;
  struct Step {
    size_t length;
    int fitCalls;
    int fitted;
  };
  const Step steps[] = {{70, 0, -1}, {71, 1, 71}, {71, 1, 71}, {30, 1, 71}, {1023, 2, 1023}};
  for (const Step& step : steps) {
    FormatLog("%s", std::string(step.length, 'w').c_str());
    EmitLogLine(nullptr, kLogPlain);
    EXPECT_EQ(fake.pane.fitCalls(), step.fitCalls) << step.length;
    EXPECT_EQ(fake.pane.fittedLength(), step.fitted) << step.length;
  }
  EXPECT_EQ(gLongestLogLine, 1023);
  gLongestLogLine = saved;
}

TEST(FormatLog, CutsBeforeAHalfCharacter) {
  FakePlatform fake;
  std::string head(1022, 'a');
  EXPECT_EQ(FormatLog("%sア", head.c_str()), 1022);
  EXPECT_EQ(std::string(gLogLine), head);
  EXPECT_EQ(FormatLog("%sア", std::string(1021, 'a').c_str()), 1023);
  EmitLogLine(nullptr, kLogPlain);
}

// The log is saved wherever its caller says; a fresh folder for each test.
class SaveLogTest : public testing::Test {
 protected:
  FakePlatform fake;
  TempDir dir;
};

TEST_F(SaveLogTest, EmptyLogIsRefused) {
  int owner = 0;
  EXPECT_EQ(SaveLog(&owner, dir.Path("Quendrix.log").c_str()), -1);
  ASSERT_EQ(fake.boxes.size(), 1u);
  EXPECT_EQ(fake.boxes[0].text, "エラー：保存するログがありません");
  EXPECT_EQ(fake.boxes[0].icon, platform::BoxIcon::kError);
  EXPECT_EQ(fake.boxes[0].title, "Quendrix");
  EXPECT_EQ(fake.boxes[0].owner, &owner);
  EXPECT_TRUE(fake.logLines().empty());
  EXPECT_FALSE(dir.Exists("Quendrix.log"));
  EXPECT_EQ(gLogLine[0], '\0');
}

TEST_F(SaveLogTest, WritesEveryLineWithCrLf) {
  FormatLog("情　報：%s", "one");
  EmitLogLine(nullptr, kLogPlain);
  EmitLogLine(nullptr, kLogPlain);
  FormatLog("%s", std::string(1023, 'z').c_str());
  EmitLogLine(nullptr, kLogPlain);
  dir.Write("run.txt", "old content that is longer than the new one ................");
  EXPECT_EQ(SaveLog(nullptr, dir.Path("run.txt").c_str()), 0);
  EXPECT_EQ(dir.Read("run.txt"), "情　報：one\r\n\r\n" + std::string(1023, 'z') + "\r\n");
  EXPECT_TRUE(fake.boxes.empty());
  EXPECT_EQ(fake.logLines().size(), 3u);
}

TEST_F(SaveLogTest, UnopenableFileIsReportedInABoxOnly) {
  // A directory stands where the log file would go.
  std::filesystem::create_directory(dir.Path("Quendrix.dir"));
  EmitLogLine(nullptr, kLogPlain);
  EXPECT_EQ(SaveLog(nullptr, dir.Path("Quendrix.dir").c_str()), -1);
  ASSERT_EQ(fake.boxes.size(), 1u);
  EXPECT_EQ(fake.boxes[0].text, "エラー：ログファイル " + dir.Path("Quendrix.dir") + " が開けません");
  EXPECT_EQ(fake.boxes[0].icon, platform::BoxIcon::kError);
  EXPECT_EQ(fake.logLines().size(), 1u);
  EXPECT_EQ(gLogLine[0], '\0');
}

TEST(EchoOutputParameters, FourLines) {
  FakePlatform fake;
  EXPECT_EQ(EchoOutputParameters(FormatSettings{3, 0}), 0);
  const std::vector<std::string> expected = {"$$$ 出力パラメータ", "$$$ 小数点　 == 3", "$$$ コメント == 0", ""};
  EXPECT_EQ(fake.logLines(), expected);
  EXPECT_TRUE(fake.boxes.empty());
}

}  // namespace
