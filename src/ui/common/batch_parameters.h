// The parameters of a batch run, read from a parameter file in the settings-file format.
//
// All keys live in section [Quendrix]. Each parameter has a numbered key and a named key; the
// numbered key wins whenever it has a value, the named key is read only when the numbered one is
// missing or empty:
//
//   PARAMETER1 / NCFILE1   NC program to split      at most 519 bytes
//   PARAMETER2 / TIME      split time, minutes      at most 15 bytes
//   PARAMETER3 / DIST      split distance, metres   at most 15 bytes
//   PARAMETER4 / STARTX    start X (optional)       at most 15 bytes
//   PARAMETER5 / STARTY    start Y (optional)       at most 15 bytes
//   PARAMETER6 / STARTZ    start Z (optional)       at most 15 bytes
//   PARAMETER7 / BATCH     run-mode word (optional) at most 15 bytes (longer is cut)
//   SEAM                   seam policy (optional)   at most 15 bytes: cut, break or tool; none:
//                          SEAM of [COMMAND] in Quendrix.ini
//   SIZE                   largest piece, KB (optional; 0: none; none: SIZE of [COMMAND])
//   PIECES                 pieces of nearly equal cutting time (optional)
//
// Note the order: time before distance, the opposite of the command line. The numbers are kept as
// texts; the front end reads them (ui/common/job_input.h), and takes a start coordinate that is
// missing or empty from the program.
// The file is read with the path as given, so a bare file name is looked for in the working
// directory.
#pragma once

#include <cstddef>

#include "platform/platform.h"

inline constexpr char kParameterSection[] = "Quendrix";
inline constexpr size_t kParameterPathField = 520;
inline constexpr size_t kParameterValueField = 16;

struct BatchParameters {
  char ncFile[kParameterPathField];       // PARAMETER1 / NCFILE1
  char time[kParameterValueField];        // PARAMETER2 / TIME
  char distance[kParameterValueField];    // PARAMETER3 / DIST
  char start[3][kParameterValueField];    // PARAMETER4..6 / STARTX, STARTY, STARTZ ("": none)
  char mode[kParameterValueField];        // PARAMETER7 / BATCH; "" when neither has a value
  char seam[kParameterValueField];        // SEAM; "" when it has no value
  char size[kParameterValueField];        // SIZE; "" when it has no value
  char pieces[kParameterValueField];      // PIECES; "" when it has no value
};

// Reads the parameters from `parameterFile` (nullptr or "" when the run was started without one:
// every value is then missing) into `parameters`, zeroing it first.
// Results of ReadBatchParameters.
enum BatchParametersResult {
  kBatchParametersRead = 0,      // every required value is there and the NC program exists
  kBatchParametersRefused = -1,  // an error line says what is missing
};

// Returns kBatchParametersRead when every required value is there and the NC program exists.
// Otherwise emits the first failure in the order of the table at level -1 (log line and error box
// owned by `owner`) and returns kBatchParametersRefused:
//   no NC program name                 "エラー：ＮＣファイル名を読み込めません。"
//   nothing at that path               "エラー：ＮＣファイル %s が存在しません。"
//   a missing time or distance         its own "…を指定して下さい。" message
//   a required value over its length   "エラー：パラメータ %s の値が長すぎます（%d 文字まで）。"
//                                      (a cut path would name another file, a cut number read
//                                      another value)
// The file is only read; nothing is written.
int ReadBatchParameters(platform::WindowHandle owner, const char* parameterFile, BatchParameters* parameters);
