// Reading the batch parameter file: numbered and named keys, the first missing value, lengths.
#include <gtest/gtest.h>

#include <string>

#include "support/fake_platform.h"
#include "support/temp_dir.h"
#include "ui/common/batch_parameters.h"

namespace {

// A parameter file's text; "@NC@" stands for the path of an existing NC program.
struct ParameterCase {
  const char* name;
  const char* text;
  int result;
  const char* message;  // the one error box expected, or nullptr
  const char *time = "", *distance = "", *x = "", *y = "", *z = "";  // the texts as written
  const char* mode = "";
  const char* seam = "";
  const char* size = "";
  const char* pieces = "";
};

class BatchParametersTest : public testing::TestWithParam<ParameterCase> {
 protected:
  FakePlatform fake;
  TempDir dir;
};

std::string Replace(std::string text, const std::string& what, const std::string& with) {
  for (size_t at = text.find(what); at != std::string::npos; at = text.find(what, at + with.size())) {
    text.replace(at, what.size(), with);
  }
  return text;
}

TEST_P(BatchParametersTest, ReadsTheJob) {
  const ParameterCase& c = GetParam();
  dir.Write("PART.NC", "G90G00X0Y0Z10.\r\n");
  dir.Write("job.ini", Replace(c.text, "@NC@", dir.Path("PART.NC")));
  BatchParameters parameters;
  EXPECT_EQ(ReadBatchParameters(nullptr, dir.Path("job.ini").c_str(), &parameters), c.result);
  if (c.message == nullptr) {
    EXPECT_TRUE(fake.boxes.empty());
    EXPECT_EQ(std::string(parameters.ncFile), dir.Path("PART.NC"));
    EXPECT_STREQ(parameters.time, c.time);
    EXPECT_STREQ(parameters.distance, c.distance);
    EXPECT_STREQ(parameters.start[0], c.x);
    EXPECT_STREQ(parameters.start[1], c.y);
    EXPECT_STREQ(parameters.start[2], c.z);
    EXPECT_STREQ(parameters.mode, c.mode);
    EXPECT_STREQ(parameters.seam, c.seam);
    EXPECT_STREQ(parameters.size, c.size);
    EXPECT_STREQ(parameters.pieces, c.pieces);
  } else {
    ASSERT_EQ(fake.boxes.size(), 1u);
    EXPECT_EQ(fake.boxes[0].text, Replace(c.message, "@NC@", dir.Path("PART.NC")));
    EXPECT_EQ(fake.boxes[0].icon, platform::BoxIcon::kError);
    ASSERT_EQ(fake.logLines().size(), 1u);
    EXPECT_EQ(fake.logLines()[0], fake.boxes[0].text);
  }
}

const ParameterCase kCases[] = {
    {"NamedKeysOnly",
     "[Quendrix]\r\nNCFILE1=@NC@\r\nTIME=30\r\nDIST=1.5\r\nSTARTX=10\r\nSTARTY=-20.5\r\nSTARTZ=100\r\n", 0, nullptr,
     "30", "1.5", "10", "-20.5", "100", ""},
    {"NumberedKeysWin",
     "[Quendrix]\r\nPARAMETER1=@NC@\r\nNCFILE1=nothing.nc\r\nPARAMETER2=12\r\nTIME=30\r\nPARAMETER3=2\r\n"
     "PARAMETER4=1\r\nPARAMETER5=2\r\nPARAMETER6=3\r\nPARAMETER7=BATCH\r\nBATCH=no\r\n",
     0, nullptr, "12", "2", "1", "2", "3", "BATCH"},
    {"EmptyNumberedKeyFallsBackToNamed",
     "[Quendrix]\r\nPARAMETER1=@NC@\r\nPARAMETER2=5\r\nPARAMETER3=\r\nDIST=0.25\r\nSTARTX=0\r\nSTARTY=0\r\n"
     "STARTZ=50\r\nBATCH=batch\r\n",
     0, nullptr, "5", "0.25", "0", "0", "50", "batch"},
    {"TextsAreKeptAsWrittenForTheFrontEndToRead",
     "[quendrix]\n  ncfile1 = @NC@\ntime=abc\ndist=.5mm\nstartx=1e2\nstarty= -3x\n", 0, nullptr, "abc",
     ".5mm", "1e2", "-3x", "", ""},
    {"NoSection", "[Other]\r\nNCFILE1=@NC@\r\n", -1, "エラー：ＮＣファイル名を読み込めません。"},
    {"EmptyFile", "", -1, "エラー：ＮＣファイル名を読み込めません。"},
    {"NcFileNamingNothing", "[Quendrix]\r\nNCFILE1=@NC@.missing\r\nTIME=1\r\n", -1,
     "エラー：ＮＣファイル @NC@.missing が存在しません。"},
    {"TimeMissing", "[Quendrix]\r\nNCFILE1=@NC@\r\nDIST=1\r\n", -1, "エラー：分割加工時間を指定して下さい。"},
    {"DistanceMissing", "[Quendrix]\r\nNCFILE1=@NC@\r\nTIME=1\r\n", -1, "エラー：分割切削距離を指定して下さい。"},
    {"StartCoordinatesMayBeMissingOrEmpty",
     "[Quendrix]\r\nNCFILE1=@NC@\r\nTIME=1\r\nDIST=1\r\nSTARTX=\r\nSTARTZ=7\r\n", 0, nullptr, "1", "1", "",
     "", "7", ""},
    {"StartCoordinateLongerThanItsField",
     "[Quendrix]\r\nNCFILE1=@NC@\r\nTIME=1\r\nDIST=1\r\nSTARTY=1234567890123456\r\n", -1,
     "エラー：パラメータ STARTY の値が長すぎます（15 文字まで）。"},
    {"NumberLongerThanItsField",
     "[Quendrix]\r\nNCFILE1=@NC@\r\nPARAMETER2=1234567890123456\r\nDIST=1\r\nSTARTX=1\r\nSTARTY=1\r\nSTARTZ=1\r\n", -1,
     "エラー：パラメータ PARAMETER2 の値が長すぎます（15 文字まで）。"},
    {"FifteenCharactersFit",
     "[Quendrix]\r\nNCFILE1=@NC@\r\nTIME=123456789012345\r\nDIST=1\r\nSTARTX=1\r\nSTARTY=1\r\nSTARTZ=1\r\n"
     "BATCH=a-mode-word-longer-than-its-field\r\n",
     0, nullptr, "123456789012345", "1", "1", "1", "1", "a-mode-word-lon"},
    {"SeamPolicyAsWritten", "[Quendrix]\r\nNCFILE1=@NC@\r\nTIME=1\r\nDIST=1\r\nSEAM= Break \r\n", 0, nullptr, "1",
     "1", "", "", "", "", "Break"},
    {"SizeLimitAsWritten", "[Quendrix]\r\nNCFILE1=@NC@\r\nTIME=1\r\nDIST=1\r\nSIZE=64\r\n", 0, nullptr, "1", "1",
     "", "", "", "", "", "64"},
    {"PiecesAsWritten", "[Quendrix]\r\nNCFILE1=@NC@\r\nTIME=1\r\nDIST=1\r\nPIECES=4\r\n", 0, nullptr, "1", "1", "",
     "", "", "", "", "", "4"},
    {"SeamPolicyLongerThanItsField",
     "[Quendrix]\r\nNCFILE1=@NC@\r\nTIME=1\r\nDIST=1\r\nSEAM=breakbreakbreakbr\r\n", -1,
     "エラー：パラメータ SEAM の値が長すぎます（15 文字まで）。"},
};

INSTANTIATE_TEST_SUITE_P(Files, BatchParametersTest, testing::ValuesIn(kCases),
                         [](const testing::TestParamInfo<ParameterCase>& info) { return info.param.name; });

TEST(BatchParameters, NoParameterFileReportsTheMissingNcFileName) {
  FakePlatform fake;
  BatchParameters parameters;
  EXPECT_EQ(ReadBatchParameters(nullptr, nullptr, &parameters), -1);
  ASSERT_EQ(fake.boxes.size(), 1u);
  EXPECT_EQ(fake.boxes[0].text, "エラー：ＮＣファイル名を読み込めません。");
}

TEST(BatchParameters, AMissingParameterFileReadsAsOneWithoutKeys) {
  FakePlatform fake;
  TempDir dir;
  BatchParameters parameters;
  EXPECT_EQ(ReadBatchParameters(nullptr, dir.Path("absent.ini").c_str(), &parameters), -1);
  ASSERT_EQ(fake.boxes.size(), 1u);
  EXPECT_EQ(fake.boxes[0].text, "エラー：ＮＣファイル名を読み込めません。");
  EXPECT_FALSE(dir.Exists("absent.ini"));
}

TEST(BatchParameters, ABinaryFileReadsAsOneWithoutKeys) {
  FakePlatform fake;
  TempDir dir;
  dir.Write("job.bin", std::string("\x00\x01\xff\xfe[Quendrix]\x00\nNCFILE1=x\x00\r\n", 26));
  BatchParameters parameters;
  EXPECT_EQ(ReadBatchParameters(nullptr, dir.Path("job.bin").c_str(), &parameters), -1);
  ASSERT_EQ(fake.boxes.size(), 1u);
  EXPECT_EQ(fake.boxes[0].text, "エラー：ＮＣファイル名を読み込めません。");
}

TEST(BatchParameters, APathLongerThanItsFieldIsRefusedNotCut) {
  FakePlatform fake;
  TempDir dir;
  dir.Write("job.ini", "[Quendrix]\r\nNCFILE1=" + dir.path() + std::string(600, 'a') + ".nc\r\n");
  BatchParameters parameters;
  EXPECT_EQ(ReadBatchParameters(nullptr, dir.Path("job.ini").c_str(), &parameters), -1);
  ASSERT_EQ(fake.boxes.size(), 1u);
  EXPECT_EQ(fake.boxes[0].text, "エラー：パラメータ NCFILE1 の値が長すぎます（519 文字まで）。");
}

}  // namespace
