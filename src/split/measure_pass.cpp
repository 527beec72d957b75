#include "split/measure_pass.h"

#include <cmath>
#include <cstdio>
#include <cstring>
#include <initializer_list>

#include "nc/block.h"
#include "nc/format.h"
#include "nc/interpreter.h"
#include "nc/line_reader.h"
#include "nc/number_text.h"
#include "nc/pass_rules.h"
#include "nc/call_reader.h"
#include "platform/platform.h"
#include "split/machine_meter.h"
#include "split/measure_messages.h"

namespace {

// The ranges the system accepts: coordinates up to "999999.999" and feeds that show as at most
// "99999.9" (seven characters).
constexpr int kFeedWidth = 8;

// Values within these bounds are far inside the ranges: no rounding can matter.
constexpr double kCoordinateFarInside = 999999.99;
constexpr double kFeedFarBelow = -9999.9;
constexpr double kFeedFarAbove = 99999.9;

bool CoordinateFits(double value) {
  if (value > -kCoordinateFarInside && value < kCoordinateFarInside) return true;
  int64_t thousandths = 0;
  return std::isfinite(value) && RoundToWhole(value, 3, &thousandths) &&
         thousandths <= 999999999 && thousandths >= -999999999;
}

bool FeedFits(double value) {
  // The feed's text with one decimal ("99999.9") is at most seven characters.
  if (value > kFeedFarBelow && value < kFeedFarAbove) return true;
  int64_t tenths = 0;
  if (!std::isfinite(value) || !RoundToWhole(value, 1, &tenths)) return false;
  int length = (value < 0 ? 1 : 0) + 2;  // the sign, the point and the decimal
  int64_t whole = (tenths < 0 ? -tenths : tenths) / 10;
  do {
    ++length;
    whole /= 10;
  } while (whole != 0);
  return length < kFeedWidth;
}

bool IsCutting(int motion) { return motion >= 1 && motion <= 3; }

// MeasureMoveBlock's answer for a block that moves nothing (not a result of MeasureProgram).
constexpr int kMeasureNoMove = 1000;

// The units the program is written in: the last G20 or G21 before its first block that names an
// axis (G21 when there is none). The file is read from its start and left at its start.
int ProgramUnits(FILE* file) {
  int units = kMillimetres;
  LineReader reader(file);
  char line[kLineBufferSize];
  size_t length = 0;
  Block block;
  while (reader.Next(line, &length) == kLineRead) {
    if (ReadBlock(line, length, &block) != kBlockReadable) continue;
    if (block.HasCode('G', 20)) units = kInches;
    if (block.HasCode('G', 21)) units = kMillimetres;
    if (block.Has('X') || block.Has('Y') || block.Has('Z')) break;
  }
  std::fseek(file, 0, SEEK_SET);
  return units;
}

bool IsCycleCode(int code) { return code == 73 || code == 74 || code == 76 || (code >= 81 && code <= 89); }

// What a control cannot be made to repeat in a piece that begins elsewhere, and why: the code
// (as the G or M word reads) and the reason shown with it.
struct RefusedCode {
  char letter;
  double value;
  const char* reason;
};
constexpr RefusedCode kRefusedCodes[] = {
    {'M', 98, kReasonSubprogram},   {'M', 99, kReasonSubprogram},  {'G', 65, kReasonMacroCall},
    {'G', 66, kReasonMacroCall},    {'G', 68, kReasonRotation},    {'G', 51, kReasonScaling},
    {'G', 16, kReasonPolar},
    {'G', 93, kReasonInverseTime},  {'G', 31, kReasonSkip},        {'G', 12, kReasonCircleCycle},
    {'G', 13, kReasonCircleCycle},  {'G', 92.1, kReasonLocalSystem}, {'G', 51.1, kReasonScaling},
    {'G', 68.1, kReasonRotation},   {'G', 90.1, kReasonAbsoluteCentres},
};

// The refused code of a block, or nullptr. Canned cycles outside G73, G74, G76, G81..G89 (an
// engraving G47, the bolt-circle patterns G70..G72 ...) are refused too: `cycle` receives them
// (G70 and G71 included, which the caller names for what they may also be: units).
const RefusedCode* FindRefusedCode(const Block& block, int* cycle) {
  *cycle = -1;
  for (int w = 0; w < block.wordCount; ++w) {
    const BlockWord& word = block.words[w];
    if (word.letter != 'G' && word.letter != 'M') continue;
    for (const RefusedCode& refused : kRefusedCodes) {
      if (word.letter == refused.letter && std::fabs(word.value - refused.value) < 1e-9) return &refused;
    }
    if (word.letter == 'G' && word.integral &&
        ((word.code >= 70 && word.code <= 89 && word.code != 80 && !IsCycleCode(word.code)) ||
         word.code == 47 || word.code == 34 || word.code == 35 || word.code == 36)) {
      *cycle = word.code;
    }
  }
  return nullptr;
}

// The cycle's own words of a cycle block (Q, P, and the shift I, J of G76/G87) merged into
// `params` (compact, canonical): a word the block gives replaces the one of its letter.
bool MergeCycleParams(const char* line, const Block& block, char (&params)[kCycleParamsSize]) {
  char merged[kCycleParamsSize];
  size_t used = 0;
  merged[0] = '\0';
  for (char letter : {'I', 'J', 'P', 'Q'}) {
    if (const BlockWord* word = block.Find(letter)) {
      if (!AppendCanonicalWord(line, *word, merged, sizeof merged, &used)) return false;
      continue;
    }
    // Keep the earlier word of this letter: from the letter up to the next letter.
    for (size_t i = 0; params[i] != '\0'; ++i) {
      if (params[i] != letter) continue;
      size_t end = i + 1;
      while (params[end] != '\0' && !(params[end] >= 'A' && params[end] <= 'Z')) ++end;
      if (used + (end - i) + 1 > sizeof merged) return false;
      std::memcpy(merged + used, params + i, end - i);
      used += end - i;
      merged[used] = '\0';
      break;
    }
  }
  std::memcpy(params, merged, used + 1);
  return true;
}

// Bits (1 << kX, 1 << kY, 1 << kZ) of the axes a block names.
int NamedAxes(const Block& block) {
  return (block.Has('X') ? 1 << kX : 0) | (block.Has('Y') ? 1 << kY : 0) |
         (block.Has('Z') ? 1 << kZ : 0);
}

// The work offset a block selects (54..59, 5400 + P for G54.1 P), or -1.
int SelectedWorkOffset(const Block& block) {
  if (!block.Has('G')) return -1;
  for (int w = 0; w < block.wordCount; ++w) {
    const BlockWord& word = block.words[w];
    if (word.letter != 'G' || word.code < 54 || word.code > 59) continue;
    if (word.integral) return word.code;
    if (word.code == 54 && word.value > 54.05 && word.value < 54.15) {
      const BlockWord* p = block.Find('P');
      return 5400 + (p != nullptr ? p->code : 0);
    }
  }
  return -1;
}

// The record flags kUnknownX..kUnknownZ of an unknown-axes mask.
int UnknownFlags(int unknown) { return (unknown & 7) * kUnknownX; }

// The state of one pass, so that its steps can be small functions.
class MeasurePass {
 public:
  MeasurePass(const MeasurePass&) = delete;  // `sums_` points into the pass itself
  MeasurePass& operator=(const MeasurePass&) = delete;
  MeasurePass(const double start[3], int bodyLine, MeasureReport* report)
      : report_(report), bodyLine_(bodyLine) {
    *report_ = MeasureReport{};
    records_.modal = ModalState{};
    records_.modal.distanceMode = kPowerOnDistanceMode;
    records_.modal.plane = 17;
    for (int axis = kX; axis <= kZ; ++axis) {
      start_[axis] = start[axis];
      records_.current[axis] = start[axis];
    }
    records_.previous = records_.current;
  }

  // `machine` (may be nullptr): the machine whose time the pass estimates as well
  // (report->machineMinutes).
  int Run(const char* ncFile, const char* intermediateFile, Extents* minimum, Extents* maximum,
          const MachineLimits* machine);

  const DistanceTotals& distance() const { return distance_; }
  const TimeTotals& time() const { return time_; }
  const MoveCounters& counters() const { return counters_; }

 private:
  int MeasureLine(const char* line, size_t length, int lineNumber);
  // The steps of MeasureLine: the body's first line puts the tool at the start point; a block a
  // control cannot read is noted (refused once the file has cut); the block's work offset and
  // compensation are followed; a block outside a cycle is measured as a move or carried.
  void OpenBody();
  int NoteUnreadable(const char* line, int lineNumber);
  void FollowFrame(int lineNumber);
  int MeasureFollowedBlock(const char* line, size_t length, int lineNumber, int distanceBefore);
  int MeasureMoveBlock(const char* line, int lineNumber);
  // The shape of the arc block read into `record` (already holding its end point) in `plane`
  // (17, 18, 19), `moved` when it goes somewhere: its centre offsets, or the centre its radius
  // gives (kRadiusForm), or a full circle. kMeasureOk, kMeasureNoMove, or a refusal.
  int ShapeArc(int lineNumber, int plane, bool moved, MoveRecord* record);
  int MeasureCycleBlock(const char* line, int lineNumber, bool cycleBlock);
  // A cycle code's block: a new cycle mode begins at the level the tool stands at.
  void BeginCycle();
  // The holes of a cycle block: the first at (x, y), each further one `dx`, `dy` on from the one
  // before (0 under G90), `repeats` of them; `fromUnknown` when an axis's place was unknown
  // before the block.
  struct CycleHoles {
    double x, y, dx, dy;
    int repeats;
    bool fromUnknown;
  };
  // Measures and writes the holes, `words` (the block's other words) riding on the first.
  int WriteHoles(const CycleHoles& holes, int lineNumber, const char* words);
  int CarryBlock(const char* line, size_t length, int lineNumber, int distanceMode);
  int SetPosition(const char* line, size_t length, int lineNumber, int distanceBefore);
  // The refusals of the block read (codes a piece cannot carry, a change of units): kMeasureOk
  // or the result.
  int RefuseCodes(int lineNumber);
  int MeasureHeaderLine(const char* line, size_t length, int lineNumber, int distanceBefore);
  // An offset write (G10): checked, counted, carried; its X, Y, Z, R are data.
  int MeasureOffsetWrite(const char* line, size_t length, int lineNumber, int distanceBefore);
  // A local coordinate system (G52): checked, followed (the tool's numbers change by the change
  // of the shift), carried.
  int MeasureLocalSystem(const char* line, size_t length, int lineNumber, int distanceBefore);
  // Records where and why the program is refused; returns `result`.
  int Refuse(int result, int lineNumber, int code);
  int RefuseUnreadable();
  int Write(const MoveRecord& record);
  int Write(const HoleRecord& record);
  // Closes the move or hole record just written (on line `lineNumber`) with the machine time.
  int EndRecord(int lineNumber);
  // The machine time so far in whole ns, or -1 past what a record carries.
  int64_t MachineNs() const;
  // Counts one more line of the intermediate file; kMeasureTooLarge when it would hold more lines
  // than a reader delivers (its units line included).
  int CountLine();
  void NoteCut(double fromZ, double toZ, int lineNumber);
  // Notes the record just written as the program's last move so far.
  void NoteMove(int lineNumber);
  // Records a refusal of the call reader; returns kMeasureCall.
  int RefuseCall(const CallFault& fault);
  // Refuses the call on `lineNumber` for where it stands (`reason`); returns
  // kMeasureUnsupportedCode.
  int RefuseCallPlace(int lineNumber, const char* reason) {
    report_->letter = 'M';
    report_->value = 98;
    report_->reason = reason;
    return Refuse(kMeasureUnsupportedCode, lineNumber, 0);
  }

  MeasureReport* report_;
  int64_t ordinal_ = 0;  // the place of the line being measured in the program as it runs
  int mainLine_ = 0;  // the main program's line that runs the line being measured (its own, or
                      // the line of the call it was reached through)
  int bodyLine_;  // the first line after the program's header
  IntermediateWriter* output_ = nullptr;
  // The machine time of the records as the split loop reads them back: from the record after
  // the start record, the body's blocks, up to the last move or hole (the footer's blocks after
  // it run in every piece's tail, not in the body).
  MachineMeter* machine_ = nullptr;
  Position machineAt_{};         // where the last record left the tool
  bool machineStarted_ = false;  // the start record has been written
  double start_[3] = {0, 0, 0};
  PassRecords records_;
  DistanceTotals distance_{0.0, 0.0};
  TimeTotals time_{0.0, 0.0};
  Extents minimum_{};
  Extents maximum_{};
  MoveCounters counters_{0, 0};
  const MoveSums sums_{&distance_, &time_, &minimum_, &maximum_, &counters_};  // where moves add
  int units_ = kMillimetres;   // the units of the intermediate file
  bool moved_ = false;         // a move or hole has been recorded
  int lines_ = 1;              // lines of the intermediate file: the units line, records, blocks
  // The program's first followed block with an axis word: up to it every piece stands where the
  // positioning line after the header put it, so what a block before it does to the tool's place
  // does not count.
  bool opened_ = false;
  int unknown_ = 0;            // axes (1 << kX ...) whose place the program reader cannot know
  int offsetWrites_ = 0;       // G10 blocks of the body so far (each piece after them replays them)
  double localShift_[3] = {0, 0, 0};  // G52 X Y Z: the local coordinate system's shift in force
  int workOffset_ = -1;        // the work offset in force (-1: none stated)
  int compensation_ = 0;       // 41, 42 while cutter compensation is in force, else 0
  int compensationBefore_ = 0; // the same before the block being measured
  int unreadableLine_ = 0;     // the first block a control could not read (0: none)
  int unreadableCode_ = 0;     // its BlockReadResult
  int unreadableLetter_ = 0;   // the character at fault
  // The canned cycle in force: its code (0 none), return level and levels, all absolute.
  int cycle_ = 0;
  int cycleReturn_ = 98;
  double cycleZ_ = 0.0;
  double cycleR_ = 0.0;
  double cycleInitial_ = 0.0;
  bool cycleDepthKnown_ = false;
  bool cycleInitialUnknown_ = false;  // the initial level is a Z the reader cannot know
  char cycleParams_[kCycleParamsSize] = "";
};

int MeasurePass::Write(const MoveRecord& record) {
  double bad = 0.0;
  int badIsFeed = 0;
  if (!MoveRecordFits(record, &bad, &badIsFeed)) {
    report_->line = record.line;
    report_->value = bad;
    report_->valueIsFeed = badIsFeed;
    return kMeasureValueTooLarge;
  }
  if (CountLine() != kMeasureOk) return kMeasureTooLarge;
  if (output_->WriteMove(record) != 0) return kMeasureWriteError;
  ++report_->records;
  if (machine_ != nullptr) {
    // The move as the split loop reads it back, rounded to the file's resolution: the pieces'
    // times are those of these numbers.
    const MoveRecord& written = output_->writtenMove();
    if (machineStarted_) machine_->Move(written, machineAt_);
    machineAt_ = written.at;
    machineStarted_ = true;
    report_->machineMinutes = machine_->Minutes();
    return EndRecord(record.line);
  }
  return kMeasureOk;
}

int MeasurePass::EndRecord(int lineNumber) {
  const int64_t ns = MachineNs();
  if (ns < 0) return Refuse(kMeasureMachineTimeTooLong, lineNumber, 0);
  return output_->EndRecord(ns) != 0 ? kMeasureWriteError : kMeasureOk;
}

int64_t MeasurePass::MachineNs() const {
  // Rounded half up; the conversion cuts toward zero, which is down for a time (never below 0).
  const double ns = machine_->Seconds() * 1e9 + 0.5;
  return ns >= 0.0 && ns < 1e18 ? static_cast<int64_t>(ns) : -1;
}

int MeasurePass::CountLine() {
  if (lines_ >= gLineCountLimit) return kMeasureTooLarge;
  ++lines_;
  return kMeasureOk;
}

int MeasurePass::Write(const HoleRecord& record) {
  MoveRecord asMove{};
  asMove.plane = 17;
  asMove.at[kX] = record.x;
  asMove.at[kY] = record.y;
  asMove.at[kZ] = record.z;
  asMove.at[kI] = record.r;
  asMove.at[kJ] = record.initial;
  asMove.feed = record.feed;
  asMove.line = record.line;
  double bad = 0.0;
  int badIsFeed = 0;
  if (!MoveRecordFits(asMove, &bad, &badIsFeed)) {
    report_->line = record.line;
    report_->value = bad;
    report_->valueIsFeed = badIsFeed;
    return kMeasureValueTooLarge;
  }
  if (CountLine() != kMeasureOk) return kMeasureTooLarge;
  if (output_->WriteHole(record) != 0) return kMeasureWriteError;
  ++report_->records;
  if (machine_ != nullptr) {
    const HoleRecord& written = output_->writtenHole();
    machine_->Hole(written, machineAt_);
    machineAt_ = HoleEnd(written);
    report_->machineMinutes = machine_->Minutes();
    return EndRecord(record.line);
  }
  return kMeasureOk;
}

int MeasurePass::Refuse(int result, int lineNumber, int code) {
  if (unreadableLine_ != 0) return RefuseUnreadable();  // it came first
  report_->line = lineNumber;
  report_->code = code;
  return result;
}

int MeasurePass::RefuseUnreadable() {
  report_->line = unreadableLine_;
  report_->code = unreadableCode_;
  report_->letter = unreadableLetter_;
  return kMeasureUnreadableBlock;
}

void MeasurePass::NoteCut(double fromZ, double toZ, int lineNumber) {
  const double highest = fromZ > toZ ? fromZ : toZ;
  if (!report_->anyCut || highest > report_->highestCutZ) report_->highestCutZ = highest;
  report_->anyCut = true;
  if (report_->firstCuttingLine == 0) report_->firstCuttingLine = lineNumber;
  report_->lastCuttingLine = lineNumber;
  report_->lastCutRecord = lines_ - 1;  // the record about to be written
}

void MeasurePass::NoteMove(int lineNumber) {
  report_->lastMoveLine = lineNumber;
  report_->lastMoveMainLine = mainLine_;
  report_->lastMoveOrdinal = static_cast<int>(ordinal_);
  report_->lastMoveRecord = lines_ - 2;  // the record just written (the units line is no record)
}

int MeasurePass::RefuseCall(const CallFault& fault) {
  if (unreadableLine_ != 0) return RefuseUnreadable();
  report_->line = fault.line;
  report_->code = fault.reason;
  report_->letter = fault.code;
  report_->value = fault.number;
  return kMeasureCall;
}

int MeasurePass::CarryBlock(const char* line, size_t length, int lineNumber, int distanceMode) {
  char text[kCarriedTextSize];
  const int written = CanonicalBlockText(line, length, records_.block, text, sizeof text);
  if (written < 0) return Refuse(kMeasureLineTooLong, lineNumber, 0);
  if (written == 0) return kMeasureOk;
  if (CountLine() != kMeasureOk) return kMeasureTooLarge;
  int64_t ns = 0;
  if (machine_ != nullptr) {
    if (machineStarted_ && lineNumber >= bodyLine_) machine_->Block(text, static_cast<size_t>(written));
    ns = MachineNs();
    if (ns < 0) return Refuse(kMeasureMachineTimeTooLong, lineNumber, 0);
  }
  if (output_->WriteBlock(lineNumber, distanceMode, text, static_cast<size_t>(written), ns) != 0) {
    return kMeasureWriteError;
  }
  return kMeasureOk;
}

int MeasurePass::SetPosition(const char* line, size_t length, int lineNumber, int distanceBefore) {
  // The tool stays where it is; only the numbers that name its place change. Every piece begins
  // with the program's header, so a G92 there states the place every piece starts from; one after
  // the first move would shift the coordinates of the pieces that follow it.
  PassRecords& r = records_;
  if (moved_) return Refuse(kMeasureLateSetPosition, lineNumber, 0);
  AdvanceAsMachine(true, r, r.previous, units_, &r.current);
  report_->setPositionLine = lineNumber;
  for (int axis = kX; axis <= kZ; ++axis) {
    if (!r.given[axis]) continue;
    report_->setPositionAxes |= 1 << axis;
    report_->setPosition[axis] = r.current[axis];
    unknown_ &= ~(1 << axis);  // the place is stated
  }
  r.previous = r.current;
  return CarryBlock(line, length, lineNumber, distanceBefore);
}

int MeasurePass::RefuseCodes(int lineNumber) {
  const Block& block = records_.block;
  int otherCycle = -1;
  if (const RefusedCode* refused = FindRefusedCode(block, &otherCycle)) {
    report_->letter = refused->letter;
    report_->value = refused->value;
    report_->reason = refused->reason;
    return Refuse(kMeasureUnsupportedCode, lineNumber, 0);
  }
  // G70 and G71 set inches and millimetres on some controls and are hole patterns or lathe
  // cycles on others: which one the program's control runs is not in the program.
  if (otherCycle == 70 || otherCycle == 71) return Refuse(kMeasureUnitsCode, lineNumber, otherCycle);
  if (otherCycle >= 0) return Refuse(kMeasureCannedCycle, lineNumber, otherCycle);
  // One unit for the whole program: the pieces and the intermediate file count in it.
  if ((block.HasCode('G', 20) && units_ != kInches) || (block.HasCode('G', 21) && units_ != kMillimetres)) {
    return Refuse(kMeasureUnitsChange, lineNumber, 0);
  }
  return kMeasureOk;
}

int MeasurePass::MeasureHeaderLine(const char* line, size_t length, int lineNumber, int distanceBefore) {
  // The header: its codes count, its moves are the header's own business.
  PassRecords& r = records_;
  const Block& block = r.block;
  r.Interpret(IsUnfollowedMove);
  if (IsSetPositionBlock(block)) return SetPosition(line, length, lineNumber, distanceBefore);
  if (const int offset = SelectedWorkOffset(block); offset >= 0) workOffset_ = offset;
  compensation_ = UpdateCompensation(block, compensation_);
  return CarryBlock(line, length, lineNumber, distanceBefore);
}

int MeasurePass::MeasureOffsetWrite(const char* line, size_t length, int lineNumber, int distanceBefore) {
  // A piece that resumes after an offset write writes it again in its head, before it moves: that
  // is the same only for a write that stores the same whatever the register held. So: the
  // absolute form (under G91 the values are added), a work offset (L2, L20) or a tool offset (L1,
  // L10..L13) with its P, and nothing else on the block.
  PassRecords& r = records_;
  const Block& block = r.block;
  bool absolute = distanceBefore == 90;
  int kind = -1;
  bool numbered = false;
  for (int w = 0; w < block.wordCount; ++w) {
    const BlockWord& word = block.words[w];
    switch (word.letter) {
      case 'G':
        if (!word.integral || (word.code != 10 && word.code != 90)) return Refuse(kMeasureOffsetWriteForm, lineNumber, 0);
        if (word.code == 90) absolute = true;
        break;
      case 'L':
        if (!word.integral) return Refuse(kMeasureOffsetWriteForm, lineNumber, 0);
        kind = word.code;
        break;
      case 'P': numbered = true; break;
      case 'N': case 'X': case 'Y': case 'Z': case 'R': break;
      default: return Refuse(kMeasureOffsetWriteForm, lineNumber, 0);
    }
  }
  const bool workOffset = kind == 2 || kind == 20;
  const bool toolOffset = kind == 1 || (kind >= 10 && kind <= 13);
  if (!absolute || !numbered || !(workOffset || toolOffset)) return Refuse(kMeasureOffsetWriteForm, lineNumber, 0);
  ApplyDistanceMode(block, &r);
  char words[kOffsetWriteTextSize];
  if (!OffsetWriteWords(line, block, words, sizeof words)) return Refuse(kMeasureOffsetWriteForm, lineNumber, 0);
  if (lineNumber >= bodyLine_) {
    // The header's writes are in every piece already; those of the body are replayed.
    if (++offsetWrites_ > kOffsetWriteLimit) return Refuse(kMeasureTooManyOffsetWrites, lineNumber, kOffsetWriteLimit);
    // A work offset or a tool length may be the one the coordinates are in: until an absolute
    // move names them again no program reader knows where the axes stand in the new frame. A
    // radius (L12, L13) moves nothing.
    if (opened_ && kind != 12 && kind != 13) unknown_ = 7;
  }
  return CarryBlock(line, length, lineNumber, distanceBefore);
}

int MeasurePass::MeasureLocalSystem(const char* line, size_t length, int lineNumber, int distanceBefore) {
  // A piece that resumes under a shift sets it again in its head, before it moves, and makes its
  // own moves (the positioning, the return) in the shifted frame: that is the same only for a
  // shift that is the same whatever came before. So: the absolute form (under G91 controls differ
  // on what the values mean) of X and Y with nothing else on the block, outside canned cycles
  // (whose levels are held in the frame they began in) and cutter compensation (whose offset path
  // the new frame would break). A Z shift would move every height the pieces add (the start
  // height, the approach) into the new frame: not carried. Every piece begins with the header, so
  // a shift there would stand under every positioning line: only its cancel is taken. Under a
  // G92 the controls differ on how the two shifts combine, and a piece's header states its G92
  // again while the shift of the piece before may still stand: a program with G92 takes no shift.
  PassRecords& r = records_;
  const Block& block = r.block;
  bool absolute = distanceBefore == 90;
  for (int w = 0; w < block.wordCount; ++w) {
    const BlockWord& word = block.words[w];
    switch (word.letter) {
      case 'G':
        if (!word.integral || (word.code != 52 && word.code != 90)) return Refuse(kMeasureLocalSystemForm, lineNumber, 0);
        if (word.code == 90) absolute = true;
        break;
      case 'N': case 'X': case 'Y': case 'Z': break;
      default: return Refuse(kMeasureLocalSystemForm, lineNumber, 0);
    }
  }
  if (!absolute || cycle_ != 0 || compensation_ != 0) return Refuse(kMeasureLocalSystemForm, lineNumber, 0);
  double shift[3] = {localShift_[kX], localShift_[kY], localShift_[kZ]};
  LocalSystemValues(block, units_, shift);
  const bool shifted = shift[kX] != 0.0 || shift[kY] != 0.0 || shift[kZ] != 0.0;
  if (shift[kZ] != 0.0 || (shifted && (lineNumber < bodyLine_ || report_->setPositionLine != 0))) {
    return Refuse(kMeasureLocalSystemForm, lineNumber, 0);
  }
  // The shift, and the start point in its frame (where a piece's positioning line and return go),
  // are written into the pieces: within the ranges of every coordinate.
  for (int axis = kX; axis <= kY; ++axis) {
    for (const double value : {shift[axis], start_[axis] - shift[axis]}) {
      if (CoordinateFits(value)) continue;
      report_->value = value;
      report_->valueIsFeed = 0;
      return Refuse(kMeasureValueTooLarge, lineNumber, 0);
    }
  }
  ApplyDistanceMode(block, &r);
  if (shifted) report_->localShiftUsed = true;
  // The tool stays where it is: its numbers change by the change of the shift.
  for (int axis = kX; axis <= kY; ++axis) {
    const double change = shift[axis] - localShift_[axis];
    localShift_[axis] = shift[axis];
    if (change == 0.0) continue;
    r.current[axis] = SnapToZero(r.current[axis] - change, units_);
    r.previous[axis] = r.current[axis];
    machineAt_[axis] = SnapToZero(machineAt_[axis] - change, units_);
  }
  return CarryBlock(line, length, lineNumber, distanceBefore);
}

int MeasurePass::MeasureLine(const char* line, size_t length, int lineNumber) {
  PassRecords& r = records_;
  if (report_->endLine != 0) {
    // After the program's end nothing runs on the machine; the lines are only counted.
    ReadBlock(line, length, &r.block);
    if (!r.block.Empty() || r.block.result != kBlockReadable) ++report_->linesAfterEnd;
    return kMeasureOk;
  }
  if (lineNumber == bodyLine_) OpenBody();
  ReadBlock(line, length, &r.block);
  const Block& block = r.block;
  if (block.result != kBlockReadable) return NoteUnreadable(line, lineNumber);
  const int distanceBefore = r.modal.distanceMode == 91 ? 91 : 90;
  if (block.Empty()) {
    // A comment of its own travels with the blocks around it; blank lines and tape marks do not.
    if (block.hasComment && !block.tapeMark) return CarryBlock(line, length, lineNumber, distanceBefore);
    return kMeasureOk;
  }

  if (const int refused = RefuseCodes(lineNumber); refused != kMeasureOk) return refused;
  if (IsOffsetWrite(block)) return MeasureOffsetWrite(line, length, lineNumber, distanceBefore);
  if (IsLocalSystem(block)) return MeasureLocalSystem(line, length, lineNumber, distanceBefore);
  if (block.Has('G') && (block.HasCode('G', 43) || block.HasCode('G', 44))) report_->lengthOffsetUsed = true;
  if (IsProgramEnd(block)) {
    report_->endLine = lineNumber;
    report_->endCode = block.HasCode('M', 2) ? 2 : 30;
  }
  if (lineNumber < bodyLine_) return MeasureHeaderLine(line, length, lineNumber, distanceBefore);
  FollowFrame(lineNumber);

  const int cycle = FindCannedCycle(block);
  const bool motionWord = block.Has('G') && (block.HasCode('G', 0) || block.HasCode('G', 1) ||
                                             block.HasCode('G', 2) || block.HasCode('G', 3));
  if (block.HasCode('G', 80) || motionWord) cycle_ = 0;
  if (cycle >= 0) return MeasureCycleBlock(line, lineNumber, true);
  if (cycle_ != 0 && (block.Has('X') || block.Has('Y'))) return MeasureCycleBlock(line, lineNumber, false);
  if (cycle_ != 0 && (block.Has('Z') || block.Has('R'))) {
    return Refuse(kMeasureCycleLevelOnly, lineNumber, cycle_);
  }

  return MeasureFollowedBlock(line, length, lineNumber, distanceBefore);
}

void MeasurePass::OpenBody() {
  // Every piece has gone to the start point after its header: the body begins there.
  PassRecords& r = records_;
  for (int axis = kX; axis <= kZ; ++axis) r.current[axis] = start_[axis];
  r.previous = r.current;
  opened_ = true;
  unknown_ = 0;
}

int MeasurePass::NoteUnreadable(const char* line, int lineNumber) {
  // A block a control could not read refuses an NC program. Until a first cutting move shows
  // that the file is one, it is only noted: a file with no cutting move at all (a text or a
  // binary file chosen by mistake) is reported as that.
  const Block& block = records_.block;
  if (unreadableLine_ == 0) {
    unreadableLine_ = lineNumber;
    unreadableCode_ = block.result;
    unreadableLetter_ = static_cast<unsigned char>(line[block.problemAt]);
  }
  if (!report_->anyCut) return kMeasureOk;
  return RefuseUnreadable();
}

void MeasurePass::FollowFrame(int lineNumber) {
  // A new work offset moves the origin by an amount no program reader knows. The offset of the
  // body's first block is the one the positioning line after the header went to the start point
  // in: the body begins in it.
  const Block& block = records_.block;
  const int offset = SelectedWorkOffset(block);
  if (offset >= 0 && lineNumber == bodyLine_) workOffset_ = offset;
  if (offset >= 0) {
    // Until a program states one, the machine works in G54, the power-on offset.
    if (opened_ && offset != (workOffset_ < 0 ? 54 : workOffset_)) unknown_ = 7;
    workOffset_ = offset;
  }
  compensationBefore_ = compensation_;
  compensation_ = UpdateCompensation(block, compensation_);
}

int MeasurePass::MeasureFollowedBlock(const char* line, size_t length, int lineNumber, int distanceBefore) {
  PassRecords& r = records_;
  const Block& block = r.block;
  const bool unfollowed = IsUnfollowedMove(block);
  if (!r.Interpret(IsUnfollowedMove)) {
    // Nothing of the tool's path: a block of codes only (T2 M06, S1000 M03, M08, G54, F300 ...),
    // or a reference return or machine-coordinate move, after which the axes it names stand
    // where the program reader cannot know.
    if (unfollowed && opened_ && !IsDwellBlock(block)) unknown_ |= NamedAxes(block);
    return CarryBlock(line, length, lineNumber, distanceBefore);
  }
  if (!r.AxisGiven() && !r.ArcWordsGiven()) {
    // Codes and settings only (S1000 M03, G43 H1, G90 ...): carried as written, comment and all.
    return CarryBlock(line, length, lineNumber, distanceBefore);
  }
  if (IsSetPositionBlock(block)) return SetPosition(line, length, lineNumber, distanceBefore);
  if (!opened_) {
    opened_ = true;
    unknown_ = 0;
  }
  const int result = MeasureMoveBlock(line, lineNumber);
  if (result != kMeasureNoMove) return result;
  // A block that names axes but moves nothing (a G43 H1 Z100. where Z is 100 already, a G00 Z50.
  // that ends a cycle): it is carried as written. In a piece it comes where the tool stands where
  // it stood in the program, so it moves nothing there either, and what it does besides (a
  // length offset, a cycle cancel, a spindle word) it does there too.
  return CarryBlock(line, length, lineNumber, distanceBefore);
}

int MeasurePass::MeasureMoveBlock(const char* line, int lineNumber) {
  PassRecords& r = records_;
  const Block& block = r.block;
  AdvancePosition(r.modal, r.given, &r.current, r.previous, r.words, units_);
  Position& current = r.current;
  const Position& previous = r.previous;
  const int motion = r.modal.motion;
  const int plane = r.modal.plane == 18 || r.modal.plane == 19 ? r.modal.plane : 17;
  const bool arc = motion == 2 || motion == 3;
  // An axis whose place is unknown: an absolute word puts it somewhere known again (a move even
  // when the number is the one the reader assumed); an incremental one would go on from nowhere.
  const int unknownBefore = unknown_;
  const int named = NamedAxes(block) & unknownBefore;
  if (named != 0 && r.modal.distanceMode == 91) return Refuse(kMeasureUnknownPosition, lineNumber, 0);
  const bool moved = current[kX] != previous[kX] || current[kY] != previous[kY] ||
                     current[kZ] != previous[kZ] || named != 0;
  // Not zeroed as a whole: its riding words alone are 256 bytes, and every field the writer reads
  // is set here (RidingWords terminates the words).
  MoveRecord record;
  record.counted = false;
  std::memset(record.count, 0, sizeof record.count);
  record.feedCount = 0;
  record.machineNs = 0;
  record.words[0] = '\0';
  record.motion = motion;
  record.plane = plane;
  record.flags = (unknownBefore != 0 ? kFromUnknown : 0) | UnknownFlags(unknownBefore & ~named) |
                 (named & 7) * kNamedX;
  // Cutter compensation in force on the move, or started or cancelled by it.
  if (compensationBefore_ != 0 || compensation_ != 0) record.flags |= kCompensated;
  record.at = current;
  record.at[kR] = 0.0;
  record.at[kQ] = 0.0;
  record.feed = r.feed.feed;
  record.line = lineNumber;
  if (arc) {
    const int shaped = ShapeArc(lineNumber, plane, moved, &record);
    if (shaped != kMeasureOk) return shaped;
  } else if (!moved) {
    return kMeasureNoMove;
  }
  if (!RidingWords(line, block, false, record.words, sizeof record.words)) return Refuse(kMeasureLineTooLong, lineNumber, 0);
  if (IsCutting(motion)) {
    if (unreadableLine_ != 0) return RefuseUnreadable();
    NoteCut(previous[kZ], current[kZ], lineNumber);
  }

  ModalState measured = r.modal;
  measured.plane = plane;
  MeasureMove(measured, record.at, previous, r.feed, (record.flags & kFullCircle) != 0 ? kArcFullCircle : kArcOpen,
              sums_);
  const int result = Write(record);
  if (result != kMeasureOk) return result;
  moved_ = true;
  unknown_ &= ~named;
  NoteMove(lineNumber);
  r.previous = r.current;
  r.feed.previousFeed = r.feed.feed;
  return kMeasureOk;
}

int MeasurePass::ShapeArc(int lineNumber, int plane, bool moved, MoveRecord* record) {
  const PassRecords& r = records_;
  const Position& current = r.current;
  const Position& previous = r.previous;
  // The plane's two axes and their centre offsets: X Y with I J, Z X with K I, Y Z with J K.
  const int first = plane == 19 ? kY : plane == 18 ? kZ : kX;
  const int second = plane == 19 ? kZ : plane == 18 ? kX : kY;
  const int firstOffset = plane == 19 ? kJ : plane == 18 ? kK : kI;
  const int secondOffset = plane == 19 ? kK : plane == 18 ? kI : kJ;
  // Whether the arc ends where it starts in the program's own numbers (before positions near 0
  // are snapped to it): only then is it a full circle. A start reached by increments may lie a
  // hair off the same number written absolute (-62.564 + 18.657 is not -43.907 in binary); such
  // a hair is no distance. An end 0.0004 beside its start is one: that arc is a tiny one.
  bool closed = true;
  for (int axis : {first, second}) {
    if (!r.given[axis]) continue;
    const double end = r.modal.distanceMode == 91 ? previous[axis] + r.words[axis] : r.words[axis];
    if (std::fabs(end - previous[axis]) > kBinaryHair) closed = false;
  }
  // The arc's own words decide its shape: centre offsets, or else a radius. A full circle is an
  // arc whose end is its start, given by its centre.
  const bool centreGiven = current[firstOffset] != 0.0 || current[secondOffset] != 0.0;
  if (!centreGiven && current[kR] == 0.0) {
    if (!moved) return kMeasureNoMove;
    return Refuse(kMeasureArcWithoutCentre, lineNumber, 0);
  }
  if (!centreGiven) {
    if (!moved) return kMeasureNoMove;  // a radius arc back to its start is no move
    // In the plane's own orientation (G18 is seen from +Y: its first axis Z, second X).
    PlanePoint offset{0.0, 0.0};
    if (!ArcCentreFromRadius({previous[first], previous[second]}, {current[first], current[second]},
                             current[kR], r.modal.motion, &offset, units_)) {
      report_->value = current[kR];
      return Refuse(kMeasureArcRadiusTooSmall, lineNumber, 0);
    }
    record->flags |= kRadiusForm;
    record->at[kR] = current[kR];
    record->at[firstOffset] = offset.first;
    record->at[secondOffset] = offset.second;
  } else if (closed) {
    record->flags |= kFullCircle;
  } else if (!moved) {
    return kMeasureNoMove;  // a tiny arc that rounds to nothing
  }
  return kMeasureOk;
}

int MeasurePass::MeasureCycleBlock(const char* line, int lineNumber, bool cycleBlock) {
  PassRecords& r = records_;
  const Block& block = r.block;
  r.Interpret(nullptr);  // the feed, the modal codes; the cycle's words are read below
  const bool incremental = r.modal.distanceMode == 91;
  const double increment = units_ == kInches ? 10000.0 : 1000.0;
  auto value = [&](char letter, double* out) {
    const BlockWord* word = block.Find(letter);
    if (word == nullptr) return false;
    *out = word->hasPoint ? word->value : word->value / increment;
    return true;
  };
  if (!opened_) {
    opened_ = true;
    unknown_ = 0;
  }
  if (cycleBlock) BeginCycle();
  if (!MergeCycleParams(line, block, cycleParams_)) return Refuse(kMeasureLineTooLong, lineNumber, 0);
  char words[kRidingWordsSize];
  if (!RidingWords(line, block, true, words, sizeof words)) return Refuse(kMeasureLineTooLong, lineNumber, 0);
  // Under G91 the levels count from the initial level and the holes from the one before: from a
  // place the reader cannot know they would be guesses.
  const int unknownBefore = unknown_;
  if (incremental && ((cycleInitialUnknown_ && (block.Has('R') || block.Has('Z'))) ||
                      (NamedAxes(block) & unknownBefore) != 0)) {
    return Refuse(kMeasureUnknownPosition, lineNumber, 0);
  }
  if (block.HasCode('G', 98)) cycleReturn_ = 98;
  if (block.HasCode('G', 99)) cycleReturn_ = 99;
  // The levels, kept from block to block: under G91 R counts from the initial level and Z from R.
  double rWord = 0.0;
  if (value('R', &rWord)) cycleR_ = incremental ? cycleInitial_ + rWord : rWord;
  double zWord = 0.0;
  if (value('Z', &zWord)) {
    cycleZ_ = incremental ? cycleR_ + zWord : zWord;
    cycleDepthKnown_ = true;
  }
  // A cycle without its depth drills nothing a program reader can follow.
  if (!cycleDepthKnown_) return Refuse(kMeasureCycleWithoutDepth, lineNumber, cycle_);
  // Repeats: K (or L) holes, each from the one before under G91, all the same hole under G90.
  int repeats = 1;
  if (const BlockWord* k = block.Find('K')) repeats = k->code;
  else if (const BlockWord* l = block.Find('L')) repeats = l->code;
  if (repeats < 0 || repeats > 9999) return Refuse(kMeasureCycleWithoutDepth, lineNumber, cycle_);
  double dx = 0.0;
  double dy = 0.0;
  double x = r.previous[kX];
  double y = r.previous[kY];
  if (value('X', &dx)) x = incremental ? r.previous[kX] + dx : dx;
  if (value('Y', &dy)) y = incremental ? r.previous[kY] + dy : dy;
  if (!incremental) dx = dy = 0.0;
  // Where the tool stands after the holes: at the hole, at the R level (G99) or the initial one.
  unknown_ &= ~(NamedAxes(block) & ((1 << kX) | (1 << kY)));
  if (cycleReturn_ == 99 || !cycleInitialUnknown_) unknown_ &= ~(1 << kZ);
  return WriteHoles(CycleHoles{x, y, dx, dy, repeats, unknownBefore != 0}, lineNumber, words);
}

void MeasurePass::BeginCycle() {
  const PassRecords& r = records_;
  if (cycle_ == 0) {
    cycleInitial_ = r.previous[kZ];  // the level the cycle mode begins at
    cycleInitialUnknown_ = (unknown_ & (1 << kZ)) != 0;
    cycleR_ = r.previous[kZ];
    cycleDepthKnown_ = false;
    cycleParams_[0] = '\0';
  }
  cycle_ = FindCannedCycle(r.block);
}

int MeasurePass::WriteHoles(const CycleHoles& holes, int lineNumber, const char* words) {
  PassRecords& r = records_;
  for (int hole = 0; hole < holes.repeats; ++hole) {
    HoleRecord record{};
    record.code = cycle_;
    record.returnLevel = cycleReturn_;
    record.flags = holes.fromUnknown || cycleInitialUnknown_ ? kFromUnknown : 0;
    if (compensation_ != 0) record.flags |= kCompensated;
    record.x = SnapToZero(holes.x + holes.dx * hole, units_);
    record.y = SnapToZero(holes.y + holes.dy * hole, units_);
    record.z = cycleZ_;
    record.r = cycleR_;
    record.feed = r.feed.feed;
    record.initial = cycleInitial_;
    record.line = lineNumber;
    std::memcpy(record.params, cycleParams_, sizeof record.params);
    // The block's other words act once, with its first hole.
    if (hole == 0) std::memcpy(record.words, words, sizeof record.words);
    const HoleShape shape{record.code, record.returnLevel, record.x, record.y, record.z, record.r, record.initial};
    Position end{};
    NoteCut(record.r, record.z, lineNumber);
    MeasureHole(shape, r.previous, r.feed.feed, sums_, &end);
    const int result = Write(record);
    if (result != kMeasureOk) return result;
    moved_ = true;
    NoteMove(lineNumber);
    r.previous = end;
    r.current = end;
  }
  return kMeasureOk;
}

int MeasurePass::Run(const char* ncFile, const char* intermediateFile, Extents* minimum,
                     Extents* maximum, const MachineLimits* machine) {
  minimum_ = *minimum;
  maximum_ = *maximum;
  for (int axis = kX; axis <= kZ; ++axis) {
    minimum_[axis] = start_[axis];
    maximum_[axis] = start_[axis];
  }

  platform::FileHandle input(ncFile, "rb");
  if (!input) return kMeasureNcUnreadable;
  units_ = ProgramUnits(input.get());
  records_.units = units_;
  report_->units = units_;
  // Without an intermediate file the pass only measures (the totals for the window's fields, the
  // program's last move for the footer cut).
  platform::FileHandle output;
  if (intermediateFile != nullptr && !output.Open(intermediateFile, "wb")) {
    return kMeasureIntermediateUnwritable;
  }
  // Under the machine-time estimate every record carries the program's time, planned once here,
  // for the split loop to follow.
  IntermediateWriter writer(output.get(), units_, machine != nullptr);
  output_ = &writer;
  MachineMeter meter(machine != nullptr ? *machine : MachineLimits{}, units_);
  machine_ = machine != nullptr ? &meter : nullptr;

  MoveRecord startRecord{};
  startRecord.plane = 17;
  for (int axis = kX; axis <= kZ; ++axis) startRecord.at[axis] = start_[axis];
  int result = Write(startRecord);
  if (result != kMeasureOk) return result;

  // The program as the machine runs it: a call's subprogram in place of the call, as often as
  // it runs (nc/subprograms.h).
  CallReader reader(input.get());
  char line[kLineBufferSize];
  size_t length = 0;
  int status = kLineRead;
  int64_t afterLastMove = 0;  // where the line after the last move begins (0: not yet)
  while ((status = reader.Next(line, &length)) == kLineRead) {
    // Every piece begins with the header as the file holds it: a call there would run in each.
    if (reader.lastMainCallLine() != 0 && reader.lastMainCallLine() < bodyLine_) {
      return RefuseCallPlace(reader.lastMainCallLine(), kReasonCallInOpening);
    }
    mainLine_ = reader.mainLine();
    ordinal_ = reader.ordinal();
    result = MeasureLine(line, length, reader.lineNumber());
    if (result != kMeasureOk) {
      if (report_->line == reader.lineNumber() && reader.depth() > 0) {
        report_->callLine = reader.callLine();
        report_->callProgram = reader.subprogram();
      }
      return result;
    }
    if (report_->lastMoveOrdinal == ordinal_) afterLastMove = reader.Tell();
  }
  // In a program that calls nothing the footer is the file's own lines after the last move: the
  // footer cut reads them from there, not the whole program once more.
  report_->footerOffset = status == kLineEnd && !reader.followsCalls() && afterLastMove > 0 ? afterLastMove : 0;
  if (status == kLineCallFault) return RefuseCall(reader.fault());
  if (status == kLineTooMany) return kMeasureTooLarge;
  if (status == kLineTooLong || status == kLineReadError) {
    report_->line = reader.lineNumber() + (status == kLineReadError ? 1 : 0);
    return status == kLineTooLong ? kMeasureLineTooLong : kMeasureReadError;
  }
  input.Close();

  // No return to the start point is recorded: every piece's tail lifts, retracts to the start
  // height and returns there by itself, and a move of the program's own kind from wherever it
  // ended (a feed move diving across the stock, say) would be none of the program's moves.
  output_ = nullptr;
  machine_ = nullptr;
  if (writer.Flush() != 0 || (output && !output.Close())) return kMeasureWriteError;

  if (!report_->anyCut) return kMeasureNoCuttingMove;
  if (unreadableLine_ != 0) return RefuseUnreadable();
  *minimum = minimum_;
  *maximum = maximum_;
  return kMeasureOk;
}

// snprintf bound to `out`; returns the length of the whole text like snprintf.
template <typename... Args>
int Compose(std::span<char> out, const char* format, Args... args) {
  if (out.empty()) return 0;
  return std::snprintf(out.data(), out.size(), format, args...);
}

}  // namespace

int MeasureProgram(const MeasureJob& job, const MeasureOutput& out) {
  MeasureReport* report = out.report;
  MeasurePass pass(job.start, job.bodyLine, report);
  int result = pass.Run(job.ncFile, job.intermediateFile, out.minimum, out.maximum, job.machine);
  report->zeroFeedMoves = pass.counters().zeroFeedMoves;
  report->unmeasurableMoves = pass.counters().unmeasurableMoves;
  if (result != kMeasureOk) return result;
  // The split decision compares the cutting distance with a limit given in metres; an inch
  // program's lengths are converted (its feeds are inches per minute, so its times stand).
  const double toMillimetres = report->units == kInches ? kMillimetresPerInch : 1.0;
  out.distance->rapid += pass.distance()[kRapid] * toMillimetres;
  out.distance->running += pass.distance()[kCutting] * toMillimetres / 1000.0;
  out.time->running += pass.time()[kCutting];
  return kMeasureOk;
}

namespace {

int DescribeCallFailure(const MeasureReport& report, std::span<char> out) {
  const int number = static_cast<int>(report.value);
  switch (report.code) {
    case kCallMissing: return Compose(out, kCallMissingText, report.line, number);
    case kCallReturnInMain: return Compose(out, kCallReturnInMainText, report.line);
    case kCallRecursive: return Compose(out, kCallRecursiveText, report.line, number);
    case kCallTooDeep: return Compose(out, kCallTooDeepText, report.line, kMaxCallDepth);
    case kCallForm:
      if (report.letter == 98) return Compose(out, kCallFormText, report.line);
      if (report.letter == 99) return Compose(out, kReturnFormText, report.line);
      return Compose(out, kSubprogramLineFormText, report.line, number);
    case kCallBeforeEnd: return Compose(out, kCallBeforeEndText, report.line, number);
    case kCallNoReturn: return Compose(out, kCallNoReturnText, report.line, number);
    case kCallEndInside: return Compose(out, kCallEndInsideText, report.line, number);
    case kCallTooMany: return Compose(out, kCallTooManyText, report.line, kMaxSubprograms);
    default:
      if (!out.empty()) out[0] = '\0';
      return -1;
  }
}

int DescribeOwnFailure(int result, const MeasureReport& report, const char* ncFile,
                       const char* intermediateFile, std::span<char> out);

}  // namespace

int DescribeMeasureFailure(int result, const MeasureReport& report, const char* ncFile,
                           const char* intermediateFile, std::span<char> out) {
  int length = result == kMeasureCall ? DescribeCallFailure(report, out)
                                      : DescribeOwnFailure(result, report, ncFile, intermediateFile, out);
  if (length < 0 || report.callLine == 0 || out.empty()) return length;
  // A line of a subprogram: which call ran it.
  const size_t used = std::strlen(out.data());
  const int more = Compose(out.subspan(used), kCalledFromText, report.callLine, report.callProgram);
  return static_cast<int>(used) + (more > 0 ? more : 0);
}

namespace {

int DescribeOwnFailure(int result, const MeasureReport& report, const char* ncFile,
                       const char* intermediateFile, std::span<char> out) {
  char value[kCoordinateTextSize] = "";
  FormatCoordinate(report.value, value);
  switch (result) {
    case kMeasureNcUnreadable:
      return Compose(out, kMeasureNcUnreadableText, ncFile);
    case kMeasureIntermediateUnwritable:
      return Compose(out, kMeasureIntermediateText, intermediateFile);
    case kMeasureLineTooLong:
      return Compose(out, kMeasureLineTooLongText, ncFile, report.line,
                     static_cast<int>(kMaxLineLength));
    case kMeasureReadError:
      return Compose(out, kMeasureReadErrorText, ncFile, report.line);
    case kMeasureTooLarge:
      return Compose(out, kMeasureTooLargeText, ncFile, gLineCountLimit);
    case kMeasureWriteError:
      return Compose(out, kMeasureWriteErrorText, intermediateFile);
    case kMeasureCannedCycle:
      return Compose(out, kMeasureCannedCycleText, report.code, report.line);
    case kMeasureUnitsCode:
      return Compose(out, kUnitsCodeText, report.line, report.code);
    case kMeasureUnsupportedCode: {
      char code[kCoordinateTextSize + 1] = {static_cast<char>(report.letter), '\0'};
      FormatCoordinate(report.value, std::span<char>(code + 1, kCoordinateTextSize));
      // Whole codes without their point: "M98", "G65"; "G92.1" keeps it.
      size_t length = std::strlen(code);
      if (length > 0 && code[length - 1] == '.') code[length - 1] = '\0';
      return Compose(out, kUnsupportedCodeText, report.line, code, report.reason);
    }
    case kMeasureUnitsChange:
      return Compose(out, kUnitsChangeText, report.line);
    case kMeasureCycleWithoutDepth:
      return Compose(out, kCycleWithoutDepthText, report.line, report.code);
    case kMeasureCycleLevelOnly:
      return Compose(out, kCycleLevelOnlyText, report.line, report.code);
    case kMeasureUnknownPosition:
      return Compose(out, kUnknownPositionText, report.line);
    case kMeasureOffsetWriteForm:
      return Compose(out, kOffsetWriteFormText, report.line);
    case kMeasureMachineTimeTooLong:
      return Compose(out, kMachineTimeTooLongText, report.line);
    case kMeasureTooManyOffsetWrites:
      return Compose(out, kTooManyOffsetWritesText, report.line, report.code);
    case kMeasureLocalSystemForm:
      return Compose(out, kLocalSystemFormText, report.line);
    case kMeasureUnreadableBlock: {
      const int upperLetter = report.letter >= 'a' ? report.letter - 32 : report.letter;  // the word's letter
      switch (report.code) {
        case kBlockNoNumber:
          return Compose(out, kBlockNoNumberText, report.line, upperLetter);
        case kBlockFullWidth:
          return Compose(out, kBlockFullWidthText, report.line);
        case kBlockMacro:
          return Compose(out, kBlockMacroText, report.line);
        case kBlockTooManyWords:
          return Compose(out, kBlockTooManyWordsText, report.line, kMaxBlockWords);
        case kBlockRepeatedWord:
          return Compose(out, kBlockRepeatedWordText, report.line, upperLetter);
        default:
          if (report.letter > ' ' && report.letter < 0x7F) {
            return Compose(out, kBlockBadCharacterText, report.line, report.letter);
          }
          return Compose(out, kBlockBadByteText, report.line, report.letter);
      }
    }
    case kMeasureArcWithoutCentre:
      return Compose(out, kArcWithoutCentreText, report.line);
    case kMeasureArcRadiusTooSmall:
      return Compose(out, kArcRadiusTooSmallText, report.line, value);
    case kMeasureNoCuttingMove:
      return Compose(out, kNoCuttingMoveText, ncFile);
    case kMeasureLateSetPosition:
      return Compose(out, kLateSetPositionText, report.line);
    case kMeasureValueTooLarge:
      if (report.line == 0) return Compose(out, kMeasureStartTooLargeText, value);
      if (report.valueIsFeed) {
        char feed[32] = "";
        FormatRounded(report.value, feed, 1);
        return Compose(out, kMeasureFeedTooLargeText, report.line, feed);
      }
      return Compose(out, kMeasureCoordinateTooLargeText, report.line, value);
    default:
      if (!out.empty()) out[0] = '\0';
      return -1;
  }
}

}  // namespace

int DescribeZeroFeedWarning(int zeroFeedMoves, std::span<char> out) {
  if (zeroFeedMoves <= 0) {
    if (!out.empty()) out[0] = '\0';
    return 0;
  }
  return Compose(out, kMeasureZeroFeedText, zeroFeedMoves);
}

bool MoveRecordFits(const MoveRecord& record, double* badValue, int* badIsFeed) {
  // Nearly always every value lies far inside its range: one test each, without a branch per
  // value (a NaN fails its test and goes the long way).
  const Position& at = record.at;
  auto far = [](double value) { return std::fabs(value) < kCoordinateFarInside; };
  const bool inside = (record.feed > kFeedFarBelow) & (record.feed < kFeedFarAbove) & far(at[kX]) & far(at[kY]) &
                      far(at[kZ]) & far(at[kI]) & far(at[kJ]) & far(at[kK]) & far(at[kR]);
  if (inside) return true;
  const double coordinates[] = {record.at[kX], record.at[kY], record.at[kZ], record.at[kI],
                                record.at[kJ], record.at[kK], record.at[kR]};
  for (double value : coordinates) {
    if (!CoordinateFits(value)) {
      if (badValue != nullptr) *badValue = value;
      if (badIsFeed != nullptr) *badIsFeed = 0;
      return false;
    }
  }
  if (!FeedFits(record.feed)) {
    if (badValue != nullptr) *badValue = record.feed;
    if (badIsFeed != nullptr) *badIsFeed = 1;
    return false;
  }
  return true;
}
