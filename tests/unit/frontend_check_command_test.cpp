// The split check on its own: pieces that exist are checked under the names given, the start
// point is read as every front end reads it, and each refusal stops before anything is checked.
// Also the order in which pieces chosen as a set of files run.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

#include "config/settings.h"
#include "support/fake_platform.h"
#include "support/split_check_run.h"
#include "support/temp_dir.h"
#include "ui/common/check_command.h"

namespace {

bool StartsWith(const std::string& text, const std::string& prefix) { return text.rfind(prefix, 0) == 0; }

// The line that names piece `number` (1-based).
std::string PieceLine(int number, const std::string& path) {
  char text[32];
  std::snprintf(text, sizeof text, "[ %02d ] : ", number);
  return "分割ＮＣファイル " + std::string(text) + path;
}

class CheckCommandTest : public testing::Test {
 protected:
  void SetUp() override {
    split_ = SplitInFolder(dir_, fake_, "PART.NC",
                           ReadFileBytes(std::string(QX_SOURCE_DIR) + "/tests/data/programs/MILL_A.NC"));
    ASSERT_GE(split_.pieces, 3) << split_.log;
    for (int piece = 1; piece <= split_.pieces; ++piece) {
      char name[32];
      std::snprintf(name, sizeof name, "PART_%03d.NC", piece);
      pieces_.push_back(dir_.Path(name));
    }
    fake_.pane.Clear();
    fake_.boxes.clear();
  }
  void TearDown() override {
    gProgramDirectory[0] = '\0';
    gSettingsPath[0] = '\0';
  }

  // Runs the command on the split's program with `pieces` and the start texts given.
  int Run(const std::vector<std::string>& pieces, const char* x = nullptr, const char* y = nullptr,
          const char* z = nullptr, std::string program = "") {
    if (program.empty()) program = split_.path;
    std::vector<const char*> paths;
    for (const std::string& piece : pieces) paths.push_back(piece.c_str());
    const CheckCommand command{program.c_str(), static_cast<int>(paths.size()), paths.data(), {x, y, z}};
    return RunCheckCommand(nullptr, command);
  }
  const std::vector<std::string>& Lines() const { return fake_.logLines(); }
  bool Logged(const std::string& line) const { return std::find(Lines().begin(), Lines().end(), line) != Lines().end(); }
  std::vector<std::string> Errors() const {
    std::vector<std::string> texts;
    for (const auto& box : fake_.boxes) {
      if (box.icon == platform::BoxIcon::kError) texts.push_back(box.text);
    }
    return texts;
  }
  // Piece `piece` (1-based) with its `line`-th line (0-based) left out.
  std::string WithoutLine(int piece, size_t line) const {
    std::vector<std::string> lines = SplitLines(ReadFileBytes(pieces_[piece - 1]));
    lines.erase(lines.begin() + static_cast<std::ptrdiff_t>(line));
    std::string text;
    for (const std::string& kept : lines) text += kept + "\n";
    return text;
  }

  FakePlatform fake_;
  TempDir dir_;
  SplitForCheck split_{};
  std::vector<std::string> pieces_;
};

TEST_F(CheckCommandTest, ThePiecesASplitWroteAreProvenFromTheProgramsStartPoint) {
  EXPECT_EQ(Run(pieces_), kCheckCommandPassed) << Lines().back();
  EXPECT_TRUE(Errors().empty());
  ASSERT_GE(Lines().size(), pieces_.size() + 4);
  EXPECT_EQ(Lines()[0], "元のＮＣファイル : " + split_.path);
  for (size_t i = 0; i < pieces_.size(); ++i) EXPECT_EQ(Lines()[i + 1], PieceLine(static_cast<int>(i) + 1, pieces_[i]));
  // No start point given: it comes from the program, after the notices every front end writes.
  EXPECT_TRUE(Logged("警　告：スタート座標が指定されてません。"));
  EXPECT_TRUE(Logged("情　報：ＮＣデータから座標を取り出します。"));
  EXPECT_EQ(Lines().back(),
            "情　報：分割ＮＣファイル " + std::to_string(pieces_.size()) + " 個を検証しました。元のＮＣファイルと同じ加工です。");
}

// The names given are the pieces checked: copies under other names, in another folder, pass
// too, and the program's own piece names are not looked at.
TEST_F(CheckCommandTest, ThePiecesAreTheFilesNamedWhateverTheirNames) {
  const std::string other = dir_.Path("from another tool/");
  std::filesystem::create_directories(other);
  std::vector<std::string> copies;
  for (size_t i = 0; i < pieces_.size(); ++i) {
    copies.push_back(other + "edited piece " + std::to_string(i + 1) + ".nc");
    WriteFileBytes(copies.back(), ReadFileBytes(pieces_[i]));
  }
  dir_.Write("PART_001.NC", "");
  EXPECT_EQ(Run(copies, "-30", "-20", "80"), kCheckCommandPassed) << Lines().back();
  // All three coordinates given: nothing is taken from the program.
  EXPECT_FALSE(Logged("警　告：スタート座標が指定されてません。"));
}

TEST_F(CheckCommandTest, AFaultyOrMissingPieceFailsWithTheChecksLine) {
  // A move deleted from the middle of the second piece.
  const std::vector<std::string> second = SplitLines(ReadFileBytes(pieces_[1]));
  size_t move = second.size() / 2;
  while (move < second.size() && second[move][0] != 'X' && second[move][0] != 'Y') ++move;
  ASSERT_LT(move, second.size());
  const std::string edited = dir_.Path("EDITED_002.NC");
  WriteFileBytes(edited, WithoutLine(2, move));
  std::vector<std::string> pieces = pieces_;
  pieces[1] = edited;
  EXPECT_EQ(Run(pieces), kCheckCommandFailed);
  EXPECT_TRUE(StartsWith(Lines().back(), "エラー：分割の検証に失敗しました。分割ＮＣファイル [ 02 ] の ")) << Lines().back();
  EXPECT_EQ(Errors(), std::vector<std::string>{Lines().back()});

  fake_.pane.Clear();
  fake_.boxes.clear();
  pieces = pieces_;
  pieces[2] = dir_.Path("NOPE.NC");
  EXPECT_EQ(Run(pieces), kCheckCommandFailed);
  EXPECT_TRUE(StartsWith(Lines().back(), "エラー：分割の検証に失敗しました。")) << Lines().back();
  EXPECT_NE(Lines().back().find("NOPE.NC"), std::string::npos) << Lines().back();

  // A piece left out is a fault too: the program's last cuts are never made.
  fake_.pane.Clear();
  pieces = pieces_;
  pieces.pop_back();
  EXPECT_EQ(Run(pieces), kCheckCommandFailed);
}

// Each refusal: its one error line, in a box too, and no check.
TEST_F(CheckCommandTest, RefusalsStopBeforeTheCheck) {
  struct Case {
    const char* name;
    std::string program;  // "" for the split's
    std::vector<std::string> pieces;
    const char* start[3];
    const char* settings;  // Quendrix.ini, or nullptr for the split's
    std::string message;
  };
  const std::string missing = dir_.Path("NONE.NC");
  const Case cases[] = {
      {"program missing", missing, pieces_, {nullptr, nullptr, nullptr}, nullptr,
       "エラー：元のＮＣファイル " + missing + " がありません。"},
      {"program is a folder", dir_.path(), pieces_, {nullptr, nullptr, nullptr}, nullptr,
       "エラー：ＮＣファイル " + dir_.path() + " はフォルダです。"},
      {"no pieces", "", {}, {nullptr, nullptr, nullptr}, nullptr, "エラー：検証する分割ＮＣファイルを指定して下さい。"},
      {"a start coordinate that is no number", "", pieces_, {"-30", "1,5", "80"}, nullptr,
       "エラー：スタートＹ座標 「1,5」 は数値ではありません。"},
      {"an approach below zero", "", pieces_, {"-30", "-20", "80"}, "[QUENDRA]\r\nAPPROACH=-2\r\n",
       "エラー：設定 APPROACH=-2 は使えません。０以上の値を指定してください。"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    fake_.pane.Clear();
    fake_.boxes.clear();
    if (c.settings != nullptr) dir_.Write("Quendrix.ini", c.settings);
    EXPECT_EQ(Run(c.pieces, c.start[0], c.start[1], c.start[2], c.program), kCheckCommandRefused);
    EXPECT_EQ(Errors(), std::vector<std::string>{c.message});
    ASSERT_FALSE(Lines().empty());
    EXPECT_EQ(Lines().back(), c.message);
    for (const std::string& line : Lines()) EXPECT_EQ(line.find("検証しました"), std::string::npos) << line;
  }
}

TEST(PieceNames, RunInTheOrderOfTheirNamesWithNumbersByValue) {
  struct Case {
    std::vector<std::string> chosen;
    std::vector<std::string> order;
  };
  const Case cases[] = {
      // The order a multiple choice may hand them over in.
      {{"C:\\NC\\PART_003.NC", "C:\\NC\\PART_001.NC", "C:\\NC\\PART_002.NC"},
       {"C:\\NC\\PART_001.NC", "C:\\NC\\PART_002.NC", "C:\\NC\\PART_003.NC"}},
      // Numbers without leading zeros, as another tool may write them.
      {{"P_10.NC", "P_9.NC", "P_1.NC", "P_100.NC"}, {"P_1.NC", "P_9.NC", "P_10.NC", "P_100.NC"}},
      // The same value: what follows decides, and between two spellings the shorter comes first.
      {{"P_2B.NC", "P_002.NC", "P_2.NC", "P_2A.NC", "P_02.NC"}, {"P_2.NC", "P_2A.NC", "P_2B.NC", "P_02.NC", "P_002.NC"}},
      // Past a thousand pieces, and a name that is a prefix of another.
      {{"P_1000.NC", "P_999.NC", "P_1", "P_1.NC"}, {"P_1", "P_1.NC", "P_999.NC", "P_1000.NC"}},
      // Code page 932 bytes after the digits compare by their code.
      {{"\x95\xaa\x8a\x84_2.NC", "\x95\xaa\x8a\x84_10.NC"}, {"\x95\xaa\x8a\x84_2.NC", "\x95\xaa\x8a\x84_10.NC"}},
  };
  for (const Case& c : cases) {
    std::vector<std::string> sorted = c.chosen;
    SortPieceNames(&sorted);
    EXPECT_EQ(sorted, c.order) << c.chosen[0];
    for (const std::string& name : c.chosen) EXPECT_FALSE(PieceNameBefore(name, name)) << name;
  }
}

}  // namespace
