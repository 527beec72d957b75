// The profile reader that reads the settings file and the batch parameter file.
#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "config/profile.h"
#include "support/temp_dir.h"

namespace {

std::string Utf8(const char8_t* text) { return reinterpret_cast<const char*>(text); }

template <size_t N>
std::string Bytes(const char (&text)[N]) {
  return std::string(text, N - 1);
}

constexpr char kBinary[] = "\x01\x02\0\0\xFF\r\n[S]\0junk\r\nK=1\0junk\r\n[\0\r\nK=2\r\n";

struct TextCase {
  const char* what;
  std::string file;
  const char* section;
  const char* key;
  size_t field;
  std::string expected;  // "" = no value
};

class ProfileTextTest : public testing::TestWithParam<TextCase> {};

TEST_P(ProfileTextTest, ReadsValue) {
  const TextCase& c = GetParam();
  TempDir dir;
  dir.Write("p.ini", c.file);
  char out[4096];
  std::memset(out, 'Z', sizeof out);
  int length = ReadProfileText(dir.Path("p.ini").c_str(), c.section, c.key, out, c.field);
  EXPECT_EQ(std::string(out), c.expected);
  EXPECT_EQ(length, static_cast<int>(c.expected.size()));
}

const std::string kLongLine(5000, 'x');

INSTANTIATE_TEST_SUITE_P(
    Rules, ProfileTextTest,
    testing::Values(
        TextCase{"crlf", "[FILES]\r\nLOGFILE=txt\r\n", "FILES", "LOGFILE", 16, "txt"},
        TextCase{"no final line end", "[FILES]\nLOGFILE=txt", "FILES", "LOGFILE", 16, "txt"},
        TextCase{"names ignore case", "[files]\r\nLogFile=txt\r\n", "FILES", "LOGFILE", 16, "txt"},
        TextCase{"blanks around", "  [ FILES ]\t\r\n \tLOGFILE \t=  \t a b \t \r\n", "FILES", "LOGFILE", 16, "a b"},
        TextCase{"quotes removed once", "[S]\r\nK=\"  a \"\"\r\n", "S", "K", 16, "  a \""},
        TextCase{"open quote kept", "[S]\r\nK=\"abc\r\n", "S", "K", 16, "\"abc"},
        TextCase{"empty quotes = no value", "[S]\r\nK=\"\"\r\n", "S", "K", 16, ""},
        TextCase{"empty value", "[S]\r\nK=   \r\n", "S", "K", 16, ""},
        TextCase{"key without equals", "[S]\r\nK\r\nK=1\r\n", "S", "K", 16, ""},
        TextCase{"missing key", "[S]\r\nJ=1\r\n", "S", "K", 16, ""},
        TextCase{"key of another section", "[T]\r\nK=1\r\n[S]\r\nJ=1\r\n", "S", "K", 16, ""},
        TextCase{"comment line", "[S]\r\n;K=1\r\n", "S", "K", 16, ""},
        TextCase{"first key counts", "[S]\r\nK=1\r\nK=2\r\n", "S", "K", 16, "1"},
        TextCase{"first section counts", "[S]\r\nJ=1\r\n[S]\r\nK=2\r\n", "S", "K", 16, ""},
        TextCase{"no sections", "K=1\r\n", "S", "K", 16, ""},
        TextCase{"empty file", "", "S", "K", 16, ""},
        TextCase{"equals in value", "[S]\r\nK=a=b\r\n", "S", "K", 16, "a=b"},
        TextCase{"cut to field - 1", "[S]\r\nK=abcdef\r\n", "S", "K", 4, "abc"},
        // "aアイ" is a, 83 41, 83 43: four bytes leave room for "aア" and half of "イ".
        TextCase{"cut before a half character", "[S]\r\nK=aアイ\r\n", "S", "K", 5, "aア"},
        TextCase{"cut after a whole character", "[S]\r\nK=aアイ\r\n", "S", "K", 4, "aア"},
        TextCase{"long value cut", "[S]\r\nK=" + kLongLine + "\r\n", "S", "K", 520, std::string(519, 'x')},
        // The rest of an over-long line is not a line of its own, even when it looks like one.
        TextCase{"tail of a long line", "[S]\r\nX=" + std::string(2045, 'x') + "K=2\r\nK=1\r\n", "S", "K", 16, "1"},
        // 83 41 (ア) and 83 61 (ヂ) differ only in a second byte that looks like A / a.
        TextCase{"second byte compared exactly", "[ア]\r\nK=1\r\n", "ヂ", "K", 16, ""},
        TextCase{"double-byte section name", "[ア]\r\nK=1\r\n", "ア", "K", 16, "1"},
        // ゾ is 83 5D: its second byte is no closing bracket.
        TextCase{"bracket as second byte", "[Sゾ\r\nK=1\r\n", "S\x83", "K", 16, ""},
        TextCase{"binary bytes", Bytes(kBinary), "S", "K", 16, "1"},
        TextCase{"utf-8 with mark", Utf8(u8"\uFEFF[MESSAGE]\r\nTIME083=仕事開始\r\n"), "MESSAGE", "TIME083", 128,
                 "仕事開始"},
        TextCase{"utf-8 key name", Utf8(u8"\uFEFF[S]\r\nキー=ア\r\n"), "S", "キー", 16, "ア"},
        TextCase{"utf-8 value not in cp932", Utf8(u8"\uFEFF[S]\r\nK=\U0001F600\r\n"), "S", "K", 16, ""},
        TextCase{"utf-8 mark only on the first line", Utf8(u8"[S]\r\nK=\uFEFF\r\n"), "S", "K", 16,
                 "\xEF\xBB\xBF"}),
    [](const testing::TestParamInfo<TextCase>& info) { return "case" + std::to_string(info.index); });

TEST(ProfileText, MissingFileGivesNoValue) {
  char out[16] = "junk";
  EXPECT_EQ(ReadProfileText("/no/such/dir/p.ini", "S", "K", out, sizeof out), 0);
  EXPECT_STREQ(out, "");
}

struct IntCase {
  std::string value;  // the line after "K", or "" for no line at all
  int expected;
};

class ProfileIntTest : public testing::TestWithParam<IntCase> {};

TEST_P(ProfileIntTest, ReadsLeadingNumber) {
  TempDir dir;
  dir.Write("p.ini", "[S]\r\n" + GetParam().value + "\r\n");
  EXPECT_EQ(ReadProfileInt(dir.Path("p.ini").c_str(), "S", "K", 77), GetParam().expected) << GetParam().value;
}

INSTANTIATE_TEST_SUITE_P(Rules, ProfileIntTest,
                         testing::Values(IntCase{"K=-1", -1}, IntCase{"K=3", 3}, IntCase{"K= 42xyz ", 42},
                                         IntCase{"K=+7", 7}, IntCase{"K=abc", 0}, IntCase{"K=- 5", 0},
                                         IntCase{"K=\"12\"", 12}, IntCase{"K=", 77}, IntCase{"", 77},
                                         IntCase{"J=5", 77}, IntCase{"K=2147483647", 2147483647},
                                         IntCase{"K=4294967297", 1}));

}  // namespace
