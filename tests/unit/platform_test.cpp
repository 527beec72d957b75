// The platform layer's own edges: text conversion, file access with CP932 names, and the waits.
#include <gtest/gtest.h>

#include <cstdlib>
#include <string>

#ifdef _WIN32
#include <windows.h>
#endif

#include "platform/platform.h"
#include "platform/text_encoding.h"
#include "support/temp_dir.h"

namespace {

TEST(TextEncoding, RoundTripsJapaneseThroughUtf8) {
  // "表示" holds 0x5C as a second byte: it must survive both ways.
  const std::string cp932 = "\x95\x5C\x8E\xA6 ABC \x83\x5C";
  std::string utf8, back;
  ASSERT_TRUE(platform::Cp932ToUtf8(cp932, &utf8));
  EXPECT_EQ(utf8, std::string(reinterpret_cast<const char*>(u8"表示 ABC ソ")));
  ASSERT_TRUE(platform::Utf8ToCp932(utf8, &back));
  EXPECT_EQ(back, cp932);
}

TEST(TextEncoding, RefusesWhatCp932CannotHold) {
  std::string out;
  EXPECT_FALSE(platform::Utf8ToCp932(reinterpret_cast<const char*>(u8"caf\u00e9 \U0001F600"), &out));
  EXPECT_FALSE(platform::Utf8ToCp932("\xff\xfe", &out));  // not UTF-8 at all
  EXPECT_FALSE(platform::Cp932ToUtf8("\x81", &out));      // a lead byte without its second byte
}

// What the system hands over is cut to the caller's field at a character boundary, never after
// the first byte of a double-byte character.
TEST(Services, TextFromTheSystemIsCutAtACharacter) {
#ifdef _WIN32
  ASSERT_TRUE(SetEnvironmentVariableW(L"QX_CUT_TEST", L"\u52A0\u5DE5"));  // "加工"
#else
  ASSERT_EQ(setenv("QX_CUT_TEST", reinterpret_cast<const char*>(u8"加工"), 1), 0);
#endif
  char out[4];
  ASSERT_TRUE(platform::Real().getEnvironment("QX_CUT_TEST", out, sizeof out));
  EXPECT_EQ(std::string(out), "\x89\xC1");  // "加", not "加" and half of "工"
  char whole[5];
  ASSERT_TRUE(platform::Real().getEnvironment("QX_CUT_TEST", whole, sizeof whole));
  EXPECT_EQ(std::string(whole), "\x89\xC1\x8D\x48");
}

TEST(Files, OpenExistsRemoveWithJapaneseNames) {
  TempDir dir;
  std::string name = dir.path() + "\x89\xC1\x8D\x48.NC";  // "加工.NC"
  {
    platform::FileHandle out(name.c_str(), "wb");
    ASSERT_TRUE(out);
    std::fputs("G01X1.\r\n", out.get());
  }
  EXPECT_TRUE(platform::FileExists(name.c_str()));
  EXPECT_FALSE(platform::IsDirectory(name.c_str()));
  {
    platform::FileHandle in(name.c_str(), "rb");
    ASSERT_TRUE(in);
    char buffer[16] = {};
    EXPECT_EQ(std::fread(buffer, 1, sizeof buffer, in.get()), 8u);
  }
  EXPECT_TRUE(platform::RemoveFile(name.c_str()));
  EXPECT_FALSE(platform::FileExists(name.c_str()));
  EXPECT_FALSE(platform::RemoveFile(name.c_str()));
}

// The fixed one-second waits of a split are kept by the Windows program only.
TEST(Services, OnlyWindowsMakesTheFixedWaits) {
#ifdef _WIN32
  EXPECT_TRUE(platform::Real().fixedWaits);
#else
  EXPECT_FALSE(platform::Real().fixedWaits);
#endif
}

TEST(Files, ADirectoryExistsButDoesNotOpenForReading) {
  TempDir dir;
  EXPECT_TRUE(platform::FileExists(dir.path().c_str()));
  EXPECT_TRUE(platform::IsDirectory(dir.path().c_str()));
  EXPECT_EQ(platform::OpenFile(dir.path().c_str(), "rb"), nullptr);
}

}  // namespace
