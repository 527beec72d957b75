// The Unix options of the console program, and the rule that keeps negative numbers positional.
//
// The console takes the Windows program's positional arguments, and some of them are numbers that
// may be negative (a start coordinate of -30 or -.5), so "starts with -" alone cannot make an
// option. An argument is an option when it starts with "-" and is not a number: after the "-"
// comes neither a digit nor "." followed by a digit (the start of every number the standard
// decimal conversion reads). Of those, the program knows:
//
//   -h, --help        the usage (exact spelling)
//   --version         the version (exact spelling)
//   --preview         anywhere (exact spelling): the split also writes its picture,
//                     NAME_split.svg, as PREVIEW=1 of [COMMAND] does; taken out of the arguments
//                     before anything else looks at them
//   --seam=POLICY     anywhere: the seam policy of the split (cut, break or tool), as SEAM of
//                     [COMMAND] sets it; "--seam POLICY" too
//   --max-size=KB     anywhere: no piece file larger than KB kilobytes, as SIZE of [COMMAND];
//                     "--max-size KB" too
//   --pieces N        anywhere: N pieces of nearly equal cutting time; "--pieces=N" too
//   -CTRL, -CONTROL, -HF   the batch run and the header and footer files, any letter case, and
//                     only as the first argument (their place on the Windows command line)
//   --check           the split check of pieces that exist already (exact spelling), only as the
//                     first argument; anywhere else it is misplaced, not unknown
//
// Anything else that is an option is unknown. A file whose name starts with "-" is given as
// "./-NAME".
#pragma once

enum ConsoleOption {
  kNoConsoleOption = 0,  // no option: the positional run, the batch run or the header and footer run
  kHelpOption = 1,       // -h or --help
  kVersionOption = 2,    // --version
  kUnknownOption = 3,    // an option the program does not know
  kMisplacedOption = 4,  // --check after the first argument
};

struct OptionScan {
  ConsoleOption option;  // the first option found, in argument order
  int position;          // its position (1 = the first argument after the program), 0 for none
};

// Looks at arguments[1..count-1] in order and reports the first one that is -h, --help,
// --version, an unknown option or a misplaced --check (a known switch in its place is passed
// over). Reads nothing
// else; the arguments may be UTF-8 or code page 932 (every byte compared is ASCII).
OptionScan ScanConsoleOptions(int count, const char* const* arguments);

// Takes every "--preview" out of arguments[1..count-1], the later arguments (and the nullptr
// that ends them, when there is one at arguments[count]) moving up. Returns the new count and
// sets `found` when there was one.
int TakePreviewOption(int count, const char** arguments, bool* found);

// Takes every "NAME=VALUE" and "NAME VALUE" (the value the next argument) out of
// arguments[1..count-1] as TakePreviewOption does, and points `*value` at the last value (nullptr
// when there was none; "" for NAME as the last argument). Returns the new count.
int TakeValueOption(int count, const char** arguments, const char* name, const char** value);

// True when `word` is the header-and-footer switch "-HF", in any ASCII letter case.
bool IsHeaderFooterSwitch(const char* word);

// True when `word` is "--check".
bool IsCheckSwitch(const char* word);

// True when `word` starts with "-" and is not a number by the rule above.
bool LooksLikeOption(const char* word);
