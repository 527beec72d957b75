#include "support/picture_split.h"

#include "split/split_driver.h"

PictureSplitTest::PictureSplitTest() {
  fake.executablePath = dir.Path("quendrix");
  dir.Write("Quendrix.ini", "[COMMAND]\r\nMODE=1\r\n");
  StartSettings();
  ReadCommandSettings(&command_);
}

PictureSplitTest::~PictureSplitTest() {
  gSettingsPath[0] = '\0';
  gProgramDirectory[0] = '\0';
}

int PictureSplitTest::Split(const std::string& program, double metres, double minutes, PieceObserver* observer) {
  dir.Write("PART.NC", program);
  path = dir.Path("PART.NC");
  SplitJob job{path.c_str(), metres, minutes, {0, 0, 50}};
  job.observer = observer;
  job.settings = command_;
  return SplitProgram(nullptr, job);
}

std::string ZigzagProgram() {
  std::string text = "%\r\nO0001\r\nG92X0.Y0.Z50.\r\nG90G17G40\r\nG00X0.Y0.Z5.\r\nG01Z0.F100.\r\n";
  for (int i = 0; i < 25; ++i) text += (i % 2 == 0) ? "X100.Y" + std::to_string(i * 4) + ".\r\n" : "X0.\r\n";
  text += "G03Y106.J5.\r\nG00Z50.\r\nX0.Y0.\r\nM30\r\n%\r\n";
  return text;
}
