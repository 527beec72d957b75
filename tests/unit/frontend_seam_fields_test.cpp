// The main window's seam policy and size limit, as the window model of ui/common holds them: what
// the window shows from the settings, how its texts are read into the job, and that the split
// takes them as it takes the batch parameters (its log names the policy and the size).
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

#include "config/settings.h"
#include "log/run_log.h"
#include "split/split_driver.h"
#include "support/fake_platform.h"
#include "support/temp_dir.h"
#include "ui/common/front_end.h"
#include "ui/common/seam_fields.h"

namespace {

// About 0.4 m and 0.86 min of cutting, two lifts to the start height between its cuts.
constexpr char kProgram[] =
    "%\r\nO1000\r\nG92X0Y0Z100.\r\nG90G17G40G80\r\nS1000M03\r\nG00X10.Y20.\r\nZ5.\r\nG01Z-1.F100\r\n"
    "X110.F500\r\nY120.\r\nG00Z100.\r\nX10.Y20.\r\nZ5.\r\nG01Z-1.F100\r\nX110.F500\r\nY120.\r\nG00Z100.\r\n"
    "X10.Y120.\r\nZ5.\r\nG01Z-1.F100\r\nX10.Y20.F500\r\nG00Z100.\r\nX0Y0\r\nM05\r\nM30\r\n%\r\n";

class SeamFieldsTest : public testing::Test {
 protected:
  void SetUp() override { fake.executablePath = dir.Path("quendrix"); }
  void TearDown() override {
    gCommandSettings = CommandSettings{0, 0, 1, 0, 1};
    gProgramDirectory[0] = '\0';
    gSettingsPath[0] = '\0';
  }
  // Starts the program with `command` as its [COMMAND] section (nullptr: the default file).
  void Start(const char* command) {
    if (command != nullptr) dir.Write("Quendrix.ini", std::string("[COMMAND]\r\nMODE=1\r\n") + command);
    StartSettings();
    ReadCommandSettings(&gCommandSettings);
  }
  std::vector<std::string> Errors() const {
    std::vector<std::string> texts;
    for (const auto& box : fake.boxes) {
      if (box.icon == platform::BoxIcon::kError) texts.push_back(box.text);
    }
    return texts;
  }
  bool Logged(const std::string& line) const {
    const auto& lines = fake.logLines();
    return std::find(lines.begin(), lines.end(), line) != lines.end();
  }

  FakePlatform fake;
  TempDir dir;
};

// What the window shows when it opens or is cleared: SEAM and SIZE of [COMMAND].
TEST_F(SeamFieldsTest, TheWindowShowsTheSettingsPolicyAndSize) {
  struct Case {
    const char* command;  // nullptr: the default settings file
    int choice;
    const char* size;
  };
  const Case cases[] = {
      {nullptr, 0, "0"},
      {"", 0, "0"},
      {"SEAM=break\r\nSIZE=300\r\n", 1, "300"},
      {"SEAM= Tool \r\n", 2, "0"},
      {"SEAM=cut\r\nSIZE=64KB\r\n", 0, "64"},  // read as every integer key is: its leading number
      // A word the split refuses is no choice: the window cannot show it as another policy.
      {"SEAM=brake\r\n", kNoSeamChoice, "0"},
      // A size the split refuses is shown as it reads, so that Execute refuses it.
      {"SIZE=-5\r\n", 0, "-5"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.command != nullptr ? c.command : "(default file)");
    std::filesystem::remove(dir.Path("Quendrix.ini"));
    Start(c.command);
    const SeamFields fields = SettingsSeamFields();
    EXPECT_EQ(fields.choice, c.choice);
    EXPECT_STREQ(fields.size, c.size);
  }
}

TEST(SeamChoices, ListThePoliciesInTheirOrderWithTheirWords) {
  EXPECT_STREQ(SeamChoiceWord(kSeamCut), "cut");
  EXPECT_STREQ(SeamChoiceWord(kSeamBreak), "break");
  EXPECT_STREQ(SeamChoiceWord(kSeamTool), "tool");
  EXPECT_EQ(SeamChoiceWord(kNoSeamChoice), nullptr);
  EXPECT_EQ(SeamChoiceWord(kSeamChoiceCount), nullptr);
  EXPECT_STREQ(SeamChoiceLabel(kSeamCut), "切削中で分割");
  EXPECT_STREQ(SeamChoiceLabel(kSeamBreak), "区切りで分割");
  EXPECT_STREQ(SeamChoiceLabel(kSeamTool), "工具ごとに分割");
  EXPECT_STREQ(SeamChoiceLabel(kSeamChoiceCount), "");
}

// How the size field is read: whole KB, blank for none; anything else is refused before a split,
// with the split's own message quoting the text.
TEST_F(SeamFieldsTest, TheSizeFieldIsWholeKilobytesOrNothing) {
  struct Case {
    const char* text;
    const char* taken;  // nullptr: refused
  };
  const Case cases[] = {
      {"", "0"},         {"   ", "0"},       {"0", "0"},          {"512", "512"},
      {" 64 ", " 64 "},  {"1000000", "1000000"}, {"12KB", nullptr}, {"-1", nullptr},
      {"1.5", nullptr},  {"abc", nullptr},   {"1000001", nullptr}, {"１２", nullptr},
  };
  Start(nullptr);
  for (const Case& c : cases) {
    SCOPED_TRACE(std::string("size \"") + c.text + "\"");
    fake.boxes.clear();
    SeamFields fields{kSeamBreak, ""};
    std::snprintf(fields.size, sizeof fields.size, "%s", c.text);
    SplitJob job{"PART.NC", 1.0, 1.0, {0, 0, 0}};
    const int result = ReadSeamFields(nullptr, fields, &job);
    if (c.taken == nullptr) {
      EXPECT_EQ(result, kSeamFieldsRefused);
      EXPECT_EQ(Errors(), std::vector<std::string>{"エラー：ファイル容量の上限 " + std::string(c.text) +
                                                   " は使えません。０（上限なし）以上の整数（KB）を指定してください。"});
      continue;
    }
    EXPECT_EQ(result, kSeamFieldsReady);
    EXPECT_TRUE(Errors().empty());
    EXPECT_STREQ(job.maxSize, c.taken);
    EXPECT_STREQ(job.seam, "break");
  }
}

// The split takes the window's policy and size over [COMMAND], as it takes the batch parameters.
TEST_F(SeamFieldsTest, TheSplitTakesWhatTheWindowShows) {
  Start("SEAM=cut\r\nSIZE=0\r\n");
  dir.Write("PART.NC", kProgram);
  const std::string path = dir.Path("PART.NC");
  SeamFields fields{kSeamBreak, "1"};
  SplitJob job{path.c_str(), 0.2, 100.0, {0, 0, 100}};
  job.settings = gCommandSettings;  // as the front ends hand it over
  ASSERT_EQ(ReadSeamFields(nullptr, fields, &job), kSeamFieldsReady);
  EXPECT_EQ(SplitProgram(nullptr, job), kSplitDone) << (Errors().empty() ? "" : Errors().front());
  EXPECT_TRUE(Logged("　　　分割位置 : break"));
  EXPECT_TRUE(Logged("　　ファイル容量 : 1 KB まで"));
  EXPECT_TRUE(dir.Exists("PART_002.NC"));

  // The settings' own values reach it when the window shows them.
  fake.pane.Clear();
  const SeamFields shown = SettingsSeamFields();
  SplitJob plain{path.c_str(), 0.2, 100.0, {0, 0, 100}};
  plain.settings = gCommandSettings;  // as the front ends hand it over
  ASSERT_EQ(ReadSeamFields(nullptr, shown, &plain), kSeamFieldsReady);
  EXPECT_EQ(SplitProgram(nullptr, plain), kSplitDone);
  EXPECT_FALSE(Logged("　　　分割位置 : break"));
  EXPECT_FALSE(Logged("　　ファイル容量 : 1 KB まで"));
}

// A SEAM the window cannot show leaves no choice; the split then refuses the setting by name, and
// a chosen policy wins over it.
TEST_F(SeamFieldsTest, NoChoiceLeavesTheSettingToTheSplitWhichRefusesAnUnknownWord) {
  Start("SEAM=brake\r\n");
  dir.Write("PART.NC", kProgram);
  const std::string path = dir.Path("PART.NC");
  SplitJob job{path.c_str(), 0.2, 100.0, {0, 0, 100}};
  job.settings = gCommandSettings;  // as the front ends hand it over
  ASSERT_EQ(ReadSeamFields(nullptr, SettingsSeamFields(), &job), kSeamFieldsReady);
  EXPECT_EQ(job.seam, nullptr);
  EXPECT_EQ(SplitProgram(nullptr, job), kSplitFailed);
  EXPECT_EQ(Errors(), std::vector<std::string>{"エラー：設定 SEAM=brake は使えません。cut, break, tool のどれかを指定してください。"});
  EXPECT_FALSE(dir.Exists("PART_001.NC"));

  fake.boxes.clear();
  SeamFields chosen = SettingsSeamFields();
  chosen.choice = kSeamTool;
  SplitJob again{path.c_str(), 0.2, 100.0, {0, 0, 100}};
  again.settings = gCommandSettings;  // as the front ends hand it over
  ASSERT_EQ(ReadSeamFields(nullptr, chosen, &again), kSeamFieldsReady);
  EXPECT_EQ(SplitProgram(nullptr, again), kSplitDone);
  EXPECT_TRUE(Logged("　　　分割位置 : tool"));
}

}  // namespace
