// The start banner: its nine lines, the masking switch, and the address fallbacks.
#include <gtest/gtest.h>

#include <cstdio>
#include <string>
#include <vector>

#include "config/settings.h"
#include "support/fake_platform.h"
#include "ui/common/start_banner.h"

namespace {

const std::string kRule(69, '-');

class StartBannerTest : public testing::Test {
 protected:
  void SetUp() override { std::snprintf(gNoticeLine, sizeof gNoticeLine, "%s", "Copyright (C) 2021 TORVANEK"); }
  FakePlatform fake;
};

TEST_F(StartBannerTest, WritesNineLinesPaddedInCodePage932Columns) {
  ASSERT_EQ(WriteStartBanner(nullptr), 0);
  const std::vector<std::string>& lines = fake.logLines();
  ASSERT_EQ(lines.size(), 9u);
  // Fifteen full-width characters take 30 of the 50 columns, eight take 16.
  // The system it runs on: Windows 10 for the Windows program, the kernel's name on Linux.
  char system[64];
  platform::SystemName(system, sizeof system);
  EXPECT_EQ(lines[0], "ＮＣデータ編集アプリケーション" + std::string(20, ' ') + system);
#ifdef _WIN32
  EXPECT_STREQ(system, "Windows 10");
#else
  EXPECT_EQ(std::string(system).rfind("Linux", 0), 0u);
#endif
  EXPECT_EQ(lines[1], "　ＮＣデータ分割" + std::string(34, ' ') + "Version 2021R2.34");
  EXPECT_EQ(lines[2], "　　Copyright (C) 2021 TORVANEK");
  EXPECT_EQ(lines[3], kRule);
  EXPECT_EQ(lines[4], "只今日時：2021年 5月 24日 9時 5分");
  EXPECT_EQ(lines[5], "ホスト名：TESTHOST");
  EXPECT_EQ(lines[6], "アドレス：192.168.1.5");
  EXPECT_EQ(lines[7], "ユーザー：tester");
  EXPECT_EQ(lines[8], kRule);
  EXPECT_TRUE(fake.boxes.empty());
}

struct MaskCase {
  const char* value;  // nullptr: Dorventhal unset
  bool masked;
};

class MaskingSwitchTest : public testing::TestWithParam<MaskCase> {};

TEST_P(MaskingSwitchTest, MasksOnlyWhenTheValueReadsOne) {
  FakePlatform fake;
  std::snprintf(gNoticeLine, sizeof gNoticeLine, "%s", "notice");
  if (GetParam().value != nullptr) fake.environment["Dorventhal"] = GetParam().value;
  fake.computer = "shop-pc1";
  WriteStartBanner(nullptr);
  const std::vector<std::string>& lines = fake.logLines();
  ASSERT_EQ(lines.size(), 9u);
  if (GetParam().masked) {
    EXPECT_EQ(lines[5], "ホスト名：****-***");
    EXPECT_EQ(lines[6], "アドレス：***.***.*.*");
    EXPECT_EQ(lines[7], "ユーザー：******");
  } else {
    EXPECT_EQ(lines[5], "ホスト名：shop-pc1");
    EXPECT_EQ(lines[6], "アドレス：192.168.1.5");
    EXPECT_EQ(lines[7], "ユーザー：tester");
  }
  // The other lines are never masked.
  EXPECT_EQ(lines[2], "　　notice");
}

INSTANTIATE_TEST_SUITE_P(Values, MaskingSwitchTest,
                         testing::Values(MaskCase{"1", true}, MaskCase{"01x", true}, MaskCase{" +1", true},
                                         MaskCase{"2", false}, MaskCase{"0", false}, MaskCase{"", false},
                                         MaskCase{"x1", false}, MaskCase{nullptr, false}));

TEST(MaskText, ADoubleByteCharacterBecomesTwoAsterisks) {
  FakePlatform fake;
  fake.environment.insert_or_assign("Dorventhal", "1");
  char name[] = "山田-a.b";
  EXPECT_EQ(MaskText(name), 8);
  EXPECT_STREQ(name, "****-*.*");
}

TEST_F(StartBannerTest, AnUnresolvedHostNameShowsTheZeroAddressWithoutABox) {
  fake.addressResult = platform::kAddressUnresolved;
  char address[kAddressField] = "x";
  EXPECT_EQ(GetNetworkAddress(address, sizeof address), -1);
  EXPECT_STREQ(address, "0.0.0.0");
  WriteStartBanner(nullptr);
  ASSERT_EQ(fake.logLines().size(), 9u);
  EXPECT_EQ(fake.logLines()[6], "アドレス：0.0.0.0");
  EXPECT_TRUE(fake.boxes.empty());
}

TEST_F(StartBannerTest, SocketsThatCannotStartShowTheirOwnBoxAndTheBannerGoesOn) {
  fake.addressResult = platform::kSocketsUnavailable;
  WriteStartBanner(nullptr);
  ASSERT_EQ(fake.logLines().size(), 9u);
  EXPECT_EQ(fake.logLines()[6], "アドレス：0.0.0.0");
  ASSERT_EQ(fake.boxes.size(), 1u);
  EXPECT_EQ(fake.boxes[0].text, "SAStartup関数失敗");
  EXPECT_EQ(fake.boxes[0].title, "Get IP Address");
  EXPECT_EQ(fake.boxes[0].icon, platform::BoxIcon::kError);
  EXPECT_EQ(fake.boxes[0].owner, nullptr);
}

TEST_F(StartBannerTest, NamesTheSystemCannotSupplyShowAsUnknown) {
  fake.computer = "";
  fake.user = "";
  WriteStartBanner(nullptr);
  ASSERT_EQ(fake.logLines().size(), 9u);
  EXPECT_EQ(fake.logLines()[5], "ホスト名：不明");
  EXPECT_EQ(fake.logLines()[7], "ユーザー：不明");
}

}  // namespace
