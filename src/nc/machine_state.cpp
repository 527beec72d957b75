#include "nc/machine_state.h"

#include <cstring>

MachineState UnstatedMachine() {
  return MachineState{kNotStated, kNotStated, kNotStated, kNotStated, kNotStated,
                      kNotStated, kNotStated, kNotStated, kNotStated, kNotStated,
                      kNotStated, kNotStated, kNotStated, kNotStated, {"", "", ""}};
}

void UpdateMachineState(const Block& block, int timing, MachineState* state, const char* line) {
  const bool before = timing != kAfterMove;
  const bool after = timing != kBeforeMove;
  for (int w = 0; w < block.wordCount; ++w) {
    const BlockWord& word = block.words[w];
    switch (word.letter) {
      case 'G': {
        if (!before) break;
        if (!word.integral) {
          // G54.1 P1..P48: the extended work offsets.
          if (word.code == 54 && word.value > 54.05 && word.value < 54.15) {
            const BlockWord* p = block.Find('P');
            state->workOffset = 5400 + (p != nullptr ? p->code : 0);
          }
          break;
        }
        const int code = word.code;
        if (code >= 17 && code <= 19) state->plane = code;
        if (code == 20 || code == 21) state->units = code;
        if (code == 40 || code == 41 || code == 42) {
          state->compensation = code;
          if (code != 40) {
            const BlockWord* d = block.Find('D');
            if (d == nullptr) d = block.Find('H');
            if (d != nullptr) state->compensationRegister = d->code;
          }
        }
        if (code == 43 || code == 44) {
          state->lengthOffset = code;
          if (const BlockWord* h = block.Find('H')) state->lengthRegister = h->code;
        }
        if (code == 49) state->lengthOffset = 49;
        if (code >= 54 && code <= 59) state->workOffset = code;
        if (code == 94 || code == 95) state->feedMode = code;
        if (code == 98 || code == 99) state->cycleReturn = code;
        break;
      }
      case 'M': {
        if (!word.integral) break;
        const int code = word.code;
        if ((code == 3 || code == 4) && before) state->spindle = code;
        if (code == 5 && after) state->spindle = 5;
        if ((code == 7 || code == 8) && before) state->coolant = code == 8 || state->coolant != 8 ? code : 8;
        if (code == 9 && after) state->coolant = 9;
        if (code == 6 && before) state->tool = state->selectedTool;
        break;
      }
      case 'T':
        if (before) state->selectedTool = word.code;
        break;
      case 'S':
        if (before) state->spindleSpeed = word.code;
        break;
      case 'D':
        if (before && !block.Has('G') && state->compensation != 40) {
          state->compensationRegister = word.code;
        }
        break;
      case 'A':
      case 'B':
      case 'C':
        if (before && line != nullptr) {
          char* rotary = state->rotary[word.letter - 'A'];
          size_t used = 0;
          if (!AppendCanonicalWord(line, word, rotary, kRotaryWordSize, &used)) rotary[0] = '\0';
        }
        break;
      default:
        break;
    }
  }
  // "T2 M06" and "M06 T2" both change to tool 2: a T on the M06 block is the tool it puts in.
  if (before && block.HasCode('M', 6)) {
    if (const BlockWord* t = block.Find('T')) state->tool = t->code;
  }
}

void ApplyStateText(const char* text, size_t length, int timing, MachineState* state) {
  if (length == 0) return;
  Block block;
  if (ReadBlock(text, length, &block) == kBlockReadable) UpdateMachineState(block, timing, state, text);
}

bool SameCuttingState(const MachineState& a, const MachineState& b) {
  return a.tool == b.tool && a.lengthOffset == b.lengthOffset &&
         a.lengthRegister == b.lengthRegister && a.workOffset == b.workOffset &&
         a.spindle == b.spindle && a.spindleSpeed == b.spindleSpeed && a.coolant == b.coolant &&
         a.plane == b.plane && a.feedMode == b.feedMode &&
         std::strcmp(a.rotary[0], b.rotary[0]) == 0 && std::strcmp(a.rotary[1], b.rotary[1]) == 0 &&
         std::strcmp(a.rotary[2], b.rotary[2]) == 0;
}
