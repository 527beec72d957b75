// The Windows program's entry: settings, help requests, one running instance, the main window
// and its message loop.
#include "config/settings.h"
#include "config/version.h"
#include "log/run_log.h"
#include "platform/platform.h"
#include "ui/common/front_end.h"
#include "ui/common/front_end_messages.h"
#include "ui/common/usage.h"

#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "platform/text_encoding.h"
#include "ui/win32/main_window.h"
#include "ui/win32/window_texts.h"

namespace {

// The arguments as CP932, as the runtime split the command line. Returns false after an error
// box when an argument holds a character that CP932 cannot hold: such a path or number would be
// read as some other one.
bool Cp932Arguments(std::vector<std::string>* arguments) {
  for (int i = 0; i < __argc; ++i) {
    std::string narrow;
    if (!platform::WideToCp932(__wargv[i], &narrow)) {
      char text[128];
      std::snprintf(text, sizeof text, kArgumentNotShiftJis, i);
      platform::ShowMessage(nullptr, text, version::kProductName, platform::BoxIcon::kError);
      return false;
    }
    arguments->push_back(std::move(narrow));
  }
  return true;
}

int RunMessageLoop() {
  MSG message;
  while (GetMessageW(&message, nullptr, 0, 0) > 0) {
    TranslateMessage(&message);
    DispatchMessageW(&message);
  }
  return static_cast<int>(message.wParam);
}

}  // namespace

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE previous, PWSTR commandLine, int showState) {
  (void)commandLine;
  StartUp();

  std::vector<std::string> arguments;
  if (!Cp932Arguments(&arguments)) return 1;
  std::vector<const char*> vector;
  for (const std::string& argument : arguments) vector.push_back(argument.c_str());
  vector.push_back(nullptr);
  int count = static_cast<int>(arguments.size());

  switch (DetectHelpRequest(count, vector.data())) {
    case kUsageRequest:
      ShowUsage(kUsageDescription, kUsageLine);
      return 0;
    case kHelpFileRequest:
      OpenHelpFile();
      return 0;
    case kNoHelpRequest:
      break;
  }

  // One instance: a second start raises the running window and hands its run (if any) to it.
  if (HWND running = FindWindowW(kMainClassName, nullptr)) return ui::HandOverToRunningWindow(running, count, vector.data());

  if (previous == nullptr && ui::RegisterMainClass(instance) == 0) return 0;
  if (ui::CreateMainWindow(instance, showState, count, vector.data()) == nullptr) return 0;
  return RunMessageLoop();
}
