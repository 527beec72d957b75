// The settings of a quiet split in a test folder: Quendrix.ini next to the fake executable with
// MODE=1 (no completion box), no viewer and the caller's [COMMAND] lines, and the command
// settings taken from it; the command settings in force before are put back at the end.
#pragma once

#include <string>

#include "config/settings.h"
#include "support/fake_platform.h"
#include "support/temp_dir.h"

class QuietSettings {
 public:
  QuietSettings(FakePlatform& fake, const TempDir& dir) : dir_(dir), saved_(gCommandSettings) {
    fake.executablePath = dir.Path("quendrix");
    Write();
  }
  ~QuietSettings() { gCommandSettings = saved_; }
  QuietSettings(const QuietSettings&) = delete;
  QuietSettings& operator=(const QuietSettings&) = delete;

  // Writes the settings file with `command` added to [COMMAND] ("DELETE=0\r\n", say) and takes it.
  void Write(const std::string& command = "") {
    dir_.Write("Quendrix.ini", "[COMMAND]\r\nMODE=1\r\n" + command + "[PAVLOK]\r\nNCVIEWER=\r\n");
    StartSettings();
    ReadCommandSettings(&gCommandSettings);
  }

 private:
  const TempDir& dir_;
  CommandSettings saved_;
};
