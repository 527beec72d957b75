#include "header_footer/header_cut.h"

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <span>
#include <string_view>

#include "log/run_log.h"
#include "nc/format.h"
#include "nc/interpreter.h"
#include "nc/line_reader.h"
#include "nc/pass_rules.h"
#include "text/crlf_text.h"

namespace {

// True for the G codes a positioning line may carry (PositioningRecipe).
bool IsPositioningCode(int code) {
  return code == 0 || (code >= 17 && code <= 21) || code == 40 || code == 49 ||
         (code >= 54 && code <= 59) || code == 80 || code == 90 || code == 91 || code == 94;
}

// The recipe of the block that ends the header: its positioning G codes (90, 91 first, then 17,
// 18, 19, then the others in ascending order) and the style of each axis's last word.
void TakeRecipe(const GCodeTable& gCodes, const WordHasPoint& hasPoint, PositioningRecipe* recipe) {
  constexpr int kFirst[] = {90, 91, 17, 18, 19};
  size_t length = 0;
  auto append = [&](int code) {
    int n = std::snprintf(recipe->codes + length, sizeof recipe->codes - length, "G%d", code);
    length = std::min(sizeof recipe->codes - 1, length + static_cast<size_t>(n));
  };
  recipe->codes[0] = '\0';
  for (int code : kFirst) {
    if (gCodes[code] > 0) append(code);
  }
  for (int code = 0; code < 100; ++code) {
    bool first = false;
    for (int listed : kFirst) first = first || listed == code;
    if (!first && gCodes[code] >= 0 && IsPositioningCode(code)) append(code);
  }
  for (int axis = kX; axis <= kZ; ++axis) recipe->hasPoint[axis] = hasPoint[axis] == 1 ? 1 : 0;
  recipe->found = true;
}

// Appends the work offset the block selects ("G55", "G54.1P3") to the recipe: the positioning line
// goes to the start point in the frame the program's first rapid moved in.
void TakeWorkOffset(const char* line, const Block& block, PositioningRecipe* recipe) {
  for (int w = 0; w < block.wordCount; ++w) {
    const BlockWord& word = block.words[w];
    if (word.letter != 'G' || word.code < 54 || word.code > 59) continue;
    const bool extended = !word.integral && word.code == 54 && word.value > 54.05 && word.value < 54.15;
    if (!word.integral && !extended) continue;
    size_t used = std::strlen(recipe->codes);
    if (!AppendCanonicalWord(line, word, recipe->codes, sizeof recipe->codes, &used)) return;
    if (const BlockWord* p = block.Find('P'); extended && p != nullptr) {
      AppendCanonicalWord(line, *p, recipe->codes, sizeof recipe->codes, &used);
    }
    return;
  }
}

// A block that takes up (G43, G44) or cancels (G49) a tool length offset with a Z move alone.
bool IsLengthOffsetPickUp(const Block& block) {
  if (!block.Has('G') || block.Has('X') || block.Has('Y')) return false;
  return block.HasCode('G', 43) || block.HasCode('G', 44) || block.HasCode('G', 49);
}

}  // namespace

int FormatPositioningLine(const PositioningRecipe& recipe, const double start[3], std::span<char> out,
                          bool withZ) {
  size_t length = 0;
  auto append = [&](std::string_view text) {
    for (char c : text) {
      if (length + 1 < out.size()) out[length++] = c;
    }
    out[length] = '\0';
  };
  if (!recipe.found) {
    append("G90G00");
    append(recipe.codes);  // a work offset at most
  } else {
    // The start point is absolute: an incremental positioning block becomes an absolute one.
    std::string_view codes(recipe.codes);
    if (codes.rfind("G90", 0) != 0) {
      append("G90");
      if (codes.rfind("G91", 0) == 0) codes.remove_prefix(3);
    }
    append(codes);
  }
  for (int axis = kX; axis <= (withZ ? kZ : kY); ++axis) {
    char word[kCoordinateTextSize + 16];
    const bool point = !recipe.found || recipe.hasPoint[axis] == 1;
    if (recipe.units == kInches) {
      FormatInchAxisWord(kWordLetters[axis], start[axis], point ? 1 : 0, word);
    } else if (point) {
      char value[kCoordinateTextSize];
      FormatCoordinate(start[axis], value);
      std::snprintf(word, sizeof word, "%c%s", kWordLetters[axis], value);
    } else {
      FormatThousandths(kWordLetters[axis], start[axis], word);
    }
    append(word);
  }
  return static_cast<int>(length);
}

int CutHeader(const char* ncFile, const char* headerFile, PositioningRecipe* recipe) {
  PositioningRecipe ownRecipe;
  if (recipe == nullptr) recipe = &ownRecipe;
  recipe->found = false;
  recipe->codes[0] = '\0';
  recipe->bodyLine = 0;
  recipe->units = kMillimetres;

  PassRecords r;
  if (!platform::FileExists(ncFile)) return kHeaderCutFailed;
  if (r.ScanStart(ncFile) != kScanDone) return kHeaderCutFailed;
  const double start[3] = {r.current[kX], r.current[kY], r.current[kZ]};

  platform::FileHandle input(ncFile, "rb");
  if (!input) return kHeaderCutFailed;
  platform::FileHandle output;
  if (headerFile != nullptr && !output.Open(headerFile, "wb")) return kHeaderCutFailed;

  LineReader reader(input.get());
  char raw[kLineBufferSize];
  size_t rawLength = 0;
  bool finished = false;
  bool writeFailed = false;
  auto keep = [&](std::string_view text) {
    if (output && WriteCrlfText(output.get(), text) != 0) writeFailed = true;
  };
  int status = kLineRead;
  while ((status = reader.Next(raw, &rawLength)) == kLineRead) {
    ClearCodeTables(&r.gCodes, &r.mCodes);  // they hold this line's codes only
    const bool wasFinished = finished;
    bool interpreted = r.Step(raw, rawLength, IsUnfollowedMove);
    if (interpreted && FindCannedCycle(r.block) >= 0) {
      finished = true;  // a hole is cut wherever the cycle block stands
    } else if (!interpreted || IsSetPositionBlock(r.block) || IsLengthOffsetPickUp(r.block)) {
      // A G92 block states where the tool stands; it neither moves it nor ends the header. Nor
      // does a tool length offset taken up with a Z move: the positioning line after the header
      // must come with the offset in force, as the program's first rapid did.
      if (!finished) keep(std::string_view(raw, rawLength));
    } else {
      // Each block is judged on its own against the start point: `previous` stays there.
      AdvancePosition(r.modal, r.given, &r.current, r.previous, r.words, r.units);
      if (r.modal.motion == 0 && r.AxisGiven() && !finished) {
        TakeRecipe(r.gCodes, r.hasPoint, recipe);
        TakeWorkOffset(raw, r.block, recipe);
        finished = true;
      }
      if (r.ArcWordsGiven()) finished = true;  // an arc cuts, even back to where it began
      if (r.current[kX] == start[0] && r.current[kY] == start[1] && r.current[kZ] == start[2]) {
        if (!finished) keep(std::string_view(raw, rawLength));
      } else {
        finished = true;
      }
    }
    if (finished && !wasFinished) {
      // The work offset of the body's first block, whatever ends the header: the positioning line
      // goes to the start point in the frame the body begins in.
      if (!recipe->found && r.block.result == kBlockReadable) TakeWorkOffset(raw, r.block, recipe);
      recipe->bodyLine = reader.lineNumber();
      recipe->units = r.units;
      status = kLineEnd;  // nothing after the header's end changes the header
      break;
    }
  }
  if (status != kLineEnd) return kHeaderCutFailed;
  input.Close();
  if ((output && !output.Close()) || writeFailed) return kHeaderCutFailed;
  return kHeaderCutOk;
}
