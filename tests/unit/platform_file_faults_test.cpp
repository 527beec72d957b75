// The file-operation seam: the real status service and close, the injected faults of the test
// double, and that an injected fault reaches the callers as their own failure result.
#include <gtest/gtest.h>

#include <functional>
#include <string>

#include "config/settings.h"
#include "header_footer/footer_cut.h"
#include "header_footer/header_cut.h"
#include "log/run_log.h"
#include "nc/line_reader.h"
#include "platform/platform.h"
#include "split/measure_pass.h"
#include "split/piece_writer.h"
#include "text/crlf_text.h"
#include "support/fake_platform.h"
#include "support/file_faults.h"
#include "support/temp_dir.h"

namespace {

constexpr int64_t kSecond = 1000000000;
constexpr char kProgram[] = "%\nO1000\nG90 G00 X0 Y0 Z50.\nG01 Z-1. F300\nX10.\nY10.\nG00 Z50.\nM30\n%\n";

TEST(FileStatus, SizeTimeAndKindOfRealPaths) {
  TempDir dir;
  dir.Write("P.NC", "G01X1.\r\n");
  const std::string path = dir.Path("P.NC");
  platform::FileStatus status{};
  ASSERT_EQ(platform::GetFileStatus(path.c_str(), &status), 0);
  EXPECT_EQ(status.size, 8u);
  EXPECT_FALSE(status.directory);
  EXPECT_GT(status.modified, 1600000000 * kSecond);  // after September 2020

  dir.Write("P.NC", std::string(70000, 'X'));
  ASSERT_EQ(platform::GetFileStatus(path.c_str(), &status), 0);
  EXPECT_EQ(status.size, 70000u);

  ASSERT_EQ(platform::GetFileStatus(dir.path().c_str(), &status), 0);
  EXPECT_TRUE(status.directory);

  platform::FileStatus untouched{7, 7, false};
  EXPECT_EQ(platform::GetFileStatus(dir.Path("NONE.NC").c_str(), &untouched), -1);
  EXPECT_EQ(untouched.size, 7u);
}

#ifndef _WIN32
// A real full disk: the bytes wait in the stream's buffer, so only the close can tell.
TEST(FileHandle, CloseReportsTheDiskRefusingTheBytes) {
  platform::FileHandle full("/dev/full", "wb");
  ASSERT_TRUE(full);
  EXPECT_EQ(WriteCrlfText(full.get(), "G01X1.\n"), 0);
  EXPECT_FALSE(full.Close());

  // A write that fails at once (larger than the buffer) leaves the stream's error flag behind;
  // the close then fails even though nothing is left to flush.
  ASSERT_TRUE(full.Open("/dev/full", "wb"));
  EXPECT_EQ(WriteCrlfText(full.get(), std::string(1 << 20, 'X')), -1);
  std::fflush(full.get());
  EXPECT_FALSE(full.Close());
}
#endif

TEST(FileFaults, DiskFullBreaksTheFileOffAfterItsLimit) {
  TempDir dir;
  const std::string path = dir.Path("PART.001");
  const std::string other = dir.Path("PART.002");
  FileFaults faults;
  faults.DiskFullAfter(path, 10);

  platform::FileHandle piece(path.c_str(), "wb");
  ASSERT_TRUE(piece);
  EXPECT_EQ(WriteCrlfText(piece.get(), "G01X1.\n"), 0);           // 8 bytes
  EXPECT_EQ(WriteCrlfText(piece.get(), "G01X2.\nG01X3.\n"), -1);  // the disk fills in the middle
  EXPECT_EQ(WriteCrlfText(piece.get(), "\n"), -1);                // and stays full
  EXPECT_FALSE(piece.Close());
  EXPECT_EQ(dir.Read("PART.001"), "G01X1.\r\nG0");
  EXPECT_EQ(faults.injectedFailures(), 2);

  platform::FileHandle next(other.c_str(), "wb");  // another file is not affected
  EXPECT_EQ(WriteCrlfText(next.get(), "G01X2.\nG01X3.\n"), 0);
  EXPECT_TRUE(next.Close());
}

TEST(FileFaults, DiskFullOnTheNthFileOpenedForWriting) {
  TempDir dir;
  dir.Write("IN.NC", "G00X0.\n");
  FileFaults faults;
  faults.DiskFullAfterNthWriteOpen(2, 0);
  platform::FileHandle in(dir.Path("IN.NC").c_str(), "rb");  // reading does not count
  bool closed[3];
  for (int n = 1; n <= 3; ++n) {
    platform::FileHandle out(dir.Path("OUT." + std::to_string(n)).c_str(), "wb");
    WriteCrlfText(out.get(), "M30\n");
    closed[n - 1] = out.Close();
  }
  EXPECT_TRUE(closed[0]);
  EXPECT_FALSE(closed[1]);
  EXPECT_TRUE(closed[2]);
  EXPECT_EQ(dir.Read("OUT.2"), "");
  EXPECT_EQ(dir.Read("OUT.3"), "M30\r\n");
}

TEST(FileFaults, UncreatableFileAndReadOnlyFolder) {
  TempDir dir;
  dir.Write("KEEP.NC", "M30\n");
  FileFaults faults;
  faults.FailCreate(dir.Path("A.NC"));
  EXPECT_EQ(platform::OpenFile(dir.Path("A.NC").c_str(), "wb"), nullptr);
  EXPECT_FALSE(platform::FileExists(dir.Path("A.NC").c_str()));

  faults.ReadOnlyFolder(dir.path());
  for (const char* mode : {"wb", "ab"}) {
    EXPECT_EQ(platform::OpenFile(dir.Path("B.NC").c_str(), mode), nullptr) << mode;
    EXPECT_EQ(platform::OpenFile(dir.Path("KEEP.NC").c_str(), mode), nullptr) << mode;
  }
  EXPECT_FALSE(platform::RemoveFile(dir.Path("KEEP.NC").c_str()));
  platform::FileHandle in(dir.Path("KEEP.NC").c_str(), "rb");
  EXPECT_TRUE(in);
  EXPECT_EQ(dir.Read("KEEP.NC"), "M30\n");
  EXPECT_FALSE(dir.Exists("B.NC"));
  EXPECT_EQ(faults.WrittenPaths(),
            (std::vector<std::string>{dir.Path("A.NC"), dir.Path("B.NC"), dir.Path("KEEP.NC")}));
}

TEST(FileFaults, AReadErrorIsNotTheEndOfTheFile) {
  TempDir dir;
  dir.Write("P.NC", "G00X0.\nG01X1.\nG01X2.\n");
  FileFaults faults;
  faults.ReadErrorAfter(dir.Path("P.NC"), 9);
  platform::FileHandle in(dir.Path("P.NC").c_str(), "rb");
  LineReader reader(in.get());
  char line[kLineBufferSize];
  EXPECT_EQ(reader.Next(line), kLineRead);
  EXPECT_STREQ(line, "G00X0.\n");
  EXPECT_EQ(reader.Next(line), kLineReadError);
  EXPECT_EQ(reader.Next(line), kLineReadError);
  EXPECT_FALSE(in.Close());
}

TEST(FileFaults, AFileVanishesOrChangesBetweenTwoLooks) {
  TempDir dir;
  dir.Write("P.NC", kProgram);
  const std::string path = dir.Path("P.NC");
  FileFaults faults;
  faults.VanishBeforeOpen(path, 2);
  faults.ChangeStatusFrom(path, 2, 1, kSecond);

  platform::FileStatus first{}, second{}, third{};
  ASSERT_EQ(platform::GetFileStatus(path.c_str(), &first), 0);
  ASSERT_EQ(platform::GetFileStatus(path.c_str(), &second), 0);
  EXPECT_EQ(second.size, first.size + 1);
  EXPECT_EQ(second.modified, first.modified + kSecond);
  ASSERT_EQ(platform::GetFileStatus(path.c_str(), &third), 0);
  EXPECT_EQ(third.size, second.size);
  EXPECT_EQ(dir.Read("P.NC"), kProgram);  // only the looks change

  platform::FileHandle in(path.c_str(), "rb");
  EXPECT_TRUE(in);
  in.Close();
  EXPECT_FALSE(in.Open(path.c_str(), "rb"));
  EXPECT_FALSE(platform::FileExists(path.c_str()));

  int ran = 0;
  dir.Write("Q.NC", "M30\n");
  faults.BeforeOpen(dir.Path("Q.NC"), 1, [&] {
    ++ran;
    dir.Write("Q.NC", "M02\n");
  });
  in.Open(dir.Path("Q.NC").c_str(), "rb");
  in.Open(dir.Path("Q.NC").c_str(), "rb");
  EXPECT_EQ(ran, 1);
  char text[8] = {};
  EXPECT_EQ(platform::ReadBytes(in.get(), text, sizeof text), 4);
  EXPECT_STREQ(text, "M02\n");
}

// Each caller that writes or reads a file turns an injected fault into its own failure result,
// and those that promise it leave no partial file behind.
TEST(FileFaults, SurfaceAsTheCallersFailure) {
  struct Case {
    const char* name;
    std::function<void(FileFaults&, const TempDir&)> inject;
    std::function<bool(const TempDir&)> failedAsPromised;
  };
  const double start[3] = {0, 0, 50};
  auto measure = [&](const TempDir& dir) {
    SplitMeter d{}, t{};
    Extents lo{}, hi{};
    MeasureReport report{};
    return MeasureProgram({dir.Path("P.NC").c_str(), dir.Path("P_ascii.txt").c_str(), start},
                          {&d, &t, &lo, &hi, &report});
  };
  auto openPiece = [&](const TempDir& dir) {
    const std::string header = dir.Path("P_header.NC");
    const std::string footer = dir.Path("P_header.NC");
    const PieceSettings settings{"P.NC", header.c_str(), footer.c_str(), "G90G0X0.Y0.Z50.", {0, 0, 50},
                                 SeamSettings{10, 1, 0.5, 1}, FormatSettings{3, 1}, kMillimetres,
                                 UnstatedMachine()};
    PieceWriter writer(settings);
    int result = writer.Open(1, dir.Path("P.001").c_str(), Position{});
    if (result != kPieceWritten) return result;
    return writer.Close(0, 0) == kPieceNotWritten ? 99 : 0;
  };
  const Case cases[] = {
      {"intermediate file fills up", [](FileFaults& f, const TempDir& d) { f.DiskFullAfter(d.Path("P_ascii.txt"), 100); },
       [&](const TempDir& d) { return measure(d) == kMeasureWriteError; }},
      {"intermediate file cannot be created", [](FileFaults& f, const TempDir& d) { f.FailCreate(d.Path("P_ascii.txt")); },
       [&](const TempDir& d) { return measure(d) == kMeasureIntermediateUnwritable; }},
      {"program read error", [](FileFaults& f, const TempDir& d) { f.ReadErrorAfter(d.Path("P.NC"), 20); },
       [&](const TempDir& d) { return measure(d) == kMeasureReadError; }},
      {"header fills up", [](FileFaults& f, const TempDir& d) { f.DiskFullAfter(d.Path("H.NC"), 5); },
       [](const TempDir& d) { return CutHeader(d.Path("P.NC").c_str(), d.Path("H.NC").c_str()) == kHeaderCutFailed; }},
      {"footer fills up", [](FileFaults& f, const TempDir& d) { f.DiskFullAfter(d.Path("F.NC"), 5); },
       [](const TempDir& d) { return CutFooter(d.Path("P.NC").c_str(), d.Path("F.NC").c_str(), 0) == kFooterCutFailed; }},
      {"piece fills up (the close tells)", [](FileFaults& f, const TempDir& d) { f.DiskFullAfter(d.Path("P.001"), 5); },
       [&](const TempDir& d) { return openPiece(d) == 99; }},
      {"header breaks off while copied", [](FileFaults& f, const TempDir& d) { f.ReadErrorAfter(d.Path("P_header.NC"), 3); },
       [&](const TempDir& d) { return openPiece(d) == kHeaderUnreadable; }},
      {"saved log fills up", [](FileFaults& f, const TempDir& d) { f.DiskFullAfter(d.Path("Quendrix.log"), 3); },
       [](const TempDir& d) {
         EmitLogLine(nullptr, kLogPlain);
         EmitLogLine(nullptr, kLogPlain);
         return SaveLog(nullptr, d.Path("Quendrix.log").c_str()) == -1 && !d.Exists("Quendrix.log");
       }},
      {"default settings fill up", [](FileFaults& f, const TempDir& d) { f.DiskFullAfter(d.Path("Quendrix.ini"), 300); },
       [](const TempDir& d) { return WriteDefaultSettings() == -1 && !d.Exists("Quendrix.ini"); }},
  };
  for (const Case& c : cases) {
    TempDir dir;
    FakePlatform fake;
    fake.executablePath = dir.Path("quendrix.exe");
    dir.Write("P.NC", kProgram);
    dir.Write("P_header.NC", "%\r\nO1000\r\nG90 G00 X0 Y0 Z50.\r\n");
    dir.Write("Quendrix.ini", "");  // the start-up writes no default file then
    StartSettings();
    platform::RemoveFile(dir.Path("Quendrix.ini").c_str());
    FileFaults faults;
    c.inject(faults, dir);
    EXPECT_TRUE(c.failedAsPromised(dir)) << c.name;
    EXPECT_GT(faults.injectedFailures(), 0) << c.name;  // failed by the fault, not by chance
  }
}

}  // namespace
