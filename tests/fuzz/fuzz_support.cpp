#include "fuzz_support.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <map>

#include "platform/common/stdio_files.h"

namespace fuzz {
namespace {

class CountingPane : public platform::LogPane {
 public:
  void Append(const char*) override { ++count_; }
  int Count() const override { return count_; }
  int LineText(int index, char* out, size_t size) const override {
    if (index < 0 || index >= count_ || size == 0) return -1;
    out[0] = '\0';
    return 0;
  }
  void Select(int) override {}
  void FitWidth(const char*, int) override {}
  void Clear() override { count_ = 0; }

 private:
  int count_ = 0;
};

struct Writing {
  std::string path;
  char* buffer = nullptr;
  size_t length = 0;
};

struct State {
  const uint8_t* data = nullptr;
  size_t size = 0;
  std::map<std::string, std::string> written;
  std::map<FILE*, Writing*> writing;
  CountingPane pane;
  int boxes = 0;
  uint32_t tick = 0;
  bool (*otherPathsExist)(const char*) = nullptr;
};

State* gState = nullptr;

FILE* Open(const char* path, const char* mode) {
  State& s = *gState;
  if (path == nullptr) return nullptr;
  if (mode[0] == 'r') {
    if (std::strcmp(path, kInputPath) == 0) {
      return fmemopen(const_cast<uint8_t*>(s.data), s.size, "rb");
    }
    auto it = s.written.find(path);
    if (it == s.written.end()) return nullptr;
    return fmemopen(it->second.data(), it->second.size(), "rb");
  }
  auto* w = new Writing{path};
  FILE* file = open_memstream(&w->buffer, &w->length);
  if (file == nullptr) {
    delete w;
    return nullptr;
  }
  s.writing[file] = w;
  return file;
}

bool Close(FILE* file) {
  State& s = *gState;
  auto it = s.writing.find(file);
  bool ok = platform::StreamClose(file);
  if (it != s.writing.end()) {
    Writing* w = it->second;
    s.written[w->path].assign(w->buffer, w->length);
    std::free(w->buffer);
    delete w;
    s.writing.erase(it);
  }
  return ok;
}

int Status(const char* path, platform::FileStatus* out) {
  State& s = *gState;
  if (path == nullptr) return -1;
  uint64_t size = 0;
  if (std::strcmp(path, kInputPath) == 0) {
    size = s.size;
  } else if (auto it = s.written.find(path); it != s.written.end()) {
    size = it->second.size();
  } else if (s.otherPathsExist == nullptr || !s.otherPathsExist(path)) {
    return -1;
  }
  *out = platform::FileStatus{size, 0, false};
  return 0;
}

bool Remove(const char* path) { return path != nullptr && gState->written.erase(path) > 0; }

void ShowMessage(platform::WindowHandle, const char*, const char*, platform::BoxIcon) { ++gState->boxes; }
uint32_t TickCount() { return gState->tick += 16; }
void Sleep(uint32_t milliseconds) { gState->tick += milliseconds; }
void LocalTimeNow(platform::LocalTime* out) { *out = platform::LocalTime{2021, 5, 24, 1, 9, 5, 7, 0}; }
bool NoEnvironment(const char*, char* out, size_t size) {
  if (size > 0) out[0] = '\0';
  return false;
}
int NoProgram(platform::WindowHandle, const char*, const char*) { return -1; }
int NoAssociation(platform::WindowHandle, const char*) { return -1; }

}  // namespace

void Fail(const char* what) {
  std::fprintf(stderr, "fuzz check failed: %s\n", what);
  std::abort();
}

MemoryFiles::MemoryFiles(const uint8_t* data, size_t size) : saved_(platform::Current()) {
  static State state;
  for (auto& [file, w] : state.writing) {  // left open by an earlier run that stopped early
    std::fclose(file);
    std::free(w->buffer);
    delete w;
  }
  state.writing.clear();
  state.written.clear();
  state.pane.Clear();
  state.boxes = 0;
  state.data = data;
  state.size = size;
  gState = &state;

  platform::Services& s = platform::Current();
  s.showMessage = ShowMessage;
  s.tickCount = TickCount;
  s.sleep = Sleep;
  s.localTime = LocalTimeNow;
  s.getEnvironment = NoEnvironment;
  s.startProgram = NoProgram;
  s.openAssociated = NoAssociation;
  s.logPane = &state.pane;
  s.files = {Open, platform::StreamWrite, platform::StreamRead, Close, Status, Remove};
}

MemoryFiles::~MemoryFiles() {
  gState->otherPathsExist = nullptr;
  platform::Current() = saved_;
}

void MemoryFiles::SetOtherPathsExist(bool (*rule)(const char* path)) { gState->otherPathsExist = rule; }

std::string MemoryFiles::Written(const std::string& path) const {
  auto it = gState->written.find(path);
  return it != gState->written.end() ? it->second : std::string();
}

std::vector<std::string> MemoryFiles::Paths() const {
  std::vector<std::string> paths;
  for (const auto& [path, bytes] : gState->written) paths.push_back(path);
  return paths;
}

int MemoryFiles::boxes() const { return gState->boxes; }
int MemoryFiles::logLines() const { return gState->pane.Count(); }

}  // namespace fuzz
