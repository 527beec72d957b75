// The console program: the same arguments as the Windows program, without a window.
//
//   quendrix                      the usage on standard output; exit 2
//   quendrix ? | /?               the usage on standard output; exit 0
//   quendrix -h | --help          the same (anywhere among the arguments, see console_options.h)
//   quendrix --version            the version, build date and rights notice; exit 0, nothing written
//   quendrix -x                   any other option: its error, exit 2, nothing written
//   --preview (anywhere)          a split that writes its pieces also writes its picture,
//                                 NAME_split.svg, next to them and names it in the run log (as
//                                 PREVIEW=1 of [COMMAND] does); exit 1 when it cannot be written
//   quendrix help | /help         the help file on standard output (UTF-8); exit 0, or its
//                                 missing-file message and exit 1
//   quendrix -HF NCFILE           the header and footer files next to NCFILE, their paths printed
//   quendrix --check NCFILE PIECE... [X Y Z]   the split check alone, of pieces that exist (see
//                                 check_command.h): exit 0 when it proves them, 1 when not or
//                                 when a file is missing, 2 for arguments it cannot use
//   quendrix NCFILE DIST TIME [X Y Z [BATCH]]   the command-line run
//   quendrix -CTRL PARAMETERFILE  the batch run
//
// The run log (the start banner included) goes to standard output as UTF-8 lines, in order, as it
// is written; every message-box text also goes to standard error. A split that wrote its pieces
// ends the log with the folder they are in. The settings file is read from and created next to the
// executable, as on Windows.
#pragma once

enum ConsoleExit {
  kExitSuccess = 0,  // the split wrote its pieces, the header and footer files were made, the
                     // check proved the pieces, or help
  kExitFailure = 1,  // an error was reported (the check's failure too), or the program needed no
                     // split
  kExitUsage = 2,    // no arguments, arguments that cannot be read, an unknown option, or
                     // --check arguments it cannot use
};

// Runs the console program with the process's arguments (UTF-8, as the shell passes them).
// Returns the exit code.
int RunConsole(int argc, char** argv);
