// Names derived from an NC program's path.
#include <gtest/gtest.h>

#include <string>

#include "config/file_naming.h"

namespace {

struct SplitCase {
  const char* path;
  const char* drive;
  const char* directory;
  const char* baseName;
  const char* extension;
};

class SplitPathTest : public testing::TestWithParam<SplitCase> {};

TEST_P(SplitPathTest, FourParts) {
  const SplitCase& c = GetParam();
  PathParts parts;
  EXPECT_EQ(SplitPathParts(c.path, &parts), kNamingOk);
  EXPECT_EQ(parts.drive, c.drive) << c.path;
  EXPECT_EQ(parts.directory, c.directory) << c.path;
  EXPECT_EQ(parts.baseName, c.baseName) << c.path;
  EXPECT_EQ(parts.extension, c.extension) << c.path;
}

// 表 is 95 5C, ソ is 83 5C, 能 is 94 5C: their second byte has the value of "\".
INSTANTIATE_TEST_SUITE_P(
    Paths, SplitPathTest,
    testing::Values(SplitCase{"C:\\NC\\WORK\\PART.NC", "C:", "\\NC\\WORK\\", "PART", ".NC"},
                    SplitCase{"PART", "", "", "PART", ""}, SplitCase{"PART.NC", "", "", "PART", ".NC"},
                    SplitCase{"C:\\A.B\\PART", "C:", "\\A.B\\", "PART", ""},
                    SplitCase{"PART.V2.NC", "", "", "PART.V2", ".NC"},
                    SplitCase{"/home/nc/part.nc", "", "/home/nc/", "part", ".nc"},
                    SplitCase{"C:PART.NC", "C:", "", "PART", ".NC"},
                    SplitCase{"\\\\host\\share\\P.NC", "", "\\\\host\\share\\", "P", ".NC"},
                    SplitCase{"C:\\NC\\", "C:", "\\NC\\", "", ""}, SplitCase{".NC", "", "", "", ".NC"},
                    SplitCase{"C:\\表\\ソ.NC", "C:", "\\表\\", "ソ", ".NC"},
                    SplitCase{"D:/mixed\\sep/表.X.nc", "D:", "/mixed\\sep/", "表.X", ".nc"},
                    // A lead byte as the last byte takes nothing with it.
                    SplitCase{"A\\B\x83", "", "A\\", "B\x83", ""}));

struct DerivedCase {
  const char* ncPath;
  const char* suffix;  // nullptr: the piece path of `piece`
  int piece;
  const char* expected;
};

class DerivedPathTest : public testing::TestWithParam<DerivedCase> {};

TEST_P(DerivedPathTest, Names) {
  const DerivedCase& c = GetParam();
  char out[512];
  int result = c.suffix != nullptr ? SuffixPath(c.ncPath, c.suffix, out, sizeof out)
                                   : PiecePath(c.ncPath, c.piece, out, sizeof out);
  EXPECT_EQ(result, kNamingOk);
  EXPECT_STREQ(out, c.expected);
}

INSTANTIATE_TEST_SUITE_P(
    Paths, DerivedPathTest,
    testing::Values(DerivedCase{"C:\\NC\\PART.NC", "_ascii.txt", 0, "C:\\NC\\PART_ascii.txt"},
                    DerivedCase{"C:\\NC\\PART.NC", "_header", 0, "C:\\NC\\PART_header.NC"},
                    DerivedCase{"C:\\NC\\PART.NC", "_h.txt", 0, "C:\\NC\\PART_h.txt"},
                    DerivedCase{"C:\\NC\\PART.NC", "_a.b", 0, "C:\\NC\\PART_a.b"},
                    DerivedCase{"PART", "_header", 0, "PART_header"},
                    DerivedCase{"C:\\A.B\\PART", "_header", 0, "C:\\A.B\\PART_header"},
                    DerivedCase{"PART.V2.NC", "_footer", 0, "PART.V2_footer.NC"},
                    DerivedCase{"C:\\表\\ソ.NC", "_header", 0, "C:\\表\\ソ_header.NC"},
                    DerivedCase{"C:\\%s\\P%d.NC", "_header", 0, "C:\\%s\\P%d_header.NC"},
                    DerivedCase{"C:\\NC\\PART.NC", nullptr, 1, "C:\\NC\\PART_001.NC"},
                    DerivedCase{"C:\\NC\\PART.NC", nullptr, 12, "C:\\NC\\PART_012.NC"},
                    DerivedCase{"C:\\NC\\PART.NC", nullptr, 1000, "C:\\NC\\PART_1000.NC"},
                    DerivedCase{"PART", nullptr, 1, "PART_001"},
                    DerivedCase{"C:\\能\\表.NC", nullptr, 2, "C:\\能\\表_002.NC"}));

TEST(DerivedPath, ResultThatDoesNotFitFails) {
  char out[600];
  // 507 + "_001" = 511 bytes: fits exactly; one more byte does not.
  std::string path = "C:\\" + std::string(500, 'd') + "\\P.NC";
  ASSERT_EQ(path.size(), 508u);
  EXPECT_EQ(PiecePath(path.c_str(), 1, out, 513), kNamingOk);
  EXPECT_EQ(std::string(out).size(), 512u);
  EXPECT_EQ(PiecePath(path.c_str(), 1, out, 512), kNamingTooLong);
  EXPECT_STREQ(out, "");
  EXPECT_EQ(SuffixPath(path.c_str(), "_ascii.txt", out, 512), kNamingTooLong);
  EXPECT_STREQ(out, "");
  EXPECT_EQ(SuffixPath(path.c_str(), "_h", out, 512), kNamingOk);
  EXPECT_EQ(std::string(out).size(), 510u);
  EXPECT_EQ(SuffixPath(path.c_str(), "_hd", out, 512), kNamingOk);
  EXPECT_EQ(SuffixPath(path.c_str(), "_hdr", out, 512), kNamingTooLong);
}

TEST(BareFileName, DropsDriveAndDirectory) {
  const struct {
    const char* path;
    const char* expected;
  } cases[] = {{"C:\\NC\\WORK\\PART_001.NC", "PART_001.NC"},
               {"PART", "PART"},
               {"C:\\表\\ソ.NC", "ソ.NC"},
               {"/a/b.c/d", "d"},
               {"C:\\NC\\", ""}};
  for (const auto& c : cases) {
    char field[512];
    std::snprintf(field, sizeof field, "%s", c.path);
    EXPECT_EQ(BareFileName(field, sizeof field), kNamingOk);
    EXPECT_STREQ(field, c.expected) << c.path;
  }
}

}  // namespace
