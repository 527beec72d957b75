// Texts of the split driver's run log and of the viewer launch, kept together for review.
// Lines without "%" are emitted through FormatLog("%s", ...).
#pragma once

#include <cstddef>

// --- The job -----------------------------------------------------------------------------------
inline constexpr char kNcFileMissing[] = "エラー：分割するＮＣファイル %s がありません。";
inline constexpr char kJobFile[] = "分割ファイル名 : %s";
inline constexpr char kJobDistance[] = "　分割切削距離 : %s";
inline constexpr char kJobTime[] = "　分割切削時間 : %s";
inline constexpr char kJobStartX[] = "スタートＸ座標 : %s";
inline constexpr char kJobStartY[] = "スタートＹ座標 : %s";
inline constexpr char kJobStartZ[] = "スタートＺ座標 : %s";
inline constexpr char kSeamApproach[] = "　　　接近距離 : %s";
inline constexpr char kSeamLift[] = "　　　離脱距離 : %s";
inline constexpr char kHeaderFileLine[] = "　冒頭ファイル : %s";
inline constexpr char kFooterFileLine[] = "　末尾ファイル : %s";

// Refusals of the job itself, before anything is measured or written.
inline constexpr char kDistanceLimitInvalid[] =
    "エラー：分割切削距離 %s は使えません。０より大きい値を指定してください。";
inline constexpr char kTimeLimitInvalid[] =
    "エラー：分割切削時間 %s は使えません。０より大きい値を指定してください。";
inline constexpr char kNcPathTooLong[] = "エラー：ＮＣファイル名が長すぎます（511バイトまで）。 %s";
inline constexpr char kDerivedPathTooLong[] =
    "エラー：ＮＣファイル %s から作るファイル名が長すぎます（511バイトまで）。";
inline constexpr char kDerivedIsSource[] =
    "エラー：作成するファイル %s が分割するＮＣファイルと同じです。設定を見直してください。";
inline constexpr char kDerivedCollision[] =
    "エラー：作成するファイル %s が他の作成ファイルと同じ名前です。設定を見直してください。";

// The time model (TIMEMODEL=1 only): named with the job; its settings refused.
inline constexpr char kTimeModelMachine[] = "　　時間モデル : 機械時間の見積 (TIMEMODEL=1)";
inline constexpr char kTimeModelInvalid[] =
    "エラー：設定 TIMEMODEL=%d は使えません。0（指令時間）か 1（機械時間の見積）を指定してください。";
// A [MACHINE] key and its text.
inline constexpr char kMachineSettingNotPositive[] =
    "エラー：設定 [MACHINE] %s=%s は使えません。０より大きい値を指定してください。";
inline constexpr char kMachineSettingNegative[] =
    "エラー：設定 [MACHINE] %s=%s は使えません。０以上の値を指定してください。";

// --- Measurement (the pass composes its own failure and warning lines) -------------------------
inline constexpr char kTotalDistance[] = "　合計切削距離 : %s";
inline constexpr char kTotalTime[] = "　合計加工時間 : %s";
inline constexpr char kTotalMachineTime[] = "　合計機械時間 : %s";
inline constexpr char kNoSplitNeeded[] = "このＮＣファイルは分割の必要はありません。";
// The start point against the program: its Z and the highest cutting Z (both on the grid of the
// program's numbers; at the highest cut is no fault).
inline constexpr char kStartBelowCut[] =
    "エラー：スタートＺ座標 %s が切削移動の最高点 Z%s より低くなっています。"
    "分割ＮＣファイルの戻り移動が材料の中を通ります。切削移動の最高点以上のスタートＺ座標を指定してください。";
// The start point against the program's G92: the axis, the start value, the G92 line and value.
inline constexpr char kStartAgainstSetPosition[] =
    "エラー：スタート%s座標 %s が %d 行目の G92 の %s と違います。"
    "G92 のあるＮＣファイルでは G92 の座標がスタート座標です（空欄にすればＮＣデータから取り出します）。";
inline constexpr char kAxisNames[3][4] = {"Ｘ", "Ｙ", "Ｚ"};
// Seam settings that would move the tool wrongly: the key, its text.
inline constexpr char kSeamHeightNegative[] =
    "エラー：設定 %s=%s は使えません。０以上の値を指定してください。";
inline constexpr char kSeamFeedNotPositive[] =
    "エラー：設定 %s=%s は使えません。０より大きい値を指定してください。";

// --- Preparation -------------------------------------------------------------------------------
inline constexpr char kSplitStart[] = "==============< ＮＣデータ分割スタート >==============";
inline constexpr char kExtentLineX[] = "最大Ｘ座標 = %-12s　　　最小Ｘ座標 = %s";
inline constexpr char kExtentLineY[] = "最大Ｙ座標 = %-12s　　　最小Ｙ座標 = %s";
inline constexpr char kExtentLineZ[] = "最大Ｚ座標 = %-12s　　　最小Ｚ座標 = %s";
inline constexpr char kHeaderCutFailedText[] = "エラー：ヘッダーファイルの作成失敗";
inline constexpr char kFooterCutFailedText[] = "エラー：フッダーファイルの作成失敗";
inline constexpr char kIntermediateUnreadable[] = "エラー：テンポラリファイル %s が開けません。";
inline constexpr char kHeaderStateUnreadable[] = "エラー：ヘッダーファイル %s が読めません。";

// --- The split loop ----------------------------------------------------------------------------
inline constexpr char kPieceName[] = "出力ファイル名 [ %02d ] %s";
inline constexpr char kPieceUncreatable[] = "エラー：分割ＮＣファイル %s が開けません。";
inline constexpr char kPieceHeadFailed[] = "エラー：ＮＣファイル冒頭書込エラー";
inline constexpr char kPieceTailFailed[] = "エラー：ＮＣファイル末尾書込エラー";
inline constexpr char kPieceWriteFailed[] = "エラー：分割ＮＣファイル %s の書き込みに失敗しました。";
inline constexpr char kIntermediateBroken[] =
    "エラー：テンポラリファイル %s の %d 行目が読めません。";
inline constexpr char kSplitByTime[] = "　　　分割種類 [ %02d ] 切削時間分割";
inline constexpr char kSplitByDistance[] = "　　　分割種類 [ %02d ] 切削距離分割";
inline constexpr char kSplitRest[] = "　　　分割種類 [ %02d ] 残り分割";
// Seams at a break of the program's own (SEAM=break, tool): no cut is made twice.
inline constexpr char kSplitAtBreakByTime[] = "　　　分割種類 [ %02d ] 切削時間分割（区切り）";
inline constexpr char kSplitAtBreakByDistance[] = "　　　分割種類 [ %02d ] 切削距離分割（区切り）";
inline constexpr char kSplitAtToolChange[] = "　　　分割種類 [ %02d ] 工具交換分割";
// SIZE: the next piece would pass the size; at a break, or before a cut (nothing is cut twice).
inline constexpr char kSplitAtBreakBySize[] = "　　　分割種類 [ %02d ] ファイル容量分割（区切り）";
inline constexpr char kSplitBySize[] = "　　　分割種類 [ %02d ] ファイル容量分割";
// --pieces: the number of pieces asked for, and one the split cannot make.
inline constexpr char kPiecesLine[] = "　　　　分割数 : %d （切削時間の等分）";
// The same under TIMEMODEL=1, whose shares are of the program's machine time.
inline constexpr char kPiecesMachineLine[] = "　　　　分割数 : %d （機械時間の等分）";
inline constexpr char kPiecesInvalid[] =
    "エラー：分割数 %s は使えません。２から 998 までの整数を指定してください。";
// SIZE: the size limit of the run in KB.
inline constexpr char kSizeLimitLine[] = "　　ファイル容量 : %d KB まで";
inline constexpr char kSizeLimitInvalid[] =
    "エラー：ファイル容量の上限 %s は使えません。０（上限なし）以上の整数（KB）を指定してください。";
// A stretch without a break longer than a limit (SEAM=break, tool): its first line and the line
// where the limit is passed; the seam falls there as with SEAM=cut.
inline constexpr char kSeamForced[] =
    "警　告：%d 行目から %d 行目まで工具が材料から離れる区切りがなく、分割の上限を超えるので、"
    "%d 行目の切削移動で分割します（次の分割ＮＣファイルはこの移動をもう一度切削します）。";
// The same where the limit is passed by a hole: the piece ends after it (no hole is drilled twice).
inline constexpr char kSeamForcedAfterHole[] =
    "警　告：%d 行目から %d 行目まで工具が材料から離れる区切りがなく、分割の上限を超えるので、"
    "%d 行目の穴の後で分割します。";
// SEAM=tool: a tool change where no piece may begin (inside compensation or another work offset,
// or where the program's moves to its next cut leave the column below the start height, or the
// program's Z is not at the reference point there as in every piece's head): its line.
inline constexpr char kToolSeamRefused[] =
    "情　報：%d 行目の工具交換では分割できないので、前の工具と同じ分割ＮＣファイルにしました。";
// The tools a piece cuts with (SEAM=break, tool): its number and "T1 T2" ("-" for none named).
inline constexpr char kPieceTools[] = "　　　使用工具 [ %02d ] %s";
// The size of a piece file: its number and its bytes.
inline constexpr char kPieceSize[] = "　　　ファイル容量 [ %02d ] %d バイト";
// The seam policy of the run, and a SEAM the split cannot use.
inline constexpr char kSeamPolicyLine[] = "　　　分割位置 : %s";
inline constexpr char kSeamPolicyUnknown[] =
    "エラー：設定 SEAM=%s は使えません。cut, break, tool のどれかを指定してください。";
inline constexpr char kSeamPlanTooMany[] =
    "エラー：分割ＮＣファイルが %d 個を超えます。分割切削距離か分割切削時間を大きくしてください。";
inline constexpr char kPieceTotals[] = "　　　加工情報 [ %02d ] 距離 = %-12s　時間 = %s";
// TIMEMODEL=1: the piece's machine time and its programmed time, minutes.
inline constexpr char kPieceMachineTimes[] = "　　　機械時間 [ %02d ] 見積 = %-12s　指令 = %s";
// A limit passed where no piece may end: the line where it was passed, the line of the seam.
inline constexpr char kSeamAfterCompensation[] =
    "情　報：%d 行目で分割の上限を超えましたが、工具径補正（G41/G42）の間は分割しないので、"
    "補正を解除した後の %d 行目で分割します。";
inline constexpr char kSeamAfterUnknownPosition[] =
    "情　報：%d 行目で分割の上限を超えましたが、G28, G30, G53, オフセットの書き込み（G10）やワーク座標系の変更の後で"
    "工具の位置がわからない間は分割しないので、%d 行目で分割します。";
// The limit passed where no piece may end, and no place after it where one could: the line.
inline constexpr char kSeamNeverReached[] =
    "情　報：%d 行目で分割の上限を超えましたが、その後に分割できる切削移動がないので、"
    "最後までを１つの分割ＮＣファイルにしました。";
// SEAM=break or tool: the program's last cut passes a limit with no break since its piece began.
inline constexpr char kLastCutPassesLimit[] =
    "情　報：%d 行目の最後の切削移動で分割の上限を超えましたが、その後に切削移動がないので、"
    "そこまでを１つの分割ＮＣファイルにしました。";
inline constexpr char kSeamAfterWorkOffset[] =
    "情　報：%d 行目で分割の上限を超えましたが、冒頭と違うワーク座標系の間は分割しないので、"
    "%d 行目で分割します。";

// --- A run that failed after its preparation (its pieces are removed) ------------------------
// The program was changed (its size or last write time) while it was split: its path.
inline constexpr char kSourceChanged[] =
    "エラー：分割の途中でＮＣファイル %s が変更されました（大きさか更新日時が変わりました）。"
    "この分割の分割ＮＣファイルは削除しました。もう一度分割してください。";

// --- The end -----------------------------------------------------------------------------------
// A piece of an earlier run with a number beyond this run's last: its bare name.
inline constexpr char kStalePieceRemoved[] = "情　報：前回の分割で残った %s を削除しました。";
inline constexpr char kIntermediateNotDeleted[] = "エラー：テンポラリファイルの削除に失敗しました。";
inline constexpr char kHeaderNotDeleted[] = "エラー：ヘッダーファイル %s の削除に失敗しました。";
inline constexpr char kFooterNotDeleted[] = "エラー：フッダーファイル %s の削除に失敗しました。";
inline constexpr char kDone[] = "【 完 了 】";
inline constexpr char kDoneFile[] = "ＮＣファイル %s を";
inline constexpr char kDoneDistance[] = "分割切削距離 : %s";
inline constexpr char kDoneTime[] = "分割切削時間 : %s";
// TIMEMODEL=1: the pieces' machine times and programmed times, summed.
inline constexpr char kDoneMachineTimes[] = "機械時間合計 : %s　指令時間合計 : %s";
inline constexpr char kDoneCount[] = "%d 個のＮＣファイルに分割しました。";
inline constexpr char kElapsed[] = "処理時間は %d.%03d 秒です";
inline constexpr char kDoneBox[] =
    "【 完 了 】\n\nＮＣファイル\n[ %s ] を\n%d 個のＮＣファイルに分割しました\n処理時間は %d.%03d 秒です";
inline constexpr char kRunEnd[] =
    "---------------------------------------------------------------------";

// --- The viewer --------------------------------------------------------------------------------
inline constexpr char kNoSettingsFile[] = "エラー：プログラム設定ファイルがありません。";
inline constexpr char kViewerMissing[] = "エラー：ＮＣビューワー %s がありません。";
inline constexpr char kViewedFileMissing[] = "エラー：ＮＣファイル %s がありません。";
inline constexpr char kViewerStartFailed[] = "エラー：ＮＣファイル描画に失敗しました";
// A piece path (at most 511 bytes), two quotes and the terminator.
inline constexpr size_t kViewerParameterSize = 512 + 2;
