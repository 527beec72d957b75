// What the fuzz targets share: the fuzz input served as a file through the platform's file
// operations (no disk, so millions of runs cost nothing but the code under test), written files
// kept in memory, and quiet platform services (no box, no wait, a log pane that only counts).
//
// Linux only (fmemopen, open_memstream): libFuzzer runs there.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "platform/platform.h"

namespace fuzz {

// The path under which the fuzz input can be opened for reading.
inline constexpr char kInputPath[] = "fuzz-input.NC";

// Stops the run with a message on standard error, so that libFuzzer records the input as a
// finding. For broken promises of the code under test (sanitizers catch the rest).
[[noreturn]] void Fail(const char* what);
inline void Check(bool condition, const char* what) {
  if (!condition) Fail(what);
}

// Installs the memory files and quiet services for one run over `data`; puts the earlier
// services back when destroyed.
//   - kInputPath opens for reading as the bytes of `data`; any other path opened for reading
//     opens as the bytes last written to it in this run, or fails when none were.
//   - A path opened for writing collects its bytes in memory (Written()); nothing reaches the
//     disk, nothing can fail.
//   - Status: kInputPath and written paths exist as files; any other path exists when the rule
//     of SetOtherPathsExist says so (by default: never).
//   - Message boxes are counted, waits return at once, the log pane counts its lines.
class MemoryFiles {
 public:
  MemoryFiles(const uint8_t* data, size_t size);
  ~MemoryFiles();
  MemoryFiles(const MemoryFiles&) = delete;
  MemoryFiles& operator=(const MemoryFiles&) = delete;

  // The bytes written to `path` in this run ("" when none).
  std::string Written(const std::string& path) const;
  // The paths written in this run and not removed since, in order of their names.
  std::vector<std::string> Paths() const;
  int boxes() const;
  int logLines() const;
  // Decides for paths that are neither the input nor written (nullptr: they do not exist).
  void SetOtherPathsExist(bool (*rule)(const char* path));

 private:
  platform::Services saved_;
};

}  // namespace fuzz
