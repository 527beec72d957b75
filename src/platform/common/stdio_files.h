// The parts of the real file operations that are the same on every platform: whole-buffer
// writes, block reads and closes of a C stream. Only the platform implementations include this.
#pragma once

#include <cstddef>
#include <cstdio>

namespace platform {

bool StreamWrite(FILE* file, const void* data, size_t size);
ptrdiff_t StreamRead(FILE* file, void* data, size_t size);
bool StreamClose(FILE* file);

}  // namespace platform
