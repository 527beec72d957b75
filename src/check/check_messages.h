// Texts of the split check, kept together for review (code page 932 in the binary). The detail
// texts fill SplitCheckReport::detail; DescribeSplitCheck wraps them into one log line.
#pragma once

// --- The log line ------------------------------------------------------------------------------
// Pieces checked.
inline constexpr char kCheckPassedText[] =
    "情　報：分割ＮＣファイル %d 個を検証しました。元のＮＣファイルと同じ加工です。";
// Pieces checked behind a header or footer file of the user's.
inline constexpr char kCheckPassedUsersFilesText[] =
    "情　報：分割ＮＣファイル %d 個を検証しました。元のＮＣファイルと同じ加工です（ヘッダ・フッタファイルは利用者のもので、その移動と、その後の各移動での機械の状態を検証しました）。";
// Piece, its line, the detail, the program's line.
inline constexpr char kCheckFailedText[] =
    "エラー：分割の検証に失敗しました。分割ＮＣファイル [ %02d ] の %d 行目：%s（元のＮＣファイル %d 行目）";
// Piece, its line, the detail (no line of the program to name).
inline constexpr char kCheckFailedNoSourceText[] =
    "エラー：分割の検証に失敗しました。分割ＮＣファイル [ %02d ] の %d 行目：%s";
// The program itself: its line, the detail.
inline constexpr char kCheckSourceFailedText[] =
    "エラー：分割の検証に失敗しました。元のＮＣファイルの %d 行目：%s";
// A file that cannot be read: the detail names it.
inline constexpr char kCheckUnreadableText[] = "エラー：分割の検証に失敗しました。%s";

// --- Files -------------------------------------------------------------------------------------
inline constexpr char kDetailNoMemory[] = "検証に使うメモリが足りません。";
// The file's name.
inline constexpr char kDetailFileUnopened[] = "ファイル %s が開けません。";
inline constexpr char kDetailFileReadError[] = "ファイル %s が最後まで読めません。";
// The longest line accepted.
inline constexpr char kDetailLineTooLong[] = "行が長すぎます（%d 文字まで）";

// --- Blocks the check cannot run ---------------------------------------------------------------
inline constexpr char kDetailBadCharacter[] = "読めない文字「%s」があります（%d 文字目）";
inline constexpr char kDetailNoNumber[] = "アドレス %s の後に数値がありません（%d 文字目）";
inline constexpr char kDetailBadNumber[] = "アドレス %s の数値が読めません（%d 文字目）";
inline constexpr char kDetailRepeatedWord[] = "アドレス %s が１つのブロックに２回あります（%d 文字目）";
inline constexpr char kDetailTooManyCodes[] = "Ｇコード・Ｍコードが多すぎます（%d 文字目）";
// The code's text ("65", "92.1").
inline constexpr char kDetailUnsupportedG[] = "G%s は検証できません";
inline constexpr char kDetailUnsupportedM[] = "M%02d は検証できません";
inline constexpr char kDetailUnsupportedLetter[] = "アドレス %c は検証できません";
// Calls of subprograms in the program's file that the check's reading cannot follow.
inline constexpr char kDetailCallMissing[] = "M98 が呼び出す O%04d がファイルの中にありません";
inline constexpr char kDetailCallReturnInMain[] = "メインプログラムの中に M99 があります";
inline constexpr char kDetailCallRecursive[] = "実行中の O%04d を呼び出します（再帰呼び出し）";
inline constexpr char kDetailCallTooDeep[] = "呼び出しの入れ子が %d 重を超えます";
inline constexpr char kDetailCallForm[] = "M98、M99 かサブプログラムの O の行の書き方が検証できません";
inline constexpr char kDetailCallBeforeEnd[] = "サブプログラム O%04d がメインプログラムの終わり（M02/M30）より前にあります";
inline constexpr char kDetailCallNoReturn[] = "サブプログラム O%04d が M99 で終わりません";
inline constexpr char kDetailCallEndInside[] = "サブプログラム O%04d の中に M02/M30 があります";
inline constexpr char kDetailCallTooMany[] = "サブプログラムが %d 個を超えます";
inline constexpr char kDetailCallTooLong[] = "呼び出しを展開すると %d 行を超えます";
inline constexpr char kDetailArcChord[] =
    "円弧の終点が始点から半径 R の２倍より遠くにあります（制御装置のアラーム）";
inline constexpr char kDetailArcNoCentre[] = "円弧に中心（I/J/K）も半径 R もありません";
inline constexpr char kDetailArcNoChord[] = "半径 R の円弧の終点が始点と同じです";
inline constexpr char kDetailArcUnknownStart[] = "位置のわからないところから円弧を切削します";
inline constexpr char kDetailUnitsChanged[] = "移動の後で単位（G20/G21）が変わります";
inline constexpr char kDetailCycleNoDepth[] = "固定サイクルに穴底 Z がありません";
inline constexpr char kDetailCycleUnknownLevel[] = "位置のわからない高さから固定サイクルを始めます";
inline constexpr char kDetailBadRepeat[] = "固定サイクルの繰り返し回数が読めません";
inline constexpr char kDetailBadRegister[] = "工具番号・補正番号（T/H/D）が８桁を超えています";

// --- Rule 1: the same cut ----------------------------------------------------------------------
// What differs, the piece's move, the program's move.
inline constexpr char kDetailDiffers[] = "%sが違います：%s（元は %s）";
// As many offset writes as the program's, but not the same: the block count.
inline constexpr char kDetailOffsetWritesDiffer[] =
    "オフセットの書き込み（G10）の値か順序が元のＮＣファイルと違います（どちらも G10 %d ブロック）";
inline constexpr char kAspectKind[] = "移動の種類";
inline constexpr char kAspectFrom[] = "始点";
inline constexpr char kAspectTo[] = "終点";
inline constexpr char kAspectPlane[] = "円弧の平面";
inline constexpr char kAspectCentre[] = "円弧の中心";
inline constexpr char kAspectRadius[] = "円弧の半径";
inline constexpr char kAspectSweep[] = "円弧の角度";
inline constexpr char kDegrees[] = "度";
inline constexpr char kAspectHole[] = "穴あけの条件";
inline constexpr char kAspectVia[] = "中間点";
// The program's line, its move.
inline constexpr char kDetailMoveMissing[] = "元の %d 行目の移動 %s がありません";
inline constexpr char kDetailCutNeverMade[] = "元の %d 行目の切削移動 %s がどの分割ＮＣファイルにもありません";

// --- Rule 2: safe added moves ------------------------------------------------------------------
// The move, the start Z.
inline constexpr char kDetailAddedBelowStart[] = "追加された移動 %s がスタート点の高さ Z%s より下を通ります";
// The move, the kind of point (resume / stop), the point.
inline constexpr char kDetailAddedNotAbove[] = "追加された移動 %s が%s %s の真上にありません";
inline constexpr char kPointResume[] = "再開点";
inline constexpr char kPointStop[] = "中断点";
inline constexpr char kDetailAddedCut[] = "元のＮＣファイルにない切削移動 %s があります";
inline constexpr char kDetailAddedUnknown[] = "追加された移動 %s の位置がわかりません";
// The added move's line.
inline constexpr char kDetailAddedInBody[] = "元の移動の途中に追加された移動（%d 行目）があります";
// The move, the compensation in force ("G41 D1").
inline constexpr char kDetailAddedInCompensation[] = "追加された移動 %s が工具径補正 %s のまま動きます";
// The rapid, the approach height.
inline constexpr char kDetailRapidIntoApproach[] =
    "追加された早送り %s が再開点の上 %s mm（アプローチ量）より下まで下ります";
// The move, the work offset's number.
inline constexpr char kDetailAddedInOtherOffset[] =
    "追加された移動 %s がワーク座標系 G%d で動きます（元のＮＣファイルはこの座標系で移動しません）";
// The move, its work offset's number, the program's.
inline constexpr char kDetailFirstMoveOffset[] =
    "最初の移動 %s がワーク座標系 G%d で動きます（元のＮＣファイルの最初の移動とスタート点は G%d）";
// The positioning's work offset number, the program's start point's.
inline constexpr char kDetailPositioningInOtherOffset[] =
    "最初の移動の前の位置決めがワーク座標系 G%d です（元のＮＣファイルのスタート点は G%d）";
inline constexpr char kDetailNoProgramEnd[] = "元のＮＣファイルのようにプログラムの終わり（M02/M30）で終わりません";
// What differs, the piece's, the program's.
inline constexpr char kDetailEndStateDiffers[] = "終わりの%sが元のＮＣファイルの終わりと違います：%s（元は %s）";
// The codes of the group ("G90/G91").
inline constexpr char kDetailGroupNotSet[] = "元のＮＣファイルが最初の移動までに指令する %s を、この分割ＮＣファイルは指令しません";
inline constexpr char kDetailNeverResumed[] = "追加された移動 %s の後に元の移動がありません";

// --- Rule 3: the same machine state ------------------------------------------------------------
inline constexpr char kStateSpindle[] = "主軸の回転";
inline constexpr char kStateSpeed[] = "主軸回転数";
inline constexpr char kStateTool[] = "工具";
inline constexpr char kStateLength[] = "工具長補正";
inline constexpr char kStateCompensation[] = "工具径補正";
inline constexpr char kStateWorkOffset[] = "ワーク座標系";
inline constexpr char kStateFeed[] = "送り速度";
inline constexpr char kStateFeedMode[] = "送りモード";
inline constexpr char kStateCoolant[] = "クーラント";
inline constexpr char kStateUnits[] = "単位";
inline constexpr char kStateRotary[] = "回転軸";
inline constexpr char kStateOffsetWrites[] = "オフセットの書き込み（G10）";
inline constexpr char kStateLocalSystem[] = "ローカル座標系（G52）";
// After "G10 " and the number of offset writes executed.
inline constexpr char kOffsetWriteBlocks[] = " ブロック";
inline constexpr char kCoolantOff[] = "なし";

// The tool, the length offset in force ("G43 H1", "G49").
inline constexpr char kDetailZOutsideFrame[] =
    "工具 T%d・工具長補正 %s で Z を指令しています（元のＮＣファイルはこの工具とこの補正で Z を指令しません）";
// The line of the tool change, its tool.
inline constexpr char kDetailChangeWithoutCut[] = "%d 行目の工具交換の工具 T%d で切削しないまま、また工具を交換します";
inline constexpr char kDetailChangeAfterLastCut[] =
    "最後の切削の後に %d 行目の工具交換（工具 T%d）があります。その工具はこの分割ＮＣファイルで切削しません";
// The most frames the check holds.
inline constexpr char kDetailTooManyFrames[] = "工具と工具長補正の組み合わせが多すぎます（%d 個まで）";
// The compensation in force ("G41 D1").
inline constexpr char kDetailResumesInCompensation[] = "工具径補正 %s の途中から再開します";
inline constexpr char kDetailEndsInCompensation[] = "工具径補正 %s の途中で終わります";

// --- Rule 5: back at the start point -----------------------------------------------------------
// The position, the start point.
inline constexpr char kDetailNotAtStart[] = "最後の位置 %s がスタート点 %s と違います";

// --- Rule 6: after the program's end -----------------------------------------------------------
// The program's end line, the move.
inline constexpr char kDetailAfterEnd[] = "元のＮＣファイルの終わり（%d 行目）の後の移動 %s があります";

// --- Rule 7: carried blocks --------------------------------------------------------------------
inline constexpr char kDetailBlockMissing[] = "元の %d 行目のブロックがありません";
// The header file's line of a block that does more than set state, left out of a piece.
inline constexpr char kDetailHeaderBlockMissing[] = "ヘッダファイル %d 行目のブロックがありません";
inline constexpr char kDetailBlockExtra[] = "元のＮＣファイルにないブロックがあります";
// The piece whose closing blocks this piece's differ from.
inline constexpr char kDetailClosingDiffers[] = "最後の移動の後のブロックが分割ＮＣファイル [ %02d ] と違います";
// Behind a footer file of the user's.
inline constexpr char kDetailClosingNotFooter[] = "最後の移動の後のブロックがフッタファイルと違います";
// The program's line of its first closing block.
inline constexpr char kDetailClosingNotProgram[] =
    "最後の移動の後のブロックが元のＮＣファイルの終わりのブロック（%d 行目から）と違います";
inline constexpr char kDetailClosingNone[] = "最後の移動の後のブロックが元のＮＣファイルの終わりにありません";
