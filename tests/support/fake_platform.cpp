#include "support/fake_platform.h"

#include <cstring>

namespace {

FakePlatform* gActive = nullptr;

void CopyOut(const std::string& text, char* out, size_t size) {
  if (size == 0) return;
  size_t n = text.size() < size - 1 ? text.size() : size - 1;
  std::memcpy(out, text.data(), n);
  out[n] = '\0';
}

void ShowMessage(platform::WindowHandle owner, const char* text, const char* title, platform::BoxIcon icon) {
  gActive->boxes.push_back({owner, text, title, icon});
}

uint32_t TickCount() {
  uint32_t now = gActive->tick;
  gActive->tick += gActive->tickStep;
  return now;
}

void Sleep(uint32_t milliseconds) {
  gActive->sleptMs += milliseconds;
  gActive->tick += milliseconds;
}

void LocalTimeNow(platform::LocalTime* out) { *out = gActive->time; }

bool Environment(const char* name, char* out, size_t size) {
  auto it = gActive->environment.find(name);
  if (it == gActive->environment.end()) {
    if (size > 0) out[0] = '\0';
    return false;
  }
  CopyOut(it->second, out, size);
  return true;
}

int StartProgram(platform::WindowHandle, const char* program, const char* parameters) {
  gActive->started.push_back({program, parameters != nullptr ? parameters : ""});
  return gActive->startResult;
}

int OpenAssociated(platform::WindowHandle, const char* path) {
  gActive->opened.push_back({"", path});
  return gActive->openResult;
}

bool ComputerName(char* out, size_t size) {
  CopyOut(gActive->computer, out, size);
  return !gActive->computer.empty();
}

bool UserName(char* out, size_t size) {
  CopyOut(gActive->user, out, size);
  return !gActive->user.empty();
}

int HostAddress(char* out, size_t size) {
  CopyOut(gActive->addressResult == platform::kAddressOk ? gActive->address : "0.0.0.0", out, size);
  return gActive->addressResult;
}

bool ExecutablePath(char* out, size_t size) {
  if (gActive->executablePath.size() + 1 > size) return false;
  CopyOut(gActive->executablePath, out, size);
  return true;
}

int FileTime(const char*, platform::LocalTime* out) {
  if (gActive->executableTimeResult == 0) *out = gActive->executableTime;
  return gActive->executableTimeResult;
}

}  // namespace

FakePlatform::FakePlatform() : saved_(platform::Current()), outer_(gActive) {
  executablePath = std::string(QX_BINARY_DIR) + "/tests-bin/quendrix";
  gActive = this;
  platform::Services& s = platform::Current();
  s.showMessage = ShowMessage;
  s.tickCount = TickCount;
  s.sleep = Sleep;
  s.localTime = LocalTimeNow;
  s.getEnvironment = Environment;
  s.startProgram = StartProgram;
  s.openAssociated = OpenAssociated;
  s.computerName = ComputerName;
  s.userName = UserName;
  s.hostAddress = HostAddress;
  s.executablePath = ExecutablePath;
  s.fileTime = FileTime;
  s.logPane = &pane;
  s.fixedWaits = true;  // the fake clock makes the waits instant and lets the tests count them
}

FakePlatform::~FakePlatform() {
  platform::Current() = saved_;
  gActive = outer_;
}

FakePlatform& FakePlatform::Active() { return *gActive; }
