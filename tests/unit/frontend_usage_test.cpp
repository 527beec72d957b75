// Help requests, the usage text and the help file.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>
#include <string>

#include "config/settings.h"
#include "log/run_log.h"
#include "support/fake_platform.h"
#include "support/temp_dir.h"
#include "ui/common/front_end_messages.h"
#include "ui/common/usage.h"

namespace {

struct HelpCase {
  int count;
  const char* argument;
  HelpRequest expected;
};

class HelpRequestTest : public testing::TestWithParam<HelpCase> {};

TEST_P(HelpRequestTest, OnlyASingleHelpWordCounts) {
  const char* arguments[] = {"quendrix", GetParam().argument, "more"};
  EXPECT_EQ(DetectHelpRequest(GetParam().count, arguments), GetParam().expected);
}

INSTANTIATE_TEST_SUITE_P(
    Words, HelpRequestTest,
    testing::Values(HelpCase{2, "?", kUsageRequest}, HelpCase{2, "/?", kUsageRequest},
                    HelpCase{2, "help", kHelpFileRequest}, HelpCase{2, "/HELP", kHelpFileRequest},
                    HelpCase{2, "Help", kHelpFileRequest},
                    // Two arguments are a command-line run, even when the first is "?".
                    HelpCase{3, "?", kNoHelpRequest}, HelpCase{1, "?", kNoHelpRequest},
                    HelpCase{2, "-ctrl", kNoHelpRequest}, HelpCase{2, "??", kNoHelpRequest},
                    HelpCase{2, "help ", kNoHelpRequest}, HelpCase{2, "\\?", kNoHelpRequest},
                    HelpCase{2, "", kNoHelpRequest}));

class UsageTextTest : public testing::Test {
 protected:
  void SetUp() override { std::snprintf(gNoticeLine, sizeof gNoticeLine, "%s", "Copyright (C) 2021 TORVANEK"); }
  std::string Build() {
    char text[kLogLineSize];
    int length = BuildUsageText(kUsageDescription, kUsageLine, text, sizeof text);
    EXPECT_EQ(static_cast<size_t>(length), std::strlen(text));
    return text;
  }
  FakePlatform fake;
};

TEST_F(UsageTextTest, HasEveryParagraphInOrder) {
  fake.environment["HOMEDRIVE"] = "C:";
  fake.environment["HOMEPATH"] = "\\Users\\taro";
  fake.environment["HOME"] = "/ignored";
  EXPECT_EQ(Build(),
            "ＮＣデータを加工時間か距離で分割する\n\n[ 使用方法 ]\n\n"
            "C:\\Users\\taro> QUENDRIX　ＮＣファイル 分割距離 分割時間 スタートX Y Z\n\n"
            "Quendrix 2021\n\nQuendrix　Version 2.34\n\nBuild date　2021/05/24\n\n"
            "https://www.torvanek.example/\n\nCopyright (C) 2021 TORVANEK");
}

TEST_F(UsageTextTest, PromptFallsBackToHomeOnlyWhenBothWindowsVariablesAreUnset) {
  fake.environment["HOME"] = "/home/taro";
  EXPECT_NE(Build().find("\n\n/home/taro> QUENDRIX"), std::string::npos);
  fake.environment["HOMEPATH"] = "\\Users\\taro";
  EXPECT_NE(Build().find("\n\n\\Users\\taro> QUENDRIX"), std::string::npos);
  fake.environment.clear();
  EXPECT_NE(Build().find("\n\n> QUENDRIX"), std::string::npos);
}

TEST_F(UsageTextTest, ShowUsageUsesAnInformationBoxAndLeavesTheLogAlone) {
  fake.environment["HOME"] = "/home/taro";
  FormatLog("%s", "pending");  // the usage text has a buffer of its own
  EXPECT_EQ(ShowUsage(kUsageDescription, kUsageLine), 0);
  ASSERT_EQ(fake.boxes.size(), 1u);
  EXPECT_EQ(fake.boxes[0].text, Build());
  EXPECT_EQ(fake.boxes[0].title, "Quendrix");
  EXPECT_EQ(fake.boxes[0].icon, platform::BoxIcon::kInformation);
  EXPECT_EQ(fake.boxes[0].owner, nullptr);
  EXPECT_TRUE(fake.logLines().empty());
  EXPECT_STREQ(gLogLine, "pending");
  std::memset(gLogLine, 0, sizeof gLogLine);
}

class HelpFileTest : public testing::Test {
 protected:
  void SetUp() override {
    std::snprintf(gProgramDirectory, sizeof gProgramDirectory, "%s", dir.path().c_str());
    std::snprintf(gHelpFileName, sizeof gHelpFileName, "%s", "Quendrix_readme.txt");
  }
  void TearDown() override { gProgramDirectory[0] = '\0'; }
  FakePlatform fake;
  TempDir dir;
};

TEST_F(HelpFileTest, MissingFileShowsItsBoxAndOpensNothing) {
  EXPECT_EQ(OpenHelpFile(), -1);
  ASSERT_EQ(fake.boxes.size(), 1u);
  EXPECT_EQ(fake.boxes[0].text, "ヘルプファイルが見つかりません");
  EXPECT_EQ(fake.boxes[0].icon, platform::BoxIcon::kError);
  EXPECT_TRUE(fake.opened.empty());
}

TEST_F(HelpFileTest, ExistingFileIsOpenedFromTheProgramDirectory) {
  dir.Write("Quendrix_readme.txt", "help\r\n");
  EXPECT_EQ(OpenHelpFile(), 0);
  ASSERT_EQ(fake.opened.size(), 1u);
  EXPECT_EQ(fake.opened[0].parameters, dir.Path("Quendrix_readme.txt"));
  EXPECT_TRUE(fake.boxes.empty());
}

}  // namespace
