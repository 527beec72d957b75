// The test runner's entry: installs fake platform services for the whole run, so that no test
// ever shows a real message box, sleeps for real or starts a program.
#include <gtest/gtest.h>

#include "support/fake_platform.h"

int main(int argc, char** argv) {
  testing::InitGoogleTest(&argc, argv);
  FakePlatform fakes;
  return RUN_ALL_TESTS();
}
