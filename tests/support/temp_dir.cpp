#include "support/temp_dir.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <sstream>

namespace fs = std::filesystem;

TempDir::TempDir() {
  const testing::TestInfo* info = testing::UnitTest::GetInstance()->current_test_info();
  std::string name = info != nullptr ? std::string(info->test_suite_name()) + "." + info->name() : "tmp";
  for (char& c : name) {
    if (c == '/' || c == '\\') c = '_';
  }
  fs::path dir = fs::path(QX_BINARY_DIR) / "test-tmp" / name;
  std::error_code ec;
  fs::remove_all(dir, ec);
  fs::create_directories(dir);
  path_ = dir.generic_string() + "/";
}

TempDir::~TempDir() {
  std::error_code ec;
  if (!testing::Test::HasFailure()) fs::remove_all(fs::path(path_), ec);
}

void TempDir::Write(const std::string& name, const std::string& bytes) const { WriteFileBytes(path_ + name, bytes); }

std::string TempDir::Read(const std::string& name) const { return ReadFileBytes(path_ + name); }

bool TempDir::Exists(const std::string& name) const { return fs::exists(fs::path(path_ + name)); }

std::string ReadFileBytes(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream out;
  out << in.rdbuf();
  return out.str();
}

void WriteFileBytes(const std::string& path, const std::string& bytes) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
}

std::vector<std::string> SplitLines(const std::string& text) {
  std::vector<std::string> lines;
  std::istringstream in(text);
  std::string line;
  while (std::getline(in, line)) lines.push_back(line);
  return lines;
}

std::string ShellQuoted(const std::string& word) {
  std::string quoted = "'";
  for (char c : word) quoted += c == '\'' ? std::string("'\\''") : std::string(1, c);
  return quoted + "'";
}
