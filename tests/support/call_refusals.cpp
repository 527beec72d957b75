#include "support/call_refusals.h"

#include "nc/subprograms.h"

std::vector<CallRefusal> CallRefusals() {
  // Subprograms nested five deep: the fifth call is one too many.
  std::string nested = "M98 P1\nM30\n";
  for (int n = 1; n <= 5; ++n) nested += "O" + std::to_string(n) + "\nM98 P" + std::to_string(n + 1) + "\nM99\n";
  std::string tooDeep = nested;  // the sixth program not in the file: too deep comes first
  nested += "O6\nG01 X1. F10\nM99\n";
  std::string many = "M98 P1\nM30\n";
  for (int n = 1; n <= kMaxSubprograms + 1; ++n) many += "O" + std::to_string(n) + "\nM99\n";
  return {
      {"a call of a program the file does not hold", "G01 X1. F10\nM98 P2000\nM30\nO1000\nM99\n", kCallMissing, 2, 2000},
      {"M99 in the main program", "M98 P1000\nM99\nM30\nO1000\nM99\n", kCallReturnInMain, 2, 0},
      {"a subprogram calling itself", "M98 P1000\nM30\nO1000\nM98 P1000\nM99\n", kCallRecursive, 4, 1000},
      {"a subprogram calling its caller", "M98 P1\nM30\nO1\nM98 P2\nM99\nO2\nM98 P1\nM99\n", kCallRecursive, 7, 1},
      {"five calls within each other", nested, kCallTooDeep, 13, 5},
      {"five calls within each other, the sixth program missing", tooDeep, kCallTooDeep, 13, 5},
      {"a call with a move", "G01 X1. M98 P1000 F10\nM30\nO1000\nM99\n", kCallForm, 1, 0},
      {"a call after a move on its line", "G01 X1. F10 M98 P1000\nM30\nO1000\nM99\n", kCallForm, 1, 0},
      {"a call with a point in P", "M98 P1000.\nM30\nO1000\nM99\n", kCallForm, 1, 0},
      {"a call with both L and K", "M98 P1000 L2 K2\nM30\nO1000\nM99\n", kCallForm, 1, 0},
      {"a call with L and the repeat digits", "M98 P21000 L2\nM30\nO1000\nM99\n", kCallForm, 1, 0},
      {"a call with no repeat", "M98 P1000 L0\nM30\nO1000\nM99\n", kCallForm, 1, 0},
      {"a call without P", "M98 L2\nM30\nO1000\nM99\n", kCallForm, 1, 0},
      {"a return to a sequence number", "M98 P1000\nM30\nO1000\nM99 P20\n", kCallForm, 4, 1000},
      {"a return to a one-digit sequence number", "M98 P1000\nM30\nO1000\nM99 P3\n", kCallForm, 4, 1000},
      {"an O line with a move", "M98 P1000\nM30\nO1000 G01 X1.\nM99\n", kCallForm, 3, 1000},
      {"an O line with an axis word", "M98 P1000\nM30\nO1000 X1.\nM99\n", kCallForm, 3, 1000},
      {"a subprogram before the main program's end", "M98 P1000\nO1000\nG01 X1. F10\nM99\nM30\n", kCallBeforeEnd, 1, 1000},
      {"a subprogram the main program runs into", "G01 X1. F10\nO1000\nM99\nM98 P1000\nM30\n", kCallBeforeEnd, 2, 1000},
      {"a main program without an end", "M98 P1000\nG01 X1. F10\nO1000\nM99\n", kCallBeforeEnd, 1, 1000},
      {"a subprogram without M99 before the next", "M98 P1000\nM30\nO1000\nG01 X1. F10\nO2000\nM99\n", kCallNoReturn, 5, 1000},
      {"a subprogram without M99 at the file's end", "M98 P1000\nM30\nO1000\nG01 X1. F10\n", kCallNoReturn, 4, 1000},
      {"a subprogram without M99 before a tape mark", "M98 P1000\nM30\nO1000\nG01 X1. F10\n%\n", kCallNoReturn, 5, 1000},
      {"M30 inside a subprogram", "M98 P1000\nM30\nO1000\nM30\nM99\n", kCallEndInside, 4, 1000},
      {"M02 inside a subprogram", "M98 P1000\nM30\nO1000\nM02\nM99\n", kCallEndInside, 4, 1000},
      {"more subprograms than the index holds", many, kCallTooMany, 3 + 2 * kMaxSubprograms, 0},
  };
}
