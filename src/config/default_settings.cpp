// The text written as Quendrix.ini when the program starts without one.
#include <cstdio>

#include "config/settings.h"
#include "config/settings_keys.h"
#include "platform/platform.h"
#include "text/crlf_text.h"

namespace {

// The default text, one entry per line; every line, the last empty one included, is written
// with "\r\n". The nullptr entry is the EDITOR line, which names the system's own notepad.
constexpr const char* kDefaultSettingsLines[] = {
    "[FILES]",
    "NCFILE=ppp",
    "LOGFILE=log",
    "TXTFILE=txt",
    "OUTPUTFILE=_spl",
    "",
    "[DIALOG]",
    "CURRENTPATH=",
    "FILE1=",
    "FILE2=",
    "FILE3=",
    "",
    "[FORMAT]",
    "DECIMAL=-1",
    "COMMENT=1",
    "NCHEADER=ncheader.txt",
    "NCFOOTER=ncfooter.txt",
    "",
    "[COMMAND]",
    "DEBUG=0",
    "MODE=0",
    "DELETE=1",
    "PRINT=0",
    "OVERWRITE=1",
    "VERIFY=1",
    "PREVIEW=0",
    "TIMEMODEL=0",
    "SEAM=cut",
    "SIZE=0",
    "WINDOWLOG=0",
    "HISTORY=1",
    "",
    "[COLOR]",
    "WINDOW=0,30,60",
    "TEXT=255,255,0",
    "",
    "[PAVLOK]",
    "NCVIEWER=",
    nullptr,  // EDITOR=<system root>\notepad.exe, written by WriteDefaultSettings
    "NCHEADER=_header",
    "NCFOOTER=_footer",
    "ASCIIFILE=_ascii.txt",
    "",
    "[MACHINE]",
    "RAPIDX=36000",
    "RAPIDY=36000",
    "RAPIDZ=30000",
    "FEEDX=10000",
    "FEEDY=10000",
    "FEEDZ=10000",
    "ACCELX=3000",
    "ACCELY=3000",
    "ACCELZ=2500",
    "CORNER=0.01",
    "TOOLCHANGE=6",
    "BLOCKTIME=2",
    "OVERRIDE=100",
    "",
    "[NCTIME]",
    "G00=5000.0",
    "G01=1.0",
    "",
    "[Quendrix]",
    "HELPFILE=Quendrix_readme.txt",
    "",
    "[MESSAGE]",
    "TIME000=夜食の時間です。",
    "TIME010=深夜業務、お疲れ様です。",
    "TIME020=深夜業務、怪我に注意！",
    "TIME030=コヒーブレイク♪",
    "TIME040=深夜業務、ミスに注意！",
    "TIME050=コヒーブレイク♪",
    "TIME060=おはようございます",
    "TIME070=朝食です",
    "TIME080=朝礼の時間です",
    "TIME083=仕事開始、今日も一日頑張ろう！",
    "TIME100=コヒーブレイク♪",
    "TIME113=もうすぐお昼です。",
    "TIME120=ランチタイム♪",
    "TIME130=気を引き締めて午後の仕事開始！",
    "TIME140=睡魔に襲われる時間です。",
    "TIME150=コヒーブレイク♪",
    "TIME160=定時まであと少しガンバレ！",
    "TIME170=終業時間です",
    "TIME173=残業時間、怪我のないように気を付けよう！",
    "TIME190=ディナータイム♪",
    "TIME200=お腹空いてませんか？",
    "TIME210=一日お疲れ様でした",
    "TIME220=コヒーブレイク♪",
    "TIME230=明日に備えて寝よう！",
    "",
};

bool WriteDefaultText(FILE* file) {
  for (const char* line : kDefaultSettingsLines) {
    if (line == nullptr) {
      char editor[kSystemPathField + 16];
      char editorLine[sizeof editor + 8];
      if (DefaultEditorPath(editor, sizeof editor) < 0) return false;
      std::snprintf(editorLine, sizeof editorLine, "EDITOR=%s", editor);
      if (WriteCrlfLine(file, editorLine) != 0) return false;
    } else if (WriteCrlfLine(file, line) != 0) {
      return false;
    }
  }
  return true;
}

}  // namespace

int WriteDefaultSettings() {
  // An existing file is never touched, whatever it holds: the user's settings win.
  if (platform::FileExists(gSettingsPath)) return 0;
  platform::FileHandle file(gSettingsPath, "wb");
  bool opened = static_cast<bool>(file);
  bool written = opened && WriteDefaultText(file.get());
  bool closed = file.Close();
  if (written && closed) return 0;
  // A half-written file would count as existing at the next start and never be completed.
  if (opened) platform::RemoveFile(gSettingsPath);
  return -1;
}
