// The line reader of every pass over a text file.
//
// Reading behaves like the Windows text-mode reader on every platform, so that the Linux and the
// Windows builds see the same lines: "\r\n" becomes "\n", a lone "\r" stays in the line, and a
// Ctrl-Z byte (0x1A) ends the file (programs saved by old editors end with one; nothing after it
// is read). Each physical line is delivered whole, with its "\n" when it has one (the last line of
// a file may lack it), so a word is never cut in two and a comment never spills into the next
// block. A UTF-8 byte-order mark at the start of the file (EF BB BF, which editors put before
// a program they save as UTF-8) is not part of the first line: the reader skips it, so no pass
// sees it and nothing made from the lines (a header, a piece) gets one. Lines are limited to kMaxLineLength bytes before the "\n"; a longer line is an error that
// names its line number.
//
// Every file the system writes has "\r\n" line ends on every platform: WriteCrlfText
// (text/crlf_text.h) turns each "\n" into "\r\n", so a line read here and written there comes out
// byte for byte as it was.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <span>

// Longest line content (without its "\n") that the reader accepts.
inline constexpr size_t kMaxLineLength = 4095;

// The most lines the reader delivers from one file. Line numbers, and the counts of what is made
// from lines (records, holes, blocks), are `int` throughout the system; a file with more lines
// (more than about 4 GiB of the shortest lines) is refused instead of being counted past what an
// int holds. Some room is left above it, so that a line number plus one still fits.
inline constexpr int kMaxLineCount = 2000000000;
// The limit in force: kMaxLineCount, lowered only by tests, which cannot write gigabytes to reach
// it. Read when a reader is constructed.
extern int gLineCountLimit;
// Size of the caller's line buffer: content, "\n" and the terminator.
inline constexpr size_t kLineBufferSize = kMaxLineLength + 2;

// Results of LineReader::Next.
enum LineResult {
  kLineRead = 1,       // a line was delivered
  kLineEnd = 0,        // no more lines (end of file or Ctrl-Z)
  kLineTooLong = -1,   // the next line is longer than kMaxLineLength; see lineNumber()
  kLineReadError = -2, // the file could not be read
  kLineTooMany = -3,   // the file has more than gLineCountLimit lines; lineNumber() is the limit
};

class LineReader {
 public:
  // Reads from `file`, opened in binary mode ("rb"), from its current position. The reader
  // neither owns nor closes the file.
  explicit LineReader(FILE* file)
      : file_(file), chunkStart_(std::ftell(file)), limit_(gLineCountLimit), markPending_(chunkStart_ == 0) {}
  LineReader(const LineReader&) = delete;
  LineReader& operator=(const LineReader&) = delete;

  // Delivers the next physical line into `line`: its bytes after the line-end conversion, the
  // "\n" when the line has one, and a terminator. `*length` (may be nullptr) receives the number
  // of bytes before the terminator; a line may hold NUL bytes of its own, which only the length
  // shows. Returns kLineRead, kLineEnd, kLineTooLong, kLineReadError or kLineTooMany; after
  // anything but kLineRead every further call returns the same result and `line` holds "".
  // (kLineTooMany comes in place of the line after the limit.)
  int Next(std::span<char, kLineBufferSize> line, size_t* length = nullptr);

  // Reads over the next `count` lines as `count` calls of Next would, without delivering them:
  // returns kLineRead when all were there, else the result of the Next call that failed (and
  // every further call returns the same).
  int Skip(int count);
  // Bytes read from the file at a time.
  static constexpr size_t kChunkSize = 65536;
  // 1-based number of the line last delivered (0 before the first); after kLineTooLong, the
  // number of the line that was too long.
  int lineNumber() const { return lineNumber_; }

  // The byte offset in the file of the next line to be delivered (meaningful while Next returns
  // kLineRead): what Seek takes to come back to it.
  int64_t Tell() const { return chunkStart_ + static_cast<int64_t>(position_); }
  // Goes on reading at byte `offset` of the file, the start of a line that Tell gave, whose
  // number is `lineNumber` + 1: the next Next delivers that line. A place inside the chunk in
  // hand is taken from it without reading the file again. False when the file cannot be
  // positioned there (then every further Next returns kLineReadError). A byte-order mark is read
  // over again only at offset 0.
  bool Seek(int64_t offset, int lineNumber);

 private:
  // Refills the chunk; false at the end of the file or on a read error (`state_` tells which).
  bool Fill();
  // Next byte after the line-end conversion, or -1 at the end.
  int Take();
  // Skips the byte-order mark at the start of the file, once, before the first line.
  void SkipByteOrderMark();

  FILE* file_;
  int64_t chunkStart_;     // the file offset of chunk_[0]
  unsigned char chunk_[kChunkSize];
  size_t position_ = 0;
  size_t end_ = 0;
  int state_ = kLineRead;  // kLineRead while more may come
  int lineNumber_ = 0;
  int limit_;              // the most lines delivered (gLineCountLimit)
  bool markPending_;       // the reader began at the file's start: a byte-order mark may come
};
