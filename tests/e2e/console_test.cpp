// The Linux console program, run as a user runs it: a copy of the built `quendrix` in a fresh
// folder (so its settings file is written there), its standard output, standard error and exit
// code. Windows builds have no console program.
#ifndef _WIN32

#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "config/settings.h"
#include "platform/text_encoding.h"
#include "split/split_driver.h"
#include "support/fake_platform.h"
#include "support/temp_dir.h"

namespace fs = std::filesystem;

namespace {

// About 0.4 m and 0.86 min of cutting; the tool ends at X0 Y0 Z100.
constexpr char kProgram[] =
    "%\r\nO1000\r\nG92X0Y0Z100.\r\nG90G17G40G80\r\nS1000M03\r\nG00X10.Y20.\r\nZ5.\r\nG01Z-1.F100\r\n"
    "X110.F500\r\nY120.\r\nX10.\r\nY20.\r\nG00Z100.\r\nX0Y0\r\nM05\r\nM30\r\n%\r\n";

struct Result {
  int exitCode;
  std::string out;  // UTF-8
  std::string err;  // UTF-8
};

std::string Utf8(const std::string& cp932) {
  std::string utf8;
  EXPECT_TRUE(platform::Cp932ToUtf8(cp932, &utf8));
  return utf8;
}

// The console's last line after a split, for `folder` (UTF-8).
std::string FolderLine(const std::string& folder) { return Utf8("情　報：分割ＮＣファイルの出力先 : ") + folder; }

class ConsoleTest : public testing::Test {
 protected:
  void SetUp() override {
    run = dir.Path("run/");
    fs::create_directories(run);
    fs::create_directories(dir.Path("out"));
    fs::copy_file(QX_BINARY_DIR "/quendrix", run + "quendrix");
    WriteFileBytes(run + "PART.NC", kProgram);
  }

  // Runs the copy in its folder with `arguments` (UTF-8 bytes, passed unchanged).
  Result Run(const std::vector<std::string>& arguments) {
    std::string command = "cd " + ShellQuoted(run) + " && ./quendrix";
    for (const std::string& argument : arguments) command += " " + ShellQuoted(argument);
    command += " >" + ShellQuoted(dir.Path("out/stdout")) + " 2>" + ShellQuoted(dir.Path("out/stderr")) + " </dev/null";
    int status = std::system(command.c_str());
    Result result{WIFEXITED(status) ? WEXITSTATUS(status) : -1, dir.Read("out/stdout"), dir.Read("out/stderr")};
    return result;
  }

  // The files in the program's folder, other than the program itself and the NC program.
  std::vector<std::string> Written() const {
    std::vector<std::string> names;
    for (const auto& entry : fs::directory_iterator(run)) {
      std::string name = entry.path().filename().string();
      if (name != "quendrix" && name != "PART.NC") names.push_back(name);
    }
    std::sort(names.begin(), names.end());
    return names;
  }

  TempDir dir;
  std::string run;
};

TEST_F(ConsoleTest, WithoutArgumentsPrintsTheUsageAndFails) {
  Result r = Run({});
  EXPECT_EQ(r.exitCode, 2);
  EXPECT_EQ(r.out.rfind(Utf8("ＮＣデータを加工時間か距離で分割する\n\n[ 使用方法 ]\n\n"), 0), 0u);
  EXPECT_NE(r.out.find(Utf8("> quendrix -HF ＮＣファイル\n")), std::string::npos);
  EXPECT_EQ(r.err, "");
}

TEST_F(ConsoleTest, AUsageRequestSucceedsAfterTheSettingsStartUp) {
  Result r = Run({"/?"});
  EXPECT_EQ(r.exitCode, 0);
  EXPECT_NE(r.out.find(Utf8("Quendrix　Version 2.34")), std::string::npos);
  EXPECT_EQ(r.err, "");
  EXPECT_EQ(Written(), std::vector<std::string>{"Quendrix.ini"});
}

TEST_F(ConsoleTest, HelpPrintsTheHelpFileAsUtf8) {
  Result missing = Run({"HELP"});
  EXPECT_EQ(missing.exitCode, 1);
  EXPECT_EQ(missing.err, Utf8("ヘルプファイルが見つかりません\n"));
  EXPECT_EQ(missing.out, "");

  WriteFileBytes(run + "Quendrix_readme.txt", "ＮＣデータ分割\r\n\r\nquendrix PART.NC 1.5 30\r\n");
  Result r = Run({"/help"});
  EXPECT_EQ(r.exitCode, 0);
  EXPECT_EQ(r.out, Utf8("ＮＣデータ分割\n\nquendrix PART.NC 1.5 30\n"));
  EXPECT_EQ(r.err, "");
}

// The console writes the same pieces as the split driver called directly, and its standard
// output is the banner followed by the same run log, line for line.
TEST_F(ConsoleTest, ASplitWritesThePiecesAndPrintsTheRunLog) {
  Result r = Run({"PART.NC", "0.1", "30"});
  ASSERT_EQ(r.exitCode, 0) << r.err;
  std::vector<std::string> out = SplitLines(r.out);
  ASSERT_GT(out.size(), 9u);
  EXPECT_EQ(out[0].rfind(Utf8("ＮＣデータ編集アプリケーション")), 0u);
  EXPECT_EQ(out[3], std::string(69, '-'));
  EXPECT_EQ(out[8], std::string(69, '-'));
  EXPECT_EQ(out[9], Utf8("警　告：スタート座標が指定されてません。"));
  // The completion box, and nothing else, on standard error.
  EXPECT_EQ(r.err.rfind(Utf8("【 完 了 】\n\nＮＣファイル\n[ PART.NC ] を\n")), 0u);

  // The same job in this process, from a folder of its own.
  std::string reference = dir.Path("ref/");
  fs::create_directories(reference);
  WriteFileBytes(reference + "PART.NC", kProgram);
  FakePlatform fake;
  fake.executablePath = reference + "quendrix";
  StartSettings();
  fs::path home = fs::current_path();
  fs::current_path(reference);
  int split = SplitProgram(nullptr, SplitJob{"PART.NC", 0.1, 30, {0, 0, 100}});
  fs::current_path(home);
  gProgramDirectory[0] = '\0';
  gSettingsPath[0] = '\0';
  ASSERT_EQ(split, kSplitDone);

  // The console's own last line: the folder of the pieces, absolute.
  EXPECT_EQ(out.back(), FolderLine(fs::canonical(run).string()));

  std::vector<std::string> expected;
  for (const std::string& line : fake.logLines()) expected.push_back(Utf8(line));
  // After the banner and the two notices, up to the folder line.
  std::vector<std::string> printed(out.begin() + 11, out.end() - 1);
  ASSERT_EQ(printed.size(), expected.size());
  for (size_t i = 0; i < expected.size(); ++i) {
    if (expected[i].rfind(Utf8("処理時間は"), 0) == 0) continue;  // the elapsed time differs
    EXPECT_EQ(printed[i], expected[i]) << "line " << i;
  }
  int pieces = 0;
  for (const auto& entry : fs::directory_iterator(reference)) {
    std::string name = entry.path().filename().string();
    if (name.rfind("PART_", 0) != 0) continue;
    ++pieces;
    EXPECT_EQ(ReadFileBytes(run + name), ReadFileBytes(entry.path().string())) << name;
  }
  EXPECT_GE(pieces, 4);
}

struct FailureCase {
  const char* name;
  std::vector<std::string> arguments;
  int exitCode;
  const char* message;  // UTF-8 after conversion of this CP932 text
  bool settingsWritten;
};

constexpr char kCheckStartError[] =
    "エラー：--check のスタート座標は、最後に X Y Z の３つの数値で指定して下さい"
    "（数値の名前の分割ＮＣファイルは ./ を付けて指定します）。";

class ConsoleFailureTest : public ConsoleTest, public testing::WithParamInterface<FailureCase> {};

// Each failure: its message on standard error and as the last line of the run log, a non-zero
// exit, and no file written but the settings file.
TEST_P(ConsoleFailureTest, ReportsAndWritesNothing) {
  fs::create_directories(run + "folder.nc");
  // Bad inputs beside the program: an empty NC file and broken parameter files.
  const std::vector<std::pair<std::string, std::string>> inputs = {
      {"EMPTY.NC", ""},
      {"empty.ini", ""},
      {"binary.ini", std::string("\x00\xff\x1a[Q\x00uendrix]\x80\x81\x00=\xfe", 16)},
      {"nosection.ini", "PARAMETER1=PART.NC\r\nPARAMETER2=30\r\nPARAMETER3=0.1\r\n"},
      {"long.ini", "[Quendrix]\r\nPARAMETER1=PART.NC\r\nPARAMETER2=1234567890123456\r\nPARAMETER3=0.1\r\n"
                   "PARAMETER4=0\r\nPARAMETER5=0\r\nPARAMETER6=100\r\n"},
  };
  for (const auto& [name, bytes] : inputs) WriteFileBytes(run + name, bytes);
  const FailureCase& c = GetParam();
  Result r = Run(c.arguments);
  EXPECT_EQ(r.exitCode, c.exitCode);
  std::string message = Utf8(c.message);
  EXPECT_NE(r.err.find(message + "\n"), std::string::npos) << r.err;
  std::vector<std::string> out = SplitLines(r.out);
  ASSERT_FALSE(out.empty());
  EXPECT_EQ(out.back(), message);
  std::vector<std::string> written = Written();
  written.erase(std::remove(written.begin(), written.end(), "folder.nc"), written.end());
  for (const auto& input : inputs) written.erase(std::remove(written.begin(), written.end(), input.first), written.end());
  EXPECT_EQ(written, c.settingsWritten ? std::vector<std::string>{"Quendrix.ini"} : std::vector<std::string>{});
}

INSTANTIATE_TEST_SUITE_P(
    Cases, ConsoleFailureTest,
    testing::Values(
        FailureCase{"MissingNcFile", {"NOPE.NC", "1", "30"}, 1, "エラー：分割するＮＣファイル NOPE.NC がありません。", true},
        FailureCase{"NoSplitNeeded", {"PART.NC", "100", "1000", "0", "0", "100"}, 1,
                    "このＮＣファイルは分割の必要はありません。", true},
        // A split that writes no pieces writes no picture either.
        FailureCase{"NoSplitNeededWithPreview", {"PART.NC", "100", "1000", "--preview", "0", "0", "100"}, 1,
                    "このＮＣファイルは分割の必要はありません。", true},
        FailureCase{"FolderAsNcFile", {"folder.nc", "0.1", "30", "0", "0", "100"}, 1,
                    "エラー：分割ＮＣファイル folder.nc が開けません。", true},
        FailureCase{"EmptyNcFile", {"EMPTY.NC", "1", "30", "0", "0", "100"}, 1,
                    "エラー：ＮＣファイル EMPTY.NC に切削移動（G01, G02, G03）が見つかりません。ＮＣファイルか確認してください。",
                    true},
        FailureCase{"DistanceWithoutDigits", {"PART.NC", "abc", "30", "0", "0", "100"}, 1,
                    "エラー：分割切削距離 「abc」 は数値ではありません。", true},
        FailureCase{"NegativeTime", {"PART.NC", "0.1", "-2", "0", "0", "100"}, 1,
                    "エラー：分割切削時間 -2. は使えません。０より大きい値を指定してください。", true},
        FailureCase{"MissingParameterFile", {"-ctrl", "absent.ini"}, 1, "エラー：ＮＣファイル名を読み込めません。", true},
        FailureCase{"EmptyParameterFile", {"-ctrl", "empty.ini"}, 1, "エラー：ＮＣファイル名を読み込めません。", true},
        FailureCase{"BinaryParameterFile", {"-ctrl", "binary.ini"}, 1, "エラー：ＮＣファイル名を読み込めません。", true},
        FailureCase{"ParameterFileWithoutSection", {"-ctrl", "nosection.ini"}, 1,
                    "エラー：ＮＣファイル名を読み込めません。", true},
        FailureCase{"OverlongParameterValue", {"-ctrl", "long.ini"}, 1,
                    "エラー：パラメータ PARAMETER2 の値が長すぎます（15 文字まで）。", true},
        FailureCase{"InvalidUtf8", {"PART.NC", "\xff\xfe", "30"}, 2,
                    "エラー：引数 2 は UTF-8 の文字列として正しくないか、シフトJIS で表せない文字を含みます。", false},
        FailureCase{"NotInCodePage932", {"PART\xF0\x9F\x98\x80.NC", "1", "30"}, 2,
                    "エラー：引数 1 は UTF-8 の文字列として正しくないか、シフトJIS で表せない文字を含みます。", false},
        // Unknown options stop before the settings start-up, so nothing at all is written.
        FailureCase{"UnknownShortOption", {"-x"}, 2,
                    "エラー：オプション -x はありません。使い方は quendrix --help で表示します。", false},
        FailureCase{"UnknownLongOption", {"--verbose", "PART.NC", "0.1", "30"}, 2,
                    "エラー：オプション --verbose はありません。使い方は quendrix --help で表示します。", false},
        FailureCase{"LoneDash", {"-"}, 2, "エラー：オプション - はありません。使い方は quendrix --help で表示します。",
                    false},
        FailureCase{"OptionsAreCaseSensitive", {"--HELP"}, 2,
                    "エラー：オプション --HELP はありません。使い方は quendrix --help で表示します。", false},
        FailureCase{"DashWordAmongTheNumbers", {"PART.NC", "0.1", "30", "0", "-abc", "100"}, 2,
                    "エラー：オプション -abc はありません。使い方は quendrix --help で表示します。", false},
        FailureCase{"DashThenPointWithoutDigit", {"PART.NC", "0.1", "30", "-.x"}, 2,
                    "エラー：オプション -.x はありません。使い方は quendrix --help で表示します。", false},
        FailureCase{"SwitchOutOfPlace", {"PART.NC", "-ctrl", "job.ini"}, 2,
                    "エラー：オプション -ctrl はありません。使い方は quendrix --help で表示します。", false},
        FailureCase{"DashFileNameAfterASwitch", {"-HF", "-PART.NC"}, 2,
                    "エラー：オプション -PART.NC はありません。使い方は quendrix --help で表示します。", false},
        FailureCase{"HeaderFooterWithoutNcFile", {"-hf"}, 1, "エラー：ＮＣファイル名を入力して下さい", true},
        FailureCase{"HeaderFooterOfMissingFile", {"-HF", "NOPE.NC"}, 1, "エラー：ＮＣファイル NOPE.NC がありません。",
                    true},
        // The check alone: arguments it cannot use stop it with exit 2, a program that is not there
        // with exit 1.
        FailureCase{"CheckAlone", {"--check"}, 2,
                    "エラー：--check の後に元のＮＣファイルと分割ＮＣファイル（１つ以上）を指定して下さい。", true},
        FailureCase{"CheckWithoutPieces", {"--check", "PART.NC"}, 2,
                    "エラー：--check の後に元のＮＣファイルと分割ＮＣファイル（１つ以上）を指定して下さい。", true},
        FailureCase{"CheckWithAStartPointButNoPiece", {"--check", "PART.NC", "0", "0", "100"}, 2, kCheckStartError, true},
        FailureCase{"CheckWithTwoCoordinates", {"--check", "PART.NC", "PART_001.NC", "0", "-100"}, 2, kCheckStartError,
                    true},
        FailureCase{"CheckWithOneCoordinate", {"--check", "PART.NC", "PART_001.NC", "PART_002.NC", "100"}, 2,
                    kCheckStartError, true},
        FailureCase{"CheckWithACoordinateThatIsNoNumber", {"--check", "PART.NC", "PART_001.NC", "0", "0", "1OO"}, 2,
                    kCheckStartError, true},
        FailureCase{"CheckWithAStartPointBeforeThePieces", {"--check", "PART.NC", "0", "0", "100", "PART_001.NC"}, 2,
                    kCheckStartError, true},
        FailureCase{"CheckWithFourNumbers", {"--check", "PART.NC", "PART_001.NC", "1", "0", "0", "100"}, 2,
                    kCheckStartError, true},
        FailureCase{"CheckOutOfPlace", {"PART.NC", "--check", "PART_001.NC"}, 2,
                    "エラー：--check は最初の引数に指定して下さい。", false},
        FailureCase{"CheckSpelledOtherwise", {"--CHECK", "PART.NC", "PART_001.NC"}, 2,
                    "エラー：オプション --CHECK はありません。使い方は quendrix --help で表示します。", false},
        FailureCase{"CheckOfAMissingProgram", {"--check", "NOPE.NC", "PART_001.NC"}, 1,
                    "エラー：元のＮＣファイル NOPE.NC がありません。", true}),
    [](const testing::TestParamInfo<FailureCase>& info) { return info.param.name; });

TEST_F(ConsoleTest, ABatchRunReadsABareParameterFileNameFromTheWorkingDirectory) {
  WriteFileBytes(run + "job.ini",
                 "[Quendrix]\r\nPARAMETER1=PART.NC\r\nPARAMETER2=30\r\nPARAMETER3=0.1\r\nPARAMETER4=0\r\n"
                 "PARAMETER5=0\r\nPARAMETER6=100\r\nPARAMETER7=BATCH\r\n");
  Result r = Run({"-ctrl", "job.ini"});
  EXPECT_EQ(r.exitCode, 0) << r.err;
  // Batch mode: no completion box.
  EXPECT_EQ(r.err, "");
  EXPECT_NE(r.out.find(Utf8("★ バッチモードで動作します！\n")), std::string::npos);
  EXPECT_TRUE(fs::exists(run + "PART_001.NC"));
  EXPECT_EQ(SplitLines(r.out).back(), FolderLine(fs::canonical(run).string()));
}

TEST_F(ConsoleTest, HeaderFooterMakesBothFilesAndPrintsTheirPaths) {
  Result r = Run({"-Hf", "PART.NC"});
  EXPECT_EQ(r.exitCode, 0) << r.err;
  EXPECT_EQ(r.out, Utf8("　冒頭ファイル : PART_header.NC\n　末尾ファイル : PART_footer.NC\n"));
  EXPECT_EQ(r.err, "");
  EXPECT_EQ(Written(), (std::vector<std::string>{"PART_footer.NC", "PART_header.NC", "Quendrix.ini"}));
  EXPECT_EQ(ReadFileBytes(run + "PART_header.NC").rfind("%\r\nO1000\r\n", 0), 0u);
}

struct OptionCase {
  const char* name;
  std::vector<std::string> arguments;
  bool usage;             // the usage text, else the version text
  bool settingsWritten;   // the usage comes after the settings start-up; the version before it
};

class ConsoleOptionTest : public ConsoleTest, public testing::WithParamInterface<OptionCase> {};

// Help and version: their text on standard output, exit 0, nothing on standard error, no split.
TEST_P(ConsoleOptionTest, PrintsAndSucceeds) {
  const OptionCase& c = GetParam();
  Result r = Run(c.arguments);
  EXPECT_EQ(r.exitCode, 0);
  EXPECT_EQ(r.err, "");
  if (c.usage) {
    EXPECT_EQ(r.out.rfind(Utf8("ＮＣデータを加工時間か距離で分割する\n\n[ 使用方法 ]\n\n"), 0), 0u);
    EXPECT_NE(r.out.find("> quendrix -h | --help | --version\n"), std::string::npos);
    EXPECT_NE(r.out.find("> quendrix --check "), std::string::npos);
  } else {
    EXPECT_EQ(r.out, "Quendrix 2021R2.34\nBuild date 2021/05/24\nCopyright (C) 2021 TORVANEK All Rights Reserved.\n");
  }
  EXPECT_EQ(Written(), c.settingsWritten ? std::vector<std::string>{"Quendrix.ini"} : std::vector<std::string>{});
}

INSTANTIATE_TEST_SUITE_P(
    Cases, ConsoleOptionTest,
    testing::Values(OptionCase{"ShortHelp", {"-h"}, true, true}, OptionCase{"LongHelp", {"--help"}, true, true},
                    // Anywhere among the arguments, and before a split would run.
                    OptionCase{"HelpAfterAJob", {"PART.NC", "0.1", "30", "--help"}, true, true},
                    OptionCase{"HelpAfterASwitch", {"-CTRL", "-h"}, true, true},
                    OptionCase{"Version", {"--version"}, false, false},
                    OptionCase{"VersionAfterAJob", {"PART.NC", "0.1", "30", "--version"}, false, false}),
    [](const testing::TestParamInfo<OptionCase>& info) { return info.param.name; });

// Negative numbers are positional arguments, not options, in every spelling the number reader
// takes. One split shows they still work end to end; the spellings are read from the job echo of
// a run the driver refuses at once (a negative distance), which waits for nothing.
TEST_F(ConsoleTest, NegativeNumbersAreNoOptions) {
  // The program states G92 X0 Y0 Z100.: those are the only start coordinates it accepts.
  Result r = Run({"PART.NC", "0.1", "30", "-0", "-.0", "100", "batch"});
  ASSERT_EQ(r.exitCode, 0) << r.out;
  EXPECT_NE(r.out.find(Utf8("スタートＸ座標 : 0.\n")), std::string::npos);
  EXPECT_NE(r.out.find(Utf8("スタートＹ座標 : 0.\n")), std::string::npos);
  EXPECT_TRUE(fs::exists(run + "PART_001.NC"));

  r = Run({"PART.NC", "-.1", "-3", "-3e1", "-5.", "-1e-1", "batch"});
  EXPECT_EQ(r.exitCode, 1);
  EXPECT_NE(r.out.find(Utf8("　分割切削距離 : -0.1\n　分割切削時間 : -3.\nスタートＸ座標 : -30.\n"
                            "スタートＹ座標 : -5.\nスタートＺ座標 : -0.1\n")),
            std::string::npos)
      << r.out;
  EXPECT_NE(r.out.find(Utf8("エラー：分割切削距離 -0.1 は使えません。")), std::string::npos) << r.out;
}

// The pieces lie next to the program, so the folder named is the program's, made absolute.
TEST_F(ConsoleTest, TheFolderLineNamesTheProgramsFolder) {
  fs::create_directories(run + "sub dir");
  WriteFileBytes(run + "sub dir/PART.NC", kProgram);
  Result r = Run({"./sub dir/../sub dir/PART.NC", "0.1", "30", "0", "0", "100", "batch"});
  ASSERT_EQ(r.exitCode, 0) << r.out;
  std::string folder = fs::canonical(run + "sub dir").string();
  EXPECT_EQ(SplitLines(r.out).back(), FolderLine(folder));
  EXPECT_TRUE(fs::exists(folder + "/PART_001.NC"));

  // A run that writes no pieces names no folder.
  r = Run({"PART.NC", "100", "1000", "0", "0", "100", "batch"});
  EXPECT_EQ(r.exitCode, 1);
  EXPECT_EQ(r.out.find(Utf8("出力先")), std::string::npos);
}

struct PreviewCase {
  const char* name;
  std::vector<std::string> arguments;
  const char* command;  // the [COMMAND] section of the settings file; nullptr: the default file
  bool picture;
};

class ConsolePreviewTest : public ConsoleTest, public testing::WithParamInterface<PreviewCase> {};

// --preview anywhere, or PREVIEW=1: the picture next to the pieces, named in the log just before
// the folder line. Otherwise none.
TEST_P(ConsolePreviewTest, WritesThePictureOnRequest) {
  const PreviewCase& c = GetParam();
  WriteFileBytes(run + "job.ini",
                 "[Quendrix]\r\nPARAMETER1=PART.NC\r\nPARAMETER2=30\r\nPARAMETER3=0.1\r\nPARAMETER4=0\r\n"
                 "PARAMETER5=0\r\nPARAMETER6=100\r\nPARAMETER7=BATCH\r\n");
  if (c.command != nullptr) WriteFileBytes(run + "Quendrix.ini", std::string("[COMMAND]\r\n") + c.command);
  Result r = Run(c.arguments);
  ASSERT_EQ(r.exitCode, 0) << r.err;
  EXPECT_TRUE(fs::exists(run + "PART_002.NC"));
  const std::vector<std::string> out = SplitLines(r.out);
  ASSERT_GE(out.size(), 2u);
  EXPECT_EQ(out.back(), FolderLine(fs::canonical(run).string()));
  if (c.picture) {
    EXPECT_EQ(out[out.size() - 2], Utf8("情　報：分割の図を PART_split.svg に保存しました。"));
    const std::string svg = ReadFileBytes(run + "PART_split.svg");
    EXPECT_EQ(svg.rfind("<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<svg ", 0), 0u);
    EXPECT_NE(svg.find("<g id=\"piece-2\""), std::string::npos);
  } else {
    EXPECT_FALSE(fs::exists(run + "PART_split.svg"));
    EXPECT_EQ(r.out.find(Utf8("分割の図")), std::string::npos);
  }
}

INSTANTIATE_TEST_SUITE_P(
    Cases, ConsolePreviewTest,
    testing::Values(PreviewCase{"OptionLast", {"PART.NC", "0.1", "30", "0", "0", "100", "batch", "--preview"}, nullptr, true},
                    PreviewCase{"OptionFirst", {"--preview", "PART.NC", "0.1", "30", "0", "0", "100"}, "MODE=1\r\n", true},
                    PreviewCase{"OptionWithBatchRun", {"--preview", "-CTRL", "job.ini"}, nullptr, true},
                    PreviewCase{"SettingsKey", {"PART.NC", "0.1", "30", "0", "0", "100", "batch"}, "PREVIEW=1\r\n", true},
                    PreviewCase{"Neither", {"PART.NC", "0.1", "30", "0", "0", "100", "batch"}, nullptr, false},
                    PreviewCase{"KeyOff", {"PART.NC", "0.1", "30", "0", "0", "100", "batch"}, "PREVIEW=0\r\n", false}),
    [](const testing::TestParamInfo<PreviewCase>& info) { return info.param.name; });

// The seam policy: --seam=POLICY or --seam POLICY anywhere, over SEAM of [COMMAND]; the batch
// parameter SEAM over both. The run log names a policy other than cut; one it cannot use stops the
// run with its error before anything is written.
struct SeamCase {
  const char* name;
  std::vector<std::string> arguments;
  const char* command;      // the [COMMAND] section; nullptr: the default file
  const char* jobSeam;      // SEAM of the batch parameter file (nullptr: none)
  const char* policyLine;   // the policy line expected, nullptr: none (cut)
  int exitCode;
};

class ConsoleSeamTest : public ConsoleTest, public testing::WithParamInterface<SeamCase> {};

TEST_P(ConsoleSeamTest, TakesThePolicyFromTheOptionTheJobOrTheSettings) {
  const SeamCase& c = GetParam();
  WriteFileBytes(run + "job.ini",
                 "[Quendrix]\r\nPARAMETER1=PART.NC\r\nPARAMETER2=30\r\nPARAMETER3=0.1\r\nPARAMETER4=0\r\n"
                 "PARAMETER5=0\r\nPARAMETER6=100\r\nPARAMETER7=BATCH\r\n" +
                     std::string(c.jobSeam != nullptr ? std::string("SEAM=") + c.jobSeam + "\r\n" : ""));
  if (c.command != nullptr) WriteFileBytes(run + "Quendrix.ini", std::string("[COMMAND]\r\nMODE=1\r\n") + c.command);
  Result r = Run(c.arguments);
  ASSERT_EQ(r.exitCode, c.exitCode) << r.err;
  if (c.policyLine != nullptr) {
    EXPECT_NE(r.out.find(Utf8(c.policyLine)), std::string::npos) << r.out;
  } else {
    EXPECT_EQ(r.out.find(Utf8("分割位置")), std::string::npos);
  }
  EXPECT_EQ(fs::exists(run + "PART_002.NC"), c.exitCode == 0);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, ConsoleSeamTest,
    testing::Values(
        SeamCase{"DefaultIsCut", {"PART.NC", "0.1", "30", "0", "0", "100", "batch"}, nullptr, nullptr, nullptr, 0},
        SeamCase{"OptionWithEquals", {"PART.NC", "0.1", "30", "0", "0", "100", "batch", "--seam=break"}, nullptr,
                 nullptr, "　　　分割位置 : break", 0},
        SeamCase{"OptionAndValue", {"--seam", "tool", "PART.NC", "0.1", "30", "0", "0", "100", "batch"}, nullptr,
                 nullptr, "　　　分割位置 : tool", 0},
        SeamCase{"SettingsKey", {"PART.NC", "0.1", "30", "0", "0", "100"}, "SEAM=break\r\n", nullptr,
                 "　　　分割位置 : break", 0},
        SeamCase{"OptionOverSettings", {"PART.NC", "0.1", "30", "0", "0", "100", "--seam=cut"}, "SEAM=break\r\n",
                 nullptr, nullptr, 0},
        SeamCase{"BatchParameter", {"-CTRL", "job.ini"}, nullptr, "tool", "　　　分割位置 : tool", 0},
        SeamCase{"BatchParameterOverOption", {"--seam=break", "-CTRL", "job.ini"}, nullptr, "cut", nullptr, 0},
        SeamCase{"SizeOption", {"PART.NC", "0.1", "30", "0", "0", "100", "batch", "--max-size", "1"}, nullptr,
                 nullptr, "　　ファイル容量 : 1 KB まで", 0},
        SeamCase{"SizeOptionNotANumber", {"PART.NC", "0.1", "30", "0", "0", "100", "batch", "--max-size=1k"}, nullptr,
                 nullptr, "エラー：ファイル容量の上限 1k は使えません。０（上限なし）以上の整数（KB）を指定してください。", 1},
        SeamCase{"PiecesOption", {"--pieces", "2", "PART.NC", "100", "100", "0", "0", "100", "batch"}, nullptr,
                 nullptr, "　　　　分割数 : 2 （切削時間の等分）", 0},
        SeamCase{"PiecesOfOne", {"--pieces=1", "PART.NC", "100", "100", "0", "0", "100", "batch"}, nullptr, nullptr,
                 "エラー：分割数 1 は使えません。２から 998 までの整数を指定してください。", 1},
        SeamCase{"UnknownPolicy", {"PART.NC", "0.1", "30", "0", "0", "100", "batch", "--seam=brake"}, nullptr,
                 nullptr, "エラー：設定 SEAM=brake は使えません。cut, break, tool のどれかを指定してください。", 1}),
    [](const testing::TestParamInfo<SeamCase>& info) { return info.param.name; });

// A picture that cannot be written: its error, exit 1; the pieces stay.
TEST_F(ConsoleTest, APictureThatCannotBeWrittenFailsTheRunAndKeepsThePieces) {
  fs::create_directories(run + "PART_split.svg");
  Result r = Run({"PART.NC", "0.1", "30", "0", "0", "100", "batch", "--preview"});
  EXPECT_EQ(r.exitCode, 1);
  EXPECT_NE(r.err.find(Utf8("エラー：分割の図 PART_split.svg が書けません。")), std::string::npos) << r.err;
  EXPECT_TRUE(fs::exists(run + "PART_001.NC"));
  EXPECT_TRUE(fs::is_directory(run + "PART_split.svg"));
  EXPECT_EQ(ReadFileBytes(run + "PART.NC"), kProgram);
}

// A piece that cannot be made (a folder holds its name) stops the split with its error and exit
// code 1, and leaves the folder as it was: the pieces written before it are removed.
TEST_F(ConsoleTest, APieceThatCannotBeMadeFailsTheRunAndLeavesNothing) {
  ASSERT_EQ(Run({"/?"}).exitCode, 0);  // the settings file is written once, before the listing
  fs::create_directories(run + "PART_002.NC");
  const std::vector<std::string> before = Written();
  Result r = Run({"PART.NC", "0.1", "30", "0", "0", "100", "batch"});
  EXPECT_EQ(r.exitCode, 1);
  const std::string error = Utf8("エラー：分割ＮＣファイル PART_002.NC が開けません。");
  EXPECT_NE(r.err.find(error), std::string::npos) << r.err;
  EXPECT_NE(r.out.find(error), std::string::npos);
  EXPECT_EQ(Written(), before);
  EXPECT_TRUE(fs::is_directory(run + "PART_002.NC"));
  EXPECT_EQ(ReadFileBytes(run + "PART.NC"), kProgram);
}

// --- The split check alone ----------------------------------------------------------------------

class ConsoleCheckTest : public ConsoleTest {
 protected:
  void SetUp() override {
    ConsoleTest::SetUp();
    Result split = Run({"PART.NC", "0.1", "30", "0", "0", "100", "batch"});
    ASSERT_EQ(split.exitCode, 0) << split.err;
    for (int piece = 1; fs::exists(run + PieceName(piece)); ++piece) pieces.push_back(PieceName(piece));
    ASSERT_GE(pieces.size(), 3u);
  }
  static std::string PieceName(int piece) {
    char name[32];
    std::snprintf(name, sizeof name, "PART_%03d.NC", piece);
    return name;
  }
  // "--check PART.NC" with the pieces, then `more`.
  Result Check(const std::vector<std::string>& more = {}) {
    std::vector<std::string> arguments = {"--check", "PART.NC"};
    arguments.insert(arguments.end(), pieces.begin(), pieces.end());
    arguments.insert(arguments.end(), more.begin(), more.end());
    return Run(arguments);
  }
  std::string Passed() const {
    return Utf8("情　報：分割ＮＣファイル " + std::to_string(pieces.size()) + " 個を検証しました。元のＮＣファイルと同じ加工です。");
  }

  std::vector<std::string> pieces;
};

// The pieces the split wrote pass, from the program's start point or from one given (negative
// numbers among it stay positional); the check lists the files, writes nothing and says nothing
// on standard error.
TEST_F(ConsoleCheckTest, ThePiecesASplitWrotePass) {
  const std::vector<std::string> before = Written();
  for (const std::vector<std::string>& start : {std::vector<std::string>{}, {"-0", "0", "100"}}) {
    Result r = Check(start);
    EXPECT_EQ(r.exitCode, 0) << r.out;
    EXPECT_EQ(r.err, "");
    const std::vector<std::string> out = SplitLines(r.out);
    ASSERT_GE(out.size(), pieces.size() + 2);
    EXPECT_EQ(out[0], Utf8("元のＮＣファイル : PART.NC"));
    EXPECT_EQ(out[1], Utf8("分割ＮＣファイル [ 01 ] : PART_001.NC"));
    EXPECT_EQ(out.back(), Passed());
    EXPECT_EQ(r.out.find(Utf8("スタート座標が指定されてません")) != std::string::npos, start.empty());
  }
  EXPECT_EQ(Written(), before);
}

// A piece edited by hand so that it no longer cuts what the program cuts: exit 1, the check's
// line naming the piece last on standard output and on standard error. A piece that is not there
// fails the same way.
TEST_F(ConsoleCheckTest, AnEditedOrMissingPieceFails) {
  const std::string original = ReadFileBytes(run + "PART_002.NC");
  std::vector<std::string> lines = SplitLines(original);
  size_t cut = lines.size() / 2;
  while (cut < lines.size() && lines[cut].rfind("X", 0) != 0 && lines[cut].rfind("Y", 0) != 0) ++cut;
  ASSERT_LT(cut, lines.size());
  lines.erase(lines.begin() + static_cast<std::ptrdiff_t>(cut));
  std::string edited;
  for (const std::string& line : lines) edited += line + "\n";
  WriteFileBytes(run + "PART_002.NC", edited);

  Result r = Check();
  EXPECT_EQ(r.exitCode, 1);
  const std::string failure = Utf8("エラー：分割の検証に失敗しました。分割ＮＣファイル [ 02 ] の ");
  EXPECT_EQ(SplitLines(r.out).back().rfind(failure, 0), 0u) << r.out;
  EXPECT_EQ(r.err, SplitLines(r.out).back() + "\n");
  WriteFileBytes(run + "PART_002.NC", original);

  pieces.push_back("PART_099.NC");
  r = Check({"0", "0", "100"});
  EXPECT_EQ(r.exitCode, 1);
  EXPECT_EQ(SplitLines(r.out).back().rfind(Utf8("エラー：分割の検証に失敗しました。")), 0u) << r.out;
  EXPECT_NE(SplitLines(r.out).back().find("PART_099.NC"), std::string::npos) << r.out;
}

// The pieces run in the order given: the same files in another order are not the program.
TEST_F(ConsoleCheckTest, ThePiecesRunInTheOrderGiven) {
  std::swap(pieces[0], pieces[1]);
  Result r = Check();
  EXPECT_EQ(r.exitCode, 1);
  EXPECT_EQ(SplitLines(r.out).back().rfind(Utf8("エラー：分割の検証に失敗しました。")), 0u) << r.out;
}

// The last piece left out: the check names the first cut no piece makes, not the closing blocks
// the piece that is now last ends with.
TEST_F(ConsoleCheckTest, TooFewPiecesNameTheCutNeverMade) {
  pieces.pop_back();
  Result r = Check();
  EXPECT_EQ(r.exitCode, 1);
  const std::string last = SplitLines(r.out).back();
  EXPECT_EQ(last.rfind(Utf8("エラー：分割の検証に失敗しました。")), 0u) << r.out;
  EXPECT_NE(last.find(Utf8("がどの分割ＮＣファイルにもありません")), std::string::npos) << r.out;
}

}  // namespace

#endif  // _WIN32
