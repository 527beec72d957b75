// The piece writer: the head (header, comment, approach), the body in the compact form, and the
// tail (last block, lift, retract, return, totals, footer).
#include <gtest/gtest.h>

#include <initializer_list>
#include <cstdio>
#include <cstring>
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
                             {0, 0, 50}, SeamSettings{10, 1, 0.5, 1.0}, FormatSettings{3, 1},
                             kMillimetres, UnstatedMachine()};
  }

  // Writes piece `number`, resuming at `entry` with `first`, then the `body` moves, then the tail
  // ended by `last` (nullptr: the end of the program). Returns the piece's bytes.
  std::string Piece(int number, const Position& entry, const MoveRecord& first,
                    std::initializer_list<MoveRecord> body, const MoveRecord* last = nullptr) {
    PieceWriter writer(settings);
    std::string path = dir.Path("out.NC");
    opened = writer.Open(number, path.c_str(), entry);
    if (opened != kPieceWritten) return ReadFileBytes(path);
    if (number > 1) {
      writer.Approach(entry, first.feed);
      writer.WriteMove(first);
    }
    for (const MoveRecord& record : body) writer.WriteMove(record);
    if (last != nullptr) writer.WriteMove(*last);
    closed = writer.Close(1.23456, 12345.6789);
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
  settings.reportBlocks = true;
  Body({Rec(1, 12.5, -3, 0.25), Rec(1, 12.5, -3, 0.25)});  // the second moves nothing: no line
  ASSERT_GE(fake.logLines().size(), 1u);
  EXPECT_EQ(fake.logLines()[0], "G01 X12.5       Y-3.        Z0.25");
}

HoleRecord Hole(int code, int returnLevel, double x, double y, double z, double r, double initial,
                const char* params = "", const char* words = "") {
  HoleRecord hole{};
  hole.code = code;
  hole.returnLevel = returnLevel;
  hole.x = x;
  hole.y = y;
  hole.z = z;
  hole.r = r;
  hole.feed = 100;
  hole.initial = initial;
  std::snprintf(hole.params, sizeof hole.params, "%s", params);
  std::snprintf(hole.words, sizeof hole.words, "%s", words);
  return hole;
}

BlockRecord Carried(const char* text, int distanceMode = 90) {
  BlockRecord block{};
  block.distanceMode = distanceMode;
  block.length = std::strlen(text);
  std::memcpy(block.text, text, block.length);
  return block;
}

TEST_F(PieceWriterTest, RestoreWritesOnlyWhatDiffersFromTheHeader) {
  struct Case {
    const char* name;
    MachineState header;
    MachineState needed;
    const char* expected;
  };
  MachineState none = UnstatedMachine();
  MachineState toolOne = none;
  toolOne.tool = 1;
  toolOne.selectedTool = 1;
  toolOne.spindle = 3;
  toolOne.spindleSpeed = 1500;
  toolOne.lengthOffset = 43;
  toolOne.lengthRegister = 1;
  toolOne.coolant = 8;
  MachineState toolTwo = toolOne;
  toolTwo.tool = 2;
  toolTwo.selectedTool = 3;  // the next tool already called
  toolTwo.spindleSpeed = 3000;
  toolTwo.lengthRegister = 2;
  MachineState faster = toolOne;
  faster.spindleSpeed = 2000;
  faster.coolant = 9;
  faster.plane = 18;
  MachineState perRevolution = toolOne;
  perRevolution.feedMode = 95;
  MachineState turned = toolOne;
  std::snprintf(turned.rotary[0], sizeof turned.rotary[0], "A90.");
  const Case cases[] = {
      {"the same state: nothing", toolOne, toolOne, ""},
      {"nothing stated: nothing", toolOne, none, ""},
      {"another tool: change, next tool, spindle, length offset at the start height, coolant", toolOne,
       toolTwo, "T2M06\r\nT3\r\nS3000M03\r\nG43H2Z50.\r\nM08\r\n"},
      {"a speed, coolant off and a plane", toolOne, faster, "G18\r\nS2000M03\r\nM09\r\n"},
      {"feed per revolution", toolOne, perRevolution, "G95\r\n"},
      {"a rotary axis as the program last wrote it", toolOne, turned, "A90.\r\n"},
      {"a length offset the header does not take up", none, toolOne,
       "T1M06\r\nS1500M03\r\nG43H1Z50.\r\nM08\r\n"},
  };
  for (const Case& c : cases) {
    settings.header = c.header;
    settings.format.comment = 0;
    PieceWriter writer(settings);
    std::string path = dir.Path("out.NC");
    ASSERT_EQ(writer.Open(2, path.c_str(), At(0, 0, 50)), kPieceWritten);
    writer.Restore(c.needed);
    writer.Close(0, 0);
    std::string text = ReadFileBytes(path);
    text = text.substr(std::string(kHeader).size());
    EXPECT_EQ(text.substr(0, text.size() - std::string(kFooter).size()), c.expected) << c.name;
  }
}

TEST_F(PieceWriterTest, AHeaderWithoutTheFirstToolsSetUp) {
  struct Case {
    const char* line;
    int result;
    const char* rest;
  };
  const Case cases[] = {
      {"T1 M06", kSetUpOnly, ""},
      {"N10 T1 M6", kSetUpOnly, ""},
      {"M06", kSetUpOnly, ""},
      {"T2", kSetUpOnly, ""},
      {"S1200 M03", kSetUpOnly, ""},
      {"M04 S800", kSetUpOnly, ""},
      {"M08", kSetUpOnly, ""},
      {"G43 H1 Z50.", kSetUpOnly, ""},
      {"G43 Z50. H01 M08", kSetUpOnly, ""},
      {"G54 S1000 M03", kSetUpRemoved, "G54"},
      {"G90 G54 T1", kSetUpRemoved, "G90G54"},
      {"G90 G17 G40 G49 G80", kSetUpNone, ""},
      {"G00 G90 G17 G40 G49 G54 (Safe startup)", kSetUpNone, ""},
      {"G49 Z100.", kSetUpNone, ""},  // a Z under G49: not the set-up of a length offset
      {"M05", kSetUpNone, ""},
      {"M09", kSetUpNone, ""},
      {"G91 G28 Z0.", kSetUpNone, ""},
      {"(T1 FACE MILL D50.)", kSetUpNone, ""},
  };
  for (const Case& c : cases) {
    char rest[128];
    size_t length = 99;
    EXPECT_EQ(ToolSetUpLine(c.line, std::strlen(c.line), rest, sizeof rest, &length), c.result) << c.line;
    EXPECT_EQ(std::string(rest, length), c.rest) << c.line;
  }

  // Whole headers: the comment lines that name the tool or its operation go with its change.
  const struct {
    const char* header;
    const char* expected;
  } headers[] = {
      {"%\r\nO1\r\n(T1 D10. END MILL)\r\nG90 G17 G40 G49 G80\r\n(POCKET)\r\nT1 M06\r\n(T1 FLAT)\r\nS4500 M03\r\nG54\r\n",
       "%\r\nO1\r\n(T1 D10. END MILL)\r\nG90 G17 G40 G49 G80\r\nG54\r\n"},
      {"%\nG91 G28 Z0.\nT1 M06\nG43 H1 Z50. M08\n(COOLANT ON)\nG90\n", "%\r\nG91 G28 Z0.\r\nG90\r\n"},
      {"%\n(A)\nS1000 M03\n(B)\nG90\n", "%\r\n(A)\r\n(B)\r\nG90\r\n"},
  };
  for (const auto& h : headers) {
    dir.Write("H.NC", h.header);
    dir.Write("out.NC", "");
    {
      platform::FileHandle out(dir.Path("out.NC").c_str(), "wb");
      ASSERT_TRUE(CopyResumeHeader(dir.Path("H.NC").c_str(), out.get()));
    }
    EXPECT_EQ(ReadFileBytes(dir.Path("out.NC")), h.expected) << h.header;
  }
}

TEST_F(PieceWriterTest, APieceReachesZOnlyUnderTheLengthOffsetAfterItsToolChange) {
  // A program that cuts under G43: the header leaves none in force, so the positioning line names X
  // and Y alone, and a piece after the first writes it after its tool change and spindle, then the
  // start height with the offset.
  settings.lengthOffsets = true;
  settings.positioning = "G90G0X0.Y0.";
  settings.resumePositioning = "G90G0X0.Y0.";
  settings.header = UnstatedMachine();
  settings.header.lengthOffset = 49;
  settings.resumeHeader = settings.header;
  settings.format.comment = 0;
  MachineState needed = UnstatedMachine();
  needed.tool = 2;
  needed.selectedTool = 2;
  needed.spindle = 3;
  needed.spindleSpeed = 3000;
  needed.lengthOffset = 43;
  needed.lengthRegister = 2;
  needed.coolant = 8;
  const std::string path = dir.Path("out.NC");
  {
    PieceWriter writer(settings);
    ASSERT_EQ(writer.Open(1, path.c_str(), At(0, 0, 50)), kPieceWritten);
    writer.Close(0, 0, false);
    EXPECT_EQ(ReadFileBytes(path), std::string(kHeaderFile) + "G90G0X0.Y0.\r\n" + kFooter) << "the first piece";
  }
  {
    PieceWriter writer(settings);
    ASSERT_EQ(writer.Open(2, path.c_str(), At(0, 0, 50), kResumeHeader), kPieceWritten);
    writer.Restore(needed);
    writer.Close(0, 0, false);
    EXPECT_EQ(ReadFileBytes(path), std::string(kHeaderFile) + "T2M06\r\nS3000M03\r\nG90G0X0.Y0.\r\nG43H2Z50.\r\nM08\r\n" +
                                       kFooter);
  }
  // At the program's own tool change: X and Y only, the program's set-up follows; a spindle and a
  // coolant left running into the change (a program that relies on them) run into it here too, and
  // a change without a T word gets the tool selected before it.
  MachineState stopped = needed;
  stopped.spindle = 5;
  stopped.spindleSpeed = kNotStated;
  stopped.coolant = 9;
  const struct {
    const MachineState& before;
    bool selection;
    const char* expected;
  } changes[] = {
      {stopped, false, "G90G0X0.Y0.\r\n"},
      {stopped, true, "T2\r\nG90G0X0.Y0.\r\n"},
      {needed, false, "S3000M03\r\nM08\r\nG90G0X0.Y0.\r\n"},
  };
  for (const auto& c : changes) {
    PieceWriter writer(settings);
    ASSERT_EQ(writer.Open(2, path.c_str(), At(0, 0, 50), kResumeHeader), kPieceWritten);
    writer.RestoreAtToolChange(c.before, c.selection);
    writer.Close(0, 0, false);
    EXPECT_EQ(ReadFileBytes(path), std::string(kHeaderFile) + c.expected + kFooter);
  }
}

TEST_F(PieceWriterTest, TheTailAfterTheProgramsOwnReturnToTheReference) {
  settings.format.comment = 0;
  const std::string path = dir.Path("out.NC");
  const char* returnZ = "G91G28Z0.";
  BlockRecord record{};
  record.line = 5;
  record.distanceMode = 90;
  std::memcpy(record.text, returnZ, std::strlen(returnZ) + 1);
  record.length = std::strlen(returnZ);
  for (const bool sets : {false, true}) {
    settings.setsPosition = sets;
    PieceWriter writer(settings);
    ASSERT_EQ(writer.Open(1, path.c_str(), At(0, 0, 50)), kPieceWritten);
    writer.WriteMove(Rec(0, 10, 10, 20, 0));
    writer.WriteBlock(record);
    writer.Close(0, 0);
    // Without a G92 the tool stays at the top of travel and only goes back over the start point;
    // with one it comes back down to the start point, where the next piece's G92 states it.
    const std::string tail = sets ? "G90G00Z50.\r\nX0.Y0.\r\n" : "G90G00X0.Y0.\r\n";
    EXPECT_EQ(ReadFileBytes(path), std::string(kHeader) + "X10.Y10.Z20.\r\nG91G28Z0.\r\n" + tail + kFooter) << sets;
  }
}

TEST_F(PieceWriterTest, HolesOfACannedCycle) {
  settings.format.comment = 0;
  PieceWriter writer(settings);
  std::string path = dir.Path("out.NC");
  ASSERT_EQ(writer.Open(2, path.c_str(), At(0, 0, 50)), kPieceWritten);
  // A piece that resumes at a hole: above it, down to the initial level, the whole cycle block.
  writer.ApproachHole(Hole(83, 98, 10, 10, -20, 3, 20, "Q4.", "M08"));
  writer.WriteHole(Hole(83, 98, 10, 10, -20, 3, 20, "Q4.", "M08"));
  writer.WriteHole(Hole(83, 98, 30, 10, -20, 3, 20, "Q4."));        // the position only
  writer.WriteHole(Hole(83, 99, 30, 10, -25, 3, 20, "Q5."));        // what changed
  writer.WriteHole(Hole(81, 99, 50, 10, -2, 3, 20));                // another cycle: whole block
  writer.WriteMove(Rec(0, 50, 10, 50));                             // a motion code ends it
  writer.WriteHole(Hole(81, 99, 70, 10, -2, 3, 50));                // the cycle again
  writer.Close(0, 0);                                               // the tail cancels it
  std::string text = ReadFileBytes(path).substr(std::string(kHeader).size());
  EXPECT_EQ(text, "X10.Y10.\r\nZ20.\r\n"
                  "G98G83X10.Y10.Z-20.R3.Q4.F100M08\r\n"
                  "X30.Y10.\r\n"
                  "G99X30.Y10.Z-25.Q5.\r\n"
                  "G99G81X50.Y10.Z-2.R3.F100\r\n"
                  "G00Z50.\r\n"
                  "G99G81X70.Y10.Z-2.R3.F100\r\n"
                  "G80\r\nG00Z50.\r\nX0.Y0.\r\n" + std::string(kFooter));
  // Never below the R level: an initial level under it is taken as the R level.
  PieceWriter low(settings);
  ASSERT_EQ(low.Open(2, path.c_str(), At(0, 0, 50)), kPieceWritten);
  low.ApproachHole(Hole(81, 99, 5, 5, -2, 3, 1));
  low.Close(0, 0);
  EXPECT_EQ(ReadFileBytes(path).substr(std::string(kHeader).size(), 17), "X5.Y5.\r\nZ3.\r\nG00Z");
}

TEST_F(PieceWriterTest, CarriedBlocksKeepTheProgramsModesAndTheWriterFollowsThem) {
  settings.format.comment = 0;
  PieceWriter writer(settings);
  std::string path = dir.Path("out.NC");
  ASSERT_EQ(writer.Open(2, path.c_str(), At(0, 0, 50)), kPieceWritten);
  writer.WriteMove(Rec(1, 10, 0, 50, 300));
  writer.WriteBlock(Carried("M09 (COOLANT OFF)"));
  writer.WriteBlock(Carried("G91 G28 Z0."));       // leaves G91 in force and Z unknown
  writer.WriteBlock(Carried("T2 M06"));
  MoveRecord unknownZ = Rec(0, 20, 0, 50);
  unknownZ.flags = kUnknownZ;                       // the program does not know Z here
  writer.WriteMove(unknownZ);
  writer.WriteMove(Rec(0, 20, 0, 50));              // Z named again: written though unchanged
  writer.WriteBlock(Carried("G28 X0", 91));         // written in the program's G91
  writer.WriteBlock(Carried("F500"));
  MoveRecord arc = Rec(2, 30, 0, 40, 500, 5, 0);
  arc.plane = 18;
  arc.at[kK] = -5;
  arc.at[kI] = 0;
  writer.WriteMove(arc);                            // a ZX arc: plane code, I and K
  writer.Close(0, 0);
  std::string text = ReadFileBytes(path).substr(std::string(kHeader).size());
  EXPECT_EQ(text, "G01X10.F300\r\nM09 (COOLANT OFF)\r\nG91 G28 Z0.\r\nT2 M06\r\n"
                  "G90G00X20.\r\nZ50.\r\n"
                  "G91\r\nG28 X0\r\nF500\r\n"
                  "G90G18G02X30.Z40.K-5.\r\n"
                  "G00Z50.\r\nX0.\r\n" + std::string(kFooter));  // X named: it was unknown
}

TEST_F(PieceWriterTest, WordsRidingOnMoves) {
  MoveRecord plunge = Rec(1, 0, 0, 0, 300);
  std::snprintf(plunge.words, sizeof plunge.words, "G43H1S2000M08");
  MoveRecord still = Rec(1, 0, 0, 0, 300);          // moves nothing: its words still act
  std::snprintf(still.words, sizeof still.words, "M09");
  EXPECT_EQ(Body({plunge, still}), "G01G43Z0.F300H1S2000M08\r\nM09\r\nG00Z50.\r\n");
}

TEST_F(PieceWriterTest, ARecordReadBackIsWrittenFromItsCountsAsItsValueWouldBe) {
  const int64_t counts[] = {0, 1, -1, 5, -5, 10, 120, 12500, -12500, 100000, 123456789, -999999999};
  for (int units : {kMillimetres, kInches}) {
    for (int decimal : {0, 3}) {
      for (int64_t count : counts) {
        settings.units = units;
        const double scale = units == kInches ? 10000.0 : 1000.0;
        MoveRecord plain = Rec(1, static_cast<double>(count) / scale, 0, 50);
        MoveRecord counted = plain;
        counted.counted = true;
        counted.count[kX] = count;
        counted.count[kZ] = static_cast<int64_t>(50 * scale);
        EXPECT_EQ(Body({counted}, decimal), Body({plain}, decimal)) << count << " " << units;
      }
    }
  }
}

TEST_F(PieceWriterTest, InchProgramsAreWrittenToTheTenThousandthAndTheSeamHeightsConverted) {
  settings.units = kInches;
  settings.start[2] = 2;
  std::string text = Piece(2, At(1, 1, -0.05), Rec(1, 2.5038, 1, -0.05, 20), {});
  EXPECT_EQ(text.substr(std::string(kHeader).size() + std::string(kComment).size()),
            "X1.Y1.\r\nZ0.3437\r\nG01Z-0.05F10\r\nX2.5038F20\r\nZ-0.0106\r\nG00Z2.\r\nX0.Y0.\r\n"
            "(TIME = 1.235min)\r\n(DIST = 12345.679mm)\r\n" + std::string(kFooter));
  settings.format.decimal = 0;
  EXPECT_NE(Piece(1, At(0, 0, 2), Rec(0, 0, 0, 2, 0), {Rec(1, 0.0038, 0, 2, 20)}).find("G01X38F20\r\n"),
            std::string::npos);
}

// A local coordinate system (G52): the writer follows the shift through the blocks it writes (the
// tool's numbers change, the next move names what moves in the new numbers); a piece that ends
// under it retracts and returns in its frame, to the start point's machine position; a piece that
// resumes under it states it before its positioning line, which goes to the start point in that
// frame; after a cancel, every later piece states the zeros (the piece before may have left the
// shift standing on a control that keeps it over M30).
TEST_F(PieceWriterTest, LocalSystemsAreStatedAndTheAddedMovesMadeInTheirFrame) {
  const PositioningRecipe recipe{true, "G90G0", {1, 1, 1}, 0, kMillimetres};
  settings.recipe = &recipe;
  settings.format = FormatSettings{3, 0};
  settings.seam.lift = 0;
  auto block = [](const char* text) {
    BlockRecord record{};
    record.line = 1;
    record.distanceMode = 90;
    record.length = std::strlen(text);
    std::memcpy(record.text, text, record.length);
    return record;
  };
  PieceWriter writer(settings);
  const std::string path = dir.Path("out.NC");
  auto body = [&](const std::string& piece) {
    return piece.substr(std::strlen(kHeaderFile), piece.size() - std::strlen(kHeaderFile) - std::strlen(kFooter));
  };

  ASSERT_EQ(writer.Open(1, path.c_str(), At(0, 0, 50)), kPieceWritten);
  writer.WriteMove(Rec(0, 10, 10, 50));
  writer.WriteBlock(block("G52 X100. Y50."));
  writer.WriteMove(Rec(0, 10, 10, 50));  // 100 and 50 from the tool: both named
  writer.WriteBlock(block("G52 Y20000"));
  writer.WriteMove(Rec(0, 10, 10, 50));  // Y 40 in the new frame, X 10 still
  writer.WriteMove(Rec(1, 20, 10, -1));
  ASSERT_EQ(writer.Close(0, 0), kPieceWritten);
  EXPECT_EQ(body(ReadFileBytes(path)),
            "G90G0X0.Y0.Z50.\r\nX10.Y10.\r\nG52 X100. Y50.\r\nX10.Y10.\r\nG52 Y20000\r\nY10.\r\n"
            "G01X20.Z-1.F400\r\nG00Z50.\r\nX-100.Y-20.\r\n");

  ASSERT_EQ(writer.Open(2, path.c_str(), At(20, 10, -1)), kPieceWritten);
  writer.Approach(At(20, 10, -1), 400);
  writer.WriteBlock(block("G52 X0 Y0"));
  writer.WriteMove(Rec(1, 120, 30, -1));  // where the tool stands in the program's frame: nothing
  writer.WriteMove(Rec(1, 130, 30, -1));
  ASSERT_EQ(writer.Close(0, 0), kPieceWritten);
  EXPECT_EQ(body(ReadFileBytes(path)),
            "G90G52X100.Y20.\r\nG90G0X-100.Y-20.Z50.\r\nX20.Y10.\r\nZ9.\r\nG01Z-1.F200\r\n"
            "G52 X0 Y0\r\nX130.F400\r\nG00Z50.\r\nX0.Y0.\r\n");

  ASSERT_EQ(writer.Open(3, path.c_str(), At(130, 30, -1)), kPieceWritten);
  ASSERT_EQ(writer.Close(0, 0), kPieceWritten);
  EXPECT_EQ(body(ReadFileBytes(path)), "G90G52X0.Y0.\r\nG90G0X0.Y0.Z50.\r\n");
}

}  // namespace
