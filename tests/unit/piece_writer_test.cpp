// The piece writer: the head (header, comment, approach), the body in the compact form, and the
// tail (last block, lift, retract, return, totals, footer).
#include <gtest/gtest.h>

#include <initializer_list>
#include <string>

#include "config/settings.h"
#include "log/run_log.h"
#include "platform/platform.h"
#include "split/piece_writer.h"
#include "support/fake_platform.h"
#include "support/temp_dir.h"

namespace {

// The header file's lines and the positioning line the writer puts after them.
constexpr char kHeaderFile[] = "%\r\nO1000\r\n";
constexpr char kPositioning[] = "G90G0X0.Y0.Z50.";
constexpr char kHeader[] = "%\r\nO1000\r\nG90G0X0.Y0.Z50.\r\n";
constexpr char kFooter[] = "G91G28Z0.\r\nM30\r\n%\r\n";
constexpr char kComment[] = "(C:\\NC\\PART.NC)\r\n";

MoveRecord Rec(int motion, double x, double y, double z, double feed = 400, double i = 0,
               double j = 0, int flags = 0, double r = 0) {
  MoveRecord record{};
  record.flags = flags;
  record.at[kR] = r;
  record.motion = motion;
  record.plane = 17;
  record.at[kX] = x;
  record.at[kY] = y;
  record.at[kZ] = z;
  record.at[kI] = i;
  record.at[kJ] = j;
  record.feed = feed;
  return record;
}

Position At(double x, double y, double z) { return Position{x, y, z, 0, 0, 0, 0, 0}; }

class PieceWriterTest : public testing::Test {
 protected:
  PieceWriterTest() {
    dir.Write("PART_header.NC", kHeaderFile);
    dir.Write("PART_footer.NC", kFooter);
    header = dir.Path("PART_header.NC");
    footer = dir.Path("PART_footer.NC");
    settings = PieceSettings{"C:\\NC\\PART.NC", header.c_str(), footer.c_str(), kPositioning,
                             {0, 0, 50}, SeamSettings{10, 1, 0.5, 1.0}, FormatSettings{3, 1}};
  }

  // Writes piece `number`, resuming at `entry` with `first`, then the `body` moves, then the tail
  // ended by `last` (nullptr: the end of the program). Returns the piece's bytes.
  std::string Piece(int number, const Position& entry, const MoveRecord& first,
                    std::initializer_list<MoveRecord> body, const MoveRecord* last = nullptr) {
    PieceWriter writer(settings);
    std::string path = dir.Path("out.NC");
    opened = writer.Open(number, path.c_str(), entry, first);
    if (opened != kPieceWritten) return ReadFileBytes(path);
    for (const MoveRecord& record : body) writer.WriteMove(record);
    closed = writer.Close(last, 1.23456, 12345.6789);
    return ReadFileBytes(path);
  }
  // What a first piece holds between its header and its footer, without comments and lift.
  std::string Body(std::initializer_list<MoveRecord> body, int decimal = 3) {
    settings.format = FormatSettings{decimal, 0};
    settings.seam.lift = 0;
    std::string text = Piece(1, At(0, 0, 50), Rec(0, 0, 0, 50, 0), body);
    std::string head = kHeader;
    return text.substr(head.size(), text.size() - head.size() - std::string(kFooter).size());
  }

  TempDir dir;
  std::string header;
  std::string footer;
  PieceSettings settings{};
  int opened = 99;
  int closed = 99;
};

TEST_F(PieceWriterTest, FirstPieceIsHeaderCommentBodyAndTail) {
  MoveRecord last = Rec(1, 45, 30, -2);
  std::string text = Piece(1, At(0, 0, 50), Rec(0, 0, 0, 50, 0),
                           {Rec(0, 20, 30, 50), Rec(0, 20, 30, 5), Rec(1, 20, 30, -2)}, &last);
  EXPECT_EQ(text, std::string(kHeader) + kComment +
                      "X20.Y30.\r\nZ5.\r\nG01Z-2.F400\r\n"  // body
                      "X45.\r\n"                             // the record that ends the piece
                      "Z-1.\r\n"                             // lift at feed after a G01
                      "G00Z50.\r\n"                          // retract
                      "X0.Y0.\r\n"                           // return
                      "(TIME = 1.235min)\r\n(DIST = 12345.679mm)\r\n" +
                      kFooter);
  EXPECT_EQ(opened, kPieceWritten);
  EXPECT_EQ(closed, kPieceWritten);
}

TEST_F(PieceWriterTest, ApproachResumesAtTheEntryPointAndCutsTheRecordAgain) {
  // Entry (20, 30, -2), feed 400, start (0, 0, 50), default seam settings.
  std::string text = Piece(2, At(20, 30, -2), Rec(1, 45, 30, -2), {});
  EXPECT_EQ(text.substr(0, text.find("Z-1.")), std::string(kHeader) + kComment +
                                                     "X20.Y30.\r\n"
                                                     "Z8.\r\n"
                                                     "G01Z-2.F200\r\n"
                                                     "X45.F400\r\n");
  // An arc is cut again along its own path.
  text = Piece(3, At(20, 30, -2), Rec(3, 30, 40, -2, 400, 0, 10), {});
  EXPECT_NE(text.find("G01Z-2.F200\r\nG03X30.Y40.J10.F400\r\n"), std::string::npos);
}

TEST_F(PieceWriterTest, BodyWritesOnlyWhatChanges) {
  struct Case {
    std::initializer_list<MoveRecord> moves;
    int decimal;
    const char* expected;
  } cases[] = {
      {{Rec(1, 12.5, 0, 50)}, 3, "G01X12.5F400\r\nG00X0.\r\n"},
      {{Rec(1, 12.5, 0, 50)}, 0, "G01X12500F400\r\nG00X0\r\n"},
      // F only when it changes, and never on a rapid.
      {{Rec(1, 1, 0, 50), Rec(1, 2, 0, 50), Rec(0, 2, 0, 60, 300), Rec(1, 3, 0, 60, 300)},
       3,
       "G01X1.F400\r\nX2.\r\nG00Z60.\r\nG01X3.F300\r\nG00Z50.\r\nX0.\r\n"},
      // A feed is written with the decimals it has.
      {{Rec(1, 1, 2, 3, 200.5)}, 3, "G01X1.Y2.Z3.F200.5\r\nG00Z50.\r\nX0.Y0.\r\n"},
      {{Rec(1, 1, 2, 3, 437.125)}, 0, "G01X1000Y2000Z3000F437.125\r\nG00Z50000\r\nX0Y0\r\n"},
      // A full circle names its end point; an open arc whose end rounds onto its start is no
      // circle and is left out; an arc given by its radius keeps its R.
      {{Rec(2, 0, 0, 50, 400, 5, 0, kFullCircle)}, 3, "G02X0.Y0.I5.F400\r\n"},
      {{Rec(2, 0, 0, 50, 400, 5, 0)}, 3, ""},
      {{Rec(3, 10, 10, 50, 400, -10, 0, kRadiusForm, 10)}, 3, "G03X10.Y10.R10.F400\r\nG00X0.Y0.\r\n"},
      {{Rec(3, 10, 10, 50, 400, 10, 0, kRadiusForm, -10)}, 0, "G03X10000Y10000R-10000F400\r\nG00X0Y0\r\n"},
      // An arc: its G word, the axes, then its centre offsets; a straight move never carries them.
      {{Rec(2, 10, 10, 50, 400, 10, 0), Rec(1, 20, 10, 50, 400, 5, 5)},
       3,
       "G02X10.Y10.I10.F400\r\nG01X20.\r\nG00X0.Y0.\r\n"},
      {{Rec(3, 10, 10, 50, 400, 0, 10)}, 0, "G03X10000Y10000J10000F400\r\nG00X0Y0\r\n"},
      // No move at all writes nothing, not even a new G word or feed.
      {{Rec(1, 0, 0, 50, 800)}, 3, ""},
  };
  for (const Case& c : cases) EXPECT_EQ(Body(c.moves, c.decimal), c.expected) << c.expected;
}

TEST_F(PieceWriterTest, TailsAfterEachKindOfMove) {
  settings.format.comment = 0;
  // A half-speed lift carries its feed.
  settings.seam = SeamSettings{10, 2.5, 0.5, 0.5};
  MoveRecord last = Rec(1, 45, 30, -2);
  std::string text = Piece(1, At(0, 0, 50), Rec(0, 0, 0, 50, 0), {}, &last);
  EXPECT_EQ(text.substr(std::string(kHeader).size()),
            "G01X45.Y30.Z-2.F400\r\nZ0.5F200\r\nG00Z50.\r\nX0.Y0.\r\n" + std::string(kFooter));
  // After an arc: no lift.
  settings.seam = SeamSettings{10, 1, 0.5, 1.0};
  last = Rec(2, 10, 10, -2, 400, 0, 10);
  text = Piece(1, At(0, 0, 50), Rec(0, 0, 0, 50, 0), {Rec(0, 0, 0, -2)}, &last);
  EXPECT_EQ(text.substr(std::string(kHeader).size()),
            "Z-2.\r\nG02X10.Y10.J10.F400\r\nG00Z50.\r\nX0.Y0.\r\n" + std::string(kFooter));
  // An arc ending at the start height: no retract, and the return announces G00.
  last = Rec(2, 10, 10, 50, 400, 0, 10);
  text = Piece(1, At(0, 0, 50), Rec(0, 0, 0, 50, 0), {}, &last);
  EXPECT_EQ(text.substr(std::string(kHeader).size()),
            "G02X10.Y10.J10.F400\r\nG00X0.Y0.\r\n" + std::string(kFooter));
}

TEST_F(PieceWriterTest, FilesThatCannotBeRead) {
  settings.headerPath = "none.NC";
  EXPECT_EQ(Piece(1, At(0, 0, 50), Rec(0, 0, 0, 50, 0), {}), "");
  EXPECT_EQ(opened, kHeaderUnreadable);
  settings.headerPath = header.c_str();
  settings.footerPath = "none.NC";
  settings.format.comment = 0;
  MoveRecord last = Rec(0, 45, 30, 50);
  std::string text = Piece(1, At(0, 0, 50), Rec(0, 0, 0, 50, 0), {}, &last);
  EXPECT_EQ(closed, kFooterUnreadable);
  EXPECT_EQ(text, std::string(kHeader) + "X45.Y30.\r\nX0.Y0.\r\n");
}

TEST_F(PieceWriterTest, HeaderCopiedAsTextWithAnyLineEnds) {
  dir.Write("PART_header.NC", std::string("%\nO1\rX\r\nG0\n\x1A" "garbage"));
  settings.format.comment = 0;
  std::string text = Piece(1, At(0, 0, 50), Rec(0, 0, 0, 50, 0), {});
  EXPECT_EQ(text.substr(0, 30), "%\r\nO1\rX\r\nG0\r\nG90G0X0.Y0.Z50.\r\n");
}

TEST_F(PieceWriterTest, DebugTwoReportsEveryWrittenBlock) {
  FakePlatform fake;
  const int savedDebug = gCommandSettings.debug;
  gCommandSettings.debug = 2;
  Body({Rec(1, 12.5, -3, 0.25), Rec(1, 12.5, -3, 0.25)});  // the second moves nothing: no line
  gCommandSettings.debug = savedDebug;
  ASSERT_GE(fake.logLines().size(), 1u);
  EXPECT_EQ(fake.logLines()[0], "G01 X12.5       Y-3.        Z0.25");
}

}  // namespace
