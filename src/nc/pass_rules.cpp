#include "nc/pass_rules.h"

#include <cstring>

#include "nc/line_reader.h"
#include "nc/call_reader.h"
#include "platform/platform.h"

int ApplyDistanceMode(const Block& block, InterpreterRecords* records) {
  if (!block.Has('G')) return 0;
  int mode = block.HasCode('G', 90) ? 90 : block.HasCode('G', 91) ? 91 : 0;
  if (mode != 0) {
    records->modal.distanceMode = mode;
    records->modeCopy = mode;
  }
  return mode;
}

int FindCannedCycle(const Block& block) {
  if (!block.Has('G')) return -1;
  for (int w = block.first['G' - 'A'] - 1; w < block.wordCount; ++w) {
    const BlockWord& word = block.words[w];
    if (word.letter != 'G' || !word.integral) continue;
    int code = word.code;
    if (code == 73 || code == 74 || code == 76 || (code >= 81 && code <= 89)) return code;
  }
  return -1;
}

int UpdateCompensation(const Block& block, int state) {
  if (!block.Has('G')) return state;
  if (block.HasCode('G', 41)) return 41;
  if (block.HasCode('G', 42)) return 42;
  if (block.HasCode('G', 40)) return 0;
  return state;
}

void AdvanceAsMachine(bool setPosition, const InterpreterRecords& block, const Position& oldPosition, int units,
                      Position* newPosition) {
  if (!setPosition) {
    AdvancePosition(block.modal, block.given, newPosition, oldPosition, block.words, units);
    return;
  }
  Position& p = *newPosition;
  for (int axis = kX; axis <= kZ; ++axis) p[axis] = block.given[axis] ? block.words[axis] : oldPosition[axis];
  for (int slot = kI; slot < kWordCount; ++slot) p[slot] = block.words[slot];
  for (double& value : p) value = SnapToZero(value, units);
}

bool IsUnfollowedMove(const Block& block) {
  if (!block.Has('G')) return false;
  return block.HasCode('G', 4) || block.HasCode('G', 10) || block.HasCode('G', 27) || block.HasCode('G', 28) ||
         block.HasCode('G', 30) || block.HasCode('G', 52) || block.HasCode('G', 53);
}

int LocalSystemValues(const Block& block, int units, double values[3]) {
  const double increment = units == kInches ? 10000.0 : 1000.0;
  int named = 0;
  for (int axis = kX; axis <= kZ; ++axis) {
    const BlockWord* word = block.Find(kWordLetters[axis]);
    if (word == nullptr) continue;
    values[axis] = word->hasPoint ? word->value : word->value / increment;
    named |= 1 << axis;
  }
  return named;
}

bool IsUninterpretedByStartScan(const Block& block) {
  return IsUnfollowedMove(block) || FindCannedCycle(block) >= 0;
}

PassRecords::PassRecords() {
  modal.distanceMode = kPowerOnDistanceMode;
  ClearCodeTables(&gCodes, &mCodes);
  block.wordCount = 0;
  block.result = kBlockReadable;
}

bool PassRecords::Step(const char* line, size_t length, UninterpretedRule uninterpreted) {
  ReadBlock(line, length, &block);
  return Interpret(uninterpreted);
}

bool PassRecords::Interpret(UninterpretedRule uninterpreted) {
  ClearBlock(&words, &given);
  if (block.result != kBlockReadable) return false;
  ApplyDistanceMode(block, this);
  const bool recognised = InterpretBlock(block, this) == 1;
  if (uninterpreted == nullptr || !uninterpreted(block)) return recognised;
  ClearBlock(&words, &given);
  return false;
}

int PassRecords::ScanStart(const char* path, int* failedLine) {
  platform::FileHandle file(path, "rb");
  if (!file) return kScanUnreadable;
  // The program as the machine runs it, through its calls: where it ends is where the last
  // subprogram it ran left the tool. A call the reader cannot follow ends the scan; the
  // measurement pass refuses it with its line.
  CallReader reader(file.get());
  char line[kLineBufferSize];
  size_t length = 0;
  int status = kLineRead;
  double shift[3] = {0, 0, 0};  // G52: the local coordinate system's shift in force
  while ((status = reader.Next(line, &length)) == kLineRead) {
    gCodes.fill(-1);  // the table holds the codes of this line only
    const bool interpreted = Step(line, length, IsUninterpretedByStartScan);
    if (block.result == kBlockReadable && IsLocalSystem(block)) {
      // The tool stays where it is: its numbers change by the change of the shift.
      double values[3] = {shift[kX], shift[kY], shift[kZ]};
      LocalSystemValues(block, units, values);
      for (int axis = kX; axis <= kZ; ++axis) {
        current[axis] -= values[axis] - shift[axis];
        shift[axis] = values[axis];
      }
      previous = current;
    }
    if (interpreted) {
      bool setPosition = IsSetPositionBlock(block);
      AdvanceAsMachine(setPosition, *this, previous, units, &current);
      if (setPosition && given[kX] && given[kY] && given[kZ]) {
        previous = current;  // the origin set by G92 is the start point
        break;
      }
      previous = current;
    }
    if (block.result == kBlockReadable && IsProgramEnd(block)) break;
  }
  if (status == kLineTooMany) return kScanTooManyLines;
  if (status == kLineCallFault) status = kLineEnd;
  if (status == kLineTooLong || status == kLineReadError) {
    if (failedLine != nullptr) *failedLine = reader.lineNumber() + (status == kLineReadError ? 1 : 0);
    return status == kLineTooLong ? kScanLineTooLong : kScanReadError;
  }
  file.Close();
  // The start point is in the frame the program starts in, without a local system.
  for (int axis = kX; axis <= kZ; ++axis) current[axis] += shift[axis];
  previous = current;

  modal.motion = -1;
  modal.previousMotion = -1;
  modal.olderMotion = -1;
  modal.feedGiven = -1;
  modal.cutterOffset = -1;
  modal.spindleSpeed = -1;
  modal.spare = -1;
  modal.blockMotion = -1;
  mCodes.fill(-1);
  feed.initialFeed = feed.feed;
  feed.previousFeed = 0.0;
  feed.feed = 0.0;
  return kScanDone;
}

bool OffsetWriteWords(const char* line, const Block& block, char* out, size_t size) {
  // Always G90 first: what came before the write in a piece (a header's G91 G28 Z0.) must not make
  // it an incremental one.
  if (size < 4) return false;
  std::memcpy(out, "G90", 4);
  size_t used = 3;
  for (char letter : {'G', 'L', 'P', 'X', 'Y', 'Z', 'R'}) {
    for (int w = 0; w < block.wordCount; ++w) {
      const BlockWord& word = block.words[w];
      if (word.letter != letter || (letter == 'G' && word.integral && word.code == 90)) continue;
      if (!AppendCanonicalWord(line, word, out, size, &used)) return false;
    }
  }
  return true;
}
