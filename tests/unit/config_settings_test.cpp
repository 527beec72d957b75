// The settings file: default text, start-up, colours, command and format settings, time of day.
#include <gtest/gtest.h>

#include <optional>
#include <string>

#include "config/settings.h"
#include "config/settings_keys.h"
#include "support/fake_platform.h"
#include "support/temp_dir.h"

namespace {

// A program directory in a fresh folder, with an optional settings file, and the fakes.
class SettingsTest : public testing::Test {
 protected:
  SettingsTest() {
    fake.executablePath = dir.Path("quendrix.exe");
    fake.environment["SystemRoot"] = "C:\\WINDOWS";
  }
  void WriteSettings(const std::string& text) { dir.Write("Quendrix.ini", text); }
  std::string Settings() const { return dir.Read("Quendrix.ini"); }

  FakePlatform fake;
  TempDir dir;
};

std::string ExpectedDefaultText() {
  return ReadFileBytes(std::string(QX_SOURCE_DIR) + "/tests/data/config/default_settings.ini");
}

TEST_F(SettingsTest, StartWritesDefaultTextByteForByte) {
  ASSERT_FALSE(ExpectedDefaultText().empty());
  EXPECT_EQ(StartSettings().count, 0);
  EXPECT_EQ(Settings(), ExpectedDefaultText());
  EXPECT_TRUE(fake.boxes.empty());
  EXPECT_EQ(std::string(gProgramDirectory), dir.path());
  EXPECT_EQ(std::string(gSettingsPath), dir.Path("Quendrix.ini"));
}

TEST_F(SettingsTest, EditorLineWithoutSystemRoot) {
  fake.environment.erase("SystemRoot");
  StartSettings();
  std::string text = Settings();
  EXPECT_NE(text.find("\r\nEDITOR=C:\\Windows\\notepad.exe\r\nNCHEADER=_header\r\n"), std::string::npos);
  // Everything else is the same text.
  std::string expected = ExpectedDefaultText();
  expected.replace(expected.find("C:\\WINDOWS"), 10, "C:\\Windows");
  EXPECT_EQ(text, expected);
}

// The editor line as a first start writes it on this machine, through the real environment:
// on Windows (and under Wine) the real SystemRoot, elsewhere the fallback.
TEST_F(SettingsTest, EditorLineFromTheRealEnvironment) {
  fake.environment.erase("SystemRoot");
  platform::Current().getEnvironment = platform::Real().getEnvironment;
  char systemRoot[kSystemPathField] = "C:\\Windows";
#ifdef _WIN32
  ASSERT_TRUE(platform::Real().getEnvironment("SystemRoot", systemRoot, sizeof systemRoot));
  ASSERT_NE(systemRoot[0], '\0');
#endif
  StartSettings();
  std::string expected = ExpectedDefaultText();
  expected.replace(expected.find("C:\\WINDOWS"), 10, systemRoot);
  EXPECT_EQ(Settings(), expected);
}

TEST_F(SettingsTest, ExistingFileIsNeverRewritten) {
  WriteSettings("[COLOR]\r\n");
  EXPECT_EQ(StartSettings().count, 0);
  EXPECT_EQ(Settings(), "[COLOR]\r\n");
  EXPECT_EQ(WriteDefaultSettings(), 0);
  EXPECT_EQ(Settings(), "[COLOR]\r\n");
}

TEST_F(SettingsTest, UncreatableFileIsReportedAndStartContinues) {
  fake.executablePath = dir.Path("missing/quendrix.exe");
  SettingsMessages messages = StartSettings();
  ASSERT_EQ(messages.count, 1);
  EXPECT_EQ(std::string(messages.items[0].text),
            "エラー：INIファイル " + dir.Path("missing/Quendrix.ini") + " が開けません。");
  EXPECT_EQ(messages.items[0].icon, platform::BoxIcon::kError);
  // The settings only report: nothing is shown and nothing reaches the run log.
  EXPECT_TRUE(fake.boxes.empty());
  EXPECT_TRUE(fake.logLines().empty());
  EXPECT_EQ(WriteDefaultSettings(), -1);
  // Everything falls back.
  EXPECT_STREQ(gHelpFileName, "Quendrix.chm");
  EXPECT_EQ(ColourValue(gWindowColour), 135u + 215u * 256u + 215u * 65536u);
}

TEST_F(SettingsTest, NoticeAndHelpFile) {
  StartSettings();
  EXPECT_STREQ(gNoticeLine, "Copyright (C) 2021 TORVANEK All Rights Reserved.");
  EXPECT_STREQ(gHelpFileName, "Quendrix_readme.txt");
}

TEST_F(SettingsTest, HelpFileFallbackAndCut) {
  WriteSettings("[Quendrix]\r\nHELPFILE=\r\n");
  StartSettings();
  EXPECT_STREQ(gHelpFileName, "Quendrix.chm");
  WriteSettings("[quendrix]\r\nhelpfile=" + std::string(40, 'h') + "\r\n");
  StartSettings();
  EXPECT_EQ(std::string(gHelpFileName), std::string(31, 'h'));
}

struct ColourCase {
  std::optional<std::string> window;  // the WINDOW line's value; nullopt: no WINDOW line
  std::optional<std::string> text;
  Colour expectedWindow;
  Colour expectedText;
  std::vector<std::string> warnings;
};

class ColourTest : public SettingsTest, public testing::WithParamInterface<ColourCase> {};

TEST_P(ColourTest, ReadsColoursAndWarns) {
  const ColourCase& c = GetParam();
  std::string ini = "[COLOR]\r\n";
  if (c.window) ini += "WINDOW=" + *c.window + "\r\n";
  if (c.text) ini += "TEXT=" + *c.text + "\r\n";
  WriteSettings(ini);
  SettingsMessages messages = StartSettings();
  EXPECT_EQ(gWindowColour.red, c.expectedWindow.red);
  EXPECT_EQ(gWindowColour.green, c.expectedWindow.green);
  EXPECT_EQ(gWindowColour.blue, c.expectedWindow.blue);
  EXPECT_EQ(gTextColour.red, c.expectedText.red);
  EXPECT_EQ(gTextColour.green, c.expectedText.green);
  EXPECT_EQ(gTextColour.blue, c.expectedText.blue);
  ASSERT_EQ(messages.count, static_cast<int>(c.warnings.size()));
  for (size_t i = 0; i < c.warnings.size(); ++i) {
    EXPECT_EQ(std::string(messages.items[i].text), c.warnings[i]);
    EXPECT_EQ(messages.items[i].icon, platform::BoxIcon::kWarning);
  }
  EXPECT_TRUE(fake.boxes.empty());
  EXPECT_TRUE(fake.logLines().empty());
}

const Colour kWindowDefault{135, 215, 215};
const Colour kTextDefault{0, 0, 0};

INSTANTIATE_TEST_SUITE_P(
    Values, ColourTest,
    testing::Values(
        ColourCase{"10,20", std::nullopt, {10, 20, 215}, kTextDefault, {"エラー[2]：ウインドウ色の取り出しに失敗しました。"}},
        ColourCase{"300,0,0", std::nullopt, {300, 0, 0}, kTextDefault, {}},
        ColourCase{"", "", kWindowDefault, kTextDefault, {}},
        ColourCase{std::nullopt, std::nullopt, kWindowDefault, kTextDefault, {}},
        ColourCase{"1,2,3,4", " 5 ,, 6,7", {1, 2, 3}, {5, 6, 7}, {}},
        ColourCase{",", "blue", kWindowDefault, {0, 0, 0},
                   {"エラー[0]：ウインドウ色の取り出しに失敗しました。", "エラー[1]：テキスト色の取り出しに失敗しました。"}},
        ColourCase{"-1,256,x", "9", {-1, 256, 0}, {9, 0, 0}, {"エラー[1]：テキスト色の取り出しに失敗しました。"}}));

TEST_F(SettingsTest, DefaultTextColours) {
  StartSettings();
  EXPECT_EQ(ColourValue(gWindowColour), 0u + 30u * 256u + 60u * 65536u);
  EXPECT_EQ(ColourValue(gTextColour), 255u + 255u * 256u);
}

TEST(ColourValue, UsesLowEightBits) {
  EXPECT_EQ(ColourValue({300, 0, 0}), 44u);
  EXPECT_EQ(ColourValue({-1, 256, 257}), 255u + 0u + 65536u);
}

struct CommandCase {
  std::optional<std::string> commandSection;  // nullopt: no settings file at all
  std::optional<std::string> beltrasova;       // nullopt: variable not set
  CommandSettings expected;
};

class CommandTest : public SettingsTest, public testing::WithParamInterface<CommandCase> {};

TEST_P(CommandTest, ReadsCommandSettings) {
  const CommandCase& c = GetParam();
  if (c.commandSection) WriteSettings("[COMMAND]\r\n" + *c.commandSection);
  if (c.beltrasova) fake.environment["BELTRASOVA"] = *c.beltrasova;
  CommandSettings got{-9, -9, -9, -9, -9, -9};
  EXPECT_EQ(ReadCommandSettings(&got), 0);
  EXPECT_EQ(got.debug, c.expected.debug);
  EXPECT_EQ(got.mode, c.expected.mode);
  EXPECT_EQ(got.deleteFiles, c.expected.deleteFiles);
  EXPECT_EQ(got.print, c.expected.print);
  EXPECT_EQ(got.overwrite, c.expected.overwrite);
  EXPECT_EQ(got.verify, c.expected.verify);
  EXPECT_EQ(got.preview, c.expected.preview);
  EXPECT_EQ(got.seam, c.expected.seam);
}

INSTANTIATE_TEST_SUITE_P(
    Values, CommandTest,
    testing::Values(CommandCase{std::nullopt, std::nullopt, {0, 0, 1, 0, 1}},
                    CommandCase{"", std::nullopt, {0, 0, 1, 0, 1}},
                    CommandCase{"DEBUG=100\r\nDELETE=0\r\nPRINT=1\r\n", std::nullopt, {100, 0, 0, 1, 1}},
                    CommandCase{"MODE=0\r\n", "1", {0, 1, 1, 0, 0}},
                    CommandCase{std::nullopt, "1", {0, 1, 1, 0, 0}},
                    CommandCase{"MODE=2\r\n", "1", {0, 2, 1, 0, 1}},
                    CommandCase{"MODE=0\r\n", "0", {0, 0, 1, 0, 1}},
                    CommandCase{"MODE=0\r\n", "1 ", {0, 0, 1, 0, 1}},
                    CommandCase{"MODE=1\r\nOVERWRITE=1\r\n", std::nullopt, {0, 1, 1, 0, 0}},
                    CommandCase{"MODE=3\r\nOVERWRITE=7\r\n", std::nullopt, {0, 3, 1, 0, 7}},
                    CommandCase{"PREVIEW=1\r\n", std::nullopt, {0, 0, 1, 0, 1, 1, 1}},
                    CommandCase{"PREVIEW=\r\n", std::nullopt, {0, 0, 1, 0, 1, 1, 0}},
                    CommandCase{"VERIFY=0\r\n", std::nullopt, {0, 0, 1, 0, 1, 0, 0}},
                    CommandCase{"SEAM=break\r\n", std::nullopt, {0, 0, 1, 0, 1, 1, 0, 0, kSeamBreak}},
                    CommandCase{"SEAM= Tool \r\n", std::nullopt, {0, 0, 1, 0, 1, 1, 0, 0, kSeamTool}},
                    CommandCase{"SEAM=\r\n", std::nullopt, {0, 0, 1, 0, 1, 1, 0, 0, kSeamCut}},
                    CommandCase{"SEAM=brake\r\n", std::nullopt, {0, 0, 1, 0, 1, 1, 0, 0, kSeamUnknown}}));

// Every spelling a user may type for the seam policy, and near misses that must not pass for one.
TEST(SeamPolicy, ParsesNamesOnly) {
  const struct {
    const char* text;
    int policy;
  } cases[] = {{"cut", kSeamCut},     {"CUT", kSeamCut},         {"break", kSeamBreak}, {" Break\t", kSeamBreak},
               {"tool", kSeamTool},   {"TOOL", kSeamTool},       {"", kSeamUnknown},    {"cuts", kSeamUnknown},
               {"cu", kSeamUnknown},  {"break tool", kSeamUnknown}, {"1", kSeamUnknown}, {"tool;", kSeamUnknown}};
  for (const auto& c : cases) EXPECT_EQ(ParseSeamPolicy(c.text), c.policy) << "\"" << c.text << "\"";
}

// A size limit is whole KB: anything else would be read as another limit than the one meant.
TEST(SizeLimit, ParsesWholeKilobytesOnly) {
  const struct {
    const char* text;
    int kb;
  } cases[] = {{"0", 0},    {"32", 32},   {" 512 ", 512}, {"1000000", 1000000}, {"1000001", -1}, {"", -1},
               {"1k", -1},  {"1.5", -1},  {"-2", -1},     {"+2", -1},           {"2 2", -1},     {"99999999999", -1}};
  for (const auto& c : cases) EXPECT_EQ(ParseSizeKb(c.text), c.kb) << "\"" << c.text << "\"";
}

struct FormatCase {
  std::optional<std::string> formatSection;
  FormatSettings expected;
};

class FormatTest : public SettingsTest, public testing::WithParamInterface<FormatCase> {};

TEST_P(FormatTest, ReadsFormatSettings) {
  const FormatCase& c = GetParam();
  if (c.formatSection) WriteSettings("[FORMAT]\r\n" + *c.formatSection);
  FormatSettings got{-9, -9};
  EXPECT_EQ(ReadFormatSettings(&got), 0);
  EXPECT_EQ(got.decimal, c.expected.decimal);
  EXPECT_EQ(got.comment, c.expected.comment);
}

INSTANTIATE_TEST_SUITE_P(Values, FormatTest,
                         testing::Values(FormatCase{std::nullopt, {-1, 1}}, FormatCase{"", {-1, 1}},
                                         FormatCase{"DECIMAL=-1\r\n", {-1, 1}},
                                         FormatCase{"DECIMAL=three\r\nCOMMENT=0\r\n", {0, 0}},
                                         FormatCase{"DECIMAL=3\r\nCOMMENT=\r\n", {3, 1}}));

struct TimeCase {
  int hour;
  int minute;
  std::string expected;
};

class TimeOfDayTest : public SettingsTest, public testing::WithParamInterface<TimeCase> {};

TEST_P(TimeOfDayTest, ExactSlotOnly) {
  StartSettings();
  fake.time.hour = GetParam().hour;
  fake.time.minute = GetParam().minute;
  char out[128];
  EXPECT_EQ(TimeOfDayMessage(out, sizeof out), 0);
  EXPECT_EQ(std::string(out), GetParam().expected);
}

INSTANTIATE_TEST_SUITE_P(DefaultText, TimeOfDayTest,
                         testing::Values(TimeCase{8, 35, "仕事開始、今日も一日頑張ろう！"}, TimeCase{8, 45, " "},
                                         TimeCase{8, 9, "朝礼の時間です"}, TimeCase{8, 29, " "}, TimeCase{17, 9, "終業時間です"},
                                         TimeCase{0, 5, "夜食の時間です。"},
                                         TimeCase{3, 0, "コヒーブレイク♪"}));

TEST_F(SettingsTest, TimeOfDayWithoutFileOrWithLongText) {
  char out[128];
  fake.time.hour = 8;
  fake.time.minute = 35;
  TimeOfDayMessage(out, sizeof out);
  EXPECT_STREQ(out, " ");
  WriteSettings("[MESSAGE]\r\nTIME083=" + std::string(200, 'm') + "\r\n");
  TimeOfDayMessage(out, sizeof out);
  EXPECT_EQ(std::string(out), std::string(127, 'm'));
}

TEST_F(SettingsTest, ProgramFilePath) {
  char out[64];
  fake.executablePath = "C:\\表\\ソ\\quendrix.exe";
  EXPECT_EQ(ProgramFilePath("Quendrix.ini", out, sizeof out), 0);
  EXPECT_STREQ(out, "C:\\表\\ソ\\Quendrix.ini");
  EXPECT_EQ(ProgramFilePath("Quendrix.ini", out, 12), -1);
  EXPECT_STREQ(out, "");
}

// The saved log's name: the program directory, the program name and LOGFILE, cut to its field.
TEST_F(SettingsTest, LogFilePathFromSettings) {
  const struct {
    const char* settings;
    const char* name;
  } cases[] = {
      {"", "Quendrix.log"},
      {"[FILES]\r\nLOGFILE=\r\n", "Quendrix.log"},
      {"[files]\r\nlogfile=txt\r\n", "Quendrix.txt"},
      {"[FILES]\r\nLOGFILE=abcdefghijklmnopqrst\r\n", "Quendrix.abcdefghijklmno"},
  };
  for (const auto& c : cases) {
    WriteSettings(c.settings);
    StartSettings();
    char out[kLogPathSize];
    std::string expected = dir.Path(c.name);
    EXPECT_EQ(LogFilePath(out, sizeof out), static_cast<int>(expected.size())) << c.settings;
    EXPECT_EQ(std::string(out), expected) << c.settings;
  }
  char small[8];
  EXPECT_EQ(LogFilePath(small, sizeof small), -1);
  EXPECT_STREQ(small, "");
}

TEST_F(SettingsTest, SuffixFieldsDifferBetweenReaders) {
  std::string suffix(40, 's');
  WriteSettings("[PAVLOK]\r\nNCHEADER=" + suffix + "\r\n");
  StartSettings();
  char out[520];
  EXPECT_EQ(ReadSettingText(kSplitHeaderSuffixSetting, out, sizeof out), 31);
  EXPECT_EQ(ReadSettingText(kCommandHeaderSuffixSetting, out, sizeof out), 40);
  EXPECT_EQ(std::string(out), suffix);
  EXPECT_EQ(ReadSettingText(kSplitFooterSuffixSetting, out, sizeof out), 7);
  EXPECT_STREQ(out, "_footer");
  EXPECT_EQ(ReadSettingText(kNcViewerSetting, out, sizeof out), 0);
  EXPECT_STREQ(out, "");
}

TEST_F(SettingsTest, EditorFallsBackToSystemNotepad) {
  WriteSettings("[PAVLOK]\r\nEDITOR=\r\n");
  StartSettings();
  char out[520];
  ReadEditorPath(out, sizeof out);
  EXPECT_STREQ(out, "C:\\WINDOWS\\notepad.exe");
  WriteSettings("[PAVLOK]\r\nEDITOR=\"C:\\Program Files\\ed.exe\"\r\n");
  ReadEditorPath(out, sizeof out);
  EXPECT_STREQ(out, "C:\\Program Files\\ed.exe");
}

}  // namespace
