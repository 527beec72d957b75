// The settings of a quiet split in a test folder: Quendrix.ini next to the fake executable with
// MODE=1 (no completion box), no viewer and the caller's [COMMAND] lines, and the command
// settings taken from it into a record of the test's own, which Job hands to each split.
#pragma once

#include <string>

#include "config/settings.h"
#include "split/split_job.h"
#include "support/fake_platform.h"
#include "support/temp_dir.h"

class QuietSettings {
 public:
  QuietSettings(FakePlatform& fake, const TempDir& dir) : dir_(dir) {
    fake.executablePath = dir.Path("quendrix");
    Write();
  }
  QuietSettings(const QuietSettings&) = delete;
  QuietSettings& operator=(const QuietSettings&) = delete;

  // Writes the settings file with `command` added to [COMMAND] ("DELETE=0\r\n", say) and takes it.
  void Write(const std::string& command = "") {
    dir_.Write("Quendrix.ini", "[COMMAND]\r\nMODE=1\r\n" + command + "[PAVLOK]\r\nNCVIEWER=\r\n");
    StartSettings();
    ReadCommandSettings(&command_);
  }

  // The command settings taken (a test may change them before its next split).
  CommandSettings& command() { return command_; }

  // `job` with these command settings.
  SplitJob Job(SplitJob job) const {
    job.settings = command_;
    return job;
  }

 private:
  const TempDir& dir_;
  CommandSettings command_{0, 0, 1, 0, 1};
};
