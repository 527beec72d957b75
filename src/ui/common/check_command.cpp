#include "ui/common/check_command.h"

#include <algorithm>

#include "check/split_check.h"
#include "config/settings_keys.h"
#include "log/run_log.h"
#include "nc/number_text.h"
#include "ui/common/front_end_messages.h"
#include "ui/common/job_input.h"

namespace {

bool IsDigit(char c) { return c >= '0' && c <= '9'; }

// The end of the run of digits that starts at `from`.
size_t DigitsEnd(const std::string& text, size_t from) {
  while (from < text.size() && IsDigit(text[from])) ++from;
  return from;
}

// The first digit of the run [from, end) that is not a leading zero (the last one when all are).
size_t SignificantStart(const std::string& text, size_t from, size_t end) {
  while (from + 1 < end && text[from] == '0') ++from;
  return from;
}

int Refuse(platform::WindowHandle owner) {
  EmitLogLine(owner, kLogError);
  return kCheckCommandRefused;
}

// APPROACH of [QUENDRA], read as the split reads it.
bool ReadApproach(platform::WindowHandle owner, double* approach) {
  char text[kApproachSetting.field];
  ReadSettingText(kApproachSetting, text, sizeof text);
  *approach = ParseStandardDecimal(text);
  if (*approach >= 0.0) return true;
  FormatLog(kCheckCommandHeightNegative, kApproachSetting.key, text);
  Refuse(owner);
  return false;
}

}  // namespace

int RunCheckCommand(platform::WindowHandle owner, const CheckCommand& command) {
  if (!platform::FileExists(command.ncFile)) {
    FormatLog(kCheckCommandNcMissing, command.ncFile);
    return Refuse(owner);
  }
  if (platform::IsDirectory(command.ncFile)) {
    FormatLog(kHeaderFooterNcIsDirectory, command.ncFile);
    return Refuse(owner);
  }
  if (command.pieceCount < 1 || command.piecePaths == nullptr) {
    FormatLog("%s", kCheckCommandNoPieces);
    return Refuse(owner);
  }
  FormatLog(kCheckCommandProgramLine, command.ncFile);
  EmitLogLine(owner, kLogPlain);
  for (int piece = 0; piece < command.pieceCount; ++piece) {
    FormatLog(kCheckCommandPieceLine, piece + 1, command.piecePaths[piece]);
    EmitLogLine(owner, kLogPlain);
  }

  SplitCheckJob job{};
  job.ncFile = command.ncFile;
  job.pieceCount = command.pieceCount;
  job.piecePaths = command.piecePaths;
  if (ReadStartPoint(owner, command.start, command.ncFile, job.start) != kJobReady) return kCheckCommandRefused;
  if (!ReadApproach(owner, &job.approach)) return kCheckCommandRefused;
  // The pieces are taken to carry the program's own opening and closing, as a split writes them
  // when it cuts the header and footer itself: every block of the body is then checked too.
  job.headerFile = nullptr;
  job.footerFile = nullptr;

  SplitCheckReport report{};
  const int result = CheckSplit(job, &report);
  char line[kLogLineSize];
  DescribeSplitCheck(report, line);
  FormatLog("%s", line);
  if (result == kCheckPassed) {
    EmitLogLine(owner, kLogPlain);
    return kCheckCommandPassed;
  }
  EmitLogLine(owner, kLogError);
  return kCheckCommandFailed;
}

bool PieceNameBefore(const std::string& a, const std::string& b) {
  size_t i = 0;
  size_t j = 0;
  while (i < a.size() && j < b.size()) {
    if (IsDigit(a[i]) && IsDigit(b[j])) {
      const size_t endA = DigitsEnd(a, i);
      const size_t endB = DigitsEnd(b, j);
      const size_t fromA = SignificantStart(a, i, endA);
      const size_t fromB = SignificantStart(b, j, endB);
      // More significant digits: the larger value; as many: the first digit that differs.
      if (endA - fromA != endB - fromB) return endA - fromA < endB - fromB;
      const int digits = a.compare(fromA, endA - fromA, b, fromB, endB - fromB);
      if (digits != 0) return digits < 0;
      if (endA - i != endB - j) return endA - i < endB - j;
      i = endA;
      j = endB;
      continue;
    }
    const unsigned char byteA = static_cast<unsigned char>(a[i]);
    const unsigned char byteB = static_cast<unsigned char>(b[j]);
    if (byteA != byteB) return byteA < byteB;
    ++i;
    ++j;
  }
  return a.size() - i < b.size() - j;
}

void SortPieceNames(std::vector<std::string>* paths) { std::sort(paths->begin(), paths->end(), PieceNameBefore); }
