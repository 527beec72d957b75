// Texts of the main window, its commands and the program-information dialog, kept together for
// review. CP932 in the binary; every one goes through Cp932ToWide before it reaches a W API.
#pragma once

// --- Main window ---------------------------------------------------------------------------
inline constexpr wchar_t kMainClassName[] = L"Quendrix";
inline constexpr char kInitialTitle[] = "ＮＣデータ加工条件分割";
// Product family, program name, version year, major and minor; the maker's name follows.
inline constexpr char kTitleFormat[] = "%s %s %dR%d.%02d　ＮＣデータ加工条件分割 / %s";
inline constexpr char kWindowCreationFailed[] = "ウインドウ作成失敗";
inline constexpr char kLogPaneFontFace[] = "ＭＳ ゴシック";

inline constexpr char kNcFileCaption[] = "分割ＮＣファイル";
inline constexpr char kSplitTimeCaption[] = "　分割　切削時間";
inline constexpr char kSplitDistanceCaption[] = "　分割　切削距離";
// Beside the limits: where a seam may fall, and the largest piece file in KB.
inline constexpr char kSeamPolicyCaption[] = "　分割　位置";
inline constexpr char kSizeLimitCaption[] = "　分割　容量（KB）";
inline constexpr char kStartXCaption[] = "スタートＸ座標";
inline constexpr char kStartYCaption[] = "スタートＹ座標";
inline constexpr char kStartZCaption[] = "スタートＺ座標";
inline constexpr char kExecuteCaption[] = "実　行";
inline constexpr char kClearCaption[] = "クリア";
inline constexpr char kExitCaption[] = "終　了";

// Status-bar clock: year in five columns, month and day in two, weekday, hour, minute, second.
inline constexpr char kClockFormat[] = "%5d年%2d月%2d日 (%s) %d時%02d分%02d秒";
inline constexpr const char* kWeekdays[7] = {"日", "月", "火", "水", "木", "金", "土"};
// The status bar's third part: the time the split weighs its split time against (TIMEMODEL).
inline constexpr char kTimeModelProgrammedStatus[] = "時間：指令時間";
inline constexpr char kTimeModelMachineStatus[] = "時間：機械時間の見積";

// A start with arguments while this window is open hands its run over to this window.
inline constexpr char kHandedRunNotice[] = "情　報：新しい起動で指定された分割をこのウインドウで実行します。";
inline constexpr char kRunnerBusy[] =
    "エラー：起動中の Quendrix が処理中のため、この起動で指定された分割は実行できません。\n"
    "処理が終わってから、もう一度起動して下さい。";
inline constexpr char kArgumentNotShiftJis[] = "エラー：引数 %d にシフトJISで表せない文字があります。";

// --- Commands ------------------------------------------------------------------------------
inline constexpr char kExecuteNoNcFile[] = "エラー：編集ＮＣファイル名を入力して下さい";
inline constexpr char kExecuteNcFileMissing[] = "エラー：編集ＮＣファイル %s が見つかりません";
inline constexpr char kExecuteNoTime[] = "エラー：分割時間を入力して下さい";
inline constexpr char kExecuteNoDistance[] = "エラー：分割距離を入力して下さい";
inline constexpr char kChosenFileMissing[] = "エラー：ＮＣファイル %s が存在しません。";
inline constexpr char kFileNotAssociated[] = "エラー：ファイル %s は関連付けされてません";
inline constexpr char kHelpFileNotFound[] = "ヘルプファイルが見つかりません\n\n正規なソフトウェアですか？";
// After a successful save: where the log went.
inline constexpr char kLogSaved[] = "情　報：ログを %s に保存しました。";

inline constexpr char kChooserFilterName[] = "%s Files(*.%s)";
inline constexpr char kChooserFilterPattern[] = "*.%s";
inline constexpr char kChooserAllName[] = "All Files(*.*)";
inline constexpr char kChooserAllPattern[] = "*.*";
inline constexpr char kChooserTitle[] = "%s ファイルを開く";
inline constexpr char kChooserAllTitle[] = "全てのファイルを開く";
// More files chosen at once than the dialog can hand over.
inline constexpr char kTooManyFilesChosen[] = "エラー：一度に選んだファイルが多すぎます。";

// The check of existing pieces (menu 補助): the titles of its two choosers.
inline constexpr char kCheckProgramTitle[] = "検証する元のＮＣファイルを開く";
inline constexpr char kCheckPiecesTitle[] = "検証する分割ＮＣファイルを開く（複数選択できます）";

inline constexpr char kVersionDescription[] = "ＮＣデータを加工条件で分割する";
// Description, full-width slash and maker; after "#" the first line of the about box.
inline constexpr char kVersionFormat[] = "%s／%s#%s Version %dR%d.%02d [Build Date %d/%d/%d]";

inline constexpr char kHeaderFooterNoNcFile[] = "エラー：ＮＣファイル名を入力して下さい";

// --- Picture window (the picture of the last split) ---------------------------------------------
// The program's file name and the number of pieces.
inline constexpr char kPictureTitleFormat[] = "分割の図 － %s（%d 個）";
// Cutting time (minutes) and distance (mm) of the whole split.
inline constexpr char kPictureTotalsFormat[] = "切削時間 %s 分　切削距離 %s mm";
inline constexpr char kPictureTopCaption[] = "上から見た図（Ｘ右・Ｙ上）";
inline constexpr char kPictureSideCaption[] = "横から見た図（Ｘ右・Ｚ上）";
// The side view stretched in Z (by the factor), cut off at the stock's heights.
inline constexpr char kPictureStretchedFormat[] = "　Ｚ方向 %s 倍";
inline constexpr char kPictureClipped[] = "　切削範囲の高さのみ";
inline constexpr char kPictureStart[] = "スタート";
inline constexpr char kPictureLegendNumber[] = "番号";
inline constexpr char kPictureLegendTime[] = "切削時間";
inline constexpr char kPictureLegendDistance[] = "切削距離";
inline constexpr char kPictureMinutesFormat[] = "%s 分";
inline constexpr char kPictureMillimetresFormat[] = "%s mm";
// Pieces whose rows do not fit the window, or that the picture does not hold.
inline constexpr char kPictureMoreFormat[] = "他 %d 個";
inline constexpr char kPictureKeyCut[] = "切削（分割ファイルの色）";
inline constexpr char kPictureKeyRapid[] = "早送り";
inline constexpr char kPictureKeySeamMove[] = "分割で足した移動";
inline constexpr char kPictureKeyStock[] = "切削範囲";
// The seam numbered K: piece K stops there, piece K + 1 resumes.
inline constexpr char kPictureKeySeam[] = "継ぎ目 K（K 番→K+1 番）";

// --- Program-information dialog --------------------------------------------------------------
inline constexpr char kInfoFormat[] =
    "%12s : %s\n%12s : %s\n%12s : %dR%d.%02d.%d\n%12s : %s\n%12s : %s\n%12s : %s\n";
inline constexpr char kInfoMakerLabel[] = "開　発　元";
inline constexpr char kInfoProgramLabel[] = "プログラム";
inline constexpr char kInfoVersionLabel[] = "バージョン";
inline constexpr char kInfoBuildLabel[] = "Build Date";
inline constexpr char kInfoNoticeLabel[] = "著　作　権";
inline constexpr char kInfoBlogLabel[] = "公開ブログ";
inline constexpr char kExecutableTimeFormat[] = "%d/%02d/%02d %02d:%02d:%02d";
inline constexpr char kBuildDateFallbackFormat[] = "%d/%02d/%02d 00:00:00";
