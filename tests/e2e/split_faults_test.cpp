// Faults during a whole split, injected through the file operations: the disk filling up in the
// middle of a piece, a piece that cannot be created, the intermediate file vanishing between the
// passes, the program changing while it is split, a read-only folder. Every time: one clear error
// line, kSplitFailed, no piece of the run left that could be taken for a good one, the program
// byte for byte as it was, and nothing else in the folder touched.
#include <gtest/gtest.h>

#ifndef _WIN32
#include <sys/stat.h>
#include <unistd.h>
#endif

#include <algorithm>
#include <filesystem>
#include <functional>
#include <map>
#include <string>
#include <vector>

#include "config/settings.h"
#include "log/run_log.h"
#include "split/split_driver.h"
#include "support/fake_platform.h"
#include "support/file_faults.h"
#include "support/golden_case.h"
#include "support/long_program.h"
#include "support/quiet_settings.h"
#include "support/temp_dir.h"

namespace {

constexpr int64_t kSecond = 1000000000;

std::string Program() { return TwentyFiveMinuteProgram(); }

class SplitFaultTest : public testing::Test {
 public:  // the cases' functions below reach the folder and the paths
  SplitFaultTest() {
    dir.Write("PART.NC", Program());
    program = dir.Path("PART.NC");
  }

  void Settings(const std::string& command = "") { settings.Write(command); }

  int Split() {
    fake.boxes.clear();
    fake.pane.Clear();
    return SplitProgram(nullptr, settings.Job({program.c_str(), 100, 10, {0, 0, 50}}));
  }

  // The run log's error lines (each also shown in a box).
  std::vector<std::string> Errors() const {
    std::vector<std::string> errors;
    for (const std::string& line : fake.logLines()) {
      if (line.rfind("エラー", 0) == 0) errors.push_back(line);
    }
    return errors;
  }

  std::string Piece(int number) const { return dir.Path("PART_00" + std::to_string(number) + ".NC"); }

  FakePlatform fake;
  TempDir dir;
  QuietSettings settings{fake, dir};
  std::string program;
};

TEST_F(SplitFaultTest, TheRunWorksWithoutFaults) {
  Settings();
  ASSERT_EQ(Split(), kSplitDone);
  std::map<std::string, std::string> files = FilesOf(dir.path());
  EXPECT_EQ(files.size(), 5u);  // the program, the settings and three pieces
  EXPECT_TRUE(files.count("PART_003.NC"));
}

// Each fault fails the run with its own error line and leaves the folder as it was.
TEST_F(SplitFaultTest, AFaultLeavesNothingOfTheRun) {
  struct Case {
    const char* name;
    std::function<void(FileFaults&, SplitFaultTest&)> inject;
    std::function<std::string(const SplitFaultTest&)> error;
  };
  const auto changed = [](const SplitFaultTest& t) {
    return "エラー：分割の途中でＮＣファイル " + t.program +
           " が変更されました（大きさか更新日時が変わりました）。この分割の分割ＮＣファイルは削除しました。"
           "もう一度分割してください。";
  };
  const Case cases[] = {
      {"the disk fills up in the middle of piece 2",
       [](FileFaults& f, SplitFaultTest& t) { f.DiskFullAfter(t.Piece(2), 150); },
       [](const SplitFaultTest& t) { return "エラー：分割ＮＣファイル " + t.Piece(2) + " の書き込みに失敗しました。"; }},
      {"the disk is full from the first byte of piece 1",
       [](FileFaults& f, SplitFaultTest& t) { f.DiskFullAfter(t.Piece(1), 0); },
       [](const SplitFaultTest& t) { return "エラー：分割ＮＣファイル " + t.Piece(1) + " の書き込みに失敗しました。"; }},
      {"piece 3 cannot be created", [](FileFaults& f, SplitFaultTest& t) { f.FailCreate(t.Piece(3)); },
       [](const SplitFaultTest& t) { return "エラー：分割ＮＣファイル " + t.Piece(3) + " が開けません。"; }},
      {"the intermediate file vanishes between the passes",
       [](FileFaults& f, SplitFaultTest& t) { f.VanishBeforeOpen(t.dir.Path("PART_ascii.txt"), 2); },
       [](const SplitFaultTest& t) { return "エラー：テンポラリファイル " + t.dir.Path("PART_ascii.txt") + " が開けません。"; }},
      {"the intermediate file fills up", [](FileFaults& f, SplitFaultTest& t) { f.DiskFullAfter(t.dir.Path("PART_ascii.txt"), 100); },
       [](const SplitFaultTest& t) { return "エラー：中間ファイル " + t.dir.Path("PART_ascii.txt") + " に書き込めません。"; }},
      // The program's status is looked at before it is read (1), before the first piece (2),
      // before the split check (3) and after it (4).
      {"the program grows by a byte before the pieces are written",
       [](FileFaults& f, SplitFaultTest& t) { f.ChangeStatusFrom(t.program, 2, 1, 0); }, changed},
      {"the program's time stamp moves while the pieces are written",
       [](FileFaults& f, SplitFaultTest& t) { f.ChangeStatusFrom(t.program, 3, 0, kSecond); }, changed},
      {"the program's time stamp moves while the pieces are checked",
       [](FileFaults& f, SplitFaultTest& t) { f.ChangeStatusFrom(t.program, 4, 0, kSecond); }, changed},
      {"the folder is read-only", [](FileFaults& f, SplitFaultTest& t) { f.ReadOnlyFolder(t.dir.path()); },
       [](const SplitFaultTest& t) { return "エラー：中間ファイル " + t.dir.Path("PART_ascii.txt") + " が開けません。"; }},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    for (const char* deleteFiles : {"DELETE=1\r\n", "DELETE=0\r\n"}) {
      SCOPED_TRACE(deleteFiles);
      Settings(deleteFiles);
      const std::map<std::string, std::string> before = FilesOf(dir.path());
      {
        FileFaults faults;
        c.inject(faults, *this);
        EXPECT_EQ(Split(), kSplitFailed);
      }
      EXPECT_EQ(Errors(), std::vector<std::string>{c.error(*this)});
      ASSERT_EQ(fake.boxes.size(), 1u);
      EXPECT_EQ(fake.boxes[0].icon, platform::BoxIcon::kError);
      std::map<std::string, std::string> after = FilesOf(dir.path());
      // With DELETE=0 the header and footer files are kept for the next run, as after a success
      // (unless they were cut from a program that changed).
      if (std::string(deleteFiles) == "DELETE=0\r\n") {
        after.erase("PART_header.NC");
        after.erase("PART_footer.NC");
      }
      EXPECT_EQ(after, before);
      std::filesystem::remove(dir.Path("PART_header.NC"));
      std::filesystem::remove(dir.Path("PART_footer.NC"));
    }
  }
}

// Header and footer files cut from a program that changed during the run are not left for the
// next run to reuse; those the user made are kept.
TEST_F(SplitFaultTest, HeaderAndFooterCutFromAChangedProgramGo) {
  Settings("DELETE=0\r\n");
  {
    FileFaults faults;
    faults.ChangeStatusFrom(program, 2, 0, kSecond);
    EXPECT_EQ(Split(), kSplitFailed);
  }
  EXPECT_FALSE(dir.Exists("PART_header.NC"));
  EXPECT_FALSE(dir.Exists("PART_footer.NC"));

  dir.Write("PART_header.NC", "%\r\nO0001(MINE)\r\n");
  {
    FileFaults faults;
    faults.ChangeStatusFrom(program, 2, 0, kSecond);
    EXPECT_EQ(Split(), kSplitFailed);
  }
  EXPECT_EQ(dir.Read("PART_header.NC"), "%\r\nO0001(MINE)\r\n");
  EXPECT_FALSE(dir.Exists("PART_footer.NC"));
  EXPECT_EQ(dir.Read("PART.NC"), Program());
}

// Someone saves the program while its pieces are being written: the pieces, made from the program
// as it was, go, and the program is left as they saved it.
TEST_F(SplitFaultTest, AProgramSavedDuringTheSplitFailsIt) {
  Settings();
  const std::string edited = Program() + "(EDITED)\r\n";
  {
    FileFaults faults;
    faults.BeforeOpen(Piece(2), 1, [&] { WriteFileBytes(program, edited); });
    EXPECT_EQ(Split(), kSplitFailed);
  }
  ASSERT_EQ(Errors().size(), 1u);
  EXPECT_NE(Errors()[0].find("が変更されました"), std::string::npos);
  EXPECT_EQ(FilesOf(dir.path()), (std::map<std::string, std::string>{
                                     {"PART.NC", edited}, {"Quendrix.ini", dir.Read("Quendrix.ini")}}));
}

// The pieces of an earlier split numbered after those this run broke off are removed too: with its
// first pieces replaced, they are no longer a set. A run that fails before its first piece leaves
// an earlier split alone.
TEST_F(SplitFaultTest, AnEarlierSplitGoesOnlyWhenThisRunHasReplacedPartOfIt) {
  Settings();
  auto earlier = [&] {
    for (int n = 1; n <= 5; ++n) WriteFileBytes(Piece(n), "OLD\r\n");
  };
  earlier();
  {
    FileFaults faults;
    faults.DiskFullAfter(Piece(2), 300);
    EXPECT_EQ(Split(), kSplitFailed);
  }
  for (int n = 1; n <= 5; ++n) EXPECT_FALSE(std::filesystem::exists(Piece(n))) << n;
  EXPECT_NE(std::find(fake.logLines().begin(), fake.logLines().end(),
                      "情　報：前回の分割で残った PART_005.NC を削除しました。"),
            fake.logLines().end());

  earlier();
  {
    FileFaults faults;
    faults.VanishBeforeOpen(dir.Path("PART_ascii.txt"), 2);
    EXPECT_EQ(Split(), kSplitFailed);
  }
  for (int n = 1; n <= 5; ++n) EXPECT_EQ(ReadFileBytes(Piece(n)), "OLD\r\n") << n;
}

// A name the run cannot write to is not the run's: a folder where piece 2 would go stays.
TEST_F(SplitFaultTest, AFolderUnderAPiecesNameStays) {
  Settings();
  std::filesystem::create_directories(Piece(2));
  EXPECT_EQ(Split(), kSplitFailed);
  EXPECT_EQ(Errors(), std::vector<std::string>{"エラー：分割ＮＣファイル " + Piece(2) + " が開けません。"});
  EXPECT_TRUE(std::filesystem::is_directory(Piece(2)));
  EXPECT_FALSE(dir.Exists("PART_001.NC"));
}

#ifndef _WIN32
// A folder made read-only for real. Root writes anyway, so the case means something only for
// another user.
TEST_F(SplitFaultTest, ARealReadOnlyFolder) {
  if (geteuid() == 0) GTEST_SKIP() << "running as root: permissions do not stop root";
  Settings();
  const std::map<std::string, std::string> before = FilesOf(dir.path());
  ASSERT_EQ(chmod(dir.path().c_str(), 0555), 0);
  const int result = Split();
  chmod(dir.path().c_str(), 0755);
  EXPECT_EQ(result, kSplitFailed);
  EXPECT_EQ(Errors(), std::vector<std::string>{"エラー：中間ファイル " + dir.Path("PART_ascii.txt") + " が開けません。"});
  EXPECT_EQ(FilesOf(dir.path()), before);
}
#endif

}  // namespace
