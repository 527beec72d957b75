// A run of the split driver for the tests of the split's picture: a fresh folder with a settings
// file of MODE 1 (no completion box) whose command settings each split is given, and a program
// whose pieces and seams are easy to tell apart.
#pragma once

#include <gtest/gtest.h>

#include <string>

#include "config/settings.h"
#include "split/piece_observer.h"
#include "support/fake_platform.h"
#include "support/temp_dir.h"

class PictureSplitTest : public testing::Test {
 protected:
  PictureSplitTest();
  ~PictureSplitTest() override;

  // Writes `program` as PART.NC and splits it at `metres` and `minutes`, start point X0 Y0 Z50,
  // with `observer` told of the pieces. Returns SplitProgram's result.
  int Split(const std::string& program, double metres, double minutes, PieceObserver* observer);

  FakePlatform fake;
  TempDir dir;
  std::string path;  // PART.NC's path

 private:
  CommandSettings command_{0, 0, 1, 0, 1};
};

// 25 straight cuts at F100 zigzagging up in Y (0 to 96) between X0 and X100, then a
// counter-clockwise half circle to X100 Y106 reaching X105: about 25 minutes, three pieces at
// 10 minutes.
std::string ZigzagProgram();
