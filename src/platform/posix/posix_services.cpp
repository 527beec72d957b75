// The platform services on Linux and other POSIX systems: the console product.
#include <arpa/inet.h>
#include <netdb.h>
#include <pwd.h>
#include <spawn.h>
#include <sys/stat.h>
#include <sys/utsname.h>
#include <sys/wait.h>
#include <time.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <cstdlib>
#include <cstring>
#include <string>

#include "platform/common/stdio_files.h"
#include "platform/memory_log_pane.h"
#include "platform/platform.h"
#include "platform/text_encoding.h"

extern char** environ;

namespace platform {
namespace {

// Text from the system (UTF-8) into CP932; bytes that do not convert are kept as they are, so a
// name is never lost.
std::string FromSystem(const char* text) {
  std::string converted;
  if (Utf8ToCp932(text, &converted)) return converted;
  return text;
}

void ShowMessageOnStderr(WindowHandle, const char* text, const char* title, BoxIcon icon) {
  (void)title;
  (void)icon;
  std::string utf8;
  Cp932ToUtf8(text, &utf8);
  std::fprintf(stderr, "%s\n", utf8.c_str());
  std::fflush(stderr);
}

uint32_t MonotonicTick() {
  timespec ts{};
  clock_gettime(CLOCK_MONOTONIC, &ts);
  uint64_t ms = static_cast<uint64_t>(ts.tv_sec) * 1000u + static_cast<uint64_t>(ts.tv_nsec) / 1000000u;
  return static_cast<uint32_t>(ms);
}

void SleepMilliseconds(uint32_t milliseconds) {
  timespec ts{static_cast<time_t>(milliseconds / 1000), static_cast<long>(milliseconds % 1000) * 1000000L};
  while (nanosleep(&ts, &ts) != 0 && errno == EINTR) {
  }
}

void FillLocalTime(const struct tm& tm, int milliseconds, LocalTime* out) {
  out->year = tm.tm_year + 1900;
  out->month = tm.tm_mon + 1;
  out->day = tm.tm_mday;
  out->dayOfWeek = tm.tm_wday;
  out->hour = tm.tm_hour;
  out->minute = tm.tm_min;
  out->second = tm.tm_sec;
  out->milliseconds = milliseconds;
}

void LocalTimeNow(LocalTime* out) {
  timespec ts{};
  clock_gettime(CLOCK_REALTIME, &ts);
  struct tm tm {};
  localtime_r(&ts.tv_sec, &tm);
  FillLocalTime(tm, static_cast<int>(ts.tv_nsec / 1000000L), out);
}

bool Environment(const char* name, char* out, size_t size) {
  const char* value = std::getenv(name);
  if (value == nullptr) {
    if (size > 0) out[0] = '\0';
    return false;
  }
  CopyText(FromSystem(value), out, size);
  return true;
}

// Starts `file` with the given argument vector; true when the process was created.
bool Spawn(const std::string& file, const char* argument, bool searchPath) {
  std::string arg = argument != nullptr ? argument : "";
  char* argv[3] = {const_cast<char*>(file.c_str()), arg.empty() ? nullptr : arg.data(), nullptr};
  pid_t pid = 0;
  int rc = searchPath ? posix_spawnp(&pid, file.c_str(), nullptr, nullptr, argv, environ)
                      : posix_spawn(&pid, file.c_str(), nullptr, nullptr, argv, environ);
  return rc == 0;
}

int StartProgram(WindowHandle, const char* program, const char* parameters) {
  std::string file, arg;
  if (!Cp932ToUtf8(program, &file)) return -1;
  if (parameters != nullptr && !Cp932ToUtf8(parameters, &arg)) return -1;
  return Spawn(file, arg.c_str(), false) ? 0 : -1;
}

// There is no association registry on Linux; xdg-open is the desktop's equivalent where it exists.
int OpenAssociated(WindowHandle, const char* path) {
  std::string file;
  if (!Cp932ToUtf8(path, &file)) return -1;
  return Spawn("xdg-open", file.c_str(), true) ? 0 : -1;
}

bool ComputerName(char* out, size_t size) {
  char name[256] = {};
  if (gethostname(name, sizeof name - 1) != 0) return false;
  CopyText(FromSystem(name), out, size);
  return true;
}

bool UserName(char* out, size_t size) {
  const passwd* pw = getpwuid(geteuid());
  const char* name = pw != nullptr ? pw->pw_name : std::getenv("USER");
  if (name == nullptr) return false;
  CopyText(FromSystem(name), out, size);
  return true;
}

int HostAddress(char* out, size_t size) {
  CopyText("0.0.0.0", out, size);
  char name[256] = {};
  if (gethostname(name, sizeof name - 1) != 0) return kAddressUnresolved;
  addrinfo hints{};
  hints.ai_family = AF_INET;
  addrinfo* found = nullptr;
  if (getaddrinfo(name, nullptr, &hints, &found) != 0 || found == nullptr) return kAddressUnresolved;
  char text[INET_ADDRSTRLEN] = {};
  const auto* address = reinterpret_cast<const sockaddr_in*>(found->ai_addr);
  bool ok = inet_ntop(AF_INET, &address->sin_addr, text, sizeof text) != nullptr;
  freeaddrinfo(found);
  if (!ok) return kAddressUnresolved;
  CopyText(text, out, size);
  return kAddressOk;
}

bool ExecutablePath(char* out, size_t size) {
  char path[PATH_MAX + 1] = {};
  ssize_t n = readlink("/proc/self/exe", path, PATH_MAX);
  if (n <= 0) return false;
  path[n] = '\0';
  std::string converted = FromSystem(path);
  if (converted.size() + 1 > size) return false;
  CopyText(converted, out, size);
  return true;
}

int FileTime(const char* path, LocalTime* out) {
  std::string file;
  if (path == nullptr) {
    char own[PATH_MAX + 1] = {};
    ssize_t n = readlink("/proc/self/exe", own, PATH_MAX);
    if (n <= 0) return -1;
    file.assign(own, static_cast<size_t>(n));
  } else if (!Cp932ToUtf8(path, &file)) {
    return -1;
  }
  struct stat st {};
  if (stat(file.c_str(), &st) != 0) return -1;
  struct tm tm {};
  localtime_r(&st.st_mtime, &tm);
  FillLocalTime(tm, 0, out);
  return 0;
}

LogPane* DefaultPane() {
  static MemoryLogPane pane;
  return &pane;
}

bool ToSystemPath(const char* path, std::string* out) { return path != nullptr && Cp932ToUtf8(path, out); }

FILE* Open(const char* path, const char* mode) {
  std::string file;
  if (!ToSystemPath(path, &file)) return nullptr;
  if (mode[0] == 'r') {
    struct stat st {};
    if (stat(file.c_str(), &st) == 0 && S_ISDIR(st.st_mode)) {
      errno = EISDIR;
      return nullptr;
    }
  }
  return std::fopen(file.c_str(), mode);
}

int Status(const char* path, FileStatus* out) {
  std::string file;
  struct stat st {};
  if (!ToSystemPath(path, &file) || stat(file.c_str(), &st) != 0) return -1;
  out->directory = S_ISDIR(st.st_mode);
  out->size = out->directory ? 0 : static_cast<uint64_t>(st.st_size);
  out->modified = static_cast<int64_t>(st.st_mtim.tv_sec) * 1000000000 + st.st_mtim.tv_nsec;
  return 0;
}

bool Remove(const char* path) {
  std::string file;
  return ToSystemPath(path, &file) && unlink(file.c_str()) == 0;
}

// The console program shows no dialogs: nothing is ever chosen.
int NoFileDialog(WindowHandle, const FileDialog&, char* out, size_t size) {
  if (size > 1) out[0] = out[1] = '\0';
  return 0;
}

}  // namespace

const Services& Real() {
  static const Services services = {
      ShowMessageOnStderr, MonotonicTick, SleepMilliseconds, LocalTimeNow, Environment, StartProgram,
      OpenAssociated,      ComputerName,  UserName,          HostAddress,  ExecutablePath, FileTime,
      DefaultPane(),       {Open, StreamWrite, StreamRead, StreamClose, Status, Remove}, NoFileDialog, false,
  };
  return services;
}

void SystemName(char* out, size_t size) {
  utsname name{};
  if (uname(&name) != 0) {
    CopyText("POSIX", out, size);
    return;
  }
  CopyText(FromSystem(name.sysname) + " " + FromSystem(name.release), out, size);
}

}  // namespace platform
