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

int ChooseFiles(platform::WindowHandle owner, const platform::FileDialog& dialog, char* out, size_t size) {
  std::string filter;
  for (const char* part = dialog.filter; part != nullptr && *part != '\0'; part += std::strlen(part) + 1) {
    filter += std::string(part) + '\0';
  }
  gActive->dialogs.push_back(
      {owner, dialog.title, filter, dialog.initialDirectory != nullptr ? dialog.initialDirectory : "", dialog.multiple});
  if (size > 1) out[0] = out[1] = '\0';
  if (gActive->choices.empty()) return 0;
  const std::vector<std::string> chosen = gActive->choices.front();
  gActive->choices.erase(gActive->choices.begin());
  std::string list;
  for (const std::string& path : chosen) list += path + '\0';
  if (list.size() + 1 > size) return -1;
  std::memcpy(out, list.data(), list.size());
  out[list.size()] = '\0';
  return static_cast<int>(chosen.size());
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
  s.chooseFiles = ChooseFiles;
  s.fixedWaits = true;  // the fake clock makes the waits instant and lets the tests count them
}

FakePlatform::~FakePlatform() {
  platform::Current() = saved_;
  gActive = outer_;
}

FakePlatform& FakePlatform::Active() { return *gActive; }
