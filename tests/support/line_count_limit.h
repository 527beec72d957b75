// Lowers the limit on the lines of a file (and on the records and blocks made from them,
// gLineCountLimit) for one test and puts it back: the limit is reached without writing gigabytes.
#pragma once

#include "nc/line_reader.h"

class LineCountLimit {
 public:
  explicit LineCountLimit(int limit) : saved_(gLineCountLimit) { gLineCountLimit = limit; }
  ~LineCountLimit() { gLineCountLimit = saved_; }
  LineCountLimit(const LineCountLimit&) = delete;
  LineCountLimit& operator=(const LineCountLimit&) = delete;

 private:
  int saved_;
};
