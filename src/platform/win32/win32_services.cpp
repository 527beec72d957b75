// The platform services on Windows: the wide APIs throughout, with every text converted from and
// to code page 932 at this edge, so the program reads correctly on any Windows locale.
#include <winsock2.h>
#include <windows.h>
#include <shellapi.h>

#include <cstdio>
#include <cstring>
#include <string>

#include "platform/common/stdio_files.h"
#include "platform/memory_log_pane.h"
#include "platform/platform.h"
#include "platform/text_encoding.h"

namespace platform {
namespace {

void CopyOut(const std::string& text, char* out, size_t size) {
  if (size == 0) return;
  size_t n = text.size() < size - 1 ? text.size() : size - 1;
  std::memcpy(out, text.data(), n);
  out[n] = '\0';
}

std::wstring Wide(const char* text) {
  std::wstring wide;
  Cp932ToWide(text != nullptr ? text : "", &wide);
  return wide;
}

std::string Narrow(const wchar_t* text) {
  std::string narrow;
  WideToCp932(text, &narrow);
  return narrow;
}

void ShowMessageBox(WindowHandle owner, const char* text, const char* title, BoxIcon icon) {
  UINT style = MB_OK;
  switch (icon) {
    case BoxIcon::kError: style |= MB_ICONERROR; break;
    case BoxIcon::kInformation: style |= MB_ICONINFORMATION; break;
    case BoxIcon::kWarning: style |= MB_ICONWARNING; break;
  }
  MessageBoxW(static_cast<HWND>(owner), Wide(text).c_str(), Wide(title).c_str(), style);
}

uint32_t Tick() { return GetTickCount(); }

void SleepMilliseconds(uint32_t milliseconds) { ::Sleep(milliseconds); }

void FromSystemTime(const SYSTEMTIME& st, LocalTime* out) {
  out->year = st.wYear;
  out->month = st.wMonth;
  out->day = st.wDay;
  out->dayOfWeek = st.wDayOfWeek;
  out->hour = st.wHour;
  out->minute = st.wMinute;
  out->second = st.wSecond;
  out->milliseconds = st.wMilliseconds;
}

void LocalTimeNow(LocalTime* out) {
  SYSTEMTIME st{};
  GetLocalTime(&st);
  FromSystemTime(st, out);
}

bool Environment(const char* name, char* out, size_t size) {
  if (size > 0) out[0] = '\0';
  std::wstring wideName = Wide(name);
  DWORD needed = GetEnvironmentVariableW(wideName.c_str(), nullptr, 0);
  if (needed == 0) return false;
  std::wstring value(needed, L'\0');
  DWORD got = GetEnvironmentVariableW(wideName.c_str(), value.data(), needed);
  value.resize(got);
  CopyOut(Narrow(value.c_str()), out, size);
  return true;
}

int StartProgram(WindowHandle owner, const char* program, const char* parameters) {
  std::wstring file = Wide(program);
  std::wstring params = Wide(parameters);
  HINSTANCE rc = ShellExecuteW(static_cast<HWND>(owner), nullptr, file.c_str(),
                               params.empty() ? nullptr : params.c_str(), nullptr, SW_SHOWNORMAL);
  return reinterpret_cast<INT_PTR>(rc) > 32 ? 0 : -1;
}

int OpenAssociated(WindowHandle owner, const char* path) {
  std::wstring file = Wide(path);
  HINSTANCE rc = ShellExecuteW(static_cast<HWND>(owner), L"open", file.c_str(), nullptr, nullptr, SW_SHOWNORMAL);
  return reinterpret_cast<INT_PTR>(rc) > 32 ? 0 : -1;
}

bool ComputerName(char* out, size_t size) {
  wchar_t name[MAX_COMPUTERNAME_LENGTH + 1] = {};
  DWORD length = MAX_COMPUTERNAME_LENGTH + 1;
  if (!GetComputerNameW(name, &length)) return false;
  CopyOut(Narrow(name), out, size);
  return true;
}

bool UserName(char* out, size_t size) {
  wchar_t name[257] = {};
  DWORD length = 257;
  if (!GetUserNameW(name, &length)) return false;
  CopyOut(Narrow(name), out, size);
  return true;
}

int HostAddress(char* out, size_t size) {
  CopyOut("0.0.0.0", out, size);
  WSADATA data{};
  if (WSAStartup(MAKEWORD(1, 1), &data) != 0) return kSocketsUnavailable;
  int result = kAddressUnresolved;
  char name[129] = {};
  if (gethostname(name, 128) == 0) {
    hostent* host = gethostbyname(name);
    if (host != nullptr && host->h_addrtype == AF_INET && host->h_addr_list[0] != nullptr) {
      in_addr address{};
      std::memcpy(&address, host->h_addr_list[0], sizeof address);
      CopyOut(inet_ntoa(address), out, size);
      result = kAddressOk;
    }
  }
  WSACleanup();
  return result;
}

bool ExecutablePath(char* out, size_t size) {
  wchar_t path[MAX_PATH * 2] = {};
  DWORD n = GetModuleFileNameW(nullptr, path, MAX_PATH * 2);
  if (n == 0 || n >= MAX_PATH * 2) return false;
  std::string narrow;
  if (!WideToCp932(path, &narrow) || narrow.size() + 1 > size) return false;
  CopyOut(narrow, out, size);
  return true;
}

// The running executable is mapped by the loader, so it is opened for its attributes only and
// with full sharing: asking for exclusive access would always fail on the file that is running.
int FileTime(const char* path, LocalTime* out) {
  std::wstring file;
  if (path == nullptr) {
    wchar_t own[MAX_PATH * 2] = {};
    if (GetModuleFileNameW(nullptr, own, MAX_PATH * 2) == 0) return -1;
    file = own;
  } else {
    file = Wide(path);
  }
  HANDLE handle = CreateFileW(file.c_str(), FILE_READ_ATTRIBUTES,
                              FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr, OPEN_EXISTING,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
  if (handle == INVALID_HANDLE_VALUE) return -1;
  FILETIME written{}, local{};
  SYSTEMTIME st{};
  bool ok = GetFileTime(handle, nullptr, nullptr, &written) && FileTimeToLocalFileTime(&written, &local) &&
            FileTimeToSystemTime(&local, &st);
  CloseHandle(handle);
  if (!ok) return -1;
  FromSystemTime(st, out);
  return 0;
}

LogPane* DefaultPane() {
  static MemoryLogPane pane;
  return &pane;
}

FILE* Open(const char* path, const char* mode) {
  std::wstring file, wideMode;
  if (path == nullptr || !Cp932ToWide(path, &file) || !Cp932ToWide(mode, &wideMode)) return nullptr;
  if (mode[0] == 'r') {
    DWORD attributes = GetFileAttributesW(file.c_str());
    if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY)) return nullptr;
  }
  return _wfopen(file.c_str(), wideMode.c_str());
}

// Ticks of 100 ns between 1601-01-01 (the FILETIME epoch) and 1970-01-01.
constexpr int64_t kUnixEpochTicks = 116444736000000000LL;

int Status(const char* path, FileStatus* out) {
  std::wstring file;
  WIN32_FILE_ATTRIBUTE_DATA data{};
  if (path == nullptr || !Cp932ToWide(path, &file) ||
      !GetFileAttributesExW(file.c_str(), GetFileExInfoStandard, &data)) {
    return -1;
  }
  out->directory = (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
  out->size = out->directory ? 0 : (static_cast<uint64_t>(data.nFileSizeHigh) << 32) | data.nFileSizeLow;
  const int64_t ticks = static_cast<int64_t>((static_cast<uint64_t>(data.ftLastWriteTime.dwHighDateTime) << 32) |
                                             data.ftLastWriteTime.dwLowDateTime);
  out->modified = (ticks - kUnixEpochTicks) * 100;
  return 0;
}

bool Remove(const char* path) {
  std::wstring file;
  return path != nullptr && Cp932ToWide(path, &file) && DeleteFileW(file.c_str());
}

}  // namespace

const Services& Real() {
  static const Services services = {
      ShowMessageBox, Tick,     SleepMilliseconds, LocalTimeNow,   Environment, StartProgram, OpenAssociated,
      ComputerName,   UserName, HostAddress,       ExecutablePath, FileTime,    DefaultPane(),
      {Open, StreamWrite, StreamRead, StreamClose, Status, Remove}, true,
  };
  return services;
}

void SystemName(char* out, size_t size) {
  if (size == 0) return;
  std::snprintf(out, size, "%s", "Windows 10");
}

}  // namespace platform
