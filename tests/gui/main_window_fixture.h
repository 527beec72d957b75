// The fixture of the window tests: a fresh program folder with the default settings file and the
// example program, the real main window opened with given start arguments, and readers of its
// fields, log pane and recorded message boxes.
#pragma once

#include <gtest/gtest.h>

#include <cstdio>
#include <string>
#include <vector>

#include "config/settings.h"
#include "log/run_log.h"
#include "platform/platform.h"
#include "support/fake_platform.h"
#include "support/temp_dir.h"
#include "ui/common/front_end.h"

#include <windows.h>
#undef FindText

#include "../res/resource.h"
#include "ui/win32/main_window.h"
#include "ui/win32/wide_text.h"

inline std::string SampleProgram() { return ReadFileBytes(std::string(QX_SOURCE_DIR) + "/examples/SAMPLE01.NC"); }

class MainWindowTest : public ::testing::Test {
 protected:
  void SetUp() override {
    static const bool registered = ui::RegisterMainClass(GetModuleHandleW(nullptr)) != 0;
    ASSERT_TRUE(registered);
    FakePlatform::Active().boxes.clear();
    FakePlatform::Active().started.clear();
    FakePlatform::Active().opened.clear();
    std::snprintf(gProgramDirectory, sizeof gProgramDirectory, "%s", dir_.path().c_str());
    std::snprintf(gSettingsPath, sizeof gSettingsPath, "%sQuendrix.ini", dir_.path().c_str());
    gCommandSettings = CommandSettings{0, 0, 1, 0, 1};
    // The split driver insists on a settings file: the default one, as a first start writes it.
    ASSERT_EQ(WriteDefaultSettings(), 0);
    dir_.Write("SAMPLE01.NC", SampleProgram());
    ncPath_ = dir_.Path("SAMPLE01.NC");
  }

  void TearDown() override {
    if (window_ != nullptr && IsWindow(window_)) SendMessageW(window_, WM_CLOSE, 0, 0);
    // The destroyed window posted the quit message; a later test's modal loop must not see it.
    MSG message;
    while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
    }
  }

  HWND Open(std::vector<std::string> arguments = {"quendrix.exe"}) {
    std::vector<const char*> vector;
    for (const std::string& argument : arguments) vector.push_back(argument.c_str());
    vector.push_back(nullptr);
    window_ = ui::CreateMainWindow(GetModuleHandleW(nullptr), SW_SHOWNORMAL, static_cast<int>(arguments.size()),
                                   vector.data());
    return window_;
  }

  void Pump() {
    MSG message;
    while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
      TranslateMessage(&message);
      DispatchMessageW(&message);
    }
  }

  std::vector<std::string> PaneLines() const {
    std::vector<std::string> lines;
    platform::LogPane& pane = platform::Log();
    char line[kLogLineSize];
    for (int i = 0; i < pane.Count(); ++i) {
      pane.LineText(i, line, sizeof line);
      lines.emplace_back(line);
    }
    return lines;
  }
  bool PaneHas(const std::string& text) const {
    for (const std::string& line : PaneLines())
      if (line.find(text) != std::string::npos) return true;
    return false;
  }

  std::string Field(int id) const {
    char text[600];
    ui::WindowTextCp932(GetDlgItem(window_, id), text, sizeof text);
    return text;
  }
  void SetField(int id, const std::string& text) { ui::SetWindowTextCp932(GetDlgItem(window_, id), text.c_str()); }
  void FillAll() {
    SetField(IDC_NC_FILE, ncPath_);
    SetField(IDC_SPLIT_TIME, "10");
    SetField(IDC_SPLIT_DISTANCE, "5");
    SetField(IDC_START_X, "0");
    SetField(IDC_START_Y, "0");
    SetField(IDC_START_Z, "100");
  }
  void Command(int id) { SendMessageW(window_, WM_COMMAND, MAKEWPARAM(id, 0), 0); }

  const std::vector<FakePlatform::Box>& Boxes() const { return FakePlatform::Active().boxes; }
  std::vector<std::string> ErrorTexts() const {
    std::vector<std::string> texts;
    for (const auto& box : Boxes())
      if (box.icon == platform::BoxIcon::kError) texts.push_back(box.text);
    return texts;
  }

  TempDir dir_;
  std::string ncPath_;
  HWND window_ = nullptr;
};
