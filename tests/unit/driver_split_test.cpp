// The split driver: the split decision, piece numbering, refusals, clean-up, viewer and the
// elapsed-time report.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <filesystem>
#include <string>
#include <vector>

#include "config/settings.h"
#include "log/run_log.h"
#include "split/split_driver.h"
#include "support/fake_platform.h"
#include "support/temp_dir.h"

namespace {

// 25.05 minutes and 2.505 m of cutting at F100: a 5 mm plunge, then 25 straight moves of 100 mm.
std::string LongProgram() {
  std::string text = "%\r\nO0001\r\nG92X0.Y0.Z50.\r\nG90G17G40\r\nG00X0.Y0.Z5.\r\nG01Z0.F100.\r\n";
  for (int i = 0; i < 25; ++i) text += (i % 2 == 0) ? "X100.\r\n" : "X0.\r\n";
  text += "G00Z50.\r\nX0.Y0.\r\nM30\r\n%\r\n";
  return text;
}

class DriverTest : public testing::Test {
 protected:
  DriverTest() {
    std::memcpy(savedSettingsPath_, gSettingsPath, sizeof gSettingsPath);
    std::memcpy(savedDirectory_, gProgramDirectory, sizeof gProgramDirectory);
    fake.executablePath = dir.Path("quendrix");
    dir.Write("PART.NC", LongProgram());
  }
  ~DriverTest() override {
    std::memcpy(gSettingsPath, savedSettingsPath_, sizeof gSettingsPath);
    std::memcpy(gProgramDirectory, savedDirectory_, sizeof gProgramDirectory);
  }

  // Writes the settings file with these sections' extra lines and takes the command settings.
  void Settings(const std::string& command = "", const std::string& pavlok = "",
                const std::string& quendra = "", const std::string& format = "") {
    dir.Write("Quendrix.ini", "[FORMAT]\r\n" + format + "[COMMAND]\r\n" + command +
                                  (command.find("MODE=") == std::string::npos ? "MODE=1\r\n" : "") +
                                  "[PAVLOK]\r\n" + pavlok + "[QUENDRA]\r\n" + quendra);
    StartSettings();
    ReadCommandSettings(&command_);
  }

  // `job` with the command settings last taken.
  SplitJob Job(SplitJob job) const {
    job.settings = command_;
    return job;
  }

  int Split(double distanceMetres, double minutes, const std::string& name = "PART.NC") {
    path = dir.Path(name);
    return SplitProgram(nullptr, Job({path.c_str(), distanceMetres, minutes, {0, 0, 50}}));
  }

  bool Logged(const std::string& line) const {
    const auto& lines = fake.logLines();
    return std::find(lines.begin(), lines.end(), line) != lines.end();
  }
  // Files in the folder other than the program and the settings.
  std::vector<std::string> Made() const {
    std::vector<std::string> names;
    for (const auto& entry : std::filesystem::directory_iterator(dir.path())) {
      std::string name = entry.path().filename().string();
      if (name != "PART.NC" && name != "Quendrix.ini") names.push_back(name);
    }
    std::sort(names.begin(), names.end());
    return names;
  }

  FakePlatform fake;
  TempDir dir;
  std::string path;

 private:
  CommandSettings command_{0, 0, 1, 0, 1};
  char savedSettingsPath_[sizeof gSettingsPath];
  char savedDirectory_[sizeof gProgramDirectory];
};

TEST_F(DriverTest, ThreePiecesByTime) {
  Settings("MODE=0\r\n");
  ASSERT_EQ(Split(5, 10), kSplitDone);
  EXPECT_TRUE(Logged("　　　分割種類 [ 01 ] 切削時間分割"));
  EXPECT_TRUE(Logged("　　　分割種類 [ 02 ] 切削時間分割"));
  EXPECT_TRUE(Logged("　　　分割種類 [ 03 ] 残り分割"));
  EXPECT_TRUE(Logged("3 個のＮＣファイルに分割しました。"));
  EXPECT_TRUE(Logged("分割切削距離 : 5000."));  // the limit in mm after the run
  // Intermediate, header and footer files are gone; exactly three pieces remain.
  EXPECT_EQ(Made(), (std::vector<std::string>{"PART_001.NC", "PART_002.NC", "PART_003.NC"}));
  EXPECT_EQ(dir.Read("PART.NC"), LongProgram());
  // MODE 0: one information box, not in the log.
  ASSERT_EQ(fake.boxes.size(), 1u);
  EXPECT_EQ(fake.boxes[0].icon, platform::BoxIcon::kInformation);
  EXPECT_EQ(fake.boxes[0].text.rfind("【 完 了 】\n\nＮＣファイル\n[ " + path + " ] を\n3 個", 0), 0u);
  // Piece 2 resumes where piece 1 stopped, above X100 (the start of the tenth move), and re-cuts
  // that move first.
  const std::string second = dir.Read("PART_002.NC");
  EXPECT_NE(second.find("(" + path + ")\r\nX100.\r\nZ10.\r\nG01Z0.F50\r\nX0.F100\r\nX100.\r\n"),
            std::string::npos)
      << second;
}

// The split takes its command settings from the job alone, never from the file: a job taken
// with MODE=0 shows the completion box, the same job with MODE 1 does not; DEBUG 2 of the job logs
// every written block, DEBUG 0 none.
TEST_F(DriverTest, TheJobsCommandSettingsAreTheOnlyOnesRead) {
  struct Case {
    int mode;
    int debug;
    size_t boxes;
    bool blocks;
  };
  const Case cases[] = {{0, 0, 1, false}, {1, 0, 0, false}, {1, 2, 0, true}};
  Settings("MODE=0\r\n");
  for (const Case& c : cases) {
    SCOPED_TRACE(std::to_string(c.mode) + " " + std::to_string(c.debug));
    fake.boxes.clear();
    fake.pane.Clear();
    path = dir.Path("PART.NC");
    SplitJob job = Job({path.c_str(), 5, 10, {0, 0, 50}});
    job.settings.mode = c.mode;
    job.settings.debug = c.debug;
    ASSERT_EQ(SplitProgram(nullptr, job), kSplitDone);
    EXPECT_EQ(fake.boxes.size(), c.boxes);
    EXPECT_EQ(Logged("G01 X100.       Y0.         Z0."), c.blocks);
  }
}

TEST_F(DriverTest, RecordLongerThanTheLimitEndsThePieceItOpens) {
  Settings();
  // Each 100 mm move takes 1 minute; with a 0.5 minute limit every move is a piece of its own:
  // the piece that a long move opens ends at the very next cutting move. The rapids after the
  // last cut make no piece of their own: a piece ends only with a cut. Nor does the last cut: the
  // piece it passes the limit in ends with it, and a piece after it would only cut it again.
  ASSERT_EQ(Split(5, 0.5), kSplitDone);
  EXPECT_TRUE(Logged("25 個のＮＣファイルに分割しました。"));
  EXPECT_TRUE(Logged("　　　加工情報 [ 03 ] 距離 = 100.000     　時間 = 1.000"));
}

TEST_F(DriverTest, NoPieceEndsWhereTheToolsPlaceOrItsWorkOffsetIsNotTheHeaders) {
  Settings();
  // Three minutes of cutting at F100 in each stretch; a one-minute limit is passed in each.
  const std::string cuts = "G01X100.\r\nX0.\r\nX100.\r\n";
  struct Case {
    const char* name;
    std::string between;  // what comes between the two stretches of cuts
    std::string after;    // what comes after the second
    const char* info;     // the log's reason, with the line passed and the line of the seam
  };
  const Case cases[] = {
      {"a reference return: Z is unknown until a block names it (line 15)", "G91G28Z0.\r\nG90X0.\r\n",
       "Z5.\r\nX0.\r\nX100.\r\n",
       "情　報：11 行目で分割の上限を超えましたが、G28, G30, G53, オフセットの書き込み（G10）やワーク座標系の変更の後で"
       "工具の位置がわからない間は分割しないので、16 行目で分割します。"},
      {"another work offset, until G54 again and the first cut after it", "G55\r\nG00X0.Y0.Z5.\r\nG01Z0.\r\n",
       "G54\r\nG00X0.Y0.Z5.\r\nG01Z0.\r\nX100.\r\nX0.\r\n",
       "情　報：12 行目で分割の上限を超えましたが、冒頭と違うワーク座標系の間は分割しないので、"
       "18 行目で分割します。"},
  };
  for (const Case& c : cases) {
    dir.Write("PART.NC", "%\r\nO0001\r\nG92X0.Y0.Z50.\r\nG90G17G40G54\r\nG00X0.Y0.Z5.\r\n"
                         "G01Z0.F100.\r\n" + cuts + c.between + cuts + c.after +
                         "G00Z50.\r\nM30\r\n%\r\n");
    ASSERT_EQ(Split(100, 1), kSplitDone) << c.name;
    EXPECT_TRUE(Logged(c.info)) << c.name;
  }
}

// The seams of SEAM=break and tool, of SIZE and of --pieces are planned before the pieces are
// written; with the machine-time estimate they are planned by the machine time, so every
// combination splits (it was once refused), and the pieces carry both times.
TEST_F(DriverTest, MachineTimeWithPlannedSeamsSplits) {
  for (const char* command : {"TIMEMODEL=1\r\nSEAM=break\r\n", "TIMEMODEL=1\r\nSEAM=tool\r\n",
                              "TIMEMODEL=1\r\nSIZE=32\r\n"}) {
    Settings(command);
    fake.pane.Clear();
    EXPECT_EQ(Split(5, 10), kSplitDone) << command;
    EXPECT_FALSE(Logged("エラー：機械時間の見積（TIMEMODEL=1）は SEAM=cut で、SIZE と --pieces なしのときだけ使えます。"))
        << command;
    EXPECT_TRUE(Logged("　　時間モデル : 機械時間の見積 (TIMEMODEL=1)")) << command;
    EXPECT_NE(dir.Read("PART_001.NC").find("(MACHINE TIME = "), std::string::npos) << command;
  }
  Settings("TIMEMODEL=1\r\nSEAM=cut\r\n");
  EXPECT_EQ(Split(5, 10), kSplitDone);
}

TEST_F(DriverTest, NoSplitNeeded) {
  Settings();
  EXPECT_EQ(Split(5, 30), kSplitFailed);
  EXPECT_TRUE(Logged("　合計切削距離 : 2.505"));
  EXPECT_TRUE(Logged("　合計加工時間 : 25.05"));
  ASSERT_EQ(fake.boxes.size(), 1u);
  EXPECT_EQ(fake.boxes[0].text, "このＮＣファイルは分割の必要はありません。");
  EXPECT_EQ(fake.boxes[0].icon, platform::BoxIcon::kError);
  EXPECT_TRUE(Made().empty());
}

// The start height against the highest cut, on the grid of the program's numbers: the height of
// the highest cut itself is a start height, typed or taken from the program, also when the cut
// got there by increments that leave a binary residue (-1. + 1.3 is a hair above 0.3); one least
// increment below it is not.
TEST_F(DriverTest, StartHeightAtTheHighestCutSplitsAndOneStepBelowIsRefused) {
  auto program = [](const char* units, const char* side, const char* feed) {
    return std::string("%\r\nO1\r\nG90 G17 ") + units + " G40 G49 G80\r\nT1 M06\r\nS1500 M03\r\n"
           "G54 G00 X0. Y0.\r\nG43 H1 Z0.3\r\nG91 G01 Z-1.3 F" + feed + "\r\nX" + side + "\r\nY" + side +
           "\r\nX-" + side + "\r\nY-" + side + "\r\nZ1.3\r\nG90 G00 Z2.\r\nM05\r\nM30\r\n%\r\n";
  };
  const std::string metric = program("G21", "50.", "500");
  const std::string inch = program("G20", "2.", "10");
  struct Case {
    const char* name;
    const std::string& program;
    double startZ;
    const char* refusal;  // nullptr: it splits
  } cases[] = {
      {"metric, at the highest cut", metric, 0.3, nullptr},
      {"metric, a step below", metric, 0.299,
       "エラー：スタートＺ座標 0.299 が切削移動の最高点 Z0.3 より低くなっています。"},
      {"inch, at the highest cut", inch, 0.3, nullptr},
      {"inch, a step below", inch, 0.2999,
       "エラー：スタートＺ座標 0.2999 が切削移動の最高点 Z0.3000 より低くなっています。"},
  };
  Settings("VERIFY=1\r\n");
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    dir.Write("PART.NC", c.program);
    for (const std::string& name : Made()) std::filesystem::remove(dir.Path(name));
    fake.boxes.clear();
    path = dir.Path("PART.NC");
    const int result = SplitProgram(nullptr, Job({path.c_str(), 100, 0.1, {0, 0, c.startZ}}));
    if (c.refusal == nullptr) {
      EXPECT_EQ(result, kSplitDone);
      // The check proved the pieces.
      const auto& lines = fake.logLines();
      EXPECT_TRUE(std::any_of(lines.begin(), lines.end(), [](const std::string& line) {
        return line.find("個を検証しました。元のＮＣファイルと同じ加工です。") != std::string::npos;
      }));
      continue;
    }
    EXPECT_EQ(result, kSplitFailed);
    ASSERT_FALSE(fake.boxes.empty());
    EXPECT_EQ(fake.boxes.back().text.rfind(c.refusal, 0), 0u) << fake.boxes.back().text;
    EXPECT_TRUE(Made().empty());
  }
}

TEST_F(DriverTest, LimitsOfZeroOrLessAreRefusedBeforeMeasuring) {
  struct Case {
    double distance;
    double minutes;
    const char* message;
  };
  const Case cases[] = {
      {0, 10, "エラー：分割切削距離 0. は使えません。０より大きい値を指定してください。"},
      {-1.5, 10, "エラー：分割切削距離 -1.5 は使えません。０より大きい値を指定してください。"},
      {5, 0, "エラー：分割切削時間 0. は使えません。０より大きい値を指定してください。"},
      {5, -2, "エラー：分割切削時間 -2. は使えません。０より大きい値を指定してください。"},
  };
  Settings();
  for (const Case& c : cases) {
    SCOPED_TRACE(c.message);
    fake.boxes.clear();
    EXPECT_EQ(Split(c.distance, c.minutes), kSplitFailed);
    ASSERT_EQ(fake.boxes.size(), 1u);
    EXPECT_EQ(fake.boxes[0].text, c.message);
    EXPECT_TRUE(Made().empty());
  }
}

TEST_F(DriverTest, DerivedFilesMayNotFallOnTheProgramOrOnEachOther) {
  struct Case {
    const char* pavlok;
    const char* quendra;
    const char* message;  // %s: the folder
  };
  const Case cases[] = {
      {"", "ASCIIFILE=.NC\r\n", "エラー：作成するファイル %sPART.NC が分割するＮＣファイルと同じです。設定を見直してください。"},
      {"", "ASCIIFILE=.nc\r\n", "エラー：作成するファイル %sPART.nc が分割するＮＣファイルと同じです。設定を見直してください。"},
      {"NCHEADER=.NC\r\n", "", "エラー：作成するファイル %sPART.NC が分割するＮＣファイルと同じです。設定を見直してください。"},
      {"NCHEADER=_footer\r\n", "", "エラー：作成するファイル %sPART_footer.NC が他の作成ファイルと同じ名前です。設定を見直してください。"},
      {"NCFOOTER=_001\r\n", "", "エラー：作成するファイル %sPART_001.NC が他の作成ファイルと同じ名前です。設定を見直してください。"},
      {"", "ASCIIFILE=_HEADER.nc\r\n", "エラー：作成するファイル %sPART_HEADER.nc が他の作成ファイルと同じ名前です。設定を見直してください。"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.message);
    Settings("", c.pavlok, c.quendra);
    fake.boxes.clear();
    EXPECT_EQ(Split(5, 10), kSplitFailed);
    ASSERT_EQ(fake.boxes.size(), 1u);
    std::string expected = c.message;
    expected.replace(expected.find("%s"), 2, dir.path());
    EXPECT_EQ(fake.boxes[0].text, expected);
    EXPECT_EQ(dir.Read("PART.NC"), LongProgram());
    EXPECT_TRUE(Made().empty());
  }
}

TEST_F(DriverTest, PathsThatDoNotFitAreRefused) {
  Settings();
  // A program path of 508 bytes: its pieces up to 999 would need 512.
  std::string folder = dir.path();
  while (folder.size() < 508 - 8 - 100) folder += std::string(99, 'd') + "/";
  folder += std::string(508 - 8 - folder.size(), 'e') + "/";
  std::filesystem::create_directories(folder);
  const std::string program = folder + "PART.NC";
  ASSERT_EQ(program.size(), 508u);
  WriteFileBytes(program, LongProgram());
  EXPECT_EQ(SplitProgram(nullptr, Job({program.c_str(), 5, 10, {0, 0, 50}})), kSplitFailed);
  ASSERT_EQ(fake.boxes.size(), 1u);
  EXPECT_EQ(fake.boxes[0].text, "エラー：ＮＣファイル " + program + " から作るファイル名が長すぎます（511バイトまで）。");
  EXPECT_FALSE(std::filesystem::exists(folder + "PART_ascii.txt"));
  EXPECT_FALSE(std::filesystem::exists(folder + "PART_header.NC"));

  const std::string tooLong(600, 'x');
  fake.boxes.clear();
  EXPECT_EQ(SplitProgram(nullptr, Job({tooLong.c_str(), 5, 10, {0, 0, 50}})), kSplitFailed);
  ASSERT_EQ(fake.boxes.size(), 1u);
  EXPECT_EQ(fake.boxes[0].text.rfind("エラー：ＮＣファイル名が長すぎます（511バイトまで）。", 0), 0u);
}

TEST_F(DriverTest, UnreadableHeaderStopsAtThePieceHead) {
  Settings("DELETE=0\r\n");
  std::filesystem::create_directories(dir.Path("PART_header.NC"));  // exists, cannot be read
  EXPECT_EQ(Split(5, 10), kSplitFailed);
  // The header is read for the machine state every piece's head leaves before any piece is made.
  ASSERT_EQ(fake.boxes.size(), 1u);
  EXPECT_EQ(fake.boxes[0].text, "エラー：ヘッダーファイル " + dir.Path("PART_header.NC") + " が読めません。");
  EXPECT_FALSE(dir.Exists("PART_001.NC"));
}

TEST_F(DriverTest, EditedHeaderIsReusedAndKeptWithDeleteZero) {
  Settings("DELETE=0\r\n");
  const std::string edited = "%\r\nO0001(EDITED)\r\nG92X0.Y0.Z50.\r\nG90G17G40\r\n";
  dir.Write("PART_header.NC", edited);
  ASSERT_EQ(Split(5, 10), kSplitDone);
  EXPECT_EQ(dir.Read("PART_header.NC"), edited);
  EXPECT_TRUE(dir.Exists("PART_footer.NC"));
  EXPECT_FALSE(dir.Exists("PART_ascii.txt"));
  for (const char* piece : {"PART_001.NC", "PART_002.NC", "PART_003.NC"}) {
    EXPECT_EQ(dir.Read(piece).rfind(edited + "G90G0X0.Y0.Z50.\r\n(", 0), 0u) << piece;
  }
}

// A header of the user's that leaves out the program's G92 gives pieces that would run in
// whatever frame the control was left in: the split check refuses them, and they are removed.
TEST_F(DriverTest, AnEditedHeaderWithoutTheProgramsSetUpIsRefused) {
  Settings("DELETE=0\r\n");
  dir.Write("PART_header.NC", "%\r\nO0001(EDITED)\r\nG90G17G40\r\n");
  EXPECT_EQ(Split(5, 10), kSplitFailed);
  EXPECT_FALSE(dir.Exists("PART_001.NC"));
  EXPECT_EQ(dir.Read("PART_header.NC"), "%\r\nO0001(EDITED)\r\nG90G17G40\r\n");
}

TEST_F(DriverTest, ElapsedTimeComesFromTheTickCounter) {
  Settings("DELETE=0\r\nMODE=0\r\n");
  // No cut, no wait: the clock is read twice only. The header sets what the program's does.
  dir.Write("PART_header.NC", "%\r\nG92X0.Y0.Z50.\r\nG90G17G40\r\n");
  dir.Write("PART_footer.NC", "M30\r\n%\r\n");  // every piece ends as the program does
  fake.tick = 0xFFFFFF00u;  // the counter wraps during the run
  fake.tickStep = 2005;     // the driver reads it at its start and at its end
  ASSERT_EQ(Split(5, 10), kSplitDone);
  EXPECT_TRUE(Logged("処理時間は 2.005 秒です"));
  ASSERT_EQ(fake.boxes.size(), 1u);
  const std::string& box = fake.boxes[0].text;
  EXPECT_EQ(box.substr(box.size() - std::string("処理時間は 2.005 秒です").size()), "処理時間は 2.005 秒です");
}

TEST_F(DriverTest, ViewerGetsEveryPieceQuotedWhenItHoldsABlank) {
  dir.Write("viewer.exe", "");
  Settings("", "NCVIEWER=" + dir.Path("viewer.exe") + "\r\n");
  std::filesystem::create_directories(dir.Path("my work"));
  dir.Write("my work/PART.NC", LongProgram());
  ASSERT_EQ(Split(5, 10, "my work/PART.NC"), kSplitDone);
  ASSERT_EQ(fake.started.size(), 3u);
  EXPECT_EQ(fake.started[0].program, dir.Path("viewer.exe"));
  const auto quoted = [](const std::string& path) { return std::string(1, '"').append(path).append(1, '"'); };
  EXPECT_EQ(fake.started[0].parameters, quoted(dir.Path("my work/PART_001.NC")));
  EXPECT_EQ(fake.started[2].parameters, quoted(dir.Path("my work/PART_003.NC")));

  fake.started.clear();
  ASSERT_EQ(Split(5, 10), kSplitDone);
  EXPECT_EQ(fake.started[1].parameters, dir.Path("PART_002.NC"));
}

TEST_F(DriverTest, NoViewerStartsNothingAndSaysNothing) {
  Settings("", "NCVIEWER=\r\n");
  ASSERT_EQ(Split(5, 10), kSplitDone);
  EXPECT_TRUE(fake.started.empty());
  EXPECT_TRUE(fake.boxes.empty());
  EXPECT_EQ(fake.logLines().back(), std::string(69, '-'));
}

TEST_F(DriverTest, MissingViewerIsReportedAndTheRunStillSucceeds) {
  Settings("", "NCVIEWER=" + dir.Path("none.exe") + "\r\n");
  ASSERT_EQ(Split(5, 10), kSplitDone);
  EXPECT_TRUE(fake.started.empty());
  ASSERT_EQ(fake.boxes.size(), 3u);
  EXPECT_EQ(fake.boxes[0].text, "エラー：ＮＣビューワー " + dir.Path("none.exe") + " がありません。");
}

TEST_F(DriverTest, MissingProgram) {
  Settings();
  EXPECT_EQ(Split(5, 10, "NONE.NC"), kSplitFailed);
  ASSERT_EQ(fake.boxes.size(), 1u);
  EXPECT_EQ(fake.boxes[0].text, "エラー：分割するＮＣファイル " + dir.Path("NONE.NC") + " がありません。");
  EXPECT_EQ(fake.logLines().size(), 1u);
}

}  // namespace
