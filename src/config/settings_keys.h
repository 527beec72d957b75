// Every key the program reads from the settings file Quendrix.ini, with its section, the size of
// the field it is read into and its fallback. The readers at the bottom are the only way the
// program reads a settings value; the batch parameter file is read with profile.h directly.
//
// Keys that the default text holds but nothing reads (TXTFILE, OUTPUTFILE, the [DIALOG] section,
// NCHEADER/NCFOOTER of [FORMAT], WINDOWLOG, HISTORY, ASCIIFILE of [PAVLOK], [NCTIME]) are not
// listed here on purpose.
#pragma once

#include <cstddef>

// A text key. The value read holds at most `field` - 1 bytes; when the file yields no characters
// the reader copies `fallback` instead (nullptr: the reader has a computed fallback, see below).
struct TextSetting {
  const char* section;
  const char* key;
  size_t field;
  const char* fallback;
};

// An integer key: `fallback` when the key is missing or empty, otherwise the leading number.
struct IntSetting {
  const char* section;
  const char* key;
  int fallback;
};

inline constexpr char kFilesSection[] = "FILES";
inline constexpr char kFormatSection[] = "FORMAT";
inline constexpr char kCommandSection[] = "COMMAND";
inline constexpr char kColorSection[] = "COLOR";
inline constexpr char kPavlokSection[] = "PAVLOK";
inline constexpr char kQuendraSection[] = "QUENDRA";
inline constexpr char kProductSection[] = "Quendrix";
inline constexpr char kMessageSection[] = "MESSAGE";
inline constexpr char kMachineSection[] = "MACHINE";

// [FILES]: file extension offered by the NC file chooser; extension of the saved log.
inline constexpr TextSetting kNcFileSetting{kFilesSection, "NCFILE", 16, "ppp"};
inline constexpr TextSetting kLogFileSetting{kFilesSection, "LOGFILE", 16, "log"};

// [FORMAT]: number form and comment switch of the output (read at each split).
inline constexpr IntSetting kDecimalSetting{kFormatSection, "DECIMAL", -1};
inline constexpr IntSetting kCommentSetting{kFormatSection, "COMMENT", 1};

// [COMMAND]: read once at start-up into the front end's CommandSettings.
inline constexpr IntSetting kDebugSetting{kCommandSection, "DEBUG", 0};
inline constexpr IntSetting kModeSetting{kCommandSection, "MODE", 0};
inline constexpr IntSetting kDeleteSetting{kCommandSection, "DELETE", 1};
inline constexpr IntSetting kPrintSetting{kCommandSection, "PRINT", 0};
inline constexpr IntSetting kOverwriteSetting{kCommandSection, "OVERWRITE", 1};
inline constexpr IntSetting kVerifySetting{kCommandSection, "VERIFY", 1};
inline constexpr IntSetting kPreviewSetting{kCommandSection, "PREVIEW", 0};
inline constexpr IntSetting kTimeModelSetting{kCommandSection, "TIMEMODEL", 0};
inline constexpr TextSetting kSeamSetting{kCommandSection, "SEAM", 16, "cut"};
inline constexpr IntSetting kSizeSetting{kCommandSection, "SIZE", 0};

// [COLOR]: "red,green,blue", read once at start-up. The fallback colours are in settings.cpp.
inline constexpr TextSetting kWindowColourSetting{kColorSection, "WINDOW", 16, ""};
inline constexpr TextSetting kTextColourSetting{kColorSection, "TEXT", 16, ""};

// [PAVLOK]: programs and name suffixes.
inline constexpr TextSetting kNcViewerSetting{kPavlokSection, "NCVIEWER", 520, ""};  // "": no viewer
inline constexpr TextSetting kEditorSetting{kPavlokSection, "EDITOR", 520, nullptr};  // see ReadEditorPath
// The split driver reads the header and footer suffixes into 32-byte fields, the header and
// footer command into 64-byte fields: a suffix of 32 to 63 bytes is cut only by the first.
inline constexpr TextSetting kSplitHeaderSuffixSetting{kPavlokSection, "NCHEADER", 32, "_header"};
inline constexpr TextSetting kSplitFooterSuffixSetting{kPavlokSection, "NCFOOTER", 32, "_footer"};
inline constexpr TextSetting kCommandHeaderSuffixSetting{kPavlokSection, "NCHEADER", 64, "_header"};
inline constexpr TextSetting kCommandFooterSuffixSetting{kPavlokSection, "NCFOOTER", 64, "_footer"};

// [QUENDRA]: split tuning, read at each run; the numbers are texts read as decimal numbers.
inline constexpr TextSetting kApproachSetting{kQuendraSection, "APPROACH", 16, "10"};
inline constexpr TextSetting kLiftSetting{kQuendraSection, "LIFT", 16, "1"};
inline constexpr TextSetting kApproachFeedSetting{kQuendraSection, "AFEED", 16, "0.5"};
inline constexpr TextSetting kLiftFeedSetting{kQuendraSection, "LFEED", 16, "1.0"};
inline constexpr TextSetting kAsciiFileSetting{kQuendraSection, "ASCIIFILE", 32, "_ascii.txt"};

// [MACHINE]: the machine the machine-time estimate (TIMEMODEL=1) describes, read at each split;
// numbers read as decimal texts. The fallbacks describe a small vertical machining centre: rapids
// of 36 m/min in X and Y and 30 m/min in Z, feeds up to 10 m/min, about 0.3 g of acceleration
// in X and Y and a quarter g in Z, a corner tolerance of 0.01 mm, 6 s from cut to cut for a tool
// change, 2 ms per block (500 blocks a second), the override at 100 %.
inline constexpr TextSetting kRapidXSetting{kMachineSection, "RAPIDX", 16, "36000"};        // mm/min
inline constexpr TextSetting kRapidYSetting{kMachineSection, "RAPIDY", 16, "36000"};        // mm/min
inline constexpr TextSetting kRapidZSetting{kMachineSection, "RAPIDZ", 16, "30000"};        // mm/min
inline constexpr TextSetting kFeedXSetting{kMachineSection, "FEEDX", 16, "10000"};          // mm/min
inline constexpr TextSetting kFeedYSetting{kMachineSection, "FEEDY", 16, "10000"};          // mm/min
inline constexpr TextSetting kFeedZSetting{kMachineSection, "FEEDZ", 16, "10000"};          // mm/min
inline constexpr TextSetting kAccelXSetting{kMachineSection, "ACCELX", 16, "3000"};         // mm/s^2
inline constexpr TextSetting kAccelYSetting{kMachineSection, "ACCELY", 16, "3000"};         // mm/s^2
inline constexpr TextSetting kAccelZSetting{kMachineSection, "ACCELZ", 16, "2500"};         // mm/s^2
inline constexpr TextSetting kCornerSetting{kMachineSection, "CORNER", 16, "0.01"};         // mm
inline constexpr TextSetting kToolChangeSetting{kMachineSection, "TOOLCHANGE", 16, "6"};    // s
inline constexpr TextSetting kBlockTimeSetting{kMachineSection, "BLOCKTIME", 16, "2"};      // ms
inline constexpr TextSetting kOverrideSetting{kMachineSection, "OVERRIDE", 16, "100"};      // %

// [Quendrix]: help file in the program directory, read once at start-up. Its fallback is the
// program name with ".chm" (StartSettings).
inline constexpr TextSetting kHelpFileSetting{kProductSection, "HELPFILE", 32, nullptr};

// [MESSAGE]: the status-bar message of a ten-minute slot; the key is "TIME" + hour (2 digits) +
// tens of minutes (1 digit), built by TimeOfDayMessage.
inline constexpr size_t kMessageField = 128;
inline constexpr char kMessageFallback[] = " ";

// Reads `setting` from the settings file at `path` (the kept settings path gSettingsPath when
// nullptr) into `out`, at most min(setting.field, size) - 1 bytes. When the file yields no
// characters, copies the fallback (nothing for a nullptr fallback). Returns the length of the
// text in `out`; 0 means an empty result (a nullptr or "" fallback was used).
int ReadSettingText(const TextSetting& setting, char* out, size_t size, const char* path = nullptr);

// Reads `setting` from the settings file at `path` (gSettingsPath when nullptr) as an integer.
int ReadSettingInt(const IntSetting& setting, const char* path = nullptr);

// Reads EDITOR of [PAVLOK]; when there is no value, the system's notepad (DefaultEditorPath).
// Returns the length of the path in `out`.
int ReadEditorPath(char* out, size_t size);

// The system's notepad: the value of SystemRoot followed by "\notepad.exe"; "C:\Windows" stands
// for an unset or empty SystemRoot. Returns the length, or -1 (and "") when it does not fit.
int DefaultEditorPath(char* out, size_t size);
