// Replaceable platform services for the tests: message boxes are recorded instead of shown, the
// clock is a counter, waits return at once, the log pane is a vector of lines, the environment is
// a map, programs are recorded instead of started, and open-file dialogs are recorded and
// answered from a list. The file operations stay the real ones;
// FileFaults (support/file_faults.h) injects faults into them.
#pragma once

#include <cstdint>
#include <map>
#include <string>
#include <vector>

#include "platform/memory_log_pane.h"
#include "platform/platform.h"

class FakePlatform {
 public:
  struct Box {
    void* owner;
    std::string text;   // CP932
    std::string title;  // CP932
    platform::BoxIcon icon;
  };
  struct Started {
    std::string program;     // empty for openAssociated
    std::string parameters;  // or the opened path
  };
  struct Dialog {
    void* owner;
    std::string title;             // CP932
    std::string filter;            // CP932: the names and patterns, each ended by its NUL
    std::string initialDirectory;  // CP932; empty for none
    bool multiple;
  };

  // Installs the fakes into platform::Current(); the destructor puts back what was there.
  FakePlatform();
  ~FakePlatform();
  FakePlatform(const FakePlatform&) = delete;
  FakePlatform& operator=(const FakePlatform&) = delete;

  // The active fake (the innermost one constructed).
  static FakePlatform& Active();

  const std::vector<std::string>& logLines() const { return pane.lines(); }

  std::vector<Box> boxes;
  platform::MemoryLogPane pane;
  uint32_t tick = 1000;
  uint32_t tickStep = 0;      // added to `tick` at every read
  uint64_t sleptMs = 0;       // total of all waits asked for; they return at once and advance `tick`
  platform::LocalTime time{2021, 5, 24, 1, 9, 5, 7, 0};
  std::map<std::string, std::string> environment;  // CP932 values
  std::string executablePath;                      // CP932; default: a file in the build tree
  std::vector<Started> started;
  std::vector<Started> opened;
  std::vector<Dialog> dialogs;  // every open-file dialog shown, in order
  // What the user chooses in the next dialogs, one list per dialog (CP932 paths, in the order the
  // dialog gives them); a dialog with none left is closed without a choice.
  std::vector<std::vector<std::string>> choices;
  int startResult = 0;
  int openResult = 0;
  std::string computer = "TESTHOST";
  std::string user = "tester";
  std::string address = "192.168.1.5";
  int addressResult = platform::kAddressOk;
  platform::LocalTime executableTime{2021, 5, 24, 1, 12, 34, 56, 0};
  int executableTimeResult = 0;

 private:
  platform::Services saved_;
  FakePlatform* outer_;
};
