#include "platform/common/stdio_files.h"

#include <sys/types.h>

#include "platform/platform.h"

namespace platform {

bool StreamWrite(FILE* file, const void* data, size_t size) {
  return size == 0 || std::fwrite(data, 1, size, file) == size;
}

ptrdiff_t StreamRead(FILE* file, void* data, size_t size) {
  size_t got = std::fread(data, 1, size, file);
  if (got == 0 && std::ferror(file)) return -1;
  return static_cast<ptrdiff_t>(got);
}

// The stream's error flag counts: a write that failed while the caller went on (the bytes were
// dropped, the flag stays) leaves nothing in the buffer for fclose to fail on, yet the file on
// the disk is incomplete.
bool StreamClose(FILE* file) {
  bool failedBefore = std::ferror(file) != 0;
  return std::fclose(file) == 0 && !failedBefore;
}

bool SeekFile(FILE* file, int64_t offset) {
#ifdef _WIN32
  return _fseeki64(file, offset, SEEK_SET) == 0;
#else
  return fseeko(file, static_cast<off_t>(offset), SEEK_SET) == 0;
#endif
}

}  // namespace platform
