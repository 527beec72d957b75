// A log pane that keeps its lines in memory. The default pane until the front end installs its
// own, the base of the console pane, and the pane of the tests.
#pragma once

#include <string>
#include <vector>

#include "platform/platform.h"

namespace platform {

class MemoryLogPane : public LogPane {
 public:
  void Append(const char* line) override { lines_.emplace_back(line); }
  int Count() const override { return static_cast<int>(lines_.size()); }
  int LineText(int index, char* out, size_t size) const override;
  void Select(int index) override { selected_ = index; }
  void FitWidth(const char* text, int length) override;
  void Clear() override { lines_.clear(); selected_ = -1; }

  const std::vector<std::string>& lines() const { return lines_; }
  int selected() const { return selected_; }
  int fitCalls() const { return fitCalls_; }
  int fittedLength() const { return fittedLength_; }

 private:
  std::vector<std::string> lines_;
  int selected_ = -1;
  int fitCalls_ = 0;
  int fittedLength_ = -1;
};

}  // namespace platform
