// The piece writer: every byte of a piece is written here.
//
// A piece begins with the program's header (its opening lines), a positioning line to the start
// point and a comment naming the source program. From the second piece on, a restore follows
// (the blocks that put the machine into the state the program had where the piece takes over:
// tool, length offset, spindle, coolant, plane, feed mode), then the approach: rapid to above
// the point where the piece resumes, rapid down to `approach` above it and a plunge at a reduced
// feed; a piece that resumes at a hole of a canned cycle goes down to the cycle's initial level
// instead and issues the whole cycle block there.
//
// Every move the writer adds is made in the frame the program cuts in there. A program that cuts
// under a tool length offset moves Z only under one: where the header leaves none in force, the
// positioning line names X and Y alone, and a piece after the first reaches its start height only
// after its tool change and spindle, with "G43 H.. Z<start height>" for the tool in the spindle.
// A piece that resumes with another tool than the header's begins with the header without the
// first tool's set-up (ToolSetUpLine): it changes tools once, to its own. A piece that begins at
// the program's own tool change carries that change and the set-up after it. Then come the
// program's moves, holes and blocks
// in the compact form the controls read (no blanks between words, a G word only when the motion in
// force changes, axis words only for the axes that move, arc words only on arcs, an F word only
// when the feed changed on a feed move, the words riding on a move kept on it) and the program's
// other blocks as written. A piece ends with a lift at feed (after a straight feed move), a rapid
// retract to the start height, a rapid return to the start point, comments with the piece's
// cutting time and distance, and the program's footer; after the program's own return of Z to the
// reference point only the return, up there.
//
// The writer keeps what it has put in force on the machine (the motion, the feed, the distance
// mode, the plane, where the tool stands and which axes it cannot know), so that every block it
// writes is the difference between that and the block's target, and an incremental mode or a
// plane the program's own blocks left in force never changes what a generated block means.
// An observer given in the settings is told of every piece and every motion block written.
//
// Local coordinate systems (G52 X Y, zeros cancel): the writer follows the shift through the
// program's blocks it writes, so that the tool's numbers change with it. A piece that resumes
// under a shift sets it again in its head ("G90G52X..Y.."), after the header and the offset
// writes and before its positioning line, and makes every move of its own in the shifted frame:
// its positioning line goes to the start point less the shift, so that the machine stands where
// the program's start point is. A piece that ends under a shift makes its retract and return in
// that frame too (the return to the start point less the shift, the machine position the program
// starts from) and leaves the shift standing, as the program has it there: the footer follows as
// the program wrote it. Controls differ on whether a reset or M30 clears a local system, so the
// head of every piece after the program's first shift states the shift the piece resumes in,
// zeros included, before anything moves: whatever the piece before left standing, the piece's
// own moves run in the program's frame. Only X and Y shifts are carried (the measurement pass
// refuses a Z shift): the heights the writer adds stay the program's.
#pragma once

#include <cstdio>

#include "config/settings.h"
#include "header_footer/header_cut.h"
#include "nc/machine_state.h"
#include "nc/records.h"
#include "platform/platform.h"
#include "split/intermediate.h"
#include "split/piece_observer.h"

// The seam tuning of [QUENDRA], read at every run.
struct SeamSettings {
  double approach;           // APPROACH: height above the entry point where the approach turns
                             // from rapid to feed, mm (default 10)
  double lift;               // LIFT: height of the lift at feed that ends a piece, mm (default 1)
  double approachFeedRatio;  // AFEED: factor on the feed for the approach plunge (default 0.5)
  double liftFeedRatio;      // LFEED: factor on the feed for the lift (default 1.0)
};

// Everything a piece is made of besides its moves; the same for every piece of a run.
struct PieceSettings {
  const char* ncFile;      // the source program, named in the comment after the header
  const char* headerPath;  // the header file, copied at the head of every piece
  const char* footerPath;  // the footer file, copied at the end of every piece
  const char* positioning; // the positioning line to the start point, written after the header
  double start[3];         // the start point: where the tool stands before and after every piece
  SeamSettings seam;       // in mm, whatever the program's units
  FormatSettings format;   // decimal 0: thousandths without a point; comment 1: comment lines
  int units;               // kMillimetres or kInches: the program's (and so the pieces') units
  MachineState header;     // the state the header and the positioning line leave the machine in
  PieceObserver* observer = nullptr;  // told of every piece and every block written (nullptr: none)
  bool reportBlocks = false;  // every motion block written is also logged (DEBUG 2)
  // A piece that resumes with another tool than the header's, or at a tool change, gets the header
  // without the blocks that serve only the program's first tool (ToolSetUpLine) and then its own
  // set-up: `resumePositioning` is its positioning line and `resumeHeader` the state the two leave.
  const char* resumePositioning = "";
  MachineState resumeHeader{};
  // The program takes up tool length offsets (G43/G44): where a header leaves none in force, its
  // positioning line names X and Y only, and the piece's own set-up then comes down to the start
  // height with the offset the program cuts with there ("G43 H.. Z..").
  bool lengthOffsets = false;
  // The program states its position with G92: every piece must end at the start point, where the
  // next one's header states it again.
  bool setsPosition = false;
  // The recipe of the positioning lines and whether each names Z (`positioning`,
  // `resumePositioning`): a piece that resumes under a local coordinate system gets its
  // positioning line made again for the start point in the shifted frame. nullptr: the lines as
  // they are (only for a program without G52 shifts).
  const PositioningRecipe* recipe = nullptr;
  bool positioningWithZ = true;
  bool resumePositioningWithZ = true;
};

// Which header a piece begins with (PieceWriter::Open).
enum PieceHeader {
  kProgramHeader = 0,  // the header file as it stands
  kResumeHeader = 1,   // without the blocks that serve only the program's first tool
};

// Results of PieceWriter's operations.
enum PieceWriteResult {
  kPieceWritten = 0,
  kPieceNotCreated = -1,     // Open: the piece file cannot be created
  kHeaderUnreadable = -2,    // Open: the header file cannot be read (nothing written after it)
  kFooterUnreadable = -3,    // Close: the footer file cannot be read (the moves are written)
  kPieceNotWritten = -4,     // Close: the piece could not be written to its end
};

class PieceWriter {
 public:
  explicit PieceWriter(const PieceSettings& settings) : settings_(settings) {}
  PieceWriter(const PieceWriter&) = delete;
  PieceWriter& operator=(const PieceWriter&) = delete;

  // Creates piece `number` at `path` (replacing an earlier file) and writes its head: the header
  // file copied unchanged, the positioning line and the comment "(<ncFile>)" when comments are
  // on. `entry`: where the piece takes over (the start point for the first), for the observer.
  // Returns kPieceWritten, kPieceNotCreated or kHeaderUnreadable.
  // `header`: a PieceHeader. Where the positioning line names no Z (see PieceSettings), a piece
  // after the first writes it in its restore instead, after its tool change.
  // Between the header and the positioning line it writes again, in order, the offset writes kept
  // by KeepOffsetWrite: a piece sets every offset the program has written before it moves.
  int Open(int number, const char* path, const Position& entry, int header = kProgramHeader);
  // Keeps the offset write `words` (canonical words, see OffsetWriteWords) of the program's body
  // for the pieces opened after it. False when kOffsetWriteLimit are kept already or the text is
  // kOffsetWriteTextSize bytes or longer (the measurement pass refuses such programs).
  bool KeepOffsetWrite(const char* words);

  // The restore of a piece that takes over in the middle of the program: the blocks that bring
  // the machine from the header's state to `needed` (only what differs, and only what `needed`
  // states): the plane, the feed mode, the tool change "T.. M06" (and the tool selected for the
  // next change), the spindle speed and direction, a rotary axis word (A, B, C) as the program
  // last wrote it, the length offset "G43 H.. Z<start height>" (or G49), the coolant.
  void Restore(const MachineState& needed);
  // The restore of a piece that begins at the program's own tool change, whose set-up the piece
  // then carries: the plane, the feed mode, the tool selected for the change, and a spindle or
  // coolant the program left running into the change; the positioning line when Open left it. `selection`: the change takes the tool selected before it (an M06
  // without a T word), which the restore selects again.
  void RestoreAtToolChange(const MachineState& needed, bool selection);

  // The approach to `entry`, where the piece takes over: rapid to above it at the start height,
  // rapid down to the approach height above it, plunge to it at `feed` times the approach factor.
  void Approach(const Position& entry, double feed);
  // The approach to `entry` where the program's own rapid left the tool at or above the start
  // height (a break): rapid to above it at the start height, then rapid to it. No plunge.
  void ApproachFromAbove(const Position& entry);
  // The approach to a hole: rapid to above it at the start height, rapid down to the initial
  // level of its cycle (the level its G98 returns to), or to its R level when that is higher.
  void ApproachHole(const HoleRecord& hole);

  // Writes one move of the body from where the tool stands.
  void WriteMove(const MoveRecord& record);
  // Writes one hole: the whole cycle block when no cycle or another one is in force, else the
  // hole's position and the words that changed.
  void WriteHole(const HoleRecord& record);
  // Writes one block of the program as it was carried (with the program's distance mode first
  // when the block names an axis and the piece has put the other one in force). A G52 block
  // changes the shift the writer keeps, and the tool's numbers by its change.
  void WriteBlock(const BlockRecord& record);

  // Writes the tail: the cycle cancel when a cycle is in force, the lift, retract and return, the
  // totals (`time` minutes, `distance` mm) as comments when comments are on, and the footer. Then
  // closes the file. Returns kPieceWritten, kFooterUnreadable or kPieceNotWritten.
  // After the program's own return of Z to the reference point the tool is at the top of travel
  // already: no lift and no retract (unless the program states its position with G92, and the
  // tool must be back at the start point for the next piece's header). `moves` false: no lift,
  // retract or return at all (a program that ends inside cutter compensation ends so in its last
  // piece too: an added move there would run off the programmed path).
  // `machineTime` (minutes; nullptr: none) adds the piece's machine time as a comment after its
  // programmed time; `tools` (may be nullptr): the tools the piece cuts with ("T1 T2"), as a
  // comment after the totals when comments are on.
  int Close(double time, double distance, bool moves = true, const double* machineTime = nullptr,
            const char* tools = nullptr);

  // Bytes of the lines written since the writer was made (the header and footer files copied
  // into pieces are not counted): the size of what a record comes to in a piece.
  unsigned long long Written() const { return written_; }

 private:
  // One move from `at_` to `target` in `motion` with `feed`; `flags`: MoveFlag bits, `plane`: the
  // record's plane (0 for a generated move, which keeps the plane in force), `riding`: words
  // riding on the move, `counts`: the record's whole counts (MoveRecord::count) or nullptr.
  // Returns the words written.
  int Move(int motion, const Position& target, double feed, int flags = 0, int plane = 0,
           const char* riding = "", const int64_t* counts = nullptr);
  // The axes Move names (bits 1 << kX ...) for the move from `from` to `target` (`step` the
  // rounded increment between them), and whether it goes anywhere the machine must follow.
  struct MoveAxes {
    int axes;
    bool moves;
  };
  MoveAxes AxesToName(const Position& from, const Position& target, const Position& step, int flags, int plane,
                      bool fullCircle) const;
  // Appends an arc's centre words (R, or the plane's offsets that are not 0); returns their count.
  int AppendArcWords(const Position& target, const Position& step, int flags, int plane, const int64_t* counts);
  // Appends the word of `letter` with `value` in the program's units and the format's decimals.
  // `count` (may be nullptr): the value as a whole count of the resolution, when the value was
  // made from one (a record read back): the same text without rounding again.
  void AxisWord(char letter, double value, const int64_t* count = nullptr);
  // Move() for a move the split adds (approach, plunge, lift, retract, return): the observer is
  // told so.
  int SeamMove(int motion, const Position& target, double feed, int flags = 0);
  // The positioning line left by Open, then the start height under `needed`'s length offset
  // (`withZ`).
  void PendingPositioning(const MachineState& needed, bool withZ);
  // The state of the header written by Open, and its positioning line.
  const MachineState& HeaderState() const {
    return header_ == kResumeHeader ? settings_.resumeHeader : settings_.header;
  }
  const char* Positioning() const {
    return header_ == kResumeHeader ? settings_.resumePositioning : settings_.positioning;
  }
  // The positioning line of the piece open: Positioning(), or the same line to the start point
  // in the shifted frame, in `positioning_`.
  const char* PiecePositioning();
  // The start point in the frame in force: less the local coordinate system's shift.
  double StartIn(int axis) const { return settings_.start[axis] - localShift_[axis]; }
  // The restore's plane and feed mode, where they differ from the header's.
  void RestorePlaneAndFeedMode(const MachineState& needed);
  // Starts a new line of words in `line_`.
  void BeginLine() { used_ = 0; line_[0] = '\0'; }
  void Append(const char* text);
  void Append(const char* text, size_t length);
  // Append for a text of at most kShortCopy bytes that has kShortCopy readable bytes at `text`.
  void AppendShort(const char* text, size_t length);
  static constexpr size_t kShortCopy = 24;
  // Lines up to this length go into the output buffer with one copy of this fixed size.
  static constexpr size_t kLineCopy = 64;
  // Ends the line in `line_` and writes it (nothing when it holds no word).
  void EndLine();
  // Appends "G90" when the piece is in incremental mode: generated and recorded moves are absolute.
  void EnsureAbsolute();
  // Appends the plane code when `plane` is not the one in force.
  void EnsurePlane(int plane);
  void Text(const char* text, size_t length);
  // Writes the text gathered by Text() to the file.
  void Flush();
  // Seam heights (mm in the settings) in the program's units.
  double SeamHeight(double millimetres) const;

  const PieceSettings& settings_;
  platform::FileHandle file_;
  char offsetWrites_[kOffsetWriteLimit][kOffsetWriteTextSize] = {};  // KeepOffsetWrite, in order
  int offsetWriteCount_ = 0;
  bool writeFailed_ = false;
  char line_[kCarriedTextSize + 64];
  size_t used_ = 0;
  int motionInForce_ = 0;    // the motion code the piece has put in force (-1: none known)
  int distanceInForce_ = 90; // G90 or G91
  int planeInForce_ = 17;    // G17, G18, G19
  double writtenFeed_ = 0;   // the F last written into the piece (0: none yet)
  Position at_{};            // where the tool stands after the blocks written so far
  int forced_ = 0;           // axes (1 << kX ...) whose next word must be written: a block of the
                             // program moved them where the writer cannot follow
  int lastMotion_ = 0;       // motion of the last record written (the lift follows a G01)
  double lastFeed_ = 0;      // feed of the last record written
  bool cycleActive_ = false; // a canned cycle is in force: `cycle_` holds its words
  HoleRecord cycle_{};
  char out_[65536];          // text not written to the file yet
  size_t outUsed_ = 0;
  int number_ = 0;           // the piece open, for the observer
  int header_ = kProgramHeader;  // the header the piece began with
  bool positioningPending_ = false;  // Open left the positioning line to the restore
  bool zAtTop_ = false;      // a reference return (or G53 to machine zero) took Z to the top of
                             // travel, and no move has named Z since
  int origin_ = kProgramMove;  // where the move being written comes from (MoveOrigin)
  double localShift_[3] = {0, 0, 0};  // G52 X Y of the blocks written: the shift in force (Z 0)
  bool localUsed_ = false;   // a G52 block has set a shift: every piece opened after it states
                             // the one it resumes in
  char positioning_[160] = "";  // PiecePositioning's line in the shifted frame
  unsigned long long written_ = 0;  // bytes given to Text()
};

// Copies the text file at `path` into `out` as a text-mode read and write would: "\r\n" and "\n"
// both come out as "\r\n", a lone "\r" stays, and a Ctrl-Z ends the text. Returns false when the
// file cannot be opened or read to its end. A failed write stays with `out` (its close fails).
bool CopyTextFile(const char* path, FILE* out);

// The bytes CopyTextFile writes of the text file at `path` (0 when it cannot be read).
unsigned long long CopiedTextSize(const char* path);

// The machine state a header file and the positioning line after it leave: every readable line
// of the file at `headerPath` and then `positioning` applied in order (UpdateMachineState). False
// when the header file cannot be read.
bool HeaderMachineState(const char* headerPath, const char* positioning, MachineState* state,
                        int header = kProgramHeader);

// What becomes of a header line in a piece that does not begin with the program's first tool.
enum ToolSetUpResult {
  kSetUpNone = 0,     // the line serves no tool: kept as it is
  kSetUpOnly = 1,     // only the first tool's set-up (T, M06, S, M03/M04, M07/M08, G43/G44 with
                      // H and Z): left out
  kSetUpRemoved = 2,  // the set-up words taken out, the rest in `out` (canonical words)
};
// Sorts the header line `line` (`length` bytes); for kSetUpRemoved writes the rest into `out`
// (`size` bytes, terminated) and its length into `*outLength`.
int ToolSetUpLine(const char* line, size_t length, char* out, size_t size, size_t* outLength);
// The same for the block already read from `line`.
int ToolSetUpBlock(const char* line, const Block& block, char* out, size_t size, size_t* outLength);

// Copies the header at `path` into `out` without the first tool's set-up (ToolSetUpLine), every
// line ended with "\r\n". False when it cannot be read to its end.
bool CopyResumeHeader(const char* path, FILE* out);
