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

// The header check's texts: the line number and the codes the line loses.
constexpr char kHeaderRefusedText[] =
    "エラー：%d 行目の %s が分割ＮＣファイルの冒頭に入りません。"
    "「ヘッダー＆フッダーファイル作成」でヘッダーファイルを作り、確認してから分割し直してください。";
constexpr char kHeaderWarningText[] =
    "警　告：%d 行目の %s は分割ＮＣファイルの冒頭に入りません。";

// The codes of a lost line that refuse the split, and those that warn.
struct LostCode {
  char letter;
  int code;
  const char* text;
};
constexpr LostCode kRefusingCodes[] = {
    {'G', 43, "G43"}, {'G', 44, "G44"}, {'M', 3, "M03"}, {'M', 4, "M04"}, {'M', 6, "M06"}};
constexpr LostCode kWarningCodes[] = {{'M', 7, "M07"}, {'M', 8, "M08"}};

// Appends `text` to the blank-separated list in `codes`, within its size.
void AppendCode(char (&codes)[kHeaderCodesSize], const char* text) {
  size_t length = std::strlen(codes);
  std::snprintf(codes + length, sizeof codes - length, "%s%s", length == 0 ? "" : " ", text);
}

// Notes what line `lineNumber` loses by not being in the header.
void NoteLostLine(const Block& block, int lineNumber, HeaderCheck* check) {
  if (check->refused.line == 0) {
    HeaderLoss loss{lineNumber, ""};
    for (const LostCode& lost : kRefusingCodes) {
      if (block.HasCode(lost.letter, lost.code)) AppendCode(loss.codes, lost.text);
    }
    if (loss.codes[0] != '\0') check->refused = loss;
  }
  HeaderLoss loss{lineNumber, ""};
  if (const BlockWord* speed = block.Find('S'); speed != nullptr && speed->code > 0) {
    char text[16];
    std::snprintf(text, sizeof text, "S%d", speed->code);
    AppendCode(loss.codes, text);
  }
  for (const LostCode& lost : kWarningCodes) {
    if (block.HasCode(lost.letter, lost.code)) AppendCode(loss.codes, lost.text);
  }
  if (loss.codes[0] == '\0') return;
  if (check->warningCount < kMaxHeaderWarnings) check->warnings[check->warningCount] = loss;
  ++check->warningCount;
}

// The recipe of the block that ends the header: its G codes (90, 91, 92 first, then 17, 18, 19,
// then the others in ascending order) and the style of each axis's last word.
void TakeRecipe(const GCodeTable& gCodes, const WordHasPoint& hasPoint, PositioningRecipe* recipe) {
  constexpr int kFirst[] = {90, 91, 92, 17, 18, 19};
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
    if (!first && gCodes[code] >= 0) append(code);
  }
  for (int axis = kX; axis <= kZ; ++axis) recipe->hasPoint[axis] = hasPoint[axis] == 1 ? 1 : 0;
  recipe->found = true;
}

}  // namespace

int FormatPositioningLine(const PositioningRecipe& recipe, const double start[3],
                          std::span<char> out) {
  size_t length = 0;
  auto append = [&](std::string_view text) {
    for (char c : text) {
      if (length + 1 < out.size()) out[length++] = c;
    }
    out[length] = '\0';
  };
  if (!recipe.found) {
    append("G90G00");
  } else {
    // The start point is absolute: an incremental positioning block becomes an absolute one.
    std::string_view codes(recipe.codes);
    if (codes.rfind("G90", 0) != 0) {
      append("G90");
      if (codes.rfind("G91", 0) == 0) codes.remove_prefix(3);
    }
    append(codes);
  }
  for (int axis = kX; axis <= kZ; ++axis) {
    char word[kCoordinateTextSize + 16];
    if (!recipe.found || recipe.hasPoint[axis] == 1) {
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

int CutHeaderChecked(const char* ncFile, const char* headerFile, int firstCuttingLine,
                     HeaderCheck* check, PositioningRecipe* recipe) {
  HeaderCheck scratch;
  if (check == nullptr) check = &scratch;
  PositioningRecipe ownRecipe;
  if (recipe == nullptr) recipe = &ownRecipe;
  recipe->found = false;
  recipe->codes[0] = '\0';
  check->refused = HeaderLoss{0, ""};
  check->warningCount = 0;

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
    bool kept = false;
    bool interpreted = r.Step(raw, rawLength, IsUninterpretedByCuts);
    // A G92 block states where the tool stands; it neither moves it nor ends the header.
    if (!interpreted || IsSetPositionBlock(r.block)) {
      if (!finished) {
        keep(std::string_view(raw, rawLength));
        kept = true;
      }
    } else {
      // Each block is judged on its own against the start point: `previous` stays there.
      AdvancePosition(r.modal, r.given, &r.current, r.previous, r.words);
      if (r.modal.motion == 0 && r.AxisGiven() && !finished) {
        TakeRecipe(r.gCodes, r.hasPoint, recipe);
        finished = true;
      }
      if (r.ArcWordsGiven()) finished = true;  // an arc cuts, even back to where it began
      if (r.current[kX] == start[0] && r.current[kY] == start[1] && r.current[kZ] == start[2]) {
        if (!finished) {
          keep(std::string_view(raw, rawLength));
          kept = true;
        }
      } else {
        finished = true;
      }
    }
    if (!kept && reader.lineNumber() < firstCuttingLine) {
      NoteLostLine(r.block, reader.lineNumber(), check);
    }
  }
  if (status != kLineEnd) return kHeaderCutFailed;
  input.Close();
  if ((output && !output.Close()) || writeFailed) return kHeaderCutFailed;
  return check->refused.line != 0 ? kHeaderCutRefused : kHeaderCutOk;
}

int CutHeader(const char* ncFile, const char* headerFile, PositioningRecipe* recipe) {
  int result = CutHeaderChecked(ncFile, headerFile, 0, nullptr, recipe);
  return result == kHeaderCutFailed ? kHeaderCutFailed : kHeaderCutOk;
}

int ReportHeaderCheck(platform::WindowHandle owner, const HeaderCheck& check) {
  if (check.refused.line != 0) {
    FormatLog(kHeaderRefusedText, check.refused.line, check.refused.codes);
    EmitLogLine(owner, kLogError);
    return -1;
  }
  int shown = check.warningCount < kMaxHeaderWarnings ? check.warningCount : kMaxHeaderWarnings;
  for (int i = 0; i < shown; ++i) {
    FormatLog(kHeaderWarningText, check.warnings[i].line, check.warnings[i].codes);
    EmitLogLine(owner, kLogPlain);
  }
  return 0;
}
