// The menu command that checks pieces that exist already: the program and the pieces come from
// the open-file dialogs (answered by the fake platform), the start point from the fields, and the
// check's line goes to the log pane.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <string>
#include <vector>

#include "support/fake_platform.h"
#include "support/temp_dir.h"

#include <windows.h>

#include "../res/resource.h"
#include "gui/main_window_fixture.h"

namespace {

class CheckCommandWindowTest : public MainWindowTest {
 protected:
  void SetUp() override {
    MainWindowTest::SetUp();
    FakePlatform::Active().dialogs.clear();
    FakePlatform::Active().choices.clear();
  }

  // Splits the example program with the window's Execute button (which empties the fields).
  void Split() {
    FillAll();
    Command(IDM_EXECUTE);
    ASSERT_TRUE(ErrorTexts().empty());
    for (int piece = 1;; ++piece) {
      char name[32];
      std::snprintf(name, sizeof name, "SAMPLE01_%03d.NC", piece);
      if (!dir_.Exists(name)) break;
      pieces_.push_back(dir_.Path(name));
    }
    ASSERT_GE(pieces_.size(), 3u);
    FakePlatform::Active().boxes.clear();
  }
  // The check with `program` chosen first, then `pieces`.
  void Check(const std::string& program, const std::vector<std::string>& pieces) {
    FakePlatform::Active().choices = {{program}, pieces};
    Command(IDM_SPLIT_CHECK);
  }
  const std::vector<FakePlatform::Dialog>& Dialogs() const { return FakePlatform::Active().dialogs; }
  std::string Passed() const {
    return "情　報：分割ＮＣファイル " + std::to_string(pieces_.size()) + " 個を検証しました。元のＮＣファイルと同じ加工です。";
  }

  std::vector<std::string> pieces_;
};

TEST_F(CheckCommandWindowTest, TheMenusOfferIt) {
  ASSERT_NE(Open(), nullptr);
  HMENU popup = LoadMenuW(GetModuleHandleW(nullptr), L"CMDPOPUPMENU");
  ASSERT_NE(popup, nullptr);
  for (HMENU menu : {GetMenu(window_), popup}) {
    wchar_t text[64] = L"";
    EXPECT_GT(GetMenuStringW(menu, IDM_SPLIT_CHECK, text, 64, MF_BYCOMMAND), 0);
    EXPECT_EQ(std::wstring(text).rfind(L"\u5206\u5272\u306e\u691c\u8a3c", 0), 0u);  // 分割の検証
  }
  DestroyMenu(popup);
}

// The pieces of a split, chosen in any order, run in the order of their names and pass from the
// program's start point (the fields are empty after the split). The second dialog chooses many
// files in the program's folder, of its extension.
TEST_F(CheckCommandWindowTest, ThePiecesOfASplitPassInTheOrderOfTheirNames) {
  ASSERT_NE(Open(), nullptr);
  Split();
  std::vector<std::string> chosen = pieces_;
  std::reverse(chosen.begin(), chosen.end());
  Check(ncPath_, chosen);
  EXPECT_EQ(ErrorTexts(), std::vector<std::string>());
  EXPECT_EQ(PaneLines().back(), Passed());
  EXPECT_TRUE(PaneHas("分割ＮＣファイル [ 01 ] : " + pieces_[0]));
  EXPECT_TRUE(PaneHas("警　告：スタート座標が指定されてません。"));

  ASSERT_EQ(Dialogs().size(), 2u);
  EXPECT_EQ(Dialogs()[0].title, "検証する元のＮＣファイルを開く");
  EXPECT_FALSE(Dialogs()[0].multiple);
  EXPECT_TRUE(Dialogs()[1].multiple);
  EXPECT_EQ(Dialogs()[1].initialDirectory, dir_.path());
  EXPECT_EQ(Dialogs()[1].filter.rfind(std::string("NC Files(*.NC)\0*.NC\0", 20), 0), 0u);
  EXPECT_EQ(Dialogs()[0].owner, window_);
}

// A piece edited so that it cuts less: the check's error line in the pane and in a box. The
// start point comes from the fields when they are filled: no notice then.
TEST_F(CheckCommandWindowTest, AnEditedPieceFailsWithTheChecksLine) {
  ASSERT_NE(Open(), nullptr);
  Split();
  std::vector<std::string> lines = SplitLines(ReadFileBytes(pieces_[1]));
  size_t cut = lines.size() / 2;
  while (cut < lines.size() && lines[cut][0] != 'X' && lines[cut][0] != 'Y') ++cut;
  ASSERT_LT(cut, lines.size());
  lines.erase(lines.begin() + static_cast<std::ptrdiff_t>(cut));
  std::string edited;
  for (const std::string& line : lines) edited += line + "\r\n";
  WriteFileBytes(pieces_[1], edited);

  SetField(IDC_START_X, "0");
  SetField(IDC_START_Y, "0");
  SetField(IDC_START_Z, "100");
  const size_t before = PaneLines().size();
  Check(ncPath_, pieces_);
  ASSERT_EQ(ErrorTexts().size(), 1u);
  EXPECT_EQ(ErrorTexts()[0].rfind("エラー：分割の検証に失敗しました。分割ＮＣファイル [ 02 ] の ", 0), 0u) << ErrorTexts()[0];
  EXPECT_EQ(PaneLines().back(), ErrorTexts()[0]);
  const std::vector<std::string> lines2 = PaneLines();
  for (size_t i = before; i < lines2.size(); ++i) EXPECT_EQ(lines2[i].find("スタート座標が指定"), std::string::npos);
  EXPECT_EQ(Field(IDC_START_Z), "100");
}

// Closing either dialog without a choice does nothing; a program that is not there is named and
// no pieces are asked for.
TEST_F(CheckCommandWindowTest, NoChoiceDoesNothingAndAMissingProgramIsNamed) {
  ASSERT_NE(Open(), nullptr);
  const size_t lines = PaneLines().size();
  Command(IDM_SPLIT_CHECK);
  EXPECT_EQ(Dialogs().size(), 1u);
  FakePlatform::Active().choices = {{ncPath_}};
  Command(IDM_SPLIT_CHECK);
  EXPECT_EQ(Dialogs().size(), 3u);
  EXPECT_EQ(PaneLines().size(), lines);
  EXPECT_TRUE(Boxes().empty());

  const std::string missing = dir_.Path("NONE.NC");
  Check(missing, {ncPath_});
  EXPECT_EQ(Dialogs().size(), 4u);
  EXPECT_EQ(ErrorTexts(), std::vector<std::string>{"エラー：ＮＣファイル " + missing + " が存在しません。"});
}

// More pieces than one answer of the dialog can hold: an error line, and no check.
TEST_F(CheckCommandWindowTest, TooManyFilesChosenAtOnceAreRefused) {
  ASSERT_NE(Open(), nullptr);
  std::vector<std::string> many;
  for (int i = 0; i < 800; ++i) many.push_back(dir_.Path("PIECE_" + std::to_string(i) + std::string(60, 'X') + ".NC"));
  Check(ncPath_, many);
  EXPECT_EQ(ErrorTexts(), std::vector<std::string>{"エラー：一度に選んだファイルが多すぎます。"});
  EXPECT_FALSE(PaneHas("元のＮＣファイル : "));
}

}  // namespace
