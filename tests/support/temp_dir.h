// A fresh, empty folder in the build tree for one test, removed when the test ends.
#pragma once

#include <string>
#include <vector>

class TempDir {
 public:
  // The folder is named after the running test, so parallel suites do not collide.
  TempDir();
  ~TempDir();
  TempDir(const TempDir&) = delete;
  TempDir& operator=(const TempDir&) = delete;

  // The folder's path with a trailing "/" (usable as a CP932 path: it holds only ASCII).
  const std::string& path() const { return path_; }
  std::string Path(const std::string& name) const { return path_ + name; }

  // Writes `bytes` to a file in the folder, exactly as given.
  void Write(const std::string& name, const std::string& bytes) const;
  // The bytes of a file in the folder; empty when it does not exist.
  std::string Read(const std::string& name) const;
  bool Exists(const std::string& name) const;

 private:
  std::string path_;
};

// Reads a whole file given by its full path (bytes); empty when it cannot be read.
std::string ReadFileBytes(const std::string& path);
void WriteFileBytes(const std::string& path, const std::string& bytes);

// The lines of a text split at "\n" (a last line without one included; no empty line after a
// final "\n").
std::vector<std::string> SplitLines(const std::string& text);

// `word` quoted for the POSIX shell: in single quotes, each quote in it written '\''.
std::string ShellQuoted(const std::string& word);
