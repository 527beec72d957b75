#include "ui/console/console_front_end.h"

#include <cstdio>
#include <filesystem>
#include <string>
#include <system_error>
#include <vector>

#include "config/settings.h"
#include "config/version.h"
#include "log/run_log.h"
#include "nc/number_text.h"
#include "platform/platform.h"
#include "platform/text_encoding.h"
#include "ui/common/check_command.h"
#include "ui/common/front_end.h"
#include "ui/common/front_end_messages.h"
#include "ui/common/header_footer_files.h"
#include "ui/common/start_banner.h"
#include "ui/common/usage.h"
#include "ui/console/console_log_pane.h"
#include "ui/console/console_messages.h"
#include "text/text_cut.h"
#include "ui/console/console_options.h"

namespace {

// Converts the arguments to code page 932. Argument 0 (the program's own path) is kept as it is
// when it does not convert: it is only ever echoed. Returns 0, or the position of the first
// argument that cannot be converted.
int ConvertArguments(int argc, char** argv, std::vector<std::string>* out) {
  out->clear();
  for (int i = 0; i < argc; ++i) {
    std::string converted;
    if (!platform::Utf8ToCp932(argv[i], &converted)) {
      if (i > 0) return i;
      converted = argv[i];
    }
    out->push_back(std::move(converted));
  }
  return 0;
}

// Prints code page 932 text on `out` as UTF-8, with "\r\n" line ends turned into "\n".
void PrintText(FILE* out, const std::string& text) {
  std::string utf8;
  platform::Cp932ToUtf8(text, &utf8);
  std::string lines;
  lines.reserve(utf8.size());
  for (size_t i = 0; i < utf8.size(); ++i) {
    if (utf8[i] == '\r' && i + 1 < utf8.size() && utf8[i + 1] == '\n') continue;
    lines.push_back(utf8[i]);
  }
  std::fwrite(lines.data(), 1, lines.size(), out);
  std::fflush(out);
}

void PrintUsage() {
  char prompt[kSystemPathField];
  HomePrompt(prompt, sizeof prompt);
  std::string usageLines = std::string(kConsoleUsageLine) + "\n" + prompt + "> " + kConsoleBatchUsageLine + "\n" +
                           prompt + "> " + kConsoleHeaderFooterUsageLine + "\n" + prompt + "> " +
                           kConsoleOptionsUsageLine + "\n" + prompt + "> " + kConsolePreviewUsageLine + "\n" +
                           prompt + "> " + kConsoleSeamUsageLine + "\n" + prompt + "> " + kConsoleSizeUsageLine + "\n" + prompt +
                           "> " + kConsolePiecesUsageLine + "\n" + prompt + "> " + kConsoleCheckUsageLine;
  char text[kLogLineSize * 2];
  BuildUsageText(kUsageDescription, usageLines.c_str(), text, sizeof text);
  PrintText(stdout, std::string(text) + "\n");
}

// The version, the build date and the rights notice on standard output. Runs before the settings
// start-up, so the notice is formatted here rather than taken from gNoticeLine.
void PrintVersion() {
  char name[32];
  FormatVersionName(name, sizeof name);
  char notice[kNoticeSize];
  std::snprintf(notice, sizeof notice, version::kNoticeFormat, version::kYear, version::kMakerName);
  char text[kLogLineSize];
  std::snprintf(text, sizeof text, kConsoleVersionFormat, version::kProductName, name, version::kBuildYear,
                version::kBuildMonth, version::kBuildDay, notice);
  PrintText(stdout, text);
}

// The help file on standard output; its missing-file message (on standard error) when there is
// none or it cannot be read.
int PrintHelpFile() {
  char path[kSystemPathField + kHelpFileField];
  if (HelpFilePath(path, sizeof path) == 0 && !platform::IsDirectory(path)) {
    platform::FileHandle file(path, "rb");
    if (file) {
      std::string text;
      char buffer[4096];
      size_t n;
      while ((n = std::fread(buffer, 1, sizeof buffer, file.get())) > 0) text.append(buffer, n);
      PrintText(stdout, text);
      return kExitSuccess;
    }
  }
  platform::ShowMessage(nullptr, kHelpFileMissing, version::kProductName, platform::BoxIcon::kError);
  return kExitFailure;
}

int HeaderFooterRun(int count, const char* const* arguments) {
  if (count < 3) {
    FormatLog("%s", kHeaderFooterNoNcFile);
    EmitLogLine(nullptr, kLogError);
    return kExitFailure;
  }
  return HeaderFooterFiles(nullptr, arguments[2]) == 0 ? kExitSuccess : kExitFailure;
}

// "--check PROGRAM PIECE... [X Y Z]": the program, then the pieces in the order they run, then
// optionally the start point. An argument that reads as a number is never a piece (such a file is
// given as "./NAME"), so any number among them means the start point, which must then be exactly
// the last three arguments.
int CheckRun(int count, const char* const* arguments) {
  constexpr int kProgram = 2;
  const auto usageError = [](const char* message) {
    FormatLog("%s", message);
    EmitLogLine(nullptr, kLogError);
    return kExitUsage;
  };
  if (count < kProgram + 2) return usageError(kConsoleCheckTooFewArguments);
  int numbers = 0;
  for (int i = kProgram + 1; i < count; ++i) {
    double value = 0;
    if (ParseWholeNumber(arguments[i], &value)) ++numbers;
  }
  CheckCommand command{arguments[kProgram], count - kProgram - 1, arguments + kProgram + 1,
                       {nullptr, nullptr, nullptr}};
  if (numbers > 0) {
    const int first = count - 3;
    double value = 0;
    for (int axis = 0; axis < 3; ++axis) {
      if (numbers != 3 || first <= kProgram + 1 || !ParseWholeNumber(arguments[first + axis], &value)) {
        return usageError(kConsoleCheckStartArguments);
      }
      command.start[axis] = arguments[first + axis];
    }
    command.pieceCount -= 3;
  }
  return RunCheckCommand(nullptr, command) == kCheckCommandPassed ? kExitSuccess : kExitFailure;
}

// The folder the pieces of `ncFile` went to: they lie next to it. Absolute (the working directory
// before a relative path) and without "." parts or a trailing separator; relative when the
// working directory cannot be had or cannot be written in code page 932. Only "/" separates: on
// Linux "\\" is part of a file name, for the driver's files as for the system.
std::string PiecesFolder(const char* ncFile) {
  namespace fs = std::filesystem;
  fs::path folder = fs::path(ncFile).parent_path();
  if (folder.is_relative()) {
    std::error_code error;
    fs::path here = fs::current_path(error);
    std::string hereCp932;
    if (!error && platform::Utf8ToCp932(here.string(), &hereCp932)) folder = fs::path(hereCp932) / folder;
  }
  std::string text = folder.lexically_normal().string();
  if (text.size() > 1 && text.back() == '/') text.pop_back();
  return text.empty() ? std::string(".") : text;
}

// The last line of a split's run log on the console: where the pieces are.
void ReportPiecesFolder(const SplitTarget& target) {
  FormatLog(kPiecesFolderLine, PiecesFolder(target.ncFile).c_str());
  EmitLogLine(nullptr, kLogPlain);
}

}  // namespace

int RunConsole(int argc, char** argv) {
  static ConsoleLogPane pane(stdout);
  platform::Current().logPane = &pane;

  // Arguments that cannot be read stop the program before anything is written, the settings
  // file included.
  std::vector<std::string> converted;
  int bad = ConvertArguments(argc, argv, &converted);
  if (bad != 0) {
    FormatLog(kBadArgument, bad);
    EmitLogLine(nullptr, kLogError);
    return kExitUsage;
  }
  std::vector<const char*> arguments;
  for (const std::string& argument : converted) arguments.push_back(argument.c_str());
  arguments.push_back(nullptr);
  int count = static_cast<int>(converted.size());
  bool preview = false;
  count = TakePreviewOption(count, arguments.data(), &preview);
  const char* seam = nullptr;
  count = TakeValueOption(count, arguments.data(), "--seam", &seam);
  const char* maxSize = nullptr;
  count = TakeValueOption(count, arguments.data(), "--max-size", &maxSize);
  const char* pieces = nullptr;
  count = TakeValueOption(count, arguments.data(), "--pieces", &pieces);

  // The Unix options. An unknown one, a misplaced --check and the version stop before anything is
  // written; the usage comes after the settings start-up, as "/?" does.
  OptionScan option = ScanConsoleOptions(count, arguments.data());
  if (option.option == kUnknownOption) {
    FormatLog(kUnknownOptionError, arguments[option.position]);
    EmitLogLine(nullptr, kLogError);
    return kExitUsage;
  }
  if (option.option == kMisplacedOption) {
    FormatLog("%s", kConsoleCheckMisplaced);
    EmitLogLine(nullptr, kLogError);
    return kExitUsage;
  }
  if (option.option == kVersionOption) {
    PrintVersion();
    return kExitSuccess;
  }

  StartUp();
  if (preview) gCommandSettings.preview = 1;
  if (seam != nullptr) {
    // As SEAM of [COMMAND]: a policy the split cannot use is refused by it, named as given.
    CopyText(seam, gCommandSettings.seamText, sizeof gCommandSettings.seamText);
    gCommandSettings.seam = ParseSeamPolicy(seam);
  }
  // As SIZE of [COMMAND]; a value that is not a whole number of KB is refused by the split.
  if (pieces != nullptr) {
    // "" (the option last, without its number) is refused by the split as any other bad count.
    CopyText(pieces[0] != '\0' ? pieces : "?", gCommandSettings.piecesText, sizeof gCommandSettings.piecesText);
  }
  if (maxSize != nullptr) {
    gCommandSettings.sizeKb = ParseSizeKb(maxSize);
    CopyText(maxSize, gCommandSettings.sizeText, sizeof gCommandSettings.sizeText);
  }

  if (option.option == kHelpOption) {
    PrintUsage();
    return kExitSuccess;
  }
  switch (DetectHelpRequest(count, arguments.data())) {
    case kUsageRequest:
      PrintUsage();
      return kExitSuccess;
    case kHelpFileRequest:
      return PrintHelpFile();
    case kNoHelpRequest:
      break;
  }
  if (count <= 1) {
    PrintUsage();
    return kExitUsage;
  }
  if (IsHeaderFooterSwitch(arguments[1])) return HeaderFooterRun(count, arguments.data());
  if (IsCheckSwitch(arguments[1])) return CheckRun(count, arguments.data());

  WriteStartBanner(nullptr);
  SplitTarget target;
  if (DispatchFrontEnd(nullptr, count, arguments.data(), &target) != kRunSplitDone) return kExitFailure;
  ReportPiecesFolder(target);
  return kExitSuccess;
}
