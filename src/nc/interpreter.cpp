#include "nc/interpreter.h"

namespace {

// Sets the table entry of the first of `codes` that the block holds; true when one did.
template <size_t N>
bool MarkFirst(const Block& block, const int (&codes)[N], int32_t* table) {
  for (int code : codes) {
    if (block.HasCode('G', code)) {
      table[code] = code;
      return true;
    }
  }
  return false;
}

constexpr int kPlaneCodes[] = {17, 18, 19};
constexpr int kCompensationCodes[] = {40, 41, 42};
constexpr int kCycleCodes[] = {73, 80, 81, 83, 84};
constexpr int kMarkerCodes[] = {30, 43, 44, 49, 64, 98, 99};
constexpr int kMCodes[] = {0, 1, 2, 3, 4, 5, 7, 8, 9};

// The motion code of the block: the lowest of G00..G03 written as a whole word, -1 when none.
int BlockMotionCode(const Block& block) {
  if (!block.Has('G')) return -1;
  int lowest = -1;
  for (int w = block.first['G' - 'A'] - 1; w < block.wordCount; ++w) {
    const BlockWord& word = block.words[w];
    if (word.letter != 'G' || !word.integral || word.code < 0 || word.code > 3) continue;
    if (lowest < 0 || word.code < lowest) lowest = word.code;
  }
  return lowest;
}

// Steps 5 to 8 of InterpretBlock: the distance mode, G92, the plane and the motion. True when the
// block holds one.
bool TakeModalCodes(const Block& block, InterpreterRecords* r) {
  bool result = false;
  ModalState& modal = r->modal;
  GCodeTable& g = r->gCodes;
  // Distance mode: G90 wins when both are written.
  int mode = block.HasCode('G', 90) ? 90 : block.HasCode('G', 91) ? 91 : 0;
  if (mode != 0) {
    g[mode] = mode;
    modal.distanceMode = mode;
    r->modeCopy = mode;
    result = true;
  }
  if (block.HasCode('G', 92)) {
    g[92] = 92;
    result = true;
  }
  for (int code : kPlaneCodes) {
    if (block.HasCode('G', code)) {
      g[code] = code;
      modal.plane = code;
      result = true;
      break;
    }
  }

  // Motion: the shift runs on every motion word, so the history records repeats as well.
  int motion = BlockMotionCode(block);
  if (motion >= 0) {
    modal.blockMotion = motion;
    g[motion] = motion;
    modal.olderMotion = modal.previousMotion;
    modal.previousMotion = modal.motion;
    modal.motion = motion;
    result = true;
  }
  return result;
}

// The remaining steps: compensation (and its D), the cycle codes, the marker codes and the first
// M code of the tables. True when the block holds one of them.
bool TakeTableCodes(const Block& block, InterpreterRecords* r) {
  bool result = false;
  GCodeTable& g = r->gCodes;
  if (MarkFirst(block, kCompensationCodes, g.data())) result = true;
  // The D number matters only under cutter compensation; G40 does not forget that it was seen.
  if (g[41] == 41 || g[42] == 42) {
    if (const BlockWord* word = block.Find('D')) r->modal.cutterOffset = word->code;
  }
  if (MarkFirst(block, kCycleCodes, g.data())) result = true;
  for (int code : kMarkerCodes) {
    if (block.HasCode('G', code)) {
      g[code] = code;
      result = true;
    }
  }
  for (int code : kMCodes) {
    if (block.HasCode('M', code)) {
      r->mCodes[code] = code;
      result = true;
      break;
    }
  }
  return result;
}

}  // namespace

int InterpretBlock(const Block& block, InterpreterRecords* r) {
  int result = 0;
  ModalState& modal = r->modal;
  GCodeTable& g = r->gCodes;

  modal.feedGiven = -1;
  modal.blockMotion = -1;
  if (block.Has('G')) {
    if (block.HasCode('G', 20)) r->units = kInches;
    if (block.HasCode('G', 21)) r->units = kMillimetres;
  }
  const double increment = r->units == kInches ? 10000.0 : 1000.0;

  // Axis and arc words, the first of each letter.
  for (int slot = 0; slot < kWordCount; ++slot) {
    const BlockWord* word = block.Find(kWordLetters[slot]);
    if (word == nullptr) continue;
    // A number without a decimal point counts the least input increment.
    r->words[slot] = word->hasPoint ? word->value : word->value / increment;
    r->hasPoint[slot] = word->hasPoint ? 1 : 0;
    r->given[slot] = 1;
    result = 1;
  }

  // F is taken but alone makes no block: a feed change moves nothing.
  if (const BlockWord* word = block.Find('F')) {
    r->feed.previousFeed = r->feed.feed;
    r->feed.feed = word->value;
    modal.feedGiven = 1;
  }
  if (const BlockWord* word = block.Find('S')) {
    modal.spindleSpeed = word->code;
    result = 1;
  }
  if (!block.Has('G') && !block.Has('M')) {
    // Without G words the compensation table is as it was: only the D word can matter here.
    if ((g[41] == 41 || g[42] == 42) && block.Has('D')) modal.cutterOffset = block.Find('D')->code;
    return result;
  }
  if (TakeModalCodes(block, r)) result = 1;
  if (TakeTableCodes(block, r)) result = 1;
  return result;
}

void AdvancePosition(const ModalState& modal, const WordGiven& given, Position* newPosition,
                     const Position& oldPosition, const BlockWords& words, int units) {
  Position& p = *newPosition;
  if (modal.distanceMode == 91) {
    for (int axis = kX; axis <= kZ; ++axis) p[axis] = oldPosition[axis] + words[axis];
  } else if (modal.distanceMode == 90) {
    for (int axis = kX; axis <= kZ; ++axis) p[axis] = given[axis] ? words[axis] : oldPosition[axis];
  }
  if (modal.distanceMode != 0) {
    for (int slot = kI; slot < kWordCount; ++slot) p[slot] = words[slot];
  }
  for (double& value : p) value = SnapToZero(value, units);
}
