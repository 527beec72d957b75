#include "config/file_naming.h"
#include "config/settings.h"
#include "config/settings_keys.h"
#include "config/version.h"
#include "header_footer/footer_cut.h"
#include "header_footer/header_cut.h"
#include "header_footer/start_point.h"
#include "log/run_log.h"
#include "nc/format.h"
#include "nc/number_text.h"
#include "platform/platform.h"
#include "split/program_totals.h"
#include "split/split_driver.h"
#include "text/text_cut.h"
#include "ui/common/check_command.h"
#include "ui/common/front_end.h"
#include "ui/common/front_end_messages.h"
#include "ui/common/job_input.h"
#include "ui/common/split_preview.h"
#include "ui/common/usage.h"

#include "ui/win32/window_commands.h"

#include <windows.h>
#include <shellapi.h>

#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "../res/resource.h"
#include "ui/win32/wide_text.h"
#include "ui/win32/window_texts.h"

namespace ui {
namespace {

constexpr int kFieldIds[6] = {IDC_NC_FILE, IDC_SPLIT_TIME, IDC_SPLIT_DISTANCE, IDC_START_X, IDC_START_Y, IDC_START_Z};

int ReadField(HWND window, int id, char* out, size_t size) {
  return WindowTextCp932(GetDlgItem(window, id), out, size);
}

// Composes an error and emits it at level -1; the caller returns its command's own result.
template <typename... Args>
void Fail(HWND window, const char* format, Args... args) {
  FormatLog(format, args...);
  EmitLogLine(window, kLogError);
}

void FailText(HWND window, const char* text) {
  FormatLog("%s", text);
  EmitLogLine(window, kLogError);
}

// Reads one number field as it was typed: -1 when it holds nothing but blanks.
int ReadNumberField(HWND window, int id, char (&text)[kFieldNumberSize]) {
  ReadField(window, id, text, sizeof text);
  return IsTextMissing(text) ? -1 : 0;
}

void FillIfEmpty(HWND window, int id, double value) {
  HWND field = GetDlgItem(window, id);
  if (GetWindowTextLengthW(field) > 0) return;
  char text[kCoordinateTextSize];
  FormatCoordinate(value, text);
  SetWindowTextCp932(field, text);
}

}  // namespace

void ClearFields(HWND window) {
  for (int id : kFieldIds) SetWindowTextW(GetDlgItem(window, id), L"");
  ClearSeamFields(window);
}

void FillSeamChoices(HWND window) {
  HWND choice = GetDlgItem(window, IDC_SEAM_POLICY);
  SendMessageW(choice, CB_RESETCONTENT, 0, 0);
  for (int index = 0; index < kSeamChoiceCount; ++index) {
    SendMessageW(choice, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(Wide(SeamChoiceLabel(index)).c_str()));
  }
}

void ClearSeamFields(HWND window) {
  const SeamFields fields = SettingsSeamFields();
  SendMessageW(GetDlgItem(window, IDC_SEAM_POLICY), CB_SETCURSEL, static_cast<WPARAM>(fields.choice), 0);
  SetWindowTextCp932(GetDlgItem(window, IDC_MAX_SIZE), fields.size);
}

SeamFields ShownSeamFields(HWND window) {
  SeamFields fields{};
  const LRESULT chosen = SendMessageW(GetDlgItem(window, IDC_SEAM_POLICY), CB_GETCURSEL, 0, 0);
  fields.choice = chosen >= 0 && chosen < kSeamChoiceCount ? static_cast<int>(chosen) : kNoSeamChoice;
  ReadField(window, IDC_MAX_SIZE, fields.size, sizeof fields.size);
  return fields;
}

void FileChosen(HWND window, const char* path) {
  if (!platform::FileExists(path)) {
    Fail(window, kChosenFileMissing, path);
    return;
  }
  SetWindowTextCp932(GetDlgItem(window, IDC_NC_FILE), path);
  StartAndTotals measured{};
  if (MeasureStartAndTotals(window, path, gCommandSettings.timeModel, &measured) < kStartPointDone) return;
  FillIfEmpty(window, IDC_SPLIT_TIME, measured.time[kCutting]);
  FillIfEmpty(window, IDC_SPLIT_DISTANCE, measured.distance[kCutting]);
  FillIfEmpty(window, IDC_START_X, measured.start[0]);
  FillIfEmpty(window, IDC_START_Y, measured.start[1]);
  FillIfEmpty(window, IDC_START_Z, measured.start[2]);
}

int Execute(HWND window) {
  char path[kFieldPathSize];
  char time[kFieldNumberSize];
  char distance[kFieldNumberSize];
  char start[3][kFieldNumberSize];
  if (ReadField(window, IDC_NC_FILE, path, sizeof path) == 0) {
    FailText(window, kExecuteNoNcFile);
    return kSplitFailed;
  }
  if (!platform::FileExists(path)) {
    Fail(window, kExecuteNcFileMissing, path);
    return kSplitFailed;
  }
  if (ReadNumberField(window, IDC_SPLIT_TIME, time) < 0) {
    FailText(window, kExecuteNoTime);
    return kSplitFailed;
  }
  if (ReadNumberField(window, IDC_SPLIT_DISTANCE, distance) < 0) {
    FailText(window, kExecuteNoDistance);
    return kSplitFailed;
  }
  // The policy and the size limit the window shows are the job's own; `seam` holds the size text
  // for the split.
  SplitJob job{path, 0.0, 0.0, {0.0, 0.0, 0.0}};
  job.settings = gCommandSettings;
  const SeamFields seam = ShownSeamFields(window);
  if (ReadSeamFields(window, seam, &job) != kSeamFieldsReady) return kSplitFailed;
  // An empty start field is taken from the program.
  const int startIds[3] = {IDC_START_X, IDC_START_Y, IDC_START_Z};
  for (int axis = 0; axis < 3; ++axis) ReadNumberField(window, startIds[axis], start[axis]);
  if (ReadJobNumbers(window, JobTexts{distance, time, {start[0], start[1], start[2]}}, &job) != kJobReady) {
    return kSplitFailed;
  }
  return SplitWithPicture(window, job);
}

void ChooserFilter(const char* extension, std::string* filter, std::string* title) {
  char text[128];
  filter->clear();
  if (extension != nullptr && extension[0] != '\0') {
    std::snprintf(text, sizeof text, kChooserFilterName, extension, extension);
    *filter += std::string(text) + '\0';
    std::snprintf(text, sizeof text, kChooserFilterPattern, extension);
    *filter += std::string(text) + '\0';
    std::snprintf(text, sizeof text, kChooserTitle, extension);
    *title = text;
  } else {
    *title = kChooserAllTitle;
  }
  *filter += std::string(kChooserAllName) + '\0';
  *filter += std::string(kChooserAllPattern) + '\0';
}

int ChooseFile(HWND owner, char* out, size_t size, const char* extension, const char* initialDirectory,
               const char* title) {
  if (size > 0) out[0] = '\0';
  std::string filter, ownTitle;
  ChooserFilter(extension, &filter, &ownTitle);
  const platform::FileDialog dialog{title != nullptr ? title : ownTitle.c_str(), filter.c_str(), initialDirectory,
                                    false};
  std::vector<char> chosen(platform::kChosenFilesSize);
  if (platform::Current().chooseFiles(owner, dialog, chosen.data(), chosen.size()) < 1) return 0;
  // A name CP932 cannot hold (its characters become "?"), or one cut to the field, would name
  // some other file: it is passed on as it is, so that the command says it does not exist.
  CopyText(chosen.data(), out, size);
  return 1;
}

int ChooseFiles(HWND owner, std::vector<std::string>* paths, const char* extension, const char* initialDirectory,
                const char* title) {
  paths->clear();
  std::string filter, ownTitle;
  ChooserFilter(extension, &filter, &ownTitle);
  const platform::FileDialog dialog{title != nullptr ? title : ownTitle.c_str(), filter.c_str(), initialDirectory,
                                    true};
  std::vector<char> chosen(platform::kChosenFilesSize);
  const int count = platform::Current().chooseFiles(owner, dialog, chosen.data(), chosen.size());
  if (count < 0) {
    FailText(owner, kTooManyFilesChosen);
    return kTooManyChosen;
  }
  for (const char* path = chosen.data(); *path != '\0'; path += std::strlen(path) + 1) paths->emplace_back(path);
  return static_cast<int>(paths->size());
}

void ChooseNcFile(HWND window) {
  char extension[kNcFileSetting.field];
  ReadSettingText(kNcFileSetting, extension, sizeof extension);
  char path[kChosenPathSize];
  if (ChooseFile(window, path, sizeof path, extension, nullptr) == 1) FileChosen(window, path);
}

int CheckPiecesCommand(HWND window) {
  char extension[kNcFileSetting.field];
  ReadSettingText(kNcFileSetting, extension, sizeof extension);
  char program[kChosenPathSize];
  if (ChooseFile(window, program, sizeof program, extension, nullptr, kCheckProgramTitle) != 1) {
    return kCheckChoiceCancelled;
  }
  if (!platform::FileExists(program)) {
    Fail(window, kChosenFileMissing, program);
    return kCheckCommandRefused;
  }

  // The pieces of a split lie next to the program and share its extension.
  PathParts parts{};
  SplitPathParts(program, &parts);
  const std::string folder = std::string(parts.drive) + std::string(parts.directory);
  const std::string pieceExtension(parts.extension.empty() ? parts.extension : parts.extension.substr(1));
  std::vector<std::string> pieces;
  const int chosen = ChooseFiles(window, &pieces, pieceExtension.c_str(), folder.empty() ? nullptr : folder.c_str(),
                                 kCheckPiecesTitle);
  if (chosen == kTooManyChosen) return kCheckCommandRefused;
  if (chosen == 0) return kCheckChoiceCancelled;
  SortPieceNames(&pieces);
  std::vector<const char*> paths;
  for (const std::string& piece : pieces) paths.push_back(piece.c_str());

  char start[3][kFieldNumberSize];
  const int startIds[3] = {IDC_START_X, IDC_START_Y, IDC_START_Z};
  for (int axis = 0; axis < 3; ++axis) ReadNumberField(window, startIds[axis], start[axis]);
  const CheckCommand command{program, static_cast<int>(paths.size()), paths.data(), {start[0], start[1], start[2]}};
  return RunCheckCommand(window, command);
}

void OpenAnyFile(HWND window) {
  char path[kChosenPathSize];
  if (ChooseFile(window, path, sizeof path, nullptr, nullptr) != 1) return;
  if (platform::Current().openAssociated(window, path) != 0) Fail(window, kFileNotAssociated, path);
}

int SaveLogCommand(HWND window) {
  char path[kLogPathSize];
  LogFilePath(path, sizeof path);
  int result = SaveLog(window, path);
  if (result != 0) return result;
  FormatLog(kLogSaved, path);
  EmitLogLine(window, kLogInformation);
  return 0;
}

int ShowHelp(HWND window, const char* title) {
  char path[kSystemPathField + kHelpFileField];
  if (HelpFilePath(path, sizeof path) != 0 || !platform::FileExists(path)) {
    platform::ShowMessage(window, kHelpFileNotFound, title, platform::BoxIcon::kError);
    return 0;
  }
  platform::Current().openAssociated(window, path);
  return 0;
}

int ShowVersion(HWND window, const char* description, const char* programName) {
  char text[512];
  std::snprintf(text, sizeof text, kVersionFormat, description, version::kMakerName, programName, version::kYear,
                version::kMajor, version::kMinor, version::kBuildYear, version::kBuildMonth, version::kBuildDay);
  HINSTANCE instance = reinterpret_cast<HINSTANCE>(GetWindowLongPtrW(window, GWLP_HINSTANCE));
  ShellAboutW(window, Wide(text).c_str(), nullptr, LoadIconW(instance, MAKEINTRESOURCEW(IDI_QUENDRIX)));
  return 0;
}

int HeaderFooterCommand(HWND window, int create) {
  char ncPath[kChosenPathSize];
  if (ReadField(window, IDC_NC_FILE, ncPath, sizeof ncPath) == 0) {
    FormatLog("%s", kHeaderFooterNoNcFile);
    return -1;
  }
  char editor[kEditorSetting.field];
  ReadEditorPath(editor, sizeof editor);

  // Header, then footer: each is cut (create 1) and, when it exists, opened in the editor.
  const TextSetting* suffixes[2] = {&kCommandHeaderSuffixSetting, &kCommandFooterSuffixSetting};
  for (int which = 0; which < 2; ++which) {
    char suffix[64];
    ReadSettingText(*suffixes[which], suffix, sizeof suffix);
    char path[kChosenPathSize];
    if (SuffixPath(ncPath, suffix, path, sizeof path) != kNamingOk) {
      FormatLog(kHeaderFooterPathTooLong, ncPath);
      return -1;
    }
    if (create == 1) {
      char reason[kLogLineSize];
      const int cut = which == 0 ? CutHeader(ncPath, path) : CutProgramFooter(ncPath, path, reason);
      if (cut == kFooterProgramRefused) {
        FormatLog("%s", reason);
        return -1;
      }
      if (cut < 0) {
        FormatLog("%s", which == 0 ? kHeaderFileNotMade : kFooterFileNotMade);
        return -1;
      }
    }
    if (platform::FileExists(path)) platform::Current().startProgram(nullptr, editor, path);
  }
  return 0;
}

}  // namespace ui
