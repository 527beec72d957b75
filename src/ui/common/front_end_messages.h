// Texts of the start-up, the command-line run, the batch run, the usage text and the start
// banner, kept together for review.
#pragma once

// --- Usage text and help file ----------------------------------------------------------------
inline constexpr char kUsageDescription[] = "ＮＣデータを加工時間か距離で分割する";
inline constexpr char kUsageLine[] = "QUENDRIX　ＮＣファイル 分割距離 分割時間 スタートX Y Z";
// The body of the usage text: description, prompt (home drive, home path, usage line), program
// name and version year, program name and version, build date, home page. The rights notice
// follows as the last line.
inline constexpr char kUsageFormat[] =
    "%s\n\n[ 使用方法 ]\n\n%s%s> %s\n\n%s %d\n\n%s　Version %d.%02d\n\nBuild date　%d/%02d/%02d\n\n%s\n\n";
inline constexpr char kHomePageAddress[] = "https://www.torvanek.example/";
inline constexpr char kBlogAddress[] = "https://blog.torvanek.example/";
inline constexpr char kHelpFileMissing[] = "ヘルプファイルが見つかりません";

// --- Command-line run ------------------------------------------------------------------------
inline constexpr char kEchoCount[] = "引数 = %d";
inline constexpr char kEchoArgument[] = "[%d] %s";
inline constexpr char kNoNcFileArgument[] = "エラー：分割するＮＣファイル名を指定して下さい。";
inline constexpr char kNcFileArgumentMissing[] = "エラー：分割するＮＣファイル %s がありません。";
inline constexpr char kNoDistanceArgument[] = "エラー：分割する切削距離を指定して下さい。";
inline constexpr char kNoTimeArgument[] = "エラー：分割する切削時間を指定して下さい。";
inline constexpr char kNoStartWarning[] = "警　告：スタート座標が指定されてません。";
inline constexpr char kStartFromProgram[] = "情　報：ＮＣデータから座標を取り出します。";
inline constexpr char kStartExtractFailed[] = "エラー：スタート座標の取り出しに失敗しました。";

// --- Numbers of a job, in every front end ------------------------------------------------------
// A text that is not a number: what it was meant to be, the text as typed.
inline constexpr char kNotANumber[] = "エラー：%s 「%s」 は数値ではありません。";
inline constexpr char kLabelDistance[] = "分割切削距離";
inline constexpr char kLabelTime[] = "分割切削時間";
inline constexpr char kLabelStartX[] = "スタートＸ座標";
inline constexpr char kLabelStartY[] = "スタートＹ座標";
inline constexpr char kLabelStartZ[] = "スタートＺ座標";

// --- Batch run -------------------------------------------------------------------------------
inline constexpr char kBatchRule[] = "**********************************";
inline constexpr char kBatchNotice[] = "★ バッチモードで動作します！";
inline constexpr char kBatchNoNcFile[] = "エラー：ＮＣファイル名を読み込めません。";
inline constexpr char kBatchNcFileMissing[] = "エラー：ＮＣファイル %s が存在しません。";
inline constexpr char kBatchNoTime[] = "エラー：分割加工時間を指定して下さい。";
inline constexpr char kBatchNoDistance[] = "エラー：分割切削距離を指定して下さい。";
// A value that does not fit its field: cutting it would silently name another file or read
// another number. Key name and the longest length allowed.
inline constexpr char kBatchValueTooLong[] = "エラー：パラメータ %s の値が長すぎます（%d 文字まで）。";

// --- The picture of a split (NAME_split.svg) --------------------------------------------------
// Written after a split (PREVIEW 1, --preview) or on request (the Windows menu): its path.
inline constexpr char kPictureWritten[] = "情　報：分割の図を %s に保存しました。";
inline constexpr char kPictureNotWritten[] = "エラー：分割の図 %s が書けません。";
// The picture's name would fall on the program or on a file of its split: the name.
inline constexpr char kPicturePathTakenText[] =
    "エラー：分割の図のファイル名 %s が元のＮＣファイルか分割で作るファイルと同じになります。";
// The picture's path would not fit 511 bytes: the program's path.
inline constexpr char kPicturePathTooLongText[] = "エラー：ＮＣファイル %s の分割の図のファイル名が長すぎます。";
inline constexpr char kNoSplitPicture[] = "エラー：分割の図がありません。先に分割を実行して下さい。";

// --- The split check on its own (the console's --check, the window's menu) --------------------
// The program and each piece checked, with the number the check's line gives it.
inline constexpr char kCheckCommandProgramLine[] = "元のＮＣファイル : %s";
inline constexpr char kCheckCommandPieceLine[] = "分割ＮＣファイル [ %02d ] : %s";
inline constexpr char kCheckCommandNcMissing[] = "エラー：元のＮＣファイル %s がありません。";
inline constexpr char kCheckCommandNoPieces[] = "エラー：検証する分割ＮＣファイルを指定して下さい。";
// APPROACH below 0, refused as a split refuses it: the key, its text.
inline constexpr char kCheckCommandHeightNegative[] =
    "エラー：設定 %s=%s は使えません。０以上の値を指定してください。";

// --- Start banner ----------------------------------------------------------------------------
inline constexpr char kBannerApplication[] = "ＮＣデータ編集アプリケーション";
inline constexpr char kBannerProduct[] = "　ＮＣデータ分割";
inline constexpr char kBannerLine1Format[] = "%-50s%s";
inline constexpr char kBannerLine2Format[] = "%-50sVersion %dR%d.%02d";
inline constexpr char kBannerNoticeFormat[] = "　　%s";
inline constexpr char kBannerRule[] = "---------------------------------------------------------------------";
inline constexpr char kBannerTimeFormat[] = "只今日時：%d年 %d月 %d日 %d時 %d分";
inline constexpr char kBannerHostFormat[] = "ホスト名：%s";
inline constexpr char kBannerAddressFormat[] = "アドレス：%s";
inline constexpr char kBannerUserFormat[] = "ユーザー：%s";
// Shown for a computer or user name the system cannot supply.
inline constexpr char kBannerUnknownName[] = "不明";
inline constexpr char kSocketsFailed[] = "SAStartup関数失敗";
inline constexpr char kSocketsFailedTitle[] = "Get IP Address";

// --- Header and footer files from the console -------------------------------------------------
inline constexpr char kHeaderFileLine[] = "　冒頭ファイル : %s";
inline constexpr char kFooterFileLine[] = "　末尾ファイル : %s";
inline constexpr char kHeaderFooterNcMissing[] = "エラー：ＮＣファイル %s がありません。";
inline constexpr char kHeaderFooterNcIsDirectory[] = "エラー：ＮＣファイル %s はフォルダです。";
inline constexpr char kHeaderFileNotMade[] = "エラー：ヘッダーファイルの作成失敗";
inline constexpr char kFooterFileNotMade[] = "エラー：フッダーファイルの作成失敗";
inline constexpr char kHeaderFooterPathTooLong[] = "エラー：ＮＣファイル名 %s が長すぎます。";
