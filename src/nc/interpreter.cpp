#include "nc/interpreter.h"


#include "nc/line_reader.h"
#include "nc/scan.h"
#include "nc/skip_lists.h"
#include "platform/platform.h"

namespace {

// Where each upper-case letter stands in the line (at character boundaries), found in one scan.
// The interpreter asks for some forty tokens per line, all beginning with an upper-case letter; a
// token occurs exactly where its letter does and the rest follows, so looking only at those
// places gives what FindText gives, without scanning the whole line for every token.
class LetterIndex {
 public:
  explicit LetterIndex(const char* line) : line_(line) {
    for (const char* p = line; *p != '\0'; p += CharacterWidth(p)) {
      if (*p < 'A' || *p > 'Z') continue;
      Letter& letter = letters_[*p - 'A'];
      if (letter.count < kKept) letter.at[letter.count] = static_cast<int>(p - line);
      if (letter.count <= kKept) ++letter.count;
    }
  }

  // Index of the first occurrence of `token` (an upper-case letter and what follows), or -1.
  int Find(const char* token) const {
    const Letter& letter = letters_[token[0] - 'A'];
    if (letter.count > kKept) return FindText(line_, token);  // more places than kept
    for (int i = 0; i < letter.count; ++i) {
      const char* s = line_ + letter.at[i] + 1;
      const char* t = token + 1;
      while (*t != '\0' && *s == *t) {
        ++s;
        ++t;
      }
      if (*t == '\0') return letter.at[i];
    }
    return -1;
  }
  bool Contains(const char* token) const { return Find(token) >= 0; }

 private:
  static constexpr int kKept = 12;
  struct Letter {
    int count = 0;  // kKept + 1: more than kKept places
    int at[kKept];
  };
  const char* line_;
  Letter letters_[26];
};

// Sets the table entry of the first code of `codes` that the line contains; true when one did.
template <size_t N>
bool MarkFirst(const LetterIndex& line, const char* const (&tokens)[N], const int (&codes)[N],
               int32_t* table) {
  for (size_t i = 0; i < N; ++i) {
    if (line.Contains(tokens[i])) {
      table[codes[i]] = codes[i];
      return true;
    }
  }
  return false;
}

constexpr const char* kPlaneTokens[] = {"G17", "G18", "G19"};
constexpr int kPlaneCodes[] = {17, 18, 19};
constexpr const char* kCompensationTokens[] = {"G40", "G41", "G42"};
constexpr int kCompensationCodes[] = {40, 41, 42};
constexpr const char* kCycleTokens[] = {"G73", "G80", "G81", "G83", "G84"};
constexpr int kCycleCodes[] = {73, 80, 81, 83, 84};
constexpr const char* kMarkerTokens[] = {"G30", "G43", "G44", "G49", "G64", "G98", "G99"};
constexpr int kMarkerCodes[] = {30, 43, 44, 49, 64, 98, 99};
constexpr const char* kMTokens[] = {"M00", "M01", "M02", "M03", "M04", "M05", "M07", "M08", "M09"};
constexpr int kMCodes[] = {0, 1, 2, 3, 4, 5, 7, 8, 9};

}  // namespace

int InterpretBlock(const char* line, GCodeTable* gCodes, MCodeTable* mCodes, ModalState* modal,
                   BlockWords* words, WordGiven* given, WordHasPoint* hasPoint, FeedState* feed,
                   int* distanceModeCopy) {
  int result = 0;
  GCodeTable& g = *gCodes;
  const LetterIndex index(line);

  modal->feedGiven = -1;
  modal->blockMotion = -1;

  // Axis and arc words, each read at the first occurrence of its letter.
  for (int slot = 0; slot < kWordCount; ++slot) {
    const char letter[2] = {kWordLetters[slot], '\0'};
    int at = index.Find(letter);
    if (at < 0) continue;
    double value = 0.0;
    int point = 0;
    ReadWordValue(line + at, &value, &point);
    (*words)[slot] = value;
    (*hasPoint)[slot] = point;
    (*given)[slot] = 1;
    result = 1;
  }

  // F is taken but alone makes no block: a feed change moves nothing.
  if (int at = index.Find("F"); at >= 0) {
    feed->previousFeed = feed->feed;
    feed->feed = ReadWordReal(line + at);
    modal->feedGiven = 1;
  }

  if (int at = index.Find("S"); at >= 0) {
    ReadWordInteger(line + at, &modal->spindleSpeed);
    result = 1;
  }

  // Distance mode: G90 wins when both are written.
  int mode = index.Contains("G90") ? 90 : index.Contains("G91") ? 91 : 0;
  if (mode != 0) {
    g[mode] = mode;
    modal->distanceMode = mode;
    if (distanceModeCopy != nullptr) *distanceModeCopy = mode;
    result = 1;
  }

  if (index.Contains("G92")) {
    g[92] = 92;
    result = 1;
  }

  for (int i = 0; i < 3; ++i) {
    if (index.Contains(kPlaneTokens[i])) {
      g[kPlaneCodes[i]] = kPlaneCodes[i];
      modal->plane = kPlaneCodes[i];
      result = 1;
      break;
    }
  }

  // Motion: the shift runs on every motion word, so the history records repeats as well.
  int motion = FindMotionWord(line);
  if (motion >= 0) {
    modal->blockMotion = motion;
    g[motion] = motion;
    modal->olderMotion = modal->previousMotion;
    modal->previousMotion = modal->motion;
    modal->motion = motion;
    result = 1;
  }

  if (MarkFirst(index, kCompensationTokens, kCompensationCodes, g.data())) result = 1;
  // The D number matters only under cutter compensation; G40 does not forget that it was seen.
  if (g[41] == 41 || g[42] == 42) {
    if (int at = index.Find("D"); at >= 0) ReadWordInteger(line + at, &modal->cutterOffset);
  }

  if (MarkFirst(index, kCycleTokens, kCycleCodes, g.data())) result = 1;

  for (int i = 0; i < 7; ++i) {
    if (index.Contains(kMarkerTokens[i])) {
      g[kMarkerCodes[i]] = kMarkerCodes[i];
      result = 1;
    }
  }

  if (MarkFirst(index, kMTokens, kMCodes, mCodes->data())) result = 1;

  return result;
}

void AdvancePosition(const ModalState& modal, const WordGiven& given, Position* newPosition,
                     const Position& oldPosition, const BlockWords& words) {
  Position& p = *newPosition;
  if (modal.distanceMode == 91) {
    for (int axis = kX; axis <= kZ; ++axis) p[axis] = oldPosition[axis] + words[axis];
  } else if (modal.distanceMode == 90) {
    for (int axis = kX; axis <= kZ; ++axis) p[axis] = given[axis] ? words[axis] : oldPosition[axis];
  }
  if (modal.distanceMode != 0) {
    for (int slot = kI; slot < kWordCount; ++slot) p[slot] = words[slot];
  }
  for (double& value : p) value = SnapToZero(value);
}

void FinishStartScan(ModalState* modal, MCodeTable* mCodes, FeedState* feed) {
  modal->motion = -1;
  modal->previousMotion = -1;
  modal->olderMotion = -1;
  modal->feedGiven = -1;
  modal->cutterOffset = -1;
  modal->spindleSpeed = -1;
  modal->spare = -1;
  modal->blockMotion = -1;
  mCodes->fill(-1);
  feed->initialFeed = feed->feed;
  feed->previousFeed = 0.0;
  feed->feed = 0.0;
}

int ScanInitialState(const char* path, GCodeTable* gCodes, MCodeTable* mCodes, ModalState* modal,
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
    if (LineHasSkipToken(line, kSkipTokens)) continue;
    if (InterpretBlock(line, gCodes, mCodes, modal, words, given, hasPoint, feed,
                       distanceModeCopy) != 1) {
      continue;
    }
    // The R-level line of a canned cycle is no move to the start.
    bool cycle = false;
    for (int code = 81; code <= 89; ++code) cycle = cycle || (*gCodes)[code] != -1;
    if (cycle && (*given)[kR]) continue;
    AdvancePosition(*modal, *given, current, *previous, *words);
    if ((*gCodes)[92] == 92 && (*given)[kX] && (*given)[kY] && (*given)[kZ]) {
      *current = *words;  // the origin set by G92 is the start point
      *previous = *current;
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
