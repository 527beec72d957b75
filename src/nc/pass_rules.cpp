#include "nc/pass_rules.h"

#include "nc/interpreter.h"
#include "nc/line_reader.h"
#include "nc/scan.h"
#include "nc/skip_lists.h"
#include "platform/platform.h"

namespace {

bool IsDigit(char c) { return c >= '0' && c <= '9'; }

// Calls `visit(code)` for every whole word of `letter` in `line` (the letter at a character
// boundary, then at least one digit); a code followed by a decimal part ("G43.4") is another
// code and is not visited. Stops when `visit` returns true, and returns that.
template <typename Visit>
bool ForEachCodeWord(const char* line, char letter, Visit visit) {
  const char token[2] = {letter, '\0'};
  const char* p = line;
  for (int at = FindText(p, token); at >= 0; at = FindText(p, token)) {
    const char* digits = p + at + 1;
    // The letter is one ASCII character, so the byte after it starts a character.
    p = digits;
    if (!IsDigit(digits[0])) continue;
    long code = 0;
    const char* end = digits;
    while (IsDigit(*end)) {
      if (code < 100000) code = code * 10 + (*end - '0');
      ++end;
    }
    if (end[0] == '.' && IsDigit(end[1])) continue;
    if (visit(static_cast<int>(code))) return true;
  }
  return false;
}

}  // namespace

bool HasCodeWord(const char* line, char letter, int code) {
  return ForEachCodeWord(line, letter, [code](int found) { return found == code; });
}

int ApplyDistanceMode(const char* line, ModalState* modal, int* distanceModeCopy) {
  // Substring search, as the interpreter finds G90/G91, so that both agree on every line.
  int mode = FindText(line, "G90") >= 0 ? 90 : FindText(line, "G91") >= 0 ? 91 : 0;
  if (mode != 0) {
    modal->distanceMode = mode;
    if (distanceModeCopy != nullptr) *distanceModeCopy = mode;
  }
  return mode;
}

bool IsDwellBlock(const char* line) { return HasCodeWord(line, 'G', 4); }

bool IsSetPositionBlock(const char* line) { return HasCodeWord(line, 'G', 92); }

int FindCannedCycle(const char* line) {
  int cycle = -1;
  ForEachCodeWord(line, 'G', [&cycle](int code) {
    bool isCycle = code == 73 || code == 74 || code == 76 || (code >= 81 && code <= 89);
    if (isCycle) cycle = code;
    return isCycle;
  });
  return cycle;
}

bool IsUninterpretedLine(const char* line, const char* const* skipTokens, int tokenCount) {
  for (int i = 0; i < tokenCount; ++i) {
    if (FindText(line, skipTokens[i]) >= 0) return true;
  }
  return IsDwellBlock(line) || FindCannedCycle(line) >= 0;
}

int UpdateCompensation(const char* line, int state) {
  if (HasCodeWord(line, 'G', 41)) return 41;
  if (HasCodeWord(line, 'G', 42)) return 42;
  if (HasCodeWord(line, 'G', 40)) return 0;
  return state;
}

bool IsToolChange(const char* line) { return HasCodeWord(line, 'M', 6); }

void AdvanceAsMachine(bool setPosition, const ModalState& modal, const WordGiven& given,
                      Position* newPosition, const Position& oldPosition, const BlockWords& words) {
  if (!setPosition) {
    AdvancePosition(modal, given, newPosition, oldPosition, words);
    return;
  }
  Position& p = *newPosition;
  for (int axis = kX; axis <= kZ; ++axis) p[axis] = given[axis] ? words[axis] : oldPosition[axis];
  for (int slot = kI; slot < kWordCount; ++slot) p[slot] = words[slot];
  for (double& value : p) value = SnapToZero(value);
}

int ScanStartState(const char* path, GCodeTable* gCodes, MCodeTable* mCodes, ModalState* modal,
                   Position* current, Position* previous, BlockWords* words, WordGiven* given,
                   WordHasPoint* hasPoint, FeedState* feed, int* distanceModeCopy,
                   int* failedLine) {
  platform::FileHandle file(path, "rb");
  if (!file) return kScanUnreadable;
  LineReader reader(file.get());
  char line[kLineBufferSize];
  int status = kLineRead;
  while ((status = reader.Next(line)) == kLineRead) {
    CutComment(line);
    ClearBlock(words, given);
    gCodes->fill(-1);  // the table holds the codes of this line only
    ApplyDistanceMode(line, modal, distanceModeCopy);
    if (IsUninterpretedLine(line, kSkipTokens.data(), static_cast<int>(kSkipTokens.size()))) continue;
    if (InterpretBlock(line, gCodes, mCodes, modal, words, given, hasPoint, feed,
                       distanceModeCopy) != 1) {
      continue;
    }
    bool setPosition = IsSetPositionBlock(line);
    AdvanceAsMachine(setPosition, *modal, *given, current, *previous, *words);
    if (setPosition && (*given)[kX] && (*given)[kY] && (*given)[kZ]) {
      *previous = *current;  // the origin set by G92 is the start point
      break;
    }
    *previous = *current;
  }
  if (status == kLineTooLong || status == kLineReadError) {
    if (failedLine != nullptr) *failedLine = reader.lineNumber() + (status == kLineReadError ? 1 : 0);
    return status == kLineTooLong ? kScanLineTooLong : kScanReadError;
  }
  file.Close();

  FinishStartScan(modal, mCodes, feed);
  return kScanDone;
}

bool IsUninterpretedByCuts(const char* line) {
  return IsDwellBlock(line) || LineHasSkipToken(line, kSkipTokens);
}

PassRecords::PassRecords() {
  modal.distanceMode = kPowerOnDistanceMode;
  ClearCodeTables(&gCodes, &mCodes);
}

bool PassRecords::Interpret(char* line, UninterpretedRule uninterpreted) {
  CutComment(line);
  ClearBlock(&words, &given);
  ApplyDistanceMode(line, &modal, &modeCopy);
  if (uninterpreted(line)) return false;
  return InterpretBlock(line, &gCodes, &mCodes, &modal, &words, &given, &hasPoint, &feed,
                        &modeCopy) == 1;
}

int PassRecords::ScanStart(const char* path, int* failedLine) {
  return ScanStartState(path, &gCodes, &mCodes, &modal, &current, &previous, &words, &given,
                        &hasPoint, &feed, &modeCopy, failedLine);
}

