// Faults injected into the file operations (platform::Current().files), for tests of what the
// system does when the disk fills up, a file cannot be created, a file vanishes or changes
// between two looks at it, or a folder is read-only. Everything not named in a rule goes through
// to the operations installed before (normally the real ones), and real files are used
// throughout: a "disk full" write puts the bytes that fit into the real file and fails the rest.
//
//   FileFaults faults;                                  // installed until the end of the scope
//   faults.DiskFullAfter(dir.Path("PART.001"), 100);    // the piece breaks off after 100 bytes
//   faults.ReadOnlyFolder(dir.path());                  // nothing can be created or deleted there
//
// Paths are compared as the code under test passes them (CP932 bytes, exactly). Rules count
// events from the moment the object is constructed. Construct it after a FakePlatform (which
// saves and restores every service) or on its own; it puts the earlier file operations back when
// it is destroyed. One at a time.
#pragma once

#include <cstdint>
#include <functional>
#include <map>
#include <string>
#include <vector>

#include "platform/platform.h"

class FileFaults {
 public:
  struct Event {
    std::string path;
    std::string mode;  // the open mode; "remove" for a deletion
  };

  FileFaults();
  ~FileFaults();
  FileFaults(const FileFaults&) = delete;
  FileFaults& operator=(const FileFaults&) = delete;

  // Writes to a file opened for writing at `path` fail once `bytes` bytes have gone into it: the
  // write that crosses the limit puts in the bytes below it and fails, and so does every later
  // write; closing the file then reports the failure. Applies to every opening of `path`.
  void DiskFullAfter(const std::string& path, uint64_t bytes);
  // The same for the `n`-th file opened for writing (1-based, whatever its path).
  void DiskFullAfterNthWriteOpen(int n, uint64_t bytes);
  // Opening `path` for writing fails (errno EACCES); nothing is created.
  void FailCreate(const std::string& path);
  // Block reads (platform::ReadBytes: the line reader, the copies into a piece) of `path` fail (-1)
  // once `bytes` bytes of it have been read. The settings reader takes bytes from the stream
  // itself and does not see this fault.
  void ReadErrorAfter(const std::string& path, uint64_t bytes);
  // Just before the `n`-th opening (1-based, any mode) of `path`, the file is deleted for real:
  // a file that vanishes between two passes.
  void VanishBeforeOpen(const std::string& path, int n);
  // From the `n`-th status query (1-based; FileExists and IsDirectory count, since they ask the
  // status service) of `path` on, its size reads `sizeDelta` bytes larger
  // and its last write time `timeDelta` nanoseconds later than it is: a file changed by someone
  // else between two looks. The file itself is not touched.
  void ChangeStatusFrom(const std::string& path, int n, int64_t sizeDelta, int64_t timeDelta);
  // Inside `folder` (a path prefix, with its trailing separator) nothing can be opened for
  // writing or deleted (errno EACCES); reading works. Stands in for a read-only folder, which
  // cannot be made for real where the tests run as root or under Wine.
  void ReadOnlyFolder(const std::string& folder);
  // Runs `action` just before the `n`-th opening (1-based, any mode) of `path`, e.g. to change
  // the file for real between two passes.
  void BeforeOpen(const std::string& path, int n, std::function<void()> action);

  // What went through: every opening (also failed ones) and every deletion asked for, in order.
  const std::vector<Event>& events() const { return events_; }
  // The paths opened for writing (also failed attempts), in order, without repeats.
  std::vector<std::string> WrittenPaths() const;
  // Number of operations that failed because of a rule.
  int injectedFailures() const { return injectedFailures_; }

 private:
  struct OpenFileState {
    std::string path;
    uint64_t written = 0;
    uint64_t writeLimit = UINT64_MAX;
    uint64_t read = 0;
    uint64_t readLimit = UINT64_MAX;
    bool failed = false;
  };
  struct OpenAction {
    std::string path;
    int n;
    std::function<void()> action;
  };
  struct StatusChange {
    int from;
    int64_t sizeDelta;
    int64_t timeDelta;
  };

  static FILE* Open(const char* path, const char* mode);
  static bool Write(FILE* file, const void* data, size_t size);
  static ptrdiff_t Read(FILE* file, void* data, size_t size);
  static bool Close(FILE* file);
  static int Status(const char* path, platform::FileStatus* out);
  static bool Remove(const char* path);
  bool InReadOnlyFolder(const std::string& path) const;

  platform::FileServices saved_;
  std::map<std::string, uint64_t> writeLimits_;
  std::map<int, uint64_t> nthWriteLimits_;
  std::map<std::string, uint64_t> readLimits_;
  std::vector<std::string> uncreatable_;
  std::vector<std::string> readOnlyFolders_;
  std::vector<OpenAction> openActions_;
  std::map<std::string, StatusChange> statusChanges_;
  std::map<std::string, int> opens_;     // openings per path
  std::map<std::string, int> statuses_;  // status queries per path
  std::map<FILE*, OpenFileState> files_;
  std::vector<Event> events_;
  int writeOpens_ = 0;
  int injectedFailures_ = 0;
};
