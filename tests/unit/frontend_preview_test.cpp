// The picture of the last split, as the front ends keep it: collected only when it is kept or
// written, replaced only by a split that wrote its pieces, written (PREVIEW 1) next to the
// program and never over a file of the program or its split.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "config/settings.h"
#include "log/run_log.h"
#include "picture/split_svg.h"
#include "split/split_driver.h"
#include "support/fake_platform.h"
#include "support/temp_dir.h"
#include "ui/common/front_end.h"
#include "ui/common/split_preview.h"

namespace {

// About 0.4 m and 0.86 min of cutting: five pieces at 0.1 m.
constexpr char kProgram[] =
    "%\r\nO1000\r\nG92X0Y0Z100.\r\nG90G17G40G80\r\nS1000M03\r\nG00X10.Y20.\r\nZ5.\r\nG01Z-1.F100\r\n"
    "X110.F500\r\nY120.\r\nX10.\r\nY20.\r\nG00Z100.\r\nX0Y0\r\nM05\r\nM30\r\n%\r\n";

class PreviewTest : public testing::Test {
 protected:
  void SetUp() override {
    ForgetSplitPictures();
    fake.executablePath = dir.Path("quendrix");
    dir.Write("PART.NC", kProgram);
    dir.Write("OTHER.NC", kProgram);
    Settings("");
  }
  void TearDown() override {
    ForgetSplitPictures();
    gCommandSettings = CommandSettings{0, 0, 1, 0, 1};
    gProgramDirectory[0] = '\0';
    gSettingsPath[0] = '\0';
  }
  void Settings(const std::string& extra) {
    dir.Write("Quendrix.ini", "[COMMAND]\r\nMODE=1\r\n" + extra);
    StartSettings();
    ReadCommandSettings(&gCommandSettings);
  }
  int Split(const char* name, double metres = 0.1) {
    path = dir.Path(name);
    SplitJob job{path.c_str(), metres, 30, {0, 0, 100}};
    job.settings = gCommandSettings;  // as the front ends hand it over
    return SplitWithPicture(nullptr, job);
  }
  bool Logged(const std::string& line) const {
    const auto& lines = fake.logLines();
    return std::find(lines.begin(), lines.end(), line) != lines.end();
  }

  FakePlatform fake;
  TempDir dir;
  std::string path;
};

TEST_F(PreviewTest, NothingIsCollectedUnlessThePictureIsKeptOrWritten) {
  ASSERT_EQ(Split("PART.NC"), kSplitDone);
  EXPECT_EQ(LastSplitPicture().piecesWritten(), 0);
  EXPECT_FALSE(dir.Exists("PART_split.svg"));
  // Without a picture there is nothing to save.
  EXPECT_EQ(SavePictureOfLastSplit(nullptr), -1);
  ASSERT_FALSE(fake.boxes.empty());
  EXPECT_EQ(fake.boxes.back().text, "エラー：分割の図がありません。先に分割を実行して下さい。");
}

TEST_F(PreviewTest, AKeptPictureIsTheLastSplitThatWroteItsPieces) {
  KeepSplitPictures(true);
  ASSERT_EQ(Split("PART.NC"), kSplitDone);
  EXPECT_EQ(std::string(LastSplitPicture().ncFile()), path);
  const int pieces = LastSplitPicture().piecesWritten();
  EXPECT_GE(pieces, 4);
  EXPECT_FALSE(dir.Exists("PART_split.svg"));  // kept, not written

  // A split that fails (no split needed) leaves the picture as it was.
  EXPECT_EQ(Split("OTHER.NC", 100), kSplitFailed);
  EXPECT_EQ(std::string(LastSplitPicture().ncFile()), dir.Path("PART.NC"));
  EXPECT_EQ(LastSplitPicture().piecesWritten(), pieces);
  EXPECT_FALSE(dir.Exists("OTHER_split.svg"));

  // Saved on request, next to its program.
  ASSERT_EQ(SavePictureOfLastSplit(nullptr), 0);
  EXPECT_EQ(dir.Read("PART_split.svg"), SplitSvgText(LastSplitPicture()));
  EXPECT_TRUE(Logged("情　報：分割の図を " + dir.Path("PART_split.svg") + " に保存しました。"));
}

TEST_F(PreviewTest, PreviewWritesThePictureAfterEverySplitThatWroteItsPieces) {
  Settings("PREVIEW=1\r\n");
  ASSERT_EQ(Split("PART.NC"), kSplitDone);
  EXPECT_TRUE(Logged("情　報：分割の図を " + dir.Path("PART_split.svg") + " に保存しました。"));
  EXPECT_EQ(dir.Read("PART_split.svg"), SplitSvgText(LastSplitPicture()));
  EXPECT_EQ(Split("OTHER.NC", 100), kSplitFailed);
  EXPECT_FALSE(dir.Exists("OTHER_split.svg"));
}

TEST_F(PreviewTest, APictureNamedLikeAFileOfTheSplitIsRefusedAndThatFileKept) {
  // The header file of the split takes the picture's name: the picture must not replace it.
  Settings("PREVIEW=1\r\nDELETE=0\r\n[PAVLOK]\r\nNCHEADER=_split.svg\r\n");
  EXPECT_EQ(Split("PART.NC"), kSplitFailed);
  EXPECT_TRUE(dir.Exists("PART_001.NC"));
  ASSERT_TRUE(dir.Exists("PART_split.svg"));
  EXPECT_EQ(dir.Read("PART_split.svg").rfind("%\r\nO1000\r\n", 0), 0u);  // still the header
  ASSERT_FALSE(fake.boxes.empty());
  EXPECT_EQ(fake.boxes.back().text, "エラー：分割の図のファイル名 " + dir.Path("PART_split.svg") +
                                        " が元のＮＣファイルか分割で作るファイルと同じになります。");
}

}  // namespace
