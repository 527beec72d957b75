// A program of 25.05 minutes and 2.505 m of cutting at F100 (a 5 mm plunge, then 25 straight
// moves of 100 mm), starting and ending at X0 Y0 Z50 (its G92): with a limit of 10 minutes it
// splits into three pieces.
#pragma once

#include <string>

inline std::string TwentyFiveMinuteProgram() {
  std::string text = "%\r\nO0001\r\nG92X0.Y0.Z50.\r\nG90G17G40\r\nG00X0.Y0.Z5.\r\nG01Z0.F100.\r\n";
  for (int i = 0; i < 25; ++i) text += (i % 2 == 0) ? "X100.\r\n" : "X0.\r\n";
  text += "G00Z50.\r\nX0.Y0.\r\nM30\r\n%\r\n";
  return text;
}
