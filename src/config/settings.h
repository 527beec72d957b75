// The settings of the run: where the program and its settings file live, the values read once at
// start-up (colours, help-file name, command settings), the rights notice, and the readers of
// the [FORMAT], [COMMAND], [COLOR] and [MESSAGE] sections. Every other key is read at its use
// through settings_keys.h.
#pragma once

#include <cstddef>
#include <cstdint>

#include "platform/platform.h"

// Paths the system itself supplies (program directory, SystemRoot, help file): 520 bytes.
inline constexpr size_t kSystemPathField = 520;
inline constexpr char kSettingsFileName[] = "Quendrix.ini";
// The settings path always fits: the program directory is at most kSystemPathField - 1 bytes.
inline constexpr size_t kSettingsPathSize = kSystemPathField + sizeof kSettingsFileName;
inline constexpr size_t kHelpFileField = 32;
// The saved log's path always fits: the program directory, the program name, "." and an
// extension of at most 15 bytes.
inline constexpr size_t kLogPathSize = kSystemPathField + 32;
inline constexpr size_t kNoticeSize = 128;

// A colour as read from the settings file. Only the low 8 bits of each component count
// (ColourValue), so 300 acts as 44.
struct Colour {
  int red;
  int green;
  int blue;
};

// Read once at start-up by ReadCommandSettings into the front end's record; the front end's
// BatchModeSwitch may later set mode 1 and overwrite 0 there (never in the file). Each split job
// carries its own copy (SplitJob::settings).
struct CommandSettings {
  int debug;        // DEBUG: 2 logs every written block, 100 echoes the output parameters,
                    // 999 echoes the arguments; default 0
  int mode;         // MODE: 0 shows the completion box, else batch behaviour; default 0
  int deleteFiles;  // DELETE: 1 deletes the header and footer files after a split; default 1
  int print;        // PRINT: 1 adds a blank log line before that deletion; default 0
  int overwrite;    // OVERWRITE: default 1, forced to 0 whenever mode is 1
  int verify = 1;   // VERIFY: 1 proves every split before it reports success (the split check);
                    // 0 leaves the check out; default 1
  int preview = 0;  // PREVIEW: 1 writes the picture of each split that wrote its pieces
                    // (NAME_split.svg); the console's --preview sets it too; default 0
  int timeModel = 0;  // TIMEMODEL: 0 splits by the programmed time (feed length / F); 1 by the
                      // estimated machine time ([MACHINE]); default 0
  int seam = 0;     // SEAM: where pieces end (SeamPolicy): "cut" 0, "break" 1, "tool" 2, any
                    // other text kSeamUnknown (the split refuses it, naming `seamText`); the
                    // console's --seam= sets it too; default "cut"
  char seamText[16] = "cut";  // SEAM as written (cut to 15 bytes)
  int sizeKb = 0;   // SIZE: no piece file larger than this many KB (1024 bytes); 0 none; the
                    // console's --max-size sets it too; default 0
  char sizeText[16] = "";  // --max-size as given ("" from the file), for the refusal
  char piecesText[16] = "";  // the console's --pieces N as given ("": none); no key in the file
};

// Where a seam may fall (SEAM of [COMMAND]).
enum SeamPolicy {
  kSeamCut = 0,    // at the cutting move that passes a limit; the next piece cuts it again
  kSeamBreak = 1,  // at the last place before the limit where the program lifts out of the stock
  kSeamTool = 2,   // as kSeamBreak, and at every tool change besides
  kSeamUnknown = -1,
};

// The policy named by `text` (letter case ignored, blanks around it too): kSeamCut, kSeamBreak,
// kSeamTool, or kSeamUnknown.
int ParseSeamPolicy(const char* text);

// The KB of a size limit written as `text`: digits only (blanks around them allowed), at most
// 1000000; -1 for any other text.
int ParseSizeKb(const char* text);

// Read at each split by ReadFormatSettings into a record the caller owns.
struct FormatSettings {
  int decimal;  // DECIMAL: default -1 (the driver turns any non-zero value into 3)
  int comment;  // COMMENT: default 1
};

// Drive and directory of the running executable with the trailing separator ("" when the
// executable's path cannot be had: files are then looked for in the working directory).
extern char gProgramDirectory[kSystemPathField];
// gProgramDirectory + "Quendrix.ini".
extern char gSettingsPath[kSettingsPathSize];
extern Colour gWindowColour;  // [COLOR] WINDOW, default 135, 215, 215
extern Colour gTextColour;    // [COLOR] TEXT, default 0, 0, 0
// [Quendrix] HELPFILE, default "Quendrix.chm"; opened from gProgramDirectory.
extern char gHelpFileName[kHelpFileField];
// The maker's rights notice, one line, painted by the main window and shown in the banner.
extern char gNoticeLine[kNoticeSize];

// Size of a settings message: the longest one names the settings path.
inline constexpr size_t kSettingsMessageSize = kSettingsPathSize + 64;

// A report of the settings for the user. The settings show and log nothing themselves: they
// compose the text here and leave showing it to their caller.
struct SettingsMessage {
  platform::BoxIcon icon;
  char text[kSettingsMessageSize];  // CP932, NUL-terminated
};

// The reports of the start-up step in the order they arose: at most one for the default file
// (an error) and one for each colour (a warning, the window colour's first).
struct SettingsMessages {
  int count;
  SettingsMessage items[3];
};

// red + 256 * green + 65536 * blue of the low 8 bits of each component.
uint32_t ColourValue(const Colour& colour);

// Writes the directory of the running executable followed by `name` into `out`. The directory
// is computed afresh from the executable's path. Returns 0, or -1 with "" in `out` when the
// executable's path cannot be had or the result does not fit in `size` - 1 bytes.
int ProgramFilePath(const char* name, char* out, size_t size);

// The saved log's path into `out`: gProgramDirectory, the program name, "." and LOGFILE of
// [FILES] (default "log"). Returns the length, or -1 with "" in `out` when it does not fit in
// `size` - 1 bytes (never with kLogPathSize).
int LogFilePath(char* out, size_t size);

// The start-up step; runs once, before the command settings are read and before any window:
// sets gProgramDirectory and gSettingsPath, writes the default settings file when none exists,
// prepares gNoticeLine, reads the colours and gHelpFileName. Returns the reports for the user,
// for the caller to show: the error "the settings file cannot be opened" when the default file
// cannot be written (every later read then falls back), and the colour warnings of ReadColours.
SettingsMessages StartSettings();

// Writes the default settings text (CP932, "\r\n" line ends, ending in an empty line) to
// gSettingsPath unless something already exists there. Returns 0 when the file existed or was
// written; -1 when it cannot be written (no partial file is left). Reports nothing itself.
int WriteDefaultSettings();

// Reads WINDOW and TEXT of [COLOR] into `window` and `text` (defaults 135, 215, 215 and 0, 0, 0).
// A value with other than three components adds a warning with the count to `messages` (which
// has room for it); the components parsed before stay. A missing or empty key keeps the default
// silently. Returns 0.
int ReadColours(Colour* window, Colour* text, SettingsMessages* messages);

// Splits `text` at commas (empty pieces are skipped) and stores the leading integer of each piece
// in red, green, blue in turn, stopping after the third. Returns the number of components stored
// (0 to 3); components not reached are left as they were.
int ParseColour(const char* text, Colour* colour);

// DECIMAL and COMMENT of [FORMAT] from the settings file next to the executable; -1 and 1 when
// the file or a key is missing. Returns 0.
int ReadFormatSettings(FormatSettings* format);

// The [COMMAND] keys (DEBUG 0, MODE 0, DELETE 1, PRINT 0, OVERWRITE 1, VERIFY 1, PREVIEW 0,
// TIMEMODEL 0). When the environment variable BELTRASOVA is
// "1" (any case) and MODE is 0, MODE becomes 1; whenever MODE is 1, OVERWRITE is 0. Returns 0.
int ReadCommandSettings(CommandSettings* command);

// The [MESSAGE] text for the current local time's hour and ten-minute slot (key "TIMEhhm", the
// exact key only) into `out`, at most min(128, size) - 1 bytes; " " when there is none.
// Returns 0.
int TimeOfDayMessage(char* out, size_t size);
