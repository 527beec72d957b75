// The narrow layer over the operating system.
//
// The core (config, log, nc, split, header_footer) never includes <windows.h>; everything it needs
// from the system comes through this header. Text crossing this interface is code page 932
// (Shift-JIS) bytes, the system's internal encoding; the implementations convert at the edge
// (UTF-16 on Windows, UTF-8 on Linux).
//
// Services that a test must be able to replace (message boxes, the clock, waits, program starts,
// the environment, names of this machine, the log pane, the file operations) are function
// pointers in `Services`; the defaults are the real ones. Tests use real temporary folders and
// replace the file operations only to inject faults (a full disk, a file that vanishes or
// changes, a read-only folder) that a real folder cannot be made to show on demand.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstdio>

namespace platform {

// HWND on Windows; the console and the tests pass nullptr.
using WindowHandle = void*;

enum class BoxIcon { kError, kInformation, kWarning };

struct LocalTime {
  int year;         // four digits
  int month;        // 1..12
  int day;          // 1..31
  int dayOfWeek;    // 0 = Sunday .. 6 = Saturday
  int hour;         // 0..23
  int minute;       // 0..59
  int second;       // 0..59
  int milliseconds; // 0..999
};

// Results of HostAddress.
enum HostAddressResult {
  kAddressOk = 0,
  kAddressUnresolved = -1,     // the local host name has no IPv4 address
  kSocketsUnavailable = -2,    // the sockets library could not be started
};

// What the file system says about a path (GetFileStatus).
struct FileStatus {
  uint64_t size;     // bytes; 0 for a directory
  int64_t modified;  // last write, nanoseconds since 1970-01-01 UTC, at the file system's resolution
  bool directory;    // true for a directory (a folder)
};

// The file operations of the core. Every file the system opens, writes, reads in blocks, closes,
// looks at or deletes goes through this table, so that a test can make any of them fail; the
// defaults are the real operations, and all the wrappers below call through it. Each call moves a
// whole buffer (a line, a chunk), never a single byte, so the indirection costs nothing that
// shows. Paths are CP932.
struct FileServices {
  // fopen with a CP932 path. `mode` is "rb", "wb" or "ab" (always binary: line ends are the
  // caller's business). Opening a directory for reading fails, as it does on Windows. Returns
  // nullptr on failure, also when the path cannot be converted to the system's encoding.
  FILE* (*open)(const char* path, const char* mode);
  // Writes `size` bytes to `file` (into its buffer or through to the disk). True when all of them
  // were taken; false when the write failed, in which case the file is incomplete: a failed write
  // is never made good by a later one, and `close` reports it again.
  bool (*write)(FILE* file, const void* data, size_t size);
  // Reads up to `size` bytes from `file` into `data`. Returns the number read, 0 at the end of the
  // file, or -1 when the file could not be read (which is not the end of the file).
  ptrdiff_t (*read)(FILE* file, void* data, size_t size);
  // Closes `file`. True when the close (the final flush) succeeded and no write or read on the
  // file had failed before; the file is closed in either case.
  bool (*close)(FILE* file);
  // Size, last write time and kind of `path` into `out`. Returns 0, or -1 (and `out` untouched)
  // when nothing is there or it cannot be looked at.
  int (*status)(const char* path, FileStatus* out);
  // Deletes the file at `path`. True on success.
  bool (*remove)(const char* path);
};

// An open-file dialog: what it shows (CP932 texts).
struct FileDialog {
  const char* title;
  // The kinds of file offered, the first one chosen: pairs of a name and its pattern
  // ("NC Files(*.NC)", "*.NC"), each NUL-terminated, the list ended by one more NUL.
  const char* filter;
  const char* initialDirectory;  // nullptr: the system's choice
  bool multiple;                 // several files may be chosen at once
};

// The size of the list field the program's choosers give chooseFiles: a few hundred paths. A
// choice whose paths do not fit it is refused (-1).
inline constexpr size_t kChosenFilesSize = 65538;

// Where the run log's lines go: the main window's list box on Windows, standard output on the
// console, a vector of lines in the tests.
class LogPane {
 public:
  virtual ~LogPane() = default;
  // Appends one line (CP932, NUL-terminated, no line end) as the new last item.
  virtual void Append(const char* line) = 0;
  // Number of lines held.
  virtual int Count() const = 0;
  // Copies line `index` (0-based) into `out` (CP932, NUL-terminated, cut to size - 1 bytes).
  // Returns its length, or -1 when there is no such line.
  virtual int LineText(int index, char* out, size_t size) const = 0;
  // Selects line `index` so that it is visible and highlighted.
  virtual void Select(int index) = 0;
  // Sets the horizontal scroll range to the pixel width of the first `length` bytes of `text`
  // in the pane's font plus the width of a vertical scroll bar.
  virtual void FitWidth(const char* text, int length) = 0;
  // Removes every line.
  virtual void Clear() = 0;
};

struct Services {
  // Shows a modal message box and returns when the user has closed it. `owner` may be nullptr.
  void (*showMessage)(WindowHandle owner, const char* text, const char* title, BoxIcon icon);
  // Milliseconds since some fixed point; wraps around like the system tick counter.
  uint32_t (*tickCount)();
  // Blocks the thread for about `milliseconds` without using the processor.
  void (*sleep)(uint32_t milliseconds);
  // The local date and time now.
  void (*localTime)(LocalTime* out);
  // Copies the value of environment variable `name` into `out` (cut to size - 1 bytes) and
  // returns true; returns false (and writes "") when the variable is not set.
  bool (*getEnvironment)(const char* name, char* out, size_t size);
  // Starts `program` with the parameter text `parameters` (nullptr or "" for none).
  // Returns 0 when the program was started, -1 otherwise.
  int (*startProgram)(WindowHandle owner, const char* program, const char* parameters);
  // Opens `path` with the program the system associates with it (verb "open").
  // Returns 0 when opened, -1 otherwise (no associated program, or no such mechanism).
  int (*openAssociated)(WindowHandle owner, const char* path);
  // Name of this computer / of the user running the program. False when unavailable.
  bool (*computerName)(char* out, size_t size);
  bool (*userName)(char* out, size_t size);
  // First IPv4 address of the local host name in dotted form. On failure writes "0.0.0.0" and
  // returns kAddressUnresolved or kSocketsUnavailable.
  int (*hostAddress)(char* out, size_t size);
  // Full path of the running executable. False when it cannot be had or does not fit.
  bool (*executablePath)(char* out, size_t size);
  // Last-write time of `path` (nullptr: the running executable) in local time. Returns 0, or -1
  // when the file cannot be opened.
  int (*fileTime)(const char* path, LocalTime* out);
  // The log pane the run log writes to. Never nullptr: a pane that drops lines until a real one
  // is installed.
  LogPane* logPane;
  // The file operations.
  FileServices files;
  // Shows the open-file dialog `dialog` owned by `owner` and returns when the user has closed it.
  // Writes the paths chosen into `out` (CP932, each NUL-terminated, the list ended by one more
  // NUL, in the order the dialog gives them; a name typed in need not exist) and returns how many
  // there are, at most 1 unless `dialog.multiple`. Returns 0 when nothing was chosen (on a system
  // without dialogs, always), -1 when the paths do not fit `size` bytes; `out` holds an empty
  // list then (when `size` is 2 or more).
  int (*chooseFiles)(WindowHandle owner, const FileDialog& dialog, char* out, size_t size);
  // Whether WaitSeconds really waits: the split's fixed one-second pauses before the footer cut
  // reads the program a second time and before the header and footer files are deleted. The
  // Windows program keeps them; the Linux console program has no use for them and goes on at once.
  bool fixedWaits;
};

// The services in force. Tests overwrite members and restore them afterwards.
Services& Current();
// The real services of this platform.
const Services& Real();

// --- Files (paths are CP932), all through Current().files ----------------------------------

// The name of the operating system this program runs on, for the start banner: "Windows 10" on
// Windows (the system the product is made for), the kernel's name and release elsewhere
// ("Linux 6.1.0"). Written into `out` (cut to size - 1 bytes).
void SystemName(char* out, size_t size);

inline FILE* OpenFile(const char* path, const char* mode) { return Current().files.open(path, mode); }
// Writes a whole buffer; see FileServices::write.
inline bool WriteBytes(FILE* file, const void* data, size_t size) {
  return Current().files.write(file, data, size);
}
// Reads a block; see FileServices::read.
inline ptrdiff_t ReadBytes(FILE* file, void* data, size_t size) {
  return Current().files.read(file, data, size);
}
inline int GetFileStatus(const char* path, FileStatus* out) { return Current().files.status(path, out); }
// Positions `file` (open for reading) at byte `offset` from its start, 64-bit on every platform.
// True on success.
bool SeekFile(FILE* file, int64_t offset);
// True when something (a file or a directory) exists at `path`.
inline bool FileExists(const char* path) {
  FileStatus status;
  return GetFileStatus(path, &status) == 0;
}
// True when `path` names a directory.
inline bool IsDirectory(const char* path) {
  FileStatus status;
  return GetFileStatus(path, &status) == 0 && status.directory;
}
// Deletes the file at `path`. True on success.
inline bool RemoveFile(const char* path) { return Current().files.remove(path); }

// Closes a FILE* when it goes out of scope, so that every failure path closes its files.
class FileHandle {
 public:
  FileHandle() = default;
  explicit FileHandle(FILE* file) : file_(file) {}
  FileHandle(const char* path, const char* mode) : file_(OpenFile(path, mode)) {}
  ~FileHandle() { Close(); }
  FileHandle(const FileHandle&) = delete;
  FileHandle& operator=(const FileHandle&) = delete;
  FILE* get() const { return file_; }
  explicit operator bool() const { return file_ != nullptr; }
  // Closes the file in hand (if any) and opens `path`; false when it could not be opened.
  bool Open(const char* path, const char* mode) {
    Close();
    file_ = OpenFile(path, mode);
    return file_ != nullptr;
  }
  // Closes now; returns false when the close (the final flush) or any write before it failed.
  bool Close() {
    if (file_ == nullptr) return true;
    FILE* file = file_;
    file_ = nullptr;
    return Current().files.close(file);
  }

 private:
  FILE* file_ = nullptr;
};

// --- Convenience wrappers over Current() -------------------------------------------------------

inline void ShowMessage(WindowHandle owner, const char* text, const char* title, BoxIcon icon) {
  Current().showMessage(owner, text, title, icon);
}
inline uint32_t TickCount() { return Current().tickCount(); }
inline void Sleep(uint32_t milliseconds) { Current().sleep(milliseconds); }
inline void GetLocalTimeNow(LocalTime* out) { Current().localTime(out); }
inline bool GetEnvironment(const char* name, char* out, size_t size) {
  return Current().getEnvironment(name, out, size);
}
inline LogPane& Log() { return *Current().logPane; }

}  // namespace platform
