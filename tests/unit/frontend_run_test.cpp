// The command-line run, the batch run and the dispatch between them: which job reaches the split
// driver (its first lines echo the job), which message stops a run, and the results the console
// turns into its exit code.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <string>
#include <vector>

#include "config/settings.h"
#include "log/run_log.h"
#include "support/fake_platform.h"
#include "support/temp_dir.h"
#include "ui/common/front_end.h"

namespace {

// About 0.4 m and 0.86 min of cutting; the tool ends at X0 Y0 Z100 (the extracted start point).
constexpr char kProgram[] =
    "%\r\nO1000\r\nG92X0Y0Z100.\r\nG90G17G40G80\r\nS1000M03\r\nG00X10.Y20.\r\nZ5.\r\nG01Z-1.F100\r\n"
    "X110.F500\r\nY120.\r\nX10.\r\nY20.\r\nG00Z100.\r\nX0Y0\r\nM05\r\nM30\r\n%\r\n";

class FrontEndRunTest : public testing::Test {
 protected:
  // The program "runs" from the test folder, with the default settings file next to it.
  void SetUp() override {
    fake.executablePath = dir.Path("quendrix");
    StartSettings();
    gCommandSettings = CommandSettings{0, 0, 1, 0, 1};
    dir.Write("PART.NC", kProgram);
  }
  void TearDown() override {
    gCommandSettings = CommandSettings{0, 0, 1, 0, 1};
    gProgramDirectory[0] = '\0';
    gSettingsPath[0] = '\0';
  }

  int Run(std::vector<std::string> words, SplitTarget* target = nullptr) {
    words.insert(words.begin(), "quendrix");
    std::vector<const char*> arguments;
    for (const std::string& word : words) arguments.push_back(word.c_str());
    arguments.push_back(nullptr);
    return DispatchFrontEnd(nullptr, static_cast<int>(words.size()), arguments.data(), target);
  }
  std::string Nc() const { return dir.Path("PART.NC"); }
  bool Logged(const std::string& line) const {
    const auto& lines = fake.logLines();
    return std::find(lines.begin(), lines.end(), line) != lines.end();
  }
  // The error boxes shown, in order.
  std::vector<std::string> Errors() const {
    std::vector<std::string> texts;
    for (const auto& box : fake.boxes) {
      if (box.icon == platform::BoxIcon::kError) texts.push_back(box.text);
    }
    return texts;
  }
  // The job as the driver echoes it: distance, time, X, Y, Z.
  void ExpectJob(const char* distance, const char* time, const char* x, const char* y, const char* z) {
    EXPECT_TRUE(Logged("分割ファイル名 : " + Nc()));
    EXPECT_TRUE(Logged(std::string("　分割切削距離 : ") + distance));
    EXPECT_TRUE(Logged(std::string("　分割切削時間 : ") + time));
    EXPECT_TRUE(Logged(std::string("スタートＸ座標 : ") + x));
    EXPECT_TRUE(Logged(std::string("スタートＹ座標 : ") + y));
    EXPECT_TRUE(Logged(std::string("スタートＺ座標 : ") + z));
  }

  FakePlatform fake;
  TempDir dir;
};

TEST_F(FrontEndRunTest, NoArgumentsRunNothing) {
  EXPECT_EQ(Run({}), kRunNothing);
  EXPECT_TRUE(fake.logLines().empty());
  EXPECT_TRUE(fake.boxes.empty());
}

// Each stops the run with one error box and writes nothing.
struct StopCase {
  std::vector<std::string> words;  // "@NC@" is the existing program
  const char* message;             // "@NC@" likewise
};

class CommandLineStopTest : public FrontEndRunTest, public testing::WithParamInterface<StopCase> {};

TEST_P(CommandLineStopTest, StopsAtTheFirstError) {
  std::vector<std::string> words = GetParam().words;
  for (std::string& word : words) {
    if (word == "@NC@") word = Nc();
  }
  EXPECT_EQ(Run(words), kRunFailed);
  std::string message = GetParam().message;
  if (size_t at = message.find("@NC@"); at != std::string::npos) message.replace(at, 4, Nc());
  EXPECT_EQ(Errors(), std::vector<std::string>{message});
  EXPECT_EQ(fake.logLines().back(), message);
  EXPECT_FALSE(dir.Exists("PART_001.NC"));
  EXPECT_FALSE(dir.Exists("PART_header.NC"));
}

INSTANTIATE_TEST_SUITE_P(
    Arguments, CommandLineStopTest,
    testing::Values(
        // Two arguments, the first "?", are no help request: "?" is taken for the NC program.
        StopCase{{"?", "x"}, "エラー：分割するＮＣファイル ? がありません。"},
        StopCase{{"missing.nc", "1", "2", "3", "4", "5"}, "エラー：分割するＮＣファイル missing.nc がありません。"},
        StopCase{{"@NC@"}, "エラー：分割する切削距離を指定して下さい。"},
        StopCase{{"@NC@", "1.5"}, "エラー：分割する切削時間を指定して下さい。"},
        // A text that is not wholly a number is refused as typed, never read as 0 or as its
        // leading part.
        StopCase{{"@NC@", "abc", "30", "0", "0", "100"}, "エラー：分割切削距離 「abc」 は数値ではありません。"},
        StopCase{{"@NC@", "0.1", "30", "1,5", "0", "100"}, "エラー：スタートＸ座標 「1,5」 は数値ではありません。"},
        StopCase{{"@NC@", "0.1", "30", "0", "0", "12mm"}, "エラー：スタートＺ座標 「12mm」 は数値ではありません。"},
        StopCase{{"@NC@", "", "30"}, "エラー：分割する切削距離を指定して下さい。"},
        // A limit of 0 or less reaches the driver, which refuses it.
        StopCase{{"@NC@", "0", "30", "0", "0", "100"},
                 "エラー：分割切削距離 0. は使えません。０より大きい値を指定してください。"}));

TEST_F(FrontEndRunTest, MissingCoordinatesComeFromTheProgram) {
  EXPECT_EQ(Run({Nc(), "0.1", "30"}), kRunSplitDone);
  EXPECT_TRUE(Logged("警　告：スタート座標が指定されてません。"));
  EXPECT_TRUE(Logged("情　報：ＮＣデータから座標を取り出します。"));
  ExpectJob("0.1", "30.", "0.", "0.", "100.");
  EXPECT_TRUE(dir.Exists("PART_001.NC"));
  EXPECT_TRUE(dir.Exists("PART_002.NC"));
}

TEST_F(FrontEndRunTest, GivenCoordinatesWinPositionByPosition) {
  Run({Nc(), "0.1", "30", "10"});
  ExpectJob("0.1", "30.", "10.", "0.", "100.");
  fake.pane.Clear();
  Run({Nc(), "0.1", "30", "10", "-5.5"});
  ExpectJob("0.1", "30.", "10.", "-5.5", "100.");
  fake.pane.Clear();
  Run({Nc(), "0.1", "30", "1", "2", "3"});
  EXPECT_FALSE(Logged("警　告：スタート座標が指定されてません。"));
  ExpectJob("0.1", "30.", "1.", "2.", "3.");
  // An empty coordinate is one that was not given, never 0.
  fake.pane.Clear();
  Run({Nc(), "0.1", "30", "", " ", "7"});
  EXPECT_TRUE(Logged("警　告：スタート座標が指定されてません。"));
  ExpectJob("0.1", "30.", "0.", "0.", "7.");
}

TEST_F(FrontEndRunTest, AProgramThatNeedsNoSplitIsAFailure) {
  EXPECT_EQ(Run({Nc(), "100", "1000", "0", "0", "100"}), kRunFailed);
  EXPECT_EQ(Errors(), std::vector<std::string>{"このＮＣファイルは分割の必要はありません。"});
}

TEST_F(FrontEndRunTest, TheEighthArgumentSwitchesToBatchModeInAnyCase) {
  Run({Nc(), "0.1", "30", "0", "0", "100", "batch", "ignored"});
  EXPECT_EQ(gCommandSettings.mode, 1);
  EXPECT_EQ(gCommandSettings.overwrite, 0);
  EXPECT_TRUE(Logged("★ バッチモードで動作します！"));
  // Batch mode shows no completion box.
  EXPECT_TRUE(fake.boxes.empty());
}

TEST_F(FrontEndRunTest, AnyOtherEighthArgumentChangesNothing) {
  Run({Nc(), "0.1", "30", "0", "0", "100", "batch2"});
  EXPECT_EQ(gCommandSettings.mode, 0);
  EXPECT_FALSE(Logged("★ バッチモードで動作します！"));
}

TEST_F(FrontEndRunTest, DebugNineNineNineEchoesEveryArgumentFromTheProgramPath) {
  gCommandSettings.debug = 999;
  Run({"missing.nc", "1"});
  const auto& lines = fake.logLines();
  ASSERT_GE(lines.size(), 5u);
  EXPECT_EQ(lines[0], "引数 = 3");
  EXPECT_EQ(lines[1], "[0] quendrix");
  EXPECT_EQ(lines[2], "[1] missing.nc");
  EXPECT_EQ(lines[3], "[2] 1");
  EXPECT_EQ(lines[4], "");
}

TEST_F(FrontEndRunTest, CtrlWithoutAParameterFileReportsTheMissingNcFileName) {
  EXPECT_EQ(Run({"-ctrl"}), kRunFailed);
  EXPECT_EQ(Errors(), std::vector<std::string>{"エラー：ＮＣファイル名を読み込めません。"});
}

TEST_F(FrontEndRunTest, TheBatchRunTakesTimeBeforeDistance) {
  dir.Write("job.ini", "[Quendrix]\r\nNCFILE1=" + Nc() +
                           "\r\nTIME=30\r\nDIST=0.1\r\nSTARTX=0\r\nSTARTY=0.\r\nSTARTZ=100\r\nBATCH=Batch\r\n");
  EXPECT_EQ(Run({"-CONTROL", dir.Path("job.ini")}), kRunSplitDone);
  ExpectJob("0.1", "30.", "0.", "0.", "100.");
  EXPECT_EQ(gCommandSettings.mode, 1);
  EXPECT_TRUE(fake.boxes.empty());
  EXPECT_TRUE(dir.Exists("PART_001.NC"));
}

TEST_F(FrontEndRunTest, TheBatchRunNeverEchoesAndTakesAMissingCoordinateFromTheProgram) {
  gCommandSettings.debug = 999;
  dir.Write("job.ini", "[Quendrix]\r\nNCFILE1=" + Nc() + "\r\nTIME=30\r\nDIST=0.1\r\nSTARTX=0\r\nSTARTY=\r\n");
  EXPECT_EQ(Run({"-Ctrl", dir.Path("job.ini")}), kRunSplitDone);
  EXPECT_EQ(fake.logLines()[0], "警　告：スタート座標が指定されてません。");
  ExpectJob("0.1", "30.", "0.", "0.", "100.");
  dir.Write("job.ini", "[Quendrix]\r\nNCFILE1=" + Nc() + "\r\nTIME=30\r\nDIST=0.1\r\nSTARTX=abc\r\n");
  fake.pane.Clear();
  EXPECT_EQ(Run({"-Ctrl", dir.Path("job.ini")}), kRunFailed);
  EXPECT_EQ(fake.logLines(), std::vector<std::string>{"エラー：スタートＸ座標 「abc」 は数値ではありません。"});
}

TEST_F(FrontEndRunTest, AnOtherRunModeWordLeavesTheModeAndStillSplits) {
  dir.Write("job.ini", "[Quendrix]\r\nNCFILE1=" + Nc() +
                           "\r\nTIME=30\r\nDIST=0.1\r\nSTARTX=0\r\nSTARTY=0\r\nSTARTZ=100\r\nBATCH=NORMAL\r\n");
  EXPECT_EQ(Run({"-ctrl", dir.Path("job.ini")}), kRunSplitDone);
  EXPECT_EQ(gCommandSettings.mode, 0);
}

// The console names the pieces' folder from the target: the program's path as the driver got it,
// from either run, and "" whenever the run stopped before the driver.
TEST_F(FrontEndRunTest, TheTargetIsTheProgramTheDriverGot) {
  SplitTarget target;
  EXPECT_EQ(Run({Nc(), "0.1", "30", "0", "0", "100"}, &target), kRunSplitDone);
  EXPECT_EQ(std::string(target.ncFile), Nc());

  dir.Write("job.ini", "[Quendrix]\r\nNCFILE1=" + Nc() + "\r\nTIME=30\r\nDIST=0.1\r\nSTARTX=0\r\nSTARTY=0\r\nSTARTZ=100\r\n");
  target.ncFile[0] = 'x';
  target.ncFile[1] = '\0';
  EXPECT_EQ(Run({"-ctrl", dir.Path("job.ini")}, &target), kRunSplitDone);
  EXPECT_EQ(std::string(target.ncFile), Nc());

  EXPECT_EQ(Run({"missing.nc", "0.1", "30"}, &target), kRunFailed);
  EXPECT_EQ(std::string(target.ncFile), "");
  EXPECT_EQ(Run({"-ctrl", dir.Path("absent.ini")}, &target), kRunFailed);
  EXPECT_EQ(std::string(target.ncFile), "");
  std::snprintf(target.ncFile, sizeof target.ncFile, "%s", Nc().c_str());
  EXPECT_EQ(Run({}, &target), kRunNothing);
  EXPECT_EQ(std::string(target.ncFile), "");
}

struct BatchCase {
  const char* word;
  bool switches;
};

class BatchModeTest : public testing::TestWithParam<BatchCase> {};

TEST_P(BatchModeTest, SwitchesOnlyForTheWordBatch) {
  FakePlatform fake;
  CommandSettings saved = gCommandSettings;
  gCommandSettings = {0, 0, 1, 0, 1};
  EXPECT_EQ(BatchModeSwitch(nullptr, GetParam().word), 0);
  if (GetParam().switches) {
    EXPECT_EQ(gCommandSettings.mode, 1);
    EXPECT_EQ(gCommandSettings.overwrite, 0);
    const std::vector<std::string> expected = {"**********************************", "★ バッチモードで動作します！",
                                               "**********************************", ""};
    EXPECT_EQ(fake.logLines(), expected);
  } else {
    EXPECT_EQ(gCommandSettings.mode, 0);
    EXPECT_EQ(gCommandSettings.overwrite, 1);
    EXPECT_TRUE(fake.logLines().empty());
  }
  EXPECT_TRUE(fake.boxes.empty());
  gCommandSettings = saved;
}

// The start-up shows the settings' reports as boxes of their own, in order, and reads the
// command settings after them.
TEST(StartUp, ShowsTheSettingsReportsInBoxesThenReadsTheCommandSettings) {
  FakePlatform fake;
  TempDir dir;
  CommandSettings saved = gCommandSettings;
  fake.executablePath = dir.Path("missing/quendrix");  // no folder to write the default file into
  fake.environment["BELTRASOVA"] = "1";
  gCommandSettings = {0, 0, 1, 0, 1};
  FormatLog("%s", "pending");  // a line being composed is not disturbed
  EXPECT_EQ(StartUp(), 0);
  ASSERT_EQ(fake.boxes.size(), 1u);
  EXPECT_EQ(fake.boxes[0].text, "エラー：INIファイル " + dir.Path("missing/Quendrix.ini") + " が開けません。");
  EXPECT_EQ(fake.boxes[0].title, "Quendrix");
  EXPECT_EQ(fake.boxes[0].icon, platform::BoxIcon::kError);
  EXPECT_EQ(fake.boxes[0].owner, nullptr);
  EXPECT_EQ(gCommandSettings.mode, 1);
  EXPECT_STREQ(gLogLine, "pending");
  EmitLogLine(nullptr, kLogPlain);

  dir.Write("Quendrix.ini", "[COLOR]\r\nWINDOW=1,2\r\nTEXT=3\r\n");
  fake.executablePath = dir.Path("quendrix");
  fake.boxes.clear();
  EXPECT_EQ(StartUp(), 0);
  ASSERT_EQ(fake.boxes.size(), 2u);
  EXPECT_EQ(fake.boxes[0].text, "エラー[2]：ウインドウ色の取り出しに失敗しました。");
  EXPECT_EQ(fake.boxes[1].text, "エラー[1]：テキスト色の取り出しに失敗しました。");
  for (const auto& box : fake.boxes) EXPECT_EQ(box.icon, platform::BoxIcon::kWarning);
  EXPECT_EQ(fake.logLines(), std::vector<std::string>{"pending"});
  gCommandSettings = saved;
  gProgramDirectory[0] = '\0';
  gSettingsPath[0] = '\0';
}

INSTANTIATE_TEST_SUITE_P(Words, BatchModeTest,
                         testing::Values(BatchCase{"BATCH", true}, BatchCase{"batch", true}, BatchCase{"BATCHX", false},
                                         BatchCase{" BATCH", false}, BatchCase{"", false}, BatchCase{nullptr, false}));

}  // namespace
