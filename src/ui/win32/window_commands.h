// The actions behind the main window's buttons, menu items and file drops. Each runs on the
// window's thread, reads its fields through the child ids of res/resource.h and reports through
// the run log (an error line at level -1 also shows an error box owned by the window).
#pragma once

#include <cstddef>
#include <string>
#include <vector>

#include <windows.h>

#include "ui/common/seam_fields.h"

namespace ui {

// Longest texts taken from the fields: the NC path and each number.
inline constexpr size_t kFieldPathSize = 512;
inline constexpr size_t kFieldNumberSize = 16;
// The file chooser's result field.
inline constexpr size_t kChosenPathSize = 520;

// Empties the six edit fields (NC file, split time, split distance, start X, Y, Z) and shows the
// settings' seam policy and size limit again (ClearSeamFields).
void ClearFields(HWND window);

// Lists the seam policies in the choice IDC_SEAM_POLICY, in the order of SeamChoiceLabel.
void FillSeamChoices(HWND window);

// Shows SEAM and SIZE of [COMMAND] (SettingsSeamFields) in the choice and the size field
// IDC_MAX_SIZE; a SEAM the split refuses leaves nothing chosen.
void ClearSeamFields(HWND window);

// What the choice and the size field show (the size cut to its field's whole characters).
SeamFields ShownSeamFields(HWND window);

// Shows `path` in the NC-file field and fills each of the five number fields that is empty
// (holds no character at all) from the program: total cutting time, total cutting distance in
// metres, start X, Y, Z, each as FormatCoordinate text. Nothing at `path`: an error line, fields
// untouched. A failed measurement leaves the path shown and the other fields as they were.
void FileChosen(HWND window, const char* path);

// Validates the fields in order (path given, path exists, time given, distance given, the size
// limit), each failure its own error line at level -1 and a result of -1 with the fields
// untouched; takes the seam policy and the size limit as the job's own (ReadSeamFields); reads the
// numbers as ReadJobNumbers does (a text that is no number is refused, an empty start field is
// taken from the program); then runs the split driver (through SplitWithPicture, which keeps the
// split's picture for the picture window). Returns the driver's result (0: pieces written).
int Execute(HWND window);

// The open-file dialog's filter and title (CP932): with an extension, "ext Files(*.ext)" then
// "All Files(*.*)", titled "ext ファイルを開く"; without one (nullptr or ""), only "All Files(*.*)"
// titled "全てのファイルを開く". `filter` holds each name and pattern ended by its NUL, so that
// its c_str() is the list platform::FileDialog takes.
void ChooserFilter(const char* extension, std::string* filter, std::string* title);

// The open-file dialog owned by `owner` (platform::Current().chooseFiles), with the filter of
// ChooserFilter and its title unless `title` is given. Writes the chosen path (CP932, cut to
// whole characters within size - 1 bytes) and returns 1, or returns 0 with "" when nothing was
// chosen. `initialDirectory` may be nullptr.
int ChooseFile(HWND owner, char* out, size_t size, const char* extension, const char* initialDirectory,
               const char* title = nullptr);

// The same dialog for several files at once. Fills `paths` (CP932) in the order the dialog gives
// them and returns how many; 0 when nothing was chosen; kTooManyChosen after an error line at
// level -1 when more were chosen than the dialog can hand over.
inline constexpr int kTooManyChosen = -1;
int ChooseFiles(HWND owner, std::vector<std::string>* paths, const char* extension, const char* initialDirectory,
                const char* title);

// Command 1010: the chooser with the NCFILE extension of [FILES] ("ppp" when unset); a chosen
// file goes to FileChosen.
void ChooseNcFile(HWND window);

// Result of CheckPiecesCommand when a chooser was closed without a choice (nothing is logged).
inline constexpr int kCheckChoiceCancelled = 2;

// Command 40014: the split check of pieces that exist already (check_command.h). The program
// comes from the chooser of ChooseNcFile (a name that is not there: an error line); the pieces
// from a chooser of several files that opens in the program's folder and offers its extension,
// checked in the order of their names (SortPieceNames); the start point from the start fields,
// an empty one taken from the program as Execute takes it. Returns RunCheckCommand's result, or
// kCheckChoiceCancelled.
int CheckPiecesCommand(HWND window);

// Command 40001: any file, opened with its associated program. No association: an error line.
void OpenAnyFile(HWND window);

// Command 40002: saves the run log with SaveLog to LogFilePath's path (the program directory's
// "Quendrix.<LOGFILE>"); on success, an information line (and box) naming the file. SaveLog
// reports its own failures. Returns SaveLog's result.
int SaveLogCommand(HWND window);

// Command 40005: opens the help file of the program directory with its associated program, or
// shows the error box "ヘルプファイルが見つかりません..." owned by `window` when it is missing.
// Returns 0.
int ShowHelp(HWND window, const char* title);

// Command 40006: the system's about box with the description, the maker and the version line.
// Returns 0.
int ShowVersion(HWND window, const char* description, const char* programName);

// Commands 40010 (create = 1) and 40011 (create = 0): the header and footer files of the program
// in the NC-file field. With create 1 both are cut first (header, then footer). Each existing
// file is opened in the EDITOR of [PAVLOK] (default: the system's notepad). Returns 0, or -1
// with the error text in the log line buffer, for the caller to emit: empty field, a derived
// path too long, a failing header cut (the footer is not tried) or a failing footer cut (the
// header stays and has been opened).
int HeaderFooterCommand(HWND window, int create);

}  // namespace ui
