// Fuzz target for the batch parameter file: arbitrary bytes are the parameter file of a batch
// run, read by ReadBatchParameters as the front end reads it. Whether the NC program it names
// exists is decided by the name itself (it exists when its length is even), so that both the
// "no such file" message and the reading of every later key are reached.
// Checks besides memory safety: success leaves a named program, terminated fields within their
// sizes and no message; failure emits exactly one error line with its box.
#include <cstddef>
#include <cstdint>
#include <cstring>

#include "fuzz_support.h"
#include "ui/common/batch_parameters.h"

namespace {

bool EvenLengthExists(const char* path) { return std::strlen(path) % 2 == 0; }

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  fuzz::MemoryFiles files(data, size);
  files.SetOtherPathsExist(EvenLengthExists);
  BatchParameters parameters;
  const int result = ReadBatchParameters(nullptr, fuzz::kInputPath, &parameters);
  fuzz::Check(std::memchr(parameters.ncFile, '\0', sizeof parameters.ncFile) != nullptr, "path field terminated");
  fuzz::Check(std::memchr(parameters.mode, '\0', sizeof parameters.mode) != nullptr, "mode field terminated");
  if (result == 0) {
    fuzz::Check(parameters.ncFile[0] != '\0' && platform::FileExists(parameters.ncFile), "an existing program");
    fuzz::Check(files.logLines() == 0 && files.boxes() == 0, "success is silent");
  } else {
    fuzz::Check(result == -1, "the failure result");
    fuzz::Check(files.logLines() == 1 && files.boxes() == 1, "one error line with its box");
  }
  return 0;
}
