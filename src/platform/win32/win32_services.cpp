// The platform services on Windows: the wide APIs throughout, with every text converted from and
// to code page 932 at this edge, so the program reads correctly on any Windows locale.
#include <winsock2.h>
#include <windows.h>
#include <commdlg.h>
#include <shellapi.h>

#include <cstdio>
#include <cstring>
#include <cwchar>
#include <string>
#include <vector>

#include "platform/common/stdio_files.h"
#include "platform/memory_log_pane.h"
#include "platform/platform.h"
#include "platform/text_encoding.h"

namespace platform {
namespace {

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
  CopyText(Narrow(value.c_str()), out, size);
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

// The dialog's answer field, in UTF-16 characters: one path, or a folder and the names chosen in it.
// The paths joined from them may still not fit the caller's list: that too is -1.
constexpr size_t kOneChoiceSize = 520;
constexpr size_t kManyChoicesSize = (kChosenFilesSize - 2) / 2;

// Appends the CP932 paths to the list `out` of `size` bytes. False when they do not fit.
bool ListPaths(const std::vector<std::wstring>& paths, char* out, size_t size) {
  size_t used = 0;
  for (const std::wstring& path : paths) {
    const std::string narrow = Narrow(path.c_str());
    if (used + narrow.size() + 2 > size) return false;
    std::memcpy(out + used, narrow.c_str(), narrow.size() + 1);
    used += narrow.size() + 1;
  }
  out[used] = '\0';
  return true;
}

int ChooseFiles(WindowHandle owner, const FileDialog& dialog, char* out, size_t size) {
  if (size > 1) out[0] = out[1] = '\0';
  std::wstring filter;
  for (const char* part = dialog.filter; part != nullptr && *part != '\0'; part += std::strlen(part) + 1) {
    filter += Wide(part) + L'\0';
  }
  filter += L'\0';
  const std::wstring title = Wide(dialog.title);
  const std::wstring directory = Wide(dialog.initialDirectory);
  std::vector<wchar_t> chosen(dialog.multiple ? kManyChoicesSize : kOneChoiceSize, L'\0');
  OPENFILENAMEW box{};
  box.lStructSize = sizeof box;
  box.hwndOwner = static_cast<HWND>(owner);
  box.lpstrFilter = filter.c_str();
  box.nFilterIndex = 1;
  box.lpstrFile = chosen.data();
  box.nMaxFile = static_cast<DWORD>(chosen.size());
  box.lpstrTitle = title.c_str();
  box.lpstrInitialDir = dialog.initialDirectory != nullptr ? directory.c_str() : nullptr;
  // A name that does not exist is accepted on purpose: the caller reports it with its own words.
  box.Flags = OFN_PATHMUSTEXIST | OFN_OVERWRITEPROMPT;
  if (dialog.multiple) box.Flags |= OFN_ALLOWMULTISELECT | OFN_EXPLORER;
  if (!GetOpenFileNameW(&box)) return CommDlgExtendedError() == FNERR_BUFFERTOOSMALL ? -1 : 0;

  // One file comes as its whole path; several as their folder, then each name in it.
  std::vector<std::wstring> paths;
  const wchar_t* first = chosen.data();
  const wchar_t* name = first + std::wcslen(first) + 1;
  if (!dialog.multiple || *name == L'\0') {
    paths.emplace_back(first);
  } else {
    std::wstring folder = first;
    if (!folder.empty() && folder.back() != L'\\') folder += L'\\';
    for (; *name != L'\0'; name += std::wcslen(name) + 1) paths.push_back(folder + name);
  }
  // A name CP932 cannot hold (its characters become "?") is passed on as it is: it names no file,
  // and the caller says so.
  if (!ListPaths(paths, out, size)) {
    if (size > 1) out[0] = out[1] = '\0';
    return -1;
  }
  return static_cast<int>(paths.size());
}

bool ComputerName(char* out, size_t size) {
  wchar_t name[MAX_COMPUTERNAME_LENGTH + 1] = {};
  DWORD length = MAX_COMPUTERNAME_LENGTH + 1;
  if (!GetComputerNameW(name, &length)) return false;
  CopyText(Narrow(name), out, size);
  return true;
}

bool UserName(char* out, size_t size) {
  wchar_t name[257] = {};
  DWORD length = 257;
  if (!GetUserNameW(name, &length)) return false;
  CopyText(Narrow(name), out, size);
  return true;
}

int HostAddress(char* out, size_t size) {
  CopyText("0.0.0.0", out, size);
  WSADATA data{};
  if (WSAStartup(MAKEWORD(1, 1), &data) != 0) return kSocketsUnavailable;
  int result = kAddressUnresolved;
  char name[129] = {};
  if (gethostname(name, 128) == 0) {
    hostent* host = gethostbyname(name);
    if (host != nullptr && host->h_addrtype == AF_INET && host->h_addr_list[0] != nullptr) {
      in_addr address{};
      std::memcpy(&address, host->h_addr_list[0], sizeof address);
      CopyText(inet_ntoa(address), out, size);
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
  CopyText(narrow, out, size);
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
      {Open, StreamWrite, StreamRead, StreamClose, Status, Remove}, ChooseFiles, true,
  };
  return services;
}

void SystemName(char* out, size_t size) {
  if (size == 0) return;
  std::snprintf(out, size, "%s", "Windows 10");
}

}  // namespace platform
