// The shared text helpers: bounded copies that never end in half a character, comparison without
// regard to ASCII letter case, and "\r\n" line ends. Bytes are spelled out: 0x83 0x41 is the
// double-byte character "ア", whose second byte has the value of "A"; 0xB1 is a single-byte
// (half-width) character although it is above 0x80.
#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <string_view>

#include "platform/platform.h"
#include "support/temp_dir.h"
#include "text/crlf_text.h"
#include "text/text_compare.h"
#include "text/text_cut.h"

namespace {

struct CutCase {
  std::string source;
  size_t size;  // of the field
  std::string kept;
};

class CutTest : public testing::TestWithParam<CutCase> {};

// Every bounded write keeps the same bytes: copied, formatted, or cut in place.
TEST_P(CutTest, KeepsWholeCharactersOnly) {
  const CutCase& c = GetParam();
  char out[16];
  std::memset(out, '#', sizeof out);
  EXPECT_EQ(CopyText(c.source, out, c.size), c.kept.size());
  EXPECT_EQ(std::string(out), c.kept);
  EXPECT_EQ(out[c.size], '#') << "wrote past the field";

  std::memset(out, '#', sizeof out);
  EXPECT_EQ(FormatText(out, c.size, "%s", c.source.c_str()), c.kept.size());
  EXPECT_EQ(std::string(out), c.kept);
  EXPECT_EQ(out[c.size], '#') << "wrote past the field";

  char text[16] = {};
  c.source.copy(text, c.source.size());
  EXPECT_EQ(CutAtCharacter(text, c.source.size(), c.size), c.kept.size());
  EXPECT_EQ(std::string(text), c.kept);
}

INSTANTIATE_TEST_SUITE_P(
    Fields, CutTest,
    testing::Values(CutCase{"abc", 4, "abc"},                        // fits exactly
                    CutCase{"abcd", 4, "abc"},                       // single bytes are cut anywhere
                    CutCase{"ab\x83\x41", 4, "ab"},                  // never the first half alone
                    CutCase{"a\x83\x41", 4, "a\x83\x41"},            // a whole character at the end
                    CutCase{"\x81\x81\x81\x81\x81", 4, "\x81\x81"},  // a lead-like second byte is no lead
                    CutCase{"\xB1\xB1\xB1\xB1", 4, "\xB1\xB1\xB1"},  // half-width characters are one byte
                    CutCase{"\x83\x41", 2, ""}, CutCase{"abc", 1, ""}));

TEST(CopyText, EmptyFieldIsLeftUntouched) {
  char out[2] = {'#', '#'};
  EXPECT_EQ(CopyText("abc", out, 0), 0u);
  EXPECT_EQ(out[0], '#');
  EXPECT_EQ(StoredLength(-1, out, 0), 0u);
  EXPECT_EQ(out[0], '#');
  // A format error leaves an empty field.
  EXPECT_EQ(StoredLength(-1, out, sizeof out), 0u);
  EXPECT_EQ(out[0], '\0');
}

struct CaseFoldCase {
  std::string_view a;
  std::string_view b;
  bool same;
};

class CaseFoldTest : public testing::TestWithParam<CaseFoldCase> {};

TEST_P(CaseFoldTest, FoldsAsciiLettersOnly) {
  const CaseFoldCase& c = GetParam();
  EXPECT_EQ(EqualsIgnoringCase(c.a, c.b), c.same) << c.a << " / " << c.b;
  EXPECT_EQ(EqualsIgnoringCase(c.b, c.a), c.same) << c.b << " / " << c.a;
}

INSTANTIATE_TEST_SUITE_P(
    Pairs, CaseFoldTest,
    testing::Values(CaseFoldCase{"-ctrl", "-CTRL", true}, CaseFoldCase{"Batch", "bATCH", true},
                    CaseFoldCase{"", "", true}, CaseFoldCase{"help", "helpx", false},
                    // Bytes 32 apart that are no letters stay apart.
                    CaseFoldCase{"@", "`", false}, CaseFoldCase{"[", "{", false}, CaseFoldCase{"^", "~", false},
                    // The second byte of a double-byte character is compared exactly...
                    CaseFoldCase{"\x83\x41", "\x83\x61", false},
                    // ...and the letter after it folds again.
                    CaseFoldCase{"\x83\x41x", "\x83\x41X", true},
                    // A half-width character is one byte: the letter after it folds.
                    CaseFoldCase{"\xB1q", "\xB1Q", true},
                    // A path whose "\" is the second byte of a character ("表" is 0x95 0x5C).
                    CaseFoldCase{"C:\\\x95\x5Cpart.nc", "c:\\\x95\x5CPART.NC", true},
                    // A lead byte at the very end stands alone.
                    CaseFoldCase{"a\x83", "A\x83", true}, CaseFoldCase{"a\x83", "a\x84", false}));

struct CrlfCase {
  std::string_view text;
  std::string written;
};

class CrlfTextTest : public testing::TestWithParam<CrlfCase> {};

TEST_P(CrlfTextTest, EveryLineFeedBecomesCrLf) {
  TempDir dir;
  {
    platform::FileHandle file(dir.Path("out.txt").c_str(), "wb");
    ASSERT_TRUE(file);
    EXPECT_EQ(WriteCrlfText(file.get(), GetParam().text), 0);
  }
  EXPECT_EQ(dir.Read("out.txt"), GetParam().written);
}

INSTANTIATE_TEST_SUITE_P(Texts, CrlfTextTest,
                         testing::Values(CrlfCase{"", ""}, CrlfCase{"G00X1.\n", "G00X1.\r\n"},
                                         CrlfCase{"a\nb", "a\r\nb"}, CrlfCase{"\n\n", "\r\n\r\n"},
                                         // A lone "\r" and a NUL pass through as they are.
                                         CrlfCase{"a\r\n", "a\r\r\n"},
                                         CrlfCase{std::string_view("x\0y\n", 4), std::string("x\0y\r\n", 5)}));

TEST(WriteCrlfLine, EndsEveryLineAndReportsAFailedWrite) {
  TempDir dir;
  {
    platform::FileHandle file(dir.Path("out.txt").c_str(), "wb");
    EXPECT_EQ(WriteCrlfLine(file.get(), "[FILES]"), 0);
    EXPECT_EQ(WriteCrlfLine(file.get(), ""), 0);
  }
  EXPECT_EQ(dir.Read("out.txt"), "[FILES]\r\n\r\n");

  // A stream open for reading takes no bytes: both writers say so.
  platform::FileHandle readOnly(dir.Path("out.txt").c_str(), "rb");
  EXPECT_EQ(WriteCrlfLine(readOnly.get(), "x"), -1);
  EXPECT_EQ(WriteCrlfLine(readOnly.get(), ""), -1);
  EXPECT_EQ(WriteCrlfText(readOnly.get(), "x\ny"), -1);
  EXPECT_EQ(WriteCrlfText(readOnly.get(), "y"), -1);
}

}  // namespace
