#include "support/file_faults.h"

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <utility>

namespace {

FileFaults* gFaults = nullptr;

bool ForWriting(const char* mode) { return mode != nullptr && mode[0] != 'r'; }

}  // namespace

FileFaults::FileFaults() : saved_(platform::Current().files) {
  if (gFaults != nullptr) std::abort();  // one at a time: the rules of two would not combine
  gFaults = this;
  platform::Current().files = {Open, Write, Read, Close, Status, Remove};
}

FileFaults::~FileFaults() {
  platform::Current().files = saved_;
  gFaults = nullptr;
}

void FileFaults::DiskFullAfter(const std::string& path, uint64_t bytes) { writeLimits_[path] = bytes; }

void FileFaults::DiskFullAfterNthWriteOpen(int n, uint64_t bytes) { nthWriteLimits_[n] = bytes; }

void FileFaults::FailCreate(const std::string& path) { uncreatable_.push_back(path); }

void FileFaults::ReadErrorAfter(const std::string& path, uint64_t bytes) { readLimits_[path] = bytes; }

void FileFaults::VanishBeforeOpen(const std::string& path, int n) {
  BeforeOpen(path, n, [this, path] { saved_.remove(path.c_str()); });
}

void FileFaults::ChangeStatusFrom(const std::string& path, int n, int64_t sizeDelta, int64_t timeDelta) {
  statusChanges_[path] = StatusChange{n, sizeDelta, timeDelta};
}

void FileFaults::ReadOnlyFolder(const std::string& folder) { readOnlyFolders_.push_back(folder); }

void FileFaults::BeforeOpen(const std::string& path, int n, std::function<void()> action) {
  openActions_.push_back(OpenAction{path, n, std::move(action)});
}

std::vector<std::string> FileFaults::WrittenPaths() const {
  std::vector<std::string> paths;
  for (const Event& event : events_) {
    if (event.mode != "remove" && ForWriting(event.mode.c_str()) &&
        std::find(paths.begin(), paths.end(), event.path) == paths.end()) {
      paths.push_back(event.path);
    }
  }
  return paths;
}

bool FileFaults::InReadOnlyFolder(const std::string& path) const {
  return std::any_of(readOnlyFolders_.begin(), readOnlyFolders_.end(),
                     [&](const std::string& folder) { return path.starts_with(folder); });
}

FILE* FileFaults::Open(const char* path, const char* mode) {
  FileFaults& f = *gFaults;
  const std::string name = path != nullptr ? path : "";
  f.events_.push_back(Event{name, mode});
  const int n = ++f.opens_[name];
  for (const OpenAction& action : f.openActions_) {
    if (action.path == name && action.n == n) action.action();
  }

  OpenFileState state;
  state.path = name;
  if (ForWriting(mode)) {
    const int nthWrite = ++f.writeOpens_;
    if (f.InReadOnlyFolder(name) ||
        std::find(f.uncreatable_.begin(), f.uncreatable_.end(), name) != f.uncreatable_.end()) {
      ++f.injectedFailures_;
      errno = EACCES;
      return nullptr;
    }
    if (auto it = f.writeLimits_.find(name); it != f.writeLimits_.end()) state.writeLimit = it->second;
    if (auto it = f.nthWriteLimits_.find(nthWrite); it != f.nthWriteLimits_.end()) state.writeLimit = it->second;
  } else if (auto it = f.readLimits_.find(name); it != f.readLimits_.end()) {
    state.readLimit = it->second;
  }
  FILE* file = f.saved_.open(path, mode);
  if (file != nullptr) f.files_[file] = state;
  return file;
}

bool FileFaults::Write(FILE* file, const void* data, size_t size) {
  FileFaults& f = *gFaults;
  auto it = f.files_.find(file);
  if (it == f.files_.end()) return f.saved_.write(file, data, size);
  OpenFileState& state = it->second;
  if (!state.failed && size <= state.writeLimit - state.written) {
    state.written += size;
    return f.saved_.write(file, data, size);
  }
  // The disk is full: what still fits goes in, the rest and everything after is lost.
  if (!state.failed) {
    f.saved_.write(file, data, static_cast<size_t>(state.writeLimit - state.written));
    state.written = state.writeLimit;
    state.failed = true;
  }
  ++f.injectedFailures_;
  errno = ENOSPC;
  return false;
}

ptrdiff_t FileFaults::Read(FILE* file, void* data, size_t size) {
  FileFaults& f = *gFaults;
  auto it = f.files_.find(file);
  if (it == f.files_.end() || it->second.readLimit == UINT64_MAX) return f.saved_.read(file, data, size);
  OpenFileState& state = it->second;
  if (state.read >= state.readLimit) {
    state.failed = true;
    ++f.injectedFailures_;
    errno = EIO;
    return -1;
  }
  size_t allowed = static_cast<size_t>(std::min<uint64_t>(size, state.readLimit - state.read));
  ptrdiff_t got = f.saved_.read(file, data, allowed);
  if (got > 0) state.read += static_cast<uint64_t>(got);
  return got;
}

bool FileFaults::Close(FILE* file) {
  FileFaults& f = *gFaults;
  bool failed = false;
  if (auto it = f.files_.find(file); it != f.files_.end()) {
    failed = it->second.failed;
    f.files_.erase(it);
  }
  bool closed = f.saved_.close(file);
  return closed && !failed;
}

int FileFaults::Status(const char* path, platform::FileStatus* out) {
  FileFaults& f = *gFaults;
  const std::string name = path != nullptr ? path : "";
  const int n = ++f.statuses_[name];
  int result = f.saved_.status(path, out);
  auto it = f.statusChanges_.find(name);
  if (result == 0 && it != f.statusChanges_.end() && n >= it->second.from) {
    out->size += static_cast<uint64_t>(it->second.sizeDelta);
    out->modified += it->second.timeDelta;
  }
  return result;
}

bool FileFaults::Remove(const char* path) {
  FileFaults& f = *gFaults;
  const std::string name = path != nullptr ? path : "";
  f.events_.push_back(Event{name, "remove"});
  if (f.InReadOnlyFolder(name)) {
    ++f.injectedFailures_;
    errno = EACCES;
    return false;
  }
  return f.saved_.remove(path);
}
